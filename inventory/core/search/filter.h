#pragma once
#include "compstore.h"
#include "nameindex.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// The search tab's criteria on a record's attributes (attributes.h), applied by the inventory
// on top of FilterCriteria: a part of its place's text (the whole of it when exact), and the
// records below their minimum.
struct AttributeCriteria {
    std::string place;
    bool belowMinimum = false;
    bool any() const { return !place.empty() || belowMinimum; }
};

// The criteria the inventory list was last chosen by, re-applied by every refresh.
// category -1: all categories; empty texts and quantity 0 place no condition. The quantity is
// kept wider than a stored quantity so that a search for 65536 finds nothing instead of
// silently becoming "any quantity".
struct FilterCriteria {
    int32_t category = 0;
    std::string name;
    int32_t quantity = 0;
    std::string description;
    // The name is a value («4,7К», «4k7», «100n») found in the value categories whatever its
    // spelling (filterByValue) instead of a text.
    bool byValue = false;
};

// The records shown, in display order: slot numbers of the store.
struct ViewList {
    std::vector<uint16_t> viewlist = std::vector<uint16_t>(CompStore::kSlots + 1); // slots 1..65536
    uint16_t viewcount = 0;
};

// True when the pattern occurs in the text as a contiguous run of bytes (case-sensitive);
// an empty pattern occurs everywhere.
bool matchpart(std::string_view text, std::string_view pattern);

// Rebuilds the view: every record, in store order, meeting all active criteria. Names and
// descriptions compare whole when `exact`, else as parts (matchpart).
void filterbase(const CompStore &store, const FilterCriteria &criteria, bool exact, ViewList &view);

// The same through the name index: with a name criterion only the records of that name
// (exact) or of names containing it are looked at. Same result as above while the index
// is kept in step with the store.
void filterbase(const CompStore &store, const NameIndex &names, const FilterCriteria &criteria, bool exact,
                ViewList &view);

} // namespace vosk
