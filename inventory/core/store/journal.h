#pragma once
#include "compstore.h"
#include "stock.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

class History;
class Messages;

// The change journal main.jnl: every change to the store is appended to it, and reaches the
// disk, before the window shows it done; a successful save of main.dat empties it. A program
// that ends without saving (killed, a power cut) leaves it behind, and the next start
// replays it onto main.dat as it was loaded, so no change is lost.
//
// The file is code page 1251 text, one line per entry, CR LF after each line; the fields of
// a line are separated by the byte 0x01 and the last field is the CRC-32 of everything
// before it (the line up to and including the last 0x01), eight lower-case hex digits:
//
//   J 0x01 1 0x01 <size of main.dat> 0x01 <CRC-32 of main.dat> 0x01 <crc>   the first line
//   <kind> 0x01 <category> 0x01 <name> 0x01 <amount> 0x01 <description> 0x01 <crc>
//   B 0x01 <what> 0x01 <crc>                                            a group begins
//   E 0x01 <entries> 0x01 <crc>                                         the group ends
//
// The first line names the main.dat the entries apply to (its size and CRC-32 in decimal and
// hex): a journal written before the last successful save no longer applies and is not
// replayed. An entry line is one StockChange: <kind> is "+" (parts added; a record is
// created when none has this category, name and description), "-" (parts taken; the record
// goes when it empties) or "0" (an empty record removed: a take of nothing, written by older
// versions only); <amount> counts the parts actually added or taken, 0 for "0". The name
// never holds 0x01, so the description is everything between the amount and the CRC.
//
// An operation made of several entries is one group: its entries stand between a "B" line,
// whose <what> names the operation (a word of small Latin letters: "move", "import", "pass",
// "undo", "stocktake", "places"), and an "E" line that counts them. A move is a "-" and a "+"
// (and a "+" back when the target refused them), a taking pass one "-" per take, an import
// one "+" per record, its undo one "-" per record, the rename of a place (or its undo) one
// "A" per record holding it. A group is replayed whole or not at all: one whose "E" line is
// missing, damaged or counts otherwise is left out entirely. Groups do not nest. A single
// change stands alone, as in journals written before groups existed.
//
// A record's attribute set (attrs.dat, see attributes.h) is a line of its own kind, which
// programs from before attributes never wrote:
//   A 0x01 <category> 0x01 <name> 0x01 <attribute key> 0x01 <value> 0x01 <description> 0x01 <crc>
// It sets the value (empty: none) whatever it was, so replaying it twice does no harm. It
// counts as an entry of its group.
// Where a change came from is written by its group: an entry read back has the source its
// group's word names (Replay for a word this version does not know), and a single entry is
// typing (the command line writes its changes as typing does).
//
// Each entry a program of today writes is preceded by a line saying what the history
// (history.h) records of it, which programs from before the history never wrote:
//   N 0x01 <id> 0x01 <group> 0x01 <time> 0x01 <source> 0x01 <undoes> 0x01 <note> 0x01 <crc>
// <id>, <group> and <undoes> are numbers of history lines (0: none), <time> the local time
// of the change, <source> the word of its source (journalGroupWord) and <note> the user's
// note (no control bytes). It is no entry (a group's end line does not count it), and an
// entry without one is replayed all the same.
//
// A line whose CRC does not match, or the last line without its CR LF (a kill in the middle
// of an append), ends the readable part: it and everything after it are ignored.

// An "A" line: an attribute of the record with this category, name and description set.
struct AttributeChange {
    int category = 0;
    std::string name;
    std::string description;
    std::string attribute; // its key (attributes.h)
    std::string value;
    bool operator==(const AttributeChange &) const = default;
};

// The words of the operations written as groups.
namespace journalgroup {
constexpr const char *kMove = "move";
constexpr const char *kImport = "import";
constexpr const char *kPass = "pass";
constexpr const char *kUndoImport = "undo";
constexpr const char *kStocktake = "stocktake";
constexpr const char *kPlaces = "places";
} // namespace journalgroup
// The group word of a source of changes, and the source a group word names. Typing and the
// command line write single entries; should one of them begin a group, its word is "typing"
// or "cli", and a "replay" group is one a replay passes on.
std::string_view journalGroupWord(ChangeSource source);
ChangeSource sourceOfGroupWord(std::string_view word);

