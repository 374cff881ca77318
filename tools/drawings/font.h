#pragma once
// Two tiny bitmap fonts for the figures and captions of the drawings: 5 x 7 for the
// package set, 3 x 5 for the narrow marking frames. Text is code page 1251; lower-case
// letters are drawn as capitals, characters without a glyph as a blank.

#include "canvas.h"

#include <string_view>

namespace drawings {

enum class FontSize { Small, Large };

class Font {
public:
    explicit Font(FontSize size);

    int height() const;
    int width(std::string_view text) const;
    bool covers(std::string_view text) const;
    // Horizontal text with its top-left corner at (x, y).
    void draw(Canvas &canvas, int x, int y, std::string_view text, std::uint8_t colour) const;
    // Text read from the bottom up, its box starting at column x and ending at row y; every
    // dot of the glyphs drawn as a square of `scale` pixels (the text scale times as long).
    void drawUpward(Canvas &canvas, int x, int y, std::string_view text, std::uint8_t colour, int scale = 1) const;

private:
    FontSize size_;
};

} // namespace drawings
