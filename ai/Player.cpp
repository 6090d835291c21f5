// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/Player.h"

#include "ai/Search.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <random>
#include <unordered_map>

namespace ai {
namespace {

// A fixed- or timed-depth search.
//
// The rules let a game turn in circles for ever, and a side that would lose by ending it may
// prefer the circle, which the search values as a share of the seeds. A player that breaks
// circles keeps count of the moves it has played from each position of the game: from the
// third time at a position on, it searches only the moves it has played least often from there,
// so that the game goes on to positions it has not yet seen (two such players finish a game).
class TSearchPlayer : public TComputerPlayer {
public:
    TSearchPlayer(const TSearchSettings& settings, const TSearchLimits& limits, bool breakCircles)
        : searcher_(settings), limits_(limits), breakCircles_(breakCircles) {}
    int ChooseMove(const rules::TPosition& position, const std::atomic<bool>& cancel) override {
        if (!breakCircles_)
            return searcher_.Search(position, limits_, cancel).Move;
        TMovesPlayed& played = played_[Key(position)];
        TSearchLimits limits = limits_;
        limits.RootMoves = LeastPlayedMoves(position, played);
        const int pit = searcher_.Search(position, limits, cancel).Move;
        if (played[pit] < UINT16_MAX)
            ++played[pit];
        return pit;
    }

private:
    TSearcher searcher_;
    const TSearchLimits limits_;
    const bool breakCircles_;
    std::unordered_map<std::uint64_t, TMovesPlayed> played_;
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

unsigned LeastPlayedMoves(const rules::TPosition& position, const TMovesPlayed& played) {
    const rules::TMoves moves = rules::LegalMoves(position);
    int times = 0, least = UINT16_MAX;
    for (const int pit : moves) {
        times += played[pit];
        least = std::min<int>(least, played[pit]);
    }
    if (times < 2)
        return 0;
    unsigned mask = 0;
    for (const int pit : moves)
        if (played[pit] == least)
            mask |= 1u << pit;
    return mask;
}

std::unique_ptr<TComputerPlayer> MakePlayer(TLevel level, const TPlayerOptions& options) {
    TSearchSettings settings;
    settings.Weights = options.Weights;
    TSearchLimits limits;
    switch (level) {
    case TLevel::Debutant:
        return std::make_unique<TBeginner>(options.Seed);
    case TLevel::Moyen:
        settings.TableBits = 16;
        limits.MaxDepth = 4;
        break;
    case TLevel::Fort:
        settings.TableBits = 18;
        settings.Table = options.UseSharedTable ? &SharedEndgameTable() : nullptr;
        limits.MaxDepth = 8;
        limits.TimeMs = std::max(1, options.TimeMs / 4);
        break;
    case TLevel::Expert:
        settings.Table = options.UseSharedTable ? &SharedEndgameTable() : nullptr;
        limits.TimeMs = std::max(1, options.TimeMs);
        break;
    }
    return std::make_unique<TSearchPlayer>(settings, limits, true);
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
