#include "bodies.h"

#include "drafting.h"

#include <algorithm>

namespace drawings {

Material materialFromWords(const std::string &lowerBody)
{
    if (contains(lowerBody, "metal-glass"))
        return Material::MetalGlass;
    if (contains(lowerBody, "glass"))
        return contains(lowerBody, "orange") ? Material::AmberGlass : Material::Glass;
    return Material::Plastic;
}

namespace {

bool inMask(const Canvas &mask, int x, int y)
{
    return mask.inside(x, y) && mask.at(x, y) == 1;
}

bool interior(const Canvas &mask, int x, int y)
{
    return inMask(mask, x, y) && inMask(mask, x - 1, y) && inMask(mask, x + 1, y)
           && inMask(mask, x, y - 1) && inMask(mask, x, y + 1);
}

// Sizes across the body share its parity, so that they sit exactly on the axis.
int centredSize(int across, int size)
{
    if ((across - size) % 2 != 0)
        size = size + 1 <= across ? size + 1 : size - 1;
    return std::max(1, size);
}

int capDepth(const AxialBody &b)
{
    if (b.material != Material::Glass && b.material != Material::AmberGlass)
        return 0;
    return std::max(1, std::min(b.length / 6, b.width / 4));
}

} // namespace

int ringOffset(const AxialBody &body)
{
    return capDepth(body) + std::max(1, body.length / 14);
}

int ringWidth(const AxialBody &body, bool wide)
{
    const int narrow = std::max(2, roundToInt(body.length * 0.09));
    return wide ? std::max(narrow + 2, roundToInt(body.length * 0.2)) : narrow;
}

BodyPicture drawAxialBody(const AxialBody &b)
{
    const int L = b.length;
    const int W = b.width;
    BodyPicture pic{Canvas(L, W, White), Canvas(L, W, 0)};
    Canvas &px = pic.pixels;
    Canvas &mask = pic.mask;
    const int anodeU = b.anodeAtStart ? 0 : L - 1;
    const int cathodeU = b.anodeAtStart ? L - 1 : 0;
    const int towardCathode = b.anodeAtStart ? 1 : -1;
    const int mid = (W - 1) / 2;

    switch (b.material) {
    case Material::Glass:
    case Material::AmberGlass: {
        const int cap = capDepth(b);
        const auto glass = b.material == Material::Glass ? Glass : AmberGlass;
        for (Canvas *c : {&px, &mask}) {
            const std::uint8_t v = c == &mask ? 1 : glass;
            c->fillRect(cap, 0, L - 1 - cap, W - 1, v);
            c->fillEllipse(0, 0, 2 * cap, W - 1, v);
            c->fillEllipse(L - 1 - 2 * cap, 0, L - 1, W - 1, v);
        }
        // Through the glass: the lead slugs, the die on the cathode slug and, in a
        // point-contact diode, the whisker reaching over to it.
        const int slug = std::max(1, L * 3 / 10);
        const int slugW = centredSize(W, std::max(b.leadThickness, W * 2 / 5));
        const int v0 = (W - slugW) / 2;
        const int v1 = v0 + slugW - 1;
        for (int u = 0; u < slug; ++u) {
            px.vline(anodeU + towardCathode * u, v0, v1, Metal);
            px.vline(cathodeU - towardCathode * u, v0, v1, Metal);
        }
        const int die = centredSize(W, std::max(1, std::min(W / 3, L / 6)));
        const int dieU = cathodeU - towardCathode * slug;
        for (int k = 0; k < die; ++k)
            px.vline(dieU - towardCathode * k, (W - die) / 2, (W - die) / 2 + die - 1, Plastic);
        if (b.pointContact) {
            const int fromU = anodeU + towardCathode * slug;
            const int toU = dieU - towardCathode * die;
            const int amp = std::max(1, W / 6);
            int prevU = fromU;
            int prevV = mid;
            const int steps = std::max(2, std::abs(toU - fromU) / 2);
            for (int k = 1; k <= steps; ++k) {
                const int u = fromU + (toU - fromU) * k / steps;
                const int v = k == steps ? mid : (k % 2 ? mid - amp : mid + amp);
                px.line(prevU, prevV, u, v, MetalDark);
                prevU = u;
                prevV = v;
            }
        }
        break;
    }
    case Material::Plastic: {
        px.fillRect(0, 0, L - 1, W - 1, Plastic);
        mask.fillRect(0, 0, L - 1, W - 1, 1);
        for (int x : {0, L - 1})
            for (int y : {0, W - 1}) {
                px.set(x, y, White);
                mask.set(x, y, 0);
            }
        break;
    }
    case Material::MetalGlass: {
        // A metal can, flat at the cathode end with a rim there; the anode lead leaves
        // through a glass bead.
        const int bead = std::max(2, roundToInt(L * 0.22));
        const int beadW = centredSize(W, std::max(b.leadThickness + 2, W * 11 / 20));
        const int rim = std::max(1, L / 12);
        const int inset = W >= 7 ? 1 : 0;
        for (int k = 0; k < L; ++k) {
            const int u = anodeU + towardCathode * k;
            int v0 = inset;
            int v1 = W - 1 - inset;
            std::uint8_t colour = Metal;
            if (k < bead) {
                v0 = (W - beadW) / 2;
                v1 = v0 + beadW - 1;
                colour = Glass;
            } else if (k >= L - rim) {
                v0 = 0;
                v1 = W - 1;
                colour = MetalLight;
            }
            px.vline(u, v0, v1, colour);
            mask.vline(u, v0, v1, 1);
        }
        break;
    }
    }

    // Marks, from each end inward. Edges of white or colourless marks must show on
    // dark mouldings as well as on glass and metal.
    const std::uint8_t edge = b.material == Material::Plastic ? MetalLight : Black;
    auto paintMarks = [&](const EndMarks &marks, bool atStart) {
        const int endU = atStart ? 0 : L - 1;
        const int dir = atStart ? 1 : -1;
        int pos = ringOffset(b);
        for (const Ring &ring : marks.rings) {
            const int w = ringWidth(b, ring.wide);
            const bool edged = ring.outlineOnly || ring.colour == MarkWhite;
            for (int k = 0; k < w; ++k) {
                const int u = endU + dir * (pos + k);
                for (int v = 0; v < W; ++v)
                    if (interior(mask, u, v) && !ring.outlineOnly)
                        px.set(u, v, ring.colour);
            }
            if (edged) {
                for (int u : {endU + dir * (pos - 1), endU + dir * (pos + w)})
                    for (int v = 0; v < W; ++v)
                        if (inMask(mask, u, v))
                            px.set(u, v, edge);
            }
            pos += w + 1;
        }
        if (marks.sideDot) {
            const int d = centredSize(W, std::max(3, std::min(W - 2, roundToInt(L * 0.22))));
            const int u0 = endU + dir * pos;
            const int u1 = u0 + dir * (d - 1);
            const int v0 = (W - d) / 2;
            if (!marks.sideDot->outlineOnly)
                px.fillEllipse(u0, v0, u1, v0 + d - 1, marks.sideDot->colour);
            px.ellipse(u0, v0, u1, v0 + d - 1, edge);
        }
    };
    paintMarks(b.start, true);
    paintMarks(b.end, false);
    if (b.middleDot) {
        const int d = centredSize(W, std::max(3, std::min(W - 2, roundToInt(L * 0.22))));
        const int u0 = (L - d) / 2;
        const int v0 = (W - d) / 2;
        px.fillEllipse(u0, v0, u0 + d - 1, v0 + d - 1, b.middleDot->colour);
        px.ellipse(u0, v0, u0 + d - 1, v0 + d - 1, edge);
    }

    for (int u = 0; u < L; ++u)
        for (int v = 0; v < W; ++v)
            if (inMask(mask, u, v) && !interior(mask, u, v))
                px.set(u, v, Black);
    return pic;
}

void placeBody(Canvas &frame, const BodyPicture &body, int x, int y, bool upright)
{
    for (int u = 0; u < body.pixels.width(); ++u)
        for (int v = 0; v < body.pixels.height(); ++v) {
            if (body.mask.at(u, v) != 1)
                continue;
            if (upright)
                frame.set(x + v, y + u, body.pixels.at(u, v));
            else
                frame.set(x + u, y + v, body.pixels.at(u, v));
        }
}

} // namespace drawings
