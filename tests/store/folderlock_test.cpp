// The folder's lock: who may take over a lock left behind, and the files a folder shared by a
// group must leave to the group (the lock, the journal).
#include "cp1251.h"
#include "datafiles.h"
#include "folderlock.h"
#include "inventory.h"
#include "recordingmessages.h"
#include "tempfolder.h"

#include <climits>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vosk;
using vosk::test::RecordingMessages;
using vosk::test::TempFolder;
using State = FolderLock::State;

namespace {

std::string host()
{
    char buf[HOST_NAME_MAX + 1] = {};
    ::gethostname(buf, sizeof buf - 1);
    return buf;
}

std::string bootId()
{
    std::ifstream in("/proc/sys/kernel/random/boot_id");
    std::string id;
    std::getline(in, id);
    return id;
}

int64_t firstNumber(const std::string &text) { return text.empty() ? 0 : std::atoll(text.c_str()); }

// A child process that takes the folder's lock and then waits (live) or ends without giving
// it up (killed); the parent reads its pid once the lock is taken.
pid_t holderProcess(const std::string &datapath, bool stayAlive)
{
    int ready[2];
    if (::pipe(ready) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        auto *lock = new FolderLock(datapath); // never destroyed: a killed program does not release
        const char ok = lock->tryAcquire() == State::Acquired ? '1' : '0';
        (void)!::write(ready[1], &ok, 1);
        if (stayAlive)
            ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char ok = '0';
    (void)!::read(ready[0], &ok, 1);
    ::close(ready[0]);
    if (!stayAlive)
        ::waitpid(child, nullptr, 0);
    return ok == '1' ? child : -1;
}

void endProcess(pid_t pid)
{
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
}

} // namespace

TEST(FolderLock, ALiveHolderIsNeverDisplacedWhateverTheFileSaysOrItsAge)
{
    TempFolder dir;
    const pid_t holder = holderProcess(dir.datapath(), true);
    ASSERT_GT(holder, 0);
    const std::string written = dir.read("voskbase.lock");
    EXPECT_EQ(firstNumber(written), holder);
    // A year old: age never makes a lock stale.
    const timeval yearAgo[2] = {{::time(nullptr) - 365 * 86400, 0}, {::time(nullptr) - 365 * 86400, 0}};
    ASSERT_EQ(::utimes(dir.file("voskbase.lock").c_str(), yearAgo), 0);

    FolderLock second(dir.datapath());
    EXPECT_EQ(second.tryAcquire(), State::Held);
    EXPECT_EQ(second.holder().pid, holder);
    EXPECT_FALSE(second.takeOver());
    EXPECT_EQ(dir.read("voskbase.lock"), written);
    RecordingMessages messages;
    messages.choices = {0};
    EXPECT_EQ(decideFolderAccess(second, messages), FolderAccess::ReadOnly);
    EXPECT_NE(messages.entries.back().text.find(std::to_string(holder)), std::string::npos);

    // Even a file the live holder no longer says anything in (emptied by hand) stays its own.
    dir.write("voskbase.lock", "");
    EXPECT_EQ(second.tryAcquire(), State::Held);
    EXPECT_FALSE(second.takeOver());
    endProcess(holder);

    // A running process of this host named by a file nobody keeps locked (an older program,
    // a file written by hand) is taken as the holder; one of an earlier boot is not.
    const pid_t sleeper = ::fork();
    if (sleeper == 0) {
        ::pause();
        ::_exit(0);
    }
    dir.write("voskbase.lock", std::to_string(sleeper) + "\nvoskbase\n" + host() + "\n");
    EXPECT_EQ(second.tryAcquire(), State::Held);
    EXPECT_FALSE(second.takeOver());
    if (!bootId().empty()) {
        dir.write("voskbase.lock", std::to_string(sleeper) + "\nvoskbase\n" + host() + "\n\n" + bootId() + "\n");
        EXPECT_EQ(second.tryAcquire(), State::Held);
        dir.write("voskbase.lock",
                  std::to_string(sleeper) + "\nvoskbase\n" + host() + "\n\n00000000-0000-0000-0000-000000000000\n");
        EXPECT_EQ(second.tryAcquire(), State::Stale);
    }
    endProcess(sleeper);
}

TEST(FolderLock, ADeadHolderOfThisHostOrNoHolderAtAllIsTakenOver)
{
    TempFolder dir;
    const pid_t dead = holderProcess(dir.datapath(), false);
    ASSERT_GT(dead, 0);
    ASSERT_TRUE(dir.exists("voskbase.lock"));
    FolderLock lock(dir.datapath());
    EXPECT_EQ(lock.tryAcquire(), State::Stale);
    EXPECT_EQ(lock.holder().pid, dead);
    ASSERT_TRUE(lock.takeOver());
    EXPECT_EQ(firstNumber(dir.read("voskbase.lock")), ::getpid());
    FolderLock after(dir.datapath());
    EXPECT_EQ(after.tryAcquire(), State::Held);
    lock.release();
    EXPECT_FALSE(dir.exists("voskbase.lock"));

    // An empty file, junk, or a process number 0 name no holder: taken over, and the user told.
    for (const char *junk : {"", "garbage\n", "0\nvoskbase\nhost\n", "\x01\x02\xff", "123"}) {
        dir.write("voskbase.lock", junk);
        FolderLock again(dir.datapath());
        EXPECT_EQ(again.tryAcquire(), State::Abandoned) << junk;
        RecordingMessages messages;
        EXPECT_EQ(decideFolderAccess(again, messages), FolderAccess::Write) << junk;
        ASSERT_EQ(messages.entries.size(), 1u);
        EXPECT_EQ(messages.entries[0].kind, RecordingMessages::Entry::Kind::Inform);
        EXPECT_NE(messages.entries[0].text.find(cp1251("блокировка снята")), std::string::npos);
        EXPECT_TRUE(again.held());
        EXPECT_EQ(firstNumber(dir.read("voskbase.lock")), ::getpid());
    }
}

TEST(FolderLock, AHolderThatCannotBeKnownIsExplainedWithHowToRemoveIt)
{
    TempFolder dir;
    dir.write("voskbase.lock", "4242\nvoskbase\nanother-host-" + host() + "\n");
    FolderLock lock(dir.datapath());
    EXPECT_EQ(lock.tryAcquire(), State::Unknown);
    EXPECT_FALSE(lock.takeOver());
    RecordingMessages messages;
    messages.choices = {1};
    EXPECT_EQ(decideFolderAccess(lock, messages), FolderAccess::Quit);
    const std::string text = messages.entries.back().text;
    EXPECT_NE(text.find("another-host-"), std::string::npos) << utf8From1251(text);
    EXPECT_NE(text.find(cp1251("удалите файл")), std::string::npos) << utf8From1251(text);
    EXPECT_EQ(dir.read("voskbase.lock"), "4242\nvoskbase\nanother-host-" + host() + "\n");

    ::unlink(dir.file("voskbase.lock").c_str());
    ASSERT_EQ(::mkdir(dir.file("voskbase.lock").c_str(), 0755), 0);
    EXPECT_EQ(lock.tryAcquire(), State::Unknown);
    EXPECT_NE(folderHeldText(lock, State::Unknown).find(cp1251("это папка")), std::string::npos);
}

// A folder writable by its group: what one member's program leaves, another's can take over.
TEST(FolderLock, TheLockAndTheJournalBelongToTheFolderGroup)
{
    TempFolder dir;
    const gid_t group = ::geteuid() == 0 ? 4321 : ::getegid();
    ASSERT_EQ(::chown(dir.path().c_str(), static_cast<uid_t>(-1), group), 0);
    ASSERT_EQ(::chmod(dir.path().c_str(), 0775), 0);
    const mode_t mask = ::umask(022);
    {
        FolderLock lock(dir.datapath());
        ASSERT_EQ(lock.tryAcquire(), State::Acquired);
        struct stat st {};
        ASSERT_EQ(::stat(dir.file("voskbase.lock").c_str(), &st), 0);
        EXPECT_EQ(st.st_gid, group);
        EXPECT_EQ(st.st_mode & 0777, 0664u);
    }
    dir.write("main.dat", "");
    dir.write("strings.dat", "");
    dir.write("components.lst", "A\r\n");
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    folder.loadbase(store, nullptr);
    ASSERT_TRUE(folder.record({0, "x", " ", 1, false}));
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("main.jnl").c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, group);
    EXPECT_EQ(st.st_mode & 0777, 0664u);
    ::umask(mask);
}

