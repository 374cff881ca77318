#pragma once
#include <string>
#include <string_view>

namespace vosk {

// Categories whose names are stored as canonical values: the resistor categories 1..3 and
// the capacitor categories 4..6. (Category 7 has a value scale for reading and ordering, but
// its names are kept as typed.)
constexpr bool hasCanonicalNames(int category) { return category >= 1 && category <= 6; }

// The name a record gets when it is added: in the categories with canonical names the value
// read in the category and written back canonically («4,7k» -> «4,7К»), elsewhere the text as
// it stands. A value that cannot be read, or whose canonical form would not read back as
// itself in that category (no unit, a unit of the other scale, zero, a resistance below
// 0,1 ohm or a capacitance of 0,1 farad and more, a number too large to print), is refused:
// such a name would be stored as «повторите ввод» or as a name that stops meaning its value.
// Texts are code page 1251.
struct CanonicalName {
    std::string name;    // the name to store when accepted
    std::string refusal; // why not, for the user; empty when accepted
    // The number text itself is malformed (two commas): the refusal is the number-conversion
    // error the user knows from typing.
    bool conversionError = false;
    bool ok() const { return refusal.empty(); }
};
CanonicalName canonicalName(int category, std::string_view text);

} // namespace vosk
