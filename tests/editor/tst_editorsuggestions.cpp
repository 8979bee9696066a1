#include "EditorFixture.h"

#include "editor/EditorSuggestions.h"
#include "editor/VuduzLanguageMapDlg.h"
#include "editor/VuduzListCtrl.h"
#include "model/Constants.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

using namespace Glossa;
using namespace TestSupport;

// The "Suggestions" panel of the real editor: matches of the translation memory
// into "Value", Apply to Same English with its undo, the concordance, and TMX
// files remembered for the product.
class TestEditorSuggestions : public QObject
{
    Q_OBJECT

    EditorFixture m_fixture;
    QTemporaryDir m_home;

    static QList<EditorFixture::Entry> entries()
    {
        return {{QStringLiteral("IDS_DEL1"), QStringLiteral("\"Supprimer l'appareil choisi\""), QStringLiteral("\"Delete the selected device\"")},
                {QStringLiteral("IDS_DEL2"), QStringLiteral(""), QStringLiteral("\"Delete the selected devices\"")},
                {QStringLiteral("IDS_CANCEL1"), QStringLiteral("Annuler"), QStringLiteral("Cancel")},
                {QStringLiteral("IDS_CANCEL2"), QStringLiteral(""), QStringLiteral("Cancel")},
                {QStringLiteral("IDS_CANCEL3"), QString(), QStringLiteral("Cancel")},
                {QStringLiteral("IDS_CANCEL4"), QStringLiteral("Abandon"), QStringLiteral("Cancel")},
                {QStringLiteral("IDS_FILE1"), QStringLiteral("\"Fichier %s\""), QStringLiteral("\"File %s\"")},
                {QStringLiteral("IDS_FILE2"), QStringLiteral(""), QStringLiteral("\"File %d\"")},
                {QStringLiteral("IDS_CLOSE"), QStringLiteral(""), QStringLiteral("\"Close the windows\"")}};
    }

    static int rowOf(CVuduzLanguageMapDlg &editor, const QString &key)
    {
        for (int row = 0; row < editor.entries()->rowCount(); ++row)
            if (editor.entries()->text(row, 0) == key)
                return row;
        return -1;
    }

    // Shows an entry and waits for the panel's answer about it.
    static bool show(CVuduzLanguageMapDlg &editor, const QString &key)
    {
        editor.ShowEntry(rowOf(editor, key));
        return QTest::qWaitFor([&] { return !editor.suggestions().isWorking(); }, 10000);
    }

    static QString value(CVuduzLanguageMapDlg &editor, const QString &key)
    {
        return editor.entries()->text(rowOf(editor, key), 1);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_STATE_HOME", m_home.filePath(QStringLiteral("state")).toLocal8Bit());
    }
    void init() { m_fixture.start(); }
    void cleanup() { QVERIFY2(m_fixture.finish().isEmpty(), "a message box came up unanswered"); }

    void matchesGoIntoTheValueFieldNotApplied()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        EditorSuggestions &panel = editor->suggestions();
        QCOMPARE(panel.accessibleName(), QStringLiteral("Suggestions"));
        // In view from the start, right of the list; F9 hides and shows it, and the choice is kept.
        QVERIFY(panel.isVisible());
        QVERIFY(panel.mapTo(editor.get(), QPoint()).x() > editor->entryList()->mapTo(editor.get(), QPoint()).x()
                                                              + editor->entryList()->width());
        QTest::keyClick(editor->valueEdit(), Qt::Key_F9);
        QVERIFY(!panel.isVisible());
        QTest::keyClick(editor->valueEdit(), Qt::Key_F9);
        QVERIFY(panel.isVisible());

