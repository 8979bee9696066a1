#include "EditorFixture.h"

#include "editor/ChangeListDlg.h"
#include "editor/EditorRecovery.h"
#include "model/Constants.h"
#include "platform/ProfileFile.h"
#include "recovery/Journal.h"

#include <QPushButton>
#include <QSysInfo>
#include <QTableWidget>

using namespace Glossa;
using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

// The row's change as a step leaves it: value set, state as Modify gives it.
RowChange applyTo(CVuduzLanguageMapDlg &editor, int row, const QString &value)
{
    EntryListModel *model = editor.entries();
    const int status = model->statusColumn();
    RowChange change{model->itemData(row), {model->text(row, 1), model->text(row, status), false}, {}};
    model->setText(row, 1, value);
    model->setText(row, status, editor.CheckEntry(row) ? StatusModified : StatusError);
    change.after = {value, model->text(row, status), false};
    return change;
}

bool setOnDisk(const QString &file, const QList<std::pair<QString, QString>> &values)
{
    ProfileFile profile(file);
    if (!profile.load())
        return false;
    for (const auto &[key, value] : values)
        if (!profile.setValue(TextSectionName, key, value))
            return false;
    return profile.commit();
}

} // namespace

class TestEditorRecovery : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void journalGivesEveryStepBack();
    void discardDropsTheJournal();
    void unreadableJournalIsKeptAside();
    void secondCopyIsAsked_data();
    void secondCopyIsAsked();
    void saveMergesChangesFromOutside_data();
    void saveMergesChangesFromOutside();
    void statusLineTellsOfChangesOnDisk();

private:
    EditorFixture m_fixture;
};

void TestEditorRecovery::init()
{
    qputenv("XDG_STATE_HOME", QFile::encodeName(m_fixture.tmp.filePath(u"state"_s)));
    m_fixture.start();
    QVERIFY(m_fixture.makeProduct(EditorFixture::mixedEntries()));
}

void TestEditorRecovery::cleanup()
{
    QCOMPARE(m_fixture.finish(), QStringList());
}

void TestEditorRecovery::journalGivesEveryStepBack()
{
    QString journalPath;
    {
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        QVERIFY(editor);
        EditorRecovery &recovery = editor->recovery();
        QCOMPARE(recovery.lock().state(), LanguageLock::State::Held);
        journalPath = recovery.journalPath();
        QVERIFY(!QFile::exists(journalPath)); // nothing is written before the first step
        recovery.recordStep(JournalStepKind::Apply, {applyTo(*editor, 0, u"Ouvrir tout"_s)});
        recovery.recordStep(JournalStepKind::Import,
                            {applyTo(*editor, 1, u"Fermer"_s), applyTo(*editor, 2, u"Fichier sans"_s)});
        // Typing that rests a second is journaled too.
        editor->ShowEntry(3);
        QTest::keyClicks(editor->valueEdit(), u" bien"_s);
        JournalContents contents;
        QTRY_VERIFY(readJournal(journalPath, contents) && contents.pending);
        QCOMPARE(contents.pending->text, u"OK bien"_s);
        QCOMPARE(contents.steps.size(), size_t(2));
        // The editor goes away without Save or Cancel, as a crash would take it.
    }
    QVERIFY(QFile::exists(journalPath));
    QVERIFY(!QFile::exists(LanguageLock::lockPathFor(m_fixture.languageFile())));

    MessageBox::setNextAnswer(EditorRecovery::RestoreAnswer);
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);
    QVERIFY(editor);
    EditorRecovery &recovery = editor->recovery();
    QVERIFY(MessageBox::shownMessages().last().contains(u"French (France) has 4 unsaved changes"_s));
    EntryListModel *model = editor->entries();
    const int status = model->statusColumn();
    QCOMPARE(model->text(0, 1), u"Ouvrir tout"_s);
    QCOMPARE(model->text(0, status), StatusModified);
    QCOMPARE(model->text(1, 1), u"Fermer"_s);
    QCOMPARE(model->text(2, status), StatusError); // checked as Modify checks it: the %s is missing
    QCOMPARE(editor->valueEdit()->text(), u"OK bien"_s);
    QCOMPARE(model->text(3, 1), u"OK"_s); // typing is back in the field, not applied
    // The journal starts again from the restored rows, so a second crash loses nothing either.
    JournalContents contents;
    QVERIFY(readJournal(journalPath, contents));
    QCOMPARE(contents.steps.size(), size_t(1));
    QCOMPARE(contents.steps[0].kind, JournalStepKind::Restore);
    QCOMPARE(contents.finalEntries().size(), size_t(3));
    recovery.finish(); // Save or Cancel
    QVERIFY(!QFile::exists(journalPath));
}

