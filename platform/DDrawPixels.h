// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pixel work of the display stand-in: rectangles with room for any caller's coordinates,
// pixel formats, blocks of surface memory, and the copy and fill loops behind Blt and BltFast.
#include "platform/DDraw.h"
#include "platform/ZeroedMemory.h"

#include <QImage>
#include <QRect>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace platform::ddraw {

// A rectangle (right and bottom excluded) in 64-bit coordinates, so that no caller's 32-bit
// values can overflow while it is checked and clipped.
struct Box {
    std::int64_t left = 0, top = 0, right = 0, bottom = 0;

    std::int64_t Width() const { return right - left; }
    std::int64_t Height() const { return bottom - top; }
    bool Empty() const { return left >= right || top >= bottom; }
    Box Intersected(const Box& other) const;
    Box Translated(std::int64_t dx, std::int64_t dy) const {
        return Box{left + dx, top + dy, right + dx, bottom + dy};
    }
    // Only for boxes already clipped to something of widget size.
    QRect ToQRect() const {
        return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(Width()),
                     static_cast<int>(Height()));
    }
};

// A pixel format the stand-in can hold: 8-bit palette-indexed, 16-bit 565 or 555, 24-bit or
// 32-bit RGB. The display format is 32-bit XRGB.
struct Format {
    int bits = 32;
    DWORD r = 0xFF0000, g = 0xFF00, b = 0xFF;

    static Format Display() { return Format{}; }
    // False for a format the stand-in does not offer.
    static bool FromDescription(const DDPIXELFORMAT& description, Format& format);
    DDPIXELFORMAT Describe() const;
    int BytesPerPixel() const { return bits / 8; }
    // The bits that carry colour (a colour key compares only these).
    DWORD ColourMask() const { return bits == 8 ? 0xFFu : (r | g | b); }
    // The bits a pixel value has.
    DWORD ValueMask() const { return bits == 32 ? 0xFFFFFFFFu : ((1u << bits) - 1u); }
    bool IsDisplayFormat() const { return bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF; }
    QImage::Format ImageFormat() const;
};

// The memory of one surface: lines of pitch bytes (a multiple of 4), zeroed when made.
struct PixelBlock {
    PixelBlock(int width, int height, int bytesPerPixel);
    static int PitchFor(int width, int bytesPerPixel) { return (width * bytesPerPixel + 3) & ~3; }
    std::size_t Size() const {
        return static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height);
    }
    std::uint8_t* Line(int y) const { return bytes.get() + static_cast<std::size_t>(y) * pitch; }

    int width, height, pitch;
    ZeroedBytes bytes;
};

// Pixels seen from outside: a surface's memory or a window's picture.
struct View {
    std::uint8_t* bits;
    int width, height, pitch, bytesPerPixel;
};

// Where the pixels of a 32-bit picture lie outside a colour key, line by line: the runs of
// pixels a keyed copy stores. A keyed copy that knows them copies those runs plainly and skips
// the rest without comparing a pixel. A line broken into more than MaxRunsPerLine runs is marked
// to be compared pixel by pixel instead, so that the runs never take much memory.
class KeyRuns {
public:
    struct Run {
        std::int32_t begin, end; // columns, end excluded
    };
    static constexpr int MaxRunsPerLine = 8;

    KeyRuns(const View& picture, DWORD mask, DWORD low, DWORD high);
    bool SameKey(DWORD mask, DWORD low, DWORD high) const {
        return mask == mask_ && low == low_ && high == high_;
    }
    int Height() const { return static_cast<int>(mixed_.size()); }
    // Whether line y was marked to be compared pixel by pixel.
    bool Mixed(int y) const { return mixed_[static_cast<std::size_t>(y)] != 0; }
    // The runs of line y, left to right (none for a marked line).
    const Run* begin(int y) const { return runs_.data() + lineStart_[static_cast<std::size_t>(y)]; }
    const Run* end(int y) const {
        return runs_.data() + lineStart_[static_cast<std::size_t>(y) + 1];
    }

private:
    DWORD mask_, low_, high_;
    std::vector<Run> runs_;
    std::vector<std::size_t> lineStart_; // per line, its first run; then the end of the last
    std::vector<std::uint8_t> mixed_;
};

struct CopyOptions {
    bool keyed = false;
    DWORD keyLow = 0, keyHigh = 0, keyMask = 0xFFFFFFFFu;
    bool mirrorX = false, mirrorY = false;
    // For a keyed copy: the source's runs for this key, when it has them.
    const KeyRuns* runs = nullptr;
};

DWORD ReadPixel(const std::uint8_t* pixel, int bytesPerPixel);
void WritePixel(std::uint8_t* pixel, int bytesPerPixel, DWORD value);

// Fills the part of box inside the target with value.
void FillBox(const View& target, const Box& box, DWORD value);
// Copies src of source into dest of target, stretching when the sizes differ and mirroring by
// the options; a keyed copy leaves out source pixels whose colour bits lie in the key range.
// Only the part of dest inside clip and the target is written. Both views have the same pixel
// size; src lies inside the source.
void CopyBox(const View& target, const Box& dest, const View& source, const Box& src,
             const Box& clip, const CopyOptions& options);

} // namespace platform::ddraw
