// Ordering store slots (sortSlots), the banded exchange on every vector kernel, and the
// exchange's cancel and progress, held against the plain exchange of the list rows.
#include "exchange.h"
#include "listmaker.h"
#include "literalsort.h"
#include "nominal.h"
#include "slotsort.h"
#include "valuecache.h"

#include <algorithm>
#include <gtest/gtest.h>

using namespace vosk;
using vosk::test::describe;
using vosk::test::ListMaker;
using vosk::test::literalSortlist;

namespace {

// Puts the tuning back whatever a test did with it.
struct TuningGuard {
    ~TuningGuard() { setExchangeTuning({}); }
};

// The rows as a store holds them (row k at slot k+1, the quantity a stored count).
struct Stored {
    CompStore store;
    ValueCache values;
    std::vector<std::uint16_t> order;
};

// Refills `s` (a store is large: tests reuse one).
Stored &storeOf(const std::vector<ListRow> &rows, std::unique_ptr<Stored> &s)
{
    if (!s)
        s = std::make_unique<Stored>();
    s->store.compcount = 0;
    s->order.clear();
    for (const ListRow &r : rows)
        s->store.append(r.icon, r.name, static_cast<std::uint16_t>(quantityValue(r.quantity) & 0xFFFF), r.description);
    s->values.rebuild(s->store);
    for (int k = 1; k <= s->store.compcount; ++k)
        s->order.push_back(static_cast<std::uint16_t>(k));
    return *s;
}

// The list rows of slots, as the list shows them.
std::vector<ListRow> rowsOf(const CompStore &store, const std::vector<std::uint16_t> &order)
{
    std::vector<ListRow> rows;
    for (const std::uint16_t s : order)
        rows.push_back(ListRow{static_cast<std::uint8_t>(store.category[s]), std::string(store.name[s]),
                               std::to_string(store.quantity[s]), std::string(store.description[s])});
    return rows;
}

std::vector<ListRow> mixedRows(ListMaker &make, std::size_t n, bool readable)
{
    std::vector<ListRow> rows;
    while (rows.size() < n)
        for (ListRow &r : make.list()) {
            if (readable && std::count(r.name.begin(), r.name.end(), ',') > 1)
                r.name = "x";
            rows.push_back(std::move(r));
        }
    rows.resize(n);
    return rows;
}

} // namespace

TEST(SlotOrdering, SameAsThePlainExchangeOnGeneratedListsWithEveryKernel)
{
    TuningGuard guard;
    int lists = 0, stopped = 0, exchanged = 0;
    std::unique_ptr<Stored> holder;
    for (int level : {0, 1, 2}) {
        ListMaker make(100u + static_cast<unsigned>(level));
        for (int round = 0; round < 800; ++round) {
            // Bands of a few passes over short lists, so that every path of the banded
            // exchange runs here: band ends, a band with a name that cannot be read run
            // again one row at a time, the last short bands.
            setExchangeTuning({level, static_cast<std::size_t>(make.chance(80) ? 0 : 1024),
                               static_cast<std::size_t>(1 + make.pick(9))});
            const Stored *stored = &storeOf(make.list(make.chance(30) ? 150 : 40), holder);
            const int key = make.pick(4);
            // Mostly a refill (store order), else some rows left out or the rows shuffled.
            std::vector<std::uint16_t> start = stored->order;
            if (make.chance(25))
                std::erase_if(start, [&](std::uint16_t) { return make.chance(30); });
            else if (make.chance(25))
                std::shuffle(start.begin(), start.end(), make.engine());
            const std::vector<ListRow> input = rowsOf(stored->store, start);
            std::vector<ListRow> expected = input;
            const SortResult expectedResult = literalSortlist(expected, key);

            std::vector<std::uint16_t> order = start;
            const bool exchange = needsExchange(stored->store, stored->values, order, key);
            const SortResult result = sortSlots(stored->store, stored->values, order, key);
            ASSERT_EQ(rowsOf(stored->store, order), expected)
                << "level " << level << " round " << round << " key " << key << "\n" << describe(input);
            ASSERT_EQ(result, expectedResult) << "level " << level << " round " << round << " key " << key;

            std::vector<ListRow> rows = input;
            ASSERT_EQ(sortlist(rows, key), expectedResult) << "level " << level << " round " << round;
            ASSERT_EQ(rows, expected) << "level " << level << " round " << round << " key " << key;
            ++lists;
            stopped += expectedResult.stopped;
            exchanged += exchange;
        }
    }
    EXPECT_GT(stopped, 100);
    EXPECT_GT(exchanged, 250);
    std::printf("lists %d, stopped %d, exchanged %d\n", lists, stopped, exchanged);
}

