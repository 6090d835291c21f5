// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/Player.h"

#include "ai/Search.h"

#include <algorithm>
#include <array>
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
    TSearchPlayer(const TSearchSettings& settings, const TSearchLimits& limits, bool breakCircles)
        : searcher_(settings), limits_(limits), breakCircles_(breakCircles) {}
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
        const int pit = SearchInGame(searcher_, position, limits, played, cancel).Move;
        if (played[pit] < UINT16_MAX)
            ++played[pit];
        game_.push_back(key);
        return pit;
    }

private:
    TSearcher searcher_;
    const TSearchLimits limits_;
    const bool breakCircles_;
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

TSearchResult SearchInGame(TSearcher& searcher, const rules::TPosition& position,
                           TSearchLimits limits, const TMovesPlayed& played,
                           const std::atomic<bool>& cancel) {
    const rules::TMoves moves = rules::LegalMoves(position);
    int times = 0, least = UINT16_MAX;
    for (const int pit : moves) {
        times += played[pit];
        least = std::min<int>(least, played[pit]);
    }
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
    return !cancel.load() && (worthAsMuch || times >= kLeftWhateverTheValue) ? other : best;
}

std::unique_ptr<TComputerPlayer> MakePlayer(TLevel level, const TPlayerOptions& options) {
    TSearchSettings settings;
    settings.Weights = options.Weights;
    TSearchLimits limits;
    switch (level) {
    case TLevel::Debutant:
        return std::make_unique<TBeginner>(options.Seed);
    case TLevel::Moyen:
        settings.LateMoveReductions = false; // the fixed-depth levels look at every move as deep
        settings.TableBits = 16;
        limits.MaxDepth = 4;
        break;
    case TLevel::Fort:
        settings.LateMoveReductions = false;
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
