// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/assetgen/Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <map>
#include <stdexcept>

namespace gen {

namespace {

const char* FileName(Face face) {
    switch (face) {
    case Face::TitleSlab:
        return "RobotoSlab-Bold.otf";
    case Face::Hand:
        return "ComicNeue-Bold.otf";
    default:
        return "DejaVuSans.ttf";
    }
}

QString Family(Face face) {
    static std::map<Face, QString> families;
    const auto known = families.find(face);
    if (known != families.end())
        return known->second;
    static const char* const directories[] = {"/usr/share/fonts/opentype/roboto/slab",
                                              "/usr/share/fonts/opentype/comic-neue",
                                              "/usr/share/fonts/truetype/dejavu"};
    for (const char* directory : directories) {
        const QString path = QString(directory) + "/" + FileName(face);
        if (!QFile::exists(path))
            continue;
        const int id = QFontDatabase::addApplicationFont(path);
        if (id >= 0 && !QFontDatabase::applicationFontFamilies(id).isEmpty())
            return families[face] = QFontDatabase::applicationFontFamilies(id).first();
    }
    throw std::runtime_error(std::string("font file not installed: ") + FileName(face) +
                             " (scripts/deps.sh installs it)");
}

} // namespace

QFont LoadFont(Face face, double pixels) {
    QFont font(Family(face));
    font.setPixelSize(int(pixels));
    font.setBold(face != Face::Label);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(true);
    return font;
}

QPainterPath TextPath(Face face, double pixels, const QString& text, double x, double y) {
    QPainterPath path;
    path.addText(x, y, LoadFont(face, pixels), text);
    return path;
}

} // namespace gen
