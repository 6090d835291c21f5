// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/GameSheet.h"

#include "ai/EndgameTable.h"
#include "ai/Search.h"
#include "game/Game.h"
#include "record/GameFile.h"
#include "record/Record.h"
#include "ui/GameFiles.h"
#include "ui/Main.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("TGameSheet", text);
}

TGameSheet* sheet = nullptr;

// The review's loss and its mark share a column: "2 ?".
enum TColumn { Number, Player, Move, Gain, Score, Loss, Best, ColumnCount };

// Seeds from 1/ai::kSeed units, with a decimal only when the value has one.
QString Seeds(int units) {
    if (units % ai::kSeed == 0)
        return QString::number(units / ai::kSeed);
    return QLocale().toString(static_cast<double>(units) / ai::kSeed, 'f', 1);
}

QString NameOf(const record::TGameRecord& game, int n) {
    QString name = QString::fromStdString(game.Sides[n].Name);
    if (name.isEmpty() && Options)
        name = n == 1 ? Options->Player1Name : Options->Player2Name;
    return name;
}

// A move's comment with its review: a review written there before gives way, anything else the
// comment says stays, the review on its last line.
std::string WithReview(const std::string& comment, const ai::TMoveReview& review) {
    std::string kept;
    std::size_t start = 0;
    while (start <= comment.size() && !comment.empty()) {
        const std::size_t end = std::min(comment.find('\n', start), comment.size());
        const std::string line = comment.substr(start, end - start);
        if (!ai::ReadReviewComment(line, review.Move))
            kept += line + '\n';
        start = end + 1;
    }
    return kept + ai::ReviewComment(review);
}

QString ScoreText(const rules::TPosition& position) {
    return QString("%1 – %2").arg(position.Score[1]).arg(position.Score[2]);
}

// Tests read what the sheet shows from here (EKOBARAMA_SHEET_LOG set): the moves listed, the
// move highlighted, the marks of the review, the curve's points and where it is on the screen,
// and the position on the board; a line each time one of them changes (the board's position
// changes at the end of a move's animation, after the sheet has listed the move).
void LogSheet(const TGameSheet& sheet) {
    if (!std::getenv("EKOBARAMA_SHEET_LOG"))
        return;
    const QTableWidget& moves = *sheet.Moves();
    QString marks;
    int reviewed = 0;
    for (int row = 1; row < moves.rowCount(); ++row) {
        const QTableWidgetItem* loss = moves.item(row, Loss);
        const QString mark = loss ? loss->text().section(' ', 1) : QString();
        if (loss)
            ++reviewed;
        marks += mark.isEmpty() ? QString("-") : mark;
        marks += row + 1 < moves.rowCount() ? "," : "";
    }
    const TReviewCurve& curve = *sheet.Curve();
    const QRect area =
        curve.isVisible() ? curve.PlotArea().translated(curve.mapToGlobal(QPoint())) : QRect();
    QString board = "none";
    if (CurrentGame) {
        const rules::TPosition position = CurrentGame->Position();
        board.clear();
        for (int pit = 1; pit <= rules::kPits; ++pit)
            board += QString::number(position.Seeds[pit]) + (pit < rules::kPits ? "," : "");
        board += QString(" to-move %1 score %2,%3")
                     .arg(position.ToMove)
                     .arg(position.Score[1])
                     .arg(position.Score[2]);
    }
    const QString line = QString("sheet: moves %1 current %2 reviewed %3 marks %4 curve %5 points "
                                 "at %6,%7 %8x%9 board ")
                             .arg(moves.rowCount() - 1)
                             .arg(moves.currentRow())
                             .arg(reviewed)
                             .arg(marks)
                             .arg(curve.Values().size())
                             .arg(area.x())
                             .arg(area.y())
                             .arg(area.width())
                             .arg(area.height()) +
                         board;
    static QString logged;
    if (line == logged)
        return;
    logged = line;
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
}

} // namespace

QString ReviewMark(int loss) {
    if (loss >= kBlunderSeeds * ai::kSeed)
        return "??";
    if (loss >= ai::kSeed)
        return "?";
    return {};
}

const record::TGameRecord* SheetGame() {
    if (CurrentGame)
        return &CurrentGame->Record;
    return FinishedGame();
}

