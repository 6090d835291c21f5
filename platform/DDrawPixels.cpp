// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/DDrawPixels.h"

#include <algorithm>
#include <cstring>
#include <immintrin.h>

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
      bytes(AllocateZeroed(static_cast<std::size_t>(pitch) * static_cast<std::size_t>(height_))) {}

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

// The lines of the copies behind every sprite drawn each frame. Where the processor has AVX2
// they go 32 bytes at a time with the stores aligned: a store that straddles two cache lines
// costs about twice as much, and the lines of a surface start at any multiple of 4 bytes.
//
// A keyed line leaves out each pixel whose colour bits lie in the key range: one compare and one
// masked store per eight pixels, without reading the destination and without a branch per pixel.
using CopyLine = void (*)(std::uint8_t* out, const std::uint8_t* in, std::int64_t bytes);
using KeyedLine = void (*)(std::uint8_t* out, const std::uint8_t* in, std::int64_t count,
                           DWORD mask, DWORD low, DWORD high);

void CopyLinePlain(std::uint8_t* out, const std::uint8_t* in, std::int64_t bytes) {
    std::memcpy(out, in, static_cast<std::size_t>(bytes));
}

void CopyKeyedLinePlain(std::uint8_t* out, const std::uint8_t* in, std::int64_t count, DWORD mask,
                        DWORD low, DWORD high) {
    if (low > high) { // an empty key range leaves nothing out
        std::memcpy(out, in, static_cast<std::size_t>(count) * 4);
        return;
    }
    const DWORD range = high - low;
    for (std::int64_t x = 0; x < count; ++x, in += 4, out += 4) {
        DWORD value;
        std::memcpy(&value, in, 4);
        if ((value & mask) - low > range) // outside the key range (unsigned wrap below low)
            std::memcpy(out, &value, 4);
    }
}

// Bytes before out reaches a 32-byte boundary, at most limit.
std::int64_t ToAlignment(const std::uint8_t* out, std::int64_t limit) {
    const auto misalignment = static_cast<std::int64_t>(reinterpret_cast<std::uintptr_t>(out) & 31);
    return std::min<std::int64_t>((32 - misalignment) & 31, limit);
}

__attribute__((target("avx2,prfchw"))) void CopyLineAvx2(std::uint8_t* out, const std::uint8_t* in,
                                                         std::int64_t bytes) {
    const std::int64_t head = ToAlignment(out, bytes);
    std::memcpy(out, in, static_cast<std::size_t>(head));
    std::int64_t i = head;
    for (; i + 64 <= bytes; i += 64) {
        // Asking for the cache lines a kilobyte ahead for writing hides the wait for them.
        __builtin_prefetch(out + i + 1024, 1, 3);
        _mm256_store_si256(reinterpret_cast<__m256i*>(out + i),
                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i)));
        _mm256_store_si256(reinterpret_cast<__m256i*>(out + i + 32),
                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i + 32)));
    }
    for (; i + 32 <= bytes; i += 32)
        _mm256_store_si256(reinterpret_cast<__m256i*>(out + i),
                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + i)));
    std::memcpy(out + i, in + i, static_cast<std::size_t>(bytes - i));
}

// Of eight pixels, the lanes given whose colour bits lie outside the key range low .. low +
// range: those a keyed copy stores.
__attribute__((target("avx2"), always_inline)) inline __m256i
OutsideKey(__m256i value, __m256i lanes, __m256i masks, __m256i lows, __m256i ranges) {
    const __m256i offset = _mm256_sub_epi32(_mm256_and_si256(value, masks), lows);
    // offset <= range (unsigned) exactly when min(offset, range) == offset.
    const __m256i keyed = _mm256_cmpeq_epi32(_mm256_min_epu32(offset, ranges), offset);
    return _mm256_andnot_si256(keyed, lanes);
}

// The one to seven pixels of a line's head or tail: the masked load and store touch nothing
// outside the count pixels given.
__attribute__((target("avx2"), always_inline)) inline void
CopyKeyedFew(std::uint8_t* out, const std::uint8_t* in, std::int64_t count, __m256i masks,
             __m256i lows, __m256i ranges) {
    const __m256i lanes = _mm256_cmpgt_epi32(_mm256_set1_epi32(static_cast<int>(count)),
                                             _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i value = _mm256_maskload_epi32(reinterpret_cast<const int*>(in), lanes);
    _mm256_maskstore_epi32(reinterpret_cast<int*>(out),
                           OutsideKey(value, lanes, masks, lows, ranges), value);
}

__attribute__((target("avx2,prfchw"))) void CopyKeyedLineAvx2(std::uint8_t* out,
                                                              const std::uint8_t* in,
                                                              std::int64_t count, DWORD mask,
                                                              DWORD low, DWORD high) {
    if (low > high) {
        CopyKeyedLinePlain(out, in, count, mask, low, high);
        return;
    }
    const __m256i masks = _mm256_set1_epi32(static_cast<int>(mask));
    const __m256i lows = _mm256_set1_epi32(static_cast<int>(low));
    const __m256i ranges = _mm256_set1_epi32(static_cast<int>(high - low));
    const __m256i all = _mm256_set1_epi32(-1);
    // Lines start at any multiple of 4 bytes: the pixels before a 32-byte boundary of the
    // destination go first, so that the blocks after are stored aligned, as in a plain copy.
    std::int64_t x = ToAlignment(out, count * 4) / 4;
    if (x > 0)
        CopyKeyedFew(out, in, x, masks, lows, ranges);
    for (; x + 8 <= count; x += 8) {
        __builtin_prefetch(out + 4 * x + 1024, 1, 3);
        const __m256i value = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + 4 * x));
        const __m256i store = OutsideKey(value, all, masks, lows, ranges);
        // Pictures have runs of opaque and of transparent pixels: whole blocks of either are
        // stored plainly or skipped.
        const int lanes = _mm256_movemask_ps(_mm256_castsi256_ps(store));
        if (lanes == 0xFF)
            _mm256_store_si256(reinterpret_cast<__m256i*>(out + 4 * x), value);
        else if (lanes != 0)
            _mm256_maskstore_epi32(reinterpret_cast<int*>(out + 4 * x), store, value);
    }
    if (x < count)
        CopyKeyedFew(out + 4 * x, in + 4 * x, count - x, masks, lows, ranges);
}

