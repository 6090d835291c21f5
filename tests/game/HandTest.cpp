// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/game/GameFixture.h"

#include <QCursor>

using Hand = GameTest;

TEST(HandSteps, ManhattanDistanceOverTheStepLengthRoundedHalfToEven) {
    EXPECT_EQ(TMain::StepCount(331.5, 30), 11);
    EXPECT_EQ(TMain::StepCount(144, 15), 10);
    EXPECT_EQ(TMain::StepCount(69, 15), 5);
    EXPECT_EQ(TMain::StepCount(2.5 * 15, 15), 2);
    EXPECT_EQ(TMain::StepCount(3.5 * 15, 15), 4);
    EXPECT_EQ(TMain::StepCount(7, 15), 0);
}

TEST(HandSteps, PictureNumberingIsBaseMinusPlayer) {
    EXPECT_EQ(TMain::OpenPicture(1), 1);
    EXPECT_EQ(TMain::OpenPicture(2), 0);
    EXPECT_EQ(TMain::ClosingPicture(1), 3);
    EXPECT_EQ(TMain::FistPicture(2), 4);
    EXPECT_EQ(TMain::DroppingPicture(1), 7);
    EXPECT_EQ(TMain::DroppingPicture(2), 6);
}

TEST_F(Hand, RestsOutOfSightAndGlidesInCountedStepsWithTheTimerOff) {
    NewGame();
    TMain& hand1 = *Game().Player(1).Hand;
    TMain& hand2 = *Game().Player(2).Hand;
    EXPECT_DOUBLE_EQ(hand1.RestX, (643 - 157) / 2.0);
    EXPECT_DOUBLE_EQ(hand1.RestY, 514);
    EXPECT_DOUBLE_EQ(hand2.RestY, -158);
    EXPECT_DOUBLE_EQ(hand1.Sprite->X, hand1.RestX);
    EXPECT_EQ(hand1.Sprite->Image, ImageItem(3, 1));
    EXPECT_EQ(hand2.Sprite->Image, ImageItem(3, 0));

    int frames = 0;
    bool timerRan = false;
    SetFrameObserver([&] {
        ++frames;
        timerRan = timerRan || form->Timer1.isActive();
    });
    // From rest to the pick-up place of pit 3: (x - 55, y - 45).
    const TMonSprite& pit3 = *Game().Pit(3).Sprite;
    const double distance =
        std::fabs(hand1.RestX - (pit3.X - 55)) + std::fabs(hand1.RestY - (pit3.Y - 45));
    hand1.GlideTo(3, false);
    EXPECT_EQ(frames, TMain::StepCount(distance, 30) + 1);
    EXPECT_FALSE(timerRan);
    EXPECT_TRUE(form->Timer1.isActive());
    EXPECT_DOUBLE_EQ(hand1.Sprite->X, pit3.X - 55);
    EXPECT_DOUBLE_EQ(hand1.Sprite->Y, pit3.Y - 45);

    // Between pits the step is 15: the dropping place of pit 4 is (x - 20, y - 5).
    frames = 0;
    const TMonSprite& pit4 = *Game().Pit(4).Sprite;
    hand1.GlideTo(4, true);
    EXPECT_EQ(frames, 10 + 1); // 104 + 40 = 144 pixels: 10 steps
    EXPECT_DOUBLE_EQ(hand1.Sprite->X, pit4.X - 20);
    EXPECT_DOUBLE_EQ(hand1.Sprite->Y, pit4.Y - 5);
    frames = 0;
    hand1.GlideTo(5, true);
    EXPECT_EQ(frames, 5 + 1); // 69 pixels: 5 steps
    hand1.GlideTo(0, false);
    EXPECT_DOUBLE_EQ(hand1.Sprite->Y, hand1.RestY);

    // Player 2 picks up from (x - 35, y - 65) and drops from (x - 55, y - 100).
    Game().Tour->Player = 2;
    const TMonSprite& pit9 = *Game().Pit(9).Sprite;
    hand2.GlideTo(9, false);
    EXPECT_DOUBLE_EQ(hand2.Sprite->X, pit9.X - 35);
    EXPECT_DOUBLE_EQ(hand2.Sprite->Y, pit9.Y - 65);
    hand2.GlideTo(9, true);
    EXPECT_DOUBLE_EQ(hand2.Sprite->X, pit9.X - 55);
    EXPECT_DOUBLE_EQ(hand2.Sprite->Y, pit9.Y - 100);
}

TEST_F(Hand, SeedSoundsFollowTheNewCountAndTheSwitch) {
    NewGame();
    sounds.clear();
    PlaySeedSound(1);
    PlaySeedSound(5);
    PlaySeedSound(6);
    EXPECT_EQ(sounds, (std::vector<int>{0, 1, 2}));
    sounds.clear();
    Options->SoundsOn = false;
    PlaySeedSound(1);
    Position({4, 4, 4, 4, 4, 2, 4, 1, 2, 4, 4, 4}, 1);
    Play(6);                                // a whole move with a harvest of one pit
    EXPECT_EQ(sounds, std::vector<int>{4}); // only "billegagn"
}
