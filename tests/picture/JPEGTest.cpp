// SPDX-License-Identifier: GPL-3.0-or-later
// Reading JPEG data into TJPEGImage, decoding with libjpeg into bottom-up blue-green-red
// bitmaps, and the refusals of damaged or absurd pictures.
#include "tests/picture/PictureTestSupport.h"

#include <cstdlib>
#include <jerror.h>

using namespace picturetest;
using testpic::Bytes;
using testpic::JpegLayout;
using testpic::MakeJpeg;

namespace {

std::unique_ptr<TJPEGImage> ReadJpeg(const Bytes& jpeg) {
    auto image = std::make_unique<TJPEGImage>();
    TMemoryStream stream(testpic::JpegData(jpeg));
    image->ReadStoredData(stream);
    return image;
}

std::string JpegError(int code) {
    return Format("JPEG error #%d", code);
}

// The picture as plain libjpeg decodes it with float DCT: red, green, blue lines from the top.
Bytes ReferenceDecode(const Bytes& jpeg, int& width, int& height) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    err.emit_message = [](j_common_ptr, int) {}; // "Premature end of JPEG file" is expected
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_FLOAT;
    jpeg_start_decompress(&cinfo);
    width = static_cast<int>(cinfo.output_width);
    height = static_cast<int>(cinfo.output_height);
    Bytes out(static_cast<size_t>(width * height * 3));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.data() + cinfo.output_scanline * static_cast<size_t>(width) * 3;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

void ExpectSameAsReference(TJPEGImage& image, const Bytes& jpeg) {
    int width = 0, height = 0;
    const Bytes reference = ReferenceDecode(jpeg, width, height);
    TDIB& bitmap = image.Bitmap();
    ASSERT_EQ(bitmap.Width(), width);
    ASSERT_EQ(bitmap.Height(), height);
    ASSERT_EQ(bitmap.BitCount(), 24);
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* line = bitmap.ScanLine(y);
        const std::uint8_t* ref = reference.data() + static_cast<size_t>(y * width * 3);
        for (int x = 0; x < width; ++x)
            ASSERT_TRUE(line[3 * x] == ref[3 * x + 2] && line[3 * x + 1] == ref[3 * x + 1] &&
                        line[3 * x + 2] == ref[3 * x])
                << "pixel " << x << "," << y;
    }
}

// Sets the height and width of the first frame header.
Bytes WithSize(Bytes jpeg, int width, int height) {
    for (size_t i = 0; i + 8 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) {
            jpeg[i + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[i + 6] = static_cast<std::uint8_t>(height);
            jpeg[i + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[i + 8] = static_cast<std::uint8_t>(width);
            return jpeg;
        }
    }
    ADD_FAILURE() << "no frame header";
    return jpeg;
}

// A progressive picture with a DC scan and single-coefficient AC scans up to lastSingle for
// each component, then one scan for each component's remaining coefficients.
Bytes ManyScans(int lastSingle) {
    JpegLayout layout;
    layout.width = 32;
    layout.height = 32;
    layout.pixel = testpic::BoardPixel;
    layout.scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
    for (int c = 0; c < 3; ++c) {
        for (int k = 1; k <= lastSingle; ++k)
            layout.scans.push_back({1, {c, 0, 0, 0}, k, k, 0, 0});
        if (lastSingle < 63)
            layout.scans.push_back({1, {c, 0, 0, 0}, lastSingle + 1, 63, 0, 0});
    }
    return MakeJpeg(layout);
}

} // namespace

TEST(JPEGDecoding, BoardAndCreditsKnowTheirSizeBeforeDecodingAndDecodeAsLibjpegDoes) {
    struct Case {
        testpic::Bytes jpeg;
        int width, height;
        bool progressive;
    };
    for (const Case& c : {Case{testpic::BoardJpeg(), 640, 480, true},
                          Case{testpic::CreditsJpeg(), 80, 100, false}}) {
        auto image = ReadJpeg(c.jpeg);
        EXPECT_EQ(image->Width(), c.width);
        EXPECT_EQ(image->Height(), c.height);
        EXPECT_EQ(image->ProgressiveEncoding(), c.progressive);
        EXPECT_FALSE(image->Grayscale());
        EXPECT_FALSE(image->Decoded());
        EXPECT_EQ(image->Data()->Bytes, c.jpeg);
        // Blue, green, red lines, the top line stored last, pixel for pixel as libjpeg's own.
        ExpectSameAsReference(*image, c.jpeg);
        EXPECT_EQ(image->Bitmap().WidthBytes(), c.width * 3);
    }
}

