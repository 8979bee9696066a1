#include "EditorFixture.h"

#include "editor/EditorCommands.h"
#include "editor/EditorPlace.h"
#include "editor/EditorSuggestions.h"
#include "editor/VuduzListCtrl.h"
#include "model/Constants.h"
#include "platform/DialogFont.h"
#include "platform/DialogUnits.h"
#include "shared/WindowSettings.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QMenuBar>
#include <QSplitter>
#include <QStandardPaths>
#include <QTest>

using namespace Glossa;
using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

using C = CVuduzLanguageMapDlg;

// Entries for stepping: untranslated ones, a placeholder error, a case variant.
QList<EditorFixture::Entry> entries()
{
    return {{u"IDS_0"_s, u"Ouvrir"_s, u"Open"_s},
            {u"IDS_1"_s, u""_s, u"Close"_s},
            {u"IDS_2"_s, u"Copie"_s, u"Copy %d of %s"_s},
            {u"IDS_3"_s, u"OK"_s, u"OK"_s},
            {u"IDS_4"_s, QString(), u"Help"_s},
            {u"IDS_5"_s, u"Aide"_s, u"Help"_s}};
}

QString shownKey(const C &editor)
{
    return editor.attributeEdit()->text();
}

} // namespace

// Where the editor sits: the fixed controls in their area below the menu bar, the
// side panel beside it, a larger window's room, what comes back after a restart,
// and the menu bar's commands.
class TestEditorPlace : public QObject
{
    Q_OBJECT

private:
    EditorFixture f;

private Q_SLOTS:
    void init()
    {
        f.start();
        WindowSettings().clear();
        QFile::remove(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                      + u"/glossa-desk/suggestions.json"_s);
    }
    void cleanup() { QVERIFY2(f.finish().isEmpty(), "a message box came up unanswered"); }

    void atTheDefaultSizeEveryControlIsInPlace()
    {
        QVERIFY(f.makeProduct(entries()));
        auto editor = f.openEditor();
        QVERIFY(editor);
        const DialogBaseUnits units = dialogBaseUnits(dialogFont(9));
        QWidget *area = editor->area();
        QCOMPARE(area->size(), dialogUnitsToPixels(QSize(495, 332), units));
        QCOMPARE(area->mapTo(editor.get(), QPoint()), QPoint(0, editor->commands().menuBar()->height()));
        const QList<std::pair<int, QRect>> fixed = {{C::IDC_SEARCH_GROUP, {12, 6, 469, 28}},
                                                    {C::IDC_VALUE, {57, 49, 295, 13}},
                                                    {C::IDC_REFERENCE, {57, 69, 294, 13}},
                                                    {C::IDC_ATTRIBUTE, {59, 90, 227, 13}},
                                                    {C::IDC_MODIFY, {297, 89, 51, 13}},
                                                    {C::IDC_REFERENCE_LANGUAGE_LABEL, {371, 45, 108, 8}}};
        for (const auto &[id, rect] : fixed) {
            QWidget *control = findControl<QWidget>(editor.get(), id);
            QCOMPARE(control->parentWidget(), area);
            QCOMPARE(control->geometry(), dialogUnitsToPixels(rect, units));
        }
        // The panel in view, right of the area; the window is wider by it.
        QVERIFY(editor->suggestions().isVisible());
        QWidget *panel = editor->place().panel();
        QCOMPARE(editor->width(), area->width() + editor->place().splitter()->handleWidth() + panel->width());
        QCOMPARE(panel->width(), EditorPlace::DefaultPanelWidth);
        const QHeaderView *header = editor->entryList()->horizontalHeader();
        QCOMPARE((QList<int>{header->sectionSize(0), header->sectionSize(1), header->sectionSize(2), header->sectionSize(3)}),
                 (QList<int>{200, 250, 250, 110}));
        editor->hide();
    }

