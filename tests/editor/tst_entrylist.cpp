#include "editor/EntryListModel.h"
#include "editor/VuduzListCtrl.h"
#include "model/Constants.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>

using Glossa::AttributeId;
using Glossa::CVuduzListCtrl;
using Glossa::EntryListModel;
using Glossa::EntryRow;

namespace {

const QStringList editorHeaders = {QStringLiteral("Attribute"), QStringLiteral("Value"),
                                   QStringLiteral("Reference"), QStringLiteral("Statue")};
const QLocale english(QLocale::English, QLocale::UnitedStates);

// Six entries whose columns sort differently in a locale than by code point
// ("ids_close" among the upper-case keys, "Öffnen" and "Über" among the plain letters).
std::vector<EntryRow> sampleRows()
{
    auto row = [](AttributeId id, const char16_t *a, const char16_t *v, const char16_t *r, const QString &s) {
        return EntryRow{{QString::fromUtf16(a), QString::fromUtf16(v), QString::fromUtf16(r), s}, id};
    };
    return {
        row(10, u"IDS_OPEN", u"Öffnen", u"Open", Glossa::StatusNone),
        row(11, u"IDS_SAVE", u"speichern", u"Save", Glossa::StatusModified),
        row(12, u"ids_close", u"Schließen", u"Close", Glossa::StatusError),
        row(13, u"IDS_ABOUT", u"Über", u"About", Glossa::StatusNone),
        row(14, u"MSG_DONE", u"Fertig", u"Done", Glossa::StatusModified),
        row(15, u"IDS_EDIT", u"bearbeiten", u"Edit", Glossa::StatusNone),
    };
}

QList<AttributeId> idsInOrder(const EntryListModel &model)
{
    QList<AttributeId> ids;
    for (int row = 0; row < model.rowCount(); ++row)
        ids.append(model.itemData(row));
    return ids;
}

// Every row as "id|cell|cell|...", sorted: equal before and after a sort when the
// sort moved whole rows and nothing else.
QStringList rowMultiset(const EntryListModel &model)
{
    QStringList rows;
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells{QString::number(model.itemData(row))};
        for (int column = 0; column < model.columnCount(); ++column)
            cells.append(model.text(row, column));
        rows.append(cells.join(u'|'));
    }
    rows.sort();
    return rows;
}

void clickHeader(CVuduzListCtrl &view, int section)
{
    QHeaderView *header = view.horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(section) + 5, header->height() / 2));
}

QColor colourAt(const QImage &image, const QPoint &point)
{
    return image.pixelColor(point).toRgb();
}

} // namespace

class TestEntryList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void modelPassesTester();
    void stateColours_data();
    void stateColours();
    void statusColumnSetLaterWipesStrayStates();
    void headerClicks_data();
    void headerClicks();
    void collation_data();
    void collation();
    void selectionMarkAndScrolling();
    void renderedRowColours();
};

void TestEntryList::modelPassesTester()
{
    EntryListModel editor(editorHeaders);
    QAbstractItemModelTester editorTester(&editor, QAbstractItemModelTester::FailureReportingMode::QtTest);
    editor.setStatusColumn(3);
    editor.setRows(sampleRows());
    editor.appendRow(EntryRow{{QStringLiteral("IDS_NEW"), QStringLiteral("Neu")}, 16});
    editor.setText(2, 3, Glossa::StatusModified);
    editor.setText(0, 1, QStringLiteral("Öffnen…"));
    for (int column = 0; column < editor.columnCount(); ++column) {
        editor.sortRows(column, true);
        editor.sortRows(column, false);
    }
    editor.clear();
    editor.appendRow(EntryRow{{QStringLiteral("IDS_ONLY")}, 1});
    editor.sortRows(0, true);

    // The main window's list: two columns, no state.
    EntryListModel main({QStringLiteral("Attribute"), QStringLiteral("Value")});
    QAbstractItemModelTester mainTester(&main, QAbstractItemModelTester::FailureReportingMode::QtTest);
    main.setRows(sampleRows());
    QCOMPARE(main.columnCount(), 2);
    QCOMPARE(main.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Value"));
    // Cells past the last column are not kept.
    QCOMPARE(main.rows().front().cells[3], QString());
    main.sortRows(1, true);
    QVERIFY(!main.data(main.index(0, 0), Qt::BackgroundRole).isValid());
    QCOMPARE(main.data(main.index(0, 0), EntryListModel::IdRole).toUInt(), main.itemData(0));
}

void TestEntryList::stateColours_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("background");

    const QColor black(0, 0, 0), white(255, 255, 255);
    QTest::newRow("MODIFIED") << QStringLiteral("MODIFIED") << QStringLiteral("MODIFIED") << black
                              << QColor(255, 255, 147);
    QTest::newRow("ERROR") << QStringLiteral("ERROR") << QStringLiteral("ERROR") << white << QColor(255, 0, 0);
    QTest::newRow("untouched") << QString() << QString() << black << white;
    QTest::newRow("stray text") << QStringLiteral("CHANGED") << QString() << black << white;
    QTest::newRow("other letter case") << QStringLiteral("modified") << QString() << black << white;
    QTest::newRow("trailing space") << QStringLiteral("ERROR ") << QString() << black << white;
}

