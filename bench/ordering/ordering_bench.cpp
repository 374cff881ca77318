// Ordering a full inventory list (65,535 rows) by each column, in a list of one resistor
// category and in a list of all categories mixed, against the floor of std::stable_sort
// of the same keys already read. Key 1 on the mixed list has no order to sort by and runs
// the exchange itself; it is measured at growing sizes as well. The plain exchange that
// reads both names at every comparison (the test transcription) is measured on short lists
// for scale.
#include "benchrecords.h"
#include "cp1251.h"
#include "listsort.h"
#include "literalsort.h"
#include "nominal.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <numeric>
#include <random>

using namespace vosk;
using vosk::bench::valueName;

namespace {

constexpr int kFullList = 65535;

const char *const kTypes[] = {"КТ315", "КТ361", "BC547", "1N4148", "КД522", "К155ЛА3", "NE555", "IRFZ44", "АЛ307",
                              "КС156А", "Д814", "TL431", "LM317", "ATmega8", "КР142ЕН5"};
const char *const kWords[] = {"металлопленочный", "выводной", "SMD", "полка 3", "коробка", "для ремонта", " "};

// Rows as the list shows them: value names in categories 1..7, type designations elsewhere.
std::vector<ListRow> makeRows(int n, bool mixed, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<ListRow> rows;
    rows.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const int icon = mixed ? static_cast<int>(rng() % 16) : 2;
        std::string name = hasValueScale(icon) ? valueName(rng, isCapacitanceCategory(icon))
                                               : cp1251(kTypes[rng() % 15]) + std::to_string(rng() % 100);
        std::string description = cp1251(kWords[rng() % 7]) + " " + std::to_string(rng() % 1000);
        rows.push_back(ListRow{static_cast<std::uint8_t>(icon), std::move(name), std::to_string(rng() % 1000),
                               std::move(description)});
    }
    return rows;
}

const std::vector<ListRow> &rowsFor(int n, bool mixed)
{
    static std::vector<ListRow> one = makeRows(kFullList, false, 7);
    static std::vector<ListRow> all = makeRows(kFullList, true, 7);
    static std::vector<ListRow> sized;
    static int sizedN = -1;
    static bool sizedMixed = false;
    if (n == kFullList)
        return mixed ? all : one;
    if (n != sizedN || mixed != sizedMixed) {
        sized = makeRows(n, mixed, 7);
        sizedN = n;
        sizedMixed = mixed;
    }
    return sized;
}

void sortByColumn(benchmark::State &state, int key, bool mixed)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<ListRow> &source = rowsFor(n, mixed);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<ListRow> rows = source;
        state.ResumeTiming();
        const SortResult r = sortlist(rows, key);
        benchmark::DoNotOptimize(r.stopped);
        benchmark::DoNotOptimize(rows.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

// The same column's keys read beforehand, then stable_sort of (key, row number): the least
// that sorting these rows can cost. Key 1 sorts values in the one-category list and name
// bytes in the mixed one.
void stableSortFloor(benchmark::State &state, int key, bool mixed)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<ListRow> &rows = rowsFor(n, mixed);
    std::vector<std::uint32_t> base(rows.size());
    std::iota(base.begin(), base.end(), 0u);
    std::vector<long long> number(rows.size());
    std::vector<double> value(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        number[i] = key == 0 ? rows[i].icon : quantityValue(rows[i].quantity);
        value[i] = readnominal(rows[i].icon, rows[i].name);
    }
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<std::uint32_t> order = base;
        state.ResumeTiming();
        if (key == 0 || key == 2)
            std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) { return number[a] < number[b]; });
        else if (key == 1 && !mixed)
            std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) { return value[a] < value[b]; });
        else if (key == 1)
            std::stable_sort(order.begin(), order.end(), [&](auto a, auto b) { return rows[a].name < rows[b].name; });
        else
            std::stable_sort(order.begin(), order.end(),
                             [&](auto a, auto b) { return rows[a].description < rows[b].description; });
        benchmark::DoNotOptimize(order.data());
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void exchangeOnKeysReadOnce(benchmark::State &state, bool mixed)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<ListRow> &source = rowsFor(n, mixed);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<ListRow> rows = source;
        state.ResumeTiming();
        benchmark::DoNotOptimize(sortlistByExchange(rows, 1).stopped);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

void plainExchangeReadingNames(benchmark::State &state, bool mixed)
{
    const int n = static_cast<int>(state.range(0));
    const std::vector<ListRow> &source = rowsFor(n, mixed);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<ListRow> rows = source;
        state.ResumeTiming();
        benchmark::DoNotOptimize(vosk::test::literalSortlist(rows, 1).stopped);
    }
    state.SetItemsProcessed(state.iterations() * n);
}

} // namespace

#define VOSK_COLUMN(k)                                                                                     \
    BENCHMARK_CAPTURE(sortByColumn, key##k##_one_category, k, false)->Arg(kFullList)->Unit(benchmark::kMillisecond); \
    BENCHMARK_CAPTURE(stableSortFloor, key##k##_one_category, k, false)->Arg(kFullList)->Unit(benchmark::kMillisecond); \
    BENCHMARK_CAPTURE(sortByColumn, key##k##_mixed, k, true)->Arg(kFullList)->Unit(benchmark::kMillisecond); \
    BENCHMARK_CAPTURE(stableSortFloor, key##k##_mixed, k, true)->Arg(kFullList)->Unit(benchmark::kMillisecond);

VOSK_COLUMN(0)
VOSK_COLUMN(2)
VOSK_COLUMN(3)
BENCHMARK_CAPTURE(sortByColumn, key1_one_category, 1, false)->Arg(kFullList)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(stableSortFloor, key1_one_category, 1, false)->Arg(kFullList)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(stableSortFloor, key1_mixed, 1, true)->Arg(kFullList)->Unit(benchmark::kMillisecond);
// Mixed key 1 is the exchange itself: quadratic, so a few sizes and one run of the full list.
BENCHMARK_CAPTURE(sortByColumn, key1_mixed, 1, true)
    ->Arg(4096)->Arg(16384)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sortByColumn, key1_mixed, 1, true)
    ->Arg(kFullList)->Iterations(1)->Unit(benchmark::kMillisecond);
// The exchange on keys read once, forced on the one-category list (where sortlist sorts).
BENCHMARK_CAPTURE(exchangeOnKeysReadOnce, one_category, false)->Arg(4096)->Arg(16384)->Unit(benchmark::kMillisecond);
// The plain exchange, reading both names at every comparison.
BENCHMARK_CAPTURE(plainExchangeReadingNames, one_category, false)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(plainExchangeReadingNames, mixed, true)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);
