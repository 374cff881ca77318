// KiCad bills of materials: any bytes give either an error and no rows, or rows whose needed
// counts are positive numbers, whose categories exist, and whose mapped values in the value
// categories are names the stock would store unchanged.
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
        if (l.problem.empty() && hasCanonicalNames(r.category)) {
            const CanonicalName c = canonicalName(r.category, r.name);
            FUZZ_CHECK(c.ok() && c.name == r.name);
        }
    }
    return 0;
}
