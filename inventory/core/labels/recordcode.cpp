#include "recordcode.h"

#include <array>
#include <cstdint>

namespace vosk {
namespace {

constexpr std::string_view kPrefix = "VB-";
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";

std::string base32(std::string_view bytes)
{
    std::string out;
    out.reserve((bytes.size() * 8 + 4) / 5);
    uint32_t buffer = 0;
    int bits = 0;
    for (const char c : bytes) {
        buffer = (buffer << 8) | static_cast<unsigned char>(c);
        bits += 8;
        while (bits >= 5) {
            bits -= 5;
            out += kAlphabet[(buffer >> bits) & 31];
        }
    }
    if (bits > 0)
        out += kAlphabet[(buffer << (5 - bits)) & 31];
    return out;
}

int digit32(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= '2' && c <= '7')
        return c - '2' + 26;
    return -1;
}

// Exactly the text base32 gives: the leftover bits are zero and their count is one that
// base32 leaves (a text of 1, 3 or 6 digits past a whole group is none).
std::optional<std::string> unbase32(std::string_view text)
{
    std::string out;
    out.reserve(text.size() * 5 / 8);
    uint32_t buffer = 0;
    int bits = 0;
    for (const char c : text) {
        const int d = digit32(c);
        if (d < 0)
            return std::nullopt;
        buffer = (buffer << 5) | static_cast<uint32_t>(d);
        bits += 5;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((buffer >> bits) & 0xFF);
        }
    }
    if (bits >= 5 || (buffer & ((1u << bits) - 1)) != 0)
        return std::nullopt;
    return out;
}

// The Latin key under each Russian letter А..Я of the usual layouts: what the scanner meant
// to type when the Russian layout is on.
constexpr std::string_view kKeysOfRussian = "F,DULT;PBQRKVYJGHCNEA[WXIO]SM'.Z";

// The typed text as the keys the scanner pressed: Russian letters back to their keys, every
// letter capital, the blanks and line ends around it dropped.
std::string asKeys(std::string_view typed)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!typed.empty() && blank(typed.front()))
        typed.remove_prefix(1);
    while (!typed.empty() && blank(typed.back()))
        typed.remove_suffix(1);
    std::string keys(typed);
    for (char &c : keys) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 'a' && b <= 'z')
            c = static_cast<char>(b - 'a' + 'A');
        else if (b >= 0xC0)
            c = kKeysOfRussian[(b - 0xC0) % 32];
    }
    return keys;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

} // namespace

std::string recordCode(const StockKey &key)
{
    return std::string(kPrefix) + std::to_string(key.category) + '-' + base32(key.name) + '-' +
           base32(key.description);
}

std::optional<StockKey> readRecordCode(std::string_view typed)
{
    if (typed.size() > kMaxCodeLength)
        return std::nullopt;
    const std::string keys = asKeys(typed);
    std::string_view rest = keys;
    if (rest.substr(0, kPrefix.size()) != kPrefix)
        return std::nullopt;
    rest.remove_prefix(kPrefix.size());
    // The category: 1 to 5 digits, no leading zero, at most the largest category number.
    std::size_t n = 0;
    while (n < rest.size() && isDigit(rest[n]))
        ++n;
    if (n == 0 || n > 5 || (n > 1 && rest[0] == '0'))
        return std::nullopt;
    const int category = std::stoi(std::string(rest.substr(0, n)));
    if (category > 0xFFFF)
        return std::nullopt;
    rest.remove_prefix(n);
    if (rest.empty() || rest[0] != '-')
        return std::nullopt;
    rest.remove_prefix(1);
    const std::size_t dash = rest.find('-');
    if (dash == std::string_view::npos)
        return std::nullopt;
    auto name = unbase32(rest.substr(0, dash));
    auto description = unbase32(rest.substr(dash + 1));
    if (!name || !description)
        return std::nullopt;
    return StockKey{category, std::move(*name), std::move(*description)};
}

bool mayBeRecordCode(std::string_view typed)
{
    if (typed.size() > kMaxCodeLength)
        return false;
    // Blanks before a code are not its beginning: a scanner types none.
    if (!typed.empty() && (typed.front() == ' ' || typed.front() == '\t'))
        return false;
    const std::string keys = asKeys(typed);
    if (keys.size() != typed.size() || keys.empty())
        return false;
    if (keys.size() <= kPrefix.size())
        return kPrefix.substr(0, keys.size()) == keys;
    if (keys.substr(0, kPrefix.size()) != kPrefix)
        return false;
    // After the prefix: digits, then '-', then base 32 digits with one more '-' at most.
    std::size_t i = kPrefix.size();
    std::size_t digits = 0;
    while (i < keys.size() && isDigit(keys[i]))
        ++i, ++digits;
    if (digits > 5 || (digits > 1 && keys[kPrefix.size()] == '0'))
        return false;
    if (i == keys.size())
        return true;
    if (digits == 0 || keys[i] != '-')
        return false;
    int dashes = 0;
    for (++i; i < keys.size(); ++i) {
        if (keys[i] == '-') {
            if (++dashes > 1)
                return false;
        } else if (digit32(keys[i]) < 0) {
            return false;
        }
    }
    return true;
}

} // namespace vosk
