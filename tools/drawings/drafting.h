#pragma once
// Shared pieces of the technical drawings: dimension lines with millimetre figures,
// leads, captions, and reading the words of the description table.

#include "canvas.h"
#include "font.h"
#include "palette.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drawings {

// Millimetres as written on the drawings: decimal comma, no trailing zeros ("7,5", "25").
std::string mm(double value);
// The same behind a diameter sign.
std::string diameterMm(double value);

// Lower case of code page 1251 text, for matching the words of the table.
std::string lowerText(std::string_view text);
bool contains(std::string_view text, std::string_view word);
// The first colour named in the text, English or Russian.
std::optional<Colour> firstColour(std::string_view text);
// "one", "two", "three" ... at the start of a phrase; 1 when none is given.
int countWord(std::string_view text);

int roundToInt(double v);
// The N of "N leads" in a package description; 0 when there is none.
int leadCountIn(std::string_view lowerBody);

// Horizontal dimension between x0 and x1 on row y, figure above (or below) the line, or
// beside it when the gap is too narrow. Returns false when the figure found no room.
bool hDimension(Canvas &c, const Font &font, int x0, int x1, int y, const std::string &text,
                bool textBelow = false);
enum class TextSide { Left, Right, UpLeft, UpRight };
// Vertical dimension between y0 and y1 in column x, figure beside the line.
bool vDimension(Canvas &c, const Font &font, int x, int y0, int y1, const std::string &text,
                TextSide side);
void extensionLine(Canvas &c, int x0, int y0, int x1, int y1);
// A figure with a short leader to (tx, ty).
void leaderNote(Canvas &c, const Font &font, int x, int y, int tx, int ty, const std::string &text);

// Wire lead of thickness t between two points on one axis; `open0` and `open1` say which
// ends join something (no end line drawn there).
void leadLine(Canvas &c, int x0, int y0, int x1, int y1, int t, bool open0 = true, bool open1 = false);
// Break symbol across a lead: the wire is longer than drawn.
void leadBreak(Canvas &c, int x, int y, int t, bool horizontal);

std::vector<std::string> wrapText(const Font &font, const std::string &text, int width);
// Caption lines at the bottom of the frame; returns the rows used (0 when none fits).
int captionHeight(const Font &font, const std::string &text, int width, int maxLines);
void drawCaption(Canvas &c, const Font &font, const std::string &text, int maxLines);

} // namespace drawings
