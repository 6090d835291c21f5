// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QPoint>

// The pit under the mouse cursor (1 to 12), or 0: found from the cursor's screen position and
// the main window's classic frame, inclusive bounds, the highest index winning.
int PitUnderMouse();
int PitAt(QPoint screenPosition);
// The tool-tip (the pit's seed count) and the drawing surface's cursor for the mouse position.
void UpdateHover();
// No pit under the mouse: the ordinary cursor and no tool-tip.
void ClearHover();
