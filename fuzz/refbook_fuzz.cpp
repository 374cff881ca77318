// The user's refbook.dat read against the book that comes with the program. Input: the file's
// bytes. Whatever it holds: writing it back and reading that again gives the same file; a file
// of CR LF lines comes back byte for byte; every readable record obeys the tables' limits,
// once per key; merged into the book, each of the user's types is found by its own name, and
// importing the user's own records adds and changes nothing. Read for its encoding, UTF-8
// comes back as the same text, and anything else as the same bytes.
#include "cp1251.h"
#include "fuzzcheck.h"
#include "lookup.h"
#include "userbook.h"

#include <set>

using namespace vosk;
using namespace vosk::fuzz;

namespace {

const RefTables &book()
{
    static const RefTables tables = RefTables::create(
        readWholeFile(VOSK_SOURCE_DATA "/../resources/reference/marking.txt"),
        readWholeFile(VOSK_SOURCE_DATA "/../resources/reference/params.txt"),
        readWholeFile(VOSK_SOURCE_DATA "/../resources/reference/params2.txt"));
    return tables;
}

struct SixMeasure : TextMeasure {
    int textWidth(std::string_view text) const override { return 6 * static_cast<int>(text.size()); }
    int lineHeight() const override { return 13; }
};

struct NoFrames : FrameSizes {
    std::optional<Size> markingFrame(int) const override { return std::nullopt; }
    std::optional<Size> packageFrame(int) const override { return std::nullopt; }
};

// Only CR LF ends lines, and the last line is ended too.
bool crlfOnly(std::string_view bytes)
{
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n'))
            return false;
        if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
            return false;
    }
    return bytes.empty() || (bytes.size() >= 2 && bytes.substr(bytes.size() - 2) == "\r\n");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes = bytesOf(data, size);
    const RefTables &b = book();
    UserBook user = UserBook::parse(bytes, b);
    const std::string written = user.bytes();
    FUZZ_CHECK(UserBook::parse(written, b).bytes() == written);
    if (crlfOnly(bytes))
        FUZZ_CHECK(written == bytes);

    const UserBookText text = userBookText(bytes);
    if (text.encoding == UserBookText::Encoding::Utf8)
        FUZZ_CHECK(utf8From1251(text.bytes) == (bytes.substr(0, 3) == "\xEF\xBB\xBF" ? bytes.substr(3) : bytes));
    else if (text.encoding == UserBookText::Encoding::Cp1251)
        FUZZ_CHECK(text.bytes == bytes);
    else
        FUZZ_CHECK(text.badLine >= 1);

    std::set<std::pair<int, std::string>> keys;
    int added[4] = {0, 0, 0, 0};
    for (const UserLine &line : user.lines()) {
        if (!line.readable)
            continue;
        FUZZ_CHECK(line.table >= 1 && line.table <= 3);
        FUZZ_CHECK(line.fields.size() >= 2 && line.fields.size() <= static_cast<size_t>(RefTables::firstRecord[line.table]));
        for (const std::string &f : line.fields)
            FUZZ_CHECK(refuseField(f).empty());
        FUZZ_CHECK(keys.insert({line.table, line.fields[0]}).second);
        added[line.table] += bookLineOf(b, line.table, line.fields[0]) < 0;
    }

    const RefTables merged = user.merged(b);
    for (int t = 1; t <= 3; ++t) {
        FUZZ_CHECK(merged.table(t).count() == b.table(t).count() + added[t]);
        FUZZ_CHECK(merged.firstUserLine(t) == b.table(t).count());
    }
    FUZZ_CHECK(allTypes(merged).size() >= allTypes(b).size());

    // A type of the user's own, looked up by its name, is the record shown (tables 1 and 2;
    // table 3 only shows when table 2 has nothing).
    const SixMeasure measure;
    const NoFrames frames;
    int looked = 0;
    for (const UserLine &line : user.lines()) {
        if (!line.readable || line.table == 3 || bookLineOf(b, line.table, line.fields[0]) >= 0 || looked++ > 4)
            continue;
        RefTables tables = merged;
        Fields fields;
        const LookupResult r = lookup(tables, fields, line.fields[0], measure, frames, 611, 213, {});
        const int shown = line.table == 1 ? r.markingLine : r.paramsLine;
        FUZZ_CHECK(shown >= 0);
        FUZZ_CHECK(linekey(tables.table(line.table).line(shown)) == line.fields[0]);
        FUZZ_CHECK(r.notes.size() == 1); // the user's colour, nothing else
    }

    const UserImportPlan own = user.planImport(user.exportBytes(), b);
    FUZZ_CHECK(own.adds.empty() && own.changes.empty() && own.unreadable == 0);

    // A field set from the input's first bytes is either refused, changing nothing, or kept.
    for (const UserLine &line : user.lines()) {
        if (!line.readable)
            continue;
        const std::string key = line.fields[0];
        const int t = line.table;
        const std::string text(bytes.substr(0, std::min<size_t>(bytes.size(), 70)));
        const std::string before = user.bytes();
        const std::string why = user.setField(b, t, key, 2, text);
        if (!why.empty()) {
            FUZZ_CHECK(user.bytes() == before);
        } else {
            const UserLine *now = user.find(t, key);
            const int bookLine = bookLineOf(b, t, key);
            FUZZ_CHECK(now ? now->fields[1] == text : bookLine >= 0);
        }
        break;
    }
    return 0;
}
