#include "cli/Command.h"

#include "checks/Finding.h"
#include "cli/Completion.h"

#include <QSaveFile>

#include <cstdio>
#include <unistd.h>

namespace Glossa::Cli {

namespace {

QCommandLineOption helpOption()
{
    return QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                              QStringLiteral("Show this help and exit."));
}

QString checkList()
{
    QString text = QStringLiteral("Checks (for --checks and --ignore):\n");
    qsizetype width = 0;
    for (const CheckInfo &check : allChecks())
        width = std::max(width, check.id.size());
    for (const CheckInfo &check : allChecks())
        text += QStringLiteral("  %1  %2  %3\n")
                    .arg(check.id.leftJustified(width), severityName(check.severity).leftJustified(7), check.summary);
    return text;
}

QString exitStatusText()
{
    return QStringLiteral("Exit status:\n"
                          "  0  no finding of error severity (with --strict: of warning severity either)\n"
                          "  1  a finding of error severity (with --strict: or of warning severity)\n"
                          "  2  a usage error, or a product that cannot be read\n");
}

// The options part of a parser's help, without its "Usage:" line.
QString optionsOf(const Subcommand &subcommand)
{
    QCommandLineParser parser;
    parser.addOption(helpOption());
    subcommand.setUp(parser);
    QString text = parser.helpText();
    const qsizetype options = text.indexOf(QStringLiteral("Options:"));
    return options < 0 ? QString() : text.mid(options);
}

QString overallHelp(const std::vector<Subcommand> &subcommands)
{
    QString text = QStringLiteral("Usage:\n");
    for (const Subcommand &subcommand : subcommands)
        text += QStringLiteral("  glossa %1 %2\n").arg(subcommand.name, subcommand.synopsis);
    text += QStringLiteral("  glossa COMMAND --help\n  glossa --version\n\n"
                           "Checks and counts the INI language files of a product installation. PRODUCT_DIR is\n"
                           "the directory that holds language/ (the current directory when omitted); only\n"
                           "import, pretranslate and terms import write to it.\n\nCommands:\n");
    // A command of several words ("terms extract", "terms import") is one name with
    // a row each: the row says its second word too.
    const auto label = [&subcommands](const Subcommand &subcommand) {
        const auto same = std::count_if(subcommands.begin(), subcommands.end(),
                                        [&subcommand](const Subcommand &other) { return other.name == subcommand.name; });
        return same > 1 ? subcommand.name + u' ' + subcommand.synopsis.section(u' ', 0, 0) : subcommand.name;
    };
    qsizetype width = 0;
    for (const Subcommand &subcommand : subcommands)
        width = std::max(width, label(subcommand).size());
    for (const Subcommand &subcommand : subcommands)
        text += QStringLiteral("  %1  %2\n").arg(label(subcommand).leftJustified(width), subcommand.summary);
    for (const Subcommand &subcommand : subcommands) {
        if (!subcommand.setUp) {
            text += QStringLiteral("\nOptions of %1: see glossa %1 --help\n").arg(label(subcommand));
            continue;
        }
        QString options = optionsOf(subcommand);
        options.replace(0, QStringLiteral("Options:").size(),
                        QStringLiteral("Options of %1:").arg(subcommand.name));
        text += u'\n' + options;
    }
    return text + u'\n' + checkList() + u'\n' + exitStatusText();
}

QString subcommandHelp(const Subcommand &subcommand)
{
    return QStringLiteral("Usage: glossa %1 %2\n%3\n\n%4\n%5\n%6")
        .arg(subcommand.name, subcommand.synopsis, subcommand.summary, optionsOf(subcommand), checkList(),
             exitStatusText());
}

} // namespace

void printOut(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void printError(const QString &message)
{
    const QByteArray bytes = (QStringLiteral("glossa: ") + message + u'\n').toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int usageError(const QString &message)
{
    printError(message + QStringLiteral("\n(glossa --help lists the commands and their options)"));
    return ExitUsage;
}

bool writeOutput(const QString &path, const QByteArray &bytes)
{
    if (path.isEmpty() || path == u"-") {
        printOut(bytes);
        return std::ferror(stdout) == 0;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        printError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        printError(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    return true;
}

bool standardOutputIsTerminal()
{
    return ::isatty(STDOUT_FILENO) == 1;
}

QStringList splitList(const QStringList &values)
{
    QStringList items;
    for (const QString &value : values)
        for (const QString &item : value.split(u','))
            if (const QString trimmed = item.trimmed(); !trimmed.isEmpty())
                items.append(trimmed);
    return items;
}

int dispatch(const QStringList &arguments, const std::vector<Subcommand> &subcommands)
{
    if (arguments.size() < 2)
        return usageError(QStringLiteral("no command given"));
    const QString &word = arguments.at(1);
    if (word == u"--help" || word == u"-h" || word == u"help") {
        printOut(overallHelp(subcommands).toUtf8());
        return ExitOk;
    }
    // Not in --help: the bash completion's question, not the user's.
    if (word == u"--complete-languages")
        return printCompletionLanguages(arguments.mid(2));
    if (word == u"--version") {
        printOut(QStringLiteral("glossa %1\n").arg(QStringLiteral(GLOSSA_VERSION)).toUtf8());
        return ExitOk;
    }
    const auto it = std::find_if(subcommands.begin(), subcommands.end(),
                                 [&word](const Subcommand &subcommand) { return subcommand.name == word; });
    if (it == subcommands.end())
        return usageError(QStringLiteral("unknown command '%1'").arg(word));

    if (it->runArguments)
        return it->runArguments(arguments.mid(2));
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsCompactedShortOptions);
    const QCommandLineOption help = helpOption();
    parser.addOption(help);
    it->setUp(parser);
    QStringList rest = arguments.mid(2);
    rest.prepend(QStringLiteral("glossa ") + it->name);
    if (!parser.parse(rest))
        return usageError(QStringLiteral("%1: %2").arg(it->name, parser.errorText()));
    if (parser.isSet(help)) {
        printOut(subcommandHelp(*it).toUtf8());
        return ExitOk;
    }
    return it->run(parser);
}

} // namespace Glossa::Cli
