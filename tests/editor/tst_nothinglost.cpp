#include "EditorFixture.h"

#include "editor/ChangeListDlg.h"
#include "editor/EditorRecovery.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Constants.h"
#include "platform/DialogUnits.h"
#include "platform/ProfileFile.h"
#include "recovery/Journal.h"
#include "recovery/LanguageLock.h"

#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTableWidget>


using namespace Glossa;
using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

using Values = QList<std::pair<QString, QString>>;

// Four entries that need no question at Save.
QList<EditorFixture::Entry> cleanEntries(const Values &overrides = {})
{
    QList<EditorFixture::Entry> entries = {{u"IDS_0"_s, u"Ouvrir"_s, u"Open"_s},
                                           {u"IDS_1"_s, u"Fermer"_s, u"Close"_s},
                                           {u"IDS_2"_s, u"Aide"_s, u"Help"_s},
                                           {u"IDS_3"_s, u"OK"_s, u"OK"_s}};
    for (const auto &[key, value] : overrides)
        for (EditorFixture::Entry &entry : entries)
            if (entry.attribute == key)
                entry.value = value;
    return entries;
}

int rowOf(const CVuduzLanguageMapDlg &editor, const QString &key)
{
    const EntryListModel *model = editor.entries();
    for (int row = 0; row < model->rowCount(); ++row)
        if (model->text(row, 0) == key)
            return row;
    return -1;
}

// Types a value over the shown one and applies it with Enter, as the user does.
void typeAndApply(CVuduzLanguageMapDlg &editor, const QString &key, const QString &value)
{
    editor.ShowEntry(rowOf(editor, key));
    editor.valueEdit()->selectAll();
    QTest::keyClicks(editor.valueEdit(), value);
    QTest::keyClick(editor.valueEdit(), Qt::Key_Return);
}

QString valueOnDisk(const QString &file, const QString &key)
{
    ProfileFile profile(file);
    QString found;
    if (profile.load())
        profile.forEachEntry(TextSectionName, [&](QStringView k, QStringView v) {
            if (k == key && found.isNull())
                found = v.toString();
        });
    return found;
}

bool replaceByRename(const QString &path, const QByteArray &bytes)
{
    const QString temporary = path + u".new"_s;
    return writeBytes(temporary, bytes) && ::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData()) == 0;
}

bool writeInPlace(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && file.resize(0) && file.write(bytes) == bytes.size();
}

bool git(const QString &directory, const QStringList &arguments)
{
    return QProcess::execute(u"git"_s, QStringList{u"-C"_s, directory, u"-c"_s, u"user.name=Glossa Test"_s, u"-c"_s,
                                                   u"user.email=test@localhost"_s, u"-c"_s, u"commit.gpgsign=false"_s}
                                           + arguments)
        == 0;
}

// How another program puts its version of the file in place; BeforeOpening
// writes it in place after the main window read the rows, before the editor opened.
enum class Writer { InPlace, ByRename, GitCheckout, BeforeOpening };

// The product under git with the other program's version committed and the
// file as it was written back: a later "git checkout" puts theirs in place by
// removing the file and writing a new one.
bool commitTheirs(const QString &file, const QByteArray &theirs)
{
    const QByteArray ours = readBytes(file);
    const QString product = QFileInfo(QFileInfo(file).absolutePath()).absolutePath();
    const QString relative = QDir(product).relativeFilePath(file);
    return git(product, {u"init"_s, u"-q"_s}) && writeBytes(file, theirs) && git(product, {u"add"_s, relative})
        && git(product, {u"commit"_s, u"-q"_s, u"-m"_s, u"theirs"_s}) && writeBytes(file, ours);
}

} // namespace

Q_DECLARE_METATYPE(Writer)

class TestNothingLost : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void restoreAfterJournal();
    void changeFromOutsideWhileOpen_data();
    void changeFromOutsideWhileOpen();
    void twoCopiesInTwoProcesses();
    void startOffersTheJournal();
    void aKeyWithoutALineIsThisSidesAlone();
    void theEditorShowsAsItWillBe();
    void takeTheirsKeepsTheDroppedValues();

