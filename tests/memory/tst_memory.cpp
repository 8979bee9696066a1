#include "memory/MatchScore.h"
#include "memory/TextIndex.h"
#include "memory/TranslationMemory.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <span>
#include <thread>

using namespace Glossa;

namespace {

// UI-like English: phrases from a word list, and near-duplicates one word apart.
QStringList uiTexts(int count, quint32 seed)
{
    static const QStringList words = {
        QStringLiteral("Delete"),   QStringLiteral("the"),      QStringLiteral("selected"), QStringLiteral("device"),
        QStringLiteral("devices"),  QStringLiteral("Add"),      QStringLiteral("channel"),  QStringLiteral("Save"),
        QStringLiteral("settings"), QStringLiteral("%d"),       QStringLiteral("%s"),       QStringLiteral("failed."),
        QStringLiteral("Open"),     QStringLiteral("recording"), QStringLiteral("Cannot"),  QStringLiteral("connect"),
        QStringLiteral("to"),       QStringLiteral("server"),   QStringLiteral("Name"),     QStringLiteral("Log"),
        QStringLiteral("&Export"),  QStringLiteral("%ld"),      QStringLiteral("\\n"),      QStringLiteral("alarm"),
    };
    QRandomGenerator random(seed);
    QStringList texts;
    while (texts.size() < count) {
        if (!texts.isEmpty() && random.bounded(2) == 0) {
            QStringList parts = texts[random.bounded(int(texts.size()))].split(u' ');
            parts[random.bounded(int(parts.size()))] = words[random.bounded(int(words.size()))];
            texts.append(parts.join(u' '));
            continue;
        }
        QStringList parts;
        for (int n = 1 + random.bounded(6); n > 0; --n)
            parts.append(words[random.bounded(int(words.size()))]);
        texts.append(parts.join(u' '));
    }
    return texts;
}

std::shared_ptr<const ProductEnglish> english(const QStringList &values);

} // namespace

class TestMemory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void scoreRules_data();
    void scoreRules();
    void indexFindsWhatAScanFinds_data();
    void indexFindsWhatAScanFinds();
    void indexHoldsToTheScanOnEveryKindOfText_data();
    void indexHoldsToTheScanOnEveryKindOfText();
    void bitParallelDistanceAgreesWithTheTable();
    void sixteenBitSymbolsHoldToTheScan_data();
    void sixteenBitSymbolsHoldToTheScan();
    void textsUsingEveryCodeUnitAreScanned();
    void unitSetKeepsEachUnitsTexts();
    void rankingAndMerging();
    void neverOffered();
    void placeholdersDifferCostTenPoints();
    void cutOffAndMaximum();
    void sameEnglishAndConcordance();
    void concurrentLookupsAgree();
};

void TestMemory::scoreRules_data()
{
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("brace");
    QTest::addColumn<int>("score");

    const auto row = [](const char *name, const char *english, const char *other, bool brace, int score) {
        QTest::newRow(name) << QString::fromUtf8(english) << QString::fromUtf8(other) << brace << score;
    };
    row("same text", "Delete Device", "Delete Device", false, 100);
    row("letter case", "Delete Device", "delete device", false, 99);
    row("white space", "Log In", "Log  In ", false, 99);
    row("white space taken out", "Log In", "LogIn", false, 99);
    row("closing dots", "Export", "Export...", false, 99);
    row("closing colon and case", "USER NAME:", "User name", false, 99);
    row("ellipsis character", "Export\u2026", "Export", false, 99);
    row("accelerator", "&Open", "Open", false, 99);
    row("accelerator inside", "Save &As", "Save As", false, 99);
    row("double ampersand is text", "Save && Exit", "Save Exit", false, 75);
    row("punctuation inside is not closing", "Stop. Now", "Stop Now", false, 88);
    row("only punctuation is no loose match", "...", "!", false, 0);
    // 100 × (1 − d / L) rounded down, at the cut-off's edge.
    row("d 3 of 10 is 70", "abcdefghij", "abcdefgxyz", false, 70);
    row("d 4 of 10 is 60", "abcdefghij", "abcdefwxyz", false, 60);
    row("d 1 of 3 rounds down to 66", "abc", "abd", false, 66);
    row("one letter of 27", "Delete the selected device", "Delete the selected devices", false, 96);
    row("one letter of 200 still fuzzy", QByteArray(199, 'a').append('b').constData(), QByteArray(200, 'a').constData(), false, 99);
    // Each placeholder counts as one character: %ld for %d is one edit of 12, not one of 14.
    row("percent placeholder is one", "Open %ld files", "Open %d files", false, 91);
    row("line break placeholder is one", "Line\\nTwo", "Line Two", false, 87);
    row("brace placeholder under the brace rule", "{0} recordings", "{1} recordings", true, 91);
    row("braces are text under the percent rule", "{0} recordings", "{1} recordings", false, 92);
    row("percent is text under the brace rule", "Open %ld files", "Open %d files", true, 92);
    row("a cut-short percent at the end", "Done 100%", "Done 100", false, 88);
}

