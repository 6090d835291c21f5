// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ImageList.h"

#include "engine/DXDraw.h"
#include "engine/DirectX.h"
#include "picture/DIB.h"
#include "platform/Rounding.h"

#include <QImage>
#include <algorithm>

namespace {

// A picture cut into more cells than this is refused: a stored item asking for one-pixel
// patterns of a large picture would otherwise tie up memory for millions of patterns. Every
// item of the game has exactly one pattern.
constexpr std::int64_t MaxPatterns = 65536;

// Video memory is handed out in blocks of at least this many pixels a side.
constexpr std::int64_t MinBlockSide = 512;

[[noreturn]] void ListIndexError(int index) {
    throw EListError(Format("List index out of bounds (%d)", index));
}

// Gives the canvas's device context back to its surface when drawing ends, also by an exception.
class CanvasRelease {
public:
    explicit CanvasRelease(TDirectDrawSurfaceCanvas& canvas) : canvas_(canvas) {}
    ~CanvasRelease() { canvas_.Release(); }
    CanvasRelease(const CanvasRelease&) = delete;
    CanvasRelease& operator=(const CanvasRelease&) = delete;

private:
    TDirectDrawSurfaceCanvas& canvas_;
};

// The smallest multiple of cell that is at least MinBlockSide, but at most cell x count.
std::int64_t BlockSide(std::int64_t cell, std::int64_t count) {
    const std::int64_t multiple = cell * ((MinBlockSide + cell - 1) / cell);
    return std::min(multiple, cell * count);
}

RECT MakeRect(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
    return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
                static_cast<LONG>(bottom)};
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Loading a picture into a surface

void LoadPicture(TDirectDrawSurface& surface, TGraphic& graphic, int w, int h, const RECT& rect,
                 TPictureUse use) {
    const std::int64_t rectWidth = std::int64_t{rect.right} - rect.left;
    const std::int64_t rectHeight = std::int64_t{rect.bottom} - rect.top;
    if (w == 0)
        w = static_cast<int>(std::clamp<std::int64_t>(rectWidth, 0, INT32_MAX));
    if (h == 0)
        h = static_cast<int>(std::clamp<std::int64_t>(rectHeight, 0, INT32_MAX));
    surface.SetSize(w, h);
    if (w <= 0 || h <= 0 || rectWidth <= 0 || rectHeight <= 0)
        return; // no surface, or nothing of the picture to put on it
    const QRect source(rect.left, rect.top, static_cast<int>(rectWidth),
                       static_cast<int>(rectHeight));
    const QRect dest(0, 0, w, h);

    TDirectDrawSurfaceCanvas& canvas = surface.Canvas();
    const CanvasRelease release(canvas);
    if (w == rectWidth && h == rectHeight) {
        // At its own size the picture draws itself (a DIB straight from its pixels).
        if (use == TPictureUse::Last)
            graphic.DrawDormant(canvas, -rect.left, -rect.top);
        else
            graphic.Draw(canvas, -rect.left, -rect.top);
    } else if (auto* dib = dynamic_cast<TDIB*>(&graphic)) {
        // Stretched straight from the bitmap's pixels, looked up in its colour table.
        canvas.StretchDraw(dest, dib->Handle(), source);
    } else {
        // The picture draws itself at full size into a bitmap of the rectangle, which is then
        // stretched onto the surface.
        QImage bitmap(source.size(), QImage::Format_RGB32);
        bitmap.fill(Qt::black);
        {
            platform::DeviceContext dc(bitmap.bits(), bitmap.width(), bitmap.height(),
                                       static_cast<int>(bitmap.bytesPerLine()));
            graphic.Draw(dc, QRect(-rect.left, -rect.top, graphic.Width(), graphic.Height()));
        }
        canvas.StretchDraw(dest, bitmap, bitmap.rect());
    }
}

// ---------------------------------------------------------------------------------------------
// TPictureCollectionItem

TPictureCollectionItem::TPictureCollectionItem(TPictureCollection& collection)
    : collection_(collection), picture_(std::make_unique<TPicture>()) {}

TPictureCollectionItem::~TPictureCollectionItem() {
    Finalize();
    ClearSurfaces();
}

void TPictureCollectionItem::SetTransparentColor(TColor value) {
    if (value == transparentColor_)
        return;
    transparentColor_ = value;
    for (const auto& surface : surfaces_)
        surface->SetTransparentPixel(surface->ColorMatch(value));
}

void TPictureCollectionItem::SetPicture(const TPicture& picture) {
    picture_->Assign(picture);
}

TPicture& TPictureCollectionItem::ScaledPicture(double scale) {
    auto at = std::lower_bound(scaled_.begin(), scaled_.end(), scale,
                               [](const auto& art, double s) { return art.first < s; });
    if (at == scaled_.end() || at->first != scale)
        at = scaled_.emplace(at, scale, std::make_unique<TPicture>());
    return *at->second;
}

double TPictureCollectionItem::SurfaceScale() const {
    const TCustomDXDraw* dxDraw = collection_.DXDraw();
    return dxDraw ? dxDraw->Scale() : 1.0;
}

TPictureCollectionItem::TArt TPictureCollectionItem::ArtFor(double scale) const {
    TGraphic* const picture = picture_->Graphic();
    if (scale == 1.0)
        return {picture, true};
    // Only art of exactly its scale's size counts.
    auto fits = [this](const std::pair<double, std::unique_ptr<TPicture>>& art) {
        const TGraphic* graphic = art.second->Graphic();
        return graphic && !graphic->Empty() &&
               graphic->Width() == ScaledLength(picture_->Width(), art.first) &&
               graphic->Height() == ScaledLength(picture_->Height(), art.first);
    };
    TArt largest{picture, false};
    for (const auto& art : scaled_) {
        if (!fits(art))
            continue;
        if (art.first == scale)
            return {art.second->Graphic(), true};
        if (art.first > scale)
            return {art.second->Graphic(), false}; // the nearest larger, drawn down
        largest = {art.second->Graphic(), false};
    }
    return largest;
}

namespace {

// A picture's pixels in 32-bit XRGB.
QImage PixelsOf(TGraphic& graphic) {
    QImage image(graphic.Width(), graphic.Height(), QImage::Format_RGB32);
    image.fill(Qt::black);
    {
        platform::DeviceContext dc(image.bits(), image.width(), image.height(),
                                   static_cast<int>(image.bytesPerLine()));
        graphic.Draw(dc, QRect(0, 0, graphic.Width(), graphic.Height()));
    }
    return image;
}

// Art of another scale drawn at size, smoothly. For a transparent item the transparent colour
// is left out of the smoothing: it is coverage, not colour, and pixels less than half covered
// become the transparent colour again; no covered pixel comes out as that colour.
QImage Resampled(const QImage& art, const QSize& size, bool transparent, QRgb key) {
    if (!transparent)
        return art.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
            .convertToFormat(QImage::Format_RGB32);
    QImage covered = art.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < covered.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(covered.scanLine(y));
        for (int x = 0; x < covered.width(); ++x)
            if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                line[x] = 0;
    }
    const QImage smooth = covered.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                              .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .convertToFormat(QImage::Format_ARGB32);
    QImage out(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(smooth.constScanLine(y));
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            QRgb c = in[x];
            if (qAlpha(c) < 128) {
                line[x] = key | 0xFF000000u;
                continue;
            }
            c |= 0xFF000000u;
            if ((c & 0xFFFFFF) == (key & 0xFFFFFF))
                c ^= 1; // one level off in blue: no longer the transparent colour
            line[x] = c;
        }
    }
    return out;
}

} // namespace

