// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cmath>

// Rounding to the nearest integer with halves to the even neighbour (2.5 -> 2, 3.5 -> 4), as
// every position, size and step count of the program is rounded.
inline long long RoundHalfEven(double value) {
    return std::llrint(value);
}
inline int RoundToInt(double value) {
    return static_cast<int>(std::lrint(value));
}
