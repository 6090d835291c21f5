// SPDX-License-Identifier: GPL-3.0-or-later
// Reading stored DIB data into TDIB, the shared image, run-length data, the palette cache and
// painting through the colour table.
#include "tests/picture/PictureTestSupport.h"

#include <climits>
#include <cstring>

using namespace picturetest;
using testpic::Bytes;
using testpic::Color;
using testpic::DibLayout;
using testpic::MakeDib;
using Rows = std::vector<std::vector<std::uint32_t>>;

namespace {

// The stored pixel bytes (bottom line first) of a picture given as values, top line first.
Bytes Pack(const Rows& rows, int bitCount) {
    const int width = static_cast<int>(rows[0].size());
    Bytes out;
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
        Bytes line(static_cast<size_t>(testpic::WidthBytes(width, bitCount)), 0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = (*row)[static_cast<size_t>(x)];
            if (bitCount == 1)
                line[static_cast<size_t>(x / 8)] |= static_cast<std::uint8_t>(v << (7 - x % 8));
            else if (bitCount == 4)
                line[static_cast<size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 ? v : v << 4);
            else
                for (int b = 0; b < bitCount / 8; ++b)
                    line[static_cast<size_t>(x * bitCount / 8 + b)] =
                        static_cast<std::uint8_t>(v >> (8 * b));
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

DibLayout Layout(int width, int height, int bitCount, std::uint32_t compression = 0) {
    DibLayout layout{.width = width,
                     .height = height,
                     .bitCount = static_cast<std::uint16_t>(bitCount),
                     .compression = compression};
    layout.colors = Colours(bitCount <= 8 ? 1 << bitCount : 0);
    return layout;
}

DibLayout RleLayout(int width, int height, int bitCount, const Bytes& data) {
    DibLayout layout = Layout(width, height, bitCount, bitCount == 8 ? 1 : 2);
    layout.imageSize = static_cast<std::uint32_t>(data.size());
    layout.pixels = data;
    return layout;
}

std::uint32_t Rgb(const Color& c) {
    return (c.r << 16) | (c.g << 8) | c.b;
}
std::uint32_t HandlePixel(TDIB& dib, int x, int y) {
    return dib.Handle().pixel(x, y) & 0xFFFFFF;
}
Bytes Bits(TDIB& dib, size_t count) {
    return Bytes(dib.PBits(), dib.PBits() + count);
}

} // namespace

TEST(DIBReading, EveryBitCountReadsBottomUpAndDrawsThroughItsColours) {
    for (auto [bitCount, widthBytes] : {std::pair{1, 4}, std::pair{4, 8}, std::pair{8, 12},
                                        std::pair{24, 36}, std::pair{32, 44}}) {
        SCOPED_TRACE(bitCount);
        const bool indexed = bitCount <= 8;
        Rows rows(3, std::vector<std::uint32_t>(11));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x)
                rows[y][x] = indexed ? static_cast<std::uint32_t>(x * 5 + y * 3) % (1 << bitCount)
                                     : static_cast<std::uint32_t>((x * 20) << 16 | (y * 90) << 8 |
                                                                  (x * y * 7 + 3));
        DibLayout layout = Layout(11, 3, bitCount);
        layout.pixels = Pack(rows, bitCount);
        TDIB dib = ReadDib(MakeDib(layout));
        EXPECT_EQ(dib.Width(), 11);
        EXPECT_EQ(dib.Height(), 3);
        EXPECT_EQ(dib.WidthBytes(), widthBytes);
        EXPECT_EQ(dib.ColorTableCount(), indexed ? 1 << bitCount : 0);
        EXPECT_EQ(dib.Palette() != nullptr, indexed);
        EXPECT_EQ(Bits(dib, layout.pixels.size()), layout.pixels);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x)
                ASSERT_EQ(HandlePixel(dib, x, y),
                          indexed ? Rgb(layout.colors[rows[y][x]]) : rows[y][x])
                    << x << "," << y;
    }
}

