#include "checks/ReportFormats.h"

#include "CliRun.h"
#include "TestSupport.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace {

using TestSupport::Run;
using TestSupport::glossa;

QByteArray utf8Lines(const QStringList &lines)
{
    return (lines.join(u'\n') + u'\n').toUtf8();
}

// A master of four attributes, a German translation without fault and a French
// one with a lost %d (error), a key that differs from IDS_SAVE only in case,
// and so IDS_SAVE missing (warnings). The index lists all three in both sections,
// so that the index synchronisation has nothing to add.
bool makeProduct(const QString &root)
{
    const QString language = root + QStringLiteral("/language/");
    return QDir().mkpath(language)
           && TestSupport::writeBytes(language + QStringLiteral("English (United States).ini"),
                                      utf8Lines({QStringLiteral("[text]"), QStringLiteral("IDS_WELCOME=\"Welcome\""),
                                                 QStringLiteral("IDS_FILES=\"Open %d files\""),
                                                 QStringLiteral("IDS_CLOSE=\"Close\""),
                                                 QStringLiteral("IDS_SAVE=\"Save:\"")}))
           && TestSupport::writeBytes(language + QStringLiteral("German (Germany).ini"),
                                      utf8Lines({QStringLiteral("[text]"), QStringLiteral("IDS_WELCOME=\"Willkommen\""),
                                                 QStringLiteral("IDS_FILES=\"%d Dateien oeffnen\""),
                                                 QStringLiteral("IDS_CLOSE=\"Schliessen\""),
                                                 QStringLiteral("IDS_SAVE=\"Speichern:\"")}))
           && TestSupport::writeBytes(language + QStringLiteral("French (France).ini"),
                                      utf8Lines({QStringLiteral("[text]"), QStringLiteral("IDS_WELCOME=\"Bienvenue\""),
                                                 QStringLiteral("IDS_FILES=\"Ouvrir des fichiers\""),
                                                 QStringLiteral("IDS_CLOSE=\"Fermer\""),
                                                 QStringLiteral("ids_save=\"Enregistrer :\"")}))
           && TestSupport::writeBytes(language + QStringLiteral("LanguageIndex.ini"),
                                      utf8Lines({QStringLiteral("[languages]"),
                                                 QStringLiteral("0x0409=English (United States)"),
                                                 QStringLiteral("0x0407=German (Germany)"),
                                                 QStringLiteral("0x040c=French (France)"),
                                                 QStringLiteral("[xmllanguages]"), QStringLiteral("0x0409=en-us"),
                                                 QStringLiteral("0x0407=German_Germany"),
                                                 QStringLiteral("0x040c=French_France")}));
}

const QString French = QStringLiteral("language/French (France).ini");

} // namespace

class TestCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void exitStatus_data();
    void exitStatus();
    void badProduct_data();
    void badProduct();
    void help();
    void textLines();
    void outputFile();
    void json();
    void junit();
    void sarif();
    void github();
    void stats_data();
    void stats();
    void demoProduct();
    void htmlReportInABrowser();
    void htmlReportShowsAThousand();
    void sinceEarlierRelease();

    void githubEscapes_data();
    void githubEscapes();
    void jsonString_data();
    void jsonString();
    void relativeUri_data();
    void relativeUri();
    void csvField_data();
    void csvField();

private:
    QTemporaryDir m_dir;
    QString m_product;
    int m_count = 0;
};

void TestCli::init()
{
    QVERIFY(m_dir.isValid());
    m_product = m_dir.path() + QStringLiteral("/product ") + QString::number(++m_count);
    QVERIFY(makeProduct(m_product));
}

