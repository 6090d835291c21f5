// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/Review.h"

#include "tests/rules/RandomPosition.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ctime>
#include <pthread.h>
#include <random>
#include <thread>

namespace {

const std::atomic<bool> kGo{false};

// Random legal moves from start, at most plies of them.
std::vector<int> RandomGame(rules::TPosition position, int plies, std::mt19937& random) {
    std::vector<int> moves;
    while (static_cast<int>(moves.size()) < plies && !rules::IsOver(position)) {
        const rules::TMoves legal = rules::LegalMoves(position);
        moves.push_back(legal.Pit[random() % static_cast<unsigned>(legal.Count)]);
        rules::Play(position, moves.back());
    }
    return moves;
}

// Plain alpha-beta to the depth, without move ordering, windows or transposition table: the
// minimax value of the moves of mask (0: all).
int Minimax(const ai::TEndgameTable& table, const rules::TPosition& position, int depth,
            const std::vector<std::uint64_t>& game, unsigned mask) {
    ai::TSearchSettings settings;
    settings.TranspositionTable = false;
    settings.Ordering = false;
    settings.PrincipalVariation = false;
    settings.Aspiration = false;
    settings.LateMoveReductions = false;
    settings.Table = &table;
    ai::TSearchLimits limits;
    limits.MaxDepth = depth;
    limits.Game = game;
    limits.RootMoves = mask;
    limits.SearchForced = true;
    return ai::TSearcher(settings).Search(position, limits, kGo).Value;
}

int ExactValue(const ai::TEndgameTable& table, const rules::TPosition& position, int pit) {
    rules::TPosition child = position;
    const int taken = rules::Play(child, pit).Captured;
    int after = 0;
    EXPECT_TRUE(table.Probe(child, after));
    return ai::kSeed * (taken - after);
}

} // namespace

// Over random games from the opening and from positions with few seeds, at depths 1 to 6: where
// the table holds the position the values are the table's; elsewhere they are minimax's at the
// review's depth, the positions of the game since the last harvest counting as repetitions. A
// best move is worth the best value, and only a best move loses nothing.
TEST(Review, ValuesAreTheTablesOrMinimaxAtTheDepth) {
    ai::TEndgameTable table(10);
    table.BuildNow();
    std::mt19937 random(41);
    int exact = 0, searched = 0;
    for (int trial = 0; trial < 24; ++trial) {
        const rules::TPosition start =
            trial % 3 == 0 ? rules::TPosition::Start() : RandomPosition(random, 16);
        const std::vector<int> moves = RandomGame(start, 30, random);
        ai::TReviewSettings settings;
        settings.Table = &table;
        settings.Depth = 1 + trial % 6;
        const auto review = ai::ReviewGame(start, moves, settings, kGo);
        ASSERT_EQ(review.size(), moves.size());
        rules::TPosition position = start;
        std::vector<std::uint64_t> game;
        for (std::size_t ply = 0; ply < moves.size(); ++ply) {
            SCOPED_TRACE("trial " + std::to_string(trial) + ", ply " + std::to_string(ply));
            const ai::TMoveReview& move = review[ply];
            ASSERT_EQ(move.Move, moves[ply]);
            ASSERT_TRUE(position.IsLegal(move.BestMove));
            EXPECT_GE(move.Loss(), 0);
            EXPECT_EQ(move.Loss() == 0, move.BestMove == move.Move);
            if (int margin = 0; table.Probe(position, margin)) {
                ++exact;
                EXPECT_EQ(move.Source, ai::TValueSource::Table);
                EXPECT_EQ(move.BestValue, ai::kSeed * margin);
                EXPECT_EQ(move.Value, ExactValue(table, position, move.Move));
                EXPECT_EQ(ExactValue(table, position, move.BestMove), move.BestValue);
            } else {
                ++searched;
                EXPECT_EQ(move.Source, ai::TValueSource::Search);
                EXPECT_EQ(move.BestValue, Minimax(table, position, settings.Depth, game, 0));
                EXPECT_EQ(move.Value,
                          Minimax(table, position, settings.Depth, game, 1u << move.Move));
                EXPECT_EQ(move.BestValue,
                          Minimax(table, position, settings.Depth, game, 1u << move.BestMove));
            }
            const int seeds = position.SeedsOnBoard();
            game.push_back(ai::Key(position));
            rules::Play(position, moves[ply]);
            if (position.SeedsOnBoard() != seeds)
                game.clear();
        }
    }
    EXPECT_GT(exact, 50);
    EXPECT_GT(searched, 50);
}

