#include "TestSupport.h"

#include "checks/CheckEngine.h"
#include "checks/Spelling.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Glossa;
using namespace TestSupport;
using namespace Qt::StringLiterals;

class TestSpelling : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void dictionaryByTag_data();
    void dictionaryByTag();
    void misspelled_data();
    void misspelled();
    void suggestionsOnDemand();
    void productAndUserWords();

private:
    QTemporaryDir m_data;
    bool m_german = false;
};

void TestSpelling::initTestCase()
{
    // The user's dictionary lives under XDG_DATA_HOME: a directory of the test's own.
    QVERIFY(m_data.isValid());
    qputenv("XDG_DATA_HOME", QFile::encodeName(m_data.path()));
    m_german = !SpellChecker::affixFileFor(u"de-DE"_s).isEmpty();
}

void TestSpelling::dictionaryByTag_data()
{
    QTest::addColumn<QStringList>("installed"); // file names without .aff/.dic
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("used");
    QTest::newRow("exact") << QStringList{u"de_DE"_s, u"de_AT"_s} << u"de-AT"_s << u"de_AT"_s;
    QTest::newRow("region to language") << QStringList{u"fr"_s, u"fr_CA"_s} << u"fr-FR"_s << u"fr"_s;
    QTest::newRow("language to its own region") << QStringList{u"de_CH"_s, u"de_DE"_s} << u"de-AT"_s << u"de_DE"_s;
    QTest::newRow("any region") << QStringList{u"pt_BR"_s} << u"pt-PT"_s << u"pt_BR"_s;
    QTest::newRow("none") << QStringList{u"de_DE"_s} << u"th-TH"_s << QString();
    QTest::newRow("no tag") << QStringList{u"de_DE"_s} << QString() << QString();
}

void TestSpelling::dictionaryByTag()
{
    QFETCH(QStringList, installed);
    QFETCH(QString, tag);
    QFETCH(QString, used);
    QTemporaryDir dir;
    for (const QString &name : installed) {
        QVERIFY(writeBytes(dir.filePath(name + u".aff"_s), "SET UTF-8\n"));
        QVERIFY(writeBytes(dir.filePath(name + u".dic"_s), "1\nWort\n"));
    }
    // An .aff without its .dic is no dictionary.
    QVERIFY(writeBytes(dir.filePath(u"th_TH.aff"_s), "SET UTF-8\n"));
    qputenv("GLOSSA_HUNSPELL_PATH", QFile::encodeName(dir.path()));
    const QString affix = SpellChecker::affixFileFor(tag);
    qunsetenv("GLOSSA_HUNSPELL_PATH");
    QCOMPARE(affix, used.isEmpty() ? QString() : dir.filePath(used + u".aff"_s));
}

void TestSpelling::misspelled_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("wrong");
    QTest::newRow("German, right") << u"de-DE"_s << u"Die Dateien werden gespeichert."_s << QStringList();
    QTest::newRow("German, a typo") << u"de-DE"_s << u"Dateien speichren"_s << QStringList{u"speichren"_s};
    QTest::newRow("each word once") << u"de-DE"_s << u"Feler und Feler"_s << QStringList{u"Feler"_s};
    QTest::newRow("placeholders, accelerators, links") << u"de-DE"_s << u"&Öffnen Sie %s auf www.exmple.com"_s
                                                       << QStringList();
    QTest::newRow("ALLCAPS and digits") << u"de-DE"_s << u"USB-Kabel und XYZW mit 4er-Ansicht"_s << QStringList();
    QTest::newRow("French") << u"fr-FR"_s << u"Enregistrer le fichier"_s << QStringList();
    QTest::newRow("French, a typo") << u"fr-FR"_s << u"Enregistrer le fichiier"_s << QStringList{u"fichiier"_s};
    QTest::newRow("English") << u"en-US"_s << u"Save the flie"_s << QStringList{u"flie"_s};
}

void TestSpelling::misspelled()
{
    QFETCH(QString, tag);
    QFETCH(QString, text);
    QFETCH(QStringList, wrong);
    SpellChecker speller(tag);
    if (!speller.isValid())
        QSKIP("no Hunspell dictionary installed for this language (scripts/setup.sh installs it)");
    QCOMPARE(speller.misspelled(text), wrong);
    // The cache gives the same answer the second time, and without it Hunspell does.
    QCOMPARE(speller.misspelled(text), wrong);
    speller.setCacheEnabled(false);
    QCOMPARE(speller.misspelled(text), wrong);
}

