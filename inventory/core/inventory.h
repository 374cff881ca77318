#pragma once
#include "attributes.h"
#include "bin.h"
#include "compstore.h"
#include "csvio.h"
#include "datafiles.h"
#include "dictionary.h"
#include "filter.h"
#include "history.h"
#include "closing.h"
#include "exchange.h"
#include "kicadbom.h"
#include "listsort.h"
#include "nameindex.h"
#include "places.h"
#include "stock.h"
#include "stockstore.h"
#include "takepass.h"
#include "valuecache.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

class FolderLock;
class Messages;

// The columns of the inventory list, left to right; a column is also the key the list is
// ordered by when its title is clicked.
enum class ListColumn : int { Category = 0, Name = 1, Quantity = 2, Description = 3 };
constexpr int kListColumns = 4;

// How the rows on screen changed.
enum class ListChange {
    None,     // the same rows (their texts may have changed: repaint)
    Reset,    // a new list
    Appended, // rows added after the ones shown before (Outcome::appendedFrom)
};

// A message box the window shows.
struct Note {
    enum class Kind { Inform, Error };
    Kind kind = Kind::Inform;
    std::string text;
    friend bool operator==(const Note &, const Note &) = default;
};

// What the window must show after an operation, in this order: the notes (message boxes),
// the list, the status bar, the value label, the reference window.
struct Outcome {
    std::vector<Note> notes;
    ListChange list = ListChange::None;
    int appendedFrom = 0;
    std::optional<std::string> status;
    std::optional<std::string> understand;
    // A part the reference window should look up.
    std::optional<std::string> lookup;
    // Refused before anything changed (the reason is the last note).
    bool refused = false;
    // An ordering long enough to be run away from the window (see Inventory::sortJob): the
    // window starts it, and the list stays as it is until it is done.
    std::optional<ListColumn> sortLater;

    void inform(std::string text) { notes.push_back({Note::Kind::Inform, std::move(text)}); }
    void error(std::string text) { notes.push_back({Note::Kind::Error, std::move(text)}); }
    void refuse(std::string text, bool asError = false)
    {
        asError ? error(std::move(text)) : inform(std::move(text));
        refused = true;
    }
    // Appends a later outcome: its notes after these, its list, status and lookup over these.
    void then(Outcome later);
};

// What choosing a row of the list puts into the changing tab.
struct PickedRow {
    int category = 0;
    std::string name;
    int quantity = 0;
    std::string description;
    AttributeValues attributes;
};

// What one label says: its text lines top to bottom (code page 1251), and the record's code
// its QR code holds and its last line prints.
struct LabelText {
    std::vector<std::string> lines;
    std::string code;
};

// A code typed or scanned: the record's slot, or 0 and the note that says why there is none.
struct CodeFind {
    int slot = 0;
    bool code = false; // the text reads as a code (of a record held or not)
    StockKey key;      // the record it names, when it reads
    Outcome outcome;
};

// The inventory: the record store with its dictionary and categories, what the list shows
// and the criteria that chose it, the bin and the taking pass. It holds every rule of the
// inventory; the window turns the user's actions into calls and shows what they return.
class Inventory {
public:
    // `datapath`: the installation folder followed by '/', or empty for the current folder.
    Inventory(std::string datapath, Messages &messages);
    // The stock kept elsewhere and shared (the server, `shared()`): loaded from there by open
    // and openForCommand, and every change made there first (null: the folder's stock). The folder keeps only what is
    // not the stock's (the reference book's file) and is never written by the inventory.
    Inventory(std::string datapath, Messages &messages, std::unique_ptr<StockStore> shared);
    ~Inventory();
    Inventory(const Inventory &) = delete;
    Inventory &operator=(const Inventory &) = delete;

