#include "app/Glossa_DeskApp.h"

#include "mainwindow/Glossa_DeskDlg.h"
#include "model/LocaleCatalogue.h"
#include "model/Types.h"
#include "waiting/WaitingDlg.h"

#include <QIcon>

namespace Glossa {

CGlossa_DeskApp::CGlossa_DeskApp(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("glossa-desk"));
    // No display name: Qt would append it to every title it hands the window
    // manager ("Warning — Glossa Desk"), and the titles must read as they are set.
    setApplicationVersion(QStringLiteral("1.0"));
    setDesktopFileName(QStringLiteral("glossa-desk"));
    setWindowIcon(QIcon(QStringLiteral(":/glossa-desk.png")));
    // The main window is the whole run; closing it ends the process.
    setQuitOnLastWindowClosed(false);

    // The process-wide objects, built in this order before any window exists.
    LocaleCatalogue::instance();
    presentLanguages().clear();
    CWaitingDlg::registerMessages();
}

bool CGlossa_DeskApp::InitInstance()
{
    CGlossa_DeskDlg mainWindow;
    mainWindow.exec(); // the dialog's result is not needed
    return false;
}

int CGlossa_DeskApp::ExitInstance()
{
    return m_exitCode;
}

} // namespace Glossa
