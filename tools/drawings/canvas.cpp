#include "canvas.h"

#include <algorithm>
#include <cstdlib>

namespace drawings {

Canvas::Canvas(int width, int height, std::uint8_t background)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background)
{
}

std::uint8_t Canvas::at(int x, int y) const
{
    return inside(x, y) ? pixels_[static_cast<std::size_t>(y) * width_ + x] : 0;
}

void Canvas::set(int x, int y, std::uint8_t c)
{
    if (inside(x, y))
        pixels_[static_cast<std::size_t>(y) * width_ + x] = c;
}

void Canvas::hline(int x0, int x1, int y, std::uint8_t c)
{
    if (x0 > x1)
        std::swap(x0, x1);
    for (int x = x0; x <= x1; ++x)
        set(x, y, c);
}

void Canvas::vline(int x, int y0, int y1, std::uint8_t c)
{
    if (y0 > y1)
        std::swap(y0, y1);
    for (int y = y0; y <= y1; ++y)
        set(x, y, c);
}

void Canvas::line(int x0, int y0, int x1, int y1, std::uint8_t c)
{
    // A solid line is a dashed one without gaps.
    dashedLine(x0, y0, x1, y1, c, 1, 0);
}

void Canvas::dashedLine(int x0, int y0, int x1, int y1, std::uint8_t c, int on, int off)
{
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    int n = 0;
    for (;;) {
        if (n % (on + off) < on)
            set(x0, y0, c);
        ++n;
        if (x0 == x1 && y0 == y1)
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void Canvas::rect(int x0, int y0, int x1, int y1, std::uint8_t c)
{
    hline(x0, x1, y0, c);
    hline(x0, x1, y1, c);
    vline(x0, y0, y1, c);
    vline(x1, y0, y1, c);
}

void Canvas::fillRect(int x0, int y0, int x1, int y1, std::uint8_t c)
{
    if (y0 > y1)
        std::swap(y0, y1);
    for (int y = y0; y <= y1; ++y)
        hline(x0, x1, y, c);
}

namespace {

long long floorDiv(long long a, long long b)
{
    long long q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

long long ceilDiv(long long a, long long b)
{
    return -floorDiv(-a, b);
}

} // namespace

std::vector<std::pair<int, int>> Canvas::ellipseSpans(int x0, int y0, int x1, int y1) const
{
    if (x0 > x1)
        std::swap(x0, x1);
    if (y0 > y1)
        std::swap(y0, y1);
    // Doubled coordinates keep boxes of odd and even size exact: a pixel centre x lies at
    // 2x + 1, the box spans [2 x0, 2 x1 + 2].
    const long long w = x1 - x0 + 1;
    const long long h = y1 - y0 + 1;
    const long long cx2 = x0 + x1 + 1;
    std::vector<std::pair<int, int>> spans;
    for (int y = y0; y <= y1; ++y) {
        const long long ry = 2LL * y + 1 - (y0 + y1 + 1);
        // Largest doubled half-width kx with (kx / w)^2 + (ry / h)^2 <= 1.
        const long long rhs = w * w * (h * h - ry * ry);
        long long kx = 0;
        while ((kx + 1) * (kx + 1) * h * h <= rhs)
            ++kx;
        long long left = ceilDiv(cx2 - kx - 1, 2);
        long long right = floorDiv(cx2 + kx - 1, 2);
        if (left > right) {
            left = floorDiv(cx2 - 1, 2);
            right = left;
        }
        spans.emplace_back(static_cast<int>(left), static_cast<int>(right));
    }
    return spans;
}

void Canvas::fillEllipse(int x0, int y0, int x1, int y1, std::uint8_t c)
{
    if (y0 > y1)
        std::swap(y0, y1);
    const auto spans = ellipseSpans(x0, y0, x1, y1);
    for (int i = 0; i < static_cast<int>(spans.size()); ++i)
        hline(spans[i].first, spans[i].second, y0 + i, c);
}

void Canvas::ellipse(int x0, int y0, int x1, int y1, std::uint8_t c)
{
    if (y0 > y1)
        std::swap(y0, y1);
    const auto spans = ellipseSpans(x0, y0, x1, y1);
    const int n = static_cast<int>(spans.size());
    auto filled = [&](int row, int x) {
        return row >= 0 && row < n && x >= spans[row].first && x <= spans[row].second;
    };
    // The outline is every filled pixel with an empty four-neighbour: no gaps, no doubling.
    for (int i = 0; i < n; ++i)
        for (int x = spans[i].first; x <= spans[i].second; ++x)
            if (!filled(i, x - 1) || !filled(i, x + 1) || !filled(i - 1, x) || !filled(i + 1, x))
                set(x, y0 + i, c);
}

void Canvas::fillPolygon(const std::vector<Point> &points, std::uint8_t c)
{
    if (points.size() < 3)
        return;
    int ymin = points[0].y;
    int ymax = points[0].y;
    for (const Point &p : points) {
        ymin = std::min(ymin, p.y);
        ymax = std::max(ymax, p.y);
    }
    const std::size_t n = points.size();
    for (int y = ymin; y <= ymax; ++y) {
        // Crossings of the horizontal through pixel centres, in doubled coordinates.
        std::vector<long long> xs;
        const long long yc2 = 2LL * y + 1;
        for (std::size_t i = 0; i < n; ++i) {
            const Point a = points[i];
            const Point b = points[(i + 1) % n];
            const long long ay = 2LL * a.y + 1;
            const long long by = 2LL * b.y + 1;
            if ((ay <= yc2 && by > yc2) || (by <= yc2 && ay > yc2)) {
                // x (doubled, centre-based) where the edge crosses yc2, rounded down.
                const long long ax = 2LL * a.x + 1;
                const long long bx = 2LL * b.x + 1;
                const long long num = (bx - ax) * (yc2 - ay);
                const long long den = by - ay;
                const long long q = floorDiv(num, den);
                xs.push_back(ax + q);
            }
        }
        std::sort(xs.begin(), xs.end());
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
            // Pixel x has its centre at 2x + 1 in doubled coordinates.
            const long long from = ceilDiv(xs[i] - 1, 2);
            const long long to = floorDiv(xs[i + 1] - 1, 2);
            hline(static_cast<int>(from), static_cast<int>(to), y, c);
        }
    }
}

void Canvas::polygon(const std::vector<Point> &points, std::uint8_t c)
{
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Point a = points[i];
        const Point b = points[(i + 1) % points.size()];
        line(a.x, a.y, b.x, b.y, c);
    }
}

void Canvas::arrow(int x, int y, int dx, int dy, int length, std::uint8_t c)
{
    // A narrow triangle: one pixel of spread for every two of length.
    for (int i = 0; i < length; ++i) {
        const int spread = (i + 1) / 2;
        const int px = x - dx * i;
        const int py = y - dy * i;
        if (dx != 0)
            vline(px, py - spread, py + spread, c);
        else
            hline(px - spread, px + spread, py, c);
    }
}

} // namespace drawings
