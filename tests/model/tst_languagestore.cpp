#include "TestSupport.h"

#include "model/Constants.h"
#include "model/LanguageStore.h"
#include "platform/ProfileFile.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <csignal>

using namespace Glossa;
using namespace TestSupport;

class TestLanguageStore : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    int m_serial = 0;

    // A fresh product directory with a language directory holding these files (UTF-8 bytes).
    QString makeProduct(const QList<std::pair<QString, QByteArray>> &files)
    {
        const QString root = m_tmp.filePath(QStringLiteral("p%1").arg(++m_serial));
        QDir().mkpath(root + QStringLiteral("/language"));
        for (const auto &[name, bytes] : files)
            writeBytes(root + QStringLiteral("/language/") + name, bytes);
        return root;
    }
    QString demoCopy()
    {
        const QString root = m_tmp.filePath(QStringLiteral("demo%1").arg(++m_serial));
        copyTree(demoProductDir(), root);
        return root;
    }
    static bool open(LanguageStore &store, const QString &root)
    {
        resetAttributeIdCounter();
        CurrentDirGuard guard;
        QDir::setCurrent(root);
        return store.Open(QStringLiteral("./language"));
    }

private Q_SLOTS:
    void openReadsTheCatalogueInLineOrder();
    void openFailures();
    void loadLanguageFile();
    void saveQuotesValues_data();
    void saveQuotesValues();
    void valuesWithEqualsAndQuotesSurviveASaveAndAReload();
    void saveRefusesWhatTheFileCannotHoldAndWritesNothing();
    void saveFailureIsReportedAndLeavesTheFileWhole();
    void removeKeysIsExact();
    void createLanguageFile();
    void createLanguageFileKeepsAnExistingFile();
    void longPathsWithSpacesAndNonAsciiLetters();
};

void TestLanguageStore::openReadsTheCatalogueInLineOrder()
{
    CurrentDirGuard guard;
    const QString root = makeProduct({{MasterLanguageFileName,
                                       "[text]\nZ=\"z\"\nA=\"a\"\n; comment\nnovalue\n =x\nZ=\"again\"\n"
                                       "Brightness=\"Level = %d\"\nk=b=c\n"}});
    QDir::setCurrent(root);
    LanguageStore store;
    resetAttributeIdCounter();
    QVERIFY(store.Open(QStringLiteral("./language")));
    QCOMPARE(QDir::currentPath(), root); // the working directory is given back
    QCOMPARE(store.directory(), root + QStringLiteral("/language"));
    QCOMPARE(store.previousDirectory(), root);
    const AttributeCatalogue &c = store.attributes();
    QCOMPARE(c.values(), QStringList({QStringLiteral("Z"), QStringLiteral("A"), QStringLiteral("Z"), QStringLiteral("Brightness"), QStringLiteral("k=b")}));
    QCOMPARE(c.keys(), QList<AttributeId>({0, 1, 2, 3, 4}));
    QCOMPARE(store.findAttribute(QStringLiteral("Z")), std::optional<AttributeId>(0)); // the lowest id wins
    QCOMPARE(store.findAttribute(QStringLiteral("z")), std::nullopt);

    // An empty master file is an empty catalogue, not a failure.
    const QString empty = makeProduct({{MasterLanguageFileName, ""}});
    LanguageStore emptyStore;
    QVERIFY(open(emptyStore, empty));
    QVERIFY(emptyStore.attributes().isEmpty());
}

