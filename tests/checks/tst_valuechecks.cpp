#include "TestSupport.h"

#include "checks/CheckEngine.h"
#include "checks/ReportFormats.h"
#include "checks/ValueChecks.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;
using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

const QString German = u"German (Germany)"_s;
const QString French = u"French (France)"_s;

// The findings of one check on a value, as their messages.
QStringList found(const QString &check, const QString &value, const QString &reference, const QString &language,
                  bool isMaster = false)
{
    QStringList messages;
    for (const Finding &finding : checkValue(u'"' + value + u'"', u'"' + reference + u'"', 1, language, isMaster))
        if (finding.check == check)
            messages.append(finding.message);
    return messages;
}

} // namespace

class TestValueChecks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checks_data();
    void checks();
    void spellingWords_data();
    void spellingWords();
    void widespreadErrorsPointAtTheMaster();
    void streamedReportsMatchTheWholeReport_data();
    void streamedReportsMatchTheWholeReport();
};

void TestValueChecks::checks_data()
{
    QTest::addColumn<QString>("check");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("language");
    // Empty: no finding; otherwise a part of the finding's message.
    QTest::addColumn<QString>("message");

    const QString arabic = u"Arabic (Egypt)"_s;
    QTest::newRow("numbers: 30 became 3") << u"numbers"_s << u"Retry in 30 seconds"_s << u"Erneut in 3 Sekunden"_s
                                          << German << u"the reference's 30 is not"_s;
    QTest::newRow("numbers: kept") << u"numbers"_s << u"Retry in 30 seconds"_s << u"In 30 Sekunden erneut"_s << German
                                   << QString();
    QTest::newRow("numbers: a multiset") << u"numbers"_s << u"30 of 30 done"_s << u"30 von 3 fertig"_s << German
                                         << u"30"_s;
    QTest::newRow("numbers: grouping either way") << u"numbers"_s << u"1,000 files"_s << u"1.000 Dateien"_s << German
                                                  << QString();
    QTest::newRow("numbers: French grouping space") << u"numbers"_s << u"1,000,000 files"_s
                                                    << u"1\u202f000\u202f000 fichiers"_s << French << QString();
    QTest::newRow("numbers: decimal comma") << u"numbers"_s << u"1.5 MB"_s << u"1,5 MB"_s << German << QString();
    QTest::newRow("numbers: 2.0 is not 2") << u"numbers"_s << u"Version 2.0"_s << u"Version 2"_s << German << u"2.0"_s;
    QTest::newRow("numbers: Arabic-Indic digits") << u"numbers"_s << u"Step 3 of 12"_s << u"الخطوة ٣ من ١٢"_s << arabic
                                                  << QString();
    QTest::newRow("numbers: Devanagari digits") << u"numbers"_s << u"Step 3"_s << u"चरण ३"_s << u"Hindi (India)"_s
                                                << QString();
    QTest::newRow("numbers: full-width digits") << u"numbers"_s << u"Step 3"_s << u"第３步"_s << u"Chinese (PRC)"_s
                                                << QString();
    QTest::newRow("numbers: wrong native digit") << u"numbers"_s << u"Step 3"_s << u"الخطوة ٤"_s << arabic << u"3"_s;
    QTest::newRow("numbers: leading zero") << u"numbers"_s << u"Channel 05"_s << u"Kanal 5"_s << German << QString();
    QTest::newRow("numbers: placeholders are none") << u"numbers"_s << u"{0} of %1 and %2$s"_s << u"{0} von"_s
                                                    << German << QString();
    // Where the digits stand as the reference writes them but belong to something else.
    QTest::newRow("numbers: part of a longer number") << u"numbers"_s << u"Retry in 30 seconds"_s
                                                      << u"Erneut in 300 Sekunden"_s << German << u"30"_s;
    QTest::newRow("numbers: a decimal follows") << u"numbers"_s << u"30 items"_s << u"30,5 Elemente"_s << German
                                                << u"30"_s;
    QTest::newRow("numbers: grouping before") << u"numbers"_s << u"500 items"_s << u"1.500 Elemente"_s << German
                                              << u"500"_s;
    QTest::newRow("numbers: grouped in the value") << u"numbers"_s << u"1000 files"_s << u"1.000 Dateien"_s << German
                                                   << QString();
    QTest::newRow("numbers: inside a placeholder") << u"numbers"_s << u"Step 1 of %2"_s << u"Schritt %1 von %2"_s
                                                   << German << u"1"_s;
    QTest::newRow("numbers: inside braces") << u"numbers"_s << u"Item 0"_s << u"Element {0}"_s << German << u"0"_s;
    QTest::newRow("numbers: after a backslash") << u"numbers"_s << u"Line 5"_s << u"Zeile \\5"_s << German << u"5"_s;
    QTest::newRow("numbers: a native digit beside") << u"numbers"_s << u"3 files"_s << u"3٤ Dateien"_s << German
                                                    << u"3"_s;
    QTest::newRow("numbers: two kept") << u"numbers"_s << u"Page 2 of 10"_s << u"Seite 2 von 10"_s << German
                                       << QString();
    QTest::newRow("numbers: one of two lost") << u"numbers"_s << u"Page 2 of 10"_s << u"Seite 2 von 1"_s << German
                                              << u"10"_s;
    QTest::newRow("numbers: a zero as written") << u"numbers"_s << u"Channel 05"_s << u"Kanal 05"_s << German
                                                << QString();
    QTest::newRow("numbers: written apart") << u"numbers"_s << u"Page 10"_s << u"Seite 1 0"_s << German << u"10"_s;
    QTest::newRow("numbers: more in the value") << u"numbers"_s << u"Close"_s << u"Schließen 2"_s << German << QString();

    QTest::newRow("repeated-word: sie sie") << u"repeated-word"_s << u"Open it now"_s << u"Öffnen Sie sie sie jetzt"_s
                                            << German << u"\"sie\""_s;
    QTest::newRow("repeated-word: across a line, other case")
        << u"repeated-word"_s << u"Save the file\\nnow"_s << u"Datei\\ndatei speichern"_s << German << u"datei"_s;
    QTest::newRow("repeated-word: vous vous") << u"repeated-word"_s << u"You log in"_s << u"Vous vous connectez"_s
                                              << French << QString();
    QTest::newRow("repeated-word: the reference repeats") << u"repeated-word"_s << u"Bye bye"_s
                                                          << u"Tschüss tschüss"_s << German << QString();
    QTest::newRow("repeated-word: a comma between") << u"repeated-word"_s << u"No"_s << u"Nein, nein"_s << German
                                                    << QString();
    QTest::newRow("repeated-word: after a twin that is no word") << u"repeated-word"_s << u"No"_s
                                                                 << u"ja! ja! ja"_s << German << QString();
    QTest::newRow("repeated-word: the second of three") << u"repeated-word"_s << u"Open"_s << u"Datei Ordner ordner"_s
                                                        << German << u"\"ordner\""_s;
    QTest::newRow("repeated-word: numbers are no words") << u"repeated-word"_s << u"Page 1 1"_s << u"Seite 1 1"_s
                                                         << German << QString();

    QTest::newRow("double-space: inside") << u"double-space"_s << u"Save file"_s << u"Datei  speichern"_s << German
                                          << u"two spaces"_s;
    QTest::newRow("double-space: the reference has one") << u"double-space"_s << u"Save  file"_s
                                                         << u"Datei  speichern"_s << German << QString();
    QTest::newRow("double-space: beside a repeated word") << u"double-space"_s << u"Save file"_s
                                                          << u"Datei datei  speichern"_s << German << u"two spaces"_s;
    QTest::newRow("double-space: the reference repeats a word") << u"double-space"_s << u"Bye bye"_s
                                                                << u"Tschüss  tschüss"_s << German << u"two spaces"_s;
    QTest::newRow("double-space: after a line escape") << u"double-space"_s << u"Save\\nfile"_s
                                                       << u"Datei\\n  speichern"_s << German << u"two spaces"_s;
    QTest::newRow("double-space: at the end") << u"double-space"_s << u"Save "_s << u"Speichern  "_s << German
                                              << QString();

    QTest::newRow("urls: changed") << u"urls"_s << u"See https://example.com/help."_s
                                   << u"Siehe https://example.com/hilfe."_s << German << u"https://example.com/help"_s;
    QTest::newRow("urls: kept") << u"urls"_s << u"See https://example.com/help."_s
                                << u"Siehe https://example.com/help (Englisch)."_s << German << QString();
    QTest::newRow("urls: www") << u"urls"_s << u"Visit www.example.com today"_s << u"Besuchen Sie www.example.de"_s
                               << German << u"www.example.com"_s;
    QTest::newRow("urls: e-mail kept") << u"urls"_s << u"Mail support@example.com."_s
                                       << u"E-Mail an support@example.com."_s << German << QString();
    QTest::newRow("urls: e-mail changed") << u"urls"_s << u"Mail support@example.com"_s
                                          << u"E-Mail an hilfe@example.com"_s << German << u"support@example.com"_s;

    QTest::newRow("tags: kept") << u"tags"_s << u"<b>Bold</b> text"_s << u"<b>Fett</b>er Text"_s << German << QString();
    QTest::newRow("tags: a lost </b>") << u"tags"_s << u"<b>Bold</b> text"_s << u"<b>Fetter Text"_s << German
                                       << u"</b>: the reference has it once, the value never"_s;
    QTest::newRow("tags: badly nested") << u"tags"_s << u"<b><i>x</i></b>"_s << u"<b><i>x</b></i>"_s << German
                                        << u"not well nested: </b> closes <i>"_s;
    QTest::newRow("tags: empty element") << u"tags"_s << u"Line<br/>two"_s << u"Zeile<br/>zwei"_s << German
                                         << QString();
    QTest::newRow("tags: attributes") << u"tags"_s << u"<a href=\"https://x.org\">link</a>"_s
                                      << u"<a href=\"https://x.org\">Verweis</a>"_s << German << QString();
    QTest::newRow("tags: a word in brackets") << u"tags"_s << u"<none>"_s << u"<keine>"_s << German << QString();
    QTest::newRow("tags: added") << u"tags"_s << u"Bold"_s << u"<b>Fett</b>"_s << German << u"<b>"_s;
}

