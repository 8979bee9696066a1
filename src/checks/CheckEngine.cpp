#include "checks/CheckEngine.h"

#include "platform/Parallel.h"

#include "checks/NumberWords.h"
#include "checks/PlaceholderCheck.h"
#include "checks/PlaceholderFaults.h"
#include "checks/Spelling.h"
#include "checks/ValueChecks.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "model/SyncLanguageIndex.h"
#include "platform/ProfileFile.h"
#include "platform/ProfileLine.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

namespace Glossa {

struct CheckEngine::AcceptedWords
{
    std::once_flag read;
    QSet<QString> words;
};

struct CheckEngine::CheckFacts
{
    std::once_flag made;
    std::vector<ReferenceFacts> references;
};

namespace {

const QString LanguageDirName = QStringLiteral("/language");
const QString WebDirName = QStringLiteral("/Web/LanguageInfo");

QString relativeFileOf(const QString &displayName)
{
    return QStringLiteral("language/") + displayName + QStringLiteral(".ini");
}

QString encodingId(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return QStringLiteral("utf-16le");
    case TextEncoding::Utf16BE:
        return QStringLiteral("utf-16be");
    case TextEncoding::Utf8:
        return QStringLiteral("utf-8");
    case TextEncoding::Utf8Bom:
        return QStringLiteral("utf-8-bom");
    case TextEncoding::Legacy8Bit:
        return QStringLiteral("legacy-8bit");
    }
    return {};
}


AttributeId idOfIndex(int attributeIndex)
{
    return AttributeId(attributeIndex);
}

// The marks a script ends its sentences with, besides the Latin ones.
enum class Script { Latin, CJK, Arabic, Greek, Indic, Armenian, Ethiopic, Khmer, Myanmar };

// What the value checks need to know of a language, worked out once per language.
struct LanguageTraits
{
    Script script = Script::Latin;
    QString bcp47;          // "de-DE"; empty when neither the catalogue nor Qt knows the language
    bool italics = true;    // false: the script has no italics, so any emphasis may stand for <i>
    bool finalStop = true;  // false: its UI text takes no final full stop (Thai, Lao, Khmer)
    bool reduplicates = false; // it says words twice on purpose ("luôn luôn", "orang orang", "yavaş yavaş")
    bool wordsTogether = false; // no spaces between its words (Chinese, Japanese, Thai, Lao, Khmer, Myanmar)
    bool spacedMarks = false;   // a blank before ":", ";", "!" and "?" (French)
    int yearsAhead = 0;     // how far its calendar's years run ahead of ours (Thai's Buddhist era: 543)
};

LanguageTraits traitsOf(const QString &languageName)
{
    LanguageTraits traits;
    traits.bcp47 = LocaleCatalogue::Bcp47ForDisplayName(languageName);
    if (traits.bcp47.isEmpty()) {
        // A language the catalogue lacks: its English name as Qt spells it.
        const QString name = languageName.section(u' ', 0, 0);
        for (int l = QLocale::AnyLanguage + 1; l <= QLocale::LastLanguage && !name.isEmpty(); ++l)
            if (QLocale::languageToString(QLocale::Language(l)) == name) {
                traits.bcp47 = QLocale::languageToCode(QLocale::Language(l));
                break;
            }
    }
    if (traits.bcp47.isEmpty())
        return traits;
    const QLocale locale(traits.bcp47);
    traits.spacedMarks = locale.language() == QLocale::French;
    switch (locale.script()) {
    case QLocale::SimplifiedHanScript:
    case QLocale::TraditionalHanScript:
    case QLocale::HanScript:
    case QLocale::HanWithBopomofoScript:
    case QLocale::JapaneseScript:
        traits.wordsTogether = true;
        [[fallthrough]];
    case QLocale::KoreanScript:
        traits.script = Script::CJK;
        traits.italics = false;
        break;
    case QLocale::ArabicScript:
        traits.script = Script::Arabic;
        traits.italics = false;
        break;
    case QLocale::HebrewScript:
        traits.italics = false;
        break;
    case QLocale::GreekScript:
        traits.script = Script::Greek;
        break;
    case QLocale::DevanagariScript:
    case QLocale::BengaliScript:
    case QLocale::OriyaScript:
    case QLocale::GurmukhiScript:
        traits.script = Script::Indic;
        traits.italics = false;
        break;
    case QLocale::ArmenianScript:
        traits.script = Script::Armenian;
        break;
    case QLocale::EthiopicScript:
        traits.script = Script::Ethiopic;
        traits.italics = false;
        break;
    case QLocale::ThaiScript:
        traits.yearsAhead = locale.language() == QLocale::Thai ? 543 : 0;
        [[fallthrough]];
    case QLocale::LaoScript:
        traits.italics = false;
        traits.finalStop = false;
        traits.wordsTogether = true;
        break;
    case QLocale::KhmerScript:
        traits.script = Script::Khmer;
        traits.italics = false;
        traits.finalStop = false;
        traits.wordsTogether = true;
        break;
    case QLocale::MyanmarScript:
        traits.script = Script::Myanmar;
        traits.italics = false;
        traits.wordsTogether = true;
        break;
    default:
        break;
    }
    const QString language = traits.bcp47.section(u'-', 0, 0).toLower();
    for (QStringView code : {u"vi", u"id", u"ms", u"tl", u"fil", u"jv", u"su", u"km", u"th", u"lo", u"hmn", u"fa", u"tr",
                             u"hi", u"bn", u"ur", u"ko", u"ta", u"te", u"mr"})
        traits.reduplicates = traits.reduplicates || language == code;
    return traits;
}

// A text without the blanks around it and without an accelerator a translation
// puts in parentheses at its end ("設定...(&S)").
QStringView endOfText(QStringView text)
{
    QStringView t = trimProfileSpace(text);
    const qsizetype n = t.size();
    if (n >= 4 && t[n - 1] == u')' && t[n - 4] == u'(' && (t[n - 3] == u'&' || t[n - 3] == u'_'))
        t = trimProfileSpace(t.first(n - 4));
    // Emoji after the sentence's mark ("today! 🎉"), with their joiners and variation selectors,
    // and the files' escapes of line breaks and tabs ("Done.\n"), which the placeholder
    // check compares: the mark before them ends the text.
    for (;;) {
        if (t.isEmpty())
            return t;
        if (const qsizetype size = t.size();
            size >= 2 && t[size - 2] == u'\\' && QStringView(u"ntr").contains(t[size - 1])) {
            qsizetype backslashes = 1;
            while (backslashes < size - 1 && t[size - 2 - backslashes] == u'\\')
                ++backslashes;
            if (backslashes % 2 == 1) {
                t = trimProfileSpace(t.first(size - 2));
                continue;
            }
        }
        const bool pair = t.size() >= 2 && t.back().isLowSurrogate() && t[t.size() - 2].isHighSurrogate();
        const char32_t last = pair ? QChar::surrogateToUcs4(t[t.size() - 2], t.back()) : t.back().unicode();
        if (QChar::category(last) != QChar::Symbol_Other && last != 0x200D && last != 0xFE0F)
            return t;
        t = trimProfileSpace(t.first(t.size() - (pair ? 2 : 1)));
    }
}

// True when word stands in text as a word of its own, letter case ignored.
bool holdsWholeWord(QStringView text, QStringView word)
{
    for (qsizetype at = text.indexOf(word, 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(word, at + 1, Qt::CaseInsensitive)) {
        const qsizetype end = at + word.size();
        if ((at == 0 || !text[at - 1].isLetterOrNumber()) && (end == text.size() || !text[end].isLetterOrNumber()))
            return true;
    }
    return false;
}

// A short Chinese or Japanese phrase of one clause ("目前的時鐘面板" for "Current clock
// panel."), which the language writes without the English's full stop.
bool shortPhrase(QStringView text, const LanguageTraits &traits)
{
    constexpr qsizetype LongestPhrase = 20;
    if (traits.script != Script::CJK || !traits.wordsTogether)
        return false;
    // An aside in brackets is no clause of the phrase ("纸张的高度（以 0.1mm 计，0 代表自动检查纸张）").
    QString outside;
    int depth = 0;
    for (QChar c : endOfText(text)) {
        if (c == u'(' || c == u'（')
            ++depth;
        else if ((c == u')' || c == u'）') && depth > 0)
            --depth;
        else if (depth == 0)
            outside += c;
    }
    const QStringView t = QStringView(outside).trimmed();
    return t.size() < LongestPhrase && !t.isEmpty()
        && t.back().script() != QChar::Script_Latin && !t.contains(u'，') && !t.contains(u'、')
        && !t.contains(u'。') && !t.contains(u'；');
}

// Years the value counts in its calendar ("2559" for "2016" in Thai's Buddhist era) are
// there: each such pair leaves the difference.
void readYearsOfTheCalendar(NumberDifference &difference, int yearsAhead)
{
    for (qsizetype a = 0; a < difference.added.size();) {
        const std::optional<qint64> year = integerOf(difference.added[a]);
        const auto english = year && *year - yearsAhead >= 1000 && *year - yearsAhead <= 2999
                               ? std::find_if(difference.missing.begin(), difference.missing.end(),
                                              [&](const QString &m) { return integerOf(m) == *year - yearsAhead; })
                               : difference.missing.end();
        if (english == difference.missing.end()) {
            ++a;
            continue;
        }
        difference.missing.erase(english);
        difference.added.removeAt(a);
    }
}

// Takes the English's numbers out of the missing (each as the English writes it, "00"
// before "0000", where a text is given, else by its value) and the value's number at
// `added` out of the added; false, and nothing taken, where one of them is not missing.
bool takenAsTheEnglish(NumberDifference &difference, qsizetype added,
                   std::initializer_list<std::pair<QString, qint64>> numbers)
{
    QStringList missing = difference.missing;
    for (const auto &number : numbers) {
        auto at = number.first.isEmpty() ? missing.end() : std::find(missing.begin(), missing.end(), number.first);
        const qint64 value = number.second;
        if (at == missing.end())
            at = std::find_if(missing.begin(), missing.end(), [value](const QString &m) { return integerOf(m) == value; });
        if (at == missing.end())
            return false;
        missing.erase(at);
    }
    difference.missing = missing;
    difference.added.removeAt(added);
    return true;
}

// The English's times ("00:00 PM", "3:45") that the value writes with its language's
// separator ("0.00", "3.45", "3h45") are there: the hour and minutes leave the missing,
// the value's time the added. Another hour or minute stays a change.
void readTimesOfTheLanguage(NumberDifference &difference, QStringView english)
{
    static const QRegularExpression time(QStringLiteral("(?<![\\d.:])(\\d{1,2}):(\\d{2})(?![\\d.:])"));
    static const QRegularExpression written(QStringLiteral("^(\\d{1,2})[.:h](\\d{2})$"));
    if (std::none_of(difference.added.begin(), difference.added.end(),
                     [](const QString &added) { return written.match(added).hasMatch(); }))
        return;
    std::vector<std::pair<QString, QString>> times; // the hour and the minutes as the English writes them
    for (auto it = time.globalMatch(english.toString()); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        times.emplace_back(m.captured(1), m.captured(2));
    }
    for (qsizetype a = 0; a < difference.added.size() && !times.empty();) {
        const QRegularExpressionMatch m = written.match(difference.added[a]);
        const auto same = !m.hasMatch() ? times.end() : std::find_if(times.begin(), times.end(), [&m](const auto &t) {
            return t.first.toInt() == m.captured(1).toInt() && t.second == m.captured(2);
        });
        if (same == times.end()
            || !takenAsTheEnglish(difference, a, {{same->first, same->first.toInt()}, {same->second, same->second.toInt()}})) {
            ++a;
            continue;
        }
        times.erase(same);
    }
}

// The English's dates written month first ("1/22/2016") that the value writes in its
// language's order ("22.1.2016", "2016-01-22") are there: such a date leaves the
// difference, its three numbers from the missing and the value's date from the added.
// A date that reads as no date day first ("01.22.2016") stays a change.
void readDatesOfTheLanguage(NumberDifference &difference, QStringView english)
{
    struct Date
    {
        int year, month, day;
        bool operator==(const Date &) const = default;
    };
    // Three numbers split by one separator, "." "/" or "-", as digits of any script.
    const auto parts = [](QStringView text, QChar *separator) {
        std::vector<int> numbers;
        int value = -1;
        *separator = QChar();
        for (QChar c : text) {
            if (const int digit = c.digitValue(); digit >= 0) {
                value = (value < 0 ? 0 : value * 10) + digit;
                if (value > 9999)
                    return std::vector<int>();
            } else if ((c == u'.' || c == u'/' || c == u'-') && value >= 0 && (separator->isNull() || *separator == c)) {
                *separator = c;
                numbers.push_back(value);
                value = -1;
            } else {
                return std::vector<int>();
            }
        }
        if (value >= 0)
            numbers.push_back(value);
        return numbers.size() == 3 ? numbers : std::vector<int>();
    };
    const auto valid = [](const Date &d) { return d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= 31; };
    std::vector<Date> englishDates;
    static const QRegularExpression monthFirst(QStringLiteral("\\b(\\d{1,2})/(\\d{1,2})/(\\d{4})\\b"));
    for (auto it = monthFirst.globalMatch(english.toString()); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const Date date{m.captured(3).toInt(), m.captured(1).toInt(), m.captured(2).toInt()};
        if (valid(date))
            englishDates.push_back(date);
    }
    for (qsizetype a = 0; a < difference.added.size() && !englishDates.empty();) {
        QChar separator;
        const std::vector<int> n = parts(difference.added[a], &separator);
        std::optional<Date> date;
        if (n.size() == 3 && n[0] >= 1000)
            date = Date{n[0], n[1], n[2]}; // year first
        else if (n.size() == 3 && n[2] >= 1000)
            date = Date{n[2], n[1], n[0]}; // day first
        const auto same = date && valid(*date) ? std::find(englishDates.begin(), englishDates.end(), *date) : englishDates.end();
        // The date's three numbers, once each, out of the missing ones.
        if (same == englishDates.end()
            || !takenAsTheEnglish(difference, a, {{QString(), same->month}, {QString(), same->day}, {QString(), same->year}})) {
            ++a;
            continue;
        }
        englishDates.erase(same);
    }
}

// The unit of time the English counts with number ("30 minutes", "1 day").
std::optional<NumberWords::TimeUnit> timeUnitAfter(QStringView english, QStringView number)
{
    using Unit = NumberWords::TimeUnit;
    static constexpr std::pair<QStringView, Unit> units[] = {
        {u"second", Unit::Second}, {u"minute", Unit::Minute}, {u"hour", Unit::Hour}, {u"day", Unit::Day},
        {u"week", Unit::Week},     {u"month", Unit::Month},   {u"year", Unit::Year}};
    for (qsizetype at = english.indexOf(number); at >= 0; at = english.indexOf(number, at + 1)) {
        const qsizetype end = at + number.size();
        if ((at > 0 && english[at - 1].isDigit()) || end + 1 >= english.size() || english[end] != u' ')
            continue;
        const QStringView after = english.sliced(end + 1);
        for (const auto &[word, unit] : units) {
            if (!after.startsWith(word, Qt::CaseInsensitive))
                continue;
            qsizetype rest = word.size();
            if (rest < after.size() && (after[rest] == u's' || after[rest] == u'S'))
                ++rest;
            if (rest == after.size() || !after[rest].isLetter())
                return unit;
        }
    }
    return std::nullopt;
}

// A number of the English that a word may say without the number's own word: one
// joined to a word by a hyphen ("Base-10": "decimal", "64-bit"), or a span of time that is a
// round one of a larger unit ("14 days": "two weeks", "90 minutes": "an hour and a half").
bool saidByAWord(QStringView english, QStringView number, qint64 value)
{
    using Unit = NumberWords::TimeUnit;
    for (qsizetype at = english.indexOf(number); at >= 0; at = english.indexOf(number, at + 1)) {
        const qsizetype end = at + number.size();
        if ((at > 0 && english[at - 1].isDigit()) || (end < english.size() && english[end].isDigit()))
            continue;
        if ((end + 1 < english.size() && english[end] == u'-' && english[end + 1].isLetter())
            || (at >= 2 && english[at - 1] == u'-' && english[at - 2].isLetter()))
            return true;
    }
    // The span is round when the number is a multiple of the larger unit, or a quarter, a half or three quarters.
    const std::optional<Unit> unit = timeUnitAfter(english, number);
    const std::optional<NumberWords::LargerUnit> larger = unit ? NumberWords::largerUnit(*unit) : std::nullopt;
    if (!larger)
        return false;
    const qint64 of = larger->of;
    return value % of == 0 || (value * 4 % of == 0 && value * 4 / of <= 3);
}

// An English yes-or-no question written without its question mark ("Is the window
// fullscreen"): a translation that adds one is right, and the English is at fault.
bool unmarkedQuestion(QStringView english)
{
    static const QRegularExpression question(
        QStringLiteral("^(Is|Are|Was|Were|Do|Does|Did|Can|Could|Should|Would|Will|Has|Have|Shall|May) "));
    return question.match(english).hasMatch();
}

// English of four words or more without an end mark: a sentence ("Unable to initialize
// GtkClutter"), which a language that writes its words together closes with its full stop.
bool isSentence(QStringView english)
{
    int words = 0;
    for (qsizetype i = 0; i < english.size(); ++i)
        words += english[i] != u' ' && (i == 0 || english[i - 1] == u' ') ? 1 : 0;
    return words >= 4;
}

// English of punctuation alone (":", " – "): a separator, which each language writes
// its own way ("∶", "." in a time), not the end of a sentence.
bool isSeparator(QStringView english)
{
    return std::none_of(english.begin(), english.end(), [](QChar c) { return c.isLetterOrNumber(); });
}

// An English label that runs on into the field after it ("Leave By", "Convert to"), or
// into what the program appends ("IM account password for "):
// a translation may end it with a colon to say the same. Particles that end a verb
// ("Log in", "Turn on", "Save As") are left out: a button takes no colon.
bool runsIntoItsField(QStringView english)
{
    static const QRegularExpression preposition(
        QStringLiteral("\\b(?:to|by|from|at|with|of|for|into|via|until|as)\\s*$"),
        QRegularExpression::CaseInsensitiveOption);
    return preposition.match(english).hasMatch();
}

// The closing punctuation of a text, as the canonical Latin mark ("." ":" "!" "?" "...");
// empty when it ends with none. Marks of the language's script count as their Latin equivalent.
QStringView endMark(QStringView text, Script script)
{
    const QStringView t = endOfText(text);
    if (t.isEmpty())
        return {};
    const qsizetype n = t.size();
    switch (t.back().unicode()) {
    case u'…':
        return u"...";
    case u'.':
        return n >= 3 && t[n - 2] == u'.' && t[n - 3] == u'.' ? u"..." : u".";
    case u':':
        return u":";
    case u'!':
        return u"!";
    case u'?':
        return u"?";
    case u'。':
        return script == Script::CJK ? u"." : QStringView();
    case u'：':
        return script == Script::CJK ? u":" : QStringView();
    case u'！':
        return script == Script::CJK ? u"!" : QStringView();
    case u'？':
        return script == Script::CJK ? u"?" : QStringView();
    case u'؟':
        return script == Script::Arabic ? u"?" : QStringView();
    case 0x06D4: // Urdu full stop
        return script == Script::Arabic ? u"." : QStringView();
    case u';':
    case 0x037E: // Greek question mark
        return script == Script::Greek ? u"?" : QStringView();
    case 0x0964: // danda
    case 0x0965: // double danda
        return script == Script::Indic ? u"." : QStringView();
    case 0x0589: // Armenian full stop
        return script == Script::Armenian ? u"." : QStringView();
    case 0x1362: // Ethiopic full stop
        return script == Script::Ethiopic ? u"." : QStringView();
    case 0x1367: // Ethiopic question mark
        return script == Script::Ethiopic ? u"?" : QStringView();
    case 0x17D4: // Khmer full stop
        return script == Script::Khmer ? u"." : QStringView();
    case 0x17D6: // Khmer colon
        return script == Script::Khmer ? u":" : QStringView();
    case 0x104B: // Myanmar full stop
        return script == Script::Myanmar ? u"." : QStringView();
    default:
        return {};
    }
}

// A full stop the English lacks that belongs to the translation: an abbreviation's
// ("3 мин.", "Dj.", "%s godz.", a list's last item "год,гады,г.") or that of a sentence the language closes with one
// ("Odštevanje je končano.", "Ni najdenih zadetkov."). A label of one or two words
// that gains one may be a slip.
bool stopIsTheTranslations(QStringView text)
{
    const QStringView t = endOfText(text);
    qsizetype words = 1;
    qsizetype lastSpace = -1;
    // The last word of a list without spaces is its last item ("tydzień,tygodnie,tydz.").
    for (qsizetype i = 0; i < t.size(); ++i)
        if (t[i].isSpace() || t[i] == u',' || t[i] == u'/') {
            words += t[i].isSpace() && i > 0 && !t[i - 1].isSpace() ? 1 : 0;
            lastSpace = i;
        }
    const QStringView lastWord = t.sliced(lastSpace + 1);
    const qsizetype letters = std::count_if(lastWord.begin(), lastWord.end(), [](QChar c) { return c.isLetter(); });
    return letters <= 4 || words >= 3;
}

// Whether a value's end agrees with the reference's mark after all, by its
// language's way of ending a sentence: Armenian writes a full stop as ":" and
// its question and exclamation marks over the last word's stressed vowel.
bool endsAlike(QStringView referenceMark, QStringView referenceText, QStringView valueMark, QStringView text,
               const LanguageTraits &traits)
{
    if (referenceMark == valueMark)
        return true;
    // A sentence that ends calmly where the English exclaims ("Drivers installed
    // successfully!" as "Zainstalowano sterowniki."), as many languages' style asks.
    if (referenceMark == u"!" && valueMark == u".")
        return true;
    // The very character the English ends with, which is no end mark in English
    // ("Maps;" as "Χάρτες;").
    const QStringView end = endOfText(text);
    // The sentence's mark before an aside in brackets that closes the value ("... on
    // the HP website. (HP acquired ...)"): the aside is set after the sentence.
    if (!referenceMark.isEmpty() && valueMark.isEmpty() && !end.isEmpty() && (end.back() == u')' || end.back() == u'）')) {
        const qsizetype open = std::max(end.lastIndexOf(u'('), end.lastIndexOf(u'（'));
        if (open > 0 && endMark(end.first(open), traits.script) == referenceMark)
            return true;
    }
    const QStringView referenceEnd = endOfText(referenceText);
    if (referenceMark.isEmpty() && !end.isEmpty() && !referenceEnd.isEmpty() && end.back() == referenceEnd.back())
        return true;
    if (traits.script == Script::Armenian) {
        if (referenceMark == u"." && valueMark == u":")
            return true;
        const QStringView t = end;
        const qsizetype wordStart = t.lastIndexOf(u' ') + 1;
        const QStringView lastWord = t.sliced(wordStart);
        if ((referenceMark == u"?" && lastWord.contains(QChar(0x055E)))
            || (referenceMark == u"!" && lastWord.contains(QChar(0x055C))))
            return true;
    }
    return !traits.finalStop && referenceMark == u"." && valueMark.isEmpty();
}

// The placeholders of a value by one rule; most values hold none, and then no map is built.
PlaceholderCounts placeholdersOf(QStringView value, PlaceholderRule rule)
{
    const bool mayHold = rule == PlaceholderRule::Percent ? value.contains(u'%') || value.contains(u'\\')
                                                          : value.contains(u'{');
    return mayHold ? countPlaceholders(value, rule) : PlaceholderCounts();
}

QStringView leadingBlanks(QStringView text)
{
    qsizetype n = 0;
    while (n < text.size() && text[n].isSpace())
        ++n;
    return text.first(n);
}

QStringView trailingBlanks(QStringView text)
{
    qsizetype n = 0;
    while (n < text.size() && text[text.size() - 1 - n].isSpace())
        ++n;
    return text.last(n);
}

// Letters outside placeholders: "%d %%" holds none.
bool holdsLetters(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' || text[i] == u'\\') {
            i += (i + 1 < text.size() && text[i + 1] == u'l') ? 2 : 1;
            continue;
        }
        if (text[i].isLetter())
            return true;
    }
    return false;
}

// A name in capitals that writes a letter twice ("QQ", "WWW", "SSL"): a
// translation may spell its letters out, and then says one of them twice.
bool holdsDoubledLetters(QStringView text)
{
    for (qsizetype i = 1; i < text.size(); ++i)
        if (text[i] == text[i - 1] && text[i].isUpper()
            && (i + 1 >= text.size() || !text[i + 1].isLower()) && (i < 2 || !text[i - 2].isLower()))
            return true;
    return false;
}

// True when each unnumbered placeholder stands in a part of its own with a label
// ("(migrated %d, missing: %d, failed: %d)"), in a sentence or on a line of its own,
// is an item of a list ("%s, %s and %s"),
// or is a measure ("%s h %s min"), a time or a host and its port ("%s:%s", "%s:%d"),
// or names the program before a colon as a command line's messages do ("%s: invalid
// mode [%s]"): a translation keeps each where it is and has nothing to reorder.
bool placeholdersLabelled(QStringView original)
{
    static const QString placeholder = QStringLiteral("%(?:h|l{1,2})?[diouxXscfeEgGp]");
    static const QRegularExpression programName(QStringLiteral("^\\s*") + placeholder + QStringLiteral(":"));
    static const QRegularExpression time(placeholder + QStringLiteral("[:.](?=") + placeholder + u')');
    // Numbers, each with its unit ("%s h %s min", "%d KB"), and nothing else.
    static const QRegularExpression measure(QStringLiteral("^\\s*(?:") + placeholder
                                                + QStringLiteral(" ?[^\\W\\d_]{1,3}\\.?[\\s,]*)+$"),
                                            QRegularExpression::UseUnicodePropertiesOption);
    // A placeholder that is an attribute's value (<a href="%s">%s</a>) stays with its attribute.
    static const QRegularExpression attributeValue(QStringLiteral("=\\s*([\"'])") + placeholder + QStringLiteral("\\1"));
    QString stripped = original.toString();
    stripped.remove(programName).remove(time).remove(attributeValue);
    if (measure.match(stripped).hasMatch())
        return true;
    // The fields of a record, set apart by punctuation rather than joined by words
    // ("U+%s, %s: %s", "%s %g — %g, default %g", "%s (%s only)", "%i × %i pixel  %s"); a
    // name and its number may stand apart by a blank alone.
    {
        static const QRegularExpression any(placeholder);
        qsizetype previousStart = -1;
        qsizetype previousEnd = -1;
        bool record = true;
        int fields = 0;
        for (QRegularExpressionMatchIterator it = any.globalMatch(stripped); it.hasNext() && record;) {
            const QRegularExpressionMatch m = it.next();
            if (previousEnd >= 0) {
                const QStringView gap = QStringView(stripped).sliced(previousEnd, m.capturedStart() - previousEnd);
                // A width and its height ("%s x %s") are a record too, and so are columns
                // set apart by two blanks or more.
                const bool punctuated = std::any_of(gap.begin(), gap.end(),
                                                    [](QChar c) { return QStringView(u",;:()[]—–|/×").contains(c); })
                    || gap.trimmed() == u"x" || gap.contains(u"  ");
                const bool nameAndNumber = gap.trimmed().isEmpty() && !gap.isEmpty()
                    && QStringView(u"diufgeEG").contains(stripped[m.capturedEnd() - 1]);
                // The items of a list ("%s and %s", "%s, %s or %s"): no language needs them
                // in another order.
                QStringView joined = gap.trimmed();
                if (joined.startsWith(u','))
                    joined = joined.sliced(1).trimmed();
                const bool listItems = joined == u"and" || joined == u"or";
                // The two ends of a range ("%u-%u", "%d ~ %d", "0x%lX - 0x%lX", "from %s to %s")
                // keep their order in any language.
                const QStringView between = (joined.endsWith(u"0x") ? joined.chopped(2) : joined).trimmed();
                const QStringView before = QStringView(stripped).first(previousStart).trimmed();
                const bool range = between == u"-" || between == u"~"
                    || (between == u"to" && before.endsWith(u"from", Qt::CaseInsensitive)
                        && (before.size() == 4 || !before[before.size() - 5].isLetter()));
                record = punctuated || nameAndNumber || listItems || range;
            }
            previousStart = m.capturedStart();
            previousEnd = m.capturedEnd();
            ++fields;
        }
        if (record && fields >= 2)
            return true;
    }
    const QStringView text(stripped);
    qsizetype start = 0;
    bool lineStart = true;
    bool labelBefore = false; // the part before is words that an opening bracket ends ("mode [%s]")
    bool sentenceBefore = false; // the part before ended a sentence ("… interface. %s")
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool newline = i + 1 < text.size() && text[i] == u'\\' && text[i + 1] == u'n';
        const bool sentenceEnd = i + 1 < text.size() && text[i] == u'.' && text[i + 1] == u' ';
        if (i < text.size() && !newline && !sentenceEnd && !QStringView(u",;()[]|/").contains(text[i]))
            continue;
        const QStringView part = text.sliced(start, i - start);
        const qsizetype placeholders = unnumberedPlaceholders(part).size();
        // A placeholder alone on a line, or alone as the last sentence (what the program appends,
        // such as an error's own message), keeps its place.
        const bool line = (lineStart || sentenceBefore) && (newline || i == text.size());
        if (placeholders > 1 || (placeholders == 1 && !holdsLetters(part) && !line && !labelBefore))
            return false;
        sentenceBefore = sentenceEnd;
        labelBefore = placeholders == 0 && holdsLetters(part) && i < text.size() && (text[i] == u'(' || text[i] == u'[');
        lineStart = newline;
        start = i + (newline ? 2 : 1);
        i += newline ? 1 : 0;
    }
    return true;
}

} // namespace

