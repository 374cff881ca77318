#pragma once
// What every fuzz target shares: a check that stops the run with a readable line (libFuzzer
// then keeps the input as a crash), and ways to cut one input into the files it stands for.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond))                                                                               \
            ::vosk::fuzz::failed(#cond, __FILE__, __LINE__);                                       \
    } while (0)

namespace vosk::fuzz {

[[noreturn]] inline void failed(const char *what, const char *file, int line)
{
    std::fprintf(stderr, "fuzz check failed: %s at %s:%d\n", what, file, line);
    std::abort();
}

inline std::string_view bytesOf(const uint8_t *data, size_t size)
{
    return {reinterpret_cast<const char *>(data), size};
}

// The first `parts` - 1 pieces end at a NUL byte; the last piece takes the rest, NULs and all,
// so that a main.dat may hold any byte. Missing pieces are empty.
inline std::vector<std::string_view> splitAtNul(std::string_view bytes, size_t parts)
{
    std::vector<std::string_view> out;
    while (out.size() + 1 < parts) {
        const size_t nul = bytes.find('\0');
        if (nul == std::string_view::npos)
            break;
        out.push_back(bytes.substr(0, nul));
        bytes.remove_prefix(nul + 1);
    }
    out.push_back(bytes);
    out.resize(parts);
    return out;
}

inline std::string readWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "fuzz target cannot read %s\n", path.c_str());
        std::abort();
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The DOS-style lines of the data files read one byte at a time, written apart from the
// program's reader so that the two can be compared: CR ends a line and takes an LF right
// after it along, 0x1A ends the text, a last line needs no line end.
struct ModelLines {
    std::vector<std::string> lines;
    std::string tail;
};

inline ModelLines modelLines(std::string_view bytes)
{
    ModelLines m;
    std::string current;
    bool open = false; // a line has begun and not ended
    for (size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\x1A') {
            m.tail.assign(bytes.substr(i));
            break;
        }
        if (c == '\r') {
            m.lines.push_back(current);
            current.clear();
            open = false;
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            continue;
        }
        current += c;
        open = true;
    }
    if (open)
        m.lines.push_back(current);
    return m;
}

} // namespace vosk::fuzz
