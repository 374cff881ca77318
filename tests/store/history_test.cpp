// The history history.dat: its lines read back as written, hostile files, and its agreement
// with the journal after a program was killed at any point of a change.
#include "cp1251.h"
#include "datafiles.h"
#include "history.h"
#include "journal.h"
#include "recordingmessages.h"
#include "stock.h"
#include "tempfolder.h"

#include <chrono>
#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace vosk;
using vosk::test::RecordingMessages;
using vosk::test::TempFolder;

namespace {

const std::string kMain = "1\x01" "100\x01" "5\x01 \r\n" "2\x01" "KT315\x01" "3\x01" "desc\r\n";

void prepare(const TempFolder &dir)
{
    dir.write("main.dat", kMain);
    dir.write("strings.dat", "");
    dir.write("components.lst", "A\r\nB\r\nC\r\n");
}

// A change made as the inventory makes it: through the store's rules, then recorded with its
// history line.
void change(DataFolder &folder, CompStore &store, int cat, const std::string &name, const std::string &desc, int amount,
            bool take, const std::string &note = {}, ChangeSource source = ChangeSource::Typing)
{
    ViewList view;
    const StockChange c{cat, name, desc, amount, take, source};
    const StockResult r = changeStock(store, view, c, nullptr);
    ASSERT_FALSE(r.refused);
    findRecords(store, nullptr, c.key, view);
    const uint32_t after = view.viewcount ? store.quantity[view.viewlist[1]] : 0;
    ASSERT_TRUE(folder.record(c, {after, note, 0}));
}

std::vector<HistoryLine> lines(const TempFolder &dir)
{
    const HistoryRead read = readHistoryFile(dir.file("history.dat"));
    EXPECT_EQ(read.skipped, 0u);
    EXPECT_TRUE(read.failure.empty());
    return read.lines;
}

} // namespace

TEST(History, LinesReadBackAsWrittenWhateverTheirText)
{
    HistoryLine l{7, 5, "2026-01-02 03:04:05", ChangeSource::Pass, {3, "a\tb\\xc\r\n", "d\\\x01"}, true, 12, 4,
                  cp1251("для платы «Б»"), 2};
    const std::string text = historyLineText(l, cp1251("Раздел\tтри"));
    EXPECT_NE(text.find("\ta\\x09b\\\\xc\\x0d\\x0a\t"), std::string::npos); // the name, escaped
    EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 11);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    HistoryLine back;
    ASSERT_TRUE(parseHistoryLine(std::string_view(text).substr(0, text.size() - 2), back));
    EXPECT_EQ(back, l);

    // The file as a spreadsheet sees it: the column names first, then the lines; whatever does
    // not read is skipped, counted, and the rest kept.
    l.undoes = 0;
    const std::string bytes = historyHeaderLine() + text + "garbage\r\n" + historyLineText(l, "") +
                              "8\t5\t2026-01-02 03:04:05\t?\t1\t\tn\td\t+1\t1\t\t\r\n" + historyLineText(l, "").substr(0, 20);
    const HistoryRead read = readHistoryBytes(bytes);
    ASSERT_EQ(read.lines.size(), 2u);
    EXPECT_EQ(read.lines[1], l);
    EXPECT_EQ(read.skipped, 3u); // the garbage, an unknown source, a cut last line
    EXPECT_EQ(read.firstSkipped, 3);
    EXPECT_NE(read.problem("history.dat").find(cp1251("пропущены нечитаемые строки: 3 (первая — строка 3)")),
              std::string::npos);

    // A note keeps no control bytes and no more than its bound.
    EXPECT_EQ(cleanNote("  a\tb\r\nc  "), "a b  c");
    EXPECT_EQ(cleanNote(std::string(900, 'x')).size(), kMaxNote);
}

