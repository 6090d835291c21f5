#pragma once
#include <QString>

// The players' names and the sound switch, for as long as the program runs. Created from the
// preferences panel's stored contents; nothing is saved.
class TOptions {
public:
    TOptions(); // reads the panel
    QString Player1Name;
    QString Player2Name;
    bool SoundsOn = true;

    // Copy the record into the panel, and back.
    void ShowInPanel() const;
    void ReadFromPanel();
};
