// This program's load, search and value sort against SQLite's, on the same 65,535 records.
//
// SQLite stands for a database-backed inventory. Its table holds the same rows in the same
// order (rowid = slot number), names and descriptions as the same code page 1251 bytes, kept
// as BLOBs so that instr() and = compare bytes exactly as the program does (on TEXT, instr
// steps by UTF-8 characters and misses a match that starts past the first byte at a byte
// 0x80-0xBF, such as "ё"), and a REAL column `value` computed with readnominal at insert.
//
// Before any timing, every pair is run once and its results compared row for row; the run
// aborts on a difference.
#include "silentmessages.h"
#include "benchfail.h"
#include "benchrecords.h"
#include "benchsqlite.h"
#include "cp1251.h"
#include "datafiles.h"
#include "filebytes.h"
#include "filter.h"
#include "listsort.h"
#include "mainfile.h"
#include "messages.h"
#include "nominal.h"
#include "textlines.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>

using namespace vosk;
using namespace vosk::bench;

namespace {

constexpr int kRecords = CompStore::kMaxRecords;
constexpr int kSortCategory = 2; // resistors


// ---- The records ----------------------------------------------------------------------

CompStore makeStore()
{
    CompStore s;
    vosk::bench::makeStore(s, kRecords);
    return s;
}

ListRow listRow(const CompStore &s, int slot)
{
    return ListRow{static_cast<std::uint8_t>(s.category[slot]), std::string(s.name[slot]), std::to_string(s.quantity[slot]),
                   std::string(s.description[slot])};
}

bool sameRecords(const CompStore &a, const CompStore &b)
{
    if (a.compcount != b.compcount || a.totalqty != b.totalqty)
        return false;
    for (int i = 1; i <= a.compcount; ++i)
        if (a.category[i] != b.category[i] || a.name[i] != b.name[i] || a.quantity[i] != b.quantity[i] ||
            a.description[i] != b.description[i])
            return false;
    return true;
}

// ---- The shared set-up, checked once ---------------------------------------------------

constexpr const char *kSubstringSql = "SELECT rowid FROM comps NOT INDEXED WHERE instr(name, ?1) > 0";
constexpr const char *kExactNoIndexSql = "SELECT rowid FROM comps NOT INDEXED WHERE name = ?1";
constexpr const char *kExactIndexSql = "SELECT rowid FROM comps INDEXED BY comps_name WHERE name = ?1";
// rowid breaks ties: the list's sort is stable, and the rows are in rowid order before it.
constexpr const char *kSortNoIndexSql =
    "SELECT rowid FROM comps NOT INDEXED WHERE category = ?1 ORDER BY value, rowid";
constexpr const char *kSortIndexSql =
    "SELECT rowid FROM comps INDEXED BY comps_category_value WHERE category = ?1 ORDER BY value, rowid";

struct Fixture {
    std::string folder;
    std::string dbPath;
    std::unique_ptr<CompStore> store = std::make_unique<CompStore>();
    std::size_t mainDatBytes = 0;
    Db memory; // the rows inserted from main.dat, with both indexes, for the queries
    const std::string part = "4,7";
    const std::string whole = cp1251("4,7К");
    std::vector<ListRow> categoryRows; // category kSortCategory as the list shows it, slot order
    std::vector<ListRow> allRows;      // every record, slot order

