#include "bin.h"
#include "iofixture.h"
#include "kicadbom.h"

#include <algorithm>
#include <map>

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
    EXPECT_EQ(u8(bom.lines[0].references), "C1, C2");
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
                            // resistors of every power category hold each value
                            "green 0 6", "green 0 7", "green 0 7", "green 0 6", "green 0 6", "green 0 2",
                            "green 0 6"}));
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
    EXPECT_EQ(summary(bom), (std::vector<std::string>{"2 4,7К 2", "4 4,7мкф 1"})); // a chip is ceramic
    EXPECT_EQ(bom.lines[0].line, 6);
    EXPECT_EQ(bom.lines[1].footprint, "C_0805");

    // No header, one part a line, the same part summed; a range counted when no quantity
    // column tells.
    bom = read("R1,10k,R_0805\r\nR2,10K,R_0805\r\n");
    EXPECT_EQ(summary(bom), (std::vector<std::string>{"2 10К 2"}));
    bom = read("Reference;Value;Footprint\nR1-R4, R7;4,7к;R_0805\nC1;100 нФ;C_0805\n");
    EXPECT_EQ(summary(bom), (std::vector<std::string>{"2 4,7К 5", "4 100нф 1"}));
    bom = read("Value\tReference\tQuantity\n4.7kΩ\tR1\t1\n10µF\tC1\t1\n22pF 50V\tC2\t1\n");
    EXPECT_EQ(summary(bom), (std::vector<std::string>{"2 4,7К 1", "6 10мкф 1", "4 22пф 1"}));
    EXPECT_EQ(bom.lines[1].row.needed, "1");

    // Values that cannot be mapped stay, with the reason.
    bom = read("Reference,Value,Qty\nR1,abc,1\nC1,4k7,1\nR2,~,1\nC2,0.001u,x\nQ1,2N2222A,2\nU1,LM☃,1\nR3,10m,1\n");
    ASSERT_EQ(bom.lines.size(), 7u);
    EXPECT_EQ(bom.unmapped(), 5u);
    EXPECT_EQ(summary(bom), (std::vector<std::string>{"1 abc 1 !", "4 4k7 1 !", "-1 ~ 1 !", "4 0.001u 1 !",
                                                      "11 2N2222A 2", "-1 LM? 1 !", "2 10М 1"})); // one ? for the snowman
    EXPECT_EQ(u8(bom.lines[3].problem), "Количество «x» не целое число от 1.");

    for (const char *bad : {"", "\xEF\xBB\xBF", "\n\n", "one\nfield\n"})
        EXPECT_FALSE(read(bad).error.empty()) << bad;
    EXPECT_FALSE(read("Reference,Value\n\"R1,4k7\n").error.empty()); // a quote never closed
    EXPECT_FALSE(read("Reference,Value\nR1,4k7,1,DNP\n").lines.empty());
}

namespace {

std::string corpus(const std::string &name)
{
    const ReadResult file = readFileBytes(VOSK_SOURCE_DIR "/tests/io/kicad/" + name);
    EXPECT_EQ(file.status, ReadStatus::Ok) << name;
    return file.bytes;
}

// "references: category name needed" of every need, problems marked with '!', sorted.
std::vector<std::string> needs(const BomRead &bom)
{
    std::vector<std::string> out;
    for (const BomLine &l : bom.lines)
        out.push_back(u8(l.references) + ": " + std::to_string(l.row.category) + " " + u8(l.row.name) + " " +
                      l.row.needed + (l.problem.empty() ? "" : " !"));
    std::sort(out.begin(), out.end());
    return out;
}

} // namespace

