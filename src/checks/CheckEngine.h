#pragma once

#include "checks/Finding.h"
#include "checks/PlaceholderCheck.h"
#include "checks/ValueChecks.h"
#include "model/Types.h"

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace Glossa {

// One language's health: its counts and its findings in line order (findings
// without a line first).
struct LanguageReport
{
    int catalogueRow = -1;
    QString name;          // display name
    QString code;          // locale code, "0x0407"
    QString file;          // relative to the product: "language/German (Germany).ini"
    QString encoding;      // utf-16le, utf-16be, utf-8, utf-8-bom, legacy-8bit, missing
    bool isMaster = false;
    bool readable = true;  // false: the file exists but could not be read
    int attributes = 0;    // catalogue ids; translated + blank + missing
    int translated = 0;
    int blank = 0;
    int missing = 0;
    int errors = 0;
    int warnings = 0;
    int infos = 0;
    int redundant = 0;     // distinct keys the catalogue lacks
    // Blank or missing values whose English has placeholders: the editor marks
    // them ERROR, since the empty value lacks what the English holds.
    int untranslatedWithPlaceholders = 0;
    std::vector<Finding> findings;
};

// "14 marked ERROR: 13 untranslated with placeholders, 1 check error": what the
// editor's "Errors" shows, in the words the editor, the main window and the
// languages overview share.
QString markedErrorText(int untranslatedWithPlaceholders, int checkErrors);

struct ProductReport
{
    QString product;       // absolute path of the product directory
    QString master;        // the master's display name
    int attributes = 0;
    std::vector<LanguageReport> languages; // catalogue row order, the master among them
    std::vector<Finding> productFindings;  // the index check: findings of no language file
    std::vector<Finding> lateFindings;     // stream(): master findings that needed every language
    bool cancelled = false;

    int count(FindingSeverity severity) const;
};

// Checks of single values that live above the engine (the glossary's terms). The
// engine asks for one language's checker on the thread that checks the language.
class ValueCheckSource
{
public:
    virtual ~ValueCheckSource() = default;
    // Appends the findings (check, severity, message) of the value of the master's
    // attribute (its row in attributeNames()) to found; the engine places them.
    using Checker = std::function<void(int attribute, QStringView value, std::vector<Finding> &found)>;
    // Empty when nothing applies to the language.
    virtual Checker forLanguage(const QString &displayName) const = 0;
};

struct CheckOptions
{
    // Display names of the languages to check; empty for every present language.
    QStringList languages;
    // Check ids to run (empty: all) and to leave out.
    QSet<QString> only;
    QSet<QString> ignore;
    // Threads; 0 for one per core.
    int jobs = 0;
    // Keys whose English changed since an earlier release, by language display
    // name: each one held by the language becomes a reference-changed finding.
    QHash<QString, QSet<QString>> staleKeys;
    // More checks of each translated value, when the product has them (its glossary).
    std::shared_ptr<const ValueCheckSource> valueChecks;
    // Also an info where the editor marks a row ERROR for what is no fault (the
    // lines of hand-wrapped prose broken elsewhere, a date format in the language's
    // order), saying why: the editor's why line wants it, a report does not.
    bool explainMarks = false;

    bool wants(const QString &check) const;
    bool wants(Check check) const;
};

// The text of a value: the value without one pair of enclosing double quotes.
inline QStringView valueText(QStringView value)
{
    if (value.size() >= 2 && value.front() == u'"' && value.back() == u'"')
        return value.sliced(1, value.size() - 2);
    return value;
}
// A value whose text is empty after trimming white space ("", "\"\"", "\" \"").
bool isBlankValue(QStringView value);

// The checks of one value against its reference, as the editor and the import
// run them: placeholders, braces, odd-quotes, whitespace, end-punctuation and
// unchanged (the master takes only odd-quotes). attributeIndex is the row of
// the attribute in the master's order, so index 0 takes the brace rule.
// Blank values get no finding here (the file check reports them).
std::vector<Finding> checkValue(QStringView value, QStringView reference, int attributeIndex,
                                const QString &languageName, bool isMaster, const CheckOptions &options = {});

// What the value checks need of a reference text, worked out once for all
// the languages checked against it. Views into the reference: it must outlive them.
struct ReferenceFacts
{
    ReferenceFacts(QStringView reference, int attributeIndex);
    QStringView value;
    QStringView text;
    PlaceholderRule rule;
    PlaceholderCounts placeholders;       // by the attribute's rule
    PlaceholderCounts otherPlaceholders;  // by the other rule
    bool blank;
    QStringView endMark; // "." ":" "!" "?" "..." or empty
    QStringView leading;
    QStringView trailing;
    Numbers numbers;
    PlainNumbers plainNumbers; // the numbers again, for holdsPlainNumbers; empty when it cannot tell
    QStringList links;
    std::vector<TagAt> tags;
    bool tagsNested;
    bool repeats;      // the reference holds a word twice in a row
    bool doubleSpace;  // two spaces in a row inside the reference
    bool doubledLetters; // a letter twice in a capitalised name ("QQ", "WWW"), which a value may spell out
    QChar acceleratorSign; // "&" or "_" where the reference marks one accelerator with it, else none
};
std::vector<Finding> checkValue(QStringView value, const ReferenceFacts &reference, const QString &languageName,
                                bool isMaster, const CheckOptions &options = {});

// "%d: the reference has it once, the value never; %s: ..." for a value that
// fails the placeholder check; empty when it passes.
QString placeholderMessage(QStringView value, QStringView reference, int attributeIndex);

// Reads a product directory and never writes to it.
class CheckEngine
{
public:
    // Reads the master file of PRODUCT/language. False, with error(), when the
    // directory, its language directory or its master cannot be read.
    bool open(const QString &productDirectory);
    QString error() const { return m_error; }

    const QString &productDirectory() const { return m_product; }
    // Display names of the languages the index synchronisation counts as
    // present (the master among them), in catalogue row order.
    const QStringList &presentLanguages() const { return m_present; }
    // A --language argument (display name or locale code) as the display name
    // of a present language; empty when no present language has it.
    QString resolveLanguage(const QString &nameOrCode) const;

    // The master's keys in file order, one per catalogue id (a key the master
    // repeats appears again; a language's line of it counts for each).
    const QStringList &attributeNames() const { return m_names; }
    // The master's value of each attribute, parallel to attributeNames().
    const QStringList &masterValues() const { return m_masterValues; }
    // What the index check finds, as run() reports it when "index" is wanted.
    const std::vector<Finding> &indexFindings() const { return m_indexFindings; }

    // Checks the chosen languages on a pool of threads, one language per
    // thread at a time: stream() with the languages collected, the master's
    // late findings among its own. progress is called (from the worker threads,
    // one call at a time) after each language with the number done and the
    // total, and languageDone with each finished report, both in catalogue
    // order. A set cancel stops before the next language; the report then says
    // cancelled and holds the languages delivered until then.
    ProductReport run(const CheckOptions &options, const std::function<void(int done, int total)> &progress = {},
                      const std::atomic_bool *cancel = nullptr,
                      const std::function<void(const LanguageReport &)> &languageDone = {}) const;

    // As run(), but hands each language's report to deliver (one call at a
    // time) in catalogue order as soon as it and those before it are done,
    // and keeps none of them: at most a few languages are held at once, so
    // memory does not grow with the product. Returns the product's frame
    // without languages; its lateFindings are the master's findings that
    // needed every language (source-widespread).
    ProductReport stream(const CheckOptions &options, const std::function<void(const LanguageReport &)> &deliver,
                         const std::atomic_bool *cancel = nullptr) const;

    // One language, on the calling thread.
    LanguageReport checkLanguage(const QString &displayName, const CheckOptions &options = {}) const;

private:
    // stream(), each language's report handed over to deliver to keep or drop.
    ProductReport streamLanguages(const CheckOptions &options, const std::function<void(LanguageReport &&)> &deliver,
                                  const std::atomic_bool *cancel) const;
    // A report of no language yet, and the languages of options to check, in catalogue order.
    ProductReport startReport(const CheckOptions &options, QStringList &chosen) const;
    // Per attribute and value check, the languages whose value of it fails that check
    // (an error or a warning).
    struct ErrorTally
    {
        std::vector<int> languagesAtFault; // attribute * allChecks().size() + the check's row
        int languages = 0;                 // translations counted
    };
    void countErrors(const LanguageReport &language, ErrorTally &tally) const;
    // source-widespread: the master's findings for attributes failing one check in about a quarter of the languages.
    std::vector<Finding> widespreadFindings(const ErrorTally &tally, const CheckOptions &options) const;

    QString m_product;
    QString m_error;
    QStringList m_present;
    QStringList m_names;
    QStringList m_masterValues;
    std::vector<int> m_masterLines;           // each attribute's line in the master file
    QHash<QString, int> m_indexByName;        // first occurrence
    QHash<QString, int> m_indexByFoldedName;  // case-folded name -> first occurrence
    std::vector<Finding> m_indexFindings;
    // Catalogue name -> lowest index, as views into m_names (shared by copies of the engine).
    using ViewIndex = std::unordered_map<QStringView, int, NameHash, NameEqual>;
    std::shared_ptr<ViewIndex> m_viewIndex;
    std::vector<int> m_firstIndex;            // the first catalogue index of each attribute's name
    // What the checks read of each master value, parallel to m_masterValues: worked
    // out when first checked (a memory or an export opens the product without checks).
    struct CheckFacts;
    std::shared_ptr<CheckFacts> m_facts;
    const std::vector<ReferenceFacts> &references() const;
    // The words of the master's texts and of the product's glossa-words.txt,
    // which spelling accepts in every language; read once, when first wanted.
    struct AcceptedWords;
    std::shared_ptr<AcceptedWords> m_acceptedWords;
    const QSet<QString> &acceptedWords() const;
    std::vector<int> m_referenceGroup;        // the group of attributes sharing its English text, or -1
    int m_referenceGroups = 0;
};

} // namespace Glossa
