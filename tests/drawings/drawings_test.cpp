// The two drawing sets as committed: frame counts and sizes the picture window relies
// on, agreement with the description table, and the generator reproducing them.

#include "gifframes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

const std::string kDrawings = std::string(VOSK_SOURCE_DIR) + "/resources/drawings/";

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
    EXPECT_EQ(set.screenWidth(), 49);
    EXPECT_EQ(set.screenHeight(), 122);
    checkCommon("marking.gif", set);
    EXPECT_EQ(set.frame(0)->width, 20);
    EXPECT_EQ(set.frame(0)->height, 112);
    EXPECT_EQ(set.frame(22)->width, 49);
    EXPECT_EQ(set.frame(22)->height, 78);
    for (int i = 0; i < set.count(); ++i) {
        if (i == 22)
            continue;
        const vosk::GifFrame &f = *set.frame(i);
        EXPECT_GE(f.width, 15) << "frame " << i;
        EXPECT_LE(f.width, 26) << "frame " << i;
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

TEST(DrawingSets, DrawingNumberNIsFrameNMinusOneOfTheTableSize)
{
    const auto rows = catalogue();
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
            EXPECT_EQ(f->width, row.width) << s.set << " drawing " << number;
            EXPECT_EQ(f->height, row.height) << s.set << " drawing " << number;
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

TEST(DrawingSets, ColourMarksNamedInTheTableAreDrawnAndNoOthers)
{
    const auto rows = catalogue();
    const auto loaded = load("marking.gif");
    ASSERT_TRUE(loaded.has_value());
    const vosk::GifFrames &frames = *loaded;
    ASSERT_TRUE(rows.count("marking"));
    const struct {
        const char *word;
        bool (*is)(std::uint32_t);
    } hues[] = {{"red", isRed},     {"orange", isOrange},        {"yellow", isYellow},
                {"green", isGreen}, {"light-blue", isLightBlue}, {"violet", isViolet}};
    int coloured = 0;
    for (const auto &[number, row] : rows.at("marking")) {
        const vosk::GifFrame *f = frames.frame(number - 1);
        ASSERT_NE(f, nullptr);
        for (const auto &hue : hues) {
            // "orange-tinted glass" names a body, not a mark.
            const std::size_t at = row.marks.find(hue.word);
            const bool named = at != std::string::npos
                               && (at == 0 || (row.marks[at - 1] == ' ' || row.marks[at - 1] == '('))
                               && row.marks.compare(at, std::string(hue.word).size() + 1,
                                                    std::string(hue.word) + "-") != 0;
            bool drawn = false;
            for (std::uint32_t p : f->pixels)
                drawn = drawn || hue.is(p);
            EXPECT_EQ(drawn, named) << "drawing " << number << ", " << hue.word << ": " << row.marks;
            coloured += named ? 1 : 0;
        }
    }
    // The table does name colours; a check over nothing would prove nothing.
    EXPECT_GT(coloured, 5);
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
    const std::string command = std::string("\"") + VOSK_DRAWINGS_TOOL + "\" \"" + kDrawings
                                + "catalogue.tsv\" \"" + dir + "\" > \"" + dir + "/log.txt\" 2>&1";
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
