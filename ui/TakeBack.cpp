// SPDX-License-Identifier: GPL-3.0-or-later
// Taking moves back and playing them again. The record keeps every move and position; a
// take-back moves its cursor and the board shows the position there at once. Against the
// computer a take-back goes back to the person's previous turn, over the computer's answer, and
// playing again goes forward to the person's next turn; the computer's thinking stops first and
// starts again only when the board then waits for the computer's move.
#include "game/Game.h"
#include "ui/GameFiles.h"
#include "ui/Hint.h"
#include "ui/Main.h"

#include <QAction>
#include <optional>

namespace {

// The side to move at this position is played by a person.
bool PersonToMove(const rules::TPosition& position) {
    return !Options->PlayedBy(position.ToMove).has_value();
}

// A game on the board waits for a move: the record may be moved through.
const record::TGameRecord* GameToTakeBack() {
    if (AppState != TAppState::Jeu || !CurrentGame || !Options || TerminationRequested())
        return nullptr;
    return &CurrentGame->Record;
}

// The cursor of the person's previous turn (the latest one, or the first of the game).
std::optional<int> PersonsTurnBefore(const record::TGameRecord& game, bool first) {
    std::optional<int> found;
    for (int ply = game.Cursor() - 1; ply >= 0; --ply) {
        if (PersonToMove(game.PositionAt(ply))) {
            found = ply;
            if (!first)
                break;
        }
    }
    return found;
}

// The cursor of the person's next turn, or the end of the record (the last one: the end).
std::optional<int> PersonsTurnAfter(const record::TGameRecord& game, bool last) {
    if (!game.CanRedo())
        return std::nullopt;
    if (last)
        return game.Length();
    for (int ply = game.Cursor() + 1; ply < game.Length(); ++ply)
        if (PersonToMove(game.PositionAt(ply)))
            return ply;
    return game.Length();
}

// Shows the record's position at ply; the game is kept as it now stands.
void TakeBackTo(std::optional<int> ply) {
    if (!ply || !CurrentGame)
        return;
    Form1->ComputerTurn->Cancel();
    CurrentGame->Record.SeekTo(*ply);
    CurrentGame->ShowRecord();
    KeepUnfinishedGame();
    Form1->RefreshGameCommands();
    // The computer's players start afresh: the positions they remember from the moves taken back
    // are no longer the game's. The computer's turn starts if the board now waits for it.
    Form1->ComputerTurn->Begin();
}

} // namespace

void TForm1::Annulerlecoup1Click() {
    if (const record::TGameRecord* game = GameToTakeBack())
        TakeBackTo(PersonsTurnBefore(*game, false));
}

void TForm1::Annulertouslescoups1Click() {
    if (const record::TGameRecord* game = GameToTakeBack())
        TakeBackTo(PersonsTurnBefore(*game, true));
}

void TForm1::Rtablirlecoup1Click() {
    if (const record::TGameRecord* game = GameToTakeBack())
        TakeBackTo(PersonsTurnAfter(*game, false));
}

void TForm1::Rtablirtouslescoups1Click() {
    if (const record::TGameRecord* game = GameToTakeBack())
        TakeBackTo(PersonsTurnAfter(*game, true));
}

void TForm1::RefreshGameCommands() {
    const record::TGameRecord* game = GameToTakeBack();
    const bool back = game && PersonsTurnBefore(*game, false).has_value();
    const bool forward = game && PersonsTurnAfter(*game, false).has_value();
    Annulerlecoup1->setEnabled(back);
    Annulertouslescoups1->setEnabled(back);
    Rtablirlecoup1->setEnabled(forward);
    Rtablirtouslescoups1->setEnabled(forward);
    Enregistrerlapartie1->setEnabled(game != nullptr);
    const bool ready = BackgroundSprite && Options && !TerminationRequested();
    Ouvrirunepartie1->setEnabled(ready && AppState != TAppState::Distribution);
    Reprendrelapartie1->setEnabled(ready && AppState == TAppState::Presentation &&
                                   HasUnfinishedGame());
    Conseil1->setEnabled(HintAllowed());
}
