#pragma once
#include "listsort.h"

#include <QAbstractTableModel>
#include <QPixmap>
#include <vector>

namespace vosk {

// The rows of the inventory list: a display copy of records (icon index taken as 8 bits,
// name, quantity text, description), held in one vector so that a refill of the whole
// store is a single model reset. Texts stay in code page 1251 and are converted only for
// the cells on screen.
class InventoryList : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit InventoryList(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const std::vector<ListRow> &rows() const { return rows_; }
    // Replaces every row at once.
    void setRows(std::vector<ListRow> rows);
    // Appends rows after the present ones.
    void appendRows(std::vector<ListRow> rows);
    void clear();
    void removeFirst(int count);
    // Orders the rows by one of the four keys (see sortlist).
    SortResult sortRows(int key);

    void setIcons(std::vector<QPixmap> icons);

private:
    std::vector<ListRow> rows_;
    std::vector<QPixmap> icons_;
};

} // namespace vosk
