#pragma once

#include <QString>

class QWidget;

namespace Glossa {

class EditorRecovery;
class EditorSession;

// Leaving the editor: "Save" asks about the marked rows that may break the
// product, writes them in one save and hands them back to the owner; "Cancel"
// asks before changes are left unsaved. Each says whether the run is over; the
// questions are shown over window.
class EditorSaving
{
public:
    EditorSaving(EditorSession &session, EditorRecovery &recovery, QWidget *window)
        : m_session(session)
        , m_recovery(recovery)
        , m_window(window)
    {
    }

    // True when the file holds the saved values and the run may end.
    bool save();
    // True when the run may end without saving.
    bool cancel();

    // After a save that took the disk's values over some of this run's ("Take
    // Theirs"): how many, and where their journal was kept aside.
    int droppedValueCount() const { return m_dropped; }
    const QString &keptJournalPath() const { return m_keptJournal; }

private:
    EditorSession &m_session;
    EditorRecovery &m_recovery;
    QWidget *m_window;
    int m_dropped = 0;
    QString m_keptJournal;
};

} // namespace Glossa
