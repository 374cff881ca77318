#include "filebytes.h"

#include "cp1251.h"
#include "syserror.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <string_view>
#include <vector>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vosk {
namespace {

std::string systemReason(int err) { return systemErrorText(err); }

bool writeAll(int fd, std::string_view bytes, int &err)
{
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            err = errno;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string sizeText(size_t bytes)
{
    if (bytes >= (size_t(1) << 20) && bytes % (size_t(1) << 20) == 0)
        return std::to_string(bytes >> 20) + cp1251(" МБ");
    if (bytes >= 1024 && bytes % 1024 == 0)
        return std::to_string(bytes >> 10) + cp1251(" КБ");
    return std::to_string(bytes) + cp1251(" байт");
}

std::string notRegularReason(mode_t mode)
{
    return S_ISDIR(mode) ? cp1251("это папка, а не файл") : cp1251("это не обычный файл (канал, устройство или сокет)");
}

bool isTemporaryName(std::string_view name)
{
    for (std::string_view base : {"main.dat.", "strings.dat.", "components.lst."}) {
        if (name.size() != base.size() + 6 || name.substr(0, base.size()) != base)
            continue;
        for (char c : name.substr(base.size()))
            if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
                return false;
        return true;
    }
    return false;
}

int removeLeftoversIn(const std::string &folder)
{
    DIR *dir = ::opendir(folder.c_str());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent *e = ::readdir(dir)) {
        if (!isTemporaryName(e->d_name))
            continue;
        const std::string path = folder + "/" + e->d_name;
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        struct stat st {};
        // A writer holds its temporary file locked until it is renamed.
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::unlink(path.c_str()) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

} // namespace

namespace {
// `sized` learns the size the file has when it is opened, before the first piece.
ReadResult readPieces(const std::string &path, size_t limit, const std::function<void(size_t)> &sized,
                      const std::function<void(std::string_view)> &take)
{
    ReadResult r;
    // O_NONBLOCK: opening a FIFO nobody writes to would otherwise wait forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        r.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
        r.reason = systemReason(errno);
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        r.reason = systemReason(errno);
        ::close(fd);
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        r.notRegular = true;
        r.reason = notRegularReason(st.st_mode);
        ::close(fd);
        return r;
    }
    const size_t expected = static_cast<size_t>(st.st_size);
    sized(expected);
    size_t done = 0;
    std::vector<char> buf(size_t(1) << 16);
    for (;;) {
        const size_t room = limit - done;
        // One byte past the bound tells a file of exactly `limit` bytes from a longer one.
        const ssize_t n = ::read(fd, buf.data(), std::min(buf.size(), room + 1));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            r.reason = systemReason(errno);
            ::close(fd);
            return r;
        }
        if (n == 0)
            break;
        if (static_cast<size_t>(n) > room) {
            take(std::string_view(buf.data(), room));
            r.tooLarge = true;
            r.reason = cp1251("файл больше ") + sizeText(limit) +
                       cp1251(", столько он содержать не может; прочитано только начало");
            ::close(fd);
            return r;
        }
        take(std::string_view(buf.data(), static_cast<size_t>(n)));
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    if (done != expected) {
        r.reason = cp1251("файл изменил размер во время чтения (") + std::to_string(expected) + cp1251(" байт, прочитано ") +
                   std::to_string(done) + ")";
        return r;
    }
    r.status = ReadStatus::Ok;
    return r;
}

} // namespace

ReadResult readFileChunks(const std::string &path, size_t limit, const std::function<void(std::string_view)> &take)
{
    return readPieces(path, limit, [](size_t) {}, take);
}

ReadResult readFileBytes(const std::string &path, size_t limit)
{
    std::string bytes;
    ReadResult r = readPieces(
        path, limit, [&](size_t size) { bytes.reserve(std::min(size, limit)); },
        [&](std::string_view piece) { bytes.append(piece); });
    r.bytes = std::move(bytes);
    return r;
}

std::string readFailureMessage(const std::string &path, const ReadResult &r)
{
    return cp1251("Не удалось прочитать файл ") + pathForMessage(path) + ": " + r.reason;
}

namespace {
bool createEmpty(const std::string &path, std::string &reason)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        reason = systemReason(errno);
        return false;
    }
    if (::close(fd) != 0) {
        reason = systemReason(errno);
        return false;
    }
    return true;
}

} // namespace

