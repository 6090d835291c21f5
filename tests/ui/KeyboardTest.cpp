// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/game/GameFixture.h"
#include "ui/KeyboardPlay.h"
#include "ui/Shortcuts.h"

#include <QCursor>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <algorithm>
#include <random>

using Keyboard = GameTest;

namespace {
void Key(Qt::Key key) {
    QTest::keyClick(Form1->DXDraw1, key);
}
} // namespace

// Over random positions, either side to move: the ring goes over the mover's playable pits in
// the order he sees them (player 2's pit 7 is on his left), stops at both ends, sits around its
// pit on the board, and the figure keys play the mover's k-th pit from his left when, and only
// when, it may be played; on a computer's turn there is no ring and no key plays.
TEST_F(Keyboard, RingAndFigureKeysFollowTheMoversPlayablePitsInHisOrder) {
    NewGame();
    std::mt19937 random(20261207);
    for (int round = 0; round < 60; ++round) {
        std::array<int, 12> seeds{};
        for (int& s : seeds)
            s = std::uniform_int_distribution(0, 3)(random) == 0
                    ? 0
                    : std::uniform_int_distribution(1, 6)(random);
        seeds[0] = seeds[6] = 1; // each side has a move
        const int mover = 1 + round % 2;
        Position(seeds, mover);
        Game().Player(1).Computer = false;
        Game().Player(2).Computer = false;

        // The mover's pits from his left, by where the board draws them: player 1 sits below
        // the board and reads the screen left to right, player 2 sits above, facing him.
        std::vector<int> fromHisLeft;
        for (int i = mover == 1 ? 1 : 7, n = 0; n < 6; ++i, ++n)
            fromHisLeft.push_back(i);
        std::sort(fromHisLeft.begin(), fromHisLeft.end(), [&](int a, int b) {
            const double xa = Game().Pit(a).Sprite->X, xb = Game().Pit(b).Sprite->X;
            return mover == 1 ? xa < xb : xa > xb;
        });
        std::vector<int> expected;
        for (int pit : fromHisLeft)
            if (seeds[pit - 1] > 0)
                expected.push_back(pit);
        ASSERT_EQ(KeyboardPlayablePits(), expected) << "round " << round;

        Key(Qt::Key_End);
        EXPECT_EQ(KeyboardMark(), expected.back());
        Key(Qt::Key_Home);
        std::vector<int> visited{KeyboardMark()};
        for (std::size_t step = 0; step < 7; ++step) {
            Key(Qt::Key_Right);
            if (KeyboardMark() != visited.back())
                visited.push_back(KeyboardMark());
        }
        EXPECT_EQ(visited, expected) << "round " << round;
        Key(Qt::Key_Left);
        EXPECT_EQ(KeyboardMark(),
                  expected.size() > 1 ? expected[expected.size() - 2] : expected[0]);
        RedrawScene();
        ASSERT_TRUE(Game().Mark->Visible);
        EXPECT_EQ(Game().Mark->X, Game().Pit(KeyboardMark()).Sprite->X - TPitMarkSprite::Margin);
        EXPECT_EQ(Game().Mark->Y, Game().Pit(KeyboardMark()).Sprite->Y - TPitMarkSprite::Margin);

        // A computer's turn: no ring, no key plays.
        Game().Player(mover).Computer = true;
        RedrawScene();
        EXPECT_FALSE(Game().Mark->Visible);
        EXPECT_EQ(KeyboardMark(), 0);
        for (Qt::Key key : {Qt::Key_1, Qt::Key_Return, Qt::Key_Space})
            Key(key);
        EXPECT_EQ(Game().Record.Length(), 0);
        Game().Player(mover).Computer = false;

        // A figure on an empty pit does nothing; on a playable one it plays that pit.
        const int k = std::uniform_int_distribution(1, 6)(random);
        const int pit = fromHisLeft[k - 1];
        Key(static_cast<Qt::Key>(Qt::Key_0 + k));
        if (seeds[pit - 1] == 0) {
            EXPECT_EQ(Game().Record.Length(), 0) << "round " << round << " key " << k;
        } else {
            ASSERT_EQ(Game().Record.Length(), 1) << "round " << round << " key " << k;
            EXPECT_EQ(Game().Record.MoveAt(0), pit);
        }
    }
}

TEST_F(Keyboard, EnterPlaysTheRingsPitAndNoRingShowsDuringTheMoveOrBetweenGames) {
    RedrawScene();
    EXPECT_EQ(KeyboardMark(), 0);
    NewGame();
    Position({0, 3, 0, 4, 4, 4, 4, 4, 4, 4, 4, 4}, 1);
    Key(Qt::Key_Home);
    Key(Qt::Key_Right);
    EXPECT_EQ(KeyboardMark(), 4);
    bool ringDuringMove = false;
    bool ringInLastFrame = false;
    SetFrameObserver([&] {
        if (AppState == TAppState::Distribution && Game().Mark->Visible)
            ringDuringMove = true;
        ringInLastFrame = Game().Mark->Visible;
    });
    Key(Qt::Key_Return);
    SetFrameObserver(nullptr);
    EXPECT_FALSE(ringDuringMove);
    EXPECT_TRUE(ringInLastFrame); // the next person's ring is on the screen once the move ends
    ASSERT_EQ(Game().Record.Length(), 1);
    EXPECT_EQ(Game().Record.MoveAt(0), 4);
    EXPECT_EQ(Game().Pit(4).Seeds, 0);
    // Player 2's turn: his first playable pit from his left, pit 7.
    EXPECT_EQ(KeyboardMark(), 7);
    EXPECT_EQ(Game().Pit(7).Count->Count, Game().Pit(7).Seeds);
    EXPECT_FALSE(Game().Pit(7).Count->Visible); // counts are off unless asked for
}

TEST_F(Keyboard, TheShortcutsListNamesEveryMenuKey) {
    QStringList listed;
    for (const auto& [keys, action] : KeyboardShortcuts())
        listed << keys;
    for (QAction* menu : form->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            if (!item->shortcut().isEmpty()) {
                EXPECT_TRUE(listed.contains(item->shortcut().toString().replace("Shift", "Maj")))
                    << item->objectName().toStdString();
            }
}

// The ring is drawn for the keyboard's users: not before the board's keys are used, from the
// first of them on, and no more once the mouse plays; the mark the screen reader follows is
// the same all along.
TEST_F(Keyboard, TheRingShowsOnceTheKeysAreUsedAndHidesWhenTheMousePlays) {
    form->show();
    NewGame();
    HideKeyboardRing(); // as the program starts
    Position({4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4}, 1);
    RedrawScene();
    EXPECT_FALSE(Game().Mark->Visible);
    EXPECT_EQ(KeyboardMark(), 1);
    Key(Qt::Key_Right);
    RedrawScene();
    EXPECT_TRUE(Game().Mark->Visible);
    EXPECT_EQ(KeyboardMark(), 2);
    const TMonSprite& pit = *Game().Pit(5).Sprite;
    QCursor::setPos(Form1->DXDraw1->mapToGlobal(
        QPoint(static_cast<int>(pit.X) + 30, static_cast<int>(pit.Y) + 30)));
    form->DXDraw1DblClick();
    ASSERT_EQ(Game().Record.Length(), 1);
    RedrawScene();
    EXPECT_FALSE(Game().Mark->Visible);
    EXPECT_EQ(KeyboardMark(), 7); // player 2's first pit from his left, as before
    Key(Qt::Key_End);
    RedrawScene();
    EXPECT_TRUE(Game().Mark->Visible);
}
