#include "GuiTestSupport.h"
#include "TestSupport.h"

#include "app/Glossa_DeskApp.h"
#include "editor/EntryListModel.h"
#include "shared/AboutDlg.h"
#include "mainwindow/AddNewLanDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Constants.h"
#include "model/LocaleCatalogue.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Glossa;
using namespace TestSupport;

namespace {

QStringList treeListing(const QString &root)
{
    QStringList all;
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        all << it.next();
    all.sort();
    return all;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    int m_serial = 0;
    std::unique_ptr<CurrentDirGuard> m_cwd;

    QString demoCopy()
    {
        const QString root = m_tmp.filePath(QStringLiteral("demo%1").arg(++m_serial));
        copyTree(demoProductDir(), root);
        return root;
    }
    // A main window initialised in root, as the program starts there.
    std::unique_ptr<CGlossa_DeskDlg> startIn(const QString &root)
    {
        QDir::setCurrent(root);
        resetAttributeIdCounter();
        auto window = std::make_unique<CGlossa_DeskDlg>();
        if (!window->OnInitDialog())
            return nullptr;
        return window;
    }

private Q_SLOTS:
    void init()
    {
        m_cwd = std::make_unique<CurrentDirGuard>();
        MessageBox::resetTestHooks();
    }
    void cleanup() { m_cwd.reset(); }

    void startUpListsThePresentLanguagesInCatalogueOrder();
    void startUpWithoutTheMasterFileEndsAndCreatesNothing_data();
    void startUpWithoutTheMasterFileEndsAndCreatesNothing();
    void columnWidths_data();
    void columnWidths();
    void layoutFollowsTheLabel();
    void enterAndEscapeLeaveTheWindowOpen();
    void selectingALanguageListsEveryAttribute();
    void selectingALanguageWithoutAFile();
    void applySavedValuesMatchesRowsById();
    void aboutEntry();
    void addNewLanguageDialogListsTheAbsentLanguages();
    void applicationEndsAfterAFailedStart();
};

void TestMainWindow::startUpListsThePresentLanguagesInCatalogueOrder()
{
    auto window = startIn(demoCopy());
    QVERIFY(window);
    QCOMPARE(comboTexts(window->languageCombo()),
             QStringList({QStringLiteral("Chinese (PRC)"), QStringLiteral("English (United States)"),
                          QStringLiteral("French (France)"), QStringLiteral("German (Germany)"),
                          QStringLiteral("Japanese (Japan)")}));
    QCOMPARE(window->languageCombo()->itemData(3).toInt(), 55);
    QCOMPARE(window->languageCombo()->currentIndex(), -1);
    QVERIFY(!window->modifyButton()->isEnabled());
    QCOMPARE(window->entryList()->model()->rowCount(), 0);
    QCOMPARE(window->windowTitle(), QStringLiteral("Glossa Desk"));
    QVERIFY(MessageBox::shownMessages().isEmpty());
}

void TestMainWindow::startUpWithoutTheMasterFileEndsAndCreatesNothing_data()
{
    QTest::addColumn<bool>("withLanguageDir");
    QTest::newRow("no language directory") << false;
    QTest::newRow("no master file") << true;
}

void TestMainWindow::startUpWithoutTheMasterFileEndsAndCreatesNothing()
{
    QFETCH(bool, withLanguageDir);
    const QString root = m_tmp.filePath(QStringLiteral("empty%1").arg(++m_serial));
    QDir().mkpath(root + QStringLiteral("/Web/LanguageInfo/en-us"));
    if (withLanguageDir) {
        QDir().mkpath(root + QStringLiteral("/language"));
        writeBytes(root + QStringLiteral("/language/German (Germany).ini"), "[text]\nA=\"a\"\n");
    }
    const QStringList before = treeListing(root);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QDir::setCurrent(root);
    CGlossa_DeskDlg window;
    QVERIFY(!window.OnInitDialog());
    QCOMPARE(window.result(), 0);
    QCOMPARE(MessageBox::shownMessages(),
             QStringList(ProgramName + QStringLiteral("\nThe main file is missing, the software can not be running!")));
    QCOMPARE(treeListing(root), before);
}

void TestMainWindow::columnWidths_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::newRow("600") << 600 << 200 << 400;
    QTest::newRow("601") << 601 << 200 << 400;
    QTest::newRow("602") << 602 << 200 << 401;
    QTest::newRow("0") << 0 << 0 << 0;
}

void TestMainWindow::columnWidths()
{
    QFETCH(int, width);
    const auto [first, second] = CGlossa_DeskDlg::initialColumnWidths(width);
    QTEST(first, "first");
    QTEST(second, "second");
}

