#pragma once

#include <QByteArray>
#include <QString>

namespace Glossa {

// What a language file was when it was read: enough to tell later, cheaply by
// size and time and surely by content, whether another program changed it.
struct FileFingerprint
{
    bool exists = false;
    qint64 size = 0;
    qint64 modifiedMs = 0;   // modification time, milliseconds since the epoch (UTC)
    QByteArray sha256;       // of the whole file, raw bytes

    // Reads the file; a missing file gives exists == false.
    static FileFingerprint of(const QString &path);
    // The same from bytes already read (the time taken from the file as it is now).
    static FileFingerprint of(const QString &path, const QByteArray &bytes);

    // Same content: size and hash. A touched file with the same bytes is unchanged.
    bool sameContent(const FileFingerprint &other) const
    {
        return exists == other.exists && size == other.size && sha256 == other.sha256;
    }
    // Size and time only: a hint that the content may have changed, without reading it.
    bool sameStamp(const FileFingerprint &other) const
    {
        return exists == other.exists && size == other.size && modifiedMs == other.modifiedMs;
    }
};

} // namespace Glossa
