#include "shoppinglist.h"

#include "cp1251.h"

namespace vosk {
namespace {

std::string quoted(const std::string &utf8)
{
    std::string out = "\"";
    for (char c : utf8) {
        if (c == '"')
            out += '"';
        out += (c == '\r' || c == '\n') ? ' ' : c;
    }
    return out + "\"";
}

} // namespace

std::string shoppingListHeader()
{
    return "\"Quantity\",\"Part Number\",\"Manufacturer\",\"Value\",\"Stock Name\",\"References\",\"Footprint\","
           "\"Supplier\",\"Supplier Part Number\"\r\n";
}

void appendShoppingLine(std::string &csv, std::initializer_list<std::string> fields)
{
    for (const std::string &field : fields)
        csv += quoted(utf8From1251(field)) + ",";
    csv.back() = '\r';
    csv += '\n';
}

} // namespace vosk
