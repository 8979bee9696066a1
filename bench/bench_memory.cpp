// The translation memory on the synthetic product (20,000 attributes x 112 languages) with a
// 200,000-unit TMX file of German added: building the indexes, one entry's suggestions against a
// brute-force scan of every unit (time and quality), and whole `glossa` processes.

#include "BenchSupport.h"

#include "exchange/Tmx.h"
#include "memory/ProductMemory.h"
#include "model/LocaleCatalogue.h"
#include "model/Types.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <set>

using namespace Glossa;

namespace {

constexpr int Attributes = 20000;
constexpr int Untranslated = 2000;
constexpr int TmxUnits = 200000;
constexpr int Queries = 2000;

const QStringList Verbs = QString::fromLatin1(
    "Delete Add Edit Open Close Save Export Import Search Select Show Hide Start Stop Connect Disconnect Restart "
    "Download Upload Record Play Pause Resume Refresh Reset Restore Apply Cancel Enable Disable Rename Copy Move "
    "Configure Update Upgrade Format Lock Unlock Sync Test Check Clear Load Print Remove Create Join Leave").split(u' ');
const QStringList Adjectives = QString::fromLatin1(
    "selected current default local remote new old all active inactive online offline main secondary primary "
    "automatic manual daily weekly hidden visible encrypted shared private public recent invalid").split(u' ');
const QStringList Nouns = QString::fromLatin1(
    "device devices channel channels camera cameras recording recordings file files folder user users group groups "
    "password server address port network settings schedule alarm alarms event events log logs snapshot snapshots "
    "stream preset presets disk disks storage firmware license account accounts profile layout view window "
    "template report reports rule rules zone zones area backup certificate key").split(u' ');
const QStringList Tails = QString::fromLatin1(
    "failed. succeeded. is not available. already exists. cannot be found. was changed. is in use. | | | |").split(u' ');

QString pick(const QStringList &list, QRandomGenerator &random)
{
    return list[random.bounded(int(list.size()))];
}

// One UI-like English text: a command, a label, a message or a format.
QString freshText(QRandomGenerator &random)
{
    switch (random.bounded(6)) {
    case 0: return pick(Verbs, random) + u' ' + pick(Nouns, random);
    case 1: return pick(Verbs, random) + QStringLiteral(" the ") + pick(Adjectives, random) + u' ' + pick(Nouns, random);
    case 2: return pick(Adjectives, random).left(1).toUpper() + pick(Adjectives, random).mid(1) + u' ' + pick(Nouns, random) + u':';
    case 3: return QStringLiteral("The ") + pick(Nouns, random) + QStringLiteral(" %s ") + pick(Tails, random).replace(u'|', QString());
    case 4: return QStringLiteral("%d ") + pick(Nouns, random) + QStringLiteral(" of %d ") + pick(Adjectives, random);
    default:
        return QStringLiteral("Cannot ") + pick(Verbs, random).toLower() + QStringLiteral(" the ") + pick(Nouns, random)
            + QStringLiteral(" on ") + pick(Adjectives, random) + u' ' + pick(Nouns, random) + u'.';
    }
}

// Real products repeat themselves: a third of the texts are one-word edits of an
// earlier one, a few the same text again.
QStringList englishTexts(int count, quint32 seed, const QStringList &seen = {})
{
    QRandomGenerator random(seed);
    QStringList texts;
    texts.reserve(count);
    while (texts.size() < count) {
        const int roll = random.bounded(100);
        const QStringList &from = (!seen.isEmpty() && random.bounded(2) == 0) ? seen : texts;
        if (roll < 33 && !from.isEmpty()) {
            QStringList words = from[random.bounded(int(from.size()))].split(u' ');
            const int at = random.bounded(int(words.size()));
            const QStringList &pool = random.bounded(2) ? Nouns : Adjectives;
            words[at] = pick(pool, random);
            texts.append(words.join(u' '));
        } else if (roll < 38 && !from.isEmpty()) {
            texts.append(from[random.bounded(int(from.size()))]);
        } else {
            texts.append(freshText(random));
        }
    }
    return texts;
}

// A stand-in translation that keeps the placeholders.
QString translated(const QString &english, int language)
{
    QStringList words = english.split(u' ');
    std::reverse(words.begin(), words.end());
    return QStringLiteral("L%1 ").arg(language) + words.join(u' ');
}

void writeUtf8(const QString &path, const QString &text)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(text.toUtf8());
}

struct Product
{
    QString root;
    QString german;
};

