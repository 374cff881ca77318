#include "cp1251.h"
#include "textlines.h"

#include <gtest/gtest.h>

using namespace vosk;

TEST(TextLines, CrEndsLinesLoneLfIsTextAndEofByteEndsTheText)
{
    EXPECT_EQ(splitTextLines("a\r\nb\rc").lines, (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(splitTextLines("a\nb\nc\n").lines, (std::vector<std::string>{"a\nb\nc\n"}));
    EXPECT_EQ(splitTextLines("a\r\n\r\nb\r\n").lines, (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(splitTextLines("a\r\r\n").lines, (std::vector<std::string>{"a", ""}));
    EXPECT_TRUE(splitTextLines("").lines.empty());

    const TextLines stopped = splitTextLines("a\r\n\x1A" "b\r\n");
    EXPECT_EQ(stopped.lines, (std::vector<std::string>{"a"}));
    EXPECT_EQ(stopped.tail, "\x1A" "b\r\n");
    // Mid-line the byte still ends the text: what was read of that line counts.
    EXPECT_EQ(splitTextLines("ab\x1A" "cd").lines, (std::vector<std::string>{"ab"}));
}

TEST(Cp1251, LiteralsConvertBothWaysAndForeignTextIsRefused)
{
    EXPECT_EQ(cp1251("4,7К"), "4,7\xCA");
    EXPECT_EQ(cp1251("пф"), "\xEF\xF4");
    EXPECT_EQ(utf8From1251("\xCA\xD2" "315"), "КТ315");
    EXPECT_THROW(cp1251("日本"), std::invalid_argument);
}

#include <iconv.h>

// The program's one code page table against the C library's converter, byte by byte, and the
// UTF-8 it refuses.
TEST(CodePage, TableAgreesWithTheSystemConverterAndRefusesWhatItCannotWrite)
{
    iconv_t cd = iconv_open("UTF-8", "CP1251");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (int b = 1; b < 256; ++b) {
        if (b == 0x98)
            continue; // no character in the code page
        char in[1] = {static_cast<char>(b)};
        char out[8] = {};
        char *src = in, *dst = out;
        size_t srcLeft = 1, dstLeft = sizeof out;
        ASSERT_NE(iconv(cd, &src, &srcLeft, &dst, &dstLeft), static_cast<size_t>(-1)) << b;
        const std::string utf8(out, sizeof out - dstLeft);
        EXPECT_EQ(utf8From1251(std::string(1, static_cast<char>(b))), utf8) << b;
        EXPECT_EQ(cp1251(utf8), std::string(1, static_cast<char>(b))) << b;
    }
    iconv_close(cd);
    EXPECT_EQ(utf8From1251("\x98"), "\xEF\xBF\xBD");
    EXPECT_FALSE(cp1251FromUtf8("\xE2\x82\xBD"));          // ₽ is not in the code page
    EXPECT_FALSE(cp1251FromUtf8("\xC0\x80"));              // overlong
    EXPECT_FALSE(cp1251FromUtf8("\xED\xA0\x80"));          // a surrogate
    EXPECT_FALSE(cp1251FromUtf8("\xD0"));                  // cut short
    EXPECT_EQ(pathForMessage("/a/\xE2\x82\xBD"), "/a/?");
}
