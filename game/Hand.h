// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>

class TMonSprite;

// A player's animated hand. It rests out of sight beyond the player's edge of the board and
// shows every step of a move: glides, closing on seeds, dropping them one by one, opening.
// Every operation returns when its pictures, pauses and glides are over.
class TMain {
public:
    explicit TMain(int player);
    ~TMain();

    int InHand = 0;
    std::unique_ptr<TMonSprite> Sprite;
    double RestX = 0;
    double RestY = 0;

    void ResetPosition(int n);
    // Glides to pit i (or to the rest place for 0); dropping selects the place a seed falls from.
    void GlideTo(int i, bool dropping);
    void PickUp(int i);
    void DropSeed(int i);
    void CloseHand();
    void OpenHand();

    // Picture items of image list 3 for the player to move p.
    static int OpenPicture(int p) { return 2 - p; }
    static int ClosingPicture(int p) { return 4 - p; }
    static int FistPicture(int p) { return 6 - p; }
    static int DroppingPicture(int p) { return 8 - p; }
    // Number of glide steps for a Manhattan distance with a step length: halves to even.
    static int StepCount(double distance, double stepLength);

private:
    void Show(int item);
};

// Plays the seed sound for a pit that now holds n seeds, when sound effects are on.
void PlaySeedSound(int n);