void TestValueChecks::checks()
{
    QFETCH(QString, check);
    QFETCH(QString, reference);
    QFETCH(QString, value);
    QFETCH(QString, language);
    QFETCH(QString, message);
    const QStringList messages = found(check, value, reference, language);
    if (message.isEmpty()) {
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join(u'\n')));
    } else {
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].contains(message), qPrintable(messages[0]));
    }
    // The master gets none of them: its own texts have their own checks.
    QVERIFY(found(check, value, reference, u"English (United States)"_s, true).isEmpty());
}

void TestValueChecks::spellingWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("accelerator and placeholder") << u"&Open %d files"_s << QStringList{u"Open"_s, u"files"_s};
    QTest::newRow("links and tags") << u"See <b>www.example.com</b> or mail a@b.org"_s
                                    << QStringList{u"See"_s, u"or"_s, u"mail"_s};
    QTest::newRow("ALLCAPS, digits, braces") << u"USB drive 2x {0} Win32"_s << QStringList{u"drive"_s};
    QTest::newRow("apostrophe and hyphen") << u"l'écran E-Mail"_s << QStringList{u"l'écran"_s, u"E-Mail"_s};
    QTest::newRow("escape") << u"Line\\nTwo"_s << QStringList{u"Line"_s, u"Two"_s};
}

