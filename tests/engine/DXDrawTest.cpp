// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing surface: options and their effective set, the notification sequences seen by
// handlers registered before and after Initialize, a second Initialize, failures and what they
// leave, Flip before initialisation, 0 x 0 sizes, size changes, lost surfaces restored (or not
// yet) at the next Flip, and the form's showing and the control's paint request.
#include "engine/DXDraw.h"
#include "platform/Loader.h"

#include "tests/engine/DisplayTestSupport.h"

#include <QMouseEvent>
#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

using N = TDXDrawNotifyType;

std::ostream& operator<<(std::ostream& out, TDXDrawNotifyType kind) {
    static const char* const names[] = {"Destroying",        "Initializing", "Initialize",
                                        "InitializeSurface", "Finalize",     "FinalizeSurface",
                                        "Restore",           "SurfaceSize"};
    return out << names[static_cast<int>(kind)];
}

namespace {

using Kinds = std::vector<N>;

// Records what a registered handler is told; goes away cleanly before or after the control.
class Recorder {
public:
    explicit Recorder(TCustomDXDraw& dxdraw, std::vector<std::string>* shared = nullptr,
                      std::string name = {})
        : dxdraw_(&dxdraw), shared_(shared), name_(std::move(name)) {
        dxdraw.RegisterNotify(this, [this](TCustomDXDraw&, N kind) {
            kinds.push_back(kind);
            if (shared_)
                shared_->push_back(name_);
        });
    }
    ~Recorder() {
        if (dxdraw_)
            dxdraw_->UnregisterNotify(this);
    }
    Kinds Take() { return std::exchange(kinds, {}); }
    Kinds kinds;

private:
    QPointer<TCustomDXDraw> dxdraw_;
    std::vector<std::string>* shared_;
    std::string name_;
};

// A form that notes when its own show handling runs.
class Form : public QWidget {
public:
    std::vector<std::string>* log = nullptr;

protected:
    void showEvent(QShowEvent* event) override {
        if (log)
            log->push_back("form shown");
        QWidget::showEvent(event);
    }
};

class DrawingSurface : public ::testing::Test {
protected:
    void SetUp() override {
        displaytest::ResetDisplay();
        form = std::make_unique<Form>();
        form->resize(637, 470);
        dxdraw = new TDXDraw(form.get());
        dxdraw->setGeometry(0, 0, 637, 470);
        dxdraw->SetOptions({doAllowReboot});
        dxdraw->SetColor(clWhite);
    }
    void TearDown() override {
        form.reset();
        platform::ClearDDrawFaults();
        EXPECT_EQ(platform::LiveDDrawObjects(), 0) << "an interface was not released";
    }
    void Show() {
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    QRgb Shown(int x, int y) const {
        return platform::WindowPicture(dxdraw).pixel(x, y) & 0xFFFFFF;
    }
    int Presents() const { return platform::WindowPresentCount(dxdraw); }
    template <typename Action> static std::string MessageOf(Action action) {
        try {
            action();
        } catch (const std::exception& e) {
            return e.what();
        }
        return "no exception";
    }

    std::unique_ptr<Form> form;
    TDXDraw* dxdraw = nullptr;
};

TEST(DrawingSurfaceOptions, NowOptionsFollowTheRules) {
    TestApp();
    TDXDraw dxdraw;
    const TDXDrawOptions defaults{doAllowReboot,  doWaitVBlank, doCenter,
                                  doDirectX7Mode, doHardware,   doSelectDriver};
    EXPECT_EQ(dxdraw.Options(), defaults);
    EXPECT_EQ(dxdraw.NowOptions(), (TDXDrawOptions{doWaitVBlank, doCenter}));

    struct Case {
        TDXDrawOptions options, now;
    };
    for (const Case& c : {
             Case{{doAllowReboot}, {}},
             // Full screen keeps its own options; system memory rules out flipping.
             Case{{doFullScreen, doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip},
                  {doFullScreen, doNoWindowChange, doAllowReboot, doAllowPalette256, doFlip}},
             Case{{doFullScreen, doSystemMemory, doFlip}, {doFullScreen, doSystemMemory}},
             // Direct3D keeps its options, except that DirectX 7 mode rules out retained mode
             // and hardware is always taken away.
             Case{{do3D, doDirectX7Mode, doRetainedMode, doHardware, doSelectDriver, doZBuffer},
                  {do3D, doDirectX7Mode, doSelectDriver, doZBuffer}},
             Case{{do3D, doRetainedMode, doHardware}, {do3D, doRetainedMode}},
             Case{{doStretch, doCenter, doWaitVBlank, doSystemMemory},
                  {doStretch, doCenter, doWaitVBlank, doSystemMemory}},
         }) {
        dxdraw.SetOptions(c.options);
        EXPECT_EQ(dxdraw.Options(), c.options);
        EXPECT_EQ(dxdraw.NowOptions().Bits(), c.now.Bits()) << c.options.Bits();
    }
}

TEST_F(DrawingSurface, TheProgramsOptionsGiveAWindowedBlittingSurface) {
    EXPECT_TRUE(dxdraw->NowOptions().Empty());
    dxdraw->Initialize();
    ASSERT_TRUE(dxdraw->Initialized());
    EXPECT_NE(dynamic_cast<TDXDrawDriverBlt*>(dxdraw->Driver()), nullptr);
    EXPECT_EQ(dxdraw->SurfaceWidth(), 637);
    EXPECT_EQ(dxdraw->SurfaceHeight(), 470);
    EXPECT_TRUE(dxdraw->NowOptions().Empty()) << "the back surface is in video memory";
    EXPECT_TRUE(dxdraw->Surface()->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY);
    EXPECT_TRUE(dxdraw->Primary()->HasClipper());
    EXPECT_EQ(dxdraw->Form(), form.get());

    // While initialised only the vertical blank, stretching and centring follow the options.
    dxdraw->SetOptions({doStretch, doFullScreen, doFlip, doHardware});
    EXPECT_EQ(dxdraw->NowOptions(), (TDXDrawOptions{doStretch}));
    dxdraw->SetOptions({doAllowReboot});
    EXPECT_TRUE(dxdraw->NowOptions().Empty());
}

TEST_F(DrawingSurface, AHandlerRegisteredBeforeInitializeHearsTheWholeSequence) {
    std::vector<std::string> order;
    Recorder recorder(*dxdraw, &order, "notify");
    EXPECT_EQ(recorder.Take(), (Kinds{N::NotifySurfaceSize}));
    dxdraw->OnInitializing = [&](TCustomDXDraw&) { order.push_back("OnInitializing"); };
    dxdraw->OnInitialize = [&](TCustomDXDraw&) { order.push_back("OnInitialize"); };
    dxdraw->OnInitializeSurface = [&](TCustomDXDraw&) { order.push_back("OnInitializeSurface"); };
    dxdraw->OnRestoreSurface = [&](TCustomDXDraw& sender) {
        order.push_back("OnRestoreSurface");
        EXPECT_EQ(sender.RestoreBlock(), 0);
    };
    order.clear();
    dxdraw->Initialize();
    EXPECT_EQ(recorder.Take(),
              (Kinds{N::NotifyInitializing, N::NotifySurfaceSize, N::NotifyInitialize,
                     N::NotifyInitializeSurface, N::NotifyRestore}));
    EXPECT_EQ(order, (std::vector<std::string>{"OnInitializing", "notify", "notify", "notify",
                                               "OnInitialize", "notify", "OnInitializeSurface",
                                               "notify", "OnRestoreSurface"}));
    EXPECT_TRUE(dxdraw->InitializeNotified());
    EXPECT_TRUE(dxdraw->SurfaceNotified());
    EXPECT_EQ(dxdraw->RestoreBlock(), 0);
}

TEST_F(DrawingSurface, AHandlerRegisteredAfterInitializeIsToldAtOnce) {
    dxdraw->Initialize();
    Recorder recorder(*dxdraw);
    EXPECT_EQ(recorder.Take(), (Kinds{N::NotifySurfaceSize, N::NotifyInitialize,
                                      N::NotifyInitializeSurface, N::NotifyRestore}));
    // Registering again replaces the registration, telling the old one it is finished.
    dxdraw->RegisterNotify(&recorder,
                           [&](TCustomDXDraw&, N kind) { recorder.kinds.push_back(kind); });
    EXPECT_EQ(recorder.Take(),
              (Kinds{N::NotifyFinalizeSurface, N::NotifyFinalize, N::NotifySurfaceSize,
                     N::NotifyInitialize, N::NotifyInitializeSurface, N::NotifyRestore}));
    dxdraw->UnregisterNotify(&recorder);
    EXPECT_EQ(recorder.Take(), (Kinds{N::NotifyFinalizeSurface, N::NotifyFinalize}));
    dxdraw->UnregisterNotify(&recorder);
    EXPECT_TRUE(recorder.kinds.empty());
}

TEST_F(DrawingSurface, AHandlerRegisteredDuringInitializeGetsNoRestoreUntilTheEnd) {
    std::unique_ptr<Recorder> late;
    Recorder early(*dxdraw);
    dxdraw->OnInitialize = [&](TCustomDXDraw& sender) {
        late = std::make_unique<Recorder>(sender);
        EXPECT_EQ(late->Take(), (Kinds{N::NotifySurfaceSize, N::NotifyInitialize}));
    };
    dxdraw->Initialize();
    EXPECT_EQ(late->Take(), (Kinds{N::NotifyInitializeSurface, N::NotifyRestore}));
}

TEST_F(DrawingSurface, ASecondInitializeFinalisesTheFirstDevice) {
    dxdraw->Initialize();
    const int objects = platform::LiveDDrawObjects();
    Recorder recorder(*dxdraw);
    recorder.Take();
    int finalized = 0;
    dxdraw->OnFinalize = [&](TCustomDXDraw&) { ++finalized; };
    dxdraw->Initialize();
    EXPECT_EQ(recorder.Take(),
              (Kinds{N::NotifyFinalizeSurface, N::NotifyFinalize, N::NotifyInitializing,
                     N::NotifySurfaceSize, N::NotifyInitialize, N::NotifyInitializeSurface,
                     N::NotifyRestore}));
    EXPECT_EQ(finalized, 1);
    EXPECT_EQ(platform::LiveDDrawObjects(), objects) << "the first device was not released";
    EXPECT_TRUE(dxdraw->Initialized());
    dxdraw->OnFinalize = nullptr;
}

TEST_F(DrawingSurface, NotifyAllCallsTheLastRegisteredFirst) {
    std::vector<std::string> order;
    auto a = std::make_unique<Recorder>(*dxdraw, &order, "a");
    auto b = std::make_unique<Recorder>(*dxdraw, &order, "b");
    int cCalls = 0;
    // c unregisters b (not yet called) and itself while a notification goes round.
    dxdraw->RegisterNotify(&cCalls, [&](TCustomDXDraw& sender, N kind) {
        order.push_back("c");
        ++cCalls;
        if (kind == N::NotifyRestore) {
            b.reset();
            sender.UnregisterNotify(&cCalls);
        }
    });
    order.clear();
    dxdraw->NotifyAll(N::NotifyRestore);
    EXPECT_EQ(order, (std::vector<std::string>{"c", "a"}));
    order.clear();
    dxdraw->NotifyAll(N::NotifySurfaceSize);
    EXPECT_EQ(order, (std::vector<std::string>{"a"}));
}

TEST_F(DrawingSurface, FlipDoesNothingBeforeInitializeOrAfterAFailedOne) {
    dxdraw->SetAutoInitialize(false);
    Show();
    EXPECT_FALSE(dxdraw->CanDraw());
    dxdraw->Flip();
    EXPECT_EQ(Presents(), 0);
    EXPECT_EQ(dxdraw->Surface(), nullptr);

    Recorder recorder(*dxdraw);
    recorder.Take();
    platform::InjectDDrawFault(platform::DDrawFault::CreateSurface, 1, DDSCAPS_PRIMARYSURFACE);
    try {
        dxdraw->Initialize();
        FAIL() << "initialised without a primary surface";
    } catch (const EDXDrawError& e) {
        EXPECT_STREQ(e.what(), "Primary Surface cannot be made");
    }
    EXPECT_TRUE(dxdraw->InitializeCalled());
    EXPECT_FALSE(dxdraw->Initialized());
    EXPECT_FALSE(dxdraw->Updating());
    EXPECT_EQ(dxdraw->Driver(), nullptr);
    EXPECT_EQ(platform::LiveDDrawObjects(), 0) << "a failed Initialize released everything";
    EXPECT_EQ(recorder.Take(),
              (Kinds{N::NotifyInitializing, N::NotifyFinalizeSurface, N::NotifyFinalize}));
    dxdraw->Flip();
    EXPECT_EQ(Presents(), 0);
}

TEST_F(DrawingSurface, InitializeFailuresRaiseTheirClassesAndMessages) {
    platform::InjectDDrawFault(platform::DDrawFault::CreateClipper, 1);
    EXPECT_THROW(dxdraw->Initialize(), EDirectDrawClipperError);
    platform::InjectDDrawFault(platform::DDrawFault::CreateClipper, 1);
    EXPECT_EQ(MessageOf([&] { dxdraw->Initialize(); }), "Clipper cannot be made");

    platform::InjectDDrawFault(platform::DDrawFault::CreateSurface, 2, DDSCAPS_OFFSCREENPLAIN);
    EXPECT_EQ(MessageOf([&] { dxdraw->Initialize(); }), "Surface cannot be made");
    EXPECT_FALSE(dxdraw->Initialized());

    platform::InjectDDrawFault(platform::DDrawFault::Create, 1);
    EXPECT_EQ(MessageOf([&] { dxdraw->Initialize(); }), "DirectDraw cannot be initialized");

    UnregisterBuiltinLibrary("DDraw.dll");
    EXPECT_EQ(MessageOf([&] { dxdraw->Initialize(); }), "DDraw.dll not loaded");
    platform::RegisterDDrawLibrary();

    // A palette that cannot be made is only recorded.
    platform::InjectDDrawFault(platform::DDrawFault::CreatePalette, 1);
    dxdraw->Initialize();
    EXPECT_TRUE(dxdraw->Initialized());
    EXPECT_FALSE(dxdraw->Palette()->HasInterface());

    TDXDraw orphan;
    EXPECT_EQ(MessageOf([&] { orphan.Initialize(); }), "Form not found");
    EXPECT_TRUE(orphan.InitializeCalled());
    EXPECT_EQ(orphan.Form(), nullptr);
}

TEST_F(DrawingSurface, ABackSurfaceOutsideVideoMemoryShowsInTheOptions) {
    platform::InjectDDrawFault(platform::DDrawFault::CreateSurface, 1, DDSCAPS_OFFSCREENPLAIN);
    dxdraw->Initialize();
    EXPECT_TRUE(dxdraw->Surface()->SurfaceDesc().ddsCaps.dwCaps & DDSCAPS_SYSTEMMEMORY);
    EXPECT_TRUE(dxdraw->NowOptions().Contains(doSystemMemory));
    dxdraw->Finalize();
    EXPECT_FALSE(dxdraw->NowOptions().Contains(doSystemMemory));
    EXPECT_EQ(dxdraw->Surface(), nullptr);
    EXPECT_EQ(dxdraw->SurfaceWidth(), 637) << "the size is kept";

    platform::SetDDrawVideoMemory(1000);
    dxdraw->Initialize();
    EXPECT_TRUE(dxdraw->NowOptions().Contains(doSystemMemory));
}

TEST_F(DrawingSurface, ZeroSizeMakesAOnePixelSurface) {
    dxdraw->resize(0, 0);
    dxdraw->Initialize();
    EXPECT_EQ(dxdraw->Surface()->Width(), 1);
    EXPECT_EQ(dxdraw->Surface()->Height(), 1);
    EXPECT_EQ(dxdraw->SurfaceWidth(), 1);
    dxdraw->SetAutoSize(false);
    dxdraw->SetSurfaceWidth(20);
    dxdraw->SetSurfaceHeight(0);
    EXPECT_EQ(dxdraw->SurfaceWidth(), 20);
    EXPECT_EQ(dxdraw->SurfaceHeight(), 1);
}

TEST_F(DrawingSurface, SizeChanges) {
    Recorder recorder(*dxdraw);
    recorder.Take();
    dxdraw->SetSurfaceWidth(300);
    EXPECT_EQ(recorder.Take(), (Kinds{N::NotifySurfaceSize}));
    EXPECT_EQ(dxdraw->SurfaceWidth(), 300);
    dxdraw->SetSurfaceWidth(300);
    EXPECT_TRUE(recorder.kinds.empty()) << "the same size is no change";

    dxdraw->Loading();
    dxdraw->SetSurfaceWidth(637);
    dxdraw->SetSurfaceHeight(470);
    EXPECT_TRUE(recorder.kinds.empty());
    dxdraw->SetAutoInitialize(false);
    dxdraw->Loaded();
    EXPECT_EQ(recorder.Take(), (Kinds{N::NotifySurfaceSize}));

    dxdraw->Initialize();
    Show();
    recorder.Take();
    TDirectDrawSurface* before = dxdraw->Surface();
    dxdraw->resize(400, 300); // AutoSize: the back surface follows
    EXPECT_EQ(recorder.Take(),
              (Kinds{N::NotifyFinalizeSurface, N::NotifyInitializeSurface, N::NotifySurfaceSize}));
    EXPECT_EQ(dxdraw->Surface(), before) << "the same surface object gets a new interface";
    EXPECT_EQ(dxdraw->Surface()->Width(), 400);
    EXPECT_EQ(dxdraw->SurfaceHeight(), 300);
    EXPECT_FALSE(dxdraw->Updating());
    EXPECT_EQ(dxdraw->RestoreBlock(), 0);

    // A size change whose surface cannot be made finalises the control.
    platform::InjectDDrawFault(platform::DDrawFault::CreateSurface, 2, DDSCAPS_OFFSCREENPLAIN);
    EXPECT_THROW(dxdraw->SetSurfaceWidth(200), EDXDrawError);
    EXPECT_FALSE(dxdraw->Initialized());
}

TEST_F(DrawingSurface, FlipPresentsTheBackSurfaceInTheWindow) {
    dxdraw->Initialize();
    Show();
    dxdraw->Surface()->Fill(0x00336699);
    const int presents = Presents();
    dxdraw->Flip();
    EXPECT_EQ(Presents(), presents + 1);
    EXPECT_EQ(Shown(0, 0), 0x336699u);
    EXPECT_EQ(Shown(636, 469), 0x336699u);

    // Centred: a smaller surface lands in the middle.
    dxdraw->SetAutoSize(false);
    dxdraw->SetOptions({doCenter});
    dxdraw->SetSurfaceWidth(37);
    dxdraw->SetSurfaceHeight(70);
    dxdraw->Surface()->Fill(0x00FF0000);
    dxdraw->Flip();
    EXPECT_EQ(Shown(300, 200), 0xFF0000u);
    EXPECT_EQ(Shown(336, 269), 0xFF0000u);
    EXPECT_EQ(Shown(299, 200), 0x336699u);
    EXPECT_EQ(Shown(337, 270), 0x336699u);
    // Stretched: the surface covers the control.
    dxdraw->SetOptions({doStretch});
    dxdraw->Flip();
    EXPECT_EQ(Shown(0, 0), 0xFF0000u);
    EXPECT_EQ(Shown(636, 469), 0xFF0000u);
}

TEST_F(DrawingSurface, ALostSurfaceIsRestoredAtTheNextFlip) {
    dxdraw->Initialize();
    Show();
    Recorder recorder(*dxdraw);
    dxdraw->Surface()->Fill(0x00ABCDEF);
    dxdraw->Flip();
    recorder.Take();
    int restored = 0;
    dxdraw->OnRestoreSurface = [&](TCustomDXDraw&) { ++restored; };

    platform::LoseAllDDrawSurfaces();
    const int presents = Presents();
    dxdraw->Flip();
    EXPECT_EQ(recorder.Take(), (Kinds{N::NotifyRestore}));
    EXPECT_EQ(restored, 1);
    EXPECT_EQ(dxdraw->Surface()->GetPixel(10, 10), 0u) << "a restored back surface is cleared";
    EXPECT_GT(Presents(), presents);
    EXPECT_EQ(Shown(10, 10), 0u);
}

TEST_F(DrawingSurface, ALostSurfaceThatCannotBeRestoredYetShowsNothingUntilItCan) {
    dxdraw->Initialize();
    Show();
    dxdraw->Surface()->Fill(0x00ABCDEF);
    dxdraw->Flip();
    Recorder recorder(*dxdraw);
    recorder.Take();

    platform::LoseAllDDrawSurfaces();
    platform::InjectDDrawFault(platform::DDrawFault::Restore, 2);
    const int presents = Presents();
    EXPECT_FALSE(dxdraw->CanDraw());
    dxdraw->Flip();
    EXPECT_EQ(Presents(), presents);
    EXPECT_TRUE(recorder.kinds.empty());
    EXPECT_EQ(Shown(10, 10), 0xABCDEFu) << "the window keeps its last frame";
    EXPECT_FALSE(dxdraw->Updating());

    dxdraw->Flip(); // the display is free again
    EXPECT_EQ(recorder.Take(), (Kinds{N::NotifyRestore}));
    EXPECT_GT(Presents(), presents);
    EXPECT_EQ(Shown(10, 10), 0u);
}

TEST_F(DrawingSurface, RestoreAppliesThePaletteTables) {
    dxdraw->PaletteTable()[100] = {11, 22, 33, 0};
    dxdraw->PaletteTable()[3] = {44, 55, 66, 0};
    dxdraw->Initialize();
    PALETTEENTRY entries[256];
    ASSERT_EQ(dxdraw->Palette()->IDDPalette()->GetEntries(0, 0, 256, entries), DD_OK);
    EXPECT_EQ(entries[100].peRed, 11);
    EXPECT_EQ(entries[100].peFlags, 0x40);
    // Without doAllowPalette256 the first and last ten are the system's.
    EXPECT_EQ(entries[3].peRed, platform::SystemPaletteEntries()[3].peRed);
    EXPECT_EQ(entries[255].peRed, 255);
}

TEST_F(DrawingSurface, ShowingTheFormInitialisesOnceAfterTheFormsOwnHandling) {
    std::vector<std::string> log;
    form->log = &log;
    dxdraw->OnInitializing = [&](TCustomDXDraw&) { log.push_back("initialize"); };
    Show();
    EXPECT_EQ(log, (std::vector<std::string>{"form shown", "initialize"}));
    EXPECT_TRUE(dxdraw->Initialized());
    form->hide();
    form->show();
    EXPECT_EQ(log.size(), 3u) << "a second showing does not initialise again";
}

TEST_F(DrawingSurface, AnExplicitInitializeKeepsTheShowingFromInitialisingAgain) {
    int initializations = 0;
    dxdraw->OnInitializing = [&](TCustomDXDraw&) { ++initializations; };
    dxdraw->Initialize();
    Show();
    EXPECT_EQ(initializations, 1);
    EXPECT_TRUE(dxdraw->Initialized());

    // A control without AutoInitialize is not initialised by the showing.
    Form other;
    TDXDraw second(&other);
    second.SetAutoInitialize(false);
    other.show();
    EXPECT_FALSE(second.Initialized());
}

TEST_F(DrawingSurface, APaintRequestPresentsTheBackSurfaceAgain) {
    dxdraw->Initialize();
    Show();
    dxdraw->Flip();
    dxdraw->Surface()->Fill(0x00445566);
    const int presents = Presents();
    dxdraw->repaint();
    EXPECT_EQ(Presents(), presents + 1);
    EXPECT_EQ(Shown(5, 5), 0x445566u);
    EXPECT_EQ(dxdraw->grab().toImage().pixel(5, 5) & 0xFFFFFF, 0x445566u);

    // Before initialisation the control shows its colour.
    Form other;
    other.resize(50, 50);
    TDXDraw plain(&other);
    plain.SetAutoInitialize(false);
    plain.SetColor(clWhite);
    plain.resize(50, 50);
    EXPECT_EQ(plain.grab().toImage().pixel(5, 5) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(DrawingSurface, DoubleClickReachesTheHandler) {
    TCustomDXDraw* clicked = nullptr;
    dxdraw->OnDblClick = [&](TCustomDXDraw& sender) { clicked = &sender; };
    QMouseEvent event(QEvent::MouseButtonDblClick, QPointF(10, 10), QPointF(10, 10),
                      dxdraw->mapToGlobal(QPointF(10, 10)), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(dxdraw, &event);
    EXPECT_EQ(clicked, dxdraw);
}

TEST_F(DrawingSurface, DestroyingTheControlFinalisesItAndSaysSo) {
    dxdraw->Initialize();
    Kinds kinds;
    int target = 0;
    dxdraw->RegisterNotify(&target, [&](TCustomDXDraw& sender, N kind) {
        kinds.push_back(kind);
        if (kind == N::NotifyDestroying)
            sender.UnregisterNotify(&target);
    });
    kinds.clear();
    form.reset();
    EXPECT_EQ(kinds, (Kinds{N::NotifyFinalizeSurface, N::NotifyFinalize, N::NotifyDestroying}));
    EXPECT_EQ(platform::LiveDDrawObjects(), 0);
}

} // namespace
