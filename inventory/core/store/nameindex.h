#pragma once
#include "compstore.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

class ValueCache;

// The records of every name: a hash table over the store's slots, so that a whole name is
// found without looking at the other records. Each slot is a node of a doubly linked chain
// of its hash bucket; the name itself stays in the store (the index keeps its hash only).
// A second table of the same kind chains the slots by a hash of the whole key (category,
// name and description), so that one record is found without looking at the others that
// share its name (a store may hold thousands of «10К» with different descriptions). That
// table is built at the first lookup of a whole key, not at rebuild: loading a store costs
// no more for it, and a window that only reads never builds it.
//
// Kept in step with the store by its owner, at every change of a slot's name or of the
// number of records:
//   - rebuild(store) after the store is loaded (or replaced) whole;
//   - insert(store, slot) after a record is appended at `slot`, or after its category or
//     name changed;
//   - erase(slot) before a record's category or name changes, and before a record leaves the store
//     (taken to nothing, dropped when empty);
//   - moved(store, slot) right after store.movelast(slot), before compcount goes down,
//     when the last record fills the hole of a record erased at `slot`.
// The helpers at the end of this file do these sequences together with the ValueCache.
//
// It also keeps every name side by side in one buffer, each followed by the byte 0x01
// (rebuilt when the names changed since the last use), so that a search for a part of a
// name runs one memmem over all of them.
class NameIndex {
public:
    NameIndex();

    void rebuild(const CompStore &store);
    void insert(const CompStore &store, int slot);
    void erase(int slot);
    void moved(const CompStore &store, int slot);

    // Slots whose name is exactly `name`, ascending (store order).
    void find(const CompStore &store, std::string_view name, std::vector<std::uint16_t> &found) const;
    // Slots holding exactly this category, name and description, ascending. The first call
    // after a rebuild builds the table of whole keys: like findPart, not to be called from
    // two threads at once.
    void findKey(const CompStore &store, int category, std::string_view name, std::string_view description,
                 std::vector<std::uint16_t> &found) const;
    // The first slot holding this category, name and description, or 0.
    int findRecord(const CompStore &store, int category, std::string_view name, std::string_view description) const;
    // Slots whose name contains `part` (not empty), ascending; the same as matchpart on
    // every name. It may rebuild the buffer of names, so unlike find it is not to be called
    // from two threads at once.
    void findPart(const CompStore &store, std::string_view part, std::vector<std::uint16_t> &found) const;

    // Records indexed. A consistency check for tests: true when every slot 1..compcount
    // is indexed once under its present name and nothing else is.
    std::size_t size() const { return size_; }
    bool consistent(const CompStore &store) const;

private:
    static std::uint32_t hashOf(std::string_view name);
    static std::uint32_t keyHashOf(int category, std::string_view name, std::string_view description);
    std::uint32_t keyHashOf(const CompStore &store, std::size_t slot) const;
    void link(int slot, std::uint32_t hash, std::uint32_t keyHash);
    void linkKey(std::size_t slot, std::uint32_t keyHash) const;
    void unlinkKey(std::size_t slot);
    void buildKeys(const CompStore &store) const;
    // A table about twice the records: clearing one sized for a full store would cost more
    // than indexing a small one.
    void resize(std::size_t records);
    std::uint32_t bucketOf(std::uint32_t hash) const { return hash & (static_cast<std::uint32_t>(bucket_.size()) - 1); }
    void buildParts(const CompStore &store) const;

    std::vector<std::uint16_t> bucket_; // head slot of each chain, 0 for none
    std::vector<std::uint16_t> next_, prev_;
    std::vector<std::uint32_t> hash_;
    // The chains of whole keys, alongside (the same buckets' count), once built.
    mutable bool keysBuilt_ = false;
    mutable std::vector<std::uint16_t> keyBucket_;
    mutable std::vector<std::uint16_t> keyNext_, keyPrev_;
    mutable std::vector<std::uint32_t> keyHash_;
    std::vector<std::uint8_t> member_;
    std::size_t size_ = 0;
    std::size_t highest_ = 0; // no slot above it is a member

    // Names side by side for part searches, built on demand.
    mutable bool partsStale_ = true;
    mutable std::string parts_;
    mutable std::vector<std::uint32_t> partStart_; // offset of slot k's name at [k-1]; one more at the end
};

// The store changes that touch both indexes, in the order they need.
// Appends a record (false when the store is full).
bool appendIndexed(CompStore &store, NameIndex &names, ValueCache &values, std::uint16_t category,
                   std::string name, std::uint16_t quantity, std::string description);
// Removes the record at `slot`, the last record taking its place (the store's own way).
void removeIndexed(CompStore &store, NameIndex &names, ValueCache &values, int slot);
// CompStore::dropempty with both indexes kept: removes the first record of quantity 0.
bool dropemptyIndexed(CompStore &store, NameIndex &names, ValueCache &values);
// Gives a record another category and name (a move, a canonical name).
void renameIndexed(CompStore &store, NameIndex &names, ValueCache &values, int slot, std::uint16_t category,
                   std::string name);

} // namespace vosk