void TestEntryList::stateColours()
{
    QFETCH(QString, written);
    QFETCH(QString, stored);
    QFETCH(QColor, text);
    QFETCH(QColor, background);

    EntryListModel model(editorHeaders);
    model.setStatusColumn(3);
    model.setRows(sampleRows());
    const int row = model.findRowById(10);
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);

    // Written by the editor into an existing row...
    model.setText(row, 3, written);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(changed[0][0].toModelIndex(), model.index(row, 0));
    QCOMPARE(changed[0][1].toModelIndex(), model.index(row, 3));

    // ...and given with the rows.
    std::vector<EntryRow> rows = sampleRows();
    rows[2].cells[3] = written;
    EntryListModel filled(editorHeaders);
    filled.setStatusColumn(3);
    filled.setRows(std::move(rows));

    for (const auto &[m, r] : {std::pair<EntryListModel *, int>{&model, row}, {&filled, 2}}) {
        QCOMPARE(m->text(r, 3), stored);
        for (int column = 0; column < m->columnCount(); ++column) {
            const QModelIndex index = m->index(r, column);
            QCOMPARE(qvariant_cast<QBrush>(index.data(Qt::ForegroundRole)).color(), text);
            QCOMPARE(qvariant_cast<QBrush>(index.data(Qt::BackgroundRole)).color(), background);
        }
    }
}

void TestEntryList::statusColumnSetLaterWipesStrayStates()
{
    std::vector<EntryRow> rows = sampleRows();
    rows[0].cells[3] = QStringLiteral("junk");
    EntryListModel model(editorHeaders);
    model.setRows(std::move(rows));
    // Without a state column the fourth column is plain text.
    QCOMPARE(model.text(0, 3), QStringLiteral("junk"));

    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    model.setStatusColumn(3);
    QCOMPARE(model.text(0, 3), QString());
    QCOMPARE(model.text(1, 3), Glossa::StatusModified);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(qvariant_cast<QBrush>(model.index(1, 0).data(Qt::BackgroundRole)).color(), QColor(255, 255, 147));
}

void TestEntryList::headerClicks_data()
{
    QTest::addColumn<QList<int>>("clicks");
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QList<AttributeId>>("order");

    const QList<AttributeId> valueUp{15, 14, 10, 12, 11, 13};
    const QList<AttributeId> valueDown{13, 11, 12, 10, 14, 15};
    const QList<AttributeId> attributeUp{13, 12, 15, 10, 11, 14};
    QTest::newRow("Value") << QList<int>{1} << 1 << true << valueUp;
    QTest::newRow("Value twice") << QList<int>{1, 1} << 1 << false << valueDown;
    QTest::newRow("Value three times") << QList<int>{1, 1, 1} << 1 << true << valueUp;
    QTest::newRow("Attribute after Value descending") << QList<int>{1, 1, 0} << 0 << true << attributeUp;
    QTest::newRow("Value after Attribute") << QList<int>{0, 1} << 1 << true << valueUp;
    QTest::newRow("Reference") << QList<int>{2} << 2 << true << QList<AttributeId>{13, 12, 14, 15, 10, 11};
    // Untouched rows first; rows of one state keep the order they had.
    QTest::newRow("Statue") << QList<int>{3} << 3 << true << QList<AttributeId>{10, 13, 15, 12, 11, 14};
    QTest::newRow("Statue after Value descending")
        << QList<int>{1, 1, 3} << 3 << true << QList<AttributeId>{13, 10, 15, 12, 11, 14};
    QTest::newRow("Statue twice") << QList<int>{3, 3} << 3 << false << QList<AttributeId>{11, 14, 12, 10, 13, 15};
}

