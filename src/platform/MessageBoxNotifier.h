#pragma once

#include "platform/Notifier.h"

#include <QPointer>
#include <QWidget>

namespace Glossa {

// Tells the user in a message box with an OK button, over the given window.
class MessageBoxNotifier : public Notifier
{
public:
    explicit MessageBoxNotifier(QWidget *parent = nullptr);
    void notify(Severity severity, const QString &caption, const QString &text) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace Glossa