    // Reads the three data files (their failures are reported through the messages) and
    // shows every record. The status bar shows the stock, then the list.
    Outcome open();
    // Writes main.dat, and the companion's file; false (error shown, nothing lost) when that
    // is not possible.
    [[nodiscard]] bool save();
    // Closing: saved, or what the user chose when saving is impossible.
    CloseDecision close(Messages &messages);
    // Another file kept in the folder (the reference book's), saved and closed with the data
    // files from now on; null for none.
    void setCompanion(FolderCompanion *companion) { companion_ = companion; }
    // Another program writes the folder, or main.dat could not be read whole: nothing is
    // changed or written in this run.
    bool readOnly() const { return stock().readOnly(); }
    // Which stock is open, as the caption and the status bar name it: the folder or the server.
    std::string storeName() const { return stock().storeName(); }
    // The stock is on a server that other workstations change too.
    bool sharedStock() const { return stock().shared(); }
    // The socket on which their changes are announced (-1: none).
    int changesSocket() const { return stock().changesSocket(); }
    // False while the connection to the server is lost (read-only meanwhile; followOthers
    // connects again).
    bool storeReachable() const { return stock().connected(); }
    // When another workstation changed the stock: the copy read again and the list refilled by
    // the same criteria (ListChange::Reset). Nothing while a taking pass or a batch is under way:
    // it is followed at the next call after it. nullopt when there is nothing to follow.
    std::optional<Outcome> followOthers();

    const std::string &datapath() const { return datapath_; }
    const CompStore &store() const { return store_; }
    const Dictionary &dictionary() const { return dictionary_; }
    const std::vector<std::string> &categories() const { return categories_; }
    std::string categoryName(int category) const;

    // --- the list
    // Store slots of the rows on screen, in display order (a slot may appear twice after a
    // bin find). The list's texts are always the store's.
    const std::vector<uint16_t> &rows() const { return rows_; }
    const FilterCriteria &lastfilter() const { return lastfilter_; }
    bool batchmode() const { return batchmode_; }
    // "Точный поиск": names and descriptions compare whole.
    void setExact(bool exact) { exact_ = exact; }
    bool exact() const { return exact_; }
    // The automatic ordering after every category change: a column, or none.
    void setAutoSort(std::optional<ListColumn> column) { autoSort_ = column; }

    // The list for a category (0 or -1: all), ordered automatically.
    Outcome selectCategory(int category);
    // The list again by the last criteria.
    Outcome refresh();
    // "Сброс": every criterion dropped, then the list for the category.
    Outcome reset(int category);
    // The search tab's criteria (category -1: every category).
    // `attributes`: the criteria on the records' attributes, on top of the others.
    Outcome search(const FilterCriteria &criteria, const AttributeCriteria &attributes = {});
    // Why a word is no value, as the import, the value search and a bill of materials say it.
    static std::string valueWordRefusal(std::string_view word);
    const AttributeCriteria &lastAttributeFilter() const { return lastAttributes_; }
    // Orders the rows on screen by a column. One that needs the list's exchange on a long
    // list is not run here: the outcome's sortLater asks the window to run it as a job.
    Outcome sort(ListColumn column);

    // An ordering run away from the window thread: made here, run by `runSortJob` (which
    // only reads the store and its indexes; nothing may change them meanwhile), applied by
    // `finishSortJob` unless the list changed since it was made.
    struct SortJob {
        ListColumn column = ListColumn::Name;
        std::vector<uint16_t> order;
        uint64_t listGeneration = 0;
        SortResult result;
    };
    SortJob sortJob(ListColumn column) const;
    void runSortJob(SortJob &job, const SortControl *control) const;
    Outcome finishSortJob(SortJob job);
    // Changes of the list so far; a job made before a change is stale.
    uint64_t listGeneration() const { return listGeneration_; }

    // --- the changing tab
    // The category a typed name belongs to by the dictionary (-1 for none).
    int guessCategory(const std::string &name) const;
    // The value of a name in a category as the label beside the name shows it.
    Outcome understand(int category, const std::string &name) const;
    // Adds or takes parts; the list is refilled by the last criteria. The change's key is as
    // typed (its name made canonical in the value categories, an empty description stored as
    // one blank); what is journaled is the stored key, the parts actually moved and the
    // change's source.
    Outcome change(const StockChange &edit);
    // Parts actually added or taken by the last change (0 when refused).
    uint32_t lastMoved() const { return lastMoved_; }
    // Moves parts of a record from its category to another one: taken from the source, and
    // only what was taken arrives in the target. A name the target cannot hold (a value
    // that does not read in the target's scale) is refused before anything changes.
    Outcome move(const StockChange &source, int target);
    // The record behind a row of the list, and the lookup of its name.
    std::optional<PickedRow> pick(int row) const;

