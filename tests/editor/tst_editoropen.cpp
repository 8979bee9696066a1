#include "GuiTestSupport.h"
#include "TestSupport.h"

#include "editor/EntryListModel.h"
#include "checks/PlaceholderCheck.h"
#include "editor/EditorCommands.h"
#include "editor/EditorPlace.h"

#include <QMenuBar>
#include <QSplitter>
#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Constants.h"
#include "model/LocaleCatalogue.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace Glossa;
using namespace TestSupport;

namespace {

QStringList attributesMarked(const EntryListModel *model, const QString &state)
{
    QStringList names;
    for (int r = 0; r < model->rowCount(); ++r)
        if (model->text(r, 3) == state)
            names << model->text(r, 0);
    names.sort();
    return names;
}

} // namespace

// Opening the editor from the main window, on the demo product.
class TestEditorOpen : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    int m_serial = 0;
    std::unique_ptr<CurrentDirGuard> m_cwd;
    std::unique_ptr<CGlossa_DeskDlg> m_main;

    // The main window on a fresh copy of the demo, with the language of the
    // given catalogue row selected.
    void startWith(int row)
    {
        const QString root = m_tmp.filePath(QStringLiteral("demo%1").arg(++m_serial));
        QVERIFY(copyTree(demoProductDir(), root));
        QDir::setCurrent(root);
        resetAttributeIdCounter();
        m_main = std::make_unique<CGlossa_DeskDlg>();
        QVERIFY(m_main->OnInitDialog());
        const int index = m_main->languageCombo()->findData(row);
        QVERIFY(index >= 0);
        m_main->languageCombo()->setCurrentIndex(index);
        m_main->onLanguageSelected(index);
    }
    std::unique_ptr<CVuduzLanguageMapDlg> openEditor(int row, qint64 initialEntry = -1)
    {
        auto editor = std::make_unique<CVuduzLanguageMapDlg>(m_main.get());
        editor->sourceList = m_main->entryRows();
        editor->languageIndex = row;
        editor->initialEntryId = initialEntry;
        editor->OnInitDialog();
        return editor;
    }

private Q_SLOTS:
    void init()
    {
        m_cwd = std::make_unique<CurrentDirGuard>();
        MessageBox::resetTestHooks();
    }
    void cleanup()
    {
        m_main.reset();
        m_cwd.reset();
    }

    void openingCopiesRowsAndMarksPlaceholderErrors();
    void defaultReference_data();
    void defaultReference();
    void newLanguageStartsEmptyWithErrorsWherePlaceholdersAreExpected();
    void changingTheReferenceKeepsOrTurnsMarks();
    void initialEntryIsShown();
    void onlyLanguagePresentLeavesReferenceEmpty();
    void modifyAndDoubleClickOpenTheEditorModally();
    void resizeTable();
};

