// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DDraw.h"
#include "platform/Exception.h"
#include "tests/ui/FormFixture.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimer>

using MainWindow = FormTest;

TEST_F(MainWindow, StartsCentredInPresentationWithTheStoredMenu) {
    EXPECT_EQ(Form1, form.get());
    EXPECT_EQ(form->windowTitle(), "Ekobarama");
    EXPECT_EQ(form->ClientWidth(), 637);
    EXPECT_EQ(form->ClientHeight(), 470);
    EXPECT_EQ(form->Width(), 643);
    EXPECT_EQ(form->Height(), 513);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(form->Left(), static_cast<int>(std::lrint((screen.width() - 643) / 2.0)));
    EXPECT_EQ(form->Top(), static_cast<int>(std::lrint((screen.height() - 513) / 2.0)));

    EXPECT_EQ(AppState, "presentation");
    ASSERT_TRUE(Options);
    EXPECT_EQ(Options->Player1Name, "Joueur 1");
    EXPECT_EQ(Options->Player2Name, "Joueur 2");
    EXPECT_TRUE(Options->SoundsOn);
    EXPECT_FALSE(form->Quitterlapartie1->isEnabled());
    EXPECT_TRUE(form->NouvellePartie1->isEnabled());
    EXPECT_TRUE(form->Bruitages1->isCheckable());
    EXPECT_TRUE(form->Bruitages1->isChecked());
    EXPECT_EQ(form->GroupBox1, nullptr); // the preferences panel is made when first opened
    EXPECT_FALSE(form->Timer1.isActive());
    EXPECT_EQ(form->Timer1.interval(), 333);

    QStringList shown;
    for (QAction* menu : form->menuBar()->actions()) {
        shown << menu->text();
        for (QAction* item : menu->menu()->actions())
            shown << (item->isSeparator() ? "-" : item->text());
    }
    EXPECT_EQ(shown, QStringList({"&Jeu",
                                  "&Nouvelle partie",
                                  "&Quitter la partie ",
                                  "-",
                                  "&Annuler le coup",
                                  "&Rétablir le coup",
                                  "Annuler &tous les coups",
                                  "Rétablir tou&s les coups",
                                  "-",
                                  "Re&prendre la partie",
                                  "&Ouvrir une partie…",
                                  "&Enregistrer la partie…",
                                  "-",
                                  "Q&uitter",
                                  "&Options",
                                  "&Préferences",
                                  "-",
                                  "&Bruitages",
                                  "?",
                                  "&Règle du jeu",
                                  "&Crédits"}));
    // Keys only for taking back and the game files; before a game only opening one is possible.
    QStringList keys;
    QStringList enabled;
    for (QAction* menu : form->menuBar()->actions())
        for (QAction* item : menu->menu()->actions()) {
            if (!item->shortcut().isEmpty())
                keys << item->objectName() + " " + item->shortcut().toString();
            if (!item->isSeparator() && item->isEnabled())
                enabled << item->objectName();
        }
    EXPECT_EQ(keys, QStringList({"Annulerlecoup1 Ctrl+Z", "Rtablirlecoup1 Ctrl+Shift+Z",
                                 "Reprendrelapartie1 Ctrl+R", "Ouvrirunepartie1 Ctrl+O",
                                 "Enregistrerlapartie1 Ctrl+S"}));
    EXPECT_EQ(enabled, QStringList({"NouvellePartie1", "Ouvrirunepartie1", "Quitter1",
                                    "Prferences1", "Bruitages1", "Rgledujeu1", "AproposdeEkoba1"}));
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainWindow, QuitQuestionsAnsweredNoChangeNothing) {
    form->Quitter1Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Caption, "Quitter ?");
    EXPECT_EQ(boxes[0].Text, "Etes vous sur(e) de vouloir quitter le jeu ?");
    EXPECT_EQ(boxes[0].Buttons, TMsgButtons::YesNo);
    EXPECT_TRUE(Options);
    EXPECT_FALSE(TerminationRequested());

    // Closing the window asks the same question and, on No, the window stays as it was.
    QCloseEvent close;
    QCoreApplication::sendEvent(form.get(), &close);
    EXPECT_FALSE(close.isAccepted());
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].Text, "Etes vous sur(e) de vouloir quitter le jeu ?");
    EXPECT_TRUE(Options);
    EXPECT_EQ(AppState, "presentation");

    form->Quitterlapartie1Click();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2].Text, "Etes vous sur(e) de vouloir quitter cette partie ?");
    EXPECT_EQ(boxes[2].Caption, "Quitter ?");
}

