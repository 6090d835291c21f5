// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Score.h"

#include "game/Game.h"
#include "graphics/GameSprites.h"
#include "graphics/Scene.h"

#include <QCoreApplication>

QString ScoreLine(const QString& name, int value) {
    return QCoreApplication::translate("Score", "%1 : %2").arg(name).arg(value);
}

TScore::TScore(int player) {
    Text = std::make_unique<TDXTextSprite>(SpriteEngine(), DrawingSurface());
    TFont& font = Text->TextLabel->Font;
    font.Color = RGB(192, 220, 192);
    font.Name = "Matisse ITC";
    font.Style = TFontStyles{.Bold = true};
    font.Size = 20;
    Text->SetZ(3);
    Text->X = TextX(player);
    Text->Y = TextY(player);
}

TScore::~TScore() = default;

void TScore::ShowScore(int n) {
    QString text = ScoreLine(CurrentGame->Player(n).Name, Value);
    if (PendingGain != 0)
        text += " (+" + QString::number(PendingGain) + ")";
    Text->TextLabel->Caption = text;
}
