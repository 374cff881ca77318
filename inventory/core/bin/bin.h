#pragma once
#include "attributes.h"
#include "compstore.h"
#include "listsort.h"
#include "nameindex.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vosk {

// How a bin row stands against the stock: not looked up yet, enough, too few, none.
enum class BinStatus { Ready, Green, Yellow, Red };
// "ready", "green", "yellow", "red".
std::string_view statusWord(BinStatus status);

// What a row made from a bill of materials asks the stock for. Such a row is found by its
// own rule, not by its name: the records of the categories its kind of part may be kept in
// whose names hold its value (resistors, capacitors) or are its name with letter case
// ignored (every other part), leaving out records whose descriptions state a lower voltage
// or power than the drawing asks for.
// The rows of a bill joined into one part that name the same order columns (part number,
// manufacturer, supplier): what is bought of them is a line of its own.
struct BomOrder {
    std::vector<std::string> extra; // "Column=text" each, as the bill names its order columns
    std::string references;         // of these rows, «R1–R4»
    std::string bomValue;           // the first of these rows' value as the drawing writes it
    std::string footprint;
    int64_t count = 0;              // parts of these rows one board needs
    friend bool operator==(const BomOrder &, const BomOrder &) = default;
};

struct BomPart {
    uint64_t categories = 0;     // bit c: category c may hold the part
    std::optional<double> value; // ohms or farads; else the part is found by `name`
    std::string name;            // the part as the drawing names it (code page 1251)
    double volts = 0, watts = 0; // the least rating the drawing asks for; 0: none given
    // Why the row cannot be looked up (no value, an unreadable one, an unknown kind of
    // part): such a row finds nothing, is never green and is never offered by the pass.
    std::string problem;
    std::string references;      // «R1–R7, R12»
    std::string bomValue;        // the value as the drawing writes it
    std::string footprint;
    // The rows it was joined from, one entry per distinct set of order columns, in the order
    // of the file: rows of one value may name different part numbers.
    std::vector<BomOrder> orders;
    int64_t line = 0;            // line of the file the part first stands on
    int64_t perBoard = 0;        // parts one board needs (the row needs as many per board built)
    friend bool operator==(const BomPart &, const BomPart &) = default;
};

// A voltage and a power a record's description states («К73-17 63В», «С5-16МВ 1 Вт»);
// 0 where it states none. A resistor category states its power: 0,125 and 0,25 W, and
// 0,5 W for the 0,5-2 W category unless the description says more.
struct Rating {
    double volts = 0, watts = 0;
};
Rating recordRating(int category, std::string_view description);

// The records of a store by value and by name (letter case ignored), made once for looking
// up every row of a bill of materials: a bill of thousands of rows against a full store
// would otherwise read every record's value once a row.
class PartIndex {
public:
    explicit PartIndex(const CompStore &store);
    // Slots, in store order, of the records whose names hold this value.
    std::vector<int> byValue(double value) const;
    // Slots, in store order, of the records with this name.
    std::vector<int> byName(std::string_view name) const;

private:
    std::vector<std::pair<double, int>> values_; // ordered by value, then slot
    std::unordered_map<std::string, std::vector<int>> names_;
};

// One row of the bin ("Корзина"): a part a job needs. Apart from the status and the category
// index all of it is text, as the bin list shows it (code page 1251).
struct BinRow {
    BinStatus status = BinStatus::Ready;
    int category = -1;       // full category index, -1 when the row has none
    std::string caption;     // the category's name, empty when the row has none
    std::string name;        // as typed
    std::string description; // as typed, may be empty
    std::string needed;      // decimal
    std::string shortage;    // decimal
    std::string found;       // records matched by the last find, empty before the first one
    std::string stock;       // parts those records hold, empty before the first find
    // Where those records lie: their places, each once, in the order found («ящик 3; ящик 5»;
    // past three, «и еще N»); empty when none of them has one, or before the first find.
    std::string place;
    std::optional<BomPart> part; // rows of a bill of materials: how they are found
    friend bool operator==(const BinRow &, const BinRow &) = default;
};