void TestLanguageStore::openFailures()
{
    CurrentDirGuard guard;
    const QString noLanguage = m_tmp.filePath(QStringLiteral("nolanguage"));
    QDir().mkpath(noLanguage);
    QDir::setCurrent(noLanguage);
    LanguageStore store;
    QVERIFY(!store.Open(QStringLiteral("./language")));
    QCOMPARE(QDir::currentPath(), noLanguage);
    QVERIFY(store.directory().isEmpty());

    const QString noMaster = makeProduct({{QStringLiteral("German (Germany).ini"), "[text]\n"}});
    QDir::setCurrent(noMaster);
    QVERIFY(!store.Open(QStringLiteral("./language")));
    QVERIFY(!store.lastError().isEmpty());

    const QString masterIsDir = makeProduct({});
    QDir().mkpath(masterIsDir + QStringLiteral("/language/") + MasterLanguageFileName);
    QDir::setCurrent(masterIsDir);
    QVERIFY(!store.Open(QStringLiteral("./language")));
    QVERIFY(store.lastError().contains(QStringLiteral("directory")));
    // Nothing was created on the way.
    QCOMPARE(QDir(noLanguage).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

void TestLanguageStore::loadLanguageFile()
{
    const QString root = demoCopy();
    LanguageStore store;
    QVERIFY(open(store, root));
    QCOMPARE(store.attributes().size(), 154);
    QCOMPARE(store.attributes().value(0), QStringLiteral("IDS_APP_WELCOME"));
    QVERIFY(store.findAttribute(QStringLiteral("IDS_BRIGHTNESS")).has_value());

    LanguageValues values;
    RedundantKeySet redundant;
    QVERIFY(store.LoadLanguageFile(QStringLiteral("German (Germany)"), values, redundant));
    QCOMPARE(values.size(), 92);
    QCOMPARE(redundant, RedundantKeySet({QStringLiteral("IDS_OLD_FEATURE"), QStringLiteral("ids_file_open")}));
    QVERIFY(!values.contains(*store.findAttribute(QStringLiteral("IDS_FILE_OPEN"))));
    // Values keep their quotes.
    QVERIFY(values.first().startsWith(u'"'));

    // Both containers are added to, never cleared; a missing file touches neither.
    RedundantKeySet more = {QStringLiteral("keep")};
    LanguageValues kept = {{0, QStringLiteral("x")}};
    QVERIFY(!store.LoadLanguageFile(QStringLiteral("Japanese (Japan)"), kept, more));
    QCOMPARE(kept.size(), 1);
    QCOMPARE(more.size(), size_t(1));

    // A repeated key keeps its first value; a master name repeated gets the value under its lowest id only.
    const QString dup = makeProduct({{MasterLanguageFileName, "[text]\nA=1\nB=2\nA=3\n"},
                                     {QStringLiteral("French (France).ini"), "[text]\nA=\"un\"\nA=\"deux\"\nb=\"x\"\n"}});
    LanguageStore dupStore;
    QVERIFY(open(dupStore, dup));
    LanguageValues fr;
    RedundantKeySet frRedundant;
    QVERIFY(dupStore.LoadLanguageFile(QStringLiteral("French (France)"), fr, frRedundant));
    QCOMPARE(fr, LanguageValues({{0, QStringLiteral("\"un\"")}}));
    QCOMPARE(frRedundant, RedundantKeySet({QStringLiteral("b")}));
}

void TestLanguageStore::saveQuotesValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain") << "Open" << "\"Open\"";
    QTest::newRow("quoted") << "\"Open\"" << "\"Open\"";
    QTest::newRow("opening quote only") << "\"Open" << "\"Open\"";
    QTest::newRow("closing quote only") << "Open\"" << "\"Open\"";
    QTest::newRow("empty") << "" << "";
    QTest::newRow("one quote") << "\"" << "\"";
    QTest::newRow("inner quotes") << "Say \"hi\"" << "\"Say \"hi\"";
}

void TestLanguageStore::saveQuotesValues()
{
    QFETCH(QString, value);
    QFETCH(QString, written);
    QCOMPARE(LanguageStore::quotedForSaving(value), written);

    const QString root = makeProduct({{MasterLanguageFileName, "[text]\nA=x\nB=y\n"},
                                      {QStringLiteral("French (France).ini"), "[text]\r\nB=\"b\"\r\n"}});
    LanguageStore store;
    QVERIFY(open(store, root));
    QVERIFY(store.SaveLanguageFile(QStringLiteral("French (France)"), {{0, value}}));
    QCOMPARE(readBytes(root + QStringLiteral("/language/French (France).ini")),
             QByteArray("[text]\r\nB=\"b\"\r\nA=") + written.toUtf8() + "\r\n");
}

void TestLanguageStore::valuesWithEqualsAndQuotesSurviveASaveAndAReload()
{
    const QString root = demoCopy();
    LanguageStore store;
    QVERIFY(open(store, root));
    const AttributeId brightness = *store.findAttribute(QStringLiteral("IDS_BRIGHTNESS"));
    LanguageValues fr;
    RedundantKeySet redundant;
    QVERIFY(store.LoadLanguageFile(QStringLiteral("French (France)"), fr, redundant));
    QVERIFY(fr.value(brightness).contains(u'='));

    const LanguageValues changed = {{brightness, QStringLiteral("\"Luminosit\u00e9 = %d\"")},
                                    {brightness + 1, QStringLiteral("a=b \"c\" = \"d")},
                                    {brightness + 2, QStringLiteral("\u4e2d\u6587 = \"x\"")}};
    QVERIFY(store.SaveLanguageFile(QStringLiteral("French (France)"), changed));
    LanguageValues back;
    QVERIFY(store.LoadLanguageFile(QStringLiteral("French (France)"), back, redundant));
    for (auto it = changed.cbegin(); it != changed.cend(); ++it)
        QCOMPARE(back.value(it.key()), LanguageStore::quotedForSaving(it.value()));
    // The file stays UTF-16LE with CRLF.
    ProfileFile file(root + QStringLiteral("/language/French (France).ini"));
    QVERIFY(file.load());
    QCOMPARE(file.format().encoding, TextEncoding::Utf16LE);
    QCOMPARE(file.format().lineEnding, QStringLiteral("\r\n"));
}

void TestLanguageStore::saveRefusesWhatTheFileCannotHoldAndWritesNothing()
{
    const QString root = demoCopy();
    const QString path = root + QStringLiteral("/language/German (Germany).ini");
    const QByteArray before = readBytes(path);
    LanguageStore store;
    QVERIFY(open(store, root));
    QVERIFY(!store.SaveLanguageFile(QStringLiteral("German (Germany)"),
                                    {{1, QStringLiteral("fine")}, {2, QStringLiteral("two\nlines")}}));
    QVERIFY(store.lastError().contains(store.attributes().value(2)));
    QCOMPARE(readBytes(path), before);
}

void TestLanguageStore::saveFailureIsReportedAndLeavesTheFileWhole()
{
    const QString root = demoCopy();
    LanguageStore store;
    QVERIFY(open(store, root));
    // A directory where the file should be: a failure that holds for root too.
    QDir().mkpath(root + QStringLiteral("/language/Italian (Italy).ini"));
    QVERIFY(!store.SaveLanguageFile(QStringLiteral("Italian (Italy)"), {{1, QStringLiteral("Apri")}}));
    QVERIFY(!store.lastError().isEmpty());
    QVERIFY(!store.CreateLanguageFile(QStringLiteral("Italian (Italy)")));
    QVERIFY(!readBytes(root + QStringLiteral("/language/LanguageIndex.ini")).contains("I\0t\0a\0l"));

    // Running out of room half-way through a save, in a child with a file-size limit.
    const QString path = root + QStringLiteral("/language/Chinese (PRC).ini");
    const QByteArray before = readBytes(path);
    const int status = runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        LanguageValues all;
        for (AttributeId id : store.attributes().keys())
            all.insert(id, QStringLiteral("\u65b0\u7684\u503c"));
        if (store.SaveLanguageFile(QStringLiteral("Chinese (PRC)"), all))
            return 1;
        return store.lastError().contains(QStringLiteral("Chinese (PRC).ini")) ? 0 : 2;
    });
    QCOMPARE(status, 0);
    QCOMPARE(readBytes(path), before);
}

