#include "checks/PlaceholderCheck.h"

#include <QTest>

#include <algorithm>

using Glossa::AttributeId;
using Glossa::PlaceholderRule;

Q_DECLARE_METATYPE(Glossa::PlaceholderRule)

namespace {
// Any id from 1 to 0x7FFFFFE takes the percent rule; id 0 takes the brace rule.
constexpr AttributeId PercentId = 7;
constexpr AttributeId BraceId = 0;

// A count map as a sorted list with each placeholder repeated by its count, so that
// a failure prints both sides.
QStringList flatten(const Glossa::PlaceholderCounts &counts)
{
    QStringList list;
    for (const auto &[text, count] : counts) {
        if (count < 1) // never expected: shows up as a mismatch
            list.append(QStringLiteral("<%1 counted %2>").arg(text).arg(count));
        for (int i = 0; i < count; ++i)
            list.append(text);
    }
    return list;
}

QStringList sorted(QStringList list)
{
    std::sort(list.begin(), list.end());
    return list;
}
} // namespace

class TestPlaceholderCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void ruleFor_data();
    void ruleFor();
    void countPlaceholders_data();
    void countPlaceholders();
    void check_data();
    void check();
};

void TestPlaceholderCheck::ruleFor_data()
{
    QTest::addColumn<AttributeId>("id");
    QTest::addColumn<PlaceholderRule>("rule");

    QTest::newRow("0, the first attribute") << AttributeId(0) << PlaceholderRule::Brace;
    QTest::newRow("1") << AttributeId(1) << PlaceholderRule::Percent;
    QTest::newRow("2") << AttributeId(2) << PlaceholderRule::Percent;
    QTest::newRow("0x7FFFFFE") << AttributeId(0x7FFFFFE) << PlaceholderRule::Percent;
    QTest::newRow("0x7FFFFFF") << AttributeId(0x7FFFFFF) << PlaceholderRule::Brace;
    QTest::newRow("0x8000000") << AttributeId(0x8000000) << PlaceholderRule::Brace;
    QTest::newRow("0xFFFFFFFF") << AttributeId(0xFFFFFFFF) << PlaceholderRule::Brace;
}

void TestPlaceholderCheck::ruleFor()
{
    QFETCH(AttributeId, id);
    QFETCH(PlaceholderRule, rule);
    QCOMPARE(Glossa::placeholderRuleFor(id), rule);
    // The check follows the rule: "%d" against nothing fails only under the percent rule.
    QCOMPARE(Glossa::CheckPlaceholders(QString(), QStringLiteral("%d"), id), rule == PlaceholderRule::Brace);
    QCOMPARE(Glossa::CheckPlaceholders(QString(), QStringLiteral("{0}"), id), rule == PlaceholderRule::Percent);
}

void TestPlaceholderCheck::countPlaceholders_data()
{
    QTest::addColumn<PlaceholderRule>("rule");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("placeholders");

    const auto percent = [](const char *name, const QString &text, const QStringList &expected) {
        QTest::newRow(name) << PlaceholderRule::Percent << text << expected;
    };
    const auto brace = [](const char *name, const QString &text, const QStringList &expected) {
        QTest::newRow(name) << PlaceholderRule::Brace << text << expected;
    };

    percent("empty", QString(), {});
    percent("plain text", QStringLiteral("Open file"), {});
    percent("%d and %s", QStringLiteral("Deleted %d of %s"), {QStringLiteral("%d"), QStringLiteral("%s")});
    percent("%ld", QStringLiteral("%ld items"), {QStringLiteral("%ld")});
    percent("%lld keeps three", QStringLiteral("%lld"), {QStringLiteral("%ll")});
    percent("%L is short", QStringLiteral("%Ld"), {QStringLiteral("%L")});
    percent("the worked example", QStringLiteral("100%% of %ld\\n"),
            {QStringLiteral("%%"), QStringLiteral("% "), QStringLiteral("%ld"), QStringLiteral("\\n")});
    percent("overlapping %%d", QStringLiteral("%%d"), {QStringLiteral("%%"), QStringLiteral("%d")});
    percent("three percent signs", QStringLiteral("%%%"), {QStringLiteral("%%"), QStringLiteral("%%"), QStringLiteral("%")});
    percent("% at the end", QStringLiteral("50%"), {QStringLiteral("%")});
    percent("%l at the end", QStringLiteral("size %l"), {QStringLiteral("%l")});
    percent("%l at the very start and end", QStringLiteral("%l"), {QStringLiteral("%l")});
    percent("% before a non-ASCII letter", QStringLiteral("%é"), {QStringLiteral("%é")});
    percent("repeated", QStringLiteral("%d %d %d"), {QStringLiteral("%d"), QStringLiteral("%d"), QStringLiteral("%d")});
    percent("backslash n and t", QStringLiteral("a\\nb\\t"), {QStringLiteral("\\n"), QStringLiteral("\\t")});
    percent("two backslashes overlap", QStringLiteral("\\\\n"), {QStringLiteral("\\\\"), QStringLiteral("\\n")});
    percent("backslash at the end", QStringLiteral("path\\"), {QStringLiteral("\\")});
    percent("percent then backslash", QStringLiteral("%\\n"), {QStringLiteral("%\\"), QStringLiteral("\\n")});
    percent("real newline is no placeholder", QStringLiteral("a\nb"), {});
    percent("braces are text", QStringLiteral("{0} of {1}"), {});

    brace("empty", QString(), {});
    brace("two groups", QStringLiteral("{0} of {1}"), {QStringLiteral("{0}"), QStringLiteral("{1}")});
    brace("several digits", QStringLiteral("{12} and {007}"), {QStringLiteral("{12}"), QStringLiteral("{007}")});
    brace("repeated", QStringLiteral("{0}{0}"), {QStringLiteral("{0}"), QStringLiteral("{0}")});
    brace("empty pair then group", QStringLiteral("{} {2}"), {QStringLiteral("{2}")});
    brace("named group", QStringLiteral("{name} {3}"), {QStringLiteral("{3}")});
    brace("digit and letter", QStringLiteral("{1a}"), {});
    brace("blank inside", QStringLiteral("{ 1}"), {});
    brace("sign inside", QStringLiteral("{-1}"), {});
    brace("non-ASCII digit", QStringLiteral("{\u0663}"), {});
    brace("escaped group", QStringLiteral("\\{0}"), {});
    brace("escaped and plain", QStringLiteral("\\{0} {0}"), {QStringLiteral("{0}")});
    brace("unclosed", QStringLiteral("{0"), {});
    brace("unclosed ends the search", QStringLiteral("{1} {2 {3"), {QStringLiteral("{1}")});
    // A group that is not all digits is skipped up to its "}", so an inner "{" is not seen.
    brace("brace inside a skipped group", QStringLiteral("{a{1}"), {});
    brace("nested", QStringLiteral("{{0}}"), {});
    brace("closing brace first", QStringLiteral("} {4}"), {QStringLiteral("{4}")});
    brace("percent is text", QStringLiteral("%d \\n %%"), {});
}

