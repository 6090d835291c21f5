#include "tests/game/GameFixture.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QTest>
#include <new>
#include <stdexcept>

namespace {
class ComputerTurn : public GameTest {
protected:
    // Sets who plays each side, as the panel's OK would.
    void PlayedBy(TPlayedBy one, TPlayedBy two) {
        Options->Player1By = one;
        Options->Player2By = two;
    }
    bool BoardUntouched() {
        return Seeds() == std::array<int, 12>{4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4} &&
               Game().Tour->Player == 1;
    }
};
} // namespace

TEST_F(ComputerTurn, TwoComputersFinishAGameAloneWithEverySeedCounted) {
    PlayedBy(ai::TLevel::Debutant, ai::TLevel::Debutant);
    int total = -1;
    SetMessageBoxHook([&](const TMessageBoxRequest& request) {
        boxes.push_back(request.Text);
        // The verdict comes once what is left on each side has been banked.
        if (request.Text.startsWith("Vainqueur") || request.Text.startsWith("Egalit"))
            total = Value(1) + Value(2);
        return TModalResult::mrOk;
    });
    NewGame();
    EXPECT_FALSE(Game().Pit(1).CanPlay()); // nothing for a person to pick
    ASSERT_TRUE(QTest::qWaitFor([] { return AppState == TAppState::Presentation; }, 60000));
    EXPECT_EQ(total, 48);
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], "Le jeu est bloqué ! Fin de la partie");
    EXPECT_FALSE(CurrentGame);
    EXPECT_FALSE(form->ComputerTurn->Thinking());
}

TEST_F(ComputerTurn, NewGameDuringTheThinkingCancelsItAndNoStaleMoveIsPlayed) {
    PlayedBy(ai::TLevel::Expert, std::nullopt); // about a second a move
    NewGame();
    QTest::qWait(100);
    ASSERT_TRUE(form->ComputerTurn->Thinking());
    EXPECT_TRUE(BoardUntouched());
    PlayedBy(std::nullopt, std::nullopt); // the next game is between persons
    QElapsedTimer clock;
    clock.start();
    NewGame(); // answered "Oui"
    EXPECT_LT(clock.elapsed(), 200);
    EXPECT_FALSE(form->ComputerTurn->Thinking());
    QTest::qWait(1500); // well past the first game's search
    EXPECT_TRUE(BoardUntouched());
    EXPECT_TRUE(Game().Pit(1).CanPlay());
}

TEST_F(ComputerTurn, ThePersonPlaysAgainstTheComputerWhichAnswersEachMove) {
    PlayedBy(std::nullopt, ai::TLevel::Moyen);
    NewGame();
    EXPECT_TRUE(Game().Pit(3).CanPlay());
    Play(3);
    EXPECT_EQ(Game().Tour->Player, 2);
    EXPECT_TRUE(form->ComputerTurn->Thinking());
    for (int i = 7; i <= 12; ++i)
        EXPECT_FALSE(Game().Pit(i).CanPlay()) << i;
    ASSERT_TRUE(QTest::qWaitFor([this] { return Game().Tour->Player == 1; }, 10000));
    EXPECT_FALSE(form->ComputerTurn->Thinking());
    int seeds = Value(1) + Value(2);
    for (int n : Seeds())
        seeds += n;
    EXPECT_EQ(seeds, 48);
    // Leaving the game while the computer thinks stops it.
    Play(1);
    ASSERT_TRUE(form->ComputerTurn->Thinking());
    form->Quitterlapartie1Click();
    EXPECT_FALSE(form->ComputerTurn->Thinking());
    EXPECT_EQ(AppState, TAppState::Presentation);
}

