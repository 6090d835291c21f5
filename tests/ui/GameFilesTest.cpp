// SPDX-License-Identifier: GPL-3.0-or-later
// Taking moves back, saved games and the unfinished game kept between runs, through the main
// window's commands.
#include "ui/GameFiles.h"
#include "record/GameFile.h"
#include "tests/game/GameFixture.h"

#include <QAction>
#include <QComboBox>
#include <QTest>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <sys/file.h>
#include <unistd.h>

namespace {
class GameFiles : public GameTest {
protected:
    // The unfinished game as the state directory holds it.
    std::variant<record::TGameRecord, record::TReadError> Kept() {
        return record::ReadGameFile(UnfinishedGameFile());
    }
    std::filesystem::path Temp(const char* name) {
        return std::filesystem::path(stateHome.path().toStdString()) / name;
    }
    void Write(const std::filesystem::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    // A legal move from the board's position that does not end the game, or 0.
    int MoveThatGoesOn(std::mt19937& random) {
        const rules::TPosition now = Game().Record.Current();
        const rules::TMoves moves = rules::LegalMoves(now);
        for (int tries = 0; tries < 12 && moves.Count > 0; ++tries) {
            const int pit = moves.Pit[random() % moves.Count];
            rules::TPosition after = now;
            rules::Play(after, pit);
            if (!rules::IsOver(after))
                return pit;
        }
        return 0;
    }
};

// One move from the end: pit 6 harvests player 2's last seeds and player 1 keeps one.
rules::TPosition NearEnd() {
    rules::TPosition position{};
    position.Seeds[1] = 1;
    position.Seeds[6] = 1;
    position.Seeds[7] = 1;
    position.Score = {0, 20, 25};
    return position;
}
} // namespace

// Random games between two people, moved through at random with the four commands and new
// moves: the board always shows the rules' position at the cursor, the commands are enabled
// exactly when they can move, the unfinished game on disk follows, and a move after a
// take-back drops the moves that followed. Nothing can be taken back while a move is shown.
TEST_F(GameFiles, TakingBackShowsTheRulesPositionAtOnce) {
    std::mt19937 random(2112);
    bool enabledDuringMove = false;
    SetFrameObserver([&] {
        if (AppState != TAppState::Distribution)
            return;
        enabledDuringMove = enabledDuringMove || form->Annulerlecoup1->isEnabled() ||
                            form->Enregistrerlapartie1->isEnabled();
        const int cursor = Game().Record.Cursor();
        form->Annulerlecoup1Click();
        form->Rtablirtouslescoups1Click();
        EXPECT_EQ(Game().Record.Cursor(), cursor);
    });
    for (int game = 0; game < 6; ++game) {
        NewGame();
        std::vector<rules::TPosition> line{rules::TPosition::Start()};
        int cursor = 0;
        for (int step = 0; step < 40; ++step) {
            const int choice = static_cast<int>(random() % 6);
            if (choice <= 1) {
                const int pit = MoveThatGoesOn(random);
                if (pit == 0)
                    break;
                line.resize(static_cast<std::size_t>(cursor) + 1);
                rules::TPosition next = line.back();
                rules::Play(next, pit);
                line.push_back(next);
                ++cursor;
                PlayMove(pit);
            } else if (choice == 2) {
                form->Annulerlecoup1Click();
                cursor = std::max(0, cursor - 1);
            } else if (choice == 3) {
                form->Rtablirlecoup1Click();
                cursor = std::min(static_cast<int>(line.size()) - 1, cursor + 1);
            } else if (choice == 4) {
                form->Annulertouslescoups1Click();
                cursor = 0;
            } else {
                form->Rtablirtouslescoups1Click();
                cursor = static_cast<int>(line.size()) - 1;
            }
            const auto at = static_cast<std::size_t>(cursor);
            ASSERT_EQ(AppState, TAppState::Jeu);
            ASSERT_EQ(Game().Record.Cursor(), cursor) << "game " << game << " step " << step;
            ASSERT_EQ(Game().Record.Length(), static_cast<int>(line.size()) - 1);
            ASSERT_EQ(Game().Position(), line[at]) << "game " << game << " step " << step;
            EXPECT_EQ(Game().Player(1).Score->PendingGain + Game().Player(2).Score->PendingGain, 0);
            EXPECT_EQ(Game().Tour->Indicator1->Visible, line[at].ToMove == 1);
            EXPECT_EQ(Game().Tour->Indicator2->Visible, line[at].ToMove == 2);
            form->RefreshGameCommands();
            EXPECT_EQ(form->Annulerlecoup1->isEnabled(), cursor > 0);
            EXPECT_EQ(form->Annulertouslescoups1->isEnabled(), cursor > 0);
            EXPECT_EQ(form->Rtablirlecoup1->isEnabled(), at + 1 < line.size());
            EXPECT_EQ(form->Rtablirtouslescoups1->isEnabled(), at + 1 < line.size());
            if (Game().Record.Length() > 0) {
                auto kept = Kept();
                ASSERT_TRUE(std::holds_alternative<record::TGameRecord>(kept));
                EXPECT_EQ(std::get<record::TGameRecord>(kept).Current(), line[at]);
            }
        }
    }
    EXPECT_FALSE(enabledDuringMove);
    // Between games nothing is taken back or saved, and the left game is not kept.
    form->Quitterlapartie1Click();
    form->RefreshGameCommands();
    EXPECT_FALSE(form->Annulerlecoup1->isEnabled() || form->Rtablirlecoup1->isEnabled() ||
                 form->Enregistrerlapartie1->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(UnfinishedGameFile()));
}

// Against the computer a take-back goes back to the person's turn, stops the thinking, and the
// computer plays again only on its own turn.
TEST_F(GameFiles, AgainstTheComputerATakeBackGivesThePersonsTurnBack) {
    Options->Player2By = ai::TLevel::Moyen;
    NewGame();
    PlayMove(3);
    ASSERT_TRUE(form->ComputerTurn->Thinking());
    form->Annulerlecoup1Click();
    EXPECT_FALSE(form->ComputerTurn->Thinking());
    EXPECT_EQ(Game().Position(), rules::TPosition::Start());
    QTest::qWait(500);
    EXPECT_EQ(Game().Record.Cursor(), 0);
    EXPECT_EQ(Game().Record.Length(), 1);
    // Played again, the person's move gives the computer its turn back: it answers.
    form->Rtablirlecoup1Click();
    EXPECT_EQ(Game().Record.Cursor(), 1);
    EXPECT_TRUE(form->ComputerTurn->Thinking());
    ASSERT_TRUE(QTest::qWaitFor([this] { return Game().Record.Cursor() == 2; }, 10000));
    PlayMove(2);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Game().Record.Cursor() == 4; }, 10000));
    // Both half-moves at once, back and forth; the person is to move, the computer waits.
    form->Annulerlecoup1Click();
    EXPECT_EQ(Game().Record.Cursor(), 2);
    EXPECT_EQ(Game().Position(), Game().Record.PositionAt(2));
    form->Rtablirlecoup1Click();
    EXPECT_EQ(Game().Record.Cursor(), 4);
    EXPECT_EQ(Game().Position(), Game().Record.PositionAt(4));
    EXPECT_FALSE(form->ComputerTurn->Thinking());

    // The computer opened: the person has no earlier turn to go back to.
    Options->Player1By = ai::TLevel::Debutant;
    Options->Player2By = std::nullopt;
    NewGame();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Game().Tour->Player == 2; }, 10000));
    form->RefreshGameCommands();
    EXPECT_FALSE(form->Annulerlecoup1->isEnabled());
    form->Annulerlecoup1Click();
    EXPECT_EQ(Game().Record.Cursor(), 1);
}

