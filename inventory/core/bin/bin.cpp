#include "bin.h"

#include "cp1251.h"
#include "filter.h"
#include "nominal.h"
#include "valuetext.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <charconv>
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

namespace {

std::string foldCase(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        c = static_cast<char>(kFold[static_cast<unsigned char>(c)]);
    return out;
}

} // namespace

PartIndex::PartIndex(const CompStore &store)
{
    for (int i = 1; i <= store.compcount; ++i) {
        names_[foldCase(store.name[i])].push_back(i);
        if (hasValueScale(store.category[i]))
            if (const std::optional<double> v = recordValue(store.category[i], store.name[i]))
                values_.emplace_back(*v, i);
    }
    std::sort(values_.begin(), values_.end());
}

std::vector<int> PartIndex::byValue(double value) const
{
    // sameValue allows the last bits to differ: look a little below and above.
    const double low = value - std::abs(value) * 1e-9;
    std::vector<int> out;
    for (auto at = std::lower_bound(values_.begin(), values_.end(), std::pair{low, 0});
         at != values_.end() && at->first <= value + std::abs(value) * 1e-9; ++at)
        if (sameValue(at->first, value))
            out.push_back(at->second);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<int> PartIndex::byName(std::string_view name) const
{
    const auto found = names_.find(foldCase(name));
    return found == names_.end() ? std::vector<int>() : found->second;
}

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

bool isDigit(char c) { return c >= '0' && c <= '9'; }

double readNumber(std::string_view text)
{
    std::string number(text);
    for (char &c : number)
        if (c == ',')
            c = '.';
    double v = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), v, std::chars_format::fixed);
    return ec == std::errc() && end == number.data() + number.size() ? v : 0;
}

// The number ending just before `end` («63» of «63В», «0,125» of «0,125Вт», «1/4» of
// «1/4W»); 0 when none.
double numberBefore(std::string_view text, size_t end)
{
    size_t start = end;
    while (start > 0 && (isDigit(text[start - 1]) || text[start - 1] == ',' || text[start - 1] == '.'))
        --start;
    while (start < end && !isDigit(text[start]))
        ++start; // «,5» is no number here
    if (start == end)
        return 0;
    const double v = readNumber(text.substr(start, end - start));
    if (start >= 2 && text[start - 1] == '/' && isDigit(text[start - 2]) && v > 0) {
        size_t top = start - 1;
        while (top > 0 && isDigit(text[top - 1]))
            --top;
        return readNumber(text.substr(top, start - 1 - top)) / v;
    }
    return v;
}

bool isLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c >= 0xC0; }

} // namespace

Rating recordRating(int category, std::string_view d)
{
    Rating r;
    for (size_t i = 0; i < d.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(d[i]);
        size_t end = i; // the number ends before blanks and the unit
        while (end > 0 && d[end - 1] == ' ')
            --end;
        const unsigned char next = i + 1 < d.size() ? static_cast<unsigned char>(d[i + 1]) : 0;
        const unsigned char afterWatt = i + 2 < d.size() ? static_cast<unsigned char>(d[i + 2]) : 0;
        if ((c == 0xC2 || c == 0xE2) && (next == 0xF2 || next == 0xD2) && !isLetter(afterWatt)) { // Вт
            if (const double w = numberBefore(d, end); w > 0)
                r.watts = std::max(r.watts, w);
        } else if ((c == 'W' || c == 'w') && !isLetter(next)) {
            if (const double w = numberBefore(d, end); w > 0)
                r.watts = std::max(r.watts, w);
        } else if ((c == 0xC2 || c == 'V' || c == 'v') && !isLetter(next)) { // В, V
            if (const double v = numberBefore(d, end); v > 0)
                r.volts = std::max(r.volts, v);
        }
    }
    if (r.watts <= 0)
        r.watts = category == 1 ? 0.125 : category == 2 ? 0.25 : category == 3 ? 0.5 : 0;
    return r;
}

