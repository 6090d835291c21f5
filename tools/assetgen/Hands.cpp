// SPDX-License-Identifier: GPL-3.0-or-later
// The hands: a right hand seen from above, back up, its forearm coming out of the sleeve of a
// pale robe with an indigo hem. Player 1's hand reaches in from the bottom edge; player 2's is
// the same hand turned half round, reaching in from the top. The picture is placed so that the
// pit the hand works on lies where the game puts the hand over a pit.
//
// One geometry serves both kinds of picture: the sowing hands are painted (a height field lit
// like the carved board, a dark outline), the others are one-colour silhouettes with the lines
// between the fingers, the nails, the joints and the sleeve cut out.
#include "tools/assetgen/Art.h"
#include "tools/assetgen/DetMath.h"
#include "tools/assetgen/Layout.h"
#include "tools/assetgen/Random.h"
#include "tools/assetgen/Relief.h"
#include "tools/assetgen/Seeds.h"
#include "tools/assetgen/Style.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>
#include <vector>

namespace gen {

namespace {

constexpr int kScale = 4; // painted at four times the picture's pixels

constexpr double kShapeScale = 1.15;                            // hand units to picture pixels
constexpr double kOutline = 1.5, kSeparation = 1.0, kCut = 1.4; // line widths in pixels

// The scale the hand being painted is drawn for (PaintHand sets it for the painting's length):
// its picture is that many times 157 pixels wide, painted at four times its pixels.
double handScale = 1.0;
struct ScaleScope {
    explicit ScaleScope(double scale) { handScale = scale; }
    ~ScaleScope() { handScale = 1.0; }
    ScaleScope(const ScaleScope&) = delete;
    ScaleScope& operator=(const ScaleScope&) = delete;
};
// Painting pixels per unit of the hand's picture at scale 1, and the picture's side in pixels.
double Painting() {
    return kScale * handScale;
}
int Pixels() {
    return (layout::kHandSize * int(std::lround(handScale * 100)) + 50) / 100;
}

// A finger or a thumb: a bar from its base (X, Y) in the direction `Angle` (degrees, 0 = up,
// positive turning right), narrowing towards a round tip and a little wider at its joints.
struct Digit {
    double X, Y, Angle, Length, Width;
    bool Nail = true;
    std::vector<double> Joints = {0.47, 0.74}; // along the digit, 0 at its base
    double Raise = 0;                          // lies that much above the back of the hand
};

QPointF Along(const Digit& d, double t, double side = 0) {
    const double a = dm::Radians(d.Angle);
    const double ux = dm::Sin(a), uy = -dm::Cos(a); // along the digit
    return {d.X + ux * d.Length * t - uy * side, d.Y + uy * d.Length * t + ux * side};
}

double HalfWidth(const Digit& d, double t) {
    double w = d.Width / 2 * (1 - 0.14 * t);
    for (double joint : d.Joints) {
        const double u = (t - joint) / 0.08;
        w += d.Width * 0.035 * dm::Exp(-u * u);
    }
    return w;
}

QTransform DigitFrame(const Digit& d) {
    return QTransform().translate(d.X, d.Y).rotate(d.Angle);
}

QPainterPath DigitPath(const Digit& d) {
    const double r = HalfWidth(d, 1), end = (d.Length - r) / d.Length;
    constexpr int kSteps = 14;
    const double r0 = HalfWidth(d, 0);
    QPainterPath bar;
    // The base, round, lies inside the palm.
    bar.moveTo(r0, 0);
    bar.arcTo(QRectF(-r0, -r0, 2 * r0, 2 * r0), 0, -180);
    for (int i = 0; i <= kSteps; ++i) {
        const double t = end * i / kSteps;
        bar.lineTo(-HalfWidth(d, t), -t * d.Length);
    }
    bar.arcTo(QRectF(-r, -d.Length, 2 * r, 2 * r), 180, -180);
    for (int i = kSteps; i >= 0; --i) {
        const double t = end * i / kSteps;
        bar.lineTo(HalfWidth(d, t), -t * d.Length);
    }
    bar.closeSubpath();
    return DigitFrame(d).map(bar);
}

// The nail seen from above: its far end follows the fingertip, its root a gentle curve.
QPainterPath NailPath(const Digit& d) {
    const double w = HalfWidth(d, 1) * 1.2, top = d.Length - 1.3, length = d.Width * 0.78;
    QPainterPath nail;
    nail.addRoundedRect(QRectF(-w / 2, -top, w, length), w * 0.48, w * 0.42);
    return DigitFrame(d).map(nail);
}

// A short wrinkle across the back of a digit.
QPainterPath Crease(const Digit& d, double t, double halfWidth) {
    QPainterPath crease;
    crease.moveTo(Along(d, t + 0.015, -halfWidth));
    crease.quadTo(Along(d, t - 0.025, 0), Along(d, t + 0.015, halfWidth));
    return crease;
}

struct Part {
    QPainterPath Path;
    double Raise;             // base height
    double Bulge;             // height of its rounded top over the base
    double Radius;            // how far in from its edge the top is reached
    bool EdgeOverPalm = true; // its edge shows where it lies over the back of the hand
};

struct HandShape {
    std::vector<Part> Parts;           // back to front: arm and palm, sleeve, digits
    std::vector<QPainterPath> Nails;   // closed
    std::vector<QPainterPath> Creases; // open lines
    std::vector<QPointF> Knuckles;     // bumps on the back of the hand
    QPainterPath Sleeve;               // the cloth, for its colour
    QPointF Pinch;                     // between the tips that hold a seed
};

void AddDigit(HandShape& hand, const Digit& d) {
    const QPainterPath path = DigitPath(d);
    hand.Parts.push_back({path, d.Raise + 2, d.Width * 0.42, d.Width * 0.32, true});
    if (d.Nail)
        hand.Nails.push_back(NailPath(d));
    for (std::size_t j = 0; j < d.Joints.size(); ++j) {
        const double w = HalfWidth(d, d.Joints[j]) * (j == 0 ? 0.55 : 0.45);
        hand.Creases.push_back(Crease(d, d.Joints[j], w));
    }
}

// The thumb grows out of the side of the palm: a mound at its base joins the two. Folded
// across the hand (`across`), its edge shows over the palm too.
void AddThumb(HandShape& hand, const Digit& thumb, bool across = false) {
    QPainterPath mound;
    mound.addEllipse(QPointF(0, 0), thumb.Width * 0.62, thumb.Length * 0.34);
    const QPointF centre = Along(thumb, 0.12, thumb.Width * 0.1);
    mound = QTransform().translate(centre.x(), centre.y()).rotate(thumb.Angle).map(mound);
    hand.Parts.front().Path = hand.Parts.front().Path.united(mound);
    AddDigit(hand, thumb);
    hand.Parts.back().EdgeOverPalm = across;
}

void AddFingers(HandShape& hand, const std::vector<Digit>& fingers, bool knuckles) {
    for (const Digit& f : fingers) {
        AddDigit(hand, f);
        if (knuckles)
            hand.Knuckles.push_back(Along(f, 0.02));
    }
}

// The back of the hand, with the web of the thumb on the left, and the forearm down to the
// sleeve, which reaches far beyond the picture and is cut there by the hem.
void AddPalmAndArm(HandShape& hand, double knuckleY, double wristY, double left, double right) {
    const double wl = left + 9, wr = right - 7, mid = (left + right) / 2;
    QPainterPath palm;
    palm.moveTo(wl, wristY);
    palm.cubicTo(left - 1, wristY - 12, left - 3, knuckleY + 22, left + 1, knuckleY + 3);
    palm.quadTo(mid, knuckleY - 8, right - 1, knuckleY + 4);
    palm.cubicTo(right + 3, knuckleY + 22, right + 1, wristY - 12, wr, wristY);
    palm.closeSubpath();
    QPainterPath arm;
    arm.moveTo(wl + 1, wristY - 8);
    // Narrowest at the wrist, the forearm widening below it.
    arm.cubicTo(wl + 1.5, wristY + 8, wl - 2, wristY + 34, wl - 7, wristY + 220);
    arm.lineTo(wr + 7, wristY + 220);
    arm.cubicTo(wr + 2, wristY + 34, wr - 1.5, wristY + 8, wr - 1, wristY - 8);
    arm.closeSubpath();

    const double cuffY = wristY + 22;
    QPainterPath sleeve;
    sleeve.moveTo(wl - 5, cuffY + 2);
    sleeve.quadTo(mid, cuffY - 5, wr + 5, cuffY + 2);
    sleeve.lineTo(wr + 12, cuffY + 240);
    sleeve.lineTo(wl - 12, cuffY + 240);
    sleeve.closeSubpath();

    hand.Parts.push_back({palm.united(arm), 0, 8, 10});
    hand.Parts.push_back({sleeve, 3, 10, 8});
    hand.Sleeve = sleeve;
    // Two folds of the cloth falling from the opening.
    for (const double x : {wl + 1, mid + 6}) {
        QPainterPath fold;
        fold.moveTo(x, cuffY + 4);
        fold.quadTo(x - 1, cuffY + 16, x - 4, cuffY + 34);
        hand.Creases.push_back(fold);
    }
}

// Fingers: first, middle, ring and little finger.
HandShape OpenHand() {
    HandShape hand;
    const double knuckleY = -2, wristY = 44, left = -25, right = 23;
    AddPalmAndArm(hand, knuckleY, wristY, left, right);
    AddFingers(hand,
               {{-15.5, knuckleY + 2, -9, 40, 11.6},
                {-3.8, knuckleY, -2, 45, 12},
                {7.4, knuckleY + 1, 5, 41.5, 11.6},
                {17.4, knuckleY + 4, 13, 32, 10.2, true, {0.45, 0.72}}},
               true);
    AddThumb(hand, {left + 8, 31, -52, 36, 14, true, {0.58}});
    return hand;
}

// Half way to a fist: the fingers bend down towards the palm, so from above they look shorter
// and their tips are out of sight; the thumb swings in.
HandShape ClosingHand() {
    HandShape hand;
    const double knuckleY = 1, wristY = 44, left = -25, right = 23;
    AddPalmAndArm(hand, knuckleY, wristY, left, right);
    AddFingers(hand,
               {{-15.5, knuckleY + 2, -5, 25, 12, false, {0.78}},
                {-3.8, knuckleY, -1, 28, 12.4, false, {0.78}},
                {7.4, knuckleY + 1, 4, 26, 12, false, {0.78}},
                {17.4, knuckleY + 4, 9, 20, 10.6, false, {0.76}}},
               true);
    AddThumb(hand, {left + 8, 30, -28, 31, 14, true, {0.58}});
    return hand;
}

// From above a fist shows the folded fingers' first joints beyond the knuckles, and the thumb
// lying across their front.
HandShape Fist() {
    HandShape hand;
    const double knuckleY = 5, wristY = 44, left = -24, right = 22;
    AddPalmAndArm(hand, knuckleY, wristY, left, right);
    AddFingers(hand,
               {{-14.8, knuckleY + 2, -4, 16, 12.6, false, {}},
                {-3.6, knuckleY, 0, 17.5, 13, false, {}},
                {7.4, knuckleY + 1, 3, 16.5, 12.6, false, {}},
                {17.2, knuckleY + 4, 8, 13, 11, false, {}}},
               true);
    AddThumb(hand, {left + 7, 22, 66, 27, 13, true, {}, 5}, true);
    return hand;
}

HandShape Transformed(const HandShape& hand, const QTransform& t) {
    HandShape out;
    for (const Part& part : hand.Parts)
        out.Parts.push_back(
            {t.map(part.Path), part.Raise, part.Bulge, part.Radius, part.EdgeOverPalm});
    for (const QPainterPath& n : hand.Nails)
        out.Nails.push_back(t.map(n));
    for (const QPainterPath& c : hand.Creases)
        out.Creases.push_back(t.map(c));
    for (const QPointF& k : hand.Knuckles)
        out.Knuckles.push_back(t.map(k));
    out.Sleeve = t.map(hand.Sleeve);
    out.Pinch = t.map(hand.Pinch);
    return out;
}

// The fist with the first finger and the thumb reaching forward, their tips together on the
// seed; turned so that the seed lies just above the origin, where it falls.
HandShape DroppingHand(double turn) {
    HandShape hand;
    const double knuckleY = 5, wristY = 44, left = -24, right = 22;
    AddPalmAndArm(hand, knuckleY, wristY, left, right);
    const Digit first = {-14.8, knuckleY + 2, -40, 25, 11.6, true, {0.5, 0.76}};
    const Digit thumb = {left + 7, 27, -40, 33, 13, true, {0.58}};
    AddFingers(hand,
               {first,
                {-3.6, knuckleY, 0, 17.5, 13, false, {}},
                {7.4, knuckleY + 1, 3, 16.5, 12.6, false, {}},
                {17.2, knuckleY + 4, 8, 13, 11, false, {}}},
               true);
    AddThumb(hand, thumb);
    hand.Pinch = (Along(first, 0.97) + Along(thumb, 0.97)) / 2;
    const QPointF turned = QTransform().rotate(turn).map(hand.Pinch);
    QTransform t;
    t.translate(2 - turned.x(), -3 - turned.y());
    t.rotate(turn);
    return Transformed(hand, t);
}

HandShape Shape(HandPose pose, int player) {
    switch (pose) {
    case HandPose::Open:
        return OpenHand();
    case HandPose::Closing:
        return ClosingHand();
    case HandPose::Fist:
        return Fist();
    default:
        // Player 1 drops far up and left in the picture, player 2 near its middle.
        return DroppingHand(player == 1 ? -16 : -8);
    }
}

// Where the pit's middle lies in the hand picture, and how the hand is turned.
QTransform Placement(HandPose pose, int player) {
    const bool dropping = pose == HandPose::Dropping;
    const double px = dropping ? -layout::kDropDx[player] : -layout::kPickUpDx[player];
    const double py = dropping ? -layout::kDropDy[player] : -layout::kPickUpDy[player];
    const double cx = px + layout::kPitSize / 2.0, cy = py + layout::kPitSize / 2.0;
    QTransform t;
    t.translate(cx, cy);
    if (player == 2) {
        t.rotate(180);
        // Player 2 works on pits lower in the picture: the hand holds back a little so that
        // its fingers stay inside.
        if (!dropping)
            t.translate(0, 10);
    } else if (!dropping) {
        t.translate(0, -6);
    }
    t.scale(kShapeScale, kShapeScale);
    return t;
}

// The sleeve's hem, a shallow curve along the picture's edge on the player's side, moved
// `inset` pixels into the picture.
QPainterPath HemLine(int player, double inset) {
    const double size = layout::kHandSize, edge = size - 0.6 - inset;
    QPainterPath line;
    line.moveTo(-20, edge - 5);
    line.quadTo(size / 2, edge + 5, size + 20, edge - 5);
    return player == 1 ? line : QTransform(-1, 0, 0, -1, size, size).map(line);
}

// The part of the picture the hand may cover: everything on the inner side of the hem, or of
// a line `inset` pixels inside it.
QPainterPath InsideHem(int player, double inset = 0) {
    QPainterPath inside = HemLine(1, inset);
    inside.lineTo(layout::kHandSize + 20, -40);
    inside.lineTo(-20, -40);
    inside.closeSubpath();
    const double size = layout::kHandSize;
    return player == 1 ? inside : QTransform(-1, 0, 0, -1, size, size).map(inside);
}

HandShape Hemmed(HandShape hand, int player) {
    const QPainterPath inside = InsideHem(player);
    for (Part& part : hand.Parts)
        part.Path = part.Path.intersected(inside);
    hand.Sleeve = hand.Sleeve.intersected(inside);
    return hand;
}

QPainterPath Body(const HandShape& hand) {
    QPainterPath body;
    for (const Part& part : hand.Parts)
        body = body.united(part.Path);
    return body.simplified();
}

// The lines drawn or cut inside the body: each part's edge where it lies over another, nails,
// joints, the sleeve's opening and the band above its hem.
struct InnerLines {
    QPainterPath Separations, Details, Band;
};

InnerLines Lines(const HandShape& hand, int player, const QPainterPath& body, double width) {
    const QPainterPath inner = body.subtracted(Stroke(body, 2 * width));
    InnerLines lines;
    // A part's edge shows only where the parts painted before it lie under it.
    const QPainterPath& palm = hand.Parts.front().Path;
    QPainterPath below = palm, others;
    for (std::size_t i = 1; i < hand.Parts.size(); ++i) {
        const Part& part = hand.Parts[i];
        const QPainterPath edge =
            Stroke(part.Path, width).intersected(part.EdgeOverPalm ? below : others);
        lines.Separations = lines.Separations.united(edge);
        below = below.united(part.Path);
        others = others.united(part.Path);
    }
    lines.Separations = lines.Separations.intersected(inner);
    for (const QPainterPath& nail : hand.Nails)
        lines.Details = lines.Details.united(Stroke(nail, width * 0.8));
    for (const QPainterPath& crease : hand.Creases)
        lines.Details = lines.Details.united(Stroke(crease, width * 0.8));
    // The folds of the sleeve stop at the band, which runs unbroken along the hem.
    lines.Details = lines.Details.intersected(inner).intersected(InsideHem(player, 8));
    lines.Band = Stroke(HemLine(player, 6.5), width).intersected(hand.Sleeve).intersected(inner);
    return lines;
}

// Paints a path in one colour into a picture at the painting scale.
void Fill(QImage& image, const QPainterPath& path, const QColor& colour,
          QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver) {
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(QTransform::fromScale(Painting(), Painting()));
    p.setCompositionMode(mode);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawPath(path);
}

QImage Canvas() {
    QImage image(Pixels() * kScale, Pixels() * kScale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

Field ScaledCoverage(const QPainterPath& path) {
    const int size = Pixels() * kScale;
    return Coverage(QTransform::fromScale(Painting(), Painting()).map(path), size, size);
}

// A rounded top over a part: its height rises from `Raise` at its edge to `Raise` + `Bulge`
// about `Radius` inside; -1 outside the part.
Field Dome(const Part& part) {
    const Field inside = ScaledCoverage(part.Path);
    Field round = inside;
    Blur(round, std::max(1, int(part.Radius * kShapeScale * Painting() / 2)));
    const double unit = kShapeScale * Painting();
    for (int y = 0; y < round.Height(); ++y)
        for (int x = 0; x < round.Width(); ++x) {
            // The blurred coverage is a half at the edge and one well inside.
            const double depth = dm::Clamp(2 * round.At(x, y) - 1, 0.0, 1.0);
            round.At(x, y) =
                inside.At(x, y) > 0.5 ? unit * (part.Raise + part.Bulge * dm::Sqrt(depth)) : -1.0;
        }
    return round;
}

// The hand's surface: each part's dome over those before it, knuckles raised, joints and
// the lines between parts sunk a little.
Relief HandRelief(const HandShape& hand, const InnerLines& lines) {
    const int size = Pixels() * kScale;
    Relief relief(size, size);
    for (const Part& part : hand.Parts) {
        const Field dome = Dome(part);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                if (dome.At(x, y) >= 0)
                    relief.Height.At(x, y) = dome.At(x, y);
    }
    QPainterPath bumps;
    for (const QPointF& k : hand.Knuckles)
        bumps.addEllipse(k, 3.2, 2.6);
    Field knuckles = ScaledCoverage(bumps);
    Blur(knuckles, ScaledRadius(2 * kScale, handScale));
    Field grooves = ScaledCoverage(lines.Separations.united(lines.Details));
    Blur(grooves, ScaledRadius(kScale / 2, handScale));
    Field hollows = ScaledCoverage(lines.Separations);
    Blur(hollows, ScaledRadius(3 * kScale, handScale));
    const double unit = kShapeScale * Painting();
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            relief.Height.At(x, y) += unit * (1.6 * knuckles.At(x, y) - 0.8 * grooves.At(x, y));
            relief.Occlusion.At(x, y) = 1 - 0.35 * hollows.At(x, y);
        }
    return relief;
}

// The colours of skin, nails and cloth; the hem band indigo with a zigzag of pale thread.
void ColourRelief(Relief& relief, const HandShape& hand, int player) {
    const Field nails = ScaledCoverage([&] {
        QPainterPath all;
        for (const QPainterPath& n : hand.Nails)
            all = all.united(n);
        return all;
    }());
    const Field cloth = ScaledCoverage(hand.Sleeve);
    const Field band = ScaledCoverage(Stroke(HemLine(player, 3.5), 5.0).intersected(hand.Sleeve));
    const int size = relief.Height.Width();
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const double px = (x + 0.5) / Painting(), py = (y + 0.5) / Painting();
            const double mottle = Fbm(px * 0.15, py * 0.15, 3, 41) - 0.5;
            Color skin = Scale(style::kSkin, 1 + 0.12 * mottle);
            skin = Mix(skin, style::kNail, nails.At(x, y));
            // A zigzag of pale thread across the band, every 6 pixels.
            const double phase = px / 6 - std::floor(px / 6);
            const double zig = std::abs(phase - 0.5) * 2;
            const double rows = player == 1 ? layout::kHandSize - 0.6 - py : py - 0.6;
            const double thread = std::abs(rows - 1.5 - 4 * zig) < 0.7 ? 1.0 : 0.0;
            const Color hem = Mix(style::kHem, style::kCloth, thread * 0.85);
            const Color fabric = Mix(style::kCloth, hem, band.At(x, y));
            relief.AlbedoAt(x, y) = Mix(skin, fabric, cloth.At(x, y));
            relief.Gloss.At(x, y) = 0.18 * (1 - cloth.At(x, y)) + 0.45 * nails.At(x, y);
        }
}

QImage PaintedHand(const HandShape& hand, int player) {
    const QPainterPath body = Body(hand);
    const InnerLines lines = Lines(hand, player, body, kSeparation);
    Relief relief = HandRelief(hand, lines);
    ColourRelief(relief, hand, player);
    const QImage lit = Shade(relief);

    QImage image = Canvas();
    Fill(image, body, Qt::black);
    for (int y = 0; y < image.height(); ++y) {
        QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(line[x]);
            const QRgb c = lit.pixel(x, y);
            line[x] = qRgba(qRed(c) * a / 255, qGreen(c) * a / 255, qBlue(c) * a / 255, a);
        }
    }
    Fill(image, lines.Separations, QColor::fromRgba(style::kHandCrease));
    Fill(image, lines.Details, QColor::fromRgba((style::kHandCrease & 0xFFFFFF) | 0xB0000000));
    Fill(image, lines.Band, QColor::fromRgba(style::kHandCrease));
    Fill(image, Stroke(body, kOutline), QColor::fromRgba(style::kHandOutline));
    return Downscale(image, kScale);
}

// Opaque where the painting covers at least half a pixel, white elsewhere.
QImage Flatten(const QImage& painted) {
    QImage picture(painted.size(), QImage::Format_RGB32);
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x) {
            const QRgb c = painted.pixel(x, y);
            const int a = qAlpha(c);
            picture.setPixel(x, y,
                             a < 128 ? qRgb(255, 255, 255)
                                     : qRgb(std::min(254, qRed(c) * 255 / a), qGreen(c) * 255 / a,
                                            qBlue(c) * 255 / a));
        }
    return picture;
}

