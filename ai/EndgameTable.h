// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The exact outcome of every position with at most a given number of seeds on the board: the best
// final margin (the seeds the player to move will still gain minus those his opponent will gain,
// the harvests to come and the seeds left on each side at the end) under perfect play.
//
// Positions repeat in this game (there is no repetition rule). A line of play that never ends is
// valued 0: the seeds still on the board are counted as shared evenly. The search values a
// repetition the same way, so its values and the table's agree.

#include "rules/Rules.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <vector>

namespace ai {

class TEndgameTable {
public:
    explicit TEndgameTable(int maxSeeds);
    // Stops a build in progress and waits for its thread.
    ~TEndgameTable();
    TEndgameTable(const TEndgameTable&) = delete;
    TEndgameTable& operator=(const TEndgameTable&) = delete;

    // Builds on a worker thread; Probe answers false until the build is over.
    void StartBuilding();
    // Builds on the calling thread (tests and benchmarks); while the worker of StartBuilding
    // builds, waits for its build instead. A table is built once at most, by one builder.
    // StartBuilding and BuildNow are called from the thread that owns the table.
    void BuildNow();

    bool Ready() const { return ready_.load(std::memory_order_acquire); }
    int MaxSeeds() const { return maxSeeds_; }
    // The exact margin of the position for its player to move, when the table is ready and holds
    // the position; false otherwise.
    bool Probe(const rules::TPosition& position, int& margin) const;

    // Figures of the last build.
    std::size_t Bytes() const { return values_.size(); }
    std::size_t PeakBytes() const { return peakBytes_; }
    double BuildSeconds() const { return buildSeconds_; }
    int LongestIteration() const { return longestIteration_; }
    // The builds begun on this table: 0 or 1.
    int Builds() const { return builds_.load(); }

private:
    void Build();
    void BuildLayer(int seeds);
    std::size_t Index(const rules::TPosition& position, int seeds) const;

    const int maxSeeds_;
    std::vector<std::int8_t> values_;
    std::vector<std::size_t> offset_; // first entry of each layer of n seeds on the board
    std::thread builder_;
    std::atomic<bool> ready_{false};
    std::atomic<bool> stop_{false};
    std::atomic<int> builds_{0};
    std::size_t peakBytes_ = 0;
    double buildSeconds_ = 0;
    int longestIteration_ = 0;
};

// The size of the table the engine uses: 11 seeds build in about 1.6 s (2.7 MB kept, 30 MB at the
// peak of the build) on a 2-core machine; 12 seeds took 5.7 s and 57 MB (bench/ai_bench.cpp).
constexpr int kSharedTableSeeds = 11;

// The table the engine uses: its build starts on a worker thread at the first call.
const TEndgameTable& SharedEndgameTable();

} // namespace ai
