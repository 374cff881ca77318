#include "cp1251.h"

#include <array>
#include <stdexcept>

namespace vosk {
namespace {

// Bytes 0x80..0xFF; 0x98 has no character. Below 0x80 the code page is ASCII.
constexpr char32_t kUpper[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C,
    0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122, 0x0459, 0x203A,
    0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9,
    0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415,
    0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431,
    0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D,
    0x044E, 0x044F};

// The way back, for every character up to the largest of the table (U+2122).
constexpr std::size_t kReverse = 0x2123;
const std::array<unsigned char, kReverse> &reverseTable()
{
    static const std::array<unsigned char, kReverse> table = [] {
        std::array<unsigned char, kReverse> t{};
        for (int b = 0; b < 128; ++b)
            if (kUpper[b] != 0xFFFD)
                t[kUpper[b]] = static_cast<unsigned char>(0x80 + b);
        return t;
    }();
    return table;
}

// One character of well-formed UTF-8 at s[i]: its code and length; nothing when malformed.
std::optional<std::pair<char32_t, std::size_t>> decodeUtf8(std::string_view s, std::size_t i)
{
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    const unsigned char c = p[i];
    if (c < 0x80)
        return std::pair<char32_t, std::size_t>{c, 1};
    std::size_t len;
    char32_t cp;
    if (c >= 0xC2 && c <= 0xDF) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        len = 4;
        cp = c & 0x07;
    } else {
        return std::nullopt;
    }
    if (i + len > s.size())
        return std::nullopt;
    for (std::size_t k = 1; k < len; ++k) {
        if ((p[i + k] & 0xC0) != 0x80)
            return std::nullopt;
        cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) || (cp >= 0xD800 && cp <= 0xDFFF))
        return std::nullopt;
    return std::pair<char32_t, std::size_t>{cp, len};
}

void appendUtf8(std::string &out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// UTF-8 to the code page; `substitute` 0 refuses what cannot be written, else stands for it.
std::optional<std::string> fromUtf8(std::string_view utf8, char substitute)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const auto ch = decodeUtf8(utf8, i);
        const auto byte = ch ? cp1251Byte(ch->first) : std::nullopt;
        if (!byte && !substitute)
            return std::nullopt;
        out += byte ? static_cast<char>(*byte) : substitute;
        i += ch ? ch->second : 1;
    }
    return out;
}

} // namespace

char32_t cp1251Char(unsigned char byte) { return byte < 0x80 ? byte : kUpper[byte - 0x80]; }

std::optional<unsigned char> cp1251Byte(char32_t c)
{
    if (c < 0x80)
        return static_cast<unsigned char>(c);
    if (c >= kReverse || reverseTable()[c] == 0)
        return std::nullopt;
    return reverseTable()[c];
}

bool isUtf8(std::string_view bytes)
{
    for (std::size_t i = 0; i < bytes.size();) {
        const auto ch = decodeUtf8(bytes, i);
        if (!ch)
            return false;
        i += ch->second;
    }
    return true;
}

std::optional<std::string> cp1251FromUtf8(std::string_view utf8) { return fromUtf8(utf8, 0); }

std::string cp1251(std::string_view utf8)
{
    auto out = fromUtf8(utf8, 0);
    if (!out)
        throw std::invalid_argument("text cannot be written in code page 1251");
    return std::move(*out);
}

std::string utf8From1251(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char b : bytes)
        appendUtf8(out, cp1251Char(static_cast<unsigned char>(b)));
    return out;
}

std::string pathForMessage(std::string_view path) { return *fromUtf8(path, '?'); }

} // namespace vosk
