#include "memory/TextIndex.h"

#include "platform/Parallel.h"

#include "memory/MatchScore.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <thread>

namespace Glossa {

namespace {

constexpr std::uint64_t SymbolBits = 17;
constexpr std::uint64_t Padding = 0x10000;
// A trigram's k-th occurrence in a text is a key of its own (the occurrence above the
// three symbols), so that the texts sharing c occurrences with a query are counted by
// walking c lists of plain ids. The last key stands for that many occurrences or more.
constexpr std::uint64_t OccurrenceShift = 3 * SymbolBits;
constexpr int Occurrences = 255;
constexpr std::uint64_t FreeSlot = ~std::uint64_t(0);

size_t slotOf(std::uint64_t gram, size_t mask)
{
    return size_t((gram * 0x9E3779B97F4A7C15ull) >> 20) & mask;
}

// Any mapping of symbols keeps the trigram bound (equal symbols stay equal), so
// letters are case-folded.
std::uint64_t gramSymbol(char16_t symbol)
{
    if (symbol < 0x80) // ASCII, nearly every symbol of UI English, without the table
        return symbol >= u'A' && symbol <= u'Z' ? symbol + (u'a' - u'A') : symbol;
    return QChar(symbol).toCaseFolded().unicode();
}

// The padded trigrams of symbols, sorted: a text of n symbols has n + 2.
void trigramsInto(std::u16string_view symbols, std::vector<std::uint64_t> &grams)
{
    grams.clear();
    grams.reserve(symbols.size() + 2);
    std::uint64_t a = Padding;
    std::uint64_t b = Padding;
    for (const char16_t s : symbols) {
        const std::uint64_t c = gramSymbol(s);
        grams.push_back((a << (2 * SymbolBits)) | (b << SymbolBits) | c);
        a = b;
        b = c;
    }
    grams.push_back((a << (2 * SymbolBits)) | (b << SymbolBits) | Padding);
    grams.push_back((b << (2 * SymbolBits)) | (Padding << SymbolBits) | Padding);
    std::sort(grams.begin(), grams.end());
}

// Calls each(key, weight) for the occurrence keys of a sorted list of grams: the k-th
// occurrence of a gram counts 1 towards the grams a text shares, the last key as many
// occurrences as the list has from there on.
template<typename Each>
void forEachOccurrence(const std::vector<std::uint64_t> &grams, Each each)
{
    for (size_t i = 0; i < grams.size();) {
        size_t j = i + 1;
        while (j < grams.size() && grams[j] == grams[i])
            ++j;
        const int count = int(j - i);
        for (int k = 0; k < std::min(count, Occurrences); ++k)
            each(grams[i] | (std::uint64_t(k) << OccurrenceShift), k + 1 < Occurrences ? 1 : count - k);
        i = j;
    }
}

std::array<std::uint8_t, 32> bagOf(std::u16string_view symbols)
{
    std::array<std::uint8_t, 32> bag{};
    for (const char16_t s : symbols) {
        std::uint8_t &bin = bag[(s ^ (s >> 5)) & 31];
        if (bin < 255)
            ++bin;
    }
    return bag;
}

// Each edit changes one symbol: a distance of d leaves at most d symbols of either
// text unmatched in the other. Capped bins only make the bound smaller. The larger of
// the two excesses is half their sum (the bins' absolute differences) plus half their
// difference (the difference of the bins' totals): a loop the compiler vectorises.
int bagDistance(const std::array<std::uint8_t, 32> &a, int totalOfA, const std::array<std::uint8_t, 32> &b)
{
    int differences = 0;
    int totalOfB = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        differences += std::abs(int(a[i]) - int(b[i]));
        totalOfB += b[i];
    }
    return (differences + std::abs(totalOfA - totalOfB)) / 2;
}

size_t threadCount()
{
    return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 8);
}

// Runs each(part, begin, end) over parts of [0, count) on every core; parts are
// numbered from 0 below threadCount().
template<typename Each>
void inParallel(size_t count, Each each)
{
    const size_t threads = threadCount();
    const size_t per = (count + threads - 1) / threads;
    if (threads == 1 || count < 2048) {
        each(size_t(0), size_t(0), count);
        return;
    }
    const size_t parts = (count + per - 1) / per;
    runOnThreads(int(parts), [&each, per, count](int t) {
        each(size_t(t), size_t(t) * per, std::min(count, (size_t(t) + 1) * per));
    });
}

