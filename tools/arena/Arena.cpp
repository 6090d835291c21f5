// SPDX-License-Identifier: GPL-3.0-or-later
// ekobarama-arena [--games N] [--seed S] [--ms T] [--weights S,E,M,B] [--engine-a CMD]
//                 [--engine-b CMD] [--threads-a N] [--threads-b N] [--rules full|standard]
//                 [A] [B]
// Plays N games between two computer players (debutant, moyen, fort, expert, baseline) from
// varied openings, sides swapped on each opening, and prints A's points and move times. Either
// player can instead be a program speaking the engine protocol (docs/engine-protocol.md), started
// by /bin/sh -c CMD once for the match and given T ms a move: another build of the engine, say,
// to match it against this one at equal time.
// --weights gives A other weights of the evaluation (seeds on side, exposed pits, moves, big
// pit), for tuning them by matches against the usual ones.
// --threads-a and --threads-b give A or B its search threads: a program speaking the protocol is
// sent "threads N" (it searches with one otherwise), Expert searches with N instead of the game's
// own count (GameThreads); the other levels search with one thread and take no count.
// --rules full plays the games by the complete rules (no killing, feeding): the openings, the
// players and their endgame table, and the engines (sent "rules full") follow them.
// The points are given with twice their standard error (from the spread of the games' results):
// a difference within it is no difference shown.
// A game still going after 400 plies is ended there and judged like a finished one: the seeds
// on each side go to its owner.

#include "ai/Player.h"
#include "files/Files.h"
#include "rules/Rules.h"
#include "tools/arena/EngineProcess.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
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
    std::string EngineA, EngineB; // commands; empty for a player of this build
    ai::TWeights WeightsOfA;
    int ThreadsA = 0, ThreadsB = 0; // 0: the player's own
    rules::TRuleSet Rules = rules::TRuleSet::Standard;
};

bool KnownPlayer(const std::string& name) {
    return name == "debutant" || name == "moyen" || name == "fort" || name == "expert" ||
           name == "baseline";
}

std::unique_ptr<ai::TComputerPlayer> Make(const std::string& name, const TArgs& args,
                                          std::uint32_t seed, const ai::TWeights& weights,
                                          int threads) {
    if (name == "baseline")
        return ai::MakeBaselinePlayer();
    ai::TPlayerOptions options;
    options.TimeMs = args.Ms;
    options.Seed = seed;
    options.Weights = weights;
    options.Threads = threads;
    options.Rules = args.Rules;
    const ai::TLevel level = name == "debutant" ? ai::TLevel::Debutant
                             : name == "moyen"  ? ai::TLevel::Moyen
                             : name == "fort"   ? ai::TLevel::Fort
                                                : ai::TLevel::Expert;
    return ai::MakePlayer(level, options);
}

// A few random legal moves from the start that do not end the game.
std::vector<int> Opening(std::uint32_t seed, int opening, rules::TRuleSet ruleSet) {
    std::mt19937 random(seed * 7919u + static_cast<std::uint32_t>(opening));
    for (;;) {
        rules::TPosition position = rules::TPosition::Start(ruleSet);
        std::vector<int> played;
        for (int ply = 0; ply < kOpeningPlies && !rules::IsOver(position); ++ply) {
            const rules::TMoves moves = rules::LegalMoves(position);
            played.push_back(moves.Pit[random() % moves.Count]);
            rules::Play(position, played.back());
        }
        if (!rules::IsOver(position))
            return played;
    }
}

// One side of the match: a player of this build, made afresh for each game, or a program
// speaking the engine protocol, started once for the match.
class TSide {
public:
    TSide(const std::string& name, const std::string& command, const TArgs& args,
          const ai::TWeights& weights, int threads)
        : name_(name), args_(args), weights_(weights), threads_(threads) {
        if (!command.empty()) {
            engine_ = std::make_unique<TEngineProcess>(command);
            name_ += " (" + engine_->Name() + ")";
            if (threads_ > 0)
                engine_->SetThreads(threads_);
            if (args_.Rules == rules::TRuleSet::Full)
                engine_->SetRules("full");
        }
    }
    const std::string& Name() const { return name_; }
    void NewGame(std::uint32_t seed) {
        if (engine_)
            engine_->NewGame();
        else
            player_ = Make(name_, args_, seed, weights_, threads_);
    }
    int Move(const rules::TPosition& position, const std::vector<int>& moves) {
        if (engine_)
            return engine_->Move(moves, args_.Ms);
        const std::atomic<bool> cancel{false};
        return player_->ChooseMove(position, cancel);
    }

private:
    std::string name_;
    const TArgs& args_;
    const ai::TWeights weights_;
    const int threads_;
    std::unique_ptr<TEngineProcess> engine_;
    std::unique_ptr<ai::TComputerPlayer> player_;
};

int Match(const TArgs& args);