// Saving and opening through the dialogs: the same game and sides come back; a file that
// cannot be written or read gets a message and changes nothing on the board.
TEST_F(GameFiles, SavedGamesComeBackAndDamagedOnesChangeNothing) {
    Options->Player2Name = "Ordi";
    Options->Player2By = ai::TLevel::Moyen;
    NewGame();
    PlayMove(4);
    ASSERT_TRUE(QTest::qWaitFor([this] { return Game().Tour->Player == 1; }, 10000));
    PlayMove(1);
    form->ComputerTurn->Cancel();
    const record::TGameRecord saved = Game().Record;

    fileAnswer = QString::fromStdString(Temp("partie.ekoba").string());
    form->Enregistrerlapartie1Click();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0].Kind, TFileDialogKind::Save);
    EXPECT_TRUE(dialogs[0].FileName.endsWith(".ekoba"));
    auto read = record::ReadGameFile(Temp("partie.ekoba"));
    ASSERT_TRUE(std::holds_alternative<record::TGameRecord>(read));
    EXPECT_EQ(std::get<record::TGameRecord>(read).Current(), saved.Current());
    EXPECT_EQ(std::get<record::TGameRecord>(read).Sides[2].Level, 2);

    // Saved over a symbolic link: the file it names holds the game, the link stays a link.
    Write(Temp("named.ekoba"), "old");
    std::filesystem::create_symlink(Temp("named.ekoba"), Temp("link.ekoba"));
    fileAnswer = QString::fromStdString(Temp("link.ekoba").string());
    form->Enregistrerlapartie1Click();
    EXPECT_TRUE(std::filesystem::is_symlink(Temp("link.ekoba")));
    read = record::ReadGameFile(Temp("named.ekoba"));
    ASSERT_TRUE(std::holds_alternative<record::TGameRecord>(read));
    EXPECT_EQ(std::get<record::TGameRecord>(read).Current(), saved.Current());

    // A folder that cannot be made: a message, and no file.
    Write(Temp("plain-file"), "x");
    fileAnswer = QString::fromStdString((Temp("plain-file") / "partie.ekoba").string());
    boxes.clear();
    form->Enregistrerlapartie1Click();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].contains("n'a pas pu être enregistrée")) << boxes[0].toStdString();

    // Damaged files: the message names the line; the game on the board goes on as it was.
    EXPECT_EQ(ReadErrorText({5, record::TReadFault::EmptyPit, {"c", "c", "1"}}),
              "coup « c » impossible : la case c du joueur 1 est vide");
    const std::string good = record::WriteGame(saved);
    const std::string damaged[] = {good.substr(0, good.size() / 2) + "\n1. 99 z\n",
                                   good + "7. 1 1 1 1\n", std::string(3000, '\xff')};
    for (const std::string& text : damaged) {
        Write(Temp("damaged.ekoba"), text);
        fileAnswer = QString::fromStdString(Temp("damaged.ekoba").string());
        boxes.clear();
        form->Ouvrirunepartie1Click();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_TRUE(boxes[0].contains("ne peut pas être ouverte")) << boxes[0].toStdString();
        EXPECT_TRUE(boxes[0].contains("Ligne ")) << boxes[0].toStdString();
        EXPECT_EQ(Game().Record, saved);
        EXPECT_EQ(Game().Position(), saved.Current());
    }

    // Opened in a fresh program with other options: the sides are the game's, the computer
    // resumes its side.
    form->Quitterlapartie1Click();
    Options->Player2Name = "Joueur 2";
    Options->Player2By = std::nullopt;
    ASSERT_TRUE(OpenGameFile(QString::fromStdString(Temp("partie.ekoba").string())));
    EXPECT_EQ(Game().Position(), saved.Current());
    EXPECT_EQ(Options->Player2Name, "Ordi");
    EXPECT_EQ(Options->Player2By, ai::TLevel::Moyen);
    EXPECT_EQ(Game().Player(2).Name, "Ordi");
    EXPECT_TRUE(form->ComputerTurn->Thinking());
}

