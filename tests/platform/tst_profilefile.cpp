#include "TestSupport.h"

#include "platform/ProfileFile.h"
#include "platform/ProfileLine.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <csignal>

using namespace Glossa;
using namespace TestSupport;
using namespace Qt::StringLiterals;

namespace {

QByteArray encode(const QString &text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf16LE:
        return utf16le(text);
    case TextEncoding::Utf16BE:
        return utf16be(text);
    case TextEncoding::Utf8:
        return text.toUtf8();
    case TextEncoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    case TextEncoding::Legacy8Bit:
        return text.toLatin1();
    }
    return {};
}

} // namespace

class TestProfileFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString path(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void splitting_data();
    void splitting();
    void roundTripKeepsEncodingAndUntouchedLines_data();
    void roundTripKeepsEncodingAndUntouchedLines();
    void sectionsCaseBlindKeysExact();
    void newKeysAndSections();
    void duplicatesFirstWins();
    void keysDeletedAgainLeaveNoSection();
    void blankLinesSurviveNextToLoneCr_data();
    void blankLinesSurviveNextToLoneCr();
    void refusesWhatCannotReadBack_data();
    void refusesWhatCannotReadBack();
    void legacyFileConvertedRatherThanDamaged();
    void unpairedSurrogateConvertsRatherThanDamages();
    void newFilesNeverGetUtf8Bom();
    void badInputIsReadWithoutLoss_data();
    void badInputIsReadWithoutLoss();
    void undecodableFilesAreNamedAndNeverWritten_data();
    void undecodableFilesAreNamedAndNeverWritten();
    void leftoversOfInterruptedSaves();
    void brokenEndReadsAsItWillReadBack_data();
    void brokenEndReadsAsItWillReadBack();
    void secondByteOrderMarkIsText_data();
    void secondByteOrderMarkIsText();
    void failedWritesLeaveTheOldFileWhole();
    void permissionsAreKept();
    void profileCalls();
};

void TestProfileFile::splitting_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("entry");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");

    QTest::newRow("plain") << "IDS_OPEN=\"Open\"" << true << "IDS_OPEN" << "\"Open\"";
    QTest::newRow("trimmed") << "  \tkey \t=  value \f" << true << "key" << "value";
    QTest::newRow("last equals") << "a=b=c" << true << "a=b" << "c";
    QTest::newRow("quoted equals") << "Brightness=\"Level = %d\"" << true << "Brightness" << "\"Level = %d\"";
    QTest::newRow("quoted equals, blanks") << "B = \"x=y\"" << true << "B" << "\"x=y\"";
    QTest::newRow("key with equals, quoted value") << "a=b=\"c\"" << true << "a=b" << "\"c\"";
    QTest::newRow("lone quote") << "k=\"" << true << "k" << "\"";
    QTest::newRow("unquoted keeps last") << "k=\"a\"=b" << true << "k=\"a\"" << "b";
    QTest::newRow("empty value") << "k=" << true << "k" << "";
    QTest::newRow("no equals") << "just text" << false << "" << "";
    QTest::newRow("empty key") << "  = value" << true << "" << "value";
    QTest::newRow("no-break space kept") << QStringLiteral("k=Oui\u00a0") << true << "k" << QStringLiteral("Oui\u00a0");
}

void TestProfileFile::splitting()
{
    QFETCH(QString, line);
    const ProfileSplit split = splitProfileLine(line);
    QTEST(split.hasSeparator, "entry");
    QTEST(split.key, "key");
    QTEST(split.value, "value");
}

void TestProfileFile::roundTripKeepsEncodingAndUntouchedLines_data()
{
    QTest::addColumn<int>("encoding");
    QTest::addColumn<QString>("eol");
    QTest::newRow("utf16le crlf") << int(TextEncoding::Utf16LE) << "\r\n";
    QTest::newRow("utf16be lf") << int(TextEncoding::Utf16BE) << "\n";
    QTest::newRow("utf8 lf") << int(TextEncoding::Utf8) << "\n";
    QTest::newRow("utf8 bom crlf") << int(TextEncoding::Utf8Bom) << "\r\n";
    QTest::newRow("legacy cr") << int(TextEncoding::Legacy8Bit) << "\r";
}

