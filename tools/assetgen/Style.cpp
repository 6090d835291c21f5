// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/assetgen/Style.h"

#include "tools/assetgen/DetMath.h"
#include "tools/assetgen/Random.h"

namespace style {

Color Wood(double x, double y, std::uint32_t seed) {
    const Color light{184, 112, 62}, dark{108, 54, 26};
    const double warp = gen::Fbm(x * 0.004, y * 0.015, 4, seed) * 14.0;
    double lines = 0.5 + 0.5 * dm::Sin(y * 0.55 + warp);
    lines *= lines;
    lines *= lines;
    lines *= lines; // thin dark lines of late wood
    const double t2 = y * 1.3 + warp * 1.7 + gen::Fbm(x * 0.01, y * 0.05, 2, seed + 3) * 6;
    double fine = 0.5 + 0.5 * dm::Sin(t2);
    fine *= fine;
    fine *= fine;
    const double fibre = gen::Fbm(x * 0.02, y * 0.8, 3, seed + 5);
    const double blotch = gen::Fbm(x * 0.006, y * 0.02, 3, seed + 9);
    const double k = dm::Clamp(
        0.34 + 0.34 * lines + 0.14 * fine + 0.5 * (fibre - 0.5) + 0.7 * (blotch - 0.5), 0.0, 1.0);
    return gen::Mix(light, dark, k);
}

Color DarkWood(double x, double y, std::uint32_t seed) {
    const Color light{74, 45, 28}, dark{58, 34, 21};
    const double warp = gen::Fbm(x * 0.005, y * 0.02, 3, seed) * 8.0;
    double ring = 0.5 + 0.5 * dm::Sin(y * 0.3 + warp);
    ring = ring * ring;
    const double fibre = gen::Fbm(x * 0.02, y * 0.5, 2, seed + 5);
    return gen::Mix(light, dark, dm::Clamp(0.3 + 0.4 * ring + 0.4 * (fibre - 0.5), 0.0, 1.0));
}

} // namespace style
