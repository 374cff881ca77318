#include "inventorylist.h"

#include "codec.h"

namespace vosk {

InventoryList::InventoryList(const Inventory &inventory, QObject *parent)
    : QAbstractTableModel(parent), inventory_(inventory)
{
}

int InventoryList::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : count_; }

int InventoryList::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kListColumns; }

QVariant InventoryList::data(const QModelIndex &index, int role) const
{
    if (held_) {
        if (!index.isValid() || index.row() >= count_ || static_cast<size_t>(index.row()) >= held_->size())
            return {};
        const ListRow &r = (*held_)[static_cast<size_t>(index.row())];
        const auto column = static_cast<ListColumn>(index.column());
        if (role == Qt::DecorationRole && column == ListColumn::Category)
            return r.icon < icons_.size() ? QVariant(icons_[r.icon]) : QVariant();
        if (role != Qt::DisplayRole)
            return {};
        switch (column) {
        case ListColumn::Name:
            return shownText(r.name);
        case ListColumn::Quantity:
            return QString::fromLatin1(r.quantity.c_str());
        case ListColumn::Description:
            return shownText(r.description);
        case ListColumn::Category:
            break;
        }
        return {};
    }
    if (!index.isValid() || index.row() >= count_ || index.row() >= static_cast<int>(inventory_.rows().size()))
        return {};
    const CompStore &store = inventory_.store();
    const uint16_t slot = inventory_.rows()[static_cast<size_t>(index.row())];
    const auto column = static_cast<ListColumn>(index.column());
    if (role == Qt::DecorationRole && column == ListColumn::Category) {
        const std::size_t icon = store.category[slot];
        return icon < icons_.size() ? QVariant(icons_[icon]) : QVariant();
    }
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case ListColumn::Name:
        return shownText(store.name[slot]);
    case ListColumn::Quantity:
        return QString::number(store.quantity[slot]);
    case ListColumn::Description:
        return shownText(store.description[slot]);
    case ListColumn::Category:
        break;
    }
    return {};
}

QVariant InventoryList::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char *captions[kListColumns] = {":)", "Название", "Шт", "Описание"};
    return section >= 0 && section < kListColumns ? QString::fromUtf8(captions[section]) : QVariant();
}

void InventoryList::reset()
{
    beginResetModel();
    count_ = held_ ? static_cast<int>(held_->size()) : static_cast<int>(inventory_.rows().size());
    endResetModel();
}

void InventoryList::appended(int first)
{
    const int size = static_cast<int>(inventory_.rows().size());
    if (first != count_ || size <= first) {
        reset();
        return;
    }
    beginInsertRows({}, first, size - 1);
    count_ = size;
    endInsertRows();
}

void InventoryList::refreshTexts()
{
    if (static_cast<int>(inventory_.rows().size()) != count_) {
        reset();
        return;
    }
    if (count_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(count_ - 1, kListColumns - 1));
}

ListRow InventoryList::row(int index) const
{
    if (held_)
        return held_->at(static_cast<size_t>(index));
    const CompStore &store = inventory_.store();
    const uint16_t slot = inventory_.rows().at(static_cast<size_t>(index));
    return {store.category[slot], std::string(store.name[slot]), std::to_string(store.quantity[slot]),
            std::string(store.description[slot])};
}

std::vector<ListRow> InventoryList::rows() const
{
    if (held_)
        return std::vector<ListRow>(held_->begin(), held_->begin() + std::min<std::ptrdiff_t>(count_, static_cast<std::ptrdiff_t>(held_->size())));
    std::vector<ListRow> out;
    for (int i = 0; i < count_; ++i)
        out.push_back(row(i));
    return out;
}

void InventoryList::hold()
{
    if (held_)
        return;
    std::vector<ListRow> copy;
    copy.reserve(static_cast<size_t>(count_));
    for (int i = 0; i < count_; ++i)
        copy.push_back(row(i));
    held_ = std::move(copy);
}

void InventoryList::release() { held_.reset(); }

void InventoryList::setIcons(std::vector<QPixmap> icons)
{
    icons_ = std::move(icons);
    if (count_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(count_ - 1, 0));
}

} // namespace vosk
