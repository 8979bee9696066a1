#include "recovery/Recovery.h"

#include "model/LanguageStore.h"

namespace Glossa {

RecoveryPlan planRecovery(const JournalContents &journal, const FileFingerprint &now,
                          const QHash<QString, QString> &disk)
{
    RecoveryPlan plan;
    plan.pending = journal.pending;
    plan.fileChanged = !now.sameContent(journal.header.loaded);
    std::vector<JournalEntry> marked;
    for (JournalEntry &entry : journal.finalEntries()) {
        if (!entry.marked)
            continue; // taken back to the file's value: nothing to restore
        plan.changes.push_back({entry.key, disk.value(entry.key), entry.value});
        marked.push_back(std::move(entry));
    }
    // The typing counts among the changes the question names, so it is listed with them.
    if (plan.pending && !plan.pending->key.isEmpty())
        plan.changes.push_back({plan.pending->key, disk.value(plan.pending->key), plan.pending->text, true});
    if (!plan.fileChanged) {
        plan.restore = std::move(marked);
        return plan;
    }
    QHash<QString, QString> loaded;
    std::vector<std::pair<QString, QString>> mine;
    QHash<QString, const JournalEntry *> byKey;
    loaded.reserve(qsizetype(marked.size()));
    mine.reserve(marked.size());
    for (const JournalEntry &entry : marked) {
        if (entry.loaded)
            loaded.insert(entry.key, *entry.loaded);
        mine.emplace_back(entry.key, LanguageStore::quotedForSaving(entry.value));
        byKey.insert(entry.key, &entry);
    }
    const MergeOutcome outcome = mergeChanges(loaded, disk, mine);
    for (const auto &[key, value] : outcome.writes)
        plan.restore.push_back(*byKey.value(key));
    for (MergeConflict conflict : outcome.conflicts) {
        // The row gets the journal's text as typed, not as the file would hold it.
        conflict.mine = byKey.value(conflict.key)->value;
        plan.conflicts.push_back(std::move(conflict));
    }
    return plan;
}

std::vector<JournalEntry> restoredEntries(const RecoveryPlan &plan, bool keepMine)
{
    std::vector<JournalEntry> entries = plan.restore;
    if (!keepMine)
        return entries;
    for (const MergeConflict &conflict : plan.conflicts)
        entries.push_back({conflict.key, conflict.loaded, conflict.mine, true});
    return entries;
}

} // namespace Glossa
