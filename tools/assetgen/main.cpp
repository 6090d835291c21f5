// SPDX-License-Identifier: GPL-3.0-or-later
// ekoba-assetgen: paints, records and writes every asset of the game.
//
//   ekoba-assetgen <output directory> [--contact-sheet <png file>] [--hands <png file>]
//                  [--icons <directory>] [--icon-sheet <png file>]
//
// The image lists' pictures are also drawn anew for the larger scales of the catalogue, into
// scaled-150/ and scaled-200/ of the output directory.
// --hands writes the eight hand pictures side by side at twice their size; --icons writes the
// desktop's icons at every size (hicolor/NxN/apps/<id>.png), --icon-sheet them side by side.
// The output is the same, byte for byte, on every run: fixed seeds, arithmetic of our own for
// every elementary function, fonts taken as outlines from installed files. On another processor
// what QPainter rasterises may come out a level off in a few pixels (its antialiasing and
// gradients take processor-specific paths); the test that regenerates the assets allows that.
#include "tools/assetgen/AppIcons.h"
#include "tools/assetgen/Codecs.h"
#include "tools/assetgen/Generator.h"

#include <QGuiApplication>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    // Painting needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const std::string usage =
        "usage: ekoba-assetgen <output directory> [--contact-sheet <png "
        "file>] [--hands <png file>] [--icons <directory>] [--icon-sheet <png file>]\n";
    std::map<std::string, std::string> sheets;
    for (int i = 2; i + 1 < argc; i += 2)
        sheets[argv[i]] = argv[i + 1];
    const bool known = std::all_of(sheets.begin(), sheets.end(), [](const auto& option) {
        return option.first == "--contact-sheet" || option.first == "--hands" ||
               option.first == "--icons" || option.first == "--icon-sheet";
    });
    if (argc < 2 || argc % 2 != 0 || !known) {
        std::cerr << usage;
        return 2;
    }
    try {
        const fs::path out = argv[1];
        fs::create_directories(out);
        const gen::GeneratedAssets assets = gen::GenerateAll();
        for (const auto& [name, bytes] : assets.Files) {
            fs::create_directories((out / name).parent_path());
            gen::WriteFile(out / name, bytes);
        }
        if (sheets.count("--contact-sheet"))
            gen::WriteFile(sheets["--contact-sheet"], gen::PngFile(gen::ContactSheet(assets)));
        if (sheets.count("--hands"))
            gen::WriteFile(sheets["--hands"], gen::PngFile(gen::HandSheet(assets)));
        if (sheets.count("--icons")) {
            for (const auto& [name, bytes] : gen::AppIconFiles()) {
                const fs::path path = fs::path(sheets["--icons"]) / name;
                fs::create_directories(path.parent_path());
                gen::WriteFile(path, bytes);
            }
        }
        if (sheets.count("--icon-sheet"))
            gen::WriteFile(sheets["--icon-sheet"], gen::PngFile(gen::AppIconSheet()));
    } catch (const std::exception& e) {
        std::cerr << "ekoba-assetgen: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
