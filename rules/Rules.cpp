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

namespace {

// The move, stated once: Play runs it with an observer that notes nothing, PlayTraced with one
// that writes every step down.
struct TNoObserver {
    void Picked(int /*seeds*/) {}
    void Sown(int /*pit*/) {}
    void Harvested(int /*pit*/, int /*seeds*/) {}
};

struct TTraceObserver {
    TMoveTrace& Trace;
    void Picked(int seeds) {
        Trace.Picked = seeds;
        Trace.Sown.reserve(static_cast<std::size_t>(seeds));
    }
    void Sown(int pit) { Trace.Sown.push_back(pit); }
    void Harvested(int pit, int seeds) { Trace.Harvested.push_back({pit, seeds}); }
};

template <class TObserver>
TMoveResult PlayMove(TPosition& position, int pit, TObserver&& observer) {
    const int mover = position.ToMove;
    int inHand = position.Seeds[pit];
    position.Seeds[pit] = 0;
    observer.Picked(inHand);
    int a = pit;
    while (inHand > 0) {
        a = NextPit(a, pit);
        ++position.Seeds[a];
        --inHand;
        observer.Sown(a);
    }
    TMoveResult result;
    result.LastPit = a;
    while (IsTaken(a, position.Seeds[a], mover)) {
        observer.Harvested(a, position.Seeds[a]);
        result.Captured += position.Seeds[a];
        position.Seeds[a] = 0;
        a = PreviousPit(a);
    }
    position.Score[mover] = static_cast<std::uint8_t>(position.Score[mover] + result.Captured);
    position.ToMove = static_cast<std::uint8_t>(Opponent(mover));
    return result;
}

} // namespace

TMoveResult Play(TPosition& position, int pit) {
    return PlayMove(position, pit, TNoObserver{});
}

TMoveTrace PlayTraced(TPosition& position, int pit) {
    TMoveTrace trace;
    trace.Mover = position.ToMove;
    trace.Pit = pit;
    trace.Gain = PlayMove(position, pit, TTraceObserver{trace}).Captured;
    trace.NextPlayer = position.ToMove;
    trace.Over = IsOver(position);
    return trace;
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
