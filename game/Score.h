// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <memory>

class TDXTextSprite;

// A player's score: the banked seeds, the gain of the harvest under way, and the line of text
// that shows them on the board: the name, " : ", the value, and " (+gain)" during a harvest.
class TScore {
public:
    explicit TScore(int player);
    ~TScore();

    int Value = 0;
    int PendingGain = 0;
    std::unique_ptr<TDXTextSprite> Text;

    // Rewrites the text for player n of the running game; drawn at the next redraw.
    void ShowScore(int n);
    // Position of player n's line on the drawing surface.
    static constexpr double TextX(int n) { return n == 1 ? 180 : 250; }
    static constexpr double TextY(int n) { return n == 1 ? 370 : 55; }
};

// A score line without a harvest under way: the name and the value, "Joueur 1 : 4" in French.
QString ScoreLine(const QString& name, int value);
