// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The review of a game: each move given its value and the best move's value, exactly from the
// endgame table wherever it holds the position, otherwise from the engine's search at a fixed
// effort, so that a player sees which moves lost seeds and how many.
//
//   std::atomic<bool> cancel{false};
//   ai::TReviewSettings settings;
//   settings.Table = &ai::SharedEndgameTable();
//   const auto review = ai::ReviewGame(start, moves, settings, cancel,
//                                      [](int done, int total) { ... });
//
// Values are margins for the player who made the move, in 1/kSeed of a seed: the seeds he will
// still gain from the position before the move (the move's own harvest included) minus those
// his opponent will gain, as the search and the table count them (Search.h, EndgameTable.h).
// No Qt: the game's window and the engine program both use it.

#include "ai/EndgameTable.h"
#include "ai/Search.h"
#include "rules/Rules.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ai {

// Where a move's values come from.
enum class TValueSource {
    Table,  // exact: the endgame table holds the position before the move
    Search, // the engine's search at the review's fixed effort
};

// One move of a game as the review judges it.
struct TMoveReview {
    int Move = 0;      // the pit played, 1 to 12
    int Value = 0;     // of the move played, for its mover
    int BestMove = 0;  // a best move: the move played whenever it is one of the best
    int BestValue = 0; // of the best move: the value of the position before the move
    TValueSource Source = TValueSource::Search;
    // What the move lost against the best play: 0 for a best move, never negative.
    int Loss() const { return BestValue - Value; }
    friend bool operator==(const TMoveReview&, const TMoveReview&) = default;
};

// The review's search, where the table does not hold the position: the engine's search to a
// fixed depth, with neither a transposition table nor late-move reductions, so that its values
// are minimax's to that depth (alpha-beta and the move ordering change none) and the same on
// every run. The position is searched over all its moves; when the move played is not the best
// found, it is searched alone, the positions met since the last harvest counted as a repetition
// (Search.h). A move alone is then worth what it was worth among the others: never more than the
// best. Depth 14 reviews a game of 60 moves in 8 to 15 s on a 2-core machine under a load of 5 to
// 8, with the table of 16 seeds (ekobarama-review-bench; depth 16 took 40 to 60 s there).
constexpr int kReviewDepth = 14;
TSearchSettings ReviewSearchSettings(const TEndgameTable* table);

struct TReviewSettings {
    const TEndgameTable* Table = nullptr; // none: the search alone
    int Depth = kReviewDepth;             // of the search (1 to 64)
};

// Reviews the moves played from start, in order, up to the first that cannot be played (an
// illegal pit, or a move after the end of the game). After each move reviewed,
// calls progress (when given) with the moves done and the moves in all, on the calling thread.
// Once cancel is set it returns at once with the moves reviewed so far.
std::vector<TMoveReview> ReviewGame(const rules::TPosition& start, const std::vector<int>& moves,
                                    const TReviewSettings& settings,
                                    const std::atomic<bool>& cancel,
                                    const std::function<void(int, int)>& progress = {});

// A move's review as the game file keeps it, in a comment after the move (docs/game-file.md):
//   review: best move, worth +1.5, exact
//   review: loses 2.5, worth -3, best e worth -0.5, searched
// the values in seeds, the best move by its letter as the mover counts his pits. Read back from
// such a comment's text, or from a line of it that is one, exactly as written (nullopt for any
// other comment, a loss that is not the difference of the values, or a move out of 1 to 12).
// A review where a best move was played is written as such: its BestMove is the move played.
std::string ReviewComment(const TMoveReview& review);
std::optional<TMoveReview> ReadReviewComment(std::string_view comment, int move);
// A move's comment with its review put in: the other lines of the comment as they were (a
// person's note stays), a review of the move it held left out, the review as its last line.
std::string WithReviewComment(std::string_view comment, const TMoveReview& review);

} // namespace ai
