// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/Files.h"
#include "tests/files/SyscallShim.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// Sets (or, with nothing, unsets) an environment variable for the life of the object.
class TEnvironment {
public:
    TEnvironment(const char* name, std::optional<std::string> value) : Name(name) {
        if (const char* old = std::getenv(name))
            Old = old;
        value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
    ~TEnvironment() { Old ? setenv(Name, Old->c_str(), 1) : unsetenv(Name); }

private:
    const char* Name;
    std::optional<std::string> Old;
};

fs::path TemporaryDirectory() {
    std::string name = (fs::temp_directory_path() / "ekoba-files-XXXXXX").string();
    if (!mkdtemp(name.data()))
        throw std::runtime_error("mkdtemp");
    return name;
}

std::string Read(const fs::path& file) {
    files::TFileReadProblem problem;
    return files::ReadFileBounded(file, 1 << 24, problem).value_or("(unreadable)");
}

std::size_t Entries(const fs::path& directory) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(directory), {}));
}
} // namespace

TEST(Files, TheProgramDirectoriesFollowTheXdgRules) {
    using files::TBaseDirectory;
    const TEnvironment home("HOME", "/home/amina");
    for (const auto& [base, variable, fallback] :
         {std::tuple{TBaseDirectory::State, "XDG_STATE_HOME", "/home/amina/.local/state"},
          {TBaseDirectory::Cache, "XDG_CACHE_HOME", "/home/amina/.cache"},
          {TBaseDirectory::Config, "XDG_CONFIG_HOME", "/home/amina/.config"}}) {
        {
            const TEnvironment set(variable, "/var/x");
            EXPECT_EQ(files::ProgramDirectory(base), "/var/x/ekobarama");
        }
        for (const std::optional<std::string>& ignored :
             {std::optional<std::string>(), std::optional<std::string>(""),
              std::optional<std::string>("relative/state")}) {
            const TEnvironment set(variable, ignored);
            EXPECT_EQ(files::ProgramDirectory(base), fs::path(fallback) / "ekobarama") << variable;
        }
        const TEnvironment unset(variable, std::nullopt);
        const TEnvironment noHome("HOME", "relative");
        EXPECT_EQ(files::ProgramDirectory(base), "");
    }
}

TEST(Files, NumbersAreReadWholeAndWithinTheirRange) {
    for (const auto& [text, least, most, expected] :
         {std::tuple<const char*, long long, long long, std::optional<long long>>{"12", 0, 20, 12},
          {"-7", -10, 10, -7},
          {"0", 0, 0, 0},
          {"9223372036854775807", 0, LLONG_MAX, LLONG_MAX},
          {"-9223372036854775808", LLONG_MIN, 0, LLONG_MIN},
          {"9223372036854775808", 0, LLONG_MAX, std::nullopt},
          {"99999999999999999999", 0, LLONG_MAX, std::nullopt},
          {"21", 0, 20, std::nullopt},
          {"-1", 0, 20, std::nullopt},
          {"", 0, 20, std::nullopt},
          {"-", 0, 20, std::nullopt},
          {"+5", 0, 20, std::nullopt},
          {" 5", 0, 20, std::nullopt},
          {"5 ", 0, 20, std::nullopt},
          {"5x", 0, 20, std::nullopt},
          {"--5", -20, 20, std::nullopt},
          {"0x10", 0, 100, std::nullopt}})
        EXPECT_EQ(files::ParseInteger(text, least, most), expected) << "'" << text << "'";
    // The text ends where the view ends, not at a zero byte.
    EXPECT_EQ(files::ParseInteger(std::string_view("123", 2), 0, 100), 12);
}

TEST(Files, DirectoriesAreMadeWithTheirModeAndAFileInTheWayIsSaid) {
    const fs::path directory = TemporaryDirectory();
    const mode_t mask = umask(022);
    std::string reason;
    ASSERT_TRUE(files::MakeDirectories(directory / "a" / "b", 0700, reason)) << reason;
    EXPECT_EQ(fs::status(directory / "a").permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(directory / "a" / "b").permissions(), fs::perms::owner_all);
    ASSERT_TRUE(files::MakeDirectories(directory / "a" / "c", 0755, reason)) << reason;
    EXPECT_EQ(static_cast<mode_t>(fs::status(directory / "a" / "c").permissions()), 0755u);
    EXPECT_TRUE(files::MakeDirectories(directory / "a", 0700, reason)); // already there
    std::ofstream(directory / "file") << "x";
    EXPECT_FALSE(files::MakeDirectories(directory / "file", 0700, reason));
    EXPECT_FALSE(files::MakeDirectories(directory / "file" / "below", 0700, reason));
    EXPECT_FALSE(reason.empty());
    umask(mask);
    fs::remove_all(directory);
}

