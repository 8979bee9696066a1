// The language-file operations on a 20,000-attribute product, each beside
// (a) the naive way: one profile call, so one whole-file rewrite, per key, and
//     a linear scan of the catalogue per name;
// (b) reading the same bytes and splitting them into lines.

#include "BenchSupport.h"
#include "NaiveWays.h"
#include "SyntheticProduct.h"

#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "platform/ProfileFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>

using namespace Glossa;

namespace {

constexpr int Attributes = 20000;

// (b): the bytes of a file read and cut into lines, nothing more.
qsizetype readAndSplit(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    QStringDecoder decoder(QStringConverter::Utf16);
    const QString text = decoder.decode(bytes);
    return text.split(QStringLiteral("\r\n")).size();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString german = LocaleCatalogue::DisplayNameAt(55);
    Bench::SyntheticProduct product = Bench::makeProduct(tmp.path(), Attributes, {1, 55}, {1, 55}, {});
    const QString germanPath = product.languageDir + u'/' + german + QStringLiteral(".ini");
    const QString master = product.languageDir + u'/' + MasterLanguageFileName;

    QDir::setCurrent(product.root);
    LanguageStore store;
    std::printf("Synthetic product: %d attributes, master file %lld bytes (UTF-16LE, CRLF)\n", Attributes,
                QFile(master).size());

    Bench::printHeader("Language files");
    const double split = Bench::bestMs([&] { readAndSplit(master); });

    const double open = Bench::bestMs([&] {
        resetAttributeIdCounter();
        QDir::setCurrent(product.root);
        store = LanguageStore();
        store.Open(QStringLiteral("./language"));
    });
    Bench::printRow(QStringLiteral("Open (master file -> catalogue)"), open, QStringLiteral("(b) read + split lines"), split);

    LanguageValues values;
    RedundantKeySet redundant;
    const double load = Bench::bestMs([&] {
        values.clear();
        redundant.clear();
        store.LoadLanguageFile(german, values, redundant);
    });
    const double naiveLoadMs = Bench::bestMs([&] {
        LanguageValues v;
        RedundantKeySet r;
        Bench::naiveLoad(store, germanPath, v, r);
    }, 1);
    Bench::printRow(QStringLiteral("LoadLanguageFile (20,000 keys)"), load, QStringLiteral("(b) read + split lines"), split);
    Bench::printRow(QStringLiteral("LoadLanguageFile (20,000 keys)"), load, QStringLiteral("(a) naive: scan per key"), naiveLoadMs);

    // Save 20,000 changed values.
    int round = 0;
    LanguageValues changed;
    auto change = [&] {
        ++round;
        changed.clear();
        for (auto it = store.attributes().cbegin(); it != store.attributes().cend(); ++it)
            changed.insert(it.key(), QStringLiteral("Wert %1 Runde %2").arg(it.key()).arg(round));
    };
    const double save = Bench::bestMs([&] {
        change();
        store.SaveLanguageFile(german, changed);
    });
    // The naive save rewrites the whole file once per value: measured on the
    // first 200 values and scaled to 20,000 (each call costs the same).
    constexpr int NaiveSaveSample = 200;
    const double naiveSaveSample = Bench::bestMs([&] {
        ++round;
        int n = 0;
        for (auto it = store.attributes().cbegin(); it != store.attributes().cend() && n < NaiveSaveSample; ++it, ++n)
            WritePrivateProfileString(TextSectionName, it.value(),
                                      LanguageStore::quotedForSaving(QStringLiteral("Naiv %1").arg(round)), germanPath);
    }, 1);
    const double naiveSave = naiveSaveSample * (Attributes / NaiveSaveSample);
    Bench::printRow(QStringLiteral("SaveLanguageFile (20,000 values)"), save, QStringLiteral("(a) naive, 200 calls x 100"), naiveSave);
    Bench::printRow(QStringLiteral("SaveLanguageFile (20,000 values)"), save, QStringLiteral("(b) read + split lines"), split);

    // RemoveKeys of 1,000 keys: add them, then time the removal.
    RedundantKeySet stale;
    for (int i = 0; i < 1000; ++i)
        stale.insert(QStringLiteral("STALE_KEY_%1").arg(i));
    auto addStale = [&] {
        ProfileFile f(germanPath);
        f.load();
        for (const QString &k : stale)
            f.setValue(TextSectionName, k, QStringLiteral("\"old\""));
        f.commit();
    };
    double remove = 1e300;
    for (int i = 0; i < 3; ++i) {
        addStale();
        remove = std::min(remove, Bench::bestMs([&] { store.RemoveKeys(german, stale); }, 1));
    }
    addStale();
    constexpr int NaiveRemoveSample = 100;
    const double naiveRemoveSample = Bench::bestMs([&] {
        int n = 0;
        for (auto it = stale.cbegin(); it != stale.cend() && n < NaiveRemoveSample; ++it, ++n)
            WritePrivateProfileString(TextSectionName, *it, std::nullopt, germanPath);
    }, 1);
    Bench::printRow(QStringLiteral("RemoveKeys (1,000 keys)"), remove, QStringLiteral("(a) naive, 100 calls x 10"),
                    naiveRemoveSample * (1000 / NaiveRemoveSample));

    // CreateLanguageFile: 20,000 lines written into a new file.
    int created = 0;
    const double create = Bench::bestMs([&] {
        store.CreateLanguageFile(LocaleCatalogue::DisplayNameAt(2 + created++));
    });
    Bench::printRow(QStringLiteral("CreateLanguageFile (20,000 attributes)"), create, QStringLiteral("(b) read + split lines"), split);
    // The naive creation grows the file by one rewrite per attribute, which is
    // quadratic: measured on a 2,000-attribute product.
    {
        QTemporaryDir small;
        Bench::SyntheticProduct p2 = Bench::makeProduct(small.path(), 2000, {1}, {1}, {});
        QDir::setCurrent(p2.root);
        LanguageStore smallStore;
        resetAttributeIdCounter();
        smallStore.Open(QStringLiteral("./language"));
        const double fast2k = Bench::bestMs([&] { smallStore.CreateLanguageFile(LocaleCatalogue::DisplayNameAt(2 + created++)); });
        const double naive2k = Bench::bestMs([&] {
            const QString path = p2.languageDir + QStringLiteral("/naive.ini");
            QFile::remove(path);
            for (const QString &name : smallStore.attributes())
                WritePrivateProfileString(TextSectionName, name, QStringLiteral(" "), path);
        }, 1);
        Bench::printRow(QStringLiteral("CreateLanguageFile (2,000 attributes)"), fast2k, QStringLiteral("(a) naive, 2,000 attributes"), naive2k);
    }
    std::printf("\nratio = compared time / our time (above 1: ours is faster).\n");
    return 0;
}
