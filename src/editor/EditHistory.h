#pragma once

#include "model/Types.h"

#include <QString>

#include <vector>

namespace Glossa {

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

// What the user did, as the editor's undo takes it back: values applied to rows
// (one for Modify or Enter, many for an import), or text typed into the Value
// field that showing another entry threw away.
struct EditStep
{
    enum class Kind { Applied, Discarded };

    Kind kind = Kind::Applied;
    // Applied: every row the step changed, in the order it changed them.
    std::vector<RowChange> rows;
    // Discarded: the entry the text was typed for, and the text.
    AttributeId entry = 0;
    QString typedText;
    // What the status line names the step by ("the value of IDS_OPEN", "the import of de.xlf").
    QString description;
};

// The steps of one editor run, with the place between those done and those undone.
// Recording a step drops the undone ones, as in every editor.
class EditHistory
{
public:
    void record(EditStep step)
    {
        m_steps.resize(m_done);
        m_steps.push_back(std::move(step));
        m_done = m_steps.size();
    }
    // The step to take back, moved to the undone side; null when there is none.
    const EditStep *undo() { return m_done == 0 ? nullptr : &m_steps[--m_done]; }
    // The step to do again, moved to the done side; null when there is none.
    const EditStep *redo() { return m_done == m_steps.size() ? nullptr : &m_steps[m_done++]; }
    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_steps.size(); }

private:
    std::vector<EditStep> m_steps;
    size_t m_done = 0;
};

} // namespace Glossa
