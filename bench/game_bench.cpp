// SPDX-License-Identifier: GPL-3.0-or-later
// One frame of the game scene right after "Nouvelle partie": the hover update, the sprite
// engine's draw (board, twelve pits, the indicator, both score lines) and the flip, pacing off,
// on a board of a size in percent (the argument: 100 or 200, chosen as in the menu). Also counts
// the frames a whole move draws.
#include "engine/DXDraw.h"
#include "game/Game.h"
#include "platform/DDraw.h"
#include "platform/Pause.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <QApplication>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

std::unique_ptr<TForm1> NewGameWindow(int percent = 100) {
    RegisterPlatformLibraries();
    platform::SetPresentationPacing(false);
    platform::SetPausesEnabled(false);
    SetMessageBoxHook([](const TMessageBoxRequest&) { return TModalResult::mrOk; });
    auto form = std::make_unique<TForm1>();
    form->show();
    for (int i = 0; i < 1000 && !(form->windowHandle() && form->windowHandle()->isExposed()); ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    if (percent != 100) {
        form->BoardSizeClick(percent);
        for (int i = 0; i < 100; ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    form->NouvellePartie1Click();
    return form;
}

// Frames drawn by player 1's move from pit `pit` holding `seeds` seeds.
int FramesOfMove(int pit, int seeds) {
    auto form = NewGameWindow();
    CurrentGame->Pit(pit).Seeds = seeds;
    int frames = 0;
    SetFrameObserver([&] { ++frames; });
    CurrentGame->PlayerToMove().Play(pit);
    SetFrameObserver(nullptr);
    form.reset();
    Options.reset();
    return frames;
}

void BM_RedrawScene(benchmark::State& state) {
    const int percent = static_cast<int>(state.range(0));
    auto form = NewGameWindow(percent);
    if (!form->windowHandle()->isExposed()) {
        state.SkipWithError("the window is not on screen");
        return;
    }
    // Every frame measured must reach the window.
    const int before = platform::WindowPresentCount(form->DXDraw1);
    for (auto _ : state)
        RedrawScene();
    if (platform::WindowPresentCount(form->DXDraw1) - before != state.iterations()) {
        state.SkipWithError("a frame did not reach the window");
        return;
    }
    if (form->DXDraw1->Surface()->Width() != (637 * percent + 50) / 100) {
        state.SkipWithError("the board is not at its size");
        return;
    }
    form.reset();
    Options.reset();
    if (percent != 100)
        return;
    state.counters["frames_opening_move_pit3"] = FramesOfMove(3, 4);
    state.counters["frames_move_of_12_seeds"] = FramesOfMove(1, 12);
}
BENCHMARK(BM_RedrawScene)->Arg(100)->Arg(200)->Unit(benchmark::kMicrosecond);

} // namespace