    // --- the bin
    const std::vector<BinRow> &binRows() const { return bin_; }
    // A needed part (category -1: any); refused with a message when the name is empty.
    Outcome binAdd(int category, const std::string &name, const std::string &needed, const std::string &description);
    void binRemove(int row);
    void binClear();
    // "Найти детали": every bin row looked up; the list shows what was found.
    Outcome findBin(bool exact);

    // --- the taking pass
    const TakePass &pass() const { return pass_; }
    bool passActive() const { return pass_.active(); }
    // "Забрать детали": finds again first when the list no longer holds the last find. With
    // an empty list nothing starts (nullopt).
    std::optional<Outcome> passStart(bool exactFind);
    // The user's amount for the current offer.
    Outcome passTake(int amount);
    // The pass is finished: its report to confirm.
    bool passFinished() const { return pass_.finished(); }
    // After the confirmation: the takes applied when confirmed, then the bin checked again.
    Outcome passFinish(bool confirmed, bool exactFind);
    // Take mode left without applying anything.
    void passAbandon();

    // --- tables in and out (inventoryio.cpp); paths are file system paths (UTF-8)
    // Writes the rows on screen, or every record (`all`), as CSV, replacing the file whole;
    // the status bar says how many rows went where.
    // `forExcel`: UTF-8 with a byte order mark and `;` (see vosk::exportCsv).
    Outcome exportCsv(const std::string &path, bool all, bool forExcel = false) const;
    // Reads a CSV file piece by piece and plans its import; nothing changes. A path that is
    // no regular file or cannot be read gives a plan with its file error.
    // `columns`: what each column holds, when the user said so (else the header says it);
    // `setQuantities`: a stocktake's plan (see stocktake).
    ImportPlan planImportFile(const std::string &path, std::vector<ImportField> columns = {},
                              bool setQuantities = false) const;
    // How far a long batch got: entries done of all, said now and then by the thread that
    // runs it (the window runs a long import away from its own thread and shows this).
    using BatchProgress = std::function<void(std::size_t done, std::size_t total)>;
    // Adds a plan's entries one by one through the changing path, as one step that
    // undoImport takes back until the inventory closes.
    Outcome import(const ImportPlan &plan, const BatchProgress &progress = {});
    bool canUndoImport() const { return !lastImport_.empty() || !lastStocktake_.empty(); }
    // A stocktake plan («Заменить количества», inventorystocktake.cpp) applied through the
    // changing path, record by record, as one step undoImport takes back: each quantity the
    // file names becomes its record's; with `zeroAbsent` the records it does not name are
    // emptied (and leave the store, as an emptied record does).
    Outcome stocktake(const ImportPlan &plan, bool zeroAbsent);
    // Takes back exactly what the last import added to each record; refused, nothing
    // changed, when a record no longer holds those parts.
    Outcome undoImport();
    // Reads a bill of materials (a small regular file); an unreadable file gives its error.
    BomRead readBomFile(const std::string &path) const;
    // The same for bytes already read (the command line's standard input), at most kBomLimit.
    BomRead readBom(std::string_view bytes) const;
    // The largest bill of materials read, in the window and the command line alike: one is a few
    // hundred lines, and anything far larger is no such file (its lines are bounded too: kBomRows).
    static constexpr std::uintmax_t kBomLimit = 16u << 20;
    // The question to ask before a bill of materials replaces the bin's rows, when it has any.
    std::optional<std::string> binLoadQuestion() const;
    // Replaces the bin's rows by a bill of materials' rows, not looked up yet; the rows whose
    // values could not be turned into stock names are listed in a note.
    Outcome binLoad(const BomRead &bom);

    // --- a bill of materials: boards and buying (inventorybom.cpp)
    // Boards to build: the rows of a bill of materials need their parts per board that many
    // times (1 to kMaxBoards); rows already looked up are looked up again.
    static constexpr int kMaxBoards = 9999;
    Outcome setBoards(int boards, bool exactFind);
    int boards() const { return boards_; }
    // Whether the bin holds rows of a bill of materials.
    bool binHoldsBill() const;
    // After a find: how many boards the stock is enough for, and what the next one lacks
    // («можно собрать: 3 платы; для 4-й не хватает: …»); empty without rows of a bill.
    std::string boardsAnswer() const;
    // The status bar after a find: the bin's rows by verdict, then boardsAnswer.
    std::string binSummary() const;
    // The rows of a bill that are short or missing, as CSV a distributor's cart takes (UTF-8,
    // one part a row: quantity to buy for the boards, part number, manufacturer, value as the
    // drawing and as the stock writes it, references, footprint, the bill's other order
    // columns); rows of one value that name different part numbers are a line each, the stock
    // serving them in the order of the file; nothing to buy gives the header only.
    std::string shoppingCsv() const;
    // shoppingCsv written to a file, replacing it whole; the status bar says how many rows.
    Outcome writeShopping(const std::string &path) const;