void TestCli::exitStatus_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");

    QTest::newRow("error in French") << QStringList() << 1;
    QTest::newRow("German alone") << QStringList{QStringLiteral("--language"), QStringLiteral("German (Germany)")} << 0;
    QTest::newRow("German by code, strict")
        << QStringList{QStringLiteral("--language"), QStringLiteral("0x0407"), QStringLiteral("--strict")} << 0;
    QTest::newRow("French without placeholders")
        << QStringList{QStringLiteral("--language"), QStringLiteral("0x040c"), QStringLiteral("--ignore"),
                       QStringLiteral("placeholders")}
        << 0;
    QTest::newRow("French without placeholders, strict")
        << QStringList{QStringLiteral("--language"), QStringLiteral("French (France)"), QStringLiteral("--ignore"),
                       QStringLiteral("placeholders"), QStringLiteral("--strict")}
        << 1;
    QTest::newRow("only missing-key") << QStringList{QStringLiteral("--checks"), QStringLiteral("missing-key")} << 0;
    QTest::newRow("only missing-key, strict")
        << QStringList{QStringLiteral("--checks"), QStringLiteral("missing-key"), QStringLiteral("--strict")} << 1;
    QTest::newRow("two check ids") << QStringList{QStringLiteral("--checks=unchanged, placeholders")} << 1;
    QTest::newRow("jobs 1") << QStringList{QStringLiteral("--jobs"), QStringLiteral("1")} << 1;
    QTest::newRow("unknown check") << QStringList{QStringLiteral("--checks"), QStringLiteral("placeholder")} << 2;
    QTest::newRow("unknown ignored check") << QStringList{QStringLiteral("--ignore"), QStringLiteral("nope")} << 2;
    QTest::newRow("unknown format") << QStringList{QStringLiteral("--format"), QStringLiteral("csv")} << 2;
    QTest::newRow("jobs 0") << QStringList{QStringLiteral("--jobs"), QStringLiteral("0")} << 2;
    QTest::newRow("jobs word") << QStringList{QStringLiteral("--jobs"), QStringLiteral("many")} << 2;
    QTest::newRow("unknown language") << QStringList{QStringLiteral("--language"), QStringLiteral("Klingon")} << 2;
    QTest::newRow("absent language") << QStringList{QStringLiteral("--language"), QStringLiteral("0x0411")} << 2;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--frobnicate")} << 2;
    QTest::newRow("two products") << QStringList{QStringLiteral(".")} << 2;
}

void TestCli::exitStatus()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    const Run run = glossa(QStringList{QStringLiteral("check"), m_product} + arguments);
    QCOMPARE(run.exitCode, status);
    // A usage error says why on standard error and prints no report.
    QCOMPARE(run.err.isEmpty(), status != 2);
    if (status == 2)
        QVERIFY(run.out.isEmpty());
}

void TestCli::badProduct_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("no such directory") << QStringLiteral("missing");
    QTest::newRow("a file") << QStringLiteral("file");
    QTest::newRow("no language directory") << QStringLiteral("empty");
    QTest::newRow("no master") << QStringLiteral("nomaster");
    QTest::newRow("no command") << QStringLiteral("nocommand");
    QTest::newRow("unknown command") << QStringLiteral("unknowncommand");
}

void TestCli::badProduct()
{
    QFETCH(QString, what);
    QTemporaryDir dir;
    QString product = dir.path() + QStringLiteral("/p");
    QStringList arguments{QStringLiteral("check"), product};
    if (what == u"file")
        QVERIFY(TestSupport::writeBytes(product, "[text]\n"));
    else if (what == u"empty")
        QVERIFY(QDir().mkpath(product));
    else if (what == u"nomaster")
        QVERIFY(QDir().mkpath(product + QStringLiteral("/language")));
    else if (what == u"nocommand")
        arguments = {};
    else if (what == u"unknowncommand")
        arguments = {QStringLiteral("verify"), m_product};
    for (const QString &command : {QStringLiteral("check"), QStringLiteral("stats")}) {
        if (!arguments.isEmpty() && arguments[0] == u"check")
            arguments[0] = command;
        const Run run = glossa(arguments);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.err.startsWith("glossa: "));
        QVERIFY(run.out.isEmpty());
    }
}

void TestCli::help()
{
    for (const QStringList &arguments : {QStringList{QStringLiteral("--help")},
                                         QStringList{QStringLiteral("check"), QStringLiteral("--help")}}) {
        const Run run = glossa(arguments);
        QCOMPARE(run.exitCode, 0);
        const QString text = QString::fromUtf8(run.out);
        for (const QString &option : {QStringLiteral("--format"), QStringLiteral("--output"), QStringLiteral("-o"),
                                      QStringLiteral("--language"), QStringLiteral("--checks"),
                                      QStringLiteral("--ignore"), QStringLiteral("--strict"),
                                      QStringLiteral("--jobs")})
            QVERIFY2(text.contains(option), qPrintable(option));
        for (const Glossa::CheckInfo &check : Glossa::allChecks()) {
            const QRegularExpression row(QStringLiteral("\\n  %1 +%2 ")
                                             .arg(QRegularExpression::escape(check.id),
                                                  Glossa::severityName(check.severity)));
            QVERIFY2(text.contains(row), qPrintable(check.id));
        }
    }
    const QString overall = QString::fromUtf8(glossa({QStringLiteral("--help")}).out);
    QVERIFY(overall.contains(QStringLiteral("glossa check ")));
    QVERIFY(overall.contains(QStringLiteral("glossa stats ")));
}

