// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The display stand-in: a small software DirectDraw. A device makes surfaces, clippers and
// palettes; surfaces are blocks of memory in a pixel format (32-bit XRGB, the display format,
// unless the description asks for 8, 16, 24 or 32 bits), with the operations the drawing layer
// calls and the result codes it tests. The primary surface stands for the screen: a blit onto it
// through a clipper bound to a widget lands in that widget's picture, which is repainted before
// the call returns. The library is registered with the run-time loader as "DDraw.dll" with the
// entry point "DirectDrawCreate" (RegisterDDrawLibrary).
//
// Interfaces are reference counted like the originals: every object made or handed out by the
// stand-in carries one reference that the caller gives back with Release. A window handle is the
// widget; a device context is a platform::DeviceContext over the surface's memory.
#include <cstdint>

class QImage;
class QPainter;
class QRect;
class QWidget;
namespace platform {
class DeviceContext;
}

using HRESULT = std::int32_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using HWND = QWidget*;
using HDC = platform::DeviceContext*;

struct RECT {
    LONG left = 0, top = 0, right = 0, bottom = 0;
};

struct PALETTEENTRY {
    std::uint8_t peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};

// Result codes. DD_OK, DDERR_SURFACELOST and DDERR_BLTFASTCANTCLIP are the values the drawing
// layer compares with; the others tell callers and tests what went wrong.
constexpr HRESULT MakeDDResult(unsigned code) {
    return static_cast<HRESULT>(0x88760000u | code);
}
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_GENERIC = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT DDERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT DDERR_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DDERR_INVALIDCAPS = MakeDDResult(100);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = MakeDDResult(145);
constexpr HRESULT DDERR_INVALIDRECT = MakeDDResult(150);
constexpr HRESULT DDERR_NOCLIPLIST = MakeDDResult(205);
constexpr HRESULT DDERR_NOCOLORKEY = MakeDDResult(215);
constexpr HRESULT DDERR_NOCOOPERATIVELEVELSET = MakeDDResult(212);
constexpr HRESULT DDERR_NODIRECTDRAWHW = MakeDDResult(223);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = MakeDDResult(225);
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = MakeDDResult(380);
constexpr HRESULT DDERR_SURFACEBUSY = MakeDDResult(430);
constexpr HRESULT DDERR_SURFACELOST = MakeDDResult(450);
constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = MakeDDResult(564);
constexpr HRESULT DDERR_BLTFASTCANTCLIP = MakeDDResult(574);
constexpr HRESULT DDERR_NOCLIPPERATTACHED = MakeDDResult(575);
constexpr HRESULT DDERR_NOPALETTEATTACHED = MakeDDResult(579);
constexpr HRESULT DDERR_NOTFLIPPABLE = MakeDDResult(582);
constexpr HRESULT DDERR_NOTLOCKED = MakeDDResult(584);
constexpr HRESULT DDERR_WRONGMODE = MakeDDResult(587);
constexpr HRESULT DDERR_CANTCREATEDC = MakeDDResult(589);
constexpr HRESULT DDERR_DCALREADYCREATED = MakeDDResult(620);

// Surface description flags, capabilities and pixel format flags.
constexpr DWORD DDSD_CAPS = 0x1;
constexpr DWORD DDSD_HEIGHT = 0x2;
constexpr DWORD DDSD_WIDTH = 0x4;
constexpr DWORD DDSD_PITCH = 0x8;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x20;
constexpr DWORD DDSD_LPSURFACE = 0x800;
constexpr DWORD DDSD_PIXELFORMAT = 0x1000;
constexpr DWORD DDSD_CKSRCBLT = 0x10000;

constexpr DWORD DDSCAPS_COMPLEX = 0x8;
constexpr DWORD DDSCAPS_FLIP = 0x10;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr DWORD DDSCAPS_3DDEVICE = 0x2000;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x4000;

constexpr DWORD DDPF_PALETTEINDEXED8 = 0x20;
constexpr DWORD DDPF_RGB = 0x40;

// Blits.
constexpr DWORD DDBLT_COLORFILL = 0x400;
constexpr DWORD DDBLT_DDFX = 0x800;
constexpr DWORD DDBLT_KEYSRC = 0x8000;
constexpr DWORD DDBLT_WAIT = 0x1000000;
constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x0;
constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x1;
constexpr DWORD DDBLTFAST_WAIT = 0x10;
constexpr DWORD DDBLTFX_MIRRORLEFTRIGHT = 0x2;
constexpr DWORD DDBLTFX_MIRRORUPDOWN = 0x4;

constexpr DWORD DDFLIP_WAIT = 0x1;
constexpr DWORD DDCKEY_SRCBLT = 0x8;
constexpr DWORD DDLOCK_WAIT = 0x1;
constexpr DWORD DDLOCK_READONLY = 0x10;
constexpr DWORD DDLOCK_WRITEONLY = 0x20;

