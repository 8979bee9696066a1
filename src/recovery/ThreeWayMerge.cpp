#include "recovery/ThreeWayMerge.h"

namespace Glossa {

namespace {

MergeValue lookup(const QHash<QString, QString> &values, const QString &key)
{
    const auto it = values.constFind(key);
    return it == values.cend() ? MergeValue() : MergeValue(it.value());
}

} // namespace

MergeOutcome mergeChanges(const QHash<QString, QString> &loaded, const QHash<QString, QString> &disk,
                          const std::vector<std::pair<QString, QString>> &mine)
{
    MergeOutcome outcome;
    for (const auto &[key, value] : mine) {
        const MergeValue base = lookup(loaded, key);
        const MergeValue theirs = lookup(disk, key);
        const MergeValue ours(value);
        if (theirs == ours)
            continue; // nothing to write: the disk holds it already
        if (ours == base)
            continue; // changed only on disk: the disk's value stays
        if (theirs == base) {
            outcome.writes.emplace_back(key, value);
            continue;
        }
        outcome.conflicts.push_back({key, base, theirs, value});
    }
    return outcome;
}

std::vector<std::pair<QString, QString>> resolvedWrites(const MergeOutcome &outcome, bool keepMine)
{
    std::vector<std::pair<QString, QString>> writes = outcome.writes;
    if (keepMine)
        for (const MergeConflict &conflict : outcome.conflicts)
            writes.emplace_back(conflict.key, conflict.mine);
    return writes;
}

} // namespace Glossa
