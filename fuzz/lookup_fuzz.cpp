// The lookup on tables from bytes. Input: eight bytes of set-up (text measure, how many
// frames each drawing set has, the window's size), the designation up to a NUL, then the
// three tables cut at NULs. The hits must be the first keys holding the designation, the
// drawn text must be the titles and fields of the hit records and nothing else, the window
// may only grow, and a second lookup must draw the same whatever the fields held before.
#include "fuzzcheck.h"
#include "lookup.h"
#include "refmeasure.h"

using namespace vosk;
using namespace vosk::fuzz;

namespace {

struct CountedFrames : FrameSizes {
    int marking = 0, packages = 0, salt = 0;
    static Size sizeOf(int f, int salt) { return {10 + (f * 37 + salt) % 200, 10 + (f * 53 + salt) % 150}; }
    std::optional<Size> markingFrame(int f) const override
    {
        return f >= 0 && f < marking ? std::optional<Size>(sizeOf(f, salt)) : std::nullopt;
    }
    std::optional<Size> packageFrame(int f) const override
    {
        return f >= 0 && f < packages ? std::optional<Size>(sizeOf(f, salt + 1)) : std::nullopt;
    }
};

int modelHit(const RefTable &table, int from, std::string_view text)
{
    for (int i = from; i < table.count(); ++i) {
        const std::string &line = table.line(i);
        if (line.empty() || line == " ")
            continue;
        const std::string_view key = std::string_view(line).substr(0, line.find(fieldsep));
        if (key.find(text) != std::string_view::npos)
            return i;
    }
    return -1;
}

// A record's fields: each one ends at a separator or at the end, at most 256.
std::vector<std::string> fieldsOf(std::string_view record)
{
    std::vector<std::string> fields;
    while (!record.empty() && fields.size() < 256) {
        const size_t sep = record.find(fieldsep);
        fields.emplace_back(record.substr(0, sep));
        record = sep == std::string_view::npos ? std::string_view() : record.substr(sep + 1);
    }
    return fields;
}

// Titles and fields of a record, column by column, as one text.
std::string cellsOf(const RefTable &table, std::string_view record)
{
    const std::vector<std::string> fields = fieldsOf(record);
    std::string out;
    for (size_t k = 0; k < fields.size(); ++k) {
        if (static_cast<int>(k) < table.count())
            out += table.line(static_cast<int>(k));
        out += fields[k];
    }
    return out;
}

bool samePicture(const PictureState &a, const PictureState &b)
{
    return a.figVisible == b.figVisible && a.picVisible == b.picVisible && a.figFrame == b.figFrame &&
           a.picFrame == b.picFrame && a.figLeft == b.figLeft && a.picLeft == b.picLeft &&
           a.figWidth == b.figWidth && a.figHeight == b.figHeight && a.picWidth == b.picWidth &&
           a.picHeight == b.picHeight && a.width == b.width && a.height == b.height && a.caption == b.caption;
}

bool sameResult(const LookupResult &a, const LookupResult &b)
{
    if (a.texts.size() != b.texts.size())
        return false;
    for (size_t i = 0; i < a.texts.size(); ++i)
        if (a.texts[i].x != b.texts[i].x || a.texts[i].y != b.texts[i].y || a.texts[i].text != b.texts[i].text)
            return false;
    return a.foundAny == b.foundAny && a.markingLine == b.markingLine && a.paramsTable == b.paramsTable &&
           a.paramsLine == b.paramsLine && a.windowWidth == b.windowWidth && a.windowHeight == b.windowHeight &&
           samePicture(a.picture, b.picture);
}

// The record's drawing number, the way a record names its frame: digits only, at most nine.
int frameNumber(std::string_view number)
{
    if (number.empty() || number.size() > 9 || number.find_first_not_of("0123456789") != std::string_view::npos)
        return -2;
    return std::stoi(std::string(number)) - 1;
}

std::string lastField(std::string_view record)
{
    const std::vector<std::string> fields = fieldsOf(record);
    return fields.empty() ? std::string() : fields.back();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 8)
        return 0;
    const BytesMeasure measure(data[0], data[1], data[2]);
    CountedFrames frames;
    frames.marking = data[3] % 40;
    frames.packages = data[4] % 40;
    frames.salt = data[7];
    const int width = 300 + data[5] * 4, height = 100 + data[6] * 4;
    const auto parts = splitAtNul(bytesOf(data + 8, size - 8), 4);
    const std::string_view text = parts[0];
    RefTables tables = RefTables::create(parts[1], parts[2], parts[3]);
    const RefTables before = tables;

