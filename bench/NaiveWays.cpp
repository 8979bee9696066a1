#include "NaiveWays.h"

#include "model/Constants.h"
#include "platform/ProfileFile.h"

#ifdef GLOSSA_BENCH_GUI
#include "editor/EntryListModel.h"

#include <QCollator>

#include <algorithm>
#endif

using namespace Glossa;

namespace Bench {

void naiveLoad(const LanguageStore &store, const QString &path, LanguageValues &values, RedundantKeySet &redundant)
{
    for (const ProfileEntry &entry : GetPrivateProfileSection(TextSectionName, path)) {
        bool found = false;
        for (auto it = store.attributes().cbegin(); it != store.attributes().cend(); ++it) {
            if (it.value() == entry.key) {
                if (!values.contains(it.key()))
                    values.insert(it.key(), entry.value);
                found = true;
                break;
            }
        }
        if (!found)
            redundant.insert(entry.key);
    }
}

#ifdef GLOSSA_BENCH_GUI
int linearFind(const std::vector<EntryRow> &rows, AttributeId id)
{
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (rows[i].id == id)
            return int(i);
    }
    return -1;
}

void naiveSort(std::vector<EntryRow> &rows, int column, const QLocale &locale)
{
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<AttributeId> ids;
    ids.reserve(rows.size());
    for (const EntryRow &row : rows)
        ids.push_back(row.id);
    std::stable_sort(ids.begin(), ids.end(), [&](AttributeId a, AttributeId b) {
        const QString &t1 = rows[std::size_t(linearFind(rows, a))].cells[std::size_t(column)];
        const QString &t2 = rows[std::size_t(linearFind(rows, b))].cells[std::size_t(column)];
        return collator.compare(t1, t2) < 0;
    });
    std::vector<EntryRow> sorted;
    sorted.reserve(rows.size());
    for (AttributeId id : ids)
        sorted.push_back(rows[std::size_t(linearFind(rows, id))]);
    rows = std::move(sorted);
}
#endif

} // namespace Bench
