// The package set: outline drawings of the diode packages with dimension lines and
// millimetre figures. Only sizes given in the description table carry figures; parts
// the table does not size (threads, flange thickness, block depth) are drawn in
// proportion and left without a figure.

#include "bodies.h"
#include "drafting.h"
#include "figures.h"
#include "text.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace drawings {

namespace {

enum class Kind { Axial, Stud, Flange, FlatTwoLead, Block, Bridge, Variants };

struct PackagePlan {
    Kind kind = Kind::Axial;
    Material material = Material::Plastic;
    bool pointContact = false;
    int leads = 2;
    bool cathodeBand = false;      // band line and "-" at the cathode end of axial bodies
    bool anodeDotPlace = false;    // colour dot's place, outlined
    bool anodeRingPlace = false;   // colour ring's place, outlined
    bool hexTopView = false;
    bool leadNumbers = false;
    bool circuit = false;
    bool secondView = false;
    std::vector<std::string> signs; // marks at the leads, left to right
    std::vector<std::string> variantLabels;
};

[[noreturn]] void cannotRead(const Entry &e, const std::string &what)
{
    throw std::runtime_error("package drawing " + std::to_string(e.number) + " (line "
                             + std::to_string(e.line) + "): " + what);
}

// "labelled 1, 2, 3 and Э in a row" -> {"1", "2", "3", "Э"}
std::vector<std::string> labelsAfter(const std::string &text, const std::string &lowerText)
{
    const std::string key = "labelled ";
    const std::size_t at = lowerText.find(key);
    if (at == std::string::npos)
        return {};
    std::size_t end = lowerText.find(" in a row", at);
    if (end == std::string::npos)
        end = lowerText.find(';', at);
    if (end == std::string::npos)
        end = text.size();
    std::string list = text.substr(at + key.size(), end - at - key.size());
    std::vector<std::string> labels;
    std::string current;
    auto flush = [&]() {
        while (!current.empty() && current.back() == ' ')
            current.pop_back();
        while (!current.empty() && current.front() == ' ')
            current.erase(current.begin());
        if (current.rfind("and ", 0) == 0)
            current.erase(0, 4);
        if (!current.empty())
            labels.push_back(current);
        current.clear();
    };
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == ',') {
            flush();
        } else if (list.compare(i, 5, " and ") == 0) {
            flush();
            i += 4;
        } else {
            current += list[i];
        }
    }
    flush();
    return labels;
}

// A run of lead signs such as "~ ~ + -" in the text.
std::vector<std::string> signRun(const std::string &text)
{
    std::vector<std::string> best;
    std::vector<std::string> run;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        const char c = i < text.size() ? text[i] : '\0';
        const bool sign = c == '~' || c == '+' || c == '-';
        const bool alone = sign && (i + 1 >= text.size() || text[i + 1] == ' ')
                           && (i == 0 || text[i - 1] == ' ');
        if (alone) {
            run.emplace_back(1, c);
            ++i; // the blank after it
            continue;
        }
        if (run.size() > best.size())
            best = run;
        run.clear();
    }
    return best.size() >= 2 ? best : std::vector<std::string>{};
}

