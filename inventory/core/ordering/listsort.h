#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// One row of the inventory list as shown: the icon index (the record's whole category), then
// the texts of the name, quantity and description columns (code page 1251).
struct ListRow {
    std::uint16_t icon = 0;
    std::string name;
    std::string quantity;
    std::string description;
    friend bool operator==(const ListRow &, const ListRow &) = default;
};

struct SortResult {
    // A name that is not a number stopped the sort; the rows stay in the order reached.
    bool stopped = false;
    // The number-conversion message of that name, for the error box.
    std::string errorMessage;
    // A long sort given up at the caller's request (SortControl): nothing was reordered.
    bool cancelled = false;
    friend bool operator==(const SortResult &, const SortResult &) = default;
};

// Orders the rows ascending by a column, 0..3 from left to right; other keys do nothing.
//   0: icon index;
//   1: two rows of the same category 1..7 by readnominal value, any other two rows by
//      the bytes of the name (unsigned, a prefix first);
//   2: quantity text as an integer (an optional sign and decimal digits; a text that is
//      not one reads as 0 - the list only ever shows stored 16-bit counts);
//   3: description bytes.
// The result is the one of the list's pairwise exchange: passes m = n-1 down to 1 over the
// neighbour pairs (i, i+1), i < m, exchanging when row i is greater. That exchange never
// swaps equal rows, so where the key is an order the result is the stable sort, which is
// what is run. Key 1 on a list mixing a value category with rows compared by text is not
// an order (value and text order disagree), and a name that cannot be read stops the
// exchange midway; there the exchange itself runs, on keys read once.
//
// `order`, when given, receives the permutation applied: order[k] is the index before
// sorting of the row now at k.
SortResult sortlist(std::vector<ListRow> &rows, int key, std::vector<std::uint32_t> *order = nullptr);

// The exchange on keys read once (one readnominal per row), whatever the key: same
// result as sortlist, in up to n(n-1)/2 comparisons. sortlist falls back to it; tests
// and measurements call it directly.
SortResult sortlistByExchange(std::vector<ListRow> &rows, int key);

// The quantity column read as an integer, as key 2 compares it.
long long quantityValue(std::string_view text);

} // namespace vosk
