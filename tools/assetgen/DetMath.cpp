// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/assetgen/DetMath.h"

namespace dm {

namespace {

constexpr double kPiOver2Hi = 1.57079632679489655800e+00;
constexpr double kPiOver2Lo = 6.12323399573676603587e-17;
constexpr double kLn2Hi = 6.93147180369123816490e-01;
constexpr double kLn2Lo = 1.90821492927058770002e-10;

// Taylor series of sin and cos on [-pi/4, pi/4].
double SinPoly(double r) {
    const double r2 = r * r;
    double term = r, sum = r;
    for (int n = 1; n <= 9; ++n) {
        term *= -r2 / ((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

double CosPoly(double r) {
    const double r2 = r * r;
    double term = 1, sum = 1;
    for (int n = 1; n <= 9; ++n) {
        term *= -r2 / ((2 * n - 1) * (2 * n));
        sum += term;
    }
    return sum;
}

// Quarter turns k and the remainder r of x = k * pi / 2 + r.
double Reduce(double x, long long& k) {
    const double q = std::round(x / kPiOver2Hi);
    k = static_cast<long long>(q);
    return (x - q * kPiOver2Hi) - q * kPiOver2Lo;
}

} // namespace

double Sin(double x) {
    long long k = 0;
    const double r = Reduce(x, k);
    switch (((k % 4) + 4) % 4) {
    case 0:
        return SinPoly(r);
    case 1:
        return CosPoly(r);
    case 2:
        return -SinPoly(r);
    default:
        return -CosPoly(r);
    }
}

double Cos(double x) {
    return Sin(x + kPiOver2Hi);
}

double Exp(double x) {
    x = Clamp(x, -700.0, 700.0);
    const double k = std::round(x / (kLn2Hi + kLn2Lo));
    const double r = (x - k * kLn2Hi) - k * kLn2Lo;
    double term = 1, sum = 1;
    for (int n = 1; n <= 14; ++n) {
        term *= r / n;
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(k));
}

double Log(double x) {
    if (x <= 0)
        return -745.0;
    int e = 0;
    double m = std::frexp(x, &e); // x = m * 2^e, m in [0.5, 1)
    if (m < 0.70710678118654752440) {
        m *= 2;
        --e;
    }
    const double s = (m - 1) / (m + 1);
    const double s2 = s * s;
    double term = s, sum = s;
    for (int n = 3; n <= 25; n += 2) {
        term *= s2;
        sum += term / n;
    }
    return 2 * sum + e * (kLn2Hi + kLn2Lo);
}

double Atan(double x) {
    if (x < 0)
        return -Atan(-x);
    if (x > 1)
        return (kPiOver2Hi - Atan(1 / x)) + kPiOver2Lo;
    constexpr double kSqrt3 = 1.73205080756887729353;
    constexpr double kTan15 = 0.26794919243112270647;
    double offset = 0;
    if (x > kTan15) {
        x = (x * kSqrt3 - 1) / (kSqrt3 + x);
        offset = kPi / 6;
    }
    const double x2 = x * x;
    double term = x, sum = x;
    for (int n = 3; n <= 31; n += 2) {
        term *= -x2;
        sum += term / n;
    }
    return offset + sum;
}

double Atan2(double y, double x) {
    if (x > 0)
        return Atan(y / x);
    if (x < 0)
        return y >= 0 ? Atan(y / x) + kPi : Atan(y / x) - kPi;
    if (y > 0)
        return kPi / 2;
    if (y < 0)
        return -kPi / 2;
    return 0;
}

} // namespace dm
