#include "EditorFixture.h"

#include "editor/EditorOwner.h"
#include "editor/EntryFilterModel.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/DialogUnits.h"
#include "platform/MessageBox.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;
using namespace TestSupport;

namespace {

using C = CVuduzLanguageMapDlg;
using Entry = EditorFixture::Entry;

const QString CancelQuestion = QStringLiteral("Warning\n Are you sure you want to exit without saving any changes?");

} // namespace

// The editor's filter bar and its next-entry keys, through the real window.
class TestEditorFilters : public QObject
{
    Q_OBJECT

private:
    EditorFixture m_fixture;

    QString frenchFile() const { return m_fixture.languageFile(); }
    bool makeProduct(const QList<Entry> &entries) { return m_fixture.makeProduct(entries); }
    std::unique_ptr<C> openEditor() { return m_fixture.openEditor(); }

    static void choose(C *editor, int showIndex, const QString &text = {})
    {
        QComboBox *show = editor->showCombo();
        show->setCurrentIndex(showIndex);
        Q_EMIT show->activated(showIndex);
        editor->filterEdit()->setText(text);
    }

    // The attributes of the rows the list shows, top to bottom.
    static QStringList shownAttributes(const C *editor)
    {
        QStringList names;
        const QAbstractItemModel *m = editor->entryList()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            names << m->index(r, 0).data().toString();
        return names;
    }

    static void press(C *editor, int key, Qt::KeyboardModifiers modifiers = {})
    {
        QTest::keyClick(editor->valueEdit(), Qt::Key(key), modifiers);
    }

    static QString shownAttribute(const C *editor) { return editor->attributeEdit()->text(); }

private Q_SLOTS:
    void init() { m_fixture.start(); }
    void cleanup()
    {
        const QStringList unanswered = m_fixture.finish();
        QVERIFY2(unanswered.isEmpty(), qPrintable(unanswered.join(QLatin1Char('|'))));
    }

    void barControls()
    {
        QVERIFY(makeProduct(EditorFixture::mixedEntries()));
        auto editor = openEditor();
        QVERIFY(editor);
        QCOMPARE(comboTexts(editor->showCombo()),
                 (QStringList{QStringLiteral("All entries"), QStringLiteral("Untranslated"), QStringLiteral("Errors"),
                              QStringLiteral("Marked"), QStringLiteral("Warnings"), QStringLiteral("Same as reference")}));
        QCOMPARE(editor->showCombo()->accessibleName(), QStringLiteral("Show"));
        QCOMPARE(editor->filterEdit()->accessibleName(), QStringLiteral("Filter"));
        QCOMPARE(editor->shownEntriesField()->accessibleName(), QStringLiteral("Shown entries"));
        QCOMPARE(editor->progressField()->accessibleName(), QStringLiteral("Progress"));
        // The default view is the model itself, so every existing rule holds unchanged.
        QCOMPARE(editor->entryList()->model(), static_cast<QAbstractItemModel *>(editor->entries()));
        QCOMPARE(editor->shownEntriesField()->text(), QStringLiteral("Showing 6 of 6"));
        QCOMPARE(editor->progressField()->text(), QStringLiteral("4 of 6 translated \u00b7 1 marked ERROR \u00b7 0 modified"));

        // The band holds the bar without covering a control of the template.
        const QRect modify = findControl<QWidget>(editor.get(), C::IDC_MODIFY_GROUP)->geometry();
        const QRect list = editor->entryList()->geometry();
        for (QWidget *w : QList<QWidget *>{editor->showCombo(), editor->filterEdit(), editor->shownEntriesField(),
                                          editor->progressField(), editor->statusField()}) {
            QVERIFY2(w->geometry().top() > modify.bottom(), qPrintable(w->objectName()));
            QVERIFY2(w->geometry().bottom() < list.top(), qPrintable(w->objectName()));
            QVERIFY2(w->height() > 0, qPrintable(w->objectName()));
        }
    }

