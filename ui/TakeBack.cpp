// SPDX-License-Identifier: GPL-3.0-or-later
// Taking moves back and playing them again. The record keeps every move and position; a
// take-back moves its cursor and the board shows the position there at once. Against the
// computer a take-back goes back to the person's previous turn, over the computer's answer, and
// playing again goes forward to the person's next turn; the computer's thinking stops first and
// starts again only when the board then waits for the computer's move. Between games the game
// last finished can still be taken back from its end: it comes back on the board as a game in
// progress; played forward to its end again, it ends again.
#include "game/Game.h"
#include "ui/GameFiles.h"
#include "ui/GameSheet.h"
#include "ui/Hint.h"
#include "ui/Main.h"

#include <QAction>
#include <array>
#include <optional>

namespace {

// Which sides persons play: as the options say for the game on the board, as its record says
// for the game last finished.
using TPersons = std::array<bool, 3>;
TPersons PersonsNow() {
    return {false, !Options->PlayedBy(1).has_value(), !Options->PlayedBy(2).has_value()};
}
TPersons PersonsOf(const record::TGameRecord& game) {
    return {false, game.Sides[1].Level == record::kPersonLevel,
            game.Sides[2].Level == record::kPersonLevel};
}

// A game on the board waits for a move: the record may be moved through.
const record::TGameRecord* GameToTakeBack() {
    if (AppState != TAppState::Jeu || !CurrentGame || !Options || TerminationRequested())
        return nullptr;
    return &CurrentGame->Record;
}

// The game last finished, between games: it may be taken back from its end.
const record::TGameRecord* FinishedGameToTakeBack() {
    if (AppState != TAppState::Presentation || !Options || !BackgroundSprite ||
        TerminationRequested())
        return nullptr;
    return FinishedGame();
}

// The cursor of the person's previous turn (the latest one, or the first of the game).
std::optional<int> PersonsTurnBefore(const record::TGameRecord& game, bool first,
                                     const TPersons& persons) {
    std::optional<int> found;
    for (int ply = game.Cursor() - 1; ply >= 0; --ply) {
        if (persons[game.PositionAt(ply).ToMove]) {
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
    const TPersons persons = PersonsNow();
    for (int ply = game.Cursor() + 1; ply < game.Length(); ++ply)
        if (persons[game.PositionAt(ply).ToMove])
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
    if (CurrentGame->Record.Over()) {
        // Played forward to its end again: nothing is left to resume.
        ForgetUnfinishedGame();
        CloseFinishedGame();
        return;
    }
    KeepUnfinishedGame();
    Form1->RefreshGameCommands();
    // The computer's players start afresh: the positions they remember from the moves taken back
    // are no longer the game's. The computer's turn starts if the board now waits for it.
    Form1->ComputerTurn->Begin();
}

// Takes back to the person's previous turn (or his first) in the game on the board, or in the
// game last finished, which comes back on the board there.
void TakeBack(bool first) {
    if (const record::TGameRecord* game = GameToTakeBack()) {
        TakeBackTo(PersonsTurnBefore(*game, first, PersonsNow()));
        return;
    }
    if (const record::TGameRecord* last = FinishedGameToTakeBack())
        if (const std::optional<int> ply = PersonsTurnBefore(*last, first, PersonsOf(*last)))
            ResumeFinishedGame(*ply);
}

} // namespace

bool GoToPly(int ply) {
    if (const record::TGameRecord* game = GameToTakeBack()) {
        if (ply < 0 || ply > game->Length())
            return false;
        if (ply != game->Cursor())
            TakeBackTo(ply);
        return true;
    }
    if (const record::TGameRecord* last = FinishedGameToTakeBack()) {
        if (ply < 0 || ply > last->Length())
            return false;
        // The finished game stays as it is at its end; before it, it comes back on the board.
        if (ply < last->Length())
            ResumeFinishedGame(ply);
        return true;
    }
    return false;
}

void TForm1::Annulerlecoup1Click() {
    TakeBack(false);
}

void TForm1::Annulertouslescoups1Click() {
    TakeBack(true);
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
    const record::TGameRecord* last = FinishedGameToTakeBack();
    const bool back = game ? PersonsTurnBefore(*game, false, PersonsNow()).has_value()
                           : last && PersonsTurnBefore(*last, false, PersonsOf(*last)).has_value();
    const bool forward = game && PersonsTurnAfter(*game, false).has_value();
    Annulerlecoup1->setEnabled(back);
    Annulertouslescoups1->setEnabled(back);
    Rtablirlecoup1->setEnabled(forward);
    Rtablirtouslescoups1->setEnabled(forward);
    Enregistrerlapartie1->setEnabled(GameToSave() != nullptr);
    const bool ready = BackgroundSprite && Options && !TerminationRequested();
    Ouvrirunepartie1->setEnabled(ready && AppState != TAppState::Distribution);
    Reprendrelapartie1->setEnabled(ready && AppState == TAppState::Presentation &&
                                   HasUnfinishedGame());
    Conseil1->setEnabled(HintAllowed());
    ShowRulesInTitle();
    Analyserlapartie1->setEnabled(
        ready &&
        (GameSheet() ? GameSheet()->CanReview() : SheetGame() && SheetGame()->Length() > 0));
}
