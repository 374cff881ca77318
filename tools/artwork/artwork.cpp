// Draws every picture the program carries and the category icons of the bundled
// installation folder. Usage: vosk_artwork <images folder> <icon folder>
// Run on the offscreen platform (QT_QPA_PLATFORM=offscreen); the output depends only on
// this code, the Qt version and the DejaVu fonts, so a rerun gives the same files.
#include "bmpwriter.h"
#include "jpegwriter.h"

#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

QString sansFamily;
QString sansBoldFamily;

void loadFonts()
{
    // Loaded from the files, not looked up by name, so that no other font can stand in.
    const int regular = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
    const int bold = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"));
    if (regular < 0 || bold < 0) {
        std::fprintf(stderr, "DejaVu Sans not found (package fonts-dejavu-core)\n");
        std::exit(1);
    }
    sansFamily = QFontDatabase::applicationFontFamilies(regular).value(0);
    sansBoldFamily = QFontDatabase::applicationFontFamilies(bold).value(0);
}

QFont sans(int pixelSize, bool bold = false)
{
    QFont f(bold ? sansBoldFamily : sansFamily);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// ---------------------------------------------------------------------------------
// Category icons: 16 x 16 pixel drawings on a key colour. The program takes the colour
// of the bottom-right pixel as transparent, so that pixel is always left as background
// and the key colour is used nowhere else. No antialiasing: a blended edge would leave a
// magenta fringe once the key colour is cut away.

const QColor keyColour(255, 0, 255);

class Pixels {
public:
    Pixels() : img(16, 16, QImage::Format_RGB32) { img.fill(keyColour); }
    void set(int x, int y, QColor c)
    {
        if (x >= 0 && x < 16 && y >= 0 && y < 16)
            img.setPixelColor(x, y, c);
    }
    void hline(int x0, int x1, int y, QColor c)
    {
        for (int x = x0; x <= x1; ++x)
            set(x, y, c);
    }
    void vline(int x, int y0, int y1, QColor c)
    {
        for (int y = y0; y <= y1; ++y)
            set(x, y, c);
    }
    void fill(int x0, int y0, int x1, int y1, QColor c)
    {
        for (int y = y0; y <= y1; ++y)
            hline(x0, x1, y, c);
    }
    // Outline with the four corner pixels left out, which reads as a rounded body.
    void box(int x0, int y0, int x1, int y1, QColor edge, QColor inside)
    {
        fill(x0 + 1, y0 + 1, x1 - 1, y1 - 1, inside);
        hline(x0 + 1, x1 - 1, y0, edge);
        hline(x0 + 1, x1 - 1, y1, edge);
        vline(x0, y0 + 1, y1 - 1, edge);
        vline(x1, y0 + 1, y1 - 1, edge);
    }
    void line(int x0, int y0, int x1, int y1, QColor c)
    {
        // Bresenham, so that diagonals stay one pixel wide and unblended
        const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
        const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            set(x0, y0, c);
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
    void disc(double cx, double cy, double r, QColor c)
    {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const double ex = x + 0.5 - cx, ey = y + 0.5 - cy;
                if (ex * ex + ey * ey <= r * r)
                    set(x, y, c);
            }
    }
    void ring(double cx, double cy, double r, QColor c)
    {
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const double ex = x + 0.5 - cx, ey = y + 0.5 - cy;
                const double d = std::sqrt(ex * ex + ey * ey);
                if (d <= r && d > r - 1.0)
                    set(x, y, c);
            }
    }
    QImage img;
};

const QColor black(0, 0, 0);
const QColor lead(140, 140, 140);
const QColor beige(232, 204, 150);
const QColor beigeEdge(120, 90, 50);
const QColor bandYellow(250, 215, 0);
const QColor bandViolet(140, 60, 200);
const QColor bandRed(210, 20, 20);
const QColor bandGold(190, 150, 40);

QImage iconAllParts()
{
    // a parts cabinet: two columns of three drawers
    Pixels p;
    const QColor wood(200, 150, 90), woodEdge(110, 70, 30), drawer(230, 195, 140);
    p.fill(1, 1, 14, 14, wood);
    p.hline(1, 14, 1, woodEdge);
    p.hline(1, 14, 14, woodEdge);
    p.vline(1, 1, 14, woodEdge);
    p.vline(14, 1, 14, woodEdge);
    for (int col = 0; col < 2; ++col)
        for (int row = 0; row < 3; ++row) {
            const int x0 = 3 + col * 6, y0 = 3 + row * 4;
            p.fill(x0, y0, x0 + 4, y0 + 2, drawer);
            p.hline(x0, x0 + 4, y0 + 2, woodEdge);
            p.hline(x0 + 1, x0 + 3, y0 + 1, black); // the handle
        }
    return p.img;
}

