#include "listsort.h"

#include "exchange.h"
#include "nominal.h"

#include <algorithm>
#include <array>
#include <limits>
#include <numeric>

namespace vosk {

namespace {

using Order = std::vector<std::uint32_t>;

Order identity(std::size_t n)
{
    Order order(n);
    std::iota(order.begin(), order.end(), 0u);
    return order;
}

// Where the caller wants the permutation too.
thread_local Order *wantedOrder = nullptr;

void applyOrder(std::vector<ListRow> &rows, const Order &order)
{
    if (wantedOrder)
        *wantedOrder = order;
    // Sorting an ordered list again (the automatic sort after every category change) is
    // common: leave the rows where they are.
    bool moved = false;
    for (std::size_t k = 0; k < order.size() && !moved; ++k)
        moved = order[k] != k;
    if (!moved)
        return;
    std::vector<ListRow> sorted;
    sorted.reserve(rows.size());
    for (std::uint32_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows.swap(sorted);
}

// Names of key 1, each read at most once. Only a row whose category holds a value scale
// and at least one more row of the list is ever compared by value, so only those are read.
struct NameKeys {
    std::vector<std::size_t> count = std::vector<std::size_t>(65536);
    int valueCategories = 0; // categories 1..7 with two rows or more
    bool anyError = false;
    std::vector<std::uint8_t> vcat; // the category a row is compared by value in, or 0
    std::vector<double> value;
    std::vector<std::uint8_t> err;
    std::vector<std::string> message; // per row that cannot be read

    explicit NameKeys(const std::vector<ListRow> &rows)
        : vcat(rows.size(), 0), value(rows.size(), 0.0), err(rows.size(), 0), message(rows.size())
    {
        for (const ListRow &r : rows)
            ++count[r.icon];
        for (int c = 1; c <= 7; ++c)
            if (count[static_cast<std::size_t>(c)] >= 2)
                ++valueCategories;
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int c = rows[i].icon;
            if (!hasValueScale(c) || count[static_cast<std::size_t>(c)] < 2)
                continue;
            vcat[i] = static_cast<std::uint8_t>(c);
            try {
                value[i] = readnominal(c, rows[i].name);
            } catch (const NumberConversionError &e) {
                err[i] = 1;
                message[i] = e.message();
                anyError = true;
            }
        }
    }
};

SortResult exchangeSort(std::vector<ListRow> &rows, int key, const NameKeys *names)
{
    const std::size_t n = rows.size();
    ExchangeKeys keys;
    switch (key) {
    case 0:
        keys.text = denseRanks(n, [&](std::uint32_t a, std::uint32_t b) { return rows[a].icon < rows[b].icon; });
        break;
    case 1:
        keys.text = denseRanks(n, [&](std::uint32_t a, std::uint32_t b) { return rows[a].name < rows[b].name; });
        break;
    case 2: {
        std::vector<long long> q(n);
        for (std::size_t i = 0; i < n; ++i)
            q[i] = quantityValue(rows[i].quantity);
        keys.text = denseRanks(n, [&](std::uint32_t a, std::uint32_t b) { return q[a] < q[b]; });
        break;
    }
    default:
        keys.text = denseRanks(n, [&](std::uint32_t a, std::uint32_t b) { return rows[a].description < rows[b].description; });
        break;
    }
    keys.value.assign(n, 0);
    keys.vcat.assign(n, 0);
    keys.err.assign(n, 0);
    if (key == 1) {
        keys.vcat = names->vcat;
        keys.err = names->err;
        std::vector<std::uint32_t> readable;
        for (std::uint32_t i = 0; i < n; ++i)
            if (keys.vcat[i] && !keys.err[i])
                readable.push_back(i);
        const auto r = denseRanks(readable.size(), [&](std::uint32_t a, std::uint32_t b) {
            return names->value[readable[a]] < names->value[readable[b]];
        });
        for (std::size_t k = 0; k < readable.size(); ++k)
            keys.value[readable[k]] = r[k];
    }
    Order order;
    const SortResult result = runExchange(
        keys, order, [&](std::uint32_t row) { return names ? names->message[row] : std::string(); }, nullptr);
    applyOrder(rows, order);
    return result;
}

template <class Less>
void stableSortRows(std::vector<ListRow> &rows, Less less)
{
    Order order = identity(rows.size());
    std::stable_sort(order.begin(), order.end(), less);
    applyOrder(rows, order);
}

} // namespace

long long quantityValue(std::string_view text)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i == text.size())
        return 0;
    constexpr long long kMax = std::numeric_limits<long long>::max();
    long long v = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return 0;
        const int d = c - '0';
        v = v > (kMax - d) / 10 ? kMax : v * 10 + d; // a count that long is only ever "very many"
    }
    return negative ? -v : v;
}

SortResult sortlistByExchange(std::vector<ListRow> &rows, int key)
{
    if (key < 0 || key > 3 || rows.size() < 2)
        return {};
    if (key == 1) {
        const NameKeys names(rows);
        return exchangeSort(rows, key, &names);
    }
    return exchangeSort(rows, key, nullptr);
}

SortResult sortlist(std::vector<ListRow> &rows, int key, std::vector<std::uint32_t> *order)
{
    if (order)
        *order = identity(rows.size());
    if (key < 0 || key > 3 || rows.size() < 2)
        return {};
    struct Wanted {
        explicit Wanted(Order *o) { wantedOrder = o; }
        ~Wanted() { wantedOrder = nullptr; }
    } wanted(order);
    switch (key) {
    case 0: {
        // The keys side by side, not scattered over the rows: the sort reads them often.
        std::vector<std::uint16_t> icon(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            icon[i] = rows[i].icon;
        stableSortRows(rows, [&](std::uint32_t a, std::uint32_t b) { return icon[a] < icon[b]; });
        return {};
    }
    case 2: {
        std::vector<long long> q(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i)
            q[i] = quantityValue(rows[i].quantity);
        stableSortRows(rows, [&](std::uint32_t a, std::uint32_t b) { return q[a] < q[b]; });
        return {};
    }
    case 3:
        stableSortRows(rows, [&](std::uint32_t a, std::uint32_t b) { return rows[a].description < rows[b].description; });
        return {};
    default:
        break;
    }

    const NameKeys names(rows);
    if (names.valueCategories == 0) {
        // No two rows share a value category: every pair compares by text.
        stableSortRows(rows, [&](std::uint32_t a, std::uint32_t b) { return rows[a].name < rows[b].name; });
        return {};
    }
    const bool oneValueCategory =
        names.valueCategories == 1 && names.count[rows.front().icon] == rows.size() && names.vcat.front() != 0;
    if (oneValueCategory && !names.anyError) {
        // The whole list is one category with a value scale: every pair compares by value.
        stableSortRows(rows, [&](std::uint32_t a, std::uint32_t b) { return names.value[a] < names.value[b]; });
        return {};
    }
    // Value and text order mixed, or a name that stops the exchange somewhere: the
    // outcome depends on the exchange itself.
    return exchangeSort(rows, key, &names);
}

} // namespace vosk
