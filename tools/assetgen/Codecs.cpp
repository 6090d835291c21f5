// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/assetgen/Codecs.h"

#include <QBuffer>
#include <QImageWriter>
#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>

#include <jpeglib.h>

namespace gen {

namespace {

void Put(Bytes& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
void Put(Bytes& out, const char* text) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(text[i]));
}

int WidthBytes(int width, int bitCount) {
    return ((width * bitCount + 31) / 32) * 4;
}

void PutInfoHeader(Bytes& out, int width, int height, int bitCount, std::uint32_t imageSize) {
    Put(out, 40, 4);
    Put(out, static_cast<std::uint32_t>(width), 4);
    Put(out, static_cast<std::uint32_t>(height), 4);
    Put(out, 1, 2);
    Put(out, static_cast<std::uint32_t>(bitCount), 2);
    Put(out, 0, 4); // no compression
    Put(out, imageSize, 4);
    Put(out, 2835, 4); // 72 dots per inch
    Put(out, 2835, 4);
    Put(out, 0, 4); // colour count: all of the bit count's
    Put(out, 0, 4);
}

void PutFileHeader(Bytes& out, std::uint32_t fileSize, std::uint32_t pixelOffset) {
    out.push_back('B');
    out.push_back('M');
    Put(out, fileSize, 4);
    Put(out, 0, 4);
    Put(out, pixelOffset, 4);
}

void PutPalette(Bytes& out, const std::vector<QRgb>& palette, int entries) {
    for (int i = 0; i < entries; ++i) {
        const QRgb c = i < int(palette.size()) ? palette[i] : 0;
        out.push_back(static_cast<std::uint8_t>(qBlue(c)));
        out.push_back(static_cast<std::uint8_t>(qGreen(c)));
        out.push_back(static_cast<std::uint8_t>(qRed(c)));
        out.push_back(0);
    }
}

// Packs one line of palette indices at 1, 4 or 8 bits per pixel.
void PutIndexLine(Bytes& out, const IndexedImage& image, int y, int bitCount) {
    Bytes line(WidthBytes(image.Width, bitCount), 0);
    for (int x = 0; x < image.Width; ++x) {
        const int bit = x * bitCount;
        line[bit / 8] |= static_cast<std::uint8_t>(image.At(x, y) << (8 - bitCount - bit % 8));
    }
    out.insert(out.end(), line.begin(), line.end());
}

constexpr QRgb kWhite = 0xFFFFFFFF;

struct ColorCount {
    QRgb Color;
    std::uint64_t Count;
};

int Channel(QRgb c, int channel) {
    return channel == 0 ? qRed(c) : channel == 1 ? qGreen(c) : qBlue(c);
}

// Median cut over the distinct colours: the box with the widest channel (weighted by its
// pixels) is split at the pixel median along that channel.
std::vector<QRgb> MedianCut(std::vector<ColorCount> colors, int boxes) {
    struct Box {
        std::size_t Begin, End;
    };
    std::vector<Box> list{{0, colors.size()}};
    auto widest = [&](const Box& box, int& channel) {
        int best = -1;
        for (int ch = 0; ch < 3; ++ch) {
            int lo = 255, hi = 0;
            for (std::size_t i = box.Begin; i < box.End; ++i) {
                lo = std::min(lo, Channel(colors[i].Color, ch));
                hi = std::max(hi, Channel(colors[i].Color, ch));
            }
            if (hi - lo > best) {
                best = hi - lo;
                channel = ch;
            }
        }
        return best;
    };
    while (int(list.size()) < boxes) {
        double bestScore = 0;
        int bestBox = -1, bestChannel = 0;
        for (std::size_t b = 0; b < list.size(); ++b) {
            if (list[b].End - list[b].Begin < 2)
                continue;
            int channel = 0;
            const int range = widest(list[b], channel);
            std::uint64_t pixels = 0;
            for (std::size_t i = list[b].Begin; i < list[b].End; ++i)
                pixels += colors[i].Count;
            const double score = double(range) * std::sqrt(double(pixels));
            if (score > bestScore) {
                bestScore = score;
                bestBox = int(b);
                bestChannel = channel;
            }
        }
        if (bestBox < 0)
            break;
        Box box = list[bestBox];
        std::stable_sort(colors.begin() + box.Begin, colors.begin() + box.End,
                         [&](const ColorCount& a, const ColorCount& b) {
                             const int ca = Channel(a.Color, bestChannel);
                             const int cb = Channel(b.Color, bestChannel);
                             return ca != cb ? ca < cb : a.Color < b.Color;
                         });
        std::uint64_t total = 0, half = 0;
        for (std::size_t i = box.Begin; i < box.End; ++i)
            total += colors[i].Count;
        std::size_t split = box.Begin + 1;
        for (std::size_t i = box.Begin; i < box.End - 1; ++i) {
            half += colors[i].Count;
            split = i + 1;
            if (half * 2 >= total)
                break;
        }
        list[bestBox] = {box.Begin, split};
        list.push_back({split, box.End});
    }
    std::vector<QRgb> palette;
    for (const Box& box : list) {
        std::uint64_t r = 0, g = 0, b = 0, n = 0;
        for (std::size_t i = box.Begin; i < box.End; ++i) {
            r += std::uint64_t(qRed(colors[i].Color)) * colors[i].Count;
            g += std::uint64_t(qGreen(colors[i].Color)) * colors[i].Count;
            b += std::uint64_t(qBlue(colors[i].Color)) * colors[i].Count;
            n += colors[i].Count;
        }
        int rr = int((r + n / 2) / n), gg = int((g + n / 2) / n), bb = int((b + n / 2) / n);
        if (rr == 255 && gg == 255 && bb == 255)
            bb = 254; // white is the transparent colour: no averaged entry may become it
        palette.push_back(qRgb(rr, gg, bb));
    }
    return palette;
}

int Luma(QRgb c) {
    return 299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c);
}

} // namespace

