// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Game.h"

#include "game/AppState.h"
#include "game/GameHost.h"
#include "game/Hand.h"
#include "game/Score.h"
#include "graphics/Assets.h"
#include "graphics/GameSprites.h"
#include "graphics/Scene.h"

#include <QCoreApplication>

#include <QDate>

std::unique_ptr<Tjeu> CurrentGame;

TTour::TTour(double pit1Y) {
    Indicator1 = std::make_unique<TMonSprite>(SpriteEngine());
    Indicator1->SetImage(assets::Image("maintour"));
    Indicator1->X = 379;
    Indicator1->Y = pit1Y + 93;
    Indicator2 = std::make_unique<TMonSprite>(SpriteEngine());
    Indicator2->SetImage(assets::Image("maintour2"));
    Indicator2->X = 153;
    Indicator2->Y = 18;
}

TTour::~TTour() {
    Indicator1.reset();
    Indicator2.reset();
}

void TTour::ShowTurn() {
    Indicator1->Visible = Player == 1;
    Indicator2->Visible = Player != 1;
    RedrawScene();
}

void TTour::NextTurn(const rules::TMoveTrace& move) {
    Player = move.NextPlayer;
    ShowTurn();
    if (move.Over)
        CurrentGame->Finish();
    game::Host().Repaint();
}

Tjeu::Tjeu()
    : Tjeu(record::TGameRecord(rules::TPosition::Start(
          game::Host().FullRules() ? rules::TRuleSet::Full : rules::TRuleSet::Standard))) {
    Record.Date = QDate::currentDate().toString(Qt::ISODate).toStdString();
}

Tjeu::Tjeu(record::TGameRecord record) : Record(std::move(record)) {
    BackgroundSprite->SetImage(assets::Image("plateau"));
    game::TGameHost& host = game::Host();
    BackgroundSprite->X = (host.WindowWidth() - BackgroundSprite->Width) / 2.0;
    BackgroundSprite->Y = (host.WindowHeight() - BackgroundSprite->Height - 40) / 2.0;
    for (int i = 1; i <= 12; ++i) {
        Pits[i] = std::make_unique<Tcaze>(i);
        Pits[i]->PlaceSprite(i);
    }
    Mark = std::make_unique<TPitMarkSprite>(SpriteEngine(), DrawingSurface());
    Mark->SetZ(3);
    LastMove = std::make_unique<TLastMoveSprite>(SpriteEngine(), DrawingSurface());
    LastMove->SetZ(3);
    HintLine = std::make_unique<TDXTextSprite>(SpriteEngine(), DrawingSurface());
    TFont& font = HintLine->TextLabel->Font;
    font.Color = RGB(236, 200, 120); // the brass of the ring it goes with
    font.Name = "Matisse ITC";
    font.Style = TFontStyles{.Bold = true};
    font.Size = 12;
    HintLine->SetZ(3);
    HintLine->Visible = false;
    Players[1] = std::make_unique<TJoueur>(1);
    Players[2] = std::make_unique<TJoueur>(2);
    Tour = std::make_unique<TTour>(Pits[1]->Sprite->Y);
    for (int n = 1; n <= 2; ++n) {
        record::TSide& side = Record.Sides[n];
        if (side.Name.empty())
            side = {Players[n]->Name.toStdString(), host.PlayedBy(n)};
        else
            Players[n]->Name = QString::fromStdString(side.Name);
    }
    AppState = TAppState::Jeu;
    host.GameMade();
}

Tjeu::~Tjeu() {
    // The computer's thinking about this game stops before the board goes.
    game::Host().GameEnding();
    Mark.reset();
    LastMove.reset();
    HintLine.reset();
    for (int i = 1; i <= 12; ++i)
        Pits[i].reset();
    Tour.reset();
    Players[1].reset();
    Players[2].reset();
    game::Host().GameGone();
}

void Tjeu::Relayout() {
    for (int i = 1; i <= 12; ++i)
        Pits[i]->PlaceSprite(i);
    Players[1]->Hand->ResetPosition(1);
    Players[2]->Hand->ResetPosition(2);
    ShowRecord();
}

void Tjeu::ShowLastMove() {
    const int ply = Record.Cursor();
    const int pit = ply > 0 ? Record.MoveAt(ply - 1) : 0;
    LastMove->Visible = pit >= 1 && pit <= 12;
    if (LastMove->Visible)
        LastMove->Frame(Pit(pit).Sprite->X, Pit(pit).Sprite->Y);
}

void Tjeu::ShowPosition(const rules::TPosition& position) {
    for (int i = 1; i <= rules::kPits; ++i)
        Pits[i]->ShowSeeds(position.Seeds[i]);
    for (int n = 1; n <= 2; ++n) {
        Players[n]->Hand->InHand = 0;
        Players[n]->Score->Value = position.Score[n];
        Players[n]->Score->PendingGain = 0;
        Players[n]->Score->ShowScore(n);
    }
    Tour->Player = position.ToMove;
    Tour->ShowTurn(); // redraws
}

rules::TPosition Tjeu::Position() const {
    rules::TPosition position;
    for (int i = 1; i <= rules::kPits; ++i)
        position.Seeds[i] = static_cast<std::uint8_t>(Pits[i]->Seeds);
    position.ToMove = static_cast<std::uint8_t>(Tour->Player);
    for (int n = 1; n <= 2; ++n)
        position.Score[n] = static_cast<std::uint8_t>(Players[n]->Score->Value);
    return position;
}

void Tjeu::Finish() {
    // Over from the first notice on: what the board tells while the notices are up is the end.
    Over = true;
    game::TGameHost& host = game::Host();
    host.ShowNotice(
        QCoreApplication::translate("Messages", "Le jeu est bloqué ! Fin de la partie"));
    const rules::TOutcome outcome = rules::Outcome(Record.Current());
    host.ShowNotice(QCoreApplication::translate(
        "Messages", "Les joueurs gagnent les billes qui restent dans leurs camps"));
    Players[1]->Score->Value = outcome.Final[1];
    Players[2]->Score->Value = outcome.Final[2];
    Players[1]->Score->ShowScore(1);
    Players[2]->Score->ShowScore(2);
    RedrawScene();
    host.ShowNotice(outcome.Verdict == rules::TVerdict::Player1
                        ? QCoreApplication::translate("Messages", "Vainqueur : joueur 1")
                    : outcome.Verdict == rules::TVerdict::Player2
                        ? QCoreApplication::translate("Messages", "Vainqueur : joueur 2")
                        : QCoreApplication::translate("Messages", "Egalité !"));
}

void EndGame() {
    if (AppState != TAppState::Jeu)
        return;
    AppState = TAppState::Presentation;
    CurrentGame.reset();
    BackgroundSprite->SetImage(assets::Image("presentation"));
}
