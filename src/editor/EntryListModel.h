#pragma once

#include "model/Types.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QLocale>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

namespace Glossa {

// One entry of a list: up to four cells (Attribute, Value, Reference, state) and
// the attribute's id as item data. A fixed array keeps a row at one allocation-free
// block, which matters at tens of thousands of rows.
struct EntryRow
{
    static constexpr int MaxColumns = 4;

    std::array<QString, MaxColumns> cells;
    AttributeId id = 0;
};

// The rows of an entry list: the main window's (Attribute, Value) and the editor's
// (Attribute, Value, Reference, "Statue"). Rows are found by their item data through
// an index that is rebuilt whenever rows move, so a lookup never scans the list.
class EntryListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    // Data role that gives a row's AttributeId (as uint) in every column.
    static constexpr int IdRole = Qt::UserRole;

    // One column per header text, at most EntryRow::MaxColumns.
    explicit EntryListModel(const QStringList &headers, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Same as sortRows(column, order == Qt::AscendingOrder).
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Replaces all rows in one reset. Cells beyond columnCount() are cleared.
    void setRows(std::vector<EntryRow> rows);
    void appendRow(EntryRow row);
    void clear();
    const std::vector<EntryRow> &rows() const { return m_rows; }

    // Changes every row through change() and tells the views once; states are
    // cleaned as setText() cleans them.
    void updateRows(const std::function<void(EntryRow &row)> &change);

    // Out-of-range rows or columns read as the empty text and are not written.
    QString text(int row, int column) const;
    // Emits dataChanged for the whole row, since a new state recolours all its cells.
    void setText(int row, int column, const QString &text);
    // The row's AttributeId; row must be valid (0 otherwise).
    AttributeId itemData(int row) const;
    // The first row whose item data is id, or -1.
    int findRowById(AttributeId id) const;

    // The column holding the entry state, -1 for none (then no row is coloured).
    int statusColumn() const { return m_statusColumn; }
    void setStatusColumn(int column);

    // Locale of the column sort: the default locale when the model was made, or
    // English (United States) when that is the C locale (see setSortLocale).
    QLocale sortLocale() const { return m_sortLocale; }
    // For the C locale QCollator compares code points; the list always sorts by a
    // language's rules, so the C locale is replaced by English (United States).
    void setSortLocale(const QLocale &locale);

    // What a row's tooltip says, asked for when it is shown; none without one.
    void setToolTipProvider(std::function<QString(const EntryRow &row)> provider) { m_toolTip = std::move(provider); }

    // Stable sort of the rows by one column's text, locale-aware and case-sensitive.
    // Persistent indexes (selection, current row) follow their rows.
    void sortRows(int column, bool ascending);

private:
    void rebuildIndex();
    void indexRow(int row);
    void normaliseState(EntryRow &row) const;

    QStringList m_headers;
    std::vector<EntryRow> m_rows;
    // Item data to the first row that carries it.
    QHash<AttributeId, int> m_rowById;
    int m_statusColumn = -1;
    QLocale m_sortLocale;
    std::function<QString(const EntryRow &row)> m_toolTip;
};

} // namespace Glossa
