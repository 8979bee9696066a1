#include "recovery/LanguageLock.h"

#include "platform/Durability.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSysInfo>

namespace Glossa {

namespace {

// A lock file just created but not yet written reads as empty; one that stays
// unreadable longer than this is left over from a crash.
constexpr qint64 UnreadableLockGraceSeconds = 10;

QByteArray contentsFor(const LockHolder &holder)
{
    return QStringLiteral("pid=%1\nhost=%2\nstarted=%3\n")
        .arg(QString::number(holder.pid), holder.host, holder.started.toString(Qt::ISODateWithMs))
        .toUtf8();
}

LockHolder ourselves()
{
    LockHolder holder;
    holder.pid = QCoreApplication::applicationPid();
    holder.host = QSysInfo::machineHostName();
    holder.started = QDateTime::currentDateTimeUtc();
    return holder;
}

bool isStale(const QString &lockPath, bool readable, const LockHolder &holder)
{
    if (!readable) {
        const QDateTime modified = QFileInfo(lockPath).lastModified();
        return modified.isValid() && modified.secsTo(QDateTime::currentDateTime()) > UnreadableLockGraceSeconds;
    }
    // Only a process on this host can be seen to be gone.
    return holder.host == QSysInfo::machineHostName() && !processExists(holder.pid);
}

} // namespace

LanguageLock::~LanguageLock()
{
    release();
}

QString LanguageLock::lockPathFor(const QString &languageFilePath)
{
    const QFileInfo info(languageFilePath);
    return info.dir().filePath(u'.' + info.fileName() + QStringLiteral(".lock"));
}

bool LanguageLock::readHolder(const QString &lockPath, LockHolder &holder)
{
    QFile file(lockPath);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    holder = LockHolder();
    bool hasPid = false;
    const QList<QByteArray> lines = file.read(4096).split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype eq = line.indexOf('=');
        if (eq <= 0)
            continue;
        const QByteArray name = line.left(eq);
        const QString value = QString::fromUtf8(line.mid(eq + 1)).trimmed();
        if (name == "pid")
            holder.pid = value.toLongLong(&hasPid);
        else if (name == "host")
            holder.host = value;
        else if (name == "started")
            holder.started = QDateTime::fromString(value, Qt::ISODateWithMs);
    }
    return hasPid && holder.pid > 0;
}

QString LanguageLock::describeHolder(const QString &language, const LockHolder &holder)
{
    const QString since = holder.started.isValid()
        ? holder.started.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))
        : QStringLiteral("an unknown time");
    const QString host = holder.host.isEmpty() ? QStringLiteral("an unknown host") : holder.host;
    return QStringLiteral("%1 is open in Glossa Desk on %2 (process %3) since %4")
        .arg(language, host, QString::number(holder.pid), since);
}

LanguageLock::State LanguageLock::acquire(const QString &languageFilePath)
{
    release();
    m_error.clear();
    m_lockPath = lockPathFor(languageFilePath);
    const LockHolder me = ourselves();
    const QByteArray contents = contentsFor(me);

    bool exists = false;
    QString why;
    if (createFileExclusively(m_lockPath, contents, &exists, &why)) {
        m_holder = me;
        return m_state = State::Held;
    }
    if (!exists) {
        m_error = QStringLiteral("No lock file can be made beside \"%1\": %2")
                      .arg(QDir::toNativeSeparators(languageFilePath), why);
        return m_state = State::Unavailable;
    }

    LockHolder other;
    const bool readable = readHolder(m_lockPath, other);
    if (!isStale(m_lockPath, readable, other)) {
        m_holder = other;
        return m_state = State::HeldByOther;
    }
    // Stale: replaced in one rename, then read back, so that of two programs
    // taking it over at once only the one whose name stands in it holds it.
    QSaveFile replacement(m_lockPath);
    replacement.setDirectWriteFallback(false);
    if (!replacement.open(QIODevice::WriteOnly) || replacement.write(contents) != contents.size()
        || !replacement.commit()) {
        m_error = QStringLiteral("The stale lock \"%1\" cannot be replaced: %2")
                      .arg(QDir::toNativeSeparators(m_lockPath), replacement.errorString());
        return m_state = State::Unavailable;
    }
    LockHolder now;
    if (readHolder(m_lockPath, now) && now.pid == me.pid && now.host == me.host) {
        m_holder = me;
        return m_state = State::Held;
    }
    m_holder = now;
    return m_state = State::HeldByOther;
}

void LanguageLock::release()
{
    if (m_state == State::Held) {
        // Only our own lock is removed: a lock another program took over stays.
        LockHolder now;
        if (readHolder(m_lockPath, now) && now.pid == m_holder.pid && now.host == m_holder.host)
            QFile::remove(m_lockPath);
    }
    m_state = State::None;
}

} // namespace Glossa
