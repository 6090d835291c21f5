// The hands: a right hand seen from above, back up, drawn as ink line art with hatching on the
// side away from the light. Player 1's hand reaches in from the bottom edge; player 2's is the
// same hand turned half round, reaching in from the top. The picture is placed so that the pit
// the hand works on lies where the game puts the hand over a pit.
#include "tools/assetgen/Art.h"
#include "tools/assetgen/DetMath.h"
#include "tools/assetgen/Layout.h"
#include "tools/assetgen/Seeds.h"
#include "tools/assetgen/Style.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <algorithm>
#include <vector>

namespace gen {

namespace {

constexpr int kScale = 4;
constexpr double kDetail = 1.5, kHatch = 1.1;

// A finger or a thumb: a rounded bar from `base` in the direction `angle` (degrees, 0 = up,
// positive turning right).
struct Digit {
    double X, Y, Angle, Length, Width;
    bool Nail = true;
    int Creases = 2;
};

QPointF Along(const Digit& d, double t, double side = 0) {
    const double a = dm::Radians(d.Angle);
    const double ux = dm::Sin(a), uy = -dm::Cos(a); // along the digit
    return {d.X + ux * d.Length * t + -uy * side, d.Y + uy * d.Length * t + ux * side};
}

// A digit narrowing a little towards its rounded tip.
QPainterPath DigitPath(const Digit& d) {
    const double base = d.Width / 2, tip = d.Width * 0.43;
    QPainterPath bar;
    bar.moveTo(-base, base);
    bar.lineTo(-base, 0);
    bar.lineTo(-tip, -d.Length + tip);
    bar.arcTo(QRectF(-tip, -d.Length, 2 * tip, 2 * tip), 180, -180);
    bar.lineTo(base, 0);
    bar.lineTo(base, base);
    bar.closeSubpath();
    return QTransform().translate(d.X, d.Y).rotate(d.Angle).map(bar);
}

struct HandShape {
    QPainterPath Body;                  // everything inked around
    std::vector<QPainterPath> Outlines; // parts outlined inside the body (digits)
    QPainterPath Palm;                  // where digit outlines stop
    std::vector<QPainterPath> Details;  // nails, creases, knuckles, bracelet
};

QPainterPath Arc(QPointF centre, double rx, double ry, double start, double span) {
    QPainterPath path;
    path.arcMoveTo(QRectF(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry), start);
    path.arcTo(QRectF(centre.x() - rx, centre.y() - ry, 2 * rx, 2 * ry), start, span);
    return path;
}

void AddDigitDetails(HandShape& hand, const Digit& d) {
    if (d.Nail) {
        // The nail: the curve of its root just behind the tip.
        const double w = d.Width * 0.26;
        QPainterPath nail;
        nail.moveTo(Along(d, 0.93, -w));
        nail.quadTo(Along(d, 0.8, 0), Along(d, 0.93, w));
        hand.Details.push_back(nail);
    }
    for (int c = 0; c < d.Creases; ++c) {
        const double t = d.Nail ? 0.62 - 0.05 * c : 0.7 - 0.08 * c;
        const double w = d.Width * (0.26 - 0.05 * c);
        QPainterPath crease;
        crease.moveTo(Along(d, t + 0.02, -w));
        crease.quadTo(Along(d, t - 0.03, 0), Along(d, t + 0.02, w));
        hand.Details.push_back(crease);
    }
}

// The forearm from the wrist out of the picture, with a bracelet of beads.
void AddArm(HandShape& hand, double wristLeft, double wristRight, double wristY) {
    QPainterPath arm;
    arm.moveTo(wristLeft, wristY - 6);
    arm.cubicTo(wristLeft - 1, wristY + 30, wristLeft - 5, wristY + 80, wristLeft - 8,
                wristY + 220);
    arm.lineTo(wristRight + 8, wristY + 220);
    arm.cubicTo(wristRight + 5, wristY + 80, wristRight + 1, wristY + 30, wristRight, wristY - 6);
    arm.closeSubpath();
    hand.Body = hand.Body.united(arm);

    const double top = wristY + 2, bottom = wristY + 10.5;
    QPainterPath band;
    band.moveTo(wristLeft - 1.5, top);
    band.quadTo((wristLeft + wristRight) / 2, top + 3, wristRight + 1.5, top);
    band.moveTo(wristLeft - 1.8, bottom);
    band.quadTo((wristLeft + wristRight) / 2, bottom + 3, wristRight + 1.8, bottom);
    hand.Details.push_back(band);
    const int beads = 6;
    for (int i = 0; i < beads; ++i) {
        const double t = (i + 0.5) / beads;
        const double x = wristLeft + (wristRight - wristLeft) * t;
        QPainterPath bead;
        bead.addEllipse(QPointF(x, (top + bottom) / 2 + 1.5 - 6 * (t - 0.5) * (t - 0.5)), 2.1, 2.1);
        hand.Details.push_back(bead);
    }
}

QPainterPath Palm(double knuckleY, double wristY, double left, double right) {
    QPainterPath palm;
    palm.moveTo(left + 4, wristY);
    palm.cubicTo(left - 2, wristY - 14, left - 3, knuckleY + 18, left + 1, knuckleY + 2);
    palm.quadTo((left + right) / 2, knuckleY - 9, right - 1, knuckleY + 3);
    palm.cubicTo(right + 3, knuckleY + 20, right + 1, wristY - 14, right - 3, wristY);
    palm.closeSubpath();
    return palm;
}

void AddKnuckles(HandShape& hand, const std::vector<Digit>& fingers) {
    for (const Digit& f : fingers) {
        QPainterPath knuckle = Arc(Along(f, -0.02), f.Width * 0.36, f.Width * 0.24, 25, 130);
        hand.Details.push_back(knuckle);
    }
}

void AddDigits(HandShape& hand, const std::vector<Digit>& digits) {
    for (const Digit& d : digits) {
        const QPainterPath path = DigitPath(d);
        hand.Body = hand.Body.united(path);
        hand.Outlines.push_back(path);
        AddDigitDetails(hand, d);
    }
}

// Origin: the middle of the pit the hand works on; y grows downwards, the fingers point up.
HandShape OpenHand() {
    HandShape hand;
    const double knuckleY = -2, wristY = 44, left = -26, right = 24;
    hand.Palm = Palm(knuckleY, wristY, left, right);
    hand.Body = hand.Palm;
    const std::vector<Digit> fingers = {{-16.5, knuckleY + 1, -10, 42, 10.8},
                                        {-4.8, knuckleY - 2, -2.5, 48, 11.2},
                                        {6.8, knuckleY - 1, 5, 44, 10.8},
                                        {17.4, knuckleY + 3, 13, 34, 9.4}};
    AddDigits(hand, fingers);
    AddDigits(hand, {{left + 4, 27, -50, 38, 12.8, true, 1}});
    AddKnuckles(hand, fingers);
    AddArm(hand, left + 5, right - 3, wristY);
    return hand;
}

HandShape ClosingHand() {
    HandShape hand;
    const double knuckleY = 2, wristY = 44, left = -26, right = 24;
    hand.Palm = Palm(knuckleY, wristY, left, right);
    hand.Body = hand.Palm;
    // Fingers bending down towards the palm look shorter from above.
    const std::vector<Digit> fingers = {{-16, knuckleY + 1, -5, 22, 11, false, 2},
                                        {-4.5, knuckleY - 1, -1, 25, 11.5, false, 2},
                                        {6.5, knuckleY, 4, 23, 11, false, 2},
                                        {17, knuckleY + 3, 9, 18, 9.8, false, 2}};
    AddDigits(hand, fingers);
    AddDigits(hand, {{left + 6, 24, -28, 30, 12.5, true, 1}});
    AddKnuckles(hand, fingers);
    AddArm(hand, left + 5, right - 3, wristY);
    // The fingertips, tucked under, show as folds at the ends.
    for (const Digit& f : fingers) {
        QPainterPath fold;
        fold.moveTo(Along(f, 0.86, -f.Width * 0.32));
        fold.quadTo(Along(f, 0.74, 0), Along(f, 0.86, f.Width * 0.32));
        hand.Details.push_back(fold);
    }
    return hand;
}

HandShape Fist() {
    HandShape hand;
    const double knuckleY = 6, wristY = 44, left = -25, right = 23;
    hand.Palm = Palm(knuckleY, wristY, left, right);
    hand.Body = hand.Palm;
    // From above a fist shows the first joints of the folded fingers beyond the knuckles.
    const std::vector<Digit> fingers = {{-15.5, knuckleY + 1, -4, 16, 12, false, 1},
                                        {-4, knuckleY - 1, 0, 17.5, 12.5, false, 1},
                                        {7.2, knuckleY, 3, 16.5, 12, false, 1},
                                        {17.6, knuckleY + 3, 8, 13, 10.4, false, 1}};
    AddDigits(hand, fingers);
    // The thumb lies across the front of the folded fingers.
    AddDigits(hand, {{left + 6, 18, 55, 27, 12, true, 1}});
    AddArm(hand, left + 5, right - 3, wristY);
    return hand;
}

HandShape Transformed(const HandShape& hand, const QTransform& t) {
    HandShape out;
    out.Body = t.map(hand.Body);
    out.Palm = t.map(hand.Palm);
    for (const QPainterPath& o : hand.Outlines)
        out.Outlines.push_back(t.map(o));
    for (const QPainterPath& d : hand.Details)
        out.Details.push_back(t.map(d));
    return out;
}

// The fist turned to point up and to the left, the first finger and the thumb parted to let a
// seed go; the origin is where the seed falls.
HandShape DroppingHand(double turn) {
    HandShape hand;
    const double knuckleY = 6, wristY = 44, left = -25, right = 23;
    hand.Palm = Palm(knuckleY, wristY, left, right);
    hand.Body = hand.Palm;
    const std::vector<Digit> fingers = {{-15.5, knuckleY + 1, -20, 28, 11, true, 2},
                                        {-4, knuckleY - 1, 0, 17.5, 12.5, false, 1},
                                        {7.2, knuckleY, 3, 16.5, 12, false, 1},
                                        {17.6, knuckleY + 3, 8, 13, 10.4, false, 1}};
    const Digit thumb = {left + 5, 22, -42, 32, 12, true, 1};
    AddDigits(hand, fingers);
    AddKnuckles(hand, fingers);
    AddDigits(hand, {thumb});
    AddArm(hand, left + 5, right - 3, wristY);
    // Turn the hand so that the point between the first finger and the thumb lies just below
    // and right of the falling seed.
    const QPointF pinch = (Along(fingers[0], 1.0) + Along(thumb, 1.0)) / 2;
    const QPointF turned = QTransform().rotate(turn).map(pinch);
    QTransform t;
    t.translate(7 - turned.x(), 9 - turned.y());
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

QPainterPath Stroke(const QPainterPath& path, double width) {
    QPainterPathStroker stroker;
    stroker.setWidth(width);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    return stroker.createStroke(path);
}

// Ink coverage of a hand placed in the picture, cut like a lino print: the hand is one solid
// shape, and the lines between the fingers, the nails, the creases, the bracelet and the
// hatching on the side facing the light are cut out of it.
QImage InkHand(const HandShape& hand, int size) {
    QImage ink(size * kScale, size * kScale, QImage::Format_ARGB32_Premultiplied);
    ink.fill(Qt::transparent);
    QPainter p(&ink);
    p.setRenderHint(QPainter::Antialiasing);
    p.setTransform(QTransform::fromScale(kScale, kScale));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0));

