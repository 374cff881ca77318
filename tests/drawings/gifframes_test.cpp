// The frame decoder on small GIFs made here with giflib, and on damaged input.

#include "gifframes.h"

#include <gif_lib.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct FramePlan {
    int width;
    int height;
    std::vector<std::uint8_t> indices; // row by row
    bool interlace = false;
    int transparent = NO_TRANSPARENT_COLOR;
    int delay = 0;
    bool control = true;
};

int appendToString(GifFileType *gif, const GifByteType *data, int length)
{
    static_cast<std::string *>(gif->UserData)->append(reinterpret_cast<const char *>(data),
                                                       static_cast<std::size_t>(length));
    return length;
}

// White, red, green, blue.
std::string makeGif(int screenWidth, int screenHeight, const std::vector<FramePlan> &frames,
                    bool loop)
{
    std::string out;
    int error = 0;
    GifFileType *gif = EGifOpen(&out, appendToString, &error);
    EXPECT_NE(gif, nullptr);
    GifColorType colours[4] = {{255, 255, 255}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject *map = GifMakeMapObject(4, colours);
    EGifSetGifVersion(gif, true);
    EXPECT_EQ(EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, 0, map), GIF_OK);
    GifFreeMapObject(map);
    if (loop) {
        const GifByteType name[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
        const GifByteType count[] = {1, 3, 0};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, sizeof name, name);
        EGifPutExtensionBlock(gif, sizeof count, count);
        EGifPutExtensionTrailer(gif);
    }
    for (const FramePlan &f : frames) {
        if (f.control) {
            GraphicsControlBlock gcb{};
            gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
            gcb.DelayTime = f.delay;
            gcb.TransparentColor = f.transparent;
            GifByteType ext[4];
            const std::size_t n = EGifGCBToExtension(&gcb, ext);
            EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(n), ext);
        }
        EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, f.width, f.height, f.interlace, nullptr), GIF_OK);
        std::vector<int> order;
        if (f.interlace) {
            const int start[] = {0, 4, 2, 1};
            const int step[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int y = start[pass]; y < f.height; y += step[pass])
                    order.push_back(y);
        } else {
            for (int y = 0; y < f.height; ++y)
                order.push_back(y);
        }
        for (int y : order) {
            std::vector<GifPixelType> row(f.indices.begin() + y * f.width,
                                          f.indices.begin() + (y + 1) * f.width);
            EXPECT_EQ(EGifPutLine(gif, row.data(), f.width), GIF_OK);
        }
    }
    EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
    return out;
}

constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kRed = 0xFFFF0000u;
constexpr std::uint32_t kGreen = 0xFF00FF00u;
constexpr std::uint32_t kBlue = 0xFF0000FFu;

std::vector<FramePlan> threeFrames()
{
    FramePlan a{3, 2, {0, 1, 2, 3, 2, 1}};
    a.delay = 25;
    // Ten rows, so that every interlace pass has rows to carry.
    FramePlan b{2, 10, {}};
    for (int y = 0; y < 10; ++y) {
        b.indices.push_back(static_cast<std::uint8_t>(y % 4));
        b.indices.push_back(static_cast<std::uint8_t>((y + 1) % 4));
    }
    b.interlace = true;
    b.transparent = 2;
    b.delay = 7;
    FramePlan c{1, 1, {3}};
    c.control = false;
    return {a, b, c};
}

TEST(GifFrames, EachFrameKeepsItsOwnSizePixelsAndTiming)
{
    const std::string bytes = makeGif(4, 10, threeFrames(), true);
    std::string error;
    const auto set = vosk::GifFrames::decode(bytes, &error);
    ASSERT_TRUE(set.has_value()) << error;
    EXPECT_EQ(set->screenWidth(), 4);
    EXPECT_EQ(set->screenHeight(), 10);
    EXPECT_TRUE(set->loops());
    EXPECT_EQ(set->loopCount(), 3);
    ASSERT_EQ(set->count(), 3);

    const vosk::GifFrame &a = *set->frame(0);
    EXPECT_EQ(a.width, 3);
    EXPECT_EQ(a.height, 2);
    EXPECT_EQ(a.delay, 25);
    EXPECT_EQ(a.transparentIndex, -1);
    EXPECT_EQ(a.pixels, (std::vector<std::uint32_t>{kWhite, kRed, kGreen, kBlue, kGreen, kRed}));

    // Interlaced rows come back in picture order; the transparent index has alpha 0.
    const vosk::GifFrame &b = *set->frame(1);
    EXPECT_EQ(b.width, 2);
    EXPECT_EQ(b.height, 10);
    EXPECT_EQ(b.delay, 7);
    EXPECT_EQ(b.transparentIndex, 2);
    const std::uint32_t byIndex[] = {kWhite, kRed, 0x00000000u, kBlue};
    for (int y = 0; y < 10; ++y) {
        EXPECT_EQ(*b.pixel(0, y), byIndex[y % 4]) << "row " << y;
        EXPECT_EQ(*b.pixel(1, y), byIndex[(y + 1) % 4]) << "row " << y;
    }

    // A frame without a control block has no delay of its own.
    const vosk::GifFrame &c = *set->frame(2);
    EXPECT_EQ(c.delay, -1);
    EXPECT_EQ(c.pixels, std::vector<std::uint32_t>{kBlue});

    // The same bytes through the pointer-and-size entry.
    const auto again = vosk::GifFrames::decode(reinterpret_cast<const unsigned char *>(bytes.data()),
                                               bytes.size());
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(again->frame(1)->pixels, b.pixels);
}

