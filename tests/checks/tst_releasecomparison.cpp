#include "checks/ReleaseComparison.h"
#include "cli/ChangesCommand.h"

#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using Glossa::ReleaseComparison;

namespace {

QString previousDir()
{
    return TestSupport::sourceDir() + QStringLiteral("/examples/demo-product-previous");
}

QStringList sorted(QSet<QString> keys)
{
    QStringList list(keys.begin(), keys.end());
    std::sort(list.begin(), list.end());
    return list;
}

QStringList changedKeys(const ReleaseComparison &c)
{
    QStringList keys;
    for (const Glossa::EnglishChange &change : c.changed())
        keys.append(change.key);
    return keys;
}

const QString Master = QStringLiteral("English (United States).ini");

// A product of one master (UTF-8, LF) and, optionally, German, below root.
void writeProduct(const QString &root, const QString &master, const QString &german = {})
{
    QVERIFY(QDir().mkpath(root + QStringLiteral("/language")));
    QVERIFY(TestSupport::writeBytes(root + QStringLiteral("/language/") + Master, master.toUtf8()));
    if (!german.isEmpty())
        QVERIFY(TestSupport::writeBytes(root + QStringLiteral("/language/German (Germany).ini"), german.toUtf8()));
}

struct RunResult
{
    int code;
    QByteArray out;
    QByteArray err;
};

RunResult run(const QStringList &arguments)
{
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    const int code = Glossa::runChanges(arguments, &out, &err);
    return {code, out.data(), err.data()};
}

} // namespace

class TestReleaseComparison : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void demoChanges();
    void demoStaleKeys_data();
    void demoStaleKeys();
    void masterFileOnly();
    void staleRules_data();
    void staleRules();
    void firstOfEqualKeysWins();
    void badInput_data();
    void badInput();
    void demoEncodingsKept();
    void commandJson();
    void commandText();
    void commandLanguages();
    void commandBadUsage_data();
    void commandBadUsage();
    void loadStaleKeysForCheck();
};

void TestReleaseComparison::demoChanges()
{
    ReleaseComparison c;
    QVERIFY2(c.compare(previousDir(), TestSupport::demoProductDir()), qPrintable(c.error()));
    QCOMPARE(c.added(), (QStringList{QStringLiteral("IDS_HELP_CHECK_UPDATE"), QStringLiteral("IDS_LIVE_DIGITAL_ZOOM"),
                                     QStringLiteral("IDS_SYSTEM_TIME_SYNC")}));
    QCOMPARE(c.removed(), (QStringList{QStringLiteral("IDS_OLD_FEATURE"), QStringLiteral("IDS_DEVICE_REMOTE_CONFIG")}));
    // IDS_MENU_HELP=Help against "Help" is the same text: no change.
    QCOMPARE(changedKeys(c), (QStringList{QStringLiteral("IDS_DEVICE_DELETE"), QStringLiteral("IDS_DEVICE_SEARCH"),
                                          QStringLiteral("IDS_PLAYBACK_DOWNLOAD"), QStringLiteral("MSG_NO_RECORDINGS")}));
    const Glossa::EnglishChange *del = c.change(QStringLiteral("IDS_DEVICE_DELETE"));
    QVERIFY(del);
    QCOMPARE(del->before, QStringLiteral("Delete"));
    QCOMPARE(del->after, QStringLiteral("Delete Device"));
    QVERIFY(!c.change(QStringLiteral("IDS_MENU_HELP")));
    QVERIFY(!c.change(QStringLiteral("IDS_HELP_CHECK_UPDATE")));
}

void TestReleaseComparison::demoStaleKeys_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("stale");
    // German already followed the new English of IDS_DEVICE_DELETE and has no MSG_NO_RECORDINGS.
    QTest::newRow("German") << QStringLiteral("German (Germany)")
                            << QStringList{QStringLiteral("IDS_DEVICE_SEARCH"), QStringLiteral("IDS_PLAYBACK_DOWNLOAD")};
    QTest::newRow("French") << QStringLiteral("French (France)")
                            << QStringList{QStringLiteral("IDS_DEVICE_DELETE"), QStringLiteral("IDS_PLAYBACK_DOWNLOAD"),
                                           QStringLiteral("MSG_NO_RECORDINGS")};
    // No earlier file: every translation of a changed text is stale.
    QTest::newRow("Chinese, no earlier file")
        << QStringLiteral("Chinese (PRC)")
        << QStringList{QStringLiteral("IDS_DEVICE_DELETE"), QStringLiteral("IDS_DEVICE_SEARCH"),
                       QStringLiteral("IDS_PLAYBACK_DOWNLOAD"), QStringLiteral("MSG_NO_RECORDINGS")};
    QTest::newRow("no file at all") << QStringLiteral("Japanese (Japan)") << QStringList{};
}

