// The inventory opened for one command that asks nothing (the command line): what a read
// leaves alone, what a change named whole does, and that it is recorded and saved as the
// window's changes are.
#include "cp1251text.h"
#include "inventory.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace vosk;
using vosk::test::T;
using vosk::test::text;

namespace {

using Result = Inventory::CommandRead::Result;

// Categories 1-3 are resistors, 8 diodes, 9 transistors.
void writeFolder(test::TempFolder &dir, const char *records)
{
    dir.write("components.lst", cp1251("Все\r\nРез1\r\nРез2\r\nРез3\r\nК4\r\nК5\r\nК6\r\nК7\r\nДиоды\r\nТранзисторы\r\n"));
    dir.write("strings.dat", cp1251("0\r\n0\r\nK k М м\r\n0\r\n0\r\nпф нф мкф\r\n0\r\n0\r\nКД\r\nКТ\r\n"));
    std::string bytes = cp1251(records);
    for (char &c : bytes)
        if (c == '|')
            c = '\x01';
    dir.write("main.dat", bytes);
}

bool saidSomething(const test::RecordingMessages &m, const char *utf8)
{
    for (const auto &e : m.entries)
        if (e.text.find(cp1251(utf8)) != std::string::npos)
            return true;
    return false;
}

std::string lastNote(const Outcome &o) { return o.notes.empty() ? std::string() : o.notes.back().text; }

} // namespace

TEST(InventoryCommand, AReadCreatesNothingAndShowsAWaitingJournalInMemoryOnly)
{
    test::TempFolder empty;
    {
        test::RecordingMessages m;
        Inventory read(empty.datapath(), m);
        EXPECT_EQ(read.openForCommand(false).result, Result::NoFiles);
        Inventory write(empty.datapath(), m);
        EXPECT_EQ(write.openForCommand(true).result, Result::NoFiles);
    }
    EXPECT_TRUE(std::filesystem::is_empty(empty.datapath())); // no data file, no lock left behind

    test::TempFolder dir;
    writeFolder(dir, "9|КТ315|3|npn\r\n");
    const std::string mainBefore = dir.read("main.dat");
    {
        // A change recorded but never saved, as a program killed before closing leaves it.
        test::RecordingMessages m;
        Inventory inv(dir.datapath(), m);
        ASSERT_EQ(inv.openForCommand(true).result, Result::Read);
        EXPECT_FALSE(inv.changeNamed({9, T("КТ315"), T("npn"), 4, false}, true, false).refused);
        EXPECT_FALSE(inv.setAttribute(makeStockKey(9, T("КТ315"), T("npn")), Attribute::Place, T("ящик 3")).refused);
    }
    const std::string journal = dir.read("main.jnl");
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(dir.read("main.dat"), mainBefore);

    test::RecordingMessages m;
    Inventory reader(dir.datapath(), m);
    const Inventory::CommandRead read = reader.openForCommand(false);
    ASSERT_EQ(read.result, Result::Read);
    EXPECT_TRUE(read.waiting.present);
    EXPECT_EQ(read.waiting.applied, 2);
    EXPECT_EQ(reader.store().quantity[1], 7);
    EXPECT_EQ(reader.attributesOf(makeStockKey(9, T("КТ315"), T("npn")))[Attribute::Place], T("ящик 3"));
    EXPECT_FALSE(std::filesystem::exists(dir.file("attrs.dat")));
    EXPECT_TRUE(reader.readOnly());
    EXPECT_TRUE(reader.changeNamed({9, T("КТ315"), T("npn"), 1, false}, true, false).refused);
    EXPECT_TRUE(reader.save());
    EXPECT_EQ(dir.read("main.dat"), mainBefore);
    EXPECT_EQ(dir.read("main.jnl"), journal);

    // Writing now would put those changes under a stock they were not made on.
    Inventory writer(dir.datapath(), m);
    EXPECT_EQ(writer.openForCommand(true).result, Result::Refused);
    EXPECT_TRUE(saidSomething(m, "журнал main.jnl"));
    EXPECT_EQ(dir.read("main.jnl"), journal);

    // A data file that cannot be read is named, and nothing is loaded.
    test::TempFolder broken;
    writeFolder(broken, "");
    std::filesystem::remove(broken.file("strings.dat"));
    std::filesystem::create_directory(broken.file("strings.dat"));
    Inventory unreadable(broken.datapath(), m);
    const Inventory::CommandRead failed = unreadable.openForCommand(false);
    EXPECT_EQ(failed.result, Result::Unreadable);
    ASSERT_EQ(failed.files.size(), 3u);
    EXPECT_NE(failed.files[1].failure.find("strings.dat"), std::string::npos);
}

