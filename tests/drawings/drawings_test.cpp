// The two drawing sets as committed: frame counts and sizes the picture window relies
// on, agreement with the description table and the marking table, and the generator
// reproducing them.

#include "cp1251.h"
#include "gifframes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const std::string kDrawings = std::string(VOSK_SOURCE_DIR) + "/resources/drawings/";
const std::string kMarkingTable = std::string(VOSK_SOURCE_DIR) + "/resources/reference/marking.txt";

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::optional<vosk::GifFrames> load(const std::string &name)
{
    std::string error;
    auto set = vosk::GifFrames::decode(readFile(kDrawings + name), &error);
    EXPECT_TRUE(set.has_value()) << name << ": " << error;
    return set;
}

// Every frame: at the corner, a delay of 25, opaque, and the file loops for ever.
void checkCommon(const std::string &name, const vosk::GifFrames &set)
{
    const std::string bytes = readFile(kDrawings + name);
    EXPECT_EQ(bytes.substr(0, 6), "GIF89a") << name;
    const std::string loopBlock = std::string("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    EXPECT_NE(bytes.find(loopBlock), std::string::npos) << name;
    EXPECT_TRUE(set.loops()) << name;
    EXPECT_EQ(set.loopCount(), 0) << name;
    for (int i = 0; i < set.count(); ++i) {
        const vosk::GifFrame &f = *set.frame(i);
        EXPECT_EQ(f.left, 0) << name << " frame " << i;
        EXPECT_EQ(f.top, 0) << name << " frame " << i;
        EXPECT_EQ(f.delay, 25) << name << " frame " << i;
        ASSERT_EQ(f.pixels.size(), static_cast<std::size_t>(f.width * f.height));
        // A drawing, not an empty sheet: outlines in black on white paper.
        bool black = false;
        bool white = false;
        for (std::uint32_t p : f.pixels) {
            EXPECT_EQ(p >> 24, 0xFFu) << name << " frame " << i;
            black = black || p == 0xFF000000u;
            white = white || p == 0xFFFFFFFFu;
            if (p >> 24 != 0xFFu)
                break;
        }
        EXPECT_TRUE(black && white) << name << " frame " << i;
    }
}

TEST(DrawingSets, MarkingSetHas47UprightFrames)
{
    const auto loaded = load("marking.gif");
    ASSERT_TRUE(loaded.has_value());
    const vosk::GifFrames &set = *loaded;
    ASSERT_EQ(set.count(), 47);
    // Frames of unknown marks carry a column of words (31 wide) beside the drawing and are
    // at least 120 high (the words' length): frame 22 (49 x 78) is 80 x 120.
    EXPECT_EQ(set.screenWidth(), 80);
    EXPECT_EQ(set.screenHeight(), 122);
    checkCommon("marking.gif", set);
    EXPECT_EQ(set.frame(0)->width, 20);
    EXPECT_EQ(set.frame(0)->height, 112);
    EXPECT_EQ(set.frame(22)->width, 49 + 31);
    EXPECT_EQ(set.frame(22)->height, 120);
    for (int i = 0; i < set.count(); ++i) {
        if (i == 22)
            continue;
        const vosk::GifFrame &f = *set.frame(i);
        EXPECT_GE(f.width, 15) << "frame " << i;
        EXPECT_LE(f.width, 26 + 31) << "frame " << i;
        EXPECT_GE(f.height, 94) << "frame " << i;
        EXPECT_LE(f.height, 122) << "frame " << i;
        EXPECT_LT(f.width, f.height) << "frame " << i;
    }
}

TEST(DrawingSets, PackageSetHas32Frames)
{
    const auto loaded = load("packages.gif");
    ASSERT_TRUE(loaded.has_value());
    const vosk::GifFrames &set = *loaded;
    ASSERT_EQ(set.count(), 32);
    EXPECT_EQ(set.screenWidth(), 284);
    EXPECT_EQ(set.screenHeight(), 200);
    checkCommon("packages.gif", set);
    const struct {
        int frame, width, height;
    } quoted[] = {{0, 140, 121}, {2, 150, 123}, {4, 105, 87}, {29, 203, 200}};
    for (const auto &q : quoted) {
        EXPECT_EQ(set.frame(q.frame)->width, q.width) << "frame " << q.frame;
        EXPECT_EQ(set.frame(q.frame)->height, q.height) << "frame " << q.frame;
    }
    for (int i = 0; i < set.count(); ++i) {
        const vosk::GifFrame &f = *set.frame(i);
        EXPECT_GE(f.width, 101) << "frame " << i;
        EXPECT_LE(f.width, 284) << "frame " << i;
        EXPECT_GE(f.height, 74) << "frame " << i;
        EXPECT_LE(f.height, 200) << "frame " << i;
    }
}

struct Row {
    int width = 0;
    int height = 0;
    std::string marks;
};

// set -> drawing number -> row of the description table.
std::map<std::string, std::map<int, Row>> catalogue()
{
    std::istringstream in(readFile(kDrawings + "catalogue.tsv"));
    std::string line;
    std::map<std::string, int> column;
    std::map<std::string, std::map<int, Row>> rows;
    bool header = true;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::string cell;
        for (char c : line + "\t") {
            if (c == '\t') {
                cells.push_back(cell);
                cell.clear();
            } else if (c != '\r') {
                cell += c;
            }
        }
        if (header) {
            for (std::size_t i = 0; i < cells.size(); ++i)
                column[cells[i]] = static_cast<int>(i);
            header = false;
            continue;
        }
        if (cells.size() < column.size())
            continue;
        Row r;
        r.width = std::atoi(cells[column.at("width_px")].c_str());
        r.height = std::atoi(cells[column.at("height_px")].c_str());
        r.marks = cells[column.at("marks")];
        rows[cells[column.at("set")]][std::atoi(cells[column.at("drawing")].c_str())] = r;
    }
    return rows;
}

