#pragma once
// Code page 1251 helpers: the catalogue may arrive in either encoding, the drawings
// work on single bytes.

#include <string>
#include <string_view>

namespace drawings {

// Code page 1251 has no diameter sign; this otherwise unused byte stands for it.
inline constexpr char kDiameter = '\x81';

// True when the text holds UTF-8 multi-byte sequences and nothing that is not UTF-8.
bool looksLikeUtf8(std::string_view text);
// Cyrillic and the few signs a drawing needs; anything else becomes '?'.
std::string utf8ToCp1251(std::string_view text);
// Dashes, ellipsis and angle quotes of code page 1251 as the plain signs the fonts
// draw, so that a table in either encoding gives the same drawings.
std::string plainSigns(std::string_view cp1251);
// Upper case of one code page 1251 byte (Latin and Cyrillic).
unsigned char upperCp1251(unsigned char c);
std::string upperCp1251(std::string_view text);

} // namespace drawings
