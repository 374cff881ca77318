#include "pgtestdb.h"
#include "serverstore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace vosk::server;

namespace {

std::string readAll(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}
void writeAll(const fs::path &p, const std::string &bytes) { std::ofstream(p, std::ios::binary) << bytes; }

class ServerStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(db.conninfo().empty()) << "no test server: run through ctest (VOSK_TEST_PG)";
        c = std::make_unique<Connection>(db.conninfo());
        ASSERT_TRUE(c->ok()) << c->error();
        dir = fs::temp_directory_path() /
            ("vosk-server-" + std::to_string(getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir / "in");
    }
    void TearDown() override { fs::remove_all(dir); }
    // A stock in the database from the given main.dat (and two small companion files).
    void importMain(const std::string &main)
    {
        writeAll(dir / "in/main.dat", main);
        writeAll(dir / "in/components.lst", "\xD0\xE5\xE7\xE8\xF1\xF2\xEE\xF0\xFB\r\n");
        ASSERT_TRUE(initSchema(*c)) << c->error();
        ASSERT_TRUE(importFolder(*c, (dir / "in").string())) << c->error();
    }
    int quantityOf(long record)
    {
        const auto all = quantities(*c);
        for (auto [line, q] : all.value())
            if (line == record)
                return q;
        return -1;
    }
    test::ScratchDatabase db;
    std::unique_ptr<Connection> c;
    fs::path dir;
};

TEST_F(ServerStore, SchemaIsMadeOnceAndUpgradeKeepsIt)
{
    EXPECT_EQ(schemaVersion(*c), 0);
    EXPECT_FALSE(importFolder(*c, VOSK_SOURCE_DATA)) << "an import without a schema must be refused";
    ASSERT_TRUE(initSchema(*c)) << c->error();
    EXPECT_EQ(schemaVersion(*c), schemaVersionWanted());
    EXPECT_FALSE(initSchema(*c)) << "a second init must be refused";
    EXPECT_EQ(upgradeSchema(*c), schemaVersionWanted());
    // A database from a newer program is left alone.
    ASSERT_TRUE(c->command("UPDATE schema_version SET version = version + 1"));
    EXPECT_FALSE(upgradeSchema(*c));
    EXPECT_EQ(schemaVersion(*c), schemaVersionWanted() + 1);
}

TEST_F(ServerStore, BundledFolderComesBackByteForByte)
{
    ASSERT_TRUE(initSchema(*c)) << c->error();
    const auto in = importFolder(*c, VOSK_SOURCE_DATA);
    ASSERT_TRUE(in) << c->error();
    EXPECT_GT(in->records, 400);
    EXPECT_EQ(in->keptLines, 0);
    EXPECT_FALSE(importFolder(*c, VOSK_SOURCE_DATA)) << "a second import would double the stock";
    const auto out = exportFolder(*c, (dir / "out").string());
    ASSERT_TRUE(out) << c->error();
    EXPECT_EQ(out->records, in->records);
    for (const char *f : {"main.dat", "strings.dat", "components.lst"})
        EXPECT_EQ(readAll(dir / "out" / f), readAll(fs::path(VOSK_SOURCE_DATA) / f)) << f;
    EXPECT_FALSE(exportFolder(*c, (dir / "out").string())) << "an export must not overwrite a folder's files";
}