    void filtersAndCounts_data()
    {
        QTest::addColumn<int>("show");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("shown");
        auto ids = [](std::initializer_list<int> rows) {
            QStringList names;
            for (int r : rows)
                names << QStringLiteral("IDS_%1").arg(r);
            return names;
        };
        QTest::newRow("untranslated") << 1 << QString() << ids({1, 4});
        QTest::newRow("errors") << 2 << QString() << ids({2});
        QTest::newRow("marked") << 3 << QString() << ids({2});
        QTest::newRow("warnings") << 4 << QString() << ids({5});
        QTest::newRow("same as reference") << 5 << QString() << ids({3});
        QTest::newRow("text in a value, case ignored") << 0 << QStringLiteral("OUVR") << ids({0});
        QTest::newRow("text in a reference") << 0 << QStringLiteral("help") << ids({4});
        QTest::newRow("text in an attribute") << 0 << QStringLiteral("ids_3") << ids({3});
        QTest::newRow("mode and text together") << 1 << QStringLiteral("close") << ids({1});
        QTest::newRow("nothing") << 2 << QStringLiteral("zzz") << QStringList();
    }
    void filtersAndCounts()
    {
        QFETCH(int, show);
        QFETCH(QString, text);
        QFETCH(QStringList, shown);
        QVERIFY(makeProduct(EditorFixture::mixedEntries()));
        auto editor = openEditor();
        QVERIFY(editor);
        choose(editor.get(), show, text);
        QCOMPARE(shownAttributes(editor.get()), shown);
        QCOMPARE(editor->shownEntriesField()->text(), QStringLiteral("Showing %1 of 6").arg(shown.size()));
        // Back to the default view: every row, in the model's own view.
        choose(editor.get(), 0);
        QCOMPARE(editor->entryList()->model(), static_cast<QAbstractItemModel *>(editor->entries()));
        QCOMPARE(editor->shownEntriesField()->text(), QStringLiteral("Showing 6 of 6"));
    }

    void stepsAndSearchWorkOnShownRows()
    {
        QVERIFY(makeProduct(EditorFixture::mixedEntries()));
        auto editor = openEditor();
        QVERIFY(editor);
        choose(editor.get(), 1); // IDS_1 and IDS_4
        press(editor.get(), Qt::Key_Up);
        QCOMPARE(shownAttribute(editor.get()), QStringLiteral("IDS_1"));
        press(editor.get(), Qt::Key_Down);
        QCOMPARE(shownAttribute(editor.get()), QStringLiteral("IDS_4"));
        press(editor.get(), Qt::Key_Down);
        QCOMPARE(shownAttribute(editor.get()), QStringLiteral("IDS_4"));
        press(editor.get(), Qt::Key_Up);
        QCOMPARE(shownAttribute(editor.get()), QStringLiteral("IDS_1"));
        // Search Next with an empty text steps over the shown rows only.
        editor->searchCursor = -1;
        QCOMPARE(editor->SearchNext(QString()), 1);
        QCOMPARE(editor->SearchNext(QString()), 4);
    }

    void markedRowStaysShownUntilTheFilterChanges()
    {
        QVERIFY(makeProduct(EditorFixture::mixedEntries()));
        auto editor = openEditor();
        QVERIFY(editor);
        choose(editor.get(), 1);
        press(editor.get(), Qt::Key_Up);
        editor->valueEdit()->setText(QStringLiteral("Fermer"));
        press(editor.get(), Qt::Key_Return);
        QCOMPARE(editor->entries()->text(1, 3), StatusModified);
        QCOMPARE(shownAttributes(editor.get()), (QStringList{QStringLiteral("IDS_1"), QStringLiteral("IDS_4")}));
        QCOMPARE(editor->progressField()->text(), QStringLiteral("5 of 6 translated \u00b7 1 marked ERROR \u00b7 1 modified"));
        editor->filterEdit()->setText(QStringLiteral("I"));
        QCOMPARE(shownAttributes(editor.get()), QStringList(QStringLiteral("IDS_4")));
    }

