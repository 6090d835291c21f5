// SPDX-License-Identifier: GPL-3.0-or-later
// ekobarama-arena [--games N] [--seed S] [--ms T] [--weights S,E,M,B] A B
// Plays N games between two computer players (debutant, moyen, fort, expert, baseline) from
// varied openings, sides swapped on each opening, and prints A's points and move times.
// --weights gives A other weights of the evaluation (seeds on side, exposed pits, moves, big
// pit), for tuning them by matches against the usual ones.
// A game still going after 400 plies is ended there and judged like a finished one: the seeds
// on each side go to its owner.

#include "ai/Player.h"
#include "rules/Rules.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kMaxPlies = 400;
constexpr int kOpeningPlies = 4;

struct TArgs {
    int Games = 20;
    std::uint32_t Seed = 1;
    int Ms = 1000;
    std::string A, B;
    ai::TWeights WeightsOfA;
};

bool KnownPlayer(const std::string& name) {
    return name == "debutant" || name == "moyen" || name == "fort" || name == "expert" ||
           name == "baseline";
}

std::unique_ptr<ai::TComputerPlayer> Make(const std::string& name, const TArgs& args,
                                          std::uint32_t seed, const ai::TWeights& weights) {
    if (name == "baseline")
        return ai::MakeBaselinePlayer();
    ai::TPlayerOptions options;
    options.TimeMs = args.Ms;
    options.Seed = seed;
    options.Weights = weights;
    const ai::TLevel level = name == "debutant" ? ai::TLevel::Debutant
                             : name == "moyen"  ? ai::TLevel::Moyen
                             : name == "fort"   ? ai::TLevel::Fort
                                                : ai::TLevel::Expert;
    return ai::MakePlayer(level, options);
}

// A few random legal moves from the start that do not end the game.
rules::TPosition Opening(std::uint32_t seed, int opening) {
    std::mt19937 random(seed * 7919u + static_cast<std::uint32_t>(opening));
    for (;;) {
        rules::TPosition position = rules::TPosition::Start();
        for (int ply = 0; ply < kOpeningPlies && !rules::IsOver(position); ++ply) {
            const rules::TMoves moves = rules::LegalMoves(position);
            rules::Play(position, moves.Pit[random() % moves.Count]);
        }
        if (!rules::IsOver(position))
            return position;
    }
}

int Usage() {
    std::fprintf(stderr,
                 "usage: ekobarama-arena [--games N] [--seed S] [--ms T] [--weights S,E,M,B] A B\n"
                 "players: debutant, moyen, fort, expert, baseline\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    TArgs args;
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--games" || arg == "--seed" || arg == "--ms") && i + 1 < argc) {
            const long value = std::strtol(argv[++i], nullptr, 10);
            if (value < (arg == "--seed" ? 0 : 1))
                return Usage();
            if (arg == "--games")
                args.Games = static_cast<int>(value);
            else if (arg == "--seed")
                args.Seed = static_cast<std::uint32_t>(value);
            else
                args.Ms = static_cast<int>(value);
        } else if (arg == "--weights" && i + 1 < argc) {
            ai::TWeights& w = args.WeightsOfA;
            if (std::sscanf(argv[++i], "%d,%d,%d,%d", &w.SeedsOnSide, &w.Exposed, &w.Moves,
                            &w.BigPit) != 4)
                return Usage();
        } else if (KnownPlayer(arg)) {
            names.push_back(arg);
        } else {
            return Usage();
        }
    }
    if (names.size() != 2)
        return Usage();
    args.A = names[0];
    args.B = names[1];

    int wins = 0, draws = 0, losses = 0, adjudicated = 0;
    std::vector<double> times; // A's moves, in milliseconds
    const std::atomic<bool> cancel{false};
    for (int game = 0; game < args.Games; ++game) {
        const int sideOfA = game % 2 == 0 ? 1 : 2;
        rules::TPosition position = Opening(args.Seed, game / 2);
        std::array<std::unique_ptr<ai::TComputerPlayer>, 3> players;
        const std::uint32_t seed = args.Seed + 2u * static_cast<std::uint32_t>(game);
        players[sideOfA] = Make(args.A, args, seed, args.WeightsOfA);
        players[3 - sideOfA] = Make(args.B, args, seed + 1u, ai::TWeights{});
        int ply = 0;
        for (; ply < kMaxPlies && !rules::IsOver(position); ++ply) {
            const auto start = std::chrono::steady_clock::now();
            const int pit = players[position.ToMove]->ChooseMove(position, cancel);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            if (!position.IsLegal(pit)) {
                std::fprintf(stderr, "game %d: illegal move %d\n", game + 1, pit);
                return 1;
            }
            if (position.ToMove == sideOfA)
                times.push_back(ms);
            rules::Play(position, pit);
        }
        adjudicated += ply == kMaxPlies;
        const rules::TOutcome outcome = rules::Outcome(position);
        const int a = outcome.Final[sideOfA], b = outcome.Final[3 - sideOfA];
        wins += a > b;
        draws += a == b;
        losses += a < b;
        std::printf("game %d: %s as player %d, %d-%d after %d plies%s\n", game + 1, args.A.c_str(),
                    sideOfA, a, b, ply,
                    ply == kMaxPlies ? " (stopped and judged by the seeds on each side)" : "");
        std::fflush(stdout);
    }
    std::sort(times.begin(), times.end());
    const double median = times.empty() ? 0 : times[times.size() / 2];
    const double longest = times.empty() ? 0 : times.back();
    std::printf("%d games, %d stopped at %d plies\n", args.Games, adjudicated, kMaxPlies);
    std::printf("%s vs %s: points %s %.1f%% (wins %d, draws %d, losses %d), move time median %.0f "
                "ms, max %.0f ms\n",
                args.A.c_str(), args.B.c_str(), args.A.c_str(),
                100.0 * (wins + 0.5 * draws) / args.Games, wins, draws, losses, median, longest);
    return 0;
}
