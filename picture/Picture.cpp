// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/Picture.h"

#include "picture/DIB.h"
#include "picture/JPEG.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TGraphic

void TGraphic::Changed() const {
    if (OnChange)
        OnChange();
}

void TGraphic::Draw(TCanvas& canvas, int x, int y) {
    if (Empty())
        return;
    StretchDraw(canvas, QRect(x, y, Width(), Height()));
}

void TGraphic::DrawDormant(TCanvas& canvas, int x, int y) {
    Draw(canvas, x, y);
    Dormant();
}

void TGraphic::StretchDraw(TCanvas& canvas, const QRect& rect) {
    if (Empty())
        return;
    platform::DeviceContext* dc = canvas.Handle();
    if (!dc)
        throw EInvalidOperation("Canvas does not allow drawing");
    Draw(*dc, rect);
}

// ---------------------------------------------------------------------------------------------
// Registered picture classes

namespace {

std::vector<TGraphicClassEntry>& Registry() {
    static std::vector<TGraphicClassEntry> entries = [] {
        std::vector<TGraphicClassEntry> builtin;
        builtin.push_back(
            {"TDIB", "dib", "Device Independent Bitmap", [] { return std::make_unique<TDIB>(); }});
        for (const char* extension : {"jpeg", "jpg"})
            builtin.push_back({"TJPEGImage", extension, "JPEG Image File",
                               [] { return std::make_unique<TJPEGImage>(); }});
        return builtin;
    }();
    return entries;
}

} // namespace

void RegisterGraphicClass(const std::string& className, const std::string& extension,
                          const std::string& description, TGraphicFactory create) {
    Registry().push_back({className, extension, description, std::move(create)});
}

void UnregisterGraphicClass(const std::string& className) {
    auto& entries = Registry();
    const auto found = std::find_if(entries.rbegin(), entries.rend(), [&](const auto& entry) {
        return entry.ClassName == className;
    });
    if (found != entries.rend())
        entries.erase(std::next(found).base());
}

const std::vector<TGraphicClassEntry>& GraphicClasses() {
    return Registry();
}

std::unique_ptr<TGraphic> CreateGraphic(const std::string& className) {
    const auto& entries = Registry();
    for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry)
        if (entry->ClassName == className)
            return entry->Create();
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// TPicture

TPicture::~TPicture() = default;

void TPicture::Changed() const {
    if (OnChange)
        OnChange();
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    graphic_ = std::move(graphic);
    if (graphic_)
        graphic_->OnChange = [this] { Changed(); };
    Changed();
}

void TPicture::Assign(const TPicture& source) {
    if (&source == this)
        return;
    SetGraphic(source.graphic_ ? source.graphic_->Clone() : nullptr);
}

void TPicture::ReadData(TStream& stream) {
    std::uint8_t length = 0;
    stream.ReadBuffer(&length, 1);
    std::string className(length, '\0');
    stream.ReadBuffer(className.data(), length);
    std::unique_ptr<TGraphic> graphic = CreateGraphic(className);
    if (graphic)
        graphic->ReadStoredData(stream);
    SetGraphic(std::move(graphic));
}

void TPicture::Draw(TCanvas& canvas, int x, int y) {
    if (graphic_)
        graphic_->Draw(canvas, x, y);
}

void TPicture::StretchDraw(TCanvas& canvas, const QRect& rect) {
    if (graphic_)
        graphic_->StretchDraw(canvas, rect);
}
