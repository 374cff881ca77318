#include "reffixture.h"

#include <gtest/gtest.h>
#include <regex>

using namespace vosk;
using namespace vosk::test;

namespace {

std::vector<std::string> keysOf(const RefTable &table, int from)
{
    std::vector<std::string> keys;
    for (int i = from; i < table.count(); ++i)
        if (auto k = linekey(table.line(i)))
            keys.emplace_back(*k);
    return keys;
}

int fieldCount(const std::string &line)
{
    return static_cast<int>(std::count(line.begin(), line.end(), fieldsep));
}

} // namespace

TEST(RefTables, LineCountsTitlesAndFillers)
{
    const RefTables t = embeddedTables();
    EXPECT_EQ(t.marking.count(), 173);
    EXPECT_EQ(t.params.count(), 133);
    EXPECT_EQ(t.params2.count(), 143);
    EXPECT_EQ(t.marking.line(0), cp1251("Тип диода"));
    EXPECT_EQ(t.marking.line(2), cp1251("Метка у анода  (+)") + std::string(34, ' '));
    EXPECT_EQ(t.marking.line(4), cp1251("Рис.") + std::string(29, ' '));
    EXPECT_EQ(t.params.line(1), "U" + cp1251("обр (имп) В") + "    ");
    EXPECT_EQ(t.params.line(2), "I " + cp1251("пр") + " max (" + cp1251("имп") + ") " + cp1251("А"));
    EXPECT_EQ(t.params.line(5), cp1251("рис.") + std::string(8, ' '));
    EXPECT_EQ(t.params2.line(1), "U" + cp1251("ст, В мин."));
    EXPECT_EQ(t.params2.line(4), cp1251("при ") + "I" + cp1251("ст, мА")); // Cyrillic с here
    EXPECT_EQ(t.params2.line(5), "Ic" + cp1251("т, мА мин."));   // Latin c
    EXPECT_EQ(t.params2.line(8), "R" + cp1251("ст 0м"));
    EXPECT_EQ(t.params.line(132), " ");
    EXPECT_FALSE(linekey(t.params.line(132)));
}

TEST(RefTables, RecordsHaveTheirFieldCountsAndQuotedRecordsStandWhole)
{
    const RefTables t = embeddedTables();
    const int expected[4] = {0, 5, 6, 12};
    for (int table = 1; table <= 3; ++table) {
        const RefTable &tab = t.table(table);
        for (int i = RefTables::firstRecord[table]; i < tab.count(); ++i) {
            const std::string &line = tab.line(i);
            if (!linekey(line))
                continue;
            ASSERT_EQ(line.back(), '@') << "table " << table << " line " << i;
            const std::string key(*linekey(line));
            int want = expected[table];
            if (table == 1 && key == cp1251("КС191Ж"))
                want = 4;
            if (table == 3 && key == cp1251("КС191М"))
                want = 11;
            EXPECT_EQ(fieldCount(line), want) << "table " << table << " line " << i;
        }
    }
    EXPECT_EQ(t.marking.line(5), cp1251("Д9Б@-@красное кольцо@-@1@"));
    EXPECT_EQ(t.marking.line(83), cp1251("Д814А1@-@-@чёрное широкое кольцо@26@"));
    EXPECT_EQ(t.params.line(6), cp1251("Д9Б@10@90 мА@250@100@3@"));
    EXPECT_EQ(t.params2.line(12), cp1251("Д814А1@7@8.0@8,5@5@3@40@0,34@6@5@+0,07@27.1@"));
    const auto has = [](const RefTable &tab, const std::string &line) {
        for (int i = 0; i < tab.count(); ++i)
            if (tab.line(i) == line)
                return true;
        return false;
    };
    EXPECT_TRUE(has(t.marking, cp1251("КС191Ж@голубая метка на торце корпуса со стороны катода@красное кольцо@38@")));
    EXPECT_TRUE(has(t.marking, cp1251("КС126К@-@фиолетовое широкое + зелёное@узкое + белое узкое кольца@32@")));
    EXPECT_TRUE(has(t.params, cp1251("КД208А@100@1,0@100@1@6,12@")));
    EXPECT_TRUE(has(t.params2, cp1251("КС191М@8.65@9.1@9.555@10@15@0.15@18@10@±0.005@27@")));
    EXPECT_TRUE(has(t.params2, cp1251("КС147А@4,23@4.7@5,17@10@3@58@0,3@56@10@-0,09@27.Э@")));
}

