// The editor's session and its undo steps, without a window: what a step does to
// the rows, what it asks the window for, and the undo stack's clean state.
#include "editor/EditorOwner.h"
#include "editor/EditorSession.h"
#include "editor/EntryListModel.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"

#include <QSignalSpy>
#include <QTest>

using namespace Glossa;
using namespace Qt::StringLiterals;

namespace {

class NoWindowOwner : public EditorOwner
{
public:
    LanguageStore store;
    LanguageStore &languageStore() override { return store; }
    const EntryListModel *entryRows() const override { return nullptr; }
    void ApplySavedValues(const LanguageValues &) override {}
    QWidget *ownerWindow() override { return nullptr; }
};

EntryRow row(AttributeId id, const QString &key, const QString &value)
{
    EntryRow r;
    r.id = id;
    r.cells = {key, value, u"English %1"_s.arg(id), QString()};
    return r;
}

RowChange change(AttributeId id, const QString &before, const QString &after)
{
    return {id, {before, QString(), false}, {after, StatusModified, true}};
}

} // namespace

class TestEditorSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        m_model = std::make_unique<EntryListModel>(
            QStringList{u"Attribute"_s, u"Value"_s, u"Reference"_s, u"Statue"_s});
        m_model->setStatusColumn(3);
        m_model->setRows({row(1, u"IDS_A"_s, u"a"_s), row(2, u"IDS_B"_s, QString()), row(3, u"IDS_C"_s, QString())});
        m_session = std::make_unique<EditorSession>(m_owner);
        m_session->setEntries(*m_model);
    }

    void anAppliedStepPutsItsRowsAndTakesThemBack()
    {
        EditorSession &session = *m_session;
        QSignalSpy status(&session, &EditorSession::statusRequested);
        QSignalSpy shown(&session, &EditorSession::showEntryRequested);
        QSignalSpy journal(&session, &EditorSession::rowsChanged);
        QSignalSpy restoring(&session, &EditorSession::rowsRestoring);

        // Pushed: the values go in, the journal hears of an import, nothing is shown or said.
        session.undoStack().push(new AppliedStep(session, {change(2, {}, u"b"_s), change(3, {}, u"c"_s)},
                                                 u"the import of de.xlf"_s, JournalStepKind::Import, false));
        QCOMPARE(m_model->text(1, 1), u"b"_s);
        QCOMPARE(m_model->text(2, 1), u"c"_s);
        QCOMPARE(m_model->text(2, 3), StatusModified);
        QCOMPARE(journal.size(), 1);
        QCOMPARE(journal.at(0).at(0).value<JournalStepKind>(), JournalStepKind::Import);
        QCOMPARE(restoring.size(), 1);
        QVERIFY(shown.isEmpty() && status.isEmpty());
        QVERIFY(!session.undoStack().isClean());

        session.undoStack().undo();
        QCOMPARE(m_model->text(1, 1), QString());
        QCOMPARE(m_model->text(2, 1), QString());
        QCOMPARE(m_model->text(2, 3), QString());
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.at(0).at(0).value<AttributeId>(), AttributeId(2));
        QCOMPARE(status.last().at(0).toString(), u"Undone: the import of de.xlf"_s);
        // The journal records the way back: each row from the step's after to its before.
        QCOMPARE(journal.last().at(0).value<JournalStepKind>(), JournalStepKind::Undo);
        const auto back = journal.last().at(1).value<std::vector<RowChange>>();
        QCOMPARE(back.front().before.value, u"b"_s);
        QCOMPARE(back.front().after.value, QString());
        // Stale marks go back with the rows: the window is told which to set.
        QCOMPARE(restoring.last().at(1).toBool(), false);
        QVERIFY(session.undoStack().isClean()); // back where the run began: nothing to save

        session.undoStack().redo();
        QCOMPARE(m_model->text(1, 1), u"b"_s);
        QCOMPARE(status.last().at(0).toString(), u"Redone: the import of de.xlf"_s);
        QCOMPARE(journal.last().at(0).value<JournalStepKind>(), JournalStepKind::Redo);
        QVERIFY(!session.isReplaying());
    }

    void aStepTheEditorAlreadyDidIsOnlyRecorded()
    {
        // Modify changes the row itself: pushing its step must not write the row
        // again (a row edited since would lose that edit) but must reach the journal.
        EditorSession &session = *m_session;
        QSignalSpy journal(&session, &EditorSession::rowsChanged);
        QSignalSpy restoring(&session, &EditorSession::rowsRestoring);
        m_model->setText(0, 1, u"edited again"_s);
        session.undoStack().push(
            new AppliedStep(session, {change(1, u"a"_s, u"A"_s)}, u"the value of IDS_A"_s, JournalStepKind::Apply, true));
        QCOMPARE(m_model->text(0, 1), u"edited again"_s);
        QCOMPARE(journal.size(), 1);
        QCOMPARE(journal.at(0).at(0).value<JournalStepKind>(), JournalStepKind::Apply);
        QVERIFY(restoring.isEmpty());
        session.undoStack().undo();
        QCOMPARE(m_model->text(0, 1), u"a"_s);
    }

    void discardedTypingComesBackWhileTheStepIsReplayed()
    {
        EditorSession &session = *m_session;
        QSignalSpy shown(&session, &EditorSession::showEntryRequested);
        QStringList texts;
        bool replayingWhenShown = false;
        connect(&session, &EditorSession::showEntryRequested, this,
                [&] { replayingWhenShown = session.isReplaying(); });
        connect(&session, &EditorSession::valueTextRequested, this, [&](const QString &text) { texts << text; });

        session.undoStack().push(new DiscardedTyping(session, 3, u"half typed"_s, u"the text typed for IDS_C"_s));
        QVERIFY(shown.isEmpty() && texts.isEmpty()); // already thrown away when pushed
        session.undoStack().undo();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(texts, QStringList{u"half typed"_s});
        // Showing the entry during the replay must not record the typing away as a new step.
        QVERIFY(replayingWhenShown);
        QVERIFY(!session.isReplaying());
        QCOMPARE(session.undoStack().count(), 1);
        session.undoStack().redo();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(texts.size(), 1);
    }

private:
    NoWindowOwner m_owner;
    std::unique_ptr<EntryListModel> m_model;
    std::unique_ptr<EditorSession> m_session;
};

QTEST_GUILESS_MAIN(TestEditorSession)
#include "tst_editorsession.moc"
