#include "GuiTestSupport.h"
#include "TestSupport.h"

#include "editor/EditorOwner.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "mainwindow/Glossa_DeskDlg.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"
#include "platform/ProfileFile.h"

#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>

using namespace Glossa;
using namespace TestSupport;

namespace {

constexpr int English = 1;
constexpr int French = 50;
constexpr int German = 55;

using C = CVuduzLanguageMapDlg;

// One attribute of a small product: its value in French (null: the file lacks
// it) and its English text, which the editor uses as the reference.
struct Entry
{
    QString attribute;
    QString value;
    QString reference;
};

QList<Entry> numberedEntries(int count)
{
    QList<Entry> entries;
    for (int i = 0; i < count; ++i)
        entries.append({QStringLiteral("IDS_%1").arg(i, 3, 10, QLatin1Char('0')), QStringLiteral("v%1").arg(i),
                        QStringLiteral("r%1").arg(i)});
    return entries;
}

QByteArray sectionBytes(const QList<Entry> &entries, bool values)
{
    QString text = QStringLiteral("[text]\r\n");
    for (const Entry &e : entries) {
        if (values && e.value.isNull())
            continue;
        text += e.attribute + u'=' + (values ? e.value : e.reference) + QStringLiteral("\r\n");
    }
    return utf16le(text);
}

// The file's identity on disk: a save replaces the file, so its inode changes.
ino_t inodeOf(const QString &path)
{
    struct stat info{};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// What the editor needs of its owner, with the saved values recorded.
class TestOwner : public EditorOwner
{
public:
    LanguageStore store;
    EntryListModel rows{{QStringLiteral("Attribute"), QStringLiteral("Value")}};
    QWidget window;
    QList<LanguageValues> applied;

    LanguageStore &languageStore() override { return store; }
    const EntryListModel *entryRows() const override { return &rows; }
    void ApplySavedValues(const LanguageValues &values) override { applied.append(values); }
    QWidget *ownerWindow() override { return &window; }

    // The rows of a language as the main window lists them.
    bool loadRows(int catalogueRow)
    {
        LanguageValues values;
        RedundantKeySet redundant;
        if (!store.LoadLanguageFile(LocaleCatalogue::DisplayNameAt(catalogueRow), values, redundant))
            return false;
        std::vector<EntryRow> list;
        for (auto it = store.attributes().cbegin(); it != store.attributes().cend(); ++it) {
            EntryRow row;
            row.cells[0] = it.value();
            row.cells[1] = values.value(it.key());
            row.id = it.key();
            list.push_back(row);
        }
        rows.setRows(std::move(list));
        return true;
    }
};

struct RowSnapshot
{
    QList<QStringList> cells;
    bool operator==(const RowSnapshot &) const = default;
};

RowSnapshot snapshotRows(const EntryListModel *model)
{
    RowSnapshot snapshot;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model->columnCount(); ++c)
            row << model->text(r, c);
        row << QString::number(model->itemData(r));
        snapshot.cells << row;
    }
    return snapshot;
}

QColor background(const EntryListModel *model, int row)
{
    return model->data(model->index(row, 0), Qt::BackgroundRole).value<QBrush>().color();
}

const QColor LightYellow(255, 255, 147);
const QColor Red(255, 0, 0);
const QColor White(255, 255, 255);

QString formatQuestion(const QString &attribute)
{
    return QStringLiteral("Warning\nAttribute: ") + attribute
        + QStringLiteral(" .Translate format error!Do you want to continue to save?");
}

QString quoteQuestion(const QString &attribute, const QString &value)
{
    return QStringLiteral("Error\nError: ") + attribute + u'=' + value
        + QStringLiteral(" Translate mismatch \"!Do you want to continue to save?");
}

const QString NoMatch = ProgramName + QStringLiteral("\nNo matching objects.");
const QString CancelQuestion = QStringLiteral("Warning\n Are you sure you want to exit without saving any changes?");

} // namespace

// Search, stepping, applying values, saving and leaving the editor.
class TestEditorEdit : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    int m_serial = 0;
    QString m_root;
    std::unique_ptr<CurrentDirGuard> m_cwd;
    std::unique_ptr<TestOwner> m_owner;
    std::unique_ptr<UnansweredBoxGuard> m_boxes;

    QString frenchFile() const { return m_root + QStringLiteral("/language/French (France).ini"); }

    // A product with English and French only, the owner holding the French rows.
    bool makeProduct(const QList<Entry> &entries)
    {
        m_root = m_tmp.filePath(QStringLiteral("tiny%1").arg(++m_serial));
        if (!QDir().mkpath(m_root + QStringLiteral("/language")))
            return false;
        if (!writeBytes(m_root + QStringLiteral("/language/English (United States).ini"), sectionBytes(entries, false))
            || !writeBytes(frenchFile(), sectionBytes(entries, true)))
            return false;
        QDir::setCurrent(m_root);
        resetAttributeIdCounter();
        m_owner = std::make_unique<TestOwner>();
        if (!m_owner->store.Open(QStringLiteral("./language")))
            return false;
        presentLanguages() = {English, French};
        return m_owner->loadRows(French);
    }

    std::unique_ptr<CVuduzLanguageMapDlg> openEditor(int language = French)
    {
        auto editor = std::make_unique<CVuduzLanguageMapDlg>(m_owner.get());
        editor->sourceList = m_owner->entryRows();
        editor->languageIndex = language;
        editor->OnInitDialog();
        return editor;
    }

    // For tests that send keys: the editor must be the active window.
    std::unique_ptr<CVuduzLanguageMapDlg> openActiveEditor()
    {
        auto editor = openEditor();
        editor->activateWindow();
        if (!QTest::qWaitForWindowActive(editor.get()))
            return nullptr;
        return editor;
    }

    static void focusAndPress(QWidget *target, int key, Qt::KeyboardModifiers modifiers = {})
    {
        target->setFocus();
        QTest::keyClick(target, Qt::Key(key), modifiers);
    }

    static QPushButton *button(const C *editor, int id) { return findControl<QPushButton>(editor, id); }

    // Types a value into the Value field of the shown entry and applies it with "Modify".
    static void applyValue(C *editor, int row, const QString &value)
    {
        editor->ShowEntry(row);
        editor->valueEdit()->setText(value);
        QTest::mouseClick(button(editor, C::IDC_MODIFY), Qt::LeftButton);
    }

    static void clickRow(C *editor, int row)
    {
        CVuduzListCtrl *list = editor->entryList();
        list->ensureRowVisible(row);
        const QRect cell = list->visualRect(list->model()->index(row, 0));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, cell.center());
    }

    static void clickHeader(C *editor, int column)
    {
        QHeaderView *header = editor->entryList()->horizontalHeader();
        const QPoint at(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, at);
    }

    static bool showsRow(const C *editor, int row)
    {
        const EntryListModel *m = editor->entries();
        return editor->entryList()->selectionMark() == row && editor->attributeEdit()->text() == m->text(row, 0)
            && editor->valueEdit()->text() == m->text(row, 1) && editor->referenceEdit()->text() == m->text(row, 2);
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
        m_owner.reset();
        m_cwd.reset();
        const QStringList unanswered = m_boxes->texts;
        m_boxes.reset();
        QVERIFY2(unanswered.isEmpty(), qPrintable(unanswered.join(QLatin1Char('|'))));
    }

    void search_data();
    void search();
    void enterSearchesOrAppliesByFocus();
    void enterElsewhereAndEscapeNeverClose();
    void upAndDownActOnTheListFromAnyControl();
    void pageKeysMoveTheSelectionWithoutRefreshing();
    void leftClickShowsTheRow();
    void modifyMarksAndColoursTheRow();
    void modifyAppliesToTheShownEntry_data();
    void modifyAppliesToTheShownEntry();
    void nextBlank();
    void saveAsksTheFormatQuestionOnce_data();
    void saveAsksTheFormatQuestionOnce();
    void saveAsksTheQuoteQuestionForEveryOddRow();
    void noToAQuestionStopsTheSave_data();
    void noToAQuestionStopsTheSave();
    void saveWithoutMarksWritesNothing();
    void rowsMarkedByLoadingAreWritten();
    void quotingOnDisk_data();
    void quotingOnDisk();
    void equalsAndQuotesSurviveSaveAndReload();
    void saveUpdatesTheMainWindowAndDropsRedundantKeys();
    void legacyFileThatCannotHoldTheValueIsConverted();
    void failedWriteKeepsTheEditorAsItWas();
    void failedWriteLeavesTheOldFileWhole();
    void cancelWithoutMarksClosesAtOnce_data();
    void cancelWithoutMarksClosesAtOnce();
    void cancelWithMarksAsks_data();
    void cancelWithMarksAsks();
    void removeRedundantEntriesSaysDone();
};

