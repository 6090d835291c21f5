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

// A length or coordinate of the game's layout at a scale, in pixels: the nearest whole pixel,
// halves upwards, so that a picture drawn at 1.5 times a 65-pixel item is 98 pixels wide.
// Beyond the range of int, the nearest end of it.
inline int ScaledLength(long long units, double scale) {
    const double pixels = std::floor(static_cast<double>(units) * scale + 0.5);
    if (pixels >= 2147483647.0)
        return 2147483647;
    if (pixels <= -2147483648.0)
        return -2147483647 - 1;
    return static_cast<int>(pixels);
}
