#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// strings.dat: line k lists the words that recognise category k-1.
struct Dictionary {
    static constexpr int kLines = 100;
    std::array<std::string, kLines + 1> dictlines{}; // slots 1..100
    int dictcount = 0;
    // 1-based number of the last empty line, 0 when there is none: its category is the
    // one a name falls into when no word matches.
    int dictdefault = 0;
    // 1-based numbers of the lines longer than linelimit::kDictionary, read cut to it.
    std::vector<int> cut;
};

// Reads strings.dat. A non-empty line gets one trailing blank unless it ends in one, so
// that every word is followed by a blank. Lines past the hundredth have no slot and are
// ignored; a line past linelimit::kDictionary bytes is read up to it.
Dictionary readDictionary(std::string_view bytes);

} // namespace vosk
