// SPDX-License-Identifier: GPL-3.0-or-later
// The display stand-in against the values the drawing layer relies on: surface creation and
// memory kinds, colour fill, keyed and unkeyed blits with clipping, BltFast refusing to clip,
// lock and pixel access in every bit count, device contexts, lost surfaces, and presentation
// into a window through the primary surface.
#include "platform/DDraw.h"
#include "platform/Exception.h"
#include "platform/Graphics.h"
#include "platform/Loader.h"
#include "tests/support/TestApp.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <gtest/gtest.h>
#include <vector>

namespace {

DDSURFACEDESC Desc(DWORD flags, DWORD caps) {
    DDSURFACEDESC desc;
    desc.dwSize = DDSURFACEDESC_SIZE;
    desc.dwFlags = flags;
    desc.ddsCaps.dwCaps = caps;
    return desc;
}

DDSURFACEDESC OffscreenDesc(int width, int height, DWORD caps = DDSCAPS_OFFSCREENPLAIN) {
    DDSURFACEDESC desc = Desc(DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT, caps);
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    return desc;
}

DDPIXELFORMAT PixelFormat(int bits, DWORD r = 0, DWORD g = 0, DWORD b = 0) {
    DDPIXELFORMAT format;
    format.dwSize = DDPIXELFORMAT_SIZE;
    format.dwFlags = bits == 8 ? DDPF_PALETTEINDEXED8 : DDPF_RGB;
    format.dwRGBBitCount = static_cast<DWORD>(bits);
    format.dwRBitMask = r;
    format.dwGBitMask = g;
    format.dwBBitMask = b;
    return format;
}

DDBLTFX Effects(DWORD fill = 0, DWORD ddfx = 0) {
    DDBLTFX fx;
    fx.dwSize = DDBLTFX_SIZE;
    fx.dwFillColor = fill;
    fx.dwDDFX = ddfx;
    return fx;
}

DDCOLORKEY Key(DWORD value) {
    DDCOLORKEY key;
    key.dwColorSpaceLowValue = value;
    key.dwColorSpaceHighValue = value;
    return key;
}

// A window that shows what was presented in it and counts its paints.
class Window : public QWidget {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        QPainter painter(this);
        platform::PaintWindowPicture(this, painter, event->rect());
    }
};

class DisplayStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        platform::SetPresentationPacing(false);
        platform::ClearDDrawFaults();
        platform::SetDDrawVideoMemory(64u << 20);
        ASSERT_EQ(DirectDrawCreate(nullptr, device.Receive(), nullptr), DD_OK);
        ASSERT_EQ(device->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    }
    void TearDown() override {
        platform::ClearDDrawFaults();
        device.Reset();
        EXPECT_EQ(platform::LiveDDrawObjects(), 0) << "an interface was not released";
    }

    ComPtr<IDirectDrawSurface> Make(const DDSURFACEDESC& desc) {
        ComPtr<IDirectDrawSurface> surface;
        EXPECT_EQ(device->CreateSurface(&desc, surface.Receive(), nullptr), DD_OK);
        return surface;
    }
    ComPtr<IDirectDrawSurface> Make(int width, int height) {
        return Make(OffscreenDesc(width, height));
    }
    ComPtr<IDirectDrawSurface> MakeWithBits(int width, int height, int bits, DWORD r = 0,
                                            DWORD g = 0, DWORD b = 0) {
        DDSURFACEDESC desc = OffscreenDesc(width, height);
        desc.dwFlags |= DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat = PixelFormat(bits, r, g, b);
        return Make(desc);
    }

    static DWORD Pixel(IDirectDrawSurface* surface, int x, int y) {
        DDSURFACEDESC desc = Desc(0, 0);
        EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        const int bytes = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount / 8);
        const auto* p =
            static_cast<const std::uint8_t*>(desc.lpSurface) + y * desc.lPitch + x * bytes;
        DWORD value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= static_cast<DWORD>(p[i]) << (8 * i);
        surface->Unlock(desc.lpSurface);
        return value;
    }
    static void Fill(IDirectDrawSurface* surface, DWORD value, const RECT* rect = nullptr) {
        const DDBLTFX fx = Effects(value);
        ASSERT_EQ(surface->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    }
    // A source whose pixel (x, y) is 0x00YYXX (+ 0x010000 so that no pixel is 0).
    ComPtr<IDirectDrawSurface> Numbered(int width, int height) {
        ComPtr<IDirectDrawSurface> surface = Make(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const RECT r{x, y, x + 1, y + 1};
                Fill(surface.Get(), Numbering(x, y), &r);
            }
        return surface;
    }
    static DWORD Numbering(int x, int y) {
        return 0x010000u | (static_cast<DWORD>(y) << 8) | static_cast<DWORD>(x);
    }

    ComPtr<IDirectDraw> device;
};

// ---------------------------------------------------------------------------------------------

TEST_F(DisplayStandIn, MakesSurfacesFromDescriptionsAndReportsTheirMemory) {
    ComPtr<IDirectDrawSurface> surface = Make(637, 470);
    DDSURFACEDESC desc = Desc(0, 0);
    ASSERT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.dwWidth, 637u);
    EXPECT_EQ(desc.dwHeight, 470u);
    EXPECT_EQ(desc.lPitch, 637 * 4);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, 32u);
    EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, 0xFF0000u);
    EXPECT_EQ(desc.ddsCaps.dwCaps, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);

    ComPtr<IDirectDrawSurface> system =
        Make(OffscreenDesc(10, 10, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY));
    ASSERT_EQ(system->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_EQ(desc.ddsCaps.dwCaps, DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY);

    ComPtr<IDirectDrawSurface> primary = Make(Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE));
    ASSERT_EQ(primary->GetSurfaceDesc(&desc), DD_OK);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE);
    EXPECT_TRUE(desc.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
    EXPECT_GT(desc.dwWidth, 0u);
}

