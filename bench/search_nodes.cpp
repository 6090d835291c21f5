// SPDX-License-Identifier: GPL-3.0-or-later
// ekobarama-search-nodes [--ms T] [--threads N] [--without pvs|aspiration|reductions|ordering]...:
// what a change to the search buys, on a fixed set of 32 middle-game positions (random moves from
// the start, a fixed seed) searched without the endgame table: the nodes to reach depths 8 to 14
// (the fewer, the better the pruning and the order), and the mean depth finished in T ms a position
// (100 by default; it depends on the machine's load) with the nodes searched a second, by one
// thread and then by N threads (2 by default) in the same run: a second of the clock, which more
// threads make more of as far as the machine has cores free for them, and a second of processor
// time (the threads' own speed, which the table they share slows). Then what the other threads
// buy whatever the machine's load: the mean depth the first thread finishes in 300000 nodes of its
// own, alone and with the others (which, searching with it, get as much of the processor as it
// does on a machine with a core for each), against one thread alone given as many nodes as all
// the threads searched.
// --without turns a part of the search off, to see what it buys.
#include "ai/Search.h"
#include "rules/Rules.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

std::vector<rules::TPosition> Positions() {
    std::vector<rules::TPosition> positions;
    std::mt19937 random(11);
    while (positions.size() < 32) {
        rules::TPosition position = rules::TPosition::Start();
        const int plies = 6 + static_cast<int>(positions.size() % 12);
        for (int ply = 0; ply < plies && !rules::IsOver(position); ++ply) {
            const rules::TMoves moves = rules::LegalMoves(position);
            rules::Play(position, moves.Pit[random() % moves.Count]);
        }
        if (!rules::IsOver(position) && rules::LegalMoves(position).Count > 1)
            positions.push_back(position);
    }
    return positions;
}

} // namespace

int main(int argc, char** argv) {
    int ms = 100, threads = 2;
    ai::TSearchSettings settings;
    for (int i = 1; i < argc; ++i) {
        const bool last = i + 1 == argc;
        if (!last && std::strcmp(argv[i], "--ms") == 0 && std::atoi(argv[i + 1]) > 0) {
            ms = std::atoi(argv[++i]);
        } else if (!last && std::strcmp(argv[i], "--threads") == 0 && std::atoi(argv[i + 1]) > 0 &&
                   std::atoi(argv[i + 1]) <= ai::kMaxThreads) {
            threads = std::atoi(argv[++i]);
        } else if (!last && std::strcmp(argv[i], "--without") == 0) {
            const std::string part = argv[++i];
            if (part == "pvs")
                settings.PrincipalVariation = false;
            else if (part == "aspiration")
                settings.Aspiration = false;
            else if (part == "reductions")
                settings.LateMoveReductions = false;
            else if (part == "ordering")
                settings.Ordering = false;
            else {
                std::fprintf(stderr, "ekobarama-search-nodes: no part named %s\n", part.c_str());
                return 2;
            }
        } else {
            std::fprintf(stderr, "usage: ekobarama-search-nodes [--ms T] [--threads N] "
                                 "[--without PART]...\n");
            return 2;
        }
    }
    const std::vector<rules::TPosition> positions = Positions();
    const std::atomic<bool> cancel{false};
    // Every position searched afresh with these limits: the depths and the nodes added up.
    struct TTotals {
        int Depths = 0;
        std::uint64_t Nodes = 0;
    };
    const auto searchAll = [&](const ai::TSearchLimits& limits) {
        TTotals totals;
        for (const rules::TPosition& position : positions) {
            ai::TSearcher searcher(settings);
            const ai::TSearchResult result = searcher.Search(position, limits, cancel);
            totals.Depths += result.Depth;
            totals.Nodes += result.Nodes;
        }
        return totals;
    };
    for (const int depth : {8, 10, 12, 14}) {
        ai::TSearchLimits limits;
        limits.MaxDepth = depth;
        std::printf("depth %d: %llu nodes over %zu positions\n", depth,
                    static_cast<unsigned long long>(searchAll(limits).Nodes), positions.size());
    }
    // The nodes of a timed search are those of all its threads: with more threads, the nodes a
    // second show how well the threads share the machine, the depth what they buy together.
    std::vector<int> counts{1};
    if (threads > 1)
        counts.push_back(threads);
    for (const int n : counts) {
        settings.Threads = n;
        ai::TSearchLimits limits;
        limits.TimeMs = ms;
        const auto start = std::chrono::steady_clock::now();
        const std::clock_t processorStart = std::clock();
        const TTotals totals = searchAll(limits);
        const int depths = totals.Depths;
        const std::uint64_t nodes = totals.Nodes;
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double processor = double(std::clock() - processorStart) / CLOCKS_PER_SEC;
        std::printf("%d ms, %d thread%s: mean depth %.2f, %.0f nodes/s, %.0f nodes/s of processor "
                    "time\n",
                    ms, n, n > 1 ? "s" : "", double(depths) / double(positions.size()),
                    double(nodes) / seconds, double(nodes) / processor);
    }
    if (threads > 1) {
        const auto depthFor = [&](int n, std::uint64_t nodes, std::uint64_t& searched) {
            settings.Threads = n;
            ai::TSearchLimits limits;
            limits.MaxNodes = nodes;
            const TTotals totals = searchAll(limits);
            searched = totals.Nodes / positions.size();
            return double(totals.Depths) / double(positions.size());
        };
        constexpr std::uint64_t kFirstNodes = 300000;
        std::uint64_t all = 0, alone = 0;
        const double shared = depthFor(threads, kFirstNodes, all);
        const double first = depthFor(1, kFirstNodes, alone);
        const double asMany = depthFor(1, all, alone);
        std::printf("%llu nodes of the first thread: mean depth %.2f alone, %.2f with %d threads "
                    "(%llu nodes a position in all); one thread with as many: %.2f\n",
                    static_cast<unsigned long long>(kFirstNodes), first, shared, threads,
                    static_cast<unsigned long long>(all), asMany);
    }
    return 0;
}
