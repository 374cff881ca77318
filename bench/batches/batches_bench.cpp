// The paths of the inventory that change or read many records at a time, timed as the
// program runs them (Inventory and Journal on a real folder, every journal group flushed to
// the disk), beside SQLite doing the same work on a database file with an index on the whole
// key (category, name, description). Not Google Benchmark: one run prints the whole table.
//
// Each figure is the median wall time of --runs=N runs (default 5), each on a folder and a
// database made afresh beforehand (not timed). Wall time, not CPU time: these paths wait for
// the disk (fdatasync of the journal, SQLite's commit), and that wait is part of what the user
// sees. The machine may be shared: read the ratios, measured in the same run.
//
//   batches_bench [--runs=N] [--only=load,import,replay,pass,export]
#include "silentmessages.h"
#include "benchfail.h"
#include "benchrecords.h"
#include "benchsqlite.h"
#include "csvio.h"
#include "filebytes.h"
#include "inventory.h"
#include "journal.h"
#include "mainfile.h"
#include "messages.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

using namespace vosk;
using namespace vosk::bench;

namespace {

int gRuns = 5;

double now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

// The median over runs of `op`, each run after `setup` (not timed).
double timeOf(const std::function<void()> &setup, const std::function<void()> &op)
{
    std::vector<double> t;
    for (int r = 0; r < gRuns; ++r) {
        setup();
        const double start = now();
        op();
        t.push_back(now() - start);
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

std::string ms(double s)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, s < 0.01 ? "%.2f ms" : "%.1f ms", s * 1e3);
    return buf;
}

void row(const std::string &what, int records, double ours, double sqlite)
{
    std::printf("| %s | %d | %s | %s | %.2f |\n", what.c_str(), records, ms(ours).c_str(), ms(sqlite).c_str(),
                sqlite / ours);
    std::fflush(stdout);
}

std::string folderFor(const std::string &what)
{
    const auto path = std::filesystem::temp_directory_path() / ("vosk-bench-batches-" + what);
    return path.string();
}

// An installation folder holding `store` as main.dat and sixteen categories.
void writeFolder(const std::string &folder, const CompStore &store)
{
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::string categories;
    for (int c = 0; c < 16; ++c)
        categories += "C" + std::to_string(c) + "\r\n";
    for (const auto &[name, bytes] : {std::pair<const char *, std::string>{"main.dat", writeMainFile(store)},
                                      {"components.lst", categories},
                                      {"strings.dat", ""}})
        if (const WriteResult w = replaceFileAtomically(folder + "/" + name, bytes); !w)
            fail(std::string(name) + ": " + w.reason);
}

// SQLite's side: a database file of the records with an index on the whole key, and the
// statements of the changing path (find by key; add; take).
struct SqliteStock {
    Db db;
    Stmt find, update, insert;
    explicit SqliteStock(const std::string &path)
        : db(openDb(path, SQLITE_OPEN_READWRITE)),
          find(prepare(db.get(), "SELECT rowid, quantity FROM comps WHERE category = ?1 AND name = ?2 AND description = ?3 "
                                 "ORDER BY rowid LIMIT 1")),
          update(prepare(db.get(), "UPDATE comps SET quantity = ?2 WHERE rowid = ?1")),
          insert(prepare(db.get(), "INSERT INTO comps(category, name, quantity, description, value) VALUES (?1, ?2, ?3, ?4, 0)"))
    {
    }
    // Adds (or with a negative amount takes) parts of a key, as the changing path does.
    void change(int category, std::string_view name, std::string_view description, int amount)
    {
        sqlite3_bind_int(find.get(), 1, category);
        bindBytes(find.get(), 2, name);
        bindBytes(find.get(), 3, description);
        if (sqlite3_step(find.get()) == SQLITE_ROW) {
            const int rowid = sqlite3_column_int(find.get(), 0);
            const int quantity = sqlite3_column_int(find.get(), 1);
            sqlite3_reset(find.get());
            sqlite3_bind_int(update.get(), 1, rowid);
            sqlite3_bind_int(update.get(), 2, std::max(0, quantity + amount));
            if (sqlite3_step(update.get()) != SQLITE_DONE)
                fail("update");
            sqlite3_reset(update.get());
            return;
        }
        sqlite3_reset(find.get());
        sqlite3_bind_int(insert.get(), 1, category);
        bindBytes(insert.get(), 2, name);
        sqlite3_bind_int(insert.get(), 3, amount);
        bindBytes(insert.get(), 4, description);
        if (sqlite3_step(insert.get()) != SQLITE_DONE)
            fail("insert");
        sqlite3_reset(insert.get());
    }
};

void writeDatabase(const std::string &path, const CompStore &store)
{
    std::filesystem::remove(path);
    std::filesystem::remove(path + "-journal");
    Db db = openDb(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    insertFromMainDat(db.get(), writeMainFile(store));
    exec(db.get(), "CREATE INDEX comps_key ON comps(category, name, description)");
    exec(db.get(), "CREATE INDEX comps_name ON comps(name)");
}

// The CSV of every record of `store`, as an export writes it.
std::string csvOf(const CompStore &store)
{
    std::vector<std::string> categories;
    for (int c = 0; c < 16; ++c)
        categories.push_back("C" + std::to_string(c));
    return exportCsv(store, categories, allSlots(store));
}

void load(int records)
{
    auto store = std::make_unique<CompStore>();
    makeStore(*store, records);
    const std::string folder = folderFor("load-" + std::to_string(records));
    writeFolder(folder, *store);
    writeDatabase(folder + "/comps.db", *store);
    SilentMessages messages;
    std::unique_ptr<Inventory> inv;
    const double ours = timeOf([&] { inv.reset(); }, [&] {
        inv = std::make_unique<Inventory>(folder + "/", messages);
        inv->open();
    });
    if (inv->store().compcount != records)
        fail("load: records");
    auto into = std::make_unique<CompStore>();
    std::vector<double> value(CompStore::kSlots + 1);
    const double sqlite = timeOf([&] { into->clear(); }, [&] {
        Db db = openDb(folder + "/comps.db", SQLITE_OPEN_READONLY);
        selectAllInto(db.get(), *into, value);
    });
    row("start-up load (`Inventory::open`: main.dat, name index, values, the list) vs SELECT * from a database file", records,
        ours, sqlite);
}

void importRows()
{
    constexpr int kRecords = CompStore::kMaxRecords;
    auto source = std::make_unique<CompStore>();
    makeStore(*source, kRecords);
    const std::string csv = csvOf(*source);
    const std::string folder = folderFor("import");
    const std::string csvPath = folderFor("import.csv");
    if (const WriteResult w = replaceFileAtomically(csvPath, csv); !w)
        fail("csv: " + w.reason);
    auto empty = std::make_unique<CompStore>();
    SilentMessages messages;
    std::unique_ptr<Inventory> inv;
    ImportPlan plan;
    size_t entries = 0;

    // The window's path: the plan from the file, then the import (one journal group, one flush).
    auto openEmpty = [&] {
        inv.reset();
        writeFolder(folder, *empty);
        inv = std::make_unique<Inventory>(folder + "/", messages);
        inv->open();
    };
    const double window = timeOf(openEmpty, [&] {
        plan = inv->planImportFile(csvPath);
        inv->import(plan);
    });
    entries = plan.entries.size();
    if (inv->store().compcount != entries)
        fail("import: records");
    const double preview = timeOf(openEmpty, [&] { plan = inv->planImportFile(csvPath); });
    // The same file again into the full store: every entry merges.
    const double windowMerge = timeOf([&] { openEmpty(); inv->import(inv->planImportFile(csvPath)); }, [&] {
        plan = inv->planImportFile(csvPath);
        inv->import(plan);
    });
    // The command line's path: plan and applyImport on the store, without the save.
    auto store = std::make_unique<CompStore>();
    std::vector<std::string> categories;
    for (int c = 0; c < 16; ++c)
        categories.push_back("C" + std::to_string(c));
    const double cli = timeOf([&] { store->clear(); }, [&] {
        const ImportPlan p = planImport(*store, categories, csv);
        applyImport(*store, p);
    });
    if (store->compcount != entries)
        fail("cli import: records");

    // SQLite: the same rows found by key and added or inserted, in one transaction.
    const std::string dbPath = folder + "-comps.db";
    std::unique_ptr<SqliteStock> db;
    const double sqlite = timeOf([&] {
        db.reset();
        writeDatabase(dbPath, *empty);
        db = std::make_unique<SqliteStock>(dbPath);
    }, [&] {
        exec(db->db.get(), "BEGIN");
        for (int s = 1; s <= source->compcount; ++s)
            db->change(source->category[s], source->name[s], source->description[s], source->quantity[s]);
        exec(db->db.get(), "COMMIT");
    });
    const std::string n = " (" + std::to_string(entries) + " records)";
    row("CSV import, window path (plan + import, one flush), empty folder" + n, kRecords, window, sqlite);
    row("CSV import, command line path (plan + applyImport), empty store" + n, kRecords, cli, sqlite);
    row("CSV import, window path, every row merging into the full store", kRecords, windowMerge, sqlite);
    row("import preview (the plan alone), empty folder", kRecords, preview, sqlite);
}

void replay()
{
    constexpr int kRecords = CompStore::kMaxRecords;
    constexpr int kChanges = 10000;
    auto store = std::make_unique<CompStore>();
    makeStore(*store, kRecords);
    const std::string mainBytes = writeMainFile(*store);
    // Adds and takes of random records, a few new ones, as a day of work leaves them.
    std::mt19937 rng(77);
    std::vector<StockChange> entries;
    std::string journal = journalHeaderLine(stampOf(mainBytes));
    for (int k = 0; k < kChanges; ++k) {
        const int s = 1 + static_cast<int>(rng() % static_cast<unsigned>(store->compcount - 1));
        StockChange e{store->category[s], std::string(store->name[s]), std::string(store->description[s]), 1, false};
        if (k % 3 == 1 && store->quantity[s] > 0)
            e.take = true;
        if (k % 50 == 0)
            e.key.name += "n" + std::to_string(k);
        entries.push_back(e);
        journal += journalEntryLine(e);
    }
    const std::string folder = folderFor("replay");
    writeFolder(folder, *store);
    SilentMessages messages;
    auto replayed = std::make_unique<CompStore>();
    const double ours = timeOf([&] {
        if (const WriteResult w = replaceFileAtomically(folder + "/main.jnl", journal); !w)
            fail("main.jnl: " + w.reason);
        *replayed = *store;
    }, [&] {
        Journal j(folder + "/", messages);
        if (!j.recover(*replayed, mainBytes))
            fail("replay: nothing recovered");
    });
    const std::string dbPath = folder + "/comps.db";
    std::unique_ptr<SqliteStock> db;
    const double sqlite = timeOf([&] {
        db.reset();
        writeDatabase(dbPath, *store);
        db = std::make_unique<SqliteStock>(dbPath);
    }, [&] {
        exec(db->db.get(), "BEGIN");
        for (const StockChange &e : entries)
            db->change(e.key.category, e.key.name, e.key.description, e.take ? -e.amount : e.amount);
        exec(db->db.get(), "COMMIT");
    });
    row("replay of 10,000 journaled changes at start-up (`Journal::recover`)", kRecords, ours, sqlite);
}

void pass()
{
    constexpr int kRecords = CompStore::kMaxRecords;
    constexpr int kTakes = 380;
    auto store = std::make_unique<CompStore>();
    makeStore(*store, kRecords);
    // Bin rows naming 380 records spread over the store, each given a name of its own so that
    // each row is one offer (the records' texts are otherwise those of every benchmark).
    std::vector<int> picked;
    for (int k = 0; k < kTakes; ++k) {
        const int s = 1 + k * (store->compcount / kTakes);
        store->category[s] = 9;
        store->setName(s, "PASS" + std::to_string(k));
        store->setQuantity(s, 5);
        picked.push_back(s);
    }
    const std::string folder = folderFor("pass");
    SilentMessages messages;
    std::unique_ptr<Inventory> inv;
    size_t takes = 0;
    const double ours = timeOf([&] {
        inv.reset();
        writeFolder(folder, *store);
        inv = std::make_unique<Inventory>(folder + "/", messages);
        inv->open();
        for (const int s : picked)
            inv->binAdd(store->category[s], std::string(store->name[s]), "1", std::string(store->description[s]));
        inv->findBin(true);
        if (!inv->passStart(true))
            fail("pass: did not start");
        while (inv->passActive() && !inv->passFinished())
            inv->passTake(1);
        takes = inv->pass().takes().size();
    }, [&] { inv->passFinish(true, true); });
    if (takes != picked.size())
        fail("pass: " + std::to_string(takes) + " takes for " + std::to_string(picked.size()) + " rows");
    const std::string dbPath = folder + "/comps.db";
    std::unique_ptr<SqliteStock> db;
    const double sqlite = timeOf([&] {
        db.reset();
        writeDatabase(dbPath, *store);
        db = std::make_unique<SqliteStock>(dbPath);
    }, [&] {
        exec(db->db.get(), "BEGIN");
        for (const int s : picked)
            db->change(store->category[s], store->name[s], store->description[s], -1);
        exec(db->db.get(), "COMMIT");
    });
    row("confirming a taking pass of " + std::to_string(takes) + " takes (the takes, the bin checked again)", kRecords,
        ours, sqlite);
}

void exportAll()
{
    constexpr int kRecords = CompStore::kMaxRecords;
    auto store = std::make_unique<CompStore>();
    makeStore(*store, kRecords);
    const std::string folder = folderFor("export");
    writeFolder(folder, *store);
    SilentMessages messages;
    Inventory inv(folder + "/", messages);
    inv.open();
    const double ours = timeOf([] {}, [&] {
        if (inv.exportCsv(folder + "/all.csv", true).refused)
            fail("export refused");
    });
    writeDatabase(folder + "/comps.db", *store);
    const double sqlite = timeOf([] {}, [&] {
        Db db = openDb(folder + "/comps.db", SQLITE_OPEN_READONLY);
        Stmt all = prepare(db.get(), "SELECT category, name, quantity, description FROM comps ORDER BY rowid");
        std::string out;
        while (sqlite3_step(all.get()) == SQLITE_ROW) {
            out += std::to_string(sqlite3_column_int(all.get(), 0));
            out += ',';
            out.append(static_cast<const char *>(sqlite3_column_blob(all.get(), 1)), static_cast<size_t>(sqlite3_column_bytes(all.get(), 1)));
            out += ',';
            out += std::to_string(sqlite3_column_int(all.get(), 2));
            out += ',';
            out.append(static_cast<const char *>(sqlite3_column_blob(all.get(), 3)), static_cast<size_t>(sqlite3_column_bytes(all.get(), 3)));
            out += "\r\n";
        }
        if (const WriteResult w = replaceFileAtomically(folder + "/sqlite.csv", out); !w)
            fail("sqlite csv");
    });
    row("export of every record to CSV (`Inventory::exportCsv`) vs SELECT * written as rows", kRecords, ours, sqlite);
}

} // namespace

int main(int argc, char **argv)
{
    // --only=load,import,replay,pass,export: the parts to run (all by default).
    std::string only;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--runs=", 7) == 0)
            gRuns = std::max(1, std::atoi(argv[i] + 7));
        else if (std::strncmp(argv[i], "--only=", 7) == 0)
            only = std::string(",") + (argv[i] + 7) + ",";
    }
    auto wanted = [&only](const char *part) { return only.empty() || only.find(std::string(",") + part + ",") != std::string::npos; };
    std::printf("| operation | records | ours | SQLite, database file with index | SQLite ÷ ours |\n");
    std::printf("| --- | ---: | ---: | ---: | ---: |\n");
    if (wanted("load"))
        for (const int n : {1000, 8192, CompStore::kMaxRecords})
            load(n);
    if (wanted("import"))
        importRows();
    if (wanted("replay"))
        replay();
    if (wanted("pass"))
        pass();
    if (wanted("export"))
        exportAll();
    return 0;
}
