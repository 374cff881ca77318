#pragma once
// An indexed-colour raster with the few primitives a line drawing needs. Everything
// is integer arithmetic, so the same input always gives the same pixels.

#include <cstdint>
#include <utility>
#include <vector>

namespace drawings {

struct Point {
    int x = 0;
    int y = 0;
};

class Canvas {
public:
    Canvas(int width, int height, std::uint8_t background);

    int width() const { return width_; }
    int height() const { return height_; }
    const std::vector<std::uint8_t> &pixels() const { return pixels_; }
    std::uint8_t at(int x, int y) const;
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Drawing outside the raster is clipped silently.
    void set(int x, int y, std::uint8_t c);
    void hline(int x0, int x1, int y, std::uint8_t c);
    void vline(int x, int y0, int y1, std::uint8_t c);
    void line(int x0, int y0, int x1, int y1, std::uint8_t c);
    // Every other pixel: centre lines and hidden edges.
    void dashedLine(int x0, int y0, int x1, int y1, std::uint8_t c, int on = 3, int off = 2);
    // Inclusive corners.
    void rect(int x0, int y0, int x1, int y1, std::uint8_t c);
    void fillRect(int x0, int y0, int x1, int y1, std::uint8_t c);
    // Ellipse inscribed in the inclusive box.
    void ellipse(int x0, int y0, int x1, int y1, std::uint8_t c);
    void fillEllipse(int x0, int y0, int x1, int y1, std::uint8_t c);
    // Scan-line fill of a simple polygon (even-odd rule, pixel centres).
    void fillPolygon(const std::vector<Point> &points, std::uint8_t c);
    void polygon(const std::vector<Point> &points, std::uint8_t c);
    // Filled arrowhead whose tip is at (x, y), pointing along (dx, dy), one of the four axes.
    void arrow(int x, int y, int dx, int dy, int length, std::uint8_t c);

private:
    // Left and right edge of the inscribed ellipse on each row of its box.
    std::vector<std::pair<int, int>> ellipseSpans(int x0, int y0, int x1, int y1) const;

    int width_;
    int height_;
    std::vector<std::uint8_t> pixels_;
};

} // namespace drawings