TEST(KicadBom, KicadsOwnFilesReadAsAPersonReadsThem)
{
    test::Bundled data;
    auto read = [&](const std::string &name) {
        BomRead bom = readKicadBom(corpus(name), data.dict, data.categories, data.store);
        EXPECT_TRUE(bom.error.empty()) << name << ": " << u8(bom.error);
        for (const BomLine &l : bom.lines) // never a heading of the file as a part
            EXPECT_EQ(l.value.find(':'), std::string::npos) << name << " line " << l.line;
        return bom;
    };
    // The default script: the collated table, not the individual one nor the headings.
    const BomRead grouped = read("pic_programmer.grouped_by_value.csv");
    EXPECT_EQ(grouped.fileRows, 38);
    EXPECT_EQ(grouped.lines.size(), 38u);
    EXPECT_EQ(grouped.lines.front().line, 79);
    // Every other layout KiCad ships, one row a part or grouped, gives the same needs.
    for (const char *other : {"pic_programmer.bom_csv_grouped_by_value_with_fp.csv", "pic_programmer.bom_csv_sorted_by_ref.csv",
                              "pic_programmer.bom_txt_sorted_by_ref.csv", "pic_programmer.bom2csv.csv",
                              "pic_programmer.bom2grouped_csv.csv"})
        EXPECT_EQ(needs(read(other)), needs(grouped)) << other;
    EXPECT_EQ(read("pic_programmer.bom_csv_sorted_by_ref.csv").fileRows, 63);

    // Every resistor and capacitor value of the board, as a person reads it.
    std::map<std::string, std::string> seen;
    for (const BomLine &l : grouped.lines)
        if (l.row.part && (l.references[0] == 'R' || l.references[0] == 'C'))
            seen[u8(l.references)] = u8(l.value) + " = " + std::to_string(l.row.category) + " " + u8(l.row.name) +
                                     (l.row.part->volts > 0 ? " " + std::to_string(int(l.row.part->volts)) + "V" : "") +
                                     (l.problem.empty() ? "" : " !");
    EXPECT_EQ(seen, (std::map<std::string, std::string>{
                        {"C1", "100uF = 6 100мкф"},   // «100µF», CP_ footprint: electrolytic
                        {"C2", "220uF = 6 220мкф"},
                        {"C3", "22uF/25V = 6 22мкф 25V"}, // a polarised symbol on an axial footprint
                        {"C4", "0 = 4 0 !"},          // no capacitance
                        {"C5", "10nF = 4 10нф"},      // disc: ceramic
                        {"C6, C7", "100nF = 4 100нф"},
                        {"C9", "220nF = 4 0,22мкф"},  // the stock spells it so among ceramics
                        {"R1–R7", "10K = 2 10К"},
                        {"R8", "1K = 2 1К"},
                        {"R9, R19, R20", "2.2K = 2 2,2К"},
                        {"R10", "5,1K = 2 5,1К"},
                        {"R11, R17", "22K = 2 22К"},
                        {"R12–R14, R21", "470 = 2 470е"},
                        {"R15", "6.2K = 2 6,2К"},
                        {"R16", "62K = 2 62К"},
                        {"R18", "220 = 2 220е"},
                        {"RV1", "1K = 15 1K"},        // a potentiometer is no fixed resistor
                    }));

    // Every file of the corpus reads, its parts summed; voltages and part numbers kept.
    for (const char *name : {"ecc83-pp.grouped_by_value.csv", "complex_hierarchy.grouped_by_value.csv",
                             "interf_u.grouped_by_value.csv", "sonde_xilinx.grouped_by_value.csv",
                             "laser_driver.grouped_by_value.csv", "electric.grouped_by_value.csv",
                             "kit-dev-coldfire-xilinx_5213.bom_csv_sorted_by_ref.csv"})
        EXPECT_FALSE(read(name).lines.empty()) << name;
    // KiCad's own «0» on a resistor (R113 of the ColdFire kit) is a 0 ohm jumper, asked for as
    // «0е» among the resistors, never a problem row.
    const BomRead coldfire = read("kit-dev-coldfire-xilinx_5213.bom_csv_sorted_by_ref.csv");
    const auto jumper = std::find_if(coldfire.lines.begin(), coldfire.lines.end(),
                                     [](const BomLine &l) { return u8(l.references) == "R113"; });
    ASSERT_NE(jumper, coldfire.lines.end());
    EXPECT_EQ(u8(jumper->row.name), "0е");
    EXPECT_TRUE(jumper->problem.empty()) << u8(jumper->problem);
    ASSERT_TRUE(jumper->row.part && jumper->row.part->value);
    EXPECT_EQ(*jumper->row.part->value, 0);
    const BomRead hub = read("StickHub.grouped_by_value.csv");
    ASSERT_GE(hub.lines.size(), 4u);
    EXPECT_EQ(u8(hub.lines[1].references), "C2, C5–C21"); // 0.1uF and 0.1uF 100V: one part, 18
    EXPECT_EQ(hub.lines[1].row.needed, "18");
    EXPECT_EQ(hub.lines[1].row.part->volts, 100);
    EXPECT_EQ(hub.lines[1].row.part->categories, uint64_t{1} << 4); // 1608 chips: ceramic only
    EXPECT_EQ(u8(hub.lines[2].row.name), "10мкф");
    EXPECT_EQ(hub.lines[2].row.part->categories, uint64_t{1} << 4); // not the К50-35 electrolytics
    ASSERT_EQ(hub.lines[0].row.part->orders.size(), 1u);
    EXPECT_EQ(hub.lines[0].row.part->orders[0].extra, std::vector<std::string>{"MPN=FS15B105K100PKG"});
    // The joined 0.1uF rows keep their own part numbers, references and counts.
    std::vector<std::string> orders;
    for (const BomOrder &o : hub.lines[1].row.part->orders)
        orders.push_back(o.extra.at(0) + " " + u8(o.references) + " " + o.bomValue + " " + std::to_string(o.count));
    EXPECT_EQ(orders, (std::vector<std::string>{"MPN=CC0402KRX7R7BB104 C2, C5–C13 0.1uF 10",
                                                "MPN=NM0805B104K101CEDN C14–C21 0.1uF 100V 8"}));
    // Electrical drawings: kinds no reference letter names are problems, never guessed.
    const BomRead electric = read("electric.grouped_by_value.csv");
    EXPECT_EQ(electric.unmapped(), electric.lines.size());
}

