// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DSound.h"
#include "tests/game/GameFixture.h"

#include <functional>
#include <random>

using Move = GameTest;

TEST_F(Move, NewBoardAndTheOpeningMoveFromPitThree) {
    NewGame();
    EXPECT_EQ(AppState, TAppState::Jeu);
    EXPECT_EQ(Game().Tour->Player, 1);
    EXPECT_TRUE(Game().Tour->Indicator1->Visible);
    EXPECT_FALSE(Game().Tour->Indicator2->Visible);
    EXPECT_EQ(Game().Player(1).Score->Text->TextLabel->Caption, "Joueur 1 : 0");
    EXPECT_EQ(Game().Player(2).Score->Text->TextLabel->Caption, "Joueur 2 : 0");
    EXPECT_EQ(Game().Position(), rules::TPosition::Start());
    for (int i = 1; i <= 12; ++i)
        EXPECT_EQ(Game().Pit(i).Sprite->Image, ImageItem(2, 4));

    Play(3);
    EXPECT_EQ(Seeds(), (std::array<int, 12>{4, 4, 0, 5, 5, 5, 5, 4, 4, 4, 4, 4}));
    EXPECT_EQ(Game().Pit(3).Sprite->Image, ImageItem(2, 0));
    EXPECT_EQ(Value(1), 0);
    EXPECT_EQ(Game().Tour->Player, 2);
    EXPECT_EQ(AppState, TAppState::Jeu);
    // "billeprend", then one seed sound per pit by its new count.
    EXPECT_EQ(sounds, (std::vector<int>{3, 1, 1, 1, 1}));
}

