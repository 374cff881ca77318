// Data for the fault tests: a large main.dat in a form the program rewrites differently, files
// of random bytes, and what the program must write back for a given main.dat.
//
// The expectation is worked out here from the file rules as the README states them, on its
// own, without the program's reader: CR ends a line and an LF right after it belongs to that
// line end, the byte 0x1A ends the text, lines shorter than 7 bytes are dropped, a line with
// three 0x01 separators whose first and third fields are decimal numbers is a record (numbers
// keep their low 16 bits) and is written back as category, name, quantity, description with
// the numbers in plain decimal; any other line is written back unchanged, in its place; what
// follows the 0x1A is written back after everything else.
//
//   faultdata records COUNT OUT            COUNT records, numbers with leading zeros
//   faultdata random SEED KIND SIZE OUT    KIND: bytes (uniform), text (no 0x1A), lines
//   faultdata expect IN OUT                the bytes the program must write for IN
//   faultdata check ORIGINAL WRITTEN       compares WRITTEN with what ORIGINAL must give
//
// expect and check print a summary line: lines, records, kept lines, short lines, tail bytes.
#include "cp1251.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string readAll(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::cerr << "faultdata: cannot read " << path << "\n";
        std::exit(2);
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const char *path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::cerr << "faultdata: cannot write " << path << "\n";
        std::exit(2);
    }
}

// ---- a large valid file -------------------------------------------------------------------

std::string records(unsigned count)
{
    struct Kind {
        unsigned category;
        std::vector<std::string> names;
    };
    const std::vector<Kind> kinds = {
        {1, {vosk::cp1251("4,7К"), vosk::cp1251("100"), vosk::cp1251("1М"), vosk::cp1251("33К")}},
        {3, {vosk::cp1251("2,2К"), vosk::cp1251("510")}},
        {4, {vosk::cp1251("100нф"), vosk::cp1251("4,7пф"), vosk::cp1251("22нф")}},
        {6, {vosk::cp1251("1000мкф"), vosk::cp1251("47мкф")}},
        {8, {vosk::cp1251("КД522Б"), vosk::cp1251("1N4148")}},
        {9, {vosk::cp1251("КС191Ж"), vosk::cp1251("Д814А")}},
        {11, {vosk::cp1251("КТ315Б"), vosk::cp1251("КТ819Г"), "BC547"}},
        {13, {vosk::cp1251("К155ЛА3"), "74HC00"}},
        {15, {vosk::cp1251("Реле РЭС-9"), vosk::cp1251("Кварц 4 МГц")}},
    };
    const std::string lot = vosk::cp1251("партия ");
    std::string out;
    char num[32];
    for (unsigned i = 0; i < count; ++i) {
        const Kind &k = kinds[i % kinds.size()];
        // Leading zeros in both numbers: the program reads them and writes them without, so
        // every line of a rewritten file differs from the line it came from.
        std::snprintf(num, sizeof num, "%03u", k.category);
        out += num;
        out += '\x01';
        out += k.names[(i / kinds.size()) % k.names.size()];
        out += '\x01';
        std::snprintf(num, sizeof num, "%05u", (i * 7919u) % 1000u);
        out += num;
        out += '\x01';
        out += lot + std::to_string(i + 1);
        out += "\r\n";
    }
    return out;
}

// ---- random files -------------------------------------------------------------------------

struct Random {
    std::mt19937_64 engine;
    explicit Random(uint64_t seed) : engine(seed) {}
    unsigned below(unsigned n) { return static_cast<unsigned>(engine() % n); }
    bool chance(unsigned percent) { return below(100) < percent; }
    char byte() { return static_cast<char>(below(256)); }
    // Any byte that neither ends a line nor ends the text.
    char inlineByte()
    {
        for (;;) {
            const char c = byte();
            if (c != '\r' && c != '\x1A')
                return c;
        }
    }
};