        // One word's letter more: a fuzzy match, its extra word marked.
        QVERIFY(show(*editor, QStringLiteral("IDS_DEL2")));
        QCOMPARE(panel.matches().size(), size_t(1));
        QCOMPARE(panel.matches()[0].score, 96);
        QCOMPARE(panel.matchTable()->item(0, 3)->text(), QStringLiteral("this product: IDS_DEL1"));
        const auto *english = qobject_cast<QLabel *>(panel.matchTable()->cellWidget(0, 2));
        QVERIFY(english);
        QCOMPARE(english->text(), QStringLiteral("Delete the selected <b>device</b>"));
        QTest::keyClick(editor->valueEdit(), Qt::Key_1, Qt::ControlModifier);
        QCOMPARE(editor->valueEdit()->text(), QStringLiteral("Supprimer l'appareil choisi"));
        QCOMPARE(value(*editor, QStringLiteral("IDS_DEL2")), QString());
        QTest::keyClick(editor->valueEdit(), Qt::Key_2, Qt::ControlModifier); // no second match: nothing changes
        QCOMPARE(editor->valueEdit()->text(), QStringLiteral("Supprimer l'appareil choisi"));
        editor->valueEdit()->setText(QStringLiteral("Supprimer les appareils choisis"));
        QTest::keyClick(editor->valueEdit(), Qt::Key_Return);
        QCOMPARE(value(*editor, QStringLiteral("IDS_DEL2")), QStringLiteral("Supprimer les appareils choisis"));

