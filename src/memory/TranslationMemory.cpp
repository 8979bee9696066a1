#include "memory/TranslationMemory.h"

#include "checks/CheckEngine.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <cstring>

namespace Glossa {

namespace {

// Ranks of the origins; siblings and TMX files add their place in the order given.
constexpr int ProductRank = 0;
constexpr int SiblingRank = 1000;
constexpr int EarlierRank = 2000;
constexpr int TmxRank = 3000;

// A unit of the percent rule: units of an earlier release or a TMX file have no
// attribute row, and only the first attribute takes the brace rule.
constexpr AttributeId UnitRuleId = 1;

// The top bit of a unit text's start: the text is kept in UTF-16, not in Latin-1.
constexpr std::uint32_t WideText = 0x80000000u;

QStringList textsOf(const QStringList &values)
{
    QStringList texts;
    texts.reserve(values.size());
    for (const QString &value : values)
        texts.append(valueText(value).toString());
    return texts;
}

UnitCollector collected(const std::vector<TranslationPair> &pairs)
{
    UnitCollector units;
    for (const TranslationPair &pair : pairs)
        units.add(pair.key, pair.source, pair.target);
    return units;
}

} // namespace

QString originKindName(MatchOrigin origin)
{
    switch (origin) {
    case MatchOrigin::Product: return QStringLiteral("product");
    case MatchOrigin::Sibling: return QStringLiteral("sibling");
    case MatchOrigin::Earlier: return QStringLiteral("earlier");
    case MatchOrigin::Tmx: return QStringLiteral("tmx");
    }
    return {};
}

QString originLabel(const MemoryMatch &match)
{
    switch (match.origin) {
    case MatchOrigin::Product: return QStringLiteral("this product: ") + match.key;
    case MatchOrigin::Sibling: return match.language;
    case MatchOrigin::Earlier: {
        // The release folder's name, or for a master file given alone its folder's.
        QFileInfo info(match.file);
        if (info.isFile())
            info = QFileInfo(info.absolutePath());
        if (info.fileName() == u"language")
            info = QFileInfo(info.absolutePath());
        return QStringLiteral("release ") + info.fileName();
    }
    case MatchOrigin::Tmx: return QFileInfo(match.file).fileName();
    }
    return {};
}

ProductEnglish::ProductEnglish(const QStringList &keys, const QStringList &values)
    : m_keys(keys)
    , m_english(textsOf(values))
    , m_index(m_english)
{
    while (m_english.size() < m_keys.size())
        m_english.append(QString());
    m_textOf.assign(size_t(m_keys.size()), -1);
    for (int id = 0; id < m_index.textCount(); ++id)
        for (const int attribute : m_index.positions(id))
            if (attribute < int(m_textOf.size()))
                m_textOf[size_t(attribute)] = id;
}

std::vector<int> ProductEnglish::sameEnglish(int attribute) const
{
    std::vector<int> others;
    if (attribute < 0 || attribute >= int(m_textOf.size()) || m_textOf[size_t(attribute)] < 0)
        return others;
    for (const int other : m_index.positions(m_textOf[size_t(attribute)]))
        if (other != attribute)
            others.push_back(other);
    return others;
}

std::vector<int> ProductEnglish::concordance(QStringView phrase, int limit) const
{
    std::vector<int> attributes;
    for (const int id : m_index.containing(phrase)) {
        const std::span<const int> positions = m_index.positions(id);
        attributes.insert(attributes.end(), positions.begin(), positions.end());
    }
    std::sort(attributes.begin(), attributes.end());
    if (limit >= 0 && int(attributes.size()) > limit)
        attributes.resize(size_t(limit));
    return attributes;
}

bool UnitCollector::add(QStringView key, QStringView source, QStringView target)
{
    if (m_full || isBlankValue(target) || isBlankValue(source)
        || !CheckPlaceholders(QString::fromRawData(target.data(), target.size()),
                              QString::fromRawData(source.data(), source.size()), UnitRuleId))
        return false;
    if (m_texts.size() + 2 * size_t(key.size() + target.size()) >= WideText
        || m_sources.size() + size_t(source.size()) > UINT32_MAX) {
        m_full = true;
        return false;
    }
    for (const QStringView text : {key, target}) {
        const bool latin1 = std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; });
        m_starts.push_back(std::uint32_t(m_texts.size()) | (latin1 ? 0 : WideText));
        if (latin1) {
            for (const QChar c : text)
                m_texts.push_back(char(c.unicode()));
        } else {
            m_texts.append(reinterpret_cast<const char *>(text.utf16()), 2 * size_t(text.size()));
        }
    }
    m_sourceStarts.push_back(std::uint32_t(m_sources.size()));
    m_sources.append(reinterpret_cast<const char16_t *>(source.utf16()), size_t(source.size()));
    return true;
}

UnitSet::UnitSet(MatchOrigin origin, const QString &name, std::vector<TranslationPair> pairs)
    : UnitSet(origin, name, collected(pairs))
{
}

