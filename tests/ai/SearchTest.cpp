// SPDX-License-Identifier: GPL-3.0-or-later
// The search against plain minimax: a negamax written here without pruning, table or ordering,
// with the search's own evaluation at the horizon and the same convention for a repetition (a
// position met again on the line, with the same player to move, counts 0). The late-move
// reductions, which change values on purpose, are off but for a test of their own.
#include "ai/Search.h"
#include "ai/EndgameTable.h"
#include "tests/rules/RandomPosition.h"

#include <gtest/gtest.h>
#include <unordered_map>
#include <vector>

namespace {

struct TMinimax {
    explicit TMinimax(const ai::TSearcher& evaluator, bool repetition = true)
        : Evaluator(evaluator), Repetition(repetition) {}
    const ai::TSearcher& Evaluator;
    const bool Repetition;
    std::vector<std::uint64_t> Line;
    bool Repeated = false; // a repetition was met

    int operator()(const rules::TPosition& position, int depth) {
        if (rules::IsOver(position))
            return ai::kSeed * (position.SeedsOnSide(position.ToMove) -
                                position.SeedsOnSide(rules::Opponent(position.ToMove)));
        const std::uint64_t key = ai::Key(position);
        for (std::size_t back = 0; Repetition && back < Line.size(); ++back)
            if (Line[back] == key) {
                Repeated = true;
                return 0;
            }
        if (depth == 0)
            return Evaluator.Evaluate(position);
        Line.push_back(key);
        int best = -1 << 20;
        for (const int pit : rules::LegalMoves(position)) {
            rules::TPosition child = position;
            const int taken = rules::Play(child, pit).Captured;
            best = std::max(best, ai::kSeed * taken - (*this)(child, depth - 1));
        }
        Line.pop_back();
        return best;
    }
};

ai::TSearchSettings PlainSettings() {
    ai::TSearchSettings settings;
    settings.LateMoveReductions = false;
    return settings;
}

const std::atomic<bool> kGo{false};

} // namespace

// Every board of n seeds, either player to move, that is not over.
std::vector<rules::TPosition> EveryPosition(int seeds) {
    std::vector<rules::TPosition> positions;
    rules::TPosition position;
    position.Score[1] = static_cast<std::uint8_t>(rules::kTotalSeeds - seeds);
    const auto fill = [&](auto& self, int pit, int left) -> void {
        if (pit == rules::kPits) {
            position.Seeds[pit] = static_cast<std::uint8_t>(left);
            for (const std::uint8_t side : {1, 2}) {
                position.ToMove = side;
                if (!rules::IsOver(position))
                    positions.push_back(position);
            }
            return;
        }
        for (int s = 0; s <= left; ++s) {
            position.Seeds[pit] = static_cast<std::uint8_t>(s);
            self(self, pit + 1, left - s);
        }
    };
    fill(fill, 1, seeds);
    return positions;
}

// Without the transposition table the search's value is minimax's: over random full boards to
// depths 1 to 6, and over every position of 3 seeds to depths 12 to 14, where the shortest lines
// that come back to a position (one lap of the seeds, 12 plies) decide some values.
TEST(Search, WithoutTheTableTheValueIsMinimax) {
    ai::TSearchSettings settings = PlainSettings();
    settings.TranspositionTable = false;
    ai::TSearcher searcher(settings);
    std::vector<std::pair<rules::TPosition, int>> cases;
    std::mt19937 random(17);
    for (int trial = 0; trial < 200; ++trial)
        cases.push_back({RandomPosition(random), 1 + trial % 6});
    for (const rules::TPosition& position : EveryPosition(3))
        for (const int depth : {12, 13, 14})
            cases.push_back({position, depth});
    int decided = 0; // values that the repetition rule changes
    for (const auto& [position, depth] : cases) {
        TMinimax minimax(searcher);
        const int expected = minimax(position, depth);
        decided += minimax.Repeated && TMinimax(searcher, false)(position, depth) != expected;
        ASSERT_EQ(searcher.Value(position, depth, kGo), expected) << "depth " << depth;
        // A root with one move is not searched.
        if (rules::IsOver(position) || rules::LegalMoves(position).Count < 2)
            continue;
        ai::TSearchLimits limits;
        limits.MaxDepth = depth;
        ASSERT_EQ(searcher.Search(position, limits, kGo).Value, expected) << "depth " << depth;
    }
    EXPECT_GE(decided, 10);
}

