// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/Player.h"

#include "ai/Search.h"

#include <random>

namespace ai {
namespace {

// A fixed- or timed-depth search.
class TSearchPlayer : public TComputerPlayer {
public:
    TSearchPlayer(const TSearchSettings& settings, const TSearchLimits& limits)
        : searcher_(settings), limits_(limits) {}
    int ChooseMove(const rules::TPosition& position, const std::atomic<bool>& cancel) override {
        return searcher_.Search(position, limits_, cancel).Move;
    }

private:
    TSearcher searcher_;
    const TSearchLimits limits_;
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
    return std::make_unique<TSearchPlayer>(settings, limits);
}

std::unique_ptr<TComputerPlayer> MakeBaselinePlayer() {
    TSearchSettings settings;
    settings.Evaluation = false;
    settings.TranspositionTable = false;
    settings.Ordering = false;
    TSearchLimits limits;
    limits.MaxDepth = 8;
    return std::make_unique<TSearchPlayer>(settings, limits);
}

int ChooseMove(const rules::TPosition& position, TLevel level, const std::atomic<bool>& cancel,
               const TPlayerOptions& options) {
    return MakePlayer(level, options)->ChooseMove(position, cancel);
}

std::string LevelName(TLevel level) {
    switch (level) {
    case TLevel::Debutant:
        return "debutant";
    case TLevel::Moyen:
        return "moyen";
    case TLevel::Fort:
        return "fort";
    case TLevel::Expert:
        break;
    }
    return "expert";
}

} // namespace ai
