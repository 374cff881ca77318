// Reading names as values, writing values as canonical names, and the general number format.
#include "cp1251.h"
#include "nominal.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <limits>
#include <locale>
#include <random>
#include <vector>

using namespace vosk;

namespace {

// Tests are written in UTF-8; the program sees code page 1251.
double read(int category, const char *utf8) { return readnominal(category, cp1251(utf8)); }
std::string show(double value) { return utf8From1251(shownominal(value)); }
std::string canonical(int category, const char *utf8) { return show(read(category, utf8)); }

std::string numberOf(const char *utf8, NominalRuns &runs) { return splitnominal(cp1251(utf8), runs); }
std::string slot(const NominalRuns &runs, int k) { return utf8From1251(runs.slots[static_cast<std::size_t>(k)]); }

const double kNextAbove1e7 = std::nextafter(1e-7, 1.0);

} // namespace

TEST(SplitNominal, RunsOfDigitsSplitTheNameIntoSlots)
{
    NominalRuns runs;
    EXPECT_EQ(numberOf("4,7k", runs), "4,7");
    EXPECT_EQ(runs.last, 2);
    EXPECT_EQ(slot(runs, 0), "");
    EXPECT_EQ(slot(runs, 1), ",");
    EXPECT_EQ(slot(runs, 2), "k");

    // The suffix is what follows the last digits: nothing here.
    EXPECT_EQ(numberOf("4K7", runs), "47");
    EXPECT_EQ(runs.last, 2);
    EXPECT_EQ(slot(runs, 1), "K");
    EXPECT_EQ(slot(runs, 2), "");

    // Refilled from scratch: nothing of "4,7k" or "4K7" stays behind.
    EXPECT_EQ(numberOf("КТ315", runs), "315");
    EXPECT_EQ(runs.last, 1);
    EXPECT_EQ(slot(runs, 0), "КТ");
    EXPECT_EQ(slot(runs, 1), "");
    EXPECT_EQ(slot(runs, 2), "");

    // A point is not a decimal mark; blanks and signs are ordinary slot text.
    EXPECT_EQ(numberOf("4.7K", runs), "47");
    EXPECT_EQ(slot(runs, runs.last), "K");
    EXPECT_EQ(numberOf("-1,5 K", runs), "1,5");
    EXPECT_EQ(slot(runs, 0), "-");
    EXPECT_EQ(slot(runs, runs.last), " K");

    // Commas go into both the slots and the number text, wherever they stand.
    EXPECT_EQ(numberOf("1,2,3К", runs), "1,2,3");
    EXPECT_EQ(numberOf(",5К", runs), ",5");
    EXPECT_EQ(slot(runs, 0), ",");
    EXPECT_EQ(numberOf("a,b,c", runs), ",,");
    EXPECT_EQ(runs.last, 0);
    EXPECT_EQ(slot(runs, 0), "a,b,c");

    // No digits at all: the number is 0, even with one comma.
    EXPECT_EQ(numberOf("", runs), "0");
    EXPECT_EQ(runs.last, 0);
    EXPECT_EQ(numberOf(",", runs), "0");
    EXPECT_EQ(slot(runs, 0), ",");
    EXPECT_EQ(numberOf("мкф", runs), "0");
    EXPECT_EQ(slot(runs, 0), "мкф");
}

TEST(SplitNominal, MoreRunsThanSlotsKeepTheTextAfterTheLastDigits)
{
    // 40 runs of digits, each followed by its own separator, then a unit.
    std::string name;
    for (int k = 1; k <= 40; ++k)
        name += std::to_string(k % 10) + (k == 40 ? "" : "x" + std::to_string(k / 10) + "y");
    name += cp1251("К");
    NominalRuns runs;
    const std::string number = splitnominal(name, runs);
    EXPECT_EQ(runs.last, 25);
    EXPECT_EQ(runs.slots[25], cp1251("К"));
    for (int k = 1; k < 25; ++k)
        EXPECT_FALSE(runs.slots[static_cast<std::size_t>(k)].empty()) << k;
    // Every digit is still in the number text.
    std::string digits;
    for (char c : name)
        if (c >= '0' && c <= '9')
            digits += c;
    EXPECT_EQ(number, digits);

    // And the value is read with that suffix: 30 runs of zeros before 4,7 kilo-ohm.
    std::string many;
    for (int k = 0; k < 30; ++k)
        many += "0 ";
    many += cp1251("4,7К");
    EXPECT_EQ(readnominal(2, many), 4700.0);
    EXPECT_EQ(readnominal(2, many + " "), 0.0); // the suffix is now "К "
}

