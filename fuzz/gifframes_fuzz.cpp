// The GIF frame decoder on any bytes: a frame set that is whole and within its limits, or
// nothing with a reason. The same bytes decode to the same frames a second time, and a copy
// cut short by one byte, as a truncated file is, decodes to a whole set or to nothing.
#include "fuzzcheck.h"
#include "gifframes.h"

using namespace vosk;
using namespace vosk::fuzz;

namespace {

void checkFrames(const GifFrames &g)
{
    FUZZ_CHECK(g.count() >= 1 && g.count() <= GifFrames::maxFrames);
    FUZZ_CHECK(!g.contains(-1) && !g.contains(g.count()) && g.frame(g.count()) == nullptr);
    FUZZ_CHECK(g.screenWidth() >= 0 && g.screenHeight() >= 0);
    FUZZ_CHECK(g.loopCount() >= 0 && g.loopCount() <= 0xFFFF && (g.loops() || g.loopCount() == 0));
    long long total = 0;
    for (int i = 0; i < g.count(); ++i) {
        const GifFrame *f = g.frame(i);
        FUZZ_CHECK(f == &g.frames()[static_cast<size_t>(i)]);
        FUZZ_CHECK(f->width > 0 && f->height > 0);
        const long long pixels = static_cast<long long>(f->width) * f->height;
        FUZZ_CHECK(pixels <= GifFrames::maxFramePixels);
        FUZZ_CHECK(static_cast<long long>(f->pixels.size()) == pixels);
        total += pixels;
        FUZZ_CHECK(f->transparentIndex >= -1 && f->transparentIndex <= 255);
        FUZZ_CHECK(f->delay >= -1);
        FUZZ_CHECK(!f->pixel(-1, 0) && !f->pixel(0, -1) && !f->pixel(f->width, 0) && !f->pixel(0, f->height));
        FUZZ_CHECK(f->pixel(f->width - 1, f->height - 1) == f->pixels.back());
        // Opaque black, opaque colours, or see-through where the transparent index stands.
        for (uint32_t p : f->pixels)
            FUZZ_CHECK((p >> 24) == 0xFF || (p == 0 && f->transparentIndex >= 0));
    }
    FUZZ_CHECK(total <= GifFrames::maxTotalPixels);
}

bool sameFrames(const GifFrames &a, const GifFrames &b)
{
    if (a.count() != b.count() || a.screenWidth() != b.screenWidth() || a.screenHeight() != b.screenHeight() ||
        a.loops() != b.loops() || a.loopCount() != b.loopCount())
        return false;
    for (int i = 0; i < a.count(); ++i) {
        const GifFrame &x = *a.frame(i), &y = *b.frame(i);
        if (x.left != y.left || x.top != y.top || x.width != y.width || x.height != y.height ||
            x.delay != y.delay || x.transparentIndex != y.transparentIndex || x.pixels != y.pixels)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string error;
    const auto frames = GifFrames::decode(data, size, &error);
    if (!frames) {
        FUZZ_CHECK(!error.empty());
    } else {
        FUZZ_CHECK(error.empty());
        checkFrames(*frames);
    }
    const auto again = GifFrames::decode(bytesOf(data, size));
    FUZZ_CHECK(again.has_value() == frames.has_value());
    if (frames)
        FUZZ_CHECK(sameFrames(*frames, *again));
    if (size > 0) {
        // A copy of its own, so that a read past the shorter end is caught by the sanitizer.
        const std::vector<uint8_t> shorter(data, data + size - 1);
        const auto cut = GifFrames::decode(shorter.data(), shorter.size(), &error);
        if (cut)
            checkFrames(*cut);
        else
            FUZZ_CHECK(!error.empty());
    }
    return 0;
}
