#include "cli/CheckCommand.h"

#include "checks/CheckEngine.h"
#include "checks/ReportFormats.h"
#include "cli/ChangesCommand.h"

#include "model/Constants.h"
#include "terms/TermChecker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cstdio>

#include <future>
#include <optional>

namespace Glossa::Cli {

namespace {

const QCommandLineOption &formatOption(bool forCheck)
{
    static const QCommandLineOption check(
        QStringLiteral("format"), QStringLiteral("Report format: text (default), json, junit, sarif, github or html."),
        QStringLiteral("FORMAT"), QStringLiteral("text"));
    static const QCommandLineOption stats(QStringLiteral("format"),
                                          QStringLiteral("Table format: text (default), json or csv."),
                                          QStringLiteral("FORMAT"), QStringLiteral("text"));
    return forCheck ? check : stats;
}

const QCommandLineOption &outputOption()
{
    static const QCommandLineOption option({QStringLiteral("o"), QStringLiteral("output")},
                                           QStringLiteral("Write the report to FILE instead of standard output."),
                                           QStringLiteral("FILE"));
    return option;
}

const QCommandLineOption &languageOption()
{
    static const QCommandLineOption option(
        QStringLiteral("language"),
        QStringLiteral("Only this language: a display name (\"German (Germany)\") or a locale code (0x0407). "
                       "Repeat for more; every present language when omitted."),
        QStringLiteral("NAME"));
    return option;
}

const QCommandLineOption &checksOption()
{
    static const QCommandLineOption option(QStringLiteral("checks"),
                                           QStringLiteral("Run only these checks (ids, comma-separated)."),
                                           QStringLiteral("ID,..."));
    return option;
}

const QCommandLineOption &ignoreOption()
{
    static const QCommandLineOption option(QStringLiteral("ignore"),
                                           QStringLiteral("Leave out these checks (ids, comma-separated)."),
                                           QStringLiteral("ID,..."));
    return option;
}

const QCommandLineOption &strictOption()
{
    static const QCommandLineOption option(QStringLiteral("strict"),
                                           QStringLiteral("Fail on findings of warning severity as well."));
    return option;
}

const QCommandLineOption &sinceOption()
{
    static const QCommandLineOption option(
        QStringLiteral("since"),
        QStringLiteral("Report translations whose English changed since the earlier release EARLIER (its product "
                       "directory or its master file) as reference-changed."),
        QStringLiteral("EARLIER"));
    return option;
}

const QCommandLineOption &jobsOption()
{
    static const QCommandLineOption option(QStringLiteral("jobs"),
                                           QStringLiteral("Check N languages at a time (default: one per core)."),
                                           QStringLiteral("N"));
    return option;
}

void addProductArgument(QCommandLineParser &parser)
{
    parser.addPositionalArgument(QStringLiteral("PRODUCT_DIR"),
                                 QStringLiteral("The product's installation directory, which holds language/ "
                                                "(default: the current directory)."),
                                 QStringLiteral("[PRODUCT_DIR]"));
}

void setUpCheck(QCommandLineParser &parser)
{
    addProductArgument(parser);
    parser.addOption(formatOption(true));
    parser.addOption(outputOption());
    parser.addOption(languageOption());
    parser.addOption(checksOption());
    parser.addOption(ignoreOption());
    parser.addOption(strictOption());
    parser.addOption(jobsOption());
    parser.addOption(sinceOption());
}

void setUpStats(QCommandLineParser &parser)
{
    addProductArgument(parser);
    parser.addOption(formatOption(false));
    parser.addOption(languageOption());
}

// The product directory the command names: its one argument, else the working directory.
QString productArgument(const QCommandLineParser &parser)
{
    const QStringList positional = parser.positionalArguments();
    return positional.isEmpty() ? QDir::currentPath() : positional.first();
}

bool wantsTermChecks(const CheckOptions &options)
{
    return options.wants(Check::Term) || options.wants(Check::TermForbidden) || options.wants(Check::TermUntranslated);
}

// The product's glossary, read on a thread of its own while the product opens (for a
// large glossary, most of the command's start). Nothing when no term check is wanted.
struct ReadGlossary
{
    std::shared_ptr<const Glossary> glossary;
    QString error;
};
std::future<ReadGlossary> readGlossaryAhead(const QCommandLineParser &parser, const CheckOptions &options)
{
    const QFileInfo info(productArgument(parser));
    if (!wantsTermChecks(options) || parser.positionalArguments().size() > 1 || !info.isDir())
        return {};
    return std::async(std::launch::async, [directory = info.absoluteFilePath()] {
        auto glossary = std::make_shared<Glossary>();
        ReadGlossary read;
        if (loadProductGlossary(directory, *glossary, read.error))
            read.glossary = std::move(glossary);
        return read;
    });
}

// What check and stats share: the product opened and the languages resolved.
// Returns an exit status when the command cannot go on.
std::optional<int> openProduct(const QString &command, const QCommandLineParser &parser, CheckEngine &engine,
                               CheckOptions &options)
{
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return usageError(QStringLiteral("%1: one product directory at most, %2 given").arg(command).arg(positional.size()));
    const QString product = productArgument(parser);
    const QFileInfo info(product);
    if (!info.exists()) {
        printError(QStringLiteral("%1: no such directory").arg(product));
        return ExitUsage;
    }
    if (!info.isDir()) {
        printError(QStringLiteral("%1: not a directory").arg(product));
        return ExitUsage;
    }
    if (!engine.open(info.absoluteFilePath())) {
        printError(engine.error());
        return ExitUsage;
    }
    for (const QString &wanted : parser.values(languageOption())) {
        const QString name = engine.resolveLanguage(wanted);
        if (name.isEmpty())
            return usageError(QStringLiteral("%1: no present language is named or coded '%2' (present: %3)")
                                  .arg(command, wanted, engine.presentLanguages().join(QStringLiteral(", "))));
        if (!options.languages.contains(name))
            options.languages.append(name);
    }
    return std::nullopt;
}

// The product's glossary (as readGlossaryAhead reads it), when it has one and a term
// check is wanted: the term checks run with the others. A glossary that cannot be
// read stops the command.
std::optional<int> addGlossaryChecks(const CheckEngine &engine, CheckOptions &options, std::future<ReadGlossary> &ahead)
{
    if (!wantsTermChecks(options))
        return std::nullopt;
    ReadGlossary read;
    if (ahead.valid())
        read = ahead.get();
    else if (auto glossary = std::make_shared<Glossary>(); loadProductGlossary(engine.productDirectory(), *glossary, read.error))
        read.glossary = std::move(glossary);
    if (!read.error.isEmpty()) {
        printError(read.error);
        return ExitUsage;
    }
    options.valueChecks = glossaryChecks(engine, read.glossary);
    return std::nullopt;
}

bool isTermCheck(const QString &id)
{
    return id == checkInfo(Check::Term).id || id == checkInfo(Check::TermForbidden).id
           || id == checkInfo(Check::TermUntranslated).id;
}

std::optional<int> checkIds(const QCommandLineParser &parser, const QCommandLineOption &option, QSet<QString> &ids)
{
    for (const QString &id : splitList(parser.values(option))) {
        if (!isKnownCheck(id))
            return usageError(QStringLiteral("check: unknown check '%1' in --%2").arg(id, option.names().constLast()));
        ids.insert(id);
    }
    return std::nullopt;
}

// The GitHub annotations name files relative to the repository, where the
// workflow runs: the product's path from the working directory goes first
// when the product lies below it.
QString githubPathPrefix(const QString &product)
{
    const QString relative = QDir::current().relativeFilePath(product);
    if (relative.isEmpty() || relative == u"." || relative.startsWith(QStringLiteral("..")) || QDir::isAbsolutePath(relative))
        return {};
    return relative + u'/';
}

int runCheck(const QCommandLineParser &parser)
{
    const std::optional<CheckFormat> format = checkFormatFromName(parser.value(formatOption(true)));
    if (!format)
        return usageError(QStringLiteral("check: unknown format '%1' (one of %2)")
                              .arg(parser.value(formatOption(true)), checkFormatNames().join(QStringLiteral(", "))));
    CheckOptions options;
    if (const auto status = checkIds(parser, checksOption(), options.only))
        return *status;
    if (const auto status = checkIds(parser, ignoreOption(), options.ignore))
        return *status;
    if (parser.isSet(jobsOption())) {
        bool ok = false;
        const int jobs = parser.value(jobsOption()).toInt(&ok);
        if (!ok || jobs < 1 || jobs > 1024)
            return usageError(QStringLiteral("check: --jobs takes a number from 1 to 1024, not '%1'")
                                  .arg(parser.value(jobsOption())));
        options.jobs = jobs;
    }
    const QString output = parser.value(outputOption());
    if (parser.isSet(outputOption()) && output.isEmpty())
        return usageError(QStringLiteral("check: -o needs a file name"));

    std::future<ReadGlossary> glossary = readGlossaryAhead(parser, options);
    CheckEngine engine;
    if (const auto status = openProduct(QStringLiteral("check"), parser, engine, options))
        return *status;
    if (const auto status = addGlossaryChecks(engine, options, glossary))
        return *status;
    if (parser.isSet(sinceOption())) {
        QString error;
        if (!loadStaleKeys(parser.value(sinceOption()), engine.productDirectory(), &options.staleKeys, &error)) {
            printError(error);
            return ExitUsage;
        }
    }
    ReportOptions reportOptions;
    const bool toStdout = output.isEmpty() || output == u"-";
    reportOptions.colour = toStdout && standardOutputIsTerminal() && qEnvironmentVariableIsEmpty("NO_COLOR");
    // A check that did not run is no passed test case: reference-changed runs only with
    // --since, the term checks only with a glossary.
    for (const CheckInfo &check : allChecks()) {
        if (options.wants(check.id) && (check.id != u"reference-changed" || parser.isSet(sinceOption()))
            && (!isTermCheck(check.id) || options.valueChecks))
            reportOptions.checks.append(check.id);
        else if (options.only.isEmpty() && !check.byDefault && !options.ignore.contains(check.id))
            reportOptions.skippedChecks.append(check.id);
    }
    reportOptions.pathPrefix = githubPathPrefix(engine.productDirectory());

    // Each language's findings go out as it is done; a file is replaced only
    // when the whole report is written.
    QFile standardOutput;
    QSaveFile file(output);
    QIODevice *device = &file;
    if (toStdout) {
        std::fflush(stdout);
        standardOutput.open(stdout, QIODevice::WriteOnly);
        device = &standardOutput;
    } else if (!file.open(QIODevice::WriteOnly)) {
        printError(QStringLiteral("cannot write %1: %2").arg(output, file.errorString()));
        return ExitUsage;
    }
    CheckReportWriter writer(device, *format, reportOptions);
    ProductReport frame;
    frame.product = engine.productDirectory();
    frame.master = MasterLanguageFileName.chopped(4);
    frame.attributes = int(engine.attributeNames().size());
    if (options.wants(QStringLiteral("index")))
        frame.productFindings = engine.indexFindings();
    bool written = writer.begin(frame);
    const ProductReport report = engine.stream(options, [&](const LanguageReport &language) {
        written = written && writer.addLanguage(language);
    });
    written = written && writer.finish(report.cancelled, report.lateFindings);
    if (toStdout)
        standardOutput.flush();
    if (!written || (!toStdout && !file.commit())) {
        printError(QStringLiteral("cannot write %1: %2")
                       .arg(toStdout ? QStringLiteral("the report") : output,
                            writer.error().isEmpty() ? device->errorString() : writer.error()));
        if (!toStdout)
            file.cancelWriting();
        return ExitUsage;
    }

    const bool failed = writer.count(FindingSeverity::Error) > 0
                        || (parser.isSet(strictOption()) && writer.count(FindingSeverity::Warning) > 0);
    return failed ? ExitFindings : ExitOk;
}

int runStats(const QCommandLineParser &parser)
{
    const std::optional<StatsFormat> format = statsFormatFromName(parser.value(formatOption(false)));
    if (!format)
        return usageError(QStringLiteral("stats: unknown format '%1' (one of %2)")
                              .arg(parser.value(formatOption(false)), statsFormatNames().join(QStringLiteral(", "))));
    CheckOptions options;
    std::future<ReadGlossary> glossary = readGlossaryAhead(parser, options);
    CheckEngine engine;
    if (const auto status = openProduct(QStringLiteral("stats"), parser, engine, options))
        return *status;
    if (const auto status = addGlossaryChecks(engine, options, glossary))
        return *status;
    const ProductReport report = engine.run(options);
    return writeOutput(QString(), formatStats(report, *format)) ? ExitOk : ExitUsage;
}

} // namespace

Subcommand checkSubcommand()
{
    return {QStringLiteral("check"),
            QStringLiteral("[PRODUCT_DIR] [--format text|json|junit|sarif|github|html] [-o FILE]\n"
                           "               [--language NAME]... [--checks ID,...] [--ignore ID,...] [--strict] [--jobs N]"),
            QStringLiteral("Check every language of the product and report what is wrong."), &setUpCheck, &runCheck};
}

Subcommand statsSubcommand()
{
    return {QStringLiteral("stats"), QStringLiteral("[PRODUCT_DIR] [--format text|json|csv] [--language NAME]..."),
            QStringLiteral("Count each language's translated, blank and missing attributes and its findings."),
            &setUpStats, &runStats};
}

} // namespace Glossa::Cli
