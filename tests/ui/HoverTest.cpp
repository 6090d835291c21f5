// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/game/GameFixture.h"
#include "ui/PitPicking.h"

#include <QCursor>
#include <QHelpEvent>
#include <QToolTip>
#include <cmath>

using Hover = GameTest;

namespace {
// The screen point of pixel (dx, dy) of pit i's drawn picture.
QPoint OnPit(int i, int dx = 30, int dy = 30) {
    const TMonSprite& sprite = *CurrentGame->Pit(i).Sprite;
    const QPoint origin = Form1->DXDraw1->mapToGlobal(QPoint(0, 0));
    return origin + QPoint(static_cast<int>(sprite.X) + dx, static_cast<int>(sprite.Y) + dy);
}
} // namespace

TEST_F(Hover, NoPitBetweenGames) {
    form->show();
    EXPECT_EQ(PitAt(form->DXDraw1->mapToGlobal(QPoint(300, 300))), 0);
}

TEST_F(Hover, SensitiveSquareCoincidesWithTheDrawnPitUnderTheClassicFrame) {
    form->show();
    NewGame();
    // The board lies at (1.5, -3.5): a pit drawn from column trunc(X) answers from X to X + 65
    // inclusive, so the sensitive square is the drawn one moved by at most one pixel.
    const QPoint origin = Form1->DXDraw1->mapToGlobal(QPoint(0, 0));
    for (int i = 1; i <= 12; ++i) {
        const TMonSprite& sprite = *CurrentGame->Pit(i).Sprite;
        const int first = static_cast<int>(std::ceil(sprite.X));
        const int last = static_cast<int>(std::floor(sprite.X + 65));
        const int top = static_cast<int>(std::ceil(sprite.Y));
        const int bottom = static_cast<int>(std::floor(sprite.Y + 65));
        EXPECT_LE(std::abs(first - static_cast<int>(sprite.X)), 1);
        EXPECT_EQ(PitAt(origin + QPoint(first, top)), i);
        EXPECT_EQ(PitAt(origin + QPoint(last, bottom)), i);
        EXPECT_EQ(PitAt(origin + QPoint(first - 1, top + 30)), 0);
        EXPECT_EQ(PitAt(origin + QPoint(first + 30, bottom + 1)), 0);
    }
}

TEST_F(Hover, TooltipAndCursorTellWhetherThePitMayBePlayed) {
    form->show();
    NewGame();
    Position({4, 0, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4});
    QCursor::setPos(OnPit(2));
    UpdateHover();
    EXPECT_EQ(form->Hint(), "0");
    EXPECT_TRUE(form->ShowHint());
    EXPECT_EQ(form->DXDraw1->cursor().shape(), Qt::ForbiddenCursor);

    QCursor::setPos(OnPit(9));
    UpdateHover();
    EXPECT_EQ(form->Hint(), "4");
    EXPECT_EQ(form->DXDraw1->cursor().shape(), Qt::ForbiddenCursor);

    QCursor::setPos(OnPit(4));
    UpdateHover();
    EXPECT_EQ(form->Hint(), "4");
    EXPECT_EQ(form->DXDraw1->cursor().shape(), Qt::PointingHandCursor);

    // A double-click on the opponent's pit does nothing; on one's own it plays.
    QCursor::setPos(OnPit(9));
    form->DXDraw1DblClick();
    EXPECT_EQ(Game().Tour->Player, 1);
    QCursor::setPos(OnPit(4));
    form->DXDraw1DblClick();
    EXPECT_EQ(Game().Tour->Player, 2);
    EXPECT_EQ(Game().Pit(4).Seeds, 0);

    QCursor::setPos(form->DXDraw1->mapToGlobal(QPoint(5, 5)));
    UpdateHover();
    EXPECT_FALSE(form->ShowHint());
    EXPECT_EQ(form->DXDraw1->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(Hover, MenuCommandsDuringAMoveLeaveTheGameAlone) {
    form->show();
    NewGame();
    Tjeu* game = CurrentGame.get();
    bool checked = false;
    SetFrameObserver([&] {
        if (checked || AppState != TAppState::Distribution)
            return;
        checked = true;
        QCursor::setPos(OnPit(5));
        form->DXDraw1DblClick(); // refused: a move is being shown
        form->NouvellePartie1Click();
        answerYes = true;
        form->Quitterlapartie1Click();
        EXPECT_EQ(CurrentGame.get(), game);
    });
    Play(3);
    EXPECT_TRUE(checked);
    EXPECT_EQ(CurrentGame.get(), game);
    EXPECT_EQ(Game().Pit(5).Seeds, 5);
    EXPECT_EQ(Game().Tour->Player, 2);
    EXPECT_EQ(boxes, std::vector<QString>{"Etes vous sur(e) de vouloir quitter cette partie ?"});
}

TEST_F(Hover, TheCountShowsWhenThePointerComesToRestAndGoesWithTheGame) {
    form->show();
    NewGame();
    Position({1, 0, 0, 4, 0, 0, 0, 0, 0, 0, 0, 0});
    QCursor::setPos(form->DXDraw1->mapToGlobal(QPoint(5, 5)));
    UpdateHover();
    // The pointer comes to rest on pit 4 and Qt asks for the tool-tip before the timer ticks.
    QCursor::setPos(OnPit(4));
    QHelpEvent help(QEvent::ToolTip, form->DXDraw1->mapFromGlobal(OnPit(4)), OnPit(4));
    QApplication::sendEvent(form->DXDraw1, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "4");
    EXPECT_EQ(form->DXDraw1->cursor().shape(), Qt::PointingHandCursor);

    // Player 2 is left without seeds: the game ends, and neither the count nor the pointing
    // hand stays over the presentation picture.
    Play(1);
    EXPECT_EQ(AppState, TAppState::Presentation);
    EXPECT_EQ(form->DXDraw1->cursor().shape(), Qt::ArrowCursor);
    EXPECT_FALSE(form->ShowHint());
    EXPECT_FALSE(QToolTip::isVisible());
}
