// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pictures for the image list tests: 8-bit DIBs given as rows of colour indices, and a picture
// class of another kind that paints a known pattern (the path a JPEG picture takes).
#include "engine/ImageList.h"
#include "picture/DIB.h"
#include "tests/engine/SpriteTestSupport.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace spritetest {

// 0x00RRGGBB as the display surfaces hold colours.
inline TRGBQuad Quad(std::uint32_t rgb) {
    return TRGBQuad{static_cast<std::uint8_t>(rgb), static_cast<std::uint8_t>(rgb >> 8),
                    static_cast<std::uint8_t>(rgb >> 16), 0};
}

// An 8-bit DIB: rows of indices (top line first) into colours.
inline std::unique_ptr<TDIB> MakeDib(const std::vector<std::vector<std::uint8_t>>& rows,
                                     const std::vector<std::uint32_t>& colours) {
    auto dib = std::make_unique<TDIB>();
    const int width = static_cast<int>(rows.front().size());
    const int height = static_cast<int>(rows.size());
    dib->SetSize(width, height, 8);
    for (std::size_t i = 0; i < colours.size(); ++i)
        dib->SetColorTableEntry(static_cast<int>(i), Quad(colours[i]));
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            dib->ScanLine(y)[x] = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
    return dib;
}

// A picture whose pixel (x, y) is ColourAt(x, y); it paints itself, stretched, like any
// picture class other than the DIB.
class PatternGraphic : public TGraphic {
public:
    PatternGraphic(int width, int height) : width_(width), height_(height) {}
    static std::uint32_t ColourAt(int x, int y) {
        return static_cast<std::uint32_t>(((x * 16) & 0xFF) << 16 | ((y * 16) & 0xFF) << 8 | 0x40);
    }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    bool Empty() const override { return false; }
    void ReadStoredData(TStream&) override {}
    void Draw(platform::DeviceContext& dc, const QRect& rect) override {
        ++paints;
        QImage image(width_, height_, QImage::Format_RGB32);
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                image.setPixel(x, y, 0xFF000000u | ColourAt(x, y));
        dc.StretchBlt(rect, image, image.rect());
    }
    std::unique_ptr<TGraphic> Clone() const override {
        return std::make_unique<PatternGraphic>(width_, height_);
    }
    int paints = 0;

private:
    int width_, height_;
};

} // namespace spritetest