void TestValueChecks::spellingWords()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(Glossa::spellingWords(text), words);
}

namespace {

// Five languages; IDS_FILES (the second attribute: the first takes the brace rule) loses its %d in three of them, IDS_OPEN in two.
QString makeWidespreadProduct(const QString &root)
{
    QDir().mkpath(root + u"/language"_s);
    writeBytes(root + u"/language/English (United States).ini"_s,
               utf16le(u"[text]\r\nIDS_TITLE=\"Title\"\r\nIDS_FILES=\"%d files\"\r\nIDS_OPEN=\"Open %s\"\r\nIDS_COPY=\"Copy %s to %s\"\r\n"_s));
    QString index = u"[languages]\r\n0x0409=English (United States)\r\n"_s;
    const QList<std::pair<QString, QString>> languages = {
        {u"0x0407"_s, u"German (Germany)"_s}, {u"0x040c"_s, u"French (France)"_s},
        {u"0x0410"_s, u"Italian (Italy)"_s},  {u"0x0413"_s, u"Dutch (Netherlands)"_s}};
    for (int i = 0; i < languages.size(); ++i) {
        index += languages[i].first + u'=' + languages[i].second + u"\r\n"_s;
        const QString files = i < 3 ? u"Dateien"_s : u"%d Dateien"_s;
        const QString open = i < 2 ? u"Auf"_s : u"Auf %s"_s;
        writeBytes(root + u"/language/"_s + languages[i].second + u".ini"_s,
                   utf16le(u"[text]\r\nIDS_TITLE=\"Titel\"\r\nIDS_FILES=\""_s + files + u"\"\r\nIDS_OPEN=\""_s + open
                           + u"\"\r\nIDS_COPY=\"%s nach %s\"\r\n"_s));
    }
    writeBytes(root + u"/language/LanguageIndex.ini"_s, utf16le(index));
    return root;
}

} // namespace

