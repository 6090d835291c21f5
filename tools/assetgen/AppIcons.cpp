// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's icons of the game: an ekoba board seen from above, drawn for each size rather
// than scaled. Up to 24 pixels it is a flat board with two rows of three pits, one bright seed
// in each, on the pixel grid; at 32 and 48 two rows of four pits with shaded wood and pairs of
// seeds; from 64 up the full board of two rows of six pits, its shadow, the wood's grain and
// seeds of varied counts with their highlights.
#include "tools/assetgen/AppIcons.h"

#include "tools/assetgen/Seeds.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <string>

namespace gen {

namespace {

constexpr int kScale = 8;

const QColor kOutline(62, 30, 12);
const QColor kWoodLight(214, 142, 76);
const QColor kWoodDark(128, 64, 28);
const QColor kHollow(70, 34, 14);
const QColor kSeed(236, 230, 204);
const QColor kSeedShade(150, 140, 112);

// Flat and aligned to whole pixels: 16, 22 and 24 pixels.
void PaintSmall(QPainter& p, int s) {
    const double margin = s <= 16 ? 0.5 : 1.5;
    const double top = s * 0.2, height = s - 2 * top;
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(kWoodLight);
    p.drawRoundedRect(QRectF(margin, top + 0.5, s - 2 * margin, height), s * 0.15, s * 0.15);
    p.setPen(Qt::NoPen);
    const double pit = s <= 16 ? 3 : 5;
    const double gapX = (s - 2 * margin - 3 * pit) / 4;
    for (int row = 0; row < 2; ++row) {
        for (int col = 0; col < 3; ++col) {
            const double x = margin + gapX + col * (pit + gapX);
            const double y =
                row == 0 ? top + 0.5 + height / 2 - pit - 0.5 : top + 0.5 + height / 2 + 0.5;
            const QRectF r(std::round(x), std::round(y), pit, pit);
            p.setBrush(kHollow);
            p.drawEllipse(r);
            p.setBrush(kSeed);
            const double seed = s <= 16 ? 1.6 : pit / 2;
            p.drawEllipse(QRectF(r.center() - QPointF(seed / 2, seed / 2), QSizeF(seed, seed)));
        }
    }
}

// A pit with its hollow and `seeds` seeds, centred on c, radius r.
void PaintPit(QPainter& p, QPointF c, double r, int seeds, bool highlights) {
    QRadialGradient hollow(c + QPointF(r * 0.3, r * 0.35), r * 1.1);
    hollow.setColorAt(0, QColor(150, 84, 40));
    hollow.setColorAt(0.6, QColor(96, 48, 20));
    hollow.setColorAt(1, kHollow);
    p.setPen(Qt::NoPen);
    p.setBrush(hollow);
    p.drawEllipse(c, r, r);
    // Where the seeds of a pit lie, from its centre, in units of the pit's radius.
    static const double places[5][2] = {
        {-0.28, -0.12}, {0.3, 0.08}, {-0.05, 0.36}, {0.1, -0.4}, {-0.42, 0.3}};
    const double sr = r * 0.27;
    for (int i = 0; i < seeds && i < 5; ++i) {
        const QPointF sc = c + QPointF(places[i][0] * r, places[i][1] * r);
        QRadialGradient seed(sc - QPointF(sr * 0.35, sr * 0.35), sr * 1.4);
        seed.setColorAt(0, highlights ? QColor(255, 252, 238) : kSeed);
        seed.setColorAt(0.5, kSeed);
        seed.setColorAt(1, kSeedShade);
        p.setBrush(seed);
        p.setPen(highlights ? QPen(QColor(90, 70, 50), sr * 0.18) : Qt::NoPen);
        p.drawEllipse(sc, sr, sr * 0.86);
    }
}

// Shaded wood, two rows of four pits: 32 and 48 pixels.
void PaintMedium(QPainter& p, int s) {
    const QRectF board(1, s * 0.2, s - 2, s * 0.6);
    QLinearGradient wood(board.topLeft(), board.bottomRight());
    wood.setColorAt(0, kWoodLight);
    wood.setColorAt(1, kWoodDark);
    p.setPen(QPen(kOutline, s / 32.0));
    p.setBrush(wood);
    p.drawRoundedRect(board.adjusted(0.5, 0.5, -0.5, -0.5), s * 0.14, s * 0.14);
    const double r = s * 0.1;
    const int counts[8] = {2, 1, 2, 3, 3, 2, 1, 2};
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 4; ++col)
            PaintPit(p,
                     QPointF(board.left() + board.width() * (0.14 + 0.24 * col),
                             board.top() + board.height() * (row == 0 ? 0.29 : 0.71)),
                     r, counts[row * 4 + col], false);
}

// The full board: 64 pixels and up.
void PaintLarge(QPainter& p, int s) {
    const QRectF board(s * 0.03, s * 0.24, s * 0.94, s * 0.5);
    // The shadow the board casts below it.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 4; ++i) {
        p.setBrush(QColor(0, 0, 0, 22));
        const double grow = s * 0.006 * (4 - i);
        p.drawRoundedRect(board.translated(0, s * 0.035).adjusted(-grow, -grow, grow, grow),
                          s * 0.1, s * 0.1);
    }
    QLinearGradient wood(board.topLeft(), board.bottomLeft());
    wood.setColorAt(0, QColor(226, 156, 88));
    wood.setColorAt(0.5, kWoodLight);
    wood.setColorAt(1, kWoodDark);
    p.setPen(QPen(kOutline, s / 48.0));
    p.setBrush(wood);
    p.drawRoundedRect(board, s * 0.08, s * 0.08);
    // Grain: thin darker lines along the board.
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(board, s * 0.08, s * 0.08);
    p.setClipPath(clip);
    p.setPen(QPen(QColor(150, 80, 36, 90), s / 200.0));
    p.setBrush(Qt::NoBrush);
    for (int i = 1; i < 9; ++i) {
        const double y = board.top() + board.height() * i / 9.0;
        QPainterPath grain;
        grain.moveTo(board.left(), y);
        grain.cubicTo(board.left() + board.width() * 0.3, y + s * 0.012 * (i % 3 - 1),
                      board.left() + board.width() * 0.7, y - s * 0.01 * (i % 2), board.right(),
                      y + s * 0.006);
        p.drawPath(grain);
    }
    p.restore();
    // A groove between the two rows.
    p.setPen(QPen(QColor(110, 56, 24, 160), s / 96.0));
    p.drawLine(QPointF(board.left() + s * 0.05, board.center().y()),
               QPointF(board.right() - s * 0.05, board.center().y()));
    const double r = s * 0.062;
    const int counts[12] = {4, 3, 0, 2, 5, 1, 2, 4, 1, 3, 0, 4};
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 6; ++col)
            PaintPit(p,
                     QPointF(board.left() + board.width() * (0.1 + 0.16 * col),
                             board.top() + board.height() * (row == 0 ? 0.27 : 0.73)),
                     r, counts[row * 6 + col], true);
}

} // namespace