int ProductReport::count(FindingSeverity severity) const
{
    int n = 0;
    for (const LanguageReport &language : languages)
        n += severity == FindingSeverity::Error ? language.errors
           : severity == FindingSeverity::Warning ? language.warnings
                                                  : language.infos;
    for (const Finding &finding : productFindings)
        n += finding.severity == severity ? 1 : 0;
    return n;
}

bool CheckOptions::wants(const QString &check) const
{
    return (only.isEmpty() ? isDefaultCheck(check) : only.contains(check)) && !ignore.contains(check);
}

bool CheckOptions::wants(Check check) const
{
    return wants(checkInfo(check).id);
}

bool isBlankValue(QStringView value)
{
    return trimProfileSpace(valueText(value)).isEmpty();
}

QString placeholderMessage(QStringView value, QStringView reference, int attributeIndex)
{
    const PlaceholderRule rule = placeholderRuleFor(idOfIndex(attributeIndex));
    return countsMessage(countPlaceholders(value, rule), countPlaceholders(reference, rule), value, reference);
}

QString markedErrorText(int untranslatedWithPlaceholders, int checkErrors)
{
    const QLocale english(QLocale::English);
    QString text = QStringLiteral("%1 marked ERROR").arg(english.toString(untranslatedWithPlaceholders + checkErrors));
    QStringList parts;
    if (untranslatedWithPlaceholders > 0)
        parts << QStringLiteral("%1 untranslated with placeholders").arg(english.toString(untranslatedWithPlaceholders));
    parts << QStringLiteral("%1 %2").arg(english.toString(checkErrors),
                                        checkErrors == 1 ? QStringLiteral("check error") : QStringLiteral("check errors"));
    return text + QStringLiteral(": ") + parts.join(QStringLiteral(", "));
}

