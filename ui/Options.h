// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ai/Player.h"
#include "game/GameHost.h"

#include <QCoreApplication>
#include <QString>
#include <optional>

// Who plays a side: a person (no level) or the computer at a level.
using TPlayedBy = std::optional<ai::TLevel>;

class QMenu;

// What the preferences panel holds when it is made: the players' names and the sound switch;
// both sides are played by persons. The names are texts of the panel, in the program's language.
struct TStoredPreferences {
    static QString Player1Name() { return QCoreApplication::translate("Panel", "Joueur 1"); }
    static QString Player2Name() { return QCoreApplication::translate("Panel", "Joueur 2"); }
    static constexpr bool SoundsOn = true;
    static constexpr bool ShowCounts = false;
    // The name a side played by the computer is offered.
    static QString ComputerName() { return QCoreApplication::translate("Panel", "Ordinateur"); }
    // The most characters the panel's name fields take.
    static constexpr int NameLength = 10;
};

// The person's choices: the players' names, who plays each side and at which level, the sound
// switch, the counts, the board's size and the animation's speed. Kept between runs (see
// ui/Settings.h); defaults as the preferences panel is made.
struct TPreferences {
    TPreferences(); // the defaults
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
    // The game's sheet is open beside the board.
    bool ShowSheet = false;
    // New games are played by the complete rules (no killing, feeding; rules/Rules.h), not the
    // standard ones. A game under way keeps its rules.
    bool FullRules = false;

    friend bool operator==(const TPreferences&, const TPreferences&) = default;
};

// The preferences for as long as the program runs: those the program found at its start
// (LoadPreferencesAtStartUp), else the defaults. Every change made in the panel or the menus is
// written back (Save).
class TOptions : public TPreferences {
public:
    TOptions(); // the start-up preferences; the menu's "&Bruitages" and speed items follow them

    const TPlayedBy& PlayedBy(int n) const { return n == 1 ? Player1By : Player2By; }

    // Copy the record into the panel, and back (the panel is made by then). The names are read
    // without their leading and trailing blanks.
    void ShowInPanel() const;
    void ReadFromPanel();
    // Writes the preferences where they were read from at start-up (nowhere when they were not).
    void Save() const;
    // Checks the menu items that show the options (the sound switch, the speed).
    void ShowInMenus() const;
};

// The preferences read at start-up, before the main window is made: the options are made from
// them, and the window's size is chosen by them.
TPreferences StartUpPreferences();
void LoadPreferencesAtStartUp();

// "Vitesse de l'animation", a submenu of the options menu: one checked item per speed; choosing
// one sets and saves the options' speed.
QMenu* AddAnimationSpeedMenu(QMenu* options);

// The panel's choice of who plays a side: item 0 is a person, items 1 to 4 the computer's
// levels from the weakest.
QStringList PlayedByItems();
TPlayedBy PlayedByFromItem(int item);
int ItemOfPlayedBy(const TPlayedBy& by);