PackagePlan readPlan(const Entry &e)
{
    PackagePlan p;
    const std::string body = lowerText(e.body);
    const std::string marks = lowerText(e.marks);
    p.material = materialFromWords(body);
    p.pointContact = contains(body, "point-contact");
    if (contains(body, "variants")) {
        p.kind = Kind::Variants;
        p.variantLabels = labelsAfter(e.marks, marks);
        if (p.variantLabels.empty())
            cannotRead(e, "variants without labels");
    } else if (contains(body, "stud")) {
        p.kind = Kind::Stud;
    } else if (contains(body, "flange")) {
        p.kind = Kind::Flange;
    } else if (contains(body, "bridge")) {
        p.kind = Kind::Bridge;
        p.leads = 4;
    } else if (contains(body, "two rigid leads")) {
        p.kind = Kind::FlatTwoLead;
    } else if (leadCountIn(body) > 2 || contains(body, "assembly")) {
        p.kind = Kind::Block;
        p.leads = leadCountIn(body);
        if (p.leads < 2)
            cannotRead(e, "assembly without a lead count");
    } else if (contains(body, "axial")) {
        p.kind = Kind::Axial;
    } else {
        cannotRead(e, "package kind not understood: " + e.body);
    }

    p.cathodeBand = p.kind == Kind::Axial && contains(marks, "band line")
                    && !contains(marks, "no polarity sign");
    p.anodeDotPlace = contains(marks, "dot position") || contains(marks, "outlined circle");
    p.anodeRingPlace = contains(marks, "ring position") || contains(marks, "outlined band");
    p.hexTopView = contains(marks, "top view of the hex");
    p.leadNumbers = contains(marks, "numbered") || contains(marks, "lead numbers");
    p.circuit = contains(marks, "circuit symbol");
    p.secondView = contains(marks, "two views") || contains(marks, "side view")
                   || contains(marks, "front and side");
    p.signs = signRun(e.marks);
    if (p.kind == Kind::Bridge && p.signs.size() != static_cast<std::size_t>(p.leads))
        cannotRead(e, "bridge without one sign per lead");
    return p;
}

const Font &large()
{
    static const Font font(FontSize::Large);
    return font;
}

// Lead of thickness t running down from (x, y0) to y1, broken when the wire is longer
// than the room for it.
void leadDown(Canvas &c, int x, int y0, int y1, int t, bool broken)
{
    leadLine(c, x, y0, x, y1, t, true, false);
    if (broken && y1 - y0 > 14)
        leadBreak(c, x, (y0 + y1) / 2, t, false);
}

void diode(Canvas &c, int x0, int y0, int x1, int y1)
{
    // Circuit symbol between two nodes on one axis, conducting from (x0, y0) to (x1, y1).
    const int dx = x1 > x0 ? 1 : (x1 < x0 ? -1 : 0);
    const int dy = y1 > y0 ? 1 : (y1 < y0 ? -1 : 0);
    const int mx = (x0 + x1) / 2;
    const int my = (y0 + y1) / 2;
    const int r = 3;
    c.line(x0, y0, x1, y1, Black);
    // Triangle pointing along the current, bar at its tip.
    const int bx = mx - dx * r;
    const int by = my - dy * r;
    std::vector<Point> tri;
    if (dx != 0)
        tri = {{bx, my - r}, {bx, my + r}, {mx + dx * r, my}};
    else
        tri = {{mx - r, by}, {mx + r, by}, {mx, my + dy * r}};
    c.fillPolygon(tri, Black);
    c.polygon(tri, Black);
    if (dx != 0)
        c.vline(mx + dx * r, my - r, my + r, Black);
    else
        c.hline(mx - r, mx + r, my + dy * r, Black);
}

// ---------------------------------------------------------------------------------
// Axial bodies lying down: anode on the left, cathode on the right.