// What identifies the bytes of main.dat the journal applies to.
struct BaseStamp {
    uint64_t size = 0;
    uint32_t crc = 0;
    bool operator==(const BaseStamp &) const = default;
};
BaseStamp stampOf(std::string_view mainFileBytes);

// What an "N" line says of the entry after it.
struct EntryNote {
    uint64_t id = 0;
    uint64_t group = 0;
    std::string time;
    ChangeSource source = ChangeSource::Typing;
    uint64_t undoes = 0;
    std::string note;
    bool operator==(const EntryNote &) const = default;
};

// One line of the journal, with its CRC and line end.
std::string journalHeaderLine(const BaseStamp &base);
std::string journalEntryLine(const StockChange &change);
std::string journalAttributeLine(const AttributeChange &change);
std::string journalBeginLine(std::string_view what);
std::string journalEndLine(size_t entries);
std::string journalNoteLine(const EntryNote &note);

// What a reading of a journal's bytes found, without keeping its entries: a journal may be
// tens of megabytes, and its entries are applied one at a time (forEachJournalEntry).
struct JournalScan {
    bool hasHeader = false;
    BaseStamp base;
    // The entries to replay (single ones, and those of whole groups), and the end of the
    // bytes that hold them: everything before it is whole and read.
    size_t entryCount = 0;
    size_t replayEnd = 0;
    // 1-based number of the first line that could not be read (0 when every line was read)
    // and how many bytes from there on were ignored.
    int damagedLine = 0;
    size_t ignoredBytes = 0;
    // The last group, when it has no end line: what it was and how many of its entries were
    // read (none of them is replayed).
    bool cutGroup = false;
    std::string cutGroupWhat;
    size_t cutGroupEntries = 0;
};
// Reads the bytes of a journal file; never fails, whatever the bytes.
JournalScan scanJournal(std::string_view bytes);
// Calls `apply` for each entry to replay, in order: those before `scan.replayEnd`. The change
// passed is one object reused from call to call.
// Attribute lines go to `applyAttribute` in their place among the entries (left out without it),
// and "N" lines to `noteOf`, before the entry they belong to.
void forEachJournalEntry(std::string_view bytes, const JournalScan &scan, const std::function<void(const StockChange &)> &apply,
                         const std::function<void(const AttributeChange &)> &applyAttribute = nullptr,
                         const std::function<void(const EntryNote &)> &noteOf = nullptr);

// The scan with the entries to replay gathered (for small journals and tests).
struct JournalContents : JournalScan {
    std::vector<StockChange> entries;
};
JournalContents parseJournal(std::string_view bytes);

struct ReplayReport {
    size_t applied = 0;
    // The entries that no longer apply (a take from a record that is gone or holds fewer,
    // an add past 65,535): how many, and a text for each of the first kListed, in code page
    // 1251.
    static constexpr size_t kListed = 10;
    size_t notAppliedCount = 0;
    std::vector<std::string> notApplied;
};
// Applies entries one by one, in order, each through the store's own changing rules and the
// one lookup of a record (findRecords, through a name index of its own); an entry that no
// longer applies changes nothing and is reported.
class RecordAttributes;
class JournalReplay {
public:
    explicit JournalReplay(CompStore &store, RecordAttributes *attributes = nullptr);
    ~JournalReplay();
    JournalReplay(const JournalReplay &) = delete;
    JournalReplay &operator=(const JournalReplay &) = delete;
    void apply(const StockChange &change);
    // Not applied without attributes to set (attrs.dat could not be read): reported.
    void apply(const AttributeChange &change);
    // What the record with this key holds now (0 when the store has none).
    uint32_t quantityOf(const StockKey &key);
    const ReplayReport &report() const { return report_; }

private:
    struct Indexes;
    CompStore &store_;
    RecordAttributes *attributes_;
    std::unique_ptr<Indexes> indexes_;
    ReplayReport report_;
};
ReplayReport replayJournal(CompStore &store, const std::vector<StockChange> &entries);

// The journal of one installation folder.
class Journal {
public:
    // `datapath`: the folder with its trailing '/', or empty for the current folder.
    Journal(std::string datapath, Messages &messages);
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    static constexpr const char *kFileName = "main.jnl";
    std::string path() const { return datapath_ + kFileName; }

