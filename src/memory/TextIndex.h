#pragma once

#include "checks/PlaceholderCheck.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace Glossa {

// The English texts of a memory, each distinct text once, with a trigram index
// that finds every text scoring at least a cut-off against a query without
// scoring them all: a text within edit distance d of the query shares at least
// L + 2 - 3d of its padded trigrams (L the longer length), so only texts of a
// fitting length that share that many are scored. The trigrams are taken over
// case-folded symbols, which can only add shared trigrams, never lose one.
//
// Each text is kept once, as its symbols (by the percent rule) of 16 bits: a
// UTF-16 code unit stands for itself, a placeholder for a code unit that no text
// of the index holds, so that the text can be read back from its symbols and the
// distance over them is the distance over the 32-bit symbols of matchSymbols. A
// query's symbols that no text holds all become one more such code unit: the
// distance only ever compares the query's symbols with the text's. (Texts using
// nearly every code unit leave no room for that: the index then keeps them as
// they are and scores every text.)
//
// Immutable once built: every member function is const and may be called from
// several threads at once.
class TextIndex
{
public:
    struct Hit
    {
        int text = -1; // distinct text id
        int score = 0;
    };

    TextIndex() = default;
    // texts[i] is the text at position i (an attribute, a unit); blank texts
    // (empty after trimming) are left out.
    explicit TextIndex(const QStringList &texts);
    // The same with the text at position i given by textAt(i), for i in [0, count):
    // what it returns must stay readable until the index is built.
    TextIndex(qsizetype count, const std::function<QStringView(qsizetype)> &textAt);

    int textCount() const { return int(m_symbolStart.empty() ? 0 : m_symbolStart.size() - 1); }
    QString text(int id) const;
    // The positions holding a text, ascending.
    std::span<const int> positions(int id) const
    {
        return std::span<const int>(m_positionData).subspan(m_positionStart[size_t(id)],
                                                            m_positionStart[size_t(id) + 1] - m_positionStart[size_t(id)]);
    }
    // The id of exactly this text, or -1.
    int find(QStringView text) const;

    // Every text scoring minScore or more against query (placeholders by rule), in id order.
    std::vector<Hit> match(QStringView query, PlaceholderRule rule, int minScore) const;
    // The same by scoring every text: the measure match() is held to.
    std::vector<Hit> matchByScan(QStringView query, PlaceholderRule rule, int minScore) const;

    // Texts that contain phrase, letter case ignored, in id order.
    std::vector<int> containing(QStringView phrase) const;

    // The bytes its tables take (what the benchmarks count).
    size_t bytes() const;

private:
    using Gram = std::uint64_t;
    // The other texts of the query's loose form (and the query itself when held), ascending.
    std::vector<int> looseMatches(QStringView query) const;
    // A query's symbols in the index's 16 bits (see above).
    std::u16string querySymbols(QStringView query) const;
    void scoreInto(int id, QStringView query, std::u16string_view symbols, PlaceholderRule rule, int minScore,
                   std::vector<Hit> &hits) const;
    std::u16string_view symbolsOf(int id) const
    {
        return std::u16string_view(m_symbolData).substr(m_symbolStart[size_t(id)],
                                                        m_symbolStart[size_t(id) + 1] - m_symbolStart[size_t(id)]);
    }

    // Ids are given in order of symbol length (by the percent rule), so that the
    // texts of one length window are one id range. Every text's symbols one after
    // another in id order: candidates are walked in id order, so their symbols are
    // read in one sweep.
    std::u16string m_symbolData;
    std::vector<std::uint32_t> m_symbolStart; // where each text's begin; the total at the end
    // The texts are kept as they are (m_symbolData holds UTF-16, not symbols) and
    // every query scores every text: no code unit was left for the placeholders.
    bool m_plain = false;
    // The placeholders' code units: which units are codes, and the text each stands for.
    std::bitset<0x10000> m_isCode;
    QHash<char16_t, QString> m_placeholderText;
    QHash<char32_t, char16_t> m_codeOf;  // placeholder symbol -> its code unit
    char16_t m_foreign = 0;              // a query symbol no text holds
    // Symbols counted into 32 bins: the excess of one text's bins over another's is a
    // lower bound of their edit distance (bag distance), far cheaper than the distance.
    using Bag = std::array<std::uint8_t, 32>;
    std::vector<Bag> m_bags;
    // The positions of each text: m_positionData[m_positionStart[id] .. m_positionStart[id + 1]).
    std::vector<std::uint32_t> m_positionStart;
    std::vector<int> m_positionData;
    std::vector<int> m_lengthStart; // first id of each symbol length; one past the longest at the end
    // (hash of the text, id) and (hash of the loose form, id), sorted; equal hashes are compared.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_byText;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> m_byLoose;
    // Occurrence key (a trigram's k-th occurrence in a text) -> the ids of the texts
    // holding it, m_postings[m_gramStart[g] .. m_gramStart[g + 1]), ascending.
    // Occurrence key -> its id by open addressing, twice as many slots as keys at least
    // (a key never has every bit set: that marks a free slot).
    std::vector<std::pair<Gram, std::uint32_t>> m_gramSlots;
    size_t m_gramCount = 0;
    // The id of gram, -1 when no text has it.
    int gramId(Gram gram) const;
    // The id of gram, a new one when no text has had it yet.
    std::uint32_t addGram(Gram gram);
    std::vector<std::uint32_t> m_gramStart;
    std::vector<std::uint32_t> m_postings;
};

} // namespace Glossa