void TestReleaseComparison::demoStaleKeys()
{
    QFETCH(QString, language);
    QFETCH(QStringList, stale);
    ReleaseComparison c;
    QVERIFY2(c.compare(previousDir(), TestSupport::demoProductDir()), qPrintable(c.error()));
    QSet<QString> keys;
    QString error;
    QVERIFY2(c.staleKeys(language, &keys, &error), qPrintable(error));
    QCOMPARE(sorted(keys), stale);
}

void TestReleaseComparison::masterFileOnly()
{
    // Given only the earlier master, nothing tells what the translators did since.
    ReleaseComparison c;
    QVERIFY2(c.compare(previousDir() + QStringLiteral("/language/") + Master, TestSupport::demoProductDir()),
             qPrintable(c.error()));
    QVERIFY(c.earlierLanguageDirectory().isEmpty());
    QCOMPARE(c.changed().size(), size_t(4));
    QSet<QString> keys;
    QString error;
    QVERIFY(c.staleKeys(QStringLiteral("German (Germany)"), &keys, &error));
    QCOMPARE(sorted(keys), (QStringList{QStringLiteral("IDS_DEVICE_DELETE"), QStringLiteral("IDS_DEVICE_SEARCH"),
                                        QStringLiteral("IDS_PLAYBACK_DOWNLOAD")}));
}

void TestReleaseComparison::staleRules_data()
{
    QTest::addColumn<QString>("earlierGerman"); // empty: no earlier German file
    QTest::addColumn<QString>("currentValue");  // the value of K today; "<none>" for no entry
    QTest::addColumn<bool>("stale");
    const QString none = QStringLiteral("<none>");
    QTest::newRow("no earlier file") << QString() << QStringLiteral("\"Alt\"") << true;
    QTest::newRow("same value") << QStringLiteral("[text]\nK=\"Alt\"\n") << QStringLiteral("\"Alt\"") << true;
    QTest::newRow("same text, other quotes") << QStringLiteral("[text]\nK=Alt\n") << QStringLiteral("\"Alt\"") << true;
    QTest::newRow("updated") << QStringLiteral("[text]\nK=\"Alt\"\n") << QStringLiteral("\"Neu\"") << false;
    QTest::newRow("first given since") << QStringLiteral("[text]\nOTHER=x\n") << QStringLiteral("\"Neu\"") << false;
    QTest::newRow("blank today") << QString() << QStringLiteral("\"\"") << false;
    QTest::newRow("white space today") << QString() << QStringLiteral("\" \"") << false;
    QTest::newRow("empty today") << QString() << QString() << false;
    QTest::newRow("not held") << QString() << none << false;
}

void TestReleaseComparison::staleRules()
{
    QFETCH(QString, earlierGerman);
    QFETCH(QString, currentValue);
    QFETCH(bool, stale);
    QTemporaryDir dir;
    const QString earlier = dir.filePath(QStringLiteral("earlier"));
    const QString product = dir.filePath(QStringLiteral("product"));
    writeProduct(earlier, QStringLiteral("[text]\nK=\"Old\"\nSAME=\"x\"\n"), earlierGerman);
    writeProduct(product, QStringLiteral("[text]\nK=\"New\"\nSAME=\"x\"\n"));
    ReleaseComparison c;
    QVERIFY2(c.compare(earlier, product), qPrintable(c.error()));
    QHash<QString, QString> values{{QStringLiteral("SAME"), QStringLiteral("\"y\"")}};
    if (currentValue != QStringLiteral("<none>"))
        values.insert(QStringLiteral("K"), currentValue);
    const QSet<QString> keys = c.staleKeys(QStringLiteral("German (Germany)"), values);
    QCOMPARE(keys.contains(QStringLiteral("K")), stale);
    QVERIFY(!keys.contains(QStringLiteral("SAME")));
}

