// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/Hint.h"
#include "ai/EndgameTable.h"
#include "tests/game/GameFixture.h"
#include "ui/KeyboardPlay.h"

#include <QElapsedTimer>
#include <QTest>
#include <random>

using Hint = GameTest;

namespace {
bool HintShown() {
    return CurrentGame->HintFor.has_value();
}
std::string Line() {
    return CurrentGame->HintLine->TextLabel->Caption.toStdString();
}
} // namespace

// Over random positions the endgame table holds, either side to move with banked scores: the
// ring goes to one of the table's best moves and the line gives the game's final margin for the
// mover under best play, the banked scores included.
TEST_F(Hint, MarksOneOfTheTablesBestMovesAndSaysHowTheGameEnds) {
    EXPECT_EQ(HintText(3), "Avec le meilleur jeu : gagné de 3 graines");
    EXPECT_EQ(HintText(-1), "Avec le meilleur jeu : perdu de 1 graine");
    EXPECT_EQ(HintText(0), "Avec le meilleur jeu : partie nulle");
    NewGame();
    EXPECT_TRUE(form->Conseil1->isEnabled());
    const ai::TEndgameTable& table = ai::SharedEndgameTable();
    ASSERT_TRUE(QTest::qWaitFor([&] { return table.Ready(); }, 120000));
    std::mt19937 random(22);
    for (int round = 0; round < 16; ++round) {
        std::array<int, 12> seeds{};
        for (int s = 0; s < 9; ++s)
            ++seeds[std::uniform_int_distribution(0, 11)(random)];
        seeds[0] += 1;
        seeds[11] += 1; // each side has a move
        Game().Player(1).Score->Value = std::uniform_int_distribution(0, 37)(random);
        Game().Player(2).Score->Value = 37 - Game().Player(1).Score->Value;
        Position(seeds, 1 + round % 2);
        const rules::TPosition position = Game().Position();
        ASSERT_FALSE(rules::IsOver(position));

        form->Conseil1->trigger();
        ASSERT_TRUE(QTest::qWaitFor([this] { return !form->ComputerTurn->Hinting(); }, 5000));
        int value = 0, best = -99;
        ASSERT_TRUE(table.Probe(position, value));
        int pitValue = -99;
        for (const int pit : rules::LegalMoves(position)) {
            rules::TPosition child = position;
            const int taken = rules::Play(child, pit).Captured;
            int after = 0;
            ASSERT_TRUE(table.Probe(child, after));
            best = std::max(best, taken - after);
            if (pit == KeyboardMark())
                pitValue = taken - after;
        }
        EXPECT_EQ(best, value);
        EXPECT_EQ(pitValue, value) << "round " << round << ": pit " << KeyboardMark();
        const int mover = position.ToMove;
        EXPECT_EQ(
            Line(),
            HintText(position.Score[mover] - position.Score[3 - mover] + value).toStdString());
        EXPECT_TRUE(HintShown());
    }
}

// A hint still being searched stops at once when the position changes or the person says so;
// nothing of it shows on the board afterwards.
TEST_F(Hint, AMoveATakeBackEscapeOrHAgainStopItAndNothingLandsLate) {
    NewGame(); // the opening position: the search takes its whole second
    Play(3);
    QTest::qWait(50);
    for (int way = 0; way < 4; ++way) {
        const int markBefore = KeyboardMark();
        form->Conseil1->trigger();
        ASSERT_TRUE(form->ComputerTurn->Hinting());
        EXPECT_TRUE(HintShown()); // the computer is thinking
        QElapsedTimer clock;
        clock.start();
        if (way == 0)
            QTest::keyClick(form->DXDraw1, Qt::Key_Escape);
        else if (way == 1)
            form->Conseil1->trigger();
        else if (way == 2)
            form->Annulerlecoup1Click();
        else
            Play(Game().Tour->Player == 1 ? 1 : 7);
        EXPECT_LT(clock.elapsed(), 200) << way;
        EXPECT_FALSE(form->ComputerTurn->Hinting()) << way;
        QTest::qWait(1200);
        EXPECT_FALSE(HintShown()) << way;
        if (way < 2) {
            EXPECT_EQ(KeyboardMark(), markBefore) << way;
        }
    }
    // No hint on the computer's turn.
    ASSERT_EQ(Game().Tour->Player, 2);
    Options->Player2By = ai::TLevel::Expert;
    form->ComputerTurn->Next();
    ASSERT_TRUE(form->ComputerTurn->Thinking());
    form->RefreshGameCommands();
    EXPECT_FALSE(HintAllowed());
    EXPECT_FALSE(form->Conseil1->isEnabled());
}

// A hint whose thread cannot start (memory has run out) says so in its line; the next one works.
TEST_F(Hint, AHintThatCannotBeSearchedSaysWhyInItsLine) {
    NewGame();
    Play(3);
    TComputerTurn::InjectThreadStartFailures(1);
    form->Conseil1->trigger();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->ComputerTurn->Hinting(); }, 5000));
    EXPECT_EQ(Line(), "Pas de conseil cette fois (mémoire insuffisante).");
    EXPECT_TRUE(HintShown());
    EXPECT_TRUE(boxes.empty());
    form->Conseil1->trigger(); // takes the line away
    form->Conseil1->trigger();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !form->ComputerTurn->Hinting(); }, 5000));
    EXPECT_EQ(Line(), "Coup conseillé : la case marquée");
}

// Whatever move the search found, the hint's move is worth the value it gives: one of the best
// of the table that gives it, the searched move when it is one of them.
TEST_F(Hint, TheHintsMoveIsWorthTheValueItGives) {
    ai::TEndgameTable table(8);
    table.BuildNow();
    std::mt19937 random(5);
    int kept = 0, replaced = 0;
    for (int round = 0; round < 200; ++round) {
        rules::TPosition position;
        for (int s = 0; s < 8; ++s)
            ++position.Seeds[std::uniform_int_distribution(1, 12)(random)];
        position.ToMove = static_cast<std::uint8_t>(1 + round % 2);
        position.Score[1] = 20;
        position.Score[2] = 20;
        if (rules::IsOver(position))
            continue;
        for (const int searched : rules::LegalMoves(position)) {
            const TComputerTurn::TFound found = TComputerTurn::TableHint(table, position, searched);
            int value = 0;
            ASSERT_TRUE(table.Probe(position, value));
            ASSERT_EQ(found.Margin, value);
            rules::TPosition child = position;
            ASSERT_TRUE(position.IsLegal(found.Pit));
            const int taken = rules::Play(child, found.Pit).Captured;
            int after = 0;
            ASSERT_TRUE(table.Probe(child, after));
            EXPECT_EQ(taken - after, value) << "round " << round << " pit " << found.Pit;
            ++(found.Pit == searched ? kept : replaced);
        }
    }
    EXPECT_GT(kept, 0);
    EXPECT_GT(replaced, 0);
    // A position the table does not hold keeps the searched move, without a value.
    const rules::TPosition opening = rules::TPosition::Start();
    const TComputerTurn::TFound found = TComputerTurn::TableHint(table, opening, 4);
    EXPECT_EQ(found.Pit, 4);
    EXPECT_FALSE(found.Margin);
}