std::vector<double> ReviewCurveValues(const record::TGameRecord& game,
                                      const std::vector<ai::TMoveReview>& reviews) {
    std::vector<double> values;
    const int count = std::min(static_cast<int>(reviews.size()), game.Length());
    for (int ply = 0; ply < count; ++ply) {
        const rules::TPosition& before = game.PositionAt(ply);
        const int banked = before.Score[1] - before.Score[2];
        const int side = before.ToMove == 1 ? 1 : -1;
        const ai::TMoveReview& review = reviews[static_cast<std::size_t>(ply)];
        if (ply == 0)
            values.push_back(banked + side * static_cast<double>(review.BestValue) / ai::kSeed);
        values.push_back(banked + side * static_cast<double>(review.Value) / ai::kSeed);
    }
    return values;
}

// ---------------------------------------------------------------------------------------------
// The curve

TReviewCurve::TReviewCurve(QWidget* parent) : QWidget(parent) {
    setMinimumHeight(150);
    setAccessibleName(Tr(QT_TRANSLATE_NOOP("TGameSheet", "Courbe de la partie")));
    setCursor(Qt::PointingHandCursor);
}

void TReviewCurve::SetValues(std::vector<double> values, const QString& player1,
                             const QString& player2) {
    values_ = std::move(values);
    player1_ = player1;
    player2_ = player2;
    setAccessibleDescription(
        Tr(QT_TRANSLATE_NOOP("TGameSheet",
                             "La valeur de la position coup par coup, en graines : en haut "
                             "l'avantage de %1, en bas celui de %2."))
            .arg(player1, player2));
    update();
}

void TReviewCurve::SetCurrent(int ply) {
    if (ply != current_) {
        current_ = ply;
        update();
    }
}

QRect TReviewCurve::PlotArea() const {
    const QFontMetrics metrics(font());
    const int left = metrics.horizontalAdvance("-48") + 8;
    const int line = metrics.height();
    return rect().adjusted(left, line + 4, -8, -(line + 6));
}

std::optional<int> TReviewCurve::PlyAt(int x) const {
    if (values_.empty())
        return std::nullopt;
    const QRect area = PlotArea();
    const int last = static_cast<int>(values_.size()) - 1;
    if (last == 0)
        return 0;
    const double step = static_cast<double>(area.width()) / last;
    return std::clamp(static_cast<int>(std::lround((x - area.left()) / step)), 0, last);
}

