#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sb_stemmer;

// The pieces the glossary's matching is made of: texts as sequences of words, a
// multi-pattern automaton (Aho-Corasick) that finds many phrases in one pass, and
// Snowball stems.
namespace Glossa::Terms {

// A text as the matcher reads it: its words joined by single spaces, with a space
// before the first and after the last. Placeholders (%d, %ls, \n, {0}), markup
// (<b>, </a>, &amp;) and an accelerator's & are no words, nor the one underscore of a
// text that stands between two letters ("Mi_nuteur": an accelerator): a placeholder or a tag
// stands as "\x01", which no phrase holds, so that no phrase runs across it. A word
// is a run of letters, marks and digits: an apostrophe or a hyphen parts words, so
// that "l'instantané" holds "instantané" and "IP-Adresse" holds "IP" (a term
// "e-mail" is the phrase "e mail", and found as such). folded: letter case folded.
QString wordText(QStringView text, bool folded);

namespace detail {
constexpr char16_t Breaker = 0x01;
inline bool isWordChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80) // most UI text: no table lookup
        return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
    return c.isLetterOrNumber() || c.isMark() || c.isSurrogate();
}
inline QChar foldedChar(QChar c)
{
    const char16_t u = c.unicode();
    if (u < 0x80)
        return u >= u'A' && u <= u'Z' ? QChar(char16_t(u + 32)) : c;
    return c.isSurrogate() ? c : c.toCaseFolded();
}
// The length of a tag starting at i ("<b>", "</a>", "<br/>"), 0 when text[i] opens none.
qsizetype tagLength(QStringView text, qsizetype i);
// The length of a character reference starting at i ("&amp;", "&#38;"), 0 when none.
qsizetype entityLength(QStringView text, qsizetype i);
} // namespace detail

// Calls put(QChar) for each character of wordText(text, folded) in turn, without
// making the text: what the automaton reads.
template<typename Emit>
void forEachWordTextChar(QStringView text, bool folded, Emit put)
{
    using namespace detail;
    put(QChar(u' '));
    bool underscoreSeen = false;
    bool atSpace = true;
    bool afterBreaker = false;
    const auto separate = [&] {
        if (!atSpace) {
            put(QChar(u' '));
            atSpace = true;
        }
    };
    const auto breakHere = [&] {
        separate();
        if (!afterBreaker) {
            put(QChar(Breaker));
            put(QChar(u' '));
            afterBreaker = true;
        }
    };
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c == u'%' || c == u'\\') {
            const bool isLong = c == u'%' && i + 1 < text.size() && text[i + 1] == u'l';
            breakHere();
            i += std::min<qsizetype>(isLong ? 3 : 2, text.size() - i);
            continue;
        }
        if (c == u'{') {
            qsizetype j = i + 1;
            while (j < text.size() && text[j].isDigit())
                ++j;
            if (j > i + 1 && j < text.size() && text[j] == u'}') {
                breakHere();
                i = j + 1;
                continue;
            }
        }
        if (c == u'<') {
            if (const qsizetype length = tagLength(text, i)) {
                breakHere();
                i += length;
                continue;
            }
        }
        if (c == u'_' && !underscoreSeen) {
            // A text's only underscore, between two letters, marks an accelerator inside a word.
            underscoreSeen = true;
            if (i > 0 && i + 1 < text.size() && text[i - 1].isLetter() && text[i + 1].isLetter()
                && text.indexOf(u'_', i + 1) < 0) {
                ++i;
                continue;
            }
        }
        if (c == u'&') {
            if (const qsizetype length = entityLength(text, i)) {
                separate();
                i += length;
                continue;
            }
            if (i + 1 < text.size() && text[i + 1].isLetterOrNumber()) {
                ++i; // an accelerator: "&File" is the word "File"
                continue;
            }
        }
        if (isWordChar(c)) {
            put(folded ? foldedChar(c) : c);
            atSpace = false;
            afterBreaker = false;
        } else {
            separate();
        }
        ++i;
    }
    separate();
}

// The scripts written without spaces between words (Chinese, Japanese, Thai, Khmer,
// Lao, Myanmar): their terms are found as substrings, not as whole words.
bool writesWithoutSpaces(const QString &languageTag);

// Many phrases found in one pass over a text. A phrase is added as wordText gives it
// (leading and trailing space included): then it only matches whole words. Matches
// may overlap ("device device": two of " device ").
class PhraseAutomaton
{
public:
    // Adds a phrase with its value (what a match reports); an empty phrase is ignored.
    void add(const QString &phrase, int value);
    // Builds the failure links; add() may not be called after.
    void build();
    bool isEmpty() const { return m_nodes.size() <= 1; }

