#include "TestSupport.h"

#include "checks/CheckEngine.h"
#include "cli/ExchangeCommands.h"
#include "exchange/Exchange.h"
#include "exchange/ProductExchange.h"
#include "model/LanguageStore.h"
#include "platform/ProfileFile.h"
#include "recovery/LanguageLock.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

using namespace Glossa;
using TestSupport::CurrentDirGuard;
using namespace Qt::StringLiterals;

namespace {

const QString French = QStringLiteral("French (France)");
const QString German = QStringLiteral("German (Germany)");

QString languageFile(const QString &product, const QString &language)
{
    return product + QStringLiteral("/language/") + language + QStringLiteral(".ini");
}

QString xliff(const QString &targetLanguage, const QString &units)
{
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                          "<xliff version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\">"
                          "<file original=\"x\" source-language=\"en-US\" target-language=\"%1\" datatype=\"plaintext\"><body>%2"
                          "</body></file></xliff>\n").arg(targetLanguage, units);
}

struct Run
{
    int status = -1;
    QByteArray out;
    QString err;
};

Run glossa(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(GLOSSA_CLI_PATH), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString unit(const QString &key, const QString &target)
{
    return QStringLiteral("<trans-unit id=\"%1\" resname=\"%1\"><source>s</source><target>%2</target></trans-unit>").arg(key, target);
}

// The attribute names and values of a language as the check engine and store read them.
QStringList valuesOf(const QString &product, const QString &language, const QStringList &names)
{
    CurrentDirGuard guard;
    LanguageStore store;
    if (!store.Open(product + QStringLiteral("/language")))
        return {};
    LanguageValues values;
    RedundantKeySet redundant;
    store.LoadLanguageFile(language, values, redundant);
    QStringList result;
    for (const QString &name : names)
        result.append(values.value(store.findAttribute(name).value_or(0)));
    return result;
}

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void placeholderSpans_data();
    void placeholderSpans();
    void demoExportsHaveTheXliffStructure_data();
    void demoExportsHaveTheXliffStructure();
    void demoExportsConvertWithXliff2po();
    void csvLayout();
    void selections_data();
    void selections();
    void unchangedExportChangesNoByte_data();
    void unchangedExportChangesNoByte();
    void translatedExportEqualsSaving_data();
    void translatedExportEqualsSaving();
    void textsSurviveWritingAndReading_data();
    void textsSurviveWritingAndReading();
    void inlineCodesReadBackAsTheirText();
    void csvColumnsFoundByName();
    void encodingsAndPrefixesRead();
    void wholeFileRefusals_data();
    void wholeFileRefusals();
    void unitRefusals_data();
    void unitRefusals();
    void dryRunWritesNothing();
    void importTellsTheWholeTruth();
    void undecodableFilesAreNeitherReadNorWritten();
    void importHonoursTheLock_data();
    void importHonoursTheLock();
    void importMergesWithTheFileAsRead();

private:
    QString exportTo(const QString &language, const QStringList &options = {});

    QTemporaryDir m_dir;
    QString m_product;
};

void TestExchange::init()
{
    QVERIFY(m_dir.isValid());
    m_product = m_dir.filePath(QStringLiteral("product-") + QString::fromLatin1(QTest::currentTestFunction())
                               + u'-' + QString::number(QRandomGenerator::global()->generate()));
    QVERIFY(TestSupport::copyTree(TestSupport::demoProductDir(), m_product));
}

QString TestExchange::exportTo(const QString &language, const QStringList &options)
{
    const QString out = m_dir.filePath(QStringLiteral("export-%1.xlf").arg(QRandomGenerator::global()->generate()));
    const int status = runExport(QStringList{language, m_product, QStringLiteral("-o"), out} + options);
    return status == 0 ? out : QString();
}

void TestExchange::placeholderSpans_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("attributeIndex");
    QTest::addColumn<QStringList>("placeholders");

    QTest::newRow("percent") << QStringLiteral("%d of %s, %ld%%") << 1
                             << QStringList{QStringLiteral("%d"), QStringLiteral("%s"), QStringLiteral("%ld"), QStringLiteral("%%")};
    QTest::newRow("backslash") << QStringLiteral("a\\nb\\t") << 5 << QStringList{QStringLiteral("\\n"), QStringLiteral("\\t")};
    QTest::newRow("percent at the end") << QStringLiteral("100%") << 2 << QStringList{QStringLiteral("%")};
    QTest::newRow("braces ignored by percent rule") << QStringLiteral("{0}") << 3 << QStringList{};
    QTest::newRow("brace rule for index 0") << QStringLiteral("%d {0} {12} {x} \\{3}") << 0
                                            << QStringList{QStringLiteral("{0}"), QStringLiteral("{12}")};
}

void TestExchange::placeholderSpans()
{
    QFETCH(QString, text);
    QFETCH(int, attributeIndex);
    QFETCH(QStringList, placeholders);
    QStringList found;
    for (const PlaceholderSpan &span : Glossa::placeholderSpans(text, attributeIndex))
        found.append(text.mid(span.start, span.length));
    QCOMPARE(found, placeholders);
}

void TestExchange::demoExportsHaveTheXliffStructure_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("tag");
    QTest::newRow("French") << French << QStringLiteral("fr-FR");
    QTest::newRow("German") << German << QStringLiteral("de-DE");
}

