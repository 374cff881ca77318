#include "text.h"

namespace drawings {

namespace {

// Decodes one UTF-8 sequence at text[i]; returns its code point and advances i, or -1.
long decodeOne(std::string_view text, std::size_t &i)
{
    const auto b0 = static_cast<unsigned char>(text[i]);
    int extra = 0;
    long cp = 0;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        return -1;
    }
    if (i + extra >= text.size())
        return -1;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(text[i + k]);
        if ((b & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (b & 0x3F);
    }
    i += extra + 1;
    return cp;
}

} // namespace

bool looksLikeUtf8(std::string_view text)
{
    bool multibyte = false;
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t before = i;
        if (decodeOne(text, i) < 0)
            return false;
        if (i - before > 1)
            multibyte = true;
    }
    return multibyte;
}

std::string utf8ToCp1251(std::string_view text)
{
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        const long cp = decodeOne(text, i);
        if (cp < 0) {
            out += '?';
            ++i;
            continue;
        }
        if (cp < 0x80)
            out += static_cast<char>(cp);
        else if (cp >= 0x410 && cp <= 0x44F)
            out += static_cast<char>(0xC0 + (cp - 0x410));
        else if (cp == 0x401)
            out += static_cast<char>(0xA8);
        else if (cp == 0x451)
            out += static_cast<char>(0xB8);
        else if (cp == 0xB1)
            out += static_cast<char>(0xB1); // plus-minus
        else if (cp == 0xB0)
            out += static_cast<char>(0xB0); // degree
        else if (cp == 0xD7)
            out += 'x'; // multiplication sign
        else if (cp == 0x2013 || cp == 0x2014)
            out += '-';
        else if (cp == 0x2026)
            out += "...";
        else if (cp == 0xAB || cp == 0xBB)
            out += '"';
        else if (cp == 0x2116)
            out += static_cast<char>(0xB9); // numero
        else if (cp == 0x2300 || cp == 0xD8 || cp == 0xF8)
            out += kDiameter;
        else
            out += '?';
    }
    return out;
}

std::string plainSigns(std::string_view cp1251)
{
    std::string out;
    for (char ch : cp1251) {
        switch (static_cast<unsigned char>(ch)) {
        case 0x96: // en dash
        case 0x97: // em dash
            out += '-';
            break;
        case 0x85: // ellipsis
            out += "...";
            break;
        case 0xAB: // angle quotes
        case 0xBB:
            out += '"';
            break;
        default:
            out += ch;
        }
    }
    return out;
}

unsigned char upperCp1251(unsigned char c)
{
    if (c >= 'a' && c <= 'z')
        return static_cast<unsigned char>(c - 32);
    if (c >= 0xE0)
        return static_cast<unsigned char>(c - 32);
    if (c == 0xB8)
        return 0xA8;
    return c;
}

std::string upperCp1251(std::string_view text)
{
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(upperCp1251(static_cast<unsigned char>(c)));
    return out;
}

} // namespace drawings
