// The editor's filter bar on 20,000 rows: each "Show" choice and a filter
// text typed a letter at a time, from the change of the combo box or the text
// to the proxy updated and the "Shown entries" count written, beside the floor
// of one plain pass over the rows making the same test. Run with
// QT_QPA_PLATFORM=offscreen; the editor is driven through its own handlers.
#include "BenchSupport.h"
#include "SyntheticProduct.h"

#include "app/Glossa_DeskApp.h"
#include "checks/CheckEngine.h"
#include "editor/EntryFilterModel.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Constants.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>
#include <memory>

using namespace Glossa;

namespace {

constexpr int Attributes = 20000;
constexpr int EnglishRow = 1;
constexpr int GermanRow = 55;
const QStringList ShowNames = {QStringLiteral("All entries"), QStringLiteral("Untranslated"), QStringLiteral("Errors"),
                               QStringLiteral("Marked"), QStringLiteral("Warnings"), QStringLiteral("Same as reference")};

bool waitExposed(QWidget *widget)
{
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (QWindow *window = widget->windowHandle(); window && window->isExposed())
            return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return false;
}

void printRow(const QString &what, double ms, double floorMs, const QString &count)
{
    std::printf("%-52s %10.3f %10.3f %8.1fx   %s\n", qPrintable(what), ms, floorMs, floorMs > 0 ? ms / floorMs : 0.0,
                qPrintable(count));
}

} // namespace

