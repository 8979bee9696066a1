#include "waiting/WaitingDlg.h"

#include "platform/DialogUnits.h"
#include "platform/RegisteredMessages.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDeadlineTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QShowEvent>
#include <QThread>
#include <QWindow>

namespace Glossa {

namespace {

// Show commands carried by SET_WAIT_TEXT.
constexpr quintptr ShowCommandHide = 0;
constexpr quintptr ShowCommandShow = 5;

// The window without a picture: its template size and the label's creation rectangle.
constexpr int TemplateWidthDlu = 285;
constexpr int TemplateHeightDlu = 90;
constexpr QRect InitialLabelRect(60, 30, 70, 25); // (60, 30) to (130, 55)
constexpr int LabelBandHeight = 34;

// The part of the picture that shows anything: every row from its first to its last
// pixel that is not fully transparent.
QRegion visiblePart(const QImage &picture)
{
    QRegion region;
    for (int y = 0; y < picture.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(picture.constScanLine(y));
        int left = 0;
        while (left < picture.width() && qAlpha(line[left]) == 0)
            ++left;
        int right = picture.width() - 1;
        while (right >= left && qAlpha(line[right]) == 0)
            --right;
        if (left <= right)
            region += QRect(left, y, right - left + 1, 1);
    }
    return region;
}

// How long RepaintNow waits for the window system to put a newly shown window up.
constexpr int ExposeTimeoutMs = 2000;

} // namespace

CWaitingDlg::CWaitingDlg(const QString &picturePath)
    : m_picturePath(picturePath)
{
}

CWaitingDlg::~CWaitingDlg()
{
    DestroyWaitWindow();
}

QEvent::Type CWaitingDlg::SET_WAIT_TEXT()
{
    static const QEvent::Type type = registerWindowMessage(QStringLiteral("CWaitingDlg::SET_WAIT_TEXT"));
    return type;
}

QEvent::Type CWaitingDlg::WAIT_SINGLE_OBJECT()
{
    static const QEvent::Type type = registerWindowMessage(QStringLiteral("CWaitingDlg::WAIT_SINGLE_OBJECT"));
    return type;
}

QEvent::Type CWaitingDlg::UINT_CLOSE_WAITING_DLG()
{
    static const QEvent::Type type = registerWindowMessage(QStringLiteral("CWaitingDlg::UINT_CLOSE_WAITING_DLG"));
    return type;
}

void CWaitingDlg::registerMessages()
{
    SET_WAIT_TEXT();
    WAIT_SINGLE_OBJECT();
    UINT_CLOSE_WAITING_DLG();
}

bool CWaitingDlg::CreateWaitWindow(QWidget *parent)
{
    if (m_created)
        return false;
    m_parent = parent;
    // A borderless popup owned by the caller's window; the translucent background keeps
    // the picture's rounded corners see-through.
    setParent(parent, Qt::Dialog | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setModal(false);
    // The window has no font of its own, so its template size follows the default font.
    const DialogBaseUnits units = dialogBaseUnits(QApplication::font());
    setGeometry(QRect(QPoint(0, 0), dialogUnitsToPixels(QSize(TemplateWidthDlu, TemplateHeightDlu), units)));
    m_created = true;
    initDialog();
    return true;
}

void CWaitingDlg::initDialog()
{
    m_labelFont = QFont();
    m_labelFont.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("微软雅黑"),
                             QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("Noto Sans CJK SC")});
    m_labelFont.setPointSize(12);
    m_labelFont.setWeight(QFont::Normal);

    m_label = new QLabel(this);
    m_label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_label->setWordWrap(true);
    m_label->setGeometry(InitialLabelRect);
    m_label->setFont(m_labelFont);
    setLabel(QStringLiteral("Please wait."));

    const QImage picture(m_picturePath);
    if (picture.isNull())
        return;
    m_picture = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    resize(m_picture.size());
    // Without a compositing manager X11 ignores alpha and would show the clear corners
    // black; leaving them out of the window's shape keeps them see-through there too.
    setMask(visiblePart(m_picture));
    m_label->setGeometry(0, (height() - LabelBandHeight) / 2, width(), LabelBandHeight);
    centreOverOwner();
}

void CWaitingDlg::DestroyWaitWindow()
{
    if (!m_created)
        return;
    // End the wait while the window is still up, so that activation goes back to the owner
    // rather than to whatever the window system picks once this window disappears.
    if (!m_waitDone)
        SetWaitDone(true);
    hide();
    delete m_label;
    m_label = nullptr;
    m_labelFont = QFont();
    m_picture = QImage();
    clearMask();
    // Leave the owner's children: the window no longer exists, only this object does.
    setParent(nullptr);
    m_parent = nullptr;
    m_created = false;
}

