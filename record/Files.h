// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files kept for the person: where they go and how they are written and read.

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace record {

// The program's state directory, $XDG_STATE_HOME/ekobarama, or ~/.local/state/ekobarama when
// XDG_STATE_HOME is unset, empty or relative (the XDG base directory rules); $HOME is read for
// the default. Empty when neither gives an absolute path. The directory is not created.
std::filesystem::path StateDirectory();

// Why a file could not be written: the step that failed, the file (the folder for
// CannotMakeFolder) and the system's reason.
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

// Writes text to file so that the file is never seen half-written: the text goes to a new file
// beside it, is flushed to the disk, and is renamed over the file; the directory is created if
// it is missing. False with what went wrong in problem when anything fails; the file is then
// as it was.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view text,
                         TFileWriteProblem& problem);

// Why a file could not be read: the kind of failure, and for the first two the system's reason.
enum class TFileReadFault { CannotOpen, CannotRead, NotARegularFile, TooLarge };
struct TFileReadProblem {
    TFileReadFault Fault = TFileReadFault::CannotOpen;
    std::string Reason;
};

// The whole content of a regular file of at most maxBytes bytes; nothing, with what went wrong
// in problem, when it cannot be opened or read, is not a regular file or is larger.
std::optional<std::string> ReadFileBounded(const std::filesystem::path& file, std::size_t maxBytes,
                                           TFileReadProblem& problem);

} // namespace record
