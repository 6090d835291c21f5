// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Zeroed memory for pixel blocks. A block of a few megabytes (a surface or a picture at 200 %)
// comes straight from the system, aligned to 2 MiB and marked for transparent huge pages where
// the system offers them, its pages filled in at once: its first writes then take no page fault,
// where one per 4 KiB page costs more than filling the pixels (the most on a virtual machine).
// The part after the last whole 2 MiB stays in small pages, so a block never takes more memory
// than its size rounded up to a small page. Smaller blocks come from the heap.
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// Gives a block back where it came from; mapped is the length mapped, 0 for the heap.
struct ZeroedMemoryRelease {
    std::size_t mapped = 0;
    void operator()(std::uint8_t* bytes) const;
};
using ZeroedBytes = std::unique_ptr<std::uint8_t[], ZeroedMemoryRelease>;

// The size from which blocks are mapped from the system.
constexpr std::size_t HugePageSize = std::size_t{2} << 20;

// size zeroed bytes; std::bad_alloc when there is no memory for them.
ZeroedBytes AllocateZeroed(std::size_t size);

} // namespace platform
