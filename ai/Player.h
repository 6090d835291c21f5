// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The computer opponent for the game and the tools.
//
//   std::atomic<bool> cancel{false};
//   auto player = ai::MakePlayer(ai::TLevel::Fort);
//   const int pit = player->ChooseMove(position, cancel); // on a worker thread
//
// ChooseMove may run on any thread; setting cancel from another thread makes it return at once
// (within a few microseconds) with the best move found so far. It always returns a legal pit of
// the player to move (1 to 12); the position must not be over (rules::IsOver false). A player
// keeps its transposition table, the positions it has met and the moves it played from them (see
// SearchInGame) from one move to the next: keep one per computer side and per game, and never call
// one player from two threads at once.
//
// The timed levels (Fort and Expert) use the shared endgame table: MakePlayer starts its build
// on a worker thread of its own when it makes the program's first Fort or Expert player (unless
// UseSharedTable is false), and the players' searches use it once it is ready; until then they
// search without it. The same worker then maps or builds the large table kept in the cache
// directory, and the searches go over to it when it is ready (see EndgameTable.h).

#include "ai/EndgameTable.h"
#include "ai/Search.h"
#include "rules/Rules.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>

namespace ai {

enum class TLevel {
    Debutant, // two moves deep, often a random or a noisy choice: a beginner can win
    Moyen,    // four moves deep
    Fort,     // up to eight moves deep, a quarter of the time budget, endgame table
    Expert,   // the full engine: iterative deepening for the time budget, late-move reductions,
              // endgame table, a thread a core (two at most)
};

struct TPlayerOptions {
    int TimeMs = 1000;          // budget per move of Expert (Fort takes a quarter of it)
    std::uint32_t Seed = 1;     // the Debutant's choices
    bool UseSharedTable = true; // false: no endgame table (tests)
    TWeights Weights;           // of the evaluation (Moyen, Fort, Expert)
    int Threads = 0;            // Expert's search threads; 0: GameThreads() (the others use one)
    // The rules of the games it plays: their endgame table. Any position may be given; one of
    // the other rule set is searched without the table.
    rules::TRuleSet Rules = rules::TRuleSet::Standard;
};

class TComputerPlayer {
public:
    virtual ~TComputerPlayer() = default;
    virtual int ChooseMove(const rules::TPosition& position, const std::atomic<bool>& cancel) = 0;
};

// How often each pit has been played from one position of a game.
using TMovesPlayed = std::array<std::uint16_t, rules::kPits + 1>;

// The rules let a game turn in circles for ever. A computer player searches knowing the game: the
// positions met since the last harvest (those that can come back) go in limits.Game, and a line
// that comes back to one of them is valued 0, as one that turns in circles, so that a side that
// wins more than that leaves the circle by itself. It also counts the moves played from each
// position: from the third time at a position on, it plays one of the moves played least often
// from there when one of them is worth as much as the best move (each searched with half the time
// budget), so that two players go on to positions they have not yet seen while an opponent that
// brings a position back gains nothing by it. It never gives up value to leave a circle.
//
// Where the endgame table holds the position, the values are exact and the player plays exactly:
// one of the moves worth the table's value, and a side that can force a harvest (or the end)
// worth that value plays the first move of the shortest such line it finds (TForcedLine), so
// that the line gets shorter at each of its turns and the game moves on. A side that cannot
// force one (the others' values, and a value of 0 that only an endless line keeps) plays the one
// of its best moves it has played least often from there.
enum class TExactPlay {
    Never,        // no table, or one the search uses by itself (Moyen has none)
    WhenRepeated, // from the third time at a position on
    Always,       // at every position the table holds
};
struct TGameKnowledge {
    TMovesPlayed Played{}; // how often each pit has been played from the position in the game
    const TEndgameTable* Table = nullptr;
    TExactPlay Exact = TExactPlay::Never;
};
// The search of a player that knows the game; its Move is the move to play.
TSearchResult SearchInGame(TSearcher& searcher, const rules::TPosition& position,
                           TSearchLimits limits, const TGameKnowledge& game,
                           const std::atomic<bool>& cancel);

// The shortest line the player to move can force, within a number of plies, to a harvest or to
// the end of the game that leaves him at least the table's value of the position, or to a
// position the table values higher for him: its first move, or 0 when none was found within the
// plies and the nodes allowed, or once cancel (when given) is set: it is read at every position
// searched. Exact values only (the table must hold the position).
int ForcedLineMove(const TEndgameTable& table, const rules::TPosition& position, int maxPlies,
                   std::uint64_t maxNodes, const std::atomic<bool>* cancel = nullptr);

std::unique_ptr<TComputerPlayer> MakePlayer(TLevel level, const TPlayerOptions& options = {});
// The reference player of the arena: alpha-beta to a fixed depth of 8 counting only the seeds
// harvested (and those left on each side when a game ends within its horizon); no evaluation,
// no transposition table, no endgame table.
std::unique_ptr<TComputerPlayer> MakeBaselinePlayer();

} // namespace ai
