// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where things go on the board picture, in pixels of the 640 x 480 picture: the pits (65 x 65
// sprites), the turn indicators (91 x 91) and the hands' places relative to a pit, as the game
// places its sprites.
namespace layout {

constexpr int kBoardWidth = 640;
constexpr int kBoardHeight = 480;
constexpr int kPitSize = 65;

// Pits 1 to 6 on the lower row from left to right, 7 to 12 on the upper row from right to left.
constexpr int PitX(int pit) {
    return pit <= 6 ? 128 + 69 * (pit - 1) : 128 + 69 * (12 - pit);
}
constexpr int PitY(int pit) {
    return pit <= 6 ? 263 : 158;
}
constexpr double PitCentreX(int pit) {
    return PitX(pit) + kPitSize / 2.0;
}
constexpr double PitCentreY(int pit) {
    return PitY(pit) + kPitSize / 2.0;
}

// The pit's hollow and the ring of its rim, from the pit's centre.
constexpr double kBowlRadius = 26.0;
constexpr double kRimRadius = 29.3;
// Seeds lie within this radius of the centre.
constexpr double kSeedRadius = 23.0;

// The turn indicators: the sun (player 1) below the board, the moon (player 2) above it.
constexpr int kTileSize = 91;
constexpr int kSunTileX = 378, kSunTileY = 356;
constexpr int kMoonTileX = 152, kMoonTileY = 22;

// The recessed dark bands holding the indicators and the score texts.
constexpr int kPanelLeft = 22, kPanelRight = 618;
constexpr int kTopPanelTop = 10, kTopPanelBottom = 133;
constexpr int kBottomPanelTop = 348, kBottomPanelBottom = 468;

// Score texts (top left of the text), as the game writes them over the board.
constexpr double kScore1X = 178.5, kScore1Y = 373.5;
constexpr double kScore2X = 248.5, kScore2Y = 58.5;

// The hand picture (157 x 157) relative to a pit's sprite: where it picks up and where it drops
// a seed, for player 1 (from the bottom) and player 2 (from the top).
constexpr int kHandSize = 157;
constexpr int kPickUpDx[3] = {0, -55, -35}, kPickUpDy[3] = {0, -45, -65};
constexpr int kDropDx[3] = {0, -20, -55}, kDropDy[3] = {0, -5, -100};

} // namespace layout