ReferenceFacts::ReferenceFacts(QStringView reference, int attributeIndex)
    : value(reference)
    , text(valueText(reference))
    , rule(placeholderRuleFor(idOfIndex(attributeIndex)))
    , placeholders(countPlaceholders(reference, rule))
    , otherPlaceholders(countPlaceholders(reference, rule == PlaceholderRule::Percent ? PlaceholderRule::Brace
                                                                                       : PlaceholderRule::Percent))
    , blank(isBlankValue(reference))
    , endMark(Glossa::endMark(text, Script::Latin))
    , leading(leadingBlanks(text))
    , trailing(trailingBlanks(text))
    , numbers(numbersOf(text))
    , plainNumbers(plainNumbersOf(text, numbers))
    , links(linksOf(text))
    , tags(tagsOf(text))
    , tagsNested(Glossa::tagsNested(tags))
    , repeats(!repeatedWord(text, u"").isEmpty()
              || (text.contains(u'-') && !repeatedWord(text.toString().replace(u'-', u' '), u"").isEmpty()))
    , doubleSpace(hasInnerDoubleSpace(text))
    , doubledLetters(holdsDoubledLetters(text))
{
    for (const QChar sign : {QChar(u'&'), QChar(u'_')})
        if (acceleratorSign.isNull() && text.contains(sign) && acceleratorMarks(text, sign) == 1)
            acceleratorSign = sign;
}

std::vector<Finding> checkValue(QStringView value, QStringView reference, int attributeIndex,
                                const QString &languageName, bool isMaster, const CheckOptions &options)
{
    return checkValue(value, ReferenceFacts(reference, attributeIndex), languageName, isMaster, options);
}

