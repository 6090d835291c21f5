// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rules of ekoba, stated once. Pits are numbered 1 to 12: 1 to 6 are player 1's, 7 to 12
// player 2's. Sowing runs towards higher numbers and wraps from 12 to 1; the harvest runs the
// other way and wraps from 1 to 12. Positions may repeat.
//
// Two rule sets share this code, told apart by the position (TPosition::Rules):
// - Standard, what the game plays unless asked otherwise: there is no obligation to feed the
//   opponent and no ban on taking all of his seeds.
// - Full, the complete rules as the rules window teaches them:
//   - no killing: a move whose harvest would take every seed left on the opponent's side is not
//     legal while another move is. When every move would, those of them are legal and each is
//     played without its harvest: the sowing alone, nothing taken, so that the opponent keeps
//     the seeds the sowing gave him;
//   - feeding: a player whose opponent has no seed must play a move that sows at least one seed
//     on the opponent's side (and does not take them all back, unless every such move would: it
//     is then played without its harvest, as above). A move that sows none is never legal then.
//     When no move sows any, the game is over and each player takes the seeds on his own side,
//     as at every end.
//   The ends of the standard rules stay: the player to move has no seed, or each side holds one.

#include <array>
#include <cstdint>
#include <vector>

namespace rules {

constexpr int kPits = 12;
constexpr int kSeedsPerPit = 4;
constexpr int kTotalSeeds = kPits * kSeedsPerPit;

// The owner (1 or 2) of pit i.
constexpr int Owner(int pit) {
    return pit > 6 ? 2 : 1;
}
constexpr int Opponent(int player) {
    return 3 - player;
}
// The first pit of a player's side (1 or 7).
constexpr int FirstPit(int player) {
    return player == 1 ? 1 : 7;
}

// The pit after pit a for a move that started at pit origin: the starting pit is passed over on
// every lap.
constexpr int NextPit(int a, int origin) {
    int b = a == kPits ? 1 : a + 1;
    if (b == origin)
        b = b == kPits ? 1 : b + 1;
    return b;
}
// The pit the harvest looks at after pit a.
constexpr int PreviousPit(int a) {
    return a == 1 ? kPits : a - 1;
}
// Whether the harvest of a move by mover takes pit i holding n seeds after the sowing: only an
// opponent's pit holding 2 or 3 seeds is taken.
constexpr bool IsTaken(int pit, int seeds, int mover) {
    return (seeds == 2 || seeds == 3) && Owner(pit) != mover;
}

// The rules a game is played by (see the top of this file).
enum class TRuleSet : std::uint8_t {
    Standard, // no ban on killing, no obligation to feed
    Full,     // no killing, feeding
};

// A position: the seeds of the twelve pits, the player to move, the two banked scores and the
// rules the game goes on by. Two positions of different rule sets are different positions.
struct TPosition {
    std::array<std::uint8_t, kPits + 1> Seeds{}; // 1 to 12; entry 0 is unused and stays 0
    std::uint8_t ToMove = 1;
    std::array<std::uint8_t, 3> Score{}; // 1 and 2; entry 0 is unused
    TRuleSet Rules = TRuleSet::Standard;

    // The opening position: four seeds in every pit, player 1 to move, no score, by the
    // standard rules.
    static TPosition Start();
    // The same by the given rules.
    static TPosition Start(TRuleSet rules);

    int SeedsOnSide(int player) const;
    int SeedsOnBoard() const;
    // Pit i may be played: it belongs to the player to move and holds seeds, and by the full
    // rules it is one of LegalMoves.
    bool IsLegal(int pit) const {
        return pit >= 1 && pit <= kPits && Owner(pit) == ToMove && Seeds[pit] > 0 &&
               (Rules == TRuleSet::Standard || IsLegalByFullRules(pit));
    }
    // Why a pit of the player to move, holding seeds, may not be played by the full rules.
    enum class TRefusal { None, Kills, DoesNotFeed };
    TRefusal Refusal(int pit) const;

    friend bool operator==(const TPosition&, const TPosition&) = default;

private:
    bool IsLegalByFullRules(int pit) const;
};

// The legal moves of a position, in pit order.
struct TMoves {
    std::array<std::uint8_t, 6> Pit{};
    int Count = 0;
    const std::uint8_t* begin() const { return Pit.data(); }
    const std::uint8_t* end() const { return Pit.data() + Count; }
};
TMoves LegalMoves(const TPosition& position);

// What a move did.
struct TMoveResult {
    int LastPit = 0;  // the last pit sown, where the harvest starts
    int Captured = 0; // seeds harvested and banked by the mover
};

// Plays the legal move from pit i: sows, harvests, banks the harvest and passes the turn. By the
// full rules a harvest that would take every seed of the opponent's side is not made.
TMoveResult Play(TPosition& position, int pit);

// A harvested pit and the seeds taken from it.
struct THarvest {
    int Pit = 0;
    int Seeds = 0;
    friend bool operator==(const THarvest&, const THarvest&) = default;
};

// Everything a move did, step by step, for whoever shows it (the animated board) or writes it
// down (the game record). Made by the same code as Play, so it cannot say anything else.
struct TMoveTrace {
    int Mover = 0;                   // the player who moved, 1 or 2
    int Pit = 0;                     // the pit played
    int Picked = 0;                  // the seeds taken from it
    std::vector<int> Sown;           // the pit of each seed dropped, in order (Picked entries)
    std::vector<THarvest> Harvested; // the pits harvested, in order, with their seeds
    int Gain = 0;                    // seeds banked by the mover (the sum of the harvest)
    int NextPlayer = 0;              // the player to move afterwards
    bool Over = false;               // the game is over after the move (IsOver)

    // The last pit sown, where the harvest starts (0 for no move).
    int LastPit() const { return Sown.empty() ? 0 : Sown.back(); }
    friend bool operator==(const TMoveTrace&, const TMoveTrace&) = default;
};

// Plays the legal move from pit i like Play and tells what it did.
TMoveTrace PlayTraced(TPosition& position, int pit);

// The game is over when the player to move has no seed on his side, or when each player has
// exactly one seed on his side; by the full rules also when the player to move has no legal move
// (his opponent has no seed and no move gives him one). The test is made on the player who has
// just received the turn.
bool IsOver(const TPosition& position);

enum class TVerdict { Player1, Player2, Draw };

// The end of a finished game: the seeds left on each side go to that side's owner; the higher
// total wins, equal totals are a draw.
struct TOutcome {
    std::array<int, 3> LeftOnSide{}; // 1 and 2
    std::array<int, 3> Final{};      // final totals, 1 and 2
    TVerdict Verdict = TVerdict::Draw;
};
TOutcome Outcome(const TPosition& position);

} // namespace rules