// Rows: attributes tab_one, two, tab_three with the values xab, ab, AB and the
// references r0, r1, r2. Steps: "by:N" clicks a column's radio button,
// "type:T" types T into the emptied search field, "key:K" types one more
// character and takes it back, "next" clicks "Search Next".
void TestEditorEdit::search_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QList<int>>("hits");
    QTest::newRow("ab by value") << QStringList{QStringLiteral("by:1"), QStringLiteral("type:ab"), QStringLiteral("next"),
                                                QStringLiteral("next"), QStringLiteral("next"), QStringLiteral("next")}
                                 << QList<int>{0, 1, -1, 0};
    QTest::newRow("typing after a hit starts over")
        << QStringList{QStringLiteral("by:1"), QStringLiteral("type:ab"), QStringLiteral("next"), QStringLiteral("next"),
                       QStringLiteral("key:x"), QStringLiteral("next")}
        << QList<int>{0, 1, 0};
    QTest::newRow("a new column continues after the hit")
        << QStringList{QStringLiteral("by:1"), QStringLiteral("type:ab"), QStringLiteral("next"), QStringLiteral("by:0"),
                       QStringLiteral("next"), QStringLiteral("next")}
        << QList<int>{0, 2, -1};
    QTest::newRow("empty text steps row by row")
        << QStringList{QStringLiteral("next"), QStringLiteral("next"), QStringLiteral("next"), QStringLiteral("next"),
                       QStringLiteral("next")}
        << QList<int>{0, 1, 2, -1, 0};
    QTest::newRow("by reference") << QStringList{QStringLiteral("type:2"), QStringLiteral("by:2"), QStringLiteral("next")}
                                  << QList<int>{2};
    QTest::newRow("case counts") << QStringList{QStringLiteral("by:1"), QStringLiteral("type:AB"), QStringLiteral("next")}
                                 << QList<int>{2};
}

void TestEditorEdit::search()
{
    QFETCH(QStringList, steps);
    QFETCH(QList<int>, hits);
    QVERIFY(makeProduct({{QStringLiteral("tab_one"), QStringLiteral("xab"), QStringLiteral("r0")},
                         {QStringLiteral("two"), QStringLiteral("ab"), QStringLiteral("r1")},
                         {QStringLiteral("tab_three"), QStringLiteral("AB"), QStringLiteral("r2")}}));
    auto editor = openEditor();
    const int radios[] = {C::IDC_BY_ATTRIBUTE, C::IDC_BY_VALUE, C::IDC_BY_REFERENCE};
    int shown = -1;
    int misses = 0;
    QList<int> found;
    for (const QString &step : steps) {
        const QString arg = step.section(u':', 1);
        if (step.startsWith(QLatin1String("by:"))) {
            const int cursor = editor->searchCursor;
            QTest::mouseClick(findControl<QRadioButton>(editor.get(), radios[arg.toInt()]), Qt::LeftButton);
            QCOMPARE(editor->searchColumn, arg.toInt());
            QCOMPARE(editor->searchCursor, cursor); // the column changes, the place does not
        } else if (step.startsWith(QLatin1String("type:"))) {
            editor->searchEdit()->clear();
            QTest::keyClicks(editor->searchEdit(), arg);
            QCOMPARE(editor->searchEdit()->text(), arg);
        } else if (step.startsWith(QLatin1String("key:"))) {
            QTest::keyClicks(editor->searchEdit(), arg);
            QTest::keyClick(editor->searchEdit(), Qt::Key_Backspace);
            QCOMPARE(editor->searchCursor, -1);
        } else {
            const int expected = hits.value(found.size(), -2);
            if (expected == -1)
                MessageBox::setNextAnswer(QMessageBox::Ok);
            QTest::mouseClick(button(editor.get(), C::IDC_SEARCH_NEXT), Qt::LeftButton);
            if (expected == -1) {
                ++misses;
                QCOMPARE(editor->searchCursor, -1);
                found << -1;
                QVERIFY(shown < 0 || showsRow(editor.get(), shown)); // what was shown stays
            } else {
                found << editor->searchCursor;
                shown = editor->searchCursor;
                QVERIFY(showsRow(editor.get(), shown));
                QCOMPARE(editor->focusWidget(), editor->valueEdit());
            }
        }
    }
    QCOMPARE(found, hits);
    QCOMPARE(MessageBox::shownMessages(), QStringList(misses, NoMatch));
    QVERIFY(editor->isVisible());
}

