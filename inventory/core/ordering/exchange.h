#pragma once
#include "listsort.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vosk {

// What a caller running a long sort (in a worker thread) can do about it.
struct SortControl {
    // Checked between passes of the exchange: once true, the sort gives up with
    // SortResult::cancelled and leaves the order as it was.
    const std::atomic<bool> *cancel = nullptr;
    // Called after every pass of the exchange with the passes done and the passes the
    // sort may still need at most, counted from the start (so done/needed only grows).
    std::function<void(std::size_t done, std::size_t needed)> progress;
};

// The list's pairwise exchange on keys compared as integers. Row k of the list is
// described by:
//   text[k]  - rank of the key compared by text (equal keys, equal ranks);
//   vcat[k]  - for key 1 the value category 1..7 the row is read in, else 0: two rows of
//              the same value category compare by value, any other two by text;
//   value[k] - rank of the value among the readable rows (vcat rows only);
//   err[k]   - the row's name cannot be read: comparing it by value stops the exchange.
struct ExchangeKeys {
    std::vector<std::uint32_t> text, value;
    std::vector<std::uint8_t> vcat, err;
};

// Runs the exchange: passes m = n-1 down to 1 over the neighbour pairs (i, i+1), i < m,
// exchanging when row i is greater. `order` receives the rows (0..n-1) in the order reached;
// on a stop, SortResult carries message(row) of the row whose name could not be read. On a
// cancel `order` is left empty.
SortResult runExchange(const ExchangeKeys &keys, std::vector<std::uint32_t> &order,
                       const std::function<std::string(std::uint32_t)> &message, const SortControl *control);

// How the exchange runs, for tests and measurements: the vector kernel (0: 16-byte vectors,
// 1: AVX2, 2: AVX-512; -1: the best the processor has, also the most a lower level falls
// back to), the list length from which passes run in bands, and the passes of a band.
struct ExchangeTuning {
    int level = -1;
    std::size_t sequentialBelow = 1024;
    std::size_t bandPasses = 512;
};
void setExchangeTuning(const ExchangeTuning &tuning);

// Dense ranks of positions 0..n-1 under a strict weak order (equal keys share a rank).
template <class Less>
std::vector<std::uint32_t> denseRanks(std::size_t n, Less less);

} // namespace vosk

#include <algorithm>
#include <numeric>

template <class Less>
std::vector<std::uint32_t> vosk::denseRanks(std::size_t n, Less less)
{
    std::vector<std::uint32_t> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), less);
    std::vector<std::uint32_t> rank(n);
    std::uint32_t r = 0;
    for (std::size_t k = 0; k < n; ++k) {
        if (k > 0 && less(order[k - 1], order[k]))
            ++r;
        rank[order[k]] = r;
    }
    return rank;
}