private:
    EditorFixture m_fixture;
};

void TestNothingLost::init()
{
    m_fixture.start();
}

void TestNothingLost::cleanup()
{
    QCOMPARE(m_fixture.finish(), QStringList());
}

// Steps of every kind, then typing, then the editor goes as a crash takes it:
// the next editor restores it all, and nothing is written until Save.
void TestNothingLost::restoreAfterJournal()
{
    QVERIFY(m_fixture.makeProduct(cleanEntries()));
    const QString file = m_fixture.languageFile();
    const QByteArray loaded = readBytes(file);
    QString journal;
    {
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        journal = editor->recovery().journalPath();
        typeAndApply(*editor, u"IDS_0"_s, u"Ouvrir tout"_s);
        typeAndApply(*editor, u"IDS_1"_s, u"Quitter"_s);
        // An import goes through the review's one step for many rows.
        editor->session().applyValues({{rowOf(*editor, u"IDS_2"_s), u"Aide %s"_s}, {rowOf(*editor, u"IDS_3"_s), u"D'accord"_s}},
                                     u"the import of fr.csv"_s);
        editor->review().undo(); // the import taken back
        editor->review().undo(); // and IDS_1
        editor->review().redo(); // IDS_1 again
        editor->ShowEntry(rowOf(*editor, u"IDS_3"_s));
        QTest::keyClicks(editor->valueEdit(), u" bien"_s);
        JournalContents contents;
        QTRY_VERIFY(readJournal(journal, contents) && contents.pending);
        QCOMPARE(contents.steps.size(), size_t(6));
    }
    QCOMPARE(readBytes(file), loaded);

    MessageBox::setNextAnswer(EditorRecovery::RestoreAnswer);
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);
    // Two values and the typing.
    QVERIFY(MessageBox::shownMessages().last().contains(u"French (France) has 3 unsaved changes"_s));
    const EntryListModel *model = editor->entries();
    const int status = model->statusColumn();
    QCOMPARE(model->text(rowOf(*editor, u"IDS_0"_s), 1), u"Ouvrir tout"_s);
    QCOMPARE(model->text(rowOf(*editor, u"IDS_0"_s), status), StatusModified);
    QCOMPARE(model->text(rowOf(*editor, u"IDS_1"_s), 1), u"Quitter"_s);
    QCOMPARE(model->text(rowOf(*editor, u"IDS_2"_s), 1), u"Aide"_s); // the import was taken back
    QCOMPARE(model->text(rowOf(*editor, u"IDS_2"_s), status), QString());
    QCOMPARE(model->text(rowOf(*editor, u"IDS_3"_s), 1), u"OK"_s);
    QCOMPARE(editor->valueEdit()->text(), u"OK bien"_s); // typing back in the field, not applied
    QCOMPARE(editor->attributeEdit()->text(), u"IDS_3"_s);
    QCOMPARE(readBytes(file), loaded);

    editor->OnSave();
    QCOMPARE(editor->result(), ResultSaved);
    QCOMPARE(valueOnDisk(file, u"IDS_0"_s), u"\"Ouvrir tout\""_s);
    QCOMPARE(valueOnDisk(file, u"IDS_1"_s), u"\"Quitter\""_s);
    QCOMPARE(valueOnDisk(file, u"IDS_2"_s), u"Aide"_s);
    QVERIFY(!QFile::exists(journal));
    QVERIFY(!QFile::exists(LanguageLock::lockPathFor(file)));
}

