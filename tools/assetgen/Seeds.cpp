// SPDX-License-Identifier: GPL-3.0-or-later
// "case0" to "case20": seeds lying in a pit. Up to twelve seeds lie side by side on the pit's
// floor in arrangements that can be counted at a glance; more seeds pile up, and twenty make a
// heap.
#include "tools/assetgen/Seeds.h"

#include "tools/assetgen/Art.h"
#include "tools/assetgen/DetMath.h"
#include "tools/assetgen/Layout.h"
#include "tools/assetgen/Random.h"

#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>

namespace gen {

namespace {

constexpr double kSeedLength = 13.5, kSeedWidth = 10.5;

struct Ring {
    int Count;
    double Radius;
};

// The floor arrangement of up to twelve seeds: rings around the centre.
std::vector<Ring> FloorRings(int n) {
    switch (n) {
    case 0:
        return {};
    case 1:
        return {{1, 0}};
    case 2:
        return {{2, 7}};
    case 3:
        return {{3, 8.5}};
    case 4:
        return {{4, 10}};
    case 5:
        return {{1, 0}, {4, 12.5}};
    case 6:
        return {{6, 12.5}};
    case 7:
        return {{1, 0}, {6, 13.5}};
    case 8:
        return {{1, 0}, {7, 14.5}};
    case 9:
        return {{1, 0}, {8, 15.5}};
    case 10:
        return {{2, 5.5}, {8, 16}};
    case 11:
        return {{3, 6.5}, {8, 16.5}};
    default:
        return {{3, 6.5}, {9, 16.5}};
    }
}

// Pushes apart seeds of one layer that overlap and keeps them within the pit.
void Relax(std::vector<SeedPlace>& seeds, std::size_t first, double cx, double cy, double limit) {
    const double minimum = 11.2;
    for (int iteration = 0; iteration < 60; ++iteration) {
        for (std::size_t i = first; i < seeds.size(); ++i) {
            for (std::size_t j = i + 1; j < seeds.size(); ++j) {
                const double dx = seeds[j].X - seeds[i].X, dy = seeds[j].Y - seeds[i].Y;
                const double d = dm::Sqrt(dx * dx + dy * dy);
                if (d < minimum && d > 1e-9) {
                    const double push = (minimum - d) * 0.25 / d;
                    seeds[i].X -= dx * push;
                    seeds[i].Y -= dy * push;
                    seeds[j].X += dx * push;
                    seeds[j].Y += dy * push;
                }
            }
            const double dx = seeds[i].X - cx, dy = seeds[i].Y - cy;
            const double r = dm::Sqrt(dx * dx + dy * dy);
            if (r > limit) {
                seeds[i].X = cx + dx * limit / r;
                seeds[i].Y = cy + dy * limit / r;
            }
        }
    }
}

} // namespace

std::vector<SeedPlace> ArrangeSeeds(int count, double cx, double cy) {
    Random random(1000 + count);
    std::vector<SeedPlace> seeds;
    const int floor = std::min(count, 12);
    const double turn = random.Uniform(0, 360);
    for (const Ring& ring : FloorRings(floor)) {
        const double start = turn + random.Uniform(-20, 20);
        for (int k = 0; k < ring.Count; ++k) {
            const double a = dm::Radians(start + 360.0 * k / ring.Count);
            SeedPlace s;
            s.X = cx + dm::Cos(a) * ring.Radius + random.Uniform(-0.8, 0.8);
            s.Y = cy + dm::Sin(a) * ring.Radius + random.Uniform(-0.8, 0.8);
            s.Angle = random.Uniform(0, 180);
            s.Variety = random.Below(4);
            seeds.push_back(s);
        }
    }
    Relax(seeds, 0, cx, cy, 17.5);

    // Seeds beyond twelve lie on top of the others, nearer the middle the higher they lie; the
    // heap that stands for twenty or more has three layers.
    const int extra = count - floor;
    const int second = count >= 20 ? 9 : extra, third = count >= 20 ? 4 : 0;
    const Ring upper[2] = {{second, second <= 1 ? 0.0 : (second <= 4 ? 7.0 : 10.5)},
                           {third, third <= 1 ? 0.0 : 5.0}};
    for (int layer = 1; layer <= 2; ++layer) {
        const Ring& ring = upper[layer - 1];
        const std::size_t first = seeds.size();
        const double start = random.Uniform(0, 360);
        for (int k = 0; k < ring.Count; ++k) {
            const double a = dm::Radians(start + 360.0 * k / ring.Count);
            SeedPlace s;
            s.X = cx + dm::Cos(a) * ring.Radius + random.Uniform(-1.5, 1.5);
            s.Y = cy + dm::Sin(a) * ring.Radius + random.Uniform(-1.5, 1.5);
            s.Angle = random.Uniform(0, 180);
            s.Variety = random.Below(4);
            s.Layer = layer;
            seeds.push_back(s);
        }
        if (ring.Count > 1)
            Relax(seeds, first, cx, cy, layer == 1 ? 13.0 : 7.0);
    }
    // Lower layers first; within a layer from the top of the picture down, so that nearer
    // seeds overlap farther ones as seen from above and a little in front.
    std::stable_sort(seeds.begin(), seeds.end(), [](const SeedPlace& a, const SeedPlace& b) {
        return a.Layer != b.Layer ? a.Layer < b.Layer : a.Y < b.Y;
    });
    return seeds;
}

namespace {

QTransform SeedTransform(const SeedPlace& place, double scale) {
    QTransform at;
    at.translate(place.X * scale, place.Y * scale);
    at.rotate(place.Angle);
    return at;
}

QPainterPath SeedBody(const SeedPlace& place, double scale) {
    const double size = 1.0 + 0.04 * (place.Variety - 1.5);
    QPainterPath body;
    body.addEllipse(QPointF(0, 0), kSeedLength / 2 * size * scale, kSeedWidth / 2 * size * scale);
    return body;
}

} // namespace

void DrawSeedShadow(QPainter& shadows, const SeedPlace& place, double scale) {
    // Higher seeds throw their shadows farther.
    const double lift = place.Layer * 0.8;
    shadows.save();
    shadows.setTransform(SeedTransform(place, scale) *
                         QTransform::fromTranslate((1.4 + lift) * scale, (1.8 + lift) * scale));
    shadows.setPen(Qt::NoPen);
    shadows.setBrush(QColor(0, 0, 0, 255));
    shadows.drawPath(SeedBody(place, scale));
    shadows.restore();
}

void DrawSeed(QPainter& seeds, const SeedPlace& place, double scale) {
    static const QColor light[4] = {
        {226, 224, 210}, {214, 212, 192}, {222, 214, 196}, {204, 206, 188}};
    static const QColor dark[4] = {{104, 106, 92}, {92, 96, 78}, {112, 100, 84}, {86, 92, 80}};
    const QTransform at = SeedTransform(place, scale);
    const QPainterPath body = SeedBody(place, scale);
    const double a = body.boundingRect().width() / 2, b = body.boundingRect().height() / 2;
    seeds.save();
    seeds.setTransform(at);
    seeds.setPen(Qt::NoPen);
    // The light comes from the upper left of the picture, whatever the seed's turn.
    const QPointF toLight =
        at.inverted().map(QPointF(place.X * scale - a * 0.45, place.Y * scale - b * 0.55));
    QRadialGradient shade(toLight, a * 1.55);
    const QColor lit = light[place.Variety].lighter(100 + place.Layer * 4);
    shade.setColorAt(0, lit);
    shade.setColorAt(0.55, QColor((lit.red() + dark[place.Variety].red()) / 2,
                                  (lit.green() + dark[place.Variety].green()) / 2,
                                  (lit.blue() + dark[place.Variety].blue()) / 2));
    shade.setColorAt(1, dark[place.Variety]);
    seeds.setBrush(shade);
    seeds.drawPath(body);
    // The seed's eye: a small dark mark at one end.
    seeds.setBrush(QColor(58, 46, 36));
    seeds.drawEllipse(QPointF(a * 0.78, 0), a * 0.12, b * 0.22);
    // A glint of light.
    seeds.setBrush(QColor(250, 248, 238, 200));
    const QPointF glint =
        at.inverted().map(QPointF(place.X * scale - a * 0.35, place.Y * scale - b * 0.45));
    seeds.drawEllipse(glint, a * 0.16, b * 0.14);
    seeds.restore();
}

QImage Downscale(const QImage& image, int scale) {
    const QImage source = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const int w = source.width() / scale, h = source.height() / scale, n = scale * scale;
    QImage out(w, h, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            int sum[4] = {0, 0, 0, 0};
            for (int sy = 0; sy < scale; ++sy) {
                const QRgb* line =
                    reinterpret_cast<const QRgb*>(source.constScanLine(y * scale + sy));
                for (int sx = 0; sx < scale; ++sx) {
                    const QRgb c = line[x * scale + sx];
                    sum[0] += qRed(c);
                    sum[1] += qGreen(c);
                    sum[2] += qBlue(c);
                    sum[3] += qAlpha(c);
                }
            }
            out.setPixel(x, y,
                         qRgba((sum[0] + n / 2) / n, (sum[1] + n / 2) / n, (sum[2] + n / 2) / n,
                               (sum[3] + n / 2) / n));
        }
    }
    return out;
}