    void aLargerWindowGivesItsRoomToValueAndReference()
    {
        QVERIFY(f.makeProduct(entries()));
        auto editor = f.openEditor();
        QVERIFY(editor);
        const int defaultList = editor->entryList()->width();
        const int defaultValue = editor->valueEdit()->width();
        const QRect combo = editor->referenceLanguages()->geometry();
        editor->resize(1600, 1000);
        QTRY_COMPARE(editor->area()->height(), 1000 - editor->commands().menuBar()->height());
        QVERIFY(editor->suggestions().isVisible());
        const int gained = editor->entryList()->width() - defaultList;
        QVERIFY(gained > 300);
        const QHeaderView *header = editor->entryList()->horizontalHeader();
        QCOMPARE(header->sectionSize(0), 200);
        QCOMPARE(header->sectionSize(3), 110);
        QCOMPARE(header->sectionSize(1) + header->sectionSize(2), 500 + gained);
        QVERIFY(std::abs(header->sectionSize(1) - header->sectionSize(2)) <= 1);
        // The fields widen with it; the reference language keeps its distance from their right.
        QCOMPARE(editor->valueEdit()->width(), defaultValue + gained);
        QCOMPARE(editor->referenceLanguages()->geometry(), combo.translated(gained, 0));
        // A column the user widens keeps its share of the room.
        editor->entryList()->horizontalHeader()->resizeSection(0, 260);
        editor->resize(1500, 1000);
        QTRY_COMPARE(header->sectionSize(0), 260);
        editor->hide();
    }

    void sizePlacePanelAndColumnsComeBack()
    {
        QVERIFY(f.makeProduct(entries()));
        {
            auto editor = f.openEditor();
            QVERIFY(editor);
            editor->resize(1400, 900);
            editor->move(40, 50);
            QTRY_COMPARE(editor->size(), QSize(1400, 900));
            QSplitter *splitter = editor->place().splitter();
            splitter->setSizes({splitter->width() - 300 - splitter->handleWidth(), 300});
            Q_EMIT splitter->splitterMoved(splitter->width() - 300, 1);
            editor->entryList()->horizontalHeader()->resizeSection(3, 150);
            MessageBox::setNextAnswer(QMessageBox::Yes); // IDS_2 is marked ERROR from the start
            editor->OnCancel();
            QCOMPARE(editor->result(), ResultCancelled);
        }
        auto again = f.openEditor();
        QVERIFY(again);
        QCOMPARE(again->size(), QSize(1400, 900));
        QCOMPARE(again->pos(), QPoint(40, 50));
        QCOMPARE(again->place().panel()->width(), 300);
        QCOMPARE(again->entryList()->horizontalHeader()->sectionSize(3), 150);
        // Hidden stays hidden.
        QTest::keyClick(again->valueEdit(), Qt::Key_F9);
        QVERIFY(!again->suggestions().isVisible());
        MessageBox::setNextAnswer(QMessageBox::Yes);
        again->OnCancel();
        auto third = f.openEditor();
        QVERIFY(third);
        QVERIFY(!third->suggestions().isVisible());
        QVERIFY(!third->commands().action(u"Suggestions"_s)->isChecked());
        third->hide();
    }

    void aSecondEditorOpensOffsetFromTheFirst()
    {
        QVERIFY(f.makeProduct(entries()));
        auto first = f.openEditor();
        QVERIFY(first);
        auto second = f.openEditor();
        QVERIFY(second);
        QCOMPARE(second->pos(), first->pos() + QPoint(32, 32));
        second->hide();
        first->hide();
    }

