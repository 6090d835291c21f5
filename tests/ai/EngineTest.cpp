// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/Player.h"
#include "ai/Search.h"
#include "tests/rules/RandomPosition.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <map>
#include <thread>

// Every level and the baseline, on random positions of either rule set that are not over: a legal
// pit every time.
TEST(Engine, EveryPlayerChoosesALegalMove) {
    ai::TPlayerOptions options;
    options.TimeMs = 8;
    options.UseSharedTable = false;
    std::vector<std::unique_ptr<ai::TComputerPlayer>> players;
    for (const ai::TLevel level :
         {ai::TLevel::Debutant, ai::TLevel::Moyen, ai::TLevel::Fort, ai::TLevel::Expert})
        players.push_back(ai::MakePlayer(level, options));
    players.push_back(ai::MakeBaselinePlayer());
    std::mt19937 random(99);
    const std::atomic<bool> cancel{false};
    // By the full rules, positions where they forbid a move (few seeds: moves that kill or that
    // do not feed).
    const auto forbidsOne = [](rules::TPosition position) {
        const int full = rules::LegalMoves(position).Count;
        position.Rules = rules::TRuleSet::Standard;
        return rules::LegalMoves(position).Count > full;
    };
    for (int trial = 0; trial < 60; ++trial) {
        const bool full = trial % 2;
        rules::TPosition position;
        do {
            position = RandomPosition(random, full ? 8 : rules::kTotalSeeds);
            position.Rules = full ? rules::TRuleSet::Full : rules::TRuleSet::Standard;
        } while (full && !forbidsOne(position));
        if (rules::IsOver(position))
            continue;
        for (std::size_t p = 0; p < players.size(); ++p) {
            const int pit = players[p]->ChooseMove(position, cancel);
            ASSERT_TRUE(position.IsLegal(pit)) << "player " << p << " trial " << trial;
        }
    }
}

// A search with no limit of its own returns a legal move once another thread cancels it, and one
// cancelled before it starts still returns a legal move; with one thread and with several (whose
// others end with the first: the search would not return otherwise).
TEST(Engine, ACancelledSearchStillReturnsALegalMove) {
    for (const int threads : {1, 3}) {
        ai::TSearchSettings settings;
        settings.Threads = threads;
        ai::TSearcher searcher(settings);
        rules::TPosition position = rules::TPosition::Start();
        rules::Play(position, 3);
        std::atomic<bool> cancel{true};
        EXPECT_TRUE(position.IsLegal(searcher.Search(position, {}, cancel).Move));

        cancel = false;
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
            cancel = true;
        });
        const ai::TSearchResult result = searcher.Search(position, {}, cancel);
        canceller.join();
        EXPECT_TRUE(position.IsLegal(result.Move)) << threads << " threads";
        EXPECT_LT(result.Depth, 64) << threads << " threads";
    }
}

// Without a clock the search is repeatable, and a node limit is obeyed.
TEST(Engine, NodeAndDepthLimits) {
    const std::atomic<bool> cancel{false};
    ai::TSearchLimits limits;
    limits.MaxDepth = 6;
    const rules::TPosition start = rules::TPosition::Start();
    const ai::TSearchResult a = ai::TSearcher(ai::TSearchSettings{}).Search(start, limits, cancel);
    const ai::TSearchResult b = ai::TSearcher(ai::TSearchSettings{}).Search(start, limits, cancel);
    EXPECT_EQ(a.Depth, 6);
    EXPECT_EQ(a.Move, b.Move);
    EXPECT_EQ(a.Value, b.Value);
    limits.MaxDepth = 64;
    limits.MaxNodes = 5000;
    const ai::TSearchResult c = ai::TSearcher(ai::TSearchSettings{}).Search(start, limits, cancel);
    EXPECT_LE(c.Nodes, 5000u);
    EXPECT_TRUE(start.IsLegal(c.Move));
    // The limit is the first thread's: the others stop with it, and their nodes are counted too.
    ai::TSearchSettings threads;
    threads.Threads = 3;
    const ai::TSearchResult d = ai::TSearcher(threads).Search(start, limits, cancel);
    EXPECT_GE(d.Nodes, 5000u);
    EXPECT_TRUE(start.IsLegal(d.Move));
    // The root's moves restricted to each pit in turn: that pit.
    limits.MaxNodes = 0;
    limits.MaxDepth = 4;
    for (const int pit : rules::LegalMoves(start)) {
        limits.RootMoves = 1u << pit;
        EXPECT_EQ(ai::TSearcher(ai::TSearchSettings{}).Search(start, limits, cancel).Move, pit);
    }
}