bool HasAvx2() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

} // namespace

void FillBox(const View& target, const Box& box, DWORD value) {
    const Box region = box.Intersected(Bounds(target));
    if (region.Empty())
        return;
    const int size = target.bytesPerPixel;
    std::uint8_t pattern[4];
    WritePixel(pattern, size, value);
    // The first line is written pixel by pixel, every other line is a copy of it.
    std::uint8_t* const first = At(target, region.left, region.top);
    const std::int64_t width = region.right - region.left;
    if (size == 4) {
        for (std::int64_t x = 0; x < width; ++x)
            std::memcpy(first + 4 * x, pattern, 4);
    } else {
        for (std::int64_t x = 0; x < width; ++x)
            std::memcpy(first + size * x, pattern, static_cast<std::size_t>(size));
    }
    const auto lineBytes = static_cast<std::size_t>(width * size);
    for (std::int64_t y = region.top + 1; y < region.bottom; ++y)
        std::memcpy(At(target, region.left, y), first, lineBytes);
}

KeyRuns::KeyRuns(const View& picture, DWORD mask, DWORD low, DWORD high)
    : mask_(mask), low_(low), high_(high) {
    const DWORD range = high - low;
    const auto height = static_cast<std::size_t>(std::max(picture.height, 0));
    lineStart_.reserve(height + 1);
    mixed_.assign(height, 0);
    for (std::size_t y = 0; y < height; ++y) {
        lineStart_.push_back(runs_.size());
        const std::uint8_t* in = picture.bits + y * static_cast<std::size_t>(picture.pitch);
        auto stored = [&](std::int32_t at) {
            DWORD value;
            std::memcpy(&value, in + 4 * static_cast<std::size_t>(at), 4);
            return low > high || (value & mask) - low > range;
        };
        const std::size_t first = runs_.size();
        std::int32_t x = 0;
        while (x < picture.width) {
            // Skip the keyed pixels, then take the run of stored ones.
            while (x < picture.width && !stored(x))
                ++x;
            if (x == picture.width)
                break;
            const std::int32_t begin = x;
            while (x < picture.width && stored(x))
                ++x;
            if (runs_.size() - first == MaxRunsPerLine) {
                runs_.resize(first);
                mixed_[y] = 1;
                break;
            }
            runs_.push_back(Run{begin, x});
        }
    }
    lineStart_.push_back(runs_.size());
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
    const bool keyedLines = dw == sw && dh == sh && !options.mirrorX && options.keyed && size == 4;
    static const bool avx2 = HasAvx2();
    static const CopyLine copyLine = avx2 ? CopyLineAvx2 : CopyLinePlain;
    static const KeyedLine copyKeyedLine = avx2 ? CopyKeyedLineAvx2 : CopyKeyedLinePlain;
    const DWORD mask = options.keyMask;
    const DWORD low = options.keyLow & mask, high = options.keyHigh & mask;
    // Runs describe the source surface itself, not a copy of a rectangle of it.
    const KeyRuns* runs = options.runs && !copy && options.runs->SameKey(mask, low, high) &&
                                  options.runs->Height() == source.height
                              ? options.runs
                              : nullptr;
    for (std::int64_t y = region.top; y < region.bottom; ++y) {
        std::int64_t row = dh == sh ? y - dest.top : (y - dest.top) * sh / dh;
        if (options.mirrorY)
            row = sh - 1 - row;
        std::uint8_t* out = At(target, 0, y);
        if (plain) {
            copyLine(out + region.left * size,
                     At(from, s.left + (region.left - dest.left), s.top + row),
                     region.Width() * size);
            continue;
        }
        if (keyedLines) {
            const std::int64_t line = s.top + row;
            const std::int64_t first = s.left + (region.left - dest.left); // source columns
            const std::int64_t last = first + region.Width();
            if (runs && !runs->Mixed(static_cast<int>(line))) {
                for (const KeyRuns::Run* run = runs->begin(static_cast<int>(line));
                     run != runs->end(static_cast<int>(line)); ++run) {
                    const std::int64_t begin = std::max<std::int64_t>(run->begin, first);
                    const std::int64_t end = std::min<std::int64_t>(run->end, last);
                    if (begin < end)
                        copyLine(out + (region.left + begin - first) * size, At(from, begin, line),
                                 (end - begin) * size);
                }
                continue;
            }
            copyKeyedLine(out + region.left * size, At(from, first, line), region.Width(), mask,
                          low, high);
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