Product makeProduct(const QString &root, const QStringList &english)
{
    Product product{root, LocaleCatalogue::DisplayNameForCode(QStringLiteral("0x0407"))};
    const QString languageDir = root + QStringLiteral("/language/");
    QDir().mkpath(languageDir);
    QDir().mkpath(root + QStringLiteral("/Web/LanguageInfo"));
    QString index = QStringLiteral("[languages]\n");
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row) {
        const LocaleRow &locale = LocaleCatalogue::RowAt(row);
        index += locale.localeCode + u'=' + locale.displayName + u'\n';
        const bool master = locale.localeCode == u"0x0409";
        const bool german = locale.displayName == product.german;
        QString text = QStringLiteral("[text]\n");
        for (int i = 0; i < english.size(); ++i) {
            // German leaves its last 2,000 entries blank.
            const bool blank = german && i >= english.size() - Untranslated;
            text += QStringLiteral("IDS_TEXT_%1=\"").arg(i)
                + (master ? english[i] : blank ? QString() : translated(english[i], row)) + QStringLiteral("\"\n");
        }
        writeUtf8(languageDir + locale.displayName + QStringLiteral(".ini"), text);
    }
    writeUtf8(languageDir + QStringLiteral("LanguageIndex.ini"), index + QStringLiteral("[xmllanguages]\n"));
    return product;
}

double percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

