#include "TestSupport.h"

#include "checks/CheckEngine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>

using namespace Glossa;
using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

const QString German = u"German (Germany)"_s;
const QString French = u"French (France)"_s;

// The checks a value gets, as "id" words in order.
QStringList checksOf(const QString &value, const QString &reference, int index = 1, const QString &language = German)
{
    QStringList ids;
    for (const Finding &finding : checkValue(value, reference, index, language, false))
        ids.append(finding.check);
    return ids;
}

void makeProduct(const QString &root, const QString &master, const QMap<QString, QByteArray> &languages,
                 const QString &index = {})
{
    QDir().mkpath(root + u"/language"_s);
    writeBytes(root + u"/language/English (United States).ini"_s, utf16le(master));
    QString indexText = index;
    if (indexText.isNull()) {
        indexText = u"[languages]\r\n0x0409=English (United States)\r\n"_s;
        if (languages.contains(German))
            indexText += u"0x0407=German (Germany)\r\n"_s;
        if (languages.contains(French))
            indexText += u"0x040c=French (France)\r\n"_s;
    }
    writeBytes(root + u"/language/LanguageIndex.ini"_s, utf16le(indexText));
    for (auto it = languages.cbegin(); it != languages.cend(); ++it)
        writeBytes(root + u"/language/"_s + it.key() + u".ini"_s, it.value());
}

const LanguageReport *languageIn(const ProductReport &report, const QString &name)
{
    for (const LanguageReport &language : report.languages)
        if (language.name == name)
            return &language;
    return nullptr;
}

QStringList findingsOf(const LanguageReport &report)
{
    QStringList out;
    for (const Finding &f : report.findings)
        out.append(u"%1:%2:%3"_s.arg(f.check).arg(f.line).arg(f.key));
    return out;
}

const QString Master = u"[text]\r\nIDS_TITLE=\"Title {0}\"\r\nIDS_FILES=\"%d files\"\r\nIDS_OPEN=\"Open\"\r\n"
                       u"IDS_SAVE=\"Save:\"\r\nIDS_CLOSE=\"Close\"\r\nIDS_SHUT=\"Close\"\r\n"_s;

} // namespace

class TestCheckEngine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checkTableFollowsItsEnum();
    void valueText_data();
    void valueText();
    void valueChecks_data();
    void valueChecks();
    void placeholderMessageCountsEach();
    void languageFileFindings();
    void aQuotedKeyIsNamed();
    void inconsistentTranslationsOfOneText();
    void inconsistentLeavesFormsAndFormats();
    void countsAddUp();
    void productProblems_data();
    void productProblems();
    void encodings_data();
    void encodings();
    void indexDryRunWritesNothing();
    void parallelRunMatchesSerial();
    void cancelStopsEarly();
    void staleKeysBecomeFindings();
};

void TestCheckEngine::valueText_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("blank");
    QTest::newRow("empty") << u""_s << u""_s << true;
    QTest::newRow("empty quotes") << u"\"\""_s << u""_s << true;
    QTest::newRow("quoted space") << u"\" \""_s << u" "_s << true;
    QTest::newRow("lone quote") << u"\""_s << u"\""_s << false;
    QTest::newRow("one pair only") << u"\"\"a\"\""_s << u"\"a\""_s << false;
    QTest::newRow("no-break space is text") << u"\"\u00a0\""_s << u"\u00a0"_s << false;
}

void TestCheckEngine::valueText()
{
    QFETCH(QString, value);
    QFETCH(QString, text);
    QFETCH(bool, blank);
    QCOMPARE(Glossa::valueText(value).toString(), text);
    QCOMPARE(isBlankValue(value), blank);
}

