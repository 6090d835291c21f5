// One frame of the game scene right after "Nouvelle partie": the hover update, the sprite
// engine's draw (board, twelve pits, the indicator, both score lines) and the flip, pacing off.
// Also counts the frames a whole move draws.
#include "game/Game.h"
#include "platform/DDraw.h"
#include "platform/Pause.h"
#include "ui/Application.h"
#include "ui/Dialogs.h"
#include "ui/Main.h"

#include <benchmark/benchmark.h>
#include <memory>

namespace {

std::unique_ptr<TForm1> NewGameWindow() {
    RegisterPlatformLibraries();
    platform::SetPresentationPacing(false);
    platform::SetPausesEnabled(false);
    SetMessageBoxHook([](const TMessageBoxRequest&) { return TModalResult::mrOk; });
    auto form = std::make_unique<TForm1>();
    form->show();
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
    auto form = NewGameWindow();
    for (auto _ : state)
        RedrawScene();
    form.reset();
    Options.reset();
    state.counters["frames_opening_move_pit3"] = FramesOfMove(3, 4);
    state.counters["frames_move_of_12_seeds"] = FramesOfMove(1, 12);
}
BENCHMARK(BM_RedrawScene)->Unit(benchmark::kMicrosecond);

} // namespace
