#pragma once

#include "editor/EditSteps.h"
#include "model/Types.h"

#include <QObject>
#include <QSet>
#include <QString>
#include <QUndoStack>

#include <optional>
#include <utility>
#include <vector>

namespace Glossa {

class EditorOwner;
class EntryListModel;
struct EntryRow;
struct Finding;
class LanguageStore;

// What one editor run is about, apart from its window: the language and whether
// it may be written, the entry the fields show, the reference, the rows and the
// undo stack. The editor's parts are made from it; what they need the window to do
// they ask for through its signals, which the editor connects to its fields and
// status line.
class EditorSession : public QObject
{
    Q_OBJECT

public:
    // Longest value the Value field takes as text; a longer one is held whole, read-only, and never cut.
    static constexpr qsizetype LongValueLimit = 100000;

    explicit EditorSession(EditorOwner &owner, QObject *parent = nullptr);

    EditorOwner &owner() const { return m_owner; }
    LanguageStore &store() const;
    // The owner's rows the run's rows were copied from; null for a new language.
    const EntryListModel *sourceRows() const { return m_sourceRows; }
    void setSourceRows(const EntryListModel *rows) { m_sourceRows = rows; }
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
    void setReadOnlyReason(const QString &reason)
    {
        m_readOnlyReason = reason;
        Q_EMIT readOnlyChanged(reason);
    }
    const QString &readOnlyReason() const { return m_readOnlyReason; }
    bool isReadOnly() const { return !m_readOnlyReason.isEmpty(); }

    // The reference language the rows are compared with, by its display name; empty for none.
    const QString &referenceName() const { return m_referenceName; }
    void setReferenceName(const QString &displayName) { m_referenceName = displayName; }

    // The attribute whose entry the fields show.
    std::optional<AttributeId> shownEntry() const { return m_shownEntry; }
    void setShownEntry(std::optional<AttributeId> id) { m_shownEntry = id; }
    // What the Value field stands for (its text, or the whole of a value too long
    // for it), and whether such a long value is held read-only; the editor keeps both.
    const QString &fieldValue() const { return m_fieldValue; }
    bool isValueHeld() const { return m_valueHeld; }
    void setFieldValue(const QString &text, bool held)
    {
        m_fieldValue = text;
        m_valueHeld = held;
        Q_EMIT fieldValueChanged();
    }
    // Whether typing may change the Value field.
    bool canEditValue() const { return !isReadOnly() && !m_valueHeld; }

    // Rows whose English changed since an earlier release while their value still
    // follows the earlier text; a value applied clears the mark.
    bool isStale(AttributeId id) const { return m_stale.contains(id); }
    void setStale(AttributeId id, bool stale);
    void setStaleEntries(QSet<AttributeId> ids) { m_stale = std::move(ids); }
    int staleCount() const { return int(m_stale.size()); }

    // The engine's findings of a row against the reference shown.
    std::vector<Finding> findingsOf(const EntryRow &row) const;
    // A row's value, state and stale mark as they are now.
    EntrySnapshot snapshotOf(int row) const;

    // Every step of the run; clean when there is nothing to save (values restored
    // from the recovery journal, which are no step, leave it never clean).
    QUndoStack &undoStack() { return m_undo; }
    const QUndoStack &undoStack() const { return m_undo; }
    // True while an undo or a redo puts rows back and shows them: that is no step of its own.
    bool isReplaying() const { return m_replaying; }

    // Puts each row of changes as it was before them, or after; tells the views once.
    void restoreRows(const std::vector<RowChange> &changes, bool after);
    // Applies values to rows (by row) as Modify does, each checked against its
    // reference, as one undo step named by description.
    void applyValues(const std::vector<std::pair<int, QString>> &values, const QString &description);

    // Requests to the window.
    void say(const QString &text) { Q_EMIT statusRequested(text); }
    void showEntry(AttributeId id) { Q_EMIT showEntryRequested(id); }
    void setValueText(const QString &text) { Q_EMIT valueTextRequested(text); }
    void insertIntoValue(const QString &text) { Q_EMIT valueInsertRequested(text); }
    void applyShownValue() { Q_EMIT applyShownValueRequested(); }

    // Used by the steps while they replay.
    void beginReplay() { m_replaying = true; }
    void endReplay() { m_replaying = false; }

Q_SIGNALS:
    // The language was found to be read-only (or no longer is), and why.
    void readOnlyChanged(const QString &reason);
    // The Value field's text changed, typed or put there.
    void fieldValueChanged();
    // The why line's "Use It" came or went: lay the controls out again.
    void layoutRequested();
    // The filter lets other rows through: a search starts again from the top.
    void rowsShownChanged();
    // Say this in the status line.
    void statusRequested(const QString &text);
    // Show the entry of this attribute in the fields and select its row.
    void showEntryRequested(AttributeId id);
    // Put this text into the Value field, not applied, and give the field the focus.
    void valueTextRequested(const QString &text);
    // Put this text into the Value field at its cursor, not applied.
    void valueInsertRequested(const QString &text);
    // Apply the Value field's text to the entry shown, as Modify does.
    void applyShownValueRequested();
    // Rows are about to take these values: keep them shown while the filter lasts.
    void rowsRestoring(const std::vector<RowChange> &changes, bool after);
    // A step changed rows, as the recovery journal records it: each change goes
    // from its before to its after.
    void rowsChanged(JournalStepKind kind, const std::vector<RowChange> &changes);

private:
    EditorOwner &m_owner;
    EntryListModel *m_entries = nullptr;
    const EntryListModel *m_sourceRows = nullptr;
    QString m_languageName;
    bool m_isMaster = false;
    QString m_readOnlyReason;
    QString m_referenceName;
    std::optional<AttributeId> m_shownEntry;
    QString m_fieldValue;
    bool m_valueHeld = false;
    QSet<AttributeId> m_stale;
    QUndoStack m_undo;
    bool m_replaying = false;
};

} // namespace Glossa
