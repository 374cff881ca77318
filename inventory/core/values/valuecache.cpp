#include "valuecache.h"

#include "namehash.h"
#include "nominal.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <array>
#include <cstring>

namespace vosk {

namespace {

// A name's first bytes as one word, for comparing short names without reading the store:
// up to seven bytes, zero-padded, and the length (capped at 255) in the top byte, so that two
// names of up to seven bytes are equal exactly when their words are.
[[gnu::always_inline]] inline std::uint64_t headOf(std::string_view name)
{
    const char *p = name.data();
    const std::size_t n = name.size();
    std::uint64_t v = 0;
    if (n >= 8) {
        std::memcpy(&v, p, 8);
        v &= 0x00FFFFFFFFFFFFFFull;
    } else if (n >= 4) {
        std::uint32_t lo, hi;
        std::memcpy(&lo, p, 4);
        std::memcpy(&hi, p + n - 4, 4);
        v = lo | static_cast<std::uint64_t>(hi) << (8 * (n - 4));
    } else {
        for (std::size_t k = 0; k < n; ++k)
            v |= static_cast<std::uint64_t>(static_cast<unsigned char>(p[k])) << (8 * k);
    }
    return v | static_cast<std::uint64_t>(std::min<std::size_t>(n, 255)) << 56;
}

} // namespace

void ValueCache::rebuild(const CompStore &store)
{
    messages_.clear();
    for (auto &o : order_)
        o.clear();
    std::fill(category_.begin(), category_.begin() + static_cast<std::ptrdiff_t>(highest_ + 1), 0);
    highest_ = store.compcount;
    // Names repeat in a store (the same values with other descriptions, places, makers):
    // each distinct name of a category is read once. The distinct (category, name) pairs go
    // into a list of their own, found through an open-addressing table kept at most half
    // full that holds each one's hash, category and first bytes: a short name is matched in
    // the table without going back to the store, and both stay in the cache, being sized by
    // the distinct names rather than the records.
    struct Distinct {
        double value;
        std::uint16_t slot; // where it was met first
        std::uint8_t state;
        std::uint8_t category;
        std::uint32_t rank;
    };
    struct Entry {
        std::uint64_t head = 0;
        std::uint32_t hash = 0;
        std::uint32_t tag = 0; // the category in the top byte, the index in the list + 1 below it; 0: empty
    };
    std::vector<Distinct> distinct;
    distinct.reserve(256);
    std::vector<Entry> table(1024);
    auto grow = [&table] {
        std::vector<Entry> bigger(table.size() * 2);
        const std::size_t mask = bigger.size() - 1;
        for (const Entry &e : table)
            if (e.tag != 0) {
                std::size_t h = e.hash & mask;
                while (bigger[h].tag != 0)
                    h = (h + 1) & mask;
                bigger[h] = e;
            }
        table.swap(bigger);
    };
    std::vector<std::uint16_t> valued;  // every slot of a readable name, in store order
    std::vector<std::uint32_t> nameOf;  // and the index of its name in `distinct`
    valued.reserve(store.compcount);
    nameOf.reserve(store.compcount);
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
        const std::uint64_t head = headOf(name);
        const std::uint32_t tagCategory = static_cast<std::uint32_t>(category) << 24;
        const std::size_t mask = table.size() - 1;
        std::size_t h = hash & mask;
        std::uint32_t d = 0;
        for (;; h = (h + 1) & mask) {
            const Entry &e = table[h];
            if (e.tag == 0)
                break;
            if (e.hash == hash && e.head == head && (e.tag & 0xFF000000u) == tagCategory &&
                (name.size() < 8 || store.name[distinct[(e.tag & 0xFFFFFFu) - 1].slot] == name)) {
                d = e.tag & 0xFFFFFFu;
                break;
            }
        }
        if (d == 0) {
            read(store, s);
            distinct.push_back({value_[i], static_cast<std::uint16_t>(s), state_[i], static_cast<std::uint8_t>(category), 0});
            d = static_cast<std::uint32_t>(distinct.size());
            table[h] = {head, hash, tagCategory | d};
            if (2 * distinct.size() > table.size())
                grow();
        } else {
            const Distinct &first = distinct[d - 1];
            value_[i] = first.value;
            state_[i] = first.state;
            if (first.state == static_cast<std::uint8_t>(State::Unreadable))
                messages_[static_cast<std::uint16_t>(s)] = messages_[first.slot];
        }
        if (state_[i] == static_cast<std::uint8_t>(State::Value)) {
            valued.push_back(static_cast<std::uint16_t>(s));
            nameOf.push_back(d - 1);
        }
    }
    // Each category in value order, equal values by slot: the distinct names ranked by value
    // (equal values, equal ranks; the ranks of all categories one after another), then the
    // records counted out by the rank of their name, in slot order.
    std::array<std::vector<std::pair<double, std::uint32_t>>, 8> byCategory;
    for (std::uint32_t k = 0; k < distinct.size(); ++k)
        if (distinct[k].state == static_cast<std::uint8_t>(State::Value))
            byCategory[distinct[k].category].push_back({distinct[k].value, k});
    std::array<std::uint32_t, 9> firstRank{}; // of each category; [8]: one past the last
    std::uint32_t ranks = 0;
    for (int c = 1; c <= 7; ++c) {
        auto &names = byCategory[static_cast<std::size_t>(c)];
        firstRank[static_cast<std::size_t>(c)] = ranks;
        std::sort(names.begin(), names.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        for (std::size_t k = 0; k < names.size(); ++k) {
            if (k == 0 || names[k - 1].first < names[k].first)
                ++ranks;
            distinct[names[k].second].rank = ranks - 1;
        }
    }
    firstRank[8] = ranks;
    std::vector<std::uint32_t> start(static_cast<std::size_t>(ranks) + 1, 0);
    for (std::uint32_t &n : nameOf) {
        n = distinct[n].rank; // from here on, the rank of the record's name
        ++start[n + 1];
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
        order_[c][start[nameOf[k]]++ - base[c]] = valued[k];
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
