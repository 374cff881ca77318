// sortlist against the plain exchange on many generated lists: same rows in the same
// order, and the same stop with the same message.
#include "cp1251.h"
#include "listsort.h"
#include "listmaker.h"
#include "literalsort.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

using namespace vosk;
using vosk::test::literalSortlist;

using vosk::test::ListMaker;
using vosk::test::describe;

TEST(SortListEquivalence, SameResultAsThePlainExchangeOnGeneratedLists)
{
    int lists = 0, stopped = 0, mixedUnlikeAnyOrder = 0, nearlySorted = 0, emptyOrSingle = 0;
    for (unsigned seed : {11u, 23u, 1789u, 65535u}) {
        ListMaker make(seed);
        for (int round = 0; round < 1000; ++round) {
            std::vector<ListRow> input = make.list();
            const int key = make.pick(4);
            if (make.chance(25)) {
                // Nearly in order already: the passes end early, and a bad name put in
                // afterwards is met late.
                literalSortlist(input, key);
                for (int k = make.pick(3); k > 0 && input.size() >= 2; --k) {
                    const std::size_t i = static_cast<std::size_t>(make.pick(static_cast<int>(input.size()) - 1));
                    std::swap(input[i], input[i + 1]);
                }
                if (make.chance(30) && !input.empty())
                    input[static_cast<std::size_t>(make.pick(static_cast<int>(input.size())))].name =
                        cp1251("1,2,3К");
                ++nearlySorted;
            }
            ++lists;
            if (input.size() < 2)
                ++emptyOrSingle;

            std::vector<ListRow> expected = input;
            const SortResult expectedResult = literalSortlist(expected, key);
            std::vector<ListRow> fast = input;
            const SortResult fastResult = sortlist(fast, key);
            std::vector<ListRow> exchange = input;
            const SortResult exchangeResult = sortlistByExchange(exchange, key);

            ASSERT_EQ(fast, expected) << "seed " << seed << " round " << round << " key " << key << "\n"
                                      << describe(input);
            ASSERT_EQ(fastResult, expectedResult) << "seed " << seed << " round " << round << " key " << key;
            ASSERT_EQ(exchange, expected) << "seed " << seed << " round " << round << " key " << key;
            ASSERT_EQ(exchangeResult, expectedResult) << "seed " << seed << " round " << round << " key " << key;

            if (expectedResult.stopped)
                ++stopped;
            if (key == 1 && !expectedResult.stopped) {
                // Evidence that the list was one where no single order gives the result.
                std::vector<ListRow> byText = input;
                std::stable_sort(byText.begin(), byText.end(),
                                 [](const ListRow &a, const ListRow &b) { return a.name < b.name; });
                if (byText != expected && input.size() > 2) {
                    bool oneCategory = true;
                    for (const ListRow &r : input)
                        oneCategory = oneCategory && r.icon == input.front().icon;
                    if (!oneCategory)
                        ++mixedUnlikeAnyOrder;
                }
            }

            // Sorting the result again, by the same key or the next, agrees as well.
            const int again = make.chance(50) ? key : (key + 1) % 4;
            const SortResult expectedAgain = literalSortlist(expected, again);
            ASSERT_EQ(sortlist(fast, again), expectedAgain) << "seed " << seed << " round " << round;
            ASSERT_EQ(fast, expected) << "seed " << seed << " round " << round << " again " << again;
        }
    }
    // The generator must keep producing the interesting cases.
    EXPECT_EQ(lists, 4000);
    EXPECT_GT(stopped, 150);
    EXPECT_GT(mixedUnlikeAnyOrder, 150);
    EXPECT_GT(nearlySorted, 700);
    EXPECT_GT(emptyOrSingle, 40);
    std::printf("lists %d, stopped %d, mixed lists unlike text order %d, nearly sorted %d, empty or single %d\n",
                lists, stopped, mixedUnlikeAnyOrder, nearlySorted, emptyOrSingle);
}

TEST(SortListEquivalence, LongMixedListsAgreeToo)
{
    // A few lists long enough for many passes of the exchange to matter.
    ListMaker make(4242);
    for (int round = 0; round < 6; ++round) {
        std::vector<ListRow> input;
        for (int k = 0; k < 400; ++k) {
            auto part = make.list();
            for (auto &r : part)
                input.push_back(std::move(r));
            if (input.size() >= 400)
                break;
        }
        // Half the rounds without names that cannot be read, so that they run to the end.
        if (round % 2)
            for (ListRow &r : input)
                if (std::count(r.name.begin(), r.name.end(), ',') > 1)
                    r.name = "x";
        for (int key = 0; key < 4; ++key) {
            std::vector<ListRow> expected = input, fast = input;
            const SortResult e = literalSortlist(expected, key);
            EXPECT_EQ(sortlist(fast, key), e) << round << " " << key;
            EXPECT_EQ(fast, expected) << round << " " << key;
        }
    }
}
