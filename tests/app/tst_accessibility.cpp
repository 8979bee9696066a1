#include "TestSupport.h"

#include "editor/EditorSuggestions.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "shared/AboutDlg.h"
#include "mainwindow/AddNewLanDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Types.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "waiting/WaitingDlg.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;
using namespace TestSupport;

namespace {

QString roleName(QAccessible::Role role)
{
    return QString::number(int(role), 16);
}

// The role a screen reader must hear for each kind of control we build.
std::optional<QList<QAccessible::Role>> expectedRoles(const QObject *object)
{
    if (qobject_cast<const QRadioButton *>(object))
        return QList<QAccessible::Role>{QAccessible::RadioButton};
    if (qobject_cast<const QPushButton *>(object))
        return QList<QAccessible::Role>{QAccessible::Button};
    if (qobject_cast<const QLineEdit *>(object))
        return QList<QAccessible::Role>{QAccessible::EditableText};
    if (qobject_cast<const QComboBox *>(object))
        return QList<QAccessible::Role>{QAccessible::ComboBox};
    if (qobject_cast<const QTableView *>(object))
        return QList<QAccessible::Role>{QAccessible::Table};
    if (qobject_cast<const QGroupBox *>(object))
        return QList<QAccessible::Role>{QAccessible::Grouping};
    if (qobject_cast<const QLabel *>(object))
        return QList<QAccessible::Role>{QAccessible::StaticText, QAccessible::Graphic};
    return std::nullopt;
}

bool isControlRole(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::Button:
    case QAccessible::RadioButton:
    case QAccessible::CheckBox:
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::SpinBox:
        return true;
    default:
        return false;
    }
}

// Walks the accessible tree below iface and lists every control that a
// screen reader would announce without a name or with the wrong role. Items
// of views are not walked; their column headers are checked instead.
void walk(QAccessibleInterface *iface, const QString &path, QStringList &problems, int &controls)
{
    if (!iface || !iface->isValid())
        return;
    const QAccessible::State state = iface->state();
    if (state.invisible)
        return;
    const QAccessible::Role role = iface->role();
    const QString name = iface->text(QAccessible::Name).trimmed();
    QObject *object = iface->object();
    const QString here = path + u'/' + (object ? QString::fromLatin1(object->metaObject()->className()) : QStringLiteral("?"))
        + u'(' + (object ? object->objectName() : QString()) + u')';

    const auto *label = qobject_cast<const QLabel *>(object);
    const bool namesSomething = label && label->buddy();
    const bool showsText = label && !label->text().isEmpty();
    const bool interactive = isControlRole(role) || state.focusable;
    if (interactive || namesSomething || showsText || (label && !label->pixmap().isNull())) {
        ++controls;
        if (name.isEmpty())
            problems << here + QStringLiteral(": no accessible name (role 0x") + roleName(role) + u')';
        if (const auto roles = expectedRoles(object); roles && !roles->contains(role))
            problems << here + QStringLiteral(": role 0x") + roleName(role);
        // A name taken from a caption must follow the caption when it changes.
        if (showsText && name != withoutMnemonic(label->text()))
            problems << here + QStringLiteral(": named ") + name + QStringLiteral(" but shows ") + label->text();
        if (const auto *button = qobject_cast<const QAbstractButton *>(object);
            button && !button->text().isEmpty() && name != withoutMnemonic(button->text()))
            problems << here + QStringLiteral(": named ") + name + QStringLiteral(" but shows ") + button->text();
        // On Linux a drop-down list's name is its current item; it is known by its label.
        if (role == QAccessible::ComboBox) {
            const auto labels = iface->relations(QAccessible::Label);
            const auto *widget = qobject_cast<const QWidget *>(object);
            if (labels.isEmpty() && (!widget || widget->accessibleName().isEmpty()))
                problems << here + QStringLiteral(": a drop-down list with neither a label nor a name");
        }
    }

    if (QAccessibleTableInterface *table = iface->tableInterface()) {
        for (int column = 0; column < table->columnCount(); ++column)
            if (table->columnDescription(column).trimmed().isEmpty())
                problems << here + QStringLiteral(": column %1 has no header").arg(column);
        return;
    }
    if (role == QAccessible::ComboBox)
        return; // its children are the drop-down list and its items
    for (int i = 0; i < iface->childCount(); ++i)
        walk(iface->child(i), here, problems, controls);
}

