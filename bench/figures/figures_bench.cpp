// Every cost of the inventory core that grows with the store, in one run, at 1,000, 8,192
// and 65,535 records: this program's figure, the floor it is held against, and SQLite doing
// the same on the same records without and with an index, each as a ratio.
//
//   figures_bench [--quick] [--wall] [--kernel=0|1|2]
//
// --kernel forces the exchange's vector kernel (0: 16-byte vectors, 1: AVX2, 2: AVX-512;
// by default the best the processor has).
// Each figure is the median of 5 batches, a batch repeating the operation until it has run
// 20 ms or more (--quick: 3 batches of 5 ms), in CPU time of the measuring thread (user and
// system), so that other work on a shared machine does not count; --wall measures wall time. Before anything is timed, each pair is run once
// and the results are compared row for row; the run aborts on a difference.
#include "silentmessages.h"
#include "benchfail.h"
#include "benchrecords.h"
#include "benchsqlite.h"
#include "cp1251.h"
#include "datafiles.h"
#include "filebytes.h"
#include "filter.h"
#include "bin.h"
#include "mainfile.h"
#include "messages.h"
#include "nameindex.h"
#include "nominal.h"
#include "slotsort.h"
#include "textlines.h"
#include "valuecache.h"

#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <numeric>
#include <optional>
#include <random>
#include <sstream>
#include <time.h>

using namespace vosk;
using namespace vosk::bench;

namespace {


template <class T>
void keep(const T &value)
{
    asm volatile("" : : "r,m"(value) : "memory");
}

// ---- Timing ---------------------------------------------------------------------------

int gBatches = 5;
double gBatchSeconds = 0.020;
bool gWall = false;

// The measuring thread's CPU time, or wall time.
struct Clock {
    using time_point = double;
    static double now()
    {
        if (gWall)
            return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
    }
};

// Seconds per call: the median over batches of the mean of a batch.
double timeOf(const std::function<void()> &op)
{
    op(); // warm
    double start = Clock::now();
    op();
    const double once = Clock::now() - start;
    const long reps = std::max(1L, static_cast<long>(gBatchSeconds / std::max(once, 1e-9)));
    std::vector<double> batch;
    for (int b = 0; b < gBatches; ++b) {
        start = Clock::now();
        for (long r = 0; r < reps; ++r)
            op();
        batch.push_back((Clock::now() - start) / static_cast<double>(reps));
    }
    std::sort(batch.begin(), batch.end());
    return batch[batch.size() / 2];
}

// ---- The table ------------------------------------------------------------------------

struct Row {
    std::string operation;
    int records;
    double ours;
    std::optional<double> floor, noIndex, index;
};
std::vector<Row> gRows;

std::string duration(double s)
{
    char buf[32];
    if (s >= 0.1)
        std::snprintf(buf, sizeof buf, "%.0f ms", s * 1e3);
    else if (s >= 1e-3)
        std::snprintf(buf, sizeof buf, "%.2f ms", s * 1e3);
    else
        std::snprintf(buf, sizeof buf, "%.1f µs", s * 1e6);
    return buf;
}

std::string ratio(double a, double b)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, a / b >= 100 ? "%.0f" : "%.2f", a / b);
    return buf;
}

void record(const std::string &operation, int records, double ours, std::optional<double> floor,
            std::optional<double> noIndex, std::optional<double> index)
{
    gRows.push_back({operation, records, ours, floor, noIndex, index});
    std::fprintf(stderr, "  %-40s %6d  %s\n", operation.c_str(), records, duration(ours).c_str());
}

void printTable()
{
    std::printf("| operation | records | ours | floor | ours ÷ floor | SQLite, no index | ÷ ours | SQLite, index | ÷ ours |\n");
    std::printf("| --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |\n");
    for (const Row &r : gRows) {
        auto cell = [](const std::optional<double> &v) { return v ? duration(*v) : std::string("—"); };
        std::printf("| %s | %d | %s | %s | %s | %s | %s | %s | %s |\n", r.operation.c_str(), r.records,
                    duration(r.ours).c_str(), cell(r.floor).c_str(), r.floor ? ratio(r.ours, *r.floor).c_str() : "—",
                    cell(r.noIndex).c_str(), r.noIndex ? ratio(*r.noIndex, r.ours).c_str() : "—",
                    cell(r.index).c_str(), r.index ? ratio(*r.index, r.ours).c_str() : "—");
    }
}

