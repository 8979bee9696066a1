#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace Glossa {

enum class FindingSeverity { Error, Warning, Info };

// "error", "warning", "info".
QString severityName(FindingSeverity severity);

// One thing wrong with a language file or one of its values.
struct Finding
{
    QString check;      // stable id: "placeholders", "missing-key", ...
    FindingSeverity severity = FindingSeverity::Warning;
    QString language;   // display name
    QString file;       // relative to the product: "language/German (Germany).ini"
    int line = 0;       // 1-based; 0 where there is none
    QString key;        // empty for a finding about the whole file
    QString message;
};

// Every check the engine knows, in the order --help lists them.
enum class Check {
    Unreadable,
    Undecodable,
    Placeholders,
    Braces,
    OddQuotes,
    MissingKey,
    Blank,
    RedundantKey,
    DuplicateKey,
    Encoding,
    LeftoverFile,
    Whitespace,
    EndPunctuation,
    Numbers,
    RepeatedWord,
    DoubleSpace,
    Urls,
    Tags,
    Accelerators,
    Unchanged,
    Inconsistent,
    Spelling,
    Term,
    TermForbidden,
    TermUntranslated,
    SourcePlaceholders,
    SourceWidespread,
    Index,
    ReferenceChanged,
};

// A check: its id, the severity of its findings (some findings of a check say
// less, as its summary tells) and what it finds.
struct CheckInfo
{
    Check check;
    QString id;
    FindingSeverity severity;
    QString summary;
    // In the checks that run when none are named (--checks).
    bool byDefault = true;
};
const std::vector<CheckInfo> &allChecks();
const CheckInfo &checkInfo(Check check);
bool isKnownCheck(const QString &id);
bool isDefaultCheck(const QString &id);

} // namespace Glossa
