// SPDX-License-Identifier: GPL-3.0-or-later
// A drawing surface at a zoom: the back surface has that many pixels per unit of the board, an
// item is drawn at the board's coordinates from the art made for the surface's scale, pixel for
// pixel, and from the nearest art drawn to the scale where none was made for it.
#include "engine/ImageList.h"
#include "platform/Rounding.h"

#include "tests/engine/ImageListTestSupport.h"

#include <gtest/gtest.h>
#include <random>
#include <utility>
#include <vector>

using namespace spritetest;

namespace {

constexpr std::uint32_t Marker = 0x123456; // the back surface before drawing
constexpr std::uint32_t White = 0xFFFFFF;  // the items' transparent colour

// Art for a scale: w x h pixels whose colour tells the art (its tint) and the pixel, with a
// transparent (white) pixel in every fifth column.
std::unique_ptr<TDIB> Art(int w, int h, int tint) {
    std::vector<std::vector<std::uint8_t>> rows(static_cast<std::size_t>(h));
    std::vector<std::uint32_t> colours = {White};
    for (int i = 1; i < 256; ++i)
        colours.push_back(static_cast<std::uint32_t>(tint << 16 | (i * 37 % 256) << 8 | i));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            rows[static_cast<std::size_t>(y)].push_back(
                x % 5 == 4 ? 0 : static_cast<std::uint8_t>(1 + (x + 7 * y) % 255));
    return MakeDib(rows, colours);
}

// The colour an art's pixel shows (white where it is transparent).
std::uint32_t ArtColour(int x, int y, int tint) {
    if (x % 5 == 4)
        return White;
    const int i = 1 + (x + 7 * y) % 255;
    return static_cast<std::uint32_t>(tint << 16 | (i * 37 % 256) << 8 | i);
}

// The colours of a display-format surface, line by line.
std::vector<std::uint32_t> Colours(TDirectDrawSurface& surface) {
    std::vector<std::uint32_t> colours;
    DDSURFACEDESC desc;
    if (!surface.Lock(nullptr, desc))
        return colours;
    for (int y = 0; y < surface.Height(); ++y) {
        const auto* line = reinterpret_cast<const std::uint32_t*>(
            static_cast<const std::uint8_t*>(desc.lpSurface) + std::ptrdiff_t{y} * desc.lPitch);
        for (int x = 0; x < surface.Width(); ++x)
            colours.push_back(line[x] & 0xFFFFFFu);
    }
    surface.Unlock();
    return colours;
}

// A board of 60 x 40 units shown at a zoom, with one transparent item of 10 x 8 units that has
// art at 1 (tint 0x10), 1.5 (tint 0x80) and 2 (tint 0xF0).
struct ZoomedBoard {
    explicit ZoomedBoard(double zoom) : window(ScaledLength(60, zoom), ScaledLength(40, zoom)) {
        window.DXDraw().SetZoom(zoom);
        list.SetDXDraw(&window.DXDraw());
        item = &list.Items().Add();
        item->Picture().SetGraphic(Art(10, 8, 0x10));
        item->ScaledPicture(1.5).SetGraphic(Art(15, 12, 0x80));
        item->ScaledPicture(2).SetGraphic(Art(20, 16, 0xF0));
        item->SetTransparentColor(White);
        window.DXDraw().Initialize();
    }
    TDirectDrawSurface& Back() { return *window.DXDraw().Surface(); }

    TestWindow window;
    TDXImageList list;
    TPictureCollectionItem* item = nullptr;
};

} // namespace

TEST(ImageListScale, ArtMadeForTheScaleLandsPixelForPixelAtTheBoardsCoordinates) {
    std::mt19937 random(18);
    const std::pair<double, int> scales[] = {{1.0, 0x10}, {1.5, 0x80}, {2.0, 0xF0}};
    for (const auto& [zoom, tint] : scales) {
        ZoomedBoard board(zoom);
        TDirectDrawSurface& back = board.Back();
        ASSERT_EQ(back.Width(), ScaledLength(60, zoom));
        ASSERT_EQ(back.UnitWidth(), 60);
        ASSERT_EQ(board.window.DXDraw().SurfaceWidth(), 60);
        const int w = ScaledLength(10, zoom), h = ScaledLength(8, zoom);
        // Anywhere on the board, partly off any edge too.
        for (int round = 0; round < 40; ++round) {
            const int x = std::uniform_int_distribution<int>(-12, 62)(random);
            const int y = std::uniform_int_distribution<int>(-10, 42)(random);
            back.Fill(Marker);
            board.item->Draw(&back, x, y, 0);
            const std::vector<std::uint32_t> shown = Colours(back);
            ASSERT_EQ(shown.size(), std::size_t(back.Width()) * back.Height());
            const int left = ScaledLength(x, zoom), top = ScaledLength(y, zoom);
            for (int py = 0; py < back.Height(); ++py)
                for (int px = 0; px < back.Width(); ++px) {
                    const bool inside = px >= left && px < left + w && py >= top && py < top + h;
                    std::uint32_t expected = Marker;
                    if (inside && ArtColour(px - left, py - top, tint) != White)
                        expected = ArtColour(px - left, py - top, tint);
                    ASSERT_EQ(shown[std::size_t(py) * back.Width() + px], expected)
                        << "zoom " << zoom << ", item at (" << x << ", " << y << "), pixel (" << px
                        << ", " << py << ")";
                }
        }
    }
}

TEST(ImageListScale, WithoutArtForTheScaleTheNearestIsDrawnToIt) {
    // 1.75: the larger art (2, tint 0xF0) drawn down; 3: the largest (2) drawn up. The picture
    // covers the item's size at the scale, in the chosen art's colours, its transparent columns
    // kept out.
    for (const double zoom : {1.75, 3.0}) {
        ZoomedBoard board(zoom);
        TDirectDrawSurface& back = board.Back();
        back.Fill(Marker);
        board.item->Draw(&back, 5, 4, 0);
        const std::vector<std::uint32_t> shown = Colours(back);
        ASSERT_EQ(shown.size(), std::size_t(back.Width()) * back.Height());
        const int left = ScaledLength(5, zoom), top = ScaledLength(4, zoom);
        const int w = ScaledLength(10, zoom), h = ScaledLength(8, zoom);
        int drawn = 0, keyedOut = 0;
        for (int py = 0; py < back.Height(); ++py)
            for (int px = 0; px < back.Width(); ++px) {
                const std::uint32_t pixel = shown[std::size_t(py) * back.Width() + px];
                const bool inside = px >= left && px < left + w && py >= top && py < top + h;
                if (!inside) {
                    ASSERT_EQ(pixel, Marker) << "zoom " << zoom << " outside at " << px;
                    continue;
                }
                if (pixel == Marker) {
                    ++keyedOut;
                    continue;
                }
                ++drawn;
                ASSERT_NE(pixel, White) << "the transparent colour drawn";
                ASSERT_GE(pixel >> 16, 0xC0u)
                    << "not the art of scale 2 at (" << px << ", " << py << "), zoom " << zoom;
            }
        // A fifth of the columns is transparent.
        EXPECT_NEAR(keyedOut, w * h / 5, w * h / 10) << "zoom " << zoom;
        EXPECT_GT(drawn, w * h / 2) << "zoom " << zoom;
    }
}
