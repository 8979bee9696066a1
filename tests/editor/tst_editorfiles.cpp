#include "EditorFixture.h"

#include "editor/EditorExchange.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "model/Constants.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"

#include <QPushButton>
#include <QTest>

using namespace Glossa;
using namespace TestSupport;
using C = CVuduzLanguageMapDlg;

// What the editor does with files and values it must not make worse: values
// longer than a line edit holds, and a language file that reads as no text.
class TestEditorFiles : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { m_fixture.start(); }
    void cleanup()
    {
        const QStringList unanswered = m_fixture.finish();
        QVERIFY2(unanswered.isEmpty(), qPrintable(unanswered.join(u'|')));
    }

    void longValuesAreNeverCut_data();
    void longValuesAreNeverCut();
    void undecodableFileOpensReadOnly();
    void exportNeverAsksInTheProduct();

private:
    EditorFixture m_fixture;
};

void TestEditorFiles::longValuesAreNeverCut_data()
{
    QTest::addColumn<int>("length");
    QTest::newRow("40,000 characters: the field takes it") << 40000;
    QTest::newRow("5,000,000 characters: held whole, shown cut") << 5000000;
}

void TestEditorFiles::longValuesAreNeverCut()
{
    QFETCH(int, length);
    const QString longValue = u'"' + QString(length, u'x') + u'"';
    QVERIFY(m_fixture.makeProduct({{QStringLiteral("IDS_LONG"), longValue, QStringLiteral("Long")},
                                   {QStringLiteral("IDS_SHORT"), QStringLiteral("\"court\""), QStringLiteral("Short")}}));
    const QByteArray before = readBytes(m_fixture.languageFile());
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);

    editor->ShowEntry(0);
    const bool held = length > C::LongValueLimit;
    QCOMPARE(editor->valueHeldWhole(), held);
    QCOMPARE(editor->fieldValue(), longValue);
    QCOMPARE(editor->valueEdit()->isReadOnly(), held);
    QCOMPARE(editor->valueEdit()->text().size(), held ? C::LongValueLimit : longValue.size());
    // Shown, not typed: nothing is waiting to be applied.
    QVERIFY2(!editor->whyField()->text().contains(u"Not applied"), qPrintable(editor->whyField()->text()));
    QCOMPARE(editor->whyField()->text().contains(u"characters: the field shows the first 100,000"), held);
    // Enter on the held value changes nothing; on a value the field holds it applies that same value.
    QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
    QCOMPARE(editor->entries()->text(0, 1), longValue);
    QCOMPARE(editor->entries()->text(0, 3), held ? QString() : StatusModified);

    // Step over it, change the other entry, save: the long line's bytes are as they were.
    editor->ShowEntry(1);
    editor->valueEdit()->setText(QStringLiteral("\"bref\""));
    QTest::mouseClick(findControl<QPushButton>(editor.get(), C::IDC_MODIFY), Qt::LeftButton);
    editor->ShowEntry(0);
    editor->ShowEntry(1);
    editor->OnSave();
    QCOMPARE(editor->result(), ResultSaved);
    QByteArray expected = before;
    expected.replace(utf16le(QStringLiteral("\"court\""), false), utf16le(QStringLiteral("\"bref\""), false));
    QVERIFY(readBytes(m_fixture.languageFile()) == expected);
}

void TestEditorFiles::undecodableFileOpensReadOnly()
{
    QVERIFY(m_fixture.makeProduct(EditorFixture::mixedEntries()));
    // The French file loses its byte-order mark: UTF-16LE that reads as no text.
    const QByteArray cut = readBytes(m_fixture.languageFile()).sliced(2);
    QVERIFY(writeBytes(m_fixture.languageFile(), cut));
    QVERIFY(m_fixture.owner->loadRows(m_fixture.languageRow));
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);

    QVERIFY(editor->isReadOnly());
    QVERIFY(editor->windowTitle().endsWith(u" (read-only)"));
    QVERIFY2(editor->statusField()->text().contains(
                 u"\"French (France).ini\" cannot be read as text (NUL bytes at every second position: UTF-16LE without "
                 "a byte-order mark?)"),
             qPrintable(editor->statusField()->text()));
    for (int id : {C::IDC_SAVE, C::IDC_MODIFY, C::IDC_REMOVE_REDUNDANT})
        QVERIFY(!findControl<QPushButton>(editor.get(), id)->isEnabled());
    QVERIFY(editor->valueEdit()->isReadOnly());

    // No step changes a row, and nothing reaches the file.
    editor->ShowEntry(0);
    const QString value = editor->entries()->text(0, 1);
    editor->ApplyValue();
    QCOMPARE(editor->entries()->text(0, 1), value);
    const QString xliff = m_fixture.tmp.filePath(QStringLiteral("fr.xlf"));
    QVERIFY(writeBytes(xliff, "<?xml version=\"1.0\"?><xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">"
                              "<file original=\"x\" target-language=\"fr-FR\" datatype=\"plaintext\"><body>"
                              "<trans-unit id=\"IDS_1\"><target>Fermer</target></trans-unit></body></file></xliff>"));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QVERIFY(!editor->exchange().importFile(xliff));
    QVERIFY(MessageBox::shownMessages().value(0).contains(u"the language is open read-only"));
    editor->OnSave();
    QVERIFY(readBytes(m_fixture.languageFile()) == cut);
}

void TestEditorFiles::exportNeverAsksInTheProduct()
{
    QVERIFY(m_fixture.makeProduct(EditorFixture::mixedEntries()));
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);
    // Export… asks first in the user's home, never in language/, then where the last export went.
    QCOMPARE(EditorExchange::exportFolder(), QDir::homePath());
    const QString folder = m_fixture.tmp.filePath(QStringLiteral("exports"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(editor->exchange().exportFile(QDir(folder).filePath(QStringLiteral("fr.xlf"))));
    QCOMPARE(EditorExchange::exportFolder(), folder);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestEditorFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editorfiles.moc"
