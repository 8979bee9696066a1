#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <optional>
#include <unordered_map>

// Numbers written as words: "una settimana" for "1 week", "三" for "3", "deux" for "2".
// The words come from ICU's spell-out rules for the language, every public rule
// set of them (cardinal and ordinal, each gender and case the locale has), so no
// word list of our own has to follow the languages.
namespace Glossa {

class NumberWords
{
public:
    // bcp47: "it-IT", "zh-CN"; a tag ICU does not know falls back to its root rules.
    explicit NumberWords(const QString &bcp47);
    ~NumberWords();
    NumberWords(const NumberWords &) = delete;
    NumberWords &operator=(const NumberWords &) = delete;

    // True when text holds number as one of the language's words for it, letter
    // case ignored; in scripts that write words apart, as a whole word.
    bool spells(QStringView text, qint64 number);
    // True when a word of text is made from one of the language's words for number:
    // it begins with the word ("kaksikantainen", "dviejų"), or with the word less an
    // ending of one or two letters with three or more left ("dešimtainė" from
    // "dešimt", "vieno" from "vienas"). A looser reading than spells(), for
    // a number no other digit stands for.
    bool derives(QStringView text, qint64 number);
    // The words for number, case-folded, as every rule set writes it.
    const QStringList &wordsFor(qint64 number);

    enum class TimeUnit { Second, Minute, Hour, Day, Week, Month, Year };
    // True when text says count of unit without a digit: by the form the language
    // gives that many of the unit on its own ("דקה" for 1 minute, "שעתיים" for 2
    // hours), or by a larger unit the span is one of, or a half or a quarter of
    // ("einer Woche" for 7 days, "חצי שעה" for 30 minutes). The forms are ICU's.
    bool saysSpan(QStringView text, qint64 count, TimeUnit unit);
    // The next larger unit and how many of unit make one of it (7 days a week); none for a year.
    struct LargerUnit
    {
        TimeUnit unit;
        qint64 of;
    };
    static std::optional<LargerUnit> largerUnit(TimeUnit unit);

    // True when text says "percent" with the language's word for it, as ICU's units
    // write it ("százalék", "procenta"), an ending of up to two letters allowed.
    bool saysPercent(QStringView text);

    // This thread's words of a language: made once per thread and tag, as the
    // formatter is not for sharing between threads.
    static NumberWords &forLanguage(const QString &bcp47);

private:
    struct Formatter; // ICU's, kept out of this header
    // Whether ICU has a unit formatter for the language, made when first asked for.
    bool hasMeasureFormat();
    std::unique_ptr<Formatter> m_format;
    QStringList m_ruleSets;
    std::unordered_map<qint64, QStringList> m_words;
    // Words that take a particle or counter written onto them (Korean's own
    // numbers: "하나의", "두개"), which spells() reads at the start of a word.
    QStringList m_attaching;
};

// The whole number a number of a text stands for ("1,000", "30", "٣"), when it is
// one and no larger than a billion; empty for decimals ("1.5").
std::optional<qint64> integerOf(QStringView number);

} // namespace Glossa
