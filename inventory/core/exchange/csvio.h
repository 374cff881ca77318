#pragma once
#include "attributes.h"
#include "compstore.h"
#include "stock.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// Stock as a table for spreadsheets (RFC 4180 through libcsv): UTF-8, CR LF, a header
// `category,category_name,name,quantity,description`, one record a row, names and descriptions
// exactly as stored. `slots` are the records to write, in that order. When records of the
// folder carry attributes, a column for each follows (`place,min`).
// `forExcel`: what Excel on a Russian Windows opens right on a double click: the UTF-8 byte
// order mark first and `;` between the fields (the rest as above).
std::string exportCsv(const CompStore &store, const std::vector<std::string> &categories,
                      const std::vector<uint16_t> &slots, bool forExcel = false,
                      const RecordAttributes *attributes = nullptr);
// Every record of the store in store order.
std::vector<uint16_t> allSlots(const CompStore &store);

// What a column of a table holds, as the header says or the user chose.
enum class ImportField { Category, CategoryName, Name, Quantity, Description, Ignore };
// The field's word in the command line (`--columns`) and in settings: category,
// category_name, name, quantity, description, ignore.
const char *importFieldWord(ImportField field);
std::optional<ImportField> importFieldOfWord(std::string_view word);

// What an import would do, worked out before anything changes.
struct ImportEntry {
    int64_t line = 0;      // the first row of the file with this key
    int rows = 0;          // rows of the file summed into this entry
    StockKey key;          // category, canonical name, description (" " for none)
    uint32_t quantity = 0; // parts the rows bring together
    int slot = 0;          // the record they are added to, 0 for a new record
    uint16_t before = 0;   // its quantity now
    // The record's attributes the rows give (a column of the header named for it, a cell
    // filled; the last row's when several do), normalized; nothing: left as it is.
    std::array<std::optional<std::string>, kAttributes> attributes;
    // Its quantity after the import: before + quantity, or in a stocktake the quantity.
    uint32_t after(bool setQuantities) const { return setQuantities ? quantity : before + quantity; }
};
struct ImportRefusal {
    int64_t line = 0; // the spreadsheet's row number (the header is row 1; a quoted cell with
                      // a line break is one row)
    std::string reason;
};
struct ImportPlan {
    static constexpr size_t kListedRefusals = 1000;
    std::vector<ImportEntry> entries;  // new records in the order they will be appended
    std::vector<ImportRefusal> refused; // the first kListedRefusals refused rows
    uint64_t refusedCount = 0;
    uint64_t rowsRead = 0;             // rows of the sheet under the header, blank ones too
    // Rows that are no parts, skipped: blank rows, totals («Итого», «Всего»), headings inside
    // the sheet (one cell filled, or the header again). Listed like the refused rows.
    uint64_t skippedBlank = 0, skippedTotal = 0, skippedHeading = 0;
    std::string totalText;              // the first total row's word, as written
    std::vector<ImportRefusal> skipped; // the first kListedRefusals of them, with why
    // The header as read (code page 1251) and what each column was taken for.
    std::vector<std::string> header;
    std::vector<ImportField> columns;
    // The header does not say which column is which (two columns for one field, or a needed
    // field missing): nothing is planned; `sample` holds the first rows for the user to choose.
    bool needsColumns = false;
    std::vector<std::vector<std::string>> sample;
    // A stocktake («Заменить количества»): each entry's quantity becomes its record's (0 is
    // allowed and empties the record). `absent` are the records the file does not name, in
    // store order, with their quantity as `before` (left alone unless the user has them
    // emptied).
    bool setQuantities = false;
    std::vector<ImportEntry> absent;
    // Entries whose record's quantity changes.
    size_t changes() const;
    // Set when the file as a whole cannot be read (empty, broken quoting, no usable columns):
    // then nothing is imported at all.
    std::string fileError;
    // The name of the file read (without its folder, code page 1251); empty for other input.
    std::string fileName;
    char separator = ',';
    bool utf8 = false;    // rows read as UTF-8 (a BOM, or the rows were UTF-8)
    bool cp1251 = false;  // rows read as code page 1251
    // Entries that add to a record the store holds more than once (the same category, name
    // and description): the parts go to the first of them. How many, and the first
    // kListedDoubles of them (indexes into entries).
    static constexpr size_t kListedDoubles = 10;
    size_t doubles = 0;
    std::vector<size_t> doubled;
    bool usable() const { return fileError.empty(); }
    size_t adds() const;
    size_t merges() const;
    uint64_t parts() const;
    uint64_t skippedCount() const { return skippedBlank + skippedTotal + skippedHeading; }
    // Rows that become entries (summed or not): neither refused nor skipped.
    uint64_t acceptedRows() const { return rowsRead - refusedCount - skippedCount(); }
    // «пропущено: 2 пустые строки, 1 строка «Итого»», empty when nothing was skipped.
    std::string skippedSummary() const;
    // Asked before a plan with refused rows is imported without them («Импортировать 58 строк
    // без 3 отклонённых?»); empty when no row was refused.
    std::string refusedQuestion() const;
};

