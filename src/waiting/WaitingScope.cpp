#include "waiting/WaitingScope.h"

#include "waiting/WaitingDlg.h"

namespace Glossa {

WaitingScope::WaitingScope(QWidget *parent, const QString &text)
    : m_dialog(std::make_unique<CWaitingDlg>())
{
    m_created = m_dialog->CreateWaitWindow(parent);
    if (!m_created)
        return;
    m_dialog->show();
    m_dialog->SetWaitDone(false);
    m_dialog->SetLabelText(text);
    m_dialog->RepaintNow();
}

WaitingScope::~WaitingScope()
{
    finish();
}

void WaitingScope::setText(const QString &text)
{
    if (!m_created)
        return;
    m_dialog->SetLabelText(text);
    m_dialog->RepaintNow();
}

void WaitingScope::pause()
{
    if (!m_created)
        return;
    m_dialog->SetWaitDone(true);
    m_dialog->hide();
}

void WaitingScope::resume()
{
    if (!m_created)
        return;
    m_dialog->show();
    m_dialog->SetWaitDone(false);
    m_dialog->RepaintNow();
}

void WaitingScope::finish()
{
    if (!m_dialog)
        return;
    if (m_created) {
        m_dialog->SetWaitDone(true);
        m_dialog->hide();
        m_dialog->DestroyWaitWindow();
    }
    m_dialog.reset();
}

void WaitingScope::abandon()
{
    m_dialog.reset();
}

} // namespace Glossa
