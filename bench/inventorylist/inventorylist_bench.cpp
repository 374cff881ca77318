// Filtering the full store (65,535 records) by name, against a bare memmem scan over the same
// names, and a whole refresh of the inventory window's list including the model refill.
#include "silentmessages.h"
#include "filter.h"
#include "inventorylist.h"
#include "mainfile.h"
#include "messages.h"
#include "params.h"

#include <QApplication>
#include <QPushButton>
#include <QTableView>
#include <benchmark/benchmark.h>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

using vosk::bench::SilentMessages;

vosk::CompStore &fullStore()
{
    static vosk::CompStore store = [] {
        vosk::CompStore s;
        std::mt19937 rng(7);
        const char *units[] = {"\xCA", "\xE5", "\xCC", "\xEF\xF4", "\xED\xF4", "\xEC\xEA\xF4"};
        for (int i = 0; i < vosk::CompStore::kMaxRecords; ++i)
            s.append(static_cast<uint16_t>(rng() % 16),
                     std::to_string(rng() % 1000) + "," + std::to_string(rng() % 10) + units[rng() % 6],
                     static_cast<uint16_t>(rng() % 500), "\xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5 " + std::to_string(rng()));
        return s;
    }();
    return store;
}

void BM_Floor_MemmemOverNames(benchmark::State &state)
{
    const auto &s = fullStore();
    const char pattern[] = "47,";
    for (auto _ : state) {
        int hits = 0;
        for (int i = 1; i <= s.compcount; ++i)
            hits += memmem(s.name[i].data(), s.name[i].size(), pattern, 3) != nullptr;
        benchmark::DoNotOptimize(hits);
    }
}
BENCHMARK(BM_Floor_MemmemOverNames)->Unit(benchmark::kMicrosecond);

void BM_Filterbase_Substring(benchmark::State &state)
{
    const auto &s = fullStore();
    vosk::ViewList view;
    for (auto _ : state) {
        vosk::filterbase(s, {-1, "47,", 0, {}}, false, view);
        benchmark::DoNotOptimize(view.viewcount);
    }
    state.counters["found"] = view.viewcount;
}
BENCHMARK(BM_Filterbase_Substring)->Unit(benchmark::kMicrosecond);

void BM_Filterbase_Exact(benchmark::State &state)
{
    const auto &s = fullStore();
    vosk::ViewList view;
    for (auto _ : state) {
        vosk::filterbase(s, {-1, "47,5\xCA", 0, {}}, true, view);
        benchmark::DoNotOptimize(view.viewcount);
    }
    state.counters["found"] = view.viewcount;
}
BENCHMARK(BM_Filterbase_Exact)->Unit(benchmark::kMicrosecond);

// The whole list refilled with every record, as after "Сброс" with all categories selected.
void BM_Refreshlist_AllRecords(benchmark::State &state)
{
    const std::string folder = (std::filesystem::temp_directory_path() / "vosk-bench-list").string();
    std::filesystem::create_directories(folder);
    {
        std::ofstream(folder + "/main.dat", std::ios::binary) << vosk::writeMainFile(fullStore());
        std::ofstream(folder + "/strings.dat", std::ios::binary) << "";
        std::ofstream(folder + "/components.lst", std::ios::binary) << "All\r\nOne\r\n";
    }
    SilentMessages messages;
    vosk::Tbase base(messages, folder + "/");
    base.show();
    QApplication::processEvents();
    auto *refresh = base.findChild<QPushButton *>(QStringLiteral("resetparams"));
    for (auto _ : state) {
        refresh->click(); // "Обновить": the list of the category again
        QApplication::processEvents(); // the view lays out and paints the rows on screen
    }
    state.counters["rows"] = static_cast<double>(base.listRows().rows().size());
}
BENCHMARK(BM_Refreshlist_AllRecords)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
