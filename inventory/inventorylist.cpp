#include "inventorylist.h"

#include "codec.h"

#include <QPainter>

namespace vosk {

InventoryList::InventoryList(const Inventory &inventory, QObject *parent)
    : QAbstractTableModel(parent), inventory_(inventory)
{
}

int InventoryList::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : count_; }

int InventoryList::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kListColumns + (places_ ? 1 : 0);
}

namespace {

// A red dot in the icon's lower right corner: the record holds fewer parts than its minimum.
QPixmap withShortageMark(const QPixmap &icon)
{
    QPixmap out = icon.isNull() ? QPixmap(16, 16) : icon.copy();
    if (icon.isNull())
        out.fill(Qt::transparent);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 1));
    painter.setBrush(QColor(220, 30, 30));
    const qreal d = std::max<qreal>(6, out.deviceIndependentSize().height() / 2.5);
    const QSizeF size = out.deviceIndependentSize();
    painter.drawEllipse(QRectF(size.width() - d - 0.5, size.height() - d - 0.5, d, d));
    return out;
}

} // namespace

QVariant InventoryList::data(const QModelIndex &index, int role) const
{
    if (held_) {
        if (!index.isValid() || index.row() >= count_ || static_cast<size_t>(index.row()) >= held_->size())
            return {};
        const ListRow &r = (*held_)[static_cast<size_t>(index.row())];
        const HeldAttributes *extra =
            static_cast<size_t>(index.row()) < heldAttributes_.size() ? &heldAttributes_[static_cast<size_t>(index.row())] : nullptr;
        const auto column = static_cast<ListColumn>(index.column());
        if (role == Qt::ToolTipRole)
            return extra && !extra->shortage.empty() ? QVariant(fromCp1251(extra->shortage)) : QVariant();
        if (role == Qt::DecorationRole && column == ListColumn::Category) {
            if (extra && !extra->shortage.empty() && !marked_.empty())
                return marked_[std::min<std::size_t>(r.icon, marked_.size() - 1)];
            return r.icon < icons_.size() ? QVariant(icons_[r.icon]) : QVariant();
        }
        if (role != Qt::DisplayRole)
            return {};
        if (index.column() == kPlaceColumn)
            return places_ && extra ? shownText(extra->place) : QVariant();
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
    if (role == Qt::ToolTipRole) {
        const std::string shortage = inventory_.rowShortage(index.row());
        return shortage.empty() ? QVariant() : QVariant(fromCp1251(shortage));
    }
    if (role == Qt::DecorationRole && column == ListColumn::Category) {
        const std::size_t icon = store.category[slot];
        if (!marked_.empty() && !inventory_.rowShortage(index.row()).empty())
            return marked_[std::min(icon, marked_.size() - 1)];
        return icon < icons_.size() ? QVariant(icons_[icon]) : QVariant();
    }
    if (role != Qt::DisplayRole)
        return {};
    if (index.column() == kPlaceColumn)
        return places_ ? shownText(inventory_.rowAttribute(index.row(), Attribute::Place)) : QVariant();
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
    if (section == kPlaceColumn && places_)
        return QString::fromUtf8(attributeInfo(Attribute::Place).title);
    return section >= 0 && section < kListColumns ? QString::fromUtf8(captions[section]) : QVariant();
}

void InventoryList::reset()
{
    beginResetModel();
    count_ = held_ ? static_cast<int>(held_->size()) : static_cast<int>(inventory_.rows().size());
    if (!held_)
        places_ = inventory_.attributes().anyHas(Attribute::Place);
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
    if (inventory_.attributes().anyHas(Attribute::Place) != places_) {
        reset();
        return;
    }
    if (count_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(count_ - 1, columnCount() - 1));
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
    // The places and shortages shown go with the rows: the batch may change them meanwhile.
    heldAttributes_.clear();
    if (inventory_.attributes().records() > 0) {
        heldAttributes_.reserve(static_cast<size_t>(count_));
        for (int i = 0; i < count_; ++i)
            heldAttributes_.push_back({inventory_.rowAttribute(i, Attribute::Place), inventory_.rowShortage(i)});
    }
    held_ = std::move(copy);
}

void InventoryList::release()
{
    held_.reset();
    heldAttributes_.clear();
}

void InventoryList::setIcons(std::vector<QPixmap> icons)
{
    icons_ = std::move(icons);
    marked_.clear();
    for (const QPixmap &icon : icons_)
        marked_.push_back(withShortageMark(icon));
    marked_.push_back(withShortageMark({}));
    if (count_ > 0)
        Q_EMIT dataChanged(index(0, 0), index(count_ - 1, 0));
}

} // namespace vosk
