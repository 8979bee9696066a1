#pragma once

#include <QByteArray>
#include <QString>

class QFileDevice;

namespace Glossa {

// The few system calls that make writes survive a crash or a power cut, and
// that tell whether a process still runs. Elsewhere they are no-ops that
// report success, so the code above them builds on any platform.

// Flushes the file's data (not its times) to the disk: fdatasync.
bool syncFileData(QFileDevice &file);
// Makes a rename or a new name in the directory durable: fsync of the directory.
bool syncDirectory(const QString &directoryPath);

// Creates path holding bytes, failing when it exists already (O_EXCL), and
// flushes it. On failure *alreadyExists says whether a file of that name was
// the reason, and *error why.
bool createFileExclusively(const QString &path, const QByteArray &bytes, bool *alreadyExists, QString *error);

// Whether a process with that id runs on this machine (one of another user counts).
bool processExists(qint64 pid);

} // namespace Glossa
