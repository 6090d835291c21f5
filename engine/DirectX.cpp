// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DirectX.h"

#include "platform/Loader.h"
#include "platform/Rounding.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

namespace {

// The display stand-in is built in: it is in the loader's table from the start of the program.
const bool displayRegistered = [] {
    platform::RegisterDDrawLibrary();
    return true;
}();

template <typename T> void Unlist(std::vector<T*>& list, T* item) {
    auto found = std::find(list.begin(), list.end(), item);
    if (found != list.end())
        list.erase(found);
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

DDBLTFX NoEffects() {
    DDBLTFX fx;
    fx.dwSize = DDBLTFX_SIZE;
    return fx;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TDirectDraw

TDirectDraw::TDirectDraw(const void* driver, bool directX7Mode) {
    if (directX7Mode) {
        // The DirectX 7 path; the display stand-in has no DirectX 7 device, so asking for its
        // entry point raises "DDraw.dll not loaded".
        GetLibraryProc(DirectDrawLibraryName, "DirectDrawCreateEx");
        throw EDirectDrawError("Necessary since DirectX 7");
    }
    const auto create =
        GetLibraryFunction<DirectDrawCreateProc>(DirectDrawLibraryName, "DirectDrawCreate");
    SetLastResult(create(driver, draw_.Receive(), nullptr));
    if (LastResult() != DD_OK)
        throw EDirectDrawError(Format("%s cannot be initialized", "DirectDraw"));
    void* draw4 = nullptr;
    SetLastResult(draw_->QueryInterface(DDInterface::IDirectDraw4, &draw4));
    if (LastResult() != DD_OK)
        throw EDirectDrawError("Necessary since DirectX 6");
    *draw4_.Receive() = static_cast<IDirectDraw4*>(draw4);
    driverCaps_.dwSize = DDCAPS_SIZE;
    helCaps_.dwSize = DDCAPS_SIZE;
    draw_->GetCaps(&driverCaps_, &helCaps_);
}

TDirectDraw::~TDirectDraw() {
    while (!surfaces_.empty())
        surfaces_.back()->Detach();
    while (!palettes_.empty())
        palettes_.back()->Detach();
    while (!clippers_.empty())
        clippers_.back()->Detach();
    draw4_.Reset();
    draw_.Reset();
}

IDirectDraw* TDirectDraw::IDraw() const {
    if (!draw_)
        throw EDirectDrawError(Format("%s not made", "IDirectDraw"));
    return draw_.Get();
}

IDirectDraw4* TDirectDraw::IDraw4() const {
    if (!draw4_)
        throw EDirectDrawError(Format("%s not made", "IDirectDraw"));
    return draw4_.Get();
}

// ---------------------------------------------------------------------------------------------
// TDirectDrawSurfaceCanvas

void TDirectDrawSurfaceCanvas::CreateHandle() {
    HDC dc = nullptr;
    surface_.SetLastResult(surface_.ISurface()->GetDC(&dc));
    if (surface_.LastResult() == DD_OK) {
        dc_ = dc;
        dc->SetScale(surface_.Scale());
        SetHandle(dc);
    }
}

void TDirectDrawSurfaceCanvas::Release() {
    if (!surface_.IDDSurface() || !dc_)
        return;
    SetHandle(nullptr);
    surface_.IDDSurface()->ReleaseDC(dc_);
    dc_ = nullptr;
}

// ---------------------------------------------------------------------------------------------
// TDirectDrawSurface

TDirectDrawSurface::TDirectDrawSurface(TDirectDraw* ddraw) : ddraw_(ddraw) {
    if (ddraw_)
        ddraw_->surfaces_.push_back(this);
}

TDirectDrawSurface::~TDirectDrawSurface() {
    canvas_.reset();
    SetIDDSurface(ComPtr<IDirectDrawSurface>());
    if (ddraw_)
        Unlist(ddraw_->surfaces_, this);
}

void TDirectDrawSurface::Detach() {
    SetIDDSurface(ComPtr<IDirectDrawSurface>());
    Unlist(ddraw_->surfaces_, this);
    ddraw_ = nullptr;
}

int TDirectDrawSurface::UnitWidth() const {
    return scale_ == 1.0 ? Width() : static_cast<int>(std::lround(Width() / scale_));
}

int TDirectDrawSurface::UnitHeight() const {
    return scale_ == 1.0 ? Height() : static_cast<int>(std::lround(Height() / scale_));
}

TDirectDrawSurfaceCanvas& TDirectDrawSurface::Canvas() {
    if (!canvas_)
        canvas_ = std::make_unique<TDirectDrawSurfaceCanvas>(*this);
    return *canvas_;
}

IDirectDrawSurface* TDirectDrawSurface::ISurface() const {
    if (!surface_)
        throw EDirectDrawSurfaceError(Format("%s not made", "IDirectDrawSurface"));
    return surface_.Get();
}

IDirectDrawSurface4* TDirectDrawSurface::ISurface4() const {
    if (!surface4_)
        throw EDirectDrawSurfaceError(Format("%s not made", "IDirectDrawSurface"));
    return surface4_.Get();
}

void TDirectDrawSurface::SetIDDSurface(ComPtr<IDirectDrawSurface> surface) {
    // A device context still held by the canvas belongs to the interface that goes.
    if (canvas_)
        canvas_->Release();
    surface4_.Reset();
    surface_.Reset();
    hasClipper_ = false;
    lockCount_ = 0;
    lockPointer_ = nullptr;
    desc_ = DDSURFACEDESC{};
    if (!surface)
        return;
    surface_ = std::move(surface);
    void* surface4 = nullptr;
    if (surface_->QueryInterface(DDInterface::IDirectDrawSurface4, &surface4) == DD_OK)
        *surface4_.Receive() = static_cast<IDirectDrawSurface4*>(surface4);
    ComPtr<IDirectDrawClipper> clipper;
    if (surface_->GetClipper(clipper.Receive()) == DD_OK && clipper)
        hasClipper_ = true;
    desc_.dwSize = DDSURFACEDESC_SIZE;
    surface_->GetSurfaceDesc(&desc_);
}

bool TDirectDrawSurface::CreateSurface(const DDSURFACEDESC& desc) {
    SetIDDSurface(ComPtr<IDirectDrawSurface>());
    if (!ddraw_)
        throw EDirectDrawError(Format("%s not made", "IDirectDraw"));
    ComPtr<IDirectDrawSurface> made;
    SetLastResult(ddraw_->IDraw()->CreateSurface(&desc, made.Receive(), nullptr));
    if (LastResult() != DD_OK)
        return false;
    SetIDDSurface(std::move(made));
    SetTransparentPixel(0);
    return true;
}

bool TDirectDrawSurface::Fill(DWORD pixel) {
    DDBLTFX fx = NoEffects();
    fx.dwFillColor = pixel;
    SetLastResult(ISurface()->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx));
    return LastResult() == DD_OK;
}

bool TDirectDrawSurface::Restore() {
    if (!surface_)
        return false;
    SetLastResult(surface_->Restore());
    return LastResult() == DD_OK;
}

void TDirectDrawSurface::SetClipper(TDirectDrawClipper* clipper) {
    SetLastResult(ISurface()->SetClipper(clipper ? clipper->IDDClipper() : nullptr));
    hasClipper_ = clipper != nullptr && LastResult() == DD_OK;
}

void TDirectDrawSurface::SetPalette(TDirectDrawPalette* palette) {
    SetLastResult(ISurface()->SetPalette(palette ? palette->IDDPalette() : nullptr));
}

void TDirectDrawSurface::SetSize(int width, int height) {
    if (width <= 0 || height <= 0) {
        SetIDDSurface(ComPtr<IDirectDrawSurface>());
        return;
    }
    DDSURFACEDESC desc;
    desc.dwSize = DDSURFACEDESC_SIZE;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | (systemMemory_ ? DDSCAPS_SYSTEMMEMORY : 0);
    if (CreateSurface(desc))
        return;
    if (!systemMemory_) {
        desc.ddsCaps.dwCaps = (desc.ddsCaps.dwCaps & ~DDSCAPS_VIDEOMEMORY) | DDSCAPS_SYSTEMMEMORY;
        if (CreateSurface(desc)) {
            systemMemory_ = true;
            return;
        }
    }
    throw EDirectDrawSurfaceError(Format("%s cannot be made", "Surface"));
}

bool TDirectDrawSurface::Lock(const RECT* rect, DDSURFACEDESC& desc) {
    if (!surface_ || lockCount_ > 0)
        return false;
    desc = DDSURFACEDESC{};
    desc.dwSize = DDSURFACEDESC_SIZE;
    const RECT whole = ClientRect();
    const RECT* area = rect && !SameRect(*rect, whole) ? rect : nullptr;
    SetLastResult(surface_->Lock(area, &desc, DDLOCK_WAIT, nullptr));
    if (LastResult() != DD_OK)
        return false;
    lockCount_ = 1;
    lockPointer_ = desc.lpSurface;
    return true;
}

void TDirectDrawSurface::Unlock() {
    if (lockCount_ <= 0)
        return;
    if (--lockCount_ == 0) {
        SetLastResult(surface_->Unlock(lockPointer_));
        lockPointer_ = nullptr;
    }
}

DWORD TDirectDrawSurface::GetPixel(int x, int y) {
    if (!surface_ || x < 0 || y < 0 || x >= Width() || y >= Height())
        return 0;
    DDSURFACEDESC desc;
    if (!Lock(nullptr, desc))
        return 0;
    const auto* line = static_cast<const std::uint8_t*>(desc.lpSurface) +
                       static_cast<std::ptrdiff_t>(y) * desc.lPitch;
    DWORD value = 0;
    switch (desc.ddpfPixelFormat.dwRGBBitCount) {
    case 1:
        value = (line[x / 8] >> (7 - x % 8)) & 1;
        break;
    case 4:
        value = x % 2 == 0 ? line[x / 2] >> 4 : line[x / 2] & 0x0F;
        break;
    case 8:
        value = line[x];
        break;
    case 16:
        value = line[2 * x] | (line[2 * x + 1] << 8);
        break;
    case 24:
        value = line[3 * x] | (line[3 * x + 1] << 8) | (line[3 * x + 2] << 16);
        break;
    case 32:
        value = static_cast<DWORD>(line[4 * x]) | (static_cast<DWORD>(line[4 * x + 1]) << 8) |
                (static_cast<DWORD>(line[4 * x + 2]) << 16) |
                (static_cast<DWORD>(line[4 * x + 3]) << 24);
        break;
    default:
        break;
    }
    Unlock();
    return value;
}

void TDirectDrawSurface::SetPixel(int x, int y, DWORD value) {
    if (!surface_ || x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    DDSURFACEDESC desc;
    if (!Lock(nullptr, desc))
        return;
    auto* line =
        static_cast<std::uint8_t*>(desc.lpSurface) + static_cast<std::ptrdiff_t>(y) * desc.lPitch;
    auto byte = [](DWORD v, int shift) { return static_cast<std::uint8_t>(v >> shift); };
    switch (desc.ddpfPixelFormat.dwRGBBitCount) {
    case 1: {
        const std::uint8_t bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
        line[x / 8] = (value & 1) ? (line[x / 8] | bit) : (line[x / 8] & ~bit);
        break;
    }
    case 4:
        line[x / 2] = x % 2 == 0
                          ? static_cast<std::uint8_t>((line[x / 2] & 0x0F) | ((value & 0xF) << 4))
                          : static_cast<std::uint8_t>((line[x / 2] & 0xF0) | (value & 0xF));
        break;
    case 8:
        line[x] = byte(value, 0);
        break;
    case 16:
        line[2 * x] = byte(value, 0);
        line[2 * x + 1] = byte(value, 8);
        break;
    case 24:
        line[3 * x] = byte(value, 0);
        line[3 * x + 1] = byte(value, 8);
        line[3 * x + 2] = byte(value, 16);
        break;
    case 32:
        for (int i = 0; i < 4; ++i)
            line[4 * x + i] = byte(value, 8 * i);
        break;
    default:
        break;
    }
    Unlock();
}

void TDirectDrawSurface::SetTransparentPixel(DWORD value) {
    DDCOLORKEY key;
    key.dwColorSpaceLowValue = value;
    key.dwColorSpaceHighValue = value;
    SetLastResult(ISurface()->SetColorKey(DDCKEY_SRCBLT, &key));
}

DWORD TDirectDrawSurface::ColorMatch(TColor colour) {
    if (!surface_)
        return 0;
    const DWORD old = GetPixel(0, 0);
    // GDI's own answer: a one-pixel 8-bit picture whose only colour is the colour, drawn here.
    QImage dot(1, 1, QImage::Format_Indexed8);
    const QColor rgb = ToQColor(colour);
    dot.setColorTable({qRgb(rgb.red(), rgb.green(), rgb.blue())});
    dot.setPixel(0, 0, 0);
    Canvas().StretchDraw(QRect(0, 0, 1, 1), dot, QRect(0, 0, 1, 1));
    Canvas().Release();
    const DWORD result = GetPixel(0, 0);
    SetPixel(0, 0, old);
    return result;
}

namespace {

// One axis of a blit, clipped against the destination's extent [limit1, limit2) and the
// source's [sourceLimit1, sourceLimit2). The source runs backwards along a mirrored axis: what
// is cut at one end of the destination comes off the other end of the source. Worked out in
// 64 bits, since the coordinates may lie anywhere in the 32-bit range.
struct TAxis {
    std::int64_t d1, d2, s1, s2;
    bool Empty() const { return d1 >= d2 || s1 >= s2; }
};

TAxis ClipAxis(std::int64_t d1, std::int64_t s1, std::int64_t s2, std::int64_t limit2,
               std::int64_t sourceLimit2, bool mirrored) {
    TAxis a{d1, d1 + (s2 - s1), s1, s2};
    if (a.s1 < 0) {
        (mirrored ? a.d2 : a.d1) += mirrored ? a.s1 : -a.s1;
        a.s1 = 0;
    }
    if (a.s2 > sourceLimit2) {
        (mirrored ? a.d1 : a.d2) += mirrored ? a.s2 - sourceLimit2 : -(a.s2 - sourceLimit2);
        a.s2 = sourceLimit2;
    }
    if (a.d1 < 0) {
        (mirrored ? a.s2 : a.s1) += mirrored ? a.d1 : -a.d1;
        a.d1 = 0;
    }
    if (a.d2 > limit2) {
        (mirrored ? a.s1 : a.s2) += mirrored ? a.d2 - limit2 : -(a.d2 - limit2);
        a.d2 = limit2;
    }
    return a;
}

} // namespace

void TDirectDrawSurface::Draw(int x, int y, RECT src, TDirectDrawSurface* source,
                              bool transparent) {
    if (!source)
        return;
    if (scale_ != 1.0 || source->scale_ != 1.0) {
        // The one place where the layout's units become pixels: the destination's corner by
        // this surface's scale, the source's rectangle by its own.
        const RECT pixels{
            ScaledLength(src.left, source->scale_), ScaledLength(src.top, source->scale_),
            ScaledLength(src.right, source->scale_), ScaledLength(src.bottom, source->scale_)};
        const int px = ScaledLength(x, scale_);
        const int py = ScaledLength(y, scale_);
        const LONG wide = pixels.right - pixels.left, high = pixels.bottom - pixels.top;
        const LONG destWide = ScaledLength(src.right, scale_) - ScaledLength(src.left, scale_);
        const LONG destHigh = ScaledLength(src.bottom, scale_) - ScaledLength(src.top, scale_);
        if (wide != destWide || high != destHigh) {
            DrawStretched(px, py, destWide, destHigh, pixels, source, transparent);
            return;
        }
        DrawPixels(px, py, pixels, source, transparent);
        return;
    }
    DrawPixels(x, y, src, source, transparent);
}

void TDirectDrawSurface::DrawStretched(int x, int y, LONG width, LONG height, RECT src,
                                       TDirectDrawSurface* source, bool transparent) {
    // Pictures at a scale other than the destination's: stretched by the blit (which clips to
    // the destination through no clipper, so the rectangles are cut to both surfaces first).
    const bool mirrorX = width < 0, mirrorY = height < 0;
    if (mirrorX || mirrorY || src.left > src.right || src.top > src.bottom)
        return; // mirrored pictures are only drawn at one scale
    RECT dest{x, y, x + width, y + height};
    const double kx = width > 0 ? double(src.right - src.left) / width : 0;
    const double ky = height > 0 ? double(src.bottom - src.top) / height : 0;
    if (kx <= 0 || ky <= 0)
        return;
    auto cut = [](LONG& d1, LONG& d2, LONG& s1, LONG& s2, LONG limit, LONG sourceLimit, double k) {
        if (s1 < 0) {
            d1 += static_cast<LONG>(std::lround(-s1 / k));
            s1 = 0;
        }
        if (s2 > sourceLimit) {
            d2 -= static_cast<LONG>(std::lround((s2 - sourceLimit) / k));
            s2 = sourceLimit;
        }
        if (d1 < 0) {
            s1 += static_cast<LONG>(std::lround(-d1 * k));
            d1 = 0;
        }
        if (d2 > limit) {
            s2 -= static_cast<LONG>(std::lround((d2 - limit) * k));
            d2 = limit;
        }
    };
    cut(dest.left, dest.right, src.left, src.right, Width(), source->Width(), kx);
    cut(dest.top, dest.bottom, src.top, src.bottom, Height(), source->Height(), ky);
    if (dest.left >= dest.right || dest.top >= dest.bottom || src.left >= src.right ||
        src.top >= src.bottom)
        return;
    DDBLTFX fx = NoEffects();
    SetLastResult(ISurface()->Blt(&dest, source->ISurface(), &src,
                                  transparent ? DDBLT_KEYSRC | DDBLT_WAIT : DDBLT_WAIT, &fx));
}

void TDirectDrawSurface::DrawPixels(int x, int y, RECT src, TDirectDrawSurface* source,
                                    bool transparent) {
    if (x > Width() || y > Height())
        return;
    DDBLTFX fx = NoEffects();
    const bool mirrorX = src.left > src.right;
    const bool mirrorY = src.top > src.bottom;
    if (mirrorX) {
        std::swap(src.left, src.right);
        fx.dwDDFX |= DDBLTFX_MIRRORLEFTRIGHT;
    }
    if (mirrorY) {
        std::swap(src.top, src.bottom);
        fx.dwDDFX |= DDBLTFX_MIRRORUPDOWN;
    }
    const TAxis h = ClipAxis(x, src.left, src.right, Width(), source->Width(), mirrorX);
    const TAxis v = ClipAxis(y, src.top, src.bottom, Height(), source->Height(), mirrorY);
    if (h.Empty() || v.Empty())
        return;
    // Once clipped, every coordinate lies within one of the two surfaces.
    RECT dest{static_cast<LONG>(h.d1), static_cast<LONG>(v.d1), static_cast<LONG>(h.d2),
              static_cast<LONG>(v.d2)};
    src = RECT{static_cast<LONG>(h.s1), static_cast<LONG>(v.s1), static_cast<LONG>(h.s2),
               static_cast<LONG>(v.s2)};
    if (mirrorX || mirrorY) {
        const DWORD flags = DDBLT_DDFX | DDBLT_WAIT | (transparent ? DDBLT_KEYSRC : 0);
        SetLastResult(ISurface()->Blt(&dest, source->ISurface(), &src, flags, &fx));
        return;
    }
    auto clippedBlt = [&] {
        SetLastResult(ISurface()->Blt(&dest, source->ISurface(), &src,
                                      transparent ? DDBLT_KEYSRC | DDBLT_WAIT : DDBLT_WAIT, &fx));
    };
    if (hasClipper_) {
        clippedBlt();
        return;
    }
    SetLastResult(ISurface()->BltFast(
        static_cast<DWORD>(dest.left), static_cast<DWORD>(dest.top), source->ISurface(), &src,
        transparent ? DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT : DDBLTFAST_WAIT));
    if (LastResult() == DDERR_BLTFASTCANTCLIP) {
        ComPtr<IDirectDrawClipper> clipper;
        if (ISurface()->GetClipper(clipper.Receive()) == DD_OK && clipper)
            hasClipper_ = true;
        clippedBlt();
    }
}

// ---------------------------------------------------------------------------------------------
// TDirectDrawClipper

TDirectDrawClipper::TDirectDrawClipper(TDirectDraw* ddraw) : ddraw_(ddraw) {
    if (!ddraw_)
        throw EDirectDrawError(Format("%s not made", "IDirectDraw"));
    SetLastResult(ddraw_->IDraw()->CreateClipper(0, clipper_.Receive(), nullptr));
    if (LastResult() != DD_OK)
        throw EDirectDrawClipperError(Format("%s cannot be made", "Clipper"));
    ddraw_->clippers_.push_back(this);
}

TDirectDrawClipper::~TDirectDrawClipper() {
    clipper_.Reset();
    if (ddraw_)
        Unlist(ddraw_->clippers_, this);
}

void TDirectDrawClipper::Detach() {
    clipper_.Reset();
    Unlist(ddraw_->clippers_, this);
    ddraw_ = nullptr;
}

IDirectDrawClipper* TDirectDrawClipper::IDDClipper() const {
    if (!clipper_)
        throw EDirectDrawClipperError(Format("%s not made", "IDirectDrawClipper"));
    return clipper_.Get();
}

void TDirectDrawClipper::SetHandle(HWND window) {
    SetLastResult(IDDClipper()->SetHWnd(0, window));
}

// ---------------------------------------------------------------------------------------------
// TDirectDrawPalette

TDirectDrawPalette::TDirectDrawPalette(TDirectDraw* ddraw) : ddraw_(ddraw) {
    if (ddraw_)
        ddraw_->palettes_.push_back(this);
}

TDirectDrawPalette::~TDirectDrawPalette() {
    palette_.Reset();
    if (ddraw_)
        Unlist(ddraw_->palettes_, this);
}

void TDirectDrawPalette::Detach() {
    palette_.Reset();
    Unlist(ddraw_->palettes_, this);
    ddraw_ = nullptr;
}

IDirectDrawPalette* TDirectDrawPalette::IDDPalette() const {
    if (!palette_)
        throw EDirectDrawPaletteError(Format("%s not made", "IDirectDrawPalette"));
    return palette_.Get();
}

bool TDirectDrawPalette::CreatePalette(DWORD caps, const PALETTEENTRY* entries) {
    palette_.Reset();
    if (!ddraw_)
        throw EDirectDrawError(Format("%s not made", "IDirectDraw"));
    SetLastResult(ddraw_->IDraw()->CreatePalette(caps, entries, palette_.Receive(), nullptr));
    return LastResult() == DD_OK;
}

void TDirectDrawPalette::SetEntries(int start, int count, const PALETTEENTRY* entries) {
    SetLastResult(
        IDDPalette()->SetEntries(0, static_cast<DWORD>(start), static_cast<DWORD>(count), entries));
}
