// SPDX-License-Identifier: GPL-3.0-or-later
// The sounds: hard seeds on a wooden board, made by modal synthesis. Every knock is a short
// burst of noise exciting a few decaying resonances: the low, longer ones of the carved wood,
// the high, short ones of the seed's shell. The sounds are placed a little apart in the stereo
// field, peak well below full scale and begin and end at silence.
#include "tools/assetgen/Sounds.h"

#include "graphics/Assets.h"
#include "tools/assetgen/DetMath.h"
#include "tools/assetgen/Random.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace gen {

namespace {

constexpr double kRate = assets::kSampleRate;

struct Mode {
    double Frequency; // Hz
    double Decay;     // seconds to fall by 1/e
    double Amplitude;
};

// The hollow of a pit in hard wood.
const std::vector<Mode> kWood = {{392, 0.050, 0.50},
                                 {744, 0.034, 0.50},
                                 {1186, 0.024, 0.42},
                                 {1893, 0.015, 0.34},
                                 {2761, 0.009, 0.22}};
// The seed's shell striking wood.
const std::vector<Mode> kShell = {
    {3120, 0.0060, 0.45}, {4290, 0.0042, 0.40}, {5630, 0.0030, 0.32}, {7180, 0.0024, 0.22}};
// Seed against seed: brighter and shorter.
const std::vector<Mode> kSeedOnSeed = {{2480, 0.0075, 0.40},
                                       {3560, 0.0052, 0.46},
                                       {4870, 0.0036, 0.38},
                                       {6350, 0.0026, 0.28},
                                       {8100, 0.0018, 0.16}};

class Mixer {
public:
    explicit Mixer(std::size_t frames, std::uint64_t seed)
        : left_(frames, 0.0), right_(frames, 0.0), random_(seed) {}

    // A knock at time t (seconds) of the given strength, panned from -1 (left) to 1 (right).
    void Knock(double t, double strength, double pan, const std::vector<Mode>& modes,
               double brightness = 1.0) {
        const double gainL = dm::Sqrt(0.5 * (1 - pan)), gainR = dm::Sqrt(0.5 * (1 + pan));
        // The far ear hears the knock a fraction of a millisecond later.
        const double delay = 0.00025 * pan;
        for (const Mode& mode : modes) {
            const double f = mode.Frequency * random_.Uniform(0.94, 1.06) *
                             (mode.Frequency > 2000 ? brightness : 1.0);
            const double a = mode.Amplitude * strength * random_.Uniform(0.8, 1.2);
            AddMode(left_, t + std::max(0.0, delay), f, mode.Decay, a * gainL);
            AddMode(right_, t + std::max(0.0, -delay), f, mode.Decay, a * gainR);
        }
        // The contact itself: a very short burst of noise.
        const std::size_t start = Frame(t);
        const std::size_t length = std::size_t(kRate * 0.0012);
        double previous = 0;
        for (std::size_t i = 0; i < length && start + i < left_.size(); ++i) {
            const double white = random_.Uniform(-1, 1);
            const double high = white - previous; // tilt towards the highs
            previous = white;
            const double envelope = dm::Exp(-double(i) / (kRate * 0.00025));
            const double v = 0.35 * strength * brightness * high * envelope;
            left_[start + i] += v * gainL;
            right_[start + i] += v * gainR;
        }
    }

    // Seeds rolling and settling: a run of faint knocks growing sparser.
    void Rattle(double t, double duration, double strength, double pan, int count,
                const std::vector<Mode>& modes) {
        double at = t;
        for (int i = 0; i < count; ++i) {
            const double progress = double(i) / count;
            at += duration / count * random_.Uniform(0.4, 1.6) * (0.5 + progress);
            if (at >= t + duration)
                break;
            Knock(at, strength * (1 - 0.8 * progress) * random_.Uniform(0.5, 1.0),
                  pan + random_.Uniform(-0.15, 0.15), modes, random_.Uniform(0.9, 1.15));
        }
    }

    double Uniform(double lo, double hi) { return random_.Uniform(lo, hi); }

    // The finished samples: no offset, peak at `peak` of full scale, silent at both ends.
    std::vector<std::int16_t> Finish(double peak) {
        for (std::vector<double>* channel : {&left_, &right_}) {
            // Remove any slow offset (one-pole high-pass at about 20 Hz).
            double previousIn = 0, previousOut = 0;
            const double k = 1 - 2 * dm::kPi * 20 / kRate;
            for (double& v : *channel) {
                const double out = v - previousIn + k * previousOut;
                previousIn = v;
                previousOut = out;
                v = out;
            }
        }
        double loudest = 0;
        for (std::size_t i = 0; i < left_.size(); ++i)
            loudest = std::max({loudest, std::fabs(left_[i]), std::fabs(right_[i])});
        if (loudest <= 0)
            throw std::runtime_error("silent sound");
        const double gain = peak * 32767 / loudest;
        const std::size_t n = left_.size();
        const std::size_t fadeIn = std::size_t(kRate * 0.002), fadeOut = std::size_t(kRate * 0.03);
        std::vector<std::int16_t> samples;
        samples.reserve(2 * n);
        for (std::size_t i = 0; i < n; ++i) {
            double envelope = 1;
            if (i < fadeIn)
                envelope = 0.5 - 0.5 * dm::Cos(dm::kPi * double(i) / fadeIn);
            if (i + fadeOut >= n)
                envelope *= 0.5 - 0.5 * dm::Cos(dm::kPi * double(n - 1 - i) / fadeOut);
            for (const double v : {left_[i], right_[i]}) {
                const long s = std::lround(v * gain * envelope);
                samples.push_back(static_cast<std::int16_t>(std::clamp(s, -32767L, 32767L)));
            }
        }
        return samples;
    }

private:
    std::size_t Frame(double t) const { return std::size_t(std::max(0.0, t) * kRate + 0.5); }