void TestEditorEdit::enterSearchesOrAppliesByFocus()
{
    QVERIFY(makeProduct(numberedEntries(40)));
    auto editor = openActiveEditor();
    QVERIFY(editor);
    const EntryListModel *rows = editor->entries();
    // Enter in the search field: the next row whose attribute holds the text.
    QTest::keyClicks(editor->searchEdit(), QStringLiteral("IDS_01"));
    focusAndPress(editor->searchEdit(), Qt::Key_Return);
    QVERIFY(showsRow(editor.get(), 10));
    editor->searchEdit()->setFocus();
    QTest::keyClick(editor->searchEdit(), Qt::Key_Enter); // the keypad's Enter too
    QVERIFY(showsRow(editor.get(), 11));

    // Enter in the Value field applies it to the shown row, which stays open.
    QCOMPARE(QApplication::focusWidget(), editor->valueEdit());
    editor->valueEdit()->selectAll();
    QTest::keyClicks(editor->valueEdit(), QStringLiteral("eleven"));
    QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
    QCOMPARE(rows->text(11, 1), QStringLiteral("eleven"));
    QCOMPARE(rows->text(11, 3), StatusModified);
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->result(), 0);
    QVERIFY(MessageBox::shownMessages().isEmpty());
}

void TestEditorEdit::enterElsewhereAndEscapeNeverClose()
{
    QVERIFY(makeProduct(numberedEntries(40)));
    auto editor = openActiveEditor();
    QVERIFY(editor);
    editor->ShowEntry(3);
    editor->valueEdit()->setText(QStringLiteral("typed"));
    const RowSnapshot before = snapshotRows(editor->entries());
    QList<QWidget *> targets = {editor->referenceEdit(), editor->attributeEdit(), editor->referenceLanguages(),
                                editor->entryList()};
    for (int id : {C::IDC_SAVE, C::IDC_CANCEL, C::IDC_MODIFY, C::IDC_SEARCH_NEXT})
        targets << button(editor.get(), id);
    targets << findControl<QRadioButton>(editor.get(), C::IDC_BY_VALUE);
    for (QWidget *target : targets) {
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            focusAndPress(target, key);
            QVERIFY2(editor->isVisible(), qPrintable(target->objectName()));
            QCOMPARE(editor->result(), 0);
        }
    }
    // Escape in the fields that do act on Enter.
    for (QWidget *target : {static_cast<QWidget *>(editor->searchEdit()), static_cast<QWidget *>(editor->valueEdit()),
                            static_cast<QWidget *>(editor.get())}) {
        focusAndPress(target, Qt::Key_Escape);
        QVERIFY(editor->isVisible());
    }
    QCOMPARE(snapshotRows(editor->entries()), before); // nothing applied, nothing saved
    QCOMPARE(editor->valueEdit()->text(), QStringLiteral("typed"));
    QVERIFY(m_owner->applied.isEmpty());
    QVERIFY(MessageBox::shownMessages().isEmpty());
}

void TestEditorEdit::upAndDownActOnTheListFromAnyControl()
{
    QVERIFY(makeProduct(numberedEntries(40)));
    auto editor = openActiveEditor();
    QVERIFY(editor);
    const int last = editor->entries()->rowCount() - 1;
    QCOMPARE(editor->entryList()->selectionMark(), -1);
    focusAndPress(editor->searchEdit(), Qt::Key_Up); // no mark: the first row
    QVERIFY(showsRow(editor.get(), 0));
    focusAndPress(editor->valueEdit(), Qt::Key_Up); // on the first row: nothing
    QVERIFY(showsRow(editor.get(), 0));

    // From the reference drop-down: the list moves, the drop-down keeps its language.
    const int reference = editor->referenceLanguages()->currentIndex();
    focusAndPress(editor->referenceLanguages(), Qt::Key_Down);
    QVERIFY(showsRow(editor.get(), 1));
    QCOMPARE(editor->referenceLanguages()->currentIndex(), reference);
    focusAndPress(editor->referenceEdit(), Qt::Key_Down);
    QVERIFY(showsRow(editor.get(), 2));
    focusAndPress(editor->attributeEdit(), Qt::Key_Up);
    QVERIFY(showsRow(editor.get(), 1));
    focusAndPress(editor->entryList(), Qt::Key_Down);
    QVERIFY(showsRow(editor.get(), 2));
    QCOMPARE(editor->focusWidget(), editor->valueEdit()); // showing an entry puts the focus there

    editor->ShowEntry(last);
    focusAndPress(editor->valueEdit(), Qt::Key_Down); // on the last row: nothing
    QVERIFY(showsRow(editor.get(), last));
    QCOMPARE(editor->searchCursor, -1); // stepping leaves the search where it was

    // An empty list: the arrows do nothing, and are still not the controls' own.
    editor->entries()->clear();
    const int reference2 = editor->referenceLanguages()->currentIndex();
    focusAndPress(editor->referenceLanguages(), Qt::Key_Down);
    focusAndPress(editor->valueEdit(), Qt::Key_Up);
    QCOMPARE(editor->entryList()->selectionMark(), -1);
    QCOMPARE(editor->referenceLanguages()->currentIndex(), reference2);
}

void TestEditorEdit::pageKeysMoveTheSelectionWithoutRefreshing()
{
    QVERIFY(makeProduct(numberedEntries(40)));
    auto editor = openActiveEditor();
    QVERIFY(editor);
    CVuduzListCtrl *list = editor->entryList();
    editor->ShowEntry(5);
    const QString attribute = editor->attributeEdit()->text();
    const QString value = editor->valueEdit()->text();
    auto fieldsUnchanged = [&] {
        return editor->attributeEdit()->text() == attribute && editor->valueEdit()->text() == value;
    };
    focusAndPress(list, Qt::Key_End);
    QCOMPARE(list->selectionMark(), 39);
    QVERIFY(fieldsUnchanged());
    focusAndPress(list, Qt::Key_Home);
    QCOMPARE(list->selectionMark(), 0);
    QVERIFY(fieldsUnchanged());
    focusAndPress(list, Qt::Key_PageDown);
    QVERIFY(list->selectionMark() > 0);
    QVERIFY(fieldsUnchanged());
    const int afterPageDown = list->selectionMark();
    focusAndPress(list, Qt::Key_PageUp);
    QVERIFY(list->selectionMark() < afterPageDown);
    QVERIFY(fieldsUnchanged());
    // Down goes on from the list's own selection, and refreshes.
    focusAndPress(list, Qt::Key_Down);
    QVERIFY(showsRow(editor.get(), list->selectionMark()));
}

void TestEditorEdit::leftClickShowsTheRow()
{
    QVERIFY(makeProduct(numberedEntries(40)));
    auto editor = openActiveEditor();
    QVERIFY(editor);
    clickRow(editor.get(), 7);
    QVERIFY(showsRow(editor.get(), 7));
    clickRow(editor.get(), 2);
    QVERIFY(showsRow(editor.get(), 2));
    QCOMPARE(editor->focusWidget(), editor->valueEdit());
    // A right click does nothing.
    const QRect cell = editor->entryList()->visualRect(editor->entries()->index(4, 0));
    QTest::mouseClick(editor->entryList()->viewport(), Qt::RightButton, {}, cell.center());
    QCOMPARE(editor->attributeEdit()->text(), editor->entries()->text(2, 0));
}

