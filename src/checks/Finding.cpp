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
        {Check::Unreadable, QStringLiteral("unreadable"), FindingSeverity::Error, QStringLiteral("the file exists but cannot be read")},
        {Check::Undecodable, QStringLiteral("undecodable"), FindingSeverity::Error,
         QStringLiteral("the file's bytes are no text (NUL bytes, control characters, no [text] section); nothing writes it")},
        {Check::Placeholders, QStringLiteral("placeholders"), FindingSeverity::Error,
         QStringLiteral("the value's placeholders differ from the reference's (the editor's ERROR mark); a quote written "
                        "with and without a backslash, or the line breaks of long prose, a warning; none for lines the English "
                        "broke by hand, a date format in the language's order, printf's positions")},
        {Check::Braces, QStringLiteral("braces"), FindingSeverity::Warning,
         QStringLiteral("placeholders the editor's rule passes by design differ from the reference's")},
        {Check::OddQuotes, QStringLiteral("odd-quotes"), FindingSeverity::Error, QStringLiteral("the value holds an odd number of double quotes")},
        {Check::MissingKey, QStringLiteral("missing-key"), FindingSeverity::Warning, QStringLiteral("an attribute has no line in the file")},
        {Check::Blank, QStringLiteral("blank"), FindingSeverity::Warning, QStringLiteral("the attribute's line is there but blank")},
        {Check::RedundantKey, QStringLiteral("redundant-key"), FindingSeverity::Warning,
         QStringLiteral("a key the master lacks: the next save deletes it")},
        {Check::DuplicateKey, QStringLiteral("duplicate-key"), FindingSeverity::Warning, QStringLiteral("a repeated line of a key, never read")},
        {Check::Encoding, QStringLiteral("encoding"), FindingSeverity::Warning, QStringLiteral("a file the product's Windows readers misread")},
        {Check::LeftoverFile, QStringLiteral("leftover-file"), FindingSeverity::Warning,
         QStringLiteral("a temporary file an interrupted save left beside the language file")},
        {Check::Whitespace, QStringLiteral("whitespace"), FindingSeverity::Warning,
         QStringLiteral("leading or trailing blanks differ from the reference's; a language that writes its words "
                        "together may drop the English's")},
        {Check::EndPunctuation, QStringLiteral("end-punctuation"), FindingSeverity::Warning,
         QStringLiteral("the value's closing punctuation differs from the reference's, by the language's own marks; a "
                        "full stop added to a label of one or two words, a mark left out where the language ends with none, or an "
                        "exclamation mark left out, an info")},
        {Check::Numbers, QStringLiteral("numbers"), FindingSeverity::Warning,
         QStringLiteral("a number of the reference is not in the value, in digits (native ones count) or as a word of "
                        "the language (or a word made from one), or a span of time said by the unit's own form (\"a week\" for "
                        "\"7 days\"), or is changed; a lost 1 or 2, or a \"Base-10\" that a word may say, or a text that is a "
                        "number alone (a setting each language makes its own) changed, an info")},
        {Check::RepeatedWord, QStringLiteral("repeated-word"), FindingSeverity::Warning,
         QStringLiteral("the same word twice in a row, where the reference repeats none; an info in languages that "
                        "repeat words on purpose, or where the reference has the word too")},
        {Check::DoubleSpace, QStringLiteral("double-space"), FindingSeverity::Warning,
         QStringLiteral("two spaces in a row inside the value, where the reference has none")},
        {Check::Urls, QStringLiteral("urls"), FindingSeverity::Warning,
         QStringLiteral("a URL or e-mail address of the reference is not in the value unchanged, over https, or as "
                        "the maker's site or an example address of the language's country")},
        {Check::Tags, QStringLiteral("tags"), FindingSeverity::Error,
         QStringLiteral("the value's HTML/XML tags differ from the reference's (however the value quotes an "
                        "attribute), are broken or are not well nested; italics left out in a script without them, an info")},
        {Check::Accelerators, QStringLiteral("accelerators"), FindingSeverity::Warning,
         QStringLiteral("the reference marks one accelerator (\"&\" or \"_\" before a letter) and the value two or "
                        "more with the same sign")},
        {Check::Unchanged, QStringLiteral("unchanged"), FindingSeverity::Info, QStringLiteral("the value equals the reference")},
        {Check::Inconsistent, QStringLiteral("inconsistent"), FindingSeverity::Info,
         QStringLiteral("one reference text translated in two or more ways, both named; not two forms of one word, "
                        "nor one wording with its accelerator on another letter, with other marks of text direction or with its "
                        "first letter in the other case")},
        {Check::Spelling, QStringLiteral("spelling"), FindingSeverity::Info,
         QStringLiteral("words the language's Hunspell dictionary does not know (not run unless named)"), false},
        {Check::Term, QStringLiteral("term"), FindingSeverity::Warning,
         QStringLiteral("the English has a term of the product's glossary and the value none of its approved "
                        "translations (with a glossa-glossary.tbx); fewer of them than the English has the term, or "
                        "none where the English makes it one phrase with the next word (\"Timer countdown\"), an info")},
        {Check::TermForbidden, QStringLiteral("term-forbidden"), FindingSeverity::Error,
         QStringLiteral("the value uses a term the glossary forbids for its language")},
        {Check::TermUntranslated, QStringLiteral("term-untranslated"), FindingSeverity::Warning,
         QStringLiteral("a term the glossary says not to translate is not in the value unchanged")},
        {Check::SourcePlaceholders, QStringLiteral("source-placeholders"), FindingSeverity::Info,
         QStringLiteral("an English text with two or more unnumbered printf placeholders, which translators cannot "
                        "reorder, unless each has a label, a sentence or a line of its own, or they are a measure or the "
                        "fields of a record set apart by punctuation, the items of a list or the ends of a range")},
        {Check::SourceWidespread, QStringLiteral("source-widespread"), FindingSeverity::Info,
         QStringLiteral("an English text whose translations fail one check in about a quarter of the languages "
                        "(three at least)")},
        {Check::Index, QStringLiteral("index"), FindingSeverity::Warning,
         QStringLiteral("what the index synchronisation would add or create at the next start")},
        {Check::ReferenceChanged, QStringLiteral("reference-changed"), FindingSeverity::Warning,
         QStringLiteral("the English text changed since the earlier release (with --since)")},
    };
    return checks;
}

const CheckInfo &checkInfo(Check check)
{
    const CheckInfo &info = allChecks()[size_t(check)];
    Q_ASSERT(info.check == check);
    return info;
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
