// The inventory object on real files: what its operations change and what they return for
// the window to show.
#include "cp1251text.h"
#include "filebytes.h"
#include "heldmessages.h"
#include "inventory.h"
#include "inventoryload.h"
#include "recordingmessages.h"
#include "nominal.h"
#include "tempfolder.h"
#include "valuetext.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vosk;
using vosk::test::Cp1251Text;
using vosk::test::T;
using vosk::test::text;
using vosk::test::texts;

namespace {

// Categories: 1-3 resistors, 4-7 capacitors, 8 diodes, 9 transistors.
const char *kCategories = "Все\r\nРез1\r\nРез2\r\nРез3\r\nКонд4\r\nКонд5\r\nКонд6\r\nКонд7\r\nДиоды\r\nТранзисторы\r\n";

struct Folder {
    test::TempFolder dir;
    test::RecordingMessages messages;

    explicit Folder(const char *records, const std::string &categories = cp1251(kCategories))
    {
        dir.write("components.lst", categories);
        dir.write("strings.dat", cp1251("0\r\n0\r\nK k М м\r\n0\r\n0\r\nпф нф мкф\r\n0\r\n0\r\nКД\r\nКТ\r\n"));
        std::string bytes = cp1251(records);
        for (char &c : bytes)
            if (c == '|')
                c = '\x01';
        dir.write("main.dat", bytes);
    }
    std::string mainFile() const { return dir.read("main.dat"); }
};

std::vector<Cp1251Text> names(const Inventory &inv)
{
    std::vector<std::string> out;
    for (uint16_t slot : inv.rows())
        out.emplace_back(inv.store().name[slot]);
    return texts(out);
}

StockChange edit(int category, const char *name, int amount, bool take = false, const char *description = "")
{
    return {category, T(name), T(description), amount, take};
}

// The records of a store in slot order, as main.dat lists them.
struct RecordRow {
    int category;
    Cp1251Text name;
    int quantity;
    Cp1251Text description;
    friend bool operator==(const RecordRow &, const RecordRow &) = default;
    friend std::ostream &operator<<(std::ostream &out, const RecordRow &r)
    {
        return out << r.category << " " << utf8From1251(r.name.bytes) << " " << r.quantity << " "
                   << utf8From1251(r.description.bytes);
    }
};
std::vector<RecordRow> records(const CompStore &store)
{
    std::vector<RecordRow> out;
    for (int s = 1; s <= store.compcount; ++s)
        out.push_back({store.category[s], text(std::string(store.name[s])), store.quantity[s],
                       text(std::string(store.description[s]))});
    return out;
}

} // namespace

