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

// The language the program speaks: French, its own, when the person's first language that the
// program knows is French (LANGUAGE, LC_ALL, LC_MESSAGES, LANG as Qt reads them), and English
// otherwise.
enum class TLanguage { French, English };
TLanguage ChosenLanguage();
// Installs the translations of the program and of Qt's own dialogs for that language into app
// (none for the program in French, its source language).
void InstallTranslations(QCoreApplication& app);

// Makes the built-in display and sound libraries known to the run-time library loader.
void RegisterPlatformLibraries();
