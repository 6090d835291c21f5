// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/Rules.h"
#include "tests/game/GameFixture.h"
#include "tests/rules/RandomPosition.h"

// The board is a view of the game's record: over random games, played move by move through the
// animated board with take-backs and jumps to any position of the record, the board shows the
// pits, scores, turn and end that the rules give, replayed here on their own.
using RulesAgreement = GameTest;

namespace {
const char* VerdictText(rules::TVerdict verdict) {
    return verdict == rules::TVerdict::Player1   ? "Vainqueur : joueur 1"
           : verdict == rules::TVerdict::Player2 ? "Vainqueur : joueur 2"
                                                 : "Egalité !";
}
} // namespace

TEST_F(RulesAgreement, TheBoardShowsTheRecordAsTheRulesPlayIt) {
    std::mt19937 random(424242);
    std::array<int, 3> finalValues{};
    QString verdict;
    SetMessageBoxHook([&](const TMessageBoxRequest& request) {
        if (request.Text.startsWith("Vainqueur") || request.Text.startsWith("Egalit")) {
            verdict = request.Text;
            finalValues = {0, Value(1), Value(2)};
        }
        return TModalResult::mrOk;
    });
    // The board against a position: pits, scores, the turn indicator and the score texts.
    auto expectBoard = [this](const rules::TPosition& expected, const std::string& where) {
        EXPECT_EQ(AppState, TAppState::Jeu) << where;
        ASSERT_EQ(Game().Position(), expected) << where;
        EXPECT_EQ(Game().Tour->Indicator1->Visible, expected.ToMove == 1) << where;
        EXPECT_EQ(Game().Tour->Indicator2->Visible, expected.ToMove == 2) << where;
        for (int n = 1; n <= 2; ++n) {
            EXPECT_EQ(Game().Player(n).Score->Text->TextLabel->Caption,
                      QString::fromStdString(Game().Record.Sides[n].Name) + " : " +
                          QString::number(expected.Score[n]))
                << where;
            EXPECT_EQ(Game().Player(n).Score->PendingGain, 0) << where;
        }
        for (int i = 1; i <= rules::kPits; ++i)
            ASSERT_EQ(Game().Pit(i).CanPlay(), expected.IsLegal(i)) << where << " pit " << i;
    };
    int endings = 0, jumps = 0, takeBacks = 0;
    for (int game = 0; game < 40; ++game) {
        // The positions of the game as the rules play it, independently of the record.
        std::vector<rules::TPosition> line{
            game % 4 == 0 ? rules::TPosition::Start() : RandomPosition(random, game % 2 ? 12 : 48)};
        if (rules::IsOver(line[0]))
            continue;
        if (game % 2) {
            // A game that goes on from a record, as from a file: its names on the board.
            record::TGameRecord start(line[0]);
            start.Sides[1].Name = "Awa";
            start.Sides[2].Name = "Kofi Ngũgĩ";
            CurrentGame = std::make_unique<Tjeu>(start);
            CurrentGame->Relayout();
        } else {
            NewGame();
            record::TGameRecord start(line[0]);
            start.Sides = Game().Record.Sides;
            Game().Record = start;
            Game().ShowRecord();
        }
        verdict.clear();
        for (int ply = 0; ply < 80; ++ply) {
            const std::string where =
                "game " + std::to_string(game) + " ply " + std::to_string(ply);
            expectBoard(line.back(), where);
            // Now and then the board is set to an earlier position of the record and back, or
            // the game goes on from there (a take-back).
            if (line.size() > 1 && random() % 5 == 0) {
                const int back = static_cast<int>(random() % line.size());
                Game().Record.SeekTo(back);
                Game().ShowRecord();
                expectBoard(line[static_cast<std::size_t>(back)],
                            where + " at " + std::to_string(back));
                ++jumps;
                if (random() % 2) {
                    line.resize(static_cast<std::size_t>(back) + 1);
                    ++takeBacks;
                } else {
                    Game().Record.SeekTo(Game().Record.Length());
                    Game().ShowRecord();
                }
                expectBoard(line.back(), where + " back");
            }
            const rules::TMoves moves = rules::LegalMoves(line.back());
            ASSERT_GT(moves.Count, 0);
            const int pit = moves.Pit[random() % moves.Count];
            rules::TPosition next = line.back();
            rules::Play(next, pit);
            line.push_back(next);
            Play(pit);
            if (rules::IsOver(next)) {
                ++endings;
                ASSERT_FALSE(CurrentGame) << where;
                const rules::TOutcome outcome = rules::Outcome(next);
                EXPECT_EQ(finalValues[1], outcome.Final[1]) << where;
                EXPECT_EQ(finalValues[2], outcome.Final[2]) << where;
                EXPECT_EQ(verdict, VerdictText(outcome.Verdict)) << where;
                break;
            }
            ASSERT_TRUE(CurrentGame) << where;
            EXPECT_TRUE(verdict.isEmpty()) << where;
            ASSERT_EQ(Game().Record.Length(), static_cast<int>(line.size()) - 1) << where;
            for (int k = 0; k <= Game().Record.Length(); ++k)
                ASSERT_EQ(Game().Record.PositionAt(k), line[static_cast<std::size_t>(k)]) << where;
        }
        EndGame();
    }
    // The sample does reach the end of the game, the jumps and the take-backs.
    EXPECT_GT(endings, 5);
    EXPECT_GT(jumps, 50);
    EXPECT_GT(takeBacks, 20);
}
