// SPDX-License-Identifier: GPL-3.0-or-later
// What pictures keep in memory to paint themselves and when they make it: a DIB drawn at its
// size needs no drawable image, a JPEG picture decodes when first painted, and pictures made
// dormant give back the forms they made, painting the same afterwards.
#include "tests/picture/PictureTestSupport.h"

#include <jerror.h>
#include <random>

using namespace picturetest;

namespace {

std::unique_ptr<TJPEGImage> ReadJpeg(const testpic::Bytes& jpeg) {
    auto image = std::make_unique<TJPEGImage>();
    TMemoryStream stream(testpic::JpegData(jpeg));
    image->ReadStoredData(stream);
    return image;
}

testpic::Bytes SmallJpeg(int width = 24, int height = 18) {
    testpic::JpegLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixel = [](int x, int y) {
        return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x * 10),
                                           static_cast<std::uint8_t>(y * 12), 90};
    };
    return testpic::MakeJpeg(layout);
}

// The picture painted at its size on a fresh canvas, pixel by pixel.
std::vector<std::uint32_t> Painted(TGraphic& graphic) {
    MemoryCanvas canvas(graphic.Width(), graphic.Height());
    graphic.Draw(canvas, 0, 0);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < graphic.Height(); ++y)
        for (int x = 0; x < graphic.Width(); ++x)
            pixels.push_back(canvas.Pixel(x, y));
    return pixels;
}

// A DIB of the given bit count (16: 5-5-5, or 5-6-5 with masks) with pseudo-random pixels and
// colours.
TDIB RandomDib(int width, int height, int bitCount, bool masks565 = false) {
    std::mt19937 random(static_cast<unsigned>(width * 131 + bitCount * 7 + masks565));
    testpic::DibLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitCount = static_cast<std::uint16_t>(bitCount);
    if (masks565) {
        layout.compression = 3;
        layout.masks = {0xF800, 0x07E0, 0x001F};
    }
    if (bitCount <= 8) {
        layout.colorsUsed = 1u << bitCount;
        for (std::uint32_t i = 0; i < layout.colorsUsed; ++i)
            layout.colors.push_back({static_cast<std::uint8_t>(random()),
                                     static_cast<std::uint8_t>(random()),
                                     static_cast<std::uint8_t>(random())});
    }
    layout.pixels.resize(static_cast<size_t>(testpic::WidthBytes(width, bitCount) * height));
    for (std::uint8_t& byte : layout.pixels)
        byte = static_cast<std::uint8_t>(random());
    return ReadDib(testpic::MakeDib(layout));
}

} // namespace

TEST(PicturesAtTheirSize, ADibDrawsStraightFromItsPixelsClippedAtEveryEdge) {
    App();
    constexpr std::uint32_t Marker = 0x123456;
    struct Kind {
        int bitCount;
        bool masks565;
    };
    for (const Kind kind : {Kind{1, false}, Kind{4, false}, Kind{8, false}, Kind{16, false},
                            Kind{16, true}, Kind{24, false}, Kind{32, false}}) {
        TDIB dib = RandomDib(13, 5, kind.bitCount, kind.masks565);
        // What the DIB looks like, from a copy's drawable image.
        TDIB copy(dib);
        const QImage expected = copy.Handle();
        for (const QPoint at : {QPoint(2, 1), QPoint(-4, -2), QPoint(9, 3), QPoint(-20, 0)}) {
            MemoryCanvas canvas(16, 6, 0xFF000000u | Marker);
            dib.Draw(canvas, at.x(), at.y());
            for (int y = 0; y < 6; ++y)
                for (int x = 0; x < 16; ++x) {
                    const QPoint source = QPoint(x, y) - at;
                    const std::uint32_t want = expected.rect().contains(source)
                                                   ? expected.pixel(source) & 0xFFFFFFu
                                                   : Marker;
                    ASSERT_EQ(canvas.Pixel(x, y), want) << kind.bitCount << " bits at " << at.x()
                                                        << ", " << at.y() << ": " << x << ", " << y;
                }
        }
        // No drawable image was made on the way.
        EXPECT_TRUE(dib.Image().MemoryImage()) << kind.bitCount;
    }
}

TEST(PicturesAtTheirSize, TrueColourPixelsComeOutAsStoredAtEveryWidth) {
    App();
    // Widths around the four pixels converted at a time, lines bottom-up and padded.
    for (const int bitCount : {24, 32})
        for (int width = 1; width <= 11; ++width) {
            TDIB dib = RandomDib(width, 3, bitCount);
            const std::uint8_t* bits = dib.Image().Pixels();
            const int bytes = bitCount / 8;
            MemoryCanvas canvas(width, 3);
            dib.Draw(canvas, 0, 0);
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < width; ++x) {
                    const std::uint8_t* p =
                        bits + (2 - y) * testpic::WidthBytes(width, bitCount) + x * bytes;
                    const std::uint32_t stored = p[2] << 16 | p[1] << 8 | p[0];
                    ASSERT_EQ(canvas.Pixel(x, y), stored)
                        << bitCount << " bits, " << width << " wide: " << x << ", " << y;
                    ASSERT_EQ(dib.Handle().pixel(x, y) & 0xFFFFFFu, stored);
                }
        }
}

TEST(DormantPictures, ADibDropsItsDrawableImageAndMakesItAgainWithItsCurrentPixels) {
    App();
    TDIB dib = ReadDib(testpic::MakeDib({.width = 3,
                                         .height = 2,
                                         .bitCount = 8,
                                         .colorsUsed = 2,
                                         .colors = {{0, 0, 255}, {0, 255, 0}},
                                         .pixels = {0, 1, 0, 0, 1, 0, 1, 0}}));
    const std::vector<std::uint32_t> before = Painted(dib);
    QImage held = dib.Handle();
    EXPECT_FALSE(held.isDetached()); // shared with the DIB's own drawable image
    dib.Dormant();
    EXPECT_TRUE(held.isDetached()); // the DIB let go of it
    EXPECT_EQ(Painted(dib), before);
    EXPECT_EQ(dib.Handle(), held);

    // A change after a dormant spell shows at the next paint.
    EXPECT_EQ(held.pixel(0, 0) & 0xFFFFFFu, 0x00FF00u);
    dib.Dormant();
    dib.ScanLine(0)[0] = 0;
    EXPECT_EQ(dib.Handle().pixel(0, 0) & 0xFFFFFFu, 0xFF0000u);
}

TEST(DormantPictures, AJpegPictureDropsItsDecodedBitmapAndDecodesTheSameAgain) {
    App();
    const std::unique_ptr<TJPEGImage> jpeg = ReadJpeg(SmallJpeg());
    const std::vector<std::uint32_t> first = Painted(*jpeg);
    ASSERT_TRUE(jpeg->Decoded());
    jpeg->Dormant();
    EXPECT_FALSE(jpeg->Decoded());
    EXPECT_EQ(jpeg->Width(), 24);
    EXPECT_EQ(jpeg->Height(), 18);
    EXPECT_FALSE(jpeg->Empty());
    EXPECT_EQ(Painted(*jpeg), first);
    EXPECT_TRUE(jpeg->Decoded());

    // A copy made before keeps its own bitmap.
    const std::unique_ptr<TGraphic> copy = jpeg->Clone();
    jpeg->Dormant();
    EXPECT_TRUE(static_cast<TJPEGImage&>(*copy).Decoded());

    // Without bytes to decode again, the bitmap stays.
    TJPEGImage empty;
    empty.Bitmap();
    empty.Dormant();
    EXPECT_TRUE(empty.Decoded());
}