TEST_F(MainWindow, AnExceptionInAHandlerIsShownAndTheProgramGoesOn) {
    Guarded([] { throw Exception("Surface cannot be made"); });
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].Caption, "Ekoba");
    EXPECT_EQ(boxes[0].Text, "Surface cannot be made");
    EXPECT_EQ(boxes[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(boxes[0].Buttons, TMsgButtons::Ok);
}

TEST_F(MainWindow, AConfirmedQuitAsksOnceAndEndsTheEventLoop) {
    answerYes = true;
    form->NouvellePartie1Click();
    QTimer::singleShot(0, form.get(), [this] { form->Quitter1Click(); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(TerminationRequested());
    EXPECT_EQ(AppState, "presentation");
    // Whatever the windows are then asked, there is no second question, and what the game
    // needs stays until the program's end releases it.
    QCloseEvent close;
    QCoreApplication::sendEvent(form.get(), &close);
    EXPECT_TRUE(close.isAccepted());
    form->Quitter1Click();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(Options && BackgroundSprite);
}

TEST_F(MainWindow, QuestionsAnswerToTheirButtonsLetters) {
    SetMessageBoxHook(nullptr);
    form->show();
    const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {{Qt::Key_O, Qt::NoModifier},
                                                              {Qt::Key_O, Qt::AltModifier},
                                                              {Qt::Key_N, Qt::NoModifier},
                                                              {Qt::Key_N, Qt::AltModifier}};
    for (const auto& [key, modifiers] : keys) {
        // The key goes to the box once it is shown; a box the key did not answer is closed
        // a second later (a "Non").
        QTimer typist;
        int ticks = 0;
        QObject::connect(&typist, &QTimer::timeout, [&, key = key, modifiers = modifiers] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || !box->isVisible())
                return;
            if (ticks++ == 0)
                QTest::keyClick(box, key, modifiers);
            else if (ticks > 100)
                box->close();
        });
        typist.start(10);
        EXPECT_EQ(AskToQuit("Etes vous sur(e) de vouloir quitter le jeu ?"), key == Qt::Key_O)
            << key << " " << modifiers;
    }
}

TEST(FailedStartUp, EveryMenuCommandIsSafe) {
    TestApp();
    RegisterPlatformLibraries();
    std::vector<QString> errors;
    SetMessageBoxHook([&](const TMessageBoxRequest& request) {
        if (request.Icon == QMessageBox::Critical)
            errors.push_back(request.Text);
        return TModalResult::mrNo;
    });
    platform::InjectDDrawFault(platform::DDrawFault::Create, 1);
    auto form = std::make_unique<TForm1>();
    platform::ClearDDrawFaults();
    EXPECT_EQ(errors.size(), 1u) << "the start-up error is shown";
    form->show();
    for (QAction* menu : form->menuBar()->actions())
        for (QAction* item : menu->menu()->actions())
            if (!item->isSeparator())
                item->trigger();
    form->Quitterlapartie1Click();
    form->Timer1Timer();
    form->DXDraw1DblClick();
    ASSERT_TRUE(form->GroupBox1);
    form->BitBtn1Click();
    form->Prferences1Click();
    form->BitBtn2Click();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_TRUE(form->GroupBox1->isHidden());
    form.reset();
    Options.reset();
    AppState.clear();
    SetMessageBoxHook(nullptr);
}
