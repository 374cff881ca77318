// The inventory's tables in and out: CSV export and import (with its undo) and a bill of
// materials loaded into the bin.
#include "inventory.h"

#include "cp1251.h"
#include "filebytes.h"
#include "valuetext.h"

#include <filesystem>
#include <map>
#include <system_error>

namespace vosk {
namespace {

// The taking pass pairs its offers with the list: a refill under it would offer wrong parts.
std::string passBusy()
{
    return cp1251("Сначала закончите выдачу деталей из корзины: пока она идет, склад не меняется.");
}
// Unmapped rows named one by one in the note; the rest are counted.
constexpr size_t kListedUnmapped = 30;

// Why a path cannot be read as a table (empty when it can): a folder, a device or a pipe
// would block or never end.
std::string notARegularFile(const std::string &path)
{
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status))
        return cp1251("Файл не найден: ") + pathForMessage(path);
    if (!std::filesystem::is_regular_file(status))
        return cp1251("Это не файл: ") + pathForMessage(path);
    return {};
}

} // namespace

// --- CSV

Outcome Inventory::exportCsv(const std::string &path, bool all, bool forExcel) const
{
    Outcome out;
    const WriteResult written = replaceFileAtomically(path, exportText(all, forExcel));
    if (!written) {
        out.refuse(cp1251("Не удалось записать ") + pathForMessage(path) + (written.reason.empty() ? "" : ": " + written.reason), true);
        return out;
    }
    out.status = cp1251("Записано строк: ") + std::to_string(all ? static_cast<size_t>(store_.compcount) : rows_.size()) + cp1251(" в ") +
                 pathForMessage(path);
    return out;
}

ImportPlan Inventory::planImportFile(const std::string &path, std::vector<ImportField> columns,
                                     bool setQuantities) const
{
    ImportPlan plan = vosk::planImportFile(store_, categories_, path, std::move(columns), setQuantities);
    plan.fileName = pathForMessage(std::filesystem::path(path).filename().string());
    return plan;
}

Outcome Inventory::import(const ImportPlan &plan, const BatchProgress &progress)
{
    Outcome out;
    if (readOnly()) {
        out.refuse(cp1251("База открыта только для просмотра: импорт невозможен."));
        return out;
    }
    if (pass_.active() || pass_.finished()) {
        out.refuse(passBusy());
        return out;
    }
    if (!plan.usable()) {
        out.refuse(plan.fileError + cp1251(" Ничего не изменено."), true);
        return out;
    }
    const DefaultNote note(*this, plan.fileName);
    std::vector<StockChange> added;
    std::vector<AttributeBefore> attributesBefore;
    size_t created = 0, merged = 0;
    uint64_t parts = 0;
    bool doubled = false;
    const bool batch = batchmode_;
    batchmode_ = true; // the list is refilled once, at the end
    std::optional<JournalGroup> group(std::in_place, *this, ChangeSource::Import);
    stepLines_.clear();
    constexpr std::size_t kProgressEvery = 1024;
    std::size_t done = 0;
    for (const ImportEntry &e : plan.entries) {
        if (progress && done++ % kProgressEvery == 0)
            progress(done - 1, plan.entries.size());
        Outcome step = change({e.key, static_cast<int>(e.quantity), false, ChangeSource::Import});
        if (lastMoved_)
            stepLines_[lastDone_.key] = lastHistoryLine_;
        const bool refused = step.refused;
        const bool isNew = step.list == ListChange::Appended;
        step.list = ListChange::None; // the list is refilled below
        step.status.reset();
        // A record held more than once is said once for the whole import, below.
        if (!step.notes.empty() && step.notes.front().text == kDetectedDouble) {
            step.notes.erase(step.notes.begin());
            doubled = true;
        }
        out.then(std::move(step));
        if (refused) {
            // The store is no longer what the plan was made for: the rest is not added, what
            // was added stays and can be undone.
            out.error(cp1251("Импорт остановлен: запись ") + keyText(e.key, categoryName(e.key.category)) +
                      cp1251(" не принята. Остальные строки не добавлены."));
            break;
        }
        (isNew ? created : merged) += 1;
        parts += lastMoved_;
        added.push_back(lastDone_);
        setImportedAttributes(e, attributesBefore);
    }
    group.reset(); // on the disk before the window shows it done
    batchmode_ = batch;
    if (progress)
        progress(plan.entries.size(), plan.entries.size());
    if (doubled)
        out.inform(importDoublesText(plan, categories_));
    out.refused = false;
    lastImport_ = std::move(added);
    importAttributes_ = std::move(attributesBefore);
    lastStocktake_.clear();
    out.then(refresh());
    out.status = cp1251("Импорт: новых записей ") + std::to_string(created) + cp1251(", дополнено ") +
        std::to_string(merged) + cp1251(", деталей ") + std::to_string(parts) + cp1251("; не принято строк: ") +
        std::to_string(plan.refusedCount);
    return out;
}

