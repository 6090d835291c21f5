// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// JPEG pictures: the stored bytes are held unchanged, the size is taken from the header, and
// the picture is decoded with libjpeg on its first paint into a bottom-up bitmap (TDIB).
#include "picture/DIB.h"
#include "picture/Picture.h"

#include <cstdint>
#include <memory>
#include <vector>

// libjpeg failed ("JPEG error #%d" with libjpeg's message number).
class EJPEG : public EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// The bitmap a decode makes: 24 bits per pixel, or 8 bits with a colour table of at most 236
// colours (the choice for screens of 8 bits per pixel or fewer).
enum class TJPEGPixelFormat { jf24Bit, jf8Bit };

// The JPEG bytes and what their header says.
struct TJPEGData {
    std::vector<std::uint8_t> Bytes;
    int Width = 0;
    int Height = 0;
    bool Grayscale = false;
};

class TJPEGImage : public TGraphic {
public:
    // Pictures beyond these are refused with EJPEG before any pixel memory is taken: at most
    // 8192 pixels a side and 16 Mi pixels in all ("JPEG error #%d" with JERR_IMAGE_TOO_BIG),
    // and at most 100 scans (with JERR_BAD_PROGRESSION). The game's largest is 640 x 480 with
    // about ten scans.
    static constexpr int MaxSide = 8192;
    static constexpr std::int64_t MaxPixels = 16 * 1024 * 1024;
    static constexpr int MaxScans = 100;

    TJPEGImage() = default;
    ~TJPEGImage() override;

    // Those of the decoded bitmap once decoded, otherwise those from the header.
    int Width() const override;
    int Height() const override;
    // Empty when it holds neither JPEG bytes nor a decoded bitmap.
    bool Empty() const override;
    // A JPEG picture keeps the size its data give: these raise EInvalidGraphicOperation
    // "Cannot change the size of a JPEG image".
    void SetWidth(int width);
    void SetHeight(int height);

    bool ProgressiveEncoding() const { return progressive_; }
    bool Grayscale() const { return data_ && data_->Grayscale; }
    const TJPEGData* Data() const { return data_.get(); }

    TJPEGPixelFormat PixelFormat() const { return pixelFormat_; }
    // A change drops the decoded bitmap; the next paint decodes again.
    void SetPixelFormat(TJPEGPixelFormat format);
    // With a palette set (at most 256 entries), 8-bit colour output is quantised to it and the
    // bitmap takes a copy of it; an empty palette lets the decoder choose 236 colours.
    void SetPalette(std::vector<TRGBQuad> palette);

    // Reads a 32-bit little-endian count N and N bytes of a JPEG file, and the file's header
    // when N > 0. "Stream read error" when fewer bytes are left; EJPEG when libjpeg refuses the
    // header. On failure the picture keeps what it held.
    void ReadStoredData(TStream& stream) override;

    // The decoded bitmap, decoding on the first request (an empty bitmap when the picture holds
    // no bytes). Raises EJPEG when libjpeg fails.
    TDIB& Bitmap();
    bool Decoded() const { return bitmap_ != nullptr; }

    // Decodes on first use, then stretch-draws the bitmap onto rect.
    void Draw(platform::DeviceContext& dc, const QRect& rect) override;
    using TGraphic::Draw;
    std::unique_ptr<TGraphic> Clone() const override;
    // Drops the decoded bitmap of a picture that holds JPEG bytes (changes made to the bitmap
    // go with it); the next paint decodes again. A bitmap with no bytes to remake it from stays.
    void Dormant() override;
    // A 24-bit colour picture not yet decoded, on a 32-bit canvas of scale 1 that holds it
    // whole, decodes straight onto it, with the pixels the bitmap would give; otherwise as a
    // TGraphic. On failure, lines already decoded stay on the canvas.
    void DrawDormant(TCanvas& canvas, int x, int y) override;

private:
    // The bitmap data decodes to with the given settings; EJPEG when libjpeg fails. Touches
    // nothing else.
    static std::unique_ptr<TDIB> Decode(std::shared_ptr<const TJPEGData> data,
                                        TJPEGPixelFormat pixelFormat,
                                        std::vector<TRGBQuad> palette);
    // Decodes data, in colour, into the 32-bit target with its top-left corner at `at`; EJPEG
    // when libjpeg fails or the picture does not fit there.
    static void DecodeOnto(const TJPEGData& data, QImage& target, QPoint at);

    std::shared_ptr<const TJPEGData> data_;
    bool progressive_ = false;
    TJPEGPixelFormat pixelFormat_ = TJPEGPixelFormat::jf24Bit;
    std::vector<TRGBQuad> palette_;
    std::unique_ptr<TDIB> bitmap_;
};
