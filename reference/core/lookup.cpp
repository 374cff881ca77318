#include "lookup.h"

#include "cp1251.h"

#include <algorithm>
#include <cmath>

namespace vosk {
namespace {

// The first line of the zener block of table 1: its third and fourth columns carry the
// anode and cathode titles the other way round.
constexpr int kZenerBlock = 83;

bool wholeNumber(const std::string &text, int &value)
{
    if (text.empty() || text.size() > 9)
        return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

struct Drawing {
    LookupResult &out;
    const TextMeasure &measure;

    void drawcell(int x, int y, const std::vector<std::string> &lines)
    {
        const int h = measure.lineHeight();
        const int needWidth = x + measure.textWidth(lines.back()) + RefLayout::growRoom;
        if (out.windowWidth < needWidth)
            out.windowWidth = needWidth;
        const int needHeight = y + h * static_cast<int>(lines.size());
        if (out.windowHeight < needHeight)
            out.windowHeight = needHeight;
        for (size_t i = 0; i < lines.size(); ++i)
            out.texts.push_back({x, y + static_cast<int>(i + 1) * h, lines[i]});
    }

    void drawtable(const RefTables &tables, const Fields &fields, int t, int n, int x0, int b,
                   std::string_view caption, const FrameSizes &frames)
    {
        PictureState &pic = out.picture;
        pic.caption.assign(caption);
        uint16_t c = 0;
        const RefTable &table = tables.table(t);
        for (int k = 1; k <= n; ++k) {
            const int w = tables.colwidth[static_cast<size_t>(t)][static_cast<size_t>(std::min(k, 20))] - colmargin;
            const std::string &title = k - 1 < table.count() ? table.line(k - 1) : std::string();
            drawcell(x0 + 2 + c, b - 50, wrapcell(title, w, measure));
            drawcell(x0 + 2 + c, b - 10, wrapcell(fields.slot[static_cast<size_t>(k)], w, measure));
            c = static_cast<uint16_t>(c + tables.colwidth[static_cast<size_t>(t)][static_cast<size_t>(std::min(k, 20))]);
        }
        // The drawing of the record: its last field.
        const std::string number = t == 1 ? fields.slot[static_cast<size_t>(n)]
                                           : cutpicnumber(fields.slot[static_cast<size_t>(n)]);
        int value = 0;
        if (!wholeNumber(number, value))
            return;
        const int f = value - 1;
        const auto size = t == 1 ? frames.markingFrame(f) : frames.packageFrame(f);
        if (!size)
            return; // no such frame: nothing changes
        if (t == 1) {
            pic.figVisible = true;
            pic.figFrame = f;
            pic.figWidth = size->width;
            pic.figHeight = size->height;
        } else {
            pic.picVisible = true;
            pic.picFrame = f;
            pic.picWidth = size->width;
            pic.picHeight = size->height;
        }
        pic.figLeft = 0;
        pic.picLeft = pic.figWidth;
        pic.width = pic.figWidth + pic.picWidth;
        pic.height = std::max(pic.figHeight, pic.picHeight) + RefLayout::pictureExtra;
    }
};

int firstHit(const RefTable &table, int from, std::string_view text)
{
    for (int i = from; i < table.count(); ++i) {
        const auto key = linekey(table.line(i));
        if (key && hastext(*key, text))
            return i;
    }
    return -1;
}

} // namespace

bool hastext(std::string_view key, std::string_view text)
{
    return text.size() <= key.size() && key.find(text) != std::string_view::npos;
}

std::vector<std::string> wrapcell(std::string_view text, int w, const TextMeasure &measure)
{
    std::vector<std::string> lines;
    const int zero = std::max(1, measure.zeroWidth());
    const long per = std::max(1L, std::lrint(static_cast<double>(w) / zero)); // halves to even
    // A text wider than w but no longer than `per` characters leaves an empty last line,
    // as the break always falls after `per` characters.
    while (w > 0 && lines.size() < 9 && measure.textWidth(text) > w) {
        const size_t cut = std::min(text.size(), static_cast<size_t>(per));
        lines.emplace_back(text.substr(0, cut));
        text.remove_prefix(cut);
    }
    lines.emplace_back(text);
    return lines;
}

LookupResult lookup(RefTables &tables, Fields &fields, std::string_view text, const TextMeasure &measure,
                    const FrameSizes &frames, int windowWidth, int windowHeight, PictureState picture)
{
    LookupResult out;
    out.windowWidth = windowWidth;
    out.windowHeight = windowHeight;
    out.picture = std::move(picture);
    out.picture.figVisible = false;
    out.picture.picVisible = false;
    Drawing draw{out, measure};

    if (const int i = firstHit(tables.marking, RefTables::firstRecord[1], text); i >= 0) {
        const std::string anode = cp1251("Метка у анода (+)"), cathode = cp1251("Метка у катода (-)");
        if (tables.marking.count() > 3) {
            tables.marking.replaceLine(i >= kZenerBlock ? 3 : 2, anode);
            tables.marking.replaceLine(i >= kZenerBlock ? 2 : 3, cathode);
        }
        const int n = splitrecord(tables.marking.line(i), fields);
        draw.drawtable(tables, fields, 1, n, RefLayout::origin, RefLayout::markingBase, text, frames);
        out.markingLine = i;
    }
    int hit = firstHit(tables.params, RefTables::firstRecord[2], text);
    int t = 2;
    if (hit < 0) {
        hit = firstHit(tables.params2, RefTables::firstRecord[3], text);
        t = 3;
    }
    if (hit >= 0) {
        const int n = splitrecord(tables.table(t).line(hit), fields);
        draw.drawtable(tables, fields, t, n, RefLayout::origin, RefLayout::paramsBase, text, frames);
        out.paramsTable = t;
        out.paramsLine = hit;
    }
    out.foundAny = out.markingLine >= 0 || out.paramsLine >= 0;
    if (!out.foundAny)
        out.texts.push_back({RefLayout::messageX, RefLayout::messageY, cp1251("Такой детали в этом справочнике нет.")});
    return out;
}

} // namespace vosk
