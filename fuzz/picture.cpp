// SPDX-License-Identifier: GPL-3.0-or-later
// The stored picture value reader on arbitrary bytes: the "Picture.Data" value (class name, then
// the class's data), the same bytes as DIB data and as a "BM" file. Whatever reads must give
// pixels that agree with the picture's size, decode without touching memory outside them, and
// convert to a drawable image of the same size.
#include "picture/Picture.h"
#include "picture/DIB.h"
#include "picture/JPEG.h"

#include <cstdlib>
#include <span>

namespace {

// Conversion to the drawable form is exercised on pictures up to this many pixels; larger ones
// (possible up to the readers' limits) would only slow the search down.
constexpr long long kMaxDrawnPixels = 1 << 20;

void Check(bool condition) {
    if (!condition)
        std::abort();
}

void UseDib(TDIB& dib) {
    if (dib.Empty())
        return;
    TDIB copy(dib);
    std::uint8_t* bits = copy.PBits(); // decodes run-length data
    const auto size = static_cast<std::size_t>(copy.WidthBytes()) * copy.Height();
    Check(copy.Image().PixelsSize() == size);
    if (size > 0) {
        bits[0] ^= 0xFF;
        bits[size - 1] ^= 0xFF;
    }
    copy.Palette();
    if (static_cast<long long>(dib.Width()) * dib.Height() <= kMaxDrawnPixels) {
        const QImage& image = dib.Handle();
        Check(image.width() == dib.Width() && image.height() == dib.Height());
    }
}

void UseGraphic(TGraphic* graphic) {
    if (auto* dib = dynamic_cast<TDIB*>(graphic)) {
        UseDib(*dib);
    } else if (auto* jpeg = dynamic_cast<TJPEGImage*>(graphic)) {
        const int width = jpeg->Width();
        const int height = jpeg->Height();
        Check(width <= TJPEGImage::MaxSide && height <= TJPEGImage::MaxSide);
        TDIB& bitmap = jpeg->Bitmap();
        Check(jpeg->Empty() || (bitmap.Width() == width && bitmap.Height() == height));
        UseDib(bitmap);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        TPicture picture;
        TMemoryStream stream(bytes);
        picture.ReadData(stream);
        Check(stream.Position() <= static_cast<std::int64_t>(size));
        UseGraphic(picture.Graphic());
    } catch (const Exception&) {
        // Damaged values are refused with an exception: that is the expected outcome.
    }
    try {
        TDIB dib;
        TMemoryStream stream(bytes);
        dib.ReadStoredData(stream);
        UseDib(dib);
    } catch (const Exception&) {
    }
    try {
        TDIB dib;
        TMemoryStream stream(bytes);
        dib.ReadBitmapFile(stream);
        UseDib(dib);
    } catch (const Exception&) {
    }
    return 0;
}