void TestSpelling::suggestionsOnDemand()
{
    if (!m_german)
        QSKIP("no German Hunspell dictionary");
    SpellChecker speller(u"de-DE"_s);
    const QStringList suggestions = speller.suggestions(u"speichren"_s);
    QVERIFY(suggestions.size() <= 5);
    QVERIFY2(suggestions.contains(u"speichern"_s), qPrintable(suggestions.join(u", ")));
    QVERIFY(SpellChecker(u"th-TH"_s).suggestions(u"x"_s).isEmpty());
}

void TestSpelling::productAndUserWords()
{
    if (!m_german)
        QSKIP("no German Hunspell dictionary");
    QTemporaryDir dir;
    QDir().mkpath(dir.filePath(u"language"_s));
    writeBytes(dir.filePath(u"language/English (United States).ini"_s),
               utf16le(u"[text]\r\nIDS_A=\"Title\"\r\nIDS_B=\"Welcome to Vistaline\"\r\nIDS_C=\"Open the Zentrix\"\r\n"
                       u"IDS_D=\"Save\"\r\nIDS_E=\"Close\"\r\n"_s));
    writeBytes(dir.filePath(u"language/German (Germany).ini"_s),
               utf16le(u"[text]\r\nIDS_A=\"Titel\"\r\nIDS_B=\"Willkommen bei Vistaline\"\r\nIDS_C=\"Zentrix öffnen\"\r\n"
                       u"IDS_D=\"Speichren\"\r\nIDS_E=\"Schliesen mit Fotomatik\"\r\n"_s));
    writeBytes(dir.filePath(u"language/Thai (Thailand).ini"_s), utf16le(u"[text]\r\nIDS_A=\"x\"\r\n"_s));
    writeBytes(dir.filePath(u"language/LanguageIndex.ini"_s),
               utf16le(u"[languages]\r\n0x0409=English (United States)\r\n0x0407=German (Germany)\r\n"
                       u"0x041e=Thai (Thailand)\r\n"_s));
    writeBytes(dir.filePath(u"glossa-words.txt"_s), "# the product's own terms\nFotomatik\n");
    CheckEngine engine;
    QVERIFY(engine.open(dir.path()));
    CheckOptions options;
    options.only = {u"spelling"_s};
    auto findings = [&](const QString &language) {
        QStringList out;
        for (const Finding &f : engine.checkLanguage(language, options).findings)
            out.append(u"%1:%2:%3"_s.arg(f.line).arg(f.key, f.message));
        return out;
    };
    // The master's words (Vistaline, Zentrix) and the product's list are right in every language.
    QCOMPARE(findings(u"German (Germany)"_s),
             QStringList({u"5:IDS_D:the dictionary does not know Speichren"_s,
                          u"6:IDS_E:the dictionary does not know Schliesen"_s}));
    QCOMPARE(findings(u"Thai (Thailand)"_s), QStringList{u"0::no spelling dictionary for th-TH"_s});

    // "Add to Dictionary" keeps the word for the language, in the user's data.
    QVERIFY(SpellChecker::addToUserDictionary(u"de-DE"_s, u"Speichren"_s));
    QVERIFY(SpellChecker::addToUserDictionary(u"de-DE"_s, u"Speichren"_s));
    QCOMPARE(SpellChecker::readWordList(m_data.filePath(u"glossa-desk/words/de-DE.dic"_s)), QStringList{u"Speichren"_s});
    QCOMPARE(findings(u"German (Germany)"_s), QStringList{u"6:IDS_E:the dictionary does not know Schliesen"_s});

    // Not among the default checks.
    QVERIFY(!CheckOptions().wants(u"spelling"_s));
    for (const Finding &f : engine.checkLanguage(u"German (Germany)"_s).findings)
        QVERIFY(f.check != u"spelling");
}

QTEST_GUILESS_MAIN(TestSpelling)
#include "tst_spelling.moc"
