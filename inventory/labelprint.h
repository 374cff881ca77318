// Sheets of labels drawn for a printer or a PDF file: the places and lines come from the core
// (labelsheet.h, Inventory::labelTexts); here they are painted, with each record's code as a
// QR code (libqrencode).
#pragma once
#include "inventory.h"
#include "labelsheet.h"

#include <QString>
#include <optional>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QWidget;

namespace vosk {

// What the user chose to print: the sheet, the labels already used on its first page, and
// a PDF file (empty: a printer, through the print dialog).
struct LabelJob {
    LabelSheet sheet;
    int skip = 0;
    QString pdf;
};

// A QR code's modules, row by row (true: dark).
struct QrModules {
    int size = 0;
    std::vector<bool> dark;
    bool at(int x, int y) const { return dark[static_cast<std::size_t>(y * size + x)]; }
};
// The QR code of a text; nothing when the text is too long for one.
std::optional<QrModules> qrCode(const std::string &text);

struct PaintedLabels {
    int pages = 0;
    // Labels whose code was too long for a QR code: they carry its text only.
    int withoutCode = 0;
};

// Draws the labels on a device whose page is the sheet's, origin at the paper's corner,
// page after page. The painter is begun on the device already.
PaintedLabels paintLabels(QPainter &painter, QPagedPaintDevice &device, const LabelSheet &sheet,
                          const std::vector<LabelText> &labels, int skip);

// The sheet chooser: a common sheet or a typed one, and how many labels of the first sheet
// are used already; nothing when cancelled. `count` labels are to be printed.
std::optional<LabelJob> labelDialog(QWidget *parent, int count);

} // namespace vosk
