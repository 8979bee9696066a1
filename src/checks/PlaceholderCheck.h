#pragma once

#include "model/Types.h"

#include <QString>
#include <QStringView>

#include <algorithm>
#include <map>

// The check behind the editor's notice that %d, %s, %ld, %%, \n and {digits} must be kept:
// a value passes when it holds exactly the placeholders of its reference text.
namespace Glossa {

// Placeholder text to the number of times it occurs in one text (ordinal order).
using PlaceholderCounts = std::map<QString, int>;

enum class PlaceholderRule {
    Percent, // "%" plus one character ("%l" plus two), and "\" plus one character
    Brace,   // "{digits}"
};

// The first attribute of the catalogue (id 0) and ids from 0x7FFFFFF up use the brace rule.
PlaceholderRule placeholderRuleFor(AttributeId id);

PlaceholderCounts countPlaceholders(QStringView text, PlaceholderRule rule);

// Calls found(start, length) for each "{digits}" of text, in text order; a brace
// after a backslash is literal text. The brace rule's one walk, for the check and
// for whatever marks the placeholders (an XLIFF export's <ph>).
template<typename Found>
void forEachBracePlaceholder(QStringView text, Found found)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype open = text.indexOf(u'{', from);
        if (open < 0)
            return;
        if (open > 0 && text[open - 1] == u'\\') {
            from = open + 1;
            continue;
        }
        const qsizetype close = text.indexOf(u'}', open + 1);
        if (close < 0)
            return;
        const QStringView inside = text.sliced(open + 1, close - open - 1);
        if (!inside.isEmpty() && std::all_of(inside.begin(), inside.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            found(open, close - open + 1);
        // Digits hold no brace, so after a hit as after anything else the walk goes on past the close.
        from = close + 1;
    }
}

// Calls found(start, length) for each placeholder of text by rule, as non-overlapping
// spans in text order: "%" plus one character ("%l" plus two) and "\\" plus one, cut
// short at the end, or the brace rule's "{digits}". What marks a placeholder as one
// piece (an XLIFF export's <ph>, the memory's one-character placeholders).
template<typename Found>
void forEachPlaceholderSpan(QStringView text, PlaceholderRule rule, Found found)
{
    if (rule == PlaceholderRule::Brace) {
        forEachBracePlaceholder(text, found);
        return;
    }
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c != u'%' && c != u'\\') {
            ++i;
            continue;
        }
        const bool isLong = c == u'%' && i + 1 < text.size() && text[i + 1] == u'l';
        const qsizetype length = std::min<qsizetype>(isLong ? 3 : 2, text.size() - i);
        found(i, length);
        i += length;
    }
}

// True when value and reference hold the same placeholders equally often, in any order.
bool CheckPlaceholders(const QString &value, const QString &reference, AttributeId attributeId);

} // namespace Glossa
