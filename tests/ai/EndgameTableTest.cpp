// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/EndgameTable.h"
#include "ai/Search.h"
#include "tests/ai/TableCheck.h"
#include "tests/rules/RandomPosition.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <sys/file.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>

namespace {

// An oracle built another way: the whole graph of positions reachable from random small
// positions, kept in a hash map, and the game solved on it in one piece by rounds from 0 until
// nothing changes (an endless line counts 0).
struct TGraph {
    struct TNode {
        rules::TPosition Position;
        bool Over = false;
        std::vector<std::pair<int, std::size_t>> Moves; // seeds taken, child
    };
    std::vector<TNode> Nodes;
    std::unordered_map<std::uint64_t, std::size_t> Found;
    std::size_t listed_ = 0; // nodes before this one have their moves

    // Adds the graph reachable from start; returns start's node. The graph is listed
    // breadth-first, without recursion: its lines are deep.
    std::size_t Add(const rules::TPosition& start) {
        const std::size_t first = Node(start);
        for (std::size_t i = listed_; i < Nodes.size(); ++i) {
            if (Nodes[i].Over)
                continue;
            const rules::TPosition position = Nodes[i].Position;
            for (const int pit : rules::LegalMoves(position)) {
                rules::TPosition child = position;
                const int taken = rules::Play(child, pit).Captured;
                const std::size_t c = Node(child);
                Nodes[i].Moves.push_back({taken, c});
            }
        }
        listed_ = Nodes.size();
        return first;
    }
    // The node of a position (scores aside), made when new.
    std::size_t Node(const rules::TPosition& position) {
        rules::TPosition key = position;
        key.Score = {};
        if (auto it = Found.find(ai::Key(key)); it != Found.end())
            return it->second;
        const std::size_t index = Nodes.size();
        Found[ai::Key(key)] = index;
        Nodes.push_back({key, rules::IsOver(key), {}});
        return index;
    }
    std::vector<int> Solve() const {
        std::vector<int> value(Nodes.size(), 0), next(Nodes.size());
        for (bool changed = true; changed;) {
            changed = false;
            for (std::size_t i = 0; i < Nodes.size(); ++i) {
                const rules::TPosition& p = Nodes[i].Position;
                int v = p.SeedsOnSide(p.ToMove) - p.SeedsOnSide(rules::Opponent(p.ToMove));
                if (!Nodes[i].Over) {
                    v = -1000;
                    for (const auto& [taken, child] : Nodes[i].Moves)
                        v = std::max(v, taken - value[child]);
                }
                next[i] = v;
                changed = changed || v != value[i];
            }
            value.swap(next);
        }
        return value;
    }
};

} // namespace

// For either rule set; a table answers for the positions of its own set only.
class EndgameTableOfRules : public testing::TestWithParam<rules::TRuleSet> {};
INSTANTIATE_TEST_SUITE_P(BothRuleSets, EndgameTableOfRules,
                         testing::Values(rules::TRuleSet::Standard, rules::TRuleSet::Full));

TEST_P(EndgameTableOfRules, AgreesWithTheWholeGraphSolvedInOnePieceAndGuidesTheSearch) {
    constexpr int kSeeds = 7;
    ai::TEndgameTable table(kSeeds, {}, 0, GetParam());
    table.BuildNow();
    ASSERT_TRUE(table.Ready());

    std::mt19937 random(5);
    TGraph graph;
    for (int trial = 0; trial < 300; ++trial) {
        rules::TPosition start = RandomPosition(random, kSeeds);
        start.Rules = GetParam();
        graph.Add(start);
        rules::TPosition other = start;
        other.Rules =
            GetParam() == rules::TRuleSet::Full ? rules::TRuleSet::Standard : rules::TRuleSet::Full;
        int margin = 0;
        EXPECT_FALSE(table.Probe(other, margin));
    }
    const std::vector<int> exact = graph.Solve();
    ASSERT_GT(graph.Nodes.size(), 3000u);
    for (std::size_t i = 0; i < graph.Nodes.size(); ++i) {
        int margin = 0;
        ASSERT_TRUE(table.Probe(graph.Nodes[i].Position, margin));
        ASSERT_EQ(margin, exact[i]) << "node " << i;
    }

    // The search with the table picks a move that keeps the exact margin.
    ai::TSearchSettings settings;
    settings.Table = &table;
    ai::TSearcher searcher(settings);
    ai::TSearchLimits limits;
    limits.MaxDepth = 3;
    const std::atomic<bool> cancel{false};
    for (std::size_t i = 0; i < graph.Nodes.size(); i += 7) {
        const TGraph::TNode& node = graph.Nodes[i];
        if (node.Over || node.Moves.size() < 2)
            continue;
        const int pit = searcher.Search(node.Position, limits, cancel).Move;
        rules::TPosition child = node.Position;
        const int taken = rules::Play(child, pit).Captured;
        int root = 0, after = 0;
        ASSERT_TRUE(table.Probe(node.Position, root) && table.Probe(child, after));
        EXPECT_EQ(taken - after, root) << "node " << i << " pit " << pit;
    }
}

