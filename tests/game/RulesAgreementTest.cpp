// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/Rules.h"
#include "tests/game/GameFixture.h"
#include "tests/rules/RandomPosition.h"

// The animated game and the rules library, move by move over random positions and random legal
// moves: the same seeds, scores, turn, end and verdict.
using RulesAgreement = GameTest;

TEST_F(RulesAgreement, TheAnimatedGameAndTheRulesAgreeMoveByMove) {
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
    int endings = 0;
    for (int game = 0; game < 40; ++game) {
        rules::TPosition expected = RandomPosition(random, game % 2 ? 12 : 48);
        if (rules::IsOver(expected))
            continue;
        NewGame();
        Position({}, expected.ToMove);
        for (int i = 1; i <= rules::kPits; ++i)
            Game().Pit(i).Seeds = expected.Seeds[i];
        Game().Player(1).Score->Value = expected.Score[1];
        Game().Player(2).Score->Value = expected.Score[2];
        verdict.clear();
        for (int ply = 0; ply < 60; ++ply) {
            const rules::TMoves moves = rules::LegalMoves(expected);
            ASSERT_GT(moves.Count, 0);
            for (int i = 1; i <= rules::kPits; ++i)
                ASSERT_EQ(Game().Pit(i).CanPlay(), expected.IsLegal(i)) << "pit " << i;
            const int pit = moves.Pit[random() % moves.Count];
            rules::Play(expected, pit);
            Play(pit);
            if (rules::IsOver(expected)) {
                ++endings;
                ASSERT_FALSE(CurrentGame) << "game " << game << " ply " << ply;
                const rules::TOutcome outcome = rules::Outcome(expected);
                EXPECT_EQ(finalValues[1], outcome.Final[1]);
                EXPECT_EQ(finalValues[2], outcome.Final[2]);
                EXPECT_EQ(verdict,
                          outcome.Verdict == rules::TVerdict::Player1   ? "Vainqueur : joueur 1"
                          : outcome.Verdict == rules::TVerdict::Player2 ? "Vainqueur : joueur 2"
                                                                        : "Egalité !");
                break;
            }
            ASSERT_TRUE(CurrentGame) << "game " << game << " ply " << ply;
            EXPECT_TRUE(verdict.isEmpty());
            ASSERT_EQ(Game().Position(), expected) << "game " << game << " ply " << ply;
        }
        EndGame();
    }
    EXPECT_GT(endings, 5); // the sample does reach the end of the game
}
