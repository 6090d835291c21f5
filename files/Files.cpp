// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/Files.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace files {

namespace {

namespace fs = std::filesystem;

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

private:
    int Fd;
};

// The path a name leads to through its symbolic links (the last part only: the folders are
// those of the link); the name itself when it is no link or leads nowhere yet.
bool ThroughLinks(fs::path file, fs::path& target, std::string& reason) {
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code code;
        const fs::file_status status = fs::symlink_status(file, code);
        if (code || !fs::is_symlink(status)) {
            target = file;
            return true;
        }
        const fs::path link = fs::read_symlink(file, code);
        if (code) {
            reason = code.message();
            return false;
        }
        file = link.is_absolute() ? link : file.parent_path() / link;
    }
    reason = std::strerror(ELOOP);
    return false;
}

// The start of the names of the new files beside a target: a dot, the target's name, a dot,
// then the process's id, a dash and a number.
std::string TemporaryPrefix(const fs::path& target) {
    return "." + target.filename().string() + ".";
}

// A name for a new file beside the target, not taken yet most probably; O_EXCL tells for sure.
fs::path TemporaryBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const auto now = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    return target.parent_path() /
           (TemporaryPrefix(target) + std::to_string(::getpid()) + "-" +
            std::to_string(counter.fetch_add(1)) + "-" + std::to_string(now % 1000000007ull));
}

// Removes the new files a process killed while writing the target left beside it: those of a
// process that no longer runs.
void RemoveLeftTemporaries(const fs::path& target) {
    const std::string prefix = TemporaryPrefix(target);
    std::error_code code;
    for (fs::directory_iterator entry(target.parent_path(), code), end; !code && entry != end;
         entry.increment(code)) {
        const std::string name = entry->path().filename().string();
        const std::size_t dash = name.find('-', prefix.size());
        if (name.compare(0, prefix.size(), prefix) != 0 || dash == std::string::npos)
            continue;
        const std::optional<long long> pid = ParseInteger(
            std::string_view(name).substr(prefix.size(), dash - prefix.size()), 1, 1ll << 30);
        if (pid && *pid != ::getpid() && ::kill(static_cast<pid_t>(*pid), 0) != 0 && errno == ESRCH)
            ::unlink(entry->path().c_str());
    }
}

} // namespace

fs::path ProgramDirectory(TBaseDirectory base) {
    const char* variable = "XDG_STATE_HOME";
    fs::path fallback = fs::path(".local") / "state";
    if (base == TBaseDirectory::Cache) {
        variable = "XDG_CACHE_HOME";
        fallback = ".cache";
    } else if (base == TBaseDirectory::Config) {
        variable = "XDG_CONFIG_HOME";
        fallback = ".config";
    }
    const char* value = std::getenv(variable);
    if (value && fs::path(value).is_absolute())
        return fs::path(value) / "ekobarama";
    const char* home = std::getenv("HOME");
    if (home && fs::path(home).is_absolute())
        return fs::path(home) / fallback / "ekobarama";
    return {};
}

std::optional<long long> ParseInteger(std::string_view text, long long least, long long most) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative)
        text.remove_prefix(1);
    if (text.empty() || text.size() > 19)
        return std::nullopt;
    unsigned long long magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        magnitude = magnitude * 10 + static_cast<unsigned>(c - '0');
    }
    // 19 digits fit in 64 unsigned bits; the sign's range is checked before the conversion.
    constexpr unsigned long long kLargest = 9223372036854775807ull;
    if (magnitude > kLargest + (negative ? 1 : 0))
        return std::nullopt;
    const long long value =
        negative ? static_cast<long long>(0ull - magnitude) : static_cast<long long>(magnitude);
    if (value < least || value > most)
        return std::nullopt;
    return value;
}

TLock TryLockFile(const fs::path& path, int& fd) {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return TLock::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
        return TLock::Taken;
    const bool busy = errno == EWOULDBLOCK;
    ::close(fd);
    fd = -1;
    return busy ? TLock::Busy : TLock::Failed;
}

bool MakeDirectories(const fs::path& directory, mode_t mode, std::string& reason) {
    if (directory.empty()) {
        reason = std::strerror(ENOENT);
        return false;
    }
    // From the top down: every part of the path that is missing is made.
    fs::path part;
    for (const fs::path& name : directory) {
        part /= name;
        if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) {
            reason = std::strerror(errno);
            return false;
        }
    }
    struct stat status {};
    if (::stat(directory.c_str(), &status) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        reason = std::strerror(ENOTDIR);
        return false;
    }
    return true;
}

