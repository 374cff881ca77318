#pragma once
#include "attributes.h"
#include "compstore.h"
#include "dictionary.h"
#include "filebytes.h"
#include "history.h"
#include "journal.h"
#include "mainfile.h"
#include "stockstore.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

class Messages;

// The settings file named when the installation folder does not exist (set at start-up).
void setSettingsFileForMessages(std::string path);

// Set at start-up when another program holds the installation folder: every DataFolder
// made afterwards is read-only, whatever its constructor is told.
void setFoldersReadOnly(bool readOnly);

// Set at start-up: told the share done, 0 to 100, now and then while a long journal is
// replayed (the splash shows it). Called on the thread that opens the folder.
void setRecoveryProgress(std::function<void(int percent)> progress);

// "В файле <file> строки длиннее <limit> байт (строки …)…": lines read cut to the bound.
std::string longLinesMessage(const std::string &file, size_t limit, const std::vector<int> &lines);

// components.lst as the program and the command line read it: each name up to
// linelimit::kCategory bytes, and no more names than a record can name (its category is a
// 16-bit number). `problems` holds a message for each of the two that happened.
struct CategoryList {
    static constexpr size_t kMaxCategories = 65536;
    std::vector<std::string> names;
    std::vector<std::string> problems;
};
CategoryList readCategoryList(std::string_view bytes);

// The journal main.jnl a program keeps while it has the folder open (or left behind when it
// did not close normally) holds changes main.dat does not hold yet. A reading that may not
// write applies them to its copy of the store in memory, never writing anything.
struct WaitingJournal {
    bool present = false;  // a non-empty main.jnl
    int applied = 0;       // changes applied in memory
    int notApplied = 0;    // changes that no longer apply
    bool stale = false;    // it belongs to another main.dat: not applied
    bool damaged = false;  // a damaged tail was ignored
    // What to tell the user (code page 1251), empty when no journal waits.
    std::string note() const;
};

// The installation folder and its three data files. `datapath` is the folder followed by
// one '/', or empty for the current folder; every data file name is appended to it.
//
// Every change to the store is recorded in the folder's change journal (record) before it
// is shown done, so that a program that ends without saving loses nothing: the next start
// replays it (recoverJournal). A folder opened read-only (another program writes it, or
// main.dat could not be read whole) is never written: no journal, and savebase leaves
// main.dat as it is.
class DataFolder : public StockStore {
public:
    DataFolder(std::string datapath, Messages &messages, bool readOnly = false);
    ~DataFolder() override;

    const std::string &datapath() const { return datapath_; }
    std::string pathOf(const std::string &name) const { return datapath_ + name; }

    // The bytes of a data file, read up to `limit`; a missing one is announced and created
    // empty first. An existing file that cannot be read whole (or is no regular file) is
    // reported and left alone: false, `bytes` holding what could be read.
    [[nodiscard]] bool opendata(const std::string &name, std::string &bytes, size_t limit = readlimit::kDefault);

    struct Loaded {
        Dictionary dictionary;
        std::vector<std::string> categories;
        MainFileReport report;
        bool recovered = false;
    };
    // main.dat, strings.dat and components.lst, in that order. `setstatus` receives the
    // stock total once main.dat is read. When the folder itself does not exist, that is said
    // once (naming the folder and the settings file) and nothing is created. When main.dat
    // exists but cannot be read to its end, what was read is loaded and the folder becomes
    // read-only for this run; so does it when a journal is there that cannot be read. Last, unless read-only, a journal a program that did not close
    // normally left behind is replayed onto the store, the user is told how many changes
    // were recovered, and the result is saved (`recovered` in the result).
    Loaded loadbase(CompStore &store, const std::function<void(const std::string &)> &setstatus);
    // A reading for one command that asks nothing (the command line): the three files as
    // they are, none created, no journal replayed onto main.dat. `files` tells of each data
    // file (in the order above) whether it is missing or why it cannot be read; when one
    // cannot be read, or none of them is there, nothing is loaded (`read` false). Read-only,
    // the changes waiting in a journal are applied to the store in memory (`waiting`);
    // otherwise the journal of this run is to apply to main.dat as read.
    struct DataFileState {
        const char *name = "";
        bool missing = false;
        std::string failure; // the whole message naming the file, or empty
        std::string reason;  // why, fit to follow the file's name
    };
    struct Read {
        bool read = false;
        std::vector<DataFileState> files;
        Loaded loaded;
        // Lines of strings.dat and components.lst cut or not read, a message each.
        std::vector<std::string> problems;
        WaitingJournal waiting;
    };
    Read readbase(CompStore &store);
    // True when loadbase would only read the folder: it and its three data files exist,
    // and no journal waits to be replayed. Whatever loadbase says then changes nothing.
    static bool loadOnlyReads(const std::string &datapath);

