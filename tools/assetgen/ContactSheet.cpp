// SPDX-License-Identifier: GPL-3.0-or-later
#include "graphics/Assets.h"
#include "tools/assetgen/Fonts.h"
#include "tools/assetgen/Generator.h"
#include "tools/assetgen/Layout.h"

#include <QPainter>

namespace gen {

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

// Draws a sprite as the game does: pixels of its transparent colour left out.
void DrawSprite(QImage& target, const QImage& sprite, int x, int y, bool transparent) {
    for (int sy = 0; sy < sprite.height(); ++sy) {
        for (int sx = 0; sx < sprite.width(); ++sx) {
            const QRgb c = sprite.pixel(sx, sy) | 0xFF000000;
            const int tx = x + sx, ty = y + sy;
            if ((transparent && c == kWhite) || tx < 0 || ty < 0 || tx >= target.width() ||
                ty >= target.height())
                continue;
            target.setPixel(tx, ty, c);
        }
    }
}

// The board as a game in progress shows it: seeds in every pit, player 1's sun lit, the score
// texts, player 1's hand dropping a seed and player 2's at rest beside its pit.
QImage Scene(const GeneratedAssets& a) {
    using namespace layout;
    QImage scene = a.Pictures.at("plateau").copy();
    const int seeds[13] = {0, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 20};
    for (int pit = 1; pit <= 12; ++pit)
        DrawSprite(scene, a.Pictures.at("case" + std::to_string(seeds[pit])), PitX(pit), PitY(pit),
                   true);
    DrawSprite(scene, a.Pictures.at("maintour"), kSunTileX, kSunTileY, false);
    QPainter p(&scene);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(192, 220, 192));
    p.drawPath(TextPath(Face::Hand, 27, "Joueur 1 : 7 (+3)", kScore1X, kScore1Y + 25));
    p.drawPath(TextPath(Face::Hand, 27, "Joueur 2 : 5", kScore2X, kScore2Y + 25));
    p.end();
    DrawSprite(scene, a.Pictures.at("maindistr"), PitX(5) + kDropDx[1], PitY(5) + kDropDy[1], true);
    DrawSprite(scene, a.Pictures.at("mainouv2"), PitX(10) + kPickUpDx[2], PitY(10) + kPickUpDy[2],
               true);
    return scene;
}

// A transparent picture over a checkerboard, so that its left-out pixels show.
QImage Shown(const QImage& picture, bool transparent, int scale) {
    QImage out(picture.width() * scale, picture.height() * scale, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y) {
        for (int x = 0; x < out.width(); ++x) {
            QRgb c = picture.pixel(x / scale, y / scale) | 0xFF000000;
            if (transparent && c == kWhite)
                c = ((x / 6 + y / 6) % 2) ? qRgb(206, 206, 206) : qRgb(236, 236, 236);
            out.setPixel(x, y, c);
        }
    }
    return out;
}

QImage Fit(const QImage& image, int box) {
    const int factor = (std::max(image.width(), image.height()) + box - 1) / box;
    if (factor <= 1)
        return image;
    QImage out(image.width() / factor, image.height() / factor, QImage::Format_RGB32);
    for (int y = 0; y < out.height(); ++y)
        for (int x = 0; x < out.width(); ++x)
            out.setPixel(x, y, image.pixel(x * factor, y * factor));
    return out;
}

void Label(QPainter& p, const QString& text, double x, double y, double size = 13) {
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 24, 16));
    p.drawPath(TextPath(Face::Label, size, text, x, y));
}

} // namespace

QImage ContactSheet(const GeneratedAssets& a) {
    constexpr int W = 1320, cell = 180, top = 540;
    const int columns = W / cell;
    const int items = int(std::size(assets::kImages)) + 2;
    const int rows = (items + columns - 1) / columns;
    QImage sheet(W, top + rows * (cell + 40) + 20, QImage::Format_RGB32);
    sheet.fill(QColor(250, 244, 232));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing);
    Label(p, "Ekobarama: every picture of the catalogue, made by tools/assetgen", 14, 26, 18);
    p.drawImage(14, 44, Scene(a));
    Label(p, "The board as a game shows it (pits, sun indicator, score texts, hands)", 14, 540, 12);
    p.drawImage(666, 44, a.Pictures.at("presentation"));
    Label(p, "1.3 presentation", 666, 540, 12);

    int slot = 0;
    auto place = [&](const QImage& image, const QString& title, const QString& info) {
        const int x = 14 + (slot % columns) * cell, y = top + 20 + (slot / columns) * (cell + 40);
        const QImage fitted = Fit(image, cell - 20);
        p.drawImage(x, y, fitted);
        Label(p, title, x, y + fitted.height() + 16);
        Label(p, info, x, y + fitted.height() + 31, 11);
        ++slot;
    };
    for (const assets::ImageAsset& asset : assets::kImages) {
        const QImage& picture = a.Pictures.at(asset.Name);
        const int scale = picture.width() <= 80 ? 2 : 1;
        const QString info = QString("%1x%2, %3 bit, %4%5")
                                 .arg(asset.Width)
                                 .arg(asset.Height)
                                 .arg(asset.BitCount)
                                 .arg(asset.Stored == assets::Storage::Jpeg ? "JPEG" : "DIB")
                                 .arg(asset.Transparent ? ", keyed" : "");
        place(Shown(picture, asset.Transparent, scale),
              QString("%1.%2 %3").arg(asset.List).arg(asset.Index).arg(asset.Name), info);
    }
    place(Shown(a.Credits, false, 1), "credits", "80x100, baseline JPEG");
    place(Shown(a.Icon.convertToFormat(QImage::Format_RGB32), false, 4), "icon",
          "32x32, 16 colours");
    return sheet;
}

QImage HandSheet(const GeneratedAssets& a) {
    using namespace layout;
    constexpr int kZoom = 2, kGap = 12, kTitle = 30;
    const int cell = kHandSize * kZoom;
    const QImage& board = a.Pictures.at("plateau");
    QImage sheet(kGap + 4 * (cell + kGap), kTitle + 2 * (cell + kGap + 22), QImage::Format_RGB32);
    sheet.fill(QColor(250, 244, 232));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing);
    Label(p, "The hands: open, closing, fist, sowing; player 2 (top row) and player 1", kGap, 20,
          15);
    for (const assets::ImageAsset& asset : assets::kImages) {
        if (asset.List != 3)
            continue;
        const int column = asset.Index / 2, row = asset.Index % 2;
        // Each over the part of the board where the hand spends its moves: the pits' wood at
        // the fingers and the score band at the sleeve.
        const int boardY = row == 0 ? kTopPanelTop + 20 : kBottomPanelBottom - kHandSize - 4;
        QImage cellImage = board.copy(90 + 120 * column, boardY, kHandSize, kHandSize)
                               .convertToFormat(QImage::Format_RGB32);
        DrawSprite(cellImage, a.Pictures.at(asset.Name), 0, 0, true);
        const int x = kGap + column * (cell + kGap), y = kTitle + row * (cell + kGap + 22);
        p.drawImage(QRect(x, y, cell, cell), cellImage);
        Label(p, QString("3.%1 %2").arg(asset.Index).arg(asset.Name), x, y + cell + 15, 12);
    }
    return sheet;
}

} // namespace gen
