// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DDraw.h"

#include "platform/DDrawPixels.h"
#include "platform/Graphics.h"
#include "platform/Loader.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QRegion>
#include <QScreen>
#include <QWidget>
#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <thread>

using platform::ddraw::Box;
using platform::ddraw::Format;
using platform::ddraw::PixelBlock;
using platform::ddraw::View;

namespace {

// ---------------------------------------------------------------------------------------------
// Process-wide state: faults injected by tests, the video memory of new devices, live objects,
// presentation pacing.

constexpr std::uint64_t kDefaultVideoMemory = 64ull << 20;
constexpr std::uint64_t kLargestSurfaceBytes = 256ull << 20;
constexpr int kLargestSide = 16384;

struct FaultState {
    std::array<int, 6> counts{};
    DWORD capsFilter = 0;
};

FaultState& Faults() {
    static FaultState faults;
    return faults;
}

bool TakeFault(platform::DDrawFault fault, DWORD caps = 0) {
    FaultState& faults = Faults();
    int& count = faults.counts[static_cast<size_t>(fault)];
    if (count <= 0)
        return false;
    if (fault == platform::DDrawFault::CreateSurface &&
        (caps & faults.capsFilter) != faults.capsFilter)
        return false;
    --count;
    return true;
}

std::uint64_t& VideoMemoryOfNewDevices() {
    static std::uint64_t bytes = kDefaultVideoMemory;
    return bytes;
}

int& LiveObjects() {
    static int count = 0;
    return count;
}

// Counts one live interface for the lifetime of the object that holds it.
struct LiveCount {
    LiveCount() { ++LiveObjects(); }
    ~LiveCount() { --LiveObjects(); }
    LiveCount(const LiveCount&) = delete;
    LiveCount& operator=(const LiveCount&) = delete;
};

bool& PacingFlag() {
    static bool paced = true;
    return paced;
}

std::chrono::nanoseconds RefreshInterval() {
    double rate = 60.0;
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        if (screen->refreshRate() >= 1.0)
            rate = screen->refreshRate();
    }
    return std::chrono::nanoseconds(static_cast<std::int64_t>(1e9 / rate));
}

// A synchronised swap: a presentation waits until one refresh interval has passed since the
// previous one.
void PacePresentation() {
    static std::chrono::steady_clock::time_point last;
    if (!PacingFlag())
        return;
    const auto due = last + RefreshInterval();
    if (std::chrono::steady_clock::now() < due)
        std::this_thread::sleep_until(due);
    last = std::chrono::steady_clock::now();
}

void WaitForNextRefresh() {
    static const auto epoch = std::chrono::steady_clock::now();
    if (!PacingFlag())
        return;
    const auto interval = RefreshInterval();
    const auto since = std::chrono::steady_clock::now() - epoch;
    const auto next = epoch + (since / interval + 1) * interval;
    std::this_thread::sleep_until(next);
}

// The screen in its device pixels, the ones the primary surface is made of.
QSize ScreenSize() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualSize() * screen->devicePixelRatio() : QSize();
}

// A window's pictures are kept in its device pixels: on a screen of device pixel ratio 2 a
// window of 637 x 470 shows 1274 x 940 pixels, each blitted pixel landing on one of them.
double RatioOf(const QWidget* window) {
    return window->devicePixelRatioF();
}
QSize DeviceSize(const QWidget* window) {
    const double ratio = RatioOf(window);
    return QSize(static_cast<int>(std::lround(window->width() * ratio)),
                 static_cast<int>(std::lround(window->height() * ratio)));
}
QRect ToLogical(const QRect& device, double ratio) {
    if (ratio == 1.0)
        return device;
    return QRectF(device.x() / ratio, device.y() / ratio, device.width() / ratio,
                  device.height() / ratio)
        .toAlignedRect();
}

// ---------------------------------------------------------------------------------------------
// Rectangles and checks.

bool Normal(const Box& box) {
    return box.left <= box.right && box.top <= box.bottom;
}

Box ToBox(const RECT* rect, const Box& whole) {
    return rect ? Box{rect->left, rect->top, rect->right, rect->bottom} : whole;
}

