#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// The data files are DOS-style text: a CR ends a line and an LF right after it belongs to
// that line end; an LF on its own is ordinary text; the byte 0x1A ends the text wherever it
// stands; the last line needs no line end.
struct TextLines {
    std::vector<std::string> lines;
    // Everything from the 0x1A on (empty when the text has none). Kept so that a rewrite of
    // the file can put back what a reader of the lines never sees.
    std::string tail;
};

TextLines splitTextLines(std::string_view bytes);

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

} // namespace vosk