void TestExchange::demoExportsHaveTheXliffStructure()
{
    QFETCH(QString, language);
    QFETCH(QString, tag);
    const QString out = exportTo(language);
    QVERIFY(!out.isEmpty());
    CheckEngine engine;
    QVERIFY(engine.open(m_product));
    const QStringList masterValues = engine.masterValues();
    const QStringList values = valuesOf(m_product, language, engine.attributeNames());

    const QString ns = QStringLiteral("urn:oasis:names:tc:xliff:document:1.2");
    QXmlStreamReader xml(TestSupport::readBytes(out));
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), u"xliff");
    QCOMPARE(xml.namespaceUri(), ns);
    QCOMPARE(xml.attributes().value(QStringLiteral("version")), u"1.2");
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), u"file");
    QCOMPARE(xml.attributes().value(QStringLiteral("original")), QStringLiteral("language/") + language + QStringLiteral(".ini"));
    QCOMPARE(xml.attributes().value(QStringLiteral("source-language")), u"en-US");
    QCOMPARE(xml.attributes().value(QStringLiteral("target-language")), tag);
    QCOMPARE(xml.attributes().value(QStringLiteral("datatype")), u"plaintext");
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), u"body");
    int index = 0;
    int placeholders = 0;
    while (xml.readNextStartElement()) {
        QCOMPARE(xml.name(), u"trans-unit");
        QCOMPARE(xml.namespaceUri(), ns);
        const QXmlStreamAttributes attributes = xml.attributes();
        QVERIFY(index < engine.attributeNames().size());
        QCOMPARE(attributes.value(QStringLiteral("resname")), engine.attributeNames()[index]);
        QCOMPARE(attributes.value(QStringLiteral("id")), engine.attributeNames()[index]);
        QCOMPARE(attributes.value(QStringLiteral("http://www.w3.org/XML/1998/namespace"), QStringLiteral("space")), u"preserve");
        QStringList children;
        while (xml.readNextStartElement()) {
            children.append(xml.name().toString());
            if (xml.name() == u"target") {
                const QString state = xml.attributes().value(QStringLiteral("state")).toString();
                QVERIFY2(state == StateTranslated || state == StateNeedsTranslation || state == StateNeedsReview, qPrintable(state));
            }
            if (xml.name() == u"note") {
                xml.skipCurrentElement();
                continue;
            }
            // Text and <ph> only; each <ph> holds one placeholder.
            QString text;
            while (xml.readNext() != QXmlStreamReader::EndElement || xml.name() == u"ph") {
                if (xml.isStartElement()) {
                    QCOMPARE(xml.name(), u"ph");
                    QVERIFY(!xml.attributes().value(QStringLiteral("id")).isEmpty());
                    const QString code = xml.readElementText();
                    QCOMPARE(Glossa::placeholderSpans(code, index).size(), size_t(1));
                    text += code;
                    ++placeholders;
                } else if (xml.isCharacters()) {
                    text += xml.text();
                }
            }
            const QString expected = children.back() == u"source" ? masterValues[index] : values[index];
            if (!isBlankValue(expected))
                QCOMPARE(text, valueText(expected).toString());
        }
        QVERIFY(children.value(0) == u"source");
        ++index;
    }
    QVERIFY(!xml.hasError());
    QCOMPARE(index, engine.attributeNames().size());
    QVERIFY(placeholders > 0);
}

void TestExchange::demoExportsConvertWithXliff2po()
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("xliff2po"));
    if (tool.isEmpty())
        QSKIP("xliff2po (translate-toolkit) is not installed");
    for (const QString &language : {French, German}) {
        const QString out = exportTo(language);
        QVERIFY(!out.isEmpty());
        const QString po = out + QStringLiteral(".po");
        QProcess process;
        process.start(tool, {QStringLiteral("-i"), out, QStringLiteral("-o"), po});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        const QByteArray bytes = TestSupport::readBytes(po);
        QVERIFY2(bytes.contains("msgid \"Welcome to {0}\""), bytes.left(400).constData());
        QVERIFY(bytes.contains("#: IDS_MENU_FILE"));
    }
}

void TestExchange::csvLayout()
{
    const QString out = exportTo(German, {QStringLiteral("--format"), QStringLiteral("csv")});
    QVERIFY(!out.isEmpty());
    const QByteArray bytes = TestSupport::readBytes(out);
    QVERIFY(bytes.startsWith("\xEF\xBB\xBFkey,reference,value,state,note\r\n"));
    QVERIFY(bytes.contains("\r\nIDS_MENU_FILE,File,Datei,translated,\r\n"));
    QCOMPARE(bytes.count("\r\n"), bytes.count("\n"));

    ExchangeDocument document;
    ExchangeEntry entry;
    entry.key = QStringLiteral("K");
    entry.reference = QStringLiteral("\"a, \"\"b\"\"\"");
    entry.value = QStringLiteral("\"plain\"");
    entry.state = StateTranslated;
    entry.note = QStringLiteral("two\nlines");
    document.entries.push_back(entry);
    QCOMPARE(writeCsv(document), QByteArray("\xEF\xBB\xBFkey,reference,value,state,note\r\nK,\"a, \"\"\"\"b\"\"\"\"\",plain,translated,\"two\nlines\"\r\n"));
}

void TestExchange::selections_data()
{
    QTest::addColumn<QString>("only");
    QTest::addColumn<QString>("wanted");   // the state every exported unit must have, or empty
    QTest::newRow("untranslated") << QStringLiteral("untranslated") << StateNeedsTranslation;
    QTest::newRow("problems") << QStringLiteral("problems") << QString();
}