TEST_F(Move, SowingWrapsAndNeverFeedsTheStartingPit) {
    NewGame();
    Position({4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 1}, 2);
    Play(12);
    EXPECT_EQ(Game().Pit(1).Seeds, 5);
    EXPECT_EQ(Game().Pit(12).Seeds, 0);

    Position({11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 1);
    Play(1);
    EXPECT_EQ(Seeds(), (std::array<int, 12>{0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));

    Position({12, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 5}, 1);
    Play(1); // the 12th seed goes to pit 2; pit 2 is the mover's own: no harvest
    EXPECT_EQ(Seeds(), (std::array<int, 12>{0, 2, 1, 1, 2, 1, 1, 1, 1, 1, 1, 6}));
    EXPECT_EQ(Value(1), 0);

    Position({1, 1, 1, 1, 12, 1, 1, 1, 1, 1, 1, 1}, 1);
    Play(5);
    EXPECT_EQ(Seeds(), (std::array<int, 12>{2, 2, 2, 2, 0, 3, 2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(Value(1), 0); // the last seed fell on pit 6, the mover's own
}

TEST_F(Move, HarvestWalksBackOverTheOpponentsPitsOfTwoOrThree) {
    NewGame();
    Position({4, 4, 4, 4, 4, 3, 0, 2, 1, 4, 4, 4}, 1);
    Play(6);
    EXPECT_EQ(Seeds(), (std::array<int, 12>{4, 4, 4, 4, 4, 0, 1, 0, 0, 4, 4, 4}));
    EXPECT_EQ(Value(1), 5);
    EXPECT_EQ(Game().Player(1).Score->Text->TextLabel->Caption, "Joueur 1 : 5");
    EXPECT_EQ(std::count(sounds.begin(), sounds.end(), 4), 2); // "billegagn" per pit
    EXPECT_EQ(Game().Tour->Player, 2);

    // Player 2 ending in pit 1 with 3 seeds: pit 1 is taken, the walk meets pit 12 and stops.
    Position({2, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 1}, 2);
    Play(12);
    EXPECT_EQ(Game().Pit(1).Seeds, 0);
    EXPECT_EQ(Game().Pit(12).Seeds, 0);
    EXPECT_EQ(Value(2), 3);

    // The last seed in the mover's own pit of 2 or 3: nothing taken.
    Position({1, 2, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4}, 1);
    Play(1);
    EXPECT_EQ(Game().Pit(2).Seeds, 3);
    EXPECT_EQ(Value(1), 5);
}

TEST_F(Move, ScoreShowsThePendingGainDuringTheHarvestOnly) {
    NewGame();
    Game().Player(1).Score->Value = 7;
    Game().Player(1).Score->ShowScore(1);
    Position({4, 4, 4, 4, 4, 2, 4, 1, 2, 4, 4, 4}, 1);
    std::vector<QString> captions;
    SetFrameObserver([&] {
        const QString text = Game().Player(1).Score->Text->TextLabel->Caption;
        if (captions.empty() || captions.back() != text)
            captions.push_back(text);
    });
    Play(6); // pits 7 and 8 become 5 and 2: only pit 8 is taken
    SetFrameObserver(nullptr);
    EXPECT_EQ(captions,
              (std::vector<QString>{"Joueur 1 : 7", "Joueur 1 : 7 (+2)", "Joueur 1 : 9"}));
    for (const QString& caption : captions)
        EXPECT_FALSE(caption.endsWith("(+0)"));
}

TEST_F(Move, HarvestingEverySeedOfTheOpponentEndsTheGame) {
    NewGame();
    Game().Player(1).Score->Value = 20;
    Game().Player(2).Score->Value = 10;
    // Player 1 sows from pit 6 with 6 seeds into pits 7 to 12, each becoming 2 or 3.
    Position({3, 0, 0, 0, 0, 6, 1, 2, 1, 2, 1, 2}, 1);
    Play(6);
    EXPECT_EQ(boxes,
              (std::vector<QString>{"Le jeu est bloqué ! Fin de la partie",
                                    "Les joueurs gagnent les billes qui restent dans leurs camps",
                                    "Vainqueur : joueur 1"}));
    EXPECT_EQ(AppState, TAppState::Presentation);
    EXPECT_FALSE(CurrentGame);
    EXPECT_FALSE(form->Quitterlapartie1->isEnabled());
    EXPECT_FALSE(form->Timer1.isActive());
    EXPECT_EQ(BackgroundSprite->Image, ImageItem(1, 3));
}

TEST_F(Move, OneSeedEachEndsTheGameAndEqualTotalsAreADraw) {
    NewGame();
    Game().Player(1).Score->Value = 23;
    Game().Player(2).Score->Value = 23;
    Position({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0}, 1);
    Play(6); // pit 7 gets the seed: each side holds exactly one
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2], "Egalité !");
    EXPECT_EQ(AppState, TAppState::Presentation);
}

TEST_F(Move, TheVerdictNamesThePlayerByNumber) {
    Options->Player2Name = "Amina";
    NewGame();
    Game().Player(2).Score->Value = 30;
    Position({0, 0, 0, 0, 0, 1, 3, 4, 4, 4, 4, 4}, 1);
    Play(6); // pit 7 now holds 4: nothing taken; player 2 has seeds, the game goes on
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(AppState, TAppState::Jeu);
    Play(7); // player 2 sows into his own pits; player 1, to move, has no seed
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[2], "Vainqueur : joueur 2");
    EXPECT_EQ(AppState, TAppState::Presentation);
}

TEST_F(Move, RandomGamesConserveTheFortyEightSeeds) {
    std::mt19937 random(12345);
    for (int game = 0; game < 25; ++game) {
        NewGame();
        int moves = 0;
        while (AppState == TAppState::Jeu && CurrentGame && moves < 400) {
            std::vector<int> playable;
            for (int i = 1; i <= 12; ++i)
                if (Game().Pit(i).CanPlay())
                    playable.push_back(i);
            ASSERT_FALSE(playable.empty());
            int board = 0;
            for (int i = 1; i <= 12; ++i)
                board += Game().Pit(i).Seeds;
            ASSERT_EQ(board + Value(1) + Value(2), 48) << "game " << game << " move " << moves;
            ASSERT_EQ(Game().Player(1).Hand->InHand, 0);
            ASSERT_EQ(Game().Player(1).Score->PendingGain, 0);
            Play(playable[random() % playable.size()]);
            ++moves;
        }
        EndGame(); // a game that turns in circles is left after 400 moves
    }
}

TEST_F(Move, ASoundOrDisplayFailingMidMoveLeavesAGameThatGoesOn) {
    form->show();
    auto seedsAccountedFor = [this] {
        int total = Value(1) + Value(2);
        for (int seeds : Seeds())
            total += seeds;
        return total;
    };
    // A few frames into the opening move the sound device gives out (its buffers lost and not
    // to be made again): the error is shown once. Or the display is taken away for good: no
    // error, the frames are left out until it comes back.
    struct Fault {
        std::function<void()> inject;
        size_t boxes;
    };
    const Fault faults[] = {{[this] {
                                 form->OpenSoundDevice();
                                 platform::DSoundTestFaults().lostResults = 1;
                                 platform::DSoundTestFaults().bufferCreateFailures = 1000;
                             },
                             1},
                            {[] {
                                 platform::LoseAllDDrawSurfaces();
                                 platform::InjectDDrawFault(platform::DDrawFault::Restore, 1000);
                             },
                             0}};
    for (size_t f = 0; f < std::size(faults); ++f) {
        NewGame();
        boxes.clear();
        int frames = 0;
        SetFrameObserver([&] {
            if (AppState == TAppState::Distribution && ++frames == 3)
                faults[f].inject();
        });
        Play(3);
        SetFrameObserver(nullptr);
        EXPECT_EQ(boxes.size(), faults[f].boxes) << "fault " << f;
        EXPECT_EQ(AppState, TAppState::Jeu) << f;
        EXPECT_EQ(Seeds(), (std::array<int, 12>{4, 4, 0, 5, 5, 5, 5, 4, 4, 4, 4, 4})) << f;
        EXPECT_EQ(Game().Tour->Player, 2) << f;

        // Once the fault is gone, the game goes on as ever.
        platform::DSoundTestFaults() = {};
        platform::ClearDDrawFaults();
        boxes.clear();
        Play(8);
        EXPECT_TRUE(boxes.empty()) << f;
        EXPECT_EQ(Game().Tour->Player, 1) << f;
        EXPECT_EQ(seedsAccountedFor(), 48) << f;
    }
}
