#pragma once

#include "editor/EntryFilterModel.h"
#include "editor/EntryListModel.h"

#include <QTableView>

namespace Glossa {

// The editor's report-style entry list: one selected row at a time, shown also when
// the list has no focus, rows coloured by their state (by the model) and sorted by
// a click on a column header, the direction toggling on repeated clicks.
class CVuduzListCtrl : public QTableView
{
    Q_OBJECT

public:
    // Makes and owns an EntryListModel with these column headers.
    explicit CVuduzListCtrl(const QStringList &headers, QWidget *parent = nullptr);

    EntryListModel *entryModel() const { return m_model; }
    // The rows the view shows: all of them unless the editor's filter bar narrows them.
    // Every row number this class takes or gives is a row of entryModel().
    EntryFilterModel *filterModel() const { return m_filter; }
    bool isRowShown(int row) const { return model() == m_model || m_filter->isShown(row); }
    // The view shows the filter's rows while it is active and the model itself
    // otherwise, so the default view is exactly the unfiltered list. The
    // selected row stays selected when it is still shown.
    void setFilterActive(bool active);

    // The state column lives in the model, which colours the rows by it.
    int statusColumn() const { return m_model->statusColumn(); }
    void setStatusColumn(int column) { m_model->setStatusColumn(column); }

    // Column and direction of the last header click; -1 and true before the first.
    int sortColumn() const { return m_sortColumn; }
    bool sortAscending() const { return m_sortAscending; }

    // The selected row, which is also the current one, or -1. Qt makes the first row
    // current when the list gets the focus without selecting it: that is no mark.
    int selectionMark() const;
    // Makes row the only selected row and the current one; -1 clears both.
    void setSelectionMark(int row);
    // Scrolls vertically so that the whole row is visible.
    void ensureRowVisible(int row);

    // What a click on a header does: the same column while ascending turns to
    // descending, anything else sorts that column ascending.
    void headerClicked(int column);

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    QModelIndex viewIndex(int row) const;

    EntryListModel *m_model;
    EntryFilterModel *m_filter;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
};

} // namespace Glossa