void TestNothingLost::changeFromOutsideWhileOpen_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<Values>("disk");     // what the other program writes
    QTest::addColumn<Values>("mine");     // what is applied here
    QTest::addColumn<QString>("button");  // in "Changed on Disk"; empty when it must not come up
    QTest::addColumn<Values>("written");  // of mine, what the save writes over the disk's file
    const Values ids0Here{{u"IDS_0"_s, u"Ouvrir ici"_s}};
    const Values elsewhere{{u"IDS_3"_s, u"\"D'accord\""_s}};
    const Values ids0Elsewhere{{u"IDS_0"_s, u"\"Ouvrir ailleurs\""_s}, {u"IDS_3"_s, u"\"D'accord\""_s}};
    const Values both{{u"IDS_0"_s, u"Ouvrir ici"_s}, {u"IDS_1"_s, u"Quitter"_s}};
    QTest::newRow("other key, in place") << Writer::InPlace << elsewhere << ids0Here << QString() << ids0Here;
    QTest::newRow("other key, by rename") << Writer::ByRename << elsewhere << ids0Here << QString() << ids0Here;
    QTest::newRow("other key, by git checkout") << Writer::GitCheckout << elsewhere << ids0Here << QString() << ids0Here;
    QTest::newRow("same value both sides") << Writer::ByRename << Values{{u"IDS_0"_s, u"\"Ouvrir ici\""_s}} << ids0Here
                                           << QString() << ids0Here;
    QTest::newRow("conflict, Keep Mine") << Writer::InPlace << ids0Elsewhere << both << u"Keep Mine"_s << both;
    QTest::newRow("conflict, Take Theirs") << Writer::ByRename << ids0Elsewhere << both << u"Take Theirs"_s
                                           << Values{{u"IDS_1"_s, u"Quitter"_s}};
    QTest::newRow("conflict, Take Theirs, by git checkout") << Writer::GitCheckout << ids0Elsewhere << both
                                                            << u"Take Theirs"_s << Values{{u"IDS_1"_s, u"Quitter"_s}};
    QTest::newRow("conflict, Cancel") << Writer::ByRename << ids0Elsewhere << both << u"Cancel"_s << Values{};
    QTest::newRow("other key, before the editor opened") << Writer::BeforeOpening << elsewhere << ids0Here << QString()
                                                         << ids0Here;
    QTest::newRow("conflict, Keep Mine, before the editor opened") << Writer::BeforeOpening << ids0Elsewhere << both
                                                                   << u"Keep Mine"_s << both;
}

// Another program writes the file while the editor is open: the status line
// says so, and Save merges. The file after the merge must be, byte for byte,
// the file the same save writes when it starts from the other program's file.
void TestNothingLost::changeFromOutsideWhileOpen()
{
    QFETCH(Writer, writer);
    QFETCH(Values, disk);
    QFETCH(Values, mine);
    QFETCH(QString, button);
    QFETCH(Values, written);

    // What the other program leaves, and the save that starts from it.
    QVERIFY(m_fixture.makeProduct(cleanEntries(disk)));
    const QByteArray theirs = readBytes(m_fixture.languageFile());
    QByteArray expected = theirs;
    if (!written.isEmpty()) {
        auto oracle = m_fixture.openEditor();
        QVERIFY(oracle);
        for (const auto &[key, value] : written)
            typeAndApply(*oracle, key, value);
        oracle->OnSave();
        QCOMPARE(oracle->result(), ResultSaved);
        expected = readBytes(m_fixture.languageFile());
    }

    QVERIFY(m_fixture.makeProduct(cleanEntries()));
    const QString file = m_fixture.languageFile();
    if (writer == Writer::GitCheckout) {
        if (QStandardPaths::findExecutable(u"git"_s).isEmpty())
            QSKIP("git is not installed");
        QVERIFY(commitTheirs(file, theirs));
        QVERIFY(m_fixture.owner->loadRows(m_fixture.languageRow)); // the rows as the file is now
    }
    if (writer == Writer::BeforeOpening)
        QVERIFY(writeInPlace(file, theirs));
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);
    for (const auto &[key, value] : mine)
        typeAndApply(*editor, key, value);
    switch (writer) {
    case Writer::InPlace: QVERIFY(writeInPlace(file, theirs)); break;
    case Writer::ByRename: QVERIFY(replaceByRename(file, theirs)); break;
    case Writer::GitCheckout:
        QVERIFY(git(QFileInfo(QFileInfo(file).absolutePath()).absolutePath(),
                    {u"checkout"_s, u"--"_s, u"language/"_s + QFileInfo(file).fileName()}));
        QCOMPARE(readBytes(file), theirs);
        break;
    case Writer::BeforeOpening: break;
    }
    QTRY_COMPARE(editor->statusField()->text(), u"French (France).ini changed on disk: Save will keep the other changes"_s);

    bool asked = false;
    QStringList listed;
    if (!button.isEmpty())
        whenModal<ChangeListDlg>(this, [&](ChangeListDlg *dialog) {
            asked = true;
            for (int c = 0; c < 4; ++c)
                listed << dialog->table()->item(0, c)->text();
            dialog->button(button)->click();
        });
    editor->OnSave();
    QCOMPARE(asked, !button.isEmpty());
    if (asked)
        QCOMPARE(listed, (QStringList{u"IDS_0"_s, u"Ouvrir"_s, u"\"Ouvrir ailleurs\""_s, u"Ouvrir ici"_s}));
    QCOMPARE(readBytes(file), expected);
    if (button == u"Cancel") {
        // Nothing written; the editor stays open with every change.
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->entries()->text(rowOf(*editor, u"IDS_0"_s), 1), u"Ouvrir ici"_s);
        QCOMPARE(editor->entries()->text(rowOf(*editor, u"IDS_1"_s), editor->entries()->statusColumn()), StatusModified);
        QVERIFY(QFile::exists(editor->recovery().journalPath()));
        return;
    }
    QCOMPARE(editor->result(), ResultSaved);
}

