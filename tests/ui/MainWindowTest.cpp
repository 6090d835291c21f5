// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DDraw.h"
#include "platform/Exception.h"
#include "tests/ui/FormFixture.h"

#include "game/Game.h"
#include "platform/DSound.h"
#include "platform/Pause.h"
#include "record/GameFile.h"
#include "ui/Dialogs.h"
#include "ui/GameFiles.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>

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

    EXPECT_EQ(AppState, TAppState::Presentation);
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
                                  "&Conseil",
                                  "-",
                                  "&Feuille de partie",
                                  "Ana&lyser la partie",
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
                                  "-",
                                  "&Taille du plateau",
                                  "&Vitesse de l'animation",
                                  "&?",
                                  "&Règle du jeu",
                                  "&Crédits",
                                  "Raccourcis c&lavier"}));
    // Keys for the game commands and the rules; before a game only opening one is possible.
    QStringList keys;
    QStringList enabled;
    for (QAction* menu : form->menuBar()->actions())
        for (QAction* item : menu->menu()->actions()) {
            if (!item->shortcut().isEmpty())
                keys << item->objectName() + " " + item->shortcut().toString();
            if (!item->isSeparator() && item->isEnabled())
                enabled << item->objectName();
        }
    EXPECT_EQ(
        keys,
        QStringList({"NouvellePartie1 Ctrl+N", "Quitterlapartie1 Ctrl+W", "Annulerlecoup1 Ctrl+Z",
                     "Rtablirlecoup1 Ctrl+Shift+Z", "Conseil1 H", "Feuilledepartie1 Ctrl+L",
                     "Reprendrelapartie1 Ctrl+R", "Ouvrirunepartie1 Ctrl+O",
                     "Enregistrerlapartie1 Ctrl+S", "Quitter1 Ctrl+Q", "Rgledujeu1 F1"}));
    EXPECT_EQ(enabled,
              QStringList({"NouvellePartie1", "Feuilledepartie1", "Ouvrirunepartie1", "Quitter1",
                           "Prferences1", "Bruitages1", "Tailleduplateau1", "Vitessedelanimation1",
                           "Rgledujeu1", "AproposdeEkoba1", "Raccourcisclavier1"}));
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
    EXPECT_EQ(AppState, TAppState::Presentation);

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
    EXPECT_EQ(AppState, TAppState::Presentation);
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
        // The key goes to the box once it is shown and active, as a person's key would (a
        // letter with Alt reaches the buttons only through the active window); a box the key
        // did not answer is closed three seconds after it was shown (a "Non").
        QTimer typist;
        int ticks = 0;
        bool typed = false;
        QObject::connect(&typist, &QTimer::timeout, [&, key = key, modifiers = modifiers] {
            QWidget* box = QApplication::activeModalWidget();
            if (!box || !box->isVisible())
                return;
            if (!typed && QApplication::activeWindow() == box) {
                typed = true;
                QTest::keyClick(box, key, modifiers);
            } else if (++ticks > 300) {
                box->close();
            }
        });
        typist.start(10);
        EXPECT_EQ(AskToQuit("Etes vous sur(e) de vouloir quitter le jeu ?"), key == Qt::Key_O)
            << key << " " << modifiers;
    }
}

namespace {
// A start-up made to fail at one of its steps: by the window's own hook, or by the display or
// sound stand-in failing for real.
struct StartUpFault {
    const char* Name;
    std::function<void()> Inject;
    bool Fails; // the start-up fails and shows one error
};

std::vector<StartUpFault> StartUpFaults() {
    std::vector<StartUpFault> faults;
    const char* const names[] = {"DrawingSurface", "SpriteEngine",     "ImageList1", "ImageList2",
                                 "ImageList3",     "SoundDevice",      "SoundList",  "Options",
                                 "DisplayInit",    "BackgroundSprite", "FirstFrame"};
    for (int step = 0; step <= static_cast<int>(TStartUpStep::FirstFrame); ++step)
        faults.push_back(
            {names[step], [step] { InjectStartUpFault(static_cast<TStartUpStep>(step)); }, true});
    faults.push_back({"DirectDrawCreate",
                      [] { platform::InjectDDrawFault(platform::DDrawFault::Create, 1); }, true});
    faults.push_back({"PrimarySurface",
                      [] { platform::InjectDDrawFault(platform::DDrawFault::CreateSurface, 1); },
                      true});
    // A machine without sound plays silently.
    faults.push_back({"SoundDeviceOpening",
                      [] { platform::DSoundTestFaults().deviceCreateFailures = 1; }, false});
    return faults;
}
} // namespace