void TestPlaceholderCheck::countPlaceholders()
{
    QFETCH(PlaceholderRule, rule);
    QFETCH(QString, text);
    QFETCH(QStringList, placeholders);
    QCOMPARE(flatten(Glossa::countPlaceholders(text, rule)), sorted(placeholders));
}

void TestPlaceholderCheck::check_data()
{
    QTest::addColumn<QString>("reference");
    QTest::addColumn<QString>("value");
    QTest::addColumn<AttributeId>("id");
    QTest::addColumn<bool>("passes");

    const auto add = [](const char *name, const QString &reference, const QString &value, AttributeId id, bool passes) {
        QTest::newRow(name) << reference << value << id << passes;
    };

    add("same placeholders", QStringLiteral("Deleted %d files"), QStringLiteral("%d fichiers supprimés"), PercentId, true);
    add("%d missing", QStringLiteral("Deleted %d files"), QStringLiteral("fichiers supprimés"), PercentId, false);
    add("%d twice against once", QStringLiteral("Deleted %d files"), QStringLiteral("%d %d fichiers"), PercentId, false);
    add("order is not compared", QStringLiteral("%s: %d"), QStringLiteral("%d: %s"), PercentId, true);
    add("%ld against %d", QStringLiteral("%ld items"), QStringLiteral("%d items"), PercentId, false);
    add("\\n missing", QStringLiteral("Line one\\nLine two"), QStringLiteral("Line one Line two"), PercentId, false);
    add("%% and percent-space", QStringLiteral("50%% done"), QStringLiteral("50 %% fait"), PercentId, true);
    add("%%d against %% and percent-space", QStringLiteral("50%%done"), QStringLiteral("50%% fait"), PercentId, false);
    add("braces under the percent rule", QStringLiteral("{0} of {1}"), QStringLiteral("{1} de {0}"), PercentId, true);
    add("both empty", QString(), QString(), PercentId, true);
    add("no placeholders", QStringLiteral("Open"), QStringLiteral("Ouvrir"), PercentId, true);
    add("empty value", QStringLiteral("%s"), QString(), PercentId, false);
    add("extra placeholder in value", QStringLiteral("Open"), QStringLiteral("Ouvrir %s"), PercentId, false);
    add("case matters", QStringLiteral("%s"), QStringLiteral("%S"), PercentId, false);
    add("worked example, percent before backslash", QStringLiteral("100%% of %ld\\n"), QStringLiteral("%ld de 100%%\\n"), PercentId, false);
    add("worked example kept", QStringLiteral("100%% of %ld\\n"), QStringLiteral("de %ld: 100%% \\n"), PercentId, true);

    add("brace: reordered", QStringLiteral("{0} of {1}"), QStringLiteral("{1} de {0}"), BraceId, true);
    add("brace: {1} twice", QStringLiteral("{0} of {1}"), QStringLiteral("{0} de {1} de {1}"), BraceId, false);
    add("brace: {0} missing", QStringLiteral("{0} of {1}"), QStringLiteral("de {1}"), BraceId, false);
    add("brace: %d is text", QStringLiteral("%d"), QString(), BraceId, true);
    add("brace: escaped group is text", QStringLiteral("\\{0} items"), QStringLiteral("elements"), BraceId, true);
    add("brace: top id", QStringLiteral("{0} of {1}"), QStringLiteral("{0}"), AttributeId(0xFFFFFFFF), false);
}

void TestPlaceholderCheck::check()
{
    QFETCH(QString, reference);
    QFETCH(QString, value);
    QFETCH(AttributeId, id);
    QFETCH(bool, passes);
    QCOMPARE(Glossa::CheckPlaceholders(value, reference, id), passes);
    // The relation is symmetric: swapping value and reference gives the same answer.
    QCOMPARE(Glossa::CheckPlaceholders(reference, value, id), passes);
}

QTEST_GUILESS_MAIN(TestPlaceholderCheck)
#include "tst_placeholdercheck.moc"
