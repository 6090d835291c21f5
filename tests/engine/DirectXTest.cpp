// SPDX-License-Identifier: GPL-3.0-or-later
// The DirectDraw objects: loading the library, making the device and its failures, the
// registries and what the device's destruction leaves, surfaces (attachment, memory fallback,
// pixel access in every bit count, the clipped Draw, the canvas, colour matching), clippers and
// palettes.
#include "engine/DirectX.h"
#include "platform/Loader.h"

#include "tests/engine/DisplayTestSupport.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <typeinfo>

namespace {

using displaytest::FillRect;
using displaytest::OffscreenDesc;

template <typename Action> std::string MessageOf(Action action) {
    try {
        action();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "no exception";
}

void Entry() {}

TEST(DirectDrawDevice, LibraryOrEntryPointMissingIsNotLoaded) {
    displaytest::ResetDisplay();
    UnregisterBuiltinLibrary("DDraw.dll");
    try {
        TDirectDraw device;
        FAIL() << "made a device without the library";
    } catch (const Exception& e) {
        EXPECT_EQ(typeid(e), typeid(Exception)) << "the framework's general exception class";
        EXPECT_STREQ(e.what(), "DDraw.dll not loaded");
    }
    RegisterBuiltinLibrary("ddraw.DLL", {{"DirectSoundCreate", &Entry}});
    EXPECT_EQ(MessageOf([] { TDirectDraw device; }), "DDraw.dll not loaded");
    platform::RegisterDDrawLibrary();
    // The DirectX 7 entry point is not part of the stand-in.
    EXPECT_EQ(MessageOf([] { TDirectDraw device(nullptr, true); }), "DDraw.dll not loaded");
    EXPECT_EQ(platform::LiveDDrawObjects(), 0);
}

TEST(DirectDrawDevice, CreationFailuresRaiseTheirMessages) {
    displaytest::ResetDisplay();
    platform::InjectDDrawFault(platform::DDrawFault::Create, 1);
    EXPECT_THROW(TDirectDraw(), EDirectDrawError);
    platform::InjectDDrawFault(platform::DDrawFault::Create, 1);
    EXPECT_EQ(MessageOf([] { TDirectDraw device; }), "DirectDraw cannot be initialized");
    platform::InjectDDrawFault(platform::DDrawFault::DirectDraw4, 1);
    EXPECT_EQ(MessageOf([] { TDirectDraw device; }), "Necessary since DirectX 6");
    EXPECT_EQ(platform::LiveDDrawObjects(), 0) << "a half-made device was not released";

    TDirectDraw device;
    EXPECT_EQ(device.DriverCaps().dwSize, DDCAPS_SIZE);
    EXPECT_EQ(device.HELCaps().dwSize, DDCAPS_SIZE);
    EXPECT_GT(device.DriverCaps().dwVidMemTotal, 0u);
    EXPECT_EQ(device.IDraw(), device.IDraw4());
}

class DirectDrawObjects : public ::testing::Test {
protected:
    void SetUp() override {
        displaytest::ResetDisplay();
        ddraw = std::make_unique<TDirectDraw>();
        ddraw->IDraw()->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
    }
    void TearDown() override {
        ddraw.reset();
        platform::ClearDDrawFaults();
        EXPECT_EQ(platform::LiveDDrawObjects(), 0) << "an interface was not released";
    }
    std::unique_ptr<TDirectDrawSurface> Make(int width, int height, int bits = 0) {
        auto surface = std::make_unique<TDirectDrawSurface>(ddraw.get());
        EXPECT_TRUE(surface->CreateSurface(OffscreenDesc(width, height, bits)));
        return surface;
    }
    // Pixel (x, y) of a numbered source: 0x01YYXX, never 0.
    static DWORD Numbering(int x, int y) { return 0x010000u | (y << 8) | x; }
    std::unique_ptr<TDirectDrawSurface> Numbered(int width, int height) {
        auto surface = Make(width, height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                surface->SetPixel(x, y, Numbering(x, y));
        return surface;
    }

    std::unique_ptr<TDirectDraw> ddraw;
};

TEST_F(DirectDrawObjects, DeviceListsItsObjectsAndReleasesThemWhenItGoes) {
    auto first = Make(4, 4);
    auto second = Make(4, 4);
    auto clipper = std::make_unique<TDirectDrawClipper>(ddraw.get());
    auto palette = std::make_unique<TDirectDrawPalette>(ddraw.get());
    ASSERT_EQ(ddraw->SurfaceCount(), 2);
    EXPECT_EQ(ddraw->Surfaces(1), second.get());
    EXPECT_EQ(ddraw->ClipperCount(), 1);
    EXPECT_EQ(ddraw->PaletteCount(), 1);
    first.reset();
    ASSERT_EQ(ddraw->SurfaceCount(), 1);
    EXPECT_EQ(ddraw->Surfaces(0), second.get());

    second->SetClipper(clipper.get());
    ddraw.reset();
    EXPECT_EQ(platform::LiveDDrawObjects(), 0);
    EXPECT_EQ(second->DDraw(), nullptr);
    EXPECT_EQ(second->IDDSurface(), nullptr);
    EXPECT_FALSE(second->HasClipper());
    EXPECT_EQ(MessageOf([&] { clipper->IDDClipper(); }), "IDirectDrawClipper not made");
    EXPECT_EQ(MessageOf([&] { second->CreateSurface(OffscreenDesc(1, 1)); }),
              "IDirectDraw not made");
    // Their owners may still destroy them.
    second.reset();
    clipper.reset();
    palette.reset();
}

TEST_F(DirectDrawObjects, AttachingAnInterfaceReadsItsDescriptionKeyAndClipper) {
    TDirectDrawSurface surface(ddraw.get());
    EXPECT_EQ(surface.IDDSurface(), nullptr);
    EXPECT_EQ(MessageOf([&] { surface.ISurface(); }), "IDirectDrawSurface not made");
    EXPECT_THROW(surface.Fill(0), EDirectDrawSurfaceError);
    EXPECT_FALSE(surface.Restore());

    ASSERT_TRUE(surface.CreateSurface(OffscreenDesc(30, 20)));
    EXPECT_EQ(surface.Width(), 30);
    EXPECT_EQ(surface.Height(), 20);
    EXPECT_EQ(surface.ClientRect().right, 30);
    DDCOLORKEY key{1, 1};
    ASSERT_EQ(surface.ISurface()->GetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    EXPECT_EQ(key.dwColorSpaceLowValue, 0u) << "every new surface is keyed on pixel value 0";
    EXPECT_FALSE(surface.HasClipper());

    // A failed creation leaves no interface and records the result.
    EXPECT_FALSE(surface.CreateSurface(OffscreenDesc(0, 20)));
    EXPECT_EQ(surface.LastResult(), DDERR_INVALIDPARAMS);
    EXPECT_EQ(surface.IDDSurface(), nullptr);
    EXPECT_EQ(surface.Width(), 0);

    // An interface that already has a clipper makes HasClipper true when attached.
    TDirectDrawClipper clipper(ddraw.get());
    ComPtr<IDirectDrawSurface> made;
    const DDSURFACEDESC desc = OffscreenDesc(5, 5);
    ASSERT_EQ(ddraw->IDraw()->CreateSurface(&desc, made.Receive(), nullptr), DD_OK);
    ASSERT_EQ(made->SetClipper(clipper.IDDClipper()), DD_OK);
    surface.SetIDDSurface(std::move(made));
    EXPECT_TRUE(surface.HasClipper());
    EXPECT_EQ(surface.Width(), 5);
    surface.SetClipper(nullptr);
    EXPECT_FALSE(surface.HasClipper());
}

TEST_F(DirectDrawObjects, SetSizeFallsBackToSystemMemoryOnce) {
    TDirectDrawSurface surface(ddraw.get());
    surface.SetSize(8, 6);
    EXPECT_TRUE(surface.SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
    EXPECT_FALSE(surface.SystemMemory());

    platform::InjectDDrawFault(platform::DDrawFault::CreateSurface, 1, DDSCAPS_OFFSCREENPLAIN);
    surface.SetSize(8, 6);
    EXPECT_TRUE(surface.SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_TRUE(surface.SystemMemory());

    // Asked for system memory, a failure is final.
    platform::InjectDDrawFault(platform::DDrawFault::CreateSurface, 1, DDSCAPS_OFFSCREENPLAIN);
    EXPECT_EQ(MessageOf([&] { surface.SetSize(8, 6); }), "Surface cannot be made");
    TDirectDrawSurface other(ddraw.get());
    platform::InjectDDrawFault(platform::DDrawFault::CreateSurface, 2, DDSCAPS_OFFSCREENPLAIN);
    EXPECT_THROW(other.SetSize(8, 6), EDirectDrawSurfaceError);
    EXPECT_FALSE(other.SystemMemory());

    other.SetSize(3, 3);
    ASSERT_NE(other.IDDSurface(), nullptr);
    other.SetSize(0, 3);
    EXPECT_EQ(other.IDDSurface(), nullptr);
}

TEST_F(DirectDrawObjects, PixelsReadBackInEveryBitCount) {
    for (const auto& [bits, value] :
         {std::pair{8, 0xABu}, {16, 0xBEEFu}, {24, 0xA1B2C3u}, {32, 0xDEADBEEFu}}) {
        auto surface = Make(5, 3, bits);
        surface->SetPixel(0, 0, value);
        surface->SetPixel(4, 2, value);
        EXPECT_EQ(surface->GetPixel(0, 0), value) << bits;
        EXPECT_EQ(surface->GetPixel(4, 2), value) << bits;
        EXPECT_EQ(surface->GetPixel(1, 0), 0u) << bits << ": a neighbour was written";
        EXPECT_EQ(surface->GetPixel(3, 2), 0u) << bits;
        // Outside the surface nothing is read or written.
        surface->SetPixel(5, 0, value);
        surface->SetPixel(-1, 0, value);
        surface->SetPixel(0, 3, value);
        EXPECT_EQ(surface->GetPixel(5, 0), 0u);
        EXPECT_EQ(surface->GetPixel(0, -1), 0u);
    }
    auto surface = Make(2, 2);
    surface->SetPixel(1, 1, 7);
    DDSURFACEDESC desc;
    const RECT whole = surface->ClientRect();
    ASSERT_TRUE(surface->Lock(&whole, desc));
    EXPECT_FALSE(surface->Lock(nullptr, desc)) << "locks do not nest";
    EXPECT_EQ(surface->GetPixel(1, 1), 0u) << "reading needs a lock of its own";
    surface->SetPixel(1, 1, 9);
    surface->Unlock();
    EXPECT_EQ(surface->GetPixel(1, 1), 7u);
    surface->Unlock(); // not locked: nothing happens
    EXPECT_TRUE(surface->Fill(0x00112233));
    EXPECT_EQ(surface->GetPixel(0, 1), 0x00112233u);
}

TEST_F(DirectDrawObjects, DrawClipsAgainstBothSurfacesAtEveryEdge) {
    auto source = Numbered(4, 3);
    auto dest = Make(10, 8);
    struct Case {
        int x, y;
        RECT src;
    };
    constexpr int lowest = std::numeric_limits<int>::min();
    constexpr int highest = std::numeric_limits<int>::max();
    for (const Case& c :
         {Case{-2, 1, {0, 0, 4, 3}}, Case{1, -1, {0, 0, 4, 3}}, Case{8, 1, {0, 0, 4, 3}},
          Case{1, 6, {0, 0, 4, 3}}, Case{1, 1, {-1, -2, 4, 3}}, Case{1, 1, {1, 1, 6, 5}},
          // Coordinates at the ends of their range clip without overflowing.
          Case{lowest, lowest, {0, 0, 4, 3}}, Case{1, 1, {lowest, lowest, 4, 3}},
          Case{lowest + 2, 0, {lowest, 0, highest, 3}}, Case{-3, 0, {0, 0, highest, 3}}}) {
        dest->Fill(0);
        dest->Draw(c.x, c.y, c.src, source.get(), false);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 10; ++x) {
                const std::int64_t sx = std::int64_t{c.src.left} + x - c.x;
                const std::int64_t sy = std::int64_t{c.src.top} + y - c.y;
                const bool inside = x >= c.x && y >= c.y && sx < c.src.right && sy < c.src.bottom &&
                                    sx >= 0 && sy >= 0 && sx < 4 && sy < 3;
                ASSERT_EQ(dest->GetPixel(x, y), inside ? Numbering(sx, sy) : 0u)
                    << "draw at " << c.x << "," << c.y << " pixel " << x << "," << y;
            }
    }
    // At x equal to the width nothing survives the clipping; beyond it nothing is tried.
    dest->Fill(0);
    dest->Draw(10, 0, source->ClientRect(), source.get(), false);
    dest->Draw(0, 8, source->ClientRect(), source.get(), false);
    dest->Draw(11, 0, source->ClientRect(), source.get(), false);
    dest->Draw(0, 0, source->ClientRect(), nullptr, false);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            ASSERT_EQ(dest->GetPixel(x, y), 0u);
}

TEST_F(DirectDrawObjects, TransparentDrawLeavesTheKeyOut) {
    auto source = Numbered(3, 1);
    source->SetPixel(1, 0, 0x00FF00FF);
    source->SetTransparentPixel(0x00FF00FF);
    auto dest = Make(3, 1);
    dest->Fill(0x00444444);
    dest->Draw(0, 0, source->ClientRect(), source.get(), true);
    EXPECT_EQ(dest->GetPixel(0, 0), Numbering(0, 0));
    EXPECT_EQ(dest->GetPixel(1, 0), 0x00444444u);
    EXPECT_EQ(dest->GetPixel(2, 0), Numbering(2, 0));
    dest->Draw(0, 0, source->ClientRect(), source.get(), false);
    EXPECT_EQ(dest->GetPixel(1, 0), 0x00FF00FFu);
}

TEST_F(DirectDrawObjects, DrawOntoAClippedSurfaceUsesTheClippingBlit) {
    auto source = Numbered(4, 4);
    TDirectDrawClipper clipper(ddraw.get());
    // Known clipper: Blt straight away.
    auto known = Make(6, 6);
    known->SetClipper(&clipper);
    ASSERT_TRUE(known->HasClipper());
    known->Draw(-1, 3, source->ClientRect(), source.get(), false);
    EXPECT_EQ(known->LastResult(), DD_OK);
    EXPECT_EQ(known->GetPixel(0, 3), Numbering(1, 0));
    EXPECT_EQ(known->GetPixel(2, 5), Numbering(3, 2));

    // A clipper attached behind the object's back: BltFast refuses, the object finds the
    // clipper and copies with the clipping blit.
    auto hidden = Make(6, 6);
    ASSERT_EQ(hidden->ISurface()->SetClipper(clipper.IDDClipper()), DD_OK);
    ASSERT_FALSE(hidden->HasClipper());
    hidden->Draw(2, 2, source->ClientRect(), source.get(), false);
    EXPECT_TRUE(hidden->HasClipper());
    EXPECT_EQ(hidden->LastResult(), DD_OK);
    EXPECT_EQ(hidden->GetPixel(2, 2), Numbering(0, 0));
    EXPECT_EQ(hidden->GetPixel(5, 5), Numbering(3, 3));
}

TEST_F(DirectDrawObjects, AReversedSourceRectangleDrawsMirrored) {
    auto source = Numbered(3, 2);
    auto dest = Make(4, 3);
    dest->Draw(0, 0, RECT{3, 0, 0, 2}, source.get(), false);
    EXPECT_EQ(dest->GetPixel(0, 0), Numbering(2, 0));
    EXPECT_EQ(dest->GetPixel(2, 1), Numbering(0, 1));
    dest->Fill(0);
    dest->Draw(0, 0, RECT{0, 2, 3, 0}, source.get(), false);
    EXPECT_EQ(dest->GetPixel(0, 0), Numbering(0, 1));
    EXPECT_EQ(dest->GetPixel(2, 1), Numbering(2, 0));
    // Cut at the left edge of the destination: the mirrored source loses its right end.
    dest->Fill(0);
    dest->Draw(-1, 0, RECT{3, 0, 0, 2}, source.get(), false);
    EXPECT_EQ(dest->GetPixel(0, 0), Numbering(1, 0));
    EXPECT_EQ(dest->GetPixel(1, 0), Numbering(0, 0));
    EXPECT_EQ(dest->GetPixel(2, 0), 0u);
}

TEST_F(DirectDrawObjects, CanvasHoldsTheDeviceContextUntilReleased) {
    auto surface = Make(60, 20);
    surface->Fill(0x00FFFFFF);
    TDirectDrawSurfaceCanvas& canvas = surface->Canvas();
    EXPECT_EQ(&canvas, &surface->Canvas());
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.Font.Color = clBlack;
    canvas.Font.Size = 12;
    canvas.TextOut(2, 2, "Ekoba");
    EXPECT_TRUE(canvas.HandleAllocated());
    DDSURFACEDESC desc;
    EXPECT_FALSE(surface->Lock(nullptr, desc)) << "the surface is busy while its context is out";
    canvas.Release();
    EXPECT_FALSE(canvas.HandleAllocated());
    int dark = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x)
            dark += (surface->GetPixel(x, y) & 0xFFFFFF) != 0xFFFFFF;
    EXPECT_GT(dark, 10) << "the text was not written";

    // A lost surface gives no context; a surface without an interface has none to give.
    platform::LoseAllDDrawSurfaces();
    try {
        canvas.TextOut(0, 0, "x");
        FAIL() << "drew on a lost surface";
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Canvas does not allow drawing");
    }
    ASSERT_TRUE(surface->Restore());
    surface->SetSize(0, 0);
    EXPECT_THROW(canvas.TextOut(0, 0, "x"), EDirectDrawSurfaceError);

    // A context still out when the interface goes is given back first.
    auto other = Make(10, 10);
    other->Canvas().TextOut(0, 0, "x");
    other->SetSize(4, 4);
    EXPECT_FALSE(other->Canvas().HandleAllocated());
    other->Canvas().TextOut(0, 0, "x");
    other.reset();
}

TEST_F(DirectDrawObjects, ColorMatchAsksGdiAndLeavesThePixelAlone) {
    auto surface = Make(4, 4);
    surface->SetPixel(0, 0, 0x00010203);
    EXPECT_EQ(surface->ColorMatch(clRed) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(surface->ColorMatch(RGB(1, 2, 3)) & 0xFFFFFF, 0x010203u);
    EXPECT_EQ(surface->ColorMatch(clBtnFace) & 0xFFFFFF, 0xD4D0C8u);
    EXPECT_EQ(surface->GetPixel(0, 0), 0x00010203u);
    auto sixteen = Make(4, 4, 16);
    EXPECT_EQ(sixteen->ColorMatch(clRed), 0xF800u);
    EXPECT_EQ(sixteen->ColorMatch(RGB(0, 0, 255)), 0x001Fu);
    TDirectDrawSurface empty(ddraw.get());
    EXPECT_EQ(empty.ColorMatch(clRed), 0u);
}

TEST_F(DirectDrawObjects, ClippersAndPalettes) {
    platform::InjectDDrawFault(platform::DDrawFault::CreateClipper, 1);
    try {
        TDirectDrawClipper clipper(ddraw.get());
        FAIL() << "made a clipper";
    } catch (const EDirectDrawClipperError& e) {
        EXPECT_STREQ(e.what(), "Clipper cannot be made");
    }
    EXPECT_EQ(ddraw->ClipperCount(), 0);
    TDirectDrawClipper clipper(ddraw.get());
    clipper.SetHandle(nullptr);
    EXPECT_EQ(clipper.LastResult(), DD_OK);

    TDirectDrawPalette palette(ddraw.get());
    EXPECT_EQ(MessageOf([&] { palette.IDDPalette(); }), "IDirectDrawPalette not made");
    std::array<PALETTEENTRY, 256> entries{};
    entries[5] = {10, 20, 30, 0};
    platform::InjectDDrawFault(platform::DDrawFault::CreatePalette, 1);
    EXPECT_FALSE(palette.CreatePalette(DDPCAPS_8BIT, entries.data()));
    EXPECT_NE(palette.LastResult(), DD_OK);
    ASSERT_TRUE(palette.CreatePalette(DDPCAPS_8BIT | DDPCAPS_INITIALIZE, entries.data()));
    palette.SetEntries(250, 10, entries.data());
    EXPECT_EQ(palette.LastResult(), DDERR_INVALIDPARAMS);
    palette.SetEntries(0, 6, entries.data());
    EXPECT_EQ(palette.LastResult(), DD_OK);

    // Only a palette-indexed surface takes the palette; the refusal is recorded.
    auto display = Make(2, 2);
    display->SetPalette(&palette);
    EXPECT_EQ(display->LastResult(), DDERR_INVALIDPIXELFORMAT);
    auto indexed = Make(2, 2, 8);
    indexed->SetPalette(&palette);
    EXPECT_EQ(indexed->LastResult(), DD_OK);
}

} // namespace
