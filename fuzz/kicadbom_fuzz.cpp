// KiCad bills of materials: any bytes give either an error and no rows, or rows whose needed
// counts are positive numbers, whose categories exist, and whose mapped values in the value
// categories are names the stock would store unchanged (a 0 ohm jumper: «0е»); one row a
// part (no two rows ask for the same part); a row without a value or with a problem is never
// found, never green.
#include "bin.h"
#include "dictionary.h"
#include "fuzzcheck.h"
#include "kicadbom.h"
#include "mainfile.h"
#include "textlines.h"
#include "valuetext.h"

using namespace vosk;
using namespace vosk::fuzz;

namespace {

struct Installation {
    CompStore store;
    Dictionary dict;
    std::vector<std::string> categories;
};

const Installation &bundled()
{
    static Installation *in = [] {
        auto *i = new Installation;
        readMainFile(readWholeFile(VOSK_SOURCE_DATA "/main.dat"), i->store);
        i->dict = readDictionary(readWholeFile(VOSK_SOURCE_DATA "/strings.dat"));
        i->categories = splitTextLines(readWholeFile(VOSK_SOURCE_DATA "/components.lst")).lines;
        return i;
    }();
    return *in;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const Installation &in = bundled();
    const BomRead bom = readKicadBom(bytesOf(data, size), in.dict, in.categories, in.store);
    if (!bom.error.empty())
        FUZZ_CHECK(bom.lines.empty());
    FUZZ_CHECK(bom.unmapped() <= bom.lines.size());
    int64_t previous = 0;
    for (const BomLine &l : bom.lines) {
        FUZZ_CHECK(l.line > previous);
        previous = l.line;
        const BinRow &r = l.row;
        FUZZ_CHECK(r.status == BinStatus::Ready && r.found.empty() && r.description.empty());
        FUZZ_CHECK(!r.needed.empty() && r.needed.find_first_not_of("0123456789") == std::string::npos &&
                   r.needed != "0" && r.needed.front() != '0');
        FUZZ_CHECK(r.shortage == r.needed);
        FUZZ_CHECK(r.category >= -1 && r.category < static_cast<int>(in.categories.size()));
        FUZZ_CHECK(r.caption == (r.category >= 0 ? in.categories[static_cast<size_t>(r.category)] : std::string()));
        FUZZ_CHECK(r.part.has_value());
        FUZZ_CHECK(r.part->problem == l.problem);
        if (l.value.empty() || l.value == "~")
            FUZZ_CHECK(!l.problem.empty());
        if (!l.problem.empty())
            FUZZ_CHECK(!r.part->value);
        else
            FUZZ_CHECK(r.part->value || !r.part->name.empty());
        FUZZ_CHECK(r.part->categories != 0 || !l.problem.empty());
        if (l.problem.empty() && r.part->value && *r.part->value == 0) {
            // A 0 ohm jumper: asked for by the name the stock writes it with, though no
            // typed name reads as the value 0.
            FUZZ_CHECK(r.name == "0\xE5");
        } else if (l.problem.empty() && hasCanonicalNames(r.category)) {
            const CanonicalName c = canonicalName(r.category, r.name);
            FUZZ_CHECK(c.ok() && c.name == r.name);
        }
    }
    std::vector<BinRow> rows;
    for (const BomLine &l : bom.lines)
        rows.push_back(l.row);
    const BinFind find = findbin(in.store, in.categories, rows, false);
    FUZZ_CHECK(find.rows.size() == rows.size());
    for (size_t k = 0; k < rows.size(); ++k) {
        if (!bom.lines[k].problem.empty())
            FUZZ_CHECK(find.rows[k].status == BinStatus::Red && find.counts[k] == 0);
        for (size_t j = 0; j < k; ++j) // one need per part
            if (bom.lines[k].problem.empty() && bom.lines[j].problem.empty())
                FUZZ_CHECK(!(rows[k].part->categories == rows[j].part->categories && rows[k].part->value &&
                             rows[j].part->value && rows[k].name == rows[j].name));
    }
    return 0;
}
