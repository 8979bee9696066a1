#pragma once

#include "checks/PlaceholderCheck.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>
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

    int textCount() const { return int(m_texts.size()); }
    const QString &text(int id) const { return m_texts[size_t(id)]; }
    // The positions holding a text, ascending.
    const std::vector<int> &positions(int id) const { return m_positions[size_t(id)]; }
    // The id of exactly this text, or -1.
    int find(QStringView text) const;

    // Every text scoring minScore or more against query (placeholders by rule), in id order.
    std::vector<Hit> match(QStringView query, PlaceholderRule rule, int minScore) const;
    // The same by scoring every text: the measure match() is held to.
    std::vector<Hit> matchByScan(QStringView query, PlaceholderRule rule, int minScore) const;

    // Texts that contain phrase, letter case ignored, in id order.
    std::vector<int> containing(QStringView phrase) const;

private:
    using Gram = std::uint64_t;
    // The other texts of the query's loose form (and the query itself when held), ascending.
    std::vector<int> looseMatches(QStringView query) const;
    void scoreInto(int id, QStringView query, const std::u32string &symbols, PlaceholderRule rule, int minScore,
                   std::vector<Hit> &hits, const class BitParallelDistance *fast = nullptr) const;

    // Ids are given in order of symbol length (by the percent rule), so that the
    // texts of one length window are one id range.
    std::vector<QString> m_texts;
    std::u32string_view symbolsOf(int id) const
    {
        return std::u32string_view(m_symbolData).substr(m_symbolStart[size_t(id)],
                                                        m_symbolStart[size_t(id) + 1] - m_symbolStart[size_t(id)]);
    }
    std::u32string m_symbolData;              // every text's symbols, one after another
    std::vector<std::uint32_t> m_symbolStart; // where each text's begin; the total at the end
    // Symbols counted into 32 bins: the excess of one text's bins over another's is a
    // lower bound of their edit distance (bag distance), far cheaper than the distance.
    using Bag = std::array<std::uint8_t, 32>;
    std::vector<Bag> m_bags;
    std::vector<std::vector<int>> m_positions;
    std::vector<int> m_lengthStart; // first id of each symbol length; one past the longest at the end
    QHash<QString, int> m_byText;
    // (hash of the loose form, id), sorted: texts equal but for what the 99 rule lets differ.
    std::vector<std::pair<std::uint64_t, int>> m_byLoose;
    // Trigram -> its postings m_postings[m_gramStart[g] .. m_gramStart[g + 1]), ascending by id:
    // id << 8 | occurrences in the text (255 meaning at least that many).
    QHash<Gram, int> m_gramIds;
    std::vector<std::uint32_t> m_gramStart;
    std::vector<std::uint32_t> m_postings;
};

} // namespace Glossa
