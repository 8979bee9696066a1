// Time and memory of the check engine on the reference product (20,000
// attributes, every catalogue language), beside the floor of reading and
// decoding every file, and beside the peer tool's conversion and printf check
// of one language (Translate Toolkit's ini2po and pofilter, when installed).
#include "BenchSupport.h"
#include "SyntheticProduct.h"

#include "checks/CheckEngine.h"
#include "checks/ReportFormats.h"
#include "model/LocaleCatalogue.h"
#include "platform/ProfileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <vector>

using namespace Glossa;

namespace {

constexpr int Attributes = 20000;

ProductReport checkAll(const QString &root, int jobs)
{
    CheckEngine engine;
    if (!engine.open(root))
        qFatal("cannot open %s: %s", qPrintable(root), qPrintable(engine.error()));
    CheckOptions options;
    options.jobs = jobs;
    return engine.run(options);
}

// Peak resident memory of a whole check, measured in a fresh process.
int rssChild(const QString &root)
{
    const ProductReport report = checkAll(root, 2);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%ld %d\n", usage.ru_maxrss, int(report.languages.size()));
    return 0;
}

// Today's way before the reports streamed: every language's findings kept,
// then the whole report made in memory and written.
int wholeChild(const QString &root, const QString &formatName)
{
    CheckEngine engine;
    if (!engine.open(root))
        qFatal("cannot open %s", qPrintable(root));
    const ProductReport report = engine.run({});
    const QByteArray bytes = formatCheckReport(report, *checkFormatFromName(formatName));
    return std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) == size_t(bytes.size()) ? 0 : 1;
}

struct Measured
{
    double ms = 0;
    double peakMiB = 0;
};

// Wall time and peak resident memory of a whole process, its output thrown away.
Measured runMeasured(const QString &program, const QStringList &arguments)
{
    std::vector<QByteArray> args{program.toLocal8Bit()};
    for (const QString &a : arguments)
        args.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    Measured m;
    m.ms = double(timer.nsecsElapsed()) / 1e6;
    m.peakMiB = double(usage.ru_maxrss) / 1024;
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
        std::fprintf(stderr, "%s failed (%d)\n", argv[0], status);
    return m;
}

Measured bestOf(const QString &program, const QStringList &arguments, int repeats = 3)
{
    Measured best{1e300, 0};
    for (int i = 0; i < repeats; ++i) {
        const Measured m = runMeasured(program, arguments);
        best.ms = std::min(best.ms, m.ms);
        best.peakMiB = std::max(best.peakMiB, m.peakMiB);
    }
    return best;
}

// glossa check in a whole process beside the report made whole in memory, on one product.
void wholeProcessRows(const QString &root, const char *title)
{
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    std::printf("\n%s: glossa check in a whole process, 2 cores (best of 3 wall, peak RSS)\n", title);
    std::printf("%-10s %14s %12s   %-28s %12s %12s\n", "format", "streamed ms", "peak MiB", "whole report in memory",
                "ms", "peak MiB");
    for (const char *format : {"json", "text", "html"}) {
        const Measured streamed = bestOf(QStringLiteral(GLOSSA_CLI_PATH),
                                         {QStringLiteral("check"), root, QStringLiteral("--format"), QLatin1String(format)});
        const Measured whole = bestOf(QCoreApplication::applicationFilePath(),
                                      {QStringLiteral("--whole"), root, QLatin1String(format)});
        std::printf("%-10s %14.0f %12.0f   %-28s %12.0f %12.0f\n", format, streamed.ms, streamed.peakMiB, "", whole.ms,
                    whole.peakMiB);
    }
}

double runTool(const QString &program, const QStringList &arguments)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitCode() != 0)
        std::fprintf(stderr, "%s failed: %s\n", qPrintable(program), process.readAllStandardError().constData());
    return double(timer.nsecsElapsed()) / 1e6;
}

