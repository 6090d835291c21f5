// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Hand.h"

#include "engine/DXDraw.h"
#include "game/Game.h"
#include "game/GameHost.h"
#include "graphics/Assets.h"
#include "graphics/GameSprites.h"
#include "graphics/Scene.h"
#include "platform/Pause.h"
#include "platform/Rounding.h"

#include <QApplication>
#include <cmath>

namespace {
// The image list of the hands' pictures.
constexpr int HandList = assets::Image("mainouv").List;

// The player to move, whose hand is the one that moves.
int Mover() {
    return CurrentGame->Tour->Player;
}

TAnimationSpeed Speed() {
    return game::Host().AnimationSpeed();
}

// How the hand moves at a speed: how far it goes at each step of a glide, as a multiple of the
// stored step lengths (0: no step at all, the hand is put at once where the glide ends), and how
// long it holds each closing, opening and dropping picture, in milliseconds. In the order of
// TAnimationSpeed: Normal, Fast, None.
struct TPace {
    double StepScale;
    int HoldMs;
};
constexpr TPace kPaces[] = {{1, 100}, {2, 50}, {0, 0}};

const TPace& Pace() {
    return kPaces[static_cast<int>(Speed())];
}

void Hold() {
    if (const int ms = Pace().HoldMs)
        platform::Sleep(ms);
}
} // namespace

TMain::TMain(int player) {
    Sprite = std::make_unique<TMonSprite>(SpriteEngine());
    Sprite->SetImage(HandList, OpenPicture(player));
    RestX = (game::Host().WindowWidth() - Sprite->Width) / 2.0;
    RestY = player == 1 ? DrawingSurface()->SurfaceHeight() + 1 : -(Sprite->Height + 1.0);
    Sprite->X = RestX;
    Sprite->Y = RestY;
    Sprite->SetZ(4);
}

TMain::~TMain() = default;

void TMain::ResetPosition(int n) {
    RestX = (game::Host().WindowWidth() - Sprite->Width) / 2.0;
    RestY = n == 1 ? game::Host().WindowHeight() + 1.0 : -(Sprite->Height + 1.0);
    Sprite->X = RestX;
    Sprite->Y = RestY;
}

int TMain::StepCount(double distance, double stepLength) {
    return static_cast<int>(RoundHalfEven(distance / stepLength));
}

void TMain::Show(int item) {
    Sprite->SetImage(HandList, item);
}

void TMain::GlideTo(int i, bool dropping) {
    const int p = Mover();
    game::Host().SetHoverTimer(false);
    double tx = RestX;
    double ty = RestY;
    if (i != 0) {
        const TMonSprite& pit = *CurrentGame->Pit(i).Sprite;
        tx = p == 1 ? pit.X - 55 : pit.X - 35;
        ty = p == 1 ? pit.Y - 45 : pit.Y - 65;
        if (dropping) {
            tx += p == 1 ? 35 : -20;
            ty += p == 1 ? 40 : -35;
        }
    }
    const bool atRest = Sprite->X == RestX && Sprite->Y == RestY;
    const double stepLength = (i == 0 || atRest) ? 30 : 15;
    const double distance = std::fabs(Sprite->X - tx) + std::fabs(Sprite->Y - ty);
    const double scale = Pace().StepScale;
    const int steps = scale > 0 ? StepCount(distance, stepLength * scale) : 0;
    if (steps > 0) {
        const double dx = (tx - Sprite->X) / steps;
        const double dy = (ty - Sprite->Y) / steps;
        for (int step = 0; step < steps; ++step) {
            Sprite->X += dx;
            Sprite->Y += dy;
            QApplication::processEvents();
            RedrawScene();
        }
    }
    Sprite->X = tx;
    Sprite->Y = ty;
    RedrawScene();
    game::Host().SetHoverTimer(true);
}

void TMain::PickUp(int i) {
    GlideTo(i, false);
    // A move shown at once would sound its seeds all together: only its harvest is heard.
    if (game::Host().SoundsOn() && Speed() != TAnimationSpeed::None)
        game::Host().PlaySound(assets::Sound("billeprend"));
    CloseHand();
    Tcaze& pit = CurrentGame->Pit(i);
    InHand = pit.Seeds;
    pit.SetSeeds(0);
}

void TMain::DropSeed(int i) {
    GlideTo(i, true);
    const int p = Mover();
    Tcaze& pit = CurrentGame->Pit(i);
    Show(DroppingPicture(p));
    PlaySeedSound(pit.Seeds + 1);
    --InHand;
    Hold();
    Show(FistPicture(p));
    pit.SetSeeds(pit.Seeds + 1);
}

void TMain::CloseHand() {
    const int p = Mover();
    Show(ClosingPicture(p));
    Hold();
    Show(FistPicture(p));
}

void TMain::OpenHand() {
    const int p = Mover();
    Show(ClosingPicture(p));
    Hold();
    Show(OpenPicture(p));
}

void PlaySeedSound(int n) {
    game::TGameHost& host = game::Host();
    if (!host.SoundsOn() || host.AnimationSpeed() == TAnimationSpeed::None)
        return;
    if (n == 1)
        host.PlaySound(assets::Sound("bille1"));
    else if (n >= 2 && n <= 5)
        host.PlaySound(assets::Sound("billeplus"));
    else if (n >= 6)
        host.PlaySound(assets::Sound("billebcp"));
}