// Cooperative levels, palette capabilities, vertical blank.
constexpr DWORD DDSCL_FULLSCREEN = 0x1;
constexpr DWORD DDSCL_ALLOWREBOOT = 0x2;
constexpr DWORD DDSCL_NOWINDOWCHANGES = 0x4;
constexpr DWORD DDSCL_NORMAL = 0x8;
constexpr DWORD DDSCL_EXCLUSIVE = 0x10;
constexpr DWORD DDSCL_ALLOWMODEX = 0x40;
constexpr DWORD DDPCAPS_8BIT = 0x4;
constexpr DWORD DDPCAPS_INITIALIZE = 0x8;
constexpr DWORD DDPCAPS_ALLOW256 = 0x40;
constexpr DWORD DDWAITVB_BLOCKBEGIN = 0x1;
constexpr DWORD DDWAITVB_BLOCKEND = 0x4;

// The records carry their size first, as the callers fill it in. The stand-in identifies them by
// the sizes of the classic 32-bit layout (the surface description 108 bytes, the blit effects 100,
// the capability record 380), whatever sizeof gives on this machine.
constexpr DWORD DDSURFACEDESC_SIZE = 108;
constexpr DWORD DDBLTFX_SIZE = 100;
constexpr DWORD DDCAPS_SIZE = 380;
constexpr DWORD DDPIXELFORMAT_SIZE = 32;

struct DDCOLORKEY {
    DWORD dwColorSpaceLowValue = 0;
    DWORD dwColorSpaceHighValue = 0;
};

struct DDPIXELFORMAT {
    DWORD dwSize = 0;
    DWORD dwFlags = 0;
    DWORD dwFourCC = 0;
    DWORD dwRGBBitCount = 0;
    DWORD dwRBitMask = 0;
    DWORD dwGBitMask = 0;
    DWORD dwBBitMask = 0;
    DWORD dwRGBAlphaBitMask = 0;
};

struct DDSCAPS {
    DWORD dwCaps = 0;
};

struct DDSURFACEDESC {
    DWORD dwSize = 0;
    DWORD dwFlags = 0;
    DWORD dwHeight = 0;
    DWORD dwWidth = 0;
    LONG lPitch = 0;
    DWORD dwBackBufferCount = 0;
    DWORD dwRefreshRate = 0;
    DWORD dwAlphaBitDepth = 0;
    DWORD dwReserved = 0;
    void* lpSurface = nullptr;
    DDCOLORKEY ddckCKDestOverlay;
    DDCOLORKEY ddckCKDestBlt;
    DDCOLORKEY ddckCKSrcOverlay;
    DDCOLORKEY ddckCKSrcBlt;
    DDPIXELFORMAT ddpfPixelFormat;
    DDSCAPS ddsCaps;
};

struct DDBLTFX {
    DWORD dwSize = 0;
    DWORD dwDDFX = 0;
    DWORD dwROP = 0;
    DWORD dwFillColor = 0;
    DDCOLORKEY ddckDestColorkey;
    DDCOLORKEY ddckSrcColorkey;
};

struct DDCAPS {
    DWORD dwSize = 0;
    DWORD dwCaps = 0;
    DWORD dwCaps2 = 0;
    DWORD dwCKeyCaps = 0;
    DWORD dwFXCaps = 0;
    DWORD dwPalCaps = 0;
    DWORD dwVidMemTotal = 0;
    DWORD dwVidMemFree = 0;
};

// Interface identifiers for QueryInterface.
enum class DDInterface {
    IDirectDraw,
    IDirectDraw4,
    IDirectDraw7,
    IDirectDrawSurface,
    IDirectDrawSurface4
};

class IDirectDrawClipper {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    // Binds the clipper to a window: blits onto the primary surface land only in its visible part.
    virtual HRESULT SetHWnd(DWORD flags, HWND window) = 0;
    virtual HRESULT GetHWnd(HWND* window) = 0;

protected:
    virtual ~IDirectDrawClipper() = default;
};

class IDirectDrawPalette {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetCaps(DWORD* caps) = 0;
    virtual HRESULT SetEntries(DWORD flags, DWORD start, DWORD count,
                               const PALETTEENTRY* entries) = 0;
    virtual HRESULT GetEntries(DWORD flags, DWORD start, DWORD count, PALETTEENTRY* entries) = 0;

protected:
    virtual ~IDirectDrawPalette() = default;
};

