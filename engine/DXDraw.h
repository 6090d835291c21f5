// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawing surface: a child widget (TDXDraw, the main window's "DXDraw1") that owns the
// DirectDraw device, a primary surface clipped to the widget, and an off-screen back surface of
// the widget's size on which all drawing happens. Flip copies the back surface into the widget.
//
// Other components register for notifications (RegisterNotify): the sprite engine binds to the
// back surface, the image lists make their surfaces and remake them after a loss.
//
// The form is the top-level window containing the control. Its hook is an event filter: when the
// form is shown, the form's own handling runs first and then, with AutoInitialize, Initialize
// unless it was already called. The control's own paint event presents the back surface again.
// Destroying the control finalises it. A window handle here is the widget itself, which stays
// the same for the control's life, so the clipper never needs binding again.
#include "engine/DirectX.h"

#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class TCustomDXDraw;

class EDXDrawError : public Exception {
public:
    using Exception::Exception;
};

// The options, bit 0 first.
enum TDXDrawOption {
    doFullScreen,
    doNoWindowChange,
    doAllowReboot,
    doWaitVBlank,
    doAllowPalette256,
    doSystemMemory,
    doStretch,
    doCenter,
    doFlip,
    do3D,
    doDirectX7Mode,
    doRetainedMode,
    doHardware,
    doSelectDriver,
    doZBuffer
};