void TestEntryList::headerClicks()
{
    QFETCH(QList<int>, clicks);
    QFETCH(int, sortColumn);
    QFETCH(bool, ascending);
    QFETCH(QList<AttributeId>, order);

    CVuduzListCtrl view(editorHeaders);
    EntryListModel &model = *view.entryModel();
    model.setSortLocale(english);
    view.setStatusColumn(3);
    model.setRows(sampleRows());
    view.resize(800, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.sortColumn(), -1);
    QVERIFY(view.sortAscending());

    const QStringList before = rowMultiset(model);
    view.setSelectionMark(model.findRowById(12));

    for (int section : clicks) {
        clickHeader(view, section);
        QCOMPARE(rowMultiset(model), before);
        for (int row = 0; row < model.rowCount(); ++row)
            QCOMPARE(model.findRowById(model.itemData(row)), row);
        // The selected entry stays selected and current wherever it went.
        QCOMPARE(model.itemData(view.selectionMark()), AttributeId(12));
        const QModelIndexList selected = view.selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.front().row(), view.selectionMark());
    }
    QCOMPARE(model.findRowById(99), -1);

    QCOMPARE(idsInOrder(model), order);
    QCOMPARE(view.sortColumn(), sortColumn);
    QCOMPARE(view.sortAscending(), ascending);
    QCOMPARE(view.horizontalHeader()->sortIndicatorSection(), sortColumn);
    QCOMPARE(view.horizontalHeader()->sortIndicatorOrder(), ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TestEntryList::collation_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");

    // Pairs in ascending English order; several are the other way round by code point.
    QTest::newRow("letters before case") << QStringLiteral("a") << QStringLiteral("B");
    QTest::newRow("upper case after its lower case") << QStringLiteral("b") << QStringLiteral("B");
    QTest::newRow("lower case after the letter before it") << QStringLiteral("B") << QStringLiteral("c");
    QTest::newRow("umlaut with its letter") << QStringLiteral("Äpfel") << QStringLiteral("Zebra");
    QTest::newRow("accent after the plain letter") << QStringLiteral("resume") << QStringLiteral("résumé");
    QTest::newRow("empty first") << QString() << QStringLiteral(" ");
    QTest::newRow("digits one by one") << QStringLiteral("item10") << QStringLiteral("item9");
}

void TestEntryList::collation()
{
    QFETCH(QString, first);
    QFETCH(QString, second);

    EntryListModel model({QStringLiteral("Attribute")});
    // The C locale sorts like English, not by code point.
    for (const QLocale &locale : {english, QLocale::c()})
    // Both input orders: a comparison that found the two equal would keep either.
    for (bool swapped : {false, true}) {
        model.setSortLocale(locale);
        model.setRows({EntryRow{{swapped ? second : first}, 1}, EntryRow{{swapped ? first : second}, 2}});
        model.sortRows(0, true);
        QCOMPARE(model.text(0, 0), first);
        QCOMPARE(model.text(1, 0), second);
        model.sortRows(0, false);
        QCOMPARE(model.text(0, 0), second);
        QCOMPARE(model.text(1, 0), first);
    }
}

void TestEntryList::selectionMarkAndScrolling()
{
    CVuduzListCtrl view(editorHeaders);
    EntryListModel &model = *view.entryModel();
    std::vector<EntryRow> rows;
    for (AttributeId id = 0; id < 300; ++id)
        rows.push_back(EntryRow{{QStringLiteral("IDS_%1").arg(id)}, id});
    model.setRows(std::move(rows));
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QCOMPARE(view.accessibleName(), QStringLiteral("Entries"));
    QCOMPARE(view.selectionMark(), -1);

    for (int row : {250, 3, 299, 120}) {
        view.setSelectionMark(row);
        view.ensureRowVisible(row);
        QCOMPARE(view.selectionMark(), row);
        const QModelIndexList selected = view.selectionModel()->selectedRows();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.front().row(), row);
        const QRect rect = view.visualRect(model.index(row, 0));
        QVERIFY2(rect.top() >= 0 && rect.bottom() < view.viewport()->height(), qPrintable(QString::number(row)));
    }

    view.setSelectionMark(-1);
    QCOMPARE(view.selectionMark(), -1);
    QVERIFY(!view.selectionModel()->hasSelection());

    // A click on a row puts the mark on it.
    const int clicked = view.rowAt(30);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, QPoint(40, 30));
    QCOMPARE(view.selectionMark(), clicked);
}

void TestEntryList::renderedRowColours()
{
    CVuduzListCtrl view(editorHeaders);
    EntryListModel &model = *view.entryModel();
    view.setStatusColumn(3);
    model.setRows(sampleRows());
    for (int column = 0; column < 4; ++column)
        view.setColumnWidth(column, 160);
    view.resize(700, 300);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.selectionModel()->clear();

    const QImage image = view.viewport()->grab().toImage();
    struct Expect
    {
        AttributeId id;
        QColor background;
    };
    for (const Expect &e : {Expect{11, QColor(255, 255, 147)}, Expect{12, QColor(255, 0, 0)},
                            Expect{13, QColor(255, 255, 255)}}) {
        const int row = model.findRowById(e.id);
        // Right of the left-aligned text, in every cell of the row.
        for (int column = 0; column < 4; ++column) {
            const QRect cell = view.visualRect(model.index(row, column));
            QCOMPARE(colourAt(image, QPoint(cell.right() - 8, cell.center().y())), e.background);
        }
    }

    // The selected row looks the same whether or not the list has the focus.
    const QPalette p = view.palette();
    QCOMPARE(p.color(QPalette::Inactive, QPalette::Highlight), p.color(QPalette::Active, QPalette::Highlight));
}

QTEST_MAIN(TestEntryList)
#include "tst_entrylist.moc"
