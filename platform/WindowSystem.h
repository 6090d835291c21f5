// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window system does to a program's windows behind its back.
#include <functional>

class QWidget;

namespace platform {

// Runs action once, from the event loop, when another program destroys the native window of
// the top-level widget window (on X11; elsewhere nothing is watched). The watch lives as long
// as the widget.
void OnNativeWindowDestroyed(QWidget* window, std::function<void()> action);

} // namespace platform
