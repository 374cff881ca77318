#include "bin.h"

#include "cp1251.h"
#include "filter.h"

#include <array>
#include <limits>

namespace vosk {

std::string_view statusWord(BinStatus status)
{
    switch (status) {
    case BinStatus::Ready:
        return "ready";
    case BinStatus::Green:
        return "green";
    case BinStatus::Yellow:
        return "yellow";
    case BinStatus::Red:
        return "red";
    }
    return "ready";
}

int statusPicture(BinStatus status)
{
    switch (status) {
    case BinStatus::Green:
        return 0;
    case BinStatus::Yellow:
        return 1;
    case BinStatus::Red:
        return 2;
    case BinStatus::Ready:
        break;
    }
    return 3;
}

long long binNumber(std::string_view text)
{
    // The needed count reads like a quantity of the inventory list: one reading for both.
    return quantityValue(text);
}

BinRow addbinrow(BinStatus status, int category, const std::vector<std::string> &categories,
                 std::string name, std::string needed, std::string description, int64_t total,
                 std::string found)
{
    BinRow row;
    row.status = status;
    if (category >= 0 && static_cast<std::size_t>(category) < categories.size()) {
        row.category = category;
        row.caption = categories[static_cast<std::size_t>(category)];
    }
    const long long need = binNumber(needed);
    row.shortage = need > total ? std::to_string(need - total) : "0";
    row.name = std::move(name);
    row.description = std::move(description);
    row.needed = std::move(needed);
    row.found = std::move(found);
    return row;
}

namespace {

// Small letter of every capital of code page 1251; every other byte maps to itself.
constexpr std::array<unsigned char, 256> makeFold()
{
    std::array<unsigned char, 256> f{};
    for (int c = 0; c < 256; ++c)
        f[c] = static_cast<unsigned char>(c);
    for (int c = 'A'; c <= 'Z'; ++c)
        f[c] = static_cast<unsigned char>(c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) // А..Я
        f[c] = static_cast<unsigned char>(c + 32);
    // Ђ Ѓ Љ Њ Ќ Ћ Џ Ў Ј Ґ Ё Є Ї І Ѕ and their small letters.
    constexpr unsigned char pairs[][2] = {{0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
                                          {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
                                          {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE}};
    for (const auto &p : pairs)
        f[p[0]] = p[1];
    return f;
}

constexpr std::array<unsigned char, 256> kFold = makeFold();

} // namespace

bool sameTextIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (kFold[static_cast<unsigned char>(a[i])] != kFold[static_cast<unsigned char>(b[i])])
            return false;
    return true;
}

int captionCategory(std::string_view caption, const std::vector<std::string> &categories)
{
    if (caption.empty())
        return -1;
    for (std::size_t i = 0; i < categories.size(); ++i)
        if (sameTextIgnoringCase(caption, categories[i]))
            return static_cast<int>(i);
    return -1;
}

int rowCategory(const BinRow &row, const std::vector<std::string> &categories)
{
    if (row.category >= 0 && static_cast<std::size_t>(row.category) < categories.size())
        return row.category;
    return captionCategory(row.caption, categories);
}

namespace {

BinFind findRows(const CompStore &store, const NameIndex *names, const std::vector<std::string> &categories,
                 const std::vector<BinRow> &rows, bool exact, bool withRows)
{
    BinFind result;
    result.rows.reserve(rows.size());
    result.counts.reserve(rows.size());
    // A view holds room for a full store (128 KiB): made once per thread, not at each find.
    thread_local ViewList view;
    for (const BinRow &row : rows) {
        const int category = rowCategory(row, categories);
        const FilterCriteria criteria{category, row.name, 0, row.description};
        if (names)
            filterbase(store, *names, criteria, exact, view);
        else
            filterbase(store, criteria, exact, view);
        int64_t total = 0;
        for (int k = 1; k <= view.viewcount; ++k) {
            const int slot = view.viewlist[k];
            total += store.quantity[slot];
            if (withRows)
                result.list.push_back({store.category[slot], std::string(store.name[slot]),
                                       std::to_string(store.quantity[slot]), std::string(store.description[slot])});
            result.listCategories.push_back(store.category[slot]);
            result.listSlots.push_back(static_cast<uint16_t>(slot));
        }
        const BinStatus status = total == 0                         ? BinStatus::Red
                                 : binNumber(row.needed) <= total ? BinStatus::Green
                                                                  : BinStatus::Yellow;
        result.rows.push_back(addbinrow(status, category, categories, row.name, row.needed, row.description, total,
                                        std::to_string(view.viewcount)));
        result.counts.push_back(view.viewcount);
        result.lastCount = view.viewcount;
        result.lastTotal = static_cast<uint32_t>(total);
    }
    return result;
}

} // namespace

BinFind findbin(const CompStore &store, const std::vector<std::string> &categories,
                const std::vector<BinRow> &rows, bool exact)
{
    return findRows(store, nullptr, categories, rows, exact, true);
}

BinFind findbin(const CompStore &store, const NameIndex &names, const std::vector<std::string> &categories,
                const std::vector<BinRow> &rows, bool exact, bool withRows)
{
    return findRows(store, &names, categories, rows, exact, withRows);
}

std::string listSummary(uint32_t count, uint32_t total)
{
    return cp1251("В списке наименований: ") + std::to_string(count) + cp1251(" деталей ") + std::to_string(total);
}

} // namespace vosk
