// What records carry beside main.dat (attrs.dat): kept through saving, a move and a merge,
// an import and an export, the journal's replay, and a file that cannot be trusted; the
// minimum's marks and the shopping list that makes up a shortage.
#include "cp1251text.h"
#include "filebytes.h"
#include "inventory.h"
#include "journal.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <gtest/gtest.h>
#include <algorithm>
#include <sys/stat.h>

using namespace vosk;
using vosk::test::T;

namespace {

const char *kCategories = "Все\r\nРез1\r\nРез2\r\nРез3\r\nКонд4\r\nКонд5\r\nКонд6\r\nКонд7\r\nДиоды\r\nТранзисторы\r\n";
const char *kRecords = "2|4,7К|5|a\r\n9|КТ315|3|npn\r\n8|КД522|10| \r\n";

struct Folder {
    test::TempFolder dir;
    test::RecordingMessages messages;

    Folder()
    {
        dir.write("components.lst", cp1251(kCategories));
        dir.write("strings.dat", cp1251("0\r\n0\r\nK k М м\r\n0\r\n0\r\nпф нф мкф\r\n0\r\n0\r\nКД\r\nКТ\r\n"));
        dir.write("main.dat", fields(kRecords));
    }
    static std::string fields(const char *text)
    {
        std::string bytes = cp1251(text);
        for (char &c : bytes)
            if (c == '|')
                c = '\x01';
        return bytes;
    }
    std::unique_ptr<Inventory> open()
    {
        auto inv = std::make_unique<Inventory>(dir.datapath(), messages);
        opened = inv->open();
        return inv;
    }
    Outcome opened;
};

StockKey rec(int category, const char *name, const char *description = "") { return {category, T(name), T(description)}; }

std::string place(const Inventory &inv, int category, const char *name, const char *description = " ")
{
    return inv.attributes().value(makeStockKey(category, T(name), T(description)), Attribute::Place);
}

FilterCriteria everything()
{
    FilterCriteria all;
    all.category = -1;
    return all;
}

bool mentions(const Outcome &out, const char *words)
{
    for (const Note &n : out.notes)
        if (n.text.find(T(words)) != std::string::npos)
            return true;
    return false;
}

} // namespace

TEST(Attributes, KeptInTheirOwnFileWhileMainDatStaysByteForByte)
{
    Folder f;
    const std::string mainBefore = f.dir.read("main.dat");
    {
        auto inv = f.open();
        EXPECT_FALSE(inv->setAttribute(rec(2, "4,7k", "a"), Attribute::Place, T("ящик 3 / ячейка 12")).refused);
        EXPECT_FALSE(inv->setAttribute(rec(9, "КТ315", "npn"), Attribute::Minimum, "010").refused);
        // a minimum of 0 is none; texts that cannot be stored are refused, nothing changed
        EXPECT_TRUE(inv->setAttribute(rec(9, "КТ315", "npn"), Attribute::Minimum, "70000").refused);
        EXPECT_TRUE(inv->setAttribute(rec(9, "КТ315", "npn"), Attribute::Place, "a\x01" "b").refused);
        EXPECT_EQ(inv->attributesOf(rec(9, "КТ315", "npn"))[Attribute::Minimum], "10");
        ASSERT_TRUE(inv->save());
    }
    EXPECT_EQ(f.dir.read("main.dat"), mainBefore);
    EXPECT_EQ(f.dir.read("attrs.dat"), Folder::fields("2|4,7К|a|place=ящик 3 / ячейка 12\r\n9|КТ315|npn|min=10\r\n"));
    auto again = f.open();
    EXPECT_EQ(place(*again, 2, "4,7К", "a"), T("ящик 3 / ячейка 12"));
    ASSERT_TRUE(again->pick(1));
    EXPECT_EQ(again->pick(1)->attributes[Attribute::Minimum], "10");
    // none left: the record's line goes
    EXPECT_FALSE(again->setAttribute(rec(9, "КТ315", "npn"), Attribute::Minimum, "0").refused);
    ASSERT_TRUE(again->save());
    EXPECT_EQ(f.dir.read("attrs.dat"), Folder::fields("2|4,7К|a|place=ящик 3 / ячейка 12\r\n"));
}

