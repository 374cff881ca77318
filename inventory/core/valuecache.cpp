#include "valuecache.h"

#include "nominal.h"

#include <functional>
#include <string_view>

namespace vosk {

void ValueCache::rebuild(const CompStore &store)
{
    messages_.clear();
    // Names repeat in a store (the same values with other descriptions, places, makers):
    // each distinct name of a category is read once. An open-addressing table of the first
    // slot of each (category, name), twice as large as the records.
    std::size_t size = 2;
    while (size < 2 * static_cast<std::size_t>(store.compcount))
        size *= 2;
    std::vector<std::uint16_t> first(size, 0);
    for (int s = 1; s <= store.compcount; ++s) {
        const auto i = static_cast<std::size_t>(s);
        const int category = store.category[i];
        if (!hasValueScale(category)) {
            value_[i] = 0.0;
            state_[i] = static_cast<std::uint8_t>(State::None);
            continue;
        }
        const std::string &name = store.name[i];
        std::size_t h = (std::hash<std::string_view>{}(name) + static_cast<std::size_t>(category) * 0x9E3779B97F4A7C15u) & (size - 1);
        while (first[h] != 0 && (store.category[first[h]] != category || store.name[first[h]] != name))
            h = (h + 1) & (size - 1);
        if (first[h] == 0) {
            first[h] = static_cast<std::uint16_t>(s);
            read(store, s);
            continue;
        }
        const std::size_t f = first[h];
        value_[i] = value_[f];
        state_[i] = state_[f];
        if (state_[f] == static_cast<std::uint8_t>(State::Unreadable))
            messages_[static_cast<std::uint16_t>(s)] = messages_[static_cast<std::uint16_t>(f)];
    }
}

void ValueCache::update(const CompStore &store, int slot)
{
    messages_.erase(static_cast<std::uint16_t>(slot));
    read(store, slot);
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

void ValueCache::moved(const CompStore &store, int slot)
{
    const auto to = static_cast<std::size_t>(slot);
    const auto from = static_cast<std::size_t>(store.compcount);
    if (to == from)
        return;
    value_[to] = value_[from];
    state_[to] = state_[from];
    messages_.erase(static_cast<std::uint16_t>(slot));
    if (auto it = messages_.find(static_cast<std::uint16_t>(from)); it != messages_.end()) {
        std::string message = std::move(it->second);
        messages_.erase(it);
        messages_[static_cast<std::uint16_t>(slot)] = std::move(message);
    }
}

const std::string &ValueCache::message(int slot) const
{
    static const std::string none;
    const auto it = messages_.find(static_cast<std::uint16_t>(slot));
    return it == messages_.end() ? none : it->second;
}

} // namespace vosk