void TestEditorEdit::modifyMarksAndColoursTheRow()
{
    // The first attribute takes the brace rule, so the percent signs go to the rows after it.
    QVERIFY(makeProduct({{QStringLiteral("IDS_FIRST"), QStringLiteral("\"Premier\""), QStringLiteral("\"First\"")},
                         {QStringLiteral("IDS_OPEN"), QStringLiteral("\"Ouvrir %s\""), QStringLiteral("\"Open %s\"")},
                         {QStringLiteral("IDS_COUNT"), QStringLiteral("\"%d fichiers\""), QStringLiteral("\"%d files\"")},
                         {QStringLiteral("IDS_PLAIN"), QStringLiteral("\"Texte\""), QStringLiteral("\"Text\"")}}));
    auto editor = openActiveEditor();
    QVERIFY(editor);
    EntryListModel *rows = editor->entries();
    for (int r = 0; r < 4; ++r) {
        QCOMPARE(rows->text(r, 3), StatusNone);
        QCOMPARE(background(rows, r), White);
    }
    // With no entry shown, Modify and Enter change no row, not even one the list selected.
    QTest::mouseClick(button(editor.get(), C::IDC_MODIFY), Qt::LeftButton);
    focusAndPress(editor->entryList(), Qt::Key_End);
    QCOMPARE(editor->entryList()->selectionMark(), 3);
    focusAndPress(editor->valueEdit(), Qt::Key_Return);
    QTest::mouseClick(button(editor.get(), C::IDC_MODIFY), Qt::LeftButton);
    for (int r = 0; r < 4; ++r)
        QCOMPARE(rows->text(r, 3), StatusNone);
    QCOMPARE(rows->text(3, 1), QStringLiteral("\"Texte\""));
    // A value that keeps its placeholder: MODIFIED, light yellow.
    editor->ShowEntry(1);
    editor->valueEdit()->setText(QStringLiteral("\"Ouvrir le fichier %s\""));
    QTest::mouseClick(button(editor.get(), C::IDC_MODIFY), Qt::LeftButton);
    QCOMPARE(rows->text(1, 1), QStringLiteral("\"Ouvrir le fichier %s\""));
    QCOMPARE(rows->text(1, 3), StatusModified);
    QCOMPARE(background(rows, 1), LightYellow);

    // The %s taken out with the keyboard and Enter pressed: ERROR, red.
    editor->valueEdit()->setFocus();
    QTest::keyClick(editor->valueEdit(), Qt::Key_End);
    QTest::keyClick(editor->valueEdit(), Qt::Key_Left);
    for (int i = 0; i < 2; ++i)
        QTest::keyClick(editor->valueEdit(), Qt::Key_Backspace);
    QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
    QCOMPARE(rows->text(1, 1), QStringLiteral("\"Ouvrir le fichier \""));
    QCOMPARE(rows->text(1, 3), StatusError);
    QCOMPARE(background(rows, 1), Red);

    // Losing a %d the same way.
    editor->ShowEntry(2);
    editor->valueEdit()->setText(QStringLiteral("\"fichiers\""));
    QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
    QCOMPARE(rows->text(2, 3), StatusError);

    // A row is marked even when its value did not change.
    editor->ShowEntry(3);
    QTest::mouseClick(button(editor.get(), C::IDC_MODIFY), Qt::LeftButton);
    QCOMPARE(rows->text(3, 1), QStringLiteral("\"Texte\""));
    QCOMPARE(rows->text(3, 3), StatusModified);
    // Putting the placeholder back turns ERROR into MODIFIED.
    editor->ShowEntry(1);
    editor->valueEdit()->setText(QStringLiteral("\"Ouvrir %s\""));
    QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
    QCOMPARE(rows->text(1, 3), StatusModified);
    QCOMPARE(rows->text(0, 3), StatusNone);
}

void TestEditorEdit::modifyAppliesToTheShownEntry_data()
{
    QTest::addColumn<QString>("move");
    QTest::newRow("page down") << "page down";
    QTest::newRow("end") << "end";
    QTest::newRow("header sort") << "sort";
    QTest::newRow("header sort, then Home") << "sort+home";
}

void TestEditorEdit::modifyAppliesToTheShownEntry()
{
    QFETCH(QString, move);
    QVERIFY(makeProduct(numberedEntries(40)));
    auto editor = openActiveEditor();
    QVERIFY(editor);
    EntryListModel *rows = editor->entries();
    CVuduzListCtrl *list = editor->entryList();
    editor->ShowEntry(0);
    const AttributeId shownId = rows->itemData(0);
    editor->valueEdit()->setText(QStringLiteral("new value"));

    if (move.startsWith(QLatin1String("sort"))) {
        clickHeader(editor.get(), 1);
        clickHeader(editor.get(), 1); // descending: v0 goes to the bottom
        QCOMPARE(list->sortColumn(), 1);
        QVERIFY(!list->sortAscending());
        QVERIFY(rows->findRowById(shownId) != 0);
    }
    if (move.endsWith(QLatin1String("page down")))
        focusAndPress(list, Qt::Key_PageDown);
    else if (move.endsWith(QLatin1String("home")))
        focusAndPress(list, Qt::Key_Home);
    else if (move == QLatin1String("end"))
        focusAndPress(list, Qt::Key_End);
    const int selected = list->selectionMark();
    const AttributeId selectedId = rows->itemData(selected);
    const QString selectedValue = rows->text(selected, 1);
    QCOMPARE(editor->attributeEdit()->text(), QStringLiteral("IDS_000")); // the fields still show the entry

    QTest::mouseClick(button(editor.get(), C::IDC_MODIFY), Qt::LeftButton);
    const int shown = rows->findRowById(shownId);
    QCOMPARE(rows->text(shown, 0), QStringLiteral("IDS_000"));
    QCOMPARE(rows->text(shown, 1), QStringLiteral("new value"));
    QCOMPARE(rows->text(shown, 3), StatusModified);
    QCOMPARE(list->selectionMark(), shown);
    if (selectedId != shownId) {
        const int other = rows->findRowById(selectedId);
        QCOMPARE(rows->text(other, 1), selectedValue);
        QCOMPARE(rows->text(other, 3), StatusNone);
    }
    int marked = 0;
    for (int r = 0; r < rows->rowCount(); ++r)
        marked += rows->text(r, 3).isEmpty() ? 0 : 1;
    QCOMPARE(marked, 1);
}