void TestCheckEngine::valueChecks_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("checks");
    const QStringList none;
    QTest::newRow("good") << u"\"%d Dateien\""_s << u"\"%d files\""_s << 1 << German << none;
    QTest::newRow("lost %d") << u"\"Dateien\""_s << u"\"%d files\""_s << 1 << German << QStringList{u"placeholders"_s};
    QTest::newRow("blank gets nothing") << u"\"\""_s << u"\"%d files\""_s << 1 << German << none;
    QTest::newRow("brace on percent attribute warns")
        << u"\"{1} Dateien\""_s << u"\"{0} files\""_s << 1 << German << QStringList{u"braces"_s};
    QTest::newRow("brace on first attribute is an error")
        << u"\"{1} Titel\""_s << u"\"{0} Title\""_s << 0 << German << QStringList{u"placeholders"_s};
    QTest::newRow("percent on first attribute warns")
        << u"\"Titel\\n\""_s << u"\"Title\""_s << 0 << German << QStringList{u"braces"_s};
    QTest::newRow("odd quotes") << u"\"Sag \"hallo\""_s << u"\"Say\""_s << 1 << German << QStringList{u"odd-quotes"_s};
    QTest::newRow("leading blank") << u"\" Öffnen\""_s << u"\"Open\""_s << 1 << German << QStringList{u"whitespace"_s};
    QTest::newRow("trailing blank kept") << u"\"Öffnen \""_s << u"\"Open \""_s << 1 << German << none;
    QTest::newRow("lost colon") << u"\"Speichern\""_s << u"\"Save:\""_s << 1 << German << QStringList{u"end-punctuation"_s};
    QTest::newRow("added stop") << u"\"Datei speichern.\""_s << u"\"Save file\""_s << 1 << German << QStringList{u"end-punctuation"_s};
    QTest::newRow("ellipsis either way") << u"\"Öffnen…\""_s << u"\"Open...\""_s << 1 << German << none;
    QTest::newRow("two dots are a stop") << u"\"Öffnen..\""_s << u"\"Open.\""_s << 1 << German << none;
    QTest::newRow("two dots are no ellipsis")
        << u"\"Öffnen..\""_s << u"\"Open...\""_s << 1 << German << QStringList{u"end-punctuation"_s};
    QTest::newRow("full-width colon in Chinese") << u"\"保存：\""_s << u"\"Save:\""_s << 1 << u"Chinese (PRC)"_s << none;
    QTest::newRow("full-width colon elsewhere")
        << u"\"Speichern：\""_s << u"\"Save:\""_s << 1 << German << QStringList{u"end-punctuation"_s};
    QTest::newRow("Greek question mark") << u"\"Αποθήκευση;\""_s << u"\"Save?\""_s << 1 << u"Greek (Greece)"_s << none;
    QTest::newRow("Arabic question mark") << u"\"حفظ؟\""_s << u"\"Save?\""_s << 1 << u"Arabic (Egypt)"_s << none;
    QTest::newRow("unchanged with letters") << u"\"OK\""_s << u"\"OK\""_s << 1 << German << QStringList{u"unchanged"_s};
    QTest::newRow("unchanged without letters") << u"\"%d %%\""_s << u"\"%d %%\""_s << 1 << German << none;
}

void TestCheckEngine::valueChecks()
{
    QFETCH(QString, value);
    QFETCH(QString, reference);
    QFETCH(int, index);
    QFETCH(QString, language);
    QFETCH(QStringList, checks);
    QCOMPARE(checksOf(value, reference, index, language), checks);
    // The master takes none of the reference checks.
    for (const Finding &finding : checkValue(value, reference, index, u"English (United States)"_s, true))
        QCOMPARE(finding.check, u"odd-quotes"_s);
}

void TestCheckEngine::placeholderMessageCountsEach()
{
    QCOMPARE(placeholderMessage(u"\"Dateien\"", u"\"%d files\"", 1), u"%d: the reference has it once, the value never"_s);
    QCOMPARE(placeholderMessage(u"\"%s %s %s\"", u"\"%d %s %s\"", 1),
             u"%d: the reference has it once, the value never; %s: the reference has it twice, the value 3 times"_s);
    QCOMPARE(placeholderMessage(u"\"%d\"", u"\"%d\"", 1), QString());
}

// A key written in quotes is another key to the product: the finding says so.
void TestCheckEngine::aQuotedKeyIsNamed()
{
    QTemporaryDir dir;
    makeProduct(dir.path(), Master, {{German, utf16le(u"[text]\r\n\"IDS_OPEN\"=\"Öffnen\"\r\n"_s)}});
    CheckEngine engine;
    QVERIFY2(engine.open(dir.path()), qPrintable(engine.error()));
    const LanguageReport report = engine.checkLanguage(German);
    QCOMPARE(report.redundant, 1);
    const auto quoted = std::find_if(report.findings.begin(), report.findings.end(),
                                     [](const Finding &f) { return f.check == u"redundant-key"; });
    QVERIFY(quoted != report.findings.end());
    QCOMPARE(quoted->key, u"\"IDS_OPEN\""_s);
    QVERIFY2(quoted->message.contains(u"it is IDS_OPEN written in quotes, which the product reads as another key"_s),
             qPrintable(quoted->message));
}

