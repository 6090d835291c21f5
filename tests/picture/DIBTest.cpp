// Reading stored DIB data into TDIB, the shared image, run-length data, the palette cache and
// painting through the colour table.
#include "tests/picture/PictureTestSupport.h"

#include <climits>
#include <cstring>

using namespace picturetest;
using testpic::Bytes;
using testpic::Color;
using testpic::DibSpec;
using testpic::MakeDib;

namespace {

// The stored pixel bytes (bottom line first) of a picture given as values, top line first.
Bytes Pack(const std::vector<std::vector<std::uint32_t>>& rows, int bitCount) {
    const int width = static_cast<int>(rows[0].size());
    const int widthBytes = testpic::WidthBytes(width, bitCount);
    Bytes out;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        Bytes line(static_cast<size_t>(widthBytes), 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = (*row)[static_cast<size_t>(x)];
            switch (bitCount) {
            case 1:
                line[static_cast<size_t>(x / 8)] |= static_cast<std::uint8_t>(v << (7 - x % 8));
                break;
            case 4:
                line[static_cast<size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 ? v : v << 4);
                break;
            default:
                for (int b = 0; b < bitCount / 8; ++b)
                    line[static_cast<size_t>(x * bitCount / 8 + b)] =
                        static_cast<std::uint8_t>(v >> (8 * b));
            }
        }
        testpic::Append(out, line);
    }
    return out;
}

std::vector<Color> Colours(int count) {
    std::vector<Color> colours;
    for (int i = 0; i < count; ++i)
        colours.push_back({static_cast<std::uint8_t>(i * 3), static_cast<std::uint8_t>(255 - i),
                           static_cast<std::uint8_t>(i * 7 + 1)});
    return colours;
}

std::uint32_t Rgb(const Color& c) {
    return (c.r << 16) | (c.g << 8) | c.b;
}

std::uint32_t HandlePixel(TDIB& dib, int x, int y) {
    return dib.Handle().pixel(x, y) & 0xFFFFFF;
}

} // namespace

TEST(DIBBitCounts, IndexedPicturesReadBottomUpAndDrawThroughTheColourTable) {
    for (int bitCount : {1, 4, 8}) {
        SCOPED_TRACE(bitCount);
        const int colours = 1 << bitCount;
        std::vector<std::vector<std::uint32_t>> rows(3, std::vector<std::uint32_t>(11));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x)
                rows[static_cast<size_t>(y)][static_cast<size_t>(x)] =
                    static_cast<std::uint32_t>(x * 5 + y * 3) % colours;
        DibSpec spec{.width = 11, .height = 3, .bitCount = static_cast<std::uint16_t>(bitCount)};
        spec.colors = Colours(colours);
        spec.pixels = Pack(rows, bitCount);
        TDIB dib = ReadDib(MakeDib(spec));

        EXPECT_EQ(dib.Width(), 11);
        EXPECT_EQ(dib.Height(), 3);
        EXPECT_EQ(dib.BitCount(), bitCount);
        EXPECT_EQ(dib.WidthBytes(), testpic::WidthBytes(11, bitCount));
        EXPECT_EQ(dib.ColorTableCount(), colours);
        ASSERT_EQ(dib.Image().PixelsSize(), spec.pixels.size());
        EXPECT_EQ(0, std::memcmp(dib.PBits(), spec.pixels.data(), spec.pixels.size()));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x)
                ASSERT_EQ(HandlePixel(dib, x, y),
                          Rgb(spec.colors[rows[static_cast<size_t>(y)][static_cast<size_t>(x)]]))
                    << x << "," << y;
    }
}

