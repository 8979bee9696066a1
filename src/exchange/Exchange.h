#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Files that carry a language's values to outside translators and back: XLIFF 1.2,
// which every translation tool reads, and CSV for spreadsheets. Nothing here touches
// a language file: export turns entries into bytes, import turns bytes into the
// changes it would make, and the caller applies them.
namespace Glossa {

enum class ExchangeFormat { Xliff, Csv };
enum class ExportSelection { All, Untranslated, Problems };

// The XLIFF states of a unit (also the CSV's state column).
inline const QString StateTranslated = QStringLiteral("translated");
inline const QString StateNeedsTranslation = QStringLiteral("needs-translation");
inline const QString StateNeedsReview = QStringLiteral("needs-review-translation");

// A translation memory's match carried along in an XLIFF unit's <alt-trans>.
struct AlternativeTranslation
{
    int quality = 0;    // match-quality, the memory's score
    QString origin;     // where the match comes from, as the user reads it
    QString source;     // its English
    QString target;     // its translation
};

// One attribute as it goes out.
struct ExchangeEntry
{
    QString key;
    int attributeIndex = 0;  // row in the master's order: index 0 takes the brace rule
    QString reference;       // the reference's value as its file holds it (quotes kept)
    QString value;           // the value as the file holds it; empty when missing
    bool missing = false;    // the file has no line for the key
    QString state;           // one of the three states above
    QString note;            // the check engine's messages; empty when none
    std::vector<AlternativeTranslation> alternatives; // XLIFF only: best first
};

// An entry with its state and note from the check engine's value checks: blank or
// missing values need translation, a value with an error-severity finding needs review.
// reference is the master's value, which the checks compare with.
ExchangeEntry makeExchangeEntry(const QString &key, int attributeIndex, const QString &value, bool missing,
                                const QString &masterValue, const QString &languageName, bool isMaster);

struct ExchangeDocument
{
    QString original;        // the language file relative to the product: "language/German (Germany).ini"
    QString sourceLanguage;  // BCP 47 tags: "en-US"
    QString targetLanguage;  // "de-DE"
    std::vector<ExchangeEntry> entries; // in catalogue order
};

QByteArray writeXliff(const ExchangeDocument &document);
// UTF-8 with a byte-order mark, CRLF, columns key, reference, value, state, note.
QByteArray writeCsv(const ExchangeDocument &document);
QByteArray writeExchange(const ExchangeDocument &document, ExchangeFormat format);

// The placeholders of one text as the placeholder check finds them, as
// non-overlapping (start, length) spans in text order: what XLIFF wraps in <ph>.
struct PlaceholderSpan
{
    qsizetype start = 0;
    qsizetype length = 0;
};
std::vector<PlaceholderSpan> placeholderSpans(QStringView text, int attributeIndex);

// One unit read back: its key and the text of its target.
struct ImportedUnit
{
    QString key;
    QString text;
    bool hasTarget = false;  // false: no <target>, or an empty CSV value
    QString source;          // the English the unit was translated from: <source>, a CSV's reference
    bool hasSource = false;
};

struct ExchangeFile
{
    ExchangeFormat format = ExchangeFormat::Xliff;
    QString targetLanguage;  // the XLIFF's target-language; empty for CSV or when absent
    QString sourceLanguage;  // the XLIFF's source-language; empty for CSV or when absent
    QString original;        // the first <file>'s original: "language/German (Germany).ini"
    std::vector<ImportedUnit> units;
};

// Reads an XLIFF 1.2 (or 1.1, whose elements are the same) or CSV file (told apart by their first bytes). False, with a
// message for the user, when the file as a whole is refused: not well-formed, neither
// XLIFF 1.2 nor CSV, a document type declaration (entities are never expanded), a
// repeated key, or several target languages.
bool readExchangeFile(const QByteArray &bytes, ExchangeFile &file, QString &error);

// The language an import goes into, as the caller holds it.
struct ImportTarget
{
    QString languageName;        // display name
    QString languageTag;         // its BCP 47 tag
    bool isMaster = false;
    QStringList attributeNames;  // the master's keys in order
    QStringList masterValues;    // parallel: what the placeholder check compares with
    QStringList currentValues;   // parallel: the language's values as held (empty when missing)
};

struct ImportOptions
{
    bool acceptErrors = false;   // let values that fail the placeholder check in
    bool onlyCurrentSource = false; // leave out units translated from an English that has changed since
};

struct ImportChange
{
    QString key;
    int attributeIndex = 0;
    QString oldValue;            // as the file holds it
    QString newValue;            // the text to set; SaveLanguageFile adds the quotes
};

struct ImportRefusal
{
    QString key;
    QString reason;
};

struct ImportPlan
{
    bool fileRefused = false;    // then error says why and nothing else is set
    QString error;
    std::vector<ImportChange> changes;   // in catalogue order
    std::vector<ImportRefusal> refusals; // in file order
    int unchanged = 0;           // units skipped: empty or equal to the current text
    // Keys of units whose source is not today's English, in file order; with
    // onlyCurrentSource they are left out and counted in skipped.
    std::vector<QString> sourceChanged;
    int skipped = 0;
};

// What importing file into target would change, without writing anything. Refuses the
// whole file when its target language is not the target's; refuses one by one a key the
// master lacks, a value a line cannot hold and, unless acceptErrors, a value that fails
// the placeholder check.
ImportPlan planImport(const ExchangeFile &file, const ImportTarget &target, const ImportOptions &options = {});

} // namespace Glossa
