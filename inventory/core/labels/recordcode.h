#pragma once
#include "stock.h"

#include <optional>
#include <string>
#include <string_view>

namespace vosk {

// A record's code: the text a label's QR code holds and a USB scanner types back. It is made
// of the record's identity (category, name, description) alone, so it stays the same as long
// as the record does and needs nothing stored beside the data files:
//
//     VB-<category>-<name>-<description>
//
// the category in decimal digits, the name and the description as their stored bytes in
// base 32 (A–Z, 2–7, no padding). Only capital Latin letters, digits and '-' appear: QR
// codes hold them compactly, and a scanner (which presses keys, not characters) types them
// the same in the Latin and the Russian keyboard layouts up to the letters' layout, which the
// reader undoes: «МИ-3-…» typed in the Russian layout reads as «VB-3-…». Case does not matter
// (Caps Lock).
std::string recordCode(const StockKey &key);

// The record a code names; nothing when the text is no well-formed code (one code per record:
// a name or description spelt otherwise than by recordCode is refused). Blanks and line ends
// around the code are dropped. `typed` is code page 1251 text as typed.
std::optional<StockKey> readRecordCode(std::string_view typed);

// Whether text typed so far can still grow into a code (a scanner is typing one): it begins
// with the code's prefix, or with a beginning of it, and holds nothing a code cannot.
bool mayBeRecordCode(std::string_view typed);

// The longest code read: longer text is no code (a record's name and description never
// come near it on a label).
constexpr std::size_t kMaxCodeLength = 1 << 16;

} // namespace vosk
