#pragma once

#include "memory/TextIndex.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// The translation memory: what was translated before, offered for an English text.
//
// Threads: ProductEnglish, UnitSet and TranslationMemory are immutable once built.
// Every member function is const and safe to call from several threads at once
// (the editor asks from a worker thread while its GUI thread reads the same
// memory). To take edits in, build a new TranslationMemory with the new values
// (cheap: the indexes are shared through shared_ptr) and swap the pointer.
namespace Glossa {

// Where a match comes from, in the order matches of one score are ranked.
enum class MatchOrigin {
    Product, // another key of this product, this language
    Sibling, // a key of a language with the same base language (es-MX for es-ES)
    Earlier, // the earlier release's file of this language
    Tmx,     // a TMX file the user added
};

// "product", "sibling", "earlier", "tmx".
QString originKindName(MatchOrigin origin);

// One unit of an earlier release or a TMX file: texts without enclosing quotes.
struct TranslationPair
{
    QString key; // the attribute key, or the TMX unit's tuid (may be empty)
    QString source;
    QString target;
};

// The English of one product, indexed once and shared by the memories of all its
// languages: master keys and values in master order, one attribute per row.
class ProductEnglish
{
public:
    // values as the master holds them (enclosing quotes are taken off).
    ProductEnglish(const QStringList &keys, const QStringList &values);

    int attributeCount() const { return int(m_keys.size()); }
    const QStringList &keys() const { return m_keys; }
    // The English text of an attribute, without enclosing quotes.
    const QString &english(int attribute) const { return m_english[attribute]; }
    const TextIndex &index() const { return m_index; }

    // The other attributes whose English is exactly this attribute's, in master
    // order; none for a blank English text.
    std::vector<int> sameEnglish(int attribute) const;
    // Attributes whose English contains phrase, letter case ignored, in master
    // order; at most limit of them (all for a negative limit).
    std::vector<int> concordance(QStringView phrase, int limit = -1) const;

private:
    QStringList m_keys;
    QStringList m_english;
    std::vector<int> m_textOf; // attribute -> distinct text id, -1 when blank
    TextIndex m_index;
};

// Units gathered one at a time (as a TMX file is read) before they become a
// UnitSet: only those the memory may offer, their keys and targets one after
// another in the buffer the UnitSet keeps, their English in another until indexed.
// A key or target of Latin-1 characters alone takes a byte a character, any other
// two (UTF-16 as it is): both read back exactly as given.
class UnitCollector
{
public:
    // Keeps the unit unless the memory never offers it: a blank text, a target whose
    // placeholders differ from its own English. False when it is left out.
    bool add(QStringView key, QStringView source, QStringView target);
    int size() const { return int(m_sourceStarts.size()); }
    // More text than one buffer holds (2 GB): the rest was left out.
    bool full() const { return m_full; }

private:
    friend class UnitSet;
    QStringView source(size_t unit) const
    {
        const size_t end = unit + 1 < m_sourceStarts.size() ? m_sourceStarts[unit + 1] : m_sources.size();
        return QStringView(m_sources.data() + m_sourceStarts[unit], qsizetype(end - m_sourceStarts[unit]));
    }
    std::string m_texts;                       // each unit's key, then its target
    std::vector<std::uint32_t> m_starts;       // where each of those begins; the top bit: in UTF-16
    std::u16string m_sources;                  // each unit's English
    std::vector<std::uint32_t> m_sourceStarts;
    bool m_full = false;
};

// Units of one earlier release or TMX file, with an index over their English.
// Blank targets and targets whose placeholders differ from their own English are
// not kept: the memory never offers them. Each unit's key and target are kept in
// one buffer, its English once in the index; strings are made only for what is asked.
class UnitSet
{
public:
    // name: what the user knows the file by (the TMX path, the release folder).
    UnitSet(MatchOrigin origin, const QString &name, std::vector<TranslationPair> pairs);
    UnitSet(MatchOrigin origin, const QString &name, UnitCollector units);

