#pragma once

#include "checks/PlaceholderCheck.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

// How alike two English texts are, as the translation memory scores them:
// 100 for the same text, 99 when only letter case, white space, the closing
// punctuation or an "&" accelerator differ, else 100 × (1 − distance / longer)
// rounded down, over characters with each placeholder counted as one.
namespace Glossa {

// A text as the memory compares it: one symbol per UTF-16 code unit, one per
// placeholder (found by rule, as the placeholder check finds them). Two texts
// give the same symbols only when they are the same text.
std::u32string matchSymbols(QStringView text, PlaceholderRule rule);

// The symbol of one placeholder (its text as forEachPlaceholderSpan finds it): above
// every UTF-16 code unit, one kind of placeholder apart from another.
char32_t placeholderSymbol(QStringView placeholder);

// Calls each(symbol, from, length) for the symbols of text in order: a UTF-16 code unit
// (length 1) or a placeholder (its span of text), as matchSymbols gives them.
template<typename Each>
void forEachSymbol(QStringView text, PlaceholderRule rule, Each each)
{
    qsizetype at = 0;
    forEachPlaceholderSpan(text, rule, [&](qsizetype start, qsizetype length) {
        for (; at < start; ++at)
            each(char32_t(text[at].unicode()), at, qsizetype(1));
        each(placeholderSymbol(text.sliced(start, length)), start, length);
        at = start + length;
    });
    for (; at < text.size(); ++at)
        each(char32_t(text[at].unicode()), at, qsizetype(1));
}

// The text without what the 99 rule lets differ: letters case-folded, white space
// and "&" accelerators taken out ("&&" stays one "&"), closing punctuation cut off.
QString looseForm(QStringView text);

// Levenshtein distance of a and b; any value above limit is returned as limit + 1.
int editDistance(std::u32string_view a, std::u32string_view b, int limit);
int editDistance(std::u16string_view a, std::u16string_view b, int limit);

// The same distance from one text of at most 64 symbols to many others, 64 cells
// of the distance table at a time (Myers' bit-parallel method, Hyyrö's form for whole
// texts): built once per query, then as cheap as a walk over the other text.
class BitParallelDistance
{
public:
    static constexpr size_t MaxLength = 64;
    static constexpr int Unlimited = 1 << 30;
    // pattern: at most MaxLength symbols, of 32 bits or (as the index keeps them) 16.
    explicit BitParallelDistance(std::u32string_view pattern);
    explicit BitParallelDistance(std::u16string_view pattern);
    int distance(std::u32string_view text) const;
    int distance(std::u16string_view text) const;
    // The distances to two texts at once: two independent walks interleaved keep
    // the processor busy where one walk waits on its own last step. A distance
    // that cannot stay within its limit is given up early and comes back as some
    // value above the limit.
    std::pair<int, int> distances(std::u32string_view first, std::u32string_view second,
                                  int firstLimit = Unlimited, int secondLimit = Unlimited) const;
    std::pair<int, int> distances(std::u16string_view first, std::u16string_view second,
                                  int firstLimit = Unlimited, int secondLimit = Unlimited) const;
    // Four at once, one walk in each lane of a vector where the processor has the
    // instructions for it; the same results as two calls of distances().
    std::array<int, 4> distances(const std::array<std::u16string_view, 4> &texts, const std::array<int, 4> &limits) const;

    // Where the pattern's symbol sits, as bits; ASCII (nearly every symbol of UI
    // English) straight from a table, the rest by open addressing.
    std::uint64_t mask(char32_t symbol) const
    {
        return symbol < Direct ? m_direct[symbol] : otherMask(symbol);
    }

private:
    struct Walk;
    template<typename View>
    void build(View pattern);
    template<typename View>
    int distanceTo(View text) const;
    template<typename View>
    std::pair<int, int> distancesTo(View first, View second, int firstLimit, int secondLimit) const;
    template<typename View>
    int finish(Walk &walk, View text, size_t from, int limit) const;
    // Inline, so that a walk's loop calls nothing and keeps its state in registers.
    std::uint64_t otherMask(char32_t symbol) const
    {
        if (!m_anyOther)
            return 0;
        for (size_t slot = (symbol * 2654435761u) % Slots; m_used[slot]; slot = (slot + 1) % Slots)
            if (m_symbols[slot] == symbol)
                return m_masks[slot];
        return 0;
    }
    static constexpr size_t Direct = 128;
    static constexpr size_t Slots = 128; // at most 64 used
    std::array<std::uint64_t, Direct> m_direct{};
    std::array<char32_t, Slots> m_symbols{};
    std::array<std::uint64_t, Slots> m_masks{};
    std::array<bool, Slots> m_used{};
    bool m_anyOther = false;
    int m_length = 0;
};

// 100 × (1 − distance / longer), rounded down; 100 when both are empty.
int fuzzyScore(int distance, int longer);

// The largest distance that still scores minScore between texts whose longer has
// longer symbols.
int distanceLimit(int longer, int minScore);

// The score of other against english by the three rules.
int matchScore(QStringView english, QStringView other, PlaceholderRule rule);

} // namespace Glossa
