// SPDX-License-Identifier: GPL-3.0-or-later
#include "picture/DIB.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <new>

namespace {

constexpr std::uint32_t kHeaderCore = 12;
constexpr std::uint32_t kHeaderInfo = 40;
constexpr std::uint32_t kBiRGB = 0;
constexpr std::uint32_t kBiRLE8 = 1;
constexpr std::uint32_t kBiRLE4 = 2;
constexpr std::uint32_t kBiBitFields = 3;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// ((1 << bits) - 1) << shift, cut to 32 bits.
std::uint32_t MaskOf(int bits, int shift) {
    if (bits <= 0 || shift >= 32)
        return 0;
    const std::uint64_t ones = bits >= 32 ? 0xFFFFFFFFull : ((1ull << bits) - 1);
    return static_cast<std::uint32_t>(ones << shift);
}

// The length of the run of set bits that starts at the lowest set bit.
int RunOfSetBits(std::uint32_t mask) {
    if (mask == 0)
        return 0;
    while ((mask & 1) == 0)
        mask >>= 1;
    int count = 0;
    while (mask & 1) {
        ++count;
        mask >>= 1;
    }
    return count;
}

TColorTable GreyRamp() {
    TColorTable table;
    for (int i = 0; i < 256; ++i) {
        const auto v = static_cast<std::uint8_t>(i);
        table[static_cast<size_t>(i)] = {v, v, v, 0};
    }
    return table;
}

const TPixelFormat& Format888() {
    static const TPixelFormat format = TPixelFormat::FromBitCounts(8, 8, 8);
    return format;
}
const TPixelFormat& Format555() {
    static const TPixelFormat format = TPixelFormat::FromBitCounts(5, 5, 5);
    return format;
}
const TPixelFormat& Format565() {
    static const TPixelFormat format = TPixelFormat::FromBitCounts(5, 6, 5);
    return format;
}

bool SameMasks(const TPixelFormat& a, const TPixelFormat& b) {
    return a.RBitMask == b.RBitMask && a.GBitMask == b.GBitMask && a.BBitMask == b.BBitMask;
}

std::int64_t RemainingBytes(TStream& stream) {
    const std::int64_t remaining = stream.Size() - stream.Position();
    return remaining > 0 ? remaining : 0;
}

std::uint32_t ToXRGB(const TRGBQuad& c) {
    return 0xFF000000u | (static_cast<std::uint32_t>(c.rgbRed) << 16) |
           (static_cast<std::uint32_t>(c.rgbGreen) << 8) | c.rgbBlue;
}

// Widens a 5- or 6-bit channel to 8 bits, so that the largest value gives 255.
std::uint32_t Widen(std::uint32_t value, int bits) {
    return bits == 6 ? (value << 2) | (value >> 4) : (value << 3) | (value >> 2);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Pixel formats

TPixelFormat TPixelFormat::FromBitCounts(int r, int g, int b) {
    TPixelFormat format;
    format.RBitCount = r;
    format.GBitCount = g;
    format.BBitCount = b;
    format.BShift = 0;
    format.GShift = b;
    format.RShift = g + b;
    format.RBitMask = MaskOf(r, g + b);
    format.GBitMask = MaskOf(g, b);
    format.BBitMask = MaskOf(b, 0);
    return format;
}

TPixelFormat TPixelFormat::FromMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    return FromBitCounts(RunOfSetBits(red), RunOfSetBits(green), RunOfSetBits(blue));
}

// ---------------------------------------------------------------------------------------------
// Palette cache

TPaletteManager& TPaletteManager::Instance() {
    static TPaletteManager manager;
    return manager;
}

int TPaletteManager::PaletteKey(const TRGBQuad* colors, int count) {
    int key = count;
    for (int i = 0; i < count; ++i)
        key += colors[i].rgbRed + colors[i].rgbGreen + colors[i].rgbBlue;
    return key;
}

TPaletteItem* TPaletteManager::CreatePalette(const TRGBQuad* colors, int count) {
    std::vector<TPaletteEntry> entries(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        entries[static_cast<size_t>(i)] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue,
                                           0};
    const int key = PaletteKey(colors, count);
    for (const auto& item : items_) {
        if (item->key_ == key && item->entries_ == entries) {
            ++item->users_;
            return item.get();
        }
    }
    items_.push_back(std::make_unique<TPaletteItem>(key, std::move(entries)));
    return items_.back().get();
}

void TPaletteManager::DeletePalette(TPaletteItem* palette) {
    const auto found = std::find_if(items_.begin(), items_.end(),
                                    [palette](const auto& item) { return item.get() == palette; });
    if (found == items_.end())
        return;
    if (--(*found)->users_ <= 0)
        items_.erase(found);
}

// ---------------------------------------------------------------------------------------------
// Shared image

TDIBSharedImage::TDIBSharedImage() : bitCount_(0), colorTableCount_(0), colorTable_(GreyRamp()) {
    pixelFormat_ = Format888();
}

TDIBSharedImage::TDIBSharedImage(std::int64_t width, std::int64_t height, int bitCount,
                                 const TPixelFormat& pixelFormat, const TColorTable& colorTable,
                                 bool memoryImage, bool compressed, bool rle4)
    : bitCount_(bitCount), pixelFormat_(pixelFormat), colorTable_(colorTable),
      compressed_(compressed), rle4_(rle4), memoryImage_(memoryImage || compressed) {
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
    case 32:
        if (!SameMasks(pixelFormat, Format888()))
            throw EInvalidGraphicOperation("PixelFormat in invalid");
        break;
    case 16:
        if (!SameMasks(pixelFormat, Format555()) && !SameMasks(pixelFormat, Format565()))
            throw EInvalidGraphicOperation("PixelFormat in invalid");
        break;
    default:
        throw EInvalidGraphicOperation(Format("Bitcount in invalid (%d)", bitCount));
    }
    const std::int64_t widthBytes = CalcWidthBytes(width, bitCount);
    if (widthBytes < 0 || height < 0 || height > INT_MAX || width > INT_MAX ||
        widthBytes * height > MaxPixelBytes)
        throw EOutOfResources(Format("%s cannot be made", "DIB"));
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    widthBytes_ = static_cast<int>(widthBytes);
    colorTableCount_ = bitCount <= 8 ? 1 << bitCount : 0;
}