// Reads a CSV file piece by piece (any size: memory stays bounded by the store, not the
// file) and plans what adding its rows would do to this store. The store is not touched.
// Columns by header name in any order, the usual English and Russian words with case, blanks
// and punctuation free («Наименование», «Кол-во», «Примечание», «Раздел», «qty»…), or as
// `columns` says (one field a column of the header); the category by number or by name; `,`,
// `;` or tab as separator; each row in UTF-8 or in code page 1251 (a UTF-8 BOM makes the whole
// file UTF-8). A spreadsheet file itself (.xlsx, .ods, .xls) or UTF-16 text is refused with
// what it is and how to save it as CSV. Every row passes
// the rules of typing: the category must exist, the name is made canonical in the value
// categories, the quantity is 1..65535 and no record may pass 65535 parts, the store holds at
// most 65535 records, control bytes and text the code page lacks are refused.
class CsvImporter {
public:
    CsvImporter(const CompStore &store, const std::vector<std::string> &categories,
                std::vector<ImportField> columns = {});
    ~CsvImporter();
    CsvImporter(const CsvImporter &) = delete;
    CsvImporter &operator=(const CsvImporter &) = delete;

    // A stocktake instead of an addition (before the first feed): each row's quantity, 0 to
    // 65535, becomes the quantity of its record; rows of one record are summed.
    void setQuantities();
    void feed(std::string_view bytes);
    ImportPlan finish();

    struct State;

private:
    std::unique_ptr<State> s_;
};

ImportPlan planImport(const CompStore &store, const std::vector<std::string> &categories, std::string_view bytes,
                      std::vector<ImportField> columns = {});

// The plan for a file: a regular file of at most readlimit::kImport bytes, read piece by
// piece. A FIFO, a device, a folder or a file past the bound is refused whole (fileError).
// `columns` and `setQuantities` as for CsvImporter.
ImportPlan planImportFile(const CompStore &store, const std::vector<std::string> &categories, const std::string &path,
                          std::vector<ImportField> columns = {}, bool setQuantities = false);

// The plan's entries that add to a record the store holds more than once, said once: how
// many and the first of them by name (code page 1251); empty when there are none.
std::string importDoublesText(const ImportPlan &plan, const std::vector<std::string> &categories);

struct ImportOutcome {
    std::vector<std::string> messages; // what changeStock said, in order, kDetectedDouble left out
    size_t added = 0, merged = 0;
    size_t doubles = 0; // entries added to a record the store holds more than once
    uint32_t parts = 0;
    // False when a step was refused: the store changed since the plan was made. The entries
    // before it are applied.
    bool complete = true;
};
// Runs the add path (changeStock) once per entry of a usable plan made for this store as it
// stands, each record found through the name index: the store's own `indexes` (kept in step),
// or indexes built for the import. A plan with a file error applies nothing.
ImportOutcome applyImport(CompStore &store, const ImportPlan &plan, StoreIndexes *indexes = nullptr);

// The change a stocktake's entry makes to its record: parts to add (> 0) or take (< 0).
int stocktakeDelta(const ImportEntry &e);
struct StocktakeOutcome {
    std::vector<std::string> messages;
    size_t changed = 0;          // records whose quantity changed (emptied ones included)
    int64_t added = 0, taken = 0; // parts
    bool complete = true;        // false: a step was refused (the store changed since the plan)
};
// Applies a stocktake plan through the add and take path, record by record; with
// `zeroAbsent` the records the file does not name are emptied too.
StocktakeOutcome applyStocktake(CompStore &store, const ImportPlan &plan, bool zeroAbsent);

} // namespace vosk