void TestExchange::selections()
{
    QFETCH(QString, only);
    QFETCH(QString, wanted);
    const QString all = exportTo(German, {QStringLiteral("--format"), QStringLiteral("csv")});
    const QString some = exportTo(German, {QStringLiteral("--format"), QStringLiteral("csv"), QStringLiteral("--only"), only});
    QVERIFY(!all.isEmpty() && !some.isEmpty());
    const QList<QByteArray> allRows = TestSupport::readBytes(all).split('\n');
    const QList<QByteArray> someRows = TestSupport::readBytes(some).split('\n');
    QVERIFY(someRows.size() > 2);
    QVERIFY(someRows.size() < allRows.size());
    for (const QByteArray &row : someRows.mid(1)) {
        if (row.isEmpty())
            continue;
        QVERIFY2(allRows.contains(row), row.constData());
        if (!wanted.isEmpty())
            QVERIFY2(row.contains(',' + wanted.toUtf8() + ','), row.constData());
    }
    // Every key of the master the German file lacks is missing, so untranslated.
    if (only == u"untranslated")
        QVERIFY(TestSupport::readBytes(some).contains("\r\nIDS_FILE_OPEN,Open,,needs-translation,"));
}

void TestExchange::unchangedExportChangesNoByte_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("format");
    QTest::newRow("French xliff") << French << QStringLiteral("xliff");
    QTest::newRow("French csv") << French << QStringLiteral("csv");
    QTest::newRow("German xliff") << German << QStringLiteral("xliff");
    QTest::newRow("Chinese csv") << QStringLiteral("0x0804") << QStringLiteral("csv");
}

void TestExchange::unchangedExportChangesNoByte()
{
    QFETCH(QString, language);
    QFETCH(QString, format);
    const QString out = exportTo(language, {QStringLiteral("--format"), format});
    QVERIFY(!out.isEmpty());
    const auto before = TestSupport::snapshotTree(m_product);
    QCOMPARE(runImport({out, m_product, QStringLiteral("--language"), language}), 0);
    QCOMPARE(TestSupport::snapshotTree(m_product), before);
}

void TestExchange::translatedExportEqualsSaving_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("xliff") << QStringLiteral("xliff");
    QTest::newRow("csv") << QStringLiteral("csv");
}

void TestExchange::translatedExportEqualsSaving()
{
    QFETCH(QString, format);
    // Every unit translated elsewhere: the master's text with a mark, so placeholders hold.
    CheckEngine engine;
    QVERIFY(engine.open(m_product));
    ExchangeDocument document;
    document.targetLanguage = QStringLiteral("fr-FR");
    QStringList translations;
    for (int i = 0; i < int(engine.attributeNames().size()); ++i) {
        const QString text = QStringLiteral("«fr» ") + valueText(engine.masterValues()[i]).toString();
        translations.append(text);
        ExchangeEntry entry;
        entry.key = engine.attributeNames()[i];
        entry.attributeIndex = i;
        entry.reference = engine.masterValues()[i];
        entry.value = text;
        entry.state = StateTranslated;
        document.entries.push_back(entry);
    }
    const QString file = m_dir.filePath(QStringLiteral("translated.") + format);
    QVERIFY(TestSupport::writeBytes(file, writeExchange(document, format == u"csv" ? ExchangeFormat::Csv : ExchangeFormat::Xliff)));

    const QString typed = m_product + QStringLiteral("-typed");
    QVERIFY(TestSupport::copyTree(m_product, typed));
    {
        CurrentDirGuard guard;
        LanguageStore store;
        QVERIFY(store.Open(typed + QStringLiteral("/language")));
        LanguageValues values;
        for (int i = 0; i < translations.size(); ++i)
            values.insert(*store.findAttribute(engine.attributeNames()[i]), translations[i]);
        QVERIFY(store.SaveLanguageFile(French, values));
    }
    QCOMPARE(runImport({file, m_product, QStringLiteral("--language"), French}), 0);
    QCOMPARE(TestSupport::readBytes(languageFile(m_product, French)), TestSupport::readBytes(languageFile(typed, French)));
    QCOMPARE(valuesOf(m_product, French, engine.attributeNames()).value(5), u'"' + translations[5] + u'"');
}

void TestExchange::textsSurviveWritingAndReading_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::newRow("markup") << QStringLiteral("K<&>\"'") << QStringLiteral("<b>a & b</b> \"q\" 'x' ]]>");
    QTest::newRow("placeholders") << QStringLiteral("P") << QStringLiteral("%d%%%ld\\n{0}%");
    QTest::newRow("blanks") << QStringLiteral("B") << QStringLiteral("\t two  spaces ");
    QTest::newRow("comma and quotes") << QStringLiteral("a,b") << QStringLiteral("x, \"y\", z");
    QTest::newRow("outside the BMP") << QStringLiteral("E") << QStringLiteral("\U0001F600 \u4E2D");
}

void TestExchange::textsSurviveWritingAndReading()
{
    QFETCH(QString, key);
    QFETCH(QString, text);
    ExchangeDocument document;
    document.targetLanguage = QStringLiteral("de-DE");
    for (int index : {0, 1}) {
        ExchangeEntry entry;
        entry.key = key + QString::number(index);
        entry.attributeIndex = index;
        entry.reference = text;
        entry.value = u'"' + text + u'"';
        entry.state = StateTranslated;
        entry.note = text;
        document.entries.push_back(entry);
    }
    for (ExchangeFormat format : {ExchangeFormat::Xliff, ExchangeFormat::Csv}) {
        ExchangeFile file;
        QString error;
        QVERIFY2(readExchangeFile(writeExchange(document, format), file, error), qPrintable(error));
        QCOMPARE(file.units.size(), size_t(2));
        for (const ImportedUnit &read : file.units)
            QCOMPARE(read.text, text);
        QCOMPARE(file.units[1].key, key + u'1');
    }
}