TEST(Attributes, LinesItCannotReadAndKeysOfANewerProgramAreWrittenBackUnchanged)
{
    Folder f;
    const std::string file = Folder::fields("2|4,7К|a|place=A1|colour=red\r\ngarbage without fields\r\n"
                                            "9|КТ315|npn|min=abc\r\n2|4,7К|a|place=A2\r\n");
    f.dir.write("attrs.dat", file);
    auto inv = f.open();
    EXPECT_EQ(place(*inv, 2, "4,7К", "a"), "A1");
    const auto errors = f.messages.texts(test::RecordingMessages::Entry::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(T("(строки 2, 3, 4)")), std::string::npos) << errors[0];
    EXPECT_FALSE(inv->setAttribute(rec(8, "КД522"), Attribute::Place, "B7").refused);
    ASSERT_TRUE(inv->save());
    EXPECT_EQ(f.dir.read("attrs.dat"),
              Folder::fields("2|4,7К|a|place=A1|colour=red\r\n8|КД522| |place=B7\r\ngarbage without fields\r\n"
                             "9|КТ315|npn|min=abc\r\n2|4,7К|a|place=A2\r\n"));
}

TEST(Attributes, AHostileFileNeverCostsMainDatOrWhatCouldBeRead)
{
    {
        // larger than any real one: what was read is shown, the file is left alone
        Folder f;
        std::string big = Folder::fields("2|4,7К|a|place=A1\r\n");
        const std::string filler = Folder::fields("8|КД522| |place=") + std::string(200, 'x') + "\r\n";
        while (big.size() <= RecordAttributes::kFileLimit)
            big += filler;
        f.dir.write("attrs.dat", big);
        auto inv = f.open();
        EXPECT_EQ(inv->store().compcount, 3);
        EXPECT_EQ(place(*inv, 2, "4,7К", "a"), "A1");
        EXPECT_TRUE(inv->setAttribute(rec(9, "КТ315", "npn"), Attribute::Place, "C").refused);
        EXPECT_FALSE(inv->change({9, T("КТ315"), T("npn"), 2, false}).refused); // the stock still changes
        ASSERT_TRUE(inv->save());
        EXPECT_EQ(f.dir.read("attrs.dat"), big);
        EXPECT_NE(f.dir.read("main.dat").find(T("КТ315\x01" "5")), std::string::npos);
    }
    {
        // a FIFO must neither hang the program nor be replaced by a file
        Folder f;
        ASSERT_EQ(::mkfifo(f.dir.file("attrs.dat").c_str(), 0600), 0);
        auto inv = f.open();
        EXPECT_EQ(inv->store().compcount, 3);
        EXPECT_EQ(f.messages.texts(test::RecordingMessages::Entry::Error).size(), 1u);
        EXPECT_FALSE(inv->change({8, T("КД522"), "", 1, false}).refused);
        ASSERT_TRUE(inv->save());
        struct stat st {};
        ASSERT_EQ(::stat(f.dir.file("attrs.dat").c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode));
    }
}

TEST(Attributes, AMoveCarriesThemAndAMergeKeepsTheTargetsSayingSo)
{
    Folder f;
    f.dir.write("main.dat", Folder::fields("2|4,7К|5|a\r\n3|4,7К|1|a\r\n9|КТ315|3|npn\r\n"));
    auto inv = f.open();
    ASSERT_FALSE(inv->setAttribute(rec(2, "4,7К", "a"), Attribute::Place, "A1").refused);
    ASSERT_FALSE(inv->setAttribute(rec(2, "4,7К", "a"), Attribute::Minimum, "4").refused);
    ASSERT_FALSE(inv->setAttribute(rec(3, "4,7К", "a"), Attribute::Place, "B2").refused);
    // into a record with a place of its own: its place stays, the minimum it lacked arrives
    Outcome merged = inv->move({2, T("4,7К"), "a", 2, true}, 3);
    EXPECT_FALSE(merged.refused);
    EXPECT_TRUE(mentions(merged, "оставлено «B2», у переведённых деталей было «A1»"));
    EXPECT_EQ(place(*inv, 3, "4,7К", "a"), "B2");
    EXPECT_EQ(inv->attributes().minimum(3, T("4,7К"), "a"), 4u);
    EXPECT_EQ(place(*inv, 2, "4,7К", "a"), "A1"); // parts stayed behind: so did its place
    // every part moved: the place goes with them
    EXPECT_FALSE(inv->move({9, T("КТ315"), "npn", 3, true}, 8).refused);
    ASSERT_FALSE(inv->setAttribute(rec(8, "КТ315", "npn"), Attribute::Place, "C3").refused);
    EXPECT_FALSE(inv->move({2, T("4,7К"), "a", 3, true}, 1).refused);
    EXPECT_EQ(place(*inv, 1, "4,7К", "a"), "A1");
    EXPECT_EQ(place(*inv, 2, "4,7К", "a"), "");
    EXPECT_FALSE(mentions(inv->move({8, T("КТ315"), "npn", 3, true}, 9), "оставлено"));
    EXPECT_EQ(place(*inv, 9, "КТ315", "npn"), "C3");
}

