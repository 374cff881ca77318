#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>

namespace vosk {

// A hash of a record's name for the in-memory indexes (never stored in a file). Names are
// short — a value such as «4,7К», a type such as «КТ315Б» — so it reads them eight bytes at
// a time, the last piece as two overlapping loads, and mixes each piece with one 64 × 64 →
// 128-bit product folded back to 64 bits.
inline std::uint64_t nameHash(std::string_view name)
{
    auto load8 = [](const char *p) {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    };
    auto load4 = [](const char *p) {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return static_cast<std::uint64_t>(v);
    };
    auto mix = [](std::uint64_t a, std::uint64_t b) {
        const unsigned __int128 r = static_cast<unsigned __int128>(a ^ 0xA0761D6478BD642Full) * (b ^ 0xE7037ED1A0B428DBull);
        return static_cast<std::uint64_t>(r) ^ static_cast<std::uint64_t>(r >> 64);
    };
    const char *p = name.data();
    std::size_t n = name.size();
    std::uint64_t h = 0x8EBC6AF09C88C6E3ull ^ n;
    for (; n > 8; n -= 8, p += 8)
        h = mix(h, load8(p));
    std::uint64_t last = 0;
    if (n >= 4)
        last = load4(p) | load4(p + n - 4) << 32;
    else if (n > 0)
        last = static_cast<std::uint64_t>(static_cast<unsigned char>(p[0])) |
               static_cast<std::uint64_t>(static_cast<unsigned char>(p[n / 2])) << 8 |
               static_cast<std::uint64_t>(static_cast<unsigned char>(p[n - 1])) << 16;
    return mix(h, last ^ (static_cast<std::uint64_t>(n) << 56));
}

} // namespace vosk
