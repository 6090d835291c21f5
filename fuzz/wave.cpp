// SPDX-License-Identifier: GPL-3.0-or-later
// The wave reader on arbitrary bytes: the stored "WAVE" value and its byte-block form. A value
// that reads must write back to a file that reads as the same wave.
#include "sound/Wave.h"

#include <cstdlib>
#include <cstring>

namespace {

bool SameWave(const TWave& a, const TWave& b) {
    return a.Size() == b.Size() && a.FormatSize() == b.FormatSize() &&
           (a.Size() == 0 || std::memcmp(a.Samples(), b.Samples(), a.Size()) == 0) &&
           (a.FormatSize() == 0 ||
            std::memcmp(a.FormatBytes(), b.FormatBytes(), a.FormatSize()) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    try {
        TWave wave;
        wave.LoadStoredValue(bytes);
        const std::vector<std::uint8_t> written = wave.StoredValue();
        if (!written.empty()) {
            TWave back;
            back.LoadStoredValue(written);
            if (!SameWave(wave, back))
                std::abort();
        }
    } catch (const Exception&) {
        // Damaged values are refused with an exception: that is the expected outcome.
    }
    try {
        TWave wave;
        wave.LoadStoredBlock(bytes);
    } catch (const Exception&) {
    }
    return 0;
}