// A resistor with colour bands (4,7 kilohm: yellow, violet, red, gold); the three power
// classes differ in body size.
QImage iconResistor(int x0, int y0, int x1, int y1)
{
    Pixels p;
    const int mid = (y0 + y1 + 1) / 2;
    p.hline(0, 15, mid, lead);
    p.box(x0, y0, x1, y1, beigeEdge, beige);
    const int inner = x1 - x0 - 1;
    const QColor bands[] = {bandYellow, bandViolet, bandRed};
    if (inner <= 4) { // too small for gaps: three bands side by side
        for (int i = 0; i < 3; ++i)
            p.vline(x0 + 1 + i, y0 + 1, y1 - 1, bands[i]);
        return p.img;
    }
    const int first = inner <= 8 ? x0 + 2 : x0 + 3;
    for (int i = 0; i < 3; ++i)
        p.vline(first + 2 * i, y0, y1, bands[i]);
    p.vline(inner <= 8 ? x1 - 1 : x1 - 2, y0 + 1, y1 - 1, bandGold);
    return p.img;
}

QImage iconCeramic()
{
    Pixels p;
    const QColor body(235, 125, 40), edge(140, 60, 10);
    p.vline(6, 10, 15, lead);
    p.vline(9, 10, 14, lead);
    p.disc(8, 6.5, 5.8, edge);
    p.disc(8, 6.5, 4.8, body);
    p.hline(6, 9, 6, edge); // the printed value
    p.set(6, 4, QColor(255, 190, 120));
    return p.img;
}

QImage iconFilm()
{
    Pixels p;
    const QColor body(70, 150, 80), edge(20, 80, 30), print(230, 240, 230);
    p.vline(4, 11, 15, lead);
    p.vline(11, 11, 14, lead);
    p.box(1, 2, 14, 11, edge, body);
    p.hline(3, 10, 5, print);
    p.hline(3, 7, 8, print);
    return p.img;
}

QImage iconElectrolytic()
{
    Pixels p;
    const QColor body(40, 70, 170), edge(10, 30, 90), stripe(190, 205, 235), top(200, 200, 210);
    p.vline(6, 13, 15, lead);
    p.vline(9, 13, 14, lead);
    p.box(3, 0, 12, 13, edge, body);
    p.hline(4, 11, 1, top);
    p.vline(10, 2, 12, stripe);
    p.set(10, 4, body); // the minus marks on the stripe
    p.set(10, 8, body);
    p.vline(4, 2, 12, QColor(80, 110, 210));
    return p.img;
}

QImage iconTrimmer()
{
    Pixels p;
    const QColor plate(30, 30, 30), arrow(200, 0, 0);
    p.vline(8, 0, 4, plate);
    p.vline(8, 11, 15, plate);
    p.fill(3, 5, 12, 6, plate);
    p.fill(3, 9, 12, 10, plate);
    p.line(2, 13, 13, 2, arrow);
    p.line(11, 0, 15, 4, arrow); // the T of a trimmer
    return p.img;
}

QImage iconDiode(bool zener)
{
    Pixels p;
    const QColor c = zener ? QColor(0, 0, 170) : black;
    p.hline(0, 15, 8, black);
    for (int i = 0; i <= 5; ++i)
        p.vline(4 + i, 3 + i, 13 - i, c);
    p.vline(10, 3, 13, black);
    p.vline(11, 3, 13, black);
    if (zener) {
        p.hline(8, 9, 3, black);
        p.hline(12, 13, 13, black);
    }
    return p.img;
}

QImage iconLed()
{
    Pixels p;
    const QColor red(230, 30, 30), dark(140, 0, 0), shine(255, 170, 170);
    p.vline(6, 11, 15, lead);
    p.vline(9, 11, 14, lead);
    p.disc(8, 4.5, 4.2, dark);
    p.disc(8, 4.5, 3.2, red);
    p.fill(4, 5, 11, 9, red);
    p.vline(3, 5, 9, dark);
    p.vline(12, 5, 9, dark);
    p.hline(2, 13, 10, dark);
    p.set(6, 3, shine);
    p.set(6, 4, shine);
    return p.img;
}

