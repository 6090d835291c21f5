// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/BoardAccessibility.h"

#include "engine/DXDraw.h"
#include "game/Game.h"
#include "game/Score.h"
#include "graphics/GameSprites.h"
#include "platform/Rounding.h"
#include "ui/GameFiles.h"
#include "ui/Hint.h"
#include "ui/KeyboardPlay.h"
#include "ui/Main.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <array>

namespace {

// The parts of the board after its twelve pits.
enum TPart { Score1 = 12, Score2, Turn, LastMove, HintPart, PartCount };

bool GameOnBoard() {
    return CurrentGame && AppState != TAppState::Presentation;
}

int OwnersNumber(int pit) {
    return (pit - 1) % 6 + 1;
}

class TBoardAccessible;

// A pit or a line of text of the board: no object of its own, owned by the accessibility cache
// and released with the board's interface.
class TBoardPart : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    TBoardPart(TBoardAccessible* board, int index) : board_(board), index_(index) {}

    bool isValid() const override;
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override {
        return IsPit() ? QAccessible::Button : QAccessible::StaticText;
    }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface && IsPit()
                   ? static_cast<QAccessibleActionInterface*>(this)
                   : nullptr;
    }

    QStringList actionNames() const override;
    void doAction(const QString& name) override;
    QStringList keyBindingsForAction(const QString& name) const override;

private:
    bool IsPit() const { return index_ < 12; }
    int Pit() const { return index_ + 1; }
    TBoardAccessible* board_;
    const int index_;
};

// The drawing surface: its pits and its lines of text. It also tells assistive technologies
// what changed since it last told them.
class TBoardAccessible : public QAccessibleWidget {
public:
    explicit TBoardAccessible(QWidget* board) : QAccessibleWidget(board, QAccessible::Grouping) {}
    ~TBoardAccessible() override {
        for (const QAccessible::Id id : ids_)
            if (id != 0)
                QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return PartCount; }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= PartCount)
            return nullptr;
        QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
        if (id == 0)
            id = QAccessible::registerAccessibleInterface(
                new TBoardPart(const_cast<TBoardAccessible*>(this), index));
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* part) const override {
        for (int i = 0; i < PartCount; ++i)
            if (ids_[static_cast<std::size_t>(i)] != 0 && child(i) == part)
                return i;
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < PartCount; ++i)
            if (child(i)->rect().contains(x, y))
                return child(i);
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        const int pit = FocusedPit();
        return pit ? child(pit - 1) : nullptr;
    }
    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return QCoreApplication::translate("Accessibility", "Plateau");
        case QAccessible::Description:
            return GameOnBoard()
                       ? TurnAccessibleName()
                       : QCoreApplication::translate("Accessibility", "Aucune partie en cours");
        default:
            return QAccessibleWidget::text(t);
        }
    }

    // The pit that has the focus: the ring's, while the board has the keyboard.
    int FocusedPit() const { return widget()->hasFocus() ? KeyboardMark() : 0; }
    // The last move's line changes when a move has ended, not when it starts; the move that
    // ends the game has ended once the game is over, while the end's notices are still up.
    const QString& LastMoveText() const {
        if (AppState != TAppState::Distribution || (CurrentGame && CurrentGame->Over))
            lastMove_ = LastMoveAccessibleName();
        return lastMove_;
    }

    void TellChanges() {
        for (int i = 0; i < PartCount; ++i) {
            QAccessibleInterface* part = child(i);
            const std::size_t k = static_cast<std::size_t>(i);
            const QString name = part->text(QAccessible::Name);
            if (name != names_[k]) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 8, 0)
                // Where the library can ask for it, a move that ends and a hint that comes are
                // also read out at once.
                if ((i == LastMove && !names_[k].isEmpty() && !name.isEmpty()) ||
                    (i == HintPart && !name.isEmpty())) {
                    QAccessibleAnnouncementEvent announcement(part, name);
                    QAccessible::updateAccessibility(&announcement);
                }
#endif
                names_[k] = name;
                QAccessibleEvent event(part, QAccessible::NameChanged);
                QAccessible::updateAccessibility(&event);
            }
            const QAccessible::State now = part->state();
            QAccessible::State changed;
            changed.disabled = now.disabled != states_[k].disabled;
            changed.invisible = now.invisible != states_[k].invisible;
            changed.focused = now.focused != states_[k].focused;
            states_[k] = now;
            if (changed.disabled || changed.invisible || changed.focused) {
                QAccessibleStateChangeEvent event(part, changed);
                QAccessible::updateAccessibility(&event);
            }
        }
        const int focused = FocusedPit();
        if (focused != focused_) {
            focused_ = focused;
            if (focused != 0) {
                QAccessibleEvent event(child(focused - 1), QAccessible::Focus);
                QAccessible::updateAccessibility(&event);
            }
        }
    }

private:
    mutable std::array<QAccessible::Id, PartCount> ids_{};
    std::array<QString, PartCount> names_;
    std::array<QAccessible::State, PartCount> states_{};
    int focused_ = 0;
    mutable QString lastMove_;
};

bool TBoardPart::isValid() const {
    return board_->isValid();
}

QWindow* TBoardPart::window() const {
    return board_->window();
}

QAccessibleInterface* TBoardPart::parent() const {
    return board_;
}

QString TBoardPart::text(QAccessible::Text t) const {
    if (t != QAccessible::Name)
        return {};
    if (IsPit())
        return PitAccessibleName(Pit());
    switch (index_) {
    case Score1:
    case Score2:
        return ScoreAccessibleName(index_ - Score1 + 1);
    case Turn:
        return TurnAccessibleName();
    case HintPart:
        return HintAccessibleName();
    default:
        return board_->LastMoveText();
    }
}