TEST(DIBBitCounts, TrueColourPicturesKeepBlueGreenRedOrder) {
    for (int bitCount : {24, 32}) {
        SCOPED_TRACE(bitCount);
        std::vector<std::vector<std::uint32_t>> rows(3, std::vector<std::uint32_t>(5));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                rows[static_cast<size_t>(y)][static_cast<size_t>(x)] =
                    static_cast<std::uint32_t>((x * 50) << 16 | (y * 90) << 8 | (x * y * 7 + 3));
        DibSpec spec{.width = 5, .height = 3, .bitCount = static_cast<std::uint16_t>(bitCount)};
        spec.pixels = Pack(rows, bitCount);
        TDIB dib = ReadDib(MakeDib(spec));
        EXPECT_EQ(dib.ColorTableCount(), 0);
        EXPECT_EQ(dib.WidthBytes(), bitCount == 24 ? 16 : 20);
        EXPECT_EQ(dib.Palette(), nullptr);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x)
                ASSERT_EQ(HandlePixel(dib, x, y),
                          rows[static_cast<size_t>(y)][static_cast<size_t>(x)]);
    }
}

TEST(DIBBitCounts, SixteenBitsReadAsFiveFiveFiveOrThroughMasks) {
    const std::vector<std::uint32_t> values555 = {0x7C00, 0x03E0, 0x001F, 0x7FFF, 0x0000};
    DibSpec plain{.width = 5, .height = 1, .bitCount = 16};
    plain.pixels = Pack({values555}, 16);
    TDIB dib = ReadDib(MakeDib(plain));
    EXPECT_EQ(dib.PixelFormat(), TPixelFormat::FromBitCounts(5, 5, 5));
    EXPECT_EQ(dib.PixelFormat().RBitMask, 0x7C00u);
    EXPECT_EQ(dib.PixelFormat().RShift, 10);
    const std::uint32_t expected[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000};
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(HandlePixel(dib, x, 0), expected[x]) << x;

    DibSpec masked{.width = 5, .height = 1, .bitCount = 16, .compression = 3};
    masked.masks = {0xF800, 0x07E0, 0x001F};
    masked.pixels = Pack({{0xF800, 0x07E0, 0x001F, 0xFFFF, 0x0000}}, 16);
    TDIB dib565 = ReadDib(MakeDib(masked));
    EXPECT_EQ(dib565.PixelFormat().GBitCount, 6);
    EXPECT_EQ(dib565.PixelFormat().GBitMask, 0x07E0u);
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(HandlePixel(dib565, x, 0), expected[x]) << x;
}

TEST(DIBMasks, MasksAreReadAsRunsOfSetBitsFromTheLowestSetBit) {
    auto read = [](std::uint16_t bitCount, std::vector<std::uint32_t> masks) {
        DibSpec spec{.width = 1, .height = 1, .bitCount = bitCount, .compression = 3};
        spec.masks = std::move(masks);
        spec.pixels = Bytes(4, 0);
        return ReadDib(MakeDib(spec));
    };
    // Blue in the high bits and red in the low ones: the runs are 5, 6, 5, so the picture is
    // read as if it were 5-6-5 in the usual arrangement.
    EXPECT_EQ(read(16, {0x001F, 0x07E0, 0xF800}).PixelFormat(),
              TPixelFormat::FromBitCounts(5, 6, 5));
    // Bits above a gap do not count: 0x17C00 has a run of 5 from bit 10.
    EXPECT_EQ(read(16, {0x17C00, 0x03E0, 0x001F}).PixelFormat().RBitMask, 0x7C00u);
    EXPECT_EQ(read(32, {0xFF0000, 0xFF00, 0xFF}).BitCount(), 32);

    ExpectRaises<EInvalidGraphicOperation>(
        [&] {
            read(16, {0x0F00, 0x00F0, 0x000F});
        },
        "PixelFormat in invalid");
    ExpectRaises<EInvalidGraphicOperation>(
        [&] {
            read(32, {0xF800, 0x07E0, 0x001F});
        },
        "PixelFormat in invalid");
    ExpectRaises<EInvalidGraphicOperation>([&] { read(24, {0, 0, 0}); }, "PixelFormat in invalid");
    // Runs that add up to more than 32 bits make no valid arrangement either.
    ExpectRaises<EInvalidGraphicOperation>(
        [&] {
            read(32, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF});
        },
        "PixelFormat in invalid");
}

