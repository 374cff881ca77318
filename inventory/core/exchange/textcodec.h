#pragma once
#include "cp1251.h"

#include <optional>
#include <string>
#include <string_view>

namespace vosk {

// Text of files from elsewhere (spreadsheets, KiCad) meets the stored code page 1251 here,
// through the program's one code page table (common/cp1251).
class TextCodec {
public:
    // UTF-8 to code page 1251; nothing when the text is not UTF-8 or holds a character the
    // code page lacks (such text is refused, never stored with a substitute).
    std::optional<std::string> toCp1251(std::string_view utf8) const { return cp1251FromUtf8(utf8); }
    // Code page 1251 to UTF-8; 0x98, the one byte without a character, becomes U+FFFD.
    std::string toUtf8(std::string_view bytes) const { return utf8From1251(bytes); }
};

// True when the bytes hold anything but 7-bit ASCII.
bool hasHighBytes(std::string_view bytes);

} // namespace vosk
