// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Negamax with alpha-beta over the rules library: iterative deepening under a time budget, a
// transposition table keyed by a Zobrist hash, move ordering (table move, then harvests, the
// larger first, then the quiet moves by a history of their cut-offs, halved at each new search
// and at each new depth), principal-variation search with aspiration windows at the root,
// late-move reductions, an evaluation at the horizon and exact values from the endgame table.
//
// What each part buys was measured by ekobarama-search-nodes (nodes to depth 14 over its 32
// positions) and by matches of the engine against the engine built without the part
// (ekobarama-arena --games 100 --ms 50 --engine-a NEW --engine-b OLD, sides swapped; points of
// the new one with twice their standard error):
// - principal-variation search and aspiration windows: 6.68 M nodes to 6.17 M, the values
//   unchanged; 51.0 % +- 9.9 %, no gain shown in play, kept for the nodes;
// - late-move reductions: 6.17 M nodes to 1.74 M; 64.5 % +- 9.5 %;
// - harvests beyond the horizon (quiescence): 6 in a row 41.0 % +- 9.6 %, 2 in a row 54.0 % +-
//   9.7 %, no gain shown, taken out;
// - killer moves (the last two quiet moves that cut off at a ply, tried before the history):
//   more nodes, not fewer (2.01 M against 1.93 M to depth 14), left out.
// All that is kept, against the engine before: 70.5 % +- 8.9 % (100 games, 50 ms a move).
//
// Values are margins for the player to move, in 1/kSeed of a seed: the seeds he will still gain
// minus those his opponent will gain (harvests, and the seeds left on each side at the end).
// A position that repeats one on the current line, or one of the game before the root that the
// limits name, is valued 0 (the seeds on the board counted as shared evenly), as in the endgame
// table. Late-move reductions change values on purpose: without them the value to a fixed depth
// is exactly minimax's.
//
// More threads search the same root at once, sharing the transposition table
// ("lazy" parallel search): the first thread searches as a lone search does and its result is the
// answer; the others search the same depth or one deeper, each with a history of its own. So that
// they do not all search the same nodes in the same order, a node searched deep enough says so in
// a small shared table while it is searched, and a move into a node another thread is searching
// waits until the node's other moves are done (the first move never waits). The others' entries
// change the first thread's cut-offs, so its nodes and, where an entry searched deeper is met, its
// values differ from those of a lone search; one thread searches exactly as before. Measured by
// ekobarama-search-nodes over its 32 positions: in 300000 nodes of its own the first thread
// finishes depth 16.81 alone, 17.1 to 17.6 with a second thread (about 590 thousand nodes in all;
// 16.9 before the waiting moves), where one thread given those nodes finishes 17.9 to 18.1.

#include "ai/EndgameTable.h"
#include "rules/Rules.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

