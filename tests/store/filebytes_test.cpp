// Reading only regular files, within bounds; saving through links, keeping mode and group;
// leftovers of a killed save.
#include "cp1251.h"
#include "datafiles.h"
#include "filebytes.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vosk;
using vosk::test::RecordingMessages;
using vosk::test::TempFolder;
using Kind = RecordingMessages::Entry::Kind;
namespace fs = std::filesystem;

TEST(FileBytes, OnlyRegularFilesAreReadAndNeverPastTheirBound)
{
    TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    fs::create_directory(dir.file("folder"));
    const auto start = std::chrono::steady_clock::now();
    for (const std::string &path : {dir.file("fifo"), dir.file("folder"), std::string("/dev/zero"), std::string("/dev/null")}) {
        const ReadResult r = readFileBytes(path);
        EXPECT_EQ(r.status, ReadStatus::Failed) << path;
        EXPECT_TRUE(r.notRegular) << path;
        EXPECT_TRUE(r.bytes.empty()) << path;
        EXPECT_NE(readFailureMessage(path, r).find(path), std::string::npos);
    }
    // Opening the FIFO did not wait for a writer.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    dir.write("exact", std::string(1000, 'x'));
    dir.write("over", std::string(1001, 'x'));
    EXPECT_EQ(readFileBytes(dir.file("exact"), 1000).status, ReadStatus::Ok);
    const ReadResult over = readFileBytes(dir.file("over"), 1000);
    EXPECT_EQ(over.status, ReadStatus::Failed);
    EXPECT_TRUE(over.tooLarge);
    EXPECT_EQ(over.bytes.size(), 1000u);
    EXPECT_EQ(readFileBytes(dir.file("none")).status, ReadStatus::Missing);
}

TEST(FileBytes, AMainFileNotReadWholeMakesTheFolderReadOnly)
{
    TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.file("main.dat").c_str(), 0644), 0);
    dir.write("strings.dat", "");
    dir.write("components.lst", "A\r\n");
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    folder.loadbase(store, nullptr);
    ASSERT_EQ(messages.texts(Kind::Error).size(), 1u);
    const std::string text = messages.texts(Kind::Error)[0];
    EXPECT_NE(text.find("main.dat"), std::string::npos);
    EXPECT_NE(text.find(cp1251("только для просмотра")), std::string::npos);
    EXPECT_TRUE(folder.readOnly());
    store.append(0, "new", 1, " ");
    EXPECT_TRUE(folder.savebase(store)); // closing goes on ...
    EXPECT_TRUE(fs::is_fifo(dir.file("main.dat"))); // ... and never replaces the file
    EXPECT_FALSE(dir.exists("main.jnl"));
}

TEST(FileBytes, SavingThroughALinkKeepsTheLinkAndTheMode)
{
    TempFolder dir;
    fs::create_directory(dir.file("real"));
    dir.write("real/data.dat", "old");
    ::chmod(dir.file("real/data.dat").c_str(), 0640);
    fs::create_symlink("real/data.dat", dir.file("main.dat"));
    const WriteResult written = replaceFileAtomically(dir.file("main.dat"), "new");
    ASSERT_TRUE(written) << written.reason;
    EXPECT_TRUE(fs::is_symlink(dir.file("main.dat")));
    EXPECT_EQ(dir.read("real/data.dat"), "new");
    struct stat st {};
    ::stat(dir.file("real/data.dat").c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // No temporary file in either folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("real")), {}), 1);
}

TEST(FileBytes, ASharedFileKeepsItsGroupOrStaysAsItWas)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "giving files to other users needs root";
    TempFolder dir;
    ::chmod(dir.path().c_str(), 0777);
    dir.write("main.dat", "old");
    // Owned by another user, in a group the saving user is not in, readable by the group.
    ASSERT_EQ(::chown(dir.file("main.dat").c_str(), 4321, 4321), 0);
    ::chmod(dir.file("main.dat").c_str(), 0666);
    const WriteResult written = replaceFileAtomically(dir.file("main.dat"), "by root");
    ASSERT_TRUE(written) << written.reason;
    struct stat st {};
    ::stat(dir.file("main.dat").c_str(), &st);
    EXPECT_EQ(st.st_gid, 4321u);
    EXPECT_EQ(st.st_mode & 07777, 0666u);

    // A user outside that group cannot give the new file to it: the save is refused and the
    // old file stays, rather than one the group can no longer read.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(5555) != 0 || ::setuid(5555) != 0)
            ::_exit(2);
        const WriteResult written = replaceFileAtomically(dir.file("main.dat"), "by 5555");
        const bool ok = written.ok;
        ::_exit(!ok && written.reason.find(cp1251("группу")) != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(dir.read("main.dat"), "by root");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 1);
}

