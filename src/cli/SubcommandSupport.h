#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdio>

namespace Glossa {

// What every "glossa COMMAND" needs: text out as UTF-8, a usage error as
// "glossa COMMAND: MESSAGE" (exit status 2), and its words parsed with
// "glossa COMMAND" as the program name in the parser's messages.
void printTo(std::FILE *stream, const QString &text);
int commandFailed(const QString &command, const QString &message);
bool parseCommand(QCommandLineParser &parser, const QString &command, const QStringList &arguments, QString &message);

} // namespace Glossa