namespace ai {

constexpr int kSeed = 8;

// Weights of the evaluation, in 1/kSeed of a seed per unit of each feature (the feature of the
// player to move minus his opponent's). Tuned by matches of depth-4 searches (ekobarama-arena
// --weights, 100 games each, sides swapped) against the first guess 3,-3,2,4: no weight on the
// seeds on side scored 14.5%, exposed pits at 0 scored 79.5%, moves at 5 scored 70%; then 3,3,5,4
// scored 82% and 3,3,8,4 84.5%; at depth 8, 3,3,8,4 scored 82.5% of 40 games against 3,-3,2,4.
// With the reductions, Expert at 50 ms a move against 3,3,8,4 (ekobarama-arena --games 100 --ms 50
// --weights W expert expert): 3,3,12,4 49.5% +- 9.7%, 2,3,8,4 53.0% +- 9.6% (no gain shown),
// 5,3,8,4 37.0% +- 9.4%; the weights stay.
struct TWeights {
    int SeedsOnSide = 3; // seeds on one's own side, which come home at the end
    int Exposed = 3;     // own pits of 1 or 2 seeds: seeds to sow short distances with
    int Moves = 8;       // pits one may play
    int BigPit = 4;      // a pit of 12 seeds or more, which laps the board
};

struct TSearchSettings {
    bool Evaluation = true; // false: the horizon counts 0 (only what was harvested)
    bool TranspositionTable = true;
    bool Ordering = true; // table move, harvests first, history
    // Ways to search fewer nodes for the same value.
    bool PrincipalVariation = true; // null windows after the first move
    bool Aspiration = true;         // the root's window around the value of the depth before
    // A way that changes the values: a search with it is no longer plain minimax to its depth.
    bool LateMoveReductions = true; // late quiet moves searched less deep first
    const TEndgameTable* Table = nullptr;
    TWeights Weights;
    int TableBits = 20; // 2^bits entries of 16 bytes
    int Threads = 1;    // searching at once, 1 to kMaxThreads (outside: the nearest)
};

constexpr int kMaxThreads = 16;
// The threads of the game's strongest search (Expert and the hint): one a core, two at most, so
// that the window and the endgame table's build keep some of a larger machine.
int GameThreads();

struct TSearchLimits {
    int MaxDepth = 64;
    int TimeMs = 0;             // 0: no time limit
    std::uint64_t MaxNodes = 0; // 0: no node limit (the first thread's nodes)
    // Bit p set: pit p may be played at the root. 0, or a mask that leaves no legal move: every
    // legal move may.
    unsigned RootMoves = 0;
    // The keys of positions met earlier in the game, before the root: a line that comes back to
    // one of them is valued 0, as one that comes back to a position of its own. Only positions
    // with as many seeds on the board as the root can come back.
    std::vector<std::uint64_t> Game;
    // A position with one legal move is searched too, for its value, instead of being answered
    // at once with depth 0.
    bool SearchForced = false;
};

struct TSearchResult {
    int Move = 0;            // a legal pit, 0 only when the game is over
    int Value = 0;           // of the last finished depth, in 1/kSeed of a seed
    int Depth = 0;           // the last finished depth
    std::uint64_t Nodes = 0; // of all the threads
    // The principal line of the last finished depth as far as the transposition table still
    // holds it: Move first, then the best replies (Move alone without a table).
    std::vector<int> Line;
};

class TSearcher {
public:
    explicit TSearcher(const TSearchSettings& settings);
    ~TSearcher();
    TSearcher(const TSearcher&) = delete;
    TSearcher& operator=(const TSearcher&) = delete;

    // Iterative deepening from depth 1; stops at the limits or as soon as cancel is set, and
    // returns the best move of the last finished depth (a legal move in every case). The other
    // threads are started for the search and have ended when it returns.
    TSearchResult Search(const rules::TPosition& position, const TSearchLimits& limits,
                         const std::atomic<bool>& cancel);
    // The full-window value of a position searched to a fixed depth (by one thread).
    int Value(const rules::TPosition& position, int depth, const std::atomic<bool>& cancel);
    // The static evaluation of a position that is not over.
    int Evaluate(const rules::TPosition& position) const;
    // The threads of the searches to come (clamped to 1 to kMaxThreads); the table is kept.
    void SetThreads(int threads);

private:
    class TTable;
    class TWorker;
    // A thread other than the first: iterative deepening from the root until the first stops.
    void Help(TWorker& worker, int index, const rules::TPosition& root);
    std::vector<int> PrincipalLine(const rules::TPosition& root, int first, int length) const;

    const TSearchSettings settings_;
    std::unique_ptr<TTable> table_;                 // none without a transposition table
    std::vector<std::unique_ptr<TWorker>> workers_; // the first searches on the caller's thread
    // Of the search under way, set before its threads start and only read by them.
    TSearchLimits limits_;
    const std::atomic<bool>* cancel_ = nullptr;
    std::chrono::steady_clock::time_point start_;
    unsigned rootMoves_ = 0;        // the root's moves, 0 for all
    std::atomic<bool> over_{false}; // the first thread is done: the others stop
    std::atomic<int> mainDepth_{0}; // the depth the first thread is searching
    // The keys of nodes some thread is searching, in slots by key (on several threads only).
    std::unique_ptr<std::atomic<std::uint64_t>[]> searching_;
};

// The Zobrist key of a position (seeds, player to move and rule set; the scores do not change its
// future).
std::uint64_t Key(const rules::TPosition& position);

} // namespace ai
