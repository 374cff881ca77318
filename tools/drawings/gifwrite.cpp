#include "gifwrite.h"

#include "palette.h"

#include <gif_lib.h>

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

namespace drawings {

namespace {

[[noreturn]] void giflibFailed(const std::string &path, int code)
{
    const char *text = GifErrorString(code);
    throw std::runtime_error(path + ": " + (text ? text : "GIF writing failed"));
}

} // namespace

void writeGif(const std::string &path, int screenWidth, int screenHeight,
              const std::vector<Canvas> &frames, int delayHundredths)
{
    // Opened here rather than by giflib, which would make the file private to its owner.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        throw std::runtime_error(path + ": cannot create");
    int error = 0;
    GifFileType *gif = EGifOpenFileHandle(fd, &error);
    if (!gif) {
        ::close(fd);
        giflibFailed(path, error);
    }

    auto check = [&](int status) {
        if (status == GIF_ERROR) {
            const int code = gif->Error;
            int ignored = 0;
            EGifCloseFile(gif, &ignored);
            giflibFailed(path, code);
        }
    };

    GifColorType colours[ColourCount];
    for (int i = 0; i < ColourCount; ++i) {
        const Rgb &c = rgb(static_cast<Colour>(i));
        colours[i].Red = c.r;
        colours[i].Green = c.g;
        colours[i].Blue = c.b;
    }
    ColorMapObject *map = GifMakeMapObject(ColourCount, colours);
    if (!map) {
        int ignored = 0;
        EGifCloseFile(gif, &ignored);
        throw std::runtime_error(path + ": out of memory");
    }

    EGifSetGifVersion(gif, true);
    const int screenStatus = EGifPutScreenDesc(gif, screenWidth, screenHeight, 8, White, map);
    GifFreeMapObject(map);
    check(screenStatus);

    // Loop for ever; viewers that animate the set cycle through the drawings.
    static const GifByteType netscape[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'};
    static const GifByteType loop[] = {1, 0, 0};
    check(EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE));
    check(EGifPutExtensionBlock(gif, sizeof netscape, netscape));
    check(EGifPutExtensionBlock(gif, sizeof loop, loop));
    check(EGifPutExtensionTrailer(gif));

    for (const Canvas &frame : frames) {
        // Frames differ in size, so each one clears its area before the next is drawn.
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSE_BACKGROUND;
        gcb.UserInputFlag = false;
        gcb.DelayTime = delayHundredths;
        gcb.TransparentColor = NO_TRANSPARENT_COLOR;
        GifByteType extension[4];
        const std::size_t length = EGifGCBToExtension(&gcb, extension);
        check(EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension));

        check(EGifPutImageDesc(gif, 0, 0, frame.width(), frame.height(), false, nullptr));
        std::vector<GifPixelType> row(static_cast<std::size_t>(frame.width()));
        for (int y = 0; y < frame.height(); ++y) {
            for (int x = 0; x < frame.width(); ++x)
                row[static_cast<std::size_t>(x)] = frame.at(x, y);
            check(EGifPutLine(gif, row.data(), frame.width()));
        }
    }

    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        giflibFailed(path, error);
}

} // namespace drawings