class IDirectDrawSurface {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT QueryInterface(DDInterface id, void** object) = 0;
    // destRect and srcRect null mean the whole surface. Flags: DDBLT_COLORFILL (fx->dwFillColor),
    // DDBLT_KEYSRC (the source's colour key), DDBLT_DDFX (fx->dwDDFX mirroring), DDBLT_WAIT.
    // Sizes that differ stretch. A destination with a clipper clips; without one, a rectangle
    // outside either surface is DDERR_INVALIDRECT.
    virtual HRESULT Blt(const RECT* destRect, IDirectDrawSurface* source, const RECT* srcRect,
                        DWORD flags, const DDBLTFX* fx) = 0;
    // Unstretched, unclipped copy to (x, y): DDERR_BLTFASTCANTCLIP when this surface has a clipper.
    virtual HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface* source, const RECT* srcRect,
                            DWORD flags) = 0;
    virtual HRESULT Lock(const RECT* rect, DDSURFACEDESC* desc, DWORD flags, void* event) = 0;
    virtual HRESULT Unlock(void* pointer) = 0;
    virtual HRESULT GetDC(HDC* dc) = 0;
    virtual HRESULT ReleaseDC(HDC dc) = 0;
    virtual HRESULT IsLost() = 0;
    virtual HRESULT Restore() = 0;
    virtual HRESULT SetColorKey(DWORD flags, const DDCOLORKEY* key) = 0;
    virtual HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) = 0;
    virtual HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) = 0;
    virtual HRESULT SetClipper(IDirectDrawClipper* clipper) = 0;
    virtual HRESULT GetClipper(IDirectDrawClipper** clipper) = 0;
    virtual HRESULT SetPalette(IDirectDrawPalette* palette) = 0;
    virtual HRESULT GetPalette(IDirectDrawPalette** palette) = 0;
    // Page flipping needs an exclusive full-screen flipping chain, which the stand-in does not
    // make: DDERR_NOTFLIPPABLE.
    virtual HRESULT Flip(IDirectDrawSurface* target, DWORD flags) = 0;

protected:
    virtual ~IDirectDrawSurface() = default;
};
using IDirectDrawSurface4 = IDirectDrawSurface;

class IDirectDraw {
public:
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT QueryInterface(DDInterface id, void** object) = 0;
    virtual HRESULT GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
    virtual HRESULT CreateSurface(const DDSURFACEDESC* desc, IDirectDrawSurface** surface,
                                  void* outer) = 0;
    virtual HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, void* outer) = 0;
    virtual HRESULT CreatePalette(DWORD flags, const PALETTEENTRY* entries,
                                  IDirectDrawPalette** palette, void* outer) = 0;
    virtual HRESULT WaitForVerticalBlank(DWORD flags, void* event) = 0;
    virtual HRESULT GetDisplayMode(DDSURFACEDESC* desc) = 0;

protected:
    virtual ~IDirectDraw() = default;
};
using IDirectDraw4 = IDirectDraw;

// The library's entry point. driver must be null (the default display driver).
using DirectDrawCreateProc = HRESULT (*)(const void* driver, IDirectDraw** device, void* outer);
HRESULT DirectDrawCreate(const void* driver, IDirectDraw** device, void* outer);

// Holds one reference of an interface and gives it back when it goes.
template <typename T> class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            pointer_ = other.pointer_;
            other.pointer_ = nullptr;
        }
        return *this;
    }
    T* Get() const { return pointer_; }
    T* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }
    // For out-parameters: gives back the held reference and returns the slot.
    T** Receive() {
        Reset();
        return &pointer_;
    }
    void Reset() {
        if (pointer_)
            pointer_->Release();
        pointer_ = nullptr;
    }

private:
    T* pointer_ = nullptr;
};

namespace platform {

// Registers the stand-in with the run-time loader as "DDraw.dll" exposing "DirectDrawCreate".
void RegisterDDrawLibrary();

// The 256 entries of the system palette: the twenty static colours of the classic scheme at 0 to 9
// and 246 to 255, black in between.
const PALETTEENTRY* SystemPaletteEntries();

// Presentation is paced to the display refresh: at most one blit onto the primary surface per
// refresh interval, and WaitForVerticalBlank waits for the next interval. Tests and benchmarks
// switch pacing off.
void SetPresentationPacing(bool paced);
bool PresentationPacing();

// A window bound to a clipper shows what was blitted onto the primary surface by calling this
// from its paint event (area in the window's coordinates). Returns false when nothing was ever
// presented in the window. The primary surface is the screen in device pixels: on a screen of
// device pixel ratio r, a window's w x h shows rw x rh blitted pixels, drawn one to one.
bool PaintWindowPicture(QWidget* window, QPainter& painter, const QRect& area);
// What the window shows, as a copy of its client size in device pixels, 32-bit XRGB; a null
// image when nothing was presented. Reading it does not paint.
QImage WindowPicture(QWidget* window);
// How many blits have landed in the window so far.
int WindowPresentCount(QWidget* window);

// Test hooks.
enum class DDrawFault { Create, DirectDraw4, CreateSurface, CreateClipper, CreatePalette, Restore };
// The next count calls of the operation fail (CreateSurface only for descriptions whose
// capabilities include all of capsFilter).
void InjectDDrawFault(DDrawFault fault, int count, DWORD capsFilter = 0);
void ClearDDrawFaults();
// Marks every surface of every device lost, as when another program takes the display.
void LoseAllDDrawSurfaces();
// The video memory of each new device, in bytes (64 MiB unless set). Surfaces that do not ask for
// system memory go to video memory while it lasts.
void SetDDrawVideoMemory(std::uint64_t bytes);
// Number of interfaces alive (devices, surfaces, clippers, palettes); tests check it returns to 0.
int LiveDDrawObjects();

} // namespace platform