namespace {

// Which of the value checks that read the whole value are wanted: asked once
// per language, not once per value, and a check not wanted costs nothing.
struct WantedValueChecks
{
    explicit WantedValueChecks(const CheckOptions &options)
        : numbers(options.wants(Check::Numbers))
        , repeatedWord(options.wants(Check::RepeatedWord))
        , doubleSpace(options.wants(Check::DoubleSpace))
        , urls(options.wants(Check::Urls))
        , tags(options.wants(Check::Tags))
    {
    }
    bool numbers;
    bool repeatedWord;
    bool doubleSpace;
    bool urls;
    bool tags;
};

std::vector<Finding> checkValueIn(QStringView value, const ReferenceFacts &reference, const QString &languageName,
                                  const LanguageTraits &traits, bool isMaster, const CheckOptions &options,
                                  const WantedValueChecks &wanted)
{
    std::vector<Finding> found;
    // A finding of the check's own severity, or of another one the check gives
    // where a rule cannot tell.
    auto addAs = [&](Check check, FindingSeverity severity, const QString &message) {
        if (!options.wants(check))
            return;
        Finding finding;
        finding.check = checkInfo(check).id;
        finding.severity = severity;
        finding.language = languageName;
        finding.message = message;
        found.push_back(std::move(finding));
    };
    auto add = [&](Check check, const QString &message) { addAs(check, checkInfo(check).severity, message); };

    const qsizetype quotes = value.count(u'"');
    if (quotes % 2 != 0)
        add(Check::OddQuotes,
            QStringLiteral("the value holds an odd number of double quotes (%1): Save asks about it").arg(quotes));
    if (isMaster) {
        // The master's own texts: what makes them hard to translate.
        if (value.count(u'%') >= 2) {
            const QStringList unnumbered = unnumberedPlaceholders(valueText(value));
            // Placeholders with punctuation alone between them ("%s–%s") have no words to reorder.
            if (unnumbered.size() >= 2 && !placeholdersLabelled(valueText(value)) && holdsLetters(valueText(value)))
                add(Check::SourcePlaceholders,
                    QStringLiteral("%1 unnumbered placeholders (%2): a translation cannot change their order; numbered "
                                   "placeholders or a text split in two would let it")
                        .arg(unnumbered.size())
                        .arg(unnumbered.join(QStringLiteral(", "))));
        }
        return found;
    }
    if (isBlankValue(value))
        return found;

    // The editor's rule (what CheckPlaceholders compares), on the values as the files hold them.
    const PlaceholderCounts counts = placeholdersOf(value, reference.rule);
    if (counts != reference.placeholders) {
        PlaceholderFault fault =
            placeholderFault(valueText(value), counts, reference.text, reference.placeholders, reference.rule);
        if (fault.percentWordMayStand && !traits.bcp47.isEmpty()
            && NumberWords::forLanguage(traits.bcp47).saysPercent(valueText(value)))
            fault.severity.reset();
        if (fault.severity)
            addAs(Check::Placeholders, *fault.severity, fault.message);
        else if (options.explainMarks)
            addAs(Check::Placeholders, FindingSeverity::Info, fault.message);
    }
    // What that rule passes by design: the other kind of placeholder.
    const PlaceholderCounts other = placeholdersOf(
        value, reference.rule == PlaceholderRule::Percent ? PlaceholderRule::Brace : PlaceholderRule::Percent);
    if (other != reference.otherPlaceholders)
        add(Check::Braces, countsMessage(other, reference.otherPlaceholders));

    const QStringView text = valueText(value);
    if (!reference.blank) {
        // A language without spaces between its words needs none where the English joins its words to others;
        // French puts one before a high mark the English starts with (" :").
        const bool leading = leadingBlanks(text) != reference.leading && !(traits.wordsTogether && leadingBlanks(text).isEmpty())
            && !(traits.spacedMarks && reference.leading.isEmpty() && !reference.text.isEmpty()
                 && QStringView(u":;!?").contains(reference.text.front()) && text.trimmed().startsWith(reference.text.front()));
        const bool trailing = trailingBlanks(text) != reference.trailing && !(traits.wordsTogether && trailingBlanks(text).isEmpty());
        if (leading || trailing)
            add(Check::Whitespace,
                leading && trailing ? QStringLiteral("the blanks at the start and at the end differ from the reference's")
                : leading           ? QStringLiteral("the blanks at the start differ from the reference's")
                                    : QStringLiteral("the blanks at the end differ from the reference's"));

        const QStringView valueMark = endMark(text, traits.script);
        const bool stopAdded = reference.endMark.isEmpty() && valueMark == u".";
        // The mark may end a name the English holds too ("Yahoo!"), or a question the
        // English wrote without its mark.
        auto markOfAName = [&] {
            const QStringView end = endOfText(text);
            const QStringView lastWord = end.sliced(end.lastIndexOf(u' ') + 1);
            return lastWord.size() > valueMark.size() && reference.text.contains(lastWord);
        };
        if (!endsAlike(reference.endMark, reference.text, valueMark, text, traits)
            && !(stopAdded && (stopIsTheTranslations(text) || (traits.wordsTogether && isSentence(reference.text))))
            && !(reference.endMark == u"." && valueMark.isEmpty() && shortPhrase(text, traits))
            && !(reference.endMark.isEmpty() && valueMark == u"...") && !isSeparator(reference.text)
            && !(reference.endMark.isEmpty() && (markOfAName() || (valueMark == u"?" && unmarkedQuestion(reference.text))
                                                  || (valueMark == u":" && runsIntoItsField(reference.text))))) {
            // A full stop on a short label, or a question or exclamation mark a
            // language that ends its UI text with none leaves out, may well be right;
            // so may an exclamation said calmly with no mark at all ("Unknown key
            // type!" as "Tipo de clave desconocido"), as with a full stop.
            const bool mayBeRight = stopAdded || (!traits.finalStop && valueMark.isEmpty())
                || (reference.endMark == u"!" && valueMark.isEmpty());
            const FindingSeverity severity = mayBeRight ? FindingSeverity::Info : FindingSeverity::Warning;
            if (reference.endMark.isEmpty())
                addAs(Check::EndPunctuation, severity,
                    QStringLiteral("the value ends with \"%1\", the reference with no such mark").arg(valueMark.toString()));
            else
                addAs(Check::EndPunctuation, severity,
                    QStringLiteral("the reference ends with \"%1\", the value %2")
                        .arg(reference.endMark.toString(), valueMark.isEmpty() ? QStringLiteral("with no such mark")
                                                                    : QStringLiteral("with \"%1\"").arg(valueMark.toString())));
        }
    }
    if (!reference.blank) {
        // A value that holds each of the reference's numbers as the reference
        // writes them needs no reading of its own numbers.
        if (wanted.numbers && !reference.numbers.isEmpty()
            && !holdsPlainNumbers(text, reference.plainNumbers)) {
            // Without numbered placeholders in the English, "%100" is a number with its percent sign.
            const bool percentSigns = !holdsNumberedPlaceholder(reference.placeholders);
            NumberDifference difference = numberDifference(text, reference.text, reference.numbers, percentSigns);
            if (!difference.added.isEmpty() && traits.yearsAhead)
                readYearsOfTheCalendar(difference, traits.yearsAhead);
            if (!difference.added.isEmpty() && reference.text.contains(u'/'))
                readDatesOfTheLanguage(difference, reference.text);
            if (!difference.added.isEmpty() && reference.text.contains(u':'))
                readTimesOfTheLanguage(difference, reference.text);
            // A number the value writes as a word of its language is there.
            QStringList missing;
            bool onlyOneOrTwo = true;
            bool saidOtherwise = true;
            // "[-1,1]" for "[-1, 1]": the same digits, grouped otherwise.
            const bool regrouped = digitRuns(difference.missing) == digitRuns(difference.added);
            for (const QString &number : difference.missing) {
                if (regrouped)
                    break;
                const std::optional<qint64> integer = integerOf(number);
                // A word made from the number's word ("dešimtainė" for the 10 of "Base-10") says
                // it too, where no other digit stands in its place.
                // So does the form of a unit that means one or two of it ("דקה" for "1 minute"), or
                // a larger unit the span is a round part of ("einer Woche" for "7 days").
                if (integer && !traits.bcp47.isEmpty()) {
                    NumberWords &words = NumberWords::forLanguage(traits.bcp47);
                    if (words.spells(text, *integer)
                        || (difference.added.isEmpty() && words.derives(text, *integer)))
                        continue;
                    const std::optional<NumberWords::TimeUnit> unit =
                        difference.added.isEmpty() ? timeUnitAfter(reference.text, number) : std::nullopt;
                    if (unit && words.saysSpan(text, *integer, *unit))
                        continue;
                }
                missing.append(number);
                onlyOneOrTwo = onlyOneOrTwo && integer && *integer >= 1 && *integer <= 2;
                saidOtherwise = saidOtherwise && integer && saidByAWord(reference.text, number, *integer);
            }
            const QString list = missing.join(QStringLiteral(" and "));
            if (missing.isEmpty()) {
            } else if (!difference.added.isEmpty()) {
                // A text that is a number and nothing else ("7") is a setting each language
                // makes its own (a label's width in letters), not a number the text says.
                const auto numberAlone = [](QStringView t) {
                    t = trimProfileSpace(t);
                    return !t.isEmpty() && std::all_of(t.begin(), t.end(), [](QChar c) {
                        return (c >= u'0' && c <= u'9') || c == u'.' || c == u',';
                    });
                };
                const bool setting = numberAlone(reference.text) && numberAlone(text);
                addAs(Check::Numbers, setting ? FindingSeverity::Info : checkInfo(Check::Numbers).severity,
                    QStringLiteral("the reference's %1 %2 changed to %3 in the value%4")
                        .arg(list, missing.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                             difference.added.join(QStringLiteral(" and ")),
                             setting ? QStringLiteral(": a text that is a number alone may be a setting each "
                                                      "language makes its own")
                                     : QString()));
            } else {
                // "1 year" as a singular noun, "2 weeks" as a dual: the form may say the number;
                // "Base-10" as "decimal", "7 days" as "a week": a word may.
                addAs(Check::Numbers, onlyOneOrTwo || saidOtherwise ? FindingSeverity::Info : FindingSeverity::Warning,
                    QStringLiteral("the reference's %1 %2 not in the value%3")
                        .arg(list, missing.size() == 1 ? QStringLiteral("is") : QStringLiteral("are"),
                             saidOtherwise  ? QStringLiteral(", in digits or as a word: a word of the language "
                                                             "(\"decimal\", \"a week\") may say it")
                             : onlyOneOrTwo ? QStringLiteral(", in digits or as a word: a singular or dual form may say it")
                                            : QString()));
            }
        }
        bool twoSpaces = true;
        if (wanted.repeatedWord && !reference.repeats) {
            const QStringView word = repeatedWord(text, languageName, &twoSpaces);
            // Letters the English writes twice ("QQ") spelled out one by one are no fault;
            // a language that doubles words on purpose may mean the repeat.
            // A word the English holds too may be one of its symbols beside the language's
            // own word ("vrednosti i i -i" for "values i and -i").
            const bool symbol = !word.isEmpty() && holdsWholeWord(reference.text, word);
            // A letter's name is short ("كيو" for the Q of "QQ"); "Servidors Servidors" for
            // "HTTP Key Server" is a word said twice.
            const bool spelledLetter = reference.doubledLetters && word.size() <= 4 && !symbol;
            if (!word.isEmpty() && !spelledLetter)
                addAs(Check::RepeatedWord, traits.reduplicates || symbol ? FindingSeverity::Info : FindingSeverity::Warning,
                    traits.reduplicates ? QStringLiteral("\"%1\" stands twice in a row, which the language may mean").arg(word.toString())
                    : symbol ? QStringLiteral("\"%1\" stands twice in a row, and the reference has it as a word of its own: "
                                              "one may be the reference's").arg(word.toString())
                             : QStringLiteral("\"%1\" stands twice in a row").arg(word.toString()));
        }
        if (wanted.doubleSpace && !reference.doubleSpace && twoSpaces && hasInnerDoubleSpace(text))
            add(Check::DoubleSpace,
                QStringLiteral("two spaces in a row, where the reference has none"));
        QStringList lost;
        bool linksJudged = false; // a link of the reference's is changed, and the urls check has judged it
        if (wanted.urls && !reference.links.isEmpty()) {
            for (const QString &link : reference.links)
                if (!text.contains(link))
                    lost.append(link);
            if (!lost.isEmpty()) {
                linksJudged = true;
                const QStringList given = linksOf(text);
                lost.removeIf([&](const QString &link) { return linkGivenOtherwise(link, given, reference.links); });
            }
            if (!lost.isEmpty())
                add(Check::Urls,
                    QStringLiteral("the reference's %1 %2 not in the value unchanged")
                        .arg(lost.join(QStringLiteral(", ")),
                             lost.size() == 1 ? QStringLiteral("is") : QStringLiteral("are")));
        }
        if (wanted.tags && (!reference.tags.empty() || text.contains(u'<'))) {
            TagRules rules;
            rules.emphasisAlike = !traits.italics;
            rules.linkReported = linksJudged;
            bool emphasisLeftOut = false;
            const QString why = tagsMessage(text, reference.tags, reference.tagsNested, rules, &emphasisLeftOut);
            if (emphasisLeftOut)
                addAs(Check::Tags, FindingSeverity::Info,
                      why + QStringLiteral(" (the script has no italics: the translation may emphasise otherwise)"));
            else if (!why.isEmpty())
                add(Check::Tags, why);
        }
        if (!reference.acceleratorSign.isNull() && options.wants(Check::Accelerators)) {
            // A second mark ("S_am _uvlačenje") shows as an underscore or takes a letter
            // another item of the menu may need.
            if (const int marks = acceleratorMarks(text, reference.acceleratorSign); marks >= 2)
                add(Check::Accelerators, QStringLiteral("the value marks %1 letters with \"%2\" as accelerators, the "
                                                        "reference one: a label takes one")
                                             .arg(marks)
                                             .arg(reference.acceleratorSign));
        }
    }
    if (text == reference.text && holdsLetters(text))
        add(Check::Unchanged, QStringLiteral("the value is the same as the reference"));
    return found;
}

} // namespace

