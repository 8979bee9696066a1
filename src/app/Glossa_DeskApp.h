#pragma once

#include <QApplication>

namespace Glossa {

// The application object. Its construction brings up the process-wide objects
// in their order (the locale catalogue, the empty set of present languages and
// the waiting window's three messages); InitInstance runs the main window
// modally for the whole interactive use, and ExitInstance gives the exit code.
class CGlossa_DeskApp : public QApplication
{
    Q_OBJECT

public:
    CGlossa_DeskApp(int &argc, char **argv);

    // Runs the main window; false in every case, as there is no further loop to enter.
    bool InitInstance();
    // The process exit code.
    int ExitInstance();

private:
    int m_exitCode = 0;
};

} // namespace Glossa
