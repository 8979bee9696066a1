// The index synchronisation on a product tree built from the input: a master
// file, language files named after catalogue languages (exactly, in another
// letter case, as directories) or anything else, an index of random lines in
// one of the file encodings, and a web language directory of catalogue,
// random, dotted and plain-file entries. After a run:
// - nothing that was there is gone, and only the index has changed;
// - what was added is the index and language files of catalogue languages;
// - every present row is a catalogue row, and every catalogue language found
//   as a file or web directory is present, indexed in both sections;
// - a second run changes no file and finds the same languages.
#include "FuzzSupport.h"
#include "ProductTree.h"

#include "model/LanguageStore.h"
#include "model/LocaleCatalogue.h"
#include "model/SyncLanguageIndex.h"
#include "platform/Notifier.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QFileInfo>
#include <QStringEncoder>

using namespace Glossa;
using namespace Glossa::Fuzz;

namespace {

const QString IndexPath = QStringLiteral("language/LanguageIndex.ini");

class Recorder : public Notifier
{
public:
    void notify(Severity severity, const QString &, const QString &text) override
    {
        worst = std::max(worst, severity);
        texts << text;
    }
    Severity worst = Severity::Information;
    QStringList texts;
};

struct Run
{
    PresentLanguageSet present;
    Recorder notices;
    QMap<QString, QByteArray> tree;
};

Run synchronise(const QString &root)
{
    Run run;
    resetAttributeIdCounter();
    QDir::setCurrent(root);
    LanguageStore store;
    FUZZ_CHECK(store.Open(QStringLiteral("./language")), store.lastError());
    SyncLanguageIndex(root, store, QStringLiteral("/language"), QStringLiteral("/Web/LanguageInfo"), run.present,
                      run.notices);
    run.tree = snapshot(root);
    return run;
}

QSet<QString> keysOf(const QString &path, const QString &section)
{
    QSet<QString> keys;
    for (const ProfileEntry &entry : GetPrivateProfileSection(section, path))
        keys.insert(entry.key);
    return keys;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader in(data, size);
    const QString root = freshDirectory();
    buildProductTree(in, root);
    const QMap<QString, QByteArray> before = snapshot(root);
    const QString index = root + u'/' + IndexPath;
    const QSet<QString> languagesBefore = keysOf(index, QStringLiteral("languages"));
    const QSet<QString> webBefore = keysOf(index, QStringLiteral("xmllanguages"));

    const Run first = synchronise(root);
    const QString notices = first.notices.texts.join(u'\n');

    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        FUZZ_CHECK(first.tree.contains(it.key()), it.key() + QStringLiteral(" was deleted"));
        const bool isDir = it.value() == "<dir>";
        FUZZ_CHECK(isDir == (first.tree.value(it.key()) == "<dir>"), it.key() + QStringLiteral(" changed its kind"));
        if (it.key() != IndexPath)
            FUZZ_CHECK(first.tree.value(it.key()) == it.value(), it.key() + QStringLiteral(" was changed"));
    }
    for (auto it = first.tree.cbegin(); it != first.tree.cend(); ++it) {
        if (before.contains(it.key()) || it.key() == IndexPath)
            continue;
        const QString name = it.key().section(u'/', 1);
        FUZZ_CHECK(it.key().startsWith(QStringLiteral("language/")) && name.endsWith(QStringLiteral(".ini")),
                   it.key() + QStringLiteral(" was created"));
        const QString code = LocaleCatalogue::CodeForDisplayName(name.chopped(4));
        FUZZ_CHECK(!code.isEmpty(), it.key() + QStringLiteral(" was created for no catalogue language"));
    }

    const int rows = LocaleCatalogue::RowCount();
    for (int row : first.present)
        FUZZ_CHECK(row >= 0 && row < rows, QString::number(row));

    if (first.notices.worst == Severity::Error) {
        FUZZ_CHECK(first.present.empty(), notices);
    } else {
        // Nothing in the index was lost.
        const QSet<QString> languages = keysOf(index, QStringLiteral("languages"));
        const QSet<QString> web = keysOf(index, QStringLiteral("xmllanguages"));
        FUZZ_CHECK(languages.contains(languagesBefore) && web.contains(webBefore),
                   QStringLiteral("index keys were lost"));
        // Every catalogue language found on disk is present: the first row of its code.
        auto firstRowOf = [rows](const QString &code) {
            for (int row = 0; row < rows; ++row)
                if (LocaleCatalogue::RowAt(row).localeCode == code)
                    return row;
            return -1;
        };
        for (int row = 0; row < rows; ++row) {
            const LocaleRow &locale = LocaleCatalogue::RowAt(row);
            const QString fileName = QStringLiteral("language/") + locale.displayName + QStringLiteral(".ini");
            const QString webName = QStringLiteral("Web/LanguageInfo/") + locale.webName;
            const bool fileFound = before.contains(fileName) && before.value(fileName) != "<dir>"
                && LocaleCatalogue::CodeForDisplayName(locale.displayName) == locale.localeCode;
            const bool webFound = before.value(webName) == "<dir>" && !locale.webName.contains(u'.')
                && LocaleCatalogue::CodeForWebName(locale.webName) == locale.localeCode;
            if (fileFound || webFound)
                FUZZ_CHECK(first.present.count(firstRowOf(locale.localeCode)),
                           locale.displayName + QStringLiteral(" is not present\n") + notices);
        }
        if (first.notices.worst == Severity::Information) {
            for (int row : first.present) {
                const LocaleRow &locale = LocaleCatalogue::RowAt(row);
                FUZZ_CHECK(languages.contains(locale.localeCode) && web.contains(locale.localeCode),
                           locale.localeCode + QStringLiteral(" is not indexed twice"));
                FUZZ_CHECK(QFileInfo(root + QStringLiteral("/language/") + locale.displayName + QStringLiteral(".ini")).isFile(),
                           locale.displayName + QStringLiteral(" has no file"));
            }
        }
    }

    const Run second = synchronise(root);
    for (auto it = second.tree.cbegin(); it != second.tree.cend(); ++it)
        FUZZ_CHECK(first.tree.value(it.key()) == it.value(), it.key() + QStringLiteral(" changed in a second run"));
    FUZZ_CHECK(second.tree.size() == first.tree.size(), QStringLiteral("a second run changed the tree"));
    FUZZ_CHECK(second.present == first.present, QStringLiteral("a second run found other languages"));
    return 0;
}
