// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue compiled into the program: every picture and sound at its place, with the
// sizes, pixel formats, storage kinds, transparency and sound formats the game relies on. The
// stored forms are parsed here on their own (DIB and WAVE headers, JPEG markers).
#include "graphics/Catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

std::uint32_t Le(const ByteBlock& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= std::uint32_t(b.at(at + i)) << (8 * i);
    return v;
}

struct Picture {
    std::string ClassName;
    ByteBlock Data; // the class's own data
};

Picture Split(const ByteBlock& value) {
    const std::size_t n = value.at(0);
    return {std::string(value.begin() + 1, value.begin() + 1 + n),
            ByteBlock(value.begin() + 1 + n, value.end())};
}

struct Dib {
    int Width, Height, BitCount, Compression, ColorsUsed;
    std::size_t PixelOffset; // after header and colour table
    std::size_t PixelBytes;
    std::vector<std::uint32_t> Palette; // 0x00RRGGBB
};

Dib ReadDib(const ByteBlock& data) {
    Dib d{};
    EXPECT_EQ(Le(data, 0, 4), 40u) << "information header";
    d.Width = static_cast<std::int32_t>(Le(data, 4, 4));
    d.Height = static_cast<std::int32_t>(Le(data, 8, 4));
    d.BitCount = int(Le(data, 14, 2));
    d.Compression = int(Le(data, 16, 4));
    d.ColorsUsed = int(Le(data, 32, 4));
    const int colors = d.BitCount <= 8 ? 1 << d.BitCount : 0;
    for (int i = 0; i < colors; ++i)
        d.Palette.push_back(Le(data, 40 + 4 * i, 3) & 0xFFFFFF);
    d.PixelOffset = 40 + 4 * std::size_t(colors);
    d.PixelBytes = data.size() - d.PixelOffset;
    return d;
}

int WidthBytes(int width, int bitCount) {
    return ((width * bitCount + 31) / 32) * 4;
}

// The palette index (or 24-bit colour) of pixel (x, y), y from the top.
std::uint32_t DibPixel(const ByteBlock& data, const Dib& d, int x, int y) {
    const std::size_t line =
        d.PixelOffset + std::size_t(d.Height - 1 - y) * WidthBytes(d.Width, d.BitCount);
    if (d.BitCount == 24)
        return Le(data, line + 3 * x, 3);
    const int bit = x * d.BitCount;
    const int byte = data.at(line + bit / 8);
    const int value = (byte >> (8 - d.BitCount - bit % 8)) & ((1 << d.BitCount) - 1);
    return d.Palette.at(value);
}

struct JpegFrame {
    bool Progressive = false;
    int Width = 0, Height = 0, Components = 0;
};

JpegFrame ReadJpegFrame(const ByteBlock& file) {
    JpegFrame f;
    EXPECT_TRUE(file.size() > 4 && file[0] == 0xFF && file[1] == 0xD8) << "SOI";
    std::size_t at = 2;
    while (at + 9 < file.size() && file[at] == 0xFF) {
        const int marker = file[at + 1];
        if (marker == 0xC0 || marker == 0xC2) {
            f.Progressive = marker == 0xC2;
            f.Height = (file[at + 5] << 8) | file[at + 6];
            f.Width = (file[at + 7] << 8) | file[at + 8];
            f.Components = file[at + 9];
            return f;
        }
        at += 2 + ((std::size_t(file[at + 2]) << 8) | file[at + 3]);
    }
    ADD_FAILURE() << "no frame header";
    return f;
}

// The JPEG file held by a "TJPEGImage" value: a 32-bit count, then exactly that many bytes.
ByteBlock JpegFile(const ByteBlock& pictureData) {
    const Picture picture = Split(pictureData);
    EXPECT_EQ(picture.ClassName, "TJPEGImage");
    EXPECT_EQ(Le(picture.Data, 0, 4), picture.Data.size() - 4);
    return ByteBlock(picture.Data.begin() + 4, picture.Data.end());
}

struct ImageRow {
    int List, Index;
    const char* Name;
    int Width, Height, BitCount;
    bool Jpeg, Transparent;
    std::uint32_t TransparentColor;
};

constexpr std::uint32_t kWhite = 0xFFFFFF;