TEST(GifFrames, NoLoopingBlockMeansNoLoop)
{
    const auto set = vosk::GifFrames::decode(makeGif(4, 10, threeFrames(), false));
    ASSERT_TRUE(set.has_value());
    EXPECT_FALSE(set->loops());
}

TEST(GifFrames, FramesOutsideTheCountAndPixelsOutsideTheFrameGiveNothing)
{
    const auto set = vosk::GifFrames::decode(makeGif(4, 10, threeFrames(), true));
    ASSERT_TRUE(set.has_value());
    EXPECT_EQ(set->frame(-1), nullptr);
    EXPECT_EQ(set->frame(3), nullptr);
    EXPECT_EQ(set->frame(1 << 30), nullptr);
    EXPECT_FALSE(set->contains(-1));
    EXPECT_FALSE(set->contains(3));
    EXPECT_TRUE(set->contains(2));
    const vosk::GifFrame &a = *set->frame(0);
    EXPECT_FALSE(a.pixel(3, 0).has_value());
    EXPECT_FALSE(a.pixel(0, 2).has_value());
    EXPECT_FALSE(a.pixel(-1, 0).has_value());
    EXPECT_TRUE(a.pixel(2, 1).has_value());
}

TEST(GifFrames, DamagedInputFailsWithAReason)
{
    const std::string good = makeGif(4, 10, threeFrames(), true);
    std::string error;

    EXPECT_FALSE(vosk::GifFrames::decode(std::string_view(), &error).has_value());
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(vosk::GifFrames::decode(nullptr, 10, &error).has_value());
    EXPECT_FALSE(vosk::GifFrames::decode(std::string_view("not a picture at all"), &error).has_value());
    EXPECT_FALSE(error.empty());

    // Cut anywhere, even just before the trailer, the file is refused.
    for (std::size_t n = 0; n < good.size(); ++n) {
        error.clear();
        EXPECT_FALSE(vosk::GifFrames::decode(std::string_view(good.data(), n), &error).has_value())
            << "cut at " << n;
        EXPECT_FALSE(error.empty()) << "cut at " << n;
    }

    // Header and screen only, no picture.
    const std::string empty = makeGif(4, 10, {}, true);
    EXPECT_FALSE(vosk::GifFrames::decode(empty, &error).has_value());
}

// A GIF89a header with a two-colour global table, then whatever follows.
std::string header(bool colourTable)
{
    std::string s = "GIF89a";
    s += std::string("\x01\x00\x01\x00", 4);
    s += colourTable ? '\x80' : '\x00';
    s += std::string("\x00\x00", 2);
    if (colourTable)
        s += std::string("\x00\x00\x00\xff\xff\xff", 6);
    return s;
}

TEST(GifFrames, HostileSizesAndMissingColoursAreRefused)
{
    std::string error;
    // A frame claiming 65535 x 65535 pixels is refused before anything is allocated.
    std::string huge = header(true);
    huge += std::string("\x2c\x00\x00\x00\x00\xff\xff\xff\xff\x00", 10);
    huge += std::string("\x02\x02\x44\x01\x00\x3b", 6);
    EXPECT_FALSE(vosk::GifFrames::decode(huge, &error).has_value());
    EXPECT_NE(error.find("large"), std::string::npos) << error;

    // One pixel, but no colour table anywhere to say what it is.
    std::string colourless = header(false);
    colourless += std::string("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
    colourless += std::string("\x02\x02\x44\x01\x00\x3b", 6);
    EXPECT_FALSE(vosk::GifFrames::decode(colourless, &error).has_value());

    // The same pixel with the table decodes, so the refusals above are about the sizes.
    std::string fine = header(true);
    fine += std::string("\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00", 10);
    fine += std::string("\x02\x02\x44\x01\x00\x3b", 6);
    const auto one = vosk::GifFrames::decode(fine, &error);
    ASSERT_TRUE(one.has_value()) << error;
    EXPECT_EQ(one->count(), 1);
    EXPECT_EQ(one->frame(0)->pixels, std::vector<std::uint32_t>{0xFF000000u});
}

} // namespace
