#pragma once

#include "checks/CheckEngine.h"
#include "checks/Finding.h"
#include "terms/Glossary.h"
#include "terms/TermMatching.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <span>
#include <vector>

// The glossary's checks of translations:
//   term               warning  the English has a term and the value holds fewer of its
//                               approved translations than the English has the term
//   term-forbidden     error    the value uses a term the glossary forbids for its language
//   term-untranslated  warning  a do-not-translate term is not in the value unchanged
// The English is matched once per product (EnglishTerms) and shared by every
// language's TermChecker.
namespace Glossa {

// A finding of the term checks names its check, severity, key and message; the
// caller places it (language, file, line).
using TermFinding = Finding;

// An entry an English text holds, and how often (overlapping terms: the longer wins,
// so "device name" does not also count as "device").
struct TermHit
{
    int entry = -1; // index into Glossary::concepts
    int count = 0;
};

// The product's English matched against the glossary's English terms in one pass
// per text (a multi-pattern automaton): whole words, letter case ignored unless the
// entry says otherwise, placeholders and markup skipped. Immutable once built.
class EnglishTerms
{
public:
    // english[row] is the master's text of keys[row].
    EnglishTerms(std::shared_ptr<const Glossary> glossary, const QStringList &keys, const QStringList &english);

    const Glossary &glossary() const { return *m_glossary; }
    int rowCount() const { return int(m_keys.size()); }
    const QString &key(int row) const { return m_keys[row]; }
    const QString &text(int row) const { return m_english[row]; }
    std::span<const TermHit> hitsAt(int row) const
    {
        return std::span<const TermHit>(m_hits).subspan(m_rowStart[size_t(row)], m_rowStart[size_t(row) + 1] - m_rowStart[size_t(row)]);
    }
    // The concepts of any English text (the editor's English), in glossary order.
    std::vector<TermHit> match(QStringView english) const;
    // The tags under which the glossary's entries hold a language's terms: those the
    // entries write for the tag, else for its base language, letter case ignored; the
    // tag as normalisedLanguageTag gives it. Worked out from every tag the glossary names.
    struct LanguageKeys
    {
        QStringList own;  // spellings of the tag itself
        QStringList base; // spellings of its base language
    };
    LanguageKeys keysFor(const QString &normalisedTag) const;
    // A language tag's terms per entry, null where an entry has none; null for a tag the
    // glossary does not name. Gathered in one pass over the entries, so that a language's
    // checker need not search every entry's languages.
    using TermsColumn = std::vector<const QList<Term> *>;
    const TermsColumn *termsOf(const QString &tag) const
    {
        const auto it = m_columns.constFind(tag);
        return it == m_columns.cend() ? nullptr : &*it;
    }

private:
    std::shared_ptr<const Glossary> m_glossary;
    QStringList m_keys;
    QStringList m_english;
    Terms::PhraseAutomaton m_folded; // concepts whose case does not count
    Terms::PhraseAutomaton m_exact;  // those whose case counts
    QStringList m_tags; // every language tag the glossary names
    QHash<QString, TermsColumn> m_columns;
    std::vector<std::uint32_t> m_rowStart;
    std::vector<TermHit> m_hits;
};

// The product's glossary (glossa-glossary.tbx) with its English matched: keys and
// english as CheckEngine::attributeNames() and masterValues() give them. Null with an
// empty error when the product has no glossary (then no term check runs), null with
// the error when the file cannot be read or is refused.
std::shared_ptr<const EnglishTerms> loadProductTerms(const QString &productDirectory, const QStringList &keys,
                                                     const QStringList &english, QString &error);

// One language's checks against the glossary. Holds a stemmer (when Snowball has one
// for the language): use one checker per thread.
class TermChecker
{
public:
    // languageTag: the language's BCP 47 tag ("de-DE"); its terms are those of the tag,
    // else of its base language ("de").
    TermChecker(std::shared_ptr<const EnglishTerms> english, const QString &languageTag);

    // The findings of the value of the master's row (a value as the file holds it,
    // enclosing quotes and all). A blank value has none.
    std::vector<TermFinding> checkRow(int row, QStringView value) const;
    // The same for any English text and value (the editor's entry being edited).
    std::vector<TermFinding> check(const QString &key, QStringView english, QStringView value) const;
    // Every row: values[row] in the master's order (missing rows may be empty).
    std::vector<TermFinding> checkAll(const QStringList &values) const;

