// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game as a record: who plays each side, the start position, the moves, every position
// reached and a cursor for taking moves back. The animated board is a view of it.
//
//   record::TGameRecord game;          // the opening position, no move
//   game.Play(3);                      // player 1 sows from pit 3: the trace to animate
//   game.SeekTo(game.Cursor() - 1);    // the cursor goes back one move, the move is kept
//   game.Play(4);                      // a move at the cursor drops the moves after it
//   const rules::TPosition& now = game.Current();
//
// No Qt: the rules, the moves and the file format only.

#include "rules/Rules.h"

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace record {

// Who plays a side. Level 0 is a person; 1 to 4 the computer at "Débutant", "Moyen", "Fort"
// and "Expert", the items of the preferences panel's choice (ItemOfPlayedBy).
struct TSide {
    std::string Name; // UTF-8
    int Level = 0;
    friend bool operator==(const TSide&, const TSide&) = default;
};
constexpr int kPersonLevel = 0;
constexpr int kMaxLevel = 4;

// The most bytes of one comment kept: a review's comment takes some sixty.
constexpr std::size_t kMaxCommentBytes = 2000;
// A comment's text as the record keeps it and the game file writes it between braces: valid
// UTF-8 (other bytes left out), no control character but line ends and tabs, "}" (which would
// end it in the file) made ")", no blank or line end at either end, at most kMaxCommentBytes
// bytes (cut between two characters). Defined with the file's other text checks (GameFile.cpp).
std::string CleanComment(std::string_view text);

class TGameRecord {
public:
    // A game from a position (the opening one by default), with no move yet.
    explicit TGameRecord(const rules::TPosition& start = rules::TPosition::Start());

    std::array<TSide, 3> Sides; // 1 and 2; entry 0 is unused
    std::string Date;           // as written in the game file; may be empty

    const rules::TPosition& Start() const { return Positions.front(); }
    // The position at the cursor: the one on the board.
    const rules::TPosition& Current() const { return Positions[static_cast<std::size_t>(Ply)]; }
    // The position after the first ply moves, 0 to Length(). References stay valid until the
    // next Play.
    const rules::TPosition& PositionAt(int ply) const;
    // The moves recorded, including those after the cursor that a take-back left.
    int Length() const { return static_cast<int>(Moves.size()); }
    // The moves up to the cursor, 0 to Length().
    int Cursor() const { return Ply; }
    // The pit (1 to 12) of move number ply, 0 to Length() - 1.
    int MoveAt(int ply) const;

    // The pit may be played at the cursor: it is the mover's, holds seeds, the game's rules allow
    // it (the start position's rule set), and the game at the cursor is not over.
    bool IsLegal(int pit) const;
    // Plays a legal move at the cursor and returns what it did; the moves after the cursor are
    // dropped, the cursor moves past the new move. An illegal pit changes nothing and returns
    // an empty trace (Pit 0).
    rules::TMoveTrace Play(int pit);
    // What the move number ply did, replayed from the position before it (0 to Length() - 1).
    rules::TMoveTrace TraceAt(int ply) const;

    // Moves were taken back: some follow the cursor.
    bool CanRedo() const { return Ply < Length(); }
    // Moves the cursor to ply, clamped to 0 to Length().
    void SeekTo(int ply);

    // The game at the cursor is finished (rules::IsOver).
    bool Over() const { return rules::IsOver(Current()); }

    // Comments kept with the game and written in its file (CleanComment); empty for none. The
    // comment before the first move, and the one after move number ply (0 to Length() - 1; an
    // empty one out of that range, where setting one changes nothing). A move played at the
    // cursor drops the comments of the moves it drops.
    const std::string& CommentBefore() const { return Before; }
    void SetCommentBefore(std::string_view text) { Before = CleanComment(text); }
    const std::string& CommentAfter(int ply) const;
    void SetCommentAfter(int ply, std::string_view text);

    // Same sides, date, start, moves, comments and cursor.
    friend bool operator==(const TGameRecord&, const TGameRecord&) = default;

private:
    std::vector<rules::TPosition> Positions; // Length() + 1 entries: start, then after each move
    std::vector<int> Moves;
    std::string Before;
    std::vector<std::string> Comments; // one a move
    int Ply = 0;
};

} // namespace record
