// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "game/Pit.h"
#include "game/Player.h"

#include <QString>
#include <array>
#include <memory>

// The turn indicator: the player to move and the sun / moon that show it.
class TTour {
public:
    explicit TTour(double pit1Y);
    ~TTour();

    int Player = 1;
    std::unique_ptr<TMonSprite> Indicator1;
    std::unique_ptr<TMonSprite> Indicator2;

    void ShowTurn();
    void NextTurn();
};

// One game from "Nouvelle partie" to its end: twelve pits, two players and the turn indicator.
class Tjeu {
public:
    Tjeu();
    ~Tjeu();

    std::array<std::unique_ptr<Tcaze>, 13> Pits;     // 1 to 12
    std::array<std::unique_ptr<TJoueur>, 3> Players; // 1 and 2
    std::unique_ptr<TTour> Tour;
    // Set by Finish: the game is over once the move that led there has finished.
    bool Over = false;

    Tcaze& Pit(int i) const { return *Pits[i]; }
    TJoueur& Player(int n) const { return *Players[n]; }
    TJoueur& PlayerToMove() const { return *Players[Tour->Player]; }

    void Relayout();
    // The position on the board: the pits' seeds, the player to move and the banked scores.
    rules::TPosition Position() const;
    bool IsBlocked() const;
    void Finish(const QString& reason);
};

extern std::unique_ptr<Tjeu> CurrentGame;

// Closes a game that waits for a move and brings the presentation picture back.
void EndGame();
