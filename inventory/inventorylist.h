#pragma once
#include "inventory.h"

#include <QAbstractTableModel>
#include <QPixmap>
#include <optional>
#include <vector>

namespace vosk {

// The rows of the inventory list, read from the inventory: a row is a store slot, its texts
// are the store's (code page 1251, converted only for the cells on screen). The inventory
// changes its rows first and the window then says how (reset, appended, texts changed); until
// then the model keeps showing as many rows as it announced.
class InventoryList final : public QAbstractTableModel {
    Q_OBJECT
public:
    // Empty until the first reset. A view lays out a row header for every row at each
    // reset: with a full store shown from the start, that would happen twice at start-up.
    InventoryList(const Inventory &inventory, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The inventory shows another list.
    void reset();
    // Rows were added after `first`.
    void appended(int first);
    // The same rows, texts perhaps changed.
    void refreshTexts();

    // The rows as the list shows them.
    ListRow row(int index) const;
    std::vector<ListRow> rows() const;

    void setIcons(std::vector<QPixmap> icons);

    // The column of places, after the four of the list while any record has a place.
    static constexpr int kPlaceColumn = kListColumns;
    bool showsPlaces() const { return places_; }
    // While a batch changes the store on another thread the list shows a copy of its rows
    // taken before, and reads nothing of the inventory until `release`, after which the
    // window says at once how the rows changed (reset, appended, texts).
    void hold();
    void release();
    bool held() const { return held_.has_value(); }

private:
    const Inventory &inventory_;
    int count_ = 0;
    bool places_ = false;
    std::vector<QPixmap> icons_;
    // The same icons with the mark of a record below its minimum; [icons_.size()]: the mark alone.
    std::vector<QPixmap> marked_;
    std::optional<std::vector<ListRow>> held_;
    struct HeldAttributes {
        std::string place, shortage;
    };
    std::vector<HeldAttributes> heldAttributes_; // beside held_, empty when no record has attributes
};

} // namespace vosk