Outcome Inventory::undoImport()
{
    Outcome out;
    if (pass_.active() || pass_.finished()) {
        out.refuse(passBusy());
        return out;
    }
    if (!lastStocktake_.empty())
        return undoStocktake();
    if (lastImport_.empty()) {
        out.refuse(cp1251("Отменять нечего: импорта после открытия окна не было, или он уже отменен."));
        return out;
    }
    // Checked whole first: either every record gives back what the import added, or
    // nothing changes.
    // The inverse of each change, summed per record.
    std::map<StockKey, uint64_t> wanted;
    for (const StockChange &done : lastImport_)
        wanted[done.key] += static_cast<uint64_t>(done.amount);
    for (const auto &[key, amount] : wanted) {
        ViewList view;
        findRecords(store_, &names_, key, view);
        const uint32_t now = view.viewcount ? store_.quantity[view.viewlist[1]] : 0;
        if (now < amount) {
            out.refuse(cp1251("Импорт отменить нельзя: запись ") + keyText(key, categoryName(key.category)) +
                       cp1251(" изменена после импорта: в ней ") + std::to_string(now) +
                       cp1251(" деталей, а импорт добавил ") + std::to_string(amount) +
                       cp1251(". Ничего не изменено."));
            return out;
        }
    }
    const bool batch = batchmode_;
    batchmode_ = true;
    uint64_t parts = 0;
    std::optional<JournalGroup> group(std::in_place, *this, ChangeSource::Undo);
    for (const auto &[key, amount] : wanted) {
        if (amount == 0)
            continue;
        const auto line = stepLines_.find(key);
        undoing_ = line != stepLines_.end() ? line->second : 0;
        Outcome step = change(StockChange(key, static_cast<int>(amount), false, ChangeSource::Import).inverse());
        undoing_ = 0;
        step.list = ListChange::None;
        step.status.reset();
        out.then(std::move(step));
        parts += lastMoved_;
        if (sharedRefused_) {
            // Another workstation took some of these parts meanwhile: on the server the undo is
            // all or nothing too (the copy is read again when the group ends).
            stock().abandonGroup();
            group.reset();
            batchmode_ = batch;
            out.refuse(cp1251("Импорт не отменен: записи изменены на другом рабочем месте. Ничего не изменено."));
            out.then(refresh());
            return out;
        }
    }
    restoreImportedAttributes();
    group.reset();
    batchmode_ = batch;
    lastImport_.clear();
    out.then(refresh());
    out.status = cp1251("Импорт отменен: убрано деталей ") + std::to_string(parts);
    return out;
}

// --- a bill of materials into the bin

BomRead Inventory::readBomFile(const std::string &path) const
{
    BomRead failed;
    failed.error = notARegularFile(path);
    if (!failed.error.empty())
        return failed;
    std::error_code ec;
    if (std::filesystem::file_size(path, ec) > kBomLimit && !ec) {
        failed.error = cp1251("Файл больше ") + std::to_string(kBomLimit >> 20) + cp1251(" МБ: это не список деталей. ") +
                       pathForMessage(path);
        return failed;
    }
    const ReadResult file = readFileBytes(path, kBomLimit);
    if (file.status != ReadStatus::Ok) {
        failed.error =
            cp1251("Не удалось прочитать ") + pathForMessage(path) + (file.reason.empty() ? "" : ": " + file.reason);
        return failed;
    }
    return readBom(file.bytes);
}

BomRead Inventory::readBom(std::string_view bytes) const
{
    return readKicadBom(bytes, dictionary_, categories_, store_);
}

std::optional<std::string> Inventory::binLoadQuestion() const
{
    if (bin_.empty())
        return std::nullopt;
    return cp1251("В корзине уже есть строк: ") + std::to_string(bin_.size()) +
        cp1251(". Заменить их списком деталей из файла?");
}

Outcome Inventory::binLoad(const BomRead &bom)
{
    Outcome out;
    if (!bom.error.empty()) {
        out.refuse(bom.error, true);
        return out;
    }
    passAbandon(); // the offers would no longer line up with the bin
    bin_.clear();
    std::string unmapped;
    size_t listed = 0;
    for (const BomLine &l : bom.lines) {
        bin_.push_back(l.row); // the reader gives the stock's spelling of each value
        if (l.problem.empty())
            continue;
        if (listed++ < kListedUnmapped)
            unmapped += cp1251("\rстрока ") + std::to_string(l.line) + ": " + l.references + " \xAB" + l.value +
                "\xBB: " + l.problem;
    }
    for (BinRow &r : bin_)
        if (r.part && r.part->perBoard == 0)
            r.part->perBoard = binNumber(r.needed);
    applyBoards();
    if (listed > kListedUnmapped)
        unmapped += cp1251("\rи еще строк: ") + std::to_string(listed - kListedUnmapped);
    if (listed)
        out.inform(cp1251("Не распознано строк списка деталей: ") + std::to_string(listed) +
                   cp1251(". Они в корзине с номиналом, как он написан в файле, и найдутся только по этому тексту:") +
                   unmapped);
    out.status = cp1251("В корзине строк из списка деталей: ") + std::to_string(bin_.size()) +
        (bom.notFitted ? cp1251("; не ставятся (DNP): ") + std::to_string(bom.notFitted) : std::string());
    return out;
}

} // namespace vosk
