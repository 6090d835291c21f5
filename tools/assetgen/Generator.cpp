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
IndexedImage Sand(int size) {
    IndexedImage image;
    image.Width = image.Height = size;
    for (int i = 0; i < 255; ++i)
        image.Palette.push_back(qRgb(120 + i * 120 / 254, 90 + i * 130 / 254, 50 + i * 140 / 254));
    image.Palette.push_back(qRgb(255, 255, 255));
    image.Pixels.assign(std::size_t(size) * size, 255);
    return image;
}

// "blanc": a plain white area, 1 bit.
IndexedImage Blank(int width, int height) {
    IndexedImage image;
    image.Width = width;
    image.Height = height;
    image.Palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    image.Pixels.assign(std::size_t(width) * height, 1);
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

void CheckIndexed(const IndexedImage& image, const assets::ImageAsset& asset, int width,
                  int height) {
    if (image.Width != width || image.Height != height ||
        int(image.Palette.size()) > (1 << asset.BitCount))
        throw std::runtime_error(std::string(asset.Name) + ": wrong size or too many colours");
}

// The image lists' pictures drawn for a scale in percent: at 100 the catalogue's files, at
// another scale its set of files in the scale's folder.
void GenerateImages(GeneratedAssets& out, int percent) {
    const double scale = percent / 100.0;
    const bool scaled = percent != 100;
    const BoardPictures board = PaintBoard(scale);
    for (const assets::ImageAsset& asset : assets::kImages) {
        const std::string name = asset.Name;
        const int width = assets::ScaledSize(asset.Width, percent);
        const int height = assets::ScaledSize(asset.Height, percent);
        Bytes file;
        QImage shown;
        IndexedImage indexed;
        bool isIndexed = asset.BitCount <= 8;
        if (name == "blanc") {
            indexed = Blank(width, height);
        } else if (name == "sable") {
            indexed = Sand(width);
        } else if (name == "plateau") {
            file = JpegFile(board.Board, 92, true);
            CheckBoardKeyColour(file);
            shown = DecodeJpeg(file, true);
        } else if (name == "presentation") {
            shown = PaintPresentation(scale);
        } else if (name == "maintour") {
            shown = board.SunTile;
        } else if (name == "maintour2") {
            shown = board.MoonTile;
        } else if (name == "temp-score") {
            indexed = Quantize(PaintSmallHand(scale), 16);
        } else if (name.rfind("case", 0) == 0) {
            indexed =
                Quantize(PaintPit(std::stoi(name.substr(4)), board.PitBackground, scale), 256);
        } else {
            const int player = name.back() == '2' ? 2 : 1;
            indexed = PaintHand(PoseOf(name), player, board.PitBackground, scale);
        }
        const assets::Storage storage = scaled ? assets::ScaledStorage(asset) : asset.Stored;
        if (storage == assets::Storage::Bitmap) {
            if (isIndexed) {
                CheckIndexed(indexed, asset, width, height);
                file = BmpFile(indexed, asset.BitCount);
                shown = ToImage(indexed);
            } else {
                file = BmpFile(shown);
            }
        } else if (asset.Stored != assets::Storage::Jpeg) {
            // Stored as a JPEG file in the scaled sets only: shown as it decodes.
            file = JpegFile(shown, 92, false);
            shown = DecodeJpeg(file);
        }
        if (shown.width() != width || shown.height() != height)
            throw std::runtime_error(name + ": wrong size");
        if (scaled) {
            out.Files.emplace_back(
                assets::ScaledFolder(percent) + "/" + assets::ScaledFileName(asset), file);
        } else {
            out.Files.emplace_back(assets::FileName(asset), file);
            out.Pictures[name] = shown;
        }
    }
}

} // namespace

GeneratedAssets GenerateAll() {
    GeneratedAssets out;
    GenerateImages(out, 100);
    for (const int percent : assets::kScaledPercents)
        GenerateImages(out, percent);

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
