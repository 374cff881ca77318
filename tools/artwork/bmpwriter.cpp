#include "bmpwriter.h"

#include <QFile>

#include <cstdint>
#include <vector>

namespace {

void put16(std::vector<uint8_t> &out, uint16_t v)
{
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void put32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(uint8_t(v >> (8 * i)));
}

} // namespace

bool writeBmp24(const QImage &image, const QString &path)
{
    const QImage img = image.convertToFormat(QImage::Format_RGB32);
    const uint32_t w = uint32_t(img.width());
    const uint32_t h = uint32_t(img.height());
    const uint32_t stride = (w * 3 + 3) & ~3u; // rows are padded to four bytes
    const uint32_t pixelBytes = stride * h;
    const uint32_t headerBytes = 14 + 40;

    std::vector<uint8_t> out;
    out.reserve(headerBytes + pixelBytes);
    // BITMAPFILEHEADER
    out.push_back('B');
    out.push_back('M');
    put32(out, headerBytes + pixelBytes);
    put16(out, 0);
    put16(out, 0);
    put32(out, headerBytes);
    // BITMAPINFOHEADER: positive height = bottom-up rows, no compression
    put32(out, 40);
    put32(out, w);
    put32(out, h);
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);
    put32(out, pixelBytes);
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);

    for (int y = int(h) - 1; y >= 0; --y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (uint32_t x = 0; x < w; ++x) {
            out.push_back(uint8_t(qBlue(line[x])));
            out.push_back(uint8_t(qGreen(line[x])));
            out.push_back(uint8_t(qRed(line[x])));
        }
        for (uint32_t pad = w * 3; pad < stride; ++pad)
            out.push_back(0);
    }

    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(reinterpret_cast<const char *>(out.data()), qint64(out.size())) ==
           qint64(out.size());
}