TEST(InventoryCommand, AChangeNamedWholeAsksNothingAndIsSavedAsTheWindowsChanges)
{
    test::TempFolder dir;
    writeFolder(dir, "2|4,7К|5|МЛТ\r\n8|КД522|3|a\r\n8|КД522|4|b\r\n9|КТ315|2| \r\n");
    test::RecordingMessages m;
    Inventory inv(dir.datapath(), m);
    ASSERT_EQ(inv.openForCommand(true).result, Result::Read);
    const std::string before = dir.read("main.dat");

    // A spelling the stock does not use is refused, naming the one it uses.
    Outcome o = inv.changeNamed({2, T("4k7"), T("МЛТ"), 1, false}, true, false);
    EXPECT_TRUE(o.refused);
    EXPECT_NE(lastNote(o).find(cp1251("Может быть, «4,7К»?")), std::string::npos) << utf8From1251(lastNote(o));

    // Without a description a take needs the only record of that name.
    o = inv.changeNamed({8, T("КД522"), "", 1, true}, false, false);
    EXPECT_TRUE(o.refused);
    EXPECT_NE(lastNote(o).find(cp1251("укажите описание")), std::string::npos);
    EXPECT_NE(lastNote(o).find("a (3)"), std::string::npos);
    EXPECT_NE(lastNote(o).find("b (4)"), std::string::npos);
    o = inv.changeNamed({9, T("КТ315"), "", 1, true}, false, false);
    EXPECT_FALSE(o.refused);
    EXPECT_EQ(text(*o.status), text("КТ315: -1; на складе 13 деталей")); // the blank description is not shown

    // A take is all or nothing unless partial.
    o = inv.changeNamed({8, T("КД522"), "b", 9, true}, true, false);
    EXPECT_TRUE(o.refused);
    EXPECT_NE(lastNote(o).find(cp1251("Не хватает 5 детали")), std::string::npos);
    EXPECT_EQ(inv.store().quantity[3], 4);
    o = inv.changeNamed({8, T("КД522"), "b", 9, true}, true, true);
    EXPECT_FALSE(o.refused);
    EXPECT_NE(o.notes.front().text.find(cp1251("забираю 4")), std::string::npos);
    EXPECT_EQ(inv.lastMoved(), 4u);
    o = inv.changeNamed({8, T("КД000"), "", 1, true}, true, false);
    EXPECT_TRUE(o.refused);
    EXPECT_NE(lastNote(o).find(cp1251("Нет такой детали: КД000")), std::string::npos);

    // An add in any spelling the name rules accept merges with its record.
    o = inv.changeNamed({2, T("4,7k"), T("МЛТ"), 2, false}, true, false);
    EXPECT_FALSE(o.refused);
    EXPECT_EQ(text(*o.status), text("4,7К МЛТ: +2; на складе 11 деталей"));

    // Every change is in the journal until the save, which empties it.
    EXPECT_EQ(dir.read("main.dat"), before);
    EXPECT_FALSE(dir.read("main.jnl").empty());
    ASSERT_TRUE(inv.save());
    EXPECT_FALSE(dir.exists("main.jnl"));
    std::string expected = cp1251("2|4,7К|7|МЛТ\r\n8|КД522|3|a\r\n9|КТ315|1| \r\n");
    for (char &c : expected)
        if (c == '|')
            c = '\x01';
    EXPECT_EQ(text(dir.read("main.dat")), text(expected));

    // A save that fails, given up: no journal is left for the program to replay later.
    ASSERT_FALSE(inv.changeNamed({9, T("КТ315"), "", 1, false}, true, false).refused);
    EXPECT_TRUE(dir.exists("main.jnl"));
    std::filesystem::remove(dir.file("main.dat"));
    std::filesystem::create_directory(dir.file("main.dat"));
    std::string failure;
    EXPECT_FALSE(inv.trySave(failure));
    EXPECT_NE(failure.find("main.dat"), std::string::npos);
    inv.discardChanges();
    EXPECT_FALSE(dir.exists("main.jnl"));
}
