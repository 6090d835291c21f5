// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Game.h"
#include "tests/ui/FormFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using Preferences = FormTest;

namespace {
// The next widget that the Tab key reaches after widget.
QWidget* NextTabStop(QWidget* widget) {
    for (QWidget* next = widget->nextInFocusChain(); next != widget;
         next = next->nextInFocusChain())
        if ((next->focusPolicy() & Qt::TabFocus) && next->isVisibleTo(next->window()))
            return next;
    return widget;
}
} // namespace

TEST_F(Preferences, PanelTakesTheBoardsPlaceWithItsStoredControls) {
    form->show();
    form->Prferences1->trigger();
    EXPECT_TRUE(form->GroupBox1->isVisible());
    EXPECT_FALSE(form->DrawingArea()->isVisible());
    EXPECT_FALSE(form->Prferences1->isEnabled());
    EXPECT_EQ(form->GroupBox1->geometry(), QRect(0, 0, 637, 470));
    EXPECT_EQ(form->GroupBox1->title(), "Préferences");
    // The players' group starts at the panel's edge, its caption whole; its controls stay where
    // they were on the screen, the names and the lists wider.
    EXPECT_EQ(form->GroupBox7->geometry(), QRect(0, 48, 629, 241));
    EXPECT_EQ(form->GroupBox3->geometry(), QRect(124, 344, 377, 49));
    EXPECT_EQ(form->Edit4->geometry(), QRect(348, 40, 221, 26));
    EXPECT_EQ(form->Edit3->geometry(), QRect(348, 120, 221, 26));
    EXPECT_EQ(form->RadioButton3->geometry(), QRect(32, 24, 113, 17));
    EXPECT_EQ(form->RadioButton4->geometry(), QRect(232, 24, 97, 17));
    EXPECT_EQ(form->BitBtn1->geometry(), QRect(202, 429, 113, 25));
    EXPECT_EQ(form->BitBtn2->geometry(), QRect(308, 429, 113, 25));
    EXPECT_EQ(form->Label6->text(), "Nom Joueur 1 : ");
    EXPECT_EQ(form->Label7->text(), "Nom Joueur 2 : ");
    EXPECT_EQ(form->RadioButton3->text(), "Activés");
    EXPECT_EQ(form->RadioButton4->text(), "Désactivés");
    EXPECT_EQ(form->BitBtn1->text(), "OK");
    EXPECT_EQ(form->BitBtn2->text(), "Annuler");
    EXPECT_EQ(form->Edit3->maxLength(), 10);
    EXPECT_EQ(form->Edit4->maxLength(), 10);
    // Tab order: the sound switch, OK, Annuler, then player 2's and player 1's names.
    EXPECT_EQ(NextTabStop(form->RadioButton3), form->RadioButton4);
    EXPECT_EQ(NextTabStop(form->RadioButton4), form->BitBtn1);
    EXPECT_EQ(NextTabStop(form->BitBtn1), form->BitBtn2);
    EXPECT_EQ(NextTabStop(form->BitBtn2), form->Edit3);
    EXPECT_EQ(NextTabStop(form->Edit3), form->Edit4);
}

TEST_F(Preferences, BothNamesEmptyAskForPlayerOneThenPlayerTwo) {
    form->Prferences1Click();
    form->Edit3->clear();
    form->Edit4->clear();
    form->BitBtn1Click();
    EXPECT_EQ(Texts(), std::vector<QString>{"Vous devez donner un nom pour le joueur 1"});
    EXPECT_EQ(boxes[0].Caption, "Ekoba");
    EXPECT_EQ(boxes[0].Buttons, TMsgButtons::Ok);
    EXPECT_FALSE(form->GroupBox1->isHidden());
    EXPECT_FALSE(form->Prferences1->isEnabled());

    form->Edit4->setText("Awa");
    form->BitBtn1Click();
    EXPECT_EQ(Texts(), (std::vector<QString>{"Vous devez donner un nom pour le joueur 1",
                                             "Vous devez donner un nom pour le joueur 2"}));
    EXPECT_EQ(form->Edit4->text(), "Awa"); // the texts stay as typed
    EXPECT_EQ(Options->Player1Name, "Joueur 1");

    // Blanks are no name, for either player; a name is kept without its outer blanks.
    form->Edit3->setText("  \t ");
    form->BitBtn1Click();
    form->Edit4->setText("   ");
    form->Edit3->setText(" Kofi Ba ");
    form->BitBtn1Click();
    EXPECT_EQ(Texts(), (std::vector<QString>{"Vous devez donner un nom pour le joueur 1",
                                             "Vous devez donner un nom pour le joueur 2",
                                             "Vous devez donner un nom pour le joueur 2",
                                             "Vous devez donner un nom pour le joueur 1"}));
    EXPECT_EQ(Options->Player1Name, "Joueur 1");
    form->Edit4->setText(" Awa");
    form->BitBtn1Click();
    EXPECT_EQ(boxes.size(), 4u);
    EXPECT_TRUE(form->GroupBox1->isHidden());
    EXPECT_TRUE(form->Prferences1->isEnabled());
    EXPECT_EQ(Options->Player1Name, "Awa");
    EXPECT_EQ(Options->Player2Name, "Kofi Ba");
}

