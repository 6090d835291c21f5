// SPDX-License-Identifier: GPL-3.0-or-later
// An image list keeps its pictures' surfaces, not the forms the pictures made to paint them: a
// JPEG item's decoded bitmap goes once its surfaces are made, and comes back only to remake
// them after a loss, with the same pixels.
#include "engine/ImageList.h"
#include "picture/JPEG.h"
#include "platform/Stream.h"
#include "tests/engine/ImageListTestSupport.h"
#include "tests/picture/TestPictures.h"

#include <gtest/gtest.h>

using namespace spritetest;

namespace {

std::unique_ptr<TJPEGImage> Jpeg(int width, int height) {
    testpic::JpegLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixel = testpic::BoardPixel;
    auto image = std::make_unique<TJPEGImage>();
    TMemoryStream stream(testpic::JpegData(testpic::MakeJpeg(layout)));
    image->ReadStoredData(stream);
    return image;
}

std::vector<std::uint32_t> SurfacePixels(TDirectDrawSurface& surface) {
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x)
            pixels.push_back(Pixel(surface, x, y));
    return pixels;
}

} // namespace

TEST(ImageListMemory, ItemsKeepTheirSurfacesAndRemakeThemFromThePictureAfterALoss) {
    TestWindow window(637, 470);
    TDXImageList list;
    list.SetDXDraw(&window.DXDraw());
    TPictureCollectionItem& whole = list.Items().Add();
    whole.Picture().SetGraphic(Jpeg(64, 48));
    TPictureCollectionItem& grid = list.Items().Add();
    grid.Picture().SetGraphic(Jpeg(64, 48));
    grid.PatternWidth = 16;
    grid.PatternHeight = 16;
    auto* wholeJpeg = static_cast<TJPEGImage*>(whole.Picture().Graphic());
    auto* gridJpeg = static_cast<TJPEGImage*>(grid.Picture().Graphic());

    // What the pictures look like, decoded apart.
    const std::unique_ptr<TJPEGImage> reference = Jpeg(64, 48);
    const QImage expected = reference->Bitmap().Handle();

    window.DXDraw().Initialize();
    EXPECT_FALSE(wholeJpeg->Decoded());
    EXPECT_FALSE(gridJpeg->Decoded());
    ASSERT_EQ(whole.SurfaceCount(), 1);
    ASSERT_EQ(grid.PatternCount(), 12);
    const std::vector<std::uint32_t> made = SurfacePixels(*whole.Surfaces(0));
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(made[static_cast<std::size_t>(y * 64 + x)], expected.pixel(x, y) & 0xFFFFFFu)
                << x << ", " << y;
    const TPictureCollectionItemPattern& last = grid.Patterns(11);
    EXPECT_EQ(Pixel(*last.Surface, last.Rect.left + 15, last.Rect.top + 15),
              expected.pixel(63, 47) & 0xFFFFFFu);

    platform::LoseAllDDrawSurfaces();
    window.DXDraw().Flip(); // restores
    ASSERT_EQ(whole.SurfaceCount(), 1);
    EXPECT_EQ(SurfacePixels(*whole.Surfaces(0)), made);
    EXPECT_FALSE(wholeJpeg->Decoded());
    EXPECT_FALSE(gridJpeg->Decoded());
}
