#include "cli/TermsCommands.h"

#include "checks/CheckEngine.h"
#include "checks/ReleaseComparison.h"
#include "cli/Command.h"
#include "cli/SubcommandSupport.h"
#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "terms/GlossaryFormats.h"
#include "terms/TermExtraction.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>

namespace Glossa {

namespace {

const QString MasterName = MasterLanguageFileName.chopped(4);

const QCommandLineOption OutputOption(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                      QStringLiteral("The file to write; standard output by default."),
                                      QStringLiteral("FILE"));
const QCommandLineOption FormatOption(QStringLiteral("format"),
                                      QStringLiteral("tbx, tsv (OmegaT's glossary), csv (a column per language) or "
                                                     "qph (a Qt Linguist phrase book); by default the file's extension "
                                                     "says, else tbx."),
                                      QStringLiteral("FORMAT"));
const QCommandLineOption LanguageOption(QStringLiteral("language"),
                                        QStringLiteral("The language of a tsv or qph file: a display name, a locale "
                                                       "code or a BCP 47 tag (\"de\": every German)."),
                                        QStringLiteral("NAME"));

void addProductArgument(QCommandLineParser &parser)
{
    parser.addPositionalArgument(QStringLiteral("PRODUCT_DIR"),
                                 QStringLiteral("The product directory; the working directory by default."),
                                 QStringLiteral("[PRODUCT_DIR]"));
}

// Parses the words after "terms WORD"; 0 to go on, -1 after --help, else the exit status.
int parse(QCommandLineParser &parser, const QString &command, const QStringList &arguments)
{
    parser.addHelpOption();
    QString message;
    if (!parseCommand(parser, command, arguments, message))
        return commandFailed(command, message);
    if (parser.isSet(QStringLiteral("help"))) {
        printTo(stdout, parser.helpText());
        return -1;
    }
    return 0;
}

// A language's BCP 47 tag from a display name, a locale code or a tag.
QString tagFor(const QString &name)
{
    if (const QString tag = LocaleCatalogue::Bcp47ForDisplayName(name); !tag.isEmpty())
        return tag;
    if (const QString tag = LocaleCatalogue::Bcp47ForDisplayName(LocaleCatalogue::DisplayNameForCode(name.toLower()));
        !tag.isEmpty())
        return tag;
    if (!LocaleCatalogue::DisplayNameForBcp47(name).isEmpty())
        return LocaleCatalogue::Bcp47ForDisplayName(LocaleCatalogue::DisplayNameForBcp47(name));
    // A tag of no catalogue language, "de" above all: the glossary's terms for every German.
    if (const QString tag = normalisedLanguageTag(name); looksLikeLanguageTag(tag))
        return tag;
    return {};
}

// The format of a file: --format, else its extension, else fallback.
bool formatOf(const QCommandLineParser &parser, const QString &path, GlossaryFormat fallback, GlossaryFormat &format,
              QString &error)
{
    if (parser.isSet(FormatOption)) {
        if (!glossaryFormatForName(parser.value(FormatOption), format)) {
            error = QStringLiteral("--format takes tbx, tsv, csv or qph, not \"%1\"").arg(parser.value(FormatOption));
            return false;
        }
        return true;
    }
    if (!glossaryFormatForPath(path, format))
        format = fallback;
    return true;
}

int runExtract(const QStringList &arguments)
{
    const QString command = QStringLiteral("terms extract");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Proposes glossary entries from the product: English words and phrases of one to three words that are the\n"
        "whole text of some keys and recur inside other texts, with the translation the language gives them,\n"
        "marked for review where it translates them in different ways or seldom uses the translation inside\n"
        "texts. Ranked by how many texts use the translation, then by how often the term recurs. Written as\n"
        "OmegaT's tab-separated glossary (English, translation, comment), or as TBX when FILE ends in .tbx."));
    parser.addPositionalArgument(QStringLiteral("LANGUAGE"),
                                 QStringLiteral("Display name (\"German (Germany)\") or locale code (\"0x0407\")."));
    addProductArgument(parser);
    const QCommandLineOption maximum(QStringLiteral("max"), QStringLiteral("At most N proposals (default: all)."),
                                     QStringLiteral("N"), QStringLiteral("0"));
    parser.addOptions({maximum, OutputOption});
    if (const int status = parse(parser, command, arguments))
        return status < 0 ? Cli::ExitOk : status;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || positional.size() > 2)
        return commandFailed(command, QStringLiteral("give LANGUAGE and at most one PRODUCT_DIR"));
    bool ok = false;
    const int maxTerms = parser.value(maximum).toInt(&ok);
    if (!ok || maxTerms < 0)
        return commandFailed(command, QStringLiteral("--max takes a number, not \"%1\"").arg(parser.value(maximum)));
    CheckEngine engine;
    if (!engine.open(positional.size() > 1 ? positional[1] : QDir::currentPath()))
        return commandFailed(command, engine.error());
    const QString language = engine.resolveLanguage(positional[0]);
    if (language.isEmpty())
        return commandFailed(command, QStringLiteral("the product has no language \"%1\"").arg(positional[0]));
    if (language == MasterName)
        return commandFailed(command, QStringLiteral("%1 is the master: the terms are its English").arg(MasterName));
    QHash<QString, QString> held;
    QString why;
    const QString path = QDir(engine.productDirectory()).filePath(QStringLiteral("language/") + LanguageStore::fileNameFor(language));
    if (!readLanguageValues(path, &held, &why))
        return commandFailed(command, why);
    QStringList values;
    values.reserve(engine.attributeNames().size());
    for (const QString &name : engine.attributeNames())
        values.append(held.value(name));
    const QString tag = LocaleCatalogue::Bcp47ForDisplayName(language);
    const std::vector<ExtractedTerm> terms = extractTerms(engine.masterValues(), values, tag, maxTerms);
    GlossaryFormat format = GlossaryFormat::Tsv;
    glossaryFormatForPath(parser.value(OutputOption), format);
    const QByteArray bytes = format == GlossaryFormat::Tbx ? writeTbx(extractedGlossary(terms, tag)) : extractedAsTsv(terms);
    if (!Cli::writeOutput(parser.value(OutputOption), bytes))
        return Cli::ExitUsage;
    if (!parser.value(OutputOption).isEmpty() && parser.value(OutputOption) != u"-")
        printTo(stderr, QStringLiteral("%1 proposals written to %2\n").arg(terms.size()).arg(parser.value(OutputOption)));
    return Cli::ExitOk;
}

