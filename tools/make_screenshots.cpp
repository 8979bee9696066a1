// Takes the README's screenshots: the windows on a scratch copy of the demo
// product, each grabbed as the user sees it. Run under Xvfb:
//   xvfb-run -a build/bin/glossa-screenshots docs/
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "mainwindow/AddNewLanDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/LocaleCatalogue.h"
#include "model/Types.h"
#include "waiting/WaitingDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

using namespace Glossa;

namespace {

void settle()
{
    for (int i = 0; i < 20; ++i) {
        QApplication::processEvents();
        QThread::msleep(10);
    }
}

void save(QWidget *window, const QString &path)
{
    settle();
    if (!window->grab().save(path))
        qFatal("cannot write %s", qPrintable(path));
    std::printf("%s\n", qPrintable(path));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString out = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs")).absolutePath();
    const QString demo = QDir(argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("examples/demo-product")).absolutePath();
    QTemporaryDir scratch;
    QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-r"), demo + QStringLiteral("/."), scratch.path()});
    QDir::setCurrent(scratch.path());
    CWaitingDlg::registerMessages();

    CGlossa_DeskDlg main;
    if (!main.OnInitDialog())
        return 1;
    main.show();
    const int french = main.languageCombo()->findData(50);
    main.languageCombo()->setCurrentIndex(french);
    main.onLanguageSelected(french);
    save(&main, out + QStringLiteral("/main-window.png"));

    CVuduzLanguageMapDlg editor(&main);
    editor.sourceList = main.entryRows();
    editor.languageIndex = 50;
    editor.OnInitDialog();
    editor.resize(1100, 720);
    // One applied value that keeps its placeholders, one that loses them.
    const int open = editor.entries()->findRowById(*main.languageStore().findAttribute(QStringLiteral("IDS_FILE_OPEN")));
    editor.ShowEntry(open);
    editor.valueEdit()->setText(QStringLiteral("\"Ouvrir\u2026\""));
    editor.ApplyValue();
    const int count = editor.entries()->findRowById(*main.languageStore().findAttribute(QStringLiteral("IDS_DEVICE_COUNT")));
    editor.ShowEntry(count);
    editor.valueEdit()->setText(QStringLiteral("\"%d appareils\""));
    editor.ApplyValue();
    editor.entryList()->scrollToTop();
    editor.ShowEntry(0);
    save(&editor, out + QStringLiteral("/editor.png"));

    presentLanguages().erase(67);
    CAddNewLanDlg add(&main);
    add.show();
    save(&add, out + QStringLiteral("/add-language.png"));
    return 0;
}