// The catalogue, as the game's description tables it.
const std::vector<ImageRow>& Expected() {
    static const std::vector<ImageRow> rows = [] {
        std::vector<ImageRow> r = {
            {1, 0, "blanc", 400, 200, 1, false, false, kWhite},
            {1, 1, "sable", 65, 65, 8, false, true, kWhite},
            {1, 2, "plateau", 640, 480, 24, true, true, 0x000005},
            {1, 3, "presentation", 640, 480, 24, false, false, 0xF9FDFD},
            {1, 4, "maintour", 91, 91, 24, false, false, 0x5F99E0},
            {1, 5, "temp-score", 36, 47, 4, false, true, kWhite},
            {1, 6, "maintour2", 91, 91, 24, false, false, 0x2C4555},
        };
        static const std::vector<std::string> caseNames = [] {
            std::vector<std::string> names;
            for (int n = 0; n <= 20; ++n)
                names.push_back("case" + std::to_string(n));
            return names;
        }();
        for (int n = 0; n <= 20; ++n)
            r.push_back({2, n, caseNames[n].c_str(), 65, 65, 8, false, true, kWhite});
        const char* hands[] = {"mainouv2", "mainouv", "mainferm2",  "mainferm",
                               "poing2",   "poing",   "maindistr2", "maindistr"};
        for (int i = 0; i < 8; ++i)
            r.push_back({3, i, hands[i], 157, 157, i < 6 ? 1 : 8, false, true, kWhite});
        return r;
    }();
    return rows;
}

const StoredImageItem& Item(int list, int index) {
    return EmbeddedDescription().ImageList(list).Items.at(index);
}

TEST(Catalogue, ImageListsHoldTheirItemsInOrderWithTheirProperties) {
    const StoredDescription& d = EmbeddedDescription();
    ASSERT_EQ(d.ImageLists.size(), 3u);
    EXPECT_EQ(d.ImageList(1).Items.size(), 7u);
    EXPECT_EQ(d.ImageList(2).Items.size(), 21u);
    EXPECT_EQ(d.ImageList(3).Items.size(), 8u);
    EXPECT_THROW(d.ImageList(4), EStoredDescriptionError);
    for (int list = 1; list <= 3; ++list) {
        EXPECT_EQ(d.ImageList(list).DXDraw, "DXDraw1");
        EXPECT_EQ(d.ImageList(list).ColorTable, ByteBlock(1024, 0));
    }
    for (const ImageRow& row : Expected()) {
        SCOPED_TRACE(row.Name);
        const StoredImageItem& item = Item(row.List, row.Index);
        EXPECT_EQ(item.Name, row.Name);
        EXPECT_EQ(item.PatternWidth, 0);
        EXPECT_EQ(item.PatternHeight, 0);
        EXPECT_EQ(item.SkipWidth, 0);
        EXPECT_EQ(item.SkipHeight, 0);
        EXPECT_FALSE(item.SystemMemory);
        EXPECT_EQ(item.Transparent, row.Transparent);
        EXPECT_EQ(item.TransparentColor, row.TransparentColor);
    }
}

TEST(Catalogue, BitmapsAreUncompressedBottomUpDibsOfTheirSizeAndFormat) {
    for (const ImageRow& row : Expected()) {
        if (row.Jpeg)
            continue;
        SCOPED_TRACE(row.Name);
        const Picture picture = Split(Item(row.List, row.Index).PictureData);
        ASSERT_EQ(picture.ClassName, "TDIB");
        const Dib dib = ReadDib(picture.Data);
        EXPECT_EQ(dib.Width, row.Width);
        EXPECT_EQ(dib.Height, row.Height); // positive: bottom-up
        EXPECT_EQ(dib.BitCount, row.BitCount);
        EXPECT_EQ(dib.Compression, 0);
        EXPECT_EQ(dib.ColorsUsed, 0);
        // Exactly lines x bytes per line after the full colour table.
        EXPECT_EQ(dib.PixelBytes, std::size_t(row.Height) * WidthBytes(row.Width, row.BitCount));
    }
    // The bytes per line the picture reader works with.
    EXPECT_EQ(WidthBytes(400, 1), 52);
    EXPECT_EQ(WidthBytes(157, 1), 20);
    EXPECT_EQ(WidthBytes(36, 4), 20);
    EXPECT_EQ(WidthBytes(65, 8), 68);
    EXPECT_EQ(WidthBytes(91, 24), 276);
    EXPECT_EQ(WidthBytes(640, 24), 1920);
}