void TestProfileFile::roundTripKeepsEncodingAndUntouchedLines()
{
    QFETCH(int, encoding);
    QFETCH(QString, eol);
    const auto enc = TextEncoding(encoding);
    const bool legacy = enc == TextEncoding::Legacy8Bit;
    // Odd spacing, comments and a value with non-ASCII text must all come back as they were.
    const QStringList lines = {
        QStringLiteral("; product strings"),
        QStringLiteral("[text]"),
        QStringLiteral("  IDS_OPEN =  \"Open\"   "),
        legacy ? QStringLiteral("IDS_CAFE=\"Caf\u00e9\"") : QStringLiteral("IDS_CAFE=\"\u5496\u5561 \u00e9\""),
        QStringLiteral(""),
        QStringLiteral("IDS_CLOSE=\"Close\""),
        QStringLiteral("; trailing comment"),
        QStringLiteral("[other]"),
        QStringLiteral("x=1"),
    };
    const QString file = path(QStringLiteral("roundtrip.ini"));
    QVERIFY(writeBytes(file, encode(lines.join(eol) + eol, enc)));

    ProfileFile profile(file);
    QVERIFY(profile.load());
    QCOMPARE(int(profile.format().encoding), encoding);
    QCOMPARE(profile.format().lineEnding, eol);
    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("IDS_CLOSE"), QStringLiteral("\"Shut\"")));
    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("IDS_NEW"), QStringLiteral("\"New\"")));
    QVERIFY(profile.commit());
    QVERIFY(profile.notice().isEmpty());

    QStringList expected = lines;
    expected[5] = QStringLiteral("IDS_CLOSE=\"Shut\"");
    expected.insert(6, QStringLiteral("IDS_NEW=\"New\""));
    QCOMPARE(readBytes(file), encode(expected.join(eol) + eol, enc));

    // And what was written reads back.
    const auto entries = GetPrivateProfileSection(QStringLiteral("TEXT"), file);
    QCOMPARE(entries.size(), 4);
    QCOMPARE(entries[0].key, QStringLiteral("IDS_OPEN"));
    QCOMPARE(entries[0].value, QStringLiteral("\"Open\""));
    QCOMPARE(entries[3].key, QStringLiteral("IDS_NEW"));
}

void TestProfileFile::sectionsCaseBlindKeysExact()
{
    const QString file = path(QStringLiteral("case.ini"));
    QVERIFY(writeBytes(file, "[Text]\nIDS_OPEN=\"Open\"\nids_open=\"old\"\n"));
    // Deleting the lower-case key must not touch the translation under the upper-case one.
    QVERIFY(WritePrivateProfileString(QStringLiteral("text"), QStringLiteral("ids_open"), std::nullopt, file));
    QCOMPARE(readBytes(file), QByteArray("[Text]\nIDS_OPEN=\"Open\"\n"));
    QVERIFY(WritePrivateProfileString(QStringLiteral("TEXT"), QStringLiteral("Ids_Open"), QStringLiteral("x"), file));
    QCOMPARE(readBytes(file), QByteArray("[Text]\nIDS_OPEN=\"Open\"\nIds_Open=x\n"));
    // Deleting a key that is not there changes nothing.
    QVERIFY(WritePrivateProfileString(QStringLiteral("text"), QStringLiteral("none"), std::nullopt, file));
    QCOMPARE(readBytes(file), QByteArray("[Text]\nIDS_OPEN=\"Open\"\nIds_Open=x\n"));
}