bool Inside(const Box& inner, const Box& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

HRESULT CheckedSize(const DDSURFACEDESC* desc) {
    return desc && desc->dwSize == DDSURFACEDESC_SIZE ? DD_OK : DDERR_INVALIDPARAMS;
}

// ---------------------------------------------------------------------------------------------
// What the windows show: for each window, the picture that blits onto the primary surface left
// there. A plain copy of a 32-bit surface is kept as a reference to that surface's memory, drawn
// straight into the window when it paints (no copy beyond the one into the window); anything
// else is composed into the window's own image.

struct WindowPictureState {
    QImage owned;
    std::shared_ptr<PixelBlock> reference;
    QRect referenceDest;    // in window coordinates
    QPoint referenceSource; // source pixel shown at referenceDest's top-left
    int presents = 0;
};

std::map<const QWidget*, WindowPictureState>& WindowPictures() {
    static std::map<const QWidget*, WindowPictureState> pictures;
    return pictures;
}

WindowPictureState& PictureOf(QWidget* window) {
    auto& pictures = WindowPictures();
    auto found = pictures.find(window);
    if (found != pictures.end())
        return found->second;
    QObject::connect(window, &QObject::destroyed, [window] { WindowPictures().erase(window); });
    return pictures[window];
}

QImage ReferenceImage(const WindowPictureState& picture) {
    const PixelBlock& block = *picture.reference;
    return QImage(block.bytes.get(), block.width, block.height, block.pitch, QImage::Format_RGB32);
}

void DrawReference(QPainter& painter, const WindowPictureState& picture, const QRect& area) {
    const QRect target = picture.referenceDest & area;
    if (target.isEmpty())
        return;
    const QPoint offset = picture.referenceSource - picture.referenceDest.topLeft();
    painter.drawImage(target.topLeft(), ReferenceImage(picture), target.translated(offset));
}

// Turns the window's picture into its own image of the window's size, keeping what it showed.
void Materialise(WindowPictureState& picture, const QSize& size) {
    if (picture.owned.size() != size) {
        QImage resized(size, QImage::Format_RGB32);
        resized.fill(0);
        if (!picture.owned.isNull()) {
            QPainter painter(&resized);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawImage(0, 0, picture.owned);
        }
        picture.owned = std::move(resized);
    }
    if (picture.reference) {
        QPainter painter(&picture.owned);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        DrawReference(painter, picture, picture.owned.rect());
        picture.reference.reset();
    }
}

View ViewOf(QImage& image) {
    return View{image.bits(), image.width(), image.height(), static_cast<int>(image.bytesPerLine()),
                4};
}

// ---------------------------------------------------------------------------------------------
// The interfaces.

struct DeviceState {
    std::uint64_t videoFree = kDefaultVideoMemory;
    bool primaryExists = false;
    bool cooperativeLevelSet = false;
};

class Clipper;
class Palette;
class Surface;

std::set<Surface*>& LiveSurfaces() {
    static std::set<Surface*> surfaces;
    return surfaces;
}

template <typename Interface> class RefCounted : public Interface {
public:
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override {
        const ULONG left = --references_;
        if (left == 0)
            delete this; // the last reference owns the object, as with any COM interface
        return left;
    }

private:
    ULONG references_ = 1;
    LiveCount live_;
};

class Clipper final : public RefCounted<IDirectDrawClipper> {
public:
    HRESULT SetHWnd(DWORD flags, HWND window) override {
        if (flags != 0)
            return DDERR_INVALIDPARAMS;
        window_ = window;
        bound_ = window != nullptr;
        return DD_OK;
    }
    HRESULT GetHWnd(HWND* window) override {
        if (!window)
            return DDERR_INVALIDPARAMS;
        *window = window_.data();
        return DD_OK;
    }
    bool Bound() const { return bound_; }
    QWidget* Window() const { return window_.data(); }

private:
    QPointer<QWidget> window_;
    bool bound_ = false;
};

class Palette final : public RefCounted<IDirectDrawPalette> {
public:
    Palette(DWORD caps, const PALETTEENTRY* entries) : caps_(caps) {
        std::copy(entries, entries + 256, entries_.begin());
    }
    HRESULT GetCaps(DWORD* caps) override {
        if (!caps)
            return DDERR_INVALIDPARAMS;
        *caps = caps_;
        return DD_OK;
    }
    HRESULT SetEntries(DWORD flags, DWORD start, DWORD count,
                       const PALETTEENTRY* entries) override {
        if (flags != 0 || !entries || start > 256 || count > 256 - start)
            return DDERR_INVALIDPARAMS;
        std::copy(entries, entries + count, entries_.begin() + start);
        return DD_OK;
    }
    HRESULT GetEntries(DWORD flags, DWORD start, DWORD count, PALETTEENTRY* entries) override {
        if (flags != 0 || !entries || start > 256 || count > 256 - start)
            return DDERR_INVALIDPARAMS;
        std::copy(entries_.begin() + start, entries_.begin() + start + count, entries);
        return DD_OK;
    }
    QList<QRgb> ColorTable() const {
        QList<QRgb> table;
        for (const PALETTEENTRY& entry : entries_)
            table.push_back(qRgb(entry.peRed, entry.peGreen, entry.peBlue));
        return table;
    }

private:
    DWORD caps_;
    std::array<PALETTEENTRY, 256> entries_;
};

// A surface's attachment slot (clipper or palette): attaching null to an empty slot is refused
// with `none`, otherwise the slot takes a reference to the new object (or empties).
template <typename T> HRESULT Attach(ComPtr<T>& slot, T* value, HRESULT none) {
    if (!value && !slot)
        return none;
    if (value)
        value->AddRef();
    *slot.Receive() = value;
    return DD_OK;
}

// Hands out the slot's object with a reference of its own, or `none` when the slot is empty.
template <typename T, typename Interface>
HRESULT Attached(const ComPtr<T>& slot, Interface** out, HRESULT none) {
    if (!out)
        return DDERR_INVALIDPARAMS;
    *out = slot.Get();
    if (!slot)
        return none;
    slot->AddRef();
    return DD_OK;
}

class Surface final : public RefCounted<IDirectDrawSurface> {
public:
    Surface(std::shared_ptr<DeviceState> device, bool primary, DWORD caps, const Format& format,
            int width, int height, std::uint64_t videoBytes)
        : device_(std::move(device)), primary_(primary), caps_(caps), format_(format),
          width_(width), height_(height), videoBytes_(videoBytes) {
        if (!primary_)
            pixels_ = std::make_shared<PixelBlock>(width_, height_, format_.BytesPerPixel());
        LiveSurfaces().insert(this);
    }
    ~Surface() override {
        LiveSurfaces().erase(this);
        dc_.reset();
        device_->videoFree += videoBytes_;
        if (primary_)
            device_->primaryExists = false;
    }

    HRESULT QueryInterface(DDInterface id, void** object) override {
        if (!object)
            return DDERR_INVALIDPARAMS;
        *object = nullptr;
        if (id != DDInterface::IDirectDrawSurface && id != DDInterface::IDirectDrawSurface4)
            return DDERR_NOINTERFACE;
        AddRef();
        *object = static_cast<IDirectDrawSurface*>(this);
        return DD_OK;
    }

    HRESULT Blt(const RECT* destRect, IDirectDrawSurface* sourceInterface, const RECT* srcRect,
                DWORD flags, const DDBLTFX* fx) override;
    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface* sourceInterface, const RECT* srcRect,
                    DWORD flags) override;

    HRESULT Lock(const RECT* rect, DDSURFACEDESC* desc, DWORD flags, void* event) override {
        if (CheckedSize(desc) != DD_OK || event != nullptr ||
            (flags & ~(DDLOCK_WAIT | DDLOCK_READONLY | DDLOCK_WRITEONLY)) != 0)
            return DDERR_INVALIDPARAMS;
        if (primary_)
            return DDERR_UNSUPPORTED; // the screen is not memory of ours
        if (lost_)
            return DDERR_SURFACELOST;
        if (Busy())
            return DDERR_SURFACEBUSY;
        const Box box = ToBox(rect, Whole());
        if (!Normal(box) || !Inside(box, Whole()))
            return DDERR_INVALIDRECT;
        Describe(*desc);
        Written();
        lockHold_ = pixels_;
        lockPointer_ = pixels_->Line(static_cast<int>(box.top)) +
                       static_cast<size_t>(box.left) * static_cast<size_t>(format_.BytesPerPixel());
        desc->lpSurface = lockPointer_;
        desc->dwFlags |= DDSD_LPSURFACE;
        return DD_OK;
    }
    HRESULT Unlock(void* pointer) override {
        if (!lockHold_)
            return DDERR_NOTLOCKED;
        if (pointer != nullptr && pointer != lockPointer_)
            return DDERR_INVALIDPARAMS;
        lockHold_.reset();
        lockPointer_ = nullptr;
        Written();
        return DD_OK;
    }

    HRESULT GetDC(HDC* dc) override;
    HRESULT ReleaseDC(HDC dc) override;

    HRESULT IsLost() override { return lost_ ? DDERR_SURFACELOST : DD_OK; }
    HRESULT Restore() override {
        if (!lost_)
            return DD_OK;
        if (TakeFault(platform::DDrawFault::Restore))
            return DDERR_WRONGMODE;
        if (!primary_) {
            pixels_ = std::make_shared<PixelBlock>(width_, height_, format_.BytesPerPixel());
            // The memory comes back with whatever was left in it.
            std::fill_n(pixels_->bytes.get(), pixels_->Size(), std::uint8_t{0xA5});
        }
        Written();
        lost_ = false;
        return DD_OK;
    }

    HRESULT SetColorKey(DWORD flags, const DDCOLORKEY* key) override {
        if (flags != DDCKEY_SRCBLT)
            return DDERR_UNSUPPORTED;
        hasKey_ = key != nullptr;
        if (key)
            key_ = *key;
        return DD_OK;
    }
    HRESULT GetColorKey(DWORD flags, DDCOLORKEY* key) override {
        if (flags != DDCKEY_SRCBLT || !key)
            return DDERR_INVALIDPARAMS;
        if (!hasKey_)
            return DDERR_NOCOLORKEY;
        *key = key_;
        return DD_OK;
    }
    HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) override {
        if (CheckedSize(desc) != DD_OK)
            return DDERR_INVALIDPARAMS;
        Describe(*desc);
        return DD_OK;
    }

    HRESULT SetClipper(IDirectDrawClipper* clipper) override {
        return Attach(clipper_, static_cast<Clipper*>(clipper), DDERR_NOCLIPPERATTACHED);
    }
    HRESULT GetClipper(IDirectDrawClipper** clipper) override {
        return Attached(clipper_, clipper, DDERR_NOCLIPPERATTACHED);
    }
    HRESULT SetPalette(IDirectDrawPalette* palette) override {
        if (palette && format_.bits != 8)
            return DDERR_INVALIDPIXELFORMAT; // only palette-indexed surfaces take a palette
        return Attach(palette_, static_cast<Palette*>(palette), DDERR_NOPALETTEATTACHED);
    }
    HRESULT GetPalette(IDirectDrawPalette** palette) override {
        return Attached(palette_, palette, DDERR_NOPALETTEATTACHED);
    }

    HRESULT Flip(IDirectDrawSurface*, DWORD) override { return DDERR_NOTFLIPPABLE; }

    void Lose() {
        lost_ = true;
        pixels_.reset(); // a lock or device context still out keeps its memory until given back
        Written();
    }

