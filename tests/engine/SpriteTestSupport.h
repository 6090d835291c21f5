// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the sprite engine and image list tests draw on: a DirectDraw device with a surface of a
// given size, or a whole drawing surface in a window, with presentation pacing off.
#include "engine/DXDraw.h"
#include "engine/DirectX.h"
#include "tests/support/TestApp.h"

#include <QWidget>
#include <cstdint>
#include <memory>

namespace spritetest {

// A device and one off-screen surface in the display format, cleared to pixel value 0.
class TestSurfaces {
public:
    TestSurfaces(int width, int height) {
        TestApp();
        platform::SetPresentationPacing(false);
        device_ = std::make_unique<TDirectDraw>();
        device_->IDraw()->SetCooperativeLevel(nullptr, DDSCL_NORMAL);
        back_ = std::make_unique<TDirectDrawSurface>(device_.get());
        back_->SetSize(width, height);
        back_->Fill(0);
    }
    TDirectDraw& Device() { return *device_; }
    TDirectDrawSurface& Back() { return *back_; }
    // A further surface of the display format on the same device.
    std::unique_ptr<TDirectDrawSurface> MakeSurface(int width, int height) {
        auto surface = std::make_unique<TDirectDrawSurface>(device_.get());
        surface->SetSize(width, height);
        surface->Fill(0);
        return surface;
    }

private:
    std::unique_ptr<TDirectDraw> device_;
    std::unique_ptr<TDirectDrawSurface> back_;
};

// A window whose client is a drawing surface of the given size (not initialised yet).
class TestWindow {
public:
    TestWindow(int width, int height) {
        TestApp();
        platform::SetPresentationPacing(false);
        form_ = std::make_unique<QWidget>();
        form_->resize(width, height);
        dxDraw_ = new TDXDraw(form_.get()); // owned by the form
        dxDraw_->SetOptions({doAllowReboot});
        dxDraw_->resize(width, height);
    }
    TDXDraw& DXDraw() { return *dxDraw_; }
    QWidget& Form() { return *form_; }

private:
    std::unique_ptr<QWidget> form_;
    TDXDraw* dxDraw_;
};

// The 32-bit pixel at (x, y) of a display-format surface, colour bits only.
inline std::uint32_t Pixel(TDirectDrawSurface& surface, int x, int y) {
    return surface.GetPixel(x, y) & 0xFFFFFFu;
}

} // namespace spritetest
