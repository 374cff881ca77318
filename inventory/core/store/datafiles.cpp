#include "datafiles.h"

#include "cp1251.h"
#include "filebytes.h"
#include "messages.h"
#include "textlines.h"

#include <cerrno>
#include <sys/stat.h>

namespace vosk {
namespace {

std::string &settingsFile()
{
    static std::string path = "/etc/xdg/Ferrowind/Vosk.conf";
    return path;
}

std::string numberList(const std::vector<int> &numbers)
{
    std::string out;
    const size_t shown = std::min<size_t>(numbers.size(), 20);
    for (size_t i = 0; i < shown; ++i) {
        if (i)
            out += ", ";
        out += std::to_string(numbers[i]);
    }
    if (shown < numbers.size())
        out += ", ...";
    return out;
}

} // namespace

std::string longLinesMessage(const std::string &file, size_t limit, const std::vector<int> &lines)
{
    return cp1251("В файле ") + file + cp1251(" строки длиннее ") + std::to_string(limit) + cp1251(" байт (строки ") +
           numberList(lines) + cp1251("): они прочитаны только до этой длины. Файл оставлен как есть.");
}

CategoryList readCategoryList(std::string_view bytes)
{
    CategoryList out;
    TextLines lines = splitTextLines(bytes, linelimit::kCategory);
    out.names = std::move(lines.lines);
    if (out.names.size() > CategoryList::kMaxCategories) {
        out.problems.push_back(cp1251("В файле components.lst строк ") + std::to_string(out.names.size()) +
                               cp1251(", а разделов может быть не больше ") +
                               std::to_string(CategoryList::kMaxCategories) +
                               cp1251(": остальные строки не читаются. Файл оставлен как есть."));
        out.names.resize(CategoryList::kMaxCategories);
        out.names.shrink_to_fit();
    }
    if (!lines.cut.empty())
        out.problems.push_back(longLinesMessage("components.lst", linelimit::kCategory, lines.cut));
    return out;
}

namespace {

bool folderExists(const std::string &datapath)
{
    if (datapath.empty())
        return true; // the current folder
    struct stat st {};
    return ::stat(datapath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

void setSettingsFileForMessages(std::string path) { settingsFile() = std::move(path); }

namespace {
bool foldersReadOnly = false;
}

void setFoldersReadOnly(bool readOnly) { foldersReadOnly = readOnly; }

namespace {
std::function<void(int)> &recoveryProgress()
{
    static std::function<void(int)> progress;
    return progress;
}
} // namespace

void setRecoveryProgress(std::function<void(int percent)> progress) { recoveryProgress() = std::move(progress); }

DataFolder::DataFolder(std::string datapath, Messages &messages, bool readOnly)
    : datapath_(std::move(datapath)), messages_(messages), readOnly_(readOnly || foldersReadOnly),
      journal_(std::make_unique<Journal>(datapath_, messages)), history_(std::make_unique<History>(datapath_, messages))
{
}

DataFolder::~DataFolder() = default;

std::string DataFolder::storeName() const
{
    return cp1251("папка ") + pathForMessage(datapath_.empty() ? std::string(".") : datapath_);
}

bool DataFolder::opendata(const std::string &name, std::string &bytes, size_t limit)
{
    std::string failure;
    const bool ok = readData(name, bytes, limit, failure);
    if (!failure.empty())
        messages_.error(failure);
    return ok;
}

bool DataFolder::readData(const std::string &name, std::string &bytes, size_t limit, std::string &failure)
{
    const std::string path = pathOf(name);
    for (;;) {
        ReadResult r = readFileBytes(path, limit);
        if (r.status == ReadStatus::Ok) {
            bytes = std::move(r.bytes);
            return true;
        }
        if (r.status == ReadStatus::Failed) {
            failure = readFailureMessage(path, r);
            bytes = std::move(r.bytes);
            return false;
        }
        messages_.inform(cp1251("Файл с данными не найден: создаю новый файл"));
        const WriteResult written = createEmptyFile(path);
        if (!written) {
            // Someone may have created it meanwhile; read again rather than give up then.
            if (readFileBytes(path, limit).status == ReadStatus::Missing) {
                failure = cp1251("Не удалось создать файл ") + pathForMessage(path) + ": " + written.reason;
                bytes.clear();
                return false;
            }
        }
    }
}

bool DataFolder::loadOnlyReads(const std::string &datapath)
{
    auto exists = [&datapath](const char *name) {
        struct stat st {};
        return ::stat((datapath + name).c_str(), &st) == 0;
    };
    return folderExists(datapath) && exists("main.dat") && exists("strings.dat") && exists("components.lst") &&
           !exists(Journal::kFileName);
}

DataFolder::Loaded DataFolder::loadbase(CompStore &store, const std::function<void(const std::string &)> &setstatus)
{
    Loaded out;
    store.clear();
    if (!folderExists(datapath_)) {
        // One message instead of three "not found" and three "cannot create".
        folderMissing_ = true;
        messages_.error(cp1251("Папка с данными не найдена: ") + pathForMessage(datapath_) +
                        cp1251("\rБаза пуста. Укажите другую папку строкой path=... в файле настроек ") +
                        pathForMessage(settingsFile()) + cp1251(" (или запустите программу в папке с данными)."));
        if (setstatus)
            setstatus(cp1251("Количество деталей в базе: 0"));
        return out;
    }
    auto file = std::make_shared<std::string>();
    std::string failure;
    if (!readData("main.dat", *file, readlimit::kMainFile, failure)) {
        // Whatever stopped the reading, writing back only the part read would lose the rest.
        readOnly_ = true;
        messages_.error(failure + cp1251("\rБаза открыта только для просмотра: изменения не сохраняются, "
                                         "и при закрытии файл main.dat не будет перезаписан."));
    }
    noteMainFile();
    // The store keeps these bytes: its names and descriptions point into them.
    const std::shared_ptr<const std::string> mainBytes = std::move(file);
    out.report = readMainFile(mainBytes, store);
    if (setstatus)
        setstatus(cp1251("Количество деталей в базе: ") + std::to_string(store.totalqty));
    if (!out.report.unreadable.empty())
        messages_.error(cp1251("В файле main.dat есть строки, которые не удалось прочитать как записи: ") +
                        std::to_string(out.report.unreadable.size()) + cp1251(" (строки ") +
                        numberList(out.report.unreadable) +
                        cp1251("). Они не показаны в списке и будут сохранены в файле без изменений."));
    if (!out.report.overflow.empty())
        messages_.error(cp1251("В файле main.dat больше 65535 записей: записи со строки ") +
                        std::to_string(out.report.overflow.front()) +
                        cp1251(" не загружены и будут сохранены в файле без изменений."));
    // The journal applies to these bytes (recovering, below, tells it so itself); their stamp
    // is taken when it is first needed.
    if (readOnly_)
        journal_->setBase(mainBytes);

    std::string bytes;
    if (opendata("strings.dat", bytes, readlimit::kDictionary) || !bytes.empty())
        out.dictionary = readDictionary(bytes);
    if (!out.dictionary.cut.empty())
        messages_.error(longLinesMessage("strings.dat", linelimit::kDictionary, out.dictionary.cut));
    loadedStrings_ = bytes;
    if (opendata("components.lst", bytes, readlimit::kCategories) || !bytes.empty()) {
        CategoryList list = readCategoryList(bytes);
        out.categories = std::move(list.names);
        for (const std::string &problem : list.problems)
            messages_.error(problem);
    }
    loadedComponents_ = bytes;

    std::vector<std::string> problems;
    loadAttributes(problems);
    for (const std::string &message : problems)
        messages_.error(message);

    if (!readOnly_) {
        history_->setCategories(out.categories);
        journal_->setHistory(history_.get());
        journal_->setProgress(recoveryProgress());
        out.recovered = journal_->recover(store, mainBytes);
        journal_->setProgress(nullptr);
        if (journal_->unreadable())
            readOnly_ = true; // said by the journal, with how to recover
        if (out.recovered) {
            if (setstatus)
                setstatus(cp1251("Количество деталей в базе: ") + std::to_string(store.totalqty));
            if (!savebase(store)) {
                // Shown already; the journal keeps the recovered changes for the next save.
            }
        }
    }
    return out;
}

void DataFolder::loadAttributes(std::vector<std::string> &problems)
{
    AttributeFileRead attributes = loadAttributeFile(datapath_, attributes_);
    problems.insert(problems.end(), attributes.messages.begin(), attributes.messages.end());
    attributesWritable_ = attributes.writable;
    attributesSaved_ = attributes_.generation();
    journal_->setAttributes(attributesWritable() ? &attributes_ : nullptr);
}

DataFolder::Read DataFolder::readbase(CompStore &store)
{
    Read out;
    store.clear();
    std::string bytes[3];
    const std::pair<const char *, size_t> names[] = {
        {"main.dat", readlimit::kMainFile}, {"strings.dat", readlimit::kDictionary}, {"components.lst", readlimit::kCategories}};
    bool failed = false;
    int missing = 0;
    for (size_t k = 0; k < 3; ++k) {
        DataFileState state;
        state.name = names[k].first;
        ReadResult r = readFileBytes(pathOf(state.name), names[k].second);
        if (r.status == ReadStatus::Failed) {
            state.failure = readFailureMessage(pathOf(state.name), r);
            state.reason = r.reason;
            failed = true;
        }
        state.missing = r.status == ReadStatus::Missing;
        missing += state.missing;
        bytes[k] = std::move(r.bytes);
        out.files.push_back(std::move(state));
    }
    if (failed || missing == 3)
        return out;
    out.read = true;
    noteMainFile();
    const auto mainBytes = std::make_shared<const std::string>(std::move(bytes[0]));
    out.loaded.report = readMainFile(mainBytes, store);
    // attrs.dat before the waiting journal: its attribute lines change what was read there.
    loadAttributes(out.problems);
    if (readOnly_)
        out.waiting = applyWaitingJournal(*mainBytes, store);
    journal_->setBase(mainBytes);
    out.loaded.dictionary = readDictionary(bytes[1]);
    if (!out.loaded.dictionary.cut.empty())
        out.problems.push_back(longLinesMessage("strings.dat", linelimit::kDictionary, out.loaded.dictionary.cut));
    loadedStrings_ = std::move(bytes[1]);
    CategoryList categories = readCategoryList(bytes[2]);
    out.loaded.categories = std::move(categories.names);
    out.problems.insert(out.problems.end(), categories.problems.begin(), categories.problems.end());
    loadedComponents_ = std::move(bytes[2]);
    history_->setCategories(out.loaded.categories);
    return out;
}

WaitingJournal DataFolder::applyWaitingJournal(std::string_view mainBytes, CompStore &store)
{
    WaitingJournal w;
    const ReadResult file = readFileBytes(pathOf(Journal::kFileName), readlimit::kJournal);
    if (file.status != ReadStatus::Ok || file.bytes.empty())
        return w;
    w.present = true;
    const JournalScan journal = scanJournal(file.bytes);
    w.damaged = journal.damagedLine != 0;
    if (!journal.hasHeader || journal.base != stampOf(mainBytes)) {
        w.stale = true;
        return w;
    }
    // Places and minimums set since the last save are shown too; read-only, they stay in
    // memory like the quantities.
    JournalReplay replay(store, &attributes_);
    forEachJournalEntry(
        file.bytes, journal, [&](const StockChange &c) { replay.apply(c); },
        [&](const AttributeChange &c) { replay.apply(c); });
    const ReplayReport &report = replay.report();
    w.applied = static_cast<int>(report.applied);
    w.notApplied = static_cast<int>(report.notAppliedCount);
    return w;
}

std::string WaitingJournal::note() const
{
    if (!present)
        return {};
    if (stale)
        return cp1251("В папке есть журнал main.jnl, но он не относится к этому main.dat: показано то, что "
                      "записано при последнем сохранении.");
    std::string text = cp1251("Учтены изменения из журнала main.jnl, еще не записанные в main.dat (программа "
                              "открыта или закрылась не как следует): ") +
                       std::to_string(applied) + ".";
    if (notApplied)
        text += cp1251(" Не применились: ") + std::to_string(notApplied) + ".";
    if (damaged)
        text += cp1251(" Конец журнала поврежден и не учтен.");
    return text;
}

bool DataFolder::record(const StockChange &change)
{
    if (readOnly_)
        return true;
    return journal_->record(change);
}

bool DataFolder::record(const StockChange &change, const HistoryNote &note)
{
    if (readOnly_)
        return true;
    HistoryLine line = history_->make(change, note.after, note.note, note.undoes);
    const bool journaled =
        journal_->record(change, journalNoteLine({line.id, line.group, line.time, line.source, line.undoes, line.note}));
    if (history_->inGroup())
        groupLines_.push_back(std::move(line));
    else if (journaled)
        (void)history_->append({line}); // a failure is said by the history
    else
        unjournaled_.push_back(std::move(line));
    return journaled;
}

bool DataFolder::record(const AttributeChange &change) { return readOnly_ || journal_->record(change); }

void DataFolder::beginGroup(ChangeSource source)
{
    if (readOnly_)
        return;
    journal_->beginGroup(source);
    history_->beginGroup();
}

bool DataFolder::endGroup()
{
    if (readOnly_)
        return true;
    const bool journaled = journal_->endGroup();
    history_->endGroup();
    if (!history_->inGroup() && !groupLines_.empty()) {
        if (journaled)
            (void)history_->append(groupLines_);
        else
            unjournaled_.insert(unjournaled_.end(), groupLines_.begin(), groupLines_.end());
        groupLines_.clear();
    }
    return journaled;
}

bool DataFolder::savebase(const CompStore &store)
{
    std::string failure;
    if (trySave(store, failure))
        return true;
    messages_.error(failure +
                    cp1251("\rДанные остались в памяти; закрыть окно можно будет, когда запись станет возможной."));
    return false;
}

bool DataFolder::trySave(const CompStore &store, std::string &failure)
{
    if (readOnly_)
        return true;
    // attrs.dat first: a journal that still names the old main.dat sets its values again.
    if (!saveAttributes(failure))
        return false;
    const std::string path = pathOf("main.dat");
    const std::string bytes = writeMainFile(store);
    const WriteResult written = replaceFileAtomically(path, bytes);
    if (written) {
        // The history holds every change main.dat now holds before the journal goes.
        if (!unjournaled_.empty() && history_->append(unjournaled_))
            unjournaled_.clear();
        history_->sync();
        journal_->saved(bytes);
        history_->markSaved();
        noteMainFile();
        return true;
    }
    failure = cp1251("Не удалось записать файл ") + pathForMessage(path) + ": " + written.reason;
    return false;
}

bool DataFolder::saveAttributes(std::string &failure)
{
    if (!attributesChanged())
        return true;
    const std::string path = pathOf(RecordAttributes::kFileName);
    const WriteResult written = replaceFileAtomically(path, attributes_.write());
    if (!written) {
        failure = cp1251("Не удалось записать файл ") + pathForMessage(path) + ": " + written.reason;
        return false;
    }
    attributesSaved_ = attributes_.generation();
    return true;
}

bool DataFolder::hasChanges(const CompStore &store) const
{
    return !readOnly_ && (journal_->unsavedChanges() > 0 || attributesChanged() || !(stampOf(writeMainFile(store)) == journal_->base()));
}

void DataFolder::noteMainFile()
{
    struct stat st {};
    const bool known = ::stat(pathOf("main.dat").c_str(), &st) == 0 && S_ISREG(st.st_mode);
    mainDevice_ = known ? static_cast<uint64_t>(st.st_dev) : 0;
    mainInode_ = known ? static_cast<uint64_t>(st.st_ino) : 0;
}

DataFolder::MainFileNow DataFolder::mainFileNow() const
{
    if (readOnly_ || mainInode_ == 0)
        return MainFileNow::AsRead;
    struct stat st {};
    if (::stat(pathOf("main.dat").c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? MainFileNow::Gone : MainFileNow::AsRead;
    if (!S_ISREG(st.st_mode))
        return MainFileNow::Gone;
    if (static_cast<uint64_t>(st.st_dev) == mainDevice_ && static_cast<uint64_t>(st.st_ino) == mainInode_)
        return MainFileNow::AsRead;
    // Another file: the same bytes (copied back, rewritten by a backup) are still what was read.
    const ReadResult now = readFileBytes(pathOf("main.dat"), readlimit::kMainFile);
    if (now.status == ReadStatus::Ok && stampOf(now.bytes) == journal_->base())
        return MainFileNow::AsRead;
    return MainFileNow::Replaced;
}

bool DataFolder::saveCopyTo(const std::string &folder, const CompStore &store)
{
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    const std::pair<const char *, std::string> files[] = {
        {"main.dat", writeMainFile(store)}, {"strings.dat", loadedStrings_}, {"components.lst", loadedComponents_}};
    std::vector<std::pair<const char *, std::string>> all(std::begin(files), std::end(files));
    if (!attributes_.empty())
        all.emplace_back(RecordAttributes::kFileName, attributes_.write());
    for (const auto &[name, bytes] : all) {
        const WriteResult written = replaceFileAtomically(base + name, bytes);
        if (!written) {
            messages_.error(cp1251("Не удалось записать файл ") + pathForMessage(base + name) + ": " + written.reason);
            return false;
        }
    }
    return true;
}

void DataFolder::discardChanges()
{
    if (readOnly_)
        return;
    // The history first: should the journal stay, the next start writes its lines again.
    history_->giveUpSinceSave();
    unjournaled_.clear();
    groupLines_.clear();
    std::string reason;
    if (!journal_->discard(reason))
        messages_.error(cp1251("Не удалось удалить журнал изменений ") + pathForMessage(journal_->path()) + ": " + reason +
                        cp1251("\rИзменения, от которых вы отказались, остались в нём: при следующем запуске программа "
                               "восстановит их. Если они не нужны, удалите файл main.jnl до следующего запуска."));
}

int DataFolder::unsavedChanges() const { return journal_->unsavedChanges(); }

} // namespace vosk