void TestEditorEdit::nextBlank()
{
    QVERIFY(makeProduct(numberedEntries(6)));
    auto editor = openEditor();
    QPushButton *nextBlankButton = button(editor.get(), C::IDC_NEXT_BLANK);
    QVERIFY(!nextBlankButton->isVisible());
    // Rows as the list may hold them: a blank attribute, spaces for a value.
    std::vector<EntryRow> rows(6);
    const QStringList attributes = {QString(), QStringLiteral("   "), QStringLiteral("A"), QStringLiteral("B"),
                                    QStringLiteral("C"), QStringLiteral("D")};
    const QStringList values = {QString(), QString(), QStringLiteral("a"), QStringLiteral("  \t "), QString(),
                                QStringLiteral("d")};
    for (int r = 0; r < 6; ++r) {
        rows[std::size_t(r)].cells[0] = attributes[r];
        rows[std::size_t(r)].cells[1] = values[r];
        rows[std::size_t(r)].id = AttributeId(r);
    }
    editor->entries()->setRows(rows);
    nextBlankButton->click();
    QVERIFY(showsRow(editor.get(), 3));
    // Always from the first row, whatever is selected.
    editor->ShowEntry(4);
    editor->OnNextBlank();
    QVERIFY(showsRow(editor.get(), 3));
    QCOMPARE(editor->searchCursor, -1);

    editor->entries()->setText(3, 1, QStringLiteral("b"));
    editor->entries()->setText(4, 1, QStringLiteral("c"));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    editor->OnNextBlank();
    editor->entries()->clear();
    MessageBox::setNextAnswer(QMessageBox::Ok);
    editor->OnNextBlank();
    QCOMPARE(MessageBox::shownMessages(), QStringList(2, ProgramName + QStringLiteral("\nNo Blank Value.")));
    QVERIFY(editor->isVisible());
}

void TestEditorEdit::saveAsksTheFormatQuestionOnce_data()
{
    QTest::addColumn<bool>("sorted");
    QTest::addColumn<QString>("asked");
    QTest::newRow("file order") << false << "IDS_COUNT";
    // Rows are looked at in the order they stand: sorted by Attribute, descending.
    QTest::newRow("after a sort") << true << "IDS_NAME";
}

void TestEditorEdit::saveAsksTheFormatQuestionOnce()
{
    QFETCH(bool, sorted);
    QFETCH(QString, asked);
    QVERIFY(makeProduct({{QStringLiteral("IDS_OK"), QStringLiteral("\"bien\""), QStringLiteral("\"fine\"")},
                         {QStringLiteral("IDS_COUNT"), QStringLiteral("\"fichiers\""), QStringLiteral("\"%d files\"")},
                         {QStringLiteral("IDS_NAME"), QStringLiteral("\"nom\""), QStringLiteral("\"name %s\"")}}));
    auto editor = openEditor();
    EntryListModel *rows = editor->entries();
    QCOMPARE(rows->text(1, 3), StatusError);
    QCOMPARE(rows->text(2, 3), StatusError);
    applyValue(editor.get(), 0, QStringLiteral("\"tres bien\""));
    if (sorted) {
        clickHeader(editor.get(), 0);
        clickHeader(editor.get(), 0);
        QCOMPARE(rows->text(0, 0), QStringLiteral("IDS_OK"));
    }
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(button(editor.get(), C::IDC_SAVE), Qt::LeftButton);
    QCOMPARE(MessageBox::shownMessages(), QStringList(formatQuestion(asked)));
    QCOMPARE(editor->result(), ResultSaved);
    QVERIFY(!editor->isVisible());
    QCOMPARE(m_owner->applied.size(), 1);
    QCOMPARE(m_owner->applied[0], LanguageValues({{0, QStringLiteral("\"tres bien\"")},
                                                  {1, QStringLiteral("\"fichiers\"")},
                                                  {2, QStringLiteral("\"nom\"")}}));
    QCOMPARE(readBytes(frenchFile()),
             utf16le(QStringLiteral("[text]\r\nIDS_OK=\"tres bien\"\r\nIDS_COUNT=\"fichiers\"\r\nIDS_NAME=\"nom\"\r\n")));
}

void TestEditorEdit::saveAsksTheQuoteQuestionForEveryOddRow()
{
    QVERIFY(makeProduct({{QStringLiteral("IDS_SAY"), QStringLiteral("\"dire\""), QStringLiteral("\"say\"")},
                         {QStringLiteral("IDS_COUNT"), QStringLiteral("\"fichiers\""), QStringLiteral("\"%d files\"")},
                         {QStringLiteral("IDS_INCH"), QStringLiteral("\"pouce\""), QStringLiteral("\"inch\"")},
                         {QStringLiteral("IDS_EVEN"), QStringLiteral("\"pair\""), QStringLiteral("\"even\"")}}));
    auto editor = openEditor();
    applyValue(editor.get(), 0, QStringLiteral("dire \"bonjour"));
    applyValue(editor.get(), 2, QStringLiteral("12\""));
    applyValue(editor.get(), 3, QStringLiteral("\"a \"\"b\"\" c\""));
    MessageBox::setNextAnswer(QMessageBox::Yes);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    QTest::mouseClick(button(editor.get(), C::IDC_SAVE), Qt::LeftButton);
    // A Yes to a quote question also settles the format question of the rows after it.
    QCOMPARE(MessageBox::shownMessages(),
             QStringList({quoteQuestion(QStringLiteral("IDS_SAY"), QStringLiteral("dire \"bonjour")),
                          quoteQuestion(QStringLiteral("IDS_INCH"), QStringLiteral("12\""))}));
    QCOMPARE(editor->result(), ResultSaved);
    QCOMPARE(m_owner->applied.size(), 1);
    QCOMPARE(m_owner->applied[0].size(), 4);
    const QList<ProfileEntry> saved = GetPrivateProfileSection(QStringLiteral("text"), frenchFile());
    QCOMPARE(saved.size(), 4);
    QCOMPARE(saved[0].value, QStringLiteral("\"dire \"bonjour\""));
    QCOMPARE(saved[2].value, QStringLiteral("\"12\""));
    QCOMPARE(saved[3].value, QStringLiteral("\"a \"\"b\"\" c\""));
}