void TReviewCurve::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QRect area = PlotArea();
    const QFontMetrics metrics(font());
    // The players' sides: player 1's advantage above the middle line, player 2's below.
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRect(area.left() + 4, 0, area.width() - 4, area.top()),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     Tr(QT_TRANSLATE_NOOP("TGameSheet", "Avantage %1")).arg(player1_));
    const QString below = Tr(QT_TRANSLATE_NOOP("TGameSheet", "Avantage %1")).arg(player2_);
    if (values_.empty()) {
        painter.drawText(area, Qt::AlignLeft | Qt::AlignBottom, below);
        return;
    }
    double most = 2;
    for (const double value : values_)
        most = std::max(most, std::abs(value));
    most = std::ceil(most);
    const int last = std::max(1, static_cast<int>(values_.size()) - 1);
    auto at = [&](int ply, double value) {
        return QPointF(area.left() + static_cast<double>(area.width()) * ply / last,
                       area.center().y() - value / most * (area.height() / 2.0));
    };
    // Axes: the middle line (an even game) and the move numbers below; the seeds at the left.
    const QColor axis = palette().color(QPalette::Mid);
    painter.setPen(axis);
    painter.drawLine(at(0, 0), at(last, 0));
    painter.drawLine(area.topLeft(), area.bottomLeft());
    painter.setPen(palette().color(QPalette::Text));
    for (const double value : {most, 0.0, -most}) {
        const QPointF point = at(0, value);
        painter.drawText(
            QRectF(0, point.y() - metrics.height() / 2.0, area.left() - 4, metrics.height()),
            Qt::AlignRight | Qt::AlignVCenter, QString::number(static_cast<int>(value)));
    }
    // The player 1's side shaded above the line, player 2's below.
    QPainterPath path(at(0, 0));
    for (int ply = 0; ply < static_cast<int>(values_.size()); ++ply)
        path.lineTo(at(ply, values_[static_cast<std::size_t>(ply)]));
    path.lineTo(at(static_cast<int>(values_.size()) - 1, 0));
    path.closeSubpath();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.save();
    painter.setClipRect(QRectF(area.left(), area.top(), area.width(), area.height() / 2.0));
    painter.fillPath(path, QColor(230, 190, 120));
    painter.setClipRect(QRectF(area.left(), area.center().y(), area.width(), area.height() / 2.0));
    painter.fillPath(path, QColor(120, 150, 200));
    painter.restore();
    QPainterPath line(at(0, values_.front()));
    for (int ply = 1; ply < static_cast<int>(values_.size()); ++ply)
        line.lineTo(at(ply, values_[static_cast<std::size_t>(ply)]));
    painter.setPen(QPen(palette().color(QPalette::Text), 1.5));
    painter.drawPath(line);
    // The move on the board.
    if (current_ >= 0 && current_ < static_cast<int>(values_.size())) {
        const QPointF point = at(current_, values_[static_cast<std::size_t>(current_)]);
        painter.setPen(QPen(QColor(200, 0, 0), 1, Qt::DashLine));
        painter.drawLine(QPointF(point.x(), area.top()), QPointF(point.x(), area.bottom()));
        painter.setBrush(QColor(200, 0, 0));
        painter.drawEllipse(point, 3.5, 3.5);
    }
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(area.adjusted(4, 0, 0, -2), Qt::AlignLeft | Qt::AlignBottom, below);
    // The move numbers along the bottom: the pair each labelled ply ends.
    painter.setPen(palette().color(QPalette::Text));
    // Labels at least 40 pixels apart, every 10, 20, 50, 100... plies.
    int step = 10;
    for (int n = 1; step * area.width() < 40 * last; ++n)
        step = (n % 3 == 1 ? 20 : n % 3 == 2 ? 50 : 10) * static_cast<int>(std::pow(10, n / 3));
    for (int ply = 0; ply <= last; ply += step) {
        const QPointF point = at(ply, -most);
        painter.drawText(QRectF(point.x() - 20, area.bottom() + 2, 40, metrics.height()),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(ply / 2 + ply % 2));
    }
}

void TReviewCurve::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (const std::optional<int> ply = PlyAt(qRound(event->position().x())); ply && OnPlyClicked)
        OnPlyClicked(*ply);
}

// ---------------------------------------------------------------------------------------------
// The sheet

