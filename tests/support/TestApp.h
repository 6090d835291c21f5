// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one application object of a test executable, made on first use.
#include <QApplication>

inline QApplication& TestApp() {
    static int argc = 1;
    static char name[] = "ekobarama-tests";
    static char* argv[] = {name, nullptr};
    // Made once and never destroyed: a static application object would be destroyed after
    // Qt's own input devices at exit, which crashes once a test has sent an input event.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}
