#include "platform/DDrawPixels.h"

#include <algorithm>
#include <cstring>

namespace platform::ddraw {

Box Box::Intersected(const Box& other) const {
    return Box{std::max(left, other.left), std::max(top, other.top), std::min(right, other.right),
               std::min(bottom, other.bottom)};
}

bool Format::FromDescription(const DDPIXELFORMAT& description, Format& format) {
    if (description.dwSize != DDPIXELFORMAT_SIZE)
        return false;
    const DWORD r = description.dwRBitMask, g = description.dwGBitMask, b = description.dwBBitMask;
    const bool noMasks = r == 0 && g == 0 && b == 0;
    if (description.dwFlags & DDPF_PALETTEINDEXED8) {
        if (description.dwRGBBitCount != 8)
            return false;
        format = Format{8, 0, 0, 0};
        return true;
    }
    if ((description.dwFlags & DDPF_RGB) == 0)
        return false;
    switch (description.dwRGBBitCount) {
    case 16:
        if (noMasks || (r == 0xF800 && g == 0x07E0 && b == 0x001F)) {
            format = Format{16, 0xF800, 0x07E0, 0x001F};
            return true;
        }
        if (r == 0x7C00 && g == 0x03E0 && b == 0x001F) {
            format = Format{16, 0x7C00, 0x03E0, 0x001F};
            return true;
        }
        return false;
    case 24:
    case 32:
        if (noMasks || (r == 0xFF0000 && g == 0xFF00 && b == 0xFF)) {
            format = Format{static_cast<int>(description.dwRGBBitCount), 0xFF0000, 0xFF00, 0xFF};
            return true;
        }
        return false;
    default:
        return false;
    }
}

DDPIXELFORMAT Format::Describe() const {
    DDPIXELFORMAT description;
    description.dwSize = DDPIXELFORMAT_SIZE;
    description.dwFlags = bits == 8 ? (DDPF_RGB | DDPF_PALETTEINDEXED8) : DDPF_RGB;
    description.dwRGBBitCount = static_cast<DWORD>(bits);
    description.dwRBitMask = r;
    description.dwGBitMask = g;
    description.dwBBitMask = b;
    return description;
}

QImage::Format Format::ImageFormat() const {
    switch (bits) {
    case 8:
        return QImage::Format_Indexed8;
    case 16:
        return r == 0x7C00 ? QImage::Format_RGB555 : QImage::Format_RGB16;
    case 24:
        return QImage::Format_BGR888; // bytes blue, green, red: the masks read little-endian
    default:
        return QImage::Format_RGB32;
    }
}

PixelBlock::PixelBlock(int width_, int height_, int bytesPerPixel)
    : width(width_), height(height_), pitch(PitchFor(width_, bytesPerPixel)),
      bytes(std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(pitch) *
                                             static_cast<std::size_t>(height_))) {}

DWORD ReadPixel(const std::uint8_t* pixel, int bytesPerPixel) {
    DWORD value = 0;
    for (int i = 0; i < bytesPerPixel; ++i)
        value |= static_cast<DWORD>(pixel[i]) << (8 * i);
    return value;
}

void WritePixel(std::uint8_t* pixel, int bytesPerPixel, DWORD value) {
    for (int i = 0; i < bytesPerPixel; ++i)
        pixel[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

namespace {

Box Bounds(const View& view) {
    return Box{0, 0, view.width, view.height};
}

std::uint8_t* At(const View& view, std::int64_t x, std::int64_t y) {
    return view.bits + y * view.pitch + x * view.bytesPerPixel;
}

} // namespace

void FillBox(const View& target, const Box& box, DWORD value) {
    const Box region = box.Intersected(Bounds(target));
    if (region.Empty())
        return;
    const int size = target.bytesPerPixel;
    std::uint8_t pattern[4];
    WritePixel(pattern, size, value);
    for (std::int64_t y = region.top; y < region.bottom; ++y) {
        std::uint8_t* pixel = At(target, region.left, y);
        for (std::int64_t x = region.left; x < region.right; ++x, pixel += size)
            std::memcpy(pixel, pattern, static_cast<std::size_t>(size));
    }
}

void CopyBox(const View& target, const Box& dest, const View& source, const Box& src,
             const Box& clip, const CopyOptions& options) {
    const Box region = dest.Intersected(clip).Intersected(Bounds(target));
    if (region.Empty() || src.Empty())
        return;
    const int size = target.bytesPerPixel;

    // A copy within one surface reads from a copy of the source rectangle, so that overlapping
    // rectangles come out as if all pixels were read first.
    View from = source;
    Box s = src;
    std::unique_ptr<std::uint8_t[]> copy;
    if (source.bits == target.bits) {
        const int width = static_cast<int>(src.Width());
        const int height = static_cast<int>(src.Height());
        const int pitch = width * size;
        copy = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(pitch) * height);
        for (int y = 0; y < height; ++y)
            std::memcpy(copy.get() + static_cast<std::size_t>(y) * pitch,
                        At(source, src.left, src.top + y), static_cast<std::size_t>(pitch));
        from = View{copy.get(), width, height, pitch, size};
        s = Box{0, 0, width, height};
    }

    const std::int64_t dw = dest.Width(), dh = dest.Height();
    const std::int64_t sw = s.Width(), sh = s.Height();
    const bool plain = dw == sw && dh == sh && !options.mirrorX && !options.keyed;
    const DWORD mask = options.keyMask;
    const DWORD low = options.keyLow & mask, high = options.keyHigh & mask;
    for (std::int64_t y = region.top; y < region.bottom; ++y) {
        std::int64_t row = (y - dest.top) * sh / dh;
        if (options.mirrorY)
            row = sh - 1 - row;
        std::uint8_t* out = At(target, 0, y);
        if (plain) {
            std::memcpy(out + region.left * size,
                        At(from, s.left + (region.left - dest.left), s.top + row),
                        static_cast<std::size_t>(region.Width() * size));
            continue;
        }
        const std::uint8_t* in = At(from, s.left, s.top + row);
        for (std::int64_t x = region.left; x < region.right; ++x) {
            std::int64_t column = (x - dest.left) * sw / dw;
            if (options.mirrorX)
                column = sw - 1 - column;
            const DWORD value = ReadPixel(in + column * size, size);
            if (options.keyed && (value & mask) >= low && (value & mask) <= high)
                continue;
            WritePixel(out + x * size, size, value);
        }
    }
}

} // namespace platform::ddraw
