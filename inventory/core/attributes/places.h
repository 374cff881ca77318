#pragma once
#include "attributes.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// Whether place `a` comes before place `b` as a person sorts them: digits as numbers
// («ящик 2» before «ящик 10»), letters of code page 1251 without regard to case, ties by
// the bytes so that different texts never compare equal.
bool placeBefore(std::string_view a, std::string_view b);

// A place in use and how many records hold it (those taken to nothing included: they keep it).
struct PlaceCount {
    std::string place;
    size_t records = 0;
    friend bool operator==(const PlaceCount &, const PlaceCount &) = default;
};
// Every place the records hold, in placeBefore's order.
std::vector<PlaceCount> placesInUse(const RecordAttributes &attributes);

// A change of the places of some records: each record's place before and after it. A rename
// is one; its undo is its inverse.
struct PlaceChange {
    struct Entry {
        StockKey key;
        std::string before;
        std::string after;
        friend bool operator==(const Entry &, const Entry &) = default;
    };
    std::string from, to; // the place renamed and its new text
    std::vector<Entry> entries;
    PlaceChange inverse() const;
};
// The change that renames `from` to `to` on every record holding it (none: no record holds it).
PlaceChange placeRename(const RecordAttributes &attributes, const std::string &from, const std::string &to);

} // namespace vosk