void TestCli::textLines()
{
    const Run run = glossa({QStringLiteral("check"), m_product});
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = QString::fromUtf8(run.out).split(u'\n');
    QVERIFY2(lines.contains(French + QStringLiteral(":3: error: IDS_FILES: %d: the reference has it once, the value "
                                                    "never [placeholders]")),
             run.out.constData());
    QVERIFY(lines.contains(French + QStringLiteral(": warning: IDS_SAVE: the attribute has no line in the file "
                                                   "[missing-key]")));
    // Not a terminal: no colour.
    QVERIFY(!run.out.contains('\x1b'));
    // The summary: a line per language and the totals.
    QVERIFY(lines.contains(QStringLiteral("total: 1 error, 2 warnings, 0 infos in 3 languages")));
    QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^German \\(Germany\\): +0 errors, 0 warnings, 0 infos$")))
                 .size(),
             1);
    // The product directory is the working directory when none is given.
    const Run here = glossa({QStringLiteral("check")}, m_product);
    QCOMPARE(here.exitCode, 1);
    QCOMPARE(here.out, run.out);
}

void TestCli::outputFile()
{
    const QString file = m_dir.path() + QStringLiteral("/report.json");
    QVERIFY(TestSupport::writeBytes(file, "old"));
    const Run run = glossa({QStringLiteral("check"), m_product, QStringLiteral("--format"), QStringLiteral("json"),
                            QStringLiteral("-o"), file});
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(TestSupport::readBytes(file), glossa({QStringLiteral("check"), m_product, QStringLiteral("--format=json")}).out);

    const Run bad = glossa({QStringLiteral("check"), m_product, QStringLiteral("-o"),
                            m_dir.path() + QStringLiteral("/no/such/dir/report.txt")});
    QCOMPARE(bad.exitCode, 2);
    QVERIFY(!bad.err.isEmpty());
}

void TestCli::json()
{
    const Run run = glossa({QStringLiteral("check"), m_product, QStringLiteral("--format"), QStringLiteral("json")});
    QCOMPARE(run.exitCode, 1);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    // The keys in the order of the contract.
    QVERIFY(run.out.indexOf("\"product\"") < run.out.indexOf("\"master\""));
    QVERIFY(run.out.indexOf("\"master\"") < run.out.indexOf("\"attributes\""));
    QVERIFY(run.out.indexOf("\"languages\"") < run.out.indexOf("\"findings\""));
    QVERIFY(run.out.indexOf("\"findings\"") < run.out.indexOf("\"summary\""));
    QCOMPARE(root.keys().size(), 6);
    QCOMPARE(root.value(u"product").toString(), QFileInfo(m_product).absoluteFilePath());
    QCOMPARE(root.value(u"master").toString(), QStringLiteral("English (United States)"));
    QCOMPARE(root.value(u"attributes").toInt(), 4);

    const QJsonArray languages = root.value(u"languages").toArray();
    QCOMPARE(languages.size(), 3);
    const QStringList languageKeys = {QStringLiteral("name"),       QStringLiteral("code"),    QStringLiteral("file"),
                                      QStringLiteral("encoding"),   QStringLiteral("attributes"),
                                      QStringLiteral("translated"), QStringLiteral("blank"),   QStringLiteral("missing"),
                                      QStringLiteral("errors"),     QStringLiteral("warnings"), QStringLiteral("infos"),
                                      QStringLiteral("redundant")};
    QJsonObject french;
    for (const QJsonValue &value : languages) {
        const QJsonObject language = value.toObject();
        QStringList keys = language.keys();
        QStringList expected = languageKeys;
        keys.sort();
        expected.sort();
        QCOMPARE(keys, expected);
        QCOMPARE(language.value(u"translated").toInt() + language.value(u"blank").toInt()
                     + language.value(u"missing").toInt(),
                 language.value(u"attributes").toInt());
        if (language.value(u"name").toString() == u"French (France)")
            french = language;
    }
    QCOMPARE(french.value(u"code").toString(), QStringLiteral("0x040c"));
    QCOMPARE(french.value(u"file").toString(), French);
    QCOMPARE(french.value(u"encoding").toString(), QStringLiteral("utf-8"));
    QCOMPARE(french.value(u"missing").toInt(), 1);
    QCOMPARE(french.value(u"errors").toInt(), 1);
    QCOMPARE(french.value(u"redundant").toInt(), 1);

    const QJsonArray findings = root.value(u"findings").toArray();
    QCOMPARE(findings.size(), 3);
    bool sawNullLine = false;
    for (const QJsonValue &value : findings) {
        const QJsonObject finding = value.toObject();
        QCOMPARE(finding.keys().size(), 7);
        QVERIFY(Glossa::isKnownCheck(finding.value(u"check").toString()));
        QVERIFY(finding.value(u"line").isNull() || finding.value(u"line").toInt() > 0);
        QVERIFY(finding.value(u"key").isString());
        QVERIFY(finding.value(u"message").isString());
        QCOMPARE(finding.value(u"file").toString(), French);
        if (finding.value(u"check").toString() == u"placeholders") {
            QCOMPARE(finding.value(u"severity").toString(), QStringLiteral("error"));
            QCOMPARE(finding.value(u"line").toInt(), 3);
            QCOMPARE(finding.value(u"key").toString(), QStringLiteral("IDS_FILES"));
        }
        if (finding.value(u"check").toString() == u"missing-key")
            sawNullLine = finding.value(u"line").isNull();
    }
    QVERIFY(sawNullLine);
    const QJsonObject summary = root.value(u"summary").toObject();
    QCOMPARE(summary.value(u"errors").toInt(), 1);
    QCOMPARE(summary.value(u"warnings").toInt(), 2);
    QCOMPARE(summary.value(u"infos").toInt(), 0);
}

