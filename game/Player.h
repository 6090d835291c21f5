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

    // The move from pit i: played in the game's record, then shown step by step as the record
    // says (sowing, harvest, turn change, end). A pit the record refuses changes nothing.
    void Play(int i);
    // Shows the harvest of a move and banks it.
    void Harvest(const rules::TMoveTrace& move);
    // Shows one harvested pit carried to the score.
    void TakePit(int a);
};