TEST_F(Preferences, AnnulerKeepsTheRecordAndReopeningShowsIt) {
    form->Prferences1Click();
    form->Edit4->setText("Kofi");
    form->RadioButton4->setChecked(true);
    form->BitBtn2Click();
    EXPECT_TRUE(form->GroupBox1->isHidden());
    EXPECT_TRUE(form->Prferences1->isEnabled());
    EXPECT_EQ(Options->Player1Name, "Joueur 1");
    EXPECT_TRUE(Options->SoundsOn);
    const QGroupBox* panel = form->GroupBox1;
    form->Prferences1Click();
    EXPECT_EQ(form->GroupBox1, panel); // made once
    EXPECT_EQ(form->Edit4->text(), "Joueur 1");
    EXPECT_TRUE(form->RadioButton3->isChecked());
}

TEST_F(Preferences, SoundSwitchFollowsTheMenuAndTheMenuFollowsThePanel) {
    form->Bruitages1->trigger(); // the item toggles its own check mark
    EXPECT_FALSE(form->Bruitages1->isChecked());
    EXPECT_FALSE(Options->SoundsOn);
    form->Prferences1Click();
    EXPECT_TRUE(form->RadioButton4->isChecked());
    form->RadioButton3->setChecked(true);
    form->BitBtn1Click();
    EXPECT_TRUE(Options->SoundsOn);
    EXPECT_TRUE(form->Bruitages1->isChecked());
}

TEST_F(Preferences, NamesAreLockedWhileAGameIsOn) {
    AppState = TAppState::Distribution; // opened while a move is shown
    form->Prferences1Click();
    EXPECT_FALSE(form->Edit3->isEnabled());
    EXPECT_FALSE(form->Edit4->isEnabled());
    form->BitBtn2Click();
    AppState = TAppState::Jeu;
    form->Prferences1Click();
    EXPECT_FALSE(form->Edit3->isEnabled());
    EXPECT_FALSE(form->Edit4->isEnabled());
    EXPECT_TRUE(form->GroupBox3->isEnabled());
    form->RadioButton4->setChecked(true);
    form->BitBtn1Click(); // accepted at once
    EXPECT_TRUE(boxes.empty());
    EXPECT_FALSE(Options->SoundsOn);
    EXPECT_FALSE(form->Bruitages1->isChecked());
    AppState = TAppState::Presentation;
    form->Prferences1Click();
    EXPECT_TRUE(form->Edit3->isEnabled());
    EXPECT_TRUE(form->Edit4->isEnabled());
    // A panel left open as a game starts locks them too.
    form->NouvellePartie1Click();
    EXPECT_EQ(AppState, TAppState::Jeu);
    EXPECT_FALSE(form->Edit4->isEnabled());
}

TEST_F(Preferences, EnterIsOkEscapeIsAnnulerAndEditsStopAtTenCharacters) {
    form->show();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    // Right after the panel opens the focus is in it: Escape and Enter answer at once.
    for (const int key : {Qt::Key_Escape, Qt::Key_Return}) {
        form->Prferences1Click();
        QWidget* focus = QApplication::focusWidget();
        ASSERT_TRUE(focus && form->GroupBox1->isAncestorOf(focus));
        QTest::keyClick(focus, static_cast<Qt::Key>(key));
        EXPECT_TRUE(form->GroupBox1->isHidden()) << key;
    }

    form->Prferences1Click();
    form->Edit4->setFocus();
    form->Edit4->clear();
    QTest::keyClicks(form->Edit4, "Abcdefghijklmno");
    EXPECT_EQ(form->Edit4->text(), "Abcdefghij");
    QTest::keyClick(form->Edit4, Qt::Key_Escape);
    EXPECT_TRUE(form->GroupBox1->isHidden());
    EXPECT_EQ(Options->Player1Name, "Joueur 1");

    form->Prferences1Click();
    form->Edit4->setFocus();
    form->Edit4->setText("Sena");
    QTest::keyClick(form->Edit4, Qt::Key_Return);
    EXPECT_TRUE(form->GroupBox1->isHidden());
    EXPECT_EQ(Options->Player1Name, "Sena");
}