void TestMemory::scoreRules()
{
    QFETCH(QString, english);
    QFETCH(QString, other);
    QFETCH(bool, brace);
    QFETCH(int, score);
    const PlaceholderRule rule = brace ? PlaceholderRule::Brace : PlaceholderRule::Percent;
    QCOMPARE(matchScore(english, other, rule), score);
    QCOMPARE(matchScore(other, english, rule), score);
    // The index gives the same score for a text it holds.
    const TextIndex index(QStringList{other});
    const std::vector<TextIndex::Hit> hits = index.match(english, rule, 0);
    if (index.textCount() == 1) {
        QCOMPARE(hits.size(), size_t(1));
        QCOMPARE(hits.front().score, score);
    }
}

void TestMemory::indexFindsWhatAScanFinds_data()
{
    QTest::addColumn<int>("minScore");
    QTest::addColumn<bool>("brace");
    QTest::addColumn<int>("queryCount");
    QTest::newRow("cut-off 70") << 70 << false << 150;
    QTest::newRow("cut-off 90") << 90 << false << 150;
    QTest::newRow("cut-off 40") << 40 << false << 40;
    QTest::newRow("cut-off 0") << 0 << false << 10;
    QTest::newRow("brace rule, 70") << 70 << true << 40;
}

void TestMemory::indexFindsWhatAScanFinds()
{
    QFETCH(int, minScore);
    QFETCH(bool, brace);
    QFETCH(int, queryCount);
    const PlaceholderRule rule = brace ? PlaceholderRule::Brace : PlaceholderRule::Percent;
    const QStringList texts = uiTexts(1500, 17);
    const TextIndex index(texts);
    const QStringList queries = uiTexts(queryCount, 99);
    int found = 0;
    for (const QString &query : queries) {
        const std::vector<TextIndex::Hit> fast = index.match(query, rule, minScore);
        const std::vector<TextIndex::Hit> scan = index.matchByScan(query, rule, minScore);
        QCOMPARE(fast.size(), scan.size());
        for (size_t i = 0; i < fast.size(); ++i) {
            QCOMPARE(fast[i].text, scan[i].text);
            QCOMPARE(fast[i].score, scan[i].score);
            QCOMPARE(fast[i].score, matchScore(query, index.text(fast[i].text), rule));
        }
        found += int(fast.size());
    }
    QVERIFY(found > 0); // the near-duplicates do meet

    // No text of a fitting length: the query's grams are held by texts of other lengths only.
    const TextIndex apart(QStringList{QStringLiteral("Save"), QStringLiteral("Save the selected devices and close every window")});
    const QString query = QStringLiteral("Save the devices");
    QCOMPARE(apart.match(query, rule, minScore).size(), apart.matchByScan(query, rule, minScore).size());
}

void TestMemory::indexHoldsToTheScanOnEveryKindOfText_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("textCount");
    // Over 4,096 texts the index is built on several threads and in more than one block.
    QTest::newRow("many texts") << QStringLiteral("plain") << 4500;
    QTest::newRow("texts over 64 symbols") << QStringLiteral("long") << 1200;
    QTest::newRow("letters beyond ASCII") << QStringLiteral("accented") << 2500;
    // Over 255 symbols a text's shared grams no longer fit a byte, and a gram repeated
    // over 255 times shares its last occurrence key.
    QTest::newRow("a gram repeated beyond 255 times") << QStringLiteral("repeated") << 60;
}

