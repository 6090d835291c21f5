// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DXDraw.h"

#include "platform/Rounding.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

namespace {

// Runs a step at the end of a scope, also when the scope is left by an exception.
template <typename Step> class Finally {
public:
    explicit Finally(Step step) : step_(std::move(step)) {}
    ~Finally() { step_(); }
    Finally(const Finally&) = delete;
    Finally& operator=(const Finally&) = delete;

private:
    Step step_;
};

DDSURFACEDESC Description(DWORD flags, DWORD caps) {
    DDSURFACEDESC desc;
    desc.dwSize = DDSURFACEDESC_SIZE;
    desc.dwFlags = flags;
    desc.ddsCaps.dwCaps = caps;
    return desc;
}

constexpr std::uint8_t PaletteEntryFlag = 0x40;

// Another widget's own event handler. QWidget::event is protected; a pointer to it taken through
// a derived class may be called on any widget, reaching its most derived handler.
bool FormEvent(QWidget& form, QEvent* event) {
    struct Access : QWidget {
        using QWidget::event;
    };
    bool (QWidget::*handler)(QEvent*) = &Access::event;
    return (form.*handler)(event);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Drivers

TDXDrawDriver::TDXDrawDriver(TCustomDXDraw& dxdraw) : dxdraw_(dxdraw) {
    // The stand-in lists only the default display driver, so a chosen driver (full screen with
    // doHardware) is the default one too.
    ddraw_ = std::make_unique<TDirectDraw>(nullptr, dxdraw_.Options().Contains(doDirectX7Mode));
}

TDXDrawDriver::~TDXDrawDriver() {
    surface_.reset();
    primary_.reset();
    clipper_.reset();
    palette_.reset();
    ddraw_.reset();
}

bool TDXDrawDriver::SetSize(int, int) {
    return false;
}

bool TDXDrawDriver::Restore() {
    if (!primary_->Restore() || !surface_->Restore())
        return false;
    primary_->Fill(0);
    surface_->Fill(0);
    return true;
}

void TDXDrawDriver::AttachPalette(TDirectDrawSurface& surface) {
    // Without a palette interface (its creation failed) there is nothing to attach; display
    // modes without palettes refuse the attachment, which is only recorded.
    if (palette_ && palette_->HasInterface() && surface.IDDSurface())
        surface.SetPalette(palette_.get());
}

void TDXDrawDriver::MakePalette() {
    palette_ = std::make_unique<TDirectDrawPalette>(ddraw_.get());
    const auto entries = dxdraw_.PaletteEntries(dxdraw_.paletteTable_);
    const bool all256 = dxdraw_.NowOptions().Contains(doAllowPalette256);
    palette_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_INITIALIZE | (all256 ? DDPCAPS_ALLOW256 : 0),
                            entries.data());
}

void TDXDrawDriver::MakeSurface() {
    surface_->SetIDDSurface(ComPtr<IDirectDrawSurface>());
    dxdraw_.nowOptions_.Exclude(doSystemMemory);
    DDSURFACEDESC desc = Description(DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH, DDSCAPS_OFFSCREENPLAIN);
    const double scale = dxdraw_.Scale();
    desc.dwWidth = static_cast<DWORD>(std::max(ScaledLength(dxdraw_.surfaceWidth_, scale), 1));
    desc.dwHeight = static_cast<DWORD>(std::max(ScaledLength(dxdraw_.surfaceHeight_, scale), 1));
    if (dxdraw_.Options().Contains(doSystemMemory))
        desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
    if (dxdraw_.NowOptions().Contains(do3D))
        desc.ddsCaps.dwCaps |= DDSCAPS_3DDEVICE;
    if (!surface_->CreateSurface(desc)) {
        desc.ddsCaps.dwCaps |= DDSCAPS_SYSTEMMEMORY;
        if (!surface_->CreateSurface(desc))
            throw EDXDrawError(Format("%s cannot be made", "Surface"));
    }
    surface_->SetScale(scale);
    if ((surface_->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY) == 0)
        dxdraw_.nowOptions_.Include(doSystemMemory);
    AttachPalette(*surface_);
    surface_->Fill(0);
}

void TDXDrawDriverBlt::Initialize() {
    primary_ = std::make_unique<TDirectDrawSurface>(ddraw_.get());
    if (!primary_->CreateSurface(Description(DDSD_CAPS, DDSCAPS_PRIMARYSURFACE)))
        throw EDXDrawError(Format("%s cannot be made", "Primary Surface"));
    surface_ = std::make_unique<TDirectDrawSurface>(ddraw_.get());
    clipper_ = std::make_unique<TDirectDrawClipper>(ddraw_.get());
    clipper_->SetHandle(&dxdraw_);
    primary_->SetClipper(clipper_.get());
    MakePalette();
    AttachPalette(*primary_);
    MakeSurface();
}

void TDXDrawDriverBlt::Flip() {
    // The primary surface is the screen in its device pixels.
    const double ratio = dxdraw_.devicePixelRatioF();
    auto device = [ratio](int length) { return ScaledLength(length, ratio); };
    const QPoint origin = dxdraw_.mapToGlobal(QPoint(0, 0));
    QPoint p(device(origin.x()), device(origin.y()));
    const int controlWidth = device(dxdraw_.width());
    const int controlHeight = device(dxdraw_.height());
    const TDXDrawOptions now = dxdraw_.NowOptions();
    RECT dest;
    if (now.Contains(doStretch)) {
        dest = RECT{p.x(), p.y(), p.x() + controlWidth, p.y() + controlHeight};
    } else {
        const int width = surface_->Width();
        const int height = surface_->Height();
        if (now.Contains(doCenter))
            p += QPoint((controlWidth - width) / 2, (controlHeight - height) / 2);
        dest = RECT{p.x(), p.y(), p.x() + width, p.y() + height};
    }
    if (now.Contains(doWaitVBlank))
        ddraw_->IDraw()->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr);
    const RECT source = surface_->ClientRect();
    DDBLTFX fx;
    fx.dwSize = DDBLTFX_SIZE;
    primary_->SetLastResult(
        primary_->ISurface()->Blt(&dest, surface_->ISurface(), &source, DDBLT_WAIT, &fx));
}

