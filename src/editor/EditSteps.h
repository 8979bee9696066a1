#pragma once

#include "model/Types.h"
#include "recovery/Journal.h"

#include <QString>
#include <QUndoCommand>

#include <vector>

namespace Glossa {

class EditorSession;

// A row's value, state and stale mark at one moment.
struct EntrySnapshot
{
    QString value;
    QString state;
    bool stale = false;

    bool operator==(const EntrySnapshot &) const = default;
};

// One row that a step changed.
struct RowChange
{
    AttributeId id = 0;
    EntrySnapshot before;
    EntrySnapshot after;
};

// Values applied to rows: one for Modify or Enter, many for an import or Apply to
// Same English. Pushed on the session's undo stack, it puts its rows as they are
// after it (unless the editor already did), and undo puts them back as they were.
// The text is what the status line names the step by ("the value of IDS_OPEN").
class AppliedStep : public QUndoCommand
{
public:
    // alreadyDone: the rows already hold the values (Modify changed them itself).
    // kind: how the journal records the step the first time (Apply or Import).
    AppliedStep(EditorSession &session, std::vector<RowChange> rows, const QString &description, JournalStepKind kind,
                bool alreadyDone);

    void undo() override;
    void redo() override;
    const std::vector<RowChange> &rows() const { return m_rows; }

private:
    EditorSession &m_session;
    std::vector<RowChange> m_rows;
    JournalStepKind m_firstKind;
    bool m_done;
    bool m_first = true;
};

// Text typed into the Value field and never applied, which showing another entry
// threw away: undo shows its entry with the text back in the field.
class DiscardedTyping : public QUndoCommand
{
public:
    DiscardedTyping(EditorSession &session, AttributeId entry, QString text, const QString &description);

    void undo() override;
    void redo() override;

private:
    EditorSession &m_session;
    AttributeId m_entry;
    QString m_text;
    bool m_first = true;
};

} // namespace Glossa