// ---- One size -------------------------------------------------------------------------

std::vector<std::uint16_t> viewOf(const ViewList &v)
{
    return {v.viewlist.begin() + 1, v.viewlist.begin() + 1 + v.viewcount};
}

void same(const std::vector<std::uint16_t> &ours, const std::vector<std::uint16_t> &theirs, const std::string &what)
{
    if (ours != theirs)
        fail(what + ": different rows (" + std::to_string(ours.size()) + " here, " + std::to_string(theirs.size()) +
             " in SQLite)");
}

// Parts of the run to take (--only=load,sort,...): empty for all.
std::vector<std::string> gOnly;
bool gKeepFiles = false; // the main.dat and database of each size, for a profiler
bool wanted(const char *part)
{
    return gOnly.empty() || std::find(gOnly.begin(), gOnly.end(), part) != gOnly.end();
}

void measure(int records)
{
    std::fprintf(stderr, "%d records\n", records);
    const std::string folder =
        (std::filesystem::temp_directory_path() / ("vosk-bench-figures-" + std::to_string(records))).string();
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    auto store = std::make_unique<CompStore>();
    makeStore(*store, records);
    const std::string bytes = writeMainFile(*store);
    const WriteResult written = replaceFileAtomically(folder + "/main.dat", bytes);
    if (!written)
        fail("main.dat: " + written.reason);
    for (const char *f : {"strings.dat", "components.lst"})
        if (const WriteResult empty = replaceFileAtomically(folder + "/" + f, ""); !empty)
            fail(std::string(f) + ": " + empty.reason);
    const std::string dbPath = folder + "/comps.db";
    {
        Db db = openDb(dbPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        insertFromMainDat(db.get(), bytes);
    }
    Db plain = openDb(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    insertFromMainDat(plain.get(), bytes);
    Db indexed = openDb(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    insertFromMainDat(indexed.get(), bytes);
    for (const char *sql : {"CREATE INDEX comps_name ON comps(name)", "CREATE INDEX comps_category ON comps(category)",
                            "CREATE INDEX comps_category_value ON comps(category, value)",
                            "CREATE INDEX comps_category_quantity ON comps(category, quantity)",
                            "CREATE INDEX comps_quantity ON comps(quantity)", "CREATE INDEX comps_value ON comps(value)"})
        exec(indexed.get(), sql);
    exec(indexed.get(), "ANALYZE");

    SilentMessages messages;
    DataFolder data(folder + "/", messages);
    auto names = std::make_unique<NameIndex>();
    auto values = std::make_unique<ValueCache>();
    names->rebuild(*store);
    values->rebuild(*store);
    std::vector<std::uint16_t> rowids;
    auto sqliteRows = [&](sqlite3 *db, const std::string &sql, const std::function<void(sqlite3_stmt *)> &bind) {
        Stmt st = prepare(db, sql);
        bind(st.get());
        collectRowids(st.get(), rowids);
        return rowids;
    };
    auto sqliteTime = [&](sqlite3 *db, const std::string &sql, const std::function<void(sqlite3_stmt *)> &bind) {
        Stmt st = prepare(db, sql);
        bind(st.get());
        std::vector<std::uint16_t> out;
        out.reserve(static_cast<std::size_t>(records));
        return timeOf([&] { collectRowids(st.get(), out); });
    };
    auto noBind = [](sqlite3_stmt *) {};

    // Load: main.dat into the store, and the name index and value cache built.
    if (wanted("load")) {
        auto loaded = std::make_unique<CompStore>();
        auto n = std::make_unique<NameIndex>();
        auto v = std::make_unique<ValueCache>();
        const double ours = timeOf([&] {
            data.loadbase(*loaded, nullptr);
            n->rebuild(*loaded);
            v->rebuild(*loaded);
        });
        const double floor = timeOf([&] {
            const auto r = readFileBytes(folder + "/main.dat");
            std::size_t lines = 0;
            forEachTextLine(r.bytes, [&](std::string_view) { ++lines; });
            keep(lines);
        });
        const double insert = timeOf([&] {
            Db db = openDb(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            insertFromMainDat(db.get(), readFileBytes(folder + "/main.dat").bytes);
        });
        auto theirs = std::make_unique<CompStore>();
        std::vector<double> value(CompStore::kSlots + 1);
        const double select = timeOf([&] {
            Db db = openDb(dbPath, SQLITE_OPEN_READONLY);
            selectAllInto(db.get(), *theirs, value);
        });
        const double loadOnly = timeOf([&] { data.loadbase(*loaded, nullptr); });
        record("load: main.dat, then name index and values", records, ours, floor, insert, std::nullopt);
        record("load: main.dat only", records, loadOnly, floor, std::nullopt, std::nullopt);
        record("load, against SQLite opening a database file (SELECT *)", records, ours, std::nullopt, select, std::nullopt);
    }

    // Refresh: the records of all categories, and of one, into the view.
    ViewList view;
    for (const int category : {-1, 2}) {
        if (!wanted("refresh"))
            break;
        filterbase(*store, *names, {category, {}, 0, {}}, false, view);
        const std::string where = category < 0 ? "" : " WHERE category = 2";
        same(viewOf(view), sqliteRows(plain.get(), "SELECT rowid FROM comps" + where, noBind), "refresh");
        same(viewOf(view), sqliteRows(indexed.get(), "SELECT rowid FROM comps" + where + " ORDER BY rowid", noBind),
             "refresh, index");
        const double ours = timeOf([&] { filterbase(*store, *names, {category, {}, 0, {}}, false, view); });
        std::vector<std::uint16_t> slots(static_cast<std::size_t>(records));
        const double floor = timeOf([&] {
            std::size_t k = 0;
            for (int s = 1; s <= store->compcount; ++s)
                if (category < 0 || store->category[s] == category)
                    slots[k++] = static_cast<std::uint16_t>(s);
            keep(k);
            keep(slots.data());
        });
        const double noIndex = sqliteTime(plain.get(), "SELECT rowid FROM comps" + where, noBind);
        const std::optional<double> index =
            category < 0 ? std::nullopt
                         : std::optional<double>(sqliteTime(indexed.get(), "SELECT rowid FROM comps INDEXED BY comps_category" + where + " ORDER BY rowid", noBind));
        record(category < 0 ? "refresh: all categories" : "refresh: category 2", records, ours, floor, noIndex, index);
    }

    // Sorts, of all rows and of category 2: by category, quantity, value (name).
    std::vector<std::uint16_t> all, one;
    for (int s = 1; s <= store->compcount; ++s) {
        all.push_back(static_cast<std::uint16_t>(s));
        if (store->category[s] == 2)
            one.push_back(static_cast<std::uint16_t>(s));
    }
    struct SortCase {
        const char *label;
        int key;
        bool oneCategory;
        const char *column; // SQLite's ORDER BY column
        const char *indexName;
    };
    const SortCase cases[] = {
        {"sort by category: all rows", 0, false, "category", "comps_category"},
        {"sort by quantity: all rows", 2, false, "quantity", "comps_quantity"},
        {"sort by quantity: category 2", 2, true, "quantity", "comps_category_quantity"},
        {"sort by value: category 2", 1, true, "value", "comps_category_value"},
    };
    for (const SortCase &c : cases) {
        if (!wanted("sort"))
            break;
        const std::vector<std::uint16_t> &input = c.oneCategory ? one : all;
        std::vector<std::uint16_t> order = input;
        if (sortSlots(*store, *values, order, c.key).stopped)
            fail("a sort stopped");
        const std::string where = c.oneCategory ? " WHERE category = 2" : "";
        const std::string tail = where + " ORDER BY " + c.column + ", rowid";
        same(order, sqliteRows(plain.get(), std::string("SELECT rowid FROM comps NOT INDEXED") + tail, noBind), c.label);
        same(order, sqliteRows(indexed.get(), std::string("SELECT rowid FROM comps INDEXED BY ") + c.indexName + tail, noBind),
             c.label);
        const double ours = timeOf([&] {
            order = input;
            sortSlots(*store, *values, order, c.key);
            keep(order.data());
        });
        // The floor: stable_sort of the positions by the keys read beforehand.
        std::vector<double> key(input.size());
        for (std::size_t k = 0; k < input.size(); ++k)
            key[k] = c.key == 0 ? store->category[input[k]] : c.key == 2 ? store->quantity[input[k]] : values->value(input[k]);
        std::vector<std::uint32_t> positions(input.size());
        const double floor = timeOf([&] {
            std::iota(positions.begin(), positions.end(), 0u);
            std::stable_sort(positions.begin(), positions.end(), [&](auto a, auto b) { return key[a] < key[b]; });
            keep(positions.data());
        });
        const double noIndex = sqliteTime(plain.get(), std::string("SELECT rowid FROM comps NOT INDEXED") + tail, noBind);
        const double index = sqliteTime(indexed.get(), std::string("SELECT rowid FROM comps INDEXED BY ") + c.indexName + tail, noBind);
        record(c.label, records, ours, floor, noIndex, index);
    }

    // Name on all rows: categories mixed, so the exchange runs (no SQLite counterpart: no
    // ORDER BY gives its result). Its floor: the same rows ordered by name bytes alone.
    if (wanted("exchange")) {
        std::vector<std::uint16_t> order = all;
        if (!needsExchange(*store, *values, order, 1))
            fail("the mixed list does not need the exchange");
        const double ours = timeOf([&] {
            order = all;
            sortSlots(*store, *values, order, 1);
            keep(order.data());
        });
        std::vector<std::uint32_t> positions(all.size());
        const double floor = timeOf([&] {
            std::iota(positions.begin(), positions.end(), 0u);
            std::stable_sort(positions.begin(), positions.end(),
                             [&](auto a, auto b) { return store->name[all[a]] < store->name[all[b]]; });
            keep(positions.data());
        });
        record("sort by name: all rows (the exchange)", records, ours, floor, std::nullopt, std::nullopt);
    }

    // Searches for a whole name and a part of one.
    const std::string whole = cp1251("4,7К"), part = "4,7";
    for (const bool exact : {true, false}) {
        if (!wanted("search"))
            break;
        const std::string &pattern = exact ? whole : part;
        filterbase(*store, *names, {-1, pattern, 0, {}}, exact, view);
        auto bind = [&](sqlite3_stmt *st) { bindBytes(st, 1, pattern); };
        const std::string noIndexSql = exact ? "SELECT rowid FROM comps NOT INDEXED WHERE name = ?1"
                                             : "SELECT rowid FROM comps NOT INDEXED WHERE instr(name, ?1) > 0";
        const std::string indexSql = "SELECT rowid FROM comps INDEXED BY comps_name WHERE name = ?1 ORDER BY rowid";
        same(viewOf(view), sqliteRows(plain.get(), noIndexSql, bind), "search");
        if (exact)
            same(viewOf(view), sqliteRows(indexed.get(), indexSql, bind), "search, index");
        const double ours = timeOf([&] { filterbase(*store, *names, {-1, pattern, 0, {}}, exact, view); });
        // The floor: every name compared, nothing else (whole, or memmem for a part).
        const double floor = timeOf([&] {
            int hits = 0;
            for (int s = 1; s <= store->compcount; ++s)
                hits += exact ? store->name[s] == pattern
                              : memmem(store->name[s].data(), store->name[s].size(), pattern.data(), pattern.size()) != nullptr;
            keep(hits);
        });
        const double noIndex = sqliteTime(plain.get(), noIndexSql, bind);
        const std::optional<double> index = exact ? std::optional<double>(sqliteTime(indexed.get(), indexSql, bind)) : std::nullopt;
        record(exact ? "search: whole name «4,7К»" : "search: part «4,7»", records, ours, floor, noIndex, index);
    }

    // The bin check: 100 rows of names that exist, each with its category, exact.
    if (wanted("bin")) {
        std::vector<std::string> categories(16, "c");
        std::vector<BinRow> bin;
        std::mt19937 rng(5);
        for (int k = 0; k < 100; ++k) {
            const int s = 1 + static_cast<int>(rng() % static_cast<unsigned>(store->compcount));
            bin.push_back(addbinrow(BinStatus::Ready, store->category[s], categories, std::string(store->name[s]), "5", "", 0, ""));
        }
        const BinFind a = findbin(*store, *names, categories, bin, true);
        const BinFind b = findbin(*store, categories, bin, true);
        if (a.rows != b.rows || a.list != b.list)
            fail("bin check: the index finds other records");
        const std::string sql = "SELECT rowid, quantity FROM comps WHERE category = ?1 AND name = ?2";
        auto sqliteBin = [&](sqlite3 *db, const std::string &q) {
            Stmt st = prepare(db, q);
            return timeOf([&] {
                long long total = 0;
                for (const BinRow &r : bin) {
                    sqlite3_bind_int(st.get(), 1, r.category);
                    bindBytes(st.get(), 2, r.name);
                    while (sqlite3_step(st.get()) == SQLITE_ROW)
                        total += sqlite3_column_int(st.get(), 1);
                    sqlite3_reset(st.get());
                }
                keep(total);
            });
        };
        const double ours = timeOf([&] { keep(findbin(*store, *names, categories, bin, true).lastCount); });
        const double scan = timeOf([&] { keep(findbin(*store, categories, bin, true).lastCount); });
        const double noIndex = sqliteBin(plain.get(), sql);
        const double index = sqliteBin(indexed.get(), "SELECT rowid, quantity FROM comps INDEXED BY comps_name WHERE category = ?1 AND name = ?2");
        record("bin check: 100 rows, exact, list rows built (floor: one scan a row)", records, ours, scan, noIndex, index);
        const double slotsOnly = timeOf([&] { keep(findbin(*store, *names, categories, bin, true, false).lastCount); });
        record("bin check: 100 rows, exact, slots only", records, slotsOnly, scan, noIndex, index);
        std::fprintf(stderr, "  (the bin's rows list %zu records)\n", a.list.size());
    }
    if (gKeepFiles)
        std::fprintf(stderr, "  files kept in %s\n", folder.c_str());
    else
        std::filesystem::remove_all(folder);
}

} // namespace

int main(int argc, char **argv)
{
    std::vector<int> sizes{1000, 8192, CompStore::kMaxRecords};
    for (int k = 1; k < argc; ++k) {
        if (std::strcmp(argv[k], "--quick") == 0) {
            gBatches = 3;
            gBatchSeconds = 0.005;
        } else if (std::strcmp(argv[k], "--wall") == 0) {
            gWall = true;
        } else if (std::strncmp(argv[k], "--kernel=", 9) == 0) {
            ExchangeTuning tuning;
            tuning.level = std::atoi(argv[k] + 9);
            setExchangeTuning(tuning);
        } else if (std::strcmp(argv[k], "--keep-files") == 0) {
            gKeepFiles = true;
        } else if (std::strncmp(argv[k], "--only=", 7) == 0) {
            std::stringstream parts(argv[k] + 7);
            for (std::string part; std::getline(parts, part, ',');)
                gOnly.push_back(part);
        } else if (std::strncmp(argv[k], "--records=", 10) == 0) {
            sizes.clear();
            std::stringstream counts(argv[k] + 10);
            for (std::string n; std::getline(counts, n, ',');)
                sizes.push_back(std::clamp(std::atoi(n.c_str()), 1, static_cast<int>(CompStore::kMaxRecords)));
        } else {
            std::fprintf(stderr, "usage: figures_bench [--quick] [--wall] [--kernel=0|1|2] "
                                 "[--only=load,refresh,sort,exchange,search,bin] [--records=N,...] [--keep-files]\n");
            return 2;
        }
    }
    for (const int records : sizes)
        measure(records);
    printTable();
    return 0;
}
