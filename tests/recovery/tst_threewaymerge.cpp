#include "TestSupport.h"

#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "model/Types.h"
#include "recovery/ThreeWayMerge.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <random>

using namespace Glossa;
using namespace Qt::StringLiterals;

namespace {

// "-" stands for a key the version lacks.
MergeValue v(const char *text)
{
    return qstrcmp(text, "-") == 0 ? MergeValue() : MergeValue(QString::fromUtf8(text));
}

QHash<QString, QString> oneKey(const MergeValue &value)
{
    QHash<QString, QString> values;
    if (value)
        values.insert(QStringLiteral("K"), *value);
    return values;
}

} // namespace

class TestThreeWayMerge : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void oneKey_data();
    void oneKey();
    void manyKeysKeepOrderAndOthersStay();
    void decisions();
    void savesKeepEveryOneSidedChange();
};

void TestThreeWayMerge::oneKey_data()
{
    QTest::addColumn<QString>("loaded");
    QTest::addColumn<QString>("disk");
    QTest::addColumn<QString>("mine");
    QTest::addColumn<QString>("written"); // what is written, "-" for nothing
    QTest::addColumn<bool>("conflict");

    auto row = [](const char *name, const char *loaded, const char *disk, const char *mine, const char *written,
                  bool conflict) {
        QTest::newRow(name) << QString::fromUtf8(loaded) << QString::fromUtf8(disk) << QString::fromUtf8(mine)
                            << QString::fromUtf8(written) << conflict;
    };
    row("changed only here", "\"a\"", "\"a\"", "\"b\"", "\"b\"", false);
    row("changed only on disk", "\"a\"", "\"c\"", "\"a\"", "-", false);
    row("same change on both sides", "\"a\"", "\"b\"", "\"b\"", "-", false);
    row("different changes", "\"a\"", "\"c\"", "\"b\"", "-", true);
    row("added here", "-", "-", "\"b\"", "\"b\"", false);
    row("added on both sides alike", "-", "\"b\"", "\"b\"", "-", false);
    row("added on both sides differently", "-", "\"c\"", "\"b\"", "-", true);
    row("deleted on disk, changed here", "\"a\"", "-", "\"b\"", "-", true);
    row("deleted on disk, untouched here", "\"a\"", "-", "\"a\"", "-", false);
    row("emptied here", "\"a\"", "\"a\"", "", "", false);
    row("empty is not missing", "-", "", "", "-", false);
    row("case matters", "\"a\"", "\"A\"", "\"b\"", "-", true);
    // A row shows a key without a line as empty: a value given here is this side's change alone.
    row("no line, translated here", "-", "-", "\"b\"", "\"b\"", false);
    row("no line, left empty while the disk translated it", "-", "\"c\"", "", "-", false);
    row("quoting is no change on disk", "a", "\"a\"", "\"b\"", "\"b\"", false);
    row("quoting is no change here", "a", "\"c\"", "\"a\"", "-", false);
    row("an empty line added on disk, translated here", "-", "", "\"b\"", "-", true);
}

void TestThreeWayMerge::oneKey()
{
    QFETCH(QString, loaded);
    QFETCH(QString, disk);
    QFETCH(QString, mine);
    QFETCH(QString, written);
    QFETCH(bool, conflict);
    const MergeOutcome outcome = mergeChanges(::oneKey(v(loaded.toUtf8().constData())),
                                              ::oneKey(v(disk.toUtf8().constData())), {{QStringLiteral("K"), mine}});
    if (written == u"-") {
        QVERIFY(outcome.writes.empty());
    } else {
        QCOMPARE(outcome.writes.size(), size_t(1));
        QCOMPARE(outcome.writes[0].second, written);
    }
    QCOMPARE(outcome.conflicts.size(), size_t(conflict ? 1 : 0));
    if (conflict) {
        const MergeConflict &c = outcome.conflicts[0];
        QCOMPARE(c.key, u"K");
        QCOMPARE(c.loaded, v(loaded.toUtf8().constData()));
        QCOMPARE(c.disk, v(disk.toUtf8().constData()));
        QCOMPARE(c.mine, mine);
        // Keep Mine writes the conflict too; Take Theirs leaves the disk's value.
        QCOMPARE(resolvedWrites(outcome, true).size(), size_t(1));
        QVERIFY(resolvedWrites(outcome, false).empty());
    }
}

