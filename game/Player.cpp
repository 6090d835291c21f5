// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Player.h"

#include "game/AppState.h"
#include "game/Game.h"
#include "game/GameHost.h"
#include "game/Hand.h"
#include "game/Score.h"
#include "graphics/Assets.h"
#include "graphics/GameSprites.h"

TJoueur::TJoueur(int n) {
    Hand = std::make_unique<TMain>(n);
    Score = std::make_unique<TScore>(n);
    Number = n;
    Name = game::Host().PlayerName(n);
    Computer = game::Host().PlayedBy(n) != record::kPersonLevel;
    Score->ShowScoreOf(n, Name);
}

TJoueur::~TJoueur() {
    Hand.reset();
    Score.reset();
}

void TJoueur::Play(int i) {
    // The record plays the move; what it did is shown step by step.
    const rules::TMoveTrace move = CurrentGame->Record.Play(i);
    if (move.Pit == 0)
        return;
    // The pit the move starts from stays marked until the next move starts.
    CurrentGame->ShowLastMove();
    game::TGameHost& host = game::Host();
    // A hint still being searched is for the position the move leaves.
    host.MoveStarting();
    AppState = TAppState::Distribution;
    try {
        // A frame or a sound that fails is shown once; the move goes on without it.
        host.ShowMove([&] {
            Hand->PickUp(move.Pit);
            for (const int pit : move.Sown)
                Hand->DropSeed(pit);
            Hand->OpenHand();
            Hand->GlideTo(0, false);
            Harvest(move);
            CurrentGame->Tour->NextTurn(move);
        });
    } catch (const std::exception& error) {
        // Anything else that stops the move half-way leaves a board the game cannot go on from:
        // the error is shown and the game is closed, so that the menus work as between games.
        AppState = TAppState::Jeu;
        host.ReportError(error);
        EndGame(); // destroys this player: nothing may follow
        return;
    }
    AppState = TAppState::Jeu;
    if (CurrentGame->Over)
        EndGame(); // destroys this player: nothing may follow
    else
        host.MovePlayed();
}

void TJoueur::Harvest(const rules::TMoveTrace& move) {
    for (const rules::THarvest& taken : move.Harvested)
        TakePit(taken.Pit);
    // A move shown at once sounds its harvest once, whatever the sound switch says.
    if (!move.Harvested.empty() && game::Host().AnimationSpeed() == TAnimationSpeed::None)
        game::Host().PlaySound(assets::Sound("billegagn"));
    // The banked score is the record's.
    Score->Value = CurrentGame->Record.Current().Score[Number];
    Score->PendingGain = 0;
    Score->ShowScore(Number);
}

void TJoueur::TakePit(int a) {
    Hand->PickUp(a);
    Score->PendingGain += Hand->InHand;
    Score->ShowScore(Number);
    Hand->GlideTo(0, false);
    Hand->OpenHand();
    // Whatever the sound switch says; a move shown at once sounds it once (Harvest).
    if (game::Host().AnimationSpeed() != TAnimationSpeed::None)
        game::Host().PlaySound(assets::Sound("billegagn"));
    Hand->InHand = 0;
    Score->ShowScore(Number);
    game::Host().Repaint();
}
