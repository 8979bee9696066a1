#include "GuiTestSupport.h"
#include "TestSupport.h"

#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "mainwindow/AddNewLanDlg.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Constants.h"
#include "model/LocaleCatalogue.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;
using namespace TestSupport;

namespace {

constexpr int English = 1;
constexpr int German = 55;

const QString GermanName = QStringLiteral("German (Germany)");
const QString CancelQuestion = QStringLiteral("Warning\n Are you sure you want to exit without saving any changes?");

// What the Add New Language dialog showed, and the choice made in it.
struct AddDialogSeen
{
    int count = -1;
    int current = -2;
    QString first;
    bool offersGerman = false;
};

} // namespace

// Adding a language through the main window: the dialog, the new file and
// index entry, the editor on the new language and the main window afterwards.
class TestAddLanguage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    int m_serial = 0;
    QString m_root;
    std::unique_ptr<CurrentDirGuard> m_cwd;
    std::unique_ptr<UnansweredBoxGuard> m_boxes;
    std::unique_ptr<CGlossa_DeskDlg> m_main;

    QString languageFile(const QString &displayName) const
    {
        return m_root + QStringLiteral("/language/") + displayName + QStringLiteral(".ini");
    }

    // A copy of the demo product that holds the master language only, the
    // main window started on it with English selected.
    bool startWithOnlyTheMaster()
    {
        m_root = m_tmp.filePath(QStringLiteral("demo%1").arg(++m_serial));
        if (!copyTree(demoProductDir(), m_root))
            return false;
        for (const QString &name : {QStringLiteral("Chinese (PRC)"), QStringLiteral("French (France)"), GermanName})
            if (!QFile::remove(languageFile(name)))
                return false;
        if (!QFile::remove(m_root + QStringLiteral("/language/LanguageIndex.ini")))
            return false;
        for (const QString &web : {QStringLiteral("zh-cn"), QStringLiteral("German_Germany"), QStringLiteral("Japanese_Japan")})
            if (!QDir(m_root + QStringLiteral("/Web/LanguageInfo/") + web).removeRecursively())
                return false;
        QDir::setCurrent(m_root);
        resetAttributeIdCounter();
        m_main = std::make_unique<CGlossa_DeskDlg>();
        if (!m_main->OnInitDialog() || comboTexts(m_main->languageCombo()) != QStringList{QStringLiteral("English (United States)")})
            return false;
        m_main->show();
        m_main->languageCombo()->setCurrentIndex(0);
        m_main->onLanguageSelected(0);
        return m_main->entryRows()->rowCount() == 154;
    }

    // Arms the Add New Language dialog: records what it offers, then adds the
    // language (an empty name cancels).
    void whenAddDialog(AddDialogSeen &seen, const QString &choice)
    {
        whenModal<CAddNewLanDlg>(this, [&seen, choice](CAddNewLanDlg *dialog) {
            QComboBox *list = dialog->languageList();
            seen.count = list->count();
            seen.current = list->currentIndex();
            seen.first = list->itemText(0);
            seen.offersGerman = list->findText(GermanName) >= 0;
            if (choice.isEmpty()) {
                QTest::mouseClick(findControl<QPushButton>(dialog, CAddNewLanDlg::IDC_CANCEL), Qt::LeftButton);
                return;
            }
            list->setCurrentIndex(list->findText(choice));
            QTest::mouseClick(findControl<QPushButton>(dialog, CAddNewLanDlg::IDC_ADD), Qt::LeftButton);
        });
    }

private Q_SLOTS:
    void init()
    {
        m_cwd = std::make_unique<CurrentDirGuard>();
        MessageBox::resetTestHooks();
        m_boxes = std::make_unique<UnansweredBoxGuard>();
    }
    void cleanup()
    {
        m_main.reset();
        m_cwd.reset();
        const QStringList unanswered = m_boxes->texts;
        m_boxes.reset();
        QVERIFY2(unanswered.isEmpty(), qPrintable(unanswered.join(QLatin1Char('|'))));
    }

    void dialogOffersEveryAbsentLanguage();
    void leavingTheEditorKeepsTheBlankFileButNotTheListItem();
    void savingAppendsTheLanguageAndShowsItsRows();
    void aFileThatCannotBeCreatedStillOpensTheEditor();
};

void TestAddLanguage::dialogOffersEveryAbsentLanguage()
{
    QVERIFY(startWithOnlyTheMaster());
    const QMap<QString, QByteArray> before = snapshotTree(m_root);
    AddDialogSeen seen;
    whenAddDialog(seen, QString());
    QTest::mouseClick(m_main->addLanguageButton(), Qt::LeftButton);
    QCOMPARE(seen.count, 111);
    QCOMPARE(seen.first, QStringLiteral("Chinese (PRC)"));
    QCOMPARE(seen.current, 0);
    QVERIFY(seen.offersGerman);
    // Cancelled: nothing happens.
    QCOMPARE(snapshotTree(m_root), before);
    QCOMPARE(presentLanguages(), PresentLanguageSet({English}));
    QCOMPARE(comboTexts(m_main->languageCombo()), QStringList{QStringLiteral("English (United States)")});
    QVERIFY(MessageBox::shownMessages().isEmpty());
}

