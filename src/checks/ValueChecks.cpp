#include "checks/ValueChecks.h"

#include <QRegularExpression>
#include <QSet>
#include <QStringTokenizer>

#include <algorithm>
#include <map>
#include <optional>

namespace Glossa {

namespace {

bool isAsciiLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Where a placeholder that holds digits (%1, %2$s, {0}) starting at i ends; i when none starts there.
qsizetype placeholderEnd(QStringView text, qsizetype i)
{
    const qsizetype n = text.size();
    if (text[i] == u'%') {
        qsizetype j = i + 1;
        while (j < n && isAsciiDigit(text[j]))
            ++j;
        if (j == i + 1)
            return i;
        if (j < n && text[j] == u'$')
            ++j;
        return j;
    }
    if (text[i] == u'{') {
        qsizetype j = i + 1;
        while (j < n && isAsciiDigit(text[j]))
            ++j;
        return j > i + 1 && j < n && text[j] == u'}' ? j + 1 : i;
    }
    return i;
}

enum class Separator { None, Dot, Comma, Group, Decimal };

Separator separatorOf(QChar c)
{
    switch (c.unicode()) {
    case u'.':
        return Separator::Dot;
    case u',':
        return Separator::Comma;
    case 0x00A0: // no-break space
    case 0x202F: // narrow no-break space, French grouping
    case 0x066C: // Arabic thousands separator
    case u'\'':  // Swiss grouping
        return Separator::Group;
    case 0x066B: // Arabic decimal separator
        return Separator::Decimal;
    default:
        return Separator::None;
    }
}

constexpr quint64 FnvOffset = 14695981039346656037ull;
constexpr quint64 FnvPrime = 1099511628211ull;

// Reads the number whose first digit is at i; returns where it ends.
qsizetype readNumber(QStringView text, qsizetype i, quint64 *value)
{
    const qsizetype n = text.size();
    // Digit runs and the single separators between them.
    struct Run
    {
        qsizetype start, end;
        Separator before;
    };
    QVarLengthArray<Run, 6> runs;
    qsizetype j = i;
    Separator before = Separator::None;
    for (;;) {
        const qsizetype start = j;
        while (j < n && text[j].isDigit())
            ++j;
        runs.append({start, j, before});
        if (j + 1 < n && text[j + 1].isDigit()) {
            const Separator s = separatorOf(text[j]);
            if (s != Separator::None) {
                before = s;
                ++j;
                continue;
            }
        }
        break;
    }
    // Which separator is the decimal point: the last one, unless it groups thousands.
    qsizetype decimalRun = -1;
    const qsizetype last = runs.size() - 1;
    if (last > 0) {
        const Separator s = runs[last].before;
        const qsizetype digitsAfter = runs[last].end - runs[last].start;
        bool sameAsEarlier = false;
        for (qsizetype r = 1; r < last; ++r)
            sameAsEarlier = sameAsEarlier || runs[r].before == s;
        if (s == Separator::Decimal)
            decimalRun = last;
        else if (s == Separator::Dot || s == Separator::Comma)
            decimalRun = (sameAsEarlier || (last == 1 && digitsAfter == 3)) ? -1 : last;
    }
    quint64 hash = FnvOffset;
    bool leading = true;
    const qsizetype integerRuns = decimalRun < 0 ? last + 1 : decimalRun;
    for (qsizetype r = 0; r <= last; ++r) {
        if (r == decimalRun) {
            hash = (hash ^ quint64('.')) * FnvPrime;
            leading = false;
        }
        for (qsizetype k = runs[r].start; k < runs[r].end; ++k) {
            const int digit = text[k].digitValue();
            const bool lastIntegerDigit = r == integerRuns - 1 && k == runs[r].end - 1;
            if (leading && digit == 0 && r < integerRuns && !lastIntegerDigit)
                continue; // leading zeros: "05" is 5
            leading = false;
            hash = (hash ^ quint64('0' + digit)) * FnvPrime;
        }
    }
    *value = hash;
    return j;
}


bool isWordChar(QChar c)
{
    return c.isLetter() || c.isMark();
}

// Words a language repeats by its grammar: reflexive pronouns, relative after article,
// a pronoun after the polite address ("wie Sie sie öffnen").
bool isGrammaticalRepeat(QStringView word, QStringView languageName)
{
    struct Exception
    {
        const char16_t *language;
        std::initializer_list<const char16_t *> words;
    };
    static const Exception exceptions[] = {
        {u"French", {u"vous", u"nous"}},
        {u"German", {u"die", u"der", u"das", u"sie"}},
        {u"Dutch", {u"dat", u"die"}},
        // The linking article before a noun that has its own ("të të dhënave").
        {u"Albanian", {u"të"}},
        // "if" before the reflexive pronoun ("Indica se se deu utilizar").
        {u"Occitan", {u"se"}},
        {u"Portuguese", {u"se"}},
        {u"English", {u"that", u"had"}},
    };
    for (const Exception &e : exceptions) {
        if (!languageName.startsWith(QStringView(e.language)))
            continue;
        for (const char16_t *w : e.words)
            if (word.compare(QStringView(w), Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x00A0) || c == QChar(0x3000);
}

const QSet<QString> &htmlNames()
{
    static const QSet<QString> names = {
        QStringLiteral("a"),      QStringLiteral("b"),      QStringLiteral("i"),     QStringLiteral("u"),
        QStringLiteral("s"),      QStringLiteral("br"),     QStringLiteral("p"),     QStringLiteral("span"),
        QStringLiteral("strong"), QStringLiteral("em"),     QStringLiteral("font"),  QStringLiteral("div"),
        QStringLiteral("img"),    QStringLiteral("hr"),     QStringLiteral("li"),    QStringLiteral("ul"),
        QStringLiteral("ol"),     QStringLiteral("sup"),    QStringLiteral("sub"),   QStringLiteral("small"),
        QStringLiteral("big"),    QStringLiteral("code"),   QStringLiteral("tt"),    QStringLiteral("pre"),
        QStringLiteral("h1"),     QStringLiteral("h2"),     QStringLiteral("h3"),    QStringLiteral("h4"),
        QStringLiteral("table"),  QStringLiteral("tr"),     QStringLiteral("td"),    QStringLiteral("th"),
        QStringLiteral("center"), QStringLiteral("strike"), QStringLiteral("nobr"),  QStringLiteral("kbd"),
        QStringLiteral("mark"),   QStringLiteral("q"),      QStringLiteral("link"),  QStringLiteral("html"),
        QStringLiteral("body"),   QStringLiteral("head"),   QStringLiteral("title"), QStringLiteral("wbr"),
    };
    return names;
}

bool isVoidElement(QStringView name)
{
    static const QSet<QString> names = {QStringLiteral("br"),  QStringLiteral("hr"),    QStringLiteral("img"),
                                        QStringLiteral("wbr"), QStringLiteral("input"), QStringLiteral("meta"),
                                        QStringLiteral("col"), QStringLiteral("area"),  QStringLiteral("link")};
    return names.contains(name.toString().toLower());
}

// A URL ends where markup begins: at white space, quotes (a backtick of Markdown's code
// too: "`nautilus admin:///`"), an angle bracket or a square bracket
// ("[url=http://example.com/]text[/url]").
bool isLinkChar(QChar c)
{
    return !(c.isSpace() || c == u'"' || c == u'<' || c == u'>' || c == u'\'' || c == u'`' || c == u'[' || c == u']'
             || c == QChar(0x3000));
}

// A link's end without the punctuation of the sentence around it.
qsizetype trimLinkEnd(QStringView text, qsizetype start, qsizetype end)
{
    while (end > start && QStringView(u".,;:!?)]}").contains(text[end - 1]))
        --end;
    return end;
}

} // namespace

QString timesText(int count)
{
    switch (count) {
    case 0:
        return QStringLiteral("never");
    case 1:
        return QStringLiteral("once");
    case 2:
        return QStringLiteral("twice");
    default:
        return QStringLiteral("%1 times").arg(count);
    }
}

Numbers numbersOf(QStringView text, bool percentSigns)
{
    Numbers numbers;
    const qsizetype n = text.size();
    bool any = false;
    for (QChar c : text)
        if (c.isDigit()) {
            any = true;
            break;
        }
    if (!any)
        return numbers;
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == u'%' || c == u'{') {
            const qsizetype end = placeholderEnd(text, i);
            // printf's positions ("%2$s") stay placeholders when "%" before digits is a percent sign.
            if (end > i && (c != u'%' || !percentSigns || text[end - 1] == u'$')) {
                i = end;
                continue;
            }
        } else if (c == u'\\' && !(i + 1 < n && text[i + 1].isDigit())) {
            // An escape ("\n"); a digit after a backslash is a number ("π\٢" for "π∕2").
            i += 2;
            continue;
        }
        if (c.isDigit()) {
            quint64 value = 0;
            const qsizetype end = readNumber(text, i, &value);
            numbers.append({value, i, end - i});
            i = end;
            continue;
        }
        ++i;
    }
    std::sort(numbers.begin(), numbers.end(), [](const NumberAt &a, const NumberAt &b) { return a.value < b.value; });
    return numbers;
}

NumberDifference numberDifference(QStringView value, QStringView reference, const Numbers &referenceNumbers,
                                  bool percentSigns)
{
    NumberDifference difference;
    if (referenceNumbers.isEmpty())
        return difference;
    const Numbers have = numbersOf(value, percentSigns);
    // Both sorted by value: one merge finds what each side lacks.
    qsizetype h = 0;
    for (const NumberAt &number : referenceNumbers) {
        for (; h < have.size() && have[h].value < number.value; ++h)
            difference.added.append(value.sliced(have[h].start, have[h].length).toString());
        if (h < have.size() && have[h].value == number.value)
            ++h;
        else
            difference.missing.append(reference.sliced(number.start, number.length).toString());
    }
    for (; h < have.size(); ++h)
        difference.added.append(value.sliced(have[h].start, have[h].length).toString());
    return difference;
}

QStringList missingNumbers(QStringView value, QStringView reference, const Numbers &referenceNumbers)
{
    return numberDifference(value, reference, referenceNumbers).missing;
}

PlainNumbers plainNumbersOf(QStringView text, const Numbers &numbers)
{
    PlainNumbers plain;
    if (numbers.size() > 32)
        return {};
    for (qsizetype k = 0; k < numbers.size(); ++k) {
        if ((k > 0 && numbers[k].value == numbers[k - 1].value) || numbers[k].length > 18)
            return {};
        quint64 digits = 0;
        for (QChar c : text.sliced(numbers[k].start, numbers[k].length)) {
            if (!isAsciiDigit(c))
                return {};
            digits = digits * 10 + (c.unicode() - u'0');
        }
        plain.append({digits, int(numbers[k].length)});
    }
    return plain;
}

bool holdsPlainNumbers(QStringView value, const PlainNumbers &numbers)
{
    if (numbers.isEmpty() || numbers.size() > 32)
        return false;
    const qsizetype n = value.size();
    const quint32 all = numbers.size() == 32 ? ~0u : (1u << numbers.size()) - 1;
    quint32 found = 0;
    qsizetype i = 0;
    // Only the value is read: the reference's text lies elsewhere in memory,
    // and reading it for every value of every language costs more than the scan.
    while (i < n) {
        if (!isAsciiDigit(value[i])) {
            ++i;
            continue;
        }
        const qsizetype start = i;
        quint64 digits = 0;
        for (; i < n && isAsciiDigit(value[i]); ++i)
            if (i - start < 18)
                digits = digits * 10 + (value[i].unicode() - u'0');
        const qsizetype length = i - start;
        // Whatever joins the digits to a longer number or a placeholder makes
        // them something else: the full reading decides then.
        if (length > 18)
            continue;
        if (start > 0) {
            const QChar c = value[start - 1];
            if (c.isDigit() || c == u'%' || c == u'{' || c == u'\\'
                || (separatorOf(c) != Separator::None && start > 1 && value[start - 2].isDigit()))
                continue;
        }
        if (i < n && (value[i].isDigit() || (separatorOf(value[i]) != Separator::None && i + 1 < n && value[i + 1].isDigit())))
            continue;
        for (qsizetype k = 0; k < numbers.size(); ++k)
            if (numbers[k].length == length && numbers[k].digits == digits)
                found |= 1u << k;
        if (found == all)
            return true;
    }
    return false;
}

QStringView repeatedWord(QStringView text, QStringView languageName, bool *twoSpaces)
{
    const qsizetype n = text.size();
    // Two spaces in a row are blanks between words, or before or after them:
    // the scan sees them all, unless it stops at a repeat.
    bool spaces = false;
    auto escape = [&](qsizetype i) { return text[i] == u'\\' && i + 1 < n && (text[i + 1] == u'n' || text[i + 1] == u't'); };
    auto allWord = [](QStringView token) { return std::all_of(token.begin(), token.end(), isWordChar); };
    QStringView previous;
    bool repeats = false; // previous is itself a repeat of the word before it
    qsizetype i = 0;
    while (i < n) {
        // Blanks, and the \n and \t escapes, separate words.
        bool gap = false;
        while (i < n) {
            if (isBlank(text[i])) {
                spaces = spaces || (text[i] == u' ' && i > 0 && text[i - 1] == u' ');
                ++i;
                gap = true;
            } else if (escape(i)) {
                i += 2;
                gap = true;
            } else {
                break;
            }
        }
        if (i >= n)
            break;
        const qsizetype start = i;
        while (i < n && !isBlank(text[i]) && !escape(i))
            ++i;
        const QStringView token = text.sliced(start, i - start);
        // The cheap tests first: neighbours mostly differ in length. Letter
        // case folds one code unit to one, so equal words are equally long.
        // Grammar repeats a word once ("die die"), never twice.
        const bool again = gap && previous.size() == token.size() && previous.compare(token, Qt::CaseInsensitive) == 0
                        && allWord(previous) && allWord(token);
        if (again && (repeats || !isGrammaticalRepeat(token, languageName))) {
            if (twoSpaces)
                *twoSpaces = true;
            return token;
        }
        repeats = again;
        previous = token;
    }
    if (twoSpaces)
        *twoSpaces = spaces;
    return {};
}

bool hasInnerDoubleSpace(QStringView text)
{
    // A plain loop: values are short, and a string search costs more here.
    const qsizetype n = text.size();
    qsizetype at = 0;
    while (at + 1 < n && !(text[at] == u' ' && text[at + 1] == u' '))
        ++at;
    if (at + 1 >= n)
        return false;
    qsizetype first = 0;
    while (first < text.size() && text[first].isSpace())
        ++first;
    qsizetype last = text.size();
    while (last > first && text[last - 1].isSpace())
        --last;
    for (qsizetype i = std::max(at, first); i + 1 < last; ++i)
        if (text[i] == u' ' && text[i + 1] == u' ')
            return true;
    return false;
}

std::vector<std::pair<qsizetype, qsizetype>> linkSpans(QStringView text)
{
    std::vector<std::pair<qsizetype, qsizetype>> spans;
    if (!text.contains(u"://") && !text.contains(u"www.") && !text.contains(u'@'))
        return spans;
    const qsizetype n = text.size();
    auto taken = [&spans](qsizetype at) {
        return std::any_of(spans.begin(), spans.end(), [at](const auto &s) { return at >= s.first && at < s.second; });
    };
    // scheme://...
    for (qsizetype at = text.indexOf(u"://"); at >= 0; at = text.indexOf(u"://", at + 3)) {
        qsizetype start = at;
        while (start > 0 && (isAsciiLetter(text[start - 1]) || isAsciiDigit(text[start - 1]) || text[start - 1] == u'+'
                             || text[start - 1] == u'-' || text[start - 1] == u'.'))
            --start;
        while (start < at && !isAsciiLetter(text[start]))
            ++start;
        if (start == at)
            continue;
        qsizetype end = at + 3;
        while (end < n && isLinkChar(text[end]))
            ++end;
        end = trimLinkEnd(text, start, end);
        if (end > at + 3)
            spans.emplace_back(start, end);
    }
    // www. at the start of a word
    for (qsizetype at = text.indexOf(u"www."); at >= 0; at = text.indexOf(u"www.", at + 4)) {
        if (taken(at) || (at > 0 && (text[at - 1].isLetterOrNumber() || text[at - 1] == u'/')))
            continue;
        qsizetype end = at + 4;
        while (end < n && isLinkChar(text[end]))
            ++end;
        end = trimLinkEnd(text, at, end);
        if (end > at + 4)
            spans.emplace_back(at, end);
    }
    // name@domain.tld
    for (qsizetype at = text.indexOf(u'@'); at >= 0; at = text.indexOf(u'@', at + 1)) {
        if (taken(at))
            continue;
        auto local = [](QChar c) {
            return isAsciiLetter(c) || isAsciiDigit(c) || QStringView(u"._%+-").contains(c);
        };
        auto domain = [](QChar c) { return isAsciiLetter(c) || isAsciiDigit(c) || c == u'.' || c == u'-'; };
        qsizetype start = at;
        while (start > 0 && local(text[start - 1]))
            --start;
        qsizetype end = at + 1;
        while (end < n && domain(text[end]))
            ++end;
        while (end > at + 1 && (text[end - 1] == u'.' || text[end - 1] == u'-'))
            --end;
        const QStringView host = text.sliced(at + 1, end - at - 1);
        if (start < at && host.contains(u'.') && !host.startsWith(u'.'))
            spans.emplace_back(start, end);
    }
    std::sort(spans.begin(), spans.end());
    return spans;
}

QStringList linksOf(QStringView text)
{
    QStringList links;
    for (const auto &[start, end] : linkSpans(text))
        links.append(text.sliced(start, end - start).toString());
    return links;
}

std::vector<TagAt> tagsOf(QStringView text)
{
    std::vector<TagAt> tags;
    const qsizetype n = text.size();
    for (qsizetype at = text.indexOf(u'<'); at >= 0 && at < n; at = text.indexOf(u'<', at + 1)) {
        qsizetype i = at + 1;
        TagAt tag;
        if (i < n && text[i] == u'/') {
            tag.closing = true;
            ++i;
        }
        const qsizetype nameStart = i;
        if (i >= n || !isAsciiLetter(text[i]))
            continue;
        while (i < n && (isAsciiLetter(text[i]) || isAsciiDigit(text[i]) || text[i] == u':' || text[i] == u'-'))
            ++i;
        tag.name = text.sliced(nameStart, i - nameStart);
        bool attributes = false;
        if (i < n && text[i].isSpace()) {
            while (i < n && text[i] != u'>' && text[i] != u'<')
                ++i;
            attributes = true;
        }
        if (i < n && text[i] == u'/' && !tag.closing) {
            tag.selfClosing = true;
            ++i;
        }
        if (i >= n || text[i] != u'>')
            continue;
        if (attributes && text[i - 1] == u'/')
            tag.selfClosing = !tag.closing;
        tag.text = text.sliced(at, i + 1 - at);
        // "<none>" is a word in brackets; a tag is closed, empty, has attributes or is HTML's.
        if (!tag.closing && !tag.selfClosing && !attributes && !htmlNames().contains(tag.name.toString().toLower()))
            continue;
        tags.push_back(tag);
        at = i;
    }
    return tags;
}

bool tagsNested(const std::vector<TagAt> &tags, QString *why)
{
    std::vector<const TagAt *> open;
    for (const TagAt &tag : tags) {
        if (tag.selfClosing || (!tag.closing && isVoidElement(tag.name)))
            continue;
        if (!tag.closing) {
            open.push_back(&tag);
            continue;
        }
        if (open.empty() || open.back()->name.compare(tag.name, Qt::CaseInsensitive) != 0) {
            if (why)
                *why = open.empty() ? QStringLiteral("%1 closes no open tag").arg(tag.text.toString())
                                    : QStringLiteral("%1 closes %2").arg(tag.text.toString(), open.back()->text.toString());
            return false;
        }
        open.pop_back();
    }
    if (!open.empty() && why)
        *why = QStringLiteral("%1 is never closed").arg(open.back()->text.toString());
    return open.empty();
}

namespace {

bool isEmphasis(QStringView name)
{
    for (QStringView emphasis : {u"b", u"i", u"u", u"em", u"strong"})
        if (name.compare(emphasis, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Markup that sets the size of the text it holds (Pango's <big> and <small>).
bool isSize(QStringView name)
{
    return name.compare(u"big", Qt::CaseInsensitive) == 0 || name.compare(u"small", Qt::CaseInsensitive) == 0;
}

// What makes two tags the same tag: the name in any letter case, blanks in
// the attributes collapsed, and an empty element with or without its slash
// ("<br>", "<br/>" and "<br />" are one). With emphasisAlike, every emphasis
// tag without attributes is one emphasis.
// A tag's attributes as one spelling: each name="value", however the text quotes
// the value (<a href='x'> is <a href="x">) and whatever blanks stand around "=".
constexpr const char16_t *ShownAttributes[] = {u"title", u"alt", u"aria-label", u"placeholder"};

QString attributesKey(QStringView tagRest)
{
    static const QRegularExpression attribute(
        QStringLiteral("([^\\s=\"'<>/]+)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s\"'<>]+))"));
    const QString rest = tagRest.toString();
    QString key;
    qsizetype at = 0;
    for (QRegularExpressionMatchIterator it = attribute.globalMatch(rest); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        // What stands between the attributes is kept, blanks collapsed.
        const QString between = rest.sliced(at, m.capturedStart() - at).simplified();
        if (!between.isEmpty())
            key += between + u' ';
        const int quoted = m.capturedStart(2) >= 0 ? 2 : m.capturedStart(3) >= 0 ? 3 : 4;
        // Text a reader is shown (a link's title, an image's alt text) is translated with the rest.
        const QStringView name = m.capturedView(1);
        const bool translated = std::any_of(std::begin(ShownAttributes), std::end(ShownAttributes), [name](const char16_t *shown) {
            return name.compare(QStringView(shown), Qt::CaseInsensitive) == 0;
        });
        key += m.captured(1) + QStringLiteral("=\"") + (translated ? QStringLiteral("…") : m.captured(quoted))
            + QStringLiteral("\" ");
        at = m.capturedEnd();
    }
    key += rest.sliced(at).simplified();
    return key.trimmed();
}

QString tagKey(const TagAt &tag, bool emphasisAlike)
{
    const bool plain = tag.text.size() == tag.name.size() + (tag.closing ? 3 : 2) + (tag.selfClosing ? 1 : 0);
    const bool empty = tag.selfClosing || (!tag.closing && isVoidElement(tag.name));
    QString key = tag.closing ? QStringLiteral("</") : QStringLiteral("<");
    key += emphasisAlike && plain && isEmphasis(tag.name) ? QStringLiteral("em") : tag.name.toString().toLower();
    if (!plain) {
        // The attributes, blanks collapsed, without the empty element's slash.
        QStringView rest = tag.text.sliced(tag.name.size() + (tag.closing ? 2 : 1)).chopped(1).trimmed();
        if (rest.endsWith(u'/'))
            rest.chop(1);
        if (const QString attributes = attributesKey(rest); !attributes.isEmpty())
            key += u' ' + attributes;
    }
    if (empty)
        key += u'/';
    return key + u'>';
}

} // namespace

QStringList brokenTags(QStringView value, const std::vector<TagAt> &referenceTags)
{
    QStringList broken;
    if (referenceTags.empty())
        return broken;
    const qsizetype n = value.size();
    for (qsizetype at = value.indexOf(u'<'); at >= 0; at = value.indexOf(u'<', at + 1)) {
        qsizetype i = at + 1;
        if (i < n && value[i] == u'/')
            ++i;
        const qsizetype nameStart = i;
        while (i < n && (isAsciiLetter(value[i]) || isAsciiDigit(value[i])))
            ++i;
        const QStringView name = value.sliced(nameStart, i - nameStart);
        if (name.isEmpty())
            continue;
        // A tag of the reference's that never closes with ">": "<emSi</em>", "</b text".
        qsizetype end = i;
        while (end < n && value[end] != u'>' && value[end] != u'<')
            ++end;
        if (end < n && value[end] == u'>')
            continue;
        if (std::any_of(referenceTags.begin(), referenceTags.end(),
                        [&](const TagAt &tag) { return name.startsWith(tag.name, Qt::CaseInsensitive); }))
            broken.append(value.sliced(at, std::min<qsizetype>(end, at + 24) - at).trimmed().toString());
    }
    return broken;
}

QString tagsMessage(QStringView value, const std::vector<TagAt> &referenceTags, bool referenceNested,
                    const TagRules &rules, bool *emphasisLeftOut)
{
    if (emphasisLeftOut)
        *emphasisLeftOut = false;
    const std::vector<TagAt> tags = tagsOf(value);
    if (tags.empty() && referenceTags.empty())
        return {};
    QStringList parts;
    for (const QString &broken : brokenTags(value, referenceTags))
        parts.append(QStringLiteral("broken tag \"%1\"").arg(broken));
    const bool anyBroken = !parts.isEmpty();
    struct Count
    {
        QString text; // as the reference writes it, or else the value
        int reference = 0;
        int value = 0;
        bool addedMayStand = false; // emphasis or a size, which a translation may add
        bool link = false;
        bool italic = true; // every tag of the reference's under this key is <i> or <em>
    };
    std::map<QString, Count> counts;
    for (const TagAt &tag : referenceTags) {
        Count &count = counts[tagKey(tag, rules.emphasisAlike)];
        if (count.text.isEmpty())
            count.text = tag.text.toString();
        count.italic = count.italic
            && (tag.name.compare(u"i", Qt::CaseInsensitive) == 0 || tag.name.compare(u"em", Qt::CaseInsensitive) == 0);
        ++count.reference;
    }
    for (const TagAt &tag : tags) {
        Count &count = counts[tagKey(tag, rules.emphasisAlike)];
        if (count.text.isEmpty())
            count.text = tag.text.toString();
        count.addedMayStand = isEmphasis(tag.name) || isSize(tag.name);
        count.link = tag.name.compare(u"a", Qt::CaseInsensitive) == 0;
        ++count.value;
    }
    QString why;
    const bool nested = tagsNested(tags, &why);
    bool onlyEmphasisLeftOut = rules.emphasisAlike && !anyBroken && nested;
    for (const auto &[key, count] : counts) {
        if (count.reference == count.value)
            continue;
        // Emphasis or a size the translation adds, well formed, is its own choice.
        if (count.addedMayStand && count.value > count.reference && nested && !anyBroken)
            continue;
        // A link the urls check reports is one fault, not two.
        if (rules.linkReported && (key == u"</a>" || key == u"<a>" || key.startsWith(u"<a ")))
            continue;
        parts.append(QStringLiteral("%1: the reference has it %2, the value %3")
                         .arg(count.text, timesText(count.reference), timesText(count.value)));
        onlyEmphasisLeftOut = onlyEmphasisLeftOut && count.value == 0 && count.italic && (key == u"<em>" || key == u"</em>");
    }
    if (emphasisLeftOut)
        *emphasisLeftOut = onlyEmphasisLeftOut && !parts.isEmpty();
    if (parts.isEmpty() && referenceNested && !nested)
        parts.append(QStringLiteral("the tags are not well nested: ") + why);
    return parts.join(QStringLiteral("; "));
}

QString digitRuns(const QStringList &numbers)
{
    QString runs;
    for (const QString &number : numbers)
        for (qsizetype i = 0; i < number.size(); ++i) {
            const int digit = number[i].digitValue();
            if (digit >= 0) {
                if (!runs.isEmpty() && (i == 0 || number[i - 1].digitValue() < 0))
                    runs += u'|';
                runs += QChar(u'0' + digit);
            }
        }
    return runs;
}

namespace {

// A text without its accelerator marks ("&" or "_" before a letter or digit, and one in
// parentheses at the end, "設定(&S)"), and how many it had.
QString withoutAccelerators(QStringView text, int &marks)
{
    marks = 0;
    const qsizetype n = text.size();
    if (n >= 4 && text[n - 1] == u')' && text[n - 4] == u'(' && (text[n - 3] == u'&' || text[n - 3] == u'_')
        && text[n - 2].isLetterOrNumber()) {
        text = text.first(n - 4);
        ++marks;
    }
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if ((c == u'&' || c == u'_') && i + 1 < text.size() && text[i + 1].isLetterOrNumber()
            && (i == 0 || text[i - 1] != c)) {
            ++marks;
            continue;
        }
        out += c;
    }
    return out;
}

// A text without the characters left out says.
template<typename LeftOut>
QString withoutChars(QStringView text, LeftOut leftOut)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text)
        if (!leftOut(c))
            out += c;
    return out;
}

} // namespace

int acceleratorMarks(QStringView text, QChar sign)
{
    int marks = 0;
    // An underscore or "&" inside a link ("wiki/Proprietary_software", "?a=1&b=2") marks no letter.
    std::optional<std::vector<std::pair<qsizetype, qsizetype>>> spans;
    const auto inLink = [&](qsizetype i) {
        if (!spans)
            spans = linkSpans(text);
        return std::any_of(spans->begin(), spans->end(), [i](const auto &s) { return i >= s.first && i < s.second; });
    };
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != sign)
            continue;
        if (text[i + 1] == sign) {
            ++i;
            continue;
        }
        if (!text[i + 1].isLetterOrNumber() || inLink(i))
            continue;
        if (sign == u'&') {
            qsizetype j = i + 1;
            while (j < text.size() && j < i + 12 && (text[j].isLetterOrNumber() || text[j] == u'#'))
                ++j;
            if (j < text.size() && text[j] == u';')
                continue;
        }
        ++marks;
    }
    return marks;
}

