// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds arbitrary bytes to the stored description reader: it either reads them or raises
// EStoredDescriptionError.
#include "graphics/Catalogue.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const StoredDescription description = ReadStoredDescription({data, size});
        (void)description;
    } catch (const EStoredDescriptionError&) {
    }
    return 0;
}
