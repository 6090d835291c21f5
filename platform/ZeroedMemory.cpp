// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ZeroedMemory.h"

#include <new>
#include <sys/mman.h>
#include <unistd.h>

// Older system headers lack it; older kernels refuse it, which changes nothing here.
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

namespace platform {

namespace {

std::size_t RoundUp(std::size_t size, std::size_t unit) {
    return (size + unit - 1) / unit * unit;
}

} // namespace

void ZeroedMemoryRelease::operator()(std::uint8_t* bytes) const {
    if (mapped == 0)
        delete[] bytes;
    else
        munmap(bytes, mapped);
}

ZeroedBytes AllocateZeroed(std::size_t size) {
    if (size < HugePageSize)
        return ZeroedBytes(new std::uint8_t[size]());
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t length = RoundUp(size, page);
    if (length > SIZE_MAX - HugePageSize)
        throw std::bad_alloc();
    // More than asked for, so that a 2 MiB boundary lies inside; the rest is given back at once.
    const std::size_t reserved = length + HugePageSize;
    void* mapped =
        mmap(nullptr, reserved, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    auto* const start = static_cast<std::uint8_t*>(mapped);
    auto* const aligned = reinterpret_cast<std::uint8_t*>(
        RoundUp(reinterpret_cast<std::uintptr_t>(start), HugePageSize));
    if (aligned > start)
        munmap(start, static_cast<std::size_t>(aligned - start));
    const std::size_t after = reserved - static_cast<std::size_t>(aligned - start) - length;
    if (after > 0)
        munmap(aligned + length, after);
    // Advice only: where huge pages are not offered the block simply has small pages, and a
    // system that cannot fill in the pages ahead leaves them to the first writes.
    madvise(aligned, size / HugePageSize * HugePageSize, MADV_HUGEPAGE);
    madvise(aligned, length, MADV_POPULATE_WRITE);
    // Fresh anonymous memory reads as zeros.
    return ZeroedBytes(aligned, ZeroedMemoryRelease{length});
}

} // namespace platform
