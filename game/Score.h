// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <memory>

class QFont;
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
    // Rewrites the text of player n's score for this name.
    void ShowScoreOf(int n, const QString& name);
    // Position of player n's line on the drawing surface.
    static constexpr double TextX(int n) { return n == 1 ? 180 : 250; }
    static constexpr double TextY(int n) { return n == 1 ? 370 : 55; }
    // Where player n's line must end: player 1's where the sun's picture starts at its right
    // (the turn indicator's X), player 2's before the right edge of the dark panel it is
    // written on.
    static constexpr int LineEnd(int n) { return n == 1 ? 379 : 612; }
};

// A score line without a harvest under way: the name and the value, "Joueur 1 : 4" in French.
QString ScoreLine(const QString& name, int value);
// Player n's line as the board shows it, in the line's font: the value, and the gain under way
// unless it is 0, always whole; the name as long as the whole line ends before LineEnd(n), its
// end otherwise cut and replaced by "…" (down to "…" alone).
QString ScoreText(int n, const QString& name, int value, int gain, const QFont& font);