private:
    bool Busy() const { return lockHold_ != nullptr || dc_ != nullptr; }
    // Whatever may change the pixels: the runs worked out for them no longer hold.
    void Written() {
        keyRuns_.reset();
        keyedCopiesSinceWrite_ = 0;
    }
    // The runs of this surface's pixels outside the key of a keyed copy from it, worked out at
    // the second keyed copy with no change of the pixels between (a picture drawn once after
    // each change is not worth the look); null until then, and for other pixel sizes.
    const platform::ddraw::KeyRuns* KeyRunsFor(const platform::ddraw::CopyOptions& options) {
        if (format_.bits != 32 || !pixels_)
            return nullptr;
        const DWORD low = options.keyLow & options.keyMask;
        const DWORD high = options.keyHigh & options.keyMask;
        if (keyRuns_ && keyRuns_->SameKey(options.keyMask, low, high))
            return keyRuns_.get();
        if (++keyedCopiesSinceWrite_ < 2)
            return nullptr;
        keyRuns_ =
            std::make_unique<platform::ddraw::KeyRuns>(PixelView(), options.keyMask, low, high);
        return keyRuns_.get();
    }
    Box Whole() const { return Box{0, 0, width_, height_}; }
    View PixelView() const {
        return View{pixels_->bytes.get(), width_, height_, pixels_->pitch, format_.BytesPerPixel()};
    }
    void Describe(DDSURFACEDESC& desc) const {
        desc = DDSURFACEDESC{};
        desc.dwSize = DDSURFACEDESC_SIZE;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
        desc.dwWidth = static_cast<DWORD>(width_);
        desc.dwHeight = static_cast<DWORD>(height_);
        desc.lPitch = primary_ ? width_ * format_.BytesPerPixel()
                               : PixelBlock::PitchFor(width_, format_.BytesPerPixel());
        desc.ddpfPixelFormat = format_.Describe();
        desc.ddsCaps.dwCaps = caps_;
        if (hasKey_) {
            desc.dwFlags |= DDSD_CKSRCBLT;
            desc.ddckCKSrcBlt = key_;
        }
    }
    QList<QRgb> ColorTable() const {
        if (palette_)
            return static_cast<Palette*>(palette_.Get())->ColorTable();
        QList<QRgb> table;
        const PALETTEENTRY* entries = platform::SystemPaletteEntries();
        for (int i = 0; i < 256; ++i)
            table.push_back(qRgb(entries[i].peRed, entries[i].peGreen, entries[i].peBlue));
        return table;
    }
    // Checks shared by both blits once the destination and source rectangles are known.
    HRESULT CheckSource(Surface* source) const {
        if (lost_ || (source && source->lost_))
            return DDERR_SURFACELOST;
        if (Busy() || (source && source->Busy()))
            return DDERR_SURFACEBUSY;
        if (source && (source->primary_ || source->format_.bits != format_.bits))
            return DDERR_INVALIDPIXELFORMAT;
        return DD_OK;
    }
    HRESULT PresentOnScreen(const Box& dest, Surface* source, const Box& src, bool fill,
                            DWORD fillValue, const platform::ddraw::CopyOptions& options);

    std::shared_ptr<DeviceState> device_;
    const bool primary_;
    const DWORD caps_;
    const Format format_;
    const int width_, height_;
    const std::uint64_t videoBytes_;
    std::shared_ptr<PixelBlock> pixels_;
    bool lost_ = false;
    bool hasKey_ = false;
    DDCOLORKEY key_;
    ComPtr<Clipper> clipper_;
    ComPtr<Palette> palette_;
    std::shared_ptr<PixelBlock> lockHold_;
    void* lockPointer_ = nullptr;
    std::shared_ptr<PixelBlock> dcHold_;
    QImage dcStaging_;
    std::unique_ptr<platform::DeviceContext> dc_;
    std::unique_ptr<platform::ddraw::KeyRuns> keyRuns_;
    int keyedCopiesSinceWrite_ = 0;

    friend class Device;
};

