// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text for the pictures, from font files installed with the build dependencies (Roboto Slab,
// Comic Neue, DejaVu), taken as outlines so that no hinting or font matching of the machine
// changes a pixel.
#include <QFont>
#include <QPainterPath>
#include <QString>

namespace gen {

enum class Face { TitleSlab, Hand, Label };

QFont LoadFont(Face face, double pixels);
// The outline of a text with its baseline starting at (x, y).
QPainterPath TextPath(Face face, double pixels, const QString& text, double x, double y);

} // namespace gen