    // Records one change in the journal (see Journal::record); true when it is on the disk,
    // and always true when read-only (nothing is kept then).
    [[nodiscard]] bool record(const StockChange &change) override;
    // The same with the change's line in the history (history.h): the parts its record holds
    // after it, the user's note and the history line it takes back (0: none). The line is in
    // the journal with its entry and appended to the history once the journal holds it (at
    // the end of a group); when the journal could not be written, at the next save.
    struct HistoryNote {
        uint32_t after = 0;
        std::string note;
        uint64_t undoes = 0;
    };
    [[nodiscard]] bool record(const StockChange &change, const HistoryNote &note);
    // The folder's history (history.dat).
    History &history() { return *history_; }
    [[nodiscard]] bool record(const AttributeChange &change);
    // The changes recorded from beginGroup to endGroup are one group of the journal (see
    // Journal::beginGroup): replayed whole or not at all.
    void beginGroup(ChangeSource source) override;
    [[nodiscard]] bool endGroup() override;

    // Writes main.dat whole; on failure the error is shown and the file is left as it was.
    // A successful save empties the journal. Read-only: writes nothing and returns true
    // (closing may go on; nothing of this run is kept).
    [[nodiscard]] bool savebase(const CompStore &store);

    // savebase without the message: false with the reason in `failure`.
    [[nodiscard]] bool trySave(const CompStore &store, std::string &failure);

    // True when main.dat, written now, would not be the file as it was loaded or last saved.
    bool hasChanges(const CompStore &store) const;

    // What became of main.dat since it was read or last saved: still that file (or one with
    // the same bytes), gone (removed, or no longer a regular file: the records then exist only
    // in memory), or replaced by another file. AsRead when that cannot be known, or read-only.
    enum class MainFileNow { AsRead, Gone, Replaced };
    MainFileNow mainFileNow() const;

    // Writes main.dat, strings.dat and components.lst (as they were read) into another
    // folder, atomically each; false with the error shown when one cannot be written.
    [[nodiscard]] bool saveCopyTo(const std::string &folder, const CompStore &store);

    // Gives up the changes since the last save: the journal goes. When it cannot be emptied
    // or removed, the user is told that the next start would replay them. A read-only folder
    // has no journal of this run: nothing is touched.
    void discardChanges();

    bool readOnly() const override { return readOnly_; }
    // «папка <folder>», as the caption names the stock.
    std::string storeName() const override;
    // The records' attributes, read from attrs.dat by loadbase and written by a save when
    // they changed. Not writable when attrs.dat could not be read whole: then it is left as
    // it is, and nothing may change them.
    RecordAttributes &attributes() { return attributes_; }
    const RecordAttributes &attributes() const { return attributes_; }
    bool attributesWritable() const { return !readOnly_ && attributesWritable_; }
    bool folderMissing() const { return folderMissing_; }
    // Changes not yet in main.dat.
    int unsavedChanges() const;

private:
    // attrs.dat read into attributes_ (what could not be read said in `problems`).
    void loadAttributes(std::vector<std::string> &problems);
    WaitingJournal applyWaitingJournal(std::string_view mainBytes, CompStore &store);
    bool readData(const std::string &name, std::string &bytes, size_t limit, std::string &failure);

    std::string datapath_;
    Messages &messages_;
    bool readOnly_ = false;
    bool folderMissing_ = false;
    std::unique_ptr<Journal> journal_;
    std::unique_ptr<History> history_;
    std::vector<HistoryLine> groupLines_;   // the history lines of the group being recorded
    std::vector<HistoryLine> unjournaled_;  // lines whose journal could not be written: kept for the save
    // Which file main.dat was when read or last saved (device and inode; 0 when unknown).
    uint64_t mainDevice_ = 0;
    uint64_t mainInode_ = 0;
    void noteMainFile();
    // As read, for saveCopyTo.
    std::string loadedStrings_;
    std::string loadedComponents_;
    RecordAttributes attributes_;
    bool attributesWritable_ = true;
    uint64_t attributesSaved_ = 0; // attributes_.generation() as attrs.dat holds it
    bool attributesChanged() const { return attributesWritable() && attributes_.generation() != attributesSaved_; }
    bool saveAttributes(std::string &failure);
};

} // namespace vosk