bool TDXDrawDriverBlt::SetSize(int width, int height) {
    TCustomDXDraw& dx = dxdraw_;
    dx.surfaceWidth_ = std::max(width, 1);
    dx.surfaceHeight_ = std::max(height, 1);
    ++dx.restoreBlock_;
    dx.updating_ = true;
    Finally unblock([&dx] {
        dx.updating_ = false;
        --dx.restoreBlock_;
    });
    dx.NotifyAll(TDXDrawNotifyType::NotifyFinalizeSurface);
    if (dx.surfaceNotified_) {
        dx.surfaceNotified_ = false;
        dx.Call(dx.OnFinalizeSurface);
    }
    MakeSurface();
    dx.NotifyAll(TDXDrawNotifyType::NotifyInitializeSurface);
    dx.surfaceNotified_ = true;
    dx.Call(dx.OnInitializeSurface);
    return true;
}

void TDXDrawDriverFlip::Initialize() {
    primary_ = std::make_unique<TDirectDrawSurface>(ddraw_.get());
    DDSURFACEDESC desc = Description(DDSD_CAPS | DDSD_BACKBUFFERCOUNT,
                                     DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX);
    desc.dwBackBufferCount = 1;
    if (!primary_->CreateSurface(desc))
        throw EDXDrawError(Format("%s cannot be made", "Primary Surface"));
    surface_ = std::make_unique<TDirectDrawSurface>(ddraw_.get());
    MakePalette();
    AttachPalette(*primary_);
    MakeSurface();
}

void TDXDrawDriverFlip::Flip() {
    primary_->SetLastResult(primary_->ISurface()->Flip(nullptr, DDFLIP_WAIT));
}

// ---------------------------------------------------------------------------------------------
// TCustomDXDraw

TCustomDXDraw::TCustomDXDraw(QWidget* parent)
    : QWidget(parent), display_(std::make_unique<TDXDrawDisplay>()) {
    // The control paints all of itself; nothing behind it needs drawing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    resize(100, 100);
    SetOptions({doAllowReboot, doWaitVBlank, doCenter, doDirectX7Mode, doHardware, doSelectDriver});
    const PALETTEENTRY* system = platform::SystemPaletteEntries();
    std::copy(system, system + 256, paletteTable_.begin());
    defaultPaletteTable_ = paletteTable_;
    UpdateFormHook();
}

TCustomDXDraw::~TCustomDXDraw() {
    // Destructors do not raise: a handler's failure while the control goes is dropped.
    try {
        Finalize();
    } catch (...) {
    }
    try {
        NotifyAll(TDXDrawNotifyType::NotifyDestroying);
    } catch (...) {
    }
    if (form_)
        form_->removeEventFilter(this);
}

