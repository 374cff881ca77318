#pragma once
// Canonical names read back: shownominal's name of a value, read as a value in a category
// whose scale knows its unit, must name the same value again.
#include "fuzzcheck.h"
#include "nominal.h"

#include <cmath>

namespace vosk::fuzz {

inline bool endsWith(std::string_view s, std::string_view end)
{
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// A category whose scale reads the unit shownominal wrote, or -1 for "повторите ввод".
inline int categoryOfCanonical(std::string_view name)
{
    for (std::string_view unit : {"\xEF\xF4", "\xED\xF4", "\xEC\xEA\xF4"}) // пф нф мкф
        if (endsWith(name, unit))
            return 4;
    for (std::string_view unit : {"\xE5", "\xCA", "\xCC"}) // е К М
        if (endsWith(name, unit))
            return 1;
    return -1;
}

// The names where a value just below a band's upper end rounds to that end in 15 digits:
// read back they are the end itself, which belongs to the next band.
inline bool bandEnd(std::string_view first, std::string_view second)
{
    static const std::pair<std::string_view, std::string_view> ends[] = {
        {"10000\xEF\xF4", "10\xED\xF4"},   // 10000пф -> 10нф
        {"100000\xEC\xEA\xF4", "0,1\xE5"}, // 100000мкф -> 0,1е
        {"1000\xE5", "1\xCA"},             // 1000е -> 1К
        {"1000\xCA", "1\xCC"},             // 1000К -> 1М
    };
    for (const auto &[a, b] : ends)
        if (first == a && second == b)
            return true;
    return false;
}

inline std::string readBack(const std::string &name)
{
    const int category = categoryOfCanonical(name);
    return shownominal(category < 0 ? 0.0 : readnominal(category, name));
}

inline void checkCanonicalStable(double value)
{
    const std::string first = shownominal(value);
    FUZZ_CHECK(!first.empty());
    // Exponent forms ("1,5E15М", "INFМ") are no names a value scale reads: only values of a
    // sextillion ohms and more, or not finite, get them.
    if (first.find('E') != std::string::npos || first.find('N') != std::string::npos) {
        FUZZ_CHECK(!std::isfinite(value) || std::fabs(value) >= 1e20);
        return;
    }
    const std::string second = readBack(first);
    FUZZ_CHECK(second == first || bandEnd(first, second));
    FUZZ_CHECK(readBack(second) == second);
}

} // namespace vosk::fuzz