bool formsOfOneWording(QStringView a, QStringView b)
{
    // The first letter's case alone: one stands inside a sentence, the other starts one or
    // is a label ("ścieżka do obiektu", "Ścieżka do obiektu"), as the places the English
    // serves ask. A title's capitals on other words ("Novo Temporizador") are a wording.
    if (!a.isEmpty() && a.size() == b.size() && a[0] != b[0] && a[0].toCaseFolded() == b[0].toCaseFolded()
        && a.sliced(1) == b.sliced(1))
        return true;
    // Marks that only set the direction of bidirectional text (U+200F RIGHT-TO-LEFT MARK
    // before a placeholder) are not seen: with or without them, one wording.
    const auto isDirectionMark = [](QChar c) {
        const char16_t u = c.unicode();
        return u == 0x200E || u == 0x200F || u == 0x061C || (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069);
    };
    if (std::any_of(a.begin(), a.end(), isDirectionMark) || std::any_of(b.begin(), b.end(), isDirectionMark)) {
        if (withoutChars(a, isDirectionMark) == withoutChars(b, isDirectionMark))
            return a != b;
    }
    // One wording with its accelerator on another letter ("_Pretraga", "P_retraga"): a
    // menu's letters must differ, so each place may need its own.
    const auto marked = [](QStringView text) { return text.contains(u'&') || text.contains(u'_'); };
    if (marked(a) && marked(b)) {
        int marksA = 0;
        int marksB = 0;
        if (withoutAccelerators(a, marksA) == withoutAccelerators(b, marksB) && marksA == marksB && marksA > 0)
            return a != b;
    }
    // Korean writes an ending into the last syllable of its stem ("내보내기", "내보냅니다"):
    // read letter by letter, the stem and its endings stand apart.
    auto isSyllable = [](QChar c) { return c >= u'\uAC00' && c <= u'\uD7A3'; };
    if (std::any_of(a.begin(), a.end(), isSyllable) || std::any_of(b.begin(), b.end(), isSyllable))
        return formsOfOneWording(a.toString().normalized(QString::NormalizationForm_D),
                                 b.toString().normalized(QString::NormalizationForm_D));
    // Vowel signs that Arabic and Hebrew write or leave out ("مُؤقِّت", "مؤقِّت") are one spelling.
    auto isVowelSign = [](QChar c) { return (c >= u'\u064B' && c <= u'\u0652') || (c >= u'\u05B0' && c <= u'\u05C7'); };
    if (std::any_of(a.begin(), a.end(), isVowelSign) || std::any_of(b.begin(), b.end(), isVowelSign)) {
        if (withoutChars(a, isVowelSign) == withoutChars(b, isVowelSign))
            return a != b;
    }
    // One wording made longer for its place: "重設" and "重設計時器", "Cerca" and "Ricerca";
    // the words added are words, as a placeholder or a number added is another text.
    const QStringView shorter = a.size() < b.size() ? a : b;
    const QStringView longer = a.size() < b.size() ? b : a;
    auto words = [](QStringView added) {
        return std::all_of(added.begin(), added.end(), [](QChar c) { return c.isLetter() || c.isMark() || c == u' '; });
    };
    if (shorter.size() >= 2 && shorter.size() < longer.size()
        && ((longer.startsWith(shorter, Qt::CaseInsensitive) && words(longer.sliced(shorter.size())))
            || (longer.endsWith(shorter, Qt::CaseInsensitive) && words(longer.first(longer.size() - shorter.size())))))
        return true;
    // Words put inside one wording that say more ("Eine einzelne Seite [vom Scanner]
    // einscannen"): the shorter's words, two or more, stand in the longer in their order,
    // and a word of five letters or more is among those put in. Short words put in
    // alone, an article or a preposition ("Cerca [els] contactes"), are a different grammar.
    {
        auto shortWords = qTokenize(shorter, u' ', Qt::SkipEmptyParts);
        auto longWords = qTokenize(longer, u' ', Qt::SkipEmptyParts);
        auto s = shortWords.begin();
        qsizetype matched = 0;
        qsizetype skipped = 0;
        bool onlyWords = true;
        bool saysMore = false;
        for (auto l = longWords.begin(); l != longWords.end(); ++l) {
            if (s != shortWords.end() && (*s).compare(*l, Qt::CaseInsensitive) == 0) {
                ++s;
                ++matched;
            } else {
                ++skipped;
                onlyWords = onlyWords && words(*l);
                saysMore = saysMore || (*l).size() >= 5;
            }
        }
        if (s == shortWords.end() && matched >= 2 && skipped > 0 && onlyWords && saysMore)
            return true;
    }
    // An ending is up to three letters after a stem of three, six after a stem of four
    // ("Skanuje", "Skanowanie") and seven after a longer one ("Resetuj", "Resetowanie").
    auto isEnding = [](QStringView rest, qsizetype stem) {
        return (stem >= 5 ? rest.size() <= 7 : stem == 4 ? rest.size() <= 6 : stem == 3 && rest.size() <= 3)
            && std::all_of(rest.begin(), rest.end(), [](QChar c) { return c.isLetter() || c.isMark(); });
    };
    // The words of both side by side, read without making lists of them.
    auto wordsOfA = qTokenize(a, u' ', Qt::SkipEmptyParts);
    auto wordsOfB = qTokenize(b, u' ', Qt::SkipEmptyParts);
    auto x = wordsOfA.begin();
    auto y = wordsOfB.begin();
    bool inflected = false;
    for (; x != wordsOfA.end() && y != wordsOfB.end(); ++x, ++y) {
        const QStringView one = *x;
        const QStringView other = *y;
        if (one == other)
            continue;
        inflected = true;
        qsizetype stem = 0;
        while (stem < one.size() && stem < other.size() && one[stem] == other[stem])
            ++stem;
        if (!isEnding(one.sliced(stem), stem) || !isEnding(other.sliced(stem), stem))
            return false;
    }
    return inflected && x == wordsOfA.end() && y == wordsOfB.end();
}