TEST(DIBLayout, BytesPerLineOfTheGamePictures) {
    struct Case {
        int width, bitCount, widthBytes;
    };
    for (const Case& c : {Case{400, 1, 52}, Case{157, 1, 20}, Case{36, 4, 20}, Case{65, 8, 68},
                          Case{91, 24, 276}, Case{640, 24, 1920}}) {
        DibSpec spec{
            .width = c.width, .height = 2, .bitCount = static_cast<std::uint16_t>(c.bitCount)};
        spec.colors = Colours(c.bitCount <= 8 ? 1 << c.bitCount : 0);
        spec.pixels = Bytes(static_cast<size_t>(c.widthBytes * 2), 0x5A);
        TDIB dib = ReadDib(MakeDib(spec));
        EXPECT_EQ(dib.WidthBytes(), c.widthBytes) << c.width << " x " << c.bitCount;
        EXPECT_EQ(dib.Image().PixelsSize(), static_cast<size_t>(c.widthBytes * 2));
    }
}

TEST(DIBLayout, NegativeHeightReadsIntoTheSameMemoryAsBottomUp) {
    std::vector<std::vector<std::uint32_t>> rows = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    DibSpec bottomUp{.width = 4, .height = 3, .bitCount = 8};
    bottomUp.colors = Colours(256);
    bottomUp.pixels = Pack(rows, 8);
    DibSpec topDown = bottomUp;
    topDown.height = -3;
    topDown.pixels = Pack({rows[2], rows[1], rows[0]}, 8); // stored top line first
    TDIB a = ReadDib(MakeDib(bottomUp));
    TDIB b = ReadDib(MakeDib(topDown));
    ASSERT_EQ(b.Height(), 3);
    ASSERT_EQ(a.Image().PixelsSize(), b.Image().PixelsSize());
    EXPECT_EQ(0, std::memcmp(a.PBits(), b.PBits(), a.Image().PixelsSize()));
    EXPECT_EQ(b.ScanLine(0)[0], 1); // the top line
}

TEST(DIBColourTable, ColourCountsAndEntrySizes) {
    // Colours-used 16 on an 8-bit picture: 16 entries, the rest black, the pixels right after.
    DibSpec sixteen{.width = 2, .height = 1, .bitCount = 8, .colorsUsed = 16};
    sixteen.colors = Colours(16);
    sixteen.pixels = {15, 3, 0, 0};
    TDIB dib = ReadDib(MakeDib(sixteen));
    EXPECT_EQ(dib.ColorTableCount(), 256);
    EXPECT_EQ(dib.ColorTable()[15].rgbRed, sixteen.colors[15].r);
    for (int i = 16; i < 256; ++i)
        ASSERT_EQ(dib.ColorTable()[static_cast<size_t>(i)], TRGBQuad{}) << i;
    EXPECT_EQ(HandlePixel(dib, 0, 0), Rgb(sixteen.colors[15]));

    // A count above 256 reads 256 entries only; what follows them is pixels.
    DibSpec many{.width = 1, .height = 1, .bitCount = 24, .colorsUsed = 300};
    many.colors = Colours(256);
    many.pixels = {0x11, 0x22, 0x33, 0};
    TDIB manyDib = ReadDib(MakeDib(many));
    EXPECT_EQ(HandlePixel(manyDib, 0, 0), 0x332211u);

    // The core header: 16-bit width and height, 3-byte entries.
    DibSpec core{.headerSize = 12, .width = 3, .height = 2, .bitCount = 1};
    core.colors = {{10, 20, 30}, {40, 50, 60}};
    core.pixels = Pack({{1, 0, 1}, {0, 1, 1}}, 1);
    TDIB coreDib = ReadDib(MakeDib(core));
    EXPECT_EQ(coreDib.Width(), 3);
    EXPECT_EQ(coreDib.ColorTable()[1], (TRGBQuad{40, 50, 60, 0}));
    EXPECT_EQ(HandlePixel(coreDib, 0, 0), Rgb(core.colors[1]));
    EXPECT_EQ(HandlePixel(coreDib, 0, 1), Rgb(core.colors[0]));
}

