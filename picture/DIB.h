// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Device-independent bitmaps: TDIB and its shared image, the process-wide palette cache, and the
// readers of stored DIB data and of "BM" bitmap files.
//
// Pixels are kept as the stored form lays them out: lines from the bottom line up, each
// WidthBytes bytes long, pixels of 8 bits or fewer indexing a colour table of 256 entries.
#include "picture/Picture.h"
#include "platform/ZeroedMemory.h"

#include <QImage>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A colour table entry as stored: blue, green, red, zero.
struct TRGBQuad {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
    bool operator==(const TRGBQuad&) const = default;
};
static_assert(sizeof(TRGBQuad) == 4);
using TColorTable = std::array<TRGBQuad, 256>;

// Red, green and blue masks with their bit counts and shifts (the position of the lowest bit).
struct TPixelFormat {
    std::uint32_t RBitMask = 0, GBitMask = 0, BBitMask = 0;
    int RBitCount = 0, GBitCount = 0, BBitCount = 0;
    int RShift = 0, GShift = 0, BShift = 0;
    bool operator==(const TPixelFormat&) const = default;

    // r bits of red above g bits of green above b bits of blue.
    static TPixelFormat FromBitCounts(int r, int g, int b);
    // The arrangement read from three stored masks: for each mask, the run of set bits starting
    // at its lowest set bit gives its bit count; the masks themselves are rebuilt from those
    // counts, so masks in any other arrangement read as if they were in this one.
    static TPixelFormat FromMasks(std::uint32_t red, std::uint32_t green, std::uint32_t blue);
};

// A palette as the drawing platform takes it: entries in red, green, blue order with flags.
struct TPaletteEntry {
    std::uint8_t peRed = 0;
    std::uint8_t peGreen = 0;
    std::uint8_t peBlue = 0;
    std::uint8_t peFlags = 0;
    bool operator==(const TPaletteEntry&) const = default;
};

// One cached palette and the number of images using it.
class TPaletteItem {
public:
    TPaletteItem(int key, std::vector<TPaletteEntry> entries)
        : key_(key), entries_(std::move(entries)) {}
    int Key() const { return key_; }
    int Users() const { return users_; }
    const std::vector<TPaletteEntry>& Entries() const { return entries_; }

private:
    friend class TPaletteManager;
    int key_;
    int users_ = 1;
    std::vector<TPaletteEntry> entries_;
};

// The process-wide palette cache. A palette is looked up by its key (the entry count plus the
// sum of the red, green and blue values of all entries), then by exact comparison of the
// entries; a hit gains a user, a miss makes a new palette with one user. A palette is deleted
// when its last user gives it back.
class TPaletteManager {
public:
    static TPaletteManager& Instance();

    TPaletteItem* CreatePalette(const TRGBQuad* colors, int count);
    void DeletePalette(TPaletteItem* palette);
    int Count() const { return static_cast<int>(items_.size()); }

    static int PaletteKey(const TRGBQuad* colors, int count);

private:
    std::vector<std::unique_ptr<TPaletteItem>> items_;
};

// The image a TDIB holds; shared between TDIBs and copied before a change while shared.
class TDIBSharedImage {
public:
    // A DIB's pixel block is limited to 64 MiB (the game's largest picture needs 900 KiB), so
    // that stored data declaring absurd dimensions cannot exhaust memory.
    static constexpr std::int64_t MaxPixelBytes = 64 * 1024 * 1024;

    // The empty image: no pixels, a grey ramp as colour table, a memory image.
    TDIBSharedImage();
    // An image of the given size and kind, without pixels yet. Checks the bit count and the
    // pixel format (EInvalidGraphicOperation "Bitcount in invalid (%d)" / "PixelFormat in
    // invalid"), computes WidthBytes and ColorTableCount, and refuses a size whose pixel block
    // cannot be had (EOutOfResources "%s cannot be made" with "DIB"). MemoryImage is memoryImage
    // or compressed; a compressed image decodes its RLE data (RLE4 when rle4) on first use.
    TDIBSharedImage(std::int64_t width, std::int64_t height, int bitCount,
                    const TPixelFormat& pixelFormat, const TColorTable& colorTable,
                    bool memoryImage, bool compressed, bool rle4 = false);
    ~TDIBSharedImage();
    TDIBSharedImage(const TDIBSharedImage&) = delete;
    TDIBSharedImage& operator=(const TDIBSharedImage&) = delete;

    // ((width x bitCount + 31) div 32) x 4, or -1 when that is negative or above 2^31 - 1.
    static std::int64_t CalcWidthBytes(std::int64_t width, int bitCount);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int BitCount() const { return bitCount_; }
    int WidthBytes() const { return widthBytes_; }
    int ColorTableCount() const { return colorTableCount_; }
    const TPixelFormat& PixelFormat() const { return pixelFormat_; }
    const TColorTable& ColorTable() const { return colorTable_; }
    bool Compressed() const { return compressed_; }
    bool MemoryImage() const { return memoryImage_; }
    // The pixel bytes (the stored RLE data while Compressed) and their count.
    const std::uint8_t* Pixels() const { return pixels_.get(); }
    std::size_t PixelsSize() const { return pixelsSize_; }

private:
    friend class TDIB;

