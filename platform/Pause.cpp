// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Pause.h"

#include <chrono>
#include <thread>

namespace platform {
namespace {
bool pausesEnabled = true;
}

void Sleep(int milliseconds) {
    if (pausesEnabled && milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}
void SetPausesEnabled(bool enabled) {
    pausesEnabled = enabled;
}
bool PausesEnabled() {
    return pausesEnabled;
}
} // namespace platform
