#pragma once
#include "cp1251.h"
#include "gifframes.h"
#include "lookup.h"
#include "tables.h"

#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace vosk::test {

inline std::string sourceFile(const std::string &relative)
{
    std::ifstream in(std::string(VOSK_SOURCE_DIR) + "/" + relative, std::ios::binary);
    if (!in)
        throw std::runtime_error("missing " + relative);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline RefTables embeddedTables()
{
    return RefTables::create(sourceFile("resources/reference/marking.txt"), sourceFile("resources/reference/params.txt"),
                             sourceFile("resources/reference/params2.txt"));
}

// Every character 6 pixels wide, lines 13 high.
struct FixedMeasure : TextMeasure {
    int textWidth(std::string_view text) const override { return 6 * static_cast<int>(text.size()); }
    int lineHeight() const override { return 13; }
};

// Frame sizes from the committed drawing sets.
struct CommittedFrames : FrameSizes {
    GifFrames marking = *GifFrames::decode(sourceFile("resources/drawings/marking.gif"));
    GifFrames packages = *GifFrames::decode(sourceFile("resources/drawings/packages.gif"));
    static std::optional<Size> of(const GifFrames &set, int f)
    {
        const GifFrame *frame = set.frame(f);
        return frame ? std::optional<Size>(Size{frame->width, frame->height}) : std::nullopt;
    }
    std::optional<Size> markingFrame(int f) const override { return of(marking, f); }
    std::optional<Size> packageFrame(int f) const override { return of(packages, f); }
};

} // namespace vosk::test