TEST(ReadNominal, NamesInTheirScales)
{
    EXPECT_EQ(read(2, "4,7k"), 4700.0);
    EXPECT_EQ(read(2, "4,7К"), 4700.0);
    EXPECT_EQ(read(1, "470"), 0.0);   // no suffix
    EXPECT_EQ(read(2, "470"), 0.0);
    EXPECT_EQ(read(2, "4K7"), 0.0);   // the suffix after the last digits is empty
    EXPECT_EQ(read(1, "1,5 K"), 0.0); // the suffix is " K"
    EXPECT_EQ(read(5, "100Нф"), 0.0); // a mixed form not in the table
    EXPECT_EQ(read(2, "4.7K"), 47000.0);
    EXPECT_EQ(read(3, ",5К"), 500.0);
    // A comma after the last digits is part of the suffix, so it spoils the unit.
    EXPECT_EQ(read(3, "5,К"), 0.0);
    EXPECT_EQ(read(3, "5,"), 0.0);
    EXPECT_EQ(read(3, "К"), 0.0);
    EXPECT_EQ(read(3, "0,1е"), 0.1);
    EXPECT_EQ(read(1, "1,5М"), 1.5e6);
    EXPECT_EQ(read(6, "2,2мкф"), static_cast<double>(2.2 * 1e-6L));

    // Each scale knows only its own suffixes, in the exact forms of the table.
    struct Case {
        const char *suffix;
        double resistance;  // value of "1" + suffix in categories 1-3
        double capacitance; // and in categories 4-7
    };
    const Case cases[] = {
        {"E", 1, 0},     {"e", 1, 0},     {"Е", 1, 0},     {"е", 1, 0},
        {"K", 1e3, 0},   {"k", 1e3, 0},   {"К", 1e3, 0},   {"к", 1e3, 0},
        {"M", 1e6, 0},   {"m", 1e6, 0},   {"М", 1e6, 0},   {"м", 1e6, 0},
        {"пф", 0, 1e-12}, {"ПФ", 0, 1e-12}, {"пФ", 0, 1e-12},
        {"нф", 0, 1e-9},  {"НФ", 0, 1e-9},  {"нФ", 0, 1e-9},
        {"мкф", 0, 1e-6}, {"МКФ", 0, 1e-6}, {"мкФ", 0, 1e-6},
        {"Пф", 0, 0}, {"Нф", 0, 0}, {"мКф", 0, 0}, {"мкf", 0, 0}, {"pF", 0, 0}, {"KK", 0, 0},
        {"k ", 0, 0}, {"Ом", 0, 0}, {"ф", 0, 0}, {"", 0, 0},
    };
    for (const Case &c : cases) {
        const std::string name = "1" + std::string(c.suffix);
        for (int category = 1; category <= 7; ++category) {
            const double expected = category <= 3 ? c.resistance : c.capacitance;
            EXPECT_EQ(read(category, name.c_str()), expected) << name << " in category " << category;
        }
    }
}

TEST(ReadNominal, CategoriesWithoutAScaleAreNotRead)
{
    for (int category : {-1, 0, 8, 9, 15, 100, 255, 65535}) {
        EXPECT_EQ(read(category, "4,7К"), 0.0) << category;
        EXPECT_EQ(read(category, "100нф"), 0.0) << category;
        // Not even converted: a bad number raises nothing here.
        EXPECT_NO_THROW(read(category, "1,2,3К")) << category;
        EXPECT_EQ(read(category, "1,2,3К"), 0.0) << category;
    }
}

TEST(ReadNominal, MoreThanOneCommaIsANumberConversionError)
{
    try {
        read(2, "1,2,3К");
        FAIL() << "no error";
    } catch (const NumberConversionError &e) {
        EXPECT_EQ(e.numberText(), "1,2,3");
        EXPECT_EQ(e.message(), "'1,2,3' is not a valid floating point value");
        EXPECT_STREQ(e.what(), "'1,2,3' is not a valid floating point value");
    }
    // The number is converted before the suffix is looked at, in both scales.
    for (int category = 1; category <= 7; ++category) {
        EXPECT_THROW(read(category, "1,2,3"), NumberConversionError) << category;
        EXPECT_THROW(read(category, "1,2,3мкф"), NumberConversionError) << category;
    }
    // Two commas and no digit: the number text is ",,".
    try {
        read(5, ",,пф");
        FAIL() << "no error";
    } catch (const NumberConversionError &e) {
        EXPECT_EQ(e.message(), "',,' is not a valid floating point value");
    }
    // One comma anywhere is fine.
    EXPECT_NO_THROW(read(5, "1,пф"));
}