void TestReleaseComparison::firstOfEqualKeysWins()
{
    QTemporaryDir dir;
    const QString earlier = dir.filePath(QStringLiteral("earlier"));
    const QString product = dir.filePath(QStringLiteral("product"));
    // The second K of each master is never read; other sections are not the text.
    writeProduct(earlier, QStringLiteral("[other]\nK=\"Zzz\"\n[text]\nK=\"Same\"\nK=\"Old\"\n"));
    writeProduct(product, QStringLiteral("[TEXT]\nK=\"Same\"\nK=\"New\"\nK=\"Newer\"\n"));
    ReleaseComparison c;
    QVERIFY2(c.compare(earlier, product), qPrintable(c.error()));
    QVERIFY(c.changed().empty());
    QVERIFY(c.added().isEmpty());
    QVERIFY(c.removed().isEmpty());
}

void TestReleaseComparison::badInput_data()
{
    QTest::addColumn<QString>("earlier"); // relative to the temporary folder
    QTest::addColumn<QString>("product");
    QTest::addColumn<QString>("message");
    const QString product = QStringLiteral("product");
    QTest::newRow("earlier missing") << QStringLiteral("nothing") << product << QStringLiteral("does not exist");
    QTest::newRow("earlier without language folder")
        << QStringLiteral("empty") << product << QStringLiteral("holds no language folder");
    QTest::newRow("earlier without master")
        << QStringLiteral("no-master") << product << QStringLiteral("holds no master file");
    QTest::newRow("earlier language folder given")
        << QStringLiteral("earlier/language") << product << QStringLiteral("is a language folder");
    QTest::newRow("earlier master a folder")
        << QStringLiteral("master-folder") << product << QStringLiteral("is a folder, not a file");
    QTest::newRow("earlier master with NUL bytes")
        << QStringLiteral("binary/language/") + Master << product << QStringLiteral("is not a text file");
    QTest::newRow("earlier folder with binary master")
        << QStringLiteral("binary") << product << QStringLiteral("is not a text file");
    QTest::newRow("earlier UTF-16 master with NUL")
        << QStringLiteral("nul16.ini") << product << QStringLiteral("is not a text file");
    QTest::newRow("earlier UTF-16 master with an odd byte")
        << QStringLiteral("odd16.ini") << product << QStringLiteral("is not a text file");
    QTest::newRow("earlier text file, no language file")
        << QStringLiteral("notes.txt") << product << QStringLiteral("has no [text] section");
    QTest::newRow("same folder") << product << product << QStringLiteral("is the current product itself");
    QTest::newRow("same master file")
        << QStringLiteral("product/language/") + Master << product << QStringLiteral("is the current product itself");
    QTest::newRow("same folder by another path")
        << QStringLiteral("product/../product") << product << QStringLiteral("is the current product itself");
    QTest::newRow("product missing") << QStringLiteral("earlier") << QStringLiteral("nothing")
                                     << QStringLiteral("does not exist");
    QTest::newRow("product a file") << QStringLiteral("earlier") << QStringLiteral("notes.txt")
                                    << QStringLiteral("is a file");
    QTest::newRow("product without master")
        << QStringLiteral("earlier") << QStringLiteral("no-master") << QStringLiteral("holds no master file");
    QTest::newRow("product binary master")
        << QStringLiteral("earlier") << QStringLiteral("binary") << QStringLiteral("is not a text file");
}