    // --- labels and the codes a scanner reads back (inventorylabels.cpp)
    std::string recordCode(int slot) const;
    LabelText labelText(int slot) const;
    // The labels of rows of the list, in the list's order; no rows: every row on screen.
    std::vector<LabelText> labelTexts(std::vector<int> rows) const;
    // The record a code names (see readRecordCode); text that is no code, or the code of a
    // record the stock no longer holds, is refused with a note.
    CodeFind findCode(std::string_view typed) const;
    // The first row of the list showing a slot, -1 when none does.
    int rowOf(int slot) const;
    // --- what records carry beside main.dat (inventoryattributes.cpp)
    const RecordAttributes &attributes() const { return folder_->attributes(); }
    // The attributes of a record as typed on the changing tab (its name made canonical).
    AttributeValues attributesOf(const StockKey &record) const;
    // An attribute of the record a row of the list shows (empty for none).
    std::string rowAttribute(int row, Attribute a) const;
    // «ниже минимума: 3 из 10» for a row below its minimum, else empty.
    std::string rowShortage(int row) const;
    // Sets an attribute of the record typed on the changing tab, recorded in the journal. The
    // record need not hold parts now: its place and minimum stay for when they come.
    Outcome setAttribute(const StockKey &record, Attribute a, std::string value);
    // Records below their minimum, those taken to nothing (gone from main.dat) included.
    size_t belowMinimumCount() const;
    // For every record below its minimum, what to buy to reach it, as CSV in the columns of
    // shoppingCsv (the description under «Footprint», as the import reads that column).
    // With a bill of materials in the bin, each of its rows is a line of its own that buys
    // what the boards need beyond the stock and then the minimums of the records it finds
    // (records taken to nothing included): boards + minimums - stock, when more than 0.
    // A record's minimum counts once, with the first row finding it; the records no row
    // finds follow as lines of their own.
    std::string minimumShoppingCsv() const;
    Outcome writeMinimumShopping(const std::string &path) const;
    // --- the places in use (inventoryplaces.cpp)
    std::vector<PlaceCount> places() const { return placesInUse(attributes()); }
    // Renames a place on every record holding it (those taken to nothing too) as one group of
    // the journal; onto a place already in use the two become one, and a note says so.
    // Refused, nothing changed, in read-only mode, when attrs.dat was not read whole, or when
    // the new text cannot be a place. The change is kept for undoPlaceRename.
    Outcome renamePlace(std::string from, std::string to);
    // The last rename, until it is undone or the inventory closes.
    const std::optional<PlaceChange> &lastPlaceRename() const { return lastPlaceRename_; }
    // Gives every record the last rename changed its place from before it, as one group;
    // refused, nothing changed, when one of them no longer holds the new place.
    Outcome undoPlaceRename();
    // --- the history of changes (history.dat; inventoryhistory.cpp)
    // The note the following changes carry into the history (empty: none), until another is set.
    void setChangeNote(std::string note) { changeNote_ = std::move(note); }
    const std::string &changeNote() const { return changeNote_; }
    // The history as the file holds it now (oldest first), with what could not be read.
    HistoryRead readHistory() const;
    // A record's lines, oldest first.
    std::vector<HistoryLine> recordHistory(const StockKey &key) const;
    // Parts used in the last year, last taken and last added, by the history.
    RecordUse recordUse(const StockKey &key) const;
    // The records held whose history shows no change for a year.
    std::vector<StockKey> untouchedForAYear() const;
    // Takes back the history line `id` (`wholeStep`: every line of its step, latest first)
    // through the changing rules, as one step of the history whose lines name the lines they
    // take back. Refused, nothing changed, when a record no longer holds the parts to take
    // back, when a line was taken back already, or when there is no such line.
    Outcome undoHistory(uint64_t id, bool wholeStep);
    // The last change of this run that can be taken back (0: none): for Ctrl+Z.
    uint64_t lastHistoryLine() const { return lastHistoryLine_; }

