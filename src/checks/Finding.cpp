#include "checks/Finding.h"

#include <QSet>

namespace Glossa {

QString severityName(FindingSeverity severity)
{
    switch (severity) {
    case FindingSeverity::Error:
        return QStringLiteral("error");
    case FindingSeverity::Warning:
        return QStringLiteral("warning");
    case FindingSeverity::Info:
        return QStringLiteral("info");
    }
    return {};
}

const std::vector<CheckInfo> &allChecks()
{
    static const std::vector<CheckInfo> checks = {
        {QStringLiteral("unreadable"), FindingSeverity::Error, QStringLiteral("the file exists but cannot be read")},
        {QStringLiteral("undecodable"), FindingSeverity::Error,
         QStringLiteral("the file's bytes are no text (NUL bytes, control characters, no [text] section); nothing writes it")},
        {QStringLiteral("placeholders"), FindingSeverity::Error,
         QStringLiteral("the value's placeholders differ from the reference's (the editor's ERROR mark); a quote written "
                        "with and without a backslash, or the line breaks of long prose, a warning")},
        {QStringLiteral("braces"), FindingSeverity::Warning,
         QStringLiteral("placeholders the editor's rule passes by design differ from the reference's")},
        {QStringLiteral("odd-quotes"), FindingSeverity::Error, QStringLiteral("the value holds an odd number of double quotes")},
        {QStringLiteral("missing-key"), FindingSeverity::Warning, QStringLiteral("an attribute has no line in the file")},
        {QStringLiteral("blank"), FindingSeverity::Warning, QStringLiteral("the attribute's line is there but blank")},
        {QStringLiteral("redundant-key"), FindingSeverity::Warning,
         QStringLiteral("a key the master lacks: the next save deletes it")},
        {QStringLiteral("duplicate-key"), FindingSeverity::Warning, QStringLiteral("a repeated line of a key, never read")},
        {QStringLiteral("encoding"), FindingSeverity::Warning, QStringLiteral("a file the product's Windows readers misread")},
        {QStringLiteral("leftover-file"), FindingSeverity::Warning,
         QStringLiteral("a temporary file an interrupted save left beside the language file")},
        {QStringLiteral("whitespace"), FindingSeverity::Warning,
         QStringLiteral("leading or trailing blanks differ from the reference's")},
        {QStringLiteral("end-punctuation"), FindingSeverity::Warning,
         QStringLiteral("the value's closing punctuation differs from the reference's, by the language's own marks; a "
                        "full stop added to a short label, or a mark left out where the language ends with none, an info")},
        {QStringLiteral("numbers"), FindingSeverity::Warning,
         QStringLiteral("a number of the reference is not in the value, in digits (native ones count) or as a word of "
                        "the language, or is changed; a lost 1 or 2 an info")},
        {QStringLiteral("repeated-word"), FindingSeverity::Warning,
         QStringLiteral("the same word twice in a row, where the reference repeats none; an info in languages that "
                        "repeat words on purpose")},
        {QStringLiteral("double-space"), FindingSeverity::Warning,
         QStringLiteral("two spaces in a row inside the value, where the reference has none")},
        {QStringLiteral("urls"), FindingSeverity::Warning,
         QStringLiteral("a URL or e-mail address of the reference is not in the value unchanged")},
        {QStringLiteral("tags"), FindingSeverity::Error,
         QStringLiteral("the value's HTML/XML tags differ from the reference's, are broken or are not well nested")},
        {QStringLiteral("unchanged"), FindingSeverity::Info, QStringLiteral("the value equals the reference")},
        {QStringLiteral("inconsistent"), FindingSeverity::Info,
         QStringLiteral("one reference text translated in two or more ways, both named")},
        {QStringLiteral("spelling"), FindingSeverity::Info,
         QStringLiteral("words the language's Hunspell dictionary does not know (not run unless named)"), false},
        {QStringLiteral("source-placeholders"), FindingSeverity::Info,
         QStringLiteral("an English text with two or more unnumbered printf placeholders, which translators cannot "
                        "reorder, unless each has a label of its own")},
        {QStringLiteral("source-widespread"), FindingSeverity::Info,
         QStringLiteral("an English text whose translations fail one check in about a quarter of the languages "
                        "(three at least)")},
        {QStringLiteral("index"), FindingSeverity::Warning,
         QStringLiteral("what the index synchronisation would add or create at the next start")},
        {QStringLiteral("reference-changed"), FindingSeverity::Warning,
         QStringLiteral("the English text changed since the earlier release (with --since)")},
    };
    return checks;
}

bool isDefaultCheck(const QString &id)
{
    static const QSet<QString> optIn = [] {
        QSet<QString> ids;
        for (const CheckInfo &check : allChecks())
            if (!check.byDefault)
                ids.insert(check.id);
        return ids;
    }();
    return !optIn.contains(id);
}

bool isKnownCheck(const QString &id)
{
    for (const CheckInfo &check : allChecks())
        if (check.id == id)
            return true;
    return false;
}

} // namespace Glossa
