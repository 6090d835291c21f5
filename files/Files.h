// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's files, below the game's record and the computer opponent alike: where they are
// kept (the XDG base directories), how directories are made, how a file is replaced so that it
// is never seen half-written, how a file is read without trusting what stands at its name, and
// how a number written by someone else is read.

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace files {

// The XDG base directories the program keeps files in.
enum class TBaseDirectory {
    State,  // $XDG_STATE_HOME, else ~/.local/state: what the program leaves for its next run
    Cache,  // $XDG_CACHE_HOME, else ~/.cache: what can be made again
    Config, // $XDG_CONFIG_HOME, else ~/.config: the person's settings
};

// The program's own directory in a base directory: the variable's value when it is an absolute
// path (an unset, empty or relative one is ignored, as the XDG rules ask), else the default under
// $HOME, followed by "/ekobarama". Empty when neither gives an absolute path. Not created.
std::filesystem::path ProgramDirectory(TBaseDirectory base);

// The mode of the directories the program makes for itself: the XDG rules want them readable by
// their owner alone.
constexpr mode_t kPrivateDirectoryMode = 0700;

// A whole number written in decimal, the text and nothing else: digits with at most a leading
// '-', no space, no '+', within [least, most]. Nothing otherwise.
std::optional<long long> ParseInteger(std::string_view text, long long least, long long most);

// Makes the directory and those missing above it, each new one with the mode (filtered by the
// process's umask). True when the directory is there at the end; false with the system's reason
// otherwise (a file in the way, a directory that cannot be written).
bool MakeDirectories(const std::filesystem::path& directory, mode_t mode, std::string& reason);

// A lock between programs: the file at path (made, mode 0600, if missing; never through a
// symbolic link) locked with flock without waiting. The system lets it go when its holder ends,
// even killed. Taken: fd is the locked file, the caller's to close; otherwise fd is -1.
enum class TLock { Taken, Busy, Failed };
TLock TryLockFile(const std::filesystem::path& path, int& fd);

// Why a file could not be written: the step that failed, the file (the folder for
// CannotMakeFolder, and for CannotSync when the folder's flush failed) and the system's reason.
enum class TFileWriteFault {
    NoName,
    CannotMakeFolder,
    CannotWriteBeside,
    CannotSetPermissions,
    CannotWrite,
    CannotSync,
    CannotFinish,
    CannotReplace
};
struct TFileWriteProblem {
    TFileWriteFault Fault = TFileWriteFault::NoName;
    std::string Path;
    std::string Reason;
};

// A file replaced whole, never seen half-written: the bytes go to a new file beside it (created
// with O_EXCL, so that nothing already there is written into), which is flushed to the disk and
// renamed over it; the directory is then flushed too, so that the rename is on the disk when
// Commit answers. A file replaced keeps its permissions; a new file gets 0666 as filtered by the
// process's umask. A name that is a symbolic link is written through: the file the link leads to
// is replaced and the link stays. The new file is removed on every failure and when the object
// goes without Commit (a build stopped, an error thrown). A process killed between Open and
// Commit leaves it behind, under a name that starts with a dot, the target's name and the
// process's id: the next Open for the same target removes those of processes no longer running.
class TAtomicFile {
public:
    TAtomicFile() = default;
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile&) = delete;
    TAtomicFile& operator=(const TAtomicFile&) = delete;

    // Makes the folder when missing (with folderMode) and the new file beside the target.
    bool Open(const std::filesystem::path& file, TFileWriteProblem& problem,
              mode_t folderMode = kPrivateDirectoryMode);
    // Appends bytes to the new file.
    bool Write(const void* data, std::size_t size, TFileWriteProblem& problem);
    bool Write(std::string_view text, TFileWriteProblem& problem) {
        return Write(text.data(), text.size(), problem);
    }
    // Flushes, closes and renames the new file over the target, then flushes the folder. After a
    // failure of the last step the target may already hold the new bytes, not known to be on
    // the disk: it is reported all the same.
    bool Commit(TFileWriteProblem& problem);

    // The file replaced (the end of a symbolic link) and the new one, while open.
    const std::filesystem::path& Target() const { return target_; }
    const std::filesystem::path& Temporary() const { return temporary_; }

private:
    bool Fail(TFileWriteFault fault, const std::filesystem::path& path, TFileWriteProblem& problem);
    void Discard();

    std::filesystem::path target_, temporary_;
    int fd_ = -1;
};

// Writes text to file with a TAtomicFile: the file is then the text, or, with what went wrong in
// problem, as it was.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view text,
                         TFileWriteProblem& problem, mode_t folderMode = kPrivateDirectoryMode);

// Why a file could not be read: the kind of failure, and for the first two the system's reason.
enum class TFileReadFault { CannotOpen, CannotRead, NotARegularFile, TooLarge };
struct TFileReadProblem {
    TFileReadFault Fault = TFileReadFault::CannotOpen;
    std::string Reason;
};

// The whole content of a regular file of at most maxBytes bytes, read into the program's own
// memory (what stands at the name is opened without waiting, so a named pipe there does not
// hang the reader, and refused unless it is a regular file); nothing, with what went wrong in
// problem, when it cannot be opened or read, is not a regular file or is larger.
std::optional<std::string> ReadFileBounded(const std::filesystem::path& file, std::size_t maxBytes,
                                           TFileReadProblem& problem);

} // namespace files
