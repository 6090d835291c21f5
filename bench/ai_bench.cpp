// SPDX-License-Identifier: GPL-3.0-or-later
// The computer opponent: positions searched per second by the full search at a fixed depth (no
// endgame table), the baseline's depth-8 search, and the endgame table's build time and memory
// for a few sizes.
#include "ai/EndgameTable.h"
#include "ai/Player.h"
#include "ai/Search.h"

#include <benchmark/benchmark.h>
#include <random>
#include <vector>

namespace {

// Middle-game positions: a few random moves from the start.
std::vector<rules::TPosition> Positions() {
    std::vector<rules::TPosition> positions;
    std::mt19937 random(11);
    while (positions.size() < 16) {
        rules::TPosition position = rules::TPosition::Start();
        for (int ply = 0; ply < 10 && !rules::IsOver(position); ++ply) {
            const rules::TMoves moves = rules::LegalMoves(position);
            rules::Play(position, moves.Pit[random() % moves.Count]);
        }
        if (!rules::IsOver(position))
            positions.push_back(position);
    }
    return positions;
}

void SearchAtDepth(benchmark::State& state, const ai::TSearchSettings& settings) {
    const std::vector<rules::TPosition> positions = Positions();
    const std::atomic<bool> cancel{false};
    ai::TSearchLimits limits;
    limits.MaxDepth = static_cast<int>(state.range(0));
    std::uint64_t nodes = 0, searched = 0;
    for (auto _ : state) {
        ai::TSearcher searcher(settings);
        const ai::TSearchResult result =
            searcher.Search(positions[searched % positions.size()], limits, cancel);
        benchmark::DoNotOptimize(result.Move);
        nodes += result.Nodes;
        ++searched;
    }
    state.counters["positions/s"] =
        benchmark::Counter(double(searched), benchmark::Counter::kIsRate);
    state.counters["nodes/s"] = benchmark::Counter(double(nodes), benchmark::Counter::kIsRate);
    state.counters["nodes/position"] = double(nodes) / double(searched);
}

void BM_AiSearchFixedDepth(benchmark::State& state) {
    SearchAtDepth(state, {});
}
BENCHMARK(BM_AiSearchFixedDepth)->Arg(8)->Arg(12)->Unit(benchmark::kMillisecond);

void BM_AiBaselineDepth8(benchmark::State& state) {
    ai::TSearchSettings settings;
    settings.Evaluation = false;
    settings.TranspositionTable = false;
    settings.Ordering = false;
    SearchAtDepth(state, settings);
}
BENCHMARK(BM_AiBaselineDepth8)->Arg(8)->Unit(benchmark::kMillisecond);

void BM_AiEndgameTableBuild(benchmark::State& state) {
    for (auto _ : state) {
        ai::TEndgameTable table(static_cast<int>(state.range(0)));
        table.BuildNow();
        state.counters["build_s"] = table.BuildSeconds();
        state.counters["table_MB"] = double(table.Bytes()) / 1e6;
        state.counters["peak_MB"] = double(table.PeakBytes()) / 1e6;
    }
}
BENCHMARK(BM_AiEndgameTableBuild)
    ->Arg(8)
    ->Arg(10)
    ->Arg(ai::kSharedTableSeeds)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

} // namespace
