#include "valuecache.h"

#include "nominal.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <array>

namespace vosk {

void ValueCache::rebuild(const CompStore &store)
{
    messages_.clear();
    for (auto &o : order_)
        o.clear();
    std::fill(category_.begin(), category_.end(), 0);
    // Names repeat in a store (the same values with other descriptions, places, makers):
    // each distinct name of a category is read once. An open-addressing table of the first
    // slot of each (category, name), twice as large as the records.
    std::size_t size = 2;
    while (size < 2 * static_cast<std::size_t>(store.compcount))
        size *= 2;
    std::vector<std::uint16_t> first(size, 0);
    std::vector<std::uint16_t> representative(static_cast<std::size_t>(store.compcount) + 1, 0);
    std::array<std::vector<std::uint16_t>, 8> distinct; // first slots of readable names
    for (int s = 1; s <= store.compcount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const int category = store.category[i];
        if (!hasValueScale(category)) {
            value_[i] = 0.0;
            state_[i] = static_cast<std::uint8_t>(State::None);
            continue;
        }
        category_[i] = static_cast<std::uint8_t>(category);
        const std::string &name = store.name[i];
        std::size_t h = (std::hash<std::string_view>{}(name) + static_cast<std::size_t>(category) * 0x9E3779B97F4A7C15u) &
                        (size - 1);
        while (first[h] != 0 && (store.category[first[h]] != category || store.name[first[h]] != name))
            h = (h + 1) & (size - 1);
        if (first[h] == 0) {
            first[h] = static_cast<std::uint16_t>(s);
            read(store, s);
            if (state_[i] == static_cast<std::uint8_t>(State::Value))
                distinct[static_cast<std::size_t>(category)].push_back(static_cast<std::uint16_t>(s));
        } else {
            const std::size_t f = first[h];
            value_[i] = value_[f];
            state_[i] = state_[f];
            if (state_[f] == static_cast<std::uint8_t>(State::Unreadable))
                messages_[static_cast<std::uint16_t>(s)] = messages_[static_cast<std::uint16_t>(f)];
        }
        representative[i] = first[h];
    }
    // Each category in value order, equal values by slot: the distinct names ranked by value
    // (equal values, equal ranks), then the records counted out by the rank of their name,
    // in slot order.
    std::vector<std::uint32_t> rank(static_cast<std::size_t>(store.compcount) + 1, 0);
    std::vector<std::uint32_t> start;
    for (int c = 1; c <= 7; ++c) {
        auto &names = distinct[static_cast<std::size_t>(c)];
        if (names.empty())
            continue;
        std::sort(names.begin(), names.end(), [&](std::uint16_t a, std::uint16_t b) { return value_[a] < value_[b]; });
        std::uint32_t r = 0;
        for (std::size_t k = 0; k < names.size(); ++k) {
            if (k > 0 && value_[names[k - 1]] < value_[names[k]])
                ++r;
            rank[names[k]] = r;
        }
        start.assign(r + 2, 0);
        std::size_t total = 0;
        for (int s = 1; s <= store.compcount; ++s)
            if (category_[static_cast<std::size_t>(s)] == c && state_[static_cast<std::size_t>(s)] == static_cast<std::uint8_t>(State::Value)) {
                ++start[rank[representative[static_cast<std::size_t>(s)]] + 1];
                ++total;
            }
        for (std::size_t k = 1; k < start.size(); ++k)
            start[k] += start[k - 1];
        auto &order = order_[static_cast<std::size_t>(c)];
        order.resize(total);
        for (int s = 1; s <= store.compcount; ++s)
            if (category_[static_cast<std::size_t>(s)] == c && state_[static_cast<std::size_t>(s)] == static_cast<std::uint8_t>(State::Value))
                order[start[rank[representative[static_cast<std::size_t>(s)]]]++] = static_cast<std::uint16_t>(s);
    }
}

void ValueCache::update(const CompStore &store, int slot)
{
    unlist(slot);
    messages_.erase(static_cast<std::uint16_t>(slot));
    read(store, slot);
    const int category = store.category[static_cast<std::size_t>(slot)];
    category_[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(hasValueScale(category) ? category : 0);
    list(slot);
}

void ValueCache::erase(int slot)
{
    unlist(slot);
    messages_.erase(static_cast<std::uint16_t>(slot));
    const auto i = static_cast<std::size_t>(slot);
    value_[i] = 0.0;
    state_[i] = static_cast<std::uint8_t>(State::None);
    category_[i] = 0;
}

void ValueCache::read(const CompStore &store, int slot)
{
    const auto i = static_cast<std::size_t>(slot);
    value_[i] = 0.0;
    state_[i] = static_cast<std::uint8_t>(State::None);
    const int category = store.category[i];
    if (!hasValueScale(category))
        return;
    try {
        value_[i] = readnominal(category, store.name[i]);
        state_[i] = static_cast<std::uint8_t>(State::Value);
    } catch (const NumberConversionError &e) {
        state_[i] = static_cast<std::uint8_t>(State::Unreadable);
        messages_[static_cast<std::uint16_t>(slot)] = e.message();
    }
}

namespace {

// Position of (value, slot) in a category's value order.
auto placeOf(std::vector<std::uint16_t> &order, const std::vector<double> &value, int slot)
{
    const double v = value[static_cast<std::size_t>(slot)];
    return std::lower_bound(order.begin(), order.end(), slot, [&](std::uint16_t a, int s) {
        return value[a] < v || (!(v < value[a]) && a < s);
    });
}

} // namespace

void ValueCache::unlist(int slot)
{
    const auto i = static_cast<std::size_t>(slot);
    if (category_[i] == 0 || state_[i] != static_cast<std::uint8_t>(State::Value))
        return;
    auto &order = order_[category_[i]];
    const auto it = placeOf(order, value_, slot);
    if (it != order.end() && *it == slot)
        order.erase(it);
}

void ValueCache::list(int slot)
{
    const auto i = static_cast<std::size_t>(slot);
    if (category_[i] == 0 || state_[i] != static_cast<std::uint8_t>(State::Value))
        return;
    auto &order = order_[category_[i]];
    order.insert(placeOf(order, value_, slot), static_cast<std::uint16_t>(slot));
}

void ValueCache::moved(const CompStore &store, int slot)
{
    const auto to = static_cast<std::size_t>(slot);
    const int last = store.compcount;
    if (slot == last)
        return;
    erase(slot); // normally done already, when the record at `slot` left
    unlist(last);
    value_[to] = value_[static_cast<std::size_t>(last)];
    state_[to] = state_[static_cast<std::size_t>(last)];
    category_[to] = category_[static_cast<std::size_t>(last)];
    if (auto it = messages_.find(static_cast<std::uint16_t>(last)); it != messages_.end()) {
        std::string message = std::move(it->second);
        messages_.erase(it);
        messages_[static_cast<std::uint16_t>(slot)] = std::move(message);
    }
    erase(last);
    list(slot);
}

const std::string &ValueCache::message(int slot) const
{
    static const std::string none;
    const auto it = messages_.find(static_cast<std::uint16_t>(slot));
    return it == messages_.end() ? none : it->second;
}

} // namespace vosk