TEST(ReadNominal, ProductIsRoundedOnceFromExtendedPrecision)
{
    // 100нф is the double nearest 1e-7, which lies below the extended 1e-7 of the мкф
    // band; 0,1мкф is the next double up, above it.
    const double hundredNano = read(5, "100нф");
    EXPECT_EQ(hundredNano, 1e-7);
    EXPECT_LT(static_cast<long double>(hundredNano), 1e-7L);
    const double tenthMicro = read(5, "0,1мкф");
    EXPECT_EQ(tenthMicro, kNextAbove1e7);
    EXPECT_GT(static_cast<long double>(tenthMicro), 1e-7L);
    EXPECT_EQ(show(hundredNano), "100нф");
    EXPECT_EQ(show(tenthMicro), "0,1мкф");

    // The number text itself is read correctly rounded.
    EXPECT_EQ(read(1, "9007199254740993е"), 9007199254740992.0);
    EXPECT_EQ(read(1, "0,1000000000000000055511151231257827е"), 0.1);
    EXPECT_EQ(read(1, "0000000000000000000000000000012е"), 12.0);

    // Absurdly long numbers: too large is infinite, too small is 0.
    EXPECT_TRUE(std::isinf(readnominal(1, "1" + std::string(400, '0') + "E")));
    EXPECT_EQ(readnominal(4, "," + std::string(400, '0') + "1" + cp1251("пф")), 0.0);
}

TEST(ShowNominal, BandsAndCanonicalNames)
{
    EXPECT_EQ(show(4700), "4,7К");
    EXPECT_EQ(show(1000), "1К");
    EXPECT_EQ(show(999), "999е");
    EXPECT_EQ(show(0.1), "0,1е");
    EXPECT_EQ(show(1.5e6), "1,5М");
    EXPECT_EQ(show(0), "повторите ввод");
    EXPECT_EQ(show(-4700), "повторите ввод");
    // The threshold is the extended 1e-15: the double nearest 1e-15 lies above it.
    EXPECT_EQ(show(std::nextafter(1e-15, 0.0)), "повторите ввод");
    EXPECT_EQ(show(1e-15), "0,001пф");
    EXPECT_EQ(show(1e-12), "1пф");
    EXPECT_EQ(show(1e-8), "10нф");
    EXPECT_EQ(show(4.7e-9), "4700пф");
    EXPECT_EQ(show(0.05), "50000мкф"); // one scale for every category
    EXPECT_EQ(show(1), "1е");
    EXPECT_EQ(show(999999), "999,999К");
    EXPECT_EQ(show(1e9), "1000М");
    EXPECT_EQ(show(1.5e20), "150000000000000М");
    EXPECT_EQ(show(1e21), "1E15М"); // scientific only from 1e15 of the printed number
    EXPECT_EQ(utf8From1251(shownominal(4700)), "4,7К");
    EXPECT_EQ(shownominal(4700), "4,7\xCA"); // Cyrillic К, not Latin K

    // Capacitance names made canonical.
    EXPECT_EQ(canonical(4, "1нф"), "1000пф");
    EXPECT_EQ(canonical(4, "10000пф"), "10нф");
    EXPECT_EQ(canonical(5, "150нф"), "0,15мкф");
    EXPECT_EQ(canonical(5, "100нф"), "100нф");
    EXPECT_EQ(canonical(5, "0,1мкф"), "0,1мкф");
    EXPECT_EQ(canonical(6, "100000мкф"), "0,1е");
    EXPECT_EQ(canonical(7, "4,7НФ"), "4700пф");
    // Resistance names made canonical: every typed form becomes the Cyrillic one.
    EXPECT_EQ(canonical(2, "4,7k"), "4,7К");
    EXPECT_EQ(canonical(1, "1000E"), "1К");
    EXPECT_EQ(canonical(3, "0,47m"), "470К");
    EXPECT_EQ(canonical(2, "0,05е"), "50000мкф");
    // A name without a value in its category.
    EXPECT_EQ(canonical(2, "4K7"), "повторите ввод");
    EXPECT_EQ(canonical(5, "4,7К"), "повторите ввод");
    EXPECT_EQ(canonical(2, "100нф"), "повторите ввод");
}

