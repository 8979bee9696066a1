#include "model/LocaleCatalogue.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

#include <climits>

using Glossa::LocaleCatalogue;

class TestLocaleCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowCount();
    void lookupByIndex_data();
    void lookupByIndex();
    void searchingLookups_data();
    void searchingLookups();
    void spotCheckRows_data();
    void spotCheckRows();
    void everyRowIsFoundByEachOfItsNames();
    void namesAreUnique();
    void rowsAfterTheFirstTwoAreInOrdinalOrder();
    void localeCodesAreLowerCaseHexExceptVietnamese();
    void webNamesFollowDisplayNames();
    void instanceIsOneObject();
    void bcp47Tags_data();
    void bcp47Tags();
    void everyRowHasAWellFormedUniqueTag();
};

void TestLocaleCatalogue::rowCount()
{
    QCOMPARE(LocaleCatalogue::RowCount(), 112);
}

void TestLocaleCatalogue::lookupByIndex_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("displayName");
    QTest::addColumn<QString>("webName");

    QTest::newRow("0") << 0 << QStringLiteral("Chinese (PRC)") << QStringLiteral("zh-cn");
    QTest::newRow("1") << 1 << QStringLiteral("English (United States)") << QStringLiteral("en-us");
    QTest::newRow("111") << 111 << QStringLiteral("Vietnamese (Vietnam)") << QStringLiteral("Vietnamese_Vietnam");
    // Rows 112 to 129 exist in the table but lie beyond the row count.
    QTest::newRow("112") << 112 << QString() << QString();
    QTest::newRow("129") << 129 << QString() << QString();
    QTest::newRow("130") << 130 << QString() << QString();
    QTest::newRow("-1") << -1 << QString() << QString();
    QTest::newRow("INT_MIN") << INT_MIN << QString() << QString();
    QTest::newRow("INT_MAX") << INT_MAX << QString() << QString();
}

void TestLocaleCatalogue::lookupByIndex()
{
    QFETCH(int, row);
    QFETCH(QString, displayName);
    QFETCH(QString, webName);
    QCOMPARE(LocaleCatalogue::DisplayNameAt(row), displayName);
    QCOMPARE(LocaleCatalogue::WebNameAt(row), webName);
}

namespace {
enum class Lookup { DisplayNameForCode, WebNameForCode, CodeForDisplayName, CodeForWebName };

QString runLookup(Lookup lookup, const QString &argument)
{
    switch (lookup) {
    case Lookup::DisplayNameForCode:
        return LocaleCatalogue::DisplayNameForCode(argument);
    case Lookup::WebNameForCode:
        return LocaleCatalogue::WebNameForCode(argument);
    case Lookup::CodeForDisplayName:
        return LocaleCatalogue::CodeForDisplayName(argument);
    case Lookup::CodeForWebName:
        return LocaleCatalogue::CodeForWebName(argument);
    }
    return QStringLiteral("<bad lookup>");
}
} // namespace

Q_DECLARE_METATYPE(Lookup)