    const QPainterPath body = hand.Body.simplified();
    p.drawPath(body);

    p.setCompositionMode(QPainter::CompositionMode_DestinationOut);
    // The band of the body that its own copy, moved away from the light, leaves out; it is cut
    // with hatching that stops short of the outer edge.
    const QPainterPath lit = body.subtracted(QTransform::fromTranslate(6, 6).map(body));
    const QPainterPath inner = body.subtracted(Stroke(body, 3.2));
    QPainterPath hatch;
    for (double k = -size; k < 2 * size; k += 3.4) {
        hatch.moveTo(k, size + 10);
        hatch.lineTo(k + size + 20, -10);
    }
    p.drawPath(Stroke(hatch, kHatch).intersected(lit).intersected(inner));
    for (const QPainterPath& outline : hand.Outlines)
        p.drawPath(Stroke(outline, kDetail).subtracted(hand.Palm).intersected(inner));
    for (const QPainterPath& detail : hand.Details)
        p.drawPath(Stroke(detail, kDetail).intersected(inner));
    return ink;
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
    t.scale(1.15, 1.15);
    return t;
}

} // namespace

IndexedImage PaintHand(HandPose pose, int player, const QImage& pitBackground) {
    const int size = layout::kHandSize;
    const QTransform place = Placement(pose, player);
    const QImage ink = Downscale(InkHand(Transformed(Shape(pose, player), place), size), kScale);

    // The arm fades out in a stipple towards the edge it comes from (the bottom for player 1,
    // the top for player 2), so that it does not end in a cut across the board.
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    constexpr double kFade = 17;
    QImage picture(size, size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (qAlpha(ink.pixel(x, y)) < 128)
                continue;
            double edge = player == 1 ? size - 1 - y : y;
            const double density = std::min(1.0, (edge + 1) / kFade);
            if ((bayer[y % 4][x % 4] + 0.5) / 16 < density)
                picture.setPixel(x, y, style::kInk);
        }
    }

    if (pose != HandPose::Dropping) {
        IndexedImage image;
        image.Width = image.Height = size;
        image.Palette = {style::kInk, 0xFFFFFFFF};
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                image.Pixels.push_back(picture.pixel(x, y) == 0xFFFFFFFF ? 1 : 0);
        return image;
    }

    // The falling seed, in colour, over the pit below, with two strokes of its fall.
    QImage seeds(size * kScale, size * kScale, QImage::Format_ARGB32_Premultiplied);
    QImage shadows(seeds.size(), QImage::Format_ARGB32_Premultiplied);
    seeds.fill(Qt::transparent);
    shadows.fill(Qt::transparent);
    const QPointF at = place.map(QPointF(0, 0));
    SeedPlace seed;
    seed.X = at.x();
    seed.Y = at.y();
    seed.Angle = player == 1 ? 35 : 215;
    seed.Layer = 4; // in the air: its shadow falls farther
    DrawSeeds(seeds, shadows, {seed}, kScale);
    QImage background(size, size, QImage::Format_RGB32);
    background.fill(Qt::white);
    {
        QPainter p(&background);
        p.drawImage(QPointF(at.x() - layout::kPitSize / 2.0, at.y() - layout::kPitSize / 2.0),
                    pitBackground);
    }
    const QImage seedSprite =
        ComposeSprite(Downscale(seeds, kScale), Downscale(shadows, kScale), background);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if (seedSprite.pixel(x, y) != 0xFFFFFFFF && picture.pixel(x, y) == 0xFFFFFFFF)
                picture.setPixel(x, y, seedSprite.pixel(x, y));
    return Quantize(picture, 256);
}

} // namespace gen