void TestMemory::indexHoldsToTheScanOnEveryKindOfText()
{
    QFETCH(QString, kind);
    QFETCH(int, textCount);
    const auto shaped = [&](QStringList texts) {
        for (qsizetype i = 0; i < texts.size(); ++i) {
            if (kind == u"long")
                texts[i] += u' ' + texts[(i * 7 + 3) % texts.size()] + u' ' + texts[(i * 13 + 5) % texts.size()];
            else if (kind == u"accented" && i % 2 == 0)
                texts[i].replace(u'e', QChar(0xE9)).replace(u'a', QChar(0xE4)).replace(u'S', QChar(0x15A));
            else if (kind == u"repeated")
                texts[i].prepend(QStringLiteral("ab").repeated(260 + i % 20) + u' ');
        }
        return texts;
    };
    const QStringList texts = shaped(uiTexts(textCount, 23));
    const TextIndex index(texts);
    QStringList queries = shaped(uiTexts(45, 24));
    if (kind == u"repeated") {
        // Near copies, one letter changed: at a cut-off of 99 only a full count of the
        // repeated grams lets them through.
        queries.clear();
        for (qsizetype i = 0; i < texts.size(); i += 7) {
            QString query = texts[i];
            query.back() = query.back() == u'x' ? u'y' : u'x';
            queries.append(query);
        }
    }
    for (qsizetype i = 0; i < queries.size() && i * 11 < texts.size(); i += 3) // the loose forms: case and closing punctuation
        queries[i] = texts[i * 11].toUpper() + u'.';
    const int cutOff = kind == u"repeated" ? 99 : 70;
    int found = 0;
    for (const QString &query : queries) {
        const std::vector<TextIndex::Hit> fast = index.match(query, PlaceholderRule::Percent, cutOff);
        const std::vector<TextIndex::Hit> scan = index.matchByScan(query, PlaceholderRule::Percent, cutOff);
        QCOMPARE(fast.size(), scan.size());
        for (size_t i = 0; i < fast.size(); ++i) {
            QCOMPARE(fast[i].text, scan[i].text);
            QCOMPARE(fast[i].score, scan[i].score);
        }
        found += int(fast.size());
    }
    QVERIFY(found >= int(queries.size()) / 3); // at least the loose forms meet their texts
}

void TestMemory::bitParallelDistanceAgreesWithTheTable()
{
    const QStringList texts = {
        QString(),
        QStringLiteral("a"),
        QStringLiteral("Delete the selected device"),
        QStringLiteral("delete the selected devices."),
        QStringLiteral("Cannot connect to %s on %d"),
        QStringLiteral("Cannot connect to %d on %s"),
        QString::fromUtf8("L%1 \u00e9t\u00e9 %ld"),
        QString(QChar(0x15A)) + QStringLiteral("ave ") + QString(QChar(0x4E2D)) + QStringLiteral("%s"),
        QStringLiteral("The recording failed. The recording failed. The recording failed. Try again"),
        QStringLiteral("xyz"),
    };
    for (const QString &pattern : texts) {
        const std::u32string a = matchSymbols(pattern, PlaceholderRule::Percent);
        if (a.size() > BitParallelDistance::MaxLength)
            continue;
        const BitParallelDistance fast(a);
        for (const QString &first : texts)
            for (const QString &second : texts) {
                const std::u32string b = matchSymbols(first, PlaceholderRule::Percent);
                const std::u32string c = matchSymbols(second, PlaceholderRule::Percent);
                const int unlimited = 1000;
                const int toFirst = editDistance(a, b, unlimited);
                QCOMPARE(fast.distance(b), toFirst);
                const int toSecond = editDistance(a, c, unlimited);
                const std::pair<int, int> both = fast.distances(b, c);
                QCOMPARE(both.first, toFirst);
                QCOMPARE(both.second, toSecond);
                // With limits a walk may give up early, but only on a distance beyond its limit.
                for (const int limit : {0, 1, 3, 8, 20}) {
                    const std::pair<int, int> limited = fast.distances(b, c, limit, limit + 2);
                    QCOMPARE(limited.first <= limit ? limited.first : -1, toFirst <= limit ? toFirst : -1);
                    QCOMPARE(limited.second <= limit + 2 ? limited.second : -1, toSecond <= limit + 2 ? toSecond : -1);
                }
            }
    }
    // Four walks side by side, over texts of unequal lengths, with and without limits.
    const auto units = [](const QString &text) { return std::u16string_view(reinterpret_cast<const char16_t *>(text.utf16()), size_t(text.size())); };
    for (const QString &pattern : texts) {
        if (pattern.size() > qsizetype(BitParallelDistance::MaxLength))
            continue;
        const BitParallelDistance fast(units(pattern));
        for (qsizetype first = 0; first < texts.size(); ++first) {
            std::array<std::u16string_view, 4> four;
            for (size_t lane = 0; lane < 4; ++lane)
                four[lane] = units(texts[(first + qsizetype(lane) * 3) % texts.size()]);
            for (const int limit : {0, 2, 6, BitParallelDistance::Unlimited}) {
                const std::array<int, 4> got = fast.distances(four, {limit, limit + 1, limit, limit + 3});
                for (size_t lane = 0; lane < 4; ++lane) {
                    const int laneLimit = std::array<int, 4>{limit, limit + 1, limit, limit + 3}[lane];
                    const int exact = editDistance(units(pattern), four[lane], 1000);
                    QCOMPARE(got[lane] <= laneLimit ? got[lane] : -1, exact <= laneLimit ? exact : -1);
                }
            }
        }
    }
}

