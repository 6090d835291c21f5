// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ai/Player.h"

#include <QCoreApplication>
#include <QString>
#include <optional>

// Who plays a side: a person (no level) or the computer at a level.
using TPlayedBy = std::optional<ai::TLevel>;

// How the hand's moves are shown: at the stored pace, quicker, or not at all (the move's
// result appears at once).
enum class TAnimationSpeed { Normal, Fast, None };

// What the preferences panel holds when it is made: the players' names and the sound switch;
// both sides are played by persons. The names are texts of the panel, in the program's language.
struct TStoredPreferences {
    static QString Player1Name() { return QCoreApplication::translate("Panel", "Joueur 1"); }
    static QString Player2Name() { return QCoreApplication::translate("Panel", "Joueur 2"); }
    static constexpr bool SoundsOn = true;
    static constexpr bool ShowCounts = false;
    // The name a side played by the computer is offered.
    static QString ComputerName() { return QCoreApplication::translate("Panel", "Ordinateur"); }
};

// The players' names, who plays each side and the sound switch, for as long as the program
// runs. Created from the preferences panel's stored contents; nothing is saved.
class TOptions {
public:
    TOptions(); // the stored contents; the "&Bruitages" item follows the sound switch
    QString Player1Name;
    QString Player2Name;
    TPlayedBy Player1By;
    TPlayedBy Player2By;
    bool SoundsOn = true;
    // Each pit's count written beside it on the board.
    bool ShowCounts = false;
    // The board's size in percent of the stored layout: 100, 150 or 200.
    int BoardPercent = 100;
    TAnimationSpeed AnimationSpeed = TAnimationSpeed::Normal;

    const TPlayedBy& PlayedBy(int n) const { return n == 1 ? Player1By : Player2By; }

    // Copy the record into the panel, and back (the panel is made by then). The names are read
    // without their leading and trailing blanks.
    void ShowInPanel() const;
    void ReadFromPanel();
};

// The panel's choice of who plays a side: item 0 is a person, items 1 to 4 the computer's
// levels from the weakest.
QStringList PlayedByItems();
TPlayedBy PlayedByFromItem(int item);
int ItemOfPlayedBy(const TPlayedBy& by);