// The layers of 12 and 13 seeds keep the table's equation (every value the best of its moves'):
// the first layers where one pit can hold enough seeds to lap the board and come back to it, whose
// quiet moves the build must un-move right; by the full rules, whose moves cost more to list, the
// layers up to 12, where moves are forbidden and sides run empty. (ekobarama-table-check checks
// every layer of the large table.) The sanitizer build, several times slower, checks the layer of
// 12 only, and 11 by the full rules.
TEST_P(EndgameTableOfRules, EveryValueIsTheBestOfItsMovesValues) {
    const bool full = GetParam() == rules::TRuleSet::Full;
#if defined(__SANITIZE_ADDRESS__)
    const int most = full ? 11 : 12;
#else
    const int most = full ? 12 : 13;
#endif
    ai::TEndgameTable table(most, {}, 0, GetParam());
    table.BuildNow();
    for (int seeds = full ? 0 : 12; seeds <= most; ++seeds) {
        std::string error;
        EXPECT_GT(CheckTableLayer(table, seeds, error), 0u) << seeds << " seeds: " << error;
    }
}

// The build shares its work among threads, with the same values, byte for byte, on any number of
// them.
TEST(EndgameTable, TheSameValuesOnAnyNumberOfThreads) {
    constexpr int kSeeds = 11;
    const std::atomic<bool> stop{false};
    ai::TBuildFigures figures;
    std::vector<std::int8_t> one(ai::TableEntries(kSeeds));
    ASSERT_TRUE(ai::BuildTable(kSeeds, 1, one.data(), stop, figures));
    for (const int threads : {2, 3}) {
        std::vector<std::int8_t> values(one.size());
        ASSERT_TRUE(ai::BuildTable(kSeeds, threads, values.data(), stop, figures));
        EXPECT_EQ(figures.Threads, threads);
        const auto differs = std::mismatch(values.begin(), values.end(), one.begin()).first;
        EXPECT_EQ(differs, values.end())
            << threads << " threads: entry " << differs - values.begin();
    }
}