void TestEditorRecovery::discardDropsTheJournal()
{
    QString journalPath;
    {
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        EditorRecovery &recovery = editor->recovery();
        journalPath = recovery.journalPath();
        recovery.recordStep(JournalStepKind::Apply, {applyTo(*editor, 0, u"Ouvrir tout"_s)});
    }
    // Show Changes first, then Discard.
    MessageBox::setNextAnswer(EditorRecovery::ShowChangesAnswer);
    MessageBox::setNextAnswer(EditorRecovery::DiscardAnswer);
    QStringList listed;
    whenModal<ChangeListDlg>(this, [&](ChangeListDlg *dialog) {
        for (int c = 0; c < 3; ++c)
            listed << dialog->table()->item(0, c)->text();
        dialog->button(u"Close"_s)->click();
    });
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);
    QCOMPARE(listed, (QStringList{u"IDS_0"_s, u"Ouvrir"_s, u"Ouvrir tout"_s}));
    QVERIFY(!QFile::exists(journalPath));
    QCOMPARE(editor->entries()->text(0, 1), u"Ouvrir"_s);
}

void TestEditorRecovery::unreadableJournalIsKeptAside()
{
    const QString journalPath = journalPathFor(m_fixture.languageFile(), u"French (France)"_s);
    QVERIFY(QDir().mkpath(journalDirectory()));
    QVERIFY(writeBytes(journalPath, "not a journal"));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);
    QVERIFY(!QFile::exists(journalPath));
    const QString message = MessageBox::shownMessages().last();
    QVERIFY(message.contains(u"It has been kept as"_s));
    const QStringList kept = QDir(journalDirectory()).entryList({u"*.kept-*"_s}, QDir::Files);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(readBytes(journalDirectory() + u'/' + kept[0]), QByteArray("not a journal"));
}

void TestEditorRecovery::secondCopyIsAsked_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("Open Read-Only") << int(EditorRecovery::OpenReadOnlyAnswer) << true << true;
    QTest::newRow("Open Anyway") << int(EditorRecovery::OpenAnywayAnswer) << true << false;
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << false << true; // closing, it writes nothing
}

void TestEditorRecovery::secondCopyIsAsked()
{
    QFETCH(int, answer);
    QFETCH(bool, opens);
    QFETCH(bool, readOnly);
    const QString lockPath = LanguageLock::lockPathFor(m_fixture.languageFile());
    const QByteArray other = u"pid=1\nhost=%1\nstarted=2026-12-01T09:30:00.000Z\n"_s.arg(QSysInfo::machineHostName()).toUtf8();
    QVERIFY(writeBytes(lockPath, other));
    MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
    auto editor = std::make_unique<CVuduzLanguageMapDlg>(m_fixture.owner.get());
    editor->sourceList = m_fixture.owner->entryRows();
    editor->languageIndex = m_fixture.languageRow;
    if (opens) {
        editor->OnInitDialog();
        QVERIFY(editor->isVisible());
    } else {
        QCOMPARE(editor->exec(), ResultCancelled); // the run ends before it begins
    }
    EditorRecovery &recovery = editor->recovery();
    QVERIFY(MessageBox::shownMessages().last().endsWith(
        u"French (France) is open in Glossa Desk on %1 (process 1) since "_s.arg(QSysInfo::machineHostName())
        + QDateTime(QDate(2026, 12, 1), QTime(9, 30), Qt::UTC).toLocalTime().toString(u"yyyy-MM-dd HH:mm"_s)));
    QCOMPARE(recovery.isReadOnly(), readOnly);
    // Read-only is the editor's own: the title says so and Save is off.
    QCOMPARE(editor->isReadOnly(), opens && readOnly);
    QCOMPARE(editor->windowTitle().endsWith(u" (read-only)"_s), opens && readOnly);
    // Read-only journals nothing; the other copy's lock is never touched.
    recovery.recordStep(JournalStepKind::Apply, {applyTo(*editor, 0, u"x"_s)});
    QCOMPARE(QFile::exists(recovery.journalPath()), opens && !readOnly);
    recovery.finish();
    QCOMPARE(readBytes(lockPath), other);
}

