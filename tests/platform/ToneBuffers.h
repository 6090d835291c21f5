// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Secondary buffers of the game's sound format for the sound stand-in's tests.
#include "platform/DSound.h"
#include "tests/support/WaveFiles.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>

namespace tonebuffers {

inline const WAVEFORMATEX kGameFormat{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};

inline DSBUFFERDESC Secondary(std::uint32_t bytes, const WAVEFORMATEX* format = &kGameFormat,
                              std::uint32_t flags = 0xE0) {
    DSBUFFERDESC description{};
    description.dwSize = DSBUFFERDESC_SIZE;
    description.dwFlags = flags;
    description.dwBufferBytes = bytes;
    description.lpwfxFormat = format;
    return description;
}

// Writes a tone over the first bytes of buffer through Lock/Unlock.
inline void WriteTone(IDirectSoundBuffer& buffer, std::uint32_t bytes) {
    void* region1 = nullptr;
    void* region2 = nullptr;
    std::uint32_t size1 = 0, size2 = 0;
    ASSERT_EQ(buffer.Lock(0, bytes, &region1, &size1, &region2, &size2, 0), DS_OK);
    const auto tone = wavefiles::Tone(bytes);
    std::memcpy(region1, tone.data(), size1);
    EXPECT_EQ(buffer.Unlock(region1, size1, region2, size2), DS_OK);
}

// A secondary buffer filled with a tone through Lock/Unlock.
inline std::unique_ptr<IDirectSoundBuffer> Filled(IDirectSound& device, std::uint32_t bytes) {
    std::unique_ptr<IDirectSoundBuffer> buffer;
    const DSBUFFERDESC description = Secondary(bytes);
    EXPECT_EQ(device.CreateSoundBuffer(&description, &buffer, nullptr), DS_OK);
    if (buffer)
        WriteTone(*buffer, bytes);
    return buffer;
}

} // namespace tonebuffers
