// SPDX-License-Identifier: GPL-3.0-or-later
// The copies behind every picture drawn: plain and keyed lines of 32-bit pixels at every start
// column and length (the fast line copies work in blocks of eight pixels from an aligned
// destination), compared pixel by pixel with what the copy must give.
#include "engine/DirectX.h"

#include "tests/engine/SpriteTestSupport.h"

#include <gtest/gtest.h>
#include <vector>

using namespace spritetest;

namespace {

constexpr int Size = 48;

// Source pixel (x, y): keys 0x000010 to 0x000013 and other colours, with an X byte that a key
// comparison must ignore. Above line 24 keys come every few pixels; from line 24 on, in runs of
// nine keyed and nine other pixels, so that whole blocks of eight are keyed or not.
std::uint32_t SourcePixel(int x, int y) {
    const int n = x * 7 + y * 3;
    const std::uint32_t x8 = (n & 1) ? 0xFF000000u : 0;
    const bool key = y < 24 ? n % 5 < 2 : (x / 9) % 2 == 0;
    if (key)
        return x8 | (0x10u + static_cast<std::uint32_t>(n % 4));
    return x8 | (static_cast<std::uint32_t>(n) * 2654435761u & 0xFFFFFF) | 0x100;
}

void WriteAll(TDirectDrawSurface& surface, std::uint32_t (*pixel)(int, int)) {
    DDSURFACEDESC desc;
    ASSERT_TRUE(surface.Lock(nullptr, desc));
    for (int y = 0; y < surface.Height(); ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(desc.lpSurface) +
                                                      y * desc.lPitch);
        for (int x = 0; x < surface.Width(); ++x)
            line[x] = pixel(x, y);
    }
    surface.Unlock();
}

std::uint32_t DestPixel(int x, int y) {
    return 0x00ABC000u | static_cast<std::uint32_t>(x + y);
}

} // namespace

TEST(SurfaceBlits, PlainAndKeyedCopiesTakeExactlyThePixelsTheyShouldAtAnyAlignment) {
    TestSurfaces surfaces(Size, Size);
    TDirectDrawSurface& dest = surfaces.Back();
    const auto source = surfaces.MakeSurface(Size, Size);
    WriteAll(*source, SourcePixel);

    struct KeyRange {
        DWORD low, high;
    };
    // No key, one value, a range of four, and an empty range (low above high: nothing left out).
    const KeyRange ranges[] = {{0, 0}, {0x10, 0x10}, {0x10, 0x13}, {0x13, 0x10}};
    for (int r = 0; r < 4; ++r) {
        const bool keyed = r > 0;
        DDCOLORKEY key;
        key.dwColorSpaceLowValue = ranges[r].low;
        key.dwColorSpaceHighValue = ranges[r].high;
        source->ISurface()->SetColorKey(DDCKEY_SRCBLT, &key);
        for (int sourceTop : {2, 30})
            for (int destX = 0; destX < 9; ++destX)
                for (int width : {1, 7, 8, 9, 16, 17, 31, 39}) {
                    SCOPED_TRACE(::testing::Message() << "range " << r << " line " << sourceTop
                                                      << " at " << destX << " width " << width);
                    WriteAll(dest, DestPixel);
                    const int sourceX = (destX * 5) % 3;
                    RECT src{sourceX, sourceTop, sourceX + width, sourceTop + 2};
                    ASSERT_EQ(dest.ISurface()->BltFast(
                                  static_cast<DWORD>(destX), 10, source->ISurface(), &src,
                                  (keyed ? DDBLTFAST_SRCCOLORKEY : 0) | DDBLTFAST_WAIT),
                              DD_OK);
                    for (int y = 9; y < 13; ++y)
                        for (int x = 0; x < Size; ++x) {
                            std::uint32_t expected = DestPixel(x, y);
                            const bool inside =
                                y >= 10 && y < 12 && x >= destX && x < destX + width;
                            if (inside) {
                                const std::uint32_t from =
                                    SourcePixel(sourceX + x - destX, sourceTop + y - 10);
                                const std::uint32_t colour = from & 0xFFFFFF;
                                const bool left =
                                    keyed && colour >= ranges[r].low && colour <= ranges[r].high;
                                if (!left)
                                    expected = from;
                            }
                            ASSERT_EQ(dest.GetPixel(x, y), expected) << x << "," << y;
                        }
                }
    }
}