bool wordsOfOneRoot(QStringView a, QStringView b)
{
    // One word each, sharing three letters or more that make two fifths of the shorter:
    // "Пошук" and "Шукати", "Vyhľadávanie" and "Hľadať", the noun and the verb of a word.
    if (a.contains(u' ') || b.contains(u' ') || a.isEmpty() || b.isEmpty())
        return false;
    const QString x = a.toString().toCaseFolded();
    const QString y = b.toString().toCaseFolded();
    const QString &shorter = x.size() <= y.size() ? x : y;
    const QString &longer = x.size() <= y.size() ? y : x;
    const qsizetype least = std::max<qsizetype>(3, (shorter.size() * 2 + 4) / 5);
    for (qsizetype at = 0; at + least <= shorter.size(); ++at) {
        const QStringView piece = QStringView(shorter).sliced(at, least);
        if (std::all_of(piece.begin(), piece.end(), [](QChar c) { return c.isLetter() || c.isMark(); })
            && longer.contains(piece))
            return true;
    }
    return false;
}

QStringList unnumberedPlaceholders(QStringView text)
{
    QStringList found;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i + 1 < n; ++i) {
        if (text[i] != u'%')
            continue;
        if (text[i + 1] == u'%') {
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        if (j < n && (text[j] == u'l' || text[j] == u'h'))
            ++j;
        if (j < n && text[j] == u'l')
            ++j;
        if (j < n && QStringView(u"diouxXscfeEgGp").contains(text[j])) {
            found.append(text.sliced(i, j + 1 - i).toString());
            i = j;
        }
    }
    return found;
}