        // Two translations of the same English, both 100; a translated entry's own value is never offered.
        QVERIFY(show(*editor, QStringLiteral("IDS_CANCEL4")));
        QCOMPARE(panel.matches().size(), size_t(1));
        QCOMPARE(panel.matches()[0].text, QStringLiteral("Annuler"));
        QCOMPARE(panel.sameEnglishLabel()->text(), QStringLiteral("Used by 3 other keys, 2 untranslated"));
        QVERIFY(show(*editor, QStringLiteral("IDS_CANCEL3")));
        QCOMPARE(panel.matches().size(), size_t(2));
        QCOMPARE(panel.matches()[0].score, 100);
        QCOMPARE(panel.matches()[1].score, 100);
        // A double click takes the second.
        const QRect second = panel.matchTable()->visualRect(panel.matchTable()->model()->index(1, 1));
        QVERIFY(panel.matchTable()->viewport()->rect().contains(second.center()));
        // As a real double click arrives: a press, then the double click.
        QTest::mousePress(panel.matchTable()->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(panel.matchTable()->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(editor->valueEdit()->text(), panel.matches()[1].text);

        // Stepping on before the answer comes: only the entry shown at the end is answered.
        editor->ShowEntry(rowOf(*editor, QStringLiteral("IDS_DEL2")));
        QVERIFY(show(*editor, QStringLiteral("IDS_CANCEL2")));
        QCOMPARE(panel.matches().size(), size_t(2));
        QCOMPARE(panel.matches()[0].source, QStringLiteral("Cancel"));

        // Placeholders that differ cost 10 points and carry the warning mark.
        QVERIFY(show(*editor, QStringLiteral("IDS_FILE2")));
        QCOMPARE(panel.matches().size(), size_t(1));
        QVERIFY(panel.matches()[0].placeholdersDiffer);
        QCOMPARE(panel.matches()[0].score, 73); // 83 for "File " and one placeholder of six, 10 off
        QVERIFY(panel.matchTable()->item(0, 0)->text().endsWith(QStringLiteral("\u26a0")));

        // A value applied is offered at once.
        QVERIFY(show(*editor, QStringLiteral("IDS_DEL1")));
        QCOMPARE(panel.matches().size(), size_t(1));
        QCOMPARE(panel.matches()[0].text, QStringLiteral("Supprimer les appareils choisis"));
        QVERIFY(show(*editor, QStringLiteral("IDS_CLOSE")));
        QVERIFY(panel.matches().empty());
        editor->hide();
        auto next = m_fixture.openEditor();
        QVERIFY(next && next->suggestions().isVisible());
        QTest::keyClick(next->valueEdit(), Qt::Key_F9);
        QVERIFY(!next->suggestions().isVisible());
        // The area takes the panel's room; the window keeps its size.
        QTRY_COMPARE(next->area()->width(), next->width());
        next->hide();
        auto hidden = m_fixture.openEditor();
        QVERIFY(hidden && !hidden->suggestions().isVisible());
        hidden->hide();
    }

    void applyToSameEnglishIsOneUndoStep()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        EditorSuggestions &panel = editor->suggestions();
        panel.setShown(true);
        QVERIFY(show(*editor, QStringLiteral("IDS_CANCEL1")));
        QVERIFY(panel.applySameButton()->isEnabled());
        QTest::keyClick(editor->valueEdit(), Qt::Key_Return, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL2")), QStringLiteral("Annuler"));
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL3")), QStringLiteral("Annuler"));
        QCOMPARE(editor->entries()->text(rowOf(*editor, QStringLiteral("IDS_CANCEL3")), 3), StatusModified);
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL4")), QStringLiteral("Abandon")); // translated: never changed
        QCOMPARE(panel.sameEnglishLabel()->text(), QStringLiteral("Used by 3 other keys, 0 untranslated"));
        QVERIFY(!panel.applySameButton()->isEnabled());
        editor->review().undo();
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL2")), QString());
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL3")), QString());
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL1")), QStringLiteral("Annuler"));

        // Typed and not applied: the button applies it to the entry shown first, as
        // its own step, then to the others; each checked as Modify checks it.
        QVERIFY(show(*editor, QStringLiteral("IDS_CANCEL2")));
        editor->valueEdit()->setText(QStringLiteral("Annuler %s"));
        QTest::mouseClick(panel.applySameButton(), Qt::LeftButton);
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL2")), QStringLiteral("Annuler %s"));
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL3")), QStringLiteral("Annuler %s"));
        QCOMPARE(editor->entries()->text(rowOf(*editor, QStringLiteral("IDS_CANCEL3")), 3), StatusError);
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL1")), QStringLiteral("Annuler"));
        editor->review().undo();
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL3")), QString());
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL2")), QStringLiteral("Annuler %s"));
        editor->review().undo();
        QCOMPARE(value(*editor, QStringLiteral("IDS_CANCEL2")), QString());
        editor->hide();
    }

    void concordanceFindsEnglishAndShowsTheEntry()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        EditorSuggestions &panel = editor->suggestions();
        panel.setShown(true);
        QVERIFY(QTest::qWaitFor([&] { return !panel.isWorking(); }, 10000));
        QTest::keyClicks(panel.concordanceField(), QStringLiteral("SELECTED dev"));
        QTRY_COMPARE(panel.concordanceTable()->rowCount(), 2);
        QCOMPARE(panel.concordanceTable()->item(0, 0)->text(), QStringLiteral("IDS_DEL1"));
        QCOMPARE(panel.concordanceTable()->item(0, 2)->text(), QStringLiteral("\"Supprimer l'appareil choisi\""));
        const QRect second = panel.concordanceTable()->visualRect(panel.concordanceTable()->model()->index(1, 0));
        QVERIFY(panel.concordanceTable()->viewport()->rect().contains(second.center()));
        QTest::mousePress(panel.concordanceTable()->viewport(), Qt::LeftButton, {}, second.center());
        QTest::mouseDClick(panel.concordanceTable()->viewport(), Qt::LeftButton, {}, second.center());
        QCOMPARE(editor->attributeEdit()->text(), QStringLiteral("IDS_DEL2"));
        editor->hide();
    }

