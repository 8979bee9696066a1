#include "cli/MemoryCommands.h"

#include "platform/Parallel.h"

#include "cli/Command.h"
#include "cli/SubcommandSupport.h"
#include "exchange/ProductExchange.h"
#include "exchange/Tmx.h"
#include "memory/ProductMemory.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "recovery/LanguageLock.h"

#include <QSet>
#include <QCommandLineParser>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <future>
#include <set>
#include <thread>

namespace Glossa {

namespace {

const QString MasterName = MasterLanguageFileName.chopped(4);

void addLanguageArguments(QCommandLineParser &parser)
{
    parser.addPositionalArgument(QStringLiteral("LANGUAGE"),
                                 QStringLiteral("Display name (\"German (Germany)\") or locale code (\"0x0407\")."));
    parser.addPositionalArgument(QStringLiteral("PRODUCT_DIR"),
                                 QStringLiteral("The product directory; the working directory by default."),
                                 QStringLiteral("[PRODUCT_DIR]"));
}

const QCommandLineOption TmOption(QStringLiteral("tm"),
                                  QStringLiteral("A TMX file whose units of the language are offered too; may be repeated."),
                                  QStringLiteral("FILE"));
const QCommandLineOption SinceOption(QStringLiteral("since"),
                                     QStringLiteral("An earlier release (its product folder or master file) whose "
                                                    "translations of the language are offered too."),
                                     QStringLiteral("EARLIER"));

// The product, the language and its memory, as the memory commands open them.
struct Opened
{
    ProductMemory product;
    QString language;
    std::shared_ptr<const TranslationMemory> memory;
};

// One TMX file read for the memory.
struct TmxRead
{
    std::shared_ptr<const UnitSet> units;
    QString error;
    int otherLanguages = 0;
};

std::vector<TmxRead> readTmxFiles(const QStringList &paths, const QString &source, const QString &target)
{
    std::vector<TmxRead> reads;
    for (const QString &path : paths) {
        TmxRead read;
        read.units = loadTmxMemory(path, source, target, read.error, &read.otherLanguages);
        reads.push_back(std::move(read));
        if (!reads.back().units)
            break; // the first refused file is said, the rest not read
    }
    return reads;
}

// Opens PRODUCT_DIR and builds LANGUAGE's memory with the TMX files and earlier
// release of the options. 0, or the exit status after the message is printed.
int openMemory(const QString &command, const QStringList &positional, const QCommandLineParser &parser, Opened &opened)
{
    if (positional.isEmpty() || positional.size() > 2)
        return commandFailed(command, QStringLiteral("give LANGUAGE and at most one PRODUCT_DIR"));
    const QString source = LocaleCatalogue::Bcp47ForDisplayName(MasterName);
    // The TMX files are read on another thread while the product is read and its English
    // indexed: LANGUAGE, a display name or a locale code, names its tag before the product
    // says whether it has the language.
    const QStringList tmxPaths = parser.values(TmOption);
    QString guessed = LocaleCatalogue::Bcp47ForDisplayName(positional[0]);
    if (guessed.isEmpty())
        guessed = LocaleCatalogue::Bcp47ForDisplayName(LocaleCatalogue::DisplayNameForCode(positional[0].toLower()));
    std::future<std::vector<TmxRead>> early;
    if (!tmxPaths.isEmpty() && !guessed.isEmpty())
        early = std::async(std::launch::async, readTmxFiles, tmxPaths, source, guessed);
    if (!opened.product.open(positional.size() > 1 ? positional[1] : QDir::currentPath()))
        return commandFailed(command, opened.product.error());
    opened.language = opened.product.engine().resolveLanguage(positional[0]);
    if (opened.language.isEmpty())
        return commandFailed(command, QStringLiteral("the product has no language \"%1\"").arg(positional[0]));
    if (opened.language == MasterName)
        return commandFailed(command, QStringLiteral("%1 is the master: its English is the source of every match").arg(MasterName));
    // The product's part of the memory is built while the TMX files are still being read.
    opened.memory = opened.product.memoryFor(opened.language, parser.value(SinceOption), {});
    if (!opened.memory)
        return commandFailed(command, opened.product.error());
    const QString target = LocaleCatalogue::Bcp47ForDisplayName(opened.language);
    std::vector<TmxRead> reads = early.valid() ? early.get() : std::vector<TmxRead>();
    if (!tmxPaths.isEmpty() && (reads.empty() || target != guessed))
        reads = readTmxFiles(tmxPaths, source, target);
    std::vector<std::shared_ptr<const UnitSet>> tmx;
    for (qsizetype i = 0; i < qsizetype(reads.size()); ++i) {
        TmxRead &read = reads[size_t(i)];
        if (!read.units)
            return commandFailed(command, read.error);
        if (read.otherLanguages > 0)
            printTo(stderr, QStringLiteral("%1: %2 units of other languages skipped\n").arg(tmxPaths[i]).arg(read.otherLanguages));
        tmx.push_back(std::move(read.units));
    }
    if (!tmx.empty())
        opened.memory = opened.memory->withUnits(opened.memory->earlier(), std::move(tmx));
    return Cli::ExitOk;
}

// The first row of each key in master order: a key the master repeats is one entry.
std::vector<int> firstRows(const QStringList &names)
{
    std::vector<int> rows;
    QSet<QString> seen;
    for (int i = 0; i < int(names.size()); ++i)
        if (!seen.contains(names[i])) {
            seen.insert(names[i]);
            rows.push_back(i);
        }
    return rows;
}

// The matches of many entries, on every core: the memory is immutable and its lookups are const.
std::vector<std::vector<MemoryMatch>> suggestAll(const TranslationMemory &memory, const std::vector<int> &rows,
                                                 int minScore, int maxMatches)
{
    std::vector<std::vector<MemoryMatch>> results(rows.size());
    const size_t threads = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 16);
    // A few entries at a time to whichever thread is free: some entries take far longer
    // than others, and a core may be busy with another program.
    constexpr size_t Batch = 8;
    std::atomic<size_t> next{0};
    const auto work = [&] {
        for (size_t begin = next.fetch_add(Batch); begin < rows.size(); begin = next.fetch_add(Batch))
            for (size_t i = begin; i < std::min(rows.size(), begin + Batch); ++i)
                results[i] = memory.suggestFor(rows[i], minScore, maxMatches);
    };
    runOnThreads(int(std::clamp<size_t>((rows.size() + Batch - 1) / Batch, 1, threads)), [&work](int) { work(); });
    return results;
}

QJsonValue textOrNull(const QString &text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

} // namespace

int runSuggest(const QStringList &arguments)
{
    const QString command = QStringLiteral("suggest");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints the translation memory's matches for entries of a language: other keys of the product and of\n"
        "languages with the same base language, an earlier release and TMX files. A score is 100 for the\n"
        "same English, 99 when only letter case, white space, the closing punctuation or an & differ, else\n"
        "100 x (1 - edit distance / longer length) with each placeholder one character; a match whose\n"
        "placeholders differ from the entry's English loses 10."));
    addLanguageArguments(parser);
    const QCommandLineOption key(QStringLiteral("key"), QStringLiteral("An entry to match; may be repeated."), QStringLiteral("KEY"));
    const QCommandLineOption untranslated(QStringLiteral("untranslated"), QStringLiteral("Match every blank or missing entry."));
    const QCommandLineOption minimum(QStringLiteral("min"), QStringLiteral("The lowest score shown, 0 to 100 (default 70)."), QStringLiteral("SCORE"), QStringLiteral("70"));
    const QCommandLineOption maximum(QStringLiteral("max"), QStringLiteral("At most N matches per entry (default 5)."), QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption format(QStringLiteral("format"), QStringLiteral("text (the default) or json."), QStringLiteral("FORMAT"), QStringLiteral("text"));
    parser.addOptions({key, untranslated, TmOption, SinceOption, minimum, maximum, format});
    parser.addHelpOption();

    QString message;
    if (!parseCommand(parser, command, arguments, message))
        return commandFailed(command, message);
    if (parser.isSet(QStringLiteral("help"))) {
        printTo(stdout, parser.helpText());
        return Cli::ExitOk;
    }
    bool ok = false;
    const int minScore = parser.value(minimum).toInt(&ok);
    if (!ok || minScore < 0 || minScore > 100)
        return commandFailed(command, QStringLiteral("--min takes a score from 0 to 100, not \"%1\"").arg(parser.value(minimum)));
    const int maxMatches = parser.value(maximum).toInt(&ok);
    if (!ok || maxMatches < 1)
        return commandFailed(command, QStringLiteral("--max takes a number from 1 up, not \"%1\"").arg(parser.value(maximum)));
    const QString formatName = parser.value(format);
    if (formatName != u"text" && formatName != u"json")
        return commandFailed(command, QStringLiteral("unknown format \"%1\": text or json").arg(formatName));
    if (!parser.isSet(key) && !parser.isSet(untranslated))
        return commandFailed(command, QStringLiteral("give the entries: --key KEY or --untranslated"));

    Opened opened;
    if (const int status = openMemory(command, parser.positionalArguments(), parser, opened); status != Cli::ExitOk)
        return status;
    const TranslationMemory &memory = *opened.memory;
    const QStringList &names = opened.product.engine().attributeNames();

    std::set<int> wanted;
    for (const QString &name : parser.values(key)) {
        const qsizetype row = names.indexOf(name);
        if (row < 0)
            return commandFailed(command, QStringLiteral("the master has no key \"%1\"").arg(name));
        wanted.insert(int(row));
    }
    if (parser.isSet(untranslated))
        for (const int row : firstRows(names))
            if (isBlankValue(memory.language().values[row]))
                wanted.insert(row);
    const std::vector<int> rows(wanted.begin(), wanted.end());
    const std::vector<std::vector<MemoryMatch>> results = suggestAll(memory, rows, minScore, maxMatches);

    QByteArray out;
    if (formatName == u"json") {
        QJsonArray entries;
        for (size_t i = 0; i < rows.size(); ++i) {
            QJsonArray suggestions;
            for (const MemoryMatch &match : results[i])
                suggestions.append(QJsonObject{
                    {QStringLiteral("score"), match.score},
                    {QStringLiteral("text"), match.text},
                    {QStringLiteral("source"), match.source},
                    {QStringLiteral("origin"), QJsonObject{{QStringLiteral("kind"), originKindName(match.origin)},
                                                           {QStringLiteral("key"), textOrNull(match.key)},
                                                           {QStringLiteral("language"), match.language},
                                                           {QStringLiteral("file"), match.file}}},
                    {QStringLiteral("uses"), match.uses},
                    {QStringLiteral("placeholders_differ"), match.placeholdersDiffer},
                });
            entries.append(QJsonObject{{QStringLiteral("key"), names[rows[i]]},
                                       {QStringLiteral("reference"), memory.english().english(rows[i])},
                                       {QStringLiteral("suggestions"), suggestions}});
        }
        out = QJsonDocument(QJsonObject{{QStringLiteral("language"), opened.language},
                                        {QStringLiteral("code"), LocaleCatalogue::CodeForDisplayName(opened.language)},
                                        {QStringLiteral("entries"), entries}})
                  .toJson(QJsonDocument::Indented);
    } else {
        QString text;
        for (size_t i = 0; i < rows.size(); ++i) {
            text += QStringLiteral("%1: %2\n").arg(names[rows[i]], memory.english().english(rows[i]));
            if (results[i].empty())
                text += QStringLiteral("       no match\n");
            for (const MemoryMatch &match : results[i]) {
                QString notes = originLabel(match);
                if (match.uses > 1)
                    notes += QStringLiteral(", %1 uses").arg(match.uses);
                if (match.placeholdersDiffer)
                    notes += QStringLiteral(", placeholders differ");
                text += QStringLiteral("  %1  %2  (%3)\n").arg(match.score, 3).arg(match.text, notes);
            }
        }
        out = text.toUtf8();
    }
    Cli::printOut(out);
    return std::ferror(stdout) ? commandFailed(command, QStringLiteral("standard output cannot be written")) : Cli::ExitOk;
}

