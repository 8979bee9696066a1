#pragma once

#include "model/LanguageStore.h"

#include <QLocale>

#include <vector>

// The original design's ways, kept only to measure against: a scan of the
// catalogue per key, rows found by item data from the first row, and a sort
// whose comparison finds both rows that way.
namespace Glossa {
struct EntryRow;
}

namespace Bench {

void naiveLoad(const Glossa::LanguageStore &store, const QString &path, Glossa::LanguageValues &values,
               Glossa::RedundantKeySet &redundant);

#ifdef GLOSSA_BENCH_GUI
int linearFind(const std::vector<Glossa::EntryRow> &rows, Glossa::AttributeId id);
// Sorts ascending by one column with the locale's case-sensitive collation.
void naiveSort(std::vector<Glossa::EntryRow> &rows, int column, const QLocale &locale);
#endif

} // namespace Bench
