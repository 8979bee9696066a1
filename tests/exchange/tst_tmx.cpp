#include "exchange/MemoryBuild.h"
#include "exchange/Tmx.h"

#include "TestSupport.h"

#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Glossa;

namespace {

QByteArray tmx(const QByteArray &header, const QByteArray &body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<tmx version=\"1.4\">\n" + header + "\n<body>\n" + body
        + "\n</body>\n</tmx>\n";
}

const QByteArray Header = "<header creationtool=\"x\" creationtoolversion=\"1\" segtype=\"sentence\" o-tmf=\"x\" "
                          "adminlang=\"en\" srclang=\"en-US\" datatype=\"plaintext\"/>";

} // namespace

class TestTmx : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void writesTmx14();
    void roundTrip();
    void readsTheWaysFilesSpellIt_data();
    void readsTheWaysFilesSpellIt();
    void refuses_data();
    void refuses();
    void memoryReadsTheFileInPieces();
    void buildingAMemoryKeepsTheFilesRead();
};

void TestTmx::writesTmx14()
{
    TmxDocument document{QStringLiteral("en-US"), QStringLiteral("de-DE"), QStringLiteral("1.0.0"),
                         {{QStringLiteral("IDS_OPEN"), QStringLiteral("Open %d files"), QStringLiteral("%d Dateien öffnen")}}};
    const QByteArray bytes = writeTmx(document);
    QVERIFY(bytes.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    QVERIFY(!bytes.contains("<!DOCTYPE"));
    QXmlStreamReader xml(bytes);
    QStringList languages;
    QStringList segments;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == u"tmx") {
            QCOMPARE(a.value(QStringLiteral("version")), u"1.4");
        } else if (xml.name() == u"header") {
            for (const char *name : {"creationtool", "creationtoolversion", "segtype", "o-tmf", "adminlang", "srclang", "datatype"})
                QVERIFY2(a.hasAttribute(QString::fromLatin1(name)), name);
            QCOMPARE(a.value(QStringLiteral("segtype")), u"phrase");
            QCOMPARE(a.value(QStringLiteral("datatype")), u"plaintext");
            QCOMPARE(a.value(QStringLiteral("srclang")), u"en-US");
            QCOMPARE(a.value(QStringLiteral("creationtoolversion")), u"1.0.0");
        } else if (xml.name() == u"tu") {
            QCOMPARE(a.value(QStringLiteral("tuid")), u"IDS_OPEN");
        } else if (xml.name() == u"tuv") {
            languages.append(a.value(QStringLiteral("http://www.w3.org/XML/1998/namespace"), QStringLiteral("lang")).toString());
        } else if (xml.name() == u"seg") {
            segments.append(xml.readElementText());
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(languages, (QStringList{QStringLiteral("en-US"), QStringLiteral("de-DE")}));
    QCOMPARE(segments, (QStringList{QStringLiteral("Open %d files"), QStringLiteral("%d Dateien öffnen")}));
}

void TestTmx::roundTrip()
{
    TmxDocument document{QStringLiteral("en-US"), QStringLiteral("fr-FR"), QStringLiteral("1"), {}};
    document.units = {{QStringLiteral("IDS_A"), QStringLiteral("Save <all> & \"quit\""), QStringLiteral("Tout <enregistrer> & quitter")},
                      {QStringLiteral("IDS_B"), QStringLiteral("  spaced  "), QStringLiteral(" espacé\tici ")},
                      {QStringLiteral("IDS_C"), QStringLiteral("Line\\nbreak {0} %ld"), QStringLiteral("Ligne\\n {0} %ld")},
                      {QStringLiteral("IDS_BAD"), QStringLiteral("bell \u0007"), QStringLiteral("cloche")}};
    int skipped = 0;
    const QByteArray bytes = writeTmx(document, &skipped);
    QCOMPARE(skipped, 1);
    TmxReadResult read;
    QString error;
    QVERIFY2(readTmxFile(bytes, QStringLiteral("en-US"), QStringLiteral("fr-FR"), read, error), qPrintable(error));
    QCOMPARE(read.units.size(), size_t(3));
    for (size_t i = 0; i < 3; ++i) {
        QCOMPARE(read.units[i].key, document.units[i].key);
        QCOMPARE(read.units[i].source, document.units[i].source);
        QCOMPARE(read.units[i].target, document.units[i].target);
    }
    // For another language the units are skipped and counted.
    QVERIFY(readTmxFile(bytes, QStringLiteral("en-US"), QStringLiteral("de-DE"), read, error));
    QCOMPARE(read.units.size(), size_t(0));
    QCOMPARE(read.otherLanguages, 3);
}

void TestTmx::readsTheWaysFilesSpellIt_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("skipped");

    const QByteArray two = "<tu><tuv xml:lang=\"en-US\"><seg>Open</seg></tuv><tuv xml:lang=\"de-DE\"><seg>Öffnen</seg></tuv></tu>";
    QTest::newRow("xml:lang") << Header << two << "Open" << "Öffnen" << 0;
    QTest::newRow("TMX 1.1 lang") << Header
        << QByteArray("<tu><tuv lang=\"en-US\"><seg>Open</seg></tuv><tuv lang=\"de-DE\"><seg>Öffnen</seg></tuv></tu>")
        << "Open" << "Öffnen" << 0;
    QTest::newRow("letter case and underscore") << Header
        << QByteArray("<tu><tuv xml:lang=\"EN_us\"><seg>Open</seg></tuv><tuv xml:lang=\"de_DE\"><seg>Öffnen</seg></tuv></tu>")
        << "Open" << "Öffnen" << 0;
    QTest::newRow("a language serves its regions") << Header
        << QByteArray("<tu><tuv xml:lang=\"en\"><seg>Open</seg></tuv><tuv xml:lang=\"DE\"><seg>Öffnen</seg></tuv></tu>")
        << "Open" << "Öffnen" << 0;
    QTest::newRow("the exact region wins over the language") << Header
        << QByteArray("<tu><tuv xml:lang=\"en\"><seg>Open</seg></tuv><tuv xml:lang=\"de\"><seg>Auf</seg></tuv>"
                      "<tuv xml:lang=\"de-DE\"><seg>Öffnen</seg></tuv></tu>")
        << "Open" << "Öffnen" << 0;
    QTest::newRow("another region does not serve") << Header
        << QByteArray("<tu><tuv xml:lang=\"en-US\"><seg>Open</seg></tuv><tuv xml:lang=\"de-AT\"><seg>Öffnen</seg></tuv></tu>")
        << "" << "" << 1;
    QTest::newRow("srclang *all*") << QByteArray(Header).replace("srclang=\"en-US\"", "srclang=\"*all*\"") << two
        << "Open" << "Öffnen" << 0;
    QTest::newRow("a tu's own srclang") << Header
        << QByteArray("<tu srclang=\"de-DE\"><tuv xml:lang=\"de-DE\"><seg>Öffnen</seg></tuv><tuv xml:lang=\"en-US\"><seg>Open</seg></tuv></tu>")
        << "Open" << "Öffnen" << 0;
    QTest::newRow("inline elements are their text") << Header
        << QByteArray("<tu><tuv xml:lang=\"en-US\"><seg>Open <ph x=\"1\">%d</ph> <hi>files</hi><bpt i=\"1\">&lt;b&gt;</bpt>"
                      "now<ept i=\"1\">&lt;/b&gt;</ept><it pos=\"begin\">{</it><ut>}</ut></seg></tuv>"
                      "<tuv xml:lang=\"de-DE\"><seg><ph>%d</ph> Dateien<bpt i=\"2\">x<sub>not code</sub></bpt></seg></tuv></tu>")
        << "Open %d files<b>now</b>{}" << "%d Dateienx" << 0;
    QTest::newRow("notes and props are no text") << Header
        << QByteArray("<tu tuid=\"k\"><note>n</note><prop type=\"x\">p</prop><tuv xml:lang=\"en-US\"><prop type=\"y\">q</prop>"
                      "<seg>Open</seg></tuv><tuv xml:lang=\"de-DE\"><seg>Öffnen</seg><note>m</note></tuv></tu>")
        << "Open" << "Öffnen" << 0;
    QTest::newRow("a unit of other languages") << Header
        << QByteArray(two + "<tu><tuv xml:lang=\"fr-FR\"><seg>Ouvrir</seg></tuv><tuv xml:lang=\"it-IT\"><seg>Apri</seg></tuv></tu>")
        << "Open" << "Öffnen" << 1;
    QTest::newRow("CDATA and a character reference") << Header
        << QByteArray("<tu><tuv xml:lang=\"en-US\"><seg><![CDATA[<Open>]]></seg></tuv><tuv xml:lang=\"de-DE\"><seg>&#214;ffnen</seg></tuv></tu>")
        << "<Open>" << "Öffnen" << 0;
}

