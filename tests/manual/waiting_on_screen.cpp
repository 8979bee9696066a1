// Puts the waiting window up over an owner window the way a long operation does, then
// blocks the thread without processing events, so that a screenshot taken from another
// process shows what RepaintNow really put on the display.
// The text changes once while the thread is blocked, as when saving, so the second
// RepaintNow must get to the screen without the event loop's help.
// Prints "ready" on stdout once the window should be visible.
// Usage: waiting_on_screen [seconds to block, default 2]
#include "waiting/WaitingDlg.h"

#include <QApplication>
#include <QFontInfo>
#include <QLabel>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>

#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 2;

    QWidget owner;
    owner.setWindowTitle(QStringLiteral("Glossa Desk"));
    owner.setGeometry(60, 60, 700, 460);
    auto *layout = new QVBoxLayout(&owner);
    auto *text = new QLabel(QStringLiteral("The owner window: disabled while the work runs."), &owner);
    text->setAccessibleName(text->text());
    layout->addWidget(text);
    owner.show();
    // Let the owner reach the screen first, as a real caller's window already has.
    while (!owner.windowHandle() || !owner.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();

    Glossa::CWaitingDlg waiting;
    if (waiting.CreateWaitWindow(&owner)) {
        waiting.show();
        waiting.SetWaitDone(false);
        waiting.SetLabelText(QStringLiteral("Checking data..."));
        waiting.RepaintNow();
        // Saving changes the text halfway through the work, with no events in between.
        QThread::msleep(500);
        waiting.SetLabelText(QStringLiteral("Saving data, please wait ..."));
        waiting.RepaintNow();
        std::fprintf(stderr, "label font: %s\n", qPrintable(QFontInfo(waiting.label()->font()).family()));
    }
    std::printf("ready\n");
    std::fflush(stdout);

    // The work: the thread is busy and handles no events at all.
    QThread::sleep(seconds);

    waiting.SetWaitDone(true);
    waiting.hide();
    waiting.DestroyWaitWindow();
    return 0;
}
