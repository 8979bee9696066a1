#include "exchange/Tmx.h"

#include "CliRun.h"
#include "TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

namespace {

using TestSupport::Run;
using TestSupport::glossa;

const QString German = QStringLiteral("German (Germany)");

QStringList keysOf(const QJsonObject &object)
{
    QStringList keys = object.keys();
    keys.sort();
    return keys;
}

QJsonObject entryOf(const QJsonDocument &document, const QString &key)
{
    for (const QJsonValue &entry : document.object().value(u"entries").toArray())
        if (entry.toObject().value(u"key").toString() == key)
            return entry.toObject();
    return {};
}

QByteArray tmxOf(const QString &target, const std::vector<Glossa::TranslationPair> &units)
{
    return Glossa::writeTmx({QStringLiteral("en-US"), target, QStringLiteral("1"), units});
}

// The XLIFF 1.2 transitional schema copied into tests/data; libxml2 validates offline.
QString schemaErrors(const QByteArray &xliff)
{
    const QString schema = TestSupport::sourceDir() + QStringLiteral("/tests/data/xliff-1.2/xliff-core-1.2-transitional.xsd");
    xmlSchemaParserCtxtPtr parserContext = xmlSchemaNewParserCtxt(schema.toUtf8().constData());
    xmlSchemaPtr parsed = xmlSchemaParse(parserContext);
    xmlSchemaFreeParserCtxt(parserContext);
    if (!parsed)
        return QStringLiteral("the schema cannot be read");
    xmlDocPtr document = xmlReadMemory(xliff.constData(), int(xliff.size()), "export.xlf", nullptr, XML_PARSE_NONET);
    QString errors;
    if (!document) {
        errors = QStringLiteral("not well-formed");
    } else {
        xmlSchemaValidCtxtPtr valid = xmlSchemaNewValidCtxt(parsed);
        const int result = xmlSchemaValidateDoc(valid, document);
        if (result != 0)
            errors = QStringLiteral("invalid (%1)").arg(result);
        xmlSchemaFreeValidCtxt(valid);
        xmlFreeDoc(document);
    }
    xmlSchemaFree(parsed);
    return errors;
}

} // namespace

class TestMemoryCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void suggestShowsTheDemo();
    void suggestTakesTmxAndAnEarlierRelease();
    void usageErrors_data();
    void usageErrors();
    void tmExportReadsBack();
    void pretranslate();
    void pretranslateDryRunWritesNothing();
    void pretranslateRespectsTheLock();
    void exportWithSuggestions();

private:
    QTemporaryDir m_tmp;
    QString m_product;
};

void TestMemoryCli::init()
{
    m_product = m_tmp.filePath(QStringLiteral("product-%1").arg(QString::fromLatin1(QTest::currentTestFunction())));
    QDir(m_product).removeRecursively();
    QVERIFY(TestSupport::copyTree(TestSupport::demoProductDir(), m_product));
}

