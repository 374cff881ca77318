#include "textcodec.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace vosk {
namespace {

iconv_t open(const char *to, const char *from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv cannot convert between UTF-8 and CP1251");
    return cd;
}

} // namespace

TextCodec::TextCodec() : fromUtf8_(open("CP1251", "UTF-8")), toUtf8_(open("UTF-8", "CP1251")) {}

TextCodec::~TextCodec()
{
    iconv_close(static_cast<iconv_t>(fromUtf8_));
    iconv_close(static_cast<iconv_t>(toUtf8_));
}

std::optional<std::string> TextCodec::toCp1251(std::string_view utf8)
{
    if (!isUtf8(utf8))
        return std::nullopt;
    iconv_t cd = static_cast<iconv_t>(fromUtf8_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out(utf8.size() + 1, '\0');
    char *src = const_cast<char *>(utf8.data());
    size_t srcLeft = utf8.size();
    char *dst = out.data();
    size_t dstLeft = out.size();
    // Every character takes at most one byte in the code page, so the output always fits.
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0)
        return std::nullopt;
    out.resize(out.size() - dstLeft);
    return out;
}

std::string TextCodec::toUtf8(std::string_view bytes)
{
    iconv_t cd = static_cast<iconv_t>(toUtf8_);
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string out(bytes.size() * 3 + 1, '\0');
    char *src = const_cast<char *>(bytes.data());
    size_t srcLeft = bytes.size();
    char *dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG)
            throw std::runtime_error("iconv output overflow"); // cannot happen: 3 bytes a character
        // 0x98 has no character in the code page.
        for (const char *r = "\xEF\xBF\xBD"; *r; ++r, --dstLeft)
            *dst++ = *r;
        ++src;
        --srcLeft;
    }
    out.resize(out.size() - dstLeft);
    return out;
}

bool isUtf8(std::string_view s)
{
    const auto *p = reinterpret_cast<const unsigned char *>(s.data());
    const size_t n = s.size();
    for (size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        size_t len;
        unsigned int cp;
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
            return false;
        }
        if (i + len > n)
            return false;
        for (size_t k = 1; k < len; ++k) {
            if ((p[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (p[i + k] & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

bool hasHighBytes(std::string_view s)
{
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

} // namespace vosk
