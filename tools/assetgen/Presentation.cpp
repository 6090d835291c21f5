// SPDX-License-Identifier: GPL-3.0-or-later
// "presentation": an evening in the savanna, two figures kneeling at a clay pot of seeds under
// a low sun, and the name of the game; and the small picture of the credits window (the pot
// under the sun). The figures are cut like the hands: dark shapes with their light side cut
// in lines.
#include "graphics/Assets.h"
#include "tools/assetgen/Art.h"
#include "tools/assetgen/DetMath.h"
#include "tools/assetgen/Fonts.h"
#include "tools/assetgen/Random.h"
#include "tools/assetgen/Relief.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <cmath>

namespace gen {

namespace {

const QColor kSilhouette(52, 27, 17);
const QColor kCut(232, 150, 70);
const QColor kTerracotta(176, 84, 44);
const QColor kCream(246, 228, 186);

QPainterPath Ellipse(double cx, double cy, double rx, double ry) {
    QPainterPath path;
    path.addEllipse(QPointF(cx, cy), rx, ry);
    return path;
}

void Sky(QPainter& p, const QRectF& area, double horizon) {
    QLinearGradient sky(area.topLeft(), QPointF(area.left(), horizon));
    sky.setColorAt(0, QColor(122, 38, 30));
    sky.setColorAt(0.45, QColor(206, 88, 44));
    sky.setColorAt(0.8, QColor(240, 150, 70));
    sky.setColorAt(1, QColor(250, 204, 120));
    p.fillRect(QRectF(area.left(), area.top(), area.width(), horizon - area.top()), sky);
}

void Sun(QPainter& p, QPointF centre, double radius) {
    QRadialGradient glow(centre, radius * 2.2);
    glow.setColorAt(0, QColor(255, 236, 170, 150));
    glow.setColorAt(0.45, QColor(255, 214, 130, 60));
    glow.setColorAt(1, QColor(255, 200, 120, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(centre, radius * 2.2, radius * 2.2);
    QRadialGradient disc(centre, radius);
    disc.setColorAt(0, QColor(255, 246, 200));
    disc.setColorAt(1, QColor(252, 214, 128));
    p.setBrush(disc);
    p.drawEllipse(centre, radius, radius);
}

// The earth from the horizon down: ochre, darkening towards the viewer, with grass tufts.
void Ground(QPainter& p, const QRectF& area, double horizon, std::uint64_t seed) {
    QLinearGradient earth(QPointF(0, horizon), QPointF(0, area.bottom()));
    earth.setColorAt(0, QColor(156, 84, 40));
    earth.setColorAt(1, QColor(86, 40, 20));
    p.fillRect(QRectF(area.left(), horizon, area.width(), area.bottom() - horizon), earth);
    Random random(seed);
    p.setPen(QPen(QColor(70, 34, 18), 1.2, Qt::SolidLine, Qt::RoundCap));
    const int tufts = int(area.width() / 9);
    for (int i = 0; i < tufts; ++i) {
        const double x = random.Uniform(area.left(), area.right());
        const double y = random.Uniform(horizon + 4, area.bottom());
        const double size = 3 + 9 * (y - horizon) / (area.bottom() - horizon);
        for (int blade = -2; blade <= 2; ++blade)
            p.drawLine(QPointF(x, y), QPointF(x + blade * size * 0.35, y - size));
    }
}

// An acacia on the horizon: a trunk and a flat crown.
void Acacia(QPainter& p, double x, double base, double size) {
    p.setPen(QPen(QColor(84, 34, 24), size * 0.06, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(x, base), QPointF(x - size * 0.05, base - size * 0.55));
    p.drawLine(QPointF(x - size * 0.03, base - size * 0.35),
               QPointF(x + size * 0.22, base - size * 0.6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(84, 34, 24));
    QPainterPath crown =
        Ellipse(x - size * 0.05, base - size * 0.62, size * 0.42, size * 0.09)
            .united(Ellipse(x + size * 0.2, base - size * 0.66, size * 0.3, size * 0.08));
    p.drawPath(crown);
}

// The clay pot: a round belly with a band of zigzags, a rim, and seeds at its mouth.
void Pot(QPainter& p, QPointF base, double size) {
    const double w = size, h = size * 0.82;
    const QPointF centre(base.x(), base.y() - h * 0.48);
    // Its shadow on the ground.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 18, 10, 110));
    p.drawEllipse(QPointF(base.x() + w * 0.08, base.y() - h * 0.02), w * 0.6, h * 0.09);

    QPainterPath belly = Ellipse(centre.x(), centre.y(), w / 2, h / 2);
    QPainterPath neck;
    neck.addRoundedRect(QRectF(centre.x() - w * 0.2, centre.y() - h * 0.62, w * 0.4, h * 0.25),
                        w * 0.04, w * 0.04);
    const QPainterPath body = belly.united(neck);
    QRadialGradient clay(QPointF(centre.x() - w * 0.12, centre.y() - h * 0.12), w * 0.62);
    clay.setColorAt(0, QColor(222, 128, 70));
    clay.setColorAt(0.6, kTerracotta);
    clay.setColorAt(1, QColor(104, 44, 22));
    p.setBrush(clay);
    p.drawPath(body);

    // The band of zigzags around the belly.
    p.save();
    p.setClipPath(belly);
    QPainterPath zig;
    const double top = centre.y() - h * 0.08, bottom = centre.y() + h * 0.06;
    const int teeth = 12;
    zig.moveTo(centre.x() - w / 2, bottom);
    for (int i = 0; i <= teeth; ++i)
        zig.lineTo(centre.x() - w / 2 + w * i / teeth, i % 2 ? top : bottom);
    p.setPen(QPen(kCream, size * 0.03, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(zig);
    p.setPen(QPen(QColor(90, 36, 18), size * 0.02));
    p.drawLine(QPointF(centre.x() - w / 2, top - size * 0.04),
               QPointF(centre.x() + w / 2, top - size * 0.04));
    p.drawLine(QPointF(centre.x() - w / 2, bottom + size * 0.04),
               QPointF(centre.x() + w / 2, bottom + size * 0.04));
    p.setPen(Qt::NoPen);
    p.setBrush(kCream);
    for (int i = 0; i < teeth; ++i)
        p.drawEllipse(QPointF(centre.x() - w / 2 + w * (i + 0.5) / teeth, centre.y() + h * 0.22),
                      size * 0.018, size * 0.018);
    p.restore();

    // The rim and the dark mouth with seeds.
    const QPointF mouth(centre.x(), centre.y() - h * 0.62);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(150, 66, 34));
    p.drawEllipse(mouth, w * 0.25, h * 0.075);
    p.setBrush(QColor(44, 20, 12));
    p.drawEllipse(mouth, w * 0.19, h * 0.05);
    Random random(4242);
    for (int i = 0; i < 9; ++i) {
        const double a = random.Uniform(0, 2 * dm::kPi);
        const double r = random.Uniform(0, 0.75);
        const QPointF s(mouth.x() + dm::Cos(a) * r * w * 0.15,
                        mouth.y() + dm::Sin(a) * r * h * 0.035 - h * 0.012);
        QRadialGradient seed(s - QPointF(size * 0.008, size * 0.008), size * 0.03);
        seed.setColorAt(0, QColor(226, 226, 210));
        seed.setColorAt(1, QColor(120, 122, 104));
        p.setBrush(seed);
        p.drawEllipse(s, size * 0.026, size * 0.018);
    }
}

// A figure kneeling, facing right; `tall` selects the head wrap (true) or the cap (false).
struct Figure {
    QPainterPath Body;
    QPainterPath Cloth; // the wrapper, printed with a pattern
    std::vector<QPainterPath> Cuts;
};

Figure Kneeling(bool wrap) {
    Figure f;
    // Units: the figure stands about 200 high, its knees at the origin's height (y = 0).
    QPainterPath head = Ellipse(8, -168, 15, 18);
    QPainterPath neck;
    neck.addRoundedRect(QRectF(-1, -156, 16, 22), 5, 5);
    QPainterPath torso;
    torso.moveTo(-22, -136);
    torso.cubicTo(8, -146, 30, -140, 34, -126);
    torso.cubicTo(38, -100, 30, -78, 28, -58);
    torso.lineTo(-30, -58);
    torso.cubicTo(-34, -86, -36, -118, -22, -136);
    torso.closeSubpath();
    // Thighs forward, shins folded under, the feet behind.
    QPainterPath legs;
    legs.moveTo(-38, -62);
    legs.cubicTo(0, -70, 50, -52, 62, -24);
    legs.cubicTo(66, -10, 58, 0, 44, 0);
    legs.lineTo(-52, 0);
    legs.cubicTo(-62, -6, -60, -46, -38, -62);
    legs.closeSubpath();
    // The arm reaching into the pot.
    QPainterPath arm;
    arm.moveTo(16, -128);
    arm.cubicTo(42, -116, 62, -98, 86, -90);
    QPainterPath armShape = Stroke(arm, 13).united(Ellipse(90, -89, 8.5, 6.5));
    QPainterPath headgear;
    if (wrap) {
        headgear.moveTo(-10, -170);
        headgear.cubicTo(-18, -196, 6, -214, 30, -204);
        headgear.cubicTo(40, -198, 30, -180, 24, -176);
        headgear.cubicTo(14, -186, -2, -184, -10, -170);
        headgear.closeSubpath();
        headgear = headgear.united(Ellipse(28, -204, 9, 6));
    } else {
        headgear.addRoundedRect(QRectF(-8, -192, 32, 16), 6, 6);
    }
    f.Body = head.united(neck).united(torso).united(legs).united(armShape).united(headgear);
    f.Cloth = legs.united(torso.intersected(QPainterPath([] {
        QPainterPath band;
        band.addRect(QRectF(-60, -80, 140, 30));
        return band;
    }())));
    // Cuts: the light from the pot's side along the front, folds of the cloth, the ear, the
    // eye, a necklace, the bands of the head wrap or the cap.
    QPainterPath front;
    front.moveTo(32, -122);
    front.cubicTo(35, -100, 29, -80, 27, -62);
    f.Cuts.push_back(front);
    QPainterPath knee;
    knee.moveTo(30, -54);
    knee.cubicTo(48, -44, 58, -30, 58, -16);
    f.Cuts.push_back(knee);
    QPainterPath necklace;
    necklace.moveTo(-4, -140);
    necklace.quadTo(10, -128, 24, -138);
    f.Cuts.push_back(necklace);
    f.Cuts.push_back(Ellipse(16, -170, 1.6, 1.2));
    QPainterPath cheek;
    cheek.moveTo(21, -176);
    cheek.cubicTo(25, -168, 24, -160, 19, -154);
    f.Cuts.push_back(cheek);
    for (int i = 0; i < 3; ++i) {
        QPainterPath band;
        if (wrap) {
            band.moveTo(-8 + i * 2, -178 - i * 8);
            band.quadTo(10, -188 - i * 9, 30 - i * 3, -186 - i * 7);
        } else {
            band.moveTo(-6, -188 + i * 5);
            band.lineTo(22, -188 + i * 5);
        }
        f.Cuts.push_back(band);
    }
    for (int i = 0; i < 4; ++i) {
        QPainterPath fold;
        fold.moveTo(-44 + i * 18, -6);
        fold.quadTo(-36 + i * 18, -30, -26 + i * 20, -50 - i * 2);
        f.Cuts.push_back(fold);
    }
    return f;
}

void DrawFigure(QPainter& p, const Figure& figure, const QTransform& place, std::uint64_t seed) {
    const QPainterPath body = place.map(figure.Body);
    p.setPen(Qt::NoPen);
    p.setBrush(kSilhouette);
    p.drawPath(body);
    // The wrapper printed with rows of triangles and dots.
    p.save();
    p.setClipPath(place.map(figure.Cloth).intersected(body));
    const QRectF box = place.map(figure.Cloth).boundingRect();
    Random random(seed);
    const QColor ink = random.Uniform() < 0.5 ? QColor(196, 120, 48) : QColor(176, 72, 44);
    p.setBrush(ink);
    for (double y = box.top() + 6; y < box.bottom(); y += 16) {
        for (double x = box.left(); x < box.right(); x += 14) {
            QPainterPath tooth;
            tooth.moveTo(x, y + 6);
            tooth.lineTo(x + 7, y - 3);
            tooth.lineTo(x + 14, y + 6);
            tooth.closeSubpath();
            p.drawPath(tooth);
            p.drawEllipse(QPointF(x + 7, y + 11), 1.8, 1.8);
        }
    }
    p.restore();
    p.setBrush(kCut);
    for (const QPainterPath& cut : figure.Cuts)
        p.drawPath(Stroke(place.map(cut), 2.2 * dm::Sqrt(place.determinant())));
}

void Title(QPainter& p, const QString& text, QPointF centre, double pixels) {
    QPainterPath path = TextPath(Face::TitleSlab, pixels, text, 0, 0);
    const QRectF box = path.boundingRect();
    path.translate(centre.x() - box.center().x(), centre.y() - box.center().y());
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 20, 10, 120));
    p.drawPath(path.translated(4, 5));
    p.setBrush(QColor(62, 28, 16));
    p.drawPath(Stroke(path, 7).united(path));
    QLinearGradient fill(QPointF(0, path.boundingRect().top()),
                         QPointF(0, path.boundingRect().bottom()));
    fill.setColorAt(0, QColor(255, 240, 196));
    fill.setColorAt(1, QColor(244, 188, 86));
    p.setBrush(fill);
    p.drawPath(path);
}

// A band of triangles pointing up and down, as carved on the board.
void Border(QPainter& p, double top, double height, double width) {
    p.fillRect(QRectF(0, top, width, height), QColor(58, 28, 18));
    p.setPen(Qt::NoPen);
    const double step = 20;
    for (int i = 0; i * step < width + step; ++i) {
        QPainterPath up;
        up.moveTo(i * step, top + height - 3);
        up.lineTo(i * step + step / 2, top + 3);
        up.lineTo(i * step + step, top + height - 3);
        up.closeSubpath();
        p.setBrush(i % 2 ? QColor(206, 120, 52) : QColor(236, 196, 120));
        p.drawPath(up);
    }
}

} // namespace

QImage PaintPresentation(double scale) {
    constexpr int W = 640, H = 480;
    constexpr double horizon = 318;
    const int percent = int(std::lround(scale * 100));
    QImage image(assets::ScaledSize(W, percent), assets::ScaledSize(H, percent),
                 QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (scale != 1.0)
        p.scale(scale, scale);
    Sky(p, QRectF(0, 0, W, H), horizon);
    Sun(p, QPointF(320, 262), 96);
    // Hills, then the earth.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(160, 62, 36));
    QPainterPath hills;
    hills.moveTo(0, horizon + 1);
    hills.cubicTo(90, horizon - 26, 170, horizon - 10, 230, horizon - 4);
    hills.cubicTo(330, horizon + 2, 420, horizon - 30, 520, horizon - 14);
    hills.cubicTo(580, horizon - 6, 620, horizon - 12, W, horizon - 8);
    hills.lineTo(W, horizon + 1);
    hills.closeSubpath();
    p.drawPath(hills);
    Acacia(p, 78, horizon - 8, 110);
    Acacia(p, 560, horizon - 10, 80);
    Acacia(p, 610, horizon - 8, 48);
    Ground(p, QRectF(0, 0, W, H), horizon, 99);

    Pot(p, QPointF(320, 404), 120);
    DrawFigure(p, Kneeling(true), QTransform().translate(170, 408).scale(1.05, 1.05), 5);
    DrawFigure(p, Kneeling(false), QTransform().translate(470, 408).scale(-1.05, 1.05), 6);

    Title(p, "Ekoba", QPointF(322, 88), 104);
    Border(p, 444, 22, W);
    p.fillRect(QRectF(0, 466, W, H - 466), QColor(58, 28, 18));
    return image;
}

QImage PaintCredits() {
    constexpr int W = 80, H = 100;
    QImage image(W, H, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const double horizon = 64;
    Sky(p, QRectF(0, 0, W, H), horizon);
    Sun(p, QPointF(40, 46), 22);
    Acacia(p, 12, horizon, 30);
    Ground(p, QRectF(0, 0, W, H), horizon, 7);
    Pot(p, QPointF(40, 92), 44);
    return image;
}

} // namespace gen
