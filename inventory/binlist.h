#pragma once
#include "bin.h"

#include <QAbstractTableModel>
#include <QPixmap>
#include <vector>

namespace vosk {

// The rows of the bin list: status picture and category, name, description, needed,
// shortage, found.
class BinList : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit BinList(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<BinRow> &rows() const { return rows_; }
    void setRows(std::vector<BinRow> rows);
    void append(BinRow row);
    void removeRow(int row);

private:
    std::vector<BinRow> rows_;
    std::vector<QPixmap> pictures_; // ImageList2: green, yellow, red, ring
};

} // namespace vosk
