#include "checks/PlaceholderCheck.h"

#include <algorithm>

namespace Glossa {

namespace {

// Every occurrence of lead starts a placeholder, also one that was the second character
// of the previous placeholder ("%%d" gives "%%" and "%d"). Cut short at the end of text.
void countLeadPlaceholders(QStringView text, QChar lead, bool longAfterL, PlaceholderCounts &counts)
{
    for (qsizetype at = text.indexOf(lead); at >= 0; at = text.indexOf(lead, at + 1)) {
        const bool isLong = longAfterL && at + 1 < text.size() && text[at + 1] == u'l';
        ++counts[text.mid(at, isLong ? 3 : 2).toString()];
    }
}

void countBracePlaceholders(QStringView text, PlaceholderCounts &counts)
{
    forEachBracePlaceholder(text, [&](qsizetype start, qsizetype length) { ++counts[text.sliced(start, length).toString()]; });
}

} // namespace

PlaceholderRule placeholderRuleFor(AttributeId id)
{
    // Wraps for id 0, so the first attribute and ids from 0x7FFFFFF up take the brace rule.
    const AttributeId before = id - 1u;
    return before <= 0x7FFFFFDu ? PlaceholderRule::Percent : PlaceholderRule::Brace;
}

PlaceholderCounts countPlaceholders(QStringView text, PlaceholderRule rule)
{
    PlaceholderCounts counts;
    if (rule == PlaceholderRule::Percent) {
        countLeadPlaceholders(text, u'%', true, counts);
        countLeadPlaceholders(text, u'\\', false, counts);
    } else {
        countBracePlaceholders(text, counts);
    }
    return counts;
}

bool CheckPlaceholders(const QString &value, const QString &reference, AttributeId attributeId)
{
    // Every key of a count map counts at least 1, so equal maps mean: each placeholder of
    // the reference occurs in the value as often, and the value has no other.
    const PlaceholderRule rule = placeholderRuleFor(attributeId);
    return countPlaceholders(value, rule) == countPlaceholders(reference, rule);
}

} // namespace Glossa
