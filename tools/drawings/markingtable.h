#pragma once
// The reference book's marking table (resources/reference/marking.txt) read for the
// drawings: each record's marks, in the table's own words, turned into rings and dots
// at the anode or cathode end. A marking drawing shows the marks of the records that
// name it, so those records must agree.

#include "bodies.h"

#include <map>
#include <string>
#include <vector>

namespace drawings {

// The marks of one record, or of one drawing.
struct TableMarks {
    bool known = false;   // some mark field is not «н/д»
    EndMarks anode;
    EndMarks cathode;
    std::optional<Dot> bodyDot; // a dot on the body whose end the table does not name
    std::string signature() const; // equal marks, equal texts
};

struct MarkingRecord {
    int line = 0;       // line of the table, counted from 0
    std::string key;    // code page 1251
    std::vector<std::string> fields;
    TableMarks marks;
};

// Reads the table (code page 1251, CR LF or LF). Throws std::runtime_error naming the
// line when a mark is not understood.
std::vector<MarkingRecord> readMarkingTable(const std::string &path);

// The marks of one record: the first zener record is at line 83, from where the third
// and fourth columns are the cathode and the anode instead of the anode and the cathode.
// Fields are the record's fields, key first; throws std::runtime_error on words it cannot
// turn into a drawing.
TableMarks marksOfRecord(const std::vector<std::string> &fields, int line);

// Drawing number -> the marks its records share. Throws when records that share a
// drawing have different marks, naming them.
std::map<int, TableMarks> marksByDrawing(const std::vector<MarkingRecord> &records);

} // namespace drawings