namespace {

// The host of a URL, lower case: "support.epson.com" of "http://support.epson.com/x".
QString hostOf(QStringView link)
{
    qsizetype start = link.indexOf(u"://");
    start = start < 0 ? 0 : start + 3;
    qsizetype end = start;
    while (end < link.size() && link[end] != u'/' && link[end] != u':' && link[end] != u'?' && link[end] != u'#')
        ++end;
    QStringView host = link.sliced(start, end - start);
    if (const qsizetype at = host.lastIndexOf(u'@'); at >= 0)
        host = host.sliced(at + 1);
    return host.toString().toLower();
}

// The name a host is registered under: "epson" of "support.epson.com", of
// "www.epson.sk" and of "epson.co.uk".
QStringView registeredName(QStringView host)
{
    const QList<QStringView> labels = host.split(u'.', Qt::SkipEmptyParts);
    if (labels.size() < 2)
        return {};
    qsizetype name = labels.size() - 2;
    static const QStringView secondLevel[] = {u"co", u"com", u"org", u"net", u"gov", u"ac", u"edu", u"or", u"ne"};
    if (name > 0 && labels.back().size() == 2
        && std::find(std::begin(secondLevel), std::end(secondLevel), labels[name]) != std::end(secondLevel))
        --name;
    return labels[name];
}

bool isExampleHost(QStringView host)
{
    // The domains kept for examples: example.com, .net, .org and the .example ones.
    for (QStringView domain : {u"example.com", u"example.net", u"example.org"})
        if (host == domain || host.endsWith(QString(u'.' + domain.toString())))
            return true;
    return host.endsWith(u".example");
}

} // namespace

