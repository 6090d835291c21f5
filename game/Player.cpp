// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Player.h"

#include "game/Game.h"
#include "game/Hand.h"
#include "game/Score.h"
#include "graphics/Assets.h"
#include "graphics/GameSprites.h"
#include "ui/Main.h"

TJoueur::TJoueur(int n) {
    Hand = std::make_unique<TMain>(n);
    Score = std::make_unique<TScore>(n);
    Number = n;
    Name = n == 1 ? Options->Player1Name : Options->Player2Name;
    Computer = Options->PlayedBy(n).has_value();
    Score->Text->TextLabel->Caption = Name + " : 0";
}

TJoueur::~TJoueur() {
    Hand.reset();
    Score.reset();
}

int TJoueur::SeedsOnSide() const {
    int seeds = 0;
    const int first = Number == 1 ? 1 : 7;
    for (int i = first; i < first + 6; ++i)
        seeds += CurrentGame->Pit(i).Seeds;
    return seeds;
}

void TJoueur::Play(int i) {
    AppState = "distribution";
    try {
        // A frame or a sound that fails is shown once; the move goes on without it.
        const TMoveInProgress move;
        Hand->PickUp(i);
        int a = i;
        while (Hand->InHand > 0) {
            a = NextPit(a, i);
            Hand->DropSeed(a);
        }
        Hand->OpenHand();
        Hand->GlideTo(0, false);
        Harvest(a);
        CurrentGame->Tour->NextTurn();
    } catch (const std::exception& error) {
        // Anything else that stops the move half-way leaves a board the game cannot go on from:
        // the error is shown and the game is closed, so that the menus work as between games.
        AppState = "jeu";
        ReportException(error);
        EndGame(); // destroys this player: nothing may follow
        return;
    }
    AppState = "jeu";
    if (CurrentGame->Over)
        EndGame(); // destroys this player: nothing may follow
    else
        Form1->ComputerTurn->Next();
}

void TJoueur::Harvest(int a) {
    const int mover = CurrentGame->Tour->Player;
    for (;;) {
        if (!rules::IsTaken(a, CurrentGame->Pit(a).Seeds, mover))
            break;
        TakePit(a);
        a = rules::PreviousPit(a);
    }
    Score->Value += Score->PendingGain;
    Score->PendingGain = 0;
    Score->ShowScore(Number);
}

void TJoueur::TakePit(int a) {
    Hand->PickUp(a);
    Score->PendingGain += Hand->InHand;
    Score->ShowScore(Number);
    Hand->GlideTo(0, false);
    Hand->OpenHand();
    PlaySoundItem(assets::Sound("billegagn")); // whatever the sound switch says
    Hand->InHand = 0;
    Score->ShowScore(Number);
    Form1->repaint();
}