TEST(Attributes, ExportedAsColumnsAndImportedBackWithAnUndo)
{
    Folder f;
    auto inv = f.open();
    // without attributes the table is the one of old
    ASSERT_FALSE(inv->exportCsv(f.dir.file("plain.csv"), true).refused);
    const std::string plain = f.dir.read("plain.csv");
    EXPECT_EQ(plain.substr(0, plain.find('\n') + 1), "category,category_name,name,quantity,description\r\n");
    ASSERT_FALSE(inv->setAttribute(rec(2, "4,7К", "a"), Attribute::Place, T("ящик 3, ячейка 1")).refused);
    ASSERT_FALSE(inv->exportCsv(f.dir.file("out.csv"), true).refused);
    EXPECT_EQ(f.dir.read("out.csv"), "category,category_name,name,quantity,description,place,min\r\n"
                                     "2,Рез2,\"4,7К\",5,a,\"ящик 3, ячейка 1\",\r\n"
                                     "9,Транзисторы,КТ315,3,npn,,\r\n"
                                     "8,Диоды,КД522,10,\" \",,\r\n");

    f.dir.write("in.csv", "Раздел;Название;Кол-во;Примечание;Место;Мин.\r\n"
                          "9;КТ315;1;npn;B4;5\r\n"
                          "9;КТ361;2;pnp;;3\r\n"
                          "9;КТ3102;1;;x;-1\r\n");
    const ImportPlan plan = inv->planImportFile(f.dir.file("in.csv"));
    ASSERT_TRUE(plan.usable()) << plan.fileError;
    EXPECT_EQ(plan.refusedCount, 1u); // the minimum -1
    ASSERT_FALSE(inv->import(plan).refused);
    EXPECT_EQ(place(*inv, 9, "КТ315", "npn"), "B4");
    EXPECT_EQ(inv->attributes().minimum(9, T("КТ361"), "pnp"), 3u);
    EXPECT_EQ(inv->attributes().minimum(9, T("КТ315"), "npn"), 5u);
    ASSERT_FALSE(inv->undoImport().refused);
    EXPECT_EQ(inv->attributes().find(9, T("КТ315"), "npn"), nullptr);
    EXPECT_EQ(inv->attributes().find(9, T("КТ361"), "pnp"), nullptr);
    EXPECT_EQ(place(*inv, 2, "4,7К", "a"), T("ящик 3, ячейка 1"));

    // a stocktake sets them too, and its undo takes them back
    f.dir.write("count.csv", "category,name,quantity,description,place\r\n9,КТ315,4,npn,C9\r\n2,\"4,7К\",5,a,D1\r\n");
    const ImportPlan count = inv->planImportFile(f.dir.file("count.csv"), {}, true);
    ASSERT_TRUE(count.usable()) << count.fileError;
    ASSERT_FALSE(inv->stocktake(count, false).refused);
    EXPECT_EQ(place(*inv, 9, "КТ315", "npn"), "C9");
    EXPECT_EQ(place(*inv, 2, "4,7К", "a"), "D1");
    ASSERT_FALSE(inv->undoImport().refused);
    EXPECT_EQ(place(*inv, 9, "КТ315", "npn"), "");
    EXPECT_EQ(place(*inv, 2, "4,7К", "a"), T("ящик 3, ячейка 1"));
}