void TestProfileFile::newKeysAndSections()
{
    const QString file = path(QStringLiteral("place.ini"));
    // No final line break, a comment before the next section, a section with only its header.
    QVERIFY(writeBytes(file, "[a]\r\nk=1\r\nloose line\r\n\r\n; about b\r\n[b]\r\n[ c d ]\r\nz=9"));
    ProfileFile profile(file);
    QVERIFY(profile.load());
    QVERIFY(profile.setValue(QStringLiteral("a"), QStringLiteral("n"), QStringLiteral("2")));
    QVERIFY(profile.setValue(QStringLiteral("b"), QStringLiteral("m"), QStringLiteral("3")));
    QVERIFY(profile.setValue(QStringLiteral("c d"), QStringLiteral("y"), QStringLiteral("8")));
    QVERIFY(profile.setValue(QStringLiteral("new"), QStringLiteral("q"), QStringLiteral("4")));
    QVERIFY(profile.setValue(QStringLiteral("new"), QStringLiteral("r"), QStringLiteral("5")));
    QCOMPARE(profile.sectionEntries(QStringLiteral("new")).size(), 2);
    QCOMPARE(profile.sectionEntries(QStringLiteral("b")).value(0).key, QStringLiteral("m"));
    QVERIFY(profile.commit());
    QCOMPARE(readBytes(file), QByteArray("[a]\r\nk=1\r\nloose line\r\nn=2\r\n\r\n; about b\r\n[b]\r\nm=3\r\n"
                                         "[ c d ]\r\nz=9\r\ny=8\r\n[new]\r\nq=4\r\nr=5\r\n"));
}

void TestProfileFile::duplicatesFirstWins()
{
    const QString file = path(QStringLiteral("dup.ini"));
    QVERIFY(writeBytes(file, "[text]\nk=first\nk=second\n[TEXT]\nk=third\nj=1\n"));
    ProfileFile profile(file);
    QVERIFY(profile.load());
    const auto entries = profile.sectionEntries(QStringLiteral("text"));
    QCOMPARE(entries.size(), 2); // the second section is never read
    QCOMPARE(entries[0].value, QStringLiteral("first"));
    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("k"), QStringLiteral("changed")));
    profile.removeKey(QStringLiteral("text"), QStringLiteral("k"));
    // With the first line gone, the second one is the key's line.
    QCOMPARE(profile.sectionEntries(QStringLiteral("text")).value(0).value, QStringLiteral("second"));
    profile.removeKey(QStringLiteral("text"), QStringLiteral("k"));
    QVERIFY(profile.commit());
    QCOMPARE(readBytes(file), QByteArray("[text]\n[TEXT]\nk=third\nj=1\n"));
}

void TestProfileFile::keysDeletedAgainLeaveNoSection()
{
    const QString file = path(QStringLiteral("undone.ini"));
    const QByteArray before("[a]\r\nk=1\r\n");
    QVERIFY(writeBytes(file, before));
    ProfileFile profile(file);
    QVERIFY(profile.load());
    QVERIFY(profile.setValue(QStringLiteral("new"), QStringLiteral("q"), QStringLiteral("4")));
    QVERIFY(profile.setValue(QStringLiteral("a"), QStringLiteral("n"), QStringLiteral("5")));
    profile.removeKey(QStringLiteral("new"), QStringLiteral("q"));
    profile.removeKey(QStringLiteral("a"), QStringLiteral("n"));
    QVERIFY(profile.commit());
    QCOMPARE(readBytes(file), before);
}

void TestProfileFile::blankLinesSurviveNextToLoneCr_data()
{
    // Files with mixed line endings: a lone CR directly before an LF would read as one CR LF.
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QString>("add");    // key set to "v" (new)
    QTest::addColumn<QString>("remove"); // key deleted
    QTest::addColumn<QByteArray>("after");
    QTest::newRow("deleted line between") << QByteArray("[t]\ra=1\rb=2\r\n\nc=3\r") << QString() << QStringLiteral("b")
                                          << QByteArray("[t]\ra=1\r\n\nc=3\r");
    QTest::newRow("new line ending in CR") << QByteArray("[t]\ra=1\r\n\n[u]\r") << QStringLiteral("n") << QString()
                                           << QByteArray("[t]\ra=1\r\nn=v\r\n\n[u]\r");
}

void TestProfileFile::blankLinesSurviveNextToLoneCr()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, add);
    QFETCH(QString, remove);
    QFETCH(QByteArray, after);
    const QString file = path(QStringLiteral("lone-cr.ini"));
    QVERIFY(writeBytes(file, before));
    ProfileFile profile(file);
    QVERIFY(profile.load());
    if (!add.isEmpty())
        QVERIFY(profile.setValue(QStringLiteral("t"), add, QStringLiteral("v")));
    if (!remove.isEmpty())
        profile.removeKey(QStringLiteral("t"), remove);
    QVERIFY(profile.commit());
    QCOMPARE(readBytes(file), after);
}

