#pragma once
#include <string>
#include <string_view>

namespace vosk {

// Texts the program keeps and compares are code page 1251 bytes, while its sources are
// UTF-8. These two turn a UTF-8 literal into the stored form and back (for messages that
// quote paths, and for test diagnostics). Widgets convert through gui/codec instead.

// Throws std::invalid_argument when the text holds a character code page 1251 lacks.
std::string cp1251(std::string_view utf8);
// Never fails: every byte of code page 1251 but 0x98 has a character; 0x98 becomes U+FFFD.
std::string utf8From1251(std::string_view bytes);
// A file system path (UTF-8) quoted in a code page 1251 message; unknown characters become '?'.
std::string pathForMessage(std::string_view path);

} // namespace vosk