void TestMemory::sixteenBitSymbolsHoldToTheScan_data()
{
    // The index keeps 16-bit symbols, placeholders as code units no text holds. The
    // texts mix characters beyond the BMP (surrogate pairs), private use characters
    // (where the placeholders' codes are looked for first), placeholders of every
    // kind the percent rule knows, and cut-short ones at the end.
    const QString face = QString::fromUtf8("\U0001F600");
    const QString hanExtB = QString::fromUtf8("\U00020000");
    const QString privateUse = QString(QChar(0xE000)) + QChar(0xE001);
    QStringList texts = uiTexts(900, 31);
    for (qsizetype i = 0; i < texts.size(); ++i) {
        switch (i % 6) {
        case 0: texts[i] += u' ' + face; break;
        case 1: texts[i].replace(u'e', hanExtB); break;
        case 2: texts[i].prepend(privateUse + u' '); break;
        case 3: texts[i] += QStringLiteral(" %lu \\t 100%"); break;
        case 4: texts[i] += QStringLiteral(" \\"); break;
        default: break;
        }
    }
    QStringList queries;
    for (int i = 0; i < 60; ++i)
        queries.append(texts[(i * 37) % texts.size()]);
    // Queries holding what no text holds: other placeholders, the codes' own units.
    queries.append(texts[5] + QStringLiteral(" %q"));
    queries.append(texts[11] + QString(QChar(0xE002)) + QChar(0xF8FF));
    queries.append(QString(QChar(0xE003)) + texts[17].mid(1));
    queries.append(texts[23].replace(face, hanExtB));
    queries.append(texts[3] + QStringLiteral("%"));
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QStringList>("queries");
    QTest::newRow("beyond the BMP, private use, placeholders") << texts << queries;
    // A private use area nearly full: the codes come from elsewhere.
    QStringList crowded = texts.mid(0, 200);
    QString area;
    for (char16_t unit = 0xE000; unit < 0xF900; ++unit)
        area += QChar(unit);
    for (qsizetype at = 0; at < area.size(); at += 50)
        crowded.append(area.mid(at, 50));
    QTest::newRow("the private use area taken") << crowded << queries;
}