int runTm(const QStringList &arguments)
{
    const QString command = QStringLiteral("tm export");
    if (arguments.isEmpty() || arguments.front() != u"export") {
        if (!arguments.isEmpty() && (arguments.front() == u"--help" || arguments.front() == u"-h")) {
            printTo(stdout, QStringLiteral("Usage: glossa tm export LANGUAGE [PRODUCT_DIR] [-o FILE]\n"
                                           "Writes the language's translations as a TMX 1.4b translation memory.\n"
                                           "glossa tm export --help shows its options.\n"));
            return Cli::ExitOk;
        }
        return commandFailed(QStringLiteral("tm"), QStringLiteral("give what to do: glossa tm export LANGUAGE [PRODUCT_DIR] [-o FILE]"));
    }
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the language's translations as TMX 1.4b: one unit per translated attribute (its key as the\n"
        "tuid), the English and the translation as the files hold them, placeholders as literal text."));
    addLanguageArguments(parser);
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The file to write; standard output by default."), QStringLiteral("FILE"));
    parser.addOption(output);
    parser.addHelpOption();
    QString message;
    if (!parseCommand(parser, command, arguments.mid(1), message))
        return commandFailed(command, message);
    if (parser.isSet(QStringLiteral("help"))) {
        printTo(stdout, parser.helpText());
        return Cli::ExitOk;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || positional.size() > 2)
        return commandFailed(command, QStringLiteral("give LANGUAGE and at most one PRODUCT_DIR"));
    ProductMemory product;
    if (!product.open(positional.size() > 1 ? positional[1] : QDir::currentPath()))
        return commandFailed(command, product.error());
    const QString language = product.engine().resolveLanguage(positional[0]);
    if (language.isEmpty())
        return commandFailed(command, QStringLiteral("the product has no language \"%1\"").arg(positional[0]));
    if (language == MasterName)
        return commandFailed(command, QStringLiteral("%1 is the master: a memory pairs it with another language").arg(MasterName));
    LanguageColumn column;
    if (!product.readColumn(language, column))
        return commandFailed(command, product.error());

    TmxDocument document;
    document.sourceLanguage = LocaleCatalogue::Bcp47ForDisplayName(MasterName);
    document.targetLanguage = LocaleCatalogue::Bcp47ForDisplayName(language);
    document.toolVersion = QStringLiteral(GLOSSA_VERSION);
    const QStringList &names = product.engine().attributeNames();
    for (const int row : firstRows(names))
        if (!isBlankValue(column.values[row]))
            document.units.push_back({names[row], product.english()->english(row), valueText(column.values[row]).toString()});
    int skipped = 0;
    const QByteArray bytes = writeTmx(document, &skipped);
    if (skipped > 0)
        printTo(stderr, QStringLiteral("%1 units left out: they hold characters XML cannot carry\n").arg(skipped));
    if (!Cli::writeOutput(parser.value(output), bytes))
        return Cli::ExitUsage;
    return Cli::ExitOk;
}

