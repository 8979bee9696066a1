#include "platform/DialogUnits.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

using namespace Glossa;

class TestDialogUnits : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void mulDivRounds_data();
    void mulDivRounds();
    void convertsRects_data();
    void convertsRects();
    void baseUnitsFollowTheFont();
    void buildsControlTable();
    void customWidgetTakesItsPlace();
};

void TestDialogUnits::mulDivRounds_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("numerator");
    QTest::addColumn<int>("denominator");
    QTest::addColumn<int>("expected");

    QTest::newRow("exact") << 8 << 6 << 4 << 12;
    QTest::newRow("half rounds up") << 1 << 6 << 4 << 2;            // 1.5
    QTest::newRow("nearest") << 5 << 7 << 4 << 9;                   // 8.75
    QTest::newRow("below half rounds down") << 9 << 1 << 4 << 2;    // 2.25
    QTest::newRow("negative half away from zero") << -1 << 6 << 4 << -2;
    QTest::newRow("negative divisor") << 3 << 1 << -2 << -2;        // -1.5
    QTest::newRow("both negative") << -3 << -1 << 2 << 2;
    QTest::newRow("no overflow in between") << 2000000000 << 3 << 4 << 1500000000;
    QTest::newRow("result too large") << 2000000000 << 2 << 1 << -1;
    QTest::newRow("zero divisor") << 10 << 2 << 0 << -1;
}

void TestDialogUnits::mulDivRounds()
{
    QFETCH(int, number);
    QFETCH(int, numerator);
    QFETCH(int, denominator);
    QFETCH(int, expected);
    QCOMPARE(mulDiv(number, numerator, denominator), expected);
}

void TestDialogUnits::convertsRects_data()
{
    QTest::addColumn<int>("baseX");
    QTest::addColumn<int>("baseY");
    QTest::addColumn<QRect>("dialogUnits");
    QTest::addColumn<QRect>("pixels");

    // 8-point dialog fonts have base units (6, 13) or (7, 16); each value converts alone.
    QTest::newRow("waiting window, 7x16") << 7 << 16 << QRect(0, 0, 285, 90) << QRect(0, 0, 499, 180);
    QTest::newRow("waiting window, 6x13") << 6 << 13 << QRect(0, 0, 285, 90) << QRect(0, 0, 428, 146);
    QTest::newRow("button") << 7 << 16 << QRect(259, 217, 70, 14) << QRect(453, 434, 123, 28);
    QTest::newRow("odd units round") << 6 << 13 << QRect(57, 69, 294, 13) << QRect(86, 112, 441, 21);
}

void TestDialogUnits::convertsRects()
{
    QFETCH(int, baseX);
    QFETCH(int, baseY);
    QFETCH(QRect, dialogUnits);
    QFETCH(QRect, pixels);
    const DialogBaseUnits units{baseX, baseY};
    QCOMPARE(dialogUnitsToPixels(dialogUnits, units), pixels);
    QCOMPARE(dialogUnitsToPixels(dialogUnits.size(), units), pixels.size());
}

