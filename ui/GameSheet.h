// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's sheet: a window of its own beside the board that lists the moves of the game on the
// board (or of the game last finished) numbered in pairs, in the game file's notation, with who
// played each, the seeds it harvested and the scores after it. The move on the board is
// highlighted; a click or Enter on a move goes there as taking back does.
//
// The review ("Analyser la partie") judges every move on a worker thread at the lowest priority
// while the window goes on answering; the sheet then shows what each move lost against the best
// move, the best move where it differed, "?" from one seed lost and "??" from kBlunderSeeds, and
// a curve of the position's value move by move.
#include "ai/Review.h"
#include "rules/Rules.h"

#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace record {
class TGameRecord;
} // namespace record

// A move that loses at least this many seeds against the best one is marked "??".
constexpr int kBlunderSeeds = 4;

// The mark of a move that lost loss (in 1/ai::kSeed of a seed): "", "?" or "??".
QString ReviewMark(int loss);

// The game the sheet shows: the one on the board, else the game last finished; none between
// games otherwise.
const record::TGameRecord* SheetGame();

// Takes the game on the board (or the game last finished) back or forward to ply, as taking a
// move back does: refused (false) while a move is shown or when there is no such game.
bool GoToPly(int ply);

// The value of the position after each ply (0 to the moves reviewed) for player 1, in seeds: his
// final score minus his opponent's under best play from there.
std::vector<double> ReviewCurveValues(const record::TGameRecord& game,
                                      const std::vector<ai::TMoveReview>& reviews);

// The curve of the position's value move by move: player 1's side above the middle line, player
// 2's below; the move on the board marked. A click goes to the move under it.
class TReviewCurve : public QWidget {
public:
    explicit TReviewCurve(QWidget* parent = nullptr);
    // The values after each ply (ReviewCurveValues), the players' names, the ply on the board.
    void SetValues(std::vector<double> values, const QString& player1, const QString& player2);
    void SetCurrent(int ply);
    int Current() const { return current_; }
    const std::vector<double>& Values() const { return values_; }
    // The ply whose point is nearest to x in the widget, none without values.
    std::optional<int> PlyAt(int x) const;
    // Where the points are drawn: the first ply at the left edge, the last at the right.
    QRect PlotArea() const;
    std::function<void(int)> OnPlyClicked;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::vector<double> values_;
    QString player1_, player2_;
    int current_ = 0;
};

class TGameSheet : public QWidget {
public:
    explicit TGameSheet(QWidget* owner);
    ~TGameSheet() override; // stops the review

    // Follows the game shown: the list is made again when its moves, names or review changed,
    // the highlight moves with the cursor.
    void Refresh();
    // Beside the main window: to its right when the screen has room, else at its left, else
    // over the screen's right edge.
    void PlaceBeside(const QWidget& mainWindow);

    // The review of the game shown: none while one runs or the game has no move.
    bool CanReview() const;
    void StartReview();
    void CancelReview();
    bool Reviewing() const { return worker_.joinable(); }
    // The review of each move of the game shown, where its comment holds one.
    std::vector<std::optional<ai::TMoveReview>> Reviews() const;

    QTableWidget* Moves() const { return moves_; }
    TReviewCurve* Curve() const { return curve_; }
    QProgressBar* Progress() const { return progress_; }
    QPushButton* StopButton() const { return stop_; }
    // Test hook: called on the window's thread when a review has ended (finished or cancelled).
    std::function<void()> OnReviewEnded;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    struct TReviewed {
        rules::TPosition Start;
        std::vector<int> Moves;
    };
    void Rebuild(const record::TGameRecord* game);
    void ShowCursor(const record::TGameRecord* game);
    void ReviewProgress(int done, int total);
    void ReviewEnded(std::vector<ai::TMoveReview> reviews);
    void Go(int row);

    QLabel* players_ = nullptr;
    QTableWidget* moves_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* stop_ = nullptr;
    TReviewCurve* curve_ = nullptr;
    QObject* receiver_ = nullptr; // the worker's news land here, on the window's thread

    // What the list shows, to tell when it must be made again.
    struct TShown {
        const record::TGameRecord* Game = nullptr;
        rules::TPosition Start;
        std::vector<int> Moves;
        std::string Name1, Name2;
        std::vector<std::string> Comments;
        bool operator==(const TShown&) const = default;
    };
    TShown shown_;
    int cursor_ = -1;

    TReviewed running_; // the game under review
    std::thread worker_;
    std::atomic<bool> cancel_{false};
};

// The sheet of the main window (made at its first opening), none before.
TGameSheet* GameSheet();
// Opens (beside the board) or closes the sheet; the preferences remember it.
void ShowGameSheet(bool show);
// "Analyser la partie": opens the sheet and reviews the game shown.
void ReviewShownGame();
// Before each frame: the sheet follows the game.
void RefreshGameSheet();
