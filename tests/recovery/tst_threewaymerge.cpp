#include "recovery/ThreeWayMerge.h"

#include <QTest>

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

QTEST_GUILESS_MAIN(TestThreeWayMerge)
#include "tst_threewaymerge.moc"