// A copy of the program in another process holds the language: this one is
// asked, read-only writes nothing, and after Open Anyway each save merges with
// the other's as a change from outside.
void TestNothingLost::twoCopiesInTwoProcesses()
{
    QVERIFY(m_fixture.copyProduct(demoProductDir(), u"German (Germany)"_s, {u"English (United States)"_s}));
    const QString file = m_fixture.languageFile();
    QProcess other;
    other.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    other.start(QStringLiteral(GLOSSA_KILLDRIVER_PATH), {m_fixture.root, u"German (Germany)"_s, u"serve"_s});
    auto readLine = [&other](const QString &first) {
        for (int i = 0; i < 3000; ++i) {
            while (other.canReadLine()) {
                const QString line = QString::fromUtf8(other.readLine()).chopped(1);
                if (line.startsWith(first))
                    return line;
            }
            other.waitForReadyRead(10);
        }
        return QString();
    };
    const QString ready = readLine(u"ready"_s);
    QVERIFY(!ready.isEmpty());
    const QString pid = ready.section(u'\t', 1);
    const QByteArray before = readBytes(file);

    {
        MessageBox::setNextAnswer(EditorRecovery::OpenReadOnlyAnswer);
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        QVERIFY(MessageBox::shownMessages().last().contains(
            u"German (Germany) is open in Glossa Desk on %1 (process %2) since "_s.arg(QSysInfo::machineHostName(), pid)));
        QVERIFY(editor->windowTitle().endsWith(u" (read-only)"_s));
        QVERIFY(!findControl<QPushButton>(editor.get(), CVuduzLanguageMapDlg::IDC_SAVE)->isEnabled());
        const QString key = editor->entries()->text(0, 0);
        const QString was = editor->entries()->text(0, 1);
        typeAndApply(*editor, key, u"nie geschrieben"_s);
        editor->OnSave();
        QCOMPARE(editor->entries()->text(0, 1), was);
        QCOMPARE(readBytes(file), before);
        QVERIFY(!QFile::exists(editor->recovery().journalPath()));
    }

    MessageBox::setNextAnswer(EditorRecovery::OpenAnywayAnswer);
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);
    const QString both = editor->entries()->text(0, 0);  // changed by both copies
    const QString theirs = editor->entries()->text(1, 0); // only by the other
    typeAndApply(*editor, both, u"hier"_s);
    other.write(u"apply\t%1\tdort\napply\t%2\tnur dort\nsave\n"_s.arg(both, theirs).toUtf8());
    QVERIFY(!readLine(u"saved"_s).isEmpty());
    QCOMPARE(valueOnDisk(file, both), u"\"dort\""_s);
    QTRY_COMPARE(editor->statusField()->text(), u"German (Germany).ini changed on disk: Save will keep the other changes"_s);

    QStringList listed;
    whenModal<ChangeListDlg>(this, [&](ChangeListDlg *dialog) {
        for (int c = 0; c < 4; ++c)
            listed << dialog->table()->item(0, c)->text();
        dialog->button(u"Keep Mine"_s)->click();
    });
    MessageBox::setNextAnswer(QMessageBox::Yes); // the demo's row marked ERROR from the start
    editor->OnSave();
    QCOMPARE(editor->result(), ResultSaved);
    QCOMPARE(listed.value(0), both);
    QCOMPARE(listed.value(2), u"\"dort\""_s);
    QCOMPARE(listed.value(3), u"hier"_s);
    QCOMPARE(valueOnDisk(file, both), u"\"hier\""_s);
    QCOMPARE(valueOnDisk(file, theirs), u"\"nur dort\""_s);

    other.write("quit\n");
    other.waitForFinished(5000);
    if (other.state() != QProcess::NotRunning) // never kill(0): that is this whole process group
        other.kill();
}

