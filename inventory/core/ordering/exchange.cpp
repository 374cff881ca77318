#include "exchange.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace vosk {

namespace {

// The exchange, pass by pass. Within a pass the row moving right is kept aside: row i+1
// shifts left while the kept row is greater, otherwise the kept row is put down and row
// i+1 is picked up.
//
// A pass ends where its last exchange was: if pass m last exchanged at step j, the next
// pass changes nothing from step j on, so it can stop there (and with no exchange at all
// the sort is done). Why, for any relation in which two rows are never each greater than
// the other (no order needed): pass m leaves the rows as B1 R1 B2 R2 ... where R1, R2, ...
// are the rows it carried in turn, each Rt greater than every row of the block Bt just
// before it, and no Rt greater than R(t+1). In the next pass the row carried up to Rt is
// either R(t-1) or a row of Bt, by induction, and neither is greater than Rt; so Rt is
// picked up and the blocks after the last exchange, which are empty, see no exchange.
// Each of those comparisons pairs rows that pass m already compared, so none of them can
// fail on a name either.
//
// (Measured, and slower than the bands below: each pass as runs of rows found 16 at a time
// and shifted left by one. Late passes of a nearly ordered list carry a new row at almost
// every step, so the runs are short.)

// One row as the sequential exchange sees it.
struct Item {
    std::uint32_t text, value, index;
    std::uint8_t vcat, err;
};

bool cancelled(const SortControl *control)
{
    return control && control->cancel && control->cancel->load(std::memory_order_relaxed);
}

// Passes of the exchange one row at a time: from a first pass of m steps on, at most
// `passes` passes (all of them for SIZE_MAX), each ending at the last exchange of the pass
// before. Returns the steps the next pass needs (0: the rows are in order), or stops.
struct SequentialOutcome {
    std::size_t m = 0;
    bool stopped = false;
    std::uint32_t failing = 0; // the row whose name could not be read
};

SequentialOutcome sequentialPasses(std::vector<Item> &items, std::size_t m, std::size_t passes)
{
    Item *const p = items.data();
    for (; m >= 1 && passes > 0; --passes) {
        Item c = p[0];
        std::size_t lastExchange = 0;
        for (std::size_t i = 0; i < m; ++i) {
            const Item x = p[i + 1];
            const bool byValue = c.vcat != 0 && c.vcat == x.vcat;
            if (byValue && (c.err | x.err)) [[unlikely]] {
                // The comparison would read row i's name first, then row i+1's.
                p[i] = c;
                return {m, true, c.err ? c.index : x.index};
            }
            const bool greater = byValue ? c.value > x.value : c.text > x.text;
            p[i] = greater ? x : c;
            c = greater ? c : x;
            lastExchange = greater ? i : lastExchange;
        }
        p[m] = c;
        m = lastExchange;
    }
    return {m, false, 0};
}

// Many passes at once. The exchange is a fixed sequence of compare-exchange steps on
// neighbour pairs: step i of pass q works on rows i and i+1. Two steps on disjoint pairs
// commute, so the steps may run in any order that keeps, for each row, the order of the
// steps touching it. Step i of pass q run at time i + 2q does: the steps touching rows i
// and i+1 before it (pass q at i-1, pass q-1 at i and i+1) run at earlier times, those
// after it at later ones, and all steps of one time are of one parity of i, so they touch
// disjoint pairs and run side by side in vector lanes: rows at even positions in one set
// of arrays, rows at odd positions in another, pair (2j, 2j+1) being lane j of both and
// pair (2j+1, 2j+2) lane j of the odd arrays against lane j+1 of the even ones.
//
// A band of P passes sweeps the list once, its 2P-row wide front staying in the cache.
// Pass q of the band runs its full m - q steps: a pass that would have stopped at the last
// exchange of the pass before only adds steps that exchange nothing and never read a name
// that cannot be read (see above).
//
// Keys are 16-bit, biased to signed integers (rank - 32768). Text rows hold their text rank
// as their value key too, so any two rows of the same category field compare value keys,
// any two others text keys. A name that cannot be read holds kUnreadable as its value key;
// a comparison by value that meets it ends the band, which is then run again one row at a
// time to stop exactly where the list's exchange stops.
constexpr std::int16_t kUnreadable = std::numeric_limits<std::int16_t>::max();

struct Planes {
    std::int16_t *text, *value, *cat, *row;
};

struct BandOutcome {
    bool exchanged = false;
    bool unreadable = false;
    std::size_t lastStep = 0; // at least the step of every exchange of the band
};

#define VOSK_BAND_NAME bandBase
#define VOSK_BAND_BYTES 16
#include "exchangeband.inc"
#undef VOSK_BAND_NAME
#undef VOSK_BAND_BYTES

#if defined(__x86_64__) && defined(__GNUC__)
#pragma GCC push_options
#pragma GCC target("avx2")
#define VOSK_BAND_NAME bandAvx2
#define VOSK_BAND_BYTES 32
#include "exchangeband.inc"
#undef VOSK_BAND_NAME
#undef VOSK_BAND_BYTES
#pragma GCC pop_options

#pragma GCC push_options
#pragma GCC target("avx512bw")
#define VOSK_BAND_NAME bandAvx512
#define VOSK_BAND_BYTES 64
#include "exchangeband.inc"
#undef VOSK_BAND_NAME
#undef VOSK_BAND_BYTES
#pragma GCC pop_options
#endif

using Band = BandOutcome (*)(const Planes &, const Planes &, std::size_t, std::size_t);
constexpr int kMaxLanes = 32;

ExchangeTuning tuning;

Band pickBand()
{
#if defined(__x86_64__) && defined(__GNUC__)
    __builtin_cpu_init();
    const bool avx512 = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512f");
    const bool avx2 = __builtin_cpu_supports("avx2");
    if ((tuning.level < 0 || tuning.level >= 2) && avx512)
        return bandAvx512;
    if ((tuning.level < 0 || tuning.level >= 1) && avx2)
        return bandAvx2;
#endif
    return bandBase;
}


SortResult exchange16(const ExchangeKeys &keys, std::vector<std::uint32_t> &order,
                      const std::function<std::string(std::uint32_t)> &message, const SortControl *control)
{
    const Band band = pickBand();
    const std::size_t n = keys.text.size();
    std::vector<Item> items(n);
    for (std::uint32_t i = 0; i < n; ++i)
        items[i] = Item{keys.text[i], keys.value[i], i, keys.vcat[i], keys.err[i]};
    auto finish = [&] {
        order.resize(n);
        for (std::size_t k = 0; k < n; ++k)
            order[k] = items[k].index;
    };
    auto report = [&](std::size_t done, std::size_t needed) {
        if (control && control->progress)
            control->progress(done, needed);
    };

    // The first pass one row at a time: an ordered list needs no more.
    SequentialOutcome s = sequentialPasses(items, n - 1, 1);
    std::size_t done = 1;
    const std::size_t half = n / 2 + kMaxLanes + 2;
    std::vector<std::int16_t> planes(8 * half);
    auto plane = [&](int k) { return planes.data() + static_cast<std::size_t>(k) * half; };
    const Planes even{plane(0), plane(1), plane(2), plane(3)}, odd{plane(4), plane(5), plane(6), plane(7)};
    auto bias = [](std::uint32_t rank) { return static_cast<std::int16_t>(static_cast<std::int32_t>(rank) - 32768); };

    while (!s.stopped && s.m >= 1) {
        report(done, done + s.m);
        if (cancelled(control)) {
            order.clear();
            return SortResult{false, {}, true};
        }
        const std::size_t m = s.m;
        const std::size_t passes = std::min(tuning.bandPasses, m);
        if (n < tuning.sequentialBelow) {
            s = sequentialPasses(items, m, passes);
            done += passes;
            continue;
        }
        // Rows 0..m take part in this band.
        for (std::size_t i = 0; i <= m; ++i) {
            const Item &it = items[i];
            const Planes &P = (i & 1) ? odd : even;
            const std::size_t j = i / 2;
            P.text[j] = bias(it.text);
            P.cat[j] = static_cast<std::int16_t>(it.vcat);
            P.value[j] = it.vcat == 0 ? P.text[j] : it.err ? kUnreadable : bias(it.value);
            P.row[j] = static_cast<std::int16_t>(static_cast<std::uint16_t>(i));
        }
        const BandOutcome b = band(even, odd, m, passes);
        if (b.unreadable) {
            s = sequentialPasses(items, m, passes);
            done += passes;
            continue;
        }
        if (b.exchanged) {
            std::vector<Item> moved(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(m) + 1);
            for (std::size_t i = 0; i <= m; ++i) {
                const Planes &P = (i & 1) ? odd : even;
                items[i] = moved[static_cast<std::uint16_t>(P.row[i / 2])];
            }
        }
        done += passes;
        s.m = b.exchanged ? std::min(b.lastStep, m - passes) : 0;
    }
    report(done, done);
    finish();
    if (s.stopped)
        return SortResult{true, message(s.failing)};
    return {};
}

// Rows past 16-bit keys (a list holding a record more than once can be longer than the
// store): the same exchange one row at a time on 32-bit keys.
SortResult exchangeWide(const ExchangeKeys &keys, std::vector<std::uint32_t> &order,
                        const std::function<std::string(std::uint32_t)> &message, const SortControl *control)
{
    const std::size_t n = keys.text.size();
    std::vector<Item> items(n);
    for (std::uint32_t i = 0; i < n; ++i)
        items[i] = Item{keys.text[i], keys.value[i], i, keys.vcat[i], keys.err[i]};
    SequentialOutcome s{n - 1, false, 0};
    std::size_t done = 0;
    while (!s.stopped && s.m >= 1) {
        if (control && control->progress)
            control->progress(done, done + s.m);
        if (cancelled(control)) {
            order.clear();
            return SortResult{false, {}, true};
        }
        s = sequentialPasses(items, s.m, tuning.bandPasses);
        done += tuning.bandPasses;
    }
    order.resize(n);
    for (std::size_t k = 0; k < n; ++k)
        order[k] = items[k].index;
    return s.stopped ? SortResult{true, message(s.failing)} : SortResult{};
}

} // namespace

void setExchangeTuning(const ExchangeTuning &t) { tuning = t; }

SortResult runExchange(const ExchangeKeys &keys, std::vector<std::uint32_t> &order,
                       const std::function<std::string(std::uint32_t)> &message, const SortControl *control)
{
    const std::size_t n = keys.text.size();
    if (n < 2) {
        order.assign(n, 0); // the one row, if any, is row 0
        return {};
    }
    if (n <= 65535)
        return exchange16(keys, order, message, control);
    return exchangeWide(keys, order, message, control);
}

} // namespace vosk
