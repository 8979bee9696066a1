#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

#include <utility>

class QWidget;

// Every window shows its notices and questions through here, so that tests can give
// the answers without a modal loop.
namespace Glossa {

class MessageBox
{
public:
    // Shows a modal message box and returns the button the user chose. When a test
    // has queued an answer, no box is shown and the first queued answer is returned.
    static QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                                            const QString &text,
                                            QMessageBox::StandardButtons buttons = QMessageBox::Ok);

    // The same with buttons of the caller's own texts, each standing for one of the
    // standard buttons (which a test queues as the answer), in the order given.
    static QMessageBox::StandardButton ask(QWidget *parent, QMessageBox::Icon icon, const QString &caption,
                                           const QString &text,
                                           const QList<std::pair<QMessageBox::StandardButton, QString>> &buttons);

    // Test hooks. Answers are used in the order they were queued. Every message, answered
    // from the queue or by the user, is recorded as caption + '\n' + text.
    static void setNextAnswer(QMessageBox::StandardButton answer);
    static QStringList shownMessages();
    static void resetTestHooks();

    MessageBox() = delete;
};

} // namespace Glossa