// One builder at most: building now while the worker builds waits for the worker's build, and
// asking again builds nothing. A table dropped during its build stops its worker at once, where
// finishing the build of 14 seeds takes 9 s (and 54 MB) on one core.
TEST(EndgameTable, OneBuilderAtMostAndABuildStopsWithItsTable) {
    ai::TEndgameTable table(9);
    table.StartBuilding();
    table.BuildNow();
    EXPECT_TRUE(table.Ready());
    table.StartBuilding();
    table.BuildNow();
    EXPECT_EQ(table.Builds(), 1);

    auto large = std::make_unique<ai::TEndgameTable>(14);
    large->StartBuilding();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_FALSE(large->Ready());
    const auto start = std::chrono::steady_clock::now();
    large.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

// The large table's file: written at the first build and mapped at the next, with the values of
// a table built in memory; rebuilt when damaged, cut short or of another size; where it cannot
// be written, the small table serves. The cache directory follows XDG_CACHE_HOME.
TEST(EndgameTable, KeepsTheLargeTableInAFileAndNeverTrustsADamagedOne) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(testing::TempDir()) / ("tables-" + std::to_string(getpid()));
    fs::remove_all(root);
    ai::TEndgameTable memory(9);
    memory.BuildNow();
    const auto open = [&](const fs::path& directory, int seeds = 9) {
        auto table =
            std::make_unique<ai::TEndgameTable>(6, ai::TStoredTableSettings{directory, seeds});
        table->BuildNow();
        return table;
    };
    const auto sameAsMemory = [&](const ai::TEndgameTable& table) {
        std::mt19937 random(3);
        for (int i = 0; i < 20000; ++i) {
            const rules::TPosition position = RandomPosition(random, 9);
            int stored = 0, built = 0;
            ASSERT_TRUE(table.Probe(position, stored) && memory.Probe(position, built));
            ASSERT_EQ(stored, built);
        }
    };

    const fs::path directory = root / "cache" / "ekobarama";
    EXPECT_EQ(open(directory)->Stored(), ai::TStoredTable::Built);
    const fs::path file = open(directory)->StoredPath();
    EXPECT_EQ(file, directory / "endgame-9.table");
    EXPECT_EQ(fs::file_size(file), 64 + ai::TableEntries(9));
    EXPECT_FALSE(fs::exists(file.string() + ".part"));
    {
        auto mapped = open(directory);
        EXPECT_EQ(mapped->Stored(), ai::TStoredTable::Mapped);
        EXPECT_EQ(mapped->MaxSeeds(), 9);
        sameAsMemory(*mapped);
    }

    const std::vector<std::function<void()>> damages = {
        [&] { // one value changed
            std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
            out.seekp(64 + 12345);
            out.put(char(77));
        },
        [&] { fs::resize_file(file, fs::file_size(file) - 1); },
        [&] { fs::resize_file(file, 10); },
        [&] {
            fs::copy_file(open(root / "other", 8)->StoredPath(), file,
                          fs::copy_options::overwrite_existing);
        },
        [&] { // the header's seed count
            std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
            out.seekp(12);
            out.put(char(8));
        },
        [&] { // the table of the other rules, sound and of the same size, in a file of its own
            ai::TEndgameTable full(6, ai::TStoredTableSettings{root / "full", 9}, 0,
                                   rules::TRuleSet::Full);
            full.BuildNow();
            ASSERT_EQ(full.Stored(), ai::TStoredTable::Built);
            EXPECT_EQ(fs::path(full.StoredPath()).filename(), "endgame-full-9.table");
            fs::copy_file(full.StoredPath(), file, fs::copy_options::overwrite_existing);
        },
    };
    for (std::size_t i = 0; i < damages.size(); ++i) {
        damages[i]();
        auto rebuilt = open(directory);
        EXPECT_EQ(rebuilt->Stored(), ai::TStoredTable::Built) << "damage " << i;
        sameAsMemory(*rebuilt);
    }

    // Another program building the table: this one waits with the small table, then maps what
    // the other wrote.
    {
        fs::rename(file, root / "written");
        const int lock = ::open((file.string() + ".part").c_str(), O_RDWR | O_CREAT, 0644);
        ASSERT_EQ(::flock(lock, LOCK_EX), 0);
        ai::TEndgameTable waiting(6, ai::TStoredTableSettings{directory, 9});
        std::thread builder([&] { waiting.BuildNow(); });
        for (int i = 0; i < 1000 && waiting.Stored() != ai::TStoredTable::Busy; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(waiting.Stored(), ai::TStoredTable::Busy);
        EXPECT_EQ(waiting.MaxSeeds(), 6);
        fs::rename(root / "written", file);
        ::close(lock);
        builder.join();
        EXPECT_EQ(waiting.Stored(), ai::TStoredTable::Mapped);
        EXPECT_EQ(waiting.MaxSeeds(), 9);
    }

    // A directory that cannot be made: a file stands where it would go.
    std::ofstream(root / "blocked") << "x";
    auto small = open(root / "blocked" / "ekobarama");
    EXPECT_EQ(small->Stored(), ai::TStoredTable::Unwritable);
    EXPECT_EQ(small->MaxSeeds(), 6);
    rules::TPosition nine;
    nine.Seeds = {0, 3, 0, 2, 0, 0, 0, 1, 1, 0, 0, 2, 0};
    int margin = 0;
    EXPECT_FALSE(small->Probe(nine, margin));

    const char* before = std::getenv("XDG_CACHE_HOME");
    const std::string kept = before ? before : "";
    setenv("XDG_CACHE_HOME", root.c_str(), 1);
    EXPECT_EQ(ai::CacheDirectory(), (root / "ekobarama").string());
    if (before)
        setenv("XDG_CACHE_HOME", kept.c_str(), 1);
    else
        unsetenv("XDG_CACHE_HOME");
    fs::remove_all(root);
}