int TPictureCollectionItem::Width() const {
    return PatternWidth > 0 ? PatternWidth : picture_->Width();
}

int TPictureCollectionItem::Height() const {
    return PatternHeight > 0 ? PatternHeight : picture_->Height();
}

int TPictureCollectionItem::PatternCount() const {
    MakeDueSurfaces();
    return static_cast<int>(patterns_.size());
}

int TPictureCollectionItem::SurfaceCount() const {
    MakeDueSurfaces();
    return static_cast<int>(surfaces_.size());
}

const TPictureCollectionItemPattern& TPictureCollectionItem::Patterns(int index) const {
    if (index < 0 || index >= PatternCount())
        ListIndexError(index);
    return patterns_[static_cast<std::size_t>(index)];
}

TDirectDrawSurface* TPictureCollectionItem::Surfaces(int index) const {
    if (index < 0 || index >= SurfaceCount())
        ListIndexError(index);
    return surfaces_[static_cast<std::size_t>(index)].get();
}

void TPictureCollectionItem::Initialize() {
    Finalize();
    initialized_ = collection_.Initialized();
}

void TPictureCollectionItem::Finalize() {
    if (!initialized_)
        return;
    initialized_ = false;
    ClearSurfaces();
}

void TPictureCollectionItem::ClearSurfaces() {
    surfacesDue_ = false;
    patterns_.clear();
    surfaces_.clear();
}

bool TPictureCollectionItem::HasPicture() const {
    // A picture without a graphic, or one of no size (an empty bitmap), gives nothing to draw.
    const TGraphic* graphic = picture_->Graphic();
    return graphic && !graphic->Empty() && graphic->Width() > 0 && graphic->Height() > 0;
}

void TPictureCollectionItem::Restore() {
    if (!HasPicture())
        return;
    if (!initialized_) {
        if (collection_.Initialized())
            Initialize();
        if (!initialized_)
            return;
    }
    ClearSurfaces();
    if (collection_.SurfacesOnFirstUse)
        surfacesDue_ = true;
    else
        MakeSurfaces();
}

