#include "valuecache.h"

#include "namehash.h"
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
    std::fill(category_.begin(), category_.begin() + static_cast<std::ptrdiff_t>(highest_ + 1), 0);
    highest_ = store.compcount;
    // Names repeat in a store (the same values with other descriptions, places, makers):
    // each distinct name of a category is read once. An open-addressing table of the first
    // slot of each (category, name) with its hash, kept at most half full: sized by the
    // distinct names rather than the records, it stays in the cache when names repeat.
    struct Entry {
        std::uint32_t hash = 0;
        std::uint16_t slot = 0;
    };
    std::vector<Entry> first(1024);
    std::size_t used = 0;
    auto grow = [&first] {
        std::vector<Entry> bigger(first.size() * 2);
        const std::size_t mask = bigger.size() - 1;
        for (const Entry &e : first)
            if (e.slot != 0) {
                std::size_t h = e.hash & mask;
                while (bigger[h].slot != 0)
                    h = (h + 1) & mask;
                bigger[h] = e;
            }
        first.swap(bigger);
    };
    std::vector<std::uint16_t> representative(static_cast<std::size_t>(store.compcount) + 1, 0);
    struct Distinct {
        double value;
        std::uint16_t slot;
    };
    std::array<std::vector<Distinct>, 8> distinct; // first slots of readable names
    std::vector<std::uint16_t> valued;             // every slot of a readable name, in store order
    valued.reserve(store.compcount);
    for (int s = 1; s <= store.compcount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const int category = store.category[i];
        if (!hasValueScale(category)) {
            value_[i] = 0.0;
            state_[i] = static_cast<std::uint8_t>(State::None);
            continue;
        }
        category_[i] = static_cast<std::uint8_t>(category);
        const std::string_view name = store.name[i];
        const std::uint64_t full = nameHash(name) + static_cast<std::uint64_t>(category) * 0x9E3779B97F4A7C15u;
        const auto hash = static_cast<std::uint32_t>(full ^ (full >> 32));
        const std::size_t mask = first.size() - 1;
        std::size_t h = hash & mask;
        while (first[h].slot != 0 && (first[h].hash != hash || store.category[first[h].slot] != category ||
                                      store.name[first[h].slot] != name))
            h = (h + 1) & mask;
        if (first[h].slot == 0) {
            first[h] = {hash, static_cast<std::uint16_t>(s)};
            representative[i] = static_cast<std::uint16_t>(s);
            if (2 * ++used > first.size())
                grow();
            read(store, s);
            if (state_[i] == static_cast<std::uint8_t>(State::Value))
                distinct[static_cast<std::size_t>(category)].push_back({value_[i], static_cast<std::uint16_t>(s)});
        } else {
            const std::size_t f = first[h].slot;
            representative[i] = static_cast<std::uint16_t>(f);
            value_[i] = value_[f];
            state_[i] = state_[f];
            if (state_[f] == static_cast<std::uint8_t>(State::Unreadable))
                messages_[static_cast<std::uint16_t>(s)] = messages_[static_cast<std::uint16_t>(f)];
        }
        if (state_[i] == static_cast<std::uint8_t>(State::Value))
            valued.push_back(static_cast<std::uint16_t>(s));
    }
    // Each category in value order, equal values by slot: the distinct names ranked by value
    // (equal values, equal ranks; the ranks of all categories one after another), then the
    // records counted out by the rank of their name, in slot order, in two passes over the
    // store for all categories together.
    std::vector<std::uint32_t> rank(static_cast<std::size_t>(store.compcount) + 1, 0);
    std::array<std::uint32_t, 9> firstRank{}; // of each category; [8]: one past the last
    std::uint32_t ranks = 0;
    for (int c = 1; c <= 7; ++c) {
        auto &names = distinct[static_cast<std::size_t>(c)];
        firstRank[static_cast<std::size_t>(c)] = ranks;
        std::sort(names.begin(), names.end(), [](const Distinct &a, const Distinct &b) { return a.value < b.value; });
        for (std::size_t k = 0; k < names.size(); ++k) {
            if (k == 0 || names[k - 1].value < names[k].value)
                ++ranks;
            rank[names[k].slot] = ranks - 1;
        }
    }
    firstRank[8] = ranks;
    std::vector<std::uint32_t> start(static_cast<std::size_t>(ranks) + 1, 0);
    std::vector<std::uint32_t> key(valued.size());
    for (std::size_t k = 0; k < valued.size(); ++k) {
        key[k] = rank[representative[valued[k]]];
        ++start[key[k] + 1];
    }
    for (std::size_t k = 1; k < start.size(); ++k)
        start[k] += start[k - 1];
    std::array<std::uint32_t, 8> base{}; // where each category's records start in `start`'s count
    for (std::size_t c = 1; c <= 7; ++c) {
        base[c] = start[firstRank[c]];
        order_[c].resize(start[firstRank[c + 1]] - base[c]);
    }
    for (std::size_t k = 0; k < valued.size(); ++k) {
        const std::uint8_t c = category_[valued[k]];
        order_[c][start[key[k]]++ - base[c]] = valued[k];
    }
}

void ValueCache::update(const CompStore &store, int slot)
{
    unlist(slot);
    messages_.erase(static_cast<std::uint16_t>(slot));
    read(store, slot);
    const int category = store.category[static_cast<std::size_t>(slot)];
    category_[static_cast<std::size_t>(slot)] = static_cast<std::uint8_t>(hasValueScale(category) ? category : 0);
    highest_ = std::max(highest_, static_cast<std::size_t>(slot));
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