// Every pixel of a DIB picture, from the top line.
std::vector<std::uint32_t> Pixels(const StoredImageItem& item) {
    const Picture picture = Split(item.PictureData);
    const Dib dib = ReadDib(picture.Data);
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < dib.Height; ++y)
        for (int x = 0; x < dib.Width; ++x)
            pixels.push_back(DibPixel(picture.Data, dib, x, y));
    return pixels;
}

std::size_t CountNot(const std::vector<std::uint32_t>& pixels, std::uint32_t colour) {
    std::size_t n = 0;
    for (std::uint32_t p : pixels)
        n += p != colour;
    return n;
}

TEST(Catalogue, PitPicturesShowMoreSeedsWithEveryCountOverWhite) {
    // "case0" draws nothing; every other picture leaves its corners out (white) and covers
    // more of the pit the more seeds it shows, up to the heap of twenty.
    EXPECT_EQ(CountNot(Pixels(Item(2, 0)), kWhite), 0u);
    std::size_t previous = 0;
    for (int n = 1; n <= 20; ++n) {
        SCOPED_TRACE(n);
        const std::vector<std::uint32_t> pixels = Pixels(Item(2, n));
        EXPECT_EQ(pixels.front(), kWhite);
        EXPECT_EQ(pixels.back(), kWhite);
        const std::size_t covered = CountNot(pixels, kWhite);
        if (n <= 12 || n == 20) {
            EXPECT_GT(covered, previous);
        }
        previous = std::max(previous, covered);
    }
}

// The covered pixels of a line of a 157-pixel-wide picture, counted as unbroken runs.
int Runs(const std::vector<std::uint32_t>& pixels, int y) {
    int runs = 0;
    for (int x = 0; x < 157; ++x)
        runs += pixels[std::size_t(y) * 157 + x] != kWhite &&
                (x == 0 || pixels[std::size_t(y) * 157 + x - 1] == kWhite);
    return runs;
}

TEST(Catalogue, HandsAreOneInkOverWhiteAndComeFromTheirPlayersEdge) {
    for (int index = 0; index < 8; ++index) {
        SCOPED_TRACE(index);
        const StoredImageItem& item = Item(3, index);
        const Dib dib = ReadDib(Split(item.PictureData).Data);
        if (dib.BitCount == 1) {
            // Two colours, one of them the transparent white.
            ASSERT_EQ(dib.Palette.size(), 2u);
            EXPECT_TRUE(dib.Palette[0] == kWhite || dib.Palette[1] == kWhite);
            EXPECT_NE(dib.Palette[0], dib.Palette[1]);
        }
        // Player 1's hands (odd items) reach in from the bottom edge, player 2's from the top.
        const std::vector<std::uint32_t> pixels = Pixels(item);
        std::size_t top = 0, bottom = 0;
        for (int x = 0; x < 157; ++x) {
            top += pixels[std::size_t(2) * 157 + x] != kWhite;
            bottom += pixels[std::size_t(154) * 157 + x] != kWhite;
        }
        if (index % 2 == 1) {
            EXPECT_GT(bottom, 0u);
            EXPECT_EQ(top, 0u);
        } else {
            EXPECT_GT(top, 0u);
            EXPECT_EQ(bottom, 0u);
        }
        // The sleeve ends in one clean edge there, not in a stippled fringe.
        EXPECT_EQ(Runs(pixels, index % 2 == 1 ? 154 : 2), 1);
    }
}

TEST(Catalogue, PlainItemsAreWhite) {
    EXPECT_EQ(CountNot(Pixels(Item(1, 0)), kWhite), 0u); // "blanc"
    EXPECT_EQ(CountNot(Pixels(Item(1, 1)), kWhite), 0u); // "sable"
}