QRect TBoardPart::rect() const {
    const QWidget* surface = Form1 ? Form1->DrawingArea() : nullptr;
    if (!surface || !GameOnBoard())
        return {};
    // The board's coordinates, on a board shown at its zoom.
    const double zoom = Form1->ShownZoom();
    auto onScreen = [surface, zoom](double x, double y, int width, int height) {
        const int left = static_cast<int>(x), top = static_cast<int>(y);
        const QPoint corner(ScaledLength(left, zoom), ScaledLength(top, zoom));
        return QRect(surface->mapToGlobal(corner),
                     QSize(ScaledLength(left + width, zoom) - corner.x(),
                           ScaledLength(top + height, zoom) - corner.y()));
    };
    if (IsPit()) {
        const TMonSprite& sprite = *CurrentGame->Pit(Pit()).Sprite;
        return onScreen(sprite.X, sprite.Y, static_cast<int>(sprite.Width),
                        static_cast<int>(sprite.Height));
    }
    if (index_ == Score1 || index_ == Score2) {
        const int n = index_ - Score1 + 1;
        return onScreen(TScore::TextX(n), TScore::TextY(n), 240, 30);
    }
    if (index_ == HintPart) {
        const TDXTextSprite& line = *CurrentGame->HintLine;
        return onScreen(line.X, line.Y, 330, 24);
    }
    return QRect(surface->mapToGlobal(QPoint(0, 0)), surface->size());
}

QAccessible::State TBoardPart::state() const {
    QAccessible::State state;
    if (!GameOnBoard()) {
        state.invisible = true;
        return state;
    }
    if (IsPit()) {
        state.focusable = true;
        state.disabled = !CurrentGame->Pit(Pit()).CanPlay();
        state.focused = board_->FocusedPit() == Pit();
    } else {
        state.readOnly = true;
        // The hint's line is there while a hint is shown.
        state.invisible = index_ == HintPart && HintAccessibleName().isEmpty();
    }
    return state;
}

QStringList TBoardPart::actionNames() const {
    if (GameOnBoard() && CurrentGame->Pit(Pit()).CanPlay())
        return {pressAction()};
    return {};
}

void TBoardPart::doAction(const QString& name) {
    if (name != pressAction())
        return;
    // Played from the event loop: the move is shown step by step, and the caller is answered
    // at once rather than when the move ends.
    const int pit = Pit();
    QTimer::singleShot(0, Form1, [pit] {
        Guarded([pit] {
            if (GameOnBoard() && CurrentGame->Pit(pit).CanPlay())
                PlayMove(pit);
        });
    });
}

QStringList TBoardPart::keyBindingsForAction(const QString& name) const {
    if (name != pressAction())
        return {};
    return {QString::number(OwnersNumber(Pit()))};
}

QAccessibleInterface* BoardFactory(const QString&, QObject* object) {
    if (Form1 && object && object == Form1->DrawingArea())
        return new TBoardAccessible(static_cast<QWidget*>(object));
    return nullptr;
}

} // namespace

void InstallBoardAccessibility() {
    QAccessible::installFactory(BoardFactory);
}

void UpdateBoardAccessibility() {
    if (!QAccessible::isActive() || !Form1 || !Form1->DrawingArea())
        return;
    auto* board = dynamic_cast<TBoardAccessible*>(
        QAccessible::queryAccessibleInterface(Form1->DrawingArea()));
    if (board)
        board->TellChanges();
}

QString SeedsText(int seeds) {
    // French counts 0 and 1 in the singular, English 1 alone.
    if (seeds == 0)
        return QCoreApplication::translate("Accessibility", "0 graine");
    if (seeds == 1)
        return QCoreApplication::translate("Accessibility", "1 graine");
    return QCoreApplication::translate("Accessibility", "%1 graines").arg(seeds);
}

QString PitAccessibleName(int pit) {
    if (!GameOnBoard() || pit < 1 || pit > 12)
        return {};
    const Tcaze& it = CurrentGame->Pit(pit);
    return QCoreApplication::translate("Accessibility", "Case %1 de %2 : %3")
        .arg(QString::number(OwnersNumber(pit)), CurrentGame->Player(it.Owner()).Name,
             SeedsText(it.Seeds));
}

QString ScoreAccessibleName(int player) {
    if (!GameOnBoard())
        return {};
    const TJoueur& who = CurrentGame->Player(player);
    return QCoreApplication::translate("Accessibility", "Score de %1 : %2")
        .arg(who.Name, QString::number(who.Score->Value));
}

QString TurnAccessibleName() {
    if (!GameOnBoard())
        return {};
    if (CurrentGame->Over || CurrentGame->Record.Over())
        return QCoreApplication::translate("Accessibility", "Partie terminée");
    return QCoreApplication::translate("Accessibility", "Au tour de %1")
        .arg(CurrentGame->PlayerToMove().Name);
}

QString LastMoveAccessibleName() {
    if (!GameOnBoard())
        return {};
    const record::TGameRecord& record = CurrentGame->Record;
    if (record.Cursor() == 0)
        return QCoreApplication::translate("Accessibility", "Aucun coup joué");
    const rules::TMoveTrace move = record.TraceAt(record.Cursor() - 1);
    const rules::TPosition& now = record.Current();
    return QCoreApplication::translate("Accessibility",
                                       "%1 a joué sa case %2 et pris %3. Scores : %4, %5.")
        .arg(CurrentGame->Player(move.Mover).Name, QString::number(OwnersNumber(move.Pit)),
             SeedsText(move.Gain), ScoreLine(CurrentGame->Player(1).Name, now.Score[1]),
             ScoreLine(CurrentGame->Player(2).Name, now.Score[2]));
}