namespace {

// The E12 mantissa 10..82 times 10^(k-1) as a decimal text with a comma, e.g. 47, k=-1 -> "0,47".
std::string decimal(int m10, int k)
{
    std::string digits = std::to_string(m10);
    if (digits.back() == '0')
        digits.pop_back(); // 10 -> "1": 1,0 is written 1
    int intDigits = k + 1; // digits before the comma
    if (intDigits <= 0)
        return "0," + std::string(static_cast<std::size_t>(-intDigits), '0') + digits;
    if (static_cast<int>(digits.size()) <= intDigits)
        return digits + std::string(static_cast<std::size_t>(intDigits) - digits.size(), '0');
    return digits.substr(0, static_cast<std::size_t>(intDigits)) + "," + digits.substr(static_cast<std::size_t>(intDigits));
}

} // namespace

TEST(ShowNominal, CanonicalNamesReadBackToThemselves)
{
    const int e12[] = {10, 12, 15, 18, 22, 27, 33, 39, 47, 56, 68, 82};
    struct Band {
        const char *suffix;
        int firstK, lastK; // decades in which names of this band are canonical
        int firstCategory, lastCategory;
    };
    const Band bands[] = {
        {"е", -1, 2, 1, 3},  // 0,1е .. 820е
        {"К", 0, 2, 1, 3},   // 1К .. 820К
        {"М", 0, 5, 1, 3},   // 1М .. 820000М
        {"пф", -2, 3, 4, 7}, // 0,01пф .. 8200пф
        {"нф", 1, 1, 4, 7},  // 10нф .. 82нф
        {"мкф", -1, 4, 4, 7}, // 0,1мкф .. 82000мкф
    };
    int checked = 0;
    for (const Band &b : bands)
        for (int k = b.firstK; k <= b.lastK; ++k)
            for (int m : e12) {
                const std::string name = decimal(m, k) + cp1251(b.suffix);
                for (int category = b.firstCategory; category <= b.lastCategory; ++category) {
                    const double v = readnominal(category, name);
                    EXPECT_EQ(shownominal(v), name) << utf8From1251(name) << " in category " << category;
                    // And once more: canonical names are a fixed point.
                    EXPECT_EQ(shownominal(readnominal(category, shownominal(v))), name);
                    ++checked;
                }
            }
    EXPECT_EQ(checked, 12 * (4 * 3 + 3 * 3 + 6 * 3 + 6 * 4 + 1 * 4 + 6 * 4));
    // The band edge 100нф is canonical too.
    EXPECT_EQ(canonical(4, "100нф"), "100нф");
    // A name of one scale carried into the other is lost.
    EXPECT_EQ(canonical(4, "820К"), "повторите ввод");
    EXPECT_EQ(canonical(1, "82нф"), "повторите ввод");
}

TEST(GeneralFormat, FixedAndScientificNotation)
{
    EXPECT_EQ(generalFormat(0), "0");
    EXPECT_EQ(generalFormat(-0.0), "0");
    EXPECT_EQ(generalFormat(4700), "4700");
    EXPECT_EQ(generalFormat(100), "100");
    EXPECT_EQ(generalFormat(0.1), "0,1");
    EXPECT_EQ(generalFormat(-2.5), "-2,5");
    EXPECT_EQ(generalFormat(1.0 / 3), "0,333333333333333");
    EXPECT_EQ(generalFormat(2.0 / 3), "0,666666666666667");
    EXPECT_EQ(generalFormat(1e-4), "0,0001");
    EXPECT_EQ(generalFormat(0.000123), "0,000123");
    EXPECT_EQ(generalFormat(9.99e-5), "9,99E-5");
    EXPECT_EQ(generalFormat(4.7e-9), "4,7E-9");
    EXPECT_EQ(generalFormat(read(5, "4,7нф")), "4,7E-9");
    EXPECT_EQ(generalFormat(read(6, "100нф")), "1E-7");
    EXPECT_EQ(generalFormat(-1e-9), "-1E-9");
    EXPECT_EQ(generalFormat(1.5e-300), "1,5E-300");
    EXPECT_EQ(generalFormat(123456789012345.0), "123456789012345");
    EXPECT_EQ(generalFormat(1e14), "100000000000000");
    EXPECT_EQ(generalFormat(1e15), "1E15");
    EXPECT_EQ(generalFormat(1234567890123456.0), "1,23456789012346E15");
    EXPECT_EQ(generalFormat(999999999999999.9), "1E15"); // rounds up into scientific
    EXPECT_EQ(generalFormat(0.00009999999999999999), "0,0001"); // rounds up into fixed
    EXPECT_EQ(generalFormat(1e100), "1E100");
    EXPECT_EQ(generalFormat(std::numeric_limits<double>::max()), "1,79769313486232E308");
    EXPECT_EQ(generalFormat(std::numeric_limits<double>::denorm_min()), "4,94065645841247E-324");
    EXPECT_EQ(generalFormat(std::numeric_limits<double>::infinity()), "INF");
}