UnitSet::UnitSet(MatchOrigin origin, const QString &name, UnitCollector units)
    : m_origin(origin)
    , m_name(name)
    , m_index(units.size(), [&units](qsizetype unit) { return units.source(size_t(unit)); })
    , m_texts(std::move(units.m_texts))
    , m_starts(std::move(units.m_starts))
{
    // The English is the index's from now on.
    std::u16string().swap(units.m_sources);
    std::vector<std::uint32_t>().swap(units.m_sourceStarts);
    m_texts.shrink_to_fit();
    m_starts.push_back(std::uint32_t(m_texts.size()));
    m_sourceOf.assign(m_starts.size() / 2, -1);
    for (int id = 0; id < m_index.textCount(); ++id)
        for (const int unit : m_index.positions(id))
            m_sourceOf[size_t(unit)] = id;
}

QString UnitSet::part(size_t at) const
{
    QString text;
    partInto(at, text);
    return text;
}

void UnitSet::partInto(size_t at, QString &text) const
{
    const std::uint32_t start = m_starts[at] & ~WideText;
    const std::uint32_t end = m_starts[at + 1] & ~WideText;
    const char *bytes = m_texts.data() + start;
    if (m_starts[at] & WideText) {
        text.resize(qsizetype(end - start) / 2);
        std::memcpy(text.data(), bytes, end - start);
        return;
    }
    text.resize(qsizetype(end - start));
    QChar *out = text.data();
    for (std::uint32_t i = 0; i < end - start; ++i)
        out[i] = QChar(char16_t(static_cast<unsigned char>(bytes[i])));
}

TranslationPair UnitSet::pair(int unit) const
{
    return {key(unit), m_index.text(sourceText(unit)), target(unit)};
}

size_t UnitSet::bytes() const
{
    return m_index.bytes() + m_texts.capacity() + m_starts.capacity() * 4 + m_sourceOf.capacity() * 4;
}

TranslationMemory::TranslationMemory(std::shared_ptr<const ProductEnglish> english, LanguageColumn own,
                                     std::vector<LanguageColumn> siblings, std::shared_ptr<const UnitSet> earlier,
                                     std::vector<std::shared_ptr<const UnitSet>> tmx)
    : m_english(std::move(english))
    , m_own(std::move(own))
    , m_siblings(std::move(siblings))
    , m_earlier(std::move(earlier))
    , m_tmx(std::move(tmx))
{
    m_offerable.push_back(offerableFlags(m_own));
    for (LanguageColumn &sibling : m_siblings)
        m_offerable.push_back(offerableFlags(sibling));
}

std::vector<bool> TranslationMemory::offerableFlags(LanguageColumn &column) const
{
    const int count = m_english->attributeCount();
    while (column.values.size() < count)
        column.values.append(QString());
    std::vector<bool> flags(size_t(count), false);
    for (int a = 0; a < count; ++a) {
        const QString &value = column.values[a];
        flags[size_t(a)] = !isBlankValue(value) && !m_english->english(a).isEmpty()
            && CheckPlaceholders(value, m_english->english(a), AttributeId(a));
    }
    return flags;
}

std::shared_ptr<const TranslationMemory> TranslationMemory::withOwnValues(QStringList values) const
{
    auto memory = std::make_shared<TranslationMemory>(*this);
    memory->m_own.values = std::move(values);
    memory->m_offerable.front() = memory->offerableFlags(memory->m_own);
    return memory;
}

std::shared_ptr<const TranslationMemory> TranslationMemory::withUnits(std::shared_ptr<const UnitSet> earlier,
                                                                    std::vector<std::shared_ptr<const UnitSet>> tmx) const
{
    auto memory = std::make_shared<TranslationMemory>(*this);
    memory->m_earlier = std::move(earlier);
    memory->m_tmx = std::move(tmx);
    return memory;
}

