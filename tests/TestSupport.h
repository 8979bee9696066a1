#pragma once

#include "platform/Notifier.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>

// Helpers shared by the tests: files with exact bytes, copies of the demo
// product, the working directory kept across a test, child processes.
namespace TestSupport {

// The source tree (set by CTest), for the demo product.
QString sourceDir();
QString demoProductDir();

// Copies a directory tree; returns false on the first failure.
bool copyTree(const QString &from, const QString &to);

// Every entry below root by relative path: a file's bytes, or "<dir>" for a
// directory. Two snapshots compare equal when nothing on disk has changed. The
// hidden lock file of an open editor is left out.
QMap<QString, QByteArray> snapshotTree(const QString &root);

QByteArray readBytes(const QString &path);
bool writeBytes(const QString &path, const QByteArray &bytes);

QByteArray utf16le(const QString &text, bool bom = true);
QByteArray utf16be(const QString &text, bool bom = true);

// Runs fn in a forked child and returns its exit status (-1 when it died by a signal, -3
// when it hung and was stopped).
// For faults that must hold for root too, such as a file-size limit.
int runInChild(const std::function<int()> &fn);

// Restores the process's working directory when it goes out of scope. While it
// lives, XDG_STATE_HOME (the recovery journals) is a fresh directory of its own.
class CurrentDirGuard
{
public:
    CurrentDirGuard();
    ~CurrentDirGuard();
    CurrentDirGuard(const CurrentDirGuard &) = delete;
    CurrentDirGuard &operator=(const CurrentDirGuard &) = delete;

private:
    QString m_saved;
    QByteArray m_savedStateHome;
};

// Records what code without windows tells the user, in order.
class RecordingNotifier : public Glossa::Notifier
{
public:
    struct Notice
    {
        Glossa::Severity severity;
        QString caption;
        QString text;
    };

    void notify(Glossa::Severity severity, const QString &caption, const QString &text) override;

    QList<Notice> notices;
};

} // namespace TestSupport