    // At start-up, once main.dat is loaded from `loadedMainBytes`: replays a journal a
    // previous program left behind onto the store, and tells the user how many changes were
    // recovered and which no longer applied. True when the store changed (the caller saves
    // then). A journal that belongs to another main.dat, or has nothing to replay, is
    // removed; a damaged tail, and a last group without its end, are reported and ignored.
    // A journal that cannot be read (no permission, a read error, not a regular file, too
    // large) is reported and never touched: unreadable() tells the folder to open read-only.
    // The bytes' stamp is taken only when a journal is there to be checked against it.
    bool recover(CompStore &store, std::shared_ptr<const std::string> loadedMainBytes);
    bool recover(CompStore &store, std::string_view loadedMainBytes);
    bool unreadable() const { return unreadable_; }
    // The records' attributes the replay sets (none: attribute lines are reported not applied).
    void setAttributes(RecordAttributes *attributes) { attributes_ = attributes; }
    // The history the replay appends the lines of its changes to, those it does not hold yet.
    void setHistory(History *history) { history_ = history; }
    // Called now and then during a long replay with the share done, 0 to 100.
    void setProgress(std::function<void(int percent)> progress) { progress_ = std::move(progress); }

    // The journal is to apply to main.dat holding these bytes (after loading without a
    // journal to recover). Nothing is written until the first change. The second form keeps
    // the bytes and takes their stamp when it is first needed (the first change, or the
    // question whether anything changed): the store holds those bytes anyway, and the CRC
    // of a full main.dat is a tenth of its load.
    void setBase(std::string_view mainFileBytes);
    void setBase(std::shared_ptr<const std::string> mainFileBytes);

    // Appends the change's line and waits until it is on the disk. False when it could not be
    // written; the first failure after a success is reported to the user, later ones not.
    // `noteLine`: the entry's "N" line, written before it.
    [[nodiscard]] bool record(const StockChange &change, const std::string &noteLine = {});
    [[nodiscard]] bool record(const AttributeChange &change);

    // A group (see above): the entries recorded from beginGroup to the matching endGroup are
    // kept in memory and written at endGroup, between the group's begin and end lines, with
    // one flush. An inner begin/end pair only counts. endGroup is false when the group could
    // not be written (said as record says it); its changes stay in memory, as record's do.
    // `source` names the group (journalGroupWord).
    void beginGroup(ChangeSource source);
    [[nodiscard]] bool endGroup();

    // main.dat was replaced with these bytes: the journal is emptied (its file removed).
    void saved(std::string_view mainFileBytes);

    // Drops the journal and its file: the changes it holds are given up. The file is emptied
    // through the descriptor it is written by, so that this holds also when its folder can no
    // longer be reached by its name (renamed, unmounted, its permissions changed), and then
    // removed; an empty journal is nothing to replay. False, with the reason, when neither
    // was possible: the next start would replay the changes given up.
    [[nodiscard]] bool discard(std::string &reason);

    // Changes not yet in main.dat: those recorded since the start or the last save, and
    // recovered ones whose save failed. 0 means closing loses nothing without saving.
    int unsavedChanges() const { return changes_; }
    // The main.dat the journal applies to.
    const BaseStamp &base() const;

private:
    bool openForAppend(std::string &reason);
    void closeFile();
    bool append(const std::string &lines, std::string &reason);
    void syncName(); // flushes the folder, which holds the file's name
    void failed(const std::string &reason, int changes);

    std::string datapath_;
    Messages &messages_;
    mutable BaseStamp base_;
    mutable std::shared_ptr<const std::string> unstamped_; // the bytes of base_, not yet stamped
    int fd_ = -1;
    // The file on disk already holds a valid header for base_ (kept from a recovery whose
    // save failed): new entries are appended to it instead of starting it anew.
    bool continueFile_ = false;
    bool nameToSync_ = false; // the file was created or opened, its name not yet flushed
    bool failureShown_ = false;
    int changes_ = 0;
    bool unreadable_ = false;
    std::function<void(int)> progress_;
    RecordAttributes *attributes_ = nullptr;
    History *history_ = nullptr;
    bool recordLine(std::string line, std::string reason);
    // The group being recorded: its lines so far (from its begin line), its entries, how deep
    // beginGroup was called, and why it cannot be written when one of its entries could not.
    int groupDepth_ = 0;
    std::string group_;
    int groupEntries_ = 0;
    std::string groupFailure_;
};

} // namespace vosk
