#pragma once
#include "inventory.h"

#include <QAbstractTableModel>
#include <QPixmap>
#include <vector>

namespace vosk {

// The rows of the bin list, read from the inventory's bin: status picture and category,
// name, description, needed, shortage, found, the parts in stock, where the found records lie,
// and for a row of a bill of materials the drawing's references («R1–R7, R12»; a problem row: why it is one).
class BinList final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Caption, Name, Description, Needed, Shortage, Found, Stock, Place, References };
    static constexpr int kColumns = 9;

    BinList(const Inventory &inventory, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The bin changed.
    void reset();

private:
    const Inventory &inventory_;
    int count_ = 0;
    const QPixmap *picture(int n) const;
    mutable std::vector<QPixmap> pictures_; // green, yellow, red, ring
};

} // namespace vosk
