// SPDX-License-Identifier: GPL-3.0-or-later
// How fast the window answers a click on the game's sheet while the review runs, against the
// same clicks with no review running, in one run:
//   ekobarama-sheet-latency [CLICKS]
// A game of 60 moves (each time the pit of the mover holding the most seeds) is put on the board
// and its sheet opened. CLICKS clicks (40 by default) on lines of the sheet are posted to the
// window's event queue, one every 50 ms; each is timed from its posting to the first frame that
// shows the board at the move clicked. Then the review starts and the same clicks are timed
// while it runs. Prints the median and the slowest of each series and their ratios. Runs on the
// offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "game/Game.h"
#include "ui/Application.h"
#include "ui/GameFiles.h"
#include "ui/GameSheet.h"
#include "ui/Main.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

record::TGameRecord SixtyMoves() {
    record::TGameRecord game;
    game.Sides[1].Name = "Ama";
    game.Sides[2].Name = "Kofi";
    while (game.Length() < 60 && !game.Over()) {
        int best = 0;
        for (const int pit : rules::LegalMoves(game.Current()))
            if (best == 0 || game.Current().Seeds[pit] > game.Current().Seeds[best])
                best = pit;
        game.Play(best);
    }
    return game;
}

// Clicks on lines of the sheet, one every 50 ms, each timed to the frame that shows its move;
// while keepOn holds. Returns the times in milliseconds.
std::vector<double> TimeClicks(int clicks, const std::function<bool()>& keepOn) {
    std::vector<double> times;
    QTableWidget& moves = *GameSheet()->Moves();
    QElapsedTimer clock;
    int target = -1;
    SetFrameObserver([&] {
        if (target >= 0 && CurrentGame && CurrentGame->Record.Cursor() == target) {
            times.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
            target = -1;
        }
    });
    for (int n = 0; n < clicks && keepOn(); ++n) {
        const int row = 10 + (n % 2) * 5 + n % 7;
        moves.scrollToItem(moves.item(row, 2));
        QCoreApplication::processEvents();
        const QPoint at = moves.visualItemRect(moves.item(row, 2)).center();
        const QPoint global = moves.viewport()->mapToGlobal(at);
        target = row;
        clock.start();
        for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
            QCoreApplication::postEvent(
                moves.viewport(),
                new QMouseEvent(type, at, global, Qt::LeftButton,
                                type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton,
                                Qt::NoModifier));
        // Answered, or given up after a second; then the rest of the 50 ms.
        while ((target >= 0 && clock.elapsed() < 1000) || clock.elapsed() < 50)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (target >= 0)
            std::printf("a click not answered within a second\n");
        target = -1;
    }
    SetFrameObserver(nullptr);
    return times;
}

void Report(const char* name, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    if (times.empty()) {
        std::printf("%s: no click answered\n", name);
        return;
    }
    std::printf("%s: %zu clicks, median %.2f ms, slowest %.2f ms\n", name, times.size(),
                times[times.size() / 2], times.back());
}

} // namespace

int main(int argc, char** argv) {
    const int clicks = argc > 1 ? std::atoi(argv[1]) : 40;
    if (clicks < 1 || clicks > 1000) {
        std::fprintf(stderr, "usage: ekobarama-sheet-latency [CLICKS(1-1000)]\n");
        return 2;
    }
    if (qgetenv("QT_QPA_PLATFORM").isEmpty())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The preferences and the kept game of this run only.
    QTemporaryDir config, state;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    qputenv("XDG_STATE_HOME", state.path().toLocal8Bit());
    QApplication app(argc, argv);
    RegisterPlatformLibraries();
    TForm1 form;
    form.show();
    ShowRecordedGame(SixtyMoves());
    ShowGameSheet(true);
    QCoreApplication::processEvents();

    std::vector<double> idle = TimeClicks(clicks, [] { return true; });
    QElapsedTimer review;
    review.start();
    GameSheet()->StartReview();
    std::vector<double> busy = TimeClicks(clicks, [] { return GameSheet()->Reviewing(); });
    const bool stillRunning = GameSheet()->Reviewing();
    GameSheet()->CancelReview();
    while (GameSheet()->Reviewing())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    Report("no review", idle);
    Report("during the review", busy);
    if (!idle.empty() && !busy.empty()) {
        std::sort(idle.begin(), idle.end());
        std::sort(busy.begin(), busy.end());
        std::printf("ratios during / without the review: median %.2f, slowest %.2f\n",
                    busy[busy.size() / 2] / idle[idle.size() / 2], busy.back() / idle.back());
    }
    std::printf("the review %s after %.1f s\n", stillRunning ? "was still running" : "had ended",
                static_cast<double>(review.elapsed()) / 1000);
    return 0;
}