std::uint32_t textKey(QStringView text)
{
    return std::uint32_t(qHash(text, 0));
}

// The loose form's hash: texts of one loose form share it; equal hashes are compared.
std::uint32_t looseKey(QStringView text)
{
    return std::uint32_t(qHash(looseForm(text), 0));
}

bool isBlank(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

qsizetype symbolCount(QStringView text)
{
    qsizetype count = text.size();
    forEachPlaceholderSpan(text, PlaceholderRule::Percent, [&](qsizetype, qsizetype length) { count -= length - 1; });
    return count;
}

// What the texts of an index use: their code units and placeholders.
struct Alphabet
{
    std::bitset<0x10000> units;
    QHash<char32_t, QString> placeholders;
};

using KeyTable = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

// The ids of key's entries in a sorted (key, id) table.
template<typename Each>
void forEachOfKey(const KeyTable &table, std::uint32_t key, Each each)
{
    for (auto it = std::lower_bound(table.begin(), table.end(), std::pair<std::uint32_t, std::uint32_t>(key, 0));
         it != table.end() && it->first == key; ++it)
        each(int(it->second));
}

} // namespace

TextIndex::TextIndex(const QStringList &texts)
    : TextIndex(texts.size(), [&texts](qsizetype i) { return QStringView(texts[i]); })
{
}