    // --- one command that asks nothing (the command line; inventorycommand.cpp)
    // What opening the folder for one command found.
    struct CommandRead {
        enum class Result {
            Read,       // read: go on
            Refused,    // the folder is not this command's to write now (said through the messages)
            NoFiles,    // none of the three data files is there (nothing said)
            Unreadable, // a data file cannot be read (files[k].failure says which and why)
        };
        Result result = Result::Refused;
        std::vector<DataFolder::DataFileState> files;
        MainFileReport report;
        std::vector<std::string> problems; // lines of strings.dat and components.lst cut or not read
        // Read-only: the changes a program holding the folder keeps in its journal, shown.
        WaitingJournal waiting;
    };
    // Reads the folder for one command; nothing is created, and no journal is replayed onto
    // main.dat. Without `write` the folder is read-only for this inventory, and the changes
    // waiting in a journal are applied in memory only. With `write` the folder's lock is
    // taken first, by the one rule of both programs but without asking: a lock whose holder
    // is provably gone (a process of this host that no longer runs, or no holder named) is
    // taken over and said so; a live holder, or one that cannot be known from here (another
    // host), refuses, as does a journal a program left behind (the program replays it when
    // it starts). The lock is held until the inventory goes. Every change is then recorded
    // and saved as the window's are.
    CommandRead openForCommand(bool write);
    // A change named by its whole key, as from the changing tab (the same path: change), for
    // a caller that cannot be asked: a refused name is refused naming the stock's spelling
    // when there is one («Может быть, «4,7К»?»); a take without a description (`described`
    // false) takes from the only record of that category and name and is refused, listing
    // them, when there are several; a take of more than a record holds changes nothing
    // unless `partial`, which takes what there is and says so. The status says what moved
    // and the stock after it.
    Outcome changeNamed(const StockChange &edit, bool described, bool partial);
    // The plan of an import read piece by piece from elsewhere (the standard input): `read`
    // hands each piece to the function it is given and is false when it gave up (nothing
    // planned then).
    using PieceReader = std::function<bool(const std::function<void(std::string_view)> &)>;
    std::optional<ImportPlan> planImport(const PieceReader &read, std::vector<ImportField> columns = {},
                                         bool setQuantities = false) const;
    // exportCsv's bytes, for a caller that writes them itself.
    std::string exportText(bool all, bool forExcel) const;
    // Writes main.dat as save does but says nothing: false with the reason in `failure`.
    [[nodiscard]] bool trySave(std::string &failure);
    // Gives up the changes since the last save (their journal goes).
    void discardChanges();
    // The category a caption names, as the bin reads one (-1 for none).
    int categoryOf(std::string_view caption) const;

private:
    // Writes a shopping list; the status names its lines after `what` (and `after` them).
    static Outcome writeShoppingList(const std::string &path, const std::string &csv, const std::string &what,
                                     const std::string &after);
    // The key a record typed on the changing tab is stored under; nothing when the name
    // cannot be stored in the category.
    std::optional<StockKey> storedKey(int category, const std::string &name, const std::string &description) const;
    // Why attributes cannot be changed now (code page 1251); empty when they can.
    std::string attributesLocked() const;
    // Every record's place of a change set to its `after`, as one group of the journal.
    void applyPlaces(const PlaceChange &change);
    std::optional<PlaceChange> lastPlaceRename_;
    // Sets one attribute and records it in the journal; false when it was so already.
    bool putAttribute(const StockKey &key, Attribute a, const std::string &value);
    // A move's attributes: the target keeps its own, takes the source's it lacks, and the
    // source's go when none of its parts stayed behind.
    void carryAttributes(const StockKey &from, const StockKey &to, Outcome &out);
    // Before an import sets attributes, what they were, for its undo.
    struct AttributeBefore {
        StockKey key;
        Attribute attribute;
        std::string value;
    };
    std::vector<AttributeBefore> importAttributes_;
    // The attributes an import's (or a stocktake's) entry gives, set; what they were noted.
    void setImportedAttributes(const ImportEntry &entry, std::vector<AttributeBefore> &before);
    // The last import's or stocktake's attributes back to what they were.
    void restoreImportedAttributes();
    bool quantityOf(const StockKey &key, uint32_t &quantity) const;

