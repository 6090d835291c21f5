// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/Pit.h"

#include "engine/ImageList.h"
#include "game/AppState.h"
#include "game/Game.h"
#include "game/GameHost.h"
#include "graphics/Assets.h"
#include "graphics/BoardMarks.h"
#include "graphics/GameSprites.h"
#include "graphics/Scene.h"

namespace {
// The image list of the pits' pictures.
constexpr int PitList = assets::Image("case0").List;
} // namespace

Tcaze::Tcaze(int index) : Index(index) {
    Sprite = std::make_unique<TMonSprite>(SpriteEngine());
    Sprite->SetZ(2);
    Count = std::make_unique<TPitCountSprite>(SpriteEngine(), DrawingSurface());
    Count->SetZ(3);
    // The first picture is set directly, without a redraw.
    ShowSeeds(Seeds);
}

Tcaze::~Tcaze() = default;

void Tcaze::SetSeeds(int n) {
    Seeds = n;
    ShowCount();
    Sprite->SetImage(PitList, PictureFor(n));
}

void Tcaze::ShowSeeds(int n) {
    Seeds = n;
    ShowCount();
    Sprite->Image = ImageItem(PitList, PictureFor(n));
    Sprite->Width = Sprite->Image->Width();
    Sprite->Height = Sprite->Image->Height();
}

void Tcaze::PlaceSprite(int i) {
    Sprite->X = BackgroundSprite->X + OffsetX(i);
    Sprite->Y = BackgroundSprite->Y + OffsetY(i);
    // The count sits on the pit's outer side, its plaque over the rim, centred below player 1's
    // pits and above player 2's.
    Count->X = Sprite->X + (65 - TPitCountSprite::PlaqueWidth) / 2.0;
    Count->Y = i <= 6 ? Sprite->Y + 65 - 9 : Sprite->Y - TPitCountSprite::PlaqueHeight + 9;
}

void Tcaze::ShowCount() {
    Count->Count = Seeds;
    Count->Visible = game::Host().ShowCounts();
}

bool Tcaze::CanPlay() const {
    // The record says which pits the rules allow: the mover's, holding seeds, in a game not over.
    return AppState == TAppState::Jeu && CurrentGame && CurrentGame->Record.IsLegal(Index) &&
           !CurrentGame->Player(Owner()).Computer;
}