    void memoriesAreRememberedForTheProduct()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        const QString tmx = m_fixture.tmp.filePath(QStringLiteral("agency.tmx"));
        QVERIFY(writeBytes(tmx, R"(<?xml version="1.0" encoding="UTF-8"?>
<tmx version="1.4"><header creationtool="t" creationtoolversion="1" segtype="phrase" o-tmf="t" adminlang="en-US" srclang="en-US" datatype="plaintext"/>
<body><tu><tuv xml:lang="en-US"><seg>Close the window</seg></tuv><tuv xml:lang="fr"><seg>Fermer la fenêtre</seg></tuv></tu>
<tu><tuv xml:lang="en-US"><seg>Close the window</seg></tuv><tuv xml:lang="de-DE"><seg>Fenster schließen</seg></tuv></tu></body></tmx>)"));
        const QString broken = m_fixture.tmp.filePath(QStringLiteral("broken.tmx"));
        QVERIFY(writeBytes(broken, "<tmx version=\"1.4\"><body>"));
        {
            auto editor = m_fixture.openEditor();
            QVERIFY(editor);
            EditorSuggestions &panel = editor->suggestions();
            panel.setShown(true);
            MessageBox::setNextAnswer(QMessageBox::Ok);
            panel.addMemory(broken);
            QVERIFY(QTest::qWaitFor([&] { return !panel.isWorking(); }, 10000));
            QCOMPARE(MessageBox::shownMessages().size(), 1);
            QVERIFY(panel.memoryFiles().isEmpty());
            // The file is read on the worker: the window goes on meanwhile.
            panel.addMemory(tmx);
            QVERIFY(panel.memoryFiles().isEmpty());
            QCOMPARE(editor->statusField()->text(), QStringLiteral("Reading \"agency.tmx\" into the translation memory\u2026"));
            QVERIFY(QTest::qWaitFor([&] { return !panel.isWorking(); }, 10000));
            QVERIFY2(editor->statusField()->text().contains(QStringLiteral("1 units of fr-FR (1 of other languages skipped)")),
                     qPrintable(editor->statusField()->text()));
            QVERIFY(show(*editor, QStringLiteral("IDS_CLOSE")));
            QCOMPARE(panel.matches().size(), size_t(1));
            QCOMPARE(panel.matches()[0].text, QStringLiteral("Fermer la fenêtre"));
            QCOMPARE(panel.matchTable()->item(0, 3)->text(), QStringLiteral("agency.tmx"));
            editor->hide();
        }
        // The next editor on the product has it, and its context menu can remove it.
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        EditorSuggestions &panel = editor->suggestions();
        QCOMPARE(panel.memoryFiles(), QStringList{QFileInfo(tmx).absoluteFilePath()});
        QVERIFY(show(*editor, QStringLiteral("IDS_CLOSE")));
        QCOMPARE(panel.matches().size(), size_t(1));
        QAction *remove = nullptr;
        for (QAction *action : editor->entryList()->actions())
            if (action->text() == QStringLiteral("Remove Translation Memory \"agency.tmx\" (1 units)"))
                remove = action;
        QVERIFY(remove);
        remove->trigger();
        QVERIFY(show(*editor, QStringLiteral("IDS_CLOSE")));
        QVERIFY(panel.matches().empty());
        editor->hide();
        auto again = m_fixture.openEditor();
        QVERIFY(again && again->suggestions().memoryFiles().isEmpty());
        again->hide();
    }

    void theEarlierReleaseFeedsTheMemory()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        const QString current = m_fixture.root;
        QVERIFY(m_fixture.makeProduct({{QStringLiteral("IDS_OLD"), QStringLiteral("\"Fermer la fenêtre\""),
                                        QStringLiteral("\"Close the window\"")}}));
        const QString earlier = m_fixture.root;
        QVERIFY(m_fixture.copyProduct(current, QStringLiteral("French (France)"), {QStringLiteral("English (United States)")}));
        auto editor = m_fixture.openEditor();
        QVERIFY(editor);
        editor->suggestions().setShown(true);
        QVERIFY(editor->exchange().compareWithEarlierRelease(earlier));
        QVERIFY(show(*editor, QStringLiteral("IDS_CLOSE")));
        QCOMPARE(editor->suggestions().matches().size(), size_t(1));
        QCOMPARE(editor->suggestions().matchTable()->item(0, 3)->text(), QStringLiteral("release ") + QFileInfo(earlier).fileName());
        editor->hide();
    }
};

QTEST_MAIN(TestEditorSuggestions)
#include "tst_editorsuggestions.moc"
