#pragma once
// Generated inventory lists for the ordering tests: every kind of list the exchange meets
// (one value category, none, mixed, names that cannot be read, odd bytes).
#include "cp1251.h"
#include "listsort.h"

#include <random>
#include <string>
#include <vector>

namespace vosk::test {

class ListMaker {
public:
    explicit ListMaker(unsigned seed) : rng_(seed) {}

    std::mt19937 &engine() { return rng_; }
    int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    bool chance(int percent) { return pick(100) < percent; }
    template <class T, std::size_t N>
    T any(const T (&pool)[N]) { return pool[pick(static_cast<int>(N))]; }

    // A list of 0..maxRows rows.
    std::vector<ListRow> list(int maxRows = 60)
    {
        const int n = pick(maxRows + 1);
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

inline std::string describe(const std::vector<ListRow> &rows)
{
    std::string out;
    for (const ListRow &r : rows)
        out += std::to_string(r.icon) + ":" + utf8From1251(r.name) + "/" + r.quantity + "/" + utf8From1251(r.description) + "  ";
    return out;
}


} // namespace vosk::test