TDIBSharedImage::~TDIBSharedImage() {
    if (palette_)
        TPaletteManager::Instance().DeletePalette(palette_);
}

std::int64_t TDIBSharedImage::CalcWidthBytes(std::int64_t width, int bitCount) {
    if (width < 0 || bitCount < 0 || width > INT_MAX)
        return -1;
    const std::int64_t bytes = ((width * bitCount + 31) / 32) * 4;
    return bytes > INT_MAX ? -1 : bytes;
}

void TDIBSharedImage::AllocatePixels(std::size_t count, bool zeroed) {
    try {
        // Large blocks come zeroed from the system at no cost; small ones to be overwritten are
        // left as the heap gives them.
        pixels_ = zeroed || count >= platform::HugePageSize
                      ? platform::AllocateZeroed(count)
                      : platform::ZeroedBytes(new std::uint8_t[count]);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources(Format("%s cannot be made", "DIB"));
    }
    pixelsSize_ = count;
    drawableValid_ = false;
}

platform::ZeroedBytes TDIBSharedImage::DecodeRLE() const {
    const std::size_t size = static_cast<std::size_t>(widthBytes_) * height_;
    auto out = platform::AllocateZeroed(size);
    const std::uint8_t* data = pixels_.get();
    const std::size_t count = pixelsSize_;
    const std::int64_t width = width_;
    const std::int64_t height = height_;
    std::int64_t x = 0;
    std::int64_t y = 0; // line 0 is the bottom line

    // Malformed data may run past the end of a line or past the last line; such pixels are cut
    // off (dropped), never written outside the pixel block. A run does not wrap to the next line.
    auto put = [&](std::uint8_t value) {
        if (x < width) {
            std::uint8_t* line = out.get() + y * widthBytes_;
            if (rle4_) {
                std::uint8_t& byte = line[x / 2];
                byte = (x & 1) ? static_cast<std::uint8_t>((byte & 0xF0) | (value & 0x0F))
                               : static_cast<std::uint8_t>((byte & 0x0F) | (value << 4));
            } else {
                line[x] = value;
            }
        }
        ++x;
    };

    std::size_t i = 0;
    // Lines only ever advance, so once past the last line nothing more can be written. Data
    // that end without an end-of-picture code end the picture there.
    while (i + 1 < count && y < height) {
        const std::uint8_t first = data[i];
        const std::uint8_t second = data[i + 1];
        i += 2;
        if (first > 0) {
            for (int k = 0; k < first; ++k)
                put(rle4_ ? ((k & 1) ? second & 0x0F : second >> 4) : second);
            continue;
        }
        switch (second) {
        case 0: // end of line
            x = 0;
            ++y;
            break;
        case 1: // end of picture
            return out;
        case 2: // delta
            if (i + 2 > count)
                return out;
            x += data[i];
            y += data[i + 1];
            i += 2;
            break;
        default: { // literal pixels, padded to an even number of bytes
            const int n = second;
            const auto bytes = static_cast<std::size_t>(rle4_ ? (n + 1) / 2 : n);
            for (int k = 0; k < n; ++k) {
                const std::size_t at = i + static_cast<std::size_t>(rle4_ ? k / 2 : k);
                if (at >= count)
                    return out;
                put(rle4_ ? ((k & 1) ? data[at] & 0x0F : data[at] >> 4) : data[at]);
            }
            i += bytes + (bytes & 1);
            break;
        }
        }
    }
    return out;
}

