#pragma once
#include <cstdint>
#include <string_view>

namespace vosk {

// CRC-32 as zlib's crc32 and gzip compute it (reflected polynomial 0xEDB88320, initial and
// final value inverted): crc32Of(b) == crc32(0, b, size). The journal stores these values, so
// they must stay exactly zlib's. `previous` continues a CRC over bytes that follow.
//
// On processors with carry-less multiplication the bulk of the bytes is folded 64 at a time
// (about ten times zlib's table speed); the rest, and other processors, go through zlib.
std::uint32_t crc32Of(std::string_view bytes, std::uint32_t previous = 0);

// The same through zlib alone: the reference the folded version is held to.
std::uint32_t crc32Zlib(std::string_view bytes, std::uint32_t previous = 0);

} // namespace vosk