std::string randomText(Random &r, unsigned maxLength)
{
    std::string s;
    const unsigned n = r.below(maxLength + 1);
    for (unsigned i = 0; i < n; ++i) {
        const unsigned k = r.below(10);
        if (k < 6)
            s += static_cast<char>(0xC0 + r.below(64)); // a Cyrillic letter
        else if (k < 8)
            s += static_cast<char>(0x20 + r.below(95));
        else
            s += r.inlineByte(); // 0x00, 0x01, LF and the rest
    }
    return s;
}

std::string randomNumberField(Random &r)
{
    const unsigned k = r.below(10);
    std::string digits = std::to_string(r.below(k == 0 ? 10000000u : 1000u));
    switch (k) {
    case 0: // often beyond 16 bits
    case 1:
    case 2:
    case 3:
    case 4:
        return digits;
    case 5:
        return std::string(1 + r.below(4), '0') + digits;
    case 6:
        return {};
    case 7:
        digits.insert(r.below(static_cast<unsigned>(digits.size()) + 1), 1, r.inlineByte());
        return digits;
    case 8:
        return " " + digits;
    default:
        return randomText(r, 4);
    }
}

std::string randomLines(Random &r, size_t size)
{
    std::string out;
    while (out.size() < size) {
        const unsigned k = r.below(10);
        std::string line;
        if (k < 6) {
            line = randomNumberField(r) + '\x01' + randomText(r, 12) + '\x01' + randomNumberField(r) + '\x01' +
                   randomText(r, 40);
        } else if (k < 7) {
            line = randomNumberField(r) + '\x01' + randomText(r, 12) + (r.chance(50) ? "\x01" : "") +
                   randomNumberField(r);
        } else if (k < 8) {
            line = randomText(r, 6);
        } else {
            const unsigned n = r.below(80);
            for (unsigned i = 0; i < n; ++i)
                line += r.inlineByte();
        }
        out += line;
        const unsigned end = r.below(20);
        out += end < 16 ? "\r\n" : end < 18 ? "\r" : end < 19 ? "\r\r\n" : "\n\r\n";
    }
    if (r.chance(50))
        out.resize(out.size() - 1 - r.below(2)); // a last line without its line end
    if (r.chance(30)) {
        out += '\x1A';
        const unsigned n = r.below(200);
        for (unsigned i = 0; i < n; ++i)
            out += r.byte();
    }
    return out;
}

std::string randomFile(uint64_t seed, std::string_view kind, size_t size)
{
    Random r(seed);
    std::string out;
    if (kind == "bytes") {
        for (size_t i = 0; i < size; ++i)
            out += r.byte();
    } else if (kind == "text") {
        for (size_t i = 0; i < size; ++i) {
            char c = r.byte();
            while (c == '\x1A')
                c = r.byte();
            out += c;
        }
    } else if (kind == "lines") {
        out = randomLines(r, size);
    } else {
        std::cerr << "faultdata: unknown kind " << kind << "\n";
        std::exit(2);
    }
    return out;
}

// ---- what the program must write back -----------------------------------------------------

struct Piece {
    enum Kind { Record, Kept, Tail } kind;
    int line; // 1-based line of the original file (0 for the tail)
    std::string bytes;
};

struct Expected {
    std::vector<Piece> pieces;
    int lines = 0, records = 0, kept = 0, shortLines = 0;
    size_t tail = 0;
};

bool decimal(std::string_view field, unsigned &value)
{
    if (field.empty())
        return false;
    uint32_t v = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return false;
        v = (v * 10 + static_cast<uint32_t>(c - '0')) % 65536;
    }
    value = v;
    return true;
}

