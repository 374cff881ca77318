#include "filebytes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace vosk {
namespace {

std::string systemReason(int err) { return std::strerror(err); }

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

} // namespace

ReadResult readFileBytes(const std::string &path)
{
    ReadResult r;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        r.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Failed;
        r.reason = systemReason(errno);
        return r;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_size > 0)
        r.bytes.reserve(static_cast<size_t>(st.st_size));
    char buf[1 << 16];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            r.reason = systemReason(errno);
            ::close(fd);
            r.status = ReadStatus::Failed;
            return r;
        }
        if (n == 0)
            break;
        r.bytes.append(buf, static_cast<size_t>(n));
    }
    ::close(fd);
    r.status = ReadStatus::Ok;
    return r;
}

bool createEmptyFile(const std::string &path, std::string &reason)
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

bool replaceFileAtomically(const std::string &path, const std::string &bytes, std::string &reason)
{
    std::string tmp = path + ".XXXXXX";
    const int fd = ::mkstemp(tmp.data());
    if (fd < 0) {
        reason = systemReason(errno);
        return false;
    }
    // Keep the permissions the user gave the old file; a new file gets the usual ones.
    struct stat old {};
    const mode_t mode = ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    int err = 0;
    bool ok = ::fchmod(fd, mode) == 0 || (err = errno, false);
    ok = ok && writeAll(fd, bytes, err);
    ok = ok && (::fsync(fd) == 0 || (err = errno, false));
    if (::close(fd) != 0 && ok) {
        err = errno;
        ok = false;
    }
    ok = ok && (::rename(tmp.c_str(), path.c_str()) == 0 || (err = errno, false));
    if (!ok) {
        ::unlink(tmp.c_str());
        reason = systemReason(err);
        return false;
    }
    // The rename itself must reach the disk too, or a power cut could bring the old name back.
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

} // namespace vosk
