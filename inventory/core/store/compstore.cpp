#include "compstore.h"

#include <algorithm>
#include <stdexcept>

namespace vosk {

bool CompStore::append(uint16_t cat, std::string_view nm, uint16_t qty, std::string_view desc)
{
    if (full())
        return false;
    const int slot = compcount + 1;
    setText(name, slot, nm);
    setText(description, slot, desc);
    compcount = static_cast<uint16_t>(slot);
    category[slot] = cat;
    quantity[slot] = qty;
    totalqty += qty;
    compactIfWasteful();
    return true;
}

void CompStore::setQuantity(int slot, uint16_t qty)
{
    totalqty = totalqty - quantity[slot] + qty;
    quantity[slot] = qty;
}

// A slot past the records (one being filled before compcount counts it) keeps its text: only
// a change to a record weighs the waste, since compacting lets go of such slots' text.
void CompStore::setName(int slot, std::string_view nm)
{
    setText(name, slot, nm);
    if (slot <= compcount)
        compactIfWasteful();
}

void CompStore::setDescription(int slot, std::string_view desc)
{
    setText(description, slot, desc);
    if (slot <= compcount)
        compactIfWasteful();
}

void CompStore::movelast(int slot)
{
    category[slot] = category[compcount];
    name.field_[slot] = name.field_[compcount]; // the same bytes: the last slot is about to go
    quantity[slot] = quantity[compcount];
    description.field_[slot] = description.field_[compcount];
}

bool CompStore::dropempty()
{
    for (int s = 1; s <= compcount; ++s) {
        if (quantity[s] != 0)
            continue; // an empty record holds nothing of the total
        if (s != compcount)
            movelast(s);
        --compcount;
        return true;
    }
    return false;
}

void CompStore::clear()
{
    compcount = 0;
    totalqty = 0;
    kept.clear();
    tail.clear();
    std::fill_n(name.field_.begin(), touched_ + 1, TextColumn::Field{});
    std::fill_n(description.field_.begin(), touched_ + 1, TextColumn::Field{});
    touched_ = 0;
    text_.clear();
    nextCheck_ = kMinWaste;
}

void CompStore::setText(TextColumn &column, int slot, std::string_view text)
{
    if (text.size() > UINT32_MAX)
        throw std::length_error("a record's text field over 4 GiB");
    column.set(static_cast<std::size_t>(slot), text.empty() ? std::string_view() : text_.add(text));
    touched_ = std::max(touched_, slot);
}

void CompStore::compactIfWasteful()
{
    if (text_.added() < nextCheck_)
        return;
    std::size_t used = 0;
    for (int s = 1; s <= compcount; ++s)
        used += name.field_[s].size + description.field_[s].size;
    const std::size_t waste = text_.held() - std::min(text_.held(), used);
    if (waste >= std::max(used, kMinWaste)) {
        // Everything in use into one new block; slots past the records let go of theirs.
        auto block = std::make_shared<std::string>();
        block->reserve(used);
        for (int s = 1; s <= compcount; ++s)
            for (TextColumn *column : {&name, &description})
                block->append(column->field_[s].data, column->field_[s].size);
        const char *at = block->data();
        for (int s = 1; s <= compcount; ++s)
            for (TextColumn *column : {&name, &description}) {
                TextColumn::Field &f = column->field_[s];
                f.data = f.size == 0 ? nullptr : at;
                at += f.size;
            }
        for (int s = compcount + 1; s <= touched_; ++s) {
            name.field_[s] = {};
            description.field_[s] = {};
        }
        touched_ = compcount;
        text_.clear();
        text_.adopt(std::move(block));
    }
    // Weighed again once as much text again has been added as is in use now.
    nextCheck_ = text_.added() + std::max(used, kMinWaste);
}

std::string zeropad(int n) { return n < 10 ? "0" : ""; }

} // namespace vosk
