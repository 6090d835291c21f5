// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Playing from the keyboard. On a person's turn a ring marks one of his playable pits: Left and
// Right move it over those pits in the order he sees them from his side of the board (player 1
// his pits 1 to 6 left to right on the lower row, player 2, sitting opposite, his pits 7 to 12),
// Home and End go to the first and the last, Enter or Space plays the marked pit as a
// double-click would. The keys 1 to 6 play the mover's pits counted from his left.
#include <vector>

// The pits the mover may play now, in the order he sees them from his left; empty on a
// computer's turn, during a move and between games.
std::vector<int> KeyboardPlayablePits();
// The pit the mark is on, 0 when no mark is shown.
int KeyboardMark();
// Puts the mark on pit, one of the mover's playable pits (anything else is ignored), and
// shows it; it stays there until the keys move it or the position changes.
void SetKeyboardMark(int pit);
// The ring is seen once the board's keys are used (or a pit is marked for the person) and
// hides when the mouse plays, as a focus ring drawn only for the keyboard's users; the mark
// itself, which the screen reader follows, is kept either way.
bool KeyboardRingShown();
void HideKeyboardRing();
// The mover's k-th pit counted from his left (k from 1 to 6), for the player to move.
int MoversPit(int player, int k);
// Handles a key pressed on the board (Qt key code, no modifier but the keypad's): true when
// the key is the board's, whether or not it changed anything.
bool HandleBoardKey(int key);
// Puts the mark where it belongs for the game's state, or hides it; called before each frame.
void RefreshKeyboardMark();
// Shows or hides every pit's count as the options say, and redraws.
void ApplyCountsInSight();
