// SPDX-License-Identifier: GPL-3.0-or-later
// "plateau": a carved board seen from above, two rows of six ring-shaped pits, dark bands for
// the scores with a sun and a moon medallion; and the lit medallions that serve as the turn
// indicators ("maintour", "maintour2"), cut from the same carving so that they fit in place.
#include "graphics/Assets.h"
#include "tools/assetgen/Art.h"
#include "tools/assetgen/DetMath.h"
#include "tools/assetgen/Layout.h"
#include "tools/assetgen/Random.h"
#include "tools/assetgen/Relief.h"
#include "tools/assetgen/Style.h"

#include <QPainterPath>
#include <QTransform>
#include <cmath>

namespace gen {

namespace {

using namespace layout;

constexpr int kW = kBoardWidth, kH = kBoardHeight;

int Percent(double scale) {
    return int(std::lround(scale * 100));
}

struct Lighting {
    bool Sun = false;
    bool Moon = false;
};

QPainterPath Disc(double cx, double cy, double r) {
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), r, r);
    return path;
}

QPainterPath Ring(double cx, double cy, double r, double width) {
    return Disc(cx, cy, r + width / 2).subtracted(Disc(cx, cy, r - width / 2));
}

QPainterPath Panel(int top, int bottom) {
    QPainterPath path;
    path.addRoundedRect(QRectF(kPanelLeft, top, kPanelRight - kPanelLeft, bottom - top), 16, 16);
    return path;
}

// A sun of twelve rays, alternately long and short, around a disc.
QPainterPath SunMotif(double cx, double cy) {
    QPainterPath path = Disc(cx, cy, 12.5);
    for (int i = 0; i < 12; ++i) {
        const double a = dm::Radians(30.0 * i - 90);
        const double inner = 16.5, outer = i % 2 ? 27.5 : 33.0, half = i % 2 ? 4.2 : 5.2;
        const double c = dm::Cos(a), s = dm::Sin(a);
        QPainterPath ray;
        ray.moveTo(cx + c * inner - s * half, cy + s * inner + c * half);
        ray.quadTo(cx + c * (inner + outer) / 2 - s * half * 0.55,
                   cy + s * (inner + outer) / 2 + c * half * 0.55, cx + c * outer, cy + s * outer);
        ray.quadTo(cx + c * (inner + outer) / 2 + s * half * 0.55,
                   cy + s * (inner + outer) / 2 - c * half * 0.55, cx + c * inner + s * half,
                   cy + s * inner - c * half);
        ray.closeSubpath();
        path = path.united(ray);
    }
    return path;
}