HRESULT Surface::Blt(const RECT* destRect, IDirectDrawSurface* sourceInterface, const RECT* srcRect,
                     DWORD flags, const DDBLTFX* fx) {
    constexpr DWORD known = DDBLT_COLORFILL | DDBLT_DDFX | DDBLT_KEYSRC | DDBLT_WAIT;
    if ((flags & ~known) != 0 || (fx && fx->dwSize != DDBLTFX_SIZE))
        return DDERR_INVALIDPARAMS;
    const bool fill = (flags & DDBLT_COLORFILL) != 0;
    if ((fill || (flags & DDBLT_DDFX)) && !fx)
        return DDERR_INVALIDPARAMS;
    auto* source = static_cast<Surface*>(fill ? nullptr : sourceInterface);
    if (!fill && !source)
        return DDERR_INVALIDPARAMS;
    platform::ddraw::CopyOptions options;
    if (flags & DDBLT_DDFX) {
        if ((fx->dwDDFX & ~(DDBLTFX_MIRRORLEFTRIGHT | DDBLTFX_MIRRORUPDOWN)) != 0)
            return DDERR_UNSUPPORTED;
        options.mirrorX = (fx->dwDDFX & DDBLTFX_MIRRORLEFTRIGHT) != 0;
        options.mirrorY = (fx->dwDDFX & DDBLTFX_MIRRORUPDOWN) != 0;
    }
    if (const HRESULT checked = CheckSource(source); checked != DD_OK)
        return checked;
    if (flags & DDBLT_KEYSRC) {
        if (fill)
            return DDERR_INVALIDPARAMS;
        if (!source->hasKey_)
            return DDERR_NOCOLORKEY;
        options.keyed = true;
        options.keyLow = source->key_.dwColorSpaceLowValue;
        options.keyHigh = source->key_.dwColorSpaceHighValue;
        options.keyMask = format_.ColourMask();
    }
    const Box dest = ToBox(destRect, Whole());
    const Box src = fill ? Box{} : ToBox(srcRect, source->Whole());
    if (!Normal(dest) || !Normal(src) || (!fill && !Inside(src, source->Whole())))
        return DDERR_INVALIDRECT;
    if (dest.Empty() || (!fill && src.Empty()))
        return DD_OK;
    const DWORD fillValue = fill ? fx->dwFillColor & format_.ValueMask() : 0;
    if (primary_)
        return PresentOnScreen(dest, source, src, fill, fillValue, options);
    Box clip = Whole();
    if (!clipper_) {
        if (!Inside(dest, Whole()))
            return DDERR_INVALIDRECT;
    }
    Written();
    if (fill) {
        platform::ddraw::FillBox(PixelView(), dest.Intersected(clip), fillValue);
    } else {
        if (options.keyed && source != this)
            options.runs = source->KeyRunsFor(options);
        platform::ddraw::CopyBox(PixelView(), dest, source->PixelView(), src, clip, options);
    }
    return DD_OK;
}

