#pragma once

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <vector>

// The `glossa` command: one subcommand per word ("check", "stats", ...), each
// with its own options. main.cpp holds the table of subcommands.
namespace Glossa::Cli {

// The exit statuses every subcommand keeps to.
enum ExitStatus {
    ExitOk = 0,       // nothing of failing severity
    ExitFindings = 1, // a finding of failing severity
    ExitUsage = 2,    // a usage error, or a product that cannot be read
};

struct Subcommand
{
    QString name;     // "check"
    QString synopsis; // "[PRODUCT_DIR] [--format ...] ..." after "glossa check "
    QString summary;  // one line for the command list
    // Adds the subcommand's options and positional arguments to its parser.
    void (*setUp)(QCommandLineParser &parser);
    // Runs the subcommand on a parser that has parsed its arguments without
    // error; returns the exit status.
    int (*run)(const QCommandLineParser &parser);
    // A subcommand that parses its own arguments (those after its word, its
    // --help among them) instead: then setUp and run are not called.
    int (*runArguments)(const QStringList &arguments) = nullptr;
};

// Parses arguments (arguments[0] is the program) and runs the subcommand they name.
int dispatch(const QStringList &arguments, const std::vector<Subcommand> &subcommands);

// "glossa: MESSAGE" and a hint at --help on standard error; returns ExitUsage.
int usageError(const QString &message);
// "glossa: MESSAGE" on standard error.
void printError(const QString &message);
void printOut(const QByteArray &bytes);

// Writes bytes to the file given (atomically: a temporary file renamed over
// it) or, for an empty path or "-", to standard output. False with a message
// on standard error when the file cannot be written.
bool writeOutput(const QString &path, const QByteArray &bytes);

// True when standard output is a terminal, so that text may be coloured.
bool standardOutputIsTerminal();

// "a,b, c" as {"a", "b", "c"}; values of a repeatable option are joined first.
QStringList splitList(const QStringList &values);

} // namespace Glossa::Cli
