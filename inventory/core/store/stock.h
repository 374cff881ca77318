#pragma once
#include "compstore.h"
#include "filter.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vosk {

// What identifies a record for adding or taking: category, name (already canonical for the
// value categories) and description (a single blank when none was typed).
struct StockKey {
    int category = -1;
    std::string name;
    std::string description;
    friend bool operator==(const StockKey &, const StockKey &) = default;
    friend auto operator<=>(const StockKey &, const StockKey &) = default;
};

// Where a change of stock came from.
enum class ChangeSource : char {
    Typing,      // the changing tab
    Move,        // a move of parts to another category: a take and an add
    Pass,        // the taking pass of the bin
    Import,      // a CSV import, one add per record
    Stocktake,   // a stocktake, the quantities of a table set record by record
    Undo,        // the undo of an import or a stocktake: the inverse of what they did
    CommandLine, // voskbase-cli
    Replay,      // read back from a journal group this version has no name for
    Places,      // a place renamed on every record holding it, or that rename undone
};

// A change of stock: parts of one record added or taken. Every path that changes quantities
// makes one; the journal writes it and the replay reads it back, and an undo applies its
// inverse. The key is as typed until the changing path makes it canonical; what is
// recorded (the journal, an import's undo) is always the stored key and the parts actually
// moved. A take of nothing is the removal of an empty record (journals of older versions
// hold such removals).
struct StockChange {
    StockKey key;
    int amount = 0;
    bool take = false;
    ChangeSource source = ChangeSource::Typing;

    StockChange() = default;
    StockChange(StockKey key, int amount, bool take, ChangeSource source = ChangeSource::Typing)
        : key(std::move(key)), amount(amount), take(take), source(source)
    {
    }
    StockChange(int category, std::string name, std::string description, int amount, bool take,
                ChangeSource source = ChangeSource::Typing)
        : StockChange(StockKey{category, std::move(name), std::move(description)}, amount, take, source)
    {
    }
    // The same parts of the same record the other way, as an undo makes it.
    StockChange inverse() const { return {key, amount, !take, ChangeSource::Undo}; }
    friend bool operator==(const StockChange &, const StockChange &) = default;
};

// The record of a key as messages name it: «name» (category, description), the description
// left out when there is none.
std::string keyText(const StockKey &key, std::string_view categoryName);

// Said before the outcome of a change when the store holds its record more than once.
constexpr const char *kDetectedDouble = "Detected double";

struct StockResult {
    // Shown to the user in this order; kDetectedDouble may precede any outcome.
    std::vector<std::string> messages;
    // The store holds the record more than once (the first one changed): messages begin
    // with kDetectedDouble.
    bool doubled = false;
    // Refused before anything changed (the reason is the last message).
    bool refused = false;
    // Slot of a record created by this change, 0 when none.
    int createdSlot = 0;
    // Parts actually added to or taken from the store.
    uint32_t moved = 0;
};

class NameIndex;
class ValueCache;

// The indexes kept beside a store; every record added or removed is entered in them.
struct StoreIndexes {
    NameIndex &names;
    ValueCache &values;
};

// The one lookup of a record by its key, for every path that changes stock (typing, a move,
// the taking pass, an import and its undo, the replay of the journal, the command line): the
// slots holding exactly this category, name and description, every byte compared (an empty
// name or a blank description is a value like any other, not "any"), ascending. Through the
// name index when there is one, else by looking at every record: both give the same slots.
void findRecords(const CompStore &store, const NameIndex *names, const StockKey &key, ViewList &view);
// The same for a category and name whatever the description.
void findNamed(const CompStore &store, const NameIndex *names, int category, std::string_view name, ViewList &view);

// The one place where quantities change: adds `amount` to the record with this key (or
// creates it), or with `take` takes it away, emptying and removing the record when there are
// not enough. `view` is overwritten by the lookup of the record (findRecords). With `indexes` the record is
// found through the name index, and the indexes follow the records added and removed.
StockResult changeStock(CompStore &store, ViewList &view, const StockKey &key, int amount, bool take,
                        StoreIndexes *indexes = nullptr);
// The same for a change whose key is as stored.
inline StockResult changeStock(CompStore &store, ViewList &view, const StockChange &change, StoreIndexes *indexes = nullptr)
{
    return changeStock(store, view, change.key, change.amount, change.take, indexes);
}

// Text that cannot be stored in main.dat without breaking it: the field separator, line ends
// and the end-of-file byte. Empty when the text is fine, else the refusal message.
std::string unstorableText(const std::string &text);

// What the text of a new record must meet, on every path that creates one (typing, the
// command line, an import, a replay): no control bytes (codes 0 to 31 and 127). A record that
// already holds them (an older main.dat) stays usable: parts can be added to it and taken
// out. Empty when the key may become a new record, else the refusal message.
std::string newRecordRefusal(const StockKey &key);

// The key of a record as typed: an empty description is stored as a single blank.
StockKey makeStockKey(int category, std::string name, std::string description);

} // namespace vosk