void drawAxial(Canvas &c, const Entry &e, const PackagePlan &p, int area)
{
    const Font &f = large();
    const int W = c.width();
    const int margin = 3;
    const int dimTop = 14;
    const int dimBottom = 15;
    const double s = std::min(0.45 * (W - 2 * margin) / e.bodyLength,
                              (area - dimTop - dimBottom - 4) / e.bodyDiameter);
    const int t = std::clamp(roundToInt(e.leadDiameter * s), 1, 12);
    int bw = std::max(5, roundToInt(e.bodyDiameter * s));
    if ((bw - t) % 2 != 0)
        ++bw;
    const int bl = std::max(8, roundToInt(e.bodyLength * s));
    const int x0 = (W - bl) / 2;
    const int x1 = x0 + bl - 1;
    // Centre everything from the length figure above to the lead dimension below.
    const int leadBottomRel = (bw - t) / 2 + t - 1;
    const int leadDimRel = std::max(bw - 1 + 6, leadBottomRel + 10);
    const int yTop = std::max(dimTop, (area - (leadDimRel + 3 + dimTop)) / 2 + dimTop);
    const int yBot = yTop + bw - 1;
    const int cy = yTop + (bw - t) / 2 + (t - 1) / 2;
    const int leadTop = cy - (t - 1) / 2;
    const int leadBottom = cy + t / 2;
    const int lx0 = margin;
    const int lx1 = W - 1 - margin;
    const int dimX = x0 - 6;

    leadLine(c, lx0, cy, x0, cy, t, false, true);
    leadLine(c, x1, cy, lx1, cy, t, true, false);
    // The break on the anode lead keeps clear of the diameter figure above it.
    const std::string dia = diameterMm(e.bodyDiameter);
    const int diaX = dimX - 3 - f.width(dia);
    const bool broken = e.leadLength * s > x0 - lx0;
    if (broken) {
        leadBreak(c, diaX - lx0 >= 12 ? (lx0 + diaX) / 2 : (lx0 + dimX) / 2 + 2, cy, t, true);
        leadBreak(c, (x1 + lx1) / 2, cy, t, true);
    }

    AxialBody body;
    body.length = bl;
    body.width = bw;
    body.material = p.material;
    body.pointContact = p.pointContact;
    body.anodeAtStart = true;
    body.leadThickness = t;
    if (p.cathodeBand) {
        const Colour band = p.material == Material::Plastic ? MetalLight : Black;
        body.end.rings.push_back(Ring{band, false, false});
    }
    if (p.anodeRingPlace)
        body.start.rings.push_back(Ring{Black, false, true});
    if (p.anodeDotPlace)
        body.start.sideDot = Dot{Black, true};
    placeBody(c, drawAxialBody(body), x0, yTop, false);

    if (p.cathodeBand)
        f.draw(c, x1 + 4, leadTop - 2 - f.height(), "-", Black);

    // Body length above, body diameter on the left, lead length below the cathode lead.
    const int yL = yTop - 6;
    extensionLine(c, x0, yTop - 2, x0, yL - 2);
    extensionLine(c, x1, yTop - 2, x1, yL - 2);
    hDimension(c, f, x0, x1, yL, mm(e.bodyLength));

    extensionLine(c, x0 - 2, yTop, dimX - 2, yTop);
    extensionLine(c, x0 - 2, yBot, dimX - 2, yBot);
    vDimension(c, f, dimX, yTop, yBot, std::string(), TextSide::Left);
    const int diaY = std::max(yTop - 4, leadTop - 2 - f.height());
    if (diaX >= 0)
        f.draw(c, diaX, diaY, dia, Dimension);

    const int yLead = std::max(yBot + 6, leadBottom + 10);
    extensionLine(c, x1, yBot + 2, x1, yLead + 2);
    extensionLine(c, lx1, leadBottom + 2, lx1, yLead + 2);
    hDimension(c, f, x1, lx1, yLead, mm(e.leadLength));

    const std::string leadDia = diameterMm(e.leadDiameter);
    const int noteX = lx0 + 2;
    const int noteY = leadBottom + 5;
    if (noteX + f.width(leadDia) + 6 < dimX - 1 && noteY + f.height() + 2 < area)
        leaderNote(c, f, noteX, noteY, noteX + f.width(leadDia) + 4, leadBottom + 1, leadDia);
}

// ---------------------------------------------------------------------------------
// Stud packages standing up: threaded stud at the bottom, hex base, can, insulator
// and the top lead. Case height and hex across flats come from the table.

void hexagonTopView(Canvas &c, const Font &f, int xc, int yc, int af, int can, int t,
                    const std::string &text)
{
    const int a = af / 2;
    const int r = roundToInt(a * 2.0 / std::sqrt(3.0));
    const std::vector<Point> hex = {{xc - a, yc - r / 2}, {xc, yc - r}, {xc + a, yc - r / 2},
                                    {xc + a, yc + r / 2}, {xc, yc + r}, {xc - a, yc + r / 2}};
    c.fillPolygon(hex, Metal);
    c.polygon(hex, Black);
    c.fillEllipse(xc - can / 2, yc - can / 2, xc + can / 2, yc + can / 2, MetalLight);
    c.ellipse(xc - can / 2, yc - can / 2, xc + can / 2, yc + can / 2, Black);
    c.fillEllipse(xc - t / 2 - 1, yc - t / 2 - 1, xc + t / 2 + 1, yc + t / 2 + 1, MetalDark);
    c.dashedLine(xc - a - 3, yc, xc + a + 3, yc, CentreLine, 4, 2);
    c.dashedLine(xc, yc - r - 3, xc, yc + r + 3, CentreLine, 4, 2);
    const int yd = yc + r + 6;
    extensionLine(c, xc - a, yc + r / 2 + 2, xc - a, yd + 2);
    extensionLine(c, xc + a, yc + r / 2 + 2, xc + a, yd + 2);
    hDimension(c, f, xc - a, xc + a, yd, text, true);
}

