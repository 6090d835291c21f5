// SPDX-License-Identifier: GPL-3.0-or-later
// Pixel access on picture surfaces in every bit count, and the colour matching that turns a
// transparent colour into the pixel value a surface holds for it.
#include "engine/DirectX.h"

#include "tests/engine/SpriteTestSupport.h"

#include <gtest/gtest.h>
#include <vector>

using namespace spritetest;

namespace {

// A surface interface over plain memory in a bit count the display stand-in does not make
// (1 and 4 bits per pixel); only what pixel access calls does anything.
class MemorySurface : public IDirectDrawSurface {
public:
    MemorySurface(int width, int height, int bits)
        : width_(width), height_(height), bits_(bits), pitch_(((width * bits + 31) / 32) * 4),
          memory_(static_cast<std::size_t>(pitch_ * height), 0) {}
    std::vector<std::uint8_t>& Memory() { return memory_; }
    int Pitch() const { return pitch_; }

    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT QueryInterface(DDInterface id, void** object) override {
        if (id != DDInterface::IDirectDrawSurface && id != DDInterface::IDirectDrawSurface4)
            return DDERR_NOINTERFACE;
        AddRef();
        *object = this;
        return DD_OK;
    }
    HRESULT Lock(const RECT* rect, DDSURFACEDESC* desc, DWORD, void*) override {
        if (rect || locked_)
            return DDERR_INVALIDPARAMS;
        locked_ = true;
        GetSurfaceDesc(desc);
        desc->lpSurface = memory_.data();
        return DD_OK;
    }
    HRESULT Unlock(void*) override {
        locked_ = false;
        return DD_OK;
    }
    HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) override {
        desc->dwWidth = static_cast<DWORD>(width_);
        desc->dwHeight = static_cast<DWORD>(height_);
        desc->lPitch = pitch_;
        desc->ddpfPixelFormat.dwSize = DDPIXELFORMAT_SIZE;
        desc->ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(bits_);
        return DD_OK;
    }
    HRESULT GetClipper(IDirectDrawClipper** clipper) override {
        *clipper = nullptr;
        return DDERR_NOCLIPPERATTACHED;
    }
    HRESULT SetColorKey(DWORD, const DDCOLORKEY*) override { return DD_OK; }
    HRESULT Blt(const RECT*, IDirectDrawSurface*, const RECT*, DWORD, const DDBLTFX*) override {
        return DDERR_UNSUPPORTED;
    }
    HRESULT BltFast(DWORD, DWORD, IDirectDrawSurface*, const RECT*, DWORD) override {
        return DDERR_UNSUPPORTED;
    }
    HRESULT GetDC(HDC*) override { return DDERR_CANTCREATEDC; }
    HRESULT ReleaseDC(HDC) override { return DDERR_UNSUPPORTED; }
    HRESULT IsLost() override { return DD_OK; }
    HRESULT Restore() override { return DD_OK; }
    HRESULT GetColorKey(DWORD, DDCOLORKEY*) override { return DDERR_NOCOLORKEY; }
    HRESULT SetClipper(IDirectDrawClipper*) override { return DDERR_UNSUPPORTED; }
    HRESULT SetPalette(IDirectDrawPalette*) override { return DDERR_UNSUPPORTED; }
    HRESULT GetPalette(IDirectDrawPalette**) override { return DDERR_NOPALETTEATTACHED; }
    HRESULT Flip(IDirectDrawSurface*, DWORD) override { return DDERR_UNSUPPORTED; }

private:
    ~MemorySurface() override = default;

    int width_, height_, bits_, pitch_;
    std::vector<std::uint8_t> memory_;
    ULONG references_ = 1;
    bool locked_ = false;
};

struct PixelLayout {
    int bits;
    DWORD flags, r, g, b;
};

// A surface of the stand-in in the given format.
std::unique_ptr<TDirectDrawSurface> MakeFormatted(TestSurfaces& surfaces, int width, int height,
                                                  const PixelLayout& format) {
    auto surface = std::make_unique<TDirectDrawSurface>(&surfaces.Device());
    DDSURFACEDESC desc;
    desc.dwSize = DDSURFACEDESC_SIZE;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    desc.ddpfPixelFormat.dwSize = DDPIXELFORMAT_SIZE;
    desc.ddpfPixelFormat.dwFlags = format.flags;
    desc.ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(format.bits);
    desc.ddpfPixelFormat.dwRBitMask = format.r;
    desc.ddpfPixelFormat.dwGBitMask = format.g;
    desc.ddpfPixelFormat.dwBBitMask = format.b;
    if (!surface->CreateSurface(desc))
        return nullptr;
    return surface;
}

// The bytes of line y of a surface, through a lock.
std::vector<std::uint8_t> LineBytes(TDirectDrawSurface& surface, int y, int count) {
    DDSURFACEDESC desc;
    EXPECT_TRUE(surface.Lock(nullptr, desc));
    const auto* line = static_cast<const std::uint8_t*>(desc.lpSurface) + y * desc.lPitch;
    std::vector<std::uint8_t> bytes(line, line + count);
    surface.Unlock();
    return bytes;
}

} // namespace