void TestExchange::inlineCodesReadBackAsTheirText()
{
    const QByteArray bytes = xliff(QStringLiteral("fr-FR"),
        QStringLiteral("<trans-unit id=\"A\"><source>x</source><target>Dans <ph id=\"1\">%d</ph> min<x id=\"2\" equiv-text=\"\\n\"/>"
                       "<g id=\"3\">fin</g> &amp; <mrk mtype=\"seg\">&#x263A;</mrk></target>"
                       "<alt-trans><target>not this</target></alt-trans></trans-unit>"
                       "<trans-unit id=\"B-id\" resname=\"B\"><source>y</source></trans-unit>"
                       "<group><trans-unit id=\"C\"><source>z</source><target>  spaced  </target></trans-unit></group>")).toUtf8();
    ExchangeFile file;
    QString error;
    QVERIFY2(readExchangeFile(bytes, file, error), qPrintable(error));
    QCOMPARE(file.targetLanguage, u"fr-FR");
    QCOMPARE(file.units.size(), size_t(3));
    QCOMPARE(file.units[0].key, u"A");
    QCOMPARE(file.units[0].text, QStringLiteral("Dans %d min\\nfin & \u263A"));
    QCOMPARE(file.units[1].key, u"B");
    QVERIFY(!file.units[1].hasTarget);
    QCOMPARE(file.units[2].text, u"  spaced  ");
}

void TestExchange::csvColumnsFoundByName()
{
    const QString csv = m_dir.filePath(QStringLiteral("reordered.csv"));
    QVERIFY(TestSupport::writeBytes(csv, "state,Value,extra,key\r\nx,\"Fichier, oui\",y,IDS_MENU_FILE\nx,,y,IDS_MENU_VIEW\r\n"));
    QCOMPARE(runImport({csv, m_product, QStringLiteral("--language"), QStringLiteral("0x040c")}), 0);
    CheckEngine engine;
    QVERIFY(engine.open(m_product));
    const QStringList values = valuesOf(m_product, French, engine.attributeNames());
    QCOMPARE(values[engine.attributeNames().indexOf(QStringLiteral("IDS_MENU_FILE"))], u"\"Fichier, oui\"");
    QCOMPARE(values[engine.attributeNames().indexOf(QStringLiteral("IDS_MENU_VIEW"))], u"\"Affichage\"");
}

void TestExchange::encodingsAndPrefixesRead()
{
    // UTF-16 with a byte-order mark, and the namespace bound to a prefix.
    const QString prefixed = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?>"
        "<x:xliff version=\"1.2\" xmlns:x=\"urn:oasis:names:tc:xliff:document:1.2\"><x:file target-language=\"fr-FR\">"
        "<x:body><x:trans-unit id=\"A&amp;B\"><x:target>\u00e9t\u00e9 &lt;%d&gt;</x:target></x:trans-unit></x:body></x:file></x:xliff>");
    QByteArray bytes("\xFF\xFE", 2);
    for (QChar c : prefixed) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    ExchangeFile file;
    QString error;
    QVERIFY2(readExchangeFile(bytes, file, error), qPrintable(error));
    QCOMPARE(file.targetLanguage, u"fr-FR");
    QCOMPARE(file.units.size(), size_t(1));
    QCOMPARE(file.units[0].key, u"A&B");
    QCOMPARE(file.units[0].text, QStringLiteral("\u00e9t\u00e9 <%d>"));
    // A break in the middle says where.
    QVERIFY(!readExchangeFile(xliff(QStringLiteral("fr-FR"), QStringLiteral("<trans-unit id=\"A\"><target>x</trans-unit>")).toUtf8(),
                              file, error));
    QVERIFY2(error.startsWith(QStringLiteral("the file is not well-formed XML: line 2, column ")), qPrintable(error));
}