void TestLanguageStore::removeKeysIsExact()
{
    const QString root = demoCopy();
    const QString path = root + QStringLiteral("/language/German (Germany).ini");
    LanguageStore store;
    QVERIFY(open(store, root));
    const QByteArray before = readBytes(path);
    QVERIFY(store.RemoveKeys(QStringLiteral("German (Germany)"), {}));
    QCOMPARE(readBytes(path), before);

    QVERIFY(store.RemoveKeys(QStringLiteral("German (Germany)"), {QStringLiteral("ids_file_open"), QStringLiteral("IDS_OLD_FEATURE")}));
    const QByteArray after = readBytes(path);
    QVERIFY(!after.contains("ids_file_open"));
    QVERIFY(!after.contains("IDS_OLD_FEATURE"));
    // Every other line is as it was.
    QByteArray expected = before;
    for (const QByteArray &gone : {QByteArray("ids_file_open"), QByteArray("IDS_OLD_FEATURE")}) {
        const qsizetype at = expected.indexOf(gone);
        expected.remove(at, expected.indexOf('\n', at) + 1 - at);
    }
    QCOMPARE(after, expected);
}

void TestLanguageStore::createLanguageFile()
{
    const QString root = demoCopy();
    LanguageStore store;
    QVERIFY(open(store, root));
    QVERIFY(store.CreateLanguageFile(QStringLiteral("Italian (Italy)")));
    ProfileFile created(root + QStringLiteral("/language/Italian (Italy).ini"));
    QVERIFY(created.load());
    // The master's encoding and line ending, every attribute in order with one space.
    QCOMPARE(created.format().encoding, TextEncoding::Utf16LE);
    QCOMPARE(created.format().lineEnding, QStringLiteral("\r\n"));
    const auto entries = created.sectionEntries(TextSectionName);
    QCOMPARE(entries.size(), store.attributes().size());
    QCOMPARE(entries.first().key, store.attributes().first());
    QVERIFY(readBytes(created.path()).contains(utf16le(QStringLiteral("IDS_APP_WELCOME= \r\n"), false)));
    for (const ProfileEntry &e : entries)
        QVERIFY(e.value.isEmpty());
    const auto index = GetPrivateProfileSection(QStringLiteral("languages"), root + QStringLiteral("/language/LanguageIndex.ini"));
    QVERIFY(std::any_of(index.begin(), index.end(), [](const ProfileEntry &e) {
        return e.key == QStringLiteral("0x0410") && e.value == QStringLiteral("Italian (Italy)");
    }));
}