// Positions of the game before the root count as those of the line: a line that comes back to
// one of them is valued 0. Over every position of 3 seeds, the game being the positions of a
// random walk of 6 moves from it (as if they had been played before), to depth 12.
TEST(Search, PositionsOfTheGameBeforeTheRootCountAsRepetitions) {
    ai::TSearchSettings settings = PlainSettings();
    settings.TranspositionTable = false; // which keeps one value for a position whatever the game
    ai::TSearcher searcher(settings);
    std::mt19937 random(19);
    int decided = 0;
    for (const rules::TPosition& root : EveryPosition(3)) {
        if (rules::LegalMoves(root).Count < 2)
            continue;
        ai::TSearchLimits limits;
        limits.MaxDepth = 12;
        TMinimax minimax(searcher);
        rules::TPosition walk = root;
        for (int ply = 0; ply < 6 && !rules::IsOver(walk); ++ply) {
            const rules::TMoves moves = rules::LegalMoves(walk);
            rules::Play(walk, moves.Pit[random() % moves.Count]);
            if (ai::Key(walk) != ai::Key(root))
                limits.Game.push_back(ai::Key(walk));
        }
        minimax.Line = limits.Game;
        const int expected = minimax(root, limits.MaxDepth);
        decided += expected != TMinimax(searcher)(root, limits.MaxDepth);
        ASSERT_EQ(searcher.Search(root, limits, kGo).Value, expected);
    }
    EXPECT_GE(decided, 10);
}

// With the table, over sequences of searches that share it: each root searched to depths 1 to 5,
// then each of its children to the depth below, then the root again. The later searches meet
// entries of their own depth and cut off on the bounds stored.
TEST(Search, WithTheTableSharedBySearchesTheValueIsMinimax) {
    ai::TSearchSettings settings = PlainSettings();
    settings.TableBits = 14;
    ai::TSearcher searcher(settings);
    std::mt19937 random(23);
    for (int trial = 0; trial < 150; ++trial) {
        const rules::TPosition root = RandomPosition(random);
        if (rules::IsOver(root))
            continue;
        const int depth = 2 + trial % 4;
        const auto check = [&](const rules::TPosition& position, int d) {
            TMinimax minimax(searcher);
            const int expected = minimax(position, d);
            if (minimax.Repeated) // the table keeps one value for all the lines to a position
                return;
            ai::TSearchLimits limits;
            limits.MaxDepth = d;
            if (!rules::IsOver(position) && rules::LegalMoves(position).Count > 1) {
                ASSERT_EQ(searcher.Search(position, limits, kGo).Value, expected)
                    << "trial " << trial << " depth " << d;
            }
            ASSERT_EQ(searcher.Value(position, d, kGo), expected)
                << "trial " << trial << " depth " << d;
        };
        check(root, depth);
        for (const int pit : rules::LegalMoves(root)) {
            rules::TPosition child = root;
            rules::Play(child, pit);
            check(child, depth - 1);
        }
        check(root, depth);
    }
}

// Late-move reductions search a late quiet move two plies less deep with a null window first, and
// again at full depth when it beats alpha; a move that does not stays out. So a value that comes
// out strictly inside the window is always that of a line searched at full depth: with the
// reductions at the node itself (a value to depth 3, searched as a node inside the tree), it is
// the exact value of one of its moves (minimax to the depth below), and no more than minimax's; at
// the root of a search to depth 4 (the reductions at the replies), it is the exact value of one
// reply to the move chosen, and no less than that move's minimax value. Over random boards,
// without the transposition table (which keeps values of other windows).
TEST(Search, LateMoveReductionsKeepOnlyValuesSearchedAtFullDepth) {
    ai::TSearchSettings settings = PlainSettings();
    settings.TranspositionTable = false;
    settings.LateMoveReductions = true;
    ai::TSearcher searcher(settings);
    const auto exact = [&](const std::vector<std::uint64_t>& line, const rules::TPosition& position,
                           int pit, int depth) {
        TMinimax minimax(searcher);
        minimax.Line = line;
        rules::TPosition child = position;
        const int taken = rules::Play(child, pit).Captured;
        return ai::kSeed * taken - minimax(child, depth);
    };
    std::mt19937 random(37);
    int changed = 0; // values the reductions change
    for (int trial = 0; trial < 400; ++trial) {
        const rules::TPosition position = RandomPosition(random);
        if (rules::IsOver(position) || rules::LegalMoves(position).Count < 2)
            continue;
        const std::vector<std::uint64_t> root{ai::Key(position)};
        const int value = searcher.Value(position, 3, kGo);
        bool found = false;
        for (const int pit : rules::LegalMoves(position))
            found = found || exact(root, position, pit, 2) == value;
        ASSERT_TRUE(found) << "trial " << trial << ": value " << value << " of no move";
        const int plain = TMinimax(searcher)(position, 3);
        ASSERT_LE(value, plain) << "trial " << trial;
        changed += value != plain;

        ai::TSearchLimits limits;
        limits.MaxDepth = 4;
        const ai::TSearchResult result = searcher.Search(position, limits, kGo);
        ASSERT_EQ(result.Depth, 4);
        rules::TPosition child = position;
        const int gain = ai::kSeed * rules::Play(child, result.Move).Captured;
        found = false;
        if (rules::IsOver(child))
            found = exact({}, position, result.Move, 0) == result.Value;
        for (const int reply : rules::LegalMoves(child))
            found =
                found || gain - exact({root[0], ai::Key(child)}, child, reply, 2) == result.Value;
        ASSERT_TRUE(found) << "trial " << trial << ": value " << result.Value << " of no reply";
        const int chosen = exact(root, position, result.Move, 3);
        ASSERT_GE(result.Value, chosen) << "trial " << trial;
        changed += result.Value != chosen;
    }
    EXPECT_GE(changed, 20);
}