namespace {

void expectValuesUnchanged(const char *locale)
{
    SCOPED_TRACE(locale);
    EXPECT_EQ(read(2, "4,7k"), 4700.0);
    EXPECT_EQ(read(3, "0,1е"), 0.1);
    EXPECT_EQ(read(5, "100нф"), 1e-7);
    EXPECT_EQ(read(5, "0,1мкф"), kNextAbove1e7);
    EXPECT_EQ(read(2, "4.7K"), 47000.0);
    EXPECT_THROW(read(2, "1,2,3К"), NumberConversionError);
    EXPECT_EQ(show(4700), "4,7К");
    EXPECT_EQ(show(1.5e6), "1,5М");
    EXPECT_EQ(canonical(5, "150нф"), "0,15мкф");
    EXPECT_EQ(generalFormat(4.7e-9), "4,7E-9");
    EXPECT_EQ(generalFormat(1234567.25), "1234567,25"); // no grouping either
    EXPECT_EQ(generalFormat(1234567890123456.0), "1,23456789012346E15");
}

} // namespace

TEST(Values, DoNotDependOnTheLocale)
{
    // Locales compiled into the build folder by CMake; the system's ones are found too.
    ::setenv("LOCPATH", VOSK_TEST_LOCPATH, 1);
    expectValuesUnchanged("C");
    int commaLocales = 0;
    for (const char *name : {"ru_RU.UTF-8", "de_DE.UTF-8", "ru_RU.CP1251", "C.UTF-8"}) {
        if (!std::setlocale(LC_ALL, name))
            continue;
        try {
            std::locale::global(std::locale(name));
        } catch (const std::runtime_error &) {
            std::locale::global(std::locale::classic());
        }
        if (std::localeconv()->decimal_point[0] == ',')
            ++commaLocales;
        expectValuesUnchanged(name);
    }
    std::setlocale(LC_ALL, "C");
    std::locale::global(std::locale::classic());
    ::unsetenv("LOCPATH");
    if (commaLocales == 0)
        GTEST_SKIP() << "no locale with a decimal comma could be loaded; checked only C locales";
}

// Usual names take a quick way to their number (an integer and a power of ten); names with
// more than 19 digits take the general one. Twenty leading zeros send a name the general
// way without changing its number or its suffix, so both ways must agree on every name.
TEST(ReadNominal, QuickAndGeneralReadingsAgree)
{
    const std::vector<std::string> pieces = {"0", "1", "4", "7", "9", "47", "999", "12345678", ",", ",", " ",
                                             "K", "k", "E", "M", cp1251("К"), cp1251("мкф"), cp1251("пф"),
                                             cp1251("нф"), cp1251("мк"), "x", "00"};
    std::mt19937 random(11);
    int compared = 0;
    for (int n = 0; n < 20000; ++n) {
        std::string name;
        for (int k = static_cast<int>(random() % 6); k >= 0; --k)
            name += pieces[random() % pieces.size()];
        for (int category : {2, 5}) {
            double quick = -1, general = -1;
            bool quickRefused = false, generalRefused = false;
            try {
                quick = readnominal(category, name);
            } catch (const NumberConversionError &) {
                quickRefused = true;
            }
            try {
                general = readnominal(category, std::string(20, '0') + name);
            } catch (const NumberConversionError &) {
                generalRefused = true;
            }
            ASSERT_EQ(quickRefused, generalRefused) << utf8From1251(name);
            ASSERT_EQ(quick, general) << utf8From1251(name) << " in category " << category;
            compared += quickRefused ? 0 : 1;
        }
    }
    EXPECT_GT(compared, 20000); // most names have at most one comma
}