std::unique_ptr<TDIBSharedImage> TDIBSharedImage::CopyAs(bool memoryImage) const {
    auto copy = std::make_unique<TDIBSharedImage>();
    copy->width_ = width_;
    copy->height_ = height_;
    copy->bitCount_ = bitCount_;
    copy->widthBytes_ = widthBytes_;
    copy->colorTableCount_ = colorTableCount_;
    copy->pixelFormat_ = pixelFormat_;
    copy->colorTable_ = colorTable_;
    copy->memoryImage_ = memoryImage;
    if (compressed_) {
        try {
            copy->pixels_ = DecodeRLE();
        } catch (const std::bad_alloc&) {
            throw EOutOfResources(Format("%s cannot be made", "DIB"));
        }
        copy->pixelsSize_ = static_cast<std::size_t>(widthBytes_) * height_;
    } else if (pixelsSize_ > 0) {
        copy->AllocatePixels(pixelsSize_, false);
        std::memcpy(copy->pixels_.get(), pixels_.get(), pixelsSize_);
    }
    return copy;
}

void TDIBSharedImage::ColorTableChanged() {
    paletteChanged_ = true;
    drawableValid_ = false;
}

const QImage& TDIBSharedImage::Drawable() {
    if (drawableValid_)
        return drawable_;
    if (pixelsSize_ == 0 || compressed_) {
        drawable_ = QImage();
        drawableValid_ = true;
        return drawable_;
    }
    drawable_ = QImage(width_, height_, QImage::Format_RGB32);
    if (drawable_.isNull())
        throw EOutOfResources(Format("%s cannot be made", "DIB"));
    ConvertInto(drawable_.bits(), drawable_.bytesPerLine(), QRect(0, 0, width_, height_));
    drawableValid_ = true;
    return drawable_;
}

