// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window with a game in progress, animations at full speed and message boxes answered
// by the test.
#include "engine/DXDraw.h"
#include "engine/ImageList.h"
#include "game/Game.h"
#include "game/Hand.h"
#include "game/Score.h"
#include "graphics/GameSprites.h"
#include "platform/DDraw.h"
#include "platform/Pause.h"
#include "sound/WaveList.h"
#include "tests/support/TestApp.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

class GameTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        RegisterPlatformLibraries();
        // The unfinished game is kept in a state directory of the test's own.
        qputenv("XDG_STATE_HOME", stateHome.path().toLocal8Bit());
        SetFileDialogHook([this](const TFileDialogRequest& request) {
            dialogs.push_back(request);
            return fileAnswer;
        });
        platform::SetPausesEnabled(false);
        platform::SetPresentationPacing(false);
        SetMessageBoxHook([this](const TMessageBoxRequest& request) {
            boxes.push_back(request.Text);
            return request.Buttons == TMsgButtons::Ok
                       ? TModalResult::mrOk
                       : (answerYes ? TModalResult::mrYes : TModalResult::mrNo);
        });
        form = std::make_unique<TForm1>();
        form->DXWaveList1->OnPlayWave = [this](TWaveCollectionItem& item) {
            sounds.push_back(item.Index());
        };
    }
    void TearDown() override {
        SetFrameObserver(nullptr);
        form.reset();
        SetMessageBoxHook(nullptr);
        SetFileDialogHook(nullptr);
        AppState = TAppState::None;
        Options.reset();
    }
    void NewGame() { form->NouvellePartie1Click(); }
    Tjeu& Game() { return *CurrentGame; }
    // Starts the game's record again from a position: pits 1 to 12 from the list, player p to
    // move, the scores as they are; the board shows it.
    void Position(const std::array<int, 12>& seeds, int p = 1) {
        rules::TPosition position;
        for (int i = 1; i <= 12; ++i)
            position.Seeds[i] = static_cast<std::uint8_t>(seeds[i - 1]);
        position.ToMove = static_cast<std::uint8_t>(p);
        for (int n = 1; n <= 2; ++n)
            position.Score[n] = static_cast<std::uint8_t>(Value(n));
        record::TGameRecord start(position);
        start.Sides = Game().Record.Sides;
        Game().Record = start;
        Game().ShowRecord();
    }
    std::array<int, 12> Seeds() {
        std::array<int, 12> seeds{};
        for (int i = 1; i <= 12; ++i)
            seeds[i - 1] = Game().Pit(i).Seeds;
        return seeds;
    }
    int Value(int n) { return Game().Player(n).Score->Value; }
    void Play(int pit) { Game().PlayerToMove().Play(pit); }

    QTemporaryDir stateHome;
    // The file dialogs asked for, and the path they answer (empty: cancelled).
    std::vector<TFileDialogRequest> dialogs;
    QString fileAnswer;
    std::unique_ptr<TForm1> form;
    std::vector<QString> boxes;
    std::vector<int> sounds;
    bool answerYes = true;
};