TEST(Attributes, AProgramThatEndsWithoutSavingHasThemReplayedFromTheJournal)
{
    Folder f;
    const std::string mainBefore = f.dir.read("main.dat");
    {
        auto inv = f.open();
        ASSERT_FALSE(inv->setAttribute(rec(9, "КТ315", "npn"), Attribute::Place, "A1").refused);
        ASSERT_FALSE(inv->setAttribute(rec(9, "КТ315", "npn"), Attribute::Minimum, "8").refused);
        ASSERT_FALSE(inv->setAttribute(rec(8, "КД522"), Attribute::Place, "D").refused);
        ASSERT_FALSE(inv->move({8, T("КД522"), "", 10, true}, 9).refused);
        ASSERT_FALSE(inv->setAttribute(rec(9, "КТ315", "npn"), Attribute::Place, "A2").refused);
        // ends here as if killed: nothing saved
    }
    EXPECT_FALSE(f.dir.exists("attrs.dat"));
    EXPECT_EQ(f.dir.read("main.dat"), mainBefore);
    auto inv = f.open();
    EXPECT_NE(f.messages.texts(test::RecordingMessages::Entry::Inform).back().find(T("Восстановлено изменений из журнала: 8")),
              std::string::npos)
        << f.messages.texts(test::RecordingMessages::Entry::Inform).back();
    EXPECT_EQ(place(*inv, 9, "КТ315", "npn"), "A2");
    EXPECT_EQ(place(*inv, 9, "КД522"), "D");
    EXPECT_EQ(place(*inv, 8, "КД522"), "");
    EXPECT_EQ(f.dir.read("attrs.dat"), Folder::fields("9|КД522| |place=D\r\n9|КТ315|npn|place=A2|min=8\r\n"));
    EXPECT_FALSE(f.dir.exists("main.jnl"));
}

TEST(Attributes, AJournalsAttributeLinesAreReplayedOnlyWhole)
{
    // A whole line of an unknown attribute is reported, a group cut short is left out whole.
    Folder f;
    const std::string main = f.dir.read("main.dat");
    std::string journal = journalHeaderLine(stampOf(main));
    journal += journalAttributeLine({9, T("КТ315"), "npn", "place", "A1"});
    journal += journalAttributeLine({9, T("КТ315"), "npn", "colour", "red"});
    journal += journalBeginLine(journalgroup::kMove);
    journal += journalAttributeLine({9, T("КТ315"), "npn", "place", "B2"});
    journal += journalAttributeLine({9, T("КТ315"), "npn", "min", "7"});
    f.dir.write("main.jnl", journal);
    auto inv = f.open();
    EXPECT_EQ(place(*inv, 9, "КТ315", "npn"), "A1");
    EXPECT_EQ(inv->attributes().minimum(9, T("КТ315"), "npn"), 0u);
    const auto informs = f.messages.texts(test::RecordingMessages::Entry::Inform);
    ASSERT_FALSE(informs.empty());
    EXPECT_NE(informs.back().find(T("Восстановлено изменений из журнала: 1.\rНе применены (1):\rзадать colour")),
              std::string::npos)
        << informs.back();
    EXPECT_EQ(f.messages.texts(test::RecordingMessages::Entry::Error).size(), 1u); // the cut group
    EXPECT_EQ(f.dir.read("attrs.dat"), Folder::fields("9|КТ315|npn|place=A1\r\n"));
}