TEST(DIBReading, SixteenBitsAndTheMaskRules) {
    const std::uint32_t expected[] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF, 0x000000};
    DibLayout plain = Layout(5, 1, 16);
    plain.pixels = Pack({{0x7C00, 0x03E0, 0x001F, 0x7FFF, 0}}, 16);
    TDIB dib555 = ReadDib(MakeDib(plain));
    EXPECT_EQ(dib555.PixelFormat().RBitMask, 0x7C00u);
    EXPECT_EQ(dib555.PixelFormat().RShift, 10);
    DibLayout masked = Layout(5, 1, 16, 3);
    masked.masks = {0xF800, 0x07E0, 0x001F};
    masked.pixels = Pack({{0xF800, 0x07E0, 0x001F, 0xFFFF, 0}}, 16);
    TDIB dib565 = ReadDib(MakeDib(masked));
    EXPECT_EQ(dib565.PixelFormat().GBitCount, 6);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(HandlePixel(dib555, x, 0), expected[x]) << x;
        EXPECT_EQ(HandlePixel(dib565, x, 0), expected[x]) << x;
    }

    auto read = [](int bitCount, std::vector<std::uint32_t> masks) {
        DibLayout layout = Layout(1, 1, bitCount, 3);
        layout.masks = std::move(masks);
        layout.pixels = Bytes(4, 0);
        return ReadDib(MakeDib(layout));
    };
    // Runs of 5, 6, 5 set bits from each mask's lowest set bit, whatever their position: blue
    // in the high bits reads as 5-6-5 in the usual arrangement; bits above a gap do not count.
    EXPECT_EQ(read(16, {0x001F, 0x07E0, 0xF800}).PixelFormat(),
              TPixelFormat::FromBitCounts(5, 6, 5));
    EXPECT_EQ(read(16, {0x17C00, 0x03E0, 0x001F}).PixelFormat().RBitMask, 0x7C00u);
    EXPECT_EQ(read(32, {0xFF0000, 0xFF00, 0xFF}).BitCount(), 32);
    for (auto [bits, masks] : {std::pair{16, std::vector<std::uint32_t>{0x0F00, 0x00F0, 0x000F}},
                               std::pair{32, std::vector<std::uint32_t>{0xF800, 0x07E0, 0x001F}},
                               std::pair{24, std::vector<std::uint32_t>{0, 0, 0}},
                               std::pair{32, std::vector<std::uint32_t>(3, 0xFFFFFFFF)}})
        ExpectRaises<EInvalidGraphicOperation>(
            [&, bits = bits, &masks = masks] { read(bits, masks); }, "PixelFormat in invalid");
}

TEST(DIBReading, TopDownDataReadsIntoTheSameMemory) {
    // A negative height: the first stored line is the top line; the memory is the same.
    const Rows rows = {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}};
    DibLayout bottomUp = Layout(4, 3, 8);
    bottomUp.pixels = Pack(rows, 8);
    DibLayout topDown = Layout(4, -3, 8);
    topDown.pixels = Pack({rows[2], rows[1], rows[0]}, 8);
    TDIB a = ReadDib(MakeDib(bottomUp));
    TDIB b = ReadDib(MakeDib(topDown));
    EXPECT_EQ(b.Height(), 3);
    EXPECT_EQ(Bits(b, 12), Bits(a, 12));
}

TEST(DIBReading, ColourCountsAndTheCoreHeader) {
    // Colours-used 16 on an 8-bit picture: 16 entries, the rest black, the pixels right after.
    DibLayout sixteen = Layout(2, 1, 8);
    sixteen.colorsUsed = 16;
    sixteen.colors = Colours(16);
    sixteen.pixels = {15, 3, 0, 0};
    TDIB dib = ReadDib(MakeDib(sixteen));
    EXPECT_EQ(dib.ColorTableCount(), 256);
    for (int i = 16; i < 256; ++i)
        ASSERT_EQ(dib.ColorTable()[i], TRGBQuad{}) << i;
    EXPECT_EQ(HandlePixel(dib, 0, 0), Rgb(sixteen.colors[15]));
    // A count above 256 reads 256 entries only; what follows them is pixels.
    DibLayout many = Layout(1, 1, 24);
    many.colorsUsed = 300;
    many.colors = Colours(256);
    many.pixels = {0x11, 0x22, 0x33, 0};
    TDIB manyDib = ReadDib(MakeDib(many));
    EXPECT_EQ(HandlePixel(manyDib, 0, 0), 0x332211u);
    // The core header: 16-bit width and height, 3-byte entries.
    DibLayout core = Layout(3, 2, 1);
    core.headerSize = 12;
    core.pixels = Pack({{1, 0, 1}, {0, 1, 1}}, 1);
    TDIB coreDib = ReadDib(MakeDib(core));
    EXPECT_EQ(coreDib.Width(), 3);
    EXPECT_EQ(HandlePixel(coreDib, 0, 0), Rgb(core.colors[1]));
    EXPECT_EQ(HandlePixel(coreDib, 0, 1), Rgb(core.colors[0]));
}