// A set of options.
class TDXDrawOptions {
public:
    constexpr TDXDrawOptions() = default;
    constexpr TDXDrawOptions(std::initializer_list<TDXDrawOption> options) {
        for (TDXDrawOption option : options)
            bits_ |= Bit(option);
    }
    constexpr bool Contains(TDXDrawOption option) const { return (bits_ & Bit(option)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr std::uint32_t Bits() const { return bits_; }
    constexpr void Include(TDXDrawOption option) { bits_ |= Bit(option); }
    constexpr void Exclude(TDXDrawOption option) { bits_ &= ~Bit(option); }
    constexpr TDXDrawOptions operator+(TDXDrawOptions other) const {
        return From(bits_ | other.bits_);
    }
    constexpr TDXDrawOptions operator-(TDXDrawOptions other) const {
        return From(bits_ & ~other.bits_);
    }
    constexpr TDXDrawOptions operator*(TDXDrawOptions other) const {
        return From(bits_ & other.bits_);
    }
    constexpr bool operator==(const TDXDrawOptions&) const = default;

private:
    static constexpr std::uint32_t Bit(TDXDrawOption option) { return 1u << option; }
    static constexpr TDXDrawOptions From(std::uint32_t bits) {
        TDXDrawOptions options;
        options.bits_ = bits;
        return options;
    }
    std::uint32_t bits_ = 0;
};

// The notifications, in their numeric order.
enum class TDXDrawNotifyType {
    NotifyDestroying,        // the control is being destroyed
    NotifyInitializing,      // Initialize begins making the device
    NotifyInitialize,        // the device and both surfaces exist
    NotifyInitializeSurface, // the back surface exists (also after a size change)
    NotifyFinalize,          // the device is about to go
    NotifyFinalizeSurface,   // the back surface is about to go (also before a size change)
    NotifyRestore,           // the surfaces were restored; also at the end of every Initialize
    NotifySurfaceSize        // the surface size was set or changed
};
using DrawNotification = TDXDrawNotifyType;

// A notification handler, called with the drawing surface and the notification.
using TDXDrawNotifyEvent = std::function<void(TCustomDXDraw& sender, TDXDrawNotifyType kind)>;
using TDXDrawEvent = std::function<void(TCustomDXDraw& sender)>;

// The full-screen display mode; without effect in a window.
class TDXDrawDisplay {
public:
    int Width = 640;
    int Height = 480;
    int BitCount = 8;
    bool FixedBitCount = true;
    bool FixedRatio = true;
    bool FixedSize = false;
};

using TPaletteTable = std::array<PALETTEENTRY, 256>;

// The presentation strategy, made by Initialize and destroyed by Finalize. Making it makes the
// device; destroying it releases the surfaces, the clipper and the palette, then the device.
class TDXDrawDriver {
public:
    explicit TDXDrawDriver(TCustomDXDraw& dxdraw);
    virtual ~TDXDrawDriver();
    TDXDrawDriver(const TDXDrawDriver&) = delete;
    TDXDrawDriver& operator=(const TDXDrawDriver&) = delete;

    virtual void Flip() = 0;
    virtual void Initialize() = 0;
    // Remakes the back surface at a new size; the base driver cannot and reports false.
    virtual bool SetSize(int width, int height);
    // Restores the primary and then the back surface and clears both to pixel value 0; false
    // when either could not be restored.
    bool Restore();
    // Attaches the palette to a surface when the palette was made; the result is only recorded.
    void AttachPalette(TDirectDrawSurface& surface);

    TDirectDraw* DDraw() const { return ddraw_.get(); }
    TDirectDrawSurface* Primary() const { return primary_.get(); }
    TDirectDrawSurface* Surface() const { return surface_.get(); }
    TDirectDrawClipper* Clipper() const { return clipper_.get(); }
    TDirectDrawPalette* Palette() const { return palette_.get(); }

protected:
    // Makes the back surface at the control's surface size (also after a size change).
    void MakeSurface();
    // Makes the palette from the control's palette table.
    void MakePalette();

    TCustomDXDraw& dxdraw_;
    std::unique_ptr<TDirectDraw> ddraw_;
    std::unique_ptr<TDirectDrawSurface> primary_;
    std::unique_ptr<TDirectDrawSurface> surface_;
    std::unique_ptr<TDirectDrawClipper> clipper_;
    std::unique_ptr<TDirectDrawPalette> palette_;
};

// Windowed presentation: one blit of the back surface into the control per frame.
class TDXDrawDriverBlt : public TDXDrawDriver {
public:
    using TDXDrawDriver::TDXDrawDriver;
    void Flip() override;
    void Initialize() override;
    bool SetSize(int width, int height) override;
};

// Full-screen page flipping. The display stand-in has no exclusive full-screen mode, so its
// flipping primary surface cannot be made.
class TDXDrawDriverFlip : public TDXDrawDriver {
public:
    using TDXDrawDriver::TDXDrawDriver;
    void Flip() override;
    void Initialize() override;
};

class TCustomDXDraw : public QWidget {
public:
    // Made 100 x 100 in the button-face colour, with the default options doAllowReboot,
    // doWaitVBlank, doCenter, doDirectX7Mode, doHardware and doSelectDriver; both palette
    // tables come from the system palette.
    explicit TCustomDXDraw(QWidget* parent = nullptr);
    ~TCustomDXDraw() override;

    // Make the device and the surfaces; release them.
    void Initialize();
    void Finalize();
    // Presents the back surface: if initialised, not updating and CanDraw, the driver's Flip.
    void Flip();
    // Both surfaces usable, restoring them first when one is lost.
    bool CanDraw();
    // Restores lost surfaces and tells the handlers (NotifyRestore).
    void Restore();

    // Property loading: between Loading and Loaded the surface size setters only store. Loaded
    // takes the control's size (AutoSize), sends NotifySurfaceSize and, with AutoInitialize and
    // no form, initialises.
    void Loading() { loading_ = true; }
    void Loaded();

    // A registration is identified by its target; registering a target again replaces its
    // handler (the old one is told as by UnregisterNotify). The new handler is called at once
    // with NotifySurfaceSize and, when initialised, NotifyInitialize, NotifyInitializeSurface
    // (if the surface was announced) and NotifyRestore (unless restores are blocked).
    void RegisterNotify(const void* target, TDXDrawNotifyEvent handler);
    // Removes the target's registration (if any) and calls its handler with
    // NotifyFinalizeSurface (if the surface was announced) and NotifyFinalize (if initialised).
    void UnregisterNotify(const void* target);
    // Calls every handler, the last registered first. A handler may unregister itself or others;
    // handlers registered meanwhile are not called in this round.
    void NotifyAll(TDXDrawNotifyType kind);

    bool AutoInitialize() const { return autoInitialize_; }
    void SetAutoInitialize(bool value) { autoInitialize_ = value; }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value) { autoSize_ = value; }
    TDXDrawDisplay& Display() { return *display_; }
    TDXDrawOptions Options() const { return options_; }
    void SetOptions(TDXDrawOptions value);
    TDXDrawOptions NowOptions() const { return nowOptions_; }
    // The board's size factor (1, 1.5, 2 ...): the control's size in window units is the back
    // surface's size in its units times the zoom. Changing it while initialised remakes the back
    // surface and restores (the image lists make their pictures again for the new scale).
    double Zoom() const { return zoom_; }
    void SetZoom(double value);
    // The pixels of the screen per unit of the back surface: the zoom times the device pixel
    // ratio of the screen the control is on. The back surface is made of that many pixels per
    // unit, and every picture is chosen for it.
    double Scale() const;
    // Remakes the back surface and restores when the scale no longer is the surface's (the
    // window went to a screen of another device pixel ratio); nothing otherwise.
    void FollowScale();

    // The back surface's size in its units (the layout's coordinates: 637 x 470 for the game at
    // every scale); the live surface's when it exists.
    int SurfaceWidth() const;
    int SurfaceHeight() const;
    void SetSurfaceWidth(int value);
    void SetSurfaceHeight(int value);
    TColor Color() const { return color_; }
    void SetColor(TColor value);

    bool Initialized() const { return initialized_; }
    bool InitializeCalled() const { return initializeCalled_; }
    bool Updating() const { return updating_; }
    bool InitializeNotified() const { return initializeNotified_; }
    bool SurfaceNotified() const { return surfaceNotified_; }
    int RestoreBlock() const { return restoreBlock_; }
    // The enclosing top-level window, or null for a control without one.
    QWidget* Form() const { return form_.data(); }

    TDXDrawDriver* Driver() const { return driver_.get(); }
    TDirectDraw* DDraw() const { return driver_ ? driver_->DDraw() : nullptr; }
    TDirectDrawSurface* Primary() const { return driver_ ? driver_->Primary() : nullptr; }
    TDirectDrawSurface* Surface() const { return driver_ ? driver_->Surface() : nullptr; }
    TDirectDrawClipper* Clipper() const { return driver_ ? driver_->Clipper() : nullptr; }
    TDirectDrawPalette* Palette() const { return driver_ ? driver_->Palette() : nullptr; }
    TPaletteTable& PaletteTable() { return paletteTable_; }
    TPaletteTable& DefaultPaletteTable() { return defaultPaletteTable_; }

    TDXDrawEvent OnInitializing;
    TDXDrawEvent OnInitialize;
    TDXDrawEvent OnInitializeSurface;
    TDXDrawEvent OnFinalize;
    TDXDrawEvent OnFinalizeSurface;
    TDXDrawEvent OnRestoreSurface;
    // The double-click on the control.
    TDXDrawEvent OnDblClick;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    friend class TDXDrawDriver;
    friend class TDXDrawDriverBlt;
    friend class TDXDrawDriverFlip;

    struct Registration {
        std::uint64_t id;
        const void* target;
        TDXDrawNotifyEvent handler;
    };

    static TDXDrawOptions DeriveNowOptions(TDXDrawOptions options);
    // A length of the control in window units, in the back surface's units.
    int Units(int windowLength) const;
    void Rescale();
    void ChangeSurfaceSize(int width, int height);
    void SetColorTable(const TPaletteTable& table);
    std::array<PALETTEENTRY, 256> PaletteEntries(const TPaletteTable& table) const;
    void UpdateFormHook();
    void Call(const TDXDrawEvent& handler) {
        if (handler)
            handler(*this);
    }

    bool autoInitialize_ = true;
    bool autoSize_ = true;
    std::unique_ptr<TDXDrawDisplay> display_;
    TDXDrawOptions options_;
    TDXDrawOptions nowOptions_;
    int surfaceWidth_ = 0;
    int surfaceHeight_ = 0;
    double zoom_ = 1.0;
    TColor color_ = clBtnFace;
    bool initialized_ = false;
    bool initializeCalled_ = false;
    bool updating_ = false;
    bool deviceMaking_ = false;
    bool initializeNotified_ = false;
    bool surfaceNotified_ = false;
    int restoreBlock_ = 0;
    bool loading_ = false;
    bool flipping_ = false;
    QPointer<QWidget> form_;
    std::vector<Registration> notifications_;
    std::uint64_t nextRegistration_ = 1;
    std::unique_ptr<TDXDrawDriver> driver_;
    TPaletteTable paletteTable_;
    TPaletteTable defaultPaletteTable_;
};

// A non-visual component bound to a drawing surface (the sprite engine, the image lists): it is
// registered for the surface's notifications while bound. Derived classes unbind (SetDXDraw
// with null) first thing in their destructor, while their handler can still run.
class TDXDrawClient {
public:
    TDXDrawClient(const TDXDrawClient&) = delete;
    TDXDrawClient& operator=(const TDXDrawClient&) = delete;

    TCustomDXDraw* DXDraw() const { return dxDraw_; }
    // Unregisters from the previous drawing surface and registers with the new one, which at
    // once tells the handler what it already has.
    void SetDXDraw(TCustomDXDraw* value);
    // The framework announces that a component is being removed: when it is the drawing
    // surface, DXDraw becomes null.
    void ComponentRemoved(const void* component);

protected:
    TDXDrawClient() = default;
    virtual ~TDXDrawClient() = default;
    virtual void DXDrawNotifyEvent(TCustomDXDraw& sender, TDXDrawNotifyType type) = 0;

private:
    TCustomDXDraw* dxDraw_ = nullptr;
};

class TDXDraw : public TCustomDXDraw {
public:
    using TCustomDXDraw::TCustomDXDraw;
};
