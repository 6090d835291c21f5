// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The board as assistive technologies (a screen reader) see it. The drawing surface is one
// picture; its accessible tree gives it twelve pits, each a button named with its number as its
// owner counts it from his left (the keys 1 to 6 of keyboard play), its owner and its seeds,
// "Case 3 de Joueur 1 : 4 graines"; the pits the mover may play are enabled and pressing one
// plays it as a double-click would; the pit under the keyboard's ring has the focus. After the
// pits come five lines of text: the two scores, whose turn it is, the last move played (the
// seeds it took and the scores after it), which changes its name when a move ends (the move
// that ends the game before the end's notices), and the hint's line while a hint is shown.
#include <QString>

// Gives the drawing surface its accessible tree; once, before the window is shown.
void InstallBoardAccessibility();
// Tells assistive technologies what changed on the board since the last call: counts, pits
// that may be played, the focused pit, the scores and the turn, and the last move once it has
// ended. Called after every frame and when a move ends.
void UpdateBoardAccessibility();

// The texts of the tree, for the board on the screen (empty between games).
QString SeedsText(int seeds); // "0 graine", "1 graine", "4 graines"
QString PitAccessibleName(int pit);
QString ScoreAccessibleName(int player);
QString TurnAccessibleName();
QString LastMoveAccessibleName();