void drawStud(Canvas &c, const Entry &e, const PackagePlan &p, int area)
{
    const Font &f = large();
    const int W = c.width();
    const double caseH = e.bodyLength;
    const double af = e.bodyDiameter;
    // Proportions of the parts the table does not size.
    const double hexH = 0.32 * caseH;
    const double canH = caseH - hexH;
    const double canD = 0.72 * af;
    const double threadD = 0.45 * af;
    const double threadL = 0.8 * caseH;
    const double insH = 0.14 * caseH;
    const double insD = 0.36 * af;

    const int leadRoom = std::max(18, area / 5);
    const int top = 3;
    const int bottomRoom = 15; // across-flats dimension under the stud
    const double widthShare = p.hexTopView ? 0.34 : 0.46;
    const double s = std::min((area - top - leadRoom - bottomRoom) / (threadL + caseH + insH),
                              widthShare * W / af);
    const int t = std::clamp(roundToInt(e.leadDiameter * s), 1, 12);
    auto px = [&](double v) { return std::max(2, roundToInt(v * s)); };
    auto across = [&](double v) {
        int w = std::max(3, roundToInt(v * s));
        if ((w - t) % 2 != 0)
            ++w;
        return w;
    };
    const int afPx = across(af);
    const int canPx = across(canD);
    const int threadPx = across(threadD);
    const int insPx = across(insD);
    const int xc = p.hexTopView ? roundToInt(W * 0.36) : roundToInt(W * 0.44);
    auto left = [&](int w) { return xc - (t - 1) / 2 - (w - t) / 2; };

    const int yIns = top + leadRoom;
    const int yCan = yIns + px(insH);
    const int yHex = yCan + px(canH);
    const int yThread = yHex + px(hexH);
    const int yEnd = yThread + px(threadL);

    leadLine(c, xc, top, xc, yIns, t, false, true);
    if (e.leadLength * s > leadRoom)
        leadBreak(c, xc, top + leadRoom / 2, t, false);

    // Insulator bead, can, hex (a corner towards the viewer: across-flats wide, two faces).
    c.fillRect(left(insPx), yIns, left(insPx) + insPx - 1, yCan, Glass);
    c.rect(left(insPx), yIns, left(insPx) + insPx - 1, yCan, Black);
    c.fillRect(left(canPx), yCan, left(canPx) + canPx - 1, yHex, MetalLight);
    c.rect(left(canPx), yCan, left(canPx) + canPx - 1, yHex, Black);
    const int hx0 = left(afPx);
    const int hx1 = hx0 + afPx - 1;
    c.fillRect(hx0, yHex, hx1, yThread, Metal);
    c.rect(hx0, yHex, hx1, yThread, Black);
    c.vline(xc, yHex + 1, yThread - 1, MetalDark);
    for (int x : {hx0, hx1})
        for (int y : {yHex, yThread})
            c.set(x, y, White);

    // Thread: the turns as slanted lines, chamfered end.
    const int tx0 = left(threadPx);
    const int tx1 = tx0 + threadPx - 1;
    c.fillRect(tx0, yThread + 1, tx1, yEnd, Metal);
    c.rect(tx0, yThread + 1, tx1, yEnd, Black);
    c.set(tx0, yEnd, White);
    c.set(tx1, yEnd, White);
    for (int y = yThread + 4; y < yEnd - 1; y += 3)
        c.line(tx0 + 1, y + 1, tx1 - 1, y - 1, MetalDark);
    c.dashedLine(xc, yIns - 2, xc, yEnd + 3, CentreLine, 4, 2);

    // Case height on the left, across flats below, lead on the right.
    const int dimX = hx0 - 7;
    extensionLine(c, left(canPx) - 2, yCan, dimX - 2, yCan);
    extensionLine(c, hx0 - 2, yThread, dimX - 2, yThread);
    vDimension(c, f, dimX, yCan, yThread, mm(caseH), TextSide::Left);

    const int yAf = yEnd + 5;
    extensionLine(c, hx0, yThread + 2, hx0, yAf + 2);
    extensionLine(c, hx1, yThread + 2, hx1, yAf + 2);
    hDimension(c, f, hx0, hx1, yAf, mm(af), true);

    const int leadX = xc + std::max(insPx, t) / 2 + 9;
    extensionLine(c, xc + t / 2 + 2, top, leadX + 2, top);
    extensionLine(c, left(insPx) + insPx + 1, yIns, leadX + 2, yIns);
    vDimension(c, f, leadX, top, yIns, mm(e.leadLength), TextSide::Right);
    const std::string leadDia = diameterMm(e.leadDiameter);
    const int noteX = xc - (t - 1) / 2 - 6 - f.width(leadDia);
    if (noteX >= 0)
        leaderNote(c, f, noteX, top + 2, xc - (t - 1) / 2 - 1, top + f.height() + 6, leadDia);

    if (p.hexTopView)
        hexagonTopView(c, f, roundToInt(W * 0.78), (yHex + yThread) / 2, afPx, canPx, t, mm(af));
}

