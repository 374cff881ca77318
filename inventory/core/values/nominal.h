#pragma once
#include "dictionary.h"

#include <array>
#include <exception>
#include <string>
#include <string_view>

namespace vosk {

// How a name falls apart around its runs of digits. Slot 0 holds what stands before the
// first digit, slot k what follows the k-th run up to the next one; `last` is the slot
// after the last run, so slots[last] is the unit suffix of a nominal value.
struct NominalRuns {
    static constexpr int kSlots = 26;
    std::array<std::string, kSlots> slots;
    int last = 0;
};

// Clears and refills `runs` from `text` and returns the number text: the digits and
// commas of the name in their order, or "0" when that is empty or a lone comma.
// Commas go both into the slots and into the number text. A name with more runs of
// digits than there are slots keeps only the text after its latest run in slot 25, so
// the suffix is always the text after the last digits.
std::string splitnominal(std::string_view text, NominalRuns &runs);

// A number text that is not a number (more than one comma). The user sees message().
class NumberConversionError : public std::exception {
public:
    explicit NumberConversionError(std::string numberText);
    const std::string &numberText() const { return numberText_; }
    // "'1,2,3' is not a valid floating point value" (code page 1251, here plain ASCII
    // around the number text).
    const std::string &message() const { return message_; }
    const char *what() const noexcept override { return message_.c_str(); }

private:
    std::string numberText_;
    std::string message_;
};

// Categories 1-3 are resistors (ohms), 4-7 capacitors (farads); the rest have no value.
constexpr bool isResistanceCategory(int category) { return category >= 1 && category <= 3; }
constexpr bool isCapacitanceCategory(int category) { return category >= 4 && category <= 7; }
constexpr bool hasValueScale(int category) { return category >= 1 && category <= 7; }

// The value of a name in a category: the number with the comma as decimal mark, times
// the multiplier of its suffix in the category's scale. 0 for a category without a scale
// (the text is not even looked at) and for a suffix the scale does not know. Throws
// NumberConversionError when the number text holds more than one comma. Does not depend
// on the C or C++ locale.
double readnominal(int category, std::string_view text);

// The canonical name of a value: 4700 -> "4,7К", 1e-7 -> "100нф", 0 -> "повторите ввод"
// (code page 1251). One band scale for every category.
std::string shownominal(double value);

// The general number format the user sees: at most 15 significant digits, trailing zeros
// dropped, comma as decimal mark, no grouping; fixed notation for 1e-4 <= |v| < 1e15,
// otherwise "4,7E-9" / "1,5E15" (no sign for a positive exponent, no leading zeros).
// Exact ties at the 15th digit round to even. Locale-independent.
std::string generalFormat(double value);

// The category a typed name belongs to by the words of strings.dat: the last line
// with a word equal to one of the name's slots (an empty word matches an empty slot).
// With no match, dictdefault - 1: the category of the last empty line, or -1.
int guesstype(std::string_view text, const Dictionary &dict);

} // namespace vosk