TGameSheet::TGameSheet(QWidget* owner) : QWidget(owner, Qt::Tool) {
    sheet = this;
    setObjectName("GameSheet");
    setWindowTitle(Tr(QT_TRANSLATE_NOOP("TGameSheet", "Feuille de partie")));
    receiver_ = new QObject(this);

    players_ = new QLabel(this);
    players_->setObjectName("Players");
    players_->setWordWrap(true);

    moves_ = new QTableWidget(0, ColumnCount, this);
    moves_->setObjectName("Moves");
    moves_->setAccessibleName(Tr(QT_TRANSLATE_NOOP("TGameSheet", "Coups de la partie")));
    moves_->setHorizontalHeaderLabels({
        Tr(QT_TRANSLATE_NOOP("TGameSheet", "N°")),
        Tr(QT_TRANSLATE_NOOP("TGameSheet", "Joueur")),
        Tr(QT_TRANSLATE_NOOP("TGameSheet", "Coup")),
        Tr(QT_TRANSLATE_NOOP("TGameSheet", "Prises")),
        Tr(QT_TRANSLATE_NOOP("TGameSheet", "Score")),
        Tr(QT_TRANSLATE_NOOP("TGameSheet", "Perte")),
        Tr(QT_TRANSLATE_NOOP("TGameSheet", "Meilleur")),
    });
    moves_->verticalHeader()->hide();
    moves_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    moves_->setSelectionBehavior(QAbstractItemView::SelectRows);
    moves_->setSelectionMode(QAbstractItemView::SingleSelection);
    moves_->setTabKeyNavigation(false);
    moves_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    moves_->horizontalHeader()->setStretchLastSection(true);
    for (const int column : {Loss, Best})
        moves_->setColumnHidden(column, true);
    connect(moves_, &QTableWidget::cellClicked, this, [this](int row, int) { Go(row); });
    connect(moves_, &QTableWidget::cellActivated, this, [this](int row, int) { Go(row); });

    progress_ = new QProgressBar(this);
    progress_->setObjectName("ReviewProgress");
    progress_->setAccessibleName(Tr(QT_TRANSLATE_NOOP("TGameSheet", "Analyse en cours")));
    stop_ = new QPushButton(Tr(QT_TRANSLATE_NOOP("TGameSheet", "Arrêter l'analyse")), this);
    stop_->setObjectName("StopReview");
    connect(stop_, &QPushButton::clicked, this, [this] { CancelReview(); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { CancelReview(); });
    progress_->hide();
    stop_->hide();

    curve_ = new TReviewCurve(this);
    curve_->setObjectName("ReviewCurve");
    curve_->OnPlyClicked = [](int ply) { Guarded([ply] { GoToPly(ply); }); };
    curve_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(players_);
    layout->addWidget(moves_, 1);
    auto* running = new QHBoxLayout;
    running->addWidget(progress_, 1);
    running->addWidget(stop_);
    layout->addLayout(running);
    layout->addWidget(curve_);
    resize(440, 520);
}

TGameSheet::~TGameSheet() {
    cancel_ = true;
    if (worker_.joinable())
        worker_.join();
    if (sheet == this)
        sheet = nullptr;
}

void TGameSheet::closeEvent(QCloseEvent* event) {
    // Closed by its own title bar: the menu's item follows.
    event->accept();
    if (Form1 && Form1->Feuilledepartie1)
        Form1->Feuilledepartie1->setChecked(false);
    if (Options && Options->ShowSheet) {
        Options->ShowSheet = false;
        Options->Save();
    }
}

void TGameSheet::PlaceBeside(const QWidget& mainWindow) {
    const QRect board = mainWindow.frameGeometry();
    const QScreen* screen =
        mainWindow.screen() ? mainWindow.screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
    const QSize frame = frameGeometry().size() - size();
    const int wanted = frameGeometry().width();
    const int right = room.right() - board.right(), left = board.left() - room.left();
    // Narrower than it would like rather than over the board, down to a least width.
    constexpr int least = 300;
    int x = 0, width = wanted;
    if (right >= std::min(wanted, least)) {
        width = std::min(wanted, right);
        x = board.right() + 1;
    } else if (left >= std::min(wanted, least)) {
        width = std::min(wanted, left);
        x = board.left() - width;
    } else {
        x = room.right() + 1 - wanted;
    }
    const int height = std::min(std::max(board.height(), 360), room.height());
    const int y = std::clamp(board.top(), room.top(), room.bottom() + 1 - height);
    resize(width - frame.width(), height - frame.height());
    move(x, y);
}

std::vector<std::optional<ai::TMoveReview>> TGameSheet::Reviews() const {
    const record::TGameRecord* game = SheetGame();
    std::vector<std::optional<ai::TMoveReview>> reviews;
    for (int ply = 0; game && ply < game->Length(); ++ply)
        reviews.push_back(ai::ReadReviewComment(game->CommentAfter(ply), game->MoveAt(ply)));
    return reviews;
}

void TGameSheet::Refresh() {
    const record::TGameRecord* game = SheetGame();
    TShown now;
    if (game) {
        now.Game = game;
        now.Start = game->Start();
        for (int ply = 0; ply < game->Length(); ++ply)
            now.Moves.push_back(game->MoveAt(ply));
        now.Name1 = NameOf(*game, 1).toStdString();
        now.Name2 = NameOf(*game, 2).toStdString();
        for (int ply = 0; ply < game->Length(); ++ply)
            now.Comments.push_back(game->CommentAfter(ply));
    }
    const bool changed = !(now == shown_);
    if (changed) {
        shown_ = std::move(now);
        Rebuild(game);
        cursor_ = -1;
    }
    ShowCursor(game);
    LogSheet(*this);
}

void TGameSheet::Rebuild(const record::TGameRecord* game) {
    moves_->setRowCount(0);
    if (!game) {
        players_->setText(Tr(QT_TRANSLATE_NOOP("TGameSheet", "Pas de partie en cours.")));
        curve_->hide();
        return;
    }
    const QString name1 = NameOf(*game, 1), name2 = NameOf(*game, 2);
    players_->setText(Tr(QT_TRANSLATE_NOOP("TGameSheet", "%1 (en bas) contre %2 (en haut)"))
                          .arg(name1.toHtmlEscaped(), name2.toHtmlEscaped()));
    const std::vector<std::optional<ai::TMoveReview>> reviews = Reviews();
    const bool reviewed = std::any_of(reviews.begin(), reviews.end(),
                                      [](const auto& review) { return review.has_value(); });
    for (const int column : {Loss, Best})
        moves_->setColumnHidden(column, !reviewed);

    moves_->setRowCount(game->Length() + 1);
    auto put = [this](int row, int column, const QString& text) {
        auto* item = new QTableWidgetItem(text);
        if (column != Player)
            item->setTextAlignment(Qt::AlignCenter);
        moves_->setItem(row, column, item);
    };
    put(0, Number, QString());
    put(0, Player, Tr(QT_TRANSLATE_NOOP("TGameSheet", "Début")));
    put(0, Score, ScoreText(game->Start()));
    for (int ply = 0; ply < game->Length(); ++ply) {
        const int row = ply + 1;
        const rules::TMoveTrace move = game->TraceAt(ply);
        // Numbered in pairs: player 1's move carries the pair's number, his opponent's answer
        // none; a game that player 2 opens starts with "1...".
        const int pair = (ply + (game->Start().ToMove == 2 ? 1 : 0)) / 2 + 1;
        put(row, Number,
            move.Mover == 1 ? QString("%1.").arg(pair)
                            : (ply == 0 ? QString("%1...").arg(pair) : QString()));
        put(row, Player, move.Mover == 1 ? name1 : name2);
        put(row, Move, QString::fromStdString(record::MoveText(move.Pit, move.Gain)));
        put(row, Gain, QString::number(move.Gain));
        put(row, Score, ScoreText(game->PositionAt(ply + 1)));
        const std::optional<ai::TMoveReview>& review = reviews[static_cast<std::size_t>(ply)];
        if (!review)
            continue;
        put(row, Loss, (Seeds(review->Loss()) + ' ' + ReviewMark(review->Loss())).trimmed());
        // Where the values come from, for whoever asks (a tool-tip, a screen reader's
        // description): the table's exact values, or the search's at its fixed depth.
        moves_->item(row, Loss)->setToolTip(
            review->Source == ai::TValueSource::Table
                ? Tr(QT_TRANSLATE_NOOP("TGameSheet", "Valeurs exactes (table des finales)"))
                : Tr(QT_TRANSLATE_NOOP("TGameSheet", "Valeurs calculées (recherche à %1 coups)"))
                      .arg(ai::kReviewDepth));
        if (review->BestMove != review->Move && game->PositionAt(ply).IsLegal(review->BestMove)) {
            rules::TPosition position = game->PositionAt(ply);
            const rules::TMoveResult best = rules::Play(position, review->BestMove);
            put(row, Best,
                QString::fromStdString(record::MoveText(review->BestMove, best.Captured)));
        }
    }
    if (reviewed) {
        std::vector<ai::TMoveReview> done;
        for (const auto& review : reviews) {
            if (!review)
                break;
            done.push_back(*review);
        }
        curve_->SetValues(ReviewCurveValues(*game, done), name1, name2);
        curve_->show();
    } else {
        curve_->hide();
    }
}

void TGameSheet::ShowCursor(const record::TGameRecord* game) {
    const int cursor = game ? game->Cursor() : -1;
    if (cursor == cursor_)
        return;
    cursor_ = cursor;
    curve_->SetCurrent(std::max(cursor, 0));
    if (!game)
        return;
    // The moves a take-back left after the cursor are shown greyed.
    const QBrush normal = palette().brush(QPalette::Text);
    const QBrush later = palette().brush(QPalette::Disabled, QPalette::Text);
    for (int row = 0; row < moves_->rowCount(); ++row)
        for (int column = 0; column < ColumnCount; ++column)
            if (QTableWidgetItem* item = moves_->item(row, column))
                item->setForeground(row <= cursor ? normal : later);
    const QSignalBlocker blocker(moves_);
    moves_->setCurrentCell(cursor, Move);
    moves_->selectRow(cursor);
    // Once reviewed, the review's columns are the ones kept in sight.
    moves_->scrollToItem(moves_->item(cursor, moves_->isColumnHidden(Loss) ? Player : Best));
}

void TGameSheet::Go(int row) {
    Guarded([row] { GoToPly(row); });
}

bool TGameSheet::CanReview() const {
    const record::TGameRecord* game = SheetGame();
    return !Reviewing() && game && game->Length() > 0;
}

void TGameSheet::StartReview() {
    if (!CanReview())
        return;
    const record::TGameRecord& game = *SheetGame();
    running_ = {game.Start(), {}};
    for (int ply = 0; ply < game.Length(); ++ply)
        running_.Moves.push_back(game.MoveAt(ply));
    ai::TReviewSettings settings;
    // Without the table (memory ran out for it) the review searches every move.
    try {
        settings.Table = &ai::SharedEndgameTable(game.Start().Rules);
    } catch (...) {
    }
    cancel_ = false;
    progress_->setRange(0, static_cast<int>(running_.Moves.size()));
    progress_->setValue(0);
    progress_->show();
    stop_->show();
    const rules::TPosition start = running_.Start;
    const std::vector<int> moves = running_.Moves;
    QObject* const receiver = receiver_; // lives until the worker is joined
    worker_ = std::thread([this, start, moves, settings, receiver] {
        ai::LowerThreadPriority();
        std::vector<ai::TMoveReview> reviews;
        try {
            reviews = ai::ReviewGame(
                start, moves, settings, cancel_, [this, receiver](int done, int total) {
                    QMetaObject::invokeMethod(
                        receiver, [this, done, total] { ReviewProgress(done, total); },
                        Qt::QueuedConnection);
                });
        } catch (...) {
            // Memory ran out: what was reviewed is lost, the sheet stays as it was.
            reviews.clear();
        }
        QMetaObject::invokeMethod(
            receiver, [this, reviews = std::move(reviews)] { ReviewEnded(reviews); },
            Qt::QueuedConnection);
    });
}

void TGameSheet::CancelReview() {
    cancel_ = true;
}

void TGameSheet::ReviewProgress(int done, int total) {
    progress_->setRange(0, total);
    progress_->setValue(done);
}

void TGameSheet::ReviewEnded(std::vector<ai::TMoveReview> reviews) {
    if (worker_.joinable())
        worker_.join();
    progress_->hide();
    stop_->hide();
    // The review goes into the comments of the moves reviewed, as long as the game still has
    // them: it is saved with the game and shown again when the game is opened.
    AnnotateGame([&](record::TGameRecord& game) {
        if (game.Start() != running_.Start)
            return;
        for (std::size_t ply = 0; ply < reviews.size() && ply < running_.Moves.size(); ++ply) {
            const int at = static_cast<int>(ply);
            if (at >= game.Length() || game.MoveAt(at) != running_.Moves[ply])
                break;
            game.SetCommentAfter(at, WithReview(game.CommentAfter(at), reviews[ply]));
        }
    });
    Refresh();
    if (Form1)
        Form1->RefreshGameCommands();
    if (OnReviewEnded)
        OnReviewEnded();
}

// ---------------------------------------------------------------------------------------------

TGameSheet* GameSheet() {
    return sheet;
}

void ShowGameSheet(bool show) {
    if (!Form1)
        return;
    if (Options && Options->ShowSheet != show) {
        Options->ShowSheet = show;
        Options->Save();
    }
    if (Form1->Feuilledepartie1)
        Form1->Feuilledepartie1->setChecked(show);
    if (!show) {
        if (sheet)
            sheet->hide();
        return;
    }
    const bool made = sheet != nullptr;
    if (!made)
        new TGameSheet(Form1); // owned by the main window
    sheet->Refresh();
    if (!sheet->isVisible()) {
        sheet->show();
        if (!made)
            sheet->PlaceBeside(*Form1);
    }
}

void ReviewShownGame() {
    ShowGameSheet(true);
    sheet->StartReview();
}

void RefreshGameSheet() {
    if (sheet && sheet->isVisible())
        sheet->Refresh();
}
