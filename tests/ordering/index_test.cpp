// The value cache and the name index kept in step with the store through random changes,
// and the searches through the index against the plain scans.
#include "cp1251.h"
#include "filter.h"
#include "nameindex.h"
#include "nominal.h"
#include "stock.h"
#include "valuecache.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <random>

using namespace vosk;

namespace {

const char *const kNames[] = {"4,7К", "4,7к", "47К", "10К", "1,2,3К", "100нф", "4,7мкф", "КТ315", "КТ3", "",
                              "4", ",,", "14,7К", "a\x01" "b", "1N4148", "ё", "1,5",
                              // Longer than seven bytes, the first seven the same (and those seven alone).
                              "1000,00К", "1000,00М", "1000,00", "2200,0пф", "2200,0нф"};

// What the cache must hold for a slot, read afresh.
void expectFresh(const CompStore &store, const ValueCache &values, int slot, const std::string &context)
{
    const int c = store.category[static_cast<std::size_t>(slot)];
    if (!hasValueScale(c)) {
        EXPECT_EQ(values.state(slot), ValueCache::State::None) << context;
        return;
    }
    try {
        const double v = readnominal(c, store.name[static_cast<std::size_t>(slot)]);
        EXPECT_EQ(values.state(slot), ValueCache::State::Value) << context;
        EXPECT_EQ(values.value(slot), v) << context;
    } catch (const NumberConversionError &e) {
        EXPECT_EQ(values.state(slot), ValueCache::State::Unreadable) << context;
        EXPECT_EQ(values.message(slot), e.message()) << context;
    }
}

std::vector<std::uint16_t> viewOf(const ViewList &view)
{
    return {view.viewlist.begin() + 1, view.viewlist.begin() + 1 + view.viewcount};
}

} // namespace

TEST(StoreIndexes, StayRightThroughRandomChanges)
{
    std::mt19937 rng(2718);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    auto anyName = [&] { return cp1251(kNames[pick(static_cast<int>(std::size(kNames)))]); };
    auto store = std::make_unique<CompStore>();
    auto names = std::make_unique<NameIndex>();
    auto values = std::make_unique<ValueCache>();
    for (int k = 0; k < 40; ++k)
        store->append(static_cast<std::uint16_t>(pick(10)), anyName(), static_cast<std::uint16_t>(pick(3)), "d");
    names->rebuild(*store);
    values->rebuild(*store);
    ViewList plain, indexed;
    int removed = 0, dropped = 0, renamed = 0, searches = 0;
    for (int step = 0; step < 3000; ++step) {
        const std::string context = "step " + std::to_string(step);
        const int op = pick(10);
        if (op < 4 || store->compcount < 2) {
            appendIndexed(*store, *names, *values, static_cast<std::uint16_t>(pick(10)), anyName(),
                          static_cast<std::uint16_t>(pick(3)), pick(2) ? "d" : "e");
        } else if (op < 6) {
            removeIndexed(*store, *names, *values, 1 + pick(store->compcount));
            ++removed;
        } else if (op < 7) {
            dropped += dropemptyIndexed(*store, *names, *values);
        } else if (op < 9) {
            renameIndexed(*store, *names, *values, 1 + pick(store->compcount), static_cast<std::uint16_t>(pick(10)),
                          anyName());
            ++renamed;
        } else {
            store->quantity[static_cast<std::size_t>(1 + pick(store->compcount))] = static_cast<std::uint16_t>(pick(3));
        }
        ASSERT_TRUE(names->consistent(*store)) << context;
        if (step % 50 == 0) {
            auto fresh = std::make_unique<ValueCache>();
            fresh->rebuild(*store);
            for (int c = 1; c <= 7; ++c)
                ASSERT_EQ(values->valueOrder(c), fresh->valueOrder(c)) << context << " category " << c;
        }
        for (int s = 1; s <= store->compcount; ++s)
            expectFresh(*store, *values, s, context + " slot " + std::to_string(s));
        if (step % 7 == 0) {
            // Every kind of search, through the index and by the plain scan.
            const FilterCriteria criteria{pick(3) ? -1 : pick(10), pick(5) ? anyName() : std::string("4"),
                                          pick(3) ? 0 : pick(3), pick(3) ? "" : "d"};
            for (bool exact : {true, false}) {
                filterbase(*store, criteria, exact, plain);
                filterbase(*store, *names, criteria, exact, indexed);
                ASSERT_EQ(viewOf(indexed), viewOf(plain)) << context << " exact " << exact;
                ++searches;
            }
            const std::string name = anyName();
            const int category = pick(10);
            int first = 0;
            for (int s = store->compcount; s >= 1; --s)
                if (store->category[s] == category && store->name[s] == name && store->description[s] == "d")
                    first = s;
            EXPECT_EQ(names->findRecord(*store, category, name, "d"), first) << context;
        }
    }
    EXPECT_GT(removed, 300);
    EXPECT_GT(dropped, 50);
    EXPECT_GT(renamed, 300);
    EXPECT_GT(searches, 500);
    // Read afresh in one go (names repeat here, so most are copied from their first
    // record), the cache holds what the changes left in it.
    auto again = std::make_unique<ValueCache>();
    again->rebuild(*store);
    for (int s = 1; s <= store->compcount; ++s) {
        EXPECT_EQ(again->state(s), values->state(s)) << s;
        EXPECT_EQ(again->value(s), values->value(s)) << s;
        EXPECT_EQ(again->message(s), values->message(s)) << s;
        expectFresh(*store, *again, s, "rebuilt, slot " + std::to_string(s));
    }
    for (int c = 1; c <= 7; ++c) {
        EXPECT_EQ(values->valueOrder(c), again->valueOrder(c)) << c;
        // By value, equal values by slot, every readable record of the category once.
        const auto &order = again->valueOrder(c);
        EXPECT_TRUE(std::is_sorted(order.begin(), order.end(), [&](std::uint16_t a, std::uint16_t b) {
            return again->value(a) < again->value(b) || (again->value(a) == again->value(b) && a < b);
        })) << c;
        std::size_t readable = 0;
        for (int s = 1; s <= store->compcount; ++s)
            readable += store->category[s] == c && again->state(s) == ValueCache::State::Value;
        EXPECT_EQ(order.size(), readable) << c;
    }
    // Rebuilt from scratch, the index answers the same.
    auto fresh = std::make_unique<NameIndex>();
    fresh->rebuild(*store);
    std::vector<std::uint16_t> a, b;
    for (const char *n : kNames) {
        names->find(*store, cp1251(n), a);
        fresh->find(*store, cp1251(n), b);
        EXPECT_EQ(a, b) << n;
        if (*n) {
            names->findPart(*store, cp1251(n), a);
            fresh->findPart(*store, cp1251(n), b);
            EXPECT_EQ(a, b) << n;
        }
    }
}

