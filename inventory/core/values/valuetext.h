#pragma once
#include "compstore.h"
#include "filter.h"
#include "names.h"

#include <optional>
#include <string>
#include <string_view>

namespace vosk {

// A value written the way people write it, in one scale: the program's own names («4,7К»,
// «100нф», «0,1мкф»), the letter in place of the comma («4К7», «4k7», «4u7», «2n2», «R47»),
// a point or a comma («4.7k», «0,1uF»), Latin or Cyrillic unit letters with or without the
// unit («кОм», «Ом», «R», «uF», «мкФ», «pF», «нФ»), a blank before the unit, and a bare number
// (ohms; for a capacitance picofarads, as drawings mark them). The product is formed as the
// value reader of the inventory forms it, so «4К7» gives exactly the value of «4,7К».
// Nothing when the text is no value of that scale.
std::optional<double> readLooseValue(std::string_view text, bool resistance);

// A value the user writes, in one scale: the one reader of such a word for the import, the
// value search and the bill of materials, so that a word reads the same on every path. It
// reads what readLooseValue reads, the ohm letter after a kilo, mega or giga multiplier
// («10kR», «4,7kR», «4k7R»: 4,7 kOhm), and for a resistor a lone zero with or without the ohm
// letter («0», «0R», «0е»): a 0 ohm jumper, value 0. Any other value is above 0. Nothing when
// the word is no value of that scale; valueRefusal then says so.
std::optional<double> readValueWord(std::string_view word, bool resistance);

// Why a word is read as no value, the same words on every path (code page 1251).
std::string valueRefusal(std::string_view word);

// A 0 ohm jumper has no name among resistors, whose names are values above 0: why an import
// or a typed name does not store one (code page 1251).
std::string jumperRefusal(std::string_view word);

// The value a record's name stands for in its category: the inventory's own reading, or,
// for names typed in another spelling (category 7 keeps names as typed), readValueWord's.
// Nothing for a category without a value scale and for names that hold no value.
std::optional<double> recordValue(int category, std::string_view name);

// Equal values as far as the value reader can tell them apart: the two products may differ
// in their last bits («100нф» and «0,1мкф» are the same 100 nanofarads).
bool sameValue(double a, double b);

// A search by value: the text read once in each scale.
struct ValueQuery {
    std::optional<double> resistance;
    std::optional<double> capacitance;
    // True when the record's name in its category is this value.
    bool matches(int category, std::string_view name) const;
};
// Nothing when the text is a value in neither scale.
std::optional<ValueQuery> readValueQuery(std::string_view text);

// filterbase with the name criterion replaced by a value: the records of the value categories
// (all of them for category -1) whose names hold the query's value, meeting the quantity and
// description criteria as filterbase does. criteria.name is not looked at.
void filterByValue(const CompStore &store, const FilterCriteria &criteria, bool exact, const ValueQuery &query,
                   ViewList &view);

} // namespace vosk