void TestMemory::sixteenBitSymbolsHoldToTheScan()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, queries);
    const TextIndex index(texts);
    // Each text reads back as it was given, at the positions that hold it.
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const int id = index.find(texts[i]);
        QVERIFY2(id >= 0, qPrintable(texts[i]));
        QCOMPARE(index.text(id), texts[i]);
        const std::span<const int> positions = index.positions(id);
        QVERIFY(std::find(positions.begin(), positions.end(), int(i)) != positions.end());
    }
    int found = 0;
    for (const QString &query : queries) {
        for (const int minScore : {70, 40}) {
            const std::vector<TextIndex::Hit> fast = index.match(query, PlaceholderRule::Percent, minScore);
            const std::vector<TextIndex::Hit> scan = index.matchByScan(query, PlaceholderRule::Percent, minScore);
            QCOMPARE(fast.size(), scan.size());
            for (size_t i = 0; i < fast.size(); ++i) {
                QCOMPARE(fast[i].text, scan[i].text);
                QCOMPARE(fast[i].score, scan[i].score);
                QCOMPARE(fast[i].score, matchScore(query, index.text(fast[i].text), PlaceholderRule::Percent));
            }
            found += int(fast.size());
        }
    }
    QVERIFY(found >= int(queries.size()));
}

void TestMemory::textsUsingEveryCodeUnitAreScanned()
{
    // Texts that use every UTF-16 code unit leave none for the placeholders: the index
    // keeps them as they are and still finds what the scan finds.
    QStringList texts;
    QString chunk;
    for (std::uint32_t unit = 1; unit < 0x10000; ++unit) {
        chunk += QChar(char16_t(unit));
        if (chunk.size() == 64) {
            texts.append(chunk);
            chunk.clear();
        }
    }
    texts.append(chunk + QStringLiteral("x"));
    texts.append(QStringLiteral("Delete %s now"));
    texts.append(QStringLiteral("Delete %d now"));
    const TextIndex index(texts);
    QCOMPARE(index.text(index.find(QStringLiteral("Delete %s now"))), QStringLiteral("Delete %s now"));
    QCOMPARE(index.text(index.find(texts[7])), texts[7]);
    for (const QString &query : {QStringLiteral("Delete %s now"), QStringLiteral("Delete %d now!"), texts[9]}) {
        const std::vector<TextIndex::Hit> fast = index.match(query, PlaceholderRule::Percent, 60);
        QVERIFY(!fast.empty());
        for (const TextIndex::Hit &hit : fast)
            QCOMPARE(hit.score, matchScore(query, index.text(hit.text), PlaceholderRule::Percent));
        QCOMPARE(fast.size(), index.matchByScan(query, PlaceholderRule::Percent, 60).size());
    }
}

void TestMemory::unitSetKeepsEachUnitsTexts()
{
    // The units' keys and targets in one buffer, their English in the index: what is
    // read back is what was given, the first and last unit and empty keys among them,
    // and what the memory never offers is left out.
    const QString face = QString::fromUtf8("\U0001F600");
    std::vector<TranslationPair> pairs = {
        {QString(), QStringLiteral("Open %s"), QStringLiteral("%s \u00f6ffnen")},
        {QStringLiteral("k2"), QStringLiteral("Close"), QStringLiteral("   ")},              // blank target
        {QStringLiteral("k3"), QStringLiteral("Open %s"), QStringLiteral("\u00d6ffnen")},    // placeholder lost
        {QStringLiteral("k4"), QStringLiteral("Open %s"), QStringLiteral("%s aufmachen")},  // same English again
        {QStringLiteral("k5") + face, QStringLiteral("Smile ") + face, face + QStringLiteral(" l\u00e4cheln")},
        {QStringLiteral("k6"), QStringLiteral("Save"), QStringLiteral("Sichern")},
        {QStringLiteral("k7"), QStringLiteral("Cut %s"), QStringLiteral("%s ") + QChar(0xD800)}, // a lone surrogate kept as is
    };
    const UnitSet units(MatchOrigin::Tmx, QStringLiteral("a.tmx"), pairs);
    QCOMPARE(units.size(), 5);
    const std::vector<size_t> kept = {0, 3, 4, 5, 6};
    for (int unit = 0; unit < units.size(); ++unit) {
        const TranslationPair &given = pairs[kept[size_t(unit)]];
        const TranslationPair read = units.pair(unit);
        QCOMPARE(read.key, given.key);
        QCOMPARE(read.source, given.source);
        QCOMPARE(read.target, given.target);
        QCOMPARE(units.index().text(units.sourceText(unit)), given.source);
    }
    QCOMPARE(units.sourceText(0), units.sourceText(1));
    QCOMPARE(units.index().textCount(), 4);

    // The memory offers them with their keys.
    const auto memory = std::make_shared<const TranslationMemory>(
        english({QStringLiteral("Open %s")}), LanguageColumn{QStringLiteral("German (Germany)"), QStringLiteral("de.ini"), {QString()}},
        std::vector<LanguageColumn>{}, nullptr, std::vector<std::shared_ptr<const UnitSet>>{std::make_shared<const UnitSet>(units)});
    const std::vector<MemoryMatch> matches = memory->suggestFor(0);
    QCOMPARE(matches.size(), size_t(2));
    QCOMPARE(matches[0].source, QStringLiteral("Open %s"));
    QStringList keys{matches[0].key, matches[1].key};
    keys.sort();
    QCOMPARE(keys, QStringList({QString(), QStringLiteral("k4")}));
}