// A FIFO in place of the journal: the change is refused at once with the file's name, never
// waited on.
TEST(FolderLock, AJournalThatIsNoRegularFileIsRefusedWithoutWaiting)
{
    TempFolder dir;
    dir.write("main.dat", "");
    dir.write("strings.dat", "");
    dir.write("components.lst", "A\r\n");
    RecordingMessages messages;
    DataFolder folder(dir.datapath(), messages);
    CompStore store;
    folder.loadbase(store, nullptr);
    ASSERT_EQ(::mkfifo(dir.file("main.jnl").c_str(), 0644), 0);
    EXPECT_FALSE(folder.record({0, "x", " ", 1, false}));
    ASSERT_EQ(messages.entries.size(), 1u);
    EXPECT_NE(messages.entries[0].text.find(dir.file("main.jnl")), std::string::npos);
    EXPECT_NE(messages.entries[0].text.find(cp1251("не обычный файл")), std::string::npos)
        << utf8From1251(messages.entries[0].text);
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("main.jnl").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// The command line takes the lock through its Inventory, by the same rule and without a
// question: a live holder, or one of another host, keeps the folder; a dead one of this host
// does not.
TEST(FolderLock, ACommandWritesOnlyWhenTheHolderIsProvablyGone)
{
    TempFolder dir;
    dir.write("components.lst", "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n");
    dir.write("strings.dat", "");
    dir.write("main.dat", "9\x01" "d\x01" "1\x01 \r\n"); // category 9 holds names, not values
    const std::string mainBytes = dir.read("main.dat");
    using Result = Inventory::CommandRead::Result;

    const pid_t live = holderProcess(dir.datapath(), true);
    ASSERT_GT(live, 0);
    const std::string liveLock = dir.read("voskbase.lock");
    {
        RecordingMessages messages;
        Inventory writer(dir.datapath(), messages);
        EXPECT_EQ(writer.openForCommand(true).result, Result::Refused);
        ASSERT_FALSE(messages.entries.empty());
        EXPECT_NE(messages.entries.back().text.find(std::to_string(live)), std::string::npos);
        Inventory reader(dir.datapath(), messages); // reading needs no lock
        EXPECT_EQ(reader.openForCommand(false).result, Result::Read);
    }
    EXPECT_EQ(dir.read("voskbase.lock"), liveLock);

    // Killed: the lock it leaves names a process gone from this host.
    endProcess(live);
    {
        RecordingMessages messages;
        Inventory writer(dir.datapath(), messages);
        EXPECT_EQ(writer.openForCommand(true).result, Result::Read);
        ASSERT_EQ(messages.entries.size(), 1u);
        EXPECT_NE(messages.entries[0].text.find(cp1251("снята")), std::string::npos);
        EXPECT_NE(messages.entries[0].text.find(std::to_string(live)), std::string::npos);
        EXPECT_EQ(firstNumber(dir.read("voskbase.lock")), ::getpid());
        ASSERT_FALSE(writer.changeNamed({9, "d", "", 2, false}, true, false).refused);
        ASSERT_TRUE(writer.save());
    }
    EXPECT_FALSE(dir.exists("voskbase.lock")); // given up when the inventory goes
    EXPECT_NE(dir.read("main.dat"), mainBytes);

    // Another host's lock names a process that cannot be seen from here: never displaced.
    const std::string foreign = std::to_string(::getpid() + 1) + "\nvoskbase\nelsewhere-" + host() + "\n";
    dir.write("voskbase.lock", foreign);
    const std::string saved = dir.read("main.dat");
    RecordingMessages messages;
    Inventory writer(dir.datapath(), messages);
    EXPECT_EQ(writer.openForCommand(true).result, Result::Refused);
    ASSERT_FALSE(messages.entries.empty());
    EXPECT_NE(messages.entries.back().text.find("elsewhere-"), std::string::npos);
    EXPECT_EQ(dir.read("voskbase.lock"), foreign);
    EXPECT_EQ(dir.read("main.dat"), saved);
}
