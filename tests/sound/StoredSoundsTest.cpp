// SPDX-License-Identifier: GPL-3.0-or-later
// The game's five sounds as the program carries them in its stored description.
#include "graphics/Catalogue.h"
#include "sound/WaveList.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct ExpectedSound {
    const char* name;
    std::int32_t bytes;
};
constexpr ExpectedSound kSounds[] = {{"bille1", 98756},
                                     {"billeplus", 62740},
                                     {"billebcp", 33220},
                                     {"billeprend", 25368},
                                     {"billegagn", 42348}};

} // namespace

TEST(StoredSounds, EachReadsWithASixteenByteFormatAndItsByteCount) {
    const StoredWaveList& stored = EmbeddedDescription().WaveList;
    EXPECT_EQ(stored.Name, "DXWaveList1");
    EXPECT_EQ(stored.DXSound, "DXSound1");
    ASSERT_EQ(stored.Items.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        const StoredWaveItem& item = stored.Items[i];
        SCOPED_TRACE(item.Name);
        EXPECT_EQ(item.Name, kSounds[i].name);
        EXPECT_FALSE(item.Looped);
        EXPECT_EQ(item.MaxPlayingCount, 0);
        // The canonical 44-byte header: nothing before or after the two chunks.
        EXPECT_EQ(item.Wave.size(), 44u + kSounds[i].bytes);

        TWave wave;
        wave.LoadStoredValue(item.Wave);
        EXPECT_EQ(wave.FormatSize(), 16);
        EXPECT_EQ(wave.Size(), kSounds[i].bytes);
        const WAVEFORMATEX format = wave.Format();
        EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
        EXPECT_EQ(format.nChannels, 2);
        EXPECT_EQ(format.nSamplesPerSec, 44100u);
        EXPECT_EQ(format.nAvgBytesPerSec, 176400u);
        EXPECT_EQ(format.nBlockAlign, 4);
        EXPECT_EQ(format.wBitsPerSample, 16);
        // Written again, the value is the stored one byte for byte.
        EXPECT_EQ(wave.StoredValue(), item.Wave);
    }
}

TEST(StoredSounds, TheSoundListTakesThemInStoredOrder) {
    TDXWaveList list;
    for (const StoredWaveItem& item : EmbeddedDescription().WaveList.Items)
        list.AddWave(item.Name, item.Wave, item.Looped, item.MaxPlayingCount);
    ASSERT_EQ(list.Items().Count(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list.Items()[i].Name(), kSounds[i].name);
        EXPECT_EQ(list.Items()[i].Wave().Size(), kSounds[i].bytes);
    }
    EXPECT_THROW(list.Items()[5], EListError);
}
