// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application state word: whether a game is on, and whether a move of it is being shown.
// The window sets it at start-up and the game as it begins, plays and ends; a move is refused
// while another is shown.
#include <iosfwd>

enum class TAppState {
    None,         // before the window's start-up has set it: none of the three words
    Presentation, // "presentation": no game, the presentation picture is shown
    Jeu,          // "jeu": a game waits for a move
    Distribution, // "distribution": a move is being shown
};

extern TAppState AppState;

// The state's word, as the program names it: "presentation", "jeu", "distribution", or an
// empty text before start-up.
const char* AppStateWord(TAppState state);
// Test output shows the word.
void PrintTo(TAppState state, std::ostream* out);
