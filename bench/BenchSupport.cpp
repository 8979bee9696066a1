#include "BenchSupport.h"

#include <QFile>
#include <QString>

namespace Bench {

double bestMs(const std::function<void()> &run, int repeats)
{
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        QElapsedTimer t;
        t.start();
        run();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

double bestMs(const std::function<void()> &prepare, const std::function<void()> &run, int repeats)
{
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        prepare();
        QElapsedTimer t;
        t.start();
        run();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

double residentMiB()
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

void printHeader(const char *title)
{
    std::printf("\n%s\n", title);
    std::printf("%-58s %12s   %-34s %12s %10s\n", "operation", "ms", "compared with", "ms", "ratio");
}

void printRow(const QString &what, double ms, const QString &against, double againstMs)
{
    if (against.isEmpty()) {
        std::printf("%-58s %12.3f\n", qPrintable(what), ms);
        return;
    }
    std::printf("%-58s %12.3f   %-34s %12.3f %9.1fx\n", qPrintable(what), ms, qPrintable(against), againstMs,
                ms > 0 ? againstMs / ms : 0.0);
}

namespace {

QtMessageHandler defaultHandler = nullptr;

void dropMaskWarnings(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("does not support setting window masks"))
        || message.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    defaultHandler(type, context, message);
}

} // namespace

void quietWindowMaskWarnings()
{
    defaultHandler = qInstallMessageHandler(dropMaskWarnings);
}

} // namespace Bench
