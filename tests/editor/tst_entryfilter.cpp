#include "editor/EntryFilterModel.h"
#include "editor/EntryListModel.h"
#include "model/Constants.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <QTest>

using Glossa::AttributeId;
using Glossa::EntryFilterMode;
using Glossa::EntryFilterModel;
using Glossa::EntryListModel;
using Glossa::EntryRow;

namespace {

constexpr int Rows = 1000;

// Row i: one value in ten blank, one in ten the same as its reference, one
// state in 25 ERROR; attributes MSG_... every fifth row, IDS_... otherwise.
std::vector<EntryRow> manyRows()
{
    std::vector<EntryRow> rows;
    for (int i = 0; i < Rows; ++i) {
        const QString reference = QStringLiteral("\"Text %1\"").arg(i);
        const QString value = i % 10 == 0 ? QStringLiteral("\"\"")
                              : i % 10 == 1 ? reference
                                            : QStringLiteral("\"Texte %1\"").arg(i);
        rows.push_back(EntryRow{{(i % 5 == 0 ? QStringLiteral("MSG_%1") : QStringLiteral("IDS_%1")).arg(i), value, reference,
                                 i % 25 == 2 ? Glossa::StatusError : Glossa::StatusNone},
                                AttributeId(i)});
    }
    return rows;
}

} // namespace

class TestEntryFilter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void filterChangeIsOneStep_data();
    void filterChangeIsOneStep();
    void selectionFollowsTheFilter();
};

void TestEntryFilter::filterChangeIsOneStep_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("untranslated") << int(EntryFilterMode::Untranslated) << QString() << Rows / 10;
    QTest::newRow("errors") << int(EntryFilterMode::Errors) << QString() << Rows / 25;
    QTest::newRow("same as reference") << int(EntryFilterMode::SameAsReference) << QString() << Rows / 10;
    QTest::newRow("text, letter case ignored") << int(EntryFilterMode::All) << QStringLiteral("msg") << Rows / 5;
    QTest::newRow("text found nowhere") << int(EntryFilterMode::All) << QStringLiteral("zqx") << 0;
    QTest::newRow("mode and text") << int(EntryFilterMode::Untranslated) << QStringLiteral("MSG_") << Rows / 10;
}

// A filter that keeps scattered rows changes the proxy in one step, not in a
// removal per run of hidden rows (each of which makes the views and the
// editor's counts go over every row), and maps exactly the matching rows.
void TestEntryFilter::filterChangeIsOneStep()
{
    QFETCH(int, mode);
    QFETCH(QString, text);
    QFETCH(int, expected);
    EntryListModel source({QStringLiteral("Attribute"), QStringLiteral("Value"), QStringLiteral("Reference"),
                           QStringLiteral("Statue")});
    source.setStatusColumn(3);
    source.setRows(manyRows());
    EntryFilterModel filter(&source);
    QAbstractItemModelTester tester(&filter, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(filter.rowCount(), Rows);

    for (int round = 0; round < 2; ++round) { // on, then off again
        QSignalSpy removed(&filter, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&filter, &QAbstractItemModel::rowsInserted);
        QSignalSpy layout(&filter, &QAbstractItemModel::layoutChanged);
        QSignalSpy reset(&filter, &QAbstractItemModel::modelReset);
        if (round == 0) {
            filter.setMode(EntryFilterMode(mode));
            filter.setText(text);
        } else {
            filter.setMode(EntryFilterMode::All);
            filter.setText(QString());
        }
        QVERIFY(removed.size() + inserted.size() + layout.size() + reset.size() <= 2);
        const int want = round == 0 ? expected : Rows;
        QCOMPARE(filter.rowCount(), want);
        int shown = 0;
        for (int row = 0; row < Rows; ++row) {
            const bool passes = round == 1
                || EntryFilterModel::matches(source.rows()[size_t(row)], 3, EntryFilterMode(mode), text, {});
            QCOMPARE(filter.isShown(row), passes);
            if (passes)
                QCOMPARE(filter.mapToSource(filter.index(shown++, 0)).row(), row);
        }
        QCOMPARE(shown, want);
    }
}

// A selected row keeps its selection through a filter change that still shows
// it, and loses it to one that hides it.
void TestEntryFilter::selectionFollowsTheFilter()
{
    EntryListModel source({QStringLiteral("Attribute"), QStringLiteral("Value"), QStringLiteral("Reference"),
                           QStringLiteral("Statue")});
    source.setStatusColumn(3);
    source.setRows(manyRows());
    EntryFilterModel filter(&source);
    filter.setText(QStringLiteral("_"));
    QItemSelectionModel selection(&filter);
    const int kept = 500; // MSG_500, blank
    selection.setCurrentIndex(filter.mapFromSource(source.index(kept, 0)),
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);

    filter.setText(QStringLiteral("msg"));
    QVERIFY(selection.currentIndex().isValid());
    QCOMPARE(filter.mapToSource(selection.currentIndex()).row(), kept);
    QVERIFY(selection.isRowSelected(selection.currentIndex().row()));

    filter.setMode(EntryFilterMode::Errors); // row 500 is no error
    QVERIFY(!selection.currentIndex().isValid() || filter.mapToSource(selection.currentIndex()).row() != kept);
    QVERIFY(!selection.hasSelection());
}

QTEST_MAIN(TestEntryFilter)
#include "tst_entryfilter.moc"
