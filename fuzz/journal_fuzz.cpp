// The change journal as the start-up reads it: any bytes in main.jnl. The readable part
// must write back to the same bytes, read the same again with no damage, and replaying its
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
    FUZZ_CHECK(c.ignoredBytes <= size);
    FUZZ_CHECK(c.hasHeader || c.entries.empty());

    if (c.hasHeader) {
        // The readable part is exactly the bytes before the damage, written the same way.
        std::string again = journalHeaderLine(c.base);
        for (const JournalEntry &e : c.entries)
            again += journalEntryLine(e);
        FUZZ_CHECK(again == bytes.substr(0, size - c.ignoredBytes));
        const JournalContents d = parseJournal(again);
        FUZZ_CHECK(d.damagedLine == 0 && d.hasHeader && d.base == c.base && d.entries == c.entries);
    }

    static const std::string kMain = "0\x01" "a\x01" "5\x01 \r\n1\x01" "100\x01" "0\x01 \r\n1\x01" "4,7\xCA\x01" "65535\x01 \r\n";
    static CompStore store; // made once: its 65,536 slots are costly to build for every input
    readMainFile(kMain, store);
    const ReplayReport r = replayJournal(store, c.entries);
    FUZZ_CHECK(r.applied + r.notApplied.size() == c.entries.size());
    uint32_t sum = 0;
    for (int s = 1; s <= store.compcount; ++s)
        sum += store.quantity[s];
    FUZZ_CHECK(sum == store.totalqty);
    return 0;
}
