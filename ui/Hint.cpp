// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Hint.h"

#include "game/Game.h"
#include "game/Score.h"
#include "graphics/GameSprites.h"
#include "ui/KeyboardPlay.h"
#include "ui/Main.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <cstdio>
#include <cstdlib>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("Hint", text);
}

// Writes the line in the mover's panel: under player 2's name, or left of player 1's sun.
void ShowLine(const QString& text) {
    TDXTextSprite& line = *CurrentGame->HintLine;
    const int mover = CurrentGame->Tour->Player;
    line.TextLabel->Caption = text;
    line.X = mover == 1 ? 40 : TScore::TextX(2);
    line.Y = mover == 1 ? TScore::TextY(1) + 40 : TScore::TextY(2) + 37;
    line.Visible = true;
    CurrentGame->HintFor = {CurrentGame->Record.Cursor(), CurrentGame->Record.Current()};
    RedrawScene();
}

// Tests read what the window shows from here: the pit marked and the line.
void LogHint() {
    if (std::getenv("EKOBARAMA_HINT_LOG"))
        std::fprintf(stderr, "hint: pit %d: %s\n", KeyboardMark(),
                     CurrentGame->HintLine->TextLabel->Caption.toUtf8().constData());
}

void ShowHint(const TComputerTurn::TFound& found) {
    if (!HintAllowed())
        return;
    if (found.Pit == 0) {
        ShowLine(
            Tr(QT_TRANSLATE_NOOP("Hint", "Pas de conseil cette fois (%1).")).arg(found.Failure));
        LogHint();
        return;
    }
    SetKeyboardMark(found.Pit);
    const rules::TPosition position = CurrentGame->Position();
    std::optional<int> finalMargin;
    // The table's margin counts only the seeds still to come, harvested or left on each side at
    // the end; the result of the game adds those both players have banked already, so that the
    // line says how the game ends under best play.
    if (found.Margin)
        finalMargin = position.Score[position.ToMove] -
                      position.Score[rules::Opponent(position.ToMove)] + *found.Margin;
    ShowLine(HintText(finalMargin));
    LogHint();
}

} // namespace

bool HintAllowed() {
    return Form1 && CurrentGame && AppState == TAppState::Jeu && !CurrentGame->Over &&
           !TerminationRequested() && !(Form1->GroupBox1 && Form1->GroupBox1->isVisible()) &&
           !Form1->ComputerTurn->Thinking() && !KeyboardPlayablePits().empty();
}

void AskForHint() {
    if (DismissHint() || !HintAllowed())
        return;
    ShowLine(Tr(QT_TRANSLATE_NOOP("Hint", "Conseil : l'ordinateur réfléchit…")));
    Form1->ComputerTurn->Hint(ShowHint);
}

bool DismissHint() {
    bool dismissed = false;
    if (Form1 && Form1->ComputerTurn && Form1->ComputerTurn->Hinting()) {
        Form1->ComputerTurn->Cancel();
        dismissed = true;
    }
    if (CurrentGame && CurrentGame->HintFor) {
        CurrentGame->HintFor.reset();
        RedrawScene();
        dismissed = true;
    }
    return dismissed;
}

void RefreshHintLine() {
    if (!CurrentGame || !CurrentGame->HintLine)
        return;
    const std::pair<int, rules::TPosition> now{CurrentGame->Record.Cursor(),
                                               CurrentGame->Record.Current()};
    if (AppState != TAppState::Jeu || CurrentGame->HintFor != now)
        CurrentGame->HintFor.reset();
    CurrentGame->HintLine->Visible = CurrentGame->HintFor.has_value();
}

QString HintText(std::optional<int> finalMargin) {
    if (!finalMargin)
        return Tr(QT_TRANSLATE_NOOP("Hint", "Coup conseillé : la case marquée"));
    const int margin = *finalMargin;
    if (margin == 0)
        return Tr(QT_TRANSLATE_NOOP("Hint", "Avec le meilleur jeu : partie nulle"));
    const int seeds = std::abs(margin);
    if (margin > 0)
        return (seeds == 1
                    ? Tr(QT_TRANSLATE_NOOP("Hint", "Avec le meilleur jeu : gagné de %1 graine"))
                    : Tr(QT_TRANSLATE_NOOP("Hint", "Avec le meilleur jeu : gagné de %1 graines")))
            .arg(seeds);
    return (seeds == 1
                ? Tr(QT_TRANSLATE_NOOP("Hint", "Avec le meilleur jeu : perdu de %1 graine"))
                : Tr(QT_TRANSLATE_NOOP("Hint", "Avec le meilleur jeu : perdu de %1 graines")))
        .arg(seeds);
}

QString HintAccessibleName() {
    if (!CurrentGame || !CurrentGame->HintLine || !CurrentGame->HintFor ||
        AppState != TAppState::Jeu)
        return {};
    return CurrentGame->HintLine->TextLabel->Caption;
}