TDXDrawOptions TCustomDXDraw::DeriveNowOptions(TDXDrawOptions options) {
    TDXDrawOptions now = options;
    if (!now.Contains(doFullScreen))
        now = now - TDXDrawOptions{doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip};
    if (!now.Contains(do3D))
        now = now -
              TDXDrawOptions{doDirectX7Mode, doRetainedMode, doHardware, doSelectDriver, doZBuffer};
    if (now.Contains(doSystemMemory))
        now.Exclude(doFlip);
    if (now.Contains(doDirectX7Mode))
        now.Exclude(doRetainedMode);
    now.Exclude(doHardware);
    return now;
}

void TCustomDXDraw::SetOptions(TDXDrawOptions value) {
    if (initialized_) {
        const TDXDrawOptions live{doWaitVBlank, doStretch, doCenter};
        nowOptions_ = (nowOptions_ - live) + (value * live);
        if (!nowOptions_.Contains(do3D))
            nowOptions_ =
                nowOptions_ - TDXDrawOptions{doRetainedMode, doHardware, doSelectDriver, doZBuffer};
    } else {
        nowOptions_ = DeriveNowOptions(value);
    }
    options_ = value;
}

int TCustomDXDraw::SurfaceWidth() const {
    const TDirectDrawSurface* surface = Surface();
    return surface && surface->IDDSurface() ? surface->UnitWidth() : surfaceWidth_;
}

int TCustomDXDraw::SurfaceHeight() const {
    const TDirectDrawSurface* surface = Surface();
    return surface && surface->IDDSurface() ? surface->UnitHeight() : surfaceHeight_;
}

int TCustomDXDraw::Units(int windowLength) const {
    return zoom_ == 1.0 ? windowLength : static_cast<int>(std::lround(windowLength / zoom_));
}

double TCustomDXDraw::Scale() const {
    return zoom_ * devicePixelRatioF();
}

void TCustomDXDraw::SetZoom(double value) {
    if (!(value > 0) || value == zoom_)
        return;
    zoom_ = value;
    Rescale();
}

void TCustomDXDraw::FollowScale() {
    const TDirectDrawSurface* surface = Surface();
    if (surface && surface->IDDSurface() && surface->Scale() != Scale())
        Rescale();
}

void TCustomDXDraw::Rescale() {
    if (!initialized_ || updating_)
        return;
    const int width = SurfaceWidth();
    const int height = SurfaceHeight();
    try {
        driver_->SetSize(width, height);
    } catch (...) {
        Finalize();
        throw;
    }
    // The pictures are made again for the new scale.
    Restore();
    update();
}

void TCustomDXDraw::SetSurfaceWidth(int value) {
    if (loading_)
        surfaceWidth_ = value;
    else
        ChangeSurfaceSize(value, SurfaceHeight());
}

void TCustomDXDraw::SetSurfaceHeight(int value) {
    if (loading_)
        surfaceHeight_ = value;
    else
        ChangeSurfaceSize(SurfaceWidth(), value);
}

void TCustomDXDraw::SetColor(TColor value) {
    color_ = value;
    update();
}

void TCustomDXDraw::ChangeSurfaceSize(int width, int height) {
    if ((width == SurfaceWidth() && height == SurfaceHeight()) || updating_)
        return;
    if (initialized_) {
        try {
            if (!driver_->SetSize(width, height))
                return;
        } catch (...) {
            Finalize();
            throw;
        }
    } else {
        surfaceWidth_ = width;
        surfaceHeight_ = height;
    }
    NotifyAll(TDXDrawNotifyType::NotifySurfaceSize);
}

void TCustomDXDraw::Loaded() {
    loading_ = false;
    if (autoSize_) {
        surfaceWidth_ = Units(width());
        surfaceHeight_ = Units(height());
    }
    NotifyAll(TDXDrawNotifyType::NotifySurfaceSize);
    if (autoInitialize_ && !form_)
        Initialize();
}