TEST(JPEGDecoding, GreyPicturesDecodeToEightBitsWithGreyColours) {
    JpegLayout grey;
    grey.space = JCS_GRAYSCALE;
    grey.pixel = [](int x, int) {
        return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x * 16), 0, 0};
    };
    auto image = ReadJpeg(MakeJpeg(grey));
    EXPECT_TRUE(image->Grayscale());
    TDIB& bitmap = image->Bitmap();
    ASSERT_EQ(bitmap.BitCount(), 8);
    for (int x = 0; x < 16; ++x) {
        const TRGBQuad c = bitmap.ColorTable()[bitmap.ScanLine(5)[x]];
        EXPECT_TRUE(c.rgbRed == c.rgbGreen && c.rgbGreen == c.rgbBlue);
        EXPECT_NEAR(c.rgbRed, x * 16, 8) << x;
    }
}

TEST(JPEGDecoding, EightBitOutputUsesAPaletteSetBefore) {
    JpegLayout layout;
    layout.pixel = [](int x, int) {
        return x < 8 ? std::array<std::uint8_t, 3>{255, 0, 0}
                     : std::array<std::uint8_t, 3>{0, 255, 0};
    };
    auto image = ReadJpeg(MakeJpeg(layout));
    image->SetPixelFormat(TJPEGPixelFormat::jf8Bit);
    image->SetPalette({{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}});
    TDIB& bitmap = image->Bitmap();
    EXPECT_EQ(bitmap.ColorTable()[1], (TRGBQuad{0, 0, 255, 0}));
    EXPECT_EQ(bitmap.ColorTable()[3], (TRGBQuad{255, 0, 0, 0}));
    EXPECT_EQ(bitmap.ScanLine(8)[2], 1);
    EXPECT_EQ(bitmap.ScanLine(8)[13], 2);
}

TEST(JPEGDecoding, TruncatedPicturesStillDecodeToFullSizeWithSmoothing) {
    // The decoder sees an end of picture after the last byte; the scans that were not there
    // leave coefficients unknown, which block smoothing estimates, as plain libjpeg does.
    const Bytes board = testpic::BoardJpeg();
    for (size_t keep : {board.size() / 2, size_t{2000}}) {
        const Bytes truncated(board.begin(), board.begin() + static_cast<long>(keep));
        auto image = ReadJpeg(truncated);
        ExpectSameAsReference(*image, truncated);
    }
}

TEST(JPEGFailures, ReadErrorsAndLibjpegErrors) {
    auto empty = ReadJpeg({});
    EXPECT_TRUE(empty->Empty());
    EXPECT_TRUE(empty->Bitmap().Empty());

    const Bytes credits = testpic::CreditsJpeg();
    const Bytes stored = testpic::JpegData(credits);
    for (const Bytes& value : {Bytes(stored.begin(), stored.end() - 1), Bytes{1, 0},
                               Bytes{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xD8}}) {
        TJPEGImage image;
        TMemoryStream stream(value);
        ExpectRaises<EReadError>([&] { image.ReadStoredData(stream); }, "Stream read error");
    }
    ExpectRaises<EJPEG>(
        [&] {
            ReadJpeg({'n', 'o', 't', ' ', 'j', 'p', 'e', 'g'});
        },
        JpegError(JERR_NO_SOI));
    EXPECT_THROW(ReadJpeg({0xFF, 0xD8}), EInvalidGraphic); // EJPEG is one

    // A failure leaves the picture as it was.
    auto image = ReadJpeg(credits);
    TMemoryStream bad(testpic::JpegData({'x', 'y'}));
    EXPECT_THROW(image->ReadStoredData(bad), EJPEG);
    EXPECT_EQ(image->Width(), 80);
    ExpectRaises<EInvalidGraphicOperation>([&] { image->SetWidth(10); },
                                           "Cannot change the size of a JPEG image");
    ExpectRaises<EInvalidGraphicOperation>([&] { image->SetHeight(10); },
                                           "Cannot change the size of a JPEG image");

    // Four-component pictures have no bitmap form: refused, not written past the lines.
    JpegLayout cmyk;
    cmyk.space = JCS_CMYK;
    cmyk.pixel = testpic::BoardPixel;
    auto cmykImage = ReadJpeg(MakeJpeg(cmyk));
    ExpectRaises<EJPEG>([&] { cmykImage->Bitmap(); }, JpegError(JERR_CONVERSION_NOTIMPL));
}

