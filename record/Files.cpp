// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/Files.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace record {

namespace {

// Closes a file descriptor when it goes out of scope.
class TDescriptor {
public:
    explicit TDescriptor(int fd) : Fd(fd) {}
    ~TDescriptor() {
        if (Fd >= 0)
            ::close(Fd);
    }
    TDescriptor(const TDescriptor&) = delete;
    TDescriptor& operator=(const TDescriptor&) = delete;
    int Get() const { return Fd; }
    // Closes now, telling whether the close went well (a delayed write error shows here).
    bool Close() {
        const int fd = Fd;
        Fd = -1;
        return ::close(fd) == 0;
    }

private:
    int Fd;
};

// Flushes a directory, so that a rename in it reaches the disk.
void SyncDirectory(const std::filesystem::path& directory) {
    const TDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0)
        ::fsync(fd.Get());
}

// The permissions of the file that is replaced, or those of a new file.
mode_t PermissionsFor(const std::filesystem::path& file) {
    struct stat status {};
    if (::stat(file.c_str(), &status) == 0 && S_ISREG(status.st_mode))
        return status.st_mode & 07777;
    const mode_t mask = ::umask(0); // only read: set back at once
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

std::filesystem::path StateDirectory() {
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && *state && std::filesystem::path(state).is_absolute())
        return std::filesystem::path(state) / "ekobarama";
    const char* home = std::getenv("HOME");
    if (home && *home && std::filesystem::path(home).is_absolute())
        return std::filesystem::path(home) / ".local" / "state" / "ekobarama";
    return {};
}

bool WriteFileAtomically(const std::filesystem::path& file, std::string_view text,
                         TFileWriteProblem& problem) {
    if (file.empty() || !file.has_filename()) {
        problem = {TFileWriteFault::NoName, {}, {}};
        return false;
    }
    const std::filesystem::path directory =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    std::error_code code;
    std::filesystem::create_directories(directory, code);
    if (code) {
        problem = {TFileWriteFault::CannotMakeFolder, directory.string(), code.message()};
        return false;
    }
    // A new file beside the final one, in the same directory so that the rename is atomic.
    std::string name = (directory / ("." + file.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        problem = {TFileWriteFault::CannotWriteBeside, file.string(), std::strerror(errno)};
        return false;
    }
    TDescriptor out(fd);
    const std::filesystem::path temporary = name;
    auto fail = [&](TFileWriteFault fault) {
        problem = {fault, file.string(), std::strerror(errno)};
        std::filesystem::remove(temporary, code);
        return false;
    };
    // A file replaced keeps its permissions; a new one gets those the process gives new files.
    if (::fchmod(out.Get(), PermissionsFor(file)) != 0)
        return fail(TFileWriteFault::CannotSetPermissions);
    const char* data = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(out.Get(), data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return fail(TFileWriteFault::CannotWrite);
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::fsync(out.Get()) != 0)
        return fail(TFileWriteFault::CannotSync);
    if (!out.Close())
        return fail(TFileWriteFault::CannotFinish);
    if (std::rename(temporary.c_str(), file.c_str()) != 0)
        return fail(TFileWriteFault::CannotReplace);
    SyncDirectory(directory);
    return true;
}

std::optional<std::string> ReadFileBounded(const std::filesystem::path& file, std::size_t maxBytes,
                                           TFileReadProblem& problem) {
    auto fail = [&problem](TFileReadFault fault, bool withReason) {
        problem = {fault, withReason ? std::strerror(errno) : ""};
        return std::nullopt;
    };
    // O_NONBLOCK: a named pipe put in the file's place does not hang the opening.
    const TDescriptor in(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (in.Get() < 0)
        return fail(TFileReadFault::CannotOpen, true);
    struct stat status {};
    if (::fstat(in.Get(), &status) != 0)
        return fail(TFileReadFault::CannotRead, true);
    if (!S_ISREG(status.st_mode))
        return fail(TFileReadFault::NotARegularFile, false);
    auto tooLarge = [&] { return fail(TFileReadFault::TooLarge, false); };
    if (static_cast<std::uintmax_t>(status.st_size) > maxBytes)
        return tooLarge();
    // The size is read again while reading: the file may grow in the meantime.
    std::string text;
    text.resize(static_cast<std::size_t>(status.st_size));
    std::size_t got = 0;
    for (;;) {
        if (got == text.size()) {
            if (text.size() > maxBytes)
                return tooLarge();
            text.resize(std::min(maxBytes + 1, text.size() + 4096));
        }
        const ssize_t n = ::read(in.Get(), text.data() + got, text.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(TFileReadFault::CannotRead, true);
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    if (got > maxBytes)
        return tooLarge();
    text.resize(got);
    return text;
}

} // namespace record