// The program starts with a journal of its product: it offers the language, and
// the editor it opens asks to restore.
void TestNothingLost::startOffersTheJournal()
{
    QVERIFY(m_fixture.copyProduct(demoProductDir(), u"German (Germany)"_s, {u"English (United States)"_s}));
    QString key;
    {
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        key = editor->entries()->text(2, 0);
        typeAndApply(*editor, key, u"gerettet"_s);
    }
    MessageBox::setNextAnswer(QMessageBox::Open); // "Open in Editor"
    MessageBox::setNextAnswer(EditorRecovery::RestoreAnswer);
    QString restored;
    bool closed = false;
    whenModal<CVuduzLanguageMapDlg>(this, [&](CVuduzLanguageMapDlg *editor) {
        restored = editor->entries()->text(rowOf(*editor, key), 1);
        editor->recovery().finish();
        editor->done(ResultCancelled);
        closed = true;
    });
    QDir::setCurrent(m_fixture.root); // the program starts in its product
    CGlossa_DeskDlg window;
    QVERIFY(window.OnInitDialog());
    QTRY_VERIFY(closed);
    QCOMPARE(restored, u"gerettet"_s);
    QVERIFY(MessageBox::shownMessages().first().contains(u"German (Germany) has unsaved changes"_s));
    QCOMPARE(LocaleCatalogue::DisplayNameAt(window.languageCombo()->currentData().toInt()), u"German (Germany)"_s);
}


namespace {

// German's file as another program leaves it: one value changed, a key the editor does not touch.
bool otherProgramChangesMenuFile(const QString &file)
{
    QByteArray bytes = readBytes(file);
    const QByteArray from = "IDS_MENU_FILE=\"Datei\"";
    if (!bytes.contains(from))
        return false;
    bytes.replace(from, "IDS_MENU_FILE=\"Datei (neu)\"");
    return replaceByRename(file, bytes);
}

} // namespace

