// SPDX-License-Identifier: GPL-3.0-or-later
// Presenting a frame. BM_FrameMemcpy is the floor: one memcpy of a 637 x 470 frame of 32-bit
// pixels at a scale in percent (the argument: 200 is a frame of 1274 x 940, the board at 200 %
// or on a screen of device pixel ratio 2). BM_Flip is one full-surface Flip of a drawing surface of
// the main window's size, with presentation pacing off: the blit onto the primary surface and the
// window's repaint.
#include "engine/DXDraw.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>
#include <benchmark/benchmark.h>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int FrameWidth = 637;
constexpr int FrameHeight = 470;
constexpr size_t FrameBytes = size_t{FrameWidth} * FrameHeight * 4;

void BM_FrameMemcpy(benchmark::State& state) {
    const auto percent = static_cast<std::size_t>(state.range(0));
    const size_t bytes =
        ((FrameWidth * percent + 50) / 100) * ((FrameHeight * percent + 50) / 100) * 4;
    std::vector<std::uint8_t> from(bytes, 0x5A);
    std::vector<std::uint8_t> to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_FrameMemcpy)->Arg(100)->Arg(200);

// The main window's drawing surface, shown and initialised as at start-up.
struct Window {
    Window() {
        form.resize(FrameWidth, FrameHeight);
        DXDraw1 = new TDXDraw(&form);
        DXDraw1->setGeometry(0, 0, FrameWidth, FrameHeight);
        DXDraw1->SetOptions({doAllowReboot});
        DXDraw1->Initialize();
        form.show();
        for (int i = 0; i < 1000 && !(form.windowHandle() && form.windowHandle()->isExposed()); ++i)
            QApplication::processEvents(QEventLoop::AllEvents, 10);
        DXDraw1->Surface()->Fill(0x00336699);
    }
    QWidget form;
    TDXDraw* DXDraw1;
};

void BM_Flip(benchmark::State& state) {
    platform::SetPresentationPacing(false);
    Window window;
    if (!window.DXDraw1->Initialized() || !window.form.windowHandle()->isExposed()) {
        state.SkipWithError("the drawing surface is not on screen");
        return;
    }
    const int before = platform::WindowPresentCount(window.DXDraw1);
    for (auto _ : state)
        window.DXDraw1->Flip();
    if (platform::WindowPresentCount(window.DXDraw1) - before != state.iterations())
        state.SkipWithError("a Flip presented nothing");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * FrameBytes));
}
BENCHMARK(BM_Flip);

} // namespace