// The unfinished game outlives the program: offered at the next start until it is resumed,
// left or finished; a damaged one is set aside.
TEST_F(GameFiles, TheUnfinishedGameIsOfferedAtTheNextStart) {
    NewGame();
    PlayMove(3);
    PlayMove(8);
    const record::TGameRecord played = Game().Record;
    ASSERT_TRUE(std::filesystem::exists(UnfinishedGameFile()));
    form->Quitter1Click(); // answered "Oui": the program ends, the game is kept
    auto restart = [this] {
        form.reset();
        AppState = TAppState::None;
        Options.reset();
        form = std::make_unique<TForm1>();
    };
    restart();
    EXPECT_EQ(AppState, TAppState::Presentation);
    EXPECT_TRUE(form->Reprendrelapartie1->isEnabled());
    form->Reprendrelapartie1Click();
    EXPECT_EQ(Game().Record.Current(), played.Current());
    EXPECT_EQ(Game().Position(), played.Current());
    form->RefreshGameCommands();
    EXPECT_FALSE(form->Reprendrelapartie1->isEnabled());
    EXPECT_TRUE(form->Annulerlecoup1->isEnabled());

    // Left: nothing is offered any more.
    form->Quitterlapartie1Click();
    EXPECT_FALSE(std::filesystem::exists(UnfinishedGameFile()));
    restart();
    EXPECT_FALSE(form->Reprendrelapartie1->isEnabled());

    // Damaged: set aside beside it, never fatal.
    Write(UnfinishedGameFile(), "[Ekoba \"?\"]\n1. 3 3 3\n");
    restart();
    EXPECT_FALSE(form->Reprendrelapartie1->isEnabled());
    EXPECT_FALSE(std::filesystem::exists(UnfinishedGameFile()));
    auto aside = UnfinishedGameFile();
    aside += ".damaged";
    EXPECT_TRUE(std::filesystem::exists(aside));

    // Finished: the move that ends the game forgets it.
    record::TGameRecord last(NearEnd());
    files::TFileWriteProblem error;
    ASSERT_TRUE(record::WriteGameFile(Temp("last.ekoba"), last, error)) << error.Reason;
    ASSERT_TRUE(OpenGameFile(QString::fromStdString(Temp("last.ekoba").string())));
    KeepUnfinishedGame();
    ASSERT_TRUE(std::filesystem::exists(UnfinishedGameFile()));
    PlayMove(6); // takes player 2's last seeds
    EXPECT_EQ(AppState, TAppState::Presentation);
    EXPECT_FALSE(std::filesystem::exists(UnfinishedGameFile()));
}