void TestCli::junit()
{
    const Run run = glossa({QStringLiteral("check"), m_product, QStringLiteral("--format=junit")});
    QCOMPARE(run.exitCode, 1);
    QXmlStreamReader xml(run.out);
    QStringList suites;
    QMap<QString, int> casesPerSuite;
    QStringList failures; // "suite/case"
    QString suite;
    QString testCase;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"testsuite") {
            suite = xml.attributes().value(QStringLiteral("name")).toString();
            suites.append(suite);
        } else if (xml.name() == u"testcase") {
            testCase = xml.attributes().value(QStringLiteral("name")).toString();
            ++casesPerSuite[suite];
        } else if (xml.name() == u"failure") {
            failures.append(suite + u'/' + testCase);
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(suites.contains(QStringLiteral("English (United States)")));
    QVERIFY(suites.contains(QStringLiteral("German (Germany)")));
    QVERIFY(suites.contains(QStringLiteral("French (France)")));
    QCOMPARE(failures, QStringList{QStringLiteral("French (France)/placeholders")});
    // One test case per check besides the index, which has its own suite,
    // reference-changed, which runs only with --since, and the three term checks,
    // which run only with a glossary.
    QCOMPARE(casesPerSuite.value(QStringLiteral("French (France)")), int(Glossa::allChecks().size()) - 5);
    QVERIFY(!run.out.contains("name=\"reference-changed\""));

    // --checks: only the checks that ran.
    const Run only = glossa({QStringLiteral("check"), m_product, QStringLiteral("--format=junit"),
                             QStringLiteral("--checks=missing-key")});
    QCOMPARE(only.exitCode, 0);
    QCOMPARE(only.out.count("<testcase "), 3);
    QVERIFY(!only.out.contains("<failure"));
}

