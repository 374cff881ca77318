// CSV import: a file fed in pieces of the input's own choosing must plan exactly what the
// whole file plans; every planned record passes the rules of adding; applying the plan runs
// through without a refusal and adds what it promised; and the stock it leaves, exported and
// imported into an empty store, gives the same main.dat.
#include "csvio.h"
#include "fuzzcheck.h"
#include "mainfile.h"
#include "valuetext.h"

using namespace vosk;
using namespace vosk::fuzz;

namespace {

const std::vector<std::string> &categories()
{
    static const std::vector<std::string> cats = {
        "All", "R", "R2", "R3", "C", "\xCF\xEB\xE5\xED\xEA\xE0", "Elko", "Trim", "\xC4\xE8\xEE\xE4\xFB", "Misc"};
    return cats;
}

// The stores live as long as the run (a store is 65,536 slots) and are refilled for every
// input: slots past compcount are never read.
void fillBase(CompStore &s)
{
    s.compcount = 0;
    s.totalqty = 0;
    s.kept.clear();
    s.tail.clear();
    s.append(2, "4,7\xCA", 10, " ");
    s.append(4, "100\xED\xF4", 65530, "K10-17");
    s.append(8, "KD522", 3, "x");
    s.append(9, "", 1, "");
}

void empty(CompStore &s)
{
    s.compcount = 0;
    s.totalqty = 0;
    s.kept.clear();
    s.tail.clear();
}

const CompStore &base()
{
    static CompStore *store = [] {
        auto *s = new CompStore;
        fillBase(*s);
        return s;
    }();
    return *store;
}

bool samePlan(const ImportPlan &a, const ImportPlan &b)
{
    if (a.fileError != b.fileError || a.rowsRead != b.rowsRead || a.refusedCount != b.refusedCount ||
        a.entries.size() != b.entries.size() || a.refused.size() != b.refused.size())
        return false;
    for (size_t k = 0; k < a.entries.size(); ++k) {
        const ImportEntry &x = a.entries[k], &y = b.entries[k];
        if (x.line != y.line || x.rows != y.rows || x.key.category != y.key.category || x.key.name != y.key.name ||
            x.key.description != y.key.description || x.quantity != y.quantity || x.slot != y.slot)
            return false;
    }
    for (size_t k = 0; k < a.refused.size(); ++k)
        if (a.refused[k].line != b.refused[k].line || a.refused[k].reason != b.refused[k].reason)
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const size_t step = 1 + data[0] % 17;
    const std::string_view file = bytesOf(data + 1, size - 1);

    const ImportPlan whole = planImport(base(), categories(), file);
    CsvImporter importer(base(), categories());
    for (size_t pos = 0; pos < file.size(); pos += step)
        importer.feed(file.substr(pos, step));
    const ImportPlan pieces = importer.finish();
    FUZZ_CHECK(samePlan(whole, pieces));

    FUZZ_CHECK(whole.refused.size() <= whole.refusedCount);
    FUZZ_CHECK(whole.refused.size() <= ImportPlan::kListedRefusals);
    FUZZ_CHECK(whole.entries.size() + whole.refusedCount <= whole.rowsRead);
    if (!whole.usable())
        FUZZ_CHECK(whole.entries.empty() && whole.refused.empty());
    int64_t previous = 0;
    for (const ImportRefusal &r : whole.refused) {
        FUZZ_CHECK(r.line > previous && !r.reason.empty());
        previous = r.line;
    }
    for (const ImportEntry &e : whole.entries) {
        FUZZ_CHECK(e.key.category >= 0 && e.key.category < static_cast<int>(categories().size()));
        FUZZ_CHECK(!e.key.name.empty() && !e.key.description.empty());
        FUZZ_CHECK(e.quantity >= 1 && e.before + e.quantity <= 65535);
        const CanonicalName again = canonicalName(e.key.category, e.key.name);
        FUZZ_CHECK(again.ok() && again.name == e.key.name);
    }

    static CompStore &store = *new CompStore;
    static CompStore &imported = *new CompStore;
    static CompStore &again = *new CompStore;
    fillBase(store);
    const uint32_t total = store.totalqty;
    const ImportOutcome done = applyImport(store, whole);
    FUZZ_CHECK(done.complete);
    FUZZ_CHECK(done.parts == whole.parts());
    FUZZ_CHECK(store.totalqty == total + whole.parts());
    FUZZ_CHECK(done.added == whole.adds());

    // What the import brought in survives a round trip through a spreadsheet file.
    empty(imported);
    for (int i = base().compcount + 1; i <= store.compcount; ++i)
        imported.append(store.category[i], store.name[i], store.quantity[i], store.description[i]);
    empty(again);
    const ImportPlan back = planImport(again, categories(), exportCsv(imported, categories(), allSlots(imported)));
    FUZZ_CHECK(imported.compcount == 0 || (back.usable() && back.refusedCount == 0));
    applyImport(again, back);
    FUZZ_CHECK(writeMainFile(again) == writeMainFile(imported));
    return 0;
}