Expected expect(std::string_view bytes)
{
    Expected e;
    const size_t eof = bytes.find('\x1A');
    const std::string_view text = bytes.substr(0, eof);
    size_t pos = 0;
    while (pos < text.size()) {
        size_t cr = text.find('\r', pos);
        if (cr == std::string_view::npos)
            cr = text.size();
        const std::string_view line = text.substr(pos, cr - pos);
        pos = cr;
        if (pos < text.size()) {
            ++pos;
            if (pos < text.size() && text[pos] == '\n')
                ++pos;
        }
        ++e.lines;
        if (line.size() < 7) {
            ++e.shortLines;
            continue;
        }
        const size_t s1 = line.find('\x01');
        const size_t s2 = s1 == std::string_view::npos ? s1 : line.find('\x01', s1 + 1);
        const size_t s3 = s2 == std::string_view::npos ? s2 : line.find('\x01', s2 + 1);
        unsigned category = 0, quantity = 0;
        if (s3 != std::string_view::npos && decimal(line.substr(0, s1), category) &&
            decimal(line.substr(s2 + 1, s3 - s2 - 1), quantity)) {
            std::string rec = std::to_string(category) + '\x01' + std::string(line.substr(s1 + 1, s2 - s1 - 1)) +
                              '\x01' + std::to_string(quantity) + '\x01' + std::string(line.substr(s3 + 1));
            // A record shorter than a readable line gets leading zeros in its category.
            if (rec.size() < 7)
                rec.insert(0, 7 - rec.size(), '0');
            rec += "\r\n";
            e.pieces.push_back({Piece::Record, e.lines, std::move(rec)});
            ++e.records;
        } else {
            e.pieces.push_back({Piece::Kept, e.lines, std::string(line) + "\r\n"});
            ++e.kept;
        }
    }
    if (eof != std::string_view::npos) {
        e.tail = bytes.size() - eof;
        e.pieces.push_back({Piece::Tail, 0, std::string(bytes.substr(eof))});
    }
    return e;
}

void summary(const Expected &e)
{
    std::cout << "lines " << e.lines << " records " << e.records << " kept " << e.kept << " short " << e.shortLines
              << " tail " << e.tail << "\n";
}

std::string shown(std::string_view bytes)
{
    std::string s;
    for (unsigned char c : bytes.substr(0, 120)) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            s += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            s += hex;
        }
    }
    if (bytes.size() > 120)
        s += "...";
    return s;
}

int check(const std::string &original, const std::string &written)
{
    const Expected e = expect(original);
    summary(e);
    size_t at = 0;
    int keptSeen = 0;
    for (const Piece &p : e.pieces) {
        const std::string_view got = std::string_view(written).substr(at, p.bytes.size());
        if (got != p.bytes) {
            const char *what = p.kind == Piece::Record ? "record" : p.kind == Piece::Kept ? "unreadable line" : "tail";
            std::cout << "MISMATCH at byte " << at << " of the written file: expected the " << what;
            if (p.line)
                std::cout << " of original line " << p.line;
            if (p.kind == Piece::Kept)
                std::cout << " (kept line " << keptSeen + 1 << " of " << e.kept << ")";
            std::cout << "\n  expected: " << shown(p.bytes) << "\n  written:  " << shown(got) << "\n";
            return 1;
        }
        if (p.kind == Piece::Kept)
            ++keptSeen;
        at += p.bytes.size();
    }
    if (at != written.size()) {
        std::cout << "MISMATCH: " << written.size() - at << " bytes written after everything expected: "
                  << shown(std::string_view(written).substr(at)) << "\n";
        return 1;
    }
    return 0;
}

int usage()
{
    std::cerr << "usage: faultdata records COUNT OUT | random SEED KIND SIZE OUT | expect IN OUT | check ORIGINAL "
                 "WRITTEN\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    const std::vector<std::string> a(argv + 1, argv + argc);
    if (a.size() == 3 && a[0] == "records") {
        writeAll(a[2].c_str(), records(static_cast<unsigned>(std::stoul(a[1]))));
        return 0;
    }
    if (a.size() == 5 && a[0] == "random") {
        writeAll(a[4].c_str(), randomFile(std::stoull(a[1]), a[2], std::stoul(a[3])));
        return 0;
    }
    if (a.size() == 3 && a[0] == "expect") {
        const Expected e = expect(readAll(a[1].c_str()));
        std::string out;
        for (const Piece &p : e.pieces)
            out += p.bytes;
        writeAll(a[2].c_str(), out);
        summary(e);
        return 0;
    }
    if (a.size() == 3 && a[0] == "check")
        return check(readAll(a[1].c_str()), readAll(a[2].c_str()));
    return usage();
}