void TestEditorEdit::noToAQuestionStopsTheSave_data()
{
    // Values applied to rows 0..3 (null: left alone), the answers given, the
    // questions expected and the row the editor shows afterwards.
    QTest::addColumn<QStringList>("applied");
    QTest::addColumn<QList<int>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<int>("shownRow");
    QTest::newRow("format question")
        << QStringList{QStringLiteral("\"un\""), QString(), QString(), QString()} << QList<int>{QMessageBox::No}
        << QStringList{formatQuestion(QStringLiteral("IDS_B"))} << 1;
    QTest::newRow("quote question")
        << QStringList{QStringLiteral("\"un"), QString(), QString(), QString()} << QList<int>{QMessageBox::No}
        << QStringList{quoteQuestion(QStringLiteral("IDS_A"), QStringLiteral("\"un"))} << 0;
    QTest::newRow("second quote question")
        << QStringList{QStringLiteral("\"un"), QString(), QString(), QStringLiteral("quatre\"")}
        << QList<int>{QMessageBox::Yes, QMessageBox::No}
        << QStringList{quoteQuestion(QStringLiteral("IDS_A"), QStringLiteral("\"un")),
                       quoteQuestion(QStringLiteral("IDS_D"), QStringLiteral("quatre\""))}
        << 3;
    QTest::newRow("format, then quote")
        << QStringList{QString(), QString(), QStringLiteral("tr\"ois"), QString()}
        << QList<int>{QMessageBox::Yes, QMessageBox::No}
        << QStringList{formatQuestion(QStringLiteral("IDS_B")),
                       quoteQuestion(QStringLiteral("IDS_C"), QStringLiteral("tr\"ois"))}
        << 2;
}

void TestEditorEdit::noToAQuestionStopsTheSave()
{
    QFETCH(QStringList, applied);
    QFETCH(QList<int>, answers);
    QFETCH(QStringList, questions);
    QFETCH(int, shownRow);
    QVERIFY(makeProduct({{QStringLiteral("IDS_A"), QStringLiteral("\"a\""), QStringLiteral("\"A\"")},
                         {QStringLiteral("IDS_B"), QStringLiteral("\"b\""), QStringLiteral("\"B %d\"")},
                         {QStringLiteral("IDS_C"), QStringLiteral("\"c\""), QStringLiteral("\"C\"")},
                         {QStringLiteral("IDS_D"), QStringLiteral("\"d\""), QStringLiteral("\"D\"")}}));
    const QByteArray original = readBytes(frenchFile());
    const ino_t inode = inodeOf(frenchFile());
    auto editor = openActiveEditor();
    QVERIFY(editor);
    for (int r = 0; r < applied.size(); ++r)
        if (!applied[r].isNull())
            applyValue(editor.get(), r, applied[r]);
    editor->ShowEntry(shownRow == 0 ? 3 : 0); // the editor moves to the row asked about
    const RowSnapshot before = snapshotRows(editor->entries());
    for (int answer : answers)
        MessageBox::setNextAnswer(QMessageBox::StandardButton(answer));
    QTest::mouseClick(button(editor.get(), C::IDC_SAVE), Qt::LeftButton);
    QCOMPARE(MessageBox::shownMessages(), questions);
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->result(), 0);
    QVERIFY(showsRow(editor.get(), shownRow));
    QTRY_COMPARE(QApplication::focusWidget(), editor->valueEdit()); // ready to correct the value
    QCOMPARE(snapshotRows(editor->entries()), before);
    QVERIFY(m_owner->applied.isEmpty());
    QCOMPARE(readBytes(frenchFile()), original);
    QCOMPARE(inodeOf(frenchFile()), inode); // not even rewritten with the same bytes
    QCOMPARE(QDir(m_root + QStringLiteral("/language")).entryList(QDir::Files).size(), 2);
}

void TestEditorEdit::saveWithoutMarksWritesNothing()
{
    QVERIFY(makeProduct(numberedEntries(5)));
    const QByteArray original = readBytes(frenchFile());
    const ino_t inode = inodeOf(frenchFile());
    auto editor = openEditor();
    editor->ShowEntry(2);
    editor->valueEdit()->setText(QStringLiteral("typed, never applied"));
    QTest::mouseClick(button(editor.get(), C::IDC_SAVE), Qt::LeftButton);
    QCOMPARE(editor->result(), ResultSaved);
    QVERIFY(!editor->isVisible());
    QCOMPARE(m_owner->applied, QList<LanguageValues>{LanguageValues()});
    QCOMPARE(readBytes(frenchFile()), original);
    QCOMPARE(inodeOf(frenchFile()), inode);
    QVERIFY(MessageBox::shownMessages().isEmpty());
}

void TestEditorEdit::rowsMarkedByLoadingAreWritten()
{
    // The value of IDS_LOST lacks the reference's %s; IDS_GONE has no value at all.
    QVERIFY(makeProduct({{QStringLiteral("IDS_KEEP"), QStringLiteral("\"garder\""), QStringLiteral("\"keep\"")},
                         {QStringLiteral("IDS_LOST"), QStringLiteral("perdu"), QStringLiteral("\"lost %s\"")},
                         {QStringLiteral("IDS_GONE"), QString(), QStringLiteral("\"gone %d\"")}}));
    auto editor = openEditor();
    QCOMPARE(editor->entries()->text(1, 3), StatusError);
    QCOMPARE(editor->entries()->text(2, 3), StatusError);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    editor->OnSave();
    QCOMPARE(MessageBox::shownMessages(), QStringList(formatQuestion(QStringLiteral("IDS_LOST"))));
    QCOMPARE(editor->result(), ResultSaved);
    QCOMPARE(m_owner->applied[0], LanguageValues({{1, QStringLiteral("perdu")}, {2, QString()}}));
    QCOMPARE(readBytes(frenchFile()),
             utf16le(QStringLiteral("[text]\r\nIDS_KEEP=\"garder\"\r\nIDS_LOST=\"perdu\"\r\nIDS_GONE=\r\n")));
}

void TestEditorEdit::quotingOnDisk_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("line");
    QTest::newRow("no quotes") << "plain text" << "IDS_X=\"plain text\"";
    QTest::newRow("quoted") << "\"quoted\"" << "IDS_X=\"quoted\"";
    QTest::newRow("quote at the start") << "\"left" << "IDS_X=\"left\"";
    QTest::newRow("quote at the end") << "right\"" << "IDS_X=\"right\"";
    QTest::newRow("empty") << "" << "IDS_X=";
    QTest::newRow("spaces kept inside") << "  padded  " << "IDS_X=\"  padded  \"";
    QTest::newRow("a lone quote") << "\"" << "IDS_X=\"";
    QTest::newRow("non-Latin") << "\u4e2d\u6587 \u00e9" << "IDS_X=\"\u4e2d\u6587 \u00e9\"";
}

void TestEditorEdit::quotingOnDisk()
{
    QFETCH(QString, value);
    QFETCH(QString, line);
    QVERIFY(makeProduct({{QStringLiteral("IDS_X"), QStringLiteral("\"old\""), QStringLiteral("\"ref\"")},
                         {QStringLiteral("IDS_Y"), QStringLiteral("\"y\""), QStringLiteral("\"Y\"")}}));
    auto editor = openEditor();
    applyValue(editor.get(), 0, value);
    QCOMPARE(editor->entries()->text(0, 3), StatusModified);
    if (value.count(u'"') % 2 != 0)
        MessageBox::setNextAnswer(QMessageBox::Yes);
    editor->OnSave();
    QCOMPARE(editor->result(), ResultSaved);
    QCOMPARE(readBytes(frenchFile()), utf16le(QStringLiteral("[text]\r\n") + line + QStringLiteral("\r\nIDS_Y=\"y\"\r\n")));
    // The main window gets the value as typed, without the added quotes.
    QCOMPARE(m_owner->applied[0].value(0), value);
}