void TestExchange::wholeFileRefusals_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("language");

    const QString good = unit(QStringLiteral("IDS_MENU_FILE"), QStringLiteral("Neu"));
    QTest::newRow("not well-formed") << xliff(QStringLiteral("fr-FR"), good).left(300).toUtf8() << QString();
    QTest::newRow("undeclared entity") << xliff(QStringLiteral("fr-FR"), unit(QStringLiteral("IDS_MENU_FILE"), QStringLiteral("&nbsp;"))).toUtf8() << QString();
    QTest::newRow("entity declarations")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE xliff [<!ENTITY a \"Neu\">]>\n")
               + xliff(QStringLiteral("fr-FR"), unit(QStringLiteral("IDS_MENU_FILE"), QStringLiteral("&a;"))).mid(39).toUtf8()
        << QString();
    QTest::newRow("external document type")
        << QByteArray("<?xml version=\"1.0\"?>\n<!DOCTYPE xliff SYSTEM \"http://localhost:9/xliff.dtd\">\n")
               + xliff(QStringLiteral("fr-FR"), good).mid(39).toUtf8()
        << QString();
    QTest::newRow("XLIFF 2.0") << QByteArray("<xliff version=\"2.0\" xmlns=\"urn:oasis:names:tc:xliff:document:2.0\"/>") << QString();
    QTest::newRow("no namespace") << QByteArray("<xliff version=\"1.2\"><file/></xliff>") << QString();
    QTest::newRow("other XML") << QByteArray("<html><body>IDS_MENU_FILE</body></html>") << QString();
    QTest::newRow("repeated key") << xliff(QStringLiteral("fr-FR"), good + good).toUtf8() << QString();
    QTest::newRow("other target language") << xliff(QStringLiteral("de-DE"), good).toUtf8() << French;
    QTest::newRow("target language not in the product") << xliff(QStringLiteral("ko-KR"), good).toUtf8() << QString();
    QTest::newRow("csv without language") << QByteArray("key,value\r\nIDS_MENU_FILE,Neu\r\n") << QString();
    QTest::newRow("csv without value column") << QByteArray("key,text\r\nIDS_MENU_FILE,Neu\r\n") << French;
    QTest::newRow("csv repeated key") << QByteArray("key,value\r\nIDS_MENU_FILE,Neu\r\nIDS_MENU_FILE,Neu2\r\n") << French;
    QTest::newRow("csv open quote") << QByteArray("key,value\r\nIDS_MENU_FILE,\"Neu\r\n") << French;
    QTest::newRow("csv not UTF-8") << QByteArray("key,value\r\nIDS_MENU_FILE,N\xFF\xFE\r\n") << French;
    QTest::newRow("binary") << QByteArray("\x00\x01\x02", 3) << French;
}

void TestExchange::wholeFileRefusals()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, language);
    const QString file = m_dir.filePath(QStringLiteral("refused"));
    QVERIFY(TestSupport::writeBytes(file, bytes));
    const auto before = TestSupport::snapshotTree(m_product);
    QStringList arguments{file, m_product};
    if (!language.isEmpty())
        arguments << QStringLiteral("--language") << language;
    QCOMPARE(runImport(arguments), 2);
    QCOMPARE(runImport(arguments << QStringLiteral("--accept-errors")), 2);
    QCOMPARE(TestSupport::snapshotTree(m_product), before);
}

void TestExchange::unitRefusals_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("acceptErrors");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("refusedKey");

    const QString good = unit(QStringLiteral("IDS_MENU_FILE"), QStringLiteral("Fichier neuf"));
    const QString placeholder = unit(QStringLiteral("MSG_LOGIN_LOCKED"), QStringLiteral("Réessayez dans quelques minutes."));
    QTest::newRow("unknown key") << xliff(QStringLiteral("fr-FR"), good + unit(QStringLiteral("NO_SUCH_KEY"), QStringLiteral("x"))).toUtf8()
                                 << false << 1 << QString();
    QTest::newRow("line break") << xliff(QStringLiteral("fr-FR"), good + unit(QStringLiteral("IDS_MENU_VIEW"), QStringLiteral("a&#10;b"))).toUtf8()
                                << false << 1 << QStringLiteral("IDS_MENU_VIEW");
    QTest::newRow("csv line break") << QByteArray("key,value\r\nIDS_MENU_FILE,Fichier neuf\r\nIDS_MENU_VIEW,\"a\r\nb\"\r\n")
                                    << false << 1 << QStringLiteral("IDS_MENU_VIEW");
    QTest::newRow("csv NUL") << QByteArray("key,value\r\nIDS_MENU_FILE,Fichier neuf\r\nIDS_MENU_VIEW,a\0b\r\n", 59)
                             << false << 1 << QStringLiteral("IDS_MENU_VIEW");
    QTest::newRow("placeholders") << xliff(QStringLiteral("fr-FR"), good + placeholder).toUtf8()
                                  << false << 1 << QStringLiteral("MSG_LOGIN_LOCKED");
    QTest::newRow("placeholders accepted") << xliff(QStringLiteral("fr-FR"), good + placeholder).toUtf8()
                                           << true << 0 << QString();
}

void TestExchange::unitRefusals()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, acceptErrors);
    QFETCH(int, status);
    QFETCH(QString, refusedKey);
    const QString file = m_dir.filePath(QStringLiteral("units"));
    QVERIFY(TestSupport::writeBytes(file, bytes));
    CheckEngine engine;
    QVERIFY(engine.open(m_product));
    const QStringList names = engine.attributeNames();
    const QStringList before = valuesOf(m_product, French, names);
    QStringList arguments{file, m_product, QStringLiteral("--language"), French};
    if (acceptErrors)
        arguments << QStringLiteral("--accept-errors");
    QCOMPARE(runImport(arguments), status);
    const QStringList after = valuesOf(m_product, French, names);
    // The good value went in; the refused one kept its bytes.
    QCOMPARE(after[names.indexOf(QStringLiteral("IDS_MENU_FILE"))], u"\"Fichier neuf\"");
    for (int i = 0; i < names.size(); ++i) {
        if (names[i] == u"IDS_MENU_FILE" || (acceptErrors && names[i] == u"MSG_LOGIN_LOCKED"))
            continue;
        QCOMPARE(after[i], before[i]);
    }
    if (!refusedKey.isEmpty())
        QVERIFY(after[names.indexOf(refusedKey)] == before[names.indexOf(refusedKey)]);
}

