// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Seeded pseudo-random numbers and value noise: the same seed gives the same numbers on every
// machine and in every build.
#include <cstdint>

namespace gen {

class Random {
public:
    explicit Random(std::uint64_t seed)
        : state_(seed * 0x9E3779B97F4A7C15ull + 0x2545F4914F6CDD1Dull) {}

    std::uint64_t Next() { // splitmix64
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1).
    double Uniform() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }
    // Roughly normal, mean 0, deviation 1 (sum of four uniforms).
    double Gaussian() {
        return (Uniform() + Uniform() + Uniform() + Uniform() - 2.0) * 1.7320508075688772;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }

private:
    std::uint64_t state_;
};

// Smooth value noise in [0, 1] on a unit lattice, and its sum over octaves.
double ValueNoise(double x, double y, std::uint32_t seed);
double Fbm(double x, double y, int octaves, std::uint32_t seed);

} // namespace gen
