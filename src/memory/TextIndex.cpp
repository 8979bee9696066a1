#include "memory/TextIndex.h"

#include "memory/MatchScore.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <thread>

namespace Glossa {

namespace {

constexpr std::uint64_t SymbolBits = 21;
constexpr std::uint64_t Padding = (1u << SymbolBits) - 1;
constexpr std::uint32_t CountMask = 0xFF;

// Any mapping of symbols keeps the trigram bound (equal symbols stay equal), so
// letters are case-folded and placeholders squeezed into 21 bits.
std::uint64_t gramSymbol(char32_t symbol)
{
    if (symbol < 0x10000)
        return QChar(char16_t(symbol)).toCaseFolded().unicode();
    return 0x10000 | ((symbol ^ (symbol >> 12)) & 0xFFFF);
}

// The padded trigrams of symbols, sorted: a text of n symbols has n + 2.
std::vector<std::uint64_t> trigrams(std::u32string_view symbols)
{
    std::vector<std::uint64_t> folded;
    folded.reserve(symbols.size() + 4);
    folded.push_back(Padding);
    folded.push_back(Padding);
    for (const char32_t s : symbols)
        folded.push_back(gramSymbol(s));
    folded.push_back(Padding);
    folded.push_back(Padding);
    std::vector<std::uint64_t> grams;
    grams.reserve(folded.size() - 2);
    for (size_t i = 0; i + 2 < folded.size(); ++i)
        grams.push_back((folded[i] << (2 * SymbolBits)) | (folded[i + 1] << SymbolBits) | folded[i + 2]);
    std::sort(grams.begin(), grams.end());
    return grams;
}

// Calls each(gram, occurrences) for the distinct grams of a sorted list.
template<typename Each>
void forEachDistinct(const std::vector<std::uint64_t> &grams, Each each)
{
    for (size_t i = 0; i < grams.size();) {
        size_t j = i + 1;
        while (j < grams.size() && grams[j] == grams[i])
            ++j;
        each(grams[i], int(j - i));
        i = j;
    }
}

std::array<std::uint8_t, 32> bagOf(std::u32string_view symbols)
{
    std::array<std::uint8_t, 32> bag{};
    for (const char32_t s : symbols) {
        std::uint8_t &bin = bag[(s ^ (s >> 5) ^ (s >> 24)) & 31];
        if (bin < 255)
            ++bin;
    }
    return bag;
}

// Each edit changes one symbol: a distance of d leaves at most d symbols of either
// text unmatched in the other. Capped bins only make the bound smaller.
int bagDistance(const std::array<std::uint8_t, 32> &a, const std::array<std::uint8_t, 32> &b)
{
    int extraA = 0;
    int extraB = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const int d = int(a[i]) - int(b[i]);
        (d > 0 ? extraA : extraB) += std::abs(d);
    }
    return std::max(extraA, extraB);
}

// Runs each(begin, end) over parts of [0, count) on every core.
template<typename Each>
void inParallel(size_t count, Each each)
{
    const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8);
    const size_t per = (count + threads - 1) / threads;
    if (threads == 1 || count < 2048) {
        each(size_t(0), count);
        return;
    }
    std::vector<std::thread> pool;
    for (size_t t = 1; t < threads && t * per < count; ++t)
        pool.emplace_back([&each, t, per, count] { each(t * per, std::min(count, (t + 1) * per)); });
    each(size_t(0), per);
    for (std::thread &thread : pool)
        thread.join();
}

// The loose form's hash: texts of one loose form share it; equal hashes are compared.
std::uint64_t looseKey(QStringView text)
{
    return qHash(looseForm(text), 0);
}

bool isBlank(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

} // namespace