void TestEditorEdit::equalsAndQuotesSurviveSaveAndReload()
{
    const QStringList values = {QStringLiteral("\"Brightness = %d\""), QStringLiteral("\"=lead\""),
                                QStringLiteral("\"trail=\""), QStringLiteral("\"say \"\"hi\"\" = ok\""),
                                QStringLiteral("\"k=v\" and \"w\""), QStringLiteral("\"a == b\"")};
    QList<Entry> entries;
    for (int i = 0; i < values.size(); ++i)
        entries.append({QStringLiteral("IDS_%1").arg(i), QStringLiteral("\"x\""),
                        i == 0 ? QStringLiteral("\"Level = %d\"") : QStringLiteral("\"r = %1\"").arg(i)});
    QVERIFY(makeProduct(entries));
    {
        auto editor = openEditor();
        for (int i = 0; i < values.size(); ++i) {
            applyValue(editor.get(), i, values[i]);
            QCOMPARE(editor->entries()->text(i, 3), StatusModified);
        }
        editor->OnSave();
        QCOMPARE(editor->result(), ResultSaved);
    }
    QVERIFY(MessageBox::shownMessages().isEmpty());
    // Read back as the main window reads a language, then through the editor.
    QVERIFY(m_owner->loadRows(French));
    auto editor = openEditor();
    for (int i = 0; i < values.size(); ++i) {
        QCOMPARE(editor->entries()->text(i, 0), QStringLiteral("IDS_%1").arg(i));
        QCOMPARE(editor->entries()->text(i, 1), values[i]);
        QCOMPARE(editor->entries()->text(i, 3), StatusNone);
    }
    QCOMPARE(editor->entries()->text(0, 2), QStringLiteral("\"Level = %d\""));
}

void TestEditorEdit::saveUpdatesTheMainWindowAndDropsRedundantKeys()
{
    m_root = m_tmp.filePath(QStringLiteral("demo%1").arg(++m_serial));
    QVERIFY(copyTree(demoProductDir(), m_root));
    QDir::setCurrent(m_root);
    resetAttributeIdCounter();
    CGlossa_DeskDlg window;
    QVERIFY(window.OnInitDialog());
    const int germanItem = window.languageCombo()->findData(German);
    window.languageCombo()->setCurrentIndex(germanItem);
    window.onLanguageSelected(germanItem);
    QCOMPARE(window.redundantKeys(), RedundantKeySet({QStringLiteral("IDS_OLD_FEATURE"), QStringLiteral("ids_file_open")}));
    const QString germanFile = m_root + QStringLiteral("/language/German (Germany).ini");
    QVERIFY(readBytes(germanFile).contains("\nids_file_open="));
    QVERIFY(readBytes(germanFile).contains("\nIDS_OLD_FEATURE="));
    const AttributeId fileOpen = *window.languageStore().findAttribute(QStringLiteral("IDS_FILE_OPEN"));
    const AttributeId menuFile = *window.languageStore().findAttribute(QStringLiteral("IDS_MENU_FILE"));

    bool saved = false;
    whenModal<CVuduzLanguageMapDlg>(this, [&](CVuduzLanguageMapDlg *editor) {
        applyValue(editor, editor->entries()->findRowById(fileOpen), QStringLiteral("\u00d6ffnen"));
        applyValue(editor, editor->entries()->findRowById(menuFile), QStringLiteral("\"Datei \u00e4\""));
        MessageBox::setNextAnswer(QMessageBox::Yes); // German has rows marked ERROR by loading
        QTest::mouseClick(button(editor, C::IDC_SAVE), Qt::LeftButton);
        saved = editor->result() == ResultSaved;
    });
    window.onModify();
    QVERIFY(saved);
    QCOMPARE(MessageBox::shownMessages().size(), 1);
    QVERIFY(MessageBox::shownMessages()[0].startsWith(QStringLiteral("Warning\nAttribute: ")));

    const EntryListModel *rows = window.entryRows();
    QCOMPARE(rows->text(rows->findRowById(fileOpen), 1), QStringLiteral("\u00d6ffnen"));
    QCOMPARE(rows->text(rows->findRowById(menuFile), 1), QStringLiteral("\"Datei \u00e4\""));
    // The file: still UTF-8 without BOM and LF, the new values quoted, the redundant keys gone.
    const QByteArray bytes = readBytes(germanFile);
    QVERIFY(!bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY(!bytes.contains('\r'));
    const QString text = QString::fromUtf8(bytes);
    QVERIFY(text.contains(QStringLiteral("\nIDS_FILE_OPEN=\"\u00d6ffnen\"\n")));
    QVERIFY(text.contains(QStringLiteral("\nIDS_MENU_FILE=\"Datei \u00e4\"\n")));
    QVERIFY(!text.contains(QStringLiteral("ids_file_open")));
    QVERIFY(!text.contains(QStringLiteral("IDS_OLD_FEATURE")));
    LanguageValues values;
    RedundantKeySet redundant;
    QVERIFY(window.languageStore().LoadLanguageFile(QStringLiteral("German (Germany)"), values, redundant));
    QVERIFY(redundant.empty());
    QCOMPARE(values.value(fileOpen), QStringLiteral("\"\u00d6ffnen\""));
}

void TestEditorEdit::legacyFileThatCannotHoldTheValueIsConverted()
{
    QVERIFY(makeProduct(numberedEntries(2)));
    // Windows-1252: not valid UTF-8, so read as the legacy code page.
    QVERIFY(writeBytes(frenchFile(), "[text]\r\nIDS_000=\"caf\xe9\"\r\nIDS_001=\"v1\"\r\n"));
    QVERIFY(m_owner->loadRows(French));
    auto editor = openEditor();
    QCOMPARE(editor->entries()->text(0, 1), QStringLiteral("\"caf\u00e9\""));
    applyValue(editor.get(), 1, QStringLiteral("\"\u4e2d\u6587\""));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    editor->OnSave();
    QCOMPARE(editor->result(), ResultSaved);
    const QStringList shown = MessageBox::shownMessages();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0], ProgramName + QStringLiteral("\nFrench (France).ini: converted from Windows-1252 to UTF-16LE, since "
                                                   "'\u4e2d' has no Windows-1252 form."));
    QCOMPARE(m_owner->applied.size(), 1); // the values reached the main window before the notice
    QCOMPARE(readBytes(frenchFile()),
             utf16le(QStringLiteral("[text]\r\nIDS_000=\"caf\u00e9\"\r\nIDS_001=\"\u4e2d\u6587\"\r\n")));
}