void TestLocaleCatalogue::searchingLookups_data()
{
    QTest::addColumn<Lookup>("lookup");
    QTest::addColumn<QString>("argument");
    QTest::addColumn<QString>("expected");

    const auto add = [](const char *name, Lookup lookup, const QString &argument, const QString &expected) {
        QTest::newRow(name) << lookup << argument << expected;
    };
    add("code of Vietnamese web name", Lookup::CodeForWebName, QStringLiteral("Vietnamese_Vietnam"), QStringLiteral("0x042A"));
    add("name of 0x042A", Lookup::DisplayNameForCode, QStringLiteral("0x042A"), QStringLiteral("Vietnamese (Vietnam)"));
    add("name of 0x042a is case-sensitive", Lookup::DisplayNameForCode, QStringLiteral("0x042a"), QString());
    add("web name of 0x042a is case-sensitive", Lookup::WebNameForCode, QStringLiteral("0x042a"), QString());
    add("code of Arabic (U.A.E.)", Lookup::CodeForDisplayName, QStringLiteral("Arabic (U.A.E.)"), QStringLiteral("0x3801"));
    add("web name of 0x3801", Lookup::WebNameForCode, QStringLiteral("0x3801"), QStringLiteral("Arabic_UAE"));
    add("code of English (United States)", Lookup::CodeForDisplayName, QStringLiteral("English (United States)"), QStringLiteral("0x0409"));
    add("display name in lower case", Lookup::CodeForDisplayName, QStringLiteral("english (united states)"), QString());
    add("display name with .ini", Lookup::CodeForDisplayName, QStringLiteral("English (United States).ini"), QString());
    add("display name with a trailing blank", Lookup::CodeForDisplayName, QStringLiteral("English (United States) "), QString());
    add("code of en-us", Lookup::CodeForWebName, QStringLiteral("en-us"), QStringLiteral("0x0409"));
    add("web name in upper case", Lookup::CodeForWebName, QStringLiteral("EN-US"), QString());
    add("code of zh-cn", Lookup::CodeForWebName, QStringLiteral("zh-cn"), QStringLiteral("0x0804"));
    add("code given as upper-case hex", Lookup::DisplayNameForCode, QStringLiteral("0x0C0A"), QString());
    add("code without 0x", Lookup::DisplayNameForCode, QStringLiteral("0409"), QString());
    add("display name as a code", Lookup::DisplayNameForCode, QStringLiteral("Chinese (PRC)"), QString());
    add("empty to DisplayNameForCode", Lookup::DisplayNameForCode, QString(), QString());
    add("empty to WebNameForCode", Lookup::WebNameForCode, QString(), QString());
    add("empty to CodeForDisplayName", Lookup::CodeForDisplayName, QString(), QString());
    add("empty to CodeForWebName", Lookup::CodeForWebName, QString(), QString());
    add("empty non-null to CodeForWebName", Lookup::CodeForWebName, QStringLiteral(""), QString());
}

void TestLocaleCatalogue::searchingLookups()
{
    QFETCH(Lookup, lookup);
    QFETCH(QString, argument);
    QFETCH(QString, expected);
    const QString result = runLookup(lookup, argument);
    QCOMPARE(result, expected);
    QCOMPARE(result.isEmpty(), expected.isEmpty());
}

void TestLocaleCatalogue::spotCheckRows_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("displayName");
    QTest::addColumn<QString>("localeCode");
    QTest::addColumn<QString>("webName");

    QTest::newRow("0") << 0 << QStringLiteral("Chinese (PRC)") << QStringLiteral("0x0804") << QStringLiteral("zh-cn");
    QTest::newRow("1") << 1 << QStringLiteral("English (United States)") << QStringLiteral("0x0409") << QStringLiteral("en-us");
    QTest::newRow("2") << 2 << QStringLiteral("Afrikaans (South Africa)") << QStringLiteral("0x0436") << QStringLiteral("Afrikaans_South_Africa");
    QTest::newRow("18") << 18 << QStringLiteral("Arabic (U.A.E.)") << QStringLiteral("0x3801") << QStringLiteral("Arabic_UAE");
    QTest::newRow("20") << 20 << QStringLiteral("Azeri (Azerbaijan, Cyrillic)") << QStringLiteral("0x082c") << QStringLiteral("Azeri_Azerbaijan_Cyrillic");
    QTest::newRow("27") << 27 << QStringLiteral("Chinese (Hong Kong SAR, PRC)") << QStringLiteral("0x0c04") << QStringLiteral("Chinese_Hong_Kong_SAR_PRC");
    QTest::newRow("44") << 44 << QStringLiteral("English (United Kingdom)") << QStringLiteral("0x0809") << QStringLiteral("English_United_Kingdom");
    QTest::newRow("71") << 71 << QStringLiteral("Norwegian (Bokmal, Norway)") << QStringLiteral("0x0414") << QStringLiteral("Norwegian_Bokmal_Norway");
    QTest::newRow("102") << 102 << QStringLiteral("Spanish (Spain, Traditional Sort)") << QStringLiteral("0x040a") << QStringLiteral("Spanish_Spain_Traditional_Sort");
    QTest::newRow("110") << 110 << QStringLiteral("Urdu (India)") << QStringLiteral("0x0820") << QStringLiteral("Urdu_India");
    QTest::newRow("111") << 111 << QStringLiteral("Vietnamese (Vietnam)") << QStringLiteral("0x042A") << QStringLiteral("Vietnamese_Vietnam");
}

