#pragma once
#include "recordtext.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// The record store: four parallel arrays of 65536 slots numbered from 1 (slot 0 is unused),
// allocated once. Records occupy slots 1..compcount without gaps, so it holds at most
// 65535 records; removal moves the last record into the hole instead of shifting.
//
// Names and descriptions are views of bytes the store keeps (see TextBlocks). A view taken
// from `name` or `description` is valid until the store next changes: keep a copy across
// any change.
struct CompStore {
    static constexpr int kSlots = 65536;
    static constexpr int kMaxRecords = 65535;

    std::vector<uint16_t> category = std::vector<uint16_t>(kSlots + 1);
    TextColumn name{kSlots + 1};
    std::vector<uint16_t> quantity = std::vector<uint16_t>(kSlots + 1);
    TextColumn description{kSlots + 1};
    uint16_t compcount = 0;
    // The sum of every record's quantity. Kept by append, setQuantity and dropempty; code
    // that fills the arrays directly (the file reader) adds up its own.
    uint32_t totalqty = 0;

    // Lines of main.dat that hold no readable record. They are written back unchanged,
    // each after the record it followed when the file was read (`after` records), so that
    // nothing of the user's file is lost.
    struct KeptLine {
        int after = 0;
        std::string text;
    };
    std::vector<KeptLine> kept;
    // What followed the end-of-file byte 0x1A, written back after the records.
    std::string tail;

    bool full() const { return compcount >= kMaxRecords; }
    // Appends a record (its parts count in the total); false when the store is full.
    bool append(uint16_t cat, std::string_view nm, uint16_t qty, std::string_view desc);
    // Changes a record's quantity and the total with it.
    void setQuantity(int slot, uint16_t qty);
    // Sets a slot's text fields.
    void setName(int slot, std::string_view nm);
    void setDescription(int slot, std::string_view desc);
    // Copies the four fields of slot compcount into the given slot.
    void movelast(int slot);
    // Removes the first record whose quantity is 0, if there is one; true when one went.
    bool dropempty();
    // No records, kept lines, tail or text.
    void clear();

    // The text of records removed or renamed stays in the blocks until it outweighs the
    // text in use; then the text in use is copied into one new block and the rest freed.
    static constexpr std::size_t kMinWaste = std::size_t(1) << 20;

private:
    friend class MainFileReader;
    void setText(TextColumn &column, int slot, std::string_view text);
    void compactIfWasteful();
    TextBlocks text_;
    int touched_ = 0;                   // the highest slot whose text was set since the last clear
    std::size_t nextCheck_ = kMinWaste; // text_.added() at which to weigh the waste again
};

// "0" for numbers below 10 (negative ones included), else empty: builds icon names 00..09.
std::string zeropad(int n);

// A record without a description holds one blank in its place (no field of main.dat is
// empty): a description typed or read empty is stored so, and that blank is shown as nothing.
constexpr std::string_view kNoDescription = " ";
inline std::string storedDescription(std::string description)
{
    return description.empty() ? std::string(kNoDescription) : description;
}
inline std::string_view shownDescription(std::string_view stored)
{
    return stored == kNoDescription ? std::string_view() : stored;
}

} // namespace vosk
