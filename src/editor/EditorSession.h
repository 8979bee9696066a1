#pragma once

#include "editor/EditSteps.h"
#include "model/Types.h"

#include <QObject>
#include <QString>
#include <QUndoStack>

#include <optional>
#include <vector>

namespace Glossa {

class EditorOwner;
class EntryListModel;
class LanguageStore;

// What one editor run is about, apart from its window: the language and whether
// it may be written, the entry the fields show, the rows and the undo stack. The
// editor's helpers are given it; what they need the window to do they ask for
// through its signals, which the editor connects to its fields and status line.
class EditorSession : public QObject
{
    Q_OBJECT

public:
    explicit EditorSession(EditorOwner &owner, QObject *parent = nullptr);

    EditorOwner &owner() const { return m_owner; }
    LanguageStore &store() const;
    // The rows of the run; set once, before any step.
    EntryListModel &entries() const { return *m_entries; }
    void setEntries(EntryListModel &entries) { m_entries = &entries; }

    // The language edited, by its display name; the master is English (United States).
    void setLanguage(const QString &displayName);
    const QString &languageName() const { return m_languageName; }
    bool isMaster() const { return m_isMaster; }
    // The product folder the language belongs to.
    QString productDirectory() const;

    // A language opened read-only, and why; empty when it may be written.
    void setReadOnlyReason(const QString &reason) { m_readOnlyReason = reason; }
    const QString &readOnlyReason() const { return m_readOnlyReason; }
    bool isReadOnly() const { return !m_readOnlyReason.isEmpty(); }

    // The attribute whose entry the fields show.
    std::optional<AttributeId> shownEntry() const { return m_shownEntry; }
    void setShownEntry(std::optional<AttributeId> id) { m_shownEntry = id; }

    // Every step of the run; clean when nothing is left to save since the editor opened.
    QUndoStack &undoStack() { return m_undo; }
    const QUndoStack &undoStack() const { return m_undo; }
    // True while an undo or a redo puts rows back and shows them: that is no step of its own.
    bool isReplaying() const { return m_replaying; }

    // Puts each row of changes as it was before them, or after; tells the views once.
    void restoreRows(const std::vector<RowChange> &changes, bool after);

    // Used by the steps while they replay.
    void beginReplay() { m_replaying = true; }
    void endReplay() { m_replaying = false; }

Q_SIGNALS:
    // Say this in the status line.
    void statusRequested(const QString &text);
    // Show the entry of this attribute in the fields and select its row.
    void showEntryRequested(AttributeId id);
    // Put this text into the Value field, not applied.
    void valueTextRequested(const QString &text);
    // Rows are about to take these values: keep them shown and their stale marks right.
    void rowsRestoring(const std::vector<RowChange> &changes, bool after);
    // A step changed rows, as the recovery journal records it: each change goes
    // from its before to its after.
    void rowsChanged(JournalStepKind kind, const std::vector<RowChange> &changes);

private:
    EditorOwner &m_owner;
    EntryListModel *m_entries = nullptr;
    QString m_languageName;
    bool m_isMaster = false;
    QString m_readOnlyReason;
    std::optional<AttributeId> m_shownEntry;
    QUndoStack m_undo;
    bool m_replaying = false;
};

} // namespace Glossa