void TestThreeWayMerge::manyKeysKeepOrderAndOthersStay()
{
    const QHash<QString, QString> loaded{{u"A"_s, u"1"_s}, {u"B"_s, u"2"_s}, {u"C"_s, u"3"_s}, {u"D"_s, u"4"_s}};
    const QHash<QString, QString> disk{{u"A"_s, u"1"_s}, {u"B"_s, u"20"_s}, {u"C"_s, u"30"_s}, {u"D"_s, u"4"_s}, {u"E"_s, u"5"_s}};
    const std::vector<std::pair<QString, QString>> mine{{u"D"_s, u"40"_s}, {u"C"_s, u"31"_s}, {u"A"_s, u"10"_s}, {u"B"_s, u"2"_s}};
    const MergeOutcome outcome = mergeChanges(loaded, disk, mine);
    // B and E changed only on disk: not named, not written. C conflicts.
    const std::vector<std::pair<QString, QString>> expected{{u"D"_s, u"40"_s}, {u"A"_s, u"10"_s}};
    QCOMPARE(outcome.writes, expected);
    QCOMPARE(outcome.conflicts.size(), size_t(1));
    QCOMPARE(outcome.conflicts[0].key, u"C"_s);
    const std::vector<std::pair<QString, QString>> kept{{u"D"_s, u"40"_s}, {u"A"_s, u"10"_s}, {u"C"_s, u"31"_s}};
    QCOMPARE(resolvedWrites(outcome, true), kept);
}

void TestThreeWayMerge::decisions()
{
    // Nothing changed on disk: the merge writes exactly what this side changed.
    const QHash<QString, QString> same{{u"A"_s, u"1"_s}, {u"B"_s, u"2"_s}};
    const MergeOutcome outcome = mergeChanges(same, same, {{u"A"_s, u"1"_s}, {u"B"_s, u"3"_s}});
    QCOMPARE(outcome.writes.size(), size_t(1));
    QVERIFY(outcome.conflicts.empty());
    QVERIFY(mergeChanges({}, {}, {}).writes.empty());
}


namespace {

// The lines of a file that set key (exactly, letter case included), in file order.
QStringList linesOf(const QByteArray &bytes, const QString &key)
{
    QStringList lines;
    for (const QString &line : QString::fromUtf8(bytes).split(u'\n'))
        if (line.startsWith(key + u'='))
            lines << line;
    return lines;
}

// The value a key's first line gives the product: none without a line, else its text unquoted.
std::optional<QString> meaningOf(const QStringList &lines)
{
    if (lines.isEmpty())
        return std::nullopt;
    QString value = lines.first().section(u'=', 1);
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        value = value.mid(1, value.size() - 2);
    return value;
}

QHash<QString, QString> firstValues(const QByteArray &bytes)
{
    QHash<QString, QString> values;
    for (const QString &line : QString::fromUtf8(bytes).split(u'\n'))
        if (const qsizetype eq = line.indexOf(u'='); eq > 0 && !values.contains(line.left(eq)))
            values.insert(line.left(eq), line.mid(eq + 1));
    return values;
}

} // namespace

