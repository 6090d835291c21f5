#include "platform/Graphics.h"
#include "platform/Exception.h"

#include <QFontDatabase>
#include <QGuiApplication>
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
