#include "checks/NumberWords.h"

#include <QHash>

#include <unicode/fieldpos.h>
#include <unicode/locid.h>
#include <unicode/measfmt.h>
#include <unicode/measunit.h>
#include <unicode/measure.h>
#include <unicode/rbnf.h>
#include <unicode/unistr.h>

namespace Glossa {

struct NumberWords::Formatter
{
    icu::Locale locale;
    std::unique_ptr<icu::RuleBasedNumberFormat> format;
    std::unique_ptr<icu::MeasureFormat> measure; // made when a span is first asked for
    bool measureTried = false;
};

namespace {

QString fromIcu(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

// Scripts that write words without spaces between them: a number word there
// stands inside a longer run of letters ("三天", "สามวัน").
bool writesWordsTogether(QChar c)
{
    switch (c.script()) {
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Thai:
    case QChar::Script_Lao:
    case QChar::Script_Khmer:
    case QChar::Script_Myanmar:
        return true;
    default:
        return false;
    }
}

bool isWordChar(QChar c)
{
    return c.isLetter() || c.isMark();
}

// Scripts that write a word's prefixes or particles onto it ("לשבוע", "الأسبوع",
// "일주일"), or words together: a unit's word may stand anywhere in a run of letters.
bool joinsWords(QChar c)
{
    switch (c.script()) {
    case QChar::Script_Hebrew:
    case QChar::Script_Arabic:
    case QChar::Script_Hangul:
        return true;
    default:
        return writesWordsTogether(c);
    }
}

bool hasDigit(QStringView text)
{
    for (QChar c : text)
        if (c.digitValue() >= 0)
            return true;
    return false;
}

// True when folded holds form at the start of a word (an ending may follow), or
// anywhere in a script that joins words.
bool holdsWordStart(QStringView folded, QStringView form)
{
    if (form.isEmpty())
        return false;
    for (qsizetype at = folded.indexOf(form); at >= 0; at = folded.indexOf(form, at + 1))
        if (at == 0 || !isWordChar(folded[at - 1]) || joinsWords(form.front()))
            return true;
    return false;
}

// How format writes n of unit, case-folded; empty when ICU cannot say. Takes the unit.
QString formatMeasure(const icu::MeasureFormat &format, qint64 n, icu::MeasureUnit *unit, UErrorCode &status)
{
    if (U_FAILURE(status) || !unit) {
        delete unit;
        return {};
    }
    // The Formattable owns the Measure, and the Measure its unit.
    const icu::Formattable measure(new icu::Measure(icu::Formattable(int64_t(n)), unit, status));
    icu::UnicodeString out;
    icu::FieldPosition position;
    format.format(measure, out, position, status);
    return U_SUCCESS(status) ? fromIcu(out).toCaseFolded() : QString();
}

// True when folded holds the unit's word of a measure ICU wrote (its digits, percent
// signs and blanks left out) at a word's start, less an ending of one or two letters
// where the word inflects ("viikko" in "viikon", "százalék" in "százaléknál").
bool holdsUnitWord(QStringView folded, QString measure)
{
    measure.removeIf([](QChar c) { return c.digitValue() >= 0 || c == u'%' || c == u'\u066A'; });
    const QString word = measure.simplified();
    if (word.isEmpty())
        return false;
    const bool inflects = !joinsWords(word.front());
    for (qsizetype cut = 0; cut <= (inflects ? 2 : 0); ++cut)
        if ((cut == 0 || word.size() - cut >= 3) && holdsWordStart(folded, QStringView(word).first(word.size() - cut)))
            return true;
    return false;
}

} // namespace

NumberWords::NumberWords(const QString &bcp47)
{
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale locale = icu::Locale::forLanguageTag(bcp47.toStdString(), status);
    if (U_FAILURE(status))
        return;
    auto format = std::make_unique<icu::RuleBasedNumberFormat>(icu::URBNF_SPELLOUT, locale, status);
    if (U_FAILURE(status))
        return;
    for (int32_t i = 0; i < format->getNumberOfRuleSetNames(); ++i) {
        const QString name = fromIcu(format->getRuleSetName(i));
        // Cardinals and ordinals in every form; "%spellout-numbering-year" reads
        // 1999 as a year, which says nothing a cardinal does not.
        if (name.startsWith(u"%spellout-cardinal") || name.startsWith(u"%spellout-ordinal")
            || name == u"%spellout-numbering")
            m_ruleSets.append(name);
    }
    m_format = std::make_unique<Formatter>();
    m_format->locale = locale;
    m_format->format = std::move(format);
}

NumberWords::~NumberWords() = default;

NumberWords &NumberWords::forLanguage(const QString &bcp47)
{
    thread_local QHash<QString, std::shared_ptr<NumberWords>> words;
    std::shared_ptr<NumberWords> &found = words[bcp47];
    if (!found)
        found = std::make_shared<NumberWords>(bcp47);
    return *found;
}

const QStringList &NumberWords::wordsFor(qint64 number)
{
    const auto known = m_words.find(number);
    if (known != m_words.end())
        return known->second;
    QStringList words;
    if (m_format) {
        for (const QString &ruleSet : std::as_const(m_ruleSets)) {
            UErrorCode status = U_ZERO_ERROR;
            icu::UnicodeString text;
            icu::FieldPosition position;
            m_format->format->format(int64_t(number),
                             icu::UnicodeString(reinterpret_cast<const UChar *>(ruleSet.utf16()), int32_t(ruleSet.size())),
                             text, position, status);
            if (U_FAILURE(status) || text.isEmpty())
                continue;
            const QString word = fromIcu(text).toCaseFolded();
            if (!words.contains(word))
                words.append(word);
            if (ruleSet.contains(u"native") && word.front().script() == QChar::Script_Hangul
                && !m_attaching.contains(word))
                m_attaching.append(word);
        }
    }
    return m_words.emplace(number, std::move(words)).first->second;
}

bool NumberWords::spells(QStringView text, qint64 number)
{
    const QStringList &words = wordsFor(number);
    if (words.isEmpty())
        return false;
    const QString folded = text.toString().toCaseFolded();
    for (const QString &word : words) {
        for (qsizetype at = folded.indexOf(word); at >= 0; at = folded.indexOf(word, at + 1)) {
            const qsizetype end = at + word.size();
            const bool startsWord = at == 0 || !isWordChar(folded[at - 1]) || writesWordsTogether(word.front());
            const bool endsWord = end == folded.size() || !isWordChar(folded[end]) || writesWordsTogether(word.back())
                || m_attaching.contains(word);
            if (startsWord && endsWord)
                return true;
        }
    }
    return false;
}

bool NumberWords::derives(QStringView text, qint64 number)
{
    constexpr qsizetype ShortestStem = 3;
    QStringList stems;
    for (const QString &word : wordsFor(number))
        for (qsizetype cut = 0; cut <= 2; ++cut)
            if (word.size() - cut >= ShortestStem && !word.contains(u' ') && !stems.contains(word.first(word.size() - cut)))
                stems.append(word.first(word.size() - cut));
    if (stems.isEmpty())
        return false;
    const QString folded = text.toString().toCaseFolded();
    for (qsizetype i = 0; i < folded.size(); ++i) {
        if (!isWordChar(folded[i]) || (i > 0 && isWordChar(folded[i - 1])))
            continue;
        const QStringView rest = QStringView(folded).sliced(i);
        for (const QString &stem : std::as_const(stems))
            if (rest.startsWith(stem))
                return true;
    }
    return false;
}

bool NumberWords::hasMeasureFormat()
{
    if (!m_format->measureTried) {
        m_format->measureTried = true;
        UErrorCode status = U_ZERO_ERROR;
        auto measure = std::make_unique<icu::MeasureFormat>(m_format->locale, UMEASFMT_WIDTH_WIDE, status);
        if (U_SUCCESS(status))
            m_format->measure = std::move(measure);
    }
    return m_format->measure != nullptr;
}

bool NumberWords::saysSpan(QStringView text, qint64 count, TimeUnit unit)
{
    if (!m_format || count <= 0)
        return false;
    if (!hasMeasureFormat())
        return false;
    // How the language writes count of a unit, case-folded; empty when ICU cannot say.
    const auto form = [this](qint64 n, TimeUnit u) -> QString {
        UErrorCode status = U_ZERO_ERROR;
        icu::MeasureUnit *made = nullptr;
        switch (u) {
        case TimeUnit::Second: made = icu::MeasureUnit::createSecond(status); break;
        case TimeUnit::Minute: made = icu::MeasureUnit::createMinute(status); break;
        case TimeUnit::Hour: made = icu::MeasureUnit::createHour(status); break;
        case TimeUnit::Day: made = icu::MeasureUnit::createDay(status); break;
        case TimeUnit::Week: made = icu::MeasureUnit::createWeek(status); break;
        case TimeUnit::Month: made = icu::MeasureUnit::createMonth(status); break;
        case TimeUnit::Year: made = icu::MeasureUnit::createYear(status); break;
        }
        return formatMeasure(*m_format->measure, n, made, status);
    };
    const QString folded = text.toString().toCaseFolded();
    // Korean counts up to ten days with words of their own, which ICU's units do not give.
    static const QStringView koreanDays[] = {u"하루", u"이틀", u"사흘", u"나흘", u"닷새",
                                             u"엿새", u"이레", u"여드레", u"아흐레", u"열흘"};
    if (unit == TimeUnit::Day && count <= 10 && m_format->locale.getLanguage() == std::string_view("ko")
        && holdsWordStart(folded, koreanDays[count - 1]))
        return true;
    // The language's form of that many, where it needs no digit ("דקה", "שעתיים"); for
    // one, the unit's singular, which says one on its own ("יום" for "1 day").
    QString own = form(count, unit);
    if (count == 1)
        own.removeIf([](QChar c) { return c.digitValue() >= 0; });
    if (!own.isEmpty() && !hasDigit(own) && holdsWordStart(folded, own.simplified()))
        return true;
    // A larger unit the span is one of, or a half or a quarter of: its word is enough.
    if (const std::optional<LargerUnit> l = largerUnit(unit); l && (count == l->of || (count < l->of && count * 4 % l->of == 0))) {
        // The unit's word as the language writes one and many of it, digits and
        // blanks left out, less an ending of one or two letters ("viikko" in "viikon").
        for (const qint64 n : {1, 5})
            if (holdsUnitWord(folded, form(n, l->unit)))
                return true;
    }
    return false;
}

bool NumberWords::saysPercent(QStringView text)
{
    if (!m_format || !hasMeasureFormat())
        return false;
    const QString folded = text.toString().toCaseFolded();
    for (const qint64 n : {1, 2, 5}) {
        UErrorCode status = U_ZERO_ERROR;
        icu::MeasureUnit *percent = icu::MeasureUnit::createPercent(status);
        if (holdsUnitWord(folded, formatMeasure(*m_format->measure, n, percent, status)))
            return true;
    }
    return false;
}

std::optional<NumberWords::LargerUnit> NumberWords::largerUnit(TimeUnit unit)
{
    switch (unit) {
    case TimeUnit::Second: return LargerUnit{TimeUnit::Minute, 60};
    case TimeUnit::Minute: return LargerUnit{TimeUnit::Hour, 60};
    case TimeUnit::Hour: return LargerUnit{TimeUnit::Day, 24};
    case TimeUnit::Day: return LargerUnit{TimeUnit::Week, 7};
    case TimeUnit::Week: return LargerUnit{TimeUnit::Year, 52};
    case TimeUnit::Month: return LargerUnit{TimeUnit::Year, 12};
    case TimeUnit::Year: return std::nullopt;
    }
    return std::nullopt;
}

std::optional<qint64> integerOf(QStringView number)
{
    qint64 value = 0;
    int digitsSinceSeparator = 0;
    bool separated = false;
    for (QChar c : number) {
        const int digit = c.digitValue();
        if (digit >= 0) {
            if (value > 100'000'000)
                return std::nullopt;
            value = value * 10 + digit;
            ++digitsSinceSeparator;
            continue;
        }
        // A separator groups thousands only when three digits follow it.
        if (separated && digitsSinceSeparator != 3)
            return std::nullopt;
        separated = true;
        digitsSinceSeparator = 0;
    }
    if (separated && digitsSinceSeparator != 3)
        return std::nullopt;
    return value;
}

} // namespace Glossa