TEST(StoreIndexes, PartSearchMatchesEveryNameOnceAndNeverAcrossTwoNames)
{
    CompStore store;
    for (const char *n : {"ab", "cab", "", "abab", "b", "a", "xab\x01" "ab"})
        store.append(1, n, 1, "");
    NameIndex names;
    names.rebuild(store);
    std::vector<std::uint16_t> slots;
    names.findPart(store, "ab", slots);
    EXPECT_EQ(slots, (std::vector<std::uint16_t>{1, 2, 4, 7}));
    names.findPart(store, "ba", slots); // "b" then "a" in the next slots must not match
    EXPECT_EQ(slots, (std::vector<std::uint16_t>{4}));
    names.findPart(store, "b\x01" "a", slots); // the separator byte itself, answered name by name
    EXPECT_EQ(slots, (std::vector<std::uint16_t>{7}));
    names.findPart(store, "abx", slots);
    EXPECT_TRUE(slots.empty());
    // A change seen by the next search.
    names.erase(5);
    store.setName(5, "zab");
    names.insert(store, 5);
    names.findPart(store, "ab", slots);
    EXPECT_EQ(slots, (std::vector<std::uint16_t>{1, 2, 4, 5, 7}));
}

// The tables grow with the records: the name index's buckets as records are added one by
// one, the value cache's table of distinct names while it reads them; and a store that
// shrank leaves nothing of its old records behind after a rebuild.
TEST(StoreIndexes, GrowWithTheStoreAndForgetWhatItHeld)
{
    auto store = std::make_unique<CompStore>();
    auto names = std::make_unique<NameIndex>();
    auto values = std::make_unique<ValueCache>();
    names->rebuild(*store);
    values->rebuild(*store);
    for (int k = 0; k < 5000; ++k) {
        // Distinct values with a few repeats, in two categories, and a type name now and then.
        const std::uint16_t category = k % 7 == 0 ? 9 : k % 2 == 0 ? 2 : 5;
        const int n = k % 11 == 0 ? 4700 : k;
        appendIndexed(*store, *names, *values, category,
                      category == 5 ? std::to_string(n) + cp1251("пф") : std::to_string(n) + "K", 1, "");
    }
    ASSERT_TRUE(names->consistent(*store));
    auto fresh = std::make_unique<ValueCache>();
    fresh->rebuild(*store);
    for (int c = 1; c <= 7; ++c)
        ASSERT_EQ(values->valueOrder(c), fresh->valueOrder(c)) << c;
    EXPECT_EQ(fresh->valueOrder(2).size() + fresh->valueOrder(5).size(), 5000u - 715u);
    for (int s = 1; s <= store->compcount; ++s)
        expectFresh(*store, *fresh, s, "slot " + std::to_string(s));
    std::vector<std::uint16_t> found;
    names->find(*store, "4700K", found);
    std::vector<std::uint16_t> scanned;
    for (int s = 1; s <= store->compcount; ++s)
        if (store->name[s] == "4700K")
            scanned.push_back(static_cast<std::uint16_t>(s));
    EXPECT_EQ(found, scanned);
    EXPECT_EQ(found.size(), 261u);

    while (store->compcount > 10)
        removeIndexed(*store, *names, *values, 1);
    names->rebuild(*store);
    values->rebuild(*store);
    EXPECT_EQ(names->size(), 10u);
    EXPECT_TRUE(names->consistent(*store));
    for (int s = 1; s <= CompStore::kSlots; ++s)
        ASSERT_EQ(values->state(s) == ValueCache::State::None, s > 10 || store->category[s] == 9) << s;
}