// ---------------------------------------------------------------------------------
// Packages on a mounting flange, in plan (flange with its hole at the top, leads
// below) and from the side.

void drawFlange(Canvas &c, const Entry &e, const PackagePlan &, int area)
{
    const Font &f = large();
    const int W = c.width();
    const double len = e.bodyLength;
    const double wid = e.bodyDiameter;
    const int dimTop = 17;
    const int leadRoom = std::max(20, area / 4);
    const double s = std::min((area - dimTop - leadRoom - 3) / len, 0.4 * W / wid);
    const int t = std::clamp(roundToInt(e.leadDiameter * s), 1, 12);
    int wPx = std::max(8, roundToInt(wid * s));
    const int lPx = std::max(10, roundToInt(len * s));
    const int flangePx = roundToInt(lPx * 0.38);
    const int x0 = roundToInt(W * 0.36) - wPx / 2;
    const int x1 = x0 + wPx - 1;
    const int y0 = dimTop;
    const int yBody = y0 + flangePx;
    const int y1 = y0 + lPx - 1;
    const int yLeadEnd = y1 + leadRoom;

    const int leadOffset = roundToInt(wPx * 0.27);
    const int xc = (x0 + x1) / 2;
    for (int lx : {xc - leadOffset, xc + leadOffset})
        leadDown(c, lx, y1, yLeadEnd, t, e.leadLength * s > leadRoom);

    c.fillRect(x0, y0, x1, y1, Metal);
    c.rect(x0, y0, x1, y1, Black);
    c.fillRect(x0, yBody, x1, y1, Plastic);
    c.rect(x0, yBody, x1, y1, Black);
    const int hole = std::max(3, roundToInt(wPx * 0.3));
    const int hy = y0 + flangePx / 2;
    c.fillEllipse(xc - hole / 2, hy - hole / 2, xc - hole / 2 + hole - 1, hy - hole / 2 + hole - 1, White);
    c.ellipse(xc - hole / 2, hy - hole / 2, xc - hole / 2 + hole - 1, hy - hole / 2 + hole - 1, Black);
    c.dashedLine(xc, y0 - 3, xc, y1 + 3, CentreLine, 4, 2);
    c.dashedLine(xc - hole / 2 - 3, hy, xc + hole / 2 + 3, hy, CentreLine, 4, 2);

    // Side view, level with the plan.
    const int flangeT = std::max(2, roundToInt(lPx * 0.07));
    const int bodyT = std::max(flangeT + 3, roundToInt(lPx * 0.22));
    const int sx0 = roundToInt(W * 0.80) - bodyT / 2;
    c.fillRect(sx0, y0, sx0 + flangeT - 1, y1, Metal);
    c.rect(sx0, y0, sx0 + flangeT - 1, y1, Black);
    c.fillRect(sx0, yBody, sx0 + bodyT - 1, y1, Plastic);
    c.rect(sx0, yBody, sx0 + bodyT - 1, y1, Black);
    c.dashedLine(sx0, hy - hole / 2, sx0 + flangeT - 1, hy - hole / 2, MetalDark, 1, 1);
    c.dashedLine(sx0, hy + hole / 2, sx0 + flangeT - 1, hy + hole / 2, MetalDark, 1, 1);
    leadDown(c, sx0 + bodyT / 2, y1, yLeadEnd, t, e.leadLength * s > leadRoom);

    // Width above, length and lead length chained on the left, lead diameter on the right.
    extensionLine(c, x0, y0 - 2, x0, y0 - 8);
    extensionLine(c, x1, y0 - 2, x1, y0 - 8);
    hDimension(c, f, x0, x1, y0 - 6, mm(wid));
    const int dimX = x0 - 7;
    extensionLine(c, x0 - 2, y0, dimX - 2, y0);
    extensionLine(c, x0 - 2, y1, dimX - 2, y1);
    extensionLine(c, xc - leadOffset - t, yLeadEnd, dimX - 2, yLeadEnd);
    vDimension(c, f, dimX, y0, y1, mm(len), TextSide::Left);
    vDimension(c, f, dimX, y1, yLeadEnd, mm(e.leadLength), TextSide::Left);
    const std::string leadDia = diameterMm(e.leadDiameter);
    const int lxr = xc + leadOffset + t / 2 + 1;
    leaderNote(c, f, lxr + 6, yLeadEnd - f.height() - 4, lxr, yLeadEnd - f.height() - 8, leadDia);
}