void TestCheckEngine::languageFileFindings()
{
    QTemporaryDir dir;
    const QString german = u"[text]\r\nIDS_TITLE=\"Titel {0}\"\r\nIDS_FILES=\"Dateien\"\r\nids_open=\"Öffnen\"\r\n"
                           u"IDS_SAVE=\r\nIDS_FILES=\"%d Dateien\"\r\nIDS_OLD=\"Alt\"\r\nIDS_OLD=\"Alt2\"\r\n"
                           u"IDS_CLOSE=\"Schließen\"\r\nIDS_SHUT=\"Zumachen\"\r\n[text]\r\nIDS_OPEN=\"Zweite\"\r\n"_s;
    makeProduct(dir.path(), Master, {{German, utf16le(german)}});
    CheckEngine engine;
    QVERIFY2(engine.open(dir.path()), qPrintable(engine.error()));
    const LanguageReport report = engine.checkLanguage(German);
    // The first [text] section is the only one read; the first line of a key wins.
    QCOMPARE(findingsOf(report), QStringList({u"missing-key:0:IDS_OPEN"_s, u"placeholders:3:IDS_FILES"_s,
                                              u"redundant-key:4:ids_open"_s, u"blank:5:IDS_SAVE"_s,
                                              u"duplicate-key:6:IDS_FILES"_s, u"redundant-key:7:IDS_OLD"_s,
                                              u"duplicate-key:8:IDS_OLD"_s, u"inconsistent:10:IDS_SHUT"_s}));
    QVERIFY(report.findings[2].message.contains(u"only in letter case"_s));
    QVERIFY(report.findings[2].message.contains(u"IDS_OPEN"_s));
    QVERIFY(!report.findings[5].message.contains(u"letter case"_s));
    QVERIFY(report.findings[7].message.contains(u"IDS_CLOSE"_s));
    QCOMPARE(report.redundant, 2);
    QCOMPARE(report.translated, 4);
    QCOMPARE(report.blank, 1);
    QCOMPARE(report.missing, 1);
}

namespace {

// The inconsistent check's findings for German in a product of these two files.
LanguageReport inconsistentIn(const QString &directory, const QString &master, const QString &german)
{
    makeProduct(directory, master, {{German, utf16le(german)}});
    CheckEngine engine;
    if (!engine.open(directory))
        return {};
    CheckOptions options;
    options.only = {u"inconsistent"_s};
    return engine.checkLanguage(German, options);
}

} // namespace

void TestCheckEngine::inconsistentTranslationsOfOneText()
{
    // Two English texts, each under several keys, and a repeated key: a
    // translation is compared with the first translated attribute of its text.
    QTemporaryDir dir;
    const QString master = u"[text]\r\nK1=\"Open\"\r\nK2=\" Open\"\r\nK3=\"Close\"\r\nK4=\"Open\"\r\n"
                           u"K5=\"Close\"\r\nK2=\"Open\"\r\nK6=\"Open\"\r\n"_s;
    const QString german = u"[text]\r\nK1=\r\nK2=\" Öffnen\"\r\nK3=\"Schließen\"\r\nK4=\"Aufmachen\"\r\n"
                           u"K5=\"Schließen\"\r\nK6=\"Öffnen\"\r\n"_s;
    const LanguageReport report = inconsistentIn(dir.path(), master, german);
    // K1 is blank, so K2 (its trimmed text is "Open" too) is the first translation of "Open";
    // K6 differs from it only in the blank that K2's English has too.
    QCOMPARE(findingsOf(report), QStringList({u"inconsistent:5:K4"_s}));
    // Both translations are named, so the finding can be judged without opening the file.
    QCOMPARE(report.findings[0].message,
             u"\"Open\" is translated differently under K2: \"Aufmachen\" here, \" Öffnen\" there"_s);
}

