// The editor's parts made from a session alone, with no editor window: what they
// list for the entry shown, what they change, and what they ask the window to do.
#include "EditorFixture.h"

#include "editor/EditorExchange.h"
#include "editor/EditorFilterBar.h"
#include "editor/EditorGlossary.h"
#include "editor/EditorRecovery.h"
#include "editor/EditorReview.h"
#include "editor/EditorSaving.h"
#include "editor/EditorSession.h"
#include "editor/EditorSuggestions.h"
#include "editor/EntryListModel.h"
#include "editor/VuduzListCtrl.h"
#include "model/Constants.h"
#include "model/LocaleCatalogue.h"
#include "platform/MessageBox.h"
#include "recovery/Journal.h"

#include <QSignalSpy>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

using namespace Glossa;
using namespace TestSupport;

class TestEditorParts : public QObject
{
    Q_OBJECT

    EditorFixture m_fixture;
    QTemporaryDir m_home;
    std::unique_ptr<EntryListModel> m_rows;
    std::unique_ptr<EditorSession> m_session;

    // A session on the fixture's language, its rows beside the English, as the editor fills them.
    EditorSession &openSession(const QString &language)
    {
        LanguageStore &store = m_fixture.owner->store;
        LanguageValues english;
        RedundantKeySet unused;
        store.LoadLanguageFile(QStringLiteral("English (United States)"), english, unused);
        std::vector<EntryRow> rows;
        for (const EntryRow &source : m_fixture.owner->rows.rows()) {
            EntryRow row = source;
            row.cells[2] = english.value(source.id);
            rows.push_back(std::move(row));
        }
        m_rows = std::make_unique<EntryListModel>(
            QStringList{QStringLiteral("Attribute"), QStringLiteral("Value"), QStringLiteral("Reference"), QStringLiteral("Statue")});
        m_rows->setStatusColumn(3);
        m_rows->setRows(std::move(rows));
        m_session = std::make_unique<EditorSession>(*m_fixture.owner);
        m_session->setEntries(*m_rows);
        m_session->setLanguage(language);
        m_session->setReferenceName(QStringLiteral("English (United States)"));
        return *m_session;
    }

    // What the editor does when it shows an entry: the session learns it, then the sections.
    AttributeId show(const QString &key)
    {
        for (const EntryRow &row : m_rows->rows())
            if (row.cells[0] == key) {
                m_session->setShownEntry(row.id);
                m_session->setFieldValue(row.cells[1], false);
                return row.id;
            }
        return 0;
    }

    QString valueOf(const QString &key) const
    {
        for (const EntryRow &row : m_rows->rows())
            if (row.cells[0] == key)
                return row.cells[1];
        return {};
    }

    static QList<EditorFixture::Entry> entries()
    {
        return {{QStringLiteral("IDS_DEL1"), QStringLiteral("\"Supprimer l'appareil choisi\""), QStringLiteral("\"Delete the selected device\"")},
                {QStringLiteral("IDS_DEL2"), QStringLiteral(""), QStringLiteral("\"Delete the selected devices\"")},
                {QStringLiteral("IDS_CANCEL1"), QStringLiteral("Annuler"), QStringLiteral("Cancel")},
                {QStringLiteral("IDS_CANCEL2"), QStringLiteral(""), QStringLiteral("Cancel")},
                {QStringLiteral("IDS_CANCEL3"), QString(), QStringLiteral("Cancel")}};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("XDG_DATA_HOME", m_home.filePath(QStringLiteral("data")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral("config")).toLocal8Bit());
    }
    void init() { m_fixture.start(); }
    void cleanup()
    {
        m_session.reset();
        m_rows.reset();
        QVERIFY2(m_fixture.finish().isEmpty(), "a message box came up unanswered");
    }

