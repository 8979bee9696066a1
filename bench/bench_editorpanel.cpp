// The editor's side panel on the synthetic product (20,000 attributes, German
// against English): opening the editor with the panel hidden and in view, and a
// step from one entry to the next, each with the panel hidden and in view. The
// step is what ShowEntry costs the window's thread: the suggestions are worked
// out on a worker and arrive after it. Run with QT_QPA_PLATFORM=offscreen (set
// when unset); the remembered settings go to a scratch home.
#include "BenchSupport.h"
#include "SyntheticProduct.h"

#include "app/Glossa_DeskApp.h"
#include "editor/EditorSuggestions.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/LocaleCatalogue.h"
#include "model/Types.h"
#include "shared/WindowSettings.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace Glossa;

namespace {

constexpr int Attributes = 20000;
constexpr int GermanRow = 55;
constexpr int Steps = 300;

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

// The panel as the next editor finds it: in view, or hidden by the user last time.
void rememberPanel(bool shown)
{
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/glossa-desk/suggestions.json");
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(QJsonObject{{QStringLiteral("shown"), shown}}).toJson());
    WindowSettings().clear();
}

std::unique_ptr<CVuduzLanguageMapDlg> openEditor(CGlossa_DeskDlg &window)
{
    auto editor = std::make_unique<CVuduzLanguageMapDlg>(&window);
    editor->sourceList = window.entryRows();
    editor->languageIndex = GermanRow;
    editor->OnInitDialog();
    waitExposed(editor.get());
    return editor;
}

// Median and worst of the steps through the last Steps entries (the untranslated ones).
std::pair<double, double> stepMs(CVuduzLanguageMapDlg &editor)
{
    std::vector<double> times;
    const int rows = editor.entries()->rowCount();
    for (int i = 0; i < Steps; ++i) {
        QElapsedTimer timer;
        timer.start();
        editor.ShowEntry(rows - 1 - i);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        QCoreApplication::processEvents(); // the answers of the worker come in between the steps
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back()};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath(QStringLiteral("state"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    CGlossa_DeskApp app(argc, argv);
    Bench::quietWindowMaskWarnings();

    QTemporaryDir productDir;
    const QList<int> languages{0, 1, GermanRow};
    Bench::makeProduct(productDir.path(), Attributes, languages, languages, languages);
    QDir::setCurrent(productDir.path());
    resetAttributeIdCounter();
    CGlossa_DeskDlg window;
    if (!window.OnInitDialog())
        qFatal("the main window did not start");
    window.show();
    window.onLanguageSelected(window.languageCombo()->findData(GermanRow));

    std::unique_ptr<CVuduzLanguageMapDlg> editor;
    const auto open = [&](bool shown) {
        return Bench::bestMs([&] {
            editor.reset();
            QCoreApplication::processEvents();
            rememberPanel(shown);
        }, [&] { editor = openEditor(window); });
    };
    // Alternated, so that a slow phase of the machine weighs on both alike.
    double hiddenMs = 1e300, shownMs = 1e300;
    for (int round = 0; round < 3; ++round) {
        hiddenMs = std::min(hiddenMs, open(false));
        shownMs = std::min(shownMs, open(true));
    }
    editor.reset();

    rememberPanel(false);
    editor = openEditor(window);
    const auto [hiddenStep, hiddenWorst] = stepMs(*editor);
    editor.reset();
    rememberPanel(true);
    editor = openEditor(window);
    const auto [shownStep, shownWorst] = stepMs(*editor);
    const bool answered = !editor->suggestions().isWorking() || [&] {
        const QDeadlineTimer deadline(60000);
        while (editor->suggestions().isWorking() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return !editor->suggestions().isWorking();
    }();
    editor.reset();

    Bench::printHeader("The editor's side panel, 20,000 attributes, German (best of 15 openings; steps: median of 300)");
    Bench::printRow(QStringLiteral("open the editor, panel in view, until exposed"), shownMs,
                    QStringLiteral("panel hidden"), hiddenMs);
    Bench::printRow(QStringLiteral("a step to the next entry (ShowEntry), panel in view"), shownStep,
                    QStringLiteral("panel hidden"), hiddenStep);
    std::printf("  worst step: %.2f ms in view, %.2f ms hidden; the suggestions %s\n", shownWorst, hiddenWorst,
                answered ? "all arrived after the steps" : "had not all arrived after a minute");
    return 0;
}
