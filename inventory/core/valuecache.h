#pragma once
#include "compstore.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vosk {

// Every record's value, read once when the record is read or changed rather than at each
// sort. A record of a category with a value scale (1..7) holds readnominal of its name in
// that category, or the number-conversion message of a name that cannot be read; a record
// of any other category holds nothing.
//
// Kept in step with the store by its owner:
//   - rebuild(store) after the store is loaded (or replaced) whole;
//   - update(store, slot) after a record is appended at `slot` or its category or name
//     changes (a quantity or description change needs nothing);
//   - moved(store, slot) right after store.movelast(slot), before compcount goes down:
//     slot takes the entry of the last record.
class ValueCache {
public:
    enum class State : std::uint8_t { None, Value, Unreadable };

    void rebuild(const CompStore &store);
    void update(const CompStore &store, int slot);
    void moved(const CompStore &store, int slot);

    State state(int slot) const { return static_cast<State>(state_[static_cast<std::size_t>(slot)]); }
    // readnominal of the slot's name; 0 unless state() is Value.
    double value(int slot) const { return value_[static_cast<std::size_t>(slot)]; }
    // The message readnominal gave; empty unless state() is Unreadable.
    const std::string &message(int slot) const;

private:
    void read(const CompStore &store, int slot); // the slot has no message yet

    std::vector<double> value_ = std::vector<double>(CompStore::kSlots + 1, 0.0);
    std::vector<std::uint8_t> state_ = std::vector<std::uint8_t>(CompStore::kSlots + 1, 0);
    std::unordered_map<std::uint16_t, std::string> messages_; // slots whose name cannot be read
};

} // namespace vosk
