// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Carved wood as a height field: the board and its medallions are modelled as heights, coloured
// by an albedo map and lit from the upper left, so that every carved form of the artwork
// shares one light and one hand.
#include <QImage>
#include <QPainterPath>
#include <vector>

namespace gen {

struct Color {
    double R = 0, G = 0, B = 0;
};
inline Color Mix(const Color& a, const Color& b, double t) {
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}
inline Color Scale(const Color& c, double k) {
    return {c.R * k, c.G * k, c.B * k};
}
QRgb ToRgb(const Color& c);
Color FromRgb(QRgb c);

// A grid of values, one per pixel.
class Field {
public:
    Field(int width, int height, double value = 0)
        : width_(width), height_(height), v_(std::size_t(width) * height, value) {}
    int Width() const { return width_; }
    int Height() const { return height_; }
    double& At(int x, int y) { return v_[std::size_t(y) * width_ + x]; }
    double At(int x, int y) const { return v_[std::size_t(y) * width_ + x]; }
    // Clamped to the edges.
    double Get(int x, int y) const;
    // Bilinear, in pixel-centre coordinates.
    double Sample(double x, double y) const;

private:
    int width_, height_;
    std::vector<double> v_;
};

// Coverage (0..1) of a filled path, antialiased.
Field Coverage(const QPainterPath& path, int width, int height);
// The outline of path drawn with a round pen of the given width, as a filled path.
QPainterPath Stroke(const QPainterPath& path, double width);
// Box blur of the given radius, repeated (three passes approach a Gaussian).
void Blur(Field& field, int radius, int passes = 3);

struct Relief {
    Relief(int width, int height)
        : Height(width, height), Albedo(std::size_t(width) * height), Gloss(width, height, 0.0),
          Occlusion(width, height, 1.0) {}
    Field Height;
    std::vector<Color> Albedo;
    Field Gloss;     // varnish highlight strength
    Field Occlusion; // 1 in the open, less in hollows

    Color& AlbedoAt(int x, int y) { return Albedo[std::size_t(y) * Height.Width() + x]; }
};

// Lights the relief from the upper left, with cast shadows. Heights are in pixels of the
// picture drawn at scale 1: at another scale the relief has `scale` pixels per such unit, and
// its slopes and shadows are those of the same carving.
QImage Shade(const Relief& relief, double scale = 1.0);

// A length in pixels of the picture at scale 1 (a blur's radius), in pixels at the scale.
int ScaledRadius(int radius, double scale);
// A path of the picture at scale 1 in the picture's pixels at the scale.
QPainterPath ScaledPath(const QPainterPath& path, double scale);

} // namespace gen
