#pragma once

#include "checks/PlaceholderCheck.h"

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

// How alike two English texts are, as the translation memory scores them:
// 100 for the same text, 99 when only letter case, white space, the closing
// punctuation or an "&" accelerator differ, else 100 × (1 − distance / longer)
// rounded down, over characters with each placeholder counted as one.
namespace Glossa {

// A text as the memory compares it: one symbol per UTF-16 code unit, one per
// placeholder (found by rule, as the placeholder check finds them). Two texts
// give the same symbols only when they are the same text.
std::u32string matchSymbols(QStringView text, PlaceholderRule rule);

// The text without what the 99 rule lets differ: letters case-folded, white space
// and "&" accelerators taken out ("&&" stays one "&"), closing punctuation cut off.
QString looseForm(QStringView text);

// Levenshtein distance of a and b; any value above limit is returned as limit + 1.
int editDistance(std::u32string_view a, std::u32string_view b, int limit);

// 100 × (1 − distance / longer), rounded down; 100 when both are empty.
int fuzzyScore(int distance, int longer);

// The largest distance that still scores minScore between texts whose longer has
// longer symbols.
int distanceLimit(int longer, int minScore);

// The score of other against english by the three rules.
int matchScore(QStringView english, QStringView other, PlaceholderRule rule);

} // namespace Glossa
