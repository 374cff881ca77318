// Ordering the inventory list by a column: hand-worked cases.
#include "cp1251.h"
#include "listsort.h"
#include "literalsort.h"

#include <gtest/gtest.h>

using namespace vosk;
using vosk::test::literalSortlist;

namespace {

ListRow row(int icon, const char *utf8Name, const char *quantity = "1", const char *utf8Description = " ")
{
    return ListRow{static_cast<std::uint8_t>(icon), cp1251(utf8Name), quantity, cp1251(utf8Description)};
}

std::vector<std::string> names(const std::vector<ListRow> &rows)
{
    std::vector<std::string> out;
    for (const ListRow &r : rows)
        out.push_back(utf8From1251(r.name));
    return out;
}

std::vector<std::string> quantities(const std::vector<ListRow> &rows)
{
    std::vector<std::string> out;
    for (const ListRow &r : rows)
        out.push_back(r.quantity);
    return out;
}

using Texts = std::vector<std::string>;

// sortlist, and the plain exchange the same rows get in the test transcription: both must
// agree with each other before the case's own expectation is looked at.
SortResult sortBoth(std::vector<ListRow> &rows, int key)
{
    std::vector<ListRow> literal = rows;
    const SortResult expected = literalSortlist(literal, key);
    const SortResult got = sortlist(rows, key);
    EXPECT_EQ(rows, literal) << "key " << key;
    EXPECT_EQ(got, expected) << "key " << key;
    return got;
}

} // namespace

TEST(SortList, NamesOfOneValueCategoryOrderByValue)
{
    std::vector<ListRow> rows = {row(3, "1М"), row(3, "10К"), row(3, "4,7К")};
    EXPECT_FALSE(sortBoth(rows, 1).stopped);
    EXPECT_EQ(names(rows), (Texts{"4,7К", "10К", "1М"}));

    // Capacitors; equal values of different texts keep their order; an unknown unit is 0.
    rows = {row(5, "1мкф"), row(5, "100нф"), row(5, "1000нф"), row(5, "0,1мкф"), row(5, "220пф"), row(5, "4K7"),
            row(5, "100000пф")};
    sortBoth(rows, 1);
    EXPECT_EQ(names(rows), (Texts{"4K7", "220пф", "100нф", "100000пф", "0,1мкф", "1мкф", "1000нф"}));

    // A second sort changes nothing.
    const auto once = rows;
    sortBoth(rows, 1);
    EXPECT_EQ(rows, once);
}

TEST(SortList, OtherNamesOrderByTheirBytes)
{
    // Category 8 has no value scale: «10К» before «4,7К» by text. Bytes count unsigned
    // (Cyrillic after Latin), a prefix first, case matters.
    std::vector<ListRow> rows = {row(8, "4,7К"), row(8, "КТ315"), row(8, "10К"), row(8, "КТ3"), row(8, "kt315"),
                                 row(8, "КТ"), row(8, ""), row(8, "Kt")};
    sortBoth(rows, 1);
    EXPECT_EQ(names(rows), (Texts{"", "10К", "4,7К", "Kt", "kt315", "КТ", "КТ3", "КТ315"}));

    // One row per value category: never compared by value, so text order throughout, and
    // a name that cannot be read is never read.
    rows = {row(2, "4,7К"), row(5, "1,2,3нф"), row(3, "10К"), row(0, "1М")};
    EXPECT_FALSE(sortBoth(rows, 1).stopped);
    EXPECT_EQ(names(rows), (Texts{"1,2,3нф", "10К", "1М", "4,7К"}));
}

TEST(SortList, MixedListsFollowTheExchangeNotAnyOneOrder)
{
    // «2К» and «10К» compare by value, each of them with «15» by text: no order holds all
    // three. The exchange: «2К» > «15» by text, exchanged; «2К» < «10К» by value; then
    // «15» < «2К» by text. Sorting by text would give «10К», «15», «2К».
    std::vector<ListRow> rows = {row(2, "2К"), row(0, "15"), row(2, "10К")};
    sortBoth(rows, 1);
    EXPECT_EQ(names(rows), (Texts{"15", "2К", "10К"}));

    // A second sort of a mixed list may move rows again; whatever it does is the exchange's.
    rows = {row(2, "2К"), row(2, "1М"), row(0, "15"), row(2, "10К"), row(0, "3"), row(2, "100е"), row(9, "1")};
    for (int k = 0; k < 3; ++k)
        sortBoth(rows, 1);
}

