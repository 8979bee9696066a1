#include "EditorFixture.h"

#include "editor/EntryFilterModel.h"
#include "editor/VuduzListCtrl.h"
#include "exchange/Exchange.h"
#include "model/Constants.h"

#include <QComboBox>
#include <QPushButton>

using namespace Glossa;
using namespace TestSupport;

namespace {

using C = CVuduzLanguageMapDlg;
using Entry = EditorFixture::Entry;

void key(C *editor, Qt::Key k, Qt::KeyboardModifiers modifiers = {})
{
    QTest::keyClick(editor->valueEdit(), k, modifiers);
}

void type(C *editor, const QString &text)
{
    editor->valueEdit()->selectAll();
    QTest::keyClicks(editor->valueEdit(), text);
}

int rowOf(const C *editor, const QString &attribute)
{
    for (int row = 0; row < editor->entries()->rowCount(); ++row)
        if (editor->entries()->text(row, 0) == attribute)
            return row;
    return -1;
}

QString valueOf(const C *editor, const QString &attribute)
{
    return editor->entries()->text(rowOf(editor, attribute), 1);
}

QString stateOf(const C *editor, const QString &attribute)
{
    return editor->entries()->text(rowOf(editor, attribute), 3);
}

QStringList shownAttributes(const C *editor)
{
    QStringList names;
    const QAbstractItemModel *m = editor->entryList()->model();
    for (int r = 0; r < m->rowCount(); ++r)
        names << m->index(r, 0).data().toString();
    return names;
}

void choose(C *editor, int showIndex)
{
    editor->showCombo()->setCurrentIndex(showIndex);
    Q_EMIT editor->showCombo()->activated(showIndex);
}

} // namespace

// Undo, the case variant's value, exchange files and the earlier release, through the real editor.
class TestEditorReview : public QObject
{
    Q_OBJECT

    EditorFixture f;

private Q_SLOTS:
    void init() { f.start(); }
    void cleanup()
    {
        const QStringList unanswered = f.finish();
        QVERIFY2(unanswered.isEmpty(), qPrintable(unanswered.join(QLatin1Char('|'))));
    }

