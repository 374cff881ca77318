// Loading and saving a full main.dat (65,535 records), against the floor of reading the same
// file and splitting its lines without parsing, and of writing the same bytes.
#include "silentmessages.h"
#include "datafiles.h"
#include "filebytes.h"
#include "mainfile.h"
#include "messages.h"
#include "textlines.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <random>

namespace {

using vosk::bench::SilentMessages;

struct Fixture {
    std::string folder;
    std::string bytes;
    Fixture()
    {
        folder = (std::filesystem::temp_directory_path() / "vosk-bench-store").string();
        std::filesystem::create_directories(folder);
        std::mt19937 rng(42);
        vosk::CompStore store;
        const char *units[] = {"\xCA", "\xE5", "\xCC", "\xEF\xF4", "\xED\xF4", "\xEC\xEA\xF4"};
        for (int i = 0; i < vosk::CompStore::kMaxRecords; ++i) {
            const int cat = static_cast<int>(rng() % 16);
            std::string name = std::to_string(rng() % 1000) + "," + std::to_string(rng() % 10) + units[rng() % 6];
            std::string desc = "\xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5 " + std::to_string(rng()); // "Описание ..."
            store.append(static_cast<uint16_t>(cat), name, static_cast<uint16_t>(rng() % 500), desc);
        }
        bytes = vosk::writeMainFile(store);
        if (const vosk::WriteResult written = vosk::replaceFileAtomically(folder + "/main.dat", bytes); !written)
            std::abort(); // the bench cannot run without its files
        for (const char *f : {"strings.dat", "components.lst"})
            if (const vosk::WriteResult written = vosk::replaceFileAtomically(folder + "/" + f, ""); !written)
                std::abort(); // the bench cannot run without its files
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void BM_LoadFloor_ReadAndSplitLines(benchmark::State &state)
{
    const auto &f = fixture();
    for (auto _ : state) {
        const auto r = vosk::readFileBytes(f.folder + "/main.dat");
        size_t lines = 0;
        vosk::forEachTextLine(r.bytes, [&](std::string_view) { ++lines; });
        benchmark::DoNotOptimize(lines);
    }
}
BENCHMARK(BM_LoadFloor_ReadAndSplitLines)->Unit(benchmark::kMillisecond);

void BM_Loadbase(benchmark::State &state)
{
    const auto &f = fixture();
    SilentMessages messages;
    vosk::DataFolder folder(f.folder + "/", messages);
    auto store = std::make_unique<vosk::CompStore>();
    for (auto _ : state) {
        auto loaded = folder.loadbase(*store, nullptr);
        benchmark::DoNotOptimize(store->compcount);
    }
    state.counters["records"] = store->compcount;
}
BENCHMARK(BM_Loadbase)->Unit(benchmark::kMillisecond);

void BM_SaveFloor_WriteSameBytes(benchmark::State &state)
{
    const auto &f = fixture();
    for (auto _ : state) {
        if (const vosk::WriteResult written = vosk::replaceFileAtomically(f.folder + "/floor.dat", f.bytes); !written)
            std::abort(); // the bench cannot run without its files
    }
}
BENCHMARK(BM_SaveFloor_WriteSameBytes)->Unit(benchmark::kMillisecond);

void BM_Savebase(benchmark::State &state)
{
    const auto &f = fixture();
    SilentMessages messages;
    vosk::DataFolder folder(f.folder + "/", messages);
    auto store = std::make_unique<vosk::CompStore>();
    folder.loadbase(*store, nullptr);
    for (auto _ : state)
        if (!folder.savebase(*store))
            std::abort(); // a failed save would measure nothing
}
BENCHMARK(BM_Savebase)->Unit(benchmark::kMillisecond);

} // namespace
