#include "mainfile.h"

#include "textlines.h"

#include <bit>
#include <charconv>
#include <cstring>

namespace vosk {
namespace {

void appendNumber(std::string &out, unsigned v)
{
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// Eight bytes of a line at once (a record line is mostly short fields: a category of one or
// two digits, a name of a few bytes, a quantity of up to five digits). Little-endian: the
// byte at the lowest address is the lowest byte of the word.
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

uint64_t load8(const char *p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Bit 7 of each byte of `a` (bytes of a number less '0') that is not a digit 0..9.
uint64_t notDigits(uint64_t a) { return (((a & ~kHighs) + 0x7676767676767676ull) | a) & kHighs; }

// The field's bytes into a store string. resize and a copy: about half the work of assign,
// which first checks whether the source lies inside the string itself.
void setBytes(std::string &field, const char *begin, const char *end)
{
    const auto n = static_cast<std::size_t>(end - begin);
    field.resize(n);
    if (n != 0)
        std::memcpy(field.data(), begin, n);
}

} // namespace

bool parseline(std::string_view line, CompStore &store, int slot)
{
    static_assert(std::endian::native == std::endian::little);
    // One pass: a number field is digits up to its separator, so the digits are added up
    // while looking for the separator; anything else before it makes the line unreadable.
    const char *p = line.data();
    const char *const end = p + line.size();
    auto number = [&](uint16_t &out) {
        const char *const begin = p;
        if (end - p >= 8) {
            // Up to seven digits and the byte after them, without a branch per digit.
            const uint64_t a = load8(p) ^ (kOnes * '0'); // digits become 0..9
            const uint64_t stops = notDigits(a);
            const int digits = std::countr_zero(stops) / 8; // 8 when all eight are digits
            if (digits > 0 && digits < 8) {
                if (p[digits] != datasep)
                    return false;
                // The digits moved to the top of the word, the first one highest; then
                // pairs, fours and the eight added up as in long multiplication.
                uint64_t v = a << (8 * (8 - digits));
                v = (v * 10 + (v >> 8)) & 0x00FF00FF00FF00FFull;
                v = (v * 100 + (v >> 16)) & 0x0000FFFF0000FFFFull;
                v = (v * 10000 + (v >> 32)) & 0xFFFFFFFFull;
                out = static_cast<uint16_t>(v); // the value modulo 65536, as digit by digit
                p += digits + 1;
                return true;
            }
            if (digits == 0)
                return false;
        }
        uint32_t v = 0;
        while (p < end && static_cast<unsigned char>(*p - '0') <= 9) {
            v = (v * 10 + static_cast<uint32_t>(*p - '0')) & 0xFFFFu;
            ++p;
        }
        if (p == begin || p == end || *p != datasep)
            return false;
        ++p;
        out = static_cast<uint16_t>(v);
        return true;
    };
    uint16_t cat = 0, qty = 0;
    if (!number(cat))
        return false;
    const char *const nameBegin = p;
    // The name ends at the first separator, looked for eight bytes at a time.
    for (;;) {
        if (end - p >= 8) {
            const uint64_t x = load8(p) ^ (kOnes * static_cast<unsigned char>(datasep));
            const uint64_t zero = (x - kOnes) & ~x & kHighs; // lowest set bit: the first separator
            if (zero == 0) {
                p += 8;
                continue;
            }
            p += std::countr_zero(zero) / 8;
            break;
        }
        while (p < end && *p != datasep)
            ++p;
        if (p == end)
            return false;
        break;
    }
    const char *const nameEnd = p;
    p = nameEnd + 1;
    if (!number(qty))
        return false;
    store.category[slot] = cat;
    setBytes(store.name[slot], nameBegin, nameEnd);
    store.quantity[slot] = qty;
    setBytes(store.description[slot], p, end);
    return true;
}

MainFileReport readMainFile(std::string_view bytes, CompStore &store)
{
    MainFileReport report;
    store.compcount = 0;
    store.totalqty = 0;
    store.kept.clear();
    int lineNo = 0;
    const std::string_view tail = forEachTextLine(bytes, [&](std::string_view line) {
        ++lineNo;
        if (line.size() < 7)
            return;
        if (store.full()) {
            report.overflow.push_back(lineNo);
            store.kept.push_back({store.compcount, std::string(line)});
            return;
        }
        const int slot = store.compcount + 1;
        if (line.size() > kMaxRecordLine || !parseline(line, store, slot)) {
            report.unreadable.push_back(lineNo);
            store.kept.push_back({store.compcount, std::string(line)});
            return;
        }
        store.compcount = static_cast<uint16_t>(slot);
        store.totalqty += store.quantity[slot];
    });
    store.tail.assign(tail);
    return report;
}

std::string writeMainFile(const CompStore &store)
{
    std::string out;
    size_t size = store.tail.size();
    for (int s = 1; s <= store.compcount; ++s)
        size += store.name[s].size() + store.description[s].size() + 16;
    for (const auto &k : store.kept)
        size += k.text.size() + 2;
    out.reserve(size);

    size_t next = 0; // kept lines are ordered by `after`
    auto flushKept = [&](int upTo) {
        while (next < store.kept.size() && store.kept[next].after <= upTo) {
            out += store.kept[next].text;
            out += "\r\n";
            ++next;
        }
    };
    flushKept(0);
    for (int s = 1; s <= store.compcount; ++s) {
        const size_t start = out.size();
        appendNumber(out, store.category[s]);
        out += datasep;
        out += store.name[s];
        out += datasep;
        appendNumber(out, store.quantity[s]);
        out += datasep;
        out += store.description[s];
        // A reader skips lines shorter than 7 characters, so a record that short (an empty
        // name and description, say) would vanish at the next start: leading zeros in its
        // category, which read back as the same number, bring it to 7.
        if (const size_t length = out.size() - start; length < 7)
            out.insert(start, 7 - length, '0');
        out += "\r\n";
        flushKept(s);
    }
    flushKept(CompStore::kSlots); // lines that followed records since removed
    out += store.tail;
    return out;
}

} // namespace vosk
