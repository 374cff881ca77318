#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// A decoded JPEG picture: rows top to bottom, `components` bytes per pixel (3 for colour).
struct JpegPicture {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<uint8_t> pixels;
};

// Decodes with libjpeg; false with libjpeg's own words in `error` for bad data.
bool decodeJpeg(std::string_view bytes, JpegPicture &out, std::string &error);

} // namespace vosk
