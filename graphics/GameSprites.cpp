// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/GameSprites.h"

#include "engine/DXDraw.h"
#include "engine/DirectX.h"
#include "engine/ImageList.h"
#include "graphics/Scene.h"
#include "platform/Rounding.h"

std::unique_ptr<TMonSprite> BackgroundSprite;

TPictureCollectionItem* ImageItem(int list, int index) {
    const graphics::TScene* scene = graphics::InstalledScene();
    TDXImageList* images = scene && list >= 1 && list <= 3 ? scene->ImageList(list) : nullptr;
    if (!images)
        return nullptr;
    return &images->Items().Items(index);
}

TSpriteEngine* SpriteEngine() {
    const graphics::TScene* scene = graphics::InstalledScene();
    TDXSpriteEngine* engine = scene ? scene->SpriteEngine() : nullptr;
    return engine ? &engine->Engine() : nullptr;
}

TMonSprite::TMonSprite(TSprite* parent) : TImageSprite(parent) {
    constexpr assets::ImageRef board = assets::Image("plateau");
    Image = ImageItem(board.List, board.Index);
    SetZ(2);
    Width = Image->Width();
    Height = Image->Height();
    X = -(Width + 1.0);
    Y = -(Height + 1.0);
}

void TMonSprite::SetImage(assets::ImageRef item) {
    SetImage(item.List, item.Index);
}

void TMonSprite::SetImage(int list, int index) {
    if (TPictureCollectionItem* item = ImageItem(list, index))
        Image = item;
    Width = Image->Width();
    Height = Image->Height();
    RedrawScene();
}

TDXTextSprite::TDXTextSprite(TSprite* parent, TDXDraw* dxDraw)
    : TSprite(parent), TextLabel(std::make_unique<TLabel>()), DXDraw(dxDraw) {
    SetZ(1);
}

TDXTextSprite::~TDXTextSprite() {
    TextLabel.reset();
}

void TDXTextSprite::DrawSelf() {
    TDirectDrawSurface* surface = DXDraw ? DXDraw->Surface() : nullptr;
    if (!surface)
        return;
    // A lost surface gives no device context: the text is left out of this frame, as a blit
    // onto it is, and the drawing surface restores it at the next presentation.
    if (surface->IDDSurface() && surface->IDDSurface()->IsLost() == DDERR_SURFACELOST)
        return;
    TDirectDrawSurfaceCanvas& canvas = surface->Canvas();
    const TBrushStyle savedBrush = canvas.Brush.Style;
    const TFont savedFont = canvas.Font;
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font = TextLabel->Font;
    canvas.TextOut(RoundToInt(X), RoundToInt(Y), TextLabel->Caption);
    canvas.Release();
    TDirectDrawSurfaceCanvas& again = surface->Canvas();
    again.Brush.Style = savedBrush;
    again.Font = savedFont;
}