// The problems found in a window; fails when it has no control at all worth checking.
QStringList problemsIn(QWidget *window, int minimumControls)
{
    QStringList problems;
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(window);
    if (!iface)
        return {QStringLiteral("no accessible interface")};
    if (iface->text(QAccessible::Name).trimmed().isEmpty())
        problems << QStringLiteral("the window has no accessible name");
    int controls = 0;
    for (int i = 0; i < iface->childCount(); ++i)
        walk(iface->child(i), QString::fromLatin1(window->metaObject()->className()), problems, controls);
    if (controls < minimumControls)
        problems << QStringLiteral("only %1 controls found").arg(controls);
    return problems;
}

} // namespace

// Every window, walked the way a screen reader walks it.
class TestAccessibility : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    std::unique_ptr<CurrentDirGuard> m_cwd;

    std::unique_ptr<CGlossa_DeskDlg> startMainWindow()
    {
        const QString root = m_tmp.filePath(QStringLiteral("demo"));
        if (!QDir(root).exists() && !copyTree(demoProductDir(), root))
            return nullptr;
        QDir::setCurrent(root);
        resetAttributeIdCounter();
        auto window = std::make_unique<CGlossa_DeskDlg>();
        if (!window->OnInitDialog())
            return nullptr;
        return window;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Without a screen reader (offscreen, no AT-SPI bus) the tree is still
        // built on request; being active only makes Qt send its updates.
        QAccessible::setActive(true);
    }
    void init()
    {
        m_cwd = std::make_unique<CurrentDirGuard>();
        MessageBox::resetTestHooks();
    }
    void cleanup() { m_cwd.reset(); }

    void mainWindow();
    void aboutBox();
    void addNewLanguage();
    void editor();
    void waitingWindow();
};

void TestAccessibility::mainWindow()
{
    auto window = startMainWindow();
    QVERIFY(window);
    window->languageCombo()->setCurrentIndex(0);
    window->onLanguageSelected(0);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    const QStringList problems = problemsIn(window.get(), 4);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

void TestAccessibility::aboutBox()
{
    CAboutDlg about;
    about.show();
    QVERIFY(QTest::qWaitForWindowExposed(&about));
    const QStringList problems = problemsIn(&about, 3);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

void TestAccessibility::addNewLanguage()
{
    presentLanguages() = {1};
    CAddNewLanDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const QStringList problems = problemsIn(&dialog, 4);
    presentLanguages().clear();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

void TestAccessibility::editor()
{
    auto window = startMainWindow();
    QVERIFY(window);
    const int french = window->languageCombo()->findData(50);
    QVERIFY(french >= 0);
    window->languageCombo()->setCurrentIndex(french);
    window->onLanguageSelected(french);
    CVuduzLanguageMapDlg editor(window.get());
    editor.sourceList = window->entryRows();
    editor.languageIndex = 50;
    editor.OnInitDialog();
    editor.show();
    QVERIFY(QTest::qWaitForWindowExposed(&editor));
    QStringList problems = problemsIn(&editor, 17);
    // With the suggestions shown, the lines that carry counts are read whole.
    editor.suggestions().setShown(true);
    editor.ShowEntry(0);
    QTRY_VERIFY(!editor.suggestions().isWorking());
    const auto *same = editor.suggestions().findChild<QLabel *>(QStringLiteral("sameEnglish"));
    QVERIFY(same);
    QTRY_VERIFY(!same->text().isEmpty());
    problems += problemsIn(&editor, 20);
    QCOMPARE(QAccessible::queryAccessibleInterface(const_cast<QLabel *>(same))->text(QAccessible::Name), same->text());
    editor.hide();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

void TestAccessibility::waitingWindow()
{
    QWidget owner;
    owner.setAccessibleName(QStringLiteral("Owner"));
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    CWaitingDlg waiting;
    QVERIFY(waiting.CreateWaitWindow(&owner));
    waiting.show();
    waiting.SetWaitDone(false);
    waiting.SetLabelText(QStringLiteral("Loading data, please wait ..."));
    waiting.RepaintNow();
    QVERIFY(QTest::qWaitForWindowExposed(&waiting));
    const QStringList problems = problemsIn(&waiting, 1);
    QCOMPARE(QAccessible::queryAccessibleInterface(&waiting)->text(QAccessible::Name),
             QStringLiteral("Loading data, please wait ..."));
    waiting.SetWaitDone(true);
    waiting.hide();
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"