TEST(DIBFailures, EveryRowOfTheFailureTableAndAbsurdDimensions) {
    auto read = [](const Bytes& data) { ReadDib(data); };
    DibLayout good = Layout(2, 2, 8);
    good.pixels = Bytes(8, 1);
    const Bytes valid = MakeDib(good);

    TDIB empty = ReadDib({});
    EXPECT_TRUE(empty.Empty());
    EXPECT_EQ(empty.ColorTable()[200], (TRGBQuad{200, 200, 200, 0}));
    for (size_t n : {1u, 2u, 3u})
        ExpectRaises<EInvalidGraphic>([&] { read(Bytes(valid.begin(), valid.begin() + n)); },
                                      "DIB is invalid");
    DibLayout header41 = good, compression4 = good, rle8On4Bits = RleLayout(2, 2, 4, {0, 1});
    header41.headerSize = 41;
    compression4.compression = 4;
    rle8On4Bits.compression = 1;
    for (const DibLayout& layout : {header41, compression4, rle8On4Bits})
        ExpectRaises<EInvalidGraphic>([&] { read(MakeDib(layout)); }, "DIB is invalid");
    for (int bitCount : {2, 0, 64}) {
        DibLayout odd = Layout(2, 2, bitCount);
        odd.pixels = Bytes(64, 0);
        ExpectRaises<EInvalidGraphicOperation>([&] { read(MakeDib(odd)); },
                                               Format("Bitcount in invalid (%d)", bitCount));
    }
    // Data ending early: in the header, in the colour table, in the pixels, in the RLE data.
    for (size_t cut : {size_t{10}, size_t{140}, valid.size() - 1})
        ExpectRaises<EReadError>([&] { read(Bytes(valid.begin(), valid.begin() + cut)); },
                                 "Stream read error");
    DibLayout shortRle = RleLayout(4, 4, 8, {4, 1, 0, 1});
    shortRle.imageSize = 10;
    ExpectRaises<EReadError>([&] { read(MakeDib(shortRle)); }, "Stream read error");
    // Dimensions whose pixel block cannot be had, stored plainly or as run-length data.
    for (auto [width, height] : {std::pair{100000, 100000}, std::pair{-5, 2}, std::pair{2, INT_MIN},
                                 std::pair{INT_MAX, 1}}) {
        DibLayout huge = Layout(width, height, 32);
        huge.pixels = Bytes(16, 0);
        ExpectRaises<EReadError>([&] { read(MakeDib(huge)); }, "Stream read error");
        ExpectRaises<EReadError>(
            [&, width = width, height = height] {
                read(MakeDib(RleLayout(width, height, 8, {0, 1})));
            },
            "Stream read error");
    }
    // No bytes per line and hundreds of millions of lines: empty, and read at once.
    EXPECT_TRUE(ReadDib(MakeDib(Layout(0, -469762048, 4))).Empty());

    // A failed read keeps the previous image.
    TMemoryStream first(valid);
    TDIB dib;
    dib.ReadStoredData(first);
    TMemoryStream second(Bytes(valid.begin(), valid.end() - 1));
    EXPECT_THROW(dib.ReadStoredData(second), EReadError);
    EXPECT_EQ(dib.Width(), 2);
    EXPECT_EQ(dib.PBits()[0], 1);
}

