// The windows on the reference product (20,000 attributes, all 112 languages
// present and indexed): start-up, language selection, opening the editor,
// sorting, ApplySavedValues, memory, saving, searching and adding a language,
// each beside the naive way where there is one. The naive ways that grow with
// the square of the product run on 2,000 attributes. Run with
// QT_QPA_PLATFORM=offscreen; everything is in this process and driven through
// the windows' own handlers, so no modal loop runs.
#include "BenchSupport.h"
#include "NaiveWays.h"
#include "SyntheticProduct.h"

#include "app/Glossa_DeskApp.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "model/SyncLanguageIndex.h"
#include "platform/MessageBox.h"
#include "platform/Notifier.h"
#include "platform/ProfileFile.h"
#include "waiting/WaitingScope.h"

#include <QCollator>
#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QWindow>

#include <malloc.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Glossa;

namespace {

constexpr int Attributes = 20000;
constexpr int SmallAttributes = 2000;
constexpr int GermanRow = 55;
const QStringList EditorHeaders = {QStringLiteral("Attribute"), QStringLiteral("Value"), QStringLiteral("Reference"),
                                   QStringLiteral("Statue")};

// One printed table per area, filled as the measurements come in.
struct Row
{
    QString what;
    double ms;
    QString against;
    double againstMs;
};
struct Table
{
    const char *title;
    std::vector<Row> rows;
    QStringList notes;
};

void print(const Table &table)
{
    Bench::printHeader(table.title);
    for (const Row &row : table.rows)
        Bench::printRow(row.what, row.ms, row.against, row.againstMs);
    for (const QString &note : table.notes)
        std::printf("  %s\n", qPrintable(note));
}

// The offscreen platform has no window shapes and says so each time the
// waiting window comes up; that says nothing about the figures.
class QuietNotifier : public Notifier
{
public:
    void notify(Severity, const QString &, const QString &text) override
    {
        std::fprintf(stderr, "notice: %s\n", qPrintable(text));
    }
};

QList<int> allRows()
{
    QList<int> rows;
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row)
        rows << row;
    return rows;
}

// Gives back to the system what the product generator and earlier runs freed,
// so that the resident figures are the windows' own.
double trimmedResidentMiB()
{
    QCoreApplication::processEvents();
    malloc_trim(0);
    return Bench::residentMiB();
}

// Runs the event loop until the window system has exposed the window.
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

std::unique_ptr<CGlossa_DeskDlg> startWindow(const QString &root)
{
    QDir::setCurrent(root);
    resetAttributeIdCounter();
    auto window = std::make_unique<CGlossa_DeskDlg>();
    if (!window->OnInitDialog())
        qFatal("the main window did not start in %s", qPrintable(root));
    window->show();
    waitExposed(window.get());
    return window;
}

int comboIndexOf(const CGlossa_DeskDlg &window, int catalogueRow)
{
    return window.languageCombo()->findData(catalogueRow);
}

EntryListModel *mainRows(CGlossa_DeskDlg &window)
{
    return const_cast<EntryListModel *>(window.entryRows());
}

std::unique_ptr<CVuduzLanguageMapDlg> openEditor(CGlossa_DeskDlg &window, int languageRow)
{
    auto editor = std::make_unique<CVuduzLanguageMapDlg>(&window);
    editor->sourceList = window.entryRows();
    editor->languageIndex = languageRow;
    editor->OnInitDialog();
    return editor;
}

void closeEditor(std::unique_ptr<CVuduzLanguageMapDlg> &editor)
{
    editor.reset();
    QCoreApplication::processEvents();
}

// Language selection as the main window does it, with the naive load in place of LoadLanguageFile.
void naiveSelect(CGlossa_DeskDlg &window, int languageRow)
{
    WaitingScope wait(&window, LoadingText);
    window.entryList()->hide();
    EntryListModel *model = mainRows(window);
    model->clear();
    const LanguageStore &store = window.languageStore();
    const AttributeCatalogue catalogue = store.attributes();
    LanguageValues values;
    RedundantKeySet redundant;
    Bench::naiveLoad(store, store.filePathFor(LocaleCatalogue::DisplayNameAt(languageRow)), values, redundant);
    std::vector<EntryRow> rows;
    rows.reserve(catalogue.size());
    for (auto it = catalogue.cbegin(); it != catalogue.cend(); ++it)
        rows.push_back(EntryRow{{it.value(), values.value(it.key())}, it.key()});
    model->setRows(std::move(rows));
    window.entryList()->show();
    wait.finish();
}

