#include "TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QDeadlineTimer>
#include <QThread>
#include <QThreadPool>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace TestSupport {

namespace {

// Every test process keeps the user's state and data (recovery journals, the
// spelling dictionary) in a directory of its own, never in the real home. A
// test that needs another one sets it itself.
struct ScratchHomes
{
    QTemporaryDir dir;
    ScratchHomes()
    {
        qputenv("XDG_STATE_HOME", QFile::encodeName(dir.filePath(QStringLiteral("state"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dir.filePath(QStringLiteral("data"))));
    }
};
const ScratchHomes scratchHomes;

} // namespace

QString sourceDir()
{
    const QByteArray env = qgetenv("GLOSSA_SOURCE_DIR");
    return env.isEmpty() ? QDir::currentPath() : QString::fromLocal8Bit(env);
}

QString demoProductDir()
{
    return sourceDir() + QStringLiteral("/examples/demo-product");
}

bool copyTree(const QString &from, const QString &to)
{
    QDir source(from);
    if (!source.exists() || !QDir().mkpath(to))
        return false;
    const auto entries = source.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo &entry : entries) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir()) {
            if (!copyTree(entry.filePath(), target))
                return false;
        } else if (!QFile::copy(entry.filePath(), target)) {
            return false;
        } else {
            QFile::setPermissions(target, entry.permissions() | QFileDevice::WriteOwner);
        }
    }
    return true;
}

QMap<QString, QByteArray> snapshotTree(const QString &root)
{
    QMap<QString, QByteArray> tree;
    const QDir base(root);
    QDirIterator it(root, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo info(it.next());
        // The lock an open editor holds beside its language is the program's, not the product's.
        if (info.fileName().startsWith(u'.') && info.fileName().endsWith(QStringLiteral(".ini.lock")))
            continue;
        tree.insert(base.relativeFilePath(info.filePath()), info.isDir() ? QByteArray("<dir>") : readBytes(info.filePath()));
    }
    return tree;
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray utf16le(const QString &text, bool bom)
{
    QStringEncoder enc(QStringConverter::Utf16LE, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return enc.encode(text);
}

QByteArray utf16be(const QString &text, bool bom)
{
    QStringEncoder enc(QStringConverter::Utf16BE, bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return enc.encode(text);
}

int runInChild(const std::function<int()> &fn)
{
    // The child has only this thread: a pool that still counted its idle threads
    // would hand them work (Qt's raster painting does) and wait for ever.
    QThreadPool::globalInstance()->waitForDone();
    // waitForDone() returns once the pooled threads have finished their work, while the
    // threads themselves may still be tearing down and holding one of Qt's locks; a child
    // forked then would wait on that lock for ever. Fork only once this thread is alone.
    const QDeadlineTimer alone(10000);
    while (QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size() > 1
           && !alone.hasExpired())
        QThread::msleep(1);
    const pid_t pid = fork();
    if (pid == 0) {
        const int rc = fn();
        _exit(rc);
    }
    if (pid < 0)
        return -2;
    // A child that hangs is stopped and reported, so the test fails instead of timing out.
    int status = 0;
    const QDeadlineTimer done(120000);
    pid_t waited = 0;
    while ((waited = waitpid(pid, &status, WNOHANG)) == 0 && !done.hasExpired())
        QThread::msleep(2);
    if (waited == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return -3;
    }
    if (waited != pid)
        return -2;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

CurrentDirGuard::CurrentDirGuard()
    : m_saved(QDir::currentPath())
    , m_savedStateHome(qgetenv("XDG_STATE_HOME"))
{
    // A test that works in a product of its own also keeps its recovery journals
    // apart: an editor a test left open is never offered to the next one.
    static int serial = 0;
    qputenv("XDG_STATE_HOME", QFile::encodeName(scratchHomes.dir.filePath(QStringLiteral("state%1").arg(++serial))));
}

CurrentDirGuard::~CurrentDirGuard()
{
    QDir::setCurrent(m_saved);
    qputenv("XDG_STATE_HOME", m_savedStateHome);
}

void RecordingNotifier::notify(Glossa::Severity severity, const QString &caption, const QString &text)
{
    notices.append({severity, caption, text});
}

} // namespace TestSupport
