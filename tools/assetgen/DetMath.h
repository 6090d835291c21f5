// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Elementary functions computed with plain arithmetic only, so that the generator gives the
// same bytes whether the compiler folds a call at build time or the library computes it at run
// time, and whatever the C library's rounding of sin or exp.
#include <algorithm>
#include <cmath>

namespace dm {

constexpr double kPi = 3.14159265358979323846;

double Sin(double x);
double Cos(double x);
double Exp(double x);
double Log(double x); // x > 0
double Atan(double x);
double Atan2(double y, double x);
inline double Pow(double base, double exponent) {
    return base <= 0 ? 0.0 : Exp(exponent * Log(base));
}
inline double Sqrt(double x) {
    return x <= 0 ? 0.0 : std::sqrt(x);
} // correctly rounded

inline double Clamp(double v, double lo, double hi) {
    return std::min(std::max(v, lo), hi);
}
inline double Mix(double a, double b, double t) {
    return a + (b - a) * t;
}
inline double Smoothstep(double e0, double e1, double x) {
    const double t = Clamp((x - e0) / (e1 - e0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}
inline double Radians(double degrees) {
    return degrees * (kPi / 180.0);
}

} // namespace dm
