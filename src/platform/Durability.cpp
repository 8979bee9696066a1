#include "platform/Durability.h"

#include <QFile>
#include <QFileDevice>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Glossa {

bool syncFileData(QFileDevice &file)
{
#ifdef Q_OS_UNIX
    const int fd = file.handle();
    if (fd < 0)
        return false;
#ifdef Q_OS_LINUX
    return ::fdatasync(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
#else
    return file.flush();
#endif
}

bool syncDirectory(const QString &directoryPath)
{
#ifdef Q_OS_UNIX
    const QByteArray dir = QFile::encodeName(directoryPath);
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#else
    Q_UNUSED(directoryPath);
    return true;
#endif
}

bool createFileExclusively(const QString &path, const QByteArray &bytes, bool *alreadyExists, QString *error)
{
    *alreadyExists = false;
#ifdef Q_OS_UNIX
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        *alreadyExists = errno == EEXIST;
        *error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            *error = QString::fromLocal8Bit(std::strerror(errno));
            ::close(fd);
            ::unlink(name.constData());
            return false;
        }
        written += n;
    }
    // Not synced: other processes see the bytes at once, and after a power cut
    // the lock's process is gone, so the lock is stale whatever reached the disk.
    ::close(fd);
    return true;
#else
    QFile file(path);
    if (file.exists()) {
        *alreadyExists = true;
        *error = QStringLiteral("the file exists");
        return false;
    }
    if (!file.open(QIODevice::NewOnly) || file.write(bytes) != bytes.size()) {
        *alreadyExists = file.exists();
        *error = file.errorString();
        return false;
    }
    return true;
#endif
}

bool processExists(qint64 pid)
{
#ifdef Q_OS_UNIX
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#else
    Q_UNUSED(pid);
    return true; // cannot tell: a lock is never taken from a process that may live
#endif
}

} // namespace Glossa
