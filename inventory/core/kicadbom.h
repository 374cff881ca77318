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
struct BomLine {
    int64_t line = 0;        // line of the file the group starts on
    std::string references;  // «R1, R2, R5» (code page 1251)
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
    size_t unmapped() const;
};

// Reads a bill of materials exported from KiCad as CSV: a header with Reference (or Ref),
// Value, Footprint and Qty (or Quantity, Qnty) in any order, maybe after a preamble of
// "Source:", "Date:" lines; `,`, `;` or tab between fields; UTF-8 or code page 1251. Without a
// header the columns are Reference, Value, Footprint as the plain one-part-a-line export writes
// them. Without a quantity column the references are counted («R1-R4» is four).
//
// Values of resistors (references R…) and capacitors (C…) are read in any spelling («4k7»,
// «4.7k», «100R», «10», «100n», «0.1uF», «4u7») and written as the stock writes them («4,7К»,
// «100е», «100нф», «0,1мкф»); the category is the one the dictionary recognises the name in,
// or, when the stock keeps that value only in another category of the same kind (electrolytic
// capacitors, power resistors), that category. Other parts keep their value as the name
// (КТ315Б, КС156А) with the category the dictionary gives, or the one the stock keeps that
// name in. Groups that cannot be mapped are kept as rows with their problem stated.
BomRead readKicadBom(std::string_view bytes, const Dictionary &dict, const std::vector<std::string> &categories,
                     const CompStore &store);

} // namespace vosk
