// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Installs the main window as the scene the sprites are drawn in and as the host of the game:
// both then reach the window through Form1, whichever window it is at the time.
void InstallWindowHost();
