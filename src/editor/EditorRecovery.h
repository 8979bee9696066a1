#pragma once

#include "editor/EditSteps.h"
#include "model/Types.h"
#include "recovery/FileFingerprint.h"
#include "recovery/Journal.h"
#include "recovery/LanguageFileWatcher.h"
#include "recovery/LanguageLock.h"
#include "recovery/ThreeWayMerge.h"

#include <QHash>
#include <QMessageBox>
#include <QObject>
#include <QTimer>

#include <vector>

namespace Glossa {

class EditorSession;
class LanguageStore;
struct RecoveryPlan;

// That no work is lost while the editor is open: the language's lock (asking
// when another copy holds it), the recovery journal of every step and of the
// typing not yet applied, offering a journal's changes back, the watch on the
// file for changes from outside, and the merge at Save when there were some.
class EditorRecovery : public QObject
{
    Q_OBJECT

public:
    // The standard buttons the questions' own buttons stand for, as a test answers them.
    static constexpr QMessageBox::StandardButton RestoreAnswer = QMessageBox::Yes;
    static constexpr QMessageBox::StandardButton DiscardAnswer = QMessageBox::Discard;
    static constexpr QMessageBox::StandardButton ShowChangesAnswer = QMessageBox::Open;
    static constexpr QMessageBox::StandardButton OpenReadOnlyAnswer = QMessageBox::Open;
    static constexpr QMessageBox::StandardButton OpenAnywayAnswer = QMessageBox::Ignore;
    // Results of "Changed on Disk".
    enum ConflictChoice { CancelSave = 0, KeepMine = 1, TakeTheirs = 2 };
    // How long typing rests before it is journaled.
    static constexpr int TypingRestMs = 1000;

    // window: what its questions are shown over, and its parent.
    EditorRecovery(EditorSession &session, QWidget *window);
    // For the benchmarks' baseline only: editors opened while it is off take no
    // lock, journal nothing and watch nothing, as the editor did before.
    static void setEnabled(bool enabled);
    ~EditorRecovery() override;

    // At the start of the editor's run, its rows in place: takes the lock (asking
    // when another copy has the language), offers the changes of a journal back,
    // starts watching the file. False when the user chose Cancel.
    bool start();
    bool isReadOnly() const { return m_readOnly; }

    // After every step that changed rows, with the rows as they were before and after.
    void recordStep(JournalStepKind kind, const std::vector<RowChange> &rows);
    // The user typed into "Value"; the text is journaled once typing rests.
    void valueEdited();
    // The fields show another entry (the typing went to the undo history).
    void entryShown();

    // At Save, with the values to write: when the file changed on disk since it
    // was loaded, merges key by key and asks about conflicts. saveList becomes what
    // to write, applied what the owner's rows take. False when the user cancelled.
    bool mergeForSave(LanguageValues &saveList, LanguageValues &applied);
    // Whether the file's content is no longer what the editor loaded.
    bool fileChangedSinceLoaded() const;
    // How many of the values this side changed the last merge dropped for the
    // disk's ("Take Theirs"); 0 when none.
    int droppedValues() const { return m_droppedValues; }
    // The editor's run ends with its changes saved or dropped: the journal goes.
    void finish();
    // The run ends with values of this side dropped on purpose: the journal is
    // kept aside, never deleted, so they can be had back. Its new path, or empty.
    QString finishKeepingJournal();

    QString journalPath() const { return m_journalPath; }
    // Waits until every journaled step is in the journal file (a large one is written beside the editor).
    bool finishJournalWrites() { return m_journal.finishWriting(); }
    const LanguageLock &lock() const { return m_lock; }
    LanguageFileWatcher &watcher() { return m_watcher; }
    // The text the status line shows when the file changed on disk.
    QString changedOnDiskText() const;

private:
    bool askAboutLock();
    void offerJournal();
    bool restore(const JournalContents &journal, const RecoveryPlan &plan);
    void showChanges(const RecoveryPlan &plan);
    bool ensureJournal();
    void writePending();
    JournalEntry entryFor(const RowChange &change);
    std::optional<QString> loadedValue(AttributeId id) const;
    void takeFileValues(LanguageStore &store);
    QHash<QString, QString> diskValues();
    void report(const QString &text);
    void releaseLock();

    EditorSession &m_session;
    QWidget *m_window;
    QString m_filePath;
    QString m_journalPath;
    LanguageLock m_lock;
    LanguageFileWatcher m_watcher;
    FileFingerprint m_loaded;
    JournalWriter m_journal;
    QTimer m_typingTimer;
    bool m_readOnly = false;
    bool m_off = false;
    bool m_sharesLock = false;  // another editor of this process holds the language's lock
    QString m_countedLock;      // the lock this one holds, as counted in the process
    bool m_pendingWritten = false;
    int m_droppedValues = 0;
    // What the file held when the editor took its rows, as the file holds it;
    // an attribute without a line is absent (its row shows it empty).
    LanguageValues m_fileValues;
};

} // namespace Glossa
