// Export and import of a 20,000-attribute language as XLIFF and CSV, beside the
// floor of reading the language file's bytes and writing as many bytes again.

#include "BenchSupport.h"
#include "SyntheticProduct.h"

#include "exchange/Exchange.h"
#include "exchange/ProductExchange.h"
#include "model/LocaleCatalogue.h"
#include "model/Types.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

using namespace Glossa;

namespace {

constexpr int Attributes = 20000;

// The floor: the bytes of a file read, and as many written to another with one QSaveFile.
void readAndWrite(const QString &from, const QString &to)
{
    QFile in(from);
    in.open(QIODevice::ReadOnly);
    const QByteArray bytes = in.readAll();
    QSaveFile out(to);
    out.open(QIODevice::WriteOnly);
    out.write(bytes);
    out.commit();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString german = LocaleCatalogue::DisplayNameAt(55);
    Bench::SyntheticProduct product = Bench::makeProduct(tmp.path(), Attributes, {1, 55}, {1, 55}, {});
    const QString germanPath = product.languageDir + u'/' + german + QStringLiteral(".ini");
    const QString scratch = tmp.filePath(QStringLiteral("scratch"));
    std::printf("Synthetic product: %d attributes, %s file %lld bytes\n", Attributes, qPrintable(german),
                QFile(germanPath).size());

    Bench::printHeader("Exchange files");
    const double floor = Bench::bestMs([&] { readAndWrite(germanPath, scratch); });

    ProductExchange exchange;
    const double open = Bench::bestMs([&] {
        resetAttributeIdCounter();
        exchange = ProductExchange();
        exchange.open(product.root);
    });
    Bench::printRow(QStringLiteral("open (check engine + store)"), open, QStringLiteral("read + write bytes"), floor);

    QByteArray xliff;
    QByteArray csv;
    auto exportTo = [&](ExchangeFormat format, QByteArray &bytes) {
        exchange.exportLanguage(german, QString(), ExportSelection::All, format, bytes);
        QSaveFile out(scratch);
        out.open(QIODevice::WriteOnly);
        out.write(bytes);
        out.commit();
    };
    const double exportXliff = Bench::bestMs([&] { exportTo(ExchangeFormat::Xliff, xliff); });
    Bench::printRow(QStringLiteral("export XLIFF (20,000 units)"), exportXliff, QStringLiteral("read + write bytes"), floor);
    const double exportCsv = Bench::bestMs([&] { exportTo(ExchangeFormat::Csv, csv); });
    Bench::printRow(QStringLiteral("export CSV (20,000 rows)"), exportCsv, QStringLiteral("read + write bytes"), floor);
    std::printf("XLIFF %lld bytes, CSV %lld bytes\n", qsizetype(xliff.size()), qsizetype(csv.size()));

    // Import of the unchanged export: read, plan, nothing to write.
    auto plan = [&](const QByteArray &bytes) {
        ExchangeFile file;
        QString error;
        readExchangeFile(bytes, file, error);
        ImportTarget target;
        exchange.importTarget(german, target);
        return planImport(file, target);
    };
    {
        ImportTarget target;
        const double t = Bench::bestMs([&] { exchange.importTarget(german, target); });
        Bench::printRow(QStringLiteral("  of which: the language's values"), t, QStringLiteral("read + write bytes"), floor);
        ExchangeFile file;
        QString error;
        const double x = Bench::bestMs([&] { readExchangeFile(xliff, file, error); });
        Bench::printRow(QStringLiteral("  of which: reading the XLIFF"), x, QStringLiteral("read + write bytes"), floor);
        const double bare = Bench::bestMs([&] { QXmlStreamReader r(xliff); while (!r.atEnd()) r.readNext(); });
        Bench::printRow(QStringLiteral("  QXmlStreamReader alone, on bytes"), bare, QStringLiteral("read + write bytes"), floor);
        const QString decoded = QString::fromUtf8(xliff);
        const double bare2 = Bench::bestMs([&] { QXmlStreamReader r(decoded); while (!r.atEnd()) r.readNext(); });
        Bench::printRow(QStringLiteral("  QXmlStreamReader alone, on text"), bare2, QStringLiteral("read + write bytes"), floor);
        const double c = Bench::bestMs([&] { readExchangeFile(csv, file, error); });
        Bench::printRow(QStringLiteral("  of which: reading the CSV"), c, QStringLiteral("read + write bytes"), floor);
        const double p = Bench::bestMs([&] { planImport(file, target); });
        Bench::printRow(QStringLiteral("  of which: the plan"), p, QStringLiteral("read + write bytes"), floor);
    }
    const double importSame = Bench::bestMs([&] { plan(xliff); });
    Bench::printRow(QStringLiteral("import XLIFF, unchanged"), importSame, QStringLiteral("read + write bytes"), floor);

    // Every unit translated anew: 20,000 changes in one SaveLanguageFile.
    int round = 0;
    QByteArray changed;
    const double importAll = Bench::bestMs(
        [&] {
            ++round;
            ExchangeDocument document;
            document.targetLanguage = LocaleCatalogue::Bcp47ForDisplayName(german);
            for (int i = 0; i < Attributes; ++i) {
                ExchangeEntry entry;
                entry.key = product.attributes[i];
                entry.attributeIndex = i;
                entry.value = QStringLiteral("Runde %1 ").arg(round) + Bench::translatedValue(i, 55);
                entry.state = StateTranslated;
                document.entries.push_back(std::move(entry));
            }
            changed = writeXliff(document);
        },
        [&] {
            const ImportPlan importPlan = plan(changed);
            exchange.apply(german, importPlan);
        });
    Bench::printRow(QStringLiteral("import XLIFF, 20,000 changes"), importAll, QStringLiteral("read + write bytes"), floor);
    const double importCsv = Bench::bestMs([&] { plan(csv); });
    Bench::printRow(QStringLiteral("import CSV, unchanged"), importCsv, QStringLiteral("read + write bytes"), floor);
    std::printf("\nratio = compared time / our time (below 1: the floor is faster).\n");
    return 0;
}