// The new value checks' share of a product's check, one job, in process: runs
// with and without them alternate, so that a change of the machine's load
// falls on both.
void newChecksShare(const QString &root, int repeats = 3)
{
    CheckEngine engine;
    if (!engine.open(root))
        qFatal("cannot open %s", qPrintable(root));
    CheckOptions withNew;
    withNew.jobs = 1;
    CheckOptions without = withNew;
    without.ignore = {QStringLiteral("numbers"), QStringLiteral("repeated-word"), QStringLiteral("double-space"),
                      QStringLiteral("urls"), QStringLiteral("tags")};
    double before = 1e300;
    double after = 1e300;
    for (int i = 0; i < repeats; ++i) {
        before = std::min(before, Bench::bestMs([&] { engine.run(without); }, 1));
        after = std::min(after, Bench::bestMs([&] { engine.run(withNew); }, 1));
    }
    Bench::printRow(QStringLiteral("clean product, 1 job, with the new value checks"), after,
                    QStringLiteral("without them (--ignore)"), before);
    std::printf("the new value checks add %.0f%%\n", 100.0 * (after - before) / before);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--rss")
        return rssChild(QString::fromLocal8Bit(argv[2]));
    if (argc == 4 && QByteArray(argv[1]) == "--whole")
        return wholeChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    if (argc == 4 && QByteArray(argv[1]) == "--rows") {
        // A small process of its own, so that the processes it starts do not
        // count this benchmark's memory as theirs.
        wholeProcessRows(QString::fromLocal8Bit(argv[2]), argv[3]);
        return 0;
    }
    // --new-checks DIR: only the new value checks' share, on a product --make left.
    if (argc == 3 && QByteArray(argv[1]) == "--new-checks") {
        newChecksShare(QString::fromLocal8Bit(argv[2]), 5);
        return 0;
    }
    if (argc == 3 && QByteArray(argv[1]) == "--make-faulty") {
        Bench::makeFaultyProduct(QString::fromLocal8Bit(argv[2]), Attributes);
        return 0;
    }

    QTemporaryDir dir;
    QList<int> rows;
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row)
        rows << row;
    // --make DIR leaves the product in DIR, for profiling the check on it (--rss DIR).
    const bool makeOnly = argc == 3 && QByteArray(argv[1]) == "--make";
    const Bench::SyntheticProduct product =
        Bench::makeProduct(makeOnly ? QString::fromLocal8Bit(argv[2]) : dir.path(), Attributes, rows, rows, rows);
    if (makeOnly)
        return 0;

    const QStringList files = QDir(product.languageDir).entryList({QStringLiteral("*.ini")}, QDir::Files);
    qint64 bytes = 0;
    const double floorMs = Bench::bestMs([&] {
        bytes = 0;
        for (const QString &name : files) {
            QFile file(product.languageDir + u'/' + name);
            if (!file.open(QIODevice::ReadOnly))
                qFatal("cannot read %s", qPrintable(name));
            const QByteArray data = file.readAll();
            bytes += data.size();
            QStringDecoder decoder(QStringConverter::Utf16LE);
            const QString text = decoder.decode(data);
            if (text.isEmpty())
                qFatal("empty file");
        }
    }, 3);

    int findings = 0;
    const double oneJob = Bench::bestMs([&] { checkAll(product.root, 1); }, 3);
    const double twoJobs = Bench::bestMs([&] {
        const ProductReport report = checkAll(product.root, 2);
        findings = 0;
        for (const LanguageReport &language : report.languages)
            findings += int(language.findings.size());
    }, 3);

    CheckEngine engine;
    engine.open(product.root);
    const QString german = QStringLiteral("German (Germany)");
    const double oneLanguage = Bench::bestMs([&] { engine.checkLanguage(german); }, 5);
    const QString germanPath = product.languageDir + u'/' + german + QStringLiteral(".ini");
    const double oneLanguageRead = Bench::bestMs([&] {
        ProfileFile file(germanPath);
        file.load();
        int entries = 0;
        file.forEachEntryLine(QStringLiteral("text"), [&](QStringView, QStringView, int) { ++entries; });
        if (entries != Attributes)
            qFatal("read %d entries", entries);
    }, 5);

    Bench::printHeader("check engine: 20,000 attributes x 112 languages");
    std::printf("%d files, %.0f MB, %d findings\n", int(files.size()), double(bytes) / 1e6, findings);
    Bench::printRow(QStringLiteral("read and decode every file (floor)"), floorMs);
    Bench::printRow(QStringLiteral("check every language, 1 job"), oneJob, QStringLiteral("floor"), floorMs);
    Bench::printRow(QStringLiteral("check every language, 2 jobs"), twoJobs, QStringLiteral("floor"), floorMs);
    std::printf("speed-up of 2 jobs over 1: %.2fx\n", oneJob / twoJobs);

    const QString faultyRoot = dir.filePath(QStringLiteral("faulty"));
    Bench::makeFaultyProduct(faultyRoot, Attributes);
    {
        CheckEngine faulty;
        faulty.open(faultyRoot);
        CheckOptions options;
        options.jobs = 2;
        const ProductReport report = faulty.run(options);
        int faultyFindings = 0;
        for (const LanguageReport &language : report.languages)
            faultyFindings += int(language.findings.size());
        std::printf("fault-heavy product: %d findings, about %d per language\n", faultyFindings,
                    faultyFindings / std::max(1, int(report.languages.size()) - 1));
    }
    newChecksShare(product.root);
    std::fflush(stdout);
    for (const auto &[root, title] : {std::pair{product.root, "clean product"}, std::pair{faultyRoot, "fault-heavy product"}}) {
        QProcess rows;
        rows.setProcessChannelMode(QProcess::ForwardedChannels);
        rows.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--rows"), root, QString::fromLatin1(title)});
        rows.waitForFinished(-1);
    }

    QProcess self;
    self.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--rss"), product.root});
    self.waitForFinished(600000);
    const QList<QByteArray> rss = self.readAllStandardOutput().trimmed().split(' ');
    if (!rss.isEmpty())
        std::printf("peak resident memory of a whole check (2 jobs, own process): %.0f MiB\n", rss[0].toDouble() / 1024);

    const QString pofilter = QStandardPaths::findExecutable(QStringLiteral("pofilter"));
    if (pofilter.isEmpty()) {
        std::printf("peer: pofilter not installed (Debian's translate-toolkit); skipped\n");
        return 0;
    }
    // The peer's converter (ini2po) did not finish one 20,000-unit language
    // within ten minutes here, so the peer's input is written directly as the
    // PO file ini2po makes (a unit per attribute, its location the key), untimed.
    const QString po = dir.filePath(QStringLiteral("german.po"));
    {
        QFile in(product.languageDir + u'/' + german + QStringLiteral(".ini"));
        in.open(QIODevice::ReadOnly);
        QStringDecoder decoder(QStringConverter::Utf16LE);
        const QString text = decoder.decode(in.readAll());
        QString out = QStringLiteral("msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n\n");
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        for (int i = 1; i < lines.size() && i <= Attributes; ++i) {
            const qsizetype eq = lines[i].indexOf(u'=');
            if (eq < 0)
                continue;
            auto quoted = [](QString v) {
                if (v.startsWith(u'"') && v.endsWith(u'"') && v.size() >= 2)
                    v = v.mid(1, v.size() - 2);
                return v.replace(u'"', QStringLiteral("\\\""));
            };
            const QString key = lines[i].left(eq);
            out += QStringLiteral("#: [text]%1\nmsgid \"%2\"\nmsgstr \"%3\"\n\n")
                       .arg(key, quoted(Bench::englishValue(i - 1)), quoted(lines[i].mid(eq + 1)));
        }
        QFile file(po);
        file.open(QIODevice::WriteOnly);
        file.write(out.toUtf8());
    }
    const double filterMs = runTool(pofilter, {QStringLiteral("-t"), QStringLiteral("printf"), po, dir.filePath(QStringLiteral("out.po"))});
    Bench::printRow(QStringLiteral("one language: read through the INI layer"), oneLanguageRead);
    Bench::printRow(QStringLiteral("one language: check engine"), oneLanguage, QStringLiteral("INI layer read"), oneLanguageRead);
    Bench::printRow(QStringLiteral("one language: peer pofilter -t printf"), filterMs, QStringLiteral("engine, one language"), oneLanguage);
    std::printf("the whole product: engine %.0f ms (2 jobs), peer about %.0f s (112 x one language)\n", twoJobs,
                filterMs * 112 / 1000);
    return 0;
}
