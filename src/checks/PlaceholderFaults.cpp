#include "checks/PlaceholderFaults.h"

#include "checks/ValueChecks.h"

#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <set>
#include <vector>

namespace Glossa {

namespace {

int countOf(const PlaceholderCounts &counts, const QString &placeholder)
{
    const auto it = counts.find(placeholder);
    return it == counts.end() ? 0 : it->second;
}

// Quotes without a backslash before them.
int bareQuotes(QStringView text, QChar quote)
{
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        n += text[i] == quote && (i == 0 || text[i - 1] != u'\\') ? 1 : 0;
    return n;
}

// The text without the percent-encoded bytes of its links ("wiki/Propriet%C3%A4r"), which
// are letters of the address, not placeholders.
QString withoutLinkEncoding(QStringView text)
{
    const auto hex = [](QChar c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
    };
    QString plain;
    qsizetype from = 0;
    for (const auto &[start, end] : linkSpans(text)) {
        plain += text.sliced(from, start - from);
        for (qsizetype i = start; i < end; ++i) {
            if (text[i] == u'%' && i + 2 < end && hex(text[i + 1]) && hex(text[i + 2])) {
                i += 2;
                continue;
            }
            plain += text[i];
        }
        from = end;
    }
    plain += text.sliced(from);
    return plain;
}

// Prose this long is wrapped by its translator, who may break its lines elsewhere.
constexpr qsizetype LongProse = 100;

bool isLineBreak(QStringView text, qsizetype at)
{
    return at + 1 < text.size() && text[at] == u'\\' && text[at + 1] == u'n' && (at == 0 || text[at - 1] != u'\\');
}

// English broken into lines by hand: a line break between two words of a sentence
// ("provided by third-party\nservices"), where a translation's words are of other
// lengths and its breaks fall elsewhere.
bool wrappedByHand(QStringView text)
{
    for (qsizetype i = 1; i + 2 < text.size(); ++i) {
        if (!isLineBreak(text, i))
            continue;
        const QChar before = text[i - 1];
        if ((before.isLetterOrNumber() || before == u',' || before == u'-') && text[i + 2].isLetterOrNumber())
            return true;
    }
    return false;
}

// Blank lines: the paragraphs a translation keeps whatever its line lengths.
int blankLines(QStringView text)
{
    int n = 0;
    for (qsizetype i = 0; i + 3 < text.size(); ++i)
        if (isLineBreak(text, i) && isLineBreak(text, i + 2)) {
            ++n;
            i += 3;
        }
    return n;
}

// Percent signs of numbers, which no formatter reads: "%%" in a format, "٪" and "％",
// a "%" after a number ("100%", "100 %") or, where the English numbers no
// placeholders, before one ("%100" in Turkish), and a "%" of a label that no printf
// conversion can start: before a quote, a bracket or the end ("“CPU %”", "'CPU %'"), or before
// a word ("% CPU", "% de CPU"). Counted, and taken out of text.
int takeOutPercentSigns(QString &text, bool numberedPlaceholders)
{
    int signs = 0;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\u066A' || c == u'\uFF05') {
            ++signs;
            continue;
        }
        if (c != u'%') {
            out += c;
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == u'%') {
            ++signs;
            ++i;
            continue;
        }
        const auto isBlank = [](QChar b) { return b == u' ' || b == u'\u00A0' || b == u'\u202F'; };
        const bool afterNumber = (i >= 1 && text[i - 1].digitValue() >= 0)
                              || (i >= 2 && isBlank(text[i - 1]) && text[i - 2].digitValue() >= 0);
        qsizetype digits = i + 1;
        while (digits < text.size() && text[digits].isDigit())
            ++digits;
        const bool beforeNumber = !numberedPlaceholders && digits > i + 1 && (digits == text.size() || text[digits] != u'$');
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        // A quote after it closes the label, unless it is printf's grouping flag ("%'d").
        const bool quoteAfter = next == u'\'' && (i + 2 >= text.size() || !text[i + 2].isLetterOrNumber());
        const bool ofALabel = next.isNull() || quoteAfter
                           || (!next.isLetterOrNumber() && !QStringView(u"-+ #0'.*$").contains(next))
                           || (isBlank(next)
                               && (i + 2 >= text.size()
                                   || (i + 3 < text.size() && text[i + 2].isLetter() && text[i + 3].isLetter())));
        if (afterNumber || beforeNumber || ofALabel) {
            ++signs;
            continue;
        }
        out += c;
    }
    text = out;
    return signs;
}

} // namespace