    // Allocates count bytes of Pixels (zeroed or not); EOutOfResources when they cannot be had.
    void AllocatePixels(std::size_t count, bool zeroed);
    // Decodes the held RLE data into a zeroed pixel block of WidthBytes x Height bytes.
    platform::ZeroedBytes DecodeRLE() const;
    // A new image of this one's size, format and colours, of the given kind, holding this one's
    // pixels (decoded when compressed).
    std::unique_ptr<TDIBSharedImage> CopyAs(bool memoryImage) const;
    void ColorTableChanged();
    void PixelsChanged() { drawableValid_ = false; }
    const QImage& Drawable();
    void DropDrawable();
    // Converts area of the pixels (lines counted from the top; inside the image, not compressed)
    // through the colour table into 32-bit XRGB lines at target, pitch bytes apart.
    void ConvertInto(uchar* target, qsizetype pitch, const QRect& area) const;
    TPaletteItem* Palette();

    int width_ = 0;
    int height_ = 0;
    int bitCount_ = 8;
    int widthBytes_ = 0;
    int colorTableCount_ = 256;
    TPixelFormat pixelFormat_;
    TColorTable colorTable_{};
    bool compressed_ = false;
    bool rle4_ = false;
    bool memoryImage_ = true;
    platform::ZeroedBytes pixels_;
    std::size_t pixelsSize_ = 0;

    // The drawable form: the pixels converted through the colour table into a top-down 32-bit
    // XRGB image, remade after the pixels or the colours changed.
    QImage drawable_;
    bool drawableValid_ = false;

    TPaletteItem* palette_ = nullptr;
    bool paletteChanged_ = true;
};

// A device-independent bitmap picture.
class TDIB : public TGraphic {
public:
    // An empty DIB: no pixels, a grey ramp (entry i is i, i, i, 0) as its colour table.
    TDIB();
    // Copies share the image; it is copied before one of them changes it.
    TDIB(const TDIB& source);
    TDIB& operator=(const TDIB& source);
    ~TDIB() override;

    int Width() const override { return image_->Width(); }
    int Height() const override { return image_->Height(); }
    // Empty when the image has no pixel bytes (also when its run-length data would decode to
    // none: a width or height of 0).
    bool Empty() const override {
        return image_->PixelsSize() == 0 || image_->WidthBytes() == 0 || image_->Height() == 0;
    }
    int BitCount() const { return image_->BitCount(); }
    int WidthBytes() const { return image_->WidthBytes(); }
    int ColorTableCount() const { return image_->ColorTableCount(); }
    const TPixelFormat& PixelFormat() const { return image_->PixelFormat(); }
    const TColorTable& ColorTable() const { return image_->ColorTable(); }
    const TDIBSharedImage& Image() const { return *image_; }

    // Reads stored DIB data (no file header). On failure the DIB keeps its previous image and
    // the exception passes on.
    void ReadStoredData(TStream& stream) override;
    // Reads a "BM" bitmap file: 14 bytes of file header, then the DIB data. A stream with no
    // byte left changes nothing; a short or wrong file header raises "DIB is invalid".
    void ReadBitmapFile(TStream& stream);

    // Makes a new drawable image of the given size and bit count, all pixels 0, keeping the
    // colour table (a new DIB's grey ramp). 16-bit images are 5-5-5.
    void SetSize(int width, int height, int bitCount);
    // As SetSize, but the pixel bytes are left as the memory holds them: for a caller that
    // writes every byte of every line at once (the JPEG decoder), so that no time is spent
    // clearing memory about to be overwritten.
    void SetSizeForOverwrite(int width, int height, int bitCount);
    // Changing the colours gives the DIB a private image; the palette follows on next request.
    void SetColorTable(const TColorTable& colorTable);
    void SetColorTableEntry(int index, const TRGBQuad& entry);

    // Direct access to the pixel bytes (bottom line first). The DIB first takes a private,
    // decoded image, so the bytes may be changed; the pointer serves until the DIB takes another
    // image (a read, SetSize, an assignment, or the next request for pixels, colours or the
    // drawing handle after a copy of the DIB was made).
    std::uint8_t* PBits();
    // The bytes of line y counted from the top line (0 <= y < Height), as PBits.
    std::uint8_t* ScanLine(int y);

    // The drawing handle: the picture as a top-down 32-bit XRGB image, made on first request;
    // a memory image is first replaced by a drawable one.
    const QImage& Handle();
    // The palette of a DIB with a colour table (null without one), from the palette cache.
    const TPaletteItem* Palette();

    // Stretching copy of the pixels through the colour table onto rect (at the DIB's own size,
    // straight into the device context's memory).
    void Draw(platform::DeviceContext& dc, const QRect& rect) override;
    using TGraphic::Draw;
    std::unique_ptr<TGraphic> Clone() const override;
    // Drops the drawable image; the pixels stay, the next Handle makes it again.
    void Dormant() override;

private:
    void MakeDrawable(int width, int height, int bitCount, bool zeroed);
    // Reads DIB data into a new image of the given memory kind; null when the stream holds no
    // byte at all.
    static std::shared_ptr<TDIBSharedImage> ReadImage(TStream& stream, bool memoryImage);
    // Gives the DIB an image it alone holds, with the RLE data decoded; the image keeps its
    // memory kind.
    void MakePrivate();

    std::shared_ptr<TDIBSharedImage> image_;
};
