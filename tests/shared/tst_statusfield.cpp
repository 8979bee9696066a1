#include "shared/StatusField.h"

#include <QTest>
#include <QWidget>

using namespace Glossa;

// The read-only status line both windows use: a fixed name, the start of its
// text always shown, cut at the right, and the whole text in the tooltip.
class TestStatusField : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTheStartAndElidesAtTheRight_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("whole");
        const QString progress = QStringLiteral("91 of 154 translated (59%) \u00b7 0 check errors \u00b7 2 extra keys");
        QTest::newRow("room to spare") << 900 << progress << true;
        QTest::newRow("a third of the room") << 120 << progress << false;
        QTest::newRow("one word wide") << 40 << progress << false;
        QTest::newRow("empty") << 100 << QString() << true;
    }
    void showsTheStartAndElidesAtTheRight()
    {
        QFETCH(int, width);
        QFETCH(QString, text);
        QFETCH(bool, whole);
        QWidget window;
        auto *field = new StatusField(&window, QStringLiteral("Progress"));
        field->setToolTipFollowsText(true);
        field->setGeometry(0, 0, width, field->sizeHint().height());
        window.resize(width + 10, 40);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        field->setText(text);

        QCOMPARE(field->text(), text);
        QCOMPARE(field->toolTip(), text);
        QCOMPARE(field->accessibleName(), QStringLiteral("Progress"));
        // Shown from its start, whatever the line edit would scroll to.
        QCOMPARE(field->cursorPosition(), 0);
        const QString shown = field->shownText();
        if (whole) {
            QCOMPARE(shown, text);
        } else {
            QVERIFY2(shown.endsWith(QChar(0x2026)), qPrintable(shown));
            QVERIFY2(text.startsWith(shown.chopped(1)), qPrintable(shown));
            QVERIFY(shown.size() < text.size());
        }
        field->grab(); // paints either way
    }

    void toolTipFollowsOnlyWhenAsked()
    {
        QWidget window;
        auto *own = new StatusField(&window, QStringLiteral("Editor status"));
        own->setToolTip(QStringLiteral("Ctrl+J: next untranslated entry"));
        own->setText(QStringLiteral("Nothing to undo"));
        QCOMPARE(own->toolTip(), QStringLiteral("Ctrl+J: next untranslated entry"));

        auto *noted = new StatusField(&window, QStringLiteral("Language status"));
        noted->setToolTipFollowsText(true, QStringLiteral("What the counts mean."));
        noted->setText(QStringLiteral("3 of 4 translated"));
        QCOMPARE(noted->toolTip(), QStringLiteral("3 of 4 translated\n\nWhat the counts mean."));
        noted->clear();
        QCOMPARE(noted->toolTip(), QString());
    }
};

QTEST_MAIN(TestStatusField)
#include "tst_statusfield.moc"
