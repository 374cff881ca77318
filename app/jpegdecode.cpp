#include "jpegdecode.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace vosk {
namespace {

// libjpeg reports fatal errors through a callback that must not return: jump back out.
struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char text[JMSG_LENGTH_MAX];
};

void onError(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->text);
    std::longjmp(err->jump, 1);
}

void onMessage(j_common_ptr, int) {} // warnings are not the user's concern

} // namespace

bool decodeJpeg(std::string_view bytes, JpegPicture &out, std::string &error)
{
    jpeg_decompress_struct cinfo {};
    ErrorManager err {};
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = onError;
    err.pub.emit_message = onMessage;
    // Everything that lives across setjmp stays in `out` (not destroyed by the jump).
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        error = err.text;
        out = JpegPicture{};
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char *>(bytes.data()), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.components = cinfo.output_components;
    const size_t stride = static_cast<size_t>(out.width) * static_cast<size_t>(out.components);
    out.pixels.assign(stride * static_cast<size_t>(out.height), 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.pixels.data() + stride * cinfo.output_scanline;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

} // namespace vosk