void TestAddLanguage::leavingTheEditorKeepsTheBlankFileButNotTheListItem()
{
    QVERIFY(startWithOnlyTheMaster());
    const QByteArray master = readBytes(languageFile(QStringLiteral("English (United States)")));
    const QString englishTitle = m_main->entryRows()->text(1, 1);
    AddDialogSeen seen;
    whenAddDialog(seen, GermanName);
    QString title;
    int rows = -1;
    int nonEmptyValues = -1;
    whenModal<CVuduzLanguageMapDlg>(this, [&](CVuduzLanguageMapDlg *editor) {
        title = editor->windowTitle();
        rows = editor->entries()->rowCount();
        nonEmptyValues = 0;
        for (int r = 0; r < rows; ++r)
            nonEmptyValues += editor->entries()->text(r, 1).isEmpty() ? 0 : 1;
        // A new language has rows marked ERROR wherever its reference holds placeholders.
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(findControl<QPushButton>(editor, CVuduzLanguageMapDlg::IDC_CANCEL), Qt::LeftButton);
    });
    m_main->onAddNewLanguage();
    QCOMPARE(title, QStringLiteral("Dedevuded      German (Germany)"));
    QCOMPARE(rows, 154);
    QCOMPARE(nonEmptyValues, 0);
    QCOMPARE(MessageBox::shownMessages(), QStringList(CancelQuestion));

    // The file: every attribute of the master, in its order, set to one space, in the master's encoding.
    const QByteArray bytes = readBytes(languageFile(GermanName));
    QVERIFY(bytes.startsWith("\xFF\xFE"));
    const QString text = QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2), (bytes.size() - 2) / 2);
    const QList<ProfileEntry> masterEntries =
        GetPrivateProfileSection(TextSectionName, languageFile(QStringLiteral("English (United States)")));
    const QList<ProfileEntry> entries = GetPrivateProfileSection(TextSectionName, languageFile(GermanName));
    QCOMPARE(entries.size(), masterEntries.size());
    QString expected = QStringLiteral("[text]\r\n");
    for (int i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries[i].key, masterEntries[i].key);
        QVERIFY(entries[i].value.isEmpty()); // one space, trimmed away when read
        expected += masterEntries[i].key + QStringLiteral("= \r\n");
    }
    QCOMPARE(text, expected);
    QCOMPARE(readBytes(languageFile(QStringLiteral("English (United States)"))), master);

    // The index: the language under "languages" only.
    const QString index = m_root + QStringLiteral("/language/LanguageIndex.ini");
    bool listed = false;
    for (const ProfileEntry &entry : GetPrivateProfileSection(QStringLiteral("languages"), index))
        listed |= entry.key == QStringLiteral("0x0407") && entry.value == GermanName;
    QVERIFY(listed);
    for (const ProfileEntry &entry : GetPrivateProfileSection(QStringLiteral("xmllanguages"), index))
        QVERIFY(entry.key != QStringLiteral("0x0407"));
    QVERIFY(!QFileInfo::exists(m_root + QStringLiteral("/Web/LanguageInfo/German_Germany")));

    // The main window lists it, since its file is there, and still shows English's rows.
    QCOMPARE(comboTexts(m_main->languageCombo()), QStringList({QStringLiteral("English (United States)"), GermanName}));
    QCOMPARE(m_main->languageCombo()->currentIndex(), 0);
    QCOMPARE(m_main->entryRows()->text(1, 1), englishTitle);
    // It counts as present all the same: the dialog no longer offers it.
    QVERIFY(presentLanguages().count(German));
    AddDialogSeen again;
    whenAddDialog(again, QString());
    m_main->onAddNewLanguage();
    QCOMPARE(again.count, 110);
    QVERIFY(!again.offersGerman);
}

