// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/Rules.h"
#include "tests/rules/RandomPosition.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace rules;

// Every legal move of many random positions, checked against the board that sowing alone gives
// (n seeds from pit p: every other pit gets n / 11, the first n % 11 pits after p one more).
TEST(Rules, MovesConserveSeedsNeverFeedTheStartAndHarvestOnlyOpponentPitsOfTwoOrThree) {
    std::mt19937 random(20240601);
    int moves = 0, harvests = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const TPosition before = RandomPosition(random);
        for (const int pit : LegalMoves(before)) {
            ++moves;
            const int mover = before.ToMove;
            const int n = before.Seeds[pit];
            std::array<int, kPits + 1> sown{};
            for (int k = 1; k < kPits; ++k) {
                const int q = (pit - 1 + k) % kPits + 1; // the k-th pit after the start
                sown[q] = before.Seeds[q] + n / 11 + (k <= n % 11 ? 1 : 0);
            }
            TPosition position = before;
            const TMoveResult result = Play(position, pit);

            EXPECT_EQ(position.SeedsOnBoard() + position.Score[1] + position.Score[2], kTotalSeeds);
            EXPECT_EQ(position.Seeds[pit], 0);
            EXPECT_EQ(position.ToMove, Opponent(mover));
            EXPECT_EQ(position.Score[mover], before.Score[mover] + result.Captured);
            EXPECT_EQ(position.Score[Opponent(mover)], before.Score[Opponent(mover)]);
            // The taken pits are a run walking back from the last pit sown; the pit where the walk
            // stopped is not one it could take.
            int a = result.LastPit, taken = 0;
            while (position.Seeds[a] != sown[a]) {
                EXPECT_EQ(position.Seeds[a], 0);
                EXPECT_NE(Owner(a), mover);
                EXPECT_TRUE(sown[a] == 2 || sown[a] == 3);
                taken += sown[a];
                a = PreviousPit(a);
            }
            EXPECT_FALSE(Owner(a) != mover && (sown[a] == 2 || sown[a] == 3))
                << "walk stopped early";
            EXPECT_EQ(taken, result.Captured);
            harvests += taken > 0;

            // The trace of the move, replayed step by step on the board before it, gives the
            // same sowing, the same harvest and the same position.
            TPosition traced = before;
            const TMoveTrace trace = PlayTraced(traced, pit);
            EXPECT_EQ(traced, position);
            EXPECT_EQ(trace.Mover, mover);
            EXPECT_EQ(trace.Pit, pit);
            EXPECT_EQ(trace.Picked, n);
            EXPECT_EQ(trace.LastPit(), result.LastPit);
            EXPECT_EQ(trace.Gain, result.Captured);
            EXPECT_EQ(trace.NextPlayer, position.ToMove);
            EXPECT_EQ(trace.Over, IsOver(position));
            std::array<int, kPits + 1> replay{};
            std::copy(before.Seeds.begin(), before.Seeds.end(), replay.begin());
            replay[pit] = 0;
            for (const int q : trace.Sown)
                ++replay[q];
            ASSERT_EQ(trace.Sown.size(), static_cast<std::size_t>(n));
            for (int i = 1; i <= kPits; ++i)
                ASSERT_EQ(replay[i], i == pit ? 0 : sown[i]) << "pit " << i;
            int gain = 0;
            for (const THarvest& h : trace.Harvested) {
                ASSERT_EQ(h.Seeds, replay[h.Pit]);
                replay[h.Pit] = 0;
                gain += h.Seeds;
            }
            EXPECT_EQ(gain, trace.Gain);
            for (int i = 1; i <= kPits; ++i)
                ASSERT_EQ(replay[i], position.Seeds[i]) << "pit " << i;
            for (int i = 1; i <= kPits; ++i) {
                if (i != pit && position.Seeds[i] != sown[i]) {
                    ASSERT_EQ(position.Seeds[i], 0)
                        << "pit " << i << " changed outside the harvest";
                }
            }
        }
    }
    EXPECT_GT(harvests, moves / 20); // the sample does reach the harvest
}

TEST(Rules, SowingWrapsAndTwelveSeedsPassOverTheStart) {
    EXPECT_EQ(NextPit(12, 3), 1);
    EXPECT_EQ(NextPit(11, 12), 1);
    EXPECT_EQ(NextPit(12, 1), 2);
    EXPECT_EQ(NextPit(4, 5), 6);
    EXPECT_EQ(NextPit(6, 7), 8);
    TPosition position{};
    position.Seeds[5] = 12;
    position.ToMove = 1;
    EXPECT_EQ(Play(position, 5).LastPit, 6);
    EXPECT_EQ(position.Seeds[6], 2);
    EXPECT_EQ(position.Seeds[5], 0);
}