void TestCli::sarif()
{
    const Run run = glossa({QStringLiteral("check"), m_product, QStringLiteral("--format=sarif")});
    QCOMPARE(run.exitCode, 1);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(root.value(u"version").toString(), QStringLiteral("2.1.0"));
    QVERIFY(root.value(u"$schema").toString().startsWith(QStringLiteral("https://")));
    const QJsonObject run0 = root.value(u"runs").toArray().at(0).toObject();
    const QJsonObject driver = run0.value(u"tool").toObject().value(u"driver").toObject();
    QCOMPARE(driver.value(u"name").toString(), QStringLiteral("glossa"));
    const QJsonArray rules = driver.value(u"rules").toArray();
    QCOMPARE(rules.size(), qsizetype(Glossa::allChecks().size()));
    for (qsizetype i = 0; i < rules.size(); ++i)
        QCOMPARE(rules.at(i).toObject().value(u"id").toString(), Glossa::allChecks()[size_t(i)].id);

    const QJsonArray results = run0.value(u"results").toArray();
    QCOMPARE(results.size(), 3);
    int withRegion = 0;
    for (const QJsonValue &value : results) {
        const QJsonObject result = value.toObject();
        const QString level = result.value(u"level").toString();
        QVERIFY(level == u"error" || level == u"warning" || level == u"note");
        QVERIFY(Glossa::isKnownCheck(result.value(u"ruleId").toString()));
        QVERIFY(!result.value(u"message").toObject().value(u"text").toString().isEmpty());
        const QJsonObject location =
            result.value(u"locations").toArray().at(0).toObject().value(u"physicalLocation").toObject();
        QCOMPARE(location.value(u"artifactLocation").toObject().value(u"uri").toString(),
                 QStringLiteral("language/French%20(France).ini"));
        const bool hasLine = result.value(u"ruleId").toString() != u"missing-key";
        QCOMPARE(location.contains(u"region"), hasLine);
        if (hasLine) {
            QVERIFY(location.value(u"region").toObject().value(u"startLine").toInt() > 0);
            ++withRegion;
        }
        if (result.value(u"ruleId").toString() == u"placeholders")
            QCOMPARE(level, QStringLiteral("error"));
    }
    QCOMPARE(withRegion, 2);
}

void TestCli::github()
{
    // Run from the product's parent: the files are named from there, as the repository names them.
    const QString parent = QFileInfo(m_product).absolutePath();
    const QString name = QFileInfo(m_product).fileName();
    const Run run = glossa({QStringLiteral("check"), name, QStringLiteral("--format"), QStringLiteral("github")}, parent);
    QCOMPARE(run.exitCode, 1);
    const QStringList lines = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    const QString file = name + u'/' + French;
    QVERIFY2(lines.contains(QStringLiteral("::error file=%1,line=3,title=placeholders::IDS_FILES: %25d: the reference "
                                           "has it once, the value never")
                                .arg(file)),
             run.out.constData());
    QVERIFY(lines.contains(
        QStringLiteral("::warning file=%1,title=missing-key::IDS_SAVE: the attribute has no line in the file").arg(file)));

    // In the product directory itself: the paths as in the text report.
    const Run here = glossa({QStringLiteral("check"), QStringLiteral("--format=github")}, m_product);
    QVERIFY(here.out.startsWith("::"));
    QVERIFY(here.out.contains(",title=placeholders::"));
    QVERIFY(here.out.contains("file=" + French.toUtf8() + ",line=3"));
}

void TestCli::stats_data()
{
    QTest::addColumn<QString>("format");
    QTest::newRow("text") << QStringLiteral("text");
    QTest::newRow("json") << QStringLiteral("json");
    QTest::newRow("csv") << QStringLiteral("csv");
}

void TestCli::stats()
{
    QFETCH(QString, format);
    const Run run = glossa({QStringLiteral("stats"), m_product, QStringLiteral("--format"), format,
                            QStringLiteral("--language"), QStringLiteral("French (France)"),
                            QStringLiteral("--language"), QStringLiteral("0x0407")});
    // Statistics never fail on findings.
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = QString::fromUtf8(run.out).split(u'\n', Qt::SkipEmptyParts);
    if (format == u"json") {
        const QJsonArray languages = QJsonDocument::fromJson(run.out).array();
        QCOMPARE(languages.size(), 2);
        // Catalogue row order, whatever the order of the options.
        QCOMPARE(languages.at(0).toObject().value(u"name").toString(), QStringLiteral("French (France)"));
        QCOMPARE(languages.at(0).toObject().value(u"translated").toInt(), 3);
        QCOMPARE(languages.at(1).toObject().value(u"name").toString(), QStringLiteral("German (Germany)"));
    } else if (format == u"csv") {
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], QStringLiteral("name,code,file,encoding,attributes,translated,blank,missing,errors,"
                                          "warnings,infos,redundant"));
        QCOMPARE(lines[1], QStringLiteral("French (France),0x040c,language/French (France).ini,utf-8,4,3,0,1,1,2,0,1"));
    } else {
        QCOMPARE(lines.size(), 3);
        QVERIFY(lines[0].startsWith(QStringLiteral("language ")));
        QVERIFY(lines[0].contains(QStringLiteral("translated %")));
        QVERIFY(lines[0].endsWith(QStringLiteral("redundant keys")));
        QVERIFY(lines[1].contains(QRegularExpression(QStringLiteral("^French \\(France\\) +0x040c +utf-8 +75\\.0 +0 +1 +1 +2 +1$"))));
    }
    const Run bad = glossa({QStringLiteral("stats"), m_product, QStringLiteral("--format"), QStringLiteral("junit")});
    QCOMPARE(bad.exitCode, 2);
}

