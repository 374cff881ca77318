#include "valuecache.h"

#include "nominal.h"

namespace vosk {

void ValueCache::rebuild(const CompStore &store)
{
    messages_.clear();
    for (int s = 1; s <= store.compcount; ++s)
        update(store, s);
}

void ValueCache::update(const CompStore &store, int slot)
{
    const auto i = static_cast<std::size_t>(slot);
    messages_.erase(static_cast<std::uint16_t>(slot));
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