    Fixture()
    {
        folder = (std::filesystem::temp_directory_path() / "vosk-bench-versus-sqlite").string();
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        *store = makeStore();
        const std::string bytes = writeMainFile(*store);
        mainDatBytes = bytes.size();
        const WriteResult written = replaceFileAtomically(folder + "/main.dat", bytes);
        if (!written)
            fail("main.dat: " + written.reason);
        for (const char *f : {"strings.dat", "components.lst"})
            if (const WriteResult empty = replaceFileAtomically(folder + "/" + f, ""); !empty)
                fail(std::string(f) + ": " + empty.reason);

        // The database file a database-backed inventory would open at start.
        dbPath = folder + "/comps.db";
        {
            Db db = openDb(dbPath, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
            if (insertFromMainDat(db.get(), bytes) != kRecords)
                fail("database file: not every record inserted");
        }

        memory = openDb(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        if (insertFromMainDat(memory.get(), bytes) != kRecords)
            fail("in-memory table: not every record inserted");
        exec(memory.get(), "CREATE INDEX comps_name ON comps(name)");
        exec(memory.get(), "CREATE INDEX comps_category_value ON comps(category, value)");

        for (int i = 1; i <= store->compcount; ++i) {
            allRows.push_back(listRow(*store, i));
            if (store->category[i] == kSortCategory)
                categoryRows.push_back(listRow(*store, i));
        }
        checkBothSidesAgree();
    }

    void checkBothSidesAgree()
    {
        SilentMessages messages;
        DataFolder data(folder + "/", messages);
        auto ours = std::make_unique<CompStore>();
        data.loadbase(*ours, nullptr);
        if (!sameRecords(*ours, *store))
            fail("loadbase does not give back the generated records");
        auto theirs = std::make_unique<CompStore>();
        std::vector<double> value(CompStore::kSlots + 1);
        {
            Db db = openDb(dbPath, SQLITE_OPEN_READONLY);
            selectAllInto(db.get(), *theirs, value);
        }
        if (!sameRecords(*theirs, *store))
            fail("SELECT * from the database file does not give back the generated records");

        ViewList view;
        std::vector<std::uint16_t> rowids;
        auto sameView = [&](const char *what) {
            if (rowids.size() != view.viewcount)
                fail(std::string(what) + ": " + std::to_string(view.viewcount) + " rows here, " +
                     std::to_string(rowids.size()) + " in SQLite");
            for (std::size_t k = 0; k < rowids.size(); ++k)
                if (rowids[k] != view.viewlist[k + 1])
                    fail(std::string(what) + ": different rows");
            std::fprintf(stderr, "checked %-22s %6zu rows on both sides\n", what, rowids.size());
        };
        filterbase(*store, {-1, part, 0, {}}, false, view);
        Stmt substring = prepare(memory.get(), kSubstringSql);
        bindBytes(substring.get(), 1, part);
        collectRowids(substring.get(), rowids);
        sameView("substring");

        filterbase(*store, {-1, whole, 0, {}}, true, view);
        for (const char *sql : {kExactNoIndexSql, kExactIndexSql}) {
            Stmt exact = prepare(memory.get(), sql);
            bindBytes(exact.get(), 1, whole);
            collectRowids(exact.get(), rowids);
            sameView(sql == kExactIndexSql ? "exact, index" : "exact, no index");
        }

        std::vector<ListRow> sorted = categoryRows;
        if (sortlist(sorted, 1).stopped)
            fail("sortlist stopped on a name");
        for (const char *sql : {kSortNoIndexSql, kSortIndexSql}) {
            Stmt sort = prepare(memory.get(), sql);
            sqlite3_bind_int(sort.get(), 1, kSortCategory);
            collectRowids(sort.get(), rowids);
            if (rowids.size() != sorted.size())
                fail("sort: different row counts");
            for (std::size_t k = 0; k < rowids.size(); ++k)
                if (!(listRow(*store, rowids[k]) == sorted[k]))
                    fail("sort: different order at row " + std::to_string(k));
            std::fprintf(stderr, "checked %-22s %6zu rows on both sides, same order\n",
                         sql == kSortIndexSql ? "sort, index" : "sort, no index", rowids.size());
        }
        printPlans();
    }

    void printPlans()
    {
        for (const char *sql : {kSubstringSql, kExactNoIndexSql, kExactIndexSql, kSortNoIndexSql, kSortIndexSql}) {
            Stmt plan = prepare(memory.get(), (std::string("EXPLAIN QUERY PLAN ") + sql).c_str());
            std::fprintf(stderr, "plan of %s:", sql);
            while (sqlite3_step(plan.get()) == SQLITE_ROW)
                std::fprintf(stderr, " [%s]", reinterpret_cast<const char *>(sqlite3_column_text(plan.get(), 3)));
            std::fprintf(stderr, "\n");
        }
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

// ---- Load -----------------------------------------------------------------------------

// What the program does at start: main.dat (and the two small files) read into the store.
void BM_Load_Ours_Loadbase(benchmark::State &state)
{
    const auto &f = fixture();
    SilentMessages messages;
    DataFolder data(f.folder + "/", messages);
    auto store = std::make_unique<CompStore>();
    for (auto _ : state) {
        data.loadbase(*store, nullptr);
        benchmark::DoNotOptimize(store->compcount);
    }
    state.counters["records"] = store->compcount;
    state.counters["file_bytes"] = static_cast<double>(f.mainDatBytes);
}
BENCHMARK(BM_Load_Ours_Loadbase)->Unit(benchmark::kMillisecond);

// The same main.dat taken into a new in-memory table (no index); closing it is not timed.
void BM_Load_SQLite_InsertMainDatIntoMemory(benchmark::State &state)
{
    const auto &f = fixture();
    int rows = 0;
    for (auto _ : state) {
        const ReadResult r = readFileBytes(f.folder + "/main.dat");
        Db db = openDb(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        rows = insertFromMainDat(db.get(), r.bytes);
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    if (rows != kRecords)
        state.SkipWithError("not every record inserted");
    state.counters["records"] = rows;
}
BENCHMARK(BM_Load_SQLite_InsertMainDatIntoMemory)->Unit(benchmark::kMillisecond);

// What a database-backed inventory does at start: its database file opened and every row
// read into memory with SELECT *.
void BM_Load_SQLite_SelectAllFromDbFile(benchmark::State &state)
{
    const auto &f = fixture();
    auto store = std::make_unique<CompStore>();
    std::vector<double> value(CompStore::kSlots + 1);
    for (auto _ : state) {
        Db db = openDb(f.dbPath, SQLITE_OPEN_READONLY);
        selectAllInto(db.get(), *store, value);
        benchmark::DoNotOptimize(store->compcount);
    }
    state.counters["records"] = store->compcount;
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(f.dbPath));
}
BENCHMARK(BM_Load_SQLite_SelectAllFromDbFile)->Unit(benchmark::kMillisecond);

// For scale: the readnominal calls inside the SQLite load, which fill the value column.
void BM_Context_ReadnominalEveryRecord(benchmark::State &state)
{
    const auto &f = fixture();
    for (auto _ : state) {
        double sum = 0;
        for (int i = 1; i <= f.store->compcount; ++i)
            sum += readnominal(f.store->category[i], f.store->name[i]);
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_Context_ReadnominalEveryRecord)->Unit(benchmark::kMillisecond);

// ---- Search ---------------------------------------------------------------------------

void oursFilter(benchmark::State &state, bool exact)
{
    const auto &f = fixture();
    const FilterCriteria criteria{-1, exact ? f.whole : f.part, 0, {}};
    ViewList view;
    for (auto _ : state) {
        filterbase(*f.store, criteria, exact, view);
        benchmark::DoNotOptimize(view.viewcount);
    }
    state.counters["found"] = view.viewcount;
}

void sqliteRowids(benchmark::State &state, const char *sql, bool exact)
{
    const auto &f = fixture();
    Stmt st = prepare(f.memory.get(), sql);
    bindBytes(st.get(), 1, exact ? f.whole : f.part);
    std::vector<std::uint16_t> rowids;
    rowids.reserve(CompStore::kSlots);
    for (auto _ : state) {
        collectRowids(st.get(), rowids);
        benchmark::DoNotOptimize(rowids.data());
    }
    state.counters["found"] = static_cast<double>(rowids.size());
}

void BM_Substring_Ours_Filterbase(benchmark::State &state) { oursFilter(state, false); }
BENCHMARK(BM_Substring_Ours_Filterbase)->Unit(benchmark::kMicrosecond);

void BM_Substring_SQLite_Instr(benchmark::State &state) { sqliteRowids(state, kSubstringSql, false); }
BENCHMARK(BM_Substring_SQLite_Instr)->Unit(benchmark::kMicrosecond);

void BM_Exact_Ours_Filterbase(benchmark::State &state) { oursFilter(state, true); }
BENCHMARK(BM_Exact_Ours_Filterbase)->Unit(benchmark::kMicrosecond);

void BM_Exact_SQLite_NoIndex(benchmark::State &state) { sqliteRowids(state, kExactNoIndexSql, true); }
BENCHMARK(BM_Exact_SQLite_NoIndex)->Unit(benchmark::kMicrosecond);

void BM_Exact_SQLite_Index(benchmark::State &state) { sqliteRowids(state, kExactIndexSql, true); }
BENCHMARK(BM_Exact_SQLite_Index)->Unit(benchmark::kMicrosecond);

// ---- Sort by value within one category -------------------------------------------------

// The list of one category ordered by the name column; the copy of the unsorted rows is
// not timed.
void BM_SortValue_Ours_Sortlist(benchmark::State &state)
{
    const auto &f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<ListRow> rows = f.categoryRows;
        state.ResumeTiming();
        benchmark::DoNotOptimize(sortlist(rows, 1).stopped);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["rows"] = static_cast<double>(f.categoryRows.size());
}
BENCHMARK(BM_SortValue_Ours_Sortlist)->Unit(benchmark::kMillisecond);

void sqliteSort(benchmark::State &state, const char *sql)
{
    const auto &f = fixture();
    Stmt st = prepare(f.memory.get(), sql);
    sqlite3_bind_int(st.get(), 1, kSortCategory);
    std::vector<std::uint16_t> rowids;
    rowids.reserve(CompStore::kSlots);
    for (auto _ : state) {
        collectRowids(st.get(), rowids);
        benchmark::DoNotOptimize(rowids.data());
    }
    state.counters["rows"] = static_cast<double>(rowids.size());
}

void BM_SortValue_SQLite_NoIndex(benchmark::State &state) { sqliteSort(state, kSortNoIndexSql); }
BENCHMARK(BM_SortValue_SQLite_NoIndex)->Unit(benchmark::kMillisecond);

void BM_SortValue_SQLite_Index(benchmark::State &state) { sqliteSort(state, kSortIndexSql); }
BENCHMARK(BM_SortValue_SQLite_Index)->Unit(benchmark::kMillisecond);

// Every record in one list ordered by the name column. Values and type names mixed are no
// order, so the list's exchange itself runs: quadratic, one run only. SQLite has nothing
// to set beside it: what the exchange leaves is not an order an ORDER BY could name.
void BM_SortMixed_Ours_SortlistAllRecords(benchmark::State &state)
{
    const auto &f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<ListRow> rows = f.allRows;
        state.ResumeTiming();
        benchmark::DoNotOptimize(sortlist(rows, 1).stopped);
        benchmark::DoNotOptimize(rows.data());
    }
    state.counters["rows"] = static_cast<double>(f.allRows.size());
}
BENCHMARK(BM_SortMixed_Ours_SortlistAllRecords)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace
