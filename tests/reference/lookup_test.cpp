#include "reffixture.h"

#include <gtest/gtest.h>

using namespace vosk;
using namespace vosk::test;

namespace {

struct Looked {
    RefTables tables = embeddedTables();
    Fields fields;
    FixedMeasure measure;
    CommittedFrames frames;
    LookupResult run(const std::string &utf8, int w = 611, int h = 213, PictureState pic = {})
    {
        return lookup(tables, fields, cp1251(utf8), measure, frames, w, h, pic);
    }
};

std::vector<int> columnStarts(const LookupResult &r, int titleY)
{
    std::vector<int> xs;
    for (const auto &t : r.texts)
        if (t.y == titleY)
            xs.push_back(t.x);
    return xs;
}

} // namespace

TEST(Wrapcell, BreaksAtFixedCountsWithHalvesToEven)
{
    FixedMeasure m; // "0" is 6 wide
    EXPECT_EQ(wrapcell("abc", 60, m), (std::vector<std::string>{"abc"}));
    // 60 / 6 = 10 characters a line.
    EXPECT_EQ(wrapcell("abcdefghijKLMNOPQRSTuv", 60, m),
              (std::vector<std::string>{"abcdefghij", "KLMNOPQRST", "uv"}));
    // 27 / 6 = 4.5: to even, 4. 33 / 6 = 5.5: to even, 6.
    EXPECT_EQ(wrapcell("abcdefghi", 27, m), (std::vector<std::string>{"abcd", "efgh", "i"}));
    EXPECT_EQ(wrapcell("abcdefghi", 33, m), (std::vector<std::string>{"abcdef", "ghi"}));
    // Blanks count as characters; a continuation line may begin with one.
    EXPECT_EQ(wrapcell("ab cd ef", 18, m), (std::vector<std::string>{"ab ", "cd ", "ef"}));
    // Never more than ten lines: the tenth keeps the rest.
    const auto many = wrapcell(std::string(200, 'x'), 6, m);
    ASSERT_EQ(many.size(), 10u);
    EXPECT_EQ(many.back().size(), 191u);
    EXPECT_EQ(wrapcell("abc", 0, m), (std::vector<std::string>{"abc"}));
}

TEST(Lookup, D9BLaysOutBothTablesAndChoosesItsDrawings)
{
    Looked l;
    const auto r = l.run("Д9Б");
    EXPECT_EQ(r.markingLine, 5);
    EXPECT_EQ(r.paramsTable, 2);
    EXPECT_EQ(r.paramsLine, 6);
    EXPECT_EQ(columnStarts(r, 33), (std::vector<int>{12, 77, 182, 287, 392}));
    EXPECT_EQ(columnStarts(r, 73).front(), 12);
    EXPECT_EQ(columnStarts(r, 113), (std::vector<int>{12, 67, 112, 157, 212, 287}));
    EXPECT_EQ(columnStarts(r, 153).size(), 6u);
    // The record's own texts, in the cells below their titles.
    EXPECT_EQ(r.texts[1].text, cp1251("Д9Б"));
    EXPECT_EQ(r.texts[1].y, 73);
    EXPECT_EQ(l.tables.marking.line(2), cp1251("Метка у анода (+)"));
    EXPECT_EQ(l.tables.marking.line(3), cp1251("Метка у катода (-)"));
    EXPECT_TRUE(r.picture.figVisible);
    EXPECT_EQ(r.picture.figFrame, 0);
    EXPECT_EQ(r.picture.figWidth, 20);
    EXPECT_EQ(r.picture.figHeight, 112);
    EXPECT_TRUE(r.picture.picVisible);
    EXPECT_EQ(r.picture.picFrame, 2);
    EXPECT_EQ(r.picture.picWidth, 150);
    EXPECT_EQ(r.picture.picLeft, 20);
    EXPECT_EQ(r.picture.width, 170);
    EXPECT_EQ(r.picture.height, 123 + 21);
    EXPECT_EQ(r.picture.caption, cp1251("Д9Б"));

    // The empty text and a part of the key find the same records.
    const auto empty = l.run("");
    EXPECT_EQ(empty.markingLine, 5);
    EXPECT_EQ(empty.paramsLine, 6);
    EXPECT_EQ(empty.picture.caption, "");
    EXPECT_EQ(l.run("Д9").paramsLine, 6);
}