QString countsMessage(const PlaceholderCounts &value, const PlaceholderCounts &reference, QStringView valueText,
                      QStringView referenceText)
{
    // The rule reads a percent sign and the character after it; printf's flags, width and
    // precision ("%0.2f", "%-10s", "%.1f") make that a piece of a longer conversion. A blank
    // after the sign is left alone: "% s" is more often a "%s" broken than printf's flag.
    static const QRegularExpression conversion(
        QStringLiteral("%[-+#0]*[0-9]*(?:\\.[0-9]+)?(?:hh|h|ll|l|L|z|j|t)?[diouxXeEfFgGaAcsp]"));
    const auto named = [&](const QString &name) {
        if (name.size() != 2 || name[0] != u'%' || !QStringView(u"-+#0123456789.").contains(name[1]))
            return name;
        for (const QStringView text : {referenceText, valueText})
            for (QRegularExpressionMatchIterator it = conversion.globalMatch(text); it.hasNext();) {
                const QRegularExpressionMatch m = it.next();
                if (m.capturedView().startsWith(name) && m.capturedLength() > 2)
                    return QStringLiteral("%1 (of \"%2\")").arg(name, m.capturedView());
            }
        return name;
    };
    std::set<QString> names;
    for (const auto &[name, count] : value)
        names.insert(name);
    for (const auto &[name, count] : reference)
        names.insert(name);
    QStringList parts;
    for (const QString &name : names) {
        const int inValue = countOf(value, name);
        const int inReference = countOf(reference, name);
        if (inValue != inReference)
            parts.append(QStringLiteral("%1: the reference has it %2, the value %3")
                             .arg(named(name), timesText(inReference), timesText(inValue)));
    }
    return parts.join(QStringLiteral("; "));
}

QString dateFormatFields(QStringView text)
{
    // Each conversion as the fields it shows: y year, m month, d day, w weekday,
    // H hour, M minute, S second, z zone, j day of the year, U week.
    auto fieldsOf = [](QChar c) -> QStringView {
        switch (c.unicode()) {
        case u'Y': case u'y': case u'C': case u'G': case u'g': return u"y";
        case u'b': case u'B': case u'h': case u'm': return u"m";
        case u'd': case u'e': return u"d";
        case u'a': case u'A': case u'u': case u'w': return u"w";
        case u'H': case u'k': return u"H";
        case u'I': case u'l': return u"h"; // of twelve: an hour only with the half of the day
        case u'M': return u"M";
        case u'S': return u"S";
        case u'z': case u'Z': return u"z";
        case u'j': return u"j";
        case u'U': case u'V': case u'W': return u"U";
        case u'D': case u'x': case u'F': return u"ymd";
        case u'T': case u'X': case u'r': return u"HMS";
        case u'R': return u"HM";
        case u'c': return u"wmdHMSy";
        case u'p': case u'P': return u"p";
        case u'n': case u't': case u'%': return u""; // white space, "%"
        default: return u"?";
        }
    };
    // Where each conversion starts, after its flags and modifier.
    const auto conversionAt = [text](qsizetype i) {
        qsizetype at = i + 1;
        while (at < text.size() && QStringView(u"-_0^#").contains(text[at]))
            ++at;
        if (at < text.size() && (text[at] == u'E' || text[at] == u'O'))
            ++at;
        return at;
    };
    // A text with a month's name, a minute or a year is a date or a time, whose "%lu" is
    // the hour and a letter ("%lu%M", Dutch "3u45"); elsewhere "%ld" is printf's long.
    bool clock = false;
    for (qsizetype i = text.indexOf(u'%'); i >= 0 && !clock; i = text.indexOf(u'%', i + 1))
        if (const qsizetype at = conversionAt(i); at < text.size())
            clock = QStringView(u"BHMSYjkZ").contains(text[at]);
    QString fields;
    bool strftimeOnly = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != u'%')
            continue;
        const qsizetype at = conversionAt(i);
        if (at >= text.size())
            return {};
        const QChar conversion = text[at];
        if (conversion == u'l' && at + 1 < text.size() && text[at + 1].isLetter() && !clock)
            return {};
        const QStringView shown = fieldsOf(conversion);
        if (shown == u"?")
            return {};
        fields += shown;
        strftimeOnly = strftimeOnly || !QStringView(u"diouxXeEfFgGaAcsp%nt").contains(conversion);
        i = at;
    }
    if (!strftimeOnly)
        return {};
    // An hour of twelve with its half of the day shows what an hour of twenty-four does.
    if (fields.contains(u'p')) {
        fields.replace(u'h', u'H');
        fields.remove(u'p');
    }
    std::sort(fields.begin(), fields.end());
    fields.erase(std::unique(fields.begin(), fields.end()), fields.end());
    return fields;
}