    void hiddenModifiedRowIsSaved()
    {
        QVERIFY(makeProduct(EditorFixture::mixedEntries()));
        auto editor = openEditor();
        QVERIFY(editor);
        editor->ShowEntry(0);
        editor->valueEdit()->setText(QStringLiteral("Ouvrez"));
        press(editor.get(), Qt::Key_Return);
        choose(editor.get(), 1); // IDS_0 is hidden now
        QVERIFY(!editor->entryList()->isRowShown(0));
        MessageBox::setNextAnswer(QMessageBox::Yes); // the format question of IDS_2
        QTest::mouseClick(findControl<QPushButton>(editor.get(), C::IDC_SAVE), Qt::LeftButton);
        QCOMPARE(editor->result(), ResultSaved);
        QCOMPARE(m_fixture.owner->applied.size(), 1);
        QCOMPARE(m_fixture.owner->applied.first().value(editor->entries()->itemData(0)), QStringLiteral("Ouvrez"));
        QVERIFY(readBytes(frenchFile()).contains(utf16le(QStringLiteral("Ouvrez"), false)));
    }

    void cancelAsksAboutAHiddenModifiedRow()
    {
        QList<Entry> entries = EditorFixture::mixedEntries();
        entries[2].reference = QStringLiteral("File"); // no row marked by loading
        QVERIFY(makeProduct(entries));
        auto editor = openEditor();
        QVERIFY(editor);
        editor->ShowEntry(0);
        editor->valueEdit()->setText(QStringLiteral("Ouvrez"));
        press(editor.get(), Qt::Key_Return);
        choose(editor.get(), 2); // errors: none
        QCOMPARE(shownAttributes(editor.get()), QStringList());
        MessageBox::setNextAnswer(QMessageBox::No);
        QTest::mouseClick(findControl<QPushButton>(editor.get(), C::IDC_CANCEL), Qt::LeftButton);
        QCOMPARE(MessageBox::shownMessages(), QStringList(CancelQuestion));
        QVERIFY(editor->isVisible());
    }