void TestLocaleCatalogue::spotCheckRows()
{
    QFETCH(int, row);
    QFETCH(QString, displayName);
    QFETCH(QString, localeCode);
    QFETCH(QString, webName);
    const Glossa::LocaleRow &r = LocaleCatalogue::RowAt(row);
    QCOMPARE(r.displayName, displayName);
    QCOMPARE(r.localeCode, localeCode);
    QCOMPARE(r.webName, webName);
}

void TestLocaleCatalogue::everyRowIsFoundByEachOfItsNames()
{
    for (int i = 0; i < LocaleCatalogue::RowCount(); ++i) {
        const Glossa::LocaleRow &r = LocaleCatalogue::RowAt(i);
        QVERIFY2(!r.displayName.isEmpty() && !r.localeCode.isEmpty() && !r.webName.isEmpty(),
                 qPrintable(QString::number(i)));
        QCOMPARE(LocaleCatalogue::DisplayNameAt(i), r.displayName);
        QCOMPARE(LocaleCatalogue::WebNameAt(i), r.webName);
        QCOMPARE(LocaleCatalogue::DisplayNameForCode(r.localeCode), r.displayName);
        QCOMPARE(LocaleCatalogue::WebNameForCode(r.localeCode), r.webName);
        QCOMPARE(LocaleCatalogue::CodeForDisplayName(r.displayName), r.localeCode);
        QCOMPARE(LocaleCatalogue::CodeForWebName(r.webName), r.localeCode);
    }
}

void TestLocaleCatalogue::namesAreUnique()
{
    QSet<QString> displayNames, codes, webNames;
    for (int i = 0; i < LocaleCatalogue::RowCount(); ++i) {
        const Glossa::LocaleRow &r = LocaleCatalogue::RowAt(i);
        displayNames.insert(r.displayName);
        codes.insert(r.localeCode);
        webNames.insert(r.webName);
    }
    QCOMPARE(displayNames.size(), 112);
    QCOMPARE(codes.size(), 112);
    QCOMPARE(webNames.size(), 112);
}

void TestLocaleCatalogue::rowsAfterTheFirstTwoAreInOrdinalOrder()
{
    for (int i = 3; i < LocaleCatalogue::RowCount(); ++i) {
        QVERIFY2(LocaleCatalogue::DisplayNameAt(i - 1) < LocaleCatalogue::DisplayNameAt(i),
                 qPrintable(QStringLiteral("row %1 is out of order").arg(i)));
    }
}

void TestLocaleCatalogue::localeCodesAreLowerCaseHexExceptVietnamese()
{
    static const QRegularExpression lowerHex(QStringLiteral("^0x[0-9a-f]{4}$"));
    for (int i = 0; i < 111; ++i) {
        const QString code = LocaleCatalogue::RowAt(i).localeCode;
        QVERIFY2(lowerHex.match(code).hasMatch(), qPrintable(QStringLiteral("row %1: %2").arg(i).arg(code)));
    }
    QCOMPARE(LocaleCatalogue::RowAt(111).localeCode, QStringLiteral("0x042A"));
}