// Random versions of one key as loaded, on disk and here, with other keys changed
// on either side, merged and saved through the store for every answer the user can
// give. A value changed on one side only must survive byte for byte, the other
// keys must keep each side's change, and only a key both sides changed to
// different values may be asked about.
void TestThreeWayMerge::savesKeepEveryOneSidedChange()
{
    TestSupport::CurrentDirGuard cwd;
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(QDir().mkpath(tmp.filePath(u"language"_s)));
    QVERIFY(TestSupport::writeBytes(tmp.filePath(u"language/English (United States).ini"_s),
                                    "[text]\nK=Value\nA=Alpha\nB=Beta\n"));
    QDir::setCurrent(tmp.path());
    resetAttributeIdCounter();
    LanguageStore store;
    QVERIFY(store.Open(u"./language"_s));
    const QString language = u"German (Germany)"_s;
    const QString path = tmp.filePath(u"language/German (Germany).ini"_s);

    // The states a key's line can be in; empty for no line.
    const QStringList states{QString(), u"K="_s, u"K=\"\""_s, u"K=Wert"_s, u"K=\"Wert\""_s, u"K=\"Anders\""_s,
                             u"K=Anders"_s};
    // What the row holds at Save: null for the loaded text left as it was.
    const QStringList mines{QString(), u""_s, u"Wert"_s, u"\"Wert\""_s, u"Anders"_s, u"Mein"_s, u"\"Mein\""_s};
    std::mt19937 random(20261209);
    auto pick = [&random](qsizetype n) { return qsizetype(std::uniform_int_distribution<qsizetype>(0, n - 1)(random)); };
    const int triples = qEnvironmentVariableIntValue("GLOSSA_MERGE_TRIPLES") > 0
        ? qEnvironmentVariableIntValue("GLOSSA_MERGE_TRIPLES") : 5000;
    int asked = 0;
    int saves = 0;
    for (int n = 0; n < triples; ++n) {
        const QString loadedLine = states[pick(states.size())];
        const QString diskLine = states[pick(states.size())];
        const bool caseVariant = pick(2);  // a line "k=..." beside K's, on both sides
        const bool duplicate = pick(2);    // a second K line on disk, which the product never reads
        const bool theyChangeA = pick(2);
        const bool iChangeB = pick(2);
        auto file = [&](const QString &kLine, bool disk) {
            QByteArray bytes = "[text]\n";
            bytes += disk && theyChangeA ? "A=\"Alpha neu\"\n" : "A=\"Alpha\"\n";
            if (!kLine.isEmpty())
                bytes += kLine.toUtf8() + '\n';
            if (caseVariant)
                bytes += "k=\"klein\"\n";
            bytes += "B=\"Beta\"\n";
            if (disk && duplicate && !kLine.isEmpty())
                bytes += "K=\"Zweit\"\n";
            return bytes;
        };
        const QByteArray loadedBytes = file(loadedLine, false);
        const QByteArray diskBytes = file(diskLine, true);
        const QHash<QString, QString> loaded = firstValues(loadedBytes);
        const QHash<QString, QString> disk = firstValues(diskBytes);
        const QString rowText = loaded.value(u"K"_s); // a key without a line shows empty
        const QString mine = mines[pick(mines.size())].isNull() ? rowText : mines[pick(mines.size() - 1) + 1];

        const std::optional<QString> loadedMeaning = meaningOf(linesOf(loadedBytes, u"K"_s));
        const std::optional<QString> diskMeaning = meaningOf(linesOf(diskBytes, u"K"_s));
        const std::optional<QString> mineMeaning = meaningOf({u"K="_s + LanguageStore::quotedForSaving(mine)});
        const bool iChanged = *mineMeaning != loadedMeaning.value_or(QString());
        const bool theyChanged = diskMeaning != loadedMeaning;
        const bool conflict = iChanged && theyChanged && diskMeaning != mineMeaning;

        std::vector<std::pair<QString, QString>> writes{{u"K"_s, LanguageStore::quotedForSaving(mine)}};
        if (iChangeB)
            writes.emplace_back(u"B"_s, LanguageStore::quotedForSaving(u"Beta hier"_s));
        const MergeOutcome outcome = mergeChanges(loaded, disk, writes);
        const QString triple = u"#%1 loaded [%2] disk [%3] mine [%4]"_s.arg(n).arg(loadedLine, diskLine, mine);
        QVERIFY2(outcome.conflicts.size() == size_t(conflict ? 1 : 0), qPrintable(triple));
        asked += conflict;

        enum Answer { NoQuestion, KeepMine, TakeTheirs, Cancel };
        const QList<Answer> answers = conflict ? QList<Answer>{KeepMine, TakeTheirs, Cancel} : QList<Answer>{NoQuestion};
        for (const Answer answer : answers) {
            const QString context = triple + u" answer %1"_s.arg(int(answer));
            QVERIFY(TestSupport::writeBytes(path, diskBytes));
            if (answer != Cancel) {
                LanguageValues values;
                for (const auto &[key, value] : resolvedWrites(outcome, answer == KeepMine))
                    values.insert(*store.findAttribute(key), value);
                QVERIFY2(store.SaveLanguageFile(language, values), qPrintable(store.lastError()));
                ++saves;
            }
            const QByteArray saved = TestSupport::readBytes(path);
            if (answer == Cancel) {
                QVERIFY2(saved == diskBytes, qPrintable(context));
                continue;
            }
            // The other keys: A as the disk has it, B as this side has it, the variant untouched.
            QVERIFY2(linesOf(saved, u"A"_s) == linesOf(diskBytes, u"A"_s), qPrintable(context));
            QVERIFY2(linesOf(saved, u"B"_s)
                         == (iChangeB ? QStringList{u"B=\"Beta hier\""_s} : linesOf(diskBytes, u"B"_s)),
                     qPrintable(context));
            QVERIFY2(linesOf(saved, u"k"_s) == linesOf(diskBytes, u"k"_s), qPrintable(context));
            const QStringList kLines = linesOf(saved, u"K"_s);
            const QStringList mineLine{u"K="_s + LanguageStore::quotedForSaving(mine)};
            if ((iChanged && !theyChanged) || answer == KeepMine)
                QVERIFY2(kLines.mid(0, 1) == mineLine, qPrintable(context + u" holds "_s + kLines.join(u'|')));
            else if (theyChanged && (!iChanged || answer == TakeTheirs))
                QVERIFY2(kLines == linesOf(diskBytes, u"K"_s), qPrintable(context + u" holds "_s + kLines.join(u'|')));
            else
                QVERIFY2(meaningOf(kLines) == (theyChanged ? diskMeaning : mineMeaning), qPrintable(context));
            // A second line of the key is never what a save changes.
            QVERIFY2(kLines.mid(1) == linesOf(diskBytes, u"K"_s).mid(1), qPrintable(context));
        }
    }
    qInfo("%d random (loaded, disk, mine) triples merged, %d of them conflicts, %d saves checked", triples, asked, saves);
    QVERIFY(asked > 0);
}

QTEST_GUILESS_MAIN(TestThreeWayMerge)
#include "tst_threewaymerge.moc"
