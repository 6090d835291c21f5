// SPDX-License-Identifier: GPL-3.0-or-later
// Linked with the game's library and its pictures' alone, without the window's: every part of
// them links without anything of the window, and without a window installed nothing is shown.
#include "game/AppState.h"
#include "game/Game.h"
#include "game/GameHost.h"
#include "game/Hand.h"
#include "game/Score.h"
#include "graphics/GameSprites.h"
#include "graphics/Scene.h"
#include "graphics/StoredImageList.h"

#include <gtest/gtest.h>

#include <stdexcept>

TEST(WithoutWindow, EveryPartLinksAndNothingIsShown) {
    // What the window's code would bring in: the game, its turns and end, the players, the
    // hands, the scores, and the pictures' sprites and image lists.
    [[maybe_unused]] const void* const volatile parts[] = {
        reinterpret_cast<void*>(&EndGame),
        reinterpret_cast<void*>(&PlaySeedSound),
        reinterpret_cast<void*>(&ScoreLine),
        reinterpret_cast<void*>(&LoadImageList),
    };

    EXPECT_EQ(AppState, TAppState::None);
    EXPECT_STREQ(AppStateWord(AppState), "");
    EXPECT_STREQ(AppStateWord(TAppState::Distribution), "distribution");
    // No scene: no frame, no surface, no engine, no pictures.
    RedrawScene();
    EXPECT_EQ(DrawingSurface(), nullptr);
    EXPECT_EQ(SpriteEngine(), nullptr);
    EXPECT_EQ(ImageItem(1, 0), nullptr);
    // No host: a move's steps run and what they raise goes on to the game, which closes it.
    game::TGameHost& host = game::Host();
    int steps = 0;
    host.ShowMove([&] { ++steps; });
    EXPECT_EQ(steps, 1);
    EXPECT_THROW(host.ShowMove([] { throw std::runtime_error("frame"); }), std::runtime_error);
    EXPECT_FALSE(host.SoundsOn());
    EXPECT_EQ(host.PlayedBy(1), 0);
    // EndGame leaves everything alone while no game waits for a move.
    EndGame();
    EXPECT_EQ(AppState, TAppState::None);
}
