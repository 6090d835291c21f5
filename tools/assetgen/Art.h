// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The painters of the game's pictures. Each returns a picture of its catalogue size; pixels of
// exactly white are the transparent ones of the sprites.
#include "tools/assetgen/Codecs.h"

#include <QImage>

namespace gen {

struct BoardPictures {
    QImage Board;         // "plateau", 640 x 480
    QImage SunTile;       // "maintour", the lit sun medallion with its surroundings, 91 x 91
    QImage MoonTile;      // "maintour2", the lit moon medallion, 91 x 91
    QImage PitBackground; // the hollow of a pit as the board shows it, 65 x 65 (mean of the 12)
};
BoardPictures PaintBoard();

// n seeds lying in a pit, over white; their soft edges are blended with the pit's hollow.
QImage PaintPit(int seeds, const QImage& pitBackground);

// The hands: open, closing, fist (one colour) and dropping a seed (painted); player 1 from the
// bottom, player 2 from the top.
enum class HandPose { Open, Closing, Fist, Dropping };
IndexedImage PaintHand(HandPose pose, int player, const QImage& pitBackground);

QImage PaintPresentation();
QImage PaintCredits();
QImage PaintSmallHand();  // "temp-score", 36 x 47
IndexedImage PaintIcon(); // 32 x 32, 16 colours, white transparent

} // namespace gen
