// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

// What the preferences panel holds when it is made: the players' names and the sound switch.
struct TStoredPreferences {
    static constexpr const char* Player1Name = "Joueur 1";
    static constexpr const char* Player2Name = "Joueur 2";
    static constexpr bool SoundsOn = true;
};

// The players' names and the sound switch, for as long as the program runs. Created from the
// preferences panel's stored contents; nothing is saved.
class TOptions {
public:
    TOptions(); // the stored contents; the "&Bruitages" item follows the sound switch
    QString Player1Name;
    QString Player2Name;
    bool SoundsOn = true;

    // Copy the record into the panel, and back (the panel is made by then).
    void ShowInPanel() const;
    void ReadFromPanel();
};
