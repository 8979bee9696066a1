#include "cli/SubcommandSupport.h"

namespace Glossa {

void printTo(std::FILE *stream, const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
}

int commandFailed(const QString &command, const QString &message)
{
    printTo(stderr, QStringLiteral("glossa %1: %2\n").arg(command, message));
    return 2;
}

bool parseCommand(QCommandLineParser &parser, const QString &command, const QStringList &arguments, QString &message)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QStringList{QStringLiteral("glossa ") + command} + arguments)) {
        message = parser.errorText();
        return false;
    }
    return true;
}

} // namespace Glossa
