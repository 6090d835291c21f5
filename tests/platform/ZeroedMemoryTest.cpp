// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/ZeroedMemory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

// Blocks on both sides of the size from which memory is mapped: each is zeroed, writable to its
// last byte, zeroed again when made after one of its size was written and given back, and the
// mapped ones start on a 2 MiB boundary.
TEST(ZeroedMemory, BlocksOfEverySizeAreZeroedWritableAndMappedOnesAligned) {
    using platform::HugePageSize;
    for (const std::size_t size : {std::size_t{1}, std::size_t{4096}, HugePageSize - 1,
                                   HugePageSize, HugePageSize + 1, 2 * HugePageSize + 4097}) {
        SCOPED_TRACE(size);
        for (int round = 0; round < 2; ++round) {
            platform::ZeroedBytes block = platform::AllocateZeroed(size);
            ASSERT_NE(block, nullptr);
            EXPECT_TRUE(std::all_of(block.get(), block.get() + size,
                                    [](std::uint8_t byte) { return byte == 0; }));
            if (size >= HugePageSize) {
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.get()) % HugePageSize, 0u);
            }
            std::memset(block.get(), 0xFF, size);
        }
    }
}
