#pragma once

#include "model/Types.h"

#include <QString>
#include <QStringView>

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

// True when value and reference hold the same placeholders equally often, in any order.
bool CheckPlaceholders(const QString &value, const QString &reference, AttributeId attributeId);

} // namespace Glossa
