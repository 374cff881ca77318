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

bool blankOnly(std::string_view line) { return line.find_first_not_of(' ') == std::string_view::npos; }

// Lines of a cell that show something: trailing blank-only lines are drawn white on white.
size_t visibleLines(const std::vector<std::string> &lines)
{
    size_t n = lines.size();
    while (n > 0 && blankOnly(lines[n - 1]))
        --n;
    return n;
}

struct Drawing {
    LookupResult &out;
    const TextMeasure &measure;
    int bottom = 0; // the lowest edge of a visible line drawn so far

    // Draws the lines below y (the first one a line height lower), growing the window to
    // hold the last of them whole.
    void drawcell(int x, int y, const std::vector<std::string> &lines, const DrawnText &kind)
    {
        const int h = measure.lineHeight();
        // The last line as drawn (blanks too), and the widest line, which may lie above it.
        const int needWidth = x + std::max(measure.textWidth(lines.back()), widest(lines)) + RefLayout::growRoom;
        if (out.windowWidth < needWidth)
            out.windowWidth = needWidth;
        const int needHeight = y + h * static_cast<int>(lines.size() + 1);
        if (out.windowHeight < needHeight)
            out.windowHeight = needHeight;
        for (size_t i = 0; i < lines.size(); ++i) {
            DrawnText t = kind;
            t.x = x;
            t.y = y + static_cast<int>(i + 1) * h;
            t.text = lines[i];
            out.texts.push_back(std::move(t));
        }
        const size_t shown = visibleLines(lines);
        if (shown > 0)
            bottom = std::max(bottom, y + h * static_cast<int>(shown + 1));
    }

    int widest(const std::vector<std::string> &lines) const
    {
        int w = 0;
        for (size_t i = 0; i < visibleLines(lines); ++i)
            w = std::max(w, measure.textWidth(lines[i]));
        return w;
    }