// The rules let a game turn in circles for ever, and two players that cannot surprise each other
// could follow one: two Moyen players, from many openings of four random moves, finish every
// game, long before a bound far above the longest game seen.
TEST(Engine, TwoSearchPlayersFinishEveryGame) {
    while (!ai::SharedEndgameTable().Ready())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::mt19937 random(2024);
    const std::atomic<bool> cancel{false};
    for (int game = 0; game < 1000; ++game) {
        rules::TPosition position = rules::TPosition::Start();
        for (int ply = 0; ply < 4 && !rules::IsOver(position); ++ply) {
            const rules::TMoves moves = rules::LegalMoves(position);
            rules::Play(position, moves.Pit[random() % moves.Count]);
        }
        std::array<std::unique_ptr<ai::TComputerPlayer>, 3> players;
        players[1] = ai::MakePlayer(ai::TLevel::Moyen);
        players[2] = ai::MakePlayer(ai::TLevel::Moyen);
        int ply = 0;
        for (; ply < 3000 && !rules::IsOver(position); ++ply)
            rules::Play(position, players[position.ToMove]->ChooseMove(position, cancel));
        ASSERT_TRUE(rules::IsOver(position)) << "game " << game;
    }
}

// An opponent that brings a position back on purpose gains nothing: a Moyen player met with the
// same position again and again (eight times; the circle breaker plays other moves from the third)
// answers each time with a move worth the best, valued by a search of its own to the same depth,
// without transposition table.
TEST(Engine, AnOpponentThatRepeatsAPositionGainsNothing) {
    ai::TSearchSettings settings;
    settings.TranspositionTable = false;
    settings.LateMoveReductions = false; // as Moyen
    ai::TSearcher checker(settings);
    std::mt19937 random(77);
    const std::atomic<bool> cancel{false};
    int moved = 0; // answers that differ from the first one
    for (int trial = 0; trial < 150; ++trial) {
        const rules::TPosition position = RandomPosition(random);
        if (rules::IsOver(position) || rules::LegalMoves(position).Count < 2)
            continue;
        ai::TPlayerOptions options;
        options.UseSharedTable = false;
        const auto player = ai::MakePlayer(ai::TLevel::Moyen, options);
        const int best = checker.Value(position, 4, cancel);
        int first = 0;
        for (int time = 1; time <= 8; ++time) {
            const int pit = player->ChooseMove(position, cancel);
            rules::TPosition child = position;
            const int taken = rules::Play(child, pit).Captured;
            ASSERT_EQ(ai::kSeed * taken - checker.Value(child, 3, cancel), best)
                << "trial " << trial << ", time " << time << " at the position, pit " << pit;
            first = time == 1 ? pit : first;
            moved += pit != first;
        }
    }
    EXPECT_GT(moved, 0); // the breaker still plays other moves of the same value
}

// Where the endgame table holds the positions the computer plays exactly, and an opponent that
// brings positions back on purpose gains nothing and cannot keep the computer from ending a game it
// wins. From random positions of up to 11 seeds, an Expert player against a scripted opponent that
// keeps its exact value and, among the moves that do, takes one that leads back to a position of
// the game when there is one (else the last in pit order, which turns in circles from one position
// in six when both sides play so): a game that ends gives the computer the table's value of its
// first position (its value, since the opponent never gives any away); one still turning after
// 600 plies is at a position where the computer wins nothing by leaving (the opponent, ahead,
// keeps it there: the computer's margin is then what it harvested, as much as its value).
TEST(Engine, AnOpponentThatRepeatsPositionsNeitherGainsNorKeepsTheGameGoing) {
    const ai::TEndgameTable& table = ai::SharedEndgameTable();
    while (!table.Ready())
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto value = [&](const rules::TPosition& position) {
        int margin = 0;
        EXPECT_TRUE(table.Probe(position, margin));
        return margin;
    };
    std::mt19937 random(31);
    const std::atomic<bool> cancel{false};
    int finished = 0, endless = 0, longest = 0;
    for (int game = 0; game < 300; ++game) {
        const rules::TPosition start = RandomPosition(random, 11);
        if (rules::IsOver(start))
            continue;
        const int computer = start.ToMove, opponent = rules::Opponent(computer);
        ai::TPlayerOptions options;
        options.TimeMs = 5;
        const auto player = ai::MakePlayer(ai::TLevel::Expert, options);
        std::vector<std::uint64_t> met{ai::Key(start)};
        rules::TPosition position = start;
        int ply = 0;
        for (; ply < 600 && !rules::IsOver(position); ++ply) {
            if (position.ToMove == computer) {
                rules::Play(position, player->ChooseMove(position, cancel));
            } else {
                int chosen = 0;
                for (const int pit : rules::LegalMoves(position)) {
                    rules::TPosition child = position;
                    const int taken = rules::Play(child, pit).Captured;
                    if (taken - value(child) != value(position))
                        continue;
                    const bool back =
                        std::find(met.begin(), met.end(), ai::Key(child)) != met.end();
                    chosen = pit;
                    if (back)
                        break;
                }
                ASSERT_NE(chosen, 0);
                rules::Play(position, chosen);
            }
            met.push_back(ai::Key(position));
        }
        int margin = (position.Score[computer] - start.Score[computer]) -
                     (position.Score[opponent] - start.Score[opponent]);
        if (rules::IsOver(position)) {
            margin += position.SeedsOnSide(computer) - position.SeedsOnSide(opponent);
            ++finished;
            longest = std::max(longest, ply);
            ASSERT_EQ(margin, value(start)) << "game " << game << " after " << ply << " plies";
        } else {
            const int left = position.ToMove == computer ? value(position) : -value(position);
            ASSERT_LE(left, 0) << "game " << game << ": the computer turns in circles";
            ASSERT_EQ(margin + left, value(start)) << "game " << game;
            ++endless;
        }
    }
    EXPECT_GE(finished, 200);
    std::printf("%d games finished (the longest in %d plies), %d kept turning by the opponent\n",
                finished, longest, endless);
}

