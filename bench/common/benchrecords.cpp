#include "benchrecords.h"

#include "cp1251.h"
#include "nominal.h"

#include <random>
#include <string>

namespace vosk::bench {

std::string valueName(std::mt19937 &rng, bool capacitor)
{
    static const int e24[] = {10, 11, 12, 13, 15, 16, 18, 20, 22, 24, 27, 30, 33, 36, 39, 43, 47, 51, 56, 62, 68, 75, 82, 91};
    static const char *const resistance[] = {"е", "К", "М", "k", "E", "K"};
    static const char *const capacitance[] = {"пф", "нф", "мкф", "ПФ"};
    const int m = e24[rng() % 24];
    std::string digits = std::to_string(m);
    switch (rng() % 3) {
    case 0: digits = digits.substr(0, 1) + "," + digits.substr(1); break;
    case 1: break;
    default: digits += "0"; break;
    }
    return digits + cp1251(capacitor ? capacitance[rng() % 4] : resistance[rng() % 6]);
}

namespace {

std::string typeName(std::mt19937 &rng)
{
    static const char *const types[] = {"КТ315", "КТ361", "КТ817", "BC547", "1N4148", "КД522", "К155ЛА3", "NE555",
                                        "IRFZ44", "АЛ307", "КС156А", "Д814", "TL431", "LM317", "ATmega8", "КР142ЕН5"};
    static const char *const letters[] = {"", "А", "Б", "В", "Г"};
    std::string t = types[rng() % 16];
    if (t.back() >= '0' && t.back() <= '9')
        t += letters[rng() % 5];
    return cp1251(t);
}

std::string descriptionText(std::mt19937 &rng)
{
    static const char *const words[] = {"металлопленочный 0,25Вт", "выводной", "SMD 0805", "керамический",
                                        "электролит 16В", "для ремонта", "из старых плат", "новые"};
    static const char *const places[] = {"полка", "коробка", "ящик", "кассета"};
    return cp1251(std::string(words[rng() % 8]) + ", " + places[rng() % 4] + " " + std::to_string(rng() % 50 + 1));
}

} // namespace

void makeStore(CompStore &s, int records)
{
    std::mt19937 rng(20240609);
    s.compcount = 0;
    for (int i = 0; i < records; ++i) {
        const unsigned r = rng() % 100;
        int category;
        if (r < 30)
            category = 2;
        else if (r < 50)
            category = 5;
        else if (r < 56)
            category = static_cast<int>(r % 2 ? 1 : 3);
        else if (r < 65)
            category = static_cast<int>(r % 3 == 0 ? 4 : r % 3 == 1 ? 6 : 7);
        else
            category = static_cast<int>(8 + rng() % 8);
        std::string name = hasValueScale(category) ? valueName(rng, isCapacitanceCategory(category)) : typeName(rng);
        const auto quantity = static_cast<std::uint16_t>(rng() % 500);
        s.append(static_cast<std::uint16_t>(category), std::move(name), quantity, descriptionText(rng));
    }
}

} // namespace vosk::bench