void TDIBSharedImage::ConvertInto(uchar* target, qsizetype pitch, const QRect& area) const {
    std::array<std::uint32_t, 256> lookup;
    for (size_t i = 0; i < lookup.size(); ++i)
        lookup[i] = ToXRGB(colorTable_[i]);
    const bool is565 = bitCount_ == 16 && SameMasks(pixelFormat_, Format565());
    const int left = area.left();
    const int right = area.left() + area.width();
    for (int y = area.top(); y < area.top() + area.height(); ++y) {
        const std::uint8_t* src =
            pixels_.get() + static_cast<std::size_t>(height_ - 1 - y) * widthBytes_;
        auto* dst = reinterpret_cast<std::uint32_t*>(target + (y - area.top()) * pitch) - left;
        switch (bitCount_) {
        case 1:
            for (int x = left; x < right; ++x)
                dst[x] = lookup[(src[x >> 3] >> (7 - (x & 7))) & 1];
            break;
        case 4:
            for (int x = left; x < right; ++x)
                dst[x] = lookup[(x & 1) ? src[x >> 1] & 0x0F : src[x >> 1] >> 4];
            break;
        case 8:
            for (int x = left; x < right; ++x)
                dst[x] = lookup[src[x]];
            break;
        case 16:
            for (int x = left; x < right; ++x) {
                const std::uint32_t v = Le16(src + 2 * x);
                const std::uint32_t r = is565 ? Widen(v >> 11, 5) : Widen((v >> 10) & 31, 5);
                const std::uint32_t g = is565 ? Widen((v >> 5) & 63, 6) : Widen((v >> 5) & 31, 5);
                const std::uint32_t b = Widen(v & 31, 5);
                dst[x] = 0xFF000000u | (r << 16) | (g << 8) | b;
            }
            break;
        case 24: {
            int x = left;
            if constexpr (std::endian::native == std::endian::little) {
                // Four pixels (twelve bytes: blue, green, red each) from three 32-bit words.
                for (; x + 4 <= right; x += 4) {
                    std::uint32_t w[3];
                    std::memcpy(w, src + 3 * x, sizeof w);
                    dst[x] = 0xFF000000u | (w[0] & 0xFFFFFFu);
                    dst[x + 1] = 0xFF000000u | (w[0] >> 24) | ((w[1] & 0xFFFFu) << 8);
                    dst[x + 2] = 0xFF000000u | (w[1] >> 16) | ((w[2] & 0xFFu) << 16);
                    dst[x + 3] = 0xFF000000u | (w[2] >> 8);
                }
            }
            for (; x < right; ++x) {
                const std::uint8_t* p = src + 3 * x;
                dst[x] = 0xFF000000u | (static_cast<std::uint32_t>(p[2]) << 16) |
                         (static_cast<std::uint32_t>(p[1]) << 8) | p[0];
            }
            break;
        }
        case 32:
            for (int x = left; x < right; ++x)
                dst[x] = 0xFF000000u | (Le32(src + 4 * x) & 0xFFFFFFu);
            break;
        default:
            break;
        }
    }
}

void TDIBSharedImage::DropDrawable() {
    drawable_ = QImage();
    drawableValid_ = false;
}

TPaletteItem* TDIBSharedImage::Palette() {
    if (colorTableCount_ <= 0)
        return nullptr;
    if (palette_ && !paletteChanged_)
        return palette_;
    TPaletteManager& manager = TPaletteManager::Instance();
    TPaletteItem* fresh = manager.CreatePalette(colorTable_.data(), colorTableCount_);
    if (palette_)
        manager.DeletePalette(palette_);
    palette_ = fresh;
    paletteChanged_ = false;
    return palette_;
}

// ---------------------------------------------------------------------------------------------
// Reading stored DIB data

namespace {

struct DIBHeader {
    std::uint32_t size = 0;
    std::int64_t width = 0;
    std::int64_t height = 0; // as stored: negative for top-down data
    int bitCount = 0;
    std::uint32_t compression = kBiRGB;
    std::uint32_t imageSize = 0;
    std::uint32_t colorsUsed = 0;
};

} // namespace