HRESULT Surface::BltFast(DWORD x, DWORD y, IDirectDrawSurface* sourceInterface, const RECT* srcRect,
                         DWORD flags) {
    if ((flags & ~(DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT)) != 0 || !sourceInterface)
        return DDERR_INVALIDPARAMS;
    if (clipper_)
        return DDERR_BLTFASTCANTCLIP;
    auto* source = static_cast<Surface*>(sourceInterface);
    if (const HRESULT checked = CheckSource(source); checked != DD_OK)
        return checked;
    platform::ddraw::CopyOptions options;
    if (flags & DDBLTFAST_SRCCOLORKEY) {
        if (!source->hasKey_)
            return DDERR_NOCOLORKEY;
        options.keyed = true;
        options.keyLow = source->key_.dwColorSpaceLowValue;
        options.keyHigh = source->key_.dwColorSpaceHighValue;
        options.keyMask = format_.ColourMask();
    }
    const Box src = ToBox(srcRect, source->Whole());
    const Box dest{x, y, std::int64_t{x} + src.Width(), std::int64_t{y} + src.Height()};
    if (!Normal(src) || !Inside(src, source->Whole()) || !Inside(dest, Whole()))
        return DDERR_INVALIDRECT;
    if (primary_ || src.Empty())
        return DD_OK; // without a clipper the screen is not a window of ours: nothing to show
    Written();
    if (options.keyed && source != this)
        options.runs = source->KeyRunsFor(options);
    platform::ddraw::CopyBox(PixelView(), dest, source->PixelView(), src, Whole(), options);
    return DD_OK;
}

HRESULT Surface::PresentOnScreen(const Box& dest, Surface* source, const Box& src, bool fill,
                                 DWORD fillValue, const platform::ddraw::CopyOptions& options) {
    if (!clipper_) {
        // Without a clipper the blit would go to the desktop, which is no window of ours.
        return Inside(dest, Whole()) ? DD_OK : DDERR_INVALIDRECT;
    }
    if (!clipper_->Bound())
        return DDERR_NOCLIPLIST;
    QWidget* window = clipper_->Window();
    if (!window || !window->isVisible())
        return DD_OK; // a window that is gone or hidden has nothing visible to clip to
    const double ratio = RatioOf(window);
    const QPoint logicalOrigin = window->mapToGlobal(QPoint(0, 0));
    const QPoint origin(static_cast<int>(std::lround(logicalOrigin.x() * ratio)),
                        static_cast<int>(std::lround(logicalOrigin.y() * ratio)));
    const Box local = dest.Translated(-origin.x(), -origin.y());
    const QSize deviceSize = DeviceSize(window);
    const Box windowBox{0, 0, deviceSize.width(), deviceSize.height()};
    const Box shown = local.Intersected(windowBox);
    if (shown.Empty())
        return DD_OK;

    PacePresentation();
    WindowPictureState& picture = PictureOf(window);
    const bool plainCopy = !fill && !options.keyed && !options.mirrorX && !options.mirrorY &&
                           local.Width() == src.Width() && local.Height() == src.Height() &&
                           source->format_.bits == 32;
    if (plainCopy) {
        const QRect newDest = local.ToQRect();
        if (newDest.contains(windowBox.ToQRect()))
            picture.owned = QImage(); // the copy covers all the window shows: nothing else stays
        else if (picture.reference &&
                 !newDest.contains(picture.referenceDest & windowBox.ToQRect()))
            Materialise(picture, deviceSize);
        picture.reference = source->pixels_;
        picture.referenceDest = newDest;
        picture.referenceSource = QPoint(static_cast<int>(src.left), static_cast<int>(src.top));
    } else {
        Materialise(picture, deviceSize);
        const View target = ViewOf(picture.owned);
        if (fill)
            platform::ddraw::FillBox(target, shown, fillValue);
        else
            platform::ddraw::CopyBox(target, local, source->PixelView(), src, windowBox, options);
    }
    ++picture.presents;
    // Inside the window's own paint event the picture is drawn by that event itself.
    if (!window->testAttribute(Qt::WA_WState_InPaintEvent))
        window->repaint(ToLogical(shown.ToQRect(), ratio));
    return DD_OK;
}

