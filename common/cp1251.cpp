#include "cp1251.h"

#include <cerrno>
#include <iconv.h>
#include <stdexcept>

namespace vosk {
namespace {

// iconv does the mapping; this wrapper owns the descriptor and drains the whole input.
std::string convert(const char *to, const char *from, std::string_view in, bool strict)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("iconv cannot convert between UTF-8 and CP1251");
    std::string out;
    out.resize(in.size() * 3 + 4);
    char *src = const_cast<char *>(in.data());
    size_t srcLeft = in.size();
    char *dst = out.data();
    size_t dstLeft = out.size();
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1))
            break;
        if (errno == E2BIG) { // cannot happen with the reserve above, but never loop forever
            iconv_close(cd);
            throw std::runtime_error("iconv output overflow");
        }
        if (strict) {
            iconv_close(cd);
            throw std::invalid_argument("text cannot be written in code page 1251");
        }
        // Lenient: skip one undecodable byte and put a replacement in its place.
        const char *rep = (std::string_view(to) == "UTF-8") ? "\xEF\xBF\xBD" : "?";
        for (const char *r = rep; *r; ++r) {
            *dst++ = *r;
            --dstLeft;
        }
        ++src;
        --srcLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

} // namespace

std::string cp1251(std::string_view utf8) { return convert("CP1251", "UTF-8", utf8, true); }

std::string utf8From1251(std::string_view bytes) { return convert("UTF-8", "CP1251", bytes, false); }

std::string pathForMessage(std::string_view path) { return convert("CP1251", "UTF-8", path, false); }

} // namespace vosk
