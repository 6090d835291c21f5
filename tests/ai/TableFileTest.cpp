// SPDX-License-Identifier: GPL-3.0-or-later
// The large endgame table's file: what stands at its name is never trusted, what happens to it
// while the table serves changes nothing, and nothing is left beside it by a build that did not
// end.
#include "ai/EndgameTable.h"
#include "tests/rules/RandomPosition.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {
namespace fs = std::filesystem;

fs::path FreshDirectory(const std::string& name) {
    const fs::path directory =
        fs::path(testing::TempDir()) / ("table-file-" + std::to_string(getpid())) / name;
    fs::remove_all(directory);
    return directory;
}

// The table (6 seeds in memory, 9 in the file) answers as one built in memory.
void ExpectSameAs(const ai::TEndgameTable& table, const ai::TEndgameTable& memory) {
    std::mt19937 random(5);
    for (int i = 0; i < 20000; ++i) {
        const rules::TPosition position = RandomPosition(random, 9);
        int stored = 0, built = 0;
        ASSERT_TRUE(table.Probe(position, stored) && memory.Probe(position, built));
        ASSERT_EQ(stored, built) << i;
    }
}

std::unique_ptr<ai::TEndgameTable> Open(const fs::path& directory) {
    auto table = std::make_unique<ai::TEndgameTable>(6, ai::TStoredTableSettings{directory, 9});
    table->BuildNow();
    return table;
}
} // namespace

// Read once, the table is the program's own: the file cut short or written over in place while
// it serves changes none of its answers (and crashes nothing).
TEST(TableFile, ChangesToTheFileWhileTheTableServesChangeNothing) {
    ai::TEndgameTable memory(9);
    memory.BuildNow();
    const fs::path directory = FreshDirectory("changed");
    ASSERT_EQ(Open(directory)->Stored(), ai::TStoredTable::Built);
    const fs::path file = directory / "endgame-9.table";

    auto cut = Open(directory);
    ASSERT_EQ(cut->Stored(), ai::TStoredTable::Mapped);
    fs::resize_file(file, 4096);
    ExpectSameAs(*cut, memory);

    ASSERT_EQ(Open(directory)->Stored(), ai::TStoredTable::Built); // the cut file is rebuilt
    auto overwritten = Open(directory);
    ASSERT_EQ(overwritten->Stored(), ai::TStoredTable::Mapped);
    {
        std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
        out.seekp(64);
        const std::string other(ai::TableEntries(9), char(22));
        out.write(other.data(), static_cast<std::streamsize>(other.size()));
    }
    ExpectSameAs(*overwritten, memory);
    fs::remove_all(directory);
}

// A named pipe at the table's name is refused at once (not waited on) and left alone: the small
// table serves. A directory there is refused as well.
TEST(TableFile, SomethingElseThanAFileAtItsNameIsRefusedAtOnce) {
    const fs::path directory = FreshDirectory("pipe");
    fs::create_directories(directory);
    ASSERT_EQ(mkfifo((directory / "endgame-9.table").c_str(), 0600), 0);
    auto table = Open(directory); // a hang here ends the test by its timeout
    EXPECT_EQ(table->Stored(), ai::TStoredTable::Unwritable);
    EXPECT_EQ(table->MaxSeeds(), 6);
    EXPECT_TRUE(fs::is_fifo(directory / "endgame-9.table"));

    fs::remove(directory / "endgame-9.table");
    fs::create_directory(directory / "endgame-9.table");
    EXPECT_EQ(Open(directory)->Stored(), ai::TStoredTable::Unwritable);
    fs::remove_all(directory);
}

// A build stopped half-way (the table dropped while its worker builds the large one) leaves
// nothing in the directory: neither the table's file nor the lock nor a new file.
TEST(TableFile, AStoppedBuildLeavesNothingBehind) {
    const fs::path directory = FreshDirectory("stopped");
    auto table = std::make_unique<ai::TEndgameTable>(6, ai::TStoredTableSettings{directory, 14});
    table->StartBuilding();
    // The worker holds the lock while it builds the large table.
    const fs::path lock = directory / "endgame-14.table.part";
    while (!fs::exists(lock) && table->Stored() == ai::TStoredTable::None)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(fs::exists(lock));
    table.reset();
    EXPECT_TRUE(fs::is_empty(directory));
    fs::remove_all(directory);
}
