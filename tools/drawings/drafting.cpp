#include "drafting.h"

#include "text.h"

#include <algorithm>
#include <cmath>

namespace drawings {

int roundToInt(double v)
{
    return static_cast<int>(std::lround(v));
}

int leadCountIn(std::string_view lowerBody)
{
    const std::size_t at = lowerBody.find(" leads");
    if (at == std::string_view::npos || at == 0)
        return 0;
    const char digit = lowerBody[at - 1];
    return digit >= '1' && digit <= '9' ? digit - '0' : 0;
}

std::string mm(double value)
{
    const long long hundredths = std::llround(value * 100.0);
    const long long whole = hundredths / 100;
    const long long frac = hundredths % 100;
    std::string s = std::to_string(whole);
    if (frac == 0)
        return s;
    if (frac % 10 == 0)
        return s + "," + std::to_string(frac / 10);
    return s + "," + (frac < 10 ? "0" : "") + std::to_string(frac);
}

std::string diameterMm(double value)
{
    return std::string(1, kDiameter) + mm(value);
}

std::string lowerText(std::string_view text)
{
    std::string out(text);
    for (char &ch : out) {
        auto c = static_cast<unsigned char>(ch);
        if (c >= 'A' && c <= 'Z')
            c = static_cast<unsigned char>(c + 32);
        else if (c >= 0xC0 && c <= 0xDF)
            c = static_cast<unsigned char>(c + 32);
        else if (c == 0xA8)
            c = 0xB8;
        ch = static_cast<char>(c);
    }
    return out;
}

bool contains(std::string_view text, std::string_view word)
{
    return text.find(word) != std::string_view::npos;
}

namespace {

bool wordChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c >= 0xC0 || c == 0xA8
           || c == 0xB8;
}

std::vector<std::string> words(std::string_view text)
{
    std::vector<std::string> out;
    std::string w;
    for (char ch : text) {
        if (wordChar(static_cast<unsigned char>(ch))) {
            w += ch;
        } else if (!w.empty()) {
            out.push_back(w);
            w.clear();
        }
    }
    if (!w.empty())
        out.push_back(w);
    return out;
}

} // namespace

std::optional<Colour> firstColour(std::string_view text)
{
    for (const std::string &w : words(text))
        if (auto c = colourFromWord(w))
            return c;
    return std::nullopt;
}

int countWord(std::string_view text)
{
    static const struct {
        const char *word;
        int n;
    } kCounts[] = {{"one", 1}, {"a", 1}, {"two", 2}, {"three", 3}, {"four", 4}};
    for (const std::string &w : words(lowerText(text)))
        for (const auto &k : kCounts)
            if (w == k.word)
                return k.n;
    return 1;
}

namespace {

int arrowLength(const Font &font)
{
    return font.height() >= 7 ? 4 : 3;
}

bool fits(const Canvas &c, int x, int y, int w, int h)
{
    return x >= 0 && y >= 0 && x + w <= c.width() && y + h <= c.height();
}

} // namespace

void extensionLine(Canvas &c, int x0, int y0, int x1, int y1)
{
    c.line(x0, y0, x1, y1, Dimension);
}

bool hDimension(Canvas &c, const Font &font, int x0, int x1, int y, const std::string &text,
                bool textBelow)
{
    if (x0 > x1)
        std::swap(x0, x1);
    const int len = arrowLength(font);
    if (x1 - x0 >= 2 * len + 2) {
        c.hline(x0, x1, y, Dimension);
        c.arrow(x0, y, -1, 0, len, Dimension);
        c.arrow(x1, y, 1, 0, len, Dimension);
    } else {
        // Too short for arrows inside: they point in from outside.
        c.hline(x0 - len - 2, x1 + len + 2, y, Dimension);
        c.arrow(x0, y, 1, 0, len, Dimension);
        c.arrow(x1, y, -1, 0, len, Dimension);
    }
    const int w = font.width(text);
    const int h = font.height();
    int tx = (x0 + x1 + 1) / 2 - w / 2;
    int ty = textBelow ? y + 2 : y - 1 - h;
    if (w > x1 - x0 - 2) {
        tx = x1 + len + 4;
        ty = y - h / 2;
        if (!fits(c, tx, ty, w, h))
            tx = x0 - len - 4 - w;
    }
    if (!fits(c, tx, ty, w, h))
        return false;
    font.draw(c, tx, ty, text, Dimension);
    return true;
}

bool vDimension(Canvas &c, const Font &font, int x, int y0, int y1, const std::string &text,
                TextSide side)
{
    if (y0 > y1)
        std::swap(y0, y1);
    const int len = arrowLength(font);
    if (y1 - y0 >= 2 * len + 2) {
        c.vline(x, y0, y1, Dimension);
        c.arrow(x, y0, 0, -1, len, Dimension);
        c.arrow(x, y1, 0, 1, len, Dimension);
    } else {
        c.vline(x, y0 - len - 2, y1 + len + 2, Dimension);
        c.arrow(x, y0, 0, 1, len, Dimension);
        c.arrow(x, y1, 0, -1, len, Dimension);
    }
    const int w = font.width(text);
    const int h = font.height();
    const int mid = (y0 + y1 + 1) / 2;
    switch (side) {
    case TextSide::Left:
    case TextSide::Right: {
        const int tx = side == TextSide::Left ? x - 2 - w : x + 2;
        const int ty = mid - h / 2;
        if (!fits(c, tx, ty, w, h))
            return false;
        font.draw(c, tx, ty, text, Dimension);
        return true;
    }
    case TextSide::UpLeft:
    case TextSide::UpRight: {
        const int tx = side == TextSide::UpLeft ? x - 1 - h : x + 2;
        const int bottom = mid + w / 2;
        if (w > y1 - y0 - 1 || !fits(c, tx, bottom - w + 1, h, w))
            return false;
        font.drawUpward(c, tx, bottom, text, Dimension);
        return true;
    }
    }
    return false;
}

