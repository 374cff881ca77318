#include "folderlock.h"

#include "cp1251.h"
#include "messages.h"
#include "syserror.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vosk {
namespace {

std::string systemReason(int err) { return systemErrorText(err); }

// The first line of a small system file (an identity), or nothing.
std::string firstLineOf(const char *file)
{
    std::string s;
    const int fd = ::open(file, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return s;
    char buf[128];
    const ssize_t n = ::read(fd, buf, sizeof buf);
    ::close(fd);
    if (n > 0)
        s.assign(buf, static_cast<size_t>(n));
    s.resize(std::min(s.size(), s.find_first_of("\r\n")));
    return s;
}

const std::string &machineId()
{
    static const std::string id = [] {
        std::string s = firstLineOf("/etc/machine-id");
        return s.empty() ? firstLineOf("/var/lib/dbus/machine-id") : s;
    }();
    return id;
}

const std::string &bootId()
{
    static const std::string id = firstLineOf("/proc/sys/kernel/random/boot_id");
    return id;
}

std::string hostName()
{
    char buf[HOST_NAME_MAX + 1] = {};
    if (::gethostname(buf, sizeof buf - 1) != 0)
        return {};
    return buf;
}

std::string programName()
{
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return "voskbase";
    const std::string_view exe(buf, static_cast<size_t>(n));
    return std::string(exe.substr(exe.rfind('/') + 1));
}

bool processRuns(int64_t pid)
{
    return pid > 0 && pid <= INT_MAX && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

// What a lock file says, one field a line.
struct LockInfo {
    int64_t pid = 0;
    std::string program, host, machine, boot;
};

LockInfo parseLockFile(std::string_view bytes)
{
    std::string_view lines[5];
    for (std::string_view &line : lines) {
        const size_t end = bytes.find('\n');
        if (end == std::string_view::npos)
            break; // a line without its end was not written whole
        line = bytes.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        bytes.remove_prefix(end + 1);
    }
    LockInfo info;
    const std::string_view p = lines[0];
    bool number = !p.empty() && p.size() <= 10 && p[0] != '0';
    for (char c : p)
        number = number && c >= '0' && c <= '9';
    if (number && std::stoll(std::string(p)) <= INT_MAX)
        info.pid = std::stoll(std::string(p));
    info.program = lines[1];
    info.host = lines[2];
    info.machine = lines[3];
    info.boot = lines[4];
    return info;
}

// The file at `path` is the one open as `fd` (nobody replaced or removed it meanwhile).
bool isFileAt(int fd, const std::string &path)
{
    struct stat mine {}, there {};
    return ::fstat(fd, &mine) == 0 && ::lstat(path.c_str(), &there) == 0 && mine.st_dev == there.st_dev &&
           mine.st_ino == there.st_ino;
}

bool writeOwnInfo(int fd)
{
    const std::string info = std::to_string(::getpid()) + "\n" + programName() + "\n" + hostName() + "\n" +
                             machineId() + "\n" + bootId() + "\n";
    return ::ftruncate(fd, 0) == 0 && ::pwrite(fd, info.data(), info.size(), 0) == static_cast<ssize_t>(info.size()) &&
           (::fdatasync(fd) == 0 || errno == EINVAL);
}

constexpr int kOpenExisting = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;

} // namespace

void shareWithFolderGroup(int fd, const std::string &datapath)
{
    struct stat folder {}, file {};
    if (::stat(datapath.empty() ? "." : datapath.c_str(), &folder) != 0 || !(folder.st_mode & S_IWGRP) ||
        ::fstat(fd, &file) != 0)
        return;
    // Either may be refused (a group this user is not in, a file of another user): the file
    // then stays as it was made, which is how it was before.
    if (file.st_gid != folder.st_gid && ::fchown(fd, static_cast<uid_t>(-1), folder.st_gid) != 0)
        return;
    if ((file.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        (void)::fchmod(fd, (file.st_mode & 07777 & ~static_cast<mode_t>(S_ISGID)) | S_IRGRP | S_IWGRP);
}

FolderLock::FolderLock(const std::string &datapath) : datapath_(datapath), path_(datapath + "voskbase.lock") {}

FolderLock::~FolderLock() { release(); }

void FolderLock::release()
{
    if (fd_ < 0)
        return;
    // Only the file this program made or took over: never one another program put there since.
    if (isFileAt(fd_, path_))
        ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
}

FolderLock::State FolderLock::create()
{
    const int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            return State::Held; // there is a lock file: judged by the caller
        reason_ = systemReason(errno);
        return State::Failed;
    }
    // Empty for a moment: a program that took it over in that moment holds its flock now.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return State::Held;
    }
    shareWithFolderGroup(fd, datapath_);
    if (!writeOwnInfo(fd)) {
        reason_ = systemReason(errno);
        ::unlink(path_.c_str());
        ::close(fd);
        return State::Failed;
    }
    fd_ = fd;
    return State::Acquired;
}

// Judges an existing lock file open as `fd`, taking its flock when nobody holds it (it goes
// with the descriptor).
FolderLock::State FolderLock::judge(int fd)
{
    holder_ = {};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        reason_ = S_ISDIR(st.st_mode) ? cp1251("это папка, а не файл") : cp1251("это не обычный файл");
        return State::Unknown;
    }
    // A file system without flock says nothing here; the file's words decide then.
    const bool lockedByOther = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    char buf[4096];
    const ssize_t n = ::pread(fd, buf, sizeof buf, 0);
    if (n < 0 && !lockedByOther) {
        reason_ = systemReason(errno);
        return State::Unknown;
    }
    const LockInfo info = parseLockFile(std::string_view(buf, n > 0 ? static_cast<size_t>(n) : 0));
    holder_.pid = info.pid;
    holder_.program = info.program;
    holder_.host = info.host;
    const bool sameMachine = info.machine.empty() || machineId().empty() || info.machine == machineId();
    holder_.thisHost = (info.host.empty() || info.host == hostName()) && sameMachine;
    if (lockedByOther)
        return State::Held;
    if (info.pid == 0)
        return State::Abandoned;
    if (!holder_.thisHost)
        return State::Unknown;
    // A process number of an earlier start of the machine names nobody now.
    if (!info.boot.empty() && !bootId().empty() && info.boot != bootId())
        return State::Stale;
    return processRuns(info.pid) ? State::Held : State::Stale;
}

FolderLock::State FolderLock::tryAcquire()
{
    if (fd_ >= 0)
        return State::Acquired;
    reason_.clear();
    for (int attempt = 0; attempt < 3; ++attempt) {
        const State made = create();
        if (made != State::Held)
            return made;
        const int fd = ::open(path_.c_str(), O_RDONLY | kOpenExisting);
        if (fd < 0) {
            if (errno == ENOENT)
                continue; // released meanwhile
            holder_ = {};
            reason_ = systemReason(errno);
            return State::Unknown;
        }
        const State s = judge(fd);
        ::close(fd);
        return s;
    }
    return State::Held;
}

bool FolderLock::takeOver()
{
    if (fd_ >= 0)
        return true;
    reason_.clear();
    int fd = ::open(path_.c_str(), O_RDWR | kOpenExisting);
    const bool writable = fd >= 0;
    if (fd < 0 && errno == EACCES)
        fd = ::open(path_.c_str(), O_RDONLY | kOpenExisting);
    if (fd < 0) {
        if (errno == ENOENT)
            return tryAcquire() == State::Acquired;
        reason_ = systemReason(errno);
        return false;
    }
    // Under the file's flock nobody else takes it over meanwhile; what it says is read again.
    const State s = judge(fd);
    if (s != State::Stale && s != State::Abandoned) {
        if (reason_.empty())
            reason_ = cp1251("её только что заняла другая программа");
        ::close(fd);
        return false;
    }
    if (!isFileAt(fd, path_)) {
        ::close(fd); // released or replaced meanwhile: start again
        return tryAcquire() == State::Acquired;
    }
    if (writable) {
        if (!writeOwnInfo(fd)) {
            reason_ = systemReason(errno);
            ::close(fd);
            return false;
        }
        shareWithFolderGroup(fd, datapath_);
        fd_ = fd;
        return true;
    }
    // Another user's file this one may not write (made before locks were shared with the
    // folder's group): replaced by a new one, which the folder's write permission allows.
    const bool removed = ::unlink(path_.c_str()) == 0;
    const int err = errno;
    ::close(fd);
    if (!removed) {
        reason_ = systemReason(err);
        return false;
    }
    return create() == State::Acquired;
}

namespace {

std::string holderWords(const FolderLock::Holder &h)
{
    if (h.pid == 0)
        return {};
    return cp1251("компьютер ") + pathForMessage(h.host.empty() ? hostName() : h.host) + cp1251(", процесс ") +
           std::to_string(h.pid) + "; ";
}

} // namespace

std::string folderHeldText(const FolderLock &lock, FolderLock::State state)
{
    const std::string lockName = pathForMessage(lock.path());
    const FolderLock::Holder &h = lock.holder();
    if (state == FolderLock::State::Held)
        return cp1251("С этой базой уже работает другая копия программы (") + holderWords(h) +
               cp1251("файл блокировки ") + lockName + ").";
    if (h.pid > 0 && !h.thisHost)
        return cp1251("С этой базой, возможно, работает программа на другом компьютере (") + holderWords(h) +
               cp1251("файл блокировки ") + lockName +
               cp1251("). Отсюда нельзя узнать, работает ли она ещё. Если на том компьютере программа закрыта, "
                      "удалите файл ") +
               lockName + cp1251(" и запустите программу снова.");
    return cp1251("Файл блокировки ") + lockName + cp1251(" не удалось прочитать: ") + lock.reason() +
           cp1251(". Кто занимает базу, неизвестно. Если ни одна программа с ней не работает, удалите этот файл и "
                  "запустите программу снова.");
}

std::string folderTakenOverText(const FolderLock &lock, FolderLock::State state)
{
    const std::string lockName = pathForMessage(lock.path());
    if (state == FolderLock::State::Stale)
        return cp1251("Блокировка ") + lockName + cp1251(" снята: её оставила программа, которой больше нет (процесс ") +
               std::to_string(lock.holder().pid) + cp1251(" на этом компьютере).");
    return cp1251("Файл блокировки ") + lockName +
           cp1251(" не называл ни одной программы (пустой или повреждённый): никто базу не занимал, блокировка снята.");
}

FolderAccess decideFolderAccess(FolderLock &lock, Messages &messages)
{
    return decideFolderAccess(lock, lock.tryAcquire(), messages);
}

FolderAccess decideFolderAccess(FolderLock &lock, FolderLock::State tried, Messages &messages)
{
    const std::string lockName = pathForMessage(lock.path());
    auto takeOverOrShowOnly = [&](bool tell) {
        if (lock.takeOver()) {
            if (tell)
                messages.inform(folderTakenOverText(lock, tried));
            return FolderAccess::Write;
        }
        messages.error(cp1251("Не удалось снять блокировку ") + lockName + ": " + lock.reason() +
                       cp1251(". База открыта только для просмотра."));
        return FolderAccess::ReadOnly;
    };
    switch (tried) {
    case FolderLock::State::Acquired:
    case FolderLock::State::Failed:
        return FolderAccess::Write;
    case FolderLock::State::Held:
    case FolderLock::State::Unknown: {
        const int c = messages.choose(
            folderHeldText(lock, tried) +
                cp1251("\rДве программы, записывающие одну базу, теряли бы изменения друг друга. Можно открыть "
                       "базу только для просмотра или выйти."),
            {cp1251("Только просмотр"), cp1251("Выйти")});
        return c == 0 ? FolderAccess::ReadOnly : FolderAccess::Quit;
    }
    case FolderLock::State::Stale: {
        const int c = messages.choose(
            cp1251("База занята программой, которой больше нет (процесс ") + std::to_string(lock.holder().pid) +
                cp1251(" на этом компьютере): вероятно, она была завершена аварийно.\rСнять блокировку ") + lockName +
                cp1251(" и работать с базой?"),
            {cp1251("Снять блокировку"), cp1251("Только просмотр"), cp1251("Выйти")});
        if (c == 0)
            return takeOverOrShowOnly(false);
        return c == 1 ? FolderAccess::ReadOnly : FolderAccess::Quit;
    }
    case FolderLock::State::Abandoned:
        return takeOverOrShowOnly(true);
    }
    return FolderAccess::Write;
}

} // namespace vosk
