// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file forms the generator writes: BMP files (device-independent bitmaps of 1, 4, 8 and 24
// bits), JPEG files (baseline or progressive), RIFF WAVE files, the Windows icon, and the
// palette reduction that makes indexed pictures from painted ones.
#include <QImage>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace gen {

using Bytes = std::vector<std::uint8_t>;

// A palette picture: one palette index per pixel, lines from the top down.
struct IndexedImage {
    int Width = 0;
    int Height = 0;
    std::vector<QRgb> Palette;
    std::vector<std::uint8_t> Pixels;

    std::uint8_t At(int x, int y) const { return Pixels[std::size_t(y) * Width + x]; }
};

// Reduces a painted picture to at most `colors` palette entries. Pixels of exactly white keep
// an entry of exactly white (the transparent colour of the sprites), and no other pixel is
// given that entry. The white entry, when there is one, is the last.
IndexedImage Quantize(const QImage& image, int colors);
// The palette picture as an RGB32 image (for previews and the contact sheet).
QImage ToImage(const IndexedImage& image);

// BMP files: a 14-byte file header, the 40-byte information header (no compression, no stated
// colour count), the full colour table (2 to the power of the bit count entries) and bottom-up
// lines padded to 32 bits.
Bytes BmpFile(const QImage& rgb);                       // 24 bits
Bytes BmpFile(const IndexedImage& image, int bitCount); // 1, 4 or 8 bits

// JPEG files of a three-component JFIF picture; progressive with the simple progression.
Bytes JpegFile(const QImage& rgb, int quality, bool progressive);
// Decodes a JPEG file to RGB32 (integer DCT unless floatDct).
QImage DecodeJpeg(const Bytes& file, bool floatDct = false);

// A canonical RIFF WAVE file: PCM, 2 channels, 44 100 Hz, 16 bits, interleaved samples.
Bytes WaveFile(const std::vector<std::int16_t>& samples);

// A Windows icon holding one 4-bit picture; pixels of index `transparent` are masked out.
Bytes IconFile(const IndexedImage& image, int transparent);
// A PNG file made by Qt's writer.
Bytes PngFile(const QImage& image);

void WriteFile(const std::filesystem::path& path, const Bytes& bytes);

} // namespace gen