int Usage() {
    std::fprintf(stderr,
                 "usage: ekobarama-arena [--games N] [--seed S] [--ms T] [--weights S,E,M,B]\n"
                 "                       [--engine-a CMD] [--engine-b CMD] [--threads-a N]\n"
                 "                       [--threads-b N] [--rules full|standard] [A] [B]\n"
                 "players: debutant, moyen, fort, expert, baseline; --engine-a and --engine-b\n"
                 "make A or B a program speaking the engine protocol, run by /bin/sh -c CMD;\n"
                 "--threads-a and --threads-b give an engine or expert its search threads (1 to "
                 "%d)\n",
                 ai::kMaxThreads);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    TArgs args;
    std::vector<std::string> names;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--games" || arg == "--seed" || arg == "--ms") && i + 1 < argc) {
            const std::optional<long long> value = files::ParseInteger(
                argv[++i], arg == "--seed" ? 0 : 1, arg == "--seed" ? UINT32_MAX : INT_MAX);
            if (!value)
                return Usage();
            if (arg == "--games")
                args.Games = static_cast<int>(*value);
            else if (arg == "--seed")
                args.Seed = static_cast<std::uint32_t>(*value);
            else
                args.Ms = static_cast<int>(*value);
        } else if (arg == "--weights" && i + 1 < argc) {
            ai::TWeights& w = args.WeightsOfA;
            if (std::sscanf(argv[++i], "%d,%d,%d,%d", &w.SeedsOnSide, &w.Exposed, &w.Moves,
                            &w.BigPit) != 4)
                return Usage();
        } else if ((arg == "--threads-a" || arg == "--threads-b") && i + 1 < argc) {
            const std::optional<long long> value =
                files::ParseInteger(argv[++i], 1, ai::kMaxThreads);
            if (!value)
                return Usage();
            (arg == "--threads-a" ? args.ThreadsA : args.ThreadsB) = static_cast<int>(*value);
        } else if ((arg == "--engine-a" || arg == "--engine-b") && i + 1 < argc) {
            (arg == "--engine-a" ? args.EngineA : args.EngineB) = argv[++i];
            if (std::string(argv[i]).empty())
                return Usage();
        } else if (arg == "--rules" && i + 1 < argc) {
            const std::string word = argv[++i];
            if (word != "full" && word != "standard")
                return Usage();
            args.Rules = word == "full" ? rules::TRuleSet::Full : rules::TRuleSet::Standard;
        } else if (KnownPlayer(arg)) {
            names.push_back(arg);
        } else {
            return Usage();
        }
    }
    if (names.size() + !args.EngineA.empty() + !args.EngineB.empty() != 2)
        return Usage();
    std::size_t next = 0;
    args.A = args.EngineA.empty() ? names[next++] : "engine-a";
    args.B = args.EngineB.empty() ? names[next++] : "engine-b";
    // Only the engines and Expert search with more than one thread.
    if ((args.ThreadsA && args.EngineA.empty() && args.A != "expert") ||
        (args.ThreadsB && args.EngineB.empty() && args.B != "expert"))
        return Usage();
    try {
        return Match(args);
    } catch (const EEngineError& error) {
        std::fprintf(stderr, "ekobarama-arena: %s\n", error.what());
        return 1;
    }
}

namespace {

int Match(const TArgs& args) {
    TSide sideA(args.A, args.EngineA, args, args.WeightsOfA, args.ThreadsA);
    TSide sideB(args.B, args.EngineB, args, ai::TWeights{}, args.ThreadsB);

    int wins = 0, draws = 0, losses = 0, adjudicated = 0;
    double sumOfSquares = 0;   // of A's points per game, 0, 0.5 or 1
    std::vector<double> times; // A's moves, in milliseconds
    for (int game = 0; game < args.Games; ++game) {
        const int sideOfA = game % 2 == 0 ? 1 : 2;
        std::vector<int> moves = Opening(args.Seed, game / 2, args.Rules);
        rules::TPosition position = rules::TPosition::Start(args.Rules);
        for (const int pit : moves)
            rules::Play(position, pit);
        std::array<TSide*, 3> players{};
        players[sideOfA] = &sideA;
        players[3 - sideOfA] = &sideB;
        const std::uint32_t seed = args.Seed + 2u * static_cast<std::uint32_t>(game);
        sideA.NewGame(seed);
        sideB.NewGame(seed + 1u);
        int ply = 0;
        for (; ply < kMaxPlies && !rules::IsOver(position); ++ply) {
            const auto start = std::chrono::steady_clock::now();
            const int pit = players[position.ToMove]->Move(position, moves);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            if (!position.IsLegal(pit)) {
                std::fprintf(stderr, "game %d: illegal move %d by %s\n", game + 1, pit,
                             players[position.ToMove]->Name().c_str());
                return 1;
            }
            if (position.ToMove == sideOfA)
                times.push_back(ms);
            rules::Play(position, pit);
            moves.push_back(pit);
        }
        adjudicated += ply == kMaxPlies;
        const rules::TOutcome outcome = rules::Outcome(position);
        const int a = outcome.Final[sideOfA], b = outcome.Final[3 - sideOfA];
        wins += a > b;
        draws += a == b;
        losses += a < b;
        sumOfSquares += a > b ? 1.0 : a == b ? 0.25 : 0.0;
        std::printf("game %d: %s as player %d, %d-%d after %d plies%s\n", game + 1,
                    sideA.Name().c_str(), sideOfA, a, b, ply,
                    ply == kMaxPlies ? " (stopped and judged by the seeds on each side)" : "");
        std::fflush(stdout);
    }
    std::sort(times.begin(), times.end());
    const double median = times.empty() ? 0 : times[times.size() / 2];
    const double longest = times.empty() ? 0 : times.back();
    std::printf("%d games, %d stopped at %d plies\n", args.Games, adjudicated, kMaxPlies);
    const double n = args.Games, mean = (wins + 0.5 * draws) / n;
    const double variance = n > 1 ? std::max(0.0, (sumOfSquares - n * mean * mean) / (n - 1)) : 0;
    std::printf("%s vs %s: points %s %.1f%% +- %.1f%% (wins %d, draws %d, losses %d), move time "
                "median %.0f ms, max %.0f ms\n",
                sideA.Name().c_str(), sideB.Name().c_str(), sideA.Name().c_str(), 100.0 * mean,
                200.0 * std::sqrt(variance / n), wins, draws, losses, median, longest);
    return 0;
}

} // namespace
