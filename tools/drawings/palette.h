#pragma once
// The one colour table shared by every frame of both sets. Fixed order: the written
// files depend on it byte for byte.

#include <cstdint>
#include <optional>
#include <string_view>

namespace drawings {

enum Colour : std::uint8_t {
    White = 0,       // paper
    Black,           // outlines
    Dimension,       // dimension lines and their figures
    Glass,           // glass bodies
    MetalLight,
    Metal,
    MetalDark,
    Plastic,         // dark moulded bodies
    CentreLine,
    Shadow,          // end faces, hidden parts
    Red,
    Orange,
    Yellow,
    Green,
    LightBlue,
    Blue,
    Violet,
    Brown,
    Grey,
    MarkWhite,       // a white mark: paper white, told apart by its outline
    MarkBlack,
    Pink,
    Silver,
    Gold,
    Beige,
    LightGreen,
    Turquoise,
    Maroon,
    Caption,
    Ceramic,
    Copper,
    AmberGlass,      // tinted glass bodies
    ColourCount
};

struct Rgb {
    std::uint8_t r, g, b;
};

const Rgb &rgb(Colour c);
// A mark colour named by a Russian word (code page 1251) or an English one.
std::optional<Colour> colourFromWord(std::string_view word);

} // namespace drawings
