#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace vosk {

// Text of files from elsewhere (spreadsheets, KiCad) meets the stored code page 1251 here.
// One converter holds its iconv descriptors for its whole life, so that a file of millions
// of fields is converted without opening a descriptor per field.
class TextCodec {
public:
    TextCodec();
    ~TextCodec();
    TextCodec(const TextCodec &) = delete;
    TextCodec &operator=(const TextCodec &) = delete;

    // UTF-8 to code page 1251; nothing when the text is not UTF-8 or holds a character the
    // code page lacks (such text is refused, never stored with a substitute).
    std::optional<std::string> toCp1251(std::string_view utf8);
    // Code page 1251 to UTF-8; 0x98, the one byte without a character, becomes U+FFFD.
    std::string toUtf8(std::string_view cp1251);

private:
    void *fromUtf8_;
    void *toUtf8_;
};

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isUtf8(std::string_view bytes);
// True when the bytes hold anything but 7-bit ASCII.
bool hasHighBytes(std::string_view bytes);

} // namespace vosk