TextIndex::TextIndex(const QStringList &texts)
{
    std::vector<QString> distinct;
    std::vector<std::vector<int>> positions;
    QHash<QString, int> first;
    first.reserve(texts.size());
    for (int i = 0; i < int(texts.size()); ++i) {
        const QString &text = texts[i];
        if (isBlank(text))
            continue;
        const auto found = first.constFind(text);
        if (found != first.cend()) {
            positions[size_t(found.value())].push_back(i);
            continue;
        }
        first.insert(text, int(distinct.size()));
        distinct.push_back(text);
        positions.push_back({i});
    }

    std::vector<std::u32string> symbols(distinct.size());
    inParallel(distinct.size(), [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            symbols[i] = matchSymbols(distinct[i], PlaceholderRule::Percent);
    });
    std::vector<int> order(distinct.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return symbols[size_t(a)].size() < symbols[size_t(b)].size(); });

    const size_t count = order.size();
    std::vector<int> idOf(count);
    m_texts.resize(count);
    // One buffer in id order: candidates are walked in id order, so their symbols are read
    // from memory in one sweep instead of from a heap block each.
    m_symbolStart.assign(count + 1, 0);
    for (size_t id = 0; id < count; ++id)
        m_symbolStart[id + 1] = m_symbolStart[id] + std::uint32_t(symbols[size_t(order[id])].size());
    m_symbolData.resize(m_symbolStart.back());
    m_positions.resize(count);
    m_bags.resize(count);
    m_byLoose.resize(count);
    inParallel(count, [&](size_t begin, size_t end) {
        for (size_t id = begin; id < end; ++id) {
            const size_t from = size_t(order[id]);
            idOf[from] = int(id);
            m_texts[id] = std::move(distinct[from]);
            m_bags[id] = bagOf(symbols[from]);
            std::copy(symbols[from].begin(), symbols[from].end(), m_symbolData.begin() + m_symbolStart[id]);
            std::u32string().swap(symbols[from]);
            m_positions[id] = std::move(positions[from]);
            m_byLoose[id] = {looseKey(m_texts[id]), int(id)};
        }
    });
    // The dedupe's table becomes the lookup of exact texts once its values are ids.
    for (auto it = first.begin(); it != first.end(); ++it)
        it.value() = idOf[size_t(it.value())];
    m_byText = std::move(first);
    std::sort(m_byLoose.begin(), m_byLoose.end());

    const size_t longest = count == 0 ? 0 : symbolsOf(int(count) - 1).size();
    m_lengthStart.assign(longest + 2, int(m_texts.size()));
    for (int id = int(m_texts.size()) - 1; id >= 0; --id)
        m_lengthStart[symbolsOf(id).size()] = id;
    for (size_t length = longest; length-- > 0;)
        m_lengthStart[length] = std::min(m_lengthStart[length], m_lengthStart[length + 1]);

    // Two passes over the grams: give each its id and count its postings, then lay
    // the postings out gram by gram (ids ascending, as the texts are walked in order).
    // The grams of a block of texts are taken on every core, their ids given in order.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> occurrences; // gram id, posting
    occurrences.reserve(m_texts.size() * 24);
    std::vector<std::uint32_t> perGram;
    constexpr size_t Block = 4096;
    std::vector<std::vector<std::uint64_t>> blockGrams(Block);
    for (size_t start = 0; start < count; start += Block) {
        const size_t stop = std::min(count, start + Block);
        inParallel(stop - start, [&](size_t begin, size_t end) {
            for (size_t i = begin; i < end; ++i)
                blockGrams[i] = trigrams(symbolsOf(int(start + i)));
        });
        for (size_t id = start; id < stop; ++id) {
            forEachDistinct(blockGrams[id - start], [&](Gram gram, int occurring) {
                auto found = m_gramIds.find(gram);
                if (found == m_gramIds.end()) {
                    found = m_gramIds.insert(gram, int(perGram.size()));
                    perGram.push_back(0);
                }
                ++perGram[size_t(found.value())];
                occurrences.emplace_back(std::uint32_t(found.value()),
                                         (std::uint32_t(id) << 8) | std::uint32_t(std::min(occurring, int(CountMask))));
            });
        }
    }
    m_gramStart.assign(perGram.size() + 1, 0);
    for (size_t g = 0; g < perGram.size(); ++g)
        m_gramStart[g + 1] = m_gramStart[g] + perGram[g];
    m_postings.resize(occurrences.size());
    std::vector<std::uint32_t> fill(m_gramStart.begin(), m_gramStart.end() - 1);
    for (const auto &[gram, posting] : occurrences)
        m_postings[fill[gram]++] = posting;
}

