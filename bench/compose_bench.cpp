// SPDX-License-Identifier: GPL-3.0-or-later
// BM_ComposeGameFrame: the sprite engine drawing a full game scene onto the back surface of the
// drawing surface, without presenting it: the board picture, twelve pits, two opaque panels and
// a hand, each from an image list item made into a surface as at start-up.
#include "engine/DXDraw.h"
#include "engine/ImageList.h"
#include "engine/Sprites.h"
#include "picture/DIB.h"

#include <QWidget>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

// A picture of the given size and bit count: a disc of colour indices 1 to 3 on index 0 (the
// transparent colour, white) for the keyed pictures, stripes of colour for the opaque ones.
std::unique_ptr<TDIB> ScenePicture(int width, int height, int bitCount, bool disc) {
    auto dib = std::make_unique<TDIB>();
    dib->SetSize(width, height, bitCount);
    if (bitCount <= 8) {
        dib->SetColorTableEntry(0, TRGBQuad{255, 255, 255, 0});
        dib->SetColorTableEntry(1, TRGBQuad{40, 90, 160, 0});
    }
    if (bitCount > 1) {
        dib->SetColorTableEntry(2, TRGBQuad{30, 60, 110, 0});
        dib->SetColorTableEntry(3, TRGBQuad{200, 210, 220, 0});
    }
    const double radius = width / 2.0;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* line = dib->ScanLine(y);
        for (int x = 0; x < width; ++x) {
            const double dx = x + 0.5 - radius, dy = y + 0.5 - height / 2.0;
            const bool inside = !disc || dx * dx + dy * dy < radius * radius;
            const int index = inside ? 1 + (x / 7 + y / 5) % (bitCount > 1 ? 3 : 1) : 0;
            switch (bitCount) {
            case 1:
                if (index)
                    line[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
                break;
            case 8:
                line[x] = static_cast<std::uint8_t>(index);
                break;
            default: // 24 bits: blue, green, red
                line[3 * x] = static_cast<std::uint8_t>(x * 255 / width);
                line[3 * x + 1] = static_cast<std::uint8_t>(y * 255 / height);
                line[3 * x + 2] = static_cast<std::uint8_t>(index * 60);
            }
        }
    }
    return dib;
}

// The scene of a game in progress on a drawing surface of the main window's size.
class GameScene {
public:
    GameScene() {
        platform::SetPresentationPacing(false);
        form_ = std::make_unique<QWidget>();
        form_->resize(637, 470);
        dxDraw_ = new TDXDraw(form_.get());
        dxDraw_->SetOptions({doAllowReboot});
        dxDraw_->resize(637, 470);
        list_.SetDXDraw(dxDraw_);
        spriteEngine_.SetDXDraw(dxDraw_);

        TPictureCollectionItem& board = AddItem(ScenePicture(640, 480, 24, false), false);
        TPictureCollectionItem& pit = AddItem(ScenePicture(65, 65, 8, true), true);
        TPictureCollectionItem& panel = AddItem(ScenePicture(91, 91, 24, false), false);
        TPictureCollectionItem& hand = AddItem(ScenePicture(157, 157, 1, true), true);
        dxDraw_->Initialize();

        TSpriteEngine& engine = spriteEngine_.Engine();
        AddSprite(engine, board, 1, -3, 1);
        for (int i = 0; i < 12; ++i)
            AddSprite(engine, pit, 95 + (i % 6) * 75, i < 6 ? 265 : 140, 2);
        AddSprite(engine, panel, 2, 190, 2);
        AddSprite(engine, panel, 544, 190, 2);
        AddSprite(engine, hand, 300, 230, 4);
    }
    void Draw() { spriteEngine_.Draw(); }

private:
    TPictureCollectionItem& AddItem(std::unique_ptr<TDIB> picture, bool transparent) {
        TPictureCollectionItem& item = list_.Items().Add();
        item.Picture().SetGraphic(std::move(picture));
        item.Transparent = transparent;
        item.SetTransparentColor(clWhite);
        return item;
    }
    static void AddSprite(TSpriteEngine& engine, TPictureCollectionItem& item, double x, double y,
                          int z) {
        auto* sprite = new TImageSprite(&engine); // owned by the engine
        sprite->Image = &item;
        sprite->Width = item.Width();
        sprite->Height = item.Height();
        sprite->X = x;
        sprite->Y = y;
        sprite->SetZ(z);
    }

    std::unique_ptr<QWidget> form_;
    TDXDraw* dxDraw_; // owned by the form
    TDXImageList list_;
    TDXSpriteEngine spriteEngine_;
};

void BM_ComposeGameFrame(benchmark::State& state) {
    GameScene scene;
    for (auto _ : state) {
        scene.Draw();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ComposeGameFrame)->Unit(benchmark::kMicrosecond);

} // namespace
