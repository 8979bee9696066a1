#include "VuduzListCtrl.h"

#include <QHeaderView>
#include <QScrollBar>

namespace Glossa {

CVuduzListCtrl::CVuduzListCtrl(const QStringList &headers, QWidget *parent)
    : QTableView(parent)
    , m_model(new EntryListModel(headers, this))
    , m_filter(new EntryFilterModel(m_model, this))
{
    setModel(m_model);
    setAccessibleName(QStringLiteral("Entries"));

    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setTabKeyNavigation(false);
    setShowGrid(true);
    setWordWrap(false);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);

    // One fixed height for every row, as in a report list; it also keeps 20,000 rows cheap.
    QHeaderView *rowsHeader = verticalHeader();
    rowsHeader->hide();
    rowsHeader->setSectionResizeMode(QHeaderView::Fixed);
    rowsHeader->setMinimumSectionSize(1);
    rowsHeader->setDefaultSectionSize(fontMetrics().lineSpacing() + 6);

    QHeaderView *header = horizontalHeader();
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setHighlightSections(false);
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    // Sorting is ours: QTableView's own sorting would also sort on programmatic indicator changes.
    connect(header, &QHeaderView::sectionClicked, this, &CVuduzListCtrl::headerClicked);

    // The selected row stays visible when the focus is in the edit fields.
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
}

int CVuduzListCtrl::selectionMark() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() && selectionModel()->isSelected(current) ? (model() == m_model ? current.row() : m_filter->mapToSource(current).row()) : -1;
}

void CVuduzListCtrl::setSelectionMark(int row)
{
    const QModelIndex shown = viewIndex(row);
    if (!shown.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(shown,
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CVuduzListCtrl::ensureRowVisible(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const QModelIndex shown = viewIndex(row);
    if (!shown.isValid())
        return;
    // Only the rows scroll; the columns stay where the user put them.
    const int left = horizontalScrollBar()->value();
    scrollTo(shown, QAbstractItemView::EnsureVisible);
    horizontalScrollBar()->setValue(left);
}

QModelIndex CVuduzListCtrl::viewIndex(int row) const
{
    if (row < 0 || row >= m_model->rowCount())
        return {};
    const QModelIndex index = m_model->index(row, 0);
    return model() == m_model ? index : m_filter->mapFromSource(index);
}

void CVuduzListCtrl::setFilterActive(bool active)
{
    QAbstractItemModel *wanted = active ? static_cast<QAbstractItemModel *>(m_filter) : m_model;
    if (model() == wanted)
        return;
    const int mark = selectionMark();
    QHeaderView *header = horizontalHeader();
    QList<int> widths;
    for (int column = 0; column < m_model->columnCount(); ++column)
        widths << columnWidth(column);
    QItemSelectionModel *old = selectionModel();
    setModel(wanted);
    delete old;
    for (int column = 0; column < widths.size(); ++column)
        setColumnWidth(column, widths[column]);
    header->setSortIndicator(m_sortColumn, m_sortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    if (mark >= 0 && isRowShown(mark)) {
        setSelectionMark(mark);
        ensureRowVisible(mark);
    }
}

QModelIndex CVuduzListCtrl::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // A report list's Home and End go to the first and last row; a table's would
    // only move along the row, which selects whole rows and so would not move at all.
    if (cursorAction == MoveHome || cursorAction == MoveEnd)
        modifiers |= Qt::ControlModifier;
    return QTableView::moveCursor(cursorAction, modifiers);
}

void CVuduzListCtrl::headerClicked(int column)
{
    if (column < 0 || column >= m_model->columnCount())
        return;
    if (column == m_sortColumn && m_sortAscending) {
        m_sortAscending = false;
    } else {
        m_sortColumn = column;
        m_sortAscending = true;
    }
    horizontalHeader()->setSortIndicator(m_sortColumn, m_sortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_model->sortRows(m_sortColumn, m_sortAscending);
}

} // namespace Glossa