HRESULT Surface::GetDC(HDC* dc) {
    if (!dc)
        return DDERR_INVALIDPARAMS;
    *dc = nullptr;
    if (primary_)
        return DDERR_CANTCREATEDC;
    if (lost_)
        return DDERR_SURFACELOST;
    if (dc_)
        return DDERR_DCALREADYCREATED;
    if (lockHold_)
        return DDERR_SURFACEBUSY;
    Written();
    dcHold_ = pixels_;
    if (format_.IsDisplayFormat()) {
        dc_ = std::make_unique<platform::DeviceContext>(pixels_->bytes.get(), width_, height_,
                                                        pixels_->pitch);
    } else {
        // GDI draws in 32 bits on a copy that goes back into the surface's format on release.
        QImage native(pixels_->bytes.get(), width_, height_, pixels_->pitch, format_.ImageFormat());
        if (format_.bits == 8)
            native.setColorTable(ColorTable());
        dcStaging_ = native.convertToFormat(QImage::Format_RGB32);
        dc_ = std::make_unique<platform::DeviceContext>(
            dcStaging_.bits(), width_, height_, static_cast<int>(dcStaging_.bytesPerLine()));
    }
    *dc = dc_.get();
    return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC dc) {
    if (!dc_ || dc != dc_.get())
        return DDERR_INVALIDPARAMS;
    dc_.reset(); // ends the painter: everything drawn is in memory now
    Written();
    if (!dcStaging_.isNull()) {
        QImage converted = format_.bits == 8
                               ? dcStaging_.convertToFormat(format_.ImageFormat(), ColorTable(),
                                                            Qt::ThresholdDither)
                               : dcStaging_.convertToFormat(format_.ImageFormat());
        const size_t lineBytes = static_cast<size_t>(width_) * format_.BytesPerPixel();
        for (int y = 0; y < height_; ++y)
            std::copy_n(converted.constScanLine(y), lineBytes, dcHold_->Line(y));
        dcStaging_ = QImage();
    }
    dcHold_.reset();
    return DD_OK;
}

class Device final : public RefCounted<IDirectDraw> {
public:
    Device() : state_(std::make_shared<DeviceState>()) {
        state_->videoFree = VideoMemoryOfNewDevices();
    }

    HRESULT QueryInterface(DDInterface id, void** object) override {
        if (!object)
            return DDERR_INVALIDPARAMS;
        *object = nullptr;
        if (id == DDInterface::IDirectDraw4 && TakeFault(platform::DDrawFault::DirectDraw4))
            return DDERR_NOINTERFACE;
        if (id != DDInterface::IDirectDraw && id != DDInterface::IDirectDraw4)
            return DDERR_NOINTERFACE;
        AddRef();
        *object = static_cast<IDirectDraw*>(this);
        return DD_OK;
    }

    HRESULT GetCaps(DDCAPS* driverCaps, DDCAPS* emulationCaps) override {
        for (DDCAPS* caps : {driverCaps, emulationCaps}) {
            if (caps && caps->dwSize != DDCAPS_SIZE)
                return DDERR_INVALIDPARAMS;
        }
        for (DDCAPS* caps : {driverCaps, emulationCaps}) {
            if (!caps)
                continue;
            *caps = DDCAPS{};
            caps->dwSize = DDCAPS_SIZE;
            caps->dwCaps = 0x40 | 0x200 | 0x40000 | 0x4000000; // blit, stretch, key, fill
            caps->dwCKeyCaps = 0x200;                          // source blit key
            caps->dwFXCaps = 0x2 | 0x4;                        // mirroring
            caps->dwPalCaps = DDPCAPS_8BIT;
            caps->dwVidMemTotal =
                static_cast<DWORD>(std::min<std::uint64_t>(VideoMemoryOfNewDevices(), 0xFFFFFFFFu));
            caps->dwVidMemFree =
                static_cast<DWORD>(std::min<std::uint64_t>(state_->videoFree, 0xFFFFFFFFu));
        }
        return DD_OK;
    }