void TestProfileFile::refusesWhatCannotReadBack_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QString text = QStringLiteral("text");
    QTest::newRow("line feed") << text << "k" << "a\nb";
    QTest::newRow("carriage return") << text << "k" << "a\rb";
    QTest::newRow("nul") << text << "k" << QString(QStringLiteral("a") + QChar(u'\0'));
    QTest::newRow("key line break") << text << "k\n" << "v";
    QTest::newRow("empty key") << text << "" << "v";
    QTest::newRow("key blanks") << text << " k" << "v";
    QTest::newRow("key comment") << text << ";k" << "v";
    QTest::newRow("key section") << text << "[k]" << "v";
    QTest::newRow("unquoted equals") << text << "k" << "a=b";
    QTest::newRow("key splits earlier") << text << "a=\"b" << "\"c\"";
    QTest::newRow("section line break") << "te\r\nxt" << "k" << "v";
    QTest::newRow("section nul") << QString(QStringLiteral("t") + QChar(u'\0')) << "k" << "v";
    QTest::newRow("section blanks") << "text " << "k" << "v";
}

void TestProfileFile::refusesWhatCannotReadBack()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    const QString file = path(QStringLiteral("refuse.ini"));
    const QByteArray before("[text]\nk=\"v\"\n");
    QVERIFY(writeBytes(file, before));
    ProfileFile profile(file);
    QVERIFY(profile.load());
    QVERIFY(!profile.setValue(section, key, value));
    QVERIFY(!profile.error().isEmpty());
    QVERIFY(profile.commit());
    QCOMPARE(readBytes(file), before);
}

void TestProfileFile::legacyFileConvertedRatherThanDamaged()
{
    const QString file = path(QStringLiteral("legacy.ini"));
    // 0x80 is the euro sign in Windows-1252, 0xE9 an e with acute accent.
    QVERIFY(writeBytes(file, "[text]\r\nPRICE=\"\x80 5\"\r\nCAFE=\"Caf\xE9\"\r\n"));
    ProfileFile profile(file);
    QVERIFY(profile.load());
    QCOMPARE(profile.format().encoding, TextEncoding::Legacy8Bit);
    QCOMPARE(profile.sectionEntries(QStringLiteral("text")).value(0).value, QStringLiteral("\"\u20ac 5\""));
    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("CAFE"), QStringLiteral("\"\u5496\u5561\"")));
    QVERIFY(profile.commit());
    QVERIFY(!profile.notice().isEmpty());
    QCOMPARE(readBytes(file), utf16le(QStringLiteral("[text]\r\nPRICE=\"\u20ac 5\"\r\nCAFE=\"\u5496\u5561\"\r\n")));

    // A character the code page has stays in it.
    QVERIFY(writeBytes(file, "[text]\nA=\"\xE9\"\n"));
    QVERIFY(WritePrivateProfileString(QStringLiteral("text"), QStringLiteral("B"), QStringLiteral("\u00fc\u20ac"), file));
    QCOMPARE(readBytes(file), QByteArray("[text]\nA=\"\xE9\"\nB=\xFC\x80\n"));

    // Deleting the only line UTF-8 would not allow leaves "\xC3\x9F", which
    // UTF-8 reads as one character: the file becomes UTF-16 instead.
    QVERIFY(writeBytes(file, "[text]\nA=\"\xC3\x9F\"\nB=\"\xE9\"\n"));
    ProfileFile mixed(file);
    QVERIFY(mixed.load());
    mixed.removeKey(QStringLiteral("text"), QStringLiteral("B"));
    QVERIFY(mixed.commit());
    QVERIFY(!mixed.notice().isEmpty());
    QCOMPARE(readBytes(file), utf16le(QStringLiteral("[text]\nA=\"\u00c3\u0178\"\n")));
    // Plain ASCII reads the same either way and stays as it is.
    QVERIFY(writeBytes(file, "[text]\nA=1\nB=\"\xE9\"\n"));
    QVERIFY(WritePrivateProfileString(QStringLiteral("text"), QStringLiteral("B"), std::nullopt, file));
    QCOMPARE(readBytes(file), QByteArray("[text]\nA=1\n"));
}

