// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpus of the stored picture value fuzz target (fuzz/corpus/picture/): valid
// DIBs of every bit count and compression, progressive and baseline JPEGs, and hand-made
// damaged values. Usage: picture_make_corpus <directory>
#include "tests/picture/TestPictures.h"

#include <fstream>
#include <iostream>

using namespace testpic;

namespace {

std::string directory;
int written = 0;

void Write(const std::string& name, const Bytes& bytes) {
    std::ofstream out(directory + "/" + name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ++written;
}

std::vector<Color> Ramp(int count) {
    std::vector<Color> colors;
    for (int i = 0; i < count; ++i)
        colors.push_back({static_cast<std::uint8_t>(i * 5), static_cast<std::uint8_t>(255 - i),
                          static_cast<std::uint8_t>(i * 3)});
    return colors;
}

DibLayout Plain(int width, int height, int bitCount) {
    DibLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitCount = static_cast<std::uint16_t>(bitCount);
    layout.colors = Ramp(bitCount <= 8 ? 1 << bitCount : 0);
    const int widthBytes = WidthBytes(width, bitCount);
    for (int i = 0; i < widthBytes * std::abs(height); ++i)
        layout.pixels.push_back(static_cast<std::uint8_t>(i * 37 + 11));
    return layout;
}

Bytes Dib(const DibLayout& layout) {
    return StoredPicture("TDIB", MakeDib(layout));
}

DibLayout Rle(int bitCount, const Bytes& data, int width, int height) {
    DibLayout layout;
    layout.width = width;
    layout.height = height;
    layout.bitCount = static_cast<std::uint16_t>(bitCount);
    layout.compression = bitCount == 8 ? 1 : 2;
    layout.imageSize = static_cast<std::uint32_t>(data.size());
    layout.colors = Ramp(1 << bitCount);
    layout.pixels = data;
    return layout;
}

Bytes Jpeg(const JpegLayout& layout) {
    return StoredPicture("TJPEGImage", JpegData(MakeJpeg(layout)));
}

JpegLayout Small(int width, int height, bool progressive) {
    JpegLayout layout;
    layout.width = width;
    layout.height = height;
    layout.progressive = progressive;
    layout.quality = 75;
    layout.pixel = BoardPixel;
    return layout;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: picture_make_corpus <directory>\n";
        return 2;
    }
    directory = argv[1];

    // Valid DIBs: every bit count, both headers, every compression, both line orders.
    for (int bits : {1, 4, 8, 24, 32})
        Write("dib-" + std::to_string(bits) + "bit.bin", Dib(Plain(13, 5, bits)));
    Write("dib-16bit-555.bin", Dib(Plain(7, 3, 16)));
    DibLayout b565 = Plain(7, 3, 16);
    b565.compression = 3;
    b565.masks = {0xF800, 0x07E0, 0x001F};
    Write("dib-16bit-565-bitfields.bin", Dib(b565));
    DibLayout b32 = Plain(5, 3, 32);
    b32.compression = 3;
    b32.masks = {0xFF0000, 0xFF00, 0xFF};
    Write("dib-32bit-bitfields.bin", Dib(b32));
    DibLayout core = Plain(9, 4, 8);
    core.headerSize = 12;
    Write("dib-core-8bit.bin", Dib(core));
    DibLayout core1 = Plain(9, 4, 1);
    core1.headerSize = 12;
    Write("dib-core-1bit.bin", Dib(core1));
    Write("dib-8bit-top-down.bin", Dib(Plain(6, -4, 8)));
    DibLayout sixteen = Plain(6, 2, 8);
    sixteen.colorsUsed = 16;
    sixteen.colors = Ramp(16);
    Write("dib-8bit-16-colours.bin", Dib(sixteen));
    Write("dib-rle8.bin",
          Dib(Rle(8, {3, 7, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 2, 1, 2, 9, 0, 0, 10, 5, 0, 1}, 6, 4)));
    Write("dib-rle4.bin", Dib(Rle(4, {0, 5, 0x34, 0x56, 0x70, 0, 0, 0, 5, 0x12, 0, 1}, 7, 2)));
    Write("dib-empty.bin", StoredPicture("TDIB", {}));

    // Bitmap file form.
    Bytes file = {'B', 'M'};
    Put32(file, 0);
    Put32(file, 0);
    Put32(file, 54);
    Append(file, MakeDib(Plain(3, 3, 24)));
    Write("bm-file-24bit.bin", file);

    // JPEGs: progressive, baseline, grey, CMYK (refused), many scans (refused), truncated.
    Write("jpeg-progressive.bin", Jpeg(Small(48, 32, true)));
    Write("jpeg-baseline.bin", Jpeg(Small(40, 50, false)));
    JpegLayout grey = Small(16, 16, false);
    grey.space = JCS_GRAYSCALE;
    Write("jpeg-grey.bin", Jpeg(grey));
    JpegLayout cmyk = Small(16, 16, false);
    cmyk.space = JCS_CMYK;
    Write("jpeg-cmyk.bin", Jpeg(cmyk));
    JpegLayout scans = Small(16, 16, false);
    scans.scans.push_back({3, {0, 1, 2, 0}, 0, 0, 0, 0});
    for (int c = 0; c < 3; ++c)
        for (int k = 1; k <= 63; ++k)
            scans.scans.push_back({1, {c, 0, 0, 0}, k, k, 0, 0});
    Write("jpeg-190-scans.bin", Jpeg(scans));
    const Bytes progressive = MakeJpeg(Small(48, 32, true));
    Write("jpeg-truncated.bin",
          StoredPicture(
              "TJPEGImage",
              JpegData(Bytes(progressive.begin(),
                             progressive.begin() + static_cast<long>(progressive.size() / 2)))));
    Bytes huge = MakeJpeg(Small(16, 16, false));
    for (size_t i = 0; i + 8 < huge.size(); ++i)
        if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
            huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0xFF; // 65535 x 65535
            break;
        }
    Write("jpeg-absurd-size.bin", StoredPicture("TJPEGImage", JpegData(huge)));

