#include "waiting/WaitingDlg.h"

#include "platform/DialogUnits.h"
#include "platform/RegisteredMessages.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <memory>

using namespace Glossa;

namespace {

constexpr QRgb BorderColour = qRgba(95, 95, 99, 255);
constexpr QRgb White = qRgba(255, 255, 255, 255);

// An owner window that records the close requests sent to it.
class Owner : public QWidget
{
public:
    int closeRequests = 0;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() != CWaitingDlg::UINT_CLOSE_WAITING_DLG())
            return QWidget::event(event);
        auto *message = static_cast<WindowMessageEvent *>(event);
        closeRequests += message->wParam() == 0 && message->lParam() == 0;
        return true;
    }
};

// An owner on screen and a waiting window created over it, as a long operation has them.
struct Setup
{
    Owner owner;
    CWaitingDlg dlg;

    explicit Setup(const QRect &ownerGeometry = QRect(100, 80, 600, 400),
                   const QString &picture = QStringLiteral(":/waiting.png"))
        : dlg(picture)
    {
        owner.setGeometry(ownerGeometry);
        owner.show();
        created = dlg.CreateWaitWindow(&owner);
    }
    void beginWait()
    {
        dlg.show();
        dlg.SetWaitDone(false);
    }
    qintptr send(QEvent::Type type, quintptr wParam = 0)
    {
        WindowMessageEvent message(type, wParam, 0);
        QCoreApplication::sendEvent(&dlg, &message);
        return message.result();
    }
    bool created = false;
};

} // namespace

class TestWaitingDlg : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pictureMatchesItsDescription();
    void layoutWithPicture();
    void layoutWithoutPicture();
    void paintsThePicture();
    void keysDoNotDismiss_data();
    void keysDoNotDismiss();
    void waitDisablesTopLevelOwner();
    void ownerAlreadyDisabledStaysDisabled();
    void destruction_data();
    void destruction();
    void withoutWindowNothingHappens();
    void setWaitText_data();
    void setWaitText();
    void waitSingleObjectAtZero();
    void commandAsksParentToClose();
    void everyShowCentresOverOwner();
    void hiddenOwnerCentresOnScreen();
};

void TestWaitingDlg::pictureMatchesItsDescription()
{
    QFile file(QStringLiteral(":/waiting.png"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // 8-bit RGBA, read from the PNG header: bit depth at byte 24, colour type at 25.
    QCOMPARE(int(bytes.at(24)), 8);
    QCOMPARE(int(bytes.at(25)), 6);

    const QImage image = QImage::fromData(bytes).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(image.size(), QSize(459, 171));
    const int right = image.width() - 1;
    const int bottom = image.height() - 1;
    for (const QPoint edge : {QPoint(229, 0), QPoint(229, bottom), QPoint(0, 85), QPoint(right, 85), QPoint(6, 0)})
        QCOMPARE(image.pixel(edge), BorderColour);
    for (const QPoint inside : {QPoint(229, 85), QPoint(1, 7), QPoint(229, 1), QPoint(right - 1, 85)})
        QCOMPARE(image.pixel(inside), White);

    // Clear outside the curve, anti-aliased along it, and the same in every corner.
    int partial = 0;
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const int alpha = qAlpha(image.pixel(x, y));
            partial += alpha > 0 && alpha < 255;
            QCOMPARE(qAlpha(image.pixel(right - x, y)), alpha);
            QCOMPARE(qAlpha(image.pixel(x, bottom - y)), alpha);
            QCOMPARE(qAlpha(image.pixel(right - x, bottom - y)), alpha);
        }
    }
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(image.pixel(1, 0)), 0);
    QVERIFY(partial >= 4);
}