// The value's placeholders as printf reads them: "%Id" (glibc's flag for the language's
// own digits) as "%d", and "%2$s %1$s" as the reference's "%s" and "%s" when each
// position names the reference's placeholder of that place. Empty when the value
// writes no such placeholder or a position does not fit.
std::optional<PlaceholderCounts> printfReading(QStringView text, QStringView referenceText)
{
    // The digits flag beside the grouping flag ("%I'd" for "%'d") as well.
    static const QRegularExpression flagged(QStringLiteral("%I(?=['0-9.]*l{0,2}[diufFgGeE])"));
    // Flags that change nothing without a width: "%-d" (left-justified in no width)
    // and "%0d" (zeros to no width) print what "%d" does.
    static const QRegularExpression noWidth(QStringLiteral("%[-0]+(?=l{0,2}[diouxXsc])"));
    static const QRegularExpression positional(QStringLiteral("%([1-9])\\$(['\\-+ #0]*(?:h{1,2}|l{0,2})[diouxXscfeEgG])"));
    // printf's conversions without positions, with their flags ("%'d"), in order.
    const auto conversions = [](const QString &of) {
        static const QRegularExpression conversion(QStringLiteral("%%|%['\\-+ #0]*(?:h{1,2}|l{0,2})[diouxXscfeEgG]"));
        QStringList found;
        for (auto it = conversion.globalMatch(of); it.hasNext();)
            if (const QString c = it.next().captured(); c != u"%%")
                found.append(c);
        return found;
    };
    // The grouping flag ("%'d", "%'Id") where the English groups no number: the value
    // groups the thousands as its language does.
    static const QRegularExpression grouping(QStringLiteral("%([1-9]\\$)?([-+ #0I]*)'+(?=[-+ #0I]*[0-9.]*l{0,2}[diufFgGeE])"));
    QString plain = text.toString();
    bool read = false;
    if (!referenceText.contains(u"%'") && plain.contains(grouping)) {
        plain.replace(grouping, QStringLiteral("%\\1\\2"));
        read = true;
    }
    if (plain.contains(flagged)) {
        plain.replace(flagged, QStringLiteral("%"));
        read = true;
    }
    if (plain.contains(noWidth)) {
        plain.replace(noWidth, QStringLiteral("%"));
        read = true;
    }
    if (plain.contains(positional)) {
        const QStringList inReference = conversions(referenceText.toString());
        std::vector<bool> used(size_t(inReference.size()), false);
        for (auto it = positional.globalMatch(plain); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            const qsizetype place = match.captured(1).toInt() - 1;
            if (place >= inReference.size() || used[size_t(place)]
                || inReference[place] != u'%' + match.captured(2))
                return std::nullopt;
            used[size_t(place)] = true;
        }
        if (!conversions(QString(plain).remove(positional)).isEmpty())
            return std::nullopt; // printf takes positions for all or for none
        plain.replace(positional, QStringLiteral("%\\2"));
        read = true;
    }
    if (!read)
        return std::nullopt;
    return countPlaceholders(plain, PlaceholderRule::Percent);
}