    struct Match
    {
        qsizetype end = 0;   // one past the last character matched
        qsizetype length = 0;
        int value = -1;
    };
    // Every match in text, in order of their ends.
    template<typename Found>
    void forEachMatch(QStringView text, Found found) const
    {
        std::uint32_t state = 0;
        for (qsizetype i = 0; i < text.size(); ++i) {
            state = step(state, text[i].unicode());
            report(state, i + 1, found);
        }
    }
    // The same over wordText(text, folded), read as it is made: positions are the word text's.
    template<typename Found>
    void forEachMatchInWords(QStringView text, bool folded, Found found) const
    {
        std::uint32_t state = 0;
        qsizetype at = 0;
        forEachWordTextChar(text, folded, [&](QChar c) {
            state = step(state, c.unicode());
            report(state, ++at, found);
        });
    }
    std::vector<Match> matches(QStringView text) const;

private:
    template<typename Found>
    void report(std::uint32_t state, qsizetype end, Found &found) const
    {
        for (std::int32_t out = m_nodes[state].output >= 0 ? std::int32_t(state) : m_nodes[state].outputLink; out >= 0;
             out = m_nodes[size_t(out)].outputLink)
            for (const auto &[length, value] : m_outputs[size_t(m_nodes[size_t(out)].output)])
                found(Match{end, length, value});
    }
    struct Node
    {
        std::uint32_t failure = 0;
        std::int32_t output = -1;     // index into m_outputs, or -1
        std::int32_t outputLink = -1; // the nearest node on the failure chain with an output
    };
    // The edges, (node << 16 | character) -> child, by open addressing: a slot is free
    // when its key is all ones. The root's edges are also a table of every character,
    // since most steps of a text start over at the root.
    static std::uint64_t slotOf(std::uint64_t key, std::uint64_t mask)
    {
        return ((key + 1) * 0x9E3779B97F4A7C15ull >> 20) & mask;
    }
    std::uint32_t child(std::uint32_t node, char16_t c) const
    {
        if (node == 0 && !m_rootEdges.empty())
            return m_rootEdges[c];
        if (m_slots.empty())
            return UINT32_MAX;
        const std::uint64_t key = (std::uint64_t(node) << 16) | c;
        const std::uint64_t mask = m_slots.size() - 1;
        for (std::uint64_t slot = slotOf(key, mask);; slot = (slot + 1) & mask) {
            if (m_slots[slot].first == key)
                return m_slots[slot].second;
            if (m_slots[slot].first == UINT64_MAX)
                return UINT32_MAX;
        }
    }
    std::uint32_t step(std::uint32_t state, char16_t c) const
    {
        for (;;) {
            const std::uint32_t next = child(state, c);
            if (next != UINT32_MAX)
                return next;
            if (state == 0)
                return 0;
            state = m_nodes[state].failure;
        }
    }
    void insertEdge(std::uint64_t key, std::uint32_t node);
    std::vector<Node> m_nodes = std::vector<Node>(1); // the root
    std::vector<std::pair<std::uint64_t, std::uint32_t>> m_slots; // a power of two, at most half full
    size_t m_edgeCount = 0;
    std::vector<std::uint32_t> m_rootEdges; // filled by build()
    std::vector<std::vector<std::pair<qsizetype, int>>> m_outputs; // (phrase length, value)
};

// A phrase of whole words (a term's word text, see wordText), to be counted in a
// text's words: for scripts written with spaces, a term is a sequence of words, and
// comparing a few words' hashes is cheaper than stepping an automaton through every
// character.
struct WordPhrase
{
    WordPhrase() = default;
    // wordText: as wordText(term, folded) gives it.
    WordPhrase(const QString &wordText, bool folded);
    std::vector<std::uint64_t> hashes; // one per word
    QStringList words;
    bool folded = true; // compared with the text's folded words, else with them as written
    bool isEmpty() const { return words.isEmpty(); }
};

// A text's words as wordText gives them, folded and as written, read in one pass.
class TextWords
{
public:
    void read(QStringView text);
    qsizetype size() const { return qsizetype(m_words.size()); }
    std::uint64_t hashAt(qsizetype i, bool folded) const { return folded ? m_words[size_t(i)].folded : m_words[size_t(i)].kept; }
    // Whether phrase stands at word i; how often it stands in the text (overlaps count).
    bool standsAt(const WordPhrase &phrase, qsizetype i) const;
    int count(const WordPhrase &phrase) const;

    static std::uint64_t hashOf(QStringView word);

private:
    struct Word
    {
        qsizetype start = 0;
        qsizetype length = 0;
        std::uint64_t folded = 0;
        std::uint64_t kept = 0;
    };
    std::u16string m_folded; // the words' characters back to back
    std::u16string m_kept;
    std::vector<Word> m_words;
};

// A Snowball stemmer for one language; none for a language Snowball does not know.
// Not to be shared between threads.
class Stemmer
{
public:
    explicit Stemmer(const QString &languageTag);
    ~Stemmer();
    Stemmer(const Stemmer &) = delete;
    Stemmer &operator=(const Stemmer &) = delete;
    bool isValid() const { return m_stemmer != nullptr; }
    // A word text (see wordText, folded) with every word stemmed.
    QString stemWords(const QString &words) const;

private:
    sb_stemmer *m_stemmer = nullptr;
};

// How often phrase (a word text, spaces around) occurs in words (a word text), as
// whole words or, when substring, anywhere; occurrences may overlap.
int countOccurrences(const QString &words, const QString &phrase, bool substring);

} // namespace Glossa::Terms
