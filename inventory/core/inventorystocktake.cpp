// A stocktake: the quantities of a table become the records' quantities, through the same
// changing path (and journal) as typing, and one undo takes them back.
#include "inventory.h"

#include "cp1251.h"

#include <map>

namespace vosk {

Outcome Inventory::stocktake(const ImportPlan &plan, bool zeroAbsent)
{
    Outcome out;
    if (readOnly()) {
        out.refuse(cp1251("База открыта только для просмотра: инвентаризация невозможна."));
        return out;
    }
    if (pass_.active() || pass_.finished()) {
        out.refuse(cp1251("Сначала закончите выдачу деталей из корзины: пока она идет, склад не меняется."));
        return out;
    }
    if (!plan.usable() || !plan.setQuantities) {
        out.refuse((plan.usable() ? cp1251("Это не план инвентаризации.") : plan.fileError) +
                       cp1251(" Ничего не изменено."),
                   true);
        return out;
    }
    const DefaultNote note(*this, plan.fileName);
    stepLines_.clear();
    std::vector<StockChange> done;
    std::vector<AttributeBefore> attributesBefore;
    int64_t added = 0, taken = 0;
    const bool batch = batchmode_;
    batchmode_ = true; // the list is refilled once, at the end
    auto step = [&](const StockKey &key, int delta) {
        if (delta == 0)
            return true;
        Outcome one = change({key, delta > 0 ? delta : -delta, delta < 0, ChangeSource::Stocktake});
        if (lastMoved_)
            stepLines_[lastDone_.key] = lastHistoryLine_;
        const bool refused = one.refused || lastMoved_ != static_cast<uint32_t>(delta > 0 ? delta : -delta);
        one.list = ListChange::None;
        one.status.reset();
        out.then(std::move(one));
        if (lastMoved_)
            done.push_back(lastDone_);
        if (refused) {
            out.error(cp1251("Инвентаризация остановлена: запись «") + key.name +
                      cp1251("» изменилась после проверки файла. Остальное не изменено; сделанное можно отменить."));
            return false;
        }
        (delta > 0 ? added : taken) += lastMoved_;
        return true;
    };
    bool complete = true;
    {
        // One journal group: after a crash the stocktake is replayed whole or not at all.
        JournalGroup group(*this, ChangeSource::Stocktake);
        for (const ImportEntry &e : plan.entries) {
            if (!(complete = step(e.key, stocktakeDelta(e))))
                break;
            setImportedAttributes(e, attributesBefore);
        }
        if (complete && zeroAbsent)
            for (const ImportEntry &e : plan.absent)
                if (!(complete = step(e.key, -static_cast<int>(e.before))))
                    break;
    }
    batchmode_ = batch;
    out.refused = false;
    lastStocktake_ = std::move(done);
    importAttributes_ = std::move(attributesBefore);
    lastImport_.clear();
    out.then(refresh());
    out.status = cp1251("Инвентаризация: изменено записей ") + std::to_string(lastStocktake_.size()) +
                 cp1251(", добавлено деталей ") + std::to_string(added) + cp1251(", убрано ") + std::to_string(taken) +
                 cp1251("; не принято строк: ") + std::to_string(plan.refusedCount);
    return out;
}

Outcome Inventory::undoStocktake()
{
    Outcome out;
    // Net change per record; checked whole first: either every record gives back what the
    // stocktake added, or nothing changes.
    std::map<StockKey, int64_t> net;
    for (const StockChange &c : lastStocktake_)
        net[c.key] += c.take ? -c.amount : c.amount;
    for (const auto &[key, delta] : net) {
        if (delta <= 0)
            continue;
        ViewList view;
        findRecords(store_, &names_, key, view);
        const int64_t now = view.viewcount ? store_.quantity[view.viewlist[1]] : 0;
        if (now < delta) {
            out.refuse(cp1251("Инвентаризацию отменить нельзя: в записи «") + key.name + cp1251("» теперь ") +
                       std::to_string(now) + cp1251(" деталей, а инвентаризация добавила ") + std::to_string(delta) +
                       cp1251(". Ничего не изменено."));
            return out;
        }
    }
    const bool batch = batchmode_;
    batchmode_ = true;
    {
        JournalGroup group(*this, ChangeSource::Undo);
        // In the stocktake's order, backwards: emptied records come back at the store's end.
        for (auto c = lastStocktake_.rbegin(); c != lastStocktake_.rend(); ++c) {
            const auto line = stepLines_.find(c->key);
            undoing_ = line != stepLines_.end() ? line->second : 0;
            Outcome one = change(c->inverse());
            undoing_ = 0;
            one.list = ListChange::None;
            one.status.reset();
            out.then(std::move(one));
        }
        restoreImportedAttributes();
    }
    batchmode_ = batch;
    const size_t records = net.size();
    lastStocktake_.clear();
    out.then(refresh());
    out.status = cp1251("Инвентаризация отменена: записей ") + std::to_string(records);
    return out;
}

} // namespace vosk
