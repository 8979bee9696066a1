// Time of the placeholder check over many value/reference pairs of UI-like text.
#include "BenchSupport.h"

#include "checks/PlaceholderCheck.h"

#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Pair
{
    QString value;
    QString reference;
    Glossa::AttributeId id;
};

const QStringList words = {
    QStringLiteral("Open"),    QStringLiteral("file"),     QStringLiteral("Save"),   QStringLiteral("changes"),
    QStringLiteral("to"),      QStringLiteral("the"),      QStringLiteral("device"), QStringLiteral("Deleted"),
    QStringLiteral("items"),   QStringLiteral("Connect"),  QStringLiteral("camera"), QStringLiteral("failed"),
    QStringLiteral("Retry"),   QStringLiteral("recording"), QStringLiteral("of"),    QStringLiteral("channel"),
    QStringLiteral("Settings"), QStringLiteral("password"), QStringLiteral("user"),  QStringLiteral("remaining"),
};
const QStringList placeholders = {
    QStringLiteral("%d"), QStringLiteral("%s"), QStringLiteral("%ld"), QStringLiteral("%%"),
    QStringLiteral("\\n"), QStringLiteral("{0}"), QStringLiteral("{1}"),
};

// About 40 characters of words with up to three placeholders mixed in.
QStringList makeTokens(QRandomGenerator &rng)
{
    QStringList tokens;
    int length = 0;
    while (length < 34) {
        const QString &w = words.at(rng.bounded(words.size()));
        tokens.append(w);
        length += w.size() + 1;
    }
    const int count = rng.bounded(4);
    for (int i = 0; i < count; ++i)
        tokens.insert(rng.bounded(tokens.size() + 1), placeholders.at(rng.bounded(placeholders.size())));
    return tokens;
}

std::vector<Pair> makePairs(int n)
{
    QRandomGenerator rng(20240611);
    std::vector<Pair> pairs;
    pairs.reserve(n);
    for (int i = 0; i < n; ++i) {
        QStringList tokens = makeTokens(rng);
        const QString reference = tokens.join(u' ');
        // Mostly a reordered translation; now and then a placeholder is lost or added.
        std::shuffle(tokens.begin(), tokens.end(), rng);
        const int fault = rng.bounded(10);
        if (fault == 0)
            tokens.append(placeholders.at(rng.bounded(placeholders.size())));
        else if (fault == 1)
            tokens.removeFirst();
        // One attribute in a thousand is the catalogue's first, which takes the brace rule.
        const Glossa::AttributeId id = i % 1000 == 0 ? 0 : Glossa::AttributeId(i);
        pairs.push_back({tokens.join(u' '), reference, id});
    }
    return pairs;
}

} // namespace

int main()
{
    constexpr int count = 100000;
    const std::vector<Pair> pairs = makePairs(count);

    qsizetype chars = 0;
    for (const Pair &p : pairs)
        chars += p.value.size() + p.reference.size();

    int passed = 0;
    const double checkMs = Bench::bestMs([&] {
        passed = 0;
        for (const Pair &p : pairs)
            passed += Glossa::CheckPlaceholders(p.value, p.reference, p.id) ? 1 : 0;
    });

    // What reading the same text costs: one pass over both strings for the lead characters.
    qsizetype leads = 0;
    const double scanMs = Bench::bestMs([&] {
        leads = 0;
        for (const Pair &p : pairs) {
            for (const QString *text : {&p.value, &p.reference}) {
                for (QChar c : *text)
                    leads += c == u'%' || c == u'\\' || c == u'{';
            }
        }
    });

    Bench::printHeader("Placeholder check (best of 5)");
    Bench::printRow(QStringLiteral("CheckPlaceholders, %1 pairs").arg(count), checkMs,
                    QStringLiteral("scan of the same text"), scanMs);
    std::printf("%d pairs, %.1f characters per text on average, %d passed, %lld lead characters\n", count,
                double(chars) / (2.0 * count), passed, static_cast<long long>(leads));
    std::printf("time per check: %.1f ns\n", checkMs * 1e6 / count);
    return 0;
}