void TestCheckEngine::inconsistentLeavesFormsAndFormats()
{
    // Two forms of one word, and an English of placeholders alone that each place
    // punctuates its own way, are no inconsistency; two words are.
    QTemporaryDir dir;
    // One English word may be a noun in one place and a verb in another: two words of
    // one root are its two translations; an English of two words has one wording.
    const QString master = u"[text]\r\nK1=\"%s, %s\"\r\nK2=\"%s, %s\"\r\nK3=\"Reset\"\r\nK4=\"Reset\"\r\n"
                           u"K5=\"Open\"\r\nK6=\"Open\"\r\nK7=\"Search\"\r\nK8=\"Search\"\r\n"
                           u"K9=\"Search files\"\r\nK10=\"Search files\"\r\n"_s;
    const QString german = u"[text]\r\nK1=\"%s, %s\"\r\nK2=\"%s; %s\"\r\nK3=\"Zurücksetzen\"\r\n"
                           u"K4=\"Zurücksetzung\"\r\nK5=\"Öffnen\"\r\nK6=\"Aufmachen\"\r\n"
                           u"K7=\"Suche\"\r\nK8=\"Durchsuchen\"\r\nK9=\"Dateisuche\"\r\nK10=\"Dateien durchsuchen\"\r\n"_s;
    QCOMPARE(findingsOf(inconsistentIn(dir.path(), master, german)),
             QStringList({u"inconsistent:7:K6"_s, u"inconsistent:11:K10"_s}));
}

void TestCheckEngine::countsAddUp()
{
    QTemporaryDir dir;
    makeProduct(dir.path(), Master, {{French, utf16le(u"[text]\r\nIDS_OPEN=\"Ouvrir\"\r\nIDS_SAVE=\" \"\r\n"_s)}});
    CheckEngine engine;
    QVERIFY(engine.open(dir.path()));
    const ProductReport report = engine.run({});
    QCOMPARE(report.attributes, 6);
    QCOMPARE(report.languages.size(), size_t(2));
    QCOMPARE(report.languages[0].name, u"English (United States)"_s); // catalogue order: English before French
    QVERIFY(report.languages[0].isMaster);
    for (const LanguageReport &language : report.languages) {
        QCOMPARE(language.translated + language.blank + language.missing, language.attributes);
        int errors = 0, warnings = 0, infos = 0;
        for (const Finding &f : language.findings)
            (f.severity == FindingSeverity::Error ? errors : f.severity == FindingSeverity::Warning ? warnings : infos)++;
        QCOMPARE(language.errors, errors);
        QCOMPARE(language.warnings, warnings);
        QCOMPARE(language.infos, infos);
    }
    const LanguageReport *french = languageIn(report, French);
    QVERIFY(french);
    QCOMPARE(french->translated, 1);
    QCOMPARE(french->blank, 1);
    QCOMPARE(french->missing, 4);
    QCOMPARE(french->code, u"0x040c"_s);
    QCOMPARE(french->file, u"language/French (France).ini"_s);
    QCOMPARE(french->encoding, u"utf-16le"_s);
}

void TestCheckEngine::productProblems_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<bool>("opens");
    QTest::newRow("no such directory") << u"none"_s << false;
    QTest::newRow("a file, not a directory") << u"file"_s << false;
    QTest::newRow("no language directory") << u"nolang"_s << false;
    QTest::newRow("no master") << u"nomaster"_s << false;
    QTest::newRow("empty master") << u"emptymaster"_s << false;
    QTest::newRow("master is a directory") << u"masterdir"_s << false;
    QTest::newRow("binary master") << u"binarymaster"_s << false;
    QTest::newRow("index is a directory") << u"indexdir"_s << true;
}

void TestCheckEngine::productProblems()
{
    QFETCH(QString, setup);
    QFETCH(bool, opens);
    QTemporaryDir dir;
    QString product = dir.path() + u"/product"_s;
    const QString master = product + u"/language/English (United States).ini"_s;
    if (setup == u"file") {
        writeBytes(product, "x");
    } else if (setup == u"nolang") {
        QDir().mkpath(product);
    } else if (setup != u"none") {
        makeProduct(product, Master, {});
        if (setup == u"nomaster")
            QFile::remove(master);
        else if (setup == u"emptymaster")
            writeBytes(master, {});
        else if (setup == u"masterdir")
            QFile::remove(master), QDir().mkpath(master);
        else if (setup == u"binarymaster")
            writeBytes(master, QByteArray("\x7f" "ELF\x02\x01\x00\x00\xff\xfe\x00", 11).repeated(100));
        else if (setup == u"indexdir")
            QFile::remove(product + u"/language/LanguageIndex.ini"_s), QDir().mkpath(product + u"/language/LanguageIndex.ini"_s);
    }
    const auto before = snapshotTree(dir.path());
    CheckEngine engine;
    QCOMPARE(engine.open(product), opens);
    QCOMPARE(engine.error().isEmpty(), opens);
    if (opens) {
        const ProductReport report = engine.run({});
        QVERIFY(!report.productFindings.empty());
        QCOMPARE(report.productFindings.front().check, u"index"_s);
        QVERIFY(languageIn(report, u"English (United States)"_s));
    }
    QCOMPARE(snapshotTree(dir.path()), before);
}