    MatchOrigin origin() const { return m_origin; }
    const QString &name() const { return m_name; }
    int size() const { return int(m_sourceOf.size()); }
    QString key(int unit) const { return part(2 * size_t(unit)); }
    QString target(int unit) const { return part(2 * size_t(unit) + 1); }
    // The same into text, whose room is used again.
    void targetInto(int unit, QString &text) const { partInto(2 * size_t(unit) + 1, text); }
    // The unit's English: its text in the index.
    int sourceText(int unit) const { return m_sourceOf[size_t(unit)]; }
    TranslationPair pair(int unit) const;
    const TextIndex &index() const { return m_index; }
    // The bytes its tables take (what the benchmarks count).
    size_t bytes() const;

private:
    QString part(size_t at) const;
    void partInto(size_t at, QString &text) const;
    MatchOrigin m_origin;
    QString m_name;
    TextIndex m_index;
    std::string m_texts;                 // each unit's key, then its target (see UnitCollector)
    std::vector<std::uint32_t> m_starts; // where each of those begins, the top bit for UTF-16; the total at the end
    std::vector<int> m_sourceOf;         // each unit's English as a text id of the index
};

// One language's values beside the master's: as the file holds them (quotes and
// all), one per attribute in master order; empty when missing.
struct LanguageColumn
{
    QString name; // display name
    QString file; // "language/German (Germany).ini"
    QStringList values;
};

struct MemoryMatch
{
    int score = 0;            // after the 10 points a placeholder difference costs
    QString text;             // the suggested translation, without enclosing quotes
    QString source;           // the match's English
    MatchOrigin origin = MatchOrigin::Product;
    QString key;              // the attribute key or TMX tuid it was found under
    QString language;         // the display name of the language it comes from
    QString file;             // the language file, earlier release or TMX file
    int uses = 1;             // how many units (keys) above the cut-off give this translation
    bool placeholdersDiffer = false; // its placeholders differ from the entry's English
};

struct MatchQuery
{
    QString english;          // the entry's English (enclosing quotes are taken off)
    int attribute = -1;       // the entry's row in master order (its placeholder rule); -1 for none
    QString currentValue;     // the entry's own value: never offered
    int minScore = 70;
    int maxMatches = 5;       // negative: every match
    bool scanEveryUnit = false; // score every unit instead of the index's candidates: what the index is measured against
};

// Where a match comes from, as the user reads it: "this product: IDS_X",
// "Spanish (Mexico)", "release 1.4" (the release folder's name), the TMX file's name.
QString originLabel(const MemoryMatch &match);

// How many other keys share an entry's English, and how many of them the
// language leaves blank or missing.
struct SameEnglish
{
    std::vector<int> attributes; // master order
    int untranslated = 0;
};

class TranslationMemory
{
public:
    // own: the language's values; siblings: languages with the same base language;
    // earlier and tmx may be null / empty. tmx in the order the user gave them.
    TranslationMemory(std::shared_ptr<const ProductEnglish> english, LanguageColumn own,
                      std::vector<LanguageColumn> siblings = {}, std::shared_ptr<const UnitSet> earlier = {},
                      std::vector<std::shared_ptr<const UnitSet>> tmx = {});

    const ProductEnglish &english() const { return *m_english; }
    std::shared_ptr<const ProductEnglish> sharedEnglish() const { return m_english; }
    const LanguageColumn &language() const { return m_own; }
    const std::vector<LanguageColumn> &siblings() const { return m_siblings; }
    const std::shared_ptr<const UnitSet> &earlier() const { return m_earlier; }
    const std::vector<std::shared_ptr<const UnitSet>> &tmxFiles() const { return m_tmx; }

    // The best matches: ranked by score, then by uses, then by origin (this product,
    // sibling languages, the earlier release, TMX files in order given); identical
    // translations are one match. Blank values, values that fail the placeholder
    // check against their English and the entry's own value are never offered.
    std::vector<MemoryMatch> suggest(const MatchQuery &query) const;
    // The same for an attribute of the product with the memory's own current value.
    std::vector<MemoryMatch> suggestFor(int attribute, int minScore = 70, int maxMatches = 5) const;

    // "Used by N other keys, M untranslated", with the memory's values.
    SameEnglish sameEnglish(int attribute) const;

    // The same memory with the language's own values replaced (the editor's rows
    // as they are now, in master order); the indexes and other columns are shared.
    std::shared_ptr<const TranslationMemory> withOwnValues(QStringList values) const;
    // The same memory with another earlier release and other TMX files; the columns
    // and the product's index are shared, not read again.
    std::shared_ptr<const TranslationMemory> withUnits(std::shared_ptr<const UnitSet> earlier,
                                                       std::vector<std::shared_ptr<const UnitSet>> tmx) const;

private:
    // Whether each value of a column may be offered; pads the column to every attribute.
    std::vector<bool> offerableFlags(LanguageColumn &column) const;

    std::shared_ptr<const ProductEnglish> m_english;
    LanguageColumn m_own;
    std::vector<LanguageColumn> m_siblings;
    std::shared_ptr<const UnitSet> m_earlier;
    std::vector<std::shared_ptr<const UnitSet>> m_tmx;
    // Per column (own first, then siblings): whether each value may be offered.
    std::vector<std::vector<bool>> m_offerable;
};

} // namespace Glossa