TEST_F(ComputerTurn, ASideHandedToTheComputerOrTakenBackInTheGameChangesFromItsTurn) {
    PlayedBy(std::nullopt, std::nullopt);
    NewGame();
    Play(3);
    EXPECT_FALSE(form->ComputerTurn->Thinking());
    // Player 2 handed to the computer in the panel, on player 2's turn: it plays at once.
    form->Prferences1Click();
    form->ComboBox2->setCurrentIndex(2); // "Ordinateur : Moyen"
    form->BitBtn1Click();
    EXPECT_EQ(Options->Player2By, ai::TLevel::Moyen);
    EXPECT_TRUE(form->ComputerTurn->Thinking());
    for (int i = 7; i <= 12; ++i)
        EXPECT_FALSE(Game().Pit(i).CanPlay()) << i;
    ASSERT_TRUE(QTest::qWaitFor([this] { return Game().Tour->Player == 1; }, 10000));
    EXPECT_EQ(Game().Player(2).Name, "Joueur 2"); // the names are the game's

    // Taken back while it thinks: its thinking stops and a person picks its pits.
    form->Prferences1Click();
    form->ComboBox2->setCurrentIndex(4); // "Expert": about a second a move
    form->BitBtn1Click();
    Play(1);
    ASSERT_TRUE(form->ComputerTurn->Thinking());
    const std::array<int, 12> before = Seeds();
    form->Prferences1Click();
    form->ComboBox2->setCurrentIndex(0);
    form->BitBtn1Click();
    EXPECT_FALSE(form->ComputerTurn->Thinking());
    QTest::qWait(1500); // well past the search
    EXPECT_EQ(Seeds(), before);
    EXPECT_EQ(Game().Tour->Player, 2);
    int playable = 0;
    for (int i = 7; i <= 12; ++i)
        playable += Game().Pit(i).CanPlay();
    EXPECT_GT(playable, 0);
}

// A search that fails, or a thread that cannot start, for want of memory.
TEST_F(ComputerTurn, AFailedSearchIsShownOnceAndThePersonPlaysThatMove) {
    for (const bool threadFails : {false, true}) {
        SCOPED_TRACE(threadFails ? "thread" : "search");
        PlayedBy(std::nullopt, ai::TLevel::Moyen);
        NewGame(); // the game before is left
        boxes.clear();
        if (threadFails)
            TComputerTurn::InjectThreadStartFailures(1);
        else
            TComputerTurn::InjectSearchFailures(1);
        Play(3);
        ASSERT_TRUE(QTest::qWaitFor([this] { return !boxes.empty(); }, 10000));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].startsWith("L'ordinateur n'a pas pu choisir son coup (mémoire "
                                        "insuffisante)"))
            << boxes[0].toStdString();
        EXPECT_FALSE(form->ComputerTurn->Thinking());
        EXPECT_EQ(Game().Tour->Player, 2);
        // The person plays player 2's move; the computer plays its next turn again.
        int pit = 7;
        while (!Game().Pit(pit).CanPlay())
            ++pit;
        ASSERT_LE(pit, 12);
        Play(pit);
        EXPECT_EQ(Game().Tour->Player, 1);
        for (int i = 1; i <= 6 && Game().Tour->Player == 1; ++i)
            if (Game().Pit(i).CanPlay())
                Play(i);
        ASSERT_TRUE(form->ComputerTurn->Thinking());
        EXPECT_FALSE(Game().Pit(7).CanPlay() || Game().Pit(12).CanPlay());
        ASSERT_TRUE(QTest::qWaitFor([this] { return Game().Tour->Player == 1; }, 10000));
        EXPECT_EQ(boxes.size(), 1u);
    }
}

// An error whose box cannot be shown either (memory has run out) is written on standard error and
// the program goes on.
TEST_F(ComputerTurn, AnErrorWhoseReportFailsIsWrittenOnStandardError) {
    SetMessageBoxHook([](const TMessageBoxRequest&) -> TModalResult { throw std::bad_alloc(); });
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(Guarded([] { throw std::runtime_error("plus de place"); }));
    EXPECT_NO_THROW(Guarded([] { throw 7; }));
    const std::string written = testing::internal::GetCapturedStderr();
    EXPECT_NE(written.find("ekobarama: plus de place\n"), std::string::npos) << written;
    EXPECT_NE(written.find("ekobarama: unknown error\n"), std::string::npos) << written;
}