void TPictureCollectionItem::MakeDueSurfaces() const {
    if (!surfacesDue_)
        return;
    surfacesDue_ = false;
    // Items live in their collection, never as const objects: making what a restore left due
    // changes no value the item shows, only when the work is done.
    const_cast<TPictureCollectionItem*>(this)->MakeSurfaces();
}

void TPictureCollectionItem::MakeSurfaces() {
    if (!HasPicture())
        return; // emptied since the restore
    const TGraphic* graphic = picture_->Graphic();
    const int pictureWidth = graphic->Width();
    const int pictureHeight = graphic->Height();
    const double scale = SurfaceScale();
    const TArt art = ArtFor(scale);
    if (!art.Exact) {
        const QSize size(ScaledLength(pictureWidth, scale), ScaledLength(pictureHeight, scale));
        const QColor key = ToQColor(transparentColor_);
        resampled_ = Resampled(PixelsOf(*art.Graphic), size, Transparent, key.rgb());
    }
    if (Width() == pictureWidth && Height() == pictureHeight) {
        const RECT whole{0, 0, pictureWidth, pictureHeight};
        TDirectDrawSurface* surface = AddSurface(whole, TPictureUse::Last);
        patterns_.push_back({whole, surface});
    } else {
        RestoreGrid(pictureWidth, pictureHeight);
    }
    resampled_ = QImage();
    // The surfaces now hold what is drawn; the forms the picture made to paint itself onto
    // them are not kept beside them (the next restore makes them again).
    art.Graphic->Dormant();
}

void TPictureCollectionItem::RestoreGrid(int pictureWidth, int pictureHeight) {
    const std::int64_t width = Width();
    const std::int64_t height = Height();
    const std::int64_t cellWidth = width + SkipWidth;
    const std::int64_t cellHeight = height + SkipHeight;
    if (width <= 0 || height <= 0 || cellWidth <= 0 || cellHeight <= 0)
        return; // cells of no size: no pattern
    const std::int64_t columns = (std::int64_t{pictureWidth} + SkipWidth) / cellWidth;
    const std::int64_t rows = (std::int64_t{pictureHeight} + SkipHeight) / cellHeight;
    if (columns <= 0 || rows <= 0)
        return; // the picture is smaller than one cell
    if (columns * rows > MaxPatterns)
        throw EPictureCollectionError(Format("%s cannot be made", "Patterns"));

    auto cell = [&](std::int64_t column, std::int64_t row, std::int64_t originX,
                    std::int64_t originY) {
        const std::int64_t left = column * cellWidth - originX;
        const std::int64_t top = row * cellHeight - originY;
        return MakeRect(left, top, left + width, top + height);
    };

    if (SystemMemory) {
        // One surface holds the whole picture.
        TDirectDrawSurface* surface =
            AddSurface(RECT{0, 0, pictureWidth, pictureHeight}, TPictureUse::Last);
        for (std::int64_t row = 0; row < rows; ++row)
            for (std::int64_t column = 0; column < columns; ++column)
                patterns_.push_back({cell(column, row, 0, 0), surface});
        return;
    }

    // In video memory the picture is cut into blocks of whole cells; each cell lies in the block
    // that holds its top-left corner.
    const std::int64_t blockWidth = BlockSide(cellWidth, columns);
    const std::int64_t blockHeight = BlockSide(cellHeight, rows);
    const std::int64_t cellsAcross = blockWidth / cellWidth;
    const std::int64_t cellsDown = blockHeight / cellHeight;
    const std::int64_t blockColumns = (columns + cellsAcross - 1) / cellsAcross;
    const std::int64_t blockRows = (rows + cellsDown - 1) / cellsDown;
    std::vector<TDirectDrawSurface*> blocks;
    for (std::int64_t blockRow = 0; blockRow < blockRows; ++blockRow)
        for (std::int64_t blockColumn = 0; blockColumn < blockColumns; ++blockColumn)
            blocks.push_back(AddSurface(
                MakeRect(blockColumn * blockWidth, blockRow * blockHeight,
                         std::min<std::int64_t>((blockColumn + 1) * blockWidth, pictureWidth),
                         std::min<std::int64_t>((blockRow + 1) * blockHeight, pictureHeight))));
    for (std::int64_t row = 0; row < rows; ++row)
        for (std::int64_t column = 0; column < columns; ++column) {
            const std::int64_t blockColumn = column / cellsAcross;
            const std::int64_t blockRow = row / cellsDown;
            patterns_.push_back(
                {cell(column, row, blockColumn * blockWidth, blockRow * blockHeight),
                 blocks[static_cast<std::size_t>(blockRow * blockColumns + blockColumn)]});
        }
}