void TestReleaseComparison::badInput()
{
    QFETCH(QString, earlier);
    QFETCH(QString, product);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString root = dir.path() + u'/';
    writeProduct(root + QStringLiteral("earlier"), QStringLiteral("[text]\nK=\"Old\"\n"));
    writeProduct(root + QStringLiteral("product"), QStringLiteral("[text]\nK=\"New\"\n"));
    QVERIFY(QDir().mkpath(root + QStringLiteral("empty")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("no-master/language")));
    QVERIFY(QDir().mkpath(root + QStringLiteral("master-folder/language/") + Master));
    QVERIFY(QDir().mkpath(root + QStringLiteral("binary/language")));
    QVERIFY(TestSupport::writeBytes(root + QStringLiteral("binary/language/") + Master,
                                    QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR[text]\nK=1\n", 27)));
    QVERIFY(TestSupport::writeBytes(root + QStringLiteral("nul16.ini"),
                                    TestSupport::utf16le(QStringLiteral("[text]\r\nK=\"a") + QChar(0)
                                                         + QStringLiteral("b\"\r\n"))));
    QVERIFY(TestSupport::writeBytes(root + QStringLiteral("odd16.ini"),
                                    TestSupport::utf16le(QStringLiteral("[text]\r\nK=\"a\"\r\n")) + QByteArray("x")));
    QVERIFY(TestSupport::writeBytes(root + QStringLiteral("notes.txt"), "Release notes\nK=1\n"));
    const auto before = TestSupport::snapshotTree(dir.path());

    ReleaseComparison c;
    QVERIFY(!c.compare(root + earlier, root + product));
    QVERIFY2(c.error().contains(message), qPrintable(c.error()));
    QVERIFY(c.changed().empty() && c.added().isEmpty());

    // The command says the same on stderr, nothing on stdout, and exits 2.
    const RunResult r = run({root + earlier, root + product});
    QCOMPARE(r.code, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
    QHash<QString, QSet<QString>> stale;
    QString error;
    QVERIFY(!Glossa::loadStaleKeys(root + earlier, root + product, &stale, &error));
    QVERIFY(error.contains(message));

    QCOMPARE(TestSupport::snapshotTree(dir.path()), before);
}

void TestReleaseComparison::demoEncodingsKept()
{
    // The earlier release's files are stored as the current release's are.
    const QStringList files{Master, QStringLiteral("German (Germany).ini"), QStringLiteral("French (France).ini"),
                            QStringLiteral("LanguageIndex.ini")};
    for (const QString &file : files) {
        const QByteArray now = TestSupport::readBytes(TestSupport::demoProductDir() + QStringLiteral("/language/") + file);
        const QByteArray was = TestSupport::readBytes(previousDir() + QStringLiteral("/language/") + file);
        QVERIFY2(!was.isEmpty(), qPrintable(file));
        QCOMPARE(was.startsWith("\xFF\xFE"), now.startsWith("\xFF\xFE"));
        const bool crlf = now.startsWith("\xFF\xFE") ? now.contains(QByteArray("\r\0\n\0", 4)) : now.contains("\r\n");
        const bool wasCrlf =
            was.startsWith("\xFF\xFE") ? was.contains(QByteArray("\r\0\n\0", 4)) : was.contains("\r\n");
        QCOMPARE(wasCrlf, crlf);
    }
}

void TestReleaseComparison::commandJson()
{
    const RunResult r = run({previousDir(), TestSupport::demoProductDir(), QStringLiteral("--format"),
                             QStringLiteral("json")});
    QCOMPARE(r.code, 0);
    QVERIFY(r.err.isEmpty());
    const QByteArray expected =
        "{\"added\": [\"IDS_HELP_CHECK_UPDATE\", \"IDS_LIVE_DIGITAL_ZOOM\", \"IDS_SYSTEM_TIME_SYNC\"], "
        "\"removed\": [\"IDS_OLD_FEATURE\", \"IDS_DEVICE_REMOTE_CONFIG\"], "
        "\"changed\": [{\"key\": \"IDS_DEVICE_DELETE\", \"before\": \"Delete\", \"after\": \"Delete Device\"}, "
        "{\"key\": \"IDS_DEVICE_SEARCH\", \"before\": \"Search\", \"after\": \"Search LAN\"}, "
        "{\"key\": \"IDS_PLAYBACK_DOWNLOAD\", \"before\": \"Download Recording\", \"after\": \"Download\"}, "
        "{\"key\": \"MSG_NO_RECORDINGS\", \"before\": \"No recordings found.\", "
        "\"after\": \"No recordings found in the selected period.\"}], "
        "\"stale\": {\"Chinese (PRC)\": [\"IDS_DEVICE_DELETE\", \"IDS_DEVICE_SEARCH\", \"IDS_PLAYBACK_DOWNLOAD\", "
        "\"MSG_NO_RECORDINGS\"], "
        "\"French (France)\": [\"IDS_DEVICE_DELETE\", \"IDS_PLAYBACK_DOWNLOAD\", \"MSG_NO_RECORDINGS\"], "
        "\"German (Germany)\": [\"IDS_DEVICE_SEARCH\", \"IDS_PLAYBACK_DOWNLOAD\"], "
        // Japanese is present by its web directory alone: no file, nothing stale.
        "\"Japanese (Japan)\": []}}\n";
    QVERIFY2(r.out == expected, r.out.constData());
    QJsonParseError error;
    QJsonDocument::fromJson(r.out, &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
}

void TestReleaseComparison::commandText()
{
    TestSupport::CurrentDirGuard guard;
    // PRODUCT_DIR defaults to the working directory.
    QVERIFY(QDir::setCurrent(TestSupport::demoProductDir()));
    const RunResult r = run({previousDir()});
    QCOMPARE(r.code, 0);
    const QString text = QString::fromUtf8(r.out);
    for (const QString &part : {QStringLiteral("Added: 3\n  IDS_HELP_CHECK_UPDATE\n"),
                                QStringLiteral("Removed: 2\n  IDS_OLD_FEATURE\n  IDS_DEVICE_REMOTE_CONFIG\n"),
                                QStringLiteral("Changed: 4\n  IDS_DEVICE_DELETE\n    before: Delete\n"
                                               "    after:  Delete Device\n"),
                                QStringLiteral("  German (Germany): 2\n    IDS_DEVICE_SEARCH\n"
                                               "    IDS_PLAYBACK_DOWNLOAD\n")})
        QVERIFY2(text.contains(part), qPrintable(text));
}

void TestReleaseComparison::commandLanguages()
{
    const RunResult r = run({previousDir(), TestSupport::demoProductDir(), QStringLiteral("--format=json"),
                             QStringLiteral("--language"), QStringLiteral("0x0407"),
                             QStringLiteral("--language"), QStringLiteral("French (France)")});
    QCOMPARE(r.code, 0);
    const QJsonObject stale = QJsonDocument::fromJson(r.out).object().value(QStringLiteral("stale")).toObject();
    QCOMPARE(stale.keys(), (QStringList{QStringLiteral("French (France)"), QStringLiteral("German (Germany)")}));
    QCOMPARE(stale.value(QStringLiteral("German (Germany)")).toArray().size(), 2);
}

void TestReleaseComparison::commandBadUsage_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QString earlier = previousDir();
    const QString product = TestSupport::demoProductDir();
    QTest::newRow("no earlier") << QStringList{} << QStringLiteral("earlier release is missing");
    QTest::newRow("too many") << QStringList{earlier, product, product} << QStringLiteral("too many arguments");
    QTest::newRow("format") << QStringList{earlier, product, QStringLiteral("--format"), QStringLiteral("xml")}
                            << QStringLiteral("unknown format");
    QTest::newRow("unknown option") << QStringList{earlier, QStringLiteral("--colour")} << QStringLiteral("colour");
    QTest::newRow("unknown language")
        << QStringList{earlier, product, QStringLiteral("--language"), QStringLiteral("Klingon")}
        << QStringLiteral("no language \"Klingon\"");
    QTest::newRow("master language")
        << QStringList{earlier, product, QStringLiteral("--language"), QStringLiteral("English (United States)")}
        << QStringLiteral("is the master language");
    QTest::newRow("language needs a value")
        << QStringList{earlier, product, QStringLiteral("--language")} << QStringLiteral("language");
}

void TestReleaseComparison::commandBadUsage()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const RunResult r = run(arguments);
    QCOMPARE(r.code, 2);
    QVERIFY(r.out.isEmpty());
    QVERIFY2(QString::fromUtf8(r.err).contains(message), r.err.constData());
}

void TestReleaseComparison::loadStaleKeysForCheck()
{
    QHash<QString, QSet<QString>> stale;
    QString error;
    QVERIFY2(Glossa::loadStaleKeys(previousDir(), TestSupport::demoProductDir(), &stale, &error), qPrintable(error));
    QCOMPARE(sorted(stale.value(QStringLiteral("German (Germany)"))),
             (QStringList{QStringLiteral("IDS_DEVICE_SEARCH"), QStringLiteral("IDS_PLAYBACK_DOWNLOAD")}));
    QCOMPARE(stale.value(QStringLiteral("Chinese (PRC)")).size(), 4);
    QVERIFY(!stale.contains(QStringLiteral("English (United States)")));
}

QTEST_GUILESS_MAIN(TestReleaseComparison)
#include "tst_releasecomparison.moc"
