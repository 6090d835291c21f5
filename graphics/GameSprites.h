// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's two sprite kinds: an image sprite that shows one item of one of the three image
// lists, and a text sprite that writes one line in a font of its own on the back surface.
#include "engine/Sprites.h"
#include "graphics/Assets.h"
#include "platform/Graphics.h"

#include <QString>
#include <memory>

class TDXDraw;
class TPictureCollectionItem;

// Item index of image list 1, 2 or 3; null for any other list.
TPictureCollectionItem* ImageItem(int list, int index);
// The root of the main window's sprite engine.
TSpriteEngine* SpriteEngine();

// An image sprite of the game. It starts on "plateau" at depth 2, wholly above and left of the
// surface, so it is not drawn until placed.
class TMonSprite : public TImageSprite {
public:
    explicit TMonSprite(TSprite* parent);
    // Shows item index of image list `list` (1 to 3; any other list keeps the picture), takes
    // its size and redraws the scene.
    void SetImage(int list, int index);
    void SetImage(assets::ImageRef item);
};

// The picture under everything, the presentation picture or the board; made by the window at
// start-up.
extern std::unique_ptr<TMonSprite> BackgroundSprite;

// The label a text sprite keeps its text and font in; it is never placed in a window.
struct TLabel {
    QString Caption;
    TFont Font;
};

// A line of text written on the back surface of a drawing surface, with a clear brush, at the
// sprite's position rounded to whole pixels. It has no size.
class TDXTextSprite : public TSprite {
public:
    TDXTextSprite(TSprite* parent, TDXDraw* dxDraw);
    ~TDXTextSprite() override;

    std::unique_ptr<TLabel> TextLabel;
    TDXDraw* DXDraw;

protected:
    void DrawSelf() override;
};
