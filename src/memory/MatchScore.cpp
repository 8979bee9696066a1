#include "memory/MatchScore.h"

#include <QVarLengthArray>

#include <algorithm>

namespace Glossa {

namespace {

// Placeholder symbols lie above every UTF-16 code unit; the tag keeps the kinds apart.
constexpr char32_t PercentTag = 0x01000000;     // "%" plus one character
constexpr char32_t LongPercentTag = 0x02000000; // "%l" plus one
constexpr char32_t BackslashTag = 0x03000000;   // "\" plus one
constexpr char32_t CutShortTag = 0x04000000;    // a lead character at the very end
constexpr char32_t BraceTag = 0x10000000;       // "{digits}", up to five digits
constexpr char32_t LongBraceTag = 0x20000000;   // more digits: hashed

} // namespace

char32_t placeholderSymbol(QStringView placeholder)
{
    const QChar lead = placeholder.front();
    if (lead == u'{') {
        const QStringView digits = placeholder.sliced(1, placeholder.size() - 2);
        if (digits.size() <= 5)
            return BraceTag | (char32_t(digits.size()) << 20) | char32_t(digits.toUInt());
        return LongBraceTag | (char32_t(qHash(digits)) & 0x0FFFFFFF);
    }
    if (placeholder.size() == 1)
        return CutShortTag | lead.unicode();
    if (placeholder.size() == 3)
        return LongPercentTag | placeholder[2].unicode();
    return (lead == u'%' ? PercentTag : BackslashTag) | placeholder[1].unicode();
}

namespace {

bool isClosingPunctuation(QChar c)
{
    switch (c.unicode()) {
    case u'.': case u':': case u'!': case u'?': case u';': case u',': case 0x2026:
        return true;
    default:
        return false;
    }
}

} // namespace

std::u32string matchSymbols(QStringView text, PlaceholderRule rule)
{
    std::u32string symbols;
    symbols.reserve(size_t(text.size()));
    forEachSymbol(text, rule, [&](char32_t symbol, qsizetype, qsizetype) { symbols.push_back(symbol); });
    return symbols;
}

QString looseForm(QStringView text)
{
    QString loose;
    loose.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'&') {
            if (i + 1 < text.size() && text[i + 1] == u'&') {
                loose += u'&';
                ++i;
            }
            continue;
        }
        if (c.isSpace())
            continue;
        loose += c.toCaseFolded();
    }
    while (!loose.isEmpty() && isClosingPunctuation(loose.back()))
        loose.chop(1);
    return loose;
}

namespace {

template<typename View>
int tableDistance(View a, View b, int limit)
{
    if (a.size() < b.size())
        std::swap(a, b);
    const int n = int(a.size());
    const int m = int(b.size());
    if (n - m > limit)
        return limit + 1;
    if (m == 0)
        return n;
    QVarLengthArray<int, 256> previous(m + 1);
    QVarLengthArray<int, 256> current(m + 1);
    for (int j = 0; j <= m; ++j)
        previous[j] = j;
    for (int i = 1; i <= n; ++i) {
        current[0] = i;
        int rowMinimum = i;
        const auto ai = a[size_t(i - 1)];
        for (int j = 1; j <= m; ++j) {
            const int substitute = previous[j - 1] + (ai == b[size_t(j - 1)] ? 0 : 1);
            const int cost = std::min({previous[j] + 1, current[j - 1] + 1, substitute});
            current[j] = cost;
            rowMinimum = std::min(rowMinimum, cost);
        }
        // Every later row is at least this row's minimum.
        if (rowMinimum > limit)
            return limit + 1;
        std::swap(previous, current);
    }
    return std::min(previous[m], limit + 1);
}

} // namespace

int editDistance(std::u32string_view a, std::u32string_view b, int limit)
{
    return tableDistance(a, b, limit);
}

int editDistance(std::u16string_view a, std::u16string_view b, int limit)
{
    return tableDistance(a, b, limit);
}

BitParallelDistance::BitParallelDistance(std::u32string_view pattern)
{
    build(pattern);
}

BitParallelDistance::BitParallelDistance(std::u16string_view pattern)
{
    build(pattern);
}

