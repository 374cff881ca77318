#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// The data files are DOS-style text: a CR ends a line and an LF right after it belongs to
// that line end; an LF on its own is ordinary text; the byte 0x1A ends the text wherever it
// stands; the last line needs no line end.

// The longest line each text file of the folder is read with, as main.dat's lines are
// bounded: a longer line is cut there for reading and reported; the file is left as it is.
namespace linelimit {
constexpr size_t kCategory = 256;   // a category name in components.lst (the bundled: 31 bytes)
constexpr size_t kDictionary = 4096; // a line of words in strings.dat (the bundled: under 100)
constexpr size_t kHelpText = 4096;   // a paragraph of a help text (the bundled: about 50)
} // namespace linelimit

struct TextLines {
    std::vector<std::string> lines;
    // Everything from the 0x1A on (empty when the text has none). Kept so that a rewrite of
    // the file can put back what a reader of the lines never sees.
    std::string tail;
    // 1-based numbers of the lines cut to the bound.
    std::vector<int> cut;
};

// The lines, each cut to at most `maxLine` bytes.
TextLines splitTextLines(std::string_view bytes, size_t maxLine = std::string_view::npos);

// Calls f(line) for each line without building a vector: the loaders of large files use it.
template <class F>
std::string_view forEachTextLine(std::string_view bytes, F &&f)
{
    size_t pos = 0;
    const size_t eof = bytes.find('\x1A');
    const size_t end = eof == std::string_view::npos ? bytes.size() : eof;
    while (pos < end) {
        size_t cr = bytes.find('\r', pos);
        if (cr == std::string_view::npos || cr > end)
            cr = end;
        f(bytes.substr(pos, cr - pos));
        pos = cr;
        if (pos < end) { // at a CR
            ++pos;
            if (pos < end && bytes[pos] == '\n')
                ++pos;
        }
    }
    return eof == std::string_view::npos ? std::string_view() : bytes.substr(eof);
}

// The text without the blanks and tabs around it (a field of a table, a word typed).
std::string_view trimField(std::string_view s);

// The text with its ASCII capitals made small; every other byte (code page 1251 letters too)
// as it is. For words of files that are compared without regard to case («Reference», «MPN»).
std::string lowerAscii(std::string_view s);

} // namespace vosk
