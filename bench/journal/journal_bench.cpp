// The cost of one change to the store as the user pays it: the change itself (changeStock
// on a full store of 65,535 records) and its line in the journal, written and flushed to the
// disk (fdatasync) before the window shows it done. It must stay well under one frame
// (16 ms) on an ordinary disk. The folder is VOSK_BENCH_DIR, else the system's temporary
// folder: run it on the disk the installation folder lives on.
#include "silentmessages.h"
#include "datafiles.h"
#include "filter.h"
#include "messages.h"
#include "stock.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace {

using vosk::bench::SilentMessages;

std::string benchFolder()
{
    const char *dir = std::getenv("VOSK_BENCH_DIR");
    const std::filesystem::path base = dir && *dir ? std::filesystem::path(dir) : std::filesystem::temp_directory_path();
    const std::filesystem::path folder = base / "vosk-bench-journal";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder.string() + "/";
}

vosk::CompStore &fullStore()
{
    static vosk::CompStore *store = [] {
        auto *s = new vosk::CompStore;
        std::mt19937 rng(7);
        for (int i = 0; i < vosk::CompStore::kMaxRecords; ++i)
            s->append(static_cast<uint16_t>(rng() % 16), "part" + std::to_string(i), static_cast<uint16_t>(rng() % 500 + 1),
                      "\xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5 " + std::to_string(rng()));
        return s;
    }();
    return *store;
}

// Only the journal line: write and fdatasync.
void BM_JournalRecord(benchmark::State &state)
{
    SilentMessages messages;
    const std::string folder = benchFolder();
    vosk::Journal journal(folder, messages);
    journal.setBase("");
    const vosk::StockChange e{3, "4,7\xCA", "\xEC\xE5\xF2\xE0\xEB\xEB\xEE\xEF\xEB\xB8\xED\xEA\xE0", 10, false};
    for (auto _ : state)
        if (!journal.record(e))
            state.SkipWithError("the journal could not be written");
    state.SetLabel(folder);
}
BENCHMARK(BM_JournalRecord)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// An add to a record of a full store, then its journal line: what one click costs.
void BM_ChangeAndRecord(benchmark::State &state)
{
    SilentMessages messages;
    const std::string folder = benchFolder();
    vosk::Journal journal(folder, messages);
    journal.setBase("");
    vosk::CompStore &store = fullStore();
    vosk::ViewList view;
    const int slot = vosk::CompStore::kMaxRecords / 2;
    const vosk::StockKey key{store.category[slot], std::string(store.name[slot]), std::string(store.description[slot])};
    bool take = false;
    for (auto _ : state) {
        const vosk::StockResult r = vosk::changeStock(store, view, key, 1, take);
        if (!journal.record({key, static_cast<int>(r.moved), take}))
            state.SkipWithError("the journal could not be written");
        take = !take;
    }
}
BENCHMARK(BM_ChangeAndRecord)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
