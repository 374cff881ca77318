#include "binfixture.h"

#include <gtest/gtest.h>

using namespace vosk;
using vosk::test::BinBench;
using vosk::test::T;

TEST(BinRows, NewRowShowsTheRingAndItsNeedAsShortage)
{
    BinBench b;
    b.row(1, "10К", 5, "МЛТ");
    const BinRow &r = b.bin[0];
    EXPECT_EQ(statusPicture(r.status), 3);
    EXPECT_EQ(r.category, 1);
    EXPECT_EQ(r.caption, T("Резисторы"));
    EXPECT_EQ(r.name, T("10К"));
    EXPECT_EQ(r.description, T("МЛТ"));
    EXPECT_EQ(r.needed, "5");
    EXPECT_EQ(r.shortage, "5");
    EXPECT_EQ(r.found, "");

    EXPECT_EQ(statusPicture(BinStatus::Green), 0);
    EXPECT_EQ(statusPicture(BinStatus::Yellow), 1);
    EXPECT_EQ(statusPicture(BinStatus::Red), 2);

    // The shortage is counted only when more are needed than there are.
    EXPECT_EQ(addbinrow(BinStatus::Green, 1, b.cats, "x", "5", "", 5, "1").shortage, "0");
    EXPECT_EQ(addbinrow(BinStatus::Green, 1, b.cats, "x", "5", "", 9, "1").shortage, "0");
    EXPECT_EQ(addbinrow(BinStatus::Yellow, 1, b.cats, "x", "99999999", "", 1, "1").shortage, "99999998");
}

TEST(BinRows, IndexNamingNoCategoryGivesNoCaptionAndNoCategory)
{
    BinBench b;
    for (int index : {-1, 10, 255, 65535}) {
        const BinRow r = addbinrow(BinStatus::Ready, index, b.cats, "x", "1", "", 0, "");
        EXPECT_EQ(r.caption, "") << index;
        EXPECT_EQ(r.category, -1) << index;
    }
    // A long category list: index 300 is category 300, not 300 mod 256; and -1 is not 255.
    std::vector<std::string> many;
    for (int i = 0; i < 301; ++i)
        many.push_back("cat" + std::to_string(i));
    EXPECT_EQ(addbinrow(BinStatus::Ready, 300, many, "x", "1", "", 0, "").caption, "cat300");
    EXPECT_EQ(addbinrow(BinStatus::Ready, 300, many, "x", "1", "", 0, "").category, 300);
    EXPECT_EQ(addbinrow(BinStatus::Ready, -1, many, "x", "1", "", 0, "").caption, "");
}

TEST(BinRows, CaptionLookupIgnoresLetterCaseInCodePage1251)
{
    std::vector<std::string> cats = {T("Разное"), T("Резисторы"), T("Ёмкости"), "SMD", T("Резисторы")};
    EXPECT_EQ(captionCategory(T("Резисторы"), cats), 1);
    EXPECT_EQ(captionCategory(T("РЕЗИСТОРЫ"), cats), 1); // the first of the two equal names
    EXPECT_EQ(captionCategory(T("резисторы"), cats), 1);
    EXPECT_EQ(captionCategory(T("ёмкости"), cats), 2);
    EXPECT_EQ(captionCategory(T("ЁМКОСТИ"), cats), 2);
    EXPECT_EQ(captionCategory("smd", cats), 3);
    EXPECT_EQ(captionCategory(T("емкости"), cats), -1); // е is not ё
    EXPECT_EQ(captionCategory(T("ЅМD"), cats), -1);     // Cyrillic look-alikes are other letters
    EXPECT_EQ(captionCategory(T("Резистор"), cats), -1);
    EXPECT_EQ(captionCategory("", cats), -1);
    EXPECT_EQ(captionCategory(T("Разное"), {}), -1);

    EXPECT_TRUE(sameTextIgnoringCase(T("ЇЄІЎҐЂЃЉЊЌЋЏЈЅ"), T("їєіўґђѓљњќћџјѕ")));
    EXPECT_FALSE(sameTextIgnoringCase(T("А"), "A"));
    EXPECT_FALSE(sameTextIgnoringCase(T("Я"), T("Ю")));
    EXPECT_FALSE(sameTextIgnoringCase("@", "`")); // only letters fold
    EXPECT_FALSE(sameTextIgnoringCase("ab", "abc"));
}

TEST(BinFind, EmptyBinEmptiesTheList)
{
    BinBench b;
    b.rec(1, "10К", 2, "");
    const BinFind f = findbin(b.store, b.cats, {}, true);
    EXPECT_TRUE(f.rows.empty());
    EXPECT_TRUE(f.list.empty());
    EXPECT_TRUE(f.listCategories.empty());
    EXPECT_TRUE(f.counts.empty());
}

