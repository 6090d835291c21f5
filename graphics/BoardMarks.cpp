// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/BoardMarks.h"

#include "engine/DXDraw.h"
#include "engine/DirectX.h"
#include "platform/Rounding.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace {

constexpr int PitSize = 65;

// The canvas of a drawing surface's back surface, or null while it cannot be drawn on (none
// yet, or lost: the drawing surface restores it at the next presentation).
TDirectDrawSurfaceCanvas* BackCanvas(TDXDraw* dxDraw) {
    TDirectDrawSurface* surface = dxDraw ? dxDraw->Surface() : nullptr;
    if (!surface)
        return nullptr;
    if (surface->IDDSurface() && surface->IDDSurface()->IsLost() == DDERR_SURFACELOST)
        return nullptr;
    return &surface->Canvas();
}

struct TRgba {
    double r, g, b, a; // straight colour 0..255, alpha 0..1
};

// src over dst, straight colours.
TRgba Over(const TRgba& src, const TRgba& dst) {
    const double a = src.a + dst.a * (1 - src.a);
    if (a <= 0)
        return {0, 0, 0, 0};
    auto mix = [&](double s, double d) { return (s * src.a + d * dst.a * (1 - src.a)) / a; };
    return {mix(src.r, dst.r), mix(src.g, dst.g), mix(src.b, dst.b), a};
}

QRgb Premultiplied(const TRgba& c) {
    const double a = std::clamp(c.a, 0.0, 1.0);
    auto channel = [a](double v) {
        return static_cast<int>(std::lround(std::clamp(v, 0.0, 255.0) * a));
    };
    return qRgba(channel(c.r), channel(c.g), channel(c.b), static_cast<int>(std::lround(a * 255)));
}

// A soft band: 1 at distance 0 from its centre line, falling off as a bell of the given width.
double Band(double distance, double width) {
    return std::exp(-(distance * distance) / (2 * width * width));
}

// A picture of w x h units whose colour at a point is colourAt(x, y), drawn for a scale (that
// many pixels per unit, its device pixel ratio) and averaged over samples x samples points in
// every pixel for smooth edges.
template <typename ColourAt>
QImage Supersampled(int units, int unitsHigh, double scale, int samples, ColourAt colourAt) {
    const int w = ScaledLength(units, scale), h = ScaledLength(unitsHigh, scale);
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            TRgba sum{0, 0, 0, 0};
            for (int sy = 0; sy < samples; ++sy)
                for (int sx = 0; sx < samples; ++sx) {
                    const TRgba c = colourAt((x + (sx + 0.5) / samples) / scale,
                                             (y + (sy + 0.5) / samples) / scale);
                    sum.r += c.r * c.a;
                    sum.g += c.g * c.a;
                    sum.b += c.b * c.a;
                    sum.a += c.a;
                }
            const double n = samples * samples;
            const TRgba pixel = sum.a > 0
                                    ? TRgba{sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / n}
                                    : TRgba{0, 0, 0, 0};
            image.setPixel(x, y, Premultiplied(pixel));
        }
    image.setDevicePixelRatio(scale);
    return image;
}

// The picture made by make for each scale asked for, made once.
template <typename Make>
const QImage& ForScale(std::map<double, QImage>& made, double scale, Make make) {
    auto found = made.find(scale);
    if (found == made.end())
        found = made.emplace(scale, make(scale)).first;
    return found->second;
}

// The scale of a drawing surface's back surface (1 without one).
double BackScale(TDXDraw* dxDraw) {
    const TDirectDrawSurface* surface = dxDraw ? dxDraw->Surface() : nullptr;
    return surface ? surface->Scale() : 1.0;
}

QImage MakeRing(double scale) {
    const int size = PitSize + 2 * TPitMarkSprite::Margin;
    const double centre = size / 2.0;
    constexpr double radius = 33.0; // just outside the pit's rim
    return Supersampled(size, size, scale, 4, [&](double x, double y) {
        const double px = x - centre;
        const double py = y - centre;
        const double d = std::hypot(px, py) - radius;
        // A warm glow on both sides, a dark edge outside for the light wood, and a bright brass
        // line, lit from the upper left as the board's reliefs are.
        const double light = 0.5 - 0.5 * (px + py) / std::max(1e-9, std::hypot(px, py)) * 0.7;
        TRgba c{0, 0, 0, 0};
        c = Over({255, 160, 40, 0.8 * Band(d, 3.0)}, c);
        c = Over({55, 25, 5, 0.75 * Band(d - 3.2, 0.9)}, c);
        c = Over({255, 200 + 40 * light, 110 + 80 * light, Band(d, 1.4)}, c);
        return c;
    });
}

