#include "platform/MessageBoxNotifier.h"

#include "platform/MessageBox.h"

namespace Glossa {

MessageBoxNotifier::MessageBoxNotifier(QWidget *parent)
    : m_parent(parent)
{
}

void MessageBoxNotifier::notify(Severity severity, const QString &caption, const QString &text)
{
    QMessageBox::Icon icon = QMessageBox::Information;
    switch (severity) {
    case Severity::Information:
        icon = QMessageBox::Information;
        break;
    case Severity::Warning:
        icon = QMessageBox::Warning;
        break;
    case Severity::Error:
        icon = QMessageBox::Critical;
        break;
    }
    MessageBox::show(m_parent, icon, caption, text, QMessageBox::Ok);
}

} // namespace Glossa