TEST(Attributes, RecordsBelowTheirMinimumAreMarkedCountedFoundAndBought)
{
    Folder f;
    f.dir.write("attrs.dat", Folder::fields("9|КТ315|npn|min=10\r\n8|КД522| |min=10\r\n2|4,7К|a|min=2\r\n"
                                            "9|КТ361|pnp|place=Z|min=4\r\n"));
    auto inv = f.open();
    // КТ315 holds 3 of 10, КТ361 none (taken to nothing); КД522 holds its minimum exactly
    ASSERT_TRUE(f.opened.status);
    EXPECT_NE(f.opened.status->find(T("ниже минимума: 2")), std::string::npos) << *f.opened.status;
    EXPECT_EQ(inv->belowMinimumCount(), 2u);
    EXPECT_EQ(inv->rowShortage(1), T("ниже минимума: 3 из 10"));
    EXPECT_EQ(inv->rowShortage(0), "");
    EXPECT_EQ(inv->rowShortage(2), "");

    inv->search(everything(), {"", true});
    ASSERT_EQ(inv->rows().size(), 1u);
    EXPECT_EQ(inv->store().name[inv->rows()[0]], T("КТ315"));
    ASSERT_FALSE(inv->change({8, T("КД522"), "", 1, true}).refused); // 9 of 10 now
    EXPECT_EQ(inv->rows().size(), 2u);                                  // the list follows the stock

    EXPECT_EQ(inv->minimumShoppingCsv(),
              std::string("\"Quantity\",\"Part Number\",\"Manufacturer\",\"Value\",\"Stock Name\",\"References\",\"Footprint\",\"Supplier\",\"Supplier Part Number\"\r\n"
                "\"1\",\"\",\"\",\"КД522\",\"КД522\",\"\",\"\",\"\",\"\"\r\n"
                "\"7\",\"\",\"\",\"КТ315\",\"КТ315\",\"\",\"npn\",\"\",\"\"\r\n"
                "\"4\",\"\",\"\",\"КТ361\",\"КТ361\",\"\",\"pnp\",\"\",\"\"\r\n"));
    ASSERT_FALSE(inv->writeMinimumShopping(f.dir.file("buy.csv")).refused);
    EXPECT_EQ(f.dir.read("buy.csv"), inv->minimumShoppingCsv());

    // a place's part, and the whole of it when exact
    inv->search(everything(), {"Z", false});
    EXPECT_EQ(inv->rows().size(), 0u); // КТ361 holds nothing: no row to show
    ASSERT_FALSE(inv->setAttribute(rec(9, "КТ315", "npn"), Attribute::Place, T("ящик 3")).refused);
    inv->search(everything(), {T("ящик"), false});
    EXPECT_EQ(inv->rows().size(), 1u);
    inv->setExact(true);
    inv->search(everything(), {T("ящик"), false});
    EXPECT_EQ(inv->rows().size(), 0u);
    EXPECT_EQ(inv->reset(0).list, ListChange::Reset);
    EXPECT_EQ(inv->rows().size(), 3u);
}

// With a bill in the bin the shopping list buys, a line per part, what the boards need beyond
// the stock and then each found record's minimum: boards + minimum - stock.
TEST(Attributes, ShoppingWithABillBuysTheBoardsAndThenTheMinimumsAsOneLineAPart)
{
    Folder f;
    f.dir.write("attrs.dat", Folder::fields("9|КТ315|npn|min=10\r\n8|КД522| |min=10\r\n2|4,7К|a|min=2\r\n"
                                            "9|КТ361|pnp|min=4\r\n"));
    auto inv = f.open();
    // 4,7К: 5 held, 2 kept, 4 for the boards: not below its minimum, yet 1 is short after them.
    // КТ315: 3 of 10, and 2 for the boards. КТ361: none left, 4 kept, 2 for the boards.
    // КД502: in no record, with no minimum. КД522: at its minimum and on no board.
    const BomRead bom = inv->readBom(cp1251("\"Refs\",\"Value\",\"Qty\"\r\n\"R1,R2\",\"4k7\",\"2\"\r\n"
                                            "\"Q1\",\"КТ315\",\"1\"\r\n\"Q2\",\"КТ361\",\"1\"\r\n\"D1\",\"КД502\",\"1\"\r\n"));
    ASSERT_TRUE(bom.error.empty()) << utf8From1251(bom.error);
    inv->binLoad(bom);
    inv->setBoards(2, true);
    ASSERT_TRUE(inv->binHoldsBill());
    // Each line's quantity, part number, manufacturer, value and stock name.
    std::vector<std::string> lines;
    const std::string csv = inv->minimumShoppingCsv();
    for (size_t at = csv.find("\r\n") + 2, end; (end = csv.find("\r\n", at)) != std::string::npos; at = end + 2) {
        size_t cut = at;
        for (int field = 0; field < 5; ++field)
            cut = csv.find("\",", cut) + 2; // every field is quoted: «4,7К» holds a comma
        lines.push_back(csv.substr(at, cut - 1 - at));
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"\"1\",\"\",\"\",\"4k7\",\"4,7К\"", "\"9\",\"\",\"\",\"КТ315\",\"КТ315\"",
                                               "\"6\",\"\",\"\",\"КТ361\",\"КТ361\"", "\"2\",\"\",\"\",\"КД502\",\"КД502\""}));

    // Without the bill each record below its minimum is a line to reach it, the one at it none.
    inv->binClear();
    ASSERT_FALSE(inv->binHoldsBill());
    ASSERT_FALSE(inv->change({8, T("КД522"), "", 1, true}).refused);
    const std::string alone = inv->minimumShoppingCsv();
    EXPECT_EQ(std::count(alone.begin(), alone.end(), '\n'), 4);
    EXPECT_NE(alone.find("\"1\",\"\",\"\",\"КД522\""), std::string::npos);
    EXPECT_NE(alone.find("\"7\",\"\",\"\",\"КТ315\""), std::string::npos);
    EXPECT_NE(alone.find("\"4\",\"\",\"\",\"КТ361\""), std::string::npos);
}

