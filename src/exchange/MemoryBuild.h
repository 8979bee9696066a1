#pragma once

#include "memory/ProductMemory.h"
#include "memory/TranslationMemory.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <utility>

namespace Glossa {

// A language's memory as the editor's suggestions keep it: built from the product,
// an earlier release and the TMX files added to it, or rebuilt from the previous
// memory when only the release or the files changed. Qt Core only; run off the
// window's thread.
struct MemoryBuildRequest
{
    QString language;                  // display name
    QString earlier;                   // an earlier release's folder or master; empty for none
    QStringList tmxPaths;              // the TMX files added, in order
    std::map<QString, std::shared_ptr<const UnitSet>> read; // the files read before, taken as they are
    std::shared_ptr<const TranslationMemory> previous;      // null: built from the product
};

struct MemoryBuild
{
    std::shared_ptr<const TranslationMemory> memory; // null, with error, when it could not be built
    QString error;
    QHash<QString, int> attributeOfKey;              // the master's keys, each to its first attribute
    std::map<QString, std::shared_ptr<const UnitSet>> tmxSets; // every file read, by path
    QList<std::pair<QString, QString>> refused;      // a file that could not be read, and why
};

MemoryBuild buildMemory(ProductMemory &product, const MemoryBuildRequest &request);

// A TMX file's units from the master's English to language, as the memory takes them.
std::shared_ptr<const UnitSet> loadLanguageTmx(const QString &path, const QString &language, QString &why,
                                               int *others = nullptr);

} // namespace Glossa