    const int markingHit = modelHit(before.marking, RefTables::firstRecord[1], text);
    int paramsTable = 2;
    int paramsHit = modelHit(before.params, RefTables::firstRecord[2], text);
    if (paramsHit < 0) {
        paramsTable = 3;
        paramsHit = modelHit(before.params2, RefTables::firstRecord[3], text);
    }

    Fields fields;
    const PictureState initial;
    const LookupResult r = lookup(tables, fields, text, measure, frames, width, height, initial);
    FUZZ_CHECK(r.markingLine == markingHit);
    FUZZ_CHECK(r.paramsLine == paramsHit);
    FUZZ_CHECK(r.paramsTable == (paramsHit >= 0 ? paramsTable : 0));
    FUZZ_CHECK(r.foundAny == (markingHit >= 0 || paramsHit >= 0));
    FUZZ_CHECK(r.windowWidth >= width && r.windowHeight >= height);

    // Only the two marking titles may change, and only when table 1 has a hit.
    for (int t = 1; t <= 3; ++t)
        for (int i = 0; i < before.table(t).count(); ++i)
            if (t != 1 || markingHit < 0 || (i != 2 && i != 3))
                FUZZ_CHECK(tables.table(t).line(i) == before.table(t).line(i));

    // Every visible line lies inside the grown window and clear of every other one; the lines
    // under the tables (table 0) are not cells.
    std::string drawn;
    std::vector<const DrawnText *> visible;
    for (const DrawnText &d : r.texts) {
        if (d.table != 0 || !r.foundAny)
            drawn += d.text;
        FUZZ_CHECK(d.y + measure.lineHeight() <= r.windowHeight || !r.foundAny);
        if (r.foundAny && d.text.find_first_not_of(' ') != std::string::npos)
            visible.push_back(&d);
    }
    const int h = measure.lineHeight();
    for (size_t i = 0; i < visible.size(); ++i) {
        const DrawnText &a = *visible[i];
        FUZZ_CHECK(a.x + measure.textWidth(a.text) + RefLayout::growRoom <= r.windowWidth);
        for (size_t j = i + 1; j < visible.size(); ++j) {
            const DrawnText &b = *visible[j];
            const int aw = measure.textWidth(a.text), bw = measure.textWidth(b.text);
            FUZZ_CHECK(aw == 0 || bw == 0 || a.x + aw <= b.x || b.x + bw <= a.x || a.y + h <= b.y || b.y + h <= a.y);
        }
    }
    if (!r.foundAny) {
        FUZZ_CHECK(r.texts.size() == 1);
        FUZZ_CHECK(r.windowWidth == width && r.windowHeight == height);
        FUZZ_CHECK(!r.picture.figVisible && !r.picture.picVisible);
        FUZZ_CHECK(samePicture(r.picture, initial));
    } else {
        std::string expected;
        if (markingHit >= 0)
            expected += cellsOf(tables.marking, tables.marking.line(markingHit));
        if (paramsHit >= 0)
            expected += cellsOf(tables.table(paramsTable), tables.table(paramsTable).line(paramsHit));
        FUZZ_CHECK(drawn == expected);
        FUZZ_CHECK(r.picture.caption == text);
    }

    // The frames: the marking record's last field, the parameter record's up to ',' or '.'.
    const int figFrame = markingHit >= 0 ? frameNumber(lastField(tables.marking.line(markingHit))) : -2;
    const bool fig = figFrame >= 0 && figFrame < frames.marking;
    FUZZ_CHECK(r.picture.figVisible == fig);
    if (fig) {
        FUZZ_CHECK(r.picture.figFrame == figFrame);
        FUZZ_CHECK(r.picture.figWidth == CountedFrames::sizeOf(figFrame, frames.salt).width);
    }
    if (paramsHit >= 0) {
        const int picFrame = frameNumber(cutpicnumber(lastField(tables.table(paramsTable).line(paramsHit))));
        const bool pic = picFrame >= 0 && picFrame < frames.packages;
        FUZZ_CHECK(r.picture.picVisible == pic);
        if (pic)
            FUZZ_CHECK(r.picture.picFrame == picFrame);
    } else {
        FUZZ_CHECK(!r.picture.picVisible);
    }
    if (r.picture.figVisible || r.picture.picVisible) {
        FUZZ_CHECK(r.picture.width == r.picture.figWidth + r.picture.picWidth);
        FUZZ_CHECK(r.picture.height == std::max(r.picture.figHeight, r.picture.picHeight) + RefLayout::pictureExtra);
    }

    // Once more on the rewritten tables, with fields full of an earlier record's texts.
    Fields used;
    for (auto &s : used.slot)
        s = "\xFF stale";
    RefTables copy = tables;
    const LookupResult again = lookup(copy, used, text, measure, frames, width, height, initial);
    FUZZ_CHECK(sameResult(r, again));
    return 0;
}