std::vector<int> TextIndex::looseMatches(QStringView query) const
{
    std::vector<int> ids;
    const QString loose = looseForm(query);
    if (loose.isEmpty()) // texts of punctuation alone match nothing loosely
        return ids;
    const std::uint64_t key = looseKey(query);
    auto it = std::lower_bound(m_byLoose.begin(), m_byLoose.end(), std::pair<std::uint64_t, int>(key, -1));
    for (; it != m_byLoose.end() && it->first == key; ++it)
        if (looseForm(m_texts[size_t(it->second)]) == loose)
            ids.push_back(it->second);
    return ids;
}

int TextIndex::find(QStringView text) const
{
    return m_byText.value(text.toString(), -1);
}

void TextIndex::scoreInto(int id, QStringView query, const std::u32string &symbols, PlaceholderRule rule,
                          int minScore, std::vector<Hit> &hits, const BitParallelDistance *fast) const
{
    const QString &text = m_texts[size_t(id)];
    if (text == query) {
        hits.push_back({id, 100});
        return;
    }
    const std::u32string own = rule == PlaceholderRule::Percent ? std::u32string() : matchSymbols(text, rule);
    const std::u32string_view other = rule == PlaceholderRule::Percent ? symbolsOf(id) : std::u32string_view(own);
    const int longer = int(std::max(symbols.size(), other.size()));
    const int limit = distanceLimit(longer, minScore);
    const int distance = fast ? fast->distance(other) : editDistance(symbols, other, limit);
    if (distance <= limit) {
        const int score = fuzzyScore(distance, longer);
        if (score >= minScore)
            hits.push_back({id, score});
    }
}

std::vector<TextIndex::Hit> TextIndex::matchByScan(QStringView query, PlaceholderRule rule, int minScore) const
{
    std::vector<Hit> hits;
    const std::vector<int> loose = looseMatches(query);
    const std::u32string symbols = matchSymbols(query, rule);
    for (int id = 0; id < int(m_texts.size()); ++id) {
        if (m_texts[size_t(id)] != query && std::binary_search(loose.begin(), loose.end(), id)) {
            if (minScore <= 99)
                hits.push_back({id, 99});
            continue;
        }
        scoreInto(id, query, symbols, rule, minScore, hits);
    }
    return hits;
}

