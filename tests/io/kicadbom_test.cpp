#include "bin.h"
#include "iofixture.h"
#include "kicadbom.h"

using namespace vosk;

namespace {

std::string u8(const std::string &s) { return utf8From1251(s); }

// "category name needed" of every line, problems marked with '!'.
std::vector<std::string> summary(const BomRead &bom)
{
    std::vector<std::string> out;
    for (const BomLine &l : bom.lines)
        out.push_back(std::to_string(l.row.category) + " " + u8(l.row.name) + " " + l.row.needed +
                      (l.problem.empty() ? "" : " !"));
    return out;
}

} // namespace

TEST(KicadBom, TheBundledBoardAgainstTheBundledStock)
{
    test::Bundled data;
    const ReadResult file = readFileBytes(VOSK_SOURCE_DATA "/kicad/amplifier-bom.csv");
    ASSERT_EQ(file.status, ReadStatus::Ok);
    const BomRead bom = readKicadBom(file.bytes, data.dict, data.categories, data.store);
    ASSERT_TRUE(bom.error.empty()) << u8(bom.error);
    EXPECT_EQ(bom.notFitted, 1); // R10 is marked DNP
    EXPECT_EQ(summary(bom), (std::vector<std::string>{
                                "4 100нф 2",      // C1,C2 «100n»: ceramic, as the dictionary guesses
                                "5 0,1мкф 1",     // C3 «0.1uF»: the stock keeps 0,1мкф only among film capacitors
                                "6 4,7мкф 2",     // C4,C5 «4u7»: only among electrolytics
                                "6 1000мкф 1",    // C6
                                "9 КС156А 1",     // D1: the zener
                                "8 1N4148 1",     // D2
                                "15 Conn_01x03 1", // J1: the category of everything else
                                "11 КТ315Б 2",    // Q1,Q2
                                "11 КТ603Б 3",    // Q3-Q5
                                "2 4,7К 2",       // R1,R2 «4k7»
                                "2 100е 1",       // R3 «100R»
                                "2 1К 2",         // R4,R5 «1k»
                                "2 10К 1",        // R6
                                "2 470е 1",       // R7 «470»: ohms
                                "2 82К 1",        // R8
                                "2 2,2К 1",       // R9 «2.2k»
                            }));
    EXPECT_EQ(u8(bom.lines[0].references), "C1,C2");
    EXPECT_EQ(bom.lines[0].row.description, "");
    EXPECT_EQ(bom.lines[0].row.status, BinStatus::Ready);
    EXPECT_EQ(u8(bom.lines[0].row.caption), "Конденсаторы керамические");

    std::vector<BinRow> rows;
    for (const BomLine &l : bom.lines)
        rows.push_back(l.row);
    const BinFind find = findbin(data.store, data.categories, rows, true);
    std::vector<std::string> statuses;
    for (const BinRow &r : find.rows)
        statuses.push_back(std::string(statusWord(r.status)) + " " + r.shortage + " " + r.found);
    EXPECT_EQ(statuses, (std::vector<std::string>{
                            "green 0 3", "green 0 3", "green 0 2", "green 0 3", "green 0 1", "green 0 1",
                            "red 1 0",    // no connector in the stock
                            "green 0 1", "yellow 1 1", // two КТ603Б for three places
                            "green 0 2", "green 0 2", "green 0 2", "green 0 2", "green 0 2", "green 0 1",
                            "green 0 2"}));
}

TEST(KicadBom, LayoutsSeparatorsSpellingsAndProblems)
{
    test::Bundled data;
    auto read = [&](const std::string &bytes) { return readKicadBom(bytes, data.dict, data.categories, data.store); };

    // The classic grouped script: a preamble, then Ref/Qnty/Value, references split by blanks.
    BomRead bom = read("\"Source:\",\"/home/u/amp.sch\"\n\"Date:\",\"2024\"\n\"Component Count:\",\"5\"\n\n"
                       "\"Ref\",\"Qnty\",\"Value\",\"Cmp name\",\"Footprint\",\"Description\",\"Vendor\"\n"
                       "\"R1 R2 \",\"2\",\"4K7\",\"R\",\"R_0805\",\"Resistor\",\"\"\n"
                       "\"C1 \",\"1\",\"4.7uF\",\"C\",\"C_0805\",\"Unpolarized capacitor\",\"\"\n");
    ASSERT_TRUE(bom.error.empty()) << u8(bom.error);
    EXPECT_EQ(summary(bom), (std::vector<std::string>{"2 4,7К 2", "6 4,7мкф 1"}));
    EXPECT_EQ(bom.lines[0].line, 6);
    EXPECT_EQ(bom.lines[1].footprint, "C_0805");

    // No header, one part a line; a range counted when no quantity column tells.
    bom = read("R1,10k,R_0805\r\nR2,10K,R_0805\r\n");
    EXPECT_EQ(summary(bom), (std::vector<std::string>{"2 10К 1", "2 10К 1"}));
    bom = read("Reference;Value;Footprint\nR1-R4, R7;4,7к;R_0805\nC1;100 нФ;C_0805\n");
    EXPECT_EQ(summary(bom), (std::vector<std::string>{"2 4,7К 5", "4 100нф 1"}));
    bom = read("Value\tReference\tQuantity\n4.7kΩ\tR1\t1\n10µF\tC1\t1\n22pF 50V\tC2\t1\n");
    EXPECT_EQ(summary(bom), (std::vector<std::string>{"2 4,7К 1", "6 10мкф 1", "4 22пф 1"}));
    EXPECT_EQ(bom.lines[1].row.needed, "1");

    // Values that cannot be mapped stay, with the reason.
    bom = read("Reference,Value,Qty\nR1,abc,1\nC1,4k7,1\nR2,~,1\nC2,0.001u,x\nQ1,2N2222A,2\nU1,LM☃,1\nR3,10m,1\n");
    ASSERT_EQ(bom.lines.size(), 7u);
    EXPECT_EQ(bom.unmapped(), 5u);
    EXPECT_EQ(summary(bom), (std::vector<std::string>{"1 abc 1 !", "4 4k7 1 !", "-1 ~ 1 !", "4 1000пф 1 !",
                                                      "11 2N2222A 2", "-1 LM? 1 !", "2 10М 1"})); // one ? for the snowman
    EXPECT_EQ(u8(bom.lines[3].problem), "Количество «x» не целое число от 1.");

    for (const char *bad : {"", "\xEF\xBB\xBF", "\n\n", "one\nfield\n"})
        EXPECT_FALSE(read(bad).error.empty()) << bad;
    EXPECT_FALSE(read("Reference,Value\n\"R1,4k7\n").error.empty()); // a quote never closed
    EXPECT_FALSE(read("Reference,Value\nR1,4k7,1,DNP\n").lines.empty());
}
