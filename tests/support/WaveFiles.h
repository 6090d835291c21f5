// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// RIFF WAVE files built byte by byte for the tests, independently of the wave writer.
#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

namespace wavefiles {

using Bytes = std::vector<std::uint8_t>;

inline void Put32(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}
inline void Put16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}
inline void PutTag(Bytes& out, const char* tag) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(tag[i]));
}

// The 16-byte PCM format block of the game's sounds unless told otherwise.
inline Bytes PcmFormat(std::uint16_t channels = 2, std::uint32_t rate = 44100,
                       std::uint16_t bits = 16) {
    Bytes format;
    const auto align = static_cast<std::uint16_t>(channels * bits / 8);
    Put16(format, 1);
    Put16(format, channels);
    Put32(format, rate);
    Put32(format, rate * align);
    Put16(format, align);
    Put16(format, bits);
    return format;
}

// Sample bytes: a 440 Hz tone in 16-bit stereo, loud enough to be heard, for count bytes.
inline Bytes Tone(std::uint32_t count) {
    Bytes samples(count);
    for (std::uint32_t i = 0; i + 1 < count; i += 2) {
        const double t = (i / 4) / 44100.0;
        const auto value =
            static_cast<std::int16_t>(12000 * std::sin(2 * std::numbers::pi * 440 * t));
        samples[i] = static_cast<std::uint8_t>(value);
        samples[i + 1] = static_cast<std::uint8_t>(static_cast<std::uint16_t>(value) >> 8);
    }
    return samples;
}

struct Chunk {
    std::string id;
    Bytes body;
};

inline Chunk FmtChunk(const Bytes& format = PcmFormat()) {
    return {"fmt ", format};
}
inline Chunk DataChunk(const Bytes& samples) {
    return {"data", samples};
}

// "RIFF", the length (the true one unless given), "WAVE", then the chunks as given.
inline Bytes RiffFile(const std::vector<Chunk>& chunks, long long riffLength = -1) {
    Bytes body;
    for (const Chunk& chunk : chunks) {
        PutTag(body, chunk.id.c_str());
        Put32(body, static_cast<std::uint32_t>(chunk.body.size()));
        body.insert(body.end(), chunk.body.begin(), chunk.body.end());
    }
    Bytes file;
    PutTag(file, "RIFF");
    Put32(file, riffLength >= 0 ? static_cast<std::uint32_t>(riffLength)
                                : static_cast<std::uint32_t>(body.size() + 4));
    PutTag(file, "WAVE");
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

// The canonical 44-byte-header file of the game's sounds.
inline Bytes CanonicalFile(const Bytes& samples) {
    return RiffFile({FmtChunk(), DataChunk(samples)});
}

} // namespace wavefiles
