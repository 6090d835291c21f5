// SPDX-License-Identifier: GPL-3.0-or-later
// The drawing surface on a real X server: after Flip returns, the window on the server shows the
// back surface, pixel for pixel, without the event loop having run in between.
#include "engine/DXDraw.h"
#include "tests/support/TestApp.h"

#include <QApplication>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void FillRect(TDirectDrawSurface& surface, const RECT& rect, DWORD value) {
    DDBLTFX fx;
    fx.dwSize = DDBLTFX_SIZE;
    fx.dwFillColor = value;
    ASSERT_EQ(surface.ISurface()->Blt(&rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx),
              DD_OK);
}

TEST(DrawingSurfaceOnScreen, TheWindowShowsTheBackSurfaceWhenFlipReturns) {
    TestApp();
    ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "this test reads pixels from an X server";
    QWidget form;
    form.resize(637, 470);
    auto* dxdraw = new TDXDraw(&form);
    dxdraw->setGeometry(0, 0, 637, 470);
    dxdraw->SetOptions({doAllowReboot});
    dxdraw->Initialize();
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form, 60000));
    ASSERT_TRUE(dxdraw->Initialized());

    TDirectDrawSurface& back = *dxdraw->Surface();
    for (const DWORD colour : {0x00C03020u, 0x002080F0u}) {
        back.Fill(colour);
        FillRect(back, RECT{100, 50, 110, 60}, 0x0000FF00);
        dxdraw->Flip();
        const QImage shot = form.screen()->grabWindow(form.winId()).toImage();
        ASSERT_GE(shot.width(), 637);
        ASSERT_GE(shot.height(), 470);
        for (const QPoint& p : {QPoint(0, 0), QPoint(636, 0), QPoint(0, 469), QPoint(636, 469),
                                QPoint(318, 235), QPoint(99, 55), QPoint(110, 55)})
            EXPECT_EQ(shot.pixel(p) & 0xFFFFFF, colour) << p.x() << "," << p.y();
        for (const QPoint& p : {QPoint(100, 50), QPoint(109, 59)})
            EXPECT_EQ(shot.pixel(p) & 0xFFFFFF, 0x00FF00u) << p.x() << "," << p.y();
    }
}

} // namespace