// ---------------------------------------------------------------------------------
// Moulded blocks with their leads in a row: front view, and where asked a side view,
// the circuit, lead numbers or the bridge's signs.

void drawRow(Canvas &c, const Entry &e, const PackagePlan &p, int area, bool rigidPair)
{
    const Font &f = large();
    const int W = c.width();
    const int leads = rigidPair ? 2 : p.leads;
    const bool labels = p.leadNumbers || !p.signs.empty();
    const int dimTop = 17;
    const int labelRoom = labels ? f.height() + 3 : 0;
    const int leadRoom = std::max(16, area / 3 - labelRoom / 2);
    const bool side = p.secondView && p.kind != Kind::FlatTwoLead && !contains(lowerText(e.marks), "front view only");
    const bool circuit = p.circuit && leads == 4;
    const double frontShare = circuit ? 0.42 : (side ? 0.52 : 0.6);
    const bool leadDim = !contains(lowerText(e.marks), "no dimension lines beyond");
    const int leftRoom = 8 + std::max(f.width(mm(e.bodyDiameter)), leadDim ? f.width(mm(e.leadLength)) : 0);
    const double s = std::min((area - dimTop - leadRoom - labelRoom - 2) / e.bodyDiameter,
                              (frontShare * W - leftRoom) / e.bodyLength);
    const int t = std::clamp(roundToInt(e.leadDiameter * s), 1, 10);
    const int bw = std::max(10, roundToInt(e.bodyLength * s));
    const int bh = std::max(6, roundToInt(e.bodyDiameter * s));
    const int x0 = leftRoom + 2;
    const int x1 = x0 + bw - 1;
    const int y0 = dimTop;
    const int y1 = y0 + bh - 1;
    const int yLeadEnd = y1 + leadRoom;
    const bool broken = e.leadLength * s > leadRoom;

    std::vector<int> leadX;
    if (rigidPair) {
        leadX = {x0 + roundToInt(bw * 0.2), x1 - roundToInt(bw * 0.2)};
    } else {
        for (int i = 0; i < leads; ++i)
            leadX.push_back(x0 + (2 * i + 1) * bw / (2 * leads));
    }
    for (int lx : leadX)
        leadDown(c, lx, y1, yLeadEnd, t, broken);
    c.fillRect(x0, y0, x1, y1, Plastic);
    c.rect(x0, y0, x1, y1, Black);
    c.set(x0, y0, White);
    c.set(x1, y0, White);

    for (std::size_t i = 0; i < leadX.size(); ++i) {
        std::string label;
        if (p.leadNumbers)
            label = std::to_string(i + 1);
        else if (i < p.signs.size())
            label = p.signs[i];
        if (!label.empty())
            f.draw(c, leadX[i] - f.width(label) / 2, yLeadEnd + 2, label, Black);
    }

    extensionLine(c, x0, y0 - 2, x0, y0 - 8);
    extensionLine(c, x1, y0 - 2, x1, y0 - 8);
    hDimension(c, f, x0, x1, y0 - 6, mm(e.bodyLength));
    const int dimX = x0 - 5;
    extensionLine(c, x0 - 2, y0, dimX - 2, y0);
    extensionLine(c, x0 - 2, y1, dimX - 2, y1);
    vDimension(c, f, dimX, y0, y1, mm(e.bodyDiameter), TextSide::Left);
    int right = x1;
    if (leadDim) {
        extensionLine(c, leadX.front() - t / 2 - 2, yLeadEnd, dimX - 2, yLeadEnd);
        vDimension(c, f, dimX, y1, yLeadEnd, mm(e.leadLength), TextSide::Left);
        const std::string leadDia = diameterMm(e.leadDiameter);
        const int lx = leadX.back() + t / 2 + 1;
        const int noteX = std::max(lx + 6, x1 + 4);
        const int noteY = y1 + leadRoom / 2 - f.height();
        if (noteX + f.width(leadDia) < W) {
            leaderNote(c, f, noteX, noteY, lx, noteY + f.height() + 5, leadDia);
            right = std::max(right, noteX + f.width(leadDia));
        }
    }

    if (side) {
        // Depth not given: drawn at half the height, no figure.
        const int depth = std::max(4, bh / 2);
        const int sx0 = right + 12;
        if (sx0 + depth < W - 2) {
            c.fillRect(sx0, y0, sx0 + depth - 1, y1, Plastic);
            c.rect(sx0, y0, sx0 + depth - 1, y1, Black);
            leadDown(c, sx0 + depth / 2, y1, yLeadEnd, t, broken);
            right = sx0 + depth;
        }
    }

    if (circuit) {
        // Four diodes in a ring, lead numbers at its corners.
        const int size = std::min(W - right - 22, area - 24);
        if (size >= 24) {
            const int cx0 = W - size - 10;
            const int cy0 = (area - size) / 2;
            const int cx1 = cx0 + size;
            const int cy1 = cy0 + size;
            // 1 top-left, 2 top-right, 3 bottom-right, 4 bottom-left; 2 and 4 are the
            // output nodes the diodes point to and from.
            diode(c, cx0, cy0, cx1, cy0);
            diode(c, cx1, cy1, cx1, cy0);
            diode(c, cx0, cy1, cx1, cy1);
            diode(c, cx0, cy1, cx0, cy0);
            const Point nodes[] = {{cx0, cy0}, {cx1, cy0}, {cx1, cy1}, {cx0, cy1}};
            for (int i = 0; i < 4; ++i) {
                const Point n = nodes[i];
                c.fillEllipse(n.x - 1, n.y - 1, n.x + 1, n.y + 1, Black);
                const std::string label = std::to_string(i + 1);
                const int lx = n.x < (cx0 + cx1) / 2 ? n.x - 3 - f.width(label) : n.x + 4;
                const int ly = n.y < (cy0 + cy1) / 2 ? n.y - f.height() - 1 : n.y + 2;
                f.draw(c, lx, ly, label, Black);
            }
        }
    }
}

