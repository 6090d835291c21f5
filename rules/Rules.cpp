// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/Rules.h"

#include <algorithm>

namespace rules {

TPosition TPosition::Start() {
    return Start(TRuleSet::Standard);
}

TPosition TPosition::Start(TRuleSet rules) {
    TPosition position;
    for (int i = 1; i <= kPits; ++i)
        position.Seeds[i] = kSeedsPerPit;
    position.Rules = rules;
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

namespace {

// The pits of the player to move that hold seeds: the moves of the standard rules.
TMoves NonEmptyPits(const TPosition& position) {
    TMoves moves;
    const int first = FirstPit(position.ToMove);
    for (int i = first; i < first + 6; ++i)
        if (position.Seeds[i] > 0)
            moves.Pit[moves.Count++] = static_cast<std::uint8_t>(i);
    return moves;
}

// The sowing from pit reaches the opponent's side: the seeds are more than the pits of the
// mover's side after it.
bool SowsOnOpponentSide(const TPosition& position, int pit) {
    return position.Seeds[pit] > FirstPit(Owner(pit)) + 5 - pit;
}

// The moves of the full rules and, for each pit of the standard moves, the reason it is not one.
struct TFullMoves {
    TMoves Legal;
    std::array<TPosition::TRefusal, kPits + 1> Refused{};
};
TFullMoves FullMoves(const TPosition& position) {
    TFullMoves full;
    TMoves spared, killing;
    const int opponent = Opponent(position.ToMove);
    for (const int pit : NonEmptyPits(position)) {
        TPosition after = position;
        after.Rules = TRuleSet::Standard;
        Play(after, pit);
        if (after.SeedsOnSide(opponent) > 0) {
            spared.Pit[spared.Count++] = static_cast<std::uint8_t>(pit);
        } else if (SowsOnOpponentSide(position, pit)) {
            killing.Pit[killing.Count++] = static_cast<std::uint8_t>(pit);
            full.Refused[pit] = TPosition::TRefusal::Kills;
        } else {
            // The opponent had no seed (a harvest can only empty a side the sowing reached).
            full.Refused[pit] = TPosition::TRefusal::DoesNotFeed;
        }
    }
    // When every move would kill, they are all legal (and played without their harvest).
    full.Legal = spared.Count > 0 ? spared : killing;
    for (const int pit : full.Legal)
        full.Refused[pit] = TPosition::TRefusal::None;
    return full;
}

} // namespace

TMoves LegalMoves(const TPosition& position) {
    if (position.Rules == TRuleSet::Standard)
        return NonEmptyPits(position);
    return FullMoves(position).Legal;
}

bool TPosition::IsLegalByFullRules(int pit) const {
    const TMoves moves = FullMoves(*this).Legal;
    return std::find(moves.begin(), moves.end(), pit) != moves.end();
}

TPosition::TRefusal TPosition::Refusal(int pit) const {
    if (Rules == TRuleSet::Standard || pit < 1 || pit > kPits || Owner(pit) != ToMove ||
        Seeds[pit] == 0)
        return TRefusal::None;
    return FullMoves(*this).Refused[pit];
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
    bool harvest = true;
    if (position.Rules == TRuleSet::Full) {
        // A harvest that would leave the opponent no seed is not made.
        int wouldTake = 0;
        for (int b = a; IsTaken(b, position.Seeds[b], mover); b = PreviousPit(b))
            wouldTake += position.Seeds[b];
        harvest = wouldTake < position.SeedsOnSide(Opponent(mover));
    }
    while (harvest && IsTaken(a, position.Seeds[a], mover)) {
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
    if ((position.ToMove == 1 ? s1 : s2) == 0 || (s1 == 1 && s2 == 1))
        return true;
    if (position.Rules == TRuleSet::Standard || (position.ToMove == 1 ? s2 : s1) > 0)
        return false;
    // The full rules leave a move whenever one sows on the opponent's side (FullMoves); against
    // an opponent with seeds there is always one (a move that empties his side sows on it).
    for (const int pit : NonEmptyPits(position))
        if (SowsOnOpponentSide(position, pit))
            return false;
    return true;
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