std::map<int, std::vector<std::vector<std::string>>> markingRecords(const std::string &table);
bool allUnknown(const std::vector<std::vector<std::string>> &records);

TEST(DrawingSets, DrawingNumberNIsFrameNMinusOneOfTheTableSize)
{
    const auto rows = catalogue();
    std::set<int> unknownMarks;
    for (const auto &[number, recs] : markingRecords(readFile(kMarkingTable)))
        if (allUnknown(recs))
            unknownMarks.insert(number);
    ASSERT_GT(unknownMarks.size(), 20u);
    const struct {
        const char *set;
        const char *file;
    } sets[] = {{"marking", "marking.gif"}, {"package", "packages.gif"}};
    for (const auto &s : sets) {
        const auto loaded = load(s.file);
        ASSERT_TRUE(loaded.has_value());
        const vosk::GifFrames &frames = *loaded;
        ASSERT_TRUE(rows.count(s.set)) << s.set;
        const auto &table = rows.at(s.set);
        ASSERT_EQ(static_cast<int>(table.size()), frames.count()) << s.set;
        for (const auto &[number, row] : table) {
            const vosk::GifFrame *f = frames.frame(number - 1);
            ASSERT_NE(f, nullptr) << s.set << " drawing " << number;
            // A drawing of unknown marks has the words' column (31 wide) beside it and is
            // at least as high as the words are long (120).
            const bool words = std::string(s.set) == "marking" && unknownMarks.count(number);
            EXPECT_EQ(f->width, row.width + (words ? 31 : 0)) << s.set << " drawing " << number;
            EXPECT_EQ(f->height, words ? std::max(row.height, 120) : row.height) << s.set << " drawing " << number;
        }
    }
}

// Rough hue classes, so that the check does not depend on the exact shades drawn.
bool isRed(std::uint32_t p) { int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255; return r > 180 && g < 80 && b < 80; }
bool isOrange(std::uint32_t p) { int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255; return r > 220 && g > 100 && g < 180 && b < 60; }
bool isYellow(std::uint32_t p) { int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255; return r > 200 && g > 180 && b < 80; }
bool isGreen(std::uint32_t p) { int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255; return g > 120 && r < 80 && b < 100; }
bool isLightBlue(std::uint32_t p) { int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255; return b > 200 && g > 140 && r < 140; }
bool isViolet(std::uint32_t p) { int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255; return r > 100 && b > 150 && g < 90; }

// The marking table's records (UTF-8) by drawing number: key and the mark columns.
std::map<int, std::vector<std::vector<std::string>>> markingRecords(const std::string &table)
{
    std::map<int, std::vector<std::vector<std::string>>> out;
    std::istringstream in(vosk::utf8From1251(table));
    std::string line;
    for (int i = 0; std::getline(in, line); ++i) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (i < 5 || line.empty() || line == " ")
            continue;
        std::vector<std::string> fields;
        std::string f;
        for (char c : line) {
            if (c == '@') {
                fields.push_back(f);
                f.clear();
            } else {
                f += c;
            }
        }
        out[std::atoi(fields.back().c_str())].push_back(fields);
    }
    return out;
}

bool allUnknown(const std::vector<std::vector<std::string>> &records)
{
    for (const auto &r : records)
        for (std::size_t k = 1; k + 1 < r.size(); ++k)
            if (r[k].rfind("н/д", 0) != 0)
                return false;
    return true;
}

bool isColour(std::uint32_t p, int r, int g, int b) { return p == (0xFF000000u | (r << 16) | (g << 8) | b); }

