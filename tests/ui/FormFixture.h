// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fresh main window per test, with message boxes answered by the test.
#include "tests/support/TestApp.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

class FormTest : public ::testing::Test {
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
        SetMessageBoxHook([this](const TMessageBoxRequest& request) {
            boxes.push_back(request);
            if (request.Buttons == TMsgButtons::Ok)
                return TModalResult::mrOk;
            return answerYes ? TModalResult::mrYes : TModalResult::mrNo;
        });
        form = std::make_unique<TForm1>();
    }
    void TearDown() override {
        form.reset();
        Options.reset();
        AppState = TAppState::None;
        SetMessageBoxHook(nullptr);
        SetFileDialogHook(nullptr);
    }
    std::vector<QString> Texts() const {
        std::vector<QString> texts;
        for (const auto& box : boxes)
            texts.push_back(box.Text);
        return texts;
    }

    QTemporaryDir stateHome;
    // The file dialogs asked for, and the path they answer (empty: cancelled).
    std::vector<TFileDialogRequest> dialogs;
    QString fileAnswer;
    std::unique_ptr<TForm1> form;
    std::vector<TMessageBoxRequest> boxes;
    bool answerYes = false;
};
