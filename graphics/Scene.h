// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window the game's pictures are shown in, as the sprites see it. The main window installs
// it when it is made; without it there are no image lists, no sprite engine and no frame.
class TDXDraw;
class TDXImageList;
class TDXSpriteEngine;
class TSpriteEngine;

namespace graphics {

class TScene {
public:
    virtual ~TScene() = default;
    // Image list n (1 to 3), the sprite engine and the drawing surface; null until made.
    virtual TDXImageList* ImageList(int n) const = 0;
    virtual TDXSpriteEngine* SpriteEngine() const = 0;
    virtual TDXDraw* DrawingSurface() const = 0;
    // Draws one frame of the scene as it is now.
    virtual void Draw() = 0;
};

// The scene in use from now on (nullptr: none), and the one in use.
void InstallScene(TScene* scene);
TScene* InstalledScene();

} // namespace graphics

// Draws one frame of the installed scene.
void RedrawScene();
// The installed scene's drawing surface, null without one.
TDXDraw* DrawingSurface();
