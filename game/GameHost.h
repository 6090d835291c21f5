// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a game needs of the window it is played in: its size, its messages and sounds, the
// options the players were chosen with, and the window's part in a game's life (the hover
// timer, the menu command that leaves the game, the computer's turns). The main window
// installs it when it is made; without it a game is played without a window: nothing is shown
// or sounded and the options are the window's defaults.
#include <QString>
#include <exception>
#include <functional>

// How the hands' moves are shown: at the stored pace, quicker, or not at all (the move's result
// appears at once).
enum class TAnimationSpeed { Normal, Fast, None };

namespace game {

class TGameHost {
public:
    virtual ~TGameHost() = default;

    // The window's outer size, which the board and the hands' resting places are centred in.
    virtual int WindowWidth() const = 0;
    virtual int WindowHeight() const = 0;
    // Paints the whole window at once.
    virtual void Repaint() = 0;
    // A notice with one OK button, and an error that stopped what was under way.
    virtual void ShowNotice(const QString& text) = 0;
    virtual void ReportError(const std::exception& error) = 0;
    // Plays item index of the sound list without waiting.
    virtual void PlaySound(int index) = 0;

    // The options: player n's name, who plays side n (0 a person, 1 to 4 the computer's levels
    // from the weakest), the sound switch and the counts written beside the pits.
    virtual QString PlayerName(int n) const = 0;
    virtual int PlayedBy(int n) const = 0;
    virtual bool SoundsOn() const = 0;
    virtual bool ShowCounts() const = 0;
    // How the hands show the moves.
    virtual TAnimationSpeed AnimationSpeed() const { return TAnimationSpeed::Normal; }
    // A new game is played by the complete rules (no killing, feeding), not the standard ones.
    virtual bool FullRules() const { return false; }

    // The hover timer, on while a game waits for a move and off during every glide of a hand.
    virtual void SetHoverTimer(bool on) = 0;
    // A game was made: the window can leave it.
    virtual void GameMade() = 0;
    // A game is about to go (the computer stops thinking about it), and has gone.
    virtual void GameEnding() = 0;
    virtual void GameGone() = 0;
    // Shows a move: the steps run at once; a frame or a sound that fails during them is shown
    // once and the move goes on.
    virtual void ShowMove(const std::function<void()>& steps) = 0;
    // A move is about to be played (a hint being searched is for another position), and has
    // been played in a game that goes on (the computer plays if the next turn is its).
    virtual void MoveStarting() = 0;
    virtual void MovePlayed() = 0;
};

// The host from now on (nullptr: none), and the one in use.
void InstallHost(TGameHost* host);
TGameHost& Host();

} // namespace game
