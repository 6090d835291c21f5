// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window system does to a program's windows behind its back.
#include <functional>
#include <string>

class QWidget;

namespace platform {

// Runs action once, from the event loop, when another program destroys the native window of
// the top-level widget window (on X11; elsewhere nothing is watched). The watch lives as long
// as the widget.
void OnNativeWindowDestroyed(QWidget* window, std::function<void()> action);

// Whether the windows can be opened on the display the window system library is about to use.
// When that is X11 (asked for by QT_QPA_PLATFORM or a "-platform" argument, or the default
// outside a Wayland session), DISPLAY must be set, and with tryConnection a connection to the X
// server it names is tried and closed again (a start-up that went well need not pay for it: the
// library's own failure then asks again). Returns what is wrong, for the user, or an empty
// string when nothing is known to be wrong.
std::string DisplayProblem(int argc, const char* const* argv, bool tryConnection);

} // namespace platform