TEST(JPEGFailures, AbsurdSizesAndScanCountsAreRefused) {
    const Bytes small = testpic::CreditsJpeg();
    ExpectRaises<EJPEG>([&] { ReadJpeg(WithSize(small, 9000, 10)); },
                        JpegError(JERR_IMAGE_TOO_BIG));
    ExpectRaises<EJPEG>([&] { ReadJpeg(WithSize(small, 5000, 5000)); },
                        JpegError(JERR_IMAGE_TOO_BIG));
    // At the limits the picture is accepted (and decodes, from too few data, to its size).
    auto wide = ReadJpeg(WithSize(small, 8192, 16));
    EXPECT_EQ(wide->Bitmap().Width(), 8192);

    auto allowed = ReadJpeg(ManyScans(30)); // 94 scans
    EXPECT_TRUE(allowed->ProgressiveEncoding());
    EXPECT_EQ(allowed->Bitmap().Width(), 32);
    auto tooMany = ReadJpeg(ManyScans(63)); // 190 scans
    EXPECT_EQ(tooMany->Width(), 32);        // the header alone is fine
    ExpectRaises<EJPEG>([&] { tooMany->Bitmap(); }, JpegError(JERR_BAD_PROGRESSION));
    EXPECT_FALSE(tooMany->Decoded());
}

TEST(JPEGPainting, DecodesOnFirstPaintAndDrawsTheBitmap) {
    App();
    auto image = ReadJpeg(testpic::CreditsJpeg());
    MemoryCanvas canvas(80, 100);
    image->Draw(canvas, 0, 0);
    EXPECT_TRUE(image->Decoded());
    for (auto [x, y] : {std::pair{0, 0}, std::pair{79, 0}, std::pair{40, 50}, std::pair{0, 99}})
        EXPECT_EQ(canvas.Pixel(x, y), image->Bitmap().Handle().pixel(x, y) & 0xFFFFFFu);
    std::unique_ptr<TGraphic> copy = image->Clone();
    EXPECT_EQ(static_cast<TJPEGImage&>(*copy).Data(), image->Data());
}

TEST(JPEGPainting, DrawnOnceAPictureDecodesStraightOntoACanvasWithTheBitmapsPixels) {
    App();
    const Bytes board = testpic::BoardJpeg();
    JpegLayout grey;
    grey.space = JCS_GRAYSCALE;
    grey.pixel = testpic::BoardPixel;
    // Pictures whole on the canvas decode straight onto it (a truncated one too); those that
    // overhang it, and grey ones, go through the bitmap.
    struct Case {
        Bytes jpeg;
        int x, y; // where the picture is drawn
    };
    for (const Case& c : {Case{board, 3, 2}, Case{testpic::CreditsJpeg(), 0, 0},
                          Case{Bytes(board.begin(), board.begin() + 3000), 5, 4},
                          Case{board, -1, 0}, Case{board, 6, 0}, Case{MakeJpeg(grey), 1, 1}}) {
        auto once = ReadJpeg(c.jpeg);
        auto kept = ReadJpeg(c.jpeg);
        const int width = once->Width() + 5, height = once->Height() + 4;
        MemoryCanvas straight(width, height, 0xFF123456u), drawn(width, height, 0xFF123456u);
        once->DrawDormant(straight, c.x, c.y);
        kept->Draw(drawn, c.x, c.y);
        EXPECT_FALSE(once->Decoded());
        EXPECT_TRUE(kept->Decoded());
        EXPECT_EQ(straight.Memory(), drawn.Memory()) << c.x << ", " << c.y;
    }
    JpegLayout cmyk;
    cmyk.space = JCS_CMYK;
    cmyk.pixel = testpic::BoardPixel;
    MemoryCanvas canvas(32, 32);
    ExpectRaises<EJPEG>([&] { ReadJpeg(MakeJpeg(cmyk))->DrawDormant(canvas, 0, 0); },
                        JpegError(JERR_CONVERSION_NOTIMPL));
}