void TestValueChecks::widespreadErrorsPointAtTheMaster()
{
    QTemporaryDir dir;
    CheckEngine engine;
    QVERIFY(engine.open(makeWidespreadProduct(dir.path())));
    const ProductReport whole = engine.run({});
    QStringList master;
    for (const LanguageReport &language : whole.languages)
        if (language.isMaster)
            for (const Finding &f : language.findings)
                master.append(u"%1:%2:%3"_s.arg(f.check).arg(f.line).arg(f.key));
    // Three languages at fault is the English's; two is not; the master's own %s %s is reported once.
    QCOMPARE(master, QStringList({u"source-widespread:3:IDS_FILES"_s, u"source-placeholders:5:IDS_COPY"_s}));

    // Streaming gives them after every language, the same findings.
    QStringList streamed;
    const ProductReport frame = engine.stream({}, [&](const LanguageReport &language) { streamed.append(language.name); });
    QCOMPARE(streamed.size(), 5);
    QCOMPARE(frame.lateFindings.size(), size_t(1));
    QCOMPARE(frame.lateFindings[0].key, u"IDS_FILES"_s);
    QVERIFY(frame.lateFindings[0].message.contains(u"3 languages"_s));

    CheckOptions without;
    without.ignore = {u"source-widespread"_s};
    QVERIFY(engine.stream(without, {}).lateFindings.empty());
}

void TestValueChecks::streamedReportsMatchTheWholeReport_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("jobs");
    for (const QString &name : checkFormatNames())
        for (int jobs : {1, 3})
            QTest::newRow(qPrintable(u"%1, %2 jobs"_s.arg(name).arg(jobs))) << int(*checkFormatFromName(name)) << jobs;
}

void TestValueChecks::streamedReportsMatchTheWholeReport()
{
    // What glossa check writes as the languages arrive is what the whole report in memory gives.
    QFETCH(int, format);
    QFETCH(int, jobs);
    QTemporaryDir dir;
    CheckEngine engine;
    QVERIFY(engine.open(makeWidespreadProduct(dir.path())));
    CheckOptions options;
    options.jobs = jobs;
    ReportOptions reportOptions; // the checks that ran, as glossa check names them
    for (const CheckInfo &check : allChecks())
        if (options.wants(check.id) && check.id != u"reference-changed")
            reportOptions.checks.append(check.id);
    const QByteArray whole = formatCheckReport(engine.run(options), CheckFormat(format), reportOptions);

    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    CheckReportWriter writer(&out, CheckFormat(format), reportOptions); // the spool in a temporary file, as the command has it
    ProductReport frame;
    frame.product = engine.productDirectory();
    frame.master = u"English (United States)"_s;
    frame.attributes = int(engine.attributeNames().size());
    frame.productFindings = engine.indexFindings();
    QVERIFY(writer.begin(frame));
    const ProductReport done = engine.stream(options, [&](const LanguageReport &language) { QVERIFY(writer.addLanguage(language)); });
    QVERIFY(writer.finish(done.cancelled, done.lateFindings));
    QCOMPARE(bytes, whole);
    QCOMPARE(writer.count(FindingSeverity::Error), 5); // three lost %d, two lost %s
}

QTEST_GUILESS_MAIN(TestValueChecks)
#include "tst_valuechecks.moc"