namespace {

// Forced lines worked out from their definition, without the iterative deepening or the memory
// of ForcedLineMove: the player to move keeps the table's value of the root (target) at every
// move of his; a line ends at a harvest, at the end, or where he gets more than the target; the
// opponent may answer anything.
struct TForcedLines {
    const ai::TEndgameTable& Table;
    int Target = 0;
    std::map<std::pair<std::uint64_t, int>, bool> Known;

    int ValueOf(const rules::TPosition& position, int pit, rules::TPosition& child, int& taken) {
        child = position;
        taken = rules::Play(child, pit).Captured;
        int margin = 0;
        EXPECT_TRUE(Table.Probe(child, margin));
        return taken - margin;
    }
    // Whether pit starts a line of at most plies plies.
    bool Starts(const rules::TPosition& position, int pit, int plies) {
        rules::TPosition child;
        int taken = 0;
        const int value = ValueOf(position, pit, child, taken);
        if (value < Target)
            return false;
        if (taken > 0 || rules::IsOver(child) || value > Target)
            return true;
        if (plies < 3)
            return false;
        for (const int reply : rules::LegalMoves(child)) {
            rules::TPosition next;
            int harvest = 0;
            const int answer = ValueOf(child, reply, next, harvest);
            if (harvest == 0 && !rules::IsOver(next) && -answer <= Target &&
                !Exists(next, plies - 2))
                return false;
        }
        return true;
    }
    bool Exists(const rules::TPosition& position, int plies) {
        const auto key = std::make_pair(ai::Key(position), plies);
        if (const auto known = Known.find(key); known != Known.end())
            return known->second;
        bool found = false;
        for (const int pit : rules::LegalMoves(position))
            found = found || Starts(position, pit, plies);
        return Known[key] = found;
    }
};

} // namespace

// The forced-line search answers the first move of a shortest line, or 0 when there is none
// within its plies: over random positions of up to 8 seeds, against the lines worked out from
// their definition. A cancel already raised makes it answer 0 before it searches, and a player's
// exact play then goes without it.
TEST(Engine, TheForcedLineSearchFindsAShortestLine) {
    ai::TEndgameTable table(8);
    table.BuildNow();
    constexpr int kPlies = 15;
    std::mt19937 random(41);
    const std::atomic<bool> go{false}, cancelled{true};
    std::map<int, int> lengths; // how many positions have their shortest line of so many plies
    ai::TSearcher searcher(ai::TSearchSettings{});
    int cut = 0;
    for (int trial = 0; trial < 600; ++trial) {
        const rules::TPosition position = RandomPosition(random, 8);
        int value = 0;
        if (rules::IsOver(position) || !table.Probe(position, value))
            continue;
        const int pit = ai::ForcedLineMove(table, position, kPlies, 1u << 30, &go);
        TForcedLines lines{table, value, {}};
        int shortest = 1;
        while (shortest <= kPlies && !lines.Exists(position, shortest))
            shortest += 2;
        if (shortest > kPlies) {
            ASSERT_EQ(pit, 0) << "trial " << trial;
            continue;
        }
        ++lengths[shortest];
        ASSERT_TRUE(position.IsLegal(pit)) << "trial " << trial;
        ASSERT_TRUE(lines.Starts(position, pit, shortest))
            << "trial " << trial << ": pit " << pit << " starts no line of " << shortest
            << " plies";
        EXPECT_EQ(ai::ForcedLineMove(table, position, kPlies, 1u << 30, &cancelled), 0)
            << "trial " << trial;
        // A player's exact play, cancelled, plays the first of the best moves without the line.
        int first = 0;
        for (const int move : rules::LegalMoves(position)) {
            rules::TPosition child;
            int taken = 0;
            if (!first && lines.ValueOf(position, move, child, taken) == value)
                first = move;
        }
        const ai::TGameKnowledge game{{}, &table, ai::TExactPlay::Always};
        const auto play = [&](const std::atomic<bool>& cancel) {
            return ai::SearchInGame(searcher, position, {}, game, cancel).Move;
        };
        EXPECT_EQ(play(cancelled), first) << "trial " << trial;
        cut += play(go) != first;
    }
    EXPECT_GE(cut, 10);            // positions where the line's move is not the first of the best
    EXPECT_GE(lengths.size(), 4u); // lines of 1, 3, 5, 7 plies at least
    EXPECT_GE(lengths.rbegin()->first, 7);
}