IndexedImage Silhouette(const HandShape& hand, int player) {
    const QPainterPath body = Body(hand);
    const InnerLines lines = Lines(hand, player, body, kCut);
    QImage image = Canvas();
    Fill(image, body, Qt::black);
    for (const QPainterPath& cut : {lines.Separations, lines.Details, lines.Band})
        Fill(image, cut, Qt::black, QPainter::CompositionMode_DestinationOut);
    const QImage coverage = Downscale(image, kScale);
    IndexedImage out;
    out.Width = out.Height = Pixels();
    out.Palette = {style::kHandSilhouette, 0xFFFFFFFF};
    for (int y = 0; y < out.Height; ++y)
        for (int x = 0; x < out.Width; ++x)
            out.Pixels.push_back(qAlpha(coverage.pixel(x, y)) >= 128 ? 0 : 1);
    return out;
}

// The seed held between the tips, over the hand, its shadow on the pit below.
QImage WithSeed(const QImage& hand, QPointF at, int player, const QImage& pitBackground) {
    const int size = Pixels();
    QImage seeds = Canvas(), shadows = Canvas();
    SeedPlace seed;
    seed.X = at.x();
    seed.Y = at.y();
    seed.Angle = player == 1 ? 35 : 215;
    seed.Layer = 4; // in the air: its shadow falls farther
    DrawSeeds(seeds, shadows, {seed}, Painting());
    const QImage seedsDown = Downscale(seeds, kScale);
    QImage background(size, size, QImage::Format_RGB32);
    background.fill(Qt::white);
    {
        QPainter p(&background);
        // The hollow is in the picture's pixels.
        p.drawImage(QPointF((at.x() - layout::kPitSize / 2.0) * handScale,
                            (at.y() - layout::kPitSize / 2.0) * handScale),
                    pitBackground);
    }
    const QImage loose = ComposeSprite(seedsDown, Downscale(shadows, kScale), background);
    QImage out = hand;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const QRgb h = hand.pixel(x, y), s = seedsDown.pixel(x, y);
            if (h == 0xFFFFFFFF) {
                out.setPixel(x, y, loose.pixel(x, y));
                continue;
            }
            const int keep = 255 - qAlpha(s);
            out.setPixel(x, y,
                         qRgb(qRed(s) + qRed(h) * keep / 255, qGreen(s) + qGreen(h) * keep / 255,
                              qBlue(s) + qBlue(h) * keep / 255));
        }
    return out;
}

} // namespace

IndexedImage PaintHand(HandPose pose, int player, const QImage& pitBackground, double scale) {
    const ScaleScope scope(scale);
    const HandShape hand =
        Hemmed(Transformed(Shape(pose, player), Placement(pose, player)), player);
    if (pose != HandPose::Dropping)
        return Silhouette(hand, player);
    const QImage painted = Flatten(PaintedHand(hand, player));
    return Quantize(WithSeed(painted, hand.Pinch, player, pitBackground), 256);
}

} // namespace gen
