// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/PitPicking.h"

#include "engine/DXDraw.h"
#include "game/Game.h"
#include "graphics/GameSprites.h"
#include "ui/BoardAccessibility.h"
#include "ui/GameFiles.h"
#include "ui/Hint.h"
#include "ui/KeyboardPlay.h"
#include "ui/Main.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>
#include <QToolTip>

int PitAt(QPoint screen) {
    if (AppState == TAppState::Presentation || !CurrentGame)
        return 0;
    double cx = screen.x();
    double cy = screen.y();
    const double left = Form1->Left();
    const double top = Form1->Top();
    // On a board shown larger, the pointer is brought back to the board's own coordinates
    // about the board's top-left corner, where the frame's formula expects it.
    const double zoom = Form1->ShownZoom();
    if (zoom != 1.0) {
        cx = left + 3 + (cx - left - 3) / zoom;
        cy = top + 40 + (cy - top - 40) / zoom;
    }
    int found = 0;
    for (int i = 1; i <= 12; ++i) {
        const TMonSprite& sprite = *CurrentGame->Pit(i).Sprite;
        if (left + sprite.X + 3 <= cx && cx <= left + sprite.X + sprite.Width + 3 &&
            top + sprite.Y + 40 <= cy && cy <= top + sprite.Y + sprite.Height + 40)
            found = i;
    }
    return found;
}

int PitUnderMouse() {
    return PitAt(QCursor::pos());
}

void UpdateHover() {
    const int i = PitUnderMouse();
    if (i == 0) {
        ClearHover();
        return;
    }
    const Tcaze& pit = CurrentGame->Pit(i);
    // A pit the complete rules forbid says why beside its count.
    QString hint = QString::number(pit.Seeds);
    switch (CurrentGame->Record.Current().Refusal(i)) {
    case rules::TPosition::TRefusal::Kills:
        hint += "\n" + QCoreApplication::translate(
                           "Board", "Interdit : ce coup prendrait toutes les graines de "
                                    "l'adversaire");
        break;
    case rules::TPosition::TRefusal::DoesNotFeed:
        hint += "\n" + QCoreApplication::translate(
                           "Board", "Interdit : l'adversaire n'a plus de graine, il faut "
                                    "le nourrir");
        break;
    case rules::TPosition::TRefusal::None:
        break;
    }
    Form1->SetHint(hint);
    Form1->SetShowHint(true);
    Form1->DXDraw1->setCursor(pit.CanPlay() ? Qt::PointingHandCursor // crHandPoint
                                            : Qt::ForbiddenCursor);  // crNoDrop
}

void ClearHover() {
    if (!Form1 || !Form1->DXDraw1)
        return;
    Form1->DXDraw1->setCursor(Qt::ArrowCursor); // crDefault
    Form1->SetShowHint(false);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    // Qt asks the drawing surface for its tool-tip when the pointer comes to rest, which may be
    // before the timer's next tick: while a game is on, the hint is brought up to date first.
    if (watched == DXDraw1 && event->type() == QEvent::ToolTip && CurrentGame)
        Guarded([] { UpdateHover(); });
    // The board given the keyboard gives its focus to the ring's pit, once the window system
    // has been told of the board's own focus.
    if (watched == DXDraw1 &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        QTimer::singleShot(0, DXDraw1, [] { UpdateBoardAccessibility(); });
    // The keys of play on the board; with Ctrl or Alt a key is a command's, not the board's.
    if (watched == DXDraw1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers others =
            key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
        const bool moves = key->key() == Qt::Key_Left || key->key() == Qt::Key_Right;
        if (others == Qt::NoModifier && (moves || !key->isAutoRepeat())) {
            bool handled = false;
            Guarded([&] {
                handled = key->key() == Qt::Key_Escape ? DismissHint() : HandleBoardKey(key->key());
            });
            if (handled)
                return true;
        }
    }
    return TDXForm::eventFilter(watched, event);
}

void TForm1::Timer1Timer() {
    UpdateHover();
}

void TForm1::DXDraw1DblClick() {
    const int i = PitUnderMouse();
    if (i == 0)
        return;
    if (!CurrentGame->Pit(i).CanPlay())
        return;
    HideKeyboardRing(); // the mouse plays: the keyboard's ring waits for the keys again
    PlayMove(i);
}
