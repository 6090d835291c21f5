// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Makes every asset file of assets/ in memory (the image lists' pictures also for every scale of
// assets::kScaledPercents, in their folders), and the contact sheet of all pictures.
#include "tools/assetgen/Codecs.h"

#include <QImage>
#include <map>
#include <string>
#include <vector>

namespace gen {

struct GeneratedAssets {
    std::vector<std::pair<std::string, Bytes>> Files; // file name, contents
    std::map<std::string, QImage> Pictures;           // by catalogue name, as they will show
    QImage Credits;
    QImage Icon;
};

GeneratedAssets GenerateAll();

// Every picture of the catalogue with its list, index, name, size and format, and the board
// assembled as the game shows it.
QImage ContactSheet(const GeneratedAssets& assets);
// The eight hand pictures side by side at twice their size, player 2's above player 1's, over
// the light wood and the dark score band they pass over.
QImage HandSheet(const GeneratedAssets& assets);

} // namespace gen