TEST(SurfacePixels, ReadAndWriteInEveryDisplayBitCount) {
    TestSurfaces surfaces(8, 8);
    const PixelLayout formats[] = {
        {8, DDPF_RGB | DDPF_PALETTEINDEXED8, 0, 0, 0},
        {16, DDPF_RGB, 0xF800, 0x07E0, 0x001F},
        {24, DDPF_RGB, 0xFF0000, 0xFF00, 0xFF},
        {32, DDPF_RGB, 0xFF0000, 0xFF00, 0xFF},
    };
    for (const PixelLayout& format : formats) {
        SCOPED_TRACE(format.bits);
        auto surface = MakeFormatted(surfaces, 5, 3, format);
        ASSERT_NE(surface, nullptr);
        const int bytes = format.bits / 8;
        const DWORD value =
            format.bits == 32 ? 0xA1B2C3D4u : (0xC3B2A1u & ((1u << format.bits) - 1));

        surface->SetPixel(0, 0, value);
        EXPECT_EQ(surface->GetPixel(0, 0), value);
        surface->SetPixel(2, 1, value);
        surface->SetPixel(4, 2, value); // the last pixel
        EXPECT_EQ(surface->GetPixel(4, 2), value);
        EXPECT_EQ(surface->GetPixel(1, 1), 0u);
        EXPECT_EQ(surface->GetPixel(3, 1), 0u);

        // Little-endian at byte x times the pixel size of line y.
        const std::vector<std::uint8_t> line = LineBytes(*surface, 1, 5 * bytes);
        for (int i = 0; i < bytes; ++i)
            EXPECT_EQ(line[static_cast<std::size_t>(2 * bytes + i)],
                      static_cast<std::uint8_t>(value >> (8 * i)));
        EXPECT_EQ(line[static_cast<std::size_t>(3 * bytes)], 0);

        // Outside the surface reading gives 0 and writing changes nothing.
        for (const auto& [x, y] : {std::pair{5, 0}, {0, 3}, {-1, 0}, {0, -1}}) {
            surface->SetPixel(x, y, value);
            EXPECT_EQ(surface->GetPixel(x, y), 0u);
        }
        EXPECT_EQ(surface->GetPixel(0, 1), 0u);
        EXPECT_EQ(surface->GetPixel(4, 0), 0u);
    }
}

TEST(SurfacePixels, OneAndFourBitPixelsSitInTheirBitsLeftmostHighest) {
    for (int bits : {1, 4}) {
        SCOPED_TRACE(bits);
        auto* memory = new MemorySurface(13, 2, bits);
        ComPtr<IDirectDrawSurface> held;
        *held.Receive() = memory;
        TDirectDrawSurface surface(nullptr);
        surface.SetIDDSurface(std::move(held));
        ASSERT_EQ(surface.Width(), 13);

        const DWORD top = bits == 1 ? 1 : 0xF;
        surface.SetPixel(9, 1, top);
        surface.SetPixel(10, 1, bits == 1 ? 1 : 0x6);
        const auto* line = memory->Memory().data() + memory->Pitch();
        if (bits == 1) {
            EXPECT_EQ(line[1], 0x60); // x 9 and 10: bits 6 and 5 of byte 1
        } else {
            EXPECT_EQ(line[4], 0x0F); // x 9: the low half of byte 4
            EXPECT_EQ(line[5], 0x60); // x 10: the high half of byte 5
        }
        EXPECT_EQ(surface.GetPixel(9, 1), top);
        EXPECT_EQ(surface.GetPixel(8, 1), 0u);
        surface.SetPixel(9, 1, 0);
        EXPECT_EQ(surface.GetPixel(9, 1), 0u);
        EXPECT_EQ(surface.GetPixel(10, 1), bits == 1 ? 1u : 6u);
        EXPECT_EQ(surface.GetPixel(13, 1), 0u);
    }
}

TEST(SurfacePixels, PixelAccessDoesNothingWhileTheSurfaceIsLocked) {
    TestSurfaces surfaces(4, 4);
    TDirectDrawSurface& surface = surfaces.Back();
    surface.SetPixel(1, 1, 0x00ABCDEF);
    DDSURFACEDESC desc;
    ASSERT_TRUE(surface.Lock(nullptr, desc));
    EXPECT_EQ(surface.GetPixel(1, 1), 0u); // locks do not nest
    surface.SetPixel(1, 1, 0x111111);
    surface.Unlock();
    EXPECT_EQ(surface.GetPixel(1, 1), 0x00ABCDEFu);
}

TEST(ColourMatching, GivesThePixelValueGdiDrawsAndLeavesThePixelAsItWas) {
    TestSurfaces surfaces(4, 4);
    TDirectDrawSurface& surface = surfaces.Back();
    surface.SetPixel(0, 0, 0x00778899);
    EXPECT_EQ(surface.ColorMatch(RGB(1, 2, 3)) & 0xFFFFFF, 0x010203u);
    EXPECT_EQ(surface.ColorMatch(clWhite) & 0xFFFFFF, 0xFFFFFFu);
    // A system colour is matched by its current value; colours are 0x00BBGGRR, pixels 0x00RRGGBB.
    const TColor face = ColorToRGB(clBtnFace);
    EXPECT_EQ(surface.ColorMatch(clBtnFace) & 0xFFFFFF,
              ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF));
    EXPECT_EQ(surface.GetPixel(0, 0), 0x00778899u);

    TDirectDrawSurface unmade(&surfaces.Device());
    EXPECT_EQ(unmade.ColorMatch(clWhite), 0u);
}