void TestCli::sinceEarlierRelease()
{
    QTemporaryDir dir;
    const QString product = dir.path() + QStringLiteral("/demo");
    QVERIFY(TestSupport::copyTree(TestSupport::demoProductDir(), product));
    const QString earlier = TestSupport::sourceDir() + QStringLiteral("/examples/demo-product-previous");
    const Run run = glossa({QStringLiteral("check"), product, QStringLiteral("--since"), earlier,
                            QStringLiteral("--checks=reference-changed"), QStringLiteral("--strict")});
    QCOMPARE(run.exitCode, 1); // stale translations are warnings, and --strict fails on them
    const QString text = QString::fromUtf8(run.out);
    QVERIFY(text.contains(QRegularExpression(
        QStringLiteral("\nlanguage/German \\(Germany\\)\\.ini:\\d+: warning: IDS_DEVICE_SEARCH: .*\\[reference-changed\\]\n"))));
    // German already holds a new translation of this changed text.
    QVERIFY(!text.contains(QStringLiteral("German (Germany).ini")) || !text.contains(QRegularExpression(
        QStringLiteral("German \\(Germany\\)\\.ini:\\d+: warning: IDS_DEVICE_DELETE:"))));
    QCOMPARE(glossa({QStringLiteral("check"), product, QStringLiteral("--checks=reference-changed")}).exitCode, 0);
    const Run bad = glossa({QStringLiteral("check"), product, QStringLiteral("--since"), product});
    QCOMPARE(bad.exitCode, 2);
    QVERIFY(!bad.err.isEmpty());
}

void TestCli::demoProduct()
{
    QTemporaryDir dir;
    const QString product = dir.path() + QStringLiteral("/demo");
    QVERIFY(TestSupport::copyTree(TestSupport::demoProductDir(), product));
    const auto before = TestSupport::snapshotTree(product);
    const Run run = glossa({QStringLiteral("check"), product});
    QCOMPARE(run.exitCode, 1);
    const QString text = QString::fromUtf8(run.out);
    // The French file's broken placeholders, one error each.
    for (const QString &key : {QStringLiteral("IDS_APP_WELCOME"), QStringLiteral("MSG_DEVICE_CONNECT_FAILED"),
                               QStringLiteral("MSG_DOWNLOAD_DONE"), QStringLiteral("MSG_PASSWORD_WEAK"),
                               QStringLiteral("MSG_IP_INVALID")})
        QVERIFY2(text.contains(QRegularExpression(
                     QStringLiteral("\nlanguage/French \\(France\\)\\.ini:\\d+: error: %1: .* \\[placeholders\\]\n").arg(key))),
                 qPrintable(key));
    // The German file's key that differs from a master key only in case.
    QVERIFY(text.contains(QRegularExpression(
        QStringLiteral("\nlanguage/German \\(Germany\\)\\.ini:\\d+: warning: ids_file_open: [^\n]*IDS_FILE_OPEN[^\n]*"
                       "\\[redundant-key\\]\n"))));
    // The index check's dry run is reported and nothing is written.
    QVERIFY(text.contains(QStringLiteral("language/LanguageIndex.ini: warning: ")));
    QCOMPARE(TestSupport::snapshotTree(product), before);

    const Run stats = glossa({QStringLiteral("stats"), product, QStringLiteral("--format=json")});
    QCOMPARE(stats.exitCode, 0);
    QVERIFY(QDir(product).exists(QStringLiteral("language")));
    QCOMPARE(TestSupport::snapshotTree(product), before);
}