// The changing path through the indexes does what it does by looking at every record: the
// same record found (by the whole key, duplicates included, lowest slot first), the same
// record removed when a take empties one (the first empty record of the store, which may be
// one the file brought with quantity 0), the same messages.
TEST(StoreIndexes, ChangeStockThroughTheIndexesEqualsTheScan)
{
    std::mt19937 rng(1414);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const char *const descriptions[] = {"d", "e", " ", "", "d "};
    auto plain = std::make_unique<CompStore>();
    for (int k = 0; k < 200; ++k) // duplicates and empty records, as a file may hold them
        plain->append(static_cast<std::uint16_t>(pick(4)), cp1251(kNames[pick(6)]), static_cast<std::uint16_t>(pick(4)),
                      descriptions[pick(5)]);
    auto indexed = std::make_unique<CompStore>(*plain);
    auto names = std::make_unique<NameIndex>();
    auto values = std::make_unique<ValueCache>();
    names->rebuild(*indexed);
    values->rebuild(*indexed);
    StoreIndexes indexes{*names, *values};
    ViewList a, b;
    int removals = 0, doubles = 0;
    for (int step = 0; step < 4000; ++step) {
        const StockKey key{pick(4), cp1251(kNames[pick(6)]), descriptions[pick(5)]};
        const bool take = pick(2) == 0;
        const int amount = 1 + pick(3);
        const int before = plain->compcount;
        const StockResult r1 = changeStock(*plain, a, key, amount, take);
        const StockResult r2 = changeStock(*indexed, b, key, amount, take, &indexes);
        ASSERT_EQ(r1.messages, r2.messages) << step;
        ASSERT_EQ(r1.moved, r2.moved) << step;
        ASSERT_EQ(r1.createdSlot, r2.createdSlot) << step;
        ASSERT_EQ(plain->compcount, indexed->compcount) << step;
        for (int s = 1; s <= plain->compcount; ++s)
            ASSERT_TRUE(plain->category[s] == indexed->category[s] && plain->name[s] == indexed->name[s] &&
                        plain->quantity[s] == indexed->quantity[s] && plain->description[s] == indexed->description[s])
                << step << " slot " << s;
        ASSERT_TRUE(names->consistent(*indexed)) << step;
        removals += plain->compcount < before;
        doubles += !r1.messages.empty() && r1.messages.front() == "Detected double";
        if (step % 500 == 0) // records the file brought empty, anywhere in the store
            for (int k = 0; k < 3; ++k) {
                const int s = 1 + pick(plain->compcount);
                plain->setQuantity(s, 0);
                indexed->setQuantity(s, 0);
            }
    }
    EXPECT_GT(removals, 200);
    EXPECT_GT(doubles, 50);
}
