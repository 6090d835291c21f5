// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The windows drawing interface (GDI) as the program uses it: colours as Windows colour values,
// fonts by face name, point size and style, device contexts drawing through QPainter on a view
// of 32-bit XRGB memory, and the framework's canvas on top of a device context.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>

// A Windows colour value: 0x00BBGGRR, or a system colour (high bit set, index in the low byte).
using TColor = std::uint32_t;
constexpr TColor clBlack = 0x000000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGreen = 0x008000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clWindowText = 0x80000008;

// Resolves system colours to the classic scheme; plain values are unchanged.
TColor ColorToRGB(TColor color);
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
inline TColor RGB(int r, int g, int b) {
    return static_cast<TColor>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}

namespace platform {

// Face names the program asks for that are not installed here are replaced, in this one place,
// by installed faces of similar character. Sizes are points at 96 pixels per inch.
QString InstalledFace(const QString& face);
QFont MakeFont(const QString& face, int points, bool bold = false, bool italic = false,
               bool underline = false, bool strikeOut = false);
int PointsToPixels(int points);

// A device context over 32-bit XRGB memory (a surface's or a bitmap's). It does not own the
// memory; the painter is begun on first use and ended when the context is destroyed.
class DeviceContext {
public:
    DeviceContext(uchar* bits, int width, int height, int pitch);
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    QImage& Image() { return image_; }
    // The painter, drawing in the context's coordinates: with a scale, each unit is that many
    // of the memory's pixels, and pictures, lines and texts are drawn for those pixels.
    QPainter& Painter();
    // How many of the memory's pixels one unit of the context's coordinates spans (1 unless
    // set); set before the first drawing call.
    void SetScale(double scale) { scale_ = scale; }
    double Scale() const { return scale_; }

    // Stretching block copy of srcRect of source into dest (no smoothing: colour on colour).
    void StretchBlt(const QRect& dest, const QImage& source, const QRect& srcRect);
    // Blends a picture with an alpha channel over what is there, its top-left corner at (x, y);
    // a picture made for a device pixel ratio covers its size divided by that ratio.
    void AlphaBlend(int x, int y, const QImage& source);
    // Text output with the selected font and text colour; with a transparent background mode
    // nothing behind the glyphs is filled, otherwise the text box is filled with the bk colour.
    void SelectFont(const QFont& font) { font_ = font; }
    void SetTextColor(TColor color) { textColor_ = color; }
    void SetBkMode(bool transparent) { transparent_ = transparent; }
    void SetBkColor(TColor color) { bkColor_ = color; }
    void TextOut(int x, int y, const QString& text);
    QSize TextExtent(const QString& text);

private:
    // A picture made for the context's scale, its corner at `at` of the context's coordinates:
    // its pixels one to one, the corner on the nearest pixel.
    void DrawPixels(QPainter& painter, QPointF at, const QImage& pixels) const;

    QImage image_;
    std::unique_ptr<QPainter> painter_;
    const QFont& Font();

    std::optional<QFont> font_;
    double scale_ = 1.0;
    TColor textColor_ = clBlack;
    TColor bkColor_ = clWhite;
    bool transparent_ = false;
};

} // namespace platform

// The framework's font and brush as a canvas holds them.
struct TFontStyles {
    bool Bold = false, Italic = false, Underline = false, StrikeOut = false;
    bool operator==(const TFontStyles&) const = default;
};
struct TFont {
    QString Name = "MS Sans Serif";
    int Size = 8;
    TFontStyles Style;
    TColor Color = clWindowText;
    bool operator==(const TFont&) const = default;
    QFont ToQFont() const;
};
enum class TBrushStyle { bsSolid, bsClear };
struct TBrush {
    TBrushStyle Style = TBrushStyle::bsSolid;
    TColor Color = clWhite;
};

// The framework's canvas: a font, a brush and a device context taken when drawing needs one.
class TCanvas {
public:
    virtual ~TCanvas() = default;
    TFont Font;
    TBrush Brush;

    // The device context; taken through CreateHandle on first need.
    platform::DeviceContext* Handle();
    bool HandleAllocated() const { return handle_ != nullptr; }
    void TextOut(int x, int y, const QString& text);
    QSize TextExtent(const QString& text);
    // Stretching copy of a picture's pixels into dest.
    void StretchDraw(const QRect& dest, const QImage& source, const QRect& srcRect);
    // A picture with an alpha channel laid over the canvas at (x, y).
    void AlphaDraw(int x, int y, const QImage& source);

protected:
    // Called when a context is needed and none is held; must call SetHandle or raise.
    virtual void CreateHandle() = 0;
    void SetHandle(platform::DeviceContext* handle) { handle_ = handle; }
    platform::DeviceContext* RawHandle() const { return handle_; }

private:
    platform::DeviceContext* RequiredHandle();
    platform::DeviceContext* handle_ = nullptr;
};
