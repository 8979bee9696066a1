#include "cli/ExchangeCommands.h"

#include "cli/SubcommandSupport.h"
#include "exchange/ProductExchange.h"
#include "recovery/LanguageLock.h"
#include "exchange/Tmx.h"
#include "memory/ProductMemory.h"
#include "model/LocaleCatalogue.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <cstdio>

namespace Glossa {

int runExport(const QStringList &arguments)
{
    const QString command = QStringLiteral("export");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a language's entries as XLIFF 1.2 or CSV for outside translators."));
    parser.addPositionalArgument(QStringLiteral("LANGUAGE"), QStringLiteral("Display name (\"German (Germany)\") or locale code (\"0x0407\")."));
    parser.addPositionalArgument(QStringLiteral("PRODUCT_DIR"), QStringLiteral("The product directory; the working directory by default."), QStringLiteral("[PRODUCT_DIR]"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("xliff (the default) or csv."), QStringLiteral("FORMAT"), QStringLiteral("xliff"));
    const QCommandLineOption only(QStringLiteral("only"), QStringLiteral("all (the default), untranslated or problems."), QStringLiteral("WHICH"), QStringLiteral("all"));
    const QCommandLineOption reference(QStringLiteral("reference"), QStringLiteral("The language whose values are the source; the master by default."), QStringLiteral("NAME"));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")}, QStringLiteral("The file to write; standard output by default."), QStringLiteral("FILE"));
    const QCommandLineOption suggestionsOption(QStringLiteral("suggestions"), QStringLiteral("Give each unit up to three translation memory matches as <alt-trans>, for the agency's tool (XLIFF only)."));
    const QCommandLineOption tm(QStringLiteral("tm"), QStringLiteral("With --suggestions: a TMX file whose units are offered too; may be repeated."), QStringLiteral("FILE"));
    parser.addOptions({format, only, reference, suggestionsOption, tm, output});
    parser.addHelpOption();

    QString message;
    if (!parseCommand(parser, command, arguments, message))
        return commandFailed(command, message);
    if (parser.isSet(QStringLiteral("help"))) {
        printTo(stdout, parser.helpText());
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || positional.size() > 2)
        return commandFailed(command, QStringLiteral("give LANGUAGE and at most one PRODUCT_DIR"));

    ExchangeFormat exchangeFormat;
    const QString formatName = parser.value(format);
    if (formatName == u"xliff")
        exchangeFormat = ExchangeFormat::Xliff;
    else if (formatName == u"csv")
        exchangeFormat = ExchangeFormat::Csv;
    else
        return commandFailed(command, QStringLiteral("unknown format \"%1\": xliff or csv").arg(formatName));

    ExportSelection selection;
    const QString onlyName = parser.value(only);
    if (onlyName == u"all")
        selection = ExportSelection::All;
    else if (onlyName == u"untranslated")
        selection = ExportSelection::Untranslated;
    else if (onlyName == u"problems")
        selection = ExportSelection::Problems;
    else
        return commandFailed(command, QStringLiteral("unknown selection \"%1\": all, untranslated or problems").arg(onlyName));

    ProductExchange exchange;
    if (!exchange.open(positional.size() > 1 ? positional[1] : QDir::currentPath()))
        return commandFailed(command, exchange.error());
    const QString language = exchange.engine().resolveLanguage(positional[0]);
    if (language.isEmpty())
        return commandFailed(command, QStringLiteral("the product has no language \"%1\"").arg(positional[0]));
    QString referenceLanguage;
    if (parser.isSet(reference)) {
        referenceLanguage = exchange.engine().resolveLanguage(parser.value(reference));
        if (referenceLanguage.isEmpty())
            return commandFailed(command, QStringLiteral("the product has no language \"%1\"").arg(parser.value(reference)));
    }

    if (parser.isSet(tm) && !parser.isSet(suggestionsOption))
        return commandFailed(command, QStringLiteral("--tm goes with --suggestions"));
    std::shared_ptr<const TranslationMemory> memory;
    if (parser.isSet(suggestionsOption)) {
        if (exchangeFormat != ExchangeFormat::Xliff)
            return commandFailed(command, QStringLiteral("--suggestions needs --format xliff: a CSV file has no place for them"));
        const QString master = LocaleCatalogue::DisplayNameForCode(QStringLiteral("0x0409"));
        std::vector<std::shared_ptr<const UnitSet>> tmx;
        for (const QString &path : parser.values(tm)) {
            QString error;
            std::shared_ptr<const UnitSet> units = loadTmxMemory(path, LocaleCatalogue::Bcp47ForDisplayName(master),
                                                                 LocaleCatalogue::Bcp47ForDisplayName(language), error);
            if (!units)
                return commandFailed(command, error);
            tmx.push_back(std::move(units));
        }
        ProductMemory product;
        if (!product.open(exchange.engine().productDirectory()))
            return commandFailed(command, product.error());
        memory = product.memoryFor(language, QString(), std::move(tmx));
        if (!memory)
            return commandFailed(command, product.error());
    }

    QByteArray bytes;
    if (!exchange.exportLanguage(language, referenceLanguage, selection, exchangeFormat, bytes, memory.get()))
        return commandFailed(command, exchange.error());

    if (!parser.isSet(output)) {
        std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
        std::fflush(stdout);
        return std::ferror(stdout) ? commandFailed(command, QStringLiteral("standard output cannot be written")) : 0;
    }
    QSaveFile file(parser.value(output));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return commandFailed(command, QStringLiteral("\"%1\" cannot be written: %2").arg(parser.value(output), file.errorString()));
    return 0;
}

int runImport(const QStringList &arguments)
{
    const QString command = QStringLiteral("import");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Reads translated values back from XLIFF 1.2 (or 1.1) or CSV, checked, into a language file."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The XLIFF or CSV file."));
    parser.addPositionalArgument(QStringLiteral("PRODUCT_DIR"), QStringLiteral("The product directory; the working directory by default."), QStringLiteral("[PRODUCT_DIR]"));
    const QCommandLineOption languageOption(QStringLiteral("language"), QStringLiteral("The language the values go into: display name or locale code. A CSV file needs it; it overrides the file's own (with a warning)."), QStringLiteral("NAME"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), QStringLiteral("Write nothing; list what would change."));
    const QCommandLineOption acceptErrors(QStringLiteral("accept-errors"), QStringLiteral("Let in values that fail the placeholder check."));
    const QCommandLineOption onlyCurrentSource(QStringLiteral("only-current-source"), QStringLiteral("Leave out units translated from an English that has changed since."));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("text (the default) or json: the summary for scripts on standard output."), QStringLiteral("FORMAT"), QStringLiteral("text"));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Import into a language that is open in Glossa Desk (its lock file "
                                                  "\".NAME.ini.lock\" names the holder). Without it such a language is "
                                                  "refused with exit status 2. Either way the file is read, merged key by "
                                                  "key and written under the lock: a value another program changed "
                                                  "since it was read is kept and reported."));
    parser.addOptions({languageOption, dryRun, acceptErrors, onlyCurrentSource, format, force});
    parser.addHelpOption();

    QString message;
    if (!parseCommand(parser, command, arguments, message))
        return commandFailed(command, message);
    if (parser.isSet(QStringLiteral("help"))) {
        printTo(stdout, parser.helpText());
        return 0;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || positional.size() > 2)
        return commandFailed(command, QStringLiteral("give FILE and at most one PRODUCT_DIR"));
    const QString formatName = parser.value(format);
    if (formatName != u"text" && formatName != u"json")
        return commandFailed(command, QStringLiteral("unknown format \"%1\": text or json").arg(formatName));
    const bool json = formatName == u"json";

    QFile input(positional[0]);
    if (!input.open(QIODevice::ReadOnly))
        return commandFailed(command, QStringLiteral("\"%1\" cannot be read: %2").arg(positional[0], input.errorString()));
    const QByteArray bytes = input.readAll();
    input.close();

    ExchangeFile file;
    if (!readExchangeFile(bytes, file, message))
        return commandFailed(command, QStringLiteral("\"%1\" is refused: %2").arg(positional[0], message));

    ProductExchange exchange;
    if (!exchange.open(positional.size() > 1 ? positional[1] : QDir::currentPath()))
        return commandFailed(command, exchange.error());
    const QString language = exchange.importLanguage(file, parser.value(languageOption));
    if (language.isEmpty())
        return commandFailed(command, QStringLiteral("\"%1\" is refused: %2").arg(positional[0], exchange.error()));
    if (!exchange.warning().isEmpty())
        printTo(stderr, QStringLiteral("glossa import: warning: %1\n").arg(exchange.warning()));
    // The lock is held from the read to the write, so that an editor opening the
    // language meanwhile is told, and one open on it sees the import as a change from outside.
    LanguageLock lock;
    if (!parser.isSet(dryRun) && lock.acquire(exchange.languageFilePath(language)) == LanguageLock::State::HeldByOther
        && !parser.isSet(force))
        return commandFailed(command, QStringLiteral("%1; nothing was written (--force imports all the same)")
                                   .arg(LanguageLock::describeHolder(language, lock.holder())));
    ImportTarget target;
    if (!exchange.importTarget(language, target))
        return commandFailed(command, exchange.error());
    ImportOptions options;
    options.acceptErrors = parser.isSet(acceptErrors);
    options.onlyCurrentSource = parser.isSet(onlyCurrentSource);
    const ImportPlan plan = planImport(file, target, options);
    if (plan.fileRefused)
        return commandFailed(command, QStringLiteral("\"%1\" is refused: %2").arg(positional[0], plan.error));

    const bool dry = parser.isSet(dryRun);
    std::vector<MergeConflict> conflicts;
    if (!dry && !exchange.apply(language, plan, &target, &conflicts))
        return commandFailed(command, QStringLiteral("nothing was written: %1").arg(exchange.error()));
    const int status = plan.refusals.empty() && conflicts.empty() ? 0 : 1;

    if (json) {
        QJsonArray refused;
        for (const ImportRefusal &refusal : plan.refusals)
            refused.append(QJsonObject{{QStringLiteral("key"), refusal.key}, {QStringLiteral("reason"), refusal.reason}});
        for (const MergeConflict &conflict : conflicts)
            refused.append(QJsonObject{{QStringLiteral("key"), conflict.key},
                                       {QStringLiteral("reason"), QStringLiteral("changed on disk while importing")}});
        QJsonArray sourceChanged;
        for (const QString &key : plan.sourceChanged)
            sourceChanged.append(key);
        const QJsonValue converted = exchange.notice().isEmpty()
            ? QJsonValue(QJsonValue::Null)
            : QJsonValue(QJsonObject{{QStringLiteral("from"), QStringLiteral("legacy-8bit")},
                                     {QStringLiteral("to"), QStringLiteral("utf-16le")}});
        const QJsonObject summary{
            {QStringLiteral("file"), positional[0]},
            {QStringLiteral("language"), language},
            {QStringLiteral("changed"), int(plan.changes.size() - conflicts.size())},
            {QStringLiteral("skipped"), plan.unchanged + plan.skipped},
            {QStringLiteral("refused"), refused},
            {QStringLiteral("source_changed"), sourceChanged},
            {QStringLiteral("converted"), converted},
            {QStringLiteral("written"), exchange.written()},
        };
        const QByteArray out = QJsonDocument(summary).toJson(QJsonDocument::Indented);
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        return status;
    }

    for (const ImportRefusal &refusal : plan.refusals)
        printTo(stderr, QStringLiteral("refused %1: %2\n").arg(refusal.key, refusal.reason));
    for (const MergeConflict &conflict : conflicts)
        printTo(stderr, QStringLiteral("refused %1: changed on disk while importing, to %2\n")
                            .arg(conflict.key, conflict.disk.value_or(QString())));
    if (!plan.sourceChanged.empty()) {
        QStringList keys;
        for (size_t i = 0; i < plan.sourceChanged.size() && i < 10; ++i)
            keys.append(plan.sourceChanged[i]);
        const qsizetype count = qsizetype(plan.sourceChanged.size());
        printTo(stderr, QStringLiteral("%1 %2 translated from an English that has changed since%3: %4%5\n")
                            .arg(count)
                            .arg(count == 1 ? QStringLiteral("unit was") : QStringLiteral("units were"),
                                 options.onlyCurrentSource ? QStringLiteral(" (left out)") : QString(),
                                 keys.join(QStringLiteral(", ")),
                                 count > 10 ? QStringLiteral(" and %1 more").arg(count - 10) : QString()));
    }
    if (dry) {
        for (const ImportChange &change : plan.changes)
            printTo(stdout, QStringLiteral("%1: %2 -> %3\n")
                                .arg(change.key, change.oldValue, LanguageStore::quotedForSaving(change.newValue)));
    }
    if (!exchange.notice().isEmpty())
        printTo(stderr, exchange.notice() + u'\n');
    printTo(stderr, QStringLiteral("%1: %2 %3, %4 refused, %5 unchanged\n")
                        .arg(language, QString::number(plan.changes.size() - conflicts.size()),
                             dry ? QStringLiteral("would change") : QStringLiteral("changed"),
                             QString::number(plan.refusals.size() + conflicts.size()),
                             QString::number(plan.unchanged + plan.skipped)));
    return status;
}

} // namespace Glossa