void TestLanguageStore::createLanguageFileKeepsAnExistingFile()
{
    const QString root = makeProduct({{MasterLanguageFileName, "[text]\nA=a\nB=b\nC=c\n"},
                                      {QStringLiteral("Greek (Greece).ini"), "; mine\n[text]\nB=\"beta\"\nextra=1\n"}});
    LanguageStore store;
    QVERIFY(open(store, root));
    QVERIFY(store.CreateLanguageFile(QStringLiteral("Greek (Greece)")));
    QCOMPARE(readBytes(root + QStringLiteral("/language/Greek (Greece).ini")),
             QByteArray("; mine\n[text]\nB=\"beta\"\nextra=1\nA= \nC= \n"));
}

void TestLanguageStore::longPathsWithSpacesAndNonAsciiLetters()
{
    CurrentDirGuard guard;
    QString root = m_tmp.filePath(QStringLiteral("Produkt mit \u00dcberl\u00e4nge \u4ea7\u54c1"));
    while (root.size() < 300)
        root += QStringLiteral("/Verzeichnis mit Leerzeichen \u00e9");
    QVERIFY(QDir().mkpath(root + QStringLiteral("/language")));
    QVERIFY(writeBytes(root + QStringLiteral("/language/") + MasterLanguageFileName, "[text]\nA=\"a\"\n"));
    LanguageStore store;
    QVERIFY(open(store, root));
    QCOMPARE(store.directory(), root + QStringLiteral("/language"));
    QVERIFY(store.CreateLanguageFile(QStringLiteral("Thai (Thailand)")));
    QVERIFY(store.SaveLanguageFile(QStringLiteral("Thai (Thailand)"), {{0, QStringLiteral("\u0e01")}}));
    LanguageValues values;
    RedundantKeySet redundant;
    QVERIFY(store.LoadLanguageFile(QStringLiteral("Thai (Thailand)"), values, redundant));
    QCOMPARE(values.value(0), QStringLiteral("\"\u0e01\""));
}

QTEST_GUILESS_MAIN(TestLanguageStore)
#include "tst_languagestore.moc"
