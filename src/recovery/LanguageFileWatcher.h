#pragma once

#include "recovery/FileFingerprint.h"

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>

namespace Glossa {

// Tells when another program changed a language file that is open: a file
// watcher on the file and on its directory (an atomic save replaces the file,
// and the watch on the old one goes with it, so it is set again after every
// change), and a poll of the file's size and time for folders the watcher
// cannot see into, such as network shares.
class LanguageFileWatcher : public QObject
{
    Q_OBJECT

public:
    // How often the file's size and time are looked at, whatever the watcher says.
    static constexpr int PollMs = 1000;

    explicit LanguageFileWatcher(QObject *parent = nullptr);

    // Starts watching path, which was loaded as loaded.
    void watch(const QString &path, const FileFingerprint &loaded);
    void stop();
    // What the file is taken to be now (after a save of our own, say).
    void setLoaded(const FileFingerprint &loaded);
    const FileFingerprint &loaded() const { return m_loaded; }
    // Whether the file's content differs from what was loaded, as last seen.
    bool changedOnDisk() const { return m_changed; }

    // Looks at the file now; the watcher and the poll call it.
    void check();

Q_SIGNALS:
    // The file's content changed again since it was loaded or last reported.
    void changed();

private:
    void rearm();

    QFileSystemWatcher m_watcher;
    QTimer m_poll;
    QString m_path;
    FileFingerprint m_loaded;
    FileFingerprint m_seen; // the stamp last looked at, and its content
    bool m_changed = false;
};

} // namespace Glossa