TEST_F(DisplayStandIn, RefusesBadDescriptions) {
    ComPtr<IDirectDrawSurface> surface;
    DDSURFACEDESC desc = OffscreenDesc(10, 10);
    desc.dwSize = sizeof(DDSURFACEDESC) == 108 ? 100 : static_cast<DWORD>(sizeof(DDSURFACEDESC));
    EXPECT_EQ(device->CreateSurface(&desc, surface.Receive(), nullptr), DDERR_INVALIDPARAMS);
    EXPECT_EQ(device->CreateSurface(nullptr, surface.Receive(), nullptr), DDERR_INVALIDPARAMS);

    for (const auto& [width, height] : {std::pair{0, 10}, {10, 0}, {16385, 1}, {1, 16385}}) {
        desc = OffscreenDesc(width, height);
        EXPECT_EQ(device->CreateSurface(&desc, surface.Receive(), nullptr), DDERR_INVALIDPARAMS)
            << width << " x " << height;
    }
    desc = Desc(DDSD_CAPS | DDSD_WIDTH, DDSCAPS_OFFSCREENPLAIN);
    desc.dwWidth = 10;
    EXPECT_EQ(device->CreateSurface(&desc, surface.Receive(), nullptr), DDERR_INVALIDPARAMS);

    desc = OffscreenDesc(10, 10, DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY);
    EXPECT_EQ(device->CreateSurface(&desc, surface.Receive(), nullptr), DDERR_INVALIDCAPS);

    desc = OffscreenDesc(10, 10);
    desc.dwFlags |= DDSD_PIXELFORMAT;
    desc.ddpfPixelFormat = PixelFormat(12);
    EXPECT_EQ(device->CreateSurface(&desc, surface.Receive(), nullptr), DDERR_INVALIDPIXELFORMAT);
    desc.ddpfPixelFormat = PixelFormat(32, 0xFF, 0xFF00, 0xFF0000);
    EXPECT_EQ(device->CreateSurface(&desc, surface.Receive(), nullptr), DDERR_INVALIDPIXELFORMAT);
    EXPECT_FALSE(surface);

    // Surfaces come only after the cooperative level.
    ComPtr<IDirectDraw> fresh;
    ASSERT_EQ(DirectDrawCreate(nullptr, fresh.Receive(), nullptr), DD_OK);
    desc = OffscreenDesc(10, 10);
    EXPECT_EQ(fresh->CreateSurface(&desc, surface.Receive(), nullptr), DDERR_NOCOOPERATIVELEVELSET);
}

TEST_F(DisplayStandIn, OnePrimarySurfacePerDeviceAndNoFlippingChain) {
    ComPtr<IDirectDrawSurface> primary = Make(Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE));
    ComPtr<IDirectDrawSurface> second;
    const DDSURFACEDESC desc = Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE);
    EXPECT_EQ(device->CreateSurface(&desc, second.Receive(), nullptr),
              DDERR_PRIMARYSURFACEALREADYEXISTS);
    primary.Reset();
    EXPECT_EQ(device->CreateSurface(&desc, second.Receive(), nullptr), DD_OK);
    second.Reset();

    DDSURFACEDESC flipping = Desc(DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
                                  DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
    flipping.dwBackBufferCount = 1;
    EXPECT_EQ(device->CreateSurface(&flipping, second.Receive(), nullptr), DDERR_NOEXCLUSIVEMODE);
    EXPECT_EQ(device->SetCooperativeLevel(nullptr, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE),
              DDERR_UNSUPPORTED);
}

TEST_F(DisplayStandIn, VideoMemoryRunsOutIntoSystemMemory) {
    platform::SetDDrawVideoMemory(100 * 100 * 4);
    ComPtr<IDirectDraw> small;
    ASSERT_EQ(DirectDrawCreate(nullptr, small.Receive(), nullptr), DD_OK);
    ASSERT_EQ(small->SetCooperativeLevel(nullptr, DDSCL_NORMAL), DD_OK);
    auto make = [&](DWORD caps, ComPtr<IDirectDrawSurface>& out) {
        const DDSURFACEDESC desc = OffscreenDesc(100, 100, caps);
        return small->CreateSurface(&desc, out.Receive(), nullptr);
    };
    auto memory = [](IDirectDrawSurface* surface) {
        DDSURFACEDESC desc = Desc(0, 0);
        surface->GetSurfaceDesc(&desc);
        return desc.ddsCaps.dwCaps & (DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY);
    };
    ComPtr<IDirectDrawSurface> first, second, third;
    ASSERT_EQ(make(DDSCAPS_OFFSCREENPLAIN, first), DD_OK);
    EXPECT_EQ(memory(first.Get()), DDSCAPS_VIDEOMEMORY);
    ASSERT_EQ(make(DDSCAPS_OFFSCREENPLAIN, second), DD_OK);
    EXPECT_EQ(memory(second.Get()), DDSCAPS_SYSTEMMEMORY);
    EXPECT_EQ(make(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, third), DDERR_OUTOFVIDEOMEMORY);
    first.Reset(); // gives its video memory back
    ASSERT_EQ(make(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY, third), DD_OK);
    EXPECT_EQ(memory(third.Get()), DDSCAPS_VIDEOMEMORY);
}

TEST_F(DisplayStandIn, ColourFillCoversTheRectangleOnlyAndKeepsTheValueBits) {
    ComPtr<IDirectDrawSurface> surface = Make(8, 6);
    Fill(surface.Get(), 0x00123456);
    const RECT inner{2, 1, 5, 4};
    Fill(surface.Get(), 0xFFABCDEF, &inner);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 5 && y >= 1 && y < 4;
            ASSERT_EQ(Pixel(surface.Get(), x, y), inside ? 0xFFABCDEFu : 0x00123456u)
                << x << "," << y;
        }
    // A fill outside a surface without a clipper is refused and writes nothing.
    const RECT outside{6, 4, 9, 6};
    const DDBLTFX fx = Effects(1);
    EXPECT_EQ(surface->Blt(&outside, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDRECT);
    EXPECT_EQ(Pixel(surface.Get(), 7, 5), 0x00123456u);
    const RECT reversed{5, 1, 2, 4};
    EXPECT_EQ(surface->Blt(&reversed, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_INVALIDRECT);
    EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, nullptr),
              DDERR_INVALIDPARAMS);

    ComPtr<IDirectDrawSurface> sixteen = MakeWithBits(4, 4, 16);
    Fill(sixteen.Get(), 0x12345678);
    EXPECT_EQ(Pixel(sixteen.Get(), 3, 3), 0x5678u);
    ComPtr<IDirectDrawSurface> eight = MakeWithBits(4, 4, 8);
    Fill(eight.Get(), 0x1FE);
    EXPECT_EQ(Pixel(eight.Get(), 0, 0), 0xFEu);
}

