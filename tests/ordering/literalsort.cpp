#include "literalsort.h"

#include "nominal.h"

#include <string>
#include <utility>

namespace vosk::test {

namespace {

// Byte by byte, bytes unsigned, a text that begins a longer one sorts first.
bool textGreater(const std::string &a, const std::string &b)
{
    for (std::size_t k = 0; k < a.size() && k < b.size(); ++k) {
        const auto x = static_cast<unsigned char>(a[k]);
        const auto y = static_cast<unsigned char>(b[k]);
        if (x != y)
            return x > y;
    }
    return a.size() > b.size();
}

// The quantity column always holds a plain decimal count in these tests.
long long integerOf(const std::string &text) { return std::stoll(text); }

bool rowGreater(const ListRow &a, const ListRow &b, int key)
{
    switch (key) {
    case 0:
        return static_cast<int>(a.icon) > static_cast<int>(b.icon);
    case 1:
        if (a.icon == b.icon && a.icon >= 1 && a.icon <= 7) {
            const double first = readnominal(a.icon, a.name);
            const double second = readnominal(b.icon, b.name);
            return first > second;
        }
        return textGreater(a.name, b.name);
    case 2:
        return integerOf(a.quantity) > integerOf(b.quantity);
    default:
        return textGreater(a.description, b.description);
    }
}

} // namespace

SortResult literalSortlist(std::vector<ListRow> &rows, int key)
{
    const int n = static_cast<int>(rows.size());
    if (n < 2)
        return {};
    for (int m = n - 1; m >= 1; --m)
        for (int i = 0; i <= m - 1; ++i) {
            bool greater = false;
            try {
                greater = rowGreater(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(i) + 1], key);
            } catch (const NumberConversionError &e) {
                return {true, e.message()};
            }
            if (greater)
                std::swap(rows[static_cast<std::size_t>(i)], rows[static_cast<std::size_t>(i) + 1]);
        }
    return {};
}

} // namespace vosk::test