    void theGlossaryListsTermsAndAsksForInsertions()
    {
        QVERIFY(m_fixture.copyProduct(demoProductDir(), QStringLiteral("German (Germany)"),
                                      {QStringLiteral("English (United States)")}));
        EditorSession &session = openSession(QStringLiteral("German (Germany)"));
        EditorGlossary glossary(session);
        QSignalSpy inserted(&session, &EditorSession::valueInsertRequested);
        QSignalSpy said(&session, &EditorSession::statusRequested);
        glossary.start();
        QVERIFY(QTest::qWaitFor([&] { return glossary.isLoaded(); }, 10000));

        // Hidden, the section builds nothing; in view, it lists the entry's terms.
        show(QStringLiteral("IDS_SYSTEM_REBOOT"));
        glossary.entryShown();
        QCOMPARE(glossary.table()->rowCount(), 0);
        glossary.panelShown(true);
        QCOMPARE(glossary.table()->rowCount(), 1);
        QCOMPARE(glossary.table()->item(0, 2)->text(), QStringLiteral("Neustart"));
        QVERIFY(glossary.whyParts(QStringLiteral("IDS_SYSTEM_REBOOT"), QStringLiteral("Neu starten")).join(u' ').contains(
            QStringLiteral("reboot")));

        QVERIFY(glossary.insertTerm(0));
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted.at(0).at(0).toString(), QStringLiteral("Neustart"));
        // Read-only, nothing is inserted and the status line says why.
        session.setReadOnlyReason(QStringLiteral("held by another copy"));
        QVERIFY(!glossary.insertTerm(0));
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(said.last().at(0).toString(), QStringLiteral("The glossary lists no term 1 for this entry"));
    }

    void suggestionsOfferMatchesAndApplyToTheSameEnglish()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        EditorSession &session = openSession(QStringLiteral("French (France)"));
        EditorSuggestions panel(session);
        QSignalSpy shown(&panel, &EditorSuggestions::shownChanged);
        QSignalSpy valueText(&session, &EditorSession::valueTextRequested);
        QSignalSpy said(&session, &EditorSession::statusRequested);
        panel.start();
        // In view unless hidden last time: the window is asked to show the panel.
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).at(0).toBool(), true);

        show(QStringLiteral("IDS_DEL2"));
        panel.entryShown();
        QVERIFY(QTest::qWaitFor([&] { return !panel.isWorking() && !panel.matches().empty(); }, 10000));
        QCOMPARE(panel.matches()[0].text, QStringLiteral("Supprimer l'appareil choisi"));
        QVERIFY(panel.useSuggestion(0));
        QCOMPARE(valueText.size(), 1);
        QCOMPARE(valueText.at(0).at(0).toString(), QStringLiteral("Supprimer l'appareil choisi"));
        QCOMPARE(valueOf(QStringLiteral("IDS_DEL2")), QString()); // offered, never applied

        // Typing not applied is applied first, through the window; then the untranslated
        // entries with the same English get the value, as one undo step.
        show(QStringLiteral("IDS_CANCEL1"));
        session.setFieldValue(QStringLiteral("Annuler !"), false);
        int applyAsked = 0;
        connect(&session, &EditorSession::applyShownValueRequested, this, [&] {
            ++applyAsked;
            m_rows->setText(m_rows->findRowById(*session.shownEntry()), 1, session.fieldValue());
        });
        panel.entryShown();
        QVERIFY(QTest::qWaitFor([&] { return !panel.isWorking(); }, 10000));
        QCOMPARE(panel.applyToSameEnglish(), 2);
        QCOMPARE(applyAsked, 1);
        QCOMPARE(valueOf(QStringLiteral("IDS_CANCEL2")), QStringLiteral("Annuler !"));
        QCOMPARE(valueOf(QStringLiteral("IDS_CANCEL3")), QStringLiteral("Annuler !"));
        QCOMPARE(session.undoStack().count(), 1);
        QVERIFY(said.last().at(0).toString().startsWith(QStringLiteral("Applied to 2 other entries")));
        session.undoStack().undo();
        QCOMPARE(valueOf(QStringLiteral("IDS_CANCEL2")), QString());
        QCOMPARE(valueOf(QStringLiteral("IDS_CANCEL1")), QStringLiteral("Annuler !")); // not the panel's step
    }

    void exchangeImportsAsOneStepAndExportsWhatTheFilterShows()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        EditorSession &session = openSession(QStringLiteral("French (France)"));
        EditorExchange exchange(session, nullptr);
        QSignalSpy shown(&session, &EditorSession::showEntryRequested);
        QSignalSpy said(&session, &EditorSession::statusRequested);
        const QString csv = m_fixture.tmp.filePath(QStringLiteral("in.csv"));
        QVERIFY(writeBytes(csv, QByteArray("key,value\r\nIDS_CANCEL2,Annuler\r\nIDS_DEL2,Supprimer %s\r\n")));

        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(exchange.importFile(csv));
        QCOMPARE(valueOf(QStringLiteral("IDS_CANCEL2")), QStringLiteral("Annuler"));
        QCOMPARE(session.undoStack().count(), 1);
        QCOMPARE(said.last().at(0).toString(), QStringLiteral("2 entries changed by \"in.csv\", 1 of them marked ERROR: "
                                                              "their placeholders differ from the reference."));
        QCOMPARE(shown.size(), 1); // the first changed row, in catalogue order
        QCOMPARE(m_rows->text(m_rows->findRowById(shown.at(0).at(0).value<AttributeId>()), 0), QStringLiteral("IDS_DEL2"));
        session.undoStack().undo();
        QCOMPARE(valueOf(QStringLiteral("IDS_CANCEL2")), QString());

        // Read-only, a file is refused whole and no row changes.
        session.setReadOnlyReason(QStringLiteral("held by another copy"));
        MessageBox::setNextAnswer(QMessageBox::Ok);
        QVERIFY(!exchange.importFile(csv));
        QVERIFY(MessageBox::shownMessages().last().contains(QStringLiteral("read-only. held by another copy.")));
        QCOMPARE(valueOf(QStringLiteral("IDS_CANCEL2")), QString());

        // Export writes the rows the filter lets through, beside the session's reference.
        exchange.setRowShownTest([this](int row) { return m_rows->text(row, 0).startsWith(QStringLiteral("IDS_CANCEL")); });
        const QString out = m_fixture.tmp.filePath(QStringLiteral("out.xlf"));
        QVERIFY(exchange.exportFile(out));
        const QByteArray xliff = readBytes(out);
        QVERIFY(xliff.contains("IDS_CANCEL1") && xliff.contains("IDS_CANCEL3"));
        QVERIFY(!xliff.contains("IDS_DEL1"));
        QVERIFY(xliff.contains("source-language=\"en-US\""));
        QCOMPARE(said.last().at(0).toString(), QStringLiteral("Exported 3 entries to out.xlf"));
    }

    void recoveryJournalsStepsAndTypingAndRestoresThem()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        const QByteArray loaded = readBytes(m_fixture.languageFile());
        QString journalPath;
        {
            EditorSession &session = openSession(QStringLiteral("French (France)"));
            EditorRecovery recovery(session, nullptr);
            QVERIFY(recovery.start());
            journalPath = recovery.journalPath();
            session.applyValues({{m_rows->findRowById(show(QStringLiteral("IDS_CANCEL2"))), QStringLiteral("Annuler")}},
                                QStringLiteral("the import of x.csv"));
            // Typing that rests is journaled as pending, never applied.
            show(QStringLiteral("IDS_DEL2"));
            recovery.entryShown();
            session.setFieldValue(QStringLiteral("Supprimer les"), false);
            JournalContents contents;
            QTRY_VERIFY(readJournal(journalPath, contents) && contents.pending);
            QCOMPARE(contents.steps.size(), size_t(1));
            QCOMPARE(contents.pending->text, QStringLiteral("Supprimer les"));
            // The run ends as a crash ends it: no finish, the journal stays.
        }
        QCOMPARE(readBytes(m_fixture.languageFile()), loaded);
        QVERIFY(QFile::exists(journalPath));

        EditorSession &session = openSession(QStringLiteral("French (France)"));
        QSignalSpy shown(&session, &EditorSession::showEntryRequested);
        QSignalSpy typed(&session, &EditorSession::valueTextRequested);
        EditorRecovery recovery(session, nullptr);
        MessageBox::setNextAnswer(EditorRecovery::RestoreAnswer);
        QVERIFY(recovery.start());
        QVERIFY(MessageBox::shownMessages().last().contains(QStringLiteral("French (France) has 2 unsaved changes")));
        QCOMPARE(valueOf(QStringLiteral("IDS_CANCEL2")), QStringLiteral("Annuler"));
        QCOMPARE(m_rows->text(m_rows->findRowById(show(QStringLiteral("IDS_CANCEL2"))), 3), StatusModified);
        // The typing goes back into the field of its entry, through the window.
        QCOMPARE(shown.size(), 1);
        QCOMPARE(m_rows->text(m_rows->findRowById(shown.at(0).at(0).value<AttributeId>()), 0), QStringLiteral("IDS_DEL2"));
        QCOMPARE(typed.at(0).at(0).toString(), QStringLiteral("Supprimer les"));
        QCOMPARE(readBytes(m_fixture.languageFile()), loaded);
        QVERIFY(!session.undoStack().isClean()); // restored values are to save, though no step
        recovery.finish();
        QVERIFY(!QFile::exists(journalPath));
    }

    void savingAsksAboutErrorsAndWritesOnlyWhenTold()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        const QByteArray loaded = readBytes(m_fixture.languageFile());
        EditorSession &session = openSession(QStringLiteral("French (France)"));
        m_session->setSourceRows(&m_fixture.owner->rows);
        EditorRecovery recovery(session, nullptr);
        QVERIFY(recovery.start());
        const AttributeId broken = show(QStringLiteral("IDS_DEL2")); // its English has no %s
        session.applyValues({{m_rows->findRowById(broken), QStringLiteral("Supprimer %s")},
                             {m_rows->findRowById(show(QStringLiteral("IDS_CANCEL2"))), QStringLiteral("Annuler")}},
                            QStringLiteral("the import of x.csv"));
        QSignalSpy shown(&session, &EditorSession::showEntryRequested);

        // No at the format question: nothing is written, the row in question is shown.
        MessageBox::setNextAnswer(QMessageBox::No);
        EditorSaving saving(session, recovery, nullptr);
        QVERIFY(!saving.save());
        QVERIFY(MessageBox::shownMessages().last().contains(QStringLiteral("Attribute: IDS_DEL2 .Translate format error!")));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).at(0).value<AttributeId>(), broken);
        QCOMPARE(readBytes(m_fixture.languageFile()), loaded);
        QVERIFY(m_fixture.owner->applied.isEmpty());

        // Yes: both values are written and handed back to the owner.
        MessageBox::setNextAnswer(QMessageBox::Yes);
        QVERIFY(saving.save());
        const QByteArray saved = readBytes(m_fixture.languageFile());
        QVERIFY(QString::fromUtf16(reinterpret_cast<const char16_t *>(saved.constData() + 2), (saved.size() - 2) / 2)
                    .contains(QStringLiteral("IDS_CANCEL2=\"Annuler\"")));
        QCOMPARE(m_fixture.owner->applied.size(), 1);
        QCOMPARE(m_fixture.owner->applied.front().size(), 2);
        QCOMPARE(saving.droppedValueCount(), 0);
        QVERIFY(!QFile::exists(recovery.journalPath()));
    }

    void reviewTakesTypingBackBeforeStepsAndSaysWhy()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        EditorSession &session = openSession(QStringLiteral("French (France)"));
        QWidget area;
        EditorReview review(session, &area);
        review.createWhyField();
        QSignalSpy typed(&session, &EditorSession::valueTextRequested);
        QSignalSpy said(&session, &EditorSession::statusRequested);

        review.undo();
        QCOMPARE(said.last().at(0).toString(), QStringLiteral("Nothing to undo"));
        const AttributeId id = show(QStringLiteral("IDS_DEL2"));
        session.applyValues({{m_rows->findRowById(id), QStringLiteral("Supprimer %s")}}, QStringLiteral("the value of IDS_DEL2"));
        // The engine's finding and typing not applied, in the why line.
        session.setFieldValue(QStringLiteral("Supprimer tout"), false);
        review.updateWhy();
        QVERIFY2(review.whyField()->text().startsWith(QStringLiteral("Not applied: Enter applies it; ")),
                 qPrintable(review.whyField()->text()));
        QVERIFY(review.whyField()->text().contains(QStringLiteral("%s")));

        // Typing goes first: the field gets the applied value back, the step stays.
        review.undo();
        QCOMPARE(typed.last().at(0).toString(), QStringLiteral("Supprimer %s"));
        QCOMPARE(said.last().at(0).toString(), QStringLiteral("Typing taken back: Ctrl+Shift+Z puts it back"));
        QVERIFY(review.canUndo());
        session.setFieldValue(QStringLiteral("Supprimer %s"), false); // what the window does with the request
        review.redo();
        QCOMPARE(typed.last().at(0).toString(), QStringLiteral("Supprimer tout"));
        // Then the step itself.
        session.setFieldValue(QStringLiteral("Supprimer %s"), false);
        review.undo();
        QCOMPARE(valueOf(QStringLiteral("IDS_DEL2")), QString());
        QCOMPARE(said.last().at(0).toString(), QStringLiteral("Undone: the value of IDS_DEL2"));
        QVERIFY(!review.canUndo() && review.canRedo());
    }

    void whyLineSaysWhyAnErrorMarkNeedsNoChange()
    {
        // The editor marks a date written in the language's order ERROR, as it always
        // has; the check finds no fault in it, and the why line says so.
        // (The first attribute takes the brace rule, so the date is the second.)
        QVERIFY(m_fixture.makeProduct({{QStringLiteral("IDS_TITLE"), QStringLiteral("Titre"), QStringLiteral("Title")},
                                       {QStringLiteral("IDS_DATE"), QStringLiteral(""), QStringLiteral("\"%b %e\"")}}));
        EditorSession &session = openSession(QStringLiteral("French (France)"));
        QWidget area;
        EditorReview review(session, &area);
        review.createWhyField();
        const AttributeId id = show(QStringLiteral("IDS_DATE"));
        session.applyValues({{m_rows->findRowById(id), QStringLiteral("\"%e %B\"")}}, QStringLiteral("the date"));
        session.setFieldValue(QStringLiteral("\"%e %B\""), false);
        review.updateWhy();
        QVERIFY2(review.whyField()->text().startsWith(QStringLiteral("marked ERROR, but nothing to change: %B: ")),
                 qPrintable(review.whyField()->text()));
        QVERIFY(review.whyField()->text().contains(QStringLiteral("the language's own order")));
    }

    void filterBarNarrowsTheListAndStepsThroughIt()
    {
        QVERIFY(m_fixture.makeProduct(entries()));
        EditorSession &session = openSession(QStringLiteral("French (France)"));
        QWidget area;
        CVuduzListCtrl list({QStringLiteral("Attribute"), QStringLiteral("Value"), QStringLiteral("Reference"),
                             QStringLiteral("Statue")},
                            &area);
        list.setStatusColumn(3);
        list.entryModel()->setRows(m_rows->rows());
        session.setEntries(*list.entryModel());
        EditorFilterBar bar(session, &list, &area);
        QSignalSpy shown(&session, &EditorSession::showEntryRequested);
        QSignalSpy said(&session, &EditorSession::statusRequested);

        bar.showCombo()->setCurrentIndex(1); // Untranslated
        bar.applyFilter();
        QCOMPARE(bar.shownEntriesField()->text(), QStringLiteral("Showing 3 of 5"));
        QVERIFY(!list.isRowShown(0));
        // Ctrl+J asks the window to show each untranslated entry in turn, and says when it wraps.
        QVERIFY(bar.showNextUntranslated(true) >= 0);
        QCOMPARE(list.entryModel()->text(list.entryModel()->findRowById(shown.last().at(0).value<AttributeId>()), 0),
                 QStringLiteral("IDS_DEL2"));
        list.setSelectionMark(list.entryModel()->findRowById(show(QStringLiteral("IDS_CANCEL3"))));
        bar.showNextUntranslated(true);
        QCOMPARE(said.last().at(0).toString(), QStringLiteral("Passed the end of the list: went on from the top"));
        bar.filterEdit()->setText(QStringLiteral("nothing like it"));
        QCOMPARE(bar.shownEntriesField()->text(), QStringLiteral("Showing 0 of 5"));
    }
};

QTEST_MAIN(TestEditorParts)
#include "tst_editorparts.moc"