void TestCli::htmlReportInABrowser()
{
    QTemporaryDir dir;
    const QString product = dir.path() + QStringLiteral("/demo");
    QVERIFY(TestSupport::copyTree(TestSupport::demoProductDir(), product));
    const QString html = dir.path() + QStringLiteral("/report.html");
    const Run run = glossa({QStringLiteral("check"), product, QStringLiteral("--format=html"), QStringLiteral("-o"), html});
    QCOMPARE(run.exitCode, 1);
    const QByteArray bytes = TestSupport::readBytes(html);
    // Self-contained: nothing is fetched from anywhere.
    QVERIFY(!bytes.contains("<link"));
    QVERIFY(!bytes.contains(" src="));
    QVERIFY(!bytes.contains("@import"));

    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty())
        QSKIP("chromium is not installed (scripts/setup.sh installs it)");
    QTemporaryDir profile;
    QProcess browser;
    // Sorted by the Errors column, descending, as the address asks.
    browser.start(chromium, {QStringLiteral("--headless"), QStringLiteral("--no-sandbox"), QStringLiteral("--disable-gpu"),
                             QStringLiteral("--disable-quic"), QStringLiteral("--no-first-run"),
                             QStringLiteral("--disable-background-networking"),
                             QStringLiteral("--disable-component-update"), QStringLiteral("--disable-sync"),
                             QStringLiteral("--user-data-dir=") + profile.path(), QStringLiteral("--dump-dom"),
                             QUrl::fromLocalFile(html).toString() + QStringLiteral("#sort=6-")});
    QVERIFY(browser.waitForFinished(120000));
    const QString dom = QString::fromUtf8(browser.readAllStandardOutput());
    QVERIFY2(dom.contains(QStringLiteral("<table class=\"languages\"")), browser.readAllStandardError().constData());
    const QRegularExpression row(QStringLiteral("<tr class=\"language\"><td>(?:<a href=\"#l\\d+\">)?([^<]+)"));
    QStringList languages;
    for (auto it = row.globalMatch(dom); it.hasNext();)
        languages.append(it.next().captured(1));
    QCOMPARE(languages.size(), 5);
    for (const QString &name : {QStringLiteral("Chinese (PRC)"), QStringLiteral("English (United States)"),
                                QStringLiteral("French (France)"), QStringLiteral("German (Germany)"),
                                QStringLiteral("Japanese (Japan)")})
        QVERIFY2(languages.contains(name), qPrintable(name));
    // The script ran: French, the only language with errors, now comes first.
    QCOMPARE(languages.first(), QStringLiteral("French (France)"));
    QVERIFY(dom.contains(QStringLiteral("aria-sort=\"descending\"")));
    // Each language's findings underneath, collapsed.
    QVERIFY(dom.contains(QStringLiteral("<details class=\"findings\"")));
    QVERIFY(!dom.contains(QStringLiteral("<details class=\"findings\" open")));
}

void TestCli::htmlReportShowsAThousand()
{
    Glossa::ProductReport report;
    report.product = QStringLiteral("/p");
    report.master = QStringLiteral("English (United States)");
    report.attributes = 2000;
    Glossa::LanguageReport german;
    german.name = QStringLiteral("German <Germany> & \"co\"");
    german.attributes = 2000;
    german.translated = 1000;
    for (int i = 0; i < 1004; ++i)
        german.findings.push_back({QStringLiteral("blank"), Glossa::FindingSeverity::Warning, german.name, QStringLiteral("f"),
                                   i + 1, QStringLiteral("K%1").arg(i), QStringLiteral("<b>the value is blank</b>")});
    german.warnings = 1004;
    report.languages.push_back(german);
    const QString html = QString::fromUtf8(Glossa::checkReportHtml(report));
    QCOMPARE(html.count(QStringLiteral("<td class=\"warning\">warning</td>")), 1000);
    QVERIFY(html.contains(QStringLiteral("and 4 more")));
    QVERIFY(html.contains(QStringLiteral("German &lt;Germany&gt; &amp; &quot;co&quot;")));
    QVERIFY(!html.contains(QStringLiteral("<b>the value")));
    QVERIFY(html.contains(QStringLiteral("<progress value=\"1000\" max=\"2000\"></progress> 50.0%")));
}