TEST(BinFind, ThreeRecordsCountAsFoundAndTheirPartsAsTotal)
{
    BinBench b;
    b.rec(1, "10К", 2, "МЛТ");
    b.rec(2, "10К", 7, "");     // another category
    b.rec(1, "1К", 4, "");      // another name
    b.rec(1, "10К", 1, "С2-23");
    b.rec(1, "10К", 3, " ");
    b.row(1, "10К", 5);
    b.row(1, "10К", 8);
    b.runFind(true);

    ASSERT_EQ(b.find.rows.size(), 2u);
    const BinRow &enough = b.find.rows[0];
    EXPECT_EQ(enough.status, BinStatus::Green);
    EXPECT_EQ(statusPicture(enough.status), 0);
    EXPECT_EQ(enough.found, "3");
    EXPECT_EQ(enough.shortage, "0");
    EXPECT_EQ(enough.needed, "5");
    EXPECT_EQ(enough.caption, T("Резисторы"));
    EXPECT_EQ(enough.category, 1);
    const BinRow &few = b.find.rows[1];
    EXPECT_EQ(few.status, BinStatus::Yellow);
    EXPECT_EQ(few.found, "3");
    EXPECT_EQ(few.shortage, "2");

    // Each row's records in store order, row after row.
    const std::vector<ListRow> three = {{1, T("10К"), "2", T("МЛТ")}, {1, T("10К"), "1", T("С2-23")}, {1, T("10К"), "3", " "}};
    std::vector<ListRow> expected = three;
    expected.insert(expected.end(), three.begin(), three.end());
    EXPECT_EQ(b.find.list, expected);
    EXPECT_EQ(b.find.listCategories, std::vector<int>(6, 1));
    EXPECT_EQ(b.find.counts, (std::vector<int>{3, 3}));
    EXPECT_EQ(b.find.lastCount, 3u);
    EXPECT_EQ(b.find.lastTotal, 6u);
    EXPECT_EQ(listSummary(b.find.lastCount, b.find.lastTotal), T("В списке наименований: 3 деталей 6"));

    // A second find of refreshed rows gives the same rows again.
    const BinFind again = findbin(b.store, b.cats, b.bin, true);
    EXPECT_EQ(again.rows, b.find.rows);
}

TEST(BinFind, NothingInStockIsRed)
{
    BinBench b;
    b.rec(8, "КТ315", 0, "npn"); // a record holding nothing, as main.dat may have it
    b.row(8, "КД522", 1);
    b.row(8, "КТ315", 1);
    b.runFind();
    EXPECT_EQ(b.bin[0].status, BinStatus::Red);
    EXPECT_EQ(statusPicture(b.bin[0].status), 2);
    EXPECT_EQ(b.bin[0].shortage, "1");
    EXPECT_EQ(b.bin[0].found, "0");
    // A matching record that holds nothing: found, but red all the same.
    EXPECT_EQ(b.bin[1].status, BinStatus::Red);
    EXPECT_EQ(b.bin[1].found, "1");
    EXPECT_EQ(b.bin[1].shortage, "1");
    EXPECT_EQ(b.find.counts, (std::vector<int>{0, 1}));
    EXPECT_EQ(b.find.list.size(), 1u);
    EXPECT_EQ(b.find.lastTotal, 0u);

    // Red wins even over a need that nothing would cover.
    b.bin = {addbinrow(BinStatus::Ready, 8, b.cats, T("КД522"), "0", "", 0, "")};
    b.runFind();
    EXPECT_EQ(b.bin[0].status, BinStatus::Red);
    EXPECT_EQ(b.bin[0].shortage, "0");
}

TEST(BinFind, ExactFindComparesWholeNamesAndPartialFindLooksInside)
{
    BinBench b;
    b.rec(8, "КТ315", 4, "npn");
    b.rec(8, "КТ3102", 2, "npn");
    b.rec(8, "КТ361", 9, "pnp");
    b.row(8, "31", 1);
    b.row(8, "КТ315", 1);

    b.runFind(false);
    EXPECT_EQ(b.bin[0].found, "2");
    EXPECT_EQ(b.bin[0].status, BinStatus::Green);
    EXPECT_EQ(b.find.list[0].name, T("КТ315"));
    EXPECT_EQ(b.find.list[1].name, T("КТ3102"));
    EXPECT_EQ(b.bin[1].found, "1");

    b.runFind(true);
    EXPECT_EQ(b.bin[0].found, "0");
    EXPECT_EQ(b.bin[0].status, BinStatus::Red);
    EXPECT_EQ(b.bin[1].found, "1");
    EXPECT_EQ(b.find.list.size(), 1u);
    EXPECT_EQ(b.find.lastCount, 1u);
    EXPECT_EQ(b.find.lastTotal, 4u);

    // Names compare case-sensitively: к and k are not К.
    b.bin.clear();
    b.row(8, "кт315", 1);
    b.row(8, "KT315", 1);
    b.runFind(false);
    EXPECT_EQ(b.bin[0].found, "0");
    EXPECT_EQ(b.bin[1].found, "0");
}

