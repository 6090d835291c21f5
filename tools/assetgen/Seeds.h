// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Seeds: grey-green nicker seeds, shaded from the upper left, each with its dark eye.
#include <QImage>
#include <QPainter>
#include <vector>

namespace gen {

struct SeedPlace {
    double X = 0, Y = 0; // centre, in pixels of the final picture
    double Angle = 0;    // degrees
    int Layer = 0;       // 0 on the pit's floor, higher on top of other seeds
    int Variety = 0;     // slight differences of size and colour
};

// Where n seeds lie in a pit centred at (cx, cy).
std::vector<SeedPlace> ArrangeSeeds(int count, double cx, double cy);

// Paints a seed, or its cast shadow, at `scale` times the final size.
void DrawSeed(QPainter& painter, const SeedPlace& place, double scale);
void DrawSeedShadow(QPainter& painter, const SeedPlace& place, double scale);

// Paints seeds layer by layer (premultiplied ARGB at `scale` times the final size): each layer's
// shadows fall on the layers below and on the floor (`shadows`).
void DrawSeeds(QImage& seeds, QImage& shadows, const std::vector<SeedPlace>& places, double scale);

// Reduces a painting made at `scale` times the final size by averaging blocks of pixels.
QImage Downscale(const QImage& image, int scale);

// Composes seeds and shadows over a background into a sprite: opaque where a seed or its shadow
// covers at least half the pixel, white (transparent) elsewhere.
QImage ComposeSprite(const QImage& seeds, const QImage& shadows, const QImage& background);

} // namespace gen
