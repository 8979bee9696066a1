// The floor of a whole-process start-up: a Qt program that shows one empty
// window of the main window's kind, title and size, and does nothing else.
// bench/startup-xvfb.sh times it beside glossa-desk, so that what the program
// itself adds stands apart from loading Qt and connecting to the display.
// It runs until closed, so scripts/bench.sh does not run it on its own.
#include <QApplication>
#include <QDialog>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QDialog window;
    window.setWindowFlags(Qt::Window);
    window.setWindowTitle(QStringLiteral("Glossa Desk"));
    window.resize(613, 446);
    return window.exec();
}