TEST_F(DisplayStandIn, LockGivesPointerPitchAndFormatInEveryBitCount) {
    struct Case {
        int bits;
        DWORD r, g, b;
        int pitch;
        DWORD value;
    };
    for (const Case& c : {Case{8, 0, 0, 0, 8, 0xC3}, Case{16, 0xF800, 0x07E0, 0x001F, 12, 0xBEEF},
                          Case{16, 0x7C00, 0x03E0, 0x001F, 12, 0x7FFF},
                          Case{24, 0xFF0000, 0xFF00, 0xFF, 20, 0xA1B2C3},
                          Case{32, 0xFF0000, 0xFF00, 0xFF, 24, 0x00A1B2C3}}) {
        ComPtr<IDirectDrawSurface> surface = MakeWithBits(6, 3, c.bits, c.r, c.g, c.b);
        ASSERT_TRUE(surface) << c.bits;
        DDSURFACEDESC desc = Desc(0, 0);
        ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        EXPECT_EQ(desc.lPitch, c.pitch) << c.bits;
        EXPECT_EQ(desc.ddpfPixelFormat.dwRGBBitCount, static_cast<DWORD>(c.bits));
        EXPECT_EQ(desc.ddpfPixelFormat.dwRBitMask, c.r);
        auto* base = static_cast<std::uint8_t*>(desc.lpSurface);
        ASSERT_EQ(surface->Unlock(desc.lpSurface), DD_OK);

        // A lock of a rectangle points at its first pixel in the same memory.
        const RECT one{5, 2, 6, 3};
        ASSERT_EQ(surface->Lock(&one, &desc, DDLOCK_WAIT, nullptr), DD_OK);
        EXPECT_EQ(static_cast<std::uint8_t*>(desc.lpSurface),
                  base + 2 * c.pitch + 5 * (c.bits / 8));
        ASSERT_EQ(surface->Unlock(desc.lpSurface), DD_OK);

        const RECT r{5, 2, 6, 3};
        Fill(surface.Get(), c.value, &r);
        EXPECT_EQ(Pixel(surface.Get(), 5, 2), c.value) << c.bits;
        EXPECT_EQ(Pixel(surface.Get(), 4, 2), 0u) << c.bits;
    }
}