TEST(Lookup, ZenerBlockSwapsTitlesAndFallsBackToTheZenerTable)
{
    Looked l;
    const auto r = l.run("Д814А1", 400, 100);
    EXPECT_EQ(r.markingLine, 83);
    EXPECT_EQ(l.tables.marking.line(2), cp1251("Метка у катода (-)"));
    EXPECT_EQ(l.tables.marking.line(3), cp1251("Метка у анода (+)"));
    EXPECT_EQ(r.paramsTable, 3);
    EXPECT_EQ(r.paramsLine, 12);
    EXPECT_EQ(columnStarts(r, 113),
              (std::vector<int>{12, 77, 122, 167, 212, 262, 307, 362, 407, 437, 487, 532}));
    EXPECT_EQ(r.picture.figFrame, 25);
    EXPECT_EQ(r.picture.picFrame, 26); // "27.1"
    // Table 3 runs past a window 400 wide: it grows to fit the last cell plus 10, and the
    // height to the lowest line; a later lookup never makes it smaller.
    EXPECT_GE(r.windowWidth, 532 + 6 * 4 + 10);
    EXPECT_GE(r.windowHeight, 153);
    const auto again = l.run("Д9Б", r.windowWidth, r.windowHeight, r.picture);
    EXPECT_EQ(again.windowWidth, r.windowWidth);
    EXPECT_EQ(again.windowHeight, r.windowHeight);
}

TEST(Lookup, FourFieldMarkingAndTheOtherCases)
{
    Looked l;
    const auto ks = l.run("КС191Ж");
    EXPECT_EQ(columnStarts(ks, 33).size(), 4u);
    EXPECT_EQ(l.tables.marking.line(3), cp1251("Метка у анода (+)")); // fourth column, zener block
    EXPECT_EQ(ks.picture.figFrame, 37);
    EXPECT_EQ(ks.paramsTable, 3);
    EXPECT_EQ(ks.picture.picFrame, 0);

    // Only in table 1: pic hidden, the window still sized for both controls.
    PictureState before = l.run("Д9Б").picture;
    const auto n = l.run("1N4148", 611, 213, before);
    EXPECT_GE(n.markingLine, 5);
    EXPECT_EQ(n.paramsLine, -1);
    EXPECT_FALSE(n.picture.picVisible);
    EXPECT_EQ(n.picture.width, n.picture.figWidth + before.picWidth);

    const auto kd906 = l.run("КД906");
    EXPECT_EQ(linekey(l.tables.marking.line(kd906.markingLine)), cp1251("КД906"));
    EXPECT_EQ(linekey(l.tables.params.line(kd906.paramsLine)), cp1251("КД906А"));

    const auto kd503 = l.run("КД503А");
    EXPECT_EQ(linekey(l.tables.params.line(kd503.paramsLine)), cp1251("КД503А"));
    EXPECT_EQ(linekey(l.tables.params.line(kd503.paramsLine + 1)), cp1251("КД503А")); // the first of two

    for (const char *text : {"ZZZ", "КД2997АБВГДЕЖЗИК"}) {
        const auto none = l.run(text, 611, 213, before);
        EXPECT_FALSE(none.foundAny);
        ASSERT_EQ(none.texts.size(), 1u);
        EXPECT_EQ(none.texts[0].x, 15);
        EXPECT_EQ(none.texts[0].y, 75);
        EXPECT_EQ(none.texts[0].text, cp1251("Такой детали в этом справочнике нет."));
        EXPECT_FALSE(none.picture.figVisible || none.picture.picVisible);
        EXPECT_EQ(none.picture.caption, before.caption); // caption and size kept
        EXPECT_EQ(none.picture.width, before.width);
    }
    // "КС508В" with a Cyrillic С is only in table 3.
    const auto ks508 = l.run("КС508В");
    EXPECT_EQ(ks508.markingLine, -1);
    EXPECT_EQ(ks508.paramsTable, 3);
}