namespace {

// attrs.dat as the program writes it: records by identity, then a line it cannot read.
const char *kPlacesFile = "2|4,7К|a|place=ящик 10|min=2\r\n8|КД522| |place=Ящик 3\r\n9|КТ315|npn|place=ящик 2|colour=red\r\n"
                          "9|КТ361|pnp|place=ящик 2\r\nnot a record\r\n";

std::vector<PlaceCount> counts(std::initializer_list<std::pair<const char *, size_t>> list)
{
    std::vector<PlaceCount> out;
    for (const auto &[place, records] : list)
        out.push_back({T(place), records});
    return out;
}

} // namespace

TEST(Places, ANaturalOrderOfDigitsAsNumbersAndLettersOfEitherCase)
{
    for (const auto &[a, b] : {std::pair{"ящик 2", "ящик 10"}, {"ящик 2", "Ящик 3"}, {"A9", "a10"}, {"ящик 02", "ящик 3"},
                               {"ёж", "жук"}, {"ящик", "ящик 1"}, {"Ящик 2", "ящик 2"}}) {
        EXPECT_TRUE(placeBefore(T(a), T(b))) << a << " / " << b;
        EXPECT_FALSE(placeBefore(T(b), T(a))) << b << " / " << a;
    }
    EXPECT_FALSE(placeBefore(T("ящик 2"), T("ящик 2")));
}