// ---------------------------------------------------------------------------------
// One metal-glass package in several variants side by side, each labelled.

void drawVariants(Canvas &c, const Entry &e, const PackagePlan &p, int area)
{
    const Font &f = large();
    const int W = c.width();
    const int n = static_cast<int>(p.variantLabels.size());
    const int slot = W / n;
    const int labelRoom = f.height() + 3;
    const int dimTop = 12;
    const int leadRoom = std::max(12, area / 6);
    const double s = std::min((area - labelRoom - dimTop - 2 * leadRoom) / e.bodyLength,
                              (slot * 0.42) / e.bodyDiameter);
    const int t = std::clamp(roundToInt(e.leadDiameter * s), 1, 6);
    int bw = std::max(5, roundToInt(e.bodyDiameter * s));
    if ((bw - t) % 2 != 0)
        ++bw;
    const int bl = std::max(8, roundToInt(e.bodyLength * s));
    const int y0 = labelRoom + dimTop + leadRoom;
    for (int i = 0; i < n; ++i) {
        const int slotX = i * slot;
        const int x0 = slotX + slot / 2 - bw / 2 + 4;
        const int cx = x0 + (bw - t) / 2 + (t - 1) / 2;
        const std::string &label = p.variantLabels[static_cast<std::size_t>(i)];
        f.draw(c, x0 + bw / 2 - f.width(label) / 2, 0, label, Caption);
        leadLine(c, cx, y0 - leadRoom, cx, y0, t, false, true);
        leadLine(c, cx, y0 + bl - 1, cx, y0 + bl - 1 + leadRoom, t, true, false);
        AxialBody body;
        body.length = bl;
        body.width = bw;
        body.material = Material::MetalGlass;
        body.anodeAtStart = false; // cathode, the flat metal end, at the top
        body.leadThickness = t;
        // The variants differ in how far the glass bead reaches and in a band at the cathode.
        if (i % 2 == 1)
            body.start.rings.push_back(Ring{MetalDark, false, false});
        if (i >= 2)
            body.end.rings.push_back(Ring{Glass, i == 3, false});
        placeBody(c, drawAxialBody(body), x0, y0, true);
        f.draw(c, cx + t / 2 + 3, y0 - leadRoom, "-", Black);

        // The lead runs through the middle of the diameter line, so its figure stands
        // outside, on the line carried on to the left.
        const int yd = y0 - 6;
        const std::string dia = diameterMm(e.bodyDiameter);
        const int shelf = x0 - 3 - f.width(dia);
        extensionLine(c, x0, y0 - 2, x0, yd - 2);
        extensionLine(c, x0 + bw - 1, y0 - 2, x0 + bw - 1, yd - 2);
        hDimension(c, f, x0, x0 + bw - 1, yd, std::string());
        if (shelf >= slotX) {
            c.hline(shelf, x0, yd, Dimension);
            f.draw(c, shelf, yd - 1 - f.height(), dia, Dimension);
        }
        const int dimX = x0 - 5;
        extensionLine(c, x0 - 2, y0, dimX - 2, y0);
        extensionLine(c, x0 - 2, y0 + bl - 1, dimX - 2, y0 + bl - 1);
        vDimension(c, f, dimX, y0, y0 + bl - 1, mm(e.bodyLength), TextSide::UpLeft);
    }
}

} // namespace

Canvas drawPackageFrame(const Entry &entry)
{
    const PackagePlan plan = readPlan(entry);
    Canvas canvas(entry.width, entry.height, White);
    const Font &f = large();
    const int captionRows = captionHeight(f, entry.caption, entry.width, 2);
    const int area = entry.height - captionRows - 1;
    switch (plan.kind) {
    case Kind::Axial:
        drawAxial(canvas, entry, plan, area);
        break;
    case Kind::Stud:
        drawStud(canvas, entry, plan, area);
        break;
    case Kind::Flange:
        drawFlange(canvas, entry, plan, area);
        break;
    case Kind::FlatTwoLead:
        drawRow(canvas, entry, plan, area, true);
        break;
    case Kind::Block:
    case Kind::Bridge:
        drawRow(canvas, entry, plan, area, false);
        break;
    case Kind::Variants:
        drawVariants(canvas, entry, plan, area);
        break;
    }
    if (captionRows > 0)
        drawCaption(canvas, f, entry.caption, 2);
    return canvas;
}

} // namespace drawings
