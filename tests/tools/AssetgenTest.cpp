// SPDX-License-Identifier: GPL-3.0-or-later
// The generator's own arithmetic and file forms: elementary functions accurate to the last few
// bits, palette reduction that keeps white for the transparent pixels only, and bit packing of
// the bitmap lines.
#include "tools/assetgen/Codecs.h"
#include "tools/assetgen/DetMath.h"
#include "tools/assetgen/Random.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(DetMath, AgreesWithTheLibraryOverWideRanges) {
    for (double x = -200; x < 200; x += 0.0173) {
        EXPECT_NEAR(dm::Sin(x), std::sin(x), 1e-13) << x;
        EXPECT_NEAR(dm::Cos(x), std::cos(x), 1e-13) << x;
        EXPECT_NEAR(dm::Atan(x), std::atan(x), 1e-14) << x;
        EXPECT_NEAR(dm::Atan2(x, 3 - x), std::atan2(x, 3 - x), 1e-14) << x;
        const double e = x / 4;
        EXPECT_NEAR(dm::Exp(e) / std::exp(e), 1.0, 1e-14) << e;
        if (x > 0) {
            EXPECT_NEAR(dm::Log(x), std::log(x), 1e-14) << x;
        }
    }
    EXPECT_NEAR(dm::Log(1e-300), std::log(1e-300), 1e-12);
    EXPECT_NEAR(dm::Pow(2.5, 3.25), std::pow(2.5, 3.25), 1e-12);
    EXPECT_EQ(dm::Atan2(0, -1), dm::kPi);
}

TEST(Random, TheSameSeedGivesTheSameNumbers) {
    gen::Random a(7), b(7), c(8);
    bool differs = false;
    for (int i = 0; i < 100; ++i) {
        const double u = a.Uniform();
        EXPECT_EQ(u, b.Uniform());
        EXPECT_GE(u, 0.0);
        EXPECT_LT(u, 1.0);
        differs |= u != c.Uniform();
    }
    EXPECT_TRUE(differs);
    EXPECT_EQ(gen::ValueNoise(3.25, 7.5, 1), gen::ValueNoise(3.25, 7.5, 1));
}

QImage Gradient(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x * 255 / (w - 1), y * 255 / (h - 1), (x + y) % 256));
    return image;
}

TEST(Quantize, WhiteStaysTheTransparentColourAndNothingElseBecomesIt) {
    QImage image = Gradient(64, 64);
    // Near-white pixels must not turn into the transparent white.
    image.setPixel(63, 63, qRgb(255, 255, 254));
    image.setPixel(62, 63, qRgb(254, 255, 255));
    image.setPixel(0, 0, qRgb(255, 255, 255));
    const gen::IndexedImage indexed = gen::Quantize(image, 16);
    ASSERT_LE(indexed.Palette.size(), 16u);
    EXPECT_EQ(indexed.Palette.back(), 0xFFFFFFFFu);
    const std::uint8_t white = std::uint8_t(indexed.Palette.size() - 1);
    EXPECT_EQ(indexed.At(0, 0), white);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            if (x || y) {
                EXPECT_NE(indexed.At(x, y), white) << x << "," << y;
            }
}

TEST(Quantize, FewColoursAreKeptExactly) {
    QImage image(8, 2, QImage::Format_RGB32);
    const QRgb colours[4] = {qRgb(10, 20, 30), qRgb(200, 100, 0), qRgb(255, 255, 255),
                             qRgb(0, 0, 0)};
    for (int x = 0; x < 8; ++x)
        for (int y = 0; y < 2; ++y)
            image.setPixel(x, y, colours[(x + y) % 4]);
    const gen::IndexedImage indexed = gen::Quantize(image, 256);
    EXPECT_EQ(indexed.Palette.size(), 4u);
    EXPECT_EQ(gen::ToImage(indexed), image);
}

TEST(Quantize, ManyColoursAreReducedToTheLimit) {
    const gen::IndexedImage indexed = gen::Quantize(Gradient(128, 128), 256);
    EXPECT_EQ(indexed.Palette.size(), 256u); // no white in this picture: all entries for colours
    const QImage back = gen::ToImage(indexed);
    // Close to the original everywhere.
    const QImage original = Gradient(128, 128);
    for (int y = 0; y < 128; y += 7)
        for (int x = 0; x < 128; x += 7)
            EXPECT_LT(std::abs(qRed(back.pixel(x, y)) - qRed(original.pixel(x, y))) +
                          std::abs(qGreen(back.pixel(x, y)) - qGreen(original.pixel(x, y))),
                      40);
}

TEST(BmpFile, PacksIndicesFromTheLeftmostPixelInTheHighBitsBottomLineFirst) {
    gen::IndexedImage image;
    image.Width = 3;
    image.Height = 2;
    image.Palette = {qRgb(1, 2, 3), qRgb(4, 5, 6), qRgb(7, 8, 9)};
    image.Pixels = {0, 1, 2,  // top line
                    2, 2, 1}; // bottom line
    const gen::Bytes four = gen::BmpFile(image, 4);
    ASSERT_EQ(four.size(), 14u + 40u + 16u * 4u + 2u * 4u);
    EXPECT_EQ(four[54], 3); // blue first
    EXPECT_EQ(four[56], 1);
    const std::size_t pixels = 14 + 40 + 64;
    EXPECT_EQ(four[pixels + 0], 0x22); // bottom line: 2, 2
    EXPECT_EQ(four[pixels + 1], 0x10); // 1, padding
    EXPECT_EQ(four[pixels + 4], 0x01); // top line: 0, 1
    EXPECT_EQ(four[pixels + 5], 0x20);

    image.Palette.resize(2);
    image.Pixels = {0, 1, 1, 1, 0, 1};
    const gen::Bytes one = gen::BmpFile(image, 1);
    EXPECT_EQ(one[14 + 40 + 8], 0b10100000);
    EXPECT_EQ(one[14 + 40 + 8 + 4], 0b01100000);
    EXPECT_THROW(gen::BmpFile(gen::IndexedImage{3, 2, std::vector<QRgb>(3), image.Pixels}, 1),
                 std::runtime_error);
}

TEST(WaveFile, WritesTheCanonicalHeader) {
    const gen::Bytes file = gen::WaveFile({1, -1, 2, -2});
    ASSERT_EQ(file.size(), 44u + 8u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
    EXPECT_EQ(file[4], 44); // 36 + 8 sample bytes
    EXPECT_EQ(file[40], 8);
    EXPECT_EQ(file[46], 0xFF); // -1, little-endian
    EXPECT_EQ(file[47], 0xFF);
}

} // namespace