struct JpegErrorManager {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

// Decodes a JPEG file to RGB lines as the game's picture reader would (float DCT).
std::vector<std::uint8_t> DecodeRgb(const ByteBlock& file, int& width, int& height) {
    jpeg_decompress_struct info{};
    JpegErrorManager error{};
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = [](j_common_ptr c) {
        std::longjmp(reinterpret_cast<JpegErrorManager*>(c->err)->Jump, 1);
    };
    std::vector<std::uint8_t> rgb;
    if (setjmp(error.Jump)) {
        jpeg_destroy_decompress(&info);
        ADD_FAILURE() << "JPEG does not decode";
        return {};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    info.dct_method = JDCT_FLOAT;
    info.do_block_smoothing = TRUE;
    jpeg_start_decompress(&info);
    width = int(info.output_width);
    height = int(info.output_height);
    rgb.resize(std::size_t(width) * height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb.data() + std::size_t(info.output_scanline) * width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return rgb;
}

TEST(Catalogue, TheBoardIsAProgressiveJpegWithoutItsTransparentColour) {
    const ByteBlock file = JpegFile(Item(1, 2).PictureData);
    const JpegFrame frame = ReadJpegFrame(file);
    EXPECT_TRUE(frame.Progressive);
    EXPECT_EQ(frame.Width, 640);
    EXPECT_EQ(frame.Height, 480);
    EXPECT_EQ(frame.Components, 3);
    // Drawn with red 5, green 0, blue 0 left out: no pixel of the board may be exactly that.
    int width = 0, height = 0;
    const std::vector<std::uint8_t> rgb = DecodeRgb(file, width, height);
    ASSERT_EQ(rgb.size(), 640u * 480u * 3u);
    std::size_t keyed = 0;
    for (std::size_t i = 0; i < rgb.size(); i += 3)
        keyed += rgb[i] == 5 && rgb[i + 1] == 0 && rgb[i + 2] == 0;
    EXPECT_EQ(keyed, 0u);
}

double Luma(std::uint32_t rgb) {
    return 0.299 * (rgb >> 16 & 0xFF) + 0.587 * (rgb >> 8 & 0xFF) + 0.114 * (rgb & 0xFF);
}

// Mean brightness of the decoded board over a rectangle.
double BoardLuma(const std::vector<std::uint8_t>& rgb, int left, int top, int right, int bottom) {
    double sum = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) {
            const std::size_t i = (std::size_t(y) * 640 + x) * 3;
            sum += Luma(std::uint32_t(rgb[i]) << 16 | std::uint32_t(rgb[i + 1]) << 8 | rgb[i + 2]);
        }
    return sum / ((right - left) * (bottom - top));
}

TEST(Catalogue, HandsStandOutFromTheWoodAndFromTheDarkScoreBands) {
    int width = 0, height = 0;
    const std::vector<std::uint8_t> board =
        DecodeRgb(JpegFile(Item(1, 2).PictureData), width, height);
    ASSERT_EQ(board.size(), 640u * 480u * 3u);
    const double wood = BoardLuma(board, 40, 226, 600, 260); // between the rows of pits
    const double band = BoardLuma(board, 40, 360, 360, 460); // player 1's score band
    ASSERT_GT(wood, band + 40);
    for (int index = 0; index < 8; ++index) {
        SCOPED_TRACE(index);
        const std::vector<std::uint32_t> pixels = Pixels(Item(3, index));
        std::vector<double> inside, edge;
        for (int y = 1; y < 156; ++y)
            for (int x = 1; x < 156; ++x) {
                const std::size_t i = std::size_t(y) * 157 + x;
                if (pixels[i] == kWhite)
                    continue;
                const bool border = pixels[i - 1] == kWhite || pixels[i + 1] == kWhite ||
                                    pixels[i - 157] == kWhite || pixels[i + 157] == kWhite;
                (border ? edge : inside).push_back(Luma(pixels[i]));
            }
        ASSERT_FALSE(inside.empty());
        std::sort(inside.begin(), inside.end());
        const double median = inside[inside.size() / 2];
        if (index < 6) {
            // One colour, far in brightness from both.
            EXPECT_GT(std::abs(median - wood), 50);
            EXPECT_GT(std::abs(median - band), 50);
        } else {
            // Painted: lighter than the bands, modelled, and outlined in a dark line that
            // parts the hand from the light wood.
            EXPECT_GT(median, band + 50);
            EXPECT_GT(inside[inside.size() * 9 / 10] - inside[inside.size() / 10], 40);
            const auto dark =
                std::count_if(edge.begin(), edge.end(), [&](double l) { return l < wood - 40; });
            EXPECT_GT(double(dark), 0.7 * double(edge.size()));
        }
    }
}

TEST(Catalogue, TheCreditsPictureIsABaselineJpeg) {
    const JpegFrame frame = ReadJpegFrame(JpegFile(EmbeddedDescription().CreditsPicture));
    EXPECT_FALSE(frame.Progressive);
    EXPECT_EQ(frame.Width, 80);
    EXPECT_EQ(frame.Height, 100);
    EXPECT_EQ(frame.Components, 3);
}

TEST(Catalogue, SoundsAreCanonicalPcmWavesOfTheirLength) {
    const StoredWaveList& waves = EmbeddedDescription().WaveList;
    EXPECT_EQ(waves.Name, "DXWaveList1");
    EXPECT_EQ(waves.DXSound, "DXSound1");
    const struct {
        const char* Name;
        std::uint32_t Bytes;
    } expected[] = {{"bille1", 98756},
                    {"billeplus", 62740},
                    {"billebcp", 33220},
                    {"billeprend", 25368},
                    {"billegagn", 42348}};
    ASSERT_EQ(waves.Items.size(), 5u);
    for (std::size_t i = 0; i < 5; ++i) {
        SCOPED_TRACE(expected[i].Name);
        const StoredWaveItem& item = waves.Items[i];
        const ByteBlock& w = item.Wave;
        EXPECT_EQ(item.Name, expected[i].Name);
        EXPECT_FALSE(item.Looped);
        EXPECT_EQ(item.MaxPlayingCount, 0);
        ASSERT_EQ(w.size(), 44 + expected[i].Bytes);
        EXPECT_EQ(std::string(w.begin(), w.begin() + 4), "RIFF");
        EXPECT_EQ(Le(w, 4, 4), w.size() - 8);
        EXPECT_EQ(std::string(w.begin() + 8, w.begin() + 16), "WAVEfmt ");
        EXPECT_EQ(Le(w, 16, 4), 16u); // a 16-byte format block
        EXPECT_EQ(Le(w, 20, 2), 1u);  // PCM
        EXPECT_EQ(Le(w, 22, 2), 2u);
        EXPECT_EQ(Le(w, 24, 4), 44100u);
        EXPECT_EQ(Le(w, 28, 4), 176400u);
        EXPECT_EQ(Le(w, 32, 2), 4u);
        EXPECT_EQ(Le(w, 34, 2), 16u);
        EXPECT_EQ(std::string(w.begin() + 36, w.begin() + 40), "data");
        EXPECT_EQ(Le(w, 40, 4), expected[i].Bytes);
    }
}

TEST(Catalogue, SoundsNeverClipAndBeginAndEndInSilence) {
    for (const StoredWaveItem& item : EmbeddedDescription().WaveList.Items) {
        SCOPED_TRACE(item.Name);
        const ByteBlock& w = item.Wave;
        const std::size_t samples = (w.size() - 44) / 2;
        int peak = 0;
        double sum[2] = {0, 0};
        for (std::size_t i = 0; i < samples; ++i) {
            const int s = static_cast<std::int16_t>(Le(w, 44 + 2 * i, 2));
            peak = std::max(peak, std::abs(s));
            sum[i % 2] += s;
        }
        EXPECT_GT(peak, 8000) << "audible";
        EXPECT_LT(peak, 30000) << "headroom";
        for (double s : sum)
            EXPECT_LT(std::abs(s / (samples / 2)), 200.0) << "no offset";
        // The first and last sample frames of both channels are silent.
        for (std::size_t i : {std::size_t(0), std::size_t(1), samples - 2, samples - 1})
            EXPECT_EQ(static_cast<std::int16_t>(Le(w, 44 + 2 * i, 2)), 0);
    }
}

TEST(Catalogue, TheIconIsOne32By32PictureOf16Colours) {
    const ByteBlock& icon = EmbeddedDescription().Icon;
    ASSERT_GE(icon.size(), 22u + 40u);
    EXPECT_EQ(Le(icon, 0, 2), 0u);
    EXPECT_EQ(Le(icon, 2, 2), 1u);
    EXPECT_EQ(Le(icon, 4, 2), 1u);
    EXPECT_EQ(icon[6], 32);
    EXPECT_EQ(icon[7], 32);
    EXPECT_EQ(icon[8], 16);
    const std::uint32_t size = Le(icon, 14, 4), offset = Le(icon, 18, 4);
    EXPECT_EQ(offset + size, icon.size());
    EXPECT_EQ(Le(icon, offset + 14, 2), 4u); // 4 bits per pixel
}

// A catalogue picture's colours (0x00RRGGBB), top line first.
struct Colours {
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Rgb;
    std::uint32_t At(int x, int y) const { return Rgb.at(std::size_t(y) * Width + x); }
};

Colours Decode(const ByteBlock& pictureData) {
    const Picture picture = Split(pictureData);
    Colours c;
    if (picture.ClassName == "TDIB") {
        const Dib d = ReadDib(picture.Data);
        c.Width = d.Width;
        c.Height = d.Height;
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x)
                c.Rgb.push_back(DibPixel(picture.Data, d, x, y));
        return c;
    }
    const std::vector<std::uint8_t> rgb = DecodeRgb(JpegFile(pictureData), c.Width, c.Height);
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        c.Rgb.push_back(std::uint32_t(rgb[i]) << 16 | std::uint32_t(rgb[i + 1]) << 8 | rgb[i + 2]);
    return c;
}

TEST(Catalogue, EveryPictureIsDrawnAgainAtEachLargerScale) {
    // Each item has art for 150 % and 200 % at its size times the scale. Reduced to 100 % (the
    // mean of the art's pixels that each pixel at 100 % covers), it is the 100 % picture again:
    // the same shapes at the same places in the same colours, transparent where the picture is.
    // A shape left at its size or place at 100 %, another drawing or another palette shows as
    // pixels far off; what differs is only what drawing at more pixels makes finer.
    for (const ImageRow& row : Expected()) {
        const StoredImageItem& item = Item(row.List, row.Index);
        const Colours base = Decode(item.PictureData);
        std::vector<int> percents;
        for (const auto& [percent, data] : item.ScaledPictureData) {
            percents.push_back(percent);
            const Colours art = Decode(data);
            ASSERT_EQ(art.Width, (row.Width * percent + 50) / 100) << row.Name << " " << percent;
            ASSERT_EQ(art.Height, (row.Height * percent + 50) / 100) << row.Name << " " << percent;
            const double scale = percent / 100.0;
            const std::uint32_t key = (row.TransparentColor & 0xFF) << 16 |
                                      (row.TransparentColor & 0xFF00) |
                                      (row.TransparentColor >> 16 & 0xFF);
            std::size_t far = 0, compared = 0, coverage = 0;
            for (int y = 0; y < row.Height; ++y)
                for (int x = 0; x < row.Width; ++x) {
                    const int x0 = int(x * scale), x1 = std::max(x0 + 1, int((x + 1) * scale));
                    const int y0 = int(y * scale), y1 = std::max(y0 + 1, int((y + 1) * scale));
                    double sum[3] = {0, 0, 0};
                    int opaque = 0, all = 0;
                    for (int ay = y0; ay < std::min(y1, art.Height); ++ay)
                        for (int ax = x0; ax < std::min(x1, art.Width); ++ax, ++all) {
                            const std::uint32_t c = art.At(ax, ay);
                            if (row.Transparent && c == key)
                                continue;
                            ++opaque;
                            for (int k = 0; k < 3; ++k)
                                sum[k] += c >> (16 - 8 * k) & 0xFF;
                        }
                    const bool keyed = row.Transparent && base.At(x, y) == key;
                    // Wholly transparent at one size and wholly drawn at the other.
                    if ((keyed && opaque == all) || (!keyed && opaque == 0)) {
                        ++coverage;
                        continue;
                    }
                    if (keyed || opaque == 0)
                        continue;
                    ++compared;
                    int off = 0;
                    for (int k = 0; k < 3; ++k)
                        off = std::max(off, std::abs(int(sum[k] / opaque + 0.5) -
                                                     int(base.At(x, y) >> (16 - 8 * k) & 0xFF)));
                    far += off > 48;
                }
            const double pixels = double(row.Width) * row.Height;
            EXPECT_LT(coverage / pixels, 0.03) << row.Name << " at " << percent << " %";
            EXPECT_LT(compared ? double(far) / compared : 0.0, 0.06)
                << row.Name << " at " << percent << " %: " << far << " of " << compared
                << " pixels far off";
        }
        EXPECT_EQ(percents, (std::vector<int>{150, 200})) << row.Name;
    }
}

} // namespace