void TestWaitingDlg::layoutWithPicture()
{
    Setup s;
    QVERIFY(s.created);
    QVERIFY(!s.dlg.CreateWaitWindow(&s.owner));
    QVERIFY(!s.dlg.isVisible());
    QVERIFY(s.dlg.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(s.dlg.size(), QSize(459, 171));
    // The window's shape leaves out exactly the clear corner pixels.
    QVERIFY(!s.dlg.mask().contains(QPoint(0, 0)));
    QVERIFY(s.dlg.mask().contains(QPoint(2, 0)));
    QCOMPARE(s.dlg.mask().boundingRect(), QRect(0, 0, 459, 171));

    QLabel *label = s.dlg.label();
    QCOMPARE(label->geometry(), QRect(0, 68, 459, 34)); // the band from y 68 to 102
    QCOMPARE(label->text(), QStringLiteral("Please wait."));
    QCOMPARE(label->font().pointSize(), 12);
    QCOMPARE(label->font().families().constFirst(), QStringLiteral("Microsoft YaHei"));

    s.dlg.SetLabelText(QStringLiteral("Loading data, please wait ..."));
    QCOMPARE(label->text(), QStringLiteral("Loading data, please wait ..."));
    QCOMPARE(label->accessibleName(), label->text());
    QCOMPARE(s.dlg.accessibleName(), label->text());
}

void TestWaitingDlg::layoutWithoutPicture()
{
    Setup s(QRect(100, 80, 600, 400), QStringLiteral(":/no-such-picture.png"));
    QVERIFY(s.created);
    QCOMPARE(s.dlg.size(), dialogUnitsToPixels(QSize(285, 90), dialogBaseUnits(QApplication::font())));
    QCOMPARE(s.dlg.label()->geometry(), QRect(QPoint(60, 30), QPoint(129, 54)));
    QVERIFY(s.dlg.mask().isEmpty());
}

void TestWaitingDlg::paintsThePicture()
{
    Setup s;
    QImage shot(s.dlg.size(), QImage::Format_ARGB32);
    shot.fill(Qt::transparent);
    s.dlg.render(&shot, QPoint(), QRegion(), QWidget::DrawChildren);
    QCOMPARE(shot.pixel(229, 0), BorderColour);
    QCOMPARE(shot.pixel(229, 20), White);
    QCOMPARE(qAlpha(shot.pixel(0, 0)), 0);
}

void TestWaitingDlg::keysDoNotDismiss_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Return") << int(Qt::Key_Return) << Qt::KeyboardModifiers();
    QTest::newRow("Enter") << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier);
    QTest::newRow("Escape") << int(Qt::Key_Escape) << Qt::KeyboardModifiers();
    QTest::newRow("Alt+F4") << int(Qt::Key_F4) << Qt::KeyboardModifiers(Qt::AltModifier);
}

void TestWaitingDlg::keysDoNotDismiss()
{
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    Setup s;
    // A default button would take Enter if the key got through.
    auto *button = new QPushButton(QStringLiteral("OK"), &s.dlg);
    button->setDefault(true);
    int clicks = 0;
    connect(button, &QPushButton::clicked, this, [&clicks] { ++clicks; });

    s.beginWait();
    QVERIFY(QTest::qWaitForWindowExposed(&s.dlg));
    QTest::keyClick(&s.dlg, Qt::Key(key), modifiers);
    QVERIFY(s.dlg.isVisible());
    // Alt+F4 reaches us from the window manager as a close request.
    QVERIFY(!s.dlg.close());
    QVERIFY(s.dlg.isVisible());

    s.dlg.SetWaitDone(true);
    QTest::keyClick(&s.dlg, Qt::Key(key), modifiers);
    QVERIFY(s.dlg.isVisible());
    QCOMPARE(clicks, 0);
}

void TestWaitingDlg::waitDisablesTopLevelOwner()
{
    Owner owner;
    owner.show();
    // The caller's own widget may sit inside its window: the whole window stops.
    auto *inner = new QPushButton(QStringLiteral("Modify"), &owner);
    CWaitingDlg dlg;
    QVERIFY(dlg.CreateWaitWindow(inner));
    for (int round = 0; round < 2; ++round) { // a message box in the work ends and begins again
        dlg.show();
        dlg.SetWaitDone(false);
        QVERIFY(!dlg.isWaitDone());
        QVERIFY(!owner.isEnabled());
        QVERIFY(dlg.isEnabled());
        dlg.SetWaitDone(true);
        QVERIFY(owner.isEnabled());
        QVERIFY(inner->isEnabled());
    }
}

void TestWaitingDlg::ownerAlreadyDisabledStaysDisabled()
{
    Setup s;
    s.owner.setEnabled(false);
    s.beginWait();
    QVERIFY(s.dlg.isEnabled());
    s.dlg.SetWaitDone(true);
    QVERIFY(!s.owner.isEnabled());
    s.beginWait();
    s.dlg.DestroyWaitWindow();
    QVERIFY(!s.owner.isEnabled());
}

void TestWaitingDlg::destruction_data()
{
    QTest::addColumn<bool>("byDestructor");
    QTest::addColumn<bool>("waitEnded");
    QTest::newRow("DestroyWaitWindow during the wait") << false << false;
    QTest::newRow("destructor during the wait") << true << false;
    QTest::newRow("DestroyWaitWindow after the wait") << false << true;
    QTest::newRow("destructor after the wait") << true << true;
}

