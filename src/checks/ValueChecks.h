#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVarLengthArray>

#include <vector>

// The value checks that read a text's words, numbers, links and tags. Each
// pass reads the text once without allocating for the common case, since the
// engine runs them on every value of every language.
namespace Glossa {

// A number of a text: its value as a hash of its canonical digits
// ("1,000", "1.000", "1 000" and "١٠٠٠" are one number), and where it stands.
struct NumberAt
{
    quint64 value;
    qsizetype start;
    qsizetype length;
};
using Numbers = QVarLengthArray<NumberAt, 4>;

// The numbers of a text outside placeholders (%1, %2$s, {0}), sorted by value. With
// percentSigns, "%" before digits is a percent sign ("%100" in Turkish), not a placeholder:
// for a text whose reference has no numbered placeholders.
Numbers numbersOf(QStringView text, bool percentSigns = false);
// The reference's numbers the value lacks, as the reference writes them,
// counted as a multiset; empty when the value holds them all.
QStringList missingNumbers(QStringView value, QStringView reference, const Numbers &referenceNumbers);
// The numbers of the reference the value lacks and those the value has that
// the reference lacks, each as its text writes them (multisets).
struct NumberDifference
{
    QStringList missing;
    QStringList added;
};
NumberDifference numberDifference(QStringView value, QStringView reference, const Numbers &referenceNumbers,
                                  bool percentSigns = false);
// The digits of numbers in order, each run of digits once, in ASCII ("1|1" for
// "1", "1" and for "1,1"): what stays when only the grouping of the numbers differs.
QString digitRuns(const QStringList &numbers);
// A number written in ASCII digits alone, as the digits to look for (at most 18).
struct PlainNumber
{
    quint64 digits;
    int length;
};
using PlainNumbers = QVarLengthArray<PlainNumber, 4>;
// A text's numbers as plain numbers, when each is written in ASCII digits alone
// and no two are the same; empty otherwise.
PlainNumbers plainNumbersOf(QStringView text, const Numbers &numbers);
// True when the value holds each of the reference's plain numbers written as
// the reference writes it and standing alone (no digit, separator or
// placeholder joined to it): missingNumbers then finds nothing missing.
// False also when unsure.
bool holdsPlainNumbers(QStringView value, const PlainNumbers &numbers);

// The first word the text holds twice in a row with only white space (or a
// \n escape) between, letter case ignored; empty when none. Words that a
// language repeats by its grammar ("vous vous", "die die") do not count.
// twoSpaces, when given, is set false only when the text holds no two spaces
// in a row anywhere, which spares hasInnerDoubleSpace its own reading.
QStringView repeatedWord(QStringView text, QStringView languageName, bool *twoSpaces = nullptr);

// Two spaces in a row between the text's first and last non-blank characters.
bool hasInnerDoubleSpace(QStringView text);

// "never", "once", "twice", "3 times": how often a message says something stands.
QString timesText(int count);

// URLs (scheme://..., www....) and e-mail addresses, in text order.
QStringList linksOf(QStringView text);
// Where each link of linksOf stands: [start, end) in text.
std::vector<std::pair<qsizetype, qsizetype>> linkSpans(QStringView text);

// Whether one of the value's links stands for the reference's link in the
// language's way: the same address over https, an example address of the
// reserved example domains given as the language's own, or the maker's site
// for the language (support.epson.com as www.epson.sk/...).
bool linkGivenOtherwise(QStringView link, const QStringList &valueLinks, const QStringList &referenceLinks);

// An HTML or XML-like tag: "<b>", "</b>", "<br/>", "<a href=\"...\">".
struct TagAt
{
    QStringView text;
    QStringView name;
    bool closing = false;
    bool selfClosing = false;
};
std::vector<TagAt> tagsOf(QStringView text);
struct TagRules
{
    // The language's script has no italics: <i>, <em>, <b>, <strong> and <u>
    // without attributes are one emphasis, and one may stand for another.
    bool emphasisAlike = false;
    // The urls check has judged the links the value changes: <a> tags are left to it.
    bool linkReported = false;
};
// Why the value's tags do not match the reference's (a multiset, "<br/>" and
// "<br />" one tag) or are not well nested; empty when they are fine. Emphasis
// the value adds, well nested, is no fault; a broken tag is.
// emphasisLeftOut: set when, with emphasisAlike, all that differs is italics (<i>, <em>)
// the value leaves out altogether: a script without italics may say it by other means.
QString tagsMessage(QStringView value, const std::vector<TagAt> &referenceTags, bool referenceNested,
                    const TagRules &rules = {}, bool *emphasisLeftOut = nullptr);
// The value's starts of the reference's tags that never close with ">"
// ("<emSi" of "<emSi</em>"), as the value writes them.
QStringList brokenTags(QStringView value, const std::vector<TagAt> &referenceTags);
// True when every closing tag closes the last open one and none stays open.
bool tagsNested(const std::vector<TagAt> &tags, QString *why = nullptr);

// Two translations of one English text that differ only in their words' endings
// ("Reiniciar" and "Reinicia", "Sveglia" and "Sveglie"): forms of the same words
// that two contexts ask for (an infinitive and an imperative, a singular and a
// plural), not two wordings. Also one that holds the other at its start or end
// ("重設" and "重設計時器", "Cerca" and "Ricerca"), and two that differ only in the
// vowel signs Arabic and Hebrew may leave out, or only in the letter their accelerator
// marks ("_Pretraga", "P_retraga"), or only in marks of text direction (U+200F), or only
// in the first letter's case ("ścieżka", "Ścieżka": a text inside a sentence and a label).
bool formsOfOneWording(QStringView a, QStringView b);
// True when two translations of one English word are each one word made from one
// root: the noun and the verb of a word the English uses as both ("Search").
bool wordsOfOneRoot(QStringView a, QStringView b);

// How many letters a text marks as accelerators with sign ("&" or "_" before a letter
// or digit): a doubled sign ("&&") writes the sign itself, and "&amp;" is an entity.
int acceleratorMarks(QStringView text, QChar sign);

// Unnumbered printf placeholders (%s, %d, %ld, ...) of a text, in order.
QStringList unnumberedPlaceholders(QStringView text);

// The words a spelling check reads: placeholders, "&" accelerators, links and
// tags removed; tokens that do not start with a letter, ALLCAPS words and
// words with digits left out.
QStringList spellingWords(QStringView text);

} // namespace Glossa