void TestExchange::dryRunWritesNothing()
{
    const QString file = m_dir.filePath(QStringLiteral("dry.xlf"));
    QVERIFY(TestSupport::writeBytes(file, xliff(QStringLiteral("fr-FR"),
        unit(QStringLiteral("IDS_MENU_FILE"), QStringLiteral("Fichier neuf")) + unit(QStringLiteral("NO_SUCH_KEY"), QStringLiteral("x"))).toUtf8()));
    const auto before = TestSupport::snapshotTree(m_product);
    QCOMPARE(runImport({file, m_product, QStringLiteral("--dry-run")}), 1);
    QCOMPARE(TestSupport::snapshotTree(m_product), before);

    // The plan the dry run lists, as the editor gets it.
    ExchangeFile parsed;
    QString error;
    QVERIFY(readExchangeFile(TestSupport::readBytes(file), parsed, error));
    CheckEngine engine;
    QVERIFY(engine.open(m_product));
    ImportTarget target;
    target.languageName = French;
    target.languageTag = QStringLiteral("fr-FR");
    target.attributeNames = engine.attributeNames();
    target.masterValues = engine.masterValues();
    target.currentValues = valuesOf(m_product, French, engine.attributeNames());
    const ImportPlan plan = planImport(parsed, target);
    QVERIFY(!plan.fileRefused);
    QCOMPARE(plan.changes.size(), size_t(1));
    QCOMPARE(plan.changes[0].key, u"IDS_MENU_FILE");
    QCOMPARE(plan.changes[0].oldValue, u"\"Fichier\"");
    QCOMPARE(plan.changes[0].newValue, u"Fichier neuf");
    QCOMPARE(plan.refusals.size(), size_t(1));
    QCOMPARE(plan.refusals[0].key, u"NO_SUCH_KEY");
}

void TestExchange::importTellsTheWholeTruth()
{
    const QString german = languageFile(m_product, German);
    const auto write = [&](const QString &name, const QString &text) {
        const QString file = m_dir.filePath(name);
        return TestSupport::writeBytes(file, text.toUtf8()) ? file : QString();
    };

    // A Windows-1252 file that must take a character it lacks says so, in text and in JSON.
    QVERIFY(TestSupport::writeBytes(german, "[text]\r\nIDS_MENU_FILE=\"Dat\xe9i\"\r\n"));
    const QString accent = write(u"accent.xlf"_qs, xliff(u"de-DE"_qs, unit(u"IDS_MENU_FILE"_qs, u"Dat\u0151i"_qs)));
    Run run = glossa({u"import"_qs, accent, m_product, u"--format"_qs, u"json"_qs});
    QCOMPARE(run.status, 0);
    QJsonObject summary = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(summary.value(u"language"_qs).toString(), German);
    QCOMPARE(summary.value(u"changed"_qs).toInt(), 1);
    QCOMPARE(summary.value(u"written"_qs).toBool(), true);
    QCOMPARE(summary.value(u"converted"_qs).toObject().value(u"from"_qs).toString(), u"legacy-8bit"_qs);
    QCOMPARE(summary.value(u"converted"_qs).toObject().value(u"to"_qs).toString(), u"utf-16le"_qs);
    QVERIFY(TestSupport::readBytes(german).startsWith("\xFF\xFE"));
    QVERIFY(TestSupport::writeBytes(german, "[text]\r\nIDS_MENU_FILE=\"Dat\xe9i\"\r\n"));
    run = glossa({u"import"_qs, accent, m_product});
    QVERIFY2(run.err.contains(u"German (Germany).ini: converted from Windows-1252 to UTF-16LE, since '\u0151' has no "
                              "Windows-1252 form"_qs), qPrintable(run.err));

    // A file exported from German but naming French is refused, unless --language decides.
    QString fromGerman = xliff(u"fr-FR"_qs, unit(u"IDS_MENU_FILE"_qs, u"Fichier neuf"_qs));
    fromGerman.replace(u"original=\"x\""_qs, u"original=\"language/German (Germany).ini\""_qs);
    const QString crossed = write(u"crossed.xlf"_qs, fromGerman);
    const auto before = TestSupport::snapshotTree(m_product);
    run = glossa({u"import"_qs, crossed, m_product});
    QCOMPARE(run.status, 2);
    QVERIFY2(run.err.contains(u"exported from \"German (Germany).ini\""_qs), qPrintable(run.err));
    QCOMPARE(TestSupport::snapshotTree(m_product), before);
    run = glossa({u"import"_qs, crossed, m_product, u"--language"_qs, u"0x040c"_qs, u"--dry-run"_qs});
    QCOMPARE(run.status, 0);
    QVERIFY(run.err.contains(u"warning: the file was exported from \"German (Germany).ini\""_qs));

    // Units translated from an older English are reported, and left out on request; XLIFF 1.1 reads as 1.2.
    QString older = xliff(u"fr-FR"_qs,
                          u"<trans-unit id=\"IDS_MENU_FILE\"><source>File</source><target>Fichier 2</target></trans-unit>"
                          "<trans-unit id=\"IDS_MENU_VIEW\"><source>The old View</source><target>Affichage 2</target></trans-unit>"_qs);
    older.replace(u"version=\"1.2\" xmlns=\"urn:oasis:names:tc:xliff:document:1.2\""_qs,
                  u"version=\"1.1\" xmlns=\"urn:oasis:names:tc:xliff:document:1.1\""_qs);
    const QString stale = write(u"stale.xlf"_qs, older);
    run = glossa({u"import"_qs, stale, m_product, u"--format=json"_qs, u"--dry-run"_qs});
    summary = QJsonDocument::fromJson(run.out).object();
    QCOMPARE(summary.value(u"source_changed"_qs).toArray(), QJsonArray{u"IDS_MENU_VIEW"_qs});
    QCOMPARE(summary.value(u"changed"_qs).toInt(), 2);
    QCOMPARE(summary.value(u"written"_qs).toBool(), false);
    QVERIFY(summary.value(u"converted"_qs).isNull());
    run = glossa({u"import"_qs, stale, m_product, u"--only-current-source"_qs});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.contains(u"1 unit was translated from an English that has changed since (left out): IDS_MENU_VIEW"_qs),
             qPrintable(run.err));
    const QStringList now = valuesOf(m_product, French, {u"IDS_MENU_FILE"_qs, u"IDS_MENU_VIEW"_qs});
    QCOMPARE(now.value(0), u"\"Fichier 2\""_qs);
    QVERIFY(now.value(1) != u"\"Affichage 2\""_qs);

    // A version neither 1.2 nor 1.1 is refused with the versions that are read.
    QString v20 = older;
    v20.replace(u"version=\"1.1\""_qs, u"version=\"2.0\""_qs);
    run = glossa({u"import"_qs, write(u"v20.xlf"_qs, v20), m_product});
    QCOMPARE(run.status, 2);
    QVERIFY(run.err.contains(u"not XLIFF 1.2 or 1.1 (the versions read)"_qs));
    QVERIFY(glossa({u"import"_qs, u"--help"_qs}).out.contains("--format"));

    // A missing entry is exported as work to do, as the editor exports it.
    const QByteArray exported = TestSupport::readBytes(exportTo(French));
    const qsizetype at = exported.indexOf("resname=\"IDS_IMAGE_WDR\"");
    QVERIFY(at > 0);
    QVERIFY(exported.mid(at, 200).contains("<target state=\"needs-translation\"></target>"));
}

