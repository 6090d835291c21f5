// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Options.h"

#include "ui/Main.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

TOptions::TOptions()
    : Player1Name(TStoredPreferences::Player1Name()),
      Player2Name(TStoredPreferences::Player2Name()), SoundsOn(TStoredPreferences::SoundsOn),
      ShowCounts(TStoredPreferences::ShowCounts) {
    Form1->Bruitages1->setChecked(SoundsOn);
}

void TOptions::ReadFromPanel() {
    Player2Name = Form1->Edit3->text().trimmed();
    Player1Name = Form1->Edit4->text().trimmed();
    Player1By = PlayedByFromItem(Form1->ComboBox1->currentIndex());
    Player2By = PlayedByFromItem(Form1->ComboBox2->currentIndex());
    SoundsOn = Form1->RadioButton3->isChecked();
    Form1->Bruitages1->setChecked(SoundsOn);
    ShowCounts = Form1->CheckBox1->isChecked();
}

void TOptions::ShowInPanel() const {
    Form1->Edit3->setText(Player2Name);
    Form1->Edit4->setText(Player1Name);
    // Showing the record is not a choice made in the panel: the names stay as recorded.
    for (QComboBox* combo : {Form1->ComboBox1, Form1->ComboBox2}) {
        const QSignalBlocker quiet(combo);
        combo->setCurrentIndex(ItemOfPlayedBy(combo == Form1->ComboBox1 ? Player1By : Player2By));
    }
    if (SoundsOn)
        Form1->RadioButton3->setChecked(true);
    else
        Form1->RadioButton4->setChecked(true);
    Form1->CheckBox1->setChecked(ShowCounts);
    Form1->LockNamesDuringGame();
}

QStringList PlayedByItems() {
    return {QCoreApplication::translate("Panel", "Une personne"),
            QCoreApplication::translate("Panel", "Ordinateur : Débutant"),
            QCoreApplication::translate("Panel", "Ordinateur : Moyen"),
            QCoreApplication::translate("Panel", "Ordinateur : Fort"),
            QCoreApplication::translate("Panel", "Ordinateur : Expert")};
}

TPlayedBy PlayedByFromItem(int item) {
    if (item <= 0 || item > 4)
        return std::nullopt;
    return static_cast<ai::TLevel>(item - 1);
}

int ItemOfPlayedBy(const TPlayedBy& by) {
    return by ? static_cast<int>(*by) + 1 : 0;
}
