#include "platform/MessageBox.h"
#include "platform/MessageBoxNotifier.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace Glossa;

class TestMessageBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { MessageBox::resetTestHooks(); }
    void queuedAnswersInOrder();
    void notifierShowsOkBox_data();
    void notifierShowsOkBox();
    void withoutAnswerTheUserDecides();
};

void TestMessageBox::queuedAnswersInOrder()
{
    MessageBox::setNextAnswer(QMessageBox::No);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QCOMPARE(MessageBox::show(nullptr, QMessageBox::Question, QStringLiteral("Warning"), QStringLiteral("first?"),
                              QMessageBox::Yes | QMessageBox::No),
             QMessageBox::No);
    QCOMPARE(MessageBox::show(nullptr, QMessageBox::Question, QStringLiteral("Warning"), QStringLiteral("second?"),
                              QMessageBox::Yes | QMessageBox::No),
             QMessageBox::Yes);
    QCOMPARE(MessageBox::shownMessages(),
             QStringList({QStringLiteral("Warning\nfirst?"), QStringLiteral("Warning\nsecond?")}));

    MessageBox::setNextAnswer(QMessageBox::Ok);
    MessageBox::resetTestHooks();
    QVERIFY(MessageBox::shownMessages().isEmpty());
}

void TestMessageBox::notifierShowsOkBox_data()
{
    QTest::addColumn<Severity>("severity");
    QTest::addColumn<QMessageBox::Icon>("icon");
    QTest::newRow("information") << Severity::Information << QMessageBox::Information;
    QTest::newRow("warning") << Severity::Warning << QMessageBox::Warning;
    QTest::newRow("error") << Severity::Error << QMessageBox::Critical;
}

void TestMessageBox::notifierShowsOkBox()
{
    QFETCH(Severity, severity);
    QFETCH(QMessageBox::Icon, icon);

    QWidget owner;
    owner.show();
    // Runs the real modal box and closes it from inside its loop.
    QMessageBox::Icon seenIcon = QMessageBox::NoIcon;
    QWidget *seenParent = nullptr;
    QMessageBox::StandardButtons seenButtons;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenIcon = box->icon();
        seenParent = box->parentWidget();
        seenButtons = box->standardButtons();
        box->button(QMessageBox::Ok)->click();
    });
    MessageBoxNotifier notifier(&owner);
    notifier.notify(severity, QStringLiteral("Error"), QStringLiteral("The file can not be written."));

    QCOMPARE(seenIcon, icon);
    QCOMPARE(seenParent, &owner);
    QCOMPARE(seenButtons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(MessageBox::shownMessages(), QStringList(QStringLiteral("Error\nThe file can not be written.")));
}

void TestMessageBox::withoutAnswerTheUserDecides()
{
    QString caption;
    QString text;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        caption = box->windowTitle();
        text = box->text();
        box->button(QMessageBox::No)->click();
    });
    const auto answer = MessageBox::show(nullptr, QMessageBox::Question, QStringLiteral("Glossa Desk"),
                                         QStringLiteral("Save the changes?"), QMessageBox::Yes | QMessageBox::No);
    QCOMPARE(answer, QMessageBox::No);
    QCOMPARE(caption, QStringLiteral("Glossa Desk"));
    QCOMPARE(text, QStringLiteral("Save the changes?"));
}

QTEST_MAIN(TestMessageBox)
#include "tst_messagebox.moc"