TEST(Rules, TheGameEndsWhenTheMoverHasNoSeedOrEachSideHoldsOne) {
    std::mt19937 random(7);
    int over = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        const TPosition position = RandomPosition(random, 6);
        const int mine = position.SeedsOnSide(position.ToMove);
        const int theirs = position.SeedsOnSide(Opponent(position.ToMove));
        EXPECT_EQ(IsOver(position), LegalMoves(position).Count == 0 || (mine == 1 && theirs == 1));
        over += IsOver(position);
        const TOutcome outcome = Outcome(position);
        EXPECT_EQ(outcome.Final[1] + outcome.Final[2], kTotalSeeds);
        EXPECT_EQ(outcome.Final[1], position.Score[1] + position.SeedsOnSide(1));
    }
    EXPECT_GT(over, 100);
    EXPECT_FALSE(IsOver(TPosition::Start()));
}

// The full rules against the standard ones, over random positions with few seeds (where sides run
// empty) and many: the legal moves are the standard ones less those whose harvest empties the
// opponent's side and, when he has no seed, less those that sow none on his side; when that
// leaves none, the killing moves stay and are played without their harvest, and when there are
// none either the game is over.
TEST(Rules, FullRulesForbidKillingAndObligeFeeding) {
    std::mt19937 random(31);
    int forbidden = 0, withoutHarvest = 0, unfed = 0;
    for (int trial = 0; trial < 40000; ++trial) {
        TPosition standard = RandomPosition(random, trial % 2 ? 8 : kTotalSeeds);
        TPosition full = standard;
        full.Rules = TRuleSet::Full;
        const int mover = standard.ToMove, opponent = Opponent(mover);
        const bool starving = standard.SeedsOnSide(opponent) == 0;

        std::vector<int> expected, feeding;
        std::array<TPosition::TRefusal, kPits + 1> refusal{};
        for (const int pit : LegalMoves(standard)) {
            TPosition after = standard;
            const TMoveTrace trace = PlayTraced(after, pit);
            const bool kills = trace.Gain > 0 && after.SeedsOnSide(opponent) == 0;
            const bool feeds = std::any_of(trace.Sown.begin(), trace.Sown.end(),
                                           [&](int q) { return Owner(q) == opponent; });
            if (feeds)
                feeding.push_back(pit);
            if (!kills && (feeds || !starving))
                expected.push_back(pit);
            else
                refusal[pit] =
                    kills ? TPosition::TRefusal::Kills : TPosition::TRefusal::DoesNotFeed;
        }
        if (expected.empty()) {
            unfed += feeding.empty() && standard.SeedsOnSide(mover) > 0;
            for (const int pit : feeding)
                refusal[pit] = TPosition::TRefusal::None;
            expected = feeding;
        }
        const TMoves moves = LegalMoves(full);
        ASSERT_EQ(std::vector<int>(moves.begin(), moves.end()), expected) << "trial " << trial;
        for (int pit = 1; pit <= kPits; ++pit) {
            const bool legal = std::find(expected.begin(), expected.end(), pit) != expected.end();
            EXPECT_EQ(full.IsLegal(pit), legal) << "trial " << trial << " pit " << pit;
            if (Owner(pit) == mover && standard.Seeds[pit] > 0) {
                EXPECT_EQ(full.Refusal(pit), refusal[pit]) << "trial " << trial << " pit " << pit;
            }
            forbidden += standard.IsLegal(pit) && !legal;
        }
        EXPECT_EQ(IsOver(full), IsOver(standard) || expected.empty());

        for (const int pit : expected) {
            TPosition byStandard = standard, byFull = full;
            Play(byStandard, pit);
            TPosition traced = full;
            const TMoveTrace trace = PlayTraced(traced, pit);
            const TMoveResult result = Play(byFull, pit);
            EXPECT_EQ(traced, byFull);
            EXPECT_EQ(trace.Gain, result.Captured);
            EXPECT_EQ(trace.Over, IsOver(byFull));
            EXPECT_EQ(byFull.Rules, TRuleSet::Full);
            EXPECT_EQ(byFull.SeedsOnBoard() + byFull.Score[1] + byFull.Score[2], kTotalSeeds);
            EXPECT_GT(byFull.SeedsOnSide(opponent), 0) << "the opponent was left no seed";
            if (byStandard.SeedsOnSide(opponent) > 0) {
                byStandard.Rules = TRuleSet::Full;
                EXPECT_EQ(byFull, byStandard) << "a move that does not kill is played the same";
            } else {
                EXPECT_EQ(result.Captured, 0);
                EXPECT_TRUE(trace.Harvested.empty());
                ++withoutHarvest;
            }
            const TOutcome outcome = Outcome(byFull);
            EXPECT_EQ(outcome.Final[1] + outcome.Final[2], kTotalSeeds);
        }
    }
    EXPECT_GT(forbidden, 1000);
    EXPECT_GT(withoutHarvest, 20);
    EXPECT_GT(unfed, 20);
    EXPECT_EQ(TPosition::Start(TRuleSet::Full).Rules, TRuleSet::Full);
    EXPECT_EQ(TPosition::Start().Rules, TRuleSet::Standard);
}