TEST(DIBFailures, EveryRowOfTheFailureTable) {
    auto read = [](const Bytes& data) { ReadDib(data); };
    DibSpec good{.width = 2, .height = 2, .bitCount = 8};
    good.colors = Colours(256);
    good.pixels = Bytes(8, 1);
    const Bytes valid = MakeDib(good);

    TDIB empty = ReadDib({});
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.ColorTable()[200], (TRGBQuad{200, 200, 200, 0}));

    for (size_t n : {1u, 2u, 3u})
        ExpectRaises<EInvalidGraphic>([&] { read(Bytes(valid.begin(), valid.begin() + n)); },
                                      "DIB is invalid");
    DibSpec wrongSize = good;
    wrongSize.headerSize = 41;
    ExpectRaises<EInvalidGraphic>([&] { read(MakeDib(wrongSize)); }, "DIB is invalid");
    DibSpec compression4 = good;
    compression4.compression = 4;
    ExpectRaises<EInvalidGraphic>([&] { read(MakeDib(compression4)); }, "DIB is invalid");
    DibSpec rle8On4Bits{.width = 2, .height = 2, .bitCount = 4, .compression = 1, .imageSize = 2};
    rle8On4Bits.colors = Colours(16);
    rle8On4Bits.pixels = {0, 1};
    ExpectRaises<EInvalidGraphic>([&] { read(MakeDib(rle8On4Bits)); }, "DIB is invalid");

    for (int bitCount : {2, 0, 64}) {
        DibSpec odd{.width = 2, .height = 2, .bitCount = static_cast<std::uint16_t>(bitCount)};
        odd.colors = Colours(bitCount <= 8 ? 1 << bitCount : 0);
        odd.pixels = Bytes(64, 0);
        ExpectRaises<EInvalidGraphicOperation>([&] { read(MakeDib(odd)); },
                                               Format("Bitcount in invalid (%d)", bitCount));
    }

    // Data ending early: in the header, in the colour table, in the pixels, in the RLE data.
    for (size_t cut : {size_t{10}, size_t{40 + 100}, valid.size() - 1})
        ExpectRaises<EReadError>([&] { read(Bytes(valid.begin(), valid.begin() + cut)); },
                                 "Stream read error");
    DibSpec shortRle{.width = 4, .height = 4, .bitCount = 8, .compression = 1, .imageSize = 10};
    shortRle.colors = Colours(256);
    shortRle.pixels = {4, 1, 0, 1};
    ExpectRaises<EReadError>([&] { read(MakeDib(shortRle)); }, "Stream read error");

    // Dimensions whose pixel block cannot be had.
    for (auto [width, height] : {std::pair{100000, 100000}, std::pair{-5, 2}, std::pair{2, INT_MIN},
                                 std::pair{INT_MAX, 1}}) {
        DibSpec huge{.width = width, .height = height, .bitCount = 32};
        huge.pixels = Bytes(16, 0);
        ExpectRaises<EReadError>([&] { read(MakeDib(huge)); }, "Stream read error");
        DibSpec hugeRle{
            .width = width, .height = height, .bitCount = 8, .compression = 1, .imageSize = 2};
        hugeRle.colors = Colours(256);
        hugeRle.pixels = {0, 1};
        ExpectRaises<EReadError>([&] { read(MakeDib(hugeRle)); }, "Stream read error");
    }
}

TEST(DIBFailures, NoLinesOfNoBytesAreReadOneByOne) {
    // A width of 0 with hundreds of millions of top-down lines holds no pixel byte.
    DibSpec spec{.width = 0, .height = -469762048, .bitCount = 4};
    spec.colors = Colours(16);
    TDIB dib = ReadDib(MakeDib(spec));
    EXPECT_TRUE(dib.Empty());
    EXPECT_TRUE(dib.Handle().isNull());
}

TEST(DIBFailures, AFailedReadKeepsThePreviousImage) {
    DibSpec good{.width = 3, .height = 1, .bitCount = 24};
    good.pixels = Bytes(12, 7);
    TMemoryStream first(MakeDib(good));
    TDIB dib;
    dib.ReadStoredData(first);
    DibSpec bad = good;
    bad.bitCount = 2;
    bad.pixels = Bytes(32, 7);
    TMemoryStream second(MakeDib(bad));
    EXPECT_THROW(dib.ReadStoredData(second), EInvalidGraphicOperation);
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.PBits()[0], 7);
}

