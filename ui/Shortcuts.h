// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Raccourcis clavier": the keys of the menu commands and of the board, in a small window.
#include "ui/Form2.h"

#include <QList>
#include <QPair>
#include <QString>

// The keys and what they do, in the order the window lists them.
QList<QPair<QString, QString>> KeyboardShortcuts();

class TShortcutsForm : public TPlainForm {
public:
    static constexpr ClassicFrame Border{3, 22, 3, 3};
    explicit TShortcutsForm(QWidget* owner);
};

// A new window of the keys, owned by mainWindow, centred on it and shown without waiting.
TShortcutsForm* OpenShortcutsWindow(QWidget* mainWindow);