TEST(SlotOrdering, LongListsAgreeWithTheExchangeOneRowAtATime)
{
    TuningGuard guard;
    ListMaker make(777);
    for (int round = 0; round < 4; ++round) {
        // Long enough for full-size bands; half with names that stop the exchange.
        const std::vector<ListRow> input = mixedRows(make, 1500 + 700 * static_cast<std::size_t>(round), round % 2);
        std::vector<ListRow> banded = input, sequential = input;
        setExchangeTuning({});
        const SortResult b = sortlistByExchange(banded, 1);
        setExchangeTuning({-1, static_cast<std::size_t>(-1), 256});
        const SortResult s = sortlistByExchange(sequential, 1);
        EXPECT_EQ(b, s) << round;
        EXPECT_EQ(banded, sequential) << round;
        EXPECT_EQ(b.stopped, round % 2 == 0) << round; // the generator puts bad names in long lists
    }
    // And once against the plain exchange itself.
    setExchangeTuning({});
    std::unique_ptr<Stored> holder;
    const Stored *stored = &storeOf(mixedRows(make, 1100, true), holder);
    std::vector<ListRow> expected = rowsOf(stored->store, stored->order);
    const SortResult e = literalSortlist(expected, 1);
    std::vector<std::uint16_t> order = stored->order;
    ASSERT_TRUE(needsExchange(stored->store, stored->values, order, 1));
    EXPECT_EQ(sortSlots(stored->store, stored->values, order, 1), e);
    EXPECT_EQ(rowsOf(stored->store, order), expected);
}

TEST(SlotOrdering, ProgressGrowsToTheEndAndCancelLeavesTheOrder)
{
    ListMaker make(31337);
    std::unique_ptr<Stored> holder;
    const Stored *stored = &storeOf(mixedRows(make, 5000, true), holder);
    std::vector<std::uint16_t> order = stored->order;
    std::vector<std::pair<std::size_t, std::size_t>> seen;
    SortControl control;
    control.progress = [&](std::size_t done, std::size_t needed) { seen.emplace_back(done, needed); };
    std::vector<std::uint16_t> sorted = order;
    EXPECT_FALSE(sortSlots(stored->store, stored->values, sorted, 1, &control).cancelled);
    ASSERT_GE(seen.size(), 3u);
    for (std::size_t k = 0; k < seen.size(); ++k) {
        EXPECT_LE(seen[k].first, seen[k].second) << k;
        if (k > 0) {
            EXPECT_GE(seen[k].first, seen[k - 1].first) << k;
        }
    }
    EXPECT_EQ(seen.back().first, seen.back().second);
    EXPECT_NE(sorted, order);

    // A cancel raised while it runs (here from the progress call) ends it at the next band.
    std::atomic<bool> cancel{false};
    int calls = 0;
    control.cancel = &cancel;
    control.progress = [&](std::size_t, std::size_t) {
        if (++calls == 2)
            cancel = true;
    };
    std::vector<std::uint16_t> kept = order;
    const SortResult r = sortSlots(stored->store, stored->values, kept, 1, &control);
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(kept, order);
    EXPECT_EQ(calls, 2);
}

TEST(SlotOrdering, CategoriesPast255SortByTheirFullNumber)
{
    CompStore store;
    store.append(256, "b", 1, "");
    store.append(1, "a", 1, "");
    store.append(0, "c", 1, "");
    ValueCache values;
    values.rebuild(store);
    std::vector<std::uint16_t> order{1, 2, 3};
    sortSlots(store, values, order, 0);
    EXPECT_EQ(order, (std::vector<std::uint16_t>{3, 2, 1}));
}