// The demo's German has no line for IDS_LIVE_DIGITAL_ZOOM, as for a third of its
// attributes. Translating it is this editor's change alone: a change of another
// key on disk asks nothing, and Save keeps both, also after a restore.
void TestNothingLost::aKeyWithoutALineIsThisSidesAlone()
{
    QVERIFY(m_fixture.copyProduct(demoProductDir(), u"German (Germany)"_s, {u"English (United States)"_s}));
    const QString file = m_fixture.languageFile();
    const QString key = u"IDS_LIVE_DIGITAL_ZOOM"_s;
    QVERIFY(valueOnDisk(file, key).isNull());
    bool asked = false;
    // The question would lose the translation with one click: answered so, should it come.
    const auto answerTakeTheirs = [&](QObject *scope) {
        whenModal<ChangeListDlg>(scope, [&](ChangeListDlg *dialog) {
            asked = true;
            dialog->button(u"Take Theirs"_s)->click();
        });
    };
    {
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        typeAndApply(*editor, key, u"Digitalzoom"_s);
        QVERIFY(otherProgramChangesMenuFile(file));
        QTRY_VERIFY(editor->statusField()->text().contains(u"changed on disk"_s));
        answerTakeTheirs(editor.get());
        MessageBox::setNextAnswer(QMessageBox::Yes); // the rows marked ERROR from the start
        editor->OnSave();
        QCOMPARE(editor->result(), ResultSaved);
        QVERIFY(!asked);
        QCOMPARE(valueOnDisk(file, key), u"\"Digitalzoom\""_s);
        QCOMPARE(valueOnDisk(file, u"IDS_MENU_FILE"_s), u"\"Datei (neu)\""_s);
    }

    // The journal of a crashed editor restored onto a file changed since.
    QVERIFY(m_fixture.copyProduct(demoProductDir(), u"German (Germany)"_s, {u"English (United States)"_s}));
    const QString copy = m_fixture.languageFile();
    {
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        typeAndApply(*editor, key, u"Digitalzoom"_s);
        QVERIFY(editor->recovery().finishJournalWrites());
    }
    QVERIFY(otherProgramChangesMenuFile(copy));
    QVERIFY(m_fixture.owner->loadRows(m_fixture.languageRow));
    MessageBox::setNextAnswer(EditorRecovery::RestoreAnswer);
    QObject scope;
    answerTakeTheirs(&scope);
    auto editor = m_fixture.openEditor();
    QVERIFY(editor);
    QVERIFY(!asked);
    QCOMPARE(editor->entries()->text(rowOf(*editor, key), 1), u"Digitalzoom"_s);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    editor->OnSave();
    QCOMPARE(editor->result(), ResultSaved);
    QCOMPARE(valueOnDisk(copy, key), u"\"Digitalzoom\""_s);
    QCOMPARE(valueOnDisk(copy, u"IDS_MENU_FILE"_s), u"\"Datei (neu)\""_s);
}

// A real conflict answered "Take Theirs" from the main window: the disk's value is
// saved, the user's is kept in the journal set aside, and the status line says where.
void TestNothingLost::takeTheirsKeepsTheDroppedValues()
{
    QVERIFY(m_fixture.copyProduct(demoProductDir(), u"German (Germany)"_s, {u"English (United States)"_s}));
    const QString file = m_fixture.languageFile();
    QDir::setCurrent(m_fixture.root);
    resetAttributeIdCounter();
    CGlossa_DeskDlg window;
    QVERIFY(window.OnInitDialog());
    const int german = window.languageCombo()->findText(u"German (Germany)"_s, Qt::MatchStartsWith);
    QVERIFY(german >= 0);
    window.languageCombo()->setCurrentIndex(german);
    window.onLanguageSelected(german);

    QString journal;
    QStringList listed;
    whenModal<CVuduzLanguageMapDlg>(this, [&](CVuduzLanguageMapDlg *editor) {
        journal = editor->recovery().journalPath();
        typeAndApply(*editor, u"IDS_MENU_FILE"_s, u"Akte"_s);
        typeAndApply(*editor, u"IDS_LIVE_DIGITAL_ZOOM"_s, u"Digitalzoom"_s);
        if (!otherProgramChangesMenuFile(file))
            return editor->done(ResultCancelled);
        QTRY_VERIFY(editor->statusField()->text().contains(u"changed on disk"_s));
        whenModal<ChangeListDlg>(this, [&](ChangeListDlg *dialog) {
            for (int r = 0; r < dialog->table()->rowCount(); ++r)
                listed << dialog->table()->item(r, 0)->text();
            dialog->button(u"Take Theirs"_s)->click();
        });
        MessageBox::setNextAnswer(QMessageBox::Yes);
        editor->OnSave();
    });
    window.onModify();
    QCOMPARE(listed, QStringList{u"IDS_MENU_FILE"_s});
    QCOMPARE(valueOnDisk(file, u"IDS_MENU_FILE"_s), u"\"Datei (neu)\""_s);
    QCOMPARE(valueOnDisk(file, u"IDS_LIVE_DIGITAL_ZOOM"_s), u"\"Digitalzoom\""_s);
    QVERIFY(!QFile::exists(journal));
    const QString status = window.statusLine()->text();
    const qsizetype at = status.indexOf(u"your 1 values replaced by the other program's are kept in \""_s);
    QVERIFY2(at >= 0, qPrintable(status));
    const QString kept = status.mid(status.indexOf(u'"', at) + 1).section(u'"', 0, 0);
    QVERIFY2(kept.startsWith(journal + u".kept-"_s), qPrintable(kept));
    JournalContents contents;
    QVERIFY(readJournal(kept, contents));
    bool held = false;
    for (const JournalEntry &entry : contents.finalEntries())
        held = held || (entry.key == u"IDS_MENU_FILE" && entry.value == u"Akte");
    QVERIFY(held);
    QFile::remove(kept);
}

