// Time of the language index synchronisation: on a product that is already in
// line, and on one that needs every language file created, beside the naive
// way of one profile call, and so one file rewrite, per written line.
#include "BenchSupport.h"
#include "SyntheticProduct.h"

#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "model/SyncLanguageIndex.h"
#include "platform/Notifier.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>
#include <set>

using namespace Glossa;

namespace {

const QString LanguageDirName = QStringLiteral("/language");
const QString WebDirName = QStringLiteral("/Web/LanguageInfo");

class CountingNotifier : public Notifier
{
public:
    void notify(Severity, const QString &, const QString &text) override
    {
        ++count;
        std::fprintf(stderr, "notice: %s\n", qPrintable(text));
    }
    int count = 0;
};

QList<int> allRows()
{
    QList<int> rows;
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row)
        rows << row;
    return rows;
}

void openStore(LanguageStore &store, const QString &root)
{
    resetAttributeIdCounter();
    QDir::setCurrent(root);
    if (!store.Open(QStringLiteral("./language")))
        qFatal("cannot open the store below %s", qPrintable(root));
}

// The naive way: every read a profile read, every write one profile call,
// each of which reads and rewrites the whole file.
void naiveCreateLanguageFile(const LanguageStore &store, const QString &displayName)
{
    QDir::setCurrent(store.directory());
    const QString file = QStringLiteral("./") + displayName + QStringLiteral(".ini");
    {
        QFile created(file);
        if (!created.open(QIODevice::WriteOnly))
            return;
    }
    for (const QString &name : store.attributes())
        WritePrivateProfileString(TextSectionName, name, QStringLiteral(" "), file);
    WritePrivateProfileString(QStringLiteral("languages"), LocaleCatalogue::CodeForDisplayName(displayName), displayName,
                              QStringLiteral("./LanguageIndex.ini"));
}

void naiveSync(const QString &startup, const LanguageStore &store, PresentLanguageSet &present)
{
    using Set = std::set<QString>;
    QDir::setCurrent(startup);
    present.clear();
    const QString languagePath = startup + LanguageDirName;
    const QString index = languagePath + QStringLiteral("/LanguageIndex.ini");
    {
        QFile file(index);
        if (!file.open(QIODevice::ReadWrite))
            return;
    }
    const QString languages = QStringLiteral("languages");
    const QString web = QStringLiteral("xmllanguages");
    auto write = [&](const QString &section, const QString &key, const QString &value) {
        WritePrivateProfileString(section, key, value, index);
    };

    Set indexed;
    for (const ProfileEntry &e : GetPrivateProfileSection(languages, index))
        indexed.insert(e.key);
    Set withoutWeb = indexed;
    for (const ProfileEntry &e : GetPrivateProfileSection(web, index)) {
        if (withoutWeb.erase(e.key) > 0)
            continue;
        indexed.insert(e.key);
        const QString name = LocaleCatalogue::DisplayNameForCode(e.key);
        if (!name.isEmpty())
            write(languages, e.key, name);
    }
    for (const QString &code : withoutWeb) {
        const QString name = LocaleCatalogue::WebNameForCode(code);
        if (!name.isEmpty())
            write(web, code, name);
    }
    Set expectedFiles;
    for (const QString &code : indexed)
        if (const QString name = LocaleCatalogue::DisplayNameForCode(code); !name.isEmpty())
            expectedFiles.insert(name);
    QDir::setCurrent(languagePath);
    for (const QString &file : QDir(languagePath).entryList({QStringLiteral("*.ini")}, QDir::Files | QDir::CaseSensitive)) {
        const QString name = file.left(file.lastIndexOf(u'.'));
        if (expectedFiles.erase(name) > 0)
            continue;
        const QString code = LocaleCatalogue::CodeForDisplayName(name);
        if (code.isEmpty())
            continue;
        write(languages, code, name);
        write(web, code, LocaleCatalogue::WebNameForCode(code));
        indexed.insert(code);
    }
    Set expectedWeb;
    for (const QString &code : indexed)
        if (const QString name = LocaleCatalogue::WebNameForCode(code); !name.isEmpty())
            expectedWeb.insert(name);
    const QString webPath = startup + WebDirName;
    if (QDir::setCurrent(webPath)) {
        for (const QString &name : QDir(webPath).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (name.contains(u'.') || expectedWeb.erase(name) > 0)
                continue;
            const QString code = LocaleCatalogue::CodeForWebName(name);
            if (code.isEmpty())
                continue;
            const QString displayName = LocaleCatalogue::DisplayNameForCode(code);
            write(web, code, name);
            write(languages, code, displayName);
            indexed.insert(code);
            expectedFiles.insert(displayName);
        }
    }
    for (const QString &name : expectedFiles)
        naiveCreateLanguageFile(store, name);
    for (const QString &code : indexed)
        for (int row = 0; row < LocaleCatalogue::RowCount(); ++row)
            if (LocaleCatalogue::RowAt(row).localeCode == code) {
                present.insert(row);
                break;
            }
}

// Back to the master file and the web directories alone.
void resetToMasterOnly(const Bench::SyntheticProduct &product)
{
    QDir dir(product.languageDir);
    for (const QString &file : dir.entryList(QDir::Files))
        if (file != MasterLanguageFileName)
            dir.remove(file);
}

qint64 bytesBelow(const QString &path)
{
    qint64 total = 0;
    for (const QFileInfo &info : QDir(path).entryInfoList(QDir::Files))
        total += info.size();
    return total;
}

