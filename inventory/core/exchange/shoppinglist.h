#pragma once
#include <initializer_list>
#include <string>

namespace vosk {

// A shopping list as CSV a distributor's cart upload takes: UTF-8, every field quoted, CR LF,
// the columns of shoppingListHeader.
std::string shoppingListHeader();
// One line of it from code page 1251 fields, in the header's order; line ends inside a field
// become blanks.
void appendShoppingLine(std::string &csv, std::initializer_list<std::string> fields);

} // namespace vosk
