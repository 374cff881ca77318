// The inventory's tables in and out: CSV export and import (with its undo) and a bill of
// materials loaded into the bin.
#include "inventory.h"

#include "cp1251.h"
#include "filebytes.h"
#include "valuetext.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>
#include <tuple>

namespace vosk {
namespace {

// A bill of materials is a few hundred lines; anything far larger is no such file.
constexpr std::uintmax_t kBomLimit = 16u << 20;
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

std::string recordText(const StockKey &key, const std::string &categoryName)
{
    std::string text = cp1251("«") + key.name + cp1251("» (") + categoryName;
    if (key.description != " " && !key.description.empty())
        text += ", " + key.description;
    return text + ")";
}

// The name the stock writes a value under in a category, when it holds no record of `name`
// there but one whose name is the same value in another spelling («100нф» for «0,1мкф»):
// the bin finds records by their names, so a row must carry the stock's spelling.
std::string stockSpelling(const CompStore &store, int category, const std::string &name)
{
    if (category < 0 || !hasCanonicalNames(category))
        return name;
    const std::optional<double> wanted = recordValue(category, name);
    if (!wanted)
        return name;
    std::string other;
    for (int i = 1; i <= store.compcount; ++i) {
        if (store.category[i] != category)
            continue;
        if (store.name[i] == name)
            return name;
        if (other.empty())
            if (const auto v = recordValue(category, store.name[i]); v && sameValue(*v, *wanted))
                other = store.name[i];
    }
    return other.empty() ? name : other;
}

} // namespace

// --- CSV

Outcome Inventory::exportCsv(const std::string &path, bool all, bool forExcel) const
{
    Outcome out;
    const std::vector<uint16_t> slots = all ? allSlots(store_) : rows_;
    const WriteResult written = replaceFileAtomically(path, vosk::exportCsv(store_, categories_, slots, forExcel));
    if (!written) {
        out.refuse(cp1251("Не удалось записать ") + pathForMessage(path) + (written.reason.empty() ? "" : ": " + written.reason), true);
        return out;
    }
    out.status = cp1251("Записано строк: ") + std::to_string(slots.size()) + cp1251(" в ") + pathForMessage(path);
    return out;
}

ImportPlan Inventory::planImportFile(const std::string &path, std::vector<ImportField> columns,
                                     bool setQuantities) const
{
    ImportPlan failed;
    failed.fileError = notARegularFile(path);
    if (!failed.fileError.empty())
        return failed;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        failed.fileError = cp1251("Не удалось открыть ") + pathForMessage(path);
        return failed;
    }
    // Piece by piece: a file of any size costs memory only for what the plan keeps.
    CsvImporter importer(store_, categories_, std::move(columns));
    if (setQuantities)
        importer.setQuantities();
    std::string chunk(1u << 20, '\0');
    while (in) {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        importer.feed(std::string_view(chunk.data(), static_cast<size_t>(in.gcount())));
    }
    if (in.bad()) {
        failed.fileError = cp1251("Ошибка чтения ") + pathForMessage(path);
        return failed;
    }
    return importer.finish();
}

Outcome Inventory::import(const ImportPlan &plan)
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
    std::vector<Imported> added;
    size_t created = 0, merged = 0;
    uint64_t parts = 0;
    const bool batch = batchmode_;
    batchmode_ = true; // the list is refilled once, at the end
    for (const ImportEntry &e : plan.entries) {
        Outcome step = change({e.key.category, e.key.name, e.key.description, static_cast<int>(e.quantity), false});
        const bool refused = step.refused;
        const bool isNew = step.list == ListChange::Appended;
        step.list = ListChange::None; // the list is refilled below
        step.status.reset();
        out.then(std::move(step));
        if (refused) {
            // The store is no longer what the plan was made for: the rest is not added, what
            // was added stays and can be undone.
            out.error(cp1251("Импорт остановлен: запись ") + recordText(e.key, categoryName(e.key.category)) +
                      cp1251(" не принята. Остальные строки не добавлены."));
            break;
        }
        (isNew ? created : merged) += 1;
        parts += lastMoved_;
        added.push_back({e.key, lastMoved_});
    }
    batchmode_ = batch;
    out.refused = false;
    lastImport_ = std::move(added);
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
    std::map<std::tuple<int, std::string, std::string>, uint64_t> wanted;
    for (const Imported &i : lastImport_)
        wanted[{i.key.category, i.key.name, i.key.description}] += i.added;
    for (const auto &[key, amount] : wanted) {
        const auto &[category, name, description] = key;
        ViewList view;
        filterbase(store_, {category, name, 0, description}, true, view);
        const uint32_t now = view.viewcount ? store_.quantity[view.viewlist[1]] : 0;
        if (now < amount) {
            out.refuse(cp1251("Импорт отменить нельзя: запись ") +
                       recordText({category, name, description}, categoryName(category)) +
                       cp1251(" изменена после импорта: в ней ") + std::to_string(now) +
                       cp1251(" деталей, а импорт добавил ") + std::to_string(amount) +
                       cp1251(". Ничего не изменено."));
            return out;
        }
    }
    const bool batch = batchmode_;
    batchmode_ = true;
    uint64_t parts = 0;
    for (const auto &[key, amount] : wanted) {
        const auto &[category, name, description] = key;
        if (amount == 0)
            continue;
        Outcome step = change({category, name, description, static_cast<int>(amount), true});
        step.list = ListChange::None;
        step.status.reset();
        out.then(std::move(step));
        parts += lastMoved_;
    }
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
        failed.error = cp1251("Файл больше 16 МБ: это не список деталей. ") + pathForMessage(path);
        return failed;
    }
    const ReadResult file = readFileBytes(path);
    if (file.status != ReadStatus::Ok) {
        failed.error =
            cp1251("Не удалось прочитать ") + pathForMessage(path) + (file.reason.empty() ? "" : ": " + file.reason);
        return failed;
    }
    return readKicadBom(file.bytes, dictionary_, categories_, store_);
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
        bin_.push_back(l.row);
        if (l.problem.empty()) {
            bin_.back().name = stockSpelling(store_, l.row.category, l.row.name);
            continue;
        }
        if (listed++ < kListedUnmapped)
            unmapped += cp1251("\rстрока ") + std::to_string(l.line) + ": " + l.references + " \xAB" + l.value +
                "\xBB: " + l.problem;
    }
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