void TCustomDXDraw::Initialize() {
    initializeCalled_ = true;
    Finalize();
    UpdateFormHook();
    if (!form_)
        throw EDXDrawError("Form not found");

    try {
        Finally endUpdate([this] { updating_ = false; });
        Call(OnInitializing);
        updating_ = true;
        deviceMaking_ = true;
        NotifyAll(TDXDrawNotifyType::NotifyInitializing);

        if (nowOptions_.Contains(doFlip))
            driver_ = std::make_unique<TDXDrawDriverFlip>(*this);
        else
            driver_ = std::make_unique<TDXDrawDriverBlt>(*this);

        if (nowOptions_.Contains(doFullScreen)) {
            DWORD level = DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE | DDSCL_ALLOWMODEX;
            if (nowOptions_.Contains(doNoWindowChange))
                level |= DDSCL_NOWINDOWCHANGES;
            if (nowOptions_.Contains(doAllowReboot))
                level |= DDSCL_ALLOWREBOOT;
            DDraw()->SetLastResult(DDraw()->IDraw()->SetCooperativeLevel(form_, level));
            // The display stand-in keeps the desktop's mode: no display mode can be set.
            throw EDXDrawError(Format("Display mode cannot be changed (%dx%d %dbit)",
                                      display_->Width, display_->Height, display_->BitCount));
        }
        DDraw()->SetLastResult(DDraw()->IDraw()->SetCooperativeLevel(form_, DDSCL_NORMAL));

        if (autoSize_) {
            surfaceWidth_ = Units(width());
            surfaceHeight_ = Units(height());
        }
        driver_->Initialize();
    } catch (...) {
        Finalize();
        throw;
    }

    initialized_ = true;
    {
        ++restoreBlock_;
        Finally unblock([this] { --restoreBlock_; });
        NotifyAll(TDXDrawNotifyType::NotifySurfaceSize);
        NotifyAll(TDXDrawNotifyType::NotifyInitialize);
        initializeNotified_ = true;
        Call(OnInitialize);
        NotifyAll(TDXDrawNotifyType::NotifyInitializeSurface);
        surfaceNotified_ = true;
        Call(OnInitializeSurface);
    }
    Restore();
}

void TCustomDXDraw::Finalize() {
    if (!deviceMaking_ && !driver_)
        return;
    surfaceWidth_ = SurfaceWidth();
    surfaceHeight_ = SurfaceHeight();
    updating_ = true;
    Finally release([this] {
        initialized_ = false;
        deviceMaking_ = false;
        nowOptions_ = DeriveNowOptions(options_);
        driver_.reset();
        updating_ = false;
    });
    if (surfaceNotified_) {
        surfaceNotified_ = false;
        Call(OnFinalizeSurface);
    }
    NotifyAll(TDXDrawNotifyType::NotifyFinalizeSurface);
    if (initializeNotified_) {
        initializeNotified_ = false;
        Call(OnFinalize);
    }
    NotifyAll(TDXDrawNotifyType::NotifyFinalize);
}

void TCustomDXDraw::Flip() {
    if (!initialized_ || updating_ || !CanDraw())
        return;
    flipping_ = true;
    Finally done([this] { flipping_ = false; });
    driver_->Flip();
}

bool TCustomDXDraw::CanDraw() {
    TDirectDrawSurface* primary = Primary();
    TDirectDrawSurface* surface = Surface();
    if (!initialized_ || updating_ || !primary || !primary->IDDSurface())
        return false;
    if (primary->ISurface()->IsLost() != DDERR_SURFACELOST &&
        surface->ISurface()->IsLost() != DDERR_SURFACELOST)
        return true;
    Restore();
    return primary->ISurface()->IsLost() == DD_OK && surface->ISurface()->IsLost() == DD_OK;
}

void TCustomDXDraw::Restore() {
    if (!initialized_ || updating_)
        return;
    updating_ = true;
    Finally endUpdate([this] { updating_ = false; });
    if (!driver_->Restore())
        return;
    driver_->AttachPalette(*Primary());
    driver_->AttachPalette(*Surface());
    SetColorTable(defaultPaletteTable_);
    NotifyAll(TDXDrawNotifyType::NotifyRestore);
    Call(OnRestoreSurface);
    SetColorTable(paletteTable_);
}

std::array<PALETTEENTRY, 256> TCustomDXDraw::PaletteEntries(const TPaletteTable& table) const {
    std::array<PALETTEENTRY, 256> entries;
    for (size_t i = 0; i < entries.size(); ++i)
        entries[i] =
            PALETTEENTRY{table[i].peRed, table[i].peGreen, table[i].peBlue, PaletteEntryFlag};
    if (!nowOptions_.Contains(doAllowPalette256)) {
        // The first ten and the last ten entries are the system's own colours.
        const PALETTEENTRY* system = platform::SystemPaletteEntries();
        std::copy(system, system + 10, entries.begin());
        std::copy(system + 246, system + 256, entries.begin() + 246);
    }
    return entries;
}

void TCustomDXDraw::SetColorTable(const TPaletteTable& table) {
    TDirectDrawPalette* palette = Palette();
    if (!initialized_ || !palette || !palette->HasInterface())
        return;
    const auto entries = PaletteEntries(table);
    palette->SetEntries(0, 256, entries.data());
}

