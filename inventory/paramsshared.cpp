// The inventory window on a stock kept on a server: which one, and what the other
// workstations change appearing here while the user works.
#include "codec.h"
#include "controls.h"
#include "cp1251.h"
#include "params.h"

#include <QCheckBox>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSocketNotifier>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

namespace vosk {

void Tbase::showSharedStock()
{
    const QString where = fromCp1251(inventory_->storeName());
    setWindowTitle(windowTitle() + QStringLiteral(" — ") + where);
    storeLabel_ = new QLabel(where);
    storeLabel_->setObjectName(QStringLiteral("storeName"));
    statusBar()->addPermanentWidget(storeLabel_);
    watchAnnouncements();
    // A change held off by a pass, a batch or an ordering is followed once that is over, and a
    // lost connection is tried again, once a second.
    auto *later = new QTimer(this);
    later->setInterval(1000);
    connect(later, &QTimer::timeout, this, &Tbase::followOthers);
    later->start();
}

void Tbase::watchAnnouncements()
{
    // The server announces every committed change on the connection's socket (a new one
    // after the connection was made again).
    delete announced_;
    announced_ = nullptr;
    const int socket = inventory_->changesSocket();
    if (socket < 0)
        return;
    announced_ = new QSocketNotifier(socket, QSocketNotifier::Read, this);
    connect(announced_, &QSocketNotifier::activated, this, &Tbase::followOthers);
}

void Tbase::showReachable(bool reachable)
{
    sharedLost_ = !reachable;
    if (reachable)
        watchAnnouncements();
    else if (announced_)
        announced_->setEnabled(false); // a closed socket would be "readable" without end
    const bool changeable = reachable && !inventory_->readOnly();
    for (QWidget *w : std::initializer_list<QWidget *>{add, remove, movecomp, tomove, removecomp, take, takecomp})
        w->setEnabled(changeable);
    const QString text = reachable ? fromCp1251(inventory_->storeName())
                                   : tr8("Нет связи с сервером: только просмотр");
    storeLabel_->setText(text);
    setstatus(cp1251(reachable ? "Связь с сервером восстановлена" : "Связь с сервером потеряна, восстанавливается"));
}

void Tbase::followOthers()
{
    // An ordering or a batch reads the store on another thread: it must not change meanwhile.
    if (sortWorker_ || batch_)
        return;
    // What the user looks at, by the records' keys: their rows may move.
    const std::vector<uint16_t> &rows = inventory_->rows();
    const auto keyAt = [&](int row) -> std::optional<StockKey> {
        if (row < 0 || static_cast<std::size_t>(row) >= rows.size())
            return std::nullopt;
        const uint16_t slot = rows[static_cast<std::size_t>(row)];
        const CompStore &store = inventory_->store();
        return StockKey{store.category[slot], std::string(store.name[slot]), std::string(store.description[slot])};
    };
    const QModelIndex current = list->currentIndex();
    const bool selected = current.isValid() && list->selectionModel()->isRowSelected(current.row(), {});
    const std::optional<StockKey> chosen = keyAt(current.row());
    const std::optional<StockKey> top = keyAt(list->rowAt(0));
    const int scrolled = list->verticalScrollBar()->value();

    const std::optional<Outcome> followed = inventory_->followOthers();
    if (inventory_->storeReachable() == sharedLost_)
        showReachable(inventory_->storeReachable());
    if (!followed)
        return;
    apply(*followed);

    const auto rowOf = [&](const std::optional<StockKey> &key) {
        if (key)
            for (std::size_t r = 0; r < inventory_->rows().size(); ++r)
                if (keyAt(static_cast<int>(r)) == key)
                    return static_cast<int>(r);
        return -1;
    };
    if (const int row = rowOf(chosen); row >= 0) {
        // Only the list's marking: the changing tab keeps what the user is typing.
        const QModelIndex again = list->model()->index(row, std::max(current.column(), 0));
        list->selectionModel()->setCurrentIndex(
            again, selected ? QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows : QItemSelectionModel::NoUpdate);
    }
    if (const int row = rowOf(top); row >= 0)
        list->scrollTo(list->model()->index(row, 0), QAbstractItemView::PositionAtTop);
    else
        list->verticalScrollBar()->setValue(scrolled);
}

} // namespace vosk