TEST(FailedStartUp, EveryMenuCommandIsSafeAfterAFailureAtAnyStep) {
    TestApp();
    RegisterPlatformLibraries();
    platform::SetPausesEnabled(false);
    // A saved game for "Ouvrir une partie…", chosen in the file dialog.
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString saved = folder.filePath("partie.ekoba");
    files::TFileWriteProblem error;
    record::TGameRecord game;
    game.Sides[1].Name = "Awa";
    game.Sides[2].Name = "Kofi";
    game.Play(2);
    ASSERT_TRUE(record::WriteGameFile(saved.toStdString(), game, error)) << error.Reason;
    const FileDialogHook previousDialogs =
        SetFileDialogHook([&](const TFileDialogRequest&) { return saved; });
    for (const StartUpFault& fault : StartUpFaults()) {
        SCOPED_TRACE(fault.Name);
        std::vector<TMessageBoxRequest> boxes;
        SetMessageBoxHook([&](const TMessageBoxRequest& request) {
            boxes.push_back(request);
            return request.Buttons == TMsgButtons::Ok ? TModalResult::mrOk : TModalResult::mrNo;
        });
        fault.Inject();
        auto form = std::make_unique<TForm1>();
        InjectStartUpFault(std::nullopt);
        platform::ClearDDrawFaults();
        auto errors = [&] {
            return std::count_if(boxes.begin(), boxes.end(), [](const TMessageBoxRequest& box) {
                return box.Icon == QMessageBox::Critical;
            });
        };
        EXPECT_EQ(errors(), fault.Fails ? 1 : 0) << "the start-up error is shown";
        EXPECT_EQ(form->StartUpFailure().isEmpty(), !fault.Fails);
        form->show();
        QTest::qWait(150); // the sound device opens after the first frame
        platform::DSoundTestFaults() = {};

        // Every menu command, as the menus trigger them.
        boxes.clear();
        form->NouvellePartie1->trigger();
        if (fault.Fails) {
            EXPECT_FALSE(CurrentGame);
            EXPECT_EQ(boxes.size(), 1u);
            EXPECT_TRUE(!boxes.empty() &&
                        boxes[0].Text.startsWith("Une partie ne peut pas commencer"));
        } else {
            ASSERT_TRUE(CurrentGame);
            EXPECT_EQ(AppState, TAppState::Jeu);
        }
        if (form->DrawingArea())
            QCursor::setPos(form->DrawingArea()->mapToGlobal(QPoint(200, 290))); // pit 2
        form->DXDraw1DblClick();
        form->Timer1Timer();
        // The game commands, also as their shortcuts reach them when the menu would disable them.
        form->Annulerlecoup1Click();
        form->Rtablirlecoup1Click();
        form->Annulertouslescoups1Click();
        form->Rtablirtouslescoups1Click();
        form->Enregistrerlapartie1Click();
        form->Quitterlapartie1->trigger();
        form->Reprendrelapartie1Click();
        boxes.clear();
        form->Ouvrirunepartie1Click();
        if (fault.Fails) {
            EXPECT_FALSE(CurrentGame);
            EXPECT_TRUE(!boxes.empty() &&
                        boxes[0].Text.startsWith("Une partie ne peut pas commencer"));
            EXPECT_FALSE(OpenGameFile(saved)); // as "ekobarama FILE" opens it
        } else {
            ASSERT_TRUE(CurrentGame); // the question to leave the game on the board said "Non"
            EXPECT_TRUE(!boxes.empty() && boxes[0].Buttons == TMsgButtons::YesNo);
        }
        form->Quitterlapartie1->trigger();
        form->Prferences1->trigger();
        ASSERT_TRUE(form->GroupBox1);
        form->BitBtn1->click();
        EXPECT_TRUE(form->GroupBox1->isHidden());
        form->Prferences1->trigger();
        form->BitBtn2->click();
        EXPECT_TRUE(form->GroupBox1->isHidden());
        form->Bruitages1->trigger();
        EXPECT_FALSE(Options->SoundsOn);
        form->Bruitages1->trigger();
        form->Rgledujeu1->trigger();
        form->AproposdeEkoba1->trigger();
        form->Quitter1->trigger(); // answered "Non"
        EXPECT_FALSE(TerminationRequested());
        EXPECT_EQ(errors(), 0);
        QTest::qWait(50);
        form.reset();
        CurrentGame.reset();
        Options.reset();
        AppState = TAppState::None;
    }
    SetMessageBoxHook(nullptr);
    SetFileDialogHook(previousDialogs);
}
