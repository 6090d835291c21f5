// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Score.h"

#include "game/Game.h"
#include "graphics/GameSprites.h"
#include "graphics/Scene.h"

#include <QCoreApplication>
#include <QFontMetrics>

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

QString ScoreText(int n, const QString& name, int value, int gain, const QFont& font) {
    const QString bracket = gain != 0 ? " (+" + QString::number(gain) + ")" : QString();
    const QFontMetrics metrics(font);
    const int room = TScore::LineEnd(n) - static_cast<int>(TScore::TextX(n));
    auto fits = [&](const QString& text) { return metrics.horizontalAdvance(text) <= room; };
    const QString whole = ScoreLine(name, value) + bracket;
    if (fits(whole))
        return whole;
    // The longest beginning of the name that leaves room for "…" and the numbers; a beginning
    // never ends half-way through a character written with two code units, nor with a blank.
    for (qsizetype length = name.size() - 1; length > 0; --length) {
        if (name[length].isLowSurrogate())
            continue;
        const QString kept = name.left(length).trimmed();
        if (kept.isEmpty())
            break;
        const QString text = ScoreLine(kept + QChar(0x2026), value) + bracket;
        if (fits(text))
            return text;
    }
    return ScoreLine(QString(QChar(0x2026)), value) + bracket;
}

TScore::~TScore() = default;

void TScore::ShowScore(int n) {
    ShowScoreOf(n, CurrentGame->Player(n).Name);
}

void TScore::ShowScoreOf(int n, const QString& name) {
    Text->TextLabel->Caption =
        ScoreText(n, name, Value, PendingGain, Text->TextLabel->Font.ToQFont());
}
