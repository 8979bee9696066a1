#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

// The glossa command run as a user runs it, in a process of its own; the test's
// target defines GLOSSA_CLI_PATH. A run that crashes or hangs has exit code -1.
namespace TestSupport {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

inline Run glossa(const QStringList &arguments, const QString &workingDirectory = {})
{
    QProcess process;
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QStringLiteral(GLOSSA_CLI_PATH), arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace TestSupport