TEST(KicadBom, KindsRatingsAndSpellingsDrawingsUse)
{
    test::Bundled data;
    auto read = [&](const std::string &bytes) { return readKicadBom(bytes, data.dict, data.categories, data.store); };
    BomRead bom = read("Reference,Value,Footprint\n"
                       "R1,0R,R_0805\nR2,4R7,R_0805\nR3,10kR,R_0805\nR4,2k2,R_0805\nR5,1k 0.25W,R_0805\n"
                       "C1,22uF/25V,CP_Radial_D5.0mm\nC2,100n 50V,C_Disc\nC3,1\xC2\xB5" "F,C_0603\nC4,10uF 6.3V,C_0402\n"
                       "RV1,1K,Potentiometer\nPOT1,100K,Pot\nU3,TPD3E001DRLR,SOT-5\nC5,,C_0603\nV1,ECC83,Valve\n");
    ASSERT_TRUE(bom.error.empty()) << u8(bom.error);
    std::vector<std::string> got;
    for (const BomLine &l : bom.lines) {
        const BomPart &p = *l.row.part;
        got.push_back(u8(l.references) + " " + std::to_string(p.categories) + " " + u8(l.row.name) +
                      (p.value ? "" : " by name") + (p.volts ? " " + std::to_string(p.volts).substr(0, 4) + "V" : "") +
                      (p.watts ? " " + std::to_string(p.watts).substr(0, 4) + "W" : "") + (l.problem.empty() ? "" : " !"));
    }
    EXPECT_EQ(got, (std::vector<std::string>{
                       "R1 14 0е", "R2 14 4,7е", "R3 14 10К", "R4 14 2,2К", "R5 14 1К 0.25W",
                       "C1 64 22мкф 25.0V", "C2 16 100нф 50.0V", "C3 16 1мкф", "C4 16 10мкф 6.30V",
                       "RV1 32768 1K by name", "POT1 32768 100K by name", "U3 24576 TPD3E001DRLR by name",
                       "C5 16  by name !", "V1 0 ECC83 by name !"}));

    // Looked up: the kind's categories only, and a lower stated voltage never serves.
    std::vector<BinRow> rows;
    for (const BomLine &l : bom.lines)
        rows.push_back(l.row);
    const BinFind find = findbin(data.store, data.categories, rows, false);
    for (size_t k = 0; k < rows.size(); ++k)
        for (int j = 0; j < find.counts[k]; ++j) {
            size_t at = 0;
            for (size_t m = 0; m < k; ++m)
                at += static_cast<size_t>(find.counts[m]);
            const int category = find.listCategories[at + static_cast<size_t>(j)];
            EXPECT_TRUE(rows[k].part->categories >> category & 1) << k;
        }
    EXPECT_EQ(find.rows[12].status, BinStatus::Red); // no value: never green, nothing found
    EXPECT_EQ(find.counts[12], 0);
    EXPECT_EQ(find.rows[13].status, BinStatus::Red);
    // 0,1 µF for 100 V: the stock's 63 V film and 50 V ceramics do not serve; 400 V does.
    // Rows of one value asking different voltages are one need, asking the highest.
    bom = read("Reference,Value,Footprint\nC1,0.1uF 100V,C_Rect_L7.2mm\nC2,0.1uF 500V,C_Rect_L7.2mm\n");
    ASSERT_EQ(bom.lines.size(), 1u);
    EXPECT_EQ(bom.lines[0].row.part->volts, 500);
    rows = {read("Reference,Value,Footprint\nC1,0.1uF 100V,C_Rect_L7.2mm\n").lines[0].row, bom.lines[0].row};
    const BinFind film = findbin(data.store, data.categories, rows, true);
    ASSERT_GE(film.listSlots.size(), 2u);
    for (int k = 0; k < film.counts[0]; ++k)
        EXPECT_GE(recordRating(5, data.store.description[film.listSlots[static_cast<size_t>(k)]]).volts, 100);
    EXPECT_EQ(film.rows[1].status, BinStatus::Red);
    EXPECT_EQ(recordRating(3, cp1251("С5-16МВ 1 Вт")).watts, 1);
    EXPECT_EQ(recordRating(5, cp1251("К10-7В 50В")).volts, 50);
    EXPECT_EQ(recordRating(1, cp1251("МЛТ-0,125")).watts, 0.125);
}

