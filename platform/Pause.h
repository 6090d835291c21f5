// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Suspending the user-interface thread for a number of milliseconds. No message is processed
// during a pause. Tests switch pauses off so that animations run at full speed.
namespace platform {
void Sleep(int milliseconds);
void SetPausesEnabled(bool enabled);
bool PausesEnabled();
} // namespace platform
