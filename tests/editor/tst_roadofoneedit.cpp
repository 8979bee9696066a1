#include "GuiTestSupport.h"
#include "TestSupport.h"

#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Constants.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;
using namespace TestSupport;

namespace {

const QString FrenchFile = QStringLiteral("language/French (France).ini");
const QString OldLine = QStringLiteral("\r\nMSG_SNAPSHOT_SAVED=\"Instantan\u00e9 enregistr\u00e9 dans %s\"\r\n");
const QString NewValue = QStringLiteral("\"Capture enregistr\u00e9e sous %s\"");

QString decodeUtf16le(const QByteArray &bytes)
{
    return QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData()), bytes.size() / 2);
}

// Types text key by key; letters beyond ASCII arrive as a key that carries its text.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 0x80)
            QTest::keyClick(widget, char(c.unicode()));
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

} // namespace

// One edit from start-up to the bytes on disk, the way a translator makes it:
// French picked in the drop-down, "Modify", a search, a new value, Enter, Save.
class TestRoadOfOneEdit : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    QString m_state;
    QColor m_colour;
    QStringList m_shownBeforeSave;
    int m_result = -1;

    // Runs inside the editor's modal loop.
    void editInTheEditor(CVuduzLanguageMapDlg *editor)
    {
        QVERIFY(QTest::qWaitForWindowActive(editor));
        QCOMPARE(editor->windowTitle(), QStringLiteral("Dedevuded      French (France)"));
        // Search by attribute (the default): type into the search field, press Enter.
        QTest::mouseClick(editor->searchEdit(), Qt::LeftButton);
        QCOMPARE(QApplication::focusWidget(), editor->searchEdit());
        QTest::keyClicks(editor->searchEdit(), QStringLiteral("SNAPSHOT_SAVED"));
        QTest::keyClick(editor->searchEdit(), Qt::Key_Return);
        const EntryListModel *rows = editor->entries();
        const int row = editor->entryList()->selectionMark();
        QVERIFY(row >= 0);
        QCOMPARE(rows->text(row, 0), QStringLiteral("MSG_SNAPSHOT_SAVED"));
        QCOMPARE(editor->referenceEdit()->text(), QStringLiteral("\"Snapshot saved to %s\""));
        QCOMPARE(QApplication::focusWidget(), editor->valueEdit());

        // A new value typed over the old one, applied with Enter.
        QTest::keyClick(editor->valueEdit(), Qt::Key_A, Qt::ControlModifier);
        typeText(editor->valueEdit(), NewValue);
        QCOMPARE(editor->valueEdit()->text(), NewValue);
        QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
        QCOMPARE(rows->text(row, 1), NewValue);
        m_state = rows->text(row, 3);
        m_colour = rows->data(rows->index(row, 1), Qt::BackgroundRole).value<QBrush>().color();
        m_shownBeforeSave = MessageBox::shownMessages();

        // Save: French has values with broken placeholders, so the format question comes once.
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QTest::mouseClick(findControl<QPushButton>(editor, CVuduzLanguageMapDlg::IDC_SAVE), Qt::LeftButton);
        m_result = editor->result();
    }

private Q_SLOTS:
    void init() { MessageBox::resetTestHooks(); }

    void fromStartUpToTheBytesOnDisk();
};

void TestRoadOfOneEdit::fromStartUpToTheBytesOnDisk()
{
    CurrentDirGuard cwd;
    UnansweredBoxGuard boxes;
    const QString root = m_tmp.filePath(QStringLiteral("demo"));
    QVERIFY(copyTree(demoProductDir(), root));
    const QByteArray original = readBytes(root + u'/' + FrenchFile);
    QVERIFY(original.startsWith("\xFF\xFE"));
    QVERIFY(decodeUtf16le(original.mid(2)).contains(OldLine));

    // Start-up.
    QDir::setCurrent(root);
    resetAttributeIdCounter();
    CGlossa_DeskDlg window;
    QVERIFY(window.OnInitDialog());
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QMap<QString, QByteArray> afterStartUp = snapshotTree(root);
    QCOMPARE(afterStartUp.value(FrenchFile), original); // start-up leaves language files alone

    // French (France), the third language, picked with the keyboard in the drop-down list.
    QComboBox *combo = window.languageCombo();
    combo->setFocus();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(combo, Qt::Key_Down);
    QCOMPARE(combo->currentText(), QStringLiteral("French (France)"));
    const EntryListModel *rows = window.entryRows();
    QCOMPARE(rows->rowCount(), 154);
    const AttributeId id = *window.languageStore().findAttribute(QStringLiteral("MSG_SNAPSHOT_SAVED"));
    QCOMPARE(rows->text(rows->findRowById(id), 1), QStringLiteral("\"Instantan\u00e9 enregistr\u00e9 dans %s\""));

    // "Modify", clicked; the editor runs modally until it is saved.
    QVERIFY(window.modifyButton()->isEnabled());
    whenModal<CVuduzLanguageMapDlg>(this, [this](CVuduzLanguageMapDlg *editor) {
        editInTheEditor(editor);
        if (editor->isVisible())
            editor->done(0); // a failed step must not leave the modal loop running
    });
    QTest::mouseClick(window.modifyButton(), Qt::LeftButton);
    QCOMPARE(m_state, StatusModified);
    QCOMPARE(m_colour, QColor(255, 255, 147));
    QVERIFY(m_shownBeforeSave.isEmpty());
    QCOMPARE(m_result, ResultSaved);
    QCOMPARE(MessageBox::shownMessages(),
             QStringList(QStringLiteral("Warning\nAttribute: IDS_APP_WELCOME .Translate format error!Do you want to "
                                        "continue to save?")));

    // The main window shows the saved value.
    QCOMPARE(rows->text(rows->findRowById(id), 1), NewValue);
    QCOMPARE(combo->currentText(), QStringLiteral("French (France)"));

    // On disk: UTF-16LE with BOM and CRLF as before; the edited line changed in place;
    // the lines of the broken values that Yes let through are written unchanged; the
    // one missing attribute whose English holds a placeholder (marked ERROR on loading)
    // is written empty after the last line. Nothing else anywhere changed.
    QString expected = decodeUtf16le(original.mid(2));
    expected.replace(OldLine, QStringLiteral("\r\nMSG_SNAPSHOT_SAVED=") + NewValue + QStringLiteral("\r\n"));
    expected += QStringLiteral("MSG_OPERATION_TIMEOUT=\r\n");
    const QByteArray saved = readBytes(root + u'/' + FrenchFile);
    QCOMPARE(saved, utf16le(expected));
    QMap<QString, QByteArray> afterSave = snapshotTree(root);
    afterSave.remove(FrenchFile);
    QMap<QString, QByteArray> unchanged = afterStartUp;
    unchanged.remove(FrenchFile);
    QCOMPARE(afterSave, unchanged);
    QVERIFY(boxes.texts.isEmpty());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestRoadOfOneEdit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_roadofoneedit.moc"
