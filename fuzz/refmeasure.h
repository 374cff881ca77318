#pragma once
// A text measure made from input bytes: every byte has its own width, so that "0" is not the
// width of every character and wrapping at a count of characters meets wider and narrower text.
#include "lookup.h"

#include <cstdint>

namespace vosk::fuzz {

struct BytesMeasure : TextMeasure {
    int base = 6, spread = 0, height = 13;
    BytesMeasure(uint8_t b, uint8_t s, uint8_t h) : base(b % 8 + 1), spread(s % 8), height(h % 30 + 1) {}
    int charWidth(unsigned char c) const { return base + static_cast<int>(c % (spread + 1)); }
    int textWidth(std::string_view text) const override
    {
        int w = 0;
        for (char c : text)
            w += charWidth(static_cast<unsigned char>(c));
        return w;
    }
    int lineHeight() const override { return height; }
};

} // namespace vosk::fuzz