TEST(DIBRunLength, Rle8RunsLiteralsDeltasAndCutOffs) {
    // 6 x 4, line 0 at the bottom.
    const Bytes rle = {3,  7,               // three 7s
                       0,  3, 1, 2,   3, 0, // three literal pixels and a pad byte
                       0,  0,               // end of line -> line 1
                       0,  2, 2, 1,         // two columns right, one line up -> (2, 2)
                       2,  9,               // two 9s
                       0,  0,               // end of line -> line 3
                       10, 5,               // ten 5s: cut off at the end of the line, not wrapped
                       0,  2, 0, 200,       // far past the last line
                       4,  8,               // nothing more can be written
                       0,  1, 6, 6};        // end of picture; trailing bytes are ignored
    DibSpec spec{.width = 6,
                 .height = 4,
                 .bitCount = 8,
                 .compression = 1,
                 .imageSize = static_cast<std::uint32_t>(rle.size())};
    spec.colors = Colours(256);
    spec.pixels = rle;
    TDIB dib = ReadDib(MakeDib(spec));
    EXPECT_TRUE(dib.Image().Compressed());
    EXPECT_TRUE(dib.Image().MemoryImage());
    EXPECT_EQ(dib.Image().PixelsSize(), rle.size());

    const Bytes expected = {7, 7, 7, 1, 2, 3, 0, 0, //
                            0, 0, 0, 0, 0, 0, 0, 0, //
                            0, 0, 9, 9, 0, 0, 0, 0, //
                            5, 5, 5, 5, 5, 5, 0, 0};
    const std::uint8_t* bits = dib.PBits();
    EXPECT_FALSE(dib.Image().Compressed());
    ASSERT_EQ(dib.Image().PixelsSize(), expected.size());
    EXPECT_EQ(Bytes(bits, bits + expected.size()), expected);
}

TEST(DIBRunLength, Rle4NibblesOddLiteralsAndDataEndingEarly) {
    const Bytes rle = {0,    5,    0x34,
                       0x56, 0x70, 0,     // five literal nibbles: three bytes and a pad byte
                       0,    0,           // end of line
                       5,    0x12,        // 1 2 1 2 1
                       0,    3,    0xAB}; // a literal that the data cut short: only A, B are there
    DibSpec spec{.width = 7,
                 .height = 2,
                 .bitCount = 4,
                 .compression = 2,
                 .imageSize = static_cast<std::uint32_t>(rle.size())};
    spec.colors = Colours(16);
    spec.pixels = rle;
    TDIB dib = ReadDib(MakeDib(spec));
    const std::uint8_t* bits = dib.PBits();
    EXPECT_EQ(Bytes(bits, bits + 8), (Bytes{0x34, 0x56, 0x70, 0, 0x12, 0x12, 0x1A, 0xB0}));
    // Through the drawing handle too: top line first.
    EXPECT_EQ(HandlePixel(dib, 6, 0), Rgb(spec.colors[0xB]));
    EXPECT_EQ(HandlePixel(dib, 1, 1), Rgb(spec.colors[4]));
}

TEST(DIBRunLength, RunsNeverWriteOutsideThePixels) {
    // Every kind of code aimed past the right edge and the last line of a 1-line picture.
    const Bytes rle = {0, 2, 255, 0, 255, 1,  // delta far right
                       0, 4, 1,   2, 3,   4,  // literal past the edge
                       0, 2, 0,   1, 255, 9}; // onto a line that does not exist
    for (std::uint16_t bitCount : {4, 8}) {
        DibSpec spec{.width = 3,
                     .height = 1,
                     .bitCount = bitCount,
                     .compression = bitCount == 8 ? 1u : 2u,
                     .imageSize = static_cast<std::uint32_t>(rle.size())};
        spec.colors = Colours(1 << bitCount);
        spec.pixels = rle;
        TDIB dib = ReadDib(MakeDib(spec));
        const std::uint8_t* bits = dib.PBits();
        EXPECT_EQ(Bytes(bits, bits + 4), Bytes(4, 0)) << bitCount;
    }
    // Run-length data for a picture without lines make an empty picture.
    DibSpec flat{.width = 708, .height = 0, .bitCount = 8, .compression = 1, .imageSize = 2};
    flat.colors = Colours(256);
    flat.pixels = {0, 1};
    EXPECT_TRUE(ReadDib(MakeDib(flat)).Empty());
}