// Index of a status's picture in the bin's image list: 0 green, 1 yellow, 2 red, 3 the hollow
// ring of a row not looked up yet.
int statusPicture(BinStatus status);

// A decimal text of the bin (needed amounts) as a number: optional sign and digits, anything
// else reads as 0. The bin's quantity box only ever produces plain numbers.
long long binNumber(std::string_view text);

// Builds a bin row. The caption is the category's name, or empty (with category -1) when the
// index names no category. The shortage is needed - total when more are needed than the
// total, else "0"; so a new row (total 0) shows its needed count as its shortage.
BinRow addbinrow(BinStatus status, int category, const std::vector<std::string> &categories,
                 std::string name, std::string needed, std::string description, int64_t total,
                 std::string found);

// Equal texts with letter case ignored, in code page 1251: Latin, Cyrillic А-Я/а-я, Ё/ё and
// the other Cyrillic capitals of the code page with their small letters.
bool sameTextIgnoringCase(std::string_view a, std::string_view b);

// The first category whose name is the caption, letter case ignored; -1 when none is
// (an empty caption names no category).
int captionCategory(std::string_view caption, const std::vector<std::string> &categories);

// The category a find looks a row up in: the row's own full index when it names a category,
// else the category its caption names (captionCategory), else -1 (every category).
//
// Looking the caption up again, as the bin's texts alone would require, gives the same
// category as long as category names differ. Two categories whose names differ only in
// letter case, or equal names, would send every row of the later one to the first; and a
// category index kept in 8 bits would turn category 256 into category 0. The row keeps the
// index it was added with, so neither can happen; the caption is only the fallback for rows
// built without one.
int rowCategory(const BinRow &row, const std::vector<std::string> &categories);

// The result of looking every bin row up in the store ("Найти детали").
struct BinFind {
    // The bin rows refreshed by the find, in the same order: status, shortage and found.
    std::vector<BinRow> rows;
    // The inventory list after the find: each row's matching records in store order, row
    // after row, so a record matching two rows is listed twice.
    std::vector<ListRow> list;
    // Category of each entry of `list`.
    std::vector<int> listCategories;
    // Store slot of each entry of `list`.
    std::vector<uint16_t> listSlots;
    // Place of each entry of `list` (empty for none); no entries at all when the find was
    // made without the records' attributes.
    std::vector<std::string> listPlaces;
    // Entries of `list` per bin row.
    std::vector<int> counts;
    // Count and parts of the last row, for the status bar (listSummary). With no bin rows
    // the find shows nothing and the status bar keeps its text.
    uint32_t lastCount = 0, lastTotal = 0;
};

// Looks every bin row up: a row of a bill of materials by its part (BomPart), with the
// records that state the asked rating listed before those that state none, and its name
// then the name of the first record found (the stock's spelling of the value); every other
// row: the records of its category (rowCategory; all for -1) whose name
// equals the row's name (`exact`) or contains it, and, when the row has a description, whose
// description equals or contains it the same way. The row then shows green when the
// matched parts cover the need, yellow when they do not, red when there are none, and
// the number of matched records as its found text, the parts they hold as its stock text.
BinFind findbin(const CompStore &store, const std::vector<std::string> &categories,
                const std::vector<BinRow> &rows, bool exact);
// The same, each row's records found through the name index (kept in step with the store).
// Without `withRows`, `list` stays empty: a list that shows store slots needs listSlots only.
// With `attributes`, every entry and row carries the places of its records.
BinFind findbin(const CompStore &store, const NameIndex &names, const std::vector<std::string> &categories,
                const std::vector<BinRow> &rows, bool exact, bool withRows = true,
                const RecordAttributes *attributes = nullptr);

// A bin row's place text from the places of its records in the order found (see BinRow::place).
std::string joinPlaces(const std::vector<std::string> &places);

// The status bar text after the inventory list shows `count` records holding `total` parts.
std::string listSummary(uint32_t count, uint32_t total);

} // namespace vosk
