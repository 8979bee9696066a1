// Time of comparing a product of 20,000 attributes with its earlier release:
// the masters' added, removed and changed keys, then one language's stale
// keys, beside reading the same files through the INI layer into a hash each.
#include "BenchSupport.h"
#include "SyntheticProduct.h"

#include "checks/ReleaseComparison.h"
#include "model/Constants.h"
#include "model/LocaleCatalogue.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <cstdio>

using namespace Glossa;

namespace {

void writeUtf16(const QString &path, const QString &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    QStringEncoder enc(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    f.write(enc.encode(text));
}

int rowOf(const QString &displayName)
{
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row) {
        if (LocaleCatalogue::DisplayNameAt(row) == displayName)
            return row;
    }
    qFatal("no catalogue row for %s", qPrintable(displayName));
}

// The earlier release: one key in a hundred did not exist yet, 200 keys were
// removed since, one English text in ten was different; the translator has
// since followed half of those.
void writeEarlierRelease(const Bench::SyntheticProduct &product, const QString &root, const QString &language,
                         int languageNumber)
{
    const QString dir = root + QStringLiteral("/language");
    QDir().mkpath(dir);
    QString master = QStringLiteral("[text]\r\n");
    QString translated = QStringLiteral("[text]\r\n");
    for (int i = 0; i < product.attributes.size(); ++i) {
        if (i % 100 == 99)
            continue;
        const QString &key = product.attributes[i];
        master += key + u'=' + (i % 10 == 0 ? QStringLiteral("\"Earlier text %1\"").arg(i) : Bench::englishValue(i))
                  + QStringLiteral("\r\n");
        translated += key + u'='
                      + (i % 20 == 0 ? QStringLiteral("\"Alter Text %1\"").arg(i)
                                     : Bench::translatedValue(i, languageNumber))
                      + QStringLiteral("\r\n");
    }
    for (int i = 0; i < 200; ++i)
        master += QStringLiteral("IDS_REMOVED_%1=\"Gone %1\"\r\n").arg(i);
    writeUtf16(dir + u'/' + MasterLanguageFileName, master);
    writeUtf16(dir + u'/' + language + QStringLiteral(".ini"), translated);
}

} // namespace

int main()
{
    QTemporaryDir tmp;
    constexpr int count = 20000;
    const QString language = QStringLiteral("German (Germany)");
    const int row = rowOf(language);
    const Bench::SyntheticProduct product =
        Bench::makeProduct(tmp.filePath(QStringLiteral("product")), count, {row}, {}, {});
    const QString earlierRoot = tmp.filePath(QStringLiteral("earlier"));
    writeEarlierRelease(product, earlierRoot, language, row);

    ReleaseComparison comparison;
    const double compareMs = Bench::bestMs([&] {
        if (!comparison.compare(earlierRoot, product.root))
            qFatal("%s", qPrintable(comparison.error()));
    });
    QSet<QString> stale;
    const double staleMs = Bench::bestMs([&] {
        QString error;
        if (!comparison.staleKeys(language, &stale, &error))
            qFatal("%s", qPrintable(error));
    });

    // The straightforward first step: both files read into a hash of every value.
    auto readAll = [](const QString &path) {
        ProfileFile file(path);
        file.load();
        QHash<QString, QString> values;
        file.forEachEntry(TextSectionName, [&](QStringView key, QStringView value) {
            values.insert(key.toString(), value.toString());
        });
        return values.size();
    };
    qsizetype read = 0;
    const double floorMs = Bench::bestMs([&] {
        read = readAll(earlierRoot + QStringLiteral("/language/") + MasterLanguageFileName)
               + readAll(product.languageDir + u'/' + MasterLanguageFileName);
    });
    const double floorLanguageMs = Bench::bestMs([&] {
        read = readAll(earlierRoot + QStringLiteral("/language/") + language + QStringLiteral(".ini"))
               + readAll(product.languageDir + u'/' + language + QStringLiteral(".ini"));
    });

    Bench::printHeader("Release comparison (best of 5)");
    Bench::printRow(QStringLiteral("compare, %1 keys").arg(count), compareMs,
                    QStringLiteral("read both masters"), floorMs);
    Bench::printRow(QStringLiteral("staleKeys of one language"), staleMs,
                    QStringLiteral("read both of its files"), floorLanguageMs);
    Bench::printRow(QStringLiteral("both"), compareMs + staleMs);
    std::printf("%d added, %d removed, %d changed, %d stale (%lld entries read)\n", int(comparison.added().size()),
                int(comparison.removed().size()), int(comparison.changed().size()), int(stale.size()),
                static_cast<long long>(read));
    return 0;
}
