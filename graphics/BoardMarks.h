// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Marks laid over the board for play without the mouse, for counting at a glance and for
// seeing what just happened: a warm ring around the pit the keyboard would play, a small plaque
// with a pit's count, and a thin pale ring around the pit the last move started from. All are
// blended over the back surface of a drawing surface.
#include "engine/Sprites.h"

#include <QImage>

class TDXDraw;

// A brass-coloured ring with a soft glow, sized to frame one pit picture (65 x 65). Placed
// with Frame, hidden with Visible.
class TPitMarkSprite : public TSprite {
public:
    TPitMarkSprite(TSprite* parent, TDXDraw* dxDraw);
    // Puts the ring around the pit picture whose top-left corner is at (pitX, pitY).
    void Frame(double pitX, double pitY);
    // The ring's picture: a premultiplied ARGB square whose centre is the pit's centre.
    static const QImage& Picture();
    static constexpr int Margin = 8; // how far the picture reaches beyond the pit on each side

protected:
    void DrawSelf() override;

private:
    TDXDraw* dxDraw_;
};

// A thin, cool, pale ring around the pit the last move started from: discreet beside the
// keyboard's warm ring, and never mistaken for it (its green stays well below the brass's).
// Placed with Frame, hidden with Visible.
class TLastMoveSprite : public TSprite {
public:
    TLastMoveSprite(TSprite* parent, TDXDraw* dxDraw);
    // Puts the ring around the pit picture whose top-left corner is at (pitX, pitY).
    void Frame(double pitX, double pitY);
    // The ring's picture: a premultiplied ARGB square whose centre is the pit's centre.
    static const QImage& Picture();
    static constexpr int Margin = 8; // how far the picture reaches beyond the pit on each side

protected:
    void DrawSelf() override;

private:
    TDXDraw* dxDraw_;
};

// A dark plaque with a pit's count in light figures, readable over the wood.
class TPitCountSprite : public TSprite {
public:
    TPitCountSprite(TSprite* parent, TDXDraw* dxDraw);
    int Count = 0;
    static constexpr int PlaqueWidth = 26;
    static constexpr int PlaqueHeight = 17;
    static const QImage& Plaque();

protected:
    void DrawSelf() override;

private:
    TDXDraw* dxDraw_;
};