bool linkGivenOtherwise(QStringView link, const QStringList &valueLinks, const QStringList &referenceLinks)
{
    if (!link.contains(u"://"))
        return false;
    const QString host = hostOf(link);
    const QStringView name = registeredName(host);
    for (const QString &other : valueLinks) {
        if (referenceLinks.contains(other) || !other.contains(u"://"))
            continue;
        if (link.startsWith(u"http://") && other.startsWith(u"https://") && link.sliced(7) == QStringView(other).sliced(8))
            return true;
        const QString otherHost = hostOf(other);
        const QStringView topLevel = QStringView(otherHost).sliced(otherHost.lastIndexOf(u'.') + 1);
        // An example in the language's country ("http://dæmi.is" for "http://example.com").
        if (isExampleHost(host) && otherHost != host && (topLevel.size() == 2 || isExampleHost(otherHost)))
            return true;
        // The same page in the language's own folder ("/en-US/quick-docs/" as "/nl/quick-docs/").
        if (otherHost == host) {
            static const QRegularExpression english(QStringLiteral("^en(?:[-_][A-Za-z]{2})?$"));
            static const QRegularExpression language(QStringLiteral("^[a-z]{2,3}(?:[-_][A-Za-z]{2,4})?$"));
            const QStringList ours = link.toString().split(u'/');
            const QStringList theirs = other.split(u'/');
            qsizetype differing = 0;
            bool languageSwapped = ours.size() == theirs.size();
            for (qsizetype i = 0; languageSwapped && i < ours.size(); ++i) {
                if (ours[i] == theirs[i])
                    continue;
                ++differing;
                languageSwapped = english.match(ours[i]).hasMatch() && language.match(theirs[i]).hasMatch();
            }
            if (languageSwapped && differing == 1)
                return true;
        }
        // The same maker's site elsewhere under its own domain, or under a country's.
        if (!name.isEmpty() && otherHost != host && registeredName(otherHost) == name
            && (topLevel.size() == 2 || host.endsWith(QString(u'.' + topLevel.toString()))))
            return true;
    }
    return false;
}