// Whether some position is met at two plies of the tree to a depth: a search may then cut off on
// an entry stored from the shallower one, searched deeper than the deeper one needs.
bool Transposes(const rules::TPosition& root, int depth) {
    std::unordered_map<std::uint64_t, int> plyOf;
    bool found = false;
    const auto walk = [&](auto& self, const rules::TPosition& position, int ply) -> void {
        if (found || rules::IsOver(position))
            return;
        const auto [known, added] = plyOf.emplace(ai::Key(position), ply);
        found = !added && known->second != ply;
        for (int pit = 1; ply < depth && pit <= rules::kPits; ++pit)
            if (position.IsLegal(pit)) {
                rules::TPosition child = position;
                rules::Play(child, pit);
                self(self, child, ply + 1);
            }
    };
    walk(walk, root, 0);
    return found;
}

// Several threads search one root, sharing the transposition table; the first one's result is the
// answer. Without the reductions, to a fixed depth, the others search no deeper than that depth,
// so that an entry the first one cuts off on in its last depth was searched from the same position
// at the same ply, as deep as it needs: its value is minimax's, where no position comes back on a
// line (the values then depend on the line) and none is met at two plies of the tree. Where the
// endgame table holds the root, the value is the table's and the move keeps it. Random positions.
TEST(Search, SeveralThreadsSearchingOneRootGiveItsExactValue) {
    std::mt19937 random(41);
    int compared = 0;
    for (int trial = 0; trial < 150; ++trial) {
        const rules::TPosition position = RandomPosition(random);
        if (rules::IsOver(position) || rules::LegalMoves(position).Count < 2)
            continue;
        ai::TSearchSettings settings = PlainSettings();
        settings.TableBits = 12;
        settings.Threads = 3; // one at the first one's depth, one a depth deeper
        ai::TSearcher searcher(settings);
        const int depth = 2 + trial % 5;
        TMinimax minimax(searcher);
        const int expected = minimax(position, depth);
        if (minimax.Repeated || Transposes(position, depth))
            continue;
        ai::TSearchLimits limits;
        limits.MaxDepth = depth;
        const ai::TSearchResult result = searcher.Search(position, limits, kGo);
        ASSERT_EQ(result.Depth, depth);
        ASSERT_EQ(result.Value, expected) << "trial " << trial;
        ASSERT_TRUE(position.IsLegal(result.Move));
        rules::TPosition child = position;
        const int gain = ai::kSeed * rules::Play(child, result.Move).Captured;
        TMinimax reply(searcher);
        reply.Line = {ai::Key(position)};
        ASSERT_EQ(gain - reply(child, depth - 1), expected) << "trial " << trial;
        ++compared;
    }
    EXPECT_GE(compared, 100);

    ai::TEndgameTable table(8);
    table.BuildNow();
    ai::TSearchSettings settings;
    settings.Table = &table;
    settings.Threads = 2;
    ai::TSearcher searcher(settings);
    ai::TSearchLimits limits;
    limits.MaxDepth = 12;
    compared = 0;
    for (int trial = 0; trial < 300; ++trial) {
        const rules::TPosition position = RandomPosition(random, 8);
        int exact = 0;
        if (rules::IsOver(position) || rules::LegalMoves(position).Count < 2 ||
            !table.Probe(position, exact))
            continue;
        const ai::TSearchResult result = searcher.Search(position, limits, kGo);
        ASSERT_EQ(result.Value, ai::kSeed * exact) << "trial " << trial;
        ASSERT_TRUE(position.IsLegal(result.Move));
        rules::TPosition child = position;
        const int taken = rules::Play(child, result.Move).Captured;
        int after = 0;
        ASSERT_TRUE(table.Probe(child, after));
        ASSERT_EQ(taken - after, exact) << "trial " << trial;
        ++compared;
    }
    EXPECT_GE(compared, 150);
}

// The evaluation speaks for the player to move: over random positions of at most 10 seeds it has
// the sign of the exact margin (from the endgame table) far more often than the other one.
TEST(Search, TheEvaluationHasTheSignOfTheExactMargin) {
    ai::TEndgameTable table(10);
    table.BuildNow();
    ai::TSearcher searcher(ai::TSearchSettings{});
    std::mt19937 random(31);
    int agree = 0, disagree = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        const rules::TPosition position = RandomPosition(random, 10);
        int exact = 0;
        if (rules::IsOver(position) || !table.Probe(position, exact) || exact == 0)
            continue;
        const int value = searcher.Evaluate(position);
        agree += (value > 0 && exact > 0) || (value < 0 && exact < 0);
        disagree += (value > 0 && exact < 0) || (value < 0 && exact > 0);
    }
    EXPECT_GT(agree, 2 * disagree) << agree << " agree, " << disagree << " disagree";
}
