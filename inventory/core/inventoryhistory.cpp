// Inventory: the history of changes (history.dat), the numbers it gives, and the undo of any
// of its lines through the changing rules.
#include "inventory.h"

#include "cp1251.h"

#include <algorithm>
#include <map>

namespace vosk {

HistoryRead Inventory::readHistory() const { return readHistoryFile(folder_->pathOf(History::kFileName)); }

std::vector<HistoryLine> Inventory::recordHistory(const StockKey &key) const
{
    return historyOf(readHistory().lines, key);
}

RecordUse Inventory::recordUse(const StockKey &key) const
{
    return vosk::recordUse(readHistory().lines, key, historyTimeNow());
}

std::vector<StockKey> Inventory::untouchedForAYear() const
{
    std::vector<StockKey> held;
    held.reserve(store_.compcount);
    for (int slot = 1; slot <= store_.compcount; ++slot)
        held.push_back({store_.category[slot], std::string(store_.name[slot]), std::string(store_.description[slot])});
    return untouchedSince(readHistory().lines, held, historyTimeDaysAgo(365));
}

Outcome Inventory::undoHistory(uint64_t id, bool wholeStep)
{
    Outcome out;
    if (readOnly()) {
        out.refuse(cp1251("База открыта только для просмотра: изменения не сохраняются."));
        return out;
    }
    if (pass_.active() || pass_.finished()) {
        out.refuse(cp1251("Сначала закончите выдачу деталей из корзины."));
        return out;
    }
    const HistoryRead read = readHistory();
    if (!read.failure.empty()) {
        out.refuse(read.failure, true);
        return out;
    }
    const auto target = std::find_if(read.lines.begin(), read.lines.end(), [id](const HistoryLine &l) { return l.id == id; });
    if (target == read.lines.end()) {
        out.refuse(cp1251("В истории нет изменения №") + std::to_string(id) + ".");
        return out;
    }
    std::vector<HistoryLine> lines;
    for (const HistoryLine &l : read.lines)
        if ((wholeStep ? l.group == target->group : l.id == id) && l.amount > 0)
            lines.push_back(l);
    if (lines.empty()) {
        out.refuse(cp1251("Изменение №") + std::to_string(id) + cp1251(" не меняло количество: отменять нечего."));
        return out;
    }
    for (const HistoryLine &l : read.lines)
        for (const HistoryLine &u : lines)
            if (l.undoes == u.id) {
                out.refuse(cp1251("Изменение №") + std::to_string(u.id) + cp1251(" уже отменено (изменение №") +
                           std::to_string(l.id) + ").");
                return out;
            }
    // Checked whole first, latest line first as they are taken back: either every record
    // gives back what it got, or nothing changes.
    std::map<StockKey, int64_t> held;
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const HistoryLine &l = *it;
        if (static_cast<size_t>(l.key.category) >= categories_.size()) {
            out.refuse(cp1251("Отменить нельзя: раздела ") + std::to_string(l.key.category) +
                       cp1251(" больше нет в списке разделов. Ничего не изменено."));
            return out;
        }
        auto [at, fresh] = held.try_emplace(l.key, 0);
        if (fresh) {
            uint32_t now = 0;
            at->second = quantityOf(l.key, now) ? now : 0;
        }
        at->second += l.take ? l.amount : -l.amount;
        if (at->second < 0 || at->second > 0xFFFF) {
            const int64_t has = at->second + (l.take ? -l.amount : l.amount);
            out.refuse(cp1251("Отменить нельзя: в записи ") + keyText(l.key, categoryName(l.key.category)) +
                       cp1251(" сейчас ") + std::to_string(has) +
                       (l.take ? cp1251(" деталей, и вернуть ") + std::to_string(l.amount) + cp1251(" некуда (больше 65535).")
                               : cp1251(" деталей, а отмена должна взять ") + std::to_string(l.amount) + ".") +
                       cp1251(" Ничего не изменено."));
            return out;
        }
    }
    const bool batch = batchmode_;
    const std::string note = changeNote_;
    batchmode_ = true;
    uint64_t steps = 0;
    bool refused = false;
    {
        std::optional<JournalGroup> group;
        if (lines.size() > 1)
            group.emplace(*this, ChangeSource::Undo);
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            undoing_ = it->id;
            // The user's note for the undo, else the note of the change taken back.
            const std::string &why = note.empty() ? it->note : note;
            changeNote_ = cp1251("отмена №") + std::to_string(it->id) + (why.empty() ? "" : ": " + why);
            Outcome step = change(StockChange(it->key, it->amount, it->take, it->source).inverse());
            step.list = ListChange::None;
            step.status.reset();
            steps += lastMoved_ > 0;
            refused = refused || step.refused;
            out.then(std::move(step));
        }
    }
    undoing_ = 0;
    // A line of the last import or stocktake taken back here: «Отменить импорт» would take
    // it back a second time.
    for (const HistoryLine &l : lines)
        for (const auto &[k, stepLine] : stepLines_)
            if (stepLine == l.id) {
                lastImport_.clear();
                lastStocktake_.clear();
            }
    lastHistoryLine_ = 0; // Ctrl+Z takes a change back once, never its undo
    changeNote_ = note;
    batchmode_ = batch;
    out.then(refresh());
    out.refused = refused;
    out.status = cp1251("Отменено изменений: ") + std::to_string(steps);
    return out;
}

} // namespace vosk