TEST(BinFind, DescriptionIsAConditionOnlyWhenGiven)
{
    BinBench b;
    b.rec(8, "КТ315", 4, "npn");
    b.rec(8, "КТ315", 2, "npn ТО-92");
    b.rec(8, "КТ315", 1, "NPN");
    b.rec(8, "КТ315", 3, " ");
    b.row(8, "КТ315", 1);
    b.row(8, "КТ315", 1, "npn");

    b.runFind(true);
    EXPECT_EQ(b.bin[0].found, "4");
    EXPECT_EQ(b.find.lastTotal, 4u);
    EXPECT_EQ(b.bin[1].found, "1");
    EXPECT_EQ(b.find.list[4].description, "npn");

    b.runFind(false);
    EXPECT_EQ(b.bin[0].found, "4");
    EXPECT_EQ(b.bin[1].found, "2");
    EXPECT_EQ(b.find.lastTotal, 6u);
    EXPECT_EQ(b.find.list[5].description, T("npn ТО-92"));
}

TEST(BinFind, RowWithoutCategoryMatchesEveryCategoryAndCategoryZeroOnlyItself)
{
    BinBench b;
    b.rec(0, "КТ315", 1, "");
    b.rec(8, "КТ315", 2, "");
    b.rec(9, "КТ315", 4, "");
    b.row(-1, "КТ315", 1);
    b.row(0, "КТ315", 1);
    b.runFind();
    EXPECT_EQ(b.bin[0].caption, "");
    EXPECT_EQ(b.bin[0].category, -1);
    EXPECT_EQ(b.bin[0].found, "3");
    EXPECT_EQ(b.find.listCategories, (std::vector<int>{0, 8, 9, 0}));
    EXPECT_EQ(b.bin[1].found, "1");
    EXPECT_EQ(b.bin[1].caption, T("Разное"));
    EXPECT_EQ(b.find.lastTotal, 1u);
}

TEST(BinFind, RecordMatchingTwoRowsIsListedForEach)
{
    BinBench b;
    b.rec(8, "КТ315", 5, "npn");
    b.rec(8, "КТ361", 5, "pnp");
    b.row(8, "КТ315", 2);
    b.row(8, "КТ361", 1);
    b.row(8, "КТ315", 4, "npn");
    b.runFind();
    EXPECT_EQ(b.find.counts, (std::vector<int>{1, 1, 1}));
    ASSERT_EQ(b.find.list.size(), 3u);
    EXPECT_EQ(b.find.list[0], b.find.list[2]);
    EXPECT_EQ(b.find.list[0], (ListRow{8, T("КТ315"), "5", "npn"}));
    EXPECT_EQ(b.bin[0].status, BinStatus::Green);
    EXPECT_EQ(b.bin[2].status, BinStatus::Green); // each row sees the whole record
}

TEST(BinFind, RowKeepsItsOwnCategoryWhereCaptionsMislead)
{
    // Two categories with the same name but for letter case, and one past 255.
    std::vector<std::string> cats;
    for (int i = 0; i < 301; ++i)
        cats.push_back("c" + std::to_string(i));
    cats[3] = T("Разное");
    cats[5] = T("РАЗНОЕ");
    CompStore store;
    store.append(3, "x", 1, " ");
    store.append(5, "x", 2, " ");
    store.append(44, "x", 4, " ");  // 300 in 8 bits
    store.append(300, "x", 8, " ");

    std::vector<BinRow> bin = {addbinrow(BinStatus::Ready, 5, cats, "x", "1", "", 0, ""),
                               addbinrow(BinStatus::Ready, 300, cats, "x", "1", "", 0, "")};
    BinFind f = findbin(store, cats, bin, true);
    EXPECT_EQ(f.rows[0].category, 5);
    EXPECT_EQ(f.rows[0].caption, T("РАЗНОЕ"));
    EXPECT_EQ(f.list[0].quantity, "2");
    EXPECT_EQ(f.rows[1].category, 300);
    EXPECT_EQ(f.rows[1].caption, "c300");
    ASSERT_EQ(f.list.size(), 2u);
    EXPECT_EQ(f.list[1], (ListRow{300, "x", "8", " "})); // the whole category, not its low 8 bits
    EXPECT_EQ(f.listCategories, (std::vector<int>{5, 300}));

    // A row built from texts only falls back to its caption.
    BinRow typed = bin[0];
    typed.category = -1;
    typed.caption = T("разное");
    f = findbin(store, cats, {typed}, true);
    EXPECT_EQ(f.rows[0].category, 3);
    EXPECT_EQ(f.list[0].quantity, "1");
    EXPECT_EQ(rowCategory(typed, cats), 3);
    typed.caption = "";
    EXPECT_EQ(rowCategory(typed, cats), -1);
}

TEST(BinFind, NeededTextReadsAsANumber)
{
    EXPECT_EQ(binNumber("5"), 5);
    EXPECT_EQ(binNumber("99999999"), 99999999);
    EXPECT_EQ(binNumber("-3"), -3);
    EXPECT_EQ(binNumber("+3"), 3);
    EXPECT_EQ(binNumber(""), 0);
    EXPECT_EQ(binNumber("5a"), 0);
    EXPECT_EQ(binNumber("-"), 0);
    EXPECT_GT(binNumber("99999999999999999999999"), 99999999);
}