void TCustomDXDraw::RegisterNotify(const void* target, TDXDrawNotifyEvent handler) {
    UnregisterNotify(target);
    notifications_.push_back(Registration{nextRegistration_++, target, handler});
    handler(*this, TDXDrawNotifyType::NotifySurfaceSize);
    if (initialized_) {
        handler(*this, TDXDrawNotifyType::NotifyInitialize);
        if (surfaceNotified_)
            handler(*this, TDXDrawNotifyType::NotifyInitializeSurface);
        if (restoreBlock_ == 0)
            handler(*this, TDXDrawNotifyType::NotifyRestore);
    }
}

void TCustomDXDraw::UnregisterNotify(const void* target) {
    auto found = std::find_if(notifications_.begin(), notifications_.end(),
                              [target](const Registration& r) { return r.target == target; });
    if (found == notifications_.end())
        return;
    const TDXDrawNotifyEvent handler = std::move(found->handler);
    notifications_.erase(found);
    if (surfaceNotified_)
        handler(*this, TDXDrawNotifyType::NotifyFinalizeSurface);
    if (initialized_)
        handler(*this, TDXDrawNotifyType::NotifyFinalize);
}

void TCustomDXDraw::NotifyAll(TDXDrawNotifyType kind) {
    std::vector<std::uint64_t> round;
    round.reserve(notifications_.size());
    for (const Registration& registration : notifications_)
        round.push_back(registration.id);
    for (auto id = round.rbegin(); id != round.rend(); ++id) {
        auto found = std::find_if(notifications_.begin(), notifications_.end(),
                                  [id](const Registration& r) { return r.id == *id; });
        if (found == notifications_.end())
            continue; // unregistered by an earlier handler of this round
        // A copy: the handler may unregister itself while it runs.
        const TDXDrawNotifyEvent handler = found->handler;
        handler(*this, kind);
    }
}

void TCustomDXDraw::UpdateFormHook() {
    QWidget* top = window();
    QWidget* form = top != this ? top : nullptr;
    if (form == form_.data())
        return;
    if (form_)
        form_->removeEventFilter(this);
    form_ = form;
    if (form_)
        form_->installEventFilter(this);
}

bool TCustomDXDraw::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::Show:
        // Children are shown before their window, so the hook is in place for the window's show.
        UpdateFormHook();
        break;
    case QEvent::ScreenChangeInternal:
        // Another screen may have another device pixel ratio: the pictures follow it.
        FollowScale();
        break;
    default:
        break;
    }
    return QWidget::event(event);
}

bool TCustomDXDraw::eventFilter(QObject* watched, QEvent* event) {
    if (watched != form_.data() || event->type() != QEvent::Show)
        return QWidget::eventFilter(watched, event);
    // The form's own handling of its showing comes first (its event handler, called directly so
    // that no other filter sees the event twice); then the control initialises itself.
    FormEvent(*form_, event);
    if (autoInitialize_ && !initializeCalled_)
        Initialize();
    return true;
}

void TCustomDXDraw::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    if (initialized_ && !flipping_) {
        // A paint request presents the back surface again, without waiting for the blank.
        const bool waited = nowOptions_.Contains(doWaitVBlank);
        nowOptions_.Exclude(doWaitVBlank);
        Finally restore([this, waited] {
            if (waited)
                nowOptions_.Include(doWaitVBlank);
        });
        Flip();
    }
    if (!platform::PaintWindowPicture(this, painter, event->rect()))
        painter.fillRect(event->rect(), ToQColor(color_));
    // The parent window is not invalidated afterwards: the control covers its part of the parent
    // and repainting the parent would repaint the control again, without end.
}

void TCustomDXDraw::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (!autoSize_)
        return;
    if (loading_) {
        surfaceWidth_ = Units(width());
        surfaceHeight_ = Units(height());
    } else {
        ChangeSurfaceSize(Units(width()), Units(height()));
    }
}

void TCustomDXDraw::mouseDoubleClickEvent(QMouseEvent* event) {
    QWidget::mouseDoubleClickEvent(event);
    Call(OnDblClick);
}

// ---------------------------------------------------------------------------------------------
// TDXDrawClient

void TDXDrawClient::SetDXDraw(TCustomDXDraw* value) {
    if (dxDraw_)
        dxDraw_->UnregisterNotify(this);
    dxDraw_ = value;
    if (dxDraw_)
        dxDraw_->RegisterNotify(this, [this](TCustomDXDraw& sender, TDXDrawNotifyType type) {
            DXDrawNotifyEvent(sender, type);
        });
}

void TDXDrawClient::ComponentRemoved(const void* component) {
    if (component && component == dxDraw_)
        SetDXDraw(nullptr);
}
