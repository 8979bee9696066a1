#include "EntryListModel.h"

#include "model/Constants.h"

#include <QBrush>
#include <QCollator>
#include <QCollatorSortKey>

#include <algorithm>
#include <numeric>

namespace Glossa {

namespace {

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);
const QColor LightYellow(255, 255, 147);
const QColor Red(255, 0, 0);

} // namespace

EntryListModel::EntryListModel(const QStringList &headers, QObject *parent)
    : QAbstractTableModel(parent)
    , m_headers(headers.mid(0, EntryRow::MaxColumns))
{
    Q_ASSERT(headers.size() <= EntryRow::MaxColumns);
    setSortLocale(QLocale());
}

void EntryListModel::setSortLocale(const QLocale &locale)
{
    m_sortLocale = locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}

int EntryListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int EntryListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_headers.size());
}

QVariant EntryListModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const EntryRow &row = m_rows[std::size_t(index.row())];
    switch (role) {
    case Qt::DisplayRole:
        return row.cells[std::size_t(index.column())];
    case IdRole:
        return QVariant::fromValue(uint(row.id));
    case Qt::BackgroundRole:
    case Qt::ForegroundRole: {
        // Only a list with a state column is coloured; the whole row takes the row's colours.
        if (m_statusColumn < 0)
            return {};
        const QString &state = row.cells[std::size_t(m_statusColumn)];
        const bool background = role == Qt::BackgroundRole;
        if (state == StatusModified)
            return QBrush(background ? LightYellow : Black);
        if (state == StatusError)
            return QBrush(background ? Red : White);
        return QBrush(background ? White : Black);
    }
    case Qt::ToolTipRole:
        if (m_toolTip) {
            const QString tip = m_toolTip(row);
            return tip.isEmpty() ? QVariant() : QVariant(tip);
        }
        return {};
    default:
        return {};
    }
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return m_headers.value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags EntryListModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

void EntryListModel::sort(int column, Qt::SortOrder order)
{
    sortRows(column, order == Qt::AscendingOrder);
}

void EntryListModel::setRows(std::vector<EntryRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    for (EntryRow &row : m_rows) {
        for (std::size_t c = std::size_t(m_headers.size()); c < row.cells.size(); ++c)
            row.cells[c] = QString();
        normaliseState(row);
    }
    rebuildIndex();
    endResetModel();
}

void EntryListModel::appendRow(EntryRow row)
{
    const int at = int(m_rows.size());
    for (std::size_t c = std::size_t(m_headers.size()); c < row.cells.size(); ++c)
        row.cells[c] = QString();
    normaliseState(row);
    beginInsertRows({}, at, at);
    m_rows.push_back(std::move(row));
    indexRow(at);
    endInsertRows();
}

void EntryListModel::clear()
{
    beginResetModel();
    m_rows.clear();
    m_rowById.clear();
    endResetModel();
}

QString EntryListModel::text(int row, int column) const
{
    if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= columnCount())
        return {};
    return m_rows[std::size_t(row)].cells[std::size_t(column)];
}

void EntryListModel::setText(int row, int column, const QString &text)
{
    if (row < 0 || row >= int(m_rows.size()) || column < 0 || column >= columnCount())
        return;
    EntryRow &entry = m_rows[std::size_t(row)];
    entry.cells[std::size_t(column)] = text;
    if (column == m_statusColumn)
        normaliseState(entry);
    Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void EntryListModel::updateRows(const std::function<void(EntryRow &row)> &change)
{
    if (m_rows.empty())
        return;
    for (EntryRow &row : m_rows) {
        change(row);
        normaliseState(row);
    }
    Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

AttributeId EntryListModel::itemData(int row) const
{
    Q_ASSERT(row >= 0 && row < int(m_rows.size()));
    if (row < 0 || row >= int(m_rows.size()))
        return 0;
    return m_rows[std::size_t(row)].id;
}

int EntryListModel::findRowById(AttributeId id) const
{
    return m_rowById.value(id, -1);
}

void EntryListModel::setStatusColumn(int column)
{
    m_statusColumn = column >= 0 && column < columnCount() ? column : -1;
    for (EntryRow &row : m_rows)
        normaliseState(row);
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

void EntryListModel::sortRows(int column, bool ascending)
{
    if (column < 0 || column >= columnCount())
        return;
    const std::size_t n = m_rows.size();

    // One sort key per row, so that each comparison is a byte comparison of two keys.
    QCollator collator(m_sortLocale);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(n);
    for (const EntryRow &row : m_rows)
        keys.push_back(collator.sortKey(row.cells[std::size_t(column)]));

    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    if (ascending)
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a].compare(keys[b]) < 0; });
    else
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[b].compare(keys[a]) < 0; });

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<EntryRow> sorted;
    sorted.reserve(n);
    std::vector<int> newRowOf(n);
    for (std::size_t i = 0; i < n; ++i) {
        sorted.push_back(std::move(m_rows[std::size_t(order[i])]));
        newRowOf[std::size_t(order[i])] = int(i);
    }
    m_rows = std::move(sorted);
    rebuildIndex();

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex &old : from)
        to.append(index(newRowOf[std::size_t(old.row())], old.column()));
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void EntryListModel::rebuildIndex()
{
    m_rowById.clear();
    m_rowById.reserve(qsizetype(m_rows.size()));
    // Backwards, so that the first of two rows with the same id keeps the entry.
    for (int row = int(m_rows.size()) - 1; row >= 0; --row)
        m_rowById.insert(m_rows[std::size_t(row)].id, row);
}

void EntryListModel::indexRow(int row)
{
    const AttributeId id = m_rows[std::size_t(row)].id;
    if (!m_rowById.contains(id))
        m_rowById.insert(id, row);
}

// The one place where a state cell is cleaned: any text other than the two marks is
// wiped to the empty text as it is written, so every reader sees one of the three states.
void EntryListModel::normaliseState(EntryRow &row) const
{
    if (m_statusColumn < 0)
        return;
    QString &state = row.cells[std::size_t(m_statusColumn)];
    if (state != StatusModified && state != StatusError)
        state = StatusNone;
}

} // namespace Glossa
