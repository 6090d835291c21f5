// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/Rules.h"

namespace rules {

TPosition TPosition::Start() {
    TPosition position;
    for (int i = 1; i <= kPits; ++i)
        position.Seeds[i] = kSeedsPerPit;
    return position;
}

int TPosition::SeedsOnSide(int player) const {
    int seeds = 0;
    const int first = FirstPit(player);
    for (int i = first; i < first + 6; ++i)
        seeds += Seeds[i];
    return seeds;
}

int TPosition::SeedsOnBoard() const {
    return SeedsOnSide(1) + SeedsOnSide(2);
}

TMoves LegalMoves(const TPosition& position) {
    TMoves moves;
    const int first = FirstPit(position.ToMove);
    for (int i = first; i < first + 6; ++i)
        if (position.Seeds[i] > 0)
            moves.Pit[moves.Count++] = static_cast<std::uint8_t>(i);
    return moves;
}

TMoveResult Play(TPosition& position, int pit) {
    const int mover = position.ToMove;
    int inHand = position.Seeds[pit];
    position.Seeds[pit] = 0;
    int a = pit;
    while (inHand > 0) {
        a = NextPit(a, pit);
        ++position.Seeds[a];
        --inHand;
    }
    TMoveResult result;
    result.LastPit = a;
    while (IsTaken(a, position.Seeds[a], mover)) {
        result.Captured += position.Seeds[a];
        position.Seeds[a] = 0;
        a = PreviousPit(a);
    }
    position.Score[mover] = static_cast<std::uint8_t>(position.Score[mover] + result.Captured);
    position.ToMove = static_cast<std::uint8_t>(Opponent(mover));
    return result;
}

bool IsOver(const TPosition& position) {
    const int s1 = position.SeedsOnSide(1);
    const int s2 = position.SeedsOnSide(2);
    return (position.ToMove == 1 ? s1 : s2) == 0 || (s1 == 1 && s2 == 1);
}

TOutcome Outcome(const TPosition& position) {
    TOutcome outcome;
    for (int player = 1; player <= 2; ++player) {
        outcome.LeftOnSide[player] = position.SeedsOnSide(player);
        outcome.Final[player] = position.Score[player] + outcome.LeftOnSide[player];
    }
    outcome.Verdict = outcome.Final[1] > outcome.Final[2]   ? TVerdict::Player1
                      : outcome.Final[1] < outcome.Final[2] ? TVerdict::Player2
                                                            : TVerdict::Draw;
    return outcome;
}

} // namespace rules
