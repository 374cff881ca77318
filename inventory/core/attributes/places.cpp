#include "places.h"

#include <algorithm>
#include <map>

namespace vosk {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A letter of code page 1251 made small: Latin, Cyrillic А-Я, and Ё sorted as е.
unsigned char folded(char c)
{
    const auto u = static_cast<unsigned char>(c);
    if (u >= 'A' && u <= 'Z')
        return static_cast<unsigned char>(u + 32);
    if (u >= 0xC0 && u <= 0xDF)
        return static_cast<unsigned char>(u + 32);
    if (u == 0xA8 || u == 0xB8)
        return 0xE5;
    return u;
}

// -1, 0 or 1 as a person orders the two texts.
int naturalCompare(std::string_view a, std::string_view b)
{
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            // Whole numbers: leading zeros dropped, then the longer is larger, then digit by digit.
            size_t ei = i, ej = j;
            while (ei < a.size() && isDigit(a[ei]))
                ++ei;
            while (ej < b.size() && isDigit(b[ej]))
                ++ej;
            std::string_view x = a.substr(i, ei - i), y = b.substr(j, ej - j);
            while (x.size() > 1 && x[0] == '0')
                x.remove_prefix(1);
            while (y.size() > 1 && y[0] == '0')
                y.remove_prefix(1);
            if (x.size() != y.size())
                return x.size() < y.size() ? -1 : 1;
            if (const int c = x.compare(y); c != 0)
                return c < 0 ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const unsigned char x = folded(a[i]), y = folded(b[j]);
        if (x != y)
            return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return 0;
}

} // namespace

bool placeBefore(std::string_view a, std::string_view b)
{
    const int c = naturalCompare(a, b);
    return c != 0 ? c < 0 : a < b;
}

std::vector<PlaceCount> placesInUse(const RecordAttributes &attributes)
{
    std::map<std::string, size_t> counts;
    attributes.forEach([&](const StockKey &, const AttributeValues &values) {
        if (!values[Attribute::Place].empty())
            ++counts[values[Attribute::Place]];
    });
    std::vector<PlaceCount> out;
    out.reserve(counts.size());
    for (auto &[place, records] : counts)
        out.push_back({place, records});
    std::sort(out.begin(), out.end(), [](const PlaceCount &x, const PlaceCount &y) { return placeBefore(x.place, y.place); });
    return out;
}

PlaceChange PlaceChange::inverse() const
{
    PlaceChange back{to, from, {}};
    back.entries.reserve(entries.size());
    for (const Entry &e : entries)
        back.entries.push_back({e.key, e.after, e.before});
    return back;
}

PlaceChange placeRename(const RecordAttributes &attributes, const std::string &from, const std::string &to)
{
    PlaceChange change{from, to, {}};
    attributes.forEach([&](const StockKey &key, const AttributeValues &values) {
        if (values[Attribute::Place] == from)
            change.entries.push_back({key, from, to});
    });
    return change;
}

} // namespace vosk
