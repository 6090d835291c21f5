// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Application.h"

#include "platform/DDraw.h"
#include "platform/DSound.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <QLibraryInfo>
#include <QTranslator>

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(ApplicationTitle);
    setQuitOnLastWindowClosed(false);
    // Qt's own windows (the file dialogs) speak French as the game does, when the system has
    // Qt's translations; otherwise they stay in English.
    auto* translator = new QTranslator(this);
    if (translator->load("qtbase_fr", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);
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
