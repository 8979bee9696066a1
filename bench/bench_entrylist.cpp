// Entry lists of a large product: filling, sorting by each column and finding rows
// by item data, each beside the way that searches the list from its first row.
// Run with QT_QPA_PLATFORM=offscreen.
#include "BenchSupport.h"
#include "NaiveWays.h"
#include "SyntheticProduct.h"

#include "editor/EntryListModel.h"
#include "editor/VuduzListCtrl.h"
#include "model/Constants.h"
#include "model/Types.h"

#include <QApplication>
#include <QCollator>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <vector>

using Glossa::AttributeId;
using Glossa::EntryListModel;
using Glossa::EntryRow;

namespace {

const QLocale english(QLocale::English, QLocale::UnitedStates);
const QLocale chinese(QLocale::Chinese, QLocale::China);
const QStringList editorHeaders = {QStringLiteral("Attribute"), QStringLiteral("Value"),
                                   QStringLiteral("Reference"), QStringLiteral("Statue")};

// The editor's rows in id order: one in twenty marked "MODIFIED", one in twenty "ERROR".
std::vector<EntryRow> editorRows(int n)
{
    std::vector<EntryRow> rows;
    rows.reserve(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        const QString state = i % 20 == 3 ? Glossa::StatusModified : i % 20 == 7 ? Glossa::StatusError : Glossa::StatusNone;
        rows.push_back(EntryRow{{Bench::attributeName(i), Bench::translatedValue(i, 7), Bench::englishValue(i), state},
                                AttributeId(i)});
    }
    return rows;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    constexpr int n = 20000;
    constexpr int small = 2000;
    const std::vector<EntryRow> rows = editorRows(n);
    const std::vector<EntryRow> smallRows = editorRows(small);
    const double baseMiB = Bench::residentMiB();

    // The editor's list, shown, with a selected row, as when the user clicks a header.
    Glossa::CVuduzListCtrl editor(editorHeaders);
    EntryListModel &model = *editor.entryModel();
    editor.setStatusColumn(3);
    editor.resize(1000, 600);
    editor.show();
    QCoreApplication::processEvents();

    std::vector<EntryRow> copy;
    const double fillMs = Bench::bestMs([&] { copy = rows; }, [&] { model.setRows(std::move(copy)); });
    const double copyMs = Bench::bestMs([&] { copy = rows; });

    Bench::printHeader("Entry list of 20,000 rows (best of 5)");
    Bench::printRow(QStringLiteral("fill the editor's list (setRows)"), fillMs, QStringLiteral("copy of the rows"), copyMs);

    const auto resetRows = [&] {
        model.setRows(rows);
        editor.setSelectionMark(n / 2);
    };
    for (const QLocale &locale : {english, chinese}) {
        model.setSortLocale(locale);
        for (int column = 0; column < 4; ++column) {
            const double ms = Bench::bestMs(resetRows, [&] { model.sortRows(column, true); });
            Bench::printRow(QStringLiteral("sort 20,000 by \"%1\" ascending, %2").arg(editorHeaders[column], locale.name()), ms);
        }
    }
    const double descMs = Bench::bestMs(resetRows, [&] { model.sortRows(1, false); });
    Bench::printRow(QStringLiteral("sort 20,000 by \"Value\" descending, %1").arg(model.sortLocale().name()), descMs);
    {
        // The figures count only if the rows really end up in collation order.
        QCollator collator(model.sortLocale());
        collator.setCaseSensitivity(Qt::CaseSensitive);
        bool ordered = true;
        for (int row = 1; row < model.rowCount(); ++row)
            ordered = ordered && collator.compare(model.text(row - 1, 1), model.text(row, 1)) >= 0;
        std::printf("rows in descending collation order after the last sort: %s\n", ordered ? "yes" : "NO");
    }

    std::printf("\nThe naive sort searches the list for both rows of every comparison: timed on %d rows.\n", small);
    Bench::printHeader("Sort of 2,000 rows, en_US (best of 3)");
    EntryListModel smallModel(editorHeaders);
    smallModel.setSortLocale(english);
    smallModel.setStatusColumn(3);
    std::vector<EntryRow> naiveRows;
    for (int column = 0; column < 4; ++column) {
        const double ms = Bench::bestMs([&] { smallModel.setRows(smallRows); }, [&] { smallModel.sortRows(column, true); }, 3);
        const double naiveMs = Bench::bestMs([&] { naiveRows = smallRows; }, [&] { Bench::naiveSort(naiveRows, column, english); }, 3);
        Bench::printRow(QStringLiteral("sort 2,000 by \"%1\" (sort keys, row index)").arg(editorHeaders[column]), ms,
                        QStringLiteral("compare by searching item data"), naiveMs);
    }

    // ApplySavedValues: the main window's two-column list, in id order, shown.
    QTableView mainView;
    EntryListModel mainModel({QStringLiteral("Attribute"), QStringLiteral("Value")});
    mainView.setModel(&mainModel);
    mainView.resize(600, 400);
    mainView.show();
    const auto resetMain = [&] { mainModel.setRows(rows); };
    resetMain();
    QCoreApplication::processEvents();
    Glossa::LanguageValues saved;
    for (int i = 0; i < n; ++i)
        saved.insert(AttributeId(i), Bench::translatedValue(i, 8));

    int found = 0;
    const double findMs = Bench::bestMs([&] {
        found = 0;
        for (auto it = saved.cbegin(); it != saved.cend(); ++it)
            found += mainModel.findRowById(it.key()) >= 0;
    });
    const double naiveFindMs = Bench::bestMs([&] {
        found = 0;
        for (auto it = saved.cbegin(); it != saved.cend(); ++it)
            found += Bench::linearFind(mainModel.rows(), it.key()) >= 0;
    }, 3);
    const double applyMs = Bench::bestMs(resetMain, [&] {
        for (auto it = saved.cbegin(); it != saved.cend(); ++it) {
            const int row = mainModel.findRowById(it.key());
            if (row >= 0)
                mainModel.setText(row, 1, it.value());
        }
    });
    const double naiveApplyMs = Bench::bestMs(resetMain, [&] {
        for (auto it = saved.cbegin(); it != saved.cend(); ++it) {
            const int row = Bench::linearFind(mainModel.rows(), it.key());
            if (row >= 0)
                mainModel.setText(row, 1, it.value());
        }
    }, 3);

    Bench::printHeader("Rows found by item data, 20,000 ids in a list of 20,000 (best of 5 / naive best of 3)");
    Bench::printRow(QStringLiteral("find 20,000 ids (findRowById)"), findMs, QStringLiteral("search from the first row"),
                    naiveFindMs);
    Bench::printRow(QStringLiteral("ApplySavedValues of 20,000 (find + set Value)"), applyMs,
                    QStringLiteral("search from the first row + set"), naiveApplyMs);
    std::printf("%d of %d ids found\n", found, n);

    std::printf("\nresident: %.1f MiB before the lists, %.1f MiB with the editor's and the main window's lists\n",
                baseMiB, Bench::residentMiB());
    return 0;
}