    // A decaying resonance from time t, as a rotating phasor (no call per sample).
    void AddMode(std::vector<double>& out, double t, double frequency, double decay,
                 double amplitude) {
        const double w = 2 * dm::kPi * frequency / kRate;
        const double damping = dm::Exp(-1 / (decay * kRate));
        const double c = dm::Cos(w) * damping, s = dm::Sin(w) * damping;
        double re = 1, im = 0; // starts at sin(0): no step
        const std::size_t end = std::min(out.size(), Frame(t) + std::size_t(decay * kRate * 9));
        for (std::size_t i = Frame(t); i < end; ++i) {
            out[i] += amplitude * im;
            const double next = re * c - im * s;
            im = re * s + im * c;
            re = next;
        }
    }

    std::vector<double> left_, right_;
    Random random_;
};

std::size_t Frames(int index) {
    return assets::kSounds[index].SampleBytes / 4;
}

// "bille1": a seed drops into an empty pit, knocks on the wood, bounces and comes to rest.
std::vector<std::int16_t> SeedIntoEmptyPit() {
    Mixer m(Frames(0), 11);
    const double pan = -0.1;
    m.Knock(0.004, 1.0, pan, kWood);
    m.Knock(0.004, 0.8, pan, kShell);
    const double bounces[][2] = {{0.074, 0.42}, {0.123, 0.22}, {0.157, 0.12}, {0.179, 0.07}};
    for (const auto& b : bounces) {
        m.Knock(b[0], b[1], pan + 0.05, kWood);
        m.Knock(b[0], b[1] * 0.8, pan + 0.05, kShell);
    }
    m.Rattle(0.19, 0.16, 0.05, pan + 0.1, 14, kShell);
    return m.Finish(0.62);
}

// "billeplus": a seed drops among a few seeds: a bright click, a knock of wood beneath, the
// seeds shifting.
std::vector<std::int16_t> SeedAmongFew() {
    Mixer m(Frames(1), 22);
    const double pan = 0.08;
    m.Knock(0.004, 1.0, pan, kSeedOnSeed);
    m.Knock(0.005, 0.45, pan, kWood);
    m.Knock(0.031, 0.38, pan - 0.1, kSeedOnSeed, 1.1);
    m.Knock(0.052, 0.2, pan + 0.1, kWood);
    m.Rattle(0.06, 0.16, 0.16, pan, 9, kSeedOnSeed);
    return m.Finish(0.58);
}

// "billebcp": a seed drops on a heap: a short clatter of seeds.
std::vector<std::int16_t> SeedOnHeap() {
    Mixer m(Frames(2), 33);
    const double pan = -0.05;
    m.Knock(0.004, 1.0, pan, kSeedOnSeed, 1.05);
    m.Knock(0.006, 0.2, pan, kWood);
    m.Rattle(0.012, 0.1, 0.5, pan, 12, kSeedOnSeed);
    return m.Finish(0.55);
}

// "billeprend": a hand scoops up the seeds of a pit.
std::vector<std::int16_t> HandTakesSeeds() {
    Mixer m(Frames(3), 44);
    for (int i = 0; i < 16; ++i) {
        const double t = 0.004 + 0.075 * (i / 16.0) + m.Uniform(0, 0.006);
        m.Knock(t, m.Uniform(0.25, 0.7), m.Uniform(-0.4, 0.4), kSeedOnSeed, m.Uniform(0.9, 1.2));
    }
    m.Knock(0.006, 0.25, 0, kWood);
    return m.Finish(0.5);
}

// "billegagn": harvested seeds poured out and put away, ending on a satisfied knock.
std::vector<std::int16_t> SeedsPutAway() {
    Mixer m(Frames(4), 55);
    for (int i = 0; i < 22; ++i) {
        const double t = 0.004 + 0.13 * dm::Sqrt(i / 22.0) + m.Uniform(0, 0.005);
        m.Knock(t, m.Uniform(0.2, 0.55), m.Uniform(-0.5, 0.5), kSeedOnSeed, m.Uniform(0.9, 1.15));
    }
    m.Knock(0.15, 0.9, 0.0, kWood);
    m.Knock(0.15, 0.35, 0.0, kShell);
    return m.Finish(0.56);
}

} // namespace

std::vector<std::int16_t> Synthesize(int index) {
    switch (index) {
    case 0:
        return SeedIntoEmptyPit();
    case 1:
        return SeedAmongFew();
    case 2:
        return SeedOnHeap();
    case 3:
        return HandTakesSeeds();
    case 4:
        return SeedsPutAway();
    default:
        throw std::out_of_range("no sound " + std::to_string(index));
    }
}

} // namespace gen
