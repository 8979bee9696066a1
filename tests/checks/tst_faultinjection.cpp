#include "TestSupport.h"

#include "checks/CheckEngine.h"
#include "checks/ValueChecks.h"

#include <QFile>
#include <QTest>

#include <functional>

using namespace Glossa;
using namespace Qt::StringLiterals;

// Recall by fault injection: correct translations of our own, each with the
// faults the value checks exist for planted one at a time; the check that
// names the fault must find nearly every one, and the untouched translations
// must give no finding at all.
namespace {

struct Pair
{
    QString language;
    QString english;
    QString translation;
};

QList<Pair> corpus()
{
    QFile file(TestSupport::sourceDir() + u"/tests/data/faults/corpus.tsv"_s);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<Pair> pairs;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QStringList fields = line.split(u'\t');
        if (line.startsWith(u'#') || fields.size() != 3)
            continue;
        pairs.append({fields[0], fields[1], fields[2]});
    }
    return pairs;
}

QStringList checksFound(const Pair &pair, const QString &value)
{
    QStringList checks;
    for (const Finding &f : checkValue(u'"' + value + u'"', u'"' + pair.english + u'"', 1, pair.language, false))
        checks.append(f.check);
    return checks;
}

// A plant: the faulty value, or empty where the fault cannot be planted in this pair.
using Plant = std::function<QString(const Pair &)>;

qsizetype firstPlaceholder(const QString &text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text[i] == u'%' && QStringView(u"sd").contains(text[i + 1]))
            return i;
    return -1;
}

QString dropPlaceholder(const Pair &pair)
{
    const qsizetype at = firstPlaceholder(pair.translation);
    return at < 0 ? QString() : QString(pair.translation).remove(at, 2);
}

QString addPlaceholder(const Pair &pair)
{
    return u"%s "_s + pair.translation;
}

QString changeDigit(const Pair &pair)
{
    if (numbersOf(pair.english).isEmpty())
        return {};
    QString value = pair.translation;
    for (qsizetype i = 0; i < value.size(); ++i)
        if (value[i] >= u'0' && value[i] <= u'9' && (i == 0 || (value[i - 1] != u'%' && value[i - 1] != u'\\'))) {
            value[i] = QChar(u'0' + (value[i].unicode() - u'0' + 1) % 10);
            return value;
        }
    return {};
}

QString dropTag(const Pair &pair)
{
    const std::vector<TagAt> tags = tagsOf(pair.translation);
    if (tags.empty())
        return {};
    const TagAt &last = tags.back();
    return QString(pair.translation).remove(last.text.data() - pair.translation.data(), last.text.size());
}

QString breakTag(const Pair &pair)
{
    const std::vector<TagAt> tags = tagsOf(pair.translation);
    if (tags.empty())
        return {};
    const TagAt &first = tags.front();
    return QString(pair.translation).remove(first.text.data() - pair.translation.data() + first.text.size() - 1, 1);
}

QString changeUrl(const Pair &pair)
{
    const QStringList links = linksOf(pair.translation);
    if (links.isEmpty() || !links[0].contains(u"example"_s))
        return {};
    QString link = links[0];
    return QString(pair.translation).replace(links[0], link.replace(u"example"_s, u"exampel"_s));
}

// The longest word doubled: a slip of the pen, where a short word might be one
// the language repeats by its grammar ("die die").
QString doubleWord(const Pair &pair)
{
    const QStringList words = pair.translation.split(u' ');
    qsizetype longest = -1;
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words[i];
        if (word.size() >= 2 && std::all_of(word.begin(), word.end(), [](QChar c) { return c.isLetter() || c.isMark(); })
            && (longest < 0 || word.size() > words[longest].size()))
            longest = i;
    }
    if (longest < 0)
        return {};
    QStringList doubled = words;
    doubled.insert(longest, words[longest]);
    return doubled.join(u' ');
}

QString doubleSpace(const Pair &pair)
{
    const qsizetype at = pair.translation.indexOf(u' ');
    return at <= 0 ? QString() : QString(pair.translation).insert(at, u' ');
}

// A second accelerator in a label whose English marks one: on the value's last letter
// that carries none.
QString addAccelerator(const Pair &pair)
{
    for (const QChar sign : {u'&', u'_'}) {
        if (!pair.english.contains(sign) || !pair.translation.contains(sign))
            continue;
        for (qsizetype at = pair.translation.size() - 1; at > 0; --at)
            if (pair.translation[at].isLetter() && pair.translation[at - 1] != sign)
                return QString(pair.translation).insert(at, sign);
    }
    return QString();
}

QString changeEndMark(const Pair &pair)
{
    QString value = pair.translation;
    const QChar last = value.back();
    if (QStringView(u".。।։").contains(last) || (last == u'…'))
        value.back() = u'!';
    else if (QStringView(u"?？؟;:").contains(last))
        value.back() = u'.';
    else if (last == u'!')
        value.back() = u'?';
    else
        value += u'!';
    return value;
}

} // namespace

Q_DECLARE_METATYPE(Plant)

class TestFaultInjection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void untouchedTranslationsGiveNoFinding();
    void plantedFaultsAreFound_data();
    void plantedFaultsAreFound();
};

void TestFaultInjection::untouchedTranslationsGiveNoFinding()
{
    const QList<Pair> pairs = corpus();
    QVERIFY(pairs.size() >= 50);
    for (const Pair &pair : pairs)
        QVERIFY2(checksFound(pair, pair.translation).isEmpty(),
                 qPrintable(pair.translation + u": "_s + checksFound(pair, pair.translation).join(u", "_s)));
}

void TestFaultInjection::plantedFaultsAreFound_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<Plant>("plant");
    QTest::newRow("placeholder dropped") << u"placeholders"_s << Plant(dropPlaceholder);
    QTest::newRow("placeholder added") << u"placeholders"_s << Plant(addPlaceholder);
    QTest::newRow("digit changed") << u"numbers"_s << Plant(changeDigit);
    QTest::newRow("tag dropped") << u"tags"_s << Plant(dropTag);
    QTest::newRow("tag broken") << u"tags"_s << Plant(breakTag);
    QTest::newRow("URL changed") << u"urls"_s << Plant(changeUrl);
    QTest::newRow("word doubled") << u"repeated-word"_s << Plant(doubleWord);
    QTest::newRow("double space") << u"double-space"_s << Plant(doubleSpace);
    QTest::newRow("end mark changed") << u"end-punctuation"_s << Plant(changeEndMark);
    QTest::newRow("accelerator added") << u"accelerators"_s << Plant(addAccelerator);
}

void TestFaultInjection::plantedFaultsAreFound()
{
    QFETCH(QString, check);
    QFETCH(Plant, plant);
    int planted = 0;
    QStringList missed;
    for (const Pair &pair : corpus()) {
        const QString faulty = plant(pair);
        if (faulty.isEmpty())
            continue;
        ++planted;
        if (!checksFound(pair, faulty).contains(check))
            missed.append(pair.language + u": "_s + faulty);
    }
    qInfo("%s: %lld of %d planted faults found", qPrintable(check), qlonglong(planted - missed.size()), planted);
    // Each class is planted often enough for its share to mean something.
    QVERIFY2(planted >= 8, qPrintable(QString::number(planted)));
    QVERIFY2(planted - missed.size() >= 0.99 * planted, qPrintable(missed.join(u'\n')));
}

QTEST_GUILESS_MAIN(TestFaultInjection)
#include "tst_faultinjection.moc"