namespace {

// Calls look the first time the watched window shows.
class FirstShow : public QObject
{
public:
    std::function<void()> look;
    bool seen = false;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && !seen) {
            seen = true;
            look();
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

// A restored editor shows with the journal's values in place, and one opened
// read-only shows read-only: never the other way for a moment. "Show Changes"
// lists the typing the question counts.
void TestNothingLost::theEditorShowsAsItWillBe()
{
    QVERIFY(m_fixture.makeProduct(cleanEntries()));
    {
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        typeAndApply(*editor, u"IDS_0"_s, u"Ouvrir tout"_s);
        editor->ShowEntry(rowOf(*editor, u"IDS_1"_s));
        QTest::keyClicks(editor->valueEdit(), u" vite"_s);
        JournalContents contents;
        QTRY_VERIFY(readJournal(editor->recovery().journalPath(), contents) && contents.pending);
    }
    auto opened = [&](FirstShow &first) {
        auto editor = std::make_unique<CVuduzLanguageMapDlg>(m_fixture.owner.get());
        editor->sourceList = m_fixture.owner->entryRows();
        editor->languageIndex = m_fixture.languageRow;
        editor->installEventFilter(&first);
        return editor;
    };

    QStringList listed;
    MessageBox::setNextAnswer(EditorRecovery::ShowChangesAnswer);
    whenModal<ChangeListDlg>(this, [&](ChangeListDlg *dialog) {
        for (int r = 0; r < dialog->table()->rowCount(); ++r)
            listed << dialog->table()->item(r, 0)->text() + u'=' + dialog->table()->item(r, 2)->text();
        dialog->button(u"Close"_s)->click();
    });
    MessageBox::setNextAnswer(EditorRecovery::RestoreAnswer);
    FirstShow restored;
    auto editor = opened(restored);
    QString shownValue;
    restored.look = [&] { shownValue = editor->entries()->text(rowOf(*editor, u"IDS_0"_s), 1); };
    editor->OnInitDialog();
    QVERIFY(MessageBox::shownMessages().last().contains(u"2 unsaved changes"_s));
    QCOMPARE(listed, (QStringList{u"IDS_0=Ouvrir tout"_s, u"IDS_1 (typed, not applied)=Fermer vite"_s}));
    QVERIFY(restored.seen);
    QCOMPARE(shownValue, u"Ouvrir tout"_s);
    editor->recovery().finish();
    editor->done(ResultCancelled);
    editor.reset();

    // Another copy, on another host, holds the language: Open Read-Only.
    QVERIFY(writeBytes(LanguageLock::lockPathFor(m_fixture.languageFile()),
                       "pid=4242\nhost=another-host.invalid\nstarted=2026-12-09T10:00:00.000\n"));
    MessageBox::setNextAnswer(EditorRecovery::OpenReadOnlyAnswer);
    FirstShow readOnly;
    editor = opened(readOnly);
    QString title;
    bool saveEnabled = true;
    readOnly.look = [&] {
        title = editor->windowTitle();
        saveEnabled = findControl<QPushButton>(editor.get(), CVuduzLanguageMapDlg::IDC_SAVE)->isEnabled();
    };
    editor->OnInitDialog();
    QVERIFY(readOnly.seen);
    QVERIFY2(title.endsWith(u" (read-only)"_s), qPrintable(title));
    QVERIFY(!saveEnabled);
    editor->done(ResultCancelled);
    QVERIFY(QFile::remove(LanguageLock::lockPathFor(m_fixture.languageFile())));
}

QTEST_MAIN(TestNothingLost)
#include "tst_nothinglost.moc"