    HRESULT SetCooperativeLevel(HWND, DWORD flags) override {
        if (flags & (DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX))
            return DDERR_UNSUPPORTED; // no exclusive full-screen mode here
        if ((flags & DDSCL_NORMAL) == 0)
            return DDERR_INVALIDPARAMS;
        state_->cooperativeLevelSet = true;
        return DD_OK;
    }

    HRESULT CreateSurface(const DDSURFACEDESC* desc, IDirectDrawSurface** surface,
                          void* outer) override;

    HRESULT CreateClipper(DWORD flags, IDirectDrawClipper** clipper, void* outer) override {
        if (!clipper)
            return DDERR_INVALIDPARAMS;
        *clipper = nullptr;
        if (flags != 0 || outer)
            return DDERR_INVALIDPARAMS;
        if (TakeFault(platform::DDrawFault::CreateClipper))
            return DDERR_OUTOFMEMORY;
        *clipper = new Clipper; // the caller's reference
        return DD_OK;
    }

    HRESULT CreatePalette(DWORD flags, const PALETTEENTRY* entries, IDirectDrawPalette** palette,
                          void* outer) override {
        if (!palette)
            return DDERR_INVALIDPARAMS;
        *palette = nullptr;
        constexpr DWORD known = DDPCAPS_8BIT | DDPCAPS_INITIALIZE | DDPCAPS_ALLOW256;
        if ((flags & DDPCAPS_8BIT) == 0 || (flags & ~known) != 0 || !entries || outer)
            return DDERR_INVALIDPARAMS;
        if (TakeFault(platform::DDrawFault::CreatePalette))
            return DDERR_OUTOFMEMORY;
        *palette = new Palette(flags, entries); // the caller's reference
        return DD_OK;
    }

    HRESULT WaitForVerticalBlank(DWORD flags, void* event) override {
        if (event != nullptr || (flags != DDWAITVB_BLOCKBEGIN && flags != DDWAITVB_BLOCKEND))
            return DDERR_UNSUPPORTED;
        WaitForNextRefresh();
        return DD_OK;
    }

    HRESULT GetDisplayMode(DDSURFACEDESC* desc) override {
        if (CheckedSize(desc) != DD_OK)
            return DDERR_INVALIDPARAMS;
        const QSize screen = ScreenSize();
        *desc = DDSURFACEDESC{};
        desc->dwSize = DDSURFACEDESC_SIZE;
        desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
        desc->dwWidth = static_cast<DWORD>(screen.width());
        desc->dwHeight = static_cast<DWORD>(screen.height());
        desc->lPitch = screen.width() * 4;
        desc->ddpfPixelFormat = Format::Display().Describe();
        return DD_OK;
    }

private:
    std::shared_ptr<DeviceState> state_;
};

HRESULT Device::CreateSurface(const DDSURFACEDESC* desc, IDirectDrawSurface** surface,
                              void* outer) {
    if (!surface)
        return DDERR_INVALIDPARAMS;
    *surface = nullptr;
    if (CheckedSize(desc) != DD_OK || outer)
        return DDERR_INVALIDPARAMS;
    if (!state_->cooperativeLevelSet)
        return DDERR_NOCOOPERATIVELEVELSET;
    const DWORD caps = (desc->dwFlags & DDSD_CAPS) ? desc->ddsCaps.dwCaps : 0;
    if ((caps & DDSCAPS_SYSTEMMEMORY) && (caps & DDSCAPS_VIDEOMEMORY))
        return DDERR_INVALIDCAPS;
    if (TakeFault(platform::DDrawFault::CreateSurface, caps))
        return (caps & DDSCAPS_SYSTEMMEMORY) ? DDERR_OUTOFMEMORY : DDERR_OUTOFVIDEOMEMORY;

    if (caps & DDSCAPS_PRIMARYSURFACE) {
        if (desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT))
            return DDERR_INVALIDPARAMS;
        if (caps & (DDSCAPS_FLIP | DDSCAPS_COMPLEX))
            return DDERR_NOEXCLUSIVEMODE; // flipping chains belong to exclusive full screen
        if (state_->primaryExists)
            return DDERR_PRIMARYSURFACEALREADYEXISTS;
        const QSize screen = ScreenSize();
        state_->primaryExists = true;
        *surface = new Surface(
            state_, true, DDSCAPS_PRIMARYSURFACE | DDSCAPS_VIDEOMEMORY | (caps & DDSCAPS_3DDEVICE),
            Format::Display(), screen.width(), screen.height(), 0);
        return DD_OK;
    }

    if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) ||
        desc->dwWidth < 1 || desc->dwHeight < 1 || desc->dwWidth > kLargestSide ||
        desc->dwHeight > kLargestSide)
        return DDERR_INVALIDPARAMS;
    Format format = Format::Display();
    if ((desc->dwFlags & DDSD_PIXELFORMAT) &&
        !Format::FromDescription(desc->ddpfPixelFormat, format))
        return DDERR_INVALIDPIXELFORMAT;
    const int width = static_cast<int>(desc->dwWidth);
    const int height = static_cast<int>(desc->dwHeight);
    const std::uint64_t bytes =
        static_cast<std::uint64_t>(PixelBlock::PitchFor(width, format.BytesPerPixel())) *
        static_cast<std::uint64_t>(height);
    if (bytes > kLargestSurfaceBytes)
        return DDERR_OUTOFMEMORY;
    bool video = false;
    if (caps & DDSCAPS_VIDEOMEMORY) {
        if (bytes > state_->videoFree)
            return DDERR_OUTOFVIDEOMEMORY;
        video = true;
    } else if (!(caps & DDSCAPS_SYSTEMMEMORY)) {
        video = bytes <= state_->videoFree; // video memory while it lasts, then system memory
    }
    if (video)
        state_->videoFree -= bytes;
    const DWORD kinds = caps & (DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
    const DWORD reported = (kinds ? kinds : DDSCAPS_OFFSCREENPLAIN) |
                           (video ? DDSCAPS_VIDEOMEMORY : DDSCAPS_SYSTEMMEMORY);
    *surface = new Surface(state_, false, reported, format, width, height, video ? bytes : 0);
    return DD_OK;
}

} // namespace