// A five-pointed star.
QPainterPath Star(double cx, double cy, double r) {
    QPainterPath path;
    for (int i = 0; i < 10; ++i) {
        const double a = dm::Radians(36.0 * i - 90);
        const double radius = i % 2 ? r * 0.45 : r;
        const QPointF p(cx + dm::Cos(a) * radius, cy + dm::Sin(a) * radius);
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

QPainterPath MoonCrescent(double cx, double cy) {
    return Disc(cx - 3, cy + 1, 25).subtracted(Disc(cx + 8, cy - 7, 21.5));
}

QPainterPath MoonStars(double cx, double cy) {
    return Star(cx + 15, cy + 9, 6.5)
        .united(Star(cx + 23, cy - 15, 4.2))
        .united(Star(cx + 3, cy + 24, 3.4));
}

// The band of carved triangles between the two rows, pointing up and down in turn.
QPainterPath Teeth() {
    QPainterPath path;
    const double top = 233.5, bottom = 252.5, left = 130, right = 536, gap = 1.6;
    const int count = 24;
    const double step = (right - left) / count;
    for (int i = 0; i < count; ++i) {
        const double x = left + step * i;
        QPainterPath tooth;
        if (i % 2 == 0) {
            tooth.moveTo(x + gap, bottom);
            tooth.lineTo(x + step / 2, top + gap);
            tooth.lineTo(x + step - gap, bottom);
        } else {
            tooth.moveTo(x + gap, top);
            tooth.lineTo(x + step / 2, bottom - gap);
            tooth.lineTo(x + step - gap, top);
        }
        tooth.closeSubpath();
        path.addPath(tooth);
    }
    return path;
}

// A carved rosette for the ends of the board: a ring, eight petals and a boss.
QPainterPath RosettePetals(double cx, double cy) {
    QPainterPath petals = Disc(cx, cy, 5);
    for (int i = 0; i < 8; ++i) {
        QPainterPath petal;
        petal.addEllipse(QPointF(0, -13), 4.2, 8.5);
        petals = petals.united(QTransform().translate(cx, cy).rotate(45.0 * i).map(petal));
    }
    return petals;
}

// The board's carving at a scale: its shapes' coverage and blurs at the picture's pixels, every
// pattern and height in the pixels of the picture at scale 1.
Relief BuildBoard(const Lighting& lit, double scale) {
    const int W = assets::ScaledSize(kBoardWidth, Percent(scale));
    const int H = assets::ScaledSize(kBoardHeight, Percent(scale));
    auto Coverage = [scale, W, H](const QPainterPath& path, int, int) {
        return gen::Coverage(ScaledPath(path, scale), W, H);
    };
    auto Blur = [scale](Field& field, int radius, int passes = 3) {
        gen::Blur(field, ScaledRadius(radius, scale), passes);
    };
    Relief relief(W, H);
    Field& h = relief.Height;

    Field panels = Coverage(
        Panel(kTopPanelTop, kTopPanelBottom).united(Panel(kBottomPanelTop, kBottomPanelBottom)), W,
        H);
    Blur(panels, 1);
    QPainterPath trayPath;
    trayPath.addRoundedRect(QRectF(34, 143.5, 582, 199), 26, 26);
    QPainterPathStroker thin;
    thin.setWidth(2.4);
    Field tray = Coverage(thin.createStroke(trayPath), W, H);
    Blur(tray, 1, 2);
    Field teeth = Coverage(Teeth(), W, H);
    Blur(teeth, 1, 1);

    const double rosetteX[2] = {80, 576};
    QPainterPath rosettePetals, rosetteRings;
    for (double cx : rosetteX) {
        rosettePetals.addPath(RosettePetals(cx, 243));
        rosetteRings.addPath(Ring(cx, 243, 27, 2.6));
        rosetteRings.addPath(Ring(cx, 243, 33, 1.8));
    }
    Field petals = Coverage(rosettePetals, W, H);
    Blur(petals, 1, 2);
    Field rings = Coverage(rosetteRings, W, H);
    Blur(rings, 1, 2);

    const double sunX = kSunTileX + kTileSize / 2.0, sunY = kSunTileY + kTileSize / 2.0;
    const double moonX = kMoonTileX + kTileSize / 2.0, moonY = kMoonTileY + kTileSize / 2.0;
    Field plaques = Coverage(Disc(sunX, sunY, 41).united(Disc(moonX, moonY, 41)), W, H);
    Blur(plaques, 1);
    Field plaqueRims =
        Coverage(Ring(sunX, sunY, 38, 2.6).united(Ring(moonX, moonY, 38, 2.6)), W, H);
    Blur(plaqueRims, 1, 2);
    Field fields = Coverage(Disc(sunX, sunY, 36).united(Disc(moonX, moonY, 36)), W, H);
    Blur(fields, 1, 2);
    Field sun = Coverage(SunMotif(sunX, sunY), W, H);
    Blur(sun, 1, 2);
    Field moon = Coverage(MoonCrescent(moonX, moonY), W, H);
    Blur(moon, 1, 2);
    Field stars = Coverage(MoonStars(moonX, moonY), W, H);
    Blur(stars, 1, 2);

    for (int y = 0; y < H; ++y) {
        for (int x = 0; x < W; ++x) {
            const double px = (x + 0.5) / scale, py = (y + 0.5) / scale;
            // The slab's rounded edge and a little unevenness left by the carving tools.
            const double edge = std::min(std::min(px, py), std::min(kW - px, kH - py));
            double height = -7 * (1 - dm::Smoothstep(0, 10, edge));
            height += 0.5 * Fbm(px * 0.08, py * 0.08, 3, 77);
            height -= 3.5 * panels.At(x, y);
            height -= 1.6 * tray.At(x, y) + 1.7 * teeth.At(x, y);
            height += 1.8 * petals.At(x, y) - 1.6 * rings.At(x, y);
            height += 2.2 * plaques.At(x, y) + 1.4 * plaqueRims.At(x, y) - 1.5 * fields.At(x, y);
            height += 2.8 * sun.At(x, y) + 2.8 * moon.At(x, y) + 1.6 * stars.At(x, y);

            Color albedo = style::Wood(px, py, 3);
            albedo = Mix(albedo, style::DarkWood(px, py, 5), panels.At(x, y));
            albedo = Mix(albedo, style::kPitFloor, 0.3 * teeth.At(x, y));
            // The medallions are inlaid in light wood, painted when lit.
            const double plaque = plaques.At(x, y);
            albedo = Mix(albedo, style::Wood(px * 1.7 + 900, py * 1.7, 8), plaque);
            const bool onSun =
                px > kSunTileX - 10 && px < kSunTileX + kTileSize + 10 && py > kSunTileY - 10;
            const bool onMoon = px > kMoonTileX - 10 && px < kMoonTileX + kTileSize + 10 &&
                                py < kMoonTileY + kTileSize + 10;
            double gloss = 0.16 + 0.1 * plaque;
            if (onSun && lit.Sun) {
                albedo = Mix(albedo, style::kSunField, fields.At(x, y));
                albedo = Mix(albedo, style::kSunGold, sun.At(x, y));
                albedo = Mix(albedo, style::kSunRim, plaqueRims.At(x, y));
                gloss += 0.3 * fields.At(x, y);
            }
            if (onMoon && lit.Moon) {
                albedo = Mix(albedo, style::kNight, fields.At(x, y));
                albedo = Mix(albedo, style::kMoonLight, moon.At(x, y));
                albedo = Mix(albedo, style::kStarLight, stars.At(x, y));
                albedo = Mix(albedo, style::kMoonRim, plaqueRims.At(x, y));
                gloss += 0.3 * fields.At(x, y);
            }
            relief.AlbedoAt(x, y) = albedo;
            relief.Gloss.At(x, y) = gloss;
            h.At(x, y) = height;
        }
    }

    // The pits: a hollow with a raised ring around it, darker with wear towards the bottom.
    constexpr double kDepth = 15;
    for (int pit = 1; pit <= 12; ++pit) {
        const double cx = PitCentreX(pit), cy = PitCentreY(pit);
        const int reach = ScaledRadius(36, scale);
        const int top = int(cy * scale), left = int(cx * scale);
        for (int y = top - reach; y <= top + reach; ++y) {
            for (int x = left - reach; x <= left + reach; ++x) {
                const double dx = (x + 0.5) / scale - cx, dy = (y + 0.5) / scale - cy;
                const double r = dm::Sqrt(dx * dx + dy * dy);
                double bowl = 0;
                if (r < kBowlRadius) {
                    const double s = r / kBowlRadius;
                    bowl = -kDepth * (1 - s * s);
                }
                // Soften the lip where the hollow meets the ring.
                bowl *= dm::Smoothstep(kBowlRadius + 0.8, kBowlRadius - 2.2, r) * 0.35 + 0.65;
                const double t = (r - kRimRadius) / 2.3;
                const double rim = 2.4 * dm::Exp(-t * t);
                h.At(x, y) += bowl + rim;
                const double depth = -bowl / kDepth;
                relief.AlbedoAt(x, y) = Mix(relief.AlbedoAt(x, y), style::kPitFloor, 0.55 * depth);
                relief.Occlusion.At(x, y) = 1 - 0.32 * depth;
                relief.Gloss.At(x, y) *= 1 - 0.6 * depth;
            }
        }
    }
    return relief;
}

QImage Crop(const QImage& image, int x, int y, int size, double scale) {
    const int percent = Percent(scale);
    return image.copy(assets::ScaledSize(x, percent), assets::ScaledSize(y, percent),
                      assets::ScaledSize(size, percent), assets::ScaledSize(size, percent));
}

} // namespace

BoardPictures PaintBoard(double scale) {
    BoardPictures pictures;
    pictures.Scale = scale;
    pictures.Board = Shade(BuildBoard({}, scale), scale);
    pictures.SunTile = Crop(Shade(BuildBoard({true, false}, scale), scale), kSunTileX, kSunTileY,
                            kTileSize, scale);
    pictures.MoonTile = Crop(Shade(BuildBoard({false, true}, scale), scale), kMoonTileX, kMoonTileY,
                             kTileSize, scale);

    // The hollow every pit picture lies on: the mean of the twelve pits.
    const int percent = Percent(scale);
    const int pitSize = assets::ScaledSize(kPitSize, percent);
    QImage background(pitSize, pitSize, QImage::Format_RGB32);
    for (int y = 0; y < pitSize; ++y) {
        for (int x = 0; x < pitSize; ++x) {
            int r = 0, g = 0, b = 0;
            for (int pit = 1; pit <= 12; ++pit) {
                const QRgb c = pictures.Board.pixel(assets::ScaledSize(PitX(pit), percent) + x,
                                                    assets::ScaledSize(PitY(pit), percent) + y);
                r += qRed(c);
                g += qGreen(c);
                b += qBlue(c);
            }
            background.setPixel(x, y, qRgb((r + 6) / 12, (g + 6) / 12, (b + 6) / 12));
        }
    }
    pictures.PitBackground = background;
    return pictures;
}

} // namespace gen