std::vector<Finding> checkValue(QStringView value, const ReferenceFacts &reference, const QString &languageName,
                                bool isMaster, const CheckOptions &options)
{
    // The editor checks its rows one at a time, all of one language: the language's
    // traits are worked out once per thread and language, not once per value.
    thread_local bool known = false;
    thread_local QString traitsLanguage;
    thread_local LanguageTraits traits;
    if (!known || traitsLanguage != languageName) {
        traits = traitsOf(languageName);
        traitsLanguage = languageName;
        known = true;
    }
    return checkValueIn(value, reference, languageName, traits, isMaster, options,
                        WantedValueChecks(options));
}

bool CheckEngine::open(const QString &productDirectory)
{
    m_error.clear();
    m_present.clear();
    m_names.clear();
    m_masterValues.clear();
    m_indexByName.clear();
    m_indexByFoldedName.clear();
    m_indexFindings.clear();

    const QFileInfo product(productDirectory);
    if (!product.exists()) {
        m_error = QStringLiteral("The product directory \"%1\" does not exist.").arg(productDirectory);
        return false;
    }
    if (!product.isDir()) {
        m_error = QStringLiteral("\"%1\" is a file, not a product directory.").arg(productDirectory);
        return false;
    }
    m_product = product.absoluteFilePath();
    const QFileInfo languageDir(m_product + LanguageDirName);
    if (!languageDir.isDir()) {
        m_error = QStringLiteral("\"%1\" has no language directory.").arg(m_product);
        return false;
    }
    const QString masterPath = languageDir.absoluteFilePath() + u'/' + MasterLanguageFileName;
    if (!QFileInfo(masterPath).isFile()) {
        m_error = QStringLiteral("The master file \"language/%1\" is missing.").arg(MasterLanguageFileName);
        return false;
    }
    ProfileFile master(masterPath);
    master.requireSection(TextSectionName);
    if (!master.load()) {
        m_error = QStringLiteral("The master file \"language/%1\" cannot be read: %2").arg(MasterLanguageFileName, master.error());
        return false;
    }
    if (const QString why = master.undecodableReason(); !why.isEmpty()) {
        m_error = QStringLiteral("The master file \"language/%1\" cannot be read as text: %2.").arg(MasterLanguageFileName, why);
        return false;
    }
    m_masterLines.clear();
    master.forEachEntryLine(TextSectionName, [&](QStringView key, QStringView value, int line) {
        m_masterLines.push_back(line);
        const QString name = key.toString();
        const int index = int(m_names.size());
        if (!m_indexByName.contains(name))
            m_indexByName.insert(name, index);
        const QString folded = name.toCaseFolded();
        if (!m_indexByFoldedName.contains(folded))
            m_indexByFoldedName.insert(folded, index);
        m_names.append(name);
        m_masterValues.append(value.toString());
    });
    m_acceptedWords = std::make_shared<AcceptedWords>();
    m_viewIndex = std::make_shared<ViewIndex>();
    m_viewIndex->reserve(size_t(m_names.size()));
    for (int i = int(m_names.size()) - 1; i >= 0; --i)
        (*m_viewIndex)[QStringView(m_names[i])] = i; // the lowest index wins
    m_firstIndex.clear();
    for (int i = 0; i < m_names.size(); ++i)
        m_firstIndex.push_back(m_indexByName.value(m_names[i]));
    m_facts = std::make_shared<CheckFacts>();
    // Attributes whose English text another attribute shares, numbered by
    // text, so that a language's check compares their translations without
    // hashing its values. A key the master repeats is checked at its first line only.
    m_referenceGroup.assign(size_t(m_names.size()), -1);
    m_referenceGroups = 0;
    QHash<QStringView, int> firstWithText; // trimmed English text -> its first attribute
    firstWithText.reserve(m_names.size());
    for (int i = 0; i < m_names.size(); ++i) {
        if (m_firstIndex[size_t(i)] != i)
            continue;
        const QStringView text = trimProfileSpace(valueText(m_masterValues[i]));
        // One letter ("S" for Sunday and Saturday) means what its key says; placeholders
        // and punctuation alone ("%s, %s") are a format each place may write its own way.
        if (text.size() <= 1 || !holdsLetters(text))
            continue;
        const auto it = firstWithText.constFind(text);
        if (it == firstWithText.cend()) {
            firstWithText.insert(text, i);
            continue;
        }
        int &group = m_referenceGroup[size_t(it.value())];
        if (group < 0)
            group = m_referenceGroups++;
        m_referenceGroup[size_t(i)] = group;
    }
    if (m_names.isEmpty()) {
        m_error = QStringLiteral("The master file \"language/%1\" holds no attributes in its [%2] section.")
                      .arg(MasterLanguageFileName, TextSectionName);
        return false;
    }

    // The languages the program would list after its start-up synchronisation.
    const LanguageIndexPlan plan = PlanLanguageIndexSync(m_product, LanguageDirName, WebDirName);
    const QString indexFile = QStringLiteral("language/") + LanguageIndexFileName;
    auto indexFinding = [&](const QString &message) {
        Finding finding;
        finding.check = checkInfo(Check::Index).id;
        finding.severity = checkInfo(Check::Index).severity;
        finding.file = indexFile;
        finding.message = message;
        m_indexFindings.push_back(std::move(finding));
    };
    PresentLanguageSet present = plan.present;
    if (!plan.readable) {
        indexFinding(plan.error);
        // Without an index, the language files themselves say which languages there are.
        const QStringList files = QDir(languageDir.absoluteFilePath())
                                      .entryList({QStringLiteral("*.ini")}, QDir::Files | QDir::CaseSensitive);
        for (const QString &file : files) {
            const QString code = LocaleCatalogue::CodeForDisplayName(file.chopped(4));
            for (int row = 0; !code.isEmpty() && row < LocaleCatalogue::RowCount(); ++row)
                if (LocaleCatalogue::RowAt(row).localeCode == code)
                    present.insert(row);
        }
    }
    for (const QString &change : plan.changes)
        indexFinding(change);
    bool masterListed = false;
    for (int row : present) {
        const QString name = LocaleCatalogue::DisplayNameAt(row);
        masterListed = masterListed || LanguageStore::fileNameFor(name) == MasterLanguageFileName;
        m_present.append(name);
    }
    if (!masterListed)
        m_present.prepend(MasterLanguageFileName.chopped(4));
    return true;
}

const std::vector<ReferenceFacts> &CheckEngine::references() const
{
    static const std::vector<ReferenceFacts> none;
    if (!m_facts)
        return none; // never opened
    std::call_once(m_facts->made, [this] {
        std::vector<ReferenceFacts> &references = m_facts->references;
        references.reserve(size_t(m_masterValues.size()));
        for (int i = 0; i < int(m_masterValues.size()); ++i)
            references.emplace_back(m_masterValues[i], i);
    });
    return m_facts->references;
}