TextIndex::TextIndex(qsizetype count, const std::function<QStringView(qsizetype)> &textAt)
{
    // Equal texts are found by sorting the positions by their text's hash: equal
    // texts meet in one run of a hash, where they are compared.
    KeyTable byHash;
    byHash.reserve(size_t(count));
    for (qsizetype i = 0; i < count; ++i) {
        const QStringView text = textAt(i);
        if (!isBlank(text))
            byHash.emplace_back(textKey(text), std::uint32_t(i));
    }
    std::sort(byHash.begin(), byHash.end());
    std::vector<int> distinctOf(size_t(count), -1);
    std::vector<std::uint32_t> first; // each distinct text's first position
    std::vector<std::uint32_t> firstHash;
    for (size_t a = 0; a < byHash.size();) {
        size_t b = a + 1;
        while (b < byHash.size() && byHash[b].first == byHash[a].first)
            ++b;
        for (size_t k = a; k < b; ++k) {
            const std::uint32_t position = byHash[k].second;
            if (distinctOf[position] >= 0)
                continue;
            const int d = int(first.size());
            first.push_back(position);
            firstHash.push_back(byHash[k].first);
            distinctOf[position] = d;
            const QStringView text = textAt(position);
            for (size_t j = k + 1; j < b; ++j)
                if (distinctOf[byHash[j].second] < 0 && textAt(byHash[j].second) == text)
                    distinctOf[byHash[j].second] = d;
        }
        a = b;
    }
    KeyTable().swap(byHash);
    const size_t distinct = first.size();

    // The code units and placeholders the texts use, and each text's symbol length.
    std::vector<std::uint32_t> lengths(distinct);
    std::vector<Alphabet> parts(threadCount());
    inParallel(distinct, [&](size_t part, size_t begin, size_t end) {
        Alphabet &alphabet = parts[part];
        for (size_t d = begin; d < end; ++d) {
            const QStringView text = textAt(first[d]);
            lengths[d] = std::uint32_t(symbolCount(text));
            forEachSymbol(text, PlaceholderRule::Percent, [&](char32_t symbol, qsizetype at, qsizetype length) {
                if (length == 1 && symbol < 0x10000)
                    alphabet.units.set(symbol);
                else if (!alphabet.placeholders.contains(symbol))
                    alphabet.placeholders.insert(symbol, text.sliced(at, length).toString());
            });
        }
    });
    Alphabet all;
    for (const Alphabet &part : parts) {
        all.units |= part.units;
        for (auto it = part.placeholders.cbegin(); it != part.placeholders.cend(); ++it)
            all.placeholders.insert(it.key(), it.value());
    }
    parts.clear();
    // Codes from the private use area first, then from any unit no text holds.
    std::vector<char16_t> free;
    const size_t wanted = size_t(all.placeholders.size()) + 1;
    for (std::uint32_t unit = 0xE000; unit < 0x10000 + 0xE000 && free.size() < wanted; ++unit)
        if (!all.units.test(unit & 0xFFFF))
            free.push_back(char16_t(unit & 0xFFFF));
    m_plain = free.size() < wanted;
    if (!m_plain) {
        QList<char32_t> symbols = all.placeholders.keys();
        std::sort(symbols.begin(), symbols.end());
        for (qsizetype i = 0; i < symbols.size(); ++i) {
            const char16_t code = free[size_t(i)];
            m_codeOf.insert(symbols[i], code);
            m_placeholderText.insert(code, all.placeholders.value(symbols[i]));
            m_isCode.set(code);
        }
        m_foreign = free.back();
    }

    // Ids by symbol length, then by first position.
    std::vector<int> order(distinct);
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return lengths[size_t(a)] != lengths[size_t(b)] ? lengths[size_t(a)] < lengths[size_t(b)]
                                                        : first[size_t(a)] < first[size_t(b)];
    });
    std::vector<int> idOf(distinct);
    m_symbolStart.assign(distinct + 1, 0);
    for (size_t id = 0; id < distinct; ++id) {
        idOf[size_t(order[id])] = int(id);
        const QStringView text = textAt(first[size_t(order[id])]);
        m_symbolStart[id + 1] = m_symbolStart[id] + std::uint32_t(m_plain ? text.size() : lengths[size_t(order[id])]);
    }
    std::vector<std::uint32_t>().swap(lengths);
    m_symbolData.resize(m_symbolStart.back());
    m_bags.resize(m_plain ? 0 : distinct);
    m_byText.resize(distinct);
    m_byLoose.resize(distinct);
    inParallel(distinct, [&](size_t, size_t begin, size_t end) {
        for (size_t id = begin; id < end; ++id) {
            const size_t from = size_t(order[id]);
            const QStringView text = textAt(first[from]);
            char16_t *out = m_symbolData.data() + m_symbolStart[id];
            if (m_plain) {
                std::copy(text.utf16(), text.utf16() + text.size(), out);
            } else {
                forEachSymbol(text, PlaceholderRule::Percent, [&](char32_t symbol, qsizetype, qsizetype length) {
                    *out++ = length == 1 && symbol < 0x10000 ? char16_t(symbol) : m_codeOf.value(symbol);
                });
                m_bags[id] = bagOf(symbolsOf(int(id)));
            }
            m_byText[id] = {firstHash[from], std::uint32_t(id)};
            m_byLoose[id] = {looseKey(text), std::uint32_t(id)};
        }
    });
    std::sort(m_byText.begin(), m_byText.end());
    std::sort(m_byLoose.begin(), m_byLoose.end());
    std::vector<std::uint32_t>().swap(first);
    std::vector<std::uint32_t>().swap(firstHash);
    std::vector<int>().swap(order);

    // The positions of each text, ascending.
    m_positionStart.assign(distinct + 1, 0);
    for (const int d : distinctOf)
        if (d >= 0)
            ++m_positionStart[size_t(idOf[size_t(d)]) + 1];
    for (size_t id = 0; id < distinct; ++id)
        m_positionStart[id + 1] += m_positionStart[id];
    m_positionData.resize(m_positionStart.back());
    {
        std::vector<std::uint32_t> fill(m_positionStart.begin(), m_positionStart.end() - 1);
        for (size_t i = 0; i < distinctOf.size(); ++i)
            if (distinctOf[i] >= 0)
                m_positionData[fill[size_t(idOf[size_t(distinctOf[i])])]++] = int(i);
    }
    std::vector<int>().swap(distinctOf);
    std::vector<int>().swap(idOf);
    if (m_plain)
        return;

    const size_t longest = distinct == 0 ? 0 : symbolsOf(int(distinct) - 1).size();
    m_lengthStart.assign(longest + 2, int(distinct));
    for (int id = int(distinct) - 1; id >= 0; --id)
        m_lengthStart[symbolsOf(id).size()] = id;
    for (size_t length = longest; length-- > 0;)
        m_lengthStart[length] = std::min(m_lengthStart[length], m_lengthStart[length + 1]);

    // Two passes over the grams, a block of texts at a time with the grams taken on
    // every core: the first gives each gram its id and counts its postings, the
    // second lays the postings out gram by gram (ids ascending, as the texts are
    // walked in order). The grams are worked out twice rather than kept in between.
    // Both look the ids of the keys known before the block up on every core; only the
    // first block's keys are mostly new, and only new keys are added one at a time.
    constexpr size_t Block = 4096;
    std::vector<std::vector<std::uint32_t>> blockIds(Block);
    std::vector<std::vector<Gram>> blockNew(Block);
    // Each text's keys of the block: the ids of those known, the keys of the others.
    const auto keysOfBlock = [&](size_t start, size_t stop) {
        inParallel(stop - start, [&](size_t, size_t begin, size_t end) {
            std::vector<std::uint64_t> grams;
            for (size_t i = begin; i < end; ++i) {
                trigramsInto(symbolsOf(int(start + i)), grams);
                blockIds[i].clear();
                blockNew[i].clear();
                forEachOccurrence(grams, [&](Gram gram, int) {
                    if (const int g = gramId(gram); g >= 0)
                        blockIds[i].push_back(std::uint32_t(g));
                    else
                        blockNew[i].push_back(gram);
                });
            }
        });
    };
    std::vector<std::uint32_t> perGram;
    for (size_t start = 0; start < distinct; start += Block) {
        const size_t stop = std::min(distinct, start + Block);
        keysOfBlock(start, stop);
        for (size_t i = 0; i < stop - start; ++i) {
            for (const std::uint32_t g : blockIds[i])
                ++perGram[g];
            for (const Gram gram : blockNew[i]) {
                const std::uint32_t g = addGram(gram);
                if (g == perGram.size())
                    perGram.push_back(0);
                ++perGram[g];
            }
        }
    }
    m_gramStart.assign(perGram.size() + 1, 0);
    for (size_t g = 0; g < perGram.size(); ++g)
        m_gramStart[g + 1] = m_gramStart[g] + perGram[g];
    std::vector<std::uint32_t>().swap(perGram);
    m_postings.resize(m_gramStart.back());
    std::vector<std::uint32_t> fill(m_gramStart.begin(), m_gramStart.end() - 1);
    // The second pass: every key is known now.
    for (size_t start = 0; start < distinct; start += Block) {
        const size_t stop = std::min(distinct, start + Block);
        keysOfBlock(start, stop);
        for (size_t id = start; id < stop; ++id)
            for (const std::uint32_t g : blockIds[id - start])
                m_postings[fill[g]++] = std::uint32_t(id);
    }
}