// A click on a header and the repaint that follows it.
double sortByClick(CVuduzListCtrl *list, int column)
{
    return Bench::bestMs([&] { list->headerClicked((column + 1) % int(EditorHeaders.size())); },
                         [&] {
                             list->headerClicked(column);
                             QCoreApplication::processEvents();
                         });
}

// Every row marked MODIFIED with a new value, one in oddEvery (if any) lacking
// its closing quote; answers queued for the questions Save will ask.
int markEveryRow(CVuduzLanguageMapDlg &editor, int round, int oddEvery)
{
    editor.entries()->updateRows([&](EntryRow &row) {
        const bool odd = oddEvery > 0 && row.id % AttributeId(oddEvery) == AttributeId(oddEvery - 1);
        row.cells[1] = QStringLiteral("\"Wert %1 Runde %2").arg(row.id).arg(round) + (odd ? QString() : QStringLiteral("\""));
        row.cells[3] = StatusModified;
    });
    int questions = 0;
    for (const EntryRow &row : editor.entries()->rows())
        questions += row.cells[1].count(u'"') % 2;
    MessageBox::resetTestHooks();
    for (int i = 0; i < questions; ++i)
        MessageBox::setNextAnswer(QMessageBox::Yes);
    return questions;
}

} // namespace

int main(int argc, char **argv)
{
    // The program's own application object, so the process-wide objects come up as they do at start.
    CGlossa_DeskApp app(argc, argv);
    Bench::quietWindowMaskWarnings();
    QuietNotifier notifier;

    Table startup{"Start-up, 20,000 attributes x 112 languages (best of 5)", {}, {}};
    Table selection{"Language selection and the editor, 20,000 rows (best of 5)", {}, {}};
    Table saving{"Saving and searching, 20,000 rows (best of 5)", {}, {}};
    Table adding{"Add New Language, 20,000 attributes (best of 5)", {}, {}};

    QTemporaryDir productDir;
    const QString root = productDir.path();
    const Bench::SyntheticProduct product = Bench::makeProduct(root, Attributes, allRows(), allRows(), allRows());
    const double baseMiB = trimmedResidentMiB();

    // --- Start-up: the window made, initialised and on screen.
    std::unique_ptr<CGlossa_DeskDlg> window;
    double constructMs = 1e300, initMs = 1e300, showMs = 1e300;
    double firstMs = 0, firstConstructMs = 0, firstInitMs = 0, firstShowMs = 0;
    const double startMs = Bench::bestMs([&] {
        window.reset();
        QCoreApplication::processEvents();
    }, [&] {
        QElapsedTimer t;
        t.start();
        QDir::setCurrent(root);
        resetAttributeIdCounter();
        window = std::make_unique<CGlossa_DeskDlg>();
        const double a = t.nsecsElapsed() / 1e6;
        window->OnInitDialog();
        const double b = t.nsecsElapsed() / 1e6;
        window->show();
        waitExposed(window.get());
        const double c = t.nsecsElapsed() / 1e6;
        if (firstMs == 0) {
            firstMs = c;
            firstConstructMs = a;
            firstInitMs = b - a;
            firstShowMs = c - b;
        }
        constructMs = std::min(constructMs, a);
        initMs = std::min(initMs, b - a);
        showMs = std::min(showMs, c - b);
    });
    const double openSyncMs = Bench::bestMs([&] {
        QDir::setCurrent(root);
        resetAttributeIdCounter();
        LanguageStore store;
        store.Open(QStringLiteral("./language"));
        PresentLanguageSet present;
        SyncLanguageIndex(root, store, QStringLiteral("/language"), QStringLiteral("/Web/LanguageInfo"), present, notifier);
    });
    startup.rows.push_back({QStringLiteral("start-up: construct, OnInitDialog, show until exposed"), startMs,
                            QStringLiteral("Open + SyncLanguageIndex alone"), openSyncMs});
    startup.rows.push_back({QStringLiteral("  construct the main window"), constructMs, {}, 0});
    startup.rows.push_back({QStringLiteral("  OnInitDialog (waiting window, Open, sync, list)"), initMs, {}, 0});
    startup.rows.push_back({QStringLiteral("  show until exposed"), showMs, {}, 0});
    startup.rows.push_back({QStringLiteral("start-up, first run in the process (cold)"), firstMs, {}, 0});
    startup.rows.push_back({QStringLiteral("  construct the main window"), firstConstructMs, {}, 0});
    startup.rows.push_back({QStringLiteral("  OnInitDialog"), firstInitMs, {}, 0});
    startup.rows.push_back({QStringLiteral("  show until exposed"), firstShowMs, {}, 0});
    startup.notes << QStringLiteral("%1 languages in the list; target under 100 ms").arg(window->languageCombo()->count());

    // --- Language selection.
    const int germanIndex = comboIndexOf(*window, GermanRow);
    const double selectMs = Bench::bestMs([&] { window->onLanguageSelected(germanIndex); });
    const int selectedRows = mainRows(*window)->rowCount();
    const double afterSelectionMiB = trimmedResidentMiB();

    // --- Opening the editor.
    std::unique_ptr<CVuduzLanguageMapDlg> editor;
    double exposedMs = 1e300;
    const double openMs = Bench::bestMs([&] { closeEditor(editor); }, [&] { editor = openEditor(*window, GermanRow); });
    for (int i = 0; i < 3; ++i) {
        closeEditor(editor);
        QElapsedTimer t;
        t.start();
        editor = openEditor(*window, GermanRow);
        waitExposed(editor.get());
        QCoreApplication::processEvents();
        exposedMs = std::min(exposedMs, t.nsecsElapsed() / 1e6);
    }
    int errorRows = 0;
    for (const EntryRow &row : editor->entries()->rows())
        errorRows += row.cells[3] == StatusError;
    const double editorMiB = trimmedResidentMiB();

    // --- Sorting by each column in the open editor.
    std::vector<double> sortMs;
    for (int column = 0; column < int(EditorHeaders.size()); ++column)
        sortMs.push_back(sortByClick(editor->entryList(), column));
    // The naive sort once at full size, by "Value" (the rows as the editor holds them, last sorted by "Statue").
    std::vector<EntryRow> naiveRows;
    const double naiveFullSortMs = Bench::bestMs([&] { naiveRows = editor->entries()->rows(); },
                                                 [&] { Bench::naiveSort(naiveRows, 1, editor->entries()->sortLocale()); }, 1);
    closeEditor(editor);

    // --- ApplySavedValues into the main window's list.
    LanguageValues saved;
    for (int i = 0; i < Attributes; ++i)
        saved.insert(saved.cend(), AttributeId(i), Bench::translatedValue(i, 8));
    const double applyMs = Bench::bestMs([&] { window->ApplySavedValues(saved); });
    const double naiveApplyMs = Bench::bestMs([&] {
        EntryListModel *model = mainRows(*window);
        for (auto it = saved.cbegin(); it != saved.cend(); ++it) {
            const int row = Bench::linearFind(model->rows(), it.key());
            if (row >= 0)
                model->setText(row, 1, it.value());
        }
    }, 3);

    // --- Save: OnSave of 20,000 MODIFIED rows, without questions and with one in 1,000 asked about.
    int round = 0;
    struct SaveRun
    {
        double ms;
        int expected;
        qsizetype asked;
        int result;
    };
    auto timeSave = [&](int oddEvery) {
        SaveRun run{0, 0, 0, 0};
        run.ms = Bench::bestMs([&] {
            closeEditor(editor);
            editor = openEditor(*window, GermanRow);
            run.expected = markEveryRow(*editor, ++round, oddEvery);
        }, [&] { editor->OnSave(); });
        run.asked = MessageBox::shownMessages().size();
        run.result = editor->result();
        MessageBox::resetTestHooks();
        return run;
    };
    const SaveRun save = timeSave(0);
    const SaveRun saveAsking = timeSave(1000);
    closeEditor(editor);
    // The naive save rewrites the whole file once per value: 200 values timed, scaled to 20,000.
    constexpr int NaiveSaveSample = 200;
    const QString germanPath = window->languageStore().filePathFor(LocaleCatalogue::DisplayNameAt(GermanRow));
    const double naiveSaveSample = Bench::bestMs([&] {
        int n = 0;
        const AttributeCatalogue &names = window->languageStore().attributes();
        for (auto it = names.cbegin(); it != names.cend() && n < NaiveSaveSample; ++it, ++n)
            WritePrivateProfileString(TextSectionName, it.value(),
                                      LanguageStore::quotedForSaving(QStringLiteral("Naiv %1").arg(n)), germanPath);
    }, 1);
    const double naiveSaveMs = naiveSaveSample * (Attributes / NaiveSaveSample);

    // --- SearchNext for a text only the last row holds.
    editor = openEditor(*window, GermanRow);
    const QString lastName = Bench::attributeName(Attributes - 1);
    int found = -1;
    const double searchMs = Bench::bestMs([&] { editor->searchCursor = -1; }, [&] { found = editor->SearchNext(lastName); });
    const double scanMs = Bench::bestMs([&] {
        int hit = -1;
        const auto &rows = editor->entries()->rows();
        for (std::size_t i = 0; i < rows.size() && hit < 0; ++i)
            if (rows[i].cells[0].contains(lastName))
                hit = int(i);
        if (hit < 0)
            std::printf("?");
    });
    closeEditor(editor);

    // --- Add New Language: the file created, then the editor opened on a copy of the catalogue.
    const int newRow = 2;
    const QString newName = LocaleCatalogue::DisplayNameAt(newRow);
    const QString newPath = window->languageStore().filePathFor(newName);
    double createMs = 1e300, newEditorMs = 1e300;
    AttributeCatalogue newCatalogue; // the caller's copy, alive while the editor runs
    const double addMs = Bench::bestMs([&] {
        closeEditor(editor);
        QFile::remove(newPath);
    }, [&] {
        QElapsedTimer t;
        t.start();
        {
            WaitingScope wait(window.get(), LoadingText);
            window->languageStore().CreateLanguageFile(newName);
            wait.finish();
        }
        const double created = t.nsecsElapsed() / 1e6;
        newCatalogue = window->languageStore().attributes();
        editor = std::make_unique<CVuduzLanguageMapDlg>(window.get());
        editor->newLanguageAttributes = &newCatalogue;
        editor->languageIndex = newRow;
        editor->OnInitDialog();
        createMs = std::min(createMs, created);
        newEditorMs = std::min(newEditorMs, t.nsecsElapsed() / 1e6 - created);
    });
    int newErrorRows = 0;
    for (const EntryRow &row : editor->entries()->rows())
        newErrorRows += row.cells[3] == StatusError;
    closeEditor(editor);

    // --- The naive ways that are quadratic, on 2,000 attributes (English and German only).
    QTemporaryDir smallDir;
    Bench::makeProduct(smallDir.path(), SmallAttributes, {1, GermanRow}, {1, GermanRow}, {});
    auto small = startWindow(smallDir.path());
    const int smallGerman = comboIndexOf(*small, GermanRow);
    const double smallSelectMs = Bench::bestMs([&] { small->onLanguageSelected(smallGerman); });
    const double naiveSmallSelectMs = Bench::bestMs([&] { naiveSelect(*small, GermanRow); }, 3);
    small->onLanguageSelected(smallGerman);
    auto smallEditor = openEditor(*small, GermanRow);
    std::vector<double> smallSortMs, naiveSortMs;
    const QLocale sortLocale = smallEditor->entries()->sortLocale();
    for (int column = 0; column < int(EditorHeaders.size()); ++column) {
        smallSortMs.push_back(sortByClick(smallEditor->entryList(), column));
        std::vector<EntryRow> rows;
        naiveSortMs.push_back(Bench::bestMs([&] { rows = smallEditor->entries()->rows(); },
                                            [&] { Bench::naiveSort(rows, column, sortLocale); }, 3));
    }
    smallEditor.reset();

    // Naive creation on 2,000 attributes, one rewrite per attribute, beside CreateLanguageFile there.
    const QString smallNewPath = small->languageStore().filePathFor(newName);
    const double smallCreateMs = Bench::bestMs([&] { QFile::remove(smallNewPath); },
                                               [&] { small->languageStore().CreateLanguageFile(newName); }, 3);
    const double naiveSmallCreateMs = Bench::bestMs([&] { QFile::remove(smallNewPath); }, [&] {
        for (const QString &name : small->languageStore().attributes())
            WritePrivateProfileString(TextSectionName, name, QStringLiteral(" "), smallNewPath);
    }, 1);
    small.reset();

    // The naive selection is quadratic too: run on 20,000 only when 2,000 predicts it ends within two minutes.
    const double predictedNaiveSelectMs = naiveSmallSelectMs * 100;
    double naiveSelectMs = 0;
    if (predictedNaiveSelectMs < 120000)
        naiveSelectMs = Bench::bestMs([&] { naiveSelect(*window, GermanRow); }, 1);

    // --- The tables.
    if (naiveSelectMs > 0)
        selection.rows.push_back({QStringLiteral("select a language (onLanguageSelected)"), selectMs,
                                  QStringLiteral("naive: catalogue scan per key (1 run)"), naiveSelectMs});
    else
        selection.rows.push_back({QStringLiteral("select a language (onLanguageSelected)"), selectMs, {}, 0});
    selection.rows.push_back({QStringLiteral("select a language, 2,000 attributes"), smallSelectMs,
                              QStringLiteral("naive: catalogue scan per key"), naiveSmallSelectMs});
    selection.rows.push_back({QStringLiteral("open the editor (construct + OnInitDialog)"), openMs, {}, 0});
    selection.rows.push_back({QStringLiteral("open the editor, until exposed and painted (best of 3)"), exposedMs, {}, 0});
    for (int column = 0; column < int(EditorHeaders.size()); ++column) {
        if (column == 1)
            selection.rows.push_back({QStringLiteral("sort by \"%1\" (header click + repaint)").arg(EditorHeaders[column]),
                                      sortMs[std::size_t(column)], QStringLiteral("naive: rows found by item data (1 run)"),
                                      naiveFullSortMs});
        else
            selection.rows.push_back({QStringLiteral("sort by \"%1\" (header click + repaint)").arg(EditorHeaders[column]),
                                      sortMs[std::size_t(column)], {}, 0});
    }
    for (int column = 0; column < int(EditorHeaders.size()); ++column)
        selection.rows.push_back({QStringLiteral("sort 2,000 by \"%1\" (header click + repaint)").arg(EditorHeaders[column]),
                                  smallSortMs[std::size_t(column)], QStringLiteral("naive: rows found by item data"),
                                  naiveSortMs[std::size_t(column)]});
    selection.rows.push_back({QStringLiteral("ApplySavedValues of 20,000 values"), applyMs,
                              QStringLiteral("naive: search from row 0 (best of 3)"), naiveApplyMs});
    selection.notes << QStringLiteral("%1 rows listed; %2 rows marked ERROR on opening; sorted in the %3 locale")
                           .arg(selectedRows)
                           .arg(errorRows)
                           .arg(sortLocale.name());
    if (naiveSelectMs == 0)
        selection.notes << QStringLiteral("the naive selection on 20,000 would take about %1 s (100 x the 2,000 figure): not run")
                               .arg(predictedNaiveSelectMs / 1000, 0, 'f', 0);
    selection.notes << QStringLiteral("the naive sort runs once on 20,000 rows (by \"Value\") and on 2,000 rows by every column");
    selection.notes << QStringLiteral("resident: %1 MiB before any window, %2 MiB with the main window on 20,000 rows, "
                                      "%3 MiB with the editor open as well; target under 150 MB")
                           .arg(baseMiB, 0, 'f', 1)
                           .arg(afterSelectionMiB, 0, 'f', 1)
                           .arg(editorMiB, 0, 'f', 1);
    selection.notes << QStringLiteral("targets: selection under 50 ms, opening under 100 ms, sort under 100 ms, "
                                      "ApplySavedValues under 20 ms");

    saving.rows.push_back({QStringLiteral("Save (OnSave) of 20,000 MODIFIED rows"), save.ms,
                           QStringLiteral("naive: 200 profile writes x 100"), naiveSaveMs});
    saving.rows.push_back({QStringLiteral("  the same, 20 quote questions answered Yes"), saveAsking.ms, {}, 0});
    saving.rows.push_back({QStringLiteral("SearchNext, found in the last of 20,000 rows"), searchMs,
                           QStringLiteral("floor: contains() on each cell"), scanMs});
    saving.notes << QStringLiteral("Save ended with %1 and %2, after %3 and %4 questions (%5 and %6 expected); "
                                   "SearchNext found row %7; targets: save under 150 ms, search under 5 ms")
                        .arg(save.result)
                        .arg(saveAsking.result)
                        .arg(save.asked)
                        .arg(saveAsking.asked)
                        .arg(save.expected)
                        .arg(saveAsking.expected)
                        .arg(found);

    adding.rows.push_back({QStringLiteral("Add New Language: create the file + open the editor"), addMs, {}, 0});
    adding.rows.push_back({QStringLiteral("  CreateLanguageFile (waiting window around it)"), createMs, {}, 0});
    adding.rows.push_back({QStringLiteral("  copy the catalogue + open the editor"), newEditorMs, {}, 0});
    adding.rows.push_back({QStringLiteral("CreateLanguageFile, 2,000 attributes"), smallCreateMs,
                           QStringLiteral("naive: one rewrite per attribute"), naiveSmallCreateMs});
    adding.notes << QStringLiteral("%1 of the new language's rows marked ERROR (empty value, reference with placeholders); "
                                   "target under 200 ms")
                        .arg(newErrorRows);

    for (const Table *table : {&startup, &selection, &saving, &adding})
        print(*table);
    std::printf("\nratio = compared time / our time (above 1: ours is faster).\n");
    window.reset();
    return 0;
}
