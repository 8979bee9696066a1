#include "editor/EntryFilterModel.h"

#include "checks/CheckEngine.h"
#include "model/Constants.h"

namespace Glossa {

EntryFilterModel::EntryFilterModel(EntryListModel *source, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_source(source)
{
    setSourceModel(source);
}

void EntryFilterModel::setMode(EntryFilterMode mode)
{
    m_mode = mode;
    m_kept.clear();
    refilter();
}

void EntryFilterModel::setText(const QString &text)
{
    m_text = text;
    m_kept.clear();
    refilter();
}

void EntryFilterModel::refilter()
{
    // invalidateFilter() would report every run of rows that comes or goes as
    // its own insertion or removal: a filter that keeps one row in ten of
    // 20,000 sends 2,000 of them, and each one makes the views and the
    // editor's counts go over the whole list again. One layout change instead
    // maps the rows anew in a single pass, and the selected row keeps its
    // selection when it is still shown.
    invalidate();
}

void EntryFilterModel::keepShown(AttributeId id)
{
    if (isActive())
        m_kept.insert(id);
}

bool EntryFilterModel::isShown(int sourceRow) const
{
    return mapFromSource(m_source->index(sourceRow, 0)).isValid();
}

bool EntryFilterModel::matches(const EntryRow &row, int statusColumn, EntryFilterMode mode, const QString &text,
                               const std::function<bool(const EntryRow &row)> &hasWarning,
                               const std::function<bool(const EntryRow &row)> &isStale)
{
    if (!text.isEmpty() && !row.cells[0].contains(text, Qt::CaseInsensitive)
        && !row.cells[1].contains(text, Qt::CaseInsensitive) && !row.cells[2].contains(text, Qt::CaseInsensitive))
        return false;
    const QString state = statusColumn >= 0 && statusColumn < EntryRow::MaxColumns ? row.cells[statusColumn] : QString();
    switch (mode) {
    case EntryFilterMode::All:
        return true;
    case EntryFilterMode::Untranslated:
        return isBlankValue(row.cells[1]);
    case EntryFilterMode::Errors:
        return state == StatusError;
    case EntryFilterMode::Marked:
        return state == StatusError || state == StatusModified;
    case EntryFilterMode::Warnings:
        return hasWarning && hasWarning(row);
    case EntryFilterMode::SameAsReference:
        return !isBlankValue(row.cells[1]) && row.cells[1] == row.cells[2];
    case EntryFilterMode::ReferenceChanged:
        return isStale && isStale(row);
    }
    return true;
}

bool EntryFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (sourceParent.isValid() || !isActive())
        return true;
    const EntryRow &row = m_source->rows()[size_t(sourceRow)];
    return m_kept.contains(row.id) || matches(row, m_source->statusColumn(), m_mode, m_text, m_hasWarning, m_isStale);
}

} // namespace Glossa
