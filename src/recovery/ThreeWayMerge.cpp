#include "recovery/ThreeWayMerge.h"

namespace Glossa {

namespace {

MergeValue lookup(const QHash<QString, QString> &values, const QString &key)
{
    const auto it = values.constFind(key);
    return it == values.cend() ? MergeValue() : MergeValue(it.value());
}

// The text the product reads from a line: the value without one pair of enclosing quotes.
QStringView textOf(QStringView held)
{
    if (held.size() >= 2 && held.front() == u'"' && held.back() == u'"')
        return held.sliced(1, held.size() - 2);
    return held;
}

} // namespace

bool sameMergeValue(const MergeValue &a, const MergeValue &b)
{
    if (!a || !b)
        return !a && !b;
    return textOf(*a) == textOf(*b);
}

MergeOutcome mergeChanges(const QHash<QString, QString> &loaded, const QHash<QString, QString> &disk,
                          const std::vector<std::pair<QString, QString>> &mine)
{
    MergeOutcome outcome;
    for (const auto &[key, value] : mine) {
        const MergeValue base = lookup(loaded, key);
        const MergeValue theirs = lookup(disk, key);
        if (sameMergeValue(theirs, base)) {
            // Untouched on disk: this side's value is written (unless the disk holds it already).
            if (theirs != MergeValue(value))
                outcome.writes.emplace_back(key, value);
            continue;
        }
        // A row shows a key without a line as an empty value: leaving it empty changes nothing here.
        if (textOf(value) == textOf(base.value_or(QString())))
            continue; // changed only on disk: the disk's line stays as it is
        if (sameMergeValue(theirs, MergeValue(value)))
            continue; // the same new value on both sides
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