template<typename View>
void BitParallelDistance::build(View pattern)
{
    m_length = int(std::min(pattern.size(), MaxLength));
    for (int i = 0; i < m_length; ++i) {
        const char32_t symbol = pattern[size_t(i)];
        const std::uint64_t bit = std::uint64_t(1) << i;
        if (symbol < Direct) {
            m_direct[symbol] |= bit;
            continue;
        }
        m_anyOther = true;
        size_t slot = (symbol * 2654435761u) % Slots;
        while (m_used[slot] && m_symbols[slot] != symbol)
            slot = (slot + 1) % Slots;
        m_used[slot] = true;
        m_symbols[slot] = symbol;
        m_masks[slot] |= bit;
    }
}

// One walk of the table's columns: its last row's value and the vertical deltas.
struct BitParallelDistance::Walk
{
    std::uint64_t positive = ~std::uint64_t(0); // vertical deltas of +1
    std::uint64_t negative = 0;                 // vertical deltas of -1
    int score = 0;

    void step(std::uint64_t equal, int lastBit)
    {
        const std::uint64_t xv = equal | negative;
        const std::uint64_t xh = (((equal & positive) + positive) ^ positive) | equal;
        std::uint64_t ph = negative | ~(xh | positive);
        std::uint64_t mh = positive & xh;
        // ph and mh never both hold the last row's bit.
        score += int((ph >> lastBit) & 1) - int((mh >> lastBit) & 1);
        // The table's first row counts up: each column starts one more than the last.
        ph = (ph << 1) | 1;
        mh <<= 1;
        positive = mh | ~(xv | ph);
        negative = ph & xv;
    }
};

int BitParallelDistance::distance(std::u32string_view text) const
{
    return distanceTo(text);
}

int BitParallelDistance::distance(std::u16string_view text) const
{
    return distanceTo(text);
}

std::pair<int, int> BitParallelDistance::distances(std::u32string_view first, std::u32string_view second,
                                                   int firstLimit, int secondLimit) const
{
    return distancesTo(first, second, firstLimit, secondLimit);
}

std::pair<int, int> BitParallelDistance::distances(std::u16string_view first, std::u16string_view second,
                                                   int firstLimit, int secondLimit) const
{
    return distancesTo(first, second, firstLimit, secondLimit);
}

template<typename View>
int BitParallelDistance::distanceTo(View text) const
{
    if (m_length == 0)
        return int(text.size());
    Walk walk;
    walk.score = m_length;
    for (const auto symbol : text)
        walk.step(mask(char32_t(symbol)), m_length - 1);
    return walk.score;
}

namespace {

// The last row changes by at most one a column: after column j of a text of m, the
// distance is at least the score less the m - j columns left.
bool beyond(int score, size_t left, int limit)
{
    return score - int(std::min<size_t>(left, size_t(BitParallelDistance::Unlimited))) > limit;
}

// Columns walked between looks at the limit.
constexpr size_t Stride = 8;

} // namespace

template<typename View>
int BitParallelDistance::finish(Walk &walk, View text, size_t from, int limit) const
{
    const int lastBit = m_length - 1;
    for (size_t i = from; i < text.size(); ++i) {
        walk.step(mask(char32_t(text[i])), lastBit);
        if ((i + 1) % Stride == 0 && beyond(walk.score, text.size() - i - 1, limit))
            return walk.score;
    }
    return walk.score;
}

template<typename View>
std::pair<int, int> BitParallelDistance::distancesTo(View first, View second, int firstLimit, int secondLimit) const
{
    if (m_length == 0)
        return {int(first.size()), int(second.size())};
    const int lastBit = m_length - 1;
    Walk a;
    Walk b;
    a.score = b.score = m_length;
    const size_t both = std::min(first.size(), second.size());
    size_t i = 0;
    bool aBeyond = false;
    bool bBeyond = false;
    while (i < both && !aBeyond && !bBeyond) {
        const size_t stop = std::min(both, i + Stride);
        for (; i < stop; ++i) {
            a.step(mask(char32_t(first[i])), lastBit);
            b.step(mask(char32_t(second[i])), lastBit);
        }
        aBeyond = beyond(a.score, first.size() - i, firstLimit);
        bBeyond = beyond(b.score, second.size() - i, secondLimit);
    }
    return {aBeyond ? a.score : finish(a, first, i, firstLimit), bBeyond ? b.score : finish(b, second, i, secondLimit)};
}

