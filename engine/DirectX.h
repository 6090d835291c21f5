// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The objects that wrap DirectDraw: the device (TDirectDraw), surfaces (TDirectDrawSurface) with
// their GDI canvas (TDirectDrawSurfaceCanvas), clippers (TDirectDrawClipper) and palettes
// (TDirectDrawPalette). Each keeps the result of its last DirectDraw call in LastResult and
// raises only at the few checks named below; each registers itself with the device that made it.
//
// Ownership: whoever makes a surface, clipper or palette owns it (std::unique_ptr). The device
// only lists them. When the device goes while some are still listed, it releases their
// interfaces (surfaces, then palettes, then clippers, the most recent first) and forgets them;
// their owners may still destroy them afterwards.
#include "platform/DDraw.h"
#include "platform/DirectXBase.h" // TDirectX and EDirectXError, shared by the DirectX wrappers
#include "platform/Exception.h"
#include "platform/Graphics.h"

#include <memory>
#include <vector>

class TDirectDrawSurface;
class TDirectDrawClipper;
class TDirectDrawPalette;

class EDirectDrawError : public EDirectXError {
public:
    using EDirectXError::EDirectXError;
};
class EDirectDrawSurfaceError : public EDirectXError {
public:
    using EDirectXError::EDirectXError;
};
class EDirectDrawClipperError : public EDirectXError {
public:
    using EDirectXError::EDirectXError;
};
class EDirectDrawPaletteError : public EDirectXError {
public:
    using EDirectXError::EDirectXError;
};

// The library and entry point the device is made from.
inline constexpr const char* DirectDrawLibraryName = "DDraw.dll";

class TDirectDraw : public TDirectX {
public:
    // Loads DirectDraw ("DDraw.dll") and makes the device for driver (null: the default display
    // driver); with directX7Mode the DirectX 7 entry point "DirectDrawCreateEx" is asked for
    // instead. Raises Exception "DDraw.dll not loaded" when the library or the entry point is
    // missing, EDirectDrawError "DirectDraw cannot be initialized" when the device cannot be
    // made, and "Necessary since DirectX 6" when it has no IDirectDraw4 form. Both capability
    // records are read once.
    explicit TDirectDraw(const void* driver = nullptr, bool directX7Mode = false);
    ~TDirectDraw() override;

    // The device interface; EDirectDrawError "IDirectDraw not made" when there is none.
    IDirectDraw* IDraw() const;
    IDirectDraw4* IDraw4() const;
    const DDCAPS& DriverCaps() const { return driverCaps_; }
    const DDCAPS& HELCaps() const { return helCaps_; }

    int SurfaceCount() const { return static_cast<int>(surfaces_.size()); }
    TDirectDrawSurface* Surfaces(int index) const { return surfaces_.at(index); }
    int ClipperCount() const { return static_cast<int>(clippers_.size()); }
    TDirectDrawClipper* Clippers(int index) const { return clippers_.at(index); }
    int PaletteCount() const { return static_cast<int>(palettes_.size()); }
    TDirectDrawPalette* Palettes(int index) const { return palettes_.at(index); }

private:
    friend class TDirectDrawSurface;
    friend class TDirectDrawClipper;
    friend class TDirectDrawPalette;

    ComPtr<IDirectDraw> draw_;
    ComPtr<IDirectDraw4> draw4_;
    DDCAPS driverCaps_;
    DDCAPS helCaps_;
    std::vector<TDirectDrawSurface*> surfaces_;
    std::vector<TDirectDrawClipper*> clippers_;
    std::vector<TDirectDrawPalette*> palettes_;
};

// GDI drawing on a surface: the device context is taken from the surface (GetDC) when drawing
// first needs one and given back by Release (ReleaseDC).
class TDirectDrawSurfaceCanvas : public TCanvas {
public:
    explicit TDirectDrawSurfaceCanvas(TDirectDrawSurface& surface) : surface_(surface) {}
    ~TDirectDrawSurfaceCanvas() override { Release(); }
    TDirectDrawSurfaceCanvas(const TDirectDrawSurfaceCanvas&) = delete;
    TDirectDrawSurfaceCanvas& operator=(const TDirectDrawSurfaceCanvas&) = delete;

    // Gives the device context back to the surface, when the canvas holds one.
    void Release();

protected:
    // Takes the surface's device context; a surface that gives none leaves the canvas without a
    // handle ("Canvas does not allow drawing" on the drawing call).
    void CreateHandle() override;

private:
    TDirectDrawSurface& surface_;
    HDC dc_ = nullptr;
};

class TDirectDrawSurface : public TDirectX {
public:
    // A surface object on ddraw, registered there; it has no surface interface yet.
    explicit TDirectDrawSurface(TDirectDraw* ddraw);
    ~TDirectDrawSurface() override;

    TDirectDraw* DDraw() const { return ddraw_; }
    TDirectDrawSurfaceCanvas& Canvas();
    bool HasClipper() const { return hasClipper_; }
    // The surface is (to be) made in system memory.
    bool SystemMemory() const { return systemMemory_; }
    void SetSystemMemory(bool value) { systemMemory_ = value; }

    // The surface interface, or null. ISurface and ISurface4 raise EDirectDrawSurfaceError
    // "IDirectDrawSurface not made" when there is none.
    IDirectDrawSurface* IDDSurface() const { return surface_.Get(); }
    IDirectDrawSurface* ISurface() const;
    IDirectDrawSurface4* ISurface4() const;
    // Attaches an interface (taking over the reference given), releasing the previous one: the
    // clipper flag, the lock and the description are cleared and read again from the new one.
    void SetIDDSurface(ComPtr<IDirectDrawSurface> surface);