    void drawtable(const RefTables &tables, const Fields &fields, int t, int line, int n, int x0, int b,
                   std::string_view caption, const FrameSizes &frames)
    {
        PictureState &pic = out.picture;
        pic.caption.assign(caption);
        const RefTable &table = tables.table(t);
        const int h = measure.lineHeight();
        const uint32_t userMask = tables.userFields(t, line);
        // Wrap every cell first: the record's row goes below the tallest title, and a column
        // whose text is wider than its place pushes the next ones right.
        std::vector<std::vector<std::string>> titles, cells;
        size_t titleRows = 0;
        for (int k = 1; k <= n; ++k) {
            const int w = tables.colwidth[static_cast<size_t>(t)][static_cast<size_t>(std::min(k, 20))] - colmargin;
            const std::string &title = k - 1 < table.count() ? table.line(k - 1) : std::string();
            titles.push_back(wrapcell(title, w, measure));
            cells.push_back(wrapcell(fields.slot[static_cast<size_t>(k)], w, measure));
            titleRows = std::max(titleRows, visibleLines(titles.back()));
        }
        const int titleY = b - 50;
        const int recordY = std::max(b - 10, titleY + h * static_cast<int>(titleRows));
        uint16_t c = 0;
        int shift = 0;
        for (int k = 1; k <= n; ++k) {
            const size_t col = static_cast<size_t>(std::min(k, 20));
            const int x = x0 + 2 + c + shift;
            const auto &title = titles[static_cast<size_t>(k - 1)];
            const auto &cell = cells[static_cast<size_t>(k - 1)];
            DrawnText kind;
            kind.table = t;
            kind.field = k;
            kind.title = true;
            drawcell(x, titleY, title, kind);
            kind.title = false;
            kind.user = k <= 32 && (userMask >> (k - 1) & 1u);
            drawcell(x, recordY, cell, kind);
            const int w = tables.colwidth[static_cast<size_t>(t)][col] - colmargin;
            const int wide = std::max(widest(title), widest(cell));
            out.cells.push_back({t, line, k, x, recordY + h, std::max(w, wide),
                                 h * static_cast<int>(std::max<size_t>(1, visibleLines(cell)))});
            c = static_cast<uint16_t>(c + tables.colwidth[static_cast<size_t>(t)][col]);
            const int next = x0 + 2 + c + shift;
            if (x + wide + RefLayout::columnGap > next)
                shift += x + wide + RefLayout::columnGap - next;
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

    // One line under the tables.
    void note(const std::string &text)
    {
        DrawnText kind;
        const int y = bottom + RefLayout::noteGap - measure.lineHeight();
        drawcell(RefLayout::origin + 2, y, {text}, kind);
        out.notes.push_back(text);
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

// The first record of the book that the text names, then of the user's types; a user's type
// named exactly as the text comes before a book record that only contains it.
int findRecord(const RefTables &tables, int t, std::string_view text)
{
    const RefTable &table = tables.table(t);
    const int hit = firstHit(table, RefTables::firstRecord[t], text);
    if (hit >= 0 && linekey(table.line(hit)) == text)
        return hit;
    for (int i = tables.firstUserLine(t); i < table.count(); ++i)
        if (linekey(table.line(i)) == text)
            return i;
    return hit;
}

bool anyKeyEquals(const RefTables &tables, std::string_view text)
{
    for (int t = 1; t <= 3; ++t)
        for (int i = RefTables::firstRecord[t]; i < tables.table(t).count(); ++i)
            if (linekey(tables.table(t).line(i)) == text)
                return true;
    return false;
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

    const int i = findRecord(tables, kMarking, text);
    if (i >= 0) {
        const std::string anode = cp1251("Метка у анода (+)"), cathode = cp1251("Метка у катода (-)");
        // The zener block swaps the titles; the user's own marking records use the diodes' order.
        const bool zener = i >= kZenerBlock && i < tables.firstUserLine(1);
        if (tables.marking.count() > 3) {
            tables.marking.replaceLine(zener ? 3 : 2, anode);
            tables.marking.replaceLine(zener ? 2 : 3, cathode);
        }
        const int n = splitrecord(tables.marking.line(i), fields);
        draw.drawtable(tables, fields, kMarking, i, n, RefLayout::origin, RefLayout::markingBase, text, frames);
        out.markingLine = i;
    }
    int hit = findRecord(tables, kParams, text);
    int t = kParams;
    if (hit < 0) {
        hit = findRecord(tables, kParams2, text);
        t = kParams2;
    }
    if (hit >= 0) {
        const int n = splitrecord(tables.table(t).line(hit), fields);
        // Below the marking table's lowest line when a cell there needs more room than usual.
        const int h = measure.lineHeight();
        const int base = std::max(RefLayout::paramsBase, draw.bottom + 50 - h);
        draw.drawtable(tables, fields, t, hit, n, RefLayout::origin, base, text, frames);
        out.paramsTable = t;
        out.paramsLine = hit;
    }
    out.foundAny = out.markingLine >= 0 || out.paramsLine >= 0;
    if (!out.foundAny) {
        out.texts.push_back({RefLayout::messageX, RefLayout::messageY, cp1251("Такой детали в этом справочнике нет.")});
        return out;
    }
    if (std::any_of(out.texts.begin(), out.texts.end(), [](const DrawnText &d) { return d.user; }))
        draw.note(cp1251("синим — ваши данные"));
    if (!text.empty() && !anyKeyEquals(tables, text)) {
        // Say that the records shown are of another type, and how to add this one.
        std::string shown;
        const std::string_view markingKey = out.markingLine >= 0 ? *linekey(tables.marking.line(out.markingLine)) : "";
        const std::string_view paramsKey =
            out.paramsLine >= 0 ? *linekey(tables.table(out.paramsTable).line(out.paramsLine)) : "";
        shown.assign(markingKey.empty() ? paramsKey : markingKey);
        if (!markingKey.empty() && !paramsKey.empty() && paramsKey != markingKey)
            shown += cp1251(" и ") + std::string(paramsKey);
        draw.note(std::string(text) + cp1251(" нет в справочнике; показан ") + shown +
                  cp1251(" (добавить: «Добавить тип…» в меню правой кнопки)"));
    }
    return out;
}

} // namespace vosk
