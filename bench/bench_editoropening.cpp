// Opening the editor on the synthetic product (20,000 attributes, German against
// English) with the side panel in view or hidden, until the window is exposed:
// the best of a number of openings, in milliseconds. Built from this source in an
// earlier tree too, so that editor-opening.sh can set one build beside another.
// Run with QT_QPA_PLATFORM=offscreen (set when unset); settings go to a scratch home.
//
//   bench_editoropening [shown|hidden] [OPENINGS]
#include "BenchSupport.h"
#include "SyntheticProduct.h"

#include "app/Glossa_DeskApp.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Types.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>
#include <memory>

using namespace Glossa;

namespace {

constexpr int Attributes = 20000;
constexpr int GermanRow = 55;

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
    const QStringList args = QCoreApplication::arguments();
    const bool shown = args.value(1) != QStringLiteral("hidden");
    const int openings = std::max(1, args.value(2, QStringLiteral("5")).toInt());

    // The panel as the editor finds it: in view, or hidden by the user last time.
    const QString remembered = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
        + QStringLiteral("/glossa-desk/suggestions.json");
    QDir().mkpath(QFileInfo(remembered).absolutePath());
    QFile file(remembered);
    if (file.open(QIODevice::WriteOnly))
        file.write(QJsonDocument(QJsonObject{{QStringLiteral("shown"), shown}}).toJson());
    file.close();

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
    const double best = Bench::bestMs(
        [&] {
            editor.reset();
            QCoreApplication::processEvents();
        },
        [&] {
            editor = std::make_unique<CVuduzLanguageMapDlg>(&window);
            editor->sourceList = window.entryRows();
            editor->languageIndex = GermanRow;
            editor->OnInitDialog();
            waitExposed(editor.get());
        },
        openings);
    editor.reset();
    std::printf("%.2f\n", best);
    return 0;
}