void TestCheckEngine::encodings_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("encoding");
    QTest::addColumn<bool>("warned");
    QTest::addColumn<bool>("readable");
    const QString text = u"[text]\r\nIDS_OPEN=\"Öffnen\"\r\n"_s;
    QTest::newRow("utf-16le") << utf16le(text) << u"utf-16le"_s << false << true;
    QTest::newRow("utf-16be") << utf16be(text) << u"utf-16be"_s << false << true;
    QTest::newRow("utf-16 odd byte count") << utf16le(text) + "x" << u"utf-16le"_s << true << true;
    QTest::newRow("utf-8 ascii") << QByteArray("[text]\nIDS_OPEN=\"Open\"\n") << u"utf-8"_s << false << true;
    QTest::newRow("utf-8 non-ascii") << text.toUtf8() << u"utf-8"_s << true << true;
    QTest::newRow("utf-8 bom") << "\xEF\xBB\xBF" + QByteArray("[text]\nIDS_OPEN=1\n") << u"utf-8-bom"_s << true << true;
    QTest::newRow("utf-8 bom broken") << "\xEF\xBB\xBF" + QByteArray("[text]\nIDS_OPEN=\xff\n") << u"utf-8-bom"_s << true << true;
    QTest::newRow("legacy") << QByteArray("[text]\nIDS_OPEN=\"\xd6" "ffnen\"\n") << u"legacy-8bit"_s << true << true;
    QTest::newRow("directory") << QByteArray("<dir>") << u"missing"_s << false << false;
}

void TestCheckEngine::encodings()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, encoding);
    QFETCH(bool, warned);
    QFETCH(bool, readable);
    QTemporaryDir dir;
    makeProduct(dir.path(), Master, {{German, bytes == "<dir>" ? QByteArray() : bytes}});
    if (bytes == "<dir>") {
        QFile::remove(dir.path() + u"/language/German (Germany).ini"_s);
        QDir().mkpath(dir.path() + u"/language/German (Germany).ini"_s);
    }
    CheckEngine engine;
    QVERIFY(engine.open(dir.path()));
    const LanguageReport report = engine.checkLanguage(German);
    QCOMPARE(report.encoding, encoding);
    QCOMPARE(report.readable, readable);
    bool hasEncoding = false, hasUnreadable = false;
    for (const Finding &f : report.findings) {
        hasEncoding = hasEncoding || f.check == u"encoding";
        hasUnreadable = hasUnreadable || f.check == u"unreadable";
    }
    QCOMPARE(hasEncoding, warned);
    QCOMPARE(hasUnreadable, !readable);
    QCOMPARE(report.translated + report.blank + report.missing, report.attributes);
}

void TestCheckEngine::indexDryRunWritesNothing()
{
    QTemporaryDir dir;
    // French has a file but no index line; Japanese has a web directory only.
    makeProduct(dir.path(), Master, {{French, utf16le(u"[text]\r\n"_s)}},
                u"[languages]\r\n0x0409=English (United States)\r\n[xmllanguages]\r\n0x0409=en-us\r\n"_s);
    QDir().mkpath(dir.path() + u"/Web/LanguageInfo/Japanese_Japan"_s);
    const auto before = snapshotTree(dir.path());
    CheckEngine engine;
    QVERIFY(engine.open(dir.path()));
    QCOMPARE(engine.presentLanguages(), QStringList({u"English (United States)"_s, u"French (France)"_s, u"Japanese (Japan)"_s}));
    QCOMPARE(engine.resolveLanguage(u"0x040C"_s), French);
    QCOMPARE(engine.resolveLanguage(u"German (Germany)"_s), QString());
    const ProductReport report = engine.run({});
    QStringList messages;
    for (const Finding &f : report.productFindings)
        messages.append(f.message);
    QVERIFY2(messages.join(u'\n').contains(u"0x040c=French (France)"_s), qPrintable(messages.join(u'\n')));
    QVERIFY(messages.join(u'\n').contains(u"\"Japanese (Japan).ini\" would be created"_s));
    // The indexed language without a file: every attribute missing.
    const LanguageReport *japanese = languageIn(report, u"Japanese (Japan)"_s);
    QVERIFY(japanese);
    QCOMPARE(japanese->encoding, u"missing"_s);
    QCOMPARE(japanese->missing, 6);
    QCOMPARE(snapshotTree(dir.path()), before);
}