std::string resolveLinks(const std::string &path)
{
    std::string current = path;
    std::set<std::string> seen;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        if (!seen.insert(current).second)
            return current; // a loop: the rename then fails with the system's words
        std::string target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4095) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<size_t>(n) >= target.size())
            return current;
        target.resize(static_cast<size_t>(n));
        current = target.front() == '/' ? target : folderOf(current) + "/" + target;
    }
    return current;
}

namespace {
bool replaceAtomically(const std::string &path, const std::string &bytes, std::string &reason)
{
    // A link (a synced or backed-up folder reached through one) keeps pointing at the data.
    const std::string target = resolveLinks(path);
    // Only a regular file is replaced: a device node, a FIFO, a socket or a folder in its
    // place (an export aimed at /dev/full) stays what it is.
    if (struct stat st {}; ::lstat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        reason = notRegularReason(st.st_mode) + cp1251("; ничего не записано");
        return false;
    }
    std::string tmp = target + ".XXXXXX";
    const int fd = ::mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        reason = systemReason(errno);
        return false;
    }
    // Held until the rename, so that a start-up meanwhile does not take it for a leftover.
    ::flock(fd, LOCK_EX | LOCK_NB);
    int err = 0;
    bool ok = true;
    struct stat old {};
    mode_t mode = 0644;
    if (::stat(target.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
        // Keep the group (a member of it may give a file of theirs to it); the owner becomes
        // the user who saves, unless that is root, who keeps the old owner too.
        const uid_t owner = ::geteuid() == 0 ? old.st_uid : static_cast<uid_t>(-1);
        struct stat mine {};
        ::fstat(fd, &mine);
        if ((mine.st_gid != old.st_gid || (owner != static_cast<uid_t>(-1) && mine.st_uid != owner)) &&
            ::fchown(fd, owner, old.st_gid) != 0) {
            err = errno;
            ok = false;
            reason = cp1251("новому файлу нельзя дать группу прежнего (") + std::to_string(old.st_gid) + "): " +
                     systemReason(err) + cp1251("; прежний файл оставлен как был");
        }
    }
    ok = ok && (::fchmod(fd, mode) == 0 || (err = errno, false));
    ok = ok && writeAll(fd, bytes, err);
    ok = ok && (::fsync(fd) == 0 || (err = errno, false));
    // A network file system may report a failed write only at close: close before the rename.
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    ok = ok && (::rename(tmp.c_str(), target.c_str()) == 0 || (err = errno, false));
    if (!ok) {
        ::unlink(tmp.c_str());
        if (reason.empty())
            reason = systemReason(err);
        return false;
    }
    // The rename itself must reach the disk too, or a power cut could bring the old name back.
    const int dir = ::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
} // namespace

WriteResult createEmptyFile(const std::string &path)
{
    WriteResult w;
    w.ok = createEmpty(path, w.reason);
    return w;
}

WriteResult replaceFileAtomically(const std::string &path, const std::string &bytes)
{
    WriteResult w;
    w.ok = replaceAtomically(path, bytes, w.reason);
    return w;
}

int removeLeftoverTemporaries(const std::string &datapath)
{
    const std::string folder = datapath.empty() ? "." : datapath;
    int removed = removeLeftoversIn(folder);
    // A main.dat reached through a link is written in its target's folder.
    const std::string main = resolveLinks(datapath + "main.dat");
    if (main != datapath + "main.dat")
        removed += removeLeftoversIn(folderOf(main));
    return removed;
}

} // namespace vosk