int TextIndex::gramId(Gram gram) const
{
    if (m_gramSlots.empty())
        return -1;
    const size_t mask = m_gramSlots.size() - 1;
    for (size_t slot = slotOf(gram, mask);; slot = (slot + 1) & mask) {
        if (m_gramSlots[slot].first == gram)
            return int(m_gramSlots[slot].second);
        if (m_gramSlots[slot].first == FreeSlot)
            return -1;
    }
}

std::uint32_t TextIndex::addGram(Gram gram)
{
    if (2 * (m_gramCount + 1) > m_gramSlots.size()) {
        std::vector<std::pair<Gram, std::uint32_t>> slots(std::max<size_t>(1024, 2 * m_gramSlots.size()), {FreeSlot, 0});
        const size_t mask = slots.size() - 1;
        for (const auto &held : m_gramSlots) {
            if (held.first == FreeSlot)
                continue;
            size_t slot = slotOf(held.first, mask);
            while (slots[slot].first != FreeSlot)
                slot = (slot + 1) & mask;
            slots[slot] = held;
        }
        m_gramSlots.swap(slots);
    }
    const size_t mask = m_gramSlots.size() - 1;
    size_t slot = slotOf(gram, mask);
    for (; m_gramSlots[slot].first != FreeSlot; slot = (slot + 1) & mask)
        if (m_gramSlots[slot].first == gram)
            return m_gramSlots[slot].second;
    m_gramSlots[slot] = {gram, std::uint32_t(m_gramCount)};
    return std::uint32_t(m_gramCount++);
}

