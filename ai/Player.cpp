// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/Player.h"

#include "ai/Search.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

namespace ai {
namespace {

// A fixed- or timed-depth search that knows the game: the positions met since the last harvest
// (those that can come back) and the moves played from each.
class TSearchPlayer : public TComputerPlayer {
public:
    TSearchPlayer(const TSearchSettings& settings, const TSearchLimits& limits, bool breakCircles,
                  const TEndgameTable* table = nullptr, TExactPlay exact = TExactPlay::Never)
        : searcher_(settings), limits_(limits), breakCircles_(breakCircles), table_(table),
          exact_(exact) {}
    int ChooseMove(const rules::TPosition& position, const std::atomic<bool>& cancel) override {
        if (!breakCircles_)
            return searcher_.Search(position, limits_, cancel).Move;
        const std::uint64_t key = Key(position);
        if (position.SeedsOnBoard() != seedsOfGame_) {
            game_.clear();
            seedsOfGame_ = position.SeedsOnBoard();
        }
        TMovesPlayed& played = played_[key];
        TSearchLimits limits = limits_;
        limits.Game = game_;
        const int pit =
            SearchInGame(searcher_, position, limits, {played, table_, exact_}, cancel).Move;
        if (played[pit] < UINT16_MAX)
            ++played[pit];
        game_.push_back(key);
        return pit;
    }

private:
    TSearcher searcher_;
    const TSearchLimits limits_;
    const bool breakCircles_;
    const TEndgameTable* const table_;
    const TExactPlay exact_;
    std::unordered_map<std::uint64_t, TMovesPlayed> played_;
    std::vector<std::uint64_t> game_; // the positions met since the last harvest
    int seedsOfGame_ = -1;
};

// The beginner: a third of its moves are picked at random; the others are the best of a two-move
// search whose values are blurred by up to three seeds either way.
class TBeginner : public TComputerPlayer {
public:
    explicit TBeginner(std::uint32_t seed) : searcher_(Settings()), random_(seed) {}
    int ChooseMove(const rules::TPosition& position, const std::atomic<bool>& cancel) override {
        const rules::TMoves moves = rules::LegalMoves(position);
        if (random_() % 3 == 0)
            return moves.Pit[random_() % moves.Count];
        std::uniform_int_distribution<int> noise(-3 * kSeed, 3 * kSeed);
        int best = moves.Pit[0], bestValue = -1 << 30;
        for (const int pit : moves) {
            rules::TPosition child = position;
            const int taken = rules::Play(child, pit).Captured;
            const int value = kSeed * taken - searcher_.Value(child, 1, cancel) + noise(random_);
            if (cancel.load())
                break;
            if (value > bestValue) {
                bestValue = value;
                best = pit;
            }
        }
        return best;
    }

private:
    static TSearchSettings Settings() {
        TSearchSettings settings;
        settings.TableBits = 12;
        return settings;
    }
    TSearcher searcher_;
    std::mt19937 random_;
};

} // namespace

namespace {

// The exact value of a move for the player to move at a position the table holds.
bool ExactValue(const TEndgameTable& table, const rules::TPosition& position, int pit,
                rules::TPosition& child, int& taken, int& value) {
    child = position;
    taken = rules::Play(child, pit).Captured;
    int margin = 0;
    if (!table.Probe(child, margin))
        return false;
    value = taken - margin;
    return true;
}

// The search of ForcedLineMove: iterative deepening over the plies, the proofs and refutations
// of earlier depths kept by position.
class TForcer {
public:
    TForcer(const TEndgameTable& table, int target, std::uint64_t maxNodes,
            const std::atomic<bool>* cancel)
        : table_(table), target_(target), maxNodes_(maxNodes), cancel_(cancel) {}

    // Out of nodes, or cancelled: every search from then on finds nothing.
    bool Stopped() const { return stopped_; }

    // The first move of a line of at most plies plies, or 0.
    int Mover(const rules::TPosition& position, int plies) {
        if (stopped_ || ++nodes_ > maxNodes_ ||
            (cancel_ && cancel_->load(std::memory_order_relaxed))) {
            stopped_ = true;
            return 0;
        }
        const std::uint64_t key = Key(position);
        TKnown& known = known_[key];
        if (known.ForcedIn && known.ForcedIn <= plies)
            return known.Move;
        if (plies <= known.NotIn)
            return 0;
        for (const int pit : rules::LegalMoves(position)) {
            rules::TPosition child;
            int taken = 0, value = 0;
            if (!ExactValue(table_, position, pit, child, taken, value) || value < target_)
                continue;
            // A harvest, the end, or more than the value: the line is there.
            const bool forced = taken > 0 || rules::IsOver(child) || value > target_ ||
                                (plies >= 3 && Holds(child, plies - 1));
            if (stopped_)
                return 0;
            if (forced) {
                TKnown& found = known_[key]; // the reference above may have moved
                found.ForcedIn = plies;
                found.Move = static_cast<std::uint8_t>(pit);
                return pit;
            }
        }
        known_[key].NotIn = plies;
        return 0;
    }

private:
    struct TKnown {
        int ForcedIn = 0; // a line of so many plies was found (0: none)
        int NotIn = 0;    // none of so many plies or fewer
        std::uint8_t Move = 0;
    };

    // Whether every reply of the opponent, to move at position, leads to a harvest, to the end,
    // or to a position where the line goes on within plies plies. He has no reply worth more to
    // him than the opposite of the target: the move that led here kept the value.
    bool Holds(const rules::TPosition& position, int plies) {
        for (const int pit : rules::LegalMoves(position)) {
            rules::TPosition child;
            int taken = 0, value = 0;
            if (!ExactValue(table_, position, pit, child, taken, value))
                return false;
            if (taken > 0 || rules::IsOver(child) || -value > target_)
                continue;
            if (!Mover(child, plies - 1))
                return false;
        }
        return true;
    }

