// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/Assets.h"
#include "tests/game/GameFixture.h"

#include <algorithm>
#include <random>

using ShowMove = GameTest;

// Over random positions and moves, the same move at each animation speed: it ends on the same
// board; fast takes fewer frames than normal and none fewer still; without animation only the
// harvest is heard, once. From the move's first frame the pit it started from is marked, and
// stays so; taking the move back takes the mark away, playing it again brings it back.
TEST_F(ShowMove, EverySpeedEndsAlikeAndThePitPlayedStaysMarked) {
    NewGame();
    std::mt19937 random(20261208);
    const TAnimationSpeed speeds[] = {TAnimationSpeed::Normal, TAnimationSpeed::Fast,
                                      TAnimationSpeed::None};
    for (int round = 0; round < 30; ++round) {
        std::array<int, 12> seeds{};
        for (int& s : seeds)
            s = std::uniform_int_distribution(1, 5)(random);
        const int mover = 1 + round % 2;
        const int pit = (mover == 1 ? 1 : 7) + std::uniform_int_distribution(0, 5)(random);
        std::array<int, 3> frames{};
        std::array<std::array<int, 12>, 3> boards{};
        for (int s = 0; s < 3; ++s) {
            Options->AnimationSpeed = speeds[s];
            // The same position every time, scores included.
            rules::TPosition position;
            for (int i = 1; i <= 12; ++i)
                position.Seeds[i] = static_cast<std::uint8_t>(seeds[i - 1]);
            position.ToMove = static_cast<std::uint8_t>(mover);
            record::TGameRecord start(position);
            start.Sides = Game().Record.Sides;
            Game().Record = start;
            Game().ShowRecord();
            sounds.clear();
            bool marked = true;
            SetFrameObserver([&] {
                ++frames[s];
                const TLastMoveSprite& mark = *Game().LastMove;
                marked = marked && mark.Visible &&
                         mark.X == Game().Pit(pit).Sprite->X - TLastMoveSprite::Margin &&
                         mark.Y == Game().Pit(pit).Sprite->Y - TLastMoveSprite::Margin;
            });
            Play(pit);
            SetFrameObserver(nullptr);
            ASSERT_TRUE(CurrentGame) << "round " << round << ": the move ended the game";
            boards[s] = Seeds();
            EXPECT_TRUE(marked) << "round " << round << " speed " << s;
            const int harvest = assets::Sound("billegagn");
            const auto harvests = std::count(sounds.begin(), sounds.end(), harvest);
            if (speeds[s] == TAnimationSpeed::None) {
                EXPECT_EQ(harvests, static_cast<int>(sounds.size()));
                EXPECT_LE(harvests, 1);
            } else {
                EXPECT_NE(std::count(sounds.begin(), sounds.end(), assets::Sound("billeprend")), 0);
            }
        }
        EXPECT_EQ(boards[1], boards[0]) << "round " << round;
        EXPECT_EQ(boards[2], boards[0]) << "round " << round;
        EXPECT_LT(frames[1], frames[0]) << "round " << round;
        EXPECT_LT(frames[2], frames[1]) << "round " << round;

        form->Annulerlecoup1Click();
        ASSERT_EQ(Game().Record.Cursor(), 0);
        EXPECT_FALSE(Game().LastMove->Visible);
        form->Rtablirlecoup1Click();
        ASSERT_EQ(Game().Record.Cursor(), 1);
        EXPECT_TRUE(Game().LastMove->Visible);
        EXPECT_EQ(Game().LastMove->X, Game().Pit(pit).Sprite->X - TLastMoveSprite::Margin);
    }
}