std::vector<MemoryMatch> TranslationMemory::suggest(const MatchQuery &query) const
{
    const QString english = valueText(query.english).toString();
    if (isBlankValue(english))
        return {};
    const PlaceholderRule rule =
        query.attribute >= 0 ? placeholderRuleFor(AttributeId(query.attribute)) : PlaceholderRule::Percent;
    const PlaceholderCounts wanted = countPlaceholders(english, rule);
    const QStringView current = valueText(query.currentValue);
    const int minScore = std::clamp(query.minScore, 0, 100);

    // A translation offered, with where its best-ranked unit comes from: the strings
    // of a match (its English, key, language, file) are made only for the matches kept.
    struct Candidate
    {
        int score = 0;
        int rank = 0;
        int uses = 1;
        bool placeholdersDiffer = false;
        QString text;
        int attribute = -1;           // a product or sibling match: the attribute
        const UnitSet *units = nullptr; // an earlier release or TMX match: its units
        int unit = -1;
    };
    std::vector<Candidate> candidates;
    QHash<QString, int> byText;
    const auto offer = [&](int score, QStringView target, int rank, int attribute, const UnitSet *units, int unit) {
        const QStringView text = valueText(target);
        if (text == current || score < minScore)
            return;
        // One translation has one placeholder verdict: worked out when it is first seen.
        // Looked up without a copy of the text; a copy is made for a new translation only.
        const auto found = byText.constFind(QString::fromRawData(text.data(), text.size()));
        if (found != byText.cend()) {
            Candidate &held = candidates[size_t(found.value())];
            if (held.placeholdersDiffer)
                score -= 10;
            if (score < minScore)
                return;
            ++held.uses;
            if (score < held.score || (score == held.score && rank >= held.rank))
                return;
            held.score = score;
            held.rank = rank;
            held.attribute = attribute;
            held.units = units;
            held.unit = unit;
            return;
        }
        const bool differ = countPlaceholders(text, rule) != wanted;
        if (differ)
            score -= 10;
        if (score < minScore)
            return;
        const QString textString = text.toString();
        byText.insert(textString, int(candidates.size()));
        candidates.push_back({score, rank, 1, differ, textString, attribute, units, unit});
    };

    const auto hitsIn = [&](const TextIndex &index) {
        return query.scanEveryUnit ? index.matchByScan(english, rule, minScore) : index.match(english, rule, minScore);
    };
    const ProductEnglish &product = *m_english;
    for (const TextIndex::Hit &hit : hitsIn(product.index())) {
        for (const int attribute : product.index().positions(hit.text)) {
            if (m_offerable[0][size_t(attribute)] && attribute != query.attribute)
                offer(hit.score, m_own.values[attribute], ProductRank, attribute, nullptr, -1);
            for (size_t s = 0; s < m_siblings.size(); ++s)
                if (m_offerable[s + 1][size_t(attribute)])
                    offer(hit.score, m_siblings[s].values[attribute], SiblingRank + int(s), attribute, nullptr, -1);
        }
    }
    const auto offerUnits = [&](const UnitSet &units, int rank) {
        QString target; // one buffer for every unit's target
        for (const TextIndex::Hit &hit : hitsIn(units.index()))
            for (const int unit : units.index().positions(hit.text)) {
                units.targetInto(unit, target);
                offer(hit.score, target, rank, -1, &units, unit);
            }
    };
    if (m_earlier)
        offerUnits(*m_earlier, EarlierRank);
    for (size_t t = 0; t < m_tmx.size(); ++t)
        offerUnits(*m_tmx[t], TmxRank + int(t));

    const auto before = [](const Candidate &a, const Candidate &b) {
        if (a.score != b.score)
            return a.score > b.score;
        if (a.uses != b.uses)
            return a.uses > b.uses;
        if (a.rank != b.rank)
            return a.rank < b.rank;
        return a.text < b.text;
    };
    const size_t wantedCount = query.maxMatches < 0 ? candidates.size()
                                                    : std::min(candidates.size(), size_t(query.maxMatches));
    std::partial_sort(candidates.begin(), candidates.begin() + qsizetype(wantedCount), candidates.end(), before);
    std::vector<MemoryMatch> matches;
    matches.reserve(wantedCount);
    for (size_t i = 0; i < wantedCount; ++i) {
        Candidate &candidate = candidates[i];
        MemoryMatch match;
        match.score = candidate.score;
        match.text = std::move(candidate.text);
        match.uses = candidate.uses;
        match.placeholdersDiffer = candidate.placeholdersDiffer;
        if (candidate.units) {
            const UnitSet &units = *candidate.units;
            match.source = units.index().text(units.sourceText(candidate.unit));
            match.origin = units.origin();
            match.key = units.key(candidate.unit);
            match.language = m_own.name;
            match.file = units.name();
        } else {
            const LanguageColumn &column =
                candidate.rank == ProductRank ? m_own : m_siblings[size_t(candidate.rank - SiblingRank)];
            match.source = product.english(candidate.attribute);
            match.origin = candidate.rank == ProductRank ? MatchOrigin::Product : MatchOrigin::Sibling;
            match.key = product.keys()[candidate.attribute];
            match.language = column.name;
            match.file = column.file;
        }
        matches.push_back(std::move(match));
    }
    return matches;
}

std::vector<MemoryMatch> TranslationMemory::suggestFor(int attribute, int minScore, int maxMatches) const
{
    if (attribute < 0 || attribute >= m_english->attributeCount())
        return {};
    return suggest({m_english->english(attribute), attribute, m_own.values[attribute], minScore, maxMatches});
}

SameEnglish TranslationMemory::sameEnglish(int attribute) const
{
    SameEnglish same;
    same.attributes = m_english->sameEnglish(attribute);
    for (const int other : same.attributes)
        if (isBlankValue(m_own.values[other]))
            ++same.untranslated;
    return same;
}

} // namespace Glossa