void TestCli::githubEscapes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("data");
    QTest::addColumn<QString>("property");

    QTest::newRow("plain") << QStringLiteral("IDS_OPEN") << QStringLiteral("IDS_OPEN") << QStringLiteral("IDS_OPEN");
    QTest::newRow("percent") << QStringLiteral("%d of %s") << QStringLiteral("%25d of %25s")
                             << QStringLiteral("%25d of %25s");
    QTest::newRow("an escape already written") << QStringLiteral("%0A") << QStringLiteral("%250A")
                                               << QStringLiteral("%250A");
    QTest::newRow("line breaks") << QStringLiteral("a\r\nb\nc") << QStringLiteral("a%0D%0Ab%0Ac")
                                 << QStringLiteral("a%0D%0Ab%0Ac");
    QTest::newRow("colon and comma") << QStringLiteral("a: b, c") << QStringLiteral("a: b, c")
                                     << QStringLiteral("a%3A b%2C c");
    QTest::newRow("a command inside") << QStringLiteral("x::error file=a,line=1::y")
                                      << QStringLiteral("x::error file=a,line=1::y")
                                      << QStringLiteral("x%3A%3Aerror file=a%2Cline=1%3A%3Ay");
    QTest::newRow("non-ASCII") << QStringLiteral("Öffnen…") << QStringLiteral("Öffnen…") << QStringLiteral("Öffnen…");
    QTest::newRow("empty") << QString() << QString() << QString();
}

void TestCli::githubEscapes()
{
    QFETCH(QString, text);
    QFETCH(QString, data);
    QFETCH(QString, property);
    QCOMPARE(Glossa::githubEscapeData(text), data);
    QCOMPARE(Glossa::githubEscapeProperty(text), property);
}

void TestCli::jsonString_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("json");

    QTest::newRow("plain") << QStringLiteral("abc") << QByteArray("\"abc\"");
    QTest::newRow("empty") << QString() << QByteArray("\"\"");
    QTest::newRow("quote and backslash") << QStringLiteral("a\"b\\n") << QByteArray("\"a\\\"b\\\\n\"");
    QTest::newRow("line breaks and tab") << QStringLiteral("a\nb\r\tc") << QByteArray("\"a\\nb\\r\\tc\"");
    QTest::newRow("control characters") << (QStringLiteral("a") + QChar(1) + QChar(0x1f))
                                        << QByteArray("\"a\\u0001\\u001f\"");
    QTest::newRow("line separator") << QString(QChar(0x2028)) << QByteArray("\"\\u2028\"");
    QTest::newRow("non-ASCII as UTF-8") << QStringLiteral("é中") << QByteArray("\"\xc3\xa9\xe4\xb8\xad\"");
    QTest::newRow("lone surrogate") << QString(QChar(0xd800)) << QByteArray("\"\\ud800\"");
}

void TestCli::jsonString()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, json);
    QCOMPARE(Glossa::jsonString(text), json);
    // Whatever it holds, a JSON reader gets the text back.
    if (!text.contains(QChar(0xd800)))
        QCOMPARE(QJsonDocument::fromJson("[" + json + "]").array().at(0).toString(), text);
}

void TestCli::relativeUri_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("uri");

    QTest::newRow("spaces") << QStringLiteral("language/German (Germany).ini")
                            << QStringLiteral("language/German%20(Germany).ini");
    QTest::newRow("percent") << QStringLiteral("language/100%.ini") << QStringLiteral("language/100%25.ini");
    QTest::newRow("hash and question mark") << QStringLiteral("language/a#b?.ini")
                                            << QStringLiteral("language/a%23b%3F.ini");
    QTest::newRow("colon") << QStringLiteral("c:x.ini") << QStringLiteral("c%3Ax.ini");
    QTest::newRow("non-ASCII") << QStringLiteral("language/中文.ini")
                               << QStringLiteral("language/%E4%B8%AD%E6%96%87.ini");
}

void TestCli::relativeUri()
{
    QFETCH(QString, path);
    QFETCH(QString, uri);
    QCOMPARE(Glossa::relativeUri(path), uri);
}

void TestCli::csvField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("field");

    QTest::newRow("plain") << QStringLiteral("German (Germany)") << QStringLiteral("German (Germany)");
    QTest::newRow("comma") << QStringLiteral("a,b") << QStringLiteral("\"a,b\"");
    QTest::newRow("quote") << QStringLiteral("say \"hi\"") << QStringLiteral("\"say \"\"hi\"\"\"");
    QTest::newRow("line break") << QStringLiteral("a\nb") << QStringLiteral("\"a\nb\"");
    QTest::newRow("empty") << QString() << QString();
}

void TestCli::csvField()
{
    QFETCH(QString, text);
    QFETCH(QString, field);
    QCOMPARE(Glossa::csvField(text), field);
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
