// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Application.h"

#include "platform/DDraw.h"
#include "platform/DSound.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(ApplicationTitle);
    setQuitOnLastWindowClosed(false);
    RegisterPlatformLibraries();
}

void RegisterPlatformLibraries() {
    // The display and sound stand-ins, under the file names the program loads them by.
    platform::RegisterDDrawLibrary();
    platform::RegisterDSoundLibrary();
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ReportException(error);
    }
    return false;
}