// A finished game opened from its file ends as a game ends: the three notices, the verdict over
// the final scores (the seeds left on each side counted), then the presentation picture.
TEST_F(GameFiles, AFinishedGameOpenedFromItsFileShowsItsEnd) {
    record::TGameRecord game(NearEnd());
    game.Play(6); // harvests player 2's last pit: player 1 keeps his last seed
    ASSERT_TRUE(game.Over());
    files::TFileWriteProblem error;
    ASSERT_TRUE(record::WriteGameFile(Temp("fini.ekoba"), game, error)) << error.Reason;
    std::pair<int, int> shown;
    SetMessageBoxHook([&](const TMessageBoxRequest& request) {
        boxes.push_back(request.Text);
        if (request.Text.startsWith("Vainqueur"))
            shown = {Value(1), Value(2)};
        return TModalResult::mrOk;
    });
    ASSERT_TRUE(OpenGameFile(QString::fromStdString(Temp("fini.ekoba").string())));
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_EQ(boxes[0], "Le jeu est bloqué ! Fin de la partie");
    EXPECT_EQ(boxes[2], "Vainqueur : joueur 2");
    EXPECT_EQ(shown, std::make_pair(23, 25)); // banked: 22 to 25
    EXPECT_EQ(AppState, TAppState::Presentation);
    EXPECT_FALSE(CurrentGame);
}

// The game finished on the board stays the record between games, until another game starts:
// it can be saved whole, and taken back from its end it is a game in progress again, kept as
// the unfinished game; played forward to its end again, it ends again.
TEST_F(GameFiles, TheFinishedGameStaysTheRecordUntilANewGame) {
    files::TFileWriteProblem error;
    ASSERT_TRUE(record::WriteGameFile(Temp("near.ekoba"), record::TGameRecord(NearEnd()), error))
        << error.Reason;
    ASSERT_TRUE(OpenGameFile(QString::fromStdString(Temp("near.ekoba").string())));
    PlayMove(6);
    ASSERT_EQ(AppState, TAppState::Presentation);
    ASSERT_EQ(boxes.size(), 3u);
    form->RefreshGameCommands();
    EXPECT_TRUE(form->Annulerlecoup1->isEnabled());
    EXPECT_TRUE(form->Annulertouslescoups1->isEnabled());
    EXPECT_TRUE(form->Enregistrerlapartie1->isEnabled());
    EXPECT_FALSE(form->Rtablirlecoup1->isEnabled());
    EXPECT_FALSE(form->Reprendrelapartie1->isEnabled());

    fileAnswer = QString::fromStdString(Temp("fini.ekoba").string());
    form->Enregistrerlapartie1Click();
    auto read = record::ReadGameFile(Temp("fini.ekoba"));
    ASSERT_TRUE(std::holds_alternative<record::TGameRecord>(read));
    const record::TGameRecord saved = std::get<record::TGameRecord>(read);
    EXPECT_TRUE(saved.Over());
    EXPECT_EQ(saved.Length(), 1);
    EXPECT_EQ(saved.PositionAt(0), NearEnd());

    form->Annulerlecoup1Click();
    ASSERT_EQ(AppState, TAppState::Jeu);
    EXPECT_EQ(Game().Record.Cursor(), 0);
    EXPECT_EQ(Game().Position(), NearEnd());
    EXPECT_FALSE(Game().Over);
    auto kept = Kept();
    ASSERT_TRUE(std::holds_alternative<record::TGameRecord>(kept));
    EXPECT_EQ(std::get<record::TGameRecord>(kept).Current(), NearEnd());
    form->RefreshGameCommands();
    EXPECT_TRUE(form->Rtablirlecoup1->isEnabled());

    boxes.clear();
    form->Rtablirlecoup1Click();
    EXPECT_EQ(boxes.size(), 3u);
    EXPECT_EQ(AppState, TAppState::Presentation);
    EXPECT_FALSE(std::filesystem::exists(UnfinishedGameFile()));
    form->RefreshGameCommands();
    EXPECT_TRUE(form->Annulerlecoup1->isEnabled());

    NewGame();
    form->Quitterlapartie1Click(); // answered "Oui"
    form->RefreshGameCommands();
    EXPECT_FALSE(form->Annulerlecoup1->isEnabled() || form->Enregistrerlapartie1->isEnabled());
    form->Annulerlecoup1Click();
    EXPECT_EQ(AppState, TAppState::Presentation);
}

