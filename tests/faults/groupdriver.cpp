// Makes one operation of several journal entries on an installation folder through the
// inventory, as the window makes it, and ends without saving (as a killed program would), or
// with --save saves main.dat and ends:
//
//   groupdriver FOLDER/ none|move|pass|import [--save]
//   groupdriver FOLDER/ random SEED COUNT      (see below)
//   groupdriver FOLDER/ expect SEED COUNT     (see below)
//   groupdriver FOLDER/ historycheck START.dat (see below)
//
// The folder holds the records 8 KD1 ×5, 8 KD2 ×3, 9 KT1 ×4 "npn" (and more, untouched):
//   move    KD1 ×5 from category 8 to 9 (one take, one add)
//   pass    the bin asks for "KD" ×7 in category 8: every offer taken whole (KD1 5, KD2 2)
//   passall the bin asks for "KD" ×9999 in category 8: every record of that name taken whole
//   import  FOLDER/in.csv (written by the test)
// Killed by the fault shim after some lines of main.jnl (see eioshim.c), it leaves the journal
// a kill at that point would leave. Exit status 0 when the operation went as planned.
//
// random: COUNT changes drawn from SEED (adds, takes and moves of a few records), each written
// "ack K" to standard output once the inventory returned from the K-th — by then it is on the
// disk, as the window shows it done. A test kills it at a random moment; after the recovery the
// store must be the one after the acknowledged changes, or after one more (the change under
// way), never anything else. expect: the same changes, the first COUNT of them, on the folder
// as it is, saved: the store a recovery must give.
//
// historycheck: the folder's history.dat against its main.dat: every line read, ids rising, and
// the quantities of START.dat moved by the amounts of the lines give main.dat's quantities,
// record by record. Prints "history: L lines, M mismatches"; exit status 0 when M is 0.
#include "cp1251.h"
#include "filebytes.h"
#include "history.h"
#include "inventory.h"
#include "mainfile.h"
#include "messages.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>

namespace {

class PrintedMessages : public vosk::Messages {
public:
    int errors = 0;
    void inform(const std::string &text) override { std::fprintf(stderr, "groupdriver: %s\n", text.c_str()); }
    void error(const std::string &text) override
    {
        ++errors;
        std::fprintf(stderr, "groupdriver error: %s\n", text.c_str());
    }
    bool confirm(const std::string &) override { return true; }
};

// The quantities of a main.dat's records by key (records held twice summed).
std::map<vosk::StockKey, long> quantities(const std::string &path)
{
    const vosk::ReadResult file = vosk::readFileBytes(path);
    vosk::CompStore store;
    vosk::readMainFile(std::string_view(file.bytes), store);
    std::map<vosk::StockKey, long> out;
    for (int s = 1; s <= store.compcount; ++s)
        out[{store.category[s], std::string(store.name[s]), std::string(store.description[s])}] += store.quantity[s];
    return out;
}

int historyCheck(const std::string &folder, const std::string &start)
{
    const vosk::HistoryRead read = vosk::readHistoryFile(folder + "history.dat");
    std::map<vosk::StockKey, long> moved = quantities(start);
    long mismatches = static_cast<long>(read.skipped) + (read.failure.empty() ? 0 : 1);
    uint64_t last = 0;
    for (const vosk::HistoryLine &l : read.lines) {
        if (l.id <= last)
            ++mismatches; // written twice, or out of order
        last = l.id;
        moved[l.key] += l.take ? -l.amount : l.amount;
        if (moved[l.key] != static_cast<long>(l.after))
            ++mismatches; // the quantity after it is not what the lines before it give
    }
    std::map<vosk::StockKey, long> now = quantities(folder + "main.dat");
    std::erase_if(moved, [](const auto &kv) { return kv.second == 0; });
    std::erase_if(now, [](const auto &kv) { return kv.second == 0; });
    if (moved != now)
        ++mismatches;
    std::printf("history: %zu lines, %ld mismatches\n", read.lines.size(), mismatches);
    return mismatches == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: groupdriver FOLDER/ none|move|pass|import [--save]\n");
        return 2;
    }
    const std::string folder = argv[1], op = argv[2];
    if (op == "historycheck")
        return argc > 3 ? historyCheck(folder, argv[3]) : 2;
    const bool save = argc > 3 && std::strcmp(argv[3], "--save") == 0;
    PrintedMessages messages;
    vosk::Inventory inv(folder, messages);
    inv.open();
    bool ok = true;
    if (op == "move") {
        ok = !inv.move({8, "KD1", "", 5, false}, 9).refused && inv.lastMoved() == 5;
    } else if (op == "pass" || op == "passall") {
        ok = !inv.binAdd(8, "KD", op == "pass" ? "7" : "9999", "").refused;
        inv.findBin(false);
        ok = ok && inv.passStart(false).has_value();
        while (ok && inv.passActive() && !inv.passFinished())
            inv.passTake(inv.pass().offer() ? inv.pass().offer()->maximum : 0);
        ok = ok && inv.passFinished();
        if (ok)
            inv.passFinish(true, false);
    } else if (op == "import") {
        ok = !inv.import(inv.planImportFile(folder + "in.csv")).refused;
    } else if (op == "random" || op == "expect") {
        if (argc < 5)
            return 2;
        std::mt19937 draw(static_cast<unsigned>(std::stoul(argv[3])));
        const long count = std::stol(argv[4]);
        const char *names[] = {"KD1", "KD2", "KT1", "KN"};
        const char *descriptions[] = {"", "npn"};
        for (long k = 1; k <= count; ++k) {
            const int kind = static_cast<int>(draw() % 3);
            const int category = 8 + static_cast<int>(draw() % 2);
            const vosk::StockChange edit{category, names[draw() % 4], descriptions[draw() % 2],
                                       1 + static_cast<int>(draw() % 5), kind == 1};
            if (kind == 2)
                (void)inv.move(edit, category == 8 ? 9 : 8);
            else
                (void)inv.change(edit);
            if (op == "random")
                std::printf("ack %ld\n", k), std::fflush(stdout);
        }
        if (op == "expect" && !inv.save())
            return 1;
        return 0;
    } else if (op != "none") {
        std::fprintf(stderr, "groupdriver: unknown operation %s\n", op.c_str());
        return 2;
    }
    if (save && !inv.save())
        ok = false;
    return ok && messages.errors == 0 ? 0 : 1;
}