void TestEditorOpen::openingCopiesRowsAndMarksPlaceholderErrors()
{
    startWith(50); // French (France)
    auto editor = openEditor(50);
    QCOMPARE(editor->windowTitle(), QStringLiteral("Dedevuded      French (France)"));
    const EntryListModel *rows = editor->entries();
    QCOMPARE(rows->rowCount(), 154);
    QCOMPARE(rows->columnCount(), 4);
    QCOMPARE(rows->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Statue"));
    QCOMPARE(rows->statusColumn(), 3);
    for (int r = 0; r < rows->rowCount(); ++r) {
        QCOMPARE(rows->itemData(r), m_main->entryRows()->itemData(r));
        QCOMPARE(rows->text(r, 0), m_main->entryRows()->text(r, 0));
        QCOMPARE(rows->text(r, 1), m_main->entryRows()->text(r, 1));
    }
    // The edited language is never a reference; the list keeps catalogue order.
    QCOMPARE(comboTexts(editor->referenceLanguages()),
             QStringList({QStringLiteral("Chinese (PRC)"), QStringLiteral("English (United States)"),
                          QStringLiteral("German (Germany)"), QStringLiteral("Japanese (Japan)")}));
    QCOMPARE(editor->referenceLanguages()->currentText(), QStringLiteral("English (United States)"));
    QCOMPARE(rows->text(0, 2), QStringLiteral("\"Welcome to {0}\""));
    // The five wrong French values, and the six missing ones whose English holds a placeholder.
    QStringList expected = {QStringLiteral("IDS_APP_WELCOME"), QStringLiteral("MSG_DEVICE_CONNECT_FAILED"),
                            QStringLiteral("MSG_DOWNLOAD_DONE"), QStringLiteral("MSG_PASSWORD_WEAK"),
                            QStringLiteral("MSG_IP_INVALID")};
    for (int r = 0; r < rows->rowCount(); ++r)
        if (rows->text(r, 1).isEmpty() && !CheckPlaceholders(QString(), rows->text(r, 2), rows->itemData(r)))
            expected << rows->text(r, 0);
    expected.sort();
    QCOMPARE(attributesMarked(rows, StatusError), expected);
    QVERIFY(attributesMarked(rows, StatusModified).isEmpty());
    // Error rows are white on red, others black on white.
    const int error = rows->findRowById(0);
    QCOMPARE(rows->data(rows->index(error, 1), Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 0, 0));
    QCOMPARE(rows->data(rows->index(error, 1), Qt::ForegroundRole).value<QBrush>().color(), QColor(255, 255, 255));
    QCOMPARE(rows->data(rows->index(1, 1), Qt::BackgroundRole).value<QBrush>().color(), QColor(255, 255, 255));

    QVERIFY(editor->referenceEdit()->isReadOnly());
    QCOMPARE(editor->noticeLabel()->text(),
             QStringLiteral("Notice: Symbols like %d, %s, %ld, %d, %% , \\n and {digital number} must be kept and not changed."));
    QCOMPARE(editor->noticeLabel()->palette().color(QPalette::WindowText), QColor(190, 0, 0));
    for (const QString &hidden : {QStringLiteral("Next Blank"), QStringLiteral("Remove Redundant Entries")}) {
        const auto buttons = editor->findChildren<QPushButton *>();
        const auto it = std::find_if(buttons.begin(), buttons.end(), [&](QPushButton *b) { return b->text() == hidden; });
        QVERIFY(it != buttons.end());
        QVERIFY(!(*it)->isVisible());
    }
    QCOMPARE(editor->searchColumn, 0);
    QCOMPARE(editor->searchCursor, -1);
    QVERIFY(editor->isVisible());
}

void TestEditorOpen::defaultReference_data()
{
    QTest::addColumn<int>("edited");
    QTest::addColumn<bool>("withEnglish");
    QTest::addColumn<QString>("reference");
    QTest::newRow("English edits beside Chinese") << 1 << true << "Chinese (PRC)";
    QTest::newRow("German beside English") << 55 << true << "English (United States)";
    QTest::newRow("Chinese beside English") << 0 << true << "English (United States)";
    QTest::newRow("no English: the first item") << 55 << false << "Chinese (PRC)";
    QTest::newRow("no English, Chinese edited") << 0 << false << "French (France)";
}

void TestEditorOpen::defaultReference()
{
    QFETCH(int, edited);
    QFETCH(bool, withEnglish);
    startWith(edited);
    if (!withEnglish)
        presentLanguages().erase(1);
    auto editor = openEditor(edited);
    QTEST(editor->referenceLanguages()->currentText(), "reference");
    QCOMPARE(editor->referenceLanguages()->findData(edited), -1);
}

void TestEditorOpen::newLanguageStartsEmptyWithErrorsWherePlaceholdersAreExpected()
{
    startWith(1);
    const AttributeCatalogue catalogue = m_main->languageStore().attributes();
    CVuduzLanguageMapDlg editor(m_main.get());
    editor.newLanguageAttributes = &catalogue;
    editor.languageIndex = 65; // Italian (Italy)
    editor.OnInitDialog();
    const EntryListModel *rows = editor.entries();
    QCOMPARE(rows->rowCount(), catalogue.size());
    int errors = 0;
    for (int r = 0; r < rows->rowCount(); ++r) {
        QCOMPARE(rows->itemData(r), AttributeId(r));
        QCOMPARE(rows->text(r, 0), catalogue.value(AttributeId(r)));
        QVERIFY(rows->text(r, 1).isEmpty());
        const bool hasPlaceholders = !CheckPlaceholders(QString(), rows->text(r, 2), rows->itemData(r));
        QCOMPARE(rows->text(r, 3), hasPlaceholders ? StatusError : StatusNone);
        errors += hasPlaceholders;
    }
    QVERIFY(errors > 20);
    QCOMPARE(editor.windowTitle(), QStringLiteral("Dedevuded      Italian (Italy)"));
}

void TestEditorOpen::changingTheReferenceKeepsOrTurnsMarks()
{
    startWith(55); // German, beside English
    auto editor = openEditor(55);
    EntryListModel *rows = editor->entries();
    const int passes = rows->findRowById(*m_main->languageStore().findAttribute(QStringLiteral("IDS_MENU_FILE")));
    const int withPercent = rows->findRowById(*m_main->languageStore().findAttribute(QStringLiteral("MSG_DELETE_CONFIRM")));
    QVERIFY(passes >= 0 && withPercent >= 0);
    // Both rows marked MODIFIED; then a reference whose file lacks every value.
    editor->ShowEntry(passes);
    editor->valueEdit()->setText(QStringLiteral("\"Speichern\""));
    editor->ApplyValue();
    editor->ShowEntry(withPercent);
    editor->valueEdit()->setText(rows->text(withPercent, 2));
    editor->ApplyValue();
    QCOMPARE(rows->text(passes, 3), StatusModified);
    QCOMPARE(rows->text(withPercent, 3), StatusModified);
    const QString shownReference = editor->referenceEdit()->text();

    const int japanese = editor->referenceLanguages()->findData(67);
    editor->referenceLanguages()->setCurrentIndex(japanese);
    editor->OnReferenceLanguageChanged();
    QCOMPARE(rows->text(passes, 3), StatusModified); // passes against the blank Japanese text
    QCOMPARE(rows->text(withPercent, 3), StatusError);
    QVERIFY(rows->text(withPercent, 2).isEmpty());
    QCOMPARE(editor->referenceEdit()->text(), shownReference); // the fields are not refreshed

    // Back to English: loading never clears a mark.
    editor->referenceLanguages()->setCurrentIndex(editor->referenceLanguages()->findData(1));
    editor->OnReferenceLanguageChanged();
    QCOMPARE(rows->text(withPercent, 3), StatusError);
    QCOMPARE(rows->text(passes, 3), StatusModified);
}

void TestEditorOpen::initialEntryIsShown()
{
    startWith(0);
    auto editor = openEditor(0, 7);
    const int row = editor->entries()->findRowById(7);
    QCOMPARE(editor->entryList()->selectionMark(), row);
    QCOMPARE(editor->attributeEdit()->text(), editor->entries()->text(row, 0));
    QCOMPARE(editor->valueEdit()->text(), editor->entries()->text(row, 1));
    QCOMPARE(editor->referenceEdit()->text(), editor->entries()->text(row, 2));
    QCOMPARE(editor->focusWidget(), editor->valueEdit());

    auto nobody = openEditor(0, 99999);
    QCOMPARE(nobody->entryList()->selectionMark(), -1);
    QVERIFY(nobody->attributeEdit()->text().isEmpty());
}

void TestEditorOpen::onlyLanguagePresentLeavesReferenceEmpty()
{
    startWith(1);
    presentLanguages() = {1};
    auto editor = openEditor(1);
    QCOMPARE(editor->referenceLanguages()->count(), 0);
    for (int r = 0; r < editor->entries()->rowCount(); ++r) {
        QVERIFY(editor->entries()->text(r, 2).isEmpty());
        QCOMPARE(editor->entries()->text(r, 3), StatusNone);
    }
}

void TestEditorOpen::modifyAndDoubleClickOpenTheEditorModally()
{
    startWith(0);
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    QString title;
    int shownRow = -2;
    auto closeEditor = [&](CVuduzLanguageMapDlg *editor) {
        title = editor->windowTitle();
        shownRow = editor->entryList()->selectionMark();
        QTest::mouseClick(editor->findChildren<QPushButton *>().last(), Qt::LeftButton); // Cancel
    };
    whenModal<CVuduzLanguageMapDlg>(this, closeEditor);
    QTest::mouseClick(m_main->modifyButton(), Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Dedevuded      Chinese (PRC)"));
    QCOMPARE(shownRow, -1);

    // A double click opens it on the row that holds the selection mark.
    m_main->entryList()->selectRow(4);
    title.clear();
    shownRow = -2;
    whenModal<CVuduzLanguageMapDlg>(this, closeEditor);
    const QRect cell = m_main->entryList()->visualRect(m_main->entryRows()->index(4, 0));
    // As a real double click arrives: a press, then the double click.
    QTest::mousePress(m_main->entryList()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(m_main->entryList()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(title, QStringLiteral("Dedevuded      Chinese (PRC)"));
    QCOMPARE(shownRow, 4);

    // Without a mark a double click does nothing.
    m_main->onLanguageSelected(m_main->languageCombo()->currentIndex());
    title.clear();
    m_main->onEntryDoubleClicked();
    QVERIFY(title.isEmpty());
}

void TestEditorOpen::resizeTable()
{
    startWith(0);
    auto editor = openEditor(0);
    editor->resize(1000, 700);
    // The controls follow the area's right and bottom: left of the side panel, below the menu bar.
    const QSize area = editor->area()->size();
    QTRY_COMPARE(area.height(), 700 - editor->commands().menuBar()->height());
    QCOMPARE(area.width(), editor->place().panel()->x() - editor->place().splitter()->handleWidth());
    QTRY_COMPARE(editor->entryList()->geometry(), QRect(10, 270, area.width() - 20, area.height() - 315));
    const auto buttons = editor->findChildren<QPushButton *>();
    auto find = [&](const QString &text) {
        return *std::find_if(buttons.begin(), buttons.end(), [&](QPushButton *b) { return b->text() == text; });
    };
    QCOMPARE(find(QStringLiteral("Save"))->geometry(), QRect(area.width() - 230, area.height() - 40, 100, 30));
    QCOMPARE(find(QStringLiteral("Cancel"))->geometry(), QRect(area.width() - 110, area.height() - 40, 100, 30));
    QCOMPARE(find(QStringLiteral("Remove Redundant Entries"))->pos(), QPoint(10, area.height() - 40));
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestEditorOpen test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editoropen.moc"