namespace {

// Four walks, one in each 64-bit lane.
using Lanes = std::uint64_t __attribute__((vector_size(32)));

struct FourWalks
{
    Lanes positive;
    Lanes negative;
    Lanes score;
};

// Walks columns [from, to) of four texts, each at least to long, as Walk::step does
// one. Built twice: for processors with AVX2, whose lanes take the four walks in one
// instruction, and for any other, where the compiler splits the lanes.
__attribute__((target_clones("avx2", "default"))) void walkFour(FourWalks &walks, const BitParallelDistance &pattern,
                                                                const std::array<const char16_t *, 4> &texts,
                                                                size_t from, size_t to, int lastBit)
{
    Lanes positive = walks.positive;
    Lanes negative = walks.negative;
    Lanes score = walks.score;
    for (size_t i = from; i < to; ++i) {
        const Lanes equal = {pattern.mask(texts[0][i]), pattern.mask(texts[1][i]), pattern.mask(texts[2][i]),
                             pattern.mask(texts[3][i])};
        const Lanes xv = equal | negative;
        const Lanes xh = (((equal & positive) + positive) ^ positive) | equal;
        Lanes ph = negative | ~(xh | positive);
        Lanes mh = positive & xh;
        score += ((ph >> lastBit) & 1) - ((mh >> lastBit) & 1);
        ph = (ph << 1) | 1;
        mh <<= 1;
        positive = mh | ~(xv | ph);
        negative = ph & xv;
    }
    walks = {positive, negative, score};
}

} // namespace

std::array<int, 4> BitParallelDistance::distances(const std::array<std::u16string_view, 4> &texts,
                                                  const std::array<int, 4> &limits) const
{
    std::array<int, 4> result{};
    if (m_length == 0) {
        for (size_t lane = 0; lane < 4; ++lane)
            result[lane] = int(texts[lane].size());
        return result;
    }
    const int lastBit = m_length - 1;
    size_t both = texts[0].size();
    for (const std::u16string_view text : texts)
        both = std::min(both, text.size());
    const std::uint64_t start = std::uint64_t(m_length);
    FourWalks walks{~Lanes{}, Lanes{}, Lanes{start, start, start, start}};
    const std::array<const char16_t *, 4> data{texts[0].data(), texts[1].data(), texts[2].data(), texts[3].data()};
    // A stride at a time, until every lane is beyond its limit or the shortest text ends.
    size_t i = 0;
    bool allBeyond = false;
    while (i < both && !allBeyond) {
        const size_t stop = std::min(both, i + Stride);
        walkFour(walks, *this, data, i, stop, lastBit);
        i = stop;
        allBeyond = true;
        for (size_t lane = 0; lane < 4; ++lane)
            allBeyond = allBeyond && beyond(int(walks.score[lane]), texts[lane].size() - i, limits[lane]);
    }
    for (size_t lane = 0; lane < 4; ++lane) {
        Walk walk;
        walk.positive = walks.positive[lane];
        walk.negative = walks.negative[lane];
        walk.score = int(walks.score[lane]);
        result[lane] = allBeyond ? walk.score : finish(walk, texts[lane], i, limits[lane]);
    }
    return result;
}

int fuzzyScore(int distance, int longer)
{
    if (longer <= 0)
        return 100;
    return int((100LL * (longer - distance)) / longer);
}

int distanceLimit(int longer, int minScore)
{
    // score >= s  <=>  100 (L - d) >= s L  <=>  d <= L (100 - s) / 100
    return int((qint64(longer) * (100 - std::clamp(minScore, 0, 100))) / 100);
}

int matchScore(QStringView english, QStringView other, PlaceholderRule rule)
{
    if (english == other)
        return 100;
    const QString loose = looseForm(english);
    if (!loose.isEmpty() && loose == looseForm(other))
        return 99;
    const std::u32string a = matchSymbols(english, rule);
    const std::u32string b = matchSymbols(other, rule);
    const int longer = int(std::max(a.size(), b.size()));
    return fuzzyScore(editDistance(a, b, longer), longer);
}

} // namespace Glossa
