#include "terms/GlossaryFormats.h"

#include "CliRun.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;

namespace {

using TestSupport::Run;
using TestSupport::glossa;

} // namespace

class TestTermsCli : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void exportFormats_data();
    void exportFormats();
    void importIntoAProductWithout_data();
    void importIntoAProductWithout();
    void extract();
    void checkRunsTheTermChecks();
    void usageErrors_data();
    void usageErrors();

private:
    QTemporaryDir m_dir;
    QString m_product;
};

void TestTermsCli::init()
{
    QVERIFY(m_dir.isValid());
    m_product = m_dir.filePath(QStringLiteral("product-%1").arg(QString::fromUtf8(QTest::currentDataTag())).replace(u' ', u'-'));
    QDir(m_product).removeRecursively();
    QVERIFY(TestSupport::copyTree(TestSupport::demoProductDir(), m_product));
}

void TestTermsCli::exportFormats_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("holds");
    QTest::newRow("tbx by default") << QStringList() << QString() << QByteArray("<term>Zeitüberschreitung</term>");
    QTest::newRow("csv by extension") << QStringList() << QStringLiteral("g.csv") << QByteArray("timeout,Zeitlimit,Zeitüberschreitung");
    QTest::newRow("tsv for German") << QStringList{QStringLiteral("--language"), QStringLiteral("German (Germany)")}
                                    << QStringLiteral("g.txt") << QByteArray("reboot\tNeustart\t");
    QTest::newRow("qph by format") << QStringList{QStringLiteral("--format"), QStringLiteral("qph"), QStringLiteral("--language"), QStringLiteral("0x040c")}
                                   << QString() << QByteArray("<target>instantané</target>");
}

void TestTermsCli::exportFormats()
{
    QFETCH(QStringList, options);
    QFETCH(QString, file);
    QFETCH(QByteArray, holds);
    QStringList arguments{QStringLiteral("terms"), QStringLiteral("export"), m_product};
    arguments += options;
    const QString path = file.isEmpty() ? QString() : m_dir.filePath(file);
    if (!path.isEmpty())
        arguments << QStringLiteral("-o") << path;
    const Run run = glossa(arguments);
    QCOMPARE(run.exitCode, 0);
    const QByteArray bytes = path.isEmpty() ? run.out : TestSupport::readBytes(path);
    QVERIFY2(bytes.contains(holds), bytes.constData());
}

void TestTermsCli::importIntoAProductWithout_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("languageOptions");
    QTest::addColumn<int>("entries");
    const QStringList german{QStringLiteral("--language"), QStringLiteral("de-DE")};
    const QStringList everyGerman{QStringLiteral("--language"), QStringLiteral("DE")};
    QTest::newRow("tbx") << QStringLiteral("tbx") << QStringList() << 5;
    QTest::newRow("csv") << QStringLiteral("csv") << QStringList() << 5;
    QTest::newRow("tsv") << QStringLiteral("tsv") << german << 5;
    QTest::newRow("qph") << QStringLiteral("qph") << german << 5;
    QTest::newRow("tsv of every German") << QStringLiteral("tsv") << everyGerman << 5;
}

void TestTermsCli::importIntoAProductWithout()
{
    QFETCH(QString, format);
    QFETCH(QStringList, languageOptions);
    QFETCH(int, entries);
    const QString file = m_dir.filePath(QStringLiteral("exported.") + format);
    QCOMPARE(glossa(QStringList{QStringLiteral("terms"), QStringLiteral("export"), m_product, QStringLiteral("-o"), file} + languageOptions).exitCode, 0);
    QVERIFY(QFile::remove(productGlossaryPath(m_product)));
    QCOMPARE(glossa({QStringLiteral("terms"), QStringLiteral("export"), m_product}).exitCode, 2); // no glossary now

    const Run run = glossa(QStringList{QStringLiteral("terms"), QStringLiteral("import"), file, m_product} + languageOptions);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(run.out, QStringLiteral("%1 entries added, 0 updated; the glossary has %1\n").arg(entries).toUtf8());
    Glossary glossary;
    QString error;
    QVERIFY2(loadProductGlossary(m_product, glossary, error), qPrintable(error));
    QCOMPARE(int(glossary.concepts.size()), entries);
    QCOMPARE(glossary.concepts[3].termsFor(QStringLiteral("de-DE"))->front().text, QStringLiteral("Neustart"));
    // Imported again: nothing new.
    const Run again = glossa(QStringList{QStringLiteral("terms"), QStringLiteral("import"), file, m_product} + languageOptions);
    QCOMPARE(again.out, QStringLiteral("0 entries added, 0 updated; the glossary has %1\n").arg(entries).toUtf8());
}

void TestTermsCli::extract()
{
    const Run tsv = glossa({QStringLiteral("terms"), QStringLiteral("extract"), QStringLiteral("0x0407"), m_product, QStringLiteral("--max"), QStringLiteral("3")});
    QCOMPARE(tsv.exitCode, 0);
    const QList<QByteArray> lines = tsv.out.trimmed().split('\n');
    QCOMPARE(lines.size(), 3);
    QVERIFY2(lines[0].startsWith("Device\tGerät\t"), lines[0].constData());
    // As TBX, and imported as it is.
    const QString path = m_dir.filePath(QStringLiteral("proposed.tbx"));
    QCOMPARE(glossa({QStringLiteral("terms"), QStringLiteral("extract"), QStringLiteral("German (Germany)"), m_product,
                     QStringLiteral("-o"), path}).exitCode, 0);
    const Run imported = glossa({QStringLiteral("terms"), QStringLiteral("import"), path, m_product});
    QCOMPARE(imported.exitCode, 0);
    QVERIFY2(imported.out.startsWith("18 entries added, 2 updated"), imported.out.constData()); // "Snapshot" and "Vistaline Monitor" were there
}