TEST(SortList, QuantitiesDescriptionsAndIcons)
{
    std::vector<ListRow> rows = {row(1, "a", "10"), row(1, "b", "9"), row(1, "c", "100"), row(1, "d", "09"),
                                 row(1, "e", "0")};
    sortBoth(rows, 2);
    EXPECT_EQ(quantities(rows), (Texts{"0", "9", "09", "10", "100"})); // numeric; 9 and 09 stay in order

    rows = {row(0, "a", "1", "я"), row(0, "b", "1", "z"), row(0, "c", "1", "Б"), row(0, "d", "1", " "),
            row(0, "e", "1", "zz"), row(0, "f", "1", "Z")};
    sortBoth(rows, 3);
    EXPECT_EQ(names(rows), (Texts{"d", "f", "b", "e", "c", "a"}));

    rows = {row(12, "a"), row(0, "b"), row(255, "c"), row(3, "d"), row(0, "e"), row(12, "f")};
    sortBoth(rows, 0);
    EXPECT_EQ(names(rows), (Texts{"b", "e", "d", "a", "f", "c"}));
}

TEST(SortList, ShortListsAndUnknownKeysAreLeftAlone)
{
    std::vector<ListRow> empty;
    for (int key = 0; key < 4; ++key) {
        EXPECT_EQ(sortlist(empty, key), SortResult{});
        EXPECT_TRUE(empty.empty());
    }
    // One row, even one whose name cannot be read.
    std::vector<ListRow> one = {row(2, "1,2,3К", "5", "x")};
    const auto before = one;
    for (int key = 0; key < 4; ++key) {
        EXPECT_EQ(sortlist(one, key), SortResult{});
        EXPECT_EQ(one, before);
    }
    std::vector<ListRow> rows = {row(3, "1М", "3"), row(1, "1К", "2")};
    const auto unsorted = rows;
    EXPECT_EQ(sortlist(rows, 4), SortResult{});
    EXPECT_EQ(sortlist(rows, -1), SortResult{});
    EXPECT_EQ(rows, unsorted);
}

TEST(SortList, ANameThatIsNotANumberStopsTheSortWhereItIs)
{
    // Pass one: «10К» and «4,7К» exchange, «10К» stays before «1М», «1М» and «2,2К» exchange,
    // then «1М» meets «1,2,3К», which cannot be read.
    std::vector<ListRow> rows = {row(3, "10К"), row(3, "4,7К"), row(3, "1М"), row(3, "2,2К"), row(3, "1,2,3К"),
                                 row(3, "1К")};
    const SortResult r = sortBoth(rows, 1);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.errorMessage, "'1,2,3' is not a valid floating point value");
    EXPECT_EQ(names(rows), (Texts{"4,7К", "10К", "2,2К", "1М", "1,2,3К", "1К"}));

    // Two bad names meeting: the first of the pair is read first.
    rows = {row(2, "1,2,3К"), row(2, "4,5,6К")};
    EXPECT_EQ(sortBoth(rows, 1).errorMessage, "'1,2,3' is not a valid floating point value");
    rows = {row(2, "10К"), row(2, "4,5,6К"), row(2, "1,2,3К")};
    EXPECT_EQ(sortBoth(rows, 1).errorMessage, "'4,5,6' is not a valid floating point value");
    EXPECT_EQ(names(rows), (Texts{"10К", "4,5,6К", "1,2,3К"}));

    // In a mixed list the bad name stops the sort only once a row of its own category
    // comes next to it: «b» > «1,2,3К» by text and moves past it, then «1К» meets it.
    rows = {row(2, "1К"), row(0, "b"), row(2, "1,2,3К")};
    const SortResult late = sortBoth(rows, 1);
    EXPECT_TRUE(late.stopped);
    EXPECT_EQ(names(rows), (Texts{"1К", "1,2,3К", "b"}));

    // Never next to a row of its own category: no error at all. (With «1К» instead of
    // «zК» the exchange would bring the two together: «b» > «1К».)
    rows = {row(2, "1,2,3К"), row(0, "b"), row(2, "zК")};
    EXPECT_FALSE(sortBoth(rows, 1).stopped);
    EXPECT_EQ(names(rows), (Texts{"1,2,3К", "b", "zК"}));
    rows = {row(2, "1,2,3К"), row(0, "b"), row(2, "1К")};
    EXPECT_TRUE(sortBoth(rows, 1).stopped);
    EXPECT_EQ(names(rows), (Texts{"1,2,3К", "1К", "b"}));

    // Other keys never read names.
    rows = {row(2, "1,2,3К", "5"), row(2, "4,5,6К", "3")};
    EXPECT_FALSE(sortBoth(rows, 2).stopped);
    EXPECT_EQ(quantities(rows), (Texts{"3", "5"}));
}
