// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The icons the desktop shows for the game, at each size of the hicolor theme, and a sheet of
// them side by side. (The program's own 16-colour icon is PaintIcon's.)
#include "tools/assetgen/Codecs.h"

#include <QImage>
#include <string>
#include <utility>
#include <vector>

namespace gen {

// The application's id: the desktop entry, the AppStream metadata and the icons are named
// after it.
inline constexpr const char* kAppId = "invalid.ekobarama.Ekobarama";

const std::vector<int>& AppIconSizes(); // 16 to 512 pixels
QImage PaintAppIcon(int size);          // size x size, transparent around the board
// Each size as a PNG file, named hicolor/NxN/apps/<id>.png.
std::vector<std::pair<std::string, Bytes>> AppIconFiles();
// Every size side by side at its own size, over a light and a dark ground.
QImage AppIconSheet();

} // namespace gen
