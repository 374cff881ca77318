// Makes one operation of several journal entries on an installation folder through the
// inventory, as the window makes it, and ends without saving (as a killed program would), or
// with --save saves main.dat and ends:
//
//   groupdriver FOLDER/ none|move|pass|import [--save]
//
// The folder holds the records 8 KD1 ×5, 8 KD2 ×3, 9 KT1 ×4 "npn" (and more, untouched):
//   move    KD1 ×5 from category 8 to 9 (one take, one add)
//   pass    the bin asks for "KD" ×7 in category 8: every offer taken whole (KD1 5, KD2 2)
//   import  FOLDER/in.csv (written by the test)
// Killed by the fault shim after some lines of main.jnl (see eioshim.c), it leaves the journal
// a kill at that point would leave. Exit status 0 when the operation went as planned.
#include "cp1251.h"
#include "inventory.h"
#include "messages.h"

#include <cstdio>
#include <cstring>
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

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: groupdriver FOLDER/ none|move|pass|import [--save]\n");
        return 2;
    }
    const std::string folder = argv[1], op = argv[2];
    const bool save = argc > 3 && std::strcmp(argv[3], "--save") == 0;
    PrintedMessages messages;
    vosk::Inventory inv(folder, messages);
    inv.open();
    bool ok = true;
    if (op == "move") {
        ok = !inv.move({8, "KD1", "", 5, false}, 9).refused && inv.lastMoved() == 5;
    } else if (op == "pass") {
        ok = !inv.binAdd(8, "KD", "7", "").refused;
        inv.findBin(false);
        ok = ok && inv.passStart(false).has_value();
        while (ok && inv.passActive() && !inv.passFinished())
            inv.passTake(inv.pass().offer() ? inv.pass().offer()->maximum : 0);
        ok = ok && inv.passFinished();
        if (ok)
            inv.passFinish(true, false);
    } else if (op == "import") {
        ok = !inv.import(inv.planImportFile(folder + "in.csv")).refused;
    } else if (op != "none") {
        std::fprintf(stderr, "groupdriver: unknown operation %s\n", op.c_str());
        return 2;
    }
    if (save && !inv.save())
        ok = false;
    return ok && messages.errors == 0 ? 0 : 1;
}
