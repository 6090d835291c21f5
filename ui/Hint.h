// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A hint for the person to move ("Conseil", the key H). The computer searches his best move for
// at most a second, off the window's thread; the keyboard's ring goes to that pit (Enter plays
// it, nothing plays by itself) and a line in the mover's panel says what the position is worth
// under best play when the endgame table knows it. Asking again, or Escape, stops a hint being
// searched; any change of the position stops it too, and takes the line away.
#include <QString>
#include <optional>

// A person may ask for a hint now: a game waits for his move, no move is being shown and the
// preferences panel is closed.
bool HintAllowed();
// "Conseil" and H: asks for a hint or, while one is being searched, stops it.
void AskForHint();
// Escape: stops the hint being searched and takes its line away; false when there was neither.
bool DismissHint();
// Before each frame: the line goes once the position it was given for has changed.
void RefreshHintLine();
// The line for the final margin of the person to move under best play (his final score minus
// his opponent's), or the line that only points at the marked pit when it is not known.
QString HintText(std::optional<int> finalMargin);
// The hint's line as assistive technologies read it: its text while it is shown, else empty.
QString HintAccessibleName();
