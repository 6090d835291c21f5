// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Options.h"

#include "ui/Main.h"
#include "ui/Settings.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <cstdio>
#include <filesystem>
#include <utility>
#include <vector>

namespace {
// The preferences read at start-up and the file they came from (none: nothing is saved).
std::optional<TPreferences> startUpPreferences;
std::filesystem::path settingsFile;
// The speed menu's items, in the order of the speeds.
std::vector<QAction*> speedItems;
} // namespace

TPreferences::TPreferences()
    : Player1Name(TStoredPreferences::Player1Name()),
      Player2Name(TStoredPreferences::Player2Name()), SoundsOn(TStoredPreferences::SoundsOn),
      ShowCounts(TStoredPreferences::ShowCounts) {}

TPreferences StartUpPreferences() {
    return startUpPreferences ? *startUpPreferences : TPreferences();
}

void LoadPreferencesAtStartUp() {
    settingsFile = SettingsFile();
    if (settingsFile.empty()) {
        std::fprintf(stderr, "ekobarama: no configuration directory (neither XDG_CONFIG_HOME nor "
                             "HOME is an absolute path): the preferences are not kept\n");
        return;
    }
    startUpPreferences = LoadSettings(settingsFile);
}

TOptions::TOptions() : TPreferences(StartUpPreferences()) {
    ShowInMenus();
}

void TOptions::Save() const {
    if (!settingsFile.empty())
        SaveSettings(settingsFile, *this);
}

void TOptions::ShowInMenus() const {
    if (Form1 && Form1->Bruitages1)
        Form1->Bruitages1->setChecked(SoundsOn);
    for (std::size_t i = 0; i < speedItems.size(); ++i)
        speedItems[i]->setChecked(i == static_cast<std::size_t>(AnimationSpeed));
}

QMenu* AddAnimationSpeedMenu(QMenu* options) {
    QMenu* menu = options->addMenu(QCoreApplication::translate("Menu", "&Vitesse de l'animation"));
    menu->setObjectName("Vitessedelanimation");
    menu->menuAction()->setObjectName("Vitessedelanimation1");
    auto* group = new QActionGroup(menu);
    group->setExclusive(true);
    const std::pair<const char*, const char*> items[] = {
        {QT_TRANSLATE_NOOP("Menu", "&Normale"), "Normale1"},
        {QT_TRANSLATE_NOOP("Menu", "&Rapide"), "Rapide1"},
        {QT_TRANSLATE_NOOP("Menu", "&Sans animation"), "Sansanimation1"}};
    speedItems.clear();
    for (const auto& [caption, name] : items) {
        QAction* item = menu->addAction(QCoreApplication::translate("Menu", caption));
        item->setObjectName(name);
        item->setCheckable(true);
        group->addAction(item);
        const auto speed = static_cast<TAnimationSpeed>(speedItems.size());
        QObject::connect(item, &QAction::triggered, menu, [speed] {
            Guarded([speed] {
                if (!Options)
                    return;
                Options->AnimationSpeed = speed;
                Options->Save();
            });
        });
        speedItems.push_back(item);
    }
    QObject::connect(menu, &QObject::destroyed, [] { speedItems.clear(); });
    if (Options)
        Options->ShowInMenus();
    else
        speedItems.front()->setChecked(true);
    return menu;
}

void TOptions::ReadFromPanel() {
    Player2Name = Form1->Edit3->text().trimmed();
    Player1Name = Form1->Edit4->text().trimmed();
    Player1By = PlayedByFromItem(Form1->ComboBox1->currentIndex());
    Player2By = PlayedByFromItem(Form1->ComboBox2->currentIndex());
    SoundsOn = Form1->RadioButton3->isChecked();
    Form1->Bruitages1->setChecked(SoundsOn);
    ShowCounts = Form1->CheckBox1->isChecked();
    FullRules = Form1->CheckBox2->isChecked();
    Save();
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
    Form1->CheckBox2->setChecked(FullRules);
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