bool holdsNumberedPlaceholder(const PlaceholderCounts &counts)
{
    return std::any_of(counts.begin(), counts.end(),
                       [](const auto &p) { return p.first.size() > 1 && p.first[1].isDigit(); });
}

PlaceholderFault placeholderFault(QStringView text, const PlaceholderCounts &counts, QStringView referenceText,
                                  const PlaceholderCounts &referenceCounts, PlaceholderRule rule)
{
    if (rule != PlaceholderRule::Percent)
        return {FindingSeverity::Error, countsMessage(counts, referenceCounts, text, referenceText)};
    // One pass for what printfReading reads otherwise: a position's "$", a flag after "%".
    const auto readOtherwise = [](QStringView of) {
        for (qsizetype i = 0; i < of.size(); ++i)
            if (of[i] == u'$' || (of[i] == u'%' && i + 1 < of.size() && QStringView(u"I-0'").contains(of[i + 1])))
                return true;
        return false;
    };
    const auto read = readOtherwise(text) ? printfReading(text, referenceText) : std::nullopt;
    if (read && *read == referenceCounts)
        return {std::nullopt, countsMessage(counts, referenceCounts, text, referenceText)
                                  + QStringLiteral(": printf reads the same placeholders, written with positions "
                                                     "(\"%2$s\"), the flag for the language's digits (\"%Id\"), a "
                                                     "flag that changes nothing without a width (\"%-d\") or one that "
                                                     "groups the thousands where the English does not (\"%'d\")")};
    // Read only where a "%" before a digit or a capital A to F was counted, as "%C3" is.
    const auto encodedByte = [](const PlaceholderCounts &of) {
        return std::any_of(of.begin(), of.end(), [](const auto &p) {
            const QChar c = p.first.size() > 1 ? p.first[1] : QChar();
            return p.first[0] == u'%' && ((c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F'));
        });
    };
    if ((encodedByte(counts) || encodedByte(referenceCounts))
        && (text.contains(u"://") || referenceText.contains(u"://"))) {
        const QString value = withoutLinkEncoding(text);
        const QString reference = withoutLinkEncoding(referenceText);
        if ((value.size() != text.size() || reference.size() != referenceText.size())
            && countPlaceholders(value, rule) == countPlaceholders(reference, rule))
            return {std::nullopt, countsMessage(counts, referenceCounts, text, referenceText)
                                      + QStringLiteral(": the percent-encoded letters of a link (\"%C3%A4\"), no "
                                                       "placeholders")};
    }
    // What differs as printf reads the value: its "%Id" is none, a "\\" beside it is. A date
    // format is strftime's, whose "%-d" and "%Id" are no printf's.
    const QString fields = dateFormatFields(referenceText);
    const QString plain = countsMessage(read && fields.isEmpty() ? *read : counts, referenceCounts, text, referenceText);
    // "100%" for "100% ", "%100", "%d٪" for "%d%%": a percent sign of a number, which the
    // language writes on its side, with a blank or as its own sign, is no placeholder.
    if (text.contains(u'%') || referenceText.contains(u'%')) {
        const bool numbered = holdsNumberedPlaceholder(referenceCounts);
        QString value = text.toString();
        QString reference = referenceText.toString();
        const int signs = takeOutPercentSigns(value, numbered);
        const int referenceSigns = takeOutPercentSigns(reference, numbered);
        if (referenceSigns > 0 || signs > 0) {
            const PlaceholderCounts readReference = countPlaceholders(reference, PlaceholderRule::Percent);
            const std::optional<PlaceholderCounts> printf = printfReading(value, reference);
            if ((printf ? *printf : countPlaceholders(value, PlaceholderRule::Percent)) == readReference) {
                if (signs >= referenceSigns)
                    return {std::nullopt, plain + QStringLiteral(": a percent sign of a number, which the language "
                                                                 "writes its own way (\"100 %\", \"%100\", \"٪\")")};
                return {FindingSeverity::Info,
                        plain + QStringLiteral(": the reference's percent sign is not in the value, where a word may "
                                               "say it (as \"százalék\" does in Hungarian)"),
                        true};
            }
        }
    }
    // "%-d. %B" for "%b %e": a date in the language's order and forms, showing the same fields.
    if (!fields.isEmpty()) {
        QString valueFields = dateFormatFields(text);
        if (valueFields == fields)
            return {std::nullopt, plain + QStringLiteral(": a date or time format that shows the same fields in the "
                                                         "language's own order and forms")};
        // A time with its seconds where the English has none, or the reverse, is the language's format.
        if (!valueFields.isEmpty() && fields.contains(u'M') && valueFields.remove(u'S') == QString(fields).remove(u'S'))
            return {std::nullopt, plain + QStringLiteral(": a date or time format in the language's own order and "
                                                         "forms, with or without the seconds")};
    }
    // The escapes' cases need a backslash on one side; most faults (a %s lost or
    // added) have none, and are not read further for them.
    if (text.contains(u'\\') || referenceText.contains(u'\\')) {
        std::set<QString> differing;
        for (const auto *side : {&counts, &referenceCounts})
            for (const auto &[name, count] : *side)
                if (countOf(counts, name) != countOf(referenceCounts, name))
                    differing.insert(name);
        const QString backslash = QStringLiteral("\\\\");
        if (differing.count(backslash) && countOf(counts, backslash) > countOf(referenceCounts, backslash)
            && (text.contains(u"\\\\'") || text.contains(u"\\\\\"")))
            return {FindingSeverity::Error,
                    QStringLiteral("a doubled backslash before a quote shows a backslash on screen: ") + plain};
        bool quotesOnly = !differing.empty();
        for (const QString &name : differing)
            quotesOnly = quotesOnly && (name == u"\\'" || name == u"\\\"");
        for (QChar quote : {QChar(u'\''), QChar(u'"')}) {
            const QString escaped = u'\\' + quote;
            quotesOnly = quotesOnly
                      && countOf(counts, escaped) + bareQuotes(text, quote)
                             == countOf(referenceCounts, escaped) + bareQuotes(referenceText, quote);
        }
        if (quotesOnly)
            return {FindingSeverity::Warning,
                    QStringLiteral("a quote written with and without a backslash (%1): the screen shows the same quote, "
                                   "but the editor marks the row ERROR until the value writes it as the reference does")
                        .arg(plain)};
        const QString newline = QStringLiteral("\\n");
        if (differing.size() == 1 && differing.count(newline) && countOf(counts, newline) > 0
            && countOf(referenceCounts, newline) > 0) {
            // The English's own line lengths: the translation keeps its paragraphs and wraps its own lines.
            if (wrappedByHand(referenceText) && blankLines(text) == blankLines(referenceText))
                return {std::nullopt,
                        plain + QStringLiteral(": the English is broken into lines by hand, and the translation keeps "
                                               "its paragraphs and breaks its own lines elsewhere")};
            if (referenceText.size() >= LongProse)
                return {FindingSeverity::Warning,
                        plain + QStringLiteral(": long prose broken into lines elsewhere, which is the translation's "
                                               "choice unless the layout needs each break")};
        }
    }
    // "d% secondes" for "%d secondes".
    for (qsizetype i = 1; i < text.size(); ++i) {
        const QChar conversion = text[i - 1];
        if (text[i] != u'%' || !QStringView(u"dsiuxXfcgp").contains(conversion)
            || (i >= 2 && (text[i - 2].isLetterOrNumber() || text[i - 2] == u'%'))
            || (i + 1 < text.size() && (text[i + 1].isLetterOrNumber() || text[i + 1] == u'%')))
            continue;
        const QString placeholder = u'%' + conversion;
        if (countOf(referenceCounts, placeholder) > countOf(counts, placeholder))
            return {FindingSeverity::Error,
                    QStringLiteral("%1 is written \"%2%\", transposed: ").arg(placeholder, conversion) + plain};
    }
    return {FindingSeverity::Error, plain};
}

} // namespace Glossa