void TestExchange::undecodableFilesAreNeitherReadNorWritten()
{
    // The French file without its byte-order mark: UTF-16LE that nothing can tell from bytes.
    const QString french = languageFile(m_product, French);
    const QByteArray cut = TestSupport::readBytes(french).sliced(2);
    QVERIFY(TestSupport::writeBytes(french, cut));
    const QString file = m_dir.filePath(u"fr.xlf"_qs);
    QVERIFY(TestSupport::writeBytes(file, xliff(u"fr-FR"_qs, unit(u"IDS_MENU_FILE"_qs, u"Fichier neuf"_qs)).toUtf8()));
    for (const QStringList &extra : {QStringList{}, QStringList{u"--dry-run"_qs}}) {
        const Run run = glossa(QStringList{u"import"_qs, file, m_product} + extra);
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(u"\"French (France).ini\" cannot be read as text (NUL bytes at every second position: "
                                  "UTF-16LE without a byte-order mark?)"_qs), qPrintable(run.err));
        QCOMPARE(TestSupport::readBytes(french), cut);
    }
    QCOMPARE(glossa({u"export"_qs, French, m_product}).status, 2);
    QCOMPARE(glossa({u"pretranslate"_qs, French, m_product}).status, 2);
    QCOMPARE(TestSupport::readBytes(french), cut);

    // The check names it as an error; so does a file of random bytes.
    QByteArray noise(3000, '\0');
    for (char &c : noise)
        c = char(QRandomGenerator::global()->bounded(256));
    QVERIFY(TestSupport::writeBytes(languageFile(m_product, German), noise));
    // What an interrupted save left is reported, and no scan takes it for a language.
    QVERIFY(TestSupport::writeBytes(languageFile(m_product, German) + u".QxWzVb"_qs, QByteArray(4096, 'x')));
    const Run check = glossa({u"check"_qs, m_product});
    QVERIFY2(check.out.contains("German (Germany).ini: warning: \"German (Germany).ini.QxWzVb\" (4096 bytes, less than "
                                "an hour old) is what an interrupted save left behind"), check.out.constData());
    QCOMPARE(check.out.count("QxWzVb"), 1);
    QCOMPARE(check.status, 1);
    QVERIFY(check.out.contains("French (France).ini: error: the file cannot be read as text (NUL bytes at every second"));
    QVERIFY(check.out.contains("German (Germany).ini: error: the file cannot be read as text"));
    QCOMPARE(TestSupport::readBytes(languageFile(m_product, German)), noise);

    // The store refuses every write the same way, byte for byte.
    CurrentDirGuard guard;
    LanguageStore store;
    QVERIFY(store.Open(m_product + u"/language"_qs));
    LanguageValues values;
    RedundantKeySet redundant;
    QVERIFY(store.LoadLanguageFile(French, values, redundant));
    QVERIFY(store.lastUndecodable().startsWith(u"NUL bytes at every second position"_qs));
    LanguageValues one;
    one.insert(*store.findAttribute(u"IDS_MENU_FILE"_qs), u"Fichier"_qs);
    QVERIFY(!store.SaveLanguageFile(French, one));
    QVERIFY(store.lastError().contains(u"\"French (France).ini\" cannot be read as text"_qs));
    QVERIFY(!store.CreateLanguageFile(French));
    QCOMPARE(TestSupport::readBytes(french), cut);
}

void TestExchange::importHonoursTheLock_data()
{
    QTest::addColumn<qint64>("pid");   // the holder's; 0 for no lock file
    QTest::addColumn<bool>("force");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("written");
    QTest::addColumn<bool>("lockStays");
    QTest::newRow("no lock") << qint64(0) << false << 0 << true << false;
    QTest::newRow("open elsewhere") << qint64(1) << false << 2 << false << true;
    QTest::newRow("open elsewhere, forced") << qint64(1) << true << 0 << true << true;
    QTest::newRow("stale lock") << qint64(0x7ffffff0) << false << 0 << true << false;
}