void TestEditorEdit::failedWriteKeepsTheEditorAsItWas()
{
    QVERIFY(makeProduct(numberedEntries(5)));
    auto editor = openEditor();
    applyValue(editor.get(), 1, QStringLiteral("\"un\""));
    applyValue(editor.get(), 3, QStringLiteral("\"trois\""));
    editor->ShowEntry(4);
    const RowSnapshot before = snapshotRows(editor->entries());
    // The file turns into a directory behind the editor's back; that holds for root too.
    QVERIFY(QFile::remove(frenchFile()));
    QVERIFY(QDir().mkdir(frenchFile()));
    MessageBox::setNextAnswer(QMessageBox::Ok);
    QTest::mouseClick(button(editor.get(), C::IDC_SAVE), Qt::LeftButton);
    const QStringList shown = MessageBox::shownMessages();
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].startsWith(ProgramName + u'\n'), qPrintable(shown[0]));
    QVERIFY2(shown[0].contains(QStringLiteral("French (France).ini")), qPrintable(shown[0]));
    QVERIFY2(shown[0].contains(QStringLiteral("directory")), qPrintable(shown[0]));
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->result(), 0);
    QCOMPARE(snapshotRows(editor->entries()), before);
    QVERIFY(showsRow(editor.get(), 4));
    QVERIFY(m_owner->applied.isEmpty());
    QVERIFY(QFileInfo(frenchFile()).isDir());

    // Once the cause is gone, the same Save writes every change.
    QVERIFY(QDir().rmdir(frenchFile()));
    editor->OnSave();
    QCOMPARE(editor->result(), ResultSaved);
    const QList<ProfileEntry> saved = GetPrivateProfileSection(QStringLiteral("text"), frenchFile());
    QCOMPARE(saved.size(), 2);
    QCOMPARE(saved[0].key, QStringLiteral("IDS_001"));
    QCOMPARE(saved[1].value, QStringLiteral("\"trois\""));
}

void TestEditorEdit::failedWriteLeavesTheOldFileWhole()
{
    QVERIFY(makeProduct(numberedEntries(60)));
    const QMap<QString, QByteArray> before = snapshotTree(m_root);
    auto editor = openEditor();
    for (int r = 0; r < 60; r += 3)
        applyValue(editor.get(), r, QStringLiteral("\"changed %1\"").arg(r));
    const RowSnapshot rows = snapshotRows(editor->entries());
    // A file-size limit makes the write fail for root as for anyone; the child reports what it saw.
    const int status = runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{64, 64};
        setrlimit(RLIMIT_FSIZE, &limit);
        MessageBox::setNextAnswer(QMessageBox::Ok);
        editor->OnSave();
        const QStringList shown = MessageBox::shownMessages();
        if (shown.size() != 1 || !shown[0].contains(QStringLiteral("French (France).ini")))
            return 2;
        if (!editor->isVisible() || editor->result() != 0)
            return 3;
        if (!m_owner->applied.isEmpty())
            return 4;
        return snapshotRows(editor->entries()) == rows ? 0 : 5;
    });
    QCOMPARE(status, 0);
    QCOMPARE(snapshotTree(m_root), before); // the old file whole, no temporary left behind
}

void TestEditorEdit::cancelWithoutMarksClosesAtOnce_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel") << false;
    QTest::newRow("close box") << true;
}

void TestEditorEdit::cancelWithoutMarksClosesAtOnce()
{
    QFETCH(bool, closeBox);
    QVERIFY(makeProduct(numberedEntries(5)));
    const QByteArray original = readBytes(frenchFile());
    auto editor = openEditor();
    editor->ShowEntry(1);
    editor->valueEdit()->setText(QStringLiteral("typed, never applied"));
    if (closeBox)
        editor->close();
    else
        QTest::mouseClick(button(editor.get(), C::IDC_CANCEL), Qt::LeftButton);
    QCOMPARE(editor->result(), ResultCancelled);
    QVERIFY(!editor->isVisible());
    QVERIFY(MessageBox::shownMessages().isEmpty());
    QVERIFY(m_owner->applied.isEmpty());
    QCOMPARE(readBytes(frenchFile()), original);
}

void TestEditorEdit::cancelWithMarksAsks_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::addColumn<bool>("byLoading");
    QTest::newRow("Cancel, applied value") << false << false;
    QTest::newRow("close box, applied value") << true << false;
    QTest::newRow("Cancel, ERROR from loading") << false << true;
}

void TestEditorEdit::cancelWithMarksAsks()
{
    QFETCH(bool, closeBox);
    QFETCH(bool, byLoading);
    QList<Entry> entries = numberedEntries(5);
    if (byLoading)
        entries[4].reference = QStringLiteral("\"%d\"");
    QVERIFY(makeProduct(entries));
    const QByteArray original = readBytes(frenchFile());
    auto editor = openEditor();
    if (!byLoading)
        applyValue(editor.get(), 2, QStringLiteral("\"deux\""));
    auto leave = [&] {
        if (closeBox)
            editor->close();
        else
            QTest::mouseClick(button(editor.get(), C::IDC_CANCEL), Qt::LeftButton);
    };
    MessageBox::setNextAnswer(QMessageBox::No);
    leave();
    QCOMPARE(MessageBox::shownMessages(), QStringList(CancelQuestion));
    QVERIFY(editor->isVisible());
    QCOMPARE(editor->result(), 0);
    MessageBox::setNextAnswer(QMessageBox::Yes);
    leave();
    QCOMPARE(MessageBox::shownMessages(), QStringList(2, CancelQuestion));
    QCOMPARE(editor->result(), ResultCancelled);
    QVERIFY(!editor->isVisible());
    QVERIFY(m_owner->applied.isEmpty());
    QCOMPARE(readBytes(frenchFile()), original);
}

void TestEditorEdit::removeRedundantEntriesSaysDone()
{
    QVERIFY(makeProduct(numberedEntries(3)));
    const QMap<QString, QByteArray> before = snapshotTree(m_root);
    auto editor = openEditor();
    QPushButton *remove = button(editor.get(), C::IDC_REMOVE_REDUNDANT);
    QVERIFY(!remove->isVisible());
    MessageBox::setNextAnswer(QMessageBox::Ok);
    remove->click();
    QCOMPARE(MessageBox::shownMessages(), QStringList(ProgramName + QStringLiteral("\nDONE.")));
    QVERIFY(editor->isVisible());
    QCOMPARE(snapshotTree(m_root), before);
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    TestEditorEdit test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editoredit.moc"