std::vector<TextIndex::Hit> TextIndex::match(QStringView query, PlaceholderRule rule, int minScore) const
{
    // The trigrams are taken by the percent rule; the brace rule (the first attribute
    // alone) is scored by scanning.
    if (rule != PlaceholderRule::Percent || m_texts.empty())
        return matchByScan(query, rule, minScore);
    minScore = std::clamp(minScore, 0, 100);

    std::vector<Hit> hits;
    // Texts equal but for case, space, closing punctuation or "&" may differ in
    // length beyond any window: they are looked up by their loose form.
    const int exact = find(query);
    std::vector<int> loose = looseMatches(query);
    if (exact >= 0 && std::find(loose.begin(), loose.end(), exact) == loose.end())
        loose.push_back(exact);
    std::sort(loose.begin(), loose.end());
    for (const int id : loose) {
        if (id == exact)
            hits.push_back({id, 100});
        else if (minScore <= 99)
            hits.push_back({id, 99});
    }

    const std::u32string symbols = matchSymbols(query, rule);
    const Bag queryBag = bagOf(symbols);
    std::optional<BitParallelDistance> fast;
    if (symbols.size() <= BitParallelDistance::MaxLength)
        fast.emplace(symbols);
    const int n = int(symbols.size());
    const int longest = int(m_lengthStart.size()) - 2;
    const int shortest = (n * minScore + 99) / 100;
    const int tallest = minScore > 0 ? std::min(longest, (n * 100) / minScore) : longest;
    if (shortest > tallest || shortest > longest) {
        std::sort(hits.begin(), hits.end(), [](const Hit &a, const Hit &b) { return a.text < b.text; });
        return hits;
    }
    const int idLow = m_lengthStart[size_t(shortest)];
    const int idHigh = m_lengthStart[size_t(tallest + 1)];

    std::vector<std::uint16_t> shared(size_t(std::max(0, idHigh - idLow)), 0);
    forEachDistinct(trigrams(symbols), [&](Gram gram, int queryCount) {
        const auto found = m_gramIds.constFind(gram);
        if (found == m_gramIds.cend())
            return;
        const auto begin = m_postings.begin() + m_gramStart[size_t(found.value())];
        const auto end = m_postings.begin() + m_gramStart[size_t(found.value()) + 1];
        for (auto p = std::lower_bound(begin, end, std::uint32_t(idLow) << 8); p != end; ++p) {
            const int id = int(*p >> 8);
            if (id >= idHigh)
                break;
            const int count = int(*p & CountMask);
            const int add = count == int(CountMask) ? queryCount : std::min(queryCount, count);
            std::uint16_t &cell = shared[size_t(id - idLow)];
            cell = std::uint16_t(std::min(0xFFFF, cell + add));
        }
    });

    // Ids run by length, so the bounds are worked out once per length; what passes
    // them all is scored, two at a time where the query allows it.
    std::vector<int> candidates;
    for (int m = shortest; m <= tallest; ++m) {
        const int longer = std::max(n, m);
        const int limit = distanceLimit(longer, minScore);
        if (std::abs(n - m) > limit)
            continue;
        const int needed = longer + 2 - 3 * limit;
        const int end = m_lengthStart[size_t(m + 1)];
        for (int id = m_lengthStart[size_t(m)]; id < end; ++id) {
            if (needed > 0 && shared[size_t(id - idLow)] < needed)
                continue;
            if (bagDistance(queryBag, m_bags[size_t(id)]) > limit)
                continue;
            if (std::binary_search(loose.begin(), loose.end(), id))
                continue;
            candidates.push_back(id);
        }
    }
    const auto keep = [&](int id, int distance) {
        const int longer = int(std::max(symbols.size(), symbolsOf(id).size()));
        if (distance > distanceLimit(longer, minScore))
            return;
        const int score = fuzzyScore(distance, longer);
        if (score >= minScore)
            hits.push_back({id, score});
    };
    if (fast) {
        size_t i = 0;
        for (; i + 1 < candidates.size(); i += 2) {
            const auto [first, second] = fast->distances(symbolsOf(candidates[i]), symbolsOf(candidates[i + 1]));
            keep(candidates[i], first);
            keep(candidates[i + 1], second);
        }
        if (i < candidates.size())
            keep(candidates[i], fast->distance(symbolsOf(candidates[i])));
    } else {
        for (const int id : candidates)
            scoreInto(id, query, symbols, rule, minScore, hits);
    }
    std::sort(hits.begin(), hits.end(), [](const Hit &a, const Hit &b) { return a.text < b.text; });
    return hits;
}

std::vector<int> TextIndex::containing(QStringView phrase) const
{
    std::vector<int> ids;
    if (phrase.isEmpty())
        return ids;
    for (int id = 0; id < int(m_texts.size()); ++id)
        if (QStringView(m_texts[size_t(id)]).contains(phrase, Qt::CaseInsensitive))
            ids.push_back(id);
    return ids;
}

} // namespace Glossa