    void everyMenuCommandDoesWhatItsKeyDoes_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QKeySequence>("key");
        QTest::addColumn<QString>("outcome"); // what the editor shows after it
        QTest::newRow("next untranslated") << u"Next Untranslated"_s << QKeySequence(u"Ctrl+J"_s) << u"IDS_4"_s;
        QTest::newRow("previous untranslated") << u"Previous Untranslated"_s << QKeySequence(u"Ctrl+Shift+J"_s) << u"IDS_1"_s;
        QTest::newRow("next problem") << u"Next Problem"_s << QKeySequence(u"F8"_s) << u"IDS_2"_s;
        QTest::newRow("undo") << u"Undo"_s << QKeySequence(u"Ctrl+Z"_s) << u"IDS_3=OK"_s;
        QTest::newRow("redo") << u"Redo"_s << QKeySequence(u"Ctrl+Y"_s) << u"IDS_3=Nothing to redo"_s;
        QTest::newRow("use it") << u"Use It"_s << QKeySequence(u"Ctrl+U"_s) << u"IDS_3=Fermer"_s;
        QTest::newRow("insert placeholder") << u"Insert Missing Placeholder"_s << QKeySequence(u"Ctrl+P"_s) << u"IDS_3=Ouvert%d"_s;
        QTest::newRow("untranslated only") << u"Untranslated"_s << QKeySequence(u"Alt+2"_s) << u"show 1"_s;
        QTest::newRow("suggestions") << u"Suggestions"_s << QKeySequence(u"F9"_s) << u"panel hidden"_s;
        QTest::newRow("find") << u"Find"_s << QKeySequence(u"Ctrl+F"_s) << u"focus Search"_s;
    }
    void everyMenuCommandDoesWhatItsKeyDoes()
    {
        QFETCH(QString, command);
        QFETCH(QKeySequence, key);
        QFETCH(QString, outcome);
        QStringList seen;
        for (const bool byKey : {false, true}) {
            if (byKey) { // a fresh editor, as after a restart
                QVERIFY(f.finish().isEmpty());
                init();
            }
            QVERIFY(f.makeProduct(entries(), {u"ids_3=Fermer"_s}));
            auto editor = f.openEditor();
            QVERIFY(editor);
            QAction *action = editor->commands().action(command);
            QVERIFY2(action, qPrintable(command));
            QVERIFY(action->shortcuts().contains(key));
            // The entry shown has a value applied and more typed, with a reference that has a placeholder.
            editor->ShowEntry(3);
            editor->valueEdit()->setText(u"Ouvert"_s);
            editor->ApplyValue();
            editor->referenceEdit()->setText(u"Open %d"_s);
            editor->valueEdit()->setFocus();
            if (byKey)
                QTest::keySequence(editor->valueEdit(), key);
            else
                action->trigger();
            QString state;
            if (outcome.startsWith(u"show "))
                state = u"show %1"_s.arg(editor->showCombo()->currentIndex());
            else if (outcome.startsWith(u"panel"))
                state = editor->suggestions().isVisible() ? u"panel shown"_s : u"panel hidden"_s;
            else if (outcome.startsWith(u"focus"))
                state = u"focus "_s + (editor->focusWidget() == editor->searchEdit() ? u"Search"_s : u"elsewhere"_s);
            else if (outcome.contains(u'='))
                state = shownKey(*editor) + u'='
                    + (command == u"Redo" ? editor->statusField()->text() : editor->valueEdit()->text());
            else
                state = shownKey(*editor);
            seen << state;
            editor->hide();
        }
        QCOMPARE(seen, (QStringList{outcome, outcome}));
    }

    void thePlaceholderKeyInsertsWhatTheValueLacks()
    {
        QVERIFY(f.makeProduct(entries()));
        auto editor = f.openEditor();
        QVERIFY(editor);
        editor->ShowEntry(2); // "Copy %d of %s"
        editor->valueEdit()->setText(u"Copie %s"_s);
        editor->valueEdit()->setCursorPosition(5);
        QTest::keySequence(editor->valueEdit(), QKeySequence(u"Ctrl+P"_s));
        QCOMPARE(editor->valueEdit()->text(), u"Copie%d %s"_s);
        QVERIFY(!editor->commands().insertNextPlaceholder());
        QCOMPARE(editor->valueEdit()->text(), u"Copie%d %s"_s);
        QCOMPARE(editor->statusField()->text(), u"The value holds every placeholder of the reference"_s);
        editor->hide();
    }

    // Help ▸ Keyboard Shortcuts lists the keys the README's table lists.
    void theKeysListedAreTheReadmes()
    {
        QFile readme(qEnvironmentVariable("GLOSSA_SOURCE_DIR") + u"/README.md"_s);
        QVERIFY(readme.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(readme.readAll());
        const qsizetype start = text.indexOf(u"| keys | what they do |"_s);
        QVERIFY(start >= 0);
        QStringList rows;
        for (const QString &line : text.mid(start).split(u'\n').mid(2)) {
            if (!line.startsWith(u'|'))
                break;
            rows << line;
        }
        QStringList listed;
        for (const auto &[keys, what] : EditorCommands::keyTable())
            listed << u"| %1 | %2 |"_s.arg(keys, what);
        QCOMPARE(listed, rows);
    }
};

QTEST_MAIN(TestEditorPlace)
#include "tst_editorplace.moc"
