#pragma once
#include "compstore.h"

#include <memory>
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

// The longest line read as a record: a name and a description far past anything typed into
// the program's one-line boxes. A longer line is kept unchanged like an unreadable one, but
// not shown, so that no list has to lay out megabytes of text.
constexpr size_t kMaxRecordLine = size_t(16) << 20;

struct MainFileReport {
    // 1-based line numbers of lines of 7 or more characters that hold no record (or are
    // longer than kMaxRecordLine).
    std::vector<int> unreadable;
    // 1-based line numbers of records beyond the store's capacity.
    std::vector<int> overflow;
};

// Fills the store from the bytes of main.dat (the store is emptied first). Lines shorter
// than 7 characters are skipped; unreadable lines and records that do not fit are kept in
// the store to be written back unchanged. The store keeps `file` and its records' names and
// descriptions point into it; the first form keeps a copy of `bytes`.
MainFileReport readMainFile(std::shared_ptr<const std::string> file, CompStore &store);
MainFileReport readMainFile(std::string_view bytes, CompStore &store);

// The bytes of main.dat for the store: every record in slot order, kept lines in place.
std::string writeMainFile(const CompStore &store);

} // namespace vosk