// Round transistor outline: a solid edge disc under a slightly smaller body disc.
void transistorCase(Pixels &p, QColor body)
{
    p.disc(8.5, 8, 7.0, black);
    p.disc(8.5, 8, 6.0, body);
}

QImage iconBipolar()
{
    Pixels p;
    transistorCase(p, QColor(255, 250, 215));
    p.hline(0, 5, 8, black); // base
    p.vline(5, 4, 12, black);
    p.vline(6, 4, 12, black);
    p.line(7, 6, 10, 3, black); // collector
    p.vline(10, 0, 3, black);
    p.line(7, 10, 10, 13, black); // emitter, arrow outwards: npn
    p.vline(10, 13, 15, black);
    p.hline(8, 9, 13, black);
    p.set(10, 12, black);
    p.set(10, 11, black);
    return p.img;
}

QImage iconFieldEffect()
{
    Pixels p;
    transistorCase(p, QColor(225, 240, 255));
    p.hline(0, 4, 11, black); // gate
    p.vline(4, 5, 11, black);
    p.vline(6, 4, 12, black); // channel
    p.hline(7, 10, 5, black); // drain
    p.vline(10, 0, 5, black);
    p.hline(7, 10, 11, black); // source
    p.vline(10, 11, 15, black);
    p.set(2, 10, black); // arrow on the gate line, pointing in: n channel
    p.set(2, 12, black);
    p.set(3, 10, black);
    p.set(3, 12, black);
    return p.img;
}

QImage iconDigitalChip()
{
    Pixels p;
    const QColor body(45, 45, 50), pin(200, 200, 205), notch(110, 110, 115), print(220, 220, 220);
    for (int x = 2; x <= 13; x += 2) {
        p.vline(x, 2, 3, pin);
        p.vline(x, 12, 13, pin);
    }
    p.fill(1, 4, 14, 11, body);
    p.set(1, 7, notch);
    p.set(1, 8, notch);
    p.set(2, 7, notch);
    p.set(2, 8, notch);
    p.set(3, 10, print); // pin 1 dot
    p.hline(5, 12, 6, print);
    p.hline(5, 10, 8, print);
    return p.img;
}

QImage iconAnalogChip()
{
    // an operational amplifier
    Pixels p;
    const QColor body(255, 245, 190);
    for (int x = 3; x <= 13; ++x) {
        const int half = (14 - x) * 6 / 11;
        p.vline(x, 8 - half, 8 + half, body);
        p.set(x, 8 - half, black);
        p.set(x, 8 + half, black);
    }
    p.vline(3, 2, 14, black);
    p.set(14, 8, black);
    p.hline(0, 2, 5, black);
    p.hline(0, 2, 11, black);
    p.hline(14, 15, 8, black);
    p.hline(4, 6, 5, black); // minus
    p.hline(4, 6, 11, black); // plus
    p.vline(5, 10, 12, black);
    return p.img;
}

QImage iconMiscellany()
{
    // a quartz resonator in its metal can
    Pixels p;
    const QColor metal(205, 205, 215), edge(95, 95, 110), shine(245, 245, 250);
    p.vline(5, 12, 15, lead);
    p.vline(10, 12, 14, lead);
    p.box(2, 1, 13, 12, edge, metal);
    p.vline(4, 3, 10, shine);
    p.hline(6, 11, 5, edge);
    p.hline(6, 9, 8, edge);
    return p.img;
}

std::vector<QImage> categoryIcons()
{
    return {
        iconAllParts(),              // 0 Все компоненты
        iconResistor(5, 6, 10, 10),  // 1 Резисторы 0,125 Вт
        iconResistor(3, 5, 12, 11),  // 2 Резисторы 0,25 Вт
        iconResistor(1, 3, 14, 13),  // 3 Резисторы 0,5-2 Вт
        iconCeramic(),               // 4 керамические
        iconFilm(),                  // 5 пленочные
        iconElectrolytic(),          // 6 электролитические
        iconTrimmer(),               // 7 подстроечные
        iconDiode(false),            // 8 Диоды
        iconDiode(true),             // 9 Стабилитроны
        iconLed(),                   // 10 Светодиоды
        iconBipolar(),               // 11 Транзисторы биполярные
        iconFieldEffect(),           // 12 Транзисторы полевые
        iconDigitalChip(),           // 13 Микросхемы цифровые
        iconAnalogChip(),            // 14 Микросхемы аналоговые
        iconMiscellany(),            // 15 Прочее
    };
}

