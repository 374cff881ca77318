// The journal's CRC must be zlib's bit for bit: journals written by one build are read by the next.
#include "crc32.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <zlib.h>

namespace vosk {
namespace {

uint32_t zlibCrc(std::string_view b, uint32_t previous = 0)
{
    return static_cast<uint32_t>(::crc32(previous, reinterpret_cast<const Bytef *>(b.data()), static_cast<uInt>(b.size())));
}

TEST(Crc32, EqualsZlibForEveryLengthOffsetAndContinuation)
{
    EXPECT_EQ(crc32Of("123456789"), 0xCBF43926u); // the check value of CRC-32
    std::mt19937 random(5);
    std::string bytes(1 << 20, '\0');
    for (char &c : bytes)
        c = static_cast<char>(random());
    // Lengths around the 64-byte blocks and 16-byte steps of the folding, from unaligned starts.
    for (size_t length = 0; length < 300; ++length)
        for (size_t offset = 0; offset < 16; offset += 5) {
            const std::string_view part(bytes.data() + offset, length);
            ASSERT_EQ(crc32Of(part), zlibCrc(part)) << length << " bytes from " << offset;
            ASSERT_EQ(crc32Of(part, 0xDEADBEEF), zlibCrc(part, 0xDEADBEEF)) << length << " bytes from " << offset;
        }
    const std::string_view all(bytes);
    EXPECT_EQ(crc32Of(all), zlibCrc(all));
    EXPECT_EQ(crc32Of(all.substr(77777), crc32Of(all.substr(0, 77777))), zlibCrc(all));
    const std::string ones(5000, '\xFF'), zeros(5000, '\0');
    EXPECT_EQ(crc32Of(ones), zlibCrc(ones));
    EXPECT_EQ(crc32Of(zeros), zlibCrc(zeros));
}

} // namespace
} // namespace vosk
