#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace TestSupport {

inline QStringList comboTexts(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// Runs act on the first modal dialog of type T that comes up. It polls rather
// than firing once, because a dialog's own start-up (the waiting window's
// repaint) may run the event loop before its modal loop begins.
template<typename T, typename Act>
void whenModal(QObject *context, Act act, int timeoutMs = 10000)
{
    auto *timer = new QTimer(context);
    timer->setInterval(10);
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, context, [timer, clock, act, timeoutMs]() mutable {
        auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (dialog && dialog->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(dialog);
        } else if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            if (QWidget *stuck = QApplication::activeModalWidget())
                stuck->close();
        }
    });
    timer->start();
}

// While it lives, answers every message box that really comes up (No, else OK)
// and records its text: a question the test did not queue an answer for would
// otherwise wait for a user.
class UnansweredBoxGuard
{
public:
    UnansweredBoxGuard()
    {
        m_timer.setInterval(50);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            texts << box->text();
            if (QAbstractButton *no = box->button(QMessageBox::No))
                no->click();
            else if (QAbstractButton *ok = box->button(QMessageBox::Ok))
                ok->click();
            else
                box->close();
        });
        m_timer.start();
    }

    QStringList texts;

private:
    QTimer m_timer;
};

} // namespace TestSupport
