// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Graphics.h"

#include "platform/Exception.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QStaticText>
#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

TColor ColorToRGB(TColor color) {
    if ((color & 0x80000000u) == 0)
        return color;
    // The classic Windows scheme for the system colours the program names.
    static const std::array<TColor, 31> scheme = {
        0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000, 0x000000,
        0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A, 0xFFFFFF, 0xC8D0D4,
        0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF, 0x404040, 0xC8D0D4, 0x000000,
        0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6, 0xC0C0C0, 0xC8D0D4, 0xC8D0D4};
    const std::uint32_t index = color & 0xFF;
    return index < scheme.size() ? scheme[index] : 0;
}

QColor ToQColor(TColor color) {
    const TColor rgb = ColorToRGB(color);
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TColor FromQColor(const QColor& color) {
    return RGB(color.red(), color.green(), color.blue());
}

namespace platform {

namespace {
QString ChooseInstalledFace(const QString& face);
}

QString InstalledFace(const QString& face) {
    // Fonts are made at every frame for the score lines: each face is looked up once.
    static std::map<QString, QString> chosen;
    const auto known = chosen.find(face);
    if (known != chosen.end())
        return known->second;
    return chosen[face] = ChooseInstalledFace(face);
}

namespace {

QString ChooseInstalledFace(const QString& face) {
    // Chosen here: a hand-cut display face, a heavy slab serif, and plain sans faces.
    static const QStringList families = QFontDatabase::families();
    if (families.contains(face))
        return face;
    auto pick = [](std::initializer_list<const char*> candidates) {
        for (const char* candidate : candidates)
            if (families.contains(candidate))
                return QString(candidate);
        return QString("DejaVu Sans");
    };
    if (face == "Matisse ITC")
        return pick({"Comic Neue", "Purisa", "DejaVu Sans"});
    if (face == "Rockwell Extra Bold" || face == "Rockwell")
        return pick({"Roboto Slab", "DejaVu Serif"});
    if (face == "MS Sans Serif")
        return pick({"Liberation Sans", "DejaVu Sans"});
    if (face == "Arial")
        return pick({"Liberation Sans", "DejaVu Sans"});
    return pick({"Liberation Sans", "DejaVu Sans"});
}

} // namespace

int PointsToPixels(int points) {
    return (points * 96 + 36) / 72;
}

QFont MakeFont(const QString& face, int points, bool bold, bool italic, bool underline,
               bool strikeOut) {
    QFont font(InstalledFace(face));
    font.setPixelSize(std::max(1, PointsToPixels(points)));
    font.setBold(bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    font.setStrikeOut(strikeOut);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

DeviceContext::DeviceContext(uchar* bits, int width, int height, int pitch)
    : image_(bits, width, height, pitch, QImage::Format_RGB32) {}

DeviceContext::~DeviceContext() {
    if (painter_)
        painter_->end();
}

const QFont& DeviceContext::Font() {
    if (!font_)
        font_ = MakeFont("MS Sans Serif", 8); // the system font, until another is selected
    return *font_;
}

QPainter& DeviceContext::Painter() {
    if (!painter_) {
        painter_ = std::make_unique<QPainter>(&image_);
        if (scale_ != 1.0)
            painter_->scale(scale_, scale_);
    }
    return *painter_;
}

void DeviceContext::StretchBlt(const QRect& dest, const QImage& source, const QRect& srcRect) {
    QPainter& painter = Painter();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(dest, source, srcRect);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
}

void DeviceContext::AlphaBlend(int x, int y, const QImage& source) {
    QPainter& painter = Painter();
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (scale_ != 1.0 && source.devicePixelRatio() == scale_) {
        // A picture made for this scale: its pixels go one to one, copied as they are.
        DrawPixels(painter, QPointF(x, y), source);
        return;
    }
    painter.drawImage(QPoint(x, y), source);
}

void DeviceContext::DrawPixels(QPainter& painter, QPointF at, const QImage& pixels) const {
    const QPoint corner(static_cast<int>(std::floor(at.x() * scale_ + 0.5)),
                        static_cast<int>(std::floor(at.y() * scale_ + 0.5)));
    painter.save();
    painter.setTransform(QTransform());
    painter.drawImage(QRect(corner, pixels.size()), pixels, pixels.rect());
    painter.restore();
}

namespace {

// A text laid out in a font, with its box, and its glyphs drawn once in the colour last asked
// for onto transparent pixels.
struct LaidOutText {
    QString text;
    QFont font;
    QStaticText layout;
    QSize size;
    int ascent = 0;
    QImage glyphs;
    QColor glyphsColour;
    double glyphsScale = 1.0;
    QPoint glyphsOffset; // where the glyphs' picture lies from the text's top-left
};

// The texts last laid out, kept between device contexts: the score lines are drawn at every
// frame with the same few texts, and laying a text out (shaping it) and blending its glyphs
// one by one cost more than blending one small picture. Device contexts are used on the GUI
// thread.
LaidOutText& LayOut(const QString& text, const QFont& font) {
    static std::vector<LaidOutText> recent; // the most recently used last
    static const bool cleared = [] {
        // The layouts hold font data that must go before the application does.
        qAddPostRoutine([] { recent.clear(); });
        return true;
    }();
    (void)cleared;
    constexpr std::size_t Kept = 8;
    for (auto it = recent.begin(); it != recent.end(); ++it) {
        if (it->text == text && it->font == font) {
            std::rotate(it, it + 1, recent.end());
            return recent.back();
        }
    }
    if (recent.size() == Kept)
        recent.erase(recent.begin());
    const QFontMetrics metrics(font);
    QStaticText layout(text);
    layout.setTextFormat(Qt::PlainText);
    layout.setPerformanceHint(QStaticText::AggressiveCaching);
    layout.prepare(QTransform(), font);
    LaidOutText laidOut{text,     font, std::move(layout), QSize(), 0, QImage(),
                        QColor(), 1.0,  QPoint()};
    laidOut.size = QSize(metrics.horizontalAdvance(text), metrics.height());
    laidOut.ascent = metrics.ascent();
    recent.push_back(std::move(laidOut));
    return recent.back();
}

// The text's glyphs in colour on transparent pixels, with room for what they draw outside the
// text's box (italic and bold faces reach past it).
// At a scale other than 1 the glyphs are drawn for the pixels they land on, in a picture of
// that device pixel ratio.
const QImage& Glyphs(LaidOutText& laidOut, const QColor& colour, double scale) {
    if (!laidOut.glyphs.isNull() && laidOut.glyphsColour == colour && laidOut.glyphsScale == scale)
        return laidOut.glyphs;
    const QFontMetrics metrics(laidOut.font);
    // Relative to the start of the base line.
    const QRect box = metrics.boundingRect(laidOut.text).adjusted(-2, -2, 2, 2) |
                      QRect(QPoint(0, -laidOut.ascent), laidOut.size);
    if (scale == 1.0) {
        laidOut.glyphs = QImage(box.size(), QImage::Format_ARGB32_Premultiplied);
    } else {
        laidOut.glyphs = QImage(QSize(static_cast<int>(std::ceil(box.width() * scale)),
                                      static_cast<int>(std::ceil(box.height() * scale))),
                                QImage::Format_ARGB32_Premultiplied);
        laidOut.glyphs.setDevicePixelRatio(scale);
    }
    laidOut.glyphs.fill(Qt::transparent);
    // (A painter on a picture of a device pixel ratio draws at that ratio by itself.)
    QPainter painter(&laidOut.glyphs);
    painter.setFont(laidOut.font);
    painter.setPen(colour);
    painter.drawStaticText(QPoint(-box.left(), -laidOut.ascent - box.top()), laidOut.layout);
    laidOut.glyphsColour = colour;
    laidOut.glyphsScale = scale;
    laidOut.glyphsOffset = QPoint(box.left(), laidOut.ascent + box.top());
    return laidOut.glyphs;
}

} // namespace

void DeviceContext::TextOut(int x, int y, const QString& text) {
    LaidOutText& laidOut = LayOut(text, Font());
    QPainter& painter = Painter();
    if (!transparent_)
        painter.fillRect(QRect(QPoint(x, y), laidOut.size), ToQColor(bkColor_));
    if (text.isEmpty())
        return;
    const QImage& glyphs = Glyphs(laidOut, ToQColor(textColor_), scale_);
    if (scale_ != 1.0)
        DrawPixels(painter, QPointF(QPoint(x, y) + laidOut.glyphsOffset), glyphs);
    else
        painter.drawImage(QPoint(x, y) + laidOut.glyphsOffset, glyphs);
}

QSize DeviceContext::TextExtent(const QString& text) {
    return LayOut(text, Font()).size;
}

} // namespace platform

QFont TFont::ToQFont() const {
    return platform::MakeFont(Name, Size, Style.Bold, Style.Italic, Style.Underline,
                              Style.StrikeOut);
}

platform::DeviceContext* TCanvas::Handle() {
    if (!handle_)
        CreateHandle();
    return handle_;
}

platform::DeviceContext* TCanvas::RequiredHandle() {
    platform::DeviceContext* handle = Handle();
    if (!handle)
        throw EInvalidOperation("Canvas does not allow drawing");
    return handle;
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    platform::DeviceContext* dc = RequiredHandle();
    dc->SelectFont(Font.ToQFont());
    dc->SetTextColor(Font.Color);
    dc->SetBkMode(Brush.Style == TBrushStyle::bsClear);
    dc->SetBkColor(Brush.Color);
    dc->TextOut(x, y, text);
}

QSize TCanvas::TextExtent(const QString& text) {
    platform::DeviceContext* dc = RequiredHandle();
    dc->SelectFont(Font.ToQFont());
    return dc->TextExtent(text);
}

void TCanvas::StretchDraw(const QRect& dest, const QImage& source, const QRect& srcRect) {
    RequiredHandle()->StretchBlt(dest, source, srcRect);
}

void TCanvas::AlphaDraw(int x, int y, const QImage& source) {
    RequiredHandle()->AlphaBlend(x, y, source);
}
