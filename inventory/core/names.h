#pragma once
#include <string>
#include <string_view>

namespace vosk {

// Categories whose names are stored as canonical values: the resistor categories 1..3 and
// the capacitor categories 4..6. (Category 7 has a value scale for reading and ordering, but
// its names are kept as typed.)
constexpr bool hasCanonicalNames(int category) { return category >= 1 && category <= 6; }

// The name a part is stored under in a category: in the categories with canonical names the
// value read in the category's scale and written canonically («4,7k» -> «4,7К»), elsewhere the
// text itself. A name that cannot be read as a value there (an unknown suffix, a number text
// with two commas, a value of 0, an infinity) has no stored name: storing the error text or
// «INFМ» would lose what the user typed.
struct StoredName {
    bool ok = false;
    std::string name;    // the stored name when ok
    std::string message; // why not, for the user (code page 1251)
    // The number text itself is malformed: the message is the number-conversion error.
    bool conversionError = false;
};
StoredName storedName(int category, std::string_view text, std::string_view categoryName = {});

} // namespace vosk
