// The inventory's history: notes, the numbers it gives of a record, and the undo of its lines
// through the changing rules.
#include "cp1251text.h"
#include "history.h"
#include "inventory.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

using namespace vosk;
using vosk::test::T;
using vosk::test::text;

namespace {

// Categories: 1-3 resistors, 4-7 capacitors, 8 diodes, 9 transistors.
const char *kCategories = "Все\r\nРез1\r\nРез2\r\nРез3\r\nКонд4\r\nКонд5\r\nКонд6\r\nКонд7\r\nДиоды\r\nТранзисторы\r\n";

struct Folder {
    test::TempFolder dir;
    test::RecordingMessages messages;
    explicit Folder(const char *records)
    {
        dir.write("components.lst", cp1251(kCategories));
        dir.write("strings.dat", cp1251("0\r\n0\r\nK k М м\r\n0\r\n0\r\nпф нф мкф\r\n0\r\n0\r\nКД\r\nКТ\r\n"));
        std::string bytes = cp1251(records);
        for (char &c : bytes)
            if (c == '|')
                c = '\x01';
        dir.write("main.dat", bytes);
    }
};

StockKey key(int category, const char *name, const char *description) { return makeStockKey(category, T(name), T(description)); }

} // namespace

TEST(InventoryHistory, ChangesCarryTheirNoteAndGiveTheRecordsNumbers)
{
    Folder f("8|КД521|5|a\r\n9|КТ315|4|npn\r\n");
    // A record last changed two years ago, from a history as a spreadsheet would keep it.
    f.dir.write("history.dat", historyHeaderLine() + historyLineText({1, 1, "2020-05-01 10:00:00", ChangeSource::Typing,
                                                                      key(9, "КТ315", "npn"), false, 4, 4, "", 0},
                                                                     ""));
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    inv.setChangeNote(T("усилитель\tна КТ315"));
    ASSERT_FALSE(inv.change({8, T("КД521"), T("a"), 2, true}).refused);
    inv.setChangeNote({});
    ASSERT_FALSE(inv.change({8, T("КД521"), T("a"), 1, true}).refused);
    ASSERT_FALSE(inv.change({8, T("КД521"), T("a"), 10, false}).refused);
    ASSERT_FALSE(inv.move({8, T("КД521"), T("a"), 3, false}, 9).refused);

    const std::vector<HistoryLine> lines = inv.recordHistory(key(8, "КД521", "a"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(text(lines[0].note), text("усилитель на КТ315"));
    EXPECT_EQ(lines[0].after, 3u);
    EXPECT_EQ(lines[2].after, 12u);
    EXPECT_EQ(lines[3].source, ChangeSource::Move);
    EXPECT_EQ(lines[3].after, 9u);
    EXPECT_EQ(inv.recordHistory(key(9, "КД521", "a")).size(), 1u); // where the move put them

    // Used: what was taken for use (the move is no use); an undone take is no use either.
    EXPECT_EQ(inv.recordUse(key(8, "КД521", "a")).usedLastYear, 3u);
    ASSERT_FALSE(inv.undoHistory(lines[1].id, false).refused);
    const RecordUse use = inv.recordUse(key(8, "КД521", "a"));
    EXPECT_EQ(use.usedLastYear, 2u);
    EXPECT_EQ(use.lastTaken, lines[0].time);
    EXPECT_EQ(use.lastAdded, lines[2].time);

    // An import is one step, its note the file's name unless one was set.
    f.dir.write("in.csv", "category,name,quantity,description\r\n9,KT1,2,npn\r\n9,KT2,1,\r\n");
    ASSERT_FALSE(inv.import(inv.planImportFile(f.dir.file("in.csv"))).refused);
    const std::vector<HistoryLine> all = inv.readHistory().lines;
    ASSERT_GE(all.size(), 2u);
    EXPECT_EQ(all.back().note, "in.csv");
    EXPECT_EQ(all.back().group, all[all.size() - 2].group);
    EXPECT_EQ(all.back().source, ChangeSource::Import);
    // «Отменить импорт» names the lines it takes back: the history will not take them back twice.
    ASSERT_FALSE(inv.undoImport().refused);
    EXPECT_EQ(inv.readHistory().lines.back().undoes, all.back().id);
    EXPECT_TRUE(inv.undoHistory(all.back().id, true).refused);
    // Nor the other way round: an import taken back in the history is no longer the menu's.
    ASSERT_FALSE(inv.import(inv.planImportFile(f.dir.file("in.csv"))).refused);
    ASSERT_TRUE(inv.canUndoImport());
    ASSERT_FALSE(inv.undoHistory(inv.lastHistoryLine(), true).refused);
    EXPECT_FALSE(inv.canUndoImport());

    // Untouched for a year: the transistor, changed only in 2020, not the diodes changed now.
    const std::vector<StockKey> untouched = inv.untouchedForAYear();
    ASSERT_EQ(untouched.size(), 1u);
    EXPECT_EQ(untouched[0], key(9, "КТ315", "npn"));
}

TEST(InventoryHistory, UndoOfATakingPassRestoresMainDatByteForByte)
{
    Folder f("8|КД521|5|a\r\n8|КД522|3|b\r\n9|КТ315|4|npn\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    ASSERT_TRUE(inv.save());
    const std::string before = f.dir.read("main.dat");
    // Parts of two records taken, neither emptied (an emptied record would come back at the
    // end of main.dat, where an undo adds a record).
    inv.binAdd(8, T("КД521"), "2", "");
    inv.binAdd(8, T("КД522"), "1", "");
    inv.findBin(false);
    ASSERT_TRUE(inv.passStart(false));
    while (inv.passActive() && !inv.passFinished())
        inv.passTake(inv.pass().offer() ? inv.pass().offer()->maximum : 0);
    inv.setChangeNote(T("плата 7"));
    inv.passFinish(true, false);
    ASSERT_TRUE(inv.save());
    ASSERT_NE(f.dir.read("main.dat"), before);

    const uint64_t last = inv.lastHistoryLine();
    Outcome undone = inv.undoHistory(last, true);
    ASSERT_FALSE(undone.refused);
    EXPECT_EQ(text(*undone.status), text("Отменено изменений: 2"));
    ASSERT_TRUE(inv.save());
    EXPECT_EQ(f.dir.read("main.dat"), before);

    // The undo is one step of its own whose lines name the lines they take back; taking them
    // back again is refused.
    const HistoryRead read = inv.readHistory();
    ASSERT_EQ(read.lines.size(), 4u);
    EXPECT_EQ(read.lines[2].source, ChangeSource::Undo);
    EXPECT_EQ(read.lines[2].group, read.lines[3].group);
    EXPECT_NE(read.lines[2].group, read.lines[0].group);
    EXPECT_EQ(read.lines[2].undoes, read.lines[1].id);
    EXPECT_EQ(read.lines[3].undoes, read.lines[0].id);
    EXPECT_EQ(text(read.lines[0].note), text("плата 7"));
    Outcome again = inv.undoHistory(read.lines[0].id, true);
    EXPECT_TRUE(again.refused);
    EXPECT_EQ(text(again.notes.back().text), text("Изменение №2 уже отменено (изменение №3)."));
}

TEST(InventoryHistory, AnUndoGoesThroughTheRules)
{
    Folder f("9|КТ315|4|npn\r\n");
    Inventory inv(f.dir.datapath(), f.messages);
    inv.open();
    ASSERT_FALSE(inv.change({8, T("КД521"), T(""), 5, false}).refused);
    const uint64_t added = inv.lastHistoryLine();
    ASSERT_FALSE(inv.change({8, T("КД521"), T(""), 5, true}).refused);
    const uint64_t taken = inv.lastHistoryLine();
    ASSERT_TRUE(inv.save());
    const std::string saved = f.dir.read("main.dat");

    // The parts the add brought are gone: its undo has nothing to take, and changes nothing.
    Outcome refused = inv.undoHistory(added, false);
    EXPECT_TRUE(refused.refused);
    EXPECT_EQ(text(refused.notes.back().text),
              text("Отменить нельзя: в записи «КД521» (Диоды) сейчас 0 деталей, а отмена должна взять 5. Ничего не изменено."));
    EXPECT_TRUE(inv.undoHistory(999, false).refused);
    ASSERT_TRUE(inv.save());
    EXPECT_EQ(f.dir.read("main.dat"), saved);
    EXPECT_EQ(inv.readHistory().lines.size(), 2u);

    // Taken back in the other order, both go: the record comes back, then leaves again.
    ASSERT_FALSE(inv.undoHistory(taken, false).refused);
    EXPECT_EQ(inv.store().compcount, 2);
    ASSERT_FALSE(inv.undoHistory(added, false).refused);
    EXPECT_EQ(inv.store().compcount, 1);
    ASSERT_TRUE(inv.save());
    EXPECT_EQ(f.dir.read("main.dat"), cp1251("9\x01КТ315\x01" "4\x01npn\r\n"));
}