void TestMainWindow::layoutFollowsTheLabel()
{
    auto window = startIn(demoCopy());
    QVERIFY(window);
    // The label at left 30 and bottom 40, a client area of 800 by 600 below the menu bar.
    window->languageLabel()->setGeometry(30, 28, 60, 12);
    const int menu = window->menuBar()->sizeHint().height();
    window->resize(800, 600 + menu);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->resize(800, 600 + menu);
    QTRY_COMPARE(window->area()->size(), QSize(800, 600));
    QCOMPARE(window->entryList()->geometry(), QRect(30, 50, 740, 480));
    const QRect modify = window->modifyButton()->geometry();
    QCOMPARE(modify.x() + modify.width(), 770);
    QCOMPARE(modify.y(), 540);
    // The other controls keep their places.
    const QPoint combo = window->languageCombo()->pos();
    window->resize(640, 480 + menu);
    QTRY_COMPARE(window->entryList()->geometry(), QRect(30, 50, 580, 360));
    QCOMPARE(window->languageCombo()->pos(), combo);
}

void TestMainWindow::enterAndEscapeLeaveTheWindowOpen()
{
    auto window = startIn(demoCopy());
    QVERIFY(window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    for (QWidget *target : {static_cast<QWidget *>(window.get()), static_cast<QWidget *>(window->languageCombo()),
                            static_cast<QWidget *>(window->entryList()), static_cast<QWidget *>(window->modifyButton())}) {
        QTest::keyClick(target, Qt::Key_Return);
        QTest::keyClick(target, Qt::Key_Enter);
        QTest::keyClick(target, Qt::Key_Escape);
        QVERIFY(window->isVisible());
    }
    QCOMPARE(window->result(), 0);
}

void TestMainWindow::selectingALanguageListsEveryAttribute()
{
    auto window = startIn(demoCopy());
    QVERIFY(window);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // A real choice in the drop-down list.
    window->languageCombo()->setFocus();
    QTest::keyClick(window->languageCombo(), Qt::Key_Down); // first item: Chinese (PRC)
    QTRY_COMPARE(window->entryList()->model()->rowCount(), 154);
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(window->languageCombo(), Qt::Key_Down);
    QCOMPARE(window->languageCombo()->currentText(), QStringLiteral("German (Germany)"));

    const auto *model = window->entryRows();
    QCOMPARE(model->rowCount(), 154);
    QVERIFY(window->modifyButton()->isEnabled());
    // Master-file order, ids as item data, empty values for the missing keys.
    QCOMPARE(model->text(0, 0), QStringLiteral("IDS_APP_WELCOME"));
    for (int r = 0; r < model->rowCount(); ++r)
        QCOMPARE(model->itemData(r), AttributeId(r));
    const int fileOpen = model->findRowById(*window->languageStore().findAttribute(QStringLiteral("IDS_FILE_OPEN")));
    QCOMPARE(model->text(fileOpen, 1), QString());
    QCOMPARE(window->redundantKeys(), RedundantKeySet({QStringLiteral("IDS_OLD_FEATURE"), QStringLiteral("ids_file_open")}));
    int translated = 0;
    for (int r = 0; r < model->rowCount(); ++r)
        translated += model->text(r, 1).isEmpty() ? 0 : 1;
    QCOMPARE(translated, 92);
    QCOMPARE(window->focusWidget(), window->entryList());
    QVERIFY(!window->entryList()->currentIndex().isValid()); // no row is selected after a refill
}

void TestMainWindow::selectingALanguageWithoutAFile()
{
    const QString root = demoCopy();
    auto window = startIn(root);
    QVERIFY(window);
    window->onLanguageSelected(3); // German first, to fill the redundant keys
    QCOMPARE(window->redundantKeys().size(), size_t(2));
    QVERIFY(QFile::remove(root + QStringLiteral("/language/Japanese (Japan).ini")));
    window->onLanguageSelected(4);
    QCOMPARE(window->entryRows()->rowCount(), 154);
    for (int r = 0; r < 154; ++r)
        QVERIFY(window->entryRows()->text(r, 1).isEmpty());
    QVERIFY(window->redundantKeys().empty());
    QVERIFY(MessageBox::shownMessages().isEmpty()); // a missing file is no error

    // A file that is there but cannot be read is worth a word.
    QVERIFY(QFile::remove(root + QStringLiteral("/language/French (France).ini")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("/language/French (France).ini")));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    window->onLanguageSelected(2);
    QCOMPARE(window->entryRows()->rowCount(), 154);
    QCOMPARE(MessageBox::shownMessages().size(), 1);
}

void TestMainWindow::applySavedValuesMatchesRowsById()
{
    auto window = startIn(demoCopy());
    QVERIFY(window);
    window->onLanguageSelected(0);
    const QString before = window->entryRows()->text(5, 1);
    window->ApplySavedValues({{3, QStringLiteral("\"three\"")}, {99999, QStringLiteral("nobody")}});
    QCOMPARE(window->entryRows()->text(window->entryRows()->findRowById(3), 1), QStringLiteral("\"three\""));
    QCOMPARE(window->entryRows()->text(5, 1), before);
    QCOMPARE(window->entryRows()->rowCount(), 154);
}

void TestMainWindow::aboutEntry()
{
    auto window = startIn(demoCopy());
    QVERIFY(window);
    const auto actions = window->actions();
    QVERIFY(actions.size() >= 2);
    QVERIFY(actions[0]->isSeparator());
    QCOMPARE(actions[1]->text(), QStringLiteral("&About Glossa_Desk..."));
    // The same action is the Help menu's.
    const QList<QAction *> menus = window->menuBar()->actions();
    QCOMPARE(menus.last()->menu()->actions(), QList<QAction *>{actions[1]});

    QString caption;
    QStringList texts;
    QTimer::singleShot(0, this, [&] {
        auto *about = qobject_cast<CAboutDlg *>(QApplication::activeModalWidget());
        QVERIFY(about);
        caption = about->windowTitle();
        for (const QLabel *label : about->findChildren<QLabel *>())
            texts << label->text();
        QTest::mouseClick(about->findChild<QPushButton *>(), Qt::LeftButton);
    });
    actions[1]->trigger();
    QCOMPARE(caption, QStringLiteral("\u5173\u4e8eNARV\u7ffb\u8bd1\u5de5\u5177"));
    QVERIFY(texts.contains(QStringLiteral("Glossa_Desk, Version 1.0")));
}

void TestMainWindow::addNewLanguageDialogListsTheAbsentLanguages()
{
    presentLanguages() = {1};
    {
        CAddNewLanDlg dialog;
        QCOMPARE(dialog.languageList()->count(), 111);
        QCOMPARE(dialog.languageList()->itemText(0), QStringLiteral("Chinese (PRC)"));
        QCOMPARE(dialog.languageList()->itemText(1), QStringLiteral("Afrikaans (South Africa)"));
        QCOMPARE(dialog.languageList()->itemText(2), QStringLiteral("Albanian (Albania)"));
        QCOMPARE(dialog.languageList()->currentIndex(), 0);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(&dialog, Qt::Key_Escape);
        QCOMPARE(dialog.result(), ResultCancelled);
        QCOMPARE(dialog.chosenRow(), -1);
    }
    {
        CAddNewLanDlg dialog;
        dialog.languageList()->setCurrentIndex(dialog.languageList()->findText(QStringLiteral("German (Germany)")));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QTest::keyClick(dialog.focusWidget(), Qt::Key_Return); // Enter adds the selected language
        QCOMPARE(dialog.result(), ResultSaved);
        QCOMPARE(dialog.chosenRow(), 55);
        QVERIFY(presentLanguages().count(55)); // present at once, before any file exists
    }
    {
        CAddNewLanDlg dialog;
        QCOMPARE(dialog.languageList()->count(), 110);
        QCOMPARE(dialog.languageList()->findText(QStringLiteral("German (Germany)")), -1);
    }
    presentLanguages().clear();
    for (int i = 0; i < LocaleCatalogue::RowCount(); ++i)
        presentLanguages().insert(i);
    CAddNewLanDlg full;
    QCOMPARE(full.languageList()->count(), 0);
    full.onAdd();
    QCOMPARE(full.chosenRow(), -1);
    presentLanguages().clear();
}

void TestMainWindow::applicationEndsAfterAFailedStart()
{
    const QString root = m_tmp.filePath(QStringLiteral("bare"));
    QDir().mkpath(root);
    QDir::setCurrent(root);
    MessageBox::setNextAnswer(QMessageBox::Ok);
    auto *app = static_cast<CGlossa_DeskApp *>(QCoreApplication::instance());
    QVERIFY(!app->InitInstance());
    QCOMPARE(app->ExitInstance(), 0);
    QCOMPARE(MessageBox::shownMessages().size(), 1);
    QVERIFY(treeListing(root).isEmpty());
}

int main(int argc, char **argv)
{
    CGlossa_DeskApp app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
