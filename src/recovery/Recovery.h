#pragma once

#include "recovery/Journal.h"
#include "recovery/ThreeWayMerge.h"

#include <QHash>
#include <QString>

#include <vector>

namespace Glossa {

// One journaled change as the recovery question lists it.
struct RecoveryChange
{
    QString key;
    QString fileValue;    // the value in the file now
    QString journalValue; // the value the journal holds
    bool typed = false;   // typed into "Value" but never applied
};

// What restoring a journal does to the language as it is on disk now.
struct RecoveryPlan
{
    bool fileChanged = false;               // the file is not what the journal's header says
    std::vector<JournalEntry> restore;      // rows to put back, in the order they were changed
    std::vector<MergeConflict> conflicts;   // changed in the file and, differently, in the journal
    std::optional<JournalPending> pending;  // typing never applied
    std::vector<RecoveryChange> changes;    // every journaled change and the typing, for "Show Changes"
};

// Plans a restore. disk holds the file's values now, as the file holds them
// (by key); now is the file's fingerprint. When the file is what the journal
// was started on, every journaled change is restored; when it changed, the
// journal's changes are merged with it key by key as a save merges: a key
// changed only in the file keeps the file's value, one changed in both is a
// conflict. Journal values are compared as a save would write them.
RecoveryPlan planRecovery(const JournalContents &journal, const FileFingerprint &now,
                          const QHash<QString, QString> &disk);

// The rows to restore once the conflicts are decided.
std::vector<JournalEntry> restoredEntries(const RecoveryPlan &plan, bool keepMine);

} // namespace Glossa
