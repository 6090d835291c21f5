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

#include "ai/EndgameTable.h"
#include "rules/Rules.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
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
};

struct TSearchLimits {
    int MaxDepth = 64;
    int TimeMs = 0;             // 0: no time limit
    std::uint64_t MaxNodes = 0; // 0: no node limit
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
    int Move = 0;  // a legal pit, 0 only when the game is over
    int Value = 0; // of the last finished depth, in 1/kSeed of a seed
    int Depth = 0; // the last finished depth
    std::uint64_t Nodes = 0;
    // The principal line of the last finished depth as far as the transposition table still
    // holds it: Move first, then the best replies (Move alone without a table).
    std::vector<int> Line;
};

class TSearcher {
public:
    explicit TSearcher(const TSearchSettings& settings);

    // Iterative deepening from depth 1; stops at the limits or as soon as cancel is set, and
    // returns the best move of the last finished depth (a legal move in every case).
    TSearchResult Search(const rules::TPosition& position, const TSearchLimits& limits,
                         const std::atomic<bool>& cancel);
    // The full-window value of a position searched to a fixed depth.
    int Value(const rules::TPosition& position, int depth, const std::atomic<bool>& cancel);
    // The static evaluation of a position that is not over.
    int Evaluate(const rules::TPosition& position) const;

private:
    struct TEntry {
        std::uint64_t Key = 0;
        std::int16_t Value = 0;
        std::int8_t Depth = -1;
        std::uint8_t Bound = 0;
        std::uint8_t Move = 0;
    };
    int Negamax(const rules::TPosition& position, int depth, int alpha, int beta, int ply);
    int RootValue(const rules::TPosition& position, int depth, int guess, bool aspiration);
    bool ShouldStop();
    void Begin(const TSearchLimits& limits, const std::atomic<bool>& cancel);
    void AgeHistory();
    std::vector<int> PrincipalLine(const rules::TPosition& root, int first, int length) const;

    TSearchSettings settings_;
    std::vector<TEntry> table_;
    std::array<std::array<int, rules::kPits + 1>, 3> history_{};
    std::vector<std::uint64_t> line_; // keys of the positions on the current line
    const std::atomic<bool>* cancel_ = nullptr;
    TSearchLimits limits_;
    std::chrono::steady_clock::time_point start_;
    std::uint64_t nodes_ = 0;
    bool stopped_ = false;
    int rootBest_ = 0;
    unsigned rootMoves_ = 0; // of the search under way: the root's moves, 0 for all
};

// The Zobrist key of a position (seeds and player to move; the scores do not change its future).
std::uint64_t Key(const rules::TPosition& position);

} // namespace ai