void TestCheckEngine::parallelRunMatchesSerial()
{
    QTemporaryDir dir;
    QMap<QString, QByteArray> languages;
    languages.insert(German, utf16le(u"[text]\r\nIDS_FILES=\"Dateien\"\r\n"_s));
    languages.insert(French, QByteArray("[text]\nIDS_OPEN=\"Ouvrir\"\nIDS_X=1\n"));
    makeProduct(dir.path(), Master, languages);
    CheckEngine engine;
    QVERIFY(engine.open(dir.path()));
    CheckOptions serial;
    serial.jobs = 1;
    CheckOptions parallel;
    parallel.jobs = 4;
    std::atomic_int calls = 0;
    const ProductReport a = engine.run(serial);
    const ProductReport b = engine.run(parallel, [&](int done, int total) {
        ++calls;
        QVERIFY(done <= total);
    });
    QCOMPARE(calls.load(), 3);
    QCOMPARE(a.languages.size(), b.languages.size());
    for (size_t i = 0; i < a.languages.size(); ++i) {
        QCOMPARE(a.languages[i].name, b.languages[i].name);
        QCOMPARE(findingsOf(a.languages[i]), findingsOf(b.languages[i]));
    }
    CheckOptions onlyOne;
    onlyOne.languages = {French};
    onlyOne.only = {u"redundant-key"_s};
    const ProductReport c = engine.run(onlyOne);
    QCOMPARE(c.languages.size(), size_t(1));
    QCOMPARE(findingsOf(c.languages[0]), QStringList{u"redundant-key:3:IDS_X"_s});
    QVERIFY(c.productFindings.empty());
}

void TestCheckEngine::cancelStopsEarly()
{
    QTemporaryDir dir;
    makeProduct(dir.path(), Master, {{German, utf16le(u"[text]\r\n"_s)}});
    CheckEngine engine;
    QVERIFY(engine.open(dir.path()));
    std::atomic_bool cancel = true;
    const ProductReport report = engine.run({}, {}, &cancel);
    QVERIFY(report.cancelled);
    QVERIFY(report.languages.empty());
}

void TestCheckEngine::staleKeysBecomeFindings()
{
    QTemporaryDir dir;
    makeProduct(dir.path(), Master, {{German, utf16le(u"[text]\r\nIDS_OPEN=\"Öffnen\"\r\nIDS_SAVE=\r\n"_s)}});
    CheckEngine engine;
    QVERIFY(engine.open(dir.path()));
    CheckOptions options;
    options.only = {u"reference-changed"_s};
    options.staleKeys.insert(German, {u"IDS_OPEN"_s, u"IDS_SAVE"_s});
    // A blank value is untranslated, not stale.
    QCOMPARE(findingsOf(engine.checkLanguage(German, options)), QStringList{u"reference-changed:2:IDS_OPEN"_s});
}

void TestCheckEngine::checkTableFollowsItsEnum()
{
    // The engine names a check by its enum and takes id and severity from the table's row.
    const std::vector<CheckInfo> &checks = allChecks();
    for (size_t i = 0; i < checks.size(); ++i) {
        QCOMPARE(int(checks[i].check), int(i));
        QCOMPARE(checkInfo(checks[i].check).id, checks[i].id);
    }
    QCOMPARE(checkInfo(Check::ReferenceChanged).id, u"reference-changed"_s);
    QCOMPARE(int(checks.size()), int(Check::ReferenceChanged) + 1);
}

QTEST_GUILESS_MAIN(TestCheckEngine)
#include "tst_checkengine.moc"