void TestTermsCli::checkRunsTheTermChecks()
{
    // The demo's German has one finding of each term check, placed on its line.
    const QStringList german{QStringLiteral("check"), m_product, QStringLiteral("--language"), QStringLiteral("0x0407"),
                             QStringLiteral("--format"), QStringLiteral("github")};
    const Run run = glossa(german);
    QCOMPARE(run.exitCode, 1); // term-forbidden is an error
    QStringList terms;
    for (const QByteArray &line : run.out.split('\n'))
        if (line.contains(",title=term"))
            terms.append(QString::fromUtf8(line.left(line.indexOf("::", 2))));
    QCOMPARE(terms.size(), 3);
    QVERIFY2(terms[0].contains(QStringLiteral(",title=term")) && terms.join(u' ').contains(QStringLiteral("title=term-forbidden")),
             qPrintable(terms.join(u'\n')));
    QVERIFY(terms.join(u' ').contains(QStringLiteral("title=term-untranslated")));
    QVERIFY(run.out.contains("IDS_SYSTEM_REBOOT: the English has \"reboot\"; the value has none of its approved translations: \"Neustart\""));
    for (const QString &line : terms)
        QVERIFY2(line.contains(QStringLiteral(",line=")), qPrintable(line));

    // --ignore and --checks choose among them like any check.
    const Run ignored = glossa(german + QStringList{QStringLiteral("--ignore"), QStringLiteral("term-forbidden,term-untranslated")});
    QCOMPARE(ignored.out.count(",title=term"), 1);
    const Run only = glossa(german + QStringList{QStringLiteral("--checks"), QStringLiteral("term-forbidden")});
    QCOMPARE(only.out.count('\n'), 1);

    // In JUnit a term check is a test case only when it ran: not without a glossary.
    const QStringList junit{QStringLiteral("check"), m_product, QStringLiteral("--format"), QStringLiteral("junit")};
    QVERIFY(glossa(junit).out.contains("name=\"term-forbidden\""));
    QVERIFY(QFile::rename(productGlossaryPath(m_product), m_dir.filePath(QStringLiteral("aside.tbx"))));
    const Run without = glossa(junit);
    QVERIFY(!without.out.contains("name=\"term"));

    // A glossary that cannot be read stops the check: no report that looks whole.
    TestSupport::writeBytes(productGlossaryPath(m_product), "<martif><!DOCTYPE x [<!ENTITY e \"e\">]>");
    const Run broken = glossa(german);
    QCOMPARE(broken.exitCode, 2);
    QVERIFY2(broken.err.contains("glossa-glossary.tbx"), broken.err.constData());
    QVERIFY(broken.out.isEmpty());
}

void TestTermsCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("no word") << QStringList{QStringLiteral("terms")} << QByteArray("give what to do");
    QTest::newRow("unknown word") << QStringList{QStringLiteral("terms"), QStringLiteral("list")} << QByteArray("unknown word \"list\"");
    QTest::newRow("extract the master") << QStringList{QStringLiteral("terms"), QStringLiteral("extract"), QStringLiteral("English (United States)"), QStringLiteral("PRODUCT")}
                                        << QByteArray("is the master");
    QTest::newRow("extract unknown language") << QStringList{QStringLiteral("terms"), QStringLiteral("extract"), QStringLiteral("Klingon"), QStringLiteral("PRODUCT")}
                                              << QByteArray("no language \"Klingon\"");
    QTest::newRow("import missing file") << QStringList{QStringLiteral("terms"), QStringLiteral("import"), QStringLiteral("/nonexistent.tbx"), QStringLiteral("PRODUCT")}
                                         << QByteArray("cannot be read");
    QTest::newRow("import refused file") << QStringList{QStringLiteral("terms"), QStringLiteral("import"), QStringLiteral("PRODUCT/language/LanguageIndex.ini"), QStringLiteral("PRODUCT"), QStringLiteral("--format"), QStringLiteral("tbx")}
                                         << QByteArray("is refused");
    QTest::newRow("import tsv without language") << QStringList{QStringLiteral("terms"), QStringLiteral("import"), QStringLiteral("PRODUCT/glossa-words.txt"), QStringLiteral("PRODUCT")}
                                                 << QByteArray("does not say which");
    QTest::newRow("export tsv without language") << QStringList{QStringLiteral("terms"), QStringLiteral("export"), QStringLiteral("PRODUCT"), QStringLiteral("--format"), QStringLiteral("tsv")}
                                                 << QByteArray("give it with --language");
    QTest::newRow("bad format") << QStringList{QStringLiteral("terms"), QStringLiteral("export"), QStringLiteral("PRODUCT"), QStringLiteral("--format"), QStringLiteral("xls")}
                                << QByteArray("--format takes");
    QTest::newRow("not a product") << QStringList{QStringLiteral("terms"), QStringLiteral("export"), QStringLiteral("/")} << QByteArray("is not a product");
}

void TestTermsCli::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, message);
    arguments.replaceInStrings(QStringLiteral("PRODUCT"), m_product);
    const QByteArray before = TestSupport::readBytes(productGlossaryPath(m_product));
    const Run run = glossa(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message), run.err.constData());
    QCOMPARE(TestSupport::readBytes(productGlossaryPath(m_product)), before); // nothing written
}

QTEST_GUILESS_MAIN(TestTermsCli)
#include "tst_termscli.moc"