TEST(RefTables, KeysStandInTheirOrderWithTheirOddLetters)
{
    const RefTables t = embeddedTables();
    const auto k1 = keysOf(t.marking, 5), k2 = keysOf(t.params, 6), k3 = keysOf(t.params2, 12);
    ASSERT_EQ(k1.size(), 168u);
    ASSERT_EQ(k2.size(), 126u);
    ASSERT_EQ(k3.size(), 131u);
    EXPECT_EQ(k1.front(), cp1251("Д9Б"));
    EXPECT_EQ(k1.back(), cp1251("КС527А"));
    EXPECT_EQ(k1[69], "1N4148");
    EXPECT_EQ(k1[70], cp1251("КД906"));
    EXPECT_EQ(k1[94], " " + cp1251("2С107А"));
    EXPECT_NE(std::find(k1.begin(), k1.end(), cp1251("КС 156А")), k1.end());
    EXPECT_NE(std::find(k1.begin(), k1.end(), cp1251("К") + "C" + cp1251("508В")), k1.end()); // Latin C
    EXPECT_EQ(std::find(k1.begin(), k1.end(), cp1251("КС508В")), k1.end());
    EXPECT_NE(std::find(k3.begin(), k3.end(), cp1251("КС 168В")), k3.end());
    EXPECT_EQ(std::count(k1.begin(), k1.end(), cp1251("КД208А")), 2);
    EXPECT_EQ(std::count(k2.begin(), k2.end(), cp1251("КД503А")), 2);
    EXPECT_EQ(k2.back(), cp1251("КЦ422Г"));
    EXPECT_EQ(k3.back(), cp1251("КС980А"));
    // The two КД503А records of table 2 are identical.
    std::vector<std::string> kd503;
    for (int i = 6; i < t.params.count(); ++i)
        if (linekey(t.params.line(i)) == std::optional<std::string_view>(cp1251("КД503А")))
            kd503.push_back(t.params.line(i));
    ASSERT_EQ(kd503.size(), 2u);
    EXPECT_EQ(kd503[0], kd503[1]);
}

TEST(RefTables, EveryDrawingNumberNamesAFrameOfItsSet)
{
    const RefTables t = embeddedTables();
    const CommittedFrames frames;
    ASSERT_EQ(frames.marking.count(), 47);
    ASSERT_EQ(frames.packages.count(), 32);
    Fields f;
    for (int table = 1; table <= 3; ++table) {
        const RefTable &tab = t.table(table);
        for (int i = RefTables::firstRecord[table]; i < tab.count(); ++i) {
            if (!linekey(tab.line(i)))
                continue;
            const int n = splitrecord(tab.line(i), f);
            const std::string number = table == 1 ? f.slot[n] : cutpicnumber(f.slot[n]);
            ASSERT_TRUE(std::regex_match(number, std::regex("[0-9]+"))) << table << ":" << i;
            const int value = std::stoi(number);
            EXPECT_GE(value, 1);
            EXPECT_LE(value, table == 1 ? 47 : table == 2 ? 26 : 32) << table << ":" << i;
        }
    }
}

TEST(RefReading, SplitrecordLinekeyAndCutpicnumber)
{
    Fields f;
    EXPECT_EQ(splitrecord(cp1251("Д9Б@-@красное кольцо@-@1@"), f), 5);
    EXPECT_EQ(f.slot[3], cp1251("красное кольцо"));
    EXPECT_EQ(f.slot[5], "1");
    f.slot[5] = "stale";
    EXPECT_EQ(splitrecord(cp1251("КС191Ж@голубая метка на торце корпуса со стороны катода@красное кольцо@38@"), f), 4);
    EXPECT_EQ(f.slot[4], "38");
    EXPECT_EQ(f.slot[5], "stale"); // slots past the count keep older texts
    EXPECT_EQ(splitrecord(cp1251("КС126К@-@фиолетовое широкое + зелёное@узкое + белое узкое кольца@32@"), f), 5);
    EXPECT_EQ(f.slot[4], cp1251("узкое + белое узкое кольца"));
    EXPECT_EQ(splitrecord("a@@b@", f), 3);
    EXPECT_EQ(f.slot[2], "");
    EXPECT_EQ(splitrecord("", f), 0);

    EXPECT_EQ(cutpicnumber("27.1"), "27");
    EXPECT_EQ(cutpicnumber("6,12"), "6");
    EXPECT_EQ(cutpicnumber(cp1251("27.Э")), "27");
    EXPECT_EQ(cutpicnumber("31.28"), "31");
    EXPECT_EQ(cutpicnumber("11"), "11");
    EXPECT_EQ(cutpicnumber(",5"), "");

    EXPECT_FALSE(linekey(""));
    EXPECT_FALSE(linekey(" "));
    EXPECT_EQ(linekey(cp1251("КС 168В@1@")), cp1251("КС 168В"));
    EXPECT_EQ(linekey("  "), "  ");
}

TEST(RefTables, ColumnWidthsAfterCreationAndTheTypeList)
{
    const RefTables t = embeddedTables();
    EXPECT_EQ(t.colwidth[3][9], 30);
    EXPECT_EQ(t.colwidth[1][5], 45);
    EXPECT_EQ(t.colwidth[2][1], 55);
    EXPECT_EQ(t.colwidth[1][6], 0);
    const auto types = allTypes(t);
    ASSERT_EQ(types.size(), 298u);
    EXPECT_EQ(types[0], cp1251("Д9Б"));
    EXPECT_EQ(types[1], cp1251("Д9В"));
    EXPECT_EQ(std::count(types.begin(), types.end(), cp1251("КД208А")), 2);
    EXPECT_EQ(std::count(types.begin(), types.end(), cp1251("КД906А")), 1);
}
