#pragma once
#include "compstore.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

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
//
// The first line names the main.dat the entries apply to (its size and CRC-32 in decimal and
// hex): a journal written before the last successful save no longer applies and is not
// replayed. <kind> is "+" (parts added; a record is created when none has this category,
// name and description), "-" (parts taken; the record goes when it empties) or "0" (an empty
// record removed); <amount> counts the parts actually added or taken, 0 for "0". A move is a
// "-" and a "+", the taking pass one "-" per take, an import one "+" per record. The name
// never holds 0x01, so the description is everything between the amount and the CRC.
// A line whose CRC does not match, or the last line without its CR LF (a kill in the middle
// of an append), ends the readable part: it and everything after it are ignored.
struct JournalEntry {
    enum class Kind : char { Add = '+', Take = '-', Drop = '0' };
    Kind kind = Kind::Add;
    int category = 0;
    std::string name;
    std::string description;
    uint32_t amount = 0;

    bool operator==(const JournalEntry &) const = default;
};

// What identifies the bytes of main.dat the journal applies to.
struct BaseStamp {
    uint64_t size = 0;
    uint32_t crc = 0;
    bool operator==(const BaseStamp &) const = default;
};
BaseStamp stampOf(std::string_view mainFileBytes);

// One line of the journal, with its CRC and line end.
std::string journalHeaderLine(const BaseStamp &base);
std::string journalEntryLine(const JournalEntry &entry);

struct JournalContents {
    bool hasHeader = false;
    BaseStamp base;
    std::vector<JournalEntry> entries;
    // 1-based number of the first line that could not be read (0 when every line was read)
    // and how many bytes from there on were ignored.
    int damagedLine = 0;
    size_t ignoredBytes = 0;
};
// Reads the bytes of a journal file; never fails, whatever the bytes.
JournalContents parseJournal(std::string_view bytes);

struct ReplayReport {
    int applied = 0;
    // One text per entry that no longer applies (a take from a record that is gone or
    // holds fewer, an add past 65,535), in code page 1251.
    std::vector<std::string> notApplied;
};
// Applies the entries in order, each through the store's own changing rules; an entry that
// no longer applies changes nothing and is reported.
ReplayReport replayJournal(CompStore &store, const std::vector<JournalEntry> &entries);

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
    // removed; a damaged tail is reported and ignored.
    // The bytes' stamp is taken only when a journal is there to be checked against it.
    bool recover(CompStore &store, std::shared_ptr<const std::string> loadedMainBytes);
    bool recover(CompStore &store, std::string_view loadedMainBytes);

    // The journal is to apply to main.dat holding these bytes (after loading without a
    // journal to recover). Nothing is written until the first change. The second form keeps
    // the bytes and takes their stamp when it is first needed (the first change, or the
    // question whether anything changed): the store holds those bytes anyway, and the CRC
    // of a full main.dat is a tenth of its load.
    void setBase(std::string_view mainFileBytes);
    void setBase(std::shared_ptr<const std::string> mainFileBytes);

    // Appends the entry and waits until it is on the disk. False when it could not be
    // written; the first failure after a success is reported to the user, later ones not.
    [[nodiscard]] bool record(const JournalEntry &entry);

    // main.dat was replaced with these bytes: the journal is emptied (its file removed).
    void saved(std::string_view mainFileBytes);

    // Drops the journal and its file: the changes it holds are given up.
    void discard();

    // Changes not yet in main.dat: those recorded since the start or the last save, and
    // recovered ones whose save failed. 0 means closing loses nothing without saving.
    int unsavedChanges() const { return changes_; }
    // The main.dat the journal applies to.
    const BaseStamp &base() const;

private:
    bool openForAppend(std::string &reason);
    void closeFile();

    std::string datapath_;
    Messages &messages_;
    mutable BaseStamp base_;
    mutable std::shared_ptr<const std::string> unstamped_; // the bytes of base_, not yet stamped
    int fd_ = -1;
    // The file on disk already holds a valid header for base_ (kept from a recovery whose
    // save failed): new entries are appended to it instead of starting it anew.
    bool continueFile_ = false;
    bool failureShown_ = false;
    int changes_ = 0;
};

} // namespace vosk
