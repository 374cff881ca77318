#include "mainfile.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vosk {
namespace {

void appendNumber(std::string &out, unsigned v)
{
    char buf[16];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

// A number's bytes as one word (a category has one or two digits, a quantity up to five).
// Little-endian: the byte at the lowest address is the lowest byte of the word.
constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

// Bit 7 of each byte of `a` (bytes of a number less '0') that is not a digit 0..9.
template <class Word>
Word notDigits(Word a)
{
    constexpr auto highs = static_cast<Word>(kHighs);
    return (((a & ~highs) + static_cast<Word>(0x7676767676767676ull)) | a) & highs;
}

// The value of `digits` digits at `begin`, read as one word of sizeof(Word) bytes without a
// branch per digit; false when one of them is not a digit. Bytes past the digits are read
// but not used.
template <class Word>
[[gnu::always_inline]] inline bool wordDigits(const char *begin, std::ptrdiff_t digits, uint16_t &out)
{
    constexpr int kBytes = sizeof(Word);
    Word a;
    std::memcpy(&a, begin, sizeof a);
    a ^= static_cast<Word>(kOnes) * '0'; // digits become 0..9
    const Word field = digits == kBytes ? ~Word(0) : (Word(1) << (8 * digits)) - 1;
    if ((notDigits(a) & field) != 0)
        return false;
    // The digits moved to the top of the word, the first one highest; then pairs, fours
    // and the eight added up as in long multiplication.
    Word v = a << (8 * (kBytes - digits));
    v = (v * 10 + (v >> 8)) & static_cast<Word>(0x00FF00FF00FF00FFull);
    v = (v * 100 + (v >> 16)) & static_cast<Word>(0x0000FFFF0000FFFFull);
    if constexpr (kBytes == 8)
        v = (v * 10000 + (v >> 32)) & 0xFFFFFFFFull;
    out = static_cast<uint16_t>(v); // the value modulo 65536, as digit by digit
    return true;
}

// A number field, [begin, end): at least one digit and nothing else; the value keeps its low
// 16 bits. `readable` is where the caller's bytes end: a word is read only within them.
[[gnu::always_inline]] inline bool readNumber(const char *begin, const char *end, const char *readable, uint16_t &out)
{
    const auto digits = end - begin;
    if (digits == 0)
        return false;
    // Categories and quantities mostly have up to four digits: half the multiplications.
    if (digits <= 4 && readable - begin >= 4)
        return wordDigits<uint32_t>(begin, digits, out);
    if (digits <= 8 && readable - begin >= 8)
        return wordDigits<uint64_t>(begin, digits, out);
    uint32_t v = 0;
    for (const char *p = begin; p < end; ++p) {
        if (static_cast<unsigned char>(*p - '0') > 9)
            return false;
        v = (v * 10 + static_cast<uint32_t>(*p - '0')) & 0xFFFFu;
    }
    out = static_cast<uint16_t>(v);
    return true;
}

// A record line [line, stop) whose first three separators are `sep`: its numbers, or false
// when one of them is not a number.
[[gnu::always_inline]] inline bool readNumbers(const char *line, const char *const sep[3], const char *readable,
                                               uint16_t &cat, uint16_t &qty)
{
    return readNumber(line, sep[0], readable, cat) && readNumber(sep[1] + 1, sep[2], readable, qty);
}

// Where the CRs and the separators are among 64 bytes: bit i of `cr` is set when byte i is a
// CR, of `sep` when it is 0x01.
struct Marks {
    uint64_t cr, sep;
};

[[gnu::always_inline]] inline Marks marksOf(const char *p)
{
#if defined(__SSE2__)
    const __m128i crs = _mm_set1_epi8('\r'), seps = _mm_set1_epi8(datasep);
    uint64_t cr = 0, sep = 0;
    for (int k = 0; k < 4; ++k) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 16 * k));
        cr |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, crs)))) << (16 * k);
        sep |= static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, seps)))) << (16 * k);
    }
    return {cr, sep};
#else
    uint64_t cr = 0, sep = 0;
    for (int i = 0; i < 64; ++i) {
        cr |= static_cast<uint64_t>(p[i] == '\r') << i;
        sep |= static_cast<uint64_t>(p[i] == datasep) << i;
    }
    return {cr, sep};
#endif
}

} // namespace

