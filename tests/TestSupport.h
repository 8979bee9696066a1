#pragma once

#include <QByteArray>
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

QByteArray readBytes(const QString &path);
bool writeBytes(const QString &path, const QByteArray &bytes);

QByteArray utf16le(const QString &text, bool bom = true);
QByteArray utf16be(const QString &text, bool bom = true);

// Runs fn in a forked child and returns its exit status (-1 when it died by a signal).
// For faults that must hold for root too, such as a file-size limit.
int runInChild(const std::function<int()> &fn);

// Restores the process's working directory when it goes out of scope.
class CurrentDirGuard
{
public:
    CurrentDirGuard();
    ~CurrentDirGuard();
    CurrentDirGuard(const CurrentDirGuard &) = delete;
    CurrentDirGuard &operator=(const CurrentDirGuard &) = delete;

private:
    QString m_saved;
};

} // namespace TestSupport