void TestProfileFile::unpairedSurrogateConvertsRatherThanDamages()
{
    // UTF-8 cannot hold half of a surrogate pair, at the end of a value least
    // of all; UTF-16 keeps it as it is.
    const QString file = path(QStringLiteral("surrogate.ini"));
    QVERIFY(writeBytes(file, "\xEF\xBB\xBF[text]\r\n"));
    const QString half(QChar(char16_t(0xD83D)));
    ProfileFile profile(file);
    QVERIFY(profile.load());
    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("k"), QStringLiteral("a") + half));
    QVERIFY(profile.commit());
    QVERIFY(!profile.notice().isEmpty());
    QCOMPARE(readBytes(file), utf16le(QStringLiteral("[text]\r\nk=a") + half + QStringLiteral("\r\n")));
    ProfileFile again(file);
    QVERIFY(again.load());
    QCOMPARE(again.sectionEntries(QStringLiteral("text")).value(0).value, QStringLiteral("a") + half);
}

void TestProfileFile::newFilesNeverGetUtf8Bom()
{
    const QString file = path(QStringLiteral("new-bom.ini"));
    ProfileFile profile(file);
    profile.setNewFileFormat({TextEncoding::Utf8Bom, QStringLiteral("\n")});
    QVERIFY(profile.load());
    QVERIFY(!profile.exists());
    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("k"), QStringLiteral("\u00e9")));
    QVERIFY(profile.commit());
    QCOMPARE(readBytes(file), QByteArray("[text]\nk=\xC3\xA9\n"));

    // The default for new files is UTF-16LE with BOM and CRLF.
    const QString other = path(QStringLiteral("new-default.ini"));
    QVERIFY(WritePrivateProfileString(QStringLiteral("languages"), QStringLiteral("0x0409"),
                                      QStringLiteral("English (United States)"), other));
    QCOMPARE(readBytes(other), utf16le(QStringLiteral("[languages]\r\n0x0409=English (United States)\r\n")));
}

void TestProfileFile::badInputIsReadWithoutLoss_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("entries");

    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 7919) % 256));

    QTest::newRow("invalid utf8") << QByteArray("[text]\nk=\xC3\x28\xFF\n") << 1;
    QTest::newRow("utf16 odd length") << QByteArray(utf16le(QStringLiteral("[text]\r\nk=v\r\n")) + 'X') << 1;
    QTest::newRow("cr only") << QByteArray("[text]\rk=1\rj=2") << 2;
    QTest::newRow("spaces in brackets") << QByteArray("[  text  ]\nk=1\n") << 1;
    QTest::newRow("long line") << QByteArray("[text]\nk=" + QByteArray(1 << 20, 'x') + "\n") << 1;
    QByteArray many("[text]\n");
    for (int i = 0; i < 200000; ++i)
        many += "key" + QByteArray::number(i) + "=\"v\"\n";
    QTest::newRow("200000 lines") << many << 200000;
    QTest::newRow("empty") << QByteArray() << 0;
}

void TestProfileFile::badInputIsReadWithoutLoss()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, entries);
    const QString file = path(QStringLiteral("bad.ini"));
    QVERIFY(writeBytes(file, bytes));
    ProfileFile profile(file);
    QVERIFY(profile.load());
    if (entries >= 0)
        QCOMPARE(profile.sectionEntries(QStringLiteral("text")).size(), entries);
    // A write elsewhere leaves every byte that was there in its place.
    QVERIFY(profile.setValue(QStringLiteral("zz-added"), QStringLiteral("k"), QStringLiteral("v")));
    QVERIFY(profile.commit());
    const QByteArray after = readBytes(file);
    if (bytes.startsWith("\xFF\xFE")) {
        const QByteArray whole = bytes.first(bytes.size() - 1);
        QVERIFY(after.startsWith(whole));
        QVERIFY(after.endsWith('X'));
    } else if (!bytes.isEmpty()) {
        QVERIFY(after.startsWith(bytes));
    }
    ProfileFile again(file);
    QVERIFY(again.load());
    QCOMPARE(again.sectionEntries(QStringLiteral("zz-added")).value(0).value, QStringLiteral("v"));
}