namespace {

std::shared_ptr<const ProductEnglish> english(const QStringList &values)
{
    QStringList keys;
    for (int i = 0; i < int(values.size()); ++i)
        keys.append(QStringLiteral("IDS_%1").arg(i));
    return std::make_shared<const ProductEnglish>(keys, values);
}

LanguageColumn column(const QString &name, const QStringList &values)
{
    return {name, QStringLiteral("language/") + name + QStringLiteral(".ini"), values};
}

QStringList texts(const std::vector<MemoryMatch> &matches)
{
    QStringList list;
    for (const MemoryMatch &match : matches)
        list.append(match.text);
    return list;
}

} // namespace

void TestMemory::rankingAndMerging()
{
    // Row 0 takes the brace rule, so the product's rows start at 1.
    const auto product = english({QStringLiteral("\"unused\""), QStringLiteral("\"Cancel\""), QStringLiteral("\"Cancel\""),
                                  QStringLiteral("\"Cancel\""), QStringLiteral("\"cancel\""), QStringLiteral("\"Cancel\"")});
    const LanguageColumn own = column(QStringLiteral("Spanish (Spain)"),
                                      {QString(), QStringLiteral("\"Cancelar\""), QStringLiteral("\"Cancelar\""),
                                       QStringLiteral("\"Anular\""), QStringLiteral("\"Suprimir\""), QString()});
    const LanguageColumn sibling = column(QStringLiteral("Spanish (Mexico)"),
                                          {QString(), QStringLiteral("\"Cancelar\""), QStringLiteral("\"Abortar\""),
                                           QString(), QString(), QStringLiteral("\"Descartar\"")});
    const auto earlier = std::make_shared<const UnitSet>(
        MatchOrigin::Earlier, QStringLiteral("/releases/1.4"),
        std::vector<TranslationPair>{{QStringLiteral("IDS_OLD"), QStringLiteral("Cancel"), QStringLiteral("Deshacer")}});
    const auto tmxA = std::make_shared<const UnitSet>(
        MatchOrigin::Tmx, QStringLiteral("/tm/a.tmx"),
        std::vector<TranslationPair>{{QStringLiteral("t1"), QStringLiteral("Cancel"), QStringLiteral("Revocar")},
                                     {QStringLiteral("t2"), QStringLiteral("Cancel"), QStringLiteral("Abortar")}});
    const auto tmxB = std::make_shared<const UnitSet>(
        MatchOrigin::Tmx, QStringLiteral("/tm/b.tmx"),
        std::vector<TranslationPair>{{QStringLiteral("u1"), QStringLiteral("Cancel"), QStringLiteral("Rescindir")}});
    const TranslationMemory memory(product, own, {sibling}, earlier, {tmxA, tmxB});

    const std::vector<MemoryMatch> matches = memory.suggest({QStringLiteral("\"Cancel\""), 5, QString(), 70, -1});
    // Cancelar: three keys (two own, one sibling); Abortar: sibling and TMX; then one use each,
    // by origin: this product, sibling, earlier, the TMX files in order; the 99 last.
    QCOMPARE(texts(matches), (QStringList{QStringLiteral("Cancelar"), QStringLiteral("Abortar"), QStringLiteral("Anular"),
                                          QStringLiteral("Descartar"), QStringLiteral("Deshacer"),
                                          QStringLiteral("Revocar"), QStringLiteral("Rescindir"),
                                          QStringLiteral("Suprimir")}));
    QCOMPARE(matches[0].uses, 3);
    QCOMPARE(matches[0].origin, MatchOrigin::Product);
    QCOMPARE(matches[1].uses, 2);
    QCOMPARE(matches[1].origin, MatchOrigin::Sibling);
    QCOMPARE(matches[1].language, QStringLiteral("Spanish (Mexico)"));
    QCOMPARE(originLabel(matches[1]), QStringLiteral("Spanish (Mexico)"));
    QCOMPARE(originLabel(matches[0]), QStringLiteral("this product: IDS_1"));
    QCOMPARE(originLabel(matches[4]), QStringLiteral("release 1.4"));
    QCOMPARE(originLabel(matches[5]), QStringLiteral("a.tmx"));
    QCOMPARE(matches[5].key, QStringLiteral("t1"));
    // The strings of a match are made for the matches kept: each from the unit or column it names.
    QCOMPARE(matches[5].source, QStringLiteral("Cancel"));
    QCOMPARE(matches[5].file, QStringLiteral("/tm/a.tmx"));
    QCOMPARE(matches[5].language, QStringLiteral("Spanish (Spain)"));
    QCOMPARE(matches[1].file, sibling.file);
    QCOMPARE(matches[1].key, QStringLiteral("IDS_2"));
    QCOMPARE(matches[7].score, 99);
    QCOMPARE(matches[7].source, QStringLiteral("cancel"));
    // The sibling's value of the entry's own key: 100, ranked after the product's own 100 of one use.
    QCOMPARE(matches[3].origin, MatchOrigin::Sibling);
    QCOMPARE(matches[3].key, QStringLiteral("IDS_5"));
    QCOMPARE(matches[3].score, 100);
}

