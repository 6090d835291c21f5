// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A check of an endgame table by its own equation: every position's value is its final margin when
// the game is over, and otherwise the best of its moves' values (the seeds a move harvests minus
// the value of the position it leaves). A value off for one side, or a position whose parents the
// build missed, breaks it.
#include "ai/EndgameTable.h"
#include "rules/Rules.h"

#include <algorithm>
#include <cstddef>
#include <string>

// Checks every position of n seeds (either player to move) by the table's rules; the positions
// checked, or 0 with a message in error at the first one that breaks the equation or that the
// table does not hold.
inline std::size_t CheckTableLayer(const ai::TEndgameTable& table, int seeds, std::string& error) {
    std::size_t checked = 0;
    rules::TPosition position;
    position.Rules = table.RuleSet();
    const auto check = [&]() {
        int value = 0;
        if (!table.Probe(position, value)) {
            error = "not in the table";
            return false;
        }
        int expected = -1000;
        if (rules::IsOver(position)) {
            expected = position.SeedsOnSide(position.ToMove) -
                       position.SeedsOnSide(rules::Opponent(position.ToMove));
        } else {
            for (const int pit : rules::LegalMoves(position)) {
                rules::TPosition child = position;
                const int taken = rules::Play(child, pit).Captured;
                int after = 0;
                if (!table.Probe(child, after)) {
                    error = "a move leads out of the table";
                    return false;
                }
                expected = std::max(expected, taken - after);
            }
        }
        if (value != expected) {
            error = "value " + std::to_string(value) + ", its moves " + std::to_string(expected);
            return false;
        }
        ++checked;
        return true;
    };
    const auto fill = [&](auto& self, int pit, int left) -> bool {
        if (pit == rules::kPits) {
            position.Seeds[pit] = static_cast<std::uint8_t>(left);
            for (const std::uint8_t side : {1, 2}) {
                position.ToMove = side;
                if (!check())
                    return false;
            }
            return true;
        }
        for (int s = 0; s <= left; ++s) {
            position.Seeds[pit] = static_cast<std::uint8_t>(s);
            if (!self(self, pit + 1, left - s))
                return false;
        }
        return true;
    };
    if (fill(fill, 1, seeds))
        return checked;
    std::string board = "pits";
    for (int pit = 1; pit <= rules::kPits; ++pit)
        board += " " + std::to_string(position.Seeds[pit]);
    error = board + " tomove " + std::to_string(position.ToMove) + ": " + error;
    return 0;
}