QString TextIndex::text(int id) const
{
    const std::u16string_view symbols = symbolsOf(id);
    if (m_plain)
        return QString(reinterpret_cast<const QChar *>(symbols.data()), qsizetype(symbols.size()));
    QString text;
    text.reserve(qsizetype(symbols.size()));
    for (const char16_t s : symbols) {
        if (m_isCode.test(s))
            text += m_placeholderText.value(s);
        else
            text += QChar(s);
    }
    return text;
}

std::u16string TextIndex::querySymbols(QStringView query) const
{
    std::u16string symbols;
    symbols.reserve(size_t(query.size()));
    forEachSymbol(query, PlaceholderRule::Percent, [&](char32_t symbol, qsizetype, qsizetype length) {
        if (length == 1 && symbol < 0x10000)
            symbols.push_back(m_isCode.test(symbol) ? m_foreign : char16_t(symbol));
        else
            symbols.push_back(m_codeOf.value(symbol, m_foreign));
    });
    return symbols;
}

size_t TextIndex::bytes() const
{
    return m_symbolData.capacity() * 2 + m_symbolStart.capacity() * 4 + m_bags.capacity() * sizeof(Bag)
        + m_positionStart.capacity() * 4 + m_positionData.capacity() * 4 + m_lengthStart.capacity() * 4
        + (m_byText.capacity() + m_byLoose.capacity()) * 8 + m_gramSlots.capacity() * 16
        + m_gramStart.capacity() * 4 + m_postings.capacity() * 4 + sizeof(*this);
}

std::vector<int> TextIndex::looseMatches(QStringView query) const
{
    std::vector<int> ids;
    const QString loose = looseForm(query);
    if (loose.isEmpty()) // texts of punctuation alone match nothing loosely
        return ids;
    forEachOfKey(m_byLoose, std::uint32_t(qHash(loose, 0)), [&](int id) {
        if (looseForm(text(id)) == loose)
            ids.push_back(id);
    });
    std::sort(ids.begin(), ids.end());
    return ids;
}

int TextIndex::find(QStringView text) const
{
    int found = -1;
    forEachOfKey(m_byText, textKey(text), [&](int id) {
        if (found < 0 && this->text(id) == text)
            found = id;
    });
    return found;
}

void TextIndex::scoreInto(int id, QStringView query, std::u16string_view symbols, PlaceholderRule rule, int minScore,
                          std::vector<Hit> &hits) const
{
    int longer = 0;
    int distance = 0;
    if (rule == PlaceholderRule::Percent && !m_plain) {
        // The same symbols are the same text.
        const std::u16string_view own = symbolsOf(id);
        if (own == symbols) {
            hits.push_back({id, 100});
            return;
        }
        longer = int(std::max(symbols.size(), own.size()));
        distance = editDistance(symbols, own, distanceLimit(longer, minScore));
    } else {
        const QString text = this->text(id);
        if (text == query) {
            hits.push_back({id, 100});
            return;
        }
        const std::u32string a = matchSymbols(query, rule);
        const std::u32string b = matchSymbols(text, rule);
        longer = int(std::max(a.size(), b.size()));
        distance = editDistance(a, b, distanceLimit(longer, minScore));
    }
    if (distance <= distanceLimit(longer, minScore)) {
        const int score = fuzzyScore(distance, longer);
        if (score >= minScore)
            hits.push_back({id, score});
    }
}