TEST(KicadBom, WhatIsNoTableIsRefusedWhole)
{
    test::Bundled data;
    auto error = [&](const std::string &bytes) { return u8(readKicadBom(bytes, data.dict, data.categories, data.store).error); };
    EXPECT_NE(error(std::string("PK\x03\x04\x14\0\0\0", 8) + "[Content_Types].xml xl/workbook.xml").find("Excel (.xlsx)"), std::string::npos);
    EXPECT_NE(error(std::string("PK\x03\x04\x14\0\0\0", 8) + "mimetypeapplication/vnd.oasis.opendocument.spreadsheet").find(".ods"),
              std::string::npos);
    EXPECT_NE(error(std::string("Reference,Value\nR1,1k\n\0\0\x01\x02", 26)).find("двоичный"), std::string::npos);
    EXPECT_NE(error("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1").find("(.xls)"), std::string::npos);
    EXPECT_NE(error(std::string("PK\x03\x04", 4)).find("сохраните как CSV"), std::string::npos);
    std::string many = "Reference,Value\n";
    for (size_t k = 0; k <= kBomRows; ++k)
        many += "R1,1k\n";
    EXPECT_NE(error(many).find(std::to_string(kBomRows)), std::string::npos);
    EXPECT_NE(error("Reference,Value\nR1,1k" + std::string(kBomFields + 1, ';')).find(std::to_string(kBomFields)), std::string::npos);
}
