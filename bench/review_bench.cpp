// SPDX-License-Identifier: GPL-3.0-or-later
// The review of games of 60 moves as the game's window runs it:
//   ekobarama-review-bench [GAMES [DEPTH [TABLE-DIRECTORY [SEEDS]]]]
// plays GAMES games (4 by default) from the opening, the beginner against itself and against
// Moyen in turn (a fixed depth of 4), each cut at its 60th move (a game that ends sooner is played
// again with the next seed), and reviews each at the review's depth (or DEPTH) with the endgame
// table of SEEDS seeds (16 by default) kept in TABLE-DIRECTORY (by default the user's cache
// directory, as the game keeps it; built there first when it is not). Prints the wall time of each
// review, the moves valued from the table and the moves lost.
#include "ai/Player.h"
#include "ai/Review.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

int main(int argc, char** argv) {
    const int games = argc > 1 ? std::atoi(argv[1]) : 4;
    const int depth = argc > 2 ? std::atoi(argv[2]) : ai::kReviewDepth;
    const std::string directory = argc > 3 ? argv[3] : ai::CacheDirectory();
    const int seeds = argc > 4 ? std::atoi(argv[4]) : ai::kStoredTableSeeds;
    if (games < 1 || depth < 1 || depth > 64 || seeds < 12 || seeds > 20 || directory.empty()) {
        std::fprintf(stderr, "usage: ekobarama-review-bench [GAMES [DEPTH(1-64) [DIRECTORY "
                             "[SEEDS(12-20)]]]]\n");
        return 2;
    }
    ai::TEndgameTable table(ai::kSharedTableSeeds, ai::TStoredTableSettings{directory, seeds});
    table.BuildNow();
    std::printf("table of %d seeds (%s)\n", table.MaxSeeds(),
                table.Stored() == ai::TStoredTable::Mapped ? "read" : "built");

    std::uint32_t seed = 1;
    double total = 0;
    for (int g = 0; g < games; ++g) {
        std::vector<int> moves;
        while (moves.size() < 60) {
            moves.clear();
            ai::TPlayerOptions options;
            options.Seed = seed++;
            options.UseSharedTable = false;
            const auto first = ai::MakePlayer(ai::TLevel::Debutant, options);
            const auto second =
                ai::MakePlayer(g % 2 ? ai::TLevel::Moyen : ai::TLevel::Debutant, options);
            const std::atomic<bool> never{false};
            rules::TPosition position = rules::TPosition::Start();
            while (moves.size() < 60 && !rules::IsOver(position)) {
                ai::TComputerPlayer& player = position.ToMove == 1 ? *first : *second;
                moves.push_back(player.ChooseMove(position, never));
                rules::Play(position, moves.back());
            }
        }
        ai::TReviewSettings settings;
        settings.Table = &table;
        settings.Depth = depth;
        const std::atomic<bool> cancel{false};
        const auto start = std::chrono::steady_clock::now();
        const auto review = ai::ReviewGame(rules::TPosition::Start(), moves, settings, cancel);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        total += seconds;
        int exact = 0, lost = 0;
        for (const ai::TMoveReview& move : review) {
            exact += move.Source == ai::TValueSource::Table;
            lost += move.Loss() > 0;
        }
        std::printf("game %d (seed %u, %s): %zu moves reviewed at depth %d in %.2f s; %d exact, %d "
                    "lost seeds\n",
                    g + 1, seed - 1, g % 2 ? "debutant-moyen" : "debutant-debutant", review.size(),
                    depth, seconds, exact, lost);
    }
    std::printf("mean %.2f s a game of 60 moves\n", total / games);

    // The wait between a cancel, half a second into a review, and its end.
    std::atomic<bool> cancel{false};
    std::atomic<bool> started{false};
    std::chrono::steady_clock::time_point cancelled, ended;
    std::thread reviewer([&] {
        ai::TReviewSettings settings;
        settings.Table = &table;
        settings.Depth = 64; // that would not end by itself
        started = true;
        ai::ReviewGame(rules::TPosition::Start(), {3, 9, 4, 10}, settings, cancel);
        ended = std::chrono::steady_clock::now();
    });
    while (!started.load())
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    cancelled = std::chrono::steady_clock::now();
    cancel = true;
    reviewer.join();
    std::printf("cancelled after 0.5 s: the review ended %.2f ms later\n",
                std::chrono::duration<double, std::milli>(ended - cancelled).count());
    return 0;
}