// A product already in line: nothing to write.
void inLine(const QString &root)
{
    constexpr int attributes = 20000;
    const Bench::SyntheticProduct product = Bench::makeProduct(root, attributes, allRows(), allRows(), allRows());
    LanguageStore store;
    openStore(store, root);

    CountingNotifier notifier;
    PresentLanguageSet present;
    const double fastMs = Bench::bestMs([&] {
        SyncLanguageIndex(root, store, LanguageDirName, WebDirName, present, notifier);
    });
    const std::size_t found = present.size();
    const double naiveMs = Bench::bestMs([&] { naiveSync(root, store, present); });
    // What any synchronisation must do: read the index and list both directories.
    const double floorMs = Bench::bestMs([&] {
        QFile index(product.languageDir + QStringLiteral("/LanguageIndex.ini"));
        index.open(QIODevice::ReadOnly);
        const QStringList lines = QString::fromUtf16(reinterpret_cast<const char16_t *>(index.readAll().constData()))
                                      .split(QStringLiteral("\r\n"));
        const auto files = QDir(product.languageDir).entryList({QStringLiteral("*.ini")}, QDir::Files);
        const auto dirs = QDir(product.webDir).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        if (lines.isEmpty() || files.isEmpty() || dirs.isEmpty())
            std::printf("?");
    });

    Bench::printHeader("Index synchronisation, product in line: 20,000 attributes, 112 languages (best of 5)");
    Bench::printRow(QStringLiteral("SyncLanguageIndex"), fastMs, QStringLiteral("naive sync (one call per write)"), naiveMs);
    Bench::printRow(QStringLiteral("floor: read the index, list both directories"), floorMs);
    std::printf("%zu languages present, %d notices; the sync takes %.1fx the floor; target under 50 ms\n", found,
                notifier.count, fastMs / floorMs);
}

// Only the master file and a web directory for each other language: every
// other language file is created.
void createAll(const QString &root, int attributes, const QList<int> &webRows, bool naiveToo, int repeats)
{
    const Bench::SyntheticProduct product = Bench::makeProduct(root, attributes, {1}, {}, webRows);
    CountingNotifier notifier;
    PresentLanguageSet present;
    qint64 written = 0;

    double fastMs = 1e300;
    for (int i = 0; i < repeats; ++i) {
        resetToMasterOnly(product);
        LanguageStore store;
        openStore(store, root);
        fastMs = std::min(fastMs, Bench::bestMs([&] {
            SyncLanguageIndex(root, store, LanguageDirName, WebDirName, present, notifier);
        }, 1));
        written = bytesBelow(product.languageDir);
    }
    const std::size_t fastFound = present.size();

    // The floor: writing the same files, each in one atomic replacement.
    QList<QByteArray> contents;
    for (const QFileInfo &info : QDir(product.languageDir).entryInfoList(QDir::Files)) {
        if (info.fileName() == MasterLanguageFileName || info.fileName() == LanguageIndexFileName)
            continue;
        QFile f(info.filePath());
        f.open(QIODevice::ReadOnly);
        contents << f.readAll();
    }
    const double floorMs = Bench::bestMs([&] {
        for (int i = 0; i < contents.size(); ++i) {
            QSaveFile f(product.languageDir + QStringLiteral("/floor%1.bin").arg(i));
            f.open(QIODevice::WriteOnly);
            f.write(contents[i]);
            f.commit();
        }
    }, repeats);

    const int created = int(webRows.size()) - 1;
    const QString title = QStringLiteral("Index synchronisation creating %1 files of %2 attributes (best of %3%4)")
                              .arg(created)
                              .arg(attributes)
                              .arg(repeats)
                              .arg(naiveToo ? QStringLiteral("; naive: one run") : QString());
    Bench::printHeader(qPrintable(title));
    Bench::printRow(QStringLiteral("SyncLanguageIndex"), fastMs);
    Bench::printRow(QStringLiteral("floor: write the same files (QSaveFile each)"), floorMs);

    if (naiveToo) {
        resetToMasterOnly(product);
        LanguageStore store;
        openStore(store, root);
        PresentLanguageSet naivePresent;
        const double naiveMs = Bench::bestMs([&] { naiveSync(root, store, naivePresent); }, 1);
        Bench::printRow(QStringLiteral("SyncLanguageIndex"), fastMs, QStringLiteral("naive sync (one call per write)"), naiveMs);
        if (naivePresent != present)
            std::printf("naive and fast disagree on the present languages!\n");
    }
    std::printf("%.1f MB in the language directory afterwards, %zu languages present, %d notices; "
                "the sync takes %.1fx the floor\n",
                written / 1e6, fastFound, notifier.count, fastMs / floorMs);
}

} // namespace

int main()
{
    QTemporaryDir inLineDir;
    inLine(inLineDir.path());

    QTemporaryDir createDir;
    createAll(createDir.path(), 20000, allRows(), false, 3);
    std::printf("(the naive way rewrites a file once per line written: on this product that is 2.2 million\n"
                " rewrites of files up to 1 MB, so it is compared on a smaller product below)\n");

    QTemporaryDir smallDir;
    QList<int> tenLanguages{1};
    for (int row = 2; row < 12; ++row)
        tenLanguages << row;
    createAll(smallDir.path(), 2000, tenLanguages, true, 3);
    return 0;
}
