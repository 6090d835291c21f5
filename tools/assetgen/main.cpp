// ekoba-assetgen: paints, records and writes every asset of the game.
//
//   ekoba-assetgen <output directory> [--contact-sheet <png file>]
//
// The output is the same, byte for byte, on every run: fixed seeds, arithmetic of our own for
// every elementary function, fonts taken as outlines from installed files.
#include "tools/assetgen/Codecs.h"
#include "tools/assetgen/Generator.h"

#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    // Painting needs no display.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    const std::string usage =
        "usage: ekoba-assetgen <output directory> [--contact-sheet <png file>]\n";
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--contact-sheet")) {
        std::cerr << usage;
        return 2;
    }
    try {
        const fs::path out = argv[1];
        fs::create_directories(out);
        const gen::GeneratedAssets assets = gen::GenerateAll();
        for (const auto& [name, bytes] : assets.Files)
            gen::WriteFile(out / name, bytes);
        if (argc == 4)
            gen::WriteFile(argv[3], gen::PngFile(gen::ContactSheet(assets)));
    } catch (const std::exception& e) {
        std::cerr << "ekoba-assetgen: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
