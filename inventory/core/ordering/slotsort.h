#pragma once
#include "compstore.h"
#include "exchange.h"
#include "listsort.h"
#include "valuecache.h"

#include <cstdint>
#include <vector>

namespace vosk {

// Orders a list of store slots, in display order, by a column: the same result sortlist
// gives on the list rows of those slots, with the keys taken from the store and the values
// from the cache instead of from the rows.
//   0: category; 1: name (by value inside a category 1..7, by text otherwise);
//   2: quantity; 3: description. Other keys, and lists of fewer than two rows, do nothing.
// Where the key is an order this is a stable sort; key 1 on a list mixing value categories
// with rows compared by text, or holding a name that cannot be read in its value category,
// runs the list's exchange (quadratic; see needsExchange). A stop leaves the order reached,
// with the message; a cancel (control) leaves `order` as it was.
//
// It reads the store and the cache until it returns and changes neither: a worker thread
// may run it while the window thread leaves both alone (a change first cancels the sort and
// waits for it to return).
//
// A row's category is the record's full category. (A list row keeps it in 8 bits as its
// icon, so a category past 255 would sort among the low ones there.)
SortResult sortSlots(const CompStore &store, const ValueCache &values, std::vector<std::uint16_t> &order, int key,
                     const SortControl *control = nullptr);

// True when sortSlots would run the exchange for this list and key: the window runs those
// in a worker thread on a copy of the order.
bool needsExchange(const CompStore &store, const ValueCache &values, const std::vector<std::uint16_t> &order, int key);

} // namespace vosk