std::vector<TextIndex::Hit> TextIndex::matchByScan(QStringView query, PlaceholderRule rule, int minScore) const
{
    std::vector<Hit> hits;
    const std::vector<int> loose = looseMatches(query);
    const int exact = find(query);
    const std::u16string symbols = rule == PlaceholderRule::Percent && !m_plain ? querySymbols(query) : std::u16string();
    for (int id = 0; id < textCount(); ++id) {
        if (id != exact && std::binary_search(loose.begin(), loose.end(), id)) {
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
    if (rule != PlaceholderRule::Percent || m_plain || textCount() == 0)
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

    const std::u16string symbols = querySymbols(query);
    const Bag queryBag = bagOf(symbols);
    const int queryTotal = std::accumulate(queryBag.begin(), queryBag.end(), 0);
    std::optional<BitParallelDistance> fast;
    if (symbols.size() <= BitParallelDistance::MaxLength)
        fast.emplace(std::u16string_view(symbols));
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

    // The query's occurrence keys and their weights: a text's cell adds up the
    // occurrences it shares, at most the query's n + 2 grams.
    std::vector<std::uint64_t> queryGrams;
    trigramsInto(symbols, queryGrams);
    std::vector<std::pair<int, int>> lists; // (key id, weight)
    forEachOccurrence(queryGrams, [&](Gram gram, int weight) {
        if (const int g = gramId(gram); g >= 0)
            lists.emplace_back(g, weight);
    });
    std::vector<int> candidates;
    const auto collect = [&]<typename Cell>(Cell) {
        std::vector<Cell> shared(size_t(std::max(0, idHigh - idLow)), 0);
        for (const auto &[g, weight] : lists) {
            const auto begin = m_postings.begin() + m_gramStart[size_t(g)];
            const auto end = m_postings.begin() + m_gramStart[size_t(g) + 1];
            const auto from = std::lower_bound(begin, end, std::uint32_t(idLow));
            const auto to = std::lower_bound(from, end, std::uint32_t(idHigh));
            const std::uint32_t low = std::uint32_t(idLow);
            if (weight == 1)
                for (auto p = from; p != to; ++p)
                    ++shared[*p - low];
            else
                for (auto p = from; p != to; ++p)
                    shared[*p - low] = Cell(shared[*p - low] + weight);
        }
        // Ids run by length, so the bounds are worked out once per length. The ids
        // passing each bound are gathered without a branch: which pass is hard to guess.
        candidates.resize(size_t(std::max(0, idHigh - idLow)));
        size_t count = 0;
        for (int m = shortest; m <= tallest; ++m) {
            const int longer = std::max(n, m);
            const int limit = distanceLimit(longer, minScore);
            if (std::abs(n - m) > limit)
                continue;
            const int needed = longer + 2 - 3 * limit;
            const int from = m_lengthStart[size_t(m)];
            const int to = m_lengthStart[size_t(m + 1)];
            size_t passed = count;
            for (int id = from; id < to; ++id) {
                candidates[passed] = id;
                passed += int(shared[size_t(id - idLow)]) >= needed;
            }
            for (size_t i = count; i < passed; ++i) {
                const int id = candidates[i];
                // The bags of the ids passed are far apart: asked for a few ahead.
                if (i + 8 < passed)
                    __builtin_prefetch(&m_bags[size_t(candidates[i + 8])]);
                candidates[count] = id;
                count += bagDistance(queryBag, queryTotal, m_bags[size_t(id)]) <= limit;
            }
        }
        candidates.resize(count);
    };
    if (n + 2 <= 0xFF)
        collect(std::uint8_t());
    else if (n + 2 <= 0xFFFF)
        collect(std::uint16_t());
    else
        collect(std::uint32_t());
    if (!loose.empty())
        std::erase_if(candidates, [&](int id) { return std::binary_search(loose.begin(), loose.end(), id); });

    const auto limitOf = [&](int id) {
        return distanceLimit(int(std::max(symbols.size(), symbolsOf(id).size())), minScore);
    };
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
        for (; i + 3 < candidates.size(); i += 4) {
            const std::array<int, 4> ids{candidates[i], candidates[i + 1], candidates[i + 2], candidates[i + 3]};
            const std::array<int, 4> distances = fast->distances(
                {symbolsOf(ids[0]), symbolsOf(ids[1]), symbolsOf(ids[2]), symbolsOf(ids[3])},
                {limitOf(ids[0]), limitOf(ids[1]), limitOf(ids[2]), limitOf(ids[3])});
            for (size_t lane = 0; lane < 4; ++lane)
                keep(ids[lane], distances[lane]);
        }
        for (; i + 1 < candidates.size(); i += 2) {
            const int one = candidates[i];
            const int other = candidates[i + 1];
            const auto [first, second] = fast->distances(symbolsOf(one), symbolsOf(other), limitOf(one), limitOf(other));
            keep(one, first);
            keep(other, second);
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
    for (int id = 0; id < textCount(); ++id)
        if (text(id).contains(phrase, Qt::CaseInsensitive))
            ids.push_back(id);
    return ids;
}

} // namespace Glossa
