// SPDX-License-Identifier: GPL-3.0-or-later
// The sprite engine component bound to a drawing surface through its notifications, and image
// sprites drawing their items on the back surface.
#include "engine/ImageList.h"
#include "engine/Sprites.h"

#include "tests/engine/ImageListTestSupport.h"

#include <gtest/gtest.h>

using namespace spritetest;

namespace {

class CountingSprite : public TSprite {
public:
    using TSprite::TSprite;
    int draws = 0;

protected:
    void DrawSelf() override { ++draws; }
};

class SpriteComponentTest : public ::testing::Test {
protected:
    SpriteComponentTest() : window(637, 470) {
        sprite = new CountingSprite(&component.Engine());
        sprite->Width = 10;
        sprite->Height = 10;
    }

    TestWindow window;
    TDXSpriteEngine component;
    CountingSprite* sprite;
};

} // namespace

TEST_F(SpriteComponentTest, DrawsOnlyWhileTheDrawingSurfaceIsInitialised) {
    component.Draw(); // no drawing surface
    component.SetDXDraw(&window.DXDraw());
    component.Draw(); // not initialised
    EXPECT_EQ(sprite->draws, 0);
    EXPECT_EQ(component.Engine().Surface(), nullptr);

    window.DXDraw().Initialize();
    EXPECT_EQ(component.Engine().Surface(), window.DXDraw().Surface());
    EXPECT_EQ(component.Engine().SurfaceRect().right, 637);
    EXPECT_EQ(component.Engine().SurfaceRect().bottom, 470);
    EXPECT_EQ(component.Engine().Width, 637);
    EXPECT_EQ(component.Engine().Height, 470);
    component.Draw();
    EXPECT_EQ(sprite->draws, 1);

    window.DXDraw().Finalize();
    EXPECT_EQ(component.Engine().Surface(), nullptr);
    EXPECT_EQ(component.Engine().SurfaceRect().right, 637);
    component.Draw();
    EXPECT_EQ(sprite->draws, 1);

    window.DXDraw().Initialize(); // a new back surface is bound
    EXPECT_EQ(component.Engine().Surface(), window.DXDraw().Surface());
    component.Draw();
    EXPECT_EQ(sprite->draws, 2);
}

TEST_F(SpriteComponentTest, BindingAnInitialisedDrawingSurfaceTakesItsBackSurfaceAtOnce) {
    window.DXDraw().Initialize();
    component.SetDXDraw(&window.DXDraw());
    EXPECT_EQ(component.Engine().Surface(), window.DXDraw().Surface());
    component.SetDXDraw(nullptr); // told Finalize as it leaves
    EXPECT_EQ(component.Engine().Surface(), nullptr);
}

TEST_F(SpriteComponentTest, LetsGoOfADrawingSurfaceThatIsDestroyedOrRemoved) {
    {
        TestWindow other(100, 100);
        other.DXDraw().Initialize();
        component.SetDXDraw(&other.DXDraw());
        EXPECT_EQ(component.Engine().SurfaceRect().right, 100);
    }
    EXPECT_EQ(component.DXDraw(), nullptr);
    EXPECT_EQ(component.Engine().Surface(), nullptr);
    component.Draw();

    component.SetDXDraw(&window.DXDraw());
    component.ComponentRemoved(&component);
    EXPECT_EQ(component.DXDraw(), &window.DXDraw());
    component.ComponentRemoved(&window.DXDraw());
    EXPECT_EQ(component.DXDraw(), nullptr);
}

namespace {

// An engine on a drawing surface with one 4 x 2 item: black corners (the key), red, green and
// blue inside.
class ImageSpriteTest : public ::testing::Test {
protected:
    ImageSpriteTest() : window(637, 470) {
        list.SetDXDraw(&window.DXDraw());
        component.SetDXDraw(&window.DXDraw());
        item = &list.Items().Add();
        item->Picture().SetGraphic(
            MakeDib({{0, 1, 2, 0}, {3, 1, 2, 3}}, {0x000000, 0xFF0000, 0x00FF00, 0x0000FF}));
        window.DXDraw().Initialize();
        sprite = new TImageSprite(&component.Engine());
        sprite->Image = item;
        sprite->Width = item->Width();
        sprite->Height = item->Height();
    }
    TDirectDrawSurface& Back() { return *window.DXDraw().Surface(); }
    void DrawFrame() {
        Back().Fill(0x123456);
        component.Draw();
    }

    TestWindow window;
    TDXImageList list;
    TDXSpriteEngine component;
    TPictureCollectionItem* item;
    TImageSprite* sprite;
};

} // namespace

TEST_F(ImageSpriteTest, DrawsItsImageAtItsTruncatedPositionLeavingTheKeyOut) {
    sprite->X = 30.9;
    sprite->Y = -0.7; // truncates to 0
    DrawFrame();
    EXPECT_EQ(Pixel(Back(), 30, 0), 0x123456u);
    EXPECT_EQ(Pixel(Back(), 31, 0), 0xFF0000u);
    EXPECT_EQ(Pixel(Back(), 33, 1), 0x0000FFu);
    EXPECT_EQ(Pixel(Back(), 34, 1), 0x123456u);
}

TEST_F(ImageSpriteTest, CentresTheImageOnTheSpriteByTruncatedHalves) {
    sprite->X = 10;
    sprite->Y = 10;
    sprite->Width = 9;  // (9 - 4) div 2 = 2 to the right
    sprite->Height = 1; // (1 - 2) div 2 = 0, not -1
    DrawFrame();
    EXPECT_EQ(Pixel(Back(), 13, 10), 0xFF0000u);
    EXPECT_EQ(Pixel(Back(), 12, 11), 0x0000FFu);
    EXPECT_EQ(Pixel(Back(), 12, 9), 0x123456u);
}

TEST_F(ImageSpriteTest, DrawsThePatternOfFirstFramePlusTheTruncatedFramePosition) {
    sprite->X = 10;
    sprite->Y = 10;
    sprite->FramePos = 0.99; // pattern 0
    DrawFrame();
    EXPECT_EQ(Pixel(Back(), 11, 10), 0xFF0000u);

    for (const auto& [first, pos] : {std::pair{1, 0.0}, {0, 1.0}, {-1, 0.5}, {0, -1.0}}) {
        sprite->FirstFrame = first;
        sprite->FramePos = pos;
        EXPECT_NE(sprite->Pattern(), 0);
        DrawFrame();
        EXPECT_EQ(Pixel(Back(), 11, 10), 0x123456u) << first << " " << pos;
    }
    sprite->FirstFrame = -1;
    sprite->FramePos = 1.5; // -1 + 1
    DrawFrame();
    EXPECT_EQ(Pixel(Back(), 11, 10), 0xFF0000u);
}

TEST_F(ImageSpriteTest, WithoutAnImageNothingIsDrawn) {
    sprite->X = 10;
    sprite->Image = nullptr;
    DrawFrame();
    EXPECT_EQ(Pixel(Back(), 11, 0), 0x123456u);
}
