// Record codes (what a label's QR code holds and a scanner types back) and the sheets of labels.
#include "cp1251text.h"
#include "inventory.h"
#include "labelsheet.h"
#include "recordcode.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

using namespace vosk;
using vosk::test::T;
using vosk::test::text;

namespace {

void expectRoundTrip(const StockKey &key)
{
    const std::string code = recordCode(key);
    for (const char c : code)
        ASSERT_TRUE((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-') << code;
    const auto back = readRecordCode(code);
    ASSERT_TRUE(back) << code;
    EXPECT_EQ(back->category, key.category);
    EXPECT_EQ(text(back->name), text(key.name));
    EXPECT_EQ(text(back->description), text(key.description));
    // Every beginning of it is one a scanner may be typing.
    for (std::size_t n = 1; n <= code.size(); ++n)
        ASSERT_TRUE(mayBeRecordCode(code.substr(0, n))) << code.substr(0, n);
}

// What a scanner types into a Russian keyboard layout: each Latin letter becomes the Russian
// one on its key (cp1251), digits and '-' stay.
std::string typedInRussianLayout(const std::string &code)
{
    const std::string latin = "QWERTYUIOPASDFGHJKLZXCVBNM";
    const std::string russian = T("ЙЦУКЕНГШЩЗФЫВАПРОЛДЯЧСМИТЬ");
    std::string out;
    for (const char c : code) {
        const auto at = latin.find(c);
        out += at == std::string::npos ? c : russian[at];
    }
    return out;
}

} // namespace

TEST(RecordCode, HostileNamesComeBackByteForByte)
{
    expectRoundTrip({1, T("4,7К"), T(" ")});                              // no description: one blank
    expectRoundTrip({9, T("КТ315Б"), T("n-p-n, 0,15 Вт; «сборка»")});    // Cyrillic, separators
    expectRoundTrip({65535, "", ""});                                     // empty name and description
    expectRoundTrip({0, std::string("a\x01" "b\tc\r\nd\x1A", 9), "-"});   // main.dat's own separators
    expectRoundTrip({3, std::string("\xFF\x00\x98", 3), T("ёЁ№€")});       // every high byte
    for (int n = 1; n <= 11; ++n)                                         // every tail length
        expectRoundTrip({7, std::string(static_cast<std::size_t>(n), '\xC0'), std::string(static_cast<std::size_t>(n), 'z')});

    // Two records differing in where name ends and description begins get different codes.
    EXPECT_NE(recordCode({1, "ab", "c"}), recordCode({1, "a", "bc"}));
    EXPECT_EQ(recordCode({12, "A", " "}), "VB-12-IE-EA");
}

TEST(RecordCode, ReadsWhatAScannerTypesInEitherLayout)
{
    const StockKey key{9, T("КТ315Б"), T("n-p-n")};
    const std::string code = recordCode(key);
    std::string lower = code;
    for (char &c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::string russianLower = typedInRussianLayout(code);
    for (char &c : russianLower)
        if (static_cast<unsigned char>(c) >= 0xC0 && static_cast<unsigned char>(c) < 0xE0)
            c = static_cast<char>(c + 32); // Caps Lock in the Russian layout
    for (const std::string &typed : {lower, typedInRussianLayout(code), russianLower, " " + code + "\r\n"}) {
        const auto back = readRecordCode(typed);
        ASSERT_TRUE(back) << typed;
        EXPECT_EQ(text(back->name), text(key.name));
        EXPECT_EQ(text(back->description), text(key.description));
    }
    for (const std::string &typed : {lower, typedInRussianLayout(code), russianLower})
        EXPECT_TRUE(mayBeRecordCode(typed.substr(0, typed.size() - 1))) << typed;
    EXPECT_TRUE(mayBeRecordCode(T("м")));
    EXPECT_TRUE(mayBeRecordCode(T("МИ-")));
}

TEST(RecordCode, RefusesTextThatIsNoCode)
{
    const std::string good = recordCode({9, "AB", "C"}); // VB-9-IFBA-IM
    ASSERT_TRUE(readRecordCode(good));
    for (const char *bad : {"", "VB", "VB-", "VB-9", "VB-9-IFBA", "XB-9-IFBA-IM", "VB--IFBA-IM", "VB-09-IFBA-IM",
                            "VB-123456-IFBA-IM", "VB-65536-IFBA-IM", "VB-9-IFB1-IM", "VB-9-IFBA-IM-", "VB-9-IFBA-IN",
                            "VB-9-I-IM", "VB-9-IFBA-I M"}) {
        EXPECT_FALSE(readRecordCode(bad)) << bad;
    }
    // A base 32 tail that no name gives (leftover bits set) would be a second code of a record.
    EXPECT_FALSE(readRecordCode("VB-9-IFBB-IM"));
    EXPECT_FALSE(readRecordCode(std::string(kMaxCodeLength + 1, 'A')));
    for (const char *notYet : {"VA", "VB-X", "VB-9-A-B-", "VB-9-1", "VB-0123", " VB"})
        EXPECT_FALSE(mayBeRecordCode(notYet)) << notYet;
    EXPECT_FALSE(mayBeRecordCode(T("мю")));
    EXPECT_FALSE(mayBeRecordCode(""));
}

TEST(LabelSheet, PlacesFillTheGridRowByRowAndStayInsideTheirLabels)
{
    const LabelSheet sheet = commonSheets().front();
    EXPECT_EQ(text(sheet.title), text("70 x 37 мм, 3 x 8 на A4"));
    EXPECT_EQ(sheet.perPage(), 24);
    const auto places = placeLabels(sheet, 50, 3, 2);
    ASSERT_EQ(places.size(), 50u);
    EXPECT_EQ(sheetPages(sheet, 50, 2), 3); // 22 + 24 + 4
    EXPECT_EQ(places[21].page, 0);
    EXPECT_EQ(places[22].page, 1);
    EXPECT_EQ(places[49].page, 2);
    // The third place of the sheet (two skipped), then the next row's first.
    EXPECT_DOUBLE_EQ(places[0].label.x, 140);
    EXPECT_DOUBLE_EQ(places[0].label.y, 0.5);
    EXPECT_DOUBLE_EQ(places[1].label.x, 0);
    EXPECT_DOUBLE_EQ(places[1].label.y, 37.5);
    EXPECT_DOUBLE_EQ(places[22].label.x, 0);
    EXPECT_DOUBLE_EQ(places[22].label.y, 0.5);
    for (const LabelSheet &s : commonSheets()) {
        EXPECT_EQ(sheetRefusal(s), "") << s.title;
        for (const LabelPlace &p : placeLabels(s, s.perPage(), 4)) {
            auto inside = [&](const Box &b, const Box &in) {
                return b.x >= in.x - 1e-9 && b.y >= in.y - 1e-9 && b.x + b.width <= in.x + in.width + 1e-9 &&
                       b.y + b.height <= in.y + in.height + 1e-9;
            };
            EXPECT_TRUE(inside(p.label, {0, 0, s.pageWidth, s.pageHeight})) << s.title;
            EXPECT_TRUE(inside(p.qr, p.label)) << s.title;
            EXPECT_GE(p.qr.width, 12) << s.title; // a scanner reads a code that size
            for (const Box &line : p.lines) {
                EXPECT_TRUE(inside(line, p.label)) << s.title;
                EXPECT_LE(line.y + line.height, p.codeLine.y + 1e-9) << s.title;
                EXPECT_GE(line.x, p.qr.x + p.qr.width) << s.title;
            }
            EXPECT_TRUE(inside(p.codeLine, p.label)) << s.title;
        }
    }
    EXPECT_EQ(sheetPages(sheet, 0), 0);
    EXPECT_EQ(sheetPages(sheet, 24), 1);
    EXPECT_EQ(sheetPages(sheet, 25), 2);
}

TEST(LabelSheet, ATypedSheetThatCannotBePrintedIsRefused)
{
    LabelSheet s;
    s.columns = 4; // 4 x 70 mm on 210 mm
    EXPECT_EQ(text(sheetRefusal(s)), text("4 этикетки по 70 мм шире листа (210 мм)."));
    s = {};
    s.labelHeight = 42.3; // 8 x 42,3 mm on 297 mm
    EXPECT_EQ(text(sheetRefusal(s)), text("8 рядов по 42,3 мм выше листа (297 мм)."));
    s = {};
    s.labelWidth = 10;
    EXPECT_NE(sheetRefusal(s), "");
    s = {};
    s.rows = 0;
    EXPECT_NE(sheetRefusal(s), "");
    s = {};
    s.gapY = -1;
    EXPECT_NE(sheetRefusal(s), "");
    s = {};
    s.pageWidth = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(sheetRefusal(s), "");
    s = {};
    s.columns = 2;
    s.labelWidth = 105;
    s.rows = 1;
    s.labelHeight = 297;
    EXPECT_EQ(sheetRefusal(s), ""); // exactly the page
}

TEST(InventoryCodes, ACodeFindsItsRecordAndAnUnknownOneSaysSo)
{
    test::TempFolder dir;
    test::RecordingMessages messages;
    dir.write("components.lst", T("Все\r\nРезисторы\r\nТранзисторы\r\n"));
    dir.write("strings.dat", T("0\r\n0\r\n"));
    dir.write("main.dat", T("2\x01КТ315Б\x01" "5\x01 \r\n2\x01КТ315Б\x01" "3\x01n-p-n\r\n1\x01" "4,7К\x01" "7\x01 \r\n"));
    dir.write("attrs.dat", T("2\x01КТ315Б\x01n-p-n\x01place=ящик 3\r\n"));
    Inventory inv(dir.datapath(), messages);
    inv.open();
    for (int slot = 1; slot <= 3; ++slot) {
        const CodeFind found = inv.findCode(inv.recordCode(slot));
        EXPECT_EQ(found.slot, slot);
        EXPECT_TRUE(found.outcome.notes.empty());
    }
    const LabelText label = inv.labelText(2);
    EXPECT_EQ(label.lines, (std::vector<std::string>{T("КТ315Б"), T("Транзисторы"), "n-p-n", T("ящик 3")}));
    EXPECT_EQ(label.code, inv.recordCode(2));
    EXPECT_EQ(inv.labelText(1).lines.size(), 2u); // no description, no place: no lines for them
    EXPECT_EQ(inv.labelTexts({}).size(), 3u);     // nothing chosen: the whole list
    EXPECT_EQ(inv.labelTexts({2, 7}).size(), 1u);
    EXPECT_EQ(inv.rowOf(inv.rows()[1]), 1);

    const CodeFind unknown = inv.findCode(recordCode({2, T("КТ361"), " "}));
    EXPECT_EQ(unknown.slot, 0);
    ASSERT_EQ(unknown.outcome.notes.size(), 1u);
    EXPECT_EQ(text(unknown.outcome.notes[0].text),
              text("Нет записи с кодом VB-2-ZLJDGNRR-EA (Транзисторы: КТ361). Детали этой записи могли забрать "
                   "целиком, или запись переименовали."));
    const CodeFind garbage = inv.findCode("hello");
    EXPECT_EQ(garbage.slot, 0);
    EXPECT_TRUE(garbage.outcome.refused);
}
