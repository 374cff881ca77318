#pragma once
// Frames of a multi-frame GIF, each kept at its own size.
//
// The drawing sets of the reference book store one complete picture per frame, every
// one of a different size, and the picture window shows a single chosen frame at that
// size. A compositing reader only hands out whole logical screens, so the frames are
// decoded here one by one, straight from the stored bytes, with no Qt involved.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

struct GifFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    // Hundredths of a second from the frame's graphics control block; -1 without one.
    int delay = -1;
    // Palette index drawn as see-through, or -1.
    int transparentIndex = -1;
    // width * height pixels, row by row from the top, as 0xAARRGGBB (the layout of
    // QImage::Format_ARGB32). The transparent index gives 0x00000000.
    std::vector<std::uint32_t> pixels;

    // The pixel at (x, y), or nothing outside the frame.
    std::optional<std::uint32_t> pixel(int x, int y) const;
};

class GifFrames {
public:
    // Decodes a whole GIF87a/GIF89a file held in memory. Damaged, truncated or absurdly
    // large input gives nothing and, when asked for, a short reason in `error`.
    static std::optional<GifFrames> decode(std::string_view bytes, std::string *error = nullptr);
    static std::optional<GifFrames> decode(const unsigned char *data, std::size_t size,
                                           std::string *error = nullptr);

    int screenWidth() const { return screenWidth_; }
    int screenHeight() const { return screenHeight_; }
    // True when the file carries a NETSCAPE2.0 (or ANIMEXTS1.0) looping block.
    bool loops() const { return loops_; }
    // Repeat count of the looping block; 0 means for ever.
    int loopCount() const { return loopCount_; }

    int count() const { return static_cast<int>(frames_.size()); }
    bool contains(int index) const { return index >= 0 && index < count(); }
    // Frame `index` in stored order, or null when there is no such frame.
    const GifFrame *frame(int index) const;
    const std::vector<GifFrame> &frames() const { return frames_; }

    // Upper bounds that keep a hostile file from claiming gigabytes.
    static constexpr long long maxFramePixels = 1LL << 22;
    static constexpr long long maxTotalPixels = 1LL << 24;
    static constexpr int maxFrames = 4096;

private:
    int screenWidth_ = 0;
    int screenHeight_ = 0;
    bool loops_ = false;
    int loopCount_ = 0;
    std::vector<GifFrame> frames_;
};

} // namespace vosk