TEST(Places, ARenameReachesEveryHolderMergesOntoAPlaceInUseAndItsUndoRestoresTheFile)
{
    Folder f;
    const std::string original = Folder::fields(kPlacesFile);
    f.dir.write("attrs.dat", original);
    auto inv = f.open();
    // КТ361 is taken to nothing: it still holds its place, and counts
    EXPECT_EQ(inv->places(), counts({{"ящик 2", 2}, {"Ящик 3", 1}, {"ящик 10", 1}}));

    Outcome renamed = inv->renamePlace(T("ящик 2"), T("  полка 1 "));
    ASSERT_FALSE(renamed.refused);
    ASSERT_TRUE(renamed.status);
    EXPECT_EQ(*renamed.status, T("Место «ящик 2» переименовано в «полка 1», записей: 2."));
    EXPECT_EQ(inv->places(), counts({{"полка 1", 2}, {"Ящик 3", 1}, {"ящик 10", 1}}));
    ASSERT_TRUE(inv->save());
    EXPECT_EQ(f.dir.read("attrs.dat"), Folder::fields("2|4,7К|a|place=ящик 10|min=2\r\n8|КД522| |place=Ящик 3\r\n"
                                                      "9|КТ315|npn|place=полка 1|colour=red\r\n"
                                                      "9|КТ361|pnp|place=полка 1\r\nnot a record\r\n"));
    ASSERT_FALSE(inv->undoPlaceRename().refused);
    EXPECT_TRUE(inv->undoPlaceRename().refused); // once
    ASSERT_TRUE(inv->save());
    EXPECT_EQ(f.dir.read("attrs.dat"), original);

    // onto a place in use: one place, said; the undo parts exactly the records it moved
    Outcome merged = inv->renamePlace(T(" ящик 10 "), T("ящик 2"));
    ASSERT_FALSE(merged.refused);
    EXPECT_TRUE(mentions(merged, "объединены, записей в нём: 3"));
    EXPECT_EQ(inv->places(), counts({{"ящик 2", 3}, {"Ящик 3", 1}}));
    ASSERT_FALSE(inv->undoPlaceRename().refused);
    EXPECT_EQ(inv->places(), counts({{"ящик 2", 2}, {"Ящик 3", 1}, {"ящик 10", 1}}));

    // an undo after one of the records got another place changes nothing
    ASSERT_FALSE(inv->renamePlace(T("Ящик 3"), "B").refused);
    ASSERT_FALSE(inv->setAttribute(rec(8, "КД522"), Attribute::Place, "C").refused);
    EXPECT_TRUE(inv->undoPlaceRename().refused);
    EXPECT_EQ(place(*inv, 8, "КД522"), "C");

    // texts that cannot be a place, and places nobody holds
    EXPECT_TRUE(inv->renamePlace(T("ящик 2"), "a\x01" "b").refused);
    EXPECT_TRUE(inv->renamePlace(T("ящик 2"), "   ").refused);
    EXPECT_TRUE(inv->renamePlace(T("ящик 2"), T("ящик 2")).refused);
    EXPECT_TRUE(inv->renamePlace(T("ящик 7"), "D").refused);
    EXPECT_EQ(inv->places(), counts({{"C", 1}, {"ящик 2", 2}, {"ящик 10", 1}}));
}

TEST(Places, NoRenameInReadOnlyModeOrWhenTheFileWasNotReadWhole)
{
    {
        Folder f;
        f.dir.write("attrs.dat", Folder::fields(kPlacesFile));
        Inventory inv(f.dir.datapath(), f.messages);
        ASSERT_EQ(inv.openForCommand(false).result, Inventory::CommandRead::Result::Read);
        ASSERT_TRUE(inv.readOnly());
        const Outcome o = inv.renamePlace(T("ящик 2"), "B");
        EXPECT_TRUE(o.refused);
        EXPECT_TRUE(mentions(o, "только для просмотра"));
        EXPECT_EQ(inv.places(), counts({{"ящик 2", 2}, {"Ящик 3", 1}, {"ящик 10", 1}}));
    }
    {
        Folder f;
        std::string big = Folder::fields(kPlacesFile);
        while (big.size() <= RecordAttributes::kFileLimit)
            big += std::string(4000, 'x') + "\r\n";
        f.dir.write("attrs.dat", big);
        auto inv = f.open();
        const Outcome o = inv->renamePlace(T("ящик 2"), "B");
        EXPECT_TRUE(o.refused);
        EXPECT_TRUE(mentions(o, "не прочитан целиком"));
        ASSERT_TRUE(inv->save());
        EXPECT_EQ(f.dir.read("attrs.dat"), big);
    }
}

TEST(Places, ARenameCutShortByACrashIsReplayedWholeOrNotAtAll)
{
    std::string journal;
    {
        Folder f;
        f.dir.write("attrs.dat", Folder::fields(kPlacesFile));
        auto inv = f.open();
        ASSERT_FALSE(inv->renamePlace(T("ящик 2"), "B").refused);
        journal = f.dir.read("main.jnl"); // ends here as if killed
    }
    const size_t group = journal.find("B\x01places\x01");
    ASSERT_NE(group, std::string::npos);
    for (size_t cut = group; cut <= journal.size(); cut += cut + 5 < journal.size() ? 5 : 1) {
        Folder f;
        f.dir.write("attrs.dat", Folder::fields(kPlacesFile));
        f.dir.write("main.jnl", journal.substr(0, cut));
        auto inv = f.open();
        const bool whole = cut == journal.size();
        EXPECT_EQ(inv->places(), whole ? counts({{"B", 2}, {"Ящик 3", 1}, {"ящик 10", 1}})
                                       : counts({{"ящик 2", 2}, {"Ящик 3", 1}, {"ящик 10", 1}}))
            << cut;
    }
}
