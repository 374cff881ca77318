// The marking set: narrow upright drawings of one diode each, showing where its colour
// rings, dots and end marks sit. The package comes from the description table, the marks
// from the reference book's marking table. Frames are only 15 to 26 pixels wide, so the
// figures use the 3 x 5 font and the one dimension drawn is the body length; a frame whose
// marks are unknown shows the outline only, without the dimension, and a column of its own
// to the right with the words "маркировка неизвестна" in the 5 x 7 font at twice its size.

#include "bodies.h"
#include "drafting.h"
#include "figures.h"
#include "markingtable.h"
#include "text.h"

#include <algorithm>
#include <stdexcept>

namespace drawings {

namespace {

struct MarkingPlan {
    bool block = false; // a moulded block with leads in a row, not an axial body
    int leads = 2;
    Material material = Material::Glass;
    bool pointContact = false;
    bool anodeTop = true;
    EndMarks top;
    EndMarks bottom;
    bool keyDot = false;
    bool leadNumbers = false;
    bool bridgeSigns = false;
    bool unknown = false; // the table's marks are all «н/д»
    std::optional<Dot> middleDot;
};

const std::string &unknownWords()
{
    static const std::string words = utf8ToCp1251("маркировка неизвестна");
    return words;
}

[[noreturn]] void cannotRead(const Entry &e, const std::string &what)
{
    throw std::runtime_error("marking drawing " + std::to_string(e.number) + " (line "
                             + std::to_string(e.line) + "): " + what);
}

std::vector<std::string> split(const std::string &text, char sep)
{
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == sep) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    for (std::string &p : parts) {
        while (!p.empty() && p.front() == ' ')
            p.erase(p.begin());
        while (!p.empty() && p.back() == ' ')
            p.pop_back();
    }
    return parts;
}

bool positionOnly(const std::string &clause)
{
    return contains(clause, "position only") || contains(clause, "empty outline")
           || contains(clause, "outlined circle");
}

MarkingPlan readPlan(const Entry &e, const TableMarks &table)
{
    MarkingPlan plan;
    const std::string body = lowerText(e.body);
    const std::string marks = lowerText(e.marks);
    const int leads = leadCountIn(body);
    plan.block = leads > 2;
    plan.leads = plan.block ? leads : 2;
    plan.material = materialFromWords(body);
    plan.pointContact = contains(body, "point-contact");

    const std::string all = body + "; " + marks;
    if (contains(all, "cathode (-) at top") || contains(all, "anode (+) at bottom"))
        plan.anodeTop = false;
    if (contains(all, "anode (+) at top") && !plan.anodeTop)
        cannotRead(e, "anode said to be both at top and at bottom");

    auto endOf = [&](const std::string &clause) -> EndMarks & {
        if (contains(clause, "(top)") || contains(clause, "top end") || contains(clause, "top face"))
            return plan.top;
        if (contains(clause, "(bottom)") || contains(clause, "bottom end"))
            return plan.bottom;
        if (contains(clause, "anode"))
            return plan.anodeTop ? plan.top : plan.bottom;
        if (contains(clause, "cathode"))
            return plan.anodeTop ? plan.bottom : plan.top;
        cannotRead(e, "mark without a place: " + clause);
    };

    for (const std::string &clause : split(marks, ';')) {
        if (clause.empty() || clause.rfind("no colour marks", 0) == 0 || clause.rfind("no mark", 0) == 0
            || clause.rfind("marks from the marking table", 0) == 0)
            continue;
        if (contains(clause, "key mark")) {
            plan.keyDot = true;
            continue;
        }
        if (contains(clause, "numbered")) {
            plan.leadNumbers = true;
            continue;
        }
        if (contains(clause, "~") && contains(clause, "sign")) {
            plan.bridgeSigns = true;
            continue;
        }
        if (contains(clause, "end-face") || contains(clause, "end face")) {
            EndMarks &end = endOf(clause);
            const auto colour = firstColour(clause);
            const bool outline = positionOnly(clause) || !colour;
            end.faceDot = Dot{colour.value_or(Black), outline};
            if (contains(clause, "ring")) {
                // "end-face mark and ring": the ring's colour is the one named after it.
                const std::size_t at = clause.find("ring");
                const auto ringColour = firstColour(clause.substr(at));
                end.rings.push_back(Ring{ringColour.value_or(Black), contains(clause, "wide"),
                                         positionOnly(clause) || !ringColour});
            }
            continue;
        }
        if (contains(clause, "dot")) {
            EndMarks &end = endOf(clause);
            const auto colour = firstColour(clause);
            end.sideDot = Dot{colour.value_or(Black), positionOnly(clause) || !colour};
            continue;
        }
        if (contains(clause, "ring") || contains(clause, "band")) {
            EndMarks &end = endOf(clause);
            const std::size_t colon = clause.find(':');
            if (colon != std::string::npos) {
                // "three rings ..., from the end inward: one wide violet ring, one narrow ..."
                const auto items = split(clause.substr(colon + 1), ',');
                const int expected = countWord(clause.substr(0, colon));
                if (static_cast<int>(items.size()) != expected)
                    cannotRead(e, "ring count does not match the list: " + clause);
                for (const std::string &item : items) {
                    const auto colour = firstColour(item);
                    if (!colour && !positionOnly(item))
                        cannotRead(e, "ring without a colour: " + item);
                    end.rings.push_back(Ring{colour.value_or(Black), contains(item, "wide"),
                                             positionOnly(item) || !colour});
                }
            } else {
                const auto colour = firstColour(clause);
                if (!colour && !positionOnly(clause))
                    cannotRead(e, "ring without a colour: " + clause);
                for (int k = 0; k < countWord(clause); ++k)
                    end.rings.push_back(Ring{colour.value_or(Black), contains(clause, "wide"),
                                             positionOnly(clause) || !colour});
            }
            continue;
        }
        if (contains(clause, "(-) at top") || contains(clause, "(+) at top")
            || contains(clause, "(-) at bottom") || contains(clause, "(+) at bottom"))
            continue; // polarity, read above
        if (contains(clause, "face shown") || contains(clause, "not drawn"))
            continue;
        cannotRead(e, "mark not understood: " + clause);
    }
    // Colour marks are the marking table's; the description table only places the package.
    if (!plan.top.rings.empty() || !plan.bottom.rings.empty() || plan.top.sideDot || plan.bottom.sideDot
        || plan.top.faceDot || plan.bottom.faceDot)
        cannotRead(e, "colour marks belong to the marking table, not to the description");
    plan.unknown = !table.known;
    plan.top = plan.anodeTop ? table.anode : table.cathode;
    plan.bottom = plan.anodeTop ? table.cathode : table.anode;
    plan.middleDot = table.bodyDot;
    if (plan.block && (!plan.top.rings.empty() || !plan.bottom.rings.empty() || plan.middleDot))
        cannotRead(e, "rings or dots on a block package");
    return plan;
}

void drawAxial(Canvas &c, const Entry &e, const MarkingPlan &plan)
{
    const Font small(FontSize::Small);
    const int W = c.width();
    const int H = c.height();
    // Right of the body: extension, dimension line, figure.
    const int dimColumn = 9;
    const int bodyArea = W - dimColumn - 1;
    if (bodyArea < 3)
        cannotRead(e, "frame too narrow");
    const double scale = std::min(bodyArea / e.bodyDiameter, 0.45 * H / e.bodyLength);
    const int t = std::clamp(roundToInt(e.leadDiameter * scale), 1, 3);
    int bw = std::max(3, std::min(bodyArea, roundToInt(e.bodyDiameter * scale)));
    if ((bw - t) % 2 != 0)
        bw = bw < bodyArea ? bw + 1 : bw - 1; // lead exactly in the middle
    const int bl = std::max(6, roundToInt(e.bodyLength * scale));
    const int x0 = 1 + (bodyArea - bw) / 2;
    const int y0 = (H - bl) / 2;
    const int y1 = y0 + bl - 1;
    const int cx = x0 + (bw - t) / 2 + (t - 1) / 2;

    leadLine(c, cx, 0, cx, y0, t, false, true);
    leadLine(c, cx, y1, cx, H - 1, t, true, false);

    AxialBody body;
    body.length = bl;
    body.width = bw;
    body.material = plan.material;
    body.pointContact = plan.pointContact;
    body.anodeAtStart = plan.anodeTop;
    body.leadThickness = t;
    body.start = plan.top;
    body.end = plan.bottom;
    body.middleDot = plan.middleDot;
    BodyPicture picture = drawAxialBody(body);
    if (plan.unknown) {
        // The outline alone: a filled body would read as a body without marks.
        for (int u = 0; u < picture.pixels.width(); ++u)
            for (int v = 0; v < picture.pixels.height(); ++v)
                if (picture.mask.at(u, v) == 1 && picture.pixels.at(u, v) != Black)
                    picture.pixels.set(u, v, White);
    }
    placeBody(c, picture, x0, y0, true);

    // A mark on the end face is seen edge-on: a flat oval sitting on the end.
    auto faceDot = [&](const EndMarks &end, int y) {
        if (!end.faceDot)
            return;
        int w = std::max(3, bw * 3 / 5);
        if ((w - t) % 2 != 0)
            ++w;
        const int fx0 = cx - (t - 1) / 2 - (w - t) / 2;
        if (!end.faceDot->outlineOnly)
            c.fillEllipse(fx0, y - 1, fx0 + w - 1, y + 1, end.faceDot->colour);
        c.ellipse(fx0, y - 1, fx0 + w - 1, y + 1, Black);
    };
    faceDot(plan.top, y0 - 1);
    faceDot(plan.bottom, y1 + 1);

    if (!plan.unknown) { // the words on unknown marks go beside the frame (drawMarkingFrame)
        // Body length.
        const int dx = x0 + bw + 2;
        extensionLine(c, x0 + bw, y0, dx + 1, y0);
        extensionLine(c, x0 + bw, y1, dx + 1, y1);
        vDimension(c, small, dx, y0, y1, mm(e.bodyLength), TextSide::UpRight);
    }

    // Polarity beside the lead ends.
    const int sx = cx + t / 2 + 2;
    small.draw(c, sx, 1, plan.anodeTop ? "+" : "-", Black);
    small.draw(c, sx, H - 1 - small.height(), plan.anodeTop ? "-" : "+", Black);
}

void drawBlock(Canvas &c, const Entry &e, const MarkingPlan &plan)
{
    const Font small(FontSize::Small);
    const Font large(FontSize::Large);
    const int W = c.width();
    const int H = c.height();
    const int captionRows = W >= 40 ? captionHeight(large, e.caption, W, 1) : 0;
    const int room = H - captionRows - 2;
    const double scale = std::min((W - 2) / e.bodyLength, 0.4 * room / e.bodyDiameter);
    const int bw = std::min(W - 2, roundToInt(e.bodyLength * scale));
    const int bh = std::max(5, roundToInt(e.bodyDiameter * scale));
    const int t = std::clamp(roundToInt(e.leadDiameter * scale), 1, 3);
    const int leadPx = std::min(room - bh - 1, roundToInt(e.leadLength * scale));
    const int x0 = (W - bw) / 2;
    const int y0 = 1 + (room - bh - leadPx) / 2;
    const int y1 = y0 + bh - 1;

    std::vector<int> leadX;
    for (int i = 0; i < plan.leads; ++i)
        leadX.push_back(x0 + (2 * i + 1) * bw / (2 * plan.leads));
    for (int x : leadX)
        leadLine(c, x, y1, x, y1 + leadPx, t, true, false);
    // Light signs on the dark moulding; dark ones on the bare outline of unknown marks.
    const std::uint8_t ink = plan.unknown ? Black : MarkWhite;
    c.fillRect(x0, y0, x0 + bw - 1, y1, plan.unknown ? White : Plastic);
    c.rect(x0, y0, x0 + bw - 1, y1, Black);

    if (plan.keyDot)
        c.fillEllipse(x0 + 2, y0 + 2, x0 + 4, y0 + 4, ink);
    // Lead numbers or the bridge's signs, light on the dark moulding just above each lead.
    const int pitch = plan.leads > 1 ? leadX[1] - leadX[0] : bw;
    const char *signs[] = {"~", "~", "+", "-"};
    for (int i = 0; i < plan.leads; ++i) {
        std::string label;
        if (plan.leadNumbers)
            label = std::to_string(i + 1);
        else if (plan.bridgeSigns && plan.leads == 4)
            label = signs[i];
        if (label.empty())
            continue;
        const int w = small.width(label);
        if (w + 1 > pitch || bh < small.height() + 3)
            continue;
        small.draw(c, leadX[i] - w / 2, y1 - 1 - small.height(), label, ink);
    }
    if (captionRows > 0)
        drawCaption(c, large, e.caption, 1);
}

// The drawing of unknown marks with the words beside it, in a column of its own to the
// right: two upright lines, «маркировка» and «неизвестна», in the large font drawn at twice
// its size (letters 14 pixels high), so that they read at the picture window's size.
Canvas withUnknownWords(const Canvas &drawing)
{
    const Font large(FontSize::Large);
    constexpr int kScale = 2;
    const int lineHeight = large.height() * kScale;
    const std::string &words = unknownWords();
    const std::size_t gap = words.find(' ');
    const std::string lines[2] = {words.substr(0, gap), words.substr(gap + 1)};
    const int longest = std::max(large.width(lines[0]), large.width(lines[1])) * kScale;
    // A frame too short for the words grows to hold them, the drawing in its middle.
    const int height = std::max(drawing.height(), longest + 2);
    const int top = (height - drawing.height()) / 2;
    Canvas canvas(drawing.width() + 2 * lineHeight + 3, height, White);
    for (int x = 0; x < drawing.width(); ++x)
        for (int y = 0; y < drawing.height(); ++y)
            canvas.set(x, top + y, drawing.at(x, y));
    for (int k = 0; k < 2; ++k)
        large.drawUpward(canvas, drawing.width() + 1 + k * (lineHeight + 1),
                         (height - 1 + large.width(lines[k]) * kScale) / 2, lines[k], Black, kScale);
    return canvas;
}

} // namespace

Canvas drawMarkingFrame(const Entry &entry, const TableMarks &marks)
{
    const MarkingPlan plan = readPlan(entry, marks);
    Canvas canvas(entry.width, entry.height, White);
    if (plan.block)
        drawBlock(canvas, entry, plan);
    else
        drawAxial(canvas, entry, plan);
    return plan.unknown ? withUnknownWords(canvas) : canvas;
}

} // namespace drawings
