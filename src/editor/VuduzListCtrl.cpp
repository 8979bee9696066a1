#include "VuduzListCtrl.h"

#include <QHeaderView>
#include <QScrollBar>

namespace Glossa {

CVuduzListCtrl::CVuduzListCtrl(const QStringList &headers, QWidget *parent)
    : QTableView(parent)
    , m_model(new EntryListModel(headers, this))
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
    return current.isValid() && selectionModel()->isSelected(current) ? current.row() : -1;
}

void CVuduzListCtrl::setSelectionMark(int row)
{
    if (row < 0 || row >= m_model->rowCount()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void CVuduzListCtrl::ensureRowVisible(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    // Only the rows scroll; the columns stay where the user put them.
    const int left = horizontalScrollBar()->value();
    scrollTo(m_model->index(row, 0), QAbstractItemView::EnsureVisible);
    horizontalScrollBar()->setValue(left);
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
