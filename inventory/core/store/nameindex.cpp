#include "nameindex.h"

#include "namehash.h"
#include "valuecache.h"

#include <algorithm>
#include <cstring>
#include <functional>

namespace vosk {

namespace {
constexpr std::size_t kNodes = CompStore::kSlots + 1;
constexpr std::size_t kMinBuckets = 1024;
constexpr char kNameEnd = '\x01'; // ends each name in the buffer; a part holding it is looked for name by name
} // namespace

NameIndex::NameIndex()
    : bucket_(kMinBuckets, 0), next_(kNodes, 0), prev_(kNodes, 0), hash_(kNodes, 0), member_(kNodes, 0)
{
}

std::uint32_t NameIndex::hashOf(std::string_view name)
{
    const std::uint64_t h = nameHash(name);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

std::uint32_t NameIndex::keyHashOf(int category, std::string_view name, std::string_view description)
{
    // The description's hash turned by an odd multiplier, so that a name and a description
    // that trade places do not collide; the category added to both.
    const std::uint64_t h = nameHash(name) ^ (nameHash(description) * 0x9E3779B97F4A7C15ull) ^
                            (static_cast<std::uint64_t>(category) + 1) * 0xC2B2AE3D27D4EB4Full;
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

std::uint32_t NameIndex::keyHashOf(const CompStore &store, std::size_t slot) const
{
    return keyHashOf(store.category[slot], store.name[slot], store.description[slot]);
}

void NameIndex::link(int slot, std::uint32_t hash, std::uint32_t keyHash)
{
    const auto s = static_cast<std::size_t>(slot);
    const std::uint32_t b = bucketOf(hash);
    hash_[s] = hash;
    prev_[s] = 0;
    next_[s] = bucket_[b];
    if (bucket_[b] != 0)
        prev_[bucket_[b]] = static_cast<std::uint16_t>(slot);
    bucket_[b] = static_cast<std::uint16_t>(slot);
    if (keysBuilt_)
        linkKey(s, keyHash);
    member_[s] = 1;
    highest_ = std::max(highest_, s);
    ++size_;
}

void NameIndex::resize(std::size_t records)
{
    std::size_t buckets = kMinBuckets;
    while (buckets < 2 * records)
        buckets *= 2;
    bucket_.assign(buckets, 0);
    if (keysBuilt_)
        keyBucket_.assign(buckets, 0);
    // Relinked from the last slot down, so that each chain runs in store order.
    const std::size_t members = size_;
    size_ = 0;
    for (std::size_t s = highest_; s >= 1 && size_ < members; --s)
        if (member_[s])
            link(static_cast<int>(s), hash_[s], keysBuilt_ ? keyHash_[s] : 0);
}

void NameIndex::rebuild(const CompStore &store)
{
    std::fill(member_.begin(), member_.begin() + static_cast<std::ptrdiff_t>(highest_ + 1), 0);
    highest_ = 0;
    size_ = 0;
    keysBuilt_ = false; // built at the first lookup of a whole key
    resize(store.compcount);
    for (int s = store.compcount; s >= 1; --s)
        link(s, hashOf(store.name[static_cast<std::size_t>(s)]), 0);
    partsStale_ = true;
}

void NameIndex::insert(const CompStore &store, int slot)
{
    if (member_[static_cast<std::size_t>(slot)])
        erase(slot);
    if (size_ + 1 > bucket_.size())
        resize(size_ + 1);
    link(slot, hashOf(store.name[static_cast<std::size_t>(slot)]),
         keysBuilt_ ? keyHashOf(store, static_cast<std::size_t>(slot)) : 0);
    partsStale_ = true;
}

void NameIndex::erase(int slot)
{
    const auto s = static_cast<std::size_t>(slot);
    if (!member_[s])
        return;
    const std::uint16_t p = prev_[s], n = next_[s];
    if (p != 0)
        next_[p] = n;
    else
        bucket_[bucketOf(hash_[s])] = n;
    if (n != 0)
        prev_[n] = p;
    if (keysBuilt_)
        unlinkKey(s);
    member_[s] = 0;
    --size_;
    partsStale_ = true;
}

void NameIndex::linkKey(std::size_t s, std::uint32_t keyHash) const
{
    const std::uint32_t k = bucketOf(keyHash);
    keyHash_[s] = keyHash;
    keyPrev_[s] = 0;
    keyNext_[s] = keyBucket_[k];
    if (keyBucket_[k] != 0)
        keyPrev_[keyBucket_[k]] = static_cast<std::uint16_t>(s);
    keyBucket_[k] = static_cast<std::uint16_t>(s);
}

void NameIndex::buildKeys(const CompStore &store) const
{
    if (keyNext_.empty()) { // allocated at the first use
        keyNext_.assign(kNodes, 0);
        keyPrev_.assign(kNodes, 0);
        keyHash_.assign(kNodes, 0);
    }
    keyBucket_.assign(bucket_.size(), 0);
    // From the last slot down, so that each chain runs in store order.
    std::size_t linked = 0;
    for (std::size_t s = highest_; s >= 1 && linked < size_; --s)
        if (member_[s]) {
            linkKey(s, keyHashOf(store, s));
            ++linked;
        }
    keysBuilt_ = true;
}

void NameIndex::unlinkKey(std::size_t s)
{
    const std::uint16_t p = keyPrev_[s], n = keyNext_[s];
    if (p != 0)
        keyNext_[p] = n;
    else
        keyBucket_[bucketOf(keyHash_[s])] = n;
    if (n != 0)
        keyPrev_[n] = p;
}

void NameIndex::moved(const CompStore &store, int slot)
{
    const auto to = static_cast<std::size_t>(slot);
    const auto from = static_cast<std::size_t>(store.compcount);
    if (to == from || !member_[from])
        return;
    if (member_[to])
        erase(slot);
    const std::uint16_t p = prev_[from], n = next_[from];
    hash_[to] = hash_[from];
    prev_[to] = p;
    next_[to] = n;
    if (p != 0)
        next_[p] = static_cast<std::uint16_t>(slot);
    else
        bucket_[bucketOf(hash_[from])] = static_cast<std::uint16_t>(slot);
    if (n != 0)
        prev_[n] = static_cast<std::uint16_t>(slot);
    if (keysBuilt_) {
        const std::uint16_t kp = keyPrev_[from], kn = keyNext_[from];
        keyHash_[to] = keyHash_[from];
        keyPrev_[to] = kp;
        keyNext_[to] = kn;
        if (kp != 0)
            keyNext_[kp] = static_cast<std::uint16_t>(slot);
        else
            keyBucket_[bucketOf(keyHash_[from])] = static_cast<std::uint16_t>(slot);
        if (kn != 0)
            keyPrev_[kn] = static_cast<std::uint16_t>(slot);
    }
    member_[from] = 0;
    member_[to] = 1;
    highest_ = std::max(highest_, to);
    partsStale_ = true;
}

void NameIndex::find(const CompStore &store, std::string_view name, std::vector<std::uint16_t> &slots) const
{
    slots.clear();
    const std::uint32_t h = hashOf(name);
    for (std::uint16_t s = bucket_[bucketOf(h)]; s != 0; s = next_[s])
        if (hash_[s] == h && store.name[s] == name)
            slots.push_back(s);
    // A chain is in store order until records move; a short sort puts it back.
    if (!std::is_sorted(slots.begin(), slots.end()))
        std::sort(slots.begin(), slots.end());
}

void NameIndex::findKey(const CompStore &store, int category, std::string_view name, std::string_view description,
                        std::vector<std::uint16_t> &slots) const
{
    slots.clear();
    if (!keysBuilt_)
        buildKeys(store);
    const std::uint32_t h = keyHashOf(category, name, description);
    for (std::uint16_t s = keyBucket_[bucketOf(h)]; s != 0; s = keyNext_[s])
        if (keyHash_[s] == h && store.category[s] == category && store.name[s] == name &&
            store.description[s] == description)
            slots.push_back(s);
    if (!std::is_sorted(slots.begin(), slots.end()))
        std::sort(slots.begin(), slots.end());
}

int NameIndex::findRecord(const CompStore &store, int category, std::string_view name,
                          std::string_view description) const
{
    if (!keysBuilt_)
        buildKeys(store);
    const std::uint32_t h = keyHashOf(category, name, description);
    int first = 0;
    for (std::uint16_t s = keyBucket_[bucketOf(h)]; s != 0; s = keyNext_[s])
        if (keyHash_[s] == h && store.category[s] == category && store.name[s] == name &&
            store.description[s] == description && (first == 0 || s < first))
            first = s;
    return first;
}

void NameIndex::buildParts(const CompStore &store) const
{
    std::size_t bytes = 0;
    for (int s = 1; s <= store.compcount; ++s)
        bytes += store.name[static_cast<std::size_t>(s)].size() + 1;
    parts_.clear();
    parts_.reserve(bytes);
    partStart_.clear();
    partStart_.reserve(static_cast<std::size_t>(store.compcount) + 1);
    for (int s = 1; s <= store.compcount; ++s) {
        partStart_.push_back(static_cast<std::uint32_t>(parts_.size()));
        parts_ += store.name[static_cast<std::size_t>(s)];
        parts_ += kNameEnd;
    }
    partStart_.push_back(static_cast<std::uint32_t>(parts_.size()));
    partsStale_ = false;
}

void NameIndex::findPart(const CompStore &store, std::string_view part, std::vector<std::uint16_t> &slots) const
{
    slots.clear();
    if (part.empty() || part.find(kNameEnd) != std::string_view::npos) {
        // Not a part the buffer can answer: look at every name.
        for (int s = 1; s <= store.compcount; ++s)
            if (store.name[static_cast<std::size_t>(s)].find(part) != std::string::npos)
                slots.push_back(static_cast<std::uint16_t>(s));
        return;
    }
    if (partsStale_ || partStart_.size() != static_cast<std::size_t>(store.compcount) + 1)
        buildParts(store);
    const char *const base = parts_.data();
    const char *p = base;
    const char *const end = base + parts_.size();
    std::size_t k = 0; // index into partStart_ of the name p lies in, searched forward
    while (p < end) {
        const void *hit = memmem(p, static_cast<std::size_t>(end - p), part.data(), part.size());
        if (hit == nullptr)
            break;
        const auto offset = static_cast<std::uint32_t>(static_cast<const char *>(hit) - base);
        // The name holding the hit: the last start at or before it.
        k = static_cast<std::size_t>(std::upper_bound(partStart_.begin() + static_cast<std::ptrdiff_t>(k),
                                                      partStart_.end(), offset) -
                                     partStart_.begin()) - 1;
        slots.push_back(static_cast<std::uint16_t>(k + 1));
        p = base + partStart_[k + 1]; // one hit per name
    }
}

bool NameIndex::consistent(const CompStore &store) const
{
    if (size_ != store.compcount)
        return false;
    std::size_t linked = 0;
    std::vector<std::uint16_t> found;
    for (std::uint32_t b = 0; b < bucket_.size(); ++b)
        for (std::uint16_t s = bucket_[b], p = 0; s != 0; p = s, s = next_[s]) {
            if (s > store.compcount || !member_[s] || prev_[s] != p || bucketOf(hash_[s]) != b ||
                hash_[s] != hashOf(store.name[s]) || ++linked > size_)
                return false;
        }
    if (linked != size_)
        return false;
    if (keysBuilt_) { // the whole keys, once built
        linked = 0;
        for (std::uint32_t b = 0; b < keyBucket_.size(); ++b)
            for (std::uint16_t s = keyBucket_[b], p = 0; s != 0; p = s, s = keyNext_[s]) {
                if (s > store.compcount || !member_[s] || keyPrev_[s] != p || bucketOf(keyHash_[s]) != b ||
                    keyHash_[s] != keyHashOf(store, s) || ++linked > size_)
                    return false;
            }
        if (linked != size_)
            return false;
    }
    for (int s = 1; s <= store.compcount; ++s) {
        find(store, store.name[static_cast<std::size_t>(s)], found);
        if (!std::binary_search(found.begin(), found.end(), static_cast<std::uint16_t>(s)))
            return false;
    }
    return true;
}

bool appendIndexed(CompStore &store, NameIndex &names, ValueCache &values, std::uint16_t category,
                   std::string name, std::uint16_t quantity, std::string description)
{
    if (!store.append(category, std::move(name), quantity, std::move(description)))
        return false;
    names.insert(store, store.compcount);
    values.update(store, store.compcount);
    return true;
}

void removeIndexed(CompStore &store, NameIndex &names, ValueCache &values, int slot)
{
    store.setQuantity(slot, 0); // its parts leave the total with it
    names.erase(slot);
    values.erase(slot);
    if (slot != store.compcount) {
        store.movelast(slot);
        names.moved(store, slot);
        values.moved(store, slot);
    }
    --store.compcount;
}

bool dropemptyIndexed(CompStore &store, NameIndex &names, ValueCache &values)
{
    for (int s = 1; s <= store.compcount; ++s)
        if (store.quantity[static_cast<std::size_t>(s)] == 0) {
            removeIndexed(store, names, values, s);
            return true;
        }
    return false;
}

void renameIndexed(CompStore &store, NameIndex &names, ValueCache &values, int slot, std::uint16_t category,
                   std::string name)
{
    names.erase(slot);
    store.category[static_cast<std::size_t>(slot)] = category;
    store.setName(slot, name);
    names.insert(store, slot);
    values.update(store, slot);
}

} // namespace vosk