TEST(Files, WritingReplacesTheFileWholeAndReadingIsBounded) {
    const fs::path directory = TemporaryDirectory();
    const fs::path file = directory / "new" / "game.ekoba";
    files::TFileWriteProblem error;
    // A new file gets 0666 as the umask filters it, a file replaced keeps its own permissions;
    // the writes never change the umask themselves.
    const mode_t mask = umask(027);
    const int umasks = shim::UmaskCalls();
    ASSERT_TRUE(files::WriteFileAtomically(file, "first", error)) << error.Reason;
    EXPECT_EQ(static_cast<mode_t>(fs::status(file).permissions()), 0640u);
    EXPECT_EQ(static_cast<mode_t>(fs::status(directory / "new").permissions()), 0700u);
    ASSERT_TRUE(files::WriteFileAtomically(file, "second text", error)) << error.Reason;
    EXPECT_EQ(static_cast<mode_t>(fs::status(file).permissions()), 0640u);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(files::WriteFileAtomically(file, "second text", error)) << error.Reason;
    EXPECT_EQ(static_cast<mode_t>(fs::status(file).permissions()), 0600u);
    EXPECT_EQ(shim::UmaskCalls(), umasks);
    umask(mask);
    files::TFileReadProblem problem;
    EXPECT_EQ(files::ReadFileBounded(file, 11, problem), "second text");
    EXPECT_EQ(Entries(directory / "new"), 1u); // nothing is left beside the file

    // Larger than the bound, not a file, no file, a pipe with no writer (which must not hang):
    // nothing, and what went wrong (with the system's reason for a file that cannot be opened).
    const fs::path pipe = directory / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    using files::TFileReadFault;
    for (const auto& [path, bound, fault] :
         {std::tuple{file, std::size_t{10}, TFileReadFault::TooLarge},
          {directory, 100, TFileReadFault::NotARegularFile},
          {directory / "missing", 100, TFileReadFault::CannotOpen},
          {pipe, 100, TFileReadFault::NotARegularFile}}) {
        files::TFileReadProblem problem;
        EXPECT_FALSE(files::ReadFileBounded(path, bound, problem)) << path;
        EXPECT_EQ(problem.Fault, fault) << path;
        EXPECT_EQ(problem.Reason.empty(), fault != TFileReadFault::CannotOpen) << path;
    }
    // A file that cannot be written leaves the old one as it was and says why.
    EXPECT_FALSE(files::WriteFileAtomically(file / "below", "x", error));
    EXPECT_EQ(error.Fault, files::TFileWriteFault::CannotMakeFolder);
    EXPECT_EQ(error.Path, file.string());
    EXPECT_FALSE(error.Reason.empty());
    EXPECT_EQ(files::ReadFileBounded(file, 100, problem), "second text");

    // A symbolic link is written through: the file it leads to is replaced (with its
    // permissions), the link stays; a link that leads nowhere yet makes its file.
    fs::create_directory(directory / "real");
    fs::create_symlink("real/target", directory / "link");
    ASSERT_TRUE(files::WriteFileAtomically(directory / "link", "made", error)) << error.Reason;
    fs::permissions(directory / "real" / "target", fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(files::WriteFileAtomically(directory / "link", "through", error)) << error.Reason;
    EXPECT_TRUE(fs::is_symlink(directory / "link"));
    EXPECT_EQ(Read(directory / "real" / "target"), "through");
    EXPECT_EQ(static_cast<mode_t>(fs::status(directory / "real" / "target").permissions()), 0600u);
    EXPECT_EQ(Entries(directory / "real"), 1u);
    fs::remove_all(directory);
}

// A writer killed at every step of its write leaves the old text or the new one, never a mix;
// the new file it left beside is removed by the next write.
TEST(Files, AWriterKilledAtAnyStepLeavesTheOldTextOrTheNew) {
    const fs::path directory = TemporaryDirectory();
    const fs::path file = directory / "game.ekoba";
    const std::string old(300000, 'o');
    std::string text(1000000, 'n');
    for (std::size_t i = 0; i < text.size(); i += 997)
        text[i] = static_cast<char>('a' + i % 26);
    files::TFileWriteProblem error;
    int sawOld = 0, sawNew = 0, step = 1;
    for (;; ++step) {
        ASSERT_TRUE(files::WriteFileAtomically(file, old, error)) << error.Reason;
        ASSERT_EQ(Entries(directory), 1u);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            shim::Arm(step, 0);
            files::TFileWriteProblem problem;
            _exit(files::WriteFileAtomically(file, text, problem) ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const std::string now = Read(file);
        ASSERT_TRUE(now == old || now == text) << "step " << step << ": " << now.size();
        (now == old ? sawOld : sawNew) += 1;
        if (WIFEXITED(status)) {
            ASSERT_EQ(WEXITSTATUS(status), 0);
            break;
        }
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        ASSERT_LE(Entries(directory), 2u) << "step " << step;
    }
    // open, write (16 pieces of 64 KiB), fsync, close, rename, and the folder's open, fsync and
    // close: the old text before the rename, the new one from it on.
    EXPECT_GE(step, 22);
    EXPECT_EQ(sawOld, step - 4);
    EXPECT_EQ(sawNew, 4);
    ASSERT_TRUE(files::WriteFileAtomically(file, old, error)) << error.Reason;
    EXPECT_EQ(Entries(directory), 1u);
    fs::remove_all(directory);
}

// A flush that fails, the file's or the folder's, is a failure; the file's leaves the old text
// and nothing beside it.
TEST(Files, AFlushThatFailsIsReported) {
    const fs::path directory = TemporaryDirectory();
    const fs::path file = directory / "game.ekoba";
    files::TFileWriteProblem error;
    ASSERT_TRUE(files::WriteFileAtomically(file, "old", error)) << error.Reason;
    shim::Arm(0, 1);
    EXPECT_FALSE(files::WriteFileAtomically(file, "new", error));
    shim::Disarm();
    EXPECT_EQ(error.Fault, files::TFileWriteFault::CannotSync);
    EXPECT_EQ(error.Path, file.string());
    EXPECT_EQ(Read(file), "old");
    EXPECT_EQ(Entries(directory), 1u);

    shim::Arm(0, 2);
    EXPECT_FALSE(files::WriteFileAtomically(file, "new", error));
    shim::Disarm();
    EXPECT_EQ(error.Fault, files::TFileWriteFault::CannotSync);
    EXPECT_EQ(error.Path, directory.string());
    EXPECT_FALSE(error.Reason.empty());
    EXPECT_EQ(Entries(directory), 1u);
    fs::remove_all(directory);
}
