#include "iofixture.h"
#include "nominal.h"
#include "valuetext.h"

using namespace vosk;

namespace {
std::string u8(const std::string &s) { return utf8From1251(s); }
} // namespace

TEST(CanonicalName, AcceptsWhatReadsBackAndRefusesWhatWouldNot)
{
    struct Case {
        int category;
        const char *typed;
        const char *stored; // nullptr: refused
    };
    const Case cases[] = {
        {2, "4,7k", "4,7К"},      {2, "1000E", "1К"},        {1, "1,5M", "1,5М"},     {3, "0,1е", "0,1е"},
        {5, "1нф", "1000пф"},      {5, "150нф", "0,15мкф"},   {4, "100нф", "100нф"},   {6, "0,1мкф", "0,1мкф"},
        {8, "КТ315Б", "КТ315Б"},   {7, "4К7", "4К7"},         {0, "470", "470"},       {8, "", ""},
        {2, "470", nullptr},       // no unit: would be «повторите ввод»
        {2, "4K7", nullptr},       // the suffix after the last digits is empty
        {2, "0е", nullptr},        // zero
        {1, "0,05е", nullptr},     // would be written «50000мкф», which a resistor category reads as 0
        {4, "4,7К", nullptr},      // a unit of the other scale
        {5, "0,1е", nullptr},      // a capacitance of 0,1 farad prints with «е»
        {2, "100Нф", nullptr},     // a mixed form no table holds
        {3, "1000000000000000000000М", nullptr}, // prints with an exponent that reads back otherwise
    };
    for (const Case &c : cases) {
        const CanonicalName r = canonicalName(c.category, cp1251(c.typed));
        if (c.stored) {
            EXPECT_TRUE(r.ok()) << c.typed << ": " << u8(r.refusal);
            EXPECT_EQ(u8(r.name), c.stored) << c.typed;
        } else {
            EXPECT_FALSE(r.ok()) << c.typed << " accepted as " << u8(r.name);
        }
    }
    // Hundreds of digits: an infinity is never a name.
    EXPECT_FALSE(canonicalName(2, std::string(400, '9') + "K").ok());
    // Two commas: the words the user knows from typing.
    EXPECT_EQ(canonicalName(2, cp1251("1,2,3К")).refusal, "'1,2,3' is not a valid floating point value");
    // Every canonical name of the bundled resistor and capacitor categories is its own canonical form.
    test::Bundled data;
    for (int i = 1; i <= data.store.compcount; ++i)
        if (hasCanonicalNames(data.store.category[i])) {
            const CanonicalName r = canonicalName(data.store.category[i], data.store.name[i]);
            EXPECT_TRUE(r.ok() && r.name == data.store.name[i]) << u8(std::string(data.store.name[i]));
        }
}