IndexedImage Quantize(const QImage& source, int colors) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::map<QRgb, std::uint64_t> histogram;
    bool hasWhite = false;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x] | 0xFF000000;
            if (c == kWhite)
                hasWhite = true;
            else
                ++histogram[c];
        }
    }
    std::vector<ColorCount> list;
    for (const auto& [color, count] : histogram)
        list.push_back({color, count});
    const int available = colors - (hasWhite ? 1 : 0);
    std::vector<QRgb> palette;
    if (int(list.size()) <= available) {
        for (const ColorCount& c : list)
            palette.push_back(c.Color);
    } else {
        palette = MedianCut(list, available);
    }
    std::stable_sort(palette.begin(), palette.end(),
                     [](QRgb a, QRgb b) { return Luma(a) != Luma(b) ? Luma(a) < Luma(b) : a < b; });
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    if (hasWhite)
        palette.push_back(kWhite);

    std::map<QRgb, std::uint8_t> nearest;
    const int searchable = int(palette.size()) - (hasWhite ? 1 : 0);
    for (const ColorCount& c : list) {
        int best = 0;
        long bestDistance = -1;
        for (int i = 0; i < searchable; ++i) {
            const long dr = qRed(c.Color) - qRed(palette[i]);
            const long dg = qGreen(c.Color) - qGreen(palette[i]);
            const long db = qBlue(c.Color) - qBlue(palette[i]);
            const long distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (bestDistance < 0 || distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        nearest[c.Color] = static_cast<std::uint8_t>(best);
    }

    IndexedImage result;
    result.Width = image.width();
    result.Height = image.height();
    result.Palette = palette;
    result.Pixels.reserve(std::size_t(result.Width) * result.Height);
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = line[x] | 0xFF000000;
            result.Pixels.push_back(c == kWhite ? static_cast<std::uint8_t>(palette.size() - 1)
                                                : nearest[c]);
        }
    }
    return result;
}

QImage ToImage(const IndexedImage& image) {
    QImage out(image.Width, image.Height, QImage::Format_RGB32);
    for (int y = 0; y < image.Height; ++y)
        for (int x = 0; x < image.Width; ++x)
            out.setPixel(x, y, image.Palette[image.At(x, y)]);
    return out;
}

Bytes BmpFile(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int w = image.width(), h = image.height(), stride = WidthBytes(w, 24);
    const std::uint32_t pixelBytes = std::uint32_t(stride) * h;
    Bytes out;
    PutFileHeader(out, 54 + pixelBytes, 54);
    PutInfoHeader(out, w, h, 24, pixelBytes);
    for (int y = h - 1; y >= 0; --y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.push_back(static_cast<std::uint8_t>(qBlue(line[x])));
            out.push_back(static_cast<std::uint8_t>(qGreen(line[x])));
            out.push_back(static_cast<std::uint8_t>(qRed(line[x])));
        }
        for (int pad = w * 3; pad < stride; ++pad)
            out.push_back(0);
    }
    return out;
}