const QSet<QString> &CheckEngine::acceptedWords() const
{
    std::call_once(m_acceptedWords->read, [this] {
        QSet<QString> &words = m_acceptedWords->words;
        // Product names and terms the English uses are right in every language.
        for (const QString &value : m_masterValues)
            for (const QString &word : spellingWords(valueText(value)))
                words.insert(word);
        for (const QString &word : SpellChecker::readWordList(m_product + QStringLiteral("/glossa-words.txt")))
            words.insert(word);
    });
    return m_acceptedWords->words;
}

QString CheckEngine::resolveLanguage(const QString &nameOrCode) const
{
    if (m_present.contains(nameOrCode))
        return nameOrCode;
    const QString byCode = LocaleCatalogue::DisplayNameForCode(nameOrCode.toLower());
    return m_present.contains(byCode) ? byCode : QString();
}

LanguageReport CheckEngine::checkLanguage(const QString &displayName, const CheckOptions &options) const
{
    LanguageReport report;
    report.name = displayName;
    report.code = LocaleCatalogue::CodeForDisplayName(displayName);
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row)
        if (LocaleCatalogue::DisplayNameAt(row) == displayName)
            report.catalogueRow = row;
    report.file = relativeFileOf(displayName);
    report.isMaster = LanguageStore::fileNameFor(displayName) == MasterLanguageFileName;
    const int count = int(m_names.size());
    report.attributes = count;

    auto add = [&](Check check, int line, const QString &key, const QString &message) {
        if (!options.wants(check))
            return;
        const CheckInfo &info = checkInfo(check);
        report.findings.push_back({info.id, info.severity, displayName, report.file, line, key, message});
    };

    const QString path = m_product + u'/' + report.file;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        report.encoding = QStringLiteral("missing");
        report.missing = count;
        add(Check::MissingKey, 0, {},
            QStringLiteral("the language has no file: all %1 attributes are missing until the next start creates it with every attribute blank").arg(count));
    } else {
        ProfileFile file(path);
        file.requireSection(TextSectionName);
        const bool loaded = !info.isDir() && file.load() && file.exists();
        const QString undecodable = loaded ? file.undecodableReason() : QString();
        if (loaded && !undecodable.isEmpty()) {
            // Whatever the bytes would read as is no translation: no value check runs on them.
            report.readable = false;
            report.encoding = QStringLiteral("undecodable");
            report.missing = count;
            add(Check::Undecodable, 0, {},
                QStringLiteral("the file cannot be read as text (%1): no save, import or synchronisation writes it until it is mended")
                    .arg(undecodable));
        } else if (!loaded) {
            report.readable = false;
            report.encoding = QStringLiteral("missing");
            report.missing = count;
            add(Check::Unreadable, 0, {},
                info.isDir() ? QStringLiteral("the file is a directory")
                             : file.error().isEmpty() ? QStringLiteral("the file cannot be read") : file.error());
        } else {
            report.encoding = encodingId(file.format().encoding);
            switch (file.format().encoding) {
            case TextEncoding::Utf8Bom:
                add(Check::Encoding, 0, {},
                    QStringLiteral("UTF-8 with a byte-order mark: the product's Windows readers break its first line"));
                break;
            case TextEncoding::Legacy8Bit:
                add(Check::Encoding, 0, {},
                    QStringLiteral("a legacy 8-bit file (read as Windows-1252): the product reads it in the system's code page"));
                break;
            default:
                break;
            }
            if (file.hasUndecodableBytes())
                add(Check::Encoding, 0, {},
                    QStringLiteral("some bytes of the file do not decode as text"));

            // Values are views into the file's text, kept only while the file is.
            std::vector<QStringView> values(static_cast<size_t>(count));
            std::vector<int> lines(static_cast<size_t>(count), 0);
            std::unordered_map<QStringView, int, NameHash, NameEqual> redundantLines;
            const auto &index = *m_viewIndex;
            bool nonAscii = false;
            const bool utf8 = file.format().encoding == TextEncoding::Utf8;
            int expected = 0;
            file.forEachEntryLine(TextSectionName, [&](QStringView key, QStringView value, int line) {
                if (utf8 && !nonAscii)
                    nonAscii = std::any_of(value.begin(), value.end(), [](QChar c) { return c.unicode() > 0x7F; })
                            || std::any_of(key.begin(), key.end(), [](QChar c) { return c.unicode() > 0x7F; });
                // Files usually follow the master's order, so the next attribute is tried first.
                int at = -1;
                if (expected < count && m_names[expected] == key) {
                    at = expected;
                } else {
                    const auto it = index.find(key);
                    if (it != index.end())
                        at = it->second;
                }
                if (at >= 0) {
                    expected = at + 1;
                    if (lines[size_t(at)] == 0) {
                        lines[size_t(at)] = line;
                        values[size_t(at)] = value;
                    } else {
                        add(Check::DuplicateKey, line, key.toString(),
                            QStringLiteral("a second line of the key: only the line %1 is read").arg(lines[size_t(at)]));
                    }
                    return;
                }
                const auto [it, fresh] = redundantLines.try_emplace(key, line);
                if (!fresh) {
                    add(Check::DuplicateKey, line, key.toString(),
                        QStringLiteral("a second line of the key: only the line %1 is read").arg(it->second));
                    return;
                }
                ++report.redundant;
                const QString name = key.toString();
                const bool quoted = name.size() > 2 && name.front() == u'"' && name.back() == u'"';
                const auto folded = m_indexByFoldedName.constFind(
                    (quoted ? name.sliced(1, name.size() - 2) : name).toCaseFolded());
                if (quoted && folded != m_indexByFoldedName.cend())
                    add(Check::RedundantKey, line, name,
                        QStringLiteral("a key the master lacks: it is %1 written in quotes, which the product reads as "
                                       "another key; the next save deletes it and its translation")
                            .arg(m_names[folded.value()]));
                else if (folded != m_indexByFoldedName.cend())
                    add(Check::RedundantKey, line, name,
                        QStringLiteral("a key the master lacks; it differs from %1 only in letter case: most likely a "
                                       "mistyped key whose translation the next save deletes")
                            .arg(m_names[folded.value()]));
                else
                    add(Check::RedundantKey, line, name,
                        QStringLiteral("a key the master lacks: the next save deletes it"));
            });
            if (nonAscii)
                add(Check::Encoding, 0, {},
                    QStringLiteral("UTF-8 without a byte-order mark holding non-ASCII text: the product's Windows readers "
                                   "read it in the system's code page"));

            std::unique_ptr<SpellChecker> speller;
            if (!report.isMaster && options.wants(Check::Spelling)) {
                const QString tag = LocaleCatalogue::Bcp47ForDisplayName(displayName);
                speller = std::make_unique<SpellChecker>(tag);
                if (!speller->isValid()) {
                    add(Check::Spelling, 0, {},
                        QStringLiteral("no spelling dictionary for %1").arg(tag.isEmpty() ? displayName : tag));
                    speller.reset();
                } else {
                    speller->acceptAll(acceptedWords());
                    speller->acceptAll(SpellChecker::readWordList(SpellChecker::userDictionaryPath(tag)));
                }
            }
            const QSet<QString> stale = options.staleKeys.value(displayName);
            const ValueCheckSource::Checker more =
                options.valueChecks && !report.isMaster ? options.valueChecks->forLanguage(displayName)
                                                        : ValueCheckSource::Checker();
            std::vector<Finding> moreFound;
            const LanguageTraits traits = traitsOf(displayName);
            // A group of attributes with one English text -> the first of them translated.
            std::vector<int> firstTranslation(size_t(m_referenceGroups), -1);
            const bool wantsInconsistent = !report.isMaster && options.wants(Check::Inconsistent);
            const WantedValueChecks wanted(options);
            const std::vector<ReferenceFacts> &references = this->references();
            for (int i = 0; i < count; ++i) {
                // A key the master repeats is read once, at its first line.
                const int first = m_firstIndex[size_t(i)];
                const int line = lines[size_t(first)];
                const QStringView value = values[size_t(first)];
                const bool noTranslation = line == 0 || isBlankValue(value);
                if (noTranslation && !report.isMaster && !references[size_t(i)].placeholders.empty())
                    ++report.untranslatedWithPlaceholders;
                if (line == 0) {
                    ++report.missing;
                    add(Check::MissingKey, 0, m_names[i],
                        QStringLiteral("the attribute has no line in the file"));
                    continue;
                }
                const bool blank = isBlankValue(value);
                if (blank) {
                    ++report.blank;
                    add(Check::Blank, line, m_names[i],
                        QStringLiteral("the value is blank"));
                } else {
                    ++report.translated;
                }
                if (first != i)
                    continue;
                for (Finding &finding :
                     checkValueIn(value, references[size_t(i)], displayName, traits, report.isMaster, options, wanted)) {
                    finding.file = report.file;
                    finding.line = line;
                    finding.key = m_names[i];
                    report.findings.push_back(std::move(finding));
                }
                if (blank)
                    continue;
                if (speller) {
                    const QStringList wrong = speller->misspelled(valueText(value));
                    if (!wrong.isEmpty())
                        add(Check::Spelling, line, m_names[i],
                            QStringLiteral("the dictionary does not know %1").arg(wrong.join(QStringLiteral(", "))));
                }
                if (more) {
                    moreFound.clear();
                    more(i, value, moreFound);
                    for (Finding &finding : moreFound) {
                        if (!options.wants(finding.check))
                            continue;
                        finding.language = displayName;
                        finding.file = report.file;
                        finding.line = line;
                        finding.key = m_names[i];
                        report.findings.push_back(std::move(finding));
                    }
                }
                if (stale.contains(m_names[i]))
                    add(Check::ReferenceChanged, line, m_names[i],
                        QStringLiteral("the English text changed since the earlier release: the translation may be stale"));
                const int group = m_referenceGroup[size_t(i)];
                if (wantsInconsistent && group >= 0) {
                    int &first = firstTranslation[size_t(group)];
                    if (first < 0) {
                        first = i;
                    } else if (const QStringView one = trimProfileSpace(valueText(values[size_t(first)])),
                               other = trimProfileSpace(valueText(value));
                               one != other && !formsOfOneWording(one, other)
                               && !(!trimProfileSpace(valueText(m_masterValues[i])).contains(u' ')
                                    && wordsOfOneRoot(one, other))) {
                        add(Check::Inconsistent, line, m_names[i],
                            QStringLiteral("\"%1\" is translated differently under %2: \"%3\" here, \"%4\" there")
                                .arg(trimProfileSpace(valueText(m_masterValues[i])).toString(), m_names[first],
                                     valueText(value).toString(), valueText(values[size_t(first)]).toString()));
                    }
                }
            }
        }
    }

    for (const QString &leftover : ProfileFile::leftoversOf(path)) {
        const QFileInfo left(leftover);
        const qint64 hours = left.lastModified().secsTo(QDateTime::currentDateTime()) / 3600;
        add(Check::LeftoverFile, 0, {},
            QStringLiteral("\"%1\" (%2 bytes, %3) is what an interrupted save left behind; the next save of the "
                           "language removes it")
                .arg(left.fileName(), QLocale::c().toString(left.size()),
                     hours < 1 ? QStringLiteral("less than an hour old")
                     : hours < 48 ? QStringLiteral("%1 hours old").arg(hours)
                                  : QStringLiteral("%1 days old").arg(hours / 24)));
    }

    std::stable_sort(report.findings.begin(), report.findings.end(),
                     [](const Finding &a, const Finding &b) { return a.line < b.line; });
    for (const Finding &finding : report.findings) {
        switch (finding.severity) {
        case FindingSeverity::Error:
            ++report.errors;
            break;
        case FindingSeverity::Warning:
            ++report.warnings;
            break;
        case FindingSeverity::Info:
            ++report.infos;
            break;
        }
    }
    return report;
}

