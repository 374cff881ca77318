// The inventory on a stock kept elsewhere and shared with other workstations (the server):
// the copy in memory is what the list, the ordering and the searches read, and every change
// is made there first.
#include "inventory.h"

#include "cp1251.h"
#include "mainfile.h"
#include "nameindex.h"
#include "valuecache.h"

#include <algorithm>

namespace vosk {

Inventory::JournalGroup::~JournalGroup()
{
    if (!inventory_.stock().endGroup() && inventory_.stock().shared()) {
        // Not committed: none of the group's changes is on the server, whatever the copy shows.
        Outcome ignored;
        (void)inventory_.loadShared(ignored);
    }
}

bool Inventory::loadShared(Outcome &out)
{
    std::string message;
    const std::optional<StockStore::Files> files = stock().files(message);
    if (!files) {
        out.error(message);
        return false;
    }
    // Read as the folder's files are read, so that both stocks are the same program's.
    readMainFile(files->main, store_);
    dictionary_ = readDictionary(files->strings);
    categories_ = readCategoryList(files->components).names;
    names_.rebuild(store_);
    values_.rebuild(store_);
    filter();
    out.list = ListChange::Reset;
    return true;
}

bool Inventory::changeShared(const StockChange &done, Outcome &out)
{
    const StockKey &key = done.key;
    // What the change in memory refuses, or finds nothing to do for, it says by itself.
    if (key.category < 0 || key.category > 0xFFFF || !unstorableText(key.name).empty() ||
        !unstorableText(key.description).empty() || done.amount < 0)
        return true;
    ViewList view;
    findRecords(store_, &names_, key, view);
    const int slot = view.viewcount > 0 ? view.viewlist[1] : 0;
    const int held = slot ? store_.quantity[slot] : 0;
    int delta = done.amount;
    if (done.take) {
        if (slot == 0)
            return true; // «Нет такой детали»
        delta = -std::min(done.amount, held); // a take of more than there is takes what there is
    } else if (held + done.amount > 65535 || (!slot && (store_.full() || !newRecordRefusal(key).empty()))) {
        return true;
    }
    if (delta == 0)
        return true;
    const StockStore::Applied a = stock().apply(key, delta);
    if (a.kind == StockStore::Applied::Done) {
        sharedQuantity_ = a.quantity;
        return true;
    }
    sharedRefused_ = true;
    if (a.kind == StockStore::Applied::Failed) {
        out.refuse(cp1251("Изменение не сделано: ") + a.message, true);
        return false;
    }
    // Another workstation changed the record meanwhile: the copy shows what the server holds.
    followShared(key, a.quantity);
    listChanged();
    if (done.take)
        out.refuse(cp1251("Уже взяли: осталось ") + std::to_string(a.quantity));
    else
        out.refuse(cp1251("Нельзя хранить больше 65535 деталей одного наименования: сейчас их ") +
                   std::to_string(a.quantity) + cp1251(", добавить ") + std::to_string(done.amount) +
                   cp1251(" не получится."));
    if (!batchmode_)
        out.then(refresh());
    return false;
}

std::optional<Outcome> Inventory::followOthers()
{
    othersPending_ = stock().othersChanged() || othersPending_;
    if (!othersPending_ || batchmode_ || pass_.active() || pass_.finished())
        return std::nullopt;
    othersPending_ = false;
    Outcome out;
    if (!loadShared(out))
        return out;
    out.then(showlist());
    return out;
}

void Inventory::followShared(const StockKey &key, int quantity)
{
    ViewList view;
    findRecords(store_, &names_, key, view);
    const int slot = view.viewcount > 0 ? view.viewlist[1] : 0;
    if (slot && quantity == store_.quantity[slot])
        return;
    if (slot && quantity > 0) {
        store_.setQuantity(slot, static_cast<uint16_t>(quantity));
    } else if (slot) {
        store_.setQuantity(slot, 0);
        removeIndexed(store_, names_, values_, slot);
    } else if (quantity > 0) {
        (void)appendIndexed(store_, names_, values_, static_cast<uint16_t>(key.category), key.name,
                            static_cast<uint16_t>(quantity), key.description);
    }
    listChanged();
}

} // namespace vosk
