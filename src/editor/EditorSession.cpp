#include "editor/EditorSession.h"

#include "editor/EditorOwner.h"
#include "checks/CheckEngine.h"
#include "checks/PlaceholderCheck.h"
#include "editor/EditorSupport.h"
#include "editor/EntryListModel.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"

#include <QFileInfo>
#include <QHash>

namespace Glossa {

EditorSession::EditorSession(EditorOwner &owner, QObject *parent)
    : QObject(parent)
    , m_owner(owner)
{
}

LanguageStore &EditorSession::store() const
{
    return m_owner.languageStore();
}

void EditorSession::setLanguage(const QString &displayName)
{
    m_languageName = displayName;
    m_isMaster = LanguageStore::fileNameFor(displayName) == MasterLanguageFileName;
}

QString EditorSession::productDirectory() const
{
    return QFileInfo(store().directory()).absolutePath();
}

void EditorSession::setStale(AttributeId id, bool stale)
{
    if (stale)
        m_stale.insert(id);
    else
        m_stale.remove(id);
}

std::vector<Finding> EditorSession::findingsOf(const EntryRow &row) const
{
    // The why line also says why a row marked ERROR needs no change.
    static const CheckOptions explained = [] {
        CheckOptions options;
        options.explainMarks = true;
        return options;
    }();
    return checkValue(row.cells[1], row.cells[2], attributeIndexOf(row.id), m_languageName, m_isMaster, explained);
}

EntrySnapshot EditorSession::snapshotOf(int row) const
{
    return {m_entries->text(row, 1), m_entries->text(row, m_entries->statusColumn()), isStale(m_entries->itemData(row))};
}

void EditorSession::applyValues(const std::vector<std::pair<int, QString>> &values, const QString &description)
{
    std::vector<RowChange> rows;
    rows.reserve(values.size());
    for (const auto &[row, value] : values) {
        const AttributeId id = m_entries->itemData(row);
        EntrySnapshot after{value, CheckPlaceholders(value, m_entries->text(row, 2), id) ? StatusModified : StatusError,
                            false};
        rows.push_back({id, snapshotOf(row), std::move(after)});
    }
    if (!rows.empty())
        m_undo.push(new AppliedStep(*this, std::move(rows), description, JournalStepKind::Import, false));
}

void EditorSession::restoreRows(const std::vector<RowChange> &changes, bool after)
{
    if (changes.empty())
        return;
    Q_EMIT rowsRestoring(changes, after);
    for (const RowChange &change : changes)
        setStale(change.id, (after ? change.after : change.before).stale);
    const int status = m_entries->statusColumn();
    if (changes.size() == 1) {
        const RowChange &change = changes.front();
        const EntrySnapshot &snapshot = after ? change.after : change.before;
        const int row = m_entries->findRowById(change.id);
        m_entries->setText(row, 1, snapshot.value);
        m_entries->setText(row, status, snapshot.state);
        return;
    }
    QHash<AttributeId, const EntrySnapshot *> snapshots;
    snapshots.reserve(qsizetype(changes.size()));
    for (const RowChange &change : changes)
        snapshots.insert(change.id, after ? &change.after : &change.before);
    m_entries->updateRows([&](EntryRow &row) {
        if (const EntrySnapshot *snapshot = snapshots.value(row.id)) {
            row.cells[1] = snapshot->value;
            if (status >= 0)
                row.cells[size_t(status)] = snapshot->state;
        }
    });
}

AppliedStep::AppliedStep(EditorSession &session, std::vector<RowChange> rows, const QString &description,
                         JournalStepKind kind, bool alreadyDone)
    : QUndoCommand(description)
    , m_session(session)
    , m_rows(std::move(rows))
    , m_firstKind(kind)
    , m_done(alreadyDone)
{
}

void AppliedStep::redo()
{
    if (m_first) {
        // Pushed: the values go in (unless the editor put them there), with no
        // showing and no word in the status line; the journal records the step.
        m_first = false;
        if (!m_done)
            m_session.restoreRows(m_rows, true);
        Q_EMIT m_session.rowsChanged(m_firstKind, m_rows);
        return;
    }
    m_session.beginReplay();
    m_session.restoreRows(m_rows, true);
    if (!m_rows.empty())
        Q_EMIT m_session.showEntryRequested(m_rows.front().id);
    Q_EMIT m_session.rowsChanged(JournalStepKind::Redo, m_rows);
    m_session.endReplay();
    Q_EMIT m_session.statusRequested(QStringLiteral("Redone: ") + text());
}

void AppliedStep::undo()
{
    m_session.beginReplay();
    m_session.restoreRows(m_rows, false);
    if (!m_rows.empty())
        Q_EMIT m_session.showEntryRequested(m_rows.front().id);
    // Taken back: each row goes from the step's after to its before.
    std::vector<RowChange> back;
    back.reserve(m_rows.size());
    for (const RowChange &change : m_rows)
        back.push_back({change.id, change.after, change.before});
    Q_EMIT m_session.rowsChanged(JournalStepKind::Undo, back);
    m_session.endReplay();
    Q_EMIT m_session.statusRequested(QStringLiteral("Undone: ") + text());
}

DiscardedTyping::DiscardedTyping(EditorSession &session, AttributeId entry, QString text, const QString &description)
    : QUndoCommand(description)
    , m_session(session)
    , m_entry(entry)
    , m_text(std::move(text))
{
}

void DiscardedTyping::redo()
{
    if (std::exchange(m_first, false))
        return; // the text was already thrown away when the step was pushed
    m_session.beginReplay();
    Q_EMIT m_session.showEntryRequested(m_entry);
    m_session.endReplay();
    Q_EMIT m_session.statusRequested(QStringLiteral("Redone: ") + text());
}

void DiscardedTyping::undo()
{
    m_session.beginReplay();
    Q_EMIT m_session.showEntryRequested(m_entry);
    Q_EMIT m_session.valueTextRequested(m_text);
    m_session.endReplay();
    Q_EMIT m_session.statusRequested(QStringLiteral("Undone: ") + text());
}

} // namespace Glossa
