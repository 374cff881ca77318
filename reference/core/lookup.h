#pragma once
#include "tables.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// Text measures of the window's drawing surface; the window gives its font's, tests a stub.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;
    virtual int textWidth(std::string_view cp1251) const = 0;
    // Height of "A": one line of a cell.
    virtual int lineHeight() const = 0;
    // Width of "0": the character unit of wrapping.
    int zeroWidth() const { return textWidth("0"); }
};

// Frame sizes of the two drawing sets, by frame number; nothing outside the set.
class FrameSizes {
public:
    virtual ~FrameSizes() = default;
    struct Size {
        int width = 0, height = 0;
    };
    virtual std::optional<Size> markingFrame(int frame) const = 0;
    virtual std::optional<Size> packageFrame(int frame) const = 0;
};

// The picture window as the lookup leaves it: which frames show, control sizes and places,
// the window's own size and caption.
struct PictureState {
    bool figVisible = false, picVisible = false;
    int figFrame = -1, picFrame = -1;
    int figLeft = 0, picLeft = 24;
    int figWidth = 25, figHeight = 122;
    int picWidth = 145, picHeight = 129;
    int width = 177, height = 123;
    std::string caption = "Images";
};

// One line of text drawn on the reference window at (x, y) from the top left of its text.
struct DrawnText {
    int x = 0, y = 0;
    std::string text;
    int table = 0;      // 1 to 3 for a cell of a table; 0 for a line under the tables
    int field = 0;      // the column (field number) of a cell
    bool title = false; // a column title rather than the record's field
    bool user = false;  // the user's own text (drawn in dark blue)
};

// Where a drawn field of a shown record lies, for finding the cell under the mouse.
struct CellBox {
    int table = 0, line = -1, field = 0;
    int x = 0, y = 0, width = 0, height = 0;
    bool contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

struct LookupResult {
    std::vector<DrawnText> texts;
    bool foundAny = false;
    int markingLine = -1;   // the table-1 line shown, or -1
    int paramsTable = 0;    // 2 or 3 when a parameter record is shown
    int paramsLine = -1;
    // The fields drawn of the shown records, table 1 first.
    std::vector<CellBox> cells;
    // The lines under the tables: the key to the user's colour, a type the book lacks.
    std::vector<std::string> notes;
    // The window's size after the cells grew it (never smaller than before).
    int windowWidth = 0, windowHeight = 0;
    PictureState picture;
};

// Cell wrapping: the lines of `text` for width w, breaking at a fixed count of characters
// (w over the width of "0", rounded half to even). A cell holds at most 10 lines; the
// tenth keeps whatever remains.
std::vector<std::string> wrapcell(std::string_view text, int w, const TextMeasure &measure);

// Layout of the reference window's drawing. The base lines and column starts are where cells
// go when they fit; a cell taller or wider than its place moves the rows below it down and the
// columns right of it along, so that no two texts overlap.
struct RefLayout {
    static constexpr int origin = 10;
    static constexpr int markingBase = 70;
    static constexpr int paramsBase = 150;
    static constexpr int columnGap = 2;  // least room between a cell's widest line and the next column
    static constexpr int noteGap = 4;    // room above the lines under the tables
    static constexpr int clearTop = 25; // height of the find picture + 5
    static constexpr int messageX = 15, messageY = 75;
    static constexpr int growRoom = 10;
    static constexpr int pictureExtra = 21;
};

// The lookup of a type designation, from the first matching line of table 1, then table 2,
// or table 3 when table 2 has none. The book's lines are searched before the user's own
// types, except that a user's type named exactly as the text comes before a book record
// whose key merely contains it. Rewrites the titles of table 1's third and fourth
// columns for the block the record stands in, fills `fields` with the last record split,
// and computes everything that is drawn and every size that changes.
LookupResult lookup(RefTables &tables, Fields &fields, std::string_view text, const TextMeasure &measure,
                    const FrameSizes &frames, int windowWidth, int windowHeight, PictureState picture);

// The designation occurs in the key (byte for byte); an empty text occurs in every key.
bool hastext(std::string_view key, std::string_view text);

} // namespace vosk
