// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "rules/Rules.h"

#include <QString>
#include <memory>

class TMain;
class TScore;

// A player: number, name (copied from the options when the game is made), hand and score.
class TJoueur {
public:
    explicit TJoueur(int n);
    ~TJoueur();

    std::unique_ptr<TMain> Hand;
    std::unique_ptr<TScore> Score;
    int Number = 0;
    QString Name;
    // Played by the computer (copied from the options with the name): its pits are not picked.
    bool Computer = false;

    // Seeds on the player's side of the board.
    int SeedsOnSide() const;
    // The move from pit i, its harvest and the turn change.
    void Play(int i);
    void Harvest(int a);
    void TakePit(int a);
};

// The pit after pit a for a move that started at pit origin; the starting pit is passed over.
using rules::NextPit;
