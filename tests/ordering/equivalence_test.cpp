// sortlist against the plain exchange on many generated lists: same rows in the same
// order, and the same stop with the same message.
#include "cp1251.h"
#include "listsort.h"
#include "literalsort.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>

using namespace vosk;
using vosk::test::literalSortlist;

namespace {

class ListMaker {
public:
    explicit ListMaker(unsigned seed) : rng_(seed) {}

    int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    bool chance(int percent) { return pick(100) < percent; }
    template <class T, std::size_t N>
    T any(const T (&pool)[N]) { return pool[pick(static_cast<int>(N))]; }

    std::vector<ListRow> list()
    {
        const int n = pick(61);
        static constexpr int kBadPercents[] = {2, 5, 10, 30};
        badPercent_ = chance(50) ? 0 : kBadPercents[pick(4)];
        const int mode = pick(6);
        const int valueCategory = 1 + pick(7);
        const int otherValueCategory = 1 + (valueCategory + pick(6)) % 7;
        std::vector<ListRow> rows;
        for (int k = 0; k < n; ++k) {
            int icon = 0;
            switch (mode) {
            case 0: icon = valueCategory; break;                          // one value category
            case 1: icon = any(kNoScale); break;                           // no value category
            case 2: icon = pick(12); break;                                // anything
            case 3: icon = pick(3) == 0 ? 0 : (chance(50) ? valueCategory : otherValueCategory); break;
            case 4: icon = chance(85) ? valueCategory : any(kNoScale); break; // mostly one category
            default: icon = k < 7 && chance(50) ? 1 + k : any(kNoScale); break; // each at most once
            }
            rows.push_back(ListRow{static_cast<std::uint8_t>(icon), name(icon), quantity(), cp1251(any(kDescriptions))});
        }
        return rows;
    }

private:
    static constexpr const char *kMantissas[] = {"1", "1,5", "4,7", "10", "100", "0,1", ",5", "47", "470", "2,2",
                                                 "3,3", "1000", "0", "0,01", "82", "5,", "0001", "1,0"};
    static constexpr const char *kResistance[] = {"E", "e", "Е", "е", "K", "k", "К", "к", "M", "m", "М", "м"};
    static constexpr const char *kCapacitance[] = {"пф", "ПФ", "пФ", "нф", "НФ", "нФ", "мкф", "МКФ", "мкФ"};
    static constexpr const char *kOddSuffixes[] = {"", " K", "Нф", "Ом", "KK", "мкf", "К "};
    static constexpr const char *kTexts[] = {"КТ315", "КТ3", "КТ", "kt315", "abc", "", "Б", "я", "zzz", "1N4148",
                                             "BC547", "1", "15", "2К", "b", "4K7", "10К", "1,5 K"};
    static constexpr const char *kBad[] = {"1,2,3К", ",,", "1,2,3", "4,5,6нф", "1,,", "2,2,2М"};
    static constexpr const char *kDescriptions[] = {" ", "", "a", "ab", "abc", "Б", "я", "z", "zz", "Z",
                                                    "резистор", "резистор МЛТ", "1"};
    static constexpr int kNoScale[] = {0, 8, 9, 12, 15, 200};
    static constexpr const char kBytes[] = {'1', '0', ',', 'a', 'K', '\xCA', '\xFF', ' ', '\xEF', '\xF4'};

    std::string name(int icon)
    {
        if (chance(badPercent_))
            return cp1251(any(kBad));
        const int r = pick(100);
        if (r < 55) {
            const int scale = pick(100);
            const char *suffix = scale < 70 ? (icon >= 4 && icon <= 7 ? any(kCapacitance) : any(kResistance))
                                 : scale < 85 ? (icon >= 4 && icon <= 7 ? any(kResistance) : any(kCapacitance))
                                              : any(kOddSuffixes);
            return cp1251(std::string(any(kMantissas)) + suffix);
        }
        if (r < 85)
            return cp1251(any(kTexts));
        std::string bytes;
        for (int k = pick(5); k > 0; --k)
            bytes += kBytes[pick(static_cast<int>(sizeof kBytes))];
        return bytes;
    }

    std::string quantity()
    {
        std::string q = std::to_string(pick(chance(20) ? 70000 : 20));
        return chance(15) ? "0" + q : q;
    }

    std::mt19937 rng_;
    int badPercent_ = 0;
};

std::string describe(const std::vector<ListRow> &rows)
{
    std::string out;
    for (const ListRow &r : rows)
        out += std::to_string(r.icon) + ":" + utf8From1251(r.name) + "/" + r.quantity + "/" + utf8From1251(r.description) + "  ";
    return out;
}

} // namespace

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