TDirectDrawSurface* TPictureCollectionItem::AddSurface(const RECT& rect, TPictureUse use) {
    TCustomDXDraw* dxDraw = collection_.DXDraw();
    auto owned = std::make_unique<TDirectDrawSurface>(dxDraw ? dxDraw->DDraw() : nullptr);
    TDirectDrawSurface* surface = owned.get();
    surfaces_.push_back(std::move(owned));
    surface->SetSystemMemory(SystemMemory);
    const double scale = SurfaceScale();
    if (scale == 1.0) {
        LoadPicture(*surface, *picture_->Graphic(), 0, 0, rect, use);
    } else {
        // The rectangle in the art's pixels; the surface draws in the item's units.
        const RECT pixels{ScaledLength(rect.left, scale), ScaledLength(rect.top, scale),
                          ScaledLength(rect.right, scale), ScaledLength(rect.bottom, scale)};
        if (resampled_.isNull()) {
            LoadPicture(*surface, *ArtFor(scale).Graphic, 0, 0, pixels, use);
        } else {
            const int w = pixels.right - pixels.left, h = pixels.bottom - pixels.top;
            surface->SetSize(w, h);
            if (w > 0 && h > 0) {
                TDirectDrawSurfaceCanvas& canvas = surface->Canvas();
                const CanvasRelease release(canvas);
                canvas.StretchDraw(QRect(0, 0, w, h), resampled_,
                                   QRect(pixels.left, pixels.top, w, h));
            }
        }
    }
    // Keyed whatever Transparent says: drawing decides whether the key is used.
    surface->SetTransparentPixel(surface->ColorMatch(transparentColor_));
    surface->SetScale(scale);
    return surface;
}

void TPictureCollectionItem::Draw(TDirectDrawSurface* dest, int x, int y, int index) const {
    if (!initialized_ || !dest || index < 0 || index >= PatternCount())
        return;
    const TPictureCollectionItemPattern& pattern = patterns_[static_cast<std::size_t>(index)];
    dest->Draw(x, y, pattern.Rect, pattern.Surface, Transparent);
}

// ---------------------------------------------------------------------------------------------
// TPictureCollection

TPictureCollection::TPictureCollection(TCustomDXImageList* owner) : owner_(owner) {}

TPictureCollection::~TPictureCollection() {
    Clear();
}

TPictureCollectionItem& TPictureCollection::Items(int index) const {
    if (index < 0 || index >= Count())
        ListIndexError(index);
    return *items_[static_cast<std::size_t>(index)];
}

TPictureCollectionItem& TPictureCollection::Add() {
    items_.push_back(std::make_unique<TPictureCollectionItem>(*this));
    return *items_.back();
}

void TPictureCollection::Clear() {
    // The last first, as a collection empties itself.
    while (!items_.empty())
        items_.pop_back();
}

void TPictureCollection::ReadColorTable(TStream& stream) {
    stream.ReadBuffer(ColorTable.data(), static_cast<std::int64_t>(ColorTable.size()));
}

void TPictureCollection::WriteColorTable(TStream& stream) const {
    stream.WriteBuffer(ColorTable.data(), static_cast<std::int64_t>(ColorTable.size()));
}

bool TPictureCollection::Initialized() const {
    return dxDraw_ && dxDraw_->Initialized();
}

void TPictureCollection::Initialize(TCustomDXDraw* dxDraw) {
    Finalize();
    dxDraw_ = dxDraw;
    if (!Initialized())
        throw EPictureCollectionError(Format("%s cannot be initialized", ClassName));
    for (const auto& item : items_)
        item->Initialize();
}

void TPictureCollection::Finalize() {
    try {
        for (const auto& item : items_)
            item->Finalize();
    } catch (...) {
        dxDraw_ = nullptr;
        throw;
    }
    dxDraw_ = nullptr;
}

void TPictureCollection::Restore() {
    for (const auto& item : items_)
        item->Restore();
}

// ---------------------------------------------------------------------------------------------
// TCustomDXImageList

TCustomDXImageList::TCustomDXImageList() : items_(std::make_unique<TPictureCollection>(this)) {}

TCustomDXImageList::~TCustomDXImageList() {
    SetDXDraw(nullptr);
    items_.reset();
}

void TCustomDXImageList::DXDrawNotifyEvent(TCustomDXDraw& sender, TDXDrawNotifyType type) {
    switch (type) {
    case TDXDrawNotifyType::NotifyDestroying:
        SetDXDraw(nullptr);
        break;
    case TDXDrawNotifyType::NotifyInitialize:
        items_->Initialize(&sender);
        break;
    case TDXDrawNotifyType::NotifyFinalize:
        items_->Finalize();
        break;
    case TDXDrawNotifyType::NotifyRestore:
        items_->Restore();
        break;
    default:
        break;
    }
}