TEST(Inventory, OpensShowingEveryRecordAndChangesGoThroughTheNameRules)
{
    Folder f("2|4,7К|5|a\r\n9|КТ315|3|npn\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    Outcome opened = inv.open();
    EXPECT_EQ(opened.list, ListChange::Reset);
    EXPECT_EQ(text(*opened.status), text("В списке наименований: 2 деталей 8"));
    EXPECT_EQ(inv.rows().size(), 2u);

    // A value typed in any spelling is stored canonically and merges with its record.
    Outcome added = inv.change(edit(2, "4,7k", 2, false, "a"));
    EXPECT_FALSE(added.refused);
    EXPECT_EQ(inv.store().quantity[1], 7);
    EXPECT_EQ(inv.store().totalqty, 10u);
    EXPECT_EQ(text(*added.status), text("В списке наименований: 2 деталей 10"));

    // A new record shows at once at the end of the list, then the list is refilled.
    Outcome created = inv.change(edit(5, "100нф", 1));
    EXPECT_EQ(created.list, ListChange::Reset);
    EXPECT_EQ(names(inv), (std::vector<Cp1251Text>{text("4,7К"), text("КТ315"), text("100нф")}));
    EXPECT_EQ(text(inv.store().description[3]), text(" ")); // no description: one blank

    // Taking more than there is takes what there is and says so; the emptied record goes.
    Outcome taken = inv.change(edit(9, "КТ315", 5, true, "npn"));
    EXPECT_EQ(taken.notes.size(), 1u);
    EXPECT_EQ(text(taken.notes[0].text), text("Не хватает 2детали: КТ315 npn"));
    EXPECT_EQ(inv.lastMoved(), 3u);
    EXPECT_EQ(inv.store().compcount, 2);
    EXPECT_EQ(inv.store().totalqty, 8u);
}

TEST(Inventory, NamesThatAreNoValueAreRefusedAndNothingIsStored)
{
    Folder f("2|4,7К|5|a\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    ASSERT_TRUE(inv.save());
    const std::string before = f.mainFile();
    const std::string huge = "1" + std::string(400, '0') + "K";
    for (const std::string &name : {T("470"), huge, T("4,7Ф"), T("1,2,3K")}) {
        Outcome o = inv.change({2, name, "", 1, false});
        EXPECT_TRUE(o.refused) << name;
        ASSERT_FALSE(o.notes.empty());
        EXPECT_EQ(o.notes.back().kind, Note::Kind::Error);
        if (name != T("1,2,3K")) { // the malformed number keeps its conversion message
            ASSERT_TRUE(o.understand);
            EXPECT_EQ(text(*o.understand), text("повторите ввод"));
        }
    }
    EXPECT_EQ(inv.store().compcount, 1);
    ASSERT_TRUE(inv.save());
    EXPECT_EQ(f.mainFile(), before);

    // No category chosen: refused with the reason.
    Outcome none = inv.change(edit(-1, "КТ315", 1));
    EXPECT_TRUE(none.refused);
}

TEST(Inventory, MoveRefusesANameTheTargetCannotHoldAndMovesOnlyWhatWasThere)
{
    Folder f("2|4,7К|5|a\r\n8|КД522|2|x\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    ASSERT_TRUE(inv.save());
    const std::string before = f.mainFile();

    // A resistor's value means nothing in farads: refused, source and target as before.
    Outcome refused = inv.move(edit(2, "4,7К", 5, true, "a"), 5);
    EXPECT_TRUE(refused.refused);
    EXPECT_EQ(inv.lastMoved(), 0u);
    ASSERT_TRUE(inv.save());
    EXPECT_EQ(f.mainFile(), before);

    // Into another resistor category: it arrives under its canonical name.
    inv.move(edit(2, "4,7k", 3, true, "a"), 3);
    EXPECT_EQ(inv.lastMoved(), 3u);
    EXPECT_EQ(inv.store().quantity[1], 2);
    EXPECT_EQ(inv.store().category[3], 3);
    EXPECT_EQ(text(inv.store().name[3]), text("4,7К"));

    // Asking for more than the record holds moves what it holds, never more.
    inv.move(edit(8, "КД522", 10, true, "x"), 9);
    EXPECT_EQ(inv.lastMoved(), 2u);
    EXPECT_EQ(inv.store().totalqty, 7u);
}

TEST(Inventory, RowsKeepTheWholeCategoryPastTwoHundredFiftySix)
{
    std::string categories;
    for (int i = 0; i < 301; ++i)
        categories += "c" + std::to_string(i) + "\r\n";
    Folder f("44|x|5|d\r\n300|x|7|d\r\n", categories);
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    const auto picked = inv.pick(1);
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->category, 300);
    // Taking through the picked row takes from category 300, not from 300 & 0xFF = 44.
    inv.change({picked->category, picked->name, picked->description, 5, true});
    EXPECT_EQ(inv.store().quantity[1], 5);
    EXPECT_EQ(inv.store().quantity[2], 2);
    inv.sort(ListColumn::Category);
    EXPECT_EQ(inv.store().category[inv.rows().front()], 44);
}

TEST(Inventory, TakingPassOffersLooksUpAndAppliesWhatWasConfirmed)
{
    Folder f("8|КД521|5|a\r\n8|КД522|3|b\r\n9|КТ315|4|npn\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    inv.binAdd(8, T("КД52"), "2", "");
    EXPECT_TRUE(inv.binAdd(8, "", "1", "").refused); // a row needs a name
    inv.findBin(false);
    ASSERT_EQ(inv.rows().size(), 2u);

    // The list was refilled since the find: the pass finds again first and says so.
    inv.refresh();
    auto started = inv.passStart(false);
    ASSERT_TRUE(started);
    EXPECT_EQ(text(*started->status), text("Список деталей изменился после поиска: корзина проверена заново"));
    ASSERT_TRUE(inv.passActive());
    EXPECT_EQ(text(*started->lookup), text("КД521"));
    EXPECT_EQ(inv.pass().offer()->maximum, 2);

    // Two of КД521 meet the need: КД522 is offered nothing and passed over, but the
    // reference window still follows it.
    Outcome took = inv.passTake(2);
    EXPECT_EQ(text(*took.lookup), text("КД522"));
    ASSERT_TRUE(inv.passFinished());

    Outcome applied = inv.passFinish(true, false);
    EXPECT_EQ(inv.store().quantity[1], 3);
    EXPECT_EQ(inv.store().quantity[2], 3);
    EXPECT_EQ(applied.list, ListChange::Reset); // the bin checked again
    EXPECT_EQ(inv.binRows().front().status, BinStatus::Green);
    EXPECT_FALSE(inv.batchmode());

    // Cancelled, nothing changes.
    ASSERT_TRUE(inv.passStart(false));
    inv.passTake(2);
    inv.passFinish(false, false);
    EXPECT_EQ(inv.store().quantity[1], 3);
}

TEST(Inventory, SortsAndSearchesKeepTheirCriteria)
{
    Folder f("2|10К|1|b\r\n2|1К|2|a\r\n2|2,2К|3|c\r\n9|КТ315|4|npn\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.setAutoSort(ListColumn::Name);
    inv.open();
    inv.selectCategory(2);
    EXPECT_EQ(names(inv), (std::vector<Cp1251Text>{text("1К"), text("2,2К"), text("10К")}));
    inv.sort(ListColumn::Description);
    EXPECT_EQ(names(inv), (std::vector<Cp1251Text>{text("1К"), text("10К"), text("2,2К")}));

    inv.search({-1, T("К"), 0, {}});
    EXPECT_EQ(inv.rows().size(), 4u);
    inv.setExact(true);
    inv.refresh();
    EXPECT_TRUE(inv.rows().empty());
    inv.reset(0);
    EXPECT_EQ(inv.lastfilter().category, -1);
    EXPECT_EQ(inv.rows().size(), 4u);
}

TEST(Inventory, ImportIsOneStepThatUndoTakesBackExactly)
{
    Folder f("2|4,7К|5|a\r\n9|КТ315|3|npn\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    ASSERT_TRUE(inv.save());
    const std::string before = f.mainFile();
    f.dir.write("in.csv", "category,category_name,name,quantity,description\r\n"
                          "2,,\"4,7k\",2,a\r\n"
                          "5,,100\xD0\xBD\xD1\x84,3,\r\n"
                          "9,,\xD0\x9A\xD0\xA2" "315,1,npn\r\n"
                          "2,,xyz,1,\r\n");

    // A folder is no table: refused, nothing changes.
    const ImportPlan folder = inv.planImportFile(f.dir.path());
    EXPECT_FALSE(folder.usable());
    // Nor a FIFO nobody writes to, nor a device that never ends: refused at once.
    ASSERT_EQ(::mkfifo(f.dir.file("pipe.csv").c_str(), 0644), 0);
    for (const std::string &path : {f.dir.file("pipe.csv"), std::string("/dev/zero")})
        EXPECT_NE(inv.planImportFile(path).fileError.find(cp1251("не обычный файл")), std::string::npos) << path;
    EXPECT_TRUE(inv.import(folder).refused);
    EXPECT_FALSE(inv.canUndoImport());
    EXPECT_TRUE(inv.undoImport().refused);

    const ImportPlan plan = inv.planImportFile(f.dir.file("in.csv"));
    ASSERT_TRUE(plan.usable()) << plan.fileError;
    EXPECT_EQ(plan.adds(), 1u);
    EXPECT_EQ(plan.merges(), 2u);
    ASSERT_EQ(plan.refused.size(), 1u);
    EXPECT_EQ(plan.refused[0].line, 5);
    EXPECT_EQ(inv.store().totalqty, 8u); // planning changes nothing

    Outcome done = inv.import(plan);
    EXPECT_FALSE(done.refused);
    EXPECT_EQ(done.list, ListChange::Reset);
    EXPECT_EQ(text(*done.status), text("Импорт: новых записей 1, дополнено 2, деталей 6; не принято строк: 1"));
    EXPECT_EQ(inv.store().quantity[1], 7);
    EXPECT_EQ(inv.store().quantity[2], 4);
    EXPECT_EQ(text(inv.store().name[3]), text("100нф"));
    EXPECT_EQ(inv.rows().size(), 3u);
    EXPECT_TRUE(inv.canUndoImport());

    // Parts taken since, as long as the import's parts are still there, do not stop the undo;
    // fewer than the import added do, and then nothing changes.
    inv.change(edit(2, "4,7К", 5, true, "a")); // 2 left of 7, the import added 2
    inv.change(edit(5, "100нф", 1, true));     // 2 left, the import added 3
    Outcome impossible = inv.undoImport();
    EXPECT_TRUE(impossible.refused);
    EXPECT_NE(impossible.notes.back().text.find(T("«100нф» (Конд5)")), std::string::npos);
    EXPECT_EQ(inv.store().quantity[1], 2);
    EXPECT_EQ(inv.store().quantity[3], 2);
    EXPECT_TRUE(inv.canUndoImport());

    // Put back, the undo goes through: the created record leaves, the merged ones return to
    // what they held, and the file is the one before the import byte for byte.
    inv.change(edit(2, "4,7К", 5, false, "a"));
    inv.change(edit(5, "100нф", 1));
    Outcome undone = inv.undoImport();
    EXPECT_FALSE(undone.refused);
    EXPECT_EQ(text(*undone.status), text("Импорт отменен: убрано деталей 6"));
    EXPECT_FALSE(inv.canUndoImport());
    EXPECT_TRUE(inv.undoImport().refused); // once only
    ASSERT_TRUE(inv.save());
    EXPECT_EQ(f.mainFile(), before);
}

// A store with twins (the same category, name and description twice): the import's summary
// says so in one note, however many rows add to them.
TEST(Inventory, AnImportIntoTwinsSaysSoOnce)
{
    Folder f("9|КТ315|3|npn\r\n9|КТ315|1|npn\r\n9|КТ361|1| \r\n9|КТ361|1| \r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    f.dir.write("in.csv", "category,name,quantity,description\r\n9,\xD0\x9A\xD0\xA2" "315,1,npn\r\n"
                          "9,\xD0\x9A\xD0\xA2" "361,2,\r\n9,\xD0\x9A\xD0\xA2" "315,1,npn\r\n");
    const Outcome done = inv.import(inv.planImportFile(f.dir.file("in.csv")));
    ASSERT_EQ(done.notes.size(), 1u);
    EXPECT_NE(done.notes[0].text.find(T("строк таких: 2.")), std::string::npos);
    EXPECT_EQ(inv.store().quantity[1], 5);
    EXPECT_EQ(inv.store().quantity[3], 3);
}

TEST(Inventory, ExportWritesTheRowsOnScreenOrTheWholeStore)
{
    Folder f("2|4,7К|5|a\r\n9|КТ315|3|npn\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    inv.search({-1, T("КТ"), 0, {}});
    Outcome shown = inv.exportCsv(f.dir.file("list.csv"), false);
    EXPECT_EQ(text(*shown.status), text(T("Записано строк: 1 в ") + f.dir.file("list.csv")));
    EXPECT_EQ(f.dir.read("list.csv"), exportCsv(inv.store(), inv.categories(), inv.rows()));
    inv.exportCsv(f.dir.file("all.csv"), true);
    EXPECT_EQ(f.dir.read("all.csv"), exportCsv(inv.store(), inv.categories(), allSlots(inv.store())));
    EXPECT_NE(f.dir.read("all.csv"), f.dir.read("list.csv"));
    inv.exportCsv(f.dir.file("excel.csv"), false, true); // «для Excel»: the rows on screen
    EXPECT_EQ(f.dir.read("excel.csv"), exportCsv(inv.store(), inv.categories(), inv.rows(), true));
    // A file that cannot be written: an error, the store and the folder as they were.
    Outcome failed = inv.exportCsv(f.dir.file("no/such/folder.csv"), true);
    EXPECT_TRUE(failed.refused);
    EXPECT_EQ(failed.notes.back().kind, Note::Kind::Error);
    // A FIFO chosen as the file is no file to replace: refused, and it stays a FIFO.
    ASSERT_EQ(::mkfifo(f.dir.file("pipe").c_str(), 0644), 0);
    EXPECT_TRUE(inv.exportCsv(f.dir.file("pipe"), true).refused);
    EXPECT_TRUE(std::filesystem::is_fifo(f.dir.file("pipe")));
}

TEST(Inventory, SearchByValueFindsEverySpellingAndRefreshKeepsIt)
{
    Folder f("2|4,7К|5|a\r\n3|4,7К|1|b\r\n2|47К|2|c\r\n5|100нф|4|x\r\n6|0,1мкф|2|y\r\n9|КТ315|3|npn\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    for (const char *spelling : {"4k7", "4,7К", "4К7", "4700"}) {
        FilterCriteria c{-1, T(spelling), 0, {}, true};
        EXPECT_FALSE(inv.search(c).refused) << spelling;
        EXPECT_EQ(inv.rows(), (std::vector<uint16_t>{1, 2})) << spelling;
    }
    inv.search({-1, T("100n"), 0, {}, true});
    EXPECT_EQ(inv.rows(), (std::vector<uint16_t>{4, 5}));
    // A category change keeps the value criterion.
    inv.selectCategory(6);
    EXPECT_EQ(inv.rows(), (std::vector<uint16_t>{5}));
    // No value: refused, the criteria and the list stay.
    for (const char *bad : {"КТ315", ""}) {
        Outcome refused = inv.search({-1, T(bad), 0, {}, true});
        EXPECT_TRUE(refused.refused) << bad;
        EXPECT_EQ(inv.rows(), (std::vector<uint16_t>{5})) << bad;
    }
    // Without the flag the same text is a part of a name again.
    inv.search({-1, T("4,7"), 0, {}});
    EXPECT_EQ(inv.rows(), (std::vector<uint16_t>{1, 2}));
}

TEST(Inventory, BillOfMaterialsReplacesTheBinAndListsWhatItCouldNotRead)
{
    Folder f("2|4,7К|5|a\r\n9|КТ315Б|3|npn\r\n5|100нф|4|x\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    EXPECT_FALSE(inv.binLoadQuestion());
    inv.binAdd(9, T("КТ3102"), "1", "");
    ASSERT_TRUE(inv.binLoadQuestion());

    f.dir.write("bom.csv", "\"Reference\",\"Value\",\"Footprint\",\"Qty\"\r\n"
                           "\"R1,R2\",\"4k7\",\"R_0805\",\"2\"\r\n"
                           "\"Q1\",\"\xD0\x9A\xD0\xA2" "315\xD0\x91\",\"TO-92\",\"1\"\r\n"
                           "\"R3\",\"zzz\",\"R_0805\",\"1\"\r\n"
                           "\"C1\",\"0.1uF\",\"C_Rect_L7.2mm\",\"1\"\r\n"); // film
    const BomRead bom = inv.readBomFile(f.dir.file("bom.csv"));
    ASSERT_TRUE(bom.error.empty()) << bom.error;
    Outcome loaded = inv.binLoad(bom);
    ASSERT_EQ(inv.binRows().size(), 4u); // replaced, the unreadable row kept as written
    EXPECT_EQ(text(inv.binRows()[0].name), text("4,7К"));
    EXPECT_EQ(inv.binRows()[0].needed, "2");
    EXPECT_EQ(text(inv.binRows()[2].name), text("zzz"));
    EXPECT_EQ(text(inv.binRows()[3].name), text("100нф")); // 0,1 мкф as the stock spells it
    ASSERT_EQ(loaded.notes.size(), 1u);
    EXPECT_NE(loaded.notes[0].text.find(T("строка 4: R3 «zzz»")), std::string::npos);

    inv.findBin(true);
    std::vector<std::string> statuses;
    for (const BinRow &r : inv.binRows())
        statuses.push_back(std::string(statusWord(r.status)));
    EXPECT_EQ(statuses, (std::vector<std::string>{"green", "green", "red", "green"})); // found as typed rows are

    // While the taking pass walks the list, an import would change the store under it.
    f.dir.write("in.csv", "category,name,quantity\r\n9,X,1\r\n");
    ASSERT_TRUE(inv.passStart(true));
    ASSERT_TRUE(inv.passActive());
    EXPECT_TRUE(inv.import(inv.planImportFile(f.dir.file("in.csv"))).refused);
    EXPECT_EQ(inv.store().compcount, 3);
    inv.passAbandon();
    const size_t rows = inv.binRows().size();
    // A folder, a missing file: an error, the bin as it was.
    for (const std::string &path : {f.dir.path(), f.dir.file("none.csv")}) {
        const BomRead bad = inv.readBomFile(path);
        EXPECT_FALSE(bad.error.empty());
        EXPECT_TRUE(inv.binLoad(bad).refused);
        EXPECT_EQ(inv.binRows().size(), rows);
    }
}

TEST(Inventory, ABillOfOnePartALineIsOneNeedAndThePassOffersItOnce)
{
    // Seven rows of 10K, three in stock: one yellow row short of four, never seven greens,
    // and the pass takes the three once.
    Folder f("2|10К|3|a\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    std::string bom = "Reference,Value,Footprint\r\n";
    for (int r = 1; r <= 7; ++r)
        bom += "R" + std::to_string(r) + ",10K,R_0805\r\n";
    f.dir.write("bom.csv", bom + "C1,,C_0805\r\n");
    inv.binLoad(inv.readBomFile(f.dir.file("bom.csv")));
    inv.findBin(false);
    ASSERT_EQ(inv.binRows().size(), 2u);
    EXPECT_EQ(inv.binRows()[0].status, BinStatus::Yellow);
    EXPECT_EQ(inv.binRows()[0].needed, "7");
    EXPECT_EQ(inv.binRows()[0].shortage, "4");
    EXPECT_EQ(text(inv.binRows()[0].part->references), text("R1–R7"));
    EXPECT_EQ(inv.binRows()[1].status, BinStatus::Red); // no value: nothing found, not offered
    EXPECT_EQ(inv.binRows()[1].found, "0");
    ASSERT_TRUE(inv.passStart(false));
    ASSERT_TRUE(inv.pass().offer());
    EXPECT_EQ(inv.pass().offer()->maximum, 3);
    inv.passTake(3);
    ASSERT_TRUE(inv.passFinished());
    const Outcome done = inv.passFinish(true, false);
    EXPECT_TRUE(done.notes.empty());
    EXPECT_EQ(inv.store().quantity[1], 0u);
    EXPECT_EQ(inv.binRows()[0].status, BinStatus::Red);
}

TEST(Inventory, AValueWordReadsTheSameOnImportValueSearchAndBillOfMaterials)
{
    Folder f("2|4,7К|5|a\r\n2|10К|3|b\r\n2|470е|2|c\r\n2|2,2К|1|d\r\n2|4,7е|1|e\r\n2|1,5М|1|f\r\n"
             "4|100нф|4|x\r\n6|4,7мкф|2|y\r\n4|22пф|3|z\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    // What the word is in its scale: ohms or farads, 0 for a jumper, -1 for no value at all
    // (the words of -1 are no value in the other scale either).
    const struct {
        const char *word;
        bool resistance;
        double value;
    } table[] = {
        {"4k7", true, 4700},     {"4k7R", true, 4700},   {"4,7kR", true, 4700},     {"4K7r", true, 4700},
        {"10kR", true, 10000},   {"470R", true, 470},    {"2,2 кОм", true, 2200},   {"4R7", true, 4.7},
        {"1M5R", true, 1.5e6},   {"0R", true, 0},        {"0", true, 0},            {"0е", true, 0},
        {"4ж7", true, -1},       {"1,2,3К", true, -1},   {"10kRR", true, -1},       {"R", true, -1},
        {"100n", false, 1e-7},   {"0.1uF", false, 1e-7}, {"4u7", false, 4.7e-6},    {"22pF", false, 22e-12},
        {"0,1 мкФ", false, 1e-7}, {"4ж7", false, -1},    {"1,2,3К", false, -1},
    };
    for (const auto &[word, resistance, value] : table) {
        const std::string w = T(word), category = resistance ? "2" : "4";
        SCOPED_TRACE(std::string(word) + (resistance ? " ohms" : " farads"));
        auto same = [&](const std::optional<double> &v) { return v && (value == 0 ? *v == 0 : sameValue(*v, value)); };

        // The bill of materials.
        const BomRead bom = inv.readBom(std::string(resistance ? "Reference,Value\r\nR1,\"" : "Reference,Value\r\nC1,\"") +
                                        word + "\"\r\n");
        ASSERT_EQ(bom.lines.size(), 1u) << bom.error;
        const BomLine &line = bom.lines[0];
        if (value >= 0) {
            EXPECT_TRUE(line.problem.empty() && same(line.row.part->value)) << utf8From1251(line.problem);
            if (value == 0) {
                EXPECT_EQ(text(line.row.name), text("0е"));
            }
        } else {
            EXPECT_EQ(text(line.problem), text(valueRefusal(w)));
        }

        // The import.
        f.dir.write("in.csv", T("category;name;quantity\r\n") + category + ";" + w + ";1\r\n");
        const ImportPlan plan = inv.planImportFile(f.dir.file("in.csv"));
        if (value > 0) {
            ASSERT_EQ(plan.entries.size(), 1u) << (plan.refused.empty() ? std::string() : utf8From1251(plan.refused[0].reason));
            EXPECT_TRUE(same(recordValue(std::stoi(category), plan.entries[0].key.name)));
        } else {
            ASSERT_EQ(plan.refused.size(), 1u);
            EXPECT_EQ(text(plan.refused[0].reason), text(value == 0 ? jumperRefusal(w) : valueRefusal(w)));
        }

        // The value search: the records of this value in the scale's categories, none for a
        // jumper; a word read in neither scale is refused in the same words.
        const Outcome found = inv.search({-1, w, 0, {}, true});
        std::vector<uint16_t> inScale;
        for (uint16_t slot : found.refused ? std::vector<uint16_t>() : inv.rows())
            if (isResistanceCategory(inv.store().category[slot]) == resistance) {
                inScale.push_back(slot);
                EXPECT_TRUE(same(recordValue(inv.store().category[slot], inv.store().name[slot])));
            }
        if (value >= 0) {
            EXPECT_FALSE(found.refused);
            EXPECT_EQ(inScale.empty(), value == 0);
        } else {
            ASSERT_TRUE(found.refused);
            EXPECT_EQ(found.notes.back().text.rfind(valueRefusal(w), 0), 0u) << utf8From1251(found.notes.back().text);
        }
    }
}

TEST(Inventory, AShoppingListBuysEachPartNumberOfAJoinedValueAsItsOwnLine)
{
    // KiCad's grouped export of StickHub: «0.1uF» (C2, C5–C13, CC0402KRX7R7BB104) and
    // «0.1uF 100V» (C14–C21, NM0805B104K101CEDN) are one need of 18 ceramic 100нф; twelve
    // are in stock. What is short is bought under the part number of the rows it is short for.
    Folder f("4|100нф|12|x\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    inv.binLoad(inv.readBomFile(VOSK_SOURCE_DIR "/tests/io/kicad/StickHub.grouped_by_value.csv"));
    inv.findBin(false);
    auto linesOf = [&inv](const std::string &value) {
        std::vector<std::string> out;
        const std::string csv = inv.shoppingCsv();
        for (size_t at = 0, end; (end = csv.find("\r\n", at)) != std::string::npos; at = end + 2)
            if (csv.find("\"" + value + "\"", at) < end)
                out.push_back(csv.substr(at, end - at));
        return out;
    };
    EXPECT_EQ(linesOf("100нф"), (std::vector<std::string>{
                                     "\"6\",\"NM0805B104K101CEDN\",\"\",\"0.1uF 100V\",\"100нф\",\"C14–C21\","
                                     "\"Capacitor_SMD:1608_C\",\"\",\"\""}));
    inv.setBoards(2, false);
    EXPECT_EQ(linesOf("100нф"), (std::vector<std::string>{
                                     "\"8\",\"CC0402KRX7R7BB104\",\"\",\"0.1uF\",\"100нф\",\"C2, C5–C13\","
                                     "\"Capacitor_SMD:1608_C\",\"\",\"\"",
                                     "\"16\",\"NM0805B104K101CEDN\",\"\",\"0.1uF 100V\",\"100нф\",\"C14–C21\","
                                     "\"Capacitor_SMD:1608_C\",\"\",\"\""}));
    // A value none of whose rows is in stock keeps one line with its own part number.
    EXPECT_EQ(linesOf("10К").size(), 1u);
    EXPECT_NE(linesOf("10К").at(0).find("\"2\",\"0402WGF1002TCE\""), std::string::npos);
}

TEST(Inventory, OpenedOnAnotherThreadSaysItsMessagesOnlyWhenTaken)
{
    // An unreadable line is reported while loading: held until the window takes the
    // inventory, then said once, in order; later messages go straight through.
    Folder f("2|4,7К|5|a\r\nnot a record line\r\n9|КТ315|3|npn\r\n");
    ASSERT_TRUE(DataFolder::loadOnlyReads(f.dir.datapath()));
    InventoryLoad load(f.dir.datapath());
    OpenedInventory opened = load.take(f.messages);
    ASSERT_EQ(f.messages.entries.size(), 1u);
    EXPECT_EQ(f.messages.entries[0].kind, test::RecordingMessages::Entry::Error);
    EXPECT_NE(f.messages.entries[0].text.find(T("строки 2")), std::string::npos);
    EXPECT_EQ(names(*opened.inventory), (std::vector<Cp1251Text>{text("4,7К"), text("КТ315")}));
    EXPECT_EQ(text(*opened.opened.status), text("В списке наименований: 2 деталей 8"));

    opened.held->inform(T("потом"));
    ASSERT_EQ(f.messages.entries.size(), 2u);
    EXPECT_EQ(text(f.messages.entries[1].text), text("потом"));
}

TEST(Inventory, HeldMessagesKeepTheirOrderAndQuestionsBeforeTheReleaseAreCancelled)
{
    HeldMessages held;
    held.inform("a");
    held.error("b");
    EXPECT_FALSE(held.confirm("?"));
    EXPECT_EQ(held.choose("?", {"x", "y", "z"}), 2);
    EXPECT_EQ(held.chooseFolder("?"), std::nullopt);
    test::RecordingMessages to;
    to.answers.push_back(false);
    held.release(to);
    ASSERT_EQ(to.entries.size(), 2u);
    EXPECT_EQ(to.entries[0].kind, test::RecordingMessages::Entry::Inform);
    EXPECT_EQ(to.entries[0].text, "a");
    EXPECT_EQ(to.entries[1].kind, test::RecordingMessages::Entry::Error);
    EXPECT_EQ(to.entries[1].text, "b");
    EXPECT_FALSE(held.confirm("now asked")); // the prepared answer, not the held default
    EXPECT_TRUE(held.confirm("again"));
    EXPECT_EQ(to.entries.size(), 4u);
}

TEST(Inventory, OnlyAFolderThatOpeningWouldNotWriteLoadsAhead)
{
    Folder f("2|4,7К|5|a\r\n");
    EXPECT_TRUE(DataFolder::loadOnlyReads(f.dir.datapath()));
    f.dir.write("main.jnl", "");
    EXPECT_FALSE(DataFolder::loadOnlyReads(f.dir.datapath())); // a journal to replay
    test::TempFolder missing;
    missing.write("main.dat", "");
    missing.write("components.lst", "");
    EXPECT_FALSE(DataFolder::loadOnlyReads(missing.datapath())); // strings.dat to create
    EXPECT_FALSE(DataFolder::loadOnlyReads(missing.datapath() + "absent/"));
}

// Every kind of change the window makes, then a kill (no save): the next opening replays the
// journal onto main.dat as it was loaded, and the store is record for record, and byte for
// byte, the one the user saw. An empty name is a name: adding to it makes a nameless record,
// never a change of another record of the category (the window, the replay and the command
// line look records up alike). Each change reads back with where it came from.
TEST(Inventory, AReplayAfterAKillGivesTheStoreTheUserSaw)
{
    Folder f("8|d1|1| \r\n8|d2|2| \r\n9|КТ315|4|npn\r\n9|КТ361|2|pnp\r\n8|КД521|5|a\r\n8|КТ3102|1|new\r\n");
    const std::string loaded = f.mainFile();
    std::string seen;
    std::vector<RecordRow> seenRecords;
    {
        Inventory inv(f.dir.datapath(), f.messages);
        inv.open();
        EXPECT_FALSE(inv.change(edit(9, "КТ3102", 3, false, "new")).refused); // a new record
        EXPECT_FALSE(inv.change(edit(9, "КТ315", 2, false, "npn")).refused);  // to an existing one
        EXPECT_FALSE(inv.change(edit(9, "КТ315", 1, true, "npn")).refused);   // a part taken
        EXPECT_FALSE(inv.change(edit(9, "КТ361", 5, true, "pnp")).refused);   // more than there: emptied, gone
        EXPECT_FALSE(inv.change(edit(8, "", 4)).refused);                      // a nameless record
        EXPECT_FALSE(inv.change(edit(8, "", 2, false, "b")).refused);          // another, described
        EXPECT_FALSE(inv.change(edit(8, "", 1)).refused);                      // to the first nameless
        EXPECT_FALSE(inv.change(edit(8, "", 1, true, "b")).refused);           // from the described one
        EXPECT_FALSE(inv.move(edit(9, "КТ3102", 2, false, "new"), 8).refused); // into a record there
        EXPECT_FALSE(inv.move(edit(9, "КТ315", 1, false, "npn"), 8).refused);  // a new record there
        inv.binAdd(8, T("КД521"), "2", "");
        inv.findBin(false);
        ASSERT_TRUE(inv.passStart(false));
        inv.passTake(2);
        ASSERT_TRUE(inv.passFinished());
        inv.passFinish(true, false);
        f.dir.write("a.csv", "category,name,quantity,description\r\n8,d1,7,\r\n9,KT9,1,x\r\n");
        EXPECT_FALSE(inv.import(inv.planImportFile(f.dir.file("a.csv"))).refused);
        EXPECT_FALSE(inv.undoImport().refused);
        f.dir.write("b.csv", "category,name,quantity,description\r\n8,d2,3,\r\n9,KT10,6,y\r\n");
        EXPECT_FALSE(inv.import(inv.planImportFile(f.dir.file("b.csv"))).refused);
        f.dir.write("c.csv", "category,name,quantity,description\r\n8,d2,1,\r\n9,KT10,9,y\r\n");
        EXPECT_FALSE(inv.stocktake(inv.planImportFile(f.dir.file("c.csv"), {}, true), false).refused);
        EXPECT_FALSE(inv.undoImport().refused);
        EXPECT_FALSE(inv.stocktake(inv.planImportFile(f.dir.file("c.csv"), {}, true), false).refused);
        seen = writeMainFile(inv.store());
        seenRecords = records(inv.store());
        EXPECT_TRUE(f.messages.texts(test::RecordingMessages::Entry::Kind::Error).empty());
        // Killed here: nothing saved.
    }
    ASSERT_EQ(f.mainFile(), loaded);
    EXPECT_NE(seen, loaded);
    // The operations of several entries were written as groups.
    const JournalContents journal = parseJournal(f.dir.read("main.jnl"));
    EXPECT_EQ(journal.damagedLine, 0);
    for (const char *what : {"move", "pass", "import", "undo", "stocktake"})
        EXPECT_NE(f.dir.read("main.jnl").find(journalBeginLine(what)), std::string::npos) << what;
    std::string nameless = cp1251("8\x01\x01" "5\x01 \r\n"), d1 = cp1251("8\x01" "d1\x01" "1\x01 \r\n");
    EXPECT_NE(seen.find(nameless), std::string::npos);
    EXPECT_NE(seen.find(cp1251("8\x01\x01" "1\x01" "b\r\n")), std::string::npos);
    EXPECT_NE(seen.find(cp1251("8\x01КТ3102\x01" "3\x01" "new\r\n")), std::string::npos); // merged by the move
    EXPECT_NE(seen.find(d1), std::string::npos);
    // Where each change came from, in the order made (runs of one source said once).
    std::vector<ChangeSource> sources;
    for (const StockChange &c : journal.entries)
        if (sources.empty() || sources.back() != c.source)
            sources.push_back(c.source);
    using S = ChangeSource;
    EXPECT_EQ(sources, (std::vector<S>{S::Typing, S::Move, S::Pass, S::Import, S::Undo, S::Import, S::Stocktake,
                                       S::Undo, S::Stocktake}));

    test::RecordingMessages messages;
    Inventory again(f.dir.datapath(), messages);
    again.open();
    EXPECT_EQ(records(again.store()), seenRecords);
    EXPECT_EQ(writeMainFile(again.store()), seen);
    EXPECT_EQ(f.mainFile(), seen); // and saved at once
    const auto informs = messages.texts(test::RecordingMessages::Entry::Kind::Inform);
    ASSERT_EQ(informs.size(), 1u);
    EXPECT_NE(informs[0].find(cp1251("Восстановлено изменений из журнала")), std::string::npos);
    EXPECT_EQ(informs[0].find(cp1251("Не применены")), std::string::npos) << utf8From1251(informs[0]);
}

// A stocktake on the bundled stock: the export with three quantities edited sets exactly those
// three, through the journal as typing does; one undo gives main.dat back byte for byte.
TEST(Inventory, StocktakeSetsTheQuantitiesAndOneUndoTakesItBack)
{
    test::TempFolder dir;
    for (const char *name : {"main.dat", "strings.dat", "components.lst"})
        dir.write(name, readFileBytes(std::string(VOSK_SOURCE_DATA "/") + name).bytes);
    const std::string original = dir.read("main.dat");
    test::RecordingMessages messages;
    Inventory inv(dir.datapath(), messages);
    inv.open();
    const uint32_t total = inv.store().totalqty;
    ASSERT_FALSE(inv.exportCsv(dir.file("stock.csv"), true).refused);
    // КТ315Б 30 -> 40, КС156А 23 -> 20, every other record as it is.
    std::string csv = dir.read("stock.csv");
    for (const auto &[from, to] : {std::pair{",КТ315Б,30,npn", ",КТ315Б,40,npn"}, std::pair{",КС156А,23,", ",КС156А,20,"}}) {
        const size_t at = csv.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        csv.replace(at, std::string(from).size(), to);
    }
    dir.write("stock.csv", csv);
    const ImportPlan plan = inv.planImportFile(dir.file("stock.csv"), {}, true);
    ASSERT_TRUE(plan.usable()) << plan.fileError;
    EXPECT_EQ(plan.refusedCount, 0u);
    EXPECT_EQ(plan.changes(), 2u);
    EXPECT_TRUE(plan.absent.empty());
    EXPECT_EQ(inv.store().totalqty, total); // planning changes nothing

    Outcome done = inv.stocktake(plan, false);
    EXPECT_FALSE(done.refused);
    EXPECT_EQ(text(*done.status), text("Инвентаризация: изменено записей 2, добавлено деталей 10, убрано 3; не принято строк: 0"));
    EXPECT_EQ(inv.store().totalqty, total + 10 - 3);
    EXPECT_FALSE(dir.read("main.jnl").empty()); // recorded as typing is
    ASSERT_TRUE(inv.save());
    EXPECT_NE(dir.read("main.dat"), original);
    EXPECT_TRUE(inv.canUndoImport());
    EXPECT_FALSE(inv.undoImport().refused);
    EXPECT_FALSE(inv.canUndoImport());
    ASSERT_TRUE(inv.save());
    EXPECT_EQ(dir.read("main.dat"), original);
}

TEST(Inventory, StocktakeLeavesAbsentRecordsUnlessAskedAndUndoGivesThemBack)
{
    Folder f("2|4,7К|5|a\r\n9|КТ315|3|npn\r\n8|КД522|7| \r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    ASSERT_TRUE(inv.save());
    const std::string before = f.mainFile();
    f.dir.write("count.csv", T("Раздел;Наименование;Кол-во;Примечание\r\n2;4,7к;9;a\r\n9;КТ315;3;npn\r\n\r\nИтого;;12;\r\n"));
    const ImportPlan plan = inv.planImportFile(f.dir.file("count.csv"), {}, true);
    ASSERT_TRUE(plan.usable()) << plan.fileError;
    EXPECT_EQ(plan.changes(), 1u);
    ASSERT_EQ(plan.absent.size(), 1u);
    EXPECT_EQ(text(plan.absent[0].key.name), text("КД522"));

    // Absent records left alone: one record changes; undone, main.dat as it was.
    EXPECT_FALSE(inv.stocktake(plan, false).refused);
    EXPECT_EQ(inv.store().quantity[1], 9);
    EXPECT_EQ(inv.store().quantity[3], 7);
    EXPECT_FALSE(inv.undoImport().refused);
    ASSERT_TRUE(inv.save());
    EXPECT_EQ(f.mainFile(), before);

    // «обнулить отсутствующие»: КД522 emptied (and gone); the undo brings it back.
    EXPECT_FALSE(inv.stocktake(inv.planImportFile(f.dir.file("count.csv"), {}, true), true).refused);
    EXPECT_EQ(inv.store().compcount, 2);
    // Parts of a counted record taken since: the undo cannot give them back, nothing changes.
    inv.change(edit(2, "4,7К", 8, true, "a"));
    EXPECT_TRUE(inv.undoImport().refused);
    inv.change(edit(2, "4,7К", 8, false, "a"));
    EXPECT_FALSE(inv.undoImport().refused);
    EXPECT_EQ(inv.store().compcount, 3);
    EXPECT_EQ(inv.store().totalqty, 15u);
}
