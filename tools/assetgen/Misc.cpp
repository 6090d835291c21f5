// SPDX-License-Identifier: GPL-3.0-or-later
// The small pictures: "temp-score" (a small orange open hand, kept in the list though nothing
// shows it) and the program's icon (a little board with seeds).
#include "graphics/Assets.h"
#include "tools/assetgen/Art.h"
#include "tools/assetgen/DetMath.h"
#include "tools/assetgen/Seeds.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace gen {

namespace {

// Keeps the pixels a painting (premultiplied, at `scale` times the size) covers at least half
// of, over white.
QImage Threshold(const QImage& painting, int scale) {
    const QImage small = Downscale(painting, scale);
    QImage out(small.size(), QImage::Format_RGB32);
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x) {
            const QRgb c = small.pixel(x, y);
            const int a = qAlpha(c);
            if (a < 128) {
                out.setPixel(x, y, qRgb(255, 255, 255));
                continue;
            }
            // Un-premultiply.
            int r = std::min(255, qRed(c) * 255 / a), g = std::min(255, qGreen(c) * 255 / a),
                b = std::min(255, qBlue(c) * 255 / a);
            if (r == 255 && g == 255 && b == 255)
                b = 254;
            out.setPixel(x, y, qRgb(r, g, b));
        }
    }
    return out;
}

} // namespace

QImage PaintSmallHand(double scale) {
    constexpr int kScale = 8, W = 36, H = 47;
    const int percent = int(std::lround(scale * 100));
    QImage painting(assets::ScaledSize(W, percent) * kScale,
                    assets::ScaledSize(H, percent) * kScale, QImage::Format_ARGB32_Premultiplied);
    painting.fill(Qt::transparent);
    QPainter p(&painting);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kScale * scale, kScale * scale);
    QPainterPath hand;
    hand.addRoundedRect(QRectF(8, 20, 20, 22), 7, 7);
    const double fingers[4][4] = {
        {10.5, 22, -10, 15}, {15.5, 21, -3, 18}, {20.5, 21, 4, 16}, {25, 23, 12, 12}};
    for (const auto& f : fingers) {
        QPainterPath finger;
        finger.addRoundedRect(QRectF(-2.4, -f[3], 4.8, f[3] + 2), 2.4, 2.4);
        hand = hand.united(QTransform().translate(f[0], f[1]).rotate(f[2]).map(finger));
    }
    QPainterPath thumb;
    thumb.addRoundedRect(QRectF(-2.7, -13, 5.4, 14), 2.7, 2.7);
    hand = hand.united(QTransform().translate(9, 34).rotate(-55).map(thumb)).simplified();
    QRadialGradient orange(QPointF(14, 26), 22);
    orange.setColorAt(0, QColor(252, 170, 70));
    orange.setColorAt(1, QColor(214, 104, 30));
    p.setPen(QPen(QColor(110, 44, 14), 1.3));
    p.setBrush(orange);
    p.drawPath(hand);
    p.end();
    return Threshold(painting, kScale);
}

IndexedImage PaintIcon() {
    constexpr int kScale = 8, S = 32;
    QImage painting(S * kScale, S * kScale, QImage::Format_ARGB32_Premultiplied);
    painting.fill(Qt::transparent);
    QPainter p(&painting);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kScale, kScale);
    // A small board with two rows of three pits, one pit with seeds.
    QRadialGradient wood(QPointF(10, 8), 30);
    wood.setColorAt(0, QColor(206, 132, 70));
    wood.setColorAt(1, QColor(130, 66, 30));
    p.setPen(QPen(QColor(70, 34, 16), 1.1));
    p.setBrush(wood);
    p.drawRoundedRect(QRectF(1.5, 6.5, 29, 19), 5, 5);
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col) {
            const QPointF c(7.5 + 8.5 * col, 12 + 8 * row);
            p.setBrush(QColor(72, 36, 16));
            p.drawEllipse(c, 3.4, 3.2);
            p.setBrush(QColor(236, 180, 110));
            p.drawEllipse(c + QPointF(0.9, 0.9), 2.2, 2.0);
            p.setBrush(QColor(96, 50, 22));
            p.drawEllipse(c + QPointF(0.3, 0.3), 2.6, 2.4);
            // Seeds: a pale pair in each pit.
            p.setBrush(QColor(214, 216, 196));
            p.drawEllipse(c + QPointF(-0.9, 0.2), 1.2, 0.95);
            p.drawEllipse(c + QPointF(1.0, -0.3), 1.2, 0.95);
        }
    }
    p.end();
    return Quantize(Threshold(painting, kScale), 16);
}

} // namespace gen