namespace {

// Parts of one record that can serve a row of a bill of materials: 2 when the record states
// the asked ratings (or none is asked), 1 when it states none of them, 0 when it states less.
int ratingFit(const BomPart &part, int category, std::string_view description)
{
    if (part.volts <= 0 && part.watts <= 0)
        return 2;
    const Rating r = recordRating(category, description);
    int fit = 2;
    for (auto [asked, stated] : {std::pair{part.volts, r.volts}, std::pair{part.watts, r.watts}}) {
        if (asked <= 0)
            continue;
        if (stated <= 0)
            fit = std::min(fit, 1);
        else if (stated + 1e-9 < asked)
            return 0;
    }
    return fit;
}

// The records that serve a part, in store order, those stating the asked rating first.
void findPart(const CompStore &store, const BomPart &part, const PartIndex &index, std::vector<int> &slots)
{
    slots.clear();
    if (!part.problem.empty())
        return;
    std::vector<int> unstated;
    for (int i : part.value ? index.byValue(*part.value) : index.byName(part.name)) {
        const int category = store.category[i];
        if (category < 0 || category >= 64 || !(part.categories >> category & 1))
            continue;
        const int fit = ratingFit(part, category, store.description[i]);
        if (fit == 2)
            slots.push_back(i);
        else if (fit == 1)
            unstated.push_back(i);
    }
    slots.insert(slots.end(), unstated.begin(), unstated.end());
}

BinFind findRows(const CompStore &store, const NameIndex *names, const std::vector<std::string> &categories,
                 const std::vector<BinRow> &rows, bool exact, bool withRows, const RecordAttributes *attributes)
{
    BinFind result;
    result.rows.reserve(rows.size());
    result.counts.reserve(rows.size());
    // A view holds room for a full store (128 KiB): made once per thread, not at each find.
    thread_local ViewList view;
    // The records by value and name, made once for every row of a bill of materials.
    std::optional<PartIndex> index;
    std::vector<int> partSlots;
    for (const BinRow &row : rows) {
        if (row.part) {
            if (!index)
                index.emplace(store);
            findPart(store, *row.part, *index, partSlots);
            view.viewcount = static_cast<int>(partSlots.size());
            std::copy(partSlots.begin(), partSlots.end(), view.viewlist.begin() + 1);
        }
        const int category = rowCategory(row, categories);
        const FilterCriteria criteria{category, row.name, 0, row.description};
        if (row.part)
            ; // found above
        else if (names)
            filterbase(store, *names, criteria, exact, view);
        else
            filterbase(store, criteria, exact, view);
        int64_t total = 0;
        std::vector<std::string> places;
        for (int k = 1; k <= view.viewcount; ++k) {
            const int slot = view.viewlist[k];
            total += store.quantity[slot];
            if (attributes) {
                const AttributeValues *values = attributes->find(store.category[slot], store.name[slot], store.description[slot]);
                result.listPlaces.push_back(values ? (*values)[Attribute::Place] : std::string());
                places.push_back(result.listPlaces.back());
            }
            if (withRows)
                result.list.push_back({store.category[slot], std::string(store.name[slot]),
                                       std::to_string(store.quantity[slot]), std::string(store.description[slot])});
            result.listCategories.push_back(store.category[slot]);
            result.listSlots.push_back(static_cast<uint16_t>(slot));
        }
        const BinStatus status = total == 0                         ? BinStatus::Red
                                 : binNumber(row.needed) <= total ? BinStatus::Green
                                                                  : BinStatus::Yellow;
        const BinStatus shown = row.part && !row.part->problem.empty() ? BinStatus::Red : status;
        BinRow found = addbinrow(shown, category, categories, row.name, row.needed, row.description, total,
                                 std::to_string(view.viewcount));
        found.stock = std::to_string(total);
        found.place = joinPlaces(places);
        found.part = row.part;
        if (row.part && view.viewcount > 0) {
            // The stock's spelling of the value, and the category of the record found first.
            const int first = view.viewlist[1];
            found.name = std::string(store.name[first]);
            found.category = store.category[first];
            found.caption = found.category < static_cast<int>(categories.size())
                                ? categories[static_cast<size_t>(found.category)]
                                : std::string();
        }
        result.rows.push_back(std::move(found));
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
    return findRows(store, nullptr, categories, rows, exact, true, nullptr);
}

BinFind findbin(const CompStore &store, const NameIndex &names, const std::vector<std::string> &categories,
                const std::vector<BinRow> &rows, bool exact, bool withRows, const RecordAttributes *attributes)
{
    return findRows(store, &names, categories, rows, exact, withRows, attributes);
}

std::string joinPlaces(const std::vector<std::string> &places)
{
    constexpr size_t kShown = 3; // a row of many records would make the bin's column endless
    std::vector<const std::string *> distinct;
    for (const std::string &p : places)
        if (!p.empty() && std::none_of(distinct.begin(), distinct.end(), [&p](const std::string *d) { return *d == p; }))
            distinct.push_back(&p);
    std::string text;
    for (size_t k = 0; k < distinct.size() && k < kShown; ++k)
        text += (k ? "; " : "") + *distinct[k];
    if (distinct.size() > kShown)
        text += cp1251(" и еще ") + std::to_string(distinct.size() - kShown);
    return text;
}

std::string listSummary(uint32_t count, uint32_t total)
{
    return cp1251("В списке наименований: ") + std::to_string(count) + cp1251(" деталей ") + std::to_string(total);
}

} // namespace vosk
