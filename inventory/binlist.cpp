#include "binlist.h"

#include "codec.h"
#include "pictures.h"

namespace vosk {

BinList::BinList(const Inventory &inventory, QObject *parent)
    : QAbstractTableModel(parent), inventory_(inventory), count_(static_cast<int>(inventory.binRows().size()))
{
}

const QPixmap *BinList::picture(int n) const
{
    // Decoded when a row first shows one: the bin is empty at start-up.
    if (pictures_.empty())
        for (const char *name : {"status-green", "status-yellow", "status-red", "status-ring"})
            pictures_.push_back(builtInPicture(QStringLiteral(":/images/%1.png").arg(QLatin1String(name))));
    return n >= 0 && n < static_cast<int>(pictures_.size()) ? &pictures_[static_cast<size_t>(n)] : nullptr;
}

int BinList::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : count_; }

int BinList::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant BinList::data(const QModelIndex &index, int role) const
{
    const auto &rows = inventory_.binRows();
    if (!index.isValid() || index.row() >= count_ || index.row() >= static_cast<int>(rows.size()))
        return {};
    const BinRow &row = rows[static_cast<size_t>(index.row())];
    if (role == Qt::DecorationRole && index.column() == Caption) {
        const QPixmap *shown = picture(statusPicture(row.status));
        return shown ? QVariant(*shown) : QVariant();
    }
    if (role != Qt::DisplayRole)
        return {};
    if (index.column() == References) {
        if (!row.part)
            return {};
        return shownText(row.part->problem.empty() ? row.part->references
                                                    : row.part->references + "  " + row.part->problem);
    }
    const std::string *texts[kColumns - 1] = {&row.caption, &row.name,  &row.description, &row.needed,
                                              &row.shortage, &row.found, &row.stock,       &row.place};
    return shownText(*texts[index.column()]);
}

QVariant BinList::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char *captions[kColumns] = {"Тип",        "Название", "Описание",  "Надо",       "Не хватает",
                                               "Найдено",    "На складе", "Место",    "Обозначения"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumns)
        return {};
    return QString::fromUtf8(captions[section]);
}

void BinList::reset()
{
    beginResetModel();
    count_ = static_cast<int>(inventory_.binRows().size());
    endResetModel();
}

} // namespace vosk
