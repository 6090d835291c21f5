// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Random positions for property tests: the 48 seeds split between the board and the two scores,
// either player to move.
#include "rules/Rules.h"

#include <random>

inline rules::TPosition RandomPosition(std::mt19937& random, int maxOnBoard = rules::kTotalSeeds) {
    rules::TPosition position;
    const int onBoard = std::uniform_int_distribution<int>(1, maxOnBoard)(random);
    for (int s = 0; s < onBoard; ++s)
        ++position.Seeds[std::uniform_int_distribution<int>(1, rules::kPits)(random)];
    const int banked = rules::kTotalSeeds - onBoard;
    position.Score[1] =
        static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, banked)(random));
    position.Score[2] = static_cast<std::uint8_t>(banked - position.Score[1]);
    position.ToMove = static_cast<std::uint8_t>(1 + random() % 2);
    return position;
}
