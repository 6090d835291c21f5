// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/Rules.h"
#include "tests/rules/RandomPosition.h"

#include <gtest/gtest.h>

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
