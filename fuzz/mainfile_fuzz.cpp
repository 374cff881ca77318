// main.dat: every line through parseline on its own, the whole file through readMainFile,
// the store back through writeMainFile, and the written bytes read once more. Each step is
// held against a reading of the line format written here apart from the program's.
#include "fuzzcheck.h"
#include "mainfile.h"

#include <string>

using namespace vosk;
using vosk::fuzz::modelLines;

namespace {

struct ModelRecord {
    bool ok = false;
    uint16_t category = 0, quantity = 0;
    std::string name, description;
};

// Digits only, at least one; the value keeps its low 16 bits.
bool modelNumber(std::string_view text, uint16_t &out)
{
    if (text.empty())
        return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
        v = (v * 10 + static_cast<unsigned>(c - '0')) % 65536;
    }
    out = static_cast<uint16_t>(v);
    return true;
}

ModelRecord modelRecord(std::string_view line)
{
    ModelRecord r;
    const size_t a = line.find('\x01');
    const size_t b = a == std::string_view::npos ? a : line.find('\x01', a + 1);
    const size_t c = b == std::string_view::npos ? b : line.find('\x01', b + 1);
    if (c == std::string_view::npos)
        return r;
    if (!modelNumber(line.substr(0, a), r.category) || !modelNumber(line.substr(b + 1, c - b - 1), r.quantity))
        return r;
    r.name.assign(line.substr(a + 1, b - a - 1));
    r.description.assign(line.substr(c + 1));
    r.ok = true;
    return r;
}

// A record's line as written: plain decimal numbers, except that a line shorter than the 7
// characters a reader wants gets leading zeros in its category (they read back as the same
// number), so that no record the program holds vanishes at the next start.
std::string modelWritten(const ModelRecord &r)
{
    const std::string rest = std::string(1, '\x01') + r.name + '\x01' + std::to_string(r.quantity) + '\x01' +
                             r.description;
    std::string category = std::to_string(r.category);
    if (category.size() + rest.size() < 7)
        category.insert(0, 7 - category.size() - rest.size(), '0');
    return category + rest;
}

bool sameRecord(const CompStore &s, int slot, const ModelRecord &r)
{
    return s.category[slot] == r.category && s.quantity[slot] == r.quantity && s.name[slot] == r.name &&
           s.description[slot] == r.description;
}

// Two slots past the records: parseline's own checks go there.
constexpr int kScratch = CompStore::kSlots;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Allocated once: a store is 65536 slots of four arrays.
    static CompStore &store = *new CompStore;
    static CompStore &again = *new CompStore;
    const std::string_view bytes = vosk::fuzz::bytesOf(data, size);
    const auto lines = modelLines(bytes);

    std::vector<ModelRecord> records;      // in file order
    std::vector<std::string> written;      // the lines writeMainFile must put out
    std::vector<int> unreadable;           // 1-based numbers of long lines without a record
    std::vector<CompStore::KeptLine> kept; // what the reader must keep for writing back
    for (size_t i = 0; i < lines.lines.size(); ++i) {
        const std::string &line = lines.lines[i];
        const ModelRecord m = modelRecord(line);

        // parseline alone: the fields of a good line, or a slot left exactly as it was.
        store.category[kScratch] = 4321;
        store.quantity[kScratch] = 1234;
        store.setName(kScratch, "\xFF untouched name");
        store.setDescription(kScratch, "\xFF untouched description");
        const bool parsed = parseline(line, store, kScratch);
        FUZZ_CHECK(parsed == m.ok);
        if (parsed) {
            FUZZ_CHECK(sameRecord(store, kScratch, m));
        } else {
            FUZZ_CHECK(store.category[kScratch] == 4321 && store.quantity[kScratch] == 1234);
            FUZZ_CHECK(store.name[kScratch] == "\xFF untouched name");
            FUZZ_CHECK(store.description[kScratch] == "\xFF untouched description");
        }

        if (line.size() < 7)
            continue; // short lines are skipped silently
        if (m.ok) {
            records.push_back(m);
            written.push_back(modelWritten(m));
        } else {
            unreadable.push_back(static_cast<int>(i + 1));
            kept.push_back({static_cast<int>(records.size()), line});
            written.push_back(line);
        }
    }
    if (records.size() > static_cast<size_t>(CompStore::kMaxRecords))
        return 0; // a store that overflows needs half a megabyte of input: beyond the lengths run here

    const MainFileReport report = readMainFile(bytes, store);
    FUZZ_CHECK(report.unreadable == unreadable);
    FUZZ_CHECK(report.overflow.empty());
    FUZZ_CHECK(store.compcount == records.size());
    uint32_t total = 0;
    for (size_t i = 0; i < records.size(); ++i) {
        FUZZ_CHECK(sameRecord(store, static_cast<int>(i + 1), records[i]));
        total += records[i].quantity;
    }
    FUZZ_CHECK(store.totalqty == total);
    FUZZ_CHECK(store.kept.size() == kept.size());
    for (size_t i = 0; i < kept.size(); ++i)
        FUZZ_CHECK(store.kept[i].after == kept[i].after && store.kept[i].text == kept[i].text);
    FUZZ_CHECK(store.tail == lines.tail);

    // Writing gives back every record and every kept line in their places, then the tail.
    const std::string out = writeMainFile(store);
    const auto outLines = modelLines(out);
    FUZZ_CHECK(outLines.lines == written);
    FUZZ_CHECK(outLines.tail == lines.tail);

    // Reading the written file gives the same store, and writing that gives the same bytes.
    readMainFile(out, again);
    FUZZ_CHECK(again.compcount == store.compcount && again.totalqty == store.totalqty);
    for (size_t i = 0; i < records.size(); ++i)
        FUZZ_CHECK(sameRecord(again, static_cast<int>(i + 1), records[i]));
    FUZZ_CHECK(again.kept.size() == kept.size());
    for (size_t i = 0; i < kept.size(); ++i)
        FUZZ_CHECK(again.kept[i].after == kept[i].after && again.kept[i].text == kept[i].text);
    FUZZ_CHECK(again.tail == store.tail);
    FUZZ_CHECK(writeMainFile(again) == out);
    return 0;
}