TEST_F(ServerStore, HostileFolderComesBackByteForByte)
{
    using namespace std::string_literals;
    const std::string main = "1\x01R1 \xEE\xEC\x01"
                             "5\x01\xEE\xEF\xE8\xF1\xE0\xED\xE8\xE5\r\n"s // a record
                             "2\x01"
                             "C'); DROP TABLE main_line;--\x01"
                             "7\x01\\x00 $1\r\n" // quoting in the text
                             "1\x01"
                             "R2\x01"
                             "007\x01zero-padded\r\n" // kept: 007 reads as 7
                             "1\x01"
                             "R3\x01"
                             "70000\x01too many\r\n" // kept: past 65535
                             "garbage line without separators\r\n"
                             "x\r\n" // short, kept
                             "\r\n"
                             "3\x01"
                             "N\0ul\x01"
                             "1\x01\x98 bare\nLF\x01more\x01seps\r\n"s // NUL, 0x98, LF, 0x01
                             "1\x01"
                             "R4k\x01"
                             "2\x01lone CR\r" // a CR alone ends a line
                             "4\x01last\x01"
                             "9\x01no line end";
    const std::string strings = "0\r\n\xFF\xFE\r\n\n\x1A\r\nafter the end of text\r\n";
    writeAll(dir / "in/strings.dat", strings);
    importMain(main);
    const auto out = exportFolder(*c, (dir / "out").string());
    ASSERT_TRUE(out) << c->error();
    EXPECT_EQ(out->records, 5);
    EXPECT_EQ(out->keptLines, 5);
    EXPECT_EQ(readAll(dir / "out/main.dat"), main);
    EXPECT_EQ(readAll(dir / "out/strings.dat"), strings);
    EXPECT_EQ(readAll(dir / "out/components.lst"), readAll(dir / "in/components.lst"));
    // The changeable records are the ones that read back the same; a kept line is not one.
    EXPECT_EQ(quantityOf(2), 7);
    EXPECT_EQ(changeQuantity(*c, 3, 1).kind, ChangeResult::NoRecord);
    EXPECT_EQ(changeQuantity(*c, 8, 1).kind, ChangeResult::Done);
    // Numbered as the folder's readers number lines: after a lone CR, and the last line.
    EXPECT_EQ(quantityOf(9), 2);
    EXPECT_EQ(changeQuantity(*c, 10, 1).quantity, 10);
    const auto after = exportFolder(*c, (dir / "out2").string());
    ASSERT_TRUE(after) << c->error();
    std::string changed = main;
    changed.replace(changed.find("\x01"
                                 "1\x01\x98"),
                    3,
                    "\x01"
                    "2\x01");
    changed.replace(changed.find("\x01"
                                 "9\x01no"),
                    3,
                    "\x01"
                    "10\x01");
    EXPECT_EQ(readAll(dir / "out2/main.dat"), changed);
}

TEST_F(ServerStore, FolderWithoutCompanionFilesStaysSo)
{
    writeAll(dir / "in/main.dat",
             "1\x01R1k\x01"
             "5\x01\r\n");
    ASSERT_TRUE(initSchema(*c)) << c->error();
    ASSERT_TRUE(importFolder(*c, (dir / "in").string())) << c->error();
    ASSERT_TRUE(exportFolder(*c, (dir / "out").string())) << c->error();
    EXPECT_EQ(readAll(dir / "out/main.dat"), readAll(dir / "in/main.dat"));
    EXPECT_FALSE(fs::exists(dir / "out/strings.dat"));
    EXPECT_FALSE(fs::exists(dir / "out/components.lst"));
}

TEST_F(ServerStore, ChangesStayWithinBounds)
{
    importMain("1\x01R1k\x01"
               "5\x01\r\n1\x01R2k\x01"
               "65530\x01\r\n");
    EXPECT_EQ(changeQuantity(*c, 1, -5).kind, ChangeResult::Done);
    ChangeResult r = changeQuantity(*c, 1, -1);
    EXPECT_EQ(r.kind, ChangeResult::OutOfBounds);
    EXPECT_EQ(r.quantity, 0);
    r = changeQuantity(*c, 2, 5);
    EXPECT_EQ(r.kind, ChangeResult::Done);
    EXPECT_EQ(r.quantity, 65535);
    r = changeQuantity(*c, 2, 1);
    EXPECT_EQ(r.kind, ChangeResult::OutOfBounds);
    EXPECT_EQ(r.quantity, 65535);
    // A delta past the integer range is refused, not an overflow.
    EXPECT_EQ(changeQuantity(*c, 1, 2147483647).kind, ChangeResult::OutOfBounds);
    EXPECT_EQ(changeQuantity(*c, 3, 1).kind, ChangeResult::NoRecord);
    EXPECT_EQ(quantityOf(1), 0);
    EXPECT_EQ(quantityOf(2), 65535);
}

