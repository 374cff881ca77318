#pragma once
#include "compstore.h"

#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// main.dat: one record per line, "category 0x01 name 0x01 quantity 0x01 description" CR LF.
constexpr char datasep = '\x01';

// Decodes one line into the slot. False (slot untouched) when the line lacks three
// separators or its category or quantity is not a decimal number; numbers keep their
// low 16 bits, as the file has always been read.
bool parseline(std::string_view line, CompStore &store, int slot);

struct MainFileReport {
    // 1-based line numbers of lines of 7 or more characters that hold no record.
    std::vector<int> unreadable;
    // 1-based line numbers of records beyond the store's capacity.
    std::vector<int> overflow;
};

// Fills the store from the bytes of main.dat (the store is emptied first). Lines shorter
// than 7 characters are skipped; unreadable lines and records that do not fit are kept in
// the store to be written back unchanged.
MainFileReport readMainFile(std::string_view bytes, CompStore &store);

// The bytes of main.dat for the store: every record in slot order, kept lines in place.
std::string writeMainFile(const CompStore &store);

} // namespace vosk
