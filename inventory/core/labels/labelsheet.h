#pragma once
#include <string>
#include <vector>

namespace vosk {

// A sheet of self-adhesive labels: the page, one label's size and the grid, in millimetres.
// The grid stands in the middle of the page (the sheets sold are cut so), its labels
// `gapX` and `gapY` apart.
struct LabelSheet {
    std::string title; // as the sheet chooser lists it (code page 1251); empty for a typed one
    double pageWidth = 210, pageHeight = 297;
    double labelWidth = 70, labelHeight = 37;
    int columns = 3, rows = 8;
    double gapX = 0, gapY = 0;

    int perPage() const { return columns * rows; }
    double left() const { return (pageWidth - columns * labelWidth - (columns - 1) * gapX) / 2; }
    double top() const { return (pageHeight - rows * labelHeight - (rows - 1) * gapY) / 2; }
};

// The sheets sold most, A4 all: 70 × 37 mm 3 × 8 first.
const std::vector<LabelSheet> &commonSheets();

// Why a sheet cannot be printed (a typed one: the grid does not fit the page, a label too
// small for its code and a line of text, sizes out of bounds); empty when it can.
std::string sheetRefusal(const LabelSheet &sheet);

struct Box {
    double x = 0, y = 0, width = 0, height = 0;
    friend bool operator==(const Box &, const Box &) = default;
};

// Where one label goes: its page (from 0) and its rectangle on the page, and inside it the
// square of the QR code, one box per text line (top to bottom, beside the code), and the
// line of the code's text under them.
struct LabelPlace {
    int page = 0;
    Box label;
    Box qr;
    std::vector<Box> lines;
    Box codeLine;
};

// The places of `count` labels of `lines` text lines each, filling the grid row by row,
// page by page; the first `skip` labels of the first sheet are left alone (already used).
std::vector<LabelPlace> placeLabels(const LabelSheet &sheet, int count, int lines, int skip = 0);

// The pages that many labels take.
int sheetPages(const LabelSheet &sheet, int count, int skip = 0);

} // namespace vosk