TEST_F(ServerStore, TakingPassIsAllOrNothing)
{
    importMain("1\x01R1k\x01"
               "5\x01\r\n1\x01R2k\x01"
               "3\x01\r\n1\x01R3k\x01"
               "9\x01\r\n");
    auto refused = takePass(*c, {{1, 2}, {3, 4}, {2, 4}, {1, 1}});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->index, 2u);
    EXPECT_EQ(refused->result.kind, ChangeResult::OutOfBounds);
    EXPECT_EQ(refused->result.quantity, 3);
    EXPECT_EQ(quantityOf(1), 5);
    EXPECT_EQ(quantityOf(3), 9);
    refused = takePass(*c, {{1, 2}, {7, 1}});
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->result.kind, ChangeResult::NoRecord);
    EXPECT_EQ(quantityOf(1), 5);
    EXPECT_TRUE(takePass(*c, {{1, 0}})) << "a take of nothing is refused";
    EXPECT_FALSE(takePass(*c, {{1, 2}, {3, 4}, {2, 3}, {1, 3}})) << c->error();
    EXPECT_EQ(quantityOf(1), 0);
    EXPECT_EQ(quantityOf(2), 0);
    EXPECT_EQ(quantityOf(3), 5);
    // The connection is usable after a refused pass (no transaction left open).
    EXPECT_EQ(changeQuantity(*c, 3, 1).quantity, 6);
}

} // namespace

namespace {

TEST_F(ServerStore, FailedImportLeavesNothing)
{
    ASSERT_TRUE(initSchema(*c)) << c->error();
    // The server refuses the 3rd category line: the statements sent before it are undone too.
    ASSERT_TRUE(c->command("ALTER TABLE category ADD CHECK (line < 3)"));
    writeAll(dir / "in/main.dat", "1\x01R1k\x01" "5\x01\r\n");
    writeAll(dir / "in/components.lst", "a\r\nb\r\nc\r\nd\r\n");
    EXPECT_FALSE(importFolder(*c, (dir / "in").string()));
    EXPECT_NE(c->error().find("category"), std::string::npos) << c->error();
    const auto left = quantities(*c);
    ASSERT_TRUE(left) << c->error();
    EXPECT_TRUE(left->empty());
    EXPECT_FALSE(exportFolder(*c, (dir / "out").string())) << "an empty database has no stock to export";
    ASSERT_TRUE(c->command("ALTER TABLE category DROP CONSTRAINT category_line_check1"));
    EXPECT_TRUE(importFolder(*c, (dir / "in").string())) << c->error();
}

} // namespace

#include <csignal>
#include <sys/wait.h>
#include <thread>

namespace {

TEST_F(ServerStore, KilledPassLeavesNothingTaken)
{
    importMain("1\x01R1k\x01" "5\x01\r\n1\x01R2k\x01" "5\x01\r\n1\x01R3k\x01" "5\x01\r\n");
    // Record 3 is held by another bench, so the pass stops there with 1 and 2 already taken.
    Connection holder(db.conninfo());
    ASSERT_TRUE(holder.command("BEGIN"));
    ASSERT_TRUE(holder.command("SELECT quantity FROM main_line WHERE line = 3 FOR UPDATE"));
    const pid_t pid = fork();
    ASSERT_NE(pid, -1);
    if (pid == 0) {
        Connection bench(db.conninfo());
        takePass(bench, {{1, 2}, {2, 2}, {3, 2}});
        _exit(0);
    }
    // Wait until the pass waits for the lock, then kill it there.
    bool waiting = false;
    for (int i = 0; i < 200 && !waiting; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        Connection probe(db.conninfo());
        waiting = probe.command("DO $$ BEGIN IF NOT EXISTS (SELECT 1 FROM pg_stat_activity WHERE wait_event_type = "
                                "'Lock' AND datname = current_database()) THEN RAISE 'not yet'; END IF; END $$");
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(waiting) << "the pass never reached the held record";
    EXPECT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(holder.command("COMMIT"));
    // The server ends the killed session's transaction: its first two takes are gone with it.
    for (int wait = 0; wait < 100; ++wait) {
        Connection probe(db.conninfo());
        if (probe.command("DO $$ BEGIN IF EXISTS (SELECT 1 FROM pg_stat_activity WHERE datname = current_database() "
                          "AND pid <> pg_backend_pid() AND state <> 'idle' AND backend_type = 'client backend' "
                          "AND query LIKE 'UPDATE%') THEN RAISE 'busy'; END IF; END $$"))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(quantityOf(1), 5);
    EXPECT_EQ(quantityOf(2), 5);
    EXPECT_EQ(quantityOf(3), 5);
}

} // namespace
