// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/WindowHost.h"

#include "engine/ImageList.h"
#include "engine/Sprites.h"
#include "game/GameHost.h"
#include "graphics/Scene.h"
#include "platform/DDraw.h"
#include "platform/Pause.h"
#include "ui/Dialogs.h"
#include "ui/GameFiles.h"
#include "ui/Main.h"
#include "ui/PitPicking.h"

#include <QAction>
#include <cmath>

namespace {

class TWindowHost final : public graphics::TScene, public game::TGameHost {
public:
    // The scene.
    TDXImageList* ImageList(int n) const override {
        if (!Form1)
            return nullptr;
        switch (n) {
        case 1:
            return Form1->DXImageList1.get();
        case 2:
            return Form1->DXImageList2.get();
        case 3:
            return Form1->DXImageList3.get();
        default:
            return nullptr;
        }
    }
    TDXSpriteEngine* SpriteEngine() const override {
        return Form1 ? Form1->DXSpriteEngine1.get() : nullptr;
    }
    TDXDraw* DrawingSurface() const override { return Form1 ? Form1->DXDraw1 : nullptr; }
    void Draw() override { DrawFrame(); }

    // The game's host. A game outlived by its window (the program ending) only lets go of it.
    // The window as the game's layout knows it: its frame around a client area in the board's
    // units, whatever size the board is shown at.
    int WindowWidth() const override {
        return Form1 ? Form1->Width() - Form1->ClientWidth() + BoardUnits(Form1->ClientWidth()) : 0;
    }
    int WindowHeight() const override {
        return Form1 ? Form1->Height() - Form1->ClientHeight() + BoardUnits(Form1->ClientHeight())
                     : 0;
    }
    static int BoardUnits(int length) {
        const double zoom = Form1->ShownZoom();
        return zoom == 1.0 ? length : static_cast<int>(std::lround(length / zoom));
    }
    void Repaint() override {
        if (Form1)
            Form1->repaint();
    }
    void ShowNotice(const QString& text) override { ::ShowNotice(text); }
    void ReportError(const std::exception& error) override { ReportException(error); }
    void PlaySound(int index) override { PlaySoundItem(index); }
    QString PlayerName(int n) const override {
        if (!Options)
            return n == 1 ? TStoredPreferences::Player1Name() : TStoredPreferences::Player2Name();
        return n == 1 ? Options->Player1Name : Options->Player2Name;
    }
    int PlayedBy(int n) const override {
        return Options ? ItemOfPlayedBy(Options->PlayedBy(n)) : 0;
    }
    bool SoundsOn() const override {
        return Options ? Options->SoundsOn : TStoredPreferences::SoundsOn;
    }
    bool ShowCounts() const override { return Options && Options->ShowCounts; }
    bool FullRules() const override { return Options && Options->FullRules; }
    TAnimationSpeed AnimationSpeed() const override {
        return Options ? Options->AnimationSpeed : TAnimationSpeed::Normal;
    }
    void SetHoverTimer(bool on) override {
        if (!Form1)
            return;
        if (on)
            Form1->Timer1.start();
        else
            Form1->Timer1.stop();
    }
    void GameMade() override {
        ForgetFinishedGame(); // the game on the board is the record now
        if (!Form1)
            return;
        Form1->Timer1.start();
        Form1->Quitterlapartie1->setEnabled(true);
    }
    void GameEnding() override {
        if (Form1 && Form1->ComputerTurn)
            Form1->ComputerTurn->End();
    }
    void GameGone() override {
        if (!Form1)
            return;
        Form1->Timer1.stop();
        Form1->Quitterlapartie1->setEnabled(false);
        Form1->ShowRulesInTitle();
        // With the game gone there is no pit under the mouse any more.
        ClearHover();
    }
    void ShowMove(const std::function<void()>& steps) override {
        const TMoveInProgress moveInProgress;
        // Without animation the move's few frames follow one another at once, unpaced and
        // without holds, as in the tests' fast moves.
        const bool atOnce = AnimationSpeed() == TAnimationSpeed::None;
        const bool paced = platform::PresentationPacing();
        const bool pauses = platform::PausesEnabled();
        if (atOnce) {
            platform::SetPresentationPacing(false);
            platform::SetPausesEnabled(false);
        }
        struct TRestore {
            bool On, Paced, Pauses;
            ~TRestore() {
                // A quit asked for during the move lets it end without pacing or pauses.
                if (On && !TerminationRequested()) {
                    platform::SetPresentationPacing(Paced);
                    platform::SetPausesEnabled(Pauses);
                }
            }
        } restore{atOnce, paced, pauses};
        steps();
    }
    void MoveStarting() override {
        if (Form1 && Form1->ComputerTurn && Form1->ComputerTurn->Hinting())
            Form1->ComputerTurn->Cancel();
    }
    void MovePlayed() override {
        if (Form1 && Form1->ComputerTurn)
            Form1->ComputerTurn->Next();
    }
};

TWindowHost host;

} // namespace

void InstallWindowHost() {
    graphics::InstallScene(&host);
    game::InstallHost(&host);
}