void TestWaitingDlg::destruction()
{
    QFETCH(bool, byDestructor);
    QFETCH(bool, waitEnded);
    Owner owner;
    owner.show();
    auto dlg = std::make_unique<CWaitingDlg>();
    QVERIFY(dlg->CreateWaitWindow(&owner));
    dlg->show();
    dlg->SetWaitDone(false);
    dlg->SetLabelText(QStringLiteral("Loading data, please wait ..."));
    dlg->RepaintNow();
    QVERIFY(dlg->windowHandle()->isExposed());
    if (waitEnded) {
        dlg->SetWaitDone(true);
        dlg->hide();
        // Someone else disables the owner afterwards; destruction must leave it so.
        owner.setEnabled(false);
    }

    if (byDestructor) {
        dlg.reset();
    } else {
        dlg->DestroyWaitWindow();
        QVERIFY(!dlg->isWindowCreated());
        QVERIFY(!dlg->isVisible());
        QVERIFY(!dlg->label());
    }
    QCOMPARE(owner.isEnabled(), !waitEnded);
    QVERIFY(owner.findChildren<CWaitingDlg *>().isEmpty());
}

void TestWaitingDlg::withoutWindowNothingHappens()
{
    Owner owner;
    owner.show();
    QVERIFY(QTest::qWaitForWindowActive(&owner));
    CWaitingDlg dlg;
    dlg.SetWaitDone(false);
    dlg.SetLabelText(QStringLiteral("Checking data..."));
    dlg.RepaintNow();
    QVERIFY(owner.isEnabled());
    QVERIFY(dlg.isWaitDone());
}

void TestWaitingDlg::setWaitText_data()
{
    QTest::addColumn<bool>("waitingBefore");
    QTest::addColumn<quintptr>("command");
    QTest::addColumn<bool>("waitingAfter");
    QTest::addColumn<QString>("labelAfter");

    const QString untouched = QStringLiteral("Saving data, please wait ...");
    // The pending text is never set within the program, so it is empty.
    QTest::newRow("5 shows and begins") << false << quintptr(5) << true << QString();
    QTest::newRow("0 ends and hides") << true << quintptr(0) << false << QString();
    QTest::newRow("1 does nothing") << false << quintptr(1) << false << untouched;
    QTest::newRow("9 does nothing while waiting") << true << quintptr(9) << true << untouched;
}

void TestWaitingDlg::setWaitText()
{
    QFETCH(bool, waitingBefore);
    QFETCH(quintptr, command);
    QFETCH(bool, waitingAfter);
    QFETCH(QString, labelAfter);

    Setup s;
    s.dlg.SetLabelText(QStringLiteral("Saving data, please wait ..."));
    if (waitingBefore)
        s.beginWait();
    QCOMPARE(s.send(CWaitingDlg::SET_WAIT_TEXT(), command), qintptr(0));
    QCOMPARE(s.dlg.isVisible(), waitingAfter);
    QCOMPARE(s.dlg.isWaitDone(), !waitingAfter);
    QCOMPARE(s.owner.isEnabled(), !waitingAfter);
    QCOMPARE(s.dlg.label()->text(), labelAfter);
}

void TestWaitingDlg::waitSingleObjectAtZero()
{
    Setup s;
    s.beginWait();
    QCOMPARE(s.dlg.pendingWaitCount(), 0);
    QCOMPARE(s.send(CWaitingDlg::WAIT_SINGLE_OBJECT()), qintptr(0));
    QCOMPARE(s.dlg.pendingWaitCount(), -1);
    QVERIFY(s.dlg.isVisible());
    QVERIFY(!s.dlg.isWaitDone());
    QVERIFY(!s.owner.isEnabled());
}

void TestWaitingDlg::commandAsksParentToClose()
{
    Setup s;
    QVERIFY(!s.dlg.OnCommand(1));
    QCOMPARE(s.owner.closeRequests, 0);
    QVERIFY(s.dlg.OnCommand(1000));
    QCOMPARE(s.owner.closeRequests, 1);
}

void TestWaitingDlg::everyShowCentresOverOwner()
{
    Setup s(QRect(40, 30, 500, 320));
    s.dlg.show();
    QCOMPARE(s.dlg.frameGeometry().center(), s.owner.frameGeometry().center());

    s.dlg.hide();
    s.owner.move(s.owner.pos() + QPoint(120, 90));
    s.dlg.move(0, 0);
    s.dlg.show();
    QCOMPARE(s.dlg.frameGeometry().center(), s.owner.frameGeometry().center());
}

void TestWaitingDlg::hiddenOwnerCentresOnScreen()
{
    Setup s(QRect(10, 10, 200, 100));
    s.owner.hide();
    s.dlg.show();
    const QRect available = s.owner.screen()->availableGeometry();
    QVERIFY((s.dlg.frameGeometry().center() - available.center()).manhattanLength() <= 1);
}

QTEST_MAIN(TestWaitingDlg)
#include "tst_waitingdlg.moc"