void TestMemoryCli::suggestShowsTheDemo()
{
    const Run json = glossa({QStringLiteral("suggest"), QStringLiteral("0x0407"), m_product, QStringLiteral("--key"),
                             QStringLiteral("IDS_LOG_EXPORT"), QStringLiteral("--key"), QStringLiteral("MSG_USER_DELETE_CONFIRM"),
                             QStringLiteral("--format"), QStringLiteral("json")});
    QCOMPARE(json.exitCode, 0);
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json.out, &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
    QCOMPARE(keysOf(document.object()), (QStringList{QStringLiteral("code"), QStringLiteral("entries"), QStringLiteral("language")}));
    QCOMPARE(document.object().value(u"language").toString(), German);
    QCOMPARE(document.object().value(u"code").toString(), QStringLiteral("0x0407"));

    // The same English under another key: 100.
    const QJsonObject exported = entryOf(document, QStringLiteral("IDS_LOG_EXPORT"));
    QCOMPARE(keysOf(exported), (QStringList{QStringLiteral("key"), QStringLiteral("reference"), QStringLiteral("suggestions")}));
    QCOMPARE(exported.value(u"reference").toString(), QStringLiteral("Export..."));
    const QJsonObject best = exported.value(u"suggestions").toArray().first().toObject();
    QCOMPARE(keysOf(best), (QStringList{QStringLiteral("origin"), QStringLiteral("placeholders_differ"), QStringLiteral("score"),
                                        QStringLiteral("source"), QStringLiteral("text"), QStringLiteral("uses")}));
    QCOMPARE(best.value(u"score").toInt(), 100);
    QCOMPARE(best.value(u"text").toString(), QStringLiteral("Exportieren..."));
    QCOMPARE(best.value(u"uses").toInt(), 1);
    QCOMPARE(best.value(u"placeholders_differ").toBool(), false);
    const QJsonObject origin = best.value(u"origin").toObject();
    QCOMPARE(keysOf(origin), (QStringList{QStringLiteral("file"), QStringLiteral("key"), QStringLiteral("kind"), QStringLiteral("language")}));
    QCOMPARE(origin.value(u"kind").toString(), QStringLiteral("product"));
    QCOMPARE(origin.value(u"key").toString(), QStringLiteral("IDS_FILE_EXPORT"));
    QCOMPARE(origin.value(u"file").toString(), QStringLiteral("language/German (Germany).ini"));

    // A near-duplicate: fuzzy, 9 symbols of 44 apart.
    const QJsonObject fuzzy = entryOf(document, QStringLiteral("MSG_USER_DELETE_CONFIRM")).value(u"suggestions").toArray().first().toObject();
    QCOMPARE(fuzzy.value(u"score").toInt(), 79);
    QCOMPARE(fuzzy.value(u"text").toString(), QStringLiteral("Möchten Sie %s wirklich löschen?"));
    QCOMPARE(fuzzy.value(u"source").toString(), QStringLiteral("Are you sure you want to delete %s?"));

    const Run text = glossa({QStringLiteral("suggest"), German, m_product, QStringLiteral("--untranslated")});
    QCOMPARE(text.exitCode, 0);
    QVERIFY(text.out.contains("IDS_LOG_EXPORT: Export...\n  100  Exportieren...  (this product: IDS_FILE_EXPORT)\n"));
    QVERIFY(text.out.contains("IDS_IMAGE_RESET: Restore Defaults\n       no match\n"));
    QVERIFY(!text.out.contains("IDS_FILE_EXPORT:")); // translated: not an untranslated entry
}