void TestMemory::neverOffered()
{
    const auto product = english({QStringLiteral("\"x\""), QStringLiteral("\"Open %d files\""),
                                  QStringLiteral("\"Open %d files\""), QStringLiteral("\"Open %d files\""),
                                  QStringLiteral("\"Open %d files\""), QStringLiteral("\"Open %d files\"")});
    const LanguageColumn own = column(QStringLiteral("German (Germany)"),
                                      {QString(), QStringLiteral("\"%d Dateien öffnen\""), QStringLiteral("\" \""),
                                       QStringLiteral("\"Dateien öffnen\""), // ERROR: lost its %d
                                       QStringLiteral("\"\""), QStringLiteral("\"%d Dateien aufmachen\"")});
    const auto tmx = std::make_shared<const UnitSet>(
        MatchOrigin::Tmx, QStringLiteral("t.tmx"),
        std::vector<TranslationPair>{{QString(), QStringLiteral("Open %d files"), QStringLiteral("Öffnen")},
                                     {QString(), QStringLiteral("Open %d files"), QStringLiteral("  ")}});
    QCOMPARE(tmx->size(), 0); // neither a blank target nor one that fails its own English is kept
    const TranslationMemory memory(product, own, {}, {}, {tmx});

    // Row 5 holds "%d Dateien aufmachen": its own value and its own key are never offered.
    QCOMPARE(texts(memory.suggestFor(5)), QStringList{QStringLiteral("%d Dateien öffnen")});
    // A current value the editor holds (not yet saved) is not offered either.
    QCOMPARE(texts(memory.suggest({QStringLiteral("Open %d files"), 2, QStringLiteral("\"%d Dateien öffnen\""), 70, 5})),
             QStringList{QStringLiteral("%d Dateien aufmachen")});
    QVERIFY(memory.suggest({QStringLiteral("\" \""), 2, QString(), 0, 5}).empty());
}

