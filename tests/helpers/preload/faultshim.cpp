// An LD_PRELOAD library for the list store's fault tests: it makes the C library's file calls fail
// the way a failing disk or a bare container does, and can record the order of the calls a save makes.
//
//   QUOKKA_FAULT_READ_PATH=FILE QUOKKA_FAULT_READ_AFTER=N
//       read() on a descriptor opened on FILE (through links) delivers N bytes, then fails with EIO.
//   QUOKKA_FAULT_NO_PROC=1
//       every path under /proc is missing, as in a chroot or a container without /proc.
//   QUOKKA_FAULT_TRACE=LOG
//       appends one line per rename ("rename FROM TO") and per fsync ("fsync-dir PATH" or
//       "fsync-file PATH") to LOG.
#include <dlfcn.h>
#include <fcntl.h>
#include <limits.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

constexpr int maxTracked = 1024;
std::atomic<long long> g_readLeft[maxTracked]; // bytes a descriptor may still read; -1: not limited

template <typename F>
F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

bool noProc(const char *path)
{
    static const bool on = getenv("QUOKKA_FAULT_NO_PROC") != nullptr;
    return on && path && strncmp(path, "/proc/", 6) == 0;
}

bool isFaultyFile(const char *path)
{
    const char *faulty = getenv("QUOKKA_FAULT_READ_PATH");
    if (!faulty || !path)
        return false;
    char a[PATH_MAX];
    char b[PATH_MAX];
    return realpath(path, a) && realpath(faulty, b) && strcmp(a, b) == 0;
}

int track(int fd, const char *path)
{
    if (fd >= 0 && fd < maxTracked) {
        const char *after = getenv("QUOKKA_FAULT_READ_AFTER");
        g_readLeft[fd] = (after && isFaultyFile(path)) ? atoll(after) : -1;
    }
    return fd;
}

void trace(const char *what, const char *a, const char *b)
{
    const char *log = getenv("QUOKKA_FAULT_TRACE");
    if (!log)
        return;
    static auto realOpen = next<int (*)(const char *, int, ...)>("open");
    const int fd = realOpen(log, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    char line[3 * PATH_MAX];
    const int n = snprintf(line, sizeof line, "%s %s%s%s\n", what, a, b ? " " : "", b ? b : "");
    if (n > 0 && write(fd, line, size_t(n)) < 0) {
    }
    close(fd);
}

struct Init {
    Init()
    {
        for (auto &left : g_readLeft)
            left = -1;
    }
} g_init;

} // namespace

extern "C" {

// The open family: a path under /proc may be missing, and what opens is tracked for read faults.
// The fourth argument reads what the call needs beyond the named parameters.
#define QUOKKA_SHIM_OPEN(name, params, args, ...)                              \
    int name params                                                            \
    {                                                                          \
        static auto real = next<int (*) params>(#name);                        \
        if (noProc(path)) {                                                    \
            errno = ENOENT;                                                    \
            return -1;                                                         \
        }                                                                      \
        __VA_ARGS__                                                            \
        return track(real args, path);                                         \
    }
// The mode that follows the flags when they create a file.
#define QUOKKA_READ_MODE                                                       \
    va_list ap;                                                                \
    va_start(ap, flags);                                                       \
    const mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(ap, mode_t) : 0; \
    va_end(ap);

QUOKKA_SHIM_OPEN(open, (const char *path, int flags, ...), (path, flags, mode), QUOKKA_READ_MODE)
QUOKKA_SHIM_OPEN(open64, (const char *path, int flags, ...), (path, flags, mode), QUOKKA_READ_MODE)
QUOKKA_SHIM_OPEN(openat, (int dirfd, const char *path, int flags, ...), (dirfd, path, flags, mode), QUOKKA_READ_MODE)
QUOKKA_SHIM_OPEN(openat64, (int dirfd, const char *path, int flags, ...), (dirfd, path, flags, mode), QUOKKA_READ_MODE)
QUOKKA_SHIM_OPEN(__open_2, (const char *path, int flags), (path, flags))
QUOKKA_SHIM_OPEN(__open64_2, (const char *path, int flags), (path, flags))

ssize_t read(int fd, void *buffer, size_t count)
{
    static auto real = next<ssize_t (*)(int, void *, size_t)>("read");
    if (fd >= 0 && fd < maxTracked && g_readLeft[fd] >= 0) {
        const long long left = g_readLeft[fd];
        if (left == 0) {
            errno = EIO;
            return -1;
        }
        if (count > size_t(left))
            count = size_t(left);
        const ssize_t n = real(fd, buffer, count);
        if (n > 0)
            g_readLeft[fd] -= n;
        return n;
    }
    return real(fd, buffer, count);
}

int close(int fd)
{
    static auto real = next<int (*)(int)>("close");
    if (fd >= 0 && fd < maxTracked)
        g_readLeft[fd] = -1;
    return real(fd);
}

int linkat(int olddirfd, const char *oldpath, int newdirfd, const char *newpath, int flags)
{
    static auto real = next<int (*)(int, const char *, int, const char *, int)>("linkat");
    if (noProc(oldpath) || noProc(newpath)) {
        errno = ENOENT;
        return -1;
    }
    return real(olddirfd, oldpath, newdirfd, newpath, flags);
}

int rename(const char *from, const char *to)
{
    static auto real = next<int (*)(const char *, const char *)>("rename");
    const int result = real(from, to);
    if (result == 0)
        trace("rename", from, to);
    return result;
}

int fsync(int fd)
{
    static auto real = next<int (*)(int)>("fsync");
    const int result = real(fd);
    if (result == 0 && getenv("QUOKKA_FAULT_TRACE")) {
        struct stat st {};
        char self[64];
        char path[PATH_MAX] = "?";
        snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
        const ssize_t n = readlink(self, path, sizeof path - 1);
        if (n > 0)
            path[n] = '\0';
        fstat(fd, &st);
        trace(S_ISDIR(st.st_mode) ? "fsync-dir" : "fsync-file", path, nullptr);
    }
    return result;
}

} // extern "C"
