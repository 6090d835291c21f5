// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Options.h"

#include "ui/Main.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

TOptions::TOptions()
    : Player1Name(TStoredPreferences::Player1Name), Player2Name(TStoredPreferences::Player2Name),
      SoundsOn(TStoredPreferences::SoundsOn) {
    Form1->Bruitages1->setChecked(SoundsOn);
}

void TOptions::ReadFromPanel() {
    Player2Name = Form1->Edit3->text();
    Player1Name = Form1->Edit4->text();
    SoundsOn = Form1->RadioButton3->isChecked();
    Form1->Bruitages1->setChecked(SoundsOn);
}

void TOptions::ShowInPanel() const {
    Form1->Edit3->setText(Player2Name);
    Form1->Edit4->setText(Player1Name);
    if (SoundsOn)
        Form1->RadioButton3->setChecked(true);
    else
        Form1->RadioButton4->setChecked(true);
    Form1->GroupBox7->setEnabled(AppState != "jeu");
}
