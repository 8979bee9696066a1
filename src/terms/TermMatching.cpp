#include "terms/TermMatching.h"

#include <QStringList>

#include <libstemmer.h>

#include <algorithm>
#include <array>
#include <deque>

namespace Glossa::Terms {

namespace detail {

qsizetype tagLength(QStringView text, qsizetype i)
{
    if (i + 1 >= text.size())
        return 0;
    const QChar next = text[i + 1];
    if (!next.isLetter() && next != u'/' && next != u'!')
        return 0;
    for (qsizetype j = i + 1; j < text.size() && j < i + 256; ++j) {
        if (text[j] == u'<')
            return 0;
        if (text[j] == u'>')
            return j - i + 1;
    }
    return 0;
}

qsizetype entityLength(QStringView text, qsizetype i)
{
    for (qsizetype j = i + 1; j < text.size() && j < i + 12; ++j) {
        if (text[j] == u';')
            return j > i + 1 ? j - i + 1 : 0;
        if (!text[j].isLetterOrNumber() && text[j] != u'#')
            return 0;
    }
    return 0;
}

} // namespace detail

QString wordText(QStringView text, bool folded)
{
    QString out;
    out.reserve(text.size() + 2);
    forEachWordTextChar(text, folded, [&out](QChar c) { out += c; });
    return out;
}

bool writesWithoutSpaces(const QString &languageTag)
{
    const QString base = languageTag.section(u'-', 0, 0).section(u'_', 0, 0).toLower();
    return base == u"zh" || base == u"ja" || base == u"th" || base == u"km" || base == u"lo" || base == u"my";
}

void PhraseAutomaton::add(const QString &phrase, int value)
{
    if (phrase.isEmpty())
        return;
    std::uint32_t node = 0;
    for (const QChar c : phrase) {
        std::uint32_t next = child(node, c.unicode());
        if (next == UINT32_MAX) {
            next = std::uint32_t(m_nodes.size());
            m_nodes.emplace_back();
            insertEdge((std::uint64_t(node) << 16) | c.unicode(), next);
        }
        node = next;
    }
    if (m_nodes[node].output < 0) {
        m_nodes[node].output = std::int32_t(m_outputs.size());
        m_outputs.emplace_back();
    }
    auto &outputs = m_outputs[size_t(m_nodes[node].output)];
    const std::pair<qsizetype, int> output(phrase.size(), value);
    if (std::find(outputs.begin(), outputs.end(), output) == outputs.end())
        outputs.push_back(output);
}

void PhraseAutomaton::insertEdge(std::uint64_t key, std::uint32_t node)
{
    if ((m_edgeCount + 1) * 2 > m_slots.size()) {
        std::vector<std::pair<std::uint64_t, std::uint32_t>> old(std::max<size_t>(64, m_slots.size() * 2),
                                                                 {UINT64_MAX, 0});
        old.swap(m_slots);
        m_edgeCount = 0;
        for (const auto &[k, n] : old)
            if (k != UINT64_MAX)
                insertEdge(k, n);
    }
    const std::uint64_t mask = m_slots.size() - 1;
    std::uint64_t slot = slotOf(key, mask);
    while (m_slots[slot].first != UINT64_MAX)
        slot = (slot + 1) & mask;
    m_slots[slot] = {key, node};
    ++m_edgeCount;
}

void PhraseAutomaton::build()
{
    // Breadth first: a node's failure is found from its parent's, which is done.
    std::vector<std::vector<std::pair<char16_t, std::uint32_t>>> edges(m_nodes.size());
    for (const auto &[key, node] : m_slots)
        if (key != UINT64_MAX)
            edges[size_t(key >> 16)].emplace_back(char16_t(key & 0xFFFF), node);
    std::deque<std::uint32_t> queue;
    for (const auto &[c, node] : edges[0]) {
        m_nodes[node].failure = 0;
        queue.push_back(node);
    }
    while (!queue.empty()) {
        const std::uint32_t parent = queue.front();
        queue.pop_front();
        for (const auto &[c, node] : edges[parent]) {
            std::uint32_t f = m_nodes[parent].failure;
            std::uint32_t target = child(f, c);
            while (target == UINT32_MAX && f != 0) {
                f = m_nodes[f].failure;
                target = child(f, c);
            }
            m_nodes[node].failure = target == UINT32_MAX ? 0 : target;
            const Node &fail = m_nodes[m_nodes[node].failure];
            m_nodes[node].outputLink = fail.output >= 0 ? std::int32_t(m_nodes[node].failure) : fail.outputLink;
            queue.push_back(node);
        }
    }
    // Every character from the root: its child, or the root itself.
    m_rootEdges.assign(0x10000, 0);
    for (const auto &[c, node] : edges[0])
        m_rootEdges[c] = node;
}

std::vector<PhraseAutomaton::Match> PhraseAutomaton::matches(QStringView text) const
{
    std::vector<Match> found;
    forEachMatch(text, [&found](const Match &match) { found.push_back(match); });
    return found;
}

WordPhrase::WordPhrase(const QString &wordText, bool folded)
    : words(wordText.split(u' ', Qt::SkipEmptyParts)), folded(folded)
{
    hashes.reserve(size_t(words.size()));
    for (const QString &word : words)
        hashes.push_back(TextWords::hashOf(word));
}

namespace {
// A word's hash: FNV-1a over its characters, as TextWords::read makes it while reading.
constexpr std::uint64_t HashBasis = 0xcbf29ce484222325ull;
constexpr std::uint64_t HashPrime = 0x100000001b3ull;
} // namespace

std::uint64_t TextWords::hashOf(QStringView word)
{
    std::uint64_t hash = HashBasis;
    for (const QChar c : word)
        hash = (hash ^ c.unicode()) * HashPrime;
    return hash;
}

void TextWords::read(QStringView text)
{
    // A word text has no more characters than the text (a placeholder or tag of two
    // or more stands as one), and its spaces are not kept.
    if (qsizetype(m_kept.size()) < text.size()) {
        m_kept.resize(size_t(text.size()));
        m_folded.resize(size_t(text.size()));
    }
    m_words.clear();
    char16_t *kept = m_kept.data();
    char16_t *folded = m_folded.data();
    qsizetype length = 0;
    qsizetype start = 0;
    std::uint64_t keptHash = HashBasis;
    std::uint64_t foldedHash = HashBasis;
    // A word character as written and folded.
    const auto put = [&](char16_t u, char16_t f) {
        kept[length] = u;
        folded[length] = f;
        ++length;
        keptHash = (keptHash ^ u) * HashPrime;
        foldedHash = (foldedHash ^ f) * HashPrime;
    };
    const auto endWord = [&] {
        if (length > start)
            m_words.push_back({start, length - start, foldedHash, keptHash});
        start = length;
        keptHash = foldedHash = HashBasis;
    };
    // Most UI text is ASCII without placeholders, markup, entities or accelerators: its
    // words are its runs of letters and digits, read in one tight loop. A character
    // that needs more (a "%", a "<", a letter beyond ASCII) sends the text to the
    // general reading from its start.
    static constexpr char16_t NotPlain = 0xFFFF;
    // Each ASCII character's folded form, 0 where it ends a word, NotPlain where it needs more.
    static constexpr auto foldedAscii = [] {
        std::array<char16_t, 128> table{};
        for (char16_t u = 0; u < 128; ++u)
            table[u] = (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') ? u
                     : u >= u'A' && u <= u'Z'                                ? char16_t(u + 32)
                     : u == u'%' || u == u'\\' || u == u'{' || u == u'<' || u == u'_' || u == u'&' ? NotPlain
                                                                             : u'\0';
        return table;
    }();
    bool plain = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const char16_t f = u < 0x80 ? foldedAscii[u] : NotPlain;
        if (f == NotPlain) {
            plain = false;
            break;
        }
        if (f)
            put(u, f);
        else
            endWord();
    }
    if (plain) {
        endWord();
        return;
    }
    m_words.clear();
    length = start = 0;
    keptHash = foldedHash = HashBasis;
    forEachWordTextChar(text, false, [&](QChar c) {
        if (c == u' ')
            endWord();
        else
            put(c.unicode(), detail::foldedChar(c).unicode());
    });
}

bool TextWords::standsAt(const WordPhrase &phrase, qsizetype i) const
{
    const qsizetype n = phrase.words.size();
    if (n == 0 || i + n > size())
        return false;
    const std::u16string &chars = phrase.folded ? m_folded : m_kept;
    for (qsizetype j = 0; j < n; ++j) {
        const Word &word = m_words[size_t(i + j)];
        if ((phrase.folded ? word.folded : word.kept) != phrase.hashes[size_t(j)]
            || QStringView(chars.data() + word.start, word.length) != phrase.words[j])
            return false;
    }
    return true;
}

int TextWords::count(const WordPhrase &phrase) const
{
    if (phrase.isEmpty())
        return 0;
    int found = 0;
    const std::uint64_t first = phrase.hashes.front();
    for (qsizetype i = 0; i + phrase.words.size() <= size(); ++i)
        if ((phrase.folded ? m_words[size_t(i)].folded : m_words[size_t(i)].kept) == first && standsAt(phrase, i))
            ++found;
    return found;
}

Stemmer::Stemmer(const QString &languageTag)
{
    const QByteArray base = languageTag.section(u'-', 0, 0).section(u'_', 0, 0).toLower().toLatin1();
    if (!base.isEmpty())
        m_stemmer = sb_stemmer_new(base.constData(), "UTF_8");
}

Stemmer::~Stemmer()
{
    sb_stemmer_delete(m_stemmer);
}

QString Stemmer::stemWords(const QString &words) const
{
    if (!m_stemmer)
        return words;
    QString out = QStringLiteral(" ");
    for (const QString &word : words.split(u' ', Qt::SkipEmptyParts)) {
        if (word.size() == 1 && word[0] == QChar(detail::Breaker)) {
            out += word;
        } else {
            const QByteArray utf8 = word.toUtf8();
            const sb_symbol *stem = sb_stemmer_stem(m_stemmer, reinterpret_cast<const sb_symbol *>(utf8.constData()),
                                                    int(utf8.size()));
            out += stem ? QString::fromUtf8(reinterpret_cast<const char *>(stem), sb_stemmer_length(m_stemmer)) : word;
        }
        out += u' ';
    }
    return out;
}

int countOccurrences(const QString &words, const QString &phrase, bool substring)
{
    const QStringView wanted = substring ? QStringView(phrase).trimmed() : QStringView(phrase);
    if (wanted.isEmpty())
        return 0;
    int count = 0;
    for (qsizetype at = words.indexOf(wanted); at >= 0; at = words.indexOf(wanted, at + 1))
        ++count;
    return count;
}

} // namespace Glossa::Terms