namespace {

// Every character 7 pixels wide: the long body-colour cell of КС191Ж wraps to four lines.
struct SevenMeasure : TextMeasure {
    int textWidth(std::string_view text) const override { return 7 * static_cast<int>(text.size()); }
    int lineHeight() const override { return 13; }
};

// Letters (code page 1251 bytes from 0xC0 on) wider than "0", as in proportional fonts: a line
// of the fixed character count is wider than its column.
struct WideLetters : TextMeasure {
    int textWidth(std::string_view text) const override
    {
        int w = 0;
        for (unsigned char c : text)
            w += c >= 0xC0 ? 9 : 5;
        return w;
    }
    int lineHeight() const override { return 14; }
};

bool blank(const std::string &s) { return s.find_first_not_of(' ') == std::string::npos; }

// No two visible texts overlap, and each lies inside the window the lookup left.
void expectNoOverlapInside(const LookupResult &r, const TextMeasure &m, const char *what)
{
    const int h = m.lineHeight();
    std::vector<const DrawnText *> shown;
    for (const auto &t : r.texts)
        if (!blank(t.text))
            shown.push_back(&t);
    for (size_t i = 0; i < shown.size(); ++i) {
        const DrawnText &a = *shown[i];
        EXPECT_LE(a.y + h, r.windowHeight) << what << ": " << utf8From1251(a.text);
        EXPECT_LE(a.x + m.textWidth(a.text), r.windowWidth) << what << ": " << utf8From1251(a.text);
        for (size_t j = i + 1; j < shown.size(); ++j) {
            const DrawnText &b = *shown[j];
            const bool apart = a.x + m.textWidth(a.text) <= b.x || b.x + m.textWidth(b.text) <= a.x ||
                               a.y + h <= b.y || b.y + h <= a.y;
            EXPECT_TRUE(apart) << what << ": «" << utf8From1251(a.text) << "» at " << a.x << "," << a.y << " and «"
                               << utf8From1251(b.text) << "» at " << b.x << "," << b.y;
        }
    }
}

} // namespace

TEST(Lookup, TallAndWideCellsPushTheRestAwayAndTheWindowHoldsTheLastLine)
{
    RefTables tables = embeddedTables();
    Fields fields;
    CommittedFrames frames;
    const SevenMeasure seven;
    const WideLetters wide;
    const auto r = lookup(tables, fields, cp1251("КС191Ж"), seven, frames, 300, 100, {});
    // The body-colour cell takes four lines (73 to 125): the zener titles start below it.
    int cellBottom = 0, zenerTitle = 1 << 30;
    for (const auto &t : r.texts) {
        if (t.table == 1 && t.field == 2 && !t.title)
            cellBottom = std::max(cellBottom, t.y + 13);
        if (t.table == 3 && t.title)
            zenerTitle = std::min(zenerTitle, t.y);
    }
    EXPECT_EQ(cellBottom, 73 + 4 * 13);
    EXPECT_GE(zenerTitle, cellBottom);
    expectNoOverlapInside(r, seven, "7 px");
    // Grown from 300 x 100 to hold every line drawn, and a second lookup keeps that size.
    const auto again = lookup(tables, fields, cp1251("КС191Ж"), seven, frames, r.windowWidth, r.windowHeight, {});
    EXPECT_EQ(again.windowHeight, r.windowHeight);
    EXPECT_EQ(again.windowWidth, r.windowWidth);

    for (const char *type : {"КС191Ж", "КС126К", "Д814А1", "Д9Б", "КД906"}) {
        const auto w = lookup(tables, fields, cp1251(type), wide, frames, 300, 100, {});
        expectNoOverlapInside(w, wide, type);
    }
    // The usual places stay wherever the cells fit (6 px letters): Д9Б's rows and columns.
    const FixedMeasure six;
    const auto d9 = lookup(tables, fields, cp1251("Д9Б"), six, frames, 300, 100, {});
    expectNoOverlapInside(d9, six, "6 px");
    std::vector<int> recordXs;
    for (const auto &t : d9.texts)
        if (t.table == 2 && !t.title && t.y == 153)
            recordXs.push_back(t.x);
    EXPECT_EQ(recordXs, (std::vector<int>{12, 67, 112, 157, 212, 287}));
}
