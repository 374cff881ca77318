// The change journal as the start-up reads it: any bytes in main.jnl. The part to replay must
// read the same again with no damage and no group cut short, its entries written one by one
// must read back the same, and replaying its
// entries onto a store must keep the store whole (the total equal to the sum of the
// quantities, every entry either applied or reported).
#include "fuzzcheck.h"
#include "journal.h"
#include "mainfile.h"

#include <string>

using namespace vosk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string_view bytes = vosk::fuzz::bytesOf(data, size);
    const JournalContents c = parseJournal(bytes);
    FUZZ_CHECK(c.damagedLine == 0 ? c.ignoredBytes == 0 : c.ignoredBytes > 0);
    FUZZ_CHECK(c.replayEnd + c.ignoredBytes <= size);
    FUZZ_CHECK(c.hasHeader || c.entries.empty());
    FUZZ_CHECK(c.entries.size() == c.entryCount);
    // Everything is replayed unless a damaged line or a group without its end stops it.
    FUZZ_CHECK(c.damagedLine != 0 || c.cutGroup || c.replayEnd == size);

    if (c.hasHeader) {
        const JournalContents d = parseJournal(bytes.substr(0, c.replayEnd));
        FUZZ_CHECK(d.damagedLine == 0 && !d.cutGroup && d.hasHeader && d.base == c.base && d.entries == c.entries);
        // Written again as single lines: the same changes, each read back as typed.
        std::string again = journalHeaderLine(c.base);
        std::vector<StockChange> single = c.entries;
        for (StockChange &e : single) {
            again += journalEntryLine(e);
            e.source = ChangeSource::Typing;
        }
        const JournalContents e = parseJournal(again);
        FUZZ_CHECK(e.damagedLine == 0 && e.replayEnd == again.size() && e.entries == single);
    }

    static const std::string kMain = "0\x01" "a\x01" "5\x01 \r\n1\x01" "100\x01" "0\x01 \r\n1\x01" "4,7\xCA\x01" "65535\x01 \r\n";
    static CompStore store; // made once: its 65,536 slots are costly to build for every input
    readMainFile(kMain, store);
    const ReplayReport r = replayJournal(store, c.entries);
    FUZZ_CHECK(r.applied + r.notAppliedCount == c.entries.size());
    uint32_t sum = 0;
    for (int s = 1; s <= store.compcount; ++s)
        sum += store.quantity[s];
    FUZZ_CHECK(sum == store.totalqty);
    return 0;
}
