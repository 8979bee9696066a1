#pragma once

#include <QEvent>
#include <QString>

// Window messages known by name across the process: a window that wants to be told
// something registers the name and compares incoming event types with the result.
namespace Glossa {

// Returns the event type registered under name; the same name always gives the same
// type for the life of the process. Returns QEvent::None once Qt has no types left.
QEvent::Type registerWindowMessage(const QString &name);

// One registered message with its two parameters, delivered synchronously with
// QCoreApplication::sendEvent; the receiver may leave a result for the sender.
class WindowMessageEvent : public QEvent
{
public:
    explicit WindowMessageEvent(QEvent::Type type, quintptr wParam = 0, qintptr lParam = 0);

    quintptr wParam() const { return m_wParam; }
    qintptr lParam() const { return m_lParam; }
    qintptr result() const { return m_result; }
    void setResult(qintptr result) { m_result = result; }

    WindowMessageEvent *clone() const override { return new WindowMessageEvent(*this); }

private:
    quintptr m_wParam = 0;
    qintptr m_lParam = 0;
    qintptr m_result = 0;
};

} // namespace Glossa