void TestEditorRecovery::saveMergesChangesFromOutside_data()
{
    QTest::addColumn<QString>("button"); // in "Changed on Disk"
    QTest::addColumn<bool>("saves");
    QTest::addColumn<QString>("ids0");   // what is written for the conflicting key, empty for nothing
    QTest::newRow("Keep Mine") << u"Keep Mine"_s << true << u"Ouvrir ici"_s;
    QTest::newRow("Take Theirs") << u"Take Theirs"_s << true << QString();
    QTest::newRow("Cancel") << u"Cancel"_s << false << QString();
}

void TestEditorRecovery::saveMergesChangesFromOutside()
{
    QFETCH(QString, button);
    QFETCH(bool, saves);
    QFETCH(QString, ids0);
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);
    EditorRecovery &recovery = editor->recovery();
    // Another program changes IDS_0 (also changed here) and IDS_3 (not changed here).
    QVERIFY(setOnDisk(m_fixture.languageFile(), {{u"IDS_0"_s, u"\"Ouvrir ailleurs\""_s}, {u"IDS_3"_s, u"\"D'accord\""_s}}));
    LanguageValues saveList;
    saveList.insert(0, u"Ouvrir ici"_s);  // changed on both sides
    saveList.insert(1, u"Fermer"_s);      // only here
    saveList.insert(5, u"\"Copier \""_s); // marked but as loaded
    QStringList listed;
    whenModal<ChangeListDlg>(this, [&](ChangeListDlg *dialog) {
        QCOMPARE(dialog->windowTitle(), u"Changed on Disk"_s);
        for (int c = 0; c < 4; ++c)
            listed << dialog->table()->item(0, c)->text();
        dialog->button(button)->click();
    });
    LanguageValues applied;
    QCOMPARE(recovery.mergeForSave(saveList, applied), saves);
    QCOMPARE(listed, (QStringList{u"IDS_0"_s, u"Ouvrir"_s, u"\"Ouvrir ailleurs\""_s, u"Ouvrir ici"_s}));
    if (!saves)
        return;
    QCOMPARE(saveList.value(0), ids0);
    QCOMPARE(saveList.contains(0), !ids0.isEmpty());
    QCOMPARE(saveList.value(1), u"Fermer"_s);
    QVERIFY(!saveList.contains(5));
    // The owner's rows take the other program's values too.
    QCOMPARE(applied.value(3), u"\"D'accord\""_s);
    QCOMPARE(applied.value(0), ids0.isEmpty() ? u"\"Ouvrir ailleurs\""_s : ids0);
}

void TestEditorRecovery::statusLineTellsOfChangesOnDisk()
{
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);
    EditorRecovery &recovery = editor->recovery();
    QVERIFY(setOnDisk(m_fixture.languageFile(), {{u"IDS_3"_s, u"\"D'accord\""_s}}));
    QTRY_COMPARE(editor->statusField()->text(),
                 u"French (France).ini changed on disk: Save will keep the other changes"_s);
    QVERIFY(recovery.watcher().changedOnDisk());
}

QTEST_MAIN(TestEditorRecovery)
#include "tst_editorrecovery.moc"
