// The check engine on a product tree built from the input (the same trees as
// the index synchronisation's target). After a check:
// - nothing below the product has changed: the engine never writes;
// - every language's translated, blank and missing add up to the attributes,
//   and its error, warning and info counts are those of its findings;
// - every finding has a known check id, the language's file and a line within
//   the file or none; a second run with one job gives the same report.
#include "FuzzSupport.h"
#include "ProductTree.h"

#include "checks/CheckEngine.h"

using namespace Glossa;
using namespace Glossa::Fuzz;

namespace {

QStringList summary(const ProductReport &report)
{
    QStringList lines;
    for (const LanguageReport &language : report.languages)
        for (const Finding &f : language.findings)
            lines << f.language + u' ' + f.check + u' ' + QString::number(f.line) + u' ' + f.key + u' ' + f.message;
    for (const Finding &f : report.productFindings)
        lines << f.check + u' ' + f.message;
    return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader in(data, size);
    const QString root = freshDirectory();
    buildProductTree(in, root);
    const QMap<QString, QByteArray> before = snapshot(root);

    CheckEngine engine;
    if (!engine.open(root)) {
        FUZZ_CHECK(!engine.error().isEmpty(), QStringLiteral("a failed open says nothing"));
        FUZZ_CHECK(snapshot(root) == before, QStringLiteral("a failed open changed the product"));
        return 0;
    }
    CheckOptions options;
    options.jobs = 2;
    const ProductReport report = engine.run(options);
    FUZZ_CHECK(snapshot(root) == before, QStringLiteral("the check changed the product"));
    FUZZ_CHECK(!report.cancelled, QStringLiteral("cancelled by itself"));
    FUZZ_CHECK(int(report.languages.size()) == engine.presentLanguages().size(), QStringLiteral("languages lost"));

    for (const LanguageReport &language : report.languages) {
        FUZZ_CHECK(language.translated + language.blank + language.missing == language.attributes,
                   language.name + QStringLiteral(": the counts do not add up"));
        FUZZ_CHECK(language.attributes == report.attributes, language.name);
        int counts[3] = {0, 0, 0};
        // Every line ends at a CR or an LF (in UTF-16 such bytes may also be half of another
        // character, which only raises this bound).
        const QByteArray bytes = readFile(root + u'/' + language.file);
        const qsizetype lines = bytes.count('\r') + bytes.count('\n') + 1;
        for (const Finding &f : language.findings) {
            ++counts[int(f.severity)];
            FUZZ_CHECK(isKnownCheck(f.check), f.check);
            FUZZ_CHECK(f.file == language.file && f.language == language.name, shown(f.file));
            FUZZ_CHECK(f.line >= 0 && f.line <= lines, QString::number(f.line));
            FUZZ_CHECK(!f.message.isEmpty(), f.check);
        }
        FUZZ_CHECK(counts[0] == language.errors && counts[1] == language.warnings && counts[2] == language.infos,
                   language.name + QStringLiteral(": severity counts"));
    }

    options.jobs = 1;
    FUZZ_CHECK(summary(engine.run(options)) == summary(report), QStringLiteral("one job found something else"));
    return 0;
}