TEST(DrawingSets, MarksNamedInTheMarkingTableAreDrawnAndUnknownMarksSaySo)
{
    const auto loaded = load("marking.gif");
    ASSERT_TRUE(loaded.has_value());
    const vosk::GifFrames &frames = *loaded;
    const auto records = markingRecords(readFile(kMarkingTable));
    ASSERT_EQ(records.size(), 47u); // every drawing is named by some record
    const struct {
        const char *stem;
        bool (*is)(std::uint32_t);
    } hues[] = {{"красн", isRed},   {"оранж", isOrange}, {"жёлт", isYellow},
                {"зелён", isGreen}, {"голуб", isLightBlue}, {"фиолет", isViolet}};
    int coloured = 0;
    int unknown = 0;
    for (const auto &[number, recs] : records) {
        const vosk::GifFrame *f = frames.frame(number - 1);
        ASSERT_NE(f, nullptr) << "drawing " << number;
        std::string words;
        for (const auto &r : recs)
            for (std::size_t k = 1; k + 1 < r.size(); ++k)
                words += r[k] + " ";
        for (const auto &hue : hues) {
            const bool named = words.find(hue.stem) != std::string::npos;
            bool drawn = false;
            for (std::uint32_t p : f->pixels)
                drawn = drawn || hue.is(p);
            EXPECT_EQ(drawn, named) << "drawing " << number << ", " << hue.stem << ": " << words;
            coloured += named ? 1 : 0;
        }
        // Unknown marks: an outline, no filled body (glass, moulding, tinted glass) that
        // would pass for a body without marks, no dimension, and the words beside it.
        bool filled = false;
        bool dimension = false;
        for (std::uint32_t p : f->pixels) {
            filled = filled || isColour(p, 214, 232, 238) || isColour(p, 52, 52, 56) || isColour(p, 246, 206, 150);
            dimension = dimension || isColour(p, 0, 0, 150);
        }
        // Black pixels where the words on unknown marks go: a column of their own, 31 pixels
        // wide, right of the drawing; in a drawing of known marks, its right edge or top.
        const int column = allUnknown(recs) ? 31 : 7;
        int inked = 0;
        for (int y = 0; y < f->height; ++y)
            for (int x = 0; x < f->width; ++x)
                if ((x >= f->width - column || (!allUnknown(recs) && y < 12)) && f->pixels[y * f->width + x] == 0xFF000000u)
                    ++inked;
        if (allUnknown(recs)) {
            ++unknown;
            EXPECT_FALSE(filled) << "drawing " << number;
            EXPECT_FALSE(dimension) << "drawing " << number;
            // Letters 14 pixels high (the 5 x 7 font at twice its size): many hundred
            // pixels, along two lines about 118 pixels long.
            EXPECT_GT(inked, 600) << "drawing " << number;
            int rowsInked = 0;
            for (int y = 0; y < f->height; ++y) {
                bool any = false;
                for (int x = f->width - column; x < f->width; ++x)
                    any = any || f->pixels[y * f->width + x] == 0xFF000000u;
                rowsInked += any ? 1 : 0;
            }
            EXPECT_GE(rowsInked, 95) << "drawing " << number; // the gaps between letters blank
        } else {
            EXPECT_TRUE(filled) << "drawing " << number;
            EXPECT_LT(inked, 60) << "drawing " << number;
        }
    }
    // The table does name colours and does leave marks unknown; a check over nothing
    // would prove nothing.
    EXPECT_GT(coloured, 10);
    EXPECT_GT(unknown, 20);
    // The frames the published marks brought: three narrow black rings at the anode
    // (bottom) of Д814Д1, against the one wide ring of Д814А1; green and red dots of
    // КД105В and КД105Г.
    const auto blackRows = [&](int frame) {
        const vosk::GifFrame *f = frames.frame(frame);
        const int x = f->width / 2 - 4; // inside the body, left of the lead
        int runs = 0;
        bool in = false;
        for (int y = f->height / 2; y < f->height; ++y) {
            bool black = false;
            for (int dx = 0; dx < 3; ++dx)
                black = black || f->pixels[y * f->width + x + dx] == 0xFF000000u;
            runs += black && !in ? 1 : 0;
            in = black;
        }
        return runs;
    };
    EXPECT_GT(blackRows(27), blackRows(25));
    const auto hasHue = [&](int frame, bool (*is)(std::uint32_t)) {
        for (std::uint32_t p : frames.frame(frame)->pixels)
            if (is(p))
                return true;
        return false;
    };
    EXPECT_TRUE(hasHue(40, isGreen));
    EXPECT_TRUE(hasHue(41, isRed));
}