Bytes BmpFile(const IndexedImage& image, int bitCount) {
    const int entries = 1 << bitCount;
    if (int(image.Palette.size()) > entries)
        throw std::runtime_error("palette larger than the bit count allows");
    const std::uint32_t pixelBytes =
        std::uint32_t(WidthBytes(image.Width, bitCount)) * image.Height;
    const std::uint32_t offset = 54 + 4 * entries;
    Bytes out;
    PutFileHeader(out, offset + pixelBytes, offset);
    PutInfoHeader(out, image.Width, image.Height, bitCount, pixelBytes);
    PutPalette(out, image.Palette, entries);
    for (int y = image.Height - 1; y >= 0; --y)
        PutIndexLine(out, image, y, bitCount);
    return out;
}

namespace {

struct JpegError {
    jpeg_error_mgr Manager;
    std::jmp_buf Jump;
};

void OnJpegError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<JpegError*>(info->err)->Jump, 1);
}

} // namespace

Bytes JpegFile(const QImage& source, int quality, bool progressive) {
    const QImage image = source.convertToFormat(QImage::Format_RGB888);
    jpeg_compress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = OnJpegError;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    if (setjmp(error.Jump)) {
        jpeg_destroy_compress(&info);
        std::free(buffer);
        throw std::runtime_error("JPEG compression failed");
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.width());
    info.image_height = static_cast<JDIMENSION>(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    info.dct_method = JDCT_ISLOW;
    info.optimize_coding = TRUE;
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(image.constScanLine(int(info.next_scanline)));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    Bytes out(buffer, buffer + size);
    jpeg_destroy_compress(&info);
    std::free(buffer);
    return out;
}

QImage DecodeJpeg(const Bytes& file, bool floatDct) {
    jpeg_decompress_struct info{};
    JpegError error{};
    info.err = jpeg_std_error(&error.Manager);
    error.Manager.error_exit = OnJpegError;
    QImage image;
    if (setjmp(error.Jump)) {
        jpeg_destroy_decompress(&info);
        throw std::runtime_error("JPEG decoding failed");
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    info.dct_method = floatDct ? JDCT_FLOAT : JDCT_ISLOW;
    jpeg_start_decompress(&info);
    image = QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return image.convertToFormat(QImage::Format_RGB32);
}

Bytes WaveFile(const std::vector<std::int16_t>& samples) {
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    Bytes out;
    Put(out, "RIFF");
    Put(out, 36 + dataBytes, 4);
    Put(out, "WAVE");
    Put(out, "fmt ");
    Put(out, 16, 4);
    Put(out, 1, 2);      // PCM
    Put(out, 2, 2);      // channels
    Put(out, 44100, 4);  // samples per second
    Put(out, 176400, 4); // bytes per second
    Put(out, 4, 2);      // block alignment
    Put(out, 16, 2);     // bits per sample
    Put(out, "data");
    Put(out, dataBytes, 4);
    for (const std::int16_t s : samples)
        Put(out, static_cast<std::uint16_t>(s), 2);
    return out;
}

Bytes IconFile(const IndexedImage& image, int transparent) {
    const int w = image.Width, h = image.Height;
    const int colorBytes = WidthBytes(w, 4) * h, maskBytes = WidthBytes(w, 1) * h;
    const std::uint32_t size = 40 + 16 * 4 + colorBytes + maskBytes;
    Bytes out;
    Put(out, 0, 2);
    Put(out, 1, 2); // an icon
    Put(out, 1, 2); // one picture
    out.push_back(static_cast<std::uint8_t>(w));
    out.push_back(static_cast<std::uint8_t>(h));
    out.push_back(16); // colours
    out.push_back(0);
    Put(out, 1, 2); // planes
    Put(out, 4, 2); // bits per pixel
    Put(out, size, 4);
    Put(out, 22, 4);
    PutInfoHeader(out, w, 2 * h, 4, colorBytes + maskBytes);
    PutPalette(out, image.Palette, 16);
    IndexedImage colors = image, mask = image;
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
        const bool masked = image.Pixels[i] == transparent;
        colors.Pixels[i] = masked ? 0 : image.Pixels[i];
        mask.Pixels[i] = masked ? 1 : 0;
    }
    for (int y = h - 1; y >= 0; --y)
        PutIndexLine(out, colors, y, 4);
    for (int y = h - 1; y >= 0; --y)
        PutIndexLine(out, mask, y, 1);
    return out;
}

Bytes PngFile(const QImage& image) {
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (!writer.write(image))
        throw std::runtime_error("PNG writing failed: " + writer.errorString().toStdString());
    return Bytes(data.begin(), data.end());
}

void WriteFile(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out.flush())
        throw std::runtime_error("cannot write " + path.string());
}

} // namespace gen
