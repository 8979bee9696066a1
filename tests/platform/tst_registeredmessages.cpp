#include "platform/RegisteredMessages.h"

#include <QCoreApplication>
#include <QSet>
#include <QTest>

#include <memory>

using namespace Glossa;

namespace {

// Answers one registered message with the sum of its parameters.
class Receiver : public QObject
{
public:
    explicit Receiver(QEvent::Type type)
        : m_type(type)
    {
    }

protected:
    bool event(QEvent *event) override
    {
        if (event->type() != m_type)
            return QObject::event(event);
        auto *message = static_cast<WindowMessageEvent *>(event);
        message->setResult(static_cast<qintptr>(message->wParam()) + message->lParam());
        return true;
    }

private:
    QEvent::Type m_type;
};

} // namespace

class TestRegisteredMessages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sameNameSameType();
    void messageCarriesItsParameters();
};

void TestRegisteredMessages::sameNameSameType()
{
    const QEvent::Type first = registerWindowMessage(QStringLiteral("CWaitingDlg::SET_WAIT_TEXT"));
    QVERIFY(first >= QEvent::User && first <= QEvent::MaxUser);
    // A copy of the name built elsewhere finds the same type.
    QCOMPARE(registerWindowMessage(QStringLiteral("CWaitingDlg::") + QStringLiteral("SET_WAIT_TEXT")), first);

    // Names are compared exactly, and a type Qt handed out directly is never reused.
    const int direct = QEvent::registerEventType();
    QSet<int> types{first, direct};
    for (const QString &name : {QStringLiteral("CWaitingDlg::WAIT_SINGLE_OBJECT"),
                                QStringLiteral("cwaitingdlg::set_wait_text"), QStringLiteral("CWaitingDlg::SET_WAIT_TEXT ")})
        types.insert(registerWindowMessage(name));
    QCOMPARE(types.size(), 5);
}

void TestRegisteredMessages::messageCarriesItsParameters()
{
    const QEvent::Type type = registerWindowMessage(QStringLiteral("Glossa::ADD"));
    Receiver receiver(type);
    WindowMessageEvent message(type, 40, 2);
    QVERIFY(QCoreApplication::sendEvent(&receiver, &message));
    QCOMPARE(message.result(), qintptr(42));

    // A posted message is a copy that Qt owns.
    const std::unique_ptr<WindowMessageEvent> copy(message.clone());
    QCOMPARE(copy->type(), type);
    QCOMPARE(copy->wParam(), quintptr(40));
    QCOMPARE(copy->lParam(), qintptr(2));
}

QTEST_GUILESS_MAIN(TestRegisteredMessages)
#include "tst_registeredmessages.moc"
