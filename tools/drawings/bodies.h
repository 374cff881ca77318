#pragma once
// Axial diode bodies, drawn lying along their axis: u runs from one end (u = 0, the
// "start") to the other, v across. The marking set stands them upright, the package
// set lays them down; both take the same picture.

#include "canvas.h"
#include "palette.h"

#include <optional>
#include <string>
#include <vector>

namespace drawings {

enum class Material { Glass, AmberGlass, Plastic, MetalGlass };

// Reads the body column: "glass axial", "metal-glass axial zener", "plastic axial" ...
Material materialFromWords(const std::string &lowerBody);

struct Ring {
    Colour colour = Black;
    bool wide = false;
    bool outlineOnly = false; // place shown, colour left to the table
};

struct Dot {
    Colour colour = Black;
    bool outlineOnly = false;
};

// Marks at one end of the body, rings listed from the end inward.
struct EndMarks {
    std::vector<Ring> rings;
    std::optional<Dot> sideDot; // on the side of the body, near the end
    std::optional<Dot> faceDot; // on the end face itself
};

struct AxialBody {
    int length = 0;   // pixels along the axis
    int width = 0;    // pixels across
    Material material = Material::Glass;
    bool pointContact = false;
    bool anodeAtStart = true;
    int leadThickness = 1;
    EndMarks start;
    EndMarks end;
    std::optional<Dot> middleDot; // on the side, half way along: the table names no end
};

struct BodyPicture {
    Canvas pixels;
    Canvas mask; // 1 inside the body
};

BodyPicture drawAxialBody(const AxialBody &body);

// Copies the body onto the frame with its start at (x, y): along x when lying, along y
// when upright.
void placeBody(Canvas &frame, const BodyPicture &body, int x, int y, bool upright);

// Pixels along the axis between the end and the first ring, and the height of rings.
int ringOffset(const AxialBody &body);
int ringWidth(const AxialBody &body, bool wide);

} // namespace drawings
