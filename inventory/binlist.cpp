#include "binlist.h"

#include "codec.h"

namespace vosk {

BinList::BinList(QObject *parent) : QAbstractTableModel(parent)
{
    for (const char *name : {"status-green", "status-yellow", "status-red", "status-ring"})
        pictures_.emplace_back(QStringLiteral(":/images/%1.png").arg(QLatin1String(name)));
}

int BinList::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : static_cast<int>(rows_.size()); }

int BinList::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : 6; }

QVariant BinList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= static_cast<int>(rows_.size()))
        return {};
    const BinRow &row = rows_[static_cast<size_t>(index.row())];
    if (role == Qt::DecorationRole && index.column() == 0) {
        const int picture = statusPicture(row.status);
        return picture >= 0 && picture < static_cast<int>(pictures_.size()) ? pictures_[static_cast<size_t>(picture)]
                                                                           : QVariant();
    }
    if (role != Qt::DisplayRole)
        return {};
    const std::string *texts[] = {&row.caption, &row.name, &row.description, &row.needed, &row.shortage, &row.found};
    return fromCp1251(*texts[index.column()]);
}

QVariant BinList::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *captions[] = {"Тип", "Название", "Описание", "Надо", "Не хватает", "Найдено"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 5)
        return {};
    return QString::fromUtf8(captions[section]);
}

void BinList::setRows(std::vector<BinRow> rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

void BinList::append(BinRow row)
{
    const int at = static_cast<int>(rows_.size());
    beginInsertRows({}, at, at);
    rows_.push_back(std::move(row));
    endInsertRows();
}

void BinList::removeRow(int row)
{
    if (row < 0 || row >= static_cast<int>(rows_.size()))
        return;
    beginRemoveRows({}, row, row);
    rows_.erase(rows_.begin() + row);
    endRemoveRows();
}

} // namespace vosk