    void nextUntranslatedAndProblem_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("wrapped");
        const int ctrl = int(Qt::ControlModifier);
        const int ctrlShift = int(Qt::ControlModifier | Qt::ShiftModifier);
        QTest::newRow("Ctrl+J next") << 0 << int(Qt::Key_J) << ctrl << QStringLiteral("IDS_1") << false;
        QTest::newRow("Ctrl+J wraps") << 4 << int(Qt::Key_J) << ctrl << QStringLiteral("IDS_1") << true;
        QTest::newRow("Ctrl+Shift+J previous") << 5 << int(Qt::Key_J) << ctrlShift << QStringLiteral("IDS_4") << false;
        QTest::newRow("Ctrl+Shift+J wraps") << 0 << int(Qt::Key_J) << ctrlShift << QStringLiteral("IDS_4") << true;
        QTest::newRow("F8 next") << 0 << int(Qt::Key_F8) << 0 << QStringLiteral("IDS_2") << false;
        QTest::newRow("F8 warning") << 3 << int(Qt::Key_F8) << 0 << QStringLiteral("IDS_5") << false;
        QTest::newRow("F8 wraps") << 5 << int(Qt::Key_F8) << 0 << QStringLiteral("IDS_2") << true;
        QTest::newRow("Shift+F8 previous") << 4 << int(Qt::Key_F8) << int(Qt::ShiftModifier) << QStringLiteral("IDS_2")
                                           << false;
    }
    void nextUntranslatedAndProblem()
    {
        QFETCH(int, start);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, shown);
        QFETCH(bool, wrapped);
        QVERIFY(makeProduct(EditorFixture::mixedEntries()));
        auto editor = openEditor();
        QVERIFY(editor);
        editor->ShowEntry(start);
        press(editor.get(), key, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(shownAttribute(editor.get()), shown);
        QCOMPARE(editor->statusField()->text().startsWith(QStringLiteral("Passed the")), wrapped);
        QVERIFY(MessageBox::shownMessages().isEmpty());
    }

    void ctrlReturnAppliesAndGoesOn()
    {
        QVERIFY(makeProduct(EditorFixture::mixedEntries()));
        auto editor = openEditor();
        QVERIFY(editor);
        editor->ShowEntry(1);
        editor->valueEdit()->setText(QStringLiteral("Fermer"));
        press(editor.get(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(editor->entries()->text(1, 1), QStringLiteral("Fermer"));
        QCOMPARE(editor->entries()->text(1, 3), StatusModified);
        QCOMPARE(shownAttribute(editor.get()), QStringLiteral("IDS_4"));
        // Nothing untranslated left: the status says so, no message box.
        editor->valueEdit()->setText(QStringLiteral("Aide"));
        press(editor.get(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(editor->statusField()->text(), QStringLiteral("No untranslated entry"));
        QVERIFY(MessageBox::shownMessages().isEmpty());
    }

    void whyLineAndTooltips_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("typed"); // null: show only
        QTest::addColumn<bool>("apply");
        QTest::addColumn<QString>("why");
        QTest::newRow("nothing wrong") << 0 << QString() << false << QString();
        QTest::newRow("placeholders") << 2 << QString() << false
                                      << QStringLiteral("%s: the reference has it once, the value never");
        QTest::newRow("a warning is marked as one") << 5 << QString() << false
                                                    << QStringLiteral("warning: the blanks at the end differ from the reference's");
        QTest::newRow("typed, not applied") << 0 << QStringLiteral("Ouvre") << false
                                            << QStringLiteral("Not applied: Enter applies it");
        QTest::newRow("a line break is flagged when applied")
            << 0 << QStringLiteral("Ou\nvrir") << true
            << QStringLiteral("a line break cannot be stored in the file: Save will refuse it");
        QTest::newRow("odd quotes are flagged when applied")
            << 0 << QStringLiteral("\"Ouvrir") << true
            << QStringLiteral("the value holds an odd number of double quotes (1): Save asks about it");
    }
    void whyLineAndTooltips()
    {
        QFETCH(int, row);
        QFETCH(QString, typed);
        QFETCH(bool, apply);
        QFETCH(QString, why);
        QVERIFY(makeProduct(EditorFixture::mixedEntries()));
        auto editor = openEditor();
        QVERIFY(editor);
        QCOMPARE(editor->whyField()->accessibleName(), QStringLiteral("Why"));
        editor->ShowEntry(row);
        if (!typed.isNull())
            editor->valueEdit()->setText(typed);
        if (apply)
            press(editor.get(), Qt::Key_Return);
        QCOMPARE(editor->whyField()->text(), why);
        // The row's tooltip says the same as soon as the value is in the row.
        if (typed.isNull() || apply) {
            const QVariant tip = editor->entries()->index(row, 1).data(Qt::ToolTipRole);
            QCOMPARE(tip.toString(), why);
        }
    }

    void filterModelMatches_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("state");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("matches");
        QTest::newRow("quoted blank is untranslated") << QStringLiteral("\" \"") << QStringLiteral("x") << QString() << 1 << true;
        QTest::newRow("text is translated") << QStringLiteral("a") << QStringLiteral("x") << QString() << 1 << false;
        QTest::newRow("modified is marked") << QStringLiteral("a") << QStringLiteral("x") << StatusModified << 3 << true;
        QTest::newRow("modified is no error") << QStringLiteral("a") << QStringLiteral("x") << StatusModified << 2 << false;
        QTest::newRow("blank is never the same") << QString() << QString() << QString() << 5 << false;
    }
    void filterModelMatches()
    {
        QFETCH(QString, value);
        QFETCH(QString, reference);
        QFETCH(QString, state);
        QFETCH(int, mode);
        QFETCH(bool, matches);
        EntryRow row;
        row.cells = {QStringLiteral("K"), value, reference, state};
        QCOMPARE(EntryFilterModel::matches(row, 3, EntryFilterMode(mode), QString(), {}), matches);
    }
};

QTEST_MAIN(TestEditorFilters)
#include "tst_editorfilters.moc"
