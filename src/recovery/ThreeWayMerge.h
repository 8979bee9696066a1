#pragma once

#include <QHash>
#include <QString>

#include <optional>
#include <utility>
#include <vector>

namespace Glossa {

// A key's value in one version of a file; none when that version lacks the key.
using MergeValue = std::optional<QString>;

// A key changed here and, differently, in the file on disk.
struct MergeConflict
{
    QString key;
    MergeValue loaded; // the file as it was read
    MergeValue disk;   // the file as it is now
    QString mine;      // what this side wants to write
};

struct MergeOutcome
{
    std::vector<std::pair<QString, QString>> writes; // key, value: mine wins, no conflict
    std::vector<MergeConflict> conflicts;            // to be decided by the user
};

// Merges the values this side wants to write (mine, in its order) with the file
// as it is now, key by key against the file as it was read. Values are compared
// as the file holds them:
// - a key changed only on disk keeps the disk's value (nothing written);
// - a key changed only here is written;
// - the same new value on both sides is no conflict (nothing to write);
// - different new values on both sides are a conflict.
// Keys this side does not name keep whatever the disk holds.
MergeOutcome mergeChanges(const QHash<QString, QString> &loaded, const QHash<QString, QString> &disk,
                          const std::vector<std::pair<QString, QString>> &mine);

// The writes with every conflict decided for mine ("Keep Mine") or not ("Take Theirs").
std::vector<std::pair<QString, QString>> resolvedWrites(const MergeOutcome &outcome, bool keepMine);

} // namespace Glossa