int runPretranslate(const QStringList &arguments)
{
    const QString command = QStringLiteral("pretranslate");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Fills the language's blank and missing values with the translation memory's 100 matches, where\n"
        "every 100 match agrees; entries whose 100 matches differ are listed and left alone. A translated\n"
        "value is never changed. The file is written once, as Save writes it.\n\n"
        "Exit status: 0 filled or nothing to do, 1 some entries ambiguous, 2 a usage error or a file that\n"
        "cannot be read or written."));
    addLanguageArguments(parser);
    const QCommandLineOption dryRun(QStringLiteral("dry-run"), QStringLiteral("Write nothing; list what would change."));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Fill a language that is open in Glossa Desk (its lock file "
                                                  "\".NAME.ini.lock\" names the holder). Without it such a language is "
                                                  "refused with exit status 2. Either way the file is merged key by key "
                                                  "with what changed on disk since it was read, under the lock."));
    parser.addOptions({TmOption, SinceOption, dryRun, force});
    parser.addHelpOption();
    QString message;
    if (!parseCommand(parser, command, arguments, message))
        return commandFailed(command, message);
    if (parser.isSet(QStringLiteral("help"))) {
        printTo(stdout, parser.helpText());
        return Cli::ExitOk;
    }
    Opened opened;
    if (const int status = openMemory(command, parser.positionalArguments(), parser, opened); status != Cli::ExitOk)
        return status;
    const TranslationMemory &memory = *opened.memory;
    const QStringList &names = opened.product.engine().attributeNames();

    std::vector<int> blank;
    for (const int row : firstRows(names))
        if (isBlankValue(memory.language().values[row]))
            blank.push_back(row);
    const std::vector<std::vector<MemoryMatch>> results = suggestAll(memory, blank, 100, -1);

    ImportPlan plan;
    int ambiguous = 0;
    const bool dry = parser.isSet(dryRun);
    // The lines in key order; a filled entry's line is printed once it is written (or, with
    // --dry-run, as what would be written), never for a write that failed or was left alone.
    struct Line
    {
        QString key;
        QString text;
        bool fills;
    };
    std::vector<Line> lines;
    for (size_t i = 0; i < blank.size(); ++i) {
        const std::vector<MemoryMatch> &matches = results[i];
        const QString &name = names[blank[i]];
        if (matches.size() == 1) {
            plan.changes.push_back({name, blank[i], memory.language().values[blank[i]], matches.front().text});
            lines.push_back({name,
                             QStringLiteral("%1: %2 -> %3\n")
                                 .arg(name, memory.language().values[blank[i]],
                                      LanguageStore::quotedForSaving(matches.front().text)),
                             true});
        } else if (matches.size() > 1) {
            ++ambiguous;
            QStringList texts;
            for (const MemoryMatch &match : matches)
                texts.append(LanguageStore::quotedForSaving(match.text) + QStringLiteral(" (") + originLabel(match) + u')');
            lines.push_back({name, QStringLiteral("ambiguous %1: %2\n").arg(name, texts.join(QStringLiteral(", "))), false});
        }
    }
    std::vector<MergeConflict> conflicts;
    auto printLines = [&](bool written) {
        QSet<QString> leftAlone;
        for (const MergeConflict &conflict : conflicts)
            leftAlone.insert(conflict.key);
        for (const Line &line : lines)
            if (!line.fills || (written && !leftAlone.contains(line.key)))
                printTo(stdout, line.text);
    };
    if (!dry && !plan.changes.empty()) {
        ProductExchange exchange;
        const auto failed = [&](const QString &why) {
            printLines(false);
            return commandFailed(command, why);
        };
        if (!exchange.open(opened.product.engine().productDirectory()))
            return failed(QStringLiteral("nothing was written: %1").arg(exchange.error()));
        // Written under the language's lock, merged with what changed on disk since
        // the memory read it, so that an editor open on it sees a change from outside.
        LanguageLock lock;
        if (lock.acquire(exchange.languageFilePath(opened.language)) == LanguageLock::State::HeldByOther
            && !parser.isSet(force))
            return failed(QStringLiteral("%1; nothing was written (--force fills it all the same)")
                              .arg(LanguageLock::describeHolder(opened.language, lock.holder())));
        ImportTarget readAs;
        readAs.attributeNames = names;
        readAs.currentValues = memory.language().values;
        if (!exchange.apply(opened.language, plan, &readAs, &conflicts))
            return failed(QStringLiteral("nothing was written: %1").arg(exchange.error()));
        for (const MergeConflict &conflict : conflicts)
            printTo(stderr, QStringLiteral("left alone %1: changed on disk meanwhile, to %2\n")
                                .arg(conflict.key, conflict.disk.value_or(QString())));
    }
    printLines(true);
    printTo(stderr, QStringLiteral("%1: %2 %3, %4 ambiguous left alone\n")
                        .arg(opened.language, QString::number(plan.changes.size() - conflicts.size()),
                             dry ? QStringLiteral("would be filled") : QStringLiteral("filled"),
                             QString::number(ambiguous)));
    std::fflush(stdout);
    return ambiguous > 0 || !conflicts.empty() ? 1 : Cli::ExitOk;
}

} // namespace Glossa
