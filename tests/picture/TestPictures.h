// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Makers of picture data for the picture tests, the seed corpus and the benchmarks: stored DIB
// data written field by field, stored picture values, and JPEG files made with libjpeg's
// compressor.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace testpic {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}
inline void Put32(Bytes& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
inline void Append(Bytes& out, const Bytes& more) {
    out.insert(out.end(), more.begin(), more.end());
}

struct Color {
    std::uint8_t b, g, r;
};

// Stored DIB data, field by field. With headerSize 12 the core header is written and colours
// take 3 bytes.
struct DibLayout {
    std::uint32_t headerSize = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t bitCount = 8;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> masks{}; // written only when not empty
    std::vector<Color> colors{};
    Bytes pixels{};
};

inline Bytes MakeDib(const DibLayout& layout) {
    Bytes out;
    Put32(out, layout.headerSize);
    if (layout.headerSize == 12) {
        Put16(out, static_cast<std::uint32_t>(layout.width));
        Put16(out, static_cast<std::uint32_t>(layout.height));
        Put16(out, 1);
        Put16(out, layout.bitCount);
    } else {
        Put32(out, static_cast<std::uint32_t>(layout.width));
        Put32(out, static_cast<std::uint32_t>(layout.height));
        Put16(out, 1);
        Put16(out, layout.bitCount);
        Put32(out, layout.compression);
        Put32(out, layout.imageSize);
        Put32(out, 2835);
        Put32(out, 2835);
        Put32(out, layout.colorsUsed);
        Put32(out, 0);
    }
    for (std::uint32_t mask : layout.masks)
        Put32(out, mask);
    for (const Color& c : layout.colors) {
        out.push_back(c.b);
        out.push_back(c.g);
        out.push_back(c.r);
        if (layout.headerSize != 12)
            out.push_back(0);
    }
    Append(out, layout.pixels);
    return out;
}

inline int WidthBytes(int width, int bitCount) {
    return ((width * bitCount + 31) / 32) * 4;
}

// A "Picture.Data" value: the class name's length, the class name, the class's data.
inline Bytes StoredPicture(const std::string& className, const Bytes& data) {
    Bytes out(1 + className.size() + data.size());
    out[0] = static_cast<std::uint8_t>(className.size());
    std::copy(className.begin(), className.end(), out.begin() + 1);
    std::copy(data.begin(), data.end(), out.begin() + 1 + static_cast<long>(className.size()));
    return out;
}

// TJPEGImage's data: a 32-bit count, then the JPEG file.
inline Bytes JpegData(const Bytes& jpeg) {
    Bytes out;
    Put32(out, static_cast<std::uint32_t>(jpeg.size()));
    Append(out, jpeg);
    return out;
}

struct JpegLayout {
    int width = 16;
    int height = 16;
    bool progressive = false;
    int quality = 90;
    J_COLOR_SPACE space = JCS_RGB; // JCS_RGB, JCS_GRAYSCALE or JCS_CMYK input
    // Red, green, blue of pixel (x, y), y from the top.
    std::function<std::array<std::uint8_t, 3>(int x, int y)> pixel;
    std::vector<jpeg_scan_info> scans; // a scan script instead of the standard ones
};

// A JPEG file made with libjpeg's compressor (only the tests and benchmarks compress).
inline Bytes MakeJpeg(const JpegLayout& layout) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(layout.width);
    cinfo.image_height = static_cast<JDIMENSION>(layout.height);
    cinfo.input_components = layout.space == JCS_GRAYSCALE ? 1 : layout.space == JCS_CMYK ? 4 : 3;
    cinfo.in_color_space = layout.space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, layout.quality, TRUE);
    if (layout.progressive)
        jpeg_simple_progression(&cinfo);
    if (!layout.scans.empty()) {
        cinfo.scan_info = layout.scans.data();
        cinfo.num_scans = static_cast<int>(layout.scans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> line(static_cast<size_t>(layout.width * cinfo.input_components));
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < layout.width; ++x) {
            const auto rgb = layout.pixel(x, y);
            JSAMPLE* p = line.data() + x * cinfo.input_components;
            if (layout.space == JCS_GRAYSCALE) {
                p[0] = rgb[0];
            } else if (layout.space == JCS_CMYK) {
                p[0] = static_cast<JSAMPLE>(255 - rgb[0]);
                p[1] = static_cast<JSAMPLE>(255 - rgb[1]);
                p[2] = static_cast<JSAMPLE>(255 - rgb[2]);
                p[3] = 0;
            } else {
                p[0] = rgb[0];
                p[1] = rgb[1];
                p[2] = rgb[2];
            }
        }
        JSAMPROW row = line.data();
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
    return out;
}

// A picture with the character of the board: soft wood-like bands, a grain of noise and a few
// hard-edged dark pits.
inline std::array<std::uint8_t, 3> BoardPixel(int x, int y) {
    const double band = std::sin(x / 23.0 + std::sin(y / 41.0) * 2.0) * 0.5 + 0.5;
    unsigned hash = static_cast<unsigned>(x) * 73856093u ^ static_cast<unsigned>(y) * 19349663u;
    hash = (hash ^ (hash >> 13)) * 1274126177u;
    const int grain = static_cast<int>(hash >> 28) - 8;
    int r = 150 + static_cast<int>(60 * band) + grain;
    int g = 100 + static_cast<int>(40 * band) + grain;
    int b = 50 + static_cast<int>(25 * band) + grain;
    const int cx = (x % 100) - 50;
    const int cy = (y % 160) - 80;
    if (y > 80 && y < 400 && cx * cx + cy * cy < 38 * 38) {
        r /= 3;
        g /= 3;
        b /= 3;
    }
    auto clamp = [](int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); };
    return {clamp(r), clamp(g), clamp(b)};
}

// The 640 x 480 progressive board picture and the 80 x 100 baseline credits picture.
inline Bytes BoardJpeg() {
    JpegLayout layout;
    layout.width = 640;
    layout.height = 480;
    layout.progressive = true;
    layout.pixel = BoardPixel;
    return MakeJpeg(layout);
}
inline Bytes CreditsJpeg() {
    JpegLayout layout;
    layout.width = 80;
    layout.height = 100;
    layout.pixel = [](int x, int y) {
        return std::array<std::uint8_t, 3>{static_cast<std::uint8_t>(x * 3),
                                           static_cast<std::uint8_t>(y * 2), 200};
    };
    return MakeJpeg(layout);
}

} // namespace testpic
