// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The exact outcome of every position with at most a given number of seeds on the board: the best
// final margin (the seeds the player to move will still gain minus those his opponent will gain,
// the harvests to come and the seeds left on each side at the end) under perfect play.
//
// A table is of one rule set (rules::TRuleSet) and holds the positions of that set only.
//
// Positions repeat in this game (there is no repetition rule). A line of play that never ends is
// valued 0: the seeds still on the board are counted as shared evenly. The search values a
// repetition the same way, so its values and the table's agree.
//
// Two tables work together, both built on every core. A small one (11 seeds, 2.7 MB) is built in
// memory when the engine is first needed, in about a second of processor time. A large one (16
// seeds, 61 MB) is kept in the user's cache directory: read from its file when the file is there
// and sound, otherwise built once in the background at the lowest priority (19 s on two free cores,
// 32 s on one; 108 MB at the peak) and written there. Probe answers from the large table as soon as
// it is ready, from the small one before, and from the small one for good when the file can be
// neither read nor written.
//
// The file is read whole into the program's own memory and its checksum verified before use,
// rather than mapped: a file cut short or written over while the game runs can then neither
// crash the program nor change an answer. For the 16-seed file (61 MB) the read and the check
// take 0.1 to 0.2 s on the worker (2-core machine, file in the page cache or not), and the
// program holds 61 MB of its own for it, as many as a mapping had resident once its checksum
// had read every page (but no longer shared with another running program, nor given back to
// the system under memory pressure).

#include "rules/Rules.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ai {

// The entries of a table of every position with at most maxSeeds seeds: two per board (either
// player to move), layer after layer of n = 0, 1, ... seeds.
std::size_t TableEntries(int maxSeeds);

// What a build did.
struct TBuildFigures {
    double Seconds = 0;
    std::size_t PeakBytes = 0; // the values and the working state of the largest layer
    int Threads = 0;           // the threads it ran on
    // The processor time of its busiest thread: about the wall time of a build on as many free
    // cores as threads.
    double BusiestSeconds = 0;
};

// The threads a build runs on: threads when above 0, otherwise one for each core of the machine.
int BuildThreads(int threads);

// Fills values (TableEntries(maxSeeds) of them) with the table, layer by layer, on
// BuildThreads(threads) threads (the calling one and helpers at its priority); false when stop
// was raised before the end (the values are then incomplete). The values are the same, byte for
// byte, on any number of threads.
bool BuildTable(int maxSeeds, int threads, std::int8_t* values, const std::atomic<bool>& stop,
                TBuildFigures& figures, rules::TRuleSet ruleSet = rules::TRuleSet::Standard);

// Where the large table is kept, and its size. Seeds 0: no large table.
struct TStoredTableSettings {
    std::string Directory;
    int Seeds = 0;
};

// What became of the large table.
enum class TStoredTable {
    None,       // none asked for, or not yet ready
    Mapped,     // its file was there and sound: read into memory
    Built,      // built and written (a damaged or missing file is rebuilt)
    Unwritable, // its file could not be made (a read-only or full disk, something else than a
                // file at its name): the small table serves
                // (the large one, from memory, for this run when the disk failed only once it was
                // built)
    Busy,       // another program is building it: the small table serves until it is written
};

class TEndgameTable {
public:
    // Its builds run on BuildThreads(threads) threads. Its positions are of ruleSet; each rule
    // set keeps its large table in a file of its own.
    explicit TEndgameTable(int maxSeeds, TStoredTableSettings stored = {}, int threads = 0,
                           rules::TRuleSet ruleSet = rules::TRuleSet::Standard);
    // Stops a build in progress and waits for its thread.
    ~TEndgameTable();
    TEndgameTable(const TEndgameTable&) = delete;
    TEndgameTable& operator=(const TEndgameTable&) = delete;

    // Builds on a worker thread: the small table, then the large one at the lowest priority.
    // Probe answers false until the small table is built.
    void StartBuilding();
    // Does the same on the calling thread, at its priority (tests and benchmarks); while the
    // worker of StartBuilding builds, waits for it instead. A table is built once at most, by one
    // builder. StartBuilding and BuildNow are called from the thread that owns the table.
    void BuildNow();

