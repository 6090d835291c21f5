// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/Record.h"
#include "record/Files.h"
#include "tests/rules/RandomPosition.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using record::TGameRecord;

// Random walks through a record's moves, take-backs, re-plays and jumps, against the list of
// positions the rules give on their own.
TEST(Record, KeepsEveryPositionAndItsCursorAsTheRulesPlayThem) {
    std::mt19937 random(2026);
    int undone = 0, dropped = 0;
    for (int game = 0; game < 200; ++game) {
        std::vector<rules::TPosition> line{game % 3 ? RandomPosition(random)
                                                    : rules::TPosition::Start()};
        std::vector<int> moves;
        TGameRecord record(line[0]);
        int cursor = 0;
        for (int step = 0; step < 120; ++step) {
            ASSERT_EQ(record.Length(), static_cast<int>(moves.size()));
            ASSERT_EQ(record.Cursor(), cursor);
            ASSERT_EQ(record.Current(), line[static_cast<std::size_t>(cursor)]);
            ASSERT_EQ(record.Over(), rules::IsOver(record.Current()));
            ASSERT_EQ(record.CanUndo(), cursor > 0);
            ASSERT_EQ(record.CanRedo(), cursor < record.Length());
            for (int pit = -1; pit <= 13; ++pit)
                ASSERT_EQ(record.IsLegal(pit), !record.Over() && record.Current().IsLegal(pit));
            const int action = static_cast<int>(random() % 10);
            if (action == 0) {
                record.Undo();
                cursor = std::max(cursor - 1, 0);
                ++undone;
            } else if (action == 1) {
                record.Redo();
                cursor = std::min(cursor + 1, record.Length());
            } else if (action == 2) {
                const int ply = static_cast<int>(random() % (moves.size() + 3)) - 1;
                record.SeekTo(ply);
                cursor = std::clamp(ply, 0, record.Length());
            } else if (!record.Over()) {
                const rules::TMoves legal = rules::LegalMoves(record.Current());
                const int pit = legal.Pit[random() % legal.Count];
                dropped += record.Length() > cursor;
                rules::TPosition next = line[static_cast<std::size_t>(cursor)];
                rules::TPosition traced = next;
                rules::Play(next, pit);
                const rules::TMoveTrace expected = rules::PlayTraced(traced, pit);
                line.resize(static_cast<std::size_t>(cursor) + 1);
                line.push_back(next);
                moves.resize(static_cast<std::size_t>(cursor));
                moves.push_back(pit);
                ASSERT_EQ(record.Play(pit), expected);
                ASSERT_EQ(record.TraceAt(cursor), expected);
                ++cursor;
            } else {
                // A finished game refuses every move and stays as it is.
                const TGameRecord before = record;
                EXPECT_EQ(record.Play(static_cast<int>(1 + random() % 12)).Pit, 0);
                EXPECT_EQ(record, before);
            }
            for (int ply = 0; ply < record.Length(); ++ply) {
                ASSERT_EQ(record.MoveAt(ply), moves[static_cast<std::size_t>(ply)]);
                ASSERT_EQ(record.PositionAt(ply), line[static_cast<std::size_t>(ply)]);
            }
        }
    }
    EXPECT_GT(undone, 500);
    EXPECT_GT(dropped, 100); // moves played after a take-back drop those that followed
}

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

std::filesystem::path TemporaryDirectory() {
    std::string name = (std::filesystem::temp_directory_path() / "ekoba-record-XXXXXX").string();
    if (!mkdtemp(name.data()))
        throw std::runtime_error("mkdtemp");
    return name;
}
} // namespace

TEST(Files, TheStateDirectoryFollowsTheXdgRules) {
    const TEnvironment home("HOME", "/home/amina");
    {
        const TEnvironment state("XDG_STATE_HOME", "/var/state");
        EXPECT_EQ(record::StateDirectory(), "/var/state/ekobarama");
    }
    for (const std::optional<std::string>& ignored :
         {std::optional<std::string>(), std::optional<std::string>(""),
          std::optional<std::string>("relative/state")}) {
        const TEnvironment state("XDG_STATE_HOME", ignored);
        EXPECT_EQ(record::StateDirectory(), "/home/amina/.local/state/ekobarama");
    }
    const TEnvironment noState("XDG_STATE_HOME", std::nullopt);
    const TEnvironment noHome("HOME", std::nullopt);
    EXPECT_EQ(record::StateDirectory(), "");
}

TEST(Files, WritingReplacesTheFileWholeAndReadingIsBounded) {
    const std::filesystem::path directory = TemporaryDirectory();
    const std::filesystem::path file = directory / "new" / "game.ekoba";
    record::TFileWriteProblem error;
    ASSERT_TRUE(record::WriteFileAtomically(file, "first", error)) << error.Reason;
    ASSERT_TRUE(record::WriteFileAtomically(file, "second text", error)) << error.Reason;
    record::TFileReadProblem problem;
    EXPECT_EQ(record::ReadFileBounded(file, 11, problem), "second text");
    // Nothing is left beside the file; a new file has the permissions the process gives new
    // files, a file replaced keeps its own.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(directory / "new"), {}), 1);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(static_cast<mode_t>(std::filesystem::status(file).permissions()), 0666 & ~mask);
    std::filesystem::permissions(file, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::owner_write);
    ASSERT_TRUE(record::WriteFileAtomically(file, "second text", error)) << error.Reason;
    EXPECT_EQ(static_cast<mode_t>(std::filesystem::status(file).permissions()), 0600u);

    // Larger than the bound, not a file, no file, a pipe with no writer (which must not hang):
    // nothing, and what went wrong (with the system's reason for a file that cannot be opened).
    const std::filesystem::path pipe = directory / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    using record::TFileReadFault;
    for (const auto& [path, bound, fault] :
         {std::tuple{file, std::size_t{10}, TFileReadFault::TooLarge},
          {directory, 100, TFileReadFault::NotARegularFile},
          {directory / "missing", 100, TFileReadFault::CannotOpen},
          {pipe, 100, TFileReadFault::NotARegularFile}}) {
        record::TFileReadProblem problem;
        EXPECT_FALSE(record::ReadFileBounded(path, bound, problem)) << path;
        EXPECT_EQ(problem.Fault, fault) << path;
        EXPECT_EQ(problem.Reason.empty(), fault != TFileReadFault::CannotOpen) << path;
    }
    // A file that cannot be written leaves the old one as it was and says why.
    EXPECT_FALSE(record::WriteFileAtomically(file / "below", "x", error));
    EXPECT_EQ(error.Fault, record::TFileWriteFault::CannotMakeFolder);
    EXPECT_EQ(error.Path, file.string());
    EXPECT_FALSE(error.Reason.empty());
    EXPECT_EQ(record::ReadFileBounded(file, 100, problem), "second text");
    std::filesystem::remove_all(directory);
}
