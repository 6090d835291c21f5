// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Marks laid over the board for play without the mouse, for counting at a glance and for
// seeing what just happened: a warm ring around the pit the keyboard would play, a small plaque
// with a pit's count, and a thin pale ring around the pit the last move started from. All are
// blended over the back surface of a drawing surface.
#include "engine/Sprites.h"

#include <QImage>

class TDXDraw;

// A ring sized to frame one pit picture (65 x 65), blended over the back surface at its
// scale. Placed with Frame, hidden with Visible.
class TRingSprite : public TSprite {
public:
    // Puts the ring around the pit picture whose top-left corner is at (pitX, pitY).
    void Frame(double pitX, double pitY);
    static constexpr int Margin = 8; // how far the picture reaches beyond the pit on each side

protected:
    TRingSprite(TSprite* parent, TDXDraw* dxDraw);
    // The ring's picture for a back surface's scale.
    virtual const QImage& PictureFor(double scale) const = 0;
    void DrawSelf() override;

private:
    TDXDraw* dxDraw_;
};

// A brass-coloured ring with a soft glow: the pit the keyboard would play.
class TPitMarkSprite : public TRingSprite {
public:
    TPitMarkSprite(TSprite* parent, TDXDraw* dxDraw) : TRingSprite(parent, dxDraw) {}
    // The ring's picture: a premultiplied ARGB square whose centre is the pit's centre, drawn
    // for a scale (its device pixel ratio), the pixels of a back surface of that scale.
    static const QImage& Picture(double scale = 1.0);

protected:
    const QImage& PictureFor(double scale) const override { return Picture(scale); }
};

// A thin, cool, pale ring around the pit the last move started from: discreet beside the
// keyboard's warm ring, and never mistaken for it (its green stays well below the brass's).
class TLastMoveSprite : public TRingSprite {
public:
    TLastMoveSprite(TSprite* parent, TDXDraw* dxDraw) : TRingSprite(parent, dxDraw) {}
    // The ring's picture, as the keyboard's ring's.
    static const QImage& Picture(double scale = 1.0);

protected:
    const QImage& PictureFor(double scale) const override { return Picture(scale); }
};

// A dark plaque with a pit's count in light figures, readable over the wood.
class TPitCountSprite : public TSprite {
public:
    TPitCountSprite(TSprite* parent, TDXDraw* dxDraw);
    int Count = 0;
    static constexpr int PlaqueWidth = 26;
    static constexpr int PlaqueHeight = 17;
    static const QImage& Plaque(double scale = 1.0);

protected:
    void DrawSelf() override;

private:
    TDXDraw* dxDraw_;
};