QImage MakeLastMoveRing(double scale) {
    const int size = PitSize + 2 * TLastMoveSprite::Margin;
    const double centre = size / 2.0;
    constexpr double radius = 33.0; // where the keyboard's ring lies: both frame the pit alike
    return Supersampled(size, size, scale, 4, [&](double x, double y) {
        const double d = std::hypot(x - centre, y - centre) - radius;
        // A faint shadow outside for the light wood, under a thin line of pale sky blue.
        TRgba c{0, 0, 0, 0};
        c = Over({30, 20, 10, 0.35 * Band(d - 2.2, 0.8)}, c);
        c = Over({140, 175, 250, 0.9 * Band(d, 1.1)}, c);
        return c;
    });
}

QImage MakePlaque(double scale) {
    const int w = TPitCountSprite::PlaqueWidth;
    const int h = TPitCountSprite::PlaqueHeight;
    const double corner = h / 2.0 - 1;
    return Supersampled(w, h, scale, 4, [&](double px, double py) {
        // Signed distance to a rounded rectangle inset by half a pixel.
        const double qx = std::abs(px - w / 2.0) - (w / 2.0 - 0.5 - corner);
        const double qy = std::abs(py - h / 2.0) - (h / 2.0 - 0.5 - corner);
        const double d = std::hypot(std::max(qx, 0.0), std::max(qy, 0.0)) +
                         std::min(std::max(qx, qy), 0.0) - corner;
        if (d > 0)
            return TRgba{0, 0, 0, 0};
        return d > -1.2 ? TRgba{214, 168, 92, 0.95} // brass rim
                        : TRgba{48, 26, 12, 0.86};  // dark wood inlay
    });
}

} // namespace

TRingSprite::TRingSprite(TSprite* parent, TDXDraw* dxDraw) : TSprite(parent), dxDraw_(dxDraw) {
    Width = PitSize + 2 * Margin;
    Height = Width;
    Visible = false;
}

void TRingSprite::Frame(double pitX, double pitY) {
    X = pitX - Margin;
    Y = pitY - Margin;
}

void TRingSprite::DrawSelf() {
    if (TDirectDrawSurfaceCanvas* canvas = BackCanvas(dxDraw_)) {
        canvas->AlphaDraw(static_cast<int>(X), static_cast<int>(Y), PictureFor(BackScale(dxDraw_)));
        canvas->Release();
    }
}

const QImage& TPitMarkSprite::Picture(double scale) {
    static std::map<double, QImage> rings;
    return ForScale(rings, scale, MakeRing);
}

const QImage& TLastMoveSprite::Picture(double scale) {
    static std::map<double, QImage> rings;
    return ForScale(rings, scale, MakeLastMoveRing);
}

TPitCountSprite::TPitCountSprite(TSprite* parent, TDXDraw* dxDraw)
    : TSprite(parent), dxDraw_(dxDraw) {
    Width = PlaqueWidth;
    Height = PlaqueHeight;
    Visible = false;
}

const QImage& TPitCountSprite::Plaque(double scale) {
    static std::map<double, QImage> plaques;
    return ForScale(plaques, scale, MakePlaque);
}

void TPitCountSprite::DrawSelf() {
    TDirectDrawSurfaceCanvas* canvas = BackCanvas(dxDraw_);
    if (!canvas)
        return;
    const int x = static_cast<int>(X);
    const int y = static_cast<int>(Y);
    canvas->AlphaDraw(x, y, Plaque(BackScale(dxDraw_)));
    const TBrushStyle savedBrush = canvas->Brush.Style;
    const TFont savedFont = canvas->Font;
    canvas->Brush.Style = TBrushStyle::bsClear;
    canvas->Font.Name = "Arial";
    canvas->Font.Size = 9;
    canvas->Font.Style = TFontStyles{.Bold = true};
    canvas->Font.Color = RGB(250, 232, 190);
    const QString text = QString::number(Count);
    const QSize extent = canvas->TextExtent(text);
    canvas->TextOut(x + (PlaqueWidth - extent.width()) / 2,
                    y + (PlaqueHeight - extent.height()) / 2, text);
    canvas->Brush.Style = savedBrush;
    canvas->Font = savedFont;
    canvas->Release();
}
