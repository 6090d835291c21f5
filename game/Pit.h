// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "rules/Rules.h"

#include <memory>

class TMonSprite;
class TPitCountSprite;

// A pit of the board: its number, its seeds and the sprite that shows them.
// Pits 1 to 6 are player 1's (lower row, left to right), 7 to 12 player 2's (upper row, right
// to left); pits i and 13 - i face each other.
class Tcaze {
public:
    explicit Tcaze(int index);
    ~Tcaze();

    const int Index;
    int Seeds = 4;
    std::unique_ptr<TMonSprite> Sprite;
    // The count written beside the pit, shown while the options ask for counts in sight.
    std::unique_ptr<TPitCountSprite> Count;

    // Sets the count and shows item min(n, 20) of image list 2, redrawing the scene.
    void SetSeeds(int n);
    // The same without the redraw, for showing a whole position at once.
    void ShowSeeds(int n);
    // Puts the sprite at the place of pit i, relative to the background's current position.
    void PlaceSprite(int i);
    // Shows or hides the count beside the pit, as the options say.
    void ShowCount();
    int Owner() const { return rules::Owner(Index); }
    // A game waits for a move, its record allows this pit (it holds seeds and belongs to the
    // player to move) and the mover is a person (the computer's pits are played by the computer
    // alone).
    bool CanPlay() const;

    // The picture a pit of n seeds shows ("case0" to "case20").
    static int PictureFor(int n) { return n < 20 ? n : 20; }
    // Offsets of pit i from the background's position.
    static double OffsetX(int i) { return 128 + 69 * (i <= 6 ? i - 1 : 12 - i); }
    static double OffsetY(int i) { return i <= 6 ? 263 : 158; }
};