void TestDialogUnits::baseUnitsFollowTheFont()
{
    QFont font;
    font.setPixelSize(13);
    const QFontMetrics metrics(font);
    const DialogBaseUnits units = dialogBaseUnits(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    // The average letter width, rounded to the nearest pixel.
    QVERIFY(qAbs(units.x * 52 - letters) <= 26);
    QCOMPARE(units.y, metrics.height());
}

void TestDialogUnits::buildsControlTable()
{
    QWidget dialog;
    const DialogBaseUnits units{6, 13};
    const QList<ControlSpec> table = {
        {.id = 1, .kind = ControlSpec::DefaultPushButton, .text = QStringLiteral("&Add"), .x = 80, .y = 76, .w = 50, .h = 14},
        {.id = 2, .kind = ControlSpec::PushButton, .text = QStringLiteral("Save && &Close"), .x = 150, .y = 76, .w = 50, .h = 14},
        {.id = 1030, .kind = ControlSpec::ComboBox, .x = 96, .y = 38, .w = 140, .h = 120, .labelId = 1032},
        {.id = 1032, .kind = ControlSpec::Label, .text = QStringLiteral("New Language Name"), .x = 18, .y = 39, .w = 73, .h = 12,
         .alignment = Qt::AlignRight},
        {.id = 1035, .kind = ControlSpec::GroupBox, .text = QStringLiteral("Search"), .x = 12, .y = 6, .w = 469, .h = 28},
        {.id = 1008, .kind = ControlSpec::LineEdit, .x = 25, .y = 15, .w = 238, .h = 15, .labelId = 1035},
        {.id = 1005, .kind = ControlSpec::ReadOnlyLineEdit, .x = 59, .y = 90, .w = 227, .h = 13,
         .accessibleName = QStringLiteral("Attribute")},
        {.id = 1007, .kind = ControlSpec::RadioButton, .text = QStringLiteral("By Attribute"), .x = 269, .y = 17, .w = 49, .h = 10},
        {.id = 1012, .kind = ControlSpec::TableView, .x = 7, .y = 126, .w = 481, .h = 178,
         .accessibleName = QStringLiteral("Entries")},
    };
    const QList<QWidget *> controls = createControls(&dialog, table, units);
    QCOMPARE(controls.size(), table.size());

    for (qsizetype i = 0; i < table.size(); ++i) {
        const ControlSpec &entry = table.at(i);
        QWidget *control = controls.at(i);
        QCOMPARE(control->parentWidget(), &dialog);
        QCOMPARE(control->objectName(), QStringLiteral("ctl%1").arg(entry.id));
        QCOMPARE(control->property("controlId").toInt(), entry.id);
        QVERIFY2(!control->accessibleName().isEmpty(), qPrintable(control->objectName()));
        if (entry.kind != ControlSpec::ComboBox)
            QCOMPARE(control->geometry(), dialogUnitsToPixels(QRect(entry.x, entry.y, entry.w, entry.h), units));
    }

    auto *add = findControl<QPushButton>(&dialog, 1);
    QVERIFY(add && add->isDefault());
    QCOMPARE(add->accessibleName(), QStringLiteral("Add"));
    QVERIFY(!findControl<QPushButton>(&dialog, 2)->isDefault());
    QCOMPARE(findControl<QPushButton>(&dialog, 2)->accessibleName(), QStringLiteral("Save & Close"));

    // A closed drop-down list is as high as its font needs, not as the open list.
    auto *combo = findControl<QComboBox>(&dialog, 1030);
    QVERIFY(combo && !combo->isEditable());
    QCOMPARE(combo->geometry().topLeft(), QPoint(144, 62));
    QCOMPARE(combo->height(), combo->sizeHint().height());
    QCOMPARE(combo->accessibleName(), QStringLiteral("New Language Name"));
    auto *label = findControl<QLabel>(&dialog, 1032);
    QCOMPARE(label->alignment(), Qt::AlignRight);
    QCOMPARE(label->buddy(), combo);

    QCOMPARE(findControl<QLineEdit>(&dialog, 1008)->accessibleName(), QStringLiteral("Search"));
    QVERIFY(!findControl<QLineEdit>(&dialog, 1008)->isReadOnly());
    QVERIFY(findControl<QLineEdit>(&dialog, 1005)->isReadOnly());
    QCOMPARE(findControl<QLineEdit>(&dialog, 1005)->accessibleName(), QStringLiteral("Attribute"));
    QVERIFY(findControl<QRadioButton>(&dialog, 1007));
    QVERIFY(findControl<QTableView>(&dialog, 1012));
    QVERIFY(!findControl<QPushButton>(&dialog, 1030));

    // The group box frames its siblings, so it is the lowest of them.
    QCOMPARE(dialog.children().constFirst(), findControl<QGroupBox>(&dialog, 1035));
    // Table order is the tab order.
    QCOMPARE(add->nextInFocusChain(), findControl<QPushButton>(&dialog, 2));
}

void TestDialogUnits::customWidgetTakesItsPlace()
{
    QWidget dialog;
    dialog.show();
    auto *own = new QTableView;
    const ControlSpec list{.id = 1003, .kind = ControlSpec::TableView, .x = 20, .y = 32, .w = 308, .h = 180,
                           .accessibleName = QStringLiteral("Entries")};
    const QList<QWidget *> controls = createControls(&dialog, {list}, {7, 16}, {{1003, own}});
    QCOMPARE(controls.constFirst(), own);
    QCOMPARE(own->parentWidget(), &dialog);
    QCOMPARE(own->geometry(), QRect(35, 64, 539, 360));
    QCOMPARE(findControl<QTableView>(&dialog, 1003), own);
    // Added to a window already on screen, it is shown with it.
    QVERIFY(own->isVisible());
}

QTEST_MAIN(TestDialogUnits)
#include "tst_dialogunits.moc"
