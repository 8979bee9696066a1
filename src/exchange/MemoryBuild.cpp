#include "exchange/MemoryBuild.h"

#include "exchange/Tmx.h"
#include "model/Constants.h"
#include "model/LocaleCatalogue.h"

namespace Glossa {

std::shared_ptr<const UnitSet> loadLanguageTmx(const QString &path, const QString &language, QString &why, int *others)
{
    return loadTmxMemory(path, LocaleCatalogue::Bcp47ForDisplayName(MasterLanguageFileName.chopped(4)),
                         LocaleCatalogue::Bcp47ForDisplayName(language), why, others);
}

MemoryBuild buildMemory(ProductMemory &product, const MemoryBuildRequest &request)
{
    MemoryBuild built;
    std::vector<std::shared_ptr<const UnitSet>> tmx;
    for (const QString &path : request.tmxPaths) {
        const auto found = request.read.find(path);
        std::shared_ptr<const UnitSet> units = found != request.read.end() ? found->second : nullptr;
        QString why;
        if (!units)
            units = loadLanguageTmx(path, request.language, why);
        if (units) {
            built.tmxSets[path] = units;
            tmx.push_back(std::move(units));
        } else {
            built.refused.append({path, why});
        }
    }
    if (request.previous) {
        // The columns are the previous memory's (the language's own values come from
        // the rows at the next question): only the units change.
        std::shared_ptr<const UnitSet> release = request.previous->earlier();
        if (request.earlier.isEmpty())
            release.reset();
        else if (!release || release->name() != request.earlier)
            release = product.readEarlier(request.earlier, request.language);
        if (release || request.earlier.isEmpty())
            built.memory = request.previous->withUnits(std::move(release), std::move(tmx));
    } else {
        built.memory = product.memoryFor(request.language, request.earlier, std::move(tmx));
    }
    if (!built.memory)
        built.error = product.error();
    const QStringList &keys = product.english()->keys();
    built.attributeOfKey.reserve(keys.size());
    for (int a = int(keys.size()) - 1; a >= 0; --a)
        built.attributeOfKey.insert(keys[a], a);
    return built;
}

} // namespace Glossa
