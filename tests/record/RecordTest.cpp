// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/Record.h"
#include "tests/rules/RandomPosition.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

using record::TGameRecord;

// Random walks through a record's moves, take-backs, re-plays and jumps, against the list of
// positions the rules give on their own.
TEST(Record, KeepsEveryPositionAndItsCursorAsTheRulesPlayThem) {
    std::mt19937 random(2026);
    int undone = 0, dropped = 0;
    for (int game = 0; game < 200; ++game) {
        std::vector<rules::TPosition> line{game % 3 ? RandomPosition(random)
                                                    : rules::TPosition::Start()};
        std::vector<int> moves;
        TGameRecord record(line[0]);
        int cursor = 0;
        for (int step = 0; step < 120; ++step) {
            ASSERT_EQ(record.Length(), static_cast<int>(moves.size()));
            ASSERT_EQ(record.Cursor(), cursor);
            ASSERT_EQ(record.Current(), line[static_cast<std::size_t>(cursor)]);
            ASSERT_EQ(record.Over(), rules::IsOver(record.Current()));
            ASSERT_EQ(record.CanRedo(), cursor < record.Length());
            for (int pit = -1; pit <= 13; ++pit)
                ASSERT_EQ(record.IsLegal(pit), !record.Over() && record.Current().IsLegal(pit));
            const int action = static_cast<int>(random() % 10);
            if (action == 0) {
                record.SeekTo(record.Cursor() - 1); // a take-back
                cursor = std::max(cursor - 1, 0);
                ++undone;
            } else if (action == 1) {
                record.SeekTo(record.Cursor() + 1);
                cursor = std::min(cursor + 1, record.Length());
            } else if (action == 2) {
                const int ply = static_cast<int>(random() % (moves.size() + 3)) - 1;
                record.SeekTo(ply);
                cursor = std::clamp(ply, 0, record.Length());
            } else if (!record.Over()) {
                const rules::TMoves legal = rules::LegalMoves(record.Current());
                const int pit = legal.Pit[random() % legal.Count];
                dropped += record.Length() > cursor;
                rules::TPosition next = line[static_cast<std::size_t>(cursor)];
                rules::TPosition traced = next;
                rules::Play(next, pit);
                const rules::TMoveTrace expected = rules::PlayTraced(traced, pit);
                line.resize(static_cast<std::size_t>(cursor) + 1);
                line.push_back(next);
                moves.resize(static_cast<std::size_t>(cursor));
                moves.push_back(pit);
                ASSERT_EQ(record.Play(pit), expected);
                ASSERT_EQ(record.TraceAt(cursor), expected);
                ++cursor;
            } else {
                // A finished game refuses every move and stays as it is.
                const TGameRecord before = record;
                EXPECT_EQ(record.Play(static_cast<int>(1 + random() % 12)).Pit, 0);
                EXPECT_EQ(record, before);
            }
            for (int ply = 0; ply < record.Length(); ++ply) {
                ASSERT_EQ(record.MoveAt(ply), moves[static_cast<std::size_t>(ply)]);
                ASSERT_EQ(record.PositionAt(ply), line[static_cast<std::size_t>(ply)]);
            }
        }
    }
    EXPECT_GT(undone, 500);
    EXPECT_GT(dropped, 100); // moves played after a take-back drop those that followed
}
