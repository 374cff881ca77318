#pragma once
#include "compstore.h"
#include "stock.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// Stock as a table for spreadsheets (RFC 4180 through libcsv): UTF-8, CR LF, a header
// `category,category_name,name,quantity,description`, one record a row, names and descriptions
// exactly as stored. `slots` are the records to write, in that order.
std::string exportCsv(const CompStore &store, const std::vector<std::string> &categories,
                      const std::vector<uint16_t> &slots);
// Every record of the store in store order.
std::vector<uint16_t> allSlots(const CompStore &store);

// What an import would do, worked out before anything changes.
struct ImportEntry {
    int64_t line = 0;      // the first row of the file with this key
    int rows = 0;          // rows of the file summed into this entry
    StockKey key;          // category, canonical name, description (" " for none)
    uint32_t quantity = 0; // parts the rows bring together
    int slot = 0;          // the record they are added to, 0 for a new record
    uint16_t before = 0;   // its quantity now
};
struct ImportRefusal {
    int64_t line = 0; // 1-based line of the file where the row starts
    std::string reason;
};
struct ImportPlan {
    static constexpr size_t kListedRefusals = 1000;
    std::vector<ImportEntry> entries;  // new records in the order they will be appended
    std::vector<ImportRefusal> refused; // the first kListedRefusals refused rows
    uint64_t refusedCount = 0;
    uint64_t rowsRead = 0;             // data rows, the header not counted
    // Set when the file as a whole cannot be read (empty, broken quoting, no usable columns):
    // then nothing is imported at all.
    std::string fileError;
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
};

// Reads a CSV file piece by piece (any size: memory stays bounded by the store, not the
// file) and plans what adding its rows would do to this store. The store is not touched.
// Columns by header name in any order (category, category_name, name, quantity, description;
// also the Russian words); the category by number or by name; `,` or `;` as separator; each
// row in UTF-8 or in code page 1251 (a UTF-8 BOM makes the whole file UTF-8). Every row passes
// the rules of typing: the category must exist, the name is made canonical in the value
// categories, the quantity is 1..65535 and no record may pass 65535 parts, the store holds at
// most 65535 records, control bytes and text the code page lacks are refused.
class CsvImporter {
public:
    CsvImporter(const CompStore &store, const std::vector<std::string> &categories);
    ~CsvImporter();
    CsvImporter(const CsvImporter &) = delete;
    CsvImporter &operator=(const CsvImporter &) = delete;

    void feed(std::string_view bytes);
    ImportPlan finish();

    struct State;

private:
    std::unique_ptr<State> s_;
};

ImportPlan planImport(const CompStore &store, const std::vector<std::string> &categories, std::string_view bytes);

// The plan for a file: a regular file of at most readlimit::kImport bytes, read piece by
// piece. A FIFO, a device, a folder or a file past the bound is refused whole (fileError).
ImportPlan planImportFile(const CompStore &store, const std::vector<std::string> &categories, const std::string &path);

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

} // namespace vosk