void TestMemoryCli::suggestTakesTmxAndAnEarlierRelease()
{
    const QString tmx = m_tmp.filePath(QStringLiteral("agency.tmx"));
    QVERIFY(TestSupport::writeBytes(tmx, tmxOf(QStringLiteral("de-DE"), {{QStringLiteral("tu7"), QStringLiteral("Start time:"),
                                                                          QStringLiteral("Startzeit:")}})));
    // The earlier release: the demo as it was, with End time: translated in its German.
    const QString earlier = m_tmp.filePath(QStringLiteral("release-1.4"));
    QDir(earlier).removeRecursively();
    QVERIFY(TestSupport::copyTree(TestSupport::demoProductDir(), earlier));
    const QString earlierGerman = earlier + QStringLiteral("/language/German (Germany).ini");
    QVERIFY(TestSupport::writeBytes(earlierGerman, TestSupport::readBytes(earlierGerman) + "IDS_PLAYBACK_END_TIME=\"Endzeit:\"\n"));

    const Run run = glossa({QStringLiteral("suggest"), German, m_product, QStringLiteral("--key"), QStringLiteral("IDS_PLAYBACK_START_TIME"),
                            QStringLiteral("--key"), QStringLiteral("IDS_PLAYBACK_END_TIME"), QStringLiteral("--tm"), tmx,
                            QStringLiteral("--since"), earlier, QStringLiteral("--format"), QStringLiteral("json")});
    QCOMPARE(run.exitCode, 0);
    const QJsonDocument document = QJsonDocument::fromJson(run.out);
    const QJsonObject fromTmx = entryOf(document, QStringLiteral("IDS_PLAYBACK_START_TIME")).value(u"suggestions").toArray().first().toObject();
    QCOMPARE(fromTmx.value(u"text").toString(), QStringLiteral("Startzeit:"));
    QCOMPARE(fromTmx.value(u"origin").toObject().value(u"kind").toString(), QStringLiteral("tmx"));
    QCOMPARE(fromTmx.value(u"origin").toObject().value(u"key").toString(), QStringLiteral("tu7"));
    QCOMPARE(fromTmx.value(u"origin").toObject().value(u"file").toString(), tmx);
    const QJsonObject fromEarlier = entryOf(document, QStringLiteral("IDS_PLAYBACK_END_TIME")).value(u"suggestions").toArray().first().toObject();
    QCOMPARE(fromEarlier.value(u"text").toString(), QStringLiteral("Endzeit:"));
    QCOMPARE(fromEarlier.value(u"score").toInt(), 100);
    QCOMPARE(fromEarlier.value(u"origin").toObject().value(u"kind").toString(), QStringLiteral("earlier"));
    QCOMPARE(fromEarlier.value(u"origin").toObject().value(u"file").toString(), earlier);
}

void TestMemoryCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("message");
    const QString product = QStringLiteral("@PRODUCT@");
    const QString key = QStringLiteral("--key=IDS_LOG_EXPORT");
    QTest::newRow("no entries") << QStringList{QStringLiteral("suggest"), German, product} << "--untranslated";
    QTest::newRow("score above 100") << QStringList{QStringLiteral("suggest"), German, product, key, QStringLiteral("--min=101")} << "--min";
    QTest::newRow("no matches wanted") << QStringList{QStringLiteral("suggest"), German, product, key, QStringLiteral("--max=0")} << "--max";
    QTest::newRow("unknown format") << QStringList{QStringLiteral("suggest"), German, product, key, QStringLiteral("--format=xml")} << "format";
    QTest::newRow("unknown key") << QStringList{QStringLiteral("suggest"), German, product, QStringLiteral("--key=IDS_NONE")} << "IDS_NONE";
    QTest::newRow("unknown language") << QStringList{QStringLiteral("suggest"), QStringLiteral("Klingon"), product, key} << "Klingon";
    QTest::newRow("the master") << QStringList{QStringLiteral("suggest"), QStringLiteral("0x0409"), product, key} << "master";
    QTest::newRow("missing TMX") << QStringList{QStringLiteral("suggest"), German, product, key, QStringLiteral("--tm=@TMP@/none.tmx")} << "cannot be read";
    QTest::newRow("refused TMX") << QStringList{QStringLiteral("pretranslate"), German, product, QStringLiteral("--tm=@TMP@/doctype.tmx")} << "document type";
    QTest::newRow("missing release") << QStringList{QStringLiteral("pretranslate"), German, product, QStringLiteral("--since=@TMP@/none")} << "does not exist";
    QTest::newRow("no product") << QStringList{QStringLiteral("pretranslate"), German, QStringLiteral("@TMP@/none")} << "";
    QTest::newRow("tm without export") << QStringList{QStringLiteral("tm"), German} << "export";
    QTest::newRow("tm export of the master") << QStringList{QStringLiteral("tm"), QStringLiteral("export"), QStringLiteral("0x0409"), product} << "master";
    QTest::newRow("suggestions as CSV") << QStringList{QStringLiteral("export"), German, product, QStringLiteral("--suggestions"), QStringLiteral("--format=csv")} << "--suggestions";
    QTest::newRow("tm without suggestions") << QStringList{QStringLiteral("export"), German, product, QStringLiteral("--tm=x.tmx")} << "--suggestions";
}

void TestMemoryCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    QVERIFY(TestSupport::writeBytes(m_tmp.filePath(QStringLiteral("doctype.tmx")),
                                    "<?xml version=\"1.0\"?><!DOCTYPE tmx SYSTEM \"tmx14.dtd\"><tmx version=\"1.4\"/>"));
    arguments.replaceInStrings(QStringLiteral("@PRODUCT@"), m_product);
    arguments.replaceInStrings(QStringLiteral("@TMP@"), m_tmp.path());
    const auto before = TestSupport::snapshotTree(m_product);
    const Run run = glossa(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(QString::fromUtf8(run.err).contains(message), run.err.constData());
    QVERIFY(run.out.isEmpty());
    QCOMPARE(TestSupport::snapshotTree(m_product), before);
}

void TestMemoryCli::tmExportReadsBack()
{
    const QString path = m_tmp.filePath(QStringLiteral("german.tmx"));
    const Run run = glossa({QStringLiteral("tm"), QStringLiteral("export"), German, m_product, QStringLiteral("-o"), path});
    QCOMPARE(run.exitCode, 0);
    Glossa::TmxReadResult read;
    QString error;
    QVERIFY2(Glossa::readTmxFile(TestSupport::readBytes(path), QStringLiteral("en-US"), QStringLiteral("de-DE"), read, error),
             qPrintable(error));
    // Every translated attribute: 92 of the demo's 154 in German.
    QCOMPARE(read.units.size(), size_t(92));
    QCOMPARE(read.otherLanguages, 0);
    const auto found = std::find_if(read.units.begin(), read.units.end(),
                                    [](const Glossa::TranslationPair &u) { return u.key == u"IDS_DEVICE_COUNT"; });
    QVERIFY(found != read.units.end());
    QCOMPARE(found->source, QStringLiteral("%d devices, %d online"));
    QCOMPARE(found->target, QStringLiteral("%d Geräte, %d online"));
    // Standard output by default, the same bytes.
    const Run out = glossa({QStringLiteral("tm"), QStringLiteral("export"), German, m_product});
    QCOMPARE(out.exitCode, 0);
    QCOMPARE(out.out, TestSupport::readBytes(path));
}

