// A glossary file from the input, read as glossa terms import reads it: its first byte
// chooses the format (TBX, TSV, CSV, phrase book), the rest is the file. Never a crash; a
// refusal says why and keeps nothing; what was read, written as the product's TBX file,
// reads back the same; and its terms, looked for in texts made of the input, never upset
// the matching.
#include "FuzzSupport.h"

#include "terms/GlossaryFormats.h"
#include "terms/TermChecker.h"

using namespace Glossa;
using namespace Glossa::Fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    InputReader input(data, size);
    const auto format = GlossaryFormat(input.below(4));
    const QByteArray bytes = input.rest();
    auto glossary = std::make_shared<Glossary>();
    QString error;
    if (!readGlossary(bytes, format, *glossary, error, QStringLiteral("de-DE"))) {
        FUZZ_CHECK(!error.isEmpty(), QStringLiteral("a refusal without a reason"));
        FUZZ_CHECK(glossary->isEmpty(), error);
        return 0;
    }
    Glossary again;
    const QByteArray tbx = writeTbx(*glossary);
    FUZZ_CHECK(readTbx(tbx, again, error), error + u'\n' + QString::fromUtf8(tbx));
    FUZZ_CHECK(again == *glossary, QString::fromUtf8(tbx));

    // The file's own text as English and as a value, in a spaced and an unspaced script.
    const QString text = QString::fromUtf8(bytes.left(512));
    const auto english = std::make_shared<const EnglishTerms>(glossary, QStringList{QStringLiteral("KEY")}, QStringList{text});
    for (const QString &language : {QStringLiteral("de-DE"), QStringLiteral("zh-CN")}) {
        const TermChecker checker(english, language);
        for (const TermFinding &finding : checker.checkRow(0, text))
            FUZZ_CHECK(!finding.message.isEmpty() && finding.key == u"KEY", finding.check);
        checker.entriesFor(text);
    }
    return 0;
}