// The reader's way into the store: fields that point into the bytes of main.dat the store
// holds, instead of copies.
class MainFileReader {
public:
    static void begin(CompStore &store, std::shared_ptr<const std::string> bytes)
    {
        store.clear();
        store.text_.adopt(std::move(bytes));
    }
    static void setRecord(CompStore &store, int slot, uint16_t cat, std::string_view name, uint16_t qty,
                          std::string_view description)
    {
        store.category[slot] = cat;
        store.name.set(static_cast<std::size_t>(slot), name);
        store.quantity[slot] = qty;
        store.description.set(static_cast<std::size_t>(slot), description);
        store.touched_ = std::max(store.touched_, slot);
    }
};

bool parseline(std::string_view line, CompStore &store, int slot)
{
    static_assert(std::endian::native == std::endian::little);
    const char *const begin = line.data();
    const char *const end = begin + line.size();
    const char *sep[3];
    const char *from = begin;
    for (auto &s : sep) {
        s = static_cast<const char *>(std::memchr(from, datasep, static_cast<std::size_t>(end - from)));
        if (s == nullptr)
            return false;
        from = s + 1;
    }
    uint16_t cat = 0, qty = 0;
    if (!readNumbers(begin, sep, end, cat, qty))
        return false;
    store.category[slot] = cat;
    store.setName(slot, std::string_view(sep[0] + 1, static_cast<std::size_t>(sep[1] - sep[0] - 1)));
    store.quantity[slot] = qty;
    store.setDescription(slot, std::string_view(sep[2] + 1, static_cast<std::size_t>(end - sep[2] - 1)));
    return true;
}

MainFileReport readMainFile(std::string_view bytes, CompStore &store)
{
    return readMainFile(std::make_shared<const std::string>(bytes), store);
}

MainFileReport readMainFile(std::shared_ptr<const std::string> file, CompStore &store)
{
    MainFileReport report;
    const std::string_view bytes = *file;
    MainFileReader::begin(store, std::move(file));

    // The lines as the text rules have them (a CR ends a line, an LF right after it belongs to
    // the line end, 0x1A ends the text), found in one pass with each line's first three
    // separators: 64 bytes at a time, and then only the bytes that are a CR or a separator.
    const std::size_t eof = bytes.find('\x1A');
    const std::size_t end = eof == std::string_view::npos ? bytes.size() : eof;
    const char *const text = bytes.data();
    const char *const readable = text + bytes.size();
    int lineNo = 0;
    std::size_t lineStart = 0;
    const char *sep[3] = {};
    int seps = 0; // separators seen in this line, up to three
    auto endLine = [&](std::size_t stop) __attribute__((always_inline)) {
        ++lineNo;
        const std::string_view line(text + lineStart, stop - lineStart);
        if (line.size() < 7)
            return;
        if (store.full()) {
            report.overflow.push_back(lineNo);
            store.kept.push_back({store.compcount, std::string(line)});
            return;
        }
        const int slot = store.compcount + 1;
        uint16_t cat = 0, qty = 0;
        if (seps < 3 || line.size() > kMaxRecordLine || !readNumbers(line.data(), sep, readable, cat, qty)) {
            report.unreadable.push_back(lineNo);
            store.kept.push_back({store.compcount, std::string(line)});
            return;
        }
        MainFileReader::setRecord(store, slot, cat, {sep[0] + 1, static_cast<std::size_t>(sep[1] - sep[0] - 1)}, qty,
                                  {sep[2] + 1, static_cast<std::size_t>(text + stop - sep[2] - 1)});
        store.compcount = static_cast<uint16_t>(slot);
        store.totalqty += qty;
    };
    for (std::size_t block = 0; block < end; block += 64) {
        Marks m;
        if (end - block >= 64) {
            m = marksOf(text + block);
        } else {
            char last[64] = {};
            std::memcpy(last, text + block, end - block);
            m = marksOf(last);
        }
        for (uint64_t any = m.cr | m.sep; any != 0; any &= any - 1) {
            const int i = std::countr_zero(any);
            const std::size_t at = block + static_cast<std::size_t>(i);
            if ((m.cr >> i & 1) == 0) {
                if (seps < 3)
                    sep[seps++] = text + at;
                continue;
            }
            endLine(at);
            seps = 0;
            lineStart = at + 1;
            if (lineStart < end && text[lineStart] == '\n')
                ++lineStart;
        }
    }
    if (lineStart < end)
        endLine(end); // the last line, without a line end
    store.tail.assign(bytes.substr(end));
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
