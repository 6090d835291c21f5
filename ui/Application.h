// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QApplication>

// The application object. An exception that reaches the event loop is shown in a message box
// with the error icon, its text and the application title "Ekoba"; the program goes on.
class TApplication : public QApplication {
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Makes the built-in display and sound libraries known to the run-time library loader.
void RegisterPlatformLibraries();
