#pragma once
#include <cstddef>
#include <string_view>

namespace vosk {

// The multipliers of the two readers of values, one table a scale: the inventory's own names
// (readnominal: the suffix after the number, «4,7К», «100нф») and values as people write them
// (readLooseValue: the letter before or instead of the unit, «4k7», «100n», «0.1uF»), so that
// both form the product of one value with the same constant, to the bit. Code page 1251;
// Latin and Cyrillic look-alikes are different bytes and both are listed.
//
// Long double: the product is formed with a 64-bit mantissa and only then rounded to a double,
// which decides on which side of a band threshold a value lands (100нф must stay below the
// 1e-7 of the мкф band, 0,1мкф above it).
struct Multiplier {
    std::string_view bytes;
    long double factor;
    bool named;  // a suffix of the inventory's own names (every such entry comes first)
    bool loose;  // a letter of values as people write them, their unit dropped
};

inline constexpr Multiplier kResistanceMultipliers[] = {
    {"E", 1.0L, true, true},           {"e", 1.0L, true, true},           {"\xC5", 1.0L, true, true},
    {"\xE5", 1.0L, true, true},        {"K", 1000.0L, true, true},        {"k", 1000.0L, true, true},
    {"\xCA", 1000.0L, true, true},     {"\xEA", 1000.0L, true, true},     {"M", 1000000.0L, true, true},
    {"m", 1000000.0L, true, true},     {"\xCC", 1000000.0L, true, true},  {"\xEC", 1000000.0L, true, true},
    {"R", 1.0L, false, true},          {"r", 1.0L, false, true},          {"G", 1e9L, false, true},
    {"g", 1e9L, false, true},          {"\xC3", 1e9L, false, true},       {"\xE3", 1e9L, false, true},
};

inline constexpr Multiplier kCapacitanceMultipliers[] = {
    {"\xEF\xF4", 1e-12L, true, false},    {"\xCF\xD4", 1e-12L, true, false},    {"\xEF\xD4", 1e-12L, true, false},    // пф ПФ пФ
    {"\xED\xF4", 1e-9L, true, false},     {"\xCD\xD4", 1e-9L, true, false},     {"\xED\xD4", 1e-9L, true, false},     // нф НФ нФ
    {"\xEC\xEA\xF4", 1e-6L, true, false}, {"\xCC\xCA\xD4", 1e-6L, true, false}, {"\xEC\xEA\xD4", 1e-6L, true, false}, // мкф МКФ мкФ
    {"p", 1e-12L, false, true},    {"P", 1e-12L, false, true},    {"\xEF", 1e-12L, false, true},     {"\xCF", 1e-12L, false, true},     // п П
    {"n", 1e-9L, false, true},     {"N", 1e-9L, false, true},     {"\xED", 1e-9L, false, true},      {"\xCD", 1e-9L, false, true},      // н Н
    {"u", 1e-6L, false, true},     {"U", 1e-6L, false, true},     {"\xB5", 1e-6L, false, true},      {"\xEC\xEA", 1e-6L, false, true},  // µ мк
    {"\xCC\xCA", 1e-6L, false, true}, {"\xEC\xCA", 1e-6L, false, true}, {"\xCC\xEA", 1e-6L, false, true},                           // МК мК Мк
};

// How many entries at the start of a table are suffixes of the inventory's own names.
template <std::size_t N>
constexpr std::size_t namedMultipliers(const Multiplier (&table)[N])
{
    std::size_t n = 0;
    while (n < N && table[n].named)
        ++n;
    for (std::size_t k = n; k < N; ++k)
        if (table[k].named)
            return 0; // out of order: the static_assert of the reader stops the build
    return n;
}

} // namespace vosk