TEST(DIBRunLength, Rle8RunsLiteralsDeltasAndCutOffs) {
    const Bytes rle = {3,  7,               // three 7s
                       0,  3, 1, 2,   3, 0, // three literal pixels and a pad byte
                       0,  0,               // end of line -> line 1
                       0,  2, 2, 1,         // two columns right, one line up -> (2, 2)
                       2,  9,               // two 9s
                       0,  0,               // end of line -> line 3
                       10, 5,               // ten 5s: cut off at the end of the line, not wrapped
                       0,  2, 0, 200, 4, 8, // far past the last line: nothing more is written
                       0,  1, 6, 6};        // end of picture; trailing bytes are ignored
    TDIB dib = ReadDib(MakeDib(RleLayout(6, 4, 8, rle)));
    EXPECT_TRUE(dib.Image().Compressed());
    EXPECT_EQ(dib.Image().PixelsSize(), rle.size());
    const Bytes expected = {7, 7, 7, 1, 2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, //
                            0, 0, 9, 9, 0, 0, 0, 0, 5, 5, 5, 5, 5, 5, 0, 0};
    EXPECT_EQ(Bits(dib, expected.size()), expected);
    EXPECT_FALSE(dib.Image().Compressed());
    EXPECT_EQ(dib.Image().PixelsSize(), expected.size());
}

TEST(DIBRunLength, Rle4NibblesOddLiteralsAndDataEndingEarly) {
    const Bytes rle = {0, 5,    0x34, 0x56, 0x70, 0, // five literal nibbles: three bytes and a pad
                       0, 0,                         // end of line
                       5, 0x12,                      // 1 2 1 2 1
                       0, 3,    0xAB};               // a literal the data cut short: only A, B
    DibLayout layout = RleLayout(7, 2, 4, rle);
    TDIB dib = ReadDib(MakeDib(layout));
    EXPECT_EQ(Bits(dib, 8), (Bytes{0x34, 0x56, 0x70, 0, 0x12, 0x12, 0x1A, 0xB0}));
    EXPECT_EQ(HandlePixel(dib, 6, 0), Rgb(layout.colors[0xB]));
    EXPECT_EQ(HandlePixel(dib, 1, 1), Rgb(layout.colors[4]));
}

TEST(DIBRunLength, RunsNeverWriteOutsideThePixels) {
    // Every kind of code aimed past the right edge and the last line of a 1-line picture.
    const Bytes rle = {0, 2, 255, 0, 255, 1,  // delta far right, then a run
                       0, 4, 1,   2, 3,   4,  // literal past the edge
                       0, 2, 0,   1, 255, 9}; // onto a line that does not exist
    for (int bitCount : {4, 8}) {
        TDIB dib = ReadDib(MakeDib(RleLayout(3, 1, bitCount, rle)));
        EXPECT_EQ(Bits(dib, 4), Bytes(4, 0)) << bitCount;
    }
    EXPECT_TRUE(ReadDib(MakeDib(RleLayout(708, 0, 8, {0, 1}))).Empty());
}

TEST(DIBImage, CopiesShareUntilOneChangesAndTheHandleFollowsChanges) {
    DibLayout layout = Layout(2, 1, 8);
    layout.pixels = {1, 2, 0, 0};
    TDIB a = ReadDib(MakeDib(layout));
    TDIB b(a);
    EXPECT_EQ(&a.Image(), &b.Image());
    b.PBits()[0] = 42;
    EXPECT_EQ(a.PBits()[0], 1);
    EXPECT_EQ(b.PBits()[0], 42);
    TDIB c;
    c = a;
    c.SetColorTableEntry(1, {9, 9, 9, 0});
    EXPECT_EQ(HandlePixel(a, 0, 0), Rgb(layout.colors[1]));
    EXPECT_EQ(HandlePixel(c, 0, 0), 0x090909u);
    EXPECT_EQ(a.PBits(), a.PBits()); // a second request does not move the pixels

    EXPECT_TRUE(b.Image().MemoryImage());
    EXPECT_EQ(HandlePixel(b, 1, 0), Rgb(layout.colors[2]));
    EXPECT_FALSE(b.Image().MemoryImage());
    b.PBits()[1] = 1;
    EXPECT_EQ(HandlePixel(b, 1, 0), Rgb(layout.colors[1]));
    b.SetColorTableEntry(1, {1, 2, 3, 0});
    EXPECT_EQ(HandlePixel(b, 1, 0), 0x030201u);
}