    const TEndgameTable& table_;
    const int target_;
    const std::uint64_t maxNodes_;
    const std::atomic<bool>* const cancel_;
    std::uint64_t nodes_ = 0;
    bool stopped_ = false;
    std::unordered_map<std::uint64_t, TKnown> known_;
};

// The longest line and the nodes ForcedLineMove is given at each move of exact play: a few tenths
// of a second at most.
constexpr int kForcedLinePlies = 99;
constexpr std::uint64_t kForcedLineNodes = 200000;

// Exact play at a position the table holds (see TExactPlay): false when the table does not hold
// it.
bool PlayExactly(const TEndgameTable& table, const rules::TPosition& position,
                 const TMovesPlayed& played, const std::atomic<bool>& cancel,
                 TSearchResult& result) {
    int value = 0;
    if (!table.Probe(position, value))
        return false;
    int least = INT32_MAX;
    for (const int pit : rules::LegalMoves(position)) {
        rules::TPosition child;
        int taken = 0, moveValue = 0;
        if (!ExactValue(table, position, pit, child, taken, moveValue))
            return false;
        if (moveValue == value && played[pit] < least) {
            least = played[pit];
            result.Move = pit;
        }
    }
    if (value >= 0)
        if (const int pit =
                ForcedLineMove(table, position, kForcedLinePlies, kForcedLineNodes, &cancel))
            result.Move = pit;
    result.Value = kSeed * value;
    result.Depth = 1;
    result.Line = {result.Move};
    return result.Move != 0;
}

} // namespace

int ForcedLineMove(const TEndgameTable& table, const rules::TPosition& position, int maxPlies,
                   std::uint64_t maxNodes, const std::atomic<bool>* cancel) {
    int value = 0;
    if (rules::IsOver(position) || !table.Probe(position, value))
        return 0;
    TForcer forcer(table, value, maxNodes, cancel);
    for (int plies = 1; plies <= maxPlies && !forcer.Stopped(); plies += 2)
        if (const int pit = forcer.Mover(position, plies))
            return pit;
    return 0;
}

TSearchResult SearchInGame(TSearcher& searcher, const rules::TPosition& position,
                           TSearchLimits limits, const TGameKnowledge& game,
                           const std::atomic<bool>& cancel) {
    const rules::TMoves moves = rules::LegalMoves(position);
    const TMovesPlayed& played = game.Played;
    int times = 0, least = UINT16_MAX;
    for (const int pit : moves) {
        times += played[pit];
        least = std::min<int>(least, played[pit]);
    }
    if (TSearchResult exact; game.Table && moves.Count > 1 &&
                             (game.Exact == TExactPlay::Always ||
                              (game.Exact == TExactPlay::WhenRepeated && times >= 2)) &&
                             PlayExactly(*game.Table, position, played, cancel, exact))
        return exact;
    if (times < 2)
        return searcher.Search(position, limits, cancel);
    unsigned leastPlayed = 0;
    for (const int pit : moves)
        if (played[pit] == least)
            leastPlayed |= 1u << pit;
    if (limits.TimeMs)
        limits.TimeMs = std::max(1, limits.TimeMs / 2);
    const TSearchResult best = searcher.Search(position, limits, cancel);
    if (leastPlayed >> best.Move & 1u || cancel.load())
        return best;
    limits.RootMoves = leastPlayed;
    const TSearchResult other = searcher.Search(position, limits, cancel);
    const bool worthAsMuch = other.Depth > 0 && other.Value >= best.Value;
    return !cancel.load() && worthAsMuch ? other : best;
}

std::unique_ptr<TComputerPlayer> MakePlayer(TLevel level, const TPlayerOptions& options) {
    TSearchSettings settings;
    settings.Weights = options.Weights;
    TSearchLimits limits;
    TExactPlay exact = TExactPlay::Always;
    switch (level) {
    case TLevel::Debutant:
        return std::make_unique<TBeginner>(options.Seed);
    case TLevel::Moyen:
        settings.LateMoveReductions = false; // the fixed-depth levels look at every move as deep
        settings.TableBits = 16;
        limits.MaxDepth = 4;
        // Its search knows no table; the circles it meets are left by exact play.
        exact = TExactPlay::WhenRepeated;
        break;
    case TLevel::Fort:
        settings.LateMoveReductions = false;
        settings.TableBits = 18;
        settings.Table = options.UseSharedTable ? &SharedEndgameTable(options.Rules) : nullptr;
        limits.MaxDepth = 8;
        limits.TimeMs = std::max(1, options.TimeMs / 4);
        break;
    case TLevel::Expert:
        settings.Table = options.UseSharedTable ? &SharedEndgameTable(options.Rules) : nullptr;
        settings.Threads = options.Threads > 0 ? options.Threads : GameThreads();
        limits.TimeMs = std::max(1, options.TimeMs);
        break;
    }
    const TEndgameTable* table =
        options.UseSharedTable ? &SharedEndgameTable(options.Rules) : nullptr;
    return std::make_unique<TSearchPlayer>(settings, limits, true, table, exact);
}

std::unique_ptr<TComputerPlayer> MakeBaselinePlayer() {
    TSearchSettings settings;
    settings.Evaluation = false;
    settings.TranspositionTable = false;
    settings.Ordering = false;
    TSearchLimits limits;
    limits.MaxDepth = 8;
    return std::make_unique<TSearchPlayer>(settings, limits, false);
}

} // namespace ai