TEST(DIBSharedImage, CopiesShareUntilOneChanges) {
    DibSpec spec{.width = 2, .height = 1, .bitCount = 8};
    spec.colors = Colours(256);
    spec.pixels = {1, 2, 0, 0};
    TDIB a = ReadDib(MakeDib(spec));
    TDIB b(a);
    EXPECT_EQ(&a.Image(), &b.Image());
    b.PBits()[0] = 42;
    EXPECT_NE(&a.Image(), &b.Image());
    EXPECT_EQ(a.PBits()[0], 1);
    EXPECT_EQ(b.PBits()[0], 42);

    TDIB c;
    c = a;
    c.SetColorTableEntry(1, {9, 9, 9, 0});
    EXPECT_EQ(a.ColorTable()[1],
              (TRGBQuad{spec.colors[1].b, spec.colors[1].g, spec.colors[1].r, 0}));
    EXPECT_EQ(HandlePixel(c, 0, 0), 0x090909u);

    // A second request for the pixels does not move them.
    std::uint8_t* first = a.PBits();
    EXPECT_EQ(a.PBits(), first);
}

TEST(DIBSharedImage, DrawingHandleFollowsChangesOfPixelsAndColours) {
    DibSpec spec{.width = 2, .height = 1, .bitCount = 8};
    spec.colors = Colours(256);
    spec.pixels = {1, 2, 0, 0};
    TDIB dib = ReadDib(MakeDib(spec));
    EXPECT_TRUE(dib.Image().MemoryImage());
    EXPECT_EQ(HandlePixel(dib, 0, 0), Rgb(spec.colors[1]));
    EXPECT_FALSE(dib.Image().MemoryImage());
    dib.PBits()[0] = 2;
    EXPECT_EQ(HandlePixel(dib, 0, 0), Rgb(spec.colors[2]));
    dib.SetColorTableEntry(2, {1, 2, 3, 0});
    EXPECT_EQ(HandlePixel(dib, 0, 0), 0x030201u);
}

TEST(DIBInCode, SetSizeKeepsTheGreyRampAndRefusesBadSizes) {
    TDIB dib;
    dib.SetSize(3, 2, 8);
    EXPECT_EQ(dib.WidthBytes(), 4);
    EXPECT_FALSE(dib.Image().MemoryImage());
    EXPECT_EQ(dib.ColorTable()[77], (TRGBQuad{77, 77, 77, 0}));
    dib.ScanLine(0)[2] = 200;
    EXPECT_EQ(dib.PBits()[4 + 2], 200); // the top line is stored last
    EXPECT_EQ(HandlePixel(dib, 2, 0), 0xC8C8C8u);
    EXPECT_THROW(dib.ScanLine(2), EInvalidGraphicOperation);

    ExpectRaises<EInvalidGraphicOperation>([&] { dib.SetSize(1, 1, 2); },
                                           "Bitcount in invalid (2)");
    ExpectRaises<EOutOfResources>([&] { dib.SetSize(100000, 100000, 32); }, "DIB cannot be made");
    ExpectRaises<EOutOfResources>([&] { dib.SetSize(-1, 1, 8); }, "DIB cannot be made");
    EXPECT_EQ(dib.Width(), 3); // unchanged by the refusals
}

TEST(DIBBitmapFile, OnlyBmFilesAreRead) {
    DibSpec spec{.width = 1, .height = 1, .bitCount = 24};
    spec.pixels = {1, 2, 3, 0};
    Bytes file = {'B', 'M'};
    testpic::Put32(file, 0);
    testpic::Put32(file, 0);
    testpic::Put32(file, 54);
    testpic::Append(file, MakeDib(spec));

    TDIB dib;
    TMemoryStream nothing;
    dib.ReadBitmapFile(nothing);
    EXPECT_TRUE(dib.Empty());
    TMemoryStream stream(file);
    dib.ReadBitmapFile(stream);
    EXPECT_EQ(HandlePixel(dib, 0, 0), 0x030201u);

    ExpectRaises<EInvalidGraphic>(
        [&] {
            TMemoryStream partial(Bytes(file.begin(), file.begin() + 10));
            dib.ReadBitmapFile(partial);
        },
        "DIB is invalid");
    file[1] = 'X';
    ExpectRaises<EInvalidGraphic>(
        [&] {
            TMemoryStream wrong(file);
            dib.ReadBitmapFile(wrong);
        },
        "DIB is invalid");
}