void TestMemory::placeholdersDifferCostTenPoints()
{
    const auto product = english({QStringLiteral("x"), QStringLiteral("Delete %s files"), QStringLiteral("Delete %d files")});
    const TranslationMemory memory(product, column(QStringLiteral("German (Germany)"),
                                                   {QString(), QStringLiteral("%s Dateien löschen"), QString()}));
    const std::vector<MemoryMatch> matches = memory.suggestFor(2);
    QCOMPARE(matches.size(), size_t(1));
    // One symbol of 14 differs: 92, less 10 since "%s" is not the entry's "%d".
    QCOMPARE(matchScore(u"Delete %d files", u"Delete %s files", PlaceholderRule::Percent), 92);
    QCOMPARE(matches[0].score, 82);
    QVERIFY(matches[0].placeholdersDiffer);
    // Below the cut-off after the loss: not offered.
    QVERIFY(memory.suggestFor(2, 83).empty());
}

void TestMemory::cutOffAndMaximum()
{
    QStringList values{QStringLiteral("x")};
    QStringList translations{QString()};
    for (int i = 0; i < 8; ++i) {
        values.append(QStringLiteral("Channel name %1").arg(i));
        translations.append(QStringLiteral("Kanalname %1").arg(i));
    }
    values.append(QStringLiteral("Channel"));      // 50 against "Channel name 9": under the cut-off
    translations.append(QStringLiteral("Kanal"));
    const auto product = english(values);
    const TranslationMemory memory(product, column(QStringLiteral("German (Germany)"), translations));
    const MatchQuery query{QStringLiteral("Channel name 9"), -1, QString(), 70, 5};
    QCOMPARE(memory.suggest(query).size(), size_t(5));
    QCOMPARE(memory.suggest({query.english, -1, QString(), 70, -1}).size(), size_t(8));
    QCOMPARE(memory.suggest({query.english, -1, QString(), 50, -1}).size(), size_t(9));
}

void TestMemory::sameEnglishAndConcordance()
{
    const auto product = english({QStringLiteral("\"Device\""), QStringLiteral("\"Delete\""), QStringLiteral("Delete"),
                                  QStringLiteral("\"Delete the device\""), QStringLiteral("\"Delete\""),
                                  QStringLiteral("\"\""), QStringLiteral("\"\"")});
    const TranslationMemory memory(product, column(QStringLiteral("German (Germany)"),
                                                   {QString(), QStringLiteral("Löschen"), QString(), QString(),
                                                    QStringLiteral("\" \""), QString(), QString()}));
    const SameEnglish same = memory.sameEnglish(1);
    QCOMPARE(same.attributes, (std::vector<int>{2, 4}));
    QCOMPARE(same.untranslated, 2);
    QCOMPARE(memory.sameEnglish(2).attributes, (std::vector<int>{1, 4}));
    QVERIFY(memory.sameEnglish(5).attributes.empty()); // blank English groups nothing
    QCOMPARE(product->concordance(u"DEVICE"), (std::vector<int>{0, 3}));
    QCOMPARE(product->concordance(u"delete", 2), (std::vector<int>{1, 2}));
    QCOMPARE(product->concordance(u"the dev"), std::vector<int>{3});
}

void TestMemory::concurrentLookupsAgree()
{
    QStringList values = uiTexts(800, 5);
    QStringList translations;
    for (const QString &value : values)
        translations.append(value.toUpper());
    const auto product = english(values);
    const TranslationMemory memory(product, column(QStringLiteral("German (Germany)"), translations));
    const QStringList queries = uiTexts(60, 6);
    std::vector<QStringList> alone;
    for (const QString &query : queries)
        alone.push_back(texts(memory.suggest({query, 1, QString(), 70, 5})));
    std::vector<std::vector<QStringList>> perThread(4, std::vector<QStringList>(queries.size()));
    std::vector<std::thread> threads;
    for (size_t t = 0; t < perThread.size(); ++t)
        threads.emplace_back([&, t] {
            for (qsizetype i = 0; i < queries.size(); ++i)
                perThread[t][size_t(i)] = texts(memory.suggest({queries[i], 1, QString(), 70, 5}));
        });
    for (std::thread &thread : threads)
        thread.join();
    for (const std::vector<QStringList> &results : perThread)
        QVERIFY(results == alone);
}

QTEST_GUILESS_MAIN(TestMemory)
#include "tst_memory.moc"