// ---------------------------------------------------------------------------------
// Parts drawn with antialiasing for the splash and the program icon.

void drawResistor(QPainter &g, QRectF body, const std::vector<QColor> &bands, double leadWidth,
                  double leadLeft, double leadRight)
{
    const double cy = body.center().y();
    g.setPen(QPen(QColor(170, 170, 175), leadWidth, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(QPointF(leadLeft, cy), QPointF(leadRight, cy));
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0, QColor(245, 225, 180));
    shade.setColorAt(0.45, QColor(225, 195, 140));
    shade.setColorAt(1, QColor(160, 125, 75));
    g.setPen(QPen(QColor(110, 80, 40), body.height() / 20));
    g.setBrush(shade);
    g.drawRoundedRect(body, body.height() * 0.35, body.height() * 0.35);
    const double bw = body.width() / 12;
    for (size_t i = 0; i < bands.size(); ++i) {
        const double x = i + 1 == bands.size() ? body.right() - bw * 2.6
                                               : body.left() + bw * (2.0 + 1.9 * double(i));
        g.setPen(Qt::NoPen);
        g.setBrush(bands[i]);
        g.drawRect(QRectF(x, body.top() + body.height() * 0.04, bw, body.height() * 0.92));
    }
    // a highlight along the top keeps the body round
    g.setBrush(QColor(255, 255, 255, 60));
    g.drawRoundedRect(QRectF(body.left() + bw, body.top() + body.height() * 0.12,
                             body.width() - 2 * bw, body.height() * 0.16),
                      body.height() * 0.08, body.height() * 0.08);
}

void drawElectrolytic(QPainter &g, QRectF body)
{
    g.setPen(QPen(QColor(170, 170, 175), 2.2, Qt::SolidLine, Qt::RoundCap));
    const double l1 = body.left() + body.width() * 0.32, l2 = body.left() + body.width() * 0.68;
    g.drawLine(QPointF(l1, body.bottom()), QPointF(l1, body.bottom() + 20));
    g.drawLine(QPointF(l2, body.bottom()), QPointF(l2, body.bottom() + 15));
    QLinearGradient shade(body.topLeft(), body.topRight());
    shade.setColorAt(0, QColor(20, 40, 110));
    shade.setColorAt(0.35, QColor(70, 110, 210));
    shade.setColorAt(1, QColor(15, 30, 90));
    g.setPen(QPen(QColor(10, 20, 60), 1));
    g.setBrush(shade);
    g.drawRoundedRect(body, 5, 5);
    // the minus stripe
    const QRectF stripe(body.right() - body.width() * 0.3, body.top() + 1, body.width() * 0.18,
                        body.height() - 2);
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(190, 205, 235));
    g.drawRect(stripe);
    g.setBrush(QColor(40, 70, 160));
    for (int i = 0; i < 3; ++i)
        g.drawRect(QRectF(stripe.left() + stripe.width() * 0.25,
                          stripe.top() + stripe.height() * (0.2 + 0.28 * i), stripe.width() * 0.5,
                          2.2));
    // the pressed groove and the top disc
    g.setBrush(QColor(0, 0, 0, 60));
    g.drawRect(QRectF(body.left(), body.top() + body.height() * 0.12, body.width(), 2));
    g.setBrush(QColor(205, 205, 215));
    g.drawEllipse(QRectF(body.left() + 2, body.top() - 3, body.width() - 4, 7));
}