TAtomicFile::~TAtomicFile() {
    Discard();
}

void TAtomicFile::Discard() {
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool TAtomicFile::Fail(TFileWriteFault fault, const fs::path& path, TFileWriteProblem& problem) {
    problem = {fault, path.string(), std::strerror(errno)};
    Discard();
    return false;
}

bool TAtomicFile::Open(const fs::path& file, TFileWriteProblem& problem, mode_t folderMode) {
    Discard();
    if (file.empty() || !file.has_filename()) {
        problem = {TFileWriteFault::NoName, {}, {}};
        return false;
    }
    std::string reason;
    if (!ThroughLinks(file, target_, reason)) {
        problem = {TFileWriteFault::CannotWriteBeside, file.string(), reason};
        return false;
    }
    const fs::path directory = target_.has_parent_path() ? target_.parent_path() : fs::path(".");
    if (target_.parent_path().empty())
        target_ = directory / target_;
    if (!MakeDirectories(directory, folderMode, reason)) {
        problem = {TFileWriteFault::CannotMakeFolder, directory.string(), reason};
        return false;
    }
    RemoveLeftTemporaries(target_);
    struct stat replaced {};
    const bool replacing = ::stat(target_.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
    for (int attempt = 0; fd_ < 0; ++attempt) {
        const fs::path name = TemporaryBeside(target_);
        fd_ = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            temporary_ = name;
        else if (errno != EEXIST || attempt == 100)
            return Fail(TFileWriteFault::CannotWriteBeside, target_, problem);
    }
    if (replacing && ::fchmod(fd_, replaced.st_mode & 07777) != 0)
        return Fail(TFileWriteFault::CannotSetPermissions, target_, problem);
    return true;
}

bool TAtomicFile::Write(const void* data, std::size_t size, TFileWriteProblem& problem) {
    if (fd_ < 0) {
        errno = EBADF;
        return Fail(TFileWriteFault::CannotWrite, target_, problem);
    }
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(fd_, bytes, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return Fail(TFileWriteFault::CannotWrite, target_, problem);
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool TAtomicFile::Commit(TFileWriteProblem& problem) {
    if (fd_ < 0) {
        errno = EBADF;
        return Fail(TFileWriteFault::CannotFinish, target_, problem);
    }
    if (::fsync(fd_) != 0)
        return Fail(TFileWriteFault::CannotSync, target_, problem);
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) // a delayed write error shows here
        return Fail(TFileWriteFault::CannotFinish, target_, problem);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        return Fail(TFileWriteFault::CannotReplace, target_, problem);
    temporary_.clear();
    const fs::path directory = target_.parent_path();
    const int folder = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0)
        return Fail(TFileWriteFault::CannotSync, directory, problem);
    const bool synced = ::fsync(folder) == 0;
    const int error = errno;
    ::close(folder);
    errno = error;
    if (!synced)
        return Fail(TFileWriteFault::CannotSync, directory, problem);
    return true;
}

bool WriteFileAtomically(const fs::path& file, std::string_view text, TFileWriteProblem& problem,
                         mode_t folderMode) {
    TAtomicFile out;
    return out.Open(file, problem, folderMode) && out.Write(text, problem) && out.Commit(problem);
}

std::optional<std::string> ReadFileBounded(const fs::path& file, std::size_t maxBytes,
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
    // The size is read again while reading: the file may grow in the meantime, which a read
    // past the size it had tells.
    std::string text;
    text.resize(static_cast<std::size_t>(status.st_size));
    std::size_t got = 0;
    for (;;) {
        char more[4096];
        const bool full = got == text.size();
        const ssize_t n = full ? ::read(in.Get(), more, sizeof more)
                               : ::read(in.Get(), text.data() + got, text.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(TFileReadFault::CannotRead, true);
        }
        if (n == 0)
            break;
        if (full)
            text.append(more, static_cast<std::size_t>(n));
        got += static_cast<std::size_t>(n);
        if (got > maxBytes)
            return tooLarge();
    }
    text.resize(got);
    return text;
}

} // namespace files
