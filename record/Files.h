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

// Writes text to file so that the file is never seen half-written: the text goes to a new file
// beside it, is flushed to the disk, and is renamed over the file; the directory is created if
// it is missing. False with a French message in error when anything fails; the file is then
// as it was.
bool WriteFileAtomically(const std::filesystem::path& file, std::string_view text,
                         std::string& error);

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
