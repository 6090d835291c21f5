// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/GameSheet.h"
#include "record/GameFile.h"
#include "tests/game/GameFixture.h"
#include "ui/GameFiles.h"

#include <QAction>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using Sheet = GameTest;

namespace {
QString Cell(int row, int column) {
    const QTableWidgetItem* item = GameSheet()->Moves()->item(row, column);
    return item ? item->text() : QString();
}
} // namespace

// The sheet lists the moves as the game file writes them, numbered in pairs, with the scores
// after each; its highlight follows play and take-back; a click or Enter on a move shows the
// board there, as taking back does.
TEST_F(Sheet, FollowsTheGameAndGoesToTheMoveChosen) {
    NewGame();
    form->Feuilledepartie1->trigger();
    ASSERT_NE(GameSheet(), nullptr);
    TGameSheet& sheet = *GameSheet();
    EXPECT_TRUE(sheet.isVisible());
    EXPECT_TRUE(sheet.isWindow());
    EXPECT_TRUE(Options->ShowSheet);
    QTableWidget& moves = *sheet.Moves();

    for (const int pit : {3, 9, 1, 12, 5, 8, 2}) {
        const int before = Game().Record.Cursor();
        PlayMove(pit);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Game().Record.Cursor() == before + 1; }, 10000));
        RedrawScene();
        EXPECT_EQ(moves.currentRow(), Game().Record.Cursor());
    }
    const record::TGameRecord& game = Game().Record;
    ASSERT_EQ(moves.rowCount(), game.Length() + 1);
    // Each pair's text, put together, is what the game file writes.
    QString pairs;
    for (int ply = 0; ply < game.Length(); ++ply) {
        const rules::TMoveTrace move = game.TraceAt(ply);
        EXPECT_EQ(Cell(ply + 1, 2).toStdString(), record::MoveText(move.Pit, move.Gain));
        const rules::TPosition& after = game.PositionAt(ply + 1);
        EXPECT_EQ(Cell(ply + 1, 4), QString("%1 – %2").arg(after.Score[1]).arg(after.Score[2]));
        pairs +=
            (Cell(ply + 1, 0).isEmpty() ? "" : " " + Cell(ply + 1, 0)) + " " + Cell(ply + 1, 2);
    }
    const std::string written = record::WriteGame(game);
    EXPECT_NE(written.find(pairs.trimmed().toStdString() + " *"), std::string::npos) << written;

    form->Annulerlecoup1Click();
    RedrawScene();
    EXPECT_EQ(moves.currentRow(), game.Cursor());
    EXPECT_EQ(moves.rowCount(), game.Length() + 1); // the move taken back stays listed

    // A click on move 2, then Enter on move 5, and on the start.
    const QRect second = moves.visualItemRect(moves.item(2, 2));
    QTest::mouseClick(moves.viewport(), Qt::LeftButton, {}, second.center());
    EXPECT_EQ(game.Cursor(), 2);
    EXPECT_TRUE(Game().Position() == game.PositionAt(2));
    RedrawScene();
    EXPECT_EQ(moves.currentRow(), 2);
    moves.setFocus();
    moves.setCurrentCell(5, 2);
    QTest::keyClick(&moves, Qt::Key_Return);
    EXPECT_EQ(game.Cursor(), 5);
    EXPECT_TRUE(Game().Position() == game.PositionAt(5));
    EXPECT_TRUE(GoToPly(0));
    EXPECT_TRUE(Game().Position() == game.Start());
    EXPECT_FALSE(GoToPly(game.Length() + 1));

    // Closed by its title bar: the menu's item and the preferences follow.
    sheet.close();
    EXPECT_FALSE(form->Feuilledepartie1->isChecked());
    EXPECT_FALSE(Options->ShowSheet);
}

// The review goes into the moves' comments: the sheet shows it from there, a game saved and read
// back shows the same, and a review stopped at once leaves what was there.
TEST_F(Sheet, TheReviewIsKeptInTheGameAndReadBackFromItsFile) {
    NewGame();
    for (const int pit : {3, 9, 1, 12, 5, 8, 2, 10}) {
        const int before = Game().Record.Cursor();
        PlayMove(pit);
        ASSERT_TRUE(QTest::qWaitFor([&] { return Game().Record.Cursor() == before + 1; }, 10000));
    }
    form->RefreshGameCommands();
    ASSERT_TRUE(form->Analyserlapartie1->isEnabled());
    form->Analyserlapartie1->trigger();
    TGameSheet& sheet = *GameSheet();
    EXPECT_TRUE(sheet.Progress()->isVisible());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheet.Reviewing(); }, 120000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(sheet.Progress()->isVisible());
    const record::TGameRecord& game = Game().Record;
    const auto reviews = sheet.Reviews();
    ASSERT_EQ(reviews.size(), 8u);
    QStringList losses;
    for (int ply = 0; ply < 8; ++ply) {
        ASSERT_TRUE(reviews[static_cast<std::size_t>(ply)]) << ply;
        const ai::TMoveReview& review = *reviews[static_cast<std::size_t>(ply)];
        EXPECT_EQ(review.Move, game.MoveAt(ply));
        EXPECT_GE(review.Loss(), 0);
        // The loss in seeds, then its mark.
        EXPECT_TRUE(Cell(ply + 1, 5).endsWith(ReviewMark(review.Loss())))
            << Cell(ply + 1, 5).toStdString();
        losses << Cell(ply + 1, 5);
    }
    EXPECT_EQ(sheet.Curve()->Values().size(), 9u);
    EXPECT_TRUE(sheet.Curve()->isVisibleTo(&sheet));
    // A click on the curve's third point shows the board after the third move, marked there.
    const QRect area = sheet.Curve()->PlotArea();
    QTest::mouseClick(sheet.Curve(), Qt::LeftButton, {},
                      QPoint(area.left() + area.width() * 3 / 8 + 1, area.center().y()));
    EXPECT_EQ(game.Cursor(), 3);
    EXPECT_TRUE(Game().Position() == game.PositionAt(3));
    RedrawScene();
    EXPECT_EQ(sheet.Curve()->Current(), 3);
    ASSERT_TRUE(GoToPly(8));

    // Stopped at once, a review changes nothing.
    sheet.StartReview();
    ASSERT_TRUE(sheet.StopButton()->isVisible());
    sheet.StopButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !sheet.Reviewing(); }, 10000));
    QCoreApplication::processEvents();
    EXPECT_EQ(sheet.Reviews(), reviews);

    // Saved and opened again.
    auto read = record::ReadGame(record::WriteGame(game));
    ASSERT_TRUE(std::holds_alternative<record::TGameRecord>(read));
    answerYes = true;
    ShowRecordedGame(std::get<record::TGameRecord>(read));
    RedrawScene();
    EXPECT_EQ(sheet.Reviews(), reviews);
    QStringList shown;
    for (int ply = 0; ply < 8; ++ply)
        shown << Cell(ply + 1, 5);
    EXPECT_EQ(shown, losses);
    // The window closed during a review stops it.
    sheet.StartReview();
    EXPECT_TRUE(sheet.Reviewing());
}
