// Recognising a category from a typed name by the words of strings.dat.
#include "cp1251.h"
#include "dictionary.h"
#include "filebytes.h"
#include "nominal.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

using namespace vosk;
using vosk::test::TempFolder;

namespace {

// strings.dat as the program finds it: written to a folder in code page 1251, CR LF, read back.
Dictionary dictionaryFile(const char *utf8Lines)
{
    TempFolder dir;
    dir.write("strings.dat", cp1251(utf8Lines));
    const ReadResult file = readFileBytes(dir.file("strings.dat"));
    EXPECT_EQ(file.status, ReadStatus::Ok);
    return readDictionary(file.bytes);
}

int guess(const char *utf8Name, const Dictionary &d) { return guesstype(cp1251(utf8Name), d); }

} // namespace

TEST(GuessType, LastMatchingLineWinsAndTheEmptyLineCatchesTheRest)
{
    const Dictionary d = dictionaryFile("КТ КП\r\n"           // category 0
                                        "E e Е е K k К к M m М м\r\n" // 1
                                        "\r\n"                 // 2: the empty line
                                        "пф нф мкф\r\n"        // 3
                                        "КТ МП\r\n"            // 4: "КТ" again
                                        "0 ,\r\n");            // 5: words no name slot holds but ","
    ASSERT_EQ(d.dictdefault, 3);

    EXPECT_EQ(guess("КТ315", d), 4);  // on lines 1 and 5: the later one
    EXPECT_EQ(guess("КП303", d), 0);
    EXPECT_EQ(guess("МП42Б", d), 4);
    EXPECT_EQ(guess("100нф", d), 3);
    EXPECT_EQ(guess("4,7К", d), 5);   // its slot 1 is ","
    EXPECT_EQ(guess("470К", d), 1);
    EXPECT_EQ(guess("470K", d), 1);   // Latin K is on line 2 as well
    EXPECT_EQ(guess("4К7", d), 1);    // any slot counts, not only the suffix
    // Words compare whole and case-sensitively.
    EXPECT_EQ(guess("КТ", d), 4);
    EXPECT_EQ(guess("кт315", d), 2);
    EXPECT_EQ(guess("КТП315", d), 2);
    EXPECT_EQ(guess("470 К", d), 2);  // the suffix is " К"
    // Nothing matches: the category of the empty line. An empty name too: its only slot
    // is empty, and the empty line has no words.
    EXPECT_EQ(guess("xyz", d), 2);
    EXPECT_EQ(guess("", d), 2);
    EXPECT_EQ(guess("470", d), 2);
}

TEST(GuessType, WithoutAnEmptyLineNothingMatchedIsMinusOne)
{
    const Dictionary none = dictionaryFile("КТ\r\nК М");
    ASSERT_EQ(none.dictdefault, 0);
    EXPECT_EQ(guess("xyz", none), -1);
    EXPECT_EQ(guess("470К", none), 1);

    // Two empty lines: the later one is the default.
    const Dictionary two = dictionaryFile("КТ\r\n\r\nК\r\n\r\nпф");
    ASSERT_EQ(two.dictdefault, 4);
    EXPECT_EQ(guess("xyz", two), 3);

    // No strings.dat lines at all.
    EXPECT_EQ(guess("4,7К", Dictionary{}), -1);
}

TEST(GuessType, AnEmptyWordClaimsNamesThatBeginWithADigit)
{
    // Line 2 has two blanks in a row, line 4 begins with a blank: both hold an empty word,
    // which equals slot 0 of every name that begins with a digit.
    const Dictionary d = dictionaryFile("КТ\r\n"
                                        "К  М\r\n"
                                        "\r\n"
                                        " пф\r\n"
                                        "МП\r\n");
    EXPECT_EQ(guess("4,7x", d), 3);   // slot 0 empty: claimed by the later empty word
    EXPECT_EQ(guess("100нф", d), 3);
    EXPECT_EQ(guess("42МП", d), 4);   // a later line still wins
    EXPECT_EQ(guess("КТ315", d), 3);  // slot 1 (after 315) is empty too
    // A name without digits has only slot 0; the empty slots beyond it take no part.
    EXPECT_EQ(guess("КТ", d), 0);
    EXPECT_EQ(guess("xyz", d), 2);
    // A name that ends in digits has an empty last slot.
    EXPECT_EQ(guess("КТ3", d), 3);
}

TEST(GuessType, TheBundledDictionaryRecognisesTypicalNames)
{
    // The installation folder that ships with the program.
    const ReadResult file = readFileBytes(std::string(VOSK_SOURCE_DATA) + "/strings.dat");
    ASSERT_EQ(file.status, ReadStatus::Ok);
    const Dictionary d = readDictionary(file.bytes);
    ASSERT_GT(d.dictcount, 0);
    // Whatever the lines say, a resistor and a capacitor name land in different
    // categories with a value scale of their own kind.
    const int r = guess("4,7К", d);
    const int c = guess("100нф", d);
    EXPECT_TRUE(isResistanceCategory(r)) << r;
    EXPECT_TRUE(isCapacitanceCategory(c)) << c;
    EXPECT_GT(readnominal(r, cp1251("4,7k")), 0.0);
    EXPECT_EQ(guess("какая-то деталь", d), d.dictdefault - 1);
}