HRESULT DirectDrawCreate(const void* driver, IDirectDraw** device, void* outer) {
    if (!device)
        return DDERR_INVALIDPARAMS;
    *device = nullptr;
    if (driver || outer)
        return DDERR_INVALIDPARAMS; // only the default display driver exists
    if (TakeFault(platform::DDrawFault::Create) || ScreenSize().isEmpty())
        return DDERR_NODIRECTDRAWHW;
    *device = new Device; // the caller's reference
    return DD_OK;
}

namespace platform {

void RegisterDDrawLibrary() {
    RegisterBuiltinLibrary(
        "DDraw.dll", {{"DirectDrawCreate", reinterpret_cast<LibraryProc>(&DirectDrawCreate)}});
}

const PALETTEENTRY* SystemPaletteEntries() {
    static const std::array<PALETTEENTRY, 256> entries = [] {
        std::array<PALETTEENTRY, 256> table{};
        const std::uint8_t low[10][3] = {
            {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
            {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
        const std::uint8_t high[10][3] = {
            {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
            {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
        for (int i = 0; i < 10; ++i) {
            table[i] = {low[i][0], low[i][1], low[i][2], 0};
            table[246 + i] = {high[i][0], high[i][1], high[i][2], 0};
        }
        return table;
    }();
    return entries.data();
}

void SetPresentationPacing(bool paced) {
    PacingFlag() = paced;
}
bool PresentationPacing() {
    return PacingFlag();
}

bool PaintWindowPicture(QWidget* window, QPainter& painter, const QRect& logicalArea) {
    auto found = WindowPictures().find(window);
    if (found == WindowPictures().end())
        return false;
    const WindowPictureState& picture = found->second;
    // The picture is in the window's device pixels: drawn one to one, never scaled by Qt.
    const double ratio = RatioOf(window);
    painter.save();
    const QRect area = ratio == 1.0
                           ? logicalArea
                           : QRectF(logicalArea.x() * ratio, logicalArea.y() * ratio,
                                    logicalArea.width() * ratio, logicalArea.height() * ratio)
                                 .toAlignedRect();
    if (ratio != 1.0)
        painter.scale(1.0 / ratio, 1.0 / ratio);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    if (!picture.owned.isNull()) {
        // Only the part the reference does not cover: it is drawn over the rest anyway.
        const QRegion shown = QRegion(area & picture.owned.rect()) -
                              (picture.reference ? picture.referenceDest : QRect());
        for (const QRect& part : shown)
            painter.drawImage(part.topLeft(), picture.owned, part);
    } else {
        // What no blit reached is black.
        const QRegion uncovered =
            QRegion(area) - (picture.reference ? picture.referenceDest : QRect());
        for (const QRect& part : uncovered)
            painter.fillRect(part, Qt::black);
    }
    if (picture.reference)
        DrawReference(painter, picture, area);
    painter.restore();
    return true;
}

QImage WindowPicture(QWidget* window) {
    auto found = WindowPictures().find(window);
    if (found == WindowPictures().end())
        return QImage();
    const double ratio = RatioOf(window);
    QImage image(DeviceSize(window), QImage::Format_RGB32);
    image.fill(0);
    image.setDevicePixelRatio(ratio);
    {
        QPainter painter(&image);
        PaintWindowPicture(window, painter, window->rect());
    }
    image.setDevicePixelRatio(1.0);
    return image;
}

int WindowPresentCount(QWidget* window) {
    auto found = WindowPictures().find(window);
    return found == WindowPictures().end() ? 0 : found->second.presents;
}

void InjectDDrawFault(DDrawFault fault, int count, DWORD capsFilter) {
    Faults().counts[static_cast<size_t>(fault)] = count;
    if (fault == DDrawFault::CreateSurface)
        Faults().capsFilter = capsFilter;
}

void ClearDDrawFaults() {
    Faults() = FaultState{};
}

void LoseAllDDrawSurfaces() {
    for (Surface* surface : LiveSurfaces())
        surface->Lose();
}

void SetDDrawVideoMemory(std::uint64_t bytes) {
    VideoMemoryOfNewDevices() = bytes;
}

int LiveDDrawObjects() {
    return LiveObjects();
}

} // namespace platform