// The comment reads back as the review it was written from, for any review the review can give;
// a comment changed in one character reads as nothing, or as the review it now says.
TEST(Review, CommentsReadBackExactly) {
    std::mt19937 random(43);
    const std::string letters = "abcdef0123456789.,+- xyz:\n";
    for (int trial = 0; trial < 3000; ++trial) {
        ai::TMoveReview review;
        review.Move = 1 + static_cast<int>(random() % 12);
        review.BestValue = static_cast<int>(random() % 769) - 384;
        review.Source = random() % 2 ? ai::TValueSource::Table : ai::TValueSource::Search;
        review.BestMove = review.Move;
        review.Value = review.BestValue;
        if (random() % 3) {
            review.BestMove = (review.Move - 1) / 6 * 6 + 1 + static_cast<int>(random() % 6);
            if (review.BestMove != review.Move)
                review.Value -= 1 + static_cast<int>(random() % 200);
        }
        const std::string comment = ai::ReviewComment(review);
        SCOPED_TRACE(comment);
        ASSERT_EQ(ai::ReadReviewComment(comment, review.Move), review);
        EXPECT_EQ(ai::ReadReviewComment("a note\n  " + comment + " \nanother", review.Move),
                  review);
        ai::TMoveReview before = review;
        before.Source = review.Source == ai::TValueSource::Table ? ai::TValueSource::Search
                                                                 : ai::TValueSource::Table;
        EXPECT_EQ(ai::WithReviewComment("a note\n" + ai::ReviewComment(before), review),
                  "a note\n" + comment);
        std::string changed = comment;
        changed[random() % changed.size()] = letters[random() % letters.size()];
        if (const auto read = ai::ReadReviewComment(changed, review.Move)) {
            EXPECT_EQ(ai::ReviewComment(*read), changed);
        }
    }
    EXPECT_EQ(ai::ReadReviewComment("sown into a, b and c", 3), std::nullopt);
    EXPECT_EQ(ai::ReadReviewComment("review: loses 1, worth +1, best c worth +1, exact", 3),
              std::nullopt);
    EXPECT_EQ(ai::ReadReviewComment("review: best move, worth +1, exact", 0), std::nullopt);
}

// The review stops at a move that cannot be played, and soon after the cancel, with the moves
// reviewed until then.
TEST(Review, StopsAtAnIllegalMoveOrWhenCancelled) {
    const rules::TPosition start = rules::TPosition::Start();
    ai::TReviewSettings settings;
    settings.Depth = 2;
    EXPECT_EQ(ai::ReviewGame(start, {3, 9, 4, 10, 13}, settings, kGo).size(), 4u);
    EXPECT_EQ(ai::ReviewGame(start, {3, 3}, settings, kGo).size(), 1u);

    std::atomic<bool> cancel{false};
    std::vector<std::pair<int, int>> told;
    const auto review =
        ai::ReviewGame(start, {3, 9, 4, 10}, settings, cancel, [&](int done, int all) {
            told.emplace_back(done, all);
            cancel = done == 2;
        });
    EXPECT_EQ(review.size(), 2u);
    EXPECT_EQ(told, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}}));

    // A search that would not end by itself, cancelled once the reviewer has spent 20 ms of
    // processor time, well into the search of the first move.
    settings.Depth = 64;
    cancel = false;
    std::size_t reviewed = 99;
    std::thread reviewer([&] {
        reviewed = ai::ReviewGame(start, {3, 9}, settings, cancel).size();
    });
    clockid_t clock{};
    EXPECT_EQ(pthread_getcpuclockid(reviewer.native_handle(), &clock), 0);
    for (timespec spent{};
         clock_gettime(clock, &spent) == 0 && spent.tv_sec == 0 && spent.tv_nsec < 20'000'000;)
        std::this_thread::yield();
    cancel = true;
    reviewer.join();
    EXPECT_EQ(reviewed, 0u);
}
