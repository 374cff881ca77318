// One command on the folder from outside the window (the command line): the folder opened
// without asking, a change named by its whole key, an import read from a stream.
#include "inventory.h"

#include "cp1251.h"
#include "filebytes.h"
#include "folderlock.h"
#include "messages.h"
#include "names.h"
#include "nominal.h"
#include "valuetext.h"

#include <sys/stat.h>

namespace vosk {
namespace {

std::string folderName(const std::string &datapath) { return datapath.empty() ? std::string(".") : datapath; }

// Takes the folder's lock for one change: the rule of decideFolderAccess, without a question.
bool takeFolder(FolderLock &lock, const std::string &datapath, Messages &messages)
{
    switch (const FolderLock::State state = lock.tryAcquire()) {
    case FolderLock::State::Acquired:
        break;
    case FolderLock::State::Stale:
    case FolderLock::State::Abandoned:
        if (!lock.takeOver()) {
            messages.error(cp1251("Не удалось снять блокировку ") + pathForMessage(lock.path()) + ": " + lock.reason() +
                           cp1251("; ничего не изменено."));
            return false;
        }
        messages.inform(folderTakenOverText(lock, state));
        break;
    case FolderLock::State::Held:
        messages.error(folderHeldText(lock, state) + cp1251(" Закройте программу и повторите; ничего не изменено."));
        return false;
    case FolderLock::State::Unknown:
        messages.error(folderHeldText(lock, state) + cp1251(" Ничего не изменено."));
        return false;
    case FolderLock::State::Failed:
        messages.error(cp1251("Не удалось занять папку базы (файл voskbase.lock) в ") +
                       pathForMessage(folderName(datapath)) + ": " + lock.reason() + cp1251("; ничего не изменено."));
        return false;
    }
    // Changes of a program that did not close normally wait in its journal; writing main.dat
    // now would put them on top of a stock they were not made on.
    struct stat st {};
    const std::string journal = datapath + Journal::kFileName;
    if (::stat(journal.c_str(), &st) != 0)
        return true;
    if (!S_ISREG(st.st_mode)) {
        // A FIFO, a device or a folder in its place: the program cannot read it either, and
        // leaves it alone; so does a save here.
        messages.error(cp1251("Файл main.jnl в папке базы — не обычный файл (канал, устройство или папка): программа "
                              "не может прочитать его журнал. Уберите его и повторите; ничего не изменено."));
        return false;
    }
    if (st.st_size > 0) {
        messages.error(cp1251("В папке базы есть журнал main.jnl: программа закрылась не как следует, и ее изменения "
                              "еще не записаны. Запустите программу, чтобы она их восстановила, и повторите; ничего "
                              "не изменено."));
        return false;
    }
    return true;
}

// A record's name and description as a line of the terminal names it.
std::string terminalText(const StockKey &key)
{
    const std::string_view description = shownDescription(key.description);
    return description.empty() ? key.name : key.name + " " + std::string(description);
}

} // namespace

Inventory::CommandRead Inventory::openForCommand(bool write)
{
    CommandRead out;
    if (shared_) {
        // The server's stock: no folder to hold, every change made there at once.
        Outcome loaded;
        if (!loadShared(loaded)) {
            out.result = CommandRead::Result::Unreadable;
            const std::string why = loaded.notes.empty() ? std::string() : loaded.notes.back().text;
            out.files.push_back({"main.dat", false, why, why});
            return out;
        }
        out.result = CommandRead::Result::Read;
        lastfilter_ = {};
        filter();
        return out;
    }
    if (write) {
        lock_ = std::make_unique<FolderLock>(datapath_);
        if (!takeFolder(*lock_, datapath_, messages_)) {
            lock_.reset();
            return out;
        }
    }
    folder_ = std::make_unique<DataFolder>(datapath_, messages_, !write);
    DataFolder::Read read = folder_->readbase(store_);
    out.files = std::move(read.files);
    if (!read.read) {
        out.result = CommandRead::Result::NoFiles;
        for (const DataFolder::DataFileState &f : out.files)
            if (!f.failure.empty())
                out.result = CommandRead::Result::Unreadable;
        return out;
    }
    out.result = CommandRead::Result::Read;
    out.report = std::move(read.loaded.report);
    out.problems = std::move(read.problems);
    out.waiting = read.waiting;
    dictionary_ = std::move(read.loaded.dictionary);
    categories_ = std::move(read.loaded.categories);
    names_.rebuild(store_);
    values_.rebuild(store_);
    lastfilter_ = {};
    filter();
    return out;
}

Outcome Inventory::changeNamed(const StockChange &edit, bool described, bool partial)
{
    Outcome out;
    lastMoved_ = 0;
    if (edit.key.category < 0 || static_cast<std::size_t>(edit.key.category) >= categories_.size())
        return change(edit); // refused there, as on the changing tab
    const CanonicalName canonical = canonicalName(edit.key.category, edit.key.name);
    // A record stored under a name refused today can still be taken out (see change); a
    // take of such a name no record holds is refused as an add of it is.
    bool refused = !canonical.ok();
    if (refused && edit.take && !canonical.conversionError) {
        ViewList view;
        findNamed(store_, &names_, edit.key.category, edit.key.name, view);
        refused = view.viewcount == 0;
    }
    if (refused) {
        // The rule of typing holds, but a spelling the stock uses can be named.
        std::string hint;
        if (const auto v = readLooseValue(edit.key.name, isResistanceCategory(edit.key.category)))
            if (const CanonicalName c = canonicalName(edit.key.category, shownominal(*v)); c.ok())
                hint = cp1251(" Может быть, «") + c.name + cp1251("»?");
        out.refuse(canonical.refusal + hint, true);
        return out;
    }
    StockKey key = makeStockKey(edit.key.category, canonical.ok() ? canonical.name : edit.key.name, edit.key.description);
    int amount = edit.amount;
    if (edit.take) {
        if (!described) {
            // No description given: the record is the only one with this category and name.
            ViewList view;
            findNamed(store_, &names_, key.category, key.name, view);
            if (view.viewcount == 1) {
                key.description = std::string(store_.description[view.viewlist[1]]);
            } else if (view.viewcount > 1) {
                std::string text = cp1251("Записей с таким названием несколько; укажите описание:");
                for (int k = 1; k <= view.viewcount; ++k)
                    text += "\r  " + std::string(store_.description[view.viewlist[k]]) + " (" +
                            std::to_string(store_.quantity[view.viewlist[k]]) + ")";
                out.refuse(text);
                return out;
            }
        }
        // A take is all or nothing, unless `partial` takes what there is.
        ViewList found;
        findRecords(store_, &names_, key, found);
        if (found.viewcount == 0) {
            out.refuse(cp1251("Нет такой детали: ") + terminalText(key) + cp1251(". Ничего не изменено."));
            return out;
        }
        const int have = store_.quantity[found.viewlist[1]];
        if (have < amount) {
            const std::string shortfall = cp1251("Не хватает ") + std::to_string(amount - have) + cp1251(" детали: ") +
                                          terminalText(key) + cp1251(" (есть ") + std::to_string(have) +
                                          cp1251(", нужно ") + std::to_string(amount) + ")";
            if (!partial) {
                out.refuse(shortfall + cp1251(". Ничего не изменено; --partial забирает, сколько есть."));
                return out;
            }
            out.inform(shortfall + cp1251(": забираю ") + std::to_string(have) + ".");
            amount = have;
        }
    }
    out.then(change({key, amount, edit.take, ChangeSource::CommandLine}));
    if (out.refused || lastMoved_ == 0) {
        out.refused = true;
        return out;
    }
    out.status = terminalText(key) + ": " + (edit.take ? "-" : "+") + std::to_string(lastMoved_) + cp1251("; на складе ") +
                 std::to_string(store_.totalqty) + cp1251(" деталей");
    return out;
}

std::optional<ImportPlan> Inventory::planImport(const PieceReader &read, std::vector<ImportField> columns,
                                                bool setQuantities) const
{
    CsvImporter importer(store_, categories_, std::move(columns));
    if (setQuantities)
        importer.setQuantities();
    if (!read([&importer](std::string_view piece) { importer.feed(piece); }))
        return std::nullopt;
    return importer.finish();
}

std::string Inventory::exportText(bool all, bool forExcel) const
{
    return vosk::exportCsv(store_, categories_, all ? allSlots(store_) : rows_, forExcel, &attributes());
}

bool Inventory::trySave(std::string &failure) { return folder_->trySave(store_, failure); }

void Inventory::discardChanges() { folder_->discardChanges(); }

int Inventory::categoryOf(std::string_view caption) const { return captionCategory(caption, categories_); }

} // namespace vosk