double processMs(const QStringList &arguments)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(QStringLiteral(GLOSSA_CLI_PATH), arguments);
    process.waitForFinished(600000);
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    // bench_memory --make DIR: only writes the product and the TMX file into DIR and keeps them
    // (to profile a glossa process on them).
    const QStringList arguments = app.arguments();
    const qsizetype makeAt = arguments.indexOf(QStringLiteral("--make"));
    const QString makeDir = makeAt > 0 ? arguments.value(makeAt + 1) : QString();
    QTemporaryDir tmpDir;
    const QDir tmp(makeDir.isEmpty() ? tmpDir.path() : makeDir);
    QDir().mkpath(tmp.path());
    const QStringList english = englishTexts(Attributes, 1);
    const Product product = makeProduct(tmp.filePath(QStringLiteral("product")), english);
    const QString tmxPath = tmp.filePath(QStringLiteral("big.tmx"));
    {
        TmxDocument document{QStringLiteral("en-US"), QStringLiteral("de-DE"), QStringLiteral("bench"), {}};
        const QStringList sources = englishTexts(TmxUnits, 2, english);
        for (int i = 0; i < sources.size(); ++i)
            document.units.push_back({QStringLiteral("tu%1").arg(i), sources[i], translated(sources[i], 999)});
        QFile file(tmxPath);
        file.open(QIODevice::WriteOnly);
        file.write(writeTmx(document));
    }
    std::printf("Synthetic product: %d attributes x %d languages, German with %d untranslated; TMX %d units (%lld bytes)\n",
                Attributes, LocaleCatalogue::RowCount(), Untranslated, TmxUnits, QFile(tmxPath).size());
    if (!makeDir.isEmpty()) {
        std::printf("written to %s\n", qPrintable(tmp.path()));
        return 0;
    }

    Bench::printHeader("Translation memory: building");
    ProductMemory memory;
    memory.open(product.root);
    const QStringList keys = memory.engine().attributeNames();
    const QStringList values = memory.engine().masterValues();
    const double productIndex = Bench::bestMs([&] { ProductEnglish built(keys, values); });
    Bench::printRow(QStringLiteral("index the product's English (20,000)"), productIndex);
    std::shared_ptr<const UnitSet> tmx;
    QString error;
    const double tmxLoad = Bench::bestMs([&] { tmx = loadTmxMemory(tmxPath, QStringLiteral("en-US"), QStringLiteral("de-DE"), error); }, 3);
    if (!tmx) {
        std::printf("%s\n", qPrintable(error));
        return 1;
    }
    std::vector<TranslationPair> pairs;
    pairs.reserve(size_t(tmx->size()));
    for (int unit = 0; unit < tmx->size(); ++unit)
        pairs.push_back(tmx->pair(unit));
    const double tmxIndex = Bench::bestMs([&] { UnitSet built(MatchOrigin::Tmx, tmxPath, pairs); }, 3);
    Bench::printRow(QStringLiteral("read + index the TMX file (200,000)"), tmxLoad);
    Bench::printRow(QStringLiteral("  of which the index"), tmxIndex);
    const std::shared_ptr<const TranslationMemory> german = memory.memoryFor(product.german, QString(), {tmx});
    std::printf("resident memory with the product and the TMX indexed: %.0f MiB\n", Bench::residentMiB());
    std::printf("tables: the product's English index %.1f MiB; the TMX file's units %.1f MiB, of which its index %.1f MiB "
                "(%d distinct English texts of %d units)\n",
                double(german->english().index().bytes()) / 1048576.0, double(tmx->bytes()) / 1048576.0,
                double(tmx->index().bytes()) / 1048576.0, tmx->index().textCount(), tmx->size());

    // 2,000 entries: the untranslated ones, whose English is the product's own with its near-duplicates.
    Bench::printHeader("Suggestions for one entry (2,000 entries, product + 4 siblings + TMX)");
    std::vector<double> fast;
    std::vector<double> scan;
    int brute = 0;
    int found = 0;
    int sameBest = 0;
    int withMatches = 0;
    for (int i = Attributes - Queries; i < Attributes; ++i) {
        MatchQuery query{values[i], i, QString(), 70, 5};
        QElapsedTimer timer;
        timer.start();
        const std::vector<MemoryMatch> indexed = german->suggest(query);
        fast.push_back(timer.nsecsElapsed() / 1e6);
        query.scanEveryUnit = true;
        timer.restart();
        const std::vector<MemoryMatch> scanned = german->suggest(query);
        scan.push_back(timer.nsecsElapsed() / 1e6);
        std::set<std::pair<int, QString>> indexedSet;
        for (const MemoryMatch &m : indexed)
            indexedSet.insert({m.score, m.text});
        for (const MemoryMatch &m : scanned)
            found += indexedSet.count({m.score, m.text}) ? 1 : 0;
        brute += int(scanned.size());
        if (!scanned.empty())
            ++withMatches;
        if ((indexed.empty() && scanned.empty()) || (!indexed.empty() && !scanned.empty() && indexed[0].score == scanned[0].score))
            ++sameBest;
    }
    Bench::printRow(QStringLiteral("p50"), percentile(fast, 0.50), QStringLiteral("brute force"), percentile(scan, 0.50));
    Bench::printRow(QStringLiteral("p95 (target 5 ms)"), percentile(fast, 0.95), QStringLiteral("brute force"), percentile(scan, 0.95));
    Bench::printRow(QStringLiteral("p99 (target 20 ms)"), percentile(fast, 0.99), QStringLiteral("brute force"), percentile(scan, 0.99));
    std::printf("quality: the index found %d of the brute force's %d top-5 matches (%.2f%%); same best score in %d of %d "
                "queries (%d with matches)\n",
                found, brute, brute ? 100.0 * found / brute : 100.0, sameBest, Queries, withMatches);

    Bench::printHeader("Whole processes (wall, best of 3)");
    const double suggestPlain = Bench::bestMs([&] {
        processMs({QStringLiteral("suggest"), product.german, product.root, QStringLiteral("--untranslated")});
    }, 3);
    Bench::printRow(QStringLiteral("glossa suggest --untranslated (2,000 entries)"), suggestPlain);
    const double suggestTmx = Bench::bestMs([&] {
        processMs({QStringLiteral("suggest"), product.german, product.root, QStringLiteral("--untranslated"),
                   QStringLiteral("--tm"), tmxPath});
    }, 3);
    Bench::printRow(QStringLiteral("  with the 200,000-unit TMX (target 2 s)"), suggestTmx);
    const QString germanFile = product.root + QStringLiteral("/language/") + product.german + QStringLiteral(".ini");
    QByteArray original;
    {
        QFile file(germanFile);
        file.open(QIODevice::ReadOnly);
        original = file.readAll();
    }
    const double pretranslate = Bench::bestMs(
        [&] { writeUtf8(germanFile, QString::fromUtf8(original)); },
        [&] { processMs({QStringLiteral("pretranslate"), product.german, product.root}); }, 3);
    Bench::printRow(QStringLiteral("glossa pretranslate (target 1 s)"), pretranslate);
    const double pretranslateTmx = Bench::bestMs(
        [&] { writeUtf8(germanFile, QString::fromUtf8(original)); },
        [&] { processMs({QStringLiteral("pretranslate"), product.german, product.root, QStringLiteral("--tm"), tmxPath}); }, 3);
    Bench::printRow(QStringLiteral("  with the 200,000-unit TMX"), pretranslateTmx);
    return 0;
}