void TestProfileFile::undecodableFilesAreNamedAndNeverWritten_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason"); // empty: the file is text and takes the write

    QByteArray binary;
    for (int i = 0; i < 4096; ++i)
        binary.append(char((i * 7919) % 256));
    const QString text = QStringLiteral("[text]\r\nIDS_OPEN=\"Ouvrir\"\r\nIDS_SAVE=\"Enregistrer\"\r\n");
    const QByteArray le = utf16le(text);
    QByteArray be;
    for (qsizetype i = 0; i < le.size(); i += 2)
        be.append(le[i + 1]).append(le[i]);

    QTest::newRow("utf-16le that lost its mark") << le.sliced(2) << u"every second position: UTF-16LE"_s;
    QTest::newRow("utf-16be without a mark") << be.sliced(2) << u"every second position: UTF-16BE"_s;
    QTest::newRow("random bytes") << binary << u"not valid UTF-8"_s;
    QTest::newRow("a nul in utf-8") << QByteArray("[text]\nk=a\0b\nj=2\n", 17) << u"1 NUL bytes"_s;
    QTest::newRow("control characters in bulk") << QByteArray("[text]\nk=\x01\x02\x03\x04\x05\x06\n") << u"control characters"_s;
    QTest::newRow("lines but no text section") << QByteArray("[other]\nk=1\nj=2\n") << u"no [text] section in its 3 lines"_s;
    QTest::newRow("keys before any section") << QByteArray("k=1\n") << u"no [text] section in its 1 line"_s;
    // Text that only looks odd is still text.
    QTest::newRow("one stray control character") << QByteArray("[text]\nk=\"a\x1a\"\nj=\"b\"\n") << QString();
    QTest::newRow("comments only") << QByteArray("; nothing yet\n\n") << QString();
    QTest::newRow("utf-16le with its mark") << le << QString();
    QTest::newRow("empty") << QByteArray() << QString();
}

void TestProfileFile::undecodableFilesAreNamedAndNeverWritten()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString file = path(QStringLiteral("German (Germany).ini"));
    QVERIFY(writeBytes(file, bytes));
    ProfileFile profile(file);
    profile.requireSection(QStringLiteral("text"));
    QVERIFY(profile.load());
    QVERIFY2(profile.undecodableReason().contains(reason), qPrintable(profile.undecodableReason()));
    QCOMPARE(profile.isUndecodable(), !reason.isEmpty());

    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("IDS_NEW"), QStringLiteral("\"v\"")));
    QCOMPARE(profile.commit(), reason.isEmpty());
    if (reason.isEmpty())
        return;
    QCOMPARE(readBytes(file), bytes);
    QVERIFY(profile.error().contains(u"\"German (Germany).ini\" cannot be read as text"_s));
    QVERIFY(profile.error().contains(reason));
    // The profile call refuses bytes that are no text the same way (it knows of no [text] section).
    if (!reason.startsWith(u"no [text]"_s)) {
        QString error;
        QVERIFY(!WritePrivateProfileString(QStringLiteral("zz"), QStringLiteral("k"), QStringLiteral("v"), file, &error));
        QVERIFY(error.contains(reason));
        QCOMPARE(readBytes(file), bytes);
    }
}