TEST(DIBPalette, PalettesAreSharedByContentAndGivenBack) {
    TPaletteManager& manager = TPaletteManager::Instance();
    const int before = manager.Count();
    DibSpec spec{.width = 1, .height = 1, .bitCount = 4};
    spec.colors = Colours(16);
    spec.pixels = Bytes(4, 0);
    {
        TDIB a = ReadDib(MakeDib(spec));
        TDIB b = ReadDib(MakeDib(spec)); // read separately: another image, the same colours
        const TPaletteItem* pa = a.Palette();
        ASSERT_NE(pa, nullptr);
        EXPECT_EQ(b.Palette(), pa);
        EXPECT_EQ(pa->Users(), 2);
        EXPECT_EQ(pa->Entries().size(), 16u);
        EXPECT_EQ(pa->Entries()[3],
                  (TPaletteEntry{spec.colors[3].r, spec.colors[3].g, spec.colors[3].b, 0}));
        EXPECT_EQ(pa->Key(), TPaletteManager::PaletteKey(a.ColorTable().data(), 16));

        // Swapping two entries keeps the key but not the palette.
        DibSpec swapped = spec;
        std::swap(swapped.colors[1], swapped.colors[2]);
        TDIB c = ReadDib(MakeDib(swapped));
        const TPaletteItem* pc = c.Palette();
        EXPECT_NE(pc, pa);
        EXPECT_EQ(pc->Key(), pa->Key());
        EXPECT_EQ(manager.Count(), before + 2);

        // After a change of colours the next request gives the old palette back.
        b.SetColorTableEntry(0, {1, 1, 1, 0});
        const TPaletteItem* pb = b.Palette();
        EXPECT_NE(pb, pa);
        EXPECT_EQ(pa->Users(), 1);
        EXPECT_EQ(manager.Count(), before + 3);
    }
    EXPECT_EQ(manager.Count(), before);
}

TEST(DIBPainting, ColourMatchingThroughAOnePixelBitmap) {
    App();
    MemoryCanvas canvas(4, 4, 0xFF000000u);
    TDIB dib;
    dib.SetSize(1, 1, 8);
    dib.SetColorTableEntry(0, {0x56, 0x34, 0x12, 0});
    dib.Draw(canvas, 0, 0);
    EXPECT_EQ(canvas.Pixel(0, 0), 0x123456u);
    EXPECT_EQ(canvas.Pixel(1, 0), 0u);
    EXPECT_EQ(canvas.Pixel(0, 1), 0u);
}

TEST(DIBPainting, StretchingAndNegativeOrigins) {
    App();
    DibSpec spec{.width = 3, .height = 3, .bitCount = 24};
    std::vector<std::vector<std::uint32_t>> rows = {{0x010101, 0x020202, 0x030303},
                                                    {0x040404, 0x050505, 0x060606},
                                                    {0x070707, 0x080808, 0x090909}};
    spec.pixels = Pack(rows, 24);
    TDIB dib = ReadDib(MakeDib(spec));

    MemoryCanvas big(6, 6);
    dib.StretchDraw(big, QRect(0, 0, 6, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(big.Pixel(x, y),
                      rows[static_cast<size_t>(y / 2)][static_cast<size_t>(x / 2)]);

    MemoryCanvas part(2, 2);
    dib.Draw(part, -1, -1);
    EXPECT_EQ(part.Pixel(0, 0), 0x050505u);
    EXPECT_EQ(part.Pixel(1, 1), 0x090909u);

    MemoryCanvas refusing(2, 2, 0, false);
    ExpectRaises<EInvalidOperation>([&] { dib.Draw(refusing, 0, 0); },
                                    "Canvas does not allow drawing");
}
