#include "recovery/FileFingerprint.h"

#include "recovery/Sha256.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace Glossa {

FileFingerprint FileFingerprint::of(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    FileFingerprint print;
    print.exists = true;
    print.sha256 = Glossa::sha256(file);
    // Size and time after the read: a write that raced the read shows as a change later.
    const QFileInfo info(path);
    print.size = info.size();
    print.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    return print;
}

FileFingerprint FileFingerprint::of(const QString &path, const QByteArray &bytes)
{
    FileFingerprint print;
    const QFileInfo info(path);
    if (!info.exists())
        return print;
    print.exists = true;
    print.size = bytes.size();
    print.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    print.sha256 = Glossa::sha256(bytes);
    return print;
}

} // namespace Glossa
