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
