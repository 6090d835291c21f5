// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared by the tests of the DirectDraw objects and of the drawing surface: the application
// object (offscreen platform), a clean display stand-in for every test, and surface helpers.
#include "engine/DirectX.h"
#include "platform/DDraw.h"
#include "tests/support/TestApp.h"

#include <QApplication>
#include <memory>

namespace displaytest {

// Every test starts with the stand-in registered, no faults, no pacing and the usual video
// memory; every test ends with every DirectDraw interface released.
inline void ResetDisplay() {
    TestApp();
    platform::RegisterDDrawLibrary();
    platform::ClearDDrawFaults();
    platform::SetPresentationPacing(false);
    platform::SetDDrawVideoMemory(64u << 20);
}

inline DDSURFACEDESC OffscreenDesc(int width, int height, int bits = 0) {
    DDSURFACEDESC desc;
    desc.dwSize = DDSURFACEDESC_SIZE;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    if (bits) {
        desc.dwFlags |= DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat.dwSize = DDPIXELFORMAT_SIZE;
        desc.ddpfPixelFormat.dwFlags = bits == 8 ? DDPF_PALETTEINDEXED8 : DDPF_RGB;
        desc.ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(bits);
    }
    return desc;
}

// Fills a rectangle of a surface with a pixel value through the stand-in's colour fill.
inline void FillRect(TDirectDrawSurface& surface, const RECT& rect, DWORD value) {
    DDBLTFX fx;
    fx.dwSize = DDBLTFX_SIZE;
    fx.dwFillColor = value;
    surface.ISurface()->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

} // namespace displaytest