TEST(FileBytes, LeftoversOfAKilledSaveGoButNothingElse)
{
    TempFolder dir;
    for (const char *name : {"main.dat.a1B2c3", "strings.dat.XXXXXX", "components.lst.000000", "main.dat.held00",
                             "main.dat.bak", "main.dat.12345", "notes.txt.abcdef", "main.dat"})
        dir.write(name, "x");
    // One is still being written by a running program, which holds it locked.
    const int held = ::open(dir.file("main.dat.held00").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_EQ(removeLeftoverTemporaries(dir.datapath()), 3);
    ::close(held);
    for (const char *name : {"main.dat.held00", "main.dat.bak", "main.dat.12345", "notes.txt.abcdef", "main.dat"})
        EXPECT_TRUE(dir.exists(name)) << name;
    for (const char *name : {"main.dat.a1B2c3", "strings.dat.XXXXXX", "components.lst.000000"})
        EXPECT_FALSE(dir.exists(name)) << name;
}

TEST(FileBytes, OnlyARegularFileOrANewPathIsReplaced)
{
    TempFolder dir;
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    fs::create_directory(dir.file("folder"));
    fs::create_symlink("fifo", dir.file("link"));
    std::vector<std::string> special = {dir.file("fifo"), dir.file("folder"), dir.file("link")};
    // Device nodes can be made only by root; /dev/null stands for them otherwise.
    if (::geteuid() == 0 && ::mknod(dir.file("null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0)
        special.push_back(dir.file("null"));
    else
        special.push_back("/dev/null");
    for (const std::string &path : special) {
        struct stat before {};
        ASSERT_EQ(::lstat(path.c_str(), &before), 0) << path;
        const WriteResult written = replaceFileAtomically(path, "csv");
        EXPECT_FALSE(written) << path;
        EXPECT_NE(written.reason.find(cp1251("ничего не записано")), std::string::npos) << path;
        struct stat after {};
        ASSERT_EQ(::lstat(path.c_str(), &after), 0) << path;
        EXPECT_EQ(after.st_mode, before.st_mode) << path;
        EXPECT_EQ(after.st_ino, before.st_ino) << path;
    }
    EXPECT_TRUE(replaceFileAtomically(dir.file("new.csv"), "csv"));
    EXPECT_TRUE(replaceFileAtomically(dir.file("new.csv"), "again"));
    EXPECT_EQ(dir.read("new.csv"), "again");
    // What stood there before and the new file: no temporary file left.
    const long inFolder = static_cast<long>(special.size()) - (special.back() == "/dev/null" ? 1 : 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), inFolder + 1);
}

TEST(FileBytes, PiecesComeInOrderAndAStreamStopsAtItsBound)
{
    TempFolder dir;
    std::string whole;
    for (int i = 0; i < 50000; ++i)
        whole += std::to_string(i) + "\r\n";
    dir.write("big", whole);
    std::string got;
    size_t pieces = 0;
    const auto take = [&](std::string_view piece) {
        got.append(piece);
        ++pieces;
    };
    EXPECT_EQ(readFileChunks(dir.file("big"), whole.size(), take).status, ReadStatus::Ok);
    EXPECT_EQ(got, whole);
    EXPECT_GT(pieces, 1u);
    got.clear();
    const ReadResult over = readFileChunks(dir.file("big"), 1000, take);
    EXPECT_TRUE(over.tooLarge);
    EXPECT_EQ(got, whole.substr(0, 1000));
    ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0644), 0);
    got.clear();
    EXPECT_TRUE(readFileChunks(dir.file("fifo"), 1000, take).notRegular);
    EXPECT_TRUE(readFileChunks("/dev/zero", 1000, take).notRegular);
    EXPECT_TRUE(got.empty());
}