void TestAddLanguage::savingAppendsTheLanguageAndShowsItsRows()
{
    QVERIFY(startWithOnlyTheMaster());
    const LanguageStore &store = m_main->languageStore();
    const AttributeId menuFile = *store.findAttribute(QStringLiteral("IDS_MENU_FILE"));
    const AttributeId timeout = *store.findAttribute(QStringLiteral("MSG_OPERATION_TIMEOUT"));
    const AttributeId appTitle = *store.findAttribute(QStringLiteral("IDS_APP_TITLE"));
    AddDialogSeen seen;
    whenAddDialog(seen, GermanName);
    int result = -1;
    whenModal<CVuduzLanguageMapDlg>(this, [&](CVuduzLanguageMapDlg *editor) {
        for (const auto &[id, value] : {std::pair{menuFile, QStringLiteral("Datei")},
                                        std::pair{timeout, QStringLiteral("\"Zeit\u00fcberschreitung nach %d Sekunden.\"")}}) {
            editor->ShowEntry(editor->entries()->findRowById(id));
            editor->valueEdit()->setText(value);
            QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
        }
        MessageBox::setNextAnswer(QMessageBox::Yes); // the rows still marked ERROR
        QTest::mouseClick(findControl<QPushButton>(editor, CVuduzLanguageMapDlg::IDC_SAVE), Qt::LeftButton);
        result = editor->result();
    });
    QTest::mouseClick(m_main->addLanguageButton(), Qt::LeftButton);
    QCOMPARE(result, ResultSaved);
    QCOMPARE(MessageBox::shownMessages().size(), 1);
    QVERIFY(MessageBox::shownMessages()[0].startsWith(QStringLiteral("Warning\nAttribute: ")));

    // Appended as the last item and selected.
    QCOMPARE(comboTexts(m_main->languageCombo()), QStringList({QStringLiteral("English (United States)"), GermanName}));
    QCOMPARE(m_main->languageCombo()->itemData(1).toInt(), German);
    QCOMPARE(m_main->languageCombo()->currentIndex(), 1);
    QVERIFY(m_main->modifyButton()->isEnabled());

    // The entry list holds German's rows, as selecting German would have filled it.
    LanguageValues german;
    RedundantKeySet redundant;
    QVERIFY(m_main->languageStore().LoadLanguageFile(GermanName, german, redundant));
    const EntryListModel *rows = m_main->entryRows();
    QCOMPARE(rows->rowCount(), 154);
    for (int r = 0; r < rows->rowCount(); ++r)
        QCOMPARE(rows->text(r, 1), german.value(rows->itemData(r)));
    QCOMPARE(rows->text(rows->findRowById(menuFile), 1), QStringLiteral("\"Datei\""));
    QCOMPARE(rows->text(rows->findRowById(timeout), 1),
             QStringLiteral("\"Zeit\u00fcberschreitung nach %d Sekunden.\""));
    QCOMPARE(rows->text(rows->findRowById(appTitle), 1), QString()); // not English's "Vistaline Monitor"
    QVERIFY(m_main->redundantKeys().empty());
    const QString text = QString::fromUtf16(
        reinterpret_cast<const char16_t *>(readBytes(languageFile(GermanName)).constData() + 2),
        (readBytes(languageFile(GermanName)).size() - 2) / 2);
    QVERIFY(text.contains(QStringLiteral("\r\nIDS_MENU_FILE=\"Datei\"\r\n")));
    QVERIFY(text.contains(QStringLiteral("\r\nIDS_APP_TITLE= \r\n")));   // untouched: the blank of creation
    QVERIFY(text.contains(QStringLiteral("\r\nIDS_APP_VERSION= \r\n"))); // no percent sign: not marked
    // Marked ERROR and saved empty, which is what its blank line already reads as: the line stays.
    QVERIFY(text.contains(QStringLiteral("\r\nMSG_EXIT_CONFIRM= \r\n")));

    // "Modify" now opens the editor on German with German's rows.
    QString title;
    QStringList values;
    whenModal<CVuduzLanguageMapDlg>(this, [&](CVuduzLanguageMapDlg *editor) {
        title = editor->windowTitle();
        for (int r = 0; r < editor->entries()->rowCount(); ++r)
            values << editor->entries()->text(r, 1);
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(findControl<QPushButton>(editor, CVuduzLanguageMapDlg::IDC_CANCEL), Qt::LeftButton);
    });
    QTest::mouseClick(m_main->modifyButton(), Qt::LeftButton);
    QCOMPARE(title, QStringLiteral("Dedevuded      German (Germany)"));
    QCOMPARE(values.size(), 154);
    for (int r = 0; r < rows->rowCount(); ++r)
        QCOMPARE(values[r], rows->text(r, 1));
}

void TestAddLanguage::aFileThatCannotBeCreatedStillOpensTheEditor()
{
    QVERIFY(startWithOnlyTheMaster());
    QVERIFY(QDir().mkdir(languageFile(GermanName)));
    AddDialogSeen seen;
    whenAddDialog(seen, GermanName);
    int rows = -1;
    whenModal<CVuduzLanguageMapDlg>(this, [&](CVuduzLanguageMapDlg *editor) {
        rows = editor->entries()->rowCount();
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(findControl<QPushButton>(editor, CVuduzLanguageMapDlg::IDC_CANCEL), Qt::LeftButton);
    });
    MessageBox::setNextAnswer(QMessageBox::Ok); // why the file is not there
    m_main->onAddNewLanguage();
    QCOMPARE(rows, 154);
    const QStringList shown = MessageBox::shownMessages();
    QCOMPARE(shown.size(), 2);
    QVERIFY2(shown[0].contains(GermanName), qPrintable(shown[0]));
    QCOMPARE(shown[1], CancelQuestion);
    QVERIFY(QFileInfo(languageFile(GermanName)).isDir());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestAddLanguage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_addlanguage.moc"
