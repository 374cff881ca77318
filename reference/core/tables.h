#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vosk {

// The reference book's three tables: column titles first, one per line, then one record per
// line, each field followed by '@'. Text is code page 1251.
constexpr char fieldsep = '@';
constexpr uint8_t colmargin = 5;

// Table numbers as the lookup names them.
enum RefTableNo { kMarking = 1, kParams = 2, kParams2 = 3 };

class RefTable {
public:
    RefTable() = default;
    // From the embedded file: CR LF line ends.
    explicit RefTable(std::string_view bytes);
    int count() const { return static_cast<int>(lines_.size()); }
    const std::string &line(int i) const { return lines_.at(static_cast<size_t>(i)); }
    void replaceLine(int i, std::string text) { lines_.at(static_cast<size_t>(i)) = std::move(text); }
    void appendLine(std::string text) { lines_.push_back(std::move(text)); }

private:
    std::vector<std::string> lines_;
};

// The key of a table line: the text before its first separator; nothing for a filler
// line (empty, or a single blank).
std::optional<std::string_view> linekey(std::string_view line);

// Fields of the last split record: slots 1..256; slots past the count keep older texts.
struct Fields {
    std::array<std::string, 257> slot;
};
// Splits a record into slots 1..n and returns n.
int splitrecord(std::string_view line, Fields &fields);

// The drawing number of a parameter record: the text before the first ',' or '.'.
std::string cutpicnumber(std::string_view text);

struct RefTables {
    RefTable marking, params, params2;
    // colwidth[t][k]: base width of column k of table t plus the margin; 0 past the table.
    std::array<std::array<uint16_t, 21>, 4> colwidth{};
    // First record line of each table (after its title lines).
    static constexpr int firstRecord[4] = {0, 5, 6, 12};

    // The user's own records merged in (userbook.h): lines from userStart[t] on are types the
    // user added; userMask[t][line] has bit k - 1 set when field k of that line is the user's
    // text. Both stay empty for the book alone.
    std::array<int, 4> userStart{-1, -1, -1, -1};
    std::array<std::vector<uint32_t>, 4> userMask;

    // The creation set-up: tables from their embedded bytes, separator, margin, widths.
    static RefTables create(std::string_view marking, std::string_view params, std::string_view params2);
    RefTable &table(int t);
    const RefTable &table(int t) const;
    // The first line of table t that is a type of the user's (the line count when none is).
    int firstUserLine(int t) const;
    uint32_t userFields(int t, int line) const;
};

// Every type the tables know, for the type chooser: the keys of table 1 with repeats, then
// the keys of tables 2 and 3 not yet listed, in table order; then the user's own types.
std::vector<std::string> allTypes(const RefTables &tables);

} // namespace vosk