TEST_F(DisplayStandIn, LocksDoNotNestAndBusySurfacesRefuseBlits) {
    ComPtr<IDirectDrawSurface> surface = Make(4, 4);
    ComPtr<IDirectDrawSurface> other = Make(4, 4);
    DDSURFACEDESC desc = Desc(0, 0);
    EXPECT_EQ(surface->Unlock(nullptr), DDERR_NOTLOCKED);
    ASSERT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    DDSURFACEDESC again = Desc(0, 0);
    EXPECT_EQ(surface->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(other->BltFast(0, 0, surface.Get(), nullptr, DDBLTFAST_WAIT), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->BltFast(0, 0, other.Get(), nullptr, DDBLTFAST_WAIT), DDERR_SURFACEBUSY);
    HDC dc = nullptr;
    EXPECT_EQ(surface->GetDC(&dc), DDERR_SURFACEBUSY);
    EXPECT_EQ(surface->Unlock(reinterpret_cast<void*>(0x10)), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface->Unlock(desc.lpSurface), DD_OK);

    const RECT outside{2, 2, 5, 3};
    EXPECT_EQ(surface->Lock(&outside, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
    desc.dwSize = 0;
    EXPECT_EQ(surface->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(DisplayStandIn, BltFastCopiesUnclippedAndRefusesToClip) {
    ComPtr<IDirectDrawSurface> source = Numbered(4, 3);
    ComPtr<IDirectDrawSurface> dest = Make(10, 10);
    const RECT part{1, 1, 4, 3};
    ASSERT_EQ(dest->BltFast(5, 7, source.Get(), &part, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(Pixel(dest.Get(), 5, 7), Numbering(1, 1));
    EXPECT_EQ(Pixel(dest.Get(), 7, 8), Numbering(3, 2));
    EXPECT_EQ(Pixel(dest.Get(), 8, 7), 0u);
    EXPECT_EQ(Pixel(dest.Get(), 4, 7), 0u);

    // Reaching past any edge is refused, not clipped.
    for (const auto& [x, y] :
         {std::pair<DWORD, DWORD>{8, 0}, {0, 9}, {0xFFFFFFFFu, 0}, {0, 0xFFFFFFFFu}})
        EXPECT_EQ(dest->BltFast(x, y, source.Get(), &part, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    const RECT beyond{2, 0, 5, 1};
    EXPECT_EQ(dest->BltFast(0, 0, source.Get(), &beyond, DDBLTFAST_WAIT), DDERR_INVALIDRECT);

    // A destination with a clipper: BltFast says so and copies nothing.
    ComPtr<IDirectDrawClipper> clipper;
    ASSERT_EQ(device->CreateClipper(0, clipper.Receive(), nullptr), DD_OK);
    ComPtr<IDirectDrawSurface> clipped = Make(10, 10);
    ASSERT_EQ(clipped->SetClipper(clipper.Get()), DD_OK);
    EXPECT_EQ(clipped->BltFast(0, 0, source.Get(), nullptr, DDBLTFAST_WAIT), DDERR_BLTFASTCANTCLIP);
    EXPECT_EQ(Pixel(clipped.Get(), 0, 0), 0u);
    EXPECT_EQ(clipped->SetClipper(nullptr), DD_OK);
    EXPECT_EQ(clipped->SetClipper(nullptr), DDERR_NOCLIPPERATTACHED);
    EXPECT_EQ(clipped->BltFast(0, 0, source.Get(), nullptr, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(Pixel(clipped.Get(), 0, 0), Numbering(0, 0));
}

TEST_F(DisplayStandIn, KeyedCopiesLeaveOutTheKeyByItsColourBits) {
    ComPtr<IDirectDrawSurface> source = Make(3, 1);
    const RECT p0{0, 0, 1, 1}, p1{1, 0, 2, 1}, p2{2, 0, 3, 1};
    Fill(source.Get(), 0xFF000000, &p0); // black as GDI writes it: the key, whatever the X byte
    Fill(source.Get(), 0x00000001, &p1);
    Fill(source.Get(), 0x00FFFFFF, &p2);
    const DDCOLORKEY key = Key(0);
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    DDCOLORKEY read;
    ASSERT_EQ(source->GetColorKey(DDCKEY_SRCBLT, &read), DD_OK);
    EXPECT_EQ(read.dwColorSpaceLowValue, 0u);

    ComPtr<IDirectDrawSurface> dest = Make(3, 1);
    Fill(dest.Get(), 0x00777777);
    ASSERT_EQ(dest->BltFast(0, 0, source.Get(), nullptr, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT),
              DD_OK);
    EXPECT_EQ(Pixel(dest.Get(), 0, 0), 0x00777777u);
    EXPECT_EQ(Pixel(dest.Get(), 1, 0), 0x00000001u);
    EXPECT_EQ(Pixel(dest.Get(), 2, 0), 0x00FFFFFFu);

    Fill(dest.Get(), 0x00777777);
    ASSERT_EQ(dest->Blt(nullptr, source.Get(), nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Pixel(dest.Get(), 0, 0), 0x00777777u);
    EXPECT_EQ(Pixel(dest.Get(), 2, 0), 0x00FFFFFFu);

    // Unkeyed copies take every pixel; without a key a keyed copy is refused.
    ASSERT_EQ(dest->BltFast(0, 0, source.Get(), nullptr, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(Pixel(dest.Get(), 0, 0), 0xFF000000u);
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, nullptr), DD_OK);
    EXPECT_EQ(dest->BltFast(0, 0, source.Get(), nullptr, DDBLTFAST_SRCCOLORKEY), DDERR_NOCOLORKEY);

    // In 16 bits the key is a 16-bit value.
    ComPtr<IDirectDrawSurface> small = MakeWithBits(2, 1, 16);
    ComPtr<IDirectDrawSurface> target = MakeWithBits(2, 1, 16);
    const RECT left{0, 0, 1, 1};
    Fill(small.Get(), 0xF800);
    Fill(small.Get(), 0x001F, &left);
    const DDCOLORKEY blue = Key(0x001F);
    ASSERT_EQ(small->SetColorKey(DDCKEY_SRCBLT, &blue), DD_OK);
    Fill(target.Get(), 0x07E0);
    ASSERT_EQ(target->BltFast(0, 0, small.Get(), nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
    EXPECT_EQ(Pixel(target.Get(), 0, 0), 0x07E0u);
    EXPECT_EQ(Pixel(target.Get(), 1, 0), 0xF800u);
    // Surfaces of different formats do not blit into each other.
    ComPtr<IDirectDrawSurface> wide = Make(2, 1);
    EXPECT_EQ(wide->BltFast(0, 0, small.Get(), nullptr, 0), DDERR_INVALIDPIXELFORMAT);
}

// A surface drawn with its key again and again (a sprite's picture at every frame) gives the same
// pixels at every copy, whatever its lines hold, and again after anything changes its pixels or
// its key.
TEST_F(DisplayStandIn, RepeatedKeyedCopiesFollowEveryChangeOfThePictureAndItsKey) {
    constexpr int W = 40, H = 6;
    constexpr DWORD Background = 0x00555555;
    ComPtr<IDirectDrawSurface> source = Make(W, H);
    // Line 0 opaque, line 1 all key, line 2 key every other pixel (more runs than are kept),
    // line 3 a few runs, line 4 key at both ends, line 5 keyed values anywhere in the range.
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const bool key = y == 1 || (y == 2 && x % 2 == 0) || (y == 3 && x % 10 < 3) ||
                             (y == 4 && (x < 5 || x >= W - 5)) || (y == 5 && x % 7 == 3);
            const RECT r{x, y, x + 1, y + 1};
            Fill(source.Get(), key ? 0x00000100u + static_cast<DWORD>(x) : Numbering(x, y), &r);
        }
    DDCOLORKEY range;
    range.dwColorSpaceLowValue = 0x100;
    range.dwColorSpaceHighValue = 0x1FF;
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &range), DD_OK);
    ComPtr<IDirectDrawClipper> clipper;
    ASSERT_EQ(device->CreateClipper(0, clipper.Receive(), nullptr), DD_OK);

    // The source is read through an unkeyed copy: a lock on it would count as a change.
    ComPtr<IDirectDrawSurface> scratch = Make(W, H);
    auto snapshot = [&] {
        EXPECT_EQ(scratch->BltFast(0, 0, source.Get(), nullptr, DDBLTFAST_WAIT), DD_OK);
        std::vector<DWORD> pixels;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                pixels.push_back(Pixel(scratch.Get(), x, y));
        return pixels;
    };
    struct Copy {
        const char* name;
        RECT to, from;
        bool mirrorUpDown;
    };
    const Copy copies[] = {{"whole", {2, 1, 2 + W, 1 + H}, {0, 0, W, H}, false},
                           {"clipped left", {-7, 0, W - 7, H}, {0, 0, W, H}, false},
                           {"clipped right", {20, 3, 20 + W, 3 + H}, {0, 0, W, H}, false},
                           {"part", {1, 2, 30, 6}, {6, 1, 35, 5}, false},
                           {"upside down", {0, 0, W, H}, {0, 0, W, H}, true}};
    auto checkRound = [&](const char* round, DWORD low, DWORD high) {
        const std::vector<DWORD> pixels = snapshot();
        for (const Copy& copy : copies) {
            ComPtr<IDirectDrawSurface> dest = Make(50, 10);
            ASSERT_EQ(dest->SetClipper(clipper.Get()), DD_OK);
            const DDBLTFX upsideDown = Effects(0, DDBLTFX_MIRRORUPDOWN);
            for (int repeat = 0; repeat < 3; ++repeat) {
                Fill(dest.Get(), Background);
                const DWORD flags =
                    DDBLT_KEYSRC | DDBLT_WAIT | (copy.mirrorUpDown ? DDBLT_DDFX : 0u);
                ASSERT_EQ(dest->Blt(&copy.to, source.Get(), &copy.from, flags,
                                    copy.mirrorUpDown ? &upsideDown : nullptr),
                          DD_OK);
                for (int y = 0; y < 10; ++y)
                    for (int x = 0; x < 50; ++x) {
                        DWORD expected = Background;
                        const int dx = x - copy.to.left, dy = y - copy.to.top;
                        const int width = copy.to.right - copy.to.left;
                        const int height = copy.to.bottom - copy.to.top;
                        if (dx >= 0 && dx < width && dy >= 0 && dy < height) {
                            const int sx = copy.from.left + dx;
                            const int sy =
                                copy.mirrorUpDown ? copy.from.bottom - 1 - dy : copy.from.top + dy;
                            const DWORD value = pixels[static_cast<std::size_t>(sy * W + sx)];
                            const DWORD colour = value & 0x00FFFFFF;
                            if (colour < low || colour > high)
                                expected = value;
                        }
                        ASSERT_EQ(Pixel(dest.Get(), x, y), expected)
                            << round << ", " << copy.name << ", copy " << repeat << " at " << x
                            << "," << y;
                    }
            }
        }
    };
    checkRound("as made", 0x100, 0x1FF);

    // Written through a lock: line 0 gets keyed pixels, line 1 opaque ones.
    DDSURFACEDESC desc = Desc(0, 0);
    ASSERT_EQ(source->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr), DD_OK);
    auto* line0 = static_cast<std::uint32_t*>(desc.lpSurface);
    auto* line1 =
        reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(desc.lpSurface) + desc.lPitch);
    for (int x = 10; x < 20; ++x) {
        line0[x] = 0x00000150;
        line1[x] = 0x00ABCDEF;
    }
    ASSERT_EQ(source->Unlock(desc.lpSurface), DD_OK);
    checkRound("after a lock", 0x100, 0x1FF);

    // Filled by a blit (line 0 all key now); copied onto by another.
    const RECT top{0, 0, W, 1};
    Fill(source.Get(), 0x00000170, &top);
    checkRound("after a fill", 0x100, 0x1FF);
    ComPtr<IDirectDrawSurface> patch = Make(8, 2);
    Fill(patch.Get(), 0x00000180);
    ASSERT_EQ(source->BltFast(30, 4, patch.Get(), nullptr, DDBLTFAST_WAIT), DD_OK);
    checkRound("after a copy onto it", 0x100, 0x1FF);

    // Drawn on through a device context.
    HDC dc = nullptr;
    ASSERT_EQ(source->GetDC(&dc), DD_OK);
    QImage keyed(1, 1, QImage::Format_RGB32);
    keyed.fill(QColor(0, 1, 0x80));
    dc->StretchBlt(QRect(0, 3, W, 1), keyed, QRect(0, 0, 1, 1));
    ASSERT_EQ(source->ReleaseDC(dc), DD_OK);
    checkRound("after a device context", 0x100, 0x1FF);

    // Another key: only line 0 is left out.
    const DDCOLORKEY single = Key(0x00000170);
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &single), DD_OK);
    checkRound("with another key", 0x170, 0x170);

    // Lost and restored: the memory comes back with something else in it.
    platform::LoseAllDDrawSurfaces();
    ASSERT_EQ(source->Restore(), DD_OK);
    ASSERT_EQ(scratch->Restore(), DD_OK);
    checkRound("after a loss", 0x170, 0x170);
}

// A clipped blit at each edge of the destination copies exactly the part inside, taking the
// matching source pixels, with and without the colour key.
TEST_F(DisplayStandIn, ClippedBlitsAtEveryEdge) {
    ComPtr<IDirectDrawSurface> source = Numbered(4, 4);
    const RECT key{1, 1, 2, 2};
    Fill(source.Get(), 0x00ABCDEF, &key);
    const DDCOLORKEY keyValue = Key(0x00ABCDEF);
    ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &keyValue), DD_OK);
    ComPtr<IDirectDrawClipper> clipper;
    ASSERT_EQ(device->CreateClipper(0, clipper.Receive(), nullptr), DD_OK);

    struct Edge {
        const char* name;
        int x, y;
    };
    for (const bool keyed : {false, true}) {
        for (const Edge& edge : {Edge{"left", -2, 3}, Edge{"top", 3, -2}, Edge{"right", 8, 3},
                                 Edge{"bottom", 3, 8}, Edge{"corner", -3, -3}}) {
            ComPtr<IDirectDrawSurface> dest = Make(10, 10);
            ASSERT_EQ(dest->SetClipper(clipper.Get()), DD_OK);
            Fill(dest.Get(), 0x00555555);
            const RECT to{edge.x, edge.y, edge.x + 4, edge.y + 4};
            ASSERT_EQ(dest->Blt(&to, source.Get(), nullptr,
                                keyed ? DDBLT_KEYSRC | DDBLT_WAIT : DDBLT_WAIT, nullptr),
                      DD_OK)
                << edge.name;
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 10; ++x) {
                    const int sx = x - edge.x, sy = y - edge.y;
                    const bool covered = sx >= 0 && sx < 4 && sy >= 0 && sy < 4;
                    DWORD expected = 0x00555555;
                    if (covered && !(keyed && sx == 1 && sy == 1))
                        expected = (sx == 1 && sy == 1) ? 0x00ABCDEF : Numbering(sx, sy);
                    ASSERT_EQ(Pixel(dest.Get(), x, y), expected)
                        << edge.name << (keyed ? " keyed " : " ") << x << "," << y;
                }
        }
    }
    // Without a clipper the same rectangles are refused.
    ComPtr<IDirectDrawSurface> plain = Make(10, 10);
    const RECT over{8, 3, 12, 7};
    EXPECT_EQ(plain->Blt(&over, source.Get(), nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    const RECT sourceOver{2, 2, 5, 5};
    EXPECT_EQ(plain->Blt(nullptr, source.Get(), &sourceOver, DDBLT_WAIT, nullptr),
              DDERR_INVALIDRECT);
}

TEST_F(DisplayStandIn, BltStretchesAndMirrors) {
    ComPtr<IDirectDrawSurface> source = Numbered(2, 2);
    ComPtr<IDirectDrawSurface> dest = Make(4, 4);
    ASSERT_EQ(dest->Blt(nullptr, source.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Pixel(dest.Get(), 1, 1), Numbering(0, 0));
    EXPECT_EQ(Pixel(dest.Get(), 2, 1), Numbering(1, 0));
    EXPECT_EQ(Pixel(dest.Get(), 3, 3), Numbering(1, 1));

    const DDBLTFX both = Effects(0, DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN);
    const RECT corner{0, 0, 2, 2};
    ASSERT_EQ(dest->Blt(&corner, source.Get(), nullptr, DDBLT_DDFX | DDBLT_WAIT, &both), DD_OK);
    EXPECT_EQ(Pixel(dest.Get(), 0, 0), Numbering(1, 1));
    EXPECT_EQ(Pixel(dest.Get(), 1, 0), Numbering(0, 1));
    EXPECT_EQ(Pixel(dest.Get(), 0, 1), Numbering(1, 0));
    const DDBLTFX rotate = Effects(0, 0x8);
    EXPECT_EQ(dest->Blt(&corner, source.Get(), nullptr, DDBLT_DDFX, &rotate), DDERR_UNSUPPORTED);
    EXPECT_EQ(dest->Blt(&corner, source.Get(), nullptr, 0x1, nullptr), DDERR_INVALIDPARAMS);
}

TEST_F(DisplayStandIn, OverlappingCopyWithinOneSurfaceReadsBeforeWriting) {
    ComPtr<IDirectDrawSurface> surface = Numbered(6, 1);
    const RECT from{0, 0, 4, 1};
    ASSERT_EQ(surface->BltFast(2, 0, surface.Get(), &from, 0), DD_OK);
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(Pixel(surface.Get(), x, 0), Numbering(x < 2 ? x : x - 2, 0)) << x;
}

TEST_F(DisplayStandIn, DeviceContextsDrawInTheSurfaceFormat) {
    for (const int bits : {32, 24, 16, 8}) {
        ComPtr<IDirectDrawSurface> surface = MakeWithBits(20, 10, bits);
        HDC dc = nullptr;
        ASSERT_EQ(surface->GetDC(&dc), DD_OK) << bits;
        HDC second = nullptr;
        EXPECT_EQ(surface->GetDC(&second), DDERR_DCALREADYCREATED);
        DDSURFACEDESC desc = Desc(0, 0);
        EXPECT_EQ(surface->Lock(nullptr, &desc, 0, nullptr), DDERR_SURFACEBUSY);
        dc->StretchBlt(
            QRect(0, 0, 20, 10),
            [] {
                QImage red(1, 1, QImage::Format_RGB32);
                red.fill(QColor(255, 0, 0));
                return red;
            }(),
            QRect(0, 0, 1, 1));
        ASSERT_EQ(surface->ReleaseDC(dc), DD_OK);
        EXPECT_EQ(surface->ReleaseDC(dc), DDERR_INVALIDPARAMS);
        const DWORD expected = bits == 32   ? 0xFFFF0000u
                               : bits == 24 ? 0xFF0000u
                               : bits == 16 ? 0xF800u
                                            : 249u; // the system palette's pure red
        EXPECT_EQ(Pixel(surface.Get(), 19, 9), expected) << bits;
    }
    ComPtr<IDirectDrawSurface> primary = Make(Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE));
    HDC dc = nullptr;
    EXPECT_EQ(primary->GetDC(&dc), DDERR_CANTCREATEDC);
    EXPECT_EQ(dc, nullptr);
}

TEST_F(DisplayStandIn, PalettesGoOnPaletteIndexedSurfacesOnly) {
    std::array<PALETTEENTRY, 256> entries{};
    entries[7] = {1, 2, 3, 0x40};
    ComPtr<IDirectDrawPalette> palette;
    EXPECT_EQ(device->CreatePalette(DDPCAPS_INITIALIZE, entries.data(), palette.Receive(), nullptr),
              DDERR_INVALIDPARAMS);
    ASSERT_EQ(device->CreatePalette(DDPCAPS_8BIT | DDPCAPS_INITIALIZE, entries.data(),
                                    palette.Receive(), nullptr),
              DD_OK);
    PALETTEENTRY read[2];
    ASSERT_EQ(palette->GetEntries(0, 6, 2, read), DD_OK);
    EXPECT_EQ(read[1].peBlue, 3);
    EXPECT_EQ(palette->SetEntries(0, 250, 7, entries.data()), DDERR_INVALIDPARAMS);
    EXPECT_EQ(palette->SetEntries(0, 0xFFFFFFFFu, 2, entries.data()), DDERR_INVALIDPARAMS);

    ComPtr<IDirectDrawSurface> display = Make(4, 4);
    EXPECT_EQ(display->SetPalette(palette.Get()), DDERR_INVALIDPIXELFORMAT);
    ComPtr<IDirectDrawSurface> indexed = MakeWithBits(4, 4, 8);
    ASSERT_EQ(indexed->SetPalette(palette.Get()), DD_OK);
    ComPtr<IDirectDrawPalette> attached;
    ASSERT_EQ(indexed->GetPalette(attached.Receive()), DD_OK);
    EXPECT_EQ(attached.Get(), palette.Get());
}

TEST_F(DisplayStandIn, LostSurfacesRefuseWorkUntilRestored) {
    ComPtr<IDirectDrawSurface> surface = Make(4, 4);
    ComPtr<IDirectDrawSurface> source = Make(4, 4);
    Fill(surface.Get(), 0x00123456);
    platform::LoseAllDDrawSurfaces();
    EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
    const DDBLTFX fx = Effects(0);
    EXPECT_EQ(surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DDERR_SURFACELOST);
    EXPECT_EQ(surface->BltFast(0, 0, source.Get(), nullptr, 0), DDERR_SURFACELOST);
    DDSURFACEDESC desc = Desc(0, 0);
    EXPECT_EQ(surface->Lock(nullptr, &desc, 0, nullptr), DDERR_SURFACELOST);
    HDC dc = nullptr;
    EXPECT_EQ(surface->GetDC(&dc), DDERR_SURFACELOST);
    EXPECT_EQ(surface->GetSurfaceDesc(&desc), DD_OK);

    platform::InjectDDrawFault(platform::DDrawFault::Restore, 2);
    EXPECT_EQ(surface->Restore(), DDERR_WRONGMODE);
    EXPECT_EQ(surface->Restore(), DDERR_WRONGMODE);
    EXPECT_EQ(surface->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(surface->Restore(), DD_OK);
    EXPECT_EQ(surface->IsLost(), DD_OK);
    // The memory is back, its content is not.
    EXPECT_NE(Pixel(surface.Get(), 0, 0), 0x00123456u);
    EXPECT_EQ(source->Restore(), DD_OK);
}

TEST_F(DisplayStandIn, MemoryHandedOutSurvivesTheLossUntilGivenBack) {
    ComPtr<IDirectDrawSurface> surface = Make(4, 4);
    DDSURFACEDESC desc = Desc(0, 0);
    ASSERT_EQ(surface->Lock(nullptr, &desc, 0, nullptr), DD_OK);
    platform::LoseAllDDrawSurfaces();
    static_cast<std::uint8_t*>(desc.lpSurface)[4 * 4 * 4 - 1] = 1; // still valid memory
    EXPECT_EQ(surface->Unlock(desc.lpSurface), DD_OK);
    EXPECT_EQ(surface->Restore(), DD_OK);
    HDC dc = nullptr;
    ASSERT_EQ(surface->GetDC(&dc), DD_OK);
    platform::LoseAllDDrawSurfaces();
    dc->TextOut(0, 0, "x");
    EXPECT_EQ(surface->ReleaseDC(dc), DD_OK);
    surface.Reset(); // released while lost
}

TEST_F(DisplayStandIn, LoaderKnowsTheLibraryByItsFileName) {
    platform::RegisterDDrawLibrary();
    const auto create = GetLibraryFunction<DirectDrawCreateProc>("ddraw.DLL", "DirectDrawCreate");
    ComPtr<IDirectDraw> made;
    ASSERT_EQ(create(nullptr, made.Receive(), nullptr), DD_OK);
    void* four = nullptr;
    ASSERT_EQ(made->QueryInterface(DDInterface::IDirectDraw4, &four), DD_OK);
    static_cast<IDirectDraw4*>(four)->Release();
    void* seven = nullptr;
    EXPECT_EQ(made->QueryInterface(DDInterface::IDirectDraw7, &seven), DDERR_NOINTERFACE);
    EXPECT_EQ(seven, nullptr);
    EXPECT_THROW(GetLibraryProc("DDraw.dll", "DirectDrawCreateEx"), Exception);
    const int guid = 1;
    ComPtr<IDirectDraw> other;
    EXPECT_EQ(DirectDrawCreate(&guid, other.Receive(), nullptr), DDERR_INVALIDPARAMS);
}

// ---------------------------------------------------------------------------------------------
// The primary surface stands for the screen.

class Presentation : public DisplayStandIn {
protected:
    void SetUp() override {
        DisplayStandIn::SetUp();
        window = std::make_unique<Window>();
        window->setGeometry(100, 80, 40, 30);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        primary = Make(Desc(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE));
        ASSERT_EQ(device->CreateClipper(0, clipper.Receive(), nullptr), DD_OK);
        ASSERT_EQ(clipper->SetHWnd(0, window.get()), DD_OK);
        ASSERT_EQ(primary->SetClipper(clipper.Get()), DD_OK);
        origin = window->mapToGlobal(QPoint(0, 0));
    }
    void TearDown() override {
        primary.Reset();
        clipper.Reset();
        window.reset();
        DisplayStandIn::TearDown();
    }
    RECT OnScreen(int x, int y, int width, int height) const {
        return RECT{origin.x() + x, origin.y() + y, origin.x() + x + width,
                    origin.y() + y + height};
    }
    QRgb Shown(int x, int y) const {
        return platform::WindowPicture(window.get()).pixel(x, y) & 0xFFFFFF;
    }

    std::unique_ptr<Window> window;
    ComPtr<IDirectDrawSurface> primary;
    ComPtr<IDirectDrawClipper> clipper;
    QPoint origin;
};

TEST_F(Presentation, ABlitLandsInTheWindowAndIsPaintedBeforeTheCallReturns) {
    ComPtr<IDirectDrawSurface> back = Make(40, 30);
    Fill(back.Get(), 0x00336699);
    EXPECT_TRUE(platform::WindowPicture(window.get()).isNull());
    const int paints = window->paints;
    const RECT dest = OnScreen(0, 0, 40, 30);
    const RECT all{0, 0, 40, 30};
    ASSERT_EQ(primary->Blt(&dest, back.Get(), &all, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_GT(window->paints, paints);
    EXPECT_EQ(platform::WindowPresentCount(window.get()), 1);
    EXPECT_EQ(Shown(0, 0), 0x336699u);
    EXPECT_EQ(Shown(39, 29), 0x336699u);
    // What the window paints is what was presented.
    const QImage painted = window->grab().toImage();
    EXPECT_EQ(painted.pixel(20, 15) & 0xFFFFFF, 0x336699u);
}

TEST_F(Presentation, TheWindowClipsBlitsThatReachPastItsEdges) {
    ComPtr<IDirectDrawSurface> source = Numbered(20, 20);
    ComPtr<IDirectDrawSurface> black = Make(40, 30);
    const RECT whole = OnScreen(0, 0, 40, 30);
    ASSERT_EQ(primary->Blt(&whole, black.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const RECT all{0, 0, 20, 20};
    for (const auto& [x, y] : {std::pair{-10, 5}, {30, 5}, {10, -15}, {10, 20}}) {
        const RECT dest = OnScreen(x, y, 20, 20);
        ASSERT_EQ(primary->Blt(&dest, source.Get(), &all, DDBLT_WAIT, nullptr), DD_OK);
    }
    EXPECT_EQ(Shown(0, 5), Numbering(10, 0) & 0xFFFFFF);   // left edge: source column 10
    EXPECT_EQ(Shown(39, 24), Numbering(9, 19) & 0xFFFFFF); // right edge
    EXPECT_EQ(Shown(10, 0), Numbering(0, 15) & 0xFFFFFF);  // top edge: source row 15
    EXPECT_EQ(Shown(29, 29), Numbering(19, 9) & 0xFFFFFF); // bottom edge
    EXPECT_EQ(Shown(20, 10), 0u);
    // Entirely outside: nothing lands and nothing counts.
    const int presents = platform::WindowPresentCount(window.get());
    const RECT away = OnScreen(500, 500, 20, 20);
    EXPECT_EQ(primary->Blt(&away, source.Get(), &all, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(platform::WindowPresentCount(window.get()), presents);
}

TEST_F(Presentation, KeyedFilledAndStretchedBlitsComposeOnWhatIsShown) {
    ComPtr<IDirectDrawSurface> back = Make(40, 30);
    Fill(back.Get(), 0x00112233);
    const RECT dest = OnScreen(0, 0, 40, 30);
    ASSERT_EQ(primary->Blt(&dest, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ComPtr<IDirectDrawSurface> sprite = Make(2, 1);
    const RECT right{1, 0, 2, 1};
    Fill(sprite.Get(), 0x00FF0000, &right);
    const DDCOLORKEY key = Key(0);
    ASSERT_EQ(sprite->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    const RECT small = OnScreen(4, 4, 2, 1);
    ASSERT_EQ(primary->Blt(&small, sprite.Get(), nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr),
              DD_OK);
    EXPECT_EQ(Shown(4, 4), 0x112233u);
    EXPECT_EQ(Shown(5, 4), 0xFF0000u);
    EXPECT_EQ(Shown(30, 20), 0x112233u);
    const DDBLTFX fx = Effects(0x0000FF00);
    const RECT band = OnScreen(0, 10, 40, 2);
    ASSERT_EQ(primary->Blt(&band, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(Shown(20, 11), 0x00FF00u);
    EXPECT_EQ(Shown(20, 12), 0x112233u);
    const RECT stretched = OnScreen(20, 20, 4, 2);
    ASSERT_EQ(primary->Blt(&stretched, sprite.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Shown(21, 21), 0u);
    EXPECT_EQ(Shown(22, 21), 0xFF0000u);
}

TEST_F(Presentation, HiddenOrUnboundWindowsShowNothing) {
    ComPtr<IDirectDrawSurface> back = Make(40, 30);
    const RECT dest = OnScreen(0, 0, 40, 30);
    window->hide();
    EXPECT_EQ(primary->Blt(&dest, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(platform::WindowPresentCount(window.get()), 0);

    ComPtr<IDirectDrawClipper> unbound;
    ASSERT_EQ(device->CreateClipper(0, unbound.Receive(), nullptr), DD_OK);
    ASSERT_EQ(primary->SetClipper(unbound.Get()), DD_OK);
    EXPECT_EQ(primary->Blt(&dest, back.Get(), nullptr, DDBLT_WAIT, nullptr), DDERR_NOCLIPLIST);
    EXPECT_EQ(primary->BltFast(0, 0, back.Get(), nullptr, 0), DDERR_BLTFASTCANTCLIP);

    // A window that goes leaves its clipper bound to nothing.
    ASSERT_EQ(primary->SetClipper(clipper.Get()), DD_OK);
    window.reset();
    EXPECT_EQ(primary->Blt(&dest, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    HWND bound = reinterpret_cast<HWND>(1);
    ASSERT_EQ(clipper->GetHWnd(&bound), DD_OK);
    EXPECT_EQ(bound, nullptr);
}

TEST_F(Presentation, ThePictureOutlivesTheSurfaceItCameFrom) {
    ComPtr<IDirectDrawSurface> back = Make(40, 30);
    Fill(back.Get(), 0x00445566);
    const RECT dest = OnScreen(0, 0, 40, 30);
    ASSERT_EQ(primary->Blt(&dest, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    back.Reset();
    platform::LoseAllDDrawSurfaces();
    EXPECT_EQ(Shown(10, 10), 0x445566u);
    window->repaint();
    EXPECT_EQ(window->grab().toImage().pixel(10, 10) & 0xFFFFFF, 0x445566u);
}

TEST_F(Presentation, PacingAllowsOneFramePerRefreshInterval) {
    ComPtr<IDirectDrawSurface> back = Make(40, 30);
    const RECT dest = OnScreen(0, 0, 40, 30);
    platform::SetPresentationPacing(true);
    const double rate = QGuiApplication::primaryScreen()->refreshRate();
    const auto interval = std::chrono::duration<double>(1.0 / (rate >= 1.0 ? rate : 60.0));
    ASSERT_EQ(primary->Blt(&dest, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(primary->Blt(&dest, back.Get(), nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    platform::SetPresentationPacing(false);
    EXPECT_GE(std::chrono::duration<double>(elapsed).count(), 2.9 * interval.count());
    EXPECT_EQ(device->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr), DD_OK);
    EXPECT_EQ(device->WaitForVerticalBlank(0x2, nullptr), DDERR_UNSUPPORTED);
}

} // namespace
