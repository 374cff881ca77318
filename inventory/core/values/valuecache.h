#pragma once
#include "compstore.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vosk {

// Every record's value, read once when the record is read or changed rather than at each
// sort. A record of a category with a value scale (1..7) holds readnominal of its name in
// that category, or the number-conversion message of a name that cannot be read; a record
// of any other category holds nothing. For each of those categories it also keeps the
// slots of its readable records in value order (equal values by slot), so that a list of
// a whole category in store order is ordered by value without sorting.
//
// Kept in step with the store by its owner:
//   - rebuild(store) after the store is loaded (or replaced) whole;
//   - update(store, slot) after a record is appended at `slot` or its category or name
//     changed (a quantity or description change needs nothing);
//   - erase(slot) before a record leaves the store (taken to nothing, dropped when empty);
//   - moved(store, slot) right after store.movelast(slot), before compcount goes down:
//     slot, erased before, takes the entry of the last record.
// The helpers of nameindex.h do these together with the name index.
class ValueCache {
public:
    enum class State : std::uint8_t { None, Value, Unreadable };

    void rebuild(const CompStore &store);
    void update(const CompStore &store, int slot);
    void erase(int slot);
    void moved(const CompStore &store, int slot);

    State state(int slot) const { return static_cast<State>(state_[static_cast<std::size_t>(slot)]); }
    // readnominal of the slot's name; 0 unless state() is Value.
    double value(int slot) const { return value_[static_cast<std::size_t>(slot)]; }
    // The message readnominal gave; empty unless state() is Unreadable.
    const std::string &message(int slot) const;
    // The readable records of a category 1..7 by value, then slot.
    const std::vector<std::uint16_t> &valueOrder(int category) const
    {
        return order_[static_cast<std::size_t>(category)];
    }

private:
    void read(const CompStore &store, int slot); // the slot has no message yet
    void unlist(int slot);                        // out of its category's value order
    void list(int slot);                          // into it, when readable

    std::vector<double> value_ = std::vector<double>(CompStore::kSlots + 1, 0.0);
    std::vector<std::uint8_t> state_ = std::vector<std::uint8_t>(CompStore::kSlots + 1, 0);
    std::vector<std::uint8_t> category_ = std::vector<std::uint8_t>(CompStore::kSlots + 1, 0); // 1..7 or 0
    std::size_t highest_ = 0; // no slot above it has a category
    std::array<std::vector<std::uint16_t>, 8> order_;
    std::unordered_map<std::uint16_t, std::string> messages_; // slots whose name cannot be read
};

} // namespace vosk