void CWaitingDlg::SetWaitDone(bool done)
{
    if (!m_created)
        return;
    if (!done) {
        m_waitDone = false;
        QWidget *owner = m_parent ? m_parent->window() : QApplication::activeWindow();
        if (owner == this)
            owner = nullptr;
        m_owner = owner;
        // An owner someone else disabled is left alone, so ending the wait will not enable it.
        if (owner && owner->isEnabled()) {
            owner->setEnabled(false);
            m_ownerDisabled = true;
        }
        // Disabling the owner disables the windows it owns, this one included.
        if (!isEnabled())
            setEnabled(true);
        return;
    }

    m_waitDone = true;
    if (m_ownerDisabled && m_owner)
        m_owner->setEnabled(true);
    if (m_owner && isActiveWindow())
        m_owner->activateWindow();
    m_owner = nullptr;
    m_ownerDisabled = false;
}

void CWaitingDlg::SetLabelText(const QString &text)
{
    if (m_label)
        setLabel(text);
}

void CWaitingDlg::setLabel(const QString &text)
{
    m_label->setText(text);
    m_label->setAccessibleName(text);
    setAccessibleName(text);
}

void CWaitingDlg::RepaintNow()
{
    if (!m_created || !isVisible())
        return;
    // A window that has just been shown reaches the screen only once the window system has
    // mapped and exposed it; anything painted before that is lost. Wait for it, briefly,
    // without handling input: the caller is about to block the thread.
    QWindow *window = windowHandle();
    const QDeadlineTimer deadline(ExposeTimeoutMs);
    while (window && !window->isExposed() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        if (!window->isExposed())
            QThread::msleep(5);
    }
    repaint();
    // On X11 repaint() has already sent the frame; a window system that sends it only from
    // its event dispatcher gets one pass, still without input, as the work will give none.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

bool CWaitingDlg::OnCommand(int commandId)
{
    if (commandId != CloseCommandId)
        return false;
    if (m_parent) {
        WindowMessageEvent message(UINT_CLOSE_WAITING_DLG(), 0, 0);
        QCoreApplication::sendEvent(m_parent, &message);
    }
    return true;
}

bool CWaitingDlg::isSwallowedKey(const QEvent *event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride)
        return false;
    const auto *key = static_cast<const QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    case Qt::Key_F4:
        return key->modifiers().testFlag(Qt::AltModifier);
    default:
        return false;
    }
}

bool CWaitingDlg::event(QEvent *event)
{
    // The window cannot be dismissed or triggered from the keyboard: these keys never get
    // to the dialog's own handling (Escape would reject it, Enter press a default button).
    if (isSwallowedKey(event)) {
        event->accept();
        return true;
    }
    if (event->type() == SET_WAIT_TEXT() || event->type() == WAIT_SINGLE_OBJECT()) {
        auto *message = dynamic_cast<WindowMessageEvent *>(event);
        if (!message || !m_created)
            return QDialog::event(event);
        if (event->type() == SET_WAIT_TEXT())
            onSetWaitText(message->wParam());
        else
            onWaitSingleObject();
        message->setResult(0);
        return true;
    }
    return QDialog::event(event);
}

void CWaitingDlg::onSetWaitText(quintptr showCommand)
{
    if (showCommand == ShowCommandShow) {
        show();
        setLabel(m_pendingText);
        m_label->update();
        SetWaitDone(false);
    } else if (showCommand == ShowCommandHide) {
        setLabel(m_pendingText);
        SetWaitDone(true);
        hide();
    }
}

void CWaitingDlg::onWaitSingleObject()
{
    if (!m_pendingWaits.deref()) {
        SetWaitDone(true);
        hide();
    }
}

void CWaitingDlg::paintEvent(QPaintEvent *)
{
    // The background is never erased: the picture, alpha included, is all there is.
    if (m_picture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_picture);
}

void CWaitingDlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    centreOverOwner();
}

void CWaitingDlg::closeEvent(QCloseEvent *event)
{
    // A close request from the window system (Alt+F4 goes there, not to us) must not take
    // the window away while its owner is disabled for the work.
    if (!m_waitDone) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void CWaitingDlg::centreOverOwner()
{
    if (!m_created)
        return;
    QWidget *owner = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen *screen = owner ? owner->screen() : this->screen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    const bool overOwner = owner && owner->isVisible() && !owner->isMinimized();
    const QRect area = overOwner ? owner->frameGeometry() : available;

    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    // Keep the window on the screen, as when the owner hangs over an edge.
    if (available.isValid()) {
        frame.moveRight(qMin(frame.right(), available.right()));
        frame.moveBottom(qMin(frame.bottom(), available.bottom()));
        frame.moveLeft(qMax(frame.left(), available.left()));
        frame.moveTop(qMax(frame.top(), available.top()));
    }
    move(frame.topLeft());
}

} // namespace Glossa
