#include "jpegwriter.h"

#include <cstdio>
#include <vector>

#include <jpeglib.h>

bool writeBaselineJpeg(const QImage &image, const QString &path, int quality)
{
    const QImage img = image.convertToFormat(QImage::Format_RGB888);
    FILE *f = std::fopen(path.toLocal8Bit().constData(), "wb");
    if (!f)
        return false;

    jpeg_compress_struct cinfo;
    jpeg_error_mgr jerr;
    cinfo.err = jpeg_std_error(&jerr); // a libjpeg error ends the tool: fine for a generator
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, f);

    cinfo.image_width = JDIMENSION(img.width());
    cinfo.image_height = JDIMENSION(img.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo); // baseline Huffman, YCbCr, JFIF marker
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.optimize_coding = FALSE;
    jpeg_start_compress(&cinfo, TRUE);

    std::vector<JSAMPLE> row(size_t(img.width()) * 3);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uchar *src = img.constScanLine(int(cinfo.next_scanline));
        std::copy(src, src + row.size(), row.begin());
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return std::fclose(f) == 0;
}