TEST(History, AChangeIsInTheJournalAndTheHistoryAndAReplayWritesItOnce)
{
    TempFolder dir;
    prepare(dir);
    {
        RecordingMessages messages;
        DataFolder folder(dir.datapath(), messages);
        CompStore store;
        folder.loadbase(store, nullptr);
        change(folder, store, 2, "KT315", "desc", 2, true, cp1251("плата 1"));
        folder.beginGroup(ChangeSource::Move);
        change(folder, store, 2, "KT315", "desc", 1, true, {}, ChangeSource::Move);
        change(folder, store, 1, "KT315", "desc", 1, false, {}, ChangeSource::Move);
        ASSERT_TRUE(folder.endGroup());
        // Killed here: nothing saved.
    }
    const std::vector<HistoryLine> written = lines(dir);
    ASSERT_EQ(written.size(), 3u);
    EXPECT_EQ(written[0].note, cp1251("плата 1"));
    EXPECT_EQ(written[0].after, 1u);
    EXPECT_EQ(written[1].group, 2u);
    EXPECT_EQ(written[2].group, 2u); // one step
    EXPECT_EQ(written[2].source, ChangeSource::Move);
    const std::string history = dir.read("history.dat");

    // A kill after the journal and before the history: the start writes the lines, with the
    // time and note the change had; a kill in the middle of a line: the cut line goes.
    const std::string cases[] = {history, history.substr(0, history.find("\r\n") + 2),
                                 history.substr(0, history.size() - 10), ""};
    for (const std::string &before : cases) {
        TempFolder run;
        prepare(run);
        run.write("main.jnl", dir.read("main.jnl"));
        run.write("history.dat", before);
        RecordingMessages messages;
        DataFolder folder(run.datapath(), messages);
        CompStore store;
        EXPECT_TRUE(folder.loadbase(store, nullptr).recovered);
        EXPECT_EQ(lines(run), written) << before.size();
        EXPECT_FALSE(run.exists("main.jnl"));
    }

    // A journal written without history lines (as programs before the history wrote it) is
    // replayed all the same, its changes recorded as recovered.
    TempFolder old;
    prepare(old);
    {
        RecordingMessages messages;
        DataFolder folder(old.datapath(), messages);
        CompStore store;
        folder.loadbase(store, nullptr);
        ViewList view;
        changeStock(store, view, {2, "KT315", "desc"}, 3, true);
        ASSERT_TRUE(folder.record(StockChange{2, "KT315", "desc", 3, true}));
    }
    EXPECT_TRUE(old.exists("main.jnl"));
    EXPECT_FALSE(old.exists("history.dat"));
    RecordingMessages messages;
    DataFolder folder(old.datapath(), messages);
    CompStore store;
    EXPECT_TRUE(folder.loadbase(store, nullptr).recovered);
    EXPECT_EQ(store.compcount, 1);
    const std::vector<HistoryLine> replayed = lines(old);
    ASSERT_EQ(replayed.size(), 1u);
    EXPECT_EQ(replayed[0].source, ChangeSource::Replay);
    EXPECT_EQ(replayed[0].after, 0u);
}

TEST(History, ChangesGivenUpLeaveTheHistoryAsTheLastSaveLeftIt)
{
    TempFolder dir;
    prepare(dir);
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    folder.loadbase(store, nullptr);
    change(folder, store, 2, "KT315", "desc", 1, true);
    ASSERT_TRUE(folder.savebase(store));
    const std::string saved = dir.read("history.dat");
    change(folder, store, 2, "KT315", "desc", 1, true);
    EXPECT_NE(dir.read("history.dat"), saved);
    folder.discardChanges();
    EXPECT_EQ(dir.read("history.dat"), saved);
    EXPECT_FALSE(dir.exists("main.jnl"));
}

