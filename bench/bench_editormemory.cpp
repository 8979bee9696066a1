// The editor's resident memory with the translation memory, on the synthetic product of
// bench_memory (20,000 attributes x 112 languages) and its 200,000-unit German TMX file:
// the real main window on German, the editor opened, the suggestions panel shown (F9), 50
// entries shown, the TMX file added as "Add Translation Memory…" adds it, 50 more entries
// shown. Prints the resident set and the heap in use at each stage and the peak (VmHWM).
//
// The files are written by `bench_memory --make` in a process of their own, and each
// measurement runs in a child process of its own, so that neither the generator's memory
// nor an earlier run's counts. Run with QT_QPA_PLATFORM=offscreen (set when unset).
//   bench_editormemory            make the files, measure in a child (twice)
//   bench_editormemory DIR        measure on the files of `bench_memory --make DIR`
#include "BenchSupport.h"

#include "app/Glossa_DeskApp.h"
#include "editor/EditorSuggestions.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/LocaleCatalogue.h"
#include "model/Types.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QThread>

#include <malloc.h>

#include <cstdio>
#include <memory>

using namespace Glossa;

namespace {

constexpr int ShownEach = 50;

// A field of /proc/self/status in MiB ("VmRSS", "VmHWM").
double statusMiB(const char *field)
{
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

// Runs the event loop until done() holds; false after timeoutMs.
template<typename Done>
bool waitFor(Done done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void printStage(const char *stage)
{
    const struct mallinfo2 heap = mallinfo2();
    std::printf("%-58s %8.1f MiB resident %8.1f MiB heap in use %8.1f MiB peak\n", stage, statusMiB("VmRSS"),
                double(heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0), statusMiB("VmHWM"));
}

int measure(int argc, char **argv, const QString &files)
{
    CGlossa_DeskApp app(argc, argv);
    Bench::quietWindowMaskWarnings();
    QTemporaryDir home;
    // The remembered TMX files and the journals go to a scratch home, not the user's.
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_STATE_HOME", QFile::encodeName(home.filePath(QStringLiteral("state"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    const QString root = QDir(files).filePath(QStringLiteral("product"));
    const QString tmx = QDir(files).filePath(QStringLiteral("big.tmx"));
    if (!QFile::exists(tmx))
        qFatal("no TMX file in %s: bench_memory --make writes it", qPrintable(files));
    int germanRow = -1;
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row)
        if (LocaleCatalogue::RowAt(row).localeCode == u"0x0407")
            germanRow = row;
    printStage("the application");

    QDir::setCurrent(root);
    CGlossa_DeskDlg window;
    if (!window.OnInitDialog())
        qFatal("the main window did not start in %s", qPrintable(root));
    window.onLanguageSelected(window.languageCombo()->findData(germanRow));
    window.show();
    waitFor([] { return false; }, 50);
    printStage("the main window on German");

    auto editor = std::make_unique<CVuduzLanguageMapDlg>(&window);
    editor->sourceList = window.entryRows();
    editor->languageIndex = germanRow;
    editor->OnInitDialog();
    editor->show();
    waitFor([] { return false; }, 50);
    printStage("the editor open");

    EditorSuggestions &panel = editor->suggestions();
    const auto settle = [&] {
        if (!waitFor([&] { return !panel.isWorking(); }, 600000))
            qFatal("the suggestions did not answer");
        QCoreApplication::processEvents();
    };
    const int rows = editor->entries()->rowCount();
    int next = rows - 1; // the untranslated entries are the last
    const auto showEntries = [&] {
        for (int i = 0; i < ShownEach && next >= 0; ++i, --next) {
            editor->ShowEntry(next);
            settle();
        }
    };
    panel.setShown(true); // what F9 does
    settle();
    printStage("the panel shown, the product's memory built");
    showEntries();
    printStage("50 entries shown");

    panel.addMemory(tmx);
    settle();
    printStage("the TMX file added");
    showEntries();
    printStage("50 more entries shown");
    std::printf("matches of the last entry: %d; title: %s\n", int(panel.matches().size()), qPrintable(panel.title()));
    std::printf("peak resident (VmHWM): %.1f MiB = %.1f MB (target 150 MB)\n", statusMiB("VmHWM"),
                statusMiB("VmHWM") * 1.048576);
    editor.reset();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (argc > 1)
        return measure(argc, argv, QString::fromLocal8Bit(argv[1]));

    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QProcess make;
    make.setProcessChannelMode(QProcess::ForwardedChannels);
    make.start(QStringLiteral(GLOSSA_BENCH_MEMORY_PATH), {QStringLiteral("--make"), dir.path()});
    if (!make.waitForFinished(600000) || make.exitCode() != 0)
        qFatal("bench_memory --make failed");
    for (int run = 1; run <= 2; ++run) {
        std::printf("\nThe editor's memory, run %d (a process of its own)\n", run);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {dir.path()});
        if (!child.waitForFinished(600000) || child.exitCode() != 0)
            qFatal("the measuring process failed");
    }
    return 0;
}
