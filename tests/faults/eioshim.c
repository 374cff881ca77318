/* Preloaded into the program (LD_PRELOAD): a read of a file whose name ends in
 * $VOSK_EIO_FILE (default "main.dat") fails with EIO once $VOSK_EIO_AFTER bytes (default 0)
 * of it have been read, as a failing disk sector would. Every other file reads normally.
 *
 * With $VOSK_KILL_JNL_LINES=N set, the process is killed (SIGKILL) at the write to main.jnl
 * that would carry its (N+1)th line: the first N lines this process wrote to main.jnl reach
 * the file, then it dies, as a kill between two entries of a group would leave it. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

#define MAXFD 4096
static long long readSoFar[MAXFD];
static char watched[MAXFD];
static char journal[MAXFD];
static long long journalLines;

static int matches(const char *path)
{
    const char *name = getenv("VOSK_EIO_FILE");
    if (!name || !*name)
        name = "main.dat";
    size_t n = strlen(name), p = strlen(path);
    return p >= n && strcmp(path + p - n, name) == 0;
}

static int endsWith(const char *path, const char *name)
{
    size_t n = strlen(name), p = strlen(path);
    return p >= n && strcmp(path + p - n, name) == 0;
}

static int remember(int fd, const char *path)
{
    if (fd >= 0 && fd < MAXFD) {
        journal[fd] = (char)endsWith(path, "main.jnl");
        watched[fd] = (char)matches(path);
        readSoFar[fd] = 0;
    }
    return fd;
}

static int mode_of(int flags, va_list ap) { return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(ap, int) : 0; }

int open(const char *path, int flags, ...)
{
    static int (*real)(const char *, int, ...);
    if (!real)
        real = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
    va_list ap;
    va_start(ap, flags);
    int mode = mode_of(flags, ap);
    va_end(ap);
    return remember(real(path, flags, mode), path);
}

int open64(const char *path, int flags, ...)
{
    static int (*real)(const char *, int, ...);
    if (!real)
        real = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open64");
    va_list ap;
    va_start(ap, flags);
    int mode = mode_of(flags, ap);
    va_end(ap);
    return remember(real(path, flags, mode), path);
}

int openat(int dir, const char *path, int flags, ...)
{
    static int (*real)(int, const char *, int, ...);
    if (!real)
        real = (int (*)(int, const char *, int, ...))dlsym(RTLD_NEXT, "openat");
    va_list ap;
    va_start(ap, flags);
    int mode = mode_of(flags, ap);
    va_end(ap);
    return remember(real(dir, path, flags, mode), path);
}

ssize_t read(int fd, void *buf, size_t count)
{
    static ssize_t (*real)(int, void *, size_t);
    if (!real)
        real = (ssize_t(*)(int, void *, size_t))dlsym(RTLD_NEXT, "read");
    if (fd >= 0 && fd < MAXFD && watched[fd]) {
        const char *after = getenv("VOSK_EIO_AFTER");
        long long limit = after ? atoll(after) : 0;
        if (readSoFar[fd] >= limit) {
            errno = EIO;
            return -1;
        }
        if ((long long)count > limit - readSoFar[fd])
            count = (size_t)(limit - readSoFar[fd]);
        ssize_t n = real(fd, buf, count);
        if (n > 0)
            readSoFar[fd] += n;
        return n;
    }
    return real(fd, buf, count);
}

ssize_t write(int fd, const void *buf, size_t count)
{
    static ssize_t (*real)(int, const void *, size_t);
    if (!real)
        real = (ssize_t(*)(int, const void *, size_t))dlsym(RTLD_NEXT, "write");
    const char *limit = getenv("VOSK_KILL_JNL_LINES");
    if (limit && fd >= 0 && fd < MAXFD && journal[fd]) {
        const long long allowed = atoll(limit);
        const char *bytes = (const char *)buf;
        size_t upto = 0;
        for (size_t i = 0; i < count; ++i)
            if (bytes[i] == '\n') {
                if (journalLines == allowed) {
                    if (upto > 0)
                        real(fd, buf, upto);
                    kill(getpid(), SIGKILL);
                }
                ++journalLines;
                upto = i + 1;
            }
    }
    return real(fd, buf, count);
}

int close(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))dlsym(RTLD_NEXT, "close");
    if (fd >= 0 && fd < MAXFD)
        watched[fd] = journal[fd] = 0;
    return real(fd);
}
