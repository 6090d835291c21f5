// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Graphics.h"
#include "platform/Exception.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

int argc = 1;
char arg0[] = "platform_tests";
char* argv[] = {arg0, nullptr};

QGuiApplication& App() {
    static QGuiApplication app(argc, argv);
    return app;
}

class MemoryCanvas : public TCanvas {
public:
    explicit MemoryCanvas(bool allowDrawing) : allow_(allowDrawing), memory_(40 * 20, 0xFFFFFF) {}
    ~MemoryCanvas() override { SetHandle(nullptr); }
    std::vector<std::uint32_t>& Memory() { return memory_; }
    std::unique_ptr<platform::DeviceContext> dc;

protected:
    void CreateHandle() override {
        if (!allow_)
            return;
        dc = std::make_unique<platform::DeviceContext>(reinterpret_cast<uchar*>(memory_.data()), 40,
                                                       20, 40 * 4);
        SetHandle(dc.get());
    }

private:
    bool allow_;
    std::vector<std::uint32_t> memory_;
};

} // namespace

TEST(Colours, SystemColoursResolveAndPlainValuesAreBGR) {
    EXPECT_EQ(ColorToRGB(clWindowText), 0x000000u);
    EXPECT_EQ(ColorToRGB(RGB(192, 220, 192)), 0xC0DCC0u);
    const QColor maroon = ToQColor(clMaroon);
    EXPECT_EQ(maroon, QColor(128, 0, 0));
    EXPECT_EQ(FromQColor(QColor(1, 2, 3)), RGB(1, 2, 3));
}

TEST(Fonts, MissingFacesFallBackToInstalledOnesWithWindowsPixelSizes) {
    App();
    EXPECT_EQ(platform::PointsToPixels(8), 11);
    EXPECT_EQ(platform::PointsToPixels(20), 27);
    for (const char* face : {"Matisse ITC", "Rockwell Extra Bold", "MS Sans Serif", "Arial"}) {
        const QString chosen = platform::InstalledFace(face);
        EXPECT_NE(chosen, QString(face));
        EXPECT_TRUE(QFontDatabase::families().contains(chosen)) << chosen.toStdString();
    }
}

TEST(Canvas, TextWithClearBrushLeavesTheBackgroundAndRaisesWithoutContext) {
    App();
    MemoryCanvas canvas(true);
    canvas.Font.Color = clRed;
    canvas.Font.Size = 10;
    canvas.Brush.Style = TBrushStyle::bsClear;
    canvas.TextOut(2, 2, "MM");
    canvas.dc.reset();
    int red = 0;
    for (std::uint32_t pixel : canvas.Memory())
        if (((pixel >> 16) & 0xFF) > 200 && ((pixel >> 8) & 0xFF) < 60 && (pixel & 0xFF) < 60)
            ++red;
    EXPECT_GT(red, 5);
    EXPECT_EQ(canvas.Memory()[39 * 1 + 40 * 19] & 0xFFFFFF, 0xFFFFFFu); // far corner untouched

    MemoryCanvas refusing(false);
    EXPECT_THROW(refusing.TextOut(0, 0, "x"), EInvalidOperation);
}

// Texts drawn again and again (the score lines at every frame) look as Qt draws them directly,
// in whatever colour each call asks for, with the parts of a bold italic face that reach past
// the text's box.
TEST(DeviceContext, RepeatedTextsLookAsDrawnDirectlyInEachColour) {
    App();
    constexpr int W = 160, H = 40;
    const QFont face = platform::MakeFont("Rockwell Extra Bold", 16, true, true);
    auto direct = [&](const QString& text, const QColor& colour) {
        QImage image(W, H, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setFont(face);
        painter.setPen(colour);
        painter.drawText(QPoint(6, 5 + QFontMetrics(face).ascent()), text);
        return image;
    };
    auto throughContext = [&](const QString& text, TColor colour) {
        QImage image(W, H, QImage::Format_RGB32);
        image.fill(Qt::white);
        platform::DeviceContext dc(image.bits(), W, H, static_cast<int>(image.bytesPerLine()));
        dc.SelectFont(face);
        dc.SetTextColor(colour);
        dc.SetBkMode(true);
        dc.TextOut(6, 5, text);
        return image;
    };
    // Glyph edges may blend a little differently; a wrong colour or a cut glyph differs fully.
    auto close = [](const QImage& a, const QImage& b) {
        int worst = 0;
        for (int y = 0; y < a.height(); ++y)
            for (int x = 0; x < a.width(); ++x) {
                const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
                worst = std::max({worst, std::abs(qRed(p) - qRed(q)),
                                  std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
            }
        return worst;
    };
    for (int round = 0; round < 2; ++round) {
        for (const TColor colour : {clRed, clBlue}) {
            const QImage drawn = throughContext("Joueur 1 : 7 (+3)", colour);
            EXPECT_LE(close(drawn, direct("Joueur 1 : 7 (+3)", ToQColor(colour))), 64)
                << "round " << round << ", colour " << colour;
        }
    }
    QImage blank(W, H, QImage::Format_RGB32);
    blank.fill(Qt::white);
    EXPECT_EQ(throughContext("", clRed), blank);
}
