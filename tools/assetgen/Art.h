// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The painters of the game's pictures. Each returns a picture of its catalogue size times the
// scale (rounded as assets::ScaledSize rounds: 65 pixels at 1.5 are 98); pixels of exactly
// white are the transparent ones of the sprites. A picture for a larger scale is drawn anew for
// its pixels from the same shapes, never enlarged; at scale 1 each is the catalogue's picture.
#include "tools/assetgen/Codecs.h"

#include <QImage>

namespace gen {

struct BoardPictures {
    double Scale = 1.0;
    QImage Board;         // "plateau", 640 x 480
    QImage SunTile;       // "maintour", the lit sun medallion with its surroundings, 91 x 91
    QImage MoonTile;      // "maintour2", the lit moon medallion, 91 x 91
    QImage PitBackground; // the hollow of a pit as the board shows it, 65 x 65 (mean of the 12)
};
BoardPictures PaintBoard(double scale = 1.0);

// n seeds lying in a pit, over white; their soft edges are blended with the pit's hollow.
QImage PaintPit(int seeds, const QImage& pitBackground, double scale = 1.0);

// The hands: open, closing, fist (one colour) and dropping a seed (painted); player 1 from the
// bottom, player 2 from the top.
enum class HandPose { Open, Closing, Fist, Dropping };
IndexedImage PaintHand(HandPose pose, int player, const QImage& pitBackground, double scale = 1.0);

QImage PaintPresentation(double scale = 1.0);
QImage PaintCredits();
QImage PaintSmallHand(double scale = 1.0); // "temp-score", 36 x 47
IndexedImage PaintIcon();                  // 32 x 32, 16 colours, white transparent

} // namespace gen
