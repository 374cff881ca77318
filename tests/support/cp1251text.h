#pragma once
// Code page 1251 text in tests: written as UTF-8 in the sources, compared as the program's
// bytes, printed back as UTF-8 when an expectation fails.
#include "cp1251.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace vosk::test {

// The program's bytes of a UTF-8 literal.
inline std::string T(const char *utf8) { return cp1251(utf8); }

// Text of the program that an expectation compares: equal when the bytes are.
struct Cp1251Text {
    std::string bytes;
    friend bool operator==(const Cp1251Text &, const Cp1251Text &) = default;
};
inline Cp1251Text text(std::string bytes) { return {std::move(bytes)}; }
inline Cp1251Text text(std::string_view bytes) { return {std::string(bytes)}; }
inline Cp1251Text text(const char *utf8) { return {cp1251(utf8)}; }
inline std::vector<Cp1251Text> texts(const std::vector<std::string> &bytes)
{
    std::vector<Cp1251Text> out;
    for (const std::string &b : bytes)
        out.push_back({b});
    return out;
}

// GoogleTest's printer for it.
inline void PrintTo(const Cp1251Text &t, std::ostream *os) { *os << '"' << utf8From1251(t.bytes) << '"'; }

} // namespace vosk::test