void drawDiode(QPainter &g, QRectF body)
{
    const double cy = body.center().y();
    g.setPen(QPen(QColor(170, 170, 175), 2.2, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(QPointF(body.left() - 30, cy), QPointF(body.right() + 30, cy));
    QLinearGradient shade(body.topLeft(), body.bottomLeft());
    shade.setColorAt(0, QColor(90, 90, 95));
    shade.setColorAt(0.4, QColor(35, 35, 40));
    shade.setColorAt(1, QColor(10, 10, 12));
    g.setPen(Qt::NoPen);
    g.setBrush(shade);
    g.drawRoundedRect(body, body.height() / 2.5, body.height() / 2.5);
    g.setBrush(QColor(215, 215, 220)); // the cathode band
    g.drawRect(QRectF(body.right() - body.width() * 0.22, body.top() + 0.5, body.width() * 0.1,
                      body.height() - 1));
}

void drawTransistor(QPainter &g, QPointF topCentre, double w)
{
    // a TO-92 package seen from the flat side, three legs
    const double h = w * 0.9;
    g.setPen(QPen(QColor(170, 170, 175), 2.0, Qt::SolidLine, Qt::FlatCap));
    for (int i = -1; i <= 1; ++i) {
        const double x = topCentre.x() + i * w * 0.3;
        g.drawLine(QPointF(x, topCentre.y() + h - 2), QPointF(x, topCentre.y() + h + 24));
    }
    QPainterPath body;
    body.moveTo(topCentre.x() - w / 2, topCentre.y() + h);
    body.lineTo(topCentre.x() - w / 2, topCentre.y() + w / 2);
    body.arcTo(QRectF(topCentre.x() - w / 2, topCentre.y(), w, w), 180, -180);
    body.lineTo(topCentre.x() + w / 2, topCentre.y() + h);
    body.closeSubpath();
    QLinearGradient shade(QPointF(topCentre.x() - w / 2, 0), QPointF(topCentre.x() + w / 2, 0));
    shade.setColorAt(0, QColor(20, 20, 22));
    shade.setColorAt(0.4, QColor(75, 75, 80));
    shade.setColorAt(1, QColor(15, 15, 18));
    g.setPen(Qt::NoPen);
    g.setBrush(shade);
    g.drawPath(body);
    g.setPen(QColor(200, 200, 200));
    g.setFont(sans(9, true));
    g.drawText(QRectF(topCentre.x() - w / 2, topCentre.y() + w * 0.35, w, w * 0.3),
               Qt::AlignCenter, QStringLiteral("КТ"));
    g.setFont(sans(8));
    g.drawText(QRectF(topCentre.x() - w / 2, topCentre.y() + w * 0.6, w, w * 0.25),
               Qt::AlignCenter, QStringLiteral("315"));
}

void drawCeramic(QPainter &g, QPointF centre, double r)
{
    g.setPen(QPen(QColor(170, 170, 175), 2.0, Qt::SolidLine, Qt::RoundCap));
    g.drawLine(QPointF(centre.x() - r * 0.4, centre.y()), QPointF(centre.x() - r * 0.4, centre.y() + r + 20));
    g.drawLine(QPointF(centre.x() + r * 0.4, centre.y()), QPointF(centre.x() + r * 0.4, centre.y() + r + 15));
    QRadialGradient shade(centre - QPointF(r * 0.3, r * 0.3), r * 1.3);
    shade.setColorAt(0, QColor(250, 170, 90));
    shade.setColorAt(1, QColor(180, 80, 20));
    g.setPen(QPen(QColor(120, 50, 10), 1));
    g.setBrush(shade);
    g.drawEllipse(centre, r, r * 0.95);
    g.setPen(QColor(70, 30, 0));
    g.setFont(sans(10, true));
    g.drawText(QRectF(centre.x() - r, centre.y() - r / 2, 2 * r, r), Qt::AlignCenter,
               QStringLiteral("104"));
}

QImage splash()
{
    QImage img(306, 265, QImage::Format_RGB32);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    g.setRenderHint(QPainter::TextAntialiasing);

    // a circuit board
    QLinearGradient board(0, 0, 0, 265);
    board.setColorAt(0, QColor(16, 78, 52));
    board.setColorAt(1, QColor(6, 40, 28));
    g.fillRect(img.rect(), board);
    g.setPen(QPen(QColor(40, 120, 80), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    g.setBrush(Qt::NoBrush);
    const QPolygonF traces[] = {
        QPolygonF({QPointF(0, 96), QPointF(40, 96), QPointF(56, 112), QPointF(130, 112)}),
        QPolygonF({QPointF(306, 104), QPointF(250, 104), QPointF(236, 118), QPointF(180, 118)}),
        QPolygonF({QPointF(20, 265), QPointF(20, 236), QPointF(60, 236)}),
        QPolygonF({QPointF(306, 230), QPointF(262, 230), QPointF(250, 242), QPointF(250, 265)}),
        QPolygonF({QPointF(150, 0), QPointF(150, 10), QPointF(170, 26), QPointF(306, 26)}),
        QPolygonF({QPointF(0, 20), QPointF(30, 20), QPointF(44, 6), QPointF(100, 6)}),
    };
    for (const QPolygonF &t : traces)
        g.drawPolyline(t);
    g.setPen(QPen(QColor(190, 150, 70), 2));
    g.setBrush(QColor(25, 95, 62));
    for (QPointF pad : {QPointF(130, 112), QPointF(180, 118), QPointF(60, 236), QPointF(100, 6)})
        g.drawEllipse(pad, 5, 5);

    // the name
    g.setFont(sans(44, true));
    g.setPen(QColor(0, 0, 0, 110));
    g.drawText(QRectF(2, 30, 306, 56), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Voskbase"));
    g.setPen(QColor(245, 245, 235));
    g.drawText(QRectF(0, 28, 306, 56), Qt::AlignHCenter | Qt::AlignVCenter,
               QStringLiteral("Voskbase"));
    g.setFont(sans(12));
    g.setPen(QColor(215, 235, 220));
    g.drawText(QRectF(0, 82, 306, 18), Qt::AlignHCenter, QStringLiteral("версия 2.0"));

    // the parts
    drawResistor(g, QRectF(92, 140, 122, 30), {bandYellow, bandViolet, bandRed, bandGold}, 3, 40,
                 266);
    drawElectrolytic(g, QRectF(30, 176, 36, 40));
    drawCeramic(g, QPointF(106, 192), 16);
    drawDiode(g, QRectF(160, 190, 50, 16));
    drawTransistor(g, QPointF(258, 172), 36);

    g.setFont(sans(11));
    g.setPen(QColor(200, 225, 210));
    g.drawText(QRectF(0, 243, 306, 18), Qt::AlignHCenter,
               QStringLiteral("учет радиодеталей и справочник"));
    g.end();
    return img;
}

// The program icon: a resistor on a blue tile, drawn on a 128-unit grid and scaled.
QImage programIcon(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    g.scale(size / 128.0, size / 128.0);
    QLinearGradient tile(0, 0, 0, 128);
    tile.setColorAt(0, QColor(60, 130, 215));
    tile.setColorAt(1, QColor(20, 60, 140));
    g.setPen(QPen(QColor(10, 35, 90), 3));
    g.setBrush(tile);
    g.drawRoundedRect(QRectF(4, 4, 120, 120), 24, 24);
    drawResistor(g, QRectF(26, 44, 76, 40), {bandYellow, bandViolet, bandRed, bandGold}, 9, 4,
                 124);
    g.end();
    return img;
}

QImage findButton()
{
    // a raised push button as the old window style draws it: light top and left edges,
    // dark bottom and right edges, two pixels each
    QImage img(50, 20, QImage::Format_RGB32);
    img.fill(QColor(212, 208, 200));
    QPainter g(&img);
    const int r = 49, b = 19;
    g.setPen(QColor(255, 255, 255));
    g.drawLine(0, 0, r - 1, 0);
    g.drawLine(0, 0, 0, b - 1);
    g.setPen(QColor(0, 0, 0));
    g.drawLine(0, b, r, b);
    g.drawLine(r, 0, r, b);
    g.setPen(QColor(232, 230, 226));
    g.drawLine(1, 1, r - 2, 1);
    g.drawLine(1, 1, 1, b - 2);
    g.setPen(QColor(128, 128, 128));
    g.drawLine(1, b - 1, r - 1, b - 1);
    g.drawLine(r - 1, 1, r - 1, b - 1);
    g.setRenderHint(QPainter::TextAntialiasing);
    g.setFont(sans(11));
    g.setPen(QColor(0, 0, 0));
    g.drawText(QRect(2, 1, 46, 17), Qt::AlignCenter, QStringLiteral("Найти"));
    g.end();
    return img;
}

QImage statusDot(QColor fill, QColor edge)
{
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    QRadialGradient shade(QPointF(6, 6), 8);
    shade.setColorAt(0, fill.lighter(150));
    shade.setColorAt(1, fill);
    g.setPen(QPen(edge, 1));
    g.setBrush(shade);
    g.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    g.end();
    return img;
}

QImage statusRing()
{
    QImage img(16, 16, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter g(&img);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(0, 0, 0), 1.6));
    g.setBrush(Qt::NoBrush);
    g.drawEllipse(QPointF(8, 8), 6, 6);
    g.end();
    return img;
}

QImage helpBook()
{
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    auto px = [&](int x0, int y0, int x1, int y1, QColor c) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                img.setPixelColor(x, y, c);
    };
    const QColor cover(40, 80, 175), spine(20, 45, 115), pages(250, 250, 240), edge(10, 25, 70);
    px(3, 1, 13, 14, edge);
    px(4, 2, 12, 13, cover);
    px(3, 1, 5, 14, spine);
    px(13, 3, 13, 14, pages); // the page edges show at the open side
    px(6, 14, 13, 14, pages);
    px(7, 4, 11, 5, QColor(230, 200, 80)); // a label on the cover
    return img;
}

QImage helpPage()
{
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    const QColor paper(255, 255, 255), edge(100, 100, 110), fold(210, 210, 220);
    for (int y = 1; y <= 14; ++y)
        for (int x = 3; x <= 12; ++x)
            img.setPixelColor(x, y, paper);
    for (int y = 1; y <= 14; ++y) {
        img.setPixelColor(3, y, edge);
        img.setPixelColor(12, y, y >= 5 ? edge : Qt::transparent);
    }
    for (int x = 3; x <= 12; ++x) {
        img.setPixelColor(x, 14, edge);
        img.setPixelColor(x, 1, x <= 8 ? edge : Qt::transparent);
    }
    // the folded top-right corner
    for (int i = 0; i <= 3; ++i) {
        for (int x = 9 + i; x <= 12; ++x)
            img.setPixelColor(x, 1 + i, Qt::transparent);
        img.setPixelColor(9 + i, 1 + i, edge);
    }
    for (int y = 2; y <= 4; ++y)
        for (int x = 9; x < 9 + (y - 1); ++x)
            img.setPixelColor(x, y, fold);
    img.setPixelColor(9, 1, edge);
    for (int y = 1; y <= 4; ++y)
        img.setPixelColor(9, y, edge);
    for (int x = 9; x <= 12; ++x)
        img.setPixelColor(x, 5, edge);
    return img;
}

bool save(const QImage &img, const QString &path)
{
    const bool ok = img.save(path, "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", qPrintable(path));
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: vosk_artwork <images folder> <icon folder>\n");
        return 2;
    }
    loadFonts();
    const QDir images(QString::fromLocal8Bit(argv[1]));
    const QDir icons(QString::fromLocal8Bit(argv[2]));
    if (!images.mkpath(".") || !icons.mkpath(".")) {
        std::fprintf(stderr, "cannot create the output folders\n");
        return 1;
    }

    bool ok = true;
    const QString splashPath = images.filePath("splash.jpg");
    const bool jpegOk = writeBaselineJpeg(splash(), splashPath, 90);
    std::printf("%s %s\n", jpegOk ? "wrote" : "FAILED", qPrintable(splashPath));
    ok &= jpegOk;
    ok &= save(programIcon(32), images.filePath("voskbase.png"));
    ok &= save(programIcon(64), images.filePath("voskbase-64.png"));
    ok &= save(programIcon(128), images.filePath("voskbase-128.png"));
    ok &= save(findButton(), images.filePath("findbutton.png"));
    ok &= save(statusDot(QColor(0, 175, 0), QColor(0, 90, 0)), images.filePath("status-green.png"));
    ok &= save(statusDot(QColor(240, 200, 0), QColor(140, 110, 0)),
               images.filePath("status-yellow.png"));
    ok &= save(statusDot(QColor(220, 0, 0), QColor(120, 0, 0)), images.filePath("status-red.png"));
    ok &= save(statusRing(), images.filePath("status-ring.png"));
    ok &= save(helpBook(), images.filePath("help-book.png"));
    ok &= save(helpPage(), images.filePath("help-page.png"));

    const std::vector<QImage> set = categoryIcons();
    for (size_t n = 0; n < set.size(); ++n) {
        const QString path = icons.filePath(QString::asprintf("%02d.bmp", int(n)));
        const bool written = writeBmp24(set[n], path);
        std::printf("%s %s\n", written ? "wrote" : "FAILED", qPrintable(path));
        ok &= written;
    }
    return ok ? 0 : 1;
}