namespace {

// A UTF-16LE CRLF German file: IDS_A translated, IDS_B missing (one agreeing 100), IDS_E
// blank with two different 100s, IDS_F blank (a 100 only from the TMX), IDS_H blank with none.
const QStringList Master = {QStringLiteral("[text]"), QStringLiteral("IDS_A=\"Cancel\""), QStringLiteral("IDS_B=\"Cancel\""),
                            QStringLiteral("IDS_C=\"Close\""), QStringLiteral("IDS_D=\"Close\""), QStringLiteral("IDS_E=\"Close\""),
                            QStringLiteral("IDS_F=\"Open\""), QStringLiteral("IDS_G=\"Discard\""), QStringLiteral("IDS_H=\"Rare text\"")};
const QStringList GermanLines = {QStringLiteral("[text]"), QStringLiteral("; kept as it is"), QStringLiteral("IDS_A=\"Abbrechen\""),
                                 QStringLiteral("IDS_C = Schließen"), QStringLiteral("IDS_D=\"Zumachen\""), QStringLiteral("IDS_E=\"\""),
                                 QStringLiteral("IDS_F="), QStringLiteral("IDS_G=\"Verwerfen\""), QStringLiteral("IDS_H=\" \""),
                                 QStringLiteral("")};

QString makePretranslateProduct(const QString &root, const QString &tmxPath)
{
    QDir().mkpath(root + QStringLiteral("/language"));
    TestSupport::writeBytes(root + QStringLiteral("/language/English (United States).ini"),
                            TestSupport::utf16le(Master.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    TestSupport::writeBytes(root + QStringLiteral("/language/German (Germany).ini"),
                            TestSupport::utf16le(GermanLines.join(QStringLiteral("\r\n"))));
    TestSupport::writeBytes(root + QStringLiteral("/language/LanguageIndex.ini"),
                            TestSupport::utf16le(QStringLiteral("[languages]\r\n0x0409=English (United States)\r\n"
                                                                "0x0407=German (Germany)\r\n[xmllanguages]\r\n")));
    TestSupport::writeBytes(tmxPath, tmxOf(QStringLiteral("de"), {{QString(), QStringLiteral("Open"), QStringLiteral("Öffnen")}}));
    return root + QStringLiteral("/language/German (Germany).ini");
}

} // namespace

void TestMemoryCli::pretranslate()
{
    const QString root = m_tmp.filePath(QStringLiteral("pre"));
    const QString tmx = m_tmp.filePath(QStringLiteral("pre.tmx"));
    const QString file = makePretranslateProduct(root, tmx);
    const Run run = glossa({QStringLiteral("pretranslate"), German, root, QStringLiteral("--tm"), tmx});
    QCOMPARE(run.exitCode, 1); // IDS_E is ambiguous
    QVERIFY2(run.out.contains("ambiguous IDS_E: \"Schließen\""), run.out.constData());
    QVERIFY(run.out.contains("\"Zumachen\""));

    const QByteArray bytes = TestSupport::readBytes(file);
    QVERIFY(bytes.startsWith("\xFF\xFE")); // the encoding and its mark kept
    QStringList expected = GermanLines;
    expected[6] = QStringLiteral("IDS_F=\"Öffnen\"");               // replaced in place
    expected.insert(9, QStringLiteral("IDS_B=\"Abbrechen\""));      // added after the last key
    QCOMPARE(QString::fromUtf16(reinterpret_cast<const char16_t *>(bytes.constData() + 2), (bytes.size() - 2) / 2),
             expected.join(QStringLiteral("\r\n")));

    // Again: only the ambiguous entry and the one without a match are left; nothing changes.
    const QByteArray after = TestSupport::readBytes(file);
    const Run again = glossa({QStringLiteral("pretranslate"), German, root, QStringLiteral("--tm"), tmx});
    QCOMPARE(again.exitCode, 1);
    QCOMPARE(TestSupport::readBytes(file), after);

    // The demo: IDS_LOG_EXPORT filled from IDS_FILE_EXPORT, nothing ambiguous; the UTF-8 LF file keeps its other lines.
    const QString demoGerman = m_product + QStringLiteral("/language/German (Germany).ini");
    const QByteArray demoBefore = TestSupport::readBytes(demoGerman);
    const Run demo = glossa({QStringLiteral("pretranslate"), German, m_product});
    QCOMPARE(demo.exitCode, 0);
    QCOMPARE(demo.out, QByteArray("IDS_LOG_EXPORT:  -> \"Exportieren...\"\n"));
    QCOMPARE(TestSupport::readBytes(demoGerman), demoBefore + "IDS_LOG_EXPORT=\"Exportieren...\"\n");
}

void TestMemoryCli::pretranslateDryRunWritesNothing()
{
    const QString root = m_tmp.filePath(QStringLiteral("dry"));
    const QString tmx = m_tmp.filePath(QStringLiteral("dry.tmx"));
    makePretranslateProduct(root, tmx);
    const auto before = TestSupport::snapshotTree(root);
    const Run run = glossa({QStringLiteral("pretranslate"), German, root, QStringLiteral("--tm"), tmx, QStringLiteral("--dry-run")});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(TestSupport::snapshotTree(root), before);
    QVERIFY(run.out.contains("IDS_B:  -> \"Abbrechen\"\n"));
    QVERIFY(run.out.contains("IDS_F:  -> \"Öffnen\"\n"));
    QVERIFY(!run.out.contains("IDS_H"));
    QVERIFY(!run.out.contains("IDS_A"));
    QVERIFY(run.err.contains("2 would be filled, 1 ambiguous left alone"));
}

void TestMemoryCli::pretranslateRespectsTheLock()
{
    // A language open in a running copy (process 1 lives) is refused whole; --force
    // fills it under the lock, whose holder's file is never touched.
    const QString root = m_tmp.filePath(QStringLiteral("locked"));
    const QString tmx = m_tmp.filePath(QStringLiteral("locked.tmx"));
    const QString file = makePretranslateProduct(root, tmx);
    const QString lockPath = QFileInfo(file).absolutePath() + QStringLiteral("/.") + QFileInfo(file).fileName()
        + QStringLiteral(".lock");
    const QByteArray lock = QStringLiteral("pid=1\nhost=%1\nstarted=2026-12-01T09:30:00.000Z\n")
                                .arg(QSysInfo::machineHostName()).toUtf8();
    QVERIFY(TestSupport::writeBytes(lockPath, lock));
    const QByteArray before = TestSupport::readBytes(file);
    const Run refused = glossa({QStringLiteral("pretranslate"), German, root, QStringLiteral("--tm"), tmx});
    QCOMPARE(refused.exitCode, 2);
    QVERIFY2(refused.err.contains("process 1") && refused.err.contains("--force"), refused.err.constData());
    QCOMPARE(TestSupport::readBytes(file), before);
    // Nothing is said to be filled that was not written.
    QVERIFY2(!refused.out.contains(" -> "), refused.out.constData());

    const Run forced = glossa({QStringLiteral("pretranslate"), German, root, QStringLiteral("--tm"), tmx, QStringLiteral("--force")});
    QCOMPARE(forced.exitCode, 1); // IDS_E is ambiguous
    QVERIFY(TestSupport::readBytes(file) != before);
    QVERIFY(forced.out.contains("IDS_B:  -> \"Abbrechen\"\n"));
    QCOMPARE(TestSupport::readBytes(lockPath), lock);
}

void TestMemoryCli::exportWithSuggestions()
{
    const QString path = m_tmp.filePath(QStringLiteral("agency.xlf"));
    const Run run = glossa({QStringLiteral("export"), German, m_product, QStringLiteral("--suggestions"), QStringLiteral("-o"), path});
    QCOMPARE(run.exitCode, 0);
    const QByteArray xliff = TestSupport::readBytes(path);
    QVERIFY(xliff.contains("<alt-trans match-quality=\"100\" origin=\"this product: IDS_FILE_EXPORT\">\n"
                           "          <source>Export...</source>\n          <target>Exportieren...</target>\n        </alt-trans>"));
    QVERIFY(xliff.contains("<alt-trans match-quality=\"79\""));
    // At most three per unit.
    for (qsizetype from = 0, end; (end = xliff.indexOf("</trans-unit>", from)) >= 0; from = end + 1)
        QVERIFY(xliff.mid(from, end - from).count("<alt-trans") <= 3);
    QCOMPARE(schemaErrors(xliff), QString());
    // Without --suggestions the file is as it was.
    const Run plain = glossa({QStringLiteral("export"), German, m_product});
    QVERIFY(!plain.out.contains("alt-trans"));
    QCOMPARE(schemaErrors(plain.out), QString());

    // Import takes no <alt-trans> target: IDS_LOG_EXPORT has only a suggestion, so nothing changes.
    const Run back = glossa({QStringLiteral("import"), path, m_product, QStringLiteral("--dry-run")});
    QCOMPARE(back.exitCode, 0);
    QVERIFY2(!back.out.contains("IDS_LOG_EXPORT"), back.out.constData());
    QVERIFY2(back.err.contains("0 would change"), back.err.constData());
}

QTEST_GUILESS_MAIN(TestMemoryCli)
#include "tst_memorycli.moc"