TEST_F(Preferences, EachSideIsAPersonOrTheComputerAtALevelAlsoDuringAGame) {
    form->show();
    form->Prferences1Click();
    for (QComboBox* combo : {form->ComboBox1, form->ComboBox2}) {
        EXPECT_EQ(combo->currentText(), "Une personne");
        EXPECT_EQ(combo->count(), 5);
        EXPECT_EQ(combo->itemText(4), "Ordinateur : Expert");
        EXPECT_TRUE(form->GroupBox7->isAncestorOf(combo));
    }
    EXPECT_EQ(form->Label8->text(), "Joué par : ");
    EXPECT_EQ(NextTabStop(form->Edit4), form->ComboBox1);
    EXPECT_EQ(NextTabStop(form->ComboBox1), form->ComboBox2);
    // Below its own name edit, clear of the other's.
    EXPECT_GT(form->ComboBox1->y(), form->Edit4->geometry().bottom());
    EXPECT_LT(form->ComboBox1->geometry().bottom(), form->Edit3->y());

    // A side given to the computer is offered its name unless renamed; back to a person, the
    // offered name goes.
    form->Edit4->setText("Awa");
    form->ComboBox1->setCurrentIndex(2);
    form->ComboBox2->setCurrentIndex(1);
    EXPECT_EQ(form->Edit4->text(), "Awa");
    EXPECT_EQ(form->Edit3->text(), "Ordinateur");
    form->ComboBox2->setCurrentIndex(0);
    EXPECT_EQ(form->Edit3->text(), "Joueur 2");
    form->Edit3->clear();
    form->ComboBox2->setCurrentIndex(4);
    EXPECT_EQ(form->Edit3->text(), "Ordinateur");
    form->BitBtn1Click();
    EXPECT_EQ(Options->Player1By, ai::TLevel::Moyen);
    EXPECT_EQ(Options->Player2By, ai::TLevel::Expert);
    EXPECT_EQ(Options->Player2Name, "Ordinateur");

    AppState = TAppState::Jeu;
    form->Prferences1Click();
    EXPECT_EQ(form->ComboBox2->currentText(), "Ordinateur : Expert");
    EXPECT_TRUE(form->ComboBox1->isEnabled());
    EXPECT_TRUE(form->ComboBox2->isEnabled());
    // The names stay as the game was made with them.
    form->ComboBox2->setCurrentIndex(0);
    EXPECT_EQ(form->Edit3->text(), "Ordinateur");
    form->BitBtn1Click();
    EXPECT_EQ(Options->Player2By, std::nullopt);
    EXPECT_EQ(Options->Player2Name, "Ordinateur");
    AppState = TAppState::Presentation;
}

// The complete rules are for the games to come: the game on the board keeps its rules, the next
// new game takes them and the title names them while it is on; the panel shows the choice.
TEST_F(Preferences, CompleteRulesGoToTheNextNewGameAndTheTitleNamesThem) {
    form->NouvellePartie1Click();
    ASSERT_TRUE(CurrentGame);
    form->Prferences1Click();
    EXPECT_FALSE(form->CheckBox2->isChecked());
    EXPECT_EQ(form->CheckBox2->text(), "Règles complètes (ne pas affamer, nourrir)");
    form->CheckBox2->setChecked(true);
    form->BitBtn1Click();
    EXPECT_TRUE(Options->FullRules);
    EXPECT_EQ(CurrentGame->Record.Start().Rules, rules::TRuleSet::Standard);
    EXPECT_EQ(form->windowTitle(), "Ekobarama");
    answerYes = true; // leave the game on the board
    form->NouvellePartie1Click();
    ASSERT_TRUE(CurrentGame);
    EXPECT_EQ(CurrentGame->Record.Start().Rules, rules::TRuleSet::Full);
    EXPECT_EQ(form->windowTitle(), "Ekobarama – règles complètes");
    form->Prferences1Click();
    EXPECT_TRUE(form->CheckBox2->isChecked());
    form->BitBtn2Click();
}