void TestLocaleCatalogue::webNamesFollowDisplayNames()
{
    // Each run of other characters becomes one "_", a trailing run is dropped.
    static const QRegularExpression otherRun(QStringLiteral("[^A-Za-z0-9]+"));
    static const QRegularExpression trailing(QStringLiteral("_$"));
    for (int i = 0; i < LocaleCatalogue::RowCount(); ++i) {
        const Glossa::LocaleRow &r = LocaleCatalogue::RowAt(i);
        const QString derived = QString(r.displayName).replace(otherRun, QStringLiteral("_")).remove(trailing);
        const bool exception = i == 0 || i == 1 || i == 18;
        QVERIFY2((derived == r.webName) != exception, qPrintable(QStringLiteral("row %1: %2").arg(i).arg(r.webName)));
    }
}

void TestLocaleCatalogue::instanceIsOneObject()
{
    QCOMPARE(&LocaleCatalogue::instance(), &LocaleCatalogue::instance());
    QCOMPARE(&LocaleCatalogue::RowAt(5), &LocaleCatalogue::RowAt(5));
}


void TestLocaleCatalogue::bcp47Tags_data()
{
    QTest::addColumn<QString>("displayName");
    QTest::addColumn<QString>("tag");

    QTest::newRow("en-US") << QStringLiteral("English (United States)") << QStringLiteral("en-US");
    QTest::newRow("de-DE") << QStringLiteral("German (Germany)") << QStringLiteral("de-DE");
    QTest::newRow("zh-CN") << QStringLiteral("Chinese (PRC)") << QStringLiteral("zh-CN");
    QTest::newRow("zh-TW") << QStringLiteral("Chinese (Taiwan)") << QStringLiteral("zh-TW");
    QTest::newRow("fr-FR") << QStringLiteral("French (France)") << QStringLiteral("fr-FR");
    QTest::newRow("nb-NO") << QStringLiteral("Norwegian (Bokmal, Norway)") << QStringLiteral("nb-NO");
    QTest::newRow("sr-Cyrl") << QStringLiteral("Serbian (Serbia, Cyrillic)") << QStringLiteral("sr-Cyrl-RS");
    QTest::newRow("az-Latn") << QStringLiteral("Azeri (Azerbaijan, Latin)") << QStringLiteral("az-Latn-AZ");
    QTest::newRow("caribbean") << QStringLiteral("English (Caribbean)") << QStringLiteral("en-029");
    QTest::newRow("traditional sort") << QStringLiteral("Spanish (Spain, Traditional Sort)") << QStringLiteral("es-ES-u-co-trad");
    QTest::newRow("vi-VN") << QStringLiteral("Vietnamese (Vietnam)") << QStringLiteral("vi-VN");
    QTest::newRow("unknown") << QStringLiteral("Klingon (Kronos)") << QString();
}

void TestLocaleCatalogue::bcp47Tags()
{
    QFETCH(QString, displayName);
    QFETCH(QString, tag);
    QCOMPARE(LocaleCatalogue::Bcp47ForDisplayName(displayName), tag);
    if (!tag.isEmpty()) {
        QCOMPARE(LocaleCatalogue::DisplayNameForBcp47(tag), displayName);
        QCOMPARE(LocaleCatalogue::DisplayNameForBcp47(tag.toLower()), displayName);
    }
}

void TestLocaleCatalogue::everyRowHasAWellFormedUniqueTag()
{
    // language[-Script][-REGION][-u-extension]: the shapes the table uses.
    static const QRegularExpression shape(
        QStringLiteral("^[a-z]{2,3}(-[A-Z][a-z]{3})?(-([A-Z]{2}|[0-9]{3}))(-u(-[a-z0-9]{2,8})+)?$"));
    QSet<QString> seen;
    for (int row = 0; row < LocaleCatalogue::RowCount(); ++row) {
        const QString tag = LocaleCatalogue::RowAt(row).bcp47;
        QVERIFY2(shape.match(tag).hasMatch(), qPrintable(LocaleCatalogue::DisplayNameAt(row) + u' ' + tag));
        QVERIFY2(!seen.contains(tag.toLower()), qPrintable(tag));
        seen.insert(tag.toLower());
    }
}

QTEST_GUILESS_MAIN(TestLocaleCatalogue)
#include "tst_localecatalogue.moc"
