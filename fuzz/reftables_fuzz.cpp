// The reference tables from bytes: three tables cut at the first two NUL bytes, each read as
// RefTable, every line through linekey, splitrecord and cutpicnumber, and the type list
// allTypes over the three.
#include "fuzzcheck.h"
#include "tables.h"

#include <set>

using namespace vosk;
using namespace vosk::fuzz;

namespace {

void checkLine(std::string_view line, Fields &fields)
{
    const auto key = linekey(line);
    FUZZ_CHECK(key.has_value() == !(line.empty() || line == " "));
    if (key) {
        FUZZ_CHECK(key->find(fieldsep) == std::string_view::npos);
        FUZZ_CHECK(line.substr(0, key->size()) == *key);
        FUZZ_CHECK(key->size() == line.size() || line[key->size()] == fieldsep);
    }

    // Slots past the count keep what an earlier record left there.
    fields.slot[256] = "\xFF older";
    const int n = splitrecord(line, fields);
    FUZZ_CHECK(n >= 0 && n <= 256);
    FUZZ_CHECK((n == 0) == line.empty());
    std::string joined;
    for (int k = 1; k <= n; ++k) {
        const std::string &field = fields.slot[static_cast<size_t>(k)];
        FUZZ_CHECK(field.find(fieldsep) == std::string::npos);
        if (k > 1)
            joined += fieldsep;
        joined += field;
    }
    if (n < 256) {
        FUZZ_CHECK(fields.slot[256] == "\xFF older");
        // Every field but an empty last one: a trailing separator ends the record.
        FUZZ_CHECK(line == joined || line == joined + fieldsep);
    } else {
        FUZZ_CHECK(line.substr(0, joined.size()) == joined);
    }
    if (key && n > 0)
        FUZZ_CHECK(fields.slot[1] == *key);

    const std::string number = cutpicnumber(line);
    FUZZ_CHECK(number.find_first_of(",.") == std::string::npos);
    FUZZ_CHECK(line.substr(0, number.size()) == number);
    FUZZ_CHECK(number.size() == line.size() || line[number.size()] == ',' || line[number.size()] == '.');
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static Fields &fields = *new Fields;
    const auto parts = splitAtNul(bytesOf(data, size), 3);
    const RefTables tables = RefTables::create(parts[0], parts[1], parts[2]);

    for (int t = 1; t <= 3; ++t) {
        const RefTable &table = tables.table(t);
        const ModelLines model = modelLines(parts[static_cast<size_t>(t - 1)]);
        FUZZ_CHECK(table.count() == static_cast<int>(model.lines.size()));
        for (int i = 0; i < table.count(); ++i) {
            FUZZ_CHECK(table.line(i) == model.lines[static_cast<size_t>(i)]);
            checkLine(table.line(i), fields);
        }
    }

    // The type list: table 1's keys as they stand, then keys of tables 2 and 3 not yet seen.
    std::vector<std::string> expected;
    std::set<std::string> seen;
    for (int t = 1; t <= 3; ++t) {
        const RefTable &table = tables.table(t);
        for (int i = RefTables::firstRecord[t]; i < table.count(); ++i) {
            const std::string &line = table.line(i);
            if (line.empty() || line == " ")
                continue;
            const std::string key = line.substr(0, line.find(fieldsep));
            if (t == 1 || !seen.count(key))
                expected.push_back(key);
            seen.insert(key);
        }
    }
    FUZZ_CHECK(allTypes(tables) == expected);
    return 0;
}