std::shared_ptr<TDIBSharedImage> TDIB::ReadImage(TStream& stream, bool memoryImage) {
    std::uint8_t bytes[40];
    const std::int64_t got = stream.Read(bytes, 4);
    if (got == 0)
        return nullptr;
    if (got < 4)
        throw EInvalidGraphic("DIB is invalid");

    DIBHeader header;
    header.size = Le32(bytes);
    if (header.size == kHeaderCore) {
        stream.ReadBuffer(bytes + 4, 8);
        header.width = Le16(bytes + 4);
        header.height = Le16(bytes + 6);
        header.bitCount = Le16(bytes + 10);
    } else if (header.size == kHeaderInfo) {
        stream.ReadBuffer(bytes + 4, 36);
        header.width = static_cast<std::int32_t>(Le32(bytes + 4));
        header.height = static_cast<std::int32_t>(Le32(bytes + 8));
        header.bitCount = Le16(bytes + 14);
        header.compression = Le32(bytes + 16);
        header.imageSize = Le32(bytes + 20);
        header.colorsUsed = Le32(bytes + 32);
    } else {
        throw EInvalidGraphic("DIB is invalid");
    }

    TPixelFormat pixelFormat;
    if (header.compression == kBiBitFields) {
        std::uint8_t masks[12];
        stream.ReadBuffer(masks, sizeof masks);
        pixelFormat = TPixelFormat::FromMasks(Le32(masks), Le32(masks + 4), Le32(masks + 8));
    } else {
        pixelFormat = header.bitCount == 16 ? Format555() : Format888();
    }

    std::uint32_t colorCount = header.colorsUsed;
    if (colorCount == 0)
        colorCount = header.bitCount <= 8 ? 1u << header.bitCount : 0;
    colorCount = std::min<std::uint32_t>(colorCount, 256);
    TColorTable colorTable{};
    if (header.size == kHeaderCore) {
        std::uint8_t entries[256 * 3];
        stream.ReadBuffer(entries, colorCount * 3);
        for (std::uint32_t i = 0; i < colorCount; ++i)
            colorTable[i] = {entries[3 * i], entries[3 * i + 1], entries[3 * i + 2], 0};
    } else {
        stream.ReadBuffer(colorTable.data(), colorCount * 4);
    }

    const bool compressed = header.compression == kBiRLE8 || header.compression == kBiRLE4;
    const std::int64_t lines = header.height < 0 ? -header.height : header.height;
    std::shared_ptr<TDIBSharedImage> image;
    try {
        image = std::make_shared<TDIBSharedImage>(header.width, lines, header.bitCount, pixelFormat,
                                                  colorTable, memoryImage, compressed,
                                                  header.compression == kBiRLE4);
    } catch (const EOutOfResources&) {
        // The declared size cannot be held; the value cannot be holding such a picture.
        throw EReadError("Stream read error");
    }

    if (header.compression == kBiRGB || header.compression == kBiBitFields) {
        const std::int64_t widthBytes = image->WidthBytes();
        const std::int64_t total = widthBytes * image->Height();
        if (total > RemainingBytes(stream))
            throw EReadError("Stream read error");
        image->AllocatePixels(static_cast<std::size_t>(total), false);
        std::uint8_t* pixels = image->pixels_.get();
        if (header.height >= 0 || total == 0) {
            stream.ReadBuffer(pixels, total);
        } else {
            for (std::int64_t line = image->Height() - 1; line >= 0; --line)
                stream.ReadBuffer(pixels + line * widthBytes, widthBytes);
        }
    } else if (compressed) {
        // RLE8 codes 8-bit pixels and RLE4 4-bit pixels; any other pairing cannot be decoded.
        if ((header.compression == kBiRLE8 && header.bitCount != 8) ||
            (header.compression == kBiRLE4 && header.bitCount != 4))
            throw EInvalidGraphic("DIB is invalid");
        if (header.imageSize > RemainingBytes(stream))
            throw EReadError("Stream read error");
        image->AllocatePixels(header.imageSize, false);
        stream.ReadBuffer(image->pixels_.get(), header.imageSize);
    } else {
        throw EInvalidGraphic("DIB is invalid");
    }
    return image;
}

// ---------------------------------------------------------------------------------------------
// TDIB

TDIB::TDIB() : image_(std::make_shared<TDIBSharedImage>()) {}

TDIB::TDIB(const TDIB& source) : TGraphic(), image_(source.image_) {}

TDIB& TDIB::operator=(const TDIB& source) {
    if (image_ != source.image_) {
        image_ = source.image_;
        Changed();
    }
    return *this;
}

TDIB::~TDIB() = default;