    // The glossary entries of an English text, for a panel: the entry and this
    // language's terms (forbidden ones included, so that they can be shown struck).
    struct Entry
    {
        const TermConcept *glossaryEntry = nullptr;
        int count = 0;
        QList<Term> terms;
    };
    std::vector<Entry> entriesFor(QStringView english) const;
    // The entries whose forbidden terms a value uses, in glossary order.
    std::vector<Entry> forbiddenEntriesIn(QStringView value) const;

    bool hasStemmer() const { return m_stemmer.isValid(); }

private:
    enum Kind { Approved = 0, Forbidden = 1, Unchanged = 2 };
    std::vector<TermFinding> findings(const QString &key, std::span<const TermHit> hits, QStringView english,
                                      QStringView value) const;

    std::shared_ptr<const EnglishTerms> m_english;
    QString m_language;
    bool m_substring = false;
    bool m_compounds = false; // the language writes compound nouns as one word
    bool m_finnish = false;
    // The counts of a value's terms, (entry * 3 + kind, count) sorted: of the approved
    // and kept terms of the entries hits names, and of every forbidden term.
    void countTerms(std::span<const TermHit> hits, QStringView text, bool withExact,
                    std::vector<std::pair<int, int>> &counts) const;
    // Scripts written without spaces: the terms found by automata, anywhere in a value.
    Terms::PhraseAutomaton m_folded;
    Terms::PhraseAutomaton m_exact;
    // The forbidden terms alone: all a value whose English holds no entry is read for.
    Terms::PhraseAutomaton m_forbiddenFolded;
    Terms::PhraseAutomaton m_forbiddenExact;
    // Scripts written with spaces: the terms as sequences of words, counted in a value's
    // words. Per entry, its approved terms and, for a name not to translate, its English;
    // the forbidden terms found through their first word's hash (m_forbiddenStarts
    // sorted, m_forbiddenFilter a bit per hash to pass most words at once).
    struct CountedPhrase
    {
        Terms::WordPhrase phrase;
        int code = 0; // entry * 3 + kind
    };
    std::vector<std::vector<CountedPhrase>> m_entryPhrases;
    std::vector<CountedPhrase> m_forbiddenPhrases;
    std::vector<std::pair<std::uint64_t, int>> m_forbiddenStarts;
    std::vector<std::uint64_t> m_forbiddenFilter;
    // Per entry: its approved terms' texts, and their stemmed word texts.
    std::vector<QStringList> m_approved;
    // An entry's approved terms' stems, made when a finding may be cleared by them:
    // most values hold the term itself. The checker is one thread's, as its stemmer is.
    const QStringList &approvedStems(int entry) const;
    mutable std::vector<QStringList> m_approvedStems;
    mutable std::vector<bool> m_stemmed;
    std::vector<QStringList> m_forbidden;
    bool m_exactForbidden = false; // a case-sensitive entry forbids a term
    bool m_hasForbidden = false;   // the language has a forbidden term
    Terms::Stemmer m_stemmer;
};

// The glossary's checks as the check engine runs them: a TermChecker for each
// language checked, made on the thread that checks it.
class GlossaryChecks final : public ValueCheckSource
{
public:
    explicit GlossaryChecks(std::shared_ptr<const EnglishTerms> english) : m_english(std::move(english)) {}
    Checker forLanguage(const QString &displayName) const override;
    const std::shared_ptr<const EnglishTerms> &english() const { return m_english; }

private:
    std::shared_ptr<const EnglishTerms> m_english;
};

// The glossary checks of the product an engine has open: null with an empty error
// when the product has no glossary, null with the error when it cannot be read.
std::shared_ptr<const GlossaryChecks> productGlossaryChecks(const CheckEngine &engine, QString &error);
// The same with the product's glossary already read (loadProductGlossary): null when it is empty.
std::shared_ptr<const GlossaryChecks> glossaryChecks(const CheckEngine &engine, std::shared_ptr<const Glossary> glossary);

} // namespace Glossa
