#include "slotsort.h"

#include "nominal.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <string_view>

namespace vosk {

namespace {

// How key 1 has to run on a list.
enum class NamePlan { ByText, ByValue, Exchange };

NamePlan namePlan(const CompStore &store, const ValueCache &values, const std::vector<std::uint16_t> &order)
{
    std::array<std::size_t, 8> count{};
    bool unreadable = false;
    for (const std::uint16_t s : order) {
        const int c = store.category[s];
        if (hasValueScale(c)) {
            ++count[static_cast<std::size_t>(c)];
            unreadable = unreadable || values.state(s) == ValueCache::State::Unreadable;
        }
    }
    int shared = 0; // value categories with two rows or more: only those compare by value
    for (int c = 1; c <= 7; ++c)
        shared += count[static_cast<std::size_t>(c)] >= 2;
    if (shared == 0)
        return NamePlan::ByText;
    const int first = store.category[order.front()];
    if (shared == 1 && hasValueScale(first) && count[static_cast<std::size_t>(first)] == order.size() && !unreadable)
        return NamePlan::ByValue;
    return NamePlan::Exchange;
}

// Stable sort of the order by a 16-bit key: two counting passes over (key, slot) pairs,
// low byte then high byte, each keeping the order of equal bytes.
template <class KeyOf>
void sortBy16(std::vector<std::uint16_t> &order, KeyOf keyOf)
{
    const std::size_t n = order.size();
    std::vector<std::uint32_t> a(n), b(n);
    std::array<std::uint32_t, 257> low{}, high{};
    for (std::size_t k = 0; k < n; ++k) {
        const std::uint32_t key = keyOf(order[k]);
        a[k] = key << 16 | order[k];
        ++low[((key & 0xFF)) + 1];
        ++high[(key >> 8) + 1];
    }
    const bool oneHigh = std::count(high.begin() + 1, high.end(), 0u) == 255; // one high byte for all (categories, say)
    for (int d = 0; d < 256; ++d) {
        low[d + 1] += low[d];
        high[d + 1] += high[d];
    }
    for (std::size_t k = 0; k < n; ++k)
        b[low[(a[k] >> 16) & 0xFF]++] = a[k];
    if (!oneHigh) {
        for (std::size_t k = 0; k < n; ++k)
            a[high[b[k] >> 24]++] = b[k];
        b.swap(a);
    }
    for (std::size_t k = 0; k < n; ++k)
        order[k] = static_cast<std::uint16_t>(b[k]);
}

// A double as an unsigned word of the same order (for the values readnominal gives: no
// NaN; -0 and +0 made equal).
std::uint64_t orderedBits(double v)
{
    if (v == 0.0)
        v = 0.0;
    std::uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return (b >> 63) ? ~b : b | (std::uint64_t{1} << 63);
}

void sortByValue(const CompStore &store, const ValueCache &values, std::vector<std::uint16_t> &order)
{
    // Every row is of one category and readable. A list in store order (every refill is)
    // is ordered by value, equal values by slot: the cache keeps the category that way.
    const std::vector<std::uint16_t> &byValue = values.valueOrder(store.category[order.front()]);
    const bool storeOrder = std::adjacent_find(order.begin(), order.end(), std::greater_equal<>()) == order.end();
    if (storeOrder && order.size() == byValue.size()) {
        order = byValue; // the whole category
        return;
    }
    if (storeOrder && order.size() * 8 >= byValue.size()) {
        thread_local std::vector<std::uint8_t> listed(CompStore::kSlots + 1, 0);
        for (const std::uint16_t s : order)
            listed[s] = 1;
        std::size_t k = 0;
        for (const std::uint16_t s : byValue)
            if (listed[s]) {
                listed[s] = 0;
                order[k++] = s;
            }
        return;
    }
    struct Entry {
        std::uint64_t key;
        std::uint32_t pos;
        std::uint16_t slot;
    };
    const std::size_t n = order.size();
    std::vector<Entry> e(n);
    for (std::size_t k = 0; k < n; ++k)
        e[k] = Entry{orderedBits(values.value(order[k])), static_cast<std::uint32_t>(k), order[k]};
    std::sort(e.begin(), e.end(), [](const Entry &a, const Entry &b) { return a.key != b.key ? a.key < b.key : a.pos < b.pos; });
    for (std::size_t k = 0; k < n; ++k)
        order[k] = e[k].slot;
}

void sortByText(const TextColumn &texts, std::vector<std::uint16_t> &order)
{
    struct Entry {
        std::string_view text;
        std::uint16_t slot;
    };
    const std::size_t n = order.size();
    std::vector<Entry> e(n);
    for (std::size_t k = 0; k < n; ++k)
        e[k] = Entry{texts[order[k]], order[k]};
    // string_view compares bytes as unsigned, a prefix first: the list's text order.
    std::stable_sort(e.begin(), e.end(), [](const Entry &a, const Entry &b) { return a.text < b.text; });
    for (std::size_t k = 0; k < n; ++k)
        order[k] = e[k].slot;
}

SortResult exchangeNames(const CompStore &store, const ValueCache &values, std::vector<std::uint16_t> &order,
                         const SortControl *control)
{
    const std::size_t n = order.size();
    std::array<std::size_t, 8> count{};
    for (const std::uint16_t s : order)
        if (hasValueScale(store.category[s]))
            ++count[store.category[s]];
    ExchangeKeys keys;
    keys.text = denseRanks(n, [&](std::uint32_t a, std::uint32_t b) { return store.name[order[a]] < store.name[order[b]]; });
    keys.value.assign(n, 0);
    keys.vcat.assign(n, 0);
    keys.err.assign(n, 0);
    std::vector<std::uint32_t> readable;
    for (std::uint32_t k = 0; k < n; ++k) {
        const int c = store.category[order[k]];
        if (!hasValueScale(c) || count[static_cast<std::size_t>(c)] < 2)
            continue;
        keys.vcat[k] = static_cast<std::uint8_t>(c);
        if (values.state(order[k]) == ValueCache::State::Unreadable)
            keys.err[k] = 1;
        else
            readable.push_back(k);
    }
    const auto r = denseRanks(readable.size(), [&](std::uint32_t a, std::uint32_t b) {
        return values.value(order[readable[a]]) < values.value(order[readable[b]]);
    });
    for (std::size_t k = 0; k < readable.size(); ++k)
        keys.value[readable[k]] = r[k];

    std::vector<std::uint32_t> result;
    const SortResult outcome = runExchange(
        keys, result, [&](std::uint32_t row) { return values.message(order[row]); }, control);
    if (outcome.cancelled)
        return outcome;
    std::vector<std::uint16_t> sorted(n);
    for (std::size_t k = 0; k < n; ++k)
        sorted[k] = order[result[k]];
    order.swap(sorted);
    return outcome;
}

} // namespace

bool needsExchange(const CompStore &store, const ValueCache &values, const std::vector<std::uint16_t> &order, int key)
{
    return key == 1 && order.size() >= 2 && namePlan(store, values, order) == NamePlan::Exchange;
}

SortResult sortSlots(const CompStore &store, const ValueCache &values, std::vector<std::uint16_t> &order, int key,
                     const SortControl *control)
{
    if (key < 0 || key > 3 || order.size() < 2)
        return {};
    switch (key) {
    case 0:
        sortBy16(order, [&](std::uint16_t s) { return store.category[s]; });
        return {};
    case 2:
        sortBy16(order, [&](std::uint16_t s) { return store.quantity[s]; });
        return {};
    case 3:
        sortByText(store.description, order);
        return {};
    default:
        break;
    }
    switch (namePlan(store, values, order)) {
    case NamePlan::ByText:
        sortByText(store.name, order);
        return {};
    case NamePlan::ByValue:
        sortByValue(store, values, order);
        return {};
    default:
        return exchangeNames(store, values, order, control);
    }
}

} // namespace vosk
