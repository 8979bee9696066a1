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

// Whether two versions of a key hold the same value: both without a line, or
// both with a line of the same text ("Datei" and Datei are one value; no line
// and an empty line are not).
bool sameMergeValue(const MergeValue &a, const MergeValue &b);

// Merges the values this side wants to write (mine, in its order, as a save
// writes them) with the file as it is now (disk), key by key against the file
// as this side read it (loaded; a key without a line is absent):
// - a key the disk did not change is written as this side has it;
// - a key changed only on disk keeps the disk's line; this side changed nothing
//   when its text is the loaded one (a key without a line reads as empty);
// - the same new value on both sides is no conflict (nothing to write);
// - different new values on both sides are a conflict.
// Keys this side does not name keep whatever the disk holds.
MergeOutcome mergeChanges(const QHash<QString, QString> &loaded, const QHash<QString, QString> &disk,
                          const std::vector<std::pair<QString, QString>> &mine);

// The writes with every conflict decided for mine ("Keep Mine") or not ("Take Theirs").
std::vector<std::pair<QString, QString>> resolvedWrites(const MergeOutcome &outcome, bool keepMine);

} // namespace Glossa