void TestTmx::readsTheWaysFilesSpellIt()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, body);
    QFETCH(QString, source);
    QFETCH(QString, target);
    QFETCH(int, skipped);
    TmxReadResult read;
    QString error;
    QVERIFY2(readTmxFile(tmx(header, body), QStringLiteral("en-US"), QStringLiteral("de-DE"), read, error), qPrintable(error));
    QCOMPARE(read.otherLanguages, skipped);
    if (source.isEmpty()) {
        QCOMPARE(read.units.size(), size_t(0));
        return;
    }
    QCOMPARE(read.units.size(), size_t(1));
    QCOMPARE(read.units[0].source, source);
    QCOMPARE(read.units[0].target, target);
}

void TestTmx::refuses_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray good = tmx(Header, "<tu><tuv xml:lang=\"en-US\"><seg>Open</seg></tuv><tuv xml:lang=\"de-DE\"><seg>Auf</seg></tuv></tu>");
    QTest::newRow("not well-formed") << QByteArray(good).replace("</seg></tuv></tu>", "</tuv></tu>") << "not well-formed";
    QTest::newRow("cut short") << good.left(good.size() - 20) << "not well-formed";
    QTest::newRow("empty") << QByteArray() << "";
    QTest::newRow("document type") << QByteArray(good).replace("<tmx", "<!DOCTYPE tmx SYSTEM \"tmx14.dtd\">\n<tmx")
                                   << "document type declaration";
    QTest::newRow("entity declaration")
        << QByteArray(good).replace("<tmx version", "<!DOCTYPE tmx [<!ENTITY e \"Öffnen\">]>\n<tmx version").replace(">Auf<", ">&e;<")
        << "document type declaration";
    QTest::newRow("external entity")
        << QByteArray(good).replace("<tmx version", "<!DOCTYPE tmx [<!ENTITY x SYSTEM \"file:///etc/passwd\">]>\n<tmx version").replace(">Auf<", ">&x;<")
        << "document type declaration";
    QTest::newRow("not TMX") << QByteArray("<?xml version=\"1.0\"?><xliff version=\"1.2\"/>") << "not TMX";
}

