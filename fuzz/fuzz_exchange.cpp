// An exchange file from the input, read as an import reads it: never a crash, a
// refusal always says why and keeps nothing, keys are never repeated, and what
// was read, written out again as XLIFF, reads back as the same units.
#include "FuzzSupport.h"

#include "exchange/Exchange.h"

#include <QSet>

#include <algorithm>

using namespace Glossa;
using namespace Glossa::Fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ExchangeFile file;
    QString error;
    if (!readExchangeFile(bytes, file, error)) {
        FUZZ_CHECK(!error.isEmpty(), QStringLiteral("a refusal without a reason"));
        FUZZ_CHECK(file.units.empty(), error);
        return 0;
    }
    FUZZ_CHECK(error.isEmpty(), error);
    QSet<QString> keys;
    for (const ImportedUnit &unit : file.units) {
        if (unit.key.isEmpty())
            continue;
        FUZZ_CHECK(!keys.contains(unit.key), shown(unit.key));
        keys.insert(unit.key);
    }
    if (file.format != ExchangeFormat::Xliff)
        return 0;

    // Units with a key and a target go out as an export writes them and come back alike.
    // Left aside: control characters, which attribute values do not keep as they are, and
    // enclosing double quotes, which are the language file's syntax and not the value's text.
    const auto plain = [](const QString &text) {
        return std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x20; })
            && !text.startsWith(u'"') && !text.endsWith(u'"');
    };
    ExchangeDocument document;
    document.targetLanguage = file.targetLanguage;
    for (const ImportedUnit &unit : file.units) {
        if (unit.key.isEmpty() || !unit.hasTarget || !plain(unit.key) || !plain(unit.text))
            continue;
        ExchangeEntry entry;
        entry.key = unit.key;
        entry.attributeIndex = 1;
        entry.value = unit.text;
        entry.state = StateTranslated;
        document.entries.push_back(std::move(entry));
    }
    ExchangeFile again;
    FUZZ_CHECK(readExchangeFile(writeXliff(document), again, error), error);
    FUZZ_CHECK(again.units.size() == document.entries.size(), QString::number(again.units.size()));
    for (size_t i = 0; i < again.units.size(); ++i) {
        FUZZ_CHECK(again.units[i].key == document.entries[i].key, shown(again.units[i].key));
        FUZZ_CHECK(again.units[i].text == document.entries[i].value,
                   shown(again.units[i].text) + QStringLiteral(" for ") + shown(document.entries[i].value));
    }
    return 0;
}