void TestExchange::importHonoursTheLock()
{
    QFETCH(qint64, pid);
    QFETCH(bool, force);
    QFETCH(int, status);
    QFETCH(bool, written);
    QFETCH(bool, lockStays);
    const QString file = m_dir.filePath(QStringLiteral("locked.xlf"));
    QVERIFY(TestSupport::writeBytes(file, xliff(QStringLiteral("fr-FR"),
        unit(QStringLiteral("IDS_MENU_FILE"), QStringLiteral("Fichier neuf"))).toUtf8()));
    const QString lockPath = LanguageLock::lockPathFor(languageFile(m_product, French));
    const QByteArray lock = QStringLiteral("pid=%1\nhost=%2\nstarted=2026-12-01T09:30:00.000Z\n")
                                .arg(pid).arg(QSysInfo::machineHostName()).toUtf8();
    if (pid)
        QVERIFY(TestSupport::writeBytes(lockPath, lock));
    const QByteArray before = TestSupport::readBytes(languageFile(m_product, French));
    QStringList arguments{file, m_product};
    if (force)
        arguments << QStringLiteral("--force");
    QCOMPARE(runImport(arguments), status);
    const QByteArray after = TestSupport::readBytes(languageFile(m_product, French));
    QCOMPARE(after != before, written);
    if (written) {
        CheckEngine engine;
        QVERIFY(engine.open(m_product));
        const QStringList names = engine.attributeNames();
        QCOMPARE(valuesOf(m_product, French, names)[names.indexOf(QStringLiteral("IDS_MENU_FILE"))],
                 QStringLiteral("\"Fichier neuf\""));
    }
    QCOMPARE(QFile::exists(lockPath), lockStays);
    if (lockStays)
        QCOMPARE(TestSupport::readBytes(lockPath), lock); // a lock of another is never touched
}

void TestExchange::importMergesWithTheFileAsRead()
{
    // Between the import's read and its write another program changed two keys;
    // the import changes one of them differently and one other.
    const QString path = m_dir.filePath(QStringLiteral("merge.xlf"));
    QVERIFY(TestSupport::writeBytes(path, xliff(QStringLiteral("fr-FR"),
        unit(QStringLiteral("IDS_MENU_FILE"), QStringLiteral("Fichier neuf"))
        + unit(QStringLiteral("IDS_MENU_VIEW"), QStringLiteral("Vue neuve"))).toUtf8()));
    ExchangeFile parsed;
    QString error;
    QVERIFY(readExchangeFile(TestSupport::readBytes(path), parsed, error));
    ProductExchange exchange;
    QVERIFY(exchange.open(m_product));
    ImportTarget target;
    QVERIFY(exchange.importTarget(French, target));
    const ImportPlan plan = planImport(parsed, target);
    QCOMPARE(plan.changes.size(), size_t(2));

    const QString french = languageFile(m_product, French);
    auto setValues = [](const QString &file, const QList<std::pair<QString, QString>> &values) {
        ProfileFile profile(file);
        if (!profile.load())
            return false;
        for (const auto &[key, value] : values)
            if (!profile.setValue(QStringLiteral("text"), key, value))
                return false;
        return profile.commit();
    };
    QVERIFY(setValues(french, {{QStringLiteral("IDS_MENU_VIEW"), QStringLiteral("\"Vue d'ailleurs\"")},
                               {QStringLiteral("IDS_MENU_HELP"), QStringLiteral("\"Aide d'ailleurs\"")}}));
    const QString expected = m_dir.filePath(QStringLiteral("expected.ini"));
    QFile::remove(expected);
    QVERIFY(QFile::copy(french, expected));

    std::vector<MergeConflict> conflicts;
    QVERIFY(exchange.apply(French, plan, &target, &conflicts));
    const QStringList names = exchange.engine().attributeNames();
    const QStringList after = valuesOf(m_product, French, names);
    QCOMPARE(after[names.indexOf(QStringLiteral("IDS_MENU_FILE"))], QStringLiteral("\"Fichier neuf\""));  // only the import's
    QCOMPARE(after[names.indexOf(QStringLiteral("IDS_MENU_VIEW"))], QStringLiteral("\"Vue d'ailleurs\"")); // conflict: the disk's
    QCOMPARE(after[names.indexOf(QStringLiteral("IDS_MENU_HELP"))], QStringLiteral("\"Aide d'ailleurs\"")); // only the disk's
    QCOMPARE(conflicts.size(), size_t(1));
    QCOMPARE(conflicts[0].key, QStringLiteral("IDS_MENU_VIEW"));
    QCOMPARE(conflicts[0].loaded.value_or(QString()), QStringLiteral("\"Affichage\""));
    QCOMPARE(conflicts[0].disk.value_or(QString()), QStringLiteral("\"Vue d'ailleurs\""));
    QCOMPARE(conflicts[0].mine, QStringLiteral("\"Vue neuve\""));
    // Apart from the one key written, every byte is the other program's.
    QVERIFY(setValues(expected, {{QStringLiteral("IDS_MENU_FILE"), QStringLiteral("\"Fichier neuf\"")}}));
    QCOMPARE(TestSupport::readBytes(french), TestSupport::readBytes(expected));
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