void TDIB::ReadStoredData(TStream& stream) {
    std::shared_ptr<TDIBSharedImage> image = ReadImage(stream, image_->MemoryImage());
    image_ = image ? std::move(image) : std::make_shared<TDIBSharedImage>();
    Changed();
}

void TDIB::ReadBitmapFile(TStream& stream) {
    std::uint8_t fileHeader[14];
    const std::int64_t got = stream.Read(fileHeader, sizeof fileHeader);
    if (got == 0)
        return;
    if (got < static_cast<std::int64_t>(sizeof fileHeader) || Le16(fileHeader) != 0x4D42)
        throw EInvalidGraphic("DIB is invalid");
    ReadStoredData(stream);
}

void TDIB::MakeDrawable(int width, int height, int bitCount, bool zeroed) {
    const TPixelFormat& format = bitCount == 16 ? Format555() : Format888();
    auto image = std::make_shared<TDIBSharedImage>(width, height, bitCount, format,
                                                   image_->ColorTable(), false, false);
    image->AllocatePixels(static_cast<std::size_t>(image->WidthBytes()) * image->Height(), zeroed);
    image_ = std::move(image);
    Changed();
}

void TDIB::SetSize(int width, int height, int bitCount) {
    MakeDrawable(width, height, bitCount, true);
}

void TDIB::SetSizeForOverwrite(int width, int height, int bitCount) {
    MakeDrawable(width, height, bitCount, false);
}

void TDIB::MakePrivate() {
    if (image_.use_count() > 1 || image_->Compressed())
        image_ = image_->CopyAs(image_->MemoryImage());
}

void TDIB::SetColorTable(const TColorTable& colorTable) {
    MakePrivate();
    image_->colorTable_ = colorTable;
    image_->ColorTableChanged();
    Changed();
}

void TDIB::SetColorTableEntry(int index, const TRGBQuad& entry) {
    if (index < 0 || index > 255)
        throw EInvalidGraphicOperation(Format("Color table index out of range (%d)", index));
    MakePrivate();
    image_->colorTable_[static_cast<size_t>(index)] = entry;
    image_->ColorTableChanged();
    Changed();
}

std::uint8_t* TDIB::PBits() {
    MakePrivate();
    image_->PixelsChanged();
    return image_->pixels_.get();
}

std::uint8_t* TDIB::ScanLine(int y) {
    if (y < 0 || y >= Height())
        throw EInvalidGraphicOperation(Format("Scan line index out of range (%d)", y));
    std::uint8_t* bits = PBits();
    return bits + static_cast<std::size_t>(Height() - 1 - y) * WidthBytes();
}

const QImage& TDIB::Handle() {
    if (image_->MemoryImage()) {
        if (image_.use_count() > 1 || image_->Compressed())
            image_ = image_->CopyAs(false);
        else
            image_->memoryImage_ = false; // the pixels are already this DIB's alone
    }
    return image_->Drawable();
}

const TPaletteItem* TDIB::Palette() {
    return image_->Palette();
}

void TDIB::Draw(platform::DeviceContext& dc, const QRect& rect) {
    if (Empty())
        return;
    Palette(); // selected into the target; a 32-bit target draws true colours anyway
    QImage& target = dc.Image();
    if (rect.size() == QSize(Width(), Height()) && !image_->Compressed() &&
        target.format() == QImage::Format_RGB32) {
        // At its own size the picture goes through its colour table straight into the target,
        // without a drawable image made on the way.
        const QRect shown = rect & target.rect();
        if (shown.isEmpty())
            return;
        const qsizetype pitch = target.bytesPerLine();
        image_->ConvertInto(target.bits() + shown.top() * pitch + shown.left() * 4, pitch,
                            shown.translated(-rect.topLeft()));
        return;
    }
    dc.StretchBlt(rect, Handle(), QRect(0, 0, Width(), Height()));
}

std::unique_ptr<TGraphic> TDIB::Clone() const {
    return std::make_unique<TDIB>(*this);
}

void TDIB::Dormant() {
    image_->DropDrawable();
}
