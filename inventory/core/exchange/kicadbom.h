#pragma once
#include "bin.h"
#include "compstore.h"
#include "dictionary.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// One group of a bill of materials and the bin row made of it.
// A bill of materials is read only up to these: a board has at most a few thousand parts.
constexpr size_t kBomRows = 20000;   // lines of the file
constexpr size_t kBomColumns = 64;   // fields of a line looked at
constexpr size_t kBomFields = 500000; // separators of one kind in the whole file
constexpr size_t kBomParts = 100000; // references of a row counted

// One part a board needs, from one row of the file or from several rows of the same part.
struct BomLine {
    int64_t line = 0;        // line of the file the part first stands on
    int rowsMerged = 0;      // further rows of the file added to this one
    std::string references;  // «R1, R2, R5», «R1–R7, R12» (code page 1251)
    std::string value;       // as the drawing gives it ('?' for characters the code page lacks)
    std::string footprint;
    // The bin row: the category the value was recognised in, the stock's name for it, the
    // number of parts as the needed count. Its description stays empty: a find compares a
    // row's description with the records' descriptions, and no record is described by the
    // references of a drawing.
    BinRow row;
    // Why the value could not be turned into a stock name (the row then carries the value
    // as written); empty when it was.
    std::string problem;
};

struct BomRead {
    std::vector<BomLine> lines;
    std::string error;  // the file is no bill of materials at all (nothing in `lines` then)
    int notFitted = 0;  // groups marked "do not populate", left out
    int fileRows = 0;   // rows of parts the file holds (before rows of one part are joined)
    size_t unmapped() const;
};

// Reads a bill of materials exported from KiCad as CSV: a header with Reference (or Ref,
// Reference(s)), Value, Footprint and Qty (or Quantity, Qnty) in any order, maybe after a
// preamble of "Source:", "Date:" lines; of the two tables KiCad's grouped script writes, the
// one under «Collated Components:»; `,`, `;` or tab between fields; UTF-8 or code page 1251.
// Without a header the columns are Reference, Value, Footprint as the plain one-part-a-line
// export writes them. Without a quantity column the references are counted («R1-R4» is four).
// A workbook, a PDF or other binary file is refused whole with a note on saving it as CSV;
// so is a file of more than kBomRows lines.
//
// The kind of each part comes from its reference's letters (R, C, RV, D, Q, U, J …), narrowed
// for capacitors by the footprint and symbol (CP_ and polarised symbols electrolytic, discs
// and chip sizes ceramic, boxes film): a part is only ever looked for in its kind's
// categories (BomPart). Values of resistors and capacitors are read in any spelling («4k7»,
// «4.7k», «4R7», «10kR», «0R», «100n», «0.1uF», «1µF») with a voltage or power beside them
// («22uF/25V», «100n 50V», «0.25W») and written as the stock writes them («4,7К», «100нф»);
// other parts keep their value as the name (КТ315Б, КС156А). Rows of the same part are
// joined into one need with their counts summed. A row without a usable value or of an
// unknown kind is kept as a problem row with its reason: it is never found.
BomRead readKicadBom(std::string_view bytes, const Dictionary &dict, const std::vector<std::string> &categories,
                     const CompStore &store);

} // namespace vosk
