// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/files/SyscallShim.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdarg>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool armed = false;
int steps = 0, killAt = 0, failFsync = 0, fsyncs = 0, umasks = 0;

template <class TFunction> TFunction* Real(const char* name) {
    return reinterpret_cast<TFunction*>(::dlsym(RTLD_NEXT, name));
}

void Step() {
    if (armed && ++steps == killAt)
        ::raise(SIGKILL);
}
} // namespace

namespace shim {
void Arm(int kill, int fail) {
    armed = true;
    steps = fsyncs = 0;
    killAt = kill;
    failFsync = fail;
}
void Disarm() {
    armed = false;
}
int Steps() {
    return steps;
}
int UmaskCalls() {
    return umasks;
}
} // namespace shim

extern "C" {
int open(const char* path, int flags, ...) {
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list list;
        va_start(list, flags);
        mode = static_cast<mode_t>(va_arg(list, unsigned));
        va_end(list);
    }
    Step();
    static auto* real = Real<int(const char*, int, ...)>("open");
    return real(path, flags, mode);
}
int fchmod(int fd, mode_t mode) {
    Step();
    static auto* real = Real<int(int, mode_t)>("fchmod");
    return real(fd, mode);
}
ssize_t write(int fd, const void* data, size_t size) {
    Step();
    static auto* real = Real<ssize_t(int, const void*, size_t)>("write");
    return real(fd, data, armed ? std::min<size_t>(size, 65536) : size);
}
int fsync(int fd) {
    Step();
    if (armed && ++fsyncs == failFsync) {
        errno = EIO;
        return -1;
    }
    static auto* real = Real<int(int)>("fsync");
    return real(fd);
}
int close(int fd) {
    Step();
    static auto* real = Real<int(int)>("close");
    return real(fd);
}
int rename(const char* from, const char* to) noexcept {
    Step();
    static auto* real = Real<int(const char*, const char*)>("rename");
    return real(from, to);
}
mode_t umask(mode_t mask) noexcept {
    ++umasks;
    static auto* real = Real<mode_t(mode_t)>("umask");
    return real(mask);
}
}