// The product directory of positional[index] (the working directory when absent),
// checked to be a product: its master file is there.
bool productDirectory(const QStringList &positional, qsizetype index, QString &directory, QString &error)
{
    directory = positional.size() > index ? positional[index] : QDir::currentPath();
    if (!QFile::exists(QDir(directory).filePath(QStringLiteral("language/") + MasterLanguageFileName))) {
        error = QStringLiteral("\"%1\" is not a product: it has no language/%2").arg(directory, MasterLanguageFileName);
        return false;
    }
    return true;
}

int runImport(const QStringList &arguments)
{
    const QString command = QStringLiteral("terms import");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Adds a glossary file's entries to the product's glossary, glossa-glossary.tbx in PRODUCT_DIR (made\n"
        "when the product has none). An entry whose English term the glossary has already gets the terms it\n"
        "lacks; a term it has takes the file's status. TBX (v2 <martif> or v3 TBX-Basic), OmegaT's\n"
        "tab-separated glossary, CSV with a column per language tag, or a Qt Linguist phrase book."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The glossary file to read."));
    addProductArgument(parser);
    parser.addOptions({FormatOption, LanguageOption});
    if (const int status = parse(parser, command, arguments))
        return status < 0 ? Cli::ExitOk : status;
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty() || positional.size() > 2)
        return commandFailed(command, QStringLiteral("give FILE and at most one PRODUCT_DIR"));
    QString directory, error;
    if (!productDirectory(positional, 1, directory, error))
        return commandFailed(command, error);
    GlossaryFormat format = GlossaryFormat::Tbx;
    if (!formatOf(parser, positional[0], GlossaryFormat::Tbx, format, error))
        return commandFailed(command, error);
    QString tag;
    if (parser.isSet(LanguageOption)) {
        tag = tagFor(parser.value(LanguageOption));
        if (tag.isEmpty())
            return commandFailed(command, QStringLiteral("\"%1\" names no language").arg(parser.value(LanguageOption)));
    }
    QFile file(positional[0]);
    if (!file.open(QIODevice::ReadOnly))
        return commandFailed(command, QStringLiteral("\"%1\" cannot be read: %2").arg(positional[0], file.errorString()));
    Glossary incoming;
    if (!readGlossary(file.readAll(), format, incoming, error, tag))
        return commandFailed(command, QStringLiteral("\"%1\" is refused: %2").arg(positional[0], error));
    Glossary glossary;
    if (!loadProductGlossary(directory, glossary, error))
        return commandFailed(command, error);
    int added = 0, updated = 0;
    glossary.merge(incoming, &added, &updated);
    if (!saveProductGlossary(directory, glossary, error))
        return commandFailed(command, error);
    printTo(stdout, QStringLiteral("%1 entries added, %2 updated; the glossary has %3\n")
                        .arg(added).arg(updated).arg(glossary.concepts.size()));
    return Cli::ExitOk;
}

