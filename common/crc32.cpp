#include "crc32.h"

#include <zlib.h>

#include <algorithm>

#if defined(__x86_64__)
#include <immintrin.h>
#define VOSK_CRC_FOLDING 1
#endif

namespace vosk {

std::uint32_t crc32Zlib(std::string_view bytes, std::uint32_t previous)
{
    uLong crc = previous;
    // zlib takes lengths as uInt: feed large inputs in pieces.
    while (!bytes.empty()) {
        const std::size_t n = std::min<std::size_t>(bytes.size(), 1u << 30);
        crc = ::crc32(crc, reinterpret_cast<const Bytef *>(bytes.data()), static_cast<uInt>(n));
        bytes.remove_prefix(n);
    }
    return static_cast<std::uint32_t>(crc);
}

#ifdef VOSK_CRC_FOLDING
namespace {

// Folding by carry-less multiplication in the bit-reflected domain: four 128-bit lanes are
// multiplied forward by x^(512±32) mod P and added to the next 64 bytes, then folded into one
// lane, reduced to 64 bits and finally to 32 by Barrett reduction. The constants are powers
// of x modulo the CRC-32 polynomial, reflected (k1 = x^(4*128+32), k2 = x^(4*128-32),
// k3 = x^(128+32), k4 = x^(128-32), k5 = x^64; mu = floor(x^64 / P), and P itself).
// Takes and returns the inverted register, as zlib keeps it inside; len is a multiple of 16
// and at least 64.
// Compiled for carry-less multiplication whatever the build's baseline; called only when the
// processor has it.
#define VOSK_FOLDING_TARGET __attribute__((target("pclmul,sse4.1")))

VOSK_FOLDING_TARGET __m128i load(const unsigned char *q) { return _mm_loadu_si128(reinterpret_cast<const __m128i *>(q)); }

// x carried forward by the two powers in k, plus the next 16 bytes.
VOSK_FOLDING_TARGET __m128i fold(__m128i x, __m128i k, __m128i next)
{
    return _mm_xor_si128(_mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11)), next);
}

VOSK_FOLDING_TARGET std::uint32_t foldBlocks(const unsigned char *p, std::size_t len, std::uint32_t crc)
{
    const __m128i k1k2 = _mm_set_epi64x(0x01c6e41596, 0x0154442bd4);
    const __m128i k3k4 = _mm_set_epi64x(0x00ccaa009e, 0x01751997d0);
    const __m128i k5 = _mm_set_epi64x(0, 0x0163cd6124);
    const __m128i poly = _mm_set_epi64x(0x01f7011641, 0x01db710641);
    __m128i x1 = _mm_xor_si128(load(p), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = load(p + 16), x3 = load(p + 32), x4 = load(p + 48);
    p += 64;
    len -= 64;
    while (len >= 64) {
        x1 = fold(x1, k1k2, load(p));
        x2 = fold(x2, k1k2, load(p + 16));
        x3 = fold(x3, k1k2, load(p + 32));
        x4 = fold(x4, k1k2, load(p + 48));
        p += 64;
        len -= 64;
    }
    x1 = fold(x1, k3k4, x2);
    x1 = fold(x1, k3k4, x3);
    x1 = fold(x1, k3k4, x4);
    while (len >= 16) {
        x1 = fold(x1, k3k4, load(p));
        p += 16;
        len -= 16;
    }
    // 128 bits to 64.
    const __m128i low32 = _mm_setr_epi32(~0, 0, ~0, 0);
    __m128i x2r = _mm_clmulepi64_si128(x1, k3k4, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2r);
    x2r = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, low32), k5, 0x00), x2r);
    // Barrett reduction to 32 bits.
    x2r = _mm_and_si128(x1, low32);
    x2r = _mm_clmulepi64_si128(x2r, poly, 0x10);
    x2r = _mm_and_si128(x2r, low32);
    x2r = _mm_clmulepi64_si128(x2r, poly, 0x00);
    x1 = _mm_xor_si128(x1, x2r);
    return static_cast<std::uint32_t>(_mm_extract_epi32(x1, 1));
}


bool canFold()
{
    static const bool can = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return can;
}

} // namespace
#endif

std::uint32_t crc32Of(std::string_view bytes, std::uint32_t previous)
{
#ifdef VOSK_CRC_FOLDING
    if (bytes.size() >= 64 && canFold()) {
        const std::size_t bulk = bytes.size() & ~std::size_t{15};
        previous = ~foldBlocks(reinterpret_cast<const unsigned char *>(bytes.data()), bulk, ~previous);
        bytes.remove_prefix(bulk);
    }
#endif
    return crc32Zlib(bytes, previous);
}

} // namespace vosk