TEST(DrawingSets, DamagedCopiesAreRefusedOrDecodedWithoutHarm)
{
    const std::string good = readFile(kDrawings + "marking.gif");
    ASSERT_GT(good.size(), 1000u);
    // Cut short anywhere: always refused.
    for (std::size_t n = 0; n < good.size(); n += 37)
        EXPECT_FALSE(vosk::GifFrames::decode(std::string_view(good.data(), n)).has_value()) << n;
    // Bytes changed here and there: refused, or frames whose pixels match their sizes.
    std::uint32_t seed = 12345;
    auto next = [&seed]() {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        std::string bad = good;
        const int changes = 1 + static_cast<int>(next() % 8);
        for (int k = 0; k < changes; ++k)
            bad[next() % bad.size()] = static_cast<char>(next() & 0xFF);
        const auto set = vosk::GifFrames::decode(bad);
        if (!set) {
            ++refused;
            continue;
        }
        for (const vosk::GifFrame &f : set->frames())
            ASSERT_EQ(f.pixels.size(), static_cast<std::size_t>(f.width) * f.height);
    }
    EXPECT_GT(refused, 0);
}

TEST(DrawingSets, GeneratorReproducesTheCommittedFiles)
{
    char pattern[] = "/tmp/vosk_drawings_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    const std::string command = std::string("\"") + VOSK_DRAWINGS_TOOL + "\" \"" + kDrawings + "catalogue.tsv\" \""
                                + kMarkingTable + "\" \"" + dir + "\" > \"" + dir + "/log.txt\" 2>&1";
    const int status = std::system(command.c_str());
    EXPECT_EQ(status, 0) << readFile(dir + "/log.txt");
    for (const char *name : {"marking.gif", "packages.gif"}) {
        const std::string made = readFile(dir + "/" + name);
        const std::string committed = readFile(kDrawings + name);
        EXPECT_FALSE(made.empty()) << name;
        EXPECT_TRUE(made == committed) << name << ": generated " << made.size() << " bytes, committed "
                                       << committed.size();
    }
    std::filesystem::remove_all(dir);
}

} // namespace

namespace {

// Runs the generator on a changed copy of the marking table; returns its exit status and
// what it said.
std::pair<int, std::string> generateWith(const std::string &table)
{
    char pattern[] = "/tmp/vosk_drawings_XXXXXX";
    EXPECT_NE(mkdtemp(pattern), nullptr);
    const std::string dir = pattern;
    std::ofstream(dir + "/marking.txt", std::ios::binary) << table;
    const std::string command = std::string("\"") + VOSK_DRAWINGS_TOOL + "\" \"" + kDrawings + "catalogue.tsv\" \""
                                + dir + "/marking.txt\" \"" + dir + "\" > \"" + dir + "/log.txt\" 2>&1";
    const int status = std::system(command.c_str());
    const std::string log = readFile(dir + "/log.txt");
    std::filesystem::remove_all(dir);
    return {status, log};
}

std::string replacedIn(std::string text, const std::string &from, const std::string &to)
{
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << vosk::utf8From1251(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

} // namespace

TEST(DrawingSets, GeneratorRefusesMarksItCannotDrawRight)
{
    const std::string table = readFile(kMarkingTable);
    // КД105В's green dot on КД105Б's drawing: one frame cannot show both.
    auto [status, log] = generateWith(replacedIn(table, vosk::cp1251("КД105В@зелёная точка@н/д@н/д@41@"),
                                                 vosk::cp1251("КД105В@зелёная точка@н/д@н/д@12@")));
    EXPECT_NE(status, 0);
    EXPECT_NE(log.find("shared by records with different marks"), std::string::npos) << log;
    // A colour without the kind of mark.
    std::tie(status, log) = generateWith(replacedIn(table, vosk::cp1251("КД105Д@н/д@н/д@н/д@43@"),
                                                    vosk::cp1251("КД105Д@н/д@синее@н/д@43@")));
    EXPECT_NE(status, 0);
    EXPECT_NE(log.find("without its kind"), std::string::npos) << log;
    // A ring whose colour the drawings do not know.
    std::tie(status, log) = generateWith(replacedIn(table, vosk::cp1251("КД105Д@н/д@н/д@н/д@43@"),
                                                    vosk::cp1251("КД105Д@н/д@пёстрое кольцо@н/д@43@")));
    EXPECT_NE(status, 0);
    EXPECT_NE(log.find("without a colour"), std::string::npos) << log;
    // A drawing number past the set.
    std::tie(status, log) = generateWith(replacedIn(table, vosk::cp1251("КД105Д@н/д@н/д@н/д@43@"),
                                                    vosk::cp1251("КД105Д@н/д@н/д@н/д@48@")));
    EXPECT_NE(status, 0);
    // The same marks on a shared drawing are fine: КД105Д's unknown marks on КД102's.
    std::tie(status, log) = generateWith(replacedIn(table, vosk::cp1251("КД105Д@н/д@н/д@н/д@43@"),
                                                    vosk::cp1251("КД105Д@н/д@н/д@н/д@11@")));
    EXPECT_EQ(status, 0) << log;
}
