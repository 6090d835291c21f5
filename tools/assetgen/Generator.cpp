// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/assetgen/Generator.h"

#include "graphics/Assets.h"
#include "tools/assetgen/Art.h"
#include "tools/assetgen/Sounds.h"

#include <stdexcept>

namespace gen {

namespace {

// The board is stored as a JPEG and drawn with red 5, green 0, blue 0 left out: no pixel of
// the decoded picture may come out as exactly that colour, whichever decoder is used.
void CheckBoardKeyColour(const Bytes& jpeg) {
    for (const bool floatDct : {false, true}) {
        const QImage decoded = DecodeJpeg(jpeg, floatDct);
        for (int y = 0; y < decoded.height(); ++y)
            for (int x = 0; x < decoded.width(); ++x)
                if ((decoded.pixel(x, y) & 0xFFFFFF) == 0x050000)
                    throw std::runtime_error("the board decodes to its transparent colour");
    }
}

// "sable": a plain white square with a palette of sand tones (white last).
IndexedImage Sand() {
    IndexedImage image;
    image.Width = image.Height = 65;
    for (int i = 0; i < 255; ++i)
        image.Palette.push_back(qRgb(120 + i * 120 / 254, 90 + i * 130 / 254, 50 + i * 140 / 254));
    image.Palette.push_back(qRgb(255, 255, 255));
    image.Pixels.assign(65 * 65, 255);
    return image;
}

// "blanc": a plain white area, 1 bit.
IndexedImage Blank() {
    IndexedImage image;
    image.Width = 400;
    image.Height = 200;
    image.Palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    image.Pixels.assign(400 * 200, 1);
    return image;
}

HandPose PoseOf(const std::string& name) {
    if (name.rfind("mainouv", 0) == 0)
        return HandPose::Open;
    if (name.rfind("mainferm", 0) == 0)
        return HandPose::Closing;
    if (name.rfind("poing", 0) == 0)
        return HandPose::Fist;
    return HandPose::Dropping;
}

void CheckIndexed(const IndexedImage& image, const assets::ImageAsset& asset) {
    if (image.Width != asset.Width || image.Height != asset.Height ||
        int(image.Palette.size()) > (1 << asset.BitCount))
        throw std::runtime_error(std::string(asset.Name) + ": wrong size or too many colours");
}

} // namespace

GeneratedAssets GenerateAll() {
    GeneratedAssets out;
    const BoardPictures board = PaintBoard();
    for (const assets::ImageAsset& asset : assets::kImages) {
        const std::string name = asset.Name;
        Bytes file;
        QImage shown;
        IndexedImage indexed;
        bool isIndexed = asset.BitCount <= 8;
        if (name == "blanc") {
            indexed = Blank();
        } else if (name == "sable") {
            indexed = Sand();
        } else if (name == "plateau") {
            file = JpegFile(board.Board, 92, true);
            CheckBoardKeyColour(file);
            shown = DecodeJpeg(file, true);
        } else if (name == "presentation") {
            shown = PaintPresentation();
        } else if (name == "maintour") {
            shown = board.SunTile;
        } else if (name == "maintour2") {
            shown = board.MoonTile;
        } else if (name == "temp-score") {
            indexed = Quantize(PaintSmallHand(), 16);
        } else if (name.rfind("case", 0) == 0) {
            indexed = Quantize(PaintPit(std::stoi(name.substr(4)), board.PitBackground), 256);
        } else {
            const int player = name.back() == '2' ? 2 : 1;
            indexed = PaintHand(PoseOf(name), player, board.PitBackground);
        }
        if (asset.Stored == assets::Storage::Bitmap) {
            if (isIndexed) {
                CheckIndexed(indexed, asset);
                file = BmpFile(indexed, asset.BitCount);
                shown = ToImage(indexed);
            } else {
                file = BmpFile(shown);
            }
        }
        if (shown.width() != asset.Width || shown.height() != asset.Height)
            throw std::runtime_error(name + ": wrong size");
        out.Files.emplace_back(assets::FileName(asset), file);
        out.Pictures[name] = shown;
    }

    for (const assets::SoundAsset& sound : assets::kSounds) {
        const std::vector<std::int16_t> samples = Synthesize(sound.Index);
        if (samples.size() * 2 != sound.SampleBytes)
            throw std::runtime_error(std::string(sound.Name) + ": wrong length");
        out.Files.emplace_back(assets::FileName(sound), WaveFile(samples));
    }

    const Bytes credits = JpegFile(PaintCredits(), 90, false);
    out.Credits = DecodeJpeg(credits);
    out.Files.emplace_back(assets::kCreditsFile, credits);

    const IndexedImage icon = PaintIcon();
    const int white = int(icon.Palette.size()) - 1;
    out.Files.emplace_back(assets::kIconFile, IconFile(icon, white));
    QImage png(icon.Width, icon.Height, QImage::Format_Indexed8);
    QList<QRgb> table(icon.Palette.begin(), icon.Palette.end());
    table[white] = qRgba(255, 255, 255, 0);
    png.setColorTable(table);
    for (int y = 0; y < icon.Height; ++y)
        for (int x = 0; x < icon.Width; ++x)
            png.setPixel(x, y, icon.At(x, y));
    out.Files.emplace_back(assets::kIconPngFile, PngFile(png));
    out.Icon = png.convertToFormat(QImage::Format_ARGB32);
    return out;
}

} // namespace gen