    const DDSURFACEDESC& SurfaceDesc() const { return desc_; }
    // The size in pixels.
    int Width() const { return static_cast<int>(desc_.dwWidth); }
    int Height() const { return static_cast<int>(desc_.dwHeight); }
    // How many pixels one unit of the coordinates given to Draw and to the canvas spans: 1 for a
    // picture at its stored size; the drawing surface's scale for its back surface and for the
    // pictures drawn for it, so that the game's coordinates stay those of its layout. The canvas
    // takes the scale when it next takes a device context.
    double Scale() const { return scale_; }
    void SetScale(double value) { scale_ = value > 0 ? value : 1.0; }
    // The size in those units.
    int UnitWidth() const;
    int UnitHeight() const;
    RECT ClientRect() const { return RECT{0, 0, Width(), Height()}; }

    // Makes the surface from a description and keys it on pixel value 0; false on failure.
    bool CreateSurface(const DDSURFACEDESC& desc);
    // Colour fill of the whole surface with a pixel value.
    bool Fill(DWORD pixel);
    // The surface's Restore; false for a surface without an interface.
    bool Restore();
    // Attachments; their results are only recorded. Null detaches.
    void SetClipper(TDirectDrawClipper* clipper);
    void SetPalette(TDirectDrawPalette* palette);

    // An off-screen surface of w x h in the display's format, in video memory when it can be had
    // (unless SystemMemory), else in system memory. w or h <= 0 releases the interface. Raises
    // EDirectDrawSurfaceError "Surface cannot be made" when no attempt succeeds.
    void SetSize(int width, int height);
    // Pixel access. Lock fails without an interface or while locked (locks do not nest); a
    // rectangle equal to the whole surface counts as none.
    bool Lock(const RECT* rect, DDSURFACEDESC& desc);
    void Unlock();
    // Read and write one pixel by the pixel format's bit count; outside the surface, or when the
    // lock fails, reading gives 0 and writing does nothing.
    DWORD GetPixel(int x, int y);
    void SetPixel(int x, int y, DWORD value);
    // The source colour key for blits, as the range value to value.
    void SetTransparentPixel(DWORD value);
    // The pixel value GDI gives colour on this surface (0 without an interface).
    DWORD ColorMatch(TColor colour);
    // Copies src of source to (x, y), clipped to both surfaces; with transparent, pixels of the
    // source's colour key are left out. A reversed src draws the source mirrored. (x, y) are in
    // this surface's units and src in the source's: where the two scales make the rectangle's
    // pixels differ in size, the copy is stretched.
    void Draw(int x, int y, RECT src, TDirectDrawSurface* source, bool transparent);

private:
    friend class TDirectDraw;
    friend class TDirectDrawSurfaceCanvas;
    void Detach();
    // Draw in pixels of both surfaces, and stretched to width x height pixels.
    void DrawPixels(int x, int y, RECT src, TDirectDrawSurface* source, bool transparent);
    void DrawStretched(int x, int y, LONG width, LONG height, RECT src, TDirectDrawSurface* source,
                       bool transparent);

    TDirectDraw* ddraw_;
    std::unique_ptr<TDirectDrawSurfaceCanvas> canvas_;
    bool hasClipper_ = false;
    ComPtr<IDirectDrawSurface> surface_;
    ComPtr<IDirectDrawSurface4> surface4_;
    bool systemMemory_ = false;
    double scale_ = 1.0;
    DDSURFACEDESC desc_;
    int lockCount_ = 0;
    void* lockPointer_ = nullptr;
};

class TDirectDrawClipper : public TDirectX {
public:
    // Makes a clipper on ddraw; EDirectDrawClipperError "Clipper cannot be made" on failure.
    explicit TDirectDrawClipper(TDirectDraw* ddraw);
    ~TDirectDrawClipper() override;

    TDirectDraw* DDraw() const { return ddraw_; }
    // The clipper interface; EDirectDrawClipperError "IDirectDrawClipper not made" without one.
    IDirectDrawClipper* IDDClipper() const;
    // Binds the clipper to a window (SetHWnd); the result is only recorded.
    void SetHandle(HWND window);

private:
    friend class TDirectDraw;
    void Detach();

    TDirectDraw* ddraw_;
    ComPtr<IDirectDrawClipper> clipper_;
};

class TDirectDrawPalette : public TDirectX {
public:
    // A palette object on ddraw, registered there; it has no palette interface yet.
    explicit TDirectDrawPalette(TDirectDraw* ddraw);
    ~TDirectDrawPalette() override;

    TDirectDraw* DDraw() const { return ddraw_; }
    // The palette interface; EDirectDrawPaletteError "IDirectDrawPalette not made" without one.
    IDirectDrawPalette* IDDPalette() const;
    bool HasInterface() const { return static_cast<bool>(palette_); }
    // Makes the palette from 256 entries; false on failure (the result is recorded).
    bool CreatePalette(DWORD caps, const PALETTEENTRY* entries);
    // Sets count entries from start; the result is only recorded.
    void SetEntries(int start, int count, const PALETTEENTRY* entries);

private:
    friend class TDirectDraw;
    void Detach();

    TDirectDraw* ddraw_;
    ComPtr<IDirectDrawPalette> palette_;
};
