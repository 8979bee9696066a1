#pragma once

#include <QString>

#include <memory>

class QWidget;

namespace Glossa {

class CWaitingDlg;

// The calling protocol of the waiting window, for one long operation: the
// constructor puts the window up over parent with the text and begins the
// wait; finish() (or the destructor) ends the wait, hides and destroys it.
// Around a message box in the middle of the work, pause() and resume().
// When no window can be created the work simply runs without one.
class WaitingScope
{
public:
    WaitingScope(QWidget *parent, const QString &text);
    ~WaitingScope();
    WaitingScope(const WaitingScope &) = delete;
    WaitingScope &operator=(const WaitingScope &) = delete;

    void setText(const QString &text); // new text, painted at once
    void pause();                      // end the wait and hide, before a question
    void resume();                     // show and begin the wait again, after it
    void finish();                     // end the wait, hide and destroy the window
    // Drops the window without ending the wait first; destroying it ends the
    // wait all the same (used when start-up gives up).
    void abandon();

    CWaitingDlg *dialog() const { return m_dialog.get(); }

private:
    std::unique_ptr<CWaitingDlg> m_dialog;
    bool m_created = false;
};

} // namespace Glossa
