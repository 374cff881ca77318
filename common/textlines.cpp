#include "textlines.h"

namespace vosk {

TextLines splitTextLines(std::string_view bytes)
{
    TextLines out;
    const std::string_view tail =
        forEachTextLine(bytes, [&](std::string_view line) { out.lines.emplace_back(line); });
    out.tail.assign(tail);
    return out;
}

} // namespace vosk