TEST(LooseValue, EverySpellingOfOneValueGivesTheValueOfTheStoredName)
{
    const double r47k = readnominal(2, cp1251("4,7К"));
    for (const char *s : {"4,7k", "4К7", "4k7", "4K7", "4.7k", "4700", "4,7К", "4,7 кОм", "4.7kOhm", "4700Ом", "4700R",
                          " 4,7k "}) {
        const auto v = readLooseValue(cp1251(s), true);
        ASSERT_TRUE(v) << s;
        EXPECT_EQ(*v, r47k) << s; // the same product, bit for bit
    }
    const double c100n = readnominal(4, cp1251("100нф"));
    for (const char *s : {"0,1мкф", "100нф", "100n", "0.1uF", "100nF", "100 нФ", "0,1мкФ", "100000пф", "100000",
                          "0.1u"}) {
        const auto v = readLooseValue(cp1251(s), false);
        ASSERT_TRUE(v) << s;
        EXPECT_TRUE(sameValue(*v, c100n)) << s << " " << *v;
    }
    EXPECT_EQ(*readLooseValue("4u7", false), readnominal(6, cp1251("4,7мкф")));
    EXPECT_EQ(*readLooseValue("2n2", false), readnominal(4, cp1251("2,2нф")));
    EXPECT_EQ(*readLooseValue("100R", true), 100.0);
    EXPECT_EQ(*readLooseValue("10", true), 10.0);
    EXPECT_EQ(*readLooseValue("R47", true), 0.47);
    EXPECT_EQ(*readLooseValue(cp1251("1М5"), true), 1.5e6);
    // Not a value of the scale.
    for (const char *s : {"", "k", "КТ315", "4 7", "4,7,1k", "4k7k", "-10k", "4,7мкф", "1N4148", ",", "0"})
        EXPECT_FALSE(readLooseValue(cp1251(s), true)) << s;
    for (const char *s : {"4,7К", "100R", "абв", "4u7u", "1e5"})
        EXPECT_FALSE(readLooseValue(cp1251(s), false)) << s;
    // «100нф» and «0,1мкф» are different doubles, but the same value.
    EXPECT_NE(readnominal(4, cp1251("100нф")), readnominal(4, cp1251("0,1мкф")));
    EXPECT_TRUE(sameValue(readnominal(4, cp1251("100нф")), readnominal(4, cp1251("0,1мкф"))));
    EXPECT_FALSE(sameValue(4700, 4701));
    EXPECT_FALSE(sameValue(1e-7, 1.0000001e-7));
}

TEST(ValueSearch, FindsOneValueInEveryValueCategoryWhateverItsSpelling)
{
    CompStore store;
    const struct {
        int cat;
        const char *name, *desc;
    } records[] = {
        {1, "4,7К", "МЛТ-0,125"}, {2, "4,7К", "МЛТ-0,25"}, {2, "47К", "МЛТ-0,25"},  {2, "4,7М", "МЛТ-0,25"},
        {3, "4,7е", "С5-16"},     {4, "100нф", "К10-17"},  {5, "0,1мкф", "К73-17"}, {6, "4,7мкф", "К50-35"},
        {7, "4,7 пф", "руками"},     {8, "4,7К", "не номинал"}, {4, "4700пф", "К10-17"}, {2, "1,2,3К", "сломано"},
    };
    for (const auto &r : records)
        store.append(static_cast<uint16_t>(r.cat), cp1251(r.name), 1, cp1251(r.desc));
    ViewList view;
    auto found = [&](const char *query, int category = -1, const char *desc = "") {
        const auto q = readValueQuery(cp1251(query));
        EXPECT_TRUE(q) << query;
        std::vector<int> slots;
        if (!q)
            return slots;
        filterByValue(store, {category, "ignored", 0, cp1251(desc)}, false, *q, view);
        for (int k = 1; k <= view.viewcount; ++k)
            slots.push_back(view.viewlist[k]);
        return slots;
    };
    // The resistors of 4,7 kΩ, not the «4,7К» of the diode category, which holds no values;
    // a bare number is also a capacitance in picofarads.
    for (const char *q : {"4,7k", "4К7", "4,7К"})
        EXPECT_EQ(found(q), (std::vector<int>{1, 2})) << q;
    EXPECT_EQ(found("4700"), (std::vector<int>{1, 2, 11}));
    for (const char *q : {"4,7k", "4K7"})
        EXPECT_EQ(found(q, 2), (std::vector<int>{2})) << q;
    for (const char *q : {"0,1мкф", "100нф", "100n", "0.1uF"})
        EXPECT_EQ(found(q), (std::vector<int>{6, 7})) << q;
    EXPECT_EQ(found("4u7"), (std::vector<int>{8}));
    EXPECT_EQ(found("4,7пф"), (std::vector<int>{9})); // the hand-typed «4,7 пф» of the trimmer category, read loosely
    EXPECT_EQ(found("4,7e"), (std::vector<int>{5}));
    EXPECT_EQ(found("4,7k", -1, "0,25"), (std::vector<int>{2}));
    EXPECT_FALSE(readValueQuery(cp1251("КТ315")));
    EXPECT_FALSE(readValueQuery(""));
}
