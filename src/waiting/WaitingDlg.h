#pragma once

#include <QAtomicInt>
#include <QDialog>
#include <QEvent>
#include <QFont>
#include <QImage>
#include <QPointer>
#include <QString>

class QLabel;

namespace Glossa {

// The borderless window that a long operation puts up while it works on the
// user-interface thread: a fixed picture with one line of text, painted once before the
// work starts, while the window that opened it accepts no input.
//
// Protocol: construct; CreateWaitWindow(own window); show(), SetWaitDone(false),
// SetLabelText(text), RepaintNow(); do the work without processing events;
// SetWaitDone(true), hide(), DestroyWaitWindow() (or let the destructor do it).
// The parent given to CreateWaitWindow owns the window and must outlive this object.
class CWaitingDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CWaitingDlg(const QString &picturePath = QStringLiteral(":/waiting.png"));
    ~CWaitingDlg() override;

    // The three messages the waiting window knows by name (registered at first use).
    static QEvent::Type SET_WAIT_TEXT();
    static QEvent::Type WAIT_SINGLE_OBJECT();
    static QEvent::Type UINT_CLOSE_WAITING_DLG();
    // Registers them in their fixed order; start-up calls it before any window exists.
    static void registerMessages();

    // Creates the window, hidden and owned by parent; false when it already exists.
    bool CreateWaitWindow(QWidget *parent);
    // Hides and destroys the window, ending a wait that is still in progress.
    void DestroyWaitWindow();

    // false begins the wait (the owner stops accepting input), true ends it.
    void SetWaitDone(bool done);
    void SetLabelText(const QString &text);
    // Puts the window with its current text on the screen before returning.
    void RepaintNow();

    // A command from a control of the window; id 1000 asks the parent to close it.
    bool OnCommand(int commandId);

    bool isWindowCreated() const { return m_created; }
    bool isWaitDone() const { return m_waitDone; }
    int pendingWaitCount() const { return m_pendingWaits.loadRelaxed(); }
    QString pendingText() const { return m_pendingText; }
    QLabel *label() const { return m_label; }
    QImage picture() const { return m_picture; }

    static constexpr int CloseCommandId = 1000;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void initDialog();
    void setLabel(const QString &text);
    void centreOverOwner();
    void onSetWaitText(quintptr showCommand);
    void onWaitSingleObject();
    static bool isSwallowedKey(const QEvent *event);

    QLabel *m_label = nullptr;
    QFont m_labelFont;
    QPointer<QWidget> m_owner;
    bool m_ownerDisabled = false;
    QAtomicInt m_pendingWaits = 0;
    bool m_waitDone = true;
    QString m_pendingText;
    QImage m_picture;

    QString m_picturePath;
    QPointer<QWidget> m_parent;
    bool m_created = false;
};

} // namespace Glossa
