#include "gifframes.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>

namespace vosk {

std::optional<std::uint32_t> GifFrame::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return std::nullopt;
    return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width)
                  + static_cast<std::size_t>(x)];
}

const GifFrame *GifFrames::frame(int index) const
{
    if (!contains(index))
        return nullptr;
    return &frames_[static_cast<std::size_t>(index)];
}

namespace {

struct MemoryReader {
    const unsigned char *data;
    std::size_t size;
    std::size_t pos;
};

// giflib pulls its input through this; a short read is how truncation reaches it.
int readFromMemory(GifFileType *gif, GifByteType *buffer, int wanted)
{
    auto *reader = static_cast<MemoryReader *>(gif->UserData);
    if (wanted <= 0)
        return 0;
    const std::size_t left = reader->size - reader->pos;
    const std::size_t n = std::min(left, static_cast<std::size_t>(wanted));
    if (n > 0)
        std::memcpy(buffer, reader->data + reader->pos, n);
    reader->pos += n;
    return static_cast<int>(n);
}

// Closes the giflib handle on every way out of decode().
struct GifCloser {
    GifFileType *gif = nullptr;
    ~GifCloser()
    {
        if (gif) {
            int ignored = 0;
            DGifCloseFile(gif, &ignored);
        }
    }
};

std::string giflibReason(int code)
{
    const char *text = GifErrorString(code);
    return text ? std::string(text) : std::string("GIF decoding failed");
}

bool fail(std::string *error, std::string reason)
{
    if (error)
        *error = std::move(reason);
    return false;
}

// Pending values of a graphics control block, which belongs to the next image.
struct Control {
    bool present = false;
    int delay = -1;
    int transparent = -1;
};

} // namespace

std::optional<GifFrames> GifFrames::decode(std::string_view bytes, std::string *error)
{
    return decode(reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size(), error);
}

std::optional<GifFrames> GifFrames::decode(const unsigned char *data, std::size_t size,
                                           std::string *error)
{
    if (error)
        error->clear();
    if (data == nullptr || size == 0) {
        fail(error, "no data");
        return std::nullopt;
    }

    MemoryReader reader{data, size, 0};
    int code = 0;
    GifCloser closer;
    closer.gif = DGifOpen(&reader, readFromMemory, &code);
    GifFileType *gif = closer.gif;
    if (!gif) {
        fail(error, giflibReason(code));
        return std::nullopt;
    }

    GifFrames result;
    result.screenWidth_ = gif->SWidth;
    result.screenHeight_ = gif->SHeight;

    Control control;
    long long totalPixels = 0;
    std::vector<GifPixelType> row;

    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) {
            fail(error, giflibReason(gif->Error));
            return std::nullopt;
        }

        if (type == TERMINATE_RECORD_TYPE)
            break;

        if (type == EXTENSION_RECORD_TYPE) {
            int function = 0;
            GifByteType *block = nullptr;
            if (DGifGetExtension(gif, &function, &block) == GIF_ERROR) {
                fail(error, giflibReason(gif->Error));
                return std::nullopt;
            }
            bool looping = false;
            bool first = true;
            while (block != nullptr) {
                const int length = block[0];
                const GifByteType *payload = block + 1;
                if (first && function == GRAPHICS_EXT_FUNC_CODE) {
                    GraphicsControlBlock gcb;
                    if (length == 4 && DGifExtensionToGCB(4, payload, &gcb) == GIF_OK) {
                        control.present = true;
                        control.delay = gcb.DelayTime;
                        control.transparent = gcb.TransparentColor;
                    }
                } else if (first && function == APPLICATION_EXT_FUNC_CODE) {
                    looping = length == 11
                              && (std::memcmp(payload, "NETSCAPE2.0", 11) == 0
                                  || std::memcmp(payload, "ANIMEXTS1.0", 11) == 0);
                } else if (looping && length >= 3 && payload[0] == 1) {
                    result.loops_ = true;
                    result.loopCount_ = payload[1] | (payload[2] << 8);
                }
                first = false;
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) {
                    fail(error, giflibReason(gif->Error));
                    return std::nullopt;
                }
            }
            continue;
        }

        if (type != IMAGE_DESC_RECORD_TYPE) {
            fail(error, "unknown record in GIF");
            return std::nullopt;
        }

        if (DGifGetImageDesc(gif) == GIF_ERROR) {
            fail(error, giflibReason(gif->Error));
            return std::nullopt;
        }
        const GifImageDesc &desc = gif->Image;
        if (desc.Width <= 0 || desc.Height <= 0) {
            fail(error, "frame without pixels");
            return std::nullopt;
        }
        const long long framePixels = static_cast<long long>(desc.Width) * desc.Height;
        totalPixels += framePixels;
        if (framePixels > maxFramePixels || totalPixels > maxTotalPixels) {
            fail(error, "frame too large");
            return std::nullopt;
        }
        if (result.count() >= maxFrames) {
            fail(error, "too many frames");
            return std::nullopt;
        }
        const ColorMapObject *map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (map == nullptr || map->Colors == nullptr || map->ColorCount <= 0) {
            fail(error, "frame without a colour table");
            return std::nullopt;
        }

        GifFrame frame;
        frame.left = desc.Left;
        frame.top = desc.Top;
        frame.width = desc.Width;
        frame.height = desc.Height;
        if (control.present) {
            frame.delay = control.delay;
            frame.transparentIndex = control.transparent;
        }
        control = Control{};

        // Look the palette up once per frame; indices past its end draw black.
        std::uint32_t argb[256];
        for (int i = 0; i < 256; ++i) {
            if (i < map->ColorCount) {
                const GifColorType &c = map->Colors[i];
                argb[i] = 0xFF000000u | (std::uint32_t(c.Red) << 16) | (std::uint32_t(c.Green) << 8)
                          | std::uint32_t(c.Blue);
            } else {
                argb[i] = 0xFF000000u;
            }
        }
        if (frame.transparentIndex >= 0 && frame.transparentIndex < 256)
            argb[frame.transparentIndex] = 0x00000000u;

        const auto width = static_cast<std::size_t>(desc.Width);
        frame.pixels.assign(static_cast<std::size_t>(framePixels), 0u);
        row.resize(width);

        auto readRow = [&](int y) {
            if (DGifGetLine(gif, row.data(), desc.Width) == GIF_ERROR)
                return false;
            std::uint32_t *out = frame.pixels.data() + static_cast<std::size_t>(y) * width;
            for (std::size_t x = 0; x < width; ++x)
                out[x] = argb[row[x]];
            return true;
        };

        bool ok = true;
        if (desc.Interlace) {
            static const int start[4] = {0, 4, 2, 1};
            static const int step[4] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4 && ok; ++pass)
                for (int y = start[pass]; y < desc.Height && ok; y += step[pass])
                    ok = readRow(y);
        } else {
            for (int y = 0; y < desc.Height && ok; ++y)
                ok = readRow(y);
        }
        if (!ok) {
            fail(error, giflibReason(gif->Error));
            return std::nullopt;
        }
        result.frames_.push_back(std::move(frame));
    }

    if (result.frames_.empty()) {
        fail(error, "GIF without frames");
        return std::nullopt;
    }
    return result;
}

} // namespace vosk
