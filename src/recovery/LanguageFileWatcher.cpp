#include "recovery/LanguageFileWatcher.h"

#include <QDateTime>
#include <QFileInfo>

namespace Glossa {

namespace {

FileFingerprint stampOf(const QString &path)
{
    FileFingerprint stamp;
    const QFileInfo info(path);
    if (!info.exists())
        return stamp;
    stamp.exists = true;
    stamp.size = info.size();
    stamp.modifiedMs = info.lastModified().toMSecsSinceEpoch();
    return stamp;
}

} // namespace

LanguageFileWatcher::LanguageFileWatcher(QObject *parent)
    : QObject(parent)
{
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &LanguageFileWatcher::check);
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, &LanguageFileWatcher::check);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, &LanguageFileWatcher::check);
}

void LanguageFileWatcher::watch(const QString &path, const FileFingerprint &loaded)
{
    stop();
    m_path = path;
    setLoaded(loaded);
    rearm();
    m_poll.start();
}

void LanguageFileWatcher::stop()
{
    m_poll.stop();
    if (!m_watcher.files().isEmpty())
        m_watcher.removePaths(m_watcher.files());
    if (!m_watcher.directories().isEmpty())
        m_watcher.removePaths(m_watcher.directories());
    m_path.clear();
}

void LanguageFileWatcher::setLoaded(const FileFingerprint &loaded)
{
    m_loaded = loaded;
    m_seen = loaded;
    m_changed = false;
}

void LanguageFileWatcher::rearm()
{
    if (m_path.isEmpty())
        return;
    if (!m_watcher.files().contains(m_path) && QFileInfo::exists(m_path))
        m_watcher.addPath(m_path);
    const QString directory = QFileInfo(m_path).absolutePath();
    if (!m_watcher.directories().contains(directory))
        m_watcher.addPath(directory);
}

void LanguageFileWatcher::check()
{
    if (m_path.isEmpty())
        return;
    rearm();
    FileFingerprint now = stampOf(m_path);
    if (now.sameStamp(m_seen))
        return;
    // The stamp moved: only the content says whether it is a change (a touch is not).
    now = FileFingerprint::of(m_path);
    const bool contentMoved = !now.sameContent(m_seen);
    m_seen = now;
    const bool changed = !now.sameContent(m_loaded);
    if (changed && contentMoved) {
        m_changed = true;
        Q_EMIT this->changed();
    } else if (!changed) {
        m_changed = false;
    }
}

} // namespace Glossa