    void undoRestoresTheRowAsItWas_data()
    {
        QTest::addColumn<QString>("attribute");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("appliedState");
        QTest::newRow("back to the loaded ERROR") << QStringLiteral("IDS_2") << QStringLiteral("Fichier %s") << StatusModified;
        QTest::newRow("back to untouched") << QStringLiteral("IDS_0") << QStringLiteral("Ouvrez") << StatusModified;
        QTest::newRow("an error undone") << QStringLiteral("IDS_5") << QStringLiteral("Copier %d") << StatusError;
    }
    void undoRestoresTheRowAsItWas()
    {
        QFETCH(QString, attribute);
        QFETCH(QString, typed);
        QFETCH(QString, appliedState);
        QVERIFY(f.makeProduct(EditorFixture::mixedEntries()));
        auto editor = f.openEditor();
        QVERIFY(editor);
        const QString loadedValue = valueOf(editor.get(), attribute);
        const QString loadedState = stateOf(editor.get(), attribute);
        editor->ShowEntry(rowOf(editor.get(), attribute));
        type(editor.get(), typed);
        key(editor.get(), Qt::Key_Return);
        QCOMPARE(stateOf(editor.get(), attribute), appliedState);
        QCOMPARE(editor->progressField()->text().contains(QStringLiteral("1 modified")), appliedState == StatusModified);

        editor->ShowEntry(rowOf(editor.get(), QStringLiteral("IDS_3")));
        key(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(valueOf(editor.get(), attribute), loadedValue);
        QCOMPARE(stateOf(editor.get(), attribute), loadedState);
        QCOMPARE(editor->attributeEdit()->text(), attribute); // the undo shows its row
        QCOMPARE(editor->valueEdit()->text(), loadedValue);
        QVERIFY(editor->statusField()->text().startsWith(QStringLiteral("Undone: the value of ") + attribute));

        key(editor.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(valueOf(editor.get(), attribute), typed);
        QCOMPARE(stateOf(editor.get(), attribute), appliedState);
        key(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        key(editor.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(valueOf(editor.get(), attribute), typed);
        key(editor.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(editor->statusField()->text(), QStringLiteral("Nothing to redo"));

        key(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(stateOf(editor.get(), attribute), loadedState);
        QVERIFY(editor->progressField()->text().endsWith(QStringLiteral("0 modified")));
    }

    void typingThatWasThrownAwayComesBack()
    {
        QVERIFY(f.makeProduct(EditorFixture::mixedEntries()));
        auto editor = f.openEditor();
        QVERIFY(editor);
        editor->ShowEntry(0);
        type(editor.get(), QStringLiteral("Ouvrez"));
        QVERIFY(editor->whyField()->text().startsWith(QStringLiteral("Not applied: Enter applies it")));
        key(editor.get(), Qt::Key_Down); // shows IDS_1: the typing goes, as it always has
        QCOMPARE(editor->attributeEdit()->text(), QStringLiteral("IDS_1"));
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_0")), QStringLiteral("Ouvrir"));

        key(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(editor->attributeEdit()->text(), QStringLiteral("IDS_0"));
        QCOMPARE(editor->valueEdit()->text(), QStringLiteral("Ouvrez"));
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_0")), QStringLiteral("Ouvrir")); // not applied
        QCOMPARE(stateOf(editor.get(), QStringLiteral("IDS_0")), QString());
        QVERIFY(editor->whyField()->text().startsWith(QStringLiteral("Not applied: Enter applies it")));

        // With typing in the field, Ctrl+Z takes the typing back first and redo puts it back;
        // a redo of anything else would throw the typing away, so it waits.
        key(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(editor->valueEdit()->text(), QStringLiteral("Ouvrir"));
        key(editor.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(editor->valueEdit()->text(), QStringLiteral("Ouvrez"));
        key(editor.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(editor->valueEdit()->text(), QStringLiteral("Ouvrez"));

        key(editor.get(), Qt::Key_Return);
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_0")), QStringLiteral("Ouvrez"));
        QCOMPARE(stateOf(editor.get(), QStringLiteral("IDS_0")), StatusModified);
        QCOMPARE(editor->whyField()->text(), QString());
        key(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_0")), QStringLiteral("Ouvrir"));
        // Applying dropped the discard that had been undone.
        key(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(editor->statusField()->text(), QStringLiteral("Nothing to undo"));
    }

    void aNewValueDropsWhatWasUndone()
    {
        QVERIFY(f.makeProduct(EditorFixture::mixedEntries()));
        auto editor = f.openEditor();
        QVERIFY(editor);
        editor->ShowEntry(1);
        type(editor.get(), QStringLiteral("Fermer"));
        key(editor.get(), Qt::Key_Return);
        key(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        type(editor.get(), QStringLiteral("Clore"));
        key(editor.get(), Qt::Key_Return);
        key(editor.get(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(editor->statusField()->text(), QStringLiteral("Nothing to redo"));
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_1")), QStringLiteral("Clore"));
        // In the Filter field Ctrl+Z is the field's own.
        QTest::keyClicks(editor->filterEdit(), QStringLiteral("zz"));
        QTest::keyClick(editor->filterEdit(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_1")), QStringLiteral("Clore"));
        QCOMPARE(editor->filterEdit()->text(), QString());
    }

    void theCaseVariantsValueIsOffered()
    {
        QVERIFY(f.makeProduct(EditorFixture::mixedEntries(), {QStringLiteral("ids_1=Fermer"), QStringLiteral("IDS_9=Autre"),
                                                              QStringLiteral("\"IDS_4\"=\"Aide\"")}));
        const auto before = snapshotTree(f.root);
        auto editor = f.openEditor();
        QVERIFY(editor);
        editor->ShowEntry(rowOf(editor.get(), QStringLiteral("IDS_0")));
        QVERIFY(!editor->review().useItButton()->isVisible());
        key(editor.get(), Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(editor->valueEdit()->text(), QStringLiteral("Ouvrir"));

        editor->ShowEntry(rowOf(editor.get(), QStringLiteral("IDS_1")));
        QVERIFY(editor->review().useItButton()->isVisible());
        QCOMPARE(editor->review().useItButton()->accessibleName(), QStringLiteral("Use It"));
        QVERIFY(editor->review().useItButton()->toolTip().contains(QStringLiteral("Ctrl+U")));
        QVERIFY(editor->whyField()->text().contains(QStringLiteral("ids_1=Fermer")));
        QVERIFY(!editor->review().useItButton()->geometry().intersects(editor->whyField()->geometry()));
        QTest::mouseClick(editor->review().useItButton(), Qt::LeftButton);
        QCOMPARE(editor->valueEdit()->text(), QStringLiteral("Fermer"));
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_1")), QString()); // offered, not applied
        key(editor.get(), Qt::Key_Return);
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_1")), QStringLiteral("Fermer"));
        QCOMPARE(stateOf(editor.get(), QStringLiteral("IDS_1")), StatusModified);

        // A key written in quotes is offered the same way, and said to be one.
        editor->ShowEntry(rowOf(editor.get(), QStringLiteral("IDS_4")));
        QVERIFY(editor->review().useItButton()->isVisible());
        QVERIFY2(editor->whyField()->text().contains(QStringLiteral("\"IDS_4\"=\"Aide\", the key written in quotes")),
                 qPrintable(editor->whyField()->text()));
        key(editor.get(), Qt::Key_U, Qt::ControlModifier);
        QCOMPARE(editor->valueEdit()->text(), QStringLiteral("\"Aide\""));
        QCOMPARE(snapshotTree(f.root), before);
    }

    void importAppliesAsModifyInOneStep()
    {
        QVERIFY(f.makeProduct(EditorFixture::mixedEntries()));
        const QString csv = f.tmp.filePath(QStringLiteral("back.csv"));
        QVERIFY(writeBytes(csv, QByteArray("note,value,key\r\n"
                                           "x,Fermer,IDS_1\r\n"
                                           "x,Ouvrir,IDS_0\r\n"
                                           "x,Copier %d,IDS_5\r\n"
                                           "x,Aide,IDS_4\r\n"
                                           "x,Rien,IDS_UNKNOWN\r\n"
                                           "x,\"deux\nlignes\",IDS_3\r\n")));
        const auto before = snapshotTree(f.root);
        auto editor = f.openEditor();
        QVERIFY(editor);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(editor->exchange().importFile(csv));
        const QStringList shown = MessageBox::shownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(QStringLiteral("3 entries changed")), qPrintable(shown[0]));
        QVERIFY(shown[0].contains(QStringLiteral("1 of them marked ERROR")));
        QVERIFY(shown[0].contains(QStringLiteral("2 refused")));
        QVERIFY(shown[0].contains(QStringLiteral("IDS_UNKNOWN")));
        QVERIFY(shown[0].contains(QStringLiteral("IDS_3")));
        QCOMPARE(stateOf(editor.get(), QStringLiteral("IDS_1")), StatusModified);
        QCOMPARE(stateOf(editor.get(), QStringLiteral("IDS_4")), StatusModified);
        QCOMPARE(stateOf(editor.get(), QStringLiteral("IDS_5")), StatusError);
        QCOMPARE(stateOf(editor.get(), QStringLiteral("IDS_0")), QString());
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_3")), QStringLiteral("OK"));
        QCOMPARE(snapshotTree(f.root), before); // nothing is written until Save

        key(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        for (const QString &attribute : {QStringLiteral("IDS_1"), QStringLiteral("IDS_4"), QStringLiteral("IDS_5")})
            QCOMPARE(stateOf(editor.get(), attribute), QString());
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_5")), QStringLiteral("\"Copier \""));
        QCOMPARE(editor->statusField()->text(), QStringLiteral("Undone: the import of back.csv"));
        key(editor.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(valueOf(editor.get(), QStringLiteral("IDS_1")), QStringLiteral("Fermer"));
        QCOMPARE(stateOf(editor.get(), QStringLiteral("IDS_5")), StatusError);

        // The import is saved as typed values are.
        MessageBox::setNextAnswer(QMessageBox::Yes); // the format question of IDS_2 and IDS_5
        editor->OnSave();
        QCOMPARE(editor->result(), int(ResultSaved));
        QVERIFY(readBytes(f.languageFile()).contains(utf16le(QStringLiteral("IDS_1=\"Fermer\"\r\n"), false)));
    }

    void aRefusedFileChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        QTest::newRow("a document type") << QByteArray("<?xml version=\"1.0\"?><!DOCTYPE x [<!ENTITY e \"v\">]>"
                                                       "<xliff version=\"1.2\"/>")
                                         << QStringLiteral("not imported");
        QTest::newRow("another target language")
            << QByteArray("<?xml version=\"1.0\"?><xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">"
                          "<file original=\"x\" source-language=\"en-US\" target-language=\"de-DE\" datatype=\"plaintext\">"
                          "<body><trans-unit id=\"IDS_1\"><source>Close</source><target>Schliessen</target></trans-unit>"
                          "</body></file></xliff>")
            << QStringLiteral("de-DE");
        QTest::newRow("a repeated key") << QByteArray("key,value\r\nIDS_1,a\r\nIDS_1,b\r\n") << QStringLiteral("IDS_1");
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\xff", 4) << QStringLiteral("not imported");
    }
    void aRefusedFileChangesNothing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        QVERIFY(f.makeProduct(EditorFixture::mixedEntries()));
        const QString path = f.tmp.filePath(QStringLiteral("bad.xlf"));
        QVERIFY(writeBytes(path, bytes));
        auto editor = f.openEditor();
        QVERIFY(editor);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!editor->exchange().importFile(path));
        const QStringList shown = MessageBox::shownMessages();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].contains(reason), qPrintable(shown[0]));
        for (int row = 0; row < editor->entries()->rowCount(); ++row)
            QVERIFY(editor->entries()->text(row, 3) != StatusModified);
        QVERIFY(!editor->review().canUndo());
    }

    void exportWritesTheShownRowsAndComesBackUnchanged()
    {
        QVERIFY(f.makeProduct(EditorFixture::mixedEntries()));
        auto editor = f.openEditor();
        QVERIFY(editor);
        choose(editor.get(), 1); // Untranslated: IDS_1 and IDS_4
        editor->entryList()->sortByColumn(0, Qt::DescendingOrder);
        const QString xlf = f.tmp.filePath(QStringLiteral("out.xlf"));
        QVERIFY(editor->exchange().exportFile(xlf));
        ExchangeFile file;
        QString error;
        QVERIFY2(readExchangeFile(readBytes(xlf), file, error), qPrintable(error));
        QCOMPARE(file.targetLanguage, QStringLiteral("fr-FR"));
        QStringList keys;
        for (const ImportedUnit &unit : file.units)
            keys << unit.key;
        QCOMPARE(keys, (QStringList{QStringLiteral("IDS_1"), QStringLiteral("IDS_4")})); // catalogue order

        choose(editor.get(), 0);
        const QString csv = f.tmp.filePath(QStringLiteral("all.csv"));
        QVERIFY(editor->exchange().exportFile(csv));
        QVERIFY(readBytes(csv).startsWith("\xef\xbb\xbfkey,reference,value,state,note\r\n"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(editor->exchange().importFile(csv));
        QVERIFY(MessageBox::shownMessages().value(0).contains(QStringLiteral("\n0 entries changed")));
        QVERIFY(!editor->review().canUndo());
        QVERIFY(editor->progressField()->text().endsWith(QStringLiteral("0 modified")));

        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!editor->exchange().exportFile(f.tmp.filePath(QStringLiteral("no/such/dir/x.xlf"))));
        QCOMPARE(MessageBox::shownMessages().size(), 2);
    }

    void theEarlierReleaseMarksStaleRows()
    {
        QVERIFY(f.copyProduct(demoProductDir(), QStringLiteral("German (Germany)"),
                              {QStringLiteral("English (United States)"), QStringLiteral("French (France)")}));
        const auto before = snapshotTree(f.root);
        auto editor = f.openEditor();
        QVERIFY(editor);
        const int search = rowOf(editor.get(), QStringLiteral("IDS_DEVICE_SEARCH"));
        QVERIFY(search > 0);
        editor->ShowEntry(search - 1);
        key(editor.get(), Qt::Key_F8);
        const QString beforeComparison = editor->attributeEdit()->text();

        // Bad choices: the product itself, a file that is no master; nothing changes.
        for (const QString &bad : {f.root, f.root + QStringLiteral("/language/LanguageIndex.ini")}) {
            MessageBox::setNextAnswer(QMessageBox::Ok);
            QVERIFY(!editor->exchange().compareWithEarlierRelease(bad));
            QCOMPARE(MessageBox::shownMessages().size(), 1);
            MessageBox::resetTestHooks();
            QCOMPARE(editor->showCombo()->count(), 6);
        }

        QVERIFY(editor->exchange().compareWithEarlierRelease(sourceDir() + QStringLiteral("/examples/demo-product-previous")));
        QCOMPARE(editor->showCombo()->itemText(6), QStringLiteral("Reference changed"));
        choose(editor.get(), 6);
        const QStringList stale = shownAttributes(editor.get());
        QVERIFY(stale.contains(QStringLiteral("IDS_DEVICE_SEARCH")));
        QVERIFY(!stale.contains(QStringLiteral("IDS_DEVICE_DELETE"))); // German followed the new English already
        QVERIFY(!stale.contains(QStringLiteral("IDS_HELP_CHECK_UPDATE"))); // added: untranslated, not stale
        QCOMPARE(editor->session().staleCount(), stale.size());

        editor->ShowEntry(search);
        QVERIFY2(editor->whyField()->text().contains(QStringLiteral("from \"Search\" to \"Search [LAN]\"")),
                 qPrintable(editor->whyField()->text()));
        choose(editor.get(), 0);
        editor->ShowEntry(search - 1);
        key(editor.get(), Qt::Key_F8);
        QCOMPARE(editor->attributeEdit()->text(), QStringLiteral("IDS_DEVICE_SEARCH"));
        QVERIFY(beforeComparison != QStringLiteral("IDS_DEVICE_SEARCH"));

        // Applying even the same value clears the mark; undo brings it back.
        const AttributeId id = editor->entries()->itemData(search);
        key(editor.get(), Qt::Key_Return);
        QVERIFY(!editor->session().isStale(id));
        key(editor.get(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(editor->session().isStale(id));
        QCOMPARE(snapshotTree(f.root), before);
    }
};

QTEST_MAIN(TestEditorReview)
#include "tst_editorreview.moc"
