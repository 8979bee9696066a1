#include "checks/NumberWords.h"

#include <QHash>

#include <unicode/fieldpos.h>
#include <unicode/locid.h>
#include <unicode/rbnf.h>
#include <unicode/unistr.h>

namespace Glossa {

struct NumberWords::Formatter
{
    std::unique_ptr<icu::RuleBasedNumberFormat> format;
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
            const bool endsWord = end == folded.size() || !isWordChar(folded[end]) || writesWordsTogether(word.back());
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
