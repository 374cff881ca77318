#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace vosk {

// The record store: four parallel arrays of 65536 slots numbered from 1 (slot 0 is unused),
// allocated once. Records occupy slots 1..compcount without gaps, so it holds at most
// 65535 records; removal moves the last record into the hole instead of shifting.
struct CompStore {
    static constexpr int kSlots = 65536;
    static constexpr int kMaxRecords = 65535;

    std::vector<uint16_t> category = std::vector<uint16_t>(kSlots + 1);
    std::vector<std::string> name = std::vector<std::string>(kSlots + 1);
    std::vector<uint16_t> quantity = std::vector<uint16_t>(kSlots + 1);
    std::vector<std::string> description = std::vector<std::string>(kSlots + 1);
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
    bool append(uint16_t cat, std::string nm, uint16_t qty, std::string desc);
    // Changes a record's quantity and the total with it.
    void setQuantity(int slot, uint16_t qty);
    // Copies the four fields of slot compcount into the given slot.
    void movelast(int slot);
    // Removes the first record whose quantity is 0, if there is one; true when one went.
    bool dropempty();
};

// "0" for numbers below 10 (negative ones included), else empty: builds icon names 00..09.
std::string zeropad(int n);

} // namespace vosk