int main(int argc, char **argv)
{
    CGlossa_DeskApp app(argc, argv);
    Bench::quietWindowMaskWarnings();

    QTemporaryDir productDir;
    const QString root = productDir.path();
    Bench::makeProduct(root, Attributes, {EnglishRow, GermanRow}, {EnglishRow, GermanRow}, {});
    QDir::setCurrent(root);
    resetAttributeIdCounter();
    CGlossa_DeskDlg window;
    if (!window.OnInitDialog())
        qFatal("the main window did not start in %s", qPrintable(root));
    window.show();
    waitExposed(&window);
    window.onLanguageSelected(window.languageCombo()->findData(GermanRow));

    CVuduzLanguageMapDlg editor(&window);
    editor.sourceList = window.entryRows();
    editor.languageIndex = GermanRow;
    editor.OnInitDialog();
    editor.show();
    waitExposed(&editor);
    QCoreApplication::processEvents();

    // The synthetic German is complete and clean; give every "Show" choice
    // something to find: one value in ten blank, one in ten the same as its
    // reference, one row in 25 marked ERROR and one in 25 MODIFIED.
    const int status = editor.entries()->statusColumn();
    editor.entries()->updateRows([&](EntryRow &row) {
        const auto i = int(row.id);
        if (i % 10 == 0)
            row.cells[1] = QStringLiteral("\"\"");
        else if (i % 10 == 1)
            row.cells[1] = row.cells[2];
        if (status >= 0 && i % 25 == 2)
            row.cells[size_t(status)] = StatusError;
        else if (status >= 0 && i % 25 == 3)
            row.cells[size_t(status)] = StatusModified;
    });
    QCoreApplication::processEvents();

    QComboBox *show = editor.showCombo();
    QLineEdit *filter = editor.filterEdit();
    QLineEdit *count = editor.shownEntriesField();
    const auto warningTest = [&](const EntryRow &row) {
        for (const Finding &f : editor.session().findingsOf(row))
            if (f.severity == FindingSeverity::Warning)
                return true;
        return false;
    };
    // The floor: one pass over the rows with the filter's own test, counting.
    int floorCount = 0;
    auto floorScan = [&](EntryFilterMode mode, const QString &text) {
        floorCount = 0;
        for (const EntryRow &row : editor.entries()->rows())
            floorCount += EntryFilterModel::matches(row, status, mode, text, warningTest);
    };
    auto reset = [&] {
        filter->setText(QString());
        show->setCurrentIndex(0);
        editor.filterBar().applyFilter();
        QCoreApplication::processEvents();
    };
    auto choose = [&](int mode) {
        show->setCurrentIndex(mode);
        editor.filterBar().applyFilter(); // what the combo box's activated signal calls
    };
    QStringList mismatches;
    auto checkCount = [&](const QString &what) {
        const QString expected = QStringLiteral("Showing %1 of %2")
                                     .arg(QLocale(QLocale::English, QLocale::UnitedStates).toString(floorCount), QLocale(QLocale::English, QLocale::UnitedStates).toString(Attributes));
        if (count->text() != expected)
            mismatches << QStringLiteral("%1: \"%2\", the floor counts %3").arg(what, count->text()).arg(floorCount);
        return count->text();
    };

    std::printf("\nThe editor's filter bar, 20,000 rows (best of 5): change to proxy updated and count written\n");
    std::printf("%-52s %10s %10s %9s   %s\n", "operation", "ms", "floor ms", "x floor", "count field");

    for (int mode = 1; mode < int(ShowNames.size()); ++mode) {
        const double ms = Bench::bestMs(reset, [&] { choose(mode); });
        const QString shown = count->text();
        const double floorMs = Bench::bestMs([&] { floorScan(EntryFilterMode(mode), {}); });
        checkCount(ShowNames[mode]);
        const double paintedMs = Bench::bestMs(reset, [&] {
            choose(mode);
            QCoreApplication::processEvents();
        });
        printRow(QStringLiteral("Show: %1").arg(ShowNames[mode]), ms, floorMs, shown);
        printRow(QStringLiteral("  the same until repainted"), paintedMs, floorMs, {});
    }
    {
        const double ms = Bench::bestMs([&] { choose(1); }, [&] { choose(0); });
        printRow(QStringLiteral("Show: back to All entries"), ms, 0, count->text());
    }

    // Typing "msg" into the filter field: each key press filters again.
    const QString typed = QStringLiteral("msg");
    double typingMs = 0, typingFloorMs = 0;
    for (qsizetype n = 1; n <= typed.size(); ++n) {
        const QString before = typed.left(n - 1);
        const QString after = typed.left(n);
        const double ms = Bench::bestMs([&] {
            reset();
            filter->setText(before);
            QCoreApplication::processEvents();
        }, [&] { filter->setText(after); });
        const QString shown = count->text();
        const double floorMs = Bench::bestMs([&] { floorScan(EntryFilterMode::All, after); });
        checkCount(QStringLiteral("Filter ") + after);
        typingMs += ms;
        typingFloorMs += floorMs;
        printRow(QStringLiteral("Filter: type \"%1\" after \"%2\"").arg(typed.mid(n - 1, 1), before), ms, floorMs, shown);
    }
    printRow(QStringLiteral("  all three key presses"), typingMs, typingFloorMs, {});
    {
        const double ms = Bench::bestMs(reset, [&] { filter->setText(QStringLiteral("zqx")); });
        const QString shown = count->text();
        const double floorMs = Bench::bestMs([&] { floorScan(EntryFilterMode::All, QStringLiteral("zqx")); });
        checkCount(QStringLiteral("Filter zqx"));
        printRow(QStringLiteral("Filter: paste \"zqx\" (found nowhere)"), ms, floorMs, shown);
    }
    {
        const double ms = Bench::bestMs([&] {
            reset();
            choose(int(EntryFilterMode::Warnings));
            filter->setText(QStringLiteral("ms"));
        }, [&] { filter->setText(typed); });
        const QString shown = count->text();
        const double floorMs = Bench::bestMs([&] { floorScan(EntryFilterMode::Warnings, typed); });
        checkCount(QStringLiteral("Warnings + msg"));
        printRow(QStringLiteral("Show: Warnings, type \"g\" after \"ms\""), ms, floorMs, shown);
    }
    {
        const double ms = Bench::bestMs([&] {
            reset();
            filter->setText(typed);
        }, [&] { filter->setText(QString()); });
        printRow(QStringLiteral("Filter: clear \"msg\" (back to every row)"), ms, 0, count->text());
    }

    std::printf("floor = one pass over the 20,000 rows with EntryFilterModel::matches and the editor's warning test;\n"
                "target under 30 ms for each change\n");
    for (const QString &m : mismatches)
        std::printf("COUNT MISMATCH %s\n", qPrintable(m));
    editor.hide();
    window.hide();
    return mismatches.isEmpty() ? 0 : 1;
}
