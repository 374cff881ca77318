// The bin check through the name index against the plain one, on generated stores and bins
// changed between finds.
#include "binfixture.h"
#include "valuecache.h"

#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace vosk;

TEST(BinFindIndexed, SameRowsAndListAsScanningThroughChanges)
{
    std::mt19937 rng(99);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const char *const names[] = {"10К", "10к", "4,7К", "КТ315", "КТ315Б", "1N4148", "", "100нф", "4"};
    const char *const descriptions[] = {"", "a", "ab", "b"};
    auto bench = std::make_unique<test::BinBench>();
    auto index = std::make_unique<NameIndex>();
    auto values = std::make_unique<ValueCache>();
    index->rebuild(bench->store);
    int finds = 0, found = 0;
    for (int round = 0; round < 300; ++round) {
        // Change the store a little, keeping the index in step.
        for (int k = pick(20); k > 0; --k) {
            if (bench->store.compcount > 0 && pick(3) == 0)
                removeIndexed(bench->store, *index, *values, 1 + pick(bench->store.compcount));
            else
                appendIndexed(bench->store, *index, *values, static_cast<std::uint16_t>(pick(10)),
                              test::T(names[pick(9)]), static_cast<std::uint16_t>(pick(4)),
                              test::T(descriptions[pick(4)]));
        }
        std::vector<BinRow> bin;
        for (int k = pick(6); k > 0; --k)
            bin.push_back(addbinrow(BinStatus::Ready, pick(12) - 1, bench->cats, test::T(names[pick(9)]),
                                    std::to_string(pick(5)), test::T(descriptions[pick(4)]), 0, ""));
        for (const bool exact : {true, false}) {
            const BinFind plain = findbin(bench->store, bench->cats, bin, exact);
            const BinFind indexed = findbin(bench->store, *index, bench->cats, bin, exact);
            ASSERT_EQ(indexed.rows, plain.rows) << round;
            ASSERT_EQ(indexed.list, plain.list) << round;
            ASSERT_EQ(indexed.listSlots, plain.listSlots) << round;
            ASSERT_EQ(indexed.listCategories, plain.listCategories) << round;
            ASSERT_EQ(indexed.lastCount, plain.lastCount) << round;
            ASSERT_EQ(indexed.lastTotal, plain.lastTotal) << round;
            const BinFind slotsOnly = findbin(bench->store, *index, bench->cats, bin, exact, false);
            ASSERT_TRUE(slotsOnly.list.empty());
            ASSERT_EQ(slotsOnly.rows, plain.rows) << round;
            ASSERT_EQ(slotsOnly.listSlots, plain.listSlots) << round;
            ++finds;
            found += static_cast<int>(plain.list.size());
        }
    }
    EXPECT_EQ(finds, 600);
    EXPECT_GT(found, 2000); // the bins do find records
}