void TestProfileFile::leftoversOfInterruptedSaves()
{
    const QString file = path(QStringLiteral("German (Germany).ini"));
    QVERIFY(writeBytes(file, "[text]\nk=1\n"));
    const QStringList leftovers = {u"German (Germany).ini.aBcDeF"_s, u"German (Germany).ini.QxWzVb"_s};
    // Names a person gives a copy, and another file's leftover, are not this save's.
    const QStringList kept = {u"German (Germany).ini.backup"_s, u"German (Germany).ini.BACKUP"_s,
                              u"German (Germany).ini.Backup"_s, u"German (Germany).ini.a1b2c3"_s,
                              u"French (France).ini.aBcDeF"_s};
    for (const QString &name : leftovers + kept)
        QVERIFY(writeBytes(path(name), "[text]\nk=half"));
    QStringList found = ProfileFile::leftoversOf(file);
    found.sort();
    QCOMPARE(found, QStringList({path(leftovers[1]), path(leftovers[0])}));

    ProfileFile profile(file);
    QVERIFY(profile.load());
    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("k"), QStringLiteral("2")));
    QVERIFY(profile.commit());
    for (const QString &name : leftovers)
        QVERIFY2(!QFileInfo::exists(path(name)), qPrintable(name));
    for (const QString &name : kept)
        QVERIFY2(QFileInfo::exists(path(name)), qPrintable(name));
}

void TestProfileFile::brokenEndReadsAsItWillReadBack_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("value");
    QTest::newRow("UTF-8 cut in a character")
        << QByteArray("\xEF\xBB\xBF[text]\r\nk=e\xE6\x96") << QStringLiteral("e\uFFFD\uFFFD");
    QTest::newRow("UTF-8 lead byte") << QByteArray("\xEF\xBB\xBF[text]\r\nk=e\xF0") << QStringLiteral("e\uFFFD");
    QByteArray halfPair = utf16le(QStringLiteral("[text]\r\nk=e"));
    halfPair.append("\x3D\xD8", 2);
    // UTF-16 text keeps an unpaired surrogate as it is, one code unit for two bytes.
    QTest::newRow("UTF-16 half of a pair") << halfPair << QStringLiteral("e") + QChar(0xD83D);
}

void TestProfileFile::brokenEndReadsAsItWillReadBack()
{
    // The file's last line ends in a broken character. It reads the same before
    // and after a write puts a line break and a new line after it.
    QFETCH(QByteArray, bytes);
    QFETCH(QString, value);
    const QString file = path(QStringLiteral("broken-end.ini"));
    QVERIFY(writeBytes(file, bytes));
    ProfileFile profile(file);
    QVERIFY(profile.load());
    QCOMPARE(profile.sectionEntries(QStringLiteral("text")).value(0).value, value);
    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("z"), QStringLiteral("v")));
    QVERIFY(profile.commit());
    QVERIFY(readBytes(file).startsWith(bytes));
    ProfileFile again(file);
    QVERIFY(again.load());
    const QList<ProfileEntry> entries = again.sectionEntries(QStringLiteral("text"));
    QCOMPARE(entries.size(), 2);
    QCOMPARE(entries[0].value, value);
    QCOMPARE(entries[1].value, QStringLiteral("v"));
}

void TestProfileFile::secondByteOrderMarkIsText_data()
{
    QTest::addColumn<bool>("bigEndian");
    QTest::newRow("UTF-16LE") << false;
    QTest::newRow("UTF-16BE") << true;
}

void TestProfileFile::secondByteOrderMarkIsText()
{
    // Files glued together by other tools can hold a byte-order mark after the first.
    QFETCH(bool, bigEndian);
    auto bytesOf = [bigEndian](const QString &text) { return bigEndian ? utf16be(text) : utf16le(text); };
    const QString file = path(QStringLiteral("two-boms.ini"));
    QVERIFY(writeBytes(file, bytesOf(QStringLiteral("\uFEFF; c\r\n[text]\r\nk=1\r\nlast=2"))));
    ProfileFile profile(file);
    QVERIFY(profile.load());
    QCOMPARE(profile.sectionEntries(QStringLiteral("text")).value(1).value, QStringLiteral("2"));
    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("k"), QStringLiteral("3")));
    QVERIFY(profile.commit());
    QCOMPARE(readBytes(file), bytesOf(QStringLiteral("\uFEFF; c\r\n[text]\r\nk=3\r\nlast=2")));
}

