// A bill of materials gets one answer: the window's path through the inventory and the
// command line, on the same stock, give every row the same verdict.
#include "cp1251.h"
#include "filebytes.h"
#include "inventory.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

using namespace vosk;

namespace {

// "status category name needed stock references" per row of the command line's output.
std::vector<std::string> cliVerdicts(const std::string &folder, const std::string &file, int &exitCode)
{
    const std::string command = std::string("LC_ALL=C.UTF-8 '") + VOSK_CLI + "' --folder '" + folder + "' bom '" + file + "' 2>/dev/null";
    FILE *pipe = popen(command.c_str(), "r");
    std::vector<std::string> rows;
    if (!pipe)
        return rows;
    std::string all;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        all.append(buffer, n);
    exitCode = WEXITSTATUS(pclose(pipe));
    for (size_t at = 0, end; (end = all.find('\n', at)) != std::string::npos; at = end + 1) {
        std::string line = all.substr(at, end - at);
        std::vector<std::string> f;
        for (size_t a = 0, b;; a = b + 1) {
            b = line.find('\t', a);
            f.push_back(line.substr(a, b == std::string::npos ? std::string::npos : b - a));
            if (b == std::string::npos)
                break;
        }
        if (f.size() >= 8) // status, caption, name, надо, не хватает, найдено, на складе, references
            rows.push_back(f[0] + " " + f[1] + " " + f[2] + " " + f[3] + " " + f[6] + " " + f[7]);
    }
    return rows;
}

} // namespace

TEST(BomVerdicts, TheWindowAndTheCommandLineAgreeOnEveryFileOfTheCorpus)
{
    test::TempFolder dir;
    for (const char *name : {"main.dat", "strings.dat", "components.lst"})
        dir.write(name, readFileBytes(std::string(VOSK_SOURCE_DATA "/") + name).bytes);
    test::RecordingMessages messages;
    Inventory inv(dir.datapath(), messages);
    inv.open();

    std::vector<std::string> files{VOSK_SOURCE_DATA "/kicad/amplifier-bom.csv"};
    for (const auto &entry : std::filesystem::directory_iterator(VOSK_SOURCE_DIR "/tests/io/kicad"))
        if (entry.path().extension() == ".csv")
            files.push_back(entry.path().string());
    ASSERT_GE(files.size(), 15u);
    for (const std::string &file : files) {
        const BomRead bom = inv.readBomFile(file);
        ASSERT_TRUE(bom.error.empty()) << file;
        inv.binLoad(bom);
        inv.findBin(false); // the window's default: not exact; rows of a bill are found by their own rule
        std::vector<std::string> window;
        int green = 0;
        for (size_t k = 0; k < inv.binRows().size(); ++k) {
            const BinRow &r = inv.binRows()[k];
            const bool problem = !bom.lines[k].problem.empty();
            EXPECT_FALSE(problem && r.status == BinStatus::Green) << file;
            green += r.status == BinStatus::Green;
            window.push_back(std::string(problem ? "problem" : statusWord(r.status)) + " " + utf8From1251(r.caption) + " " +
                             utf8From1251(r.name) + " " + "надо " + r.needed + " на складе " + r.stock + " " +
                             utf8From1251(bom.lines[k].references));
        }
        int exitCode = -1;
        EXPECT_EQ(cliVerdicts(dir.path(), file, exitCode), window) << file;
        EXPECT_EQ(exitCode, green == static_cast<int>(window.size()) ? 0 : 1) << file;
    }
    // A board of one part a line and the same board grouped: the same verdicts.
    auto verdicts = [&](const std::string &name) {
        inv.binLoad(inv.readBomFile(VOSK_SOURCE_DIR "/tests/io/kicad/" + name));
        inv.findBin(true);
        std::vector<std::string> out;
        for (const BinRow &r : inv.binRows())
            out.push_back(std::string(statusWord(r.status)) + " " + r.name + " " + r.needed + " " + r.stock);
        std::sort(out.begin(), out.end());
        return out;
    };
    EXPECT_EQ(verdicts("pic_programmer.bom_csv_sorted_by_ref.csv"), verdicts("pic_programmer.grouped_by_value.csv"));
}
