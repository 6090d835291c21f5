// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "game/Pit.h"
#include "game/Player.h"
#include "graphics/BoardMarks.h"
#include "record/Record.h"

#include <QString>
#include <array>
#include <memory>
#include <optional>
#include <utility>

class TDXTextSprite;

// The turn indicator: the player to move and the sun / moon that show it.
class TTour {
public:
    explicit TTour(double pit1Y);
    ~TTour();

    int Player = 1;
    std::unique_ptr<TMonSprite> Indicator1;
    std::unique_ptr<TMonSprite> Indicator2;

    void ShowTurn();
    // The turn after a move passes to the player the move gave it to; a move that ended the
    // game finishes it.
    void NextTurn(const rules::TMoveTrace& move);
};

// One game from "Nouvelle partie" to its end: twelve pits, two players and the turn indicator,
// showing the game's record. The record decides every move (what is sown and taken, the turn,
// the end); the board shows it, animated move by move or set at once to any of its positions.
class Tjeu {
public:
    // A new game from the opening position, dated today; the sides are the options' players.
    Tjeu();
    // A game that goes on from a record: the board shows the position at its cursor once the
    // caller's Relayout has run. The players' names come from the record's sides (those left
    // empty from the options).
    explicit Tjeu(record::TGameRecord record);
    ~Tjeu();

    std::array<std::unique_ptr<Tcaze>, 13> Pits;     // 1 to 12
    std::array<std::unique_ptr<TJoueur>, 3> Players; // 1 and 2
    std::unique_ptr<TTour> Tour;
    // The ring that marks the pit the keyboard would play, on a person's turn.
    std::unique_ptr<TPitMarkSprite> Mark;
    // The mark of the pit the last move started from, until the next move starts.
    std::unique_ptr<TLastMoveSprite> LastMove;
    // The line of a hint, in the mover's panel, and the record's cursor and position it was
    // given at (none: no hint shown).
    std::unique_ptr<TDXTextSprite> HintLine;
    std::optional<std::pair<int, rules::TPosition>> HintFor;
    // The game as played so far; TJoueur::Play plays its moves there first.
    record::TGameRecord Record;
    // Set as Finish starts: the game is over once the move that led there has finished.
    bool Over = false;

    Tcaze& Pit(int i) const { return *Pits[i]; }
    TJoueur& Player(int n) const { return *Players[n]; }
    TJoueur& PlayerToMove() const { return *Players[Tour->Player]; }

    // Places the pits and the hands, and shows the record's position at its cursor.
    void Relayout();
    // Shows a position at once, without animation or sound: the pits' seeds, both scores and
    // the turn indicator; one redraw. The record is not changed.
    void ShowPosition(const rules::TPosition& position);
    // Shows the record's position at its cursor (after a take-back, for instance), with the
    // pit of the move that led there marked.
    void ShowRecord() {
        ShowLastMove();
        ShowPosition(Record.Current());
    }
    // Marks the pit of the record's move before its cursor (none at the start); no redraw.
    void ShowLastMove();
    // The position on the board: the pits' seeds, the player to move and the banked scores.
    rules::TPosition Position() const;
    // The end of the game: the messages, the seeds left going to their owners, the verdict.
    void Finish();
};

extern std::unique_ptr<Tjeu> CurrentGame;

// Closes a game that waits for a move and brings the presentation picture back.
void EndGame();
