#pragma once

#include <QDateTime>
#include <QString>

namespace Glossa {

// Who holds a language file's lock.
struct LockHolder
{
    qint64 pid = 0;
    QString host;
    QDateTime started; // when the holder took the lock
};

// The lock a program holds on a language file while it may write it: a hidden
// file beside it, ".NAME.ini.lock", naming the process, host and time. A lock
// of a process that no longer runs on this host is stale and taken over.
class LanguageLock
{
public:
    enum class State {
        None,        // not asked yet, or released
        Held,        // this object holds the lock
        HeldByOther, // another process holds it: see holder()
        Unavailable, // the directory cannot hold a lock file: see error()
    };

    LanguageLock() = default;
    ~LanguageLock();
    LanguageLock(const LanguageLock &) = delete;
    LanguageLock &operator=(const LanguageLock &) = delete;

    static QString lockPathFor(const QString &languageFilePath);
    // The holder named in a lock file; none when it is missing or unreadable.
    static bool readHolder(const QString &lockPath, LockHolder &holder);

    State acquire(const QString &languageFilePath);
    // Removes the lock file if this object holds it.
    void release();

    State state() const { return m_state; }
    const LockHolder &holder() const { return m_holder; }
    // "German (Germany) is open in Glossa Desk on HOST (process N) since TIME".
    static QString describeHolder(const QString &language, const LockHolder &holder);
    QString error() const { return m_error; }
    QString lockPath() const { return m_lockPath; }

private:
    State m_state = State::None;
    QString m_lockPath;
    LockHolder m_holder;
    QString m_error;
};

} // namespace Glossa