    // Damaged values.
    Write("empty.bin", {});
    Write("name-longer-than-value.bin", {20, 'T', 'D', 'I', 'B'});
    Write("unknown-class.bin", StoredPicture("TPNGImage", {1, 2, 3, 4}));
    DibLayout badHeader = Plain(4, 4, 8);
    badHeader.headerSize = 41;
    Write("dib-header-size-41.bin", Dib(badHeader));
    DibLayout twoBits = Plain(4, 4, 8);
    twoBits.bitCount = 2;
    Write("dib-2bit.bin", Dib(twoBits));
    DibLayout mask444 = Plain(4, 2, 16);
    mask444.compression = 3;
    mask444.masks = {0x0F00, 0x00F0, 0x000F};
    Write("dib-16bit-444-masks.bin", Dib(mask444));
    DibLayout truncated = Plain(10, 10, 24);
    truncated.pixels.resize(truncated.pixels.size() / 2);
    Write("dib-truncated-pixels.bin", Dib(truncated));
    DibLayout hugeDims = Plain(2, 2, 8);
    hugeDims.width = 1 << 30;
    hugeDims.height = 1 << 30;
    Write("dib-huge-dimensions.bin", Dib(hugeDims));
    DibLayout negative = Plain(2, 2, 8);
    negative.width = -2;
    Write("dib-negative-width.bin", Dib(negative));
    Write("dib-rle8-huge-dimensions.bin", Dib(Rle(8, {0, 2, 255, 255, 4, 4, 0, 1}, 60000, 60000)));
    Write("dib-rle8-runs-past-edges.bin",
          Dib(Rle(8, {0, 2, 255, 0, 255, 1, 0, 4, 1, 2, 3, 4, 0, 2, 0, 9, 255, 9}, 3, 2)));
    Write("dib-rle4-literal-cut-short.bin", Dib(Rle(4, {5, 0x12, 0, 9, 0xAB}, 7, 2)));
    Write("dib-rle8-on-24bit.bin", [] {
        DibLayout layout = Rle(8, {2, 1, 0, 1}, 2, 2);
        layout.bitCount = 24;
        layout.colors.clear();
        return Dib(layout);
    }());
    Write("jpeg-count-too-large.bin", StoredPicture("TJPEGImage", {0xFF, 0xFF, 0xFF, 0x7F, 0xFF}));
    Write("jpeg-not-a-jpeg.bin", StoredPicture("TJPEGImage", JpegData({'G', 'I', 'F', '8'})));

    std::cout << written << " files written to " << directory << "\n";
    return 0;
}
