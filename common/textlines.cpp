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

} // namespace vosk
