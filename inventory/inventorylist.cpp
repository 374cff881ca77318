#include "inventorylist.h"

#include "codec.h"

namespace vosk {

InventoryList::InventoryList(QObject *parent) : QAbstractTableModel(parent) {}

int InventoryList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int InventoryList::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 4; }

QVariant InventoryList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const ListRow &row = rows_[static_cast<size_t>(index.row())];
    if (role == Qt::DecorationRole && index.column() == 0) {
        if (row.icon < icons_.size())
            return icons_[row.icon];
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case 1:
        return fromCp1251(row.name);
    case 2:
        return fromCp1251(row.quantity);
    case 3:
        return fromCp1251(row.description);
    default:
        return {};
    }
}

QVariant InventoryList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *captions[] = {":)", "Название", "Шт", "Описание"};
    return section >= 0 && section < 4 ? QString::fromUtf8(captions[section]) : QVariant();
}

void InventoryList::setRows(std::vector<ListRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void InventoryList::appendRows(std::vector<ListRow> rows)
{
    if (rows.empty())
        return;
    const int first = static_cast<int>(rows_.size());
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    rows_.insert(rows_.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    endInsertRows();
}

void InventoryList::clear() { setRows({}); }

void InventoryList::removeFirst(int count)
{
    count = std::min<int>(count, static_cast<int>(rows_.size()));
    if (count <= 0)
        return;
    beginRemoveRows({}, 0, count - 1);
    rows_.erase(rows_.begin(), rows_.begin() + count);
    endRemoveRows();
}

SortResult InventoryList::sortRows(int key)
{
    beginResetModel();
    SortResult result = sortlist(rows_, key);
    endResetModel();
    return result;
}

void InventoryList::setIcons(std::vector<QPixmap> icons)
{
    icons_ = std::move(icons);
    if (!rows_.empty())
        Q_EMIT dataChanged(index(0, 0), index(static_cast<int>(rows_.size()) - 1, 0));
}

} // namespace vosk
