#include "cli/ChangesCommand.h"
#include "cli/CheckCommand.h"
#include "cli/ExchangeCommands.h"
#include "cli/Command.h"
#include "cli/MemoryCommands.h"
#include "cli/TermsCommands.h"

#include <QCoreApplication>

#include <malloc.h>

#include <vector>

int main(int argc, char *argv[])
{
    // A run builds and drops large tables (a TMX file's index, per-entry counts): kept
    // in the heap for the next instead of handed back, they are not paged in again.
    // The process ends soon after.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("glossa"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GLOSSA_VERSION));

    // The subcommands, in the order --help lists them. A new one lives in a
    // file of its own in src/cli/ (a function returning its Subcommand: name,
    // synopsis, options, run) and gets one line here.
    const std::vector<Glossa::Cli::Subcommand> subcommands = {
        Glossa::Cli::checkSubcommand(),
        Glossa::Cli::statsSubcommand(),
        {QStringLiteral("changes"), QStringLiteral("EARLIER [PRODUCT_DIR] [--format text|json] [--language NAME]..."),
         QStringLiteral("What changed in English since an earlier release, and the stale translations"), nullptr,
         nullptr, &Glossa::runChanges},
        {QStringLiteral("export"),
         QStringLiteral("LANGUAGE [PRODUCT_DIR] [--format xliff|csv] [--only all|untranslated|problems] "
                        "[--reference NAME] [--suggestions] [--tm FILE]... [-o FILE]"),
         QStringLiteral("A language's entries as XLIFF 1.2 or CSV, for an outside translator"), nullptr, nullptr,
         &Glossa::runExport},
        {QStringLiteral("import"), QStringLiteral("FILE [PRODUCT_DIR] [--language NAME] [--dry-run] [--accept-errors] [--force]"),
         QStringLiteral("Translated XLIFF or CSV back into the language file, checked"), nullptr, nullptr,
         &Glossa::runImport},
        {QStringLiteral("suggest"),
         QStringLiteral("LANGUAGE [PRODUCT_DIR] [--key KEY]... [--untranslated] [--tm FILE]... [--since EARLIER] "
                        "[--min SCORE] [--max N] [--format text|json]"),
         QStringLiteral("The translation memory's matches for entries of a language"), nullptr, nullptr,
         &Glossa::runSuggest},
        {QStringLiteral("tm"), QStringLiteral("export LANGUAGE [PRODUCT_DIR] [-o FILE]"),
         QStringLiteral("A language's translations as a TMX 1.4b translation memory"), nullptr, nullptr,
         &Glossa::runTm},
        {QStringLiteral("pretranslate"),
         QStringLiteral("LANGUAGE [PRODUCT_DIR] [--tm FILE]... [--since EARLIER] [--dry-run] [--force]"),
         QStringLiteral("Fills blank and missing values with 100 matches that all agree"), nullptr, nullptr,
         &Glossa::runPretranslate},
        // One command of three words: dispatch runs the first "terms"; --help lists each.
        {QStringLiteral("terms"), QStringLiteral("extract LANGUAGE [PRODUCT_DIR] [--max N] [-o FILE]"),
         QStringLiteral("Proposes glossary entries from the product's own labels and their translations"), nullptr,
         nullptr, &Glossa::runTerms},
        {QStringLiteral("terms"),
         QStringLiteral("import FILE [PRODUCT_DIR] [--format tbx|tsv|csv|qph] [--language NAME]"),
         QStringLiteral("Adds a TBX, TSV, CSV or phrase book glossary to the product's glossa-glossary.tbx"), nullptr,
         nullptr, &Glossa::runTerms},
        {QStringLiteral("terms"),
         QStringLiteral("export [PRODUCT_DIR] [--format tbx|tsv|csv|qph] [--language NAME] [-o FILE]"),
         QStringLiteral("The product's glossary as TBX, TSV, CSV or a phrase book"), nullptr, nullptr,
         &Glossa::runTerms},
    };
    return Glossa::Cli::dispatch(QCoreApplication::arguments(), subcommands);
}