void leaderNote(Canvas &c, const Font &font, int x, int y, int tx, int ty, const std::string &text)
{
    const int w = font.width(text);
    // The figure sits on a short shelf; the leader runs from the shelf's near end.
    const int shelfY = y + font.height() + 1;
    c.hline(x, x + w - 1, shelfY, Dimension);
    const int fromX = tx < x ? x : x + w - 1;
    c.line(fromX, shelfY, tx, ty, Dimension);
    c.arrow(tx, ty, 0, ty > shelfY ? 1 : -1, 3, Dimension);
    font.draw(c, x, y, text, Dimension);
}

void leadLine(Canvas &c, int x0, int y0, int x1, int y1, int t, bool open0, bool open1)
{
    t = std::max(1, t);
    const int lo = -(t - 1) / 2;
    const int hi = t / 2;
    const bool horizontal = y0 == y1;
    if (horizontal) {
        if (x0 > x1) {
            std::swap(x0, x1);
            std::swap(open0, open1);
        }
        if (t <= 2) {
            c.fillRect(x0, y0 + lo, x1, y0 + hi, MetalDark);
            return;
        }
        c.fillRect(x0, y0 + lo, x1, y0 + hi, MetalLight);
        c.hline(x0, x1, y0 + lo, Black);
        c.hline(x0, x1, y0 + hi, Black);
        if (!open0)
            c.vline(x0, y0 + lo, y0 + hi, Black);
        if (!open1)
            c.vline(x1, y0 + lo, y0 + hi, Black);
    } else {
        if (y0 > y1) {
            std::swap(y0, y1);
            std::swap(open0, open1);
        }
        if (t <= 2) {
            c.fillRect(x0 + lo, y0, x0 + hi, y1, MetalDark);
            return;
        }
        c.fillRect(x0 + lo, y0, x0 + hi, y1, MetalLight);
        c.vline(x0 + lo, y0, y1, Black);
        c.vline(x0 + hi, y0, y1, Black);
        if (!open0)
            c.hline(x0 + lo, x0 + hi, y0, Black);
        if (!open1)
            c.hline(x0 + lo, x0 + hi, y1, Black);
    }
}

void leadBreak(Canvas &c, int x, int y, int t, bool horizontal)
{
    t = std::max(1, t);
    const int lo = -(t - 1) / 2 - 2;
    const int hi = t / 2 + 2;
    const int slant = std::max(1, (hi - lo) / 4);
    if (horizontal) {
        c.fillRect(x - 1, y + lo + 2, x + 1, y + hi - 2, White);
        c.line(x - 2 - slant, y + hi, x - 2 + slant, y + lo, Black);
        c.line(x + 2 - slant, y + hi, x + 2 + slant, y + lo, Black);
    } else {
        c.fillRect(x + lo + 2, y - 1, x + hi - 2, y + 1, White);
        c.line(x + lo, y - 2 + slant, x + hi, y - 2 - slant, Black);
        c.line(x + lo, y + 2 + slant, x + hi, y + 2 - slant, Black);
    }
}

std::vector<std::string> wrapText(const Font &font, const std::string &text, int width)
{
    std::vector<std::string> lines;
    std::string current;
    std::string word;
    auto flushWord = [&]() -> bool {
        if (word.empty())
            return true;
        if (font.width(word) > width)
            return false;
        const std::string joined = current.empty() ? word : current + " " + word;
        if (font.width(joined) <= width) {
            current = joined;
        } else {
            lines.push_back(current);
            current = word;
        }
        word.clear();
        return true;
    };
    for (char ch : text) {
        if (ch == ' ') {
            if (!flushWord())
                return {};
        } else {
            word += ch;
        }
    }
    if (!flushWord())
        return {};
    if (!current.empty())
        lines.push_back(current);
    return lines;
}

namespace {

// The caption as given, else its head before a colon or a bracket: the shorter form
// still names the package.
std::vector<std::string> captionLines(const Font &font, const std::string &text, int width,
                                      int maxLines)
{
    std::vector<std::string> candidates{text};
    for (char stop : {':', '('}) {
        const std::size_t at = text.find(stop);
        if (at != std::string::npos && at > 0) {
            std::string head = text.substr(0, at);
            while (!head.empty() && head.back() == ' ')
                head.pop_back();
            candidates.push_back(head);
        }
    }
    for (const std::string &candidate : candidates) {
        if (!font.covers(candidate))
            continue;
        auto lines = wrapText(font, candidate, width);
        if (!lines.empty() && static_cast<int>(lines.size()) <= maxLines)
            return lines;
    }
    return {};
}

} // namespace

int captionHeight(const Font &font, const std::string &text, int width, int maxLines)
{
    const auto lines = captionLines(font, text, width - 4, maxLines);
    return lines.empty() ? 0 : static_cast<int>(lines.size()) * (font.height() + 2) + 2;
}

void drawCaption(Canvas &c, const Font &font, const std::string &text, int maxLines)
{
    const auto lines = captionLines(font, text, c.width() - 4, maxLines);
    int y = c.height() - static_cast<int>(lines.size()) * (font.height() + 2);
    for (const std::string &line : lines) {
        const int w = font.width(line);
        font.draw(c, (c.width() - w) / 2, y, line, Caption);
        y += font.height() + 2;
    }
}

} // namespace drawings
