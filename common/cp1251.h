#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vosk {

// Texts the program keeps and compares are code page 1251 bytes, while its sources, its
// terminal output and the files other programs write are UTF-8. Every conversion between the
// two goes through the one table here; the widgets' codec (gui/codec) reads it too.

// The character of a byte of code page 1251; U+FFFD for 0x98, the one byte without one.
char32_t cp1251Char(unsigned char byte);
// The byte of a character; nothing when code page 1251 has no such character.
std::optional<unsigned char> cp1251Byte(char32_t c);

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing past U+10FFFF).
bool isUtf8(std::string_view bytes);
// UTF-8 text in code page 1251; nothing when it is not UTF-8 or holds a character the code
// page lacks (such text is refused, never stored with a substitute).
std::optional<std::string> cp1251FromUtf8(std::string_view utf8);

// A UTF-8 literal in its stored form; throws std::invalid_argument when it holds a character
// code page 1251 lacks.
std::string cp1251(std::string_view utf8);
// Never fails: 0x98 becomes U+FFFD.
std::string utf8From1251(std::string_view bytes);
// A file system path (UTF-8) quoted in a code page 1251 message; unknown characters become '?'.
std::string pathForMessage(std::string_view path);

} // namespace vosk
