// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The five sounds of the sound list, by index: interleaved 16-bit stereo samples at 44 100 Hz,
// exactly as many as the catalogue gives.
#include <cstdint>
#include <vector>

namespace gen {

std::vector<std::int16_t> Synthesize(int index);

} // namespace gen