void TestProfileFile::failedWritesLeaveTheOldFileWhole()
{
    // A directory in the file's place.
    const QString dirInPlace = path(QStringLiteral("adir.ini"));
    QVERIFY(QDir().mkpath(dirInPlace));
    ProfileFile onDir(dirInPlace);
    QVERIFY(!onDir.load());
    QVERIFY(onDir.error().contains(QStringLiteral("directory")));
    QString error;
    QVERIFY(!WritePrivateProfileString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v"), dirInPlace, &error));
    QVERIFY(!error.isEmpty());

    // A path below a regular file.
    const QString plain = path(QStringLiteral("plain"));
    QVERIFY(writeBytes(plain, "x"));
    QVERIFY(!WritePrivateProfileString(QStringLiteral("s"), QStringLiteral("k"), QStringLiteral("v"),
                                       plain + QStringLiteral("/below.ini"), &error));
    QVERIFY(error.contains(QStringLiteral("below.ini")));

    // Running out of room half-way: a file-size limit in a child process.
    const QString file = path(QStringLiteral("limited.ini"));
    QByteArray original("[text]\n");
    for (int i = 0; i < 2000; ++i)
        original += "IDS_" + QByteArray::number(i) + "=\"value\"\n";
    QVERIFY(writeBytes(file, original));
    const int status = runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{8192, 8192};
        setrlimit(RLIMIT_FSIZE, &limit);
        ProfileFile profile(file);
        if (!profile.load())
            return 2;
        for (int i = 0; i < 2000; ++i)
            profile.setValue(QStringLiteral("text"), QStringLiteral("IDS_%1").arg(i), QStringLiteral("\"changed\""));
        if (profile.commit())
            return 3;
        return profile.error().isEmpty() ? 4 : 0;
    });
    QCOMPARE(status, 0);
    QCOMPARE(readBytes(file), original);
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("limited.ini*")}, QDir::Files | QDir::Hidden).size(), 1);

    // The same with a small file, whose bytes wait in the write buffer until the commit.
    const QString small = path(QStringLiteral("small.ini"));
    const QByteArray smallOriginal("[text]\nIDS_OPEN=\"Open\"\n");
    QVERIFY(writeBytes(small, smallOriginal));
    const int smallStatus = runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
        ProfileFile profile(small);
        if (!profile.load() || !profile.setValue(QStringLiteral("text"), QStringLiteral("IDS_SAVE"), QStringLiteral("\"Save\"")))
            return 2;
        return profile.commit() ? 3 : 0;
    });
    QCOMPARE(smallStatus, 0);
    QCOMPARE(readBytes(small), smallOriginal);
}

void TestProfileFile::permissionsAreKept()
{
    const QString file = path(QStringLiteral("perm.ini"));
    QVERIFY(writeBytes(file, "[text]\nk=1\n"));
    const auto perms = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(file, perms));
    QVERIFY(WritePrivateProfileString(QStringLiteral("text"), QStringLiteral("k"), QStringLiteral("2"), file));
    QCOMPARE(QFile::permissions(file) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser), perms);
}

void TestProfileFile::profileCalls()
{
    const QString file = path(QStringLiteral("calls.ini"));
    QString error;
    QVERIFY(GetPrivateProfileSection(QStringLiteral("text"), file, &error).isEmpty());
    QVERIFY(error.isEmpty()); // a missing file is an empty one
    QVERIFY(WritePrivateProfileString(QStringLiteral("text"), QStringLiteral("a"), QStringLiteral("1"), file));
    QVERIFY(WritePrivateProfileString(QStringLiteral("text"), QStringLiteral("a"), QStringLiteral("2"), file));
    const auto entries = GetPrivateProfileSection(QStringLiteral("text"), file);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].value, QStringLiteral("2"));
    // Setting the value a line already holds leaves the file untouched.
    const QByteArray before = readBytes(file);
    ProfileFile profile(file);
    QVERIFY(profile.load());
    QVERIFY(profile.setValue(QStringLiteral("text"), QStringLiteral("a"), QStringLiteral(" 2 ")));
    QVERIFY(!profile.isModified());
    QCOMPARE(readBytes(file), before);
}

QTEST_GUILESS_MAIN(TestProfileFile)
#include "tst_profilefile.moc"