QImage ComposeSprite(const QImage& seeds, const QImage& shadows, const QImage& background) {
    const int w = seeds.width(), h = seeds.height();
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const QRgb s = seeds.pixel(x, y);
            const double sa = qAlpha(seeds.pixel(x, y)) / 255.0;
            const double sh = qAlpha(shadows.pixel(x, y)) / 255.0;
            if (sa < 0.45 && sh < 0.5) {
                out.setPixel(x, y, qRgb(255, 255, 255));
                continue;
            }
            const QRgb bg = background.pixel(x, y);
            const double dim = 1 - 0.5 * sh;
            // Premultiplied seed over the shadowed background.
            int r = int(std::lround(qRed(s) + qRed(bg) * dim * (1 - sa)));
            int g = int(std::lround(qGreen(s) + qGreen(bg) * dim * (1 - sa)));
            int b = int(std::lround(qBlue(s) + qBlue(bg) * dim * (1 - sa)));
            r = std::min(r, 255);
            g = std::min(g, 255);
            b = std::min(b, 255);
            if (r == 255 && g == 255 && b == 255)
                b = 254;
            out.setPixel(x, y, qRgb(r, g, b));
        }
    }
    return out;
}

void DrawSeeds(QImage& seeds, QImage& shadows, const std::vector<SeedPlace>& places, double scale) {
    int top = 0;
    for (const SeedPlace& place : places)
        top = std::max(top, place.Layer);
    for (int layer = 0; layer <= top; ++layer) {
        QImage layerShadow(seeds.size(), QImage::Format_ARGB32_Premultiplied);
        layerShadow.fill(Qt::transparent);
        {
            QPainter p(&layerShadow);
            p.setRenderHint(QPainter::Antialiasing);
            for (const SeedPlace& place : places)
                if (place.Layer == layer)
                    DrawSeedShadow(p, place, scale);
        }
        {
            QPainter p(&seeds);
            p.setCompositionMode(QPainter::CompositionMode_SourceAtop);
            p.setOpacity(0.45);
            p.drawImage(0, 0, layerShadow);
        }
        {
            QPainter p(&shadows);
            p.drawImage(0, 0, layerShadow);
        }
        QPainter p(&seeds);
        p.setRenderHint(QPainter::Antialiasing);
        for (const SeedPlace& place : places)
            if (place.Layer == layer)
                DrawSeed(p, place, scale);
    }
}

QImage PaintPit(int count, const QImage& pitBackground, double scale) {
    // Painted at four times the picture's pixels, whatever its scale.
    constexpr int kScale = 4, units = layout::kPitSize;
    const int size = pitBackground.width();
    QImage seeds(size * kScale, size * kScale, QImage::Format_ARGB32_Premultiplied);
    QImage shadows(seeds.size(), QImage::Format_ARGB32_Premultiplied);
    seeds.fill(Qt::transparent);
    shadows.fill(Qt::transparent);
    DrawSeeds(seeds, shadows, ArrangeSeeds(count, units / 2.0, units / 2.0), kScale * scale);
    return ComposeSprite(Downscale(seeds, kScale), Downscale(shadows, kScale), pitBackground);
}

} // namespace gen
