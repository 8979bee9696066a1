#include "cli/Completion.h"

#include "checks/CheckEngine.h"
#include "cli/Command.h"
#include "model/LocaleCatalogue.h"

#include <QDir>

namespace Glossa::Cli {

int printCompletionLanguages(const QStringList &arguments)
{
    if (arguments.size() > 1)
        return usageError(QStringLiteral("--complete-languages takes one product directory at most"));
    // The engine's list is the one --language is resolved against.
    CheckEngine engine;
    if (!engine.open(arguments.isEmpty() ? QDir::currentPath() : arguments.first())) {
        printError(engine.error());
        return ExitUsage;
    }
    QString text;
    for (const QString &name : engine.presentLanguages())
        text += name + u'\n';
    for (const QString &name : engine.presentLanguages())
        if (const QString code = LocaleCatalogue::CodeForDisplayName(name); !code.isEmpty())
            text += code + u'\n';
    printOut(text.toUtf8());
    return ExitOk;
}

} // namespace Glossa::Cli