int runExport(const QStringList &arguments)
{
    const QString command = QStringLiteral("terms export");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the product's glossary (glossa-glossary.tbx in PRODUCT_DIR) as TBX v2, CSV with a column per\n"
        "language tag, or, for one language (--language), OmegaT's tab-separated glossary or a Qt Linguist\n"
        "phrase book."));
    addProductArgument(parser);
    parser.addOptions({FormatOption, LanguageOption, OutputOption});
    if (const int status = parse(parser, command, arguments))
        return status < 0 ? Cli::ExitOk : status;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() > 1)
        return commandFailed(command, QStringLiteral("give at most one PRODUCT_DIR"));
    QString directory, error;
    if (!productDirectory(positional, 0, directory, error))
        return commandFailed(command, error);
    GlossaryFormat format = GlossaryFormat::Tbx;
    if (!formatOf(parser, parser.value(OutputOption), GlossaryFormat::Tbx, format, error))
        return commandFailed(command, error);
    QString tag;
    if (parser.isSet(LanguageOption)) {
        tag = tagFor(parser.value(LanguageOption));
        if (tag.isEmpty())
            return commandFailed(command, QStringLiteral("\"%1\" names no language").arg(parser.value(LanguageOption)));
    } else if (glossaryFormatIsBilingual(format)) {
        return commandFailed(command, QStringLiteral("a %1 file holds one language: give it with --language")
                                          .arg(glossaryFormatName(format)));
    }
    Glossary glossary;
    if (!loadProductGlossary(directory, glossary, error))
        return commandFailed(command, error);
    if (!QFile::exists(productGlossaryPath(directory)))
        return commandFailed(command, QStringLiteral("the product has no glossary (%1)").arg(productGlossaryPath(directory)));
    if (!Cli::writeOutput(parser.value(OutputOption), writeGlossary(glossary, format, tag)))
        return Cli::ExitUsage;
    return Cli::ExitOk;
}

} // namespace

int runTerms(const QStringList &arguments)
{
    const QString what = arguments.value(0);
    if (what == u"extract")
        return runExtract(arguments.mid(1));
    if (what == u"import")
        return runImport(arguments.mid(1));
    if (what == u"export")
        return runExport(arguments.mid(1));
    if (what == u"--help" || what == u"-h") {
        printTo(stdout, QStringLiteral("Usage: glossa terms extract LANGUAGE [PRODUCT_DIR] [--max N] [-o FILE]\n"
                                       "       glossa terms import FILE [PRODUCT_DIR] [--format FORMAT] [--language NAME]\n"
                                       "       glossa terms export [PRODUCT_DIR] [--format FORMAT] [--language NAME] [-o FILE]\n"
                                       "The product's glossary. glossa terms WORD --help shows each one's options.\n"));
        return Cli::ExitOk;
    }
    return commandFailed(QStringLiteral("terms"), what.isEmpty() ? QStringLiteral("give what to do: extract, import or export")
                                                                 : QStringLiteral("unknown word \"%1\": extract, import or export").arg(what));
}

} // namespace Glossa
