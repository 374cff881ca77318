#include "palette.h"

#include "text.h"

#include <string>

namespace drawings {

namespace {

const Rgb kTable[ColourCount] = {
    {255, 255, 255}, // White
    {0, 0, 0},       // Black
    {0, 0, 150},     // Dimension
    {214, 232, 238}, // Glass
    {214, 214, 214}, // MetalLight
    {172, 172, 176}, // Metal
    {112, 112, 118}, // MetalDark
    {52, 52, 56},    // Plastic
    {120, 120, 120}, // CentreLine
    {236, 236, 236}, // Shadow
    {222, 22, 22},   // Red
    {255, 140, 0},   // Orange
    {250, 218, 0},   // Yellow
    {0, 150, 40},    // Green
    {80, 180, 255},  // LightBlue
    {0, 50, 210},    // Blue
    {140, 40, 190},  // Violet
    {130, 70, 22},   // Brown
    {140, 140, 140}, // Grey
    {255, 255, 255}, // MarkWhite
    {0, 0, 0},       // MarkBlack
    {255, 160, 200}, // Pink
    {198, 198, 206}, // Silver
    {212, 170, 40},  // Gold
    {232, 212, 170}, // Beige
    {160, 222, 60},  // LightGreen
    {0, 170, 170},   // Turquoise
    {128, 0, 32},    // Maroon
    {70, 70, 70},    // Caption
    {238, 226, 196}, // Ceramic
    {196, 110, 50},  // Copper
    {246, 206, 150}, // AmberGlass
};

struct Name {
    const char *stem; // UTF-8
    Colour colour;
};

// Longer stems first where one is the start of another ("серебр" before "сер").
const Name kNames[] = {
    {"красн", Red},        {"оранж", Orange},      {"жёлт", Yellow},     {"желт", Yellow},
    {"зелён", Green},      {"зелен", Green},       {"салат", LightGreen}, {"голуб", LightBlue},
    {"син", Blue},         {"фиолет", Violet},     {"сирен", Violet},    {"коричн", Brown},
    {"серебр", Silver},    {"сер", Grey},          {"бел", MarkWhite},   {"чёрн", MarkBlack},
    {"черн", MarkBlack},   {"розов", Pink},        {"золот", Gold},      {"беж", Beige},
    {"бирюз", Turquoise},  {"бордо", Maroon},      {"малин", Maroon},    {"red", Red},
    {"orange", Orange},    {"yellow", Yellow},     {"green", Green},     {"lightblue", LightBlue},
    {"cyan", LightBlue},   {"blue", Blue},         {"violet", Violet},   {"purple", Violet},
    {"brown", Brown},      {"silver", Silver},     {"grey", Grey},       {"gray", Grey},
    {"white", MarkWhite},  {"black", MarkBlack},   {"light-blue", LightBlue}, {"pink", Pink},       {"gold", Gold},
    {"beige", Beige},      {"turquoise", Turquoise}, {"maroon", Maroon},
};

} // namespace

const Rgb &rgb(Colour c)
{
    return kTable[c < ColourCount ? c : 0];
}

std::optional<Colour> colourFromWord(std::string_view word)
{
    std::string lower;
    for (char ch : word) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c + 32);
        else if (c >= 0xC0 && c <= 0xDF)
            c = static_cast<unsigned char>(c + 32);
        else if (c == 0xA8)
            c = 0xB8;
        lower += static_cast<char>(c);
    }
    for (const Name &n : kNames) {
        const std::string stem = utf8ToCp1251(n.stem);
        // Russian colour words inflect, so their stems match a word's start; English
        // ones must match whole ("red" is not "reduced").
        const bool english = static_cast<unsigned char>(stem[0]) < 0x80;
        if (english ? lower == stem : lower.compare(0, stem.size(), stem) == 0)
            return n.colour;
    }
    return std::nullopt;
}

} // namespace drawings