ProductReport CheckEngine::startReport(const CheckOptions &options, QStringList &chosen) const
{
    ProductReport report;
    report.product = m_product;
    report.master = MasterLanguageFileName.chopped(4);
    report.attributes = int(m_names.size());
    if (options.wants(Check::Index))
        report.productFindings = m_indexFindings;

    for (const QString &name : m_present)
        if (options.languages.isEmpty() || options.languages.contains(name))
            chosen.append(name);
    return report;
}

ProductReport CheckEngine::run(const CheckOptions &options, const std::function<void(int, int)> &progress,
                               const std::atomic_bool *cancel,
                               const std::function<void(const LanguageReport &)> &languageDone) const
{
    // The streamed check, its languages collected.
    QStringList chosen;
    startReport(options, chosen);
    const int total = int(chosen.size());
    std::vector<LanguageReport> languages;
    ProductReport report = streamLanguages(
        options,
        [&](LanguageReport &&language) {
            if (languageDone)
                languageDone(language);
            languages.push_back(std::move(language));
            if (progress)
                progress(int(languages.size()), total);
        },
        cancel);
    report.languages = std::move(languages);
    // The master's findings that needed every language join its own.
    for (LanguageReport &language : report.languages) {
        if (!language.isMaster || report.lateFindings.empty())
            continue;
        for (Finding &finding : report.lateFindings) {
            ++language.infos;
            language.findings.push_back(std::move(finding));
        }
        std::stable_sort(language.findings.begin(), language.findings.end(),
                         [](const Finding &a, const Finding &b) { return a.line < b.line; });
        break;
    }
    report.lateFindings.clear();
    return report;
}

ProductReport CheckEngine::stream(const CheckOptions &options, const std::function<void(const LanguageReport &)> &deliver,
                                  const std::atomic_bool *cancel) const
{
    return streamLanguages(
        options,
        [&](LanguageReport &&language) {
            if (deliver)
                deliver(language);
        },
        cancel);
}

ProductReport CheckEngine::streamLanguages(const CheckOptions &options,
                                           const std::function<void(LanguageReport &&)> &deliver,
                                           const std::atomic_bool *cancel) const
{
    QStringList chosen;
    ProductReport report = startReport(options, chosen);
    const int total = int(chosen.size());
    const int jobs = std::clamp(options.jobs > 0 ? options.jobs : QThread::idealThreadCount(), 1, std::max(1, total));
    // A worker waits rather than run further ahead of the next language to deliver.
    const int window = jobs + 2;

    std::mutex mutex;
    std::condition_variable moved;
    std::map<int, LanguageReport> ready; // done, waiting for those before them
    int next = 0;
    int delivered = 0;
    bool stopped = false;
    ErrorTally errorLanguages;
    auto work = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            moved.wait(lock, [&] { return stopped || next >= total || next < delivered + window; });
            if (stopped || next >= total || (cancel && cancel->load())) {
                stopped = stopped || (cancel && cancel->load());
                moved.notify_all();
                return;
            }
            const int at = next++;
            lock.unlock();
            LanguageReport language = checkLanguage(chosen[at], options);
            lock.lock();
            ready.emplace(at, std::move(language));
            // One thread delivers at a time, in order; the others keep checking.
            while (!ready.empty() && ready.begin()->first == delivered) {
                LanguageReport done = std::move(ready.begin()->second);
                ready.erase(ready.begin());
                ++delivered;
                countErrors(done, errorLanguages);
                deliver(std::move(done));
                moved.notify_all();
            }
        }
    };
    runOnThreads(jobs, [&work](int) { work(); });

    report.cancelled = delivered < total;
    if (!report.cancelled)
        report.lateFindings = widespreadFindings(errorLanguages, options);
    return report;
}

void CheckEngine::countErrors(const LanguageReport &language, ErrorTally &tally) const
{
    if (language.isMaster)
        return;
    // The checks of a value against its English, by id: what one English text makes
    // translators stumble over (blank or missing values are no such thing).
    static const QHash<QString, Check> valueChecks = [] {
        QHash<QString, Check> checks;
        for (Check check : {Check::Placeholders, Check::Braces, Check::OddQuotes, Check::Whitespace,
                            Check::EndPunctuation, Check::Numbers, Check::RepeatedWord, Check::DoubleSpace, Check::Urls,
                            Check::Tags, Check::Accelerators})
            checks.insert(checkInfo(check).id, check);
        return checks;
    }();
    const size_t checks = allChecks().size();
    tally.languagesAtFault.resize(size_t(m_names.size()) * checks, 0);
    ++tally.languages;
    std::set<size_t> counted; // one language counts once per attribute and check
    for (const Finding &finding : language.findings) {
        const auto check = valueChecks.constFind(finding.check);
        if (finding.severity == FindingSeverity::Info || finding.line <= 0 || finding.key.isEmpty()
            || check == valueChecks.cend())
            continue;
        const auto it = m_viewIndex->find(QStringView(finding.key));
        if (it == m_viewIndex->end())
            continue;
        const size_t at = size_t(it->second) * checks + size_t(*check);
        if (counted.insert(at).second)
            ++tally.languagesAtFault[at];
    }
}

std::vector<Finding> CheckEngine::widespreadFindings(const ErrorTally &tally, const CheckOptions &options) const
{
    std::vector<Finding> found;
    if (!options.wants(Check::SourceWidespread))
        return found;
    // A few languages at fault are their translators'; about a quarter of them failing
    // one check over one English text points at the text.
    const int atLeast = std::max(3, (tally.languages + 3) / 4);
    const std::vector<CheckInfo> &checks = allChecks();
    const QString master = MasterLanguageFileName.chopped(4);
    for (size_t i = 0; i < tally.languagesAtFault.size(); i += checks.size()) {
        QStringList parts;
        for (size_t c = 0; c < checks.size(); ++c)
            if (const int n = tally.languagesAtFault[i + c]; n >= atLeast)
                parts.append(QStringLiteral("the %1 check fails in %2 of %3 languages")
                                 .arg(checks[c].id)
                                 .arg(n)
                                 .arg(tally.languages));
        if (parts.isEmpty())
            continue;
        const size_t attribute = i / checks.size();
        found.push_back({checkInfo(Check::SourceWidespread).id, checkInfo(Check::SourceWidespread).severity, master,
                         relativeFileOf(master),
                         m_masterLines[attribute], m_names[int(attribute)],
                         parts.join(QStringLiteral(", and ")) + QStringLiteral(": the English text or the key may be "
                                                                               "at fault rather than the translations")});
    }
    return found;
}

} // namespace Glossa
