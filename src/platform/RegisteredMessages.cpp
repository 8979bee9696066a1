#include "platform/RegisteredMessages.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace Glossa {

QEvent::Type registerWindowMessage(const QString &name)
{
    // Function-local statics: messages are registered during static initialisation,
    // before any order between files is guaranteed.
    static QMutex mutex;
    static QHash<QString, QEvent::Type> registered;

    QMutexLocker lock(&mutex);
    const auto found = registered.constFind(name);
    if (found != registered.cend())
        return found.value();
    const int type = QEvent::registerEventType();
    if (type < 0)
        return QEvent::None;
    return registered.insert(name, static_cast<QEvent::Type>(type)).value();
}

WindowMessageEvent::WindowMessageEvent(QEvent::Type type, quintptr wParam, qintptr lParam)
    : QEvent(type)
    , m_wParam(wParam)
    , m_lParam(lParam)
{
}

} // namespace Glossa
