// SPDX-License-Identifier: GPL-3.0-or-later
// ekobarama-cancel-wait [POSITIONS [SEEDS]]: how long a computer player's move takes to end once it
// is cancelled, where it plays exactly from the endgame table of SEEDS seeds (11 by default, 12 to
// 16 the large table's sizes, built in memory first) with the search of the shortest forced line.
// Positions of SEEDS - 2 to SEEDS seeds (random, a fixed seed; 300 by default): each move is
// first run to its end and timed, then run again on a thread of its own, as the game runs it, and
// cancelled at a random point of that time; prints, over the moves still running then, the longest
// move, and the median and the longest wait from the cancel to the thread's end.
#include "ai/EndgameTable.h"
#include "ai/Player.h"
#include "ai/Search.h"
#include "rules/Rules.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    const int most = argc > 2 ? std::clamp(std::atoi(argv[2]), 3, 16) : 11;
    ai::TEndgameTable table(most);
    table.BuildNow();
    ai::TSearchSettings settings;
    settings.Table = &table;
    ai::TSearcher searcher(settings);
    std::mt19937 random(7);
    using TClock = std::chrono::steady_clock;
    std::vector<double> waits;
    double longest = 0;
    const auto move = [&](const rules::TPosition& position, const std::atomic<bool>& cancel) {
        ai::TGameKnowledge game;
        game.Table = &table;
        game.Exact = ai::TExactPlay::Always;
        ai::SearchInGame(searcher, position, {}, game, cancel);
    };
    while (static_cast<int>(waits.size()) < count) {
        rules::TPosition position;
        const int seeds = most - 2 + static_cast<int>(random() % 3);
        for (int s = 0; s < seeds; ++s)
            ++position.Seeds[1 + random() % rules::kPits];
        position.Score[1] = static_cast<std::uint8_t>(rules::kTotalSeeds - seeds);
        position.ToMove = static_cast<std::uint8_t>(1 + random() % 2);
        if (rules::IsOver(position) || rules::LegalMoves(position).Count < 2)
            continue;
        std::atomic<bool> cancel{false}, started{false};
        const TClock::time_point begun = TClock::now();
        move(position, cancel);
        const auto full = TClock::now() - begun;
        longest = std::max(longest, std::chrono::duration<double, std::milli>(full).count());
        if (full < std::chrono::microseconds(200))
            continue;
        TClock::time_point ended;
        std::thread worker([&] {
            started = true;
            move(position, cancel);
            ended = TClock::now();
        });
        while (!started)
            std::this_thread::yield();
        std::this_thread::sleep_for(full * (random() % 100) / 100);
        const TClock::time_point raised = TClock::now();
        cancel = true;
        worker.join();
        if (ended > raised) // still running at the cancel
            waits.push_back(std::chrono::duration<double, std::milli>(ended - raised).count());
    }
    std::sort(waits.begin(), waits.end());
    std::printf(
        "longest move %.1f ms; %zu moves still running when cancelled: wait from the cancel to the "
        "end median %.1f us, 99th percentile %.1f us, longest %.1f us\n",
        longest, waits.size(), 1000 * waits[waits.size() / 2],
        1000 * waits[waits.size() * 99 / 100], 1000 * waits.back());
    return 0;
}