QStringList spellingWords(QStringView text)
{
    // Links and tags go first, as whole spans; then placeholders and accelerators.
    QString cleaned = text.toString();
    for (const QString &link : linksOf(text))
        cleaned.replace(link, QStringLiteral(" "));
    for (const TagAt &tag : tagsOf(text))
        cleaned.replace(tag.text.toString(), QStringLiteral(" "));
    QString plain;
    plain.reserve(cleaned.size());
    const qsizetype n = cleaned.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = cleaned[i];
        if (c == u'%') {
            qsizetype j = i + 1;
            while (j < n && (isAsciiDigit(cleaned[j]) || cleaned[j] == u'$' || cleaned[j] == u'l'))
                ++j;
            i = j < n ? j : n;
            plain += u' ';
            continue;
        }
        if (c == u'\\') {
            ++i;
            plain += u' ';
            continue;
        }
        if (c == u'{') {
            const qsizetype close = cleaned.indexOf(u'}', i);
            if (close > i) {
                i = close;
                plain += u' ';
                continue;
            }
        }
        if (c == u'&') {
            if (i + 1 < n && cleaned[i + 1] == u'&')
                ++i; // "&&" is a literal ampersand
            continue;
        }
        plain += c;
    }
    QStringList words;
    qsizetype i = 0;
    const qsizetype m = plain.size();
    while (i < m) {
        while (i < m && !plain[i].isLetterOrNumber())
            ++i;
        const qsizetype start = i;
        // A word: letters, marks and digits, with inner apostrophes and hyphens.
        while (i < m && (plain[i].isLetterOrNumber() || plain[i].isMark()
                         || ((plain[i] == u'\'' || plain[i] == u'-' || plain[i] == QChar(0x2019)) && i + 1 < m
                             && plain[i + 1].isLetter())))
            ++i;
        if (i == start)
            continue;
        const QString word = plain.mid(start, i - start);
        if (!word[0].isLetter())
            continue;
        bool digits = false;
        bool lower = false;
        for (QChar c : word) {
            digits = digits || c.isDigit();
            lower = lower || c.isLower();
        }
        if (digits || (!lower && word.size() > 1))
            continue;
        words.append(word);
    }
    return words;
}

} // namespace Glossa