void TestTmx::refuses()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    TmxReadResult read;
    read.units.push_back({QStringLiteral("stale"), QStringLiteral("x"), QStringLiteral("y")});
    QString error;
    QVERIFY(!readTmxFile(bytes, QStringLiteral("en-US"), QStringLiteral("de-DE"), read, error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY(!error.isEmpty());
    QVERIFY(read.units.empty()); // nothing kept
    QCOMPARE(read.otherLanguages, 0);

    // The memory reads the file from disk a piece at a time: refused the same way, named.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("refused.tmx"));
    QVERIFY(TestSupport::writeBytes(path, bytes));
    QString why;
    QVERIFY(!loadTmxMemory(path, QStringLiteral("en-US"), QStringLiteral("de-DE"), why));
    QVERIFY2(why.contains(message) && why.contains(path), qPrintable(why));
}

void TestTmx::memoryReadsTheFileInPieces()
{
    // Over 3 MB, read in pieces of 1 MB: units that cross a piece's end, characters
    // beyond the BMP and texts repeated come out as readTmxFile reads them whole.
    TmxDocument document{QStringLiteral("en-US"), QStringLiteral("de-DE"), QStringLiteral("1"), {}};
    const QString face = QString::fromUtf8("\U0001F600");
    for (int i = 0; i < 24000; ++i)
        document.units.push_back({QStringLiteral("tu%1").arg(i), QStringLiteral("Open the file %1 %s").arg(i % 5000) + (i % 7 ? QString() : face),
                                  QStringLiteral("%s Datei %1 \u00f6ffnen").arg(i)});
    const QByteArray bytes = writeTmx(document);
    QVERIFY(bytes.size() > 3 << 20);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.tmx"));
    QVERIFY(TestSupport::writeBytes(path, bytes));
    QString error;
    int others = -1;
    const std::shared_ptr<const UnitSet> units =
        loadTmxMemory(path, QStringLiteral("en-US"), QStringLiteral("de-DE"), error, &others);
    QVERIFY2(units, qPrintable(error));
    QCOMPARE(others, 0);
    TmxReadResult read;
    QVERIFY(readTmxFile(bytes, QStringLiteral("en-US"), QStringLiteral("de-DE"), read, error));
    QCOMPARE(size_t(units->size()), read.units.size());
    for (int unit = 0; unit < units->size(); ++unit) {
        const TranslationPair pair = units->pair(unit);
        QCOMPARE(pair.key, read.units[size_t(unit)].key);
        QCOMPARE(pair.source, read.units[size_t(unit)].source);
        QCOMPARE(pair.target, read.units[size_t(unit)].target);
    }
    QSet<QString> sources;
    for (const TranslationPair &pair : document.units)
        sources.insert(pair.source);
    QCOMPARE(units->index().textCount(), int(sources.size())); // each English once
}

void TestTmx::buildingAMemoryKeepsTheFilesRead()
{
    // The suggestions' memory of the demo's German with a TMX file and one that is gone:
    // the file read is kept for the next build, the other named with why.
    QTemporaryDir dir;
    const QString product = dir.filePath(QStringLiteral("product"));
    QVERIFY(TestSupport::copyTree(TestSupport::demoProductDir(), product));
    TmxDocument document{QStringLiteral("en-US"), QStringLiteral("de-DE"), QStringLiteral("1"),
                         {{QStringLiteral("a"), QStringLiteral("Reboot now"), QStringLiteral("Jetzt neu starten")}}};
    const QString file = dir.filePath(QStringLiteral("agency.tmx"));
    QVERIFY(TestSupport::writeBytes(file, writeTmx(document)));
    const QString gone = dir.filePath(QStringLiteral("gone.tmx"));
    ProductMemory memory;
    QVERIFY2(memory.open(product), qPrintable(memory.error()));
    MemoryBuildRequest request{QStringLiteral("German (Germany)"), QString(), {file, gone}, {}, nullptr};
    const MemoryBuild first = buildMemory(memory, request);
    QVERIFY2(first.memory, qPrintable(first.error));
    QCOMPARE(first.memory->tmxFiles().size(), size_t(1));
    QCOMPARE(int(first.tmxSets.size()), 1);
    QCOMPARE(first.refused.size(), 1);
    QCOMPARE(first.refused[0].first, gone);
    QVERIFY(!first.refused[0].second.isEmpty());
    QVERIFY(first.attributeOfKey.contains(QStringLiteral("IDS_SYSTEM_REBOOT")));

    // Rebuilt from it with the file removed from disk: the units read before serve.
    QVERIFY(QFile::remove(file));
    request.tmxPaths = {file};
    request.read = first.tmxSets;
    request.previous = first.memory;
    const MemoryBuild again = buildMemory(memory, request);
    QVERIFY(again.memory);
    QVERIFY(again.refused.isEmpty());
    QCOMPARE(again.memory->tmxFiles().size(), size_t(1));
}

QTEST_GUILESS_MAIN(TestTmx)
#include "tst_tmx.moc"