    bool Ready() const { return current_.load(std::memory_order_acquire) != nullptr; }
    // The seeds of the table Probe answers from (the small table's until one is ready).
    int MaxSeeds() const;
    // The exact margin of the position for its player to move, when a table is ready and holds
    // the position (one of its rule set); false otherwise. Safe from any thread.
    bool Probe(const rules::TPosition& position, int& margin) const;

    // Figures of the last table built (the large one when it was built). Safe from any thread.
    std::size_t Bytes() const;
    std::size_t PeakBytes() const;
    double BuildSeconds() const;
    int Threads() const;           // the threads it ran on
    double BusiestSeconds() const; // the processor time of its busiest thread
    // The builds begun on this table: 0 or 1.
    int Builds() const { return builds_.load(); }
    // Once BuildNow returned, or the worker is done.
    TStoredTable Stored() const { return stored_.load(); }
    // The worker of StartBuilding is still at work: Probe may answer for more positions later.
    // Once false, what Probe answers is final.
    bool Building() const { return building_.load(); }
    // The seeds of the large table asked for (0: none).
    int StoredSeeds() const { return storedSettings_.Seeds; }
    rules::TRuleSet RuleSet() const { return rules_; }
    // The large table's file.
    std::string StoredPath() const;

private:
    struct TView {
        const std::int8_t* Values = nullptr;
        int MaxSeeds = 0;
    };
    class TLoaded;

    void Build();
    void BuildSmall();
    void BuildStored();
    void SetFigures(const TBuildFigures& figures, std::size_t bytes);

    const int maxSeeds_;
    const TStoredTableSettings storedSettings_;
    const int threads_;
    const rules::TRuleSet rules_;
    std::vector<std::int8_t> small_;
    std::unique_ptr<TLoaded> loaded_;
    std::vector<std::int8_t> large_; // a large table built but not read from its file
    TView smallView_, largeView_;
    std::atomic<const TView*> current_{nullptr};
    std::thread builder_;
    std::atomic<bool> stop_{false};
    std::atomic<int> builds_{0};
    std::atomic<TStoredTable> stored_{TStoredTable::None};
    std::atomic<bool> building_{false};
    mutable std::mutex figuresLock_; // the builder writes the figures, any thread reads them
    std::size_t bytes_ = 0;
    TBuildFigures figures_;
};

// The size of the small table, built in memory: 11 seeds in about a second on one core.
constexpr int kSharedTableSeeds = 11;
// The size of the large table kept in the cache directory, unless EKOBA_TABLE_SEEDS names another
// (0: none; 12 to 20 otherwise). A cold build (bench/table_bench.cpp) on a 2-core machine with
// nothing else to do, wall time on one thread and on two, peak resident memory on two, and file: 16
// seeds 32 s, 19 s, 108 MB, 61 MB; 18 seeds 102 s, 66 s, 291 MB, 173 MB (17 seeds, on a loaded
// machine: 64 s of processor time on one thread, 39 s for the busiest of two, 182 MB, 104 MB). Two
// threads spend 10 to 16 % more processor time than one (they share the memory's bandwidth). 16 by
// default: 19 s of both cores and 108 MB beside the game, once; then the game holds the 61 MB of
// the file for as long as it runs and reads them at each start. 17 seeds would take both cores
// longer than 16 took one, and have the game hold 104 MB, for one seed more of perfect play; 18
// seeds three times the time and 173 MB.
constexpr int kStoredTableSeeds = 16;

// The directory of the files kept for the user's cache: $XDG_CACHE_HOME/ekobarama, else
// ~/.cache/ekobarama; empty when neither can be told.
std::string CacheDirectory();

// The table the engine uses for a rule set: its build starts on a worker thread at the first call
// for that set.
const TEndgameTable& SharedEndgameTable(rules::TRuleSet ruleSet = rules::TRuleSet::Standard);

// Gives the calling thread only what nothing else wants of the processor and the disk.
void LowerThreadPriority();

} // namespace ai
