// The placeholder check on two texts from the input: it must be symmetric,
// pass a text against itself, agree with comparing the two counts, and count
// exactly what each rule says it cuts out.
#include "FuzzSupport.h"

#include "checks/PlaceholderCheck.h"

#include <QRegularExpression>

using namespace Glossa;
using namespace Glossa::Fuzz;

namespace {

AttributeId idFrom(InputReader &in)
{
    // Mostly the ids at the rule's edges; sometimes any id.
    static const AttributeId edges[] = {0u, 1u, 2u, 0x7FFFFFEu, 0x7FFFFFFu, 0xFFFFFFFFu};
    const std::uint8_t pick = in.byte();
    if (pick < 0xC0)
        return edges[pick % std::size(edges)];
    const QByteArray raw = in.bytes(4).leftJustified(4, '\0');
    return AttributeId(quint8(raw[0])) | AttributeId(quint8(raw[1])) << 8 | AttributeId(quint8(raw[2])) << 16
        | AttributeId(quint8(raw[3])) << 24;
}

void checkCounts(const QString &text, PlaceholderRule rule)
{
    const PlaceholderCounts counts = countPlaceholders(text, rule);
    qsizetype total = 0;
    for (const auto &[placeholder, count] : counts) {
        FUZZ_CHECK(count > 0, shown(placeholder));
        FUZZ_CHECK(text.contains(placeholder), shown(placeholder) + QStringLiteral(" in ") + shown(text));
        total += count;
        if (rule == PlaceholderRule::Percent) {
            const QChar lead = placeholder.at(0);
            FUZZ_CHECK(lead == u'%' || lead == u'\\', shown(placeholder));
            const qsizetype longest = lead == u'%' && placeholder.size() > 1 && placeholder.at(1) == u'l' ? 3 : 2;
            FUZZ_CHECK(placeholder.size() <= longest, shown(placeholder));
        } else {
            static const QRegularExpression group(QStringLiteral("\\A\\{[0-9]+\\}\\z"));
            FUZZ_CHECK(group.match(placeholder).hasMatch(), shown(placeholder));
        }
    }
    if (rule == PlaceholderRule::Percent) {
        // Every "%" and every backslash starts exactly one placeholder.
        FUZZ_CHECK(total == text.count(u'%') + text.count(u'\\'), shown(text));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader in(data, size);
    const AttributeId id = idFrom(in);
    // Then a flag byte, the first text's length in bytes (two bytes) and the
    // two texts, read as UTF-8 or as UTF-16 units.
    const bool utf16 = in.byte() & 1;
    const int low = in.byte();
    const int high = in.byte();
    const QByteArray rest = in.rest();
    const qsizetype split = std::min<qsizetype>(low | high << 8, rest.size());
    const QByteArray first = rest.first(split);
    const QByteArray second = rest.sliced(split);
    auto decode = [utf16](const QByteArray &bytes) {
        if (!utf16)
            return QString::fromUtf8(bytes);
        QString units;
        for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
            units.append(QChar(char16_t(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8)));
        return units;
    };
    const QString a = decode(first);
    const QString b = decode(second);

    const bool ab = CheckPlaceholders(a, b, id);
    const bool ba = CheckPlaceholders(b, a, id);
    const QString pair = shown(a) + QStringLiteral(" / ") + shown(b) + QStringLiteral(" id ") + QString::number(id);
    FUZZ_CHECK(ab == ba, pair);
    FUZZ_CHECK(CheckPlaceholders(a, a, id), pair);
    FUZZ_CHECK(CheckPlaceholders(b, b, id), pair);
    const PlaceholderRule rule = placeholderRuleFor(id);
    FUZZ_CHECK(ab == (countPlaceholders(a, rule) == countPlaceholders(b, rule)), pair);
    checkCounts(a, rule);
    checkCounts(b, rule);
    return 0;
}
