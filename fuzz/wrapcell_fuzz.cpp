// Cell wrapping with fuzzed widths and a measure whose characters differ in width. Input:
// three bytes of measure, the cell width as a signed 16-bit number, then the text.
#include "fuzzcheck.h"
#include "lookup.h"
#include "refmeasure.h"

#include <algorithm>

using namespace vosk;
using namespace vosk::fuzz;

namespace {

// w over the width of "0", a half going to the even neighbour, at least 1.
long perLine(int w, int zero)
{
    if (w <= 0)
        return 1;
    long q = w / zero;
    const long twice = 2L * (w % zero);
    if (twice > zero || (twice == zero && q % 2 == 1))
        ++q;
    return std::max(1L, q);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 5)
        return 0;
    const BytesMeasure measure(data[0], data[1], data[2]);
    const int w = static_cast<int16_t>(static_cast<uint16_t>(data[3] | (data[4] << 8)));
    const std::string_view text = bytesOf(data + 5, size - 5);

    const std::vector<std::string> lines = wrapcell(text, w, measure);
    FUZZ_CHECK(!lines.empty() && lines.size() <= 10);
    std::string joined;
    for (const std::string &line : lines)
        joined += line;
    FUZZ_CHECK(joined == text);
    if (w <= 0) {
        FUZZ_CHECK(lines.size() == 1);
        return 0;
    }
    // Each break falls after the same count of characters, and only where the rest was
    // wider than the cell; the last line fits unless it is the tenth, which takes the rest.
    const size_t per = static_cast<size_t>(perLine(w, std::max(1, measure.zeroWidth())));
    std::string_view rest = text;
    for (size_t i = 0; i + 1 < lines.size(); ++i) {
        FUZZ_CHECK(measure.textWidth(rest) > w);
        FUZZ_CHECK(lines[i].size() == std::min(per, rest.size()));
        rest.remove_prefix(lines[i].size());
    }
    if (lines.size() < 10)
        FUZZ_CHECK(measure.textWidth(lines.back()) <= w);
    return 0;
}