    void applyBoards();
    void filter();
    Outcome showlist();
    Outcome sortRows(ListColumn column);
    Outcome applyTakes(const std::vector<StockChange> &takes, bool exactFind);
    std::vector<ListRow> listRows() const;
    void listChanged()
    {
        listIsLastFind_ = false;
        ++listGeneration_;
    }
    // A change of the store done: recorded in the journal, a note when that failed.
    void record(const StockChange &done);
    // The changes recorded while one lives are one group of the journal (a move, an import,
    // its undo, a taking pass): replayed whole or not at all, written with one flush.
    // On the server they are one transaction: when it is not committed, the copy in memory
    // is read again from the server.
    class JournalGroup {
    public:
        JournalGroup(Inventory &inventory, ChangeSource source) : inventory_(inventory)
        {
            inventory_.stock().beginGroup(source);
        }
        ~JournalGroup(); // a failure is said by the folder
        JournalGroup(const JournalGroup &) = delete;
        JournalGroup &operator=(const JournalGroup &) = delete;

    private:
        Inventory &inventory_;
    };
    StockStore &stock() const { return shared_ ? *shared_ : *folder_; }
    // --- the shared stock (inventoryshared.cpp)
    // The stock read from where it is kept into memory, the list refilled; false (the reason
    // said in `out`) when it cannot be.
    bool loadShared(Outcome &out);
    // A change made where the stock is kept before it is made in memory; false when it was not
    // made (`out` says why, the record in memory set to what the server holds). What the
    // change in memory refuses by itself is left to it.
    bool changeShared(const StockChange &done, Outcome &out);
    // The record in memory set to the count the server answered (0: gone, >0: made if absent).
    void followShared(const StockKey &key, int quantity);
    std::optional<int> sharedQuantity_; // the count the server answered for the change under way
    bool sharedRefused_ = false;        // the last change was refused or failed on the server
    bool othersPending_ = false;        // another workstation's change not followed yet

    std::string datapath_;
    Messages &messages_;
    std::unique_ptr<FolderLock> lock_; // held by a command that writes (openForCommand)
    std::unique_ptr<DataFolder> folder_;
    std::unique_ptr<StockStore> shared_; // the stock kept elsewhere, or null for the folder's
    FolderCompanion *companion_ = nullptr;
    CompStore store_;
    NameIndex names_;
    ValueCache values_;
    Dictionary dictionary_;
    std::vector<std::string> categories_;

    std::vector<uint16_t> rows_;
    FilterCriteria lastfilter_;
    AttributeCriteria lastAttributes_;
    bool exact_ = false;
    std::optional<ListColumn> autoSort_;
    bool batchmode_ = false;
    uint32_t lastMoved_ = 0;
    // The last change as made: the stored key, the parts moved (0 when refused), its source.
    StockChange lastDone_;

    std::vector<BinRow> bin_;
    int boards_ = 1;
    BinFind lastFind_;
    std::vector<uint16_t> lastFindSlots_;
    bool listIsLastFind_ = false;
    uint64_t listGeneration_ = 0;
    TakePass pass_;
    // The records a change found, kept from one change to the next: a list of 65,537 slots
    // zeroed at every change cost an import more than its changes did.
    ViewList changeView_;

    // The changes the last import made, record by record, for its undo.
    std::vector<StockChange> lastImport_;
    // The changes the last stocktake made, record by record, for its undo.
    std::vector<StockChange> lastStocktake_;
    Outcome undoStocktake();
    std::string changeNote_;
    // While one lives, the changes without a note of their own carry this one (an import's file name).
    struct DefaultNote {
        Inventory &inventory;
        std::string before;
        DefaultNote(Inventory &i, const std::string &note) : inventory(i), before(i.changeNote_)
        {
            if (before.empty())
                inventory.changeNote_ = note;
        }
        ~DefaultNote() { inventory.changeNote_ = before; }
        DefaultNote(const DefaultNote &) = delete;
        DefaultNote &operator=(const DefaultNote &) = delete;
    };
    uint64_t undoing_ = 0; // the history line the change being made takes back
    // The history line of each record's change in the last import or stocktake, which its undo
    // names as the line it takes back.
    std::map<StockKey, uint64_t> stepLines_;
    uint64_t lastHistoryLine_ = 0;
};

} // namespace vosk
