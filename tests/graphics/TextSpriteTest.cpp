// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/DXDraw.h"
#include "engine/DirectX.h"
#include "engine/ImageList.h"
#include "graphics/GameSprites.h"
#include "platform/DDraw.h"
#include "platform/Pause.h"
#include "tests/ui/FormFixture.h"

#include <vector>

namespace {

class TextSprites : public FormTest {
protected:
    // The back surface's pixels after the engine drew only the sprites made by the test.
    std::vector<std::uint32_t> DrawAlone() {
        BackgroundSprite->Visible = false;
        TDirectDrawSurface& surface = *form->DXDraw1->Surface();
        surface.Fill(0xFFFFFF);
        form->DXSpriteEngine1->Draw();
        std::vector<std::uint32_t> pixels;
        DDSURFACEDESC desc{};
        desc.dwSize = sizeof(desc);
        EXPECT_TRUE(surface.Lock(nullptr, desc));
        for (DWORD y = 0; y < desc.dwHeight; ++y) {
            const auto* line = reinterpret_cast<const std::uint32_t*>(
                static_cast<const std::uint8_t*>(desc.lpSurface) + y * desc.lPitch);
            for (DWORD x = 0; x < desc.dwWidth; ++x)
                pixels.push_back(line[x] & 0xFFFFFF);
        }
        surface.Unlock();
        return pixels;
    }
    static int Inked(const std::vector<std::uint32_t>& pixels) {
        return static_cast<int>(std::count_if(pixels.begin(), pixels.end(),
                                              [](std::uint32_t p) { return p != 0xFFFFFF; }));
    }
    std::unique_ptr<TDXTextSprite> Text(double x, double y, const QString& caption) {
        auto text = std::make_unique<TDXTextSprite>(SpriteEngine(), form->DXDraw1);
        text->X = x;
        text->Y = y;
        text->TextLabel->Caption = caption;
        return text;
    }
};

} // namespace

TEST_F(TextSprites, StartStateAndCullingOfASpriteWithoutSize) {
    auto text = Text(0, 100, "Mmm");
    EXPECT_EQ(text->Z(), 1);
    EXPECT_EQ(text->Width, 0);
    EXPECT_EQ(text->Height, 0);
    EXPECT_EQ(text->TextLabel->Font, TFont{});
    EXPECT_EQ(text->TextLabel->Font.Name, "MS Sans Serif");
    EXPECT_EQ(text->TextLabel->Font.Size, 8);
    EXPECT_EQ(Inked(DrawAlone()), 0); // at X = 0: never drawn
    text->X = 0.99;
    EXPECT_EQ(Inked(DrawAlone()), 0); // truncated to 0
    text->X = 1;
    EXPECT_GT(Inked(DrawAlone()), 0);
    text->Y = 0.6; // culled by its truncated position, though it would be written at 1
    EXPECT_EQ(Inked(DrawAlone()), 0);
    text->Y = 1;
    EXPECT_GT(Inked(DrawAlone()), 0);
    text->X = 637;
    EXPECT_EQ(Inked(DrawAlone()), 0);
}

TEST_F(TextSprites, PositionRoundsHalvesToEven) {
    auto text = Text(10, 100, "Ekoba");
    const auto at10 = DrawAlone();
    text->X = 10.5;
    EXPECT_EQ(DrawAlone(), at10);
    text->X = 12;
    const auto at12 = DrawAlone();
    EXPECT_NE(at12, at10);
    text->X = 11.5;
    EXPECT_EQ(DrawAlone(), at12);
}

TEST_F(TextSprites, CanvasFontAndBrushComeBackAfterAText) {
    TDirectDrawSurfaceCanvas& canvas = form->DXDraw1->Surface()->Canvas();
    const TFont before = canvas.Font;
    const TBrushStyle brushBefore = canvas.Brush.Style;
    auto big = Text(20, 100, "Joueur 1 : 7 (+3)");
    big->TextLabel->Font.Name = "Matisse ITC";
    big->TextLabel->Font.Size = 20;
    big->TextLabel->Font.Style.Bold = true;
    big->TextLabel->Font.Color = RGB(192, 220, 192);
    DrawAlone();
    EXPECT_EQ(form->DXDraw1->Surface()->Canvas().Font, before);
    EXPECT_EQ(form->DXDraw1->Surface()->Canvas().Brush.Style, brushBefore);

    // A default text drawn after the big one looks as it looks alone.
    big->Visible = false;
    auto plain = Text(300, 300, "Joueur");
    const auto alone = DrawAlone();
    big->Visible = true;
    big->SetZ(0); // drawn first
    const auto after = DrawAlone();
    for (int y = 290; y < 330; ++y)
        for (int x = 290; x < 400; ++x)
            ASSERT_EQ(after[y * 637 + x], alone[y * 637 + x]) << x << "," << y;
}