// A second program on the same state directory keeps its games apart: neither writes nor
// removes the other's; the window tells it once.
TEST_F(GameFiles, AnotherProgramsUnfinishedGameIsLeftAlone) {
    QTemporaryDir other;
    qputenv("XDG_STATE_HOME", other.path().toLocal8Bit());
    const std::filesystem::path folder =
        std::filesystem::path(other.path().toStdString()) / "ekobarama";
    std::filesystem::create_directories(folder);
    Write(folder / "current.ekoba", "theirs");
    // The other program: its lock on the kept game.
    const int lock = ::open((folder / "current.ekoba.lock").c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(lock, 0);
    ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
    LookForUnfinishedGame(); // as at start
    EXPECT_EQ(UnfinishedGameFile(), folder / "current-2.ekoba");
    ASSERT_TRUE(QTest::qWaitFor([this] { return !boxes.empty(); }, 5000));
    EXPECT_TRUE(boxes[0].startsWith("La partie inachevée est ouverte dans une autre fenêtre"))
        << boxes[0].toStdString();
    NewGame();
    PlayMove(3);
    ASSERT_TRUE(std::holds_alternative<record::TGameRecord>(Kept()));
    form->Quitterlapartie1Click(); // answered "Oui"
    EXPECT_FALSE(std::filesystem::exists(UnfinishedGameFile()));
    std::ifstream theirs(folder / "current.ekoba");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(theirs), {}), "theirs");
    ::close(lock);
    EXPECT_EQ(boxes.size(), 2u); // the notice and the question, once each
}

// A state directory that cannot be written is told once in the window; a side handed over in
// the preferences is kept at once, before the next move.
TEST_F(GameFiles, TheGameKeptFollowsTheSidesAndAFailureToKeepItIsTold) {
    NewGame();
    PlayMove(3);
    form->Prferences1Click();
    form->ComboBox2->setCurrentIndex(2); // "Ordinateur : Moyen"
    form->BitBtn1Click();
    auto kept = Kept();
    ASSERT_TRUE(std::holds_alternative<record::TGameRecord>(kept));
    EXPECT_EQ(std::get<record::TGameRecord>(kept).Sides[2].Level,
              ItemOfPlayedBy(ai::TLevel::Moyen));
    ASSERT_TRUE(QTest::qWaitFor([this] { return Game().Tour->Player == 1; }, 10000));
    form->Prferences1Click();
    form->ComboBox2->setCurrentIndex(0); // handed back to a person
    form->BitBtn1Click();
    kept = Kept();
    ASSERT_TRUE(std::holds_alternative<record::TGameRecord>(kept));
    EXPECT_EQ(std::get<record::TGameRecord>(kept).Sides[2].Level, ItemOfPlayedBy(std::nullopt));

    // The state directory becomes a file: no game can be kept there.
    const std::filesystem::path folder = UnfinishedGameFile().parent_path();
    std::filesystem::remove_all(folder);
    Write(folder, "");
    boxes.clear();
    for (int move = 0; move < 3; ++move) {
        int pit = Game().Tour->Player == 1 ? 1 : 7;
        while (!Game().Pit(pit).CanPlay())
            ++pit;
        PlayMove(pit);
    }
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].startsWith("La partie ne pourra pas être reprise"))
        << boxes[0].toStdString();
}
