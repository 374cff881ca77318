#include "labelsheet.h"

#include "cp1251.h"

#include <algorithm>
#include <cmath>

namespace vosk {

const std::vector<LabelSheet> &commonSheets()
{
    // title, page, label, grid, gaps
    static const std::vector<LabelSheet> sheets = [] {
        auto sheet = [](const char *title, double w, double h, int columns, int rows, double gapX, double gapY) {
            return LabelSheet{cp1251(title), 210, 297, w, h, columns, rows, gapX, gapY};
        };
        return std::vector<LabelSheet>{
            sheet("70 x 37 мм, 3 x 8 на A4", 70, 37, 3, 8, 0, 0),
            sheet("70 x 36 мм, 3 x 8 на A4", 70, 36, 3, 8, 0, 0),
            sheet("70 x 42,3 мм, 3 x 7 на A4", 70, 42.3, 3, 7, 0, 0),
            sheet("105 x 37 мм, 2 x 8 на A4", 105, 37, 2, 8, 0, 0),
            sheet("105 x 48 мм, 2 x 6 на A4", 105, 48, 2, 6, 0, 0),
            sheet("63,5 x 38,1 мм, 3 x 7 на A4", 63.5, 38.1, 3, 7, 2.5, 0),
            sheet("99,1 x 38,1 мм, 2 x 7 на A4", 99.1, 38.1, 2, 7, 2.5, 0),
            sheet("52,5 x 29,7 мм, 4 x 10 на A4", 52.5, 29.7, 4, 10, 0, 0),
            sheet("48,5 x 25,4 мм, 4 x 10 на A4", 48.5, 25.4, 4, 10, 0, 0),
        };
    }();
    return sheets;
}

namespace {

std::string mm(double v)
{
    // One decimal at most, with the comma: «42,3».
    const long tenths = std::lround(v * 10);
    std::string s = std::to_string(tenths / 10);
    if (tenths % 10 != 0)
        s += ',' + std::to_string(std::labs(tenths % 10));
    return s;
}

constexpr double kMinLabel = 15;   // a code and a line of text still fit
constexpr double kMaxPage = 1000;  // no sheet a printer takes is larger
constexpr int kMaxGrid = 50;

} // namespace

std::string sheetRefusal(const LabelSheet &s)
{
    const auto finite = [](double v) { return std::isfinite(v); };
    if (!finite(s.pageWidth) || !finite(s.pageHeight) || !finite(s.labelWidth) || !finite(s.labelHeight) ||
        !finite(s.gapX) || !finite(s.gapY) || s.pageWidth < kMinLabel || s.pageHeight < kMinLabel ||
        s.pageWidth > kMaxPage || s.pageHeight > kMaxPage)
        return cp1251("Размер листа должен быть от ") + mm(kMinLabel) + cp1251(" до ") + mm(kMaxPage) + cp1251(" мм.");
    if (s.labelWidth < kMinLabel || s.labelHeight < kMinLabel)
        return cp1251("Этикетка меньше ") + mm(kMinLabel) + cp1251(" x ") + mm(kMinLabel) +
               cp1251(" мм: на ней не поместятся код и название.");
    if (s.columns < 1 || s.rows < 1 || s.columns > kMaxGrid || s.rows > kMaxGrid)
        return cp1251("Этикеток в ряду и рядов на листе должно быть от 1 до ") + std::to_string(kMaxGrid) + ".";
    if (s.gapX < 0 || s.gapY < 0)
        return cp1251("Промежутки между этикетками не бывают отрицательными.");
    // A hundredth of a millimetre of rounding in the typed sizes is no overflow.
    constexpr double kSlack = 0.01;
    if (s.left() < -kSlack)
        return std::to_string(s.columns) + cp1251(" этикетки по ") + mm(s.labelWidth) + cp1251(" мм шире листа (") +
               mm(s.pageWidth) + cp1251(" мм).");
    if (s.top() < -kSlack)
        return std::to_string(s.rows) + cp1251(" рядов по ") + mm(s.labelHeight) + cp1251(" мм выше листа (") +
               mm(s.pageHeight) + cp1251(" мм).");
    return {};
}

int sheetPages(const LabelSheet &sheet, int count, int skip)
{
    const int per = std::max(1, sheet.perPage());
    skip = std::clamp(skip, 0, per - 1);
    return count <= 0 ? 0 : (skip + count + per - 1) / per;
}

std::vector<LabelPlace> placeLabels(const LabelSheet &sheet, int count, int lines, int skip)
{
    std::vector<LabelPlace> places;
    const int per = std::max(1, sheet.perPage());
    skip = std::clamp(skip, 0, per - 1);
    lines = std::max(1, lines);
    const double w = sheet.labelWidth, h = sheet.labelHeight;
    // Inside a label: a margin all round (the cut may be off by a millimetre), the code's
    // square on the left, the lines to its right, the code's own text under them.
    const double pad = std::clamp(std::min(w, h) * 0.06, 1.0, 3.0);
    const double side = std::min(h - 2 * pad, w * 0.45);
    const double textX = pad + side + pad;
    const double textWidth = std::max(0.0, w - textX - pad);
    const double codeHeight = std::clamp(h * 0.1, 1.5, 3.0);
    const double lineHeight = std::min((h - 2 * pad - codeHeight) / lines, 5.0);
    for (int k = 0; k < count; ++k) {
        const int n = skip + k;
        const int onPage = n % per;
        const double x = sheet.left() + (onPage % sheet.columns) * (w + sheet.gapX);
        const double y = sheet.top() + (onPage / sheet.columns) * (h + sheet.gapY);
        LabelPlace p;
        p.page = n / per;
        p.label = {x, y, w, h};
        p.qr = {x + pad, y + (h - side) / 2, side, side};
        for (int line = 0; line < lines; ++line)
            p.lines.push_back({x + textX, y + pad + line * lineHeight, textWidth, lineHeight});
        p.codeLine = {x + textX, y + h - pad - codeHeight, textWidth, codeHeight};
        places.push_back(std::move(p));
    }
    return places;
}

} // namespace vosk