const std::vector<int>& AppIconSizes() {
    static const std::vector<int> sizes = {16, 22, 24, 32, 48, 64, 128, 256, 512};
    return sizes;
}

QImage PaintAppIcon(int size) {
    QImage painting(size * kScale, size * kScale, QImage::Format_ARGB32_Premultiplied);
    painting.fill(Qt::transparent);
    QPainter p(&painting);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(kScale, kScale);
    if (size <= 24)
        PaintSmall(p, size);
    else if (size <= 48)
        PaintMedium(p, size);
    else
        PaintLarge(p, size);
    p.end();
    return Downscale(painting, kScale).convertToFormat(QImage::Format_ARGB32);
}

std::vector<std::pair<std::string, Bytes>> AppIconFiles() {
    std::vector<std::pair<std::string, Bytes>> files;
    for (const int size : AppIconSizes()) {
        const std::string dir = std::to_string(size) + "x" + std::to_string(size);
        files.emplace_back("hicolor/" + dir + "/apps/" + kAppId + ".png",
                           PngFile(PaintAppIcon(size)));
    }
    return files;
}

QImage AppIconSheet() {
    // Each icon at its own size on a light and a dark ground, side by side, bottoms aligned.
    const int gap = 12;
    int width = gap;
    for (const int size : AppIconSizes())
        width += size + gap;
    const int height = 512 + 2 * gap;
    QImage sheet(width, 2 * height, QImage::Format_RGB32);
    sheet.fill(QColor(238, 238, 236));
    QPainter p(&sheet);
    p.fillRect(0, height, width, height, QColor(46, 52, 54));
    int x = gap;
    for (const int size : AppIconSizes()) {
        const QImage icon = PaintAppIcon(size);
        p.drawImage(x, height - gap - size, icon);
        p.drawImage(x, 2 * height - gap - size, icon);
        x += size + gap;
    }
    p.end();
    return sheet;
}

} // namespace gen
