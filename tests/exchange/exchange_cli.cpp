// Not a CTest test: "exchange_cli export ..." and "exchange_cli import ..." run the
// export and import commands by hand until they join the glossa command.
#include "cli/ExchangeCommands.h"

#include <QCoreApplication>
#include <QStringList>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList words = app.arguments().mid(1);
    const QString command = words.isEmpty() ? QString() : words.takeFirst();
    if (command == u"export")
        return Glossa::runExport(words);
    if (command == u"import")
        return Glossa::runImport(words);
    return 2;
}