TEST(DIBImage, MadeInCodeOrReadFromABitmapFile) {
    TDIB dib;
    dib.SetSize(3, 2, 8);
    EXPECT_EQ(dib.ColorTable()[77], (TRGBQuad{77, 77, 77, 0}));
    dib.ScanLine(0)[2] = 200;
    EXPECT_EQ(dib.PBits()[4 + 2], 200); // the top line is stored last
    EXPECT_EQ(HandlePixel(dib, 2, 0), 0xC8C8C8u);
    EXPECT_THROW(dib.ScanLine(2), EInvalidGraphicOperation);
    ExpectRaises<EInvalidGraphicOperation>([&] { dib.SetSize(1, 1, 2); },
                                           "Bitcount in invalid (2)");
    ExpectRaises<EOutOfResources>([&] { dib.SetSize(100000, 100000, 32); }, "DIB cannot be made");
    EXPECT_EQ(dib.Width(), 3);

    DibLayout layout = Layout(1, 1, 24);
    layout.pixels = {1, 2, 3, 0};
    Bytes file = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0};
    testpic::Append(file, MakeDib(layout));
    TMemoryStream nothing;
    dib.ReadBitmapFile(nothing);
    EXPECT_EQ(dib.Width(), 3);
    TMemoryStream stream(file);
    dib.ReadBitmapFile(stream);
    EXPECT_EQ(HandlePixel(dib, 0, 0), 0x030201u);
    Bytes wrong = file;
    wrong[1] = 'X';
    for (const Bytes& bad : {Bytes(file.begin(), file.begin() + 10), wrong}) {
        TMemoryStream badStream(bad);
        ExpectRaises<EInvalidGraphic>([&] { dib.ReadBitmapFile(badStream); }, "DIB is invalid");
    }
}

TEST(DIBPalette, PalettesAreSharedByContentAndGivenBack) {
    TPaletteManager& manager = TPaletteManager::Instance();
    const int before = manager.Count();
    DibLayout layout = Layout(1, 1, 4);
    layout.pixels = Bytes(4, 0);
    DibLayout swapped = layout;
    std::swap(swapped.colors[1], swapped.colors[2]);
    {
        TDIB a = ReadDib(MakeDib(layout));
        TDIB b = ReadDib(MakeDib(layout)); // another image with the same colours
        TDIB c = ReadDib(MakeDib(swapped));
        const TPaletteItem* pa = a.Palette();
        EXPECT_EQ(b.Palette(), pa);
        EXPECT_EQ(pa->Users(), 2);
        EXPECT_EQ(pa->Entries()[3],
                  (TPaletteEntry{layout.colors[3].r, layout.colors[3].g, layout.colors[3].b, 0}));
        // The same key (the sum of the colours) but other entries: another palette.
        EXPECT_NE(c.Palette(), pa);
        EXPECT_EQ(c.Palette()->Key(), pa->Key());
        // After a change of colours the next request gives the old palette back.
        b.SetColorTableEntry(0, {1, 1, 1, 0});
        EXPECT_NE(b.Palette(), pa);
        EXPECT_EQ(pa->Users(), 1);
        EXPECT_EQ(manager.Count(), before + 3);
    }
    EXPECT_EQ(manager.Count(), before);
}

TEST(DIBPainting, ColourMatchingStretchingAndNegativeOrigins) {
    App();
    MemoryCanvas canvas(4, 4);
    TDIB one;
    one.SetSize(1, 1, 8);
    one.SetColorTableEntry(0, {0x56, 0x34, 0x12, 0});
    one.Draw(canvas, 0, 0);
    EXPECT_EQ(canvas.Pixel(0, 0), 0x123456u);
    EXPECT_EQ(canvas.Pixel(1, 0), 0u);

    const Rows rows = {{0x010101, 0x020202, 0x030303},
                       {0x040404, 0x050505, 0x060606},
                       {0x070707, 0x080808, 0x090909}};
    DibLayout layout = Layout(3, 3, 24);
    layout.pixels = Pack(rows, 24);
    TDIB dib = ReadDib(MakeDib(layout));
    MemoryCanvas big(6, 6);
    dib.StretchDraw(big, QRect(0, 0, 6, 6));
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            ASSERT_EQ(big.Pixel(x, y), rows[y / 2][x / 2]);
    MemoryCanvas part(2, 2);
    dib.Draw(part, -1, -1);
    EXPECT_EQ(part.Pixel(0, 0), 0x050505u);
    EXPECT_EQ(part.Pixel(1, 1), 0x090909u);
}
