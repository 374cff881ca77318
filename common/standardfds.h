#pragma once
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace vosk {

// A program started with standard input, output or error closed would give that number to the
// first file it opens (the folder's lock, the display's socket, a data file being saved), and
// its messages to the error stream would then land in that file. The first thing `main` does
// is to put /dev/null on each one that is closed.
inline void openClosedStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
            continue;
        const int got = ::open("/dev/null", O_RDWR); // the lowest free number: `fd` itself
        if (got > fd) {
            ::dup2(got, fd);
            ::close(got);
        }
    }
}

} // namespace vosk
