#include "textlines.h"

namespace vosk {

TextLines splitTextLines(std::string_view bytes, size_t maxLine)
{
    TextLines out;
    const std::string_view tail = forEachTextLine(bytes, [&](std::string_view line) {
        if (line.size() > maxLine) {
            line = line.substr(0, maxLine);
            out.cut.push_back(static_cast<int>(out.lines.size()) + 1);
        }
        out.lines.emplace_back(line);
    });
    out.tail.assign(tail);
    return out;
}

std::string_view trimField(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

std::string lowerAscii(std::string_view s)
{
    std::string out(s);
    for (char &c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

} // namespace vosk