TEST(History, HostileHistoryFilesNeverStopTheFolderNorLoseAChange)
{
    enum class Kind { Fifo, Folder, Link, Garbage, Unreadable };
    for (const Kind kind : {Kind::Fifo, Kind::Folder, Kind::Link, Kind::Garbage, Kind::Unreadable}) {
        TempFolder dir;
        prepare(dir);
        const std::string path = dir.file("history.dat");
        if (kind == Kind::Fifo)
            ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        else if (kind == Kind::Folder)
            std::filesystem::create_directory(path);
        else if (kind == Kind::Link)
            std::filesystem::create_symlink(dir.file("main.dat"), path);
        else if (kind == Kind::Garbage)
            dir.write("history.dat", std::string(3000, '\0') + "\xff\t\t\t\r\n" + std::string(70000, 'x'));
        else
            dir.write("history.dat", ""), ::chmod(path.c_str(), 0);
        RecordingMessages messages;
        {
            DataFolder folder(dir.datapath(), messages);
            CompStore store;
            folder.loadbase(store, nullptr);
            change(folder, store, 2, "KT315", "desc", 1, true);
            ASSERT_TRUE(folder.savebase(store));
        }
        EXPECT_EQ(dir.read("main.dat"), "1\x01" "100\x01" "5\x01 \r\n" "2\x01" "KT315\x01" "2\x01" "desc\r\n");
        const HistoryRead read = readHistoryFile(path);
        if (kind == Kind::Garbage) {
            // The damaged part stays, ended, and the change follows it.
            ASSERT_EQ(read.lines.size(), 1u);
            EXPECT_EQ(read.skipped, 2u);
            EXPECT_EQ(read.lines[0].id, 1u);
        } else if (kind == Kind::Link) {
            EXPECT_EQ(dir.read("main.dat").size(), kMain.size()); // never written through the link
        } else if (::geteuid() != 0 || kind != Kind::Unreadable) {
            EXPECT_FALSE(read.failure.empty());
            ASSERT_FALSE(messages.entries.empty());
            EXPECT_NE(messages.entries.back().text.find(cp1251("Не удалось дописать историю")), std::string::npos);
        }
    }
    // A history larger than the bound is read from its end, and says so.
    TempFolder big;
    std::string bytes = historyHeaderLine();
    for (uint64_t id = 1; id <= 100; ++id)
        bytes += historyLineText({id, id, "2026-01-02 03:04:05", ChangeSource::Typing, {1, "R", " "}, false, 1, 1, "", 0}, "");
    big.write("history.dat", bytes);
    const HistoryRead tail = readHistoryFile(big.file("history.dat"), 1000);
    EXPECT_TRUE(tail.olderCut);
    EXPECT_EQ(tail.skipped, 0u);
    ASSERT_FALSE(tail.lines.empty());
    EXPECT_EQ(tail.lines.back().id, 100u);
    EXPECT_LT(tail.lines.size(), 100u);
}

TEST(History, AHundredThousandLinesAreReadQuickly)
{
    std::string bytes = historyHeaderLine();
    for (uint64_t id = 1; id <= 100000; ++id)
        bytes += historyLineText({id, id, "2026-01-02 03:04:05", ChangeSource::Pass,
                                  {static_cast<int>(id % 40), "KT" + std::to_string(id % 977), cp1251("корпус TO-92")},
                                  id % 3 == 0, static_cast<int>(id % 50), static_cast<uint32_t>(id % 1000),
                                  cp1251("плата усилителя"), 0},
                                 cp1251("Транзисторы"));
    // The time this thread worked, so that other programs busy on the machine do not count.
    const auto cpuMs = [] {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
    };
    const double start = cpuMs();
    const auto wallStart = std::chrono::steady_clock::now();
    const HistoryRead read = readHistoryBytes(bytes);
    const double ms = cpuMs() - start;
    const auto wall = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - wallStart).count();
    EXPECT_EQ(read.lines.size(), 100000u);
    EXPECT_EQ(read.lines.back().note, cp1251("плата усилителя"));
    std::printf("100000 history lines (%zu bytes) read in %.1f ms of CPU time (%lld ms wall)\n", bytes.size(), ms,
                static_cast<long long>(wall));
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_LT(ms, 150.0); // a bound that a reading slower by far (a copy per line too many, a quadratic step) exceeds
#endif
}
